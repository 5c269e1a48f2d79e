// The print system's part in adding printers.
#pragma once
#include <windows.h>

#include <string>

// The port every printer of the host prints to. A job names the file its bytes go to
// (DOC_INFO_1W pOutputFile, or DOCINFOW lpszOutput when printing through a device context).
inline constexpr wchar_t kHostPrinterPort[] = L"FILE:";

// Adds a printer named printerName that uses the installed printer driver driverName and prints to
// kHostPrinterPort, with a default DEVMODE that names the printer (cut to the DEVMODE's 31
// characters). Does nothing when the printer exists already with that driver. Safe to call from
// several processes at once (they take turns). On failure (the driver is not installed, the
// printer exists with another driver, the name is unusable) returns false and says why in error.
bool HostAddPrinter(const std::wstring& printerName, const std::wstring& driverName, std::wstring* error);
