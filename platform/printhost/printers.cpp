#include "printers.h"

#include <winspool.h>

#include <vector>

#include "host_error.h"
#include "hostlock.h"
#include "install.h"

namespace {

// Wine's AddPrinterW asks the new printer's configuration module for the size of its DEVMODE
// (DocumentPropertiesW, that is DrvDocumentPropertySheets) even when the caller gives a DEVMODE,
// and calls the entry point without checking that the module has it. So the printer is added
// with this setup driver first, whose configuration module does not exist (the spooler then keeps
// the given DEVMODE), and switched to its real driver at once; the setup driver is removed again.
constexpr wchar_t kSetupDriver[] = L"Print Host Printer Setup";
constexpr wchar_t kSetupModule[] = L"HOSTSETUP.NONE";

static_assert(sizeof(DEVMODEW) == 220, "the public DEVMODEW");

// The names of the printer drivers installed for this machine's environment.
std::vector<std::wstring> InstalledDrivers()
{
    std::vector<std::wstring> names;
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count)) return names;
    const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName) names.emplace_back(info[i].pName);
    return names;
}

bool IsInstalled(const std::wstring& driverName)
{
    for (const std::wstring& name : InstalledDrivers())
        if (lstrcmpiW(name.c_str(), driverName.c_str()) == 0) return true;
    return false;
}

// The name of the driver an opened printer uses; empty when the spooler cannot say.
std::wstring DriverOf(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 1, nullptr, 0, &needed);
    if (needed == 0) return std::wstring();
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverW(printer, nullptr, 1, buffer.data(), needed, &needed)) return std::wstring();
    const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    return info->pName ? info->pName : L"";
}

bool AddSetupDriver(std::wstring* error)
{
    DWORD code = 0;
    const std::wstring folder = HostDriverFolder(&code);
    if (folder.empty()) return HostFail(error, HostErrorText(L"GetPrinterDriverDirectoryW failed", code));
    std::wstring module = folder + kSetupModule, name = kSetupDriver, dataType = L"RAW";
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = name.data();
    info.pDriverPath = module.data();
    info.pDataFile = module.data();
    info.pConfigFile = module.data();
    info.pDefaultDataType = dataType.data();
    if (AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info))) return true;
    code = GetLastError();
    if (code == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) return true;
    return HostFail(error, HostErrorText(L"AddPrinterDriverW " + name + L" failed", code));
}

}  // namespace

bool HostAddPrinter(const std::wstring& printerName, const std::wstring& driverName, std::wstring* error)
{
    // The spooler keeps printers by name in its registry: a backslash would make a sub-key, a
    // comma breaks the "driver,port" lists of the user's devices.
    if (printerName.empty() || printerName.find_first_of(L"\\,") != std::wstring::npos)
        return HostFail(error, L"unusable printer name \"" + printerName + L"\"");
    if (driverName.empty() || lstrcmpiW(driverName.c_str(), kSetupDriver) == 0)
        return HostFail(error, L"unusable printer driver name \"" + driverName + L"\"");

    HostSpoolerLock lock;
    if (!lock.held()) return HostFail(error, HostErrorText(L"waiting for the print host's install lock failed", lock.failure()));

    if (!IsInstalled(driverName)) return HostFail(error, L"the printer driver \"" + driverName + L"\" is not installed");

    std::wstring name = printerName, port = kHostPrinterPort, driver = driverName, processor = L"WinPrint",
                 dataType = L"RAW", empty;
    DEVMODEW devmode = {};
    lstrcpynW(devmode.dmDeviceName, name.c_str(), CCHDEVICENAME);
    devmode.dmSpecVersion = 0x401;
    devmode.dmDriverVersion = 0x500;
    devmode.dmSize = sizeof devmode;
    devmode.dmDriverExtra = 0;

    PRINTER_INFO_2W info = {};
    info.pPrinterName = name.data();
    info.pShareName = empty.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pComment = empty.data();
    info.pLocation = empty.data();
    info.pDevMode = &devmode;
    info.pSepFile = empty.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = dataType.data();
    info.pParameters = empty.data();
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;

    HANDLE printer = nullptr;
    if (OpenPrinterW(name.data(), &printer, nullptr)) {
        const std::wstring current = DriverOf(printer);
        if (lstrcmpiW(current.c_str(), driverName.c_str()) == 0) {
            ClosePrinter(printer);
            return true;
        }
        // A printer still on the setup driver was left half-added by a process that ended in
        // between; it is finished below. Any other driver is someone else's printer.
        if (lstrcmpiW(current.c_str(), kSetupDriver) != 0) {
            ClosePrinter(printer);
            return HostFail(error, L"the printer \"" + printerName + L"\" exists with the driver \"" + current + L"\"");
        }
    } else {
        if (!AddSetupDriver(error)) return false;
        std::wstring setup = kSetupDriver;
        info.pDriverName = setup.data();
        printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        info.pDriverName = driver.data();
        if (!printer) {
            const DWORD code = GetLastError();
            return HostFail(error, HostErrorText(L"AddPrinterW " + printerName + L" failed", code));
        }
    }

    const BOOL switched = SetPrinterW(printer, 2, reinterpret_cast<BYTE*>(&info), 0);
    const DWORD code = switched ? 0 : GetLastError();
    if (!switched) HostFail(error, HostErrorText(L"SetPrinterW " + printerName + L" failed", code));
    ClosePrinter(printer);
    if (switched) DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(kSetupDriver));
    return switched != FALSE;
}
