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

// Reads through a profile call that fills a buffer and reports the characters it wrote, with room
// for first characters at first; only a result shorter than the buffer less two is known to be
// whole (a cut value reads as cch - 1 characters, a cut list as cch - 2).
template <class Read>
bool ReadGrowing(HeapText& text, size_t first, Read read)
{
    for (size_t cch = first < 256 ? 256 : first;; cch *= 2) {
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

// Characters that hold any text read from a profile file: it has no more characters than bytes.
// Reads get that room at once, since every profile call may read the whole file again.
size_t RoomForAll(LPCWSTR file)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file, GetFileExInfoStandard, &data) || data.nFileSizeHigh) return 0;
    return data.nFileSizeLow < kProfileTextMaxCch ? data.nFileSizeLow + 2 : kProfileTextMaxCch;
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

bool IsLineEnd(WCHAR c) { return c == L'\r' || c == L'\n'; }

// Whether two names are the same but for case, as the profile functions compare names.
bool SameName(const WCHAR* a, size_t aCch, const WCHAR* b, size_t bCch)
{
    if (aCch != bCch) return false;
    if (aCch == 0) return true;
    HeapText upper;
    if (!upper.Reserve(2 * aCch)) return false;
    WCHAR* x = upper.Data();
    WCHAR* y = x + aCch;
    const int n = static_cast<int>(aCch);
    return LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, a, n, x, n) == n &&
           LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, b, n, y, n) == n && wmemcmp(x, y, aCch) == 0;
}

// The first section of a profile file's text named section: where its lines start (after its
// header line) and end (at the next header, or the end). False when there is none.
bool FindSection(const WCHAR* text, size_t n, LPCWSTR section, size_t* bodyStart, size_t* bodyEnd)
{
    // The name as the profile functions compare it: without the white space around it, any case.
    size_t nameStart = 0, nameEnd = wcslen(section);
    while (nameStart < nameEnd && TrimmedSpace(section[nameStart])) ++nameStart;
    while (nameEnd > nameStart && TrimmedSpace(section[nameEnd - 1])) --nameEnd;
    bool inside = false;
    for (size_t line = 0; line < n;) {
        size_t end = line;
        while (end < n && !IsLineEnd(text[end])) ++end;
        size_t next = end;
        while (next < n && IsLineEnd(text[next]) && next - end < 2 && (next == end || text[next] != text[end])) ++next;
        size_t at = line;
        while (at < end && TrimmedSpace(text[at])) ++at;
        if (at < end && text[at] == L'[') {
            if (inside) {
                *bodyEnd = line;
                return true;
            }
            size_t close = at + 1;
            while (close < end && text[close] != L']') ++close;
            size_t from = at + 1, to = close;
            while (from < to && TrimmedSpace(text[from])) ++from;
            while (to > from && TrimmedSpace(text[to - 1])) --to;
            if (close < end && SameName(text + from, to - from, section + nameStart, nameEnd - nameStart)) {
                inside = true;
                *bodyStart = next;
            }
        }
        line = next;
    }
    *bodyEnd = n;
    return inside;
}

// Writes the lines of a section straight into a UTF-16 profile file (little-endian with its
// mark), in one pass over the file: the profile functions' own writer takes time growing with
// the square of the lines. The rest of the file stays as it is; a missing section is added at
// the end. False, with the file untouched, when it is not such a file or cannot be read or
// written; the caller holds the file's lock.
bool WriteUtf16Section(LPCWSTR path, LPCWSTR section, const WCHAR* lines, size_t linesCch)
{
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HeapArray<BYTE> bytes;
    bool ok = ReadWholeFile(file, bytes) && bytes.Size() >= 2 && bytes.Size() % 2 == 0 &&
              bytes.Data()[0] == kUtf16Mark[0] && bytes.Data()[1] == kUtf16Mark[1];
    HeapText out;
    if (ok) {
        const size_t n = (bytes.Size() - 2) / sizeof(WCHAR);
        HeapText text;
        ok = text.Reserve(n + 1);
        if (ok && n) memcpy(text.Data(), bytes.Data() + 2, n * sizeof(WCHAR));
        size_t bodyStart = n, bodyEnd = n;
        const bool found = ok && FindSection(text.Data(), n, section, &bodyStart, &bodyEnd);
        // The text before the section's lines, a header when it is new, the lines, the rest.
        ok = ok && out.Reserve(1 + n + wcslen(section) + 8 + linesCch + linesCch / 2 + 4);
        if (ok) {
            WCHAR* p = out.Data();
            *p++ = 0xFEFF;
            wmemcpy(p, text.Data(), bodyStart);
            p += bodyStart;
            if (bodyStart > 0 && !IsLineEnd(text.Data()[bodyStart - 1])) p = wmemcpy(p, L"\r\n", 2) + 2;
            if (!found) {
                *p++ = L'[';
                p = wmemcpy(p, section, wcslen(section)) + wcslen(section);
                p = wmemcpy(p, L"]\r\n", 3) + 3;
            }
            for (const WCHAR* line = lines; *line;) {
                const size_t cch = wcslen(line);
                p = wmemcpy(p, line, cch) + cch;
                p = wmemcpy(p, L"\r\n", 2) + 2;
                line += cch + 1;
            }
            if (bodyEnd < n) p = wmemcpy(p, L"\r\n", 2) + 2;  // a blank line before the next section
            wmemcpy(p, text.Data() + bodyEnd, n - bodyEnd);
            p += n - bodyEnd;
            out.SetSize(static_cast<size_t>(p - out.Data()));
        }
    }
    if (ok) {
        LARGE_INTEGER start = {};
        const DWORD size = static_cast<DWORD>(out.Size() * sizeof(WCHAR));
        ok = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && WriteAll(file, out.Data(), size) && SetEndOfFile(file);
        // A failed write puts back what was there, as far as it can.
        if (!ok && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
            WriteAll(file, bytes.Data(), static_cast<DWORD>(bytes.Size())))
            SetEndOfFile(file);
    }
    CloseHandle(file);
    return ok;
}

}  // namespace

bool ReadProfileWhole(LPCWSTR section, LPCWSTR key, LPCWSTR file, HeapText& text)
{
    return ReadGrowing(text, RoomForAll(file), [&](LPWSTR buffer, DWORD cch) {
        return GetPrivateProfileStringW(section, key, L"", buffer, cch, file);
    });
}

bool ReadProfileSection(LPCWSTR section, LPCWSTR file, HeapText& lines)
{
    return ReadGrowing(lines, RoomForAll(file),
                       [&](LPWSTR buffer, DWORD cch) { return GetPrivateProfileSectionW(section, buffer, cch, file); });
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
    if (!Prepare()) return false;
    if (!WriteUtf16Section(path_, section, lines, linesCch)) return WritePrivateProfileSectionW(section, lines, path_);
    FlushProfileFile(path_);
    return true;
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
