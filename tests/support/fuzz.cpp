#include "fuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstring>
#include <sstream>

namespace drvfuzz {
namespace {

// ---------------------------------------------------------------------------------------------
// What the fault handler needs, kept ready before each input runs (the handler neither allocates
// nor formats with the C library, since it may run on a broken heap or a nearly full stack).

constexpr size_t kTextCch = 1024;
struct CrashContext {
    volatile LONG active = 0;
    volatile LONG faults = 0;
    std::uint64_t seed = 0;
    std::uint64_t iteration = 0;
    std::uint64_t size = 0;
    char target[128] = "";
    char file[kTextCch] = "";  // the Windows path, and the Unix one under Wine
};
CrashContext g_crash;

struct TextBuffer {
    char text[kTextCch * 2 + 256];
    size_t used = 0;
    void add(const char* s)
    {
        while (*s && used + 1 < sizeof(text)) text[used++] = *s++;
        text[used] = '\0';
    }
    void decimal(std::uint64_t v)
    {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        char out[24];
        for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
        out[n] = '\0';
        add(out);
    }
    void hex(DWORD v)
    {
        char out[11] = "0x";
        for (int i = 0; i < 8; ++i) out[2 + i] = "0123456789ABCDEF"[(v >> (28 - 4 * i)) & 15];
        out[10] = '\0';
        add(out);
    }
};

void WriteError(const char* text, size_t n)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(n), &written, nullptr);
}

void ReportCrash(const char* what, DWORD code)
{
    TextBuffer b;
    b.add("fuzz: ");
    b.add(g_crash.target);
    b.add(": ");
    b.add(what);
    if (code) {
        b.add(" ");
        b.hex(code);
    }
    b.add(" at seed ");
    b.decimal(g_crash.seed);
    b.add(", iteration ");
    b.decimal(g_crash.iteration);
    b.add(": input (");
    b.decimal(g_crash.size);
    b.add(" bytes) in ");
    b.add(g_crash.file);
    b.add("\n");
    WriteError(b.text, b.used);
}

bool IsFault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:  // the undefined-behaviour trap
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_NONCONTINUABLE_EXCEPTION:
    case 0xC0000409:  // stack buffer overrun (fast fail)
        return true;
    default:
        return false;
    }
}

// First in line for every exception of the process while a run is active. A fault is reported
// and counted, then passed on: whoever handles it (or the end of the process) comes next.
LONG CALLBACK FaultHandler(EXCEPTION_POINTERS* info)
{
    if (!g_crash.active || !info || !info->ExceptionRecord) return EXCEPTION_CONTINUE_SEARCH;
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (!IsFault(code)) return EXCEPTION_CONTINUE_SEARCH;
    InterlockedIncrement(&g_crash.faults);
    ReportCrash("exception", code);
    return EXCEPTION_CONTINUE_SEARCH;
}

void AbortHandler(int)
{
    if (g_crash.active) ReportCrash("abort", 0);
}

// ---------------------------------------------------------------------------------------------
// Files

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The path as the Unix side sees it, when running under Wine; empty elsewhere.
std::string UnixPath(const std::wstring& path)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto convert =
        kernel ? reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
               : nullptr;
    if (!convert) return {};
    char* unix = convert(path.c_str());
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

std::wstring TempFile(const std::string& name)
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = (n && n <= MAX_PATH) ? std::wstring(folder, n) : std::wstring(L".\\");
    for (char c : name) path.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

bool WriteWhole(const std::wstring& path, const Bytes& bytes)
{
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

// The file of the running input, kept open for the whole run and rewritten for each input.
class InputRecord {
public:
    explicit InputRecord(const std::wstring& path) : path_(path)
    {
        file_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~InputRecord()
    {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        DeleteFileW(path_.c_str());
    }
    bool ok() const { return file_ != INVALID_HANDLE_VALUE; }
    bool write(const Bytes& bytes)
    {
        DWORD written = 0;
        return SetFilePointer(file_, 0, nullptr, FILE_BEGIN) == 0 &&
               (bytes.empty() || WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) &&
               written == bytes.size() && SetEndOfFile(file_);
    }

private:
    std::wstring path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Installs the handlers and publishes the names for the run's duration.
class CrashReporting {
public:
    CrashReporting(const std::string& target, const std::wstring& file)
    {
        copy(g_crash.target, sizeof(g_crash.target), target);
        std::string where = Utf8(file);
        const std::string unix = UnixPath(file);
        if (!unix.empty()) where += " (" + unix + ")";
        copy(g_crash.file, sizeof(g_crash.file), where);
        handler_ = AddVectoredExceptionHandler(1, &FaultHandler);
        previousAbort_ = std::signal(SIGABRT, &AbortHandler);
        g_crash.faults = 0;
        g_crash.active = 1;
    }
    ~CrashReporting()
    {
        g_crash.active = 0;
        if (handler_) RemoveVectoredExceptionHandler(handler_);
        std::signal(SIGABRT, previousAbort_ == SIG_ERR ? SIG_DFL : previousAbort_);
    }
    CrashReporting(const CrashReporting&) = delete;
    CrashReporting& operator=(const CrashReporting&) = delete;

private:
    static void copy(char* out, size_t cch, const std::string& text)
    {
        const size_t n = std::min(text.size(), cch - 1);
        memcpy(out, text.data(), n);
        out[n] = '\0';
    }
    PVOID handler_ = nullptr;
    void (*previousAbort_)(int) = SIG_DFL;
};

// Failed parts the current test has recorded so far.
int FailedParts()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return 0;
    const ::testing::TestResult* result = info->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i)
        if (result->GetTestPartResult(i).failed()) ++failed;
    return failed;
}

// ---------------------------------------------------------------------------------------------
// Mutations

std::uint64_t Fnv1a(const std::string& text)
{
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) h = (h ^ c) * 0x100000001B3ull;
    return h;
}

constexpr std::uint8_t kInterestingBytes[] = {0x00, 0xFF, 0x7F, 0x80};
constexpr std::uint32_t kInteresting16[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0xFFFE};
constexpr std::uint32_t kInteresting32[] = {0,          1,          0x7F,       0x80,       0xFF,
                                            0x100,      0x7FFF,     0x8000,     0xFFFF,     0x10000,
                                            0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};

void PutLittleEndian(Bytes& b, size_t at, std::uint64_t value, unsigned width)
{
    for (unsigned i = 0; i < width && at + i < b.size(); ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t GetLittleEndian(const Bytes& b, size_t at, unsigned width)
{
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width && at + i < b.size(); ++i) value |= std::uint64_t{b[at + i]} << (8 * i);
    return value;
}

enum Mutation {
    kBitFlip,
    kInterestingByte,
    kRandomByte,
    kInterestingWord,
    kInterestingDword,
    kSizeField,
    kTruncate,
    kExtend,
    kSplice,
    kMutationCount
};

void MutateSizeField(Bytes& b, const Target& t, Random& r)
{
    std::vector<SizeField> present;
    for (const SizeField& f : t.sizeFields)
        if ((f.width == 1 || f.width == 2 || f.width == 4) && f.offset + f.width <= b.size()) present.push_back(f);
    if (present.empty()) return;
    const SizeField f = present[r.below(present.size())];
    const std::uint64_t max = f.width == 4 ? 0xFFFFFFFFull : (1ull << (8 * f.width)) - 1;
    const std::uint64_t old = GetLittleEndian(b, f.offset, f.width);
    const std::uint64_t delta = 1 + r.below(16);
    std::uint64_t value;
    switch (r.below(7)) {
    case 0: value = old - delta; break;  // smaller (wraps below 0)
    case 1: value = old + delta; break;  // larger
    case 2: value = 0; break;
    case 3: value = max; break;
    case 4: value = old / 2; break;
    case 5: value = old * 2; break;
    default: value = r.next(); break;
    }
    PutLittleEndian(b, f.offset, value & max, f.width);
}

void Mutate(Bytes& b, const Target& t, Random& r)
{
    const auto mutation = static_cast<Mutation>(r.below(kMutationCount));
    if (b.empty() && mutation != kSplice) {
        b.resize(1 + r.below(16), 0);
        return;
    }
    const size_t at = r.below(b.size());
    switch (mutation) {
    case kBitFlip: b[at] ^= static_cast<std::uint8_t>(1u << r.below(8)); break;
    case kInterestingByte: b[at] = kInterestingBytes[r.below(std::size(kInterestingBytes))]; break;
    case kRandomByte: b[at] = static_cast<std::uint8_t>(r.next()); break;
    case kInterestingWord: {
        std::uint32_t v = kInteresting16[r.below(std::size(kInteresting16))];
        if (r.below(4) == 0) v = (v >> 8 | v << 8) & 0xFFFF;  // the other byte order
        PutLittleEndian(b, at, v, 2);
        break;
    }
    case kInterestingDword: PutLittleEndian(b, at, kInteresting32[r.below(std::size(kInteresting32))], 4); break;
    case kSizeField: MutateSizeField(b, t, r); break;
    case kTruncate: b.resize(r.below(b.size())); break;
    case kExtend: {
        const size_t n = 1 + r.below(r.below(2) ? 16 : 512);
        const bool random = r.below(2);
        for (size_t i = 0; i < n; ++i) b.push_back(random ? static_cast<std::uint8_t>(r.next()) : 0);
        break;
    }
    case kSplice: {
        const Bytes& other = t.corpus[r.below(t.corpus.size())];
        const size_t head = r.below(b.size() + 1);
        const size_t from = r.below(2) ? std::min(head, other.size()) : r.below(other.size() + 1);
        b.resize(head);
        b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
    }
    default: break;
    }
}

}  // namespace

std::uint64_t Random::next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

Budget Budget::FromEnvironment(std::uint64_t defaultIterations, std::uint64_t defaultSeed)
{
    auto read = [](const char* name, std::uint64_t fallback) {
        char text[64];
        const DWORD n = GetEnvironmentVariableA(name, text, sizeof(text));
        if (n == 0 || n >= sizeof(text)) return fallback;
        const char* begin = text;
        int base = 10;
        if (n > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            begin += 2;
            base = 16;
        }
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(begin, text + n, value, base);
        return (error == std::errc() && end == text + n) ? value : fallback;
    };
    return {read("DRV_FUZZ_ITERATIONS", defaultIterations), read("DRV_FUZZ_SEED", defaultSeed)};
}

std::wstring CurrentInputFile(const std::string& targetName)
{
    return TempFile("drvfuzz-" + targetName + "-" + std::to_string(GetCurrentProcessId()) + ".bin");
}

Bytes MakeInput(const Target& target, std::uint64_t seed, std::uint64_t iteration)
{
    if (target.corpus.empty()) return {};
    // The corpus comes first, as it is.
    if (iteration < target.corpus.size()) return target.corpus[iteration];
    Random r(seed ^ Fnv1a(target.name) ^ (iteration * 0xD6E8FEB86659FD93ull));
    r.next();
    Bytes b = target.corpus[r.below(target.corpus.size())];
    const std::uint64_t count = 1 + r.below(4);
    for (std::uint64_t i = 0; i < count; ++i) {
        Mutate(b, target, r);
        if (b.size() > target.maxSize) b.resize(target.maxSize);
    }
    return b;
}

Outcome Run(const Target& target, const Budget& budget, size_t maxFailingInputs)
{
    Outcome outcome;
    if (target.corpus.empty() || !target.run) {
        ADD_FAILURE() << "fuzz target " << target.name << " has no corpus or no function";
        return outcome;
    }
    const std::wstring file = CurrentInputFile(target.name);
    InputRecord record(file);
    if (!record.ok()) {
        ADD_FAILURE() << "cannot write the input file " << Utf8(file);
        return outcome;
    }
    CrashReporting reporting(target.name, file);

    for (std::uint64_t i = 0; i < budget.iterations; ++i) {
        const Bytes input = MakeInput(target, budget.seed, i);
        if (!record.write(input)) {
            ADD_FAILURE() << "cannot write the input file " << Utf8(file);
            break;
        }
        g_crash.seed = budget.seed;
        g_crash.iteration = i;
        g_crash.size = input.size();
        const LONG faultsBefore = g_crash.faults;
        const int failedBefore = FailedParts();
        {
            SCOPED_TRACE(::testing::Message() << "fuzz " << target.name << ": seed " << budget.seed << ", iteration "
                                              << i << ", " << input.size() << " bytes");
            target.run(input);
        }
        ++outcome.iterations;
        const bool faulted = g_crash.faults != faultsBefore;
        if (!faulted && FailedParts() == failedBefore) continue;

        const std::wstring kept = TempFile("drvfuzz-" + target.name + "-s" + std::to_string(budget.seed) + "-i" +
                                           std::to_string(i) + ".bin");
        const bool saved = WriteWhole(kept, input);
        ADD_FAILURE() << "fuzz " << target.name << ": " << (faulted ? "a fault (handled) " : "")
                      << "failing input at seed " << budget.seed << ", iteration " << i << ", " << input.size()
                      << " bytes" << (saved ? ", kept in " + Utf8(kept) : ", which could not be kept");
        if (++outcome.failingInputs >= maxFailingInputs) {
            ADD_FAILURE() << "fuzz " << target.name << ": stopped after " << outcome.failingInputs
                          << " failing inputs";
            break;
        }
    }
    return outcome;
}

GuardedBlock::GuardedBlock(size_t capacity)
{
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize ? system.dwPageSize : 4096;
    const size_t usable = (std::max<size_t>(capacity, 1) + page - 1) / page * page;
    reserved_ = usable + page;
    auto* base = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, reserved_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base) return;
    DWORD old = 0;
    if (!VirtualProtect(base + usable, page, PAGE_NOACCESS, &old)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return;
    }
    base_ = base;
    limit_ = base + usable;
    capacity_ = usable;
}

GuardedBlock::~GuardedBlock()
{
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}

std::uint8_t* GuardedBlock::place(const std::uint8_t* data, size_t size, size_t n, std::uint8_t fill) const
{
    std::uint8_t* at = end(n);
    if (!at) return nullptr;
    const size_t copied = std::min(size, n);
    if (copied) memcpy(at, data, copied);
    if (n > copied) memset(at + copied, fill, n - copied);
    return at;
}

}  // namespace drvfuzz
