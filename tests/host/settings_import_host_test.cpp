// A printer's default DEVMODEs stored again, marked as long-edge duplex on request, on a printer
// of the installed driver. Each test uses a printer named after itself.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "import_patch.h"
#include "install.h"
#include "module.h"
#include "printers.h"
#include "settings_import.h"
#include "test_files.h"

namespace {

// The driver DEVMODE: public part, private part, and where the installer-duplex DWORD sits.
constexpr WORD kPublicBytes = 220;
constexpr WORD kPrivateBytes = 4160;
constexpr size_t kInstallerDuplexOffset = 4372;
constexpr size_t kInstallerDuplexInPrivate = kInstallerDuplexOffset - kPublicBytes;

// A DEVMODE with the given public and private sizes: simplex with DM_DUPLEX, orientation as
// given, a pattern in the private part with the installer-duplex DWORD 0.
std::vector<BYTE> MakeDevmode(WORD publicBytes, WORD privateBytes, short orientation = DMORIENT_PORTRAIT)
{
    std::vector<BYTE> bytes(publicBytes + privateBytes);
    DEVMODEW dm = {};
    wcscpy(dm.dmDeviceName, L"Defaults");
    dm.dmSpecVersion = 0x401;
    dm.dmDriverVersion = 0x500;
    dm.dmSize = publicBytes;
    dm.dmDriverExtra = privateBytes;
    dm.dmFields = DM_ORIENTATION | DM_DUPLEX;
    dm.dmOrientation = orientation;
    dm.dmDuplex = DMDUP_SIMPLEX;
    memcpy(bytes.data(), &dm, publicBytes);
    for (size_t i = publicBytes; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(0x40 + i % 61);
    if (privateBytes >= kInstallerDuplexInPrivate + 4) memset(&bytes[publicBytes + kInstallerDuplexInPrivate], 0, 4);
    return bytes;
}

// The same DEVMODE as the operation marks it for duplex.
std::vector<BYTE> MarkedForDuplex(std::vector<BYTE> bytes)
{
    const short duplex = DMDUP_VERTICAL;
    memcpy(&bytes[offsetof(DEVMODEW, dmDuplex)], &duplex, sizeof duplex);
    WORD publicBytes = 0, privateBytes = 0;
    memcpy(&publicBytes, &bytes[offsetof(DEVMODEW, dmSize)], 2);
    memcpy(&privateBytes, &bytes[offsetof(DEVMODEW, dmDriverExtra)], 2);
    if (privateBytes >= kPrivateBytes) {
        const DWORD one = 1;
        memcpy(&bytes[publicBytes + kInstallerDuplexInPrivate], &one, sizeof one);
    }
    return bytes;
}

// The DEVMODE with the characters after the device name's terminator cleared: the spooler
// keeps the name, not what follows it in its field.
std::vector<BYTE> WithPlainName(std::vector<BYTE> bytes)
{
    constexpr size_t kNameBytes = sizeof(DEVMODEW::dmDeviceName);
    if (bytes.size() < kNameBytes) return bytes;
    size_t end = 0;
    while (end + 1 < kNameBytes && (bytes[end] || bytes[end + 1])) end += 2;
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.begin() + kNameBytes, BYTE{0});
    return bytes;
}

// The DEVMODE of a level-8 or level-9 record (both hold just the DEVMODE pointer), by its own
// header; empty when the record has none or the DEVMODE would run beyond the record's bytes.
std::vector<BYTE> DevmodeOf(const BYTE* record, size_t recordBytes)
{
    const auto* at = reinterpret_cast<const BYTE*>(reinterpret_cast<const PRINTER_INFO_8W*>(record)->pDevMode);
    if (!at) return {};
    WORD publicBytes = 0, privateBytes = 0;
    memcpy(&publicBytes, at + offsetof(DEVMODEW, dmSize), 2);
    memcpy(&privateBytes, at + offsetof(DEVMODEW, dmDriverExtra), 2);
    if (at < record || at + publicBytes + privateBytes > record + recordBytes) return {};
    return std::vector<BYTE>(at, at + publicBytes + privateBytes);
}

// Fakes for the spooler calls of the operation, in place while a Spooler object lives.
struct SpoolerFakes {
    unsigned dropDevmodeLevels = 0;  // bit n: the level-n record comes back without a DEVMODE
    // When not empty: the levels 8 and 9 records come from here, holding this DEVMODE but for
    // its last cutBytes bytes (its header is left as it is), and what the operation stores
    // at those levels is only captured, not stored.
    std::vector<BYTE> answer;
    size_t cutBytes = 0;
    bool refuseGlobal = false;
    bool documentPropertiesFails = false;
    std::vector<BYTE> driverDefault;       // what DocumentPropertiesW answers
    std::vector<DWORD> storedLevels;       // SetPrinterW calls, in order
    std::vector<std::vector<BYTE>> captured;  // the DEVMODEs of answered stores
    int documentPropertiesCalls = 0;
};
SpoolerFakes* g_fakes = nullptr;
decltype(&GetPrinterW) g_getPrinter = nullptr;
decltype(&SetPrinterW) g_setPrinter = nullptr;

BOOL WINAPI FakeGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (!g_fakes->answer.empty() && (level == 8 || level == 9)) {
        const size_t bytes = g_fakes->answer.size() - g_fakes->cutBytes;
        *needed = static_cast<DWORD>(sizeof(PRINTER_INFO_8W) + bytes);
        if (!buffer || size < *needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        reinterpret_cast<PRINTER_INFO_8W*>(buffer)->pDevMode = reinterpret_cast<DEVMODEW*>(buffer + sizeof(PRINTER_INFO_8W));
        memcpy(buffer + sizeof(PRINTER_INFO_8W), g_fakes->answer.data(), bytes);
        return TRUE;
    }
    const BOOL ok = g_getPrinter(printer, level, buffer, size, needed);
    if (ok && buffer && (g_fakes->dropDevmodeLevels & (1u << level))) {
        if (level == 2) reinterpret_cast<PRINTER_INFO_2W*>(buffer)->pDevMode = nullptr;
        if (level == 8) reinterpret_cast<PRINTER_INFO_8W*>(buffer)->pDevMode = nullptr;
        if (level == 9) reinterpret_cast<PRINTER_INFO_9W*>(buffer)->pDevMode = nullptr;
    }
    return ok;
}

BOOL WINAPI FakeSetPrinter(HANDLE printer, DWORD level, LPBYTE info, DWORD command)
{
    g_fakes->storedLevels.push_back(level);
    if (level == 8 && g_fakes->refuseGlobal) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!g_fakes->answer.empty()) {
        // The operation must hand over a DEVMODE it holds whole: its header tells its length.
        const auto* devmode = reinterpret_cast<const BYTE*>(reinterpret_cast<PRINTER_INFO_8W*>(info)->pDevMode);
        WORD publicBytes = 0, privateBytes = 0;
        memcpy(&publicBytes, devmode + offsetof(DEVMODEW, dmSize), 2);
        memcpy(&privateBytes, devmode + offsetof(DEVMODEW, dmDriverExtra), 2);
        g_fakes->captured.emplace_back(devmode, devmode + publicBytes + privateBytes);
        return TRUE;
    }
    return g_setPrinter(printer, level, info, command);
}

LONG WINAPI FakeDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW out, PDEVMODEW, DWORD mode)
{
    ++g_fakes->documentPropertiesCalls;
    if (g_fakes->documentPropertiesFails) return -1;
    if (mode == 0) return static_cast<LONG>(g_fakes->driverDefault.size());
    if (!out || !(mode & DM_OUT_BUFFER)) return -1;
    memcpy(out, g_fakes->driverDefault.data(), g_fakes->driverDefault.size());
    return IDOK;
}

class Spooler {
public:
    explicit Spooler(SpoolerFakes& fakes)
        : get_(SelfModule(), "winspool.drv", "GetPrinterW", reinterpret_cast<const void*>(&FakeGetPrinter)),
          set_(SelfModule(), "winspool.drv", "SetPrinterW", reinterpret_cast<const void*>(&FakeSetPrinter)),
          documentProperties_(SelfModule(), "winspool.drv", "DocumentPropertiesW",
                              reinterpret_cast<const void*>(&FakeDocumentProperties))
    {
        g_fakes = &fakes;
        g_getPrinter = get_.original<decltype(&GetPrinterW)>();
        g_setPrinter = set_.original<decltype(&SetPrinterW)>();
    }
    ~Spooler() { g_fakes = nullptr; }
    bool active() const { return get_.active() && set_.active() && documentProperties_.active(); }

private:
    ImportPatch get_, set_, documentProperties_;
};

class PrinterDefaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::wstring error;
        HostInstall installed;
        ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error)) << error;
        name = L"Defaults " + Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(HostAddPrinter(name, L"Velmora ColorPage C710", &error)) << error;
        PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(name.data(), &printer, &access));
    }
    void TearDown() override
    {
        if (printer) ClosePrinter(printer);
    }

    // The DEVMODE of the printer's level-8 or level-9 record, empty when it has none.
    std::vector<BYTE> Stored(DWORD level) const
    {
        DWORD needed = 0;
        GetPrinterW(printer, level, nullptr, 0, &needed);
        if (needed == 0) return {};
        std::vector<BYTE> record(needed);
        if (!GetPrinterW(printer, level, record.data(), needed, &needed)) return {};
        return DevmodeOf(record.data(), record.size());
    }
    bool Store(DWORD level, std::vector<BYTE> devmode) const
    {
        PRINTER_INFO_8W info = {reinterpret_cast<DEVMODEW*>(devmode.data())};
        return SetPrinterW(printer, level, reinterpret_cast<BYTE*>(&info), 0);
    }

    std::wstring name;
    HANDLE printer = nullptr;
};

// Mode 2 marks the stored DEVMODEs as long-edge duplex, and the installer-duplex field where the
// DEVMODE has the driver's whole private part (a shorter one gets dmDuplex only); any other mode
// stores them as they were. Nothing else changes.
TEST_F(PrinterDefaults, DuplexModeMarksTheDefaultsOtherModesKeepThem)
{
    const struct {
        const char* what;
        WORD publicBytes, privateBytes;
    } shapes[] = {
        {"public part only", kPublicBytes, 0},
        {"the driver's DEVMODE", kPublicBytes, kPrivateBytes},
        {"private part shorter than the driver's", kPublicBytes, 1000},
    };
    for (const auto& shape : shapes) {
        for (DWORD mode : {DWORD{0}, DWORD{1}, PRINTER_DEFAULT_DUPLEX}) {
            SCOPED_TRACE(::testing::Message() << shape.what << ", mode " << mode);
            const std::vector<BYTE> before = MakeDevmode(shape.publicBytes, shape.privateBytes);
            ASSERT_TRUE(Store(8, before));
            ASSERT_TRUE(Store(9, before));
            EXPECT_EQ(DrvSetPrinterDuplexDefault(printer, name.c_str(), mode), 0u);
            const std::vector<BYTE> expected = mode == PRINTER_DEFAULT_DUPLEX ? MarkedForDuplex(before) : before;
            EXPECT_TRUE(WithPlainName(Stored(8)) == expected);
            EXPECT_TRUE(WithPlainName(Stored(9)) == expected);
        }
    }
}

// What the operation stores, and what it returns, as the spooler answers.
TEST_F(PrinterDefaults, StoresWhatTheSpoolerGivesAndReportsARefusedGlobalDefault)
{
    const std::vector<BYTE> printerDevmode = MakeDevmode(kPublicBytes, kPrivateBytes);
    const std::vector<BYTE> driverDefault = MakeDevmode(kPublicBytes, kPrivateBytes, DMORIENT_LANDSCAPE);
    const struct {
        const char* what;
        unsigned dropDevmodeLevels;
        bool refuseGlobal;
        bool documentPropertiesFails;
        DWORD result;
        std::vector<DWORD> storedLevels;
        int documentPropertiesCalls;
        const std::vector<BYTE>* stored;  // the DEVMODE stored afterwards, marked
    } cases[] = {
        {"both records with a DEVMODE", 0, false, false, 0, {8, 9}, 0, &printerDevmode},
        {"global default refused", 0, true, false, PRINTER_DEFAULT_STORE_REFUSED, {8}, 0, nullptr},
        {"per-user record without a DEVMODE", 1u << 9, false, false, 0, {8}, 0, &printerDevmode},
        {"global record without: the printer's DEVMODE", 1u << 8, false, false, 0, {8, 9}, 0, &printerDevmode},
        {"neither the global record nor the printer's: the driver's default", (1u << 8) | (1u << 2) | (1u << 9),
         false, false, 0, {8}, 2, &driverDefault},
        {"no DEVMODE anywhere: nothing stored", (1u << 8) | (1u << 2), false, true, 0, {}, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Store(8, printerDevmode));
        SpoolerFakes fakes;
        fakes.dropDevmodeLevels = c.dropDevmodeLevels;
        fakes.refuseGlobal = c.refuseGlobal;
        fakes.documentPropertiesFails = c.documentPropertiesFails;
        fakes.driverDefault = driverDefault;
        DWORD result = 0;
        {
            Spooler spooler(fakes);
            ASSERT_TRUE(spooler.active());
            result = DrvSetPrinterDuplexDefault(printer, nullptr, PRINTER_DEFAULT_DUPLEX);
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(fakes.storedLevels, c.storedLevels);
        EXPECT_EQ(fakes.documentPropertiesCalls, c.documentPropertiesCalls);
        EXPECT_TRUE(WithPlainName(Stored(8)) == (c.stored ? MarkedForDuplex(*c.stored) : printerDevmode));
    }
}

// DEVMODEs as the spooler hands them over, the operation's stores captured: the driver's private
// part keeps its layout behind an older, shorter public part, and a DEVMODE whose header claims
// more than its record holds is not handed back to the spooler (where it would be read beyond
// the record).
TEST_F(PrinterDefaults, MarksThePrivatePartBehindAnyPublicPartAndStoresOnlyWholeDevmodes)
{
    const struct {
        const char* what;
        std::vector<BYTE> devmode;
        size_t cutBytes;
        DWORD result;
        std::vector<DWORD> storedLevels;
    } cases[] = {
        {"older public part", MakeDevmode(188, kPrivateBytes), 0, 0, {8, 9}},
        {"the driver's DEVMODE", MakeDevmode(kPublicBytes, kPrivateBytes), 0, 0, {8, 9}},
        {"header longer than the record", MakeDevmode(kPublicBytes, kPrivateBytes), 32, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SpoolerFakes fakes;
        fakes.answer = c.devmode;
        fakes.cutBytes = c.cutBytes;
        DWORD result = 0;
        {
            Spooler spooler(fakes);
            ASSERT_TRUE(spooler.active());
            result = DrvSetPrinterDuplexDefault(printer, nullptr, PRINTER_DEFAULT_DUPLEX);
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(fakes.storedLevels, c.storedLevels);
        ASSERT_EQ(fakes.captured.size(), c.storedLevels.size());
        for (const std::vector<BYTE>& stored : fakes.captured) EXPECT_TRUE(stored == MarkedForDuplex(c.devmode));
    }
}

}  // namespace
