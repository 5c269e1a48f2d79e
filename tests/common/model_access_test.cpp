// The rendering library's model access: lookup, dither-table choice, paper records and margin
// deltas, free-size limits, device-font counts and the wide-string helpers.
#include <gtest/gtest.h>

#ifdef DRV_BUILD_UM

#include <cstring>
#include <string>
#include <vector>

#include "global_tables.h"
#include "model_access.h"
#include "modeltable.h"
#include "sample_machine.h"

namespace {

const wchar_t kC710[] = L"Velmora ColorPage C710";
const wchar_t kUnknown[] = L"No Such Model";

// A value that a record written by another process may hold where this one expects a table id.
constexpr DWORD kForeignValue = 0xDEADBEEF;

// Paper-table rows the hand-made model lists; row numbers matter to the margin table.
struct Row {
    WORD row;
    WORD id;
    WORD stringId;
    WORD kind;
    WORD portraitX, portraitY, landscapeX, landscapeY;
};
constexpr Row kRows[] = {
    {0, 9, 300, 0, 50, 50, 60, 40},     // margin row 0 is paper 9
    {1, 13, 303, 0, 50, 50, 50, 50},
    {2, 256, 320, 1, 60, 55, 60, 55},   // margin row 2 is paper 70: the paper's own row is 19
    {3, 1, 305, 0, 40, 30, 20, 70},     // margin row 3 is paper 13: the paper's own row is 5
    {4, 66, 310, 0, 70, 80, 70, 80},    // no margin row at all
    {21, 30, 323, 0, 50, 50, 50, 50},   // margin row 21: 30 at (50, 50)
    {31, 30, 323, 0, 50, 50, 50, 50},   // margin row 31: 30 at (128, 50)
    {45, 275, 352, 16, 50, 50, 50, 50}, // margin row 45: 275 at (37, 0)
    {60, 70, 302, 0, 45, 45, 45, 45},   // beyond the margin table
};
// The active list: the rows above, and two entries that are no rows of the paper table.
const DWORD kList[] = {0, 1, 2, 3, 4, 21, 31, 45, 60, PAPER_TABLE_ROWS, 0xFFFFFFFF};

void FillRow(PAPERINFO& p, const Row& r)
{
    std::memset(&p, 0, sizeof p);
    p.paperId = r.id;
    p.stringId = r.stringId;
    p.kind = r.kind;
    p.value4 = 0x12345600u + r.row;
    p.widthDots = static_cast<WORD>(2000 + r.row);
    p.lengthDots = static_cast<WORD>(3000 + r.row);
    p.portrait = {static_cast<WORD>(1900 + r.row), static_cast<WORD>(2900 + r.row), r.portraitX, r.portraitY, 2, {7, 8}};
    p.landscape = {static_cast<WORD>(2900 + r.row), static_cast<WORD>(1900 + r.row), r.landscapeX, r.landscapeY, 0, {}};
}

// The model record, made by hand; its dither table ids hold what another process may have left
// there, and its paper list entries that are no rows of the paper table.
MODELRECORD MakeRecord()
{
    MODELRECORD rec;
    std::memset(&rec, 0, sizeof rec);
    rec.dwLoaded = 1;
    wcscpy(rec.ModelInfo.szModelName, kC710);
    wcscpy(rec.ModelDefaults.szModelName, kC710);
    MODELINFO& mi = rec.ModelInfo;
    mi.InfoType = 0x8003;
    std::memcpy(mi.adwPaperList, kList, sizeof kList);
    mi.nPapers = ARRAYSIZE(kList);
    for (DWORD& v : mi.adwPaperListInch) v = 1;
    mi.nPapersInch = 1;
    for (DWORD& v : mi.adwMeshDitherTableId) v = kForeignValue;
    for (DWORD& v : mi.adwLineDitherTableId) v = kForeignValue;
    mi.wModelID = 1;
    rec.FreeSizeLimits[FREESIZE_DPI_CHANGE].portrait = {3280, 4572, 3874, 5400, 762, 1270, 900, 1500};
    rec.FreeSizeLimits[FREESIZE_USER].portrait = {3280, 12000, 3874, 14173, 762, 1270, 900, 1500};
    rec.FreeSizeLimits[FREESIZE_FINISHER].portrait = {2970, 4200, 3508, 4961, 1000, 1480, 1181, 1748};
    return rec;
}

// The sample machine with the hand-made record in the model table, the paper table holding the
// rows above and the dither tables told apart by their widths.
class ModelAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        std::memcpy(savedDither_, g_DitherTables, sizeof savedDither_);
        for (WORD i = 0; i < DITHER_TABLE_COUNT; ++i) g_DitherTables[i].width = static_cast<SHORT>(8 + 4 * i);
        std::memset(g_PaperTable, 0, sizeof g_PaperTable);
        for (const Row& r : kRows) FillRow(g_PaperTable[r.row], r);

        record = InstallModelRecord(kC710, MakeRecord());
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(DrvFindModelRecord(kC710), record);
        ASSERT_EQ(record->ModelInfo.adwMeshDitherTableId[0], kForeignValue);
        info = &record->ModelInfo;
    }
    void TearDown() override { std::memcpy(g_DitherTables, savedDither_, sizeof savedDither_); }

    SampleMachine machine;
    SavedPaperTables savedPapers_;
    DITHERTABLE savedDither_[DITHER_TABLE_COUNT];
    MODELRECORD* record = nullptr;
    MODELINFO* info = nullptr;
};

// ---- Lookup ---------------------------------------------------------------------------------

TEST_F(ModelAccess, LookupClearsBitZeroAndLeavesThePaperListAsCached)
{
    EXPECT_EQ(DrvLookupModelInfo(nullptr), nullptr);
    EXPECT_EQ(DrvLookupModelInfo(L""), nullptr);
    EXPECT_EQ(DrvLookupModelInfo(kUnknown), nullptr);
    EXPECT_EQ(DrvLookupModelInfo(L"velmora COLORPAGE c710"), info);
    EXPECT_EQ(info->InfoType, 0x8002);
    EXPECT_EQ(info->nPapers, ARRAYSIZE(kList));
    EXPECT_EQ(std::vector<DWORD>(info->adwPaperList, info->adwPaperList + ARRAYSIZE(kList)),
              std::vector<DWORD>(std::begin(kList), std::end(kList)));
}

// ---- Dither tables ---------------------------------------------------------------------------

enum Bank { kMesh, kLine };

TEST_F(ModelAccess, DitherSlotFollowsModeAndResolutionInEitherBank)
{
    const struct {
        LONG dpi;
        WORD mode;
        Bank bank;
        int slot;  // -1: outside the banks
    } cases[] = {
        {300, 0x0000, kMesh, 3},   {600, 0x0000, kMesh, 7},   {1200, 0x0000, kMesh, 8},
        {600, 0xFE03, kLine, 10},  {300, 0xFE03, kLine, 3},   {1200, 0xFE01, kMesh, 11},
        {300, 0xFD00, kMesh, 0},   {600, 0xFD00, kMesh, 7},   {1200, 0xFD03, kLine, 8},
        {300, 0xFF03, kLine, 6},   {600, 0xFF00, kMesh, 13},  {1200, 0xFF00, kMesh, 14},
        {301, 0x0003, kLine, 7},   {600, 0x0A00, kMesh, 28},  {1200, 0x0B00, kMesh, -1},
        {300, 0x0B03, kLine, 30},  {600, 0x0B03, kLine, 31},  {600, 0x8000, kMesh, -1},
        {300, 0x0103, kLine, 0},   {-5, 0x0100, kMesh, 0},
    };
    for (const auto& c : cases) {
        // Every entry of both banks names table 2, but the expected one names table 3.
        std::memset(info->abMeshDitherCode, 2, sizeof info->abMeshDitherCode);
        std::memset(info->abLineDitherCode, 2, sizeof info->abLineDitherCode);
        if (c.slot >= 0) (c.bank == kMesh ? info->abMeshDitherCode : info->abLineDitherCode)[c.slot] = 3;
        const DITHERTABLE* expected = c.slot >= 0 ? &g_DitherTables[2] : &g_DitherTables[0];
        EXPECT_EQ(DrvSelectDitherTable(kC710, c.dpi, c.mode), expected) << c.dpi << " dpi, mode " << std::hex << c.mode;
    }
    EXPECT_EQ(info->adwMeshDitherTableId[3], kForeignValue) << "the cached ids are neither used nor rewritten";
}

TEST_F(ModelAccess, DitherCodeNamingNoTableGivesTheFirstTable)
{
    for (const BYTE code : {0, 1, 2, 3, 4, 0xFF}) {
        std::memset(info->abMeshDitherCode, code, sizeof info->abMeshDitherCode);
        std::memset(info->abLineDitherCode, code, sizeof info->abLineDitherCode);
        const DITHERTABLE* expected = (code >= 1 && code <= 3) ? &g_DitherTables[code - 1] : &g_DitherTables[0];
        EXPECT_EQ(DrvSelectDitherTable(kC710, 600, 0x0000), expected) << int(code);
        EXPECT_EQ(DrvSelectDitherTable(kC710, 600, 0xFE03), expected) << int(code);
    }
    EXPECT_EQ(DrvSelectDitherTable(kUnknown, 600, 0), &g_DitherTables[0]);
    EXPECT_EQ(DrvSelectDitherTable(nullptr, 600, 0), &g_DitherTables[0]);
}

// ---- Papers ------------------------------------------------------------------------------------

TEST_F(ModelAccess, PaperIndexSearchesTheListWithinTheTable)
{
    const struct {
        WORD id;
        SHORT index;
    } cases[] = {{0, -1}, {9, 0}, {13, 1}, {256, 2}, {263, -2}, {66, 4}, {30, 5}, {275, 7}, {70, 8}, {5, -2}, {999, -2}};
    for (const auto& c : cases) EXPECT_EQ(DrvFindModelPaperIndex(info, c.id), c.index) << c.id;
    EXPECT_EQ(DrvFindModelPaperIndex(nullptr, 9), -2);
    EXPECT_EQ(DrvFindModelPaperIndex(nullptr, 0), -1);

    // A count beyond the list's room reads the whole list and no further.
    info->nPapers = 0xFFFF;
    g_PaperTable[50].paperId = 99;
    info->adwPaperList[MODEL_PAPER_LIST_ROWS - 1] = 50;
    EXPECT_EQ(DrvFindModelPaperIndex(info, 99), MODEL_PAPER_LIST_ROWS - 1);
    EXPECT_EQ(DrvFindModelPaperIndex(info, 5), -2);
}

TEST_F(ModelAccess, PaperRecordOfListedAndFreeSizePapers)
{
    const struct {
        WORD id;
        WORD row;        // paper-table row that gives the record
        WORD recordId;
        WORD kind;
        WORD width, length, printableWidth, printableLength;  // dots; 0: the row's own
    } cases[] = {
        {9, 0, 9, 0, 0, 0, 0, 0},
        {30, 21, 30, 0, 0, 0, 0, 0},  // the first entry of the paper
        {256, 2, 256, 1, 0, 0, 0, 0},
        {263, 2, 263, 1, 3874, 14173, 3874 - 120, 14173 - 110},
        {264, 2, 264, 7, 3874, 14173, 3874 - 120, 14173 - 110},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const PAPERINFO& row = g_PaperTable[c.row];
        PAPERRECORD r;
        PRINTABLESIZE size;
        std::memset(&r, 0xCD, sizeof r);
        std::memset(&size, 0xCD, sizeof size);
        ASSERT_TRUE(DrvGetPaperRecord(kC710, nullptr, c.id, &r, &size));
        EXPECT_EQ(r.paperId, c.recordId);
        EXPECT_EQ(r.stringId, row.stringId);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.value4, row.value4);
        EXPECT_EQ(r.widthDots, c.width ? c.width : row.widthDots);
        EXPECT_EQ(r.lengthDots, c.length ? c.length : row.lengthDots);
        EXPECT_EQ(r.portrait.printableWidth, c.printableWidth ? c.printableWidth : row.portrait.printableWidth);
        EXPECT_EQ(r.portrait.printableLength, c.printableLength ? c.printableLength : row.portrait.printableLength);
        EXPECT_EQ(r.portrait.offsetX, row.portrait.offsetX);
        EXPECT_EQ(r.portrait.offsetY, row.portrait.offsetY);
        EXPECT_EQ(0, std::memcmp(r.portrait.data, row.portrait.data, sizeof r.portrait.data));
        if (c.width) EXPECT_EQ(0, std::memcmp(&r.landscape, &r.portrait, sizeof r.portrait));
        else EXPECT_EQ(0, std::memcmp(&r.landscape, &row.landscape, sizeof r.landscape));
        // The printable size: the row's portrait printable area in 1/100 mm.
        EXPECT_EQ(size.paperId, c.recordId);
        EXPECT_EQ(size.width, row.portrait.printableWidth * 254 / 30);
        EXPECT_EQ(size.length, row.portrait.printableLength * 254 / 30);
    }
    // The caller's MODELINFO is used as given; with A3Printer and a finisher installed the free
    // size takes the finisher limits.
    info->dwCapFlags |= MIF_A3PRINTER;
    info->wFinisherType |= FINISHERTYPE_INSTALLED;
    PAPERRECORD r;
    ASSERT_TRUE(DrvGetPaperRecord(nullptr, info, 264, &r, nullptr));
    EXPECT_EQ(r.widthDots, 3508);
    EXPECT_EQ(r.lengthDots, 4961);
}

TEST_F(ModelAccess, ShortMenuNamesOnClassOneModelsOnly)
{
    const struct {
        DWORD flags;
        WORD modelId;
        WORD paper;
        WORD stringId;
    } cases[] = {
        {MIF_SHORTMENU, 1, 9, 346},  {MIF_SHORTMENU, 1, 13, 348}, {MIF_SHORTMENU, 1, 1, 347},
        {MIF_SHORTMENU, 1, 256, 320}, {MIF_SHORTMENU, 2, 9, 300},  {0, 1, 13, 303},
    };
    for (const auto& c : cases) {
        info->dwCapFlags = c.flags;
        info->wModelID = c.modelId;
        PAPERRECORD r;
        ASSERT_TRUE(DrvGetPaperRecord(kC710, nullptr, c.paper, &r, nullptr));
        EXPECT_EQ(r.stringId, c.stringId) << c.paper << " flags " << c.flags << " class " << c.modelId;
    }
}

TEST_F(ModelAccess, PaperRecordTellsOfAPaperItCannotGive)
{
    MODELINFO stranger = *info;
    wcscpy(stranger.szModelName, kUnknown);
    const struct {
        const wchar_t* model;
        const MODELINFO* info;
        WORD paper;
    } cases[] = {
        {kC710, nullptr, 5},      // not in the list
        {kC710, nullptr, 0},
        {kUnknown, nullptr, 9},   // no such model
        {nullptr, nullptr, 9},
        {nullptr, &stranger, 263},  // a free size without the model's limits
    };
    for (const auto& c : cases) {
        PAPERRECORD r;
        PRINTABLESIZE size;
        std::memset(&r, 0xCD, sizeof r);
        std::memset(&size, 0xCD, sizeof size);
        EXPECT_FALSE(DrvGetPaperRecord(c.model, c.info, c.paper, &r, &size)) << c.paper;
        EXPECT_EQ(r.widthDots, 0) << c.paper;
        EXPECT_EQ(r.portrait.printableLength, 0) << c.paper;
        EXPECT_EQ(size.width, 0) << c.paper;
        EXPECT_EQ(size.length, 0) << c.paper;
    }
    EXPECT_TRUE(DrvGetPaperRecord(nullptr, &stranger, 9, nullptr, nullptr)) << "a listed paper needs no record";
}

TEST_F(ModelAccess, MarginDeltaAgainstThePaperMarginTable)
{
    const struct {
        WORD paper;
        LONG orientation;
        LONG dx, dy;
    } cases[] = {
        {9, 1, 0, 0},    {9, 2, 10, -10},  {13, 1, 0, 0},   {1, 1, -10, -20}, {1, 2, -30, 20},
        {256, 1, 10, 5}, {263, 1, 10, 5},  {264, 2, 10, 5}, {30, 1, -78, 0},  {275, 1, 13, 50},
        {70, 1, -5, -5}, {66, 1, 0, 0},    {5, 1, 0, 0},    {0, 1, 0, 0},
    };
    for (const auto& c : cases) {
        const POINTL d = DrvGetPaperMarginDelta(kC710, c.orientation, c.paper);
        EXPECT_EQ(d.x, c.dx) << c.paper << " / " << c.orientation;
        EXPECT_EQ(d.y, c.dy) << c.paper << " / " << c.orientation;
    }
    const POINTL none = DrvGetPaperMarginDelta(kUnknown, 1, 9);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
}

TEST(PaperMarginTable, RowsFollowThePaperTableOrder)
{
    const WORD ids[] = {9,   11,  70,  13,  263, 1,   5,   14,  7,   43,  82,  73,  74,  91,   264,  27,  28,  20,  37,
                        256, 19,  30,  266, 8,   12,  267, 268, 3,   269, 270, 271, 30,  256,  272,  273, 274, 257, 258,
                        259, 260, 261, 262, 1577, 1578, 1579, 275, 1580, 1581, 1582, 1583, 283, 284, 285, 286, 6};
    static_assert(ARRAYSIZE(ids) == PAPER_MARGIN_ROWS);
    for (size_t i = 0; i < PAPER_MARGIN_ROWS; ++i) {
        const PAPERMARGIN& m = g_PaperMarginTable[i];
        EXPECT_EQ(m.paperId, ids[i]) << i;
        const LONG x = i == 31 ? 128 : ids[i] == 275 ? 37 : 50, y = ids[i] == 275 ? 0 : 50;
        EXPECT_EQ(m.x, x) << i;
        EXPECT_EQ(m.y, y) << i;
    }
}

TEST_F(ModelAccess, FreeSizeLimitsAreTheFirstBlockOfALoadedModel)
{
    EXPECT_EQ(DrvGetFreeSizeLimits(info), &record->FreeSizeLimits[FREESIZE_DPI_CHANGE]);
    info->dwCapFlags |= MIF_A3PRINTER;
    info->wFinisherType |= FINISHERTYPE_INSTALLED;
    EXPECT_EQ(DrvGetFreeSizeLimits(info), &record->FreeSizeLimits[FREESIZE_DPI_CHANGE]) << "no finisher variant";
    MODELINFO stranger = *info;
    wcscpy(stranger.szModelName, kUnknown);
    EXPECT_EQ(DrvGetFreeSizeLimits(&stranger), nullptr);
    EXPECT_EQ(DrvGetFreeSizeLimits(nullptr), nullptr);
}

// The model as the user-interface library caches it from the sample data.
TEST(ModelAccessSample, CachedSampleModelGivesItsOwnTables)
{
    SavedPaperTables savedPapers;
    struct SavedDither {
        DITHERTABLE tables[DITHER_TABLE_COUNT];
        SavedDither() { std::memcpy(tables, g_DitherTables, sizeof tables); }
        ~SavedDither() { std::memcpy(g_DitherTables, tables, sizeof tables); }
    } savedDither;
    SampleMachine machine;
    ASSERT_TRUE(machine.ok());
    ASSERT_TRUE(machine.importSampleCaches());
    DrvRefreshModel(kC710, nullptr);
    const MODELINFO* mi = DrvLookupModelInfo(kC710);
    ASSERT_NE(mi, nullptr);
    // [DITHER] UDlpgrayEntryMesh=1,2,3,1,2,3,1,2,3 and UDlpgrayEntryLine=3,3,3,3.
    EXPECT_EQ(DrvSelectDitherTable(kC710, 300, 0), &g_DitherTables[0]);
    EXPECT_EQ(DrvSelectDitherTable(kC710, 600, 0), &g_DitherTables[1]);
    EXPECT_EQ(DrvSelectDitherTable(kC710, 1200, 0), &g_DitherTables[2]);
    EXPECT_EQ(DrvSelectDitherTable(kC710, 300, 0xFD03), &g_DitherTables[2]);  // line slot 0
    EXPECT_EQ(DrvSelectDitherTable(kC710, 600, 0xFE03), &g_DitherTables[0]);  // line slot 10: no code
    const SHORT a4 = DrvFindModelPaperIndex(mi, 9);
    ASSERT_GE(a4, 0);
    PAPERRECORD r;
    PRINTABLESIZE size;
    ASSERT_TRUE(DrvGetPaperRecord(kC710, nullptr, 9, &r, &size));
    const PAPERINFO& row = g_PaperTable[mi->adwPaperList[a4]];
    EXPECT_EQ(r.widthDots, row.widthDots);
    EXPECT_EQ(r.portrait.printableWidth, row.portrait.printableWidth);
    EXPECT_GT(size.width, 0);
}

// ---- Device fonts --------------------------------------------------------------------------------

TEST(DeviceFontCounts, HiddenFontsAndTheAuxiliaryTable)
{
    DEVICEFONTREC records[4] = {};
    const WORD flags[] = {DEVFONT_FLAG_HIDDEN, DEVFONT_FLAG_PROPORTIONAL, DEVFONT_FLAG_HIDDEN | DEVFONT_FLAG_SUBSTITUTE, 0};
    for (int i = 0; i < 4; ++i) records[i].wFlags = flags[i];
    DEVICEFONTREC aux[2] = {};
    DEVICEFONTTABLE table = {};
    table.dwCount = 4;
    table.pRecords = records;
    table.dwAuxCount = 2;
    table.pAuxRecords = aux;
    EXPECT_EQ(CountHiddenDeviceFonts(&table), 2u);
    EXPECT_EQ(GetDeviceFontAuxCount(&table), 2u);
    EXPECT_EQ(GetDeviceFontAuxTable(&table), aux);
    table.dwCount = 1;
    EXPECT_EQ(CountHiddenDeviceFonts(&table), 1u);

    DEVICEFONTTABLE empty = {};
    empty.dwCount = 3;     // counts without their records
    empty.dwAuxCount = 5;
    EXPECT_EQ(CountHiddenDeviceFonts(&empty), 0u);
    EXPECT_EQ(GetDeviceFontAuxCount(&empty), 0u);
    EXPECT_EQ(GetDeviceFontAuxTable(&empty), nullptr);
    EXPECT_EQ(CountHiddenDeviceFonts(nullptr), 0u);
    EXPECT_EQ(GetDeviceFontAuxCount(nullptr), 0u);
    EXPECT_EQ(GetDeviceFontAuxTable(nullptr), nullptr);
}

// ---- Wide strings ----------------------------------------------------------------------------------

TEST(WideStrings, CopyPadsTheWholeDestinationAndNothingBeyond)
{
    constexpr wchar_t kSentinel = 0xCCCC;
    const struct {
        const wchar_t* src;
        size_t n;
        std::wstring expected;  // all n characters
    } cases[] = {
        {L"ABC", 8, std::wstring(L"ABC") + std::wstring(5, L'\0')},
        {L"ABC", 3, std::wstring(L"AB") + L'\0'},
        {L"ABC", 4, std::wstring(L"ABC") + L'\0'},
        {L"ABC", 1, std::wstring(1, L'\0')},
        {L"", 3, std::wstring(3, L'\0')},
        {nullptr, 2, std::wstring(2, L'\0')},
        {L"ABC", 0, L""},
    };
    for (const auto& c : cases) {
        wchar_t buffer[12];
        std::fill(std::begin(buffer), std::end(buffer), kSentinel);
        DrvCopyWidePadded(buffer, c.src, c.n);
        EXPECT_EQ(std::wstring(buffer, c.n), c.expected) << c.n;
        for (size_t i = c.n; i < ARRAYSIZE(buffer); ++i) EXPECT_EQ(buffer[i], kSentinel) << c.n << " at " << i;
    }
    DrvCopyWidePadded(nullptr, L"ABC", 4);  // nothing to write to
}

TEST(WideStrings, LengthAndCaseComparison)
{
    EXPECT_EQ(DrvWideLength(L"ABC"), 3u);
    EXPECT_EQ(DrvWideLength(L""), 0u);
    EXPECT_EQ(DrvWideLength(nullptr), 0u);
    EXPECT_EQ(DrvWideLength(L"\u00e9t\u00e9"), 3u);

    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int result;
    } cases[] = {
        {L"Abc", L"aBC", 0},
        {L"Ab", L"Abc", -1},
        {L"Abc", L"Ab", -1},
        {L"abc", L"abd", -1},
        {L"Za", L"zA", 0},
        {L"[", L"{", -1},                  // beside the letters: not folded
        {L"@", L"`", -1},
        {L"\u00e9", L"\u00c9", -1},        // non-ASCII letters are compared exactly
        {L"\u00e9", L"\u00e9", 0},
        {L"\uff41", L"\uff21", -1},        // full-width a / A
        {L"\u00df", L"SS", -1},
        {L"", L"", 0},
        {nullptr, L"", 0},
        {nullptr, L"a", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DrvCompareWideNoCase(c.a, c.b), c.result) << (c.a ? c.a : L"(null)") << L" / " << c.b;
        EXPECT_EQ(DrvCompareWideNoCase(c.b, c.a), c.result) << "reversed";
    }
}

}  // namespace

#endif  // DRV_BUILD_UM
