// Reader of a model's default settings; see modeldefaults_reader.h.
#include "modeldefaults_reader.h"

#ifndef DRV_BUILD_UM

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <type_traits>

#include "datafile_parse.h"
#include "datafiles.h"
#include "model_queries.h"
#include "papertables.h"

// The built-in image. Fields not named here are 0 or empty.
const MODELDEFAULTS g_BuiltInModelDefaults = {
    .szModelName = {},
    .UDfitpage = 0,
    .dwDefaultPaper = 0,
    .wDefaultPaperWidth = 0,
    .wDefaultPaperLength = 0,
    .UDCoverPrint = 0,
    .UDSource_Cover = 1,
    .wCoverSourceId = 0,
    .UDCoverPrintThick = 0,
    .UDDriverSetting_Pinfof = 1,
    .UDOrientation = 1,
    .UDPortDirect = 0,
    .UDLandDirect = 0,
    .UDLongEdge = 1,
    .UDCopies = 1,
    .UDwJobType = 0,
    .UDfCollate = 0,
    .UDdwJobTypeOption = 1,
    .UDSouceOption = 0,
    .UDautotray = 1,
    .UDsizechk = 1,
    .UDDuplex = 0,
    .UDHdd = 0,
    .UDJobSpool = 0,
    .UDFinisher = 0,
    .wInterleave = 0,
    .wInterleaveSource = 0,
    .reserved314 = {},
    .UDdwFinishingMode = 0,
    .UDmultipage = 0,
    .UDdwPageBorder = 1,
    .UDmultiPort = 0,
    .UDmultiLand = 0,
    .UDdwSignature = -1,
    .UD2UP = 0,
    .UDRightToLeft = 0,
    .UDSyncOrderBooklet = 0,
    .UDReverseBooklet = 0,
    .UDEnlarge = 0,
    .UDRegistMarks = 1,
    .UDdwRegistColor = 0xC0C0C0,
    .UDOverlap = 1,
    .UDOverlapWidth = 100,
    .UDCstmX = 2,
    .UDCstmY = 2,
    .UDDirectionPort = 1,
    .UDDirectionAuto = 1,
    .UDdmScale = 100,
    .UDBandArea_Nup = 0,
    .UDBandArea_BookLet = 0,
    .UDBandWidth_Nup = 0,
    .UDBandWidth_BookLet = 0,
    .UDOutputBin = 0,
    .dwFinishing = 0,
    .dwNoticeOff = 0,
    .UDColorProcessMode = 0,
    .UDdmDuplex = 1,
    .wColorTabMode = 0,
    .UDhalftone = 0,
    .UDcoloradjust = 0,
    .UDcoloradjustOpt = 0,
    .UDfOverPrint = 0,
    .UDBlackFinish = 1,
    .UDfColor = 1,
    .UDPrintQuality = 1,
    .UDImageThinOut = -3,
    .UDfDriverExpand = 100,
    .UDRop_MultiColor = 0,
    .UDAlMatte = 0,
    .UDSpoolEMF = 0,
    .UDTIFF = 0,
    .UDAdjLine = 0,
    .UDAP_Collate = 0,
    .UDOUTorBIT = 1,
    .wWatermarkFlags = 0,
    .szWatermarkName = {},
    .UDwFontSize = 72,
    .UDwAngle = 45,
    .UDszFont = L"Arial",
    .UDlfWeight = 400,
    .UDlfItalic = 0,
    .reserved565 = {},
    .UDdwColor = 0xC0C0C0,
    .reserved572 = 0,
    .reserved574 = {},
    .UDxOffset = 0,
    .UDyOffset = 0,
    .UDBasePos = 3,
    .UDTrim = 0,
    .UDWM_XOffset = 118,
    .UDWM_YOffset = 118,
    .UDDocContents = 0,
    .UDEnvWarningDlg = 0,
    .UDFreeHdd_General32 = 0,
    .UDFreeMem_General32 = 0,
    .UDFreeGdi_General32 = 0,
    .UDFreeHdd_DTP32 = 0,
    .UDFreeMem_DTP32 = 0,
    .UDFreeGdi_DTP32 = 0,
    .UDEnableEnv = 0,
    .reserved610 = {},
    .wOverlayMode = 0,
    .UDTonerSave = 0,
    .UDColorDarkness = 0,
    .UDColorContrast = 0,
    .UDDarkness = 0,
    .UDContrast = 0,
    .UDMPFisManual = 0,
    .reserved628 = {},
    .UDMaintenanceCycle = 0,
    .wCompressLow = 0,
    .wCompressHigh = 0,
    .UDUiQuality = -3,
    .UDUsePrinterFont = 1,
    .UDCMYDensity = 0,
    .UDPaperCut = 0,
    .wLongPaperWidth = 0,
    .wLongPaperLength = 0,
    .UDSLP_PrtMode = 0,
    .UDSLP_AdjMode = 0,
    .reserved2394 = {},
    .UDSLP_Start = 50000,  // 50000: automatic
    .UDSLP_Cut = 50000,    // 50000: automatic
    .UDSLP_Margin = 0,
    .UDSLP_Cut_Disabled = 0,
    .UDSLP_CutFly = 0,
    .UDSLP_PrtRgnOFF = 0,
    .UDGProColorMode = 0,
    .UDGProInRGBProf = 0,
    .UDGProInCMYKProf = 0,
    .UDGProOutProfile = 0,
    .UDGProRndrIntent = 0,
    .UDGProPrecision = 0,
    .UDGProBlackMode = 0,
    .UDfPunchUnit = 0,
    .UDfPosition = 4,
    .UDfStaplePos = 0,
    .UDfPunchHole = 0,
    .UDColorTabPosition = 0,
    .UDDepth = 5,
    .UDColorImageSmooth = 0,
    .UDScaleField = 1,
    .UDGProTxeGraBlack = 1,
    .reserved2433 = {},
    .UDDispType = 0,
    .UDUseOffset = 0,
    .UDOffsetX = 0,
    .UDOffsetY = 0,
    .UDShowAPQuality = 0,
    .UDAPQuality = 0,
    .UDHideDuplex = 0,
    .UDValCode = 0,
    .UDValCode_del = 0,
    .UDValCode_custom1 = 0,
    .UDValCode_custom2 = 0,
    .UDValCode_custom3 = 0,
    .UDValCode_density = 0,
    .UDValCode_regions = 0,
    .UDValCode_off_lev = 0,
    .UDValCode_Lite = 0,
    .UDValCode_Access = 0,
    .UDValCode_Type = 0,
    .UDValCode_Pass = {},
    .UDJobInfo = 0,
    .UDSuperColor = 0,
    .UDColorDensity = 0,
    .reserved2510 = {},
    .UDbDisableFontAlias = 0,
    .UDAutoColorBkMode = 1,
    .UDPatternSize = 1,
    .UDMonoStupDlg = 0,
    .UDCustomSizeMaxNum = 32,
    .reserved2524 = {},
    .UDUA_UseWinLogin = 0,
    .UDUA_Guest = 0,
    .UDUA_SaveUserInfo = 0,
    .UDFinisherMinSizeX = 762,
    .UDFinisherMinSizeY = 1200,
    .UDFinisherMaxSizeX = 3048,
    .UDFinisherMaxSizeY = 12000,
    .UDHideHDD = 0,
    .UDNTrapp = 0,
    .reserved2546 = {},
    .UDdmCollate = 0,
    .UDCollateStyle = 0,
    .UDFixWMK = 0,
    .UDICMMethod = 0,
    .UDICMIntent = 0,
    .UDMonoRender = 5,
    .UDBitmapDRTRender = 3,
    .UDBitmapIDX1Render = 3,
    .UDBitmapIDX4Render = 3,
    .UDBitmapIDX8Render = 3,
    .UDGraphicsRender = 3,
    .UDTextRender = 3,
    .UDHideFinisher = 0,
    .UDDispTypeSLP = 0,
    .UDPreview = 0,
    .reserved2580 = 0,
    .reserved2582 = {},
    .UDSLP_Start_UI = 0,
    .UDSLP_Cut_UI = 0,
    .UDsizechk_MPT = -1,
    .reserved2594 = {},
    .UDbTonerSave_100 = 0,
    .UDsTonerSaveItem = -1,
    .UDTrayNum = 0,
    .UDBlackLetter = 0,
    .reserved2606 = {},
    .UDICPrint_Name = 0,
    .UDNoRePrint = 0,
    .reserved2614 = {},
};

namespace {

static_assert(std::is_trivially_copyable_v<MODELDEFAULTS> && std::is_standard_layout_v<MODELDEFAULTS>);

// The resolution of the dot sizes of the global paper table.
constexpr LONG kPaperTableDpi = 300;
// The paper that is given one more dot of length before its size is converted.
constexpr WORD kPaperIdWithExtraDot = 9;
// The long paper of the global paper table.
constexpr WORD kLongPaperId = 275;

// How a key's value becomes its field.
enum class KeyKind : BYTE {
    Integer,    // INI integer, low bits kept
    Integer16,  // INI integer taken as a signed 16-bit number, into a LONG
    Number,     // text: decimal or 0x hexadecimal number, low bits kept
    Quoted,     // text: the first quoted string, cut to the field
    WatermarkImport,  // not a key: the shipped watermarks are imported here
};

struct KeySpec {
    LPCWSTR section;
    LPCWSTR key;
    WORD offset;
    BYTE size;
    bool isSigned;
    KeyKind kind;
};

#define MD_KEY(section, field, kind)                                                      \
    KeySpec                                                                               \
    {                                                                                     \
        section, L"" #field, static_cast<WORD>(offsetof(MODELDEFAULTS, field)),           \
            static_cast<BYTE>(sizeof(MODELDEFAULTS::field)),                              \
            std::is_signed_v<std::remove_all_extents_t<decltype(MODELDEFAULTS::field)>>, \
            KeyKind::kind                                                                 \
    }
#define MD_INT(section, field) MD_KEY(section, field, Integer)

// Every key, in the order of the sections of the data files. A key's name is its field's name.
constexpr KeySpec kKeys[] = {
    MD_INT(L"PAPER", UDfitpage),
    MD_INT(L"PAPER", UDCoverPrint),
    MD_INT(L"PAPER", UDSource_Cover),
    MD_INT(L"PAPER", UDCoverPrintThick),
    MD_INT(L"PAPER", UDDriverSetting_Pinfof),

    // The section's name is written so in the data files.
    MD_INT(L"ORIENTAION", UDOrientation),
    MD_INT(L"ORIENTAION", UDPortDirect),
    MD_INT(L"ORIENTAION", UDLandDirect),
    MD_INT(L"ORIENTAION", UDLongEdge),
    MD_INT(L"ORIENTAION", UDMPFisManual),

    MD_INT(L"COPIES", UDCopies),
    MD_INT(L"COPIES", UDfCollate),
    MD_INT(L"COPIES", UDdmCollate),
    MD_INT(L"COPIES", UDCollateStyle),

    MD_INT(L"REQUESTEVERY", UDdwJobTypeOption),

    MD_INT(L"OPTION", UDSouceOption),
    MD_INT(L"OPTION", UDautotray),
    MD_INT(L"OPTION", UDsizechk),
    MD_INT(L"OPTION", UDDuplex),
    MD_INT(L"OPTION", UDHdd),
    MD_INT(L"OPTION", UDJobSpool),
    MD_INT(L"OPTION", UDFinisher),

    MD_INT(L"LAYOUTTYPE", UDdwFinishingMode),
    MD_INT(L"LAYOUTTYPE", UDmultipage),
    MD_INT(L"LAYOUTTYPE", UDdwPageBorder),
    MD_INT(L"LAYOUTTYPE", UDmultiPort),
    MD_INT(L"LAYOUTTYPE", UDmultiLand),
    MD_INT(L"LAYOUTTYPE", UDdwSignature),
    MD_INT(L"LAYOUTTYPE", UD2UP),
    MD_INT(L"LAYOUTTYPE", UDRightToLeft),
    MD_INT(L"LAYOUTTYPE", UDSyncOrderBooklet),
    MD_INT(L"LAYOUTTYPE", UDReverseBooklet),
    MD_INT(L"LAYOUTTYPE", UDEnlarge),
    MD_INT(L"LAYOUTTYPE", UDRegistMarks),
    MD_KEY(L"LAYOUTTYPE", UDdwRegistColor, Number),
    MD_INT(L"LAYOUTTYPE", UDOverlap),
    MD_INT(L"LAYOUTTYPE", UDOverlapWidth),
    MD_INT(L"LAYOUTTYPE", UDCstmX),
    MD_INT(L"LAYOUTTYPE", UDCstmY),
    MD_INT(L"LAYOUTTYPE", UDDirectionPort),
    MD_INT(L"LAYOUTTYPE", UDDirectionAuto),

    MD_INT(L"ETC", UDdmScale),
    MD_INT(L"ETC", UDBandArea_Nup),
    MD_INT(L"ETC", UDBandArea_BookLet),
    MD_KEY(L"ETC", UDBandWidth_Nup, Number),
    MD_KEY(L"ETC", UDBandWidth_BookLet, Number),
    MD_INT(L"ETC", UDTonerSave),
    MD_INT(L"ETC", UDScaleField),

    MD_INT(L"FINISHING", UDOutputBin),
    MD_INT(L"FINISHING", UDfPunchUnit),
    MD_INT(L"FINISHING", UDfPosition),
    MD_INT(L"FINISHING", UDfStaplePos),
    MD_INT(L"FINISHING", UDfPunchHole),

    MD_INT(L"DUPLEX", UDdmDuplex),

    MD_INT(L"COLORMODE", UDColorDarkness),
    MD_INT(L"COLORMODE", UDColorContrast),
    MD_INT(L"COLORMODE", UDDarkness),
    MD_INT(L"COLORMODE", UDContrast),
    MD_INT(L"COLORMODE", UDColorTabPosition),
    MD_INT(L"COLORMODE", UDColorImageSmooth),
    MD_INT(L"COLORMODE", UDColorDensity),
    MD_INT(L"COLORMODE", UDMonoStupDlg),

    MD_INT(L"COLORMATCHING", UDGProColorMode),
    MD_INT(L"COLORMATCHING", UDGProInRGBProf),
    MD_INT(L"COLORMATCHING", UDGProInCMYKProf),
    MD_INT(L"COLORMATCHING", UDGProOutProfile),
    MD_INT(L"COLORMATCHING", UDGProRndrIntent),
    MD_INT(L"COLORMATCHING", UDGProPrecision),
    MD_INT(L"COLORMATCHING", UDGProBlackMode),
    MD_INT(L"COLORMATCHING", UDGProTxeGraBlack),

    MD_INT(L"COLORMODECOLOR", UDhalftone),
    MD_INT(L"COLORMODECOLOR", UDcoloradjust),
    MD_INT(L"COLORMODECOLOR", UDcoloradjustOpt),

    MD_INT(L"BLACKFINISH", UDBlackFinish),
    MD_INT(L"BLACKFINISH", UDAutoColorBkMode),

    MD_INT(L"RESOLUTION", UDPrintQuality),
    MD_INT(L"RESOLUTION", UDUiQuality),
    MD_INT(L"RESOLUTION", UDDepth),

    MD_INT(L"IMAGEQUALITY", UDImageThinOut),

    MD_INT(L"DETAILSETTING", UDfOverPrint),
    MD_INT(L"DETAILSETTING", UDfDriverExpand),
    MD_INT(L"DETAILSETTING", UDRop_MultiColor),
    MD_INT(L"DETAILSETTING", UDAlMatte),
    MD_INT(L"DETAILSETTING", UDSpoolEMF),  // turned over on the CustomFile pass, see below
    MD_INT(L"DETAILSETTING", UDTIFF),
    MD_INT(L"DETAILSETTING", UDAdjLine),
    MD_INT(L"DETAILSETTING", UDAP_Collate),
    MD_INT(L"DETAILSETTING", UDMaintenanceCycle),
    MD_INT(L"DETAILSETTING", UDCMYDensity),
    MD_KEY(L"DETAILSETTING", UDUseOffset, Integer16),
    MD_INT(L"DETAILSETTING", UDOffsetX),
    MD_INT(L"DETAILSETTING", UDOffsetY),
    MD_INT(L"DETAILSETTING", UDShowAPQuality),
    MD_INT(L"DETAILSETTING", UDAPQuality),
    MD_INT(L"DETAILSETTING", UDPatternSize),
    MD_INT(L"DETAILSETTING", UDBlackLetter),

    MD_INT(L"APCOLOR", UDfColor),

    MD_INT(L"PROCESSMODE", UDColorProcessMode),

    MD_INT(L"FONT", UDOUTorBIT),
    MD_INT(L"FONT", UDUsePrinterFont),

    // The shipped watermarks reach the settings INI before the watermark defaults are read.
    KeySpec{nullptr, nullptr, 0, 0, false, KeyKind::WatermarkImport},

    MD_INT(L"WATERMARK", UDwFontSize),
    MD_INT(L"WATERMARK", UDwAngle),
    MD_KEY(L"WATERMARK", UDszFont, Quoted),
    MD_INT(L"WATERMARK", UDlfWeight),
    MD_INT(L"WATERMARK", UDlfItalic),
    MD_KEY(L"WATERMARK", UDdwColor, Number),
    MD_INT(L"WATERMARK", UDxOffset),
    MD_INT(L"WATERMARK", UDyOffset),
    MD_INT(L"WATERMARK", UDBasePos),
    MD_INT(L"WATERMARK", UDTrim),
    MD_INT(L"WATERMARK", UDWM_XOffset),
    MD_INT(L"WATERMARK", UDWM_YOffset),

    MD_INT(L"PCENV", UDDocContents),
    MD_INT(L"PCENV", UDEnvWarningDlg),
    MD_INT(L"PCENV", UDFreeHdd_General32),
    MD_INT(L"PCENV", UDFreeMem_General32),
    MD_INT(L"PCENV", UDFreeGdi_General32),
    MD_INT(L"PCENV", UDFreeHdd_DTP32),
    MD_INT(L"PCENV", UDFreeMem_DTP32),
    MD_INT(L"PCENV", UDFreeGdi_DTP32),
    MD_INT(L"PCENV", UDEnableEnv),

    MD_INT(L"SUPERLONGPAPER", UDPaperCut),
    MD_INT(L"SUPERLONGPAPER", UDSLP_PrtMode),
    MD_INT(L"SUPERLONGPAPER", UDSLP_AdjMode),
    MD_INT(L"SUPERLONGPAPER", UDSLP_Start),
    MD_INT(L"SUPERLONGPAPER", UDSLP_Cut),
    MD_INT(L"SUPERLONGPAPER", UDSLP_Margin),
    MD_INT(L"SUPERLONGPAPER", UDSLP_Cut_Disabled),
    MD_INT(L"SUPERLONGPAPER", UDSLP_CutFly),
    MD_INT(L"SUPERLONGPAPER", UDSLP_PrtRgnOFF),
    MD_INT(L"SUPERLONGPAPER", UDDispTypeSLP),
    MD_KEY(L"SUPERLONGPAPER", UDSLP_Start_UI, Integer16),
    MD_KEY(L"SUPERLONGPAPER", UDSLP_Cut_UI, Integer16),

    MD_KEY(L"PRINTERPREVIEW", UDPreview, Integer16),

    MD_KEY(L"TONERSAVE", UDbTonerSave_100, Integer16),
    MD_INT(L"TONERSAVE", UDsTonerSaveItem),

    MD_INT(L"OPTION", UDHideDuplex),
    MD_INT(L"OPTION", UDHideHDD),
    MD_INT(L"OPTION", UDHideFinisher),
    MD_INT(L"OPTION", UDsizechk_MPT),
    MD_INT(L"OPTION", UDTrayNum),
    MD_KEY(L"OPTION", UDICPrint_Name, Integer16),
    MD_INT(L"OPTION", UDNoRePrint),

    MD_INT(L"USERFREESIZE", UDDispType),

    MD_INT(L"VALCODE", UDValCode),
    MD_INT(L"VALCODE", UDValCode_del),
    MD_INT(L"VALCODE", UDValCode_custom1),
    MD_INT(L"VALCODE", UDValCode_custom2),
    MD_INT(L"VALCODE", UDValCode_custom3),
    MD_INT(L"VALCODE", UDValCode_density),
    MD_INT(L"VALCODE", UDValCode_regions),
    MD_INT(L"VALCODE", UDValCode_off_lev),
    MD_INT(L"VALCODE", UDValCode_Lite),
    MD_INT(L"VALCODE", UDValCode_Access),
    MD_INT(L"VALCODE", UDValCode_Type),
    MD_KEY(L"VALCODE", UDValCode_Pass, Quoted),

    MD_INT(L"FONT", UDbDisableFontAlias),

    MD_INT(L"CUSTOMSIZE", UDCustomSizeMaxNum),

    MD_INT(L"UserAuth", UDUA_UseWinLogin),
    MD_INT(L"UserAuth", UDUA_Guest),
    MD_INT(L"UserAuth", UDUA_SaveUserInfo),

    MD_INT(L"USERFREESIZE", UDFinisherMinSizeX),
    MD_INT(L"USERFREESIZE", UDFinisherMinSizeY),
    MD_INT(L"USERFREESIZE", UDFinisherMaxSizeX),
    MD_INT(L"USERFREESIZE", UDFinisherMaxSizeY),

    MD_INT(L"CUSTOMSIZE", UDNTrapp),

    MD_INT(L"WATERMARK", UDJobInfo),
    MD_INT(L"WATERMARK", UDFixWMK),

    MD_INT(L"ETC", UDSuperColor),
    MD_INT(L"ETC", UDICMMethod),
    MD_INT(L"ETC", UDICMIntent),
    MD_INT(L"ETC", UDMonoRender),
    MD_INT(L"ETC", UDBitmapDRTRender),
    MD_INT(L"ETC", UDBitmapIDX1Render),
    MD_INT(L"ETC", UDBitmapIDX4Render),
    MD_INT(L"ETC", UDBitmapIDX8Render),
    MD_INT(L"ETC", UDGraphicsRender),
    MD_INT(L"ETC", UDTextRender),
};

#undef MD_INT
#undef MD_KEY

// Each kind fits its fields: integers of 1, 2 or 4 bytes, 16-bit readings into LONGs, numbers
// into 16- or 32-bit fields, quoted texts into WCHAR arrays.
constexpr bool KeyTableIsSound()
{
    for (const KeySpec& k : kKeys) {
        if (k.kind == KeyKind::WatermarkImport) continue;
        if (k.offset + k.size > sizeof(MODELDEFAULTS)) return false;
        switch (k.kind) {
        case KeyKind::Integer:
            if (k.size != 1 && k.size != 2 && k.size != 4) return false;
            break;
        case KeyKind::Integer16:
            if (k.size != 4 || !k.isSigned) return false;
            break;
        case KeyKind::Number:
            if (k.size != 2 && k.size != 4) return false;
            break;
        case KeyKind::Quoted:
            if (k.size < 2 * sizeof(WCHAR) || k.size % sizeof(WCHAR) != 0) return false;
            break;
        default:
            return false;
        }
    }
    return true;
}
static_assert(KeyTableIsSound());

bool HasFile(LPCWSTR path) { return path && path[0] != L'\0'; }

// The field at offset as a number: sign-extended for signed fields, zero-extended otherwise.
int32_t LoadField(const MODELDEFAULTS& md, const KeySpec& k)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&md) + k.offset;
    switch (k.size) {
    case 1: {
        uint8_t v;
        std::memcpy(&v, p, 1);
        return k.isSigned ? static_cast<int8_t>(v) : v;
    }
    case 2: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return k.isSigned ? static_cast<int16_t>(v) : v;
    }
    default: {
        int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

// Stores the low bits of value that fit the field at offset.
void StoreField(MODELDEFAULTS& md, const KeySpec& k, uint32_t value)
{
    BYTE* p = reinterpret_cast<BYTE*>(&md) + k.offset;
    if (k.size == 1) {
        const uint8_t v = static_cast<uint8_t>(value);
        std::memcpy(p, &v, 1);
    } else if (k.size == 2) {
        const uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(p, &v, 2);
    } else {
        std::memcpy(p, &value, 4);
    }
}

void CopyFieldBytes(MODELDEFAULTS& to, const MODELDEFAULTS& from, const KeySpec& k)
{
    std::memcpy(reinterpret_cast<BYTE*>(&to) + k.offset,
                reinterpret_cast<const BYTE*>(&from) + k.offset, k.size);
}

// The INI integer of key, or fallback when the key is missing or there is no file.
uint32_t ReadInteger(LPCWSTR file, const KeySpec& k, int32_t fallback)
{
    if (!HasFile(file)) return static_cast<uint32_t>(fallback);
    return GetPrivateProfileIntW(k.section, k.key, fallback, file);
}

// Copies text into the WCHAR field of fieldBytes bytes at field, cut to the field's characters
// less one and terminated; the rest of the field is zeroed.
void StoreText(void* field, size_t fieldBytes, LPCWSTR text)
{
    const size_t cch = fieldBytes / sizeof(WCHAR);
    const size_t n = wcsnlen(text, cch - 1);
    std::memset(field, 0, fieldBytes);
    std::memcpy(field, text, n * sizeof(WCHAR));
}

// Writes the size of a paper-table row, converted from dots at the table's resolution to
// 0.1 mm. Paper 9 is given one more dot of length first.
void StorePaperSize(const PAPERINFO& paper, SHORT* width, SHORT* length)
{
    const LONG widthDots = paper.widthDots;
    const LONG lengthDots = paper.lengthDots + (paper.paperId == kPaperIdWithExtraDot ? 1 : 0);
    *width = static_cast<SHORT>((widthDots * 2540 + 5 * kPaperTableDpi) / (10 * kPaperTableDpi));
    *length = static_cast<SHORT>((lengthDots * 2540 + 5 * kPaperTableDpi) / (10 * kPaperTableDpi));
}

// The paper-table row of the default entry of the active paper list, or NULL when the default
// index is not an entry of the list or its row is not a row of the table.
const PAPERINFO* DefaultPaperRow(const MODELINFO& info)
{
    const LONG count = std::min<LONG>(info.nPapers, MODEL_PAPER_LIST_ROWS);
    const LONG index = info.iDefaultPaper;
    if (index < 0 || index >= count) return nullptr;
    const DWORD row = info.adwPaperList[index];
    return row < PAPER_TABLE_ROWS ? &g_PaperTable[row] : nullptr;
}

// The first row of the global paper table that holds paperId, or NULL.
const PAPERINFO* FindPaperRow(WORD paperId)
{
    const WORD rows = std::min<WORD>(g_PaperTableCount, PAPER_TABLE_ROWS);
    for (WORD i = 0; i < rows; ++i)
        if (g_PaperTable[i].paperId == paperId) return &g_PaperTable[i];
    return nullptr;
}

void ImportShippedWatermarks(WatermarkImportProc importWatermarks)
{
    if (!importWatermarks) return;
    WCHAR path[MAX_PATH];
    if (DrvGetInitDataFile3(path, TRUE, MAX_PATH) == 0) return;
    importWatermarks(path);
}

}  // namespace

void ReadModelDefaults(MODELRECORD* record, LPCWSTR modelName, LPCWSTR dataFile,
                       const MODELDEFAULTS* defaults, int pass, DWORD compressionCaps,
                       WatermarkImportProc importWatermarks)
{
    if (!record) return;
    const MODELDEFAULTS& base = defaults ? *defaults : g_BuiltInModelDefaults;
    // The record's own defaults as they were before this pass (defaults may be this very
    // object, so the result is built apart and copied in at the end).
    const MODELDEFAULTS& previous = record->ModelDefaults;
    const MODELINFO& info = record->ModelInfo;

    MODELDEFAULTS out = {};

    // Model name.
    StoreText(out.szModelName, sizeof out.szModelName, modelName ? modelName : L"");

    // Default paper.
    if (const PAPERINFO* paper = DefaultPaperRow(info)) {
        out.dwDefaultPaper = paper->paperId;
        StorePaperSize(*paper, &out.wDefaultPaperWidth, &out.wDefaultPaperLength);
    }

    // The keys.
    WCHAR value[MODELDEFAULTS_VALUE_CCH];
    for (const KeySpec& k : kKeys) {
        switch (k.kind) {
        case KeyKind::WatermarkImport:
            ImportShippedWatermarks(importWatermarks);
            break;
        case KeyKind::Integer:
            StoreField(out, k, ReadInteger(dataFile, k, LoadField(base, k)));
            break;
        case KeyKind::Integer16: {
            const uint32_t v = ReadInteger(dataFile, k, LoadField(base, k));
            StoreField(out, k, static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(v))));
            break;
        }
        case KeyKind::Number:
        case KeyKind::Quoted: {
            const DWORD n = HasFile(dataFile) ? GetPrivateProfileStringW(k.section, k.key, L"", value,
                                                                         MODELDEFAULTS_VALUE_CCH, dataFile)
                                              : 0;
            if (n == 0) {
                // Absent or empty: the default on the DefaultFile pass, the field as it was
                // on the CustomFile pass.
                CopyFieldBytes(out, pass == MODELDEFAULTS_PASS_DEFAULTFILE ? base : previous, k);
                break;
            }
            LPWSTR cursor = value;
            if (k.kind == KeyKind::Number) {
                StoreField(out, k, DataFileParseHexOrDec(&cursor, L','));
            } else {
                // The whole value is one token, so that a comma inside the quotes is kept.
                StoreText(reinterpret_cast<BYTE*>(&out) + k.offset, k.size,
                          DataFileParseString(&cursor, L'\0'));
            }
            break;
        }
        }
    }

    // The job type is not taken from the data files; the spooled-EMF switch is stored as read
    // by the DefaultFile pass and turned into "0 when the key's value is 1" by the CustomFile
    // pass.
    out.UDwJobType = 0;
    out.reserved2580 = 0;
    if (pass != MODELDEFAULTS_PASS_DEFAULTFILE) out.UDSpoolEMF = out.UDSpoolEMF == 1 ? 0 : 1;

    // Fields that no key sets.
    out.wInterleave = base.wInterleave;
    out.wInterleaveSource = base.wInterleaveSource;
    out.dwFinishing = base.dwFinishing;
    out.dwNoticeOff = base.dwNoticeOff;
    out.wWatermarkFlags = base.wWatermarkFlags;
    std::memcpy(out.szWatermarkName, base.szWatermarkName, sizeof out.szWatermarkName);
    out.reserved572 = base.reserved572;
    out.wOverlayMode = base.wOverlayMode;
    // The colour mode belongs to the DEVMODE constructor.
    out.wColorTabMode = previous.wColorTabMode;

    // Computed fields.
    out.wCoverSourceId = static_cast<SHORT>(DrvGetSourceOrMediaId(&info, out.UDSource_Cover));
    if (const PAPERINFO* longPaper = FindPaperRow(kLongPaperId))
        StorePaperSize(*longPaper, &out.wLongPaperWidth, &out.wLongPaperLength);
    out.wCompressLow = static_cast<SHORT>(compressionCaps & 0xFF);
    out.wCompressHigh = static_cast<SHORT>((compressionCaps >> 8) & 0xFF);

    record->ModelDefaults = out;
}

#endif  // DRV_BUILD_UM
