// Print Schema names of the PrintTicket provider: the keyword table (every namespace URI, element
// name, attribute value, keyword and number text the provider writes or compares) and the feature
// and option tables that tie each Print Schema feature and option to its namespace, its display
// string id and the DEVMODE value it stands for.
#pragma once
#include <windows.h>

// Indices of g_PtKeywords. Rows of the feature and option tables name keywords and namespaces by
// these indices. A text that stands at two indices has one name per index.
enum PTKEYWORD : INT32 {
    PTK_EMPTY = 0,
    // Namespace URIs.
    PTK_NS_PSF = 1,      // Print Schema Framework (prefix psf)
    PTK_NS_PSK = 2,      // Print Schema Keywords (psk)
    PTK_NS_PRIVATE = 3,  // the driver's own namespace (ns0000)
    PTK_NS_XSI = 4,      // XML Schema instance (xsi)
    PTK_NS_XSD = 5,      // XML Schema (xsd)
    // Framework element names and values.
    PTK_PrintCapabilities = 6,
    PTK_PrintTicket,
    PTK_Feature,
    PTK_Option,
    PTK_ParameterDef,
    PTK_ParameterInit,
    PTK_ParameterRef,
    PTK_Property,
    PTK_ScoredProperty,
    PTK_Value,
    PTK_SelectionType,
    PTK_DataType,
    PTK_UnitType,
    PTK_DefaultValue,
    PTK_MaxLength,
    PTK_MinLength,
    PTK_MaxValue,
    PTK_MinValue,
    PTK_Multiple,
    PTK_Mandatory,
    PTK_IdentityOption,
    PTK_DisplayName,
    PTK_DisplayUI,
    PTK_None,  // 29
    PTK_PickOne,
    PTK_PickMany,
    PTK_Unconditional,
    PTK_Conditional,
    PTK_Optional,
    PTK_Show,
    PTK_Hide,
    PTK_True,
    PTK_False,  // 38
    // Attribute names, XML Schema types and unit texts.
    PTK_name = 39,
    PTK_constrained,
    PTK_type,
    PTK_QName,
    PTK_string,
    PTK_integer,
    PTK_decimal,
    PTK_characters,
    PTK_copies,
    PTK_degrees,
    PTK_microns,
    PTK_percent,
    PTK_points,
    PTK_sRGB,
    PTK_base64,  // 53
    // DEVMODE snapshot and page media sizes.
    PTK_PageDevmodeSnapshot = 54,
    PTK_PageMediaSize,
    PTK_ISOA3,
    PTK_ISOA4,
    PTK_ISOA5,
    PTK_ISOA6,
    PTK_JISB4,
    PTK_JISB5,
    PTK_User0000000257,  // 62
    PTK_NorthAmericaLetter,
    PTK_NorthAmericaLegal,
    PTK_User0000000268,
    PTK_OtherMetricFolio,
    PTK_NorthAmericaExecutive,
    PTK_NorthAmericaTabloid,
    PTK_User0000000269,
    PTK_NorthAmericaTabloidExtra,
    PTK_User0000000266,
    PTK_User0000000267,
    PTK_JapanHagakiPostcard,
    PTK_JapanDoubleHagakiPostcardRotated,
    PTK_JapanChou3Envelope,
    PTK_JapanChou4Envelope,
    PTK_JapanYou4Envelope,
    PTK_JapanKaku2Envelope,
    PTK_JapanKaku3Envelope,
    PTK_User0000000259,  // 80
    PTK_User0000000271,
    PTK_ISODLEnvelope,
    PTK_ISOC4Envelope,
    PTK_ISOC5Envelope,
    PTK_ISOC6Envelope,
    PTK_NorthAmericaNumber9Envelope,
    PTK_NorthAmericaNumber10Envelope,
    PTK_NorthAmericaMonarchEnvelope,
    PTK_NorthAmericaStatement,
    PTK_User0000000270,
    PTK_User00000001577,
    PTK_User00000001578,
    PTK_User00000001579,
    PTK_User00000001581,
    PTK_User00000001582,
    PTK_User00000001583,
    PTK_User0000000283,
    PTK_User0000000284,
    PTK_User0000000285,
    PTK_User0000000286,
    PTK_User0000000258,  // 101
    PTK_User0000000256,  // 102
    // Media size properties and the imageable area.
    PTK_MediaSizeWidth = 103,
    PTK_MediaSizeHeight,
    PTK_PageMediaSizeMediaSizeWidth,
    PTK_PageMediaSizeMediaSizeHeight,
    PTK_PageImageableSize,
    PTK_ImageableSizeWidth,
    PTK_ImageableSizeHeight,
    PTK_ImageableArea,
    PTK_OriginWidth,
    PTK_OriginHeight,
    PTK_ExtentWidth,
    PTK_ExtentHeight,  // 114
    // Input bins.
    PTK_JobInputBin = 115,
    PTK_PageInputBin,
    PTK_AutoSelect,
    PTK_Manual,         // 118: the option name
    PTK_ManualFeed,     // 119: the same text, the value of the FeedType property
    PTK_BinUser0000000257,  // 120
    PTK_BinUser0000000258,  // 121
    PTK_Upper,
    PTK_BinUser0000000259,  // 123
    PTK_BinUser0000000260,
    PTK_BinUser0000000261,
    PTK_BinUser0000000262,
    PTK_FeedType,
    PTK_LongEdgeFeed,
    PTK_PageLongEdgeFeed,  // 129
    // Media types.
    PTK_PageMediaType = 130,
    PTK_MediaNone,  // 131: the same text as PTK_None
    PTK_PlainTissue,
    PTK_PlainMediumTissue,
    PTK_PlainMedium,
    PTK_PlainMediumHeavy,
    PTK_PlainHeavy,
    PTK_PlainUltraHeavy,
    PTK_LabelMedium,
    PTK_LabelHeavy,
    PTK_Transparency,
    PTK_PlainUltraHeavy2,
    PTK_PlainUltraHeavy3,
    PTK_PlainUltraHeavy4,
    PTK_PhotographicGlossy,
    PTK_PhotographicGlossyMedium,
    PTK_PhotographicGlossyUltraHeavy,
    PTK_PhotographicGlossyHeavy,
    PTK_PhotographicGlossyEnhanced,
    PTK_UserDefined1,  // 149
    PTK_UserDefined2,
    PTK_UserDefined3,
    PTK_UserDefined4,
    PTK_UserDefined5,
    PTK_UserDefined6,
    PTK_UserDefined7,
    PTK_UserDefined8,
    PTK_UserDefined9,
    PTK_UserDefined10,  // 158
    // Duplex.
    PTK_DocumentDuplex = 159,
    PTK_JobDuplexAllDocumentsContiguously,
    PTK_OneSided,
    PTK_TwoSidedLongEdge,
    PTK_TwoSidedShortEdge,  // 163
    // Resolution.
    PTK_PageResolution = 164,
    PTK_X0300Y0300L2,
    PTK_X0600Y0600L2,
    PTK_X0600Y1200L2,
    PTK_X0600Y0600L4,
    PTK_X1200Y1200L2,
    PTK_X1200Y2400L2,
    PTK_X1200Y1200L4,
    PTK_X0600Y2400L2,
    PTK_X0600Y0600L16,
    PTK_X0600Y0600L32,
    PTK_X1200Y0600L16,  // 175
    PTK_Num300,
    PTK_Num600,
    PTK_Num1200,
    PTK_Num2400,
    PTK_Num4800,
    PTK_Num2,
    PTK_Num4,
    PTK_Num8,
    PTK_Num16,
    PTK_Num32,  // 185
    PTK_ResolutionX,
    PTK_ResolutionY,
    PTK_Level,  // 188
    // Copies, collation, orientation, colour and scaling.
    PTK_JobCopiesAllDocuments = 189,
    PTK_JobCollateAllDocuments,
    PTK_Collated,
    PTK_Uncollated,
    PTK_PageOrientation,
    PTK_Portrait,
    PTK_Landscape,
    PTK_PageOutputColor,
    PTK_Color,
    PTK_Grayscale,
    PTK_DeviceBitsPerPixel,
    PTK_DriverBitsPerPixel,
    PTK_PageScaling,
    PTK_CustomSquare,
    PTK_Scale,
    PTK_PageScalingScale,  // 204

    PT_KEYWORD_COUNT  // 205
};
static_assert(PTK_PageScalingScale == 204 && PT_KEYWORD_COUNT == 205);

// The keyword table: filled by PtInitKeywordTable, read-only after that. Entries are NULL until
// the first fill; PtKeyword never answers NULL.
extern LPCWSTR g_PtKeywords[PT_KEYWORD_COUNT];

// Stores the 205 keyword texts into g_PtKeywords (every fill stores the same pointers). Runs under
// g_DllLock so that a fill never overlaps another fill or a reload of the name tables.
void PtInitKeywordTable();

// The text of a keyword index; the empty text for an index outside the table.
LPCWSTR PtKeyword(INT32 index);

// Replaces the display names of the global paper, source and media tables with the strings of
// stringModule (as DrvLoadPaperNames, DrvLoadSourceNames and DrvLoadMediaNames do), all three
// under g_DllLock, so that two providers bound on different threads never write the shared
// tables at the same time.
void PtReloadNameTables(HMODULE stringModule);

// A feature, parameter or property row; also the shape of a plain option row, whose DEVMODE value
// is its position in its table.
struct PTFEATUREDEF {
    INT32 nKeyword;    // index into g_PtKeywords
    INT32 nNamespace;  // PTK_NS_PSF, PTK_NS_PSK or PTK_NS_PRIVATE
    INT32 nDisplayId;  // display-name string id, 0 = none
};

// An option row with the DEVMODE value it stands for.
struct PTOPTIONDEF {
    INT32 nKeyword;
    INT32 nNamespace;
    INT32 nDisplayId;
    INT32 nDevmodeValue;
};
static_assert(sizeof(PTFEATUREDEF) == 12 && sizeof(PTOPTIONDEF) == 16);

// The namespaces of the provider's documents: the Print Schema framework and keywords, the
// vendor's private namespace (a host of its own, the path fixed), XML Schema instance and types.
inline constexpr WCHAR PT_URI_PSF[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline constexpr WCHAR PT_URI_PSK[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";
inline constexpr WCHAR PT_URI_PRIVATE[] = L"http://schemas.pagedrv.example/print/2008/03/xps";
inline constexpr WCHAR PT_URI_XSI[] = L"http://www.w3.org/2001/XMLSchema-instance";
inline constexpr WCHAR PT_URI_XSD[] = L"http://www.w3.org/2001/XMLSchema";

constexpr INT32 PT_MEDIASIZE_ROWS = 46;
constexpr INT32 PT_INPUTBIN_ROWS = 9;
constexpr INT32 PT_MEDIATYPE_ROWS = 28;
constexpr INT32 PT_DUPLEX_ROWS = 3;
constexpr INT32 PT_RESOLUTION_ROWS = 13;
constexpr INT32 PT_RESOLUTION_PROPS = 3;
constexpr INT32 PT_OUTPUTCOLOR_PROPS = 2;

struct PTMEDIASIZES {
    PTFEATUREDEF Feature;
    PTOPTIONDEF Options[PT_MEDIASIZE_ROWS];  // DEVMODE value: the paper id (dmPaperSize)
    INT32 nOptions;
};

struct PTINPUTBINS {
    PTFEATUREDEF Feature;   // psk JobInputBin
    PTFEATUREDEF FeedType;  // psk FeedType, the scored property of the manual-feed option
    PTOPTIONDEF Options[PT_INPUTBIN_ROWS];  // DEVMODE value: the source id (dmDefaultSource)
    INT32 nOptions;
};

struct PTMEDIATYPES {
    PTFEATUREDEF Feature;
    PTOPTIONDEF Options[PT_MEDIATYPE_ROWS];  // DEVMODE value: the media (paper-type) id
    INT32 nOptions;
};

struct PTDUPLEX {
    PTFEATUREDEF Feature;
    PTOPTIONDEF Options[PT_DUPLEX_ROWS];  // DEVMODE value: dmDuplex
    INT32 nOptions;
};

// Rows indexed by the resolution-table row that the model gives for a print quality; rows 4 and
// 6 are empty (all fields 0). DEVMODE values are -1 (not used).
struct PTRESOLUTIONS {
    PTFEATUREDEF Feature;
    PTOPTIONDEF Options[PT_RESOLUTION_ROWS];
    INT32 nOptions;
};

struct PTRESOLUTIONPROPS {
    PTFEATUREDEF Props[PT_RESOLUTION_PROPS];  // ns0000 ResolutionX, ResolutionY, Level
    INT32 nProps;
};

// A feature with two plain options (value 0 and 1).
struct PTPLAINFEATURE {
    PTFEATUREDEF Feature;
    PTFEATUREDEF Options[2];
    INT32 nOptions;
};

struct PTSCALING {
    PTFEATUREDEF Feature;
    PTFEATUREDEF Options[2];  // psk CustomSquare, psk None
    PTFEATUREDEF ScaleProp;   // psk Scale, the scored property of CustomSquare
    PTFEATUREDEF ScaleParam;  // psk PageScalingScale, the parameter Scale refers to
    INT32 nOptions;
};

struct PTOUTPUTCOLOR {
    PTFEATUREDEF Feature;
    PTFEATUREDEF Options[2];  // psk Grayscale (0), psk Color (1)
    PTFEATUREDEF Props[PT_OUTPUTCOLOR_PROPS];  // psk DeviceBitsPerPixel, psk DriverBitsPerPixel
    INT32 nOptions;
    INT32 nProps;
};

extern const PTFEATUREDEF g_PtDevmodeSnapshot;
extern const PTMEDIASIZES g_PtMediaSizes;
extern const PTFEATUREDEF g_PtMediaSizeWidthDef;
extern const PTFEATUREDEF g_PtMediaSizeHeightDef;
extern const PTINPUTBINS g_PtInputBins;
extern const PTFEATUREDEF g_PtLongEdgeFeed;
extern const PTMEDIATYPES g_PtMediaTypes;
extern const PTDUPLEX g_PtDuplex;
extern const PTRESOLUTIONS g_PtResolutions;
// Keyword indices of the number texts of ResolutionX, ResolutionY and Level per resolution row.
extern const INT32 g_PtResolutionValues[PT_RESOLUTION_ROWS][PT_RESOLUTION_PROPS];
extern const PTRESOLUTIONPROPS g_PtResolutionProps;
extern const PTFEATUREDEF g_PtCopies;
extern const PTPLAINFEATURE g_PtCollate;      // psk Uncollated (0), psk Collated (1)
extern const PTPLAINFEATURE g_PtOrientation;  // psk Portrait (0), psk Landscape (1)
extern const PTSCALING g_PtScaling;
extern const PTOUTPUTCOLOR g_PtOutputColor;
// The bits-per-pixel texts of the output-colour options: "8" for Grayscale, "24" for Color.
extern const LPCWSTR g_PtBitsPerPixel[2];

// Lookups. Names are compared exactly and case-sensitively; NULL names match nothing.

// The first media-size row of a paper id, or NULL.
const PTOPTIONDEF* PtMediaSizeRowOfPaper(INT32 paperId);
// The paper id of an option name: the first media-size row with that keyword; else, for "User"
// and ten decimal digits, the number they make when it is a paper id (1..32767); else 1 (Letter).
// The ticket reader and the capabilities builder's base ticket both read names with it.
WORD PtMediaSizeNameToPaper(LPCWSTR name);

// The input-bin row of a source id; psk AutoSelect for an id without a row.
const PTOPTIONDEF* PtInputBinRowOfSource(INT32 sourceId);
// The source id of an option name; 7 (auto select) for a name without a row.
WORD PtBinNameToSource(LPCWSTR name);

// The first media-type row of a media id; the psk None row for an id without a row.
const PTOPTIONDEF* PtMediaTypeRowOfId(INT32 mediaId);
// The media id of the first media-type row with that keyword, else 0.
WORD PtMediaTypeNameToId(LPCWSTR name);

// The resolution row at index, or NULL for an index outside the table or an empty row.
const PTOPTIONDEF* PtResolutionRow(INT32 row);
// The index of the first non-empty resolution row with that keyword, or -1.
INT32 PtResolutionRowOfName(LPCWSTR name);

// The first row of options[0..count) whose keyword is name, or -1 (plain or valued rows).
INT32 PtFindOptionByName(const PTFEATUREDEF* options, INT32 count, LPCWSTR name);
INT32 PtFindOptionByName(const PTOPTIONDEF* options, INT32 count, LPCWSTR name);
