// Profile files changed by several processes; see settings_ini.h.
#include "settings_ini.h"

#include <cstring>
#include <cwchar>

#include "wstrbuf.h"

namespace {

// Longest profile text read, in characters: far beyond any value, key list or section of these
// files, a bound only against a file that keeps growing while it is read.
constexpr size_t kProfileTextMaxCch = size_t{1} << 24;
// Largest file rewritten as UTF-16.
constexpr DWORD kConvertMaxBytes = DWORD{1} << 26;

constexpr BYTE kUtf16Mark[] = {0xFF, 0xFE};

// Reads through a profile call that fills a buffer and reports the characters it wrote; only a
// result shorter than the buffer less two is known to be whole (a cut value reads as cch - 1
// characters, a cut list as cch - 2).
template <class Read>
bool ReadGrowing(HeapText& text, Read read)
{
    for (size_t cch = 256;; cch *= 2) {
        if (!text.Reserve(cch)) return false;
        const DWORD n = read(text.Data(), static_cast<DWORD>(cch));
        if (n + 2 < cch) {
            text.Data()[n] = L'\0';
            text.Data()[n + 1] = L'\0';
            text.SetSize(n);
            return true;
        }
        if (cch >= kProfileTextMaxCch) return false;
    }
}

bool ReadWholeFile(HANDLE file, HeapArray<BYTE>& bytes)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kConvertMaxBytes) return false;
    const DWORD want = static_cast<DWORD>(size.QuadPart);
    if (!bytes.Reserve(want + 1)) return false;
    DWORD got = 0;
    if (want && (!ReadFile(file, bytes.Data(), want, &got, nullptr) || got != want)) return false;
    bytes.SetSize(got);
    return true;
}

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Whether a file's first bytes name a Unicode form the profile functions keep (UTF-16 either
// way round, UTF-8 with its mark).
bool StartsUnicode(const BYTE* bytes, size_t n)
{
    if (n >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) return true;
    return n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
}

// Makes path a UTF-16 file (see ProfileEncoding::Unicode). The caller holds the file's lock.
bool MakeUnicode(LPCWSTR path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HeapArray<BYTE> bytes;
    bool ok = ReadWholeFile(file, bytes);
    if (ok && !StartsUnicode(bytes.Data(), bytes.Size())) {
        // The profile functions read a file without a mark in the ANSI code page: so does this.
        HeapText text;
        const int n = bytes.Size() ? MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<LPCSTR>(bytes.Data()),
                                                         static_cast<int>(bytes.Size()), nullptr, 0)
                                   : 0;
        ok = (bytes.Size() == 0 || n > 0) && text.Reserve(static_cast<size_t>(n) + 1);
        if (ok && n)
            ok = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<LPCSTR>(bytes.Data()), static_cast<int>(bytes.Size()),
                                     text.Data(), n) == n;
        LARGE_INTEGER start = {};
        ok = ok && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && WriteAll(file, kUtf16Mark, sizeof kUtf16Mark) &&
             WriteAll(file, text.Data(), static_cast<DWORD>(n) * sizeof(WCHAR)) && SetEndOfFile(file);
    }
    CloseHandle(file);
    return ok;
}

// Whether a character of outside text could change a profile file's structure in a section name.
bool UnsafeInSection(WCHAR c)
{
    return c < 0x20 || c == 0x7F || c == L'[' || c == L']' || c == L',' || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// White space that the profile functions trim around a section name.
bool TrimmedSpace(WCHAR c)
{
    WORD type = 0;
    return GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE);
}

}  // namespace

bool ReadProfileWhole(LPCWSTR section, LPCWSTR key, LPCWSTR file, HeapText& text)
{
    return ReadGrowing(text, [&](LPWSTR buffer, DWORD cch) {
        return GetPrivateProfileStringW(section, key, L"", buffer, cch, file);
    });
}

bool ReadProfileSection(LPCWSTR section, LPCWSTR file, HeapText& lines)
{
    return ReadGrowing(lines, [&](LPWSTR buffer, DWORD cch) { return GetPrivateProfileSectionW(section, buffer, cch, file); });
}

void FlushProfileFile(LPCWSTR path)
{
    if (path && path[0]) WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
}

ProfileEdit::ProfileEdit(LPCWSTR path, ProfileEncoding encoding) : path_(path), lock_(path), encoding_(encoding)
{
    if (lock_.Held()) FlushProfileFile(path_);
}

ProfileEdit::~ProfileEdit()
{
    // What this process keeps of the file is what it wrote; the next edit reads the disk anyway.
    if (prepared_) FlushProfileFile(path_);
}

bool ProfileEdit::Prepare()
{
    if (!lock_.Held()) return false;
    if (prepared_) return true;
    if (encoding_ == ProfileEncoding::Unicode) {
        MakeUnicode(path_);
        FlushProfileFile(path_);
    }
    prepared_ = true;
    return true;
}

bool ProfileEdit::SetValue(LPCWSTR section, LPCWSTR key, LPCWSTR value)
{
    if (!lock_.Held()) return false;
    // A missing key reads as empty too: an empty value is always written.
    HeapText now;
    if (value[0] && ReadProfileWhole(section, key, path_, now) && wcscmp(now.Data(), value) == 0) return true;
    return Prepare() && WritePrivateProfileStringW(section, key, value, path_);
}

bool ProfileEdit::SetSection(LPCWSTR section, const WCHAR* lines, size_t linesCch, const WCHAR* current,
                             size_t currentCch)
{
    if (!lock_.Held()) return false;
    if (linesCch == currentCch && wmemcmp(lines, current, linesCch) == 0) return true;
    return Prepare() && WritePrivateProfileSectionW(section, lines, path_);
}

BOOL SettingsSectionName(LPCWSTR text, LPCWSTR suffix, LPWSTR out, size_t cchOut)
{
    if (!out || cchOut == 0) return FALSE;
    out[0] = L'\0';
    if (!text || !text[0]) return FALSE;
    const size_t n = wcslen(text);
    // Leading white space, and trailing white space when the text ends the section, would be
    // trimmed away.
    size_t lead = 0;
    while (lead < n && TrimmedSpace(text[lead])) ++lead;
    size_t tail = n;
    if (!suffix || !suffix[0] || TrimmedSpace(suffix[0]))
        while (tail > lead && TrimmedSpace(text[tail - 1])) --tail;
    size_t used = 0;
    bool fits = true;
    for (size_t i = 0; i < n && fits; ++i) {
        const WCHAR c = text[i];
        if (UnsafeInSection(c) || i < lead || i >= tail) {
            fits = used + 5 < cchOut;
            if (fits) used += static_cast<size_t>(swprintf(out + used, 6, L",%04X", static_cast<unsigned>(c)));
        } else {
            fits = used + 1 < cchOut;
            if (fits) out[used++] = c;
        }
    }
    if (fits) {
        out[used] = L'\0';
        fits = !suffix || WBufAppend(out, cchOut, suffix);
    }
    if (!fits) out[0] = L'\0';
    return fits;
}
