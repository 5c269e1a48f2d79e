// Questions about a model: the papers, sources, media and paper types it offers and where they
// are in its lists, their sizes and position masks, its resolution slots, its memory needs and
// its free-size limits.
//
// Conventions shared by every query:
//  - A list index addresses one of MODELINFO's lists (active paper list, sources, media, paper
//    types). Where a query says "default entry", an index that is negative or not below the
//    list's count stands for the list's default index; where it says "0", such an index gives 0.
//    A list entry or default index that is itself not an entry of the list, or a row that is not
//    a row of its table, gives the query's "nothing" answer (0, an empty name, NULL) rather than
//    data from outside the table.
//  - An id that is not in a list gives -1 (0xFFFF as a WORD).
//  - Print qualities -4..-1 address MODELINFO's four resolution slots (QualityType, -4 first); a
//    slot holds a row of the resolution table or 0xFFFF when empty.
//  - Queries that need the rest of the model's record (position masks, paper types, default
//    settings, free-size limits) find it in the model table by the model name of the MODELINFO;
//    while the model is not in the table or not loaded they give their stated fallback.
//  - A NULL MODELINFO is answered like an empty model.
// None of them takes a lock; callers refresh the model first and then ask.
#pragma once
#include <windows.h>

#include "modelrecord.h"

// Absent values of the id lookups.
constexpr SHORT MODEL_ID_NOT_LISTED = -1;
constexpr WORD MODEL_ID_NOT_LISTED_WORD = 0xFFFF;
// Answers of DrvFindPaperIndex for papers that are not in the model's list: a user-defined paper
// and a user-defined long paper.
constexpr SHORT PAPER_INDEX_USER = -2;
constexpr SHORT PAPER_INDEX_USER_LONG = -3;

// A value from MODEL_MEDIA_VALUE_BASE stands for entry value - MODEL_MEDIA_VALUE_BASE of the
// model's media list wherever a paper source is expected.
constexpr LONG MODEL_MEDIA_VALUE_BASE = 256;

// Empty resolution slot.
constexpr WORD RESOLUTION_SLOT_EMPTY = 0xFFFF;
// The print qualities that name the four resolution slots.
constexpr SHORT QUALITY_SLOT_FIRST = -4;
constexpr SHORT QUALITY_SLOT_LAST = -1;

// Paper ids with a fixed meaning to the queries.
constexpr WORD PAPERID_USER_SIZE = 256;          // the free size of the user
constexpr WORD PAPERID_LONG = 275;               // the long paper of the model
constexpr WORD PAPERID_USER_FIRST = 277;         // first id treated as a user-defined paper
constexpr WORD PAPERID_USER_LONG_FIRST = 536;    // user-defined long papers
constexpr WORD PAPERID_USER_LONG_LAST = 576;

// [PaperSourceType] bit: the paper can be printed on both sides.
constexpr DWORD PAPERSOURCE_DUPLEX = 0x100;

// Orientation value of portrait for the printable-area queries; any other value is landscape.
constexpr int PAPER_ORIENTATION_PORTRAIT = 1;

// ---- Paper list ---------------------------------------------------------------------------

// Index of paperId in the active paper list. For an id that is not listed: -1 for id 0;
// PAPER_INDEX_USER (-2) when the user-defined paper table holds it and it fits the model's
// free-size limits; PAPER_INDEX_USER_LONG (-3) likewise for the user-defined long papers; else -1.
SHORT DrvFindPaperIndex(const MODELINFO* info, WORD paperId);
// 1 for the papers that can always be chosen (73, 74, 91, 259, 264, 271..274), for 256 when
// allowUserSize is non-zero, and for an id above 275 that the user-defined paper table holds with
// a non-zero option word; else 0.
BOOL DrvIsPaperSelectable(const MODELINFO* info, WORD paperId, BOOL allowUserSize);
// Paper id at index of the active list; 0 out of range.
WORD DrvGetPaperId(const MODELINFO* info, int index);
// Kind flags of the paper at index (PAPER_KIND_*); 0 out of range.
WORD DrvGetPaperKind(const MODELINFO* info, int index);
// [PaperSourceType] mask of the paper at index (default entry); 0 when the model is not loaded.
DWORD DrvGetPaperSourceMask(const MODELINFO* info, int index);
// Width and length in dots at the paper table's resolution. 0 (out untouched) out of range.
BOOL DrvGetPaperSizeDots(const MODELINFO* info, int index, WORD out[2]);
// Width and length in 0.1 mm; computed from the dots when the table holds 0 for both. 0 (out
// untouched) out of range.
BOOL DrvGetPaperSize(const MODELINFO* info, int index, WORD out[2]);
// Printable width and length (DrvGetPrintableArea), or x and y offset of the printable area
// (DrvGetPrintableOffset), in dots, for portrait (orientation 1) or landscape (any other
// value), of the paper at index (default entry). 0 (out untouched) when not even the default
// entry is a paper of the table, else 1.
BOOL DrvGetPrintableArea(const MODELINFO* info, int index, int orientation, WORD out[2]);
BOOL DrvGetPrintableOffset(const MODELINFO* info, int index, int orientation, WORD out[2]);
// The paper id that duplex checks use: user long papers (536..576) count as 275 and other ids
// from 277 as 256; an id that is not listed becomes the default paper. The result is that id
// when its [PaperSourceType] mask allows both sides, else the default paper's id.
WORD DrvGetEffectivePaperId(const MODELINFO* info, WORD paperId);
// 1 when paperId is a user-defined long paper (DrvFindPaperIndex gives -3) or a listed paper
// whose kind is PAPER_KIND_LONG.
BOOL DrvIsLongPaper(const MODELINFO* info, WORD paperId);

// ---- Sources, media and paper types ---------------------------------------------------------

// Index of the id in the source or media list; -1 when absent.
SHORT DrvFindSourceIndex(const MODELINFO* info, WORD sourceId);
SHORT DrvFindMediaIndex(const MODELINFO* info, WORD mediaId);
// Source id at index of the source list (default entry); 0 when there is none.
WORD DrvGetSourceId(const MODELINFO* info, int index);
// Media id of entry value - 256 of the media list (default entry); 0 when there is none.
WORD DrvGetMediaId(const MODELINFO* info, LONG value);
// Source id for a value below 256 (an index of the source list), media id of entry n for 256 + n.
WORD DrvGetSourceOrMediaId(const MODELINFO* info, LONG value);
// The default source's id; the default media's id when the model has no default source (its
// default index is not an entry of the source list).
WORD DrvGetDefaultSourceId(const MODELINFO* info);
// Copies the display name of the source at index (or of media entry index) into buffer
// (cbBuffer bytes, cut and terminated), default entry when out of range; the empty text when
// there is no such entry. The names are those loaded into the source and media tables.
void DrvGetSourceName(const MODELINFO* info, int index, LPWSTR buffer, UINT cbBuffer);
void DrvGetMediaName(const MODELINFO* info, int index, LPWSTR buffer, UINT cbBuffer);
// The record's paper types (PAPERTYPE_MAX_ROWS entries); NULL when the model is not loaded.
const PAPERTYPEINFO* DrvGetPaperTypeTable(const MODELINFO* info);
// Index of the paper-type id in the paper-type list; -1 when absent.
SHORT DrvFindPaperTypeIndex(const MODELINFO* info, WORD paperTypeId);
// Id, position mask and display-name string id of the paper type at index (default entry);
// 0 when there is none.
WORD DrvGetPaperTypeId(const MODELINFO* info, int index);
DWORD DrvGetPaperTypeMask(const MODELINFO* info, int index);
WORD DrvGetPaperTypeNameId(const MODELINFO* info, int index);

// ---- Resolution -------------------------------------------------------------------------------

// The model's default print quality (UDPrintQuality) when it is -4..-1, 300, 600 or 1200;
// another negative value gives -3, anything else 600; 600 when the model is not loaded.
SHORT DrvGetDefaultResolution(const MODELINFO* info);
// UDUiQuality when it is -4..-1, else -3 (also when the model is not loaded).
SHORT DrvGetDefaultUiQuality(const MODELINFO* info);
// Dots per inch of a print quality:
//  - below -4: 600;
//  - -4..-1: the slot's dpi; an empty slot decrements *quality and tries the next lower slot,
//    down to 600 once the quality is below -4;
//  - 300, 600, 1200: the value when one of the slots, scanned from -4 up to the first empty
//    slot, has that dpi; else 600;
//  - anything else: 600.
// A slot holding a row outside the resolution table counts as empty.
WORD DrvGetResolutionDpi(const MODELINFO* info, SHORT* quality);
// The mode word of a slot -4..-1; -1 for an empty slot or another value; 32 for slot -3 of a
// True1200 model when highMode is non-zero.
SHORT DrvGetResolutionMode(const MODELINFO* info, SHORT slot, BOOL highMode);
// The first slot (-4..-1) whose dpi by DrvGetResolutionDpi equals dpi; -1 when none.
SHORT DrvFindResolutionIndex(const MODELINFO* info, WORD dpi);
// For a negative quality: 1 when it names a filled slot. For a positive one: 1 when a filled
// slot has that dpi. Else 0.
BOOL DrvIsValidResolution(const MODELINFO* info, SHORT quality);

// ---- Memory and limits ------------------------------------------------------------------------

// Memory class of an amount in KB: 1 for 4097..12288, 2 for 12289..20480, 3 for 20481..36864,
// 0 for any other amount.
WORD DrvGetMemoryClass(DWORD memoryKb);
// Printer memory (KB) a page needs: 3316, 11408, 19600 or 35984 for class 0..3 (any other class
// 3316), less 160 at 300 dpi, 320 at 600 dpi, 480 otherwise, plus 180 unless the model has
// resident fonts.
DWORD DrvCalcRequiredMemory(const MODELINFO* info, int memoryClass, int dpi);
DWORD DrvGetRequiredMemory(const MODELINFO* info, int memoryClass, int dpi);
// The record's free-size limits; on A3Printer models while a finisher is installed
// (FINISHERTYPE_INSTALLED) the finisher limits. NULL when the model is not loaded.
const FREESIZELIMITS* DrvGetCustomSizeLimits(const MODELINFO* info);

// ---- Poster tiles ----------------------------------------------------------------------------

struct DRVDEVMODE;

// Orientation of the tiles of a poster: 1 portrait, 2 landscape. Without POSTER_AUTOORIENT the
// POSTER_PORTRAIT flag decides. Otherwise the page (dmPaperWidth/dmPaperLength for the free
// sizes 256, 263, 264, 275 and user-defined papers, else the printable area of the paper for
// the record's orientation) is tiled dwPosterX x dwPosterY times on tile paper (the fit paper
// with FITFLAG_ON, else the page's paper) with the overlap dwOverlapWidth, and the orientation
// whose scale is larger wins; a tie, or a page of no size, gives portrait.
int DrvChoosePosterOrientation(const DRVDEVMODE* dm, const MODELINFO* info);

// ---- Model information and printer --------------------------------------------------------

#ifndef DRV_BUILD_UM
// The MODELINFO of the model's record in the model table, or NULL for a NULL name or a model
// that is not in the table. Prepares it first: clears bit 0 of InfoType and, unless the model is
// a Japan model, copies the inch list (the user's region uses Letter) or the metric list over the
// active paper list. Writes into the shared record without a lock (idempotent for a model and a
// region).
MODELINFO* DrvGetModelInfo(LPCWSTR modelName);

// ---- Display names from the string library ----------------------------------------------------

// Characters (terminator included) that the name loaders take from the string library for a
// paper, source and media name, and for the unit text.
constexpr int PAPER_NAME_LOAD_CCH = 64;
constexpr int SOURCE_NAME_LOAD_CCH = 24;
constexpr int MEDIA_NAME_LOAD_CCH = 24;
constexpr int UNIT_TEXT_CCH = 32;
// Strings of the string library: the unit text, and the unit that follows a free size in
// millimetres and in inches.
constexpr UINT IDS_UNIT_TEXT = 700;
constexpr UINT IDS_FREESIZE_MM = 2902;
constexpr UINT IDS_FREESIZE_INCH = 2903;

// The unit text (string IDS_UNIT_TEXT), loaded with the source names; empty until then.
extern WCHAR g_szUnitText[UNIT_TEXT_CCH];

// Copies the display name of the paper at index of the active list (its display string loaded
// from the string library, at most cbBuffer / 2 - 1 characters) and returns the paper id; the
// empty text when the library lacks the string. 0 with the buffer untouched out of range.
WORD DrvGetPaperName(HMODULE stringModule, const MODELINFO* info, int index, LPWSTR buffer, UINT cbBuffer);

// Replace the names of the global paper table's rows (at most PAPER_NAME_LOAD_CCH characters),
// of the source table's rows (SOURCE_NAME_LOAD_CCH) and the unit text, and of the media table's
// rows (MEDIA_NAME_LOAD_CCH) with the strings of their display string ids. A row whose string
// the library lacks, or whose string id is 0, keeps its name. The tables are process-wide and
// not locked. info is not used.
void DrvLoadPaperNames(HMODULE stringModule, const MODELINFO* info = nullptr);
void DrvLoadSourceNames(HMODULE stringModule, const MODELINFO* info = nullptr);
void DrvLoadMediaNames(HMODULE stringModule, const MODELINFO* info = nullptr);

// Writes the display name of the paper at index of the active list into output (cbOutput
// bytes, cut and terminated) and returns the paper id; 0 with nothing written out of range.
// A free-size paper (PAPER_KIND_FREESIZE) shows its size: the first two "%d" or "%s" of its name
// stand for the width and the length (0.1 mm), in millimetres with one decimal followed by
// string IDS_FREESIZE_MM, or with inch set in inches with two decimals (a length of 1820 shows
// as 7.16) followed by string IDS_FREESIZE_INCH. Every other character of the name, '%' included,
// is shown as it stands: the name is never used as a format.
WORD DrvFormatPaperName(const MODELINFO* info, int index, LPWSTR output, UINT cbOutput, WORD width, WORD length,
                        BOOL inch, HMODULE stringModule);
#endif

// GetPrinterW of the given level into a fixed global block (DrvSpoolerRecord); NULL on failure.
// The caller frees it with GlobalFree.
void* DrvGetPrinterInfo(HANDLE printer, DWORD level);
