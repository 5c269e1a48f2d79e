// The reader of a model's default settings (MODELDEFAULTS).
#include "modeldefaults_reader.h"

#include <gtest/gtest.h>

#ifndef DRV_BUILD_UM

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "datafiles.h"
#include "papertables.h"
#include "test_files.h"

namespace {

// How a field is filled.
enum class Src {
    Int,      // INI integer key
    Int16,    // INI integer key taken as a signed 16-bit number (LONG field)
    Num,      // number text key
    Text,     // quoted text key
    Builtin,  // no key: copied from the defaults image
    None,     // no key, not the defaults image (name, computed, job type, colour mode ...)
};

// One field of the 2616-byte record: offset, type ('S' SHORT, 'W' WORD, 'L' LONG, 'B' BYTE,
// 'T' WCHAR text of `bytes` bytes), section and key, built-in value.
struct Field {
    int offset;
    char type;
    int bytes;
    const char* section;
    const char* key;
    long long builtIn;
    Src src;
    const wchar_t* builtInText;
};

#define I(off, t, sec, key, v) Field{off, t, t == 'L' ? 4 : t == 'B' ? 1 : 2, sec, key, v, Src::Int, nullptr}
#define I16(off, sec, key, v) Field{off, 'L', 4, sec, key, v, Src::Int16, nullptr}
#define N(off, t, sec, key, v) Field{off, t, t == 'L' ? 4 : 2, sec, key, v, Src::Num, nullptr}
#define T(off, n, sec, key, text) Field{off, 'T', n, sec, key, 0, Src::Text, text}
#define C(off, t, v) Field{off, t, t == 'L' ? 4 : 2, nullptr, nullptr, v, Src::Builtin, nullptr}

// The fields of MODELDEFAULTS with their keys and built-in values, as the data-file format
// documents them.
const Field kFields[] = {
    I(256, 'L', "PAPER", "UDfitpage", 0),
    I(268, 'S', "PAPER", "UDCoverPrint", 0),
    I(270, 'S', "PAPER", "UDSource_Cover", 1),
    I(274, 'S', "PAPER", "UDCoverPrintThick", 0),
    I(276, 'S', "PAPER", "UDDriverSetting_Pinfof", 1),
    I(278, 'S', "ORIENTAION", "UDOrientation", 1),
    I(280, 'S', "ORIENTAION", "UDPortDirect", 0),
    I(282, 'S', "ORIENTAION", "UDLandDirect", 0),
    I(284, 'S', "ORIENTAION", "UDLongEdge", 1),
    I(286, 'S', "COPIES", "UDCopies", 1),
    I(290, 'S', "COPIES", "UDfCollate", 0),
    I(292, 'L', "REQUESTEVERY", "UDdwJobTypeOption", 1),
    I(296, 'S', "OPTION", "UDSouceOption", 0),
    I(298, 'S', "OPTION", "UDautotray", 1),
    I(300, 'S', "OPTION", "UDsizechk", 1),
    I(302, 'S', "OPTION", "UDDuplex", 0),
    I(304, 'S', "OPTION", "UDHdd", 0),
    I(306, 'S', "OPTION", "UDJobSpool", 0),
    I(308, 'S', "OPTION", "UDFinisher", 0),
    C(310, 'S', 0),
    C(312, 'S', 0),
    I(316, 'L', "LAYOUTTYPE", "UDdwFinishingMode", 0),
    I(320, 'L', "LAYOUTTYPE", "UDmultipage", 0),
    I(324, 'L', "LAYOUTTYPE", "UDdwPageBorder", 1),
    I(328, 'L', "LAYOUTTYPE", "UDmultiPort", 0),
    I(332, 'L', "LAYOUTTYPE", "UDmultiLand", 0),
    I(336, 'L', "LAYOUTTYPE", "UDdwSignature", -1),
    I(340, 'L', "LAYOUTTYPE", "UD2UP", 0),
    I(344, 'L', "LAYOUTTYPE", "UDRightToLeft", 0),
    I(348, 'L', "LAYOUTTYPE", "UDSyncOrderBooklet", 0),
    I(352, 'L', "LAYOUTTYPE", "UDReverseBooklet", 0),
    I(356, 'L', "LAYOUTTYPE", "UDEnlarge", 0),
    I(360, 'L', "LAYOUTTYPE", "UDRegistMarks", 1),
    N(364, 'L', "LAYOUTTYPE", "UDdwRegistColor", 0xC0C0C0),
    I(368, 'L', "LAYOUTTYPE", "UDOverlap", 1),
    I(372, 'L', "LAYOUTTYPE", "UDOverlapWidth", 100),
    I(376, 'L', "LAYOUTTYPE", "UDCstmX", 2),
    I(380, 'L', "LAYOUTTYPE", "UDCstmY", 2),
    I(384, 'L', "LAYOUTTYPE", "UDDirectionPort", 1),
    I(388, 'L', "LAYOUTTYPE", "UDDirectionAuto", 1),
    I(392, 'S', "ETC", "UDdmScale", 100),
    I(394, 'S', "ETC", "UDBandArea_Nup", 0),
    I(396, 'S', "ETC", "UDBandArea_BookLet", 0),
    N(398, 'S', "ETC", "UDBandWidth_Nup", 0),
    N(400, 'S', "ETC", "UDBandWidth_BookLet", 0),
    I(402, 'S', "FINISHING", "UDOutputBin", 0),
    C(404, 'L', 0),
    C(408, 'L', 0),
    I(412, 'S', "PROCESSMODE", "UDColorProcessMode", 0),
    I(414, 'S', "DUPLEX", "UDdmDuplex", 1),
    I(418, 'S', "COLORMODECOLOR", "UDhalftone", 0),
    I(420, 'S', "COLORMODECOLOR", "UDcoloradjust", 0),
    I(422, 'S', "COLORMODECOLOR", "UDcoloradjustOpt", 0),
    I(424, 'W', "DETAILSETTING", "UDfOverPrint", 0),
    I(426, 'S', "BLACKFINISH", "UDBlackFinish", 1),
    I(428, 'S', "APCOLOR", "UDfColor", 1),
    I(430, 'S', "RESOLUTION", "UDPrintQuality", 1),
    I(432, 'S', "IMAGEQUALITY", "UDImageThinOut", -3),
    I(434, 'W', "DETAILSETTING", "UDfDriverExpand", 100),
    I(436, 'W', "DETAILSETTING", "UDRop_MultiColor", 0),
    I(438, 'W', "DETAILSETTING", "UDAlMatte", 0),
    I(442, 'S', "DETAILSETTING", "UDTIFF", 0),
    I(444, 'S', "DETAILSETTING", "UDAdjLine", 0),
    I(446, 'S', "DETAILSETTING", "UDAP_Collate", 0),
    I(448, 'S', "FONT", "UDOUTorBIT", 1),
    C(450, 'S', 0),
    Field{452, 'T', 40, nullptr, nullptr, 0, Src::Builtin, L""},
    I(492, 'W', "WATERMARK", "UDwFontSize", 72),
    I(494, 'S', "WATERMARK", "UDwAngle", 45),
    T(496, 64, "WATERMARK", "UDszFont", L"Arial"),
    I(560, 'L', "WATERMARK", "UDlfWeight", 400),
    I(564, 'B', "WATERMARK", "UDlfItalic", 0),
    N(568, 'L', "WATERMARK", "UDdwColor", 0xC0C0C0),
    C(572, 'S', 0),
    I(576, 'L', "WATERMARK", "UDxOffset", 0),
    I(580, 'L', "WATERMARK", "UDyOffset", 0),
    I(584, 'S', "WATERMARK", "UDBasePos", 3),
    I(586, 'S', "WATERMARK", "UDTrim", 0),
    I(588, 'S', "WATERMARK", "UDWM_XOffset", 118),
    I(590, 'S', "WATERMARK", "UDWM_YOffset", 118),
    I(592, 'S', "PCENV", "UDDocContents", 0),
    I(594, 'S', "PCENV", "UDEnvWarningDlg", 0),
    I(596, 'S', "PCENV", "UDFreeHdd_General32", 0),
    I(598, 'S', "PCENV", "UDFreeMem_General32", 0),
    I(600, 'S', "PCENV", "UDFreeGdi_General32", 0),
    I(602, 'S', "PCENV", "UDFreeHdd_DTP32", 0),
    I(604, 'S', "PCENV", "UDFreeMem_DTP32", 0),
    I(606, 'S', "PCENV", "UDFreeGdi_DTP32", 0),
    I(608, 'S', "PCENV", "UDEnableEnv", 0),
    C(612, 'L', 0),
    I(616, 'S', "ETC", "UDTonerSave", 0),
    I(618, 'S', "COLORMODE", "UDColorDarkness", 0),
    I(620, 'S', "COLORMODE", "UDColorContrast", 0),
    I(622, 'S', "COLORMODE", "UDDarkness", 0),
    I(624, 'S', "COLORMODE", "UDContrast", 0),
    I(626, 'S', "ORIENTAION", "UDMPFisManual", 0),
    I(2372, 'S', "DETAILSETTING", "UDMaintenanceCycle", 0),
    I(2378, 'S', "RESOLUTION", "UDUiQuality", -3),
    I(2380, 'S', "FONT", "UDUsePrinterFont", 1),
    I(2382, 'S', "DETAILSETTING", "UDCMYDensity", 0),
    I(2384, 'S', "SUPERLONGPAPER", "UDPaperCut", 0),
    I(2390, 'S', "SUPERLONGPAPER", "UDSLP_PrtMode", 0),
    I(2392, 'S', "SUPERLONGPAPER", "UDSLP_AdjMode", 0),
    I(2396, 'L', "SUPERLONGPAPER", "UDSLP_Start", 50000),
    I(2400, 'L', "SUPERLONGPAPER", "UDSLP_Cut", 50000),
    I(2404, 'W', "SUPERLONGPAPER", "UDSLP_Margin", 0),
    I(2406, 'S', "SUPERLONGPAPER", "UDSLP_Cut_Disabled", 0),
    I(2408, 'S', "SUPERLONGPAPER", "UDSLP_CutFly", 0),
    I(2410, 'S', "SUPERLONGPAPER", "UDSLP_PrtRgnOFF", 0),
    I(2412, 'B', "COLORMATCHING", "UDGProColorMode", 0),
    I(2413, 'B', "COLORMATCHING", "UDGProInRGBProf", 0),
    I(2414, 'B', "COLORMATCHING", "UDGProInCMYKProf", 0),
    I(2415, 'B', "COLORMATCHING", "UDGProOutProfile", 0),
    I(2416, 'B', "COLORMATCHING", "UDGProRndrIntent", 0),
    I(2417, 'B', "COLORMATCHING", "UDGProPrecision", 0),
    I(2418, 'B', "COLORMATCHING", "UDGProBlackMode", 0),
    I(2419, 'B', "FINISHING", "UDfPunchUnit", 0),
    I(2420, 'B', "FINISHING", "UDfPosition", 4),
    I(2421, 'B', "FINISHING", "UDfStaplePos", 0),
    I(2422, 'B', "FINISHING", "UDfPunchHole", 0),
    I(2423, 'B', "COLORMODE", "UDColorTabPosition", 0),
    I(2424, 'L', "RESOLUTION", "UDDepth", 5),
    I(2428, 'S', "COLORMODE", "UDColorImageSmooth", 0),
    I(2430, 'S', "ETC", "UDScaleField", 1),
    I(2432, 'B', "COLORMATCHING", "UDGProTxeGraBlack", 1),
    I(2434, 'S', "USERFREESIZE", "UDDispType", 0),
    I16(2436, "DETAILSETTING", "UDUseOffset", 0),
    I(2440, 'S', "DETAILSETTING", "UDOffsetX", 0),
    I(2442, 'S', "DETAILSETTING", "UDOffsetY", 0),
    I(2444, 'S', "DETAILSETTING", "UDShowAPQuality", 0),
    I(2446, 'S', "DETAILSETTING", "UDAPQuality", 0),
    I(2448, 'S', "OPTION", "UDHideDuplex", 0),
    I(2450, 'S', "VALCODE", "UDValCode", 0),
    I(2452, 'S', "VALCODE", "UDValCode_del", 0),
    I(2454, 'S', "VALCODE", "UDValCode_custom1", 0),
    I(2456, 'S', "VALCODE", "UDValCode_custom2", 0),
    I(2458, 'S', "VALCODE", "UDValCode_custom3", 0),
    I(2460, 'S', "VALCODE", "UDValCode_density", 0),
    I(2462, 'S', "VALCODE", "UDValCode_regions", 0),
    I(2464, 'S', "VALCODE", "UDValCode_off_lev", 0),
    I(2466, 'S', "VALCODE", "UDValCode_Lite", 0),
    I(2468, 'S', "VALCODE", "UDValCode_Access", 0),
    I(2470, 'S', "VALCODE", "UDValCode_Type", 0),
    T(2472, 32, "VALCODE", "UDValCode_Pass", L""),
    I(2504, 'S', "WATERMARK", "UDJobInfo", 0),
    I(2506, 'S', "ETC", "UDSuperColor", 0),
    I(2508, 'S', "COLORMODE", "UDColorDensity", 0),
    I(2512, 'L', "FONT", "UDbDisableFontAlias", 0),
    I(2516, 'S', "BLACKFINISH", "UDAutoColorBkMode", 1),
    I(2518, 'S', "DETAILSETTING", "UDPatternSize", 1),
    I(2520, 'S', "COLORMODE", "UDMonoStupDlg", 0),
    I(2522, 'S', "CUSTOMSIZE", "UDCustomSizeMaxNum", 32),
    I(2528, 'S', "UserAuth", "UDUA_UseWinLogin", 0),
    I(2530, 'S', "UserAuth", "UDUA_Guest", 0),
    I(2532, 'S', "UserAuth", "UDUA_SaveUserInfo", 0),
    I(2534, 'S', "USERFREESIZE", "UDFinisherMinSizeX", 762),
    I(2536, 'S', "USERFREESIZE", "UDFinisherMinSizeY", 1200),
    I(2538, 'S', "USERFREESIZE", "UDFinisherMaxSizeX", 3048),
    I(2540, 'S', "USERFREESIZE", "UDFinisherMaxSizeY", 12000),
    I(2542, 'S', "OPTION", "UDHideHDD", 0),
    I(2544, 'S', "CUSTOMSIZE", "UDNTrapp", 0),
    I(2548, 'S', "COPIES", "UDdmCollate", 0),
    I(2550, 'S', "COPIES", "UDCollateStyle", 0),
    I(2552, 'S', "WATERMARK", "UDFixWMK", 0),
    I(2554, 'S', "ETC", "UDICMMethod", 0),
    I(2556, 'S', "ETC", "UDICMIntent", 0),
    I(2558, 'S', "ETC", "UDMonoRender", 5),
    I(2560, 'S', "ETC", "UDBitmapDRTRender", 3),
    I(2562, 'S', "ETC", "UDBitmapIDX1Render", 3),
    I(2564, 'S', "ETC", "UDBitmapIDX4Render", 3),
    I(2566, 'S', "ETC", "UDBitmapIDX8Render", 3),
    I(2568, 'S', "ETC", "UDGraphicsRender", 3),
    I(2570, 'S', "ETC", "UDTextRender", 3),
    I(2572, 'S', "OPTION", "UDHideFinisher", 0),
    I(2574, 'S', "SUPERLONGPAPER", "UDDispTypeSLP", 0),
    I16(2576, "PRINTERPREVIEW", "UDPreview", 0),
    I16(2584, "SUPERLONGPAPER", "UDSLP_Start_UI", 0),
    I16(2588, "SUPERLONGPAPER", "UDSLP_Cut_UI", 0),
    I(2592, 'S', "OPTION", "UDsizechk_MPT", -1),
    I16(2596, "TONERSAVE", "UDbTonerSave_100", 0),
    I(2600, 'S', "TONERSAVE", "UDsTonerSaveItem", -1),
    I(2602, 'S', "OPTION", "UDTrayNum", 0),
    I(2604, 'S', "DETAILSETTING", "UDBlackLetter", 0),
    I16(2608, "OPTION", "UDICPrint_Name", 0),
    I(2612, 'S', "OPTION", "UDNoRePrint", 0),
};

#undef I
#undef I16
#undef N
#undef T
#undef C

// Offsets of the fields that are not in kFields.
constexpr int kOffName = 0;
constexpr int kOffDefaultPaper = 260;
constexpr int kOffDefaultPaperWidth = 264;
constexpr int kOffDefaultPaperLength = 266;
constexpr int kOffCoverSourceId = 272;
constexpr int kOffJobType = 288;
constexpr int kOffColorMode = 416;
constexpr int kOffSpoolEmf = 440;
constexpr int kOffReserved628 = 628;
constexpr int kOffCompressLow = 2374;
constexpr int kOffCompressHigh = 2376;
constexpr int kOffLongPaperWidth = 2386;
constexpr int kOffLongPaperLength = 2388;
constexpr int kOffAfterPreview = 2580;

const BYTE* Bytes(const MODELDEFAULTS& md) { return reinterpret_cast<const BYTE*>(&md); }
BYTE* Bytes(MODELDEFAULTS& md) { return reinterpret_cast<BYTE*>(&md); }

// The integer at offset, as its type reads it.
long long Get(const MODELDEFAULTS& md, int offset, char type)
{
    const BYTE* p = Bytes(md) + offset;
    switch (type) {
    case 'B': return p[0];
    case 'W': { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case 'S': { int16_t v; std::memcpy(&v, p, 2); return v; }
    default: { int32_t v; std::memcpy(&v, p, 4); return v; }
    }
}

void Put(BYTE* image, int offset, char type, long long value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    std::memcpy(image + offset, &v, type == 'B' ? 1 : (type == 'L' ? 4 : 2));
}

std::wstring GetText(const MODELDEFAULTS& md, int offset, int bytes)
{
    const wchar_t* p = reinterpret_cast<const wchar_t*>(Bytes(md) + offset);
    return std::wstring(p, wcsnlen(p, bytes / 2));
}

// The value a field holds after value v was read from the files: the low bits of v that the
// field's type keeps (16 bits, sign-extended, for the 16-bit readings).
long long Keep(const Field& f, long long v)
{
    if (f.src == Src::Int16) return static_cast<int16_t>(v);
    switch (f.type) {
    case 'B': return static_cast<uint8_t>(v);
    case 'W': return static_cast<uint16_t>(v);
    case 'S': return static_cast<int16_t>(v);
    default: return static_cast<int32_t>(v);
    }
}

bool HasKey(const Field& f) { return f.key != nullptr; }

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// Data-file text with the given keys, section by section.
class IniText {
public:
    void add(const std::string& section, const std::string& key, const std::string& value)
    {
        sections_[section] += key + "=" + value + "\r\n";
        if (std::find(order_.begin(), order_.end(), section) == order_.end()) order_.push_back(section);
    }
    std::string text() const
    {
        std::string s;
        for (const std::string& name : order_) s += "[" + name + "]\r\n" + sections_.at(name);
        return s;
    }

private:
    std::vector<std::string> order_;
    std::map<std::string, std::string> sections_;
};

// Records for the model defaults: a fresh zeroed record each, data files in a folder of their
// own (new names each time, so that no cached copy of an earlier file is read).
class ModelDefaults : public ::testing::Test {
protected:
    ModelDefaults() : record_(std::make_unique<MODELRECORD>()) { std::memset(record_.get(), 0, sizeof(MODELRECORD)); }

    std::wstring File(const std::string& text)
    {
        if (text.empty()) return std::wstring();
        const std::wstring path = folder_.path() + L"model" + std::to_wstring(++generation_) + L".ini";
        EXPECT_TRUE(WriteTextFile(path, text));
        return path;
    }

    // Both passes, as the model build runs them.
    void ReadBoth(const std::wstring& defaultFile, const std::wstring& customFile,
                  DWORD compression = 0, LPCWSTR model = L"Model")
    {
        ReadModelDefaults(record_.get(), model, defaultFile.c_str(), &g_BuiltInModelDefaults,
                          MODELDEFAULTS_PASS_DEFAULTFILE, compression, nullptr);
        ReadModelDefaults(record_.get(), model, customFile.c_str(), &record_->ModelDefaults,
                          MODELDEFAULTS_PASS_CUSTOMFILE, compression, nullptr);
    }

    MODELDEFAULTS& md() { return record_->ModelDefaults; }
    MODELINFO& info() { return record_->ModelInfo; }

    TempFolder folder_;
    std::unique_ptr<MODELRECORD> record_;
    int generation_ = 0;
};

// The record the built-in column gives, with the name and the computed fields of a model whose
// MODELINFO is empty.
std::vector<BYTE> BuiltInImage(const wchar_t* name, DWORD compression, SHORT colorMode, SHORT spoolEmf)
{
    std::vector<BYTE> image(sizeof(MODELDEFAULTS), 0);
    for (const Field& f : kFields) {
        if (f.type == 'T')
            std::memcpy(image.data() + f.offset, f.builtInText, wcslen(f.builtInText) * 2);
        else
            Put(image.data(), f.offset, f.type, f.builtIn);
    }
    std::memcpy(image.data() + kOffName, name, wcslen(name) * 2);
    Put(image.data(), kOffColorMode, 'S', colorMode);
    Put(image.data(), kOffSpoolEmf, 'S', spoolEmf);
    Put(image.data(), kOffCompressLow, 'S', compression & 0xFF);
    Put(image.data(), kOffCompressHigh, 'S', (compression >> 8) & 0xFF);
    return image;
}

// Lists the offsets where md differs from image.
std::string Differences(const MODELDEFAULTS& md, const std::vector<BYTE>& image)
{
    std::ostringstream out;
    for (size_t i = 0; i < image.size(); ++i)
        if (Bytes(md)[i] != image[i]) out << i << ":" << int(Bytes(md)[i]) << "!=" << int(image[i]) << " ";
    return out.str();
}

TEST_F(ModelDefaults, WithoutFilesTheRecordIsTheBuiltInImage)
{
    const std::wstring missing = folder_.path() + L"missing.ini";
    const wchar_t* const noFiles[] = {nullptr, L"", missing.c_str()};
    for (const wchar_t* file : noFiles) {
        SCOPED_TRACE(file ? Narrow(file) : "NULL");
        // Whatever the record held: every byte is written, except the colour mode, which
        // belongs to the DEVMODE constructor.
        std::memset(&md(), 0xA5, sizeof(MODELDEFAULTS));
        md().wColorTabMode = 2;

        ReadModelDefaults(record_.get(), L"Velmora Test", file, &g_BuiltInModelDefaults,
                          MODELDEFAULTS_PASS_DEFAULTFILE, 0x0305, nullptr);
        // The spooled-EMF switch is stored as read by the first pass.
        EXPECT_EQ(Differences(md(), BuiltInImage(L"Velmora Test", 0x0305, 2, 0)), "");

        ReadModelDefaults(record_.get(), L"Velmora Test", file, &md(),
                          MODELDEFAULTS_PASS_CUSTOMFILE, 0x0305, nullptr);
        EXPECT_EQ(Differences(md(), BuiltInImage(L"Velmora Test", 0x0305, 2, 1)), "");
    }
    // A NULL defaults image stands for the built-in one.
    ReadModelDefaults(record_.get(), L"X", nullptr, nullptr, MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
    EXPECT_EQ(Differences(md(), BuiltInImage(L"X", 0, 2, 0)), "");
}

// The value written for field i in one file, and what the field holds afterwards.
struct Written {
    std::string text;
    long long value;       // for integer fields
    std::wstring textValue;  // for text fields
};

Written ValueFor(const Field& f, int i, int base)
{
    const long long v = base + i;
    switch (f.src) {
    case Src::Num: {
        std::ostringstream hex;
        hex << "0x" << std::hex << v;
        return {hex.str(), v, L""};
    }
    case Src::Text: {
        const std::wstring t = L"Face " + std::to_wstring(v);
        return {"\"" + Narrow(t) + "\"", 0, t};
    }
    default:
        return {std::to_string(v), v, L""};
    }
}

void ExpectField(const MODELDEFAULTS& md, const Field& f, const Written& w)
{
    SCOPED_TRACE(std::string(f.section) + "/" + f.key);
    if (f.type == 'T')
        EXPECT_EQ(GetText(md, f.offset, f.bytes), w.textValue);
    else
        EXPECT_EQ(Get(md, f.offset, f.type), Keep(f, w.value));
}

void ExpectBuiltIn(const MODELDEFAULTS& md, const Field& f)
{
    SCOPED_TRACE(std::string(f.section) + "/" + f.key + " (built-in)");
    if (f.type == 'T')
        EXPECT_EQ(GetText(md, f.offset, f.bytes), f.builtInText);
    else
        EXPECT_EQ(Get(md, f.offset, f.type), f.builtIn);
}

// Every key is read from its section into its field; key by key the CustomFile beats the
// DefaultFile, which beats the built-in value.
TEST_F(ModelDefaults, EveryKeyCustomFileBeatsDefaultFileBeatsBuiltIn)
{
    const struct {
        const char* name;
        int defaultEvery, defaultPhase;  // key i is in the file when i % every == phase
        int customEvery, customPhase;
    } scenarios[] = {
        {"default file only", 1, 0, 0, 0},
        {"custom file only", 0, 0, 1, 0},
        {"both, custom wins", 1, 0, 1, 0},
        {"mixed", 3, 0, 3, 1},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.name);
        IniText def, cust;
        int i = 0;
        for (const Field& f : kFields) {
            if (HasKey(f)) {
                if (s.defaultEvery && i % s.defaultEvery == s.defaultPhase)
                    def.add(f.section, f.key, ValueFor(f, i, 10).text);
                if (s.customEvery && i % s.customEvery == s.customPhase)
                    cust.add(f.section, f.key, ValueFor(f, i, 600).text);
            }
            ++i;
        }
        ReadBoth(File(def.text()), File(cust.text()));
        i = 0;
        for (const Field& f : kFields) {
            if (HasKey(f)) {
                if (s.customEvery && i % s.customEvery == s.customPhase)
                    ExpectField(md(), f, ValueFor(f, i, 600));
                else if (s.defaultEvery && i % s.defaultEvery == s.defaultPhase)
                    ExpectField(md(), f, ValueFor(f, i, 10));
                else
                    ExpectBuiltIn(md(), f);
            }
            ++i;
        }
    }
}

TEST_F(ModelDefaults, SectionsAreSpelledAsInTheDataFiles)
{
    // The orientation keys are in [ORIENTAION]; [ORIENTATION] is not read.
    ReadBoth(File("[ORIENTATION]\r\nUDOrientation=2\r\nUDMPFisManual=1\r\n"), L"");
    EXPECT_EQ(md().UDOrientation, 1);
    EXPECT_EQ(md().UDMPFisManual, 0);
    ReadBoth(L"", File("[ORIENTAION]\r\nUDOrientation=2\r\nUDMPFisManual=1\r\n"));
    EXPECT_EQ(md().UDOrientation, 2);
    EXPECT_EQ(md().UDMPFisManual, 1);
}

TEST_F(ModelDefaults, ValuesKeepTheLowBitsOfTheirField)
{
    const struct {
        const char* section;
        const char* key;
        const char* value;
        int offset;
        char type;
        long long expected;
    } cases[] = {
        {"FINISHING", "UDfPosition", "260", 2420, 'B', 4},
        {"WATERMARK", "UDlfItalic", "511", 564, 'B', 255},
        {"COPIES", "UDCopies", "65537", 286, 'S', 1},
        {"ORIENTAION", "UDOrientation", "-2", 278, 'S', -2},
        {"ORIENTAION", "UDPortDirect", "40000", 280, 'S', 40000 - 65536},
        {"WATERMARK", "UDwFontSize", "70000", 492, 'W', 70000 - 65536},
        {"SUPERLONGPAPER", "UDSLP_Margin", "-1", 2404, 'W', 65535},
        {"LAYOUTTYPE", "UDdwSignature", "-5", 336, 'L', -5},
        {"SUPERLONGPAPER", "UDSLP_Start", "70000", 2396, 'L', 70000},
        // LONG fields read as 16-bit numbers.
        {"PRINTERPREVIEW", "UDPreview", "70000", 2576, 'L', 70000 - 65536},
        {"SUPERLONGPAPER", "UDSLP_Start_UI", "65535", 2584, 'L', -1},
        {"SUPERLONGPAPER", "UDSLP_Cut_UI", "-1200", 2588, 'L', -1200},
        {"TONERSAVE", "UDbTonerSave_100", "65537", 2596, 'L', 1},
        {"OPTION", "UDICPrint_Name", "32768", 2608, 'L', -32768},
        {"DETAILSETTING", "UDUseOffset", "3", 2436, 'L', 3},
        // Number texts.
        {"ETC", "UDBandWidth_Nup", "0x12345", 398, 'S', 0x2345},
        {"ETC", "UDBandWidth_BookLet", "96", 400, 'S', 96},
        {"WATERMARK", "UDdwColor", "0xFFFFFFFF", 568, 'L', -1},
        {"LAYOUTTYPE", "UDdwRegistColor", "0X00ff00 ; green", 364, 'L', 0xFF00},
        {"LAYOUTTYPE", "UDdwRegistColor", "255", 364, 'L', 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        ReadBoth(File("[" + std::string(c.section) + "]\r\n" + c.key + "=" + c.value + "\r\n"), L"");
        EXPECT_EQ(Get(md(), c.offset, c.type), c.expected);
    }
}

TEST_F(ModelDefaults, TextKeys)
{
    const std::string longFace(40, 'F');
    const std::string longPass = "0123456789ABCDEFXYZ";
    const struct {
        const char* name;
        std::string defaultText;  // [WATERMARK] and [VALCODE] lines
        std::string customText;
        DWORD color;
        std::wstring face;
        std::wstring pass;
    } cases[] = {
        {"built-in", "", "", 0xC0C0C0, L"Arial", L""},
        {"default only", "[WATERMARK]\r\nUDdwColor=0x808080\r\nUDszFont=\"Courier New\"\r\n", "",
         0x808080, L"Courier New", L""},
        {"custom absent", "[WATERMARK]\r\nUDdwColor=0x808080\r\n", "[WATERMARK]\r\nUDwAngle=3\r\n",
         0x808080, L"Arial", L""},
        {"custom empty", "[WATERMARK]\r\nUDdwColor=0x808080\r\nUDszFont=\"Courier\"\r\n",
         "[WATERMARK]\r\nUDdwColor=\r\nUDszFont=\r\n", 0x808080, L"Courier", L""},
        {"custom wins", "[WATERMARK]\r\nUDdwColor=12\r\nUDszFont=\"Courier\"\r\n",
         "[WATERMARK]\r\nUDdwColor=0x1f\r\nUDszFont=\"Times\"\r\n", 31, L"Times", L""},
        // A value wholly in quotes reaches the reader without them (the profile functions
        // take them off); with a comment behind the quotes they stay, and a quoted string with
        // an escape yields just its escaped character.
        {"unquoted with a comma, escape", "[WATERMARK]\r\nUDszFont=Gothic, Bold\r\n",
         "[VALCODE]\r\nUDValCode_Pass=\"x\\x41\";note\r\n", 0xC0C0C0, L"Gothic, Bold", L"A"},
        {"empty quotes are an empty value", "[WATERMARK]\r\nUDszFont=\"Courier\"\r\n",
         "[WATERMARK]\r\nUDszFont=\"\"\r\n", 0xC0C0C0, L"Courier", L""},
        {"cut to the field", "[WATERMARK]\r\nUDszFont=\"" + longFace + "\"\r\n",
         "[VALCODE]\r\nUDValCode_Pass=\"" + longPass + "\"\r\n", 0xC0C0C0,
         std::wstring(31, L'F'), L"0123456789ABCDE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReadBoth(File(c.defaultText), File(c.customText));
        EXPECT_EQ(static_cast<DWORD>(md().UDdwColor), c.color);
        EXPECT_EQ(GetText(md(), 496, 64), c.face);
        EXPECT_EQ(GetText(md(), 2472, 32), c.pass);
        // Each text ends within its field; the fields behind are intact.
        EXPECT_EQ(md().UDszFont[31], L'\0');
        EXPECT_EQ(md().UDValCode_Pass[15], L'\0');
        EXPECT_EQ(md().UDlfWeight, 400);
        EXPECT_EQ(md().UDJobInfo, 0);
    }
}

TEST_F(ModelDefaults, AbsentTextKeysCopyTheDefaultsOnTheFirstPassAndStayOnTheSecond)
{
    MODELDEFAULTS other = g_BuiltInModelDefaults;
    other.UDdwColor = 0x111111;
    other.UDBandWidth_Nup = 7;
    wcscpy(other.UDszFont, L"Other");
    other.UDCopies = 9;

    // First pass: the defaults image gives the value.
    md().UDdwColor = 0x222222;
    ReadModelDefaults(record_.get(), L"M", nullptr, &other, MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
    EXPECT_EQ(md().UDdwColor, 0x111111);
    EXPECT_EQ(md().UDBandWidth_Nup, 7);
    EXPECT_EQ(GetText(md(), 496, 64), L"Other");

    // Second pass over another image: texts stay as they are, integer keys take the image.
    ReadModelDefaults(record_.get(), L"M", nullptr, &g_BuiltInModelDefaults,
                      MODELDEFAULTS_PASS_CUSTOMFILE, 0, nullptr);
    EXPECT_EQ(md().UDdwColor, 0x111111);
    EXPECT_EQ(md().UDBandWidth_Nup, 7);
    EXPECT_EQ(GetText(md(), 496, 64), L"Other");
    EXPECT_EQ(md().UDCopies, 1);
}

TEST_F(ModelDefaults, SpecialValues)
{
    // The job type stays 0 whichever file sets it, and so does the word after UDPreview; the
    // reserved block is zero.
    const std::string jobType = "[COPIES]\r\nUDwJobType=2\r\n";
    const std::string both[][2] = {{jobType, ""}, {"", jobType}, {jobType, jobType}};
    for (const auto& files : both) {
        std::memset(&md(), 0x77, sizeof(MODELDEFAULTS));
        ReadBoth(File(files[0]), File(files[1]));
        EXPECT_EQ(Get(md(), kOffJobType, 'S'), 0);
        EXPECT_EQ(Get(md(), kOffAfterPreview, 'S'), 0);
        const std::vector<BYTE> zero(1744, 0);
        EXPECT_EQ(std::memcmp(Bytes(md()) + kOffReserved628, zero.data(), zero.size()), 0);
    }

    // The spooled-EMF switch ends as 0 exactly when the key's resolved value is 1.
    const struct {
        const char* defaultValue;  // nullptr: no key
        const char* customValue;
        SHORT afterFirstPass;
        SHORT afterBoth;
    } emf[] = {
        {nullptr, nullptr, 0, 1}, {"1", nullptr, 1, 0}, {nullptr, "1", 0, 0},
        {"1", "0", 1, 1},         {"0", "1", 0, 0},     {"2", nullptr, 2, 1},
    };
    for (const auto& c : emf) {
        SCOPED_TRACE(std::string(c.defaultValue ? c.defaultValue : "-") + "/" +
                     (c.customValue ? c.customValue : "-"));
        const auto text = [](const char* v) {
            return v ? "[DETAILSETTING]\r\nUDSpoolEMF=" + std::string(v) + "\r\n" : std::string();
        };
        const std::wstring def = File(text(c.defaultValue));
        const std::wstring cust = File(text(c.customValue));
        ReadModelDefaults(record_.get(), L"M", def.c_str(), &g_BuiltInModelDefaults,
                          MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
        EXPECT_EQ(Get(md(), kOffSpoolEmf, 'S'), c.afterFirstPass);
        ReadModelDefaults(record_.get(), L"M", cust.c_str(), &md(), MODELDEFAULTS_PASS_CUSTOMFILE, 0,
                          nullptr);
        EXPECT_EQ(Get(md(), kOffSpoolEmf, 'S'), c.afterBoth);
    }
}

TEST_F(ModelDefaults, FieldsWithoutKeysComeFromTheDefaultsImage)
{
    MODELDEFAULTS image = g_BuiltInModelDefaults;
    // Distinct values in every field that no key sets.
    int n = 0;
    for (const Field& f : kFields)
        if (f.src == Src::Builtin && f.type != 'T') Put(Bytes(image), f.offset, f.type, 100 + n++);
    wcscpy(image.szWatermarkName, L"Confidential");
    // A data file cannot set them.
    const std::wstring file = File("[WATERMARK]\r\nwWatermarkFlags=5\r\nszWatermarkName=\"x\"\r\n");

    ReadModelDefaults(record_.get(), L"M", file.c_str(), &image, MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
    ReadModelDefaults(record_.get(), L"M", file.c_str(), &md(), MODELDEFAULTS_PASS_CUSTOMFILE, 0, nullptr);
    n = 0;
    for (const Field& f : kFields) {
        if (f.src != Src::Builtin) continue;
        SCOPED_TRACE(f.offset);
        if (f.type == 'T')
            EXPECT_EQ(GetText(md(), f.offset, f.bytes), L"Confidential");
        else
            EXPECT_EQ(Get(md(), f.offset, f.type), 100 + n++);
    }
}

// The global paper table is process-wide: a test that fills it puts it back.
class ModelDefaultsComputed : public ModelDefaults {
protected:
    ModelDefaultsComputed()
    {
        std::memcpy(savedPapers_, g_PaperTable, sizeof savedPapers_);
        savedCount_ = g_PaperTableCount;
        std::memset(g_PaperTable, 0, sizeof g_PaperTable);
        SetPaper(0, 9, 2480, 3507);    // A4: one more dot of length
        SetPaper(1, 1, 2550, 3300);    // Letter
        SetPaper(2, 275, 3496, 14173); // long paper
        SetPaper(3, 275, 100, 100);    // a second row of 275 is not looked at
        g_PaperTableCount = 4;
    }
    ~ModelDefaultsComputed() override
    {
        std::memcpy(g_PaperTable, savedPapers_, sizeof savedPapers_);
        g_PaperTableCount = savedCount_;
    }
    static void SetPaper(int row, WORD id, WORD width, WORD length)
    {
        g_PaperTable[row].paperId = id;
        g_PaperTable[row].widthDots = width;
        g_PaperTable[row].lengthDots = length;
    }

    PAPERINFO savedPapers_[PAPER_TABLE_ROWS];
    WORD savedCount_ = 0;
};

TEST_F(ModelDefaultsComputed, DefaultPaper)
{
    const struct {
        const char* name;
        std::vector<DWORD> rows;
        LONG defaultIndex;
        LONG id;
        SHORT width, length;
    } cases[] = {
        {"A4", {1, 0}, 1, 9, 2100, 2970},
        {"Letter", {1, 0}, 0, 1, 2159, 2794},
        {"index equal to the count", {1, 0}, 2, 0, 0, 0},
        {"negative index", {1, 0}, -1, 0, 0, 0},
        {"row outside the paper table", {64, 0}, 0, 0, 0, 0},
        {"empty list", {}, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(&info(), 0, sizeof(MODELINFO));
        for (size_t i = 0; i < c.rows.size(); ++i) info().adwPaperList[i] = c.rows[i];
        info().nPapers = static_cast<WORD>(c.rows.size());
        info().iDefaultPaper = c.defaultIndex;
        ReadBoth(L"", L"");
        EXPECT_EQ(Get(md(), kOffDefaultPaper, 'L'), c.id);
        EXPECT_EQ(Get(md(), kOffDefaultPaperWidth, 'S'), c.width);
        EXPECT_EQ(Get(md(), kOffDefaultPaperLength, 'S'), c.length);
    }
    // A count above the list's capacity reads no further than the list.
    info().nPapers = 0xFFFF;
    info().iDefaultPaper = MODEL_PAPER_LIST_ROWS;
    ReadBoth(L"", L"");
    EXPECT_EQ(Get(md(), kOffDefaultPaper, 'L'), 0);
}

TEST_F(ModelDefaultsComputed, LongPaperAndCompression)
{
    ReadBoth(L"", L"", 0x12905);
    EXPECT_EQ(Get(md(), kOffLongPaperWidth, 'S'), 2960);
    EXPECT_EQ(Get(md(), kOffLongPaperLength, 'S'), 12000);
    EXPECT_EQ(Get(md(), kOffCompressLow, 'S'), 0x05);
    EXPECT_EQ(Get(md(), kOffCompressHigh, 'S'), 0x29);

    // Only the rows of the table count.
    g_PaperTableCount = 2;
    ReadBoth(L"", L"");
    EXPECT_EQ(Get(md(), kOffLongPaperWidth, 'S'), 0);
    EXPECT_EQ(Get(md(), kOffLongPaperLength, 'S'), 0);
    EXPECT_EQ(Get(md(), kOffCompressLow, 'S'), 0);
    EXPECT_EQ(Get(md(), kOffCompressHigh, 'S'), 0);
}

TEST_F(ModelDefaultsComputed, CoverSourceId)
{
    // Sources: rows 0, 1, 7 (ids 7, 1, 4), default entry 2; media: rows 0, 14 (ids 512, 528),
    // default entry 1.
    auto setLists = [this](WORD nSources, LONG defaultSource, WORD nMedia, LONG defaultMedia) {
        std::memset(&info(), 0, sizeof(MODELINFO));
        info().adwSourceList[0] = 0;
        info().adwSourceList[1] = 1;
        info().adwSourceList[2] = 7;
        info().adwSourceList[3] = 40;  // not a row of the source table
        info().nSources = nSources;
        info().iDefaultSource = defaultSource;
        info().adwMediaList[0] = 0;
        info().adwMediaList[1] = 14;
        info().nMedia = nMedia;
        info().iDefaultMedia = defaultMedia;
    };
    const struct {
        const char* cover;
        WORD nSources;
        LONG defaultSource;
        WORD nMedia;
        LONG defaultMedia;
        SHORT id;
    } cases[] = {
        {nullptr, 3, 2, 2, 1, 1},  // built-in 1: source entry 1
        {"0", 3, 2, 2, 1, 7},
        {"2", 3, 2, 2, 1, 4},
        {"5", 3, 2, 2, 1, 4},      // outside the list: the default source
        {"-1", 3, 2, 2, 1, 4},
        {"3", 4, 2, 2, 1, 0},      // an entry that is not a row of the source table
        {"256", 3, 2, 2, 1, 512},
        {"257", 3, 2, 2, 1, 528},
        {"300", 3, 2, 2, 1, 528},  // outside the media list: the default media
        {"1", 0, 0, 0, 0, 0},      // no sources at all
        {"256", 0, 0, 0, 5, 0},    // no media, default entry outside the list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cover ? c.cover : "built-in");
        setLists(c.nSources, c.defaultSource, c.nMedia, c.defaultMedia);
        ReadBoth(File(c.cover ? "[PAPER]\r\nUDSource_Cover=" + std::string(c.cover) + "\r\n" : ""), L"");
        EXPECT_EQ(Get(md(), kOffCoverSourceId, 'S'), c.id);
    }
    // The CustomFile's value decides.
    setLists(3, 2, 2, 1);
    ReadBoth(File("[PAPER]\r\nUDSource_Cover=0\r\n"), File("[PAPER]\r\nUDSource_Cover=257\r\n"));
    EXPECT_EQ(Get(md(), kOffCoverSourceId, 'S'), 528);
}

// The watermark import: the path it was given and how often it ran; it rewrites the data file
// being read, so that the keys read after it see the change.
struct ImportLog {
    std::vector<std::wstring> paths;
    std::wstring dataFile;
} g_importLog;

void RecordImport(LPCWSTR initDataFile3)
{
    g_importLog.paths.push_back(initDataFile3);
    const LPCWSTR file = g_importLog.dataFile.c_str();
    WritePrivateProfileStringW(L"COLORMODE", L"UDColorDarkness", L"50", file);
    WritePrivateProfileStringW(L"FONT", L"UDOUTorBIT", L"7", file);
    WritePrivateProfileStringW(L"WATERMARK", L"UDwAngle", L"60", file);
    WritePrivateProfileStringW(L"PCENV", L"UDEnableEnv", L"1", file);
}

TEST_F(ModelDefaults, WatermarksAreImportedBetweenTheFontAndWatermarkKeys)
{
    DriverFolder driver;
    ASSERT_TRUE(driver.copySample());
    g_importLog = {};
    g_importLog.dataFile = File("[COLORMODE]\r\nUDColorDarkness=5\r\n[FONT]\r\nUDOUTorBIT=0\r\n"
                                "[WATERMARK]\r\nUDwAngle=30\r\n[PCENV]\r\nUDEnableEnv=0\r\n");
    ReadModelDefaults(record_.get(), L"M", g_importLog.dataFile.c_str(), &g_BuiltInModelDefaults,
                      MODELDEFAULTS_PASS_DEFAULTFILE, 0, RecordImport);
    ASSERT_EQ(g_importLog.paths.size(), 1u);
    EXPECT_EQ(g_importLog.paths[0], driver.path() + L"VRUSER.INI");
    EXPECT_EQ(md().UDColorDarkness, 5);
    EXPECT_EQ(md().UDOUTorBIT, 0);
    EXPECT_EQ(md().UDwAngle, 60);
    EXPECT_EQ(md().UDEnableEnv, 1);

    // Once more on the second pass.
    ReadModelDefaults(record_.get(), L"M", L"", &md(), MODELDEFAULTS_PASS_CUSTOMFILE, 0, RecordImport);
    EXPECT_EQ(g_importLog.paths.size(), 2u);
}

TEST_F(ModelDefaults, NoWatermarkImportWithoutInitDataFile3)
{
    DriverFolder driver;  // no master data file
    g_importLog = {};
    ReadModelDefaults(record_.get(), L"M", L"", nullptr, MODELDEFAULTS_PASS_DEFAULTFILE, 0, RecordImport);
    EXPECT_TRUE(g_importLog.paths.empty());
}

TEST_F(ModelDefaults, ModelNameIsCutToItsField)
{
    const std::wstring longName(200, L'N');
    std::memset(&md(), 0x55, sizeof(MODELDEFAULTS));
    ReadModelDefaults(record_.get(), longName.c_str(), nullptr, nullptr, MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
    EXPECT_EQ(GetText(md(), 0, 256), std::wstring(127, L'N'));
    EXPECT_EQ(md().UDfitpage, 0);
    ReadModelDefaults(record_.get(), nullptr, nullptr, nullptr, MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
    EXPECT_EQ(GetText(md(), 0, 256), L"");
    ReadModelDefaults(nullptr, L"M", nullptr, nullptr, MODELDEFAULTS_PASS_DEFAULTFILE, 0, nullptr);
}

// The sample models: each model's two files as the master data file names them.
TEST_F(ModelDefaults, SampleModels)
{
    DriverFolder driver;
    ASSERT_TRUE(driver.copySample());
    struct Expect {
        int offset;
        char type;
        long long value;
    };
    const struct {
        const wchar_t* model;
        std::vector<Expect> values;
        std::wstring face;
        std::wstring pass;
    } cases[] = {
        {L"Velmora ColorPage C710",
         {{268, 'S', 1}, {270, 'S', 257}, {286, 'S', 3}, {288, 'S', 0}, {364, 'L', 0xFF00},
          {492, 'W', 60}, {494, 'S', 30}, {568, 'L', 0x808080}, {440, 'S', 0}},
         L"Courier New", L""},
        {L"Velmora ColorPage C710N",
         {{270, 'S', 257}, {286, 'S', 2}, {494, 'S', 45}, {568, 'L', 0x808080}, {440, 'S', 1},
          {2450, 'S', 1}},
         L"Times New Roman", L"net-0001"},
        {L"Velmora ColorPage C510",
         {{278, 'S', 2}, {626, 'S', 1}, {2420, 'B', 4}, {398, 'S', 0x40}, {400, 'S', 96},
          {2396, 'L', 12000}, {2584, 'L', -1200}, {430, 'S', -4}, {2424, 'L', 1},
          {2423, 'B', 3}, {302, 'S', 1}, {440, 'S', 1}},
         L"Arial", L""},
        {L"Velmora ColorPage C910J",
         {{2419, 'B', 1}, {2421, 'B', 2}, {2450, 'S', 1}, {2528, 'S', 1}, {2576, 'L', 1},
          {2412, 'B', 2}, {2432, 'B', 0}, {2504, 'S', 1}, {2552, 'S', 1}, {568, 'L', 0xFF},
          {2540, 'S', 9000}, {2538, 'S', 3048}},
         L"Velmora Gothic Condensed Waterm", L"0123456789ABCDE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.model));
        WCHAR defaultFile[MAX_PATH], customFile[MAX_PATH];
        ASSERT_GT(DrvGetDefaultFile(c.model, defaultFile, TRUE), 0u);
        ASSERT_GT(DrvGetCustomFile(c.model, customFile, TRUE), 0u);
        ReadBoth(defaultFile, customFile, 0, c.model);
        EXPECT_EQ(GetText(md(), 0, 256), c.model);
        for (const Expect& e : c.values) EXPECT_EQ(Get(md(), e.offset, e.type), e.value) << e.offset;
        EXPECT_EQ(GetText(md(), 496, 64), c.face);
        EXPECT_EQ(GetText(md(), 2472, 32), c.pass);
    }
}

}  // namespace

#endif  // DRV_BUILD_UM
