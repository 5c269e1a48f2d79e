// The Print Schema keyword table and the feature and option tables: every psk name is a public
// keyword of the right kind and parent, the lookups between names and DEVMODE values, and the
// refills of the shared name tables under the library lock.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "drvglobals.h"
#include "global_tables.h"
#include "keyword_list.h"
#include "langres.h"
#include "module.h"
#include "pt_keywords.h"
#include "test_files.h"

namespace {

std::wstring Text(INT32 index) { return PtKeyword(index); }

TEST(PtKeywords, EveryFillStoresTheSameTexts)
{
    std::fill(std::begin(g_PtKeywords), std::end(g_PtKeywords), nullptr);
    EXPECT_STREQ(PtKeyword(PTK_PageMediaSize), L"PageMediaSize") << "answers before the first fill";
    PtInitKeywordTable();
    std::vector<LPCWSTR> first(std::begin(g_PtKeywords), std::end(g_PtKeywords));
    PtInitKeywordTable();
    for (INT32 i = 0; i < PT_KEYWORD_COUNT; ++i) {
        ASSERT_NE(g_PtKeywords[i], nullptr) << i;
        EXPECT_EQ(g_PtKeywords[i], first[i]) << i;
        EXPECT_EQ(PtKeyword(i), g_PtKeywords[i]) << i;
        EXPECT_EQ(i == PTK_EMPTY, g_PtKeywords[i][0] == L'\0') << i;
    }
    for (INT32 outside : {-1, static_cast<INT32>(PT_KEYWORD_COUNT), INT_MIN, INT_MAX}) EXPECT_STREQ(PtKeyword(outside), L"") << outside;

    // Exactly these texts stand at two indices; every other text is unique.
    const struct {
        INT32 a, b;
    } twins[] = {{PTK_None, PTK_MediaNone},
                 {PTK_Manual, PTK_ManualFeed},
                 {PTK_User0000000257, PTK_BinUser0000000257},
                 {PTK_User0000000258, PTK_BinUser0000000258},
                 {PTK_User0000000259, PTK_BinUser0000000259}};
    for (const auto& t : twins) EXPECT_EQ(Text(t.a), Text(t.b)) << t.a << " " << t.b;
    const std::set<std::wstring> distinct(std::begin(g_PtKeywords), std::end(g_PtKeywords));
    EXPECT_EQ(distinct.size(), static_cast<size_t>(PT_KEYWORD_COUNT) - std::size(twins));
}

TEST(PtKeywords, NamespacesAreThePublishedUrisAndOneOfOurOwn)
{
    PtInitKeywordTable();
    const struct {
        INT32 index;
        const wchar_t* uri;
    } published[] = {
        {PTK_NS_PSF, L"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"},
        {PTK_NS_PSK, L"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords"},
        {PTK_NS_XSI, L"http://www.w3.org/2001/XMLSchema-instance"},
        {PTK_NS_XSD, L"http://www.w3.org/2001/XMLSchema"},
    };
    for (const auto& p : published) {
        EXPECT_EQ(Text(p.index), p.uri);
        EXPECT_NE(Text(PTK_NS_PRIVATE), p.uri);
    }
    const std::wstring own = Text(PTK_NS_PRIVATE);
    const std::wstring path = L"/print/2008/03/xps";
    EXPECT_EQ(own.rfind(L"http://", 0), 0u) << own;
    ASSERT_GT(own.size(), path.size());
    EXPECT_EQ(own.substr(own.size() - path.size()), path);
}

// A name the provider writes, with the kind of element it names and where it stands.
struct PlacedName {
    INT32 keyword, ns;
    std::wstring kind, feature, option;
};

void AddRow(std::vector<PlacedName>& out, const PTFEATUREDEF& row, const wchar_t* kind, INT32 feature = PTK_EMPTY,
            INT32 option = PTK_EMPTY)
{
    out.push_back({row.nKeyword, row.nNamespace, kind, feature ? Text(feature) : L"-", option ? Text(option) : L""});
}

template <typename Row>
void AddOptions(std::vector<PlacedName>& out, const PTFEATUREDEF& feature, const Row* rows, INT32 count)
{
    AddRow(out, feature, L"Feature");
    for (INT32 i = 0; i < count; ++i)
        if (rows[i].nKeyword != PTK_EMPTY)
            out.push_back({rows[i].nKeyword, rows[i].nNamespace, L"Option", Text(feature.nKeyword), L""});
}

// Every row of the tables, placed as the documents place it.
std::vector<PlacedName> TableNames()
{
    std::vector<PlacedName> names;
    AddOptions(names, g_PtMediaSizes.Feature, g_PtMediaSizes.Options, g_PtMediaSizes.nOptions);
    AddOptions(names, g_PtInputBins.Feature, g_PtInputBins.Options, g_PtInputBins.nOptions);
    AddOptions(names, g_PtMediaTypes.Feature, g_PtMediaTypes.Options, g_PtMediaTypes.nOptions);
    AddOptions(names, g_PtDuplex.Feature, g_PtDuplex.Options, g_PtDuplex.nOptions);
    AddOptions(names, g_PtResolutions.Feature, g_PtResolutions.Options, g_PtResolutions.nOptions);
    AddOptions(names, g_PtCollate.Feature, g_PtCollate.Options, g_PtCollate.nOptions);
    AddOptions(names, g_PtOrientation.Feature, g_PtOrientation.Options, g_PtOrientation.nOptions);
    AddOptions(names, g_PtScaling.Feature, g_PtScaling.Options, g_PtScaling.nOptions);
    AddOptions(names, g_PtOutputColor.Feature, g_PtOutputColor.Options, g_PtOutputColor.nOptions);

    AddRow(names, g_PtDevmodeSnapshot, L"ParameterDef");
    AddRow(names, g_PtCopies, L"ParameterDef");
    AddRow(names, g_PtMediaSizeWidthDef, L"ParameterDef", PTK_PageMediaSize);
    AddRow(names, g_PtMediaSizeHeightDef, L"ParameterDef", PTK_PageMediaSize);
    AddRow(names, g_PtLongEdgeFeed, L"ParameterDef", PTK_JobInputBin);
    AddRow(names, g_PtScaling.ScaleParam, L"ParameterDef", PTK_PageScaling);

    AddRow(names, g_PtInputBins.FeedType, L"ScoredProperty", PTK_JobInputBin, PTK_Manual);
    AddRow(names, g_PtScaling.ScaleProp, L"ScoredProperty", PTK_PageScaling, PTK_CustomSquare);
    for (INT32 i = 0; i < g_PtOutputColor.nProps; ++i)
        AddRow(names, g_PtOutputColor.Props[i], L"ScoredProperty", PTK_PageOutputColor);
    for (INT32 i = 0; i < g_PtResolutionProps.nProps; ++i)
        AddRow(names, g_PtResolutionProps.Props[i], L"ScoredProperty", PTK_PageResolution);
    return names;
}

// The psk names the builders take from the keyword table itself rather than from a row.
std::vector<PlacedName> KeywordOnlyNames()
{
    std::vector<PlacedName> names;
    const auto add = [&](INT32 keyword, const wchar_t* kind, const std::wstring& parent) {
        names.push_back({keyword, PTK_NS_PSK, kind, parent, L""});
    };
    add(PTK_MediaSizeWidth, L"ScoredProperty", Text(PTK_PageMediaSize));
    add(PTK_MediaSizeHeight, L"ScoredProperty", Text(PTK_PageMediaSize));
    add(PTK_PageImageableSize, L"Property", L"-");
    for (INT32 k : {PTK_ImageableSizeWidth, PTK_ImageableSizeHeight, PTK_ImageableArea})
        add(k, L"Property", Text(PTK_PageImageableSize));
    for (INT32 k : {PTK_OriginWidth, PTK_OriginHeight, PTK_ExtentWidth, PTK_ExtentHeight})
        add(k, L"Property", Text(PTK_ImageableArea));
    add(PTK_DisplayName, L"Property", Text(PTK_PageMediaSize));
    add(PTK_PickOne, L"Value", L"psf:SelectionType");
    for (INT32 k : {PTK_Unconditional, PTK_Conditional, PTK_Optional}) add(k, L"Value", L"psf:Mandatory");
    add(PTK_ManualFeed, L"Value", Text(PTK_JobInputBin) + L"/" + Text(PTK_FeedType));
    return names;
}

TEST(PtKeywords, PskNamesArePublicOfTheirKindAndParentOthersAreOurOwn)
{
    PtInitKeywordTable();
    const KeywordList& list = KeywordList::Public();
    ASSERT_GT(list.size(), 0u) << DRV_KEYWORDS_TSV;
    std::vector<PlacedName> names = TableNames();
    const std::vector<PlacedName> more = KeywordOnlyNames();
    names.insert(names.end(), more.begin(), more.end());
    size_t checked = 0;
    for (const PlacedName& n : names) {
        const std::wstring name = Text(n.keyword);
        SCOPED_TRACE(testing::Message() << "keyword " << n.keyword << " " << std::string(name.begin(), name.end()));
        ASSERT_FALSE(name.empty());
        if (n.ns == PTK_NS_PSK) {
            EXPECT_TRUE(list.IsPublicUnder(name, n.kind, n.feature, n.option))
                << std::string(n.kind.begin(), n.kind.end()) << " under " << std::string(n.feature.begin(), n.feature.end());
            ++checked;
        } else {
            EXPECT_EQ(n.ns, PTK_NS_PRIVATE) << "a name outside the public list belongs to our own namespace";
        }
    }
    EXPECT_GT(checked, 40u);
}

TEST(PtMediaSizes, NamesAndPapersMapBothWays)
{
    PtInitKeywordTable();
    ASSERT_EQ(g_PtMediaSizes.nOptions, PT_MEDIASIZE_ROWS);
    std::set<INT32> seen;
    for (INT32 i = 0; i < g_PtMediaSizes.nOptions; ++i) {
        const PTOPTIONDEF& row = g_PtMediaSizes.Options[i];
        const std::wstring name = Text(row.nKeyword);
        SCOPED_TRACE(testing::Message() << "row " << i);
        EXPECT_EQ(PtMediaSizeNameToPaper(name.c_str()), row.nDevmodeValue);
        const PTOPTIONDEF* first = PtMediaSizeRowOfPaper(row.nDevmodeValue);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first == &row, seen.insert(row.nDevmodeValue).second) << "the first row of a paper answers";
        // Our own names are "User" and the paper id in ten digits (eleven for ids above 999).
        if (row.nNamespace == PTK_NS_PRIVATE) {
            wchar_t expected[32];
            std::swprintf(expected, std::size(expected), row.nDevmodeValue > 999 ? L"User%011d" : L"User%010d",
                          row.nDevmodeValue);
            EXPECT_EQ(name, expected);
        }
        EXPECT_NE(row.nKeyword, PTK_ISOC6Envelope);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(PT_MEDIASIZE_ROWS - 1)) << "only paper 269 has two rows";
    ASSERT_NE(PtMediaSizeRowOfPaper(269), nullptr);
    EXPECT_EQ(PtMediaSizeRowOfPaper(269)->nKeyword, PTK_User0000000269);
    for (INT32 paper : {0, -1, 2, 300, 65536 + 9}) EXPECT_EQ(PtMediaSizeRowOfPaper(paper), nullptr) << paper;

    const struct {
        const wchar_t* name;
        WORD paper;
    } names[] = {
        {L"ISOA4", 9},
        {L"NorthAmericaTabloidExtra", 269},
        {L"User0000000269", 269},
        {L"User00000001577", 1577},  // fifteen characters: found in the table only
        {L"User00000001580", 1},     // fifteen characters without a row
        {L"User0000000300", 300},    // "User" and ten digits: all ten are read
        {L"User0000012345", 12345},
        {L"User0000070300", 1},      // beyond what dmPaperSize holds
        {L"ABCDEFGHIJ0042", 1},
        {L"User000000~~~~", 1},
        {L"Letter7", 1},
        {L"isoa4", 1},
        {L"", 1},
        {nullptr, 1},
    };
    for (const auto& c : names)
        EXPECT_EQ(PtMediaSizeNameToPaper(c.name), c.paper) << (c.name ? std::string(c.name, c.name + wcslen(c.name)) : "NULL");
}

TEST(PtInputBins, SourcesAndNamesMapBothWays)
{
    PtInitKeywordTable();
    for (INT32 i = 0; i < g_PtInputBins.nOptions; ++i) {
        const PTOPTIONDEF& row = g_PtInputBins.Options[i];
        EXPECT_EQ(PtInputBinRowOfSource(row.nDevmodeValue), &row) << i;
        EXPECT_EQ(PtBinNameToSource(Text(row.nKeyword).c_str()), row.nDevmodeValue) << i;
    }
    const struct {
        INT32 source;
        INT32 keyword, ns;
    } sources[] = {
        {7, PTK_AutoSelect, PTK_NS_PSK},
        {1, PTK_Upper, PTK_NS_PRIVATE},
        {4, PTK_Manual, PTK_NS_PSK},
        {257, PTK_BinUser0000000257, PTK_NS_PRIVATE},
        {262, PTK_BinUser0000000262, PTK_NS_PRIVATE},
        {0, PTK_AutoSelect, PTK_NS_PSK},
        {2, PTK_AutoSelect, PTK_NS_PSK},
        {256, PTK_AutoSelect, PTK_NS_PSK},
        {263, PTK_AutoSelect, PTK_NS_PSK},
        {-1, PTK_AutoSelect, PTK_NS_PSK},
    };
    for (const auto& c : sources) {
        const PTOPTIONDEF* row = PtInputBinRowOfSource(c.source);
        ASSERT_NE(row, nullptr) << c.source;
        EXPECT_EQ(Text(row->nKeyword), Text(c.keyword)) << c.source;
        EXPECT_EQ(row->nNamespace, c.ns) << c.source;
    }
    for (const wchar_t* other : {L"LargeCapacity", L"manual", L"User0000000263", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(PtBinNameToSource(other), 7);
}

TEST(PtMediaTypes, IdsAndNamesMapBothWays)
{
    PtInitKeywordTable();
    ASSERT_EQ(g_PtMediaTypes.nOptions, PT_MEDIATYPE_ROWS);
    std::set<INT32> ids;
    for (INT32 i = 0; i < g_PtMediaTypes.nOptions; ++i) {
        const PTOPTIONDEF& row = g_PtMediaTypes.Options[i];
        EXPECT_TRUE(ids.insert(row.nDevmodeValue).second) << "media id " << row.nDevmodeValue << " twice";
        EXPECT_EQ(PtMediaTypeRowOfId(row.nDevmodeValue), &row) << i;
        EXPECT_EQ(PtMediaTypeNameToId(Text(row.nKeyword).c_str()), row.nDevmodeValue) << i;
    }
    for (INT32 id : {8, 14, 34, 512, -1}) {
        ASSERT_FALSE(ids.count(id));
        const PTOPTIONDEF* row = PtMediaTypeRowOfId(id);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(Text(row->nKeyword), L"None") << id;
        EXPECT_EQ(row->nNamespace, PTK_NS_PSK) << id;
    }
    for (const wchar_t* other : {L"Bond", L"plaintissue", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(PtMediaTypeNameToId(other), 0);
}

TEST(PtResolutions, RowsNameTheirNumbersAndEmptyRowsGiveNoOption)
{
    PtInitKeywordTable();
    ASSERT_EQ(g_PtResolutions.nOptions, PT_RESOLUTION_ROWS);
    std::set<INT32> displayIds;
    for (INT32 i = 0; i < PT_RESOLUTION_ROWS; ++i) {
        const PTOPTIONDEF* row = PtResolutionRow(i);
        const INT32* values = g_PtResolutionValues[i];
        SCOPED_TRACE(testing::Message() << "row " << i);
        if (i == 4 || i == 6) {
            EXPECT_EQ(row, nullptr);
            EXPECT_EQ(values[0] | values[1] | values[2], 0);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(displayIds.insert(row->nDisplayId).second);
        // The option's name spells its ResolutionX, ResolutionY and Level values.
        wchar_t expected[32];
        std::swprintf(expected, std::size(expected), L"X%04dY%04dL%d", _wtoi(PtKeyword(values[0])),
                      _wtoi(PtKeyword(values[1])), _wtoi(PtKeyword(values[2])));
        EXPECT_EQ(Text(row->nKeyword), expected);
        EXPECT_EQ(PtResolutionRowOfName(expected), i);
    }
    for (INT32 outside : {-1, PT_RESOLUTION_ROWS, INT_MAX}) EXPECT_EQ(PtResolutionRow(outside), nullptr);
    for (const wchar_t* other : {L"X9999Y9999L2", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(PtResolutionRowOfName(other), -1);
}

TEST(PtOptions, PlainAndDuplexOptionsAreFoundByName)
{
    PtInitKeywordTable();
    const struct {
        const PTFEATUREDEF* rows;
        INT32 count;
    } plain[] = {{g_PtCollate.Options, g_PtCollate.nOptions},
                 {g_PtOrientation.Options, g_PtOrientation.nOptions},
                 {g_PtScaling.Options, g_PtScaling.nOptions},
                 {g_PtOutputColor.Options, g_PtOutputColor.nOptions}};
    for (const auto& t : plain) {
        ASSERT_EQ(t.count, 2);
        for (INT32 i = 0; i < t.count; ++i) EXPECT_EQ(PtFindOptionByName(t.rows, t.count, PtKeyword(t.rows[i].nKeyword)), i);
        EXPECT_EQ(PtFindOptionByName(t.rows, t.count, L"Bogus"), -1);
        EXPECT_EQ(PtFindOptionByName(t.rows, t.count, nullptr), -1);
    }
    // dmDuplex d stands at row d - 1.
    for (INT32 i = 0; i < g_PtDuplex.nOptions; ++i) {
        EXPECT_EQ(g_PtDuplex.Options[i].nDevmodeValue, i + 1);
        EXPECT_EQ(PtFindOptionByName(g_PtDuplex.Options, g_PtDuplex.nOptions, PtKeyword(g_PtDuplex.Options[i].nKeyword)), i);
    }
    EXPECT_EQ(PtFindOptionByName(g_PtDuplex.Options, g_PtDuplex.nOptions, L"TwoSided"), -1);
}

DWORD WINAPI RunWork(LPVOID work)
{
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

// Runs work on a thread of its own while this thread holds the library lock: the work must wait
// for the lock (nothing is written), and finish once the lock is released.
void ExpectWaitsForLibraryLock(const std::function<void()>& work, const std::function<bool()>& done)
{
    EnterCriticalSection(&g_DllLock);
    HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (!thread) {
        LeaveCriticalSection(&g_DllLock);
        FAIL() << "no thread";
    }
    const DWORD whileLocked = WaitForSingleObject(thread, 300);
    const bool writtenWhileLocked = done();
    LeaveCriticalSection(&g_DllLock);
    EXPECT_EQ(whileLocked, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(writtenWhileLocked);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_TRUE(done());
}

TEST(PtKeywords, RefillsOfTheSharedTablesTakeTheLibraryLock)
{
    // The keyword table.
    std::fill(std::begin(g_PtKeywords), std::end(g_PtKeywords), nullptr);
    ExpectWaitsForLibraryLock(PtInitKeywordTable, [] {
        for (LPCWSTR text : g_PtKeywords)
            if (!text) return false;
        return true;
    });

    // The paper, source and media names, from the string library of the staged driver.
    SavedPaperTables saved;
    HMODULE strings = LoadLibraryW((StagedDriverFolder() + DRV_MODULE_NAMEW L"SENU.DLL").c_str());
    ASSERT_NE(strings, nullptr);
    const struct {
        WCHAR* name;
        WORD* stringId;
        UINT id;  // a string of the library: an A4 paper, the first tray, plain paper
    } rows[] = {
        {g_PaperTable[0].name, &g_PaperTable[0].stringId, 300},
        {g_SourceTable[0].name, &g_SourceTable[0].stringId, 200},
        {g_MediaTable[0].name, &g_MediaTable[0].stringId, 9800},
    };
    std::vector<std::wstring> expected;
    for (const auto& r : rows) {
        *r.stringId = static_cast<WORD>(r.id);
        wcscpy(r.name, L"stale");
        WCHAR text[128] = {};
        ASSERT_GT(LoadLangString(strings, r.id, text, 128), 0) << r.id;
        expected.push_back(text);
    }
    ExpectWaitsForLibraryLock([strings] { PtReloadNameTables(strings); },
                              [&] {
                                  for (size_t i = 0; i < std::size(rows); ++i)
                                      if (rows[i].name != expected[i]) return false;
                                  return true;
                              });
    FreeLibrary(strings);
}

}  // namespace
