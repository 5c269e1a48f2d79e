// System language, Japanese-locale test, automation accounts and the validation-code switch.
#include "localeinfo.h"

#include "wstrbuf.h"

BOOL DrvGetSystemLanguage(WORD* language, WORD* codePage)
{
    WCHAR path[520];
    const UINT n = GetSystemDirectoryW(path, 520);
    if (n == 0 || n >= 520 || !WBufAppend(path, 520, L"\\USER.EXE")) return FALSE;

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) return FALSE;
    HGLOBAL block = GlobalAlloc(GHND, size);
    if (!block) return FALSE;
    void* data = GlobalLock(block);
    BOOL found = FALSE;
    if (data && GetFileVersionInfoW(path, 0, size, data)) {
        void* entry = nullptr;
        UINT len = 0;
        if (VerQueryValueW(data, L"\\VarFileInfo\\Translation", &entry, &len) && entry && len >= 4) {
            const WORD* words = static_cast<const WORD*>(entry);
            if (language) *language = words[0];
            if (codePage) *codePage = words[1];
            found = TRUE;
        }
    }
    if (data) GlobalUnlock(block);
    GlobalFree(block);
    return found;
}

BOOL DrvIsJapaneseLocale()
{
    WCHAR country[6] = L"";
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, ARRAYSIZE(country))) return 0;
    return lstrcmpW(country, L"81") == 0 ? 1 : 0;
}

#ifndef DRV_BUILD_UM

namespace {

struct AutomationAccount {
    WCHAR userName[261];
    DWORD result;
};

struct AutomationAccountTable {
    DWORD count;
    AutomationAccount rows[2];
};

constexpr AutomationAccountTable kAutomationAccounts = {
    2,
    {
        {L"QAHarnessAdmin1", 1},
        {L"QAHarnessStd", 2},
    },
};

}  // namespace

DWORD DrvLookupAutomationAccount(LPCWSTR userName)
{
    if (!userName) return 0;
    for (DWORD i = 0; i < kAutomationAccounts.count; ++i)
        if (lstrcmpW(kAutomationAccounts.rows[i].userName, userName) == 0) return kAutomationAccounts.rows[i].result;
    return 0;
}

BOOL DrvIsValCodeAvailable()
{
    return 1;
}

#endif
