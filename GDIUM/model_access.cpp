// The rendering library's access to the model table, the paper and dither tables, the device-font
// table, and its wide-string helpers.
#include "model_access.h"

#include <algorithm>
#include <cstring>

#include "model_queries.h"
#include "modeltable.h"

const PAPERMARGIN g_PaperMarginTable[PAPER_MARGIN_ROWS] = {
    {9, 0, 50, 50},    {11, 0, 50, 50},   {70, 0, 50, 50},   {13, 0, 50, 50},   {263, 0, 50, 50},
    {1, 0, 50, 50},    {5, 0, 50, 50},    {14, 0, 50, 50},   {7, 0, 50, 50},    {43, 0, 50, 50},
    {82, 0, 50, 50},   {73, 0, 50, 50},   {74, 0, 50, 50},   {91, 0, 50, 50},   {264, 0, 50, 50},
    {27, 0, 50, 50},   {28, 0, 50, 50},   {20, 0, 50, 50},   {37, 0, 50, 50},   {256, 0, 50, 50},
    {19, 0, 50, 50},   {30, 0, 50, 50},   {266, 0, 50, 50},  {8, 0, 50, 50},    {12, 0, 50, 50},
    {267, 0, 50, 50},  {268, 0, 50, 50},  {3, 0, 50, 50},    {269, 0, 50, 50},  {270, 0, 50, 50},
    {271, 0, 50, 50},  {30, 0, 128, 50},  {256, 0, 50, 50},  {272, 0, 50, 50},  {273, 0, 50, 50},
    {274, 0, 50, 50},  {257, 0, 50, 50},  {258, 0, 50, 50},  {259, 0, 50, 50},  {260, 0, 50, 50},
    {261, 0, 50, 50},  {262, 0, 50, 50},  {1577, 0, 50, 50}, {1578, 0, 50, 50}, {1579, 0, 50, 50},
    {275, 0, 37, 0},   {1580, 0, 50, 50}, {1581, 0, 50, 50}, {1582, 0, 50, 50}, {1583, 0, 50, 50},
    {283, 0, 50, 50},  {284, 0, 50, 50},  {285, 0, 50, 50},  {286, 0, 50, 50},  {6, 0, 50, 50},
};

namespace {

// The short-menu names of class-1 short-menu models: display string id -> replacement.
struct StringSwap {
    WORD from;
    WORD to;
};
constexpr StringSwap kShortMenuStrings[] = {{300, 346}, {303, 348}, {305, 347}};
constexpr WORD kShortMenuModelId = 1;

// 1/300 inch to 1/100 mm: x 254 / 30.
constexpr LONG kHundredthsMmPer30Dots = 254;
constexpr LONG kDotsPer30 = 30;

WORD UpperAscii(WCHAR c) { return (c >= L'a' && c <= L'z') ? static_cast<WORD>(c - L'a' + L'A') : c; }

// The free sizes are held in the paper table as the user's free size.
WORD TableIdOf(WORD paperId)
{
    return (paperId == PAPERID_CUSTOM || paperId == PAPERID_CUSTOM_FINISHER) ? PAPERID_USER_SIZE : paperId;
}

// The entries of the active list that the list may hold.
WORD ActiveCount(const MODELINFO& info) { return std::min<WORD>(info.nPapers, MODEL_PAPER_LIST_ROWS); }

// The paper-table row of entry i of the active list, or -1 when the entry is not a row of the
// table.
LONG ActiveRow(const MODELINFO& info, WORD i)
{
    const DWORD row = info.adwPaperList[i];
    return row < PAPER_TABLE_ROWS ? static_cast<LONG>(row) : -1;
}

// The slot of the dither entries for a resolution and a dither mode word; it may lie outside the
// banks.
LONG DitherSlot(LONG dpi, WORD mode)
{
    const LONG h = dpi > 300 ? 1 : 0;
    LONG g;
    switch (mode >> 8) {
    case 0x00: g = 2 + h; break;
    case 0xFD: g = 1 + 2 * h; break;
    case 0xFE: g = 2 + 2 * h; break;
    case 0xFF: g = 3 + 2 * h; break;
    default: g = mode >> 8; break;
    }
    return 3 * g - 3 + (dpi == 1200 ? 2 : h);
}

// The margin-table row of a paper for entry row of the paper table: that row itself when it is
// the paper's, else the first row of the paper; NULL when the table has none.
const PAPERMARGIN* MarginRowOf(WORD paperId, LONG row)
{
    if (row >= 0 && static_cast<size_t>(row) < PAPER_MARGIN_ROWS && g_PaperMarginTable[row].paperId == paperId)
        return &g_PaperMarginTable[row];
    for (const PAPERMARGIN& m : g_PaperMarginTable)
        if (m.paperId == paperId) return &m;
    return nullptr;
}

}  // namespace

// ---- Model lookup ---------------------------------------------------------------------------

MODELINFO* DrvLookupModelInfo(LPCWSTR modelName)
{
    if (!modelName) return nullptr;
    MODELRECORD* record = DrvFindModelRecord(modelName);
    if (!record || !record->dwLoaded) return nullptr;
    record->ModelInfo.InfoType &= static_cast<WORD>(~1u);
    return &record->ModelInfo;
}

// ---- Dither tables ---------------------------------------------------------------------------

const DITHERTABLE* DrvSelectDitherTable(LPCWSTR modelName, LONG dpi, WORD mode)
{
    const DITHERTABLE* fallback = &g_DitherTables[0];
    const MODELINFO* info = DrvLookupModelInfo(modelName);
    if (!info) return fallback;
    const LONG slot = DitherSlot(dpi, mode);
    if (slot < 0 || static_cast<size_t>(slot) >= DITHER_SLOTS) return fallback;
    const BYTE* codes = (mode & 0xFF) == DITHER_MODE_LINE ? info->abLineDitherCode : info->abMeshDitherCode;
    const BYTE code = codes[slot];
    return (code >= 1 && code <= DITHER_TABLE_COUNT) ? &g_DitherTables[code - 1] : fallback;
}

// ---- Papers ------------------------------------------------------------------------------------

SHORT DrvFindModelPaperIndex(const MODELINFO* info, WORD paperId)
{
    if (paperId == 0) return MODEL_PAPER_INDEX_NONE;
    if (!info) return MODEL_PAPER_INDEX_NOT_LISTED;
    const WORD n = ActiveCount(*info);
    for (WORD i = 0; i < n; ++i) {
        const LONG row = ActiveRow(*info, i);
        if (row >= 0 && g_PaperTable[row].paperId == paperId) return static_cast<SHORT>(i);
    }
    return MODEL_PAPER_INDEX_NOT_LISTED;
}

BOOL DrvGetPaperRecord(LPCWSTR modelName, const MODELINFO* info, WORD paperId, PAPERRECORD* record,
                       PRINTABLESIZE* size)
{
    if (record) std::memset(record, 0, sizeof *record);
    if (size) std::memset(size, 0, sizeof *size);
    if (!info) info = DrvLookupModelInfo(modelName);
    if (!info) return FALSE;

    const SHORT index = DrvFindModelPaperIndex(info, TableIdOf(paperId));
    if (index < 0) return FALSE;
    const PAPERINFO& row = g_PaperTable[info->adwPaperList[index]];

    PAPERRECORD r = {};
    r.paperId = row.paperId;
    r.stringId = row.stringId;
    r.kind = row.kind;
    r.value4 = row.value4;
    r.widthDots = row.widthDots;
    r.lengthDots = row.lengthDots;
    r.portrait = row.portrait;
    r.landscape = row.landscape;
    if ((info->dwCapFlags & MIF_SHORTMENU) && info->wModelID == kShortMenuModelId)
        for (const StringSwap& s : kShortMenuStrings)
            if (r.stringId == s.from) r.stringId = s.to;

    if (paperId == PAPERID_CUSTOM || paperId == PAPERID_CUSTOM_FINISHER) {
        const FREESIZELIMITS* limits = DrvGetCustomSizeLimits(info);
        if (!limits) return FALSE;
        const FREESIZEBOUNDS& max = limits->portrait;
        r.widthDots = max.wMaxWidthDots;
        r.lengthDots = max.wMaxLengthDots;
        const LONG w = static_cast<LONG>(max.wMaxWidthDots) - 2 * static_cast<LONG>(r.portrait.offsetX);
        const LONG l = static_cast<LONG>(max.wMaxLengthDots) - 2 * static_cast<LONG>(r.portrait.offsetY);
        r.portrait.printableWidth = static_cast<WORD>(std::max<LONG>(w, 0));
        r.portrait.printableLength = static_cast<WORD>(std::max<LONG>(l, 0));
        r.landscape = r.portrait;
        r.paperId = paperId;
        r.kind = paperId == PAPERID_CUSTOM ? PAPER_KIND_CUSTOM : PAPER_KIND_CUSTOM_FINISHER;
    }

    if (record) *record = r;
    if (size) {
        size->paperId = r.paperId;
        size->width = static_cast<LONG>(row.portrait.printableWidth) * kHundredthsMmPer30Dots / kDotsPer30;
        size->length = static_cast<LONG>(row.portrait.printableLength) * kHundredthsMmPer30Dots / kDotsPer30;
    }
    return TRUE;
}

POINTL DrvGetPaperMarginDelta(LPCWSTR modelName, LONG orientation, WORD paperId)
{
    POINTL delta = {0, 0};
    const MODELINFO* info = DrvLookupModelInfo(modelName);
    if (!info) return delta;
    const WORD id = TableIdOf(paperId);
    const WORD n = ActiveCount(*info);
    for (WORD i = 0; i < n; ++i) {
        const LONG row = ActiveRow(*info, i);
        if (row < 0 || g_PaperTable[row].paperId != id) continue;
        const PAPERMARGIN* margin = MarginRowOf(id, row);
        if (!margin) continue;
        const PAPERAREA& area = orientation == 1 ? g_PaperTable[row].portrait : g_PaperTable[row].landscape;
        delta.x = static_cast<LONG>(area.offsetX) - margin->x;
        delta.y = static_cast<LONG>(area.offsetY) - margin->y;
    }
    return delta;
}

const FREESIZELIMITS* DrvGetFreeSizeLimits(const MODELINFO* info)
{
    if (!info) return nullptr;
    const MODELRECORD* record = DrvFindModelRecord(info->szModelName);
    return record && record->dwLoaded ? &record->FreeSizeLimits[FREESIZE_DPI_CHANGE] : nullptr;
}

// ---- Device fonts --------------------------------------------------------------------------------

DWORD CountHiddenDeviceFonts(const DEVICEFONTTABLE* table)
{
    if (!table || !table->pRecords) return 0;
    DWORD hidden = 0;
    for (DWORD i = 0; i < table->dwCount; ++i)
        if (table->pRecords[i].wFlags & DEVFONT_FLAG_HIDDEN) ++hidden;
    return hidden;
}

DWORD GetDeviceFontAuxCount(const DEVICEFONTTABLE* table)
{
    return table && table->pAuxRecords ? table->dwAuxCount : 0;
}

DEVICEFONTREC* GetDeviceFontAuxTable(const DEVICEFONTTABLE* table)
{
    return table ? table->pAuxRecords : nullptr;
}

// ---- Wide strings ----------------------------------------------------------------------------------

void DrvCopyWidePadded(LPWSTR dest, LPCWSTR src, size_t n)
{
    if (!dest || n == 0) return;
    size_t i = 0;
    if (src)
        for (; i + 1 < n && src[i] != L'\0'; ++i) dest[i] = src[i];
    for (; i < n; ++i) dest[i] = L'\0';
}

size_t DrvWideLength(LPCWSTR s)
{
    size_t n = 0;
    if (s)
        while (s[n] != L'\0') ++n;
    return n;
}

int DrvCompareWideNoCase(LPCWSTR a, LPCWSTR b)
{
    const size_t n = DrvWideLength(a);
    if (n != DrvWideLength(b)) return -1;
    for (size_t i = 0; i < n; ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return -1;
    return 0;
}
