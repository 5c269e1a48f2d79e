// The layout preview (TAVLAYOUTPREVIEW_CTL): the picture of the printed sheet that the pages and
// layout dialogs show. Its owner describes the layout with the LPM_ messages; the control stores
// what it is told and draws one of three pictures from it at every paint: the N-up sheet
// (pages per sheet, duplex, binding, staples, punch holes), an open booklet, or a poster of
// tiles.
//
// Every picture is computed first (lengths of the state in 0.1 mm, products in 64 bits,
// quotients truncating toward zero) and drawn only when all of its divisors are positive; a
// control too small for its picture, or one whose state has not been set, shows its sunken
// frame only.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include <cstdint>

#ifndef DRV_BUILD_UM

// State of one control (lengths in 0.1 mm).
struct LAYOUTPREVIEWDATA {
    WORD wPageWidth;       // logical page, orientation applied (LPM_SETPAPERSIZE)
    WORD wPageLength;
    WORD wOrientation;     // 1 portrait, 2 landscape (LPM_SETORIENTATION)
    WORD wMaxWidth;        // the model's largest sheet (LPM_SETMAXPAPER)
    WORD wMaxLength;
    WORD wNup;             // N-up code (LPM_SETNUP low word)
    DWORD dwBorder;        // nonzero: page frames in the shadow colour (LPM_SETBORDER)
    WORD wPaperClass;      // sheet class (LPM_SETPAPERCLASS); not drawn
    WORD wOrder;           // page order 0..4 (LPM_SETNUP high word)
    WORD wDuplex;          // 0 none, 1 long edge, 2 short edge
    WORD wBindingEdge;     // 0 none, 1 left, 2 top, 3 right, 4 bottom
    WORD wBindingMargin;
    WORD wMode;            // 0 N-up, 1 booklet, 2 poster (LPM_SETMODE)
    WORD wOutputWidth;     // the sheet printed on (LPM_SETOUTPUTPAPER)
    WORD wOutputLength;
    DWORD dwPunch;         // LPM_SETFINISHING wParam << 16: holes 0x10000 two, 0x20000 three,
                           // 0x40000 four; edge 0x100000 top, 0x400000 right, else left
    WORD wStaple;          // staple bits (LPM_SETFINISHING lParam low word)
    WORD wPosterCount;     // 2, 4, 9, or 0xFFFF for the custom grid (LPM_SETPOSTER wParam)
    WORD wPosterColumns;
    WORD wPosterRows;
    DWORD dwPosterMarks;   // cut marks
    DWORD dwPosterOverlap; // overlap zones
    WORD wOverlapWidth;
    WORD wTileOrientation; // orientation of the poster tiles, 1 or 2
    WORD wBookletOption;   // 1: pages read from right to left
    WORD wBookletVariant;  // 0 or 1
    HMODULE hResModule;    // module of the sample bitmaps
    DWORD dwColor;         // nonzero: colour samples
    LONG lBookletSheets;   // sheets per booklet set, -1 undivided
    DWORD dwModeParam;     // LPM_SETMODE lParam: nonzero leaves out the booklet's reading arrow
};

// A row of the classic N-up counts: pages, orientation, whether the sheet is drawn turned a
// quarter against the pages, the grid.
struct NUPLAYOUT {
    WORD wPages;
    WORD wOrientation;
    DWORD dwRotate;
    WORD wColumns;
    WORD wRows;
    DWORD dwReserved;
};
constexpr int NUPLAYOUT_ROWS = 12;
extern const NUPLAYOUT g_NupLayouts[NUPLAYOUT_ROWS];

// The layout of an N-up code: a code above 255 is a grid (columns in the high byte, rows in the
// low byte, turned when they differ); a smaller one is looked up by pages and orientation.
// FALSE for a code without a row (the grid is then empty).
BOOL GetNupLayout(WORD code, WORD orientation, NUPLAYOUT* row);

// The 1-based number of the page in a cell of the layout for the page order.
int GetNupPageNumber(const NUPLAYOUT& layout, int order, int row, int column);

// Sample page bitmaps of the module (colour or monochrome, portrait or landscape, first or
// other page), loaded; the caller deletes it. NULL without module or bitmap.
HBITMAP LoadSamplePageBitmap(HMODULE module, BOOL color, WORD orientation, int pageNumber);
// The bitmap id LoadSamplePageBitmap loads.
UINT SamplePageBitmapId(BOOL color, WORD orientation, int pageNumber);

// The four pens of one paint, one pixel wide.
struct PREVIEWPENS {
    HPEN black;
    HPEN highlight;  // COLOR_BTNHIGHLIGHT
    HPEN shadow;     // COLOR_BTNSHADOW
    HPEN face;       // COLOR_BTNFACE
};

// Directions of the arrow at the end of a reading path.
enum class ArrowDirection { Up, Down, Left, Right };

// The N-up picture, computed.
struct NUPGEOMETRY {
    int64_t s;              // percent by which the output sheet was reduced to the reference sheet
    int64_t u;              // 0.01 x 0.1 mm per pixel
    NUPLAYOUT layout;
    RECT sheet;             // X, Y, X + W, Y + H
    int cornerKind;         // duplex fold: 0 bottom right, 1 bottom left, 2 top right
    RECT bindingStrip;      // empty without binding
    RECT pageArea;          // the cells' area
    int cellWidth, cellHeight;
    int extraColumns, extraRows;  // leftover pixels handed out to the first columns and rows
    int pageWidth, pageHeight;    // a page inside its cell
    int pathCount;          // points of the reading path (0, 2 or 4)
    POINT path[4];
    ArrowDirection arrow;
};

// The N-up picture of state in a client area of width x height; FALSE when a divisor is not
// positive (then nothing but the frame is drawn).
BOOL ComputeNupGeometry(const LAYOUTPREVIEWDATA& state, int width, int height, NUPGEOMETRY* geometry);
// The page rectangle of a cell (row and column from 0).
RECT NupPageRect(const NUPGEOMETRY& geometry, int row, int column);

// The booklet picture, computed.
struct BOOKLETGEOMETRY {
    int kind;               // 1..4
    int theta;              // tilt in degrees
    int sheets;             // sheets of the stack drawn
    int sheetStep;          // pixels between them
    POINT outline[6];       // the front sheet
    int pageCount;
    RECT pages[4];          // left, top, width, height of each sample page, in drawing order
    UINT pageBitmaps[4];
    bool fold;
    POINT foldLine[3];
    POINT bindingStrip[6];
    POINT spine[2];
    POINT stitches[2][2];   // the two saddle stitches
    POINT arrowPath[4];
    ArrowDirection arrow;
};
BOOL ComputeBookletGeometry(const LAYOUTPREVIEWDATA& state, int width, int height, BOOKLETGEOMETRY* geometry);

// The poster picture, computed.
struct POSTERGEOMETRY {
    int64_t u, s;
    RECT poster;            // X, Y, X + Wpx, Y + Hpx
    RECT picture;           // the page picture (left, top, right, bottom)
    int columns, rows;      // the grid drawn (boundaries only for 2 to 4)
    int verticalBoundaries, horizontalBoundaries;
    int zoneHalfWidth;      // z
    bool pathShown;
    POINT path[4];
    ArrowDirection arrow;
};
BOOL ComputePosterGeometry(const LAYOUTPREVIEWDATA& state, int width, int height, POSTERGEOMETRY* geometry);

// Paint of the control: the sunken frame and the picture of the mode. 0 without state.
BOOL PaintLayoutPreview(HWND window, HDC dc);
void DrawNupPicture(HWND window, const RECT& client, HDC dc, const LAYOUTPREVIEWDATA& state, const PREVIEWPENS& pens);
void DrawBookletPicture(HWND window, HDC dc, const LAYOUTPREVIEWDATA& state, const RECT& client, const PREVIEWPENS& pens);
void DrawPosterPicture(HWND window, HDC dc, const LAYOUTPREVIEWDATA& state, const RECT& client, const PREVIEWPENS& pens);
// The cut marks of a poster whose sheet is at left, top in pixels, width x height.
void DrawPosterMarks(HDC dc, const LAYOUTPREVIEWDATA& state, int left, int top, int width, int height);

// The sunken frame of the previews around a client rectangle whose right and bottom are
// already decreased by 1: shadow left and top, highlight right and bottom.
void DrawSunkenFrame(HDC dc, const RECT& rect, HPEN shadow, HPEN highlight);

// The reading path's look: a 3-pixel line masked onto the picture, a dot at its start and an
// arrow head at its end.
void DrawReadingPath(HDC dc, const POINT* points, int count, ArrowDirection arrow);

// Commands of the developer's menu (Ctrl + Shift + left click).
constexpr UINT IDM_LP_NUP_FIRST = 60;      // 60..65: 1, 2, 4, 6, 9, 16 pages
constexpr UINT IDM_LP_GRID_FIRST = 66;     // 66..71: grids 1x2, 4x2, 2x4, 3x4, 4x3, 5x5
constexpr UINT IDM_LP_ORDER_FIRST = 10;    // 10..14: page order 0..4
constexpr UINT IDM_LP_BORDER = 20;
constexpr UINT IDM_LP_DUPLEX_FIRST = 30;   // 30..32: duplex 0..2
constexpr UINT IDM_LP_BINDING_FIRST = 40;  // 40..44: binding edge 0..4

#endif  // DRV_BUILD_UM
