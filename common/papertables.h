// The process-wide paper, source, media, paper-type, resolution and dither tables.
//
// The paper table and the three dither tables are built from the common data files (the paper
// INI and the dither resource library) and travel in the common cache, so their records are a
// file format: fixed-width fields, little-endian, layouts checked below on both architectures.
// The source, media, paper-type, paper-string and resolution tables are built in.
#pragma once
#include <windows.h>

#include <cstddef>

// Rows of the global paper table.
constexpr WORD PAPER_TABLE_ROWS = 64;
// Rows of the built-in paper-string table.
constexpr WORD PAPER_STRING_TABLE_ROWS = 54;
// Capacity and count of the source table, and how many of its rows are filled.
constexpr WORD SOURCE_TABLE_ROWS = 32;
constexpr WORD SOURCE_TABLE_FILLED_ROWS = 8;
// Rows (and count) of the media table.
constexpr WORD MEDIA_TABLE_ROWS = 15;
// Rows of the resolution table.
constexpr WORD RESOLUTION_TABLE_ROWS = 8;
// Rows of the built-in paper-type table; readers of a model's paper types never take more than
// PAPERTYPE_MAX_ROWS.
constexpr WORD PAPERTYPE_TABLE_ROWS = 27;
constexpr WORD PAPERTYPE_MAX_ROWS = 32;
// The dither tables: ids 1..DITHER_TABLE_COUNT in the dither resource library.
constexpr WORD DITHER_TABLE_COUNT = 3;

// Characters of the name fields, terminator included.
constexpr size_t PAPER_NAME_CCH = 64;
constexpr size_t SOURCE_NAME_CCH = 30;
constexpr size_t MEDIA_NAME_CCH = 30;
// Data bytes kept per orientation of a paper row.
constexpr size_t PAPER_DATA_BYTES = 8;

// Kind flags of a paper row.
constexpr WORD PAPER_KIND_FREESIZE = 0x0001;  // name is a format with two numbers: width, length
constexpr WORD PAPER_KIND_LONG = 16;          // the whole value: a long paper

// The second string id of every paper-string row is the display string id plus this.
constexpr WORD PAPER_STRING_ID2_DELTA = 8700;

// Resource type of the dither tables in the dither resource library.
constexpr WORD DITHER_RESOURCE_TYPE = 263;
// Threshold bytes a dither table holds at most (width x height).
constexpr size_t DITHER_MAX_CELLS = 256;

// Printable area of a paper in one orientation, in dots at 300 dpi (18 bytes).
struct PAPERAREA {
    WORD printableWidth;
    WORD printableLength;
    WORD offsetX;
    WORD offsetY;
    WORD dataCount;                // bytes of data used, at most PAPER_DATA_BYTES
    BYTE data[PAPER_DATA_BYTES];
};

// One row of the global paper table (184 bytes, stored raw in the common cache).
struct PAPERINFO {
    WORD paperId;                  // DEVMODE paper-size value: standard number or driver id >= 256
    WORD stringId;                 // display string id
    WCHAR name[PAPER_NAME_CCH];    // terminated
    WORD stringId2;                // second string id
    WORD kind;                     // PAPER_KIND_*; other values are carried unchanged
    DWORD value4;                  // the fourth value of the paper's row, kept unchanged
    WORD widthDots;                // size at 300 dpi
    WORD lengthDots;
    PAPERAREA portrait;
    PAPERAREA landscape;
    WORD widthMm10;                // size in 0.1 mm; 0 when the data file gives none
    WORD lengthMm10;
};

// One row of the built-in paper-string table.
struct PAPERSTRINGINFO {
    WORD paperId;
    WORD stringId;
    WORD stringId2;                // stringId + PAPER_STRING_ID2_DELTA
};

// One row of the source table; the name is filled from the string-resource library.
struct SOURCEINFO {
    WORD sourceId;
    WORD stringId;
    WCHAR name[SOURCE_NAME_CCH];
};

// One row of the media table; the name is filled from the string-resource library.
struct MEDIAINFO {
    WORD mediaId;
    WORD stringId;
    WCHAR name[MEDIA_NAME_CCH];
};

// One row of the resolution table.
struct RESOLUTIONINFO {
    WORD dpi;
    WORD mode;
};

// One row of the built-in paper-type table.
struct PAPERTYPEDEF {
    WORD paperTypeId;
    WORD stringId;
    WORD value3;                   // carried into the model's paper-type entry; 0 in every row
};

// A dither table (516 bytes): the tone curve and the threshold matrix, width x height bytes
// row by row; the rest of the threshold bytes is unused.
struct DITHERTABLE {
    SHORT width;
    SHORT height;
    BYTE tone[256];
    BYTE thresholds[DITHER_MAX_CELLS];
};

static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(PAPERAREA) == 18);
static_assert(offsetof(PAPERAREA, printableWidth) == 0);
static_assert(offsetof(PAPERAREA, printableLength) == 2);
static_assert(offsetof(PAPERAREA, offsetX) == 4);
static_assert(offsetof(PAPERAREA, offsetY) == 6);
static_assert(offsetof(PAPERAREA, dataCount) == 8);
static_assert(offsetof(PAPERAREA, data) == 10);
static_assert(sizeof(PAPERINFO) == 184);
static_assert(offsetof(PAPERINFO, paperId) == 0);
static_assert(offsetof(PAPERINFO, stringId) == 2);
static_assert(offsetof(PAPERINFO, name) == 4);
static_assert(offsetof(PAPERINFO, stringId2) == 132);
static_assert(offsetof(PAPERINFO, kind) == 134);
static_assert(offsetof(PAPERINFO, value4) == 136);
static_assert(offsetof(PAPERINFO, widthDots) == 140);
static_assert(offsetof(PAPERINFO, lengthDots) == 142);
static_assert(offsetof(PAPERINFO, portrait) == 144);
static_assert(offsetof(PAPERINFO, portrait) + offsetof(PAPERAREA, dataCount) == 152);
static_assert(offsetof(PAPERINFO, portrait) + offsetof(PAPERAREA, data) == 154);
static_assert(offsetof(PAPERINFO, landscape) == 162);
static_assert(offsetof(PAPERINFO, landscape) + offsetof(PAPERAREA, dataCount) == 170);
static_assert(offsetof(PAPERINFO, landscape) + offsetof(PAPERAREA, data) == 172);
static_assert(offsetof(PAPERINFO, widthMm10) == 180);
static_assert(offsetof(PAPERINFO, lengthMm10) == 182);
static_assert(sizeof(DITHERTABLE) == 516);
static_assert(offsetof(DITHERTABLE, width) == 0);
static_assert(offsetof(DITHERTABLE, height) == 2);
static_assert(offsetof(DITHERTABLE, tone) == 4);
static_assert(offsetof(DITHERTABLE, thresholds) == 260);

// The global paper table, built from the common paper file or loaded from the common cache.
extern PAPERINFO g_PaperTable[PAPER_TABLE_ROWS];
// Number of valid rows of the global paper table: 64 when the process starts, then the number
// of rows read from the common paper file. Rows beyond it keep what they held.
extern WORD g_PaperTableCount;

extern const PAPERSTRINGINFO g_PaperStringTable[PAPER_STRING_TABLE_ROWS];
// Source and media tables: their row counts are SOURCE_TABLE_ROWS and MEDIA_TABLE_ROWS.
extern SOURCEINFO g_SourceTable[SOURCE_TABLE_ROWS];
extern MEDIAINFO g_MediaTable[MEDIA_TABLE_ROWS];
extern const RESOLUTIONINFO g_ResolutionTable[RESOLUTION_TABLE_ROWS];
extern const PAPERTYPEDEF g_PaperTypeTable[PAPERTYPE_TABLE_ROWS];
// Dither tables ids 1, 2 and 3 (index id - 1); zero until loaded.
extern DITHERTABLE g_DitherTables[DITHER_TABLE_COUNT];

// The paper-string row of paperId (first match), or NULL when the id is not in the table.
const PAPERSTRINGINFO* FindPaperStringInfo(WORD paperId);

#ifndef DRV_BUILD_UM
// Reads the rows of section [AllPaper] of the common paper file into table: row i from keys
// AllPaper<i+1>, AllPaper_port<i+1>, AllPaper_land<i+1> and AllPaper_mmSize<i+1>, while the key
// AllPaper<i+1> exists, at most PAPER_TABLE_ROWS rows whatever the table's current row count.
// Returns the number of rows read; the caller keeps it as the table's row count. Rows beyond
// those read are not touched. An empty value counts as a missing key. A missing _port or _land
// key leaves that area as it was; a missing _mmSize key gives 0 x 0. A data count above
// PAPER_DATA_BYTES keeps the first PAPER_DATA_BYTES bytes and is stored as PAPER_DATA_BYTES.
WORD ReadAllPaperTable(PAPERINFO table[PAPER_TABLE_ROWS], LPCWSTR initDataFile2);

// Copies resource id (type DITHER_RESOURCE_TYPE) of the resource library at libraryPath into
// dest, size bytes. Leaves dest unchanged and returns FALSE when the library or the resource
// cannot be loaded or the resource is shorter than size.
BOOL LoadDitherTable(void* dest, DWORD size, WORD id, LPCWSTR libraryPath);
#endif
