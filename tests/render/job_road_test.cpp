// Jobs printed through the print host as the print system prints a RAW job straight to the driver:
// the installed rendering library writes the job with WritePrinter and the spooler puts the bytes
// into the file the job names. The library's WritePrinter import is pointed at a recorder (or a
// refusing fake) so that the file can be checked against what the library wrote.
#include <windows.h>
#include <winspool.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dc_road.h"
#include "escape.h"
#include "import_patch.h"
#include "install.h"
#include "job_reader.h"
#include "job_road.h"
#include "module.h"
#include "pdev.h"
#include "print_fixture.h"
#include "render_machine.h"
#include "test_files.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
// The job of a PCL printer starts with the PJL universal exit.
const std::string kUniversalExit = "\x1b%-12345X";

// What the rendering library handed WritePrinter, and whether the spooler gets it.
struct Spooler {
    using WriteFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD);
    static WriteFn& real()
    {
        static WriteFn write;
        return write;
    }
    static std::string& written()
    {
        static std::string bytes;
        return bytes;
    }
    static int& refused()
    {
        static int calls;
        return calls;
    }
    static BOOL WINAPI Record(HANDLE printer, LPVOID data, DWORD cb, LPDWORD done)
    {
        written().append(static_cast<const char*>(data), cb);
        return real()(printer, data, cb, done);
    }
    static BOOL WINAPI Refuse(HANDLE, LPVOID, DWORD, LPDWORD done)
    {
        ++refused();
        if (done) *done = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
};

// The names of the files in a folder.
std::set<std::wstring> FilesIn(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// A job read back by the strict reader as one line per command; empty when the reader refuses it.
std::vector<std::string> Commands(const std::string& bytes)
{
    const jobreader::JobStream job = jobreader::ParseJob(bytes);
    EXPECT_TRUE(job.ok) << job.error;
    std::vector<std::string> lines;
    if (!job.ok) return lines;
    for (const jobreader::Item& item : job.items) {
        std::string pcl;
        for (char c : {item.parameter, item.group})
            if (c) pcl += c;
        pcl += item.value;
        if (item.letter) pcl += item.letter;
        lines.push_back(std::to_string(static_cast<int>(item.kind)) + " " + item.text + " " + pcl + " " + item.mnemonic +
                        " " + item.payload);
    }
    return lines;
}

// The spooler fails to end the job (the disk is full when it writes the job's file).
struct FailingSpoolerEnd {
    using EndDocFn = BOOL(WINAPI*)(HANDLE);
    static EndDocFn& real()
    {
        static EndDocFn end;
        return end;
    }
    static BOOL WINAPI EndDoc(HANDLE printer)
    {
        real()(printer);
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
};

class JobRoad : public RenderMachine {
protected:
    std::wstring AddPrinter(const std::wstring& model)
    {
        HANDLE printer = Printer(model);  // the test holds the rendering library loaded
        EXPECT_NE(printer, nullptr);
        return printer ? printerName() : std::wstring();
    }

    // The job an application runs: StartDoc, the pages, EndDoc; a failing page aborts it.
    static bool RunJob(HostDc* dc, int pages, const std::wstring& output, std::wstring* error)
    {
        const HostJobData data = FixedJobData("Job Road");
        if (!HostStartDoc(dc, L"Job Road", output, error, &data)) return false;
        for (int page = 0; page < pages; ++page) {
            if (!HostStartPage(dc, error) || !HostEndPage(dc, error)) {
                HostAbortDoc(dc);
                return false;
            }
        }
        return HostEndDoc(dc, error);
    }
};

TEST_F(JobRoad, TwoPageJobLandsInTheNamedFileAsTheDriverWroteIt)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    ImportPatch record(driver.module(), "winspool.drv", "WritePrinter", reinterpret_cast<void*>(&Spooler::Record));
    ASSERT_TRUE(record.active());
    Spooler::real() = record.original<Spooler::WriteFn>();
    Spooler::written().clear();

    // A longer file of an earlier job is there already: none of it may survive.
    TempFolder folder;
    const std::wstring output = folder.path() + L"two pages.prn";
    ASSERT_TRUE(folder.write(L"two pages.prn", std::string(256 * 1024, 'x')));

    const HostJobData data = FixedJobData("Two Pages");
    std::wstring error;
    ASSERT_TRUE(HostPrintJob(name, nullptr, L"Two Pages", 2, output, &data, &error)) << Narrow(error);

    const std::string file = ReadTextFile(output);
    EXPECT_EQ(file.size(), Spooler::written().size());
    EXPECT_TRUE(file == Spooler::written()) << "the file holds exactly what the driver wrote";
    EXPECT_EQ(file.compare(0, kUniversalExit.size(), kUniversalExit), 0) << file.substr(0, 32);
}

// StartDoc hands the rendering library the job data (the document name cut to what it keeps) and
// the spooler's job id; an aborted job leaves neither a file nor an open job behind.
TEST_F(JobRoad, StartDocSendsTheJobDataAndAbortLeavesNothing)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    TempFolder folder;
    const std::wstring output = folder.path() + L"aborted.prn";
    HostDc dc;
    std::wstring error;
    ASSERT_TRUE(HostCreateDc(name, nullptr, &dc, &error)) << Narrow(error);

    const std::string longName(ESC_DOCNAME_MAX_BYTES + 20, 'd');
    const HostJobData data = FixedJobData(longName);
    ASSERT_TRUE(HostStartDoc(&dc, L"Aborted", output, &error, &data)) << Narrow(error);
    const DWORD id = HostJobId(&dc);
    EXPECT_NE(id, 0u);
    EXPECT_NE(dc.pdev.surface, nullptr);

    const auto* pdev = reinterpret_cast<const PDEV*>(dc.pdev.dhpdev);
    ASSERT_TRUE(IsValidPDEV(pdev));
    EXPECT_EQ(pdev->jobId, id);
    EXPECT_EQ(memcmp(&pdev->osVersion, &data.osVersion, sizeof data.osVersion), 0);
    const ESCAPEBLOCK& docName = pdev->escItems[ESCITEM_DOCNAME];
    ASSERT_NE(docName.data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(docName.data)), longName.substr(0, ESC_DOCNAME_MAX_BYTES));
    const ESCAPEBLOCK& version = pdev->escItems[ESCITEM_DRIVER_VERSION];
    ASSERT_NE(version.data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(version.data), version.size),
              data.driverVersion + std::string(1, '\0'));

    ASSERT_TRUE(HostStartPage(&dc, &error)) << Narrow(error);
    ASSERT_TRUE(HostAbortDoc(&dc, &error)) << Narrow(error);
    EXPECT_EQ(HostJobId(&dc), 0u);
    DWORD needed = 0;
    EXPECT_FALSE(GetJobW(dc.printer, id, 1, nullptr, 0, &needed) || needed != 0) << "the job is still open";
    EXPECT_FALSE(FileExists(output));
    EXPECT_FALSE(HostEndDoc(&dc, &error)) << "no document after the abort";
    ASSERT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);
    EXPECT_FALSE(FileExists(output)) << "closing the printer printed the aborted job";
}

// A job that fails (the driver lacks a document hook, or the spooler refuses its bytes) reports
// why, leaves no open job and no bytes in its file, and the DC prints the next job.
TEST_F(JobRoad, FailedJobsReportWhyAndLeaveNoOpenJob)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    struct Case {
        const char* name;
        ULONG withoutHook;  // 0: every hook, the spooler refuses the writes
        const wchar_t* reason;
    } cases[] = {
        {"no DrvStartDoc", INDEX_DrvStartDoc, L"DrvStartDoc"},
        {"no DrvEndDoc", INDEX_DrvEndDoc, L"DrvEndDoc"},
        {"WritePrinter fails", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::wstring output = folder.path() + L"failed.prn";
        HostDc dc;
        std::wstring error;
        ASSERT_TRUE(HostCreateDc(name, nullptr, &dc, &error)) << Narrow(error);
        {
            // The engine reads the driver's hooks from the table DrvEnableDriver handed it: the
            // road's copy of that record is pointed at a table without the hook.
            auto& enabled = const_cast<DRVENABLEDATA&>(dc.driver->enableData());
            const DRVENABLEDATA saved = enabled;
            std::vector<DRVFN> table;
            for (ULONG i = 0; i < saved.c; ++i)
                if (saved.pdrvfn[i].iFunc != c.withoutHook) table.push_back(saved.pdrvfn[i]);
            enabled.pdrvfn = table.data();
            enabled.c = static_cast<ULONG>(table.size());
            Spooler::refused() = 0;
            std::unique_ptr<ImportPatch> refuse;
            if (!c.withoutHook)
                refuse = std::make_unique<ImportPatch>(dc.driver->module(), "winspool.drv", "WritePrinter",
                                                       reinterpret_cast<void*>(&Spooler::Refuse));

            EXPECT_FALSE(RunJob(&dc, 2, output, &error));
            if (c.reason) EXPECT_NE(error.find(c.reason), std::wstring::npos) << Narrow(error);
            else EXPECT_GT(Spooler::refused(), 0) << Narrow(error);
            EXPECT_EQ(HostJobId(&dc), 0u);
            EXPECT_TRUE(ReadTextFile(output).empty()) << "no bytes of the failed job";
            enabled = saved;
        }
        ASSERT_TRUE(RunJob(&dc, 1, output, &error)) << "the next job: " << Narrow(error);
        EXPECT_EQ(ReadTextFile(output).compare(0, kUniversalExit.size(), kUniversalExit), 0);
        EXPECT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);
    }
}

// Document names that would end the job name's quoted PJL value and add commands of their own
// reach the job cleaned as the user-interface library cleans them: the job holds exactly the
// commands the clean name gives.
TEST_F(JobRoad, HostileDocumentNamesGiveTheCommandsOfTheirCleanNames)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    const struct {
        const wchar_t* hostile;
        const char* clean;
    } cases[] = {
        {L"Quarterly \"Report\"", "Quarterly  Report "},
        {L"Memo\"\r\n@PJL SET COPIES=99\r\n@PJL SET RESOLUTION=300", "Memo "},
        {L"Letter\x1b%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\r\n", "Letter"},
        {L"Notes\n@PJL DEFAULT DUPLEX=ON", "Notes"},
        {L"Plan\x7f\x1b" L"E", "Plan"},
        {L"\"\x1b*r1A", " "},
        {L"\r\n@PJL JOB NAME = \"x\"", ""},
        {L"Budget\x0c\"", "Budget"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clean);
        std::vector<std::string> jobs;
        for (const std::wstring& docName : {std::wstring(c.hostile), Widen(c.clean)}) {
            const std::wstring output = folder.path() + L"named.prn";
            std::wstring error;
            ASSERT_TRUE(HostPrintJob(name, nullptr, docName, 1, output, nullptr, &error)) << Narrow(error);
            jobs.push_back(ReadTextFile(output));
        }
        const jobreader::JobStream job = jobreader::ParseJob(jobs[0]);
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(jobreader::PjlValues(job, "JOB NAME"), std::vector<std::string>{"\"" + std::string(c.clean) + "\""});
        EXPECT_EQ(Commands(jobs[0]), Commands(jobs[1]));
    }
}

// A job that fails leaves nothing of itself where the user asked for it: a file of an earlier job
// there stays as it was, and no other file is left in the folder. The reason carries the error
// code of the call that failed.
TEST_F(JobRoad, FailedJobLeavesNothingOfItselfAndKeepsTheEarlierFile)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    enum class Failure { PageWrite, TrailerWrite, SpoolerEnd, NoFolder };
    const struct {
        const char* what;
        Failure failure;
        const wchar_t* reason;
    } cases[] = {
        {"a page's write refused", Failure::PageWrite, L"DrvSendPage failed"},
        {"the trailer's write refused", Failure::TrailerWrite, L"DrvEndDoc failed"},
        {"the spooler cannot write the file", Failure::SpoolerEnd, L"EndDocPrinter failed"},
        {"the folder does not exist", Failure::NoFolder, L"cannot write a file into"},
    };
    const std::string earlier = "the bytes of an earlier job";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::wstring output = folder.path() + (c.failure == Failure::NoFolder ? L"missing\\job.prn" : L"job.prn");
        if (c.failure != Failure::NoFolder) {
            ASSERT_TRUE(folder.write(L"job.prn", earlier));
        }
        HostDc dc;
        std::wstring error;
        ASSERT_TRUE(HostCreateDc(name, nullptr, &dc, &error)) << Narrow(error);
        std::unique_ptr<RefusingSpooler> refuse;
        if (c.failure == Failure::PageWrite) refuse = std::make_unique<RefusingSpooler>(dc.driver->module());
        std::unique_ptr<ImportPatch> spoolerEnd;
        if (c.failure == Failure::SpoolerEnd) {
            spoolerEnd = std::make_unique<ImportPatch>(SelfModule(), "winspool.drv", "EndDocPrinter",
                                                       reinterpret_cast<void*>(&FailingSpoolerEnd::EndDoc));
            ASSERT_TRUE(spoolerEnd->active());
            FailingSpoolerEnd::real() = spoolerEnd->original<FailingSpoolerEnd::EndDocFn>();
        }

        const HostJobData data = FixedJobData("Failing");
        bool ok = HostStartDoc(&dc, L"Failing", output, &error, &data);
        for (int page = 0; ok && page < 2; ++page) ok = HostStartPage(&dc, &error) && HostEndPage(&dc, &error);
        if (ok) {
            if (c.failure == Failure::TrailerWrite) refuse = std::make_unique<RefusingSpooler>(dc.driver->module());
            ok = HostEndDoc(&dc, &error);
        } else if (HostJobId(&dc)) {
            HostAbortDoc(&dc);
        }
        EXPECT_FALSE(ok);
        EXPECT_NE(error.find(c.reason), std::wstring::npos) << Narrow(error);
        if (c.failure == Failure::SpoolerEnd) {
            EXPECT_NE(error.find(L"(error 112)"), std::wstring::npos) << Narrow(error);
        }
        if (c.failure == Failure::NoFolder) {
            EXPECT_NE(error.find(L"(error "), std::wstring::npos) << Narrow(error);
            EXPECT_EQ(error.find(L"(error 0)"), std::wstring::npos) << Narrow(error);
        }
        EXPECT_EQ(HostJobId(&dc), 0u);
        refuse.reset();
        spoolerEnd.reset();
        EXPECT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);

        if (c.failure == Failure::NoFolder) {
            EXPECT_TRUE(FilesIn(folder.path()).empty());
        } else {
            EXPECT_EQ(FilesIn(folder.path()), std::set<std::wstring>{L"job.prn"});
            EXPECT_EQ(ReadTextFile(output), earlier);
        }
    }
}

// An install refused for a damaged master data file changes nothing: the printers print as
// before.
TEST_F(JobRoad, RefusedInstallLeavesThePrintersPrinting)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    TempFolder staging;
    ASSERT_TRUE(CopyDriverFiles(StagedDriverFolder(), staging.path()));
    const std::wstring master = std::wstring(DRV_MODULE_NAMEW) + L".DAT";
    const std::string good = ReadTextFile(staging.path() + master);
    const size_t firstModel = good.find("\n[Velmora");
    ASSERT_NE(firstModel, std::string::npos);
    const struct {
        const char* what;
        std::string text;
        const char* refusal;
    } cases[] = {
        {"cut before its first model", good.substr(0, firstModel), "names no model"},
        {"overwritten with zeros", std::string(good.size(), '\0'), "is not an INI file"},
        {"a model's data file renamed", good.substr(0, good.find("C710C.INI")) + "C710X.INI" +
                                            good.substr(good.find("C710C.INI") + 9),
         "\"models\\C710X.INI\", which the driver does not have"},
        {"a model whose name does not fit",
         good + "\r\n[Velmora ColorPage " + std::string(14, 'L') + "]\r\nDefaultFile=models\\C710.INI\r\n",
         "has a name of 32 characters"},
        {"a model's string library missing", good.substr(0, good.find("C710C.INI") + 9) + "\r\nStringResDLL=NOSUCH%s.DLL" +
                                                 good.substr(good.find("C710C.INI") + 9),
         "the driver has no NOSUCHENU.DLL"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(staging.write(master, c.text));
        std::wstring error;
        EXPECT_FALSE(HostInstallDriver(staging.path(), DRV_MODULE_NAMEW, nullptr, &error));
        EXPECT_NE(Narrow(error).find(c.refusal), std::string::npos) << Narrow(error);
        EXPECT_TRUE(ReadTextFile(installed.driverFolder + master) == good) << "the installed master data file changed";

        const HostJobData data = FixedJobData("After");
        ASSERT_TRUE(HostPrintJob(name, nullptr, L"After", 1, folder.path() + L"after.prn", &data, &error))
            << Narrow(error);
        EXPECT_FALSE(Commands(ReadTextFile(folder.path() + L"after.prn")).empty());
    }
}

}  // namespace
