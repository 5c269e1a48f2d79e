// Shipped entries of the common user data file (InitDataFile3) copied into the settings INI:
// user-defined papers, user-defined long papers, watermarks and the path of the validation-code
// file, so that the property pages find them beside the user's own entries. Also the operation
// that stores a printer's default DEVMODEs again, marked as long-edge duplex on request.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

// The settings INI that the imports write (the machine-wide VRDA.INI). The library's start-up
// sets it once it has built the path; until then (empty path) the imports do nothing. The path
// is copied (at most MAX_PATH - 1 characters; a longer one clears it and returns FALSE).
BOOL DrvSetSettingsIniPath(LPCWSTR path);
LPCWSTR DrvGetSettingsIniPath();

// Merge the shipped user-defined papers ([UserDefPaper] of InitDataFile3) or long papers
// ([UserDefLong]) into the same section of the settings INI: each listed entry's value is
// copied (replacing a settings entry of the same number), then the settings INI's entry list
// becomes the shipped numbers in shipped order followed by the settings INI's own numbers that
// are not among them, in their previous order, each once; its numDefine becomes the length of
// that list. UpdateNo is left alone. Nothing happens when InitDataFile3 is missing, its
// numDefine is 0 or its list names no number. Running it again changes nothing further.
void ImportUserDefPaperList();
void ImportUserDefLongList();

// Copies the shipped watermarks ([WatermarkList] of the given InitDataFile3) into the settings
// INI's [Watermark] section, and orders the section: the shipped entries first, in list order,
// then the user's entries in their previous order. Nothing happens when numDefine is 0.
void ImportWatermarkList(LPCWSTR initDataFile3);

// Copies [ValCode] Path of InitDataFile3 to [VALCODE] PATH of the settings INI, the default path
// when it is empty; a missing InitDataFile3 leaves the settings INI alone.
void ImportValCodePath();

// Mode and result of DrvSetPrinterDuplexDefault (any other mode stores the DEVMODEs as they are).
constexpr DWORD PRINTER_DEFAULT_DUPLEX = 2;
constexpr DWORD PRINTER_DEFAULT_STORE_REFUSED = 2;

// Stores the printer's global (level 8) and per-user (level 9) default DEVMODEs again. With
// mode PRINTER_DEFAULT_DUPLEX they are first marked long-edge duplex: dmDuplex DMDUP_VERTICAL,
// and in a DEVMODE that carries the driver's whole private part the installer-duplex DWORD 1.
// A global record without a DEVMODE takes the one of the level-2 record, else the driver's
// default from DocumentPropertiesW. printerName is not read. Returns
// PRINTER_DEFAULT_STORE_REFUSED when the spooler refuses the global record (the per-user one is
// then not stored), else 0, also when nothing could be read and nothing was stored.
DWORD DrvSetPrinterDuplexDefault(HANDLE printer, LPCWSTR printerName, DWORD mode);

#endif  // DRV_BUILD_UM
