// The user-interface language: the candidate languages, loading the string and dialog libraries
// by pattern and by name, the registry of loaded libraries, strings and dialogs of the chosen
// language. The system's language answers and the language key are steered per test.
#ifndef DRV_BUILD_UM
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "drvglobals.h"
#include "lang_fakes.h"
#include "langres.h"
#include "module.h"
#include "test_files.h"

namespace {

constexpr LANGID kEnglish = 0x0409, kGerman = 0x0407, kSwissGerman = 0x0807, kAustrianGerman = 0x0C07;
constexpr LANGID kJapanese = 0x0411, kFrench = 0x040C, kBritish = 0x0809;
// A language Windows has no abbreviation for.
constexpr LANGID kUnknown = 0x07FF;
// No value in the registry.
constexpr DWORD kNone = 0xFFFFFFFF;

// Template and control of the dialog library's language dialog, and its caption per language.
constexpr WORD kLanguageDialog = 90;
constexpr int kLanguageNameControl = 1001;
const std::wstring kEnglishCaption = L"Language", kGermanCaption = L"Sprache";

// A string of the string library that is exactly ten characters long in English ("Thin Paper").
constexpr UINT kTenCharacterString = 11535;

std::wstring Staged(const wchar_t* suffix) { return StagedDriverFolder() + DRV_MODULE_NAMEW + suffix; }

std::wstring ModuleFileName(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

int RowsInUse()
{
    int n = 0;
    for (const RESMODULEINFO& row : g_ResModules) n += row.hModule != nullptr;
    return n;
}

std::vector<DWORD> Candidates()
{
    DWORD list[LANGLIST_ENTRIES];
    std::fill(std::begin(list), std::end(list), 0xAAAAAAAAu);
    const int n = GetUiLanguageList(list);
    EXPECT_EQ(list[n], LANGLIST_END);
    return std::vector<DWORD>(list, list + n);
}

// The language key and the user's language of a test, with the forced and default language set
// when given.
struct LanguageSetting {
    LanguageSetting(LANGID user, DWORD forced = kNone, DWORD fallback = kNone) : userLanguage(user)
    {
        ok = key.active() && userLanguage.active();
        if (forced != kNone) ok = key.setDword(LANGRES_VALUE_LANGUAGE, forced) && ok;
        if (fallback != kNone) ok = key.setDword(LANGRES_VALUE_DEFAULT_LANGUAGE, fallback) && ok;
    }
    TestLanguageKey key;
    FixedUserLanguage userLanguage;
    bool ok = false;
};

TEST(UiLanguage, CandidatesFromTheForcedUserAndDefaultLanguages)
{
    const struct {
        DWORD forced, fallback;
        LANGID user;
        std::vector<DWORD> expected;
    } cases[] = {
        {kNone, kNone, kGerman, {kGerman, kGerman, 1033}},
        {kJapanese, kNone, kEnglish, {kJapanese, kJapanese, kEnglish, kEnglish, 1033}},
        {kJapanese, kFrench, kEnglish, {kJapanese, kJapanese, kEnglish, kEnglish, kFrench, 1033}},
        // A sub-language brings its primary language with the default sub-language.
        {kAustrianGerman, kNone, kBritish, {kAustrianGerman, kGerman, kBritish, kEnglish, 1033}},
        // Languages without an abbreviation are left out; English stays.
        {kUnknown, kUnknown, kGerman, {kGerman, kGerman, 1033}},
        {kNone, kFrench, kUnknown, {kFrench, 1033}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "forced " << c.forced << " default " << c.fallback << " user " << c.user);
        LanguageSetting setting(c.user, c.forced, c.fallback);
        ASSERT_TRUE(setting.ok);
        EXPECT_EQ(Candidates(), c.expected);
    }
    // A forced language of another type than a 32-bit number is not a forced language.
    LanguageSetting setting(kEnglish);
    ASSERT_TRUE(setting.key.setString(LANGRES_VALUE_LANGUAGE, L"1031"));
    EXPECT_EQ(Candidates(), (std::vector<DWORD>{kEnglish, kEnglish, 1033}));
}

TEST(UiLanguage, ResourceOffsetsFromTheLibraryKeyThenTheTable)
{
    LanguageSetting setting(kEnglish);
    ASSERT_TRUE(setting.ok);
    // The library's own offsets: the low word counts.
    ASSERT_TRUE(setting.key.setDword(L"1031", 0x00010064, L"MULTI.DLL"));
    ASSERT_TRUE(setting.key.setDword(L"1041", 250, L"MULTI.DLL"));
    const struct {
        LANGID language;
        const wchar_t* library;
        WORD offset;
    } cases[] = {
        {kGerman, L"OTHER.DLL", 7000},    {kAustrianGerman, L"OTHER.DLL", 7000}, {0x0C0C, L"OTHER.DLL", 6000},
        {kUnknown, L"OTHER.DLL", 0},      {kEnglish, L"OTHER.DLL", 0},          {2052, L"OTHER.DLL", 22000},
        {kGerman, L"MULTI.DLL", 100},     {kSwissGerman, L"MULTI.DLL", 100},    {kJapanese, L"MULTI.DLL", 250},
        {kFrench, L"MULTI.DLL", 6000},    {kGerman, nullptr, 7000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetLangResOffset(c.language, c.library), c.offset)
            << c.language << " " << (c.library ? c.library : L"(none)");
    EXPECT_EQ(LangIdToResOffset(1028), 23000);
    EXPECT_EQ(LangIdToResOffset(kAustrianGerman), LANGRES_NO_OFFSET);
}

// A folder holding copies of a resource library under the given names.
struct LibraryFolder : TempFolder {
    explicit LibraryFolder(std::initializer_list<const wchar_t*> names)
    {
        for (const wchar_t* name : names) ok = CopyFileW(Staged(L"SENU.DLL").c_str(), (path() + name).c_str(), FALSE) && ok;
    }
    bool ok = true;
};

TEST(UiLanguage, PatternLoadsTheFirstLibraryOfTheCandidates)
{
    const struct {
        std::initializer_list<const wchar_t*> files;
        LANGID user;
        DWORD forced;
        const wchar_t* pattern;
        const wchar_t* loaded;  // nullptr: nothing loads
    } cases[] = {
        {{L"XSENU.DLL", L"XSDEU.DLL"}, kEnglish, kNone, L"XS%s.DLL", L"XSENU.DLL"},
        {{L"XSENU.DLL", L"XSDEU.DLL"}, kGerman, kNone, L"XS%s.DLL", L"XSDEU.DLL"},
        {{L"XSENU.DLL", L"XSDEU.DLL"}, kEnglish, kGerman, L"XS%s.DLL", L"XSDEU.DLL"},
        // Swiss German (DES) is missing: its primary language comes next.
        {{L"XSENU.DLL", L"XSDEU.DLL"}, kSwissGerman, kNone, L"XS%s.DLL", L"XSDEU.DLL"},
        {{L"XSENU.DLL", L"XSDEU.DLL"}, kJapanese, kNone, L"XS%s.DLL", L"XSENU.DLL"},
        // The local library is tried after the first candidate fails, before English.
        {{L"XSENU.DLL", L"XSLOC.DLL"}, kJapanese, kNone, L"XS%s.DLL", L"XSLOC.DLL"},
        {{}, kJapanese, kNone, L"XS%s.DLL", nullptr},
        // The pattern is a name, not a format: only "%s" takes the abbreviation.
        {{L"X%d%nENU.DLL"}, kEnglish, kNone, L"X%d%n%s.DLL", L"X%d%nENU.DLL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern << " user " << c.user << " forced " << c.forced);
        LibraryFolder folder(c.files);
        ASSERT_TRUE(folder.ok);
        LanguageSetting setting(c.user, c.forced);
        ASSERT_TRUE(setting.ok);
        HMODULE module = LoadResModule((folder.path() + c.pattern).c_str());
        if (!c.loaded) {
            EXPECT_EQ(module, nullptr);
            continue;
        }
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(ModuleFileName(module), c.loaded);
        EXPECT_EQ(FindResModuleIndex(module), -1) << "a library loaded by pattern is not registered";
        FreeResModule(module);
    }
}

TEST(UiLanguage, RegistryValueReplacesTheLibraryName)
{
    LibraryFolder folder({L"NAMED.DLL", L"OTHERENU.DLL"});
    ASSERT_TRUE(folder.ok);
    LanguageSetting setting(kEnglish);
    ASSERT_TRUE(setting.ok);
    const std::wstring named = folder.path() + L"NAMED.DLL";

    // A pattern in place of a fixed name: loaded by pattern, not registered.
    ASSERT_TRUE(setting.key.setString(named.c_str(), folder.path() + L"OTHER%s.DLL"));
    HMODULE module = LoadResModule(named.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ModuleFileName(module), L"OTHERENU.DLL");
    EXPECT_EQ(FindResModuleIndex(module), -1);
    FreeResModule(module);

    // The empty text (two bytes) is a name too, and nothing loads under it.
    ASSERT_TRUE(setting.key.setString(named.c_str(), L""));
    EXPECT_EQ(LoadResModule(named.c_str()), nullptr);
    EXPECT_EQ(RowsInUse(), 0);

    // One byte is no name: the library loads under its own.
    ASSERT_TRUE(setting.key.setBytes(named.c_str(), "X", 1));
    module = LoadResModule(named.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ModuleFileName(module), L"NAMED.DLL");
    FreeResModule(module);
    EXPECT_EQ(RowsInUse(), 0);
}

TEST(UiLanguage, LibrariesByNameTakeARowEachLoad)
{
    LanguageSetting setting(kGerman);
    ASSERT_TRUE(setting.ok);
    ASSERT_EQ(RowsInUse(), 0);
    const std::wstring name = Staged(L"SENU.DLL");

    HMODULE first = LoadResModule(name.c_str());
    HMODULE second = LoadResModule(name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(second, first);
    EXPECT_EQ(RowsInUse(), 2);
    EXPECT_EQ(FindResModuleIndex(first), 0);
    EXPECT_EQ(FindResModuleIndex(nullptr), -1);
    // A library of one language keeps the offsets of the candidates (German, German, English).
    const RESMODULEINFO& row = g_ResModules[0];
    EXPECT_EQ(row.dwMultilingual, 0u);
    EXPECT_EQ(std::vector<DWORD>(row.adwList, row.adwList + 4), (std::vector<DWORD>{7000, 7000, 0, LANGLIST_END}));

    FreeResModule(first);
    EXPECT_EQ(RowsInUse(), 1);
    EXPECT_EQ(FindResModuleIndex(first), 1) << "the second load keeps its row";
    EXPECT_NE(GetModuleHandleW(name.c_str()), nullptr);
    FreeResModule(second);
    EXPECT_EQ(RowsInUse(), 0);
    EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr) << "freed as often as loaded";

    // This library's own module stands in for missing libraries and is never freed from here.
    HINSTANCE saved = g_hInst;
    g_hInst = LoadLibraryW(name.c_str());
    FreeResModule(g_hInst);
    EXPECT_NE(GetModuleHandleW(name.c_str()), nullptr);
    FreeLibrary(g_hInst);
    g_hInst = saved;

    // Eight rows; a ninth load fails and loads nothing; a missing library takes no row.
    std::vector<HMODULE> loaded;
    for (size_t i = 0; i < RESMODULE_ROWS; ++i) loaded.push_back(LoadResModule(name.c_str()));
    for (HMODULE m : loaded) EXPECT_EQ(m, first);
    EXPECT_EQ(LoadResModule(name.c_str()), nullptr);
    for (HMODULE m : loaded) FreeResModule(m);
    EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr);
    EXPECT_EQ(LoadResModule((name + L".missing").c_str()), nullptr);
    EXPECT_EQ(RowsInUse(), 0);
}

// Resource bytes of a library.
std::vector<BYTE> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    HRSRC found = FindResourceW(module, name, type);
    const BYTE* data = found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    return data ? std::vector<BYTE>(data, data + SizeofResource(module, found)) : std::vector<BYTE>();
}

struct AddedResource {
    LPCWSTR type;
    WORD id;
    LANGID language;
    std::vector<BYTE> data;
};

// A copy of a library with resources added.
bool BuildLibrary(const std::wstring& from, const std::wstring& to, const std::vector<AddedResource>& added)
{
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceW(to.c_str(), FALSE);
    if (!update) return false;
    bool ok = true;
    for (const AddedResource& r : added)
        ok = !r.data.empty() &&
             UpdateResourceW(update, r.type, MAKEINTRESOURCEW(r.id), r.language, const_cast<BYTE*>(r.data.data()),
                             static_cast<DWORD>(r.data.size())) &&
             ok;
    return EndUpdateResourceW(update, !ok) && ok;
}

TEST(UiLanguage, BestResourceLanguage)
{
    TempFolder folder;
    const std::wstring path = folder.path() + L"LANGS.DLL";
    const std::vector<BYTE> bytes{1, 2, 3, 4};
    ASSERT_TRUE(BuildLibrary(Staged(L"SENU.DLL"), path,
                             {{RT_RCDATA, 1, 0x0804, bytes},
                              {RT_RCDATA, 1, 0x0404, bytes},
                              {RT_RCDATA, 2, kGerman, bytes},
                              {RT_RCDATA, 2, kSwissGerman, bytes},
                              {RT_RCDATA, 3, kEnglish, bytes}}));
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(module, nullptr);
    const struct {
        WORD id;
        LANGID wanted, best;
    } cases[] = {
        {1, 0x0C04, 0x0404},  // Hong Kong takes the traditional variant, never the simplified one
        {1, 0x1004, 0x0804},  // Singapore the simplified one
        {1, 0x0404, 0x0404},  {1, 0x0804, 0x0804},
        {2, kAustrianGerman, kSwissGerman},  // the last of the same primary language
        {2, kGerman, kGerman},               // the same language ends the walk
        {3, kEnglish, kEnglish},  {3, kGerman, 0},  {4, kEnglish, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetBestResLang(module, RT_RCDATA, MAKEINTRESOURCEW(c.id), c.wanted), c.best)
            << "resource " << c.id << " wanted " << std::hex << c.wanted;
    FreeLibrary(module);
}

TEST(UiLanguage, StringsAreCutToTheBufferAndAlwaysTerminated)
{
    LanguageSetting setting(kEnglish);
    ASSERT_TRUE(setting.ok);
    HMODULE module = LoadLibraryW(Staged(L"SENU.DLL").c_str());
    ASSERT_NE(module, nullptr);
    constexpr WCHAR kSentinel = 0xCCCC;
    const struct {
        HMODULE module;
        UINT id;
        int cch;
        int result;
        const wchar_t* text;  // nullptr: the buffer is left as it was
    } cases[] = {
        {module, kTenCharacterString, 5, 4, L"Thin"},
        {module, kTenCharacterString, 11, 10, L"Thin Paper"},  // exact fit
        {module, kTenCharacterString, 10, 9, L"Thin Pape"},
        {module, kTenCharacterString, 64, 10, L"Thin Paper"},
        {module, kTenCharacterString, 1, 0, L""},
        {module, kTenCharacterString, 0, 0, nullptr},  // nothing may be written, not even a pointer
        {module, kTenCharacterString, -1, 0, nullptr},
        {module, 310, 16, 0, nullptr},    // not in its block
        {module, 60000, 16, 0, nullptr},  // no such block: the system's loader answers
        {module, 0x10000 + 305, 16, 0, nullptr},
        {nullptr, 305, 16, 0, nullptr},   // no module: the program's own resources
        {module, 305, 16, 6, L"Letter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " size " << c.cch);
        WCHAR buffer[80];
        std::fill(std::begin(buffer), std::end(buffer), kSentinel);
        EXPECT_EQ(LoadLangString(c.module, c.id, buffer, c.cch), c.result);
        const size_t written = c.text ? wcslen(c.text) + 1 : 0;
        if (c.text) {
            EXPECT_EQ(std::wstring(buffer, written - 1), c.text);
            EXPECT_EQ(buffer[written - 1], L'\0');
        }
        for (size_t i = written; i < std::size(buffer); ++i) ASSERT_EQ(buffer[i], kSentinel) << "at " << i;
    }
    EXPECT_EQ(LoadLangString(module, 305, nullptr, 16), 0);
    FreeLibrary(module);
}

// What the language dialog showed.
struct DialogSeen {
    int shown = 0;
    int ticks = 0;
    std::wstring caption, name;
};
DialogSeen g_seen;

// Shows the language dialog and clicks its OK button a moment later, as a person would; OK ends
// the dialog with the parameter it was given. A dialog that does not end itself is closed after
// a few more ticks with -7.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        ++g_seen.shown;
        wchar_t text[128] = {};
        GetWindowTextW(dialog, text, 128);
        g_seen.caption = text;
        GetDlgItemTextW(dialog, kLanguageNameControl, text, 128);
        g_seen.name = text;
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetTimer(dialog, 1, 50, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        if (g_seen.ticks++ == 0) SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        else if (g_seen.ticks > 5) EndDialog(dialog, -7);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            KillTimer(dialog, 1);
            EndDialog(dialog, GetWindowLongPtrW(dialog, DWLP_USER));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR RunLanguageDialog(HMODULE library, WORD id = kLanguageDialog)
{
    g_seen = DialogSeen{};
    return LangDialogBoxParam(GetModuleHandleW(nullptr), library, id, nullptr, LanguageDialogProc, 42);
}

TEST(UiLanguage, DialogFromTheLibraryOfTheChosenLanguage)
{
    const struct {
        LANGID user;
        DWORD forced;
        const std::wstring& caption;
        const wchar_t* name;
    } cases[] = {
        {kEnglish, kNone, kEnglishCaption, L"English (United States)"},
        {kEnglish, kGerman, kGermanCaption, L"Deutsch (Deutschland)"},
        {kGerman, kNone, kGermanCaption, L"Deutsch (Deutschland)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "user " << c.user << " forced " << c.forced);
        LanguageSetting setting(c.user, c.forced);
        ASSERT_TRUE(setting.ok);
        HMODULE library = LoadResModule((StagedDriverFolder() + DRV_DIALOG_RES_PATTERN).c_str());
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(RunLanguageDialog(library), 42);
        EXPECT_EQ(g_seen.shown, 1);
        EXPECT_EQ(g_seen.caption, c.caption);
        EXPECT_EQ(g_seen.name, c.name);

        // A template the library lacks shows nothing.
        EXPECT_EQ(RunLanguageDialog(library, 4242), 0);
        EXPECT_EQ(g_seen.shown, 0);
        FreeResModule(library);
    }
}

TEST(UiLanguage, LibrariesHoldingSeveralLanguages)
{
    TempFolder folder;
    HMODULE german = LoadLibraryW(Staged(L"RDEU.DLL").c_str());
    ASSERT_NE(german, nullptr);
    const std::vector<BYTE> germanDialog = ResourceBytes(german, RT_DIALOG, MAKEINTRESOURCEW(kLanguageDialog));
    FreeLibrary(german);
    // German as a resource language beside English, and German under the ids shifted by its offset.
    // A library that holds its languages as resource languages holds its pictures in each of
    // them as well; its first resource is the first bitmap.
    HMODULE english = LoadLibraryW(Staged(L"RENU.DLL").c_str());
    ASSERT_NE(english, nullptr);
    const std::vector<BYTE> firstPicture = ResourceBytes(english, RT_BITMAP, MAKEINTRESOURCEW(1));
    FreeLibrary(english);
    const std::wstring multilingual = folder.path() + L"MULTI.DLL", shifted = folder.path() + L"SHIFTED.DLL";
    ASSERT_TRUE(BuildLibrary(Staged(L"RENU.DLL"), multilingual,
                             {{RT_DIALOG, kLanguageDialog, kGerman, germanDialog}, {RT_BITMAP, 1, kGerman, firstPicture}}));
    ASSERT_TRUE(BuildLibrary(Staged(L"RENU.DLL"), shifted,
                             {{RT_DIALOG, static_cast<WORD>(kLanguageDialog + 7000), kEnglish, germanDialog}}));

    const struct {
        const std::wstring& library;
        LANGID user;
        DWORD forced;
        DWORD multilingualFlag;
        const std::wstring& caption;
        WORD pageId;  // the id under which the template is asked for
    } cases[] = {
        {multilingual, kEnglish, kNone, 1, kEnglishCaption, kLanguageDialog},
        {multilingual, kEnglish, kGerman, 1, kGermanCaption, kLanguageDialog},
        {multilingual, kSwissGerman, kNone, 1, kGermanCaption, kLanguageDialog},
        {shifted, kEnglish, kNone, 0, kEnglishCaption, kLanguageDialog},
        {shifted, kEnglish, kGerman, 0, kGermanCaption, kLanguageDialog + 7000},
        {shifted, kAustrianGerman, kNone, 0, kGermanCaption, kLanguageDialog + 7000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.library << " user " << c.user << " forced " << c.forced);
        LanguageSetting setting(c.user, c.forced);
        ASSERT_TRUE(setting.ok);
        HMODULE library = LoadResModule(c.library.c_str());
        ASSERT_NE(library, nullptr);
        const int row = FindResModuleIndex(library);
        ASSERT_GE(row, 0);
        EXPECT_EQ(g_ResModules[row].dwMultilingual, c.multilingualFlag);
        EXPECT_EQ(RunLanguageDialog(library), 42);
        EXPECT_EQ(g_seen.caption, c.caption);
        EXPECT_EQ(FindLangResource(library, kLanguageDialog, RT_DIALOG), c.pageId);
        EXPECT_EQ(FindLangResource(library, 4242, RT_DIALOG), 0);
        FreeResModule(library);
    }
    EXPECT_EQ(RowsInUse(), 0);
}

TEST(UiLanguage, LocalizedFileNames)
{
    TempFolder folder;
    ASSERT_TRUE(folder.write(L"HELPDEU.HLP", "x"));
    ASSERT_TRUE(folder.write(L"HELPLOC.HLP", "x"));
    ASSERT_TRUE(folder.write(L"PLAIN.HLP", "x"));
    const struct {
        LANGID user;
        const wchar_t* name;
        size_t cch;
        BOOL found;
        const wchar_t* result;
    } cases[] = {
        {kGerman, L"HELP%s.HLP", MAX_PATH, 1, L"HELPDEU.HLP"},
        // English is not there; the local file comes after every candidate.
        {kJapanese, L"HELP%s.HLP", MAX_PATH, 1, L"HELPLOC.HLP"},
        {kGerman, L"NONE%s.HLP", MAX_PATH, 0, L"NONE%s.HLP"},
        {kGerman, L"PLAIN.HLP", MAX_PATH, 1, L"PLAIN.HLP"},
        {kGerman, L"MISSING.HLP", MAX_PATH, 0, L"MISSING.HLP"},
        // The German file's name does not fit the buffer; the local one does not either.
        {kGerman, L"HELP%s.HLP", 0, 0, L"HELP%s.HLP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " user " << c.user);
        LanguageSetting setting(c.user);
        ASSERT_TRUE(setting.ok);
        std::wstring path = folder.path() + c.name;
        const size_t cch = c.cch ? c.cch : path.size() + 1;
        std::vector<wchar_t> buffer(cch + 1, L'#');
        wcscpy(buffer.data(), path.c_str());
        EXPECT_EQ(FindLocalizedFile(buffer.data(), cch), c.found);
        EXPECT_EQ(std::wstring(buffer.data()), folder.path() + c.result);
        EXPECT_EQ(buffer[cch], L'#');
    }
}

}  // namespace
#endif
