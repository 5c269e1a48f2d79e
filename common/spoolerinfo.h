// Spooler queries shared by the model data library and the user-interface library.
#pragma once
#include <windows.h>

// A spooler record of the kind query(buffer, size, &needed) fills (GetPrinterW, GetPrinterDriverW
// of one printer and level), in a fixed global block; NULL on failure. The caller frees it with
// GlobalFree. The first call is made with a block large enough for most records (a level-2
// printer record with this driver's DEVMODE among them), so that the spooler, whose every query
// reads the printer's registry, is asked once; a record that needs more is asked for again in a
// block of the size it gave.
template <class Query>
void* DrvSpoolerRecord(Query query)
{
    constexpr DWORD kFirstBytes = 8192;
    DWORD size = kFirstBytes, needed = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        void* block = GlobalAlloc(GPTR, size);
        if (!block) return nullptr;
        if (query(static_cast<BYTE*>(block), size, &needed)) return block;
        GlobalFree(block);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= size) return nullptr;
        size = needed;
    }
    return nullptr;
}

// The printer's driver record of the given level (default environment) in a fixed global block
// (DrvSpoolerRecord); NULL on failure. The caller frees it with GlobalFree.
void* DrvGetPrinterDriverInfo(HANDLE printer, DWORD level);

// The driver's help file (help-file member of the level-3 driver record), copied into one
// static buffer of the library; the empty text when the query fails. The next call overwrites it.
LPCWSTR DrvGetHelpFilePath(HANDLE printer);
