// Records of the settings INI: the user's watermarks ([Watermark]), form overlays
// ([Defined Overlay]), user-defined papers ([UserDefPaper]) and user-defined long papers
// ([UserDefLong]); the records the library fills from them, and the process-wide tables of
// user-defined papers with the queries every paper list uses.
//
// The tables and their queries are compiled into both libraries; the readers of the settings INI
// only into the user-interface library, which owns the INI (DrvGetSettingsIniPath).
#pragma once
#include <windows.h>

#include <cstddef>

#include "modelrecord.h"
#include "textutil.h"

// ---- User-defined papers ---------------------------------------------------------------------

// Characters of a paper name, the terminator included (names keep at most 39 characters).
constexpr size_t USERPAPER_NAME_CCH = 40;
// First id of the user-defined papers and of the user-defined long papers (also the highest id
// of an empty table).
constexpr WORD USERPAPER_FIRST_ID = 276;
constexpr WORD LONGPAPER_FIRST_ID = 536;
// Start and cut value that stands for "taken from the values as entered" (automatic).
constexpr LONG LONGPAPER_AUTOMATIC = 50000;
// Shortest length, in 0.1 mm, of a long paper that fits a model.
constexpr WORD LONGPAPER_MIN_LENGTH = 127;

// One user-defined paper: the records of USERPAPERTABLE, the edit lists and the dialog.
struct USERPAPER {
    SHORT id;                         // paper code, 276 and up when stored
    WCHAR name[USERPAPER_NAME_CCH];   // terminated
    WORD width;                       // 0.1 mm
    WORD length;                      // 0.1 mm
    WORD option;                      // non-zero: selectable where user papers are offered
    WORD unit;                        // 0 millimetres, 1 inches
};

// One user-defined long paper: the records of LONGPAPERTABLE.
struct LONGPAPER {
    SHORT id;                         // paper code, 536 and up when stored
    WCHAR name[USERPAPER_NAME_CCH];   // terminated
    WORD wWidth;                      // 0.1 mm
    WORD wLength;                     // 0.1 mm
    WORD wOption;
    WORD wUnit;                       // 0 millimetres, 1 inches
    WORD wPrintMode;
    WORD wAdjustMode;
    WORD wPaperCut;
    LONG dwStart;                     // 1/600 inch, LONGPAPER_AUTOMATIC = from dwStartUI
    LONG dwCut;                       // 1/600 inch, LONGPAPER_AUTOMATIC = from dwCutUI
    WORD wMargin;                     // 1/600 inch
    BYTE reserved106[2];
    LONG dwStartUI;                   // as entered: 0.01 mm or 1/1000 inch by wUnit
    LONG dwCutUI;                     // as entered
    WORD wMarginInch;                 // 1/1000 inch
    WORD wWidthInch;                  // 1/1000 inch
    WORD wLengthInch;                 // 1/1000 inch
    WORD wCutFly;                     // cut on the fly
};

// Headers of the two global blocks. The records follow the header directly: USERPAPER from
// byte 6, LONGPAPER from byte 8. wCount records are valid; the long-paper block has room for
// the numDefine records of its section.
struct USERPAPERTABLE {
    WORD wHighestId;                  // USERPAPER_FIRST_ID when empty
    WORD wCount;
    WORD wUpdateNo;                   // UpdateNo of [UserDefPaper] the table was built from
};
struct LONGPAPERTABLE {
    WORD wHighestId;                  // LONGPAPER_FIRST_ID when empty
    WORD wCount;
    WORD wUpdateNo;
    BYTE reserved6[2];
};

// Bytes of a table block for count records.
constexpr size_t UserPaperTableBytes(size_t count) { return sizeof(USERPAPERTABLE) + count * sizeof(USERPAPER); }
constexpr size_t LongPaperTableBytes(size_t count) { return sizeof(LONGPAPERTABLE) + count * sizeof(LONGPAPER); }

// The records behind a locked table header.
inline USERPAPER* UserPaperRecords(USERPAPERTABLE* table)
{
    return reinterpret_cast<USERPAPER*>(reinterpret_cast<BYTE*>(table) + sizeof(USERPAPERTABLE));
}
inline LONGPAPER* LongPaperRecords(LONGPAPERTABLE* table)
{
    return reinterpret_cast<LONGPAPER*>(reinterpret_cast<BYTE*>(table) + sizeof(LONGPAPERTABLE));
}

// The two tables: movable, shareable global blocks, NULL until loaded. The user-interface
// library's start-up and reload build them (under g_DllLock); the queries below only read them.
extern HGLOBAL g_UserPaperTable;
extern HGLOBAL g_LongPaperTable;

// Query operations of EnumUserDefPapers and EnumUserDefLongPapers: the low byte selects what
// is returned, the flags select the records a walk visits.
enum : WORD {
    UPQ_COUNT_FIRST = 1,        // WORD number of records; result the first id
    UPQ_ID = 2,                 // WORD id
    UPQ_DISPLAY = 3,            // display name, UPQ_DISPLAY_BYTES
    UPQ_ID_DISPLAY = 4,         // WORD id, display name
    UPQ_SIZE = 5,               // WORD width, WORD length (0.1 mm)
    UPQ_ID_SIZE = 6,            // WORD id, WORD width, WORD length
    UPQ_RECORD = 7,             // the whole USERPAPER or LONGPAPER
    UPQ_ID_RECORD = 8,          // WORD id, the record
    UPQ_OPTION = 9,             // WORD option
    UPQ_ID_OPTION = 10,         // WORD id, WORD option
    UPQ_HIGHEST_ID = 11,        // result the table's highest id
    UPQ_SIZE_LONG = 12,         // LONG width, LONG length
    UPQ_ID_SIZE_LONG = 13,      // LONG id, LONG width, LONG length
    UPQ_SHORT_NAME = 14,        // the name alone, UPQ_SHORTNAME_BYTES / LPQ_SHORTNAME_BYTES
    UPQ_COUNT_VISITED = 15,     // WORD number of records the filter passes; result the first id
    UPQ_UNIT = 16,              // WORD unit
    // Long papers only.
    LPQ_PRINT_MODE = 17,        // WORD print mode
    LPQ_ADJUST_MODE = 18,       // WORD adjust mode
    LPQ_PAPER_CUT = 19,         // LONG paper cut
    LPQ_START = 20,             // LONG start
    LPQ_CUT = 21,               // LONG cut
    LPQ_MARGIN = 22,            // WORD margin
    LPQ_START_UI = 23,          // LONG start as entered
    LPQ_CUT_UI = 24,            // LONG cut as entered
    LPQ_MARGIN_INCH = 25,       // WORD margin in 1/1000 inch
    LPQ_WIDTH_INCH = 26,        // WORD width in 1/1000 inch
    LPQ_LENGTH_INCH = 27,       // WORD length in 1/1000 inch
    LPQ_CUT_FLY = 28,           // WORD cut on the fly

    UPQ_ALL = 0x100,            // visit every record
    UPQ_NOT_FITTING = 0x200,    // visit only the records outside the model's free-size limits
};
// Bytes written per record by UPQ_DISPLAY and UPQ_SHORT_NAME.
constexpr size_t UPQ_DISPLAY_BYTES = 128;
constexpr size_t UPQ_SHORTNAME_BYTES = 32;   // user papers: 12 characters and the terminator
constexpr size_t LPQ_SHORTNAME_BYTES = 64;   // long papers: 25 characters and the terminator
// Result of a failed query (no table, no lock, unknown id, output too small).
constexpr WORD UPQ_FAILED = 0xFFFF;
// Added to the next id of a single-record query when that record is outside the limits.
constexpr WORD UPQ_OUTSIDE_LIMITS = 0x8000;

// Queries over USERPAPERTABLE and LONGPAPERTABLE (the table block is locked for the call).
//
// UPQ_HIGHEST_ID: result the highest id. UPQ_COUNT_FIRST: out gets the number of records,
// result the first record's id (0 for an empty table). Otherwise, with a non-zero id only that
// record is visited (subject to the filter) and the result is the id of the record after it
// (0 for the last), plus UPQ_OUTSIDE_LIMITS when it is outside the model's free-size limits;
// with id 0 every record the filter passes is visited and the result is the number of records
// in the table. UPQ_COUNT_VISITED then writes the number of visited records to out and the
// result is the first record's id. Each visited record appends its item (see the operations)
// to out.
//
// The filter: without UPQ_ALL only records within the model's free-size limits (portrait
// block of the model's record in the model table, its finisher block on A3 models with a
// finisher installed) are visited, with UPQ_NOT_FITTING only the others. A model that is not
// in the model table has no limits: none of the records fits it.
//
// cbOut is the size of out in bytes. A query whose items would not fit writes nothing and
// fails. The user-paper display names end in string 2903 (inches) or 2902 (millimetres) of
// strings (a module handle; NULL for the program's own).
WORD EnumUserDefPapers(const MODELINFO* info, WORD operation, void* out, size_t cbOut, WORD id,
                       HMODULE strings);
WORD EnumUserDefLongPapers(const MODELINFO* info, WORD operation, void* out, size_t cbOut,
                           WORD id);

// ---- Watermarks ------------------------------------------------------------------------------

// Characters of the texts of a watermark, the terminator included.
constexpr size_t WATERMARK_FACE_CCH = 64;
constexpr size_t WATERMARK_TEXT_CCH = 64;
constexpr size_t WATERMARK_KEY_CCH = 20;   // "W%07lu"

// A watermark as it is drawn on a page (memory only).
struct WATERMARKDEF {
    WORD wSize;                          // points, 1..600
    SHORT sAngle;                        // degrees, -180..180
    DWORD dwColor;                       // 0x00BBGGRR
    LONG lXOffset;                       // points, -1000..1000
    LONG lYOffset;                       // points, -1000..1000
    WCHAR szFace[WATERMARK_FACE_CCH];
    WCHAR szText[WATERMARK_TEXT_CCH];
    WCHAR szKey[WATERMARK_KEY_CCH];      // key of the entry in [Watermark]
    LONG lWeight;
    BYTE bItalic;
    BYTE bCharSet;
    BYTE reserved318[2];
    DWORD dwNumber;                      // field 13 of the entry
    WORD wPlacement;                     // 0..7
    WORD wFrame;                         // 0..3
    WORD wJobInfo;                       // job-information items
};

// Limits of the watermark look, applied to every value read.
WORD WatermarkLimitSize(LONG value);
SHORT WatermarkLimitAngle(LONG value);
DWORD WatermarkLimitColor(LONG value);
LONG WatermarkLimitOffset(LONG value);

struct DRVEXTRA;

// Fills *out from the watermark fields of a DEVMODE's private part: the key, and size, angle,
// colour, offsets (limited as read from the INI), weight, italic, character set, face, text,
// placement and frame. dwNumber and wJobInfo are left as they are; a text that is not
// terminated within its DEVMODE field is cut there. FALSE (out unchanged) for a NULL key or a
// key too long for szKey.
BOOL WatermarkFromDevmode(WATERMARKDEF* out, LPCWSTR key, const DRVEXTRA& extra);

// ---- Overlays --------------------------------------------------------------------------------

// Page selections of an overlay.
enum : SHORT {
    OVERLAY_EVERY_PAGE = 0,
    OVERLAY_FIRST_PAGE = 1,
    OVERLAY_ODD_PAGES = 2,
    OVERLAY_EVEN_PAGES = 3,
    OVERLAY_LISTED_PAGES = 4,
};
constexpr int OVERLAY_FORMS = 3;

// One form overlay as the print-time code sends it to the rendering library (the payload of the
// overlay escape).
struct OVERLAY_ENTRY {
    DWORD dwId;                        // overlay id (the entry's key)
    SHORT sMacro[OVERLAY_FORMS];       // PCL macro numbers, -1 for none
    SHORT sPageSelect;                 // OVERLAY_*
    BYTE PageSet[PAGESET_BYTES];       // bit n for page n, pages 1..999
};

// ---- Settings-INI readers (user-interface library) -------------------------------------------

#ifndef DRV_BUILD_UM

// Reads one field of a settings value: the text at *cursor up to delimiter or the end is copied
// into out (cchOut characters with the terminator) and the cursor moves past the delimiter (or
// to the end). A field that does not fit is refused, not cut: FALSE, out emptied, the cursor
// left where it was. With out NULL the field is skipped, whatever its length. The field belongs
// to the caller; nothing is kept between calls.
BOOL ReadSettingsToken(LPCWSTR* cursor, WCHAR delimiter, LPWSTR out, size_t cchOut);

// Reads the entry key of [Watermark] (a value of at most 255 characters of 16 comma-separated
// fields) into *out: the key and every field, the numbers limited. FALSE with *out unchanged
// when the key is NULL or too long, the entry is missing or empty, the value too long, or a
// text field does not fit its field of the record.
BOOL ReadWatermarkEntry(WATERMARKDEF* out, LPCWSTR key);

// Reads entry id of [Defined Overlay] ("name!forms!selection!pages", at most 511 characters)
// into *out. FALSE when the entry is missing, empty or too long (out unchanged), or when the
// selection is OVERLAY_LISTED_PAGES and the page list does not parse (out then holds the id,
// the forms, the selection and an empty page set).
BOOL ReadOverlayEntry(OVERLAY_ENTRY* out, DWORD id);

// Parses a value of [UserDefPaper] ("name,width,length,option,unit") or of [UserDefLong] (the
// name and the 16 numbers in record order) into *out, id left 0. The name ends at the first
// comma and keeps at most 39 characters; sizes above 65535 read as 65535. The unit (and the
// long paper's cut on the fly) is 1 exactly when its field starts with "1". FALSE (out
// unchanged) for an empty value or a number field longer than COPYTOKEN_MAXCCH characters.
BOOL ParseUserPaperValue(LPCWSTR value, USERPAPER* out);
BOOL ParseLongPaperValue(LPCWSTR value, LONGPAPER* out);

// Builds g_LongPaperTable from [UserDefLong] of the settings INI, unless it exists: room for
// numDefine records; the ids of PaperEntry, at most numDefine of them, each with a non-empty,
// well-formed "Paper%d" value, become the records in list order; an id without one is not
// counted. The highest id is the largest stored id, LONGPAPER_FIRST_ID at least. Not locked:
// the caller holds g_DllLock or runs at process attach.
void LoadUserDefLongList();

#endif  // DRV_BUILD_UM

// ---- Layout checks ---------------------------------------------------------------------------

static_assert(sizeof(USERPAPER) == 90);
static_assert(offsetof(USERPAPER, id) == 0);
static_assert(offsetof(USERPAPER, name) == 2);
static_assert(offsetof(USERPAPER, width) == 82);
static_assert(offsetof(USERPAPER, length) == 84);
static_assert(offsetof(USERPAPER, option) == 86);
static_assert(offsetof(USERPAPER, unit) == 88);

static_assert(sizeof(LONGPAPER) == 124);
static_assert(offsetof(LONGPAPER, id) == 0);
static_assert(offsetof(LONGPAPER, name) == 2);
static_assert(offsetof(LONGPAPER, wWidth) == 82);
static_assert(offsetof(LONGPAPER, wLength) == 84);
static_assert(offsetof(LONGPAPER, wOption) == 86);
static_assert(offsetof(LONGPAPER, wUnit) == 88);
static_assert(offsetof(LONGPAPER, wPrintMode) == 90);
static_assert(offsetof(LONGPAPER, wAdjustMode) == 92);
static_assert(offsetof(LONGPAPER, wPaperCut) == 94);
static_assert(offsetof(LONGPAPER, dwStart) == 96);
static_assert(offsetof(LONGPAPER, dwCut) == 100);
static_assert(offsetof(LONGPAPER, wMargin) == 104);
static_assert(offsetof(LONGPAPER, reserved106) == 106);
static_assert(offsetof(LONGPAPER, dwStartUI) == 108);
static_assert(offsetof(LONGPAPER, dwCutUI) == 112);
static_assert(offsetof(LONGPAPER, wMarginInch) == 116);
static_assert(offsetof(LONGPAPER, wWidthInch) == 118);
static_assert(offsetof(LONGPAPER, wLengthInch) == 120);
static_assert(offsetof(LONGPAPER, wCutFly) == 122);

static_assert(sizeof(USERPAPERTABLE) == 6 && alignof(USERPAPER) <= 2);
static_assert(sizeof(LONGPAPERTABLE) == 8 && alignof(LONGPAPER) <= 8);
static_assert(UserPaperTableBytes(1) == 6 + sizeof(USERPAPER));
static_assert(LongPaperTableBytes(1) == 8 + sizeof(LONGPAPER));

static_assert(sizeof(WATERMARKDEF) == 332);
static_assert(offsetof(WATERMARKDEF, wSize) == 0);
static_assert(offsetof(WATERMARKDEF, sAngle) == 2);
static_assert(offsetof(WATERMARKDEF, dwColor) == 4);
static_assert(offsetof(WATERMARKDEF, lXOffset) == 8);
static_assert(offsetof(WATERMARKDEF, lYOffset) == 12);
static_assert(offsetof(WATERMARKDEF, szFace) == 16);
static_assert(offsetof(WATERMARKDEF, szText) == 144);
static_assert(offsetof(WATERMARKDEF, szKey) == 272);
static_assert(offsetof(WATERMARKDEF, lWeight) == 312);
static_assert(offsetof(WATERMARKDEF, bItalic) == 316);
static_assert(offsetof(WATERMARKDEF, bCharSet) == 317);
static_assert(offsetof(WATERMARKDEF, dwNumber) == 320);
static_assert(offsetof(WATERMARKDEF, wPlacement) == 324);
static_assert(offsetof(WATERMARKDEF, wFrame) == 326);
static_assert(offsetof(WATERMARKDEF, wJobInfo) == 328);

static_assert(sizeof(OVERLAY_ENTRY) == 140);
static_assert(offsetof(OVERLAY_ENTRY, dwId) == 0);
static_assert(offsetof(OVERLAY_ENTRY, sMacro) == 4);
static_assert(offsetof(OVERLAY_ENTRY, sPageSelect) == 10);
static_assert(offsetof(OVERLAY_ENTRY, PageSet) == 12);
