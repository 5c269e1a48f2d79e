// Driver folder, master data file values, data folders and the printer's data file.
#include "datafiles.h"

#include <shlobj.h>
#include <winspool.h>

#include "drvglobals.h"
#include "ini_memo.h"
#include "module.h"
#include "spoolerinfo.h"
#include "wstrbuf.h"

namespace {

struct KeyName {
    UINT id;
    LPCWSTR name;
};

constexpr KeyName kDataFileKeys[] = {
    {DFKEY_VERSION_INF_FILE, L"VersionINFFile"},
    {DFKEY_COMMON_VER_INF_DLL, L"CommonVerInfDLL"},
    {DFKEY_STRING_RES_DLL, L"StringResDLL"},
    {DFKEY_DIALOG_RES_DLL, L"DialogResDLL"},
    {DFKEY_HELP_FILE, L"Help File"},
    {DFKEY_LTSPOOL, L"LTSPOOL.DLL"},
    {DFKEY_LTPRINT, L"LTPRINT.INI"},
    {DFKEY_USER_DEFINE_INFO, L"UserDefineInfo"},
    {DFKEY_USER_DEF_PAPER_INFO, L"UserDefPaperInfo"},
    {DFKEY_WATERMARK_INFO, L"WatermarkInfo"},
    {DFKEY_WATERMARK_DIR, L"WatermarkDir"},
    {DFKEY_MEDIATYPE_INFO, L"MediatypeInfo"},
    {DFKEY_CUSTOM_PRINTER_INFO, L"CustomPrinterInfo"},
    {DFKEY_USERMODE_DRIVER_NAME, L"UsermodeDriverName"},
    {DFKEY_OPTION_TRAY, L"OptionInf_Tray"},
    {DFKEY_OPTION_DUPLEX, L"OptionInf_Duplex"},
    {DFKEY_OPTION_HD, L"OptionInf_HD"},
    {DFKEY_OPTION_FINISHER, L"OptionInf_Finisher"},
    {DFKEY_OPTION_RAM, L"OptionInf_RAM"},
    {DFKEY_OPTION_FLASH, L"OptionInf_Flash"},
};

// Module file names are read with this limit for the driver folder, and with the larger one
// for the numbered keys.
constexpr DWORD kModuleNameCch = 520;
constexpr DWORD kKeyModuleNameCch = 1024;

// The folder of module's file with its trailing backslash, in out (cch characters). Returns
// false when the name cannot be obtained whole.
bool ModuleFolder(HMODULE module, LPWSTR out, DWORD cch)
{
    const DWORD n = GetModuleFileNameW(module, out, cch);
    if (n == 0 || n >= cch) return false;  // n == cch: the name was cut short
    LPWSTR slash = wcsrchr(out, L'\\');
    if (!slash) return false;
    slash[1] = L'\0';
    return true;
}

// The master data file in the given folder (which ends in a backslash).
bool MasterFilePath(LPCWSTR folder, LPWSTR out, size_t cch)
{
    return WBufCopy(out, cch, folder) && WBufAppend(out, cch, DRV_MASTER_DATA_FILE);
}

BOOL AppDataFolder(int csidl, LPWSTR out, size_t cch)
{
    WCHAR base[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, base))) base[0] = L'\0';
    if (!WBufCopy(out, cch, base) || !WBufAppend(out, cch, DRV_DATA_SUBFOLDER)) {
        if (out && cch) out[0] = L'\0';
        return FALSE;
    }
    return TRUE;
}

}  // namespace

LPCWSTR DrvDataFileKeyName(UINT id)
{
    for (const KeyName& k : kDataFileKeys)
        if (k.id == id) return k.name;
    return nullptr;
}

size_t DrvGetDriverFolder(LPWSTR out, size_t cchOut)
{
    WCHAR folder[kModuleNameCch];
    if (!ModuleFolder(g_hInst, folder, kModuleNameCch)) {
        const UINT n = GetSystemDirectoryW(folder, kModuleNameCch - 1);
        if (n == 0 || n >= kModuleNameCch - 1) folder[0] = L'\0';
        WBufAppend(folder, kModuleNameCch, L"\\");
    }
    if (!WBufCopy(out, cchOut, folder)) {
        if (out && cchOut) out[0] = L'\0';
        return 0;
    }
    return wcslen(out);
}

DWORD DrvGetDataFileValuePath(LPCWSTR section, LPCWSTR key, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    if (!out || cchOut == 0) return 0;
    out[0] = L'\0';

    WCHAR folder[kModuleNameCch];
    const size_t folderLen = DrvGetDriverFolder(folder, kModuleNameCch);
    if (withFolder && !WBufCopy(out, cchOut, folder)) {
        out[0] = L'\0';
        return 0;
    }
    if (!section || !key) return 0;

    WCHAR master[kModuleNameCch + 16];
    if (folderLen == 0 || !MasterFilePath(folder, master, ARRAYSIZE(master))) return 0;

    WCHAR value[DATAFILE_VALUE_CCH];
    const DWORD n = DrvReadIniString(section, key, L"", value, DATAFILE_VALUE_CCH, master);
    if (n == 0) return 0;
    // A value that does not fit the caller's buffer together with the folder is never cut:
    // a cut file name would name another file, so it counts as missing.
    if (!WBufAppend(out, cchOut, value)) return 0;
    return n;
}

DWORD DrvGetInitDataFile2(LPWSTR out, BOOL withFolder, size_t cchOut)
{
    return DrvGetDataFileValuePath(L"Common", L"InitDataFile2", out, withFolder, cchOut);
}

DWORD DrvGetInitDataFile3(LPWSTR out, BOOL withFolder, size_t cchOut)
{
    return DrvGetDataFileValuePath(L"Common", L"InitDataFile3", out, withFolder, cchOut);
}

DWORD DrvGetDefaultFile(LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    return DrvGetDataFileValuePath(modelName, L"DefaultFile", out, withFolder, cchOut);
}

DWORD DrvGetCustomFile(LPCWSTR modelName, LPWSTR out, BOOL withFolder, size_t cchOut)
{
    return DrvGetDataFileValuePath(modelName, L"CustomFile", out, withFolder, cchOut);
}

void GetPrinterDataFilePath(HANDLE printer, LPWSTR out, size_t cchOut)
{
    if (!out || cchOut == 0) return;
    out[0] = L'\0';
    auto* info = static_cast<DRIVER_INFO_2W*>(DrvGetPrinterDriverInfo(printer, 2));
    if (!info) return;
    if (!WBufCopy(out, cchOut, info->pDataFile)) out[0] = L'\0';
    GlobalFree(info);
}

BOOL DrvGetCommonDataFolder(LPWSTR out, size_t cchOut)
{
    return AppDataFolder(CSIDL_COMMON_APPDATA, out, cchOut);
}

BOOL DrvGetDataFolder(LPWSTR out, size_t cchOut)
{
    return DrvGetCommonDataFolder(out, cchOut);
}

#ifndef DRV_BUILD_UM

DWORD DrvGetInitDataFile1(LPWSTR out, BOOL withFolder, size_t cchOut)
{
    return DrvGetDataFileValuePath(L"Common", L"InitDataFile1", out, withFolder, cchOut);
}

DWORD DrvGetDataFileKey(UINT id, HMODULE module, LPCWSTR modelName, LPWSTR out, DWORD size)
{
    if (!out || size == 0) return 0;
    out[0] = L'\0';

    WCHAR folder[kKeyModuleNameCch];
    WCHAR master[kKeyModuleNameCch + 16];
    if (!ModuleFolder(module, folder, kKeyModuleNameCch) ||
        !MasterFilePath(folder, master, ARRAYSIZE(master)))
        return 0;

    const LPCWSTR key = DrvDataFileKeyName(id);
    if (!key) return 0;

    const LPCWSTR section = modelName ? modelName : L"General";
    DWORD n = DrvReadIniString(section, key, L"", out, size, master);
    if (n == 0 && modelName) n = DrvReadIniString(L"General", key, L"", out, size, master);
    return n;
}

BOOL DrvGetUserDataFolder(LPWSTR out, size_t cchOut)
{
    if (!AppDataFolder(CSIDL_LOCAL_APPDATA, out, cchOut)) return FALSE;
    if (GetFileAttributesW(out) == INVALID_FILE_ATTRIBUTES) SHCreateDirectoryExW(nullptr, out, nullptr);
    return TRUE;
}

#endif
