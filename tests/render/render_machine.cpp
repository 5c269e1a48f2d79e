// The test machine for the rendering library driven through the print host.
#include "render_machine.h"

#include <winspool.h>

#include <cstring>

#include "datafiles.h"
#include "devmode.h"
#include "drvglobals.h"
#include "hostlock.h"
#include "model_access.h"
#include "modeltable.h"
#include "module.h"
#include "printers.h"
#include "sample_machine.h"
#include "spoolerinfo.h"
#include "test_files.h"

namespace {

std::wstring TestName()
{
    return Widen(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) + L" " +
           Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// Creates every missing folder of path (without a trailing backslash).
void CreateFolders(const std::wstring& path)
{
    for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1))
        CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

// Whether the test program's own copy of the model data library loads every sample model from the
// machine's caches.
bool SampleCachesCurrent()
{
    DrvFreeModelTable();
    bool all = true;
    for (const wchar_t* name : kSampleModels) {
        DrvRefreshModel(name, nullptr);
        all = all && DrvLookupModelInfo(name) != nullptr;
    }
    DrvFreeModelTable();
    return all;
}

}  // namespace

void RenderMachine::SetUp()
{
    std::wstring error;
    ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error)) << error;

    // The model data library linked into this program finds the driver folder by its module: a
    // module in the installed driver folder stands for it.
    const std::wstring probe = installed.driverFolder + L"drvprobe.dll";
    {
        HostSpoolerLock lock;
        CopyFileW((ExeFolder() + L"drvprobe.dll").c_str(), probe.c_str(), TRUE);
    }
    probe_ = LoadLibraryW(probe.c_str());
    ASSERT_NE(probe_, nullptr);
    savedInstance_ = g_hInst;
    g_hInst = probe_;

    // The caches are written once per machine; processes of the run take turns.
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(DrvGetCommonDataFolder(folder));
    HostSpoolerLock lock;
    if (!SampleCachesCurrent()) {
        CreateFolders(folder);
        ASSERT_TRUE(WriteSampleCaches(std::wstring(folder) + L"\\"));
        ASSERT_TRUE(SampleCachesCurrent()) << "the sample caches do not load";
    }
}

void RenderMachine::TearDown()
{
    for (HostPdev& pdev : live) HostDisablePdev(driver, &pdev);
    driver.unload();
    for (HANDLE printer : opened_) ClosePrinter(printer);
    DrvFreeModelTable();
    if (probe_) {
        g_hInst = savedInstance_;
        FreeLibrary(probe_);
    }
}

HANDLE RenderMachine::OpenTestPrinter(const std::wstring& model, const std::wstring& suffix)
{
    std::wstring name = L"Render " + TestName() + suffix, error;
    if (name.size() > 200) name.resize(200);
    EXPECT_TRUE(HostAddPrinter(name, model, &error)) << error;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) return nullptr;
    opened_.push_back(printer);
    printerName_ = name;
    return printer;
}

bool RenderMachine::LoadDriver(HANDLE printer)
{
    if (driver.module()) return true;
    std::wstring error;
    const bool ok = driver.load(printer, &error);
    EXPECT_TRUE(ok) << std::string(error.begin(), error.end());
    return ok;
}

HANDLE RenderMachine::Printer(const std::wstring& model, const std::wstring& suffix)
{
    HANDLE printer = OpenTestPrinter(model, suffix);
    EXPECT_NE(printer, nullptr);
    if (printer) {
        EXPECT_TRUE(LoadDriver(printer));
    }
    return printer;
}

DRVDEVMODE RenderMachine::Defaults(HANDLE printer)
{
    DRVDEVMODE dm = {};
    const std::vector<BYTE> record = PrinterDefaultDevmode(printer, printerName());
    EXPECT_EQ(record.size(), sizeof dm);
    if (record.size() == sizeof dm) memcpy(&dm, record.data(), sizeof dm);
    return dm;
}

std::vector<BYTE> PrinterDefaultDevmode(HANDLE printer, const std::wstring& printerName)
{
    std::vector<BYTE> record(sizeof(DRVDEVMODE));
    auto* dm = reinterpret_cast<DRVDEVMODE*>(record.data());
    auto* driver = static_cast<DRIVER_INFO_2W*>(DrvGetPrinterDriverInfo(printer, 2));
    if (!driver) return {};
    DrvRefreshModel(driver->pName, nullptr);
    GlobalFree(driver);
    if (!DrvBuildDefaultDevmode(dm, printerName.c_str(), printer)) return {};
    return record;
}
