// The page flow of a vector job: document start, pages, sheets and the job buffers.
#include "page_flow.h"

#include <cstring>
#include <initializer_list>

#include "emit.h"
#include "format.h"
#include "job_header.h"
#include "model_queries.h"
#include "page_layout.h"
#include "page_setup.h"
#include "pdev.h"
#include "sheet_decor.h"

namespace {

// The raster block holds a row of the page and this much besides (command and compressor room).
constexpr DWORD RASTER_BLOCK_EXTRA = 15360;
// Bytes a pixel of a 24-bit row.
constexpr DWORD ROW_BYTES_PER_PIXEL = 3;
// Lengths in 0.1 mm below which a joined long-paper sheet takes 20, 5 and 2 pages.
constexpr LONG JOIN_20_BELOW = 508;
constexpr LONG JOIN_5_BELOW = 1270;
constexpr LONG JOIN_2_BELOW = 2540;

constexpr char kPrinterReset[] = "\033E";
constexpr char kDeleteSoftFonts[] = "\033*c0F";
// The PCL media name of a transparency begins with this.
constexpr char kTransparencyPrefix[] = "Tran";
// Written on an interleave sheet so that the printer does not take it for a blank page.
constexpr char kInterleaveMark[] = " ";

PDEV* PdevOf(SURFOBJ* pso)
{
    return pso ? reinterpret_cast<PDEV*>(pso->dhpdev) : nullptr;
}

void Write(PDEV* pdev, const char* text)
{
    DWORD written = 0;
    SpoolWrite(pdev, text, static_cast<DWORD>(strlen(text)), &written);
}

void FreeRow(BYTE*& block)
{
    if (block) GlobalFree(block);
    block = nullptr;
}

// A zero-filled block of bytes (NULL when memory is short); the earlier block goes first.
bool Allocate(BYTE*& block, DWORD bytes)
{
    FreeRow(block);
    block = static_cast<BYTE*>(GlobalAlloc(GPTR, bytes));
    return block != nullptr;
}

bool HasShortMenu(const PDEV* pdev)
{
    return pdev->model && (pdev->model->dwCapFlags & MIF_SHORTMENU);
}

// Turns the PCL print direction and the HP-GL/2 rotation of a landscape joined sheet back to 0.
void ResetJoinedDirection(PDEV* pdev)
{
    SetHpglMode(pdev, FALSE);
    PclPrintDirection(pdev, 0);
    SetHpglMode(pdev, TRUE);
    HpglRotate(pdev, 0);
    SetHpglMode(pdev, FALSE);
}

// The page length of a joined sheet's pages in 0.1 mm: the paper's length across the feed.
LONG JoinedPageLength(const PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    return pub.dmOrientation == DMORIENT_LANDSCAPE ? pub.dmPaperWidth : pub.dmPaperLength;
}

// The print offset's shift of the page origin in device pixels (0.1 mm settings); none in poster
// layout.
POINTL OriginShift(const PDEV* pdev)
{
    if (IsPosterLayout(pdev)) return {0, 0};
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const LONG dpi = pdev->resolution;
    return {static_cast<LONG>(ext.wOffsetX) * dpi / 254, static_cast<LONG>(ext.wOffsetY) * dpi / 254};
}

// Whether overlay entry selects the sheet of page counter n (0 for the first sheet).
bool OverlaySelects(const OVERLAY_ENTRY& entry, DWORD n)
{
    switch (entry.sPageSelect) {
    case OVERLAY_EVERY_PAGE:
        return true;
    case OVERLAY_FIRST_PAGE:
        return n == 0;
    case OVERLAY_ODD_PAGES:
        return n % 2 == 0;
    case OVERLAY_EVEN_PAGES:
        return n % 2 == 1;
    case OVERLAY_LISTED_PAGES: {
        const DWORD bit = n + 1;
        return bit / 8 < sizeof entry.PageSet && (entry.PageSet[bit / 8] & (1u << (bit % 8)));
    }
    default:
        return false;
    }
}

// The first page's set-up and the job header: the N-up sheet's orientation, a new page frame and,
// for a booklet, the origin shift turned with the booklet.
void BeginJob(PDEV* pdev)
{
    WriteJobHeader(pdev);
    if (IsNupLayout(pdev) && IsLandscapePage(pdev)) pdev->geo.nupMode |= NUPMODE_FIRST_LANDSCAPE;
    pdev->jobStatus |= JOBSTATUS_HEADER_WRITTEN | JOBSTATUS_NEW_PAGE_FRAME;
    if (IsBookletLayout(pdev)) {
        POINTL& shift = pdev->geo.originShift;
        const POINTL old = shift;
        const bool landscape = IsLandscapePage(pdev);
        if ((pdev->devmode.dmPrivate.dwBookletFlags & BOOKLET_RESET_TURNED) && !landscape)
            shift = {old.y, -old.x};
        else if (!(pdev->devmode.dmPrivate.dwBookletFlags & BOOKLET_RESET_TURNED) && landscape)
            shift = {-old.y, old.x};
    }
}

}  // namespace

DWORD JoinedPagesPerSheet(LONG pageLength, DWORD marginDots)
{
    const LONG margin = static_cast<LONG>((static_cast<ULONGLONG>(marginDots) * 2540 + 3000) / 6000);
    const LONG sheet = pageLength + margin;
    if (sheet < JOIN_20_BELOW) return 20;
    if (sheet < JOIN_5_BELOW) return 5;
    if (sheet < JOIN_2_BELOW) return 2;
    return 1;
}

DWORD JoinedPagesPerSheet(const PDEV* pdev)
{
    return JoinedPagesPerSheet(JoinedPageLength(pdev), pdev->devmode.dmPrivate.wSlpMargin);
}

BOOL AllocJobBuffers(PDEV* pdev)
{
    const DWORD row = pdev->flow.rowBytes;
    bool ok = row != 0 && row <= MAXDWORD - RASTER_BLOCK_EXTRA && OpenSpoolBuffer(&pdev->spool);
    // A document continued after a reset keeps the staging buffer it took over.
    if (ok && !pdev->cryptStaging.start) ok = OpenSpoolBuffer(&pdev->cryptStaging);
    if (ok) {
        pdev->rasterBlockBytes = row + RASTER_BLOCK_EXTRA;
        ok = Allocate(pdev->rasterBlock.start, pdev->rasterBlockBytes);
        pdev->rasterBlock.cursor = pdev->rasterBlock.start;
        pdev->rasterBlock.count = 0;
    }
    ok = ok && Allocate(pdev->seedRows[0], row + 1) && Allocate(pdev->seedRows[1], row + 1) &&
         Allocate(pdev->workRow, row);
    if (ok) return TRUE;
    if (pdev->docName) GlobalFree(pdev->docName);
    pdev->docName = nullptr;
    FreeJobBuffers(pdev);
    return FALSE;
}

void FreeJobBuffers(PDEV* pdev)
{
    CloseSpoolBuffer(&pdev->spool);
    CloseSpoolBuffer(&pdev->cryptStaging);
    FreeRow(pdev->rasterBlock.start);
    pdev->rasterBlock = {};
    pdev->rasterBlockBytes = 0;
    FreeRow(pdev->seedRows[0]);
    FreeRow(pdev->seedRows[1]);
    FreeRow(pdev->workRow);
}

BOOL StartDocVector(SURFOBJ* pso, LPCWSTR docName)
{
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev)) return FALSE;
    pdev->jobStatus |= JOBSTATUS_DOC_STARTED;
    const bool continued = (pdev->jobStatus & JOBSTATUS_CONTINUED) != 0;
    JOBFLOW& flow = pdev->flow;
    PAGEGEOMETRY& geo = pdev->geo;
    if (!continued) {
        // A new job: the failure of an earlier document on this PDEV is not this job's.
        pdev->jobStatus &= ~JOBSTATUS_FAILED;
        const DWORD finisherSides = flow.finisherSides;
        flow = {};
        flow.finisherSides = finisherSides;
        flow.currentSource = -1;
        flow.currentMediaType = -1;
        pdev->pageCount = 0;
        geo.cellsFilled = 0;
        geo.posterTile = 0;
        geo.originShift = OriginShift(pdev);
        // Every cached command is written again until the first page is set up.
        pdev->resendAll = TRUE;
        pdev->hpgl.fontId = -1;
        pdev->hpgl.patternId = HPGL_NO_PATTERN;
        if (!HasShortMenu(pdev)) {
            pdev->hpgl.textPath = -1;
            pdev->hpgl.textParsing = -1;
        }
        flow.plainOrigin = !IsPosterLayout(pdev) && geo.originShift.x == 0 && geo.originShift.y == 0;
        if (pdev->docName) GlobalFree(pdev->docName);
        pdev->docName = nullptr;
        if (docName) {
            const size_t bytes = (wcslen(docName) + 1) * sizeof(WCHAR);
            pdev->docName = static_cast<LPWSTR>(GlobalAlloc(GPTR, bytes));
            if (!pdev->docName) return FALSE;
            memcpy(pdev->docName, docName, bytes);
        }
    }

    // One 24-bit row of the wider of the page and the sheet, either way round.
    LONG widest = geo.logicalWidth;
    for (LONG w : {geo.logicalHeight, geo.surfaceWidth, geo.surfaceHeight})
        if (w > widest) widest = w;
    const ULONGLONG row = static_cast<ULONGLONG>(widest > 0 ? widest : 1) * ROW_BYTES_PER_PIXEL;
    flow.rowBytes = row <= MAXDWORD / 2 ? static_cast<DWORD>(row) : 0;
    if (!AllocJobBuffers(pdev)) return FALSE;
    if (!continued && !PrepareSecureJob(pdev)) {
        FreeJobBuffers(pdev);
        return FALSE;
    }

    if (continued && geo.cellsFilled == 0) {
        flow.firstAfterRestart = 1;
        WriteRestartHeader(pdev);
    } else {
        flow.combinedRotation = (geo.sheetRotation + geo.backSideRotation) % 360;
    }
    return TRUE;
}

BOOL StartPageVector(SURFOBJ* pso)
{
    if (!pso) return TRUE;
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev)) return FALSE;
    // After a failed write the job is over: later pages write nothing.
    if (pdev->jobStatus & JOBSTATUS_FAILED) return FALSE;
    JOBFLOW& flow = pdev->flow;
    PAGEGEOMETRY& geo = pdev->geo;
    flow.surface = pso;

    if (flow.pageCounter == 0 && !(pdev->jobStatus & JOBSTATUS_HEADER_WRITTEN)) BeginJob(pdev);

    const bool nup = IsNupLayout(pdev);
    if (geo.cellsFilled != 0 || flow.joinedPages != 0) {
        SetupCellFrame(pdev);
    } else {
        if (nup && flow.pageCounter == 0) {
            if (IsLandscapePage(pdev))
                geo.nupMode |= NUPMODE_FIRST_LANDSCAPE;
            else
                geo.nupMode &= ~NUPMODE_FIRST_LANDSCAPE;
        }
        SetupPage(pdev);
        pdev->resendAll = FALSE;
        flow.firstAfterRestart = 0;
        PrintPageOverlays(pdev);
    }
    if (nup) ++geo.cellsFilled;
    if (geo.superLong) ++flow.joinedPages;
    if (nup) ComputeBindingEdge(pdev);
    ++pdev->pageCount;
    flow.backSide ^= 1;
    return TRUE;
}

BOOL CheckAbortVector(SURFOBJ* pso)
{
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev) || (pdev->jobStatus & JOBSTATUS_FAILED)) return FALSE;
    if (!EngCheckAbort(pso)) return TRUE;
    Write(pdev, kPrinterReset);
    return FALSE;
}

BOOL SendPageVector(SURFOBJ* pso)
{
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev) || (pdev->jobStatus & JOBSTATUS_FAILED)) return FALSE;
    JOBFLOW& flow = pdev->flow;
    PAGEGEOMETRY& geo = pdev->geo;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;

    if (IsNupLayout(pdev) && geo.cellsFilled < ext.dwNupX * ext.dwNupY) return TRUE;
    if (geo.superLong) {
        const DWORD perSheet = JoinedPagesPerSheet(pdev);
        if (flow.joinedLandscape) ResetJoinedDirection(pdev);
        if (flow.joinedPages < perSheet) return TRUE;
    }

    const BOOL result = CheckAbortVector(pso);
    WriteInterleaveSheet(pdev);
    ++flow.pageCounter;
    ++geo.posterTile;
    // A secure job's bytes leave only through its container.
    if (ext.wSecureMode == SECUREMODE_NONE && !FlushSpoolBuffer(pdev)) return FALSE;
    pdev->jobStatus &= ~JOBSTATUS_ROTATED_PAGES;
    geo.cellsFilled = 0;
    geo.sheetRotation = 0;
    flow.joinedPages = 0;
    return result;
}

BOOL FinishPendingSheet(PDEV* pdev)
{
    PAGEGEOMETRY& geo = pdev->geo;
    JOBFLOW& flow = pdev->flow;
    geo.sheetOrigin = geo.savedSheetOrigin;
    WriteInterleaveSheet(pdev);
    ++flow.pageCounter;
    ++geo.posterTile;
    geo.cellsFilled = 0;
    flow.joinedPages = 0;
    pdev->jobStatus &= ~JOBSTATUS_ROTATED_PAGES;
    return (pdev->jobStatus & JOBSTATUS_FAILED) ? FALSE : TRUE;
}

BOOL FinishJoinedSheet(PDEV* pdev)
{
    if (!pdev->geo.superLong) return TRUE;
    ResetJoinedDirection(pdev);
    const DWORD joined = pdev->flow.joinedPages;
    if (joined == 0 || joined >= JoinedPagesPerSheet(pdev)) return TRUE;
    return FinishPendingSheet(pdev);
}

void WriteInterleaveSheet(PDEV* pdev)
{
    DrawSheetDecorations(pdev);
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (ext.wInterleave == 0) return;
    TRAYMEDIA printed = {};
    LookupSheetTray(pdev, FALSE, &printed);
    if (!printed.pclMediaName || strncmp(printed.pclMediaName, kTransparencyPrefix, strlen(kTransparencyPrefix)) != 0)
        return;

    TRAYMEDIA interleave = {};
    LookupTrayMedia(ext.wInterleaveSource, 0, FALSE, pdev, &interleave);
    const WORD paper = static_cast<WORD>(pdev->devmode.dmPublic.dmPaperSize);
    const bool envelopeUserType = pdev->modelFlag25 && paper >= 272 && paper <= 274;
    LONG source = envelopeUserType ? 4 : interleave.pclSource;
    pdev->flow.currentMediaType = -1;
    pdev->flow.currentSource = source;
    char value[16];
    FormatString(value, sizeof value, "%d", source);
    SetHpglMode(pdev, FALSE);
    WritePclEscape(pdev, "\033&l", 'h', value, TRUE);
    // The envelopes of an envelope-mode model go by an empty media name.
    PclMediaTypeName(pdev, envelopeUserType || !interleave.pclMediaName ? "" : interleave.pclMediaName);
    Write(pdev, kInterleaveMark);
    DrawSheetDecorations(pdev);
}

void PrintPageOverlays(PDEV* pdev)
{
    const DWORD n = pdev->flow.pageCounter;
    bool played = false;
    const DWORD count = pdev->overlayCount < ESC_MAX_OVERLAYS ? pdev->overlayCount : ESC_MAX_OVERLAYS;
    for (DWORD i = 0; i < count; ++i) {
        const OVERLAY_ENTRY& entry = pdev->overlays[i];
        if (!OverlaySelects(entry, n)) continue;
        for (SHORT macro : entry.sMacro) {
            if (macro == -1) break;
            PclCallMacro(pdev, macro);
        }
        played = true;
    }
    if (!played) return;
    // The macros may have changed fonts, patterns, palettes and the HP-GL/2 state: set them again.
    HPGLSTATE& s = pdev->hpgl;
    s.fontId = -1;
    s.patternId = HPGL_NO_PATTERN;
    Write(pdev, kDeleteSoftFonts);
    for (auto& palette : s.palettes) {
        for (DWORD& entry : palette) entry = HPGL_COLOUR_UNKNOWN;
        palette[HPGL_PALETTE_ENTRIES - 1] = 0;
    }
    s.selectedColour = HPGL_COLOUR_UNKNOWN;
    s.currentPalette = -1;
    SetupJobPalettes(pdev, nullptr, nullptr);
    if (!HasShortMenu(pdev)) {
        WriteTextDefaults(pdev);
    }
    ResetHpglLineAndPattern(pdev);
}
