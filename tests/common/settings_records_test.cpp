// Watermark, overlay and user-paper records of the settings INI, and the queries over the
// user-paper tables.
#include "settings_records.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "datafiles.h"
#include "devmode.h"
#include "global_tables.h"
#include "import_patch.h"
#include "modeltable.h"
#include "sample_machine.h"
#include "system_fakes.h"
#include "test_files.h"

#ifndef DRV_BUILD_UM
#include "settings_import.h"
#endif

namespace {

const wchar_t kModel[] = L"Velmora ColorPage C510";


// Bytes of little-endian WORDs and LONGs, to spell the expected output of a query.
using Bytes = std::vector<BYTE>;
Bytes Words(std::initializer_list<WORD> words)
{
    Bytes b;
    for (WORD w : words) b.insert(b.end(), {static_cast<BYTE>(w), static_cast<BYTE>(w >> 8)});
    return b;
}
Bytes Longs(std::initializer_list<LONG> longs)
{
    Bytes b;
    for (LONG l : longs) {
        const DWORD v = static_cast<DWORD>(l);
        b.insert(b.end(), {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                           static_cast<BYTE>(v >> 24)});
    }
    return b;
}

USERPAPER UserPaper(SHORT id, const wchar_t* name, WORD width, WORD length, WORD option, WORD unit)
{
    USERPAPER p = {};
    p.id = id;
    wcsncpy(p.name, name, USERPAPER_NAME_CCH - 1);
    p.width = width;
    p.length = length;
    p.option = option;
    p.unit = unit;
    return p;
}

LONGPAPER LongPaper(SHORT id, const wchar_t* name, WORD width, WORD length, WORD unit, WORD widthInch,
                    WORD lengthInch)
{
    LONGPAPER p = {};
    p.id = id;
    wcsncpy(p.name, name, USERPAPER_NAME_CCH - 1);
    p.wWidth = width;
    p.wLength = length;
    p.wUnit = unit;
    p.wWidthInch = widthInch;
    p.wLengthInch = lengthInch;
    return p;
}


// The user-paper tables, emptied for a test and restored after it.
class SavedUserPaperTables {
public:
    SavedUserPaperTables() : user_(g_UserPaperTable), long_(g_LongPaperTable) { g_UserPaperTable = g_LongPaperTable = nullptr; }
    ~SavedUserPaperTables()
    {
        if (g_UserPaperTable) GlobalFree(g_UserPaperTable);
        if (g_LongPaperTable) GlobalFree(g_LongPaperTable);
        g_UserPaperTable = user_;
        g_LongPaperTable = long_;
    }

private:
    HGLOBAL user_, long_;
};

// Unit texts of the display names, as the string module would give them.
int WINAPI FakeLoadString(HINSTANCE, UINT id, LPWSTR buffer, int cch)
{
    const wchar_t* text = id == 2902 ? L"mm" : id == 2903 ? L"in" : nullptr;
    if (!text || cch <= 0) return 0;
    const int n = static_cast<int>(wcslen(text));
    if (n >= cch) return 0;
    wcscpy(buffer, text);
    return n;
}

// A model in the model table whose free-size limits are known: widths 762..3280, lengths
// 1270..12000 (0.1 mm).
class PaperQueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());

        MODELRECORD record = {};
        record.FreeSizeLimits[FREESIZE_USER].portrait = {3280, 12000, 3874, 14173, 762, 1270, 900, 1500};
        MODELRECORD* loaded = InstallModelRecord(kModel, record);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(loaded->FreeSizeLimits[FREESIZE_USER].portrait.wMinWidth, 762);
        info = &loaded->ModelInfo;
    }
    SampleMachine machine;
    SavedUserPaperTables savedTables;
    const MODELINFO* info = nullptr;
};

// One query and what it answers.
struct QueryCase {
    const char* what;
    WORD operation;
    WORD id;
    WORD result;
    Bytes out;
};

// Runs the case with a sentinel-filled buffer; the bytes after the expected output stay as they
// were.
template <class Query>
void RunCases(const std::vector<QueryCase>& cases, Query query)
{
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.what);
        BYTE out[1024];
        std::memset(out, 0xCD, sizeof out);
        EXPECT_EQ(query(c.operation, out, sizeof out, c.id), c.result);
        EXPECT_EQ(Bytes(out, out + c.out.size()), c.out);
        EXPECT_EQ(out[c.out.size()], 0xCD) << "wrote past its items";
    }
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

template <class Record>
Bytes RecordBytes(const Record& r)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&r);
    return Bytes(p, p + sizeof r);
}

// 276 fits; 277 is narrower than the minimum width; 278 fits (inches, length 182.0 mm); 279 is
// shorter than the minimum length of user papers.
const USERPAPER kUserPapers[] = {
    UserPaper(276, L"Alpha", 2100, 2970, 1, 0),
    UserPaper(277, L"Beta paper with a name of thirty-four", 500, 1000, 0, 1),
    UserPaper(278, L"Gamma", 2159, 1820, 1, 1),
    UserPaper(279, L"Delta", 1000, 1000, 0, 0),
};

TEST_F(PaperQueryTest, UserPaperQueries)
{
    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(300, std::vector<USERPAPER>(std::begin(kUserPapers), std::end(kUserPapers)));
    const std::vector<QueryCase> cases = {
        {"highest id", UPQ_HIGHEST_ID, 0, 300, {}},
        {"count and first id", UPQ_COUNT_FIRST, 0, 276, Words({4})},
        {"count and first id ignore the filter flags", UPQ_COUNT_FIRST | UPQ_NOT_FITTING, 0, 276, Words({4})},
        {"ids of the fitting papers", UPQ_ID, 0, 4, Words({276, 278})},
        {"ids of all papers", UPQ_ID | UPQ_ALL, 0, 4, Words({276, 277, 278, 279})},
        {"ids of the papers that do not fit", UPQ_ID | UPQ_NOT_FITTING, 0, 4, Words({277, 279})},
        {"ids of all papers, inverted flag ignored", UPQ_ID | UPQ_ALL | UPQ_NOT_FITTING, 0, 4, Words({276, 277, 278, 279})},
        {"sizes", UPQ_SIZE, 0, 4, Words({2100, 2970, 2159, 1820})},
        {"ids and sizes", UPQ_ID_SIZE, 0, 4, Words({276, 2100, 2970, 278, 2159, 1820})},
        {"options", UPQ_OPTION | UPQ_ALL, 0, 4, Words({1, 0, 1, 0})},
        {"ids and options", UPQ_ID_OPTION | UPQ_NOT_FITTING, 0, 4, Words({277, 0, 279, 0})},
        {"units", UPQ_UNIT | UPQ_ALL, 0, 4, Words({0, 1, 1, 0})},
        {"sizes as LONGs", UPQ_SIZE_LONG, 0, 4, Longs({2100, 2970, 2159, 1820})},
        {"ids and sizes as LONGs", UPQ_ID_SIZE_LONG, 0, 4, Longs({276, 2100, 2970, 278, 2159, 1820})},
        {"records", UPQ_RECORD, 0, 4, RecordBytes(kUserPapers[0]) + RecordBytes(kUserPapers[2])},
        {"ids and records", UPQ_ID_RECORD | UPQ_NOT_FITTING, 0, 4,
         Words({277}) + RecordBytes(kUserPapers[1]) + Words({279}) + RecordBytes(kUserPapers[3])},
        {"count of the fitting papers, first id", UPQ_COUNT_VISITED, 0, 276, Words({2})},
        {"count of all papers", UPQ_COUNT_VISITED | UPQ_ALL, 0, 276, Words({4})},
        {"count of the papers that do not fit", UPQ_COUNT_VISITED | UPQ_NOT_FITTING, 0, 276, Words({2})},
        {"one fitting paper: next id", UPQ_ID_SIZE, 276, 277, Words({276, 2100, 2970})},
        {"the last paper: next id 0", UPQ_SIZE, 279, 0x8000, {}},
        {"one paper outside the limits is filtered out, next id marked", UPQ_SIZE, 277, 278 | 0x8000, {}},
        {"one paper outside the limits, unfiltered", UPQ_SIZE | UPQ_ALL, 277, 278 | 0x8000, Words({500, 1000})},
        {"one paper outside the limits, inverted filter", UPQ_ID | UPQ_NOT_FITTING, 277, 278 | 0x8000, Words({277})},
        {"a fitting paper under the inverted filter", UPQ_ID | UPQ_NOT_FITTING, 278, 279, {}},
        {"an id not in the table", UPQ_ID | UPQ_ALL, 290, 0xFFFF, {}},
        {"long-paper items are nothing for user papers", LPQ_MARGIN | UPQ_ALL, 0, 4, {}},
    };
    RunCases(cases, [&](WORD op, void* out, size_t cb, WORD id) { return EnumUserDefPapers(info, op, out, cb, id, nullptr); });
}

// 536 fits; 537 is shorter than 12.7 mm; 538 is shorter than the user-paper minimum but fits as a
// long paper; 540 is in inches; 541 is wider than the maximum.
std::vector<LONGPAPER> LongPapers()
{
    std::vector<LONGPAPER> papers = {
        LongPaper(536, L"Banner", 2100, 12000, 0, 8268, 47244),
        LongPaper(537, L"Stub", 2100, 126, 0, 8268, 496),
        LongPaper(538, L"Ticket", 2100, 1000, 0, 8268, 3937),
        LongPaper(540, L"A long paper with a name of thirty-five", 2159, 9000, 1, 8500, 35433),
        LongPaper(541, L"Wide", 3300, 5000, 0, 12992, 19685),
    };
    LONGPAPER& p = papers[0];
    p.wOption = 3;
    p.wPrintMode = 1;
    p.wAdjustMode = 2;
    p.wPaperCut = 1;
    p.dwStart = 50000;
    p.dwCut = -20;
    p.wMargin = 300;
    p.dwStartUI = 1234;
    p.dwCutUI = -5678;
    p.wMarginInch = 118;
    p.wCutFly = 1;
    return papers;
}

TEST_F(PaperQueryTest, LongPaperQueries)
{
    const std::vector<LONGPAPER> papers = LongPapers();
    g_LongPaperTable = MakePaperTableBlock<LONGPAPERTABLE>(541, papers);
    const std::vector<QueryCase> cases = {
        {"highest id", UPQ_HIGHEST_ID, 0, 541, {}},
        {"count and first id", UPQ_COUNT_FIRST, 0, 536, Words({5})},
        {"ids of the fitting papers (12.7 mm the shortest)", UPQ_ID, 0, 5, Words({536, 538, 540})},
        {"ids outside the limits, as the long-paper commit asks", 514, 0, 5, Words({537, 541})},
        {"records outside the limits", 519, 0, 5, RecordBytes(papers[1]) + RecordBytes(papers[4])},
        {"count outside the limits", 527, 0, 536, Words({2})},
        {"ids and sizes", UPQ_ID_SIZE | UPQ_ALL, 0, 5,
         Words({536, 2100, 12000, 537, 2100, 126, 538, 2100, 1000, 540, 2159, 9000, 541, 3300, 5000})},
        {"one record", UPQ_RECORD, 536, 537, RecordBytes(papers[0])},
        {"id and record", UPQ_ID_RECORD, 540, 541, Words({540}) + RecordBytes(papers[3])},
        {"option", UPQ_OPTION, 536, 537, Words({3})},
        {"unit", UPQ_UNIT, 540, 541, Words({1})},
        {"print mode", LPQ_PRINT_MODE, 536, 537, Words({1})},
        {"adjust mode", LPQ_ADJUST_MODE, 536, 537, Words({2})},
        {"paper cut as a LONG", LPQ_PAPER_CUT, 536, 537, Longs({1})},
        {"start", LPQ_START, 536, 537, Longs({50000})},
        {"cut", LPQ_CUT, 536, 537, Longs({-20})},
        {"margin", LPQ_MARGIN, 536, 537, Words({300})},
        {"start as entered", LPQ_START_UI, 536, 537, Longs({1234})},
        {"cut as entered", LPQ_CUT_UI, 536, 537, Longs({-5678})},
        {"margin in inches", LPQ_MARGIN_INCH, 536, 537, Words({118})},
        {"width in inches", LPQ_WIDTH_INCH, 540, 541, Words({8500})},
        {"length in inches", LPQ_LENGTH_INCH, 540, 541, Words({35433})},
        {"cut on the fly", LPQ_CUT_FLY, 536, 537, Words({1})},
        {"the stub outside the limits, next id marked", UPQ_ID | UPQ_ALL, 537, 538 | 0x8000, Words({537})},
        {"the last record, outside the limits", UPQ_ID, 541, 0x8000, {}},
        {"an id not in the table", UPQ_ID, 539, 0xFFFF, {}},
    };
    RunCases(cases, [&](WORD op, void* out, size_t cb, WORD id) { return EnumUserDefLongPapers(info, op, out, cb, id); });
}

// Display names and short names: the texts in their slots, zero-filled behind the text.
TEST_F(PaperQueryTest, DisplayAndShortNames)
{
    ImportPatch loadString(SelfModule(), "user32.dll", "LoadStringW", reinterpret_cast<const void*>(&FakeLoadString));
    ASSERT_TRUE(loadString.active());
    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(279, std::vector<USERPAPER>(std::begin(kUserPapers), std::end(kUserPapers)));
    g_LongPaperTable = MakePaperTableBlock<LONGPAPERTABLE>(541, LongPapers());

    auto slots = [](const BYTE* out, size_t slotBytes, size_t count, size_t skip) {
        std::vector<std::wstring> texts;
        for (size_t i = 0; i < count; ++i) {
            const BYTE* slot = out + i * (slotBytes + skip) + skip;
            std::wstring text(reinterpret_cast<const wchar_t*>(slot), slotBytes / sizeof(wchar_t));
            const size_t end = text.find(L'\0');
            EXPECT_NE(end, std::wstring::npos);
            EXPECT_EQ(text.find_first_not_of(L'\0', end), std::wstring::npos) << "slot not zero-filled";
            texts.push_back(text.substr(0, end));
        }
        return texts;
    };
    BYTE out[2048];
    const struct {
        const char* what;
        bool longPaper;
        WORD operation;
        size_t slotBytes;
        size_t skip;
        std::vector<std::wstring> texts;
    } cases[] = {
        {"user papers in millimetres and inches (182.0 mm shows as 7.16), names cut at 25", false, UPQ_DISPLAY | UPQ_ALL, 128, 0,
         {L"Alpha 210.0 x 297.0mm", L"Beta paper with a name of 1.97 x 3.94in", L"Gamma 8.50 x 7.16in", L"Delta 100.0 x 100.0mm"}},
        {"user papers with ids", false, UPQ_ID_DISPLAY, 128, 2, {L"Alpha 210.0 x 297.0mm", L"Gamma 8.50 x 7.16in"}},
        {"user short names, 12 characters", false, UPQ_SHORT_NAME | UPQ_ALL, 32, 0, {L"Alpha", L"Beta paper w", L"Gamma", L"Delta"}},
        {"long papers in millimetres and thousandths of an inch", true, UPQ_DISPLAY, 128, 0,
         {L"Banner 210.0 x 1200.0mm", L"Ticket 210.0 x 100.0mm", L"A long paper with a name  8.500 x 35.433in"}},
        {"long short names, 25 characters", true, UPQ_SHORT_NAME | UPQ_NOT_FITTING, 64, 0, {L"Stub", L"Wide"}},
        {"long short names of every record", true, UPQ_SHORT_NAME | UPQ_ALL, 64, 0,
         {L"Banner", L"Stub", L"Ticket", L"A long paper with a name ", L"Wide"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(out, 0xCD, sizeof out);
        const WORD r = c.longPaper ? EnumUserDefLongPapers(info, c.operation, out, sizeof out, 0)
                                   : EnumUserDefPapers(info, c.operation, out, sizeof out, 0, nullptr);
        EXPECT_EQ(r, c.longPaper ? 5 : 4);
        EXPECT_EQ(slots(out, c.slotBytes, c.texts.size(), c.skip), c.texts);
        EXPECT_EQ(out[c.texts.size() * (c.slotBytes + c.skip)], 0xCD);
    }
    // The id ahead of each display name.
    EnumUserDefPapers(info, UPQ_ID_DISPLAY, out, sizeof out, 0, nullptr);
    EXPECT_EQ(Bytes(out, out + 2), Words({276}));
    EXPECT_EQ(Bytes(out + 130, out + 132), Words({278}));
}

// Queries that cannot answer: no table, an output too small for their items (nothing written).
TEST_F(PaperQueryTest, FailedQueries)
{
    BYTE out[64];
    std::memset(out, 0xCD, sizeof out);
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_HIGHEST_ID, out, sizeof out, 0, nullptr), UPQ_FAILED);
    EXPECT_EQ(EnumUserDefLongPapers(info, UPQ_COUNT_FIRST, out, sizeof out, 0), UPQ_FAILED);

    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(279, std::vector<USERPAPER>(std::begin(kUserPapers), std::end(kUserPapers)));
    const struct {
        const char* what;
        WORD operation;
        WORD id;
        size_t cb;
    } cases[] = {
        {"four ids in six bytes", UPQ_ID | UPQ_ALL, 0, 6},
        {"a record in 89 bytes", UPQ_RECORD, 276, 89},
        {"a display name in 127 bytes", UPQ_DISPLAY, 276, 127},
        {"the count in one byte", UPQ_COUNT_FIRST, 0, 1},
        {"the visited count in one byte", UPQ_COUNT_VISITED, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EnumUserDefPapers(info, c.operation, out, c.cb, c.id, nullptr), UPQ_FAILED);
        EXPECT_EQ(out[0], 0xCD);
    }
    // The same queries with room enough answer.
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_ID | UPQ_ALL, out, 8, 0, nullptr), 4);
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_ID, nullptr, 0, 276, nullptr), UPQ_FAILED);
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_ID | UPQ_NOT_FITTING, nullptr, 0, 276, nullptr), 277)
        << "a query that visits nothing needs no output";
}

// The empty tables, and a model that is not in the model table (no limits: nothing fits).
TEST_F(PaperQueryTest, EmptyTablesAndUnknownModels)
{
    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(USERPAPER_FIRST_ID, std::vector<USERPAPER>{});
    g_LongPaperTable = MakePaperTableBlock<LONGPAPERTABLE>(LONGPAPER_FIRST_ID, std::vector<LONGPAPER>{});
    WORD count = 0xCDCD;
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_COUNT_FIRST, &count, sizeof count, 0, nullptr), 0);
    EXPECT_EQ(count, 0);
    count = 0xCDCD;
    EXPECT_EQ(EnumUserDefLongPapers(info, UPQ_COUNT_VISITED, &count, sizeof count, 0), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_HIGHEST_ID, nullptr, 0, 0, nullptr), 276);
    EXPECT_EQ(EnumUserDefLongPapers(info, UPQ_HIGHEST_ID, nullptr, 0, 0), 536);

    GlobalFree(g_UserPaperTable);
    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(279, std::vector<USERPAPER>(std::begin(kUserPapers), std::end(kUserPapers)));
    MODELINFO unknown = {};
    wcscpy(unknown.szModelName, L"Not a model");
    WORD ids[4] = {};
    EXPECT_EQ(EnumUserDefPapers(&unknown, UPQ_COUNT_VISITED, ids, sizeof ids, 0, nullptr), 276);
    EXPECT_EQ(ids[0], 0);
    EXPECT_EQ(EnumUserDefPapers(&unknown, UPQ_ID | UPQ_NOT_FITTING, ids, sizeof ids, 0, nullptr), 4);
    EXPECT_EQ(ids[0], 276);
    EXPECT_EQ(ids[3], 279);
    EXPECT_EQ(EnumUserDefPapers(nullptr, UPQ_ID, ids, sizeof ids, 278, nullptr), 279 | 0x8000);
}

// A block whose header claims more records than it holds is read only as far as it goes.
TEST_F(PaperQueryTest, CountBeyondTheBlockIsLimited)
{
    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(279, std::vector<USERPAPER>(std::begin(kUserPapers), std::begin(kUserPapers) + 2));
    auto* header = static_cast<USERPAPERTABLE*>(GlobalLock(g_UserPaperTable));
    const SIZE_T records = (GlobalSize(g_UserPaperTable) - sizeof(USERPAPERTABLE)) / sizeof(USERPAPER);
    header->wCount = 500;
    GlobalUnlock(g_UserPaperTable);
    WORD count = 0;
    EXPECT_EQ(EnumUserDefPapers(info, UPQ_COUNT_FIRST, &count, sizeof count, 0, nullptr), 276);
    EXPECT_EQ(count, records);
    EXPECT_LT(count, 500);
}

// ---- Watermarks from the DEVMODE --------------------------------------------------------------

TEST(WatermarkRecord, FromDevmodeLimitsAndKeepsTheEntryOnlyFields)
{
    DRVEXTRA extra = {};
    extra.wWmkSize = 0;
    extra.wWmkAngle = -400;
    extra.dwWmkColor = 0x01000000;
    extra.wWmkX = 1500;
    extra.wWmkY = -1001;
    extra.dwWmkWeight = 700;
    extra.bWmkItalic = 1;
    extra.bWmkCharSet = 128;
    wcscpy(extra.szWatermarkFont, L"Face");
    for (wchar_t& ch : extra.szWatermarkText) ch = L'T';  // fills its field, no terminator
    extra.wWmkPosition = 7;
    extra.wWmkFrame = 3;

    WATERMARKDEF w;
    std::memset(&w, 0x5A, sizeof w);
    ASSERT_TRUE(WatermarkFromDevmode(&w, L"W0000012", extra));
    EXPECT_EQ(w.wSize, 1);
    EXPECT_EQ(w.sAngle, -180);
    EXPECT_EQ(w.dwColor, 0xFFFFFFu);
    EXPECT_EQ(w.lXOffset, 1000);
    EXPECT_EQ(w.lYOffset, -1000);
    EXPECT_EQ(w.lWeight, 700);
    EXPECT_EQ(w.bItalic, 1);
    EXPECT_EQ(w.bCharSet, 128);
    EXPECT_STREQ(w.szFace, L"Face");
    EXPECT_EQ(std::wstring(w.szText), std::wstring(63, L'T'));
    EXPECT_STREQ(w.szKey, L"W0000012");
    EXPECT_EQ(w.wPlacement, 7);
    EXPECT_EQ(w.wFrame, 3);
    EXPECT_EQ(w.dwNumber, 0x5A5A5A5Au);
    EXPECT_EQ(w.wJobInfo, 0x5A5A);

    WATERMARKDEF before = w;
    EXPECT_FALSE(WatermarkFromDevmode(&w, nullptr, extra));
    EXPECT_FALSE(WatermarkFromDevmode(&w, L"W00000000000000000012", extra)) << "key longer than its field";
    EXPECT_EQ(std::memcmp(&w, &before, sizeof w), 0);
}

TEST(WatermarkRecord, Limits)
{
    const struct {
        LONG in;
        WORD size;
        SHORT angle;
        DWORD color;
        LONG offset;
    } cases[] = {
        {LONG_MIN, 1, -180, 0, -1000},
        {-1000, 1, -180, 0, -1000},
        {-999, 1, -180, 0, -999},
        {-180, 1, -180, 0, -180},
        {-179, 1, -179, 0, -179},
        {0, 1, 0, 0, 0},
        {1, 1, 1, 1, 1},
        {2, 2, 2, 2, 2},
        {180, 180, 180, 180, 180},
        {181, 181, 180, 181, 181},
        {600, 600, 180, 600, 600},
        {601, 600, 180, 601, 601},
        {999, 600, 180, 999, 999},
        {1000, 600, 180, 1000, 1000},
        {0xFFFFFE, 600, 180, 0xFFFFFE, 1000},
        {0xFFFFFF, 600, 180, 0xFFFFFF, 1000},
        {0x1000000, 600, 180, 0xFFFFFF, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(WatermarkLimitSize(c.in), c.size);
        EXPECT_EQ(WatermarkLimitAngle(c.in), c.angle);
        EXPECT_EQ(WatermarkLimitColor(c.in), c.color);
        EXPECT_EQ(WatermarkLimitOffset(c.in), c.offset);
    }
}

#ifndef DRV_BUILD_UM

// ---- Settings INI ----------------------------------------------------------------------------

// A settings INI of the test's own (a new file each time, so that no copy the profile functions
// keep of an earlier one is read), set as the library's settings INI while the object lives.
class SettingsIni {
public:
    explicit SettingsIni(const std::string& text)
    {
        path_ = folder_.path() + L"VRSET.INI";
        ok_ = WriteTextFile(path_, text) && DrvSetSettingsIniPath(path_.c_str());
    }
    ~SettingsIni() { DrvSetSettingsIniPath(L""); }
    bool ok() const { return ok_; }
    // Writes a value with the profile functions, as the dialogs do.
    bool Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) const
    {
        return WritePrivateProfileStringW(section, key, value.c_str(), path_.c_str()) != FALSE;
    }

private:
    TempFolder folder_;
    std::wstring path_;
    bool ok_ = false;
};

TEST(SettingsToken, FieldsAreCopiedWholeOrRefused)
{
    const struct {
        const char* what;
        const wchar_t* text;
        size_t cch;
        BOOL ok;
        const wchar_t* field;
        size_t consumed;
    } cases[] = {
        {"up to the delimiter, which is passed", L"abc,def", 8, TRUE, L"abc", 4},
        {"to the end", L"abc", 8, TRUE, L"abc", 3},
        {"an empty field", L",x", 8, TRUE, L"", 1},
        {"at the end: empty", L"", 8, TRUE, L"", 0},
        {"exactly fits with its terminator", L"abcdefg,", 8, TRUE, L"abcdefg", 8},
        {"one character too long is refused, not cut", L"abcdefgh,", 8, FALSE, L"", 0},
        {"no room at all", L"a", 0, FALSE, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WCHAR out[16];
        wcscpy(out, L"previous");
        LPCWSTR cursor = c.text;
        EXPECT_EQ(ReadSettingsToken(&cursor, L',', out, c.cch), c.ok);
        if (c.field) {
            EXPECT_STREQ(out, c.field);
        }
        EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.consumed);
    }

    // Each field belongs to its caller: reading the next field changes no earlier one; a skipped
    // field may be of any length.
    const std::wstring value = L"first," + std::wstring(300, L'x') + L",third";
    LPCWSTR cursor = value.c_str();
    WCHAR first[8], third[8];
    ASSERT_TRUE(ReadSettingsToken(&cursor, L',', first, std::size(first)));
    ASSERT_TRUE(ReadSettingsToken(&cursor, L',', nullptr, 0));
    ASSERT_TRUE(ReadSettingsToken(&cursor, L',', third, std::size(third)));
    EXPECT_STREQ(first, L"first");
    EXPECT_STREQ(third, L"third");
}

// An entry's value: the 16 fields into the record, numbers limited; texts that do not fit their
// field refuse the entry.
TEST(SettingsWatermark, EntriesReadIntoTheRecord)
{
    const std::wstring face63(63, L'F'), text64(64, L'T');
    const struct {
        const char* what;
        std::wstring value;
        BOOL ok;
        WORD size;
        SHORT angle;
        DWORD color;
        LONG x, y;
        const wchar_t* face;
        const wchar_t* text;
    } cases[] = {
        {"limits", L"0,400,-5,2000,-2000,400,0,0,Face,,Text,,0,0,0,0", TRUE, 1, 180, 0, 1000, -1000, L"Face", L"Text"},
        {"the other ends", L"601,-180,16777215,-999,999,400,0,0,F,,T,,0,0,0,0", TRUE, 600, -180, 0xFFFFFF, -999, 999, L"F", L"T"},
        {"a face of 63 characters fits", L"36,0,0,0,0,400,0,0," + face63 + L",,T,,0,0,0,0", TRUE, 36, 0, 0, 0, 0, face63.c_str(), L"T"},
        {"a face of 64 characters does not", L"36,0,0,0,0,400,0,0," + face63 + L"F,,T,,0,0,0,0", FALSE, 0, 0, 0, 0, 0, nullptr, nullptr},
        {"a text of 64 characters does not", L"36,0,0,0,0,400,0,0,F,," + text64 + L",,0,0,0,0", FALSE, 0, 0, 0, 0, 0, nullptr, nullptr},
        {"a number field longer than 128 characters", L"36," + std::wstring(129, L'0') + L",0,0,0,400,0,0,F,,T,,0,0,0,0", FALSE, 0, 0, 0, 0, 0, nullptr, nullptr},
        {"a value longer than 255 characters", L"36,0,0,0,0,400,0,0,F," + std::wstring(240, L'u') + L",T,,0,0,0,0", FALSE, 0, 0, 0, 0, 0, nullptr, nullptr},
        {"missing trailing fields read as 0", L"36,45", TRUE, 36, 45, 0, 0, 0, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsIni ini("");
        ASSERT_TRUE(ini.ok());
        ASSERT_TRUE(ini.Write(L"Watermark", L"W0000001", c.value));
        WATERMARKDEF w;
        std::memset(&w, 0x5A, sizeof w);
        const WATERMARKDEF before = w;
        ASSERT_EQ(ReadWatermarkEntry(&w, L"W0000001"), c.ok);
        if (!c.ok) {
            EXPECT_EQ(std::memcmp(&w, &before, sizeof w), 0) << "a refused entry leaves the record";
            continue;
        }
        EXPECT_EQ(w.wSize, c.size);
        EXPECT_EQ(w.sAngle, c.angle);
        EXPECT_EQ(w.dwColor, c.color);
        EXPECT_EQ(w.lXOffset, c.x);
        EXPECT_EQ(w.lYOffset, c.y);
        EXPECT_STREQ(w.szFace, c.face);
        EXPECT_STREQ(w.szText, c.text);
        EXPECT_STREQ(w.szKey, L"W0000001");
    }
}

// Every field written the way the watermark list stores it comes back.
TEST(SettingsWatermark, RoundTripAndMissingEntries)
{
    SettingsIni ini("[Watermark]\r\nW0000002=\r\n");
    ASSERT_TRUE(ini.ok());
    ASSERT_TRUE(ini.Write(L"Watermark", L"W0000007", L"72,-45,16711680,-120,340,700,1,128,Times,x,CONFIDENTIAL,y,4096,7,3,4097"));
    WATERMARKDEF w = {};
    w.reserved318[0] = 0x77;
    ASSERT_TRUE(ReadWatermarkEntry(&w, L"W0000007"));
    EXPECT_EQ(w.wSize, 72);
    EXPECT_EQ(w.sAngle, -45);
    EXPECT_EQ(w.dwColor, 16711680u);
    EXPECT_EQ(w.lXOffset, -120);
    EXPECT_EQ(w.lYOffset, 340);
    EXPECT_EQ(w.lWeight, 700);
    EXPECT_EQ(w.bItalic, 1);
    EXPECT_EQ(w.bCharSet, 128);
    EXPECT_STREQ(w.szFace, L"Times");
    EXPECT_STREQ(w.szText, L"CONFIDENTIAL");
    EXPECT_STREQ(w.szKey, L"W0000007");
    EXPECT_EQ(w.dwNumber, 4096u);
    EXPECT_EQ(w.wPlacement, 7);
    EXPECT_EQ(w.wFrame, 3);
    EXPECT_EQ(w.wJobInfo, 4097);
    EXPECT_EQ(w.reserved318[0], 0x77);

    const WATERMARKDEF before = w;
    EXPECT_FALSE(ReadWatermarkEntry(&w, L"W0000003")) << "missing";
    EXPECT_FALSE(ReadWatermarkEntry(&w, L"W0000002")) << "empty";
    EXPECT_FALSE(ReadWatermarkEntry(&w, nullptr));
    EXPECT_EQ(std::memcmp(&w, &before, sizeof w), 0);
}

// ---- Overlays ------------------------------------------------------------------------------------

std::vector<int> PagesOf(const OVERLAY_ENTRY& e)
{
    std::vector<int> pages;
    for (int n = 0; n < static_cast<int>(PAGESET_BYTES) * 8; ++n)
        if (e.PageSet[n / 8] & (1u << (n % 8))) pages.push_back(n);
    return pages;
}

TEST(SettingsOverlay, EntriesReadIntoTheRecord)
{
    std::wstring manyPages;  // every odd page up to 199: a list longer than 128 characters
    for (int n = 1; n < 200; n += 2) manyPages += std::to_wstring(n) + L",";
    std::vector<int> odd;
    for (int n = 1; n < 200; n += 2) odd.push_back(n);

    const struct {
        const char* what;
        std::wstring value;
        BOOL ok;
        SHORT m0, m1, m2;
        SHORT selection;
        std::vector<int> pages;
    } cases[] = {
        {"listed pages", L"Form!12,,7!4!1-3,5", TRUE, 12, -1, 7, 4, {1, 2, 3, 5}},
        {"a page above 999 fails", L"Form!12!4!1000", FALSE, 12, -1, -1, 4, {}},
        {"a bad page list fails", L"Form!12!4!1-2-3", FALSE, 12, -1, -1, 4, {}},
        {"the list is read only for listed pages", L"Form!1,2,3!2!garbage", TRUE, 1, 2, 3, 2, {}},
        {"no forms", L"Form!!0!", TRUE, -1, -1, -1, 0, {}},
        {"a fourth form is ignored", L"Form!1,2,3,4!1!", TRUE, 1, 2, 3, 1, {}},
        {"page 0 is no page", L"Form!9!4!-2", TRUE, 9, -1, -1, 4, {1, 2}},
        {"a list longer than 128 characters is read whole", L"Form!5!4!" + manyPages, TRUE, 5, -1, -1, 4, odd},
        {"a name may be long", std::wstring(300, L'N') + L"!5!0!", TRUE, 5, -1, -1, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsIni ini("");
        ASSERT_TRUE(ini.ok());
        ASSERT_TRUE(ini.Write(L"Defined Overlay", L"4294967295", c.value));
        OVERLAY_ENTRY e;
        std::memset(&e, 0x5A, sizeof e);
        EXPECT_EQ(ReadOverlayEntry(&e, 0xFFFFFFFF), c.ok);
        EXPECT_EQ(e.dwId, 0xFFFFFFFFu);
        EXPECT_EQ(e.sMacro[0], c.m0);
        EXPECT_EQ(e.sMacro[1], c.m1);
        EXPECT_EQ(e.sMacro[2], c.m2);
        EXPECT_EQ(e.sPageSelect, c.selection);
        EXPECT_EQ(PagesOf(e), c.pages);
    }
}

TEST(SettingsOverlay, RefusedEntriesLeaveTheRecord)
{
    SettingsIni ini("[Defined Overlay]\r\n2=\r\n");
    ASSERT_TRUE(ini.ok());
    ASSERT_TRUE(ini.Write(L"Defined Overlay", L"4", L"Form!" + std::wstring(129, L'1') + L"!0!"));
    std::wstring longList;
    for (int i = 0; i < 255; ++i) longList += L"1,";
    ASSERT_TRUE(ini.Write(L"Defined Overlay", L"8", L"Form!1!4!" + longList));
    OVERLAY_ENTRY e;
    std::memset(&e, 0x5A, sizeof e);
    const OVERLAY_ENTRY before = e;
    EXPECT_FALSE(ReadOverlayEntry(&e, 1)) << "missing";
    EXPECT_FALSE(ReadOverlayEntry(&e, 2)) << "empty";
    EXPECT_FALSE(ReadOverlayEntry(&e, 4)) << "forms longer than 128 characters";
    EXPECT_FALSE(ReadOverlayEntry(&e, 8)) << "value longer than 511 characters";
    EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0);
}

// ---- User papers and long papers -------------------------------------------------------------

TEST(SettingsPaperValue, UserPaperValues)
{
    const struct {
        const char* what;
        const wchar_t* value;
        BOOL ok;
        USERPAPER expected;
    } cases[] = {
        {"as the dialog writes it", L"Card,1000,1500,1,0", TRUE, UserPaper(0, L"Card", 1000, 1500, 1, 0)},
        {"inches exactly when the unit starts with 1", L"Card,1000,1500,0,1", TRUE, UserPaper(0, L"Card", 1000, 1500, 0, 1)},
        {"a unit of 2 is millimetres", L"Card,1000,1500,0,2", TRUE, UserPaper(0, L"Card", 1000, 1500, 0, 0)},
        {"a unit of 10 is inches", L"Card,1000,1500,0,10", TRUE, UserPaper(0, L"Card", 1000, 1500, 0, 1)},
        {"names keep 39 characters", L"0123456789012345678901234567890123456789ABC,1,2,3,1", TRUE,
         UserPaper(0, L"012345678901234567890123456789012345678", 1, 2, 3, 1)},
        {"sizes beyond 16 bits read as 65535", L"Big,70000,99999999999,0,0", TRUE, UserPaper(0, L"Big", 65535, 65535, 0, 0)},
        {"missing fields read as 0", L"Name", TRUE, UserPaper(0, L"Name", 0, 0, 0, 0)},
        {"an empty value is no paper", L"", FALSE, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        USERPAPER p = UserPaper(99, L"before", 1, 1, 1, 1);
        const USERPAPER before = p;
        ASSERT_EQ(ParseUserPaperValue(c.value, &p), c.ok);
        const USERPAPER& expected = c.ok ? c.expected : before;
        EXPECT_EQ(RecordBytes(p), RecordBytes(expected));
    }
}

// Long-paper tables built from [UserDefLong]: records in list order, each a non-empty entry.
class LongPaperListTest : public ::testing::Test {
protected:
    SavedUserPaperTables saved;
};

TEST_F(LongPaperListTest, TablesFromTheSection)
{
    const std::string banner = "Paper536=Banner,2100,12000,3,0,1,2,1,50000,-20,300,1234,-5678,118,8268,47244,1\r\n";
    const std::string stub = "Paper537=Stub,2100,126,0,0,0,0,0,50000,50000,0,0,0,0,8268,496,0\r\n";
    const std::string inch = "Paper600=Inch,2159,9000,0,1,0,0,0,50000,50000,0,0,0,0,8500,35433,0\r\n";
    const struct {
        const char* what;
        std::string section;
        std::vector<SHORT> ids;
        WORD highest;
        WORD updateNo;
        size_t room;  // records the block has room for
    } cases[] = {
        {"every listed entry", "numDefine=3\r\nPaperEntry=536,537,600,\r\nUpdateNo=9\r\n" + banner + stub + inch,
         {536, 537, 600}, 600, 9, 3},
        {"an empty entry is no paper and is not counted",
         "numDefine=3\r\nPaperEntry=536,538,537,\r\nPaper538=\r\n" + banner + stub, {536, 537}, 537, 0, 3},
        {"an entry that is missing is not counted", "numDefine=2\r\nPaperEntry=539,536\r\n" + banner, {536}, 536, 0, 2},
        {"no more ids than numDefine", "numDefine=2\r\nPaperEntry=536,537,600,\r\n" + banner + stub + inch, {536, 537}, 537, 0, 2},
        {"the walk ends at a character other than a comma", "numDefine=3\r\nPaperEntry=536;537,600,\r\n" + banner + stub + inch,
         {536}, 536, 0, 3},
        {"ids that cannot be paper codes are passed over",
         "numDefine=4\r\nPaperEntry=0,70000,,536,\r\nPaper0=" + banner.substr(9) + "Paper4464=" + banner.substr(9) + banner,
         {536}, 536, 0, 4},
        {"numDefine 0", "numDefine=0\r\nPaperEntry=536,\r\n" + banner, {}, 536, 0, 0},
        {"no section", "", {}, 536, 0, 0},
        {"a negative numDefine", "numDefine=-1\r\nPaperEntry=536,\r\n" + banner, {}, 536, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsIni ini(c.section.empty() ? "" : "[UserDefLong]\r\n" + c.section);
        ASSERT_TRUE(ini.ok());
        if (g_LongPaperTable) GlobalFree(g_LongPaperTable);
        g_LongPaperTable = nullptr;
        LoadUserDefLongList();
        ASSERT_NE(g_LongPaperTable, nullptr);
        auto* table = static_cast<LONGPAPERTABLE*>(GlobalLock(g_LongPaperTable));
        EXPECT_EQ(GlobalSize(g_LongPaperTable), LongPaperTableBytes(c.room));
        EXPECT_EQ(table->wHighestId, c.highest);
        EXPECT_EQ(table->wUpdateNo, c.updateNo);
        std::vector<SHORT> ids;
        for (WORD i = 0; i < table->wCount; ++i) ids.push_back(LongPaperRecords(table)[i].id);
        EXPECT_EQ(ids, c.ids);
        GlobalUnlock(g_LongPaperTable);
    }
}

// A long paper written in the form of the long-paper list comes back field for field, and the
// table is built only once.
TEST_F(LongPaperListTest, RoundTripAndBuiltOnce)
{
    SettingsIni ini("[UserDefLong]\r\nnumDefine=1\r\nPaperEntry=536,\r\nUpdateNo=4\r\n");
    ASSERT_TRUE(ini.ok());
    LONGPAPER expected = LongPapers()[0];
    std::wstring value = expected.name;
    for (LONG v : {LONG{expected.wWidth}, LONG{expected.wLength}, LONG{expected.wOption}, LONG{expected.wUnit},
                   LONG{expected.wPrintMode}, LONG{expected.wAdjustMode}, LONG{expected.wPaperCut}, expected.dwStart,
                   expected.dwCut, LONG{expected.wMargin}, expected.dwStartUI, expected.dwCutUI, LONG{expected.wMarginInch},
                   LONG{expected.wWidthInch}, LONG{expected.wLengthInch}, LONG{expected.wCutFly}})
        value += L"," + std::to_wstring(v);
    ASSERT_TRUE(ini.Write(L"UserDefLong", L"Paper536", value));

    LoadUserDefLongList();
    ASSERT_NE(g_LongPaperTable, nullptr);
    auto* table = static_cast<LONGPAPERTABLE*>(GlobalLock(g_LongPaperTable));
    ASSERT_EQ(table->wCount, 1);
    EXPECT_EQ(RecordBytes(LongPaperRecords(table)[0]), RecordBytes(expected));
    GlobalUnlock(g_LongPaperTable);

    const HGLOBAL built = g_LongPaperTable;
    ASSERT_TRUE(ini.Write(L"UserDefLong", L"numDefine", L"0"));
    LoadUserDefLongList();
    EXPECT_EQ(g_LongPaperTable, built);

    // Fields that do not fit are refused with the whole entry.
    LONGPAPER p = expected;
    EXPECT_FALSE(ParseLongPaperValue((L"N," + std::wstring(129, L'1')).c_str(), &p));
    EXPECT_EQ(RecordBytes(p), RecordBytes(expected));
}

#endif  // DRV_BUILD_UM

}  // namespace
