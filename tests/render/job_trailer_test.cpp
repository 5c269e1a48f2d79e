// The job trailer: the lines that end a vector job, the pre-print information comments and the
// raster job's PJL end. The trailer's code is linked into this program and writes through the
// output channel into a recorded WritePrinter; the stream is read back with the job reader.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "import_patch.h"
#include "job_reader.h"
#include "memory_job.h"
#include "job_trailer.h"
#include "output.h"
#include "pdev.h"

namespace {

const std::string kUel = "\x1b%-12345X";
const std::string kPrePrint = "@PJL COMMENT PREPRINTINFO : ";

class JobTrailer : public MemoryJob {
protected:
    void SetUp() override
    {
        MemoryJob::SetUp();
        if (HasFatalFailure()) return;
        DEVMODEW& pub = pdev->devmode.dmPublic;
        pub.dmColor = DMCOLOR_COLOR;
        pub.dmPaperSize = DMPAPER_A4;
        pdev->pageCount = 5;
    }
    void TearDown() override
    {
        pdev->escItems[ESCITEM_ACCESSCTRL_DATA] = {};
        MemoryJob::TearDown();
    }

    // The pre-print information as written: keys in order, values by key.
    static std::vector<std::pair<std::string, std::string>> PrePrintItems(const jobreader::JobStream& job)
    {
        std::vector<std::pair<std::string, std::string>> items;
        for (const jobreader::Item& item : job.items) {
            if (item.kind != jobreader::Kind::Pjl || item.text.rfind(kPrePrint, 0) != 0) continue;
            EXPECT_EQ(item.lineEnd, "\n");
            const std::string entry = item.text.substr(kPrePrint.size());
            const size_t equals = entry.find('=');
            EXPECT_NE(equals, std::string::npos) << entry;
            items.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
        }
        return items;
    }
};

TEST_F(JobTrailer, VectorJobEndsWithResetReadyMessageInformationAndEndOfJob)
{
    BYTE accessControl[4] = {1, 2, 3, 4};
    for (const bool withAccessControl : {false, true}) {
        SCOPED_TRACE(withAccessControl ? "access-control block" : "no access-control block");
        pdev->escItems[ESCITEM_ACCESSCTRL_DATA] = withAccessControl ? ESCAPEBLOCK{accessControl, 4} : ESCAPEBLOCK{};
        // A clipped input window is in force from the last page.
        pdev->hpgl.windowSet = 1;
        pdev->hpgl.hpglMode = 0;
        EXPECT_TRUE(WriteJobTrailer(pdev));
        const std::string bytes = Take();
        const jobreader::JobStream job = jobreader::ParseJob(bytes);
        ASSERT_TRUE(job.ok) << job.error;

        // HP-GL/2 with the whole-page input window, back to PCL, printer reset, then PJL.
        std::vector<std::string> head;
        size_t i = 0;
        for (; i < job.items.size() && job.items[i].kind != jobreader::Kind::Uel; ++i) {
            const jobreader::Item& item = job.items[i];
            if (item.kind == jobreader::Kind::Hpgl) head.push_back(item.mnemonic);
            else if (item.kind == jobreader::Kind::PclTwo) head.push_back(std::string{item.letter});
            else head.push_back(std::string{item.parameter} + item.value + item.letter);
        }
        const std::vector<std::string> expectedHead = {"%0B", "IW", "%0A", "E"};
        EXPECT_EQ(head, expectedHead);

        std::vector<std::string> tail;
        for (; i < job.items.size(); ++i) {
            const jobreader::Item& item = job.items[i];
            if (item.kind == jobreader::Kind::Uel) tail.push_back("UEL");
            else if (item.text.rfind(kPrePrint, 0) == 0) {
                if (tail.back() != "PREPRINTINFO") tail.push_back("PREPRINTINFO");
            } else tail.push_back(item.text + item.lineEnd);
        }
        std::vector<std::string> expectedTail = {"UEL", "@PJL RDYMSG DISPLAY = \"\"\n", "PREPRINTINFO",
                                                 "@PJL EOJ NAME = \"End \"\n"};
        if (withAccessControl) expectedTail.push_back("@PJL EOJ\r\n");
        expectedTail.push_back("UEL");
        EXPECT_EQ(tail, expectedTail);
        EXPECT_EQ(bytes.substr(bytes.size() - kUel.size()), kUel) << "the job ends on the universal exit";
    }
}

TEST_F(JobTrailer, SecureJobStopsAfterTheReadyMessage)
{
    pdev->devmode.dmPrivate.wSecureMode = 1;
    pdev->secure.open = TRUE;  // the container's plain path: the bytes reach the output buffer as written
    EXPECT_TRUE(WriteJobTrailer(pdev));
    const std::string bytes = Take();
    const std::string ready = kUel + "@PJL RDYMSG DISPLAY = \"\"\n";
    ASSERT_GE(bytes.size(), ready.size());
    EXPECT_EQ(bytes.substr(bytes.size() - ready.size()), ready);
    EXPECT_EQ(bytes.find("PREPRINTINFO"), std::string::npos);
    EXPECT_EQ(bytes.find("EOJ"), std::string::npos);
}

TEST_F(JobTrailer, PrePrintInformationDescribesTheJob)
{
    using Settings = std::function<void(DEVMODEW&, DRVEXTRA&, PDEV&)>;
    auto collated = [](DRVEXTRA& ext) { ext.wOptions &= ~OPT_APCOLLATE; ext.wCollate = 1; };
    const struct Case {
        const char* name;
        Settings settings;
        std::map<std::string, std::string> expected;  // the keys a case is about
    } cases[] = {
        {"defaults", [](DEVMODEW&, DRVEXTRA&, PDEV&) {},
         {{"QTY", "1"}, {"COPIES", "1"}, {"RENDERMODE", "COLOR"}, {"PAPERSIZE", "9"}, {"PRINTPAGES", "5"},
          {"PRINTLAYOUT", "NORMAL"}, {"DUPLEX", "SIMPLEX"}, {"MULTIPAGE", "1"}, {"SPREADPAGE", "1"},
          {"OFFICEMODE", "OFF"}, {"TONERSAVEMODE", "OFF"}}},
        {"3 copies collated", [&](DEVMODEW&, DRVEXTRA& e, PDEV& p) { collated(e); p.copies = 3; },
         {{"QTY", "3"}, {"COPIES", "1"}}},
        {"3 copies uncollated", [](DEVMODEW&, DRVEXTRA&, PDEV& p) { p.copies = 3; }, {{"QTY", "1"}, {"COPIES", "3"}}},
        {"collate from the public field", [](DEVMODEW& d, DRVEXTRA& e, PDEV& p) {
             e.wOptions |= OPT_APCOLLATE; d.dmCollate = DMCOLLATE_TRUE; p.copies = 2; },
         {{"QTY", "2"}, {"COPIES", "1"}}},
        {"secure job, library encryption", [&](DEVMODEW&, DRVEXTRA& e, PDEV& p) {
             collated(e); p.copies = 3; e.wJobType = 2; e.wSecureMode = 1; },
         {{"QTY", "1"}, {"COPIES", "1"}}},
        {"secure job, printer PIN only", [](DEVMODEW&, DRVEXTRA& e, PDEV& p) { p.copies = 4; e.wJobType = 2; },
         {{"QTY", "1"}, {"COPIES", "1"}}},
        {"secure job, IC card", [&](DEVMODEW&, DRVEXTRA& e, PDEV& p) {
             collated(e); p.copies = 3; e.wJobType = 2; e.wSecureMode = 2; },
         {{"QTY", "3"}, {"COPIES", "1"}}},
        {"grey", [](DEVMODEW& d, DRVEXTRA&, PDEV&) { d.dmColor = DMCOLOR_MONOCHROME; }, {{"RENDERMODE", "GRAYSCALE"}}},
        {"fit to paper", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.dwFitFlags = FITFLAG_ON | 0x10; e.dwFitPaper = 8; },
         {{"PAPERSIZE", "8"}}},
        {"fit paper without fit", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.dwFitFlags = 0x2; e.dwFitPaper = 8; },
         {{"PAPERSIZE", "9"}}},
        {"long-edge duplex 2x2", [](DEVMODEW& d, DRVEXTRA& e, PDEV&) { d.dmDuplex = DMDUP_VERTICAL; e.dwNupX = e.dwNupY = 2; },
         {{"DUPLEX", "DUPLEX"}, {"MULTIPAGE", "4"}, {"SPREADPAGE", "1"}}},
        {"short-edge duplex 2x1", [](DEVMODEW& d, DRVEXTRA& e, PDEV&) { d.dmDuplex = DMDUP_HORIZONTAL; e.dwNupX = 2; },
         {{"DUPLEX", "DUPLEX"}, {"MULTIPAGE", "2"}}},
        {"booklet", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.dwFinishingMode = FINISHINGMODE_BOOKLET; e.dwBookletFlags = BOOKLET_RIGHTTOLEFT; },
         {{"PRINTLAYOUT", "BOOKLET"}, {"DUPLEX", "DUPLEX"}, {"MULTIPAGE", "1"}, {"SPREADPAGE", "1"}, {"PRINTPAGES", "5"}}},
        {"booklet two-up", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.dwFinishingMode = FINISHINGMODE_BOOKLET; e.dwBookletFlags = BOOKLET_TWOUP; },
         {{"MULTIPAGE", "2"}}},
        {"poster of 4 tiles over 8 pages", [](DEVMODEW& d, DRVEXTRA& e, PDEV& p) {
             d.dmDuplex = DMDUP_VERTICAL; e.dwFinishingMode = FINISHINGMODE_POSTER; e.dwPosterTiles = 4; p.pageCount = 8; },
         {{"PRINTPAGES", "2"}, {"PRINTLAYOUT", "POSTER"}, {"DUPLEX", "SIMPLEX"}, {"MULTIPAGE", "1"}, {"SPREADPAGE", "4"}}},
        {"poster of a custom 3x2 grid", [](DEVMODEW&, DRVEXTRA& e, PDEV& p) {
             e.dwFinishingMode = FINISHINGMODE_POSTER; e.dwPosterTiles = -1; e.dwPosterX = 3; e.dwPosterY = 2; p.pageCount = 12; },
         {{"PRINTPAGES", "2"}, {"SPREADPAGE", "6"}}},
        {"unknown layout", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.dwFinishingMode = 3; },
         {{"PRINTLAYOUT", ""}, {"DUPLEX", ""}, {"MULTIPAGE", "0"}, {"SPREADPAGE", "0"}, {"PRINTPAGES", "5"}}},
        {"office mode and toner saving", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.wColorDensity = 1; e.wTonerSave = 2; },
         {{"OFFICEMODE", "ON"}, {"TONERSAVEMODE", "ON"}}},
        {"colour mode set", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.wColorMode = 1; e.wColorDensity = 1; e.wTonerSave = 1; },
         {{"OFFICEMODE", "OFF"}, {"TONERSAVEMODE", "ON"}}},
        {"no colour settings", [](DEVMODEW&, DRVEXTRA& e, PDEV&) { e.wColor = 8; e.wColorDensity = 1; e.wTonerSave = 1; },
         {{"OFFICEMODE", "OFF"}, {"TONERSAVEMODE", "OFF"}}},
    };
    const std::vector<std::string> order = {"QTY", "COPIES", "RENDERMODE", "PAPERSIZE", "PRINTPAGES", "PRINTLAYOUT",
                                            "DUPLEX", "MULTIPAGE", "SPREADPAGE", "OFFICEMODE", "TONERSAVEMODE"};
    const PDEV fresh = *pdev;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SPOOLBUFFER spool = pdev->spool;
        *pdev = fresh;
        pdev->spool = spool;
        c.settings(pdev->devmode.dmPublic, pdev->devmode.dmPrivate, *pdev);
        pdev->secure.open = TRUE;  // as inside the container's write_end frame: written plain
        WritePrePrintInfo(pdev);
        const jobreader::JobStream job = jobreader::ParseJob(kUel + Take() + kUel);
        ASSERT_TRUE(job.ok) << job.error;
        const auto items = PrePrintItems(job);
        std::vector<std::string> keys;
        std::map<std::string, std::string> values;
        for (const auto& [key, value] : items) {
            keys.push_back(key);
            values[key] = value;
        }
        EXPECT_EQ(keys, order);
        for (const auto& [key, value] : c.expected) EXPECT_EQ(values[key], value) << key;
    }
}

TEST_F(JobTrailer, RasterEndIsAppendedToTheRasterBlock)
{
    const std::string held = "page data";
    std::vector<BYTE> memory(256, 0xCC);
    SPOOLBUFFER& block = pdev->rasterBlock;
    block.start = memory.data();
    memcpy(block.start, held.data(), held.size());
    block.count = static_cast<DWORD>(held.size());
    block.cursor = block.start + block.count;

    AppendRasterEoj(pdev);
    const std::string expected = held + kUel + "@PJL EOJ NAME = \"End \"\n" + kUel;
    EXPECT_EQ(block.count, expected.size());
    EXPECT_EQ(block.cursor, block.start + block.count);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.start), block.count), expected)
        << "no ready message and no pre-print information";
    EXPECT_EQ(memory[block.count], 0xCC);
    EXPECT_TRUE(Take().empty()) << "nothing goes to the output channel";
    block = {};
}

}  // namespace
