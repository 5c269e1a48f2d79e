// The device-font table: the printer's resident fonts as the printer's data file (the
// resource-only library named in the printer's driver record) describes them.
//
// The data file holds the table as a resource of type DEVFONT_TABLE_TYPE, id DEVFONT_TABLE_ID:
// a DEVFONTTABLEHDR, then the rest of the resource, which starts with dwCount DEVICEFONTRES
// records and holds the fonts' names (terminated UTF-16) and their width tables; a record refers
// to them by their offset from the start of the rest. The loader checks every count, size and
// offset against the resource and refuses a table that points outside it.
//
// In memory each font is a DEVICEFONTREC: the file record with its offsets turned into
// pointers into the table's own copy of the resource, its link to the model's font
// substitution of the same device-font name, and (rendering library) its per-font data. The
// records of a table follow each other in an array, in the order of the data file; a record's
// position is the printer-font index that the substitution table stores.
#pragma once
#include <windows.h>

#include <cstddef>

#include "modelrecord.h"
#include "modeltypes.h"

// Resource types and ids of the printer's data file.
constexpr WORD DEVFONT_TABLE_TYPE = 272;    // the device-font table
constexpr WORD DEVFONT_TABLE_ID = 1;
constexpr WORD DEVFONT_DATA_TYPE = 258;     // a font's own data (metrics, widths, kerning pairs)
constexpr WORD DEVFONT_HIDDEN_TYPE = 373;   // the table of hidden fonts (rendering library)
constexpr WORD DEVFONT_HIDDEN_ID = 2;

// Code page of the Japanese fonts, which only systems of that ANSI code page keep.
constexpr WORD DEVFONT_JAPANESE_CODEPAGE = 932;

// DEVICEFONTREC.wType of a double-byte font.
constexpr WORD DEVFONT_TYPE_DOUBLEBYTE = 12;
// DEVICEFONTREC.wFlags.
constexpr WORD DEVFONT_FLAG_PROPORTIONAL = 0x0100;
constexpr WORD DEVFONT_FLAG_SUBSTITUTE = 0x0800;   // may stand in for a TrueType font
constexpr WORD DEVFONT_FLAG_HIDDEN = 0x4000;       // left out of the engine's font count

// Header of a table resource (little-endian).
struct DEVFONTTABLEHDR {
    DWORD dwCount;   // records
    DWORD dwSize;    // bytes after the header; the resource is exactly dwSize + 8 bytes
};

// A font record as the data file stores it (52 bytes, little-endian). Offsets count from the
// first byte after the header. Bytes the driver does not interpret are carried unchanged into
// the loaded record.
struct DEVICEFONTRES {
    DWORD dwNameOffset;       // the font's name, terminated UTF-16
    BYTE reserved4[2];
    WORD wType;               // DEVFONT_TYPE_DOUBLEBYTE for a double-byte font
    WORD wFontResId;          // id of the font's own resource (DEVFONT_DATA_TYPE)
    WORD wCodePage;           // code page of the font
    BYTE reserved12[4];
    WORD wFlags;              // DEVFONT_FLAG_*
    BYTE reserved18[2];
    DWORD dwSubst;            // 0 in the file
    DWORD dwFontData;         // 0 in the file
    DWORD dwWidthTableOffset; // the font's width table (16-bit values), when dwHasWidthTable
    DWORD dwHasWidthTable;    // nonzero when dwWidthTableOffset holds an offset
    BYTE reserved36[16];
};

// A loaded font record. In the 32-bit build it has the file record's layout byte for byte,
// the offsets replaced by pointers; in the 64-bit build the pointers are 64-bit and the record
// is larger, so walk the records as an array of DEVICEFONTREC, never by a byte count.
struct DEVICEFONTREC {
    LPCWSTR pszName;            // the font's name in the table's copy
    BYTE reserved4[2];
    WORD wType;
    WORD wFontResId;
    WORD wCodePage;
    BYTE reserved12[4];
    WORD wFlags;
    BYTE reserved18[2];
    const FONTSUBST* pSubst;    // the model's substitution whose device-font name is this
                                // font's name (the first such, ignoring case), or NULL
    void* pFontData;            // rendering library: copy of the font's own resource, or NULL
    const WORD* pWidthTable;    // the width table in the table's copy, or NULL
    DWORD dwHasWidthTable;      // as in the file
    BYTE reserved36[16];
};

// A loaded device-font table. The records and their data live in one block per table, owned
// by the table (FreeDeviceFontTable).
struct DEVICEFONTTABLE {
    DWORD dwCount;                  // records of pRecords, after the code-page filtering
#ifdef DRV_BUILD_UM
    DWORD dwAuxCount;               // records of pAuxRecords (hidden fonts)
#endif
    DEVICEFONTREC* pRecords;
#ifdef DRV_BUILD_UM
    DEVICEFONTREC* pAuxRecords;
    DWORD* pdwFontDataSize;         // byte size of each record's pFontData (0 without one)
#endif
};

// Loads the device-font table of the printer's data file (GetPrinterDataFilePath). Fonts of
// code page 932 are dropped unless the ANSI code page is 932. Each font is linked to the first
// of model's FONTSUBST entries (model->nFontSubst of them, at most FONTSUBST_SLOTS) whose
// device-font name equals its name, ignoring case; a NULL model links none. The rendering
// library's build also copies each font's own resource and loads the table of hidden fonts,
// which it requires. The data file is unloaded again: the table holds copies only, but its
// links point into model, which must outlive it.
// Returns NULL, with nothing left allocated, when the data file cannot be loaded, a table
// resource is missing or damaged (a count, size or offset outside the resource, a name without
// its terminator), or memory runs out. Nothing is reported.
DEVICEFONTTABLE* LoadDeviceFontTable(HANDLE printer, const MODELRECORD* model);

// Frees the table with everything it holds. NULL is allowed.
void FreeDeviceFontTable(DEVICEFONTTABLE* table);

// The number of records (0 for NULL) and the first record (NULL for NULL).
DWORD GetDeviceFontCount(const DEVICEFONTTABLE* table);
DEVICEFONTREC* GetDeviceFontRecords(const DEVICEFONTTABLE* table);

#ifdef DRV_BUILD_UM
// The size in bytes of the per-font data of record index (pRecords[index].pFontData): 0 when
// the record has none or index is not a record of the table.
DWORD GetDeviceFontDataSize(const DEVICEFONTTABLE* table, DWORD index);
#endif

// The data of resource name of type in module (locked; valid while module stays loaded), with
// its size in *size. NULL, with *size 0, when it cannot be found or loaded, or when module,
// name or type is NULL.
const void* FindResourceData(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD* size);

static_assert(sizeof(DEVFONTTABLEHDR) == 8);
static_assert(sizeof(DEVICEFONTRES) == 52);
static_assert(offsetof(DEVICEFONTRES, dwNameOffset) == 0);
static_assert(offsetof(DEVICEFONTRES, reserved4) == 4);
static_assert(offsetof(DEVICEFONTRES, wType) == 6);
static_assert(offsetof(DEVICEFONTRES, wFontResId) == 8);
static_assert(offsetof(DEVICEFONTRES, wCodePage) == 10);
static_assert(offsetof(DEVICEFONTRES, reserved12) == 12);
static_assert(offsetof(DEVICEFONTRES, wFlags) == 16);
static_assert(offsetof(DEVICEFONTRES, reserved18) == 18);
static_assert(offsetof(DEVICEFONTRES, dwSubst) == 20);
static_assert(offsetof(DEVICEFONTRES, dwFontData) == 24);
static_assert(offsetof(DEVICEFONTRES, dwWidthTableOffset) == 28);
static_assert(offsetof(DEVICEFONTRES, dwHasWidthTable) == 32);
static_assert(offsetof(DEVICEFONTRES, reserved36) == 36);

#ifndef _WIN64
static_assert(sizeof(DEVICEFONTREC) == sizeof(DEVICEFONTRES));
static_assert(offsetof(DEVICEFONTREC, pszName) == 0);
static_assert(offsetof(DEVICEFONTREC, reserved4) == 4);
static_assert(offsetof(DEVICEFONTREC, wType) == 6);
static_assert(offsetof(DEVICEFONTREC, wFontResId) == 8);
static_assert(offsetof(DEVICEFONTREC, wCodePage) == 10);
static_assert(offsetof(DEVICEFONTREC, reserved12) == 12);
static_assert(offsetof(DEVICEFONTREC, wFlags) == 16);
static_assert(offsetof(DEVICEFONTREC, reserved18) == 18);
static_assert(offsetof(DEVICEFONTREC, pSubst) == 20);
static_assert(offsetof(DEVICEFONTREC, pFontData) == 24);
static_assert(offsetof(DEVICEFONTREC, pWidthTable) == 28);
static_assert(offsetof(DEVICEFONTREC, dwHasWidthTable) == 32);
static_assert(offsetof(DEVICEFONTREC, reserved36) == 36);
#endif
