// Capability and version files, the colour-calibration info file, the colour-matching lists and
// the pre-print program path.
#include "capfile.h"

#ifndef DRV_BUILD_UM

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "datafile_parse.h"
#include "datafiles.h"
#include "settings_ini.h"
#include "spoolerinfo.h"
#include "textutil.h"
#include "wstrbuf.h"

namespace {

// Limits of the values read from the capability file, in characters with the terminator.
constexpr DWORD kPathCch = 520;
constexpr DWORD kLibrarySectionCch = 128;
constexpr DWORD kLibraryValueCch = 520;
constexpr DWORD kCcmSectionCch = 520;
constexpr DWORD kCcmValueCch = 520;
constexpr DWORD kCompressionCch = 128;

// Limits of the version file's values.
constexpr DWORD kDriverVerCch = 128;
constexpr DWORD kInternalVerCch = 512;
// DriverVer starts with the date of an installation file's driver version and a comma
// ("mm/dd/yyyy,"); the version follows.
constexpr size_t kDriverVerDateCch = 11;

// Colour-matching values are read into buffers of this many characters.
constexpr DWORD kColorMatchingCch = 512;

// Below this size the "Dependent Files" value is read into a buffer on the stack.
constexpr DWORD kDependentFilesBytes = 4096;

constexpr WCHAR kCapExtension[] = L".CAP";
constexpr WCHAR kVerExtension[] = L".VER";

WCHAR AsciiUpper(WCHAR c) { return (c >= L'a' && c <= L'z') ? static_cast<WCHAR>(c - L'a' + L'A') : c; }

// Whether text begins with word, comparing letters without regard to case.
bool StartsWithNoCase(LPCWSTR text, LPCWSTR word)
{
    for (; *word; ++text, ++word)
        if (AsciiUpper(*text) != AsciiUpper(*word)) return false;  // a terminator in text differs
    return true;
}

// Whether the entry of len characters is longer than four and ends in extension (".CAP").
bool HasExtension(LPCWSTR entry, size_t len, LPCWSTR extension)
{
    return len > 4 && StartsWithNoCase(entry + len - 4, extension);
}

// Whether path is a full path: a drive letter with a backslash, or a network name.
bool IsFullPath(LPCWSTR path)
{
    return (path[0] && path[1] == L':' && path[2] == L'\\') || (path[0] == L'\\' && path[1] == L'\\');
}

// Writes folder + name into out, whole or not at all (out empty). Returns whether it fits.
bool FolderAndName(LPCWSTR folder, LPCWSTR name, LPWSTR out, size_t cchOut)
{
    if (WBufCopy(out, cchOut, folder) && WBufAppend(out, cchOut, name)) return true;
    if (out && cchOut) out[0] = L'\0';
    return false;
}

// Writes name into out, prefixed with the driver folder when withFolder is nonzero.
bool DriverFolderPath(LPCWSTR name, BOOL withFolder, LPWSTR out, size_t cchOut)
{
    WCHAR folder[kPathCch] = L"";
    if (withFolder && DrvGetDriverFolder(folder, kPathCch) == 0) {
        if (out && cchOut) out[0] = L'\0';
        return false;
    }
    return FolderAndName(folder, name, out, cchOut);
}

// Walks a list of terminated strings ended by an empty one, at most cch characters long, for
// the first entry that ends in extension. Returns it, or NULL.
LPCWSTR FindDependentFile(LPCWSTR list, size_t cch, LPCWSTR extension)
{
    while (list && cch > 0) {
        const size_t len = wcsnlen(list, cch);
        if (len == 0 || len == cch) break;  // the end of the list, or an unterminated entry
        if (HasExtension(list, len, extension)) return list;
        list += len + 1;
        cch -= len + 1;
    }
    return nullptr;
}

// The dependent-file lookup through the printer's level-3 driver record.
BOOL FindDependentFileOfPrinter(HANDLE printer, LPCWSTR extension, LPWSTR out, BOOL withPath, size_t cchOut)
{
    if (!out || cchOut == 0) return FALSE;
    out[0] = L'\0';
    auto* info = static_cast<DRIVER_INFO_3W*>(DrvGetPrinterDriverInfo(printer, 3));
    if (!info) return FALSE;

    // The spooler packs the strings into the record's block: the list must lie inside it.
    const BYTE* begin = reinterpret_cast<const BYTE*>(info);
    const BYTE* end = begin + GlobalSize(info);
    const BYTE* list = reinterpret_cast<const BYTE*>(info->pDependentFiles);
    BOOL found = FALSE;
    if (list && list >= begin && list < end) {
        LPCWSTR entry =
            FindDependentFile(info->pDependentFiles, static_cast<size_t>(end - list) / sizeof(WCHAR), extension);
        if (entry) {
            if (!withPath) {
                const LPCWSTR slash = wcsrchr(entry, L'\\');
                found = WBufCopy(out, cchOut, slash ? slash + 1 : entry);
            } else if (IsFullPath(entry)) {
                found = WBufCopy(out, cchOut, entry);
            } else {
                // Dependent files are installed in the driver folder.
                found = DriverFolderPath(entry, TRUE, out, cchOut);
            }
        }
    }
    GlobalFree(info);
    if (!found) out[0] = L'\0';
    return found;
}

// The printer driver's key below HKEY_LOCAL_MACHINE, followed by the driver name.
bool DriverRegistryKey(LPCWSTR driverName, LPWSTR out, size_t cchOut)
{
    LPCWSTR base;
    if (LOBYTE(LOWORD(DrvGetWindowsVersion())) == 4) {
        base = L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-2\\";
    } else {
        SYSTEM_INFO system = {};
        GetSystemInfo(&system);
        base = system.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL
                   ? L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\"
                   : L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
    }
    return WBufCopy(out, cchOut, base) && WBufAppend(out, cchOut, driverName);
}

// The value of a model's key in the capability file capFile: the model's section is named by
// [Capability]. Returns the value's length; 0 with value empty when anything is missing.
DWORD ReadModelValue(LPCWSTR capFile, LPCWSTR modelName, LPCWSTR key, LPWSTR value, DWORD valueCch,
                     DWORD sectionCch)
{
    value[0] = L'\0';
    if (!capFile[0] || !modelName) return 0;
    WCHAR section[kCcmSectionCch];
    if (sectionCch > kCcmSectionCch) sectionCch = kCcmSectionCch;
    if (GetPrivateProfileStringW(L"Capability", modelName, L"", section, sectionCch, capFile) == 0) return 0;
    return GetPrivateProfileStringW(section, key, L"", value, valueCch, capFile);
}

// A model's library from the capability file of the printer's driver.
void GetLibraryValue(HANDLE printer, LPCWSTR modelName, LPCWSTR key, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    if (!out || cchOut == 0) return;
    out[0] = L'\0';
    WCHAR capFile[kPathCch];
    if (!FindCapabilityFile(printer, modelName, capFile, TRUE, kPathCch)) return;
    WCHAR value[kLibraryValueCch];
    if (ReadModelValue(capFile, modelName, key, value, kLibraryValueCch, kLibrarySectionCch) == 0) return;
    DriverFolderPath(value, withFolder, out, cchOut);
}

// The colour-calibration info file named in the capability file capFile.
void CcmInfoFileFrom(LPCWSTR capFile, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    WCHAR value[kCcmValueCch];
    if (ReadModelValue(capFile, modelName, L"CCMInfoFile", value, kCcmValueCch, kCcmSectionCch) == 0) return;
    DriverFolderPath(value, withFolder, out, cchOut);
}

UINT SettingCount(HANDLE printer, LPCWSTR modelName, LPCWSTR section)
{
    WCHAR ccm[kPathCch];
    GetCcmInfoFilePath(printer, modelName, ccm, TRUE, kPathCch);
    if (!ccm[0]) return 0;
    return GetPrivateProfileIntW(section, L"SettingNum", 0, ccm);
}

// "prefix" followed by the decimal number, in key (at least 32 characters).
void NumberedKey(LPCWSTR prefix, LONG number, LPWSTR key, size_t cchKey)
{
    WCHAR digits[INTTOWSTR_CCH];
    IntToWStr(number, digits);
    if (!WBufCopy(key, cchKey, prefix) || !WBufAppend(key, cchKey, digits)) key[0] = L'\0';
}

BOOL SettingEntry(HANDLE printer, LPCWSTR modelName, LPCWSTR section, int n, LPWSTR name, size_t cchName, WORD* ids,
                  size_t idCount)
{
    WCHAR ccm[kPathCch];
    GetCcmInfoFilePath(printer, modelName, ccm, TRUE, kPathCch);
    if (!ccm[0]) return FALSE;

    WCHAR key[32];
    NumberedKey(L"SettingID", n, key, ARRAYSIZE(key));
    const INT id = static_cast<INT>(GetPrivateProfileIntW(section, key, -1, ccm));
    if (id == -1) return FALSE;
    if (!ids || n < 0 || static_cast<size_t>(n) >= idCount) return FALSE;
    ids[n] = static_cast<WORD>(id);

    NumberedKey(L"SettingName", id, key, ARRAYSIZE(key));
    if (name && cchName > 0) {
        GetPrivateProfileStringW(section, key, L"", name, static_cast<DWORD>(std::min<size_t>(cchName, MAXDWORD)),
                                 ccm);
    }
    return TRUE;
}

// Reads key of section from customFile, else from defaultFile (NULL or empty: no file).
DWORD ReadFromModelFiles(LPCWSTR section, LPCWSTR key, LPWSTR value, DWORD cch, LPCWSTR defaultFile,
                         LPCWSTR customFile)
{
    value[0] = L'\0';
    DWORD n = 0;
    if (customFile && customFile[0]) n = GetPrivateProfileStringW(section, key, L"", value, cch, customFile);
    if (n == 0 && defaultFile && defaultFile[0])
        n = GetPrivateProfileStringW(section, key, L"", value, cch, defaultFile);
    return n;
}

// The words of the colour-matching lists, each the key of its file in [COLORMATCHING_FILE].
constexpr LPCWSTR kColorMatchingWords[] = {L"DigitalCamera", L"Light", L"Natural", L"sRGB", L"Vivid"};

struct ColorMatchingKeys {
    LPCWSTR nt;
    LPCWSTR nv;
};
constexpr ColorMatchingKeys kColorMatchingKeys[CM_MODE_COUNT] = {
    {L"Auto_NT", L"Auto_NV"},
    {L"StdMonitor_NT", L"StdMonitor_NV"},
    {L"Vivid_NT", L"Vivid_NV"},
    {L"HighBrightness_NT", L"HighBrightness_NV"},
    {L"DigitalCamera_NT", L"DigitalCamera_NV"},
    {L"sRGB_NT", L"sRGB_NV"},
};

void ReadColorMatchingKey(LPCWSTR key, LPWSTR out, size_t cchOut, LPCWSTR defaultFile, LPCWSTR customFile)
{
    WCHAR value[kColorMatchingCch];
    ReadFromModelFiles(L"COLORMATCHING", key, value, kColorMatchingCch, defaultFile, customFile);
    LPWSTR cursor = value;
    ParseColorMatchingList(&cursor, out, cchOut, defaultFile, customFile);
}

}  // namespace

BOOL FindCapabilityFile(HANDLE printer, LPCWSTR /*modelName*/, LPWSTR out, BOOL withPath, size_t cchOut)
{
    return FindDependentFileOfPrinter(printer, kCapExtension, out, withPath, cchOut);
}

BOOL FindVersionFile(HANDLE printer, LPCWSTR /*modelName*/, LPWSTR out, BOOL withPath, size_t cchOut)
{
    return FindDependentFileOfPrinter(printer, kVerExtension, out, withPath, cchOut);
}

BOOL FindCapabilityFileByRegistry(LPCWSTR driverName, LPWSTR out, BOOL withPath, size_t cchOut)
{
    if (!out || cchOut == 0) return FALSE;
    out[0] = L'\0';
    if (!driverName) return FALSE;

    WCHAR keyPath[kPathCch];
    if (!DriverRegistryKey(driverName, keyPath, kPathCch)) return FALSE;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return FALSE;

    // The value is read whole, with two terminators of our own behind it: a list that the
    // registry holds without its final terminators still ends inside the buffer.
    constexpr DWORD kTail = 2 * sizeof(WCHAR);
    WCHAR stackBuffer[(kDependentFilesBytes + kTail) / sizeof(WCHAR)];
    BYTE* buffer = reinterpret_cast<BYTE*>(stackBuffer);
    BYTE* heapBuffer = nullptr;
    DWORD bytes = kDependentFilesBytes;
    LONG status = RegQueryValueExW(key, L"Dependent Files", nullptr, nullptr, buffer, &bytes);
    if (status == ERROR_MORE_DATA && bytes < 0x100000u) {
        heapBuffer = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, bytes + kTail));
        if (heapBuffer) {
            buffer = heapBuffer;
            status = RegQueryValueExW(key, L"Dependent Files", nullptr, nullptr, buffer, &bytes);
        }
    }
    RegCloseKey(key);

    BOOL found = FALSE;
    if (status == ERROR_SUCCESS) {
        memset(buffer + bytes, 0, kTail);
        LPCWSTR entry =
            FindDependentFile(reinterpret_cast<LPCWSTR>(buffer), (bytes + kTail) / sizeof(WCHAR), kCapExtension);
        if (entry) found = DriverFolderPath(entry, withPath, out, cchOut);
    }
    if (heapBuffer) LocalFree(heapBuffer);
    return found;
}

int GetDriverVersionText(LPCWSTR versionFile, LPWSTR out, int size, BOOL skipOptionVer)
{
    if (!out || size <= 0) return 0;
    out[0] = L'\0';
    if (!versionFile || !versionFile[0]) return 0;

    if (!skipOptionVer) {
        GetPrivateProfileStringW(L"Version", L"OptionVer", L"", out, static_cast<DWORD>(size), versionFile);
        if (out[0]) return 0;
    }

    // DriverVer: the date and comma go, and so does the last version component (one or two
    // characters). A text that ends before the version's place counts as empty.
    WCHAR driverVer[kDriverVerCch];
    const DWORD n = GetPrivateProfileStringW(L"Version", L"DriverVer", L"", driverVer, kDriverVerCch, versionFile);
    if (n < 3) return 0;
    const size_t cut = driverVer[n - 2] == L'.' ? n - 2 : n - 3;
    if (cut < kDriverVerDateCch) return 0;
    driverVer[cut] = L'\0';
    const size_t versionLen = cut - kDriverVerDateCch;
    const size_t copied = versionLen < static_cast<size_t>(size) ? versionLen : static_cast<size_t>(size) - 1;
    wmemcpy(out, driverVer + kDriverVerDateCch, copied);
    out[copied] = L'\0';

    // InternalVer: the build text follows the second '-' outside double quotes.
    WCHAR internalVer[kInternalVerCch];
    const DWORD m =
        GetPrivateProfileStringW(L"Version", L"InternalVer", L"", internalVer, kInternalVerCch, versionFile);
    bool quoted = false;
    int dashes = 0;
    for (DWORD i = 0; i < m; ++i) {
        if (internalVer[i] == L'"') {
            quoted = !quoted;
            continue;
        }
        if (internalVer[i] != L'-' || quoted || ++dashes < 2) continue;
        const long tailLen = static_cast<long>(m - i);  // from the '-' to the end
        if (tailLen <= static_cast<long>(size) - 10) {
            LPCWSTR text = internalVer + i + 1;
            long len = tailLen - 1;
            if (text[0] == L'"') {
                ++text;
                len -= 2;  // the opening quote and the value's last character
            }
            if (len > 0) {
                const size_t room = static_cast<size_t>(size) - 1 - copied;
                const size_t take = static_cast<size_t>(len) < room ? static_cast<size_t>(len) : room;
                wmemcpy(out + copied, text, take);
                out[copied + take] = L'\0';
            }
        }
        break;
    }
    return 0;
}

void GetCcmInfoFilePath(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    if (!out || cchOut == 0) return;
    out[0] = L'\0';
    WCHAR capFile[kPathCch];
    if (!FindCapabilityFile(printer, modelName, capFile, TRUE, kPathCch)) return;
    CcmInfoFileFrom(capFile, modelName, out, withFolder, cchOut);
}

void GetCcmInfoFilePathByRegistry(LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    if (!out || cchOut == 0) return;
    out[0] = L'\0';
    WCHAR capFile[kPathCch];
    if (!FindCapabilityFileByRegistry(modelName, capFile, TRUE, kPathCch)) return;
    CcmInfoFileFrom(capFile, modelName, out, withFolder, cchOut);
}

UINT GetColorSettingCount(HANDLE printer, LPCWSTR modelName) { return SettingCount(printer, modelName, L"Color"); }

UINT GetGammaSettingCount(HANDLE printer, LPCWSTR modelName) { return SettingCount(printer, modelName, L"Gamma"); }

BOOL GetColorSettingEntry(HANDLE printer, LPCWSTR modelName, int n, LPWSTR name, size_t cchName, WORD* ids,
                          size_t idCount)
{
    return SettingEntry(printer, modelName, L"Color", n, name, cchName, ids, idCount);
}

BOOL GetGammaSettingEntry(HANDLE printer, LPCWSTR modelName, int n, LPWSTR name, size_t cchName, WORD* ids,
                          size_t idCount)
{
    return SettingEntry(printer, modelName, L"Gamma", n, name, cchName, ids, idCount);
}

void ResetCcmUpdateFlag(HANDLE printer, LPCWSTR modelName)
{
    WCHAR ccm[kPathCch];
    GetCcmInfoFilePath(printer, modelName, ccm, TRUE, kPathCch);
    if (!ccm[0]) return;
    ProfileEdit edit(ccm, ProfileEncoding::Keep);
    edit.SetValue(L"Config", L"Update", L"0");
}

DWORD GetCompressionCaps(LPCWSTR driverName)
{
    WCHAR capFile[kPathCch];
    if (!FindCapabilityFileByRegistry(driverName, capFile, TRUE, kPathCch)) return 0;
    WCHAR value[kCompressionCch];
    if (ReadModelValue(capFile, driverName, L"Compression", value, kCompressionCch, kCompressionCch) == 0) return 0;
    LPWSTR cursor = value;
    return DataFileParseHexOrDec(&cursor, L' ');
}

WORD GetCompressionLow(LPCWSTR driverName) { return static_cast<WORD>(GetCompressionCaps(driverName) & 0xFF); }

WORD GetCompressionHigh(LPCWSTR driverName) { return static_cast<WORD>((GetCompressionCaps(driverName) >> 8) & 0xFF); }

void GetJobInfoWmkLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    GetLibraryValue(printer, modelName, L"JobInfoWMK", out, withFolder, cchOut);
}

void GetJobInfoLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    GetLibraryValue(printer, modelName, L"JobInfoDll", out, withFolder, cchOut);
}

void GetEfiUserAuthLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    GetLibraryValue(printer, modelName, L"EFI_UserAuthDLL", out, withFolder, cchOut);
}

void GetUserAuthLibrary(HANDLE printer, LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    GetLibraryValue(printer, modelName, L"UA_DLL", out, withFolder, cchOut);
}

BOOL FileExists(LPCWSTR path)
{
    // Only the attributes are asked for: opening the file would take a file that another
    // process holds open without sharing for a missing one.
    if (!path || !path[0]) return FALSE;
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void GetPrePrintProgramPath(HANDLE /*printer*/, LPCWSTR /*modelName*/, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    DriverFolderPath(DRV_PREPRINT_PROGRAM, withFolder, out, cchOut);
}

void ReadColorMatchingTable(LPCWSTR modelName, int mode, LPWSTR ntOut, LPWSTR nvOut, size_t cchOut)
{
    if (mode < 0 || mode >= CM_MODE_COUNT) return;
    WCHAR defaultFile[MAX_PATH], customFile[MAX_PATH];
    if (DrvGetDefaultFile(modelName, defaultFile, TRUE, MAX_PATH) == 0) defaultFile[0] = L'\0';
    if (DrvGetCustomFile(modelName, customFile, TRUE, MAX_PATH) == 0) customFile[0] = L'\0';
    ReadColorMatchingKey(kColorMatchingKeys[mode].nt, ntOut, cchOut, defaultFile, customFile);
    ReadColorMatchingKey(kColorMatchingKeys[mode].nv, nvOut, cchOut, defaultFile, customFile);
}

void ParseColorMatchingList(LPWSTR* cursor, LPWSTR out, size_t cchOut, LPCWSTR defaultFile, LPCWSTR customFile)
{
    if (!cursor || !*cursor) return;
    LPWSTR p = *cursor;
    for (; *p; ++p) {
        if (*p == L';') {
            *p = L'\0';
            break;
        }
        LPCWSTR word = nullptr;
        for (LPCWSTR w : kColorMatchingWords)
            if (AsciiUpper(*p) == AsciiUpper(w[0])) word = w;
        if (!word) continue;
        if (!StartsWithNoCase(p, word)) {
            ++p;  // a misspelt word: only its first letter is passed
            break;
        }
        p += wcslen(word);
        if (out && cchOut > 0) {
            WCHAR value[kColorMatchingCch];
            ReadFromModelFiles(L"COLORMATCHING_FILE", word, value, kColorMatchingCch, defaultFile, customFile);
            if (!WBufCopy(out, cchOut, value)) out[0] = L'\0';
        }
        break;
    }
    *cursor = p;
}

#endif  // DRV_BUILD_UM
