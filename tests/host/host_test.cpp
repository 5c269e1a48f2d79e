// The print host on the real spooler: installing the driver, adding printers, and what the model
// data library reads back through a printer's handle. Every test runs as a process of its own,
// all in one machine, so each test uses printers named after itself.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "datafiles.h"
#include "install.h"
#include "model_queries.h"
#include "module.h"
#include "printers.h"
#include "spoolerinfo.h"
#include "test_files.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kC910J = L"Velmora ColorPage C910J";

// The models of the sample master data file, in file order, with their help files.
struct SampleModel {
    const wchar_t* name;
    const wchar_t* helpFile;
};
const SampleModel kSampleModels[] = {
    {L"Velmora ColorPage C710", DRV_MODULE_NAMEW L"UI.CHM"},
    {L"Velmora ColorPage C710N", DRV_MODULE_NAMEW L"UI.CHM"},
    {L"Velmora ColorPage C510", DRV_MODULE_NAMEW L"UI.CHM"},
    {L"Velmora ColorPage C910J", DRV_MODULE_NAMEW L"JUI.CHM"},
};

std::wstring TestName()
{
    return Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

class Host : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::wstring error;
        ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error)) << error;
        folder = installed.driverFolder;
    }
    void TearDown() override
    {
        for (HANDLE printer : opened) ClosePrinter(printer);
    }

    // Adds (or finds) this test's printer of the given model and opens it; NULL on failure.
    HANDLE OpenTestPrinter(const std::wstring& model, const std::wstring& suffix = L"")
    {
        std::wstring name = L"Host " + TestName() + suffix, error;
        EXPECT_TRUE(HostAddPrinter(name, model, &error)) << error;
        HANDLE printer = nullptr;
        if (!OpenPrinterW(name.data(), &printer, nullptr)) return nullptr;
        opened.push_back(printer);
        return printer;
    }

    // Checks the members that levels 2 and 3 of a driver record share, and the help file of 3.
    void ExpectRecord(const void* record, DWORD level, const std::wstring& model, const std::wstring& helpFile)
    {
        const auto* info = static_cast<const DRIVER_INFO_3W*>(record);
        EXPECT_EQ(info->cVersion, 3u);
        EXPECT_EQ(std::wstring(info->pName), model);
        EXPECT_EQ(std::wstring(info->pDriverPath), folder + DRV_UM_LIBRARY);
        EXPECT_EQ(std::wstring(info->pConfigFile), folder + DRV_UI_LIBRARY);
        EXPECT_EQ(std::wstring(info->pDataFile), folder + DRV_MODULE_NAMEW L"FNT.DLL");
        if (level == 3) {
            ASSERT_NE(info->pHelpFile, nullptr);
            EXPECT_EQ(std::wstring(info->pHelpFile), folder + helpFile);
        }
    }

    HostInstall installed;
    std::wstring folder;
    std::vector<HANDLE> opened;
};

TEST_F(Host, InstallsEveryListedFileAndRegistersEveryModel)
{
    const std::vector<std::wstring> files = DriverFileList(StagedDriverFolder());
    ASSERT_FALSE(files.empty());
    for (const std::wstring& rel : files) {
        const std::string staged = ReadTextFile(StagedDriverFolder() + rel);
        EXPECT_FALSE(staged.empty()) << rel;
        EXPECT_TRUE(ReadTextFile(folder + rel) == staged) << rel << L" differs from the staged file";
    }

    ASSERT_EQ(installed.models.size(), std::size(kSampleModels));
    for (size_t i = 0; i < installed.models.size(); ++i) EXPECT_EQ(installed.models[i].name, kSampleModels[i].name);

    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
    ASSERT_GT(needed, 0u);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumPrinterDriversW(nullptr, nullptr, 3, buffer.data(), needed, &needed, &count));
    std::map<std::wstring, const DRIVER_INFO_3W*> records;
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) records[info[i].pName] = &info[i];
    for (const SampleModel& model : kSampleModels) {
        SCOPED_TRACE(::testing::Message() << model.name);
        auto found = records.find(model.name);
        ASSERT_NE(found, records.end());
        ExpectRecord(found->second, 3, model.name, model.helpFile);
    }

    // Installing over the installed driver succeeds and names the same models.
    HostInstall again;
    std::wstring error;
    ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &again, &error)) << error;
    EXPECT_EQ(again.driverFolder, folder);
    EXPECT_EQ(again.models.size(), installed.models.size());
}

// The spooler reports a printer's driver files in the driver folder at levels 2 and 3, and the
// library's query hands the same record back in a block of global memory.
TEST_F(Host, PrinterDriverRecordNamesTheDriverFolder)
{
    HANDLE printer = OpenTestPrinter(kC710);
    ASSERT_NE(printer, nullptr);
    for (DWORD level : {2u, 3u}) {
        SCOPED_TRACE(::testing::Message() << "level " << level);
        DWORD needed = 0;
        GetPrinterDriverW(printer, nullptr, level, nullptr, 0, &needed);
        ASSERT_GT(needed, 0u);
        std::vector<BYTE> buffer(needed);
        ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, level, buffer.data(), needed, &needed));
        ExpectRecord(buffer.data(), level, kC710, DRV_MODULE_NAMEW L"UI.CHM");

        void* block = DrvGetPrinterDriverInfo(printer, level);
        ASSERT_NE(block, nullptr);
        EXPECT_GE(GlobalSize(block), needed);
        ExpectRecord(block, level, kC710, DRV_MODULE_NAMEW L"UI.CHM");
        EXPECT_EQ(GlobalFree(block), nullptr);
    }
    EXPECT_EQ(DrvGetPrinterDriverInfo(nullptr, 2), nullptr);
}

TEST_F(Host, PrinterRecordOfAnOpenedPrinter)
{
    HANDLE printer = OpenTestPrinter(kC910J);
    ASSERT_NE(printer, nullptr);
    auto* info = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(printer, 2));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::wstring(info->pPrinterName), L"Host " + TestName());
    EXPECT_EQ(std::wstring(info->pDriverName), kC910J);
    EXPECT_GE(GlobalSize(info), sizeof(PRINTER_INFO_2W));
    GlobalFree(info);
    EXPECT_EQ(DrvGetPrinterInfo(nullptr, 2), nullptr);
}

TEST_F(Host, DataFilePathOfThePrinterWithinItsBound)
{
    HANDLE printer = OpenTestPrinter(kC710);
    ASSERT_NE(printer, nullptr);
    const std::wstring expected = folder + DRV_MODULE_NAMEW L"FNT.DLL";
    constexpr wchar_t kSentinel = 0x2A2A;
    constexpr size_t kGuard = 8;
    struct Case {
        HANDLE printer;
        size_t cch;
        std::wstring want;
    };
    const Case cases[] = {
        {printer, MAX_PATH, expected},
        {printer, expected.size() + 1, expected},
        {printer, expected.size(), L""},
        {nullptr, MAX_PATH, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "cchOut " << c.cch << (c.printer ? "" : ", no printer"));
        std::vector<wchar_t> out(c.cch + kGuard, kSentinel);
        GetPrinterDataFilePath(c.printer, out.data(), c.cch);
        EXPECT_EQ(std::wstring(out.data()), c.want);
        for (size_t i = c.cch; i < out.size(); ++i) EXPECT_EQ(out[i], kSentinel) << "written at " << i;
    }
}

TEST_F(Host, HelpFileOfThePrintersModel)
{
    const struct {
        std::wstring model;
        std::wstring helpFile;
    } cases[] = {
        {kC710, DRV_MODULE_NAMEW L"UI.CHM"},   // from [General]
        {kC910J, DRV_MODULE_NAMEW L"JUI.CHM"}, // the model's own
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model);
        HANDLE printer = OpenTestPrinter(c.model, L" " + c.model.substr(c.model.rfind(L' ') + 1));
        ASSERT_NE(printer, nullptr);
        EXPECT_EQ(std::wstring(DrvGetHelpFilePath(printer)), folder + c.helpFile);
    }
    EXPECT_EQ(std::wstring(DrvGetHelpFilePath(nullptr)), L"");
}

TEST_F(Host, AddsAPrinterOnceWithItsDevmodeOnTheFilePort)
{
    const std::wstring name = L"Host printer whose name is longer than a DEVMODE holds";
    HANDLE old = nullptr;
    if (OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &old, nullptr)) {
        DeletePrinter(old);
        ClosePrinter(old);
    }

    std::wstring error;
    ASSERT_TRUE(HostAddPrinter(name, kC710, &error)) << error;
    ASSERT_TRUE(HostAddPrinter(name, kC710, &error)) << error;

    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, nullptr));
    opened.push_back(printer);
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    ASSERT_GT(needed, 0u);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(GetPrinterW(printer, 2, buffer.data(), needed, &needed));
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    EXPECT_EQ(std::wstring(info->pPrinterName), name);
    EXPECT_EQ(std::wstring(info->pDriverName), kC710);
    EXPECT_EQ(std::wstring(info->pPortName), L"FILE:");
    // Wine packs the DEVMODE behind the strings without aligning it: read it from a copy.
    const BYTE* at = reinterpret_cast<const BYTE*>(info->pDevMode);
    ASSERT_TRUE(at >= buffer.data() && at < buffer.data() + buffer.size());
    DEVMODEW devmode = {};
    memcpy(&devmode, at, std::min(sizeof devmode, static_cast<size_t>(buffer.data() + buffer.size() - at)));
    EXPECT_EQ(std::wstring(devmode.dmDeviceName, wcsnlen(devmode.dmDeviceName, CCHDEVICENAME)),
              name.substr(0, CCHDEVICENAME - 1));
    EXPECT_EQ(devmode.dmSpecVersion, 0x401);
    EXPECT_EQ(devmode.dmDriverVersion, 0x500);
    EXPECT_EQ(devmode.dmSize, sizeof devmode);
    EXPECT_EQ(devmode.dmDriverExtra, 0);
}

TEST_F(Host, RefusesPrintersItCannotAdd)
{
    const std::wstring existing = L"Host " + TestName();
    std::wstring error;
    ASSERT_TRUE(HostAddPrinter(existing, kC710, &error)) << error;

    const struct {
        std::wstring name;
        std::wstring driver;
    } cases[] = {
        {L"", kC710},
        {L"Host back\\slash", kC710},
        {L"Host comma, too", kC710},
        {L"Host " + TestName() + L" unknown driver", L"Velmora No Such Model"},
        {existing, L"Velmora ColorPage C510"},  // exists with another driver
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << L"\"" << c.name << L"\" with " << c.driver);
        error.clear();
        EXPECT_FALSE(HostAddPrinter(c.name, c.driver, &error));
        EXPECT_FALSE(error.empty());
        HANDLE printer = nullptr;
        if (c.name != existing && !c.name.empty()) {
            EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(c.name.c_str()), &printer, nullptr));
        }
        if (printer) ClosePrinter(printer);
    }

    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(existing.c_str()), &printer, nullptr));
    opened.push_back(printer);
    void* record = DrvGetPrinterDriverInfo(printer, 2);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::wstring(static_cast<DRIVER_INFO_2W*>(record)->pName), kC710);
    GlobalFree(record);
}

// The host's printers print to a file that the job names: what a job writes arrives there as is.
TEST_F(Host, JobBytesReachTheFileTheJobNames)
{
    HANDLE printer = OpenTestPrinter(kC710);
    ASSERT_NE(printer, nullptr);
    TempFolder out;
    std::wstring file = out.path() + L"job.prn", document = L"host job", dataType = L"RAW";
    const std::string bytes("\x1b%-12345X@PJL\r\n\0\x01\xff page data \x0c", 30);

    DOC_INFO_1W doc = {document.data(), file.data(), dataType.data()};
    ASSERT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc)), 0u);
    DWORD written = 0;
    EXPECT_TRUE(WritePrinter(printer, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
    EXPECT_EQ(written, bytes.size());
    ASSERT_TRUE(EndDocPrinter(printer));
    EXPECT_TRUE(ReadTextFile(file) == bytes);
}

}  // namespace
