// Rendering options from the printer's data.
#include "printer_data.h"

#include <winspool.h>

#include <cstring>

#include "pdev.h"

namespace {

// A DWORD value, or fallback when it is absent, of another size or unreadable.
DWORD ReadDword(HANDLE printer, LPCWSTR name, DWORD fallback)
{
    DWORD type = 0, value = 0, needed = 0;
    if (GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, reinterpret_cast<BYTE*>(&value), sizeof value,
                        &needed) != ERROR_SUCCESS ||
        needed != sizeof value)
        return fallback;
    return value;
}

// The "DefaultFont" text, cut to the PDEV's field (at most PDEV_DEFAULT_FONT_CCH - 1 characters
// and the terminator); empty when absent or unreadable. The value may be longer than the field
// (the user-interface library stores up to 63 characters), so it is read whole into a buffer of
// the size the spooler reports and only then cut.
void ReadDefaultFont(PDEV* pdev)
{
    pdev->defaultFont[0] = L'\0';
    pdev->defaultFontBytes = 0;
    LPWSTR name = const_cast<LPWSTR>(L"DefaultFont");
    DWORD type = 0, needed = 0;
    WCHAR small[PDEV_DEFAULT_FONT_CCH] = {};
    BYTE* data = reinterpret_cast<BYTE*>(small);
    DWORD size = 0;
    DWORD status = GetPrinterDataW(pdev->hPrinter, name, &type, nullptr, 0, &needed);
    HGLOBAL block = nullptr;
    if (status != ERROR_SUCCESS) {
        if (needed == 0) return;
        block = GlobalAlloc(GPTR, needed + sizeof(WCHAR));
        if (!block) return;
        data = static_cast<BYTE*>(block);
        status = GetPrinterDataW(pdev->hPrinter, name, &type, data, needed, &size);
        if (status != ERROR_SUCCESS || size > needed) {
            GlobalFree(block);
            return;
        }
    }
    // The characters the value holds, up to its terminator or its end, and at most the field's.
    const WCHAR* text = reinterpret_cast<const WCHAR*>(data);
    size_t chars = 0;
    const size_t available = size / sizeof(WCHAR);
    while (chars < available && chars < PDEV_DEFAULT_FONT_CCH - 1 && text[chars]) ++chars;
    memcpy(pdev->defaultFont, text, chars * sizeof(WCHAR));
    pdev->defaultFont[chars] = L'\0';
    pdev->defaultFontBytes = chars ? static_cast<DWORD>((chars + 1) * sizeof(WCHAR)) : 0;
    if (block) GlobalFree(block);
}

}  // namespace

void ReadPrinterDataValues(PDEV* pdev)
{
    pdev->band.count = static_cast<LONG>(ReadDword(pdev->hPrinter, L"Banding", 0));
    if (static_cast<DWORD>(pdev->band.count) > BANDING_MAX) pdev->band.count = 0;
    pdev->division = ReadDword(pdev->hPrinter, L"Division", DIVISION_DEFAULT);
    if (pdev->division < DIVISION_MIN || pdev->division > DIVISION_MAX) pdev->division = DIVISION_DEFAULT;
    ReadDefaultFont(pdev);
    pdev->charRotate = ReadDword(pdev->hPrinter, L"CharRotate", 0);
}
