// The PDEV's life: enable, reset and disable.
#include "pdev.h"

#include <winspool.h>

#include <cstring>

#include "devmode_merge.h"
#include "drvglobals.h"
#include "emit.h"
#include "exception_guard.h"
#include "halftone.h"
#include "model_queries.h"
#include "modeltable.h"
#include "page_geometry.h"
#include "printer_data.h"
#include "spoolerinfo.h"

namespace {

// The rendering library's file (the printer's driver path), kept process-wide: vector mode loads
// it as a module for its glyph-set resources.
WCHAR g_szDriverPath[MAX_PATH];

// Paper that the engine's DEVMODE names with its orientation turned (the double postcard,
// rotated): the merge takes it with the other orientation.
constexpr short PAPER_DOUBLE_POSTCARD_ROTATED = 82;
// Free sizes and user papers as the page geometry takes them.
constexpr WORD PAPER_FREE_SIZE = 256;
constexpr WORD PAPER_LONG = 275;
constexpr WORD PAPER_USER_FIRST = 276;
constexpr WORD PAPER_USER_LONG_FIRST = 536;
constexpr WORD PAPER_USER_LONG_LAST = 576;
// wJobType of a proof job; dwFitFlags bit 4 asks for the finisher's free size.
constexpr WORD JOBTYPE_NORMAL = 0;
constexpr WORD JOBTYPE_PROOF = 1;
constexpr DWORD FITFLAG_FINISHER_SIZE = 0x10;
// wBinding: the binding margin is on.
constexpr WORD BINDING_MARGIN_ON = 0x10;
constexpr WORD BINDING_BOOKLET_MARGIN = 18;
// wColor of a greyscale job as the renderer keeps it.
constexpr WORD COLOR_GREY_RENDERING = 8;
// wOptions bit 1: build the halftone in vector mode too.
constexpr WORD OPT_VECTOR_HALFTONE = 0x2;
// Booklet N-up orders: right to left in portrait and landscape, and left to right.
constexpr DWORD NUPORDER_BOOKLET_RTL_PORTRAIT = 0x20001;
constexpr DWORD NUPORDER_BOOKLET_RTL_LANDSCAPE = 0x80004;
constexpr DWORD NUPORDER_BOOKLET = 0x10001;
// The right edge of the clip state's bounds.
constexpr LONG CLIP_BOUND_MAX = 4095;
// The brush cache's first pattern id.
constexpr DWORD FIRST_BRUSH_ID = 256;
// The font-state block.
constexpr SIZE_T FONT_STATE_BYTES = 4;
// The DEVMODE words copied at every reset: preview, toner save, size check, installed duplex and
// IC-card printing (offsets 4360..4379).
constexpr size_t RESET_WORDS_OFFSET = offsetof(DRVEXTRA, dwPreview);
constexpr size_t RESET_WORDS_END = offsetof(DRVEXTRA, dwICPrintName) + sizeof(DWORD);
static_assert(RESET_WORDS_OFFSET + sizeof(DEVMODEW) == 4360 && RESET_WORDS_END + sizeof(DEVMODEW) == 4380);

void FreeBlock(void* block)
{
    if (block) GlobalFree(block);
}

// The printer's device-font table into the PDEV. FALSE (all font fields zero) when it cannot be
// loaded.
BOOL LoadDeviceFonts(PDEV* pdev)
{
    pdev->fonts = {};
    const MODELRECORD* record = DrvFindModelRecord(pdev->devmode.dmPrivate.szModelName);
    DEVICEFONTTABLE* table = record ? LoadDeviceFontTable(pdev->hPrinter, record) : nullptr;
    if (!table) return FALSE;
    pdev->fonts.table = table;
    pdev->fonts.count = GetDeviceFontCount(table);
    pdev->fonts.records = GetDeviceFontRecords(table);
    pdev->fonts.hiddenCount = CountHiddenDeviceFonts(table);
    pdev->fonts.auxCount = GetDeviceFontAuxCount(table);
    pdev->fonts.auxRecords = GetDeviceFontAuxTable(table);
    pdev->fonts.searchedCount = pdev->fonts.count;
    pdev->fonts.searched = pdev->fonts.records;
    return TRUE;
}

// Everything the PDEV owns, then the PDEV itself. The signatures are cleared first, so that a
// pointer kept past this call is refused by every hook.
void ReleasePDEV(PDEV* pdev)
{
    pdev->signature1 = pdev->signature2 = 0;
    FreeDeviceFontTable(pdev->fonts.table);
    pdev->fonts = {};
    FreeHalftoneMatrix(pdev);
    if (pdev->hDriverModule) FreeLibrary(pdev->hDriverModule);
    if (pdev->hpalDefault) EngDeletePalette(pdev->hpalDefault);
    // The band memory normally goes with the surface; it is freed here when the surface was not
    // disabled, unless a reset's successor took it over.
    if (!(pdev->jobStatus & JOBSTATUS_KEEP_BAND_MEMORY)) FreeBlock(pdev->band.memory);
    FreeBlock(pdev->docName);
    FreeBlock(pdev->fontState);
    FreeJobBuffers(pdev);
    UnloadImageLibrary(pdev);
    ReleaseSecureJob(pdev);
    FreeEscapeItems(pdev);
    FreeHpglState(pdev);
    GlobalFree(pdev);
}

// The caller's DEVMODE as the merge is to take it. A double postcard (rotated) is merged with its
// orientation exchanged; the exchange is made on a copy, so the caller's record is never written.
const DEVMODEW* PrepareCallerDevmode(const DEVMODEW* pdm, DRVDEVMODE* copy)
{
    if (!pdm || pdm->dmSize <= offsetof(DEVMODEW, dmPaperSize) + sizeof(short) ||
        pdm->dmPaperSize != PAPER_DOUBLE_POSTCARD_ROTATED)
        return pdm;
    const size_t declared = static_cast<size_t>(pdm->dmSize) + pdm->dmDriverExtra;
    const size_t bytes = declared < sizeof *copy ? declared : sizeof *copy;
    memset(copy, 0, sizeof *copy);
    memcpy(copy, pdm, bytes);
    if (copy->dmPublic.dmOrientation == DMORIENT_PORTRAIT)
        copy->dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    else if (copy->dmPublic.dmOrientation == DMORIENT_LANDSCAPE)
        copy->dmPublic.dmOrientation = DMORIENT_PORTRAIT;
    return &copy->dmPublic;
}

// Poster layout: one page per sheet, fit to the paper.
void ApplyPosterLayout(DRVDEVMODE& dm)
{
    DRVEXTRA& ext = dm.dmPrivate;
    if (!(ext.dwFitFlags & FITFLAG_ON)) {
        ext.dwFitFlags |= FITFLAG_ON;
        ext.dwFitPaper = static_cast<WORD>(dm.dmPublic.dmPaperSize);
        ext.wFitWidth = static_cast<WORD>(dm.dmPublic.dmPaperWidth);
        ext.wFitLength = static_cast<WORD>(dm.dmPublic.dmPaperLength);
    }
    ext.wBinding &= static_cast<WORD>(~BINDING_MARGIN_ON);
    ext.wOptions |= OPT_DRIVEREXPAND;
    ext.dwFitScale = 100;
    ext.dwNupX = 1;
    ext.dwNupY = 1;
}

// Booklet layout: two (or with the 2-up flag four) pages a sheet side, bound along the fold.
void ApplyBookletLayout(DRVDEVMODE& dm)
{
    DRVEXTRA& ext = dm.dmPrivate;
    dm.dmPublic.dmDuplex = DMDUP_VERTICAL;
    ext.dwNupY = 2;
    if (ext.dwBookletFlags & BOOKLET_TWOUP) {
        ext.dwNupPages = 4;
        ext.dwNupX = 2;
    } else {
        ext.dwNupPages = 2;
        ext.dwNupX = 1;
    }
    ext.dwPageBorder = 0;
    ext.wPortDirect = 0;
    if (ext.dwBookletFlags & BOOKLET_RIGHTTOLEFT) {
        ext.wRotate180 = 1;
        ext.dwNupOrder = dm.dmPublic.dmOrientation == DMORIENT_LANDSCAPE ? NUPORDER_BOOKLET_RTL_LANDSCAPE
                                                                         : NUPORDER_BOOKLET_RTL_PORTRAIT;
    } else {
        ext.dwNupOrder = NUPORDER_BOOKLET;
        ext.wRotate180 = 0;
    }
    if (ext.wBinding & BINDING_MARGIN_ON) ext.wBinding = BINDING_BOOKLET_MARGIN;
}

}  // namespace

bool IsRasterMode(const PDEV* pdev)
{
    return pdev->devmode.dmPrivate.wRasterMode != RASTERMODE_VECTOR;
}

BOOL IsValidPDEV(const PDEV* pdev)
{
    return pdev && pdev->signature1 == PDEV_SIGNATURE && pdev->signature2 == PDEV_SIGNATURE;
}

BOOL InitPDEVFromDevmode(PDEV* pdev, const DEVMODEW* pdm, LPCWSTR driverName)
{
    pdev->signature1 = pdev->signature2 = PDEV_SIGNATURE;
    pdev->docName = nullptr;
    pdev->geo = {};
    pdev->geo.zoom = ZOOM_NONE;
    pdev->nextBrushId = FIRST_BRUSH_ID;
    pdev->clipBounds = {0, 0, CLIP_BOUND_MAX, CLIP_BOUND_MAX};
    pdev->lastEscapeFinal = TRUE;
    ResetHpglState(pdev);
    pdev->osVersion = {};
    pdev->model = DrvLookupModelInfo(driverName);
    if (!pdev->model) return FALSE;
    pdev->fontState = static_cast<BYTE*>(GlobalAlloc(GPTR, FONT_STATE_BYTES));
    if (!pdev->fontState) return FALSE;
    pdev->jobStatus = 0;

    DRVDEVMODE& dm = pdev->devmode;
    if (!DrvBuildDefaultDevmode(&dm, driverName, pdev->hPrinter)) return FALSE;
    if (pdm && !DrvMergeDevmode(&dm, pdm)) return FALSE;
    DRVEXTRA& ext = dm.dmPrivate;
    DEVMODEW& pub = dm.dmPublic;

    // The page set-up reads whether a finisher is installed from the shared model information.
    if (ext.wDeviceOption & DEVOPT_FINISHER)
        pdev->model->wFinisherType |= FINISHERTYPE_INSTALLED;
    else
        pdev->model->wFinisherType &= static_cast<WORD>(~FINISHERTYPE_INSTALLED);

    pub.dmPrintQuality = ext.wQuality;
    pdev->resolution = DrvGetResolutionDpi(pdev->model, &pub.dmPrintQuality);
    pdev->resolutionMode = static_cast<WORD>(DrvGetResolutionMode(pdev->model, pub.dmPrintQuality, ext.wFineScreen));

    if (ext.wJobType == JOBTYPE_PROOF && pub.dmCopies == 1) ext.wJobType = JOBTYPE_NORMAL;
    if (ext.wColor == 0) ext.wColor = COLOR_GREY_RENDERING;
    if (ext.dwFinishingMode == FINISHINGMODE_POSTER) ApplyPosterLayout(dm);
    if (ext.dwFinishingMode == FINISHINGMODE_BOOKLET) ApplyBookletLayout(dm);

    pdev->paperBeforeFit = static_cast<WORD>((ext.dwFitFlags & FITFLAG_ON) ? ext.dwFitPaper : pub.dmPaperSize);
    if (ext.dwFitPaper == PAPER_FREE_SIZE || ext.dwFitPaper >= PAPER_USER_FIRST)
        ext.dwFitPaper = (ext.dwFitFlags & FITFLAG_FINISHER_SIZE) ? PAPERID_CUSTOM_FINISHER : PAPERID_CUSTOM;

    if (ext.wZoom && pub.dmScale < 100 && pub.dmScale > 0) {
        pdev->geo.zoom = static_cast<WORD>(pub.dmScale * 10);
        pub.dmScale = 100;
    }

    const WORD paper = static_cast<WORD>(pub.dmPaperSize);
    if (paper >= PAPER_USER_LONG_FIRST && paper <= PAPER_USER_LONG_LAST)
        pub.dmPaperSize = PAPER_LONG;
    else if (paper == PAPER_FREE_SIZE || paper >= PAPER_USER_FIRST)
        pub.dmPaperSize = static_cast<short>(ext.wCustomKind ? PAPERID_CUSTOM_FINISHER : PAPERID_CUSTOM);

    pub.dmYResolution = static_cast<short>(pdev->resolution);
    if (!SetupPageGeometry(pdev)) return FALSE;
    pdev->copies = static_cast<DWORD>(pub.dmCopies > 0 ? pub.dmCopies : 1);
    pdev->pageCount = 0;
    return TRUE;
}

namespace {

// The dither table of the PDEV's model, resolution and grey mode, and its threshold matrix.
BOOL SetUpHalftone(PDEV* pdev)
{
    pdev->halftone.table =
        DrvSelectDitherTable(pdev->devmode.dmPrivate.szModelName, pdev->resolution, pdev->devmode.dmPrivate.wGrayMode);
    return BuildHalftoneMatrix(pdev);
}

PDEV* EnablePDEVImpl(DEVMODEW* pdm, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps, ULONG* pdevcaps,
                     ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName, HANDLE hDriver)
{
    if (!hDriver || !pwszDeviceName || !hdev) return nullptr;

    auto* driver = static_cast<DRIVER_INFO_2W*>(DrvGetPrinterDriverInfo(hDriver, 2));
    if (!driver) return nullptr;
    WCHAR driverName[DRV_MODELNAME_CCH];
    const bool nameFits = driver->pName && DrvWideLength(driver->pName) < DRV_MODELNAME_CCH;
    const bool pathFits = driver->pDriverPath && DrvWideLength(driver->pDriverPath) < MAX_PATH;
    if (nameFits) DrvCopyWidePadded(driverName, driver->pName, DRV_MODELNAME_CCH);
    if (pathFits) DrvCopyWidePadded(g_szDriverPath, driver->pDriverPath, MAX_PATH);
    GlobalFree(driver);
    if (!nameFits || !pathFits) return nullptr;

    DrvRefreshModel(driverName, nullptr);
    if (!DrvLookupModelInfo(driverName)) return nullptr;

    auto* pdev = static_cast<PDEV*>(GlobalAlloc(GPTR, sizeof(PDEV)));
    if (!pdev) return nullptr;
    pdev->hPrinter = hDriver;

    DRVDEVMODE turned;
    if (!InitPDEVFromDevmode(pdev, PrepareCallerDevmode(pdm, &turned), driverName)) {
        ReleasePDEV(pdev);
        return nullptr;
    }
    pdev->modelFlag25 = pdev->model->dwCapFlags & MIF_ENVMODE;

    BOOL ok = FALSE;
    if (IsRasterMode(pdev)) {
        ok = SetUpHalftone(pdev) && BuildGdiInfoRaster(pdev, cjCaps, reinterpret_cast<GDIINFO*>(pdevcaps));
        if (ok) {
            ReadPrinterDataValues(pdev);
            ok = BuildDevInfoRaster(pdev, cjDevInfo, pdi);
        }
    } else {
        ok = LoadDeviceFonts(pdev) || !(pdev->model->dwCapFlags & MIF_RESIDENTFONT);
        if (ok) {
            pdev->hDriverModule = LoadLibraryW(g_szDriverPath);
            ok = pdev->hDriverModule != nullptr;
        }
        const DRVEXTRA& ext = pdev->devmode.dmPrivate;
        if (ok && (ext.wColor == 0 || (ext.wOptions & OPT_VECTOR_HALFTONE))) ok = SetUpHalftone(pdev);
        if (ok) ok = BuildGdiInfoVector(pdev, cjCaps, reinterpret_cast<GDIINFO*>(pdevcaps));
        if (ok) {
            ReadPrinterDataValues(pdev);
            ok = BuildDevInfoVector(pdev, cjDevInfo, pdi);
        }
    }
    if (!ok) {
        ReleasePDEV(pdev);
        return nullptr;
    }
    // The driver has no pattern surfaces of its own: the engine makes the standard hatches.
    if (phsurfPatterns)
        for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = nullptr;
    return pdev;
}

// What a successor of a PDEV takes over when no document was started on it.
void CopyResetWords(const PDEV* from, PDEV* to)
{
    const auto* src = reinterpret_cast<const BYTE*>(&from->devmode.dmPrivate);
    auto* dst = reinterpret_cast<BYTE*>(&to->devmode.dmPrivate);
    memcpy(dst + RESET_WORDS_OFFSET, src + RESET_WORDS_OFFSET, RESET_WORDS_END - RESET_WORDS_OFFSET);
}

// The manual-duplex words (sheets, on, the output-bin copy), which move once a job header exists.
void CopyManualDuplexWords(const PDEV* from, PDEV* to)
{
    to->devmode.dmPrivate.dwManualDuplexSheets = from->devmode.dmPrivate.dwManualDuplexSheets;
    to->devmode.dmPrivate.wManualDuplex = from->devmode.dmPrivate.wManualDuplex;
    to->devmode.dmPrivate.wOutputBinCopy = from->devmode.dmPrivate.wOutputBinCopy;
}

// Whether the N-up page of a sheet stays the same across a reset: paper (outside booklet),
// quality, source, columns and rows.
bool SameNupPage(const PDEV* a, const PDEV* b)
{
    const DRVDEVMODE& x = a->devmode;
    const DRVDEVMODE& y = b->devmode;
    const bool booklet = x.dmPrivate.dwFinishingMode == FINISHINGMODE_BOOKLET;
    return (booklet || x.dmPublic.dmPaperSize == y.dmPublic.dmPaperSize) &&
           x.dmPublic.dmPrintQuality == y.dmPublic.dmPrintQuality &&
           x.dmPublic.dmDefaultSource == y.dmPublic.dmDefaultSource && x.dmPrivate.dwNupX == y.dmPrivate.dwNupX &&
           x.dmPrivate.dwNupY == y.dmPrivate.dwNupY;
}

// The rotation of the pages that continue an unfinished N-up sheet after the orientation changed.
DWORD ContinuedSheetRotation(const PDEV* oldPdev, const PDEV* newPdev)
{
    const DRVDEVMODE& dm = oldPdev->devmode;
    const bool newLandscape = newPdev->devmode.dmPublic.dmOrientation == DMORIENT_LANDSCAPE;
    if (dm.dmPrivate.dwFinishingMode == FINISHINGMODE_BOOKLET) {
        const DWORD flags = dm.dmPrivate.dwBookletFlags;
        const bool exactlyOne = ((flags & BOOKLET_TWOUP) != 0) != ((flags & BOOKLET_RIGHTTOLEFT) != 0);
        const bool oldPortrait = dm.dmPublic.dmOrientation != DMORIENT_LANDSCAPE;
        return (exactlyOne == oldPortrait) ? 270 : 90;
    }
    const WORD order = static_cast<WORD>(newPdev->devmode.dmPrivate.dwNupOrder & 0xFFFF);
    if (order == 1 || order == 2) return newLandscape ? 90 : 270;
    return newLandscape ? 270 : 90;
}

void ResetPDEVVector(PDEV* oldPdev, PDEV* newPdev)
{
    const DRVDEVMODE& od = oldPdev->devmode;
    const DRVDEVMODE& nd = newPdev->devmode;
    if (od.dmPublic.dmPaperSize != nd.dmPublic.dmPaperSize || (oldPdev->jobStatus & JOBSTATUS_NEW_PAGE_FRAME))
        newPdev->jobStatus |= JOBSTATUS_NEW_PAGE_FRAME;
    if (od.dmPublic.dmPrintQuality != nd.dmPublic.dmPrintQuality) newPdev->jobStatus |= JOBSTATUS_QUALITY_CHANGED;

    FreeBlock(newPdev->docName);
    newPdev->docName = oldPdev->docName;
    oldPdev->docName = nullptr;

    // An unfinished N-up sheet whose page is unchanged continues on the new PDEV.
    if ((oldPdev->geo.nupMode & NUPMODE_ON) && oldPdev->geo.cellsFilled && SameNupPage(oldPdev, newPdev)) {
        if (od.dmPublic.dmOrientation == nd.dmPublic.dmOrientation) {
            newPdev->pageRotation = oldPdev->pageRotation;
            newPdev->jobStatus |= oldPdev->jobStatus & JOBSTATUS_ROTATED_PAGES;
        } else if (oldPdev->jobStatus & JOBSTATUS_ROTATED_PAGES) {
            newPdev->pageRotation = 0;
        } else {
            newPdev->jobStatus |= JOBSTATUS_ROTATED_PAGES;
            newPdev->pageRotation = ContinuedSheetRotation(oldPdev, newPdev);
        }
        newPdev->geo.cellsFilled = oldPdev->geo.cellsFilled;
        newPdev->geo.sheetOrigin = oldPdev->geo.sheetOrigin;
        newPdev->geo.savedSheetOrigin = oldPdev->geo.savedSheetOrigin;
        newPdev->geo.savedPrintableWidth = oldPdev->geo.savedPrintableWidth;
        newPdev->geo.savedPrintableHeight = oldPdev->geo.savedPrintableHeight;
    }
    if (newPdev->geo.nupMode & NUPMODE_ON)
        newPdev->geo.nupMode = (newPdev->geo.nupMode & ~NUPMODE_FIRST_LANDSCAPE) |
                               (oldPdev->geo.nupMode & NUPMODE_FIRST_LANDSCAPE);
    else
        newPdev->geo.nupMode = 0;

    newPdev->pageCount = oldPdev->pageCount;
    // The page flow's counters and caches go on with the job.
    newPdev->flow = oldPdev->flow;
    newPdev->flow.surface = nullptr;
    newPdev->geo.posterTile = oldPdev->geo.posterTile;
    newPdev->geo.originShift = oldPdev->geo.originShift;
    newPdev->jobStatus |= JOBSTATUS_CONTINUED | (oldPdev->jobStatus & (JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN));
    newPdev->nextBrushId = oldPdev->nextBrushId;
    newPdev->lastEscapeFinal = oldPdev->lastEscapeFinal;
    newPdev->osVersion = oldPdev->osVersion;

    // The watermark travels with the job.
    DRVEXTRA& ne = newPdev->devmode.dmPrivate;
    const DRVEXTRA& oe = od.dmPrivate;
    ne.wWmkSize = oe.wWmkSize;
    ne.wWmkAngle = oe.wWmkAngle;
    ne.dwWmkColor = oe.dwWmkColor;
    ne.wWmkX = oe.wWmkX;
    ne.wWmkY = oe.wWmkY;
    memcpy(ne.szWatermarkName, oe.szWatermarkName, sizeof ne.szWatermarkName);
    memcpy(ne.szWatermarkFont, oe.szWatermarkFont, sizeof ne.szWatermarkFont);
    memcpy(ne.szWatermarkText2, oe.szWatermarkText2, sizeof ne.szWatermarkText2);
    memcpy(ne.szWatermarkText, oe.szWatermarkText, sizeof ne.szWatermarkText);
    ne.dwWmkWeight = oe.dwWmkWeight;
    ne.bWmkItalic = oe.bWmkItalic;
    ne.bWmkCharSet = oe.bWmkCharSet;
    ne.wWmkPosition = oe.wWmkPosition;
    ne.wWmkFrame = oe.wWmkFrame;
    ne.wWmkJobInfo = oe.wWmkJobInfo;
    ne.wWatermarkFlags = oe.wWatermarkFlags;

    if (oldPdev->jobStatus & JOBSTATUS_HEADER_WRITTEN) CopyManualDuplexWords(oldPdev, newPdev);
    CopyResetWords(oldPdev, newPdev);
}

void ResetPDEVRaster(PDEV* oldPdev, PDEV* newPdev)
{
    if (oldPdev->geo.cellsFilled && (oldPdev->geo.nupMode & NUPMODE_ON)) {
        FreeBlock(newPdev->docName);
        newPdev->docName = oldPdev->docName;
        oldPdev->docName = nullptr;
        const DRVDEVMODE& od = oldPdev->devmode;
        const DRVDEVMODE& nd = newPdev->devmode;
        if (SameNupPage(oldPdev, newPdev) && od.dmPublic.dmOrientation == nd.dmPublic.dmOrientation &&
            !newPdev->band.memory) {
            // The sheet's band memory, with the pages already drawn on it, passes to the new PDEV.
            oldPdev->jobStatus |= JOBSTATUS_KEEP_BAND_MEMORY;
            newPdev->jobStatus |= JOBSTATUS_KEEP_BAND_MEMORY;
            newPdev->band.memory = oldPdev->band.memory;
            newPdev->geo.cellsFilled = oldPdev->geo.cellsFilled;
        }
    }
    newPdev->pageCount = oldPdev->pageCount;
    newPdev->jobStatus |= JOBSTATUS_CONTINUED | (oldPdev->jobStatus & (JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN));
    if (oldPdev->jobStatus & JOBSTATUS_HEADER_WRITTEN) CopyManualDuplexWords(oldPdev, newPdev);
}

BOOL ResetPDEVImpl(PDEV* oldPdev, PDEV* newPdev)
{
    if (!IsValidPDEV(oldPdev) || !IsValidPDEV(newPdev)) return FALSE;
    // What the job sent by escape stays with the job.
    MoveEscapeItems(oldPdev, newPdev);
    MoveHpglState(newPdev, oldPdev);
    const bool raster = IsRasterMode(oldPdev);
    if (!(oldPdev->jobStatus & JOBSTATUS_DOC_STARTED)) {
        if (!raster) CopyResetWords(oldPdev, newPdev);
        return TRUE;
    }
    // The secure container of the document continues on the new PDEV.
    MoveSecureJob(oldPdev, newPdev);
    if (raster)
        ResetPDEVRaster(oldPdev, newPdev);
    else
        ResetPDEVVector(oldPdev, newPdev);
    return TRUE;
}

}  // namespace

DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* pdm, LPWSTR, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                              ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                              HANDLE hDriver)
{
    return DrvGuardedCall(DdiGuard::DrvEnablePDEV, [&] {
        return reinterpret_cast<DHPDEV>(EnablePDEVImpl(pdm, cPat, phsurfPatterns, cjCaps, pdevcaps, cjDevInfo, pdi,
                                                       hdev, pwszDeviceName, hDriver));
    });
}

VOID APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev)
{
    auto* pdev = reinterpret_cast<PDEV*>(dhpdev);
    if (IsValidPDEV(pdev)) pdev->hdevEngine = hdev;
}

BOOL APIENTRY DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew)
{
    return DrvGuardedCall(DdiGuard::DrvResetPDEV, [&] {
        return ResetPDEVImpl(reinterpret_cast<PDEV*>(dhpdevOld), reinterpret_cast<PDEV*>(dhpdevNew));
    });
}

VOID APIENTRY DrvDisablePDEV(DHPDEV dhpdev)
{
    DrvGuardedCall(DdiGuard::DrvDisablePDEV, [&] {
        auto* pdev = reinterpret_cast<PDEV*>(dhpdev);
        if (IsValidPDEV(pdev)) ReleasePDEV(pdev);
    });
}
