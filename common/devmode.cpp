// The driver DEVMODE: the default record of a model, the layout reset, the colour-matching
// fields, and the black-finish and collate rules.
#include "devmode.h"

#include <winspool.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "model_queries.h"
#include "modeltable.h"
#include "papertables.h"
#include "settings_records.h"
#include "spoolerinfo.h"

const WORD g_ScalePresets[DRV_SCALE_PRESETS] = {100, 141, 115, 86, 81, 70, 100};

namespace {

// Paper ids the defaults treat apart.
constexpr WORD kPaperFreeSize = 256;
constexpr WORD kPaperFreeSize263 = 263;
constexpr WORD kPaperFreeSize264 = 264;
constexpr WORD kPaperLong = 275;
constexpr WORD kPaperUserLongFirst = 536;
constexpr WORD kPaperUserLongLast = 576;
// A default-paper field holding a code from here names a user-defined paper, not a list entry
// (the MODELINFO image of a preset).
constexpr LONG kPaperUserCodeFirst = 277;

// Answers of DrvFindPaperIndex for papers of the user tables.
constexpr SHORT kIndexUserPaper = -2;
constexpr SHORT kIndexUserLongPaper = -3;

// Colour modes kept in MODELDEFAULTS.wColorTabMode.
constexpr SHORT kColorModeGray = 2;

// Copies text into a fixed field of cch characters, cut to cch - 1 characters and terminated.
void CopyCut(WCHAR* field, size_t cch, LPCWSTR text)
{
    const size_t n = text ? wcsnlen(text, cch - 1) : 0;
    if (n) wmemcpy(field, text, n);
    field[n] = L'\0';
}

bool InRange(LONG value, LONG low, LONG high) { return value >= low && value <= high; }

WORD Flag(LONG value, WORD bit) { return value ? bit : 0; }

// Colour mode and sub-mode from UDColorTabPosition.
void ColorModeFromTab(BYTE tab, bool shortMenu, SHORT* mode, WORD* subMode)
{
    *subMode = 0;
    if (shortMenu) {
        switch (tab) {
        case 1: *mode = 1; *subMode = 1; break;
        case 2: *mode = 1; break;
        case 3: *mode = 2; break;
        default: *mode = 0; break;
        }
        return;
    }
    switch (tab) {
    case 1: *mode = 1; *subMode = 1; break;
    case 2: *mode = 1; *subMode = 2; break;
    case 3: *mode = 1; break;
    case 4: *mode = 2; break;
    default: *mode = 0; break;
    }
}

// Page order codes for portrait (low word) and landscape (bits 16-19) from the choices 0..3;
// any other choice takes the first code.
DWORD NupOrder(LONG portrait, LONG landscape)
{
    const DWORD port = InRange(portrait, 0, 3) ? 1u << portrait : 1u;
    const DWORD land = InRange(landscape, 0, 3) ? 0x10000u << landscape : 0x10000u;
    return port | land;
}

// Poster tiles of a poster choice: 4, 9, the custom grid (-1) or 2.
LONG PosterTiles(LONG enlarge)
{
    switch (enlarge) {
    case 1: return 4;
    case 2: return 9;
    case 3: return -1;
    default: return 2;
    }
}

// Unit conversions of the long-paper values, rounded as the printer expects them.
WORD TenthMmToMilliInch(LONG v) { return static_cast<WORD>((static_cast<int64_t>(v) * 10000 + 1270) / 2540); }
WORD MarginToMilliInch(LONG v) { return static_cast<WORD>((static_cast<int64_t>(v) * 10000 + 3000) / 6000); }
// A long-paper position as shown to the user (1/1000 inch with display unit 1, else 0.01 mm)
// in 1/600 inch.
int64_t UiToDots600(int64_t v, bool inch)
{
    return inch ? (v * 6000 + 5000) / 10000 : (v * 6000 + 12700) / 25400;
}

// The default paper's id: the default entry of the active list, or the user-defined paper
// code a preset's MODELINFO image holds in its place.
WORD DefaultPaperId(const MODELINFO* model)
{
    if (model->iDefaultPaper >= kPaperUserCodeFirst && model->iDefaultPaper <= 0xFFFF)
        return static_cast<WORD>(model->iDefaultPaper);
    return DrvGetPaperId(model, model->iDefaultPaper);
}

// dmPaperSize and its size in dmPaperWidth/dmPaperLength (with the free-size fields and flags).
void SetPaperSize(DRVDEVMODE* dm, const MODELINFO* model, const MODELDEFAULTS* md)
{
    DEVMODEW& pub = dm->dmPublic;
    DRVEXTRA& ext = dm->dmPrivate;

    SHORT index = DrvFindPaperIndex(model, static_cast<WORD>(pub.dmPaperSize));
    if (index == MODEL_ID_NOT_LISTED) {
        // Not a paper of the model: its default paper, else the first listed one, id and size
        // from the same entry.
        pub.dmPaperSize = static_cast<short>(md->dwDefaultPaper);
        index = DrvFindPaperIndex(model, static_cast<WORD>(md->dwDefaultPaper));
        if (index < 0) {
            index = 0;
            pub.dmPaperSize = static_cast<short>(DrvGetPaperId(model, 0));
        }
    }

    // The free size must lie within the model's limits; else it is the default paper's size.
    const FREESIZELIMITS* limits = DrvGetCustomSizeLimits(model);
    const bool inside = limits && InRange(ext.wCustomWidth, limits->portrait.wMinWidth, limits->portrait.wMaxWidth) &&
                        InRange(ext.wCustomLength, limits->portrait.wMinLength, limits->portrait.wMaxLength);
    if (!inside) {
        ext.wCustomWidth = static_cast<WORD>(md->wDefaultPaperWidth);
        ext.wCustomLength = static_cast<WORD>(md->wDefaultPaperLength);
        ext.wFitWidth = ext.wCustomWidth;
        ext.wFitLength = ext.wCustomLength;
    }

    const WORD paper = static_cast<WORD>(pub.dmPaperSize);
    WORD size[2] = {0, 0};
    if (paper == kPaperFreeSize || paper == kPaperFreeSize263 || paper == kPaperFreeSize264) {
        size[0] = ext.wCustomWidth;
        size[1] = ext.wCustomLength;
        pub.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    } else if (index == kIndexUserPaper || index == kIndexUserLongPaper) {
        if (index == kIndexUserPaper)
            EnumUserDefPapers(model, UPQ_SIZE, size, sizeof size, paper, nullptr);
        else
            EnumUserDefLongPapers(model, UPQ_SIZE, size, sizeof size, paper);
        pub.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    } else {
        DrvGetPaperSize(model, index, size);
    }
    pub.dmPaperWidth = static_cast<short>(size[0]);
    pub.dmPaperLength = static_cast<short>(size[1]);
}

// Print quality and the quality of the user interface, then the memory a page needs.
void SetQuality(DRVDEVMODE* dm, const MODELINFO* model)
{
    DEVMODEW& pub = dm->dmPublic;
    DRVEXTRA& ext = dm->dmPrivate;
    const SHORT byDefault = DrvGetDefaultResolution(model);
    if (pub.dmPrintQuality < 0) {
        if (pub.dmPrintQuality < QUALITY_SLOT_FIRST) pub.dmPrintQuality = byDefault;
        ext.wQuality = pub.dmPrintQuality < 0 ? pub.dmPrintQuality : DrvGetDefaultUiQuality(model);
    } else {
        if (!InRange(pub.dmPrintQuality, 300, 1200)) pub.dmPrintQuality = byDefault;
        ext.wQuality = DrvGetDefaultUiQuality(model);
    }
    const WORD dpi = DrvGetResolutionDpi(model, &ext.wQuality);
    ext.dwRequiredMem = DrvGetRequiredMemory(model, 0, dpi);
}

// The clamps every default record passes.
void ClampFields(DRVDEVMODE* dm, const MODELINFO* model, const MODELDEFAULTS* md)
{
    DEVMODEW& pub = dm->dmPublic;
    DRVEXTRA& ext = dm->dmPrivate;

    const WORD source = static_cast<WORD>(pub.dmDefaultSource);
    if (DrvFindSourceIndex(model, source) < 0 && DrvFindMediaIndex(model, source) < 0)
        pub.dmDefaultSource = static_cast<short>(DrvGetDefaultSourceId(model));
    if (!InRange(pub.dmCopies, 1, 999)) pub.dmCopies = 1;

    if ((ext.wGrayMode & 0xFF) > 3) ext.wGrayMode = static_cast<WORD>((ext.wGrayMode & 0xFF00) | 1);
    const WORD grayHigh = ext.wGrayMode >> 8;
    if (grayHigh > 5 && grayHigh < 0xFD) ext.wGrayMode = static_cast<WORD>((ext.wGrayMode & 0xFF) | 0xFD00);
    if (!InRange(ext.wDarkness, -50, 50)) ext.wDarkness = 0;
    if (!InRange(ext.wContrast, -50, 50)) ext.wContrast = 0;
    if (ext.wAux426 > 5) ext.wAux426 = 1;

    // Scale: a preset other than the free scale gives its scale.
    if (!InRange(ext.wScaleIndex, -1, DRV_SCALE_PRESETS - 1)) ext.wScaleIndex = -1;
    if (ext.wScaleIndex == -1) {
        pub.dmScale = md->UDdmScale;
    } else if (ext.wScaleIndex < DRV_SCALE_PRESETS - 1) {
        pub.dmScale = static_cast<short>(g_ScalePresets[ext.wScaleIndex]);
        if (!InRange(pub.dmScale, 1, 400)) {
            pub.dmScale = md->UDdmScale;
            ext.wScaleIndex = 0;
        }
    }

    if (ext.wDpiScaledValue > 4) {
        ext.wDpiScaledValue = 1;
        ext.wDpiBaseValue = 1;
    }
    if (ext.wDensity > 4) ext.wDensity = 2;
    ext.wMediaType &= 0x00FF;
    if (ext.wAux460 > 1) ext.wAux460 = 0;
    if (ext.wAux794 > 3) ext.wAux794 = 0;
    if (ext.wTonerSave > 2) ext.wTonerSave = 0;
    ext.wOffsetX = static_cast<WORD>(md->UDOffsetX);
    ext.wOffsetY = static_cast<WORD>(md->UDOffsetY);
    if (ext.wAux434 > 2) ext.wAux434 = 2;
    ext.wColorCapable &= 0x3;
    ext.wAux428 = 0;
    ext.wAux448 = 1;
    if ((ext.wAux462 & 0xFF) > 3) ext.wAux462 = static_cast<WORD>((ext.wAux462 & 0xFF01) | 1);
    if ((ext.wAux462 >> 8) != 1) ext.wAux462 &= 0x00FF;
    ext.wAux468 = 0;
}

}  // namespace

BOOL DrvDefaultDevmode(DRVDEVMODE* out, MODELINFO* model, LPCWSTR printerName, LPCWSTR modelName)
{
    if (!out) return FALSE;
    std::memset(out, 0, sizeof *out);
    MODELDEFAULTS* md = modelName ? DrvFindModelDefaults(modelName) : nullptr;
    if (!model || !md) return FALSE;

    DEVMODEW& pub = out->dmPublic;
    DRVEXTRA& ext = out->dmPrivate;
    const DWORD caps = model->dwCapFlags;
    const bool duplexModel = (caps & MIF_DUPLEX) != 0;

    // 1. Names and header.
    CopyCut(ext.szModelName, DRV_MODELNAME_CCH, modelName);
    CopyCut(pub.dmDeviceName, DRV_DEVICENAME_CCH, printerName);
    pub.dmSpecVersion = DRV_DEVMODE_SPEC_VERSION;
    pub.dmDriverVersion = DRV_DEVMODE_DRIVER_VERSION;
    pub.dmSize = DRV_DEVMODE_PUBLIC_SIZE;
    pub.dmDriverExtra = DRV_DEVMODE_EXTRA_SIZE;

    // 2. Quality and paper.
    pub.dmPrintQuality = DrvGetDefaultResolution(model);
    pub.dmPaperSize = static_cast<short>(DefaultPaperId(model));

    // 3. Cover, interleave, environment, toner save, orientation, copies, colour.
    ext.wCoverPrint = static_cast<WORD>(md->UDCoverPrint);
    ext.wCoverSource = static_cast<WORD>(md->wCoverSourceId);
    ext.wCoverMedia = static_cast<WORD>(md->UDCoverPrintThick);
    ext.wInterleave = static_cast<WORD>(md->wInterleave);
    ext.wInterleaveSource = static_cast<WORD>(md->wInterleaveSource);
    ext.wEnvWarning = static_cast<WORD>(md->UDEnvWarningDlg);
    ext.wEnvLimits[0] = static_cast<WORD>(md->UDFreeHdd_General32);
    ext.wEnvLimits[1] = static_cast<WORD>(md->UDFreeMem_General32);
    ext.wEnvLimits[2] = static_cast<WORD>(md->UDFreeGdi_General32);
    ext.wEnvLimits[3] = static_cast<WORD>(md->UDFreeHdd_DTP32);
    ext.wEnvLimits[4] = static_cast<WORD>(md->UDFreeMem_DTP32);
    ext.wEnvLimits[5] = static_cast<WORD>(md->UDFreeGdi_DTP32);
    ext.wEnableEnv = static_cast<WORD>(md->UDEnableEnv);
    ext.wPinfof = static_cast<WORD>(md->UDDriverSetting_Pinfof);
    ext.wTonerSave = static_cast<WORD>(md->UDTonerSave);
    ext.dwBlackPreservation = static_cast<DWORD>(md->UDbTonerSave_100);
    ext.wTonerSaveLevel = md->UDsTonerSaveItem;
    pub.dmOrientation = (md->UDOrientation == DMORIENT_PORTRAIT || md->UDOrientation == DMORIENT_LANDSCAPE)
                            ? md->UDOrientation
                            : static_cast<short>(DMORIENT_PORTRAIT);
    pub.dmCopies = InRange(md->UDCopies, 1, 999) ? md->UDCopies : static_cast<short>(1);
    ext.wDarkness = md->UDDarkness;
    ext.wContrast = md->UDContrast;
    ext.wColorDarkness = md->UDColorDarkness;
    ext.wColorContrast = md->UDColorContrast;
    pub.dmDefaultSource = static_cast<short>(DrvGetDefaultSourceId(model));
    pub.dmBitsPerPel = static_cast<DWORD>(md->UDDepth);

    // 4. Colour mode, kept in the shared MODELDEFAULTS where the pages read it.
    SHORT colorMode = 0;
    ColorModeFromTab(md->UDColorTabPosition, (caps & MIF_SHORTMENU) != 0, &colorMode, &ext.wColorSubMode);
    md->wColorTabMode = colorMode;

    // 5. Colour capability.
    ext.wColorCapable = md->UDfColor == 1 ? 1 : 0;
    pub.dmColor = (md->UDfColor == 1 && colorMode != kColorModeGray) ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    ext.wScaleIndex = -1;
    ext.wAux434 = 2;
    ext.wAux808 = 0;

    // 6. Layout.
    ext.dwFinishingMode = static_cast<DWORD>(md->UDdwFinishingMode);
    if (ext.dwFinishingMode == FINISHINGMODE_BOOKLET && !(duplexModel && md->UDDuplex))
        ext.dwFinishingMode = FINISHINGMODE_NORMAL;
    pub.dmDuplex = duplexModel ? md->UDdmDuplex : static_cast<short>(0);
    ext.wBindingNup = static_cast<WORD>(md->UDBandArea_Nup);
    ext.wBindingBooklet = duplexModel ? static_cast<WORD>(md->UDBandArea_BookLet) : 0;
    ext.wMarginNup = static_cast<WORD>(md->UDBandWidth_Nup);
    ext.wMarginBooklet = static_cast<WORD>(md->UDBandWidth_BookLet);
    const bool booklet = ext.dwFinishingMode == FINISHINGMODE_BOOKLET;
    ext.wBinding = booklet ? ext.wBindingBooklet : ext.wBindingNup;
    ext.wMargin = booklet ? ext.wMarginBooklet : ext.wMarginNup;
    ext.dwNupPages = 1;
    ext.dwNupX = 1;
    ext.dwNupY = 1;
    ext.dwNupOrder = NupOrder(md->UDmultiPort, md->UDmultiLand);
    ext.dwPageBorder = static_cast<DWORD>(md->UDdwPageBorder);
    ext.dwMultipage = static_cast<DWORD>(md->UDmultipage);
    const WORD paper = static_cast<WORD>(pub.dmPaperSize);
    if (paper == kPaperLong || (paper >= kPaperUserLongFirst && paper <= kPaperUserLongLast))
        ext.dwPaperState = PAPERSTATE_LONGPAPER;
    ext.dwSignature = md->UDdwSignature;
    ext.dwBookletFlags = Flag(md->UDRightToLeft, BOOKLET_RIGHTTOLEFT) | Flag(md->UD2UP, BOOKLET_TWOUP) |
                         Flag(md->UDSyncOrderBooklet, BOOKLET_SYNCORDER) | Flag(md->UDReverseBooklet, BOOKLET_REVERSE);
    ext.dwPosterTiles = PosterTiles(md->UDEnlarge);
    ext.dwPosterX = static_cast<DWORD>(md->UDCstmX);
    ext.dwPosterY = static_cast<DWORD>(md->UDCstmY);
    ext.dwPosterFlags = Flag(md->UDDirectionAuto, POSTER_AUTOORIENT) | Flag(md->UDDirectionPort, POSTER_PORTRAIT) |
                        Flag(md->UDRegistMarks, POSTER_REGISTMARKS) | Flag(md->UDOverlap, POSTER_OVERLAP);
    ext.dwRegistColor = static_cast<DWORD>(md->UDdwRegistColor);
    ext.dwOverlapWidth = static_cast<DWORD>(md->UDOverlapWidth);
    ext.dwEnlarge = static_cast<DWORD>(md->UDEnlarge);
    ext.dwFitPaper = paper;
    ext.dwFitFlags = Flag(md->UDfitpage, FITFLAG_ON);

    // 7. Job, media and trays.
    ext.wJobCopies = static_cast<WORD>(md->UDCopies);
    ext.wDpiScaledValue = 1;
    ext.wAux448 = 1;
    ext.wAux454 = 1;
    ext.wDpiBaseValue = 1;
    ext.wDensity = 2;
    ext.wMediaType = DrvGetPaperTypeId(model, model->iDefaultPaperType);
    ext.wAutoTray = md->UDautotray ? 1 : 0;
    ext.wSourceOption = static_cast<WORD>(md->UDSouceOption);
    ext.wAux462 = 1;
    ext.wWatermarkFlags = static_cast<WORD>(md->wWatermarkFlags);
    ext.wRotate180 = md->UDLandDirect == 0 ? 1 : 0;
    ext.wPaperCheck = Flag(md->UDsizechk, PAPERCHECK_SIZE) |
                      ((caps & MIF_A3PRINTER) ? Flag(md->UDLongEdge, PAPERCHECK_LONGEDGE) : 0);
    ext.wMpfIsManual = static_cast<WORD>(md->UDMPFisManual);
    ext.wRotateByKind = 1;

    // 8. Output mode: vector with the printer's fonts, raster (grey) without them.
    if (caps & MIF_RESIDENTFONT) {
        ext.wRasterMode = RASTERMODE_VECTOR;
        ext.wFontMode = 2;
        if (caps & MIF_MONOCHROME) md->wColorTabMode = colorMode = kColorModeGray;
        ext.wColor = colorMode != kColorModeGray ? 1 : 0;
    } else {
        ext.wRasterMode = RASTERMODE_RASTER;
        ext.wFontMode = 1;
    }

    // 9. Fonts, colour adjustment, black finish, job and finishing.
    pub.dmTTOption = md->UDOUTorBIT ? DMTT_DOWNLOAD : DMTT_DOWNLOAD_OUTLINE;
    ext.wTTSubst = ((caps & MIF_FONTSUBSTITUTION) && md->UDUsePrinterFont) ? 1 : 0;
    ext.wHalftone = static_cast<WORD>(md->UDhalftone);
    ext.wColorAdjust = static_cast<WORD>(md->UDcoloradjust);
    ext.wColorAdjustOpt = static_cast<WORD>(md->UDcoloradjustOpt);
    switch (md->UDBlackFinish) {
    case 2: ext.wTrueBlack = 0; ext.wBlackGen = 3; break;
    case 1: ext.wTrueBlack = 1; ext.wBlackGen = 0; break;
    default: ext.wTrueBlack = 1; ext.wBlackGen = 1; break;
    }
    const SHORT autoBlack = md->UDAutoColorBkMode;
    ext.wAutoColorBkMode = (autoBlack == 0 || autoBlack == 2 || autoBlack == 3) ? autoBlack : 1;
    ext.wImageSmooth = static_cast<WORD>(md->UDColorImageSmooth);
    ext.wColorModeFlag = 1;
    ext.wDezodi = 1;
    ext.wColorDensity = static_cast<WORD>(md->UDColorDensity);
    ext.wSuperColor = static_cast<WORD>(md->UDSuperColor);
    ext.wAux2790 = 1;
    ext.wOutputBin = static_cast<WORD>(md->UDOutputBin);
    ext.bPunchUnit = md->UDfPunchUnit;
    ext.bStaplePos = md->UDfPosition;
    ext.bStaple = md->UDfStaplePos;
    ext.bPunch = md->UDfPunchHole;
    ext.dwFinishing = md->UDfStaplePos ? 1 : 0;
    ext.wColorMode = colorMode != 0 ? 1 : 0;
    ext.wColorProcess = static_cast<WORD>(md->UDColorProcessMode);
    ext.wThinOut = static_cast<WORD>(md->UDImageThinOut);
    if (caps & MIF_MKK) {
        ext.wOptions2 = md->UDBlackFinish == 2 ? 4 : md->UDBlackFinish == 1 ? 2 : 1;
        if (md->UDAlMatte) ext.wOptions2 |= OPT2_ALMATTE;
    }
    ext.wMonoSetupDlg = static_cast<WORD>(md->UDMonoStupDlg);
    ext.wPortDirect = md->UDPortDirect ? 1 : 0;

    // 10. Black finish from the colour settings.
    DrvResolveBlackFinish(&ext);

    // 11. Installed options, job flags, option words, scale and densities.
    ext.wDeviceOption = Flag(md->UDFinisher, DEVOPT_FINISHER) | Flag(md->UDHdd, DEVOPT_HDD) |
                        Flag(md->UDDuplex, DEVOPT_DUPLEX);
    ext.dwJobFlags = JOBFLAG_SECUREPENDING | JOBFLAG_CRYPTOPENDING | (md->UDdwJobTypeOption ? JOBFLAG_ASKATPRINT : 0);
    ext.wOptions = Flag(md->UDfDriverExpand, OPT_DRIVEREXPAND) | Flag(md->UDAdjLine, OPT_ADJLINE) |
                   Flag(md->UDAP_Collate, OPT_APCOLLATE) | Flag(md->UDMaintenanceCycle, OPT_MAINTENANCECYCLE) |
                   Flag(md->UDJobSpool, OPT_JOBSPOOL) | Flag(md->UDTIFF, OPT_TIFF) |
                   Flag(md->UDBlackLetter, OPT_BLACKLETTER) | Flag(md->UDSpoolEMF, OPT_SPOOLEMF);
    ext.wOptions2 |= Flag(md->UDRop_MultiColor, OPT2_ROPMULTICOLOR);
    ext.dwFitScale = 100;
    pub.dmScale = md->UDdmScale;
    ext.wHiddenOption = 2;
    ext.wOverPrint = md->UDfOverPrint;
    const SHORT cmy = md->UDCMYDensity;
    ext.wCMYDensity = (cmy == 0 || InRange(cmy, 16, 18)) ? static_cast<WORD>(cmy) : 0;
    ext.wAPQuality = static_cast<WORD>(md->UDAPQuality);

    // 12. Long paper: as stored, and the values in effect in the printer's units.
    ext.wLpPaperCut = static_cast<WORD>(md->UDPaperCut);
    ext.wLpWidth = static_cast<WORD>(md->wLongPaperWidth);
    ext.wLpLength = static_cast<WORD>(md->wLongPaperLength);
    ext.wLpPrtMode = static_cast<WORD>(md->UDSLP_PrtMode);
    ext.wLpAdjMode = static_cast<WORD>(md->UDSLP_AdjMode);
    ext.dwLpStart = md->UDSLP_Start;
    ext.dwLpCut = md->UDSLP_Cut;
    ext.wLpMargin = md->UDSLP_Margin;
    ext.wSlpPaperCut = ext.wLpPaperCut;
    ext.wSlpPrtMode = ext.wLpPrtMode;
    ext.wSlpAdjMode = ext.wLpAdjMode;
    ext.wSlpMargin = md->UDSLP_Margin;
    ext.dwLpStartUi = md->UDSLP_Start_UI;
    ext.dwLpCutUi = md->UDSLP_Cut_UI;
    ext.wLpMarginConv = MarginToMilliInch(md->UDSLP_Margin);
    ext.wLpWidthInch = TenthMmToMilliInch(md->wLongPaperWidth);
    ext.wLpLengthInch = TenthMmToMilliInch(md->wLongPaperLength);
    ext.wSlpWidthInch = ext.wLpWidthInch;
    ext.wSlpLengthInch = ext.wLpLengthInch;
    ext.wLpCutFly = static_cast<WORD>(md->UDSLP_CutFly);
    ext.wSlpCutFly = ext.wLpCutFly;
    ext.wSlpPrtRgnOff = static_cast<WORD>(md->UDSLP_PrtRgnOFF);
    const bool inch = md->UDDispTypeSLP != 0;
    const int64_t start = md->UDSLP_Start_UI;
    const int64_t startDots = UiToDots600(start < 0 ? -start : start, inch);
    ext.dwSlpStart = static_cast<LONG>(start < 0 ? -startDots : startDots);
    ext.dwSlpCut = static_cast<LONG>(UiToDots600(md->UDSLP_Cut_UI, inch));
    ext.wLpDispType = static_cast<WORD>(md->UDDispTypeSLP);
    ext.dwPreview = static_cast<DWORD>(md->UDPreview);

    // 13. Announced fields, collate, duplex, scale.
    pub.dmFields = DRV_DEVMODE_BASE_FIELDS;
    pub.dmCollate = md->UDdmCollate;
    ext.wCollate = static_cast<WORD>(md->UDfCollate);
    DrvUpdateCollateField(out);
    if (ext.wDeviceOption & DEVOPT_DUPLEX) pub.dmFields |= DM_DUPLEX;
    if (md->UDScaleField) pub.dmFields |= DM_SCALE;

    // 14-16. Quality, paper size and the clamps.
    SetQuality(out, model);
    SetPaperSize(out, model, md);
    ext.wGrayMode = 1;
    ext.wAux426 = 1;
    ClampFields(out, model, md);

    // 17. Compression, manual duplex, validation code, user authentication and the rest.
    ext.wCompress = static_cast<WORD>(md->wCompressLow);
    ext.wCompressLevel = static_cast<WORD>(md->wCompressHigh);
    ext.dwManualDuplexSheets = 0;
    if (ext.wManualDuplex > 1) ext.wManualDuplex = 0;
    ext.wOutputBinCopy = ext.wOutputBin;
    ext.wValCode = static_cast<WORD>(md->UDValCode);
    ext.wAccessCodeOn = static_cast<WORD>(md->UDValCode_del);
    ext.wValCodeCustom1 = static_cast<WORD>(md->UDValCode_custom1);
    ext.wValCodeCustom2 = static_cast<WORD>(md->UDValCode_custom2);
    ext.wValCodeCustom3 = static_cast<WORD>(md->UDValCode_custom3);
    ext.wValCodeDensity = static_cast<WORD>(md->UDValCode_density);
    ext.wValCodeRegions = static_cast<WORD>(md->UDValCode_regions);
    ext.wAccessPromptMode = static_cast<WORD>(md->UDValCode_off_lev);
    ext.wValCodeLite = static_cast<WORD>(md->UDValCode_Lite);
    ext.wPrinterAccess = static_cast<WORD>(md->UDValCode_Access);
    ext.wValCodeType = static_cast<WORD>(md->UDValCode_Type);
    static_assert(sizeof ext.szAccessCode == sizeof md->UDValCode_Pass);
    std::memcpy(ext.szAccessCode, md->UDValCode_Pass, sizeof ext.szAccessCode);
    ext.szAccessCode[std::size(ext.szAccessCode) - 1] = L'\0';
    ext.wUseLoginUser = static_cast<WORD>(md->UDUA_UseWinLogin);
    ext.wAuthFixedUser = static_cast<WORD>(md->UDUA_Guest);
    ext.wAuthUseStored = static_cast<WORD>(md->UDUA_SaveUserInfo);
    ext.dwICPrintName = static_cast<DWORD>(md->UDICPrint_Name);
    ext.bGProColorMode = md->UDGProColorMode;
    ext.bGProInRGBProf = md->UDGProInRGBProf;
    ext.bGProInCMYKProf = md->UDGProInCMYKProf;
    ext.bGProOutProfile = md->UDGProOutProfile;
    ext.bGProRndrIntent = md->UDGProRndrIntent;
    ext.bGProPrecision = md->UDGProPrecision;
    ext.bGProBlackMode = md->UDGProBlackMode;
    ext.bGProTxeGraBlack = md->UDGProTxeGraBlack;
    ext.dwDisableFontAlias = static_cast<DWORD>(md->UDbDisableFontAlias);
    ext.wPatternSize = static_cast<WORD>(md->UDPatternSize);
    ext.wCustomCode = static_cast<WORD>(md->UDDispType);
    ext.wNTrapp = static_cast<WORD>(md->UDNTrapp);
    ext.wFixWmk = static_cast<WORD>(md->UDFixWMK);
    ext.wUserPaperMax = static_cast<WORD>(md->UDCustomSizeMaxNum);
    ext.wSizeChkMpt = md->UDsizechk_MPT;
    UpdateIcmFields(out, nullptr, model);
    return TRUE;
}

BOOL DrvBuildDefaultDevmode(DRVDEVMODE* out, LPCWSTR printerName, HANDLE printer)
{
    if (!out) return FALSE;
    auto* driver = static_cast<DRIVER_INFO_2W*>(DrvGetPrinterDriverInfo(printer, 2));
    if (!driver) return FALSE;
    WCHAR modelName[DRV_MODELNAME_CCH];
    CopyCut(modelName, DRV_MODELNAME_CCH, driver->pName);
    GlobalFree(driver);
#ifndef DRV_BUILD_UM
    MODELINFO* model = DrvGetModelInfo(modelName);
#else
    MODELRECORD* record = DrvFindModelRecord(modelName);
    MODELINFO* model = record ? &record->ModelInfo : nullptr;
#endif
    return DrvDefaultDevmode(out, model, printerName, modelName);
}

DRVEXTRA* ResetLayoutFields(DRVDEVMODE* dm)
{
    DRVEXTRA& ext = dm->dmPrivate;
    ext.dwFinishingMode = FINISHINGMODE_NORMAL;
    ext.dwFitFlags = 0;
    ext.dwNupPages = 1;
    ext.dwNupX = 1;
    ext.dwNupY = 1;
    ext.dwPageBorder = 1;
    dm->dmPublic.dmFields &= ~static_cast<DWORD>(DM_SCALE);
    dm->dmPublic.dmScale = 100;
    ext.wBindingNup = 1;
    ext.wBindingBooklet = 0;
    return &ext;
}

void ResetLayoutForSpecialPaper(DRVDEVMODE* dm, MODELINFO* model)
{
    const SHORT index = DrvFindPaperIndex(model, static_cast<WORD>(dm->dmPublic.dmPaperSize));
    if (index == kIndexUserLongPaper || (index >= 0 && DrvGetPaperKind(model, index) == PAPER_KIND_LONG))
        ResetLayoutFields(dm);
}

void UpdateIcmFields(DRVDEVMODE* dm, const DRVDEVMODE* reference, MODELINFO* model)
{
    const DRVEXTRA& ref = (reference ? reference : dm)->dmPrivate;
    const MODELDEFAULTS* md = model ? DrvFindModelDefaults(model->szModelName) : nullptr;
    DEVMODEW& pub = dm->dmPublic;
    if (md && md->UDICMMethod && ref.wColor == 1 && ref.wColorSubMode == 0 && ref.wColorAdjust == 2) {
        pub.dmFields |= DM_ICMMETHOD | DM_ICMINTENT;
        pub.dmICMMethod = static_cast<DWORD>(md->UDICMMethod);
        pub.dmICMIntent = static_cast<DWORD>(md->UDICMIntent);
    } else {
        pub.dmFields &= ~static_cast<DWORD>(DM_ICMMETHOD | DM_ICMINTENT);
        pub.dmICMMethod = 0;
        pub.dmICMIntent = 0;
    }
}

void DrvResolveBlackFinish(DRVEXTRA* extra)
{
    DRVEXTRA& ext = *extra;
    WORD options2 = ext.wOptions2;
    if (ext.wColorMode == 1 && ext.wHalftone == 2) options2 |= OPT2_ROPMULTICOLOR;
    if ((options2 & OPT2_ROPMULTICOLOR) && (options2 & OPT2_BLACKFINISH_MASK) == 1)
        options2 = static_cast<WORD>((options2 & ~0xDu) | 2);
    ext.wFineScreen = (options2 >> 8) & 1;

    const bool colour = ext.wColor == 1 && ext.wColorMode == 1;
    if (colour) {
        if (options2 & 0x1) {
            ext.wTrueBlack = 1;
            ext.wBlackGen = 1;
        } else if (options2 & 0x4) {
            ext.wTrueBlack = 0;
            ext.wBlackGen = 3;
        } else if (options2 & 0x2) {
            ext.wTrueBlack = 1;
            ext.wBlackGen = 0;
        } else {
            ext.wBlackGen = 0;
        }
    } else {
        WCHAR name[DRV_MODELNAME_CCH];
        CopyCut(name, DRV_MODELNAME_CCH, ext.szModelName);
        const MODELDEFAULTS* md = DrvFindModelDefaults(name);
        switch (md ? md->UDBlackFinish : 0) {
        case 2: ext.wTrueBlack = 0; ext.wBlackGen = 3; break;
        case 1: ext.wTrueBlack = 1; ext.wBlackGen = 0; break;
        default: ext.wTrueBlack = 1; ext.wBlackGen = 1; break;
        }
    }
    if (colour && ext.wColorSubMode == 2) ext.wTrueBlack = 1;
    if (options2 & 0x10)
        ext.wTrueBlack = 2;
    else if (options2 & 0x20)
        ext.wTrueBlack = 0;
}

void DrvUpdateCollateField(DRVDEVMODE* dm)
{
    WCHAR name[DRV_MODELNAME_CCH];
    CopyCut(name, DRV_MODELNAME_CCH, dm->dmPrivate.szModelName);
    const MODELDEFAULTS* md = DrvFindModelDefaults(name);
    if (md && md->UDCollateStyle && dm->dmPrivate.wCollate == 0 && (dm->dmPrivate.wOptions & OPT_APCOLLATE)) {
        dm->dmPublic.dmFields &= ~static_cast<DWORD>(DM_COLLATE);
        dm->dmPublic.dmCollate = 0;
    } else {
        dm->dmPublic.dmFields |= DM_COLLATE;
    }
}

WORD DrvGetCollate(const DRVDEVMODE* dm)
{
    return (dm->dmPrivate.wOptions & OPT_APCOLLATE) ? static_cast<WORD>(dm->dmPublic.dmCollate) : dm->dmPrivate.wCollate;
}
