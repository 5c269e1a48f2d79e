// Readers of the list-valued sections of a model's data files: the [PRINTERINFO] paper, source,
// media and paper-type lists, [AllMediatype], [PaperSourceType], [USERFREESIZE] and
// [SUBSTTABLE].
//
// Each value is read into a buffer of DATAFILE_LIST_VALUE_CCH characters (longer values are
// cut) from the model's CustomFile, else its DefaultFile, else a built-in default. Paths are
// full paths; a NULL or empty path stands for a file that does not exist. Nothing is reported:
// missing data takes the next source.
#pragma once
#include <windows.h>

#include "modeltypes.h"
#include "papertables.h"

#ifndef DRV_BUILD_UM

// Characters of one value, terminator included.
constexpr DWORD DATAFILE_LIST_VALUE_CCH = 512;

// The [PRINTERINFO] lists. The key is read from customFile; when it gives nothing there, from
// defaultFile with the built-in list as default (so an empty value in defaultFile stays empty).
// The numbers of the value (decimal or 0x hex, comma-separated, up to ';') are stored in order,
// up to the list's size. A number that is not a row of the table the list indexes is left out
// (not stored, not counted). An empty value reads as the one number 0, except for the PaperType
// list, which then stays empty. Each returns the number of entries stored.
//
// PaperSize, PaperSize_inch, PaperSize_mm: rows of the global paper table (below
// PAPER_TABLE_ROWS). Built-in: the standard list, empty, empty.
WORD ReadPaperSizeList(DWORD list[MODEL_PAPER_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);
WORD ReadPaperSizeInchList(DWORD list[MODEL_PAPER_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);
WORD ReadPaperSizeMmList(DWORD list[MODEL_PAPER_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);
// Source: rows of the source table (below SOURCE_TABLE_ROWS).
WORD ReadSourceList(DWORD list[MODEL_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);
// PaperType: rows of the media table (below MEDIA_TABLE_ROWS).
WORD ReadPaperTypeList(DWORD list[MODEL_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);
// MediaType: rows of the model's paper types (below PAPERTYPE_TABLE_ROWS).
WORD ReadMediaTypeList(DWORD list[MODEL_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);

// Fills entry i of types for each row i of the built-in paper-type table: the row's id, string
// id and third value, the media mask of [AllMediatype] key i + 1 and 0 in wZero; the reserved
// bytes are left as they are. Returns the number of entries filled.
WORD ReadAllMediatype(PAPERTYPEINFO types[PAPERTYPE_MAX_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);

// Sets masks[i] to the media mask of [PaperSourceType] key i + 1 for each valid row i of the
// global paper table (g_PaperTableCount rows); later entries are left as they are.
void ReadPaperSourceType(DWORD masks[PAPER_TABLE_ROWS], LPCWSTR defaultFile, LPCWSTR customFile);

// Fills the three blocks (FreeSizeBlock order) from the [USERFREESIZE] portrait and landscape
// keys: eight numbers each, missing ones read as 0.
void ReadUserFreeSize(FREESIZELIMITS limits[FREESIZE_BLOCKS], LPCWSTR defaultFile, LPCWSTR customFile);

// Sets *count to FONTSUBST_SLOTS and reads [SUBSTTABLE] keys 1, 2, ... of defaultFile into
// subst[0], subst[1], ... up to the first key that is missing or empty; later entries are left
// as they are. Each value is: "TrueType name","device font name",number. Names are cut to
// FONTSUBST_NAME_CCH - 1 characters.
void ReadFontSubstTable(FONTSUBST subst[FONTSUBST_SLOTS], WORD* count, LPCWSTR defaultFile);

#endif  // DRV_BUILD_UM
