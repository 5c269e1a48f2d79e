// Questions about a model: list lookups and their out-of-range answers, sizes, resolution slots,
// memory needs and free-size limits, over hand-made model information and the sample models.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "datafiles.h"
#include "devmode.h"
#include "global_tables.h"
#include "model_queries.h"
#include "modeltable.h"
#include "module.h"
#include "papertables.h"
#include "settings_records.h"
#include "sample_machine.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

const wchar_t kC710[] = L"Velmora ColorPage C710";
const wchar_t kC510[] = L"Velmora ColorPage C510";
const wchar_t kC910J[] = L"Velmora ColorPage C910J";

constexpr wchar_t kMetricCountry[] = L"44";
constexpr wchar_t kLetterCountry[] = L"1";

constexpr WORD kEmpty = RESOLUTION_SLOT_EMPTY;



// A driver folder with the sample data and a machine-wide data folder of the test's own.
class ModelQueriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
    }

    // Puts a record of these contents into the model table under the C510's name, as both
    // libraries take one, and returns the table's record.
    MODELRECORD* Install(const MODELRECORD& record) { return InstallModelRecord(kC510, record); }

    SavedPaperTables saved;
    SampleMachine machine;
};

// A paper-table row with a size in dots and 0.1 mm and its two printable areas.
void SetPaper(WORD row, WORD id, WORD kind, WORD wDots, WORD lDots, WORD wMm, WORD lMm)
{
    PAPERINFO& p = g_PaperTable[row];
    p = PAPERINFO{};
    p.paperId = id;
    p.kind = kind;
    p.widthDots = wDots;
    p.lengthDots = lDots;
    p.widthMm10 = wMm;
    p.lengthMm10 = lMm;
    p.portrait = {static_cast<WORD>(wDots - 100), static_cast<WORD>(lDots - 100), 50, 50, 0, {}};
    p.landscape = {static_cast<WORD>(lDots - 120), static_cast<WORD>(wDots - 120), 60, 60, 0, {}};
}

// Paper table rows 0..4 and a paper list over them:
//   entry 0: row 0, A4 (9), sizes in dots and 0.1 mm
//   entry 1: row 2, Statement (6), no size in 0.1 mm         <- default entry
//   entry 2: row 3, long paper (275), kind 16
//   entry 3: row 4, user size (256), kind 1 (free-size name)
//   entry 4: row 70, not a row of the paper table
// and, past the count, entry 5: row 1, Letter (1).
MODELINFO PaperModel()
{
    SetPaper(0, 9, 0, 2480, 3508, 2100, 2970);
    SetPaper(1, 1, 0, 2550, 3300, 2159, 2794);
    SetPaper(2, 6, 0, 1650, 2550, 0, 0);
    SetPaper(3, 275, PAPER_KIND_LONG, 2480, 14173, 2100, 12000);
    SetPaper(4, 256, PAPER_KIND_FREESIZE, 3874, 14173, 3280, 12000);
    MODELINFO mi = {};
    const DWORD rows[] = {0, 2, 3, 4, 70, 1};
    std::memcpy(mi.adwPaperList, rows, sizeof rows);
    mi.nPapers = 5;
    mi.iDefaultPaper = 1;
    return mi;
}

TEST_F(ModelQueriesTest, PaperAtIndexOfTheActiveList)
{
    const MODELINFO mi = PaperModel();
    const struct {
        int index;
        WORD id, kind;
        BOOL found;
        WORD dots[2], mm[2];
    } cases[] = {
        {0, 9, 0, TRUE, {2480, 3508}, {2100, 2970}},
        // No size in 0.1 mm: worked out from the dots, (dots * 2540 + 1500) / 3000.
        {1, 6, 0, TRUE, {1650, 2550}, {1397, 2159}},
        {2, 275, PAPER_KIND_LONG, TRUE, {2480, 14173}, {2100, 12000}},
        {3, 256, PAPER_KIND_FREESIZE, TRUE, {3874, 14173}, {3280, 12000}},
        {4, 0, 0, FALSE, {}, {}},  // the entry names no row of the table
        {5, 0, 0, FALSE, {}, {}},  // equal to the count: past the list, however the entry is set
        {-1, 0, 0, FALSE, {}, {}},
        {64, 0, 0, FALSE, {}, {}},
        {INT_MAX, 0, 0, FALSE, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(DrvGetPaperId(&mi, c.index), c.id);
        EXPECT_EQ(DrvGetPaperKind(&mi, c.index), c.kind);
        WORD dots[2] = {0xAAAA, 0xAAAA}, mm[2] = {0xAAAA, 0xAAAA};
        EXPECT_EQ(DrvGetPaperSizeDots(&mi, c.index, dots), c.found);
        EXPECT_EQ(DrvGetPaperSize(&mi, c.index, mm), c.found);
        if (c.found) {
            EXPECT_EQ(std::vector<WORD>(dots, dots + 2), std::vector<WORD>(c.dots, c.dots + 2));
            EXPECT_EQ(std::vector<WORD>(mm, mm + 2), std::vector<WORD>(c.mm, c.mm + 2));
        } else {
            EXPECT_EQ(dots[0] & dots[1] & mm[0] & mm[1], 0xAAAA) << "out untouched";
        }
    }
    EXPECT_EQ(DrvGetPaperId(nullptr, 0), 0);
}

TEST_F(ModelQueriesTest, PaperCountAboveTheListSizeIsCut)
{
    MODELINFO mi = PaperModel();
    for (DWORD& row : mi.adwPaperList) row = 0;
    mi.adwPaperList[63] = 1;
    mi.nPapers = 200;
    EXPECT_EQ(DrvGetPaperId(&mi, 63), 1);
    EXPECT_EQ(DrvGetPaperId(&mi, 64), 0);
    EXPECT_EQ(DrvGetPaperId(&mi, 199), 0);
    EXPECT_EQ(DrvFindPaperIndex(&mi, 1), 63);
}

TEST_F(ModelQueriesTest, PaperIdsAreFoundInTheListOnly)
{
    const MODELINFO mi = PaperModel();
    const struct {
        WORD id;
        SHORT index;
        BOOL longPaper;
    } cases[] = {
        {9, 0, FALSE},   {6, 1, FALSE},  {275, 2, TRUE}, {256, 3, FALSE},
        {1, -1, FALSE},  // Letter's entry lies past the count
        {5, -1, FALSE},  // not in the list
        {0, -1, FALSE},  // the zero id: the unused rows hold it, but no entry names one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(DrvFindPaperIndex(&mi, c.id), c.index);
        EXPECT_EQ(DrvIsLongPaper(&mi, c.id), c.longPaper);
    }
    EXPECT_EQ(DrvFindPaperIndex(nullptr, 9), -1);
    EXPECT_FALSE(DrvIsLongPaper(nullptr, 275));
}

TEST_F(ModelQueriesTest, PrintableAreaAndOffsetTakeTheDefaultPaperOutOfRange)
{
    MODELINFO mi = PaperModel();
    const struct {
        int index, orientation;
        BOOL found;
        WORD area[2], offset[2];
    } cases[] = {
        {0, 1, TRUE, {2380, 3408}, {50, 50}},
        {0, 2, TRUE, {3388, 2360}, {60, 60}},
        {0, 0, TRUE, {3388, 2360}, {60, 60}},  // any value but 1 is landscape
        {5, 1, TRUE, {1550, 2450}, {50, 50}},  // count: the default entry, Statement
        {-3, 2, TRUE, {2430, 1530}, {60, 60}},
        {4, 1, FALSE, {}, {}},                 // an entry outside the paper table
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << "/" << c.orientation);
        WORD area[2] = {0xAAAA, 0xAAAA}, offset[2] = {0xAAAA, 0xAAAA};
        EXPECT_EQ(DrvGetPrintableArea(&mi, c.index, c.orientation, area), c.found);
        EXPECT_EQ(DrvGetPrintableOffset(&mi, c.index, c.orientation, offset), c.found);
        if (!c.found) continue;
        EXPECT_EQ(std::vector<WORD>(area, area + 2), std::vector<WORD>(c.area, c.area + 2));
        EXPECT_EQ(std::vector<WORD>(offset, offset + 2), std::vector<WORD>(c.offset, c.offset + 2));
    }
    // A default index that is no entry of the list (a damaged data file) gives nothing.
    for (LONG badDefault : {-1L, 5L, 1000L}) {
        mi.iDefaultPaper = badDefault;
        WORD out[2] = {0xAAAA, 0xAAAA};
        EXPECT_FALSE(DrvGetPrintableArea(&mi, 7, 1, out)) << badDefault;
        EXPECT_FALSE(DrvGetPrintableOffset(&mi, 7, 1, out)) << badDefault;
        EXPECT_EQ(out[0] & out[1], 0xAAAA);
    }
}

TEST(PaperSelectable, FixedIdsAndTheUserSizeOnRequest)
{
    const MODELINFO mi = {};
    for (WORD id = 0; id < 600; ++id) {
        const bool always = id == 73 || id == 74 || id == 91 || id == 259 || id == 264 || (id >= 271 && id <= 274);
        EXPECT_EQ(DrvIsPaperSelectable(&mi, id, FALSE), always ? TRUE : FALSE) << id;
        EXPECT_EQ(DrvIsPaperSelectable(&mi, id, TRUE), (always || id == 256) ? TRUE : FALSE) << id;
    }
}

// Sources: rows 0, 1, 7 (ids 7, 1, 4), then row 40 past the count; default entry 2.
// Media: rows 0, 14 (ids 512, 528), then row 15 (one past the table); default entry 1.
MODELINFO SourceModel()
{
    MODELINFO mi = {};
    const DWORD sources[] = {0, 1, 7, 40};
    std::memcpy(mi.adwSourceList, sources, sizeof sources);
    mi.nSources = 3;
    mi.iDefaultSource = 2;
    const DWORD media[] = {0, 14, 15};
    std::memcpy(mi.adwMediaList, media, sizeof media);
    mi.nMedia = 2;
    mi.iDefaultMedia = 1;
    return mi;
}

TEST(SourceAndMedia, IdsAtIndexesAndSourceOrMediaValues)
{
    MODELINFO mi = SourceModel();
    const struct {
        LONG value;
        WORD source, media, sourceOrMedia;
    } cases[] = {
        // value: as a source index, as a media value (entry value - 256), as a source-or-media value
        {0, 7, 528, 7},       {1, 1, 528, 1},       {2, 4, 528, 4},
        {3, 4, 528, 4},       // equal to the source count: the default source
        {-1, 4, 528, 4},      {255, 4, 528, 4},     {256, 4, 512, 512},
        {257, 4, 528, 528},   {258, 4, 528, 528},   // equal to the media count: the default media
        {LONG_MIN, 4, 528, 4}, {LONG_MAX, 4, 528, 528},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DrvGetSourceId(&mi, static_cast<int>(c.value)), c.source);
        EXPECT_EQ(DrvGetMediaId(&mi, c.value), c.media);
        EXPECT_EQ(DrvGetSourceOrMediaId(&mi, c.value), c.sourceOrMedia);
    }
    // An entry that is no row of its table, and lists whose default is no entry, give 0.
    mi.nSources = 4;
    mi.nMedia = 3;
    EXPECT_EQ(DrvGetSourceId(&mi, 3), 0);
    EXPECT_EQ(DrvGetMediaId(&mi, 258), 0);
    mi.iDefaultSource = 9;
    mi.iDefaultMedia = -1;
    EXPECT_EQ(DrvGetSourceId(&mi, 20), 0);
    EXPECT_EQ(DrvGetMediaId(&mi, 300), 0);
    EXPECT_EQ(DrvGetSourceOrMediaId(nullptr, 0), 0);
    EXPECT_EQ(DrvGetSourceOrMediaId(nullptr, 256), 0);
}

TEST(SourceAndMedia, FindIndexOfAnId)
{
    MODELINFO mi = SourceModel();
    mi.nSources = 4;  // row 40 is an entry now, but not a row of the table
    const struct {
        WORD id;
        SHORT source, media;
    } cases[] = {
        {7, 0, -1}, {1, 1, -1}, {4, 2, -1}, {259, -1, -1}, {0, -1, -1},
        {512, -1, 0}, {528, -1, 1}, {513, -1, -1}, {529, -1, -1},  // 529 would be row 15
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(DrvFindSourceIndex(&mi, c.id), c.source);
        EXPECT_EQ(DrvFindMediaIndex(&mi, c.id), c.media);
    }
    EXPECT_EQ(DrvFindSourceIndex(nullptr, 7), -1);
    EXPECT_EQ(DrvFindMediaIndex(nullptr, 512), -1);
}

TEST(SourceAndMedia, DefaultSourceFallsBackToTheDefaultMedia)
{
    const struct {
        LONG defaultSource, defaultMedia;
        WORD id;
    } cases[] = {
        {2, 1, 4}, {0, 1, 7},
        {-1, 1, 528}, {-1, 0, 512},  // no default source: the default media
        {3, 0, 512},                 // a default that is no entry counts as none
        {-1, 2, 0}, {-1, -1, 0},     // nor a default media
    };
    for (const auto& c : cases) {
        MODELINFO mi = SourceModel();
        mi.iDefaultSource = c.defaultSource;
        mi.iDefaultMedia = c.defaultMedia;
        EXPECT_EQ(DrvGetDefaultSourceId(&mi), c.id) << c.defaultSource << "/" << c.defaultMedia;
    }
    EXPECT_EQ(DrvGetDefaultSourceId(nullptr), 0);
}

TEST_F(ModelQueriesTest, SourceAndMediaNamesAreCutToTheBuffer)
{
    const MODELINFO mi = SourceModel();
    wcscpy(g_SourceTable[1].name, L"Tray 1");
    wcscpy(g_SourceTable[7].name, L"Tray 4");
    // A name that fills its field without a terminator.
    for (WCHAR& ch : g_MediaTable[14].name) ch = L'M';
    wcscpy(g_MediaTable[0].name, L"Plain");
    const struct {
        bool media;
        int index;
        UINT cb;
        std::wstring name;
    } cases[] = {
        {false, 1, 64, L"Tray 1"},
        {false, 3, 64, L"Tray 4"},          // count: the default entry
        {false, 2, 8, L"Tra"},              // 8 bytes: three characters and the terminator
        {false, 2, 3, L""},                 // one character: the terminator only
        {true, 0, 64, L"Plain"},
        {true, 2, 64, std::wstring(MEDIA_NAME_CCH, L'M')},
        {true, 2, 10, L"MMMM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.media << "/" << c.index << "/" << c.cb);
        WCHAR buffer[40];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        if (c.media)
            DrvGetMediaName(&mi, c.index, buffer, c.cb);
        else
            DrvGetSourceName(&mi, c.index, buffer, c.cb);
        EXPECT_EQ(std::wstring(buffer), c.name);
        EXPECT_EQ(buffer[c.cb / sizeof(WCHAR)], L'#') << "nothing written past the buffer";
    }
    WCHAR untouched[2] = {L'#', L'#'};
    DrvGetSourceName(&mi, 0, untouched, 1);
    EXPECT_EQ(untouched[0], L'#');
    MODELINFO none = {};
    WCHAR empty[8] = L"x";
    DrvGetSourceName(&none, 0, empty, sizeof empty);
    EXPECT_STREQ(empty, L"");
}

MODELINFO Slots(WORD s4, WORD s3, WORD s2, WORD s1, DWORD flags = 0)
{
    MODELINFO mi = {};
    mi.QualityType[0] = s4;
    mi.QualityType[1] = s3;
    mi.QualityType[2] = s2;
    mi.QualityType[3] = s1;
    mi.dwCapFlags = flags;
    return mi;
}

TEST(Resolution, DpiOfAQualityAndTheFallBackToLowerSlots)
{
    // Rows: 0 300/16, 1 600/0, 2 600/1, 3 600/2, 5 1200/0, 7 1200/2.
    const struct {
        const char* what;
        MODELINFO mi;
        SHORT quality;
        WORD dpi;
        SHORT qualityAfter;
    } cases[] = {
        {"slot -4", Slots(0, 1, 5, 7), -4, 300, -4},
        {"slot -2", Slots(0, 1, 5, 7), -2, 1200, -2},
        {"empty -1 takes -2", Slots(kEmpty, kEmpty, 1, kEmpty), -1, 600, -2},
        {"two empty slots", Slots(0, kEmpty, kEmpty, kEmpty), -2, 300, -4},
        {"all empty", Slots(kEmpty, kEmpty, kEmpty, kEmpty), -1, 600, -5},
        {"row outside the table", Slots(8, 200, 5, 9), -1, 1200, -2},
        {"row outside the table, all", Slots(8, 200, 9, 9), -2, 600, -5},
        {"below -4", Slots(0, 0, 0, 0), -5, 600, -5},
        {"far below", Slots(0, 0, 0, 0), SHRT_MIN, 600, SHRT_MIN},
        {"300 in a slot", Slots(1, 0, 5, 7), 300, 300, 300},
        {"1200 in a slot", Slots(1, 0, 5, 7), 1200, 1200, 1200},
        {"300 in no slot", Slots(1, 2, 5, 7), 300, 600, 300},
        {"1200 past an empty slot", Slots(1, kEmpty, 5, 5), 1200, 600, 1200},
        {"600 without a slot", Slots(0, 5, kEmpty, kEmpty), 600, 600, 600},
        {"other value", Slots(0, 1, 5, 7), 150, 600, 150},
        {"zero", Slots(0, 1, 5, 7), 0, 600, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SHORT q = c.quality;
        EXPECT_EQ(DrvGetResolutionDpi(&c.mi, &q), c.dpi);
        EXPECT_EQ(q, c.qualityAfter);
    }
    SHORT q = -1;
    EXPECT_EQ(DrvGetResolutionDpi(nullptr, &q), 600);
    EXPECT_EQ(DrvGetResolutionDpi(nullptr, nullptr), 600);
}

TEST(Resolution, ModeOfASlot)
{
    const MODELINFO plain = Slots(7, 3, kEmpty, 0);
    const MODELINFO true1200 = Slots(7, 3, kEmpty, 0, MIF_TRUE1200);
    const struct {
        const MODELINFO* mi;
        SHORT slot;
        BOOL flag;
        SHORT mode;
    } cases[] = {
        {&plain, -4, FALSE, 2},    {&plain, -3, FALSE, 2},    {&plain, -3, TRUE, 2},
        {&true1200, -3, TRUE, 32}, {&true1200, -3, FALSE, 2}, {&true1200, -4, TRUE, 2},
        {&true1200, -1, TRUE, 16}, {&true1200, -2, TRUE, -1},  // empty slot
        {&plain, -5, FALSE, -1},   {&plain, 0, FALSE, -1},    {&plain, 600, FALSE, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DrvGetResolutionMode(c.mi, c.slot, c.flag), c.mode) << c.slot << "/" << c.flag;
    const MODELINFO emptyThird = Slots(7, kEmpty, 2, 0, MIF_TRUE1200);
    EXPECT_EQ(DrvGetResolutionMode(&emptyThird, -3, TRUE), -1) << "an empty slot has no mode";
    EXPECT_EQ(DrvGetResolutionMode(nullptr, -3, TRUE), -1);
}

TEST(Resolution, FindAndValidateAgainstTheSlots)
{
    const MODELINFO c710 = Slots(3, 2, 1, 5);                 // 600, 600, 600, 1200
    const MODELINFO c510 = Slots(2, 1, kEmpty, kEmpty);       // 600, 600, -, -
    const MODELINFO c910 = Slots(7, 3, 2, 0);                 // 1200, 600, 600, 300
    const MODELINFO gaps = Slots(kEmpty, 1, kEmpty, 5);       // -, 600, -, 1200
    const struct {
        const char* what;
        const MODELINFO* mi;
        WORD dpi;
        SHORT slot;
    } finds[] = {
        {"c710 600", &c710, 600, -4},   {"c710 1200", &c710, 1200, -1}, {"c710 300", &c710, 300, -1},
        {"c510 600", &c510, 600, -4},   {"c510 1200", &c510, 1200, -1},
        {"c910 300", &c910, 300, -1},   {"c910 1200", &c910, 1200, -4}, {"c910 600", &c910, 600, -3},
        // The empty first slot answers 600 by the fall-back of the dpi rule.
        {"gaps 600", &gaps, 600, -4},   {"gaps 1200", &gaps, 1200, -1},
    };
    for (const auto& f : finds) EXPECT_EQ(DrvFindResolutionIndex(f.mi, f.dpi), f.slot) << f.what;

    const MODELINFO rows1and5 = Slots(kEmpty, 1, kEmpty, 5);
    const struct {
        SHORT quality;
        BOOL valid;
    } checks[] = {
        {-4, FALSE}, {-3, TRUE}, {-2, FALSE}, {-1, TRUE}, {-5, FALSE}, {SHRT_MIN, FALSE},
        {600, TRUE}, {1200, TRUE}, {300, FALSE}, {0, FALSE}, {601, FALSE},
    };
    for (const auto& c : checks) EXPECT_EQ(DrvIsValidResolution(&rows1and5, c.quality), c.valid) << c.quality;
    EXPECT_FALSE(DrvIsValidResolution(&c510, -2));
    EXPECT_FALSE(DrvIsValidResolution(nullptr, -1));
}

TEST(Memory, ClassesOfAmounts)
{
    const struct {
        DWORD kb;
        WORD cls;
    } cases[] = {
        {0, 0},     {4096, 0},  {4097, 1},  {8192, 1},  {12288, 1}, {12289, 2},
        {20480, 2}, {20481, 3}, {36864, 3}, {36865, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DrvGetMemoryClass(c.kb), c.cls) << c.kb;
}

TEST(Memory, RequiredMemoryByClassDpiAndFonts)
{
    MODELINFO withFonts = {};
    withFonts.dwCapFlags = MIF_RESIDENTFONT;
    MODELINFO withoutFonts = {};
    withoutFonts.dwCapFlags = ~MIF_RESIDENTFONT;
    const struct {
        int cls, dpi;
        bool fonts;
        DWORD kb;
    } cases[] = {
        {1, 600, false, 11268}, {1, 600, true, 11088}, {0, 300, true, 3156},  {0, 300, false, 3336},
        {2, 1200, true, 19120}, {3, 1200, false, 35684}, {3, 600, true, 35664}, {2, 150, true, 19120},
        {4, 600, true, 2996},   {-1, 300, false, 3336},
    };
    for (const auto& c : cases) {
        const MODELINFO* mi = c.fonts ? &withFonts : &withoutFonts;
        EXPECT_EQ(DrvCalcRequiredMemory(mi, c.cls, c.dpi), c.kb) << c.cls << "/" << c.dpi << "/" << c.fonts;
        EXPECT_EQ(DrvGetRequiredMemory(mi, c.cls, c.dpi), c.kb);
    }
}

// ---- Queries over the model's record ----------------------------------------------------------

TEST_F(ModelQueriesTest, PaperSourceMaskAndTheDuplexPaper)
{
    MODELRECORD r = {};
    MODELINFO& mi = r.ModelInfo;
    // Rows: 0 A4 (9), 1 Letter (1), 3 long paper (275), 4 user size (256), 5 Legal (5).
    const DWORD rows[] = {0, 1, 3, 4, 5};
    std::memcpy(mi.adwPaperList, rows, sizeof rows);
    mi.nPapers = 4;  // Legal lies past the count
    mi.iDefaultPaper = 1;
    r.adwPaperSourceMask[0] = PAPERSOURCE_DUPLEX | 0x3;
    r.adwPaperSourceMask[1] = 0x5;
    r.adwPaperSourceMask[3] = PAPERSOURCE_DUPLEX;
    r.adwPaperSourceMask[4] = 0x7;
    r.adwPaperSourceMask[5] = PAPERSOURCE_DUPLEX;
    MODELRECORD* record = Install(r);
    ASSERT_NE(record, nullptr);
    SetPaper(0, 9, 0, 2480, 3508, 2100, 2970);
    SetPaper(1, 1, 0, 2550, 3300, 2159, 2794);
    SetPaper(3, 275, PAPER_KIND_LONG, 2480, 14173, 2100, 12000);
    SetPaper(4, 256, PAPER_KIND_FREESIZE, 3874, 14173, 0, 0);
    SetPaper(5, 5, 0, 2550, 4200, 2159, 3556);
    const MODELINFO* info = &record->ModelInfo;

    const struct {
        int index;
        DWORD mask;
    } masks[] = {{0, 0x103}, {1, 0x5}, {2, 0x100}, {3, 0x7}, {4, 0x5}, {-1, 0x5}};
    for (const auto& m : masks) EXPECT_EQ(DrvGetPaperSourceMask(info, m.index), m.mask) << m.index;

    const struct {
        WORD id, effective;
    } papers[] = {
        {9, 9},      // both sides
        {1, 1},      // the default paper itself
        {275, 275},
        {540, 275},  // a user long paper counts as the long paper, which allows both sides
        {536, 275},  {576, 275},
        {256, 1},    // one side only: the default paper
        {300, 1},    // a user paper counts as 256
        {577, 1},
        {5, 1},      // past the count: not listed, the default paper
        {70, 1},
    };
    for (const auto& p : papers) EXPECT_EQ(DrvGetEffectivePaperId(info, p.id), p.effective) << p.id;

    // A default paper that is no entry of the list.
    record->ModelInfo.iDefaultPaper = 4;
    EXPECT_EQ(DrvGetPaperSourceMask(info, 7), 0u);
    EXPECT_EQ(DrvGetEffectivePaperId(info, 70), 0);
    EXPECT_EQ(DrvGetEffectivePaperId(info, 9), 9);
}

// User-defined paper tables of the test's own, the process's tables restored at the end.
class UserPaperTables {
public:
    UserPaperTables() : user_(g_UserPaperTable), long_(g_LongPaperTable)
    {
        g_UserPaperTable = Make<USERPAPERTABLE, USERPAPER>({
            {300, L"Fits", 2000, 2500, 1, 0},
            {301, L"Too wide", 4000, 2500, 0, 0},
            {302, L"Fits, not offered", 1500, 1500, 0, 0},
            {303, L"Too wide, offered", 4000, 2500, 1, 0},
        });
        LONGPAPER fits = {};
        fits.id = 540;
        fits.wWidth = 2000;
        fits.wLength = 9000;
        LONGPAPER tooLong = fits;
        tooLong.id = 541;
        tooLong.wLength = 20000;
        g_LongPaperTable = Make<LONGPAPERTABLE, LONGPAPER>({fits, tooLong});
    }
    ~UserPaperTables()
    {
        GlobalFree(g_UserPaperTable);
        GlobalFree(g_LongPaperTable);
        g_UserPaperTable = user_;
        g_LongPaperTable = long_;
    }

private:
    template <class Header, class Record>
    static HGLOBAL Make(const std::vector<Record>& records)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(Header) + records.size() * sizeof(Record));
        auto* header = static_cast<Header*>(GlobalLock(block));
        header->wHighestId = static_cast<WORD>(records.back().id);
        header->wCount = static_cast<WORD>(records.size());
        std::memcpy(reinterpret_cast<BYTE*>(header) + sizeof(Header), records.data(), records.size() * sizeof(Record));
        GlobalUnlock(block);
        return block;
    }
    HGLOBAL user_, long_;
};

TEST_F(ModelQueriesTest, UserDefinedPapersOutsideTheList)
{
    MODELRECORD r = {};
    FREESIZEBOUNDS& limits = r.FreeSizeLimits[FREESIZE_USER].portrait;
    limits.wMinWidth = 900;
    limits.wMaxWidth = 3000;
    limits.wMinLength = 1400;
    limits.wMaxLength = 12000;
    const DWORD rows[] = {0, 1};
    std::memcpy(r.ModelInfo.adwPaperList, rows, sizeof rows);
    r.ModelInfo.nPapers = 2;
    MODELRECORD* record = Install(r);
    ASSERT_NE(record, nullptr);
    SetPaper(0, 9, 0, 2480, 3508, 2100, 2970);
    SetPaper(1, 300, 0, 2480, 3508, 2100, 2970);  // a paper of the list that has a user paper's id
    UserPaperTables tables;
    const MODELINFO* info = &record->ModelInfo;

    const struct {
        WORD id;
        SHORT index;
        BOOL selectable, longPaper;
    } cases[] = {
        {9, 0, FALSE, FALSE},
        {300, 1, TRUE, FALSE},   // the list comes first
        {302, -2, FALSE, FALSE}, // fits, but its option word is 0
        {301, -1, FALSE, FALSE}, // outside the limits: not offered
        {303, -1, TRUE, FALSE},  // outside the limits, yet selectable by its option word
        {540, -3, FALSE, TRUE},
        {541, -1, FALSE, FALSE}, // longer than the model allows
        {304, -1, FALSE, FALSE}, // in neither table
        {0, -1, FALSE, FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(DrvFindPaperIndex(info, c.id), c.index);
        EXPECT_EQ(DrvIsPaperSelectable(info, c.id, FALSE), c.selectable);
        EXPECT_EQ(DrvIsLongPaper(info, c.id), c.longPaper);
    }
    // A model that is not in the model table has no limits: no user paper fits it.
    MODELINFO unknown = *info;
    wcscpy(unknown.szModelName, L"No Such Model");
    EXPECT_EQ(DrvFindPaperIndex(&unknown, 302), -1);
    EXPECT_EQ(DrvFindPaperIndex(&unknown, 540), -1);
    EXPECT_TRUE(DrvIsPaperSelectable(&unknown, 303, FALSE)) << "selectable whatever its size";
}

TEST_F(ModelQueriesTest, PaperTypesOfTheRecord)
{
    MODELRECORD r = {};
    for (WORD i = 0; i < PAPERTYPE_MAX_ROWS; ++i)
        r.PaperTypeInfo[i] = {static_cast<WORD>(100 + i), static_cast<WORD>(1300 + i), 0x10u << (i % 8), 0, 0, {}};
    r.nPaperTypeInfo = PAPERTYPE_MAX_ROWS;
    // Entries: rows 3, 0, 31, then 32 (one past the array); default entry 1.
    const DWORD rows[] = {3, 0, 31, 32};
    std::memcpy(r.ModelInfo.adwPaperTypeList, rows, sizeof rows);
    r.ModelInfo.nPaperTypes = 4;
    r.ModelInfo.iDefaultPaperType = 1;
    MODELRECORD* record = Install(r);
    ASSERT_NE(record, nullptr);
    const MODELINFO* info = &record->ModelInfo;
    ASSERT_EQ(DrvGetPaperTypeTable(info), record->PaperTypeInfo);

    const struct {
        int index;
        WORD id, nameId;
        DWORD mask;
    } cases[] = {
        {0, 103, 1303, 0x80}, {1, 100, 1300, 0x10}, {2, 131, 1331, 0x800},
        {3, 0, 0, 0},                       // row 32: outside the array
        {4, 100, 1300, 0x10},               // count: the default entry
        {-1, 100, 1300, 0x10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(DrvGetPaperTypeId(info, c.index), c.id);
        EXPECT_EQ(DrvGetPaperTypeNameId(info, c.index), c.nameId);
        EXPECT_EQ(DrvGetPaperTypeMask(info, c.index), c.mask);
    }
    const struct {
        WORD id;
        SHORT index;
    } finds[] = {{103, 0}, {100, 1}, {131, 2}, {101, -1}, {0, -1}};
    for (const auto& f : finds) EXPECT_EQ(DrvFindPaperTypeIndex(info, f.id), f.index) << f.id;
}

TEST_F(ModelQueriesTest, DefaultResolutionAndUiQuality)
{
    MODELRECORD* record = Install(MODELRECORD{});
    ASSERT_NE(record, nullptr);
    const struct {
        SHORT printQuality, resolution;
    } resolutions[] = {
        {-4, -4}, {-1, -1}, {-5, -3}, {SHRT_MIN, -3}, {300, 300}, {600, 600},
        {1200, 1200}, {0, 600}, {150, 600}, {2400, 600},
    };
    for (const auto& c : resolutions) {
        record->ModelDefaults.UDPrintQuality = c.printQuality;
        EXPECT_EQ(DrvGetDefaultResolution(&record->ModelInfo), c.resolution) << c.printQuality;
    }
    const struct {
        SHORT uiQuality, result;
    } ui[] = {{-4, -4}, {-2, -2}, {-1, -1}, {-5, -3}, {0, -3}, {600, -3}};
    for (const auto& c : ui) {
        record->ModelDefaults.UDUiQuality = c.uiQuality;
        EXPECT_EQ(DrvGetDefaultUiQuality(&record->ModelInfo), c.result) << c.uiQuality;
    }
}

TEST_F(ModelQueriesTest, CustomSizeLimitsWithAndWithoutTheFinisher)
{
    MODELRECORD r = {};
    r.FreeSizeLimits[FREESIZE_DPI_CHANGE].portrait.wMaxWidth = 1000;
    r.FreeSizeLimits[FREESIZE_USER].portrait.wMaxWidth = 2970;
    r.FreeSizeLimits[FREESIZE_FINISHER].portrait.wMaxWidth = 2100;
    MODELRECORD* record = Install(r);
    ASSERT_NE(record, nullptr);
    const struct {
        DWORD flags;
        WORD finisher;
        WORD maxWidth;
    } cases[] = {
        {MIF_A3PRINTER, FINISHERTYPE_INSTALLED | 0x12, 2100},
        {MIF_A3PRINTER, 0x12, 2970},                        // finisher mask, but none installed
        {MIF_FINISHER, FINISHERTYPE_INSTALLED, 2970},       // not an A3 printer
        {0, 0, 2970},
        {MIF_A3PRINTER | MIF_FINISHER, FINISHERTYPE_INSTALLED, 2100},
    };
    for (const auto& c : cases) {
        record->ModelInfo.dwCapFlags = c.flags;
        record->ModelInfo.wFinisherType = c.finisher;
        const FREESIZELIMITS* limits = DrvGetCustomSizeLimits(&record->ModelInfo);
        ASSERT_NE(limits, nullptr);
        EXPECT_EQ(limits->portrait.wMaxWidth, c.maxWidth) << std::hex << c.flags << "/" << c.finisher;
    }
    // The flags of the information asked about decide, e.g. a copy's.
    MODELINFO copy = record->ModelInfo;
    copy.dwCapFlags = MIF_A3PRINTER;
    copy.wFinisherType = FINISHERTYPE_INSTALLED;
    ASSERT_NE(DrvGetCustomSizeLimits(&copy), nullptr);
    EXPECT_EQ(DrvGetCustomSizeLimits(&copy)->portrait.wMaxWidth, 2100);
}

TEST_F(ModelQueriesTest, ModelNotInTheTableGivesTheFallbacks)
{
    MODELINFO mi = PaperModel();
    wcscpy(mi.szModelName, L"No Such Model");
    mi.adwPaperTypeList[0] = 0;
    mi.nPaperTypes = 1;
    EXPECT_EQ(DrvGetPaperTypeTable(&mi), nullptr);
    EXPECT_EQ(DrvFindPaperTypeIndex(&mi, 0), -1);
    EXPECT_EQ(DrvGetPaperTypeId(&mi, 0), 0);
    EXPECT_EQ(DrvGetPaperSourceMask(&mi, 0), 0u);
    EXPECT_EQ(DrvGetDefaultResolution(&mi), 600);
    EXPECT_EQ(DrvGetDefaultUiQuality(&mi), -3);
    EXPECT_EQ(DrvGetCustomSizeLimits(&mi), nullptr);
    EXPECT_EQ(DrvGetDefaultResolution(nullptr), 600);
    EXPECT_EQ(DrvGetCustomSizeLimits(nullptr), nullptr);
    // The paper list itself needs no record.
    EXPECT_EQ(DrvGetPaperId(&mi, 0), 9);
}

TEST_F(ModelQueriesTest, PosterOrientationFromTheTileScales)
{
    // A4 (entry 0): portrait area 2380 x 3408 dots, landscape 3388 x 2360.
    const MODELINFO mi = PaperModel();
    struct Case {
        const char* what;
        DWORD flags;
        short paper, orientation, width, length;
        DWORD x, y, overlap;
        DWORD fitFlags, fitPaper;
        int result;
    };
    const Case cases[] = {
        {"portrait set by hand", POSTER_PORTRAIT, 9, 1, 0, 0, 1, 2, 0, 0, 0, 1},
        {"landscape set by hand", 0, 9, 1, 0, 0, 1, 2, 0, 0, 0, 2},
        {"hand flags ignore the scales", POSTER_PORTRAIT | POSTER_REGISTMARKS, 9, 1, 0, 0, 1, 1, 0, 0, 0, 1},
        // 1 x 2 tiles: portrait min(100, 200) = 100, landscape min(143, 139) = 139.
        {"landscape tiles are larger", POSTER_AUTOORIENT, 9, 1, 0, 0, 1, 2, 0, 0, 0, 2},
        // 2 x 1 tiles: portrait min(200, 100) = 100, landscape min(286, 69) = 69.
        {"portrait tiles are larger", POSTER_AUTOORIENT, 9, 1, 0, 0, 2, 1, 0, 0, 0, 1},
        // Overlap 1200: g = 1417; landscape min(143, (4760 - 1417) * 100 / 3408 = 98) < 100.
        {"overlap eats the landscape gain", POSTER_AUTOORIENT, 9, 1, 0, 0, 1, 2, 1200, 0, 0, 1},
        // The landscape area (3388 x 2360 after the record's orientation): portrait
        // min(143, 138), landscape min(99, 199).
        {"landscape page", POSTER_AUTOORIENT, 9, 2, 0, 0, 1, 2, 0, 0, 0, 1},
        // Square free size: both scales equal, a tie gives portrait.
        {"tie", POSTER_AUTOORIENT, 256, 1, 1000, 1000, 2, 3, 0, 0, 0, 1},
        {"tie, user paper", POSTER_AUTOORIENT, 300, 1, 1500, 1500, 3, 3, 50, 0, 0, 1},
        // Fit to a free size 200 x 100 mm: portrait min(99, 69), landscape min(49, 138).
        {"fit paper", POSTER_AUTOORIENT, 9, 1, 2000, 1000, 1, 2, 0, FITFLAG_ON, 256, 1},
        {"fit flag off", POSTER_AUTOORIENT, 9, 1, 2000, 1000, 1, 2, 0, 0, 256, 2},
        // A page of no size cannot be divided by: portrait.
        {"no size", POSTER_AUTOORIENT, 256, 1, 0, 2970, 1, 2, 0, 0, 0, 1},
        {"negative size", POSTER_AUTOORIENT, 263, 2, -5, -5, 1, 2, 0, 0, 0, 1},
        // Tile counts and overlap far beyond their range are held to 65535, not overflowed:
        // g = 77404, portrait -206580690, landscape -203750019.
        {"huge counts", POSTER_AUTOORIENT, 9, 1, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DRVDEVMODE dm = {};
        dm.dmPublic.dmPaperSize = c.paper;
        dm.dmPublic.dmOrientation = c.orientation;
        dm.dmPublic.dmPaperWidth = c.width;
        dm.dmPublic.dmPaperLength = c.length;
        dm.dmPrivate.dwPosterFlags = c.flags;
        dm.dmPrivate.dwPosterX = c.x;
        dm.dmPrivate.dwPosterY = c.y;
        dm.dmPrivate.dwOverlapWidth = c.overlap;
        dm.dmPrivate.dwFitFlags = c.fitFlags;
        dm.dmPrivate.dwFitPaper = c.fitPaper;
        EXPECT_EQ(DrvChoosePosterOrientation(&dm, &mi), c.result);
    }
    EXPECT_EQ(DrvChoosePosterOrientation(nullptr, &mi), 1);
}

TEST(PrinterInfo, NoPrinterNoBlock)
{
    EXPECT_EQ(DrvGetPrinterInfo(nullptr, 2), nullptr);
    HANDLE notAPrinter = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(DrvGetPrinterInfo(notAPrinter, 2), nullptr);
}

// ---- The sample models ------------------------------------------------------------------------

#ifndef DRV_BUILD_UM

TEST_F(ModelQueriesTest, ModelInfoTakesThePaperListOfTheRegion)
{
    EXPECT_EQ(DrvGetModelInfo(nullptr), nullptr);
    EXPECT_EQ(DrvGetModelInfo(kC710), nullptr) << "not in the table yet";
    {
        FixedLocaleCountry metric(kMetricCountry);
        DrvRefreshModel(kC710, nullptr);
        DrvRefreshModel(kC910J, nullptr);
    }
    MODELRECORD* c710 = DrvFindModelRecord(kC710);
    MODELRECORD* c910 = DrvFindModelRecord(kC910J);
    ASSERT_NE(c710, nullptr);
    ASSERT_NE(c910, nullptr);
    const std::vector<DWORD> japanList(c910->ModelInfo.adwPaperList, c910->ModelInfo.adwPaperList + 64);
    const WORD japanCount = c910->ModelInfo.nPapers;
    c710->ModelInfo.InfoType = 3;

    const wchar_t* countries[] = {kLetterCountry, kMetricCountry, kLetterCountry};
    for (const wchar_t* country : countries) {
        SCOPED_TRACE(testing::Message() << "country " << country);
        FixedLocaleCountry region(country);
        const bool inch = country == kLetterCountry;
        MODELINFO* mi = DrvGetModelInfo(L"VELMORA colorpage c710");
        ASSERT_EQ(mi, &c710->ModelInfo);
        EXPECT_EQ(mi->InfoType, 2) << "bit 0 cleared";
        const DWORD* list = inch ? mi->adwPaperListInch : mi->adwPaperListMm;
        EXPECT_EQ(std::vector<DWORD>(mi->adwPaperList, mi->adwPaperList + 64), std::vector<DWORD>(list, list + 64));
        EXPECT_EQ(mi->nPapers, inch ? mi->nPapersInch : mi->nPapersMm);
        EXPECT_EQ(mi->iDefaultPaper, inch ? mi->iDefaultPaperInch : mi->iDefaultPaperMm);
        EXPECT_EQ(mi->nPapers, inch ? 13 : 14);

        MODELINFO* japan = DrvGetModelInfo(kC910J);
        ASSERT_EQ(japan, &c910->ModelInfo);
        EXPECT_EQ(japan->InfoType, 0) << "the custom file's InfoType 1, bit 0 cleared";
        EXPECT_EQ(std::vector<DWORD>(japan->adwPaperList, japan->adwPaperList + 64), japanList);
        EXPECT_EQ(japan->nPapers, japanCount);
    }
}

struct SamplePaper {
    WORD id;
    WORD mm[2];
};

TEST_F(ModelQueriesTest, SampleModelsAnswerFromTheirDataFiles)
{
    FixedLocaleCountry region(kLetterCountry);
    const struct {
        const wchar_t* model;
        std::vector<SamplePaper> papers;  // the active list in order
        std::vector<WORD> sources, media;
        WORD defaultSource;
        WORD slotDpi[4];
        SHORT slotMode[4];
        WORD memoryClass;
        DWORD required600;
        BOOL longPaper;
    } models[] = {
        {kC710,
         {{1, {2159, 2794}}, {5, {2159, 3556}}, {7, {1842, 2667}}, {3, {2794, 4318}}, {6, {1397, 2159}},
          {9, {2100, 2970}}, {8, {2970, 4200}}, {20, {1048, 2413}}, {37, {984, 1905}}, {19, {984, 2254}},
          {260, {3048, 4572}}, {262, {1270, 2032}}, {256, {}}},
         {7, 1, 259, 260, 261, 258},
         {512, 513, 514, 515, 516, 517, 518, 519, 520},
         1,
         {600, 600, 600, 1200},
         {2, 1, 0, 0},
         2,
         19280,
         FALSE},
        {kC510,
         {{1, {2159, 2794}}, {5, {2159, 3556}}, {7, {1842, 2667}}, {6, {1397, 2159}}, {9, {2100, 2970}},
          {20, {1048, 2413}}, {37, {984, 1905}}, {256, {}}},
         {7, 1, 261},
         {512, 513, 514, 515},
         1,
         {600, 600, 600, 600},
         {1, 0, -1, -1},
         1,
         11268,
         FALSE},
        {kC910J,
         {{9, {2100, 2970}}, {8, {2970, 4200}}, {11, {1480, 2100}}, {12, {2570, 3640}}, {13, {1820, 2570}},
          {70, {1050, 1480}}, {43, {1000, 1480}}, {73, {1200, 2350}}, {74, {900, 2050}}, {91, {1050, 2350}},
          {1, {2159, 2794}}, {5, {2159, 3556}}, {256, {}}, {263, {}}, {264, {}}, {275, {}}},
         {7, 1, 259, 260, 261, 262, 258, 4},
         {512, 513, 514, 515, 516, 517, 518, 519, 520, 521, 522},
         7,
         {1200, 600, 600, 300},
         {2, 2, 1, 16},
         3,
         35664,
         TRUE},
    };
    for (const auto& m : models) {
        SCOPED_TRACE(testing::Message() << m.model);
        DrvRefreshModel(m.model, nullptr);
        const MODELINFO* mi = DrvGetModelInfo(m.model);
        ASSERT_NE(mi, nullptr);

        ASSERT_EQ(mi->nPapers, m.papers.size());
        for (size_t i = 0; i < m.papers.size(); ++i) {
            const int index = static_cast<int>(i);
            EXPECT_EQ(DrvGetPaperId(mi, index), m.papers[i].id) << i;
            EXPECT_EQ(DrvFindPaperIndex(mi, m.papers[i].id), index) << i;
            WORD mm[2] = {};
            EXPECT_TRUE(DrvGetPaperSize(mi, index, mm));
            if (m.papers[i].mm[0]) {
                EXPECT_EQ(std::vector<WORD>(mm, mm + 2), std::vector<WORD>(m.papers[i].mm, m.papers[i].mm + 2)) << i;
            }
        }
        const int count = static_cast<int>(m.papers.size());
        EXPECT_EQ(DrvGetPaperId(mi, count), 0);
        EXPECT_EQ(DrvFindPaperIndex(mi, 66), -1) << "A2 is in the paper table but in no model's list";
        EXPECT_EQ(DrvIsLongPaper(mi, 275), m.longPaper);

        ASSERT_EQ(mi->nSources, m.sources.size());
        for (size_t i = 0; i < m.sources.size(); ++i) {
            EXPECT_EQ(DrvGetSourceId(mi, static_cast<int>(i)), m.sources[i]);
            EXPECT_EQ(DrvFindSourceIndex(mi, m.sources[i]), static_cast<SHORT>(i));
        }
        EXPECT_EQ(DrvGetSourceId(mi, static_cast<int>(m.sources.size())), m.defaultSource);
        EXPECT_EQ(DrvGetDefaultSourceId(mi), m.defaultSource);
        ASSERT_EQ(mi->nMedia, m.media.size());
        for (size_t i = 0; i < m.media.size(); ++i) {
            EXPECT_EQ(DrvGetSourceOrMediaId(mi, static_cast<LONG>(256 + i)), m.media[i]);
            EXPECT_EQ(DrvFindMediaIndex(mi, m.media[i]), static_cast<SHORT>(i));
        }

        for (SHORT slot = -4; slot <= -1; ++slot) {
            SHORT q = slot;
            EXPECT_EQ(DrvGetResolutionDpi(mi, &q), m.slotDpi[slot + 4]) << slot;
            EXPECT_EQ(DrvGetResolutionMode(mi, slot, FALSE), m.slotMode[slot + 4]) << slot;
        }
        const WORD memoryClass = DrvGetMemoryClass(mi->dwDefAvlMemory);
        EXPECT_EQ(memoryClass, m.memoryClass);
        EXPECT_EQ(DrvCalcRequiredMemory(mi, memoryClass, 600), m.required600);
    }
}

#endif  // DRV_BUILD_UM

}  // namespace
