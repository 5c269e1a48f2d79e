// The print system's request record of DrvDocumentPropertySheets (lParam of a call without a
// sheet, lParamInit of a sheet's PROPSHEETUI_INFO), which the MinGW-w64 headers do not declare.
// Written from the public interface documentation.
#pragma once
#include <windows.h>

struct DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;   // in: bytes at pdmOut; out: the size of the driver DEVMODE
    DWORD fMode;   // DM_* request bits
};
