// The page geometry of a PDEV: the paper, its printable area, the logical page the engine draws
// on, the N-up cells, booklet and poster layouts and the binding margin, worked out once when
// the PDEV is enabled; and the GDIINFO and DEVINFO that describe the device to the engine.
#pragma once
#include <windows.h>
#include <winddi.h>

struct PDEV;

// N-up mode bits (PAGEGEOMETRY::nupMode).
constexpr DWORD NUPMODE_ON = 0x1;             // N-up in force
constexpr DWORD NUPMODE_CELLS_ROTATED = 0x2;  // the cells are turned against the sheet
constexpr DWORD NUPMODE_FIRST_LANDSCAPE = 0x4;// the job's first page was landscape

// The zoom, per mille, when the page is not reduced.
constexpr WORD ZOOM_NONE = 1000;

struct PAGEGEOMETRY {
    DWORD landscape;            // 1 when the logical page lies sideways on the sheet
    LONG logicalWidth;          // the page size reported to the engine, device pixels
    LONG logicalHeight;
    LONG surfaceWidth;          // size of the surface made by DrvEnableSurface
    LONG surfaceHeight;
    LONG printableWidth;        // printable area, device pixels
    LONG printableHeight;
    LONG savedPrintableWidth;   // the same before the binding margin is applied
    LONG savedPrintableHeight;
    DWORD nupMode;              // NUPMODE_*
    DWORD nupSheetState[2];
    DWORD cellsFilled;          // pages already placed on the current N-up sheet
    POINTL sheetOrigin;         // origin of the current cell on the sheet, device pixels
    POINTL savedSheetOrigin;
    WORD zoom;                  // per mille
    POINTL marginDelta;         // the paper's margin delta, device pixels
    POINTL customOffset;        // printable size of a long or custom paper less the record's
    DWORD superLong;            // 1 for paper 275
    DWORD longEdgeFeed;         // the paper is fed long edge first
    SIZEL cellSize;             // the N-up cell's logical size, device pixels
    SIZEL cellPaperSize;        // envelope-mode models: the cell's szlPhysSize, else 0
    DWORD posterState;          // bit 0: the poster is laid out on a turned sheet
    DWORD posterColumns;        // poster tiles across and down
    DWORD posterRows;
    LONG posterOverlap;         // overlap of neighbouring tiles, 1/300 inch
    DWORD bindingState;         // the binding edge turned to the sheet, 1..4, 0 for none
    WORD bindingMargin;         // the binding margin, device pixels
    LONG gutter;                // booklet: half the space left between the two cells at the fold
    LONG foldOffset;            // booklet: offset of the fold line
    LONG centerOffset;          // offset that centres the page across the binding axis
    SIZEL wholeSheet;           // the logical page times the cells across and down
    DWORD nupOrderCode;         // the normalised N-up order code of the job's orientation
    DWORD nupOrderOrientation;  // 1 portrait, 2 landscape
    // The page's offsets for the binding margin, device pixels: x (left), y (top), and the same
    // for the right and bottom side, which the raster and cell code use.
    LONG bindingLeft;
    LONG bindingTop;
    LONG bindingRight;
    LONG bindingBottom;
    DWORD savedBindingState;    // N-up: the binding state of the sheet's first cell
    POINTL originShift;         // the print offset's shift of the page origin, device pixels
    POINTL effectiveShift;      // originShift turned with the page and the sheet
    LONG clipLeft;              // how far the shifted page lies outside the sheet at each edge
    LONG clipTop;
    LONG clipRight;
    LONG clipBottom;
    DWORD sheetRotation;        // the sheet's rotation set by the page set-up: 0, 90, 180 or 270
    DWORD backSideRotation;     // the extra rotation of a back side, degrees
    DWORD pageOrientation;      // the current page's print orientation, 0..3 (GetPageOrientation)
    DWORD firstPageOrientation; // the job's first page's print orientation, 0..3
    LONG pictureFrameWidth;     // the HP-GL/2 picture frame's width (its height is pageMap.pageHeight)
    LONG layoutPageOffset[2];   // x offset of every page for the layout: [0] portrait, [1] landscape
    DWORD posterTile;           // index of the poster tile being printed, counted over the whole job
};

// The layout in force: booklet, poster, N-up (after SetupPageGeometry), and a page the job's
// DEVMODE names landscape.
bool IsBookletLayout(const PDEV* pdev);
bool IsPosterLayout(const PDEV* pdev);
bool IsNupLayout(const PDEV* pdev);
bool IsLandscapePage(const PDEV* pdev);

// Works out the page geometry of the PDEV from its settings and model. FALSE when the paper is
// not one of the model's papers.
BOOL SetupPageGeometry(PDEV* pdev);

// GDIINFO and DEVINFO of the PDEV, filled within cj bytes of the engine's buffer.
BOOL BuildGdiInfoVector(PDEV* pdev, ULONG cj, GDIINFO* gdiInfo);
BOOL BuildGdiInfoRaster(PDEV* pdev, ULONG cj, GDIINFO* gdiInfo);
BOOL BuildDevInfoVector(PDEV* pdev, ULONG cj, DEVINFO* devInfo);
BOOL BuildDevInfoRaster(PDEV* pdev, ULONG cj, DEVINFO* devInfo);

// The binding margin in device pixels (0 when the binding margin is off); sets bindingState to the
// binding edge turned to the sheet.
WORD ComputeBindingEdge(PDEV* pdev);

// Sets up the N-up order state of the job's orientation and the rotation words that go with it.
void NormalizeNupOrder(PDEV* pdev);

// The origin of the page at index on the N-up sheet, in device pixels; (0, 0) without N-up.
POINTL GetNupCellOrigin(const PDEV* pdev, DWORD index);
