// The decorations of a vector sheet: N-up page borders, poster registration crosses and the form
// feed that ends the sheet.
#include "sheet_decor.h"

#include <algorithm>
#include <utility>

#include "emit.h"
#include "page_layout.h"
#include "pdev.h"

namespace {

// Commands no emitter writes.
constexpr char kFrameAnchor[] = "0";                          // ESC*c0T: anchor the picture frame here
constexpr char kDecorLine[] = "LA1,4,2,4,3,32767PW0.08";      // round ends and joins, 0.08 mm pen
constexpr char kPeOpen[] = "PE";
constexpr char kCommandEnd[] = ";";
constexpr char kFormFeed[] = "\f";
constexpr const char* kPictureFramePrefix = "\033*c";         // ESC*c#X / #Y, ESC*c#T

// The whole-sheet picture frame's P1 and P2 and the merge of the decoration lines.
constexpr LONG kFrameP2 = 1016;
constexpr LONG kDecorMerge = 240;                             // paint the pen over what lies below
constexpr LONG kDecorPalette = 5;
// wOptions bit 1: the pattern anchor follows the threshold matrix in colour as well.
constexpr WORD kOptAnchorToMatrix = 0x2;
// A line-attribute cache value that matches no LA code.
constexpr LONG kNoLineCode = -1;

// Border style: line type, pattern length in millimetres (24.8); style 0 and 1 and others solid.
struct BorderLine {
    DWORD style;
    SHORT type;
    FLOAT lengthMm;
};
constexpr BorderLine kBorderLines[] = {{2, 2, 5.0f}, {3, 2, 2.0f}, {4, 5, 8.0f}, {5, 6, 10.0f}};
constexpr WORD kLineTypeMode = 1;  // the pattern length is in millimetres

// dwPosterTiles of a poster with its own columns and rows.
constexpr LONG kPosterCustomTiles = -1;

struct OrderRule {
    DWORD portrait, landscape;
    bool byColumn;    // the index runs down the columns first
    bool rightToLeft; // columns counted from the right
    bool bottomUp;    // rows counted from the bottom
};
constexpr OrderRule kOrders[] = {
    {1, 0x10000, false, false, false},  {2, 0x20000, true, false, false},
    {4, 0x40000, false, true, false},   {8, 0x80000, true, true, false},
    {16, 0x100000, false, false, true}, {32, 0x200000, true, false, true},
    {48, 0x300000, false, true, true},  {64, 0x400000, true, true, true},
};

// The order a plain N-up sheet reads: the landscape or portrait word, with the codes read across
// and down turned a quarter when the pages lie across the sheet.
DWORD NupOrderCode(const PDEV* pdev)
{
    const DWORD order = pdev->devmode.dmPrivate.dwNupOrder;
    const bool landscapeOrder = (pdev->geo.nupMode & NUPMODE_FIRST_LANDSCAPE) != 0;
    const DWORD code = landscapeOrder ? (order & 0xFFFF0000) : (order & 0xFFFF);
    const bool portraitSheet = pdev->devmode.dmPublic.dmOrientation != DMORIENT_LANDSCAPE;
    if (landscapeOrder != portraitSheet) return code;
    struct Turn {
        DWORD portrait, landscape, onPortraitSheet, onLandscapeSheet;
    };
    constexpr Turn kTurns[] = {{1, 0x10000, 32, 8}, {2, 0x20000, 16, 4}, {4, 0x40000, 64, 2}, {8, 0x80000, 48, 1}};
    for (const Turn& t : kTurns) {
        if (code == t.portrait || code == t.landscape) return portraitSheet ? t.onPortraitSheet : t.onLandscapeSheet;
    }
    return code;
}

// Anchors the HP-GL/2 picture frame at the PCL cursor's 0, 0 of the current cell.
void AnchorPictureFrame(PDEV* pdev)
{
    const LONG resolution = emitdetail::Resolution(pdev);
    PclCursorRotated(pdev, 0, 0);
    WritePclEscape(pdev, kPictureFramePrefix, 't', kFrameAnchor, TRUE);
    HpglInputP1P2(pdev, 0, 0, kFrameP2, kFrameP2);
    HpglScale(pdev, resolution, resolution);
}

void WriteDecipoints(PDEV* pdev, char letter, LONG pixels, BOOL final)
{
    char text[DECIPOINTS_TEXT_BYTES];
    const LONG resolution = emitdetail::Resolution(pdev);
    const LONGLONG tenths = resolution > 0 ? static_cast<LONGLONG>(pixels) * 7200 / resolution : 0;
    FormatDecipoints(static_cast<DWORD>(tenths), text, sizeof text);
    WritePclEscape(pdev, kPictureFramePrefix, letter, text, final);
}

// The line attributes of the decorations; the emitters' caches no longer know the printer's.
void DecorLineAttributes(PDEV* pdev)
{
    HpglPrintf(pdev, kDecorLine);
    HPGLSTATE& s = pdev->hpgl;
    s.lineJoin = kNoLineCode;
    s.lineCap = kNoLineCode;
    s.miterLimit = 0;
    s.penWidth = 0;
    s.lineFlags = 0;
    s.penWidthKind = PENWIDTH_NONE;
}

void ResetInputWindow(PDEV* pdev)
{
    pdev->hpgl.windowSet = 1;
    HpglInputWindow(pdev, nullptr);
}

// One straight line in plotter units: PU to the start, PE with one relative step.
void PlotterLine(PDEV* pdev, LONG x, LONG y, LONG dx, LONG dy)
{
    HpglPenUpPlotter(pdev, x, y);
    HpglPrintf(pdev, kPeOpen);
    WritePENumbers(pdev, dx, dy);
    HpglPrintf(pdev, kCommandEnd);
}

// One straight line between device points of the page.
void PageLine(PDEV* pdev, LONG x1, LONG y1, LONG x2, LONG y2)
{
    HpglPenUp(pdev, x1, y1);
    HpglPrintf(pdev, kPeOpen);
    HpglRelativePE(pdev, x2, y2);
    HpglPrintf(pdev, kCommandEnd);
}

void DrawBorders(PDEV* pdev, WORD options)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const LONG W = pdev->geo.printableWidth, H = pdev->geo.printableHeight;
    const bool grey = emitdetail::Greyscale(pdev);

    // The picture frame is the whole sheet, its corner at the sheet's.
    SetHpglMode(pdev, FALSE);
    WriteDecipoints(pdev, 'x', W, FALSE);
    WriteDecipoints(pdev, 'y', H, TRUE);
    AnchorPictureFrame(pdev);
    if (!grey) PclSelectPalette(pdev, kDecorPalette);
    if ((grey || (options & kOptAnchorToMatrix)) && pdev->halftone.matrixHeight > 0)
        HpglAnchorCorner(pdev, 0, H % pdev->halftone.matrixHeight);
    if (pdev->devmode.dmPublic.dmDuplex == DMDUP_SIMPLEX) ResetInputWindow(pdev);
    DecorLineAttributes(pdev);
    if (!grey) HpglPenColour(pdev, 0, 1);
    HpglScreenedVectors(pdev, 0, 0);

    SHORT type = 0;
    LONG length = 0;
    for (const BorderLine& line : kBorderLines) {
        if (line.style == ext.dwPageBorder) type = line.type, length = FloatToFixed(line.lengthMm);
    }
    HpglLineType(pdev, type, length, type ? kLineTypeMode : 0);

    // Columns and rows as the pages lie: a landscape page order exchanges them.
    LONG columns = static_cast<LONG>(ext.dwNupX), rows = static_cast<LONG>(ext.dwNupY);
    if (pdev->geo.pageOrientation & 1) std::swap(columns, rows);
    if (columns < 1) columns = 1;
    if (rows < 1) rows = 1;
    const LONG a = W / columns, b = H / rows;

    // The outer lines sit one pixel inside the sheet so the pen is not cut at its edge.
    PlotterLine(pdev, 1, H - 1, 0, -(H - 1));
    for (LONG k = 1; k < columns; ++k) PlotterLine(pdev, k * a, H - 1, 0, -(H - 1));
    PlotterLine(pdev, columns * a - 2, H - 1, 0, -(H - 1));
    PlotterLine(pdev, W - 1, H - 2, -(W - 1), 0);
    for (LONG k = 1; k < rows; ++k) PlotterLine(pdev, W - 1, H - 1 - k * b, -(W - 1), 0);
    PlotterLine(pdev, W - 1, 1, -(W - 1), 0);
}

void DrawRegistrationMarks(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const LONG resolution = emitdetail::Resolution(pdev);
    const bool grey = emitdetail::Greyscale(pdev);

    HpglMergeControl(pdev, kDecorMerge);
    if (!grey) PclSelectPalette(pdev, kDecorPalette);
    ResetInputWindow(pdev);
    DecorLineAttributes(pdev);
    if (!grey) HpglPenColour(pdev, ext.dwRegistColor & 0x00FFFFFF, 1);
    HpglScreenedVectors(pdev, 0, 0);

    LONG columns = 1, rows = 1;
    switch (ext.dwPosterTiles) {
    case 2: (pdev->geo.posterState & 1) ? (columns = 2) : (rows = 2); break;
    case 4: columns = rows = 2; break;
    case 9: columns = rows = 3; break;
    case kPosterCustomTiles:
        columns = ext.dwPosterX ? static_cast<LONG>(ext.dwPosterX) : 1;
        rows = ext.dwPosterY ? static_cast<LONG>(ext.dwPosterY) : 1;
        break;
    default: break;
    }
    const LONG tile = static_cast<LONG>(pdev->geo.posterTile % static_cast<DWORD>(columns * rows));
    const bool firstColumn = tile % columns == 0, lastColumn = tile % columns == columns - 1;
    const bool firstRow = tile / columns == 0, lastRow = tile / columns == rows - 1;

    const LONG arm = resolution * 30 / 254;  // 3 mm
    const LONG inset = pdev->geo.posterOverlap * resolution / 300 / 2;
    const RECTL& page = pdev->pageMap.pageRect;
    const LONG left = page.left + inset, right = page.right - inset;
    const LONG top = page.top + inset, bottom = page.bottom - inset;
    const struct {
        LONG x, y;
        bool outer;  // a corner of the whole poster: no cross
    } corners[] = {
        {left, top, firstColumn && firstRow},
        {left, bottom, firstColumn && lastRow},
        {right, top, lastColumn && firstRow},
        {right, bottom, lastColumn && lastRow},
    };
    for (const auto& c : corners) {
        if (c.outer) continue;
        PageLine(pdev, c.x, c.y - arm, c.x, c.y + arm);
        PageLine(pdev, c.x - arm, c.y, c.x + arm, c.y);
    }
}

}  // namespace

POINT NupCellPlace(DWORD order, DWORD index, DWORD columns, DWORD rows)
{
    const LONG e = columns ? static_cast<LONG>(columns) : 1, d = rows ? static_cast<LONG>(rows) : 1;
    const LONG i = static_cast<LONG>(index);
    OrderRule rule = kOrders[0];
    for (const OrderRule& r : kOrders) {
        if (order == r.portrait || order == r.landscape) rule = r;
    }
    LONG column = rule.byColumn ? i / d : i % e;
    LONG row = rule.byColumn ? i % d : i / e;
    if (rule.rightToLeft) column = e - 1 - column;
    if (rule.bottomUp) row = d - 1 - row;
    return {column, row};
}

namespace {

// Where the two pages of a booklet side meet: the first cell ends the gutter before the fold, the
// second begins the gutter after it (positions along the axis the cells divide).
void BookletPositions(const PDEV* pdev, LONG pageExtent, LONG* first, LONG* second)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    *first = std::max<LONG>(0, geo.foldOffset - geo.gutter - pageExtent);
    *second = std::max<LONG>(0, geo.foldOffset + geo.gutter);
}

// The origin of the current page on a booklet sheet: its cell from the booklet's order (right to
// left or not, one or two pages a side), placed at the booklet positions along the fold axis and
// centred in its cell across it.
POINTL BookletCellOrigin(const PDEV* pdev, DWORD columns, DWORD rows, LONG a, LONG b)
{
    const PAGEGEOMETRY& geo = pdev->geo;
    const DWORD flags = pdev->devmode.dmPrivate.dwBookletFlags;
    const bool rightToLeft = (flags & BOOKLET_RIGHTTOLEFT) != 0;
    const bool twoUp = (flags & BOOKLET_TWOUP) != 0;
    DWORD code;
    if (twoUp && (geo.nupMode & NUPMODE_FIRST_LANDSCAPE))
        code = rightToLeft ? 0x20010 : 0x20004;
    else if (twoUp)
        code = rightToLeft ? 0x200030 : 0x200001;
    else
        code = rightToLeft ? 0x200001 : 0x20001;
    const bool portraitSheet = pdev->devmode.dmPublic.dmOrientation != DMORIENT_LANDSCAPE;
    code = portraitSheet ? (code & 0xFF) : (code & 0xFF0000);
    const POINT place = NupCellPlace(code, geo.cellsFilled, columns, rows);
    const bool firstColumn = place.x == 0, firstRow = place.y == 0;
    const bool rotatedSheet = (geo.nupMode & NUPMODE_CELLS_ROTATED) != 0;
    const bool turned = pdev->pageRotation == 90 || pdev->pageRotation == 270;
    const LONG x0 = geo.bindingLeft, y0 = geo.bindingTop;
    const LONG pageWidth = geo.logicalWidth, pageHeight = geo.logicalHeight;
    LONG p1 = 0, p2 = 0;
    POINTL origin;
    if (twoUp) {
        // On a sheet that is not rotated the page width stands for the height, and turned and
        // not turned change roles.
        const LONG across = rotatedSheet ? pageHeight : pageWidth;
        const bool alongY = rotatedSheet ? turned : !turned;
        BookletPositions(pdev, alongY ? pageHeight : pageWidth, &p1, &p2);
        if (alongY) {
            origin.y = firstRow ? p1 : p2;
            origin.x = firstColumn ? (a - across) / 2 + x0 / 2 : a + (a - across) / 2 + 3 * x0 / 2;
        } else {
            origin.x = firstColumn ? p1 : p2;
            origin.y = firstRow ? (b - across) / 2 + y0 / 2 : b + (b - across) / 2 + 3 * y0 / 2;
        }
    } else if (rotatedSheet) {
        BookletPositions(pdev, turned ? pageHeight : pageWidth, &p1, &p2);
        if (turned)
            origin = {(a - pageHeight) / 2 + x0, firstRow ? p1 : p2};
        else
            origin = {firstColumn ? p1 : p2, (b - pageHeight) / 2 + y0};
    } else {
        BookletPositions(pdev, turned ? pageWidth : pageHeight, &p1, &p2);
        if (turned)
            origin = {firstColumn ? p1 : p2, (b - pageWidth) / 2 + y0};
        else
            origin = {(a - pageWidth) / 2 + x0, firstRow ? p1 : p2};
    }
    return origin;
}

}  // namespace

LONG SetNupCellOrigin(PDEV* pdev, BOOL noFrame)
{
    PAGEGEOMETRY& geo = pdev->geo;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const bool booklet = ext.dwFinishingMode == FINISHINGMODE_BOOKLET;
    const bool nup = (geo.nupMode & NUPMODE_ON) != 0 && !booklet;
    const bool joined = !nup && !booklet && geo.superLong != 0;
    POINTL origin = {geo.bindingLeft, geo.bindingTop};
    DWORD columns = ext.dwNupX ? ext.dwNupX : 1, rows = ext.dwNupY ? ext.dwNupY : 1;
    if (geo.pageOrientation & 1) std::swap(columns, rows);
    const LONG a = geo.printableWidth / static_cast<LONG>(columns);
    const LONG b = geo.printableHeight / static_cast<LONG>(rows);
    if (nup) {
        const POINT place = NupCellPlace(NupOrderCode(pdev), geo.cellsFilled, columns, rows);
        origin.x += place.x * a;
        origin.y += place.y * b;
    } else if (booklet) {
        origin = BookletCellOrigin(pdev, columns, rows, a, b);
    } else if (joined) {
        // The pages of a long sheet follow each other along the feed, the page-end margin apart.
        const DWORD index = pdev->flow.joinedPages;
        const LONG spacing = static_cast<LONG>(static_cast<LONGLONG>(ext.wSlpMargin) * emitdetail::Resolution(pdev) / 600);
        origin = {0, 0};
        if (pdev->devmode.dmPublic.dmOrientation == DMORIENT_LANDSCAPE)
            origin.x = static_cast<LONG>(index * static_cast<LONGLONG>(spacing + geo.printableWidth));
        else
            origin.y = static_cast<LONG>(index * static_cast<LONGLONG>(spacing + geo.printableHeight));
    }
    geo.sheetOrigin = origin;
    ComputeShiftedOrigin(pdev, FALSE);
    if ((nup || booklet) && !noFrame) AnchorPictureFrame(pdev);
    return (nup || booklet || joined) ? 1 : 0;
}

BOOL DrawSheetDecorations(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const bool borders = (pdev->geo.nupMode & NUPMODE_ON) && ext.dwPageBorder != 0;
    const bool marks = ext.dwFinishingMode == FINISHINGMODE_POSTER && (ext.dwPosterFlags & POSTER_REGISTMARKS);

    // The decorations are drawn on the sheet as it is: no driver-side zoom, no page turn, no
    // page offsets; everything is put back afterwards.
    const WORD options = ext.wOptions;
    const DWORD rotated = pdev->jobStatus & JOBSTATUS_ROTATED_PAGES;
    const HPGLPAGEMAP savedMap = pdev->pageMap;
    const LONG savedFrameWidth = pdev->geo.pictureFrameWidth;
    const POINTL savedOrigin = pdev->geo.sheetOrigin;
    pdev->devmode.dmPrivate.wOptions &= ~OPT_DRIVEREXPAND;

    if (borders) {
        HpglMergeControl(pdev, kDecorMerge);
        pdev->jobStatus &= ~JOBSTATUS_ROTATED_PAGES;
        const LONG W = pdev->geo.printableWidth, H = pdev->geo.printableHeight;
        pdev->pageMap.originShift = pdev->pageMap.pclOriginShift = pdev->pageMap.pageOffset = {0, 0};
        pdev->pageMap.pageHeight = H;
        pdev->pageMap.pageRect = {0, 0, W, H};
        pdev->geo.pictureFrameWidth = W;
        pdev->geo.sheetOrigin = {0, 0};
        DrawBorders(pdev, options);
    } else if (marks) {
        pdev->pageMap.pageOffset = {0, 0};
        DrawRegistrationMarks(pdev);
    }

    pdev->devmode.dmPrivate.wOptions = options;
    pdev->jobStatus |= rotated;
    pdev->pageMap = savedMap;
    pdev->geo.pictureFrameWidth = savedFrameWidth;
    pdev->geo.sheetOrigin = savedOrigin;
    PclWriteRaw(pdev, kFormFeed, sizeof kFormFeed - 1);
    return TRUE;
}
