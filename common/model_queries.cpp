// Questions about a model over its MODELINFO, its record and the global tables.
#include "model_queries.h"

#include <winspool.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>

#include "devmode.h"
#include "modeltable.h"
#include "papertables.h"
#include "settings_records.h"
#include "spoolerinfo.h"

#ifndef DRV_BUILD_UM
#include "langres.h"
#include "region.h"
#include "textutil.h"
#endif

namespace {

// Resolution of the paper table's dot sizes.
constexpr LONG kPaperTableDpi = 300;
// Dpi of every quality that names no usable slot.
constexpr WORD kFallbackDpi = 600;

// The model's record when it is in the table and loaded, else NULL.
MODELRECORD* LoadedRecord(const MODELINFO* info)
{
    if (!info) return nullptr;
    MODELRECORD* record = DrvFindModelRecord(info->szModelName);
    return record && record->dwLoaded ? record : nullptr;
}

// How an index outside a list is answered.
enum class OutOfRange { Default, None };

// The table row held by entry index of a list (count entries of capacity cap, default entry
// defaultIndex), the default entry standing for an index outside the list when asked; -1 when
// that is not an entry either or the row is not below tableRows.
LONG ListRow(const DWORD* list, WORD count, WORD cap, LONG defaultIndex, LONG index, OutOfRange rule,
             DWORD tableRows)
{
    const LONG n = std::min<LONG>(count, cap);
    if (index < 0 || index >= n) {
        if (rule == OutOfRange::None) return -1;
        index = defaultIndex;
        if (index < 0 || index >= n) return -1;
    }
    return list[index] < tableRows ? static_cast<LONG>(list[index]) : -1;
}

// Paper-table row of the active list's entry index.
const PAPERINFO* PaperRow(const MODELINFO* info, LONG index, OutOfRange rule)
{
    if (!info) return nullptr;
    const LONG row = ListRow(info->adwPaperList, info->nPapers, MODEL_PAPER_LIST_ROWS, info->iDefaultPaper, index,
                             rule, PAPER_TABLE_ROWS);
    return row < 0 ? nullptr : &g_PaperTable[row];
}

const SOURCEINFO* SourceRow(const MODELINFO* info, LONG index)
{
    if (!info) return nullptr;
    const LONG row = ListRow(info->adwSourceList, info->nSources, MODEL_LIST_ROWS, info->iDefaultSource, index,
                             OutOfRange::Default, SOURCE_TABLE_ROWS);
    return row < 0 ? nullptr : &g_SourceTable[row];
}

const MEDIAINFO* MediaRow(const MODELINFO* info, LONG index)
{
    if (!info) return nullptr;
    const LONG row = ListRow(info->adwMediaList, info->nMedia, MODEL_LIST_ROWS, info->iDefaultMedia, index,
                             OutOfRange::Default, MEDIA_TABLE_ROWS);
    return row < 0 ? nullptr : &g_MediaTable[row];
}

const PAPERTYPEINFO* PaperTypeRow(const MODELINFO* info, LONG index)
{
    const MODELRECORD* record = LoadedRecord(info);
    if (!record) return nullptr;
    const LONG row = ListRow(info->adwPaperTypeList, info->nPaperTypes, MODEL_LIST_ROWS, info->iDefaultPaperType, index,
                             OutOfRange::Default, PAPERTYPE_MAX_ROWS);
    return row < 0 ? nullptr : &record->PaperTypeInfo[row];
}

// Index of the first entry of a list whose row passes match; -1 when none.
template <typename Match>
SHORT FindInList(const DWORD* list, WORD count, WORD cap, DWORD tableRows, Match match)
{
    const WORD n = std::min(count, cap);
    for (WORD i = 0; i < n; ++i)
        if (list[i] < tableRows && match(list[i])) return static_cast<SHORT>(i);
    return MODEL_ID_NOT_LISTED;
}

// Copies a table name of cchName characters into buffer (cbBuffer bytes), cut and terminated.
void CopyName(const WCHAR* name, size_t cchName, LPWSTR buffer, UINT cbBuffer)
{
    const size_t cch = cbBuffer / sizeof(WCHAR);
    if (!buffer || cch == 0) return;
    const size_t n = name ? std::min(wcsnlen(name, cchName), cch - 1) : 0;
    if (n) std::memcpy(buffer, name, n * sizeof(WCHAR));
    buffer[n] = L'\0';
}

// The resolution-table row of a slot -4..-1, or NULL for an empty slot, a row outside the table
// or another value.
const RESOLUTIONINFO* SlotRow(const MODELINFO* info, SHORT slot)
{
    if (!info || slot < QUALITY_SLOT_FIRST || slot > QUALITY_SLOT_LAST) return nullptr;
    const WORD row = info->QualityType[slot - QUALITY_SLOT_FIRST];
    return row < RESOLUTION_TABLE_ROWS ? &g_ResolutionTable[row] : nullptr;
}

bool IsSlotQuality(LONG q) { return q >= QUALITY_SLOT_FIRST && q <= QUALITY_SLOT_LAST; }

bool IsFixedDpi(LONG q) { return q == 300 || q == 600 || q == 1200; }

WORD DotsToMm10(WORD dots)
{
    return static_cast<WORD>((dots * 2540L + 5 * kPaperTableDpi) / (10 * kPaperTableDpi));
}

const PAPERAREA& Area(const PAPERINFO& paper, int orientation)
{
    return orientation == PAPER_ORIENTATION_PORTRAIT ? paper.portrait : paper.landscape;
}

}  // namespace

// ---- Paper list ---------------------------------------------------------------------------

SHORT DrvFindPaperIndex(const MODELINFO* info, WORD paperId)
{
    if (!info) return MODEL_ID_NOT_LISTED;
    const SHORT index = FindInList(info->adwPaperList, info->nPapers, MODEL_PAPER_LIST_ROWS, PAPER_TABLE_ROWS,
                                   [paperId](DWORD row) { return g_PaperTable[row].paperId == paperId; });
    if (index >= 0 || paperId == 0) return index;
    // Not a paper of the model's list: a user-defined paper or long paper that fits the model's
    // free-size limits.
    WORD item = 0;
    WORD r = EnumUserDefPapers(info, UPQ_ID, &item, sizeof item, paperId, nullptr);
    if (r != UPQ_FAILED && !(r & UPQ_OUTSIDE_LIMITS)) return PAPER_INDEX_USER;
    r = EnumUserDefLongPapers(info, UPQ_ID, &item, sizeof item, paperId);
    if (r != UPQ_FAILED && !(r & UPQ_OUTSIDE_LIMITS)) return PAPER_INDEX_USER_LONG;
    return MODEL_ID_NOT_LISTED;
}

BOOL DrvIsPaperSelectable(const MODELINFO* info, WORD paperId, BOOL allowUserSize)
{
    switch (paperId) {
    case 73:
    case 74:
    case 91:
    case 259:
    case 264:
    case 271:
    case 272:
    case 273:
    case 274:
        return TRUE;
    case PAPERID_USER_SIZE:
        return allowUserSize ? TRUE : FALSE;
    default:
        break;
    }
    if (paperId <= PAPERID_LONG) return FALSE;
    // A user-defined paper that is offered where user papers are (its option word), whatever its
    // size.
    WORD option = 0;
    const WORD r = EnumUserDefPapers(info, UPQ_OPTION | UPQ_ALL, &option, sizeof option, paperId, nullptr);
    return r != UPQ_FAILED && option != 0;
}

WORD DrvGetPaperId(const MODELINFO* info, int index)
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::None);
    return paper ? paper->paperId : 0;
}

WORD DrvGetPaperKind(const MODELINFO* info, int index)
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::None);
    return paper ? paper->kind : 0;
}

DWORD DrvGetPaperSourceMask(const MODELINFO* info, int index)
{
    const MODELRECORD* record = LoadedRecord(info);
    if (!record) return 0;
    const LONG row = ListRow(info->adwPaperList, info->nPapers, MODEL_PAPER_LIST_ROWS, info->iDefaultPaper, index,
                             OutOfRange::Default, PAPER_TABLE_ROWS);
    return row < 0 ? 0 : record->adwPaperSourceMask[row];
}

BOOL DrvGetPaperSizeDots(const MODELINFO* info, int index, WORD out[2])
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::None);
    if (!paper || !out) return FALSE;
    out[0] = paper->widthDots;
    out[1] = paper->lengthDots;
    return TRUE;
}

BOOL DrvGetPaperSize(const MODELINFO* info, int index, WORD out[2])
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::None);
    if (!paper || !out) return FALSE;
    if (paper->widthMm10 == 0 && paper->lengthMm10 == 0) {
        out[0] = DotsToMm10(paper->widthDots);
        out[1] = DotsToMm10(paper->lengthDots);
    } else {
        out[0] = paper->widthMm10;
        out[1] = paper->lengthMm10;
    }
    return TRUE;
}

BOOL DrvGetPrintableArea(const MODELINFO* info, int index, int orientation, WORD out[2])
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::Default);
    if (!paper || !out) return FALSE;
    out[0] = Area(*paper, orientation).printableWidth;
    out[1] = Area(*paper, orientation).printableLength;
    return TRUE;
}

BOOL DrvGetPrintableOffset(const MODELINFO* info, int index, int orientation, WORD out[2])
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::Default);
    if (!paper || !out) return FALSE;
    out[0] = Area(*paper, orientation).offsetX;
    out[1] = Area(*paper, orientation).offsetY;
    return TRUE;
}

WORD DrvGetEffectivePaperId(const MODELINFO* info, WORD paperId)
{
    if (paperId >= PAPERID_USER_LONG_FIRST && paperId <= PAPERID_USER_LONG_LAST)
        paperId = PAPERID_LONG;
    else if (paperId >= PAPERID_USER_FIRST)
        paperId = PAPERID_USER_SIZE;

    const PAPERINFO* defaultPaper = PaperRow(info, -1, OutOfRange::Default);
    const WORD defaultId = defaultPaper ? defaultPaper->paperId : 0;
    SHORT index = DrvFindPaperIndex(info, paperId);
    if (index < 0) {
        paperId = defaultId;
        index = -1;  // the default entry
    }
    return (DrvGetPaperSourceMask(info, index) & PAPERSOURCE_DUPLEX) ? paperId : defaultId;
}

BOOL DrvIsLongPaper(const MODELINFO* info, WORD paperId)
{
    const SHORT index = DrvFindPaperIndex(info, paperId);
    if (index == PAPER_INDEX_USER_LONG) return TRUE;
    return index >= 0 && DrvGetPaperKind(info, index) == PAPER_KIND_LONG;
}

// ---- Sources, media and paper types ---------------------------------------------------------

SHORT DrvFindSourceIndex(const MODELINFO* info, WORD sourceId)
{
    if (!info) return MODEL_ID_NOT_LISTED;
    return FindInList(info->adwSourceList, info->nSources, MODEL_LIST_ROWS, SOURCE_TABLE_ROWS,
                      [sourceId](DWORD row) { return g_SourceTable[row].sourceId == sourceId; });
}

SHORT DrvFindMediaIndex(const MODELINFO* info, WORD mediaId)
{
    if (!info) return MODEL_ID_NOT_LISTED;
    return FindInList(info->adwMediaList, info->nMedia, MODEL_LIST_ROWS, MEDIA_TABLE_ROWS,
                      [mediaId](DWORD row) { return g_MediaTable[row].mediaId == mediaId; });
}

WORD DrvGetSourceId(const MODELINFO* info, int index)
{
    const SOURCEINFO* source = SourceRow(info, index);
    return source ? source->sourceId : 0;
}

WORD DrvGetMediaId(const MODELINFO* info, LONG value)
{
    // value - 256 without overflow for the most negative values.
    const LONG index = value >= LONG_MIN + MODEL_MEDIA_VALUE_BASE ? value - MODEL_MEDIA_VALUE_BASE : -1;
    const MEDIAINFO* media = MediaRow(info, index);
    return media ? media->mediaId : 0;
}

WORD DrvGetSourceOrMediaId(const MODELINFO* info, LONG value)
{
    return value >= MODEL_MEDIA_VALUE_BASE ? DrvGetMediaId(info, value) : DrvGetSourceId(info, value);
}

WORD DrvGetDefaultSourceId(const MODELINFO* info)
{
    if (!info) return 0;
    const LONG n = std::min<LONG>(info->nSources, MODEL_LIST_ROWS);
    if (info->iDefaultSource >= 0 && info->iDefaultSource < n) return DrvGetSourceId(info, info->iDefaultSource);
    return DrvGetMediaId(info, MODEL_MEDIA_VALUE_BASE + info->iDefaultMedia);
}

void DrvGetSourceName(const MODELINFO* info, int index, LPWSTR buffer, UINT cbBuffer)
{
    const SOURCEINFO* source = SourceRow(info, index);
    CopyName(source ? source->name : nullptr, SOURCE_NAME_CCH, buffer, cbBuffer);
}

void DrvGetMediaName(const MODELINFO* info, int index, LPWSTR buffer, UINT cbBuffer)
{
    const MEDIAINFO* media = MediaRow(info, index);
    CopyName(media ? media->name : nullptr, MEDIA_NAME_CCH, buffer, cbBuffer);
}

const PAPERTYPEINFO* DrvGetPaperTypeTable(const MODELINFO* info)
{
    const MODELRECORD* record = LoadedRecord(info);
    return record ? record->PaperTypeInfo : nullptr;
}

SHORT DrvFindPaperTypeIndex(const MODELINFO* info, WORD paperTypeId)
{
    const MODELRECORD* record = LoadedRecord(info);
    if (!record) return MODEL_ID_NOT_LISTED;
    return FindInList(info->adwPaperTypeList, info->nPaperTypes, MODEL_LIST_ROWS, PAPERTYPE_MAX_ROWS,
                      [record, paperTypeId](DWORD row) { return record->PaperTypeInfo[row].wPaperTypeId == paperTypeId; });
}

WORD DrvGetPaperTypeId(const MODELINFO* info, int index)
{
    const PAPERTYPEINFO* type = PaperTypeRow(info, index);
    return type ? type->wPaperTypeId : 0;
}

DWORD DrvGetPaperTypeMask(const MODELINFO* info, int index)
{
    const PAPERTYPEINFO* type = PaperTypeRow(info, index);
    return type ? type->dwPositionMask : 0;
}

WORD DrvGetPaperTypeNameId(const MODELINFO* info, int index)
{
    const PAPERTYPEINFO* type = PaperTypeRow(info, index);
    return type ? type->wStringId : 0;
}

// ---- Resolution -------------------------------------------------------------------------------

SHORT DrvGetDefaultResolution(const MODELINFO* info)
{
    const MODELRECORD* record = LoadedRecord(info);
    if (!record) return static_cast<SHORT>(kFallbackDpi);
    const SHORT q = record->ModelDefaults.UDPrintQuality;
    if (IsSlotQuality(q) || IsFixedDpi(q)) return q;
    return q < 0 ? -3 : static_cast<SHORT>(kFallbackDpi);
}

SHORT DrvGetDefaultUiQuality(const MODELINFO* info)
{
    const MODELRECORD* record = LoadedRecord(info);
    const SHORT q = record ? record->ModelDefaults.UDUiQuality : 0;
    return IsSlotQuality(q) ? q : -3;
}

WORD DrvGetResolutionDpi(const MODELINFO* info, SHORT* quality)
{
    if (!quality) return kFallbackDpi;
    if (IsSlotQuality(*quality)) {
        // An empty slot falls back to the next lower one, and below the first to 600 dpi.
        for (; *quality >= QUALITY_SLOT_FIRST; --*quality)
            if (const RESOLUTIONINFO* row = SlotRow(info, *quality)) return row->dpi;
        return kFallbackDpi;
    }
    if (IsFixedDpi(*quality)) {
        for (SHORT slot = QUALITY_SLOT_FIRST; slot <= QUALITY_SLOT_LAST; ++slot) {
            const RESOLUTIONINFO* row = SlotRow(info, slot);
            if (!row) break;
            if (row->dpi == static_cast<WORD>(*quality)) return row->dpi;
        }
    }
    return kFallbackDpi;
}

SHORT DrvGetResolutionMode(const MODELINFO* info, SHORT slot, BOOL highMode)
{
    const RESOLUTIONINFO* row = SlotRow(info, slot);
    if (!row) return -1;
    if (slot == -3 && highMode && (info->dwCapFlags & MIF_TRUE1200)) return 32;
    return static_cast<SHORT>(row->mode);
}

SHORT DrvFindResolutionIndex(const MODELINFO* info, WORD dpi)
{
    for (SHORT slot = QUALITY_SLOT_FIRST; slot <= QUALITY_SLOT_LAST; ++slot) {
        SHORT quality = slot;
        if (DrvGetResolutionDpi(info, &quality) == dpi) return slot;
    }
    return -1;
}

BOOL DrvIsValidResolution(const MODELINFO* info, SHORT quality)
{
    if (quality < 0) return SlotRow(info, quality) != nullptr;
    for (SHORT slot = QUALITY_SLOT_FIRST; slot <= QUALITY_SLOT_LAST; ++slot) {
        const RESOLUTIONINFO* row = SlotRow(info, slot);
        if (row && row->dpi == static_cast<WORD>(quality)) return TRUE;
    }
    return FALSE;
}

// ---- Memory and limits ------------------------------------------------------------------------

WORD DrvGetMemoryClass(DWORD memoryKb)
{
    if (memoryKb >= 4097 && memoryKb <= 12288) return 1;
    if (memoryKb >= 12289 && memoryKb <= 20480) return 2;
    if (memoryKb >= 20481 && memoryKb <= 36864) return 3;
    return 0;
}

DWORD DrvCalcRequiredMemory(const MODELINFO* info, int memoryClass, int dpi)
{
    static const DWORD kBase[] = {3316, 11408, 19600, 35984};
    DWORD kb = memoryClass >= 0 && memoryClass < 4 ? kBase[memoryClass] : kBase[0];
    kb -= dpi == 300 ? 160 : dpi == 600 ? 320 : 480;
    if (!info || !(info->dwCapFlags & MIF_RESIDENTFONT)) kb += 180;
    return kb;
}

DWORD DrvGetRequiredMemory(const MODELINFO* info, int memoryClass, int dpi)
{
    return DrvCalcRequiredMemory(info, memoryClass, dpi);
}

const FREESIZELIMITS* DrvGetCustomSizeLimits(const MODELINFO* info)
{
    const MODELRECORD* record = LoadedRecord(info);
    if (!record) return nullptr;
    const bool finisher = (info->dwCapFlags & MIF_A3PRINTER) && (info->wFinisherType & FINISHERTYPE_INSTALLED);
    return &record->FreeSizeLimits[finisher ? FREESIZE_FINISHER : FREESIZE_USER];
}

// ---- Poster tiles ----------------------------------------------------------------------------

namespace {

// 0.1 mm to dots at the paper table's resolution.
LONGLONG Mm10ToDots(LONGLONG v) { return ((v * kPaperTableDpi + 127) * 10) / 2540; }

// Whether a paper's size is the record's free size: the free sizes of the paper table and the
// user-defined papers (ids above 275 that the model's list does not hold).
bool HasFreeSize(const MODELINFO* info, WORD paperId)
{
    if (paperId == PAPERID_USER_SIZE || paperId == 263 || paperId == 264 || paperId == PAPERID_LONG) return true;
    return paperId > PAPERID_LONG && paperId <= PAPERID_USER_LONG_LAST && DrvFindPaperIndex(info, paperId) < 0;
}

// Size in dots of a paper that is not a free size: its printable area for the orientation.
void PrintableSize(const MODELINFO* info, WORD paperId, int orientation, LONGLONG* w, LONGLONG* l)
{
    WORD area[2] = {0, 0};
    DrvGetPrintableArea(info, DrvFindPaperIndex(info, paperId), orientation, area);
    *w = area[0];
    *l = area[1];
}

}  // namespace

int DrvChoosePosterOrientation(const DRVDEVMODE* dm, const MODELINFO* info)
{
    constexpr int kPortrait = 1, kLandscape = 2;
    if (!dm) return kPortrait;
    const DEVMODEW& pub = dm->dmPublic;
    const DRVEXTRA& ext = dm->dmPrivate;
    if (!(ext.dwPosterFlags & POSTER_AUTOORIENT)) return (ext.dwPosterFlags & POSTER_PORTRAIT) ? kPortrait : kLandscape;

    // The record's values are not trusted to be limited: sizes are taken as the unsigned words
    // they describe and the tile counts and overlap are held to 16 bits, so that no product
    // below overflows.
    const WORD pageId = static_cast<WORD>(pub.dmPaperSize);
    const LONGLONG freeW = Mm10ToDots(static_cast<WORD>(pub.dmPaperWidth));
    const LONGLONG freeL = Mm10ToDots(static_cast<WORD>(pub.dmPaperLength));
    LONGLONG w, l;
    if (HasFreeSize(info, pageId)) {
        w = freeW;
        l = freeL;
    } else {
        PrintableSize(info, pageId, pub.dmOrientation, &w, &l);
    }
    const LONGLONG P = pub.dmOrientation == DMORIENT_PORTRAIT ? w : l;
    const LONGLONG Q = pub.dmOrientation == DMORIENT_PORTRAIT ? l : w;

    LONGLONG W = w, L = l;
    if (ext.dwFitFlags & FITFLAG_ON) {
        const WORD fitId = static_cast<WORD>(ext.dwFitPaper);
        if (fitId == PAPERID_USER_SIZE || fitId == 263 || fitId == 264 || pageId == PAPERID_LONG) {
            W = freeW;
            L = freeL;
        } else {
            PrintableSize(info, fitId, pub.dmOrientation, &W, &L);
        }
    }
    if (P <= 0 || Q <= 0) return kPortrait;

    const LONGLONG g = (std::min<LONGLONG>(ext.dwOverlapWidth, 0xFFFF) * 3000 + 1270) / 2540;
    const LONGLONG X = std::min<LONGLONG>(ext.dwPosterX, 0xFFFF);
    const LONGLONG Y = std::min<LONGLONG>(ext.dwPosterY, 0xFFFF);
    const LONGLONG portrait = std::min((X * W - g * (X - 1)) * 100 / P, (Y * L - g * (Y - 1)) * 100 / Q);
    const LONGLONG landscape = std::min((X * L - g * (X - 1)) * 100 / P, (Y * W - g * (Y - 1)) * 100 / Q);
    return portrait < landscape ? kLandscape : kPortrait;
}

// ---- Model information and printer --------------------------------------------------------

#ifndef DRV_BUILD_UM
MODELINFO* DrvGetModelInfo(LPCWSTR modelName)
{
    MODELRECORD* record = DrvFindModelRecord(modelName);
    if (!record) return nullptr;
    MODELINFO& mi = record->ModelInfo;
    mi.InfoType &= static_cast<WORD>(~1u);
    if (!(mi.dwCapFlags & MIF_JAPAN)) {
        // The active list has the shape of the inch and metric lists: rows, count, default
        // index and the word after it.
        const bool inch = DrvIsLetterRegion();
        std::memcpy(mi.adwPaperList, inch ? mi.adwPaperListInch : mi.adwPaperListMm, sizeof mi.adwPaperList);
        mi.nPapers = inch ? mi.nPapersInch : mi.nPapersMm;
        mi.iDefaultPaper = inch ? mi.iDefaultPaperInch : mi.iDefaultPaperMm;
        std::memcpy(mi.reserved404, inch ? mi.reserved672 : mi.reserved940, sizeof mi.reserved404);
    }
    return &mi;
}

WCHAR g_szUnitText[UNIT_TEXT_CCH] = {};

WORD DrvGetPaperName(HMODULE stringModule, const MODELINFO* info, int index, LPWSTR buffer, UINT cbBuffer)
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::None);
    if (!paper) return 0;
    const int cch = static_cast<int>(std::min<UINT>(cbBuffer / sizeof(WCHAR), INT_MAX));
    if (buffer && cch > 0) {
        buffer[0] = L'\0';
        LoadLangString(stringModule, paper->stringId, buffer, cch);
    }
    return paper->paperId;
}

void DrvLoadPaperNames(HMODULE stringModule, const MODELINFO*)
{
    const WORD rows = std::min(g_PaperTableCount, PAPER_TABLE_ROWS);
    for (WORD i = 0; i < rows; ++i)
        if (g_PaperTable[i].stringId)
            LoadLangString(stringModule, g_PaperTable[i].stringId, g_PaperTable[i].name, PAPER_NAME_LOAD_CCH);
}

void DrvLoadSourceNames(HMODULE stringModule, const MODELINFO*)
{
    static_assert(SOURCE_NAME_LOAD_CCH <= static_cast<int>(SOURCE_NAME_CCH));
    for (SOURCEINFO& row : g_SourceTable)
        if (row.stringId) LoadLangString(stringModule, row.stringId, row.name, SOURCE_NAME_LOAD_CCH);
    LoadLangString(stringModule, IDS_UNIT_TEXT, g_szUnitText, UNIT_TEXT_CCH);
}

void DrvLoadMediaNames(HMODULE stringModule, const MODELINFO*)
{
    static_assert(MEDIA_NAME_LOAD_CCH <= static_cast<int>(MEDIA_NAME_CCH));
    for (MEDIAINFO& row : g_MediaTable)
        if (row.stringId) LoadLangString(stringModule, row.stringId, row.name, MEDIA_NAME_LOAD_CCH);
}

namespace {

// Characters of the number and unit texts of a free-size name.
constexpr int kFreeSizeTextCch = 32;

// Appends to a fixed buffer, keeping what fits and the terminator.
class BoundedText {
public:
    BoundedText(LPWSTR out, size_t cch) : out_(out), cch_(cch) { out_[0] = L'\0'; }
    void put(WCHAR c)
    {
        if (used_ + 1 < cch_) out_[used_++] = c;
        out_[used_] = L'\0';
    }
    void put(LPCWSTR text)
    {
        for (; *text; ++text) put(*text);
    }

private:
    LPWSTR out_;
    size_t cch_;
    size_t used_ = 0;
};

// A free size in 0.1 mm as inch hundredths, rounded.
DWORD InchHundredths(WORD mm10) { return (static_cast<DWORD>(mm10) * 1000 + 1270) / 2540; }

}  // namespace

WORD DrvFormatPaperName(const MODELINFO* info, int index, LPWSTR output, UINT cbOutput, WORD width, WORD length,
                        BOOL inch, HMODULE stringModule)
{
    const PAPERINFO* paper = PaperRow(info, index, OutOfRange::None);
    if (!paper) return 0;
    const size_t cch = cbOutput / sizeof(WCHAR);
    if (!output || cch == 0) return paper->paperId;
    const size_t nameLength = wcsnlen(paper->name, PAPER_NAME_CCH);
    BoundedText text(output, cch);
    if (!(paper->kind & PAPER_KIND_FREESIZE)) {
        for (size_t i = 0; i < nameLength; ++i) text.put(paper->name[i]);
        return paper->paperId;
    }

    WCHAR numbers[2][kFreeSizeTextCch] = {};
    static_assert(kFreeSizeTextCch >= static_cast<int>(FIXEDTOWSTR_CCH));
    if (inch) {
        FixedToWStr(numbers[0], InchHundredths(width), 2);
        FixedToWStr(numbers[1], length == 1820 ? 716 : InchHundredths(length), 2);
    } else {
        FixedToWStr(numbers[0], width, 1);
        FixedToWStr(numbers[1], length, 1);
    }
    WCHAR unit[kFreeSizeTextCch] = {};
    LoadLangString(stringModule, inch ? IDS_FREESIZE_INCH : IDS_FREESIZE_MM, unit, kFreeSizeTextCch);

    // The first two "%d" or "%s" take the width and the length; the rest is text.
    int used = 0;
    for (size_t i = 0; i < nameLength; ++i) {
        const WCHAR c = paper->name[i];
        if (c == L'%' && used < 2 && i + 1 < nameLength && (paper->name[i + 1] == L'd' || paper->name[i + 1] == L's')) {
            text.put(numbers[used++]);
            ++i;
            continue;
        }
        text.put(c);
    }
    text.put(unit);
    return paper->paperId;
}
#endif

void* DrvGetPrinterInfo(HANDLE printer, DWORD level)
{
    if (!printer) return nullptr;
    return DrvSpoolerRecord(
        [&](BYTE* buffer, DWORD size, DWORD* needed) { return GetPrinterW(printer, level, buffer, size, needed); });
}
