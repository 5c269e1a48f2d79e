// The model record: everything the driver knows about one printer model, gathered into one
// fixed-layout record (MODELRECORD) with its two large members, the model information
// (MODELINFO: capabilities and lists) and the model defaults (MODELDEFAULTS: the default value
// of every printing setting).
//
// The model table keeps one MODELRECORD per model; the model cache file stores it byte for
// byte (its layout, MODELCACHE, is in modeltable.h), and a preset file stores a MODELINFO and a
// MODELDEFAULTS whole. The layouts are therefore a file format: little-endian integers, UTF-16
// text, every field of fixed width, every unused range held by a reserved member, and no field
// holding an address. The checks at the end hold the sizes and the offset of every field on
// both architectures.
#ifndef MODELRECORD_H
#define MODELRECORD_H

#include <windows.h>

#include <cstddef>
#include <type_traits>

#include "modeltypes.h"

// Capability flags (MODELINFO.dwCapFlags), one bit per Yes/No key of [PRINTERINFO].
constexpr DWORD MIF_TRUE1200 = 0x1;                    // True1200
constexpr DWORD MIF_RESIDENTFONT = 0x2;                // ResidentFont
constexpr DWORD MIF_JAPAN = 0x4;                       // Japan
constexpr DWORD MIF_A3PRINTER = 0x8;                   // A3Printer
constexpr DWORD MIF_NOWATERMARK = 0x10;                // NoWatermark
constexpr DWORD MIF_DUPLEX = 0x20;                     // Duplex
constexpr DWORD MIF_DIRECTRASTER = 0x40;               // DirectRaster
constexpr DWORD MIF_HEISEFONT = 0x80;                  // HeiseFont (read on Japanese systems only)
constexpr DWORD MIF_ENVROTATE = 0x200;                 // EnvRotate
constexpr DWORD MIF_COLLATE = 0x400;                   // Collate
constexpr DWORD MIF_FONTSUBSTITUTION = 0x800;          // FontSubstitution
constexpr DWORD MIF_DUPLEXOPTION = 0x1000;             // DuplexOption
constexpr DWORD MIF_FAST600 = 0x2000;                  // Fast600
constexpr DWORD MIF_ONLYFAST600 = 0x4000;              // OnlyFast600
constexpr DWORD MIF_MONOCHROME = 0x8000;               // Monochrome
constexpr DWORD MIF_REVERSEPORTRAIT = 0x10000;         // ReversePortrait
constexpr DWORD MIF_MKK = 0x20000;                     // MKK
constexpr DWORD MIF_GL2 = 0x40000;                     // GL2
constexpr DWORD MIF_MTP_SHORTFEED = 0x100000;          // MTP_ShortFeed
constexpr DWORD MIF_FINISHER = 0x200000;               // Finisher
constexpr DWORD MIF_WIDEUSERDEFINEPAPER = 0x800000;    // WideUserDefinePaper
constexpr DWORD MIF_MPT_DUPLEX = 0x1000000;            // MPT_Duplex
constexpr DWORD MIF_ENVMODE = 0x2000000;               // EnvMode
constexpr DWORD MIF_SHORTMENU = 0x4000000;             // ShortMenu
constexpr DWORD MIF_VALCODE = 0x8000000;               // ValCode

// The built-in flag word: the bit of every key whose built-in value is "Yes". A key that is
// empty or holds neither "Yes" nor "No" takes its bit from here.
constexpr DWORD MIF_DEFAULT_FLAGS = 0x01842C2E;
static_assert(MIF_DEFAULT_FLAGS ==
              (MIF_RESIDENTFONT | MIF_JAPAN | MIF_A3PRINTER | MIF_DUPLEX | MIF_COLLATE |
               MIF_FONTSUBSTITUTION | MIF_FAST600 | MIF_GL2 | MIF_WIDEUSERDEFINEPAPER |
               MIF_MPT_DUPLEX));

// Every bit the [PRINTERINFO] reader may set.
constexpr DWORD MIF_KNOWN_FLAGS =
    MIF_TRUE1200 | MIF_RESIDENTFONT | MIF_JAPAN | MIF_A3PRINTER | MIF_NOWATERMARK | MIF_DUPLEX |
    MIF_DIRECTRASTER | MIF_HEISEFONT | MIF_ENVROTATE | MIF_COLLATE | MIF_FONTSUBSTITUTION |
    MIF_DUPLEXOPTION | MIF_FAST600 | MIF_ONLYFAST600 | MIF_MONOCHROME | MIF_REVERSEPORTRAIT | MIF_MKK |
    MIF_GL2 | MIF_MTP_SHORTFEED | MIF_FINISHER | MIF_WIDEUSERDEFINEPAPER | MIF_MPT_DUPLEX | MIF_ENVMODE |
    MIF_SHORTMENU | MIF_VALCODE;

// MODELINFO.wFinisherType: set at run time while a finisher is installed. The other bits are
// the finisher position mask of the model file: punch positions and finisher trays.
constexpr WORD FINISHERTYPE_INSTALLED = 0x8000;
constexpr WORD FINISHERTYPE_POSITIONS = 0x1F1F;

// MODELINFO.IntrayType: the positions of the in-tray token, trays 1..5 and the M, E and D
// positions.
constexpr DWORD INTRAYTYPE_POSITIONS = 0x807F;

// MODELINFO.QualityType: a slot that names no row of the resolution table.
constexpr WORD QUALITYTYPE_EMPTY = 0xFFFF;

// MODELINFO.Location: the highest location code ("AOS").
constexpr WORD LOCATION_LAST = 4;

// A model's capabilities and lists (1720 bytes).
//
// The paper, source and media lists hold row numbers of the global paper, source and media
// tables; the paper-type list holds rows of the record's own PaperTypeInfo array. Each list is
// followed by its count and by the index of the model's default entry. The active paper list
// (adwPaperList .. reserved404) has the shape of the inch and the metric lists, so that either
// can be copied over it (from adwPaperList up to reserved406).
//
// The dither-table fields hold table ids, not addresses: 0 for none, 1..3 for the process-wide
// dither tables 1..3. An id is turned into its table where the table is used, so a record read
// from the cache or a preset file needs no fixing up.
struct MODELINFO {
    WORD InfoType;                    // information type (InfoType)
    WCHAR szModelName[64];            // model name, terminated: the key of the model table
    BYTE reserved130[2];
    DWORD dwCapFlags;                 // MIF_* capability flags
    LONG iLogoBmpID;                  // logo bitmap id (iLogoBmpID)

    // Active paper list: the PaperSize list on Japan models, else a copy of the inch or the
    // metric list.
    DWORD adwPaperList[64];           // paper-table rows
    WORD nPapers;
    BYTE reserved398[2];
    LONG iDefaultPaper;               // default row (PaperOrder)
    BYTE reserved404[2];              // copied with the list, zero
    BYTE reserved406[2];

    DWORD adwPaperListInch[64];       // PaperSize_inch
    WORD nPapersInch;
    BYTE reserved666[2];
    LONG iDefaultPaperInch;           // PaperOrder_inch
    BYTE reserved672[2];              // copied with the list into reserved404
    BYTE reserved674[2];

    DWORD adwPaperListMm[64];         // PaperSize_mm
    WORD nPapersMm;
    BYTE reserved934[2];
    LONG iDefaultPaperMm;             // PaperOrder_mm
    BYTE reserved940[2];              // copied with the list into reserved404
    BYTE reserved942[2];
    BYTE reserved944[4];              // set to 0

    DWORD adwSourceList[32];          // source-table rows (Source)
    WORD nSources;
    BYTE reserved1078[2];
    LONG iDefaultSource;              // default row (SourceOrder)
    BYTE reserved1084[4];

    DWORD adwMediaList[32];           // media-table rows (PaperType)
    WORD nMedia;
    BYTE reserved1218[2];
    LONG iDefaultMedia;               // default row (PaperTypeOrder)
    BYTE reserved1224[4];

    DWORD adwPaperTypeList[32];       // rows of MODELRECORD.PaperTypeInfo (MediaType)
    WORD nPaperTypes;
    BYTE reserved1358[2];
    LONG iDefaultPaperType;           // default row (MediatypeOrder)
    BYTE reserved1364[4];

    DWORD adwMeshDitherTableId[32];   // dither table id of each mesh entry, 0 = none
    DWORD adwLineDitherTableId[32];   // dither table id of each line entry, 0 = none
    DWORD dwDefAvlMemory;             // default available printer memory, KB
    WORD wPPM;                        // pages per minute
    WORD wModelID;                    // model class
    WORD wFinisherType;               // finisher position mask | FINISHERTYPE_INSTALLED
    BYTE abMeshDitherCode[32];        // dither code of each mesh entry (UDlpgrayEntryMesh)
    BYTE abLineDitherCode[32];        // dither code of each line entry (UDlpgrayEntryLine)
    WORD QualityType[4];              // resolution-table row for qualities -4..-1, 0xFFFF = none
    WORD Measure;                     // 0 millimetres, 1 inches
    DWORD IntrayType;                 // input-tray position mask
    BYTE reserved1712[2];
    WORD Location;                    // 0 COM, 1 JPN, 2 ENU, 3 ENG, 4 AOS
    WORD UiResHighOnly;               // user interface offers the high resolution only
    BYTE reserved1718[2];
};

// A model's default value for every printing setting (2616 bytes). Fields named after a key
// are read from that key of the model's data files; the others are computed or copied from
// the built-in image.
struct MODELDEFAULTS {
    WCHAR szModelName[128];           // model name, terminated
    LONG UDfitpage;
    LONG dwDefaultPaper;              // paper id of the default entry of the active paper list
    SHORT wDefaultPaperWidth;         // its width, 0.1 mm
    SHORT wDefaultPaperLength;        // its length, 0.1 mm
    SHORT UDCoverPrint;
    SHORT UDSource_Cover;
    SHORT wCoverSourceId;             // source or media id for UDSource_Cover
    SHORT UDCoverPrintThick;
    SHORT UDDriverSetting_Pinfof;
    SHORT UDOrientation;
    SHORT UDPortDirect;
    SHORT UDLandDirect;
    SHORT UDLongEdge;
    SHORT UDCopies;
    SHORT UDwJobType;                 // job type, always 0
    SHORT UDfCollate;
    LONG UDdwJobTypeOption;
    SHORT UDSouceOption;
    SHORT UDautotray;
    SHORT UDsizechk;
    SHORT UDDuplex;
    SHORT UDHdd;
    SHORT UDJobSpool;
    SHORT UDFinisher;
    SHORT wInterleave;                // built-in
    SHORT wInterleaveSource;          // built-in
    BYTE reserved314[2];
    LONG UDdwFinishingMode;
    LONG UDmultipage;
    LONG UDdwPageBorder;
    LONG UDmultiPort;
    LONG UDmultiLand;
    LONG UDdwSignature;
    LONG UD2UP;
    LONG UDRightToLeft;
    LONG UDSyncOrderBooklet;
    LONG UDReverseBooklet;
    LONG UDEnlarge;
    LONG UDRegistMarks;
    LONG UDdwRegistColor;
    LONG UDOverlap;
    LONG UDOverlapWidth;
    LONG UDCstmX;
    LONG UDCstmY;
    LONG UDDirectionPort;
    LONG UDDirectionAuto;
    SHORT UDdmScale;
    SHORT UDBandArea_Nup;
    SHORT UDBandArea_BookLet;
    SHORT UDBandWidth_Nup;
    SHORT UDBandWidth_BookLet;
    SHORT UDOutputBin;
    LONG dwFinishing;                 // built-in
    LONG dwNoticeOff;                 // built-in
    SHORT UDColorProcessMode;
    SHORT UDdmDuplex;
    SHORT wColorTabMode;              // colour mode, set from UDColorTabPosition
    SHORT UDhalftone;
    SHORT UDcoloradjust;
    SHORT UDcoloradjustOpt;
    WORD UDfOverPrint;
    SHORT UDBlackFinish;
    SHORT UDfColor;
    SHORT UDPrintQuality;
    SHORT UDImageThinOut;
    WORD UDfDriverExpand;
    WORD UDRop_MultiColor;
    WORD UDAlMatte;
    SHORT UDSpoolEMF;                 // 0 when the key's value is 1, else 1
    SHORT UDTIFF;
    SHORT UDAdjLine;
    SHORT UDAP_Collate;
    SHORT UDOUTorBIT;
    SHORT wWatermarkFlags;            // built-in
    WCHAR szWatermarkName[20];        // built-in
    WORD UDwFontSize;
    SHORT UDwAngle;
    WCHAR UDszFont[32];
    LONG UDlfWeight;
    BYTE UDlfItalic;
    BYTE reserved565[3];
    LONG UDdwColor;
    SHORT reserved572;                // built-in
    BYTE reserved574[2];
    LONG UDxOffset;
    LONG UDyOffset;
    SHORT UDBasePos;
    SHORT UDTrim;
    SHORT UDWM_XOffset;
    SHORT UDWM_YOffset;
    SHORT UDDocContents;
    SHORT UDEnvWarningDlg;
    SHORT UDFreeHdd_General32;
    SHORT UDFreeMem_General32;
    SHORT UDFreeGdi_General32;
    SHORT UDFreeHdd_DTP32;
    SHORT UDFreeMem_DTP32;
    SHORT UDFreeGdi_DTP32;
    SHORT UDEnableEnv;
    BYTE reserved610[2];
    LONG wOverlayMode;                // built-in; its low word is used
    SHORT UDTonerSave;
    SHORT UDColorDarkness;
    SHORT UDColorContrast;
    SHORT UDDarkness;
    SHORT UDContrast;
    SHORT UDMPFisManual;
    BYTE reserved628[1744];
    SHORT UDMaintenanceCycle;
    SHORT wCompressLow;               // compression on: first number of Compression
    SHORT wCompressHigh;              // compression level: second number of Compression
    SHORT UDUiQuality;
    SHORT UDUsePrinterFont;
    SHORT UDCMYDensity;
    SHORT UDPaperCut;
    SHORT wLongPaperWidth;            // width of the long paper 275, 0.1 mm
    SHORT wLongPaperLength;           // its length, 0.1 mm
    SHORT UDSLP_PrtMode;
    SHORT UDSLP_AdjMode;
    BYTE reserved2394[2];
    LONG UDSLP_Start;
    LONG UDSLP_Cut;
    WORD UDSLP_Margin;
    SHORT UDSLP_Cut_Disabled;
    SHORT UDSLP_CutFly;
    SHORT UDSLP_PrtRgnOFF;
    BYTE UDGProColorMode;
    BYTE UDGProInRGBProf;
    BYTE UDGProInCMYKProf;
    BYTE UDGProOutProfile;
    BYTE UDGProRndrIntent;
    BYTE UDGProPrecision;
    BYTE UDGProBlackMode;
    BYTE UDfPunchUnit;
    BYTE UDfPosition;
    BYTE UDfStaplePos;
    BYTE UDfPunchHole;
    BYTE UDColorTabPosition;
    LONG UDDepth;
    SHORT UDColorImageSmooth;
    SHORT UDScaleField;
    BYTE UDGProTxeGraBlack;
    BYTE reserved2433[1];
    SHORT UDDispType;
    LONG UDUseOffset;
    SHORT UDOffsetX;
    SHORT UDOffsetY;
    SHORT UDShowAPQuality;
    SHORT UDAPQuality;
    SHORT UDHideDuplex;
    SHORT UDValCode;
    SHORT UDValCode_del;
    SHORT UDValCode_custom1;
    SHORT UDValCode_custom2;
    SHORT UDValCode_custom3;
    SHORT UDValCode_density;
    SHORT UDValCode_regions;
    SHORT UDValCode_off_lev;
    SHORT UDValCode_Lite;
    SHORT UDValCode_Access;
    SHORT UDValCode_Type;
    WCHAR UDValCode_Pass[16];
    SHORT UDJobInfo;
    SHORT UDSuperColor;
    SHORT UDColorDensity;
    BYTE reserved2510[2];
    LONG UDbDisableFontAlias;
    SHORT UDAutoColorBkMode;
    SHORT UDPatternSize;
    SHORT UDMonoStupDlg;
    SHORT UDCustomSizeMaxNum;
    BYTE reserved2524[4];
    SHORT UDUA_UseWinLogin;
    SHORT UDUA_Guest;
    SHORT UDUA_SaveUserInfo;
    SHORT UDFinisherMinSizeX;
    SHORT UDFinisherMinSizeY;
    SHORT UDFinisherMaxSizeX;
    SHORT UDFinisherMaxSizeY;
    SHORT UDHideHDD;
    SHORT UDNTrapp;
    BYTE reserved2546[2];
    SHORT UDdmCollate;
    SHORT UDCollateStyle;
    SHORT UDFixWMK;
    SHORT UDICMMethod;
    SHORT UDICMIntent;
    SHORT UDMonoRender;
    SHORT UDBitmapDRTRender;
    SHORT UDBitmapIDX1Render;
    SHORT UDBitmapIDX4Render;
    SHORT UDBitmapIDX8Render;
    SHORT UDGraphicsRender;
    SHORT UDTextRender;
    SHORT UDHideFinisher;
    SHORT UDDispTypeSLP;
    LONG UDPreview;
    SHORT reserved2580;               // set to 0
    BYTE reserved2582[2];
    LONG UDSLP_Start_UI;
    LONG UDSLP_Cut_UI;
    SHORT UDsizechk_MPT;
    BYTE reserved2594[2];
    LONG UDbTonerSave_100;
    SHORT UDsTonerSaveItem;
    SHORT UDTrayNum;
    SHORT UDBlackLetter;
    BYTE reserved2606[2];
    LONG UDICPrint_Name;
    SHORT UDNoRePrint;
    BYTE reserved2614[2];
};

// One model's record in the model table and in the model cache file (17944 bytes).
struct MODELRECORD {
    DWORD dwLoaded;                   // non-zero once the record holds parsed data
    // Ver values of [VERSION] of InitDataFile2, InitDataFile3, the DefaultFile and the
    // CustomFile, in this order.
    WORD awVersion[4];
    BYTE reserved12[4];
    MODELINFO ModelInfo;
    MODELDEFAULTS ModelDefaults;
    FONTSUBST FontSubst[32];          // [SUBSTTABLE] keys 1..32
    WORD nFontSubst;                  // slots of FontSubst
    // [USERFREESIZE] blocks, indexed by FREESIZE_DPI_CHANGE (1200 dpi: UDDPIChange_Portrait,
    // _Landscape), FREESIZE_USER (free-size papers: UDFreeSize_*) and FREESIZE_FINISHER (with a
    // finisher: UDFinisherSize_*).
    FREESIZELIMITS FreeSizeLimits[FREESIZE_BLOCKS];
    BYTE reserved12706[2];
    DWORD adwPaperSourceMask[64];     // [PaperSourceType] mask of paper-table row n (key n + 1)
    PAPERTYPEINFO PaperTypeInfo[32];  // [AllMediatype]
    WORD nPaperTypeInfo;              // valid entries of PaperTypeInfo
    BYTE reserved13606[2];
    // Working images of the settings presets: the MODELINFO and MODELDEFAULTS of the preset
    // last loaded or saved, or copies of the model's own when the preset cannot be read.
    MODELINFO PresetInfo;
    MODELDEFAULTS PresetDefaults;
};

// ---- Layout checks --------------------------------------------------------------------------

static_assert(sizeof(WCHAR) == 2 && sizeof(WORD) == 2 && sizeof(SHORT) == 2);
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(BYTE) == 1);
static_assert(std::is_standard_layout_v<MODELINFO> && std::is_trivially_copyable_v<MODELINFO>);
static_assert(std::is_standard_layout_v<MODELDEFAULTS> &&
              std::is_trivially_copyable_v<MODELDEFAULTS>);
static_assert(std::is_standard_layout_v<MODELRECORD> &&
              std::is_trivially_copyable_v<MODELRECORD>);

static_assert(sizeof(MODELINFO) == 1720);
static_assert(offsetof(MODELINFO, InfoType) == 0);
static_assert(offsetof(MODELINFO, szModelName) == 2);
static_assert(offsetof(MODELINFO, reserved130) == 130);
static_assert(offsetof(MODELINFO, dwCapFlags) == 132);
static_assert(offsetof(MODELINFO, iLogoBmpID) == 136);
static_assert(offsetof(MODELINFO, adwPaperList) == 140);
static_assert(offsetof(MODELINFO, nPapers) == 396);
static_assert(offsetof(MODELINFO, reserved398) == 398);
static_assert(offsetof(MODELINFO, iDefaultPaper) == 400);
static_assert(offsetof(MODELINFO, reserved404) == 404);
static_assert(offsetof(MODELINFO, reserved406) == 406);
static_assert(offsetof(MODELINFO, adwPaperListInch) == 408);
static_assert(offsetof(MODELINFO, nPapersInch) == 664);
static_assert(offsetof(MODELINFO, reserved666) == 666);
static_assert(offsetof(MODELINFO, iDefaultPaperInch) == 668);
static_assert(offsetof(MODELINFO, reserved672) == 672);
static_assert(offsetof(MODELINFO, reserved674) == 674);
static_assert(offsetof(MODELINFO, adwPaperListMm) == 676);
static_assert(offsetof(MODELINFO, nPapersMm) == 932);
static_assert(offsetof(MODELINFO, reserved934) == 934);
static_assert(offsetof(MODELINFO, iDefaultPaperMm) == 936);
static_assert(offsetof(MODELINFO, reserved940) == 940);
static_assert(offsetof(MODELINFO, reserved942) == 942);
static_assert(offsetof(MODELINFO, reserved944) == 944);
static_assert(offsetof(MODELINFO, adwSourceList) == 948);
static_assert(offsetof(MODELINFO, nSources) == 1076);
static_assert(offsetof(MODELINFO, reserved1078) == 1078);
static_assert(offsetof(MODELINFO, iDefaultSource) == 1080);
static_assert(offsetof(MODELINFO, reserved1084) == 1084);
static_assert(offsetof(MODELINFO, adwMediaList) == 1088);
static_assert(offsetof(MODELINFO, nMedia) == 1216);
static_assert(offsetof(MODELINFO, reserved1218) == 1218);
static_assert(offsetof(MODELINFO, iDefaultMedia) == 1220);
static_assert(offsetof(MODELINFO, reserved1224) == 1224);
static_assert(offsetof(MODELINFO, adwPaperTypeList) == 1228);
static_assert(offsetof(MODELINFO, nPaperTypes) == 1356);
static_assert(offsetof(MODELINFO, reserved1358) == 1358);
static_assert(offsetof(MODELINFO, iDefaultPaperType) == 1360);
static_assert(offsetof(MODELINFO, reserved1364) == 1364);
static_assert(offsetof(MODELINFO, adwMeshDitherTableId) == 1368);
static_assert(offsetof(MODELINFO, adwLineDitherTableId) == 1496);
static_assert(offsetof(MODELINFO, dwDefAvlMemory) == 1624);
static_assert(offsetof(MODELINFO, wPPM) == 1628);
static_assert(offsetof(MODELINFO, wModelID) == 1630);
static_assert(offsetof(MODELINFO, wFinisherType) == 1632);
static_assert(offsetof(MODELINFO, abMeshDitherCode) == 1634);
static_assert(offsetof(MODELINFO, abLineDitherCode) == 1666);
static_assert(offsetof(MODELINFO, QualityType) == 1698);
static_assert(offsetof(MODELINFO, Measure) == 1706);
static_assert(offsetof(MODELINFO, IntrayType) == 1708);
static_assert(offsetof(MODELINFO, reserved1712) == 1712);
static_assert(offsetof(MODELINFO, Location) == 1714);
static_assert(offsetof(MODELINFO, UiResHighOnly) == 1716);
static_assert(offsetof(MODELINFO, reserved1718) == 1718);

// The active list and the inch and metric lists share one shape, so one can be copied over
// the other member by member or as one block.
static_assert(offsetof(MODELINFO, adwPaperListInch) - offsetof(MODELINFO, adwPaperList) ==
              offsetof(MODELINFO, adwPaperListMm) - offsetof(MODELINFO, adwPaperListInch));
static_assert(offsetof(MODELINFO, reserved672) - offsetof(MODELINFO, adwPaperListInch) ==
              offsetof(MODELINFO, reserved404) - offsetof(MODELINFO, adwPaperList));

static_assert(sizeof(MODELDEFAULTS) == 2616);
static_assert(offsetof(MODELDEFAULTS, szModelName) == 0);
static_assert(offsetof(MODELDEFAULTS, UDfitpage) == 256);
static_assert(offsetof(MODELDEFAULTS, dwDefaultPaper) == 260);
static_assert(offsetof(MODELDEFAULTS, wDefaultPaperWidth) == 264);
static_assert(offsetof(MODELDEFAULTS, wDefaultPaperLength) == 266);
static_assert(offsetof(MODELDEFAULTS, UDCoverPrint) == 268);
static_assert(offsetof(MODELDEFAULTS, UDSource_Cover) == 270);
static_assert(offsetof(MODELDEFAULTS, wCoverSourceId) == 272);
static_assert(offsetof(MODELDEFAULTS, UDCoverPrintThick) == 274);
static_assert(offsetof(MODELDEFAULTS, UDDriverSetting_Pinfof) == 276);
static_assert(offsetof(MODELDEFAULTS, UDOrientation) == 278);
static_assert(offsetof(MODELDEFAULTS, UDPortDirect) == 280);
static_assert(offsetof(MODELDEFAULTS, UDLandDirect) == 282);
static_assert(offsetof(MODELDEFAULTS, UDLongEdge) == 284);
static_assert(offsetof(MODELDEFAULTS, UDCopies) == 286);
static_assert(offsetof(MODELDEFAULTS, UDwJobType) == 288);
static_assert(offsetof(MODELDEFAULTS, UDfCollate) == 290);
static_assert(offsetof(MODELDEFAULTS, UDdwJobTypeOption) == 292);
static_assert(offsetof(MODELDEFAULTS, UDSouceOption) == 296);
static_assert(offsetof(MODELDEFAULTS, UDautotray) == 298);
static_assert(offsetof(MODELDEFAULTS, UDsizechk) == 300);
static_assert(offsetof(MODELDEFAULTS, UDDuplex) == 302);
static_assert(offsetof(MODELDEFAULTS, UDHdd) == 304);
static_assert(offsetof(MODELDEFAULTS, UDJobSpool) == 306);
static_assert(offsetof(MODELDEFAULTS, UDFinisher) == 308);
static_assert(offsetof(MODELDEFAULTS, wInterleave) == 310);
static_assert(offsetof(MODELDEFAULTS, wInterleaveSource) == 312);
static_assert(offsetof(MODELDEFAULTS, reserved314) == 314);
static_assert(offsetof(MODELDEFAULTS, UDdwFinishingMode) == 316);
static_assert(offsetof(MODELDEFAULTS, UDmultipage) == 320);
static_assert(offsetof(MODELDEFAULTS, UDdwPageBorder) == 324);
static_assert(offsetof(MODELDEFAULTS, UDmultiPort) == 328);
static_assert(offsetof(MODELDEFAULTS, UDmultiLand) == 332);
static_assert(offsetof(MODELDEFAULTS, UDdwSignature) == 336);
static_assert(offsetof(MODELDEFAULTS, UD2UP) == 340);
static_assert(offsetof(MODELDEFAULTS, UDRightToLeft) == 344);
static_assert(offsetof(MODELDEFAULTS, UDSyncOrderBooklet) == 348);
static_assert(offsetof(MODELDEFAULTS, UDReverseBooklet) == 352);
static_assert(offsetof(MODELDEFAULTS, UDEnlarge) == 356);
static_assert(offsetof(MODELDEFAULTS, UDRegistMarks) == 360);
static_assert(offsetof(MODELDEFAULTS, UDdwRegistColor) == 364);
static_assert(offsetof(MODELDEFAULTS, UDOverlap) == 368);
static_assert(offsetof(MODELDEFAULTS, UDOverlapWidth) == 372);
static_assert(offsetof(MODELDEFAULTS, UDCstmX) == 376);
static_assert(offsetof(MODELDEFAULTS, UDCstmY) == 380);
static_assert(offsetof(MODELDEFAULTS, UDDirectionPort) == 384);
static_assert(offsetof(MODELDEFAULTS, UDDirectionAuto) == 388);
static_assert(offsetof(MODELDEFAULTS, UDdmScale) == 392);
static_assert(offsetof(MODELDEFAULTS, UDBandArea_Nup) == 394);
static_assert(offsetof(MODELDEFAULTS, UDBandArea_BookLet) == 396);
static_assert(offsetof(MODELDEFAULTS, UDBandWidth_Nup) == 398);
static_assert(offsetof(MODELDEFAULTS, UDBandWidth_BookLet) == 400);
static_assert(offsetof(MODELDEFAULTS, UDOutputBin) == 402);
static_assert(offsetof(MODELDEFAULTS, dwFinishing) == 404);
static_assert(offsetof(MODELDEFAULTS, dwNoticeOff) == 408);
static_assert(offsetof(MODELDEFAULTS, UDColorProcessMode) == 412);
static_assert(offsetof(MODELDEFAULTS, UDdmDuplex) == 414);
static_assert(offsetof(MODELDEFAULTS, wColorTabMode) == 416);
static_assert(offsetof(MODELDEFAULTS, UDhalftone) == 418);
static_assert(offsetof(MODELDEFAULTS, UDcoloradjust) == 420);
static_assert(offsetof(MODELDEFAULTS, UDcoloradjustOpt) == 422);
static_assert(offsetof(MODELDEFAULTS, UDfOverPrint) == 424);
static_assert(offsetof(MODELDEFAULTS, UDBlackFinish) == 426);
static_assert(offsetof(MODELDEFAULTS, UDfColor) == 428);
static_assert(offsetof(MODELDEFAULTS, UDPrintQuality) == 430);
static_assert(offsetof(MODELDEFAULTS, UDImageThinOut) == 432);
static_assert(offsetof(MODELDEFAULTS, UDfDriverExpand) == 434);
static_assert(offsetof(MODELDEFAULTS, UDRop_MultiColor) == 436);
static_assert(offsetof(MODELDEFAULTS, UDAlMatte) == 438);
static_assert(offsetof(MODELDEFAULTS, UDSpoolEMF) == 440);
static_assert(offsetof(MODELDEFAULTS, UDTIFF) == 442);
static_assert(offsetof(MODELDEFAULTS, UDAdjLine) == 444);
static_assert(offsetof(MODELDEFAULTS, UDAP_Collate) == 446);
static_assert(offsetof(MODELDEFAULTS, UDOUTorBIT) == 448);
static_assert(offsetof(MODELDEFAULTS, wWatermarkFlags) == 450);
static_assert(offsetof(MODELDEFAULTS, szWatermarkName) == 452);
static_assert(offsetof(MODELDEFAULTS, UDwFontSize) == 492);
static_assert(offsetof(MODELDEFAULTS, UDwAngle) == 494);
static_assert(offsetof(MODELDEFAULTS, UDszFont) == 496);
static_assert(offsetof(MODELDEFAULTS, UDlfWeight) == 560);
static_assert(offsetof(MODELDEFAULTS, UDlfItalic) == 564);
static_assert(offsetof(MODELDEFAULTS, reserved565) == 565);
static_assert(offsetof(MODELDEFAULTS, UDdwColor) == 568);
static_assert(offsetof(MODELDEFAULTS, reserved572) == 572);
static_assert(offsetof(MODELDEFAULTS, reserved574) == 574);
static_assert(offsetof(MODELDEFAULTS, UDxOffset) == 576);
static_assert(offsetof(MODELDEFAULTS, UDyOffset) == 580);
static_assert(offsetof(MODELDEFAULTS, UDBasePos) == 584);
static_assert(offsetof(MODELDEFAULTS, UDTrim) == 586);
static_assert(offsetof(MODELDEFAULTS, UDWM_XOffset) == 588);
static_assert(offsetof(MODELDEFAULTS, UDWM_YOffset) == 590);
static_assert(offsetof(MODELDEFAULTS, UDDocContents) == 592);
static_assert(offsetof(MODELDEFAULTS, UDEnvWarningDlg) == 594);
static_assert(offsetof(MODELDEFAULTS, UDFreeHdd_General32) == 596);
static_assert(offsetof(MODELDEFAULTS, UDFreeMem_General32) == 598);
static_assert(offsetof(MODELDEFAULTS, UDFreeGdi_General32) == 600);
static_assert(offsetof(MODELDEFAULTS, UDFreeHdd_DTP32) == 602);
static_assert(offsetof(MODELDEFAULTS, UDFreeMem_DTP32) == 604);
static_assert(offsetof(MODELDEFAULTS, UDFreeGdi_DTP32) == 606);
static_assert(offsetof(MODELDEFAULTS, UDEnableEnv) == 608);
static_assert(offsetof(MODELDEFAULTS, reserved610) == 610);
static_assert(offsetof(MODELDEFAULTS, wOverlayMode) == 612);
static_assert(offsetof(MODELDEFAULTS, UDTonerSave) == 616);
static_assert(offsetof(MODELDEFAULTS, UDColorDarkness) == 618);
static_assert(offsetof(MODELDEFAULTS, UDColorContrast) == 620);
static_assert(offsetof(MODELDEFAULTS, UDDarkness) == 622);
static_assert(offsetof(MODELDEFAULTS, UDContrast) == 624);
static_assert(offsetof(MODELDEFAULTS, UDMPFisManual) == 626);
static_assert(offsetof(MODELDEFAULTS, reserved628) == 628);
static_assert(offsetof(MODELDEFAULTS, UDMaintenanceCycle) == 2372);
static_assert(offsetof(MODELDEFAULTS, wCompressLow) == 2374);
static_assert(offsetof(MODELDEFAULTS, wCompressHigh) == 2376);
static_assert(offsetof(MODELDEFAULTS, UDUiQuality) == 2378);
static_assert(offsetof(MODELDEFAULTS, UDUsePrinterFont) == 2380);
static_assert(offsetof(MODELDEFAULTS, UDCMYDensity) == 2382);
static_assert(offsetof(MODELDEFAULTS, UDPaperCut) == 2384);
static_assert(offsetof(MODELDEFAULTS, wLongPaperWidth) == 2386);
static_assert(offsetof(MODELDEFAULTS, wLongPaperLength) == 2388);
static_assert(offsetof(MODELDEFAULTS, UDSLP_PrtMode) == 2390);
static_assert(offsetof(MODELDEFAULTS, UDSLP_AdjMode) == 2392);
static_assert(offsetof(MODELDEFAULTS, reserved2394) == 2394);
static_assert(offsetof(MODELDEFAULTS, UDSLP_Start) == 2396);
static_assert(offsetof(MODELDEFAULTS, UDSLP_Cut) == 2400);
static_assert(offsetof(MODELDEFAULTS, UDSLP_Margin) == 2404);
static_assert(offsetof(MODELDEFAULTS, UDSLP_Cut_Disabled) == 2406);
static_assert(offsetof(MODELDEFAULTS, UDSLP_CutFly) == 2408);
static_assert(offsetof(MODELDEFAULTS, UDSLP_PrtRgnOFF) == 2410);
static_assert(offsetof(MODELDEFAULTS, UDGProColorMode) == 2412);
static_assert(offsetof(MODELDEFAULTS, UDGProInRGBProf) == 2413);
static_assert(offsetof(MODELDEFAULTS, UDGProInCMYKProf) == 2414);
static_assert(offsetof(MODELDEFAULTS, UDGProOutProfile) == 2415);
static_assert(offsetof(MODELDEFAULTS, UDGProRndrIntent) == 2416);
static_assert(offsetof(MODELDEFAULTS, UDGProPrecision) == 2417);
static_assert(offsetof(MODELDEFAULTS, UDGProBlackMode) == 2418);
static_assert(offsetof(MODELDEFAULTS, UDfPunchUnit) == 2419);
static_assert(offsetof(MODELDEFAULTS, UDfPosition) == 2420);
static_assert(offsetof(MODELDEFAULTS, UDfStaplePos) == 2421);
static_assert(offsetof(MODELDEFAULTS, UDfPunchHole) == 2422);
static_assert(offsetof(MODELDEFAULTS, UDColorTabPosition) == 2423);
static_assert(offsetof(MODELDEFAULTS, UDDepth) == 2424);
static_assert(offsetof(MODELDEFAULTS, UDColorImageSmooth) == 2428);
static_assert(offsetof(MODELDEFAULTS, UDScaleField) == 2430);
static_assert(offsetof(MODELDEFAULTS, UDGProTxeGraBlack) == 2432);
static_assert(offsetof(MODELDEFAULTS, reserved2433) == 2433);
static_assert(offsetof(MODELDEFAULTS, UDDispType) == 2434);
static_assert(offsetof(MODELDEFAULTS, UDUseOffset) == 2436);
static_assert(offsetof(MODELDEFAULTS, UDOffsetX) == 2440);
static_assert(offsetof(MODELDEFAULTS, UDOffsetY) == 2442);
static_assert(offsetof(MODELDEFAULTS, UDShowAPQuality) == 2444);
static_assert(offsetof(MODELDEFAULTS, UDAPQuality) == 2446);
static_assert(offsetof(MODELDEFAULTS, UDHideDuplex) == 2448);
static_assert(offsetof(MODELDEFAULTS, UDValCode) == 2450);
static_assert(offsetof(MODELDEFAULTS, UDValCode_del) == 2452);
static_assert(offsetof(MODELDEFAULTS, UDValCode_custom1) == 2454);
static_assert(offsetof(MODELDEFAULTS, UDValCode_custom2) == 2456);
static_assert(offsetof(MODELDEFAULTS, UDValCode_custom3) == 2458);
static_assert(offsetof(MODELDEFAULTS, UDValCode_density) == 2460);
static_assert(offsetof(MODELDEFAULTS, UDValCode_regions) == 2462);
static_assert(offsetof(MODELDEFAULTS, UDValCode_off_lev) == 2464);
static_assert(offsetof(MODELDEFAULTS, UDValCode_Lite) == 2466);
static_assert(offsetof(MODELDEFAULTS, UDValCode_Access) == 2468);
static_assert(offsetof(MODELDEFAULTS, UDValCode_Type) == 2470);
static_assert(offsetof(MODELDEFAULTS, UDValCode_Pass) == 2472);
static_assert(offsetof(MODELDEFAULTS, UDJobInfo) == 2504);
static_assert(offsetof(MODELDEFAULTS, UDSuperColor) == 2506);
static_assert(offsetof(MODELDEFAULTS, UDColorDensity) == 2508);
static_assert(offsetof(MODELDEFAULTS, reserved2510) == 2510);
static_assert(offsetof(MODELDEFAULTS, UDbDisableFontAlias) == 2512);
static_assert(offsetof(MODELDEFAULTS, UDAutoColorBkMode) == 2516);
static_assert(offsetof(MODELDEFAULTS, UDPatternSize) == 2518);
static_assert(offsetof(MODELDEFAULTS, UDMonoStupDlg) == 2520);
static_assert(offsetof(MODELDEFAULTS, UDCustomSizeMaxNum) == 2522);
static_assert(offsetof(MODELDEFAULTS, reserved2524) == 2524);
static_assert(offsetof(MODELDEFAULTS, UDUA_UseWinLogin) == 2528);
static_assert(offsetof(MODELDEFAULTS, UDUA_Guest) == 2530);
static_assert(offsetof(MODELDEFAULTS, UDUA_SaveUserInfo) == 2532);
static_assert(offsetof(MODELDEFAULTS, UDFinisherMinSizeX) == 2534);
static_assert(offsetof(MODELDEFAULTS, UDFinisherMinSizeY) == 2536);
static_assert(offsetof(MODELDEFAULTS, UDFinisherMaxSizeX) == 2538);
static_assert(offsetof(MODELDEFAULTS, UDFinisherMaxSizeY) == 2540);
static_assert(offsetof(MODELDEFAULTS, UDHideHDD) == 2542);
static_assert(offsetof(MODELDEFAULTS, UDNTrapp) == 2544);
static_assert(offsetof(MODELDEFAULTS, reserved2546) == 2546);
static_assert(offsetof(MODELDEFAULTS, UDdmCollate) == 2548);
static_assert(offsetof(MODELDEFAULTS, UDCollateStyle) == 2550);
static_assert(offsetof(MODELDEFAULTS, UDFixWMK) == 2552);
static_assert(offsetof(MODELDEFAULTS, UDICMMethod) == 2554);
static_assert(offsetof(MODELDEFAULTS, UDICMIntent) == 2556);
static_assert(offsetof(MODELDEFAULTS, UDMonoRender) == 2558);
static_assert(offsetof(MODELDEFAULTS, UDBitmapDRTRender) == 2560);
static_assert(offsetof(MODELDEFAULTS, UDBitmapIDX1Render) == 2562);
static_assert(offsetof(MODELDEFAULTS, UDBitmapIDX4Render) == 2564);
static_assert(offsetof(MODELDEFAULTS, UDBitmapIDX8Render) == 2566);
static_assert(offsetof(MODELDEFAULTS, UDGraphicsRender) == 2568);
static_assert(offsetof(MODELDEFAULTS, UDTextRender) == 2570);
static_assert(offsetof(MODELDEFAULTS, UDHideFinisher) == 2572);
static_assert(offsetof(MODELDEFAULTS, UDDispTypeSLP) == 2574);
static_assert(offsetof(MODELDEFAULTS, UDPreview) == 2576);
static_assert(offsetof(MODELDEFAULTS, reserved2580) == 2580);
static_assert(offsetof(MODELDEFAULTS, reserved2582) == 2582);
static_assert(offsetof(MODELDEFAULTS, UDSLP_Start_UI) == 2584);
static_assert(offsetof(MODELDEFAULTS, UDSLP_Cut_UI) == 2588);
static_assert(offsetof(MODELDEFAULTS, UDsizechk_MPT) == 2592);
static_assert(offsetof(MODELDEFAULTS, reserved2594) == 2594);
static_assert(offsetof(MODELDEFAULTS, UDbTonerSave_100) == 2596);
static_assert(offsetof(MODELDEFAULTS, UDsTonerSaveItem) == 2600);
static_assert(offsetof(MODELDEFAULTS, UDTrayNum) == 2602);
static_assert(offsetof(MODELDEFAULTS, UDBlackLetter) == 2604);
static_assert(offsetof(MODELDEFAULTS, reserved2606) == 2606);
static_assert(offsetof(MODELDEFAULTS, UDICPrint_Name) == 2608);
static_assert(offsetof(MODELDEFAULTS, UDNoRePrint) == 2612);
static_assert(offsetof(MODELDEFAULTS, reserved2614) == 2614);

static_assert(sizeof(MODELRECORD) == 17944);
static_assert(offsetof(MODELRECORD, dwLoaded) == 0);
static_assert(offsetof(MODELRECORD, awVersion) == 4);
static_assert(offsetof(MODELRECORD, reserved12) == 12);
static_assert(offsetof(MODELRECORD, ModelInfo) == 16);
static_assert(offsetof(MODELRECORD, ModelDefaults) == 1736);
static_assert(offsetof(MODELRECORD, FontSubst) == 4352);
static_assert(offsetof(MODELRECORD, nFontSubst) == 12608);
static_assert(offsetof(MODELRECORD, FreeSizeLimits) == 12610);
static_assert(offsetof(MODELRECORD, FreeSizeLimits[FREESIZE_USER]) == 12642);
static_assert(offsetof(MODELRECORD, FreeSizeLimits[FREESIZE_FINISHER]) == 12674);
static_assert(offsetof(MODELRECORD, reserved12706) == 12706);
static_assert(offsetof(MODELRECORD, adwPaperSourceMask) == 12708);
static_assert(offsetof(MODELRECORD, PaperTypeInfo) == 12964);
static_assert(offsetof(MODELRECORD, nPaperTypeInfo) == 13604);
static_assert(offsetof(MODELRECORD, reserved13606) == 13606);
static_assert(offsetof(MODELRECORD, PresetInfo) == 13608);
static_assert(offsetof(MODELRECORD, PresetDefaults) == 15328);

#endif  // MODELRECORD_H
