// The rendering library's own access to the model table: the model lookup that leaves the paper
// lists as cached, the dither-table choice for a resolution, the paper record and margin delta
// that the page geometry starts from, the free-size limits of the 1200-dpi rule, counts of the
// device-font table, and the string helpers that stand in for the system's string functions.
//
// The rendering library reads the model records from the caches the user-interface library
// writes and never builds them, so everything read from a record is checked against the table
// it indexes before it is used: paper-list entries against the global paper table, dither slots
// against the 32 entries of a bank, dither codes against the three dither tables.
#pragma once
#include <windows.h>

#include <cstddef>

#include "devfont_table.h"
#include "modelrecord.h"
#include "papertables.h"

// ---- Model lookup ---------------------------------------------------------------------------

// The MODELINFO of the model's loaded record in the model table, or NULL for a NULL or empty
// name or a model that is not in the table. Clears bit 0 of its InfoType (a write into the shared
// record without the lock; it always stores the same value). The active paper list is left as the
// cache holds it: unlike the user-interface library's lookup, the user's region does not switch it.
MODELINFO* DrvLookupModelInfo(LPCWSTR modelName);

// ---- Dither tables ---------------------------------------------------------------------------

// Entries of each bank of dither entries of a model (mesh and line).
constexpr size_t DITHER_SLOTS = 32;
// The low byte of the dither mode word that selects the line entries instead of the mesh entries.
constexpr BYTE DITHER_MODE_LINE = 3;

// The dither table for the model, the resolution (dpi) and the dither mode word. The slot comes
// from a group g given by the mode's high byte (0: 2 + h; 0xFD: 1 + 2h; 0xFE: 2 + 2h; 0xFF:
// 3 + 2h; any other: the byte itself), h being 1 above 300 dpi and 0 else: slot 3g - 3, plus 2 at
// 1200 dpi, else plus h. It is taken from the line entries when the mode's low byte is
// DITHER_MODE_LINE, else from the mesh entries. The entry's dither code (1..3) names the process-wide table; the table ids
// that a record also carries are not used, since a record loaded from a cache holds what another
// process wrote. Never NULL: a model that is not in the table, a slot outside the bank, or a code
// that names no table gives the first dither table.
const DITHERTABLE* DrvSelectDitherTable(LPCWSTR modelName, LONG dpi, WORD mode);

// ---- Papers ------------------------------------------------------------------------------------

// Free-size papers that the paper table holds as PAPERID_USER_SIZE (256), and the kind word their
// records carry.
constexpr WORD PAPERID_CUSTOM = 263;
constexpr WORD PAPERID_CUSTOM_FINISHER = 264;
constexpr WORD PAPER_KIND_CUSTOM = 1;
constexpr WORD PAPER_KIND_CUSTOM_FINISHER = 7;

// Answers of DrvFindModelPaperIndex that are not indexes.
constexpr SHORT MODEL_PAPER_INDEX_NONE = -1;        // paper id 0
constexpr SHORT MODEL_PAPER_INDEX_NOT_LISTED = -2;  // not in the model's active list

// The chosen paper as the page geometry sees it, in dots at 300 dpi (1/300 inch).
struct PAPERRECORD {
    WORD paperId;
    WORD stringId;        // display string id
    WORD kind;            // kind word of the paper-table row (PAPER_KIND_CUSTOM.. for free sizes)
    WORD reserved6;
    DWORD value4;         // the value that follows the kind word in the paper-table row
    WORD widthDots;
    WORD lengthDots;
    PAPERAREA portrait;   // printable area and its offsets
    PAPERAREA landscape;
};
static_assert(sizeof(PAPERRECORD) == 52);
static_assert(offsetof(PAPERRECORD, value4) == 8);
static_assert(offsetof(PAPERRECORD, widthDots) == 12);
static_assert(offsetof(PAPERRECORD, portrait) == 16);
static_assert(offsetof(PAPERRECORD, landscape) == 34);

// The printable area of a paper in 1/100 mm.
struct PRINTABLESIZE {
    WORD paperId;
    WORD reserved2;
    LONG width;
    LONG length;
};
static_assert(sizeof(PRINTABLESIZE) == 12);

// Index of paperId in the active paper list of info (first match), found by the ids of the
// global paper table rows the list holds. MODEL_PAPER_INDEX_NONE (-1) for id 0;
// MODEL_PAPER_INDEX_NOT_LISTED (-2) when the list does not hold it or info is NULL. Entries that
// are not rows of the paper table are passed over.
SHORT DrvFindModelPaperIndex(const MODELINFO* info, WORD paperId);

// The paper record and printable size of paperId for the model (info, or when info is NULL the
// model named modelName). Papers 263 and 264 are looked up as 256 and take the model's free-size
// limits (DrvGetCustomSizeLimits): the size in dots is the maximum width and length, the printable
// size that less twice the portrait offsets (0 at the least), the landscape area a copy of the
// portrait one, and id and kind become 263/PAPER_KIND_CUSTOM or 264/PAPER_KIND_CUSTOM_FINISHER.
// On ShortMenu models of class 1 (wModelID 1) the string ids 300, 303 and 305 become 346, 348 and
// 347. size receives the id and the portrait printable area of the paper-table row in 1/100 mm.
// Returns TRUE when the paper was found. FALSE, with both outputs zeroed, when the model is not
// found, the paper is not in its active list, or (263, 264) its free-size limits cannot be had:
// the caller must refuse such a paper, whose zero sizes would otherwise reach divisions. Either
// output may be NULL.
BOOL DrvGetPaperRecord(LPCWSTR modelName, const MODELINFO* info, WORD paperId, PAPERRECORD* record,
                       PRINTABLESIZE* size);

// Rows of the static paper margin table.
constexpr size_t PAPER_MARGIN_ROWS = 55;

// One row of the paper margin table: the printable-area offsets the page mapping expects of a
// paper, in 1/300 inch.
struct PAPERMARGIN {
    WORD paperId;
    WORD reserved2;
    LONG x;
    LONG y;
};
static_assert(sizeof(PAPERMARGIN) == 12);

// The margin table: one row per row of the paper table in its shipped order.
extern const PAPERMARGIN g_PaperMarginTable[PAPER_MARGIN_ROWS];

// The difference (dx, dy), in 1/300 inch, between the printable offsets of paperId's paper-table
// row (portrait offsets when orientation is 1, landscape otherwise) and the paper's margin-table
// row. Papers 263 and 264 count as 256. Every entry of the active list whose paper-table row holds
// the paper counts, the last one winning; its margin row is the margin-table row of the same
// number when that row is the paper's, else the first margin row of the paper. (0, 0) when the
// model is not found, the paper is not in its list or the margin table has no row for it.
POINTL DrvGetPaperMarginDelta(LPCWSTR modelName, LONG orientation, WORD paperId);

// The first free-size limit block of the model's record (the 1200-dpi limits, FREESIZE_DPI_CHANGE;
// the finisher limits are not considered), found by info's model name. NULL for a NULL info or a
// model that is not in the table.
const FREESIZELIMITS* DrvGetFreeSizeLimits(const MODELINFO* info);

// ---- Device fonts --------------------------------------------------------------------------------

// Fonts of the table whose flag word has DEVFONT_FLAG_HIDDEN (0 for NULL).
DWORD CountHiddenDeviceFonts(const DEVICEFONTTABLE* table);
// Entries of the table's auxiliary (hidden-font) table, and the table itself; 0 and NULL for a
// NULL table or one without an auxiliary table.
DWORD GetDeviceFontAuxCount(const DEVICEFONTTABLE* table);
DEVICEFONTREC* GetDeviceFontAuxTable(const DEVICEFONTTABLE* table);

// ---- Wide strings ----------------------------------------------------------------------------------

// Copies src into dest of n characters: at most n - 1 characters, up to its terminator, then zeros
// to the end of dest, so dest is always terminated and every one of its n characters written.
// Nothing for n 0 or a NULL dest; a NULL src copies as the empty text.
void DrvCopyWidePadded(LPWSTR dest, LPCWSTR src, size_t n);
// Characters up to the terminator; 0 for NULL.
size_t DrvWideLength(LPCWSTR s);
// 0 when a and b have the same length and the same characters, 'a'..'z' matching 'A'..'Z' (no
// other folding); -1 otherwise. NULL counts as the empty text. Both must be terminated.
int DrvCompareWideNoCase(LPCWSTR a, LPCWSTR b);
