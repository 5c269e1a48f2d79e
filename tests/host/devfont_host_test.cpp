// The device-font table read through a real printer: the spooler's driver record names the
// printer's data file, whose font table the model data library loads.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devfont_table.h"
#include "drvglobals.h"
#include "install.h"
#include "modeltable.h"
#include "module.h"
#include "printers.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

TEST(DeviceFontsOnAPrinter, TheInstalledDataFileGivesTheResidentFonts)
{
    HostInstall installed;
    std::wstring error;
    ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error)) << error;
    const std::wstring model = L"Velmora ColorPage C710", name = L"Device fonts C710";
    ASSERT_TRUE(HostAddPrinter(name, model, &error)) << error;

    // The model comes from the installed driver folder, its caches go to a folder of the test's.
    TempFolder appData;
    FixedAppDataFolder appDataFake(appData.path().substr(0, appData.path().size() - 1));
    const HINSTANCE saved = g_hInst;
    g_hInst = LoadLibraryW((installed.driverFolder + DRV_UI_LIBRARY).c_str());
    ASSERT_NE(g_hInst, nullptr);
    DrvRefreshModel(model.c_str(), nullptr);
    const MODELRECORD* record = DrvFindModelRecord(model.c_str());
    ASSERT_NE(record, nullptr);

    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, nullptr));
    DEVICEFONTTABLE* table = LoadDeviceFontTable(printer, record);
    ClosePrinter(printer);
    ASSERT_NE(table, nullptr);

    // The Japanese font stays out on a system whose ANSI code page is not 932.
    std::vector<std::wstring> names;
    const DEVICEFONTREC* fonts = GetDeviceFontRecords(table);
    for (DWORD i = 0; i < GetDeviceFontCount(table); ++i) names.emplace_back(fonts[i].pszName);
    const std::vector<std::wstring> expected = GetACP() == 932
        ? std::vector<std::wstring>{L"Courier", L"Mincho", L"Letter Gothic", L"Swiss", L"Line Printer"}
        : std::vector<std::wstring>{L"Courier", L"Letter Gothic", L"Swiss", L"Line Printer"};
    EXPECT_EQ(names, expected);

    FreeDeviceFontTable(table);
    DrvFreeModelTable();
    FreeLibrary(g_hInst);
    g_hInst = saved;
}

}  // namespace
