// Readers that fill a model's MODELINFO from its two data files: the capabilities, lists,
// dither entries and machine values of [PRINTERINFO] and [DITHER].
//
// Every value is taken from the model's CustomFile when it is there, else from its DefaultFile,
// else from a built-in default. Paths are full paths; a NULL or empty path stands for a file
// that does not exist. Nothing is reported: missing data takes the next source.
#pragma once
#include <windows.h>

#include "modelrecord.h"

#ifndef DRV_BUILD_UM

// Characters of one value read from a model data file, terminator included; longer values are
// cut.
constexpr DWORD MODELINFO_VALUE_CCH = 512;

// Characters of the model name kept in MODELINFO (the terminator not counted); a longer name
// is cut.
constexpr size_t MODELINFO_NAME_MAXCCH = sizeof(MODELINFO::szModelName) / sizeof(WCHAR) - 1;

// The capability flag word (MIF_*) from the Yes/No keys of [PRINTERINFO]. Each key's text is
// read from customFile, and when that is empty from defaultFile: "Yes" sets the key's bit, "No"
// leaves it clear, and an empty or unrecognised text takes the bit from MIF_DEFAULT_FLAGS.
// HeiseFont is read only when the system's language is Japanese (language 1041 with code page
// 932); elsewhere its bit stays clear. scratch (cchScratch characters) receives each text in
// turn; without a usable buffer the reader uses its own.
DWORD ReadPrinterInfoFlags(LPWSTR scratch, DWORD cchScratch, LPCWSTR defaultFile, LPCWSTR customFile);

// Fills info for modelName (cut to MODELINFO_NAME_MAXCCH characters) from the model's files:
// information type, name, capability flags, logo id, the paper lists (PaperSize, PaperSize_inch,
// PaperSize_mm), source, media and paper-type lists with their default indexes, the mesh and
// line dither entries, available memory, speed, model id, finisher and input-tray masks,
// resolution slots, measure, location and the high-resolution-only switch. A default index that
// is not an index of its list becomes 0; a resolution slot that the file leaves out, or that
// does not name a row of the resolution table, is empty (0xFFFF). A dither entry whose code is
// 1..3 takes that dither table id; with any other code the entry's table id keeps its value.
// The active paper list is the PaperSize list on Japan models, else a copy of the inch list
// when the user's region uses inch paper, else of the metric list. Reserved fields are zeroed.
void ReadModelInfo(MODELINFO* info, LPCWSTR modelName, LPCWSTR defaultFile, LPCWSTR customFile);

#endif  // DRV_BUILD_UM
