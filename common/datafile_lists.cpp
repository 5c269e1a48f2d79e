// Readers of the list-valued sections of a model's data files; see datafile_lists.h.
#include "datafile_lists.h"

#ifndef DRV_BUILD_UM

#include <algorithm>
#include <cwchar>

#include "datafile_parse.h"
#include "textutil.h"

namespace {

using ValueBuffer = WCHAR[DATAFILE_LIST_VALUE_CCH];

// The built-in media mask of a paper type or paper that the data files do not list.
constexpr WCHAR kDefaultMediaMask[] = L"TRAY.12345AMD_ + STK.UD + FIN.UD + EJS22344L22344S";

bool HasFile(LPCWSTR path) { return path && path[0] != L'\0'; }

// Copies text into value, cut to the buffer. Returns its length.
DWORD CopyValue(ValueBuffer& value, LPCWSTR text)
{
    const size_t n = std::min(wcslen(text), static_cast<size_t>(DATAFILE_LIST_VALUE_CCH - 1));
    wmemcpy(value, text, n);
    value[n] = L'\0';
    return static_cast<DWORD>(n);
}

// Reads key of section from file with fallback as the default; a file that is not named gives
// the default. Returns the length of the value.
DWORD ReadKey(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPCWSTR fallback, ValueBuffer& value)
{
    if (!HasFile(file)) return CopyValue(value, fallback);
    return GetPrivateProfileStringW(section, key, fallback, value, DATAFILE_LIST_VALUE_CCH, file);
}

// The value of key from customFile, else defaultFile, else builtIn.
void ReadModelValue(LPCWSTR section, LPCWSTR key, LPCWSTR builtIn, LPCWSTR defaultFile,
                    LPCWSTR customFile, ValueBuffer& value)
{
    if (ReadKey(customFile, section, key, L"", value)) return;
    if (ReadKey(defaultFile, section, key, L"", value)) return;
    CopyValue(value, builtIn);
}

// The decimal text of a key number.
struct KeyName {
    explicit KeyName(LONG number) { IntToWStr(number, text); }
    WCHAR text[INTTOWSTR_CCH];
};

// Steps over the character the cursor stands on, unless it is the end of the value.
void StepOver(LPWSTR& cursor)
{
    if (*cursor != L'\0') ++cursor;
}

struct ListSpec {
    LPCWSTR key;
    LPCWSTR builtIn;
    WORD maxEntries;   // size of the list
    DWORD rowLimit;    // entries must be below this: the rows of the table the list indexes
    bool emptyIsNone;  // an empty value stores nothing
};

WORD ReadPrinterInfoList(const ListSpec& spec, DWORD* list, LPCWSTR defaultFile, LPCWSTR customFile)
{
    ValueBuffer value;
    if (!ReadKey(customFile, L"PRINTERINFO", spec.key, L"", value))
        ReadKey(defaultFile, L"PRINTERINFO", spec.key, spec.builtIn, value);
    if (spec.emptyIsNone && value[0] == L'\0') return 0;

    WORD count = 0;
    LPWSTR cursor = value;
    while (count < spec.maxEntries) {
        const DWORD row = DataFileParseHexOrDec(&cursor, L',');
        // A row outside the indexed table would make every user of the list read beyond it.
        if (row < spec.rowLimit) list[count++] = row;
        if (*cursor == L'\0') break;
        ++cursor;
    }
    return count;
}

constexpr WCHAR kStandardPaperList[] =
    L"23, 0, 1, 2,24, 3, 5, 6,26, 7, 8,27,28,22,25,9,10,11,12,13,30,15,31,16,20,17,18,19";

constexpr ListSpec kPaperSizeList = {L"PaperSize", kStandardPaperList, MODEL_PAPER_LIST_ROWS,
                                     PAPER_TABLE_ROWS, false};
constexpr ListSpec kPaperSizeInchList = {L"PaperSize_inch", L"", MODEL_PAPER_LIST_ROWS,
                                         PAPER_TABLE_ROWS, false};
constexpr ListSpec kPaperSizeMmList = {L"PaperSize_mm", L"", MODEL_PAPER_LIST_ROWS,
                                       PAPER_TABLE_ROWS, false};
constexpr ListSpec kSourceList = {L"Source", L"0,1,2,3,4,5,7", MODEL_LIST_ROWS,
                                  SOURCE_TABLE_ROWS, false};
constexpr ListSpec kPaperTypeList = {L"PaperType", L"0,1,2,3,4,5,6,7", MODEL_LIST_ROWS,
                                     MEDIA_TABLE_ROWS, true};
constexpr ListSpec kMediaTypeList = {L"MediaType", L"13,4,3,0,1,2,9,11,12,5,6,7,8",
                                     MODEL_LIST_ROWS, PAPERTYPE_TABLE_ROWS, false};

// One [USERFREESIZE] block: its portrait and landscape keys and built-in values.
struct FreeSizeKeys {
    LPCWSTR portraitKey;
    LPCWSTR portraitBuiltIn;
    LPCWSTR landscapeKey;
    LPCWSTR landscapeBuiltIn;
};

constexpr FreeSizeKeys kFreeSizeKeys[FREESIZE_BLOCKS] = {
    {L"UDDPIChange_Portrait", L" 3280,  4572,  3874,  5400,   762,  1270,   900,  1500",
     L"UDDPIChange_Landscape", L" 4572,  3280,  5400,  3874,  1270,   762,  1500,   900"},
    {L"UDFreeSize_Portrait", L" 3280, 12000,  3874, 14173,   762,  1270,   900,  1500",
     L"UDFreeSize_Landscape", L"12000,  3280, 14173,  3874,  1270,   762,  1500,   900"},
    {L"UDFinisherSize_Portrait", L" 2970, 12000,  3508, 14173,  1000,  1480,  1181,  1748",
     L"UDFinisherSize_Landscape", L"12000,  2970, 14173,  3508,  1480,  1000,  1748,  1181"},
};

// Reads the eight numbers of one orientation; numbers missing at the end read as 0.
void ReadFreeSizeBounds(LPCWSTR key, LPCWSTR builtIn, LPCWSTR defaultFile, LPCWSTR customFile,
                        FREESIZEBOUNDS& bounds)
{
    ValueBuffer value;
    ReadModelValue(L"USERFREESIZE", key, builtIn, defaultFile, customFile, value);
    LPWSTR cursor = value;
    WORD w[8];
    for (WORD& word : w) {
        word = static_cast<WORD>(DataFileParseHexOrDec(&cursor, L','));
        StepOver(cursor);
    }
    bounds = {w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]};
}

// Copies name into a substitution name field, cut to the field.
void CopySubstName(WCHAR (&field)[FONTSUBST_NAME_CCH], LPCWSTR name)
{
    size_t n = 0;
    for (; n < FONTSUBST_NAME_CCH - 1 && name[n] != L'\0'; ++n) field[n] = name[n];
    field[n] = L'\0';
}

}  // namespace

WORD ReadPaperSizeList(DWORD list[MODEL_PAPER_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    return ReadPrinterInfoList(kPaperSizeList, list, defaultFile, customFile);
}

WORD ReadPaperSizeInchList(DWORD list[MODEL_PAPER_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    return ReadPrinterInfoList(kPaperSizeInchList, list, defaultFile, customFile);
}

WORD ReadPaperSizeMmList(DWORD list[MODEL_PAPER_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    return ReadPrinterInfoList(kPaperSizeMmList, list, defaultFile, customFile);
}

WORD ReadSourceList(DWORD list[MODEL_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    return ReadPrinterInfoList(kSourceList, list, defaultFile, customFile);
}

WORD ReadPaperTypeList(DWORD list[MODEL_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    return ReadPrinterInfoList(kPaperTypeList, list, defaultFile, customFile);
}

WORD ReadMediaTypeList(DWORD list[MODEL_LIST_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    return ReadPrinterInfoList(kMediaTypeList, list, defaultFile, customFile);
}

WORD ReadAllMediatype(PAPERTYPEINFO types[PAPERTYPE_MAX_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    constexpr WORD rows = std::min(PAPERTYPE_TABLE_ROWS, PAPERTYPE_MAX_ROWS);
    for (WORD i = 0; i < rows; ++i) {
        ValueBuffer value;
        ReadModelValue(L"AllMediatype", KeyName(i + 1).text, kDefaultMediaMask, defaultFile,
                       customFile, value);
        LPWSTR cursor = value;
        const PAPERTYPEDEF& row = g_PaperTypeTable[i];
        PAPERTYPEINFO& entry = types[i];
        entry.wPaperTypeId = row.paperTypeId;
        entry.wStringId = row.stringId;
        entry.dwPositionMask = DataFileParseMediaMask(&cursor, L',');
        entry.wThirdValue = row.value3;
        entry.wZero = 0;
    }
    return rows;
}

void ReadPaperSourceType(DWORD masks[PAPER_TABLE_ROWS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    const WORD rows = std::min(g_PaperTableCount, PAPER_TABLE_ROWS);
    for (WORD i = 0; i < rows; ++i) {
        ValueBuffer value;
        ReadModelValue(L"PaperSourceType", KeyName(i + 1).text, kDefaultMediaMask, defaultFile,
                       customFile, value);
        LPWSTR cursor = value;
        masks[i] = DataFileParseMediaMask(&cursor, L',');
    }
}

void ReadUserFreeSize(FREESIZELIMITS limits[FREESIZE_BLOCKS], LPCWSTR defaultFile, LPCWSTR customFile)
{
    for (WORD block = 0; block < FREESIZE_BLOCKS; ++block) {
        const FreeSizeKeys& keys = kFreeSizeKeys[block];
        ReadFreeSizeBounds(keys.portraitKey, keys.portraitBuiltIn, defaultFile, customFile,
                           limits[block].portrait);
        ReadFreeSizeBounds(keys.landscapeKey, keys.landscapeBuiltIn, defaultFile, customFile,
                           limits[block].landscape);
    }
}

void ReadFontSubstTable(FONTSUBST subst[FONTSUBST_SLOTS], WORD* count, LPCWSTR defaultFile)
{
    if (count) *count = FONTSUBST_SLOTS;
    if (!HasFile(defaultFile)) return;
    for (WORD n = 1; n <= FONTSUBST_SLOTS; ++n) {
        ValueBuffer value;
        if (!GetPrivateProfileStringW(L"SUBSTTABLE", KeyName(n).text, L"", value,
                                      DATAFILE_LIST_VALUE_CCH, defaultFile))
            break;
        FONTSUBST& entry = subst[n - 1];
        LPWSTR cursor = value;
        CopySubstName(entry.szTrueTypeName, DataFileParseString(&cursor, L','));
        StepOver(cursor);
        CopySubstName(entry.szDeviceName, DataFileParseString(&cursor, L','));
        StepOver(cursor);
        entry.wDeviceFont = static_cast<WORD>(DataFileParseNumber(&cursor, L','));
    }
}

#endif  // DRV_BUILD_UM
