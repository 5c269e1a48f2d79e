// The DEVMODE merge and the validation of the private part against the model.
#include "devmode_merge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "model_queries.h"
#include "modeltable.h"
#include "papertables.h"
#include "settings_records.h"
#include "textutil.h"

#ifndef DRV_BUILD_UM
#include "ccm_tables.h"
#endif


namespace {

// Paper ids with a meaning of their own here.
constexpr WORD kPaperLetter = 1;
constexpr WORD kPaperA4 = 9;
constexpr WORD kPaperB5 = 13;
constexpr WORD kPaperFree = 256;
constexpr WORD kPaperFree263 = 263;
constexpr WORD kPaperFree264 = 264;
constexpr WORD kPaperLong = 275;
constexpr WORD kPaperUserFirst = 276;
constexpr WORD kPaperUserLongFirst = 536;
constexpr WORD kPaperUserLongLast = 576;
constexpr WORD kPaperUserLastShort = 533;

// Source ids with a position bit of their own; 4 and 257 share theirs. A source of 528 keeps
// any paper type.
constexpr WORD kSource1 = 1;
constexpr WORD kSource4 = 4;
constexpr WORD kSource257 = 257;
constexpr WORD kSource259 = 259;
constexpr WORD kSource260 = 260;
constexpr WORD kSource261 = 261;
constexpr WORD kSource262 = 262;
constexpr WORD kSource528 = 528;

// Output bins: the stacker bins 0 and 1, the finisher bins 17 and 18.
constexpr WORD kBin0 = 0;
constexpr WORD kBin1 = 1;
constexpr WORD kBin17 = 17;
constexpr WORD kBin18 = 18;

// Start and cut that stand for "from the values as shown to the user".
constexpr LONG kLongAutomatic = 50000;

// Bits of the finishing word that need the punch unit, and the finishing positions a paper and
// a paper type must both offer for finishing to stay on.
constexpr DWORD kFinishingPunchBits = 0xFFFF0000;
constexpr DWORD kFinishingPositions = 0x0F5F0000;
constexpr DWORD kFinishingLongEdgeOn = 0x200000;
constexpr DWORD kFinishingLongEdgeOff = 0x100000;

// 1712: long-edge feed of a paper that is fed short edge first otherwise.
constexpr WORD kValidatedLongEdge = 2;

bool InRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

// v held to lo..hi (lo wins when the two cross).
int64_t Clamp(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// A field outside lo..hi takes the replacement.
template <typename T>
void Limit(T& field, int64_t lo, int64_t hi, int64_t replacement)
{
    if (!InRange(field, lo, hi)) field = static_cast<T>(replacement);
}

// A 0/1 field other than 0 or 1 takes the replacement.
template <typename T>
void Limit01(T& field, int64_t replacement)
{
    Limit(field, 0, 1, replacement);
}

WCHAR UpperAscii(WCHAR c) { return (c >= L'a' && c <= L'z') ? static_cast<WCHAR>(c - L'a' + L'A') : c; }

// Whether two names held in fields of cchA and cchB characters are the same, 'a'..'z' matching
// 'A'..'Z'. A name that does not end within its field equals no name.
bool SameNameNoCase(const WCHAR* a, size_t cchA, const WCHAR* b, size_t cchB)
{
    for (size_t i = 0; i < cchA && i < cchB; ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
        if (a[i] == L'\0') return true;
    }
    return false;
}

// A text field ends within itself.
template <size_t N>
void Terminate(WCHAR (&field)[N])
{
    field[N - 1] = L'\0';
}
template <size_t N>
void Terminate(char (&field)[N])
{
    field[N - 1] = '\0';
}

// Every text field of the private part ends within its field.
void TerminateTexts(DRVEXTRA& x)
{
    Terminate(x.szWatermarkName);
    Terminate(x.szWatermarkText);
    Terminate(x.szWatermarkFont);
    Terminate(x.szWatermarkText2);
    Terminate(x.szModelName);
    Terminate(x.szJobName);
    Terminate(x.szJobNameSaved);
    Terminate(x.szPresetName);
    Terminate(x.szCustom1);
    Terminate(x.szCustom2);
    Terminate(x.szDeptPassword);
    Terminate(x.szCustom3);
    Terminate(x.szAccessCode);
    Terminate(x.szAuthUser);
    Terminate(x.szAuthPassword);
    Terminate(x.szAppName);
    Terminate(x.szAccountText1);
    Terminate(x.szAccountText2);
}

// The model of a record: its MODELINFO and MODELDEFAULTS in the model table.
struct Model {
    MODELINFO* info = nullptr;
    MODELDEFAULTS* defaults = nullptr;
#ifdef DRV_BUILD_UM
    MODELRECORD* record = nullptr;
#endif
};

// Finds the model named in a record's szModelName. The user-interface library takes the model
// information as its pages see it (DrvGetModelInfo). The rendering library looks the record up
// itself: a loaded record whose name is the record's model name, 'a'..'z' matching 'A'..'Z'.
bool FindModel(const DRVEXTRA& x, Model* model)
{
    WCHAR name[DRV_MODELNAME_CCH];
    std::memcpy(name, x.szModelName, sizeof name);
    name[DRV_MODELNAME_CCH - 1] = L'\0';
#ifndef DRV_BUILD_UM
    model->info = DrvGetModelInfo(name);
    model->defaults = DrvFindModelDefaults(name);
#else
    MODELRECORD* record = DrvFindModelRecord(name);
    if (record && record->dwLoaded &&
        SameNameNoCase(record->ModelInfo.szModelName, sizeof record->ModelInfo.szModelName / sizeof(WCHAR), name,
                       DRV_MODELNAME_CCH)) {
        model->record = record;
        model->info = &record->ModelInfo;
        model->defaults = &record->ModelDefaults;
    }
#endif
    return model->info && model->defaults;
}

// Reads the source into s, a zeroed record: its first dmSize + dmDriverExtra bytes, at most a
// whole record. The size fields are read first, byte by byte, so that nothing is assumed of the
// source's alignment. A source that declares fewer bytes than its own header holds no settings:
// it is read as a source of zeros, and the merge still brings every field of dest into its
// valid range (a default record is not yet a merged one: it may carry raster output, for one).
// False for a NULL source only.
bool NormaliseSource(const DEVMODEW* src, DRVDEVMODE* s)
{
    if (!src) return false;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(src);
    WORD size = 0, extra = 0;
    std::memcpy(&size, bytes + offsetof(DEVMODEW, dmSize), sizeof size);
    std::memcpy(&extra, bytes + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    const DWORD declared = static_cast<DWORD>(size) + extra;
    std::memset(s, 0, sizeof *s);
    std::memcpy(s, bytes, declared < DRV_DEVMODE_SIZE ? declared : DRV_DEVMODE_SIZE);
    return true;
}

// Whether the source is a record of this driver's layout for the model of dest.
bool IsOwnRecordOf(const DRVDEVMODE& s, const DRVDEVMODE& dest)
{
    const DEVMODEW& p = s.dmPublic;
    return p.dmSize == DRV_DEVMODE_PUBLIC_SIZE && p.dmDriverExtra >= DRV_DEVMODE_MIN_EXTRA &&
           p.dmSpecVersion == DRV_DEVMODE_SPEC_VERSION && p.dmDriverVersion == DRV_DEVMODE_DRIVER_VERSION &&
           SameNameNoCase(s.dmPrivate.szModelName, DRV_MODELNAME_CCH, dest.dmPrivate.szModelName, DRV_MODELNAME_CCH);
}

bool IsFreeSize(WORD paper) { return paper == kPaperFree || paper == kPaperFree263 || paper == kPaperFree264; }

bool IsUserLong(DWORD paper) { return paper >= kPaperUserLongFirst && paper <= kPaperUserLongLast; }

// ---- Print quality ----------------------------------------------------------------------------

class Quality {
public:
    explicit Quality(const MODELINFO* model) : m_(model) {}
    bool Valid(SHORT q) const { return DrvIsValidResolution(m_, q) != FALSE; }
    // The slot of a dpi: the first filled slot of that dpi. The slot search counts an empty slot
    // -4 as the fallback 600 dpi; it is not chosen while a filled slot has the dpi, since the
    // next merge reads an empty slot as another one.
    SHORT SlotOf(SHORT dpi) const
    {
        for (SHORT q = QUALITY_SLOT_FIRST; q <= QUALITY_SLOT_LAST; ++q)
            if (Valid(q) && DpiOf(q) == dpi) return q;
        return DrvFindResolutionIndex(m_, static_cast<WORD>(dpi));
    }
    // The dpi of a quality. A dpi that a filled slot lists is that dpi: the dpi function scans
    // the slots only up to the first empty one and answers 600 for a dpi listed beyond it, and
    // the next merge, reading that dpi back, would choose by the slot that lists it.
    SHORT DpiOf(SHORT q) const
    {
        if (q > 0 && Valid(q)) return q;
        return static_cast<SHORT>(DrvGetResolutionDpi(m_, &q));
    }
    // The first filled slot from slot n (-4..-1) downwards; 0 when none is.
    SHORT FilledSlotDown(SHORT n) const
    {
        for (SHORT q = n; q >= QUALITY_SLOT_FIRST; --q)
            if (Valid(q)) return q;
        return 0;
    }

private:
    const MODELINFO* m_;
};

// dmPrintQuality and wQuality from the source's print quality N and the source's
// user-interface quality SW; returns the job's dpi.
WORD MergeQuality(DRVDEVMODE* d, SHORT N, SHORT SW, const MODELINFO* m)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    const Quality q(m);
    const SHORT K = DrvGetDefaultResolution(m);
    const SHORT U = DrvGetDefaultUiQuality(m);
    // The record's user-interface quality as it stands: the source's own when its private part
    // was taken, else the default's.
    const SHORT W = x.wQuality;
    SHORT printQuality, uiQuality;
    if (K < 0) {
        SHORT r;
        if (N < 0) {
            if (N >= QUALITY_SLOT_FIRST) {
                r = q.FilledSlotDown(N);
                if (r == 0) r = -3;
            } else {
                r = K;
            }
            if (m->UiResHighOnly == 1 && r == -4 && SW != -4) r = -3;
        } else {
            SHORT A = K, B = K;
            if (q.Valid(N)) {
                A = q.SlotOf(N);
                B = W;
            }
            if (!q.Valid(B)) B = U;
            if (q.DpiOf(A) == q.DpiOf(B)) r = B;
            else if (N == q.DpiOf(K)) r = K;
            else r = A;
        }
        printQuality = uiQuality = r;
    } else if (N < 0) {
        SHORT A, B;
        if (N >= QUALITY_SLOT_FIRST) {
            // No filled slot from N down to -4: slot -3, as for a model whose default is a slot.
            // (Slot -4 itself, empty, would print at the fallback dpi and be read back as that
            // dpi by the next merge, which then chooses another user-interface quality.)
            A = q.FilledSlotDown(N);
            if (A == 0) A = -3;
            B = A;
        } else {
            A = q.SlotOf(K);
            B = U;
        }
        printQuality = q.DpiOf(A);
        uiQuality = B;
    } else {
        SHORT A = K, B = U;
        if (q.Valid(N)) {
            A = N;
            B = W;
        }
        if (!q.Valid(B)) B = U;
        printQuality = A;
        uiQuality = A == q.DpiOf(B) ? B : A == K ? U : q.SlotOf(A);
    }
    x.wQuality = uiQuality;
    SHORT effective = printQuality;
    const WORD dpi = DrvGetResolutionDpi(m, &effective);
    pub.dmPrintQuality = effective;
    return dpi;
}

// ---- Paper ----------------------------------------------------------------------------------

// The model's default paper (the default entry of its list, else the first) with its size; a
// free size keeps the record's custom size.
void TakeDefaultPaper(DRVDEVMODE* d, const MODELINFO* m)
{
    DEVMODEW& pub = d->dmPublic;
    int index = m->iDefaultPaper;
    WORD id = DrvGetPaperId(m, index);
    if (id == 0) {
        index = 0;
        id = DrvGetPaperId(m, index);
    }
    pub.dmPaperSize = static_cast<short>(id);
    WORD size[2] = {d->dmPrivate.wCustomWidth, d->dmPrivate.wCustomLength};
    if (IsFreeSize(id) || DrvGetPaperSize(m, index, size)) {
        pub.dmPaperWidth = static_cast<short>(size[0]);
        pub.dmPaperLength = static_cast<short>(size[1]);
    }
}

// The gradation follows the user-interface quality.
void SetGradation(DRVDEVMODE* d, const MODELINFO* m)
{
    const DWORD caps = m->dwCapFlags;
    d->dmPublic.dmBitsPerPel =
        d->dmPrivate.wQuality != -4 ? 1 : ((caps & MIF_SHORTMENU) && (caps & MIF_TRUE1200)) ? 4 : 5;
}

// On a long paper the qualities of slots -4 and -3 become slot -2. The quality is then taken
// again as from a source quality of -2, so that the user-interface quality, the gradation and
// the job's dpi are those of the quality printed: the next merge reads -2 from the record and
// would otherwise choose them anew.
void LongPaperQuality(DRVDEVMODE* d, const DRVDEVMODE& s, const MODELINFO* m, WORD* jobDpi)
{
    DEVMODEW& pub = d->dmPublic;
    if (pub.dmPrintQuality != -4 && pub.dmPrintQuality != -3) return;
    *jobDpi = MergeQuality(d, -2, s.dmPrivate.wQuality, m);
    SetGradation(d, m);
    if (pub.dmPrintQuality == -4 || pub.dmPrintQuality == -3) pub.dmPrintQuality = -2;
}

// The paper of the source; the job's dpi follows a quality that the paper changes.
void MergePaper(DRVDEVMODE* d, const DRVDEVMODE& s, const MODELINFO* m, WORD* jobDpi)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    const WORD id = static_cast<WORD>(s.dmPublic.dmPaperSize);
    SHORT index = DrvFindPaperIndex(m, id);
#ifdef DRV_BUILD_UM
    // The rendering library has no user-defined papers.
    if (index == PAPER_INDEX_USER || index == PAPER_INDEX_USER_LONG) index = MODEL_ID_NOT_LISTED;
#endif
    bool taken = false;
    if (index >= 0) {
        pub.dmPaperSize = static_cast<short>(id);
        if (IsFreeSize(id) || id == kPaperLong) {
            pub.dmPaperWidth = s.dmPublic.dmPaperWidth;
            pub.dmPaperLength = s.dmPublic.dmPaperLength;
            if (id == kPaperLong) {
                LongPaperQuality(d, s, m, jobDpi);
            } else {
                x.wCustomWidth = static_cast<WORD>(s.dmPublic.dmPaperWidth);
                x.wCustomLength = static_cast<WORD>(s.dmPublic.dmPaperLength);
            }
        } else {
            WORD size[2];
            if (DrvGetPaperSize(m, index, size)) {
                pub.dmPaperWidth = static_cast<short>(size[0]);
                pub.dmPaperLength = static_cast<short>(size[1]);
            }
        }
        taken = true;
    } else if ((index == PAPER_INDEX_USER && id >= kPaperUserFirst) || index == PAPER_INDEX_USER_LONG) {
        WORD size[2] = {0, 0};
        const WORD r = index == PAPER_INDEX_USER ? EnumUserDefPapers(m, UPQ_SIZE, size, sizeof size, id, nullptr)
                                                 : EnumUserDefLongPapers(m, UPQ_SIZE, size, sizeof size, id);
        if (r != UPQ_FAILED) {
            pub.dmPaperSize = static_cast<short>(id);
            pub.dmPaperWidth = static_cast<short>(size[0]);
            pub.dmPaperLength = static_cast<short>(size[1]);
            if (index == PAPER_INDEX_USER_LONG) LongPaperQuality(d, s, m, jobDpi);
            taken = true;
        }
    }
    if (!taken) TakeDefaultPaper(d, m);
}

// Booklet and duplex against the paper of the record. A long paper takes no page layout: its
// layout is reset first (as the validation does), so that booklet, fit to paper and the duplex
// check read the layout the record keeps, as the next merge reads it.
void CheckPaperLayout(DRVDEVMODE* d, MODELINFO* m)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    ResetLayoutForSpecialPaper(d, m);
    const WORD paper = static_cast<WORD>(pub.dmPaperSize);
    if (x.dwFinishingMode == FINISHINGMODE_BOOKLET) {
        // A booklet is printed on both sides: a paper that cannot be is fitted to one that can.
        if (!(x.dwFitFlags & FITFLAG_ON)) {
            const WORD effective = DrvGetEffectivePaperId(m, paper);
            if (effective != paper && !(paper > kPaperFree && effective == kPaperFree)) x.dwFitFlags |= FITFLAG_ON;
        }
        if (x.dwFitFlags & FITFLAG_ON) {
            const WORD effective = DrvGetEffectivePaperId(m, static_cast<WORD>(x.dwFitPaper));
            if (effective != x.dwFitPaper) {
                x.dwFitPaper = effective;
                x.dwFitFlags &= ~0x10u;
            }
        }
    } else if (pub.dmDuplex != DMDUP_SIMPLEX) {
        DWORD checked = (x.dwFitFlags & FITFLAG_ON) ? x.dwFitPaper : paper;
        if (checked > kPaperUserFirst) checked = kPaperFree;
        if (DrvGetEffectivePaperId(m, static_cast<WORD>(checked)) != checked) pub.dmDuplex = DMDUP_SIMPLEX;
    }
}

// ---- Range checks of the private part -------------------------------------------------------

void CheckRanges(DRVDEVMODE* d, const MODELINFO* m, WORD jobDpi)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    const DWORD caps = m->dwCapFlags;

    if ((x.wGrayMode & 0xFF) > 3) x.wGrayMode = static_cast<WORD>((x.wGrayMode & 0xFF00) | 1);
    const WORD grayHigh = x.wGrayMode >> 8;
    if (grayHigh > 5 && grayHigh < 0xFD) x.wGrayMode = static_cast<WORD>((x.wGrayMode & 0xFF) | 0xFD00);
    Limit(x.wDarkness, -50, 50, 0);
    Limit(x.wContrast, -50, 50, 0);
    x.wRasterFlags &= 0x7;
    Limit(x.wAux426, 0, 4, 1);
    x.wColorCapable &= 0x3;
    x.wAux428 = 0;
    Limit(x.wAux434, 0, 2, 2);
    Limit(x.wDpiScaledValue, 0, 4, 0);
    x.wAux448 = 1;
    if (DrvFindPaperIndex(m, kPaperFree264) < 0) x.wCustomKind = 0;
    Limit(x.wDensity, 0, 4, 2);
    x.wMediaType &= 0x00FF;
    Limit01(x.wAux460, 0);
    x.wSourceOption &= 0x107;
    if ((x.wAux462 & 0xFF) > 3) x.wAux462 = static_cast<WORD>((x.wAux462 & 0xFF00) | 1);
    if ((x.wAux462 >> 8) > 1) x.wAux462 &= 0x00FF;
    x.wAux468 = 0;
    Limit(x.wTonerSave, 0, 2, 0);
    if (x.wWatermarkFlags > 1 && !(x.wWatermarkFlags & WMKFLAG_FIRSTPAGE)) {
        x.wWatermarkFlags = 0;
        x.szWatermarkName[0] = L'\0';
    }
    Limit(x.wAux794, 0, 3, 0);
    Limit(x.wOffsetX, 0, 300, 0);
    Limit(x.wOffsetY, 0, 300, 0);
    Limit01(x.wRotate180, 1);
    Limit01(x.wPortDirect, (caps & MIF_REVERSEPORTRAIT) ? 1 : 0);
    Limit(x.wMargin, 0, 300, 0);
    Limit(x.wMarginNup, 0, 300, 0);
    Limit(x.wMarginBooklet, 0, 300, 0);
    x.wRasterMode = RASTERMODE_VECTOR;
    Limit01(x.wTTSubst, (caps & MIF_FONTSUBSTITUTION) ? 1 : 0);
    Limit(x.dwMultipage, 0, 6, 0);
    if (x.dwNupOrder & ~0xF000Fu) x.dwNupOrder = 0x20001;
    if (!(InRange(x.dwSignature, 1, 4) || x.dwSignature == -1)) x.dwSignature = -1;
    if (x.dwBookletFlags & 0x3FFFFF08u) x.dwBookletFlags = 0;
    Limit(x.dwEnlarge, 0, 3, 0);
    Limit(x.dwPosterX, 0, 4, 2);
    Limit(x.dwPosterY, 0, 4, 2);
    Limit(x.dwPosterFlags, 0, 15, 15);
    x.dwRegistColor &= 0x00FFFFFF;
    Limit(x.dwOverlapWidth, 0, 200, 0);
    Limit01(x.dwFlag400, 0);
    Limit01(x.wColor, 1);
    Limit01(x.wTrueBlack, 1);
    Limit01(x.wColorModeFlag, 1);
    Limit01(x.wDezodi, 1);
    Limit(x.wAutoColorBkMode, 0, 3, 1);
    Limit01(x.wImageSmooth, 0);
    Limit01(x.wZoom, 0);
    Limit01(x.wPrintToFile, 0);
    Limit(x.wHalftone, 0, 2, 0);
    Limit(x.wColorSubMode, 0, 2, 0);
    Limit(x.wColorDarkness, -100, 100, 0);
    Limit(x.wColorContrast, -100, 100, 0);
    Limit(x.wColorAdjust, 0, 3, 0);
    Limit(x.wColorAdjustOpt, 0, 5, 0);
    Limit01(x.wCcmSection, 0);
    Limit(x.wCcmSettingId, 0, 100, 0);
    Limit(x.wJobType, 0, 2, 0);
    if (x.wOutputBin != kBin0 && x.wOutputBin != kBin1 && x.wOutputBin != kBin17 &&
        x.wOutputBin != kBin18)
        x.wOutputBin = kBin0;
    if (x.dwFinishing & 0xFF88E80Eu) x.dwFinishing = 0;
    Limit(x.dwNoticeOff, 0, 3, 0);
    Limit(x.wColorMode, 0, 4, 0);
    Limit01(x.wMonoSetupDlg, 0);
    Limit(x.wSavedColorMode, 0, 4, x.wColor == 1 ? x.wColorMode : 0);
    Limit(x.wSavedColorSubMode, 0, 2, x.wColor == 1 ? x.wColorSubMode : 0);
    if (x.wAux452 > 1 || jobDpi >= 600) x.wAux452 = 0;
    Limit(x.wAux454, 0, 2, 1);
    x.dwJobFlags &= 0xF;
    Limit(x.wOverlayMode, 0, 2, 0);
    if (x.wOptions & 0x6704) x.wOptions = 0x9018;
    x.wOptions &= static_cast<WORD>(~0x2u);
    Limit(x.wColorProcess, 0, 3, 0);
    Limit(x.wThinOut, 33, 100, 100);
    if (x.wOptions2 & 0xEEC8) x.wOptions2 = (caps & MIF_MKK) ? 1 : 0;
    Limit(x.wHiddenOption, 0, 999, 2);
    Limit(x.wOverPrint, 0, 3, 0);
    Limit(x.wCompressLevel, 0, 9, 6);
    Limit01(x.dwBlackPreservation, 0);
    Limit(x.wTonerSaveLevel, -1, 4, -1);
    Limit(x.wSizeChkMpt, -1, 1, -1);

    // The border style: a negative style, or any style while the word at 444 is above 5, becomes
    // style 1 (no further limit on the style).
    if (static_cast<LONG>(x.dwPageBorder) < 0 || x.wAux444 > 5) x.dwPageBorder = 1;

    // A scale preset outside the presets, where the source's scale did not choose one.
    if (!(pub.dmFields & DM_SCALE)) Limit(x.wScaleIndex, -1, DRV_SCALE_PRESETS - 1, -1);
}

// The free size of the record within the model's limits. Papers 263 and 264 are free sizes like
// 256 and take the same limits, whether or not the record announces their size.
void LimitFreeSize(DRVDEVMODE* d, const FREESIZEBOUNDS& limits)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    const WORD paper = static_cast<WORD>(pub.dmPaperSize);
    if (!(pub.dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH)) && paper != kPaperFree263 && paper != kPaperFree264) return;
    constexpr int64_t kMaxShort = 0x7FFF;
    const int64_t width = Clamp(pub.dmPaperWidth, limits.wMinWidth, std::min<int64_t>(limits.wMaxWidth, kMaxShort));
    const int64_t length = Clamp(pub.dmPaperLength, limits.wMinLength, std::min<int64_t>(limits.wMaxLength, kMaxShort));
    if (width != pub.dmPaperWidth) {
        pub.dmPaperWidth = static_cast<short>(width);
        x.wCustomWidth = static_cast<WORD>(width);
    }
    if (length != pub.dmPaperLength) {
        pub.dmPaperLength = static_cast<short>(length);
        x.wCustomLength = static_cast<WORD>(length);
    }
}

// The rules of step 19 that derive fields from others, in their order.
void DeriveFields(DRVDEVMODE* d, MODELINFO* m, const MODELDEFAULTS* md, const FREESIZEBOUNDS& limits)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;

    static const DWORD kNup[7][3] = {{1, 1, 1}, {2, 1, 2}, {4, 2, 2}, {6, 2, 3}, {8, 2, 4}, {9, 3, 3}, {16, 4, 4}};
    const DWORD* nup = kNup[x.dwMultipage <= 6 ? x.dwMultipage : 0];
    x.dwNupPages = nup[0];
    x.dwNupX = nup[1];
    x.dwNupY = nup[2];

    const WORD paper = static_cast<WORD>(pub.dmPaperSize);
    if (paper == kPaperLong || IsUserLong(paper)) x.dwPaperState |= PAPERSTATE_LONGPAPER;
    else x.dwPaperState &= ~PAPERSTATE_LONGPAPER;

    switch (x.dwEnlarge) {
    case 1: x.dwPosterTiles = 4; break;
    case 2: x.dwPosterTiles = 9; break;
    case 3: x.dwPosterTiles = -1; break;
    default: x.dwPosterTiles = 2; break;
    }

    // The free size is limited before the poster's orientation is chosen from it.
    LimitFreeSize(d, limits);

    if (x.dwPosterFlags & POSTER_AUTOORIENT) {
        if (DrvChoosePosterOrientation(d, m) == DMORIENT_PORTRAIT) x.dwPosterFlags |= POSTER_PORTRAIT;
        else x.dwPosterFlags &= ~POSTER_PORTRAIT;
    }

#ifndef DRV_BUILD_UM
    CcmLoadTables(d);
#endif
    // A table length beyond its field describes no table.
    if (x.wCcmNtLength > sizeof x.bCcmNtTable) x.wCcmNtLength = 0;
    if (x.wCcmNvLength > sizeof x.bCcmNvTable) x.wCcmNvLength = 0;

    DrvUpdateCollateField(d);
    DrvResolveBlackFinish(&x);
    x.wCompress = static_cast<WORD>(md->wCompressLow);
}

#ifdef DRV_BUILD_UM
// A 1200-dpi job whose page is longer than the 1200-dpi limits allow is printed at 600 dpi.
void DropLongPagesTo600(DRVDEVMODE* d, const MODELRECORD* record)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    const MODELINFO* m = &record->ModelInfo;
    const int64_t maxLength = record->FreeSizeLimits[FREESIZE_DPI_CHANGE].portrait.wMaxLength;
    const bool fit = (x.dwFitFlags & FITFLAG_ON) != 0;

    bool drop = !fit && pub.dmPaperLength > maxLength;
    if (x.dwFinishingMode == FINISHINGMODE_POSTER) {
        int64_t length = pub.dmPaperLength;
        if (fit) {
            const WORD fitPaper = static_cast<WORD>(x.dwFitPaper);
            WORD size[2];
            if (IsFreeSize(fitPaper)) length = x.wFitLength;
            else if (DrvGetPaperSize(m, DrvFindPaperIndex(m, fitPaper), size)) length = size[1];
        }
        int64_t down;
        switch (x.dwPosterTiles) {
        case -1: down = x.dwPosterY; break;
        case 4: down = 2; break;
        case 9: down = 3; break;
        default: down = (x.dwPosterFlags & POSTER_PORTRAIT) ? 1 : 2; break;
        }
        if (length * down > maxLength) drop = true;
    }
    if (!drop) return;
    const SHORT slot = Quality(m).SlotOf(600);
    x.wQuality = slot;
    pub.dmPrintQuality = pub.dmPrintQuality < 0 ? slot : static_cast<short>(600);
    // The gradation follows the quality dropped to, as the next merge gives it.
    SetGradation(d, m);
}
#endif

// ---- Validation -----------------------------------------------------------------------------

void CheckValidationCode(DRVEXTRA& x)
{
    for (WORD* w : {&x.wValCode, &x.wAccessCodeOn, &x.wValCodeRegions, &x.wValCodeCustom1, &x.wValCodeCustom2,
                    &x.wValCodeCustom3, &x.wValCodeLite, &x.wPrinterAccess, &x.wValCodeType, &x.wValCodeConfirmed})
        Limit01(*w, 0);
    Limit(x.wValCodeDensity, 0, 16, 8);
    Limit(x.wAccessPromptMode, 0, 2, 0);
    if (x.wCMYDensity != 0 && !InRange(x.wCMYDensity, 16, 18)) x.wCMYDensity = 0;
}

void CheckLongPaper(DRVEXTRA& x)
{
    Limit01(x.wLpPaperCut, 1);
    Limit01(x.wLpPrtMode, 0);
    Limit(x.wLpAdjMode, 0, 2, 0);
    if (x.dwLpStart == kLongAutomatic) {
        const bool inch = x.wLpDispType != 0;
        const bool adjust1 = x.wLpAdjMode == 1;
        int64_t lo, hi;
        if (!inch) {
            lo = adjust1 ? -138717 : -133667;
            hi = adjust1 ? 138714 : 143764;
        } else {
            lo = adjust1 ? -54613 : -52625;
            hi = adjust1 ? 54612 : 56600;
        }
        Limit(x.dwLpStartUi, lo, hi, 0);
        Limit(x.dwLpCutUi, 0, inch ? 54612 : 138714, 0);
    } else {
        Limit(x.dwLpStart, -32768, 32767, 0);
        Limit(x.dwLpCut, 0, 32767, 0);
    }
    if (x.wLpMargin > 31200) x.wLpMargin = 0;
}

#ifndef DRV_BUILD_UM
// Display-unit value of a long-paper position (1/1000 inch with a non-zero unit, else 0.01 mm)
// in 1/600 inch.
int64_t UiToDots600(int64_t v, bool inch)
{
    return inch ? (v * 6000 + 5000) / 10000 : (v * 6000 + 12700) / 25400;
}

// The start keeps its sign and is converted on its magnitude.
LONG StartToDots600(LONG v, bool inch)
{
    const int64_t magnitude = v < 0 ? -static_cast<int64_t>(v) : v;
    const int64_t dots = UiToDots600(magnitude, inch);
    return static_cast<LONG>(v < 0 ? -dots : dots);
}

// The long-paper values in effect, for the paper of the record when it is a long paper: the
// record's own long paper, or the user-defined long paper.
void RefreshLongPaperInEffect(DRVDEVMODE* d, const MODELINFO* m, const MODELDEFAULTS* md)
{
    DRVEXTRA& x = d->dmPrivate;
    const WORD paper = static_cast<WORD>(d->dmPublic.dmPaperSize);
    if (!DrvIsLongPaper(m, paper)) return;

    WORD cut, printMode, adjustMode, margin, marginInch, widthInch, lengthInch, cutFly, unit;
    LONG start, cutAt, startUi, cutUi;
    if (DrvFindPaperIndex(m, paper) == PAPER_INDEX_USER_LONG) {
        LONGPAPER p;
        if (EnumUserDefLongPapers(m, UPQ_RECORD, &p, sizeof p, paper) == UPQ_FAILED) return;
        cut = p.wPaperCut;
        printMode = p.wPrintMode;
        adjustMode = p.wAdjustMode;
        start = p.dwStart;
        cutAt = p.dwCut;
        margin = p.wMargin;
        startUi = p.dwStartUI;
        cutUi = p.dwCutUI;
        unit = p.wUnit;
        marginInch = p.wMarginInch;
        widthInch = p.wWidthInch;
        lengthInch = p.wLengthInch;
        cutFly = p.wCutFly;
    } else {
        cut = x.wLpPaperCut;
        printMode = x.wLpPrtMode;
        adjustMode = x.wLpAdjMode;
        start = x.dwLpStart;
        cutAt = x.dwLpCut;
        margin = x.wLpMargin;
        startUi = x.dwLpStartUi;
        cutUi = x.dwLpCutUi;
        unit = x.wLpDispType;
        marginInch = x.wLpMarginConv;
        widthInch = x.wLpWidthInch;
        lengthInch = x.wLpLengthInch;
        cutFly = x.wLpCutFly;
    }

    x.wSlpPaperCut = (md->UDSLP_Cut_Disabled == 1 && DrvGetCollate(d) == 0) ? 1 : cut;
    x.wSlpPrtMode = printMode;
    x.wSlpAdjMode = adjustMode;
    if (start == kLongAutomatic) {
        x.dwSlpStart = StartToDots600(startUi, unit != 0);
        x.dwSlpCut = static_cast<LONG>(UiToDots600(cutUi, unit != 0));
    } else {
        x.dwSlpStart = start;
        x.dwSlpCut = cutAt;
    }
    x.wSlpMargin = margin;
    x.wLpMarginConv = marginInch;
    x.wSlpWidthInch = widthInch;
    x.wSlpLengthInch = lengthInch;
    x.wSlpCutFly = cutFly;

    Limit01(x.wSlpPaperCut, 1);
    Limit01(x.wSlpPrtMode, 0);
    Limit(x.wSlpAdjMode, 0, 2, 0);
    if (x.dwLpStart == kLongAutomatic && x.wSlpAdjMode == 1) Limit(x.dwSlpStart, -32768, 32767, 0);
    else Limit(x.dwSlpStart, -31575, 33960, 0);
    Limit(x.dwSlpCut, 0, 32767, 0);
    if (x.wSlpMargin > 31200) x.wSlpMargin = 0;
    Limit01(x.wLpCutFly, 0);
    Limit01(x.wSlpCutFly, 0);
    Limit01(x.wSlpPrtRgnOff, 0);
}
#endif

void CheckOptions(DRVEXTRA& x, const MODELDEFAULTS* md)
{
    for (WORD* w : {&x.wSuperColor, &x.wUseLoginUser, &x.wAuthFixedUser, &x.wAuthUseStored, &x.wAuthLocalUser,
                    &x.wFixWmk})
        Limit01(*w, 0);
    Limit01(x.wAux2790, 1);
    Limit01(x.wColorDensity, 0);
    Limit(x.wUserPaperMax, 32, 200, 32);
    Terminate(x.szAuthUser);
    Terminate(x.szAuthPassword);
    if (x.wSecureMode > 2) {
        x.wSecureMode = 0;
        x.wJobType = 0;
        x.dwJobFlags = 15;
    }
#ifndef DRV_BUILD_UM
    if (md) {
        x.dwDisableFontAlias = static_cast<DWORD>(md->UDbDisableFontAlias);
        x.wPatternSize = static_cast<WORD>(md->UDPatternSize);
    }
#else
    (void)md;
#endif
    Limit01(x.wManualDuplex, 0);
}

// The position bit of a source in the [PaperSourceType] and paper-type masks.
DWORD SourceBit(WORD source)
{
    switch (source) {
    case kSource1: return 0x1;
    case kSource4:
    case kSource257: return 0x4;
    case kSource259: return 0x2;
    case kSource260: return 0x10;
    case kSource261: return 0x20;
    case kSource262: return 0x40;
    default: return 0x80;
    }
}

// The position bit of an output bin; 0 for a value that is no bin.
DWORD BinBit(WORD bin)
{
    switch (bin) {
    case kBin0: return 0x2000;
    case kBin1: return 0x1000;
    case kBin17: return 0x4000;
    case kBin18: return 0x8000;
    default: return 0;
    }
}

DWORD PaperTypeMask(const MODELINFO* m, WORD paperType)
{
    return DrvGetPaperTypeMask(m, DrvFindPaperTypeIndex(m, paperType));
}

// Trays, media, bins, finishing and long-edge feed against the paper's and the paper type's
// position masks.
void CheckPositions(DRVDEVMODE* d, const MODELINFO* m)
{
    DEVMODEW& pub = d->dmPublic;
    DRVEXTRA& x = d->dmPrivate;
    const DWORD caps = m->dwCapFlags;
    const bool finisher = (x.wDeviceOption & DEVOPT_FINISHER) != 0;

    DWORD paper = (x.dwFitFlags & FITFLAG_ON) ? x.dwFitPaper : static_cast<WORD>(pub.dmPaperSize);
    if (IsUserLong(paper)) paper = kPaperLong;
    else if (paper >= kPaperUserFirst) paper = kPaperFree;
    const DWORD P = DrvGetPaperSourceMask(m, DrvFindPaperIndex(m, static_cast<WORD>(paper)));
    DWORD T = PaperTypeMask(m, x.wMediaType);

    // 6. Source, paper type and bin.
    DWORD sourceBit = SourceBit(static_cast<WORD>(pub.dmDefaultSource));
    if (!(P & sourceBit)) {
        pub.dmDefaultSource = static_cast<short>(kSource257);
        sourceBit = SourceBit(kSource257);
    }
    if (static_cast<WORD>(pub.dmDefaultSource) != kSource528 && !(T & sourceBit)) {
        x.wMediaType = 0;
        T = PaperTypeMask(m, 0);
    }
    // A bin the paper or the paper type cannot reach: with a finisher bin 17 (bin 0 in place of
    // 17) when they can reach that one, else bin 1. (Taking the other bin unchecked would swap 0
    // and 17 on every pass where neither is reachable.)
    auto reachable = [P, &T](WORD bin) { return (P & BinBit(bin)) && (T & BinBit(bin)); };
    if (!reachable(x.wOutputBin)) {
        const WORD other = x.wOutputBin == kBin17 ? kBin0 : kBin17;
        x.wOutputBin = finisher && reachable(other) ? other : kBin1;
    }

    // 7. Finishing.
    if (!finisher && x.dwFinishing != 0) {
        x.dwFinishing = 0;
        x.bStaplePos = 0;
        x.bStaple = 0;
        x.bPunch = 0;
    }
    if (x.bPunchUnit == 0) {
        x.dwFinishing &= ~kFinishingPunchBits;
        x.bPunch = 0;
    }
    if (x.dwFinishing != 0 &&
        !(x.wOutputBin == kBin18 && (P & kFinishingPositions) && (T & kFinishingPositions)))
        x.dwFinishing = 0;

    // 8. Long-edge feed.
    const WORD source = static_cast<WORD>(pub.dmDefaultSource);
    const bool manualFeed = source == kSource4 || source == kSource257;
    const WORD page = static_cast<WORD>(pub.dmPaperSize);
    const bool shortEdgePaper = page == kPaperLetter || page == kPaperA4 || page == kPaperB5;
    const bool envMode = (caps & MIF_ENVMODE) != 0;
    if (envMode) {
        x.wValidated = 0;
        const bool coverManual = x.wCoverSource == kSource4 || x.wCoverSource == kSource257;
        if ((x.wPaperCheck & PAPERCHECK_LONGEDGE) && (manualFeed || coverManual) && (caps & MIF_A3PRINTER)) {
            const bool freePaper = page == kPaperFree || InRange(page, kPaperUserFirst, kPaperUserLastShort);
            if (shortEdgePaper || (freePaper && pub.dmPaperLength <= 3280)) x.wValidated = kValidatedLongEdge;
        }
    }
    if (manualFeed && shortEdgePaper) {
        if (x.wOutputBin == kBin18 || (x.dwFinishing & kFinishingLongEdgeOn)) {
            x.wPaperCheck |= PAPERCHECK_LONGEDGE;
            if (envMode) x.wValidated |= kValidatedLongEdge;
        } else if (x.dwFinishing & kFinishingLongEdgeOff) {
            x.wPaperCheck &= static_cast<WORD>(~PAPERCHECK_LONGEDGE);
            if (envMode) x.wValidated &= static_cast<WORD>(~kValidatedLongEdge);
        }
    }
}

void CheckSecureData(DRVEXTRA& x)
{
    bool pinClear = true;
    for (char c : x.szCryptoPin) pinClear = pinClear && c == 0;
    if (x.wSecureMode != 0 && (x.dwSecureOption1 > 2 || x.dwSecureOption2 > 3 || !pinClear || x.wSecureLimit24 >= 24 ||
                               x.wSecureLimit60 >= 60 || x.dwCryptoPinLen > 255))
        x.wSecureMode = 0;
    // A length beyond the block describes no secure data.
    if (x.dwCryptoPinLen > 255) x.dwCryptoPinLen = 0;
    if (LOBYTE(LOWORD(DrvGetWindowsVersion())) >= 6) {
        x.wDeviceOption &= static_cast<WORD>(~0x4u);
        if (x.wSecureMode != 0) {
            x.wSecureMode = 0;
            x.wJobType = 0;
            x.dwJobFlags = 15;
        }
    }
}

void ValidatePrivate(DRVDEVMODE* d, const Model* model)
{
    DRVEXTRA& x = d->dmPrivate;
    CheckValidationCode(x);
    CheckLongPaper(x);
#ifndef DRV_BUILD_UM
    if (model) RefreshLongPaperInEffect(d, model->info, model->defaults);
#endif
    CheckOptions(x, model ? model->defaults : nullptr);
    if (model) {
        ResetLayoutForSpecialPaper(d, model->info);
        CheckPositions(d, model->info);
    }
    CheckSecureData(x);
    Limit01(x.dwBlackPreservation, 0);
    Limit(x.wTonerSaveLevel, -1, 4, -1);
    Limit(x.wSizeChkMpt, -1, 1, -1);
}

}  // namespace

BOOL DrvCopyDevmodeRecord(const DEVMODEW* src, DRVDEVMODE* out)
{
    return out && NormaliseSource(src, out) ? TRUE : FALSE;
}

BOOL DrvIsCurrentDevmode(const DEVMODEW* dm, const WORD* stamp)
{
    if (!dm || !stamp) return FALSE;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(dm);
    WORD size = 0, extra = 0;
    std::memcpy(&size, bytes + offsetof(DEVMODEW, dmSize), sizeof size);
    std::memcpy(&extra, bytes + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    if (DWORD{size} + extra != DRV_DEVMODE_SIZE) return FALSE;
    constexpr size_t kStampOffset = offsetof(DRVDEVMODE, dmPrivate) + offsetof(DRVEXTRA, wDataFileVersion);
    return std::memcmp(bytes + kStampOffset, stamp, DATAFILE_STAMPS * sizeof(WORD)) == 0 ? TRUE : FALSE;
}

void DrvSwapShortPaper(DRVDEVMODE* dm)
{
    constexpr short kPaperShortLength = 82;
    DEVMODEW& pub = dm->dmPublic;
    if (pub.dmPaperSize == kPaperShortLength && pub.dmPaperLength > pub.dmPaperWidth) {
        const short length = pub.dmPaperLength;
        pub.dmPaperLength = pub.dmPaperWidth;
        pub.dmPaperWidth = length;
    }
}

BOOL DrvMergeDevmode(DRVDEVMODE* dest, const DEVMODEW* src)
{
    if (!dest) return FALSE;
    DEVMODEW& pub = dest->dmPublic;
    DRVEXTRA& x = dest->dmPrivate;

    // 1. The source as a whole record, zero where it holds nothing.
    DRVDEVMODE s;
    if (!NormaliseSource(src, &s)) {
        Model model;
        return FindModel(x, &model) ? TRUE : FALSE;
    }
    const DEVMODEW& sp = s.dmPublic;
    const DWORD F = sp.dmFields;

    // 2. The private part, from a record of this driver for the same model.
    if (IsOwnRecordOf(s, *dest)) {
        size_t n = sp.dmDriverExtra;
        if (n > pub.dmDriverExtra) n = pub.dmDriverExtra;
        if (n > sizeof(DRVEXTRA)) n = sizeof(DRVEXTRA);
        std::memcpy(&x, &s.dmPrivate, n);
        TerminateTexts(x);
    }

    // 3. Form name and display fields.
    std::memcpy(pub.dmFormName, sp.dmFormName, sizeof pub.dmFormName);
    Terminate(pub.dmFormName);
    pub.dmLogPixels = sp.dmLogPixels;
    pub.dmBitsPerPel = sp.dmBitsPerPel;
    pub.dmPelsWidth = sp.dmPelsWidth;
    pub.dmPelsHeight = sp.dmPelsHeight;
    pub.dmDisplayFlags = sp.dmDisplayFlags;
    pub.dmDisplayFrequency = sp.dmDisplayFrequency;

    // 4. The model.
    Model model;
    if (!FindModel(x, &model)) return FALSE;
    MODELINFO* m = model.info;
    const MODELDEFAULTS* md = model.defaults;
    const DWORD caps = m->dwCapFlags;

    // 5. Layout and installed options; the finisher bit of the shared model information.
    if (x.dwFinishingMode > FINISHINGMODE_POSTER) x.dwFinishingMode = FINISHINGMODE_NORMAL;
    if (x.dwFitFlags & ~0x13u) x.dwFitFlags = 0;
    if (x.wDeviceOption > 15) x.wDeviceOption &= 0xF;
    if (x.wDeviceOption & DEVOPT_FINISHER) m->wFinisherType |= FINISHERTYPE_INSTALLED;
    else m->wFinisherType &= static_cast<WORD>(~FINISHERTYPE_INSTALLED);
    if (!(x.wDeviceOption & DEVOPT_HDD) && (x.wJobType == 2 || x.wSecureMode != 0)) {
        x.wJobType = 0;
        x.wSecureMode = 0;
        x.dwJobFlags &= ~JOBFLAG_KEEP;
    }

    // 6. The free-size limits, now that the finisher bit is known.
    FREESIZEBOUNDS limits = {};
    if (const FREESIZELIMITS* l = DrvGetCustomSizeLimits(m)) limits = l->portrait;

    // 7. Duplex. A value outside simplex, vertical and horizontal is simplex. The manual-duplex
    // switch is read as the validation leaves it (other than 0/1: off).
    Limit01(x.wManualDuplex, 0);
    const bool duplexValue = InRange(sp.dmDuplex, DMDUP_SIMPLEX, DMDUP_HORIZONTAL);
    if (x.wDeviceOption & DEVOPT_DUPLEX) {
        pub.dmFields |= DM_DUPLEX;
        pub.dmDuplex = duplexValue ? sp.dmDuplex : static_cast<short>(DMDUP_SIMPLEX);
    } else {
        pub.dmFields &= ~static_cast<DWORD>(DM_DUPLEX);
        pub.dmDuplex = (x.wManualDuplex && duplexValue) ? sp.dmDuplex : static_cast<short>(DMDUP_SIMPLEX);
    }

    // 8. Orientation and copies.
    if (F & DM_ORIENTATION)
        pub.dmOrientation = (sp.dmOrientation == DMORIENT_PORTRAIT || sp.dmOrientation == DMORIENT_LANDSCAPE)
                                ? sp.dmOrientation
                                : static_cast<short>(DMORIENT_PORTRAIT);
    if (F & DM_COPIES) pub.dmCopies = static_cast<short>(Clamp(sp.dmCopies, 1, 999));

    // 9. Automatic print quality.
    Limit01(x.wAPQuality, 0);
    if (x.wAPQuality == 1) pub.dmFields &= ~static_cast<DWORD>(DM_PRINTQUALITY);
    else pub.dmFields |= DM_PRINTQUALITY;

    // 10. Print quality.
    WORD jobDpi = MergeQuality(dest, sp.dmPrintQuality, s.dmPrivate.wQuality, m);

    // 11. Gradation: follows the quality, whether or not the source announces it. The record
    // announces it always, so a value taken unannounced from outside (any number, 0 or a
    // display's depth) would stand in the record as its gradation, print the job at another
    // level than its quality's, and be replaced by the next merge of the record.
    SetGradation(dest, m);

    // 12. Paper. The booklet and duplex checks are made whether or not the source announces
    // its paper: the record announces its paper always, so the next merge makes them.
    if (F & DM_PAPERSIZE) MergePaper(dest, s, m, &jobDpi);
    CheckPaperLayout(dest, m);

    // 13. The free size of paper 256.
    const bool freeSize = static_cast<WORD>(pub.dmPaperSize) == kPaperFree;
    if (freeSize) pub.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    else pub.dmFields &= ~static_cast<DWORD>(DM_PAPERWIDTH | DM_PAPERLENGTH);
    if ((F & (DM_PAPERWIDTH | DM_PAPERLENGTH)) && freeSize &&
        InRange(sp.dmPaperWidth, limits.wMinWidth, limits.wMaxWidth) &&
        InRange(sp.dmPaperLength, limits.wMinLength, limits.wMaxLength)) {
        pub.dmPaperWidth = sp.dmPaperWidth;
        pub.dmPaperLength = sp.dmPaperLength;
        x.wCustomWidth = static_cast<WORD>(sp.dmPaperWidth);
        x.wCustomLength = static_cast<WORD>(sp.dmPaperLength);
    }

    // 14. Paper source.
    if (F & DM_DEFAULTSOURCE) {
        const WORD source = static_cast<WORD>(sp.dmDefaultSource);
        if (DrvFindSourceIndex(m, source) >= 0 || DrvFindMediaIndex(m, source) >= 0)
            pub.dmDefaultSource = sp.dmDefaultSource;
        else if (source == kSource4 && DrvFindSourceIndex(m, kSource257) >= 0)
            pub.dmDefaultSource = static_cast<short>(kSource257);
        else
            pub.dmDefaultSource = static_cast<short>(DrvGetDefaultSourceId(m));
    }

    // 15. Scale.
    if (F & DM_SCALE) {
        if (sp.dmScale != 0) pub.dmScale = static_cast<short>(Clamp(sp.dmScale, 1, 400));
        SHORT index = DRV_SCALE_PRESETS - 1;
        for (SHORT i = 0; i < DRV_SCALE_PRESETS - 1; ++i) {
            if (g_ScalePresets[i] == pub.dmScale) {
                index = i;
                break;
            }
        }
        x.wScaleIndex = index;
        pub.dmFields |= DM_SCALE;
    } else {
        pub.dmFields &= ~static_cast<DWORD>(DM_SCALE);
    }

    // 16. TrueType.
    pub.dmTTOption = InRange(sp.dmTTOption, DMTT_BITMAP, DMTT_DOWNLOAD_OUTLINE) ? sp.dmTTOption
                                                                               : static_cast<short>(DMTT_DOWNLOAD);

    // 17. Colour. The colour switch is read as the range check leaves it (other than 0/1: 1), and
    // follows the colour in effect, also where the source gives none (the default's then), so
    // that the private part never contradicts dmColor.
    Limit01(x.wColor, 1);
    if ((F & DM_COLOR) && (sp.dmColor == DMCOLOR_MONOCHROME || sp.dmColor == DMCOLOR_COLOR)) pub.dmColor = sp.dmColor;
    if (pub.dmColor == DMCOLOR_COLOR && x.wColor == 0 && !(caps & MIF_MONOCHROME)) {
        x.wColor = 1;
        x.wColorMode = 0;
    } else if (pub.dmColor == DMCOLOR_MONOCHROME && x.wColor == 1) {
        x.wColor = 0;
        x.wColorMode = 1;
    }

    // 18. Collate and y resolution.
    pub.dmCollate = (sp.dmCollate == DMCOLLATE_FALSE || sp.dmCollate == DMCOLLATE_TRUE) ? sp.dmCollate
                                                                                       : static_cast<short>(DMCOLLATE_FALSE);
    Limit01(x.wCollate, 0);
    // The y resolution is taken but not announced: the rendering library sets its own (the
    // job's resolution) whatever the record holds, so the record's fields stay as they were.
    if (F & DM_YRESOLUTION) pub.dmYResolution = sp.dmYResolution;

    // 19. Ranges of the private part and the fields derived from others.
    CheckRanges(dest, m, jobDpi);
    DeriveFields(dest, m, md, limits);

    // 20. Validation against the model and the colour-matching method. The method follows the
    // colour settings of the merged record (not those of the source, which the merge may have
    // replaced or, for a source without a private part, never had): the next merge reads them
    // from the record.
    ValidatePrivate(dest, &model);
    UpdateIcmFields(dest, dest, m);
#ifdef DRV_BUILD_UM
    if (jobDpi == 1200) DropLongPagesTo600(dest, model.record);
#endif
    return TRUE;
}

void DrvValidatePrivateDevmode(DRVDEVMODE* dm, DRVEXTRA* extra)
{
    if (!dm || (extra && extra != &dm->dmPrivate)) return;
    Model model;
    ValidatePrivate(dm, FindModel(dm->dmPrivate, &model) ? &model : nullptr);
}
