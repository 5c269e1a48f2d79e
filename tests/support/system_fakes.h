// Fixed answers from the system, for tests: each object replaces one system function in a
// module's import table while it lives (the test program's own module by default, where the
// model data library is linked in). One object of a kind at a time.
#pragma once
#include <windows.h>

#include <string>

#include "import_patch.h"

// GetVersion answers version (major in the low byte, minor in the next, build above); the
// major and minor also answer GetVersionExW.
class FixedVersion {
public:
    explicit FixedVersion(DWORD version, HMODULE module = SelfModule());
    ~FixedVersion();
    bool active() const { return getVersion_.active(); }

private:
    ImportPatch getVersion_, getVersionEx_;
};

// GetLocaleInfoW answers country for LOCALE_ICOUNTRY of any locale (NULL: the call fails);
// other questions go to the system.
class FixedLocaleCountry {
public:
    explicit FixedLocaleCountry(const wchar_t* country, HMODULE module = SelfModule());
    ~FixedLocaleCountry();
    bool active() const { return patch_.active(); }

private:
    ImportPatch patch_;
};

// GetUserNameW answers the given user name.
class FixedUserName {
public:
    explicit FixedUserName(const std::wstring& name, HMODULE module = SelfModule());
    ~FixedUserName();
    bool active() const { return patch_.active(); }

private:
    ImportPatch patch_;
};

// GetComputerNameW answers the given computer name.
class FixedComputerName {
public:
    explicit FixedComputerName(const std::wstring& name, HMODULE module = SelfModule());
    ~FixedComputerName();
    bool active() const { return patch_.active(); }

private:
    ImportPatch patch_;
};

// GetSystemDirectoryW answers folder (given without a trailing backslash).
class FixedSystemFolder {
public:
    explicit FixedSystemFolder(const std::wstring& folder, HMODULE module = SelfModule());
    ~FixedSystemFolder();
    bool active() const { return patch_.active(); }

private:
    ImportPatch patch_;
};

// SHGetFolderPathW answers folder for the all-users and the per-user application-data folders
// (CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA), so that a test's settings and caches go to a
// folder of its own; other folders come from the system.
class FixedAppDataFolder {
public:
    explicit FixedAppDataFolder(const std::wstring& folder, HMODULE module = SelfModule());
    ~FixedAppDataFolder();
    bool active() const { return patch_.active(); }

private:
    ImportPatch patch_;
};

// Writes a level-2 driver record that names the driver (pName) into a caller's buffer as the
// spooler does: needed always receives the size; FALSE with ERROR_INSUFFICIENT_BUFFER when the
// buffer is missing or short. For fakes of GetPrinterDriverW.
BOOL WriteDriverInfo2(LPCWSTR name, LPBYTE buffer, DWORD size, LPDWORD needed);
// The same for a level-2 printer record that names the printer (pPrinterName), for fakes of
// GetPrinterW.
BOOL WritePrinterInfo2(LPCWSTR name, LPBYTE buffer, DWORD size, LPDWORD needed);
