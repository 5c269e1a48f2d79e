// The user-interface language, the string and dialog libraries of that language, and the
// strings and dialogs taken from them.
#include "langres.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "drvglobals.h"

const LANGRESINFO g_LanguageTable[LANGUAGE_TABLE_ROWS] = {
    {L"ENU", 1033, 0},     {L"JPN", 1041, 1000},  {L"DAN", 1030, 2000},  {L"NLD", 1043, 3000},
    {L"ENG", 2057, 4000},  {L"FIN", 1035, 5000},  {L"FRA", 1036, 6000},  {L"DEU", 1031, 7000},
    {L"ELL", 1032, 8000},  {L"HEB", 1037, 9000},  {L"ITA", 1040, 10000}, {L"NOR", 1044, 11000},
    {L"PTG", 2070, 12000}, {L"ESP", 1034, 13000}, {L"SVE", 1053, 14000}, {L"TRK", 1055, 15000},
    {L"BUL", 1026, 16000}, {L"CSY", 1029, 17000}, {L"HUN", 1038, 18000}, {L"PLK", 1045, 19000},
    {L"RUS", 1049, 20000}, {L"UKR", 1058, 21000}, {L"CHN", 2052, 22000}, {L"CHT", 1028, 23000},
    {L"KOR", 1042, 24000},
};

RESMODULEINFO g_ResModules[RESMODULE_ROWS] = {};

namespace {

// Primary languages occupy the low ten bits of a LANGID.
constexpr DWORD kPrimaryMask = 0x3FF;
constexpr DWORD kDefaultSublanguage = 0x400;
constexpr WORD kChinese = 0x04;
// The bit that tells the traditional Chinese variants from the simplified ones.
constexpr WORD kChineseTraditionalBit = 0x400;

// The language with its primary part kept and the default sub-language.
DWORD PrimaryWithDefault(DWORD language) { return (language & kPrimaryMask) | kDefaultSublanguage; }

// A library handle is only good above 31 (lower values were error codes of the old loader).
HMODULE Usable(HMODULE module) { return reinterpret_cast<UINT_PTR>(module) > 31 ? module : nullptr; }

// The three-letter abbreviation Windows gives the language; false when it has none (a value
// that is not a LANGID has none either).
bool Abbreviation(DWORD language, WCHAR (&abbreviation)[16])
{
    if (language > 0xFFFF) return false;
    abbreviation[0] = L'\0';
    return GetLocaleInfoW(MAKELCID(static_cast<LANGID>(language), SORT_DEFAULT), LOCALE_SABBREVLANGNAME,
                          abbreviation, static_cast<int>(std::size(abbreviation))) > 0;
}

// The pattern with tag in place of its first "%s". The pattern is a name from a data file or the
// registry, not a format: any other '%' stays as it is.
std::wstring PutTag(LPCWSTR pattern, LPCWSTR tag)
{
    std::wstring name(pattern);
    const size_t at = name.find(L"%s");
    if (at != std::wstring::npos) name.replace(at, 2, tag);
    return name;
}

bool ReadDword(HKEY key, LPCWSTR value, DWORD* out)
{
    DWORD type = 0, data = 0, cb = sizeof(data);
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &cb) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || cb != sizeof(data)) return false;
    *out = data;
    return true;
}

// The language key, or NULL when it does not exist.
HKEY OpenLanguageKey(LPCWSTR subkey = nullptr)
{
    std::wstring path(LANGRES_REGISTRY_KEY);
    if (subkey) path.append(L"\\").append(subkey);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// The text of the language key's string value named name, when it holds more than one byte; at
// most LANGRES_NAME_MAX_CCH characters. key is the open language key, or NULL when it is missing.
bool ReadReplacementName(HKEY key, LPCWSTR name, std::wstring* text)
{
    if (!key) return false;
    bool found = false;
    DWORD type = 0, cb = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &cb) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && cb > 1) {
        // Room for the value and a terminator, whether or not the value carries one.
        std::vector<WCHAR> data(cb / sizeof(WCHAR) + 1, L'\0');
        DWORD got = cb;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) ==
                ERROR_SUCCESS &&
            got <= cb) {
            const size_t n = wcsnlen(data.data(), got / sizeof(WCHAR));
            text->assign(data.data(), std::min(n, LANGRES_NAME_MAX_CCH));
            found = true;
        }
    }
    return found;
}

// Whether path names a file that can be opened for reading (shared for reading).
bool FileOpens(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

HMODULE LoadLibraryFile(const std::wstring& name) { return Usable(LoadLibraryW(name.c_str())); }

// The first resource type of a library with a numeric id other than RT_VERSION, and the number
// of languages of its first resource.
struct FirstResource {
    LPWSTR type = nullptr;
    int languages = 0;
};

BOOL CALLBACK TakeType(HMODULE, LPWSTR type, LONG_PTR param)
{
    if (!IS_INTRESOURCE(type) || type == RT_VERSION) return TRUE;
    reinterpret_cast<FirstResource*>(param)->type = type;
    return FALSE;
}

BOOL CALLBACK CountLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD, LONG_PTR param)
{
    ++reinterpret_cast<FirstResource*>(param)->languages;
    return TRUE;
}

// Counts the languages of the first name and ends the walk (a named resource's name is only
// valid during the walk).
BOOL CALLBACK CountFirstName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    EnumResourceLanguagesW(module, type, name, CountLanguage, param);
    return FALSE;
}

// Whether the library holds its languages as resource languages: the first resource of its
// first numeric type (RT_VERSION aside) has two or more.
bool IsMultilingual(HMODULE module)
{
    FirstResource first;
    EnumResourceTypesW(module, TakeType, reinterpret_cast<LONG_PTR>(&first));
    if (!first.type) return false;
    EnumResourceNamesW(module, first.type, CountFirstName, reinterpret_cast<LONG_PTR>(&first));
    return first.languages >= 2;
}

struct BestLanguage {
    LANGID wanted;
    LANGID choice;
};

BOOL CALLBACK WeighLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
{
    auto* best = reinterpret_cast<BestLanguage*>(param);
    if (language == best->wanted) {
        best->choice = language;
        return FALSE;
    }
    if ((language & kPrimaryMask) != (best->wanted & kPrimaryMask)) return TRUE;
    // Chinese: a traditional variant never replaces a simplified one, nor the reverse.
    if ((best->wanted & kPrimaryMask) == kChinese && (best->choice & ~kPrimaryMask) != 0 &&
        (language & kChineseTraditionalBit) != (best->wanted & kChineseTraditionalBit))
        return TRUE;
    best->choice = language;
    return TRUE;
}

// The resource in language (when not 0), else as the system finds it.
HRSRC FindInLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language)
{
    HRSRC found = language ? FindResourceExW(module, type, name, language) : nullptr;
    return found ? found : FindResourceW(module, name, type);
}

bool ValidRow(int row) { return row >= 0 && static_cast<size_t>(row) < RESMODULE_ROWS; }

}  // namespace

namespace {

// The candidate languages, with the values of the language key open at key (NULL: missing).
int LanguageList(HKEY key, DWORD (&list)[LANGLIST_ENTRIES])
{
    size_t n = 0;
    auto add = [&](DWORD language) {
        WCHAR abbreviation[16];
        if (n + 1 < LANGLIST_MAX_CANDIDATES && Abbreviation(language, abbreviation)) list[n++] = language;
    };

    DWORD forced = 0, fallback = 0;
    bool hasForced = false, hasFallback = false;
    if (key) {
        hasForced = ReadDword(key, LANGRES_VALUE_LANGUAGE, &forced);
        hasFallback = ReadDword(key, LANGRES_VALUE_DEFAULT_LANGUAGE, &fallback);
    }
    if (hasForced) {
        add(forced);
        add(PrimaryWithDefault(forced));
    }
    const DWORD user = LOWORD(GetUserDefaultLCID());
    add(user);
    add(PrimaryWithDefault(user));
    if (hasFallback) add(fallback);
    list[n++] = LANGRES_ENGLISH;
    list[n] = LANGLIST_END;
    return static_cast<int>(n);
}

// The first library of the pattern that loads, over the candidates (LoadLocalizedModule).
HMODULE LoadLocalized(const DWORD (&candidates)[LANGLIST_ENTRIES], int n, LPCWSTR pattern)
{
    for (int i = 0; i < n; ++i) {
        WCHAR abbreviation[16];
        if (!Abbreviation(candidates[i], abbreviation)) continue;
        if (HMODULE module = LoadLibraryFile(PutTag(pattern, abbreviation))) return module;
        if (HMODULE module = LoadLibraryFile(PutTag(pattern, LANGRES_LOCAL_TAG))) return module;
    }
    return nullptr;
}

}  // namespace

int GetUiLanguageList(DWORD (&list)[LANGLIST_ENTRIES])
{
    HKEY key = OpenLanguageKey();
    const int n = LanguageList(key, list);
    if (key) RegCloseKey(key);
    return n;
}

WORD LangIdToResOffset(LANGID language)
{
    for (const LANGRESINFO& row : g_LanguageTable)
        if (row.wLangId == language) return row.wOffset;
    return LANGRES_NO_OFFSET;
}

WORD GetLangResOffset(LANGID language, LPCWSTR libraryName)
{
    const LANGID tried[2] = {language, static_cast<LANGID>(PrimaryWithDefault(language))};
    if (libraryName) {
        if (HKEY key = OpenLanguageKey(libraryName)) {
            DWORD value = 0;
            bool found = false;
            for (LANGID l : tried)
                if (!found && ReadDword(key, std::to_wstring(l).c_str(), &value)) found = true;
            RegCloseKey(key);
            if (found) return LOWORD(value);
        }
    }
    for (LANGID l : tried) {
        const WORD offset = LangIdToResOffset(l);
        if (offset != LANGRES_NO_OFFSET) return offset;
    }
    return 0;
}

HMODULE LoadResModule(LPCWSTR name)
{
    if (!name) return nullptr;
    // The language key is opened once for the name's replacement and the candidate languages.
    HKEY key = OpenLanguageKey();
    std::wstring actual(name);
    std::wstring replacement;
    if (ReadReplacementName(key, name, &replacement)) actual = replacement;
    if (actual.find(L'%') != std::wstring::npos) {
        DWORD candidates[LANGLIST_ENTRIES];
        const int n = LanguageList(key, candidates);
        if (key) RegCloseKey(key);
        return LoadLocalized(candidates, n, actual.c_str());
    }
    if (key) RegCloseKey(key);
    return RegisterResModule(actual.c_str());
}

HMODULE LoadLocalizedModule(LPCWSTR pattern)
{
    if (!pattern) return nullptr;
    DWORD candidates[LANGLIST_ENTRIES];
    const int n = GetUiLanguageList(candidates);
    return LoadLocalized(candidates, n, pattern);
}

HMODULE RegisterResModule(LPCWSTR name)
{
    if (!name) return nullptr;
    size_t row = 0;
    while (row < RESMODULE_ROWS && g_ResModules[row].hModule) ++row;
    if (row == RESMODULE_ROWS) return nullptr;

    RESMODULEINFO info = {};
    GetUiLanguageList(info.adwList);
    HMODULE module = LoadLibraryFile(name);
    if (!module) return nullptr;
    info.dwMultilingual = IsMultilingual(module) ? 1 : 0;
    if (!info.dwMultilingual)
        for (DWORD& entry : info.adwList) {
            if (entry == LANGLIST_END) break;
            entry = GetLangResOffset(static_cast<LANGID>(entry), name);
        }
    info.hModule = module;
    g_ResModules[row] = info;
    return module;
}

int FindResModuleIndex(HMODULE module)
{
    if (!module) return -1;
    for (size_t row = 0; row < RESMODULE_ROWS; ++row)
        if (g_ResModules[row].hModule == module) return static_cast<int>(row);
    return -1;
}

void FreeResModule(HMODULE module)
{
    // This library's own module stands in for a missing string or dialog library; it is never
    // freed from here.
    if (!module || module == g_hInst) return;
    const int row = FindResModuleIndex(module);
    if (row >= 0) g_ResModules[row] = RESMODULEINFO{};
    FreeLibrary(module);
}

BOOL FindLocalizedFile(LPWSTR path, size_t cchPath)
{
    if (!path || cchPath == 0 || wcsnlen(path, cchPath) == cchPath) return FALSE;
    if (!wcschr(path, L'%')) return FileOpens(path) ? TRUE : FALSE;

    auto take = [&](LPCWSTR tag) {
        const std::wstring file = PutTag(path, tag);
        if (file.size() >= cchPath || !FileOpens(file)) return false;
        wmemcpy(path, file.c_str(), file.size() + 1);
        return true;
    };
    DWORD candidates[LANGLIST_ENTRIES];
    const int n = GetUiLanguageList(candidates);
    for (int i = 0; i < n; ++i) {
        WCHAR abbreviation[16];
        if (Abbreviation(candidates[i], abbreviation) && take(abbreviation)) return TRUE;
    }
    return take(LANGRES_LOCAL_TAG) ? TRUE : FALSE;
}

LANGID GetBestResLang(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language)
{
    BestLanguage best{language, 0};
    EnumResourceLanguagesW(module, type, name, WeighLanguage, reinterpret_cast<LONG_PTR>(&best));
    return best.choice;
}

HGLOBAL LockLangResource(HMODULE module, LPCWSTR name, LPCWSTR type, const void** locked, int row)
{
    if (!locked) return nullptr;
    HRSRC found = nullptr;
    const RESMODULEINFO* info = ValidRow(row) && g_ResModules[row].hModule ? &g_ResModules[row] : nullptr;
    if (info && info->dwMultilingual) {
        // Each candidate language in turn: its best resource language, else whatever the system
        // finds for that language as the thread's locale.
        for (DWORD entry : info->adwList) {
            if (entry == LANGLIST_END || found) break;
            const LANGID language = static_cast<LANGID>(entry);
            const LANGID best = GetBestResLang(module, type, name, language);
            found = best ? FindResourceExW(module, type, name, best) : nullptr;
            if (!found) {
                const LCID saved = GetThreadLocale();
                SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
                found = FindResourceW(module, name, type);
                SetThreadLocale(saved);
            }
        }
    } else if (info && IS_INTRESOURCE(name)) {
        // Ids shifted by each candidate's offset, in the language of the plain id that best
        // matches the user's default language.
        const LANGID language = GetBestResLang(module, type, name, GetUserDefaultLangID());
        const DWORD id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(name));
        for (DWORD offset : info->adwList) {
            if (offset == LANGLIST_END || found) break;
            if (id + offset > 0xFFFF) continue;
            found = FindInLanguage(module, type, MAKEINTRESOURCEW(id + offset), language);
        }
    } else {
        found = FindInLanguage(module, type, name, GetBestResLang(module, type, name, GetUserDefaultLangID()));
    }
    if (!found) return nullptr;

    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        if (loaded) FreeResource(loaded);
        return nullptr;
    }
    *locked = data;
    return loaded;
}

WORD FindLangResource(HMODULE module, WORD id, LPCWSTR type)
{
    DWORD wanted = id;
    const int row = FindResModuleIndex(module);
    if (row >= 0 && !g_ResModules[row].dwMultilingual && g_ResModules[row].adwList[0] != LANGLIST_END)
        wanted += g_ResModules[row].adwList[0];
    if (wanted > 0xFFFF) return 0;
    return FindResourceW(module, MAKEINTRESOURCEW(wanted), type) ? static_cast<WORD>(wanted) : 0;
}

int LoadLangString(HMODULE module, UINT id, LPWSTR buffer, int cch)
{
    // A size of 0 would make LoadStringW store a pointer into the buffer.
    if (!buffer || cch <= 0 || id > 0xFFFF) return 0;
    LPCWSTR block = MAKEINTRESOURCEW(id / 16 + 1);
    const LANGID language = GetBestResLang(module, RT_STRING, block, GetUserDefaultLangID());
    HRSRC found = FindResourceExW(module, RT_STRING, block, language);
    if (!found) return LoadStringW(module, id, buffer, cch);

    HGLOBAL loaded = LoadResource(module, found);
    const WCHAR* data = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!data) return 0;
    // A block is 16 counted strings; nothing past the resource's size is read.
    const size_t words = SizeofResource(module, found) / sizeof(WCHAR);
    size_t at = 0;
    for (UINT i = 0; i < id % 16 && at < words; ++i) at += 1 + data[at];
    if (at >= words) return 0;
    const size_t length = std::min<size_t>(data[at], words - at - 1);
    if (length == 0) return 0;
    const size_t n = std::min(length, static_cast<size_t>(cch) - 1);
    if (n) wmemcpy(buffer, data + at + 1, n);
    buffer[n] = L'\0';
    return static_cast<int>(n);
}

INT_PTR LangDialogBoxParam(HINSTANCE instance, HMODULE library, WORD templateId, HWND owner, DLGPROC dialogProc,
                           LPARAM param)
{
    const void* dialogTemplate = nullptr;
    HGLOBAL loaded = LockLangResource(library, MAKEINTRESOURCEW(templateId), RT_DIALOG, &dialogTemplate,
                                      FindResModuleIndex(library));
    if (!loaded) return 0;
    const INT_PTR result = DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(dialogTemplate), owner,
                                                   dialogProc, param);
    FreeResource(loaded);
    return result;
}
