// Installed device options kept per printer: in its printer data and, on Windows 6.0 and later,
// in its section of the settings INI. Real printers of the installed driver's sample models,
// whose default DEVMODEs the model data library builds from the installed data files. Each test
// uses printers named after itself, removed and added again, so that nothing of an earlier run
// is left in their printer data.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device_options.h"
#include "devmode.h"
#include "drvglobals.h"
#include "install.h"
#include "modeltable.h"
#include "module.h"
#include "printers.h"
#include "settings_import.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kC510 = L"Velmora ColorPage C510";
const std::wstring kC910J = L"Velmora ColorPage C910J";

constexpr DWORD kWindowsXP = 0x0A280105;  // 5.1
constexpr DWORD kWindows7 = 0x1DB10106;   // 6.1

std::wstring TestName()
{
    return Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The six printer data values, in the order they are stored.
const wchar_t* const kValueNames[] = {DEVOPT_VALUE_DEVICE,      DEVOPT_VALUE_SOURCE,  DEVOPT_VALUE_PUNCHUNIT,
                                      DEVOPT_VALUE_DOCCONTENTS, DEVOPT_VALUE_WARNING, DEVOPT_VALUE_ACCESS};

std::vector<DWORD> OptionsOf(const DRVDEVMODE& dm)
{
    const DRVEXTRA& ext = dm.dmPrivate;
    return {ext.wDeviceOption, ext.wSourceOption, ext.bPunchUnit, ext.wEnvDocContents, ext.wEnvWarning, ext.wPrinterAccess};
}

DWORD ReadValue(HANDLE printer, const wchar_t* name, DWORD* type, DWORD* data, DWORD* needed)
{
    *type = REG_NONE, *data = 0xA5A5A5A5, *needed = 0;
    return GetPrinterDataW(printer, const_cast<LPWSTR>(name), type, reinterpret_cast<BYTE*>(data), sizeof *data, needed);
}

// The six values as the spooler has them; a missing value or one that is not a 4-byte DWORD
// reads as 0xDEADBEEF.
std::vector<DWORD> StoredValues(HANDLE printer)
{
    std::vector<DWORD> out;
    for (const wchar_t* name : kValueNames) {
        DWORD type = 0, data = 0, needed = 0;
        const bool dword = ReadValue(printer, name, &type, &data, &needed) == ERROR_SUCCESS && type == REG_DWORD &&
                           needed == sizeof data;
        out.push_back(dword ? data : 0xDEADBEEF);
    }
    return out;
}

DWORD StoreValue(HANDLE printer, const wchar_t* name, DWORD type, const void* bytes, DWORD size)
{
    return SetPrinterDataW(printer, const_cast<LPWSTR>(name), type, static_cast<BYTE*>(const_cast<void*>(bytes)), size);
}

// The installed driver, its user-interface library standing as the library's module so that the
// sample models load from the installed data files (their caches in a folder of the test's), and
// a settings INI of the test's own.
class DeviceOptionsHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::wstring error;
        ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed_, &error)) << error;
        appData_ = std::make_unique<FixedAppDataFolder>(appDataFolder_.path().substr(0, appDataFolder_.path().size() - 1));
        ASSERT_TRUE(appData_->active());
        savedInst_ = g_hInst;
        g_hInst = LoadLibraryW((installed_.driverFolder + DRV_UI_LIBRARY).c_str());
        ASSERT_NE(g_hInst, nullptr);
        ini = settingsFolder_.path() + DRV_SETTINGS_INI;
        ASSERT_TRUE(DrvSetSettingsIniPath(ini.c_str()));
    }
    void TearDown() override
    {
        for (HANDLE printer : opened_) ClosePrinter(printer);
        DrvSetSettingsIniPath(L"");
        DrvFreeModelTable();
        if (g_hInst) FreeLibrary(g_hInst);
        g_hInst = savedInst_;
    }

    static std::wstring PrinterName(const std::wstring& suffix) { return L"Options " + TestName() + suffix; }

    // This test's printer of the model, removed first when an earlier run left it, added and
    // opened with full access; NULL on failure.
    HANDLE FreshPrinter(const std::wstring& model, const std::wstring& suffix = L"")
    {
        const std::wstring name = PrinterName(suffix);
        PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE old = nullptr;
        if (OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &old, &all)) {
            // The spooler removes the printer when its last handle is closed.
            EXPECT_TRUE(DeletePrinter(old));
            ClosePrinter(old);
        }
        std::wstring error;
        EXPECT_TRUE(HostAddPrinter(name, model, &error)) << error;
        return Open(name, PRINTER_ALL_ACCESS);
    }
    HANDLE Open(const std::wstring& name, ACCESS_MASK access)
    {
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
        HANDLE printer = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, &defaults)) return nullptr;
        opened_.push_back(printer);
        return printer;
    }

    // The printer's default DEVMODE as the library builds it from its model.
    bool DefaultDevmode(HANDLE printer, const std::wstring& model, const std::wstring& name, DRVDEVMODE* dm)
    {
        DrvRefreshModel(model.c_str(), nullptr);
        return DrvBuildDefaultDevmode(dm, name.c_str(), printer) != FALSE;
    }

    // The printer's settings-INI section as "key=value" lines in file order.
    std::vector<std::wstring> IniSection(const std::wstring& printerName) const
    {
        std::vector<wchar_t> buffer(1 << 12);
        const std::wstring section = printerName + DEVOPT_SECTION_SUFFIX;
        const DWORD n = GetPrivateProfileSectionW(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()), ini.c_str());
        std::vector<std::wstring> lines;
        for (const wchar_t* line = buffer.data(); line < buffer.data() + n && *line; line += wcslen(line) + 1)
            lines.emplace_back(line);
        return lines;
    }

    std::wstring ini;

private:
    HostInstall installed_;
    TempFolder appDataFolder_, settingsFolder_;
    std::unique_ptr<FixedAppDataFolder> appData_;
    HINSTANCE savedInst_ = nullptr;
    std::vector<HANDLE> opened_;
};

// What the device options rely on from the spooler's printer data: a value never written is
// reported missing (ERROR_FILE_NOT_FOUND, not an empty success); a REG_DWORD comes back with its
// type and its four bytes, replaced by the next write, kept per printer, and read through any
// handle of the printer, one opened for use only included; a value of another type or size is
// reported with its own type and size (or ERROR_MORE_DATA when it does not fit four bytes), so
// that a reader can tell it from a DWORD.
TEST_F(DeviceOptionsHost, PrinterDataKeepsDwordValuesPerPrinter)
{
    HANDLE first = FreshPrinter(kC710, L" 1");
    HANDLE second = FreshPrinter(kC710, L" 2");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const wchar_t* value = DEVOPT_VALUE_DEVICE;

    DWORD type = 0, data = 0, needed = 0;
    EXPECT_EQ(ReadValue(first, value, &type, &data, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    for (DWORD stored : {0x1Fu, 0u, 0xFFFFFFFFu, 9u}) {
        SCOPED_TRACE(::testing::Message() << "stored " << stored);
        ASSERT_EQ(StoreValue(first, value, REG_DWORD, &stored, sizeof stored), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(ReadValue(first, value, &type, &data, &needed), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(needed, 4u);
        EXPECT_EQ(data, stored);
    }
    EXPECT_EQ(ReadValue(second, value, &type, &data, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE user = Open(PrinterName(L" 1"), PRINTER_ACCESS_USE);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(ReadValue(user, value, &type, &data, &needed), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(data, 9u);

    const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const BYTE two[2] = {0x0F, 0};
    const wchar_t text[] = L"15";
    const struct {
        DWORD type;
        const void* bytes;
        DWORD size;
        DWORD result;
        DWORD needed;
    } cases[] = {
        {REG_BINARY, eight, sizeof eight, ERROR_MORE_DATA, 8},
        {REG_DWORD, two, sizeof two, ERROR_SUCCESS, 2},
        {REG_SZ, text, sizeof text, ERROR_MORE_DATA, sizeof text},
        {REG_BINARY, eight, 4, ERROR_SUCCESS, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << ", " << c.size << " bytes");
        ASSERT_EQ(StoreValue(first, value, c.type, c.bytes, c.size), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(ReadValue(first, value, &type, &data, &needed), c.result);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(needed, c.needed);
    }
}

// A printer never set up, of each sample model: the first load stores the options of the
// model's default DEVMODE in printer data and in the printer's settings-INI section (named after
// the spooler's name of the printer), and leaves the DEVMODE as it was.
TEST_F(DeviceOptionsHost, FirstLoadStoresTheModelDefaults)
{
    FixedVersion version(kWindows7);
    ASSERT_TRUE(version.active());
    const struct {
        std::wstring model;
        WORD device;     // the model's default device options
        BYTE punchUnit;  // and punch unit
    } cases[] = {
        {kC710, 0, 0},
        {kC510, DEVOPT_DUPLEX, 0},
        {kC910J, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model);
        const std::wstring suffix = L" " + c.model.substr(c.model.rfind(L' ') + 1);
        HANDLE printer = FreshPrinter(c.model, suffix);
        ASSERT_NE(printer, nullptr);
        DRVDEVMODE dm;
        ASSERT_TRUE(DefaultDevmode(printer, c.model, PrinterName(suffix), &dm));
        EXPECT_EQ(dm.dmPrivate.wDeviceOption, c.device);
        EXPECT_EQ(dm.dmPrivate.bPunchUnit, c.punchUnit);
        const DRVDEVMODE before = dm;

        LoadDeviceOptions(printer, &dm);
        EXPECT_EQ(memcmp(&dm, &before, sizeof dm), 0);
        EXPECT_EQ(StoredValues(printer), OptionsOf(before));
        EXPECT_EQ(IniSection(PrinterName(suffix)),
                  (std::vector<std::wstring>{L"SourceOption=" + std::to_wstring(before.dmPrivate.wSourceOption),
                                             L"DeviceOption=" + std::to_wstring(c.device),
                                             L"PunchUnit=" + std::to_wstring(c.punchUnit)}));
    }
}

// Options saved through one handle of a printer come back through another into the printer's
// default DEVMODE, with what follows from them: here a finisher but no duplex unit, so the
// C910J's duplex and booklet settings go while its stapling stays. Older systems keep the options
// in printer data alone.
TEST_F(DeviceOptionsHost, SavedOptionsComeBackThroughAnotherHandle)
{
    for (DWORD fixed : {kWindowsXP, kWindows7}) {
        SCOPED_TRACE(::testing::Message() << std::hex << "version " << fixed);
        FixedVersion version(fixed);
        const std::wstring suffix = fixed == kWindows7 ? L" 6.1" : L" 5.1";
        HANDLE printer = FreshPrinter(kC910J, suffix);
        ASSERT_NE(printer, nullptr);
        DRVDEVMODE saved;
        ASSERT_TRUE(DefaultDevmode(printer, kC910J, PrinterName(suffix), &saved));
        saved.dmPrivate.wDeviceOption = DEVOPT_FINISHER | DEVOPT_HDD;
        saved.dmPrivate.wSourceOption = 0x11F;
        saved.dmPrivate.bPunchUnit = 2;
        saved.dmPrivate.wEnvDocContents = 1;
        saved.dmPrivate.wEnvWarning = 1;
        saved.dmPrivate.wPrinterAccess = 2;
        SaveDeviceOptions(printer, &saved);
        EXPECT_EQ(IniSection(PrinterName(suffix)).size(), fixed == kWindows7 ? 3u : 0u);

        HANDLE other = Open(PrinterName(suffix), PRINTER_ACCESS_USE);
        ASSERT_NE(other, nullptr);
        DRVDEVMODE dm;
        ASSERT_TRUE(DefaultDevmode(other, kC910J, PrinterName(suffix), &dm));
        dm.dmPublic.dmFields |= DM_DUPLEX;
        dm.dmPublic.dmDuplex = DMDUP_VERTICAL;
        dm.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET;
        dm.dmPrivate.wOutputBin = 18;
        DRVDEVMODE want = dm;
        LoadDeviceOptions(other, &dm);

        want.dmPrivate.wDeviceOption = DEVOPT_FINISHER | DEVOPT_HDD;
        want.dmPrivate.wSourceOption = 0x11F;
        want.dmPrivate.bPunchUnit = 2;
        want.dmPrivate.wEnvDocContents = 1;
        want.dmPrivate.wEnvWarning = 1;
        want.dmPrivate.wPrinterAccess = 2;
        want.dmPublic.dmFields &= ~static_cast<DWORD>(DM_DUPLEX);
        want.dmPublic.dmDuplex = DMDUP_SIMPLEX;
        want.dmPrivate.dwFinishingMode = FINISHINGMODE_NORMAL;
        EXPECT_EQ(memcmp(&dm, &want, sizeof dm), 0);
        EXPECT_EQ(dm.dmPrivate.wOutputBin, 18);
        EXPECT_NE(dm.dmPrivate.bStaple, 0);
    }
}

// From Windows 6.0 on the settings INI's copy of the three options wins over printer data; on
// older systems printer data alone counts. A damaged printer data value counts as missing: the
// load stores the DEVMODE's options again, as a DWORD.
TEST_F(DeviceOptionsHost, SettingsIniWinsAndDamagedValuesAreReplaced)
{
    HANDLE printer = FreshPrinter(kC710);
    ASSERT_NE(printer, nullptr);
    DRVDEVMODE base;
    ASSERT_TRUE(DefaultDevmode(printer, kC710, PrinterName(L""), &base));
    {
        FixedVersion version(kWindows7);
        DRVDEVMODE saved = base;
        saved.dmPrivate.wDeviceOption = DEVOPT_FINISHER | DEVOPT_DUPLEX;
        saved.dmPrivate.wSourceOption = 3;
        saved.dmPrivate.bPunchUnit = 1;
        SaveDeviceOptions(printer, &saved);
    }
    const std::wstring section = PrinterName(L"") + DEVOPT_SECTION_SUFFIX;
    ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), DEVOPT_VALUE_DEVICE, L"2", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), DEVOPT_VALUE_SOURCE, L"7", ini.c_str()));

    const struct {
        DWORD version;
        WORD device, source;
    } cases[] = {
        {kWindows7, DEVOPT_HDD, 7},
        {kWindowsXP, DEVOPT_FINISHER | DEVOPT_DUPLEX, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "version " << c.version);
        FixedVersion version(c.version);
        DRVDEVMODE dm = base;
        LoadDeviceOptions(printer, &dm);
        EXPECT_EQ(dm.dmPrivate.wDeviceOption, c.device);
        EXPECT_EQ(dm.dmPrivate.wSourceOption, c.source);
        EXPECT_EQ(dm.dmPrivate.bPunchUnit, 1);
        EXPECT_EQ((dm.dmPublic.dmFields & DM_DUPLEX) != 0, (c.device & DEVOPT_DUPLEX) != 0);
    }

    // A text where the trays' DWORD should be: the load stops there and stores the DEVMODE's
    // options as applied so far.
    FixedVersion version(kWindowsXP);
    const wchar_t text[] = L"15";
    ASSERT_EQ(StoreValue(printer, DEVOPT_VALUE_SOURCE, REG_SZ, text, sizeof text), static_cast<DWORD>(ERROR_SUCCESS));
    DRVDEVMODE dm = base;
    dm.dmPrivate.wSourceOption = 0x42;
    dm.dmPrivate.wEnvWarning = 9;
    LoadDeviceOptions(printer, &dm);
    EXPECT_EQ(dm.dmPrivate.wDeviceOption, DEVOPT_FINISHER | DEVOPT_DUPLEX);
    EXPECT_EQ(dm.dmPrivate.wSourceOption, 0x42);
    EXPECT_EQ(dm.dmPrivate.wEnvWarning, 9);
    EXPECT_EQ(StoredValues(printer), OptionsOf(dm));
}

}  // namespace
