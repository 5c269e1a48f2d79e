// Per-page layout: binding offsets, print orientation, point mapping and the print offset.
#include "page_layout.h"

#include "format.h"
#include "pdev.h"

namespace {

// Paper sources that decide the manual duplex side.
constexpr short SOURCE_UPPER = 1;
constexpr short SOURCE_UPPER_ALT = 259;
constexpr short SOURCE_MANUAL = 4;
// Papers whose sheet is turned round at the end.
constexpr short PAPER_TURNED = 272;
// The page record's flag: the paper is fed the other way round.
constexpr DWORD PAGERECORD_REVERSE = 0x2;
// wAux884 bit 0: the job starts on a back side.
constexpr WORD AUX_BACK_SIDE_FIRST = 0x1;
// The offset N-up cells get on top of the binding offsets, dots at 300 dpi.
constexpr LONG NUP_CELL_OFFSET_DOTS = 4;

bool IsManualDuplex(const PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    return ext.wManualDuplex != 0 && ext.dwManualDuplexSheets > 1;
}

bool ModelHas(const PDEV* pdev, DWORD flag)
{
    return pdev->model && (pdev->model->dwCapFlags & flag);
}

bool IsUpperSource(short source)
{
    return source == SOURCE_UPPER || source == SOURCE_UPPER_ALT;
}

// The page lies across the sheet (the first page set the sheet's way) and the order code is one
// whose cells then turn round.
bool PageTurnedAgainstSheet(const PDEV* pdev)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    const bool firstLandscape = (geo.nupMode & NUPMODE_FIRST_LANDSCAPE) != 0;
    if (firstLandscape == IsLandscapePage(pdev)) return false;
    const DWORD code = geo.nupOrderCode;
    return firstLandscape ? (code == 1 || code == 4) : (code == 2 || code == 8);
}

DWORD TurnRound(DWORD orientation)
{
    return orientation ^ 2;
}

struct Offsets {
    LONG left, top, right, bottom;
};

// Manual duplex: the sheet side that takes assignment X (the other takes Y).
bool ManualDuplexSideX(const PDEV* pdev, DWORD page)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DWORD half = pdev->devmode.dmPrivate.dwManualDuplexSheets / 2;
    if (pub.dmDuplex == DMDUP_VERTICAL) return true;
    if (IsUpperSource(pub.dmDefaultSource) && page <= half) return true;
    return pub.dmDefaultSource == SOURCE_MANUAL && page % 2 == 0;
}

// The offsets of binding state s for margin m and centring z. The margin lies on the left for
// s 1, on top for 2, and on the far side of the sheet for 3 and 4; marginFirst tells whether the
// page shows the binding edge as set (a front side) or mirrored (a back side).
Offsets OffsetsFor(DWORD s, LONG m, LONG z, bool marginFirst)
{
    switch (s) {
    case 1: return marginFirst ? Offsets{m, z, m, z} : Offsets{0, z, 0, z};
    case 2: return marginFirst ? Offsets{z, m, z, 0} : Offsets{z, 0, z, m};
    case 3: return marginFirst ? Offsets{0, z, 0, z} : Offsets{m, z, m, z};
    case 4: return marginFirst ? Offsets{z, 0, z, m} : Offsets{z, m, z, 0};
    default: return {0, 0, 0, 0};
    }
}

// Simplex: the margin stays on the binding edge of every page, which carries no far-side offset.
Offsets SimplexOffsets(DWORD s, LONG m, LONG z)
{
    switch (s) {
    case 1: return {m, z, 0, 0};
    case 2: return {z, m, 0, 0};
    case 3: return {0, z, 0, 0};
    case 4: return {z, 0, 0, 0};
    default: return {0, 0, 0, 0};
    }
}

// The offsets of the layouts that are not booklets.
Offsets PageOffsets(const PDEV* pdev, DWORD page, BOOL backSide)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    const LONG m = geo.bindingMargin;
    const LONG z = geo.centerOffset;
    const DWORD s = geo.bindingState;
    if (IsManualDuplex(pdev)) {
        // Printed by hand, one side of the stack has the side edges (1, 3) mirrored and the
        // other the top and bottom edges (2, 4): assignment X and Y.
        const bool sideEdge = s == 1 || s == 3;
        return OffsetsFor(s, m, z, ManualDuplexSideX(pdev, page) ? !sideEdge : sideEdge);
    }
    if (pdev->devmode.dmPublic.dmDuplex == DMDUP_SIMPLEX) return SimplexOffsets(s, m, z);
    const DWORD side = page + (backSide ? 1 : 0);
    return OffsetsFor(s, m, z, side % 2 == 1);
}

LONG LayoutPageOffset(const PDEV* pdev)
{
    const bool landscape = pdev->geo.landscape && !IsRasterMode(pdev);
    return pdev->geo.layoutPageOffset[landscape ? 1 : 0];
}

POINTL Turn(POINTL p, DWORD quarterTurns)
{
    switch (quarterTurns % 4) {
    case 1: return {-p.y, p.x};
    case 2: return {-p.x, -p.y};
    case 3: return {p.y, -p.x};
    default: return p;
    }
}

// How far an edge at position lies outside [0, extent]: negative below, positive beyond.
LONG Outside(LONG position, LONG extent)
{
    if (position < 0) return position;
    if (position > extent) return position - extent;
    return 0;
}

}  // namespace

void SetBindingOffsets(PDEV* pdev, DWORD page, BOOL backSide)
{
    PAGEGEOMETRY& geo = pdev->geo;
    if (IsBookletLayout(pdev)) {
        const LONG m = geo.bindingMargin;
        const LONG z = geo.centerOffset;
        geo.bindingLeft = geo.landscape ? m : z;
        geo.bindingTop = geo.landscape ? z : m;
        return;
    }
    const Offsets o = PageOffsets(pdev, page, backSide);
    geo.bindingLeft = o.left + LayoutPageOffset(pdev);
    geo.bindingTop = o.top;
    geo.bindingRight = o.right;
    geo.bindingBottom = o.bottom;
}

void UpdateBindingState(PDEV* pdev, DWORD page)
{
    PAGEGEOMETRY& geo = pdev->geo;
    const bool nup = IsNupLayout(pdev);
    if (nup) {
        if (geo.cellsFilled == 0) geo.savedBindingState = geo.bindingState;
        else geo.bindingState = geo.savedBindingState;
    }
    if (PageTurnedAgainstSheet(pdev) && geo.bindingState >= 1 && geo.bindingState <= 4)
        geo.bindingState = (geo.bindingState + 1) % 4 + 1;

    if (IsBookletLayout(pdev)) {
        const LONG m = geo.bindingMargin;
        const LONG z = geo.centerOffset;
        const bool quarter = geo.sheetRotation == 90 || geo.sheetRotation == 270;
        const bool marginLeft = geo.landscape ? !quarter : quarter;
        geo.bindingLeft = marginLeft ? m : z;
        geo.bindingTop = marginLeft ? z : m;
        return;
    }
    // The same choice as the page set-up makes for the page, without the back-side toggle.
    const Offsets o = PageOffsets(pdev, page, FALSE);
    geo.bindingLeft = o.left + LayoutPageOffset(pdev);
    geo.bindingTop = o.top;
    if (nup) {
        const LONG cellOffset = static_cast<LONG>(pdev->resolution) * NUP_CELL_OFFSET_DOTS / 300;
        geo.bindingLeft += cellOffset;
        geo.bindingTop += cellOffset;
    }
}

DWORD GetPageOrientation(const PDEV* pdev, DWORD page)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const PAGEGEOMETRY& geo = pdev->geo;
    const bool ls = geo.landscape != 0;
    const bool rotate180 = ext.wRotate180 != 0;
    const bool portDirect = ext.wPortDirect != 0;

    if (IsManualDuplex(pdev)) {
        const DWORD sheets = ext.dwManualDuplexSheets;
        if (IsUpperSource(pub.dmDefaultSource) && pub.dmDuplex == DMDUP_HORIZONTAL) {
            const bool secondHalf = page > sheets / 2;
            if (ls) return rotate180 ? (secondHalf ? 1 : 3) : (secondHalf ? 3 : 1);
            return (!portDirect != secondHalf) ? PAGEORIENT_REVERSE_PORTRAIT : PAGEORIENT_PORTRAIT;
        }
        if (pub.dmDefaultSource == SOURCE_MANUAL && pub.dmDuplex == DMDUP_VERTICAL) {
            const bool last = page == sheets;
            const bool q = page % 2 == 0 || last;
            const bool qOdd = page % 2 == 1 && !last;
            const bool vector = !IsRasterMode(pdev);
            if (ls) {
                const bool useQ = vector ? !rotate180 : rotate180;
                return (useQ ? q : qOdd) ? PAGEORIENT_REVERSE_LANDSCAPE : PAGEORIENT_LANDSCAPE;
            }
            const bool useQ = vector ? portDirect : !portDirect;
            return (useQ ? q : qOdd) ? PAGEORIENT_REVERSE_PORTRAIT : PAGEORIENT_PORTRAIT;
        }
    }

    if (IsBookletLayout(pdev)) {
        const DWORD k = page + ((ext.wAux884 & AUX_BACK_SIDE_FIRST) ? 1 : 0);
        const bool rightToLeft = (ext.dwBookletFlags & BOOKLET_RIGHTTOLEFT) != 0;
        const bool firstLandscape = (geo.nupMode & NUPMODE_FIRST_LANDSCAPE) != 0;
        if (k % 2 == 1) {
            if (rightToLeft) return ls ? 3 : 2;
            if (firstLandscape) return ls ? 3 : 0;
            return ls ? 1 : 2;
        }
        if (rightToLeft) return ls ? 1 : 0;
        if (!firstLandscape) return ls ? 3 : 0;
        return ls ? 1 : 2;
    }

    if (IsPosterLayout(pdev)) {
        const bool agrees = ((geo.posterState & 1) != 0) == ls;
        const DWORD r = agrees ? (portDirect ? 2 : 0) : (rotate180 ? 1 : 3);
        return pub.dmPaperSize == PAPER_TURNED ? TurnRound(r) : r;
    }

    DWORD r = ls ? (rotate180 ? 1 : 3) : (portDirect ? 2 : 0);
    if (PageTurnedAgainstSheet(pdev)) r = TurnRound(r);
    if (ModelHas(pdev, MIF_A3PRINTER)) return pub.dmPaperSize == PAPER_TURNED ? TurnRound(r) : r;
    if ((pdev->page.value4 & PAGERECORD_REVERSE) && ModelHas(pdev, MIF_ENVROTATE)) {
        switch (pub.dmPaperSize) {
        case 73: case 74: case 91: case 271: case 272: case 273: case 274:
            return TurnRound(r);
        default:
            return ls ? PAGEORIENT_REVERSE_LANDSCAPE : PAGEORIENT_REVERSE_PORTRAIT;
        }
    }
    return r;
}

void MapPagePoint(const PDEV* pdev, LONG* x, LONG* y)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    LONG px = *x, py = *y;
    if (pdev->devmode.dmPrivate.wOptions & OPT_DRIVEREXPAND) {
        px = static_cast<LONG>(static_cast<LONGLONG>(px) * geo.zoom / ZOOM_NONE);
        py = static_cast<LONG>(static_cast<LONGLONG>(py) * geo.zoom / ZOOM_NONE);
    }
    if (pdev->jobStatus & JOBSTATUS_ROTATED_PAGES) {
        const LONG w = geo.logicalWidth, h = geo.logicalHeight;
        switch ((geo.sheetRotation + geo.backSideRotation) % 360) {
        case 90: { const LONG t = px; px = py; py = w - t; break; }
        case 270: { const LONG t = px; px = h - py; py = t; break; }
        case 180: px = w - px; py = h - py; break;
        default: break;
        }
    }
    *x = px;
    *y = py;
}

void ComputeShiftedOrigin(PDEV* pdev, BOOL noRotation)
{
    PAGEGEOMETRY& geo = pdev->geo;
    geo.effectiveShift = {0, 0};
    geo.clipLeft = geo.clipTop = geo.clipRight = geo.clipBottom = 0;
    if (geo.originShift.x == 0 && geo.originShift.y == 0) return;

    // The shift as the current page lies against the first one, then as the sheet is turned.
    POINTL page = Turn(geo.originShift, (geo.pageOrientation + 4 - geo.firstPageOrientation % 4) % 4);
    const DWORD angle = noRotation ? 0 : geo.sheetRotation;
    POINTL effective;
    switch (angle) {
    case 90: effective = {-page.y, page.x}; break;
    case 180: effective = {-page.x, -page.y}; break;
    case 270: effective = {page.y, -page.x}; break;
    default: effective = page; break;
    }
    // A booklet's left-hand pages (odd counters) shift the other way.
    if (IsBookletLayout(pdev) && pdev->pageCount % 2 == 1) {
        page = {-page.x, -page.y};
        effective = {-effective.x, -effective.y};
    }
    geo.effectiveShift = effective;

    const bool rotated = (pdev->jobStatus & JOBSTATUS_ROTATED_PAGES) != 0;
    RECTL rect;
    if (angle != 0 && !rotated) {
        rect.left = geo.sheetOrigin.x + effective.x;
        rect.top = geo.sheetOrigin.y + effective.y;
        rect.right = rect.left + geo.cellSize.cx;
        rect.bottom = rect.top + geo.cellSize.cy;
    } else {
        const bool quarter = angle == 90 || angle == 270;
        rect.left = geo.sheetOrigin.x + page.x;
        rect.top = geo.sheetOrigin.y + page.y;
        rect.right = rect.left + (quarter ? geo.cellSize.cy : geo.cellSize.cx);
        rect.bottom = rect.top + (quarter ? geo.cellSize.cx : geo.cellSize.cy);
    }
    const LONG left = Outside(rect.left, geo.wholeSheet.cx);
    const LONG top = Outside(rect.top, geo.wholeSheet.cy);
    const LONG right = Outside(rect.right, geo.wholeSheet.cx);
    const LONG bottom = Outside(rect.bottom, geo.wholeSheet.cy);
    // On turned pages each amount goes to the page edge that the sheet edge becomes (the turn of
    // MapPagePoint: at 90 degrees the sheet's top is the page's left).
    const DWORD turn = rotated ? angle : 0;
    switch (turn) {
    case 90:
        geo.clipLeft = top, geo.clipBottom = left, geo.clipRight = bottom, geo.clipTop = right;
        break;
    case 180:
        geo.clipLeft = right, geo.clipRight = left, geo.clipTop = bottom, geo.clipBottom = top;
        break;
    case 270:
        geo.clipTop = left, geo.clipRight = top, geo.clipBottom = right, geo.clipLeft = bottom;
        break;
    default:
        geo.clipLeft = left, geo.clipTop = top, geo.clipRight = right, geo.clipBottom = bottom;
        break;
    }
}

LONG FlipY(const PDEV* pdev, LONG y)
{
    if (pdev->jobStatus & JOBSTATUS_ROTATED_PAGES) return pdev->geo.pictureFrameWidth - y;
    return pdev->pageMap.pageHeight - y;
}

BOOL FormatDecipoints(DWORD value, char* buffer, size_t size)
{
    FormatString(buffer, size, "%u.%u", value / 10, value % 10);
    return TRUE;
}

DWORD LeastCommonMultiple(DWORD a, DWORD b)
{
    if (a == 0 || b == 0) return 0;
    DWORD x = a, y = b;
    while (y) {
        const DWORD r = x % y;
        x = y;
        y = r;
    }
    const ULONGLONG lcm = static_cast<ULONGLONG>(a / x) * b;
    return lcm > MAXDWORD ? MAXDWORD : static_cast<DWORD>(lcm);
}

DWORD CountAfterCommonPrefix(const BYTE* a, const BYTE* b, DWORD length)
{
    DWORD same = 0;
    while (same < length && a[same] == b[same]) ++same;
    return length - same;
}

DWORD GetPaletteRenderValues(const PDEV* pdev, DWORD index)
{
    DWORD first, second, flag = 0;
    if (index == 0) {
        first = 255;
        second = 1;
        flag = 2;
        return first | second << 8 | flag << 16;
    }
    if (index <= 4) first = 6;
    else if (index <= 6) first = 5;
    else first = index;
    switch (index) {
    case 1: case 4: second = 8; break;
    case 3: second = 4; break;
    case 2: case 5: case 6: second = 1; break;
    default: second = index; break;
    }
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const bool shortMenu = ModelHas(pdev, MIF_SHORTMENU);
    if (ext.wColorMode == 1) {
        if (ext.wColorAdjust == 2 || (shortMenu && !ext.wImageSmooth)) {
            first = 255;
            flag = 1;
        } else if (shortMenu) {
            switch (ext.wColorAdjustOpt) {
            case 1: first = 6; break;
            case 2: first = 2; break;
            case 3: first = 7; break;
            default: first = 8; break;
            }
        }
    } else if (ext.wColorMode == 0 && shortMenu && (index == 5 || index == 6)) {
        first = 6;
    }
    return first | second << 8 | flag << 16;
}
