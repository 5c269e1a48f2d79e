// Spooler queries shared by the model data library and the user-interface library.
#pragma once
#include <windows.h>

// The printer's driver record of the given level (default environment) in a fixed global block
// sized by a first query; NULL on failure. The caller frees it with GlobalFree.
void* DrvGetPrinterDriverInfo(HANDLE printer, DWORD level);

// The driver's help file (help-file member of the level-3 driver record), copied into one
// static buffer of the library; the empty text when the query fails. The next call overwrites it.
LPCWSTR DrvGetHelpFilePath(HANDLE printer);
