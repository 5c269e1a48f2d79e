// The decorations of a vector sheet: the page borders of an N-up sheet and the registration
// crosses of a poster tile, drawn in HP-GL/2 over the whole sheet after its last page, and the
// form feed that ends the sheet. Also the cell an N-up page takes on its sheet.
#pragma once
#include <windows.h>

struct PDEV;

// Column and row of the cell that page index takes on a sheet of columns x rows cells, for an
// N-up order code (its portrait value 1..64 or its landscape value 0x10000..0x400000). Codes the
// table does not know read left to right, then down.
POINT NupCellPlace(DWORD order, DWORD index, DWORD columns, DWORD rows);

// Places the current page in its cell: on an N-up sheet (geo.cellsFilled, 0-based) the cell's
// corner plus the page offsets; on a booklet sheet the page's side of the fold, the gutter away
// from it, centred across; on a long sheet (flow.joinedPages, 0-based) the page's place along the
// feed. The origin goes to geo.sheetOrigin, the print offset's shift is worked out again, and for
// N-up and booklet sheets, unless noFrame is set, the HP-GL/2 picture frame is anchored at the
// cell. A plain page keeps the page offsets as origin and gets no frame. 1 when the page was put
// in a cell, 0 for a plain page.
LONG SetNupCellOrigin(PDEV* pdev, BOOL noFrame);

// Draws the borders of an N-up sheet with a border style, or the registration crosses of a poster
// tile with registration marks, then returns the stream to PCL and ends the sheet with a form
// feed. The PDEV's options, page extents and offsets are as before afterwards. TRUE.
BOOL DrawSheetDecorations(PDEV* pdev);
