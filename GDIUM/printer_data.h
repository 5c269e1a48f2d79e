// Rendering options kept in the printer's data (GetPrinterDataW on the PDEV's printer handle).
// Only "DefaultFont" is written by this driver (when the printer is set up); the others are
// administrative values that keep their defaults unless somebody stores them.
#pragma once
#include <windows.h>

struct PDEV;

// "Banding": the first number of bands a raster page is tried in; 0 when absent or above 31.
constexpr DWORD BANDING_MAX = 31;
// "Division": the largest tile of a stretching blt, in pixels; values outside the bounds give
// the default.
constexpr DWORD DIVISION_DEFAULT = 0x80000;
constexpr DWORD DIVISION_MIN = 0x10000;
constexpr DWORD DIVISION_MAX = 0x100000;

// Reads "Banding", "Division", "DefaultFont" and "CharRotate" into the PDEV, each falling back to
// its default; the default font name is cut to the PDEV's field. Never fails.
void ReadPrinterDataValues(PDEV* pdev);
