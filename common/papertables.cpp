// The process-wide paper, source, media, paper-type, resolution and dither tables, the reader
// of the common paper file and the loader of the dither tables.
#include "papertables.h"

#include <cstring>

#ifndef DRV_BUILD_UM
#include "datafile_parse.h"
#include "textutil.h"
#include "wstrbuf.h"
#endif

PAPERINFO g_PaperTable[PAPER_TABLE_ROWS] = {};
WORD g_PaperTableCount = PAPER_TABLE_ROWS;

// {paper id, display string id, second string id}. Paper 30 appears twice; lookups take the
// first match.
const PAPERSTRINGINFO g_PaperStringTable[PAPER_STRING_TABLE_ROWS] = {
    {9, 300, 9000},     {11, 301, 9001},    {70, 302, 9002},    {13, 303, 9003},
    {263, 304, 9004},   {1, 305, 9005},     {5, 306, 9006},     {14, 307, 9007},
    {7, 308, 9008},     {43, 309, 9009},    {82, 310, 9010},    {73, 311, 9011},
    {74, 312, 9012},    {91, 313, 9013},    {264, 314, 9014},   {27, 315, 9015},
    {28, 316, 9016},    {20, 317, 9017},    {37, 321, 9021},    {256, 320, 9020},
    {19, 322, 9022},    {30, 323, 9023},    {266, 324, 9024},   {8, 325, 9025},
    {12, 326, 9026},    {267, 327, 9027},   {268, 328, 9028},   {3, 329, 9029},
    {269, 330, 9030},   {270, 331, 9031},   {271, 332, 9032},   {30, 323, 9023},
    {272, 333, 9033},   {273, 334, 9034},   {274, 335, 9035},   {257, 354, 9054},
    {258, 355, 9055},   {259, 342, 9042},   {260, 343, 9043},   {261, 344, 9044},
    {262, 345, 9045},   {1577, 349, 9049},  {1578, 350, 9050},  {1579, 351, 9051},
    {1580, 353, 9053},  {275, 352, 9052},   {1581, 356, 9056},  {1582, 357, 9057},
    {1583, 358, 9058},  {283, 359, 9059},   {284, 360, 9060},   {285, 361, 9061},
    {6, 362, 9062},     {286, 363, 9063},
};

// A model's Source list holds row indexes into this table; the names are filled when the
// model's strings are loaded.
SOURCEINFO g_SourceTable[SOURCE_TABLE_ROWS] = {
    {7, 211, {}},   {1, 200, {}},   {259, 201, {}}, {260, 204, {}},
    {261, 209, {}}, {262, 210, {}}, {258, 202, {}}, {4, 203, {}},
};

// A model's MediaType list holds row indexes into this table.
MEDIAINFO g_MediaTable[MEDIA_TABLE_ROWS] = {
    {512, 9800, {}},  {513, 9801, {}},  {514, 9802, {}},  {515, 9803, {}},
    {516, 9804, {}},  {517, 9805, {}},  {518, 9806, {}},  {519, 9807, {}},
    {520, 9808, {}},  {521, 9809, {}},  {522, 9810, {}},  {523, 9811, {}},
    {526, 11534, {}}, {527, 11535, {}}, {528, 9814, {}},
};

// The four resolution slots of a model hold row indexes into this table.
const RESOLUTIONINFO g_ResolutionTable[RESOLUTION_TABLE_ROWS] = {
    {300, 16}, {600, 0}, {600, 1}, {600, 2}, {600, 32}, {1200, 0}, {600, 64}, {1200, 2},
};

// Paper types in the order of the AllMediatype keys 1, 2, ...
const PAPERTYPEDEF g_PaperTypeTable[PAPERTYPE_TABLE_ROWS] = {
    {0, 1314, 0},  {1, 1300, 0},  {2, 1301, 0},  {3, 1302, 0},  {4, 1303, 0},  {5, 1304, 0},
    {7, 1309, 0},  {12, 1308, 0}, {13, 1305, 0}, {9, 1311, 0},  {10, 1312, 0}, {6, 1306, 0},
    {11, 1315, 0}, {19, 1313, 0}, {20, 1316, 0}, {21, 1317, 0}, {22, 1318, 0}, {23, 1319, 0},
    {24, 1322, 0}, {25, 1323, 0}, {26, 1324, 0}, {27, 1325, 0}, {28, 1326, 0}, {29, 1327, 0},
    {30, 1328, 0}, {31, 1329, 0}, {32, 1330, 0},
};

DITHERTABLE g_DitherTables[DITHER_TABLE_COUNT] = {};

const PAPERSTRINGINFO* FindPaperStringInfo(WORD paperId)
{
    for (const PAPERSTRINGINFO& row : g_PaperStringTable)
        if (row.paperId == paperId) return &row;
    return nullptr;
}

#ifndef DRV_BUILD_UM

namespace {

// Characters of one value read from a data file, terminator included.
constexpr DWORD PAPER_VALUE_CCH = 512;
// Longest key name: "AllPaper_mmSize" and a row number.
constexpr size_t PAPER_KEY_CCH = 32;

// Reads key prefix<number> of section AllPaper into value (zero-filled first, so that the
// characters after the value's end are zeros). A missing or empty key gives FALSE.
BOOL ReadPaperKey(LPCWSTR file, LPCWSTR prefix, WORD number, WCHAR (&value)[PAPER_VALUE_CCH])
{
    WCHAR key[PAPER_KEY_CCH];
    WCHAR digits[INTTOWSTR_CCH];
    IntToWStr(number, digits);
    if (!WBufCopy(key, PAPER_KEY_CCH, prefix) || !WBufAppend(key, PAPER_KEY_CCH, digits)) return FALSE;
    std::memset(value, 0, sizeof value);
    return GetPrivateProfileStringW(L"AllPaper", key, L"", value, PAPER_VALUE_CCH, file) > 0;
}

// Steps the cursor over the delimiter that ended the last token; at the end of the value (or
// where a ';' ended it) the cursor stays on the terminator.
void StepOver(WCHAR*& cursor)
{
    if (*cursor != L'\0') ++cursor;
}

WORD NextWord(WCHAR*& cursor)
{
    const WORD v = static_cast<WORD>(DataFileParseHexOrDec(&cursor, L','));
    StepOver(cursor);
    return v;
}

// Reads "printable width, printable length, x offset, y offset, count, data" into area. The
// data field holds PAPER_DATA_BYTES bytes: a larger count keeps only that many and is stored
// as PAPER_DATA_BYTES. Each byte is the low byte of one character of the data string, counted
// from its start; characters are taken up to the end of the value buffer (a string with
// embedded zero characters keeps them), never beyond it; unused bytes are 0.
void ReadPaperArea(WCHAR (&value)[PAPER_VALUE_CCH], PAPERAREA& area)
{
    WCHAR* cursor = value;
    area.printableWidth = NextWord(cursor);
    area.printableLength = NextWord(cursor);
    area.offsetX = NextWord(cursor);
    area.offsetY = NextWord(cursor);
    WORD count = NextWord(cursor);
    if (count > PAPER_DATA_BYTES) count = PAPER_DATA_BYTES;
    const WCHAR* data = DataFileParseString(&cursor, L',');
    std::memset(area.data, 0, sizeof area.data);
    if (data && data >= value && data < value + PAPER_VALUE_CCH) {
        const size_t available = static_cast<size_t>(value + PAPER_VALUE_CCH - data);
        for (size_t i = 0; i < count && i < available; ++i) area.data[i] = static_cast<BYTE>(data[i] & 0xFF);
    }
    area.dataCount = count;
}

}  // namespace

WORD ReadAllPaperTable(PAPERINFO table[PAPER_TABLE_ROWS], LPCWSTR initDataFile2)
{
    if (!table || !initDataFile2 || !*initDataFile2) return 0;
    WCHAR value[PAPER_VALUE_CCH];
    WORD rows = 0;
    while (rows < PAPER_TABLE_ROWS) {
        const WORD number = static_cast<WORD>(rows + 1);
        if (!ReadPaperKey(initDataFile2, L"AllPaper", number, value)) break;
        PAPERINFO& row = table[rows];

        // id, "name", kind, fourth value, width, length
        WCHAR* cursor = value;
        row.paperId = NextWord(cursor);
        const WCHAR* name = DataFileParseString(&cursor, L',');
        std::memset(row.name, 0, sizeof row.name);
        if (name) {
            for (size_t i = 0; i + 1 < PAPER_NAME_CCH && name[i] != L'\0'; ++i) row.name[i] = name[i];
        }
        StepOver(cursor);
        row.kind = NextWord(cursor);
        row.value4 = static_cast<DWORD>(DataFileParseHexOrDec(&cursor, L','));
        StepOver(cursor);
        row.widthDots = NextWord(cursor);
        row.lengthDots = NextWord(cursor);

        const PAPERSTRINGINFO* strings = FindPaperStringInfo(row.paperId);
        if (!strings) strings = &g_PaperStringTable[0];
        row.stringId = strings->stringId;
        row.stringId2 = strings->stringId2;

        // Printable areas: a missing key leaves the row's fields as they were.
        if (ReadPaperKey(initDataFile2, L"AllPaper_port", number, value)) ReadPaperArea(value, row.portrait);
        if (ReadPaperKey(initDataFile2, L"AllPaper_land", number, value)) ReadPaperArea(value, row.landscape);

        // Size in 0.1 mm, or 0 (the accessors then work it out from the dots).
        row.widthMm10 = 0;
        row.lengthMm10 = 0;
        if (ReadPaperKey(initDataFile2, L"AllPaper_mmSize", number, value)) {
            cursor = value;
            row.widthMm10 = NextWord(cursor);
            row.lengthMm10 = NextWord(cursor);
        }
        ++rows;
    }
    return rows;
}

BOOL LoadDitherTable(void* dest, DWORD size, WORD id, LPCWSTR libraryPath)
{
    if (!dest || !libraryPath || !*libraryPath) return FALSE;
    // The library holds resources only: map it as data, run none of its code.
    HMODULE library = LoadLibraryExW(libraryPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) return FALSE;
    BOOL copied = FALSE;
    HRSRC resource = FindResourceW(library, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(DITHER_RESOURCE_TYPE));
    // A resource shorter than the table is damaged: never read past its end.
    if (resource && SizeofResource(library, resource) >= size) {
        HGLOBAL handle = LoadResource(library, resource);
        const void* bytes = handle ? LockResource(handle) : nullptr;
        if (bytes) {
            std::memcpy(dest, bytes, size);
            copied = TRUE;
        }
        if (handle) FreeResource(handle);
    }
    FreeLibrary(library);
    return copied;
}

#endif
