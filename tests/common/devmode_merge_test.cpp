// The DEVMODE merge and validation: the merge rules field by field on the sample models, the
// merge's output as its own fixed point, and sources of any size and content read within their
// declared bytes. The rendering library's variant takes the sample models from the caches that
// the user-interface variant writes (it cannot build them), its own rules are tested beside the
// user-interface library's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "devmode.h"
#include "devmode_merge.h"
#include "fuzz.h"
#include "global_tables.h"
#include "model_queries.h"
#include "modeltable.h"
#include "module.h"
#include "papertables.h"
#include "sample_machine.h"
#include "settings_records.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

const wchar_t kC710[] = L"Velmora ColorPage C710";
const wchar_t kC710N[] = L"Velmora ColorPage C710N";
const wchar_t kC510[] = L"Velmora ColorPage C510";
const wchar_t kC910J[] = L"Velmora ColorPage C910J";
const wchar_t* const kModels[] = {kC710, kC710N, kC510, kC910J};
const wchar_t kPrinter[] = L"Printer";

// ---- Fields of the record -----------------------------------------------------------------

struct Field {
    const char* name;
    size_t offset;
    size_t size;
    bool isSigned;
    uint64_t mask;
};

#define FIELD_(member, mask)                                                                     \
    Field{#member, offsetof(DRVDEVMODE, member), sizeof(static_cast<DRVDEVMODE*>(nullptr)->member), \
          std::is_signed_v<decltype(static_cast<DRVDEVMODE*>(nullptr)->member)>, (mask)}
#define PUB(f) FIELD_(dmPublic.f, ~0ull)
#define EXT(f) FIELD_(dmPrivate.f, ~0ull)
#define EXTM(f, mask) FIELD_(dmPrivate.f, (mask))
#define FIELDS(bits) FIELD_(dmPublic.dmFields, (bits))

int64_t Get(const DRVDEVMODE& dm, const Field& f)
{
    uint64_t raw = 0;
    std::memcpy(&raw, reinterpret_cast<const BYTE*>(&dm) + f.offset, f.size);
    if (f.isSigned && f.size < sizeof raw) {
        const unsigned shift = static_cast<unsigned>(64 - 8 * f.size);
        return static_cast<int64_t>(raw << shift) >> shift;
    }
    return static_cast<int64_t>(raw & f.mask);
}

void Put(DRVDEVMODE& dm, const Field& f, int64_t value)
{
    std::memcpy(reinterpret_cast<BYTE*>(&dm) + f.offset, &value, f.size);
}

// The offsets at which two records differ, as ranges.
std::string Differences(const DRVDEVMODE& a, const DRVDEVMODE& b)
{
    const BYTE* x = reinterpret_cast<const BYTE*>(&a);
    const BYTE* y = reinterpret_cast<const BYTE*>(&b);
    std::string out;
    for (size_t i = 0; i < sizeof a;) {
        if (x[i] == y[i]) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < sizeof a && x[j] != y[j]) ++j;
        out += std::to_string(i) + (j - i > 1 ? ".." + std::to_string(j - 1) : "") + " ";
        i = j;
    }
    return out;
}

// ---- Arrangements of the model table and the global tables ----------------------------------

// Every paper and paper type in every tray (0x100: both sides), stacker, finisher and ejection
// position.
constexpr DWORD kEveryPosition = 0x0F5FF1FF;
// The data files' built-in mask: ejection positions only, no tray, duplex unit or bin.
constexpr DWORD kBuiltInPositions = 0xAF5F0000;
// The built-in mask with one bin and no tray.
constexpr DWORD kFinisherBinOnly = kBuiltInPositions | 0x8000;

void SetMasks(MODELRECORD* r, DWORD mask)
{
    for (DWORD& m : r->adwPaperSourceMask) m = mask;
    for (PAPERTYPEINFO& t : r->PaperTypeInfo) t.dwPositionMask = mask;
}
void EveryPosition(MODELRECORD* r) { SetMasks(r, kEveryPosition); }
void NoPosition(MODELRECORD* r) { SetMasks(r, kBuiltInPositions); }
void FinisherBin(MODELRECORD* r) { SetMasks(r, kFinisherBinOnly); }
void FinisherBinUpper(MODELRECORD* r) { SetMasks(r, kBuiltInPositions | 0x4000); }
void FaceDownBinOnly(MODELRECORD* r) { SetMasks(r, kBuiltInPositions | 0x2000); }
void DefaultQuality600(MODELRECORD* r) { r->ModelDefaults.UDPrintQuality = 600; }
void DefaultQualitySlot3(MODELRECORD* r) { r->ModelDefaults.UDPrintQuality = -3; }
void Slot4Empty(MODELRECORD* r) { r->ModelInfo.QualityType[0] = RESOLUTION_SLOT_EMPTY; }
void HighResolutionOnly(MODELRECORD* r) { r->ModelInfo.UiResHighOnly = 1; }
#ifdef DRV_BUILD_UM
void Slot4EmptyDefaultSlot3(MODELRECORD* r)
{
    Slot4Empty(r);
    DefaultQualitySlot3(r);
}
#endif
void True1200(MODELRECORD* r) { r->ModelInfo.dwCapFlags |= MIF_TRUE1200; }
void Monochrome(MODELRECORD* r) { r->ModelInfo.dwCapFlags |= MIF_MONOCHROME; }
void A3Printer(MODELRECORD* r) { r->ModelInfo.dwCapFlags |= MIF_A3PRINTER; }
// Every paper fed by hand only (no tray position), on an A3 printer.
void A3PrinterNoPosition(MODELRECORD* r)
{
    A3Printer(r);
    NoPosition(r);
}
void IcmMethod(MODELRECORD* r)
{
    r->ModelDefaults.UDICMMethod = 2;
    r->ModelDefaults.UDICMIntent = 1;
}
// Default quality -3 (600 dpi) beside a second 600-dpi slot -4 and 1200 dpi in slot -1.
void TwoSlotsOf600(MODELRECORD* r)
{
    r->ModelDefaults.UDPrintQuality = -3;
    const WORD slots[4] = {1, 2, RESOLUTION_SLOT_EMPTY, 5};
    std::memcpy(r->ModelInfo.QualityType, slots, sizeof slots);
}
// Source 257 as a row of the source table, listed by the model, which lists no source 4.
void ListsSource257(MODELRECORD* r)
{
    g_SourceTable[SOURCE_TABLE_FILLED_ROWS] = SOURCEINFO{257, 0, {}};
    MODELINFO& mi = r->ModelInfo;
    mi.adwSourceList[mi.nSources++] = SOURCE_TABLE_FILLED_ROWS;
    EveryPosition(r);
}


// User papers 270 (an id below the user range) and 277, and the user long paper 537.
void UserPapers(MODELRECORD*)
{
    std::vector<USERPAPER> papers(2);
    papers[0] = USERPAPER{270, L"Low id", 1000, 1500, 1, 0};
    papers[1] = USERPAPER{277, L"Banner", 2100, 9000, 1, 0};
    g_UserPaperTable = MakePaperTableBlock<USERPAPERTABLE>(277, papers);
    std::vector<LONGPAPER> longPapers(1);
    LONGPAPER& p = longPapers[0];
    p.id = 537;
    wcscpy(p.name, L"Roll");
    p.wWidth = 2100;
    p.wLength = 12000;
    p.wOption = 1;
    p.wPaperCut = 1;
    p.dwStart = p.dwCut = LONGPAPER_AUTOMATIC;
    p.dwStartUI = -1200;
    p.dwCutUI = 2540;
    p.wWidthInch = 8000;
    p.wLengthInch = 47244;
    g_LongPaperTable = MakePaperTableBlock<LONGPAPERTABLE>(537, longPapers);
}
void UserPapersEveryPosition(MODELRECORD* r)
{
    UserPapers(r);
    EveryPosition(r);
}

// The sample records, the source table and the user-paper tables as they were, restored when
// the object ends.
class SavedTables {
public:
    SavedTables() : user_(g_UserPaperTable), long_(g_LongPaperTable)
    {
        for (const wchar_t* name : kModels)
            if (MODELRECORD* r = DrvFindModelRecord(name)) records_.push_back({r, *r});
        std::memcpy(sources_, g_SourceTable, sizeof sources_);
        g_UserPaperTable = g_LongPaperTable = nullptr;
    }
    ~SavedTables()
    {
        for (auto& [where, copy] : records_) *where = copy;
        std::memcpy(g_SourceTable, sources_, sizeof sources_);
        if (g_UserPaperTable) GlobalFree(g_UserPaperTable);
        if (g_LongPaperTable) GlobalFree(g_LongPaperTable);
        g_UserPaperTable = user_;
        g_LongPaperTable = long_;
    }
    SavedTables(const SavedTables&) = delete;
    SavedTables& operator=(const SavedTables&) = delete;

private:
    struct Saved {
        MODELRECORD* where;
        MODELRECORD copy;
    };
    std::vector<Saved> records_;
    SOURCEINFO sources_[SOURCE_TABLE_ROWS];
    HGLOBAL user_, long_;
};

// ---- Fixture ------------------------------------------------------------------------------

// The sample machine with the four sample models loaded, for a user in a Letter country. The
// rendering library's variant first has the user-interface variant's test program write the
// caches into this machine's data folder.
class DevmodeMerge : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(letter.active());
        ASSERT_TRUE(machine.loadSampleModels());
    }


    static MODELINFO* Info(const wchar_t* name) { return SampleModelInfo(name); }

    static DRVDEVMODE Default(const wchar_t* name)
    {
        DRVDEVMODE dm;
        std::memset(&dm, 0, sizeof dm);
        EXPECT_TRUE(DrvDefaultDevmode(&dm, Info(name), kPrinter, name));
        return dm;
    }

    SampleMachine machine;
    FixedLocaleCountry letter{L"1"};
};

// ---- The merge rules ------------------------------------------------------------------------

struct Value {
    Field field;
    int64_t value;
};

enum : unsigned {
    kWindows6 = 0x1,     // the system reports Windows 6.0 (else 5.1)
    kOtherModel = 0x2,   // the source is a record of another model
    kSource188 = 0x4,    // the source is an old DEVMODE of 188 bytes without a private part
    kOtherCase = 0x8,    // the source names the model in capitals
};

struct MergeCase {
    const char* what;
    const wchar_t* model;
    std::vector<Value> in;    // written into the source, the model's default record
    std::vector<Value> out;   // expected in the merged record
    void (*arrange)(MODELRECORD*) = nullptr;
    unsigned flags = 0;
};

constexpr int64_t kBaseFields = 0x40F03;
constexpr int64_t kWL = DM_PAPERWIDTH | DM_PAPERLENGTH;

TEST_F(DevmodeMerge, EveryRuleOnTheSampleModels)
{
    const Field PQ = PUB(dmPrintQuality), WQ = EXT(wQuality), PAPER = PUB(dmPaperSize), W = PUB(dmPaperWidth),
                L = PUB(dmPaperLength), CW = EXT(wCustomWidth), CL = EXT(wCustomLength), DF = PUB(dmFields),
                BPP = PUB(dmBitsPerPel), DUP = PUB(dmDuplex), DEVOPT = EXT(wDeviceOption), SRC = PUB(dmDefaultSource),
                BIN = EXT(wOutputBin), FIN = EXT(dwFinishing), MODE = EXT(dwFinishingMode), FIT = EXT(dwFitFlags),
                FITPAPER = EXT(dwFitPaper), SCALE = PUB(dmScale), SIDX = EXT(wScaleIndex), SEC = EXT(wSecureMode),
                JOB = EXT(wJobType), JOBF = EXT(dwJobFlags), COLOR = PUB(dmColor), WCOLOR = EXT(wColor),
                CMODE = EXT(wColorMode), CHECK = EXT(wPaperCheck), V1712 = EXT(wValidated), ENL = EXT(dwEnlarge),
                PFLAGS = EXT(dwPosterFlags);
    const std::vector<MergeCase> cases = {
        // Print quality, the model's default a dpi (C710: slots 600, 600, 600, 1200; C910J: 1200,
        // 600, 600, 300).
        {"K dpi, N a slot: its dpi", kC710, {{PQ, -1}}, {{PQ, 1200}, {WQ, -1}}},
        {"K dpi, N another 600-dpi slot: the user's slot", kC710, {{PQ, -2}}, {{PQ, 600}, {WQ, -2}}},
        {"K dpi, N below -4: K, U", kC710, {{PQ, -9}, {WQ, -1}}, {{PQ, 600}, {WQ, -3}}},
        {"K dpi, N a listed dpi in another slot", kC710, {{PQ, 1200}}, {{PQ, 1200}, {WQ, -1}}},
        {"K dpi, N the dpi of the user's slot: the slot stays", kC710, {{PQ, 600}, {WQ, -2}}, {{PQ, 600}, {WQ, -2}}},
        {"K dpi, N not listed: K, U", kC710, {{PQ, 300}, {WQ, -1}}, {{PQ, 600}, {WQ, -3}}},
        {"K dpi, N a slot of 300 dpi", kC910J, {{PQ, -1}}, {{PQ, 300}, {WQ, -1}}},
        {"K dpi, N an empty slot: the next filled slot down", kC510, {{PQ, -1}}, {{PQ, 600}, {WQ, -3}}, DefaultQuality600},
        {"K dpi, an empty user slot: U", kC510, {{PQ, 600}, {WQ, -1}}, {{PQ, 600}, {WQ, -3}}, DefaultQuality600},
        {"K dpi, N slot -4 empty with no filled slot below: slot -3", kC710, {{PQ, -4}}, {{PQ, 600}, {WQ, -3}},
         Slot4Empty},
        // Print quality, the model's default a slot (C510: -4 and -3 hold 600 dpi, -2 and -1 empty).
        {"K slot, N an empty slot: the next filled slot down", kC510, {{PQ, -1}}, {{PQ, -3}, {WQ, -3}}},
        {"K slot, N below -4: K", kC510, {{PQ, -20}, {WQ, -3}}, {{PQ, -4}, {WQ, -4}}},
        {"K slot, N a dpi of the user's slot: the user's slot", kC510, {{PQ, 600}, {WQ, -3}}, {{PQ, -3}, {WQ, -3}}},
        {"K slot, N not listed: K", kC510, {{PQ, 1200}, {WQ, -3}}, {{PQ, -4}, {WQ, -4}}},
        {"K slot, slot -4 reached and empty: -3", kC510, {{PQ, -4}}, {{PQ, -3}, {WQ, -3}}, Slot4Empty},
        {"high resolution only: -4 only when the user chose it", kC510, {{PQ, -4}, {WQ, -3}}, {{PQ, -3}, {WQ, -3}},
         HighResolutionOnly},
        {"high resolution only: the user's -4", kC510, {{PQ, -4}, {WQ, -4}}, {{PQ, -4}, {WQ, -4}}, HighResolutionOnly},
        {"K slot, N the dpi of K, the user's slot of another dpi: K", kC510, {{PQ, 600}, {WQ, -1}},
         {{PQ, -3}, {WQ, -3}}, TwoSlotsOf600},
        {"K slot, N the dpi of K, the user's 1200 dpi listed beyond an empty slot: K", kC510,
         {{PQ, 600}, {WQ, 1200}}, {{PQ, -3}, {WQ, -3}}, TwoSlotsOf600},

        // Gradation.
        {"gradation at quality -4", kC510, {{PQ, -4}, {WQ, -4}, {BPP, 1}}, {{BPP, 5}}},
        {"gradation at quality -4 of a short-menu True1200 model", kC510, {{PQ, -4}, {WQ, -4}, {BPP, 1}}, {{BPP, 4}},
         True1200},
        {"gradation at other qualities", kC510, {{PQ, -3}, {BPP, 5}}, {{BPP, 1}}},
        {"gradation without DM_BITSPERPEL: still the quality's", kC510,
         {{PQ, -4}, {WQ, -4}, {DF, kBaseFields & ~DM_BITSPERPEL}, {BPP, 7}}, {{BPP, 5}}},

        // Paper.
        {"listed paper: its listed size", kC710, {{PAPER, 5}, {W, 1}, {L, 1}}, {{PAPER, 5}, {W, 2159}, {L, 3556}}},
        {"paper not listed: the default paper", kC710, {{PAPER, 66}}, {{PAPER, 1}, {W, 2159}, {L, 2794}}},
        {"free size within the limits", kC710, {{PAPER, 256}, {W, 2000}, {L, 3000}},
         {{PAPER, 256}, {W, 2000}, {L, 3000}, {CW, 2000}, {CL, 3000}, {FIELDS(kWL), kWL}}},
        {"free size wider than the maximum", kC710, {{PAPER, 256}, {W, 5000}, {L, 3000}},
         {{W, 3280}, {CW, 3280}, {L, 3000}, {CL, 3000}}},
        {"free size below the minimum", kC710, {{PAPER, 256}, {W, 100}, {L, -5}},
         {{W, 762}, {CW, 762}, {L, 1270}, {CL, 1270}}},
        {"free size without DM_PAPERSIZE: the default paper", kC710,
         {{DF, (kBaseFields & ~DM_PAPERSIZE) | kWL}, {PAPER, 256}, {W, 2000}},
         {{PAPER, 1}, {W, 2159}, {FIELDS(kWL), 0}}},
        {"finisher installed on an A3 model: the finisher's limits", kC710,
         {{PAPER, 256}, {W, 3000}, {L, 3000}, {DEVOPT, 1}}, {{W, 2970}, {CW, 2970}}},
        {"no finisher: the free-size limits", kC710, {{PAPER, 256}, {W, 3000}, {L, 3000}, {DEVOPT, 0}}, {{W, 3000}}},
        {"free size 263 takes the limits of 256: no zero size", kC910J, {{PAPER, 263}, {W, 0}, {L, 0}},
         {{PAPER, 263}, {W, 762}, {L, 1270}, {CW, 762}, {CL, 1270}, {FIELDS(kWL), 0}}},
        {"free size 264 takes the limits of 256", kC910J, {{PAPER, 264}, {W, 9999}, {L, 30000}},
         {{PAPER, 264}, {W, 3280}, {L, 12000}, {CW, 3280}, {CL, 12000}}},
        {"long paper: the source's size, the finest slots become -2", kC910J,
         {{PAPER, 275}, {W, 2100}, {L, 12000}, {PQ, -3}},
         {{PAPER, 275}, {W, 2100}, {L, 12000}, {PQ, -2}, {WQ, -2}, {EXT(dwPaperState), 1}}, DefaultQualitySlot3},
        {"long paper at slot -4 (1200 dpi): quality, gradation and job dpi of slot -2", kC910J,
         {{PAPER, 275}, {W, 2100}, {L, 12000}, {PQ, -4}, {WQ, -4}}, {{PQ, -2}, {WQ, -2}, {BPP, 1}},
         DefaultQualitySlot3},
#ifndef DRV_BUILD_UM
        {"user paper (index -2): the table's size", kC710, {{PAPER, 277}},
         {{PAPER, 277}, {W, 2100}, {L, 9000}, {FIELDS(kWL), 0}}, UserPapers},
        {"user long paper (index -3): the table's size, finest slots -2, its values in effect", kC510,
         {{PAPER, 537}, {PQ, -3}},
         {{PAPER, 537}, {W, 2100}, {L, 12000}, {PQ, -2}, {WQ, -3}, {EXT(dwPaperState), 1}, {EXT(wSlpWidthInch), 8000},
          {EXT(dwSlpStart), -283}, {EXT(dwSlpCut), 600}},
         UserPapers},
#else
        {"user paper (index -2): no user papers, the default paper", kC710, {{PAPER, 277}},
         {{PAPER, 1}, {W, 2159}, {L, 2794}}, UserPapers},
        {"user long paper (index -3): no user papers, the default paper", kC510, {{PAPER, 537}, {PQ, -3}},
         {{PAPER, 1}, {W, 2159}, {L, 2794}, {PQ, -3}, {EXT(dwPaperState), 0}, {EXT(wSlpWidthInch), 8268}}, UserPapers},
#endif
        {"user paper with an id below 276: the default paper", kC710, {{PAPER, 270}}, {{PAPER, 1}, {W, 2159}},
         UserPapers},
        {"paper unknown to the user tables: the default paper", kC710, {{PAPER, 300}}, {{PAPER, 1}}, UserPapers},

        // Booklets and duplex.
        {"booklet on a one-sided paper: fit to paper on", kC710, {{PAPER, 5}, {MODE, 1}},
         {{MODE, 1}, {FIT, 1}, {FITPAPER, 1}}, NoPosition},
        {"booklet on a two-sided paper: fit stays off", kC710, {{PAPER, 5}, {MODE, 1}}, {{FIT, 0}}, EveryPosition},
        {"booklet on a user paper counted as the two-sided free size: fit stays off", kC710,
         {{PAPER, 277}, {MODE, 1}}, {{FIT, 0}}, UserPapersEveryPosition},
        {"booklet: a one-sided fit paper becomes the duplex paper, bit 4 cleared", kC710,
         {{MODE, 1}, {FIT, 0x11}, {FITPAPER, 5}}, {{FIT, 1}, {FITPAPER, 1}}, NoPosition},
        {"booklet without DM_PAPERSIZE: the fit paper is checked all the same", kC710,
         {{MODE, 1}, {FIT, 0x11}, {FITPAPER, 5}, {DF, kBaseFields & ~DM_PAPERSIZE}}, {{FIT, 1}, {FITPAPER, 1}},
         NoPosition},
        {"booklet on a long paper: no layout, the long paper's duplex checked", kC910J,
         {{PAPER, 275}, {W, 2100}, {L, 12000}, {MODE, 1}, {DUP, 2}, {DEVOPT, 8}}, {{MODE, 0}, {FIT, 0}, {DUP, 1}}},
        {"no duplex unit, no manual duplex: simplex", kC710, {{DUP, 2}}, {{DUP, 1}, {FIELDS(DM_DUPLEX), 0}}},
        {"manual duplex: the source's duplex", kC710, {{DUP, 2}, {EXT(wManualDuplex), 1}},
         {{DUP, 2}, {FIELDS(DM_DUPLEX), 0}}},
        {"manual duplex, a value that is no duplex: simplex", kC710, {{DUP, 9}, {EXT(wManualDuplex), 1}}, {{DUP, 1}}},
        {"duplex unit: the source's duplex", kC710, {{DUP, 3}, {DEVOPT, 8}}, {{DUP, 3}, {FIELDS(DM_DUPLEX), DM_DUPLEX}}},
        {"duplex unit, a value that is no duplex: simplex", kC710, {{DUP, -2}, {DEVOPT, 8}}, {{DUP, 1}}},
        {"duplex on a one-sided paper: simplex", kC710, {{DUP, 2}, {DEVOPT, 8}, {PAPER, 5}}, {{DUP, 1}}, NoPosition},
        {"duplex on a two-sided paper", kC710, {{DUP, 2}, {DEVOPT, 8}, {PAPER, 5}}, {{DUP, 2}}, EveryPosition},
        {"duplex with fit to paper: the fit paper decides", kC710,
         {{DUP, 2}, {DEVOPT, 8}, {FIT, 1}, {FITPAPER, 5}}, {{DUP, 1}}, NoPosition},

        // Orientation, copies, automatic quality.
        {"orientation 3: portrait", kC510, {{PUB(dmOrientation), 3}}, {{PUB(dmOrientation), 1}}},
        {"landscape", kC710, {{PUB(dmOrientation), 2}}, {{PUB(dmOrientation), 2}}},
        {"orientation without DM_ORIENTATION: the default", kC710,
         {{PUB(dmOrientation), 2}, {DF, kBaseFields & ~DM_ORIENTATION}}, {{PUB(dmOrientation), 1}}},
        {"copies 0: 1", kC710, {{PUB(dmCopies), 0}}, {{PUB(dmCopies), 1}}},
        {"copies 5000: 999", kC710, {{PUB(dmCopies), 5000}}, {{PUB(dmCopies), 999}}},
        {"copies without DM_COPIES: the default", kC710, {{PUB(dmCopies), 50}, {DF, kBaseFields & ~DM_COPIES}},
         {{PUB(dmCopies), 3}}},
        {"automatic quality: DM_PRINTQUALITY cleared", kC710, {{EXT(wAPQuality), 1}},
         {{FIELDS(DM_PRINTQUALITY), 0}}},
        {"automatic quality 7: 0", kC710, {{EXT(wAPQuality), 7}},
         {{EXT(wAPQuality), 0}, {FIELDS(DM_PRINTQUALITY), DM_PRINTQUALITY}}},

        // Sources.
        {"listed source", kC710, {{SRC, 259}}, {{SRC, 259}}, EveryPosition},
        {"media entry as the source", kC710, {{SRC, 515}}, {{SRC, 515}}, EveryPosition},
        {"unlisted source: the default source", kC710, {{SRC, 999}}, {{SRC, 1}}, EveryPosition},
        {"source 4 where neither 4 nor 257 is listed: the default source", kC710, {{SRC, 4}}, {{SRC, 1}},
         EveryPosition},
        {"source 4 where 257 is listed: 257", kC710, {{SRC, 4}}, {{SRC, 257}}, ListsSource257},
        {"source 4 where listed", kC910J, {{SRC, 4}}, {{SRC, 4}}, EveryPosition},
        {"source without DM_DEFAULTSOURCE: the default", kC710, {{SRC, 259}, {DF, kBaseFields & ~DM_DEFAULTSOURCE}},
         {{SRC, 1}}, EveryPosition},
        {"paper without the tray's position: source 257", kC710, {{SRC, 259}}, {{SRC, 257}}, NoPosition},
        {"paper type without the tray's position: paper type 0", kC710, {{EXT(wMediaType), 4}}, {{EXT(wMediaType), 0}}, NoPosition},
        {"paper type in the tray's position", kC710, {{EXT(wMediaType), 4}}, {{EXT(wMediaType), 4}}, EveryPosition},

        // Scale and TrueType.
        {"scale of a preset", kC710, {{SCALE, 141}}, {{SCALE, 141}, {SIDX, 1}, {FIELDS(DM_SCALE), DM_SCALE}}},
        {"scale 0: the default scale", kC710, {{SCALE, 0}}, {{SCALE, 100}, {SIDX, 0}}},
        {"scale 900: 400, free scale", kC710, {{SCALE, 900}}, {{SCALE, 400}, {SIDX, 6}}},
        {"scale -5: 1", kC710, {{SCALE, -5}}, {{SCALE, 1}, {SIDX, 6}}},
        {"no DM_SCALE: default scale, DM_SCALE cleared", kC710, {{SCALE, 141}, {SIDX, 3}, {DF, kBaseFields}},
         {{SCALE, 100}, {SIDX, 3}, {FIELDS(DM_SCALE), 0}}},
        {"no DM_SCALE: a preset index outside the presets is the free scale", kC710,
         {{SIDX, 1000}, {DF, kBaseFields}}, {{SIDX, -1}}},
        {"TrueType option 5: 2", kC710, {{PUB(dmTTOption), 5}}, {{PUB(dmTTOption), 2}}},
        {"TrueType option 3", kC710, {{PUB(dmTTOption), 3}}, {{PUB(dmTTOption), 3}}},

        // Colour.
        {"colour on a grey record: colour output", kC510, {{COLOR, 2}}, {{COLOR, 2}, {WCOLOR, 1}, {CMODE, 0}}},
        {"colour on a monochrome model stays grey", kC510, {{COLOR, 2}}, {{COLOR, 2}, {WCOLOR, 0}}, Monochrome},
        {"mono on a colour record: grey", kC710, {{COLOR, 1}}, {{COLOR, 1}, {WCOLOR, 0}, {CMODE, 1}}},
        {"colour 3: ignored", kC710, {{COLOR, 3}}, {{COLOR, 2}, {WCOLOR, 1}}},
        {"colour without DM_COLOR: ignored", kC710, {{COLOR, 1}, {DF, kBaseFields & ~DM_COLOR}},
         {{COLOR, 2}, {WCOLOR, 1}}},
        {"no colour given: the colour switch follows the default colour", kC710, {{COLOR, 7}, {WCOLOR, 0}},
         {{COLOR, 2}, {WCOLOR, 1}, {CMODE, 0}}},
        {"no colour given on a grey default: grey", kC510, {{DF, kBaseFields & ~DM_COLOR}, {WCOLOR, 1}},
         {{COLOR, 1}, {WCOLOR, 0}, {CMODE, 1}}},
        {"colour switch 5 read as 1: mono turns it off", kC710, {{COLOR, 1}, {WCOLOR, 5}},
         {{COLOR, 1}, {WCOLOR, 0}, {CMODE, 1}}},

        // Collate and y resolution.
        {"collate 2: 0", kC710, {{PUB(dmCollate), 2}}, {{PUB(dmCollate), 0}}},
        {"collate 1", kC710, {{PUB(dmCollate), 1}}, {{PUB(dmCollate), 1}}},
        {"wCollate 3: 0", kC710, {{EXT(wCollate), 3}}, {{EXT(wCollate), 0}}},
        {"y resolution with DM_YRESOLUTION: taken, not announced", kC710,
         {{PUB(dmYResolution), 300}, {DF, kBaseFields | DM_YRESOLUTION}},
         {{PUB(dmYResolution), 300}, {FIELDS(DM_YRESOLUTION), 0}}},
        {"y resolution without DM_YRESOLUTION", kC710, {{PUB(dmYResolution), 300}},
         {{PUB(dmYResolution), 0}, {FIELDS(DM_YRESOLUTION), 0}}},

        // Secure jobs.
        {"no hard disk: no secure job", kC710, {{SEC, 1}, {JOB, 2}, {JOBF, 0xF}}, {{SEC, 0}, {JOB, 0}, {JOBF, 0xB}}},
        {"hard disk: the secure job before Windows 6.0", kC710, {{DEVOPT, 2}, {SEC, 1}, {JOB, 2}},
         {{SEC, 1}, {JOB, 2}}},
        {"Windows 6.0 and later: never a secure job", kC710, {{DEVOPT, 6}, {SEC, 1}, {JOB, 2}, {JOBF, 0}},
         {{SEC, 0}, {JOB, 0}, {JOBF, 15}, {DEVOPT, 2}}, nullptr, kWindows6},
        {"secure option out of range: no secure job", kC710, {{DEVOPT, 2}, {SEC, 1}, {JOB, 2}, {EXT(dwSecureOption2), 4}},
         {{SEC, 0}, {JOB, 2}}},
        {"secure limit 60: no secure job", kC710, {{DEVOPT, 2}, {SEC, 1}, {EXT(wSecureLimit60), 60}}, {{SEC, 0}}},
        {"secure text not cleared: no secure job", kC710, {{DEVOPT, 2}, {SEC, 1}, {EXT(szCryptoPin[12]), 'x'}},
         {{SEC, 0}}},
        {"secure mode 3: none, normal job", kC710, {{DEVOPT, 2}, {SEC, 3}, {JOB, 1}},
         {{SEC, 0}, {JOB, 0}, {JOBF, 15}}},
        {"secure data longer than its block: none", kC710, {{DEVOPT, 2}, {SEC, 1}, {EXT(dwCryptoPinLen), 300}},
         {{SEC, 0}, {EXT(dwCryptoPinLen), 0}}},

        // Bins and finishing.
        {"bin 17 with finishing and no finisher: bin 1, no finishing", kC710, {{BIN, 17}, {FIN, 1}},
         {{BIN, 1}, {FIN, 0}}, NoPosition},
        {"finisher: a bin without its position becomes 17", kC910J, {{DEVOPT, 1}, {BIN, 0}}, {{BIN, 17}},
         FinisherBinUpper},
        {"finisher: bin 17 without its position becomes 0", kC910J, {{DEVOPT, 1}, {BIN, 17}}, {{BIN, 0}},
         FaceDownBinOnly},
        {"finisher: neither bin 0 nor 17 reachable: 1", kC910J, {{DEVOPT, 1}, {BIN, 17}}, {{BIN, 1}}, NoPosition},
        {"finisher bin 18 keeps staples and punching", kC910J, {{DEVOPT, 1}, {BIN, 18}, {FIN, 0x10001}},
         {{BIN, 18}, {FIN, 0x10001}}, EveryPosition},
        {"no punch unit: punching cleared", kC710, {{DEVOPT, 1}, {BIN, 18}, {FIN, 0x10001}, {EXT(bPunch), 3}},
         {{FIN, 1}, {EXT(bPunch), 0}}, EveryPosition},
        {"finishing on a bin other than 18: none", kC910J, {{DEVOPT, 1}, {BIN, 0}, {FIN, 1}}, {{BIN, 0}, {FIN, 0}},
         EveryPosition},
        {"no finisher: finishing and the staple bytes cleared", kC910J,
         {{FIN, 1}, {EXT(bStaple), 2}, {EXT(bStaplePos), 4}},
         {{FIN, 0}, {EXT(bStaple), 0}, {EXT(bStaplePos), 0}}},
        {"bin 5: 0", kC710, {{BIN, 5}}, {{BIN, 0}}, EveryPosition},

        // Long-edge feed.
        {"bin 18 on the manual feed: long-edge feed", kC510, {{BIN, 18}, {CHECK, 1}},
         {{SRC, 257}, {BIN, 18}, {CHECK, 3}, {V1712, 2}}, FinisherBin},
        {"long-edge check of an A3 EnvMode model on the manual feed", kC510, {{CHECK, 3}}, {{V1712, 2}}, A3PrinterNoPosition},
        {"free size up to 328 mm fed long edge", kC510, {{CHECK, 3}, {PAPER, 256}, {W, 2000}, {L, 3000}},
         {{V1712, 2}}, A3PrinterNoPosition},
        {"free size longer than 328 mm not fed long edge", kC510, {{CHECK, 3}, {PAPER, 256}, {W, 2000}, {L, 4000}},
         {{V1712, 0}}, A3Printer},
        {"long-edge check without A3Printer", kC510, {{CHECK, 3}}, {{V1712, 0}}},

        // Validation code, long paper, options.
        {"validation code on 2: 0", kC710, {{EXT(wValCode), 2}}, {{EXT(wValCode), 0}}},
        {"validation confirmed 2: 0", kC710, {{EXT(wValCodeConfirmed), 2}}, {{EXT(wValCodeConfirmed), 0}}},
        {"validation density 17: 8", kC710, {{EXT(wValCodeDensity), 17}}, {{EXT(wValCodeDensity), 8}}},
        {"validation off level 3: 0", kC710, {{EXT(wAccessPromptMode), 3}}, {{EXT(wAccessPromptMode), 0}}},
        {"CMY density 15: 0", kC710, {{EXT(wCMYDensity), 15}}, {{EXT(wCMYDensity), 0}}},
        {"CMY density 17", kC710, {{EXT(wCMYDensity), 17}}, {{EXT(wCMYDensity), 17}}},
        {"paper cut 2: 1", kC710, {{EXT(wLpPaperCut), 2}}, {{EXT(wLpPaperCut), 1}}},
        {"long-paper adjust mode 3: 0", kC710, {{EXT(wLpAdjMode), 3}}, {{EXT(wLpAdjMode), 0}}},
        {"automatic start: the shown start out of its range", kC710,
         {{EXT(dwLpStart), 50000}, {EXT(wLpAdjMode), 1}, {EXT(dwLpStartUi), 138715}, {EXT(dwLpCutUi), 138714}},
         {{EXT(dwLpStartUi), 0}, {EXT(dwLpCutUi), 138714}}},
        {"automatic start in inches: narrower ranges", kC710,
         {{EXT(dwLpStart), 50000}, {EXT(wLpDispType), 1}, {EXT(dwLpStartUi), -52625}, {EXT(dwLpCutUi), 54613}},
         {{EXT(dwLpStartUi), -52625}, {EXT(dwLpCutUi), 0}}},
        {"fixed start beyond 16 bits: 0", kC710, {{EXT(dwLpStart), 40000}, {EXT(dwLpCut), 100}},
         {{EXT(dwLpStart), 0}, {EXT(dwLpCut), 100}}},
        {"fixed start: an automatic cut is none", kC710, {{EXT(dwLpStart), 100}, {EXT(dwLpCut), 50000}},
         {{EXT(dwLpCut), 0}}},
        {"long-paper margin above 31200: 0", kC710, {{EXT(wLpMargin), 31201}}, {{EXT(wLpMargin), 0}}},
#ifndef DRV_BUILD_UM
        {"long paper: the values in effect from the record's own", kC910J,
         {{PAPER, 275}, {W, 2100}, {L, 12000}, {EXT(dwLpStart), 50000}, {EXT(dwLpStartUi), -1200},
          {EXT(wLpWidthInch), 9000}, {EXT(wSlpWidthInch), 1234}, {EXT(dwSlpStart), 77}},
         {{EXT(wSlpWidthInch), 9000}, {EXT(dwSlpStart), -283}}},
        {"font alias and pattern size from the model", kC710,
         {{EXT(dwDisableFontAlias), 77}, {EXT(wPatternSize), 9}},
         {{EXT(dwDisableFontAlias), 0}, {EXT(wPatternSize), 1}}},
#else
        {"long paper: the values in effect as the record carries them", kC910J,
         {{PAPER, 275}, {W, 2100}, {L, 12000}, {EXT(dwLpStart), 50000}, {EXT(dwLpStartUi), -1200},
          {EXT(wLpWidthInch), 9000}, {EXT(wSlpWidthInch), 1234}, {EXT(dwSlpStart), 77}},
         {{EXT(wSlpWidthInch), 1234}, {EXT(dwSlpStart), 77}}},
        {"font alias and pattern size as the record carries them", kC710,
         {{EXT(dwDisableFontAlias), 77}, {EXT(wPatternSize), 9}},
         {{EXT(dwDisableFontAlias), 77}, {EXT(wPatternSize), 9}}},
#endif
        {"user paper maximum 10: 32", kC710, {{EXT(wUserPaperMax), 10}}, {{EXT(wUserPaperMax), 32}}},
        {"2790 5: 1", kC710, {{EXT(wAux2790), 5}}, {{EXT(wAux2790), 1}}},
        {"super colour 2: 0", kC710, {{EXT(wSuperColor), 2}}, {{EXT(wSuperColor), 0}}},
        {"guest 2: 0", kC710, {{EXT(wAuthFixedUser), 2}}, {{EXT(wAuthFixedUser), 0}}},
        {"manual duplex 2: off, also for the duplex", kC710, {{EXT(wManualDuplex), 2}, {DUP, 2}},
         {{EXT(wManualDuplex), 0}, {DUP, 1}}},

        // Ranges of the private part.
        {"grey mode 0x0604: 0xFD01", kC710, {{EXT(wGrayMode), 0x0604}}, {{EXT(wGrayMode), 0xFD01}}},
        {"grey mode 0xFE03", kC710, {{EXT(wGrayMode), 0xFE03}}, {{EXT(wGrayMode), 0xFE03}}},
        {"darkness 51: 0", kC710, {{EXT(wDarkness), 51}}, {{EXT(wDarkness), 0}}},
        {"darkness -50", kC710, {{EXT(wDarkness), -50}}, {{EXT(wDarkness), -50}}},
        {"contrast -51: 0", kC710, {{EXT(wContrast), -51}}, {{EXT(wContrast), 0}}},
        {"raster flags: bits 0-2", kC710, {{EXT(wRasterFlags), 0xFF}}, {{EXT(wRasterFlags), 7}}},
        {"426 5: 1", kC710, {{EXT(wAux426), 5}}, {{EXT(wAux426), 1}}},
        {"colour capable: bits 0-1", kC710, {{EXT(wColorCapable), 6}}, {{EXT(wColorCapable), 2}}},
        {"428: 0", kC710, {{EXT(wAux428), 9}}, {{EXT(wAux428), 0}}},
        {"434 3: 2", kC710, {{EXT(wAux434), 3}}, {{EXT(wAux434), 2}}},
        {"446 5: 0", kC710, {{EXT(wDpiScaledValue), 5}}, {{EXT(wDpiScaledValue), 0}}},
        {"448: 1", kC710, {{EXT(wAux448), 0}}, {{EXT(wAux448), 1}}},
        {"custom kind without paper 264: 0", kC710, {{EXT(wCustomKind), 5}}, {{EXT(wCustomKind), 0}}},
        {"custom kind with paper 264 kept", kC910J, {{EXT(wCustomKind), 5}}, {{EXT(wCustomKind), 5}}},
        {"density 5: 2", kC710, {{EXT(wDensity), 5}}, {{EXT(wDensity), 2}}},
        {"paper type: high byte cleared", kC710, {{EXT(wMediaType), 0x0104}}, {{EXT(wMediaType), 4}}, EveryPosition},
        {"460 2: 0", kC710, {{EXT(wAux460), 2}}, {{EXT(wAux460), 0}}},
        {"source option: bits 0x107", kC710, {{EXT(wSourceOption), 0xFFFF}}, {{EXT(wSourceOption), 0x107}}},
        {"462 0x0205: 0x0001", kC710, {{EXT(wAux462), 0x0205}}, {{EXT(wAux462), 0x0001}}},
        {"462 0x0103", kC710, {{EXT(wAux462), 0x0103}}, {{EXT(wAux462), 0x0103}}},
        {"468: 0", kC710, {{EXT(wAux468), 3}}, {{EXT(wAux468), 0}}},
        {"toner save 3: 0", kC710, {{EXT(wTonerSave), 3}}, {{EXT(wTonerSave), 0}}},
        {"watermark flags 4: 0, no watermark", kC710, {{EXT(wWatermarkFlags), 4}, {EXT(szWatermarkName[0]), 'W'}},
         {{EXT(wWatermarkFlags), 0}, {EXT(szWatermarkName[0]), 0}}},
        {"watermark flags with bit 1", kC710, {{EXT(wWatermarkFlags), 6}, {EXT(szWatermarkName[0]), 'W'}},
         {{EXT(wWatermarkFlags), 6}, {EXT(szWatermarkName[0]), 'W'}}},
        {"794 4: 0", kC710, {{EXT(wAux794), 4}}, {{EXT(wAux794), 0}}},
        {"offset 301: 0", kC710, {{EXT(wOffsetX), 301}, {EXT(wOffsetY), 300}}, {{EXT(wOffsetX), 0}, {EXT(wOffsetY), 300}}},
        {"rotate 2: 1", kC710, {{EXT(wRotate180), 2}}, {{EXT(wRotate180), 1}}},
        {"port direction 2: 0", kC710, {{EXT(wPortDirect), 2}}, {{EXT(wPortDirect), 0}}},
        {"port direction 2 on a ReversePortrait model: 1", kC910J, {{EXT(wPortDirect), 2}}, {{EXT(wPortDirect), 1}}},
        {"margins 301: 0", kC710, {{EXT(wMargin), 301}, {EXT(wMarginNup), 400}, {EXT(wMarginBooklet), 300}},
         {{EXT(wMargin), 0}, {EXT(wMarginNup), 0}, {EXT(wMarginBooklet), 300}}},
        {"raster mode: always vector", kC510, {}, {{EXT(wRasterMode), 0}}},
        {"substitution 2 on a FontSubstitution model: 1", kC710, {{EXT(wTTSubst), 2}}, {{EXT(wTTSubst), 1}}},
        {"substitution 2: 0", kC510, {{EXT(wTTSubst), 2}}, {{EXT(wTTSubst), 0}}},
        {"pages per sheet 7: 1", kC710, {{EXT(dwMultipage), 7}, {EXT(dwNupPages), 9}},
         {{EXT(dwMultipage), 0}, {EXT(dwNupPages), 1}, {EXT(dwNupX), 1}, {EXT(dwNupY), 1}}},
        {"pages per sheet 3: 6", kC710, {{EXT(dwMultipage), 3}},
         {{EXT(dwNupPages), 6}, {EXT(dwNupX), 2}, {EXT(dwNupY), 3}}},
        {"pages per sheet 6: 16", kC710, {{EXT(dwMultipage), 6}},
         {{EXT(dwNupPages), 16}, {EXT(dwNupX), 4}, {EXT(dwNupY), 4}}},
        {"page order outside 0xF000F", kC710, {{EXT(dwNupOrder), 0x100001}}, {{EXT(dwNupOrder), 0x20001}}},
        {"page order 0xF000F", kC710, {{EXT(dwNupOrder), 0xF000F}}, {{EXT(dwNupOrder), 0xF000F}}},
        {"signature 5: -1", kC710, {{EXT(dwSignature), 5}}, {{EXT(dwSignature), -1}}},
        {"signature 4", kC710, {{EXT(dwSignature), 4}}, {{EXT(dwSignature), 4}}},
        {"booklet flags 0x8: 0", kC710, {{EXT(dwBookletFlags), 0x8}}, {{EXT(dwBookletFlags), 0}}},
        {"booklet flags 0xE2", kC710, {{EXT(dwBookletFlags), 0xE2}}, {{EXT(dwBookletFlags), 0xE2}}},
        {"poster choice 4: 0, 2 tiles", kC710, {{ENL, 4}}, {{ENL, 0}, {EXT(dwPosterTiles), 2}}},
        {"poster choice 1: 4 tiles", kC710, {{ENL, 1}}, {{EXT(dwPosterTiles), 4}}},
        {"poster choice 2: 9 tiles", kC710, {{ENL, 2}}, {{EXT(dwPosterTiles), 9}}},
        {"poster choice 3: the custom grid", kC710, {{ENL, 3}}, {{EXT(dwPosterTiles), -1}}},
        {"tiles across 5: 2", kC710, {{EXT(dwPosterX), 5}, {EXT(dwPosterY), 0}}, {{EXT(dwPosterX), 2}, {EXT(dwPosterY), 0}}},
        {"poster flags 16: 15", kC710, {{PFLAGS, 16}}, {{EXTM(dwPosterFlags, ~2ull), 13}}},
        {"manual poster orientation kept", kC710, {{PFLAGS, 0x6}}, {{PFLAGS, 0x6}}},
        {"registration colour: top byte cleared", kC710, {{EXT(dwRegistColor), 0x12345678}},
         {{EXT(dwRegistColor), 0x345678}}},
        {"overlap 201: 0", kC710, {{EXT(dwOverlapWidth), 201}}, {{EXT(dwOverlapWidth), 0}}},
        {"400 2: 0", kC710, {{EXT(dwFlag400), 2}}, {{EXT(dwFlag400), 0}}},
        {"colour 2: 1", kC710, {{WCOLOR, 2}}, {{WCOLOR, 1}}},
        {"904 and 1050 2: 1", kC710, {{EXT(wColorModeFlag), 2}, {EXT(wDezodi), 2}},
         {{EXT(wColorModeFlag), 1}, {EXT(wDezodi), 1}}},
        {"automatic black 4: 1", kC710, {{EXT(wAutoColorBkMode), 4}}, {{EXT(wAutoColorBkMode), 1}}},
        {"smoothing, zoom, print to file 2: 0", kC710, {{EXT(wImageSmooth), 2}, {EXT(wZoom), 2}, {EXT(wPrintToFile), 2}},
         {{EXT(wImageSmooth), 0}, {EXT(wZoom), 0}, {EXT(wPrintToFile), 0}}},
        {"halftone and sub-mode 3: 0", kC710, {{EXT(wHalftone), 3}, {EXT(wColorSubMode), 3}},
         {{EXT(wHalftone), 0}, {EXT(wColorSubMode), 0}}},
        {"colour darkness 101, contrast -101: 0", kC710, {{EXT(wColorDarkness), 101}, {EXT(wColorContrast), -101}},
         {{EXT(wColorDarkness), 0}, {EXT(wColorContrast), 0}}},
        {"colour adjustment 4 and its option 6: 0", kC710, {{EXT(wColorAdjust), 4}, {EXT(wColorAdjustOpt), 6}},
         {{EXT(wColorAdjust), 0}, {EXT(wColorAdjustOpt), 0}}},
        {"914 2 and 916 101: 0", kC710, {{EXT(wCcmSection), 2}, {EXT(wCcmSettingId), 101}},
         {{EXT(wCcmSection), 0}, {EXT(wCcmSettingId), 0}}},
        {"job type 3: 0", kC710, {{JOB, 3}}, {{JOB, 0}}},
        {"finishing with a bit of 0xFF88E80E: 0", kC710, {{FIN, 2}}, {{FIN, 0}}},
        {"1704 4: 0", kC710, {{EXT(dwNoticeOff), 4}}, {{EXT(dwNoticeOff), 0}}},
        {"colour mode 5: 0", kC710, {{CMODE, 5}}, {{CMODE, 0}}},
        {"2804 2: 0", kC710, {{EXT(wMonoSetupDlg), 2}}, {{EXT(wMonoSetupDlg), 0}}},
        {"saved colour modes out of range, grey: 0", kC510, {{EXT(wSavedColorMode), 5}, {EXT(wSavedColorSubMode), 3}},
         {{EXT(wSavedColorMode), 0}, {EXT(wSavedColorSubMode), 0}}},
        {"saved colour modes out of range, colour: the colour modes", kC710,
         {{CMODE, 3}, {EXT(wColorSubMode), 2}, {EXT(wSavedColorMode), 5}, {EXT(wSavedColorSubMode), 3}},
         {{EXT(wSavedColorMode), 3}, {EXT(wSavedColorSubMode), 2}}},
        {"452 at 600 dpi: 0", kC710, {{EXT(wAux452), 1}}, {{EXT(wAux452), 0}}},
        {"452 at 300 dpi", kC910J, {{EXT(wAux452), 1}, {PQ, -1}}, {{EXT(wAux452), 1}}},
        {"452 2 at 300 dpi: 0", kC910J, {{EXT(wAux452), 2}, {PQ, -1}}, {{EXT(wAux452), 0}}},
        {"454 3: 1", kC710, {{EXT(wAux454), 3}}, {{EXT(wAux454), 1}}},
        {"job flags: the low four bits", kC710, {{JOBF, 0x1B}}, {{JOBF, 0xB}}},
        {"overlay mode 3: 0", kC710, {{EXT(wOverlayMode), 3}}, {{EXT(wOverlayMode), 0}}},
        {"options with a bit of 0x6704: 0x9018", kC710, {{EXT(wOptions), 0x4}}, {{EXT(wOptions), 0x9018}}},
        {"options: bit 1 cleared", kC710, {{EXT(wOptions), 0x13}}, {{EXT(wOptions), 0x11}}},
        {"colour process 4: 0", kC710, {{EXT(wColorProcess), 4}}, {{EXT(wColorProcess), 0}}},
        {"thinning 32: 100", kC710, {{EXT(wThinOut), 32}}, {{EXT(wThinOut), 100}}},
        {"thinning 33", kC710, {{EXT(wThinOut), 33}}, {{EXT(wThinOut), 33}}},
        {"options 2 with a bit of 0xEEC8: 0", kC710, {{EXT(wOptions2), 0x8}}, {{EXT(wOptions2), 0}}},
        {"options 2 with a bit of 0xEEC8 on an MKK model: 1", kC910J, {{EXT(wOptions2), 0x8}}, {{EXT(wOptions2), 1}}},
        {"1064 1000: 2", kC710, {{EXT(wHiddenOption), 1000}}, {{EXT(wHiddenOption), 2}}},
        {"overprint 4: 0", kC710, {{EXT(wOverPrint), 4}}, {{EXT(wOverPrint), 0}}},
        {"compression level 10: 6", kC710, {{EXT(wCompressLevel), 10}}, {{EXT(wCompressLevel), 6}}},
        {"4364 2: 0", kC710, {{EXT(dwBlackPreservation), 2}}, {{EXT(dwBlackPreservation), 0}}},
        {"4368 5: -1", kC710, {{EXT(wTonerSaveLevel), 5}}, {{EXT(wTonerSaveLevel), -1}}},
        {"4368 4", kC710, {{EXT(wTonerSaveLevel), 4}}, {{EXT(wTonerSaveLevel), 4}}},
        {"4370 2: -1", kC710, {{EXT(wSizeChkMpt), 2}}, {{EXT(wSizeChkMpt), -1}}},
        {"page border -5: 1", kC710, {{EXT(dwPageBorder), -5}}, {{EXT(dwPageBorder), 1}}},
        {"page border with 444 above 5: 1", kC710, {{EXT(dwPageBorder), 3}, {EXT(wAux444), 6}},
         {{EXT(dwPageBorder), 1}}},
        {"page border 9 kept", kC710, {{EXT(dwPageBorder), 9}}, {{EXT(dwPageBorder), 9}}},
#ifndef DRV_BUILD_UM
        {"colour-matching tables without colour matching: none", kC710,
         {{EXT(wCcmNtLength), 100}, {EXT(wCcmNvLength), 100}}, {{EXT(wCcmNtLength), 0}, {EXT(wCcmNvLength), 0}}},
#else
        {"colour-matching tables as the record carries them", kC710,
         {{EXT(wCcmNtLength), 100}, {EXT(wCcmNvLength), 256}}, {{EXT(wCcmNtLength), 100}, {EXT(wCcmNvLength), 256}}},
#endif
        {"colour-matching table longer than its field: none", kC710, {{EXT(wCcmNtLength), 300}},
         {{EXT(wCcmNtLength), 0}}},
        {"colour-matching method of the merged colour: none for grey", kC710,
         {{COLOR, 1}, {WCOLOR, 1}, {EXT(wColorSubMode), 0}, {EXT(wColorAdjust), 2}},
         {{WCOLOR, 0}, {PUB(dmICMMethod), 0}, {FIELDS(DM_ICMMETHOD), 0}}, IcmMethod},
        {"colour-matching method of the merged colour: the model's for colour", kC710,
         {{COLOR, 2}, {WCOLOR, 0}, {EXT(wColorSubMode), 0}, {EXT(wColorAdjust), 2}},
         {{WCOLOR, 1}, {PUB(dmICMMethod), 2}, {PUB(dmICMIntent), 1}, {FIELDS(DM_ICMMETHOD), DM_ICMMETHOD}}, IcmMethod},

        // Sources that contribute no private part.
        {"record of another model: no private field", kC710, {{MODE, 2}, {PUB(dmCopies), 5}},
         {{MODE, 0}, {PUB(dmCopies), 5}}, nullptr, kOtherModel},
        {"old DEVMODE of 188 bytes: its public fields and the private defaults", kC710,
         {{MODE, 2}, {PUB(dmCopies), 5}}, {{MODE, 0}, {PUB(dmCopies), 5}}, nullptr, kSource188},
        {"record of the model named in capitals: its private part, name included", kC710, {{MODE, 2}},
         {{MODE, 2}, {EXT(szModelName[1]), L'E'}}, nullptr, kOtherCase},
        {"source shorter than its own header: merged as zeros, the default record validated", kC510,
         {{PUB(dmSize), 0}, {PUB(dmDriverExtra), 0}, {PUB(dmCopies), 5}},
         {{PUB(dmSize), 220}, {PUB(dmCopies), 1}, {EXT(wRasterMode), 0}, {EXT(wThinOut), 100}, {BPP, 5}}},

        // The rendering library drops a 1200-dpi page longer than the 1200-dpi limits to 600 dpi.
#ifdef DRV_BUILD_UM
        {"1200 dpi, a page longer than the 1200-dpi limits: 600 dpi", kC710,
         {{PQ, 1200}, {PAPER, 256}, {W, 2000}, {L, 5000}}, {{PQ, 600}, {WQ, -4}}},
        {"1200 dpi, poster of 2 landscape tiles: 600 dpi", kC710, {{PQ, 1200}, {MODE, 2}, {ENL, 0}, {PFLAGS, 0}},
         {{PQ, 600}, {WQ, -4}}},
        {"1200 dpi, poster of 4 tiles: 600 dpi", kC710, {{PQ, 1200}, {MODE, 2}, {ENL, 1}, {PFLAGS, 0}},
         {{PQ, 600}, {WQ, -4}}},
        {"1200 dpi, a slot quality drops to the slot of 600 dpi", kC910J,
         {{PQ, -4}, {WQ, -4}, {MODE, 2}, {ENL, 1}, {PFLAGS, 0}}, {{PQ, -3}, {WQ, -3}}, DefaultQualitySlot3},
        {"1200 dpi dropped to 600 dpi: the gradation of the quality dropped to", kC910J,
         {{PQ, -4}, {WQ, -4}, {BPP, 5}, {MODE, 2}, {ENL, 1}, {PFLAGS, 0}}, {{WQ, -3}, {BPP, 1}}, DefaultQualitySlot3},
        {"1200 dpi dropped to 600 dpi without slot -4: the filled slot of 600 dpi", kC710,
         {{PQ, -1}, {WQ, -1}, {MODE, 2}, {ENL, 1}, {PFLAGS, 0}}, {{PQ, -3}, {WQ, -3}}, Slot4EmptyDefaultSlot3},
#else
        {"1200 dpi, a page longer than the 1200-dpi limits", kC710, {{PQ, 1200}, {PAPER, 256}, {W, 2000}, {L, 5000}},
         {{PQ, 1200}, {WQ, -1}}},
        {"1200 dpi, poster of 2 landscape tiles", kC710, {{PQ, 1200}, {MODE, 2}, {ENL, 0}, {PFLAGS, 0}},
         {{PQ, 1200}, {WQ, -1}}},
        {"1200 dpi, poster of 4 tiles", kC710, {{PQ, 1200}, {MODE, 2}, {ENL, 1}, {PFLAGS, 0}},
         {{PQ, 1200}, {WQ, -1}}},
        {"1200 dpi, a slot quality", kC910J, {{PQ, -4}, {WQ, -4}, {MODE, 2}, {ENL, 1}, {PFLAGS, 0}},
         {{PQ, -4}, {WQ, -4}}, DefaultQualitySlot3},
#endif
        {"1200 dpi, a long page fitted to paper", kC710, {{PQ, 1200}, {PAPER, 256}, {W, 2000}, {L, 5000}, {FIT, 1}},
         {{PQ, 1200}, {WQ, -1}}},
        {"1200 dpi, poster of 2 portrait tiles", kC710, {{PQ, 1200}, {MODE, 2}, {ENL, 0}, {PFLAGS, 2}},
         {{PQ, 1200}, {WQ, -1}}},
        {"1200 dpi, custom poster one tile down", kC710,
         {{PQ, 1200}, {MODE, 2}, {ENL, 3}, {EXT(dwPosterY), 1}, {PFLAGS, 0}}, {{PQ, 1200}, {WQ, -1}}},
    };

    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.what);
        SavedTables saved;
        MODELRECORD* record = DrvFindModelRecord(c.model);
        ASSERT_NE(record, nullptr);
        record->ModelInfo.wFinisherType &= static_cast<WORD>(~FINISHERTYPE_INSTALLED);
        if (c.arrange) c.arrange(record);
        FixedVersion version((c.flags & kWindows6) ? 0x0006 : 0x0105);
        ASSERT_TRUE(version.active());

        DRVDEVMODE dest = Default(c.model);
        DRVDEVMODE src = dest;
        for (const Value& v : c.in) Put(src, v.field, v.value);
        if (c.flags & kOtherModel) wcscpy(src.dmPrivate.szModelName, L"Velmora ColorPage C999");
        if (c.flags & kOtherCase) _wcsupr(src.dmPrivate.szModelName);
        if (c.flags & kSource188) {
            src.dmPublic.dmSize = 188;
            src.dmPublic.dmDriverExtra = 0;
        }
        ASSERT_TRUE(DrvMergeDevmode(&dest, &src.dmPublic));
        for (const Value& v : c.out) EXPECT_EQ(Get(dest, v.field), v.value) << v.field.name;
    }
}

// The finisher-installed bit of the merged record is written into the shared model information,
// before the free-size limits are taken.
TEST_F(DevmodeMerge, FinisherBitOfTheModelFollowsTheRecord)
{
    MODELINFO* info = Info(kC710);
    for (WORD option : {1, 0}) {
        DRVDEVMODE dest = Default(kC710), src = dest;
        src.dmPrivate.wDeviceOption = option;
        ASSERT_TRUE(DrvMergeDevmode(&dest, &src.dmPublic));
        EXPECT_EQ((info->wFinisherType & FINISHERTYPE_INSTALLED) != 0, option == 1);
    }
}

// A free size of any kind without a size never reaches a division: the automatic poster
// orientation answers portrait.
TEST_F(DevmodeMerge, PosterOfAFreeSizeWithoutSizeIsPortrait)
{
    for (WORD paper : {256, 263, 264}) {
        DRVDEVMODE dm = Default(kC910J);
        dm.dmPublic.dmPaperSize = static_cast<short>(paper);
        dm.dmPrivate.dwFinishingMode = FINISHINGMODE_POSTER;
        dm.dmPrivate.dwPosterFlags = POSTER_AUTOORIENT;
        dm.dmPublic.dmPaperWidth = 0;
        dm.dmPublic.dmPaperLength = 5000;
        EXPECT_EQ(DrvChoosePosterOrientation(&dm, Info(kC910J)), 1) << paper;
        dm.dmPublic.dmPaperLength = 0;
        EXPECT_EQ(DrvChoosePosterOrientation(&dm, Info(kC910J)), 1) << paper;
    }
}

// ---- The merge's output is its own fixed point ----------------------------------------------

// Random bytes over every setting of a record; the header and the model name are kept, so
// that the private part is taken.
void Scramble(DRVDEVMODE& dm, unsigned seed)
{
    std::mt19937 random(seed);
    BYTE* bytes = reinterpret_cast<BYTE*>(&dm);
    const size_t nameFrom = offsetof(DRVDEVMODE, dmPrivate.szModelName);
    const size_t nameTo = nameFrom + sizeof dm.dmPrivate.szModelName;
    for (size_t i = offsetof(DEVMODEW, dmFields); i < sizeof dm; ++i)
        if (i < nameFrom || i >= nameTo) bytes[i] = static_cast<BYTE>(random());
    // Half of the records keep small numbers, so that the rules of valid values are reached too.
    if (seed % 2) {
        for (size_t i = offsetof(DEVMODEW, dmFields); i < sizeof dm; ++i)
            if ((i < nameFrom || i >= nameTo) && (i % 2)) bytes[i] = 0;
        for (size_t i = offsetof(DEVMODEW, dmFields); i < sizeof dm; i += 2)
            if (i < nameFrom || i >= nameTo) bytes[i] %= 8;
    }
}

TEST_F(DevmodeMerge, MergingTheOutputAgainChangesNothing)
{
    FixedVersion version(0x0105);
    for (const wchar_t* name : kModels) {
        for (unsigned seed = 0; seed < 40; ++seed) {
            SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)) << ", source " << seed);
            DRVDEVMODE src = Default(name);
            if (seed > 0) Scramble(src, seed);
            if (seed == 1) src.dmPublic.dmDriverExtra = 0;  // the public part alone
            DRVDEVMODE once = Default(name);
            ASSERT_TRUE(DrvMergeDevmode(&once, &src.dmPublic));
            DRVDEVMODE twice = Default(name);
            ASSERT_TRUE(DrvMergeDevmode(&twice, &once.dmPublic));
            // A y resolution taken from a source is not announced, so the next merge keeps the
            // default's: the one field the output does not carry on.
            EXPECT_EQ(once.dmPublic.dmFields & DM_YRESOLUTION, 0u);
            EXPECT_EQ(twice.dmPublic.dmYResolution, Default(name).dmPublic.dmYResolution);
            twice.dmPublic.dmYResolution = once.dmPublic.dmYResolution;
            EXPECT_EQ(Differences(once, twice), "");
        }
    }
}

// ---- Sources of any size ---------------------------------------------------------------------


TEST_F(DevmodeMerge, SourcesAreReadWithinTheirDeclaredBytes)
{
    // A record of the model whose fields show what was taken: copies and form name (public),
    // the poster choice (private, within the smallest private part), the N-up margin (beyond it).
    DRVDEVMODE image = Default(kC710);
    image.dmPublic.dmCopies = 5;
    wcscpy(image.dmPublic.dmFormName, L"Tray form");
    image.dmPrivate.dwEnlarge = 2;
    image.dmPrivate.wMarginNup = 40;
    DRVDEVMODE whole = Default(kC710);
    ASSERT_TRUE(DrvMergeDevmode(&whole, &image.dmPublic));
    ASSERT_EQ(whole.dmPrivate.wMarginNup, 40);
    // What a source that holds no settings gives: the default record, merged.
    DRVDEVMODE zeros;
    std::memset(&zeros, 0, sizeof zeros);
    DRVDEVMODE nothing = Default(kC710);
    ASSERT_TRUE(DrvMergeDevmode(&nothing, &zeros.dmPublic));

    enum Private { kNone, kFirst660, kWhole };
    const struct {
        const char* what;
        WORD size, extra;
        Private taken;
    } cases[] = {
        {"an old DEVMODE of 188 bytes", 188, 0, kNone},
        {"the public part alone", 220, 0, kNone},
        {"a public part of odd size", 221, 0, kNone},
        {"dmSize smaller than the header: the size fields are read, merged as zeros", 40, 0, kNone},
        {"the size fields alone", 72, 0, kNone},
        {"dmSize 0 with the size in dmDriverExtra", 0, 100, kNone},
        {"the smallest private part", 220, 660, kFirst660},
        {"one byte short of the smallest private part", 220, 659, kNone},
        {"the whole record", 220, 4160, kWhole},
        {"dmDriverExtra 65535", 220, 65535, kWhole},
        {"dmSize 0, dmDriverExtra of a whole record", 0, 4380, kNone},
    };
    drvfuzz::GuardedBlock destBlock(sizeof(DRVDEVMODE));
    ASSERT_TRUE(destBlock.ok());
    auto* dest = reinterpret_cast<DRVDEVMODE*>(destBlock.end(sizeof(DRVDEVMODE)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t declared = static_cast<size_t>(c.size) + c.extra;
        const size_t placed = std::max<size_t>(declared, DRV_DEVMODE_HEADER_BYTES);
        std::vector<BYTE> bytes(placed, 0x5A);
        std::memcpy(bytes.data(), &image, std::min<size_t>(placed, sizeof image));
        std::memcpy(bytes.data() + offsetof(DEVMODEW, dmSize), &c.size, sizeof c.size);
        std::memcpy(bytes.data() + offsetof(DEVMODEW, dmDriverExtra), &c.extra, sizeof c.extra);

        drvfuzz::GuardedBlock srcBlock(placed);
        ASSERT_TRUE(srcBlock.ok());
        BYTE* at = srcBlock.end(placed);
        std::memcpy(at, bytes.data(), placed);
        *dest = Default(kC710);
        ASSERT_TRUE(DrvMergeDevmode(dest, reinterpret_cast<const DEVMODEW*>(at)));

        // The same bytes followed by others merge the same.
        std::vector<BYTE> padded(placed + sizeof(DRVDEVMODE), 0xA5);
        std::memcpy(padded.data(), bytes.data(), placed);
        DRVDEVMODE reference = Default(kC710);
        ASSERT_TRUE(DrvMergeDevmode(&reference, reinterpret_cast<const DEVMODEW*>(padded.data())));
        EXPECT_EQ(Differences(*dest, reference), "");

        if (declared < DRV_DEVMODE_HEADER_BYTES) {
            EXPECT_EQ(Differences(*dest, nothing), "");
        }
        if (declared >= offsetof(DEVMODEW, dmCopies) + sizeof(short) && c.size >= DRV_DEVMODE_HEADER_BYTES) {
            EXPECT_EQ(dest->dmPublic.dmCopies, 5);
        }
        switch (c.taken) {
        case kNone:
            EXPECT_EQ(dest->dmPrivate.dwEnlarge, 0u);
            EXPECT_EQ(dest->dmPrivate.wMarginNup, 0);
            break;
        case kFirst660:
            EXPECT_EQ(dest->dmPrivate.dwEnlarge, 2u);
            EXPECT_EQ(dest->dmPrivate.wMarginNup, 0);
            break;
        case kWhole:
            EXPECT_EQ(Differences(*dest, whole), "");
            break;
        }
    }
}

// Every text field taken from the source ends within its field; a form name that fits arrives
// whole.
TEST_F(DevmodeMerge, TextsFromTheSourceEndWithinTheirFields)
{
    struct Text {
        const char* name;
        size_t offset, bytes, unit;
    };
#define TEXT_(f)                                                                                             \
    Text{#f, offsetof(DRVDEVMODE, f), sizeof(static_cast<DRVDEVMODE*>(nullptr)->f),                            \
         sizeof(static_cast<DRVDEVMODE*>(nullptr)->f[0])}
    const Text texts[] = {
        TEXT_(dmPublic.dmFormName),         TEXT_(dmPrivate.szWatermarkName), TEXT_(dmPrivate.szWatermarkText),
        TEXT_(dmPrivate.szWatermarkFont),   TEXT_(dmPrivate.szWatermarkText2), TEXT_(dmPrivate.szJobName),
        TEXT_(dmPrivate.szJobNameSaved),    TEXT_(dmPrivate.szPresetName),    TEXT_(dmPrivate.szCustom1),
        TEXT_(dmPrivate.szCustom2),         TEXT_(dmPrivate.szDeptPassword),  TEXT_(dmPrivate.szCustom3),
        TEXT_(dmPrivate.szAccessCode),      TEXT_(dmPrivate.szAuthUser),      TEXT_(dmPrivate.szAuthPassword),
        TEXT_(dmPrivate.szAppName),         TEXT_(dmPrivate.szAccountText1),  TEXT_(dmPrivate.szAccountText2),
    };
#undef TEXT_
    DRVDEVMODE src = Default(kC710);
    BYTE* s = reinterpret_cast<BYTE*>(&src);
    for (const Text& t : texts)
        for (size_t i = 0; i < t.bytes; i += t.unit) {
            s[t.offset + i] = 'A';
            if (t.unit == 2) s[t.offset + i + 1] = 0;
        }
    DRVDEVMODE dest = Default(kC710);
    ASSERT_TRUE(DrvMergeDevmode(&dest, &src.dmPublic));
    const BYTE* d = reinterpret_cast<const BYTE*>(&dest);
    for (const Text& t : texts) {
        SCOPED_TRACE(t.name);
        const size_t last = t.offset + t.bytes - t.unit;
        EXPECT_EQ(d[last], 0);
        EXPECT_EQ(d[last - t.unit], 'A') << "the text before the terminator arrives";
    }

    wcscpy(src.dmPublic.dmFormName, L"Twenty characters!!!");
    ASSERT_EQ(wcslen(src.dmPublic.dmFormName), 20u);
    dest = Default(kC710);
    ASSERT_TRUE(DrvMergeDevmode(&dest, &src.dmPublic));
    EXPECT_STREQ(dest.dmPublic.dmFormName, L"Twenty characters!!!");
}

// Only a model missing from the model table fails the merge, after the form name, the display
// fields and a private part of a record for that model; without a source nothing is merged.
TEST_F(DevmodeMerge, ModelNotInTheTableAndNoSource)
{
    DRVDEVMODE src = Default(kC710);
    wcscpy(src.dmPublic.dmFormName, L"Form");
    src.dmPublic.dmCopies = 9;
    src.dmPrivate.dwEnlarge = 2;
    wcscpy(src.dmPrivate.szModelName, L"no such model");
    DRVDEVMODE dest = Default(kC710);
    wcscpy(dest.dmPrivate.szModelName, L"No Such Model");
    const DRVDEVMODE before = dest;
    EXPECT_FALSE(DrvMergeDevmode(&dest, &src.dmPublic));
    EXPECT_STREQ(dest.dmPublic.dmFormName, L"Form");
    EXPECT_EQ(dest.dmPrivate.dwEnlarge, 2u) << "the private part of a record for the same model, by any case";
    EXPECT_EQ(dest.dmPublic.dmCopies, before.dmPublic.dmCopies);

    DRVDEVMODE unknown = before;
    EXPECT_FALSE(DrvMergeDevmode(&unknown, nullptr));
    EXPECT_EQ(Differences(unknown, before), "");
    DRVDEVMODE known = Default(kC710);
    const DRVDEVMODE knownBefore = known;
    EXPECT_TRUE(DrvMergeDevmode(&known, nullptr));
    EXPECT_EQ(Differences(known, knownBefore), "");
    EXPECT_FALSE(DrvMergeDevmode(nullptr, &src.dmPublic));

    // The model is found by its name in any case.
    DRVDEVMODE lower = Default(kC710);
    wcscpy(lower.dmPrivate.szModelName, L"VELMORA colorpage c710");
    EXPECT_TRUE(DrvMergeDevmode(&lower, &src.dmPublic));

    // The validation alone of a record whose model is not in the table makes the checks that
    // need no model.
    unknown.dmPrivate.wValCode = 2;
    unknown.dmPrivate.wSecureMode = 7;
    unknown.dmPrivate.dwBlackPreservation = 3;
    unknown.dmPrivate.wOutputBin = 5;
    DrvValidatePrivateDevmode(&unknown, nullptr);
    EXPECT_EQ(unknown.dmPrivate.wValCode, 0);
    EXPECT_EQ(unknown.dmPrivate.wSecureMode, 0);
    EXPECT_EQ(unknown.dmPrivate.dwBlackPreservation, 0u);
    EXPECT_EQ(unknown.dmPrivate.wOutputBin, 5) << "bins need the model";
}

}  // namespace

// Spoolers hand stored records at any address of their buffers (Wine's on 2-byte boundaries):
// they are read byte-wise, and a record of another size or stamp is not current.
TEST(StoredDevmode, IsReadAtAnyAddressAndComparedByItsStamp)
{
    DRVDEVMODE dm = {};
    dm.dmPublic.dmSize = sizeof(DEVMODEW);
    dm.dmPublic.dmDriverExtra = sizeof(DRVEXTRA);
    dm.dmPublic.dmPaperSize = 82;
    dm.dmPublic.dmPaperLength = 1480;
    dm.dmPublic.dmPaperWidth = 1000;
    const WORD stamp[DATAFILE_STAMPS] = {1, 2, 3, 4};
    std::memcpy(dm.dmPrivate.wDataFileVersion, stamp, sizeof stamp);
    for (size_t shift : {0u, 1u, 2u, 6u}) {
        SCOPED_TRACE(shift);
        std::vector<BYTE> buffer(sizeof dm + 8, 0xEE);
        std::memcpy(buffer.data() + shift, &dm, sizeof dm);
        const auto* at = reinterpret_cast<const DEVMODEW*>(buffer.data() + shift);
        EXPECT_TRUE(DrvIsCurrentDevmode(at, stamp));
        const WORD other[DATAFILE_STAMPS] = {1, 2, 3, 5};
        EXPECT_FALSE(DrvIsCurrentDevmode(at, other));
        DRVDEVMODE copy;
        ASSERT_TRUE(DrvCopyDevmodeRecord(at, &copy));
        EXPECT_EQ(std::memcmp(&copy, &dm, sizeof dm), 0);
    }
    DRVDEVMODE shortRecord = dm;
    shortRecord.dmPublic.dmDriverExtra -= 2;
    EXPECT_FALSE(DrvIsCurrentDevmode(&shortRecord.dmPublic, stamp));
    EXPECT_FALSE(DrvIsCurrentDevmode(nullptr, stamp));

    DrvSwapShortPaper(&dm);
    EXPECT_EQ(dm.dmPublic.dmPaperLength, 1000);
    EXPECT_EQ(dm.dmPublic.dmPaperWidth, 1480);
    DrvSwapShortPaper(&dm);
    EXPECT_EQ(dm.dmPublic.dmPaperLength, 1000) << "the smaller size stays the length";
}
