// The options installed in a printer (finisher, hard disk, duplex unit, trays, punch unit) and
// a few environment settings, kept per printer outside the DEVMODE so that every DEVMODE built
// for the printer reflects its hardware.
//
// Each is a REG_DWORD printer data value. On Windows 6.0 and later the installed trays, the
// device options and the punch unit are also kept in the settings INI, in the section
// "<printer name>, Device Option", and that copy takes precedence over printer data.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

#include "devmode.h"

// Printer data values (REG_DWORD, 4 bytes) and the DEVMODE fields they keep.
inline constexpr WCHAR DEVOPT_VALUE_DEVICE[] = L"DeviceOption";         // wDeviceOption
inline constexpr WCHAR DEVOPT_VALUE_SOURCE[] = L"SourceOption";         // wSourceOption
inline constexpr WCHAR DEVOPT_VALUE_PUNCHUNIT[] = L"PunchUnit";         // bPunchUnit
inline constexpr WCHAR DEVOPT_VALUE_DOCCONTENTS[] = L"EnvDocContents";  // wEnvDocContents
inline constexpr WCHAR DEVOPT_VALUE_WARNING[] = L"EnvWarningDisplay";   // wEnvWarning
inline constexpr WCHAR DEVOPT_VALUE_ACCESS[] = L"PrinterAccess";        // wPrinterAccess

// The settings-INI section of a printer is its name, made safe (SettingsSectionName), followed
// by this text; its keys are the value names DEVOPT_VALUE_SOURCE, DEVOPT_VALUE_DEVICE and
// DEVOPT_VALUE_PUNCHUNIT, each a decimal number.
inline constexpr WCHAR DEVOPT_SECTION_SUFFIX[] = L", Device Option";
// Characters of the section name with its terminator; a printer whose name makes a longer
// section has no settings-INI copy.
constexpr size_t DEVOPT_SECTION_CCH = 512;

// The settings-INI section of the printer of that name (cch characters with the terminator);
// FALSE (section empty) for an empty name or a section that does not fit.
BOOL DeviceOptionSection(LPCWSTR printerName, LPWSTR section, size_t cch);

// Stores the device options of dm for the printer: the six printer data values, then, on
// Windows 6.0 and later, the three settings-INI keys (only when the printer's level-2 record
// can be read and the settings INI path is set), each written only when it changes, under the
// settings INI's lock.
void SaveDeviceOptions(HANDLE printer, const DRVDEVMODE* dm);

// Applies the printer's stored device options to dm: the device options (with what follows
// from a missing finisher or duplex unit), the installed trays, the punch unit and the three
// environment settings, each from the settings INI where it is kept there and present, else
// from printer data. When a value is missing everywhere (or damaged: a printer data value that
// is not a 4-byte REG_DWORD, a settings-INI entry that is not a decimal number 0..65535), the
// options of dm as updated so far are stored (SaveDeviceOptions) and the rest is left alone.
void LoadDeviceOptions(HANDLE printer, DRVDEVMODE* dm);

#endif  // DRV_BUILD_UM
