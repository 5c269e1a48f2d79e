// The driver DEVMODE: the default record of each sample model, field by field; the rules the
// defaults follow on models made to order; the layout reset, the colour-matching fields, and the
// black-finish and collate rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <type_traits>
#include <string>
#include <vector>

#include "datafiles.h"
#include "import_patch.h"
#include "capfile.h"
#include "devmode.h"
#include "model_queries.h"
#include "modeltable.h"
#include "module.h"
#include "papertables.h"
#include "sample_machine.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

// ---- Field-by-field comparison ------------------------------------------------------------

struct FieldDesc {
    const char* name;
    size_t offset;
    size_t size;
    bool text;  // WCHAR text
};

template <typename T>
constexpr bool IsWideText = std::is_same_v<std::remove_all_extents_t<T>, WCHAR> && std::is_array_v<T>;

#define PUB(f) FieldDesc{#f, offsetof(DRVDEVMODE, dmPublic.f), sizeof(DEVMODEW::f), IsWideText<decltype(DEVMODEW::f)>}
#define EXT(f) FieldDesc{#f, offsetof(DRVDEVMODE, dmPrivate.f), sizeof(DRVEXTRA::f), IsWideText<decltype(DRVEXTRA::f)>}
const FieldDesc kFields[] = {
    PUB(dmDeviceName),
    PUB(dmSpecVersion),
    PUB(dmDriverVersion),
    PUB(dmSize),
    PUB(dmDriverExtra),
    PUB(dmFields),
    PUB(dmOrientation),
    PUB(dmPaperSize),
    PUB(dmPaperLength),
    PUB(dmPaperWidth),
    PUB(dmScale),
    PUB(dmCopies),
    PUB(dmDefaultSource),
    PUB(dmPrintQuality),
    PUB(dmColor),
    PUB(dmDuplex),
    PUB(dmYResolution),
    PUB(dmTTOption),
    PUB(dmCollate),
    PUB(dmFormName),
    PUB(dmLogPixels),
    PUB(dmBitsPerPel),
    PUB(dmPelsWidth),
    PUB(dmPelsHeight),
    PUB(dmNup),
    PUB(dmDisplayFrequency),
    PUB(dmICMMethod),
    PUB(dmICMIntent),
    PUB(dmMediaType),
    PUB(dmDitherType),
    PUB(dmReserved1),
    PUB(dmReserved2),
    PUB(dmPanningWidth),
    PUB(dmPanningHeight),
    EXT(dwFinishingMode),
    EXT(dwNupPages),
    EXT(dwNupX),
    EXT(dwNupY),
    EXT(dwNupOrder),
    EXT(dwPageBorder),
    EXT(dwMultipage),
    EXT(dwPaperState),
    EXT(dwSignature),
    EXT(dwBookletFlags),
    EXT(dwReserved260),
    EXT(dwBookletPages),
    EXT(dwFitPaper),
    EXT(dwFitFlags),
    EXT(wFitWidth),
    EXT(wFitLength),
    EXT(dwFitScale),
    EXT(reserved284),
    EXT(dwPosterTiles),
    EXT(dwPosterX),
    EXT(dwPosterY),
    EXT(dwPosterFlags),
    EXT(dwRegistColor),
    EXT(dwOverlapWidth),
    EXT(dwEnlarge),
    EXT(reserved316),
    EXT(dwFlag400),
    EXT(wJobInfoWmk),
    EXT(wJobCopies),
    EXT(dwManualDuplexSheets),
    EXT(wManualDuplex),
    EXT(wOutputBinCopy),
    EXT(reserved416),
    EXT(wGrayMode),
    EXT(wDarkness),
    EXT(wRasterFlags),
    EXT(wAux426),
    EXT(wAux428),
    EXT(wColorCapable),
    EXT(wContrast),
    EXT(wAux434),
    EXT(wCustomWidth),
    EXT(wCustomLength),
    EXT(wScaleIndex),
    EXT(wDuplexEdge),
    EXT(wAux444),
    EXT(wDpiScaledValue),
    EXT(wAux448),
    EXT(wCustomKind),
    EXT(wAux452),
    EXT(wAux454),
    EXT(wDensity),
    EXT(wMediaType),
    EXT(wAux460),
    EXT(wAux462),
    EXT(wCustomUnit),
    EXT(wDpiBaseValue),
    EXT(wAux468),
    EXT(wTonerSave),
    EXT(wWatermarkFlags),
    EXT(szWatermarkName),
    EXT(szWatermarkText),
    EXT(szWatermarkFont),
    EXT(szWatermarkText2),
    EXT(wWmkSize),
    EXT(wWmkAngle),
    EXT(reserved774),
    EXT(dwWmkColor),
    EXT(wWmkX),
    EXT(wWmkY),
    EXT(bWmkItalic),
    EXT(reserved785),
    EXT(dwWmkWeight),
    EXT(bWmkCharSet),
    EXT(reserved793),
    EXT(wAux794),
    EXT(wOffsetX),
    EXT(wOffsetY),
    EXT(wAutoTray),
    EXT(wAux802),
    EXT(wRotate180),
    EXT(wRotateByKind),
    EXT(wAux808),
    EXT(wRasterMode),
    EXT(wTTSubst),
    EXT(wFontMode),
    EXT(szModelName),
    EXT(dwRequiredMem),
    EXT(wAux884),
    EXT(wBinding),
    EXT(wBindingNup),
    EXT(wBindingBooklet),
    EXT(wMargin),
    EXT(wMarginNup),
    EXT(wMarginBooklet),
    EXT(wColor),
    EXT(wTrueBlack),
    EXT(wImageSmooth),
    EXT(wColorModeFlag),
    EXT(wHalftone),
    EXT(wColorSubMode),
    EXT(wColorAdjust),
    EXT(wColorAdjustOpt),
    EXT(wCcmSection),
    EXT(wCcmSettingId),
    EXT(wColorDarkness),
    EXT(wColorContrast),
    EXT(wZoom),
    EXT(wPrintToFile),
    EXT(wJobType),
    EXT(wOutputBin),
    EXT(wDeviceOption),
    EXT(wQuality),
    EXT(wSourceOption),
    EXT(wColorMode),
    EXT(reserved938),
    EXT(dwPin),
    EXT(szJobName),
    EXT(szJobNameSaved),
    EXT(dwJobFlags),
    EXT(wFineScreen),
    EXT(wBlackGen),
    EXT(dwOverlayId),
    EXT(wOverlayMode),
    EXT(wDezodi),
    EXT(wCollate),
    EXT(wColorProcess),
    EXT(wThinOut),
    EXT(wPortDirect),
    EXT(wOptions),
    EXT(wOptions2),
    EXT(wHiddenOption),
    EXT(wOverPrint),
    EXT(dwFinishing),
    EXT(wDataFileVersion),
    EXT(wCoverPrint),
    EXT(wCoverSource),
    EXT(wCoverMedia),
    EXT(wInterleave),
    EXT(wInterleaveSource),
    EXT(wMpfIsManual),
    EXT(wEnvDocContents),
    EXT(wEnvWarning),
    EXT(wEnvLimits),
    EXT(wPresetIndex),
    EXT(szPresetName),
    EXT(wPresetCount),
    EXT(wPinfof),
    EXT(wEnableEnv),
    EXT(bCcmNtTable),
    EXT(wCcmNtLength),
    EXT(bCcmNvTable),
    EXT(wCcmNvLength),
    EXT(wPaperCheck),
    EXT(reserved1702),
    EXT(dwNoticeOff),
    EXT(wCompress),
    EXT(wCompressLevel),
    EXT(wValidated),
    EXT(reserved1714),
    EXT(wWmkPosition),
    EXT(wWmkFrame),
    EXT(wCMYDensity),
    EXT(wLpPaperCut),
    EXT(wLpWidth),
    EXT(wLpLength),
    EXT(wLpPrtMode),
    EXT(wLpAdjMode),
    EXT(dwLpStart),
    EXT(dwLpCut),
    EXT(wLpMargin),
    EXT(bGProColorMode),
    EXT(bGProInRGBProf),
    EXT(bGProInCMYKProf),
    EXT(bGProOutProfile),
    EXT(bGProRndrIntent),
    EXT(bGProPrecision),
    EXT(bGProBlackMode),
    EXT(bGProTxeGraBlack),
    EXT(bPunchUnit),
    EXT(bStaplePos),
    EXT(bStaple),
    EXT(bPunch),
    EXT(szCustom1),
    EXT(szCustom2),
    EXT(szDeptPassword),
    EXT(szCustom3),
    EXT(wCustomCode),
    EXT(wAPQuality),
    EXT(reserved2398),
    EXT(wValCode),
    EXT(wAccessCodeOn),
    EXT(wValCodeCustom1),
    EXT(wValCodeCustom2),
    EXT(wValCodeCustom3),
    EXT(wValCodeDensity),
    EXT(wValCodeRegions),
    EXT(bAccessCode),
    EXT(reserved2434),
    EXT(wAccessPromptMode),
    EXT(wValCodeLite),
    EXT(wPrinterAccess),
    EXT(wValCodeType),
    EXT(wValCodeConfirmed),
    EXT(szAccessCode),
    EXT(wWmkJobInfo),
    EXT(wSecureMode),
    EXT(dwSecureOption1),
    EXT(dwSecureOption2),
    EXT(szCryptoPin),
    EXT(reserved2513),
    EXT(wSecureLimit60),
    EXT(wSecureLimit24),
    EXT(reserved2524),
    EXT(abCryptoPin),
    EXT(dwCryptoPinLen),
    EXT(wSuperColor),
    EXT(wAux2790),
    EXT(wColorDensity),
    EXT(reserved2794),
    EXT(dwDisableFontAlias),
    EXT(wAutoColorBkMode),
    EXT(wPatternSize),
    EXT(wMonoSetupDlg),
    EXT(wSavedColorMode),
    EXT(wSavedColorSubMode),
    EXT(wUserPaperMax),
    EXT(reserved2812),
    EXT(wUseLoginUser),
    EXT(szAuthUser),
    EXT(szAuthPassword),
    EXT(wAuthFixedUser),
    EXT(wAuthUseStored),
    EXT(wAuthLocalUser),
    EXT(szAppName),
    EXT(wNTrapp),
    EXT(wSlpPaperCut),
    EXT(wSlpPrtMode),
    EXT(wSlpAdjMode),
    EXT(reserved3982),
    EXT(dwSlpStart),
    EXT(dwSlpCut),
    EXT(wSlpMargin),
    EXT(reserved3994),
    EXT(dwLpStartUi),
    EXT(dwLpCutUi),
    EXT(wLpMarginConv),
    EXT(wLpWidthInch),
    EXT(wLpLengthInch),
    EXT(wSlpWidthInch),
    EXT(wSlpLengthInch),
    EXT(wLpCutFly),
    EXT(wSlpCutFly),
    EXT(wSlpPrtRgnOff),
    EXT(wFixWmk),
    EXT(reserved4022),
    EXT(dwUserAuth),
    EXT(szAccountText1),
    EXT(szAccountText2),
    EXT(wLpDispType),
    EXT(reserved4358),
    EXT(dwPreview),
    EXT(dwBlackPreservation),
    EXT(wTonerSaveLevel),
    EXT(wSizeChkMpt),
    EXT(dwInstallDuplex),
    EXT(dwICPrintName),
};
#undef PUB
#undef EXT

std::string Show(const BYTE* p, const FieldDesc& f)
{
    if (f.text) {
        std::wstring text(reinterpret_cast<const wchar_t*>(p), f.size / sizeof(WCHAR));
        text.resize(wcsnlen(text.c_str(), text.size()));
        return "\"" + std::string(text.begin(), text.end()) + "\"";
    }
    if (f.size <= 4) {
        uint32_t v = 0;
        std::memcpy(&v, p, f.size);
        const int64_t s = f.size == 1 ? int8_t(v) : f.size == 2 ? int16_t(v) : int32_t(v);
        return std::to_string(v) + (s < 0 ? " (" + std::to_string(s) + ")" : "");
    }
    std::string hex;
    char b[4];
    for (size_t i = 0; i < f.size && i < 24; ++i) {
        snprintf(b, sizeof b, "%02X", p[i]);
        hex += b;
    }
    return hex + (f.size > 24 ? "..." : "");
}

// Every named field equal, each difference reported by its name; then every byte between the
// named fields (the reserved ranges) equal.
void ExpectSameRecord(const DRVDEVMODE& actual, const DRVDEVMODE& expected)
{
    const auto* a = reinterpret_cast<const BYTE*>(&actual);
    const auto* e = reinterpret_cast<const BYTE*>(&expected);
    std::vector<bool> covered(sizeof(DRVDEVMODE), false);
    for (const FieldDesc& f : kFields) {
        for (size_t i = 0; i < f.size; ++i) covered[f.offset + i] = true;
        EXPECT_EQ(std::memcmp(a + f.offset, e + f.offset, f.size), 0)
            << f.name << " (offset " << f.offset << "): expected " << Show(e + f.offset, f) << ", actual "
            << Show(a + f.offset, f);
    }
    for (size_t i = 0; i < sizeof(DRVDEVMODE); ++i) {
        if (covered[i]) continue;
        EXPECT_EQ(a[i], e[i]) << "reserved byte at offset " << i;
    }
}

const wchar_t kPrinter[] = L"Printer";

DRVDEVMODE Zeroed()
{
    DRVDEVMODE dm;
    std::memset(&dm, 0, sizeof dm);
    return dm;
}

// Nothing to build from: no model information or a model that is not in the model table.
TEST(DevmodeDefaultsWithoutModel, NothingIsBuiltAndTheRecordIsCleared)
{
    DrvFreeModelTable();
    MODELINFO info;
    std::memset(&info, 0, sizeof info);
    wcscpy(info.szModelName, L"No Such Model");
    DRVDEVMODE dm;
    std::memset(&dm, 0xA5, sizeof dm);
    EXPECT_FALSE(DrvDefaultDevmode(&dm, &info, kPrinter, L"No Such Model"));
    ExpectSameRecord(dm, Zeroed());
    std::memset(&dm, 0xA5, sizeof dm);
    EXPECT_FALSE(DrvDefaultDevmode(&dm, nullptr, kPrinter, L"No Such Model"));
    ExpectSameRecord(dm, Zeroed());
    EXPECT_FALSE(DrvDefaultDevmode(nullptr, &info, kPrinter, L"No Such Model"));
    // No printer: the driver record cannot be read.
    EXPECT_FALSE(DrvBuildDefaultDevmode(&dm, kPrinter, nullptr));
}

// The layout reset: one page per sheet, no fit, no booklet or poster, scale 100; nothing else.
TEST(DevmodeLayout, ResetLayoutFieldsTouchesTheLayoutOnly)
{
    DRVDEVMODE dm;
    std::memset(&dm, 0x5A, sizeof dm);
    DRVDEVMODE expected = dm;
    expected.dmPrivate.dwFinishingMode = FINISHINGMODE_NORMAL;
    expected.dmPrivate.dwFitFlags = 0;
    expected.dmPrivate.dwNupPages = 1;
    expected.dmPrivate.dwNupX = 1;
    expected.dmPrivate.dwNupY = 1;
    expected.dmPrivate.dwPageBorder = 1;
    expected.dmPublic.dmFields &= ~static_cast<DWORD>(DM_SCALE);
    expected.dmPublic.dmScale = 100;
    expected.dmPrivate.wBindingNup = 1;
    expected.dmPrivate.wBindingBooklet = 0;
    EXPECT_EQ(ResetLayoutFields(&dm), &dm.dmPrivate);
    ExpectSameRecord(dm, expected);
}

// The black-finish rule on the private part (the model's own finish is not consulted in the
// colour modes).
TEST(DevmodeRules, BlackFinishFromTheColourSettings)
{
    const struct {
        const char* what;
        WORD options2, colorMode, halftone, color, subMode;
        WORD fineScreen, trueBlack, blackGen;
    } cases[] = {
        {"bit 0", 0x1, 1, 0, 1, 0, 0, 1, 1},
        {"bit 2", 0x4, 1, 0, 1, 0, 0, 0, 3},
        {"bit 1", 0x2, 1, 0, 1, 0, 0, 1, 0},
        {"no bit: true black kept", 0x0, 1, 0, 1, 0, 0, 7, 0},
        {"halftone 2 adds fine screen; finish 1 becomes 2", 0x1, 1, 2, 1, 0, 1, 1, 0},
        {"fine screen given", 0x104, 1, 0, 1, 0, 1, 0, 3},
        {"colour matching forces true black", 0x4, 1, 0, 1, 2, 0, 1, 3},
        {"bit 4 gives 2", 0x14, 1, 0, 1, 0, 0, 2, 3},
        {"bit 5 gives 0", 0x21, 1, 0, 1, 0, 0, 0, 1},
        {"grey: unknown model counts as other", 0x4, 1, 0, 0, 0, 0, 1, 1},
        {"automatic colour: unknown model counts as other", 0x4, 0, 2, 1, 0, 0, 1, 1},
    };
    DrvFreeModelTable();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DRVEXTRA ext;
        std::memset(&ext, 0, sizeof ext);
        wcscpy(ext.szModelName, L"No Such Model");
        ext.wOptions2 = c.options2;
        ext.wColorMode = c.colorMode;
        ext.wHalftone = c.halftone;
        ext.wColor = c.color;
        ext.wColorSubMode = c.subMode;
        ext.wTrueBlack = 7;
        ext.wBlackGen = 9;
        DrvResolveBlackFinish(&ext);
        EXPECT_EQ(ext.wFineScreen, c.fineScreen);
        EXPECT_EQ(ext.wTrueBlack, c.trueBlack);
        EXPECT_EQ(ext.wBlackGen, c.blackGen);
        EXPECT_EQ(ext.wOptions2, c.options2);
    }
}

TEST(DevmodeRules, CollateInEffect)
{
    DRVDEVMODE dm = Zeroed();
    dm.dmPublic.dmCollate = DMCOLLATE_TRUE;
    dm.dmPrivate.wCollate = 0;
    EXPECT_EQ(DrvGetCollate(&dm), 0);
    dm.dmPrivate.wOptions = OPT_APCOLLATE;
    EXPECT_EQ(DrvGetCollate(&dm), 1);
}

}  // namespace

#ifndef DRV_BUILD_UM
namespace {

const wchar_t kC710[] = L"Velmora ColorPage C710";
const wchar_t kC710N[] = L"Velmora ColorPage C710N";
const wchar_t kC510[] = L"Velmora ColorPage C510";
const wchar_t kC910J[] = L"Velmora ColorPage C910J";


// The sample driver folder, its own data folders, and a user in a Letter country (so the inch
// paper lists are active).
class DevmodeDefaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(letter.active());
    }

    // Writes a key into a model file of the driver folder before the model is loaded, with a new
    // version stamp, as an updated data file has, so that its cached record is not taken.
    void Set(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* value)
    {
        const std::wstring path = driver.path() + L"models\\" + file;
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, path.c_str()));
        ASSERT_TRUE(WritePrivateProfileStringW(L"VERSION", L"Ver", std::to_wstring(++version_).c_str(), path.c_str()));
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    }
    int version_ = 100;

    MODELINFO* Load(const wchar_t* name)
    {
        DrvRefreshModel(name, nullptr);
        return DrvGetModelInfo(name);
    }

    // The default record of a model, loaded first.
    DRVDEVMODE Build(const wchar_t* name)
    {
        DRVDEVMODE dm = Zeroed();
        MODELINFO* model = Load(name);
        EXPECT_NE(model, nullptr);
        if (model) {
            EXPECT_TRUE(DrvDefaultDevmode(&dm, model, kPrinter, name));
        }
        return dm;
    }

    SampleMachine machine;
    const DriverFolder& driver = machine.driver();
    FixedLocaleCountry letter{L"1"};
};

// What every sample model shares: the built-in defaults, Letter from the inch list, vector mode.
DRVDEVMODE Baseline(const wchar_t* model)
{
    DRVDEVMODE e = Zeroed();
    DEVMODEW& p = e.dmPublic;
    DRVEXTRA& x = e.dmPrivate;
    wcscpy(p.dmDeviceName, kPrinter);
    p.dmSpecVersion = 0x401;
    p.dmDriverVersion = 0x500;
    p.dmSize = 220;
    p.dmDriverExtra = 4160;
    // UDCollateStyle 0 announces collate; UDScaleField 1 announces the scale.
    p.dmFields = 0x40F03 | DM_COLLATE | DM_SCALE;
    p.dmOrientation = DMORIENT_PORTRAIT;
    p.dmPaperSize = DMPAPER_LETTER;
    p.dmPaperWidth = 2159;
    p.dmPaperLength = 2794;
    p.dmScale = 100;
    p.dmCopies = 1;
    p.dmPrintQuality = 600;   // UDPrintQuality 1 is no quality: 600
    p.dmColor = DMCOLOR_COLOR;
    p.dmDuplex = DMDUP_SIMPLEX;
    p.dmTTOption = 2;         // UDOUTorBIT 1
    p.dmBitsPerPel = 5;
    x.dwNupPages = x.dwNupX = x.dwNupY = 1;
    x.dwNupOrder = 0x10001;
    x.dwPageBorder = 1;
    x.dwSignature = -1;
    x.dwFitPaper = DMPAPER_LETTER;
    x.wFitWidth = x.wCustomWidth = 2159;
    x.wFitLength = x.wCustomLength = 2794;
    x.dwFitScale = 100;
    x.dwPosterTiles = 2;
    x.dwPosterX = x.dwPosterY = 2;
    x.dwPosterFlags = POSTER_AUTOORIENT | POSTER_PORTRAIT | POSTER_REGISTMARKS | POSTER_OVERLAP;
    x.dwRegistColor = 0xC0C0C0;
    x.dwOverlapWidth = 100;
    x.wJobCopies = 1;
    x.wGrayMode = 1;
    x.wAux426 = 1;
    x.wColorCapable = 1;
    x.wAux434 = 2;
    x.wScaleIndex = -1;
    x.wDpiScaledValue = x.wDpiBaseValue = 1;
    x.wAux448 = 1;
    x.wAux454 = 1;
    x.wDensity = 2;
    x.wAux462 = 1;
    x.wAutoTray = 1;
    x.wRotate180 = 1;
    x.wRotateByKind = 1;
    x.wRasterMode = RASTERMODE_VECTOR;
    x.wTTSubst = 1;
    x.wFontMode = 2;
    wcscpy(x.szModelName, model);
    x.dwRequiredMem = 3316 - 320;  // class 0 at 600 dpi, resident fonts
    x.wColor = 1;
    x.wTrueBlack = 1;             // UDBlackFinish 1
    x.wBlackGen = 0;
    x.wColorModeFlag = 1;
    x.wQuality = -3;
    x.dwJobFlags = 0xB;
    x.wDezodi = 1;
    x.wThinOut = static_cast<WORD>(-3);
    x.wOptions = OPT_DRIVEREXPAND | OPT_SPOOLEMF;
    x.wHiddenOption = 2;
    x.wCoverSource = 1;
    x.wPinfof = 1;
    x.wPaperCheck = PAPERCHECK_SIZE;
    x.wLpWidth = 2100;
    x.wLpLength = 12000;
    x.dwLpStart = x.dwLpCut = 50000;
    x.bGProTxeGraBlack = 1;
    x.bStaplePos = 4;
    x.wAux2790 = 1;
    x.wAutoColorBkMode = 1;
    x.wPatternSize = 1;
    x.wUserPaperMax = 32;
    x.wLpWidthInch = x.wSlpWidthInch = 8268;      // 210 mm
    x.wLpLengthInch = x.wSlpLengthInch = 47244;   // 1200 mm
    x.wTonerSaveLevel = -1;
    x.wSizeChkMpt = -1;
    return e;
}

// The model's compression comes from the capability file that the spooler's record of the
// installed driver names (5 and 3 for the C710s, 1 for the C910J once the sample driver is
// installed on this machine, nothing before): the default DEVMODE carries whatever it says.
void ExpectCompressionOf(const wchar_t* model, DRVDEVMODE& e)
{
    const DWORD caps = GetCompressionCaps(model);
    e.dmPrivate.wCompress = static_cast<WORD>(caps & 0xFF);
    e.dmPrivate.wCompressLevel = static_cast<WORD>((caps >> 8) & 0xFF);
}

TEST_F(DevmodeDefaults, GoldenRecordOfEachSampleModel)
{
    {
        SCOPED_TRACE("C710: copies 3 from its CustomFile, cover from media entry 1, A3 long-edge check");
        DRVDEVMODE e = Baseline(kC710);
        e.dmPublic.dmCopies = 3;
        e.dmPublic.dmDefaultSource = 1;
        e.dmPrivate.wJobCopies = 3;
        e.dmPrivate.dwRegistColor = 0x00FF00;
        e.dmPrivate.wOptions = OPT_DRIVEREXPAND;  // UDSpoolEMF=1
        e.dmPrivate.wCoverPrint = 1;
        e.dmPrivate.wCoverSource = 513;
        e.dmPrivate.wPaperCheck = PAPERCHECK_SIZE | PAPERCHECK_LONGEDGE;
        ExpectCompressionOf(kC710, e);
        ExpectSameRecord(Build(kC710), e);
    }
    {
        SCOPED_TRACE("C710N: the C710's DefaultFile without Duplex, validation code on");
        DRVDEVMODE e = Baseline(kC710N);
        e.dmPublic.dmCopies = 2;
        e.dmPublic.dmDefaultSource = 1;
        e.dmPublic.dmDuplex = 0;
        e.dmPrivate.wJobCopies = 2;
        e.dmPrivate.dwRegistColor = 0x00FF00;
        e.dmPrivate.wCoverPrint = 1;
        e.dmPrivate.wCoverSource = 513;
        e.dmPrivate.wPaperCheck = PAPERCHECK_SIZE | PAPERCHECK_LONGEDGE;
        ExpectCompressionOf(kC710N, e);
        e.dmPrivate.wValCode = 1;
        wcscpy(e.dmPrivate.szAccessCode, L"net-0001");
        ExpectSameRecord(Build(kC710N), e);
    }
    {
        SCOPED_TRACE("C510: raster, grey colour mode of a short menu, duplex unit without Duplex");
        DRVDEVMODE e = Baseline(kC510);
        e.dmPublic.dmFields |= DM_DUPLEX;
        e.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
        e.dmPublic.dmDefaultSource = 1;
        e.dmPublic.dmPrintQuality = -4;
        e.dmPublic.dmColor = DMCOLOR_MONOCHROME;
        e.dmPublic.dmDuplex = 0;
        e.dmPublic.dmBitsPerPel = 1;
        e.dmPrivate.wMediaType = 3;
        e.dmPrivate.wRasterMode = RASTERMODE_RASTER;
        e.dmPrivate.wTTSubst = 0;
        e.dmPrivate.wFontMode = 1;
        e.dmPrivate.dwRequiredMem = 3316 - 320 + 180;
        e.dmPrivate.wMargin = e.dmPrivate.wMarginNup = 64;
        e.dmPrivate.wMarginBooklet = 96;
        e.dmPrivate.wColor = 0;
        e.dmPrivate.wDeviceOption = DEVOPT_DUPLEX;
        e.dmPrivate.wQuality = -4;
        e.dmPrivate.wColorMode = 1;
        e.dmPrivate.wMpfIsManual = 1;
        e.dmPrivate.dwLpStart = 12000;
        e.dmPrivate.dwLpStartUi = -1200;
        e.dmPrivate.dwSlpStart = -283;  // 12 mm in 1/600 inch, rounded on the magnitude
        ExpectSameRecord(Build(kC510), e);
    }
    {
        SCOPED_TRACE("C910J: A4 of the Japanese list, finisher bytes, MKK black finish");
        DRVDEVMODE e = Baseline(kC910J);
        e.dmPublic.dmPaperSize = DMPAPER_A4;
        e.dmPublic.dmPaperWidth = 2100;
        e.dmPublic.dmPaperLength = 2970;
        e.dmPublic.dmDefaultSource = 7;
        e.dmPrivate.dwFitPaper = DMPAPER_A4;
        // The default paper's size from its dots, paper 9 one dot longer.
        e.dmPrivate.wFitWidth = e.dmPrivate.wCustomWidth = 2100;
        e.dmPrivate.wFitLength = e.dmPrivate.wCustomLength = 2971;
        e.dmPrivate.wOptions2 = 2;
        e.dmPrivate.dwFinishing = 1;
        e.dmPrivate.wPaperCheck = PAPERCHECK_SIZE | PAPERCHECK_LONGEDGE;
        ExpectCompressionOf(kC910J, e);
        e.dmPrivate.bGProColorMode = 2;
        e.dmPrivate.bGProTxeGraBlack = 0;
        e.dmPrivate.bPunchUnit = 1;
        e.dmPrivate.bStaple = 2;
        e.dmPrivate.wValCode = 1;
        wcscpy(e.dmPrivate.szAccessCode, L"0123456789ABCDE");
        e.dmPrivate.wUseLoginUser = 1;
        e.dmPrivate.wFixWmk = 1;
        e.dmPrivate.dwPreview = 1;
        ExpectSameRecord(Build(kC910J), e);
    }
}

// The colour mode of UDColorTabPosition, written into the shared model defaults too.
TEST_F(DevmodeDefaults, ColourModeFromTheTabPosition)
{
    const struct {
        const wchar_t* model;
        const wchar_t* customFile;
        const wchar_t* tab;
        SHORT mode;
        WORD subMode;
    } cases[] = {
        {kC710, L"C710C.INI", L"1", 1, 1}, {kC710, L"C710C.INI", L"2", 1, 2}, {kC710, L"C710C.INI", L"3", 1, 0},
        {kC710, L"C710C.INI", L"4", 2, 0}, {kC710, L"C710C.INI", L"5", 0, 0}, {kC510, L"C510C.INI", L"1", 1, 1},
        {kC510, L"C510C.INI", L"2", 1, 0}, {kC510, L"C510C.INI", L"3", 2, 0}, {kC510, L"C510C.INI", L"4", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model << " tab " << c.tab);
        DrvFreeModelTable();
        Set(c.customFile, L"COLORMODE", L"UDColorTabPosition", c.tab);
        const DRVDEVMODE dm = Build(c.model);
        const MODELDEFAULTS* md = DrvFindModelDefaults(c.model);
        ASSERT_NE(md, nullptr);
        EXPECT_EQ(md->wColorTabMode, c.mode);
        EXPECT_EQ(dm.dmPrivate.wColorSubMode, c.subMode);
        EXPECT_EQ(dm.dmPrivate.wColorMode, c.mode != 0 ? 1 : 0);
        EXPECT_EQ(dm.dmPublic.dmColor, c.mode == 2 ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR);
        // Colour output only with the printer's fonts.
        EXPECT_EQ(dm.dmPrivate.wColor, c.model == kC710 && c.mode != 2 ? 1 : 0);
    }
}

// A Monochrome model with resident fonts prints grey whatever its colour defaults.
TEST_F(DevmodeDefaults, MonochromeModelPrintsGrey)
{
    Set(L"C710C.INI", L"PRINTERINFO", L"Monochrome", L"Yes");
    Set(L"C710C.INI", L"COLORMODE", L"UDColorTabPosition", L"3");
    const DRVDEVMODE dm = Build(kC710);
    EXPECT_EQ(dm.dmPrivate.wColor, 0);
    EXPECT_EQ(dm.dmPrivate.wColorMode, 1);
    EXPECT_EQ(DrvFindModelDefaults(kC710)->wColorTabMode, 2);
}

// Booklet needs the Duplex flag and a duplex unit; the binding and margin in use follow the
// layout. The duplex unit alone decides DM_DUPLEX.
TEST_F(DevmodeDefaults, BookletNeedsADuplexModelWithItsUnit)
{
    const struct {
        const wchar_t* model;
        const wchar_t* customFile;
        const wchar_t* duplexUnit;
        DWORD layout;
        short dmDuplex;
        bool announced;
    } cases[] = {
        {kC710, L"C710C.INI", L"1", FINISHINGMODE_BOOKLET, DMDUP_SIMPLEX, true},
        {kC710, L"C710C.INI", L"0", FINISHINGMODE_NORMAL, DMDUP_SIMPLEX, false},
        {kC710N, L"C710NC.INI", L"1", FINISHINGMODE_NORMAL, 0, true},
        {kC710N, L"C710NC.INI", L"0", FINISHINGMODE_NORMAL, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model << " duplex unit " << c.duplexUnit);
        DrvFreeModelTable();
        Set(c.customFile, L"LAYOUTTYPE", L"UDdwFinishingMode", L"1");
        Set(c.customFile, L"OPTION", L"UDDuplex", c.duplexUnit);
        Set(c.customFile, L"ETC", L"UDBandArea_Nup", L"17");
        Set(c.customFile, L"ETC", L"UDBandArea_BookLet", L"16");
        Set(c.customFile, L"ETC", L"UDBandWidth_Nup", L"50");
        Set(c.customFile, L"ETC", L"UDBandWidth_BookLet", L"70");
        const DRVDEVMODE dm = Build(c.model);
        EXPECT_EQ(dm.dmPrivate.dwFinishingMode, c.layout);
        EXPECT_EQ(dm.dmPublic.dmDuplex, c.dmDuplex);
        EXPECT_EQ((dm.dmPublic.dmFields & DM_DUPLEX) != 0, c.announced);
        const bool duplexModel = c.model == kC710;
        EXPECT_EQ(dm.dmPrivate.wBindingBooklet, duplexModel ? 16 : 0);
        const bool booklet = c.layout == FINISHINGMODE_BOOKLET;
        EXPECT_EQ(dm.dmPrivate.wBinding, booklet ? 16 : 17);
        EXPECT_EQ(dm.dmPrivate.wMargin, booklet ? 70 : 50);
    }
}

// N-up order codes and poster tiles from their choices.
TEST_F(DevmodeDefaults, NupOrderAndPosterTilesFromTheirChoices)
{
    const struct {
        const wchar_t *port, *land, *enlarge;
        DWORD order;
        LONG tiles;
    } cases[] = {
        {L"2", L"3", L"2", 0x80004, 9},
        {L"0", L"0", L"1", 0x10001, 4},
        {L"3", L"1", L"0", 0x20008, 2},
        // The custom grid, as every merge keeps it.
        {L"1", L"2", L"3", 0x40002, -1},
        // Choices outside 0..3 take the first code.
        {L"7", L"-1", L"9", 0x10001, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.port << "/" << c.land << "/" << c.enlarge);
        DrvFreeModelTable();
        Set(L"C710C.INI", L"LAYOUTTYPE", L"UDmultiPort", c.port);
        Set(L"C710C.INI", L"LAYOUTTYPE", L"UDmultiLand", c.land);
        Set(L"C710C.INI", L"LAYOUTTYPE", L"UDEnlarge", c.enlarge);
        const DRVDEVMODE dm = Build(kC710);
        EXPECT_EQ(dm.dmPrivate.dwNupOrder, c.order);
        EXPECT_EQ(dm.dmPrivate.dwPosterTiles, c.tiles);
        EXPECT_EQ(dm.dmPrivate.dwEnlarge, static_cast<DWORD>(_wtoi(c.enlarge)));
    }
}

// A free size as the default paper announces its width and length: the default paper's size,
// since the empty free size lies outside the limits.
TEST_F(DevmodeDefaults, FreeSizeDefaultPaperAnnouncesItsSize)
{
    Set(L"C710C.INI", L"PRINTERINFO", L"PaperOrder_inch", L"12");  // row 28: paper 256
    const DRVDEVMODE dm = Build(kC710);
    EXPECT_EQ(dm.dmPublic.dmPaperSize, 256);
    EXPECT_EQ(dm.dmPublic.dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH), DWORD{DM_PAPERWIDTH | DM_PAPERLENGTH});
    const MODELDEFAULTS* md = DrvFindModelDefaults(kC710);
    ASSERT_NE(md, nullptr);
    EXPECT_EQ(dm.dmPublic.dmPaperWidth, md->wDefaultPaperWidth);
    EXPECT_EQ(dm.dmPublic.dmPaperLength, md->wDefaultPaperLength);
    EXPECT_EQ(dm.dmPrivate.wCustomWidth, 3280);
    EXPECT_EQ(dm.dmPrivate.wCustomLength, 12000);
    EXPECT_EQ(dm.dmPrivate.wFitWidth, 3280);
    EXPECT_EQ(dm.dmPrivate.dwPaperState, 0u);
}

// The long paper as default paper marks the paper state.
TEST_F(DevmodeDefaults, LongPaperDefaultSetsThePaperState)
{
    Set(L"custom\\C910JC.INI", L"PRINTERINFO", L"PaperOrder", L"15");  // row 31: paper 275
    const DRVDEVMODE dm = Build(kC910J);
    EXPECT_EQ(dm.dmPublic.dmPaperSize, 275);
    EXPECT_EQ(dm.dmPrivate.dwPaperState, PAPERSTATE_LONGPAPER);
    EXPECT_EQ(dm.dmPublic.dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH), 0u);
}

// The quality of the record and of the user interface, and the memory at that quality.
TEST_F(DevmodeDefaults, PrintQualityAndUserInterfaceQuality)
{
    // C510: slots -4 and -3 filled, -2 and -1 empty; user-interface default -3.
    const struct {
        const wchar_t* quality;
        short dmPrintQuality;
        SHORT wQuality;
    } cases[] = {
        {L"-4", -4, -4},
        // An empty slot moves the user-interface quality down to a filled one.
        {L"-1", -1, -3},
        {L"300", 300, -3},
        {L"1200", 1200, -3},
        {L"-9", -3, -3},
        {L"700", 600, -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "UDPrintQuality " << c.quality);
        DrvFreeModelTable();
        Set(L"C510C.INI", L"RESOLUTION", L"UDPrintQuality", c.quality);
        const DRVDEVMODE dm = Build(kC510);
        EXPECT_EQ(dm.dmPublic.dmPrintQuality, c.dmPrintQuality);
        EXPECT_EQ(dm.dmPrivate.wQuality, c.wQuality);
        SHORT q = c.wQuality;
        EXPECT_EQ(dm.dmPrivate.dwRequiredMem, DrvGetRequiredMemory(DrvGetModelInfo(kC510), 0, DrvGetResolutionDpi(DrvGetModelInfo(kC510), &q)));
    }
}

// Long-paper start and cut as shown to the user, in 1/600 inch: the start rounded on its
// magnitude, the cut on its signed value.
TEST_F(DevmodeDefaults, LongPaperPositionsInPrinterUnits)
{
    const struct {
        const wchar_t *unit, *start, *cut;
        LONG startDots, cutDots;
    } cases[] = {
        {L"0", L"-1200", L"-1200", -283, -282},  // 0.01 mm
        {L"0", L"2540", L"2540", 600, 600},
        {L"1", L"-1001", L"-1001", -601, -600},  // 1/1000 inch
        {L"1", L"1001", L"1001", 601, 601},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.unit << ": " << c.start);
        DrvFreeModelTable();
        Set(L"C710C.INI", L"SUPERLONGPAPER", L"UDDispTypeSLP", c.unit);
        Set(L"C710C.INI", L"SUPERLONGPAPER", L"UDSLP_Start_UI", c.start);
        Set(L"C710C.INI", L"SUPERLONGPAPER", L"UDSLP_Cut_UI", c.cut);
        const DRVDEVMODE dm = Build(kC710);
        EXPECT_EQ(dm.dmPrivate.dwSlpStart, c.startDots);
        EXPECT_EQ(dm.dmPrivate.dwSlpCut, c.cutDots);
        EXPECT_EQ(dm.dmPrivate.wLpDispType, _wtoi(c.unit));
    }
}

// Names longer than their fields are cut to 31 characters.
TEST_F(DevmodeDefaults, LongPrinterNameIsCut)
{
    MODELINFO* model = Load(kC710);
    ASSERT_NE(model, nullptr);
    const std::wstring longName(40, L'P');
    DRVDEVMODE dm;
    ASSERT_TRUE(DrvDefaultDevmode(&dm, model, longName.c_str(), kC710));
    EXPECT_EQ(std::wstring(dm.dmPublic.dmDeviceName), longName.substr(0, 31));
}

// Long papers, and user-defined long papers, reset the layout; other papers do not.
TEST_F(DevmodeDefaults, SpecialPapersResetTheLayout)
{
    MODELINFO* model = Load(kC910J);
    ASSERT_NE(model, nullptr);
    for (const short paper : {short{275}, short{DMPAPER_A4}, short{66}}) {
        SCOPED_TRACE(paper);
        DRVDEVMODE dm = Build(kC910J);
        dm.dmPrivate.dwFinishingMode = FINISHINGMODE_POSTER;
        dm.dmPrivate.dwNupPages = 4;
        dm.dmPublic.dmPaperSize = paper;
        ResetLayoutForSpecialPaper(&dm, model);
        EXPECT_EQ(dm.dmPrivate.dwFinishingMode, paper == 275 ? FINISHINGMODE_NORMAL : FINISHINGMODE_POSTER);
        EXPECT_EQ(dm.dmPrivate.dwNupPages, paper == 275 ? 1u : 4u);
    }
}

// The colour-matching fields follow the reference's colour settings.
TEST_F(DevmodeDefaults, IcmFieldsFollowTheColourSettings)
{
    Set(L"C710C.INI", L"ETC", L"UDICMMethod", L"2");
    Set(L"C710C.INI", L"ETC", L"UDICMIntent", L"3");
    Set(L"C710C.INI", L"COLORMODECOLOR", L"UDcoloradjust", L"2");
    MODELINFO* model = Load(kC710);
    ASSERT_NE(model, nullptr);
    DRVDEVMODE dm = Build(kC710);
    EXPECT_EQ(dm.dmPublic.dmFields & (DM_ICMMETHOD | DM_ICMINTENT), DWORD{DM_ICMMETHOD | DM_ICMINTENT});
    EXPECT_EQ(dm.dmPublic.dmICMMethod, 2u);
    EXPECT_EQ(dm.dmPublic.dmICMIntent, 3u);

    DRVDEVMODE reference = dm;
    reference.dmPrivate.wColorSubMode = 1;
    UpdateIcmFields(&dm, &reference, model);
    EXPECT_EQ(dm.dmPublic.dmFields & (DM_ICMMETHOD | DM_ICMINTENT), 0u);
    EXPECT_EQ(dm.dmPublic.dmICMMethod, 0u);
    EXPECT_EQ(dm.dmPublic.dmICMIntent, 0u);
    UpdateIcmFields(&dm, nullptr, model);
    EXPECT_EQ(dm.dmPublic.dmICMMethod, 2u);
    dm.dmPrivate.wColor = 0;
    UpdateIcmFields(&dm, nullptr, model);
    EXPECT_EQ(dm.dmPublic.dmICMMethod, 0u);
}

// With UDCollateStyle, collate off and collate taken from dmCollate, collate is not announced.
TEST_F(DevmodeDefaults, CollateStyleHidesCollate)
{
    Set(L"C710C.INI", L"COPIES", L"UDCollateStyle", L"1");
    Set(L"C710C.INI", L"COPIES", L"UDfCollate", L"0");
    Set(L"C710C.INI", L"COPIES", L"UDdmCollate", L"1");
    Set(L"C710C.INI", L"DETAILSETTING", L"UDAP_Collate", L"1");
    DRVDEVMODE dm = Build(kC710);
    EXPECT_EQ(dm.dmPublic.dmFields & DM_COLLATE, 0u);
    EXPECT_EQ(dm.dmPublic.dmCollate, 0);
    dm.dmPrivate.wCollate = 1;
    DrvUpdateCollateField(&dm);
    EXPECT_NE(dm.dmPublic.dmFields & DM_COLLATE, 0u);
}

// The spooler's driver record of the printer, level 2, naming the driver (the model).
std::wstring g_driverName;
int g_driverInfoCalls = 0;

BOOL WINAPI FakeGetPrinterDriverW(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    ++g_driverInfoCalls;
    if (level != 2 || g_driverName.empty()) {
        SetLastError(ERROR_INVALID_LEVEL);
        *needed = 0;
        return FALSE;
    }
    return WriteDriverInfo2(g_driverName.c_str(), buffer, size, needed);
}

// The printer's default record is the default record of the model its driver names; a printer
// whose driver record cannot be read, or whose model is not loaded, gets none.
TEST_F(DevmodeDefaults, PrinterDefaultIsTheDefaultOfItsDriversModel)
{
    ImportPatch patch(SelfModule(), "winspool.drv", "GetPrinterDriverW",
                      reinterpret_cast<const void*>(&FakeGetPrinterDriverW));
    ASSERT_TRUE(patch.active());
    HANDLE printer = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234));

    ASSERT_NE(Load(kC510), nullptr);
    g_driverName = kC510;
    DRVDEVMODE dm;
    ASSERT_TRUE(DrvBuildDefaultDevmode(&dm, L"Office C510", printer));
    DRVDEVMODE expected = Build(kC510);
    wcscpy(expected.dmPublic.dmDeviceName, L"Office C510");
    ExpectSameRecord(dm, expected);

    g_driverName = kC710;  // not loaded
    EXPECT_FALSE(DrvBuildDefaultDevmode(&dm, L"Office C710", printer));
    g_driverName.clear();  // no driver record
    EXPECT_FALSE(DrvBuildDefaultDevmode(&dm, L"Office", printer));
    EXPECT_GT(g_driverInfoCalls, 0);
}

}  // namespace
#endif
