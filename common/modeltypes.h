// Fixed-layout records of the model record that the model data files fill: paper types, font
// substitutions and free-size limits. The model cache file stores them byte for byte, so their
// layouts are a file format (little-endian, UTF-16 text) and are checked below on both
// architectures.
#pragma once
#include <windows.h>

#include <cstddef>

// Entries of the model's lists: the paper lists hold rows of the global paper table, the
// source, media and paper-type lists rows of their tables.
constexpr WORD MODEL_PAPER_LIST_ROWS = 64;
constexpr WORD MODEL_LIST_ROWS = 32;
// Font substitution slots of a model.
constexpr WORD FONTSUBST_SLOTS = 32;
// The three free-size limit blocks of a model, in this order.
enum FreeSizeBlock : WORD {
    FREESIZE_DPI_CHANGE = 0,  // limits for 1200 dpi
    FREESIZE_USER = 1,        // free-size (user-defined) paper limits
    FREESIZE_FINISHER = 2,    // free-size limits while a finisher is used
    FREESIZE_BLOCKS = 3,
};

#pragma pack(push, 2)

// One paper type of a model: a row of the built-in paper-type table together with the model's
// position mask for it ([AllMediatype] key n + 1 for entry n).
struct PAPERTYPEINFO {
    WORD wPaperTypeId;     // paper-type id
    WORD wStringId;        // display-name string id
    DWORD dwPositionMask;  // trays, stackers, finisher, ejection positions (media mask)
    WORD wThirdValue;      // third value of the built-in row
    WORD wZero;            // written as 0
    BYTE reserved[8];
};

// Characters of a substitution name, the terminator included.
constexpr size_t FONTSUBST_NAME_CCH = 64;

// One TrueType-to-device-font substitution ([SUBSTTABLE] key n + 1 for entry n).
struct FONTSUBST {
    WCHAR szTrueTypeName[FONTSUBST_NAME_CCH];  // TrueType face name, terminated
    WCHAR szDeviceName[FONTSUBST_NAME_CCH];    // device font name, terminated
    WORD wDeviceFont;                          // device font number
};

// Size limits of a user-defined paper in one orientation. Widths and lengths in 0.1 mm, and
// the same in dots at the paper table's resolution (300 dpi).
struct FREESIZEBOUNDS {
    WORD wMaxWidth;
    WORD wMaxLength;
    WORD wMaxWidthDots;
    WORD wMaxLengthDots;
    WORD wMinWidth;
    WORD wMinLength;
    WORD wMinWidthDots;
    WORD wMinLengthDots;
};

// The limits of one [USERFREESIZE] pair of keys: portrait, then landscape.
struct FREESIZELIMITS {
    FREESIZEBOUNDS portrait;
    FREESIZEBOUNDS landscape;
};

#pragma pack(pop)

static_assert(sizeof(PAPERTYPEINFO) == 20);
static_assert(offsetof(PAPERTYPEINFO, wPaperTypeId) == 0);
static_assert(offsetof(PAPERTYPEINFO, wStringId) == 2);
static_assert(offsetof(PAPERTYPEINFO, dwPositionMask) == 4);
static_assert(offsetof(PAPERTYPEINFO, wThirdValue) == 8);
static_assert(offsetof(PAPERTYPEINFO, wZero) == 10);
static_assert(offsetof(PAPERTYPEINFO, reserved) == 12);

static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(FONTSUBST) == 258);
static_assert(offsetof(FONTSUBST, szTrueTypeName) == 0);
static_assert(offsetof(FONTSUBST, szDeviceName) == 128);
static_assert(offsetof(FONTSUBST, wDeviceFont) == 256);

static_assert(sizeof(FREESIZEBOUNDS) == 16);
static_assert(offsetof(FREESIZEBOUNDS, wMaxWidth) == 0);
static_assert(offsetof(FREESIZEBOUNDS, wMaxLength) == 2);
static_assert(offsetof(FREESIZEBOUNDS, wMaxWidthDots) == 4);
static_assert(offsetof(FREESIZEBOUNDS, wMaxLengthDots) == 6);
static_assert(offsetof(FREESIZEBOUNDS, wMinWidth) == 8);
static_assert(offsetof(FREESIZEBOUNDS, wMinLength) == 10);
static_assert(offsetof(FREESIZEBOUNDS, wMinWidthDots) == 12);
static_assert(offsetof(FREESIZEBOUNDS, wMinLengthDots) == 14);

static_assert(sizeof(FREESIZELIMITS) == 32);
static_assert(offsetof(FREESIZELIMITS, portrait) == 0);
static_assert(offsetof(FREESIZELIMITS, landscape) == 16);
