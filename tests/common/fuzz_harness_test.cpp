// The mutation fuzz harness itself: inputs made from the seed and the iteration alone, bounded,
// and varied; a crash or an undefined-behaviour trap in a target names its input before the
// program ends (shown on a child program that crashes on purpose).
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#ifndef DRV_BUILD_UM

#include "fuzz.h"
#include "test_files.h"

namespace {

using drvfuzz::Bytes;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Sets an environment variable of this process (NULL: removes it) and puts back the value it had,
// so that a long run asked for in the environment stays asked for after these tests.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name)
    {
        wchar_t old[256];
        const DWORD n = GetEnvironmentVariableW(name, old, 256);
        had_ = n > 0 && n < 256;
        if (had_) old_ = old;
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* name_;
    std::wstring old_;
    bool had_ = false;
};

drvfuzz::Target SampleTarget()
{
    drvfuzz::Target t;
    t.name = "harness-sample";
    t.corpus = {Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, Bytes{0x20, 0x00, 0x30, 0x00, 0xAA, 0xBB}};
    t.sizeFields = {{0, 2}, {2, 2}};
    t.maxSize = 64;
    return t;
}

TEST(FuzzHarness, InputsFollowFromSeedAndIteration)
{
    const drvfuzz::Target t = SampleTarget();
    EXPECT_EQ(drvfuzz::MakeInput(t, 5, 0), t.corpus[0]);
    EXPECT_EQ(drvfuzz::MakeInput(t, 5, 1), t.corpus[1]);

    std::set<Bytes> distinct;
    bool shorter = false, longer = false, differsBySeed = false;
    for (std::uint64_t i = 2; i < 2000; ++i) {
        const Bytes a = drvfuzz::MakeInput(t, 5, i);
        ASSERT_EQ(a, drvfuzz::MakeInput(t, 5, i)) << "iteration " << i;
        ASSERT_LE(a.size(), t.maxSize);
        differsBySeed = differsBySeed || a != drvfuzz::MakeInput(t, 6, i);
        distinct.insert(a);
        shorter = shorter || a.size() < 6;
        longer = longer || a.size() > 12;
    }
    EXPECT_TRUE(differsBySeed);
    EXPECT_GT(distinct.size(), 1000u);
    EXPECT_TRUE(shorter);
    EXPECT_TRUE(longer);
}

TEST(FuzzHarness, BudgetFromTheEnvironment)
{
    struct Case {
        const wchar_t* iterations;
        const wchar_t* seed;
        std::uint64_t wantIterations, wantSeed;
    };
    const Case cases[] = {
        {nullptr, nullptr, 100, 1},
        {L"2500000", L"17", 2500000, 17},
        {L"12x", L"0x1F", 100, 31},  // not a number: the default
        {L"", L"-3", 100, 1},
    };
    for (const Case& c : cases) {
        const ScopedVariable iterations(L"DRV_FUZZ_ITERATIONS", c.iterations), seed(L"DRV_FUZZ_SEED", c.seed);
        const drvfuzz::Budget b = drvfuzz::Budget::FromEnvironment(100);
        EXPECT_EQ(b.iterations, c.wantIterations);
        EXPECT_EQ(b.seed, c.wantSeed);
    }
}

TEST(FuzzHarness, QuietRunLeavesNothingBehind)
{
    drvfuzz::Target t = SampleTarget();
    std::set<Bytes> seen;
    t.run = [&seen](const Bytes& input) { seen.insert(input); };
    const drvfuzz::Outcome outcome = drvfuzz::Run(t, {50, 9});
    EXPECT_EQ(outcome.iterations, 50u);
    EXPECT_EQ(outcome.failingInputs, 0u);
    EXPECT_GT(seen.size(), 40u);
    EXPECT_FALSE(FileExists(drvfuzz::CurrentInputFile(t.name)));
}

// The probe: at iteration 3 its target fails an invariant, faults or traps, as DRV_FUZZ_PROBE
// says. It is a test only in the child program that FailureOrCrashNamesTheInput starts with
// that variable set.
class ProbeTest : public ::testing::Test {
public:
    explicit ProbeTest(std::wstring kind) : kind_(std::move(kind)) {}
    void TestBody() override
    {
        drvfuzz::GuardedBlock block(16);
        ASSERT_TRUE(block.ok());
        drvfuzz::Target t = SampleTarget();
        int calls = 0;
        t.run = [&](const Bytes& input) {
            if (calls++ != 3) return;
            if (kind_ == L"fail") {
                ADD_FAILURE() << "the probe's invariant";
                return;
            }
            if (kind_ == L"trap") __builtin_trap();
            volatile std::uint8_t* past = block.end(0);
            *past = input.empty() ? 0 : input[0];  // the inaccessible page
        };
        drvfuzz::Run(t, drvfuzz::Budget::FromEnvironment(10));
    }

private:
    std::wstring kind_;
};

[[maybe_unused]] const bool g_probeRegistered = [] {
    wchar_t kind[16] = L"";
    const DWORD n = GetEnvironmentVariableW(L"DRV_FUZZ_PROBE", kind, 16);
    if (n == 0 || n >= 16) return false;
    const std::wstring probe = kind;
    ::testing::RegisterTest("FuzzHarnessProbe", "Target", nullptr, nullptr, __FILE__, __LINE__,
                            [probe]() -> ProbeTest* { return new ProbeTest(probe); });
    return true;
}();

// Runs this program's probe target in a child; returns its output and exit code.
std::string RunProbeChild(const wchar_t* kind, DWORD* exitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return {};
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --gtest_filter=FuzzHarnessProbe.Target";
    // The child inherits these.
    const ScopedVariable probe(L"DRV_FUZZ_PROBE", kind), seed(L"DRV_FUZZ_SEED", L"77"),
        iterations(L"DRV_FUZZ_ITERATIONS", L"10");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    const BOOL started =
        CreateProcessW(exe, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(write);
    std::string output;
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof(buffer), &got, nullptr) && got) output.append(buffer, got);
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(read);
    return output;
}

TEST(FuzzHarness, FailureOrCrashNamesTheInput)
{
    const Bytes input = drvfuzz::MakeInput(SampleTarget(), 77, 3);
    const std::string bytes = std::to_string(input.size()) + " bytes";
    struct Case {
        const wchar_t* kind;
        std::string head;  // what precedes the file's path
    };
    const Case cases[] = {
        {L"fail", "fuzz harness-sample: failing input at seed 77, iteration 3, " + bytes + ", kept in "},
        {L"fault", "fuzz: harness-sample: exception 0xC0000005 at seed 77, iteration 3: input (" + bytes + ") in "},
        {L"trap", "fuzz: harness-sample: exception 0xC000001D at seed 77, iteration 3: input (" + bytes + ") in "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.kind));
        DWORD exitCode = 0;
        const std::string output = RunProbeChild(c.kind, &exitCode);
        EXPECT_NE(exitCode, 0u);
        const size_t at = output.find(c.head);
        ASSERT_NE(at, std::string::npos) << output;
        const size_t start = at + c.head.size();
        const std::string file = output.substr(start, output.find_first_of(" \r\n", start) - start);
        EXPECT_NE(file.find("drvfuzz-harness-sample-"), std::string::npos) << file;
        EXPECT_EQ(ReadTextFile(Widen(file)), std::string(input.begin(), input.end())) << file;
        DeleteFileW(Widen(file).c_str());
    }
}

}  // namespace

#endif  // DRV_BUILD_UM
