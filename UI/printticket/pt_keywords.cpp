// Print Schema keyword table and the feature and option tables of the PrintTicket provider.
#include "pt_keywords.h"

#include <cwchar>

#include "drvglobals.h"
#include "model_queries.h"

namespace {

constexpr LPCWSTR kKeywordText[PT_KEYWORD_COUNT] = {
    L"",
    // 1 to 5: namespace URIs.
    PT_URI_PSF, PT_URI_PSK, PT_URI_PRIVATE, PT_URI_XSI, PT_URI_XSD,
    // 6 to 38.
    L"PrintCapabilities", L"PrintTicket", L"Feature", L"Option", L"ParameterDef", L"ParameterInit",
    L"ParameterRef", L"Property", L"ScoredProperty", L"Value", L"SelectionType", L"DataType",
    L"UnitType", L"DefaultValue", L"MaxLength", L"MinLength", L"MaxValue", L"MinValue", L"Multiple",
    L"Mandatory", L"IdentityOption", L"DisplayName", L"DisplayUI", L"None", L"PickOne", L"PickMany",
    L"Unconditional", L"Conditional", L"Optional", L"Show", L"Hide", L"True", L"False",
    // 39 to 53.
    L"name", L"constrained", L"type", L"QName", L"string", L"integer", L"decimal", L"characters",
    L"copies", L"degrees", L"microns", L"percent", L"points", L"sRGB", L"base64",
    // 54 to 102.
    L"PageDevmodeSnapshot", L"PageMediaSize", L"ISOA3", L"ISOA4", L"ISOA5", L"ISOA6", L"JISB4",
    L"JISB5", L"User0000000257", L"NorthAmericaLetter", L"NorthAmericaLegal", L"User0000000268",
    L"OtherMetricFolio", L"NorthAmericaExecutive", L"NorthAmericaTabloid", L"User0000000269",
    L"NorthAmericaTabloidExtra", L"User0000000266", L"User0000000267", L"JapanHagakiPostcard",
    L"JapanDoubleHagakiPostcardRotated", L"JapanChou3Envelope", L"JapanChou4Envelope",
    L"JapanYou4Envelope", L"JapanKaku2Envelope", L"JapanKaku3Envelope", L"User0000000259",
    L"User0000000271", L"ISODLEnvelope", L"ISOC4Envelope", L"ISOC5Envelope", L"ISOC6Envelope",
    L"NorthAmericaNumber9Envelope", L"NorthAmericaNumber10Envelope", L"NorthAmericaMonarchEnvelope",
    L"NorthAmericaStatement", L"User0000000270", L"User00000001577", L"User00000001578",
    L"User00000001579", L"User00000001581", L"User00000001582", L"User00000001583",
    L"User0000000283", L"User0000000284", L"User0000000285", L"User0000000286", L"User0000000258",
    L"User0000000256",
    // 103 to 114.
    L"MediaSizeWidth", L"MediaSizeHeight", L"PageMediaSizeMediaSizeWidth",
    L"PageMediaSizeMediaSizeHeight", L"PageImageableSize", L"ImageableSizeWidth",
    L"ImageableSizeHeight", L"ImageableArea", L"OriginWidth", L"OriginHeight", L"ExtentWidth",
    L"ExtentHeight",
    // 115 to 129.
    L"JobInputBin", L"PageInputBin", L"AutoSelect", L"Manual", L"Manual", L"User0000000257",
    L"User0000000258", L"Upper", L"User0000000259", L"User0000000260", L"User0000000261",
    L"User0000000262", L"FeedType", L"LongEdgeFeed", L"PageLongEdgeFeed",
    // 130 to 158.
    L"PageMediaType", L"None", L"PlainTissue", L"PlainMediumTissue", L"PlainMedium",
    L"PlainMediumHeavy", L"PlainHeavy", L"PlainUltraHeavy", L"LabelMedium", L"LabelHeavy",
    L"Transparency", L"PlainUltraHeavy2", L"PlainUltraHeavy3", L"PlainUltraHeavy4",
    L"PhotographicGlossy", L"PhotographicGlossyMedium", L"PhotographicGlossyUltraHeavy",
    L"PhotographicGlossyHeavy", L"PhotographicGlossyEnhanced", L"UserDefined1", L"UserDefined2",
    L"UserDefined3", L"UserDefined4", L"UserDefined5", L"UserDefined6", L"UserDefined7",
    L"UserDefined8", L"UserDefined9", L"UserDefined10",
    // 159 to 163.
    L"DocumentDuplex", L"JobDuplexAllDocumentsContiguously", L"OneSided", L"TwoSidedLongEdge",
    L"TwoSidedShortEdge",
    // 164 to 188.
    L"PageResolution", L"X0300Y0300L2", L"X0600Y0600L2", L"X0600Y1200L2", L"X0600Y0600L4",
    L"X1200Y1200L2", L"X1200Y2400L2", L"X1200Y1200L4", L"X0600Y2400L2", L"X0600Y0600L16",
    L"X0600Y0600L32", L"X1200Y0600L16", L"300", L"600", L"1200", L"2400", L"4800", L"2", L"4", L"8",
    L"16", L"32", L"ResolutionX", L"ResolutionY", L"Level",
    // 189 to 204.
    L"JobCopiesAllDocuments", L"JobCollateAllDocuments", L"Collated", L"Uncollated",
    L"PageOrientation", L"Portrait", L"Landscape", L"PageOutputColor", L"Color", L"Grayscale",
    L"DeviceBitsPerPixel", L"DriverBitsPerPixel", L"PageScaling", L"CustomSquare", L"Scale",
    L"PageScalingScale",
};

// The texts stand where their names say; checked at the first and last name of every block.
constexpr bool SameText(LPCWSTR a, LPCWSTR b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}
constexpr bool At(INT32 index, LPCWSTR text) { return SameText(kKeywordText[index], text); }
static_assert(At(PTK_PrintCapabilities, L"PrintCapabilities") && At(PTK_None, L"None") &&
              At(PTK_False, L"False"));
static_assert(At(PTK_name, L"name") && At(PTK_base64, L"base64"));
static_assert(At(PTK_PageDevmodeSnapshot, L"PageDevmodeSnapshot") && At(PTK_User0000000257, L"User0000000257") &&
              At(PTK_User0000000269, L"User0000000269") && At(PTK_User0000000259, L"User0000000259") &&
              At(PTK_ISOC6Envelope, L"ISOC6Envelope") && At(PTK_User0000000258, L"User0000000258") &&
              At(PTK_User0000000256, L"User0000000256"));
static_assert(At(PTK_MediaSizeWidth, L"MediaSizeWidth") && At(PTK_ExtentHeight, L"ExtentHeight"));
static_assert(At(PTK_JobInputBin, L"JobInputBin") && At(PTK_ManualFeed, L"Manual") &&
              At(PTK_BinUser0000000257, L"User0000000257") && At(PTK_BinUser0000000258, L"User0000000258") &&
              At(PTK_BinUser0000000259, L"User0000000259") && At(PTK_BinUser0000000262, L"User0000000262") &&
              At(PTK_PageLongEdgeFeed, L"PageLongEdgeFeed"));
static_assert(At(PTK_PageMediaType, L"PageMediaType") && At(PTK_MediaNone, L"None") &&
              At(PTK_PhotographicGlossyEnhanced, L"PhotographicGlossyEnhanced") &&
              At(PTK_UserDefined10, L"UserDefined10"));
static_assert(At(PTK_DocumentDuplex, L"DocumentDuplex") && At(PTK_TwoSidedShortEdge, L"TwoSidedShortEdge"));
static_assert(At(PTK_PageResolution, L"PageResolution") && At(PTK_X1200Y0600L16, L"X1200Y0600L16") &&
              At(PTK_Num300, L"300") && At(PTK_Num32, L"32") && At(PTK_Level, L"Level"));
static_assert(At(PTK_JobCopiesAllDocuments, L"JobCopiesAllDocuments") && At(PTK_Grayscale, L"Grayscale") &&
              At(PTK_PageScalingScale, L"PageScalingScale"));

constexpr INT32 PSK = PTK_NS_PSK;
constexpr INT32 PRV = PTK_NS_PRIVATE;

bool NameIs(INT32 keyword, LPCWSTR name)
{
    return name && keyword >= 0 && keyword < PT_KEYWORD_COUNT && std::wcscmp(PtKeyword(keyword), name) == 0;
}

template <typename Row>
INT32 FindByName(const Row* rows, INT32 count, LPCWSTR name)
{
    if (!rows) return -1;
    for (INT32 i = 0; i < count; ++i)
        if (rows[i].nKeyword != PTK_EMPTY && NameIs(rows[i].nKeyword, name)) return i;
    return -1;
}

// The row that stands for a DEVMODE value; fallback when none does.
const PTOPTIONDEF* RowOfValue(const PTOPTIONDEF* rows, INT32 count, INT32 value, const PTOPTIONDEF* fallback)
{
    for (INT32 i = 0; i < count; ++i)
        if (rows[i].nDevmodeValue == value) return &rows[i];
    return fallback;
}

// The DEVMODE value of the row named name; fallback when no row has that name.
WORD ValueOfName(const PTOPTIONDEF* rows, INT32 count, LPCWSTR name, WORD fallback)
{
    const INT32 row = FindByName(rows, count, name);
    return row >= 0 ? static_cast<WORD>(rows[row].nDevmodeValue) : fallback;
}

}  // namespace

LPCWSTR g_PtKeywords[PT_KEYWORD_COUNT] = {};

void PtInitKeywordTable()
{
    EnterCriticalSection(&g_DllLock);
    for (INT32 i = 0; i < PT_KEYWORD_COUNT; ++i) g_PtKeywords[i] = kKeywordText[i];
    LeaveCriticalSection(&g_DllLock);
}

LPCWSTR PtKeyword(INT32 index)
{
    if (index < 0 || index >= PT_KEYWORD_COUNT) return L"";
    const LPCWSTR text = g_PtKeywords[index];
    return text ? text : kKeywordText[index];
}

void PtReloadNameTables(HMODULE stringModule)
{
    EnterCriticalSection(&g_DllLock);
    DrvLoadPaperNames(stringModule);
    DrvLoadSourceNames(stringModule);
    DrvLoadMediaNames(stringModule);
    LeaveCriticalSection(&g_DllLock);
}

const PTFEATUREDEF g_PtDevmodeSnapshot = {PTK_PageDevmodeSnapshot, PRV, 0};

const PTMEDIASIZES g_PtMediaSizes = {
    {PTK_PageMediaSize, PSK, 20011},
    {
        {PTK_ISOA3, PSK, 0, 8},
        {PTK_ISOA4, PSK, 0, 9},
        {PTK_ISOA5, PSK, 0, 11},
        {PTK_ISOA6, PSK, 0, 70},
        {PTK_JISB4, PSK, 0, 12},
        {PTK_JISB5, PSK, 0, 13},
        {PTK_User0000000257, PRV, 0, 257},
        {PTK_NorthAmericaLetter, PSK, 0, 1},
        {PTK_NorthAmericaLegal, PSK, 0, 5},
        {PTK_User0000000268, PRV, 0, 268},
        {PTK_OtherMetricFolio, PSK, 0, 14},
        {PTK_NorthAmericaExecutive, PSK, 0, 7},
        {PTK_NorthAmericaTabloid, PSK, 0, 3},
        {PTK_User0000000269, PRV, 0, 269},
        {PTK_NorthAmericaTabloidExtra, PSK, 0, 269},
        {PTK_User0000000266, PRV, 0, 266},
        {PTK_User0000000267, PRV, 0, 267},
        {PTK_JapanHagakiPostcard, PSK, 0, 43},
        {PTK_JapanDoubleHagakiPostcardRotated, PSK, 0, 82},
        {PTK_JapanChou3Envelope, PSK, 0, 73},
        {PTK_JapanChou4Envelope, PSK, 0, 74},
        {PTK_JapanYou4Envelope, PSK, 0, 91},
        {PTK_JapanKaku2Envelope, PSK, 0, 71},
        {PTK_JapanKaku3Envelope, PSK, 0, 72},
        {PTK_User0000000259, PRV, 0, 259},
        {PTK_User0000000271, PRV, 0, 271},
        {PTK_ISODLEnvelope, PSK, 0, 27},
        {PTK_ISOC4Envelope, PSK, 0, 30},
        {PTK_ISOC5Envelope, PSK, 0, 28},
        {PTK_NorthAmericaNumber9Envelope, PSK, 0, 19},
        {PTK_NorthAmericaNumber10Envelope, PSK, 0, 20},
        {PTK_NorthAmericaMonarchEnvelope, PSK, 0, 37},
        {PTK_NorthAmericaStatement, PSK, 0, 6},
        {PTK_User0000000270, PRV, 0, 270},
        {PTK_User00000001577, PRV, 0, 1577},
        {PTK_User00000001578, PRV, 0, 1578},
        {PTK_User00000001579, PRV, 0, 1579},
        {PTK_User00000001581, PRV, 0, 1581},
        {PTK_User00000001582, PRV, 0, 1582},
        {PTK_User00000001583, PRV, 0, 1583},
        {PTK_User0000000283, PRV, 0, 283},
        {PTK_User0000000284, PRV, 0, 284},
        {PTK_User0000000285, PRV, 0, 285},
        {PTK_User0000000286, PRV, 0, 286},
        {PTK_User0000000258, PRV, 0, 258},
        {PTK_User0000000256, PRV, 0, 256},
    },
    PT_MEDIASIZE_ROWS,
};

const PTFEATUREDEF g_PtMediaSizeWidthDef = {PTK_PageMediaSizeMediaSizeWidth, PSK, 0};
const PTFEATUREDEF g_PtMediaSizeHeightDef = {PTK_PageMediaSizeMediaSizeHeight, PSK, 0};

const PTINPUTBINS g_PtInputBins = {
    {PTK_JobInputBin, PSK, 20012},
    {PTK_FeedType, PSK, 0},
    {
        {PTK_AutoSelect, PSK, 0, 7},
        {PTK_Upper, PRV, 0, 1},
        {PTK_Manual, PSK, 0, 4},
        {PTK_BinUser0000000257, PRV, 0, 257},
        {PTK_BinUser0000000258, PRV, 0, 258},
        {PTK_BinUser0000000259, PRV, 0, 259},
        {PTK_BinUser0000000260, PRV, 0, 260},
        {PTK_BinUser0000000261, PRV, 0, 261},
        {PTK_BinUser0000000262, PRV, 0, 262},
    },
    PT_INPUTBIN_ROWS,
};

const PTFEATUREDEF g_PtLongEdgeFeed = {PTK_PageLongEdgeFeed, PRV, 0};

const PTMEDIATYPES g_PtMediaTypes = {
    {PTK_PageMediaType, PSK, 20013},
    {
        {PTK_MediaNone, PSK, 0, 0},
        {PTK_PlainTissue, PRV, 0, 1},
        {PTK_PlainMediumTissue, PRV, 0, 2},
        {PTK_PlainMedium, PRV, 0, 3},
        {PTK_PlainMediumHeavy, PRV, 0, 4},
        {PTK_PlainHeavy, PRV, 0, 5},
        {PTK_PlainUltraHeavy, PRV, 0, 7},
        {PTK_LabelMedium, PRV, 0, 9},
        {PTK_LabelHeavy, PRV, 0, 10},
        {PTK_Transparency, PSK, 0, 6},
        {PTK_PlainUltraHeavy2, PRV, 0, 12},
        {PTK_PlainUltraHeavy3, PRV, 0, 13},
        {PTK_PlainUltraHeavy4, PRV, 0, 27},
        {PTK_PhotographicGlossy, PSK, 0, 11},
        {PTK_PhotographicGlossyMedium, PRV, 0, 24},
        {PTK_PhotographicGlossyUltraHeavy, PRV, 0, 25},
        {PTK_PhotographicGlossyHeavy, PRV, 0, 26},
        {PTK_PhotographicGlossyEnhanced, PRV, 0, 33},
        {PTK_UserDefined1, PRV, 0, 19},
        {PTK_UserDefined2, PRV, 0, 20},
        {PTK_UserDefined3, PRV, 0, 21},
        {PTK_UserDefined4, PRV, 0, 22},
        {PTK_UserDefined5, PRV, 0, 23},
        {PTK_UserDefined6, PRV, 0, 28},
        {PTK_UserDefined7, PRV, 0, 29},
        {PTK_UserDefined8, PRV, 0, 30},
        {PTK_UserDefined9, PRV, 0, 31},
        {PTK_UserDefined10, PRV, 0, 32},
    },
    PT_MEDIATYPE_ROWS,
};

const PTDUPLEX g_PtDuplex = {
    {PTK_JobDuplexAllDocumentsContiguously, PSK, 20090},
    {
        {PTK_OneSided, PSK, 4700, 1},
        {PTK_TwoSidedLongEdge, PSK, 4701, 2},
        {PTK_TwoSidedShortEdge, PSK, 4702, 3},
    },
    PT_DUPLEX_ROWS,
};

const PTRESOLUTIONS g_PtResolutions = {
    {PTK_PageResolution, PSK, 20091},
    {
        {PTK_X0300Y0300L2, PRV, 20190, -1},
        {PTK_X0600Y0600L2, PRV, 20092, -1},
        {PTK_X0600Y1200L2, PRV, 20093, -1},
        {PTK_X0600Y0600L4, PRV, 20094, -1},
        {0, 0, 0, 0},
        {PTK_X1200Y1200L2, PRV, 20191, -1},
        {0, 0, 0, 0},
        {PTK_X1200Y2400L2, PRV, 20192, -1},
        {PTK_X1200Y1200L4, PRV, 20193, -1},
        {PTK_X0600Y2400L2, PRV, 20194, -1},
        {PTK_X0600Y0600L16, PRV, 20195, -1},
        {PTK_X0600Y0600L32, PRV, 20196, -1},
        {PTK_X1200Y0600L16, PRV, 20197, -1},
    },
    PT_RESOLUTION_ROWS,
};

const INT32 g_PtResolutionValues[PT_RESOLUTION_ROWS][PT_RESOLUTION_PROPS] = {
    {PTK_Num300, PTK_Num300, PTK_Num2},
    {PTK_Num600, PTK_Num600, PTK_Num2},
    {PTK_Num600, PTK_Num1200, PTK_Num2},
    {PTK_Num600, PTK_Num600, PTK_Num4},
    {0, 0, 0},
    {PTK_Num1200, PTK_Num1200, PTK_Num2},
    {0, 0, 0},
    {PTK_Num1200, PTK_Num2400, PTK_Num2},
    {PTK_Num1200, PTK_Num1200, PTK_Num4},
    {PTK_Num600, PTK_Num2400, PTK_Num2},
    {PTK_Num600, PTK_Num600, PTK_Num16},
    {PTK_Num600, PTK_Num600, PTK_Num32},
    {PTK_Num1200, PTK_Num600, PTK_Num16},
};

const PTRESOLUTIONPROPS g_PtResolutionProps = {
    {
        {PTK_ResolutionX, PRV, 0},
        {PTK_ResolutionY, PRV, 0},
        {PTK_Level, PRV, 0},
    },
    PT_RESOLUTION_PROPS,
};

const PTFEATUREDEF g_PtCopies = {PTK_JobCopiesAllDocuments, PSK, 20101};

const PTPLAINFEATURE g_PtCollate = {
    {PTK_JobCollateAllDocuments, PSK, 20102},
    {{PTK_Uncollated, PSK, 20001}, {PTK_Collated, PSK, 20002}},
    2,
};

const PTPLAINFEATURE g_PtOrientation = {
    {PTK_PageOrientation, PSK, 20103},
    {{PTK_Portrait, PSK, 20104}, {PTK_Landscape, PSK, 20105}},
    2,
};

const PTSCALING g_PtScaling = {
    {PTK_PageScaling, PSK, 20108},
    {{PTK_CustomSquare, PSK, 20002}, {PTK_None, PSK, 20001}},
    {PTK_Scale, PSK, 0},
    {PTK_PageScalingScale, PSK, 0},
    2,
};

const PTOUTPUTCOLOR g_PtOutputColor = {
    {PTK_PageOutputColor, PSK, 20135},
    {{PTK_Grayscale, PSK, 20137}, {PTK_Color, PSK, 20136}},
    {{PTK_DeviceBitsPerPixel, PSK, 0}, {PTK_DriverBitsPerPixel, PSK, 0}},
    2,
    PT_OUTPUTCOLOR_PROPS,
};

const LPCWSTR g_PtBitsPerPixel[2] = {L"8", L"24"};

const PTOPTIONDEF* PtMediaSizeRowOfPaper(INT32 paperId)
{
    return RowOfValue(g_PtMediaSizes.Options, g_PtMediaSizes.nOptions, paperId, nullptr);
}

WORD PtMediaSizeNameToPaper(LPCWSTR name)
{
    constexpr WORD kLetter = 1;
    if (!name) return kLetter;
    const INT32 row = FindByName(g_PtMediaSizes.Options, g_PtMediaSizes.nOptions, name);
    if (row >= 0) return static_cast<WORD>(g_PtMediaSizes.Options[row].nDevmodeValue);
    // A paper without a row is written as "User" and its id in ten zero-filled digits; all ten
    // are read, so that no id is taken for another one that shares its last digits.
    constexpr WCHAR kPrefix[] = L"User";
    constexpr size_t kPrefixLength = 4, kDigits = 10;
    if (std::wcslen(name) != kPrefixLength + kDigits || std::wcsncmp(name, kPrefix, kPrefixLength) != 0)
        return kLetter;
    ULONGLONG value = 0;
    for (size_t i = kPrefixLength; i < kPrefixLength + kDigits; ++i) {
        if (name[i] < L'0' || name[i] > L'9') return kLetter;
        value = value * 10 + (name[i] - L'0');
    }
    // dmPaperSize is a signed 16-bit field.
    return value >= 1 && value <= 0x7FFF ? static_cast<WORD>(value) : kLetter;
}

const PTOPTIONDEF* PtInputBinRowOfSource(INT32 sourceId)
{
    return RowOfValue(g_PtInputBins.Options, g_PtInputBins.nOptions, sourceId, &g_PtInputBins.Options[0]);
}

WORD PtBinNameToSource(LPCWSTR name)
{
    return ValueOfName(g_PtInputBins.Options, g_PtInputBins.nOptions, name, 7);
}

const PTOPTIONDEF* PtMediaTypeRowOfId(INT32 mediaId)
{
    return RowOfValue(g_PtMediaTypes.Options, g_PtMediaTypes.nOptions, mediaId, &g_PtMediaTypes.Options[0]);
}

WORD PtMediaTypeNameToId(LPCWSTR name)
{
    return ValueOfName(g_PtMediaTypes.Options, g_PtMediaTypes.nOptions, name, 0);
}

const PTOPTIONDEF* PtResolutionRow(INT32 row)
{
    if (row < 0 || row >= g_PtResolutions.nOptions) return nullptr;
    const PTOPTIONDEF& def = g_PtResolutions.Options[row];
    return def.nKeyword != PTK_EMPTY && def.nDisplayId != 0 ? &def : nullptr;
}

INT32 PtResolutionRowOfName(LPCWSTR name)
{
    return FindByName(g_PtResolutions.Options, g_PtResolutions.nOptions, name);
}

INT32 PtFindOptionByName(const PTFEATUREDEF* options, INT32 count, LPCWSTR name)
{
    return FindByName(options, count, name);
}

INT32 PtFindOptionByName(const PTOPTIONDEF* options, INT32 count, LPCWSTR name)
{
    return FindByName(options, count, name);
}
