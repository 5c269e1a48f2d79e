// Whole jobs printed through the print host as the print system prints them: a printer of a
// sample model, the job's settings in its DEVMODE, StartDoc, the pages, EndDoc, and the file the
// spooler wrote read back with the strict job-stream reader.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "crypto_standin.h"
#include "dc_road.h"
#include "driver_escapes.h"
#include "import_patch.h"
#include "job_reader.h"
#include "job_road.h"
#include "pdev.h"
#include "print_fixture.h"
#include "render_machine.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

using jobreader::Item;
using jobreader::JobStream;
using jobreader::Kind;

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kModels[] = {kC710, L"Velmora ColorPage C710N", L"Velmora ColorPage C510",
                                L"Velmora ColorPage C910J"};

using Change = std::function<void(DRVDEVMODE&)>;

// The sheets of a job: every form feed ends one.
size_t Sheets(const JobStream& job)
{
    size_t sheets = 0;
    for (const Item& item : job.items)
        if (item.kind == Kind::Data) sheets += static_cast<size_t>(std::count(item.text.begin(), item.text.end(), '\f'));
    return sheets;
}

// The value of the first PJL line of the key, "(none)" when there is none.
std::string Pjl(const JobStream& job, const std::string& key)
{
    const std::vector<std::string> values = jobreader::PjlValues(job, key);
    return values.empty() ? "(none)" : values.front();
}

using PdevChange = std::function<void(PDEV*)>;

// An escape sent on the job's DC before StartDoc, as the user-interface library sends it.
struct JobEscape {
    int code;
    std::string payload;
};

class PrintJob : public RenderMachine {
protected:
    // Prints the pages on a printer of the model with the default settings changed by change (on
    // the DEVMODE the application hands CreateDC), then by pdevChange on the settings the
    // rendering library holds (for what the sample printers' installed options do not offer),
    // with the escapes sent before StartDoc. The file's bytes ("" after a failure, which the test
    // is told of).
    std::string Print(const std::wstring& model, const Change& change, int pages, const std::wstring& suffix = L"",
                      const PdevChange& pdevChange = nullptr, const std::vector<JobEscape>& escapes = {})
    {
        HANDLE printer = Printer(model, suffix);
        if (!printer) return "";
        DRVDEVMODE dm = Defaults(printer);
        if (change) change(dm);
        TempFolder folder;
        const std::wstring output = folder.path() + L"job.prn";
        const HostJobData data = FixedJobData("Print Job");
        std::wstring error;
        HostDc dc;
        bool ok = HostCreateDc(printerName(), &dm.dmPublic, &dc, &error);
        if (ok && pdevChange) pdevChange(reinterpret_cast<PDEV*>(dc.pdev.dhpdev));
        for (const JobEscape& e : escapes) {
            if (!ok) break;
            ok = HostEscape(&dc, e.code, static_cast<int>(e.payload.size()), e.payload.data(), 0, nullptr) > 0;
            if (!ok) error = L"escape " + std::to_wstring(e.code) + L" refused";
        }
        ok = ok && HostStartDoc(&dc, L"Print Job", output, &error, &data);
        for (int page = 0; ok && page < pages; ++page) ok = HostStartPage(&dc, &error) && HostEndPage(&dc, &error);
        ok = ok && HostEndDoc(&dc, &error);
        std::wstring ignored;
        if (HostJobId(&dc) != 0) HostAbortDoc(&dc, &ignored);
        if (dc.hdc) HostDeleteDc(&dc, &ignored);
        if (!ok) {
            ADD_FAILURE() << Narrow(error);
            return "";
        }
        return ReadTextFile(output);
    }
};

// Every sample model prints a multi-page job that the reader takes without an unknown command:
// one header, a sheet a page, the trailer.
TEST_F(PrintJob, EverySampleModelPrintsAJobTheReaderAccepts)
{
    for (const std::wstring& model : kModels) {
        SCOPED_TRACE(Narrow(model));
        const std::string bytes = Print(model, nullptr, 3, model.substr(model.size() - 5));
        const JobStream job = jobreader::ParseJob(bytes);
        ASSERT_TRUE(job.ok) << job.error;
        ASSERT_FALSE(job.items.empty());
        EXPECT_EQ(job.items.front().kind, Kind::Uel);
        EXPECT_EQ(job.items.back().kind, Kind::Uel);
        EXPECT_EQ(jobreader::PjlValues(job, "JOB NAME"), std::vector<std::string>{"\"Print Job\""});
        EXPECT_EQ(jobreader::PjlValues(job, "ENTER LANGUAGE").size(), 1u);
        EXPECT_EQ(jobreader::PjlValues(job, "EOJ NAME").size(), 1u);
        EXPECT_EQ(Pjl(job, "COMMENT PREPRINTINFO : PRINTPAGES"), "3");
        EXPECT_EQ(Sheets(job), 3u);
        EXPECT_EQ(jobreader::PclCommands(job, "E").size() + jobreader::PclCommands(job, "", 'E').size(), 0u)
            << "no printer reset inside the pages";
    }
}

// The default job of each sample model, byte for byte (the build's date line masked).
TEST_F(PrintJob, DefaultJobsMatchTheirGoldenFiles)
{
    for (const std::wstring& model : kModels) {
        SCOPED_TRACE(Narrow(model));
        const std::string bytes = MaskBuildDate(Print(model, nullptr, 2, model.substr(model.size() - 5)));
        ASSERT_FALSE(bytes.empty());
        std::wstring file = model.substr(model.find_last_of(L' ') + 1) + L".prn";
        EXPECT_TRUE(MatchesGolden(file, bytes));
    }
}

// One table of job settings, each checked for the lines and commands it gives and the sheets the
// pages take.
TEST_F(PrintJob, SettingsReachTheHeaderAndThePageSetUp)
{
    struct Expect {
        std::string key;    // a PJL key ("SET QTY") or a PCL command ("&l" + letter, as "&lA")
        std::string value;  // "(none)" for absent
    };
    OVERLAY_ENTRY overlay = {};
    overlay.dwId = 1;
    overlay.sMacro[0] = 12;
    overlay.sMacro[1] = 13;
    overlay.sMacro[2] = -1;
    overlay.sPageSelect = OVERLAY_FIRST_PAGE;
    const std::string overlayPayload(reinterpret_cast<const char*>(&overlay), sizeof overlay);
    const struct Case {
        const char* name;
        Change change;
        PdevChange pdevChange;
        std::vector<JobEscape> escapes;
        int pages;
        size_t sheets;
        std::vector<Expect> expected;
    } cases[] = {
        {"A4", [](DRVDEVMODE& d) { d.dmPublic.dmPaperSize = DMPAPER_A4; }, nullptr, {}, 2, 2,
         {{"SET TAVXDIMENSIONMILLIMETER", "210"}, {"SET TAVYDIMENSIONMILLIMETER", "297"}, {"SET INTRAY2SIZE", "A4"},
          {"&lA", "26"}}},
        // The multipurpose tray is not in the C710's source list: the settings merge would replace it.
        {"multipurpose tray", [](DRVDEVMODE& d) { d.dmPrivate.wCoverPrint = 0; },
         [](PDEV* p) { p->devmode.dmPublic.dmDefaultSource = 257; }, {}, 2, 2, {{"&lH", "4"}}},
        {"cover from the multipurpose tray", [](DRVDEVMODE& d) {
             d.dmPublic.dmDefaultSource = 7;
             d.dmPrivate.wCoverPrint = 1;
             d.dmPrivate.wCoverSource = 257;
         },
         nullptr, {}, 2, 2, {{"&lH", "4"}}},
        {"copies collated", [](DRVDEVMODE& d) {
             d.dmPublic.dmCopies = 4;
             d.dmPublic.dmCollate = DMCOLLATE_TRUE;
             d.dmPrivate.wCollate = 1;
         },
         nullptr, {}, 2, 2, {{"SET QTY", "4"}, {"SET COPIES", "1"}}},
        {"grey", [](DRVDEVMODE& d) {
             d.dmPublic.dmFields |= DM_COLOR;
             d.dmPublic.dmColor = DMCOLOR_MONOCHROME;
         },
         nullptr, {}, 2, 2, {{"SET RENDERMODE", "GRAYSCALE"}, {"&bM", "1"}}},
        {"colour", [](DRVDEVMODE& d) {
             d.dmPublic.dmFields |= DM_COLOR;
             d.dmPublic.dmColor = DMCOLOR_COLOR;
         },
         nullptr, {}, 2, 2, {{"SET RENDERMODE", "COLOR"}, {"&bM", "0"}}},
        {"proof of five", [](DRVDEVMODE& d) {
             d.dmPublic.dmCopies = 5;
             d.dmPrivate.wJobType = 1;
             d.dmPrivate.dwPin = 42;
         },
         nullptr, {}, 2, 2, {{"SET QTY", "4"}, {"SET COPIES", "1"}}},
        {"landscape", [](DRVDEVMODE& d) { d.dmPublic.dmOrientation = DMORIENT_LANDSCAPE; }, nullptr, {}, 2, 2,
         {{"&lO", "1"}}},
        {"manual duplex", [](DRVDEVMODE& d) {
             d.dmPrivate.wManualDuplex = 1;
             d.dmPrivate.dwManualDuplexSheets = 2;
         },
         nullptr, {}, 2, 2, {{"SET TAVMANUALDUPLEX", "ON"}, {"SET TAVNOTIFYPAPERSIDE", "OFF"}}},
        // The sample printers have no duplex unit or finisher installed: the settings the
        // rendering library holds are made those of a printer that has them.
        {"duplex long edge", nullptr, [](PDEV* p) { p->devmode.dmPublic.dmDuplex = DMDUP_VERTICAL; }, {}, 2, 2,
         {{"&lS", "1"}, {"&aG", "1"}}},
        {"duplex short edge", nullptr, [](PDEV* p) { p->devmode.dmPublic.dmDuplex = DMDUP_HORIZONTAL; }, {}, 2, 2,
         {{"&lS", "2"}}},
        {"stapled in the finisher", nullptr, [](PDEV* p) {
             p->devmode.dmPrivate.wOutputBin = 18;
             p->devmode.dmPrivate.dwFinishing = 0x10;
         },
         {}, 2, 2, {{"SET TAVSTAPLER", "ON"}, {"SET TAVSTAPLERPOSITION", "REARCORNER"}, {"SET OUTBIN", "OPTIONALOUTBIN1"}}},
        {"overlay on the first page", nullptr, nullptr, {{DRVESC_OVERLAY, overlayPayload}}, 2, 2, {{"&fY", "12"}}},
        {"poster of four", [](DRVDEVMODE& d) {
             d.dmPrivate.dwFinishingMode = FINISHINGMODE_POSTER;
             d.dmPrivate.dwPosterTiles = 4;
         },
         nullptr, {}, 1, 1, {{"&lS", "0"}, {"COMMENT PREPRINTINFO : PRINTLAYOUT", "POSTER"}}},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes =
            Print(kC710, c.change, c.pages, L" " + std::to_wstring(index++), c.pdevChange, c.escapes);
        const JobStream job = jobreader::ParseJob(bytes);
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(Sheets(job), c.sheets);
        for (const Expect& e : c.expected) {
            if (e.key[0] == '&' || e.key[0] == '*') {
                const std::vector<const Item*> found =
                    jobreader::PclCommands(job, e.key.substr(0, 2), e.key[2]);
                EXPECT_EQ(found.empty() ? "(none)" : found.front()->value, e.value) << e.key;
            } else {
                EXPECT_EQ(Pjl(job, e.key), e.value) << e.key;
            }
        }
    }
}

// How pages fill sheets: N-up cells, pages joined on a long sheet, interleave sheets behind
// transparencies.
TEST_F(PrintJob, PagesFillTheirSheets)
{
    const struct Case {
        const char* name;
        Change change;
        PdevChange pdevChange;
        int pages;
        size_t sheets;
    } cases[] = {
        {"2-up, 3 pages", [](DRVDEVMODE& d) {
             d.dmPrivate.dwMultipage = 1;
             d.dmPrivate.dwNupX = 2;
             d.dmPrivate.dwNupY = 1;
         },
         nullptr, 3, 2},
        {"4-up, 5 pages", [](DRVDEVMODE& d) {
             d.dmPrivate.dwMultipage = 2;
             d.dmPrivate.dwNupX = 2;
             d.dmPrivate.dwNupY = 2;
         },
         nullptr, 5, 2},
        // A long sheet of 90 mm takes five pages; the last two go out at the end of the document.
        // (The sample models list no long paper: the settings the rendering library holds are made
        // those of a long-paper job.)
        {"long paper joined", nullptr, [](PDEV* p) {
             p->devmode.dmPublic.dmPaperSize = 275;
             p->devmode.dmPublic.dmPaperLength = 900;
             p->devmode.dmPrivate.wSlpMargin = 0;
             p->geo.superLong = 1;
         },
         12, 3},
        {"no pages: no header, no trailer", nullptr, nullptr, 0, 0},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JobStream job = jobreader::ParseJob(Print(kC710, c.change, c.pages, L" " + std::to_wstring(index++), c.pdevChange));
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(Sheets(job), c.sheets);
    }
}

// Behind every sheet of transparencies an interleave sheet is fed from its tray, with a mark on
// it so that it is not taken for a blank page.
TEST_F(PrintJob, TransparenciesGetInterleaveSheets)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    HostDc dc;
    std::wstring error;
    ASSERT_TRUE(HostCreateDc(printerName(), nullptr, &dc, &error)) << Narrow(error);
    // The sample model's trays take no transparencies: the settings the rendering library holds
    // are made those of such a job.
    PDEV* pdev = reinterpret_cast<PDEV*>(dc.pdev.dhpdev);
    pdev->devmode.dmPublic.dmDefaultSource = 1;
    DRVEXTRA& settings = pdev->devmode.dmPrivate;
    settings.wMediaType = 6;
    settings.wCoverPrint = 0;
    settings.wInterleave = 1;
    settings.wInterleaveSource = 259;
    TempFolder folder;
    const std::wstring output = folder.path() + L"interleave.prn";
    const HostJobData data = FixedJobData("Interleave");
    ASSERT_TRUE(HostStartDoc(&dc, L"Interleave", output, &error, &data)) << Narrow(error);
    for (int page = 0; page < 2; ++page) ASSERT_TRUE(HostStartPage(&dc, &error) && HostEndPage(&dc, &error));
    ASSERT_TRUE(HostEndDoc(&dc, &error)) << Narrow(error);
    ASSERT_TRUE(HostDeleteDc(&dc, &error));

    const JobStream job = jobreader::ParseJob(ReadTextFile(output));
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(Sheets(job), 4u);
    std::vector<std::string> sources;
    for (const Item* item : jobreader::PclCommands(job, "&l", 'H')) sources.push_back(item->value);
    // Tray 2 for the transparencies, tray 3 for each interleave sheet.
    EXPECT_EQ(sources, (std::vector<std::string>{"1", "5", "1", "5"}));
    size_t marks = 0;
    for (const Item& item : job.items)
        if (item.kind == Kind::Data && item.text.find(" \f") != std::string::npos) ++marks;
    EXPECT_EQ(marks, 2u);
}

// A printer with validation codes gets their blocks on a Japanese system, unless the job goes to a
// file.
TEST_F(PrintJob, ValidationCodesGoToPrintersOnJapaneseSystemsUnlessPrintedToAFile)
{
    const std::wstring kC910J = L"Velmora ColorPage C910J";
    ASSERT_NE(Printer(kC910J), nullptr);
    FixedLocaleCountry japan(L"81", driver.module());
    ASSERT_TRUE(japan.active());
    // No sample model carries the capability: the model record the job's PDEV reads is given it
    // for the job, and left as it was.
    MODELINFO* model = nullptr;
    DWORD savedFlags = 0;
    const PdevChange withValCode = [&](PDEV* p) {
        model = p->model;
        savedFlags = model->dwCapFlags;
        model->dwCapFlags |= MIF_VALCODE;
    };
    const std::vector<JobEscape> toFile = {{DRVESC_PORTNAME, std::string("FILE:", 6)},
                                           {DRVESC_HOST_ADDRESS, std::string("host-1", 7)}};
    const struct Case {
        const char* name;
        std::vector<JobEscape> escapes;
        bool blocks;
    } cases[] = {{"to the printer", {}, true}, {"to a file", toFile, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JobStream job = jobreader::ParseJob(Print(kC910J, nullptr, 1, L"", withValCode, c.escapes));
        if (model) model->dwCapFlags = savedFlags;
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(!jobreader::PjlValues(job, "TAVRESOURCEWRITE LOCATION").empty(), c.blocks);
    }
}

// A secure job leaves encrypted behind its plain preface; decrypted it is the job as it prints.
TEST_F(PrintJob, SecureJobDecryptsToThePrintedStream)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    // The encryption library is taken from the rendering library's folder only.
    const std::wstring library = installed.driverFolder + L"VRCRYPT.DLL";
    CopyFileW((StagedDriverFolder() + L"VRCRYPT.DLL").c_str(), library.c_str(), TRUE);
    ASSERT_TRUE(FileExists(library));
    HMODULE standin = LoadLibraryW(library.c_str());
    ASSERT_NE(standin, nullptr);
    auto encrypt = reinterpret_cast<PFN_EncryptPassword>(reinterpret_cast<void*>(GetProcAddress(standin, "EncryptPassword")));
    ASSERT_NE(encrypt, nullptr);

    HostDc dc;
    std::wstring error;
    ASSERT_TRUE(HostCreateDc(printerName(), nullptr, &dc, &error)) << Narrow(error);
    // The user-interface library offers secure printing only on systems before Windows 6 and with
    // the printer's hard disk; the job's settings as the rendering library holds them are made
    // those of a secure job here.
    DRVEXTRA& settings = reinterpret_cast<PDEV*>(dc.pdev.dhpdev)->devmode.dmPrivate;
    settings.wSecureMode = 1;
    settings.dwSecureOption1 = 2;
    settings.dwSecureOption2 = 3;
    WCHAR path[260] = {};
    library.copy(path, 259);
    EXPECT_EQ(HostEscape(&dc, DRVESC_CRYPTO_DLL_PATH, sizeof path, path, 0, nullptr), 1);
    const std::string password = "2468";
    BYTE blob[CRYPTO_PIN_BLOB_BYTES] = {};
    DWORD blobLength = CRYPTO_PIN_BLOB_MAX;
    ASSERT_TRUE(encrypt(password.data(), static_cast<DWORD>(password.size()), blob, &blobLength));
    EXPECT_EQ(HostEscape(&dc, DRVESC_ENCRYPTED_PIN, static_cast<int>(blobLength), blob, 0, nullptr), 1);

    TempFolder folder;
    const std::wstring output = folder.path() + L"secure.prn";
    const HostJobData data = FixedJobData("Secure");
    ASSERT_TRUE(HostStartDoc(&dc, L"Secure", output, &error, &data)) << Narrow(error);
    const int pages = 120;
    for (int page = 0; page < pages; ++page) {
        ASSERT_TRUE(HostStartPage(&dc, &error)) << Narrow(error);
        ASSERT_TRUE(HostEndPage(&dc, &error)) << Narrow(error);
    }
    ASSERT_TRUE(HostEndDoc(&dc, &error)) << Narrow(error);
    ASSERT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);
    FreeLibrary(standin);

    const std::string stream = ReadTextFile(output);
    const standin::SecureStream split = standin::SplitSecureStream(stream);
    ASSERT_TRUE(split.ok) << split.error;
    EXPECT_EQ(split.before.rfind("\x1b%-12345X@PJL JOB NAME = \"Secure\"\n", 0), 0u) << split.before.substr(0, 60);
    EXPECT_EQ(split.before.find('\f'), std::string::npos) << "no page leaves in plain";
    const standin::Decrypted plain = standin::DecryptSecureFrames(split.frames, password);
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_GT(plain.plain.size(), 10000u);
    // The printer reads the decrypted stream as the continuation of the preface's PJL job.
    const JobStream job = jobreader::ParseJob("\x1b%-12345X" + plain.plain);
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(Sheets(job), static_cast<size_t>(pages));
    EXPECT_EQ(jobreader::PjlValues(job, "ENTER LANGUAGE").size(), 1u);
}

// A write the spooler refuses fails the job: the page that flushed reports it, later pages and
// the end of the document write nothing more and report failure too.
TEST_F(PrintJob, RefusedWriteFailsThePageAndEverythingAfter)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    HostDc dc;
    std::wstring error;
    ASSERT_TRUE(HostCreateDc(printerName(), nullptr, &dc, &error)) << Narrow(error);
    TempFolder folder;
    const HostJobData data = FixedJobData("Refused");
    ASSERT_TRUE(HostStartDoc(&dc, L"Refused", folder.path() + L"refused.prn", &error, &data)) << Narrow(error);
    const DWORD firstJob = reinterpret_cast<const PDEV*>(dc.pdev.dhpdev)->jobId;
    {
        RefusingSpooler refuse(dc.driver->module());
        ASSERT_TRUE(refuse.active());
        ASSERT_TRUE(HostStartPage(&dc, &error)) << Narrow(error);
        EXPECT_FALSE(HostEndPage(&dc, &error));
        const int attempts = RefusingSpooler::calls();
        EXPECT_GT(attempts, 0);
        EXPECT_FALSE(HostStartPage(&dc, &error));
        EXPECT_FALSE(HostEndPage(&dc, &error));
        EXPECT_FALSE(HostEndDoc(&dc, &error));
        EXPECT_EQ(RefusingSpooler::calls(), attempts) << "nothing is written after the failure";
    }
    // The next document on the DC prints, and the PDEV keeps the job id of its first document.
    ASSERT_TRUE(HostStartDoc(&dc, L"Next", folder.path() + L"next.prn", &error, &data)) << Narrow(error);
    ASSERT_TRUE(HostStartPage(&dc, &error) && HostEndPage(&dc, &error)) << Narrow(error);
    ASSERT_TRUE(HostEndDoc(&dc, &error)) << Narrow(error);
    EXPECT_EQ(reinterpret_cast<const PDEV*>(dc.pdev.dhpdev)->jobId, firstJob);
    EXPECT_TRUE(jobreader::ParseJob(ReadTextFile(folder.path() + L"next.prn")).ok);
    EXPECT_TRUE(HostDeleteDc(&dc, &error));
}

}  // namespace
