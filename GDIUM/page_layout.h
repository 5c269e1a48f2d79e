// Per-page layout decisions shared by the page set-up and the drawing code of both output modes:
// the binding offsets of a page, its PCL orientation, the driver-side zoom and page turn of a
// device point, the print offset's shift and clipping, and a few small arithmetic helpers.
// Nothing here writes to the output stream.
#pragma once
#include <windows.h>

#include <cstddef>

struct PDEV;

// Print orientations (GetPageOrientation).
constexpr DWORD PAGEORIENT_PORTRAIT = 0;
constexpr DWORD PAGEORIENT_LANDSCAPE = 1;
constexpr DWORD PAGEORIENT_REVERSE_PORTRAIT = 2;
constexpr DWORD PAGEORIENT_REVERSE_LANDSCAPE = 3;

// Buffer size that holds any FormatDecipoints result ("429496729.5" and the terminator).
constexpr size_t DECIPOINTS_TEXT_BYTES = 16;

// Sets the four binding offsets (geo.bindingLeft/Top/Right/Bottom) of page number page (counter
// + 1) from the binding state and margin; backSide counts the page as one further on (the job
// starts on a back side) when the duplex side is chosen by parity.
void SetBindingOffsets(PDEV* pdev, DWORD page, BOOL backSide);

// Brings the binding state up to date for page number page (N-up cells share their sheet's state,
// a cell turned against the sheet turns it) and sets the left and top binding offsets.
void UpdateBindingState(PDEV* pdev, DWORD page);

// The PCL orientation of page number page: PAGEORIENT_*.
DWORD GetPageOrientation(const PDEV* pdev, DWORD page);

// Applies the driver-side zoom to a device point and, while pages are turned
// (JOBSTATUS_ROTATED_PAGES), turns it by the page angle within the logical page.
void MapPagePoint(const PDEV* pdev, LONG* x, LONG* y);

// Works out geo.effectiveShift and the four clip amounts from geo.originShift; noRotation leaves
// the sheet rotation out.
void ComputeShiftedOrigin(PDEV* pdev, BOOL noRotation);

// y measured from the other side of the picture frame (its width while pages are turned).
LONG FlipY(const PDEV* pdev, LONG y);

// Writes value (tenths of a decipoint) as decipoints with one decimal, "1234.5", within size
// bytes of buffer (cut and always terminated). TRUE.
BOOL FormatDecipoints(DWORD value, char* buffer, size_t size);

// The least common multiple of a and b; 0 when either is 0, MAXDWORD when it does not fit.
DWORD LeastCommonMultiple(DWORD a, DWORD b);

// length less the number of leading bytes a and b share within it.
DWORD CountAfterCommonPrefix(const BYTE* a, const BYTE* b, DWORD length);

// The render values of palette index: first | second << 8 | flag << 16.
DWORD GetPaletteRenderValues(const PDEV* pdev, DWORD index);
