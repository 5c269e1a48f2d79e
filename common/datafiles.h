// Where the driver's data files are: the driver folder, the master data file and its values,
// the machine-wide and per-user data folders, and the printer's data file.
#pragma once
#include <windows.h>
#include <cstddef>

// Limit of one value read from the master data file, in characters.
constexpr DWORD DATAFILE_VALUE_CCH = 520;

// Numbered keys of the master data file (DrvGetDataFileKey). Each id stands for one fixed key
// name, read from the model's section and then from [General].
enum DataFileKeyId : UINT {
    DFKEY_VERSION_INF_FILE = 1,      // "VersionINFFile"
    DFKEY_COMMON_VER_INF_DLL = 2,    // "CommonVerInfDLL"
    DFKEY_STRING_RES_DLL = 11,       // "StringResDLL": string-resource library pattern
    DFKEY_DIALOG_RES_DLL = 12,       // "DialogResDLL": dialog-resource library pattern
    DFKEY_HELP_FILE = 51,            // "Help File"
    DFKEY_LTSPOOL = 52,              // "LTSPOOL.DLL"
    DFKEY_LTPRINT = 53,              // "LTPRINT.INI"
    DFKEY_USER_DEFINE_INFO = 70,     // "UserDefineInfo"
    DFKEY_USER_DEF_PAPER_INFO = 71,  // "UserDefPaperInfo"
    DFKEY_WATERMARK_INFO = 72,       // "WatermarkInfo"
    DFKEY_WATERMARK_DIR = 73,        // "WatermarkDir"
    DFKEY_MEDIATYPE_INFO = 74,       // "MediatypeInfo"
    DFKEY_CUSTOM_PRINTER_INFO = 75,  // "CustomPrinterInfo"
    DFKEY_USERMODE_DRIVER_NAME = 90, // "UsermodeDriverName"
    DFKEY_OPTION_TRAY = 101,         // "OptionInf_Tray"
    DFKEY_OPTION_DUPLEX = 110,       // "OptionInf_Duplex"
    DFKEY_OPTION_HD = 111,           // "OptionInf_HD"
    DFKEY_OPTION_FINISHER = 112,     // "OptionInf_Finisher"
    DFKEY_OPTION_RAM = 120,          // "OptionInf_RAM"
    DFKEY_OPTION_FLASH = 121,        // "OptionInf_Flash"
};

// The key name of a numbered key, or NULL for an id that has none.
LPCWSTR DrvDataFileKeyName(UINT id);

// Writes the driver folder (the folder of this library's module file, ending in a backslash;
// the system folder when the module file name cannot be obtained) into out. Returns its length
// in characters, or 0 with out empty when it does not fit cchOut.
size_t DrvGetDriverFolder(LPWSTR out, size_t cchOut);

// Reads key of section from the master data file. out receives the driver folder (when
// withFolder is nonzero) followed by the value; returns the value's length, 0 when the key is
// missing or empty. A value that does not fit out together with the folder counts as missing:
// out then holds just the folder (or nothing) and the result is 0.
DWORD DrvGetDataFileValuePath(LPCWSTR section, LPCWSTR key, LPWSTR out, BOOL withFolder,
                              size_t cchOut = MAX_PATH);

// [Common] InitDataFile2 and InitDataFile3, and the model's DefaultFile and CustomFile.
DWORD DrvGetInitDataFile2(LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
DWORD DrvGetInitDataFile3(LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
DWORD DrvGetDefaultFile(LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
DWORD DrvGetCustomFile(LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);

// Writes the printer's data file path (the data-file member of its level-2 driver record) into
// out, or the empty string when the spooler cannot give it or it does not fit.
void GetPrinterDataFilePath(HANDLE printer, LPWSTR out, size_t cchOut = MAX_PATH);

// The machine-wide data folder (all-users application data + "\Velmora\Drv\<code>"), without a
// trailing backslash; not created here. Return 1; 0 with out empty only when it does not fit.
BOOL DrvGetCommonDataFolder(LPWSTR out, size_t cchOut = MAX_PATH);
BOOL DrvGetDataFolder(LPWSTR out, size_t cchOut = MAX_PATH);

#ifndef DRV_BUILD_UM
// [Common] InitDataFile1: the resource library with the dither tables.
DWORD DrvGetInitDataFile1(LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);

// Reads the numbered key id from the model's section of the master data file in the folder of
// module, and from [General] when the model's section lacks it (a NULL modelName reads [General]
// only). Returns the number of characters read into out (size characters with the terminator),
// 0 for an unknown id, a missing key or a module without a file name.
DWORD DrvGetDataFileKey(UINT id, HMODULE module, LPCWSTR modelName, LPWSTR out, DWORD size);

// The per-user data folder (local application data + "\Velmora\Drv\<code>"), created when it is
// missing. Returns 1; 0 with out empty only when it does not fit.
BOOL DrvGetUserDataFolder(LPWSTR out, size_t cchOut = MAX_PATH);
#endif
