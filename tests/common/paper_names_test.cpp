// Display names of papers, sources and media from the string library: the free-size names with
// their sizes, the paper name at a list index, and the name loaders over the global tables.
#ifndef DRV_BUILD_UM
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lang_fakes.h"
#include "langres.h"
#include "global_tables.h"
#include "model_queries.h"
#include "modeltable.h"
#include "module.h"
#include "papertables.h"
#include "sample_machine.h"
#include "test_files.h"

namespace {


void SetPaper(WORD row, WORD id, WORD kind, WORD stringId, const wchar_t* name)
{
    PAPERINFO& p = g_PaperTable[row];
    p = PAPERINFO{};
    p.paperId = id;
    p.kind = kind;
    p.stringId = stringId;
    wcsncpy(p.name, name, PAPER_NAME_CCH - 1);
}

// Four papers: a free size, a fixed size whose name has '%' in it, a free size with more '%'
// than its two numbers, and a free size with one number.
MODELINFO NamedPaperModel()
{
    SetPaper(10, 256, PAPER_KIND_FREESIZE, 320, L"User Defined Size %d x %d");
    SetPaper(11, 9, 0, 300, L"A4 %s %d %n 100%");
    SetPaper(12, 263, PAPER_KIND_FREESIZE | 6, 304, L"Size %s x %d %n %d %s %%");
    SetPaper(13, 264, PAPER_KIND_FREESIZE, 4242, L"Only %d wide");
    MODELINFO mi = {};
    const DWORD rows[] = {10, 11, 12, 13, 1};
    std::memcpy(mi.adwPaperList, rows, sizeof rows);
    mi.nPapers = 4;
    mi.iDefaultPaper = 1;
    return mi;
}

constexpr WCHAR kSentinel = 0xCCCC;

TEST(PaperNames, FreeSizesShowTheirSizeAndNamesAreNeverFormats)
{
    SavedPaperTables saved;
    const MODELINFO mi = NamedPaperModel();
    HMODULE strings = LoadLibraryW((StagedDriverFolder() + DRV_MODULE_NAMEW L"SENU.DLL").c_str());
    ASSERT_NE(strings, nullptr);
    const struct {
        int index;
        WORD width, length;
        BOOL inch;
        HMODULE module;
        UINT cb;
        WORD id;
        const wchar_t* text;  // nullptr: nothing written
    } cases[] = {
        {0, 2100, 2970, FALSE, strings, 256, 256, L"User Defined Size 210.0 x 297.0 mm"},
        {0, 2100, 2970, TRUE, strings, 256, 256, L"User Defined Size 8.27 x 11.69 in"},
        // A length of 182 mm shows as 7.16 in; the same width as 7.17.
        {0, 1820, 1820, TRUE, strings, 256, 256, L"User Defined Size 7.17 x 7.16 in"},
        {0, 0, 65535, FALSE, strings, 256, 256, L"User Defined Size 0.0 x 6553.5 mm"},
        // No unit text in the module: the sizes alone.
        {0, 900, 1480, FALSE, nullptr, 256, 256, L"User Defined Size 90.0 x 148.0"},
        // Only the first two "%d" or "%s" of a free size stand for numbers.
        {2, 1000, 1480, FALSE, strings, 256, 263, L"Size 100.0 x 148.0 %n %d %s %% mm"},
        {3, 1000, 1480, FALSE, strings, 256, 264, L"Only 100.0 wide mm"},
        // Another paper's name is its name, whatever it holds.
        {1, 2100, 2970, FALSE, strings, 256, 9, L"A4 %s %d %n 100%"},
        // Cut to the output: 9 characters and the terminator.
        {0, 2100, 2970, FALSE, strings, 20, 256, L"User Defi"},
        {1, 0, 0, FALSE, strings, 21, 9, L"A4 %s %d "},
        {0, 2100, 2970, FALSE, strings, 2, 256, L""},
        {0, 2100, 2970, FALSE, strings, 1, 256, nullptr},
        // Out of the list: 0 and nothing written.
        {4, 2100, 2970, FALSE, strings, 256, 0, nullptr},
        {-1, 2100, 2970, FALSE, strings, 256, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.index << " cb " << c.cb << " inch " << c.inch);
        WCHAR output[160];
        std::fill(std::begin(output), std::end(output), kSentinel);
        EXPECT_EQ(DrvFormatPaperName(&mi, c.index, output, c.cb, c.width, c.length, c.inch, c.module), c.id);
        const size_t written = c.text ? wcslen(c.text) + 1 : 0;
        if (c.text) {
            EXPECT_EQ(std::wstring(output), c.text);
        }
        for (size_t i = written; i < std::size(output); ++i) ASSERT_EQ(output[i], kSentinel) << "at " << i;
    }
    EXPECT_EQ(std::wstring(g_PaperTable[10].name), L"User Defined Size %d x %d") << "the table is not rewritten";
    EXPECT_EQ(DrvFormatPaperName(nullptr, 0, nullptr, 0, 0, 0, FALSE, strings), 0);
    FreeLibrary(strings);
}

TEST(PaperNames, PaperNameAtAnIndexFromTheStringLibrary)
{
    SavedPaperTables saved;
    const MODELINFO mi = NamedPaperModel();
    HMODULE strings = LoadLibraryW((StagedDriverFolder() + DRV_MODULE_NAMEW L"SENU.DLL").c_str());
    ASSERT_NE(strings, nullptr);
    const struct {
        int index;
        UINT cb;
        WORD id;
        const wchar_t* text;  // nullptr: nothing written
    } cases[] = {
        {1, 256, 9, L"A4"},
        {0, 256, 256, L"User Defined Size %d x %d"},
        {0, 10, 256, L"User"},  // cb / 2 - 1 characters
        {3, 256, 264, L""},     // the library lacks its string
        {3, 2, 264, L""},
        {3, 0, 264, nullptr},
        {4, 256, 0, nullptr},
        {-1, 256, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.index << " cb " << c.cb);
        WCHAR output[64];
        std::fill(std::begin(output), std::end(output), kSentinel);
        EXPECT_EQ(DrvGetPaperName(strings, &mi, c.index, output, c.cb), c.id);
        const size_t written = c.text ? wcslen(c.text) + 1 : 0;
        if (c.text) {
            EXPECT_EQ(std::wstring(output), c.text);
        }
        for (size_t i = written; i < std::size(output); ++i) ASSERT_EQ(output[i], kSentinel) << "at " << i;
    }
    FreeLibrary(strings);
}

TEST(PaperNames, LoadersFillTheTablesFromTheChosenLanguage)
{
    SavedPaperTables saved;
    SampleMachine machine;
    ASSERT_TRUE(machine.ok());
    const wchar_t kC910J[] = L"Velmora ColorPage C910J";
    DrvRefreshModel(kC910J, nullptr);
    const MODELINFO* mi = DrvGetModelInfo(kC910J);
    ASSERT_NE(mi, nullptr);
    const SHORT chou3 = DrvFindPaperIndex(mi, 73), user = DrvFindPaperIndex(mi, 256), a4 = DrvFindPaperIndex(mi, 9);
    const SHORT manual = DrvFindSourceIndex(mi, 4), plain = DrvFindMediaIndex(mi, 512);
    ASSERT_GE(chou3, 0);
    ASSERT_GE(user, 0);
    ASSERT_GE(a4, 0);
    ASSERT_GE(manual, 0);
    ASSERT_GE(plain, 0);
    // A paper whose string the library lacks keeps the name of the data file.
    const int a4Row = static_cast<int>(mi->adwPaperList[a4]);
    g_PaperTable[a4Row].stringId = 4242;
    const std::wstring a4FileName = g_PaperTable[a4Row].name;

    const struct {
        LANGID user;
        DWORD forced;
        const wchar_t *chou3, *userSize, *manual, *plain, *unit;
    } cases[] = {
        {0x0409, 0xFFFFFFFF, L"Envelope Chou 3", L"User Defined Size 210.0 x 297.0 mm", L"Manual Feed", L"Plain Paper",
         L"Unit"},
        {0x0409, 0x0407, L"Umschlag Chou 3", L"Benutzergr\u00f6\u00dfe 210.0 x 297.0 mm", L"Manuelle Zufuhr",
         L"Normalpapier", L"Einheit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "forced " << c.forced);
        TestLanguageKey key;
        FixedUserLanguage language(c.user);
        ASSERT_TRUE(key.active() && language.active());
        if (c.forced != 0xFFFFFFFF) {
            ASSERT_TRUE(key.setDword(LANGRES_VALUE_LANGUAGE, c.forced));
        }
        HMODULE strings = LoadResModule((machine.driver().path() + DRV_STRING_RES_PATTERN).c_str());
        ASSERT_NE(strings, nullptr);
        DrvLoadPaperNames(strings);
        DrvLoadSourceNames(strings, mi);
        DrvLoadMediaNames(strings, mi);
        WCHAR name[80];
        EXPECT_EQ(DrvFormatPaperName(mi, user, name, sizeof name, 2100, 2970, FALSE, strings), 256);
        EXPECT_EQ(std::wstring(name), c.userSize);
        FreeResModule(strings);

        EXPECT_EQ(std::wstring(g_PaperTable[mi->adwPaperList[chou3]].name), c.chou3);
        DrvGetSourceName(mi, manual, name, sizeof name);
        EXPECT_EQ(std::wstring(name), c.manual);
        DrvGetMediaName(mi, plain, name, sizeof name);
        EXPECT_EQ(std::wstring(name), c.plain);
        EXPECT_EQ(std::wstring(g_szUnitText), c.unit);
        EXPECT_EQ(std::wstring(g_PaperTable[a4Row].name), a4FileName);
    }
}

}  // namespace
#endif
