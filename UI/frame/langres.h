// The user-interface language and the resource libraries that hold the library's words and
// dialogs.
//
// No user-visible text or dialog template lives in the user-interface library itself. They come
// from a string library and a dialog library per language, found by a file-name pattern with one
// "%s" for the three-letter language abbreviation of Windows (VRDAS%s.DLL, VRDAR%s.DLL: the
// string library for English is VRDASENU.DLL). A library may also hold several languages, either
// as real resource languages (multilingual) or under resource ids shifted by a per-language
// offset (one block of ids a language).
//
// The candidate languages, in order: the language forced in the registry (and its primary
// language), the user's default locale (and its primary language), the registry's default
// language, and English (United States, 1033). A language Windows has no abbreviation for is
// left out. The list is built anew on each use, so a change in the registry takes effect at the
// next load.
//
// No lock is taken around the registry of loaded libraries or the language lookups.
#pragma once
#include <windows.h>

#include <cstddef>

#include "module.h"

// File-name patterns of the string and dialog libraries of this module code, and the tag that
// stands for a locally made library when no candidate language has one.
#define DRV_STRING_RES_PATTERN DRV_MODULE_NAMEW L"S%s.DLL"
#define DRV_DIALOG_RES_PATTERN DRV_MODULE_NAMEW L"R%s.DLL"
inline constexpr WCHAR LANGRES_LOCAL_TAG[] = L"LOC";

// The language key below HKEY_LOCAL_MACHINE (read only): values LanguageID (REG_DWORD, the
// language forced for the user interface), DefaultLanguageID (REG_DWORD, the language used when
// neither the forced nor the user's language is available), and string values named by a
// library's name whose text replaces that name. Below it, a subkey per library (named by the
// library's name) with REG_DWORD values named by a LANGID in decimal, whose low word is the
// resource-id offset of that language in that library.
inline constexpr WCHAR LANGRES_REGISTRY_KEY[] = L"SOFTWARE\\Velmora\\VXLTLG\\0.0";
inline constexpr WCHAR LANGRES_VALUE_LANGUAGE[] = L"LanguageID";
inline constexpr WCHAR LANGRES_VALUE_DEFAULT_LANGUAGE[] = L"DefaultLanguageID";

// Ends a candidate-language list and a module row's list.
constexpr DWORD LANGLIST_END = 0xFFFFFFFF;
// Entries of a module row's list, the terminator included. A candidate list holds at most
// LANGLIST_MAX_CANDIDATES languages (forced and its primary, user and its primary, default,
// English) and its terminator, so it always fits.
constexpr size_t LANGLIST_ENTRIES = 8;
constexpr size_t LANGLIST_MAX_CANDIDATES = 6;
static_assert(LANGLIST_MAX_CANDIDATES + 1 <= LANGLIST_ENTRIES);
// The language that is always a candidate, last.
constexpr LANGID LANGRES_ENGLISH = 1033;
// Answer of LangIdToResOffset for a language the built-in table does not hold.
constexpr WORD LANGRES_NO_OFFSET = 0xFFFF;
// Longest library name (in characters) that a registry value can put in place of a name.
constexpr size_t LANGRES_NAME_MAX_CCH = 512;

// One row of the built-in language table: the three-letter tag, the language and the offset of
// its resource ids in a library that holds several languages under shifted ids.
struct LANGRESINFO {
    WCHAR szTag[4];
    LANGID wLangId;
    WORD wOffset;
};
constexpr size_t LANGUAGE_TABLE_ROWS = 25;
extern const LANGRESINFO g_LanguageTable[LANGUAGE_TABLE_ROWS];

// One row of the registry of libraries loaded by fixed name. hModule NULL is a free row. For a
// multilingual library (dwMultilingual 1) the list holds the candidate LANGIDs, otherwise the
// resource-id offset of each candidate; it ends with LANGLIST_END.
struct RESMODULEINFO {
    HMODULE hModule;
    DWORD dwMultilingual;
    DWORD adwList[LANGLIST_ENTRIES];
};
constexpr size_t RESMODULE_ROWS = 8;
extern RESMODULEINFO g_ResModules[RESMODULE_ROWS];

// Fills list with the candidate languages followed by LANGLIST_END and returns their number
// (1033 included, the terminator not counted).
int GetUiLanguageList(DWORD (&list)[LANGLIST_ENTRIES]);

// The offset of a language in the built-in table; LANGRES_NO_OFFSET when it has no row.
WORD LangIdToResOffset(LANGID language);

// The resource-id offset a library that holds several languages under shifted ids uses for a
// language: the library's registry subkey (the language, then its primary language), then the
// built-in table (likewise); 0 when nothing is known.
WORD GetLangResOffset(LANGID language, LPCWSTR libraryName);

// Loads a string or dialog library by full path or by pattern. A registry string value named
// exactly by name and holding more than one byte replaces name (its text, at most
// LANGRES_NAME_MAX_CCH characters). A name with '%' is loaded by LoadLocalizedModule and not
// registered; any other name is loaded and registered by RegisterResModule. NULL when nothing
// loads. The caller releases the library with FreeResModule.
HMODULE LoadResModule(LPCWSTR name);

// Loads the first library of pattern that exists over the candidate languages: for each
// candidate that Windows has an abbreviation for, the pattern with that abbreviation, then with
// LANGRES_LOCAL_TAG. The abbreviation goes in place of the pattern's first "%s"; every other
// character of the pattern is taken as it stands. NULL when nothing loads.
HMODULE LoadLocalizedModule(LPCWSTR pattern);

// Loads a library by fixed name and enters it in the first free row of g_ResModules with the
// candidate languages (multilingual library) or their offsets. NULL when every row is in use or
// the library does not load (the row stays free). A library registered twice takes two rows.
HMODULE RegisterResModule(LPCWSTR name);

// The row of a library in g_ResModules; -1 when it has none (also for NULL).
int FindResModuleIndex(HMODULE module);

// Clears the library's row (if any) and frees the library. NULL and this library's own module
// (g_hInst, the last fallback of the string and dialog modules) are left alone.
void FreeResModule(HMODULE module);

// Resolves a path that may carry a language pattern to an existing file (opened for reading,
// shared for reading). A path without '%' is found when the file exists, and stays unchanged.
// A path with '%' takes the abbreviation of each candidate language in turn (in place of its
// first "%s"), then LANGRES_LOCAL_TAG once; the first existing file that fits in cchPath
// characters replaces the path. 1 when found, else 0 with the path unchanged.
BOOL FindLocalizedFile(LPWSTR path, size_t cchPath);

// The language of a resource that best matches language: the same language; else the last one
// with the same primary language, where for Chinese a choice that has a sub-language is replaced
// only by a language whose traditional bit (0x400) equals that of the wanted one. 0 when none.
LANGID GetBestResLang(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language);

// Finds, loads and locks a resource in the language order of the library's row in
// g_ResModules (row -1: a library loaded by pattern, or this library, looked up for the user's
// default language). Returns the loaded resource and sets *locked; NULL when it is not found or
// cannot be locked. The caller releases the returned handle with FreeResource.
HGLOBAL LockLangResource(HMODULE module, LPCWSTR name, LPCWSTR type, const void** locked, int row);

// The id under which a page template is to be requested from a library: for a library
// registered with offsets, id plus the first candidate's offset, otherwise id; 0 when the
// library has no resource of type under that id.
WORD FindLangResource(HMODULE module, WORD id, LPCWSTR type);

// Copies string id of the language that best matches the user's default language into buffer
// (cch characters): at most cch - 1 characters, terminated. Falls back to LoadStringW when the
// string block has no resource. Returns the number of characters copied; 0 with the buffer
// unchanged when the string is missing or empty, or cch is not above 0. A NULL module searches
// the process's executable, as the system does.
int LoadLangString(HMODULE module, UINT id, LPWSTR buffer, int cch);

// Runs a modal dialog from the template id of library in the language order of its row, with
// the given instance, owner, procedure and parameter. Returns the dialog's result; 0 without
// showing anything when the template is not found.
INT_PTR LangDialogBoxParam(HINSTANCE instance, HMODULE library, WORD templateId, HWND owner, DLGPROC dialogProc,
                           LPARAM param);
