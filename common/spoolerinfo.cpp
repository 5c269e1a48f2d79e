// Spooler queries shared by the model data library and the user-interface library.
#include "spoolerinfo.h"

#include <winspool.h>

#include "wstrbuf.h"

void* DrvGetPrinterDriverInfo(HANDLE printer, DWORD level)
{
    if (!printer) return nullptr;
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, level, nullptr, 0, &needed);
    if (needed == 0) return nullptr;
    void* block = GlobalAlloc(GPTR, needed);
    if (!block) return nullptr;
    if (!GetPrinterDriverW(printer, nullptr, level, static_cast<BYTE*>(block), needed, &needed)) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

LPCWSTR DrvGetHelpFilePath(HANDLE printer)
{
    static WCHAR s_helpFile[MAX_PATH];
    s_helpFile[0] = L'\0';
    auto* info = static_cast<DRIVER_INFO_3W*>(DrvGetPrinterDriverInfo(printer, 3));
    if (info) {
        if (!WBufCopy(s_helpFile, MAX_PATH, info->pHelpFile)) s_helpFile[0] = L'\0';
        GlobalFree(info);
    }
    return s_helpFile;
}
