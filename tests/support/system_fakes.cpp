#include "system_fakes.h"

#include <shlobj.h>
#include <winspool.h>

#include <cstring>
#include <cwchar>

namespace {

DWORD g_version;
const wchar_t* g_country;
bool g_countryFails;
std::wstring g_userName, g_computerName, g_systemFolder;
decltype(&GetLocaleInfoW) g_realGetLocaleInfo;
std::wstring g_appDataFolder;
decltype(&SHGetFolderPathW) g_realGetFolderPath;

// Copies text into a caller's buffer of *size characters, as the name queries do: on success
// *size becomes the length without the terminator; when it does not fit, *size becomes the
// length with it and the call fails with ERROR_INSUFFICIENT_BUFFER.
BOOL AnswerName(const std::wstring& text, LPWSTR buffer, LPDWORD size, bool sizeCountsTerminator)
{
    const DWORD needed = static_cast<DWORD>(text.size()) + 1;
    if (!size || !buffer || *size < needed) {
        if (size) *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    wmemcpy(buffer, text.c_str(), needed);
    *size = sizeCountsTerminator ? needed : needed - 1;
    return TRUE;
}

DWORD WINAPI FakeGetVersion() { return g_version; }

BOOL WINAPI FakeGetVersionExW(LPOSVERSIONINFOW info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const DWORD size = info->dwOSVersionInfoSize;
    memset(reinterpret_cast<BYTE*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
    info->dwMajorVersion = LOBYTE(LOWORD(g_version));
    info->dwMinorVersion = HIBYTE(LOWORD(g_version));
    info->dwBuildNumber = HIWORD(g_version) & 0x7FFF;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

int WINAPI FakeGetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size)
{
    if ((type & ~LOCALE_NOUSEROVERRIDE) != LOCALE_ICOUNTRY) return g_realGetLocaleInfo(locale, type, data, size);
    if (g_countryFails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int needed = static_cast<int>(wcslen(g_country)) + 1;
    if (size == 0) return needed;
    if (!data || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    wmemcpy(data, g_country, needed);
    return needed;
}

BOOL WINAPI FakeGetUserNameW(LPWSTR buffer, LPDWORD size) { return AnswerName(g_userName, buffer, size, true); }

BOOL WINAPI FakeGetComputerNameW(LPWSTR buffer, LPDWORD size)
{
    return AnswerName(g_computerName, buffer, size, false);
}

UINT WINAPI FakeGetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    const UINT n = static_cast<UINT>(g_systemFolder.size());
    if (!buffer || n + 1 > size) return n + 1;
    wmemcpy(buffer, g_systemFolder.c_str(), n + 1);
    return n;
}

HRESULT WINAPI FakeSHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path)
{
    const int folder = csidl & ~CSIDL_FLAG_MASK;
    if (folder != CSIDL_COMMON_APPDATA && folder != CSIDL_LOCAL_APPDATA)
        return g_realGetFolderPath(owner, csidl, token, flags, path);
    if (g_appDataFolder.size() >= MAX_PATH) return E_FAIL;
    wmemcpy(path, g_appDataFolder.c_str(), g_appDataFolder.size() + 1);
    return S_OK;
}

const void* Fn(auto* f) { return reinterpret_cast<const void*>(f); }

}  // namespace

FixedVersion::FixedVersion(DWORD version, HMODULE module)
    : getVersion_(module, "kernel32.dll", "GetVersion", Fn(&FakeGetVersion)),
      getVersionEx_(module, "kernel32.dll", "GetVersionExW", Fn(&FakeGetVersionExW))
{
    g_version = version;
}
FixedVersion::~FixedVersion() = default;

FixedLocaleCountry::FixedLocaleCountry(const wchar_t* country, HMODULE module)
    : patch_(module, "kernel32.dll", "GetLocaleInfoW", Fn(&FakeGetLocaleInfoW))
{
    g_country = country ? country : L"";
    g_countryFails = country == nullptr;
    g_realGetLocaleInfo = &GetLocaleInfoW;
    if (patch_.active()) g_realGetLocaleInfo = patch_.original<decltype(&GetLocaleInfoW)>();
}
FixedLocaleCountry::~FixedLocaleCountry() = default;

FixedUserName::FixedUserName(const std::wstring& name, HMODULE module)
    : patch_(module, "advapi32.dll", "GetUserNameW", Fn(&FakeGetUserNameW))
{
    g_userName = name;
}
FixedUserName::~FixedUserName() = default;

FixedComputerName::FixedComputerName(const std::wstring& name, HMODULE module)
    : patch_(module, "kernel32.dll", "GetComputerNameW", Fn(&FakeGetComputerNameW))
{
    g_computerName = name;
}
FixedComputerName::~FixedComputerName() = default;

FixedSystemFolder::FixedSystemFolder(const std::wstring& folder, HMODULE module)
    : patch_(module, "kernel32.dll", "GetSystemDirectoryW", Fn(&FakeGetSystemDirectoryW))
{
    g_systemFolder = folder;
}
FixedSystemFolder::~FixedSystemFolder() = default;

FixedAppDataFolder::FixedAppDataFolder(const std::wstring& folder, HMODULE module)
    : patch_(module, "shell32.dll", "SHGetFolderPathW", Fn(&FakeSHGetFolderPathW))
{
    g_appDataFolder = folder;
    g_realGetFolderPath = patch_.active() ? patch_.original<decltype(&SHGetFolderPathW)>() : &SHGetFolderPathW;
}
FixedAppDataFolder::~FixedAppDataFolder() = default;

namespace {

// A spooler record followed by the one name it points at, written into a caller's buffer as the
// spooler does; NULL when the buffer is missing or short.
template <class Record>
Record* WriteRecordWithName(LPCWSTR name, LPWSTR Record::*field, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    const DWORD nameBytes = static_cast<DWORD>((wcslen(name) + 1) * sizeof(WCHAR));
    *needed = static_cast<DWORD>(sizeof(Record)) + nameBytes;
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nullptr;
    }
    auto* record = reinterpret_cast<Record*>(buffer);
    std::memset(record, 0, sizeof *record);
    record->*field = reinterpret_cast<LPWSTR>(buffer + sizeof *record);
    std::memcpy(record->*field, name, nameBytes);
    return record;
}

}  // namespace

BOOL WriteDriverInfo2(LPCWSTR name, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    auto* info = WriteRecordWithName(name, &DRIVER_INFO_2W::pName, buffer, size, needed);
    if (info) info->cVersion = 3;
    return info != nullptr;
}

BOOL WritePrinterInfo2(LPCWSTR name, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    return WriteRecordWithName(name, &PRINTER_INFO_2W::pPrinterName, buffer, size, needed) != nullptr;
}
