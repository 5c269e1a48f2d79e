// The driver's capability file (*.CAP) and version file (*.VER), two of the printer driver's
// dependent files; the colour-calibration info file that the capability file names per model;
// the colour-matching lists of the model data files; and the path of the pre-print program.
//
// Capability file: [Capability] maps a model name to the name of the model's section, which
// holds the model's keys (CCMInfoFile, Compression, JobInfoWMK, JobInfoDll, EFI_UserAuthDLL,
// UA_DLL, CryptoDll, CARD_DLL, ...). A value that names a file is relative to the folder of the
// user-interface library's module file (the driver folder).
//
// Nothing here reports errors: missing files, sections and keys read as empty text or 0.
// Output buffers take cchOut characters with the terminator; a path that does not fit whole is
// never cut (a cut path names another file) and reads as empty.
#pragma once
#include <windows.h>

#include <cstddef>

#ifndef DRV_BUILD_UM

// The pre-print program, in the driver folder.
#define DRV_PREPRINT_PROGRAM L"TVPRE.EXE"

// Dependent files of the printer's driver record (level 3): the first entry longer than four
// characters that ends in ".CAP" (".VER"), in any case. Writes its full path (withPath nonzero)
// or the part after its last backslash into out and returns 1; returns 0 with out empty when
// the printer has no driver record, no entry matches or the result does not fit. An entry the
// spooler gives without a folder is taken to be in the driver folder. modelName is not used.
BOOL FindCapabilityFile(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withPath, size_t cchOut = MAX_PATH);
BOOL FindVersionFile(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withPath, size_t cchOut = MAX_PATH);

// The same from the "Dependent Files" value of the printer driver's registry key (under
// HKEY_LOCAL_MACHINE, chosen by the system's version and processor architecture); the full
// path is the driver folder followed by the entry.
BOOL FindCapabilityFileByRegistry(LPCWSTR driverName, LPWSTR out, BOOL withPath, size_t cchOut = MAX_PATH);

// The version text of the version file at versionFile: [Version] OptionVer when set (unless
// skipOptionVer); else the dotted version of DriverVer without the date and without its last
// component, followed by the internal build text of InternalVer (what follows its second '-'
// outside double quotes, without enclosing double quotes). out (size characters) is empty when
// there is no text. Returns 0.
int GetDriverVersionText(LPCWSTR versionFile, LPWSTR out, int size, BOOL skipOptionVer);

// The model's CCMInfoFile, prefixed with the driver folder when withFolder is nonzero; empty
// when the capability file, the model or the key is missing.
void GetCcmInfoFilePath(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
// The same with the capability file found in the registry; the model name is the driver name.
void GetCcmInfoFilePathByRegistry(LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);

// SettingNum of [Color] or [Gamma] of the model's colour-calibration info file; 0 when absent.
UINT GetColorSettingCount(HANDLE printer, LPCWSTR modelName);
UINT GetGammaSettingCount(HANDLE printer, LPCWSTR modelName);

// Setting n of [Color] or [Gamma]: returns 0 when SettingID<n> is absent (or -1) or n is not an
// index of ids (idCount entries); else stores the id in ids[n], copies SettingName<id> into
// name (cchName characters, cut to fit; empty when absent) and returns 1.
BOOL GetColorSettingEntry(HANDLE printer, LPCWSTR modelName, int n, LPWSTR name, size_t cchName, WORD* ids,
                          size_t idCount);
BOOL GetGammaSettingEntry(HANDLE printer, LPCWSTR modelName, int n, LPWSTR name, size_t cchName, WORD* ids,
                          size_t idCount);

// Writes "0" to [Config] Update of the model's colour-calibration info file (nothing when the
// model names none).
void ResetCcmUpdateFlag(HANDLE printer, LPCWSTR modelName);

// The model's Compression number (capability file found in the registry by the driver name):
// bits 0-7 compression on, bits 8-15 compression level; 0 when absent.
DWORD GetCompressionCaps(LPCWSTR driverName);
WORD GetCompressionLow(LPCWSTR driverName);
WORD GetCompressionHigh(LPCWSTR driverName);

// The model's JobInfoWMK, JobInfoDll, EFI_UserAuthDLL and UA_DLL: the library's file name,
// prefixed with the driver folder when it is not empty and withFolder is nonzero; empty when
// the key is absent.
void GetJobInfoWmkLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
void GetJobInfoLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
void GetEfiUserAuthLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);
void GetUserAuthLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);

// 1 when path names an existing file (not a folder), else 0. A file that another process holds
// open, even without sharing, exists.
BOOL FileExists(LPCWSTR path);

// DRV_PREPRINT_PROGRAM, prefixed with the driver folder when withFolder is nonzero.
void GetPrePrintProgramPath(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut = MAX_PATH);

// Colour-matching modes: the index of the [COLORMATCHING] key pair.
enum ColorMatchingMode : int {
    CM_MODE_AUTO = 0,            // Auto_NT, Auto_NV
    CM_MODE_STD_MONITOR = 1,     // StdMonitor_NT, StdMonitor_NV
    CM_MODE_VIVID = 2,           // Vivid_NT, Vivid_NV
    CM_MODE_HIGH_BRIGHTNESS = 3, // HighBrightness_NT, HighBrightness_NV
    CM_MODE_DIGITAL_CAMERA = 4,  // DigitalCamera_NT, DigitalCamera_NV
    CM_MODE_SRGB = 5,            // sRGB_NT, sRGB_NV
    CM_MODE_COUNT = 6,
};

// Reads the mode's NT and NV keys of [COLORMATCHING] from the model's CustomFile, else its
// DefaultFile, and passes each to ParseColorMatchingList with ntOut or nvOut. A mode outside
// 0..5 reads nothing. An output that no word fills is left as it was.
void ReadColorMatchingTable(LPCWSTR modelName, int mode, LPWSTR ntOut, LPWSTR nvOut, size_t cchOut = MAX_PATH);

// Passes over the value at *cursor up to its end, a ';' (which ends the value and becomes the
// terminator) or the first of the letters D, L, N, S, V (either case). When the text there
// begins with DigitalCamera, Light, Natural, sRGB or Vivid (any case), the word's key of
// [COLORMATCHING_FILE] from customFile, else defaultFile, is copied into out (empty when
// neither file has it or it does not fit out). Only the first such letter is tried: the cursor
// is left after the word, or after the letter of a misspelt word, which leaves out unchanged.
// NULL or empty paths stand for missing files.
void ParseColorMatchingList(LPWSTR* cursor, LPWSTR out, size_t cchOut, LPCWSTR defaultFile, LPCWSTR customFile);

#endif  // DRV_BUILD_UM
