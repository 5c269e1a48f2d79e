// Page geometry, N-up layout and the device capabilities of a PDEV.
#include "page_geometry.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "model_access.h"
#include "pdev.h"
#include "spoolerinfo.h"

// ---- The layout in force ------------------------------------------------------------------------

bool IsBookletLayout(const PDEV* pdev)
{
    return pdev->devmode.dmPrivate.dwFinishingMode == FINISHINGMODE_BOOKLET;
}

bool IsPosterLayout(const PDEV* pdev)
{
    return pdev->devmode.dmPrivate.dwFinishingMode == FINISHINGMODE_POSTER;
}

bool IsNupLayout(const PDEV* pdev)
{
    return (pdev->geo.nupMode & NUPMODE_ON) != 0;
}

bool IsLandscapePage(const PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    return (pub.dmFields & DM_ORIENTATION) && pub.dmOrientation == DMORIENT_LANDSCAPE;
}

namespace {

// The paper record's unit: dots at 300 dpi.
constexpr LONG DOTS_PER_INCH = 300;
// Paper ids the geometry treats on their own.
constexpr WORD PAPER_LONG = 275;
constexpr WORD PAPER_SIXTEENK_FIRST = 1577;
constexpr WORD PAPER_SIXTEENK_LAST = 1580;
// The gap left between N-up cells, 1/300 inch.
constexpr LONG NUP_CELL_GAP_DOTS = 8;
// wBinding: the low bits name the edge, 0x10 turns the margin on.
constexpr WORD BINDING_EDGE_MASK = 0xF;
constexpr WORD BINDING_ACROSS_WIDTH = 0x1;  // edges 1 and 3 bind along the page's width
constexpr WORD BINDING_MARGIN_ON = 0x10;
// dwBookletFlags bit 0: the millimetre sizes of a booklet page are those of its cell.
constexpr DWORD BOOKLET_CELL_MILLIMETRES = 0x1;
// dwPaperState bit 0, dwFlag400: the job's pages depend on each other.
constexpr DWORD PAPERSTATE_DEPENDENT = 0x1;
// wOptions bit 15: the job is spooled as EMF.
constexpr WORD OPT_EMF_SPOOLING = 0x8000;

// Device capabilities as the engine gets them.
constexpr ULONG GDIINFO_VERSION = 0x500;
constexpr ULONG VECTOR_TEXT_CAPS = TC_OP_CHARACTER | TC_OP_STROKE | TC_CP_STROKE | TC_CR_ANY | TC_UA_ABLE | TC_SO_ABLE;
static_assert(VECTOR_TEXT_CAPS == 0x1817);
constexpr FLONG VECTOR_GRAPHICS_CAPS = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL |
                                       GCAPS_WINDINGFILL | GCAPS_HALFTONE | GCAPS_OPAQUERECT |
                                       GCAPS_SCREENPRECISION;
static_assert(VECTOR_GRAPHICS_CAPS == 0x2000011F);
constexpr FLONG RASTER_GRAPHICS_CAPS = GCAPS_HALFTONE | GCAPS_COLOR_DITHER | GCAPS_MONO_DITHER | GCAPS_DITHERONREALIZE;
static_assert(RASTER_GRAPHICS_CAPS == 0x200430);
constexpr BYTE FIXED_MODERN = FIXED_PITCH | FF_MODERN;
constexpr BYTE VARIABLE_SWISS = VARIABLE_PITCH | FF_SWISS;
constexpr LONG DEFAULT_FONT_POINTS10 = 10;

// Integer a * b / c without overflow in the product; 0 when c is 0.
LONG MulDivTrunc(LONG a, LONG b, LONG c)
{
    if (c == 0) return 0;
    return static_cast<LONG>(static_cast<LONGLONG>(a) * b / c);
}

LONG TenthsMmToDots(LONG v)
{
    return MulDivTrunc(v, DOTS_PER_INCH, 254);
}

DWORD AtLeastOne(DWORD v)
{
    return v ? v : 1;
}

// Cells across the logical page's width and down its height.
LONG CellsAcross(const PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    return static_cast<LONG>(AtLeastOne(pdev->geo.landscape ? ext.dwNupY : ext.dwNupX));
}

LONG CellsDown(const PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    return static_cast<LONG>(AtLeastOne(pdev->geo.landscape ? ext.dwNupX : ext.dwNupY));
}

// Applies a free width and length (0.1 mm) to a paper record: the size in dots, the printable
// area that size less twice the record's margins, and a landscape area that is the portrait one
// turned. Returns the change of the printable size against the record's own. FALSE when no
// printable area would be left.
BOOL ApplyPaperSize(PAPERRECORD* record, LONG widthTenthsMm, LONG lengthTenthsMm, POINTL* offset)
{
    const LONG width = TenthsMmToDots(widthTenthsMm);
    const LONG length = TenthsMmToDots(lengthTenthsMm);
    const LONG printableWidth = width - 2 * record->portrait.offsetX;
    const LONG printableLength = length - 2 * record->portrait.offsetY;
    if (printableWidth <= 0 || printableLength <= 0 || width > 0xFFFF || length > 0xFFFF) return FALSE;
    if (offset) {
        offset->x = printableWidth - record->portrait.printableWidth;
        offset->y = printableLength - record->portrait.printableLength;
    }
    record->widthDots = static_cast<WORD>(width);
    record->lengthDots = static_cast<WORD>(length);
    record->portrait.printableWidth = static_cast<WORD>(printableWidth);
    record->portrait.printableLength = static_cast<WORD>(printableLength);
    record->landscape.printableWidth = record->portrait.printableLength;
    record->landscape.printableLength = record->portrait.printableWidth;
    record->landscape.offsetX = record->portrait.offsetY;
    record->landscape.offsetY = record->portrait.offsetX;
    return TRUE;
}

bool IsCustomRecord(const PAPERRECORD& record)
{
    return record.kind == PAPER_KIND_CUSTOM || record.kind == PAPER_KIND_CUSTOM_FINISHER;
}

// Long paper 275 and free sizes take their size from the DEVMODE.
BOOL ApplyLongPaperSize(PDEV* pdev, PAPERRECORD* record, POINTL* offset)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    return ApplyPaperSize(record, pub.dmPaperWidth, pub.dmPaperLength, offset);
}

BOOL ApplyCustomPaperSize(PDEV* pdev, PAPERRECORD* record, POINTL* offset)
{
    return ApplyLongPaperSize(pdev, record, offset);
}

// Exchanges the record's paper width and length (and the DEVMODE's) for a page laid sideways.
void OrientPageRecord(PDEV* pdev)
{
    if (!pdev->geo.landscape) return;
    std::swap(pdev->page.widthDots, pdev->page.lengthDots);
    std::swap(pdev->devmode.dmPublic.dmPaperWidth, pdev->devmode.dmPublic.dmPaperLength);
}

// The printable area of the sheet as the logical page lies on it, device pixels.
SIZEL PrintableArea(const PDEV* pdev)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    return geo.landscape ? SIZEL{geo.printableHeight, geo.printableWidth}
                         : SIZEL{geo.printableWidth, geo.printableHeight};
}

// The paper's own printable size turned as the page: the aspect ratio every page keeps.
SIZEL NominalPageSize(const PDEV* pdev, bool landscape)
{
    const PAPERAREA& area = pdev->page.portrait;
    return landscape ? SIZEL{area.printableLength, area.printableWidth} : SIZEL{area.printableWidth, area.printableLength};
}

// Reduces one extent of size so that it takes the aspect ratio of nominal; never grows it.
SIZEL FitAspect(SIZEL size, SIZEL nominal)
{
    if (nominal.cx <= 0 || nominal.cy <= 0) return size;
    if (static_cast<LONGLONG>(size.cx) * nominal.cy > static_cast<LONGLONG>(size.cy) * nominal.cx)
        size.cx = MulDivTrunc(size.cy, nominal.cx, nominal.cy);
    else
        size.cy = MulDivTrunc(size.cx, nominal.cy, nominal.cx);
    return size;
}

// The logical page: the whole printable area for the whole sheet or without N-up (poster as it
// is, other layouts kept to the paper's aspect ratio), else one N-up cell.
SIZEL LogicalPageSize(const PDEV* pdev, bool wholeSheet)
{
    const SIZEL area = PrintableArea(pdev);
    if (wholeSheet || !IsNupLayout(pdev)) {
        if (IsPosterLayout(pdev)) return area;
        return FitAspect(area, NominalPageSize(pdev, pdev->geo.landscape != 0));
    }
    const PAGEGEOMETRY& geo = pdev->geo;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const LONG gap = IsBookletLayout(pdev) ? 0 : MulDivTrunc(NUP_CELL_GAP_DOTS, pdev->resolution, DOTS_PER_INCH);
    const LONG columns = static_cast<LONG>(AtLeastOne(ext.dwNupX));
    const LONG rows = static_cast<LONG>(AtLeastOne(ext.dwNupY));
    SIZEL cell;
    if (geo.landscape) {
        cell.cx = (geo.printableHeight - gap) / rows;
        cell.cy = (geo.printableWidth - gap) / columns;
    } else {
        cell.cx = (geo.printableWidth - gap) / columns;
        cell.cy = (geo.printableHeight - gap) / rows;
    }
    cell = FitAspect(cell, NominalPageSize(pdev, IsLandscapePage(pdev)));
    if (IsBookletLayout(pdev)) {
        const SIZEL whole = LogicalPageSize(pdev, true);
        cell.cx = std::min(cell.cx, whole.cx);
        cell.cy = std::min(cell.cy, whole.cy);
    }
    return cell;
}

// The printable area the page record gives for the sheet's arrangement: the landscape area when
// the record has one.
PAPERAREA SheetArea(const PDEV* pdev)
{
    const PAPERRECORD& page = pdev->page;
    if (!pdev->geo.landscape) return page.portrait;
    if (page.landscape.printableWidth && page.landscape.printableLength) return page.landscape;
    PAPERAREA turned = page.portrait;
    std::swap(turned.printableWidth, turned.printableLength);
    std::swap(turned.offsetX, turned.offsetY);
    return turned;
}

void SetChroma(CIECHROMA& c, LDECI4 x, LDECI4 y)
{
    c.x = x;
    c.y = y;
    c.Y = 0;
}

// The part of GDIINFO that vector and raster mode share, for a logical page of the given size.
void FillGdiInfoCommon(const PDEV* pdev, GDIINFO* gdi, SIZEL page, bool wholeSheet)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const LONG scale = pub.dmScale > 0 ? pub.dmScale : 100;
    *gdi = {};
    gdi->ulVersion = GDIINFO_VERSION;
    gdi->ulTechnology = DT_RASPRINTER;

    // The printable area in 1/100 mm as the page lies.
    LONG mmWidth = geo.landscape ? pdev->printableSize.length : pdev->printableSize.width;
    LONG mmHeight = geo.landscape ? pdev->printableSize.width : pdev->printableSize.length;
    gdi->ulHorzRes = static_cast<ULONG>(page.cx);
    gdi->ulVertRes = static_cast<ULONG>(page.cy);
    LONG horzSize = mmWidth / scale;
    LONG vertSize = mmHeight / scale;
    if (!wholeSheet && IsNupLayout(pdev) && IsBookletLayout(pdev) &&
        (pdev->devmode.dmPrivate.dwBookletFlags & BOOKLET_CELL_MILLIMETRES)) {
        const SIZEL whole = LogicalPageSize(pdev, true);
        horzSize = MulDivTrunc(horzSize, page.cx, whole.cx);
        vertSize = MulDivTrunc(vertSize, page.cy, whole.cy);
    }
    gdi->ulHorzSize = static_cast<ULONG>(horzSize);
    gdi->ulVertSize = static_cast<ULONG>(vertSize);
    gdi->cBitsPixel = 24;
    gdi->cPlanes = 1;
    gdi->ulNumColors = 8;
    gdi->flRaster = 0;
    const LONG logPixels = mmWidth ? static_cast<LONG>(static_cast<LONGLONG>(page.cx) * scale * 254 / mmWidth / 10) : 0;
    gdi->ulLogPixelsX = static_cast<ULONG>(logPixels);
    gdi->ulLogPixelsY = static_cast<ULONG>(logPixels);
    gdi->ulAspectX = 500;
    gdi->ulAspectY = 500;
    gdi->ulAspectXY = 707;
    gdi->xStyleStep = 1;
    gdi->yStyleStep = 1;
    gdi->denStyleStep = pdev->resolution / 25;

    // Offsets and paper size in the page's pixels: the record's 1/300 inch scaled by the page's
    // height over the printable height it stands for.
    const PAPERAREA area = SheetArea(pdev);
    gdi->ptlPhysOffset.x = MulDivTrunc(area.offsetX, page.cy, area.printableLength);
    gdi->ptlPhysOffset.y = MulDivTrunc(area.offsetY, page.cy, area.printableLength);
    gdi->szlPhysSize.cx = MulDivTrunc(pdev->page.widthDots, page.cy, area.printableLength);
    gdi->szlPhysSize.cy = MulDivTrunc(pdev->page.lengthDots, page.cy, area.printableLength);

    COLORINFO& ci = gdi->ciDevice;
    SetChroma(ci.Red, 6380, 3350);
    SetChroma(ci.Green, 2345, 6075);
    SetChroma(ci.Blue, 1410, 932);
    SetChroma(ci.Cyan, 2000, 2450);
    SetChroma(ci.Magenta, 5210, 2100);
    SetChroma(ci.Yellow, 4750, 5100);
    SetChroma(ci.AlignmentWhite, 3127, 3290);
    ci.RedGamma = ci.GreenGamma = ci.BlueGamma = 12500;
    ci.MagentaInCyanDye = 585;
    ci.YellowInCyanDye = 120;
    ci.CyanInMagentaDye = 0;
    ci.YellowInMagentaDye = 0;
    ci.CyanInYellowDye = 0;
    ci.MagentaInYellowDye = 10000;
    gdi->ulDevicePelsDPI = 0;
}

void SetVectorHalftoneFields(GDIINFO* gdi)
{
    gdi->flTextCaps = VECTOR_TEXT_CAPS;
    gdi->ulPrimaryOrder = 0;
    gdi->ulHTPatternSize = HT_PATSIZE_6x6_M;
    gdi->ulHTOutputFormat = HT_FORMAT_24BPP;
    gdi->flHTFlags = HT_FLAG_HAS_BLACK_DYE;
}

// Fills the engine's GDIINFO (the whole printable area when the driver applies the zoom itself,
// else the cell) and the cell's, sets the zoom of an N-up job, and returns the booklet gutter.
LONG ComputeNupGdiInfo(PDEV* pdev, GDIINFO* engine, GDIINFO* cell, LONG printableHeight)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const SIZEL cellSize = LogicalPageSize(pdev, false);
    const bool driverZoom = (ext.wOptions & OPT_DRIVEREXPAND) != 0;
    FillGdiInfoCommon(pdev, engine, driverZoom ? LogicalPageSize(pdev, true) : cellSize, driverZoom);
    FillGdiInfoCommon(pdev, cell, cellSize, false);
    SetVectorHalftoneFields(engine);
    if (IsNupLayout(pdev) && engine->ulHorzRes && engine->ulVertRes) {
        const ULONG zx = static_cast<ULONG>(static_cast<ULONGLONG>(cell->ulHorzRes) * ZOOM_NONE / engine->ulHorzRes);
        const ULONG zy = static_cast<ULONG>(static_cast<ULONGLONG>(cell->ulVertRes) * ZOOM_NONE / engine->ulVertRes);
        pdev->geo.zoom = static_cast<WORD>(std::min<ULONG>({zx, zy, 0xFFFF}));
    }
    if (!IsBookletLayout(pdev)) return 0;
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const bool twoUp = (ext.dwBookletFlags & BOOKLET_TWOUP) != 0;
    const bool foldAcrossHeight = (pub.dmOrientation == DMORIENT_PORTRAIT && twoUp) ||
                                  (pub.dmOrientation == DMORIENT_LANDSCAPE && !twoUp);
    const LONG across = static_cast<LONG>(foldAcrossHeight ? cell->ulVertRes : cell->ulHorzRes);
    return std::max<LONG>(0, (printableHeight - 2 * across) / 2);
}

// Copies at most cj bytes of a filled structure into the engine's buffer.
template <typename T>
BOOL CopyOut(const T& filled, ULONG cj, T* out)
{
    if (!out) return FALSE;
    std::memcpy(out, &filled, std::min<size_t>(cj, sizeof(T)));
    return TRUE;
}

// The halftone pattern size the engine is told for a dither cell of the given width.
ULONG PatternSizeForWidth(LONG width)
{
    switch (width) {
    case 8: return HT_PATSIZE_8x8_M;
    case 12: return HT_PATSIZE_12x12_M;
    case 16: return HT_PATSIZE_16x16_M;
    case 24:
    case 32: return HT_PATSIZE_USER;
    default: return HT_PATSIZE_SUPERCELL_M;
    }
}

// A new default palette for the PDEV, replacing an earlier one.
BOOL CreateDefaultPalette(PDEV* pdev, DEVINFO* info)
{
    if (pdev->hpalDefault) {
        EngDeletePalette(pdev->hpalDefault);
        pdev->hpalDefault = nullptr;
    }
    pdev->hpalDefault = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
    info->hpalDefault = pdev->hpalDefault;
    return pdev->hpalDefault != nullptr;
}

void SetFace(LOGFONTW& font, LPCWSTR face)
{
    DrvCopyWidePadded(font.lfFaceName, face, LF_FACESIZE);
}

// A secure job printed through a server: the printer's name carries a server.
bool PrinterHasServer(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (!needed) return false;
    auto* info = static_cast<PRINTER_INFO_2W*>(GlobalAlloc(GPTR, needed));
    if (!info) return false;
    const bool server = GetPrinterW(printer, 2, reinterpret_cast<BYTE*>(info), needed, &needed) &&
                        info->pServerName && info->pServerName[0];
    GlobalFree(info);
    return server;
}

// Whether the engine must play the job back page by page rather than journal it: when nothing
// makes one page depend on another.
bool VectorJobIsDontJournal(const PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const bool dependent = ext.dwFinishingMode == FINISHINGMODE_BOOKLET || ext.dwFinishingMode == FINISHINGMODE_POSTER ||
                           (ext.dwPaperState & PAPERSTATE_DEPENDENT) || ext.dwFlag400 ||
                           (ext.wWatermarkFlags & WMKFLAG_ON) || ext.wManualDuplex ||
                           (ext.wOptions & OPT_EMF_SPOOLING) || ext.dwPreview;
    if (!dependent) return true;
    if (ext.wSecureMode && PrinterHasServer(pdev->hPrinter)) return true;
    return IsBookletLayout(pdev) && ext.dwBookletPages != 0;
}

}  // namespace

// ---- Page geometry ----------------------------------------------------------------------------

BOOL SetupPageGeometry(PDEV* pdev)
{
    PAGEGEOMETRY& geo = pdev->geo;
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    DEVMODEW& pub = pdev->devmode.dmPublic;
    const bool envMode = (pdev->model->dwCapFlags & MIF_ENVMODE) != 0;
    if (envMode) geo.longEdgeFeed = 0;

    // The paper the page is printed on: the fit paper when fitting.
    WORD paper = static_cast<WORD>(pub.dmPaperSize);
    if (ext.dwFitFlags & FITFLAG_ON) {
        paper = static_cast<WORD>(ext.dwFitPaper);
        if (paper == PAPERID_CUSTOM || paper == PAPERID_CUSTOM_FINISHER ||
            (paper >= PAPER_SIXTEENK_FIRST && paper <= PAPER_SIXTEENK_LAST)) {
            pub.dmPaperWidth = static_cast<short>(ext.wFitWidth);
            pub.dmPaperLength = static_cast<short>(ext.wFitLength);
        }
    }
    PAPERRECORD record;
    if (!DrvGetPaperRecord(nullptr, pdev->model, paper, &record, nullptr)) return FALSE;
    geo.customOffset = {};
    geo.superLong = 0;
    if (paper == PAPER_LONG) {
        if (!ApplyLongPaperSize(pdev, &record, &geo.customOffset)) return FALSE;
        geo.superLong = 1;
    } else if (IsCustomRecord(record)) {
        if (!ApplyCustomPaperSize(pdev, &record, &geo.customOffset)) return FALSE;
        if (envMode && pub.dmPaperLength < pub.dmPaperWidth) geo.longEdgeFeed = 1;
    }

    // Poster tiles: the grid and how much neighbouring tiles overlap.
    if (IsPosterLayout(pdev)) {
        switch (ext.dwPosterTiles) {
        case 2: geo.posterColumns = 1; geo.posterRows = 2; break;
        case 4: geo.posterColumns = 2; geo.posterRows = 2; break;
        case 9: geo.posterColumns = 3; geo.posterRows = 3; break;
        default: geo.posterColumns = AtLeastOne(ext.dwPosterX); geo.posterRows = AtLeastOne(ext.dwPosterY); break;
        }
        geo.posterOverlap = (ext.dwPosterFlags & POSTER_OVERLAP) ? TenthsMmToDots(static_cast<LONG>(ext.dwOverlapWidth)) : 1;
    }

    // The page record of the job's own paper.
    if (!DrvGetPaperRecord(nullptr, pdev->model, static_cast<WORD>(pub.dmPaperSize), &pdev->page, nullptr)) return FALSE;
    if (pub.dmPaperSize == PAPER_LONG || IsCustomRecord(pdev->page))
        if (!ApplyLongPaperSize(pdev, &pdev->page, nullptr)) return FALSE;
    pdev->printableSize.paperId = pdev->page.paperId;
    pdev->printableSize.width = MulDivTrunc(pdev->page.portrait.printableWidth, 254, 30);
    pdev->printableSize.length = MulDivTrunc(pdev->page.portrait.printableLength, 254, 30);
    if (pdev->page.portrait.printableWidth == 0 || pdev->page.portrait.printableLength == 0) return FALSE;

    // Arrangement of the page on the sheet.
    geo.landscape = IsLandscapePage(pdev) ? 1 : 0;
    geo.nupMode = 0;
    geo.posterState = 0;
    if (IsPosterLayout(pdev)) {
        const bool portraitFlag = (ext.dwPosterFlags & POSTER_PORTRAIT) != 0;
        if (ext.dwPosterTiles == 2 ||
            (ext.dwPosterTiles == -1 && ((!geo.landscape && !portraitFlag) || (geo.landscape && portraitFlag))))
            geo.posterState |= 1;
    } else if (ext.dwNupX != 1 || ext.dwNupY != 1) {
        geo.nupMode = ext.dwNupX != ext.dwNupY ? (NUPMODE_ON | NUPMODE_CELLS_ROTATED) : NUPMODE_ON;
        if (geo.nupMode & NUPMODE_CELLS_ROTATED) geo.landscape ^= 1;
    }
    NormalizeNupOrder(pdev);

    const POINTL delta = DrvGetPaperMarginDelta(ext.szModelName, pub.dmOrientation, static_cast<WORD>(pub.dmPaperSize));
    geo.marginDelta = {MulDivTrunc(delta.x, pub.dmYResolution, DOTS_PER_INCH),
                       MulDivTrunc(delta.y, pub.dmYResolution, DOTS_PER_INCH)};

    geo.printableWidth = MulDivTrunc(pdev->page.portrait.printableWidth, pdev->resolution, DOTS_PER_INCH);
    geo.printableHeight = MulDivTrunc(pdev->page.portrait.printableLength, pdev->resolution, DOTS_PER_INCH);
    if (geo.printableWidth <= 0 || geo.printableHeight <= 0) return FALSE;
    OrientPageRecord(pdev);
    return TRUE;
}

WORD ComputeBindingEdge(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const bool manualDuplexSheets = ext.wManualDuplex && ext.dwManualDuplexSheets > 1;
    const bool backSideFirst = pub.dmDuplex != DMDUP_SIMPLEX && !manualDuplexSheets && (ext.wAux884 & 1);
    DWORD edge = ext.wBinding & BINDING_EDGE_MASK;
    if (edge >= 1 && edge <= 4) {
        if (ext.wRasterMode == RASTERMODE_VECTOR && pdev->geo.landscape) {
            // A sideways sheet turns the edge by a quarter, the way the page is turned.
            edge = ((ext.wRotate180 != 0) != backSideFirst) ? edge % 4 + 1 : (edge + 2) % 4 + 1;
        } else if ((ext.wPortDirect != 0) != backSideFirst) {
            edge = (edge + 1) % 4 + 1;
        }
    } else {
        edge = 0;
    }
    pdev->geo.bindingState = edge;
    if (!(ext.wBinding & BINDING_MARGIN_ON)) return 0;
    LONG margin = MulDivTrunc(pdev->resolution, ext.wMargin, 254);
    if (IsBookletLayout(pdev)) margin *= 2;
    return static_cast<WORD>(std::clamp<LONG>(margin, 0, 0xFFFF));
}

void NormalizeNupOrder(PDEV* pdev)
{
    PAGEGEOMETRY& geo = pdev->geo;
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (!IsNupLayout(pdev) || IsBookletLayout(pdev)) return;
    DWORD portraitCode = LOWORD(ext.dwNupOrder);
    DWORD landscapeCode = HIWORD(ext.dwNupOrder);
    if (ext.dwNupX * ext.dwNupY == 2) {
        if (landscapeCode == 1) landscapeCode = 2;
        else if (landscapeCode == 4) landscapeCode = 8;
    }
    auto other = [](DWORD code) -> DWORD {
        switch (code) {
        case 1: return 8;
        case 2: return 16;
        case 4: return 2;
        case 8: return 64;
        default: return 0;
        }
    };
    if (IsLandscapePage(pdev)) {
        geo.nupOrderCode = landscapeCode;
        geo.nupOrderOrientation = DMORIENT_LANDSCAPE;
        portraitCode = other(landscapeCode);
    } else {
        geo.nupOrderCode = portraitCode;
        geo.nupOrderOrientation = DMORIENT_PORTRAIT;
        landscapeCode = other(portraitCode);
    }
    const bool columnsFirst = geo.nupOrderCode == 2 || geo.nupOrderCode == 4;
    if (geo.landscape) {
        const WORD rotated = ext.wRotate180 ? 1 : 0;
        ext.wPortDirect = columnsFirst ? static_cast<WORD>(1 - rotated) : rotated;
    } else {
        const WORD direct = ext.wPortDirect ? 1 : 0;
        ext.wRotate180 = columnsFirst ? direct : static_cast<WORD>(1 - direct);
    }
    ext.dwNupOrder = (portraitCode & 0xFFFF) | (landscapeCode << 16);
}

POINTL GetNupCellOrigin(const PDEV* pdev, DWORD index)
{
    if (!IsNupLayout(pdev)) return {0, 0};
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const LONG K = CellsAcross(pdev);
    const LONG J = CellsDown(pdev);
    // Placement cases by the order code's bit (rows) and the raster flags (columns).
    static constexpr BYTE kCases[4][4] = {{0, 3, 2, 6}, {1, 5, 3, 7}, {2, 6, 0, 4}, {3, 7, 1, 5}};
    const DWORD code = IsLandscapePage(pdev) ? HIWORD(ext.dwNupOrder) : LOWORD(ext.dwNupOrder);
    DWORD row = 0;
    switch (code) {
    case 2: row = 1; break;
    case 4: row = 2; break;
    case 8: row = 3; break;
    default: row = 0; break;
    }
    const BYTE placement = kCases[row][ext.wRasterFlags & 3];
    const LONG w = pdev->geo.cellSize.cx ? pdev->geo.cellSize.cx : pdev->geo.logicalWidth;
    const LONG h = pdev->geo.cellSize.cy ? pdev->geo.cellSize.cy : pdev->geo.logicalHeight;
    const LONG i = static_cast<LONG>(index);
    LONG col = 0, line = 0;
    switch (placement) {
    case 0: col = i % K; line = i / K; break;
    case 1: col = i / J; line = i % J; break;
    case 2: col = K - i % K - 1; line = i / K; break;
    case 3: col = K - i / J - 1; line = i % J; break;
    case 4: col = i % K; line = J - i / K - 1; break;
    case 5: col = i / J; line = J - i % J - 1; break;
    case 6: col = K - i % K - 1; line = J - i / K - 1; break;
    default: col = K - i / J - 1; line = J - i % J - 1; break;
    }
    return {col * w, line * h};
}

// ---- GDIINFO ----------------------------------------------------------------------------------

BOOL BuildGdiInfoVector(PDEV* pdev, ULONG cj, GDIINFO* gdiInfo)
{
    if (!gdiInfo) return FALSE;
    PAGEGEOMETRY& geo = pdev->geo;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    geo.savedPrintableWidth = geo.printableWidth;
    geo.savedPrintableHeight = geo.printableHeight;

    GDIINFO engine, cell;
    LONG gutter = ComputeNupGdiInfo(pdev, &engine, &cell, geo.printableHeight);

    // The binding margin: the page shrinks along the binding axis when its slack does not hold
    // the margin.
    const LONG margin = ComputeBindingEdge(pdev);
    geo.bindingMargin = static_cast<WORD>(margin);
    const bool nup = IsNupLayout(pdev);
    const bool booklet = IsBookletLayout(pdev);
    const bool alongWidth = (ext.wBinding & BINDING_ACROSS_WIDTH) != 0;
    // The printable extents along and across the binding axis as the page lies on the sheet.
    LONG& axisExtent = (alongWidth != (geo.landscape != 0)) ? geo.printableWidth : geo.printableHeight;
    LONG& otherExtent = (&axisExtent == &geo.printableWidth) ? geo.printableHeight : geo.printableWidth;
    auto cellAxisOf = [alongWidth](const GDIINFO& c) { return static_cast<LONG>(alongWidth ? c.ulHorzRes : c.ulVertRes); };
    const LONG cellAxis = cellAxisOf(cell);
    const LONG cellsAlongAxis = nup ? (alongWidth ? CellsAcross(pdev) : CellsDown(pdev)) : 1;
    LONG slack = std::max<LONG>(0, axisExtent - cellsAlongAxis * cellAxis);
    const bool apply = margin > 2 * gutter || (!booklet && (ext.wBinding & BINDING_MARGIN_ON) && slack < margin);
    if (apply && margin > 0) {
        const LONG g = booklet ? margin - 2 * gutter : margin;
        slack = std::min(slack, g);
        const LONG extent = axisExtent;
        LONG newExtent = nup ? extent - g : (extent - slack > 0 ? MulDivTrunc(extent - g, extent, extent - slack) : extent);
        if (newExtent > 0 && extent > 0) {
            otherExtent = MulDivTrunc(otherExtent, newExtent, extent);
            axisExtent = newExtent;
            gutter = ComputeNupGdiInfo(pdev, &engine, &cell, geo.printableHeight);
        }
    }

    // Booklet: where the fold lies and what is left of the gutter.
    if (booklet) {
        if (margin <= gutter) {
            geo.foldOffset = geo.savedPrintableHeight / 2 + gutter / 2;
        } else {
            geo.foldOffset = geo.savedPrintableHeight / 2 + margin / 2;
            gutter -= margin / 2;
        }
    }
    geo.gutter = gutter;

    geo.cellSize = {static_cast<LONG>(cell.ulHorzRes), static_cast<LONG>(cell.ulVertRes)};
    geo.cellPaperSize = (pdev->model->dwCapFlags & MIF_ENVMODE) ? cell.szlPhysSize : SIZEL{0, 0};

    // Centring across the binding axis.
    geo.centerOffset = 0;
    if (booklet || ((ext.wBinding & BINDING_MARGIN_ON) && margin != 0)) {
        const LONG saved = (&axisExtent == &geo.printableWidth) ? geo.savedPrintableWidth : geo.savedPrintableHeight;
        const LONG pageExtent = nup ? axisExtent : cellAxisOf(cell);
        geo.centerOffset = (saved - pageExtent) / 2;
    }

    geo.logicalWidth = static_cast<LONG>(engine.ulHorzRes);
    geo.logicalHeight = static_cast<LONG>(engine.ulVertRes);
    geo.wholeSheet = {geo.logicalWidth * CellsAcross(pdev), geo.logicalHeight * CellsDown(pdev)};
    if (!nup) geo.wholeSheet = {geo.logicalWidth, geo.logicalHeight};
    if (geo.landscape) std::swap(geo.savedPrintableWidth, geo.savedPrintableHeight);
    return CopyOut(engine, cj, gdiInfo);
}

BOOL BuildGdiInfoRaster(PDEV* pdev, ULONG cj, GDIINFO* gdiInfo)
{
    if (!gdiInfo) return FALSE;
    PAGEGEOMETRY& geo = pdev->geo;
    const SIZEL page = LogicalPageSize(pdev, false);
    GDIINFO info;
    FillGdiInfoCommon(pdev, &info, page, false);
    info.ulHTPatternSize = PatternSizeForWidth(pdev->halftone.matrixWidth);
    info.ulHTOutputFormat = HT_FORMAT_24BPP;
    info.flHTFlags = 0;
    info.ulPrimaryOrder = pdev->devmode.dmPrivate.wColor ? PRIMARY_ORDER_CBA : 0;
    geo.logicalWidth = page.cx;
    geo.logicalHeight = page.cy;
    geo.cellSize = page;
    geo.savedPrintableWidth = geo.printableWidth;
    geo.savedPrintableHeight = geo.printableHeight;
    return CopyOut(info, cj, gdiInfo);
}

// ---- DEVINFO ----------------------------------------------------------------------------------

BOOL BuildDevInfoVector(PDEV* pdev, ULONG cj, DEVINFO* devInfo)
{
    if (!devInfo) return FALSE;
    DEVINFO info = {};
    info.flGraphicsCaps = VECTOR_GRAPHICS_CAPS;
    if (VectorJobIsDontJournal(pdev)) info.flGraphicsCaps |= GCAPS_DONTJOURNAL;

    const DWORD fonts = pdev->fonts.count;
    if (fonts) {
        LOGFONTW& font = info.lfDefaultFont;
        font.lfHeight = -((DEFAULT_FONT_POINTS10 * pdev->resolution + 36) / 72);
        font.lfWeight = FW_NORMAL;
        font.lfPitchAndFamily = FIXED_MODERN;
        info.lfAnsiVarFont = font;
        info.lfAnsiVarFont.lfCharSet = ANSI_CHARSET;
        info.lfAnsiVarFont.lfPitchAndFamily = VARIABLE_SWISS;
        SetFace(info.lfAnsiVarFont, L"Helvetica");
        info.lfAnsiFixFont = font;
        info.lfAnsiFixFont.lfCharSet = ANSI_CHARSET;
        info.lfAnsiFixFont.lfPitchAndFamily = FIXED_MODERN;
        SetFace(info.lfAnsiFixFont, L"Courier");
    }
    info.lfDefaultFont.lfCharSet = DEFAULT_CHARSET;
    SetFace(info.lfDefaultFont, pdev->defaultFont);
    info.cFonts = static_cast<ULONG>(fonts > pdev->fonts.hiddenCount ? fonts - pdev->fonts.hiddenCount : 0);
    info.iDitherFormat = BMF_24BPP;
    info.cxDither = 0;
    info.cyDither = 0;
    if (!CreateDefaultPalette(pdev, &info)) return FALSE;
    return CopyOut(info, cj, devInfo);
}

BOOL BuildDevInfoRaster(PDEV* pdev, ULONG cj, DEVINFO* devInfo)
{
    if (!devInfo) return FALSE;
    DEVINFO info = {};
    info.flGraphicsCaps = RASTER_GRAPHICS_CAPS;
    if (pdev->defaultFont[0]) {
        info.lfDefaultFont.lfCharSet = DEFAULT_CHARSET;
        SetFace(info.lfDefaultFont, pdev->defaultFont);
    }
    info.cFonts = 0;
    info.iDitherFormat = BMF_24BPP;
    info.cxDither = static_cast<ULONG>(pdev->halftone.matrixWidth);
    info.cyDither = static_cast<ULONG>(pdev->halftone.matrixHeight);
    if (!CreateDefaultPalette(pdev, &info)) return FALSE;
    return CopyOut(info, cj, devInfo);
}
