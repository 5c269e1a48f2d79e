// Start-up and shutdown of the user-interface library: the process-wide state every other part
// of the library relies on (module handles, the operating-system version, the settings INI, the
// two tables of user-defined papers, the theme and mouse-tracking entry points), and the reload
// of the user-paper tables.
//
// User-interface library only.
#pragma once
#include <windows.h>
#include <uxtheme.h>

#include "drvglobals.h"
#include "settings_records.h"

#ifndef DRV_BUILD_UM

// Module that strings are loaded from: the library itself at start, replaced by the sheet and
// capability entry points with the language library they load.
extern HMODULE g_hStringRes;
// Module that dialog templates are loaded from; the library itself at start.
extern HMODULE g_hDialogRes;
// Module of the support page; NULL at start.
extern HMODULE g_hSupportRes;
// The operating-system version, read once at process attach.
extern OSVERSIONINFOW g_OsVersion;

// Full path of the settings INI (machine-wide data folder, a backslash, "VRDA.INI"). It is the
// path the model data library keeps (DrvSetSettingsIniPath / DrvGetSettingsIniPath), so the
// frame and the model data library always use the same file; empty until process attach has
// built it, and also when it would not fit MAX_PATH - 1 characters.
extern const LPCWSTR g_szSettingsIni;

// The theme library's entry points and mouse tracking, for the custom controls. The theme entry
// points are used only while g_bThemeAvailable is TRUE; g_pfnTrackMouseEvent is NULL when
// user32.dll lacks it or the theme library is unusable.
extern BOOL g_bThemeAvailable;
extern decltype(&::TrackMouseEvent) g_pfnTrackMouseEvent;
extern decltype(&::OpenThemeData) g_pfnOpenThemeData;
extern decltype(&::CloseThemeData) g_pfnCloseThemeData;
extern decltype(&::DrawThemeBackground) g_pfnDrawThemeBackground;
extern decltype(&::GetThemeBackgroundContentRect) g_pfnGetThemeBackgroundContentRect;
extern decltype(&::DrawThemeText) g_pfnDrawThemeText;
extern decltype(&::DrawThemeEdge) g_pfnDrawThemeEdge;

// Process attach without the library lock (DllMain makes g_DllLock before and deletes it after):
// keeps instance as g_hInst, g_hStringRes and g_hDialogRes, loads the paper names of the global
// paper table from the library's strings, reads the OS version, builds the settings INI path,
// flushes the system's cache of the settings INI, loads both user-paper tables unless they are
// loaded, takes the theme and mouse-tracking entry points and decides whether help can be shown.
// Never fails.
void DrvProcessAttach(HINSTANCE instance);
// Process detach before g_DllLock is deleted: frees the document-event table and the model table
// and releases user32.dll and UxTheme.dll. The user-paper tables and the resource modules are left.
void DrvProcessDetach();

// Takes the theme and mouse-tracking entry points (process attach), and releases them (detach).
void LoadThemeEntryPoints();
void FreeThemeEntryPoints();

// Most user papers a table holds: as many ids as the list of ids can carry ("id," at least two
// characters each within its 2048 characters). A larger numDefine is cut to it.
constexpr UINT USERPAPER_MAX_RECORDS = 1024;

// Builds g_UserPaperTable from [UserDefPaper] of the settings INI (the caller holds g_DllLock or
// runs at process attach; an existing table is replaced without being freed). The ids of
// PaperEntry are walked in order, at most numDefine of them; an id with a well-formed "Paper%d"
// value becomes the next record, an id without one (or outside 1..32767) is left out. The count
// is the number of stored records whose id was followed by a comma, so a list whose last id
// lacks its comma keeps that record out of the count. The highest id is the largest stored id,
// USERPAPER_FIRST_ID at least. A failed allocation leaves g_UserPaperTable NULL.
void LoadUserDefPaperList();

// Bring g_UserPaperTable / g_LongPaperTable up to date with the settings INI, under g_DllLock:
// the table is kept while the section's UpdateNo still equals the table's, else a new block is
// built. A superseded block that a reader holds locked is kept until a later reload finds it
// unlocked.
void ReloadUserDefPaperTable();
void ReloadUserDefLongTable();

// Parses a signed decimal field of a comma list into *out: a minus sign as first character makes
// it negative, further minus signs are skipped, the field ends at a comma, the end or any other
// non-digit. Returns the characters consumed (digits and minus signs, not the comma); an empty
// field gives 0 and returns 0. A magnitude beyond 32 bits is held at LONG_MAX (LONG_MIN).
int ParseListSignedNumber(LPCWSTR text, LONG* out);

#endif  // DRV_BUILD_UM
