// The PJL job header of a vector job: the order and text of a default header, the lines chosen by
// the job's settings, the tray and media tables, the cover-page test, the finisher lines, the
// copies and duplex escapes, the colour-appearance tables, the secure preface, and stored escape
// data that is long or unterminated. The header's code is linked into this program and writes
// through the output channel into a recorded WritePrinter.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "escape.h"
#include "job_header.h"
#include "job_reader.h"
#include "memory_job.h"
#include "modelrecord.h"
#include "papertables.h"
#include "pdev.h"
#include "secure.h"
#include "system_fakes.h"

namespace {

using namespace std::string_literals;

const std::string kUel = "\x1b%-12345X";
const std::string kLanguage = "@PJL ENTER LANGUAGE=PCL\n";

class JobHeader : public MemoryJob {
protected:
    void SetUp() override
    {
        MemoryJob::SetUp();
        if (HasFatalFailure()) return;
        model_ = {};
        pdev->model = &model_;
        DEVMODEW& pub = pdev->devmode.dmPublic;
        pub.dmOrientation = DMORIENT_PORTRAIT;
        pub.dmPaperSize = DMPAPER_A4;
        pub.dmPaperWidth = 2100;
        pub.dmPaperLength = 2970;
        pub.dmDefaultSource = DMBIN_AUTO;
        wcscpy(pdev->devmode.dmPrivate.szModelName, L"TAV C5000");
        savedPaperRow_ = g_PaperTable[kLongPaperRow];
    }

public:
    void TearDown() override
    {
        if (!pdev) return;
        g_PaperTable[kLongPaperRow] = savedPaperRow_;
        FreeEscapeItems(pdev);
        if (pdev->secure.preface) GlobalFree(pdev->secure.preface);
        pdev->secure = {};
        MemoryJob::TearDown();
    }

    // Stores an item as the escape storage holds it: a text's size counts its two zero bytes.
    // trailer goes after the payload in place of those zero bytes, uncounted.
    void Put(ESCITEM item, const std::string& payload, bool text, const std::string& trailer = "")
    {
        ESCAPEBLOCK& block = pdev->escItems[item];
        if (block.data) GlobalFree(block.data);
        block.data = static_cast<BYTE*>(GlobalAlloc(GPTR, payload.size() + 2 + trailer.size()));
        ASSERT_NE(block.data, nullptr);
        memcpy(block.data, payload.data(), payload.size());
        memcpy(block.data + payload.size(), trailer.data(), trailer.size());
        block.size = static_cast<DWORD>(payload.size() + (text ? 2 : 0));
    }

    // Makes paper 275 a long paper of the model.
    void UseLongPaper(LONG length, WORD margin)
    {
        PAPERINFO& row = g_PaperTable[kLongPaperRow];
        row = {};
        row.paperId = 275;
        row.kind = PAPER_KIND_LONG;
        model_.adwPaperList[0] = kLongPaperRow;
        model_.nPapers = 1;
        pdev->devmode.dmPublic.dmPaperSize = 275;
        pdev->devmode.dmPublic.dmPaperLength = static_cast<short>(length);
        pdev->devmode.dmPublic.dmPaperWidth = 2100;
        pdev->devmode.dmPrivate.wSlpMargin = margin;
    }

protected:
    // The PJL part of the header, up to and including the language switch.
    std::string PjlPart() const
    {
        const std::string stream = Stream();
        const size_t end = stream.find(kLanguage);
        EXPECT_NE(end, std::string::npos);
        return end == std::string::npos ? stream : stream.substr(0, end + kLanguage.size());
    }

    static std::vector<std::string> PjlLines(const jobreader::JobStream& job)
    {
        std::vector<std::string> lines;
        for (const jobreader::Item& item : job.items)
            if (item.kind == jobreader::Kind::Pjl) lines.push_back(item.text);
        return lines;
    }

    static constexpr DWORD kLongPaperRow = PAPER_TABLE_ROWS - 1;
    MODELINFO model_ = {};
    PAPERINFO savedPaperRow_ = {};
};

TEST_F(JobHeader, DefaultJobWritesItsLinesInOrderThenThePclSetup)
{
    ASSERT_TRUE(WriteJobHeader(pdev));
    const std::string expected = kUel +
        "@PJL JOB NAME = \"\"\n"
        "@PJL RDYMSG DISPLAY = \"\"\n"
        "@PJL COMMENT OS Version   : Windows NT 0.0 Build 0 \n"
        "@PJL COMMENT Product Name : TAV PCL5c Printer Driver\n"
        "@PJL COMMENT Device Name  : TAV C5000\n"
        "@PJL COMMENT Version      : \n"
        "@PJL COMMENT Build Date   : " + BuildStampText() + "\n"
        "@PJL SET TAVPAPERSIZECHECK=DISABLE\n"
        "@PJL SET TAVCUPAPERSIZECHECK=DISABLE\n"
        "@PJL SET MANUALFEED=OFF\n"
        "@PJL SET TAVXDIMENSIONMILLIMETER=210\n"
        "@PJL SET TAVYDIMENSIONMILLIMETER=297\n"
        "@PJL SET MEDIASRCINTRAY1=4\n"
        "@PJL SET MEDIASRCINTRAY3=5\n"
        "@PJL SET MEDIASRCINTRAY5=20\n"
        "@PJL SET MEDIASRCINTRAY6=21\n"
        "@PJL SET MEDIASRCINTRAY7=22\n"
        "@PJL SET QTY=1\n"
        "@PJL SET COPIES=1\n"
        "@PJL SET TAVRESOLUTION=X600Y600LEVEL2\n"
        "@PJL SET LPARM:PCL TAVPRINTMARGIN=INCH1D6\n"
        "@PJL SET TAVTONERSAVEBLACKPRESERVATION=OFF\n"
        "@PJL SET OUTBIN=UPPER\n"
        "@PJL SET TAVSTAPLER=OFF\n"
        "@PJL SET TAVSADDLESTITCH=OFF\n"
        "@PJL SET TAVPUNCH=OFF\n"
        "@PJL SET TAVAUTOTRAYSWITCH=OFF\n"
        "@PJL SET RENDERMODE=COLOR\n"
        "@PJL SET LPARM:PCL TAVCOLORSCREEN=NORMAL\n"
        "@PJL SET TAVCOLORROUTE=ASIC\n"
        "@PJL SET TAVBKGENERATEMODE=IMAGE1GRAPHIC1\n"
        "@PJL SET LPARM:PCL TAVTRUEBLACK=ON\n"
        "@PJL SET LPARM:PCL TAVPENWIDTHADJUST=OFF\n" +
        kLanguage;
    EXPECT_EQ(PjlPart(), expected);

    const std::string pcl = Stream().substr(expected.size());
    const std::string start = "\x1b" "E\x1b&b0M";
    ASSERT_EQ(pcl.rfind(start + "\x1b*r0F", 0), 0u) << "reset, colour mode, raster presentation";
    const jobreader::JobStream job = jobreader::ParseJob(pcl.substr(start.size()));
    ASSERT_TRUE(job.ok) << job.error;
    const std::string tail = "\x1b&u600D\x1b*t600R\x1b&l1x0S";
    ASSERT_GE(pcl.size(), tail.size());
    EXPECT_EQ(pcl.substr(pcl.size() - tail.size()), tail) << "resolution, then copies continued by duplex";
    EXPECT_EQ(jobreader::PclCommands(job, "&p", 'I').size(), 7u) << "the job palettes";
    EXPECT_FALSE(jobreader::HpglCommands(job, "IN").empty()) << "HP-GL/2 initialised";
    EXPECT_EQ(pdev->hpgl.hpglMode, 0) << "the header ends in PCL";

    char stamp[32] = {};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char weekday[4] = {};
    ASSERT_EQ(sscanf(BuildStampText(), "%4d/%2d/%2d (%3[A-Za-z]) %2d:%2d:%2d", &year, &month, &day, weekday, &hour,
                     &minute, &second), 7);
    snprintf(stamp, sizeof stamp, "%04d/%02d/%02d (%s) %02d:%02d:%02d", year, month, day, weekday, hour, minute, second);
    EXPECT_STREQ(BuildStampText(), stamp);
    const std::chrono::weekday wd{std::chrono::sys_days{std::chrono::year{year} / month / day}};
    static const char* const names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    EXPECT_STREQ(weekday, names[wd.c_encoding()]);
}

TEST_F(JobHeader, SettingsChooseTheirLines)
{
    using Values = std::vector<std::pair<std::string, std::vector<std::string>>>;
    struct Case {
        const char* name;
        std::function<void(JobHeader*, PDEV*, MODELINFO&)> set;
        Values values;                   // key -> every value written for it (none: absent)
        std::vector<std::string> lines;  // whole PJL lines that must be there
        std::vector<std::string> pcl = {};  // bytes the PCL job set-up must hold
    };
    const std::vector<Case> cases = {
        {"proof job of five copies", [](JobHeader* t, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wJobType = 1; p->devmode.dmPrivate.dwPin = 42; p->copies = 5;
             t->Put(ESCITEM_JOBNAME, "Proof", true); t->Put(ESCITEM_DOCNAME, "Doc", true); },
         {{"SET QTY", {"4"}}, {"SET COPIES", {"1"}}, {"JOB NAME", {"\"Proof\""}}},
         {"@PJL TAVPROOF PASSWORD=0042 PERMANENT=ONCE"}},
        {"kept secure job", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wJobType = 2; p->devmode.dmPrivate.dwPin = 7;
             p->devmode.dmPrivate.dwJobFlags = JOBFLAG_KEEP; p->copies = 3; },
         {{"SET QTY", {"1"}}, {"SET COPIES", {"1"}}}, {"@PJL TAVSECURE PASSWORD=0007 PERMANENT=ON"}},
        {"collated copies", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wCollate = 1; p->copies = 3; },
         {{"SET QTY", {"3"}}, {"SET COPIES", {"1"}}}, {}},
        {"uncollated copies, spooled to disk", [](JobHeader* t, PDEV* p, MODELINFO&) {
             p->copies = 3; p->devmode.dmPrivate.wDeviceOption = DEVOPT_HDD;
             p->devmode.dmPrivate.wOptions = OPT_JOBSPOOL; t->Put(ESCITEM_DOCNAME, "Doc", true); },
         {{"SET QTY", {"1"}}, {"SET COPIES", {"3"}}, {"JOB NAME", {"\"Doc\""}}, {"TAVSPOOL MODE", {"ALL"}}}, {}},
        {"custom size in inches", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPublic.dmPaperSize = 263; p->devmode.dmPublic.dmPaperWidth = 2159;
             p->devmode.dmPublic.dmPaperLength = 2794; p->customPaperUnit = 1; },
         {{"SET TAVUNITOFMEASURE", {"INCH"}}, {"SET TAVXDIMENSIONINCH", {"8.5"}}, {"SET TAVYDIMENSIONINCH", {"11.0"}},
          {"SET TAVXDIMENSIONMILLIMETER", {}}}, {}},
        {"custom size in millimetres, landscape", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPublic.dmPaperSize = 256; p->devmode.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
             p->devmode.dmPublic.dmPaperWidth = 1000; p->devmode.dmPublic.dmPaperLength = 1481; },
         {{"SET TAVUNITOFMEASURE", {"MILLIMETER"}}, {"SET TAVXDIMENSIONMILLIMETER", {"149"}},
          {"SET TAVYDIMENSIONMILLIMETER", {"100"}}}, {}},
        {"inch paper of the table", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPublic.dmPaperSize = 1578; p->devmode.dmPublic.dmPaperWidth = 1397;
             p->devmode.dmPublic.dmPaperLength = 2159; },
         {{"SET TAVUNITOFMEASURE", {"INCH"}}, {"SET TAVXDIMENSIONINCH", {"5.5"}}, {"SET TAVYDIMENSIONINCH", {"8.5"}}}, {}},
        {"long paper of 1000 joins five pages", [](JobHeader* t, PDEV* p, MODELINFO&) {
             t->UseLongPaper(1000, 0); p->devmode.dmPrivate.wSlpAdjMode = 2; p->devmode.dmPrivate.dwSlpStart = 2000;
             p->devmode.dmPrivate.dwSlpCut = 300; p->devmode.dmPrivate.wSlpCutFly = 1; },
         {{"SET TAVSUPERLONGPRINT", {"DISKONTHEFLY"}}, {"SET TAVSUPERLONGMODE", {"ADJUSTABLE"}},
          {"SET TAVSUPERLONGPRINTSTARTPOSITION", {"807"}}, {"SET TAVSUPERLONGCUTPOSITION", {"300"}},
          {"SET TAVSUPERLONGNUMCONNECTEDPAGE", {"5"}}, {"SET TAVPAGECUT", {"ON"}}, {"SET TAVPAGECUTEVERYNPAGES", {"1"}},
          {"SET TAVUNITOFMEASURE", {"INCH"}}, {"SET TAVXDIMENSIONINCH", {"8.3"}}, {"SET TAVYDIMENSIONINCH", {"19.7"}},
          {"SET TAVXDIMENSIONDPI", {"2480"}}, {"SET TAVYDIMENSIONDPI", {"5905"}},
          {"SET LPARM:PCL TAVPRINTMARGIN", {"INCH1D8"}}, {"SET QTY", {}}, {"SET COPIES", {}}},
         {"@PJL TAVPROOF PASSWORD=0000 PERMANENT=OFF"}},
        {"long paper with a page-end margin", [](JobHeader* t, PDEV*, MODELINFO&) { t->UseLongPaper(1000, 1500); },
         {{"SET TAVSUPERLONGNUMCONNECTEDPAGE", {"2"}}, {"SET TAVYDIMENSIONINCH", {"10.4"}},
          {"SET TAVYDIMENSIONDPI", {"3112"}}}, {}},
        {"long paper of 2540 is one page", [](JobHeader* t, PDEV* p, MODELINFO&) {
             t->UseLongPaper(2540, 0); p->devmode.dmPrivate.wSlpAdjMode = 1; p->devmode.dmPrivate.dwSlpStart = 2000;
             p->copies = 2; p->devmode.dmPrivate.wSlpPrtMode = 1; },
         {{"SET TAVSUPERLONGNUMCONNECTEDPAGE", {"1"}}, {"SET TAVSUPERLONGPRINT", {"RIP"}},
          {"SET TAVSUPERLONGPRINTSTARTPOSITION", {"2000"}}, {"SET TAVPAGEENDWHITEMARGIN", {"0"}},
          {"SET TAVYDIMENSIONDPI", {"3000"}}, {"SET QTY", {"1"}}, {"SET COPIES", {"2"}}, {"SET INTRAY1SIZE", {}}}, {}},
        {"long paper from the multipurpose tray", [](JobHeader* t, PDEV* p, MODELINFO&) {
             t->UseLongPaper(3000, 0); p->devmode.dmPublic.dmFields = DM_DEFAULTSOURCE;
             p->devmode.dmPublic.dmDefaultSource = 4; },
         {{"SET INTRAY1SIZE", {"CONTINUOUSFORM"}}}, {}},
        {"envelope-mode model, paper 272", [](JobHeader*, PDEV* p, MODELINFO& m) {
             m.dwCapFlags = MIF_ENVMODE; p->modelFlag25 = MIF_ENVMODE; p->devmode.dmPublic.dmPaperSize = 272;
             p->devmode.dmPublic.dmDefaultSource = 4; p->devmode.dmPrivate.wMediaType = 3;
             p->devmode.dmPrivate.wPaperCheck = PAPERCHECK_SIZE; },
         {{"SET TAVPAPERSIZECHECK", {"DISABLE"}}, {"SET TAVCUPAPERSIZECHECK", {}}, {"SET TAVMEDIAINTRAY1", {}},
          {"SET TAVMEDIATYPEINTRAY1", {"USERTYPE2"}}, {"SET INTRAY1SIZE", {"CUSTOM"}}}, {}},
        {"size check of the multipurpose tray, custom paper", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPublic.dmPaperSize = 263; p->devmode.dmPublic.dmDefaultSource = 4;
             p->devmode.dmPrivate.wSizeChkMpt = 1; },
         {{"SET TAVPAPERSIZECHECK", {"ENABLE"}}, {"SET TAVCUPAPERSIZECHECK", {"DISABLE"}}}, {}},
        {"size check by the DEVMODE for other trays", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPublic.dmDefaultSource = 1; p->devmode.dmPrivate.wSizeChkMpt = 0;
             p->devmode.dmPrivate.wPaperCheck = PAPERCHECK_SIZE; p->devmode.dmPrivate.wMediaType = 24; },
         {{"SET TAVPAPERSIZECHECK", {"ENABLE"}}, {"SET TAVCUPAPERSIZECHECK", {"ENABLE"}},
          {"SET TAVMEDIAINTRAY2", {"MEDIUM"}}, {"SET TAVMEDIATYPEINTRAY2", {"GLOSSY1"}}}, {}},
        {"tray-size override and the tray mask", [](JobHeader*, PDEV* p, MODELINFO& m) {
             p->devmode.dmPublic.dmPaperSize = 11; p->devmode.dmPublic.dmDefaultSource = 259;
             m.IntrayType = 0x8000 | 0x40 | 0x1; },
         {{"SET TAVA5A6INTRAY3", {"A5A6"}}, {"SET INTRAY2SIZE", {"A5"}}, {"SET INTRAY3SIZE", {"A5"}},
          {"SET INTRAY4SIZE", {"A5"}}, {"SET INTRAY1SIZE", {}}}, {}},
        {"cover page from another tray", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wCoverPrint = 1; p->devmode.dmPrivate.wCoverSource = 1;
             p->devmode.dmPrivate.wCoverMedia = 26; p->devmode.dmPublic.dmDefaultSource = 259;
             p->devmode.dmPrivate.wMediaType = 6; },
         {{"SET TAVMEDIATYPEINTRAY3", {"TRANSPARENCY"}}, {"SET TAVMEDIAINTRAY3", {}},
          {"SET TAVMEDIAINTRAY2", {"HEAVY"}}, {"SET TAVMEDIATYPEINTRAY2", {"GLOSSY1"}}}, {}},
        {"image shift of paper 258", [](JobHeader*, PDEV* p, MODELINFO&) { p->devmode.dmPublic.dmPaperSize = 258; },
         {{"SET TAVXIMAGESHIFT", {"6.50"}}, {"SET TAVXDIMENSIONMILLIMETER", {"77"}}}, {}},
        {"toner save 35 per cent", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wTonerSaveLevel = 3; p->devmode.dmPrivate.dwBlackPreservation = 1; },
         {{"SET TAVTONERSAVEMODE", {"ON"}}, {"SET TAVTONERSAVEVALUE", {"35"}},
          {"SET TAVTONERSAVEBLACKPRESERVATION", {"ON"}}}, {}},
        {"toner save by the model's economy mode", [](JobHeader*, PDEV* p, MODELINFO& m) {
             p->devmode.dmPrivate.wTonerSaveLevel = -1; p->devmode.dmPrivate.wTonerSave = 2; m.wModelID = 9; },
         {{"SET ECONOMODE", {"LIGHT"}}, {"SET TAVTONERSAVEMODE", {}}, {"SET TAVTONERSAVEBLACKPRESERVATION", {}}}, {}},
        {"toner save of a grey job on a colour class", [](JobHeader*, PDEV* p, MODELINFO& m) {
             p->devmode.dmPrivate.wTonerSaveLevel = -1; p->devmode.dmPrivate.wTonerSave = 1; m.wModelID = 3;
             p->devmode.dmPrivate.wColor = 8; },
         {{"SET TAVTONERSAVEMODE", {"OFF"}}, {"SET RENDERMODE", {"GRAYSCALE"}}, {"SET LPARM:PCL TAVCOLORSCREEN", {}}}, {},
         {"\x1b&b1M"}},
        {"finisher bin and resolution", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wOutputBin = 18; p->devmode.dmPublic.dmBitsPerPel = 5; },
         {{"SET OUTBIN", {"OPTIONALOUTBIN1"}}, {"SET TAVPAPERINVERTER", {"ON"}}, {"SET TAVRESOLUTION", {"X600Y600LEVEL32"}},
          {"SET LPARM:PCL TAVCOLORSCREEN", {"FINESCREEN"}}}, {}},
        {"custom colour route", [](JobHeader*, PDEV* p, MODELINFO&) {
             DRVEXTRA& x = p->devmode.dmPrivate;
             x.wColorSubMode = 2; x.bGProColorMode = 1; x.bGProInRGBProf = 2; x.bGProInCMYKProf = 5;
             x.bGProOutProfile = 1; x.bGProRndrIntent = 2; x.bGProPrecision = 1; x.bGProBlackMode = 1;
             x.wTrueBlack = 1; },
         {{"SET TAVCOLORROUTE", {"CUSTOM"}}, {"SET TAVRGBPROFILENUM", {"2"}}, {"SET TAVCMYKPROFILENUM", {"2"}},
          {"SET TAVINKSIMULATIONMODE", {}}, {"SET TAVRGBTOCMYKSIMULATIONMODE", {"ENABLE"}},
          {"SET TAVRENDERINGINTENT", {"RELATIVECOLORIMETRIC"}}, {"SET TAVCOLOROPERATIONTYPE", {"NORMAL2"}},
          {"SET TAVBKGENERATEMODE", {"IMAGE2GRAPHIC2"}}, {"SET TAVBKPRESERVATIONMODE", {"DISABLE"}},
          {"SET LPARM:PCL TAVTRUEBLACK", {"ON"}}}, {}},
        {"automatic colour black generation 3", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wAutoColorBkMode = 3; p->devmode.dmPrivate.wTrueBlack = 1;
             p->devmode.dmPrivate.wOptions = OPT_ADJLINE; },
         {{"SET TAVBKGENERATEMODE", {"IMAGE2GRAPHIC2"}}, {"SET LPARM:PCL TAVTRUEBLACK", {"ON"}},
          {"SET LPARM:PCL TAVPENWIDTHADJUST", {"ON"}}}, {}},
        {"outside colour controller", [](JobHeader* t, PDEV* p, MODELINFO& m) {
             m.dwCapFlags = MIF_SHORTMENU; p->devmode.dmPrivate.wColorMode = 1; p->devmode.dmPrivate.wColorSubMode = 1;
             p->devmode.dmPrivate.wOptions2 = 0x4; wcscpy(p->devmode.dmPrivate.szCustom2, L"Dept 7");
             t->Put(ESCITEM_LOGIN_NAME, "alice", false); p->devmode.dmPublic.dmYResolution = 1200; },
         {{"SET RENDERMODE", {"COLOR"}}, {"COMMENT EFIPJL SET TONERREDUCTION", {"GENERICON"}},
          {"COMMENT EFIPJL SET CUSTOM2", {"\"Dept 7\""}}, {"COMMENT EFIPJL SET CUSTOM1", {}},
          {"COMMENT EFIPJL SET EFFOR", {"\"alice\""}}, {"SET TAVRESOLUTION", {"X1200Y1200LEVEL2"}},
          {"SET LPARM:PCL TAVTRUEBLACK", {}}, {"SET TAVCUPAPERSIZECHECK", {}}}, {},
         {"\x1b*t1.000I\x1b&u1200D\x1b*t1200R"}},
        {"envelope-mode custom paper lying wide", [](JobHeader*, PDEV* p, MODELINFO& m) {
             m.dwCapFlags = MIF_ENVMODE; p->modelFlag25 = MIF_ENVMODE; p->devmode.dmPublic.dmPaperSize = 263;
             p->devmode.dmPublic.dmPaperWidth = 2970; p->devmode.dmPublic.dmPaperLength = 2100; p->geo.longEdgeFeed = 1; },
         {{"SET TAVXDIMENSIONMILLIMETER", {"210"}}, {"SET TAVYDIMENSIONMILLIMETER", {"297"}},
          {"SET INTRAY1SIZE", {"CUSTOM"}}}, {}},
        {"envelope-mode custom paper lying wide, fed long edge", [](JobHeader*, PDEV* p, MODELINFO& m) {
             m.dwCapFlags = MIF_ENVMODE; p->modelFlag25 = MIF_ENVMODE; p->devmode.dmPublic.dmPaperSize = 263;
             p->devmode.dmPublic.dmPaperWidth = 2970; p->devmode.dmPublic.dmPaperLength = 2100; p->geo.longEdgeFeed = 1;
             p->devmode.dmPrivate.wValidated = 2; },
         {{"SET TAVXDIMENSIONMILLIMETER", {"297"}}, {"SET TAVYDIMENSIONMILLIMETER", {"210"}}}, {}},
        {"envelope on an A3 envelope-mode model", [](JobHeader*, PDEV* p, MODELINFO& m) {
             m.dwCapFlags = MIF_ENVMODE | MIF_A3PRINTER; p->modelFlag25 = MIF_ENVMODE; p->devmode.dmPublic.dmPaperSize = 74;
             p->devmode.dmPublic.dmPaperWidth = 1050; p->devmode.dmPublic.dmPaperLength = 2350; },
         {{"SET TAVXIMAGESHIFT", {"-9.00"}}, {"SET TAVXDIMENSIONMILLIMETER", {"105"}},
          {"SET TAVYDIMENSIONMILLIMETER", {"105"}}, {"SET INTRAY1SIZE", {"CUSTOM"}}}, {}},
        {"compression, density and manual duplex", [](JobHeader*, PDEV* p, MODELINFO&) {
             p->devmode.dmPrivate.wCompress = 1; p->devmode.dmPrivate.wCompressLevel = 6;
             p->devmode.dmPrivate.wCMYDensity = 18; p->devmode.dmPrivate.wManualDuplex = 1;
             p->devmode.dmPrivate.dwManualDuplexSheets = 2; p->devmode.dmPrivate.wAutoTray = 1; },
         {{"SET TAVCMY100PERCENTDENSITY", {"DISABLE"}}, {"SET TAVMANUALDUPLEX", {"ON"}},
          {"SET TAVNOTIFYPAPERSIDE", {"OFF"}}, {"SET TAVAUTOTRAYSWITCH", {"ON"}}},
         {"@PJL COMMENT COMPRESSION:FLATE LEVEL:6"}},
        {"network address of a validation-code model", [](JobHeader* t, PDEV*, MODELINFO& m) {
             m.dwCapFlags = MIF_VALCODE; t->Put(ESCITEM_MAC_ADDRESS, "0011aabbccdd", true); },
         {{"TAVAUXJOBINFO DATA", {"\"NetAddress=0011aabbccdd\""}}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FixedLocaleCountry country(L"1");
        c.set(this, pdev, model_);
        ASSERT_TRUE(WriteJobHeader(pdev));
        const jobreader::JobStream job = jobreader::ParseJob(PjlPart());
        ASSERT_TRUE(job.ok) << job.error;
        for (const auto& [key, values] : c.values) EXPECT_EQ(jobreader::PjlValues(job, key), values) << key;
        const std::vector<std::string> lines = PjlLines(job);
        for (const std::string& line : c.lines)
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
        const std::string setup = Stream().substr(PjlPart().size());
        for (const std::string& bytes : c.pcl) EXPECT_NE(setup.find(bytes), std::string::npos) << bytes;
        TearDown();
        SetUp();
    }
}

TEST(JobHeaderTables, TraysAndPaperTypes)
{
    struct Case {
        WORD source, type;
        BOOL manual;
        DWORD envMode;
        WORD outSource;
        LONG pcl;
        const char* mediaType;
        const char* weight;
        const char* pclName;
        DWORD pjlTray;
    };
    const Case cases[] = {
        {1, 1, FALSE, 0, 1, 1, "PLAIN", "LIGHT", "Plain", 2},
        {4, 6, FALSE, 0, 4, 4, "TRANSPARENCY", nullptr, "Transparency", 1},
        {4, 6, TRUE, 0, 4, 2, "TRANSPARENCY", nullptr, "Transparency", 1},
        {258, 21, TRUE, 0, 258, 4, "USERTYPE3", nullptr, "", 1},
        {259, 33, FALSE, 0, 259, 5, "PLAIN", nullptr, "Glossy", 3},
        {262, 8, FALSE, 0, 262, 22, nullptr, nullptr, "", 7},
        {260, 27, FALSE, 0, 260, 20, "PLAIN", "ULTRAHEAVY4", "Plain", 5},
        {261, 32, FALSE, 0, 261, 21, "USERTYPE10", nullptr, "", 6},
        {512, 1, FALSE, 0, 7, 7, nullptr, nullptr, "Plain", 0},
        {518, 1, FALSE, 0, 7, 7, nullptr, nullptr, "Card Stock", 0},
        {520, 1, FALSE, 0, 7, 7, nullptr, nullptr, "Glossy", 0},
        {521, 1, FALSE, 0, 521, 7, nullptr, nullptr, "", 0},
        {523, 1, FALSE, MIF_ENVMODE, 7, 7, nullptr, nullptr, "", 0},
        {528, 1, FALSE, MIF_ENVMODE, 528, 7, nullptr, nullptr, "", 0},
        {7, 1, FALSE, 0, 7, 7, nullptr, nullptr, "", 0},
    };
    PDEV* pdev = static_cast<PDEV*>(GlobalAlloc(GPTR, sizeof(PDEV)));
    ASSERT_NE(pdev, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "source " << c.source << " type " << c.type);
        pdev->modelFlag25 = c.envMode;
        TRAYMEDIA m;
        LookupTrayMedia(c.source, c.type, c.manual, pdev, &m);
        EXPECT_EQ(m.source, c.outSource);
        EXPECT_EQ(m.pclSource, c.pcl);
        EXPECT_STREQ(m.mediaType, c.mediaType);
        EXPECT_STREQ(m.mediaWeight, c.weight);
        EXPECT_STREQ(m.pclMediaName, c.pclName);
        EXPECT_EQ(PjlTrayOfSource(c.source), c.pjlTray);
    }
    GlobalFree(pdev);

    EXPECT_EQ(FindPclPaper(9), &g_PclPaperTable[0]);
    EXPECT_EQ(FindPclPaper(30), &g_PclPaperTable[21]) << "the first row of an id";
    EXPECT_EQ(FindPclPaper(4242), &g_PclPaperTable[0]) << "an unknown id takes A4";
    EXPECT_STREQ(FindPclPaper(1583)->pjlName, "ROC16K\n");
    EXPECT_STREQ(FindPclPaper(261)->pjlLongEdgeName, "LETTERLONGEDGE\n");
    EXPECT_EQ(FindPclPaper(275)->pclPageSize, 102);
    for (WORD id : {256, 263, 264, 276, 1577, 1583}) EXPECT_TRUE(IsCustomPaperId(id)) << id;
    for (WORD id : {1, 9, 257, 258, 265, 275}) EXPECT_FALSE(IsCustomPaperId(id)) << id;
}

TEST_F(JobHeader, CoverPageByLayout)
{
    struct Case {
        WORD cover;
        DWORD mode, flags, pages, counter;
        short duplex;
        BOOL expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, DMDUP_SIMPLEX, FALSE},
        {1, 0, 0, 0, 0, DMDUP_SIMPLEX, TRUE},
        {1, 0, 0, 0, 1, DMDUP_SIMPLEX, FALSE},
        {1, 0, 0, 0, 1, DMDUP_VERTICAL, TRUE},
        {1, 0, 0, 0, 2, DMDUP_VERTICAL, FALSE},
        {1, FINISHINGMODE_BOOKLET, 0, 0, 1, DMDUP_SIMPLEX, TRUE},
        {1, FINISHINGMODE_BOOKLET, 0, 0, 2, DMDUP_VERTICAL, FALSE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE, 16, 7, DMDUP_SIMPLEX, TRUE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE, 16, 6, DMDUP_SIMPLEX, TRUE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE, 16, 5, DMDUP_SIMPLEX, FALSE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE, 16, 0, DMDUP_SIMPLEX, FALSE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE | BOOKLET_TWOUP, 16, 3, DMDUP_SIMPLEX, TRUE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE | BOOKLET_TWOUP, 16, 4, DMDUP_SIMPLEX, FALSE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE, 0, 0, DMDUP_SIMPLEX, FALSE},
        {1, FINISHINGMODE_BOOKLET, BOOKLET_REVERSE, 0, 0xFFFFFFFF, DMDUP_SIMPLEX, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " flags " << c.flags << " pages " << c.pages
                                        << " counter " << c.counter);
        DRVEXTRA& x = pdev->devmode.dmPrivate;
        x.wCoverPrint = c.cover;
        x.dwFinishingMode = c.mode;
        x.dwBookletFlags = c.flags;
        x.dwBookletPages = c.pages;
        pdev->flow.pageCounter = c.counter;
        pdev->devmode.dmPublic.dmDuplex = c.duplex;
        EXPECT_EQ(IsCoverPage(pdev), c.expected);
    }
}

TEST_F(JobHeader, FinisherLinesAndSides)
{
    struct Case {
        DWORD finishing;
        WORD bin;
        short orientation;
        DWORD nup;
        BYTE punchUnit;
        std::string lines;
        DWORD sides;
    };
    const std::string off = "@PJL SET TAVSTAPLER=OFF\n@PJL SET TAVSADDLESTITCH=OFF\n";
    const std::string punchOff = "@PJL SET TAVPUNCH=OFF\n";
    auto staple = [](const char* position, const char* saddle) {
        return "@PJL SET TAVSTAPLER=ON\n@PJL SET TAVSTAPLERPOSITION="s + position + "\n@PJL SET TAVSADDLESTITCH=" + saddle + "\n";
    };
    const Case cases[] = {
        {0x10, 17, DMORIENT_PORTRAIT, 1, 0, off + punchOff, 0},
        {0x10, 18, DMORIENT_PORTRAIT, 1, 0, staple("REARCORNER", "OFF") + punchOff, 2},
        {0x10, 18, DMORIENT_PORTRAIT, 2, 0, staple("REARCORNER", "OFF") + punchOff, 1},
        {0x20, 18, DMORIENT_LANDSCAPE, 4, 0, staple("FRONTCORNER", "OFF") + punchOff, 2},
        {0x40, 18, DMORIENT_LANDSCAPE, 6, 0, staple("FRONTCORNER", "OFF") + punchOff, 3},
        {0x100, 18, DMORIENT_PORTRAIT, 1, 0, staple("MIDDLE", "OFF") + punchOff, 0},
        {0x400, 18, 0, 1, 0, staple("MIDDLE", "OFF") + punchOff, 1},
        {0x1000, 18, DMORIENT_PORTRAIT, 1, 0, staple("MIDDLE", "ON") + punchOff, 0},
        {0x30, 18, DMORIENT_PORTRAIT, 1, 0, "@PJL SET TAVSTAPLER=ON\n" + punchOff, 0},
        {0x00120000, 18, DMORIENT_PORTRAIT, 1, 0x26, off + "@PJL SET TAVPUNCH=ON\n@PJL SET TAVPUNCHHOLES=3\n", 0},
        {0x00210000, 18, DMORIENT_PORTRAIT, 1, 6, off + "@PJL SET TAVPUNCH=ON\n@PJL SET TAVPUNCHHOLES=2\n", 2},
        {0x00210000, 18, DMORIENT_PORTRAIT, 2, 5, off + "@PJL SET TAVPUNCH=ON\n", 1},
        {0x00110000, 18, DMORIENT_LANDSCAPE, 1, 0, off + "@PJL SET TAVPUNCH=ON\n", 2},
        {0x00410000, 18, DMORIENT_PORTRAIT, 2, 0, off + "@PJL SET TAVPUNCH=ON\n", 0},
        {0x00410000, 18, DMORIENT_PORTRAIT, 1, 0, off + "@PJL SET TAVPUNCH=ON\n", 3},
        {0x00410000, 0, DMORIENT_PORTRAIT, 1, 0, off + punchOff, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "finishing " << c.finishing << std::dec << " orientation "
                                        << c.orientation << " nup " << c.nup);
        DRVEXTRA& x = pdev->devmode.dmPrivate;
        x.dwFinishing = c.finishing;
        x.wOutputBin = c.bin;
        x.dwNupPages = c.nup;
        x.bPunchUnit = c.punchUnit;
        pdev->devmode.dmPublic.dmOrientation = c.orientation;
        EXPECT_EQ(WriteFinisherLines(pdev), c.sides);
        EXPECT_EQ(Take(), c.lines);
    }
}

TEST_F(JobHeader, CopiesAndDuplexEscapes)
{
    struct Case {
        const char* name;
        short duplex, orientation, paper, width, length;
        DWORD finishingMode;
        WORD manualDuplex, jobType, secureMode, collate;
        DWORD copies;
        std::string expected;
    };
    const Case cases[] = {
        {"simplex", DMDUP_SIMPLEX, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 0, 0, 0, 3, "\x1b&l3x0S"},
        {"long-edge duplex", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 0, 0, 0, 1, "\x1b&l1x1S"},
        {"short-edge duplex", DMDUP_HORIZONTAL, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 0, 0, 0, 1, "\x1b&l1x2S"},
        {"unknown duplex value", 7, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 0, 0, 0, 1, "\x1b&l1x0S"},
        {"wide custom in portrait", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 263, 2970, 2100, 0, 0, 0, 0, 0, 1, "\x1b&l1x2S"},
        {"tall custom in landscape", DMDUP_HORIZONTAL, DMORIENT_LANDSCAPE, 256, 2100, 2970, 0, 0, 0, 0, 0, 1, "\x1b&l1x1S"},
        {"tall custom in portrait", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 1581, 1840, 2600, 0, 0, 0, 0, 0, 1, "\x1b&l1x1S"},
        {"wide standard paper", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 9, 2970, 2100, 0, 0, 0, 0, 0, 1, "\x1b&l1x1S"},
        {"poster", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 9, 2100, 2970, FINISHINGMODE_POSTER, 0, 0, 0, 0, 1, "\x1b&l1x0S"},
        {"manual duplex", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 1, 0, 0, 0, 1, "\x1b&l1x0S"},
        {"collated", DMDUP_VERTICAL, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 0, 0, 1, 4, "\x1b&l1S"},
        {"proof job", DMDUP_SIMPLEX, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 1, 0, 0, 4, "\x1b&l0S"},
        {"secure, library", DMDUP_SIMPLEX, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 2, 1, 0, 4, "\x1b&l0S"},
        {"secure, IC card", DMDUP_SIMPLEX, DMORIENT_PORTRAIT, 9, 2100, 2970, 0, 0, 2, 2, 0, 4, "\x1b&l4x0S"},
    };
    pdev->secure.open = TRUE;  // secure jobs' bytes go out plain here instead of into the container
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DEVMODEW& pub = pdev->devmode.dmPublic;
        DRVEXTRA& x = pdev->devmode.dmPrivate;
        pub.dmDuplex = c.duplex;
        pub.dmOrientation = c.orientation;
        pub.dmPaperSize = c.paper;
        pub.dmPaperWidth = c.width;
        pub.dmPaperLength = c.length;
        x.dwFinishingMode = c.finishingMode;
        x.wManualDuplex = c.manualDuplex;
        x.wJobType = c.jobType;
        x.wSecureMode = c.secureMode;
        x.wCollate = c.collate;
        pdev->copies = c.copies;
        WriteCopiesAndDuplex(pdev);
        EXPECT_EQ(Take(), c.expected);
    }
}

TEST_F(JobHeader, ColourAppearanceTablesNeedLengthAndCheck)
{
    // Fills n bytes and the check byte after them; a bad check is one off.
    auto fill = [](BYTE* table, WORD n, bool good) {
        BYTE sum = 0;
        for (WORD i = 0; i < n; ++i) sum = static_cast<BYTE>(sum + (table[i] = static_cast<BYTE>(0x20 + i % 90)));
        table[n] = static_cast<BYTE>(0x55 - sum + (good ? 0 : 1));
    };
    struct Case {
        WORD ntLength;
        bool ntGood;
        WORD nvLength;
        bool nvGood;
        WORD colorMode, subMode;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {228, true, 228, true, 1, 1, {"NT", "NV"}},
        {228, false, 12, true, 1, 1, {"NV"}},
        {255, true, 254, true, 1, 1, {"NV"}},
        {0, true, 1, true, 1, 1, {"NV"}},
        {228, true, 228, false, 1, 1, {"NT"}},
        {228, true, 228, true, 1, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ntLength << (c.ntGood ? "+" : "-") << " " << c.nvLength
                                        << (c.nvGood ? "+" : "-") << " sub-mode " << c.subMode);
        DRVEXTRA& x = pdev->devmode.dmPrivate;
        fill(x.bCcmNtTable, std::min<WORD>(c.ntLength, 255), c.ntGood);
        fill(x.bCcmNvTable, c.nvLength, c.nvGood);
        x.wCcmNtLength = c.ntLength;
        x.wCcmNvLength = c.nvLength;
        x.wColorMode = c.colorMode;
        x.wColorSubMode = c.subMode;
        EXPECT_EQ(IsTableCheckValid(x.bCcmNvTable, c.nvLength), c.nvGood ? TRUE : FALSE);
        ASSERT_TRUE(WriteJobHeader(pdev));
        const std::string s = PjlPart();
        std::vector<std::string> sent;
        const std::string head = "@PJL TAVWRITE LOCATE:COLORAPPEARANCE";
        for (size_t at = s.find(head); at != std::string::npos; at = s.find(head, at + 1)) {
            const std::string which = s.substr(at + head.size(), 2);
            const BYTE* table = which == "NT" ? x.bCcmNtTable : x.bCcmNvTable;
            const WORD n = which == "NT" ? c.ntLength : c.nvLength;
            char announce[64];
            snprintf(announce, sizeof announce, " DATA=H%08X\n", n);
            const std::string expected = head + which + announce + std::string(reinterpret_cast<const char*>(table), n) + kUel;
            EXPECT_EQ(s.compare(at, expected.size(), expected), 0) << which << " block, its bytes and the exit";
            sent.push_back(which);
        }
        EXPECT_EQ(sent, c.sent);
        Take();
    }
}

TEST_F(JobHeader, SecureJobBuildsThePrefaceInsteadOfTheJobStart)
{
    pdev->secure.preface = static_cast<char*>(GlobalAlloc(GPTR, SECURE_PREFACE_BYTES));
    ASSERT_NE(pdev->secure.preface, nullptr);
    pdev->secure.open = TRUE;  // the header's own bytes go out plain here
    DRVEXTRA& x = pdev->devmode.dmPrivate;
    x.wSecureMode = 2;
    x.wJobType = 2;
    Put(ESCITEM_DOCNAME, "Report", true);
    Put(ESCITEM_DRIVER_VERSION, "5.10"s + '\0', false);
    const std::string accounting =
        "@PJL SET JOBATTR=\"ComputerName=PC1\"\r\n"
        "@PJL SET JOBATTR=\"Other=1\"\r\n"
        "@PJL SET JOBATTR=\"UserName=bob\"\r\n"
        "@PJL SET JOBATTR=\"ReceptionTime=10\"\r\n"
        "@PJL SET JOBATTR=\"UserName=unended\"";
    Put(ESCITEM_JOBACCOUNT_CMD, accounting, false);
    ASSERT_TRUE(WriteJobHeader(pdev));

    const std::string preface(pdev->secure.preface, pdev->secure.prefaceLength);
    EXPECT_EQ(preface, kUel +
                           "@PJL JOB NAME = \"Report\"\n"
                           "@PJL COMMENT Device Name  : TAV C5000\n"
                           "@PJL COMMENT Version      : 5.10\n"
                           "@PJL SET JOBATTR=\"ComputerName=PC1\"\r\n"
                           "@PJL SET JOBATTR=\"UserName=bob\"\r\n"
                           "@PJL SET JOBATTR=\"ReceptionTime=10\"\r\n");
    const std::string stream = Stream();
    EXPECT_EQ(stream.rfind(accounting + "@PJL RDYMSG DISPLAY = \"\"\n", 0), 0u)
        << "the stream starts with the accounting block, without job start or password line";
    EXPECT_EQ(stream.find("PASSWORD="), std::string::npos);
}

TEST_F(JobHeader, PrefaceAndAccountingLinesStayBounded)
{
    // Many wanted lines: the preface takes whole lines while they fit and stays terminated.
    pdev->secure.preface = static_cast<char*>(GlobalAlloc(GPTR, SECURE_PREFACE_BYTES));
    ASSERT_NE(pdev->secure.preface, nullptr);
    pdev->secure.open = TRUE;
    pdev->devmode.dmPrivate.wSecureMode = 1;
    const std::string line = "@PJL SET JOBATTR=\"UserName=" + std::string(70, 'u') + "\"\r\n";
    std::string block;
    for (int i = 0; i < 40; ++i) block += line;
    Put(ESCITEM_JOBACCOUNT_CMD, block, false);
    ASSERT_TRUE(WriteJobHeader(pdev));
    const DWORD length = pdev->secure.prefaceLength;
    EXPECT_LT(length, SECURE_PREFACE_BYTES);
    EXPECT_GE(length + line.size(), SECURE_PREFACE_BYTES) << "no further line would have fitted";
    EXPECT_EQ(strlen(pdev->secure.preface), length);
    EXPECT_EQ(std::string(pdev->secure.preface + length - line.size(), line.size()), line);

    // A line longer than a copy keeps its start and its end; one that does not fit is left out.
    const std::string longLine = "ReceptionTime=" + std::string(3000, '9') + "\r\n";
    char preface[2048] = {};
    DWORD used = 0;
    EXPECT_TRUE(AppendAccountingLines(reinterpret_cast<const BYTE*>(longLine.data()), static_cast<DWORD>(longLine.size()),
                                      preface, &used, sizeof preface));
    EXPECT_EQ(used, ACCOUNTING_LINE_MAX);
    EXPECT_EQ(std::string(preface, used), longLine.substr(0, ACCOUNTING_LINE_MAX - 2) + "\r\n");
    EXPECT_TRUE(AppendAccountingLines(reinterpret_cast<const BYTE*>(longLine.data()),
                                      static_cast<DWORD>(longLine.size()), preface, &used, sizeof preface));
    EXPECT_EQ(used, 2 * ACCOUNTING_LINE_MAX);
    EXPECT_FALSE(AppendAccountingLines(reinterpret_cast<const BYTE*>(longLine.data()),
                                       static_cast<DWORD>(longLine.size()), preface, &used, sizeof preface))
        << "a third copy would leave no room for the terminator";
    EXPECT_EQ(used, 2 * ACCOUNTING_LINE_MAX);
    EXPECT_EQ(strlen(preface), used);
    const std::string cut = "UserName=x\r";  // the line end lies beyond the length given
    EXPECT_FALSE(AppendAccountingLines(reinterpret_cast<const BYTE*>("UserName=x\r\n"), static_cast<DWORD>(cut.size()),
                                       preface, &used, sizeof preface));
}

TEST_F(JobHeader, StoredTextsAreReadWithinTheirSizeAndCutToTheirLines)
{
    // A name without terminator inside its recorded size, followed by bytes that are not its own.
    Put(ESCITEM_JOBNAME, "Quarterly", false, "XYZ");
    Put(ESCITEM_DOCNAME, std::string(600, 'd'), true);
    Put(ESCITEM_DRIVER_VERSION, std::string(400, 'v'), false, "XYZ");
    Put(ESCITEM_MAC_ADDRESS, std::string(400, 'm'), true);
    memset(pdev->osVersion.szCSDVersion, 'S', sizeof pdev->osVersion.szCSDVersion);
    model_.dwCapFlags = MIF_VALCODE;
    pdev->devmode.dmPrivate.wJobType = 1;
    FixedLocaleCountry country(L"1");
    ASSERT_TRUE(WriteJobHeader(pdev));
    const jobreader::JobStream job = jobreader::ParseJob(PjlPart());
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(jobreader::PjlValues(job, "JOB NAME"), std::vector<std::string>{"\"Quarterly\""});

    for (const jobreader::Item& item : job.items) {
        if (item.kind != jobreader::Kind::Pjl) continue;
        EXPECT_LE(item.text.size() + item.lineEnd.size(), JOB_LINE_MAX) << item.text.substr(0, 40);
        EXPECT_EQ(item.text.find("XYZ"), std::string::npos) << item.text.substr(0, 40);
    }
    const std::vector<std::string> lines = PjlLines(job);
    auto lineStarting = [&](const std::string& head) {
        for (const std::string& l : lines)
            if (l.rfind(head, 0) == 0) return l;
        return std::string();
    };
    const std::string mac = lineStarting("@PJL TAVAUXJOBINFO DATA=\"NetAddress=");
    EXPECT_EQ(mac.size() + 2, JOB_LINE_MAX) << "cut to the line";
    EXPECT_EQ(mac.back(), '"') << "the quote survives the cut";
    EXPECT_EQ(lineStarting("@PJL COMMENT Version      : ").size() + 1, JOB_LINE_MAX);
    EXPECT_EQ(lineStarting("@PJL COMMENT OS Version   : "), "@PJL COMMENT OS Version   : Windows NT 0.0 Build 0 " + std::string(128, 'S'));

    // The document name is copied up to its bound.
    TearDown();
    SetUp();
    Put(ESCITEM_DOCNAME, std::string(600, 'd'), true);
    ASSERT_TRUE(WriteJobHeader(pdev));
    const jobreader::JobStream plain = jobreader::ParseJob(PjlPart());
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_EQ(jobreader::PjlValues(plain, "JOB NAME"), std::vector<std::string>{"\"" + std::string(JOB_DOCNAME_MAX, 'd') + "\""});
}

TEST(JobHeaderFormat, FixedPointNumbers)
{
    struct Case {
        DWORD value;
        int decimals;
        size_t size;
        const char* expected;
    };
    const Case cases[] = {
        {85, 1, 16, "8.5"},     {5, 1, 16, "0.5"},   {0, 1, 16, "0.0"},         {110, 1, 16, "11.0"},
        {1234, 2, 16, "12.34"}, {7, 2, 16, "0.07"},  {99999, 3, 16, "99.999"},  {42, 0, 16, "42"},
        {85, 1, 3, "8."},       {85, 1, 1, ""},      {4294967295u, 1, 16, "429496729.5"},
    };
    for (const Case& c : cases) {
        char buffer[16];
        memset(buffer, '#', sizeof buffer);
        FormatFixedPoint(buffer, c.size, c.value, c.decimals);
        EXPECT_STREQ(buffer, c.expected) << c.value << "/" << c.decimals << " in " << c.size;
    }
}

}  // namespace
