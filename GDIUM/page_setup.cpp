// The vector page set-up: what every new sheet, every further N-up cell or joined long-paper page,
// a restarted document and a manual-duplex reset write before the page is drawn.
#include "page_setup.h"

#include <cstring>

#include "emit.h"
#include "format.h"
#include "job_header.h"
#include "model_queries.h"
#include "page_layout.h"
#include "pdev.h"
#include "sheet_decor.h"

namespace {

// Escape prefixes.
constexpr char kPageControl[] = "\033&l";   // source H, orientation O, size A, spacing D, top margin E, lines F, shift Z
constexpr char kFeedEdge[] = "\033/l";      // paper-feed edge O
constexpr char kPictureFrame[] = "\033*c";  // frame X, Y, anchor T
constexpr char kDuplexSide[] = "\033&a";    // side G
constexpr char kTextPath[] = "\033&c";
constexpr char kTextParsing[] = "\033&t";
constexpr char kColourMode[] = "\033&b";    // 0M colour, 1M grey
constexpr char kRaster[] = "\033*r";        // 0F: raster follows the print direction
constexpr char kUnitOfMeasure[] = "\033&u";
constexpr char kRasterResolution[] = "\033*t";
constexpr char kRasterResolutionFine[] = "\033/t";  // the 1200-dpi raster resolution after a reset
constexpr char kUel[] = "\033%-12345X";
constexpr char kEnterPcl[] = "@PJL ENTER LANGUAGE=PCL\n";
constexpr char kPrinterReset[] = "\033E";
constexpr char kDefineInput[] = "DI;";
constexpr char kGammaOne[] = "1.000";

// Constant page-control values: 6 lines an inch, a top margin of one line (none on long paper).
constexpr LONG kLineSpacing = 6;
constexpr LONG kTopMargin = 1;
constexpr LONG kTopMarginLongPaper = 0;
// The page size written for the envelopes of envelope-mode models.
constexpr LONG kEnvelopeModePageSize = 101;
// HP-GL/2 P1 and P2 of every page.
constexpr LONG kFrameP2 = 1016;
// Ten times the picture frame's size in decipoints: pixels x 7200 / dpi.
constexpr LONGLONG kTenthDecipointsPerInch = 7200;

// Paper sources and papers with rules of their own.
constexpr WORD SOURCE_UPPER = 1;
constexpr WORD SOURCE_MANUAL = 4;
constexpr WORD SOURCE_TRAY3 = 259;
constexpr WORD PAPER_LETTER = 1;
constexpr WORD PAPER_A4 = 9;
constexpr WORD PAPER_B5 = 13;
constexpr WORD PAPER_CUSTOM = 263;
constexpr WORD PAPER_ENVELOPE_SHIFTED = 274;
constexpr LONG kEnvelopeShiftedZ = -226;
// The PCL source values of the manual and the multipurpose feed.
constexpr LONG PCL_SOURCE_MANUAL = 2;
constexpr LONG PCL_SOURCE_MULTIPURPOSE = 4;
// The output bin of the finisher and the finishing bits that make it choose the feed edge.
constexpr WORD OUTPUT_BIN_FINISHER = 18;
constexpr DWORD FINISHING_FEED_EDGE_BITS = 0x7717F1;
// The model classes that take a feed edge for an ordinary output bin.
constexpr WORD kFeedEdgeModels[] = {1, 3, 4, 5, 8};
constexpr WORD MODEL_CLASS_1 = 1;
// wValidated bit 1: the custom paper of an envelope-mode model is fed long edge first.
constexpr WORD VALIDATED_LONG_EDGE = 0x2;
// wAux884 bit 0: the job starts on the back side.
constexpr WORD AUX_BACK_SIDE_FIRST = 0x1;
// wOptions bit 1: the pattern anchor follows the threshold matrix.
constexpr WORD OPT_ANCHOR_TO_MATRIX = 0x2;
// Finisher side bits of the job header: A turns the page, B takes the other feed edge.
constexpr DWORD FINISHER_SIDE_A = 0x1;
constexpr DWORD FINISHER_SIDE_B = 0x2;
// Duplex side values of ESC&a#G.
constexpr LONG SIDE_NEXT = 0;
constexpr LONG SIDE_FRONT = 1;
constexpr LONG SIDE_BACK = 2;
// Poster tiles of a poster with its own grid.
constexpr LONG POSTER_CUSTOM_TILES = -1;
// The resolution flags (PDEV::resolutionMode) the restart header names.
constexpr WORD RESFLAG_X600Y1200 = 0x1;
constexpr WORD RESFLAG_X600Y2400 = 0x2;
constexpr WORD RESFLAG_600_AT_300 = 0x10;
constexpr WORD RESFLAG_FAST1200 = 0x20;
constexpr WORD RESFLAG_FAST1200X2400 = 0x40;
// The dpi that the raster resolution of a reset job names with its fine escape.
constexpr LONG DPI_FINE = 1200;

void Write(PDEV* pdev, const char* text)
{
    DWORD written = 0;
    SpoolWrite(pdev, text, static_cast<DWORD>(strlen(text)), &written);
}

void WriteNumber(PDEV* pdev, const char* prefix, char letter, LONG value, BOOL final)
{
    char text[16];
    FormatString(text, sizeof text, "%d", value);
    WritePclEscape(pdev, prefix, letter, text, final);
}

const DRVEXTRA& Ext(const PDEV* pdev) { return pdev->devmode.dmPrivate; }
const DEVMODEW& Pub(const PDEV* pdev) { return pdev->devmode.dmPublic; }
WORD Paper(const PDEV* pdev) { return static_cast<WORD>(Pub(pdev).dmPaperSize); }

bool ModelHas(const PDEV* pdev, DWORD flag) { return pdev->model && (pdev->model->dwCapFlags & flag); }
WORD ModelClass(const PDEV* pdev) { return pdev->model ? pdev->model->wModelID : 0; }
bool ShortMenu(const PDEV* pdev) { return ModelHas(pdev, MIF_SHORTMENU); }
bool ShortMenuClass1(const PDEV* pdev) { return ShortMenu(pdev) && ModelClass(pdev) == MODEL_CLASS_1; }
bool EnvelopeMode(const PDEV* pdev) { return pdev->modelFlag25 != 0; }
bool EnvelopeUserType(const PDEV* pdev)
{
    const WORD paper = Paper(pdev);
    return EnvelopeMode(pdev) && paper >= 272 && paper <= 274;
}

bool IsManualDuplex(const PDEV* pdev) { return Ext(pdev).wManualDuplex != 0 && Ext(pdev).dwManualDuplexSheets > 1; }
bool IsLongPaper(const PDEV* pdev) { return pdev->model && DrvIsLongPaper(pdev->model, Paper(pdev)); }
bool IsLetterA4B5(WORD paper) { return paper == PAPER_LETTER || paper == PAPER_A4 || paper == PAPER_B5; }

// The job's resolution; never 0, so that the frame and shift arithmetic cannot divide by it.
LONG Dpi(const PDEV* pdev)
{
    if (Pub(pdev).dmYResolution > 0) return Pub(pdev).dmYResolution;
    return pdev->resolution ? pdev->resolution : 300;
}

WORD SheetPaperType(const PDEV* pdev)
{
    return IsCoverPage(pdev) ? Ext(pdev).wCoverMedia : Ext(pdev).wMediaType;
}

// The paper-feed edge that follows a paper-source escape for the PCL source value, or -1 for none.
LONG FeedEdge(const PDEV* pdev, LONG pclSource)
{
    const DRVEXTRA& ext = Ext(pdev);
    const WORD paper = Paper(pdev);
    if (ext.wOutputBin == OUTPUT_BIN_FINISHER) {
        if (!IsLetterA4B5(paper)) return ShortMenuClass1(pdev) ? 1 : -1;
        if (ShortMenuClass1(pdev)) return 2;
        if (ext.dwFinishing & FINISHING_FEED_EDGE_BITS) return (pdev->flow.finisherSides & FINISHER_SIDE_B) ? 2 : 1;
        return -1;
    }
    if (!(Pub(pdev).dmFields & DM_DEFAULTSOURCE)) return -1;
    bool listed = false;
    for (WORD id : kFeedEdgeModels) listed = listed || id == ModelClass(pdev);
    if (!listed) return -1;
    const bool coverLayout = ext.dwFinishingMode == FINISHINGMODE_BOOKLET || ext.dwFinishingMode == FINISHINGMODE_POSTER;
    if (!IsCoverPage(pdev) && ext.wCoverPrint && coverLayout) return ShortMenuClass1(pdev) ? -1 : 0;
    if (pclSource == PCL_SOURCE_MANUAL || pclSource == PCL_SOURCE_MULTIPURPOSE) {
        if (EnvelopeMode(pdev)) return (ext.wValidated & VALIDATED_LONG_EDGE) ? 2 : 1;
        return ((ext.wPaperCheck & PAPERCHECK_LONGEDGE) && IsLetterA4B5(paper)) ? 2 : 1;
    }
    if (ShortMenuClass1(pdev)) {
        if (IsLetterA4B5(paper)) return 2;
        if (paper >= 260 && paper <= 262) return 1;
    }
    return -1;
}

// The orientation digit of the sheet: the page's orientation as envelope-mode models feed their
// envelopes and custom sizes.
DWORD SheetOrientation(const PDEV* pdev, DWORD o)
{
    if (!EnvelopeMode(pdev)) return o;
    switch (Paper(pdev)) {
    case 73: case 74: case 91: case 259: case 271: case 274:
        return (o + 3) % 4;
    case 272: case 273:
        return (o + 2) % 4;
    case PAPER_CUSTOM: {
        const bool wide = pdev->geo.longEdgeFeed != 0;
        const bool longEdge = (Ext(pdev).wValidated & VALIDATED_LONG_EDGE) != 0;
        if (wide && longEdge) return (o & 1) ? o ^ 2 : o;
        if (wide) return o ^ 1;
        if (longEdge) return (o + 3) % 4;
        return o;
    }
    default:
        return o;
    }
}

// The printable offset of the sheet in pixels: left for digit 1, top for digit 2.
LONG PrintableOffset(const PDEV* pdev, DWORD digit)
{
    const PAPERRECORD& page = pdev->page;
    WORD x = page.portrait.offsetX, y = page.portrait.offsetY;
    if (pdev->geo.landscape) {
        const bool own = page.landscape.printableWidth && page.landscape.printableLength;
        x = own ? page.landscape.offsetX : page.portrait.offsetY;
        y = own ? page.landscape.offsetY : page.portrait.offsetX;
    }
    return static_cast<LONG>(digit == 1 ? x : y) * Dpi(pdev) / 300;
}

// The image shift (decipoints) of an envelope-mode model's envelope or custom paper for the sheet's
// orientation digit; FALSE when none is written.
bool ImageShift(const PDEV* pdev, DWORD digit, LONG* value)
{
    if (!EnvelopeMode(pdev) || (digit != 1 && digit != 2)) return false;
    switch (Paper(pdev)) {
    case 73: case 74: case 91: case 259: case 271: {
        // The record's width across the feed, before the page geometry turned it for landscape.
        const LONG w = pdev->geo.landscape ? pdev->page.lengthDots : pdev->page.widthDots;
        if (w >= 1500) return false;
        *value = -((1500 - w) * 72 / 30);
        return true;
    }
    case PAPER_CUSTOM: {
        if (pdev->geo.longEdgeFeed || !(Ext(pdev).wValidated & VALIDATED_LONG_EDGE)) return false;
        const LONG r = Dpi(pdev);
        const LONG t = r * 1500 / 300;
        const LONG p = PrintableOffset(pdev, digit);
        if (p >= t || r / 10 == 0) return false;
        *value = -((t - p) * 72 / (r / 10));
        return true;
    }
    case PAPER_ENVELOPE_SHIFTED:
        *value = kEnvelopeShiftedZ;
        return true;
    default:
        return false;
    }
}

LONG PageSizeValue(const PDEV* pdev)
{
    switch (Paper(pdev)) {
    case 73: case 74: case 91: case 271:
        if (EnvelopeMode(pdev)) return kEnvelopeModePageSize;
        break;
    default:
        break;
    }
    return FindPclPaper(Paper(pdev))->pclPageSize;
}

void WriteDecipoints(PDEV* pdev, char letter, LONG pixels, BOOL final)
{
    const LONGLONG tenths = pixels > 0 ? pixels * kTenthDecipointsPerInch / Dpi(pdev) : 0;
    char text[DECIPOINTS_TEXT_BYTES];
    FormatDecipoints(tenths > MAXDWORD ? MAXDWORD : static_cast<DWORD>(tenths), text, sizeof text);
    WritePclEscape(pdev, kPictureFrame, letter, text, final);
}

// The PCL picture frame for a page of width x height pixels, turned a quarter on the sheet when
// exchanged: ESC*c#X (one pixel wider) and ESC*c#Y. The frame's extents and the page the
// HP-GL/2 mapping flips against are kept.
void WritePictureFrame(PDEV* pdev, LONG width, LONG height, bool exchanged)
{
    const LONG x = exchanged ? height : width;
    const LONG y = exchanged ? width : height;
    SetHpglMode(pdev, FALSE);
    WriteDecipoints(pdev, 'x', x + 1, FALSE);
    WriteDecipoints(pdev, 'y', y, TRUE);
    pdev->geo.pictureFrameWidth = x;
    pdev->flow.frameHeight = y;
    pdev->pageMap.pageHeight = height;
    pdev->pageMap.pageRect = {0, 0, pdev->geo.logicalWidth, pdev->geo.logicalHeight};
}

void SetFrameOffset(PDEV* pdev, POINTL offset)
{
    pdev->flow.frameOffset = offset;
    pdev->pageMap.pageOffset = offset;
}

// Columns and rows of the poster.
void PosterGrid(const PDEV* pdev, LONG* columns, LONG* rows)
{
    const DRVEXTRA& ext = Ext(pdev);
    *columns = 1, *rows = 1;
    switch (ext.dwPosterTiles) {
    case 2: ((pdev->geo.posterState & 1) ? *columns : *rows) = 2; break;
    case 4: *columns = *rows = 2; break;
    case 9: *columns = *rows = 3; break;
    case POSTER_CUSTOM_TILES:
        *columns = ext.dwPosterX ? static_cast<LONG>(ext.dwPosterX) : 1;
        *rows = ext.dwPosterY ? static_cast<LONG>(ext.dwPosterY) : 1;
        break;
    default: break;
    }
}

// The offsets that bring the poster tile being printed into the picture frame of frameWidth x
// frameHeight pixels.
POINTL PosterOffsets(const PDEV* pdev, LONG frameWidth, LONG frameHeight)
{
    const DRVEXTRA& ext = Ext(pdev);
    const PAGEGEOMETRY& geo = pdev->geo;
    LONG columns, rows;
    PosterGrid(pdev, &columns, &rows);
    const DWORD tile = geo.posterTile % static_cast<DWORD>(columns * rows);
    const LONG column = static_cast<LONG>(tile) % columns, row = static_cast<LONG>(tile) / columns;
    const LONG overlap = (ext.dwPosterFlags & POSTER_OVERLAP)
                             ? static_cast<LONG>(static_cast<LONGLONG>(ext.dwOverlapWidth) * Dpi(pdev) / 254)
                             : 1;
    const LONGLONG zoomedWidth = static_cast<LONGLONG>(geo.zoom) * geo.logicalWidth / ZOOM_NONE;
    const LONGLONG zoomedHeight = static_cast<LONGLONG>(geo.zoom) * geo.logicalHeight / ZOOM_NONE;
    return {static_cast<LONG>((frameWidth - zoomedWidth) / 2 + column * (overlap - frameWidth)),
            static_cast<LONG>((frameHeight - zoomedHeight) / 2 + row * (overlap - frameHeight))};
}

// Manual duplex: the printer stops for the stack to be turned over when the first sides are out.
void WritePauseBlock(PDEV* pdev, bool on)
{
    SetHpglMode(pdev, FALSE);
    Write(pdev, kUel);
    WritePjlSet(pdev, "TAVNOTIFYPAPERSIDE", on ? "ON" : "OFF");
    Write(pdev, kEnterPcl);
    Write(pdev, kPrinterReset);
}

void ManualDuplexPause(PDEV* pdev)
{
    const DWORD n = pdev->flow.pageCounter;
    const DWORD sheets = Ext(pdev).dwManualDuplexSheets;
    const WORD source = static_cast<WORD>(Pub(pdev).dmDefaultSource);
    if ((source == SOURCE_UPPER || source == SOURCE_TRAY3) && n == (sheets + 1) / 2) {
        WritePauseBlock(pdev, true);
    } else if (source == SOURCE_MANUAL && n % 2 == 1) {
        WritePauseBlock(pdev, true);
    } else if (source == SOURCE_MANUAL && n > 0) {
        WritePauseBlock(pdev, false);
    }
}

void SwapQuarter(DWORD& digit, DWORD a, DWORD b)
{
    if (digit == a) digit = b;
    else if (digit == b) digit = a;
}

// The set-up of a new sheet. general: the set-up of every layout (manual duplex, simplex, poster,
// fit to paper, N-up, long paper); otherwise the set-up of a plain duplex page, which writes only
// what changed and draws the first back side after a restart turned instead of turning the sheet.
void SetUpSheet(PDEV* pdev, bool general)
{
    JOBFLOW& flow = pdev->flow;
    PAGEGEOMETRY& geo = pdev->geo;
    const DEVMODEW& pub = Pub(pdev);
    const DRVEXTRA& ext = Ext(pdev);
    const DWORD n = flow.pageCounter;
    const bool manual = general && IsManualDuplex(pdev);
    const bool longPaper = general && IsLongPaper(pdev);
    const bool poster = general && ext.dwFinishingMode == FINISHINGMODE_POSTER;
    const LONG dpi = Dpi(pdev);

    if (manual) {
        ManualDuplexPause(pdev);
        RepeatPclJobSetup(pdev);
    }

    // Paper source and feed edge.
    TRAYMEDIA tray = {};
    LookupSheetTray(pdev, TRUE, &tray);
    if (tray.pclSource != flow.currentSource || manual) {
        flow.currentSource = tray.pclSource;
        SetHpglMode(pdev, FALSE);
        WriteNumber(pdev, kPageControl, 'h', tray.pclSource, TRUE);
        const LONG edge = FeedEdge(pdev, tray.pclSource);
        if (edge >= 0) WriteNumber(pdev, kFeedEdge, 'o', edge, TRUE);
        pdev->jobStatus |= JOBSTATUS_NEW_PAGE_FRAME;
    }

    PclPatternTransparency(pdev, 0);
    PclSourceTransparency(pdev, 0);
    SetHpglMode(pdev, FALSE);

    // Media type.
    const LONG paperType = SheetPaperType(pdev);
    const bool userType = EnvelopeUserType(pdev);
    if ((general && userType) || paperType != flow.currentMediaType || manual)
        PclMediaTypeName(pdev, userType || !tray.pclMediaName ? "" : tray.pclMediaName);
    flow.currentMediaType = paperType;

    if (!ShortMenu(pdev)) WriteTextDefaults(pdev);

    // Orientation: the page's, as the sheet is fed, turned for the finisher and, on long paper,
    // laid along the sheet.
    const DWORD o = GetPageOrientation(pdev, n + 1) & 3;
    geo.pageOrientation = o;
    if (n == 0) geo.firstPageOrientation = o;
    const DWORD sheetDigit = SheetOrientation(pdev, o);
    DWORD digit = sheetDigit;
    if (ext.dwFinishing && (flow.finisherSides & FINISHER_SIDE_A)) digit ^= 2;
    const bool longLandscape = longPaper && (digit & 1);
    if (longLandscape) {
        digit -= 1;
        geo.sheetRotation = 270;
    }

    // The first back side after a restart keeps the sheet's orientation: the page is turned.
    const bool turned = !general && flow.firstAfterRestart && flow.backSide && pub.dmDuplex != DMDUP_SIMPLEX;
    if (turned) {
        DWORD value = digit;
        if (value == flow.previousOrientation) SwapQuarter(value, 1, 3);
        else SwapQuarter(value, 0, 2);
        geo.backSideRotation = (value * 90 + pdev->pageRotation) % 360;
    } else {
        geo.backSideRotation = 0;
    }
    flow.combinedRotation = (geo.sheetRotation + geo.backSideRotation) % 360;

    const bool orient = !turned && (general || (digit | ORIENT_VALID) != flow.currentOrientation);
    if (orient) {
        SetHpglMode(pdev, FALSE);
        WriteNumber(pdev, kPageControl, 'o', static_cast<LONG>(digit), FALSE);
        flow.currentOrientation = digit | ORIENT_VALID;
    }

    // Page size, text area, image shift and picture frame.
    const bool newFrame = (pdev->jobStatus & JOBSTATUS_NEW_PAGE_FRAME) != 0;
    if (orient || newFrame) {
        SetHpglMode(pdev, FALSE);
        if (newFrame) {
            WriteNumber(pdev, kPageControl, 'a', PageSizeValue(pdev), FALSE);
            pdev->jobStatus &= ~JOBSTATUS_NEW_PAGE_FRAME;
        }
        WriteNumber(pdev, kPageControl, 'd', kLineSpacing, FALSE);
        WriteNumber(pdev, kPageControl, 'e', longPaper ? kTopMarginLongPaper : kTopMargin, FALSE);
        WriteNumber(pdev, kPageControl, 'f', FindPclPaper(Paper(pdev))->textLines, TRUE);
        LONG shift = 0;
        if (ImageShift(pdev, sheetDigit, &shift)) WriteNumber(pdev, kPageControl, 'z', shift, TRUE);

        if (poster) {
            // The tile is the sheet's printable area as the page is printed.
            const LONG pw = pdev->page.portrait.printableWidth, pl = pdev->page.portrait.printableLength;
            const LONG w = static_cast<LONG>(static_cast<LONGLONG>((digit & 1) ? pl : pw) * dpi / 300);
            const LONG h = static_cast<LONG>(static_cast<LONGLONG>((digit & 1) ? pw : pl) * dpi / 300);
            WritePictureFrame(pdev, w, h, false);
        } else {
            const bool quarter = geo.backSideRotation == 90 || geo.backSideRotation == 270;
            WritePictureFrame(pdev, geo.logicalWidth, geo.logicalHeight, longLandscape || quarter);
        }
    }

    // Binding offsets and the poster tile's place in the frame.
    if (general) {
        UpdateBindingState(pdev, n + 1);
        SetFrameOffset(pdev, poster ? PosterOffsets(pdev, geo.pictureFrameWidth, pdev->flow.frameHeight) : POINTL{0, 0});
    } else {
        SetBindingOffsets(pdev, n + 1, flow.backSide);
        SetFrameOffset(pdev, {0, 0});
    }

    SetNupCellOrigin(pdev, FALSE);
    if (turned && geo.backSideRotation != 0) {
        // The turned page keeps clear of the unprintable edges of the sheet's other sides.
        const bool landscape90 = (digit & 1) && geo.backSideRotation == 90;
        geo.sheetOrigin.x += dpi * (landscape90 ? 55 : 50) / 300;
        geo.sheetOrigin.y += dpi * 5 / 300;
    }
    PclCursorClamped(pdev, 0, 0);
    WritePclEscape(pdev, kPictureFrame, 't', "0", TRUE);

    // Print direction and HP-GL/2 rotation.
    LONG direction = 0;
    if (longPaper) {
        direction = longLandscape ? 270 : 0;
        flow.joinedLandscape = longLandscape ? 1 : 0;
    } else if (turned) {
        direction = static_cast<LONG>(geo.backSideRotation);
    }
    pdev->pageRotation = static_cast<DWORD>(direction);
    SetHpglMode(pdev, FALSE);
    PclPrintDirection(pdev, direction);
    HpglRotate(pdev, direction);
    SetHpglMode(pdev, FALSE);

    // Duplex side.
    if (pub.dmDuplex != DMDUP_SIMPLEX && !IsManualDuplex(pdev)) {
        const LONG side = n > 0 ? SIDE_NEXT : ((ext.wAux884 & AUX_BACK_SIDE_FIRST) ? SIDE_BACK : SIDE_FRONT);
        WriteNumber(pdev, kDuplexSide, 'g', side, TRUE);
    }

    // HP-GL/2 scaling: one plotter unit a device pixel.
    HpglInputP1P2(pdev, 0, 0, kFrameP2, kFrameP2);
    HpglScale(pdev, dpi, dpi);
    if ((ext.wOptions & OPT_ANCHOR_TO_MATRIX) && pdev->halftone.matrixHeight > 0)
        HpglAnchorCorner(pdev, 0, pdev->pageMap.pageHeight % pdev->halftone.matrixHeight);
    SetHpglMode(pdev, FALSE);

    flow.previousOrientation = digit;
    flow.firstAfterRestart = 0;
}

// The resolution the restart header names, or NULL for none.
const char* RestartResolution(LONG dpi, WORD flags)
{
    switch (dpi) {
    case 300:
        return (flags & RESFLAG_600_AT_300) ? "600" : "300";
    case 600:
        if (flags & RESFLAG_FAST1200) return "FAST1200";
        if (flags & RESFLAG_FAST1200X2400) return "FAST1200X2400";
        if (flags & RESFLAG_X600Y2400) return "X600Y2400";
        if (flags & RESFLAG_X600Y1200) return "X600Y1200";
        return "600";
    case 1200:
        if (flags & RESFLAG_X600Y2400) return "X1200Y2400";
        if (flags & RESFLAG_X600Y1200) return "X600Y1200";
        return "1200";
    default:
        return nullptr;
    }
}

// The printer forgot every setting: so does the PDEV (the font too, which the cleared state would
// take for font 0).
void ForgetPrinterState(PDEV* pdev)
{
    ResetHpglState(pdev);
    pdev->hpgl.fontId = -1;
}

}  // namespace

void WriteTextDefaults(PDEV* pdev)
{
    SetHpglMode(pdev, FALSE);
    WritePclEscape(pdev, kTextPath, 't', "0", TRUE);
    WritePclEscape(pdev, kTextParsing, 'p', "0", TRUE);
    pdev->hpgl.textPath = 0;
    pdev->hpgl.textParsing = 0;
    HpglPrintf(pdev, kDefineInput);
    SetHpglMode(pdev, FALSE);
}


void LookupSheetTray(const PDEV* pdev, BOOL multipurposeIsManual, TRAYMEDIA* out)
{
    if (!out) return;
    if (!pdev) {
        LookupTrayMedia(0, 0, FALSE, nullptr, out);
        return;
    }
    // The cover of papers 257 and 258 comes from the multipurpose tray, as the job header says.
    const bool cover = IsCoverPage(pdev) != FALSE;
    const WORD paper = Paper(pdev);
    WORD source = static_cast<WORD>(Pub(pdev).dmDefaultSource);
    if (cover) source = (paper == 257 || paper == 258) ? SOURCE_MANUAL : Ext(pdev).wCoverSource;
    const WORD paperType = cover ? Ext(pdev).wCoverMedia : Ext(pdev).wMediaType;
    LookupTrayMedia(source, paperType, multipurposeIsManual ? Ext(pdev).wMpfIsManual : 0, pdev, out);
    if (EnvelopeUserType(pdev)) out->pclSource = PCL_SOURCE_MULTIPURPOSE;
}

BOOL SetupPage(PDEV* pdev)
{
    if (!pdev) return TRUE;
    const DEVMODEW& pub = Pub(pdev);
    const DRVEXTRA& ext = Ext(pdev);
    if (IsNupLayout(pdev) || ext.wManualDuplex || pub.dmDuplex == DMDUP_SIMPLEX ||
        ext.dwFinishingMode == FINISHINGMODE_POSTER || (ext.dwFitFlags & FITFLAG_ON) || IsLongPaper(pdev))
        return SetupPageLayout(pdev);
    SetUpSheet(pdev, false);
    return TRUE;
}

BOOL SetupPageLayout(PDEV* pdev)
{
    if (pdev) SetUpSheet(pdev, true);
    return TRUE;
}

BOOL SetupCellFrame(PDEV* pdev)
{
    if (!pdev) return TRUE;
    JOBFLOW& flow = pdev->flow;
    const PAGEGEOMETRY& geo = pdev->geo;
    SetHpglMode(pdev, FALSE);
    SetFrameOffset(pdev, {0, 0});
    const bool longPaper = IsLongPaper(pdev);
    const bool longLandscape = longPaper && flow.joinedLandscape;
    const bool exchanged = longPaper ? longLandscape : (pdev->jobStatus & JOBSTATUS_ROTATED_PAGES) != 0;
    WritePictureFrame(pdev, geo.logicalWidth, geo.logicalHeight, exchanged);
    UpdateBindingState(pdev, flow.pageCounter + 1);
    SetNupCellOrigin(pdev, TRUE);
    if (longLandscape && flow.joinedPages > 0) return TRUE;
    const LONG dpi = Dpi(pdev);
    PclCursorRotated(pdev, 0, 0);
    WritePclEscape(pdev, kPictureFrame, 't', "0", TRUE);
    HpglInputP1P2(pdev, 0, 0, kFrameP2, kFrameP2);
    HpglScale(pdev, dpi, dpi);
    return TRUE;
}

void RepeatPclJobSetup(PDEV* pdev)
{
    if (!pdev) return;
    const DRVEXTRA& ext = Ext(pdev);
    const LONG dpi = Dpi(pdev);
    SetHpglMode(pdev, FALSE);
    WriteNumber(pdev, kColourMode, 'm', ext.wColor == 1 ? 0 : 1, TRUE);
    WritePclEscape(pdev, kRaster, 'f', "0", TRUE);
    ForgetPrinterState(pdev);
    InitHpgl(pdev);
    SetHpglMode(pdev, FALSE);
    PclSelectColour(pdev, 1);
    SetupJobPalettes(pdev, nullptr, nullptr);
    SetHpglMode(pdev, FALSE);
    WriteNumber(pdev, kUnitOfMeasure, 'd', dpi, TRUE);
    if (dpi == DPI_FINE)
        WriteNumber(pdev, kRasterResolutionFine, 'r', dpi, TRUE);
    else
        WriteNumber(pdev, kRasterResolution, 'r', dpi, TRUE);
    if (ShortMenu(pdev) && ext.wColorMode) WritePclEscape(pdev, kRasterResolution, 'i', kGammaOne, TRUE);
    WriteNumber(pdev, kUnitOfMeasure, 'd', dpi, TRUE);
    WriteCopiesAndDuplex(pdev);
}

BOOL WriteRestartHeader(PDEV* pdev)
{
    if (!pdev || !(pdev->jobStatus & JOBSTATUS_QUALITY_CHANGED)) return TRUE;
    JOBFLOW& flow = pdev->flow;
    const LONG dpi = Dpi(pdev);
    TRAYMEDIA tray = {};
    LookupSheetTray(pdev, TRUE, &tray);
    flow.backSide = 0;

    SetHpglMode(pdev, FALSE);
    Write(pdev, kUel);
    if (const char* resolution = RestartResolution(dpi, pdev->resolutionMode))
        WritePjlSet(pdev, "TAVRESOLUTION", resolution);
    Write(pdev, kEnterPcl);
    ForgetPrinterState(pdev);
    WriteNumber(pdev, kColourMode, 'm', Ext(pdev).wColor == 1 ? 0 : 1, TRUE);
    Write(pdev, kPrinterReset);
    WritePclEscape(pdev, kRaster, 'f', "0", TRUE);
    InitHpgl(pdev);
    SetHpglMode(pdev, FALSE);
    SetupJobPalettes(pdev, nullptr, nullptr);
    SetHpglMode(pdev, FALSE);
    WriteNumber(pdev, kPageControl, 'h', tray.pclSource, TRUE);
    flow.currentSource = tray.pclSource;
    WriteNumber(pdev, kUnitOfMeasure, 'd', dpi, TRUE);
    WriteNumber(pdev, kRasterResolution, 'r', dpi, TRUE);
    WriteCopiesAndDuplex(pdev);

    // The reset took the printer's orientation, media and page size: the next page sends them.
    flow.currentOrientation = 0;
    flow.currentMediaType = -1;
    pdev->jobStatus |= JOBSTATUS_NEW_PAGE_FRAME;
    return TRUE;
}
