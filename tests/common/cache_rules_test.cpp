// The rules a cached paper table and model record must hold: what the user-interface library
// builds from the sample data holds them all, and each damage is caught by the rule it breaks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cache_rules.h"
#include "global_tables.h"
#include "modeltable.h"
#include "sample_machine.h"

namespace {

const wchar_t kC710[] = L"Velmora ColorPage C710";

std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

// Expects rule to be the rule broken (NULL: none), saying what was done.
void ExpectBroken(const char* broken, const char* rule, const char* what)
{
    if (rule) EXPECT_STREQ(broken, rule) << what;
    else EXPECT_EQ(broken, nullptr) << what << ": " << broken;
}

// The sample models loaded (the rendering variant from the caches the user-interface variant
// writes), the paper table as they left it.
class CacheRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(machine.loadSampleModels());
    }

    SavedPaperTables saved;
    SampleMachine machine;
};

TEST_F(CacheRules, WhatIsBuiltFromTheSampleDataHoldsEveryRule)
{
    for (const wchar_t* model : kSampleModels) {
        const MODELRECORD* record = DrvFindModelRecord(model);
        ASSERT_NE(record, nullptr) << Narrow(model);
        ExpectBroken(BrokenModelRecordRule(*record), nullptr, Narrow(model).c_str());
    }
    ExpectBroken(BrokenPaperTableRule(g_PaperTable), nullptr, "the sample paper table");
    ExpectBroken(BrokenPaperRowRule(PAPERINFO{}), nullptr, "a blank row");
}

struct RecordDamage {
    const char* what;
    void (*damage)(MODELRECORD&);
    const char* rule;
};

template <size_t N>
void Unterminated(WCHAR (&text)[N])
{
    for (WCHAR& c : text) c = L'X';
}

const RecordDamage kRecordDamages[] = {
    {"loaded flag 0", [](MODELRECORD& r) { r.dwLoaded = 0; }, "the record is marked loaded"},
    {"a word after the stamps", [](MODELRECORD& r) { r.reserved12[2] = 1; }, "the words after the stamps are zero"},
    {"empty model name", [](MODELRECORD& r) { r.ModelInfo.szModelName[0] = 0; },
     "the model name is terminated and not empty"},
    {"unterminated model name", [](MODELRECORD& r) { Unterminated(r.ModelInfo.szModelName); },
     "the model name is terminated and not empty"},
    {"65 papers", [](MODELRECORD& r) { r.ModelInfo.nPapers = MODEL_PAPER_LIST_ROWS + 1; }, "list counts fit their lists"},
    {"33 sources", [](MODELRECORD& r) { r.ModelInfo.nSources = MODEL_LIST_ROWS + 1; }, "list counts fit their lists"},
    {"paper entry 0xFFFFFFFF", [](MODELRECORD& r) { r.ModelInfo.adwPaperList[0] = 0xFFFFFFFF; },
     "list entries are rows of their tables"},
    {"metric paper entry past the table",
     [](MODELRECORD& r) { r.ModelInfo.adwPaperListMm[r.ModelInfo.nPapersMm++] = PAPER_TABLE_ROWS; },
     "list entries are rows of their tables"},
    {"media entry past the table", [](MODELRECORD& r) { r.ModelInfo.adwMediaList[r.ModelInfo.nMedia++] = MEDIA_TABLE_ROWS; },
     "list entries are rows of their tables"},
    {"paper-type entry past the table",
     [](MODELRECORD& r) { r.ModelInfo.adwPaperTypeList[r.ModelInfo.nPaperTypes++] = PAPERTYPE_TABLE_ROWS; },
     "list entries are rows of their tables"},
    {"default paper past the list", [](MODELRECORD& r) { r.ModelInfo.iDefaultPaper = r.ModelInfo.nPapers; },
     "list defaults are entries of their lists"},
    {"negative default source", [](MODELRECORD& r) { r.ModelInfo.iDefaultSource = -1; },
     "list defaults are entries of their lists"},
    {"unknown capability bit", [](MODELRECORD& r) { r.ModelInfo.dwCapFlags |= 0x100; }, "capability flags are known flags"},
    {"dither table id 4", [](MODELRECORD& r) { r.ModelInfo.adwLineDitherTableId[31] = 4; },
     "dither table ids name a dither table or none"},
    {"finisher bit outside the positions", [](MODELRECORD& r) { r.ModelInfo.wFinisherType |= 0x20; },
     "the finisher mask holds punch and tray positions only"},
    {"resolution slot past the table", [](MODELRECORD& r) { r.ModelInfo.QualityType[2] = RESOLUTION_TABLE_ROWS; },
     "resolution slots name rows of the resolution table or none"},
    {"in-tray bit outside the trays", [](MODELRECORD& r) { r.ModelInfo.IntrayType |= 0x80; },
     "the in-tray mask holds tray positions only"},
    {"location 5", [](MODELRECORD& r) { r.ModelInfo.Location = 5; }, "the location code is known"},
    {"defaults of another model", [](MODELRECORD& r) { r.ModelDefaults.szModelName[3] ^= 1; },
     "the default settings name the model"},
    {"garbage defaults", [](MODELRECORD& r) { std::memset(&r.ModelDefaults, 0xA5, sizeof r.ModelDefaults); },
     "the default settings name the model"},
    {"default paper width -1818 mm", [](MODELRECORD& r) { r.ModelDefaults.wDefaultPaperWidth = -18180; },
     "the default paper has a plausible size, or there is none"},
    {"default paper without an id", [](MODELRECORD& r) { r.ModelDefaults.dwDefaultPaper = 0; },
     "the default paper has a plausible size, or there is none"},
    {"default paper id beyond paper ids", [](MODELRECORD& r) { r.ModelDefaults.dwDefaultPaper = 0x10000; },
     "the default paper has a plausible size, or there is none"},
    {"long paper of no length", [](MODELRECORD& r) { r.ModelDefaults.wLongPaperLength = 0; },
     "the long paper has a plausible size, or there is none"},
    {"job type 2", [](MODELRECORD& r) { r.ModelDefaults.UDwJobType = 2; }, "the job type is 0"},
    {"spooled-EMF switch 2", [](MODELRECORD& r) { r.ModelDefaults.UDSpoolEMF = 2; }, "the spooled-EMF switch is 0 or 1"},
    {"compression level 256", [](MODELRECORD& r) { r.ModelDefaults.wCompressHigh = 256; },
     "the compression numbers are bytes"},
    {"unterminated watermark face", [](MODELRECORD& r) { Unterminated(r.ModelDefaults.UDszFont); },
     "default texts are terminated"},
    {"reserved defaults", [](MODELRECORD& r) { r.ModelDefaults.reserved628[1000] = 1; }, "reserved default words are zero"},
    {"33 font substitutions", [](MODELRECORD& r) { r.nFontSubst = FONTSUBST_SLOTS + 1; },
     "font substitutions fit their slots"},
    {"unterminated substitution", [](MODELRECORD& r) { Unterminated(r.FontSubst[31].szDeviceName); },
     "font substitutions fit their slots"},
    {"paper type of another id", [](MODELRECORD& r) { r.PaperTypeInfo[3].wPaperTypeId = 99; },
     "paper types are the built-in paper types"},
    {"more paper types than built in", [](MODELRECORD& r) { r.nPaperTypeInfo = PAPERTYPE_TABLE_ROWS + 1; },
     "paper types are the built-in paper types"},
    // Values at their limits hold.
    {"default paper of the largest size",
     [](MODELRECORD& r) { r.ModelDefaults.wDefaultPaperWidth = r.ModelDefaults.wDefaultPaperLength = PAPER_MAX_MM10; }, nullptr},
    {"no default paper at all",
     [](MODELRECORD& r) {
         r.ModelDefaults.dwDefaultPaper = 0;
         r.ModelDefaults.wDefaultPaperWidth = r.ModelDefaults.wDefaultPaperLength = 0;
     },
     nullptr},
    {"finisher installed", [](MODELRECORD& r) { r.ModelInfo.wFinisherType |= FINISHERTYPE_INSTALLED; }, nullptr},
    {"empty resolution slot", [](MODELRECORD& r) { r.ModelInfo.QualityType[0] = QUALITYTYPE_EMPTY; }, nullptr},
    {"no sources",
     [](MODELRECORD& r) {
         r.ModelInfo.nSources = 0;
         r.ModelInfo.iDefaultSource = 0;
     },
     nullptr},
};

TEST_F(CacheRules, EachRecordDamageBreaksItsRule)
{
    const MODELRECORD* sample = DrvFindModelRecord(kC710);
    ASSERT_NE(sample, nullptr);
    ASSERT_GT(sample->ModelInfo.nPapers, 0);
    ASSERT_NE(sample->ModelDefaults.wLongPaperWidth, 0) << "the sample has a long paper";
    for (const RecordDamage& d : kRecordDamages) {
        MODELRECORD record = *sample;
        d.damage(record);
        ExpectBroken(BrokenModelRecordRule(record), d.rule, d.what);
    }
}

struct PaperDamage {
    const char* what;
    void (*damage)(PAPERINFO&);
    const char* rule;
};

const PaperDamage kPaperDamages[] = {
    {"no id", [](PAPERINFO& p) { p.paperId = 0; }, "a paper row names a paper id"},
    {"unterminated name", [](PAPERINFO& p) { Unterminated(p.name); }, "a paper name is terminated"},
    {"no width", [](PAPERINFO& p) { p.widthDots = 0; }, "a paper size in dots is positive and plausible"},
    {"absurd length", [](PAPERINFO& p) { p.lengthDots = PAPER_MAX_DOTS + 1; },
     "a paper size in dots is positive and plausible"},
    {"width -1818 mm", [](PAPERINFO& p) { p.widthMm10 = static_cast<WORD>(-18180); },
     "a paper size in 0.1 mm is positive and plausible, or not given"},
    {"a width in 0.1 mm without a length", [](PAPERINFO& p) { p.lengthMm10 = 0; },
     "a paper size in 0.1 mm is positive and plausible, or not given"},
    {"absurd printable width", [](PAPERINFO& p) { p.portrait.printableWidth = 0xFFFF; },
     "printable areas and offsets lie within the largest paper"},
    {"absurd landscape offset", [](PAPERINFO& p) { p.landscape.offsetY = PAPER_MAX_DOTS + 1; },
     "printable areas and offsets lie within the largest paper"},
    {"nine data bytes", [](PAPERINFO& p) { p.portrait.dataCount = PAPER_DATA_BYTES + 1; }, "data counts fit the data bytes"},
    // Values at their limits hold.
    {"the largest paper",
     [](PAPERINFO& p) {
         p.widthDots = p.lengthDots = PAPER_MAX_DOTS;
         p.widthMm10 = p.lengthMm10 = PAPER_MAX_MM10;
     },
     nullptr},
    {"no size in 0.1 mm", [](PAPERINFO& p) { p.widthMm10 = p.lengthMm10 = 0; }, nullptr},
    {"no landscape area", [](PAPERINFO& p) { p.landscape = PAPERAREA{}; }, nullptr},
};

TEST_F(CacheRules, EachPaperRowDamageBreaksItsRule)
{
    const PAPERINFO* a4 = nullptr;
    for (const PAPERINFO& row : g_PaperTable)
        if (row.paperId == 9) a4 = &row;
    ASSERT_NE(a4, nullptr);
    ASSERT_NE(a4->widthMm10, 0);
    for (const PaperDamage& d : kPaperDamages) {
        PAPERINFO row = *a4;
        d.damage(row);
        ExpectBroken(BrokenPaperRowRule(row), d.rule, d.what);
        // One such row anywhere in the table breaks the table.
        PAPERINFO table[PAPER_TABLE_ROWS] = {};
        table[PAPER_TABLE_ROWS - 1] = row;
        ExpectBroken(BrokenPaperTableRule(table), d.rule, d.what);
    }
}

}  // namespace
