// The paper family of the user's region, and the readers that fill MODELINFO from a model's
// data files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "region.h"
#include "system_fakes.h"

namespace {

TEST(LetterRegion, CountryCodesOfTheLetterRegions)
{
    const struct {
        const wchar_t* country;  // NULL: the locale query fails
        BOOL letter;
    } cases[] = {
        {L"1", 1},   {L"2", 1},   {L"51", 1},  {L"52", 1},  {L"54", 1},  {L"56", 1},  {L"57", 1},
        {L"58", 1},  {L"501", 1}, {L"504", 1}, {L"507", 1}, {L"591", 1}, {L"593", 1}, {L"595", 1},
        {L"598", 1}, {L"44", 0},  {L"81", 0},  {L"49", 0},  {L"53", 0},  {L"55", 0},  {L"500", 0},
        {L"508", 0}, {L"592", 0}, {L"594", 0}, {L"596", 0}, {L"599", 0}, {L"0", 0},   {L"11", 0},
        {L"", 0},    {nullptr, 0},
    };
    for (const auto& c : cases) {
        FixedLocaleCountry country(c.country);
        ASSERT_TRUE(country.active());
        EXPECT_EQ(DrvIsLetterRegion(), c.letter) << (c.country ? c.country : L"(fails)");
    }
}

}  // namespace

#ifndef DRV_BUILD_UM

#include <algorithm>
#include <functional>
#include <iterator>

#include "datafiles.h"
#include "modelinfo_reader.h"
#include "papertables.h"
#include "test_files.h"

namespace {

// What the reader leaves untouched keeps this byte.
constexpr BYTE kFill = 0xA5;
constexpr DWORD kFillId = 0xA5A5A5A5;

constexpr wchar_t kMetricCountry[] = L"44";
constexpr wchar_t kLetterCountry[] = L"1";
// A system whose language is Japanese, and one without a language.
constexpr wchar_t kJapaneseSystem[] = L"sys_ja";
constexpr wchar_t kOtherSystem[] = L"sys_notrans";

// Built-in lists of the list readers.
const std::vector<DWORD> kStandardPapers = {23, 0,  1,  2,  24, 3,  5,  6,  26, 7,  8,  27, 28, 22,
                                            25, 9,  10, 11, 12, 13, 30, 15, 31, 16, 20, 17, 18, 19};
const std::vector<DWORD> kStandardSources = {0, 1, 2, 3, 4, 5, 7};
const std::vector<DWORD> kStandardMedia = {0, 1, 2, 3, 4, 5, 6, 7};
const std::vector<DWORD> kStandardPaperTypes = {13, 4, 3, 0, 1, 2, 9, 11, 12, 5, 6, 7, 8};
const std::vector<BYTE> kStandardDither = {3, 3, 2, 3, 3, 2, 3, 3, 2, 3, 3, 2, 3, 3, 2};

std::wstring Folder(const std::wstring& withSlash) { return withSlash.substr(0, withSlash.size() - 1); }

// Reads info for a model in a region (country code) on a system (fixture folder), over a MODELINFO
// filled with kFill.
MODELINFO Read(LPCWSTR name, LPCWSTR defaultFile, LPCWSTR customFile, const wchar_t* country = kMetricCountry,
               const wchar_t* system = kOtherSystem)
{
    FixedLocaleCountry region(country);
    FixedSystemFolder folder(Folder(FixtureFolder(system)));
    EXPECT_TRUE(region.active() && folder.active());
    MODELINFO info;
    memset(&info, kFill, sizeof info);
    ReadModelInfo(&info, name, defaultFile, customFile);
    return info;
}

template <class T> std::vector<DWORD> List(const T* rows, WORD count) { return std::vector<DWORD>(rows, rows + count); }
std::vector<BYTE> Codes(const BYTE* codes, size_t n) { return std::vector<BYTE>(codes, codes + n); }
std::vector<WORD> Slots(const MODELINFO& info) { return std::vector<WORD>(info.QualityType, info.QualityType + 4); }

bool AllBytes(const void* p, size_t n, BYTE value)
{
    const BYTE* b = static_cast<const BYTE*>(p);
    return std::all_of(b, b + n, [value](BYTE x) { return x == value; });
}

// The bytes of the active list block (rows, count, default index, reserved word) equal those of
// another list block.
bool ActiveListIs(const MODELINFO& info, const DWORD* block)
{
    const size_t n = offsetof(MODELINFO, reserved406) - offsetof(MODELINFO, adwPaperList);
    return memcmp(info.adwPaperList, block, n) == 0;
}

// A model's two data files, and reading them.
class ModelInfoFiles : public ::testing::Test {
protected:
    void Write(const std::string& defaultText, const std::string& customText)
    {
        ASSERT_TRUE(files_.write(defaultText, customText));
    }
    // [PRINTERINFO] lines of both files.
    void WriteInfo(const std::string& defaultLines, const std::string& customLines)
    {
        Write(Section("PRINTERINFO", defaultLines), Section("PRINTERINFO", customLines));
    }
    static std::string Section(const char* section, const std::string& lines)
    {
        return ModelFilePair::Section(section, lines);
    }
    MODELINFO ReadBoth(const wchar_t* country = kMetricCountry, const wchar_t* system = kOtherSystem)
    {
        return Read(L"Model", defaultFile(), customFile(), country, system);
    }
    DWORD Flags(const wchar_t* system = kOtherSystem)
    {
        FixedSystemFolder folder(Folder(FixtureFolder(system)));
        EXPECT_TRUE(folder.active());
        WCHAR scratch[MODELINFO_VALUE_CCH];
        return ReadPrinterInfoFlags(scratch, MODELINFO_VALUE_CCH, defaultFile(), customFile());
    }
    LPCWSTR defaultFile() const { return files_.defaultFile(); }
    LPCWSTR customFile() const { return files_.customFile(); }

    ModelFilePair files_;
};

TEST_F(ModelInfoFiles, BothFilesMissingGiveTheBuiltInValues)
{
    Write("", "");  // names of files that do not exist
    const std::wstring missingDefault = defaultFile(), missingCustom = customFile();
    const struct {
        const char* name;
        LPCWSTR defaultFile;
        LPCWSTR customFile;
        const wchar_t* country;
    } cases[] = {
        {"missing files, metric region", missingDefault.c_str(), missingCustom.c_str(), kMetricCountry},
        {"missing files, letter region", missingDefault.c_str(), missingCustom.c_str(), kLetterCountry},
        {"no paths", nullptr, L"", kLetterCountry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MODELINFO info = Read(L"Built-in model", c.defaultFile, c.customFile, c.country);
        EXPECT_EQ(info.InfoType, 0);
        EXPECT_STREQ(info.szModelName, L"Built-in model");
        EXPECT_EQ(info.dwCapFlags, 0x01842C2Eu);
        EXPECT_EQ(info.iLogoBmpID, 1);
        // The Japan flag is built in, so the PaperSize list stays active in every region.
        EXPECT_EQ(List(info.adwPaperList, info.nPapers), kStandardPapers);
        EXPECT_EQ(info.iDefaultPaper, 1);
        EXPECT_EQ(List(info.adwPaperListInch, info.nPapersInch), std::vector<DWORD>{0});
        EXPECT_EQ(info.iDefaultPaperInch, 0);
        EXPECT_EQ(List(info.adwPaperListMm, info.nPapersMm), std::vector<DWORD>{0});
        EXPECT_EQ(info.iDefaultPaperMm, 0);
        EXPECT_EQ(List(info.adwSourceList, info.nSources), kStandardSources);
        EXPECT_EQ(info.iDefaultSource, 0);
        EXPECT_EQ(List(info.adwMediaList, info.nMedia), kStandardMedia);
        EXPECT_EQ(info.iDefaultMedia, 0);
        EXPECT_EQ(List(info.adwPaperTypeList, info.nPaperTypes), kStandardPaperTypes);
        EXPECT_EQ(info.iDefaultPaperType, 0);
        const size_t n = kStandardDither.size();
        EXPECT_EQ(Codes(info.abMeshDitherCode, n), kStandardDither);
        EXPECT_EQ(Codes(info.abLineDitherCode, n), kStandardDither);
        for (size_t i = 0; i < 32; ++i) {
            const DWORD id = i < n ? kStandardDither[i] : kFillId;
            EXPECT_EQ(info.adwMeshDitherTableId[i], id) << i;
            EXPECT_EQ(info.adwLineDitherTableId[i], id) << i;
            if (i >= n) {
                EXPECT_EQ(info.abMeshDitherCode[i], kFill) << i;
            }
        }
        EXPECT_EQ(info.dwDefAvlMemory, 3696u);
        EXPECT_EQ(info.wPPM, 30);
        EXPECT_EQ(info.wModelID, 1);
        EXPECT_EQ(info.wFinisherType, 0x1801);  // PUNCH.2____ + TRAY.___45
        EXPECT_EQ(Slots(info), (std::vector<WORD>{3, 2, 1, 0}));
        EXPECT_EQ(info.Measure, 0);
        EXPECT_EQ(info.IntrayType, 0u);
        EXPECT_EQ(info.Location, 0);
        EXPECT_EQ(info.UiResHighOnly, 0);
        EXPECT_TRUE(AllBytes(info.reserved404, sizeof info.reserved404, 0));
        EXPECT_TRUE(AllBytes(info.reserved944, sizeof info.reserved944, 0));
    }
}

// Every Yes/No key with its bit, as the data files spell them.
const struct {
    const char* key;
    DWORD bit;
} kFlagKeys[] = {
    {"True1200", 0x1},          {"ResidentFont", 0x2},       {"Japan", 0x4},
    {"A3Printer", 0x8},         {"NoWatermark", 0x10},       {"Duplex", 0x20},
    {"DirectRaster", 0x40},     {"HeiseFont", 0x80},         {"EnvRotate", 0x200},
    {"Collate", 0x400},         {"FontSubstitution", 0x800}, {"DuplexOption", 0x1000},
    {"Fast600", 0x2000},        {"OnlyFast600", 0x4000},     {"Monochrome", 0x8000},
    {"ReversePortrait", 0x10000}, {"MKK", 0x20000},          {"GL2", 0x40000},
    {"MTP_ShortFeed", 0x100000}, {"Finisher", 0x200000},     {"WideUserDefinePaper", 0x800000},
    {"MPT_Duplex", 0x1000000},  {"EnvMode", 0x2000000},      {"ShortMenu", 0x4000000},
    {"ValCode", 0x8000000},
};

std::string AllFlagKeys(const char* value)
{
    std::string lines;
    for (const auto& f : kFlagKeys) lines += std::string(f.key) + "=" + value + "\r\n";
    return lines;
}

TEST_F(ModelInfoFiles, EveryFlagKeyHasItsBit)
{
    DWORD all = 0;
    for (const auto& f : kFlagKeys) all |= f.bit;
    const struct {
        const char* name;
        std::string defaultLines, customLines;
        const wchar_t* system;
        DWORD expected;
    } cases[] = {
        {"all Yes, Japanese system", "", AllFlagKeys("Yes"), kJapaneseSystem, all},
        {"all Yes, other system", AllFlagKeys("Yes"), "", kOtherSystem, all & ~MIF_HEISEFONT},
        {"all No", AllFlagKeys("Yes"), AllFlagKeys("No"), kJapaneseSystem, 0},
        {"all unrecognised", AllFlagKeys("No"), AllFlagKeys("Perhaps"), kJapaneseSystem, MIF_DEFAULT_FLAGS},
        {"no keys", "", "", kJapaneseSystem, MIF_DEFAULT_FLAGS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteInfo(c.defaultLines, c.customLines);
        EXPECT_EQ(Flags(c.system), c.expected);
    }
}

TEST_F(ModelInfoFiles, FlagsTakeCustomFileThenDefaultFileThenBuiltIn)
{
    const struct {
        const char* name;
        std::string defaultLines, customLines;
        DWORD bit;
        bool set;
    } cases[] = {
        {"No over Yes", "Duplex=Yes\r\n", "Duplex=No\r\n", MIF_DUPLEX, false},
        {"Yes over No", "True1200=No\r\n", "True1200=yes\r\n", MIF_TRUE1200, true},
        // An unrecognised CustomFile value takes the built-in bit, not the DefaultFile's.
        {"unrecognised over Yes", "EnvRotate=Yes\r\n", "EnvRotate=maybe\r\n", MIF_ENVROTATE, false},
        {"unrecognised over No", "Collate=No\r\n", "Collate=Auto\r\n", MIF_COLLATE, true},
        // An empty or missing CustomFile value leaves it to the DefaultFile.
        {"empty custom", "Monochrome=Yes\r\n", "Monochrome=\r\n", MIF_MONOCHROME, true},
        {"missing custom", "GL2=No\r\n", "Other=1\r\n", MIF_GL2, false},
        {"unrecognised default", "GL2=1\r\n", "", MIF_GL2, true},
        {"comment", "ShortMenu=Yes ; compact menus\r\n", "", MIF_SHORTMENU, true},
        {"lower case no", "", "ResidentFont=no\r\n", MIF_RESIDENTFONT, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteInfo(c.defaultLines, c.customLines);
        const DWORD expected = (MIF_DEFAULT_FLAGS & ~c.bit) | (c.set ? c.bit : 0);
        EXPECT_EQ(Flags(), expected);
        // ReadModelInfo stores the same word.
        EXPECT_EQ(ReadBoth().dwCapFlags, expected);
    }
}

TEST_F(ModelInfoFiles, HeiseFontOnlyOnAJapaneseSystem)
{
    const struct {
        const char* value;  // NULL: no key
        const wchar_t* system;
        bool set;
    } cases[] = {
        {"Yes", kJapaneseSystem, true},   {"No", kJapaneseSystem, false},  {nullptr, kJapaneseSystem, false},
        {"Yes", kOtherSystem, false},     {"Yes", L"no_such_folder", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value ? c.value : "(none)"));
        WriteInfo(c.value ? std::string("HeiseFont=") + c.value + "\r\n" : "Other=1\r\n", "");
        const DWORD expected = MIF_DEFAULT_FLAGS | (c.set ? MIF_HEISEFONT : 0);
        EXPECT_EQ(Flags(c.system), expected);
        EXPECT_EQ(ReadBoth(kMetricCountry, c.system).dwCapFlags, expected);
    }
}

TEST_F(ModelInfoFiles, ScratchBufferIsOptional)
{
    WriteInfo("Duplex=No\r\n", "");
    FixedSystemFolder folder(Folder(FixtureFolder(kOtherSystem)));
    EXPECT_EQ(ReadPrinterInfoFlags(nullptr, 0, defaultFile(), customFile()), MIF_DEFAULT_FLAGS & ~MIF_DUPLEX);
}

using Field = std::function<DWORD(const MODELINFO&)>;

TEST_F(ModelInfoFiles, ValuesTakeCustomFileThenDefaultFileThenBuiltIn)
{
    const Field infoType = [](const MODELINFO& i) { return i.InfoType; };
    const Field logo = [](const MODELINFO& i) { return static_cast<DWORD>(i.iLogoBmpID); };
    const Field memory = [](const MODELINFO& i) { return i.dwDefAvlMemory; };
    const Field ppm = [](const MODELINFO& i) { return i.wPPM; };
    const Field model = [](const MODELINFO& i) { return i.wModelID; };
    const Field finisher = [](const MODELINFO& i) { return i.wFinisherType; };
    const Field measure = [](const MODELINFO& i) { return i.Measure; };
    const Field intray = [](const MODELINFO& i) { return i.IntrayType; };
    const Field location = [](const MODELINFO& i) { return i.Location; };
    const Field highOnly = [](const MODELINFO& i) { return i.UiResHighOnly; };
    const Field sources = [](const MODELINFO& i) { return i.nSources; };
    const struct {
        const char* name;
        std::string defaultLines, customLines;
        Field field;
        DWORD expected;
    } cases[] = {
        // Integer keys: the CustomFile over the DefaultFile over the built-in value.
        {"InfoType custom", "InfoType=2\r\n", "InfoType=3\r\n", infoType, 3},
        {"InfoType default", "InfoType=2\r\n", "", infoType, 2},
        {"logo custom", "iLogoBmpID=7\r\n", "iLogoBmpID=9\r\n", logo, 9},
        {"logo default", "iLogoBmpID=7\r\n", "Other=1\r\n", logo, 7},
        // Text keys: an empty CustomFile value leaves it to the DefaultFile.
        {"memory custom", "dwDefAvlMemory=8192\r\n", "dwDefAvlMemory=0x4000\r\n", memory, 0x4000},
        {"memory default", "dwDefAvlMemory=8192\r\n", "dwDefAvlMemory=\r\n", memory, 8192},
        {"ppm custom", "wPPM=26\r\n", "wPPM=35\r\n", ppm, 35},
        {"ppm default", "wPPM=26\r\n", "wPPM=\r\n", ppm, 26},
        {"model id", "wModelID=4\r\n", "", model, 4},
        {"finisher", "", "wFinisherType=PUNCH.2_3__ + TRAY.1____\r\n", finisher, 0x105},
        {"finisher default", "wFinisherType=PUNCH._____ + TRAY._____\r\n", "", finisher, 0},
        {"measure", "Measure=0\r\n", "Measure=1\r\n", measure, 1},
        {"intray", "IntrayType=TRAY.12___M_D\r\n", "", intray, 0x8023},
        {"high only", "", "UiResHighOnly=1\r\n", highOnly, 1},
        {"list custom", "Source=0,1\r\n", "Source=0,1,2\r\n", sources, 3},
        {"list default", "Source=0,1\r\n", "Other=1\r\n", sources, 2},
        // Location texts compare exactly.
        {"COM", "", "Location=COM\r\n", location, 0},
        {"JPN", "", "Location=JPN\r\n", location, 1},
        {"ENU", "", "Location=ENU\r\n", location, 2},
        {"ENG", "Location=JPN\r\n", "Location=ENG\r\n", location, 3},
        {"AOS", "Location=AOS\r\n", "", location, 4},
        {"lower case", "Location=JPN\r\n", "Location=jpn\r\n", location, 0},
        {"longer", "", "Location=JPNX\r\n", location, 0},
        {"other", "", "Location=USA\r\n", location, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteInfo(c.defaultLines, c.customLines);
        EXPECT_EQ(c.field(ReadBoth()), c.expected);
    }
}

TEST_F(ModelInfoFiles, ActivePaperListFollowsJapanFlagAndRegion)
{
    const std::string lists =
        "PaperSize=0,3,4\r\nPaperOrder=2\r\n"
        "PaperSize_inch=1,2,7,8\r\nPaperOrder_inch=3\r\n"
        "PaperSize_mm=0,3\r\nPaperOrder_mm=1\r\n";
    enum Active { PAPERSIZE, INCH, METRIC };
    const struct {
        const char* japan;
        const wchar_t* country;  // NULL: the locale query fails
        Active active;
    } cases[] = {
        {"Yes", kLetterCountry, PAPERSIZE}, {"Yes", kMetricCountry, PAPERSIZE},
        {"No", kLetterCountry, INCH},       {"No", L"598", INCH},
        {"No", kMetricCountry, METRIC},     {"No", L"81", METRIC},
        {"No", nullptr, METRIC},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("Japan=") + c.japan + ", country " + (c.country ? "" : "(fails)"));
        WriteInfo(lists, std::string("Japan=") + c.japan + "\r\n");
        const MODELINFO info = ReadBoth(c.country);
        EXPECT_EQ(List(info.adwPaperListInch, info.nPapersInch), (std::vector<DWORD>{1, 2, 7, 8}));
        EXPECT_EQ(info.iDefaultPaperInch, 3);
        EXPECT_EQ(List(info.adwPaperListMm, info.nPapersMm), (std::vector<DWORD>{0, 3}));
        EXPECT_EQ(info.iDefaultPaperMm, 1);
        switch (c.active) {
        case PAPERSIZE:
            EXPECT_EQ(List(info.adwPaperList, info.nPapers), (std::vector<DWORD>{0, 3, 4}));
            EXPECT_EQ(info.iDefaultPaper, 2);
            break;
        case INCH:
            // Offsets 140..405 equal offsets 408..673.
            EXPECT_TRUE(ActiveListIs(info, info.adwPaperListInch));
            EXPECT_EQ(info.iDefaultPaper, 3);
            break;
        case METRIC:
            EXPECT_TRUE(ActiveListIs(info, info.adwPaperListMm));
            EXPECT_EQ(info.nPapers, 2);
            break;
        }
        EXPECT_TRUE(AllBytes(info.reserved404, sizeof info.reserved404, 0));
    }
}

TEST_F(ModelInfoFiles, DefaultIndexesOutsideTheirListFallBackToZero)
{
    const Field paper = [](const MODELINFO& i) { return static_cast<DWORD>(i.iDefaultPaper); };
    const Field inch = [](const MODELINFO& i) { return static_cast<DWORD>(i.iDefaultPaperInch); };
    const Field mm = [](const MODELINFO& i) { return static_cast<DWORD>(i.iDefaultPaperMm); };
    const Field source = [](const MODELINFO& i) { return static_cast<DWORD>(i.iDefaultSource); };
    const Field media = [](const MODELINFO& i) { return static_cast<DWORD>(i.iDefaultMedia); };
    const Field type = [](const MODELINFO& i) { return static_cast<DWORD>(i.iDefaultPaperType); };
    const struct {
        const char* listKey;
        const char* orderKey;
        Field field;
    } lists[] = {
        {"PaperSize", "PaperOrder", paper},          {"PaperSize_inch", "PaperOrder_inch", inch},
        {"PaperSize_mm", "PaperOrder_mm", mm},       {"Source", "SourceOrder", source},
        {"PaperType", "PaperTypeOrder", media},      {"MediaType", "MediatypeOrder", type},
    };
    const struct {
        const char* order;
        DWORD expected;
    } orders[] = {{"2", 2}, {"0", 0}, {"3", 0}, {"64", 0}, {"-1", 0}, {"4294967295", 0}};
    for (const auto& l : lists) {
        for (const auto& o : orders) {
            SCOPED_TRACE(std::string(l.orderKey) + "=" + o.order);
            // A three-entry list in the DefaultFile, its default index in the CustomFile.
            WriteInfo(std::string(l.listKey) + "=1,2,3\r\nJapan=Yes\r\n",
                      std::string(l.orderKey) + "=" + o.order + "\r\n");
            EXPECT_EQ(l.field(ReadBoth()), o.expected);
        }
    }
}

TEST_F(ModelInfoFiles, DitherEntries)
{
    // 40 numbers, of which the first 32 are read.
    std::string many;
    std::vector<BYTE> first32;
    for (int i = 0; i < 40; ++i) {
        const BYTE code = i % 3 == 2 ? 1 : 2;
        many += std::to_string(code) + ",";
        if (i < 32) first32.push_back(code);
    }
    const struct {
        const char* name;
        std::string defaultLines, customLines;  // of [DITHER]
        std::vector<BYTE> mesh, line;           // codes of the entries the values reach
    } cases[] = {
        {"custom over default", "UDlpgrayEntryMesh=1,1\r\nUDlpgrayEntryLine=2\r\n", "UDlpgrayEntryMesh=3,0x2,1\r\n",
         {3, 2, 1}, {2}},
        // Code 4 (and 0, and any other) keeps the entry's table id.
        {"other codes", "", "UDlpgrayEntryLine=1,4,0,2,260,3\r\n", kStandardDither, {1, 4, 0, 2, 4, 3}},
        {"empty custom", "UDlpgrayEntryMesh=2,2\r\n", "UDlpgrayEntryMesh=\r\n", {2, 2}, kStandardDither},
        {"cut at 32", "UDlpgrayEntryMesh=" + many + "\r\n", "", first32, kStandardDither},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Section("DITHER", c.defaultLines), Section("DITHER", c.customLines));
        const MODELINFO info = ReadBoth();
        const struct {
            const BYTE* codes;
            const DWORD* ids;
            const std::vector<BYTE>& expected;
        } entries[] = {{info.abMeshDitherCode, info.adwMeshDitherTableId, c.mesh},
                       {info.abLineDitherCode, info.adwLineDitherTableId, c.line}};
        for (const auto& e : entries) {
            for (size_t i = 0; i < 32; ++i) {
                if (i < e.expected.size()) {
                    const BYTE code = e.expected[i];
                    EXPECT_EQ(e.codes[i], code) << i;
                    EXPECT_EQ(e.ids[i], code >= 1 && code <= 3 ? code : kFillId) << i;
                } else {
                    EXPECT_EQ(e.codes[i], kFill) << i;
                    EXPECT_EQ(e.ids[i], kFillId) << i;
                }
            }
        }
    }
}

TEST_F(ModelInfoFiles, ResolutionSlotsNameRowsOfTheResolutionTable)
{
    constexpr WORD E = 0xFFFF;  // empty slot
    const struct {
        const char* value;
        std::vector<WORD> slots;
    } cases[] = {
        {"7,3,2,0", {7, 3, 2, 0}},
        {"2,1,-1,-1", {2, 1, E, E}},
        {"5,7", {5, 7, E, E}},            // slots the value leaves out are empty
        {"8,3,0x10,1", {E, 3, E, 1}},     // not rows of the table
        {"1,2,3,4,5", {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        WriteInfo(std::string("QualityType=") + c.value + "\r\n", "");
        EXPECT_EQ(Slots(ReadBoth()), c.slots);
    }
}

TEST(ModelInfo, ModelNameIsCutToTheField)
{
    const std::wstring name63(63, L'x');
    const struct {
        std::wstring name;
        std::wstring kept;
    } cases[] = {
        {L"Velmora ColorPage C710", L"Velmora ColorPage C710"},
        {name63, name63},
        {name63 + L"y", name63},
        {std::wstring(300, L'z'), std::wstring(63, L'z')},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.size());
        const MODELINFO info = Read(c.name.c_str(), nullptr, nullptr);
        EXPECT_EQ(std::wstring(info.szModelName), c.kept);
        // The rest of the field is zero, and the next fields hold their values.
        EXPECT_TRUE(AllBytes(info.szModelName + c.kept.size(), (64 - c.kept.size()) * sizeof(WCHAR), 0));
        EXPECT_TRUE(AllBytes(info.reserved130, sizeof info.reserved130, 0));
        EXPECT_EQ(info.dwCapFlags, MIF_DEFAULT_FLAGS);
    }
    EXPECT_EQ(Read(nullptr, nullptr, nullptr).szModelName[0], L'\0');
}

// The sample models of the staged driver files.
class ModelInfoSamples : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.copySample()); }
    MODELINFO ReadModel(const wchar_t* model, const wchar_t* country = kMetricCountry,
                        const wchar_t* system = kOtherSystem)
    {
        WCHAR def[MAX_PATH], custom[MAX_PATH];
        EXPECT_GT(DrvGetDefaultFile(model, def, TRUE), 0u);
        EXPECT_GT(DrvGetCustomFile(model, custom, TRUE), 0u);
        EXPECT_TRUE(FileExists(def) && FileExists(custom)) << model;
        return Read(model, def, custom, country, system);
    }

    DriverFolder folder_;
};

TEST_F(ModelInfoSamples, EveryModelReadsItsValues)
{
    constexpr WORD E = 0xFFFF;
    const DWORD c710 = MIF_TRUE1200 | MIF_RESIDENTFONT | MIF_A3PRINTER | MIF_DUPLEX | MIF_ENVROTATE | MIF_COLLATE |
                       MIF_FONTSUBSTITUTION | MIF_DUPLEXOPTION | MIF_FAST600 | MIF_GL2 | MIF_MTP_SHORTFEED |
                       MIF_WIDEUSERDEFINEPAPER | MIF_MPT_DUPLEX;
    const DWORD c910j = MIF_TRUE1200 | MIF_RESIDENTFONT | MIF_JAPAN | MIF_A3PRINTER | MIF_DUPLEX | MIF_COLLATE |
                        MIF_FONTSUBSTITUTION | MIF_FAST600 | MIF_REVERSEPORTRAIT | MIF_MKK | MIF_GL2 | MIF_FINISHER |
                        MIF_WIDEUSERDEFINEPAPER | MIF_MPT_DUPLEX;
    const struct {
        const wchar_t* model;
        const wchar_t* country;
        const wchar_t* system;
        WORD infoType;
        DWORD flags;
        LONG logo;
        std::vector<DWORD> papers;  // the active list
        LONG defaultPaper;
        std::vector<DWORD> sources, media, paperTypes;
        LONG defaultSource, defaultMedia, defaultPaperType;
        std::vector<BYTE> mesh, line;
        DWORD memory;
        WORD ppm, modelId, finisher;
        std::vector<WORD> slots;
        WORD measure;
        DWORD intray;
        WORD location, highOnly;
    } cases[] = {
        {L"Velmora ColorPage C710", kMetricCountry, kOtherSystem, 2, c710, 2,
         {0, 3, 4, 5, 6, 11, 1, 2, 13, 14, 17, 24, 26, 28}, 0,
         {0, 1, 2, 3, 4, 6}, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {13, 4, 3, 0, 1, 2, 9, 11, 12}, 1, 0, 3,
         {1, 2, 3, 1, 2, 3, 1, 2, 3}, {3, 3, 3, 3}, 20480, 31, 3, 0x1801, {3, 2, 1, 5}, 1, 0x3F, 2, 0},
        {L"Velmora ColorPage C710", kLetterCountry, kOtherSystem, 2, c710, 2,
         {1, 2, 7, 8, 10, 0, 3, 12, 15, 16, 25, 27, 28}, 0,
         {0, 1, 2, 3, 4, 6}, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {13, 4, 3, 0, 1, 2, 9, 11, 12}, 1, 0, 3,
         {1, 2, 3, 1, 2, 3, 1, 2, 3}, {3, 3, 3, 3}, 20480, 31, 3, 0x1801, {3, 2, 1, 5}, 1, 0x3F, 2, 0},
        {L"Velmora ColorPage C510", kMetricCountry, kOtherSystem, 0,
         MIF_NOWATERMARK | MIF_DIRECTRASTER | MIF_ENVMODE | MIF_SHORTMENU, 1,
         {0, 4, 6, 11, 1, 2, 13, 14, 28}, 0,
         {0, 1, 4}, {0, 1, 2, 3}, {3, 0, 1, 2}, 1, 0, 0,
         {3, 3, 2, 4, 3, 2, 3, 3, 2}, kStandardDither, 8192, 26, 2, 0, {2, 1, E, E}, 0, 0x21, 3, 0},
        {L"Velmora ColorPage C910J", kLetterCountry, kJapaneseSystem, 1, c910j | MIF_HEISEFONT, 4,
         {0, 3, 4, 5, 6, 11, 18, 19, 20, 21, 1, 2, 28, 29, 30, 31}, 0,
         {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {13, 4, 3, 0, 1, 2, 9, 11, 12, 5, 6, 7, 8, 14, 15},
         0, 1, 3, kStandardDither, {1, 1, 2, 2, 3, 3}, 36864, 40, 5, 0x1805, {7, 3, 2, 0}, 0, 0x807F, 1, 1},
        {L"Velmora ColorPage C910J", kMetricCountry, kOtherSystem, 1, c910j, 4,
         {0, 3, 4, 5, 6, 11, 18, 19, 20, 21, 1, 2, 28, 29, 30, 31}, 0,
         {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {13, 4, 3, 0, 1, 2, 9, 11, 12, 5, 6, 7, 8, 14, 15},
         0, 1, 3, kStandardDither, {1, 1, 2, 2, 3, 3}, 36864, 40, 5, 0x1805, {7, 3, 2, 0}, 0, 0x807F, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.model, c.model + wcslen(c.model)) << ", country "
                                        << std::string(c.country, c.country + wcslen(c.country)));
        const MODELINFO info = ReadModel(c.model, c.country, c.system);
        EXPECT_STREQ(info.szModelName, c.model);
        EXPECT_EQ(info.InfoType, c.infoType);
        EXPECT_EQ(info.dwCapFlags, c.flags);
        EXPECT_EQ(info.iLogoBmpID, c.logo);
        EXPECT_EQ(List(info.adwPaperList, info.nPapers), c.papers);
        EXPECT_EQ(info.iDefaultPaper, c.defaultPaper);
        EXPECT_EQ(List(info.adwSourceList, info.nSources), c.sources);
        EXPECT_EQ(List(info.adwMediaList, info.nMedia), c.media);
        EXPECT_EQ(List(info.adwPaperTypeList, info.nPaperTypes), c.paperTypes);
        EXPECT_EQ(info.iDefaultSource, c.defaultSource);
        EXPECT_EQ(info.iDefaultMedia, c.defaultMedia);
        EXPECT_EQ(info.iDefaultPaperType, c.defaultPaperType);
        EXPECT_EQ(Codes(info.abMeshDitherCode, c.mesh.size()), c.mesh);
        EXPECT_EQ(Codes(info.abLineDitherCode, c.line.size()), c.line);
        EXPECT_EQ(info.dwDefAvlMemory, c.memory);
        EXPECT_EQ(info.wPPM, c.ppm);
        EXPECT_EQ(info.wModelID, c.modelId);
        EXPECT_EQ(info.wFinisherType, c.finisher);
        EXPECT_EQ(Slots(info), c.slots);
        EXPECT_EQ(info.Measure, c.measure);
        EXPECT_EQ(info.IntrayType, c.intray);
        EXPECT_EQ(info.Location, c.location);
        EXPECT_EQ(info.UiResHighOnly, c.highOnly);
    }
}

TEST_F(ModelInfoSamples, C710NDiffersFromC710OnlyWhereItsCustomFileSays)
{
    for (const wchar_t* country : {kMetricCountry, kLetterCountry}) {
        const MODELINFO c710 = ReadModel(L"Velmora ColorPage C710", country);
        const MODELINFO c710n = ReadModel(L"Velmora ColorPage C710N", country);
        // The C710 with what the C710N's custom file says: no duplex, EnvRotate neither Yes nor
        // No (so the built-in No, not the default file's Yes), its speed, memory and line
        // dither entries.
        MODELINFO expected = c710;
        memset(expected.szModelName, 0, sizeof expected.szModelName);
        wcscpy(expected.szModelName, L"Velmora ColorPage C710N");
        expected.dwCapFlags &= ~(MIF_DUPLEX | MIF_ENVROTATE);
        expected.wPPM = 35;
        expected.dwDefAvlMemory = 36864;
        for (size_t i = 0; i < 4; ++i) {
            expected.abLineDitherCode[i] = 2;
            expected.adwLineDitherTableId[i] = 2;
        }
        EXPECT_EQ(memcmp(&expected, &c710n, sizeof expected), 0);
        // Each change is a real one.
        EXPECT_TRUE(c710.dwCapFlags & MIF_DUPLEX);
        EXPECT_TRUE(c710.dwCapFlags & MIF_ENVROTATE);
        EXPECT_NE(c710.wPPM, 35);
        EXPECT_NE(c710.dwDefAvlMemory, 36864u);
        EXPECT_NE(c710.abLineDitherCode[0], 2);
    }
}

}  // namespace

#endif  // DRV_BUILD_UM
