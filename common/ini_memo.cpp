// Values of INI files remembered while their file stays as it was; see ini_memo.h.
#include "ini_memo.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "drvglobals.h"

namespace {

// A value of this many characters or more may have been cut by the buffer it was read into: it
// is not kept.
constexpr DWORD kKeptCch = 1024;
// The values kept at most; when all are taken the memory starts again empty.
constexpr size_t kMaxEntries = 128;

// What tells a file's state: its write time and size.
struct FileState {
    FILETIME written;
    DWORD sizeHigh, sizeLow;
    bool operator==(const FileState& o) const
    {
        return CompareFileTime(&written, &o.written) == 0 && sizeHigh == o.sizeHigh && sizeLow == o.sizeLow;
    }
};

bool ReadFileState(LPCWSTR file, FileState* state)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file, GetFileExInfoStandard, &data)) return false;
    *state = {data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow};
    return true;
}

struct Entry {
    std::wstring file, section, key, fallback;  // fallback: the default text, or the number
    bool number;
    FileState state;
    std::wstring text;  // the string read
    UINT value;         // the number read
};

// Guarded by the library's lock.
std::vector<Entry> g_entries;

bool Matches(const Entry& e, bool number, LPCWSTR file, LPCWSTR section, LPCWSTR key, const std::wstring& fallback)
{
    return e.number == number && e.file == file && e.section == section && e.key == key && e.fallback == fallback;
}

// The entry for the request when its file is as it was when the value was read: copied out.
bool Find(bool number, LPCWSTR file, LPCWSTR section, LPCWSTR key, const std::wstring& fallback,
          const FileState& state, Entry* out)
{
    EnterCriticalSection(&g_DllLock);
    const auto it = std::find_if(g_entries.begin(), g_entries.end(),
                                 [&](const Entry& e) { return Matches(e, number, file, section, key, fallback); });
    const bool found = it != g_entries.end() && it->state == state;
    if (found) *out = *it;
    LeaveCriticalSection(&g_DllLock);
    return found;
}

void Keep(Entry entry)
{
    EnterCriticalSection(&g_DllLock);
    const auto it = std::find_if(g_entries.begin(), g_entries.end(), [&](const Entry& e) {
        return Matches(e, entry.number, entry.file.c_str(), entry.section.c_str(), entry.key.c_str(), entry.fallback);
    });
    if (it != g_entries.end()) {
        *it = std::move(entry);
    } else {
        if (g_entries.size() >= kMaxEntries) g_entries.clear();
        g_entries.push_back(std::move(entry));
    }
    LeaveCriticalSection(&g_DllLock);
}

}  // namespace

DWORD DrvReadIniString(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText, LPWSTR out, DWORD size, LPCWSTR file)
{
    FileState state;
    if (!section || !key || !file || !out || size == 0 || !ReadFileState(file, &state))
        return GetPrivateProfileStringW(section, key, defaultText, out, size, file);
    const std::wstring fallback = defaultText ? defaultText : L"";
    Entry entry;
    if (!Find(false, file, section, key, fallback, state, &entry)) {
        // The state is taken before the value is read: a file changed in between is read again
        // next time.
        WCHAR buffer[kKeptCch];
        const DWORD n = GetPrivateProfileStringW(section, key, defaultText, buffer, kKeptCch, file);
        if (n >= kKeptCch - 1) return GetPrivateProfileStringW(section, key, defaultText, out, size, file);
        entry = {file, section, key, fallback, false, state, std::wstring(buffer, n), 0};
        Keep(entry);
    }
    // As the profile functions answer a buffer too small: as much as fits, terminated.
    const DWORD n = std::min<DWORD>(static_cast<DWORD>(entry.text.size()), size - 1);
    wmemcpy(out, entry.text.c_str(), n);
    out[n] = L'\0';
    return n;
}

UINT DrvReadIniInt(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file)
{
    FileState state;
    if (!section || !key || !file || !ReadFileState(file, &state))
        return GetPrivateProfileIntW(section, key, defaultValue, file);
    const std::wstring fallback = std::to_wstring(defaultValue);
    Entry entry;
    if (Find(true, file, section, key, fallback, state, &entry)) return entry.value;
    const UINT value = GetPrivateProfileIntW(section, key, defaultValue, file);
    Keep({file, section, key, fallback, true, state, std::wstring(), value});
    return value;
}
