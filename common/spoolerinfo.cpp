// Spooler queries shared by the model data library and the user-interface library.
#include "spoolerinfo.h"

#include <winspool.h>

#include "wstrbuf.h"

void* DrvGetPrinterDriverInfo(HANDLE printer, DWORD level)
{
    if (!printer) return nullptr;
    return DrvSpoolerRecord([&](BYTE* buffer, DWORD size, DWORD* needed) {
        return GetPrinterDriverW(printer, nullptr, level, buffer, size, needed);
    });
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
