// Questions about the system's language, the user's locale and the user's account.
#pragma once
#include <windows.h>

// Language id and code page of the system's user-interface files: the first entry of the
// translation table of USER.EXE in the system folder. Returns 0 and leaves both unset when the
// file has no version information or no translation entry.
BOOL DrvGetSystemLanguage(WORD* language, WORD* codePage);

// 1 when the country code of the user's default locale is exactly "81", else 0.
BOOL DrvIsJapaneseLocale();

#ifndef DRV_BUILD_UM
// The number that a built-in automation account stands for (1 or 2), 0 for any other user.
// Names compare case-sensitively.
DWORD DrvLookupAutomationAccount(LPCWSTR userName);

// Whether the validation-code feature may be offered: always.
BOOL DrvIsValCodeAvailable();
#endif
