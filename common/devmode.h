// The driver DEVMODE: the settings record that the print system stores for each printer and
// document and hands to both libraries. It is the standard DEVMODEW (220 bytes) followed by the
// driver's private part DRVEXTRA (4160 bytes), 4380 bytes in all.
//
// The record is stored whole in printer data and preset files, kept by applications, sent
// between the two libraries by escape and base64-encoded into PrintTickets, so its bytes are a
// format: little-endian integers, UTF-16 text (ANSI where a member says char), every field of
// fixed width, every unused range held by a reserved member, no field holding an address. The
// checks at the end hold the size and the offset of every named field on both architectures.
// Offsets in the comments are from the start of the whole record.
#ifndef DEVMODE_H
#define DEVMODE_H

#include <windows.h>

#include <cstddef>

#include "modelrecord.h"
#include "modeltable.h"

// Header values of every record this driver writes.
constexpr WORD DRV_DEVMODE_SPEC_VERSION = 0x401;
constexpr WORD DRV_DEVMODE_DRIVER_VERSION = 0x500;
constexpr WORD DRV_DEVMODE_PUBLIC_SIZE = 220;    // dmSize
constexpr WORD DRV_DEVMODE_EXTRA_SIZE = 4160;    // dmDriverExtra
constexpr DWORD DRV_DEVMODE_SIZE = 4380;         // dmSize + dmDriverExtra
// Bytes of the DEVMODE header: the device name and the words up to and including dmDriverExtra.
// A record must hold them for its sizes to be known at all.
constexpr size_t DRV_DEVMODE_HEADER_BYTES = 72;
static_assert(DRV_DEVMODE_HEADER_BYTES == offsetof(DEVMODEW, dmFields));
// The smallest private part whose settings a merge takes over.
constexpr WORD DRV_DEVMODE_MIN_EXTRA = 660;

// Public fields every default record announces (dmFields): orientation, paper size, copies,
// default source, print quality, colour and bits per pel.
constexpr DWORD DRV_DEVMODE_BASE_FIELDS = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES |
                                          DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR |
                                          DM_BITSPERPEL;
static_assert(DRV_DEVMODE_BASE_FIELDS == 0x40F03);

// Characters of the text fields of the private part, terminator included.
constexpr size_t DRV_MODELNAME_CCH = 32;       // szModelName (at most 31 characters)
constexpr size_t DRV_DEVICENAME_CCH = 32;      // dmDeviceName (at most 31 characters)

// The accounting texts of the user-authentication block. The second text is declared as 95
// bytes from 4285, which would run through the long-paper unit, preview, toner-save, size-check,
// installer-duplex and IC-card fields at 4356..4379. The record keeps every offset: the second
// text is 71 bytes (4285..4355), the last of them always a NUL, so that no text written there
// can reach the fields after it. Writers copy at most DRV_ACCOUNT_TEXT2_BYTES - 1 characters.
constexpr size_t DRV_ACCOUNT_TEXT1_BYTES = 257;           // 4028..4284
constexpr size_t DRV_ACCOUNT_TEXT2_DECLARED_BYTES = 95;   // as the block's owner declares it
constexpr size_t DRV_ACCOUNT_TEXT2_BYTES = 71;            // 4285..4355, what is kept

// dwFinishingMode: page layout.
constexpr DWORD FINISHINGMODE_NORMAL = 0;     // one page per sheet or N-up
constexpr DWORD FINISHINGMODE_BOOKLET = 1;
constexpr DWORD FINISHINGMODE_POSTER = 2;

// dwPaperState: a long paper (275, or a user-defined long paper 536..576) is selected.
constexpr DWORD PAPERSTATE_LONGPAPER = 0x1;

// dwBookletFlags.
constexpr DWORD BOOKLET_RIGHTTOLEFT = 0x2;
constexpr DWORD BOOKLET_TWOUP = 0x20;
constexpr DWORD BOOKLET_SYNCORDER = 0x40;
constexpr DWORD BOOKLET_REVERSE = 0x80;
constexpr DWORD BOOKLET_RESET_TURNED = 0x40000000;  // set at a reset inside the job: the booklet's
                                                    // origin shift turns the other way

// dwFitFlags.
constexpr DWORD FITFLAG_ON = 0x1;

// dwPosterFlags.
constexpr DWORD POSTER_AUTOORIENT = 0x1;
constexpr DWORD POSTER_PORTRAIT = 0x2;
constexpr DWORD POSTER_REGISTMARKS = 0x4;
constexpr DWORD POSTER_OVERLAP = 0x8;

// wDeviceOption: installed options.
constexpr WORD DEVOPT_FINISHER = 0x1;
constexpr WORD DEVOPT_HDD = 0x2;
constexpr WORD DEVOPT_DUPLEX = 0x8;

// wWatermarkFlags.
constexpr WORD WMKFLAG_ON = 0x1;
constexpr WORD WMKFLAG_FIRSTPAGE = 0x2;

// dwJobFlags.
constexpr DWORD JOBFLAG_ASKATPRINT = 0x1;
constexpr DWORD JOBFLAG_SECUREPENDING = 0x2;
constexpr DWORD JOBFLAG_KEEP = 0x4;
constexpr DWORD JOBFLAG_CRYPTOPENDING = 0x8;

// wOptions.
constexpr WORD OPT_DRIVEREXPAND = 0x1;
constexpr WORD OPT_ADJLINE = 0x8;
constexpr WORD OPT_APCOLLATE = 0x10;          // collate taken from dmCollate
constexpr WORD OPT_MAINTENANCECYCLE = 0x20;
constexpr WORD OPT_JOBSPOOL = 0x40;
constexpr WORD OPT_TIFF = 0x80;
constexpr WORD OPT_BLACKLETTER = 0x1000;
constexpr WORD OPT_SPOOLEMF = 0x8000;

// wOptions2.
constexpr WORD OPT2_BLACKFINISH_MASK = 0x000F; // 1, 2 or 4 on MKK models
constexpr WORD OPT2_ALMATTE = 0x20;
constexpr WORD OPT2_ROPMULTICOLOR = 0x100;

// wPaperCheck.
constexpr WORD PAPERCHECK_SIZE = 0x1;
constexpr WORD PAPERCHECK_LONGEDGE = 0x2;

// wRasterMode.
constexpr WORD RASTERMODE_VECTOR = 0;
constexpr WORD RASTERMODE_RASTER = 1;

// The private part (4160 bytes, from offset 220 of the record).
struct DRVEXTRA {
    // Page layout.
    DWORD dwFinishingMode;          // 220  FINISHINGMODE_*
    DWORD dwNupPages;               // 224  pages per sheet
    DWORD dwNupX;                   // 228  columns
    DWORD dwNupY;                   // 232  rows
    DWORD dwNupOrder;               // 236  low word portrait order 1, 2, 4, 8; bits 16-19 landscape
    DWORD dwPageBorder;             // 240  page border style
    DWORD dwMultipage;              // 244  N-up choice 0..6
    DWORD dwPaperState;             // 248  PAPERSTATE_*
    LONG dwSignature;               // 252  booklet sheets per signature, -1 none
    DWORD dwBookletFlags;           // 256  BOOKLET_*
    DWORD dwReserved260;            // 260
    DWORD dwBookletPages;           // 264  0 when stored; the renderer's copy counts the booklet's pages
    DWORD dwFitPaper;               // 268  paper id to fit the page to
    DWORD dwFitFlags;               // 272  FITFLAG_ON, bit 1, bit 4
    WORD wFitWidth;                 // 276  free size of the fit paper, 0.1 mm
    WORD wFitLength;                // 278
    DWORD dwFitScale;               // 280  fit scale
    BYTE reserved284[4];
    LONG dwPosterTiles;             // 288  2, 4, 9, or -1 for the custom grid
    DWORD dwPosterX;                // 292  custom tiles across
    DWORD dwPosterY;                // 296  custom tiles down
    DWORD dwPosterFlags;            // 300  POSTER_*
    DWORD dwRegistColor;            // 304  registration marks, 0x00BBGGRR
    DWORD dwOverlapWidth;           // 308  0..200
    DWORD dwEnlarge;                // 312  poster choice 0..3
    BYTE reserved316[84];           // 316..399
    DWORD dwFlag400;                // 400  flag 0/1
    WORD wJobInfoWmk;               // 404  job-information watermark flags
    WORD wJobCopies;                // 406  copies of the job
    DWORD dwManualDuplexSheets;     // 408
    WORD wManualDuplex;             // 412  manual duplex 0/1
    WORD wOutputBinCopy;            // 414  copy of wOutputBin
    BYTE reserved416[4];
    WORD wGrayMode;                 // 420  low byte 0..3; high byte 0..5, 0xFD..0xFF
    SHORT wDarkness;                // 422  -50..50
    WORD wRasterFlags;              // 424  bits 0-2
    WORD wAux426;                   // 426  0..4
    WORD wAux428;                   // 428  always 0
    WORD wColorCapable;             // 430  1 when the model prints colour
    SHORT wContrast;                // 432  -50..50
    WORD wAux434;                   // 434  0..2
    WORD wCustomWidth;              // 436  free size, 0.1 mm
    WORD wCustomLength;             // 438
    SHORT wScaleIndex;              // 440  scale preset, -1 free scale
    WORD wDuplexEdge;               // 442
    WORD wAux444;                   // 444
    WORD wDpiScaledValue;           // 446  0..4
    WORD wAux448;                   // 448  always 1
    WORD wCustomKind;               // 450
    WORD wAux452;                   // 452  0/1
    WORD wAux454;                   // 454  0..2
    WORD wDensity;                  // 456  print density 0..4
    WORD wMediaType;                // 458  paper-type id (low byte)
    WORD wAux460;                   // 460  0/1
    WORD wAux462;                   // 462  low byte 0..3, high byte 0 or 1
    WORD wCustomUnit;               // 464
    WORD wDpiBaseValue;             // 466  0..4, companion of wDpiScaledValue
    WORD wAux468;                   // 468  always 0
    WORD wTonerSave;                // 470  0 off, 1 on, 2 light

    // Watermark.
    WORD wWatermarkFlags;           // 472  WMKFLAG_*
    WCHAR szWatermarkName[20];      // 474  key of the watermark in the settings INI
    WCHAR szWatermarkText[64];      // 514  watermark or job-information text
    WCHAR szWatermarkFont[32];      // 642  face name
    WCHAR szWatermarkText2[32];     // 706
    WORD wWmkSize;                  // 770  points
    SHORT wWmkAngle;                // 772  degrees
    BYTE reserved774[2];
    DWORD dwWmkColor;               // 776  COLORREF
    SHORT wWmkX;                    // 780
    SHORT wWmkY;                    // 782
    BYTE bWmkItalic;                // 784
    BYTE reserved785[3];
    DWORD dwWmkWeight;              // 788
    BYTE bWmkCharSet;               // 792
    BYTE reserved793[1];

    WORD wAux794;                   // 794  0..3
    WORD wOffsetX;                  // 796  print offset 0..300
    WORD wOffsetY;                  // 798
    WORD wAutoTray;                 // 800  automatic tray switching
    WORD wAux802;                   // 802
    WORD wRotate180;                // 804  0/1
    WORD wRotateByKind;             // 806
    WORD wAux808;                   // 808
    WORD wRasterMode;               // 810  RASTERMODE_*
    WORD wTTSubst;                  // 812  TrueType substitution table in use
    WORD wFontMode;                 // 814  1 or 2
    WCHAR szModelName[DRV_MODELNAME_CCH];  // 816  key of the model table
    DWORD dwRequiredMem;            // 880  printer memory (KB) needed
    WORD wAux884;                   // 884  bit 0: the job starts on the back side
    WORD wBinding;                  // 886  binding edge in use
    WORD wBindingNup;               // 888  binding edge for N-up
    WORD wBindingBooklet;           // 890  binding edge for booklets
    WORD wMargin;                   // 892  binding margin in use, 0..300
    WORD wMarginNup;                // 894
    WORD wMarginBooklet;            // 896

    // Colour.
    WORD wColor;                    // 898  1 colour output, 0 grey
    WORD wTrueBlack;                // 900  0..2
    WORD wImageSmooth;              // 902  0/1
    WORD wColorModeFlag;            // 904
    WORD wHalftone;                 // 906  0..2
    WORD wColorSubMode;             // 908  0..2
    WORD wColorAdjust;              // 910  0..3
    WORD wColorAdjustOpt;           // 912  0..5
    WORD wCcmSection;               // 914  0..1
    WORD wCcmSettingId;             // 916  0..100
    SHORT wColorDarkness;           // 918  -100..100
    SHORT wColorContrast;           // 920  -100..100

    // Job.
    WORD wZoom;                     // 922  0/1
    WORD wPrintToFile;              // 924  0/1
    WORD wJobType;                  // 926  0 normal, 1 proof, 2 secure
    WORD wOutputBin;                // 928  0, 1, 17, 18
    WORD wDeviceOption;             // 930  DEVOPT_*
    SHORT wQuality;                 // 932  user-interface quality (-4..-1 or dpi)
    WORD wSourceOption;             // 934  installed trays; 0x100
    WORD wColorMode;                // 936  1 when a colour mode is set
    BYTE reserved938[2];
    DWORD dwPin;                    // 940  PIN of a secure job
    WCHAR szJobName[20];            // 944
    WCHAR szJobNameSaved[20];       // 984
    DWORD dwJobFlags;               // 1024 JOBFLAG_*
    WORD wFineScreen;               // 1028
    WORD wBlackGen;                 // 1030
    DWORD dwOverlayId[4];           // 1032 form overlays
    WORD wOverlayMode;              // 1048 0..2
    WORD wDezodi;                   // 1050 0/1
    WORD wCollate;                  // 1052 0/1
    WORD wColorProcess;             // 1054 0..3
    WORD wThinOut;                  // 1056 33..100
    WORD wPortDirect;               // 1058 0/1
    WORD wOptions;                  // 1060 OPT_*
    WORD wOptions2;                 // 1062 OPT2_*
    WORD wHiddenOption;             // 1064 0..999
    WORD wOverPrint;                // 1066 0..3
    DWORD dwFinishing;              // 1068 finishing word (stapling, punching)
    // 1072: version stamp of the model data files (InitDataFile2, InitDataFile3, DefaultFile,
    // CustomFile), then two words that stay 0. Its six words are the stamp buffer the model
    // refresh takes (MODEL_STAMP_WORDS).
    WORD wDataFileVersion[6];       // 1072..1083
    WORD wCoverPrint;               // 1084 cover print
    WORD wCoverSource;              // 1086 cover tray (source id)
    WORD wCoverMedia;               // 1088 thick cover
    WORD wInterleave;               // 1090 interleave flag
    WORD wInterleaveSource;         // 1092 interleave tray
    WORD wMpfIsManual;              // 1094 multi-purpose feeder manual
    WORD wEnvDocContents;           // 1096
    WORD wEnvWarning;               // 1098
    WORD wEnvLimits[6];             // 1100 free disk, memory, GDI: general, then DTP
    WORD wPresetIndex;              // 1112
    WCHAR szPresetName[32];         // 1114
    WORD wPresetCount;              // 1178
    WORD wPinfof;                   // 1180
    WORD wEnableEnv;                // 1182

    // Colour-matching tables, carried for the colour-matching page.
    BYTE bCcmNtTable[256];          // 1184
    WORD wCcmNtLength;              // 1440
    BYTE bCcmNvTable[256];          // 1442
    WORD wCcmNvLength;              // 1698

    WORD wPaperCheck;               // 1700 PAPERCHECK_*
    BYTE reserved1702[2];
    DWORD dwNoticeOff;              // 1704 0..3
    WORD wCompress;                 // 1708 compression on
    WORD wCompressLevel;            // 1710 0..9
    WORD wValidated;                // 1712 set by the validation
    BYTE reserved1714[2];
    WORD wWmkPosition;              // 1716 watermark placement
    WORD wWmkFrame;                 // 1718 watermark frame
    WORD wCMYDensity;               // 1720 0 or 16..18

    // Long paper.
    WORD wLpPaperCut;               // 1722 paper cut
    WORD wLpWidth;                  // 1724 width, 0.1 mm
    WORD wLpLength;                 // 1726 length, 0.1 mm
    WORD wLpPrtMode;                // 1728 print mode 0/1
    WORD wLpAdjMode;                // 1730 adjust mode 0..2
    LONG dwLpStart;                 // 1732 start; 50000 automatic
    LONG dwLpCut;                   // 1736 cut; 50000 automatic
    WORD wLpMargin;                 // 1740 margin

    // Colour matching: mode, RGB input profile, CMYK input profile, output profile, rendering
    // intent, precision, black mode, text and graphics black.
    BYTE bGProColorMode;            // 1742
    BYTE bGProInRGBProf;            // 1743
    BYTE bGProInCMYKProf;           // 1744
    BYTE bGProOutProfile;           // 1745
    BYTE bGProRndrIntent;           // 1746
    BYTE bGProPrecision;            // 1747
    BYTE bGProBlackMode;            // 1748
    BYTE bGProTxeGraBlack;          // 1749

    // Finishing.
    BYTE bPunchUnit;                // 1750 punch unit
    BYTE bStaplePos;                // 1751 staple position
    BYTE bStaple;                   // 1752 staple
    BYTE bPunch;                    // 1753 punch holes

    // Print-controller texts.
    WCHAR szCustom1[128];           // 1754
    WCHAR szCustom2[32];            // 2010
    WCHAR szDeptPassword[32];       // 2074
    WCHAR szCustom3[128];           // 2138
    WORD wCustomCode;               // 2394 unit of the custom paper
    WORD wAPQuality;                // 2396 0/1
    BYTE reserved2398[2];

    // Validation code.
    WORD wValCode;                  // 2400 on
    WORD wAccessCodeOn;             // 2402 delete
    WORD wValCodeCustom1;           // 2404
    WORD wValCodeCustom2;           // 2406
    WORD wValCodeCustom3;           // 2408
    WORD wValCodeDensity;           // 2410 0..16
    WORD wValCodeRegions;           // 2412
    BYTE bAccessCode[20];           // 2414 validation-code data
    BYTE reserved2434[12];
    WORD wAccessPromptMode;         // 2446 off level 0..2
    WORD wValCodeLite;              // 2448
    WORD wPrinterAccess;            // 2450
    WORD wValCodeType;              // 2452
    WORD wValCodeConfirmed;         // 2454
    WCHAR szAccessCode[16];         // 2456 validation-code password
    WORD wWmkJobInfo;               // 2488

    // Secure job.
    WORD wSecureMode;               // 2490 0..2
    DWORD dwSecureOption1;          // 2492 0..2
    DWORD dwSecureOption2;          // 2496 0..3
    char szCryptoPin[13];           // 2500 cleared secure text (ANSI)
    BYTE reserved2513[7];
    WORD wSecureLimit60;            // 2520 below 60
    WORD wSecureLimit24;            // 2522 below 24
    BYTE reserved2524[4];
    BYTE abCryptoPin[256];          // 2528 secure data block
    DWORD dwCryptoPinLen;           // 2784 at most 255

    WORD wSuperColor;               // 2788 0/1
    WORD wAux2790;                  // 2790 0/1
    WORD wColorDensity;             // 2792 0/1
    BYTE reserved2794[2];
    DWORD dwDisableFontAlias;       // 2796
    WORD wAutoColorBkMode;          // 2800 automatic colour black mode 0..3
    WORD wPatternSize;              // 2802
    WORD wMonoSetupDlg;             // 2804 0/1
    WORD wSavedColorMode;           // 2806
    WORD wSavedColorSubMode;        // 2808
    WORD wUserPaperMax;             // 2810 32..200
    BYTE reserved2812[2];

    // User authentication.
    WORD wUseLoginUser;             // 2814 use the Windows log-on
    WCHAR szAuthUser[256];          // 2816
    WCHAR szAuthPassword[256];      // 3328
    WORD wAuthFixedUser;            // 3840 guest
    WORD wAuthUseStored;            // 3842 save user information
    WORD wAuthLocalUser;            // 3844 0/1
    WCHAR szAppName[64];            // 3846
    WORD wNTrapp;                   // 3974

    // Long-paper values in effect.
    WORD wSlpPaperCut;              // 3976 paper cut
    WORD wSlpPrtMode;               // 3978 print mode
    WORD wSlpAdjMode;               // 3980 adjust mode
    BYTE reserved3982[2];
    LONG dwSlpStart;                // 3984 start, 1/600 inch
    LONG dwSlpCut;                  // 3988 cut, 1/600 inch
    WORD wSlpMargin;                // 3992 margin
    BYTE reserved3994[2];
    LONG dwLpStartUi;               // 3996 start as shown to the user
    LONG dwLpCutUi;                 // 4000 cut as shown to the user
    WORD wLpMarginConv;             // 4004 margin, 1/1000 inch
    WORD wLpWidthInch;              // 4006 long-paper width, 1/1000 inch
    WORD wLpLengthInch;             // 4008 long-paper length, 1/1000 inch
    WORD wSlpWidthInch;             // 4010 copy of the width
    WORD wSlpLengthInch;            // 4012 copy of the length
    WORD wLpCutFly;                 // 4014 cut on the fly
    WORD wSlpCutFly;                // 4016 cut on the fly in effect
    WORD wSlpPrtRgnOff;             // 4018 printable region off
    WORD wFixWmk;                   // 4020 fixed watermark
    BYTE reserved4022[2];

    // Settings block of the user-authentication library.
    DWORD dwUserAuth;               // 4024
    char szAccountText1[DRV_ACCOUNT_TEXT1_BYTES];  // 4028 accounting text (ANSI)
    char szAccountText2[DRV_ACCOUNT_TEXT2_BYTES];  // 4285 accounting text (ANSI), NUL at 4355

    WORD wLpDispType;               // 4356 long-paper display unit
    BYTE reserved4358[2];
    DWORD dwPreview;                // 4360 preview
    DWORD dwBlackPreservation;      // 4364 toner save 100 %
    SHORT wTonerSaveLevel;          // 4368 -1 model default, 0..4
    SHORT wSizeChkMpt;              // 4370 paper-size check of the multi-purpose tray: -1, 0, 1
    DWORD dwInstallDuplex;          // 4372 duplex set by the installer
    DWORD dwICPrintName;            // 4376 IC-card print name
};

// The whole record.
struct DRVDEVMODE {
    DEVMODEW dmPublic;              // 0
    DRVEXTRA dmPrivate;             // 220
};

// Scale presets (wScaleIndex); the last entry stands for a free scale and is never applied.
constexpr int DRV_SCALE_PRESETS = 7;
extern const WORD g_ScalePresets[DRV_SCALE_PRESETS];

// Builds the default record of a printer: reads the printer's driver record (level 2), takes
// its driver name as the model name and builds the model's defaults. FALSE when the driver
// record cannot be read or the model is not in the model table.
BOOL DrvBuildDefaultDevmode(DRVDEVMODE* out, LPCWSTR printerName, HANDLE printer);

// Fills all 4380 bytes of out with the defaults of the model. The model must be loaded in the
// model table (DrvRefreshModel); a model that is not in it leaves out zeroed and gives FALSE.
BOOL DrvDefaultDevmode(DRVDEVMODE* out, MODELINFO* model, LPCWSTR printerName, LPCWSTR modelName);

// One page per sheet, no fit, no booklet or poster, scale 100 (DM_SCALE cleared). Returns the
// private part.
DRVEXTRA* ResetLayoutFields(DRVDEVMODE* dm);

// ResetLayoutFields when the selected paper is a user-defined long paper or a long paper of
// the model's list (paper kind 16); other papers, and papers not in the list, are left alone.
void ResetLayoutForSpecialPaper(DRVDEVMODE* dm, MODELINFO* model);

// Sets DM_ICMMETHOD and DM_ICMINTENT with the model's defaults when the model names an ICM
// method and the reference (dm itself when NULL) is in colour, sub-mode 0, colour adjustment 2;
// otherwise clears both bits and both fields.
void UpdateIcmFields(DRVDEVMODE* dm, const DRVDEVMODE* reference, MODELINFO* model);

// DEVMODE rules of the model queries, defined in devmode.cpp.
//
// Black finish: derives wFineScreen, wTrueBlack and wBlackGen from the colour settings of the
// private part and, outside the colour modes, from the model's UDBlackFinish (the model found
// by szModelName; a model that is not loaded counts as "other").
void DrvResolveBlackFinish(DRVEXTRA* extra);
// Collate: clears DM_COLLATE and dmCollate when the model's UDCollateStyle is non-zero, wCollate
// is 0 and wOptions has OPT_APCOLLATE; otherwise sets DM_COLLATE.
void DrvUpdateCollateField(DRVDEVMODE* dm);
// The collate switch in effect: dmCollate with OPT_APCOLLATE, else wCollate.
WORD DrvGetCollate(const DRVDEVMODE* dm);

// Layout checks: DEVMODEW's standard offsets, then every named field of the private part.
static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(DEVMODEW) == DRV_DEVMODE_PUBLIC_SIZE);
static_assert(offsetof(DEVMODEW, dmDeviceName) == 0);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == 64);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == 66);
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmPaperSize) == 78);
static_assert(offsetof(DEVMODEW, dmPaperLength) == 80);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == 82);
static_assert(offsetof(DEVMODEW, dmScale) == 84);
static_assert(offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEW, dmDefaultSource) == 88);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == 90);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmDuplex) == 94);
static_assert(offsetof(DEVMODEW, dmYResolution) == 96);
static_assert(offsetof(DEVMODEW, dmTTOption) == 98);
static_assert(offsetof(DEVMODEW, dmCollate) == 100);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmPelsWidth) == 172);
static_assert(offsetof(DEVMODEW, dmPelsHeight) == 176);
static_assert(offsetof(DEVMODEW, dmDisplayFrequency) == 184);
static_assert(offsetof(DEVMODEW, dmICMMethod) == 188);
static_assert(offsetof(DEVMODEW, dmICMIntent) == 192);
static_assert(offsetof(DEVMODEW, dmMediaType) == 196);
static_assert(offsetof(DEVMODEW, dmDitherType) == 200);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == 212);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);

static_assert(sizeof(DRVEXTRA) == DRV_DEVMODE_EXTRA_SIZE);
static_assert(sizeof(DRVDEVMODE) == DRV_DEVMODE_SIZE);
static_assert(DRV_DEVMODE_PUBLIC_SIZE + DRV_DEVMODE_EXTRA_SIZE == DRV_DEVMODE_SIZE);
static_assert(offsetof(DRVDEVMODE, dmPublic) == 0);
static_assert(offsetof(DRVDEVMODE, dmPrivate) == DRV_DEVMODE_PUBLIC_SIZE);

#define DRVDM_OFFSET_(field) offsetof(DRVDEVMODE, dmPrivate.field)
static_assert(DRVDM_OFFSET_(dwFinishingMode) == 220);
static_assert(DRVDM_OFFSET_(dwNupPages) == 224);
static_assert(DRVDM_OFFSET_(dwNupX) == 228);
static_assert(DRVDM_OFFSET_(dwNupY) == 232);
static_assert(DRVDM_OFFSET_(dwNupOrder) == 236);
static_assert(DRVDM_OFFSET_(dwPageBorder) == 240);
static_assert(DRVDM_OFFSET_(dwMultipage) == 244);
static_assert(DRVDM_OFFSET_(dwPaperState) == 248);
static_assert(DRVDM_OFFSET_(dwSignature) == 252);
static_assert(DRVDM_OFFSET_(dwBookletFlags) == 256);
static_assert(DRVDM_OFFSET_(dwReserved260) == 260);
static_assert(DRVDM_OFFSET_(dwBookletPages) == 264);
static_assert(DRVDM_OFFSET_(dwFitPaper) == 268);
static_assert(DRVDM_OFFSET_(dwFitFlags) == 272);
static_assert(DRVDM_OFFSET_(wFitWidth) == 276);
static_assert(DRVDM_OFFSET_(wFitLength) == 278);
static_assert(DRVDM_OFFSET_(dwFitScale) == 280);
static_assert(DRVDM_OFFSET_(reserved284) == 284);
static_assert(DRVDM_OFFSET_(dwPosterTiles) == 288);
static_assert(DRVDM_OFFSET_(dwPosterX) == 292);
static_assert(DRVDM_OFFSET_(dwPosterY) == 296);
static_assert(DRVDM_OFFSET_(dwPosterFlags) == 300);
static_assert(DRVDM_OFFSET_(dwRegistColor) == 304);
static_assert(DRVDM_OFFSET_(dwOverlapWidth) == 308);
static_assert(DRVDM_OFFSET_(dwEnlarge) == 312);
static_assert(DRVDM_OFFSET_(reserved316) == 316);
static_assert(DRVDM_OFFSET_(dwFlag400) == 400);
static_assert(DRVDM_OFFSET_(wJobInfoWmk) == 404);
static_assert(DRVDM_OFFSET_(wJobCopies) == 406);
static_assert(DRVDM_OFFSET_(dwManualDuplexSheets) == 408);
static_assert(DRVDM_OFFSET_(wManualDuplex) == 412);
static_assert(DRVDM_OFFSET_(wOutputBinCopy) == 414);
static_assert(DRVDM_OFFSET_(reserved416) == 416);
static_assert(DRVDM_OFFSET_(wGrayMode) == 420);
static_assert(DRVDM_OFFSET_(wDarkness) == 422);
static_assert(DRVDM_OFFSET_(wRasterFlags) == 424);
static_assert(DRVDM_OFFSET_(wAux426) == 426);
static_assert(DRVDM_OFFSET_(wAux428) == 428);
static_assert(DRVDM_OFFSET_(wColorCapable) == 430);
static_assert(DRVDM_OFFSET_(wContrast) == 432);
static_assert(DRVDM_OFFSET_(wAux434) == 434);
static_assert(DRVDM_OFFSET_(wCustomWidth) == 436);
static_assert(DRVDM_OFFSET_(wCustomLength) == 438);
static_assert(DRVDM_OFFSET_(wScaleIndex) == 440);
static_assert(DRVDM_OFFSET_(wDuplexEdge) == 442);
static_assert(DRVDM_OFFSET_(wAux444) == 444);
static_assert(DRVDM_OFFSET_(wDpiScaledValue) == 446);
static_assert(DRVDM_OFFSET_(wAux448) == 448);
static_assert(DRVDM_OFFSET_(wCustomKind) == 450);
static_assert(DRVDM_OFFSET_(wAux452) == 452);
static_assert(DRVDM_OFFSET_(wAux454) == 454);
static_assert(DRVDM_OFFSET_(wDensity) == 456);
static_assert(DRVDM_OFFSET_(wMediaType) == 458);
static_assert(DRVDM_OFFSET_(wAux460) == 460);
static_assert(DRVDM_OFFSET_(wAux462) == 462);
static_assert(DRVDM_OFFSET_(wCustomUnit) == 464);
static_assert(DRVDM_OFFSET_(wDpiBaseValue) == 466);
static_assert(DRVDM_OFFSET_(wAux468) == 468);
static_assert(DRVDM_OFFSET_(wTonerSave) == 470);
static_assert(DRVDM_OFFSET_(wWatermarkFlags) == 472);
static_assert(DRVDM_OFFSET_(szWatermarkName) == 474);
static_assert(DRVDM_OFFSET_(szWatermarkText) == 514);
static_assert(DRVDM_OFFSET_(szWatermarkFont) == 642);
static_assert(DRVDM_OFFSET_(szWatermarkText2) == 706);
static_assert(DRVDM_OFFSET_(wWmkSize) == 770);
static_assert(DRVDM_OFFSET_(wWmkAngle) == 772);
static_assert(DRVDM_OFFSET_(reserved774) == 774);
static_assert(DRVDM_OFFSET_(dwWmkColor) == 776);
static_assert(DRVDM_OFFSET_(wWmkX) == 780);
static_assert(DRVDM_OFFSET_(wWmkY) == 782);
static_assert(DRVDM_OFFSET_(bWmkItalic) == 784);
static_assert(DRVDM_OFFSET_(reserved785) == 785);
static_assert(DRVDM_OFFSET_(dwWmkWeight) == 788);
static_assert(DRVDM_OFFSET_(bWmkCharSet) == 792);
static_assert(DRVDM_OFFSET_(reserved793) == 793);
static_assert(DRVDM_OFFSET_(wAux794) == 794);
static_assert(DRVDM_OFFSET_(wOffsetX) == 796);
static_assert(DRVDM_OFFSET_(wOffsetY) == 798);
static_assert(DRVDM_OFFSET_(wAutoTray) == 800);
static_assert(DRVDM_OFFSET_(wAux802) == 802);
static_assert(DRVDM_OFFSET_(wRotate180) == 804);
static_assert(DRVDM_OFFSET_(wRotateByKind) == 806);
static_assert(DRVDM_OFFSET_(wAux808) == 808);
static_assert(DRVDM_OFFSET_(wRasterMode) == 810);
static_assert(DRVDM_OFFSET_(wTTSubst) == 812);
static_assert(DRVDM_OFFSET_(wFontMode) == 814);
static_assert(DRVDM_OFFSET_(szModelName) == 816);
static_assert(DRVDM_OFFSET_(dwRequiredMem) == 880);
static_assert(DRVDM_OFFSET_(wAux884) == 884);
static_assert(DRVDM_OFFSET_(wBinding) == 886);
static_assert(DRVDM_OFFSET_(wBindingNup) == 888);
static_assert(DRVDM_OFFSET_(wBindingBooklet) == 890);
static_assert(DRVDM_OFFSET_(wMargin) == 892);
static_assert(DRVDM_OFFSET_(wMarginNup) == 894);
static_assert(DRVDM_OFFSET_(wMarginBooklet) == 896);
static_assert(DRVDM_OFFSET_(wColor) == 898);
static_assert(DRVDM_OFFSET_(wTrueBlack) == 900);
static_assert(DRVDM_OFFSET_(wImageSmooth) == 902);
static_assert(DRVDM_OFFSET_(wColorModeFlag) == 904);
static_assert(DRVDM_OFFSET_(wHalftone) == 906);
static_assert(DRVDM_OFFSET_(wColorSubMode) == 908);
static_assert(DRVDM_OFFSET_(wColorAdjust) == 910);
static_assert(DRVDM_OFFSET_(wColorAdjustOpt) == 912);
static_assert(DRVDM_OFFSET_(wCcmSection) == 914);
static_assert(DRVDM_OFFSET_(wCcmSettingId) == 916);
static_assert(DRVDM_OFFSET_(wColorDarkness) == 918);
static_assert(DRVDM_OFFSET_(wColorContrast) == 920);
static_assert(DRVDM_OFFSET_(wZoom) == 922);
static_assert(DRVDM_OFFSET_(wPrintToFile) == 924);
static_assert(DRVDM_OFFSET_(wJobType) == 926);
static_assert(DRVDM_OFFSET_(wOutputBin) == 928);
static_assert(DRVDM_OFFSET_(wDeviceOption) == 930);
static_assert(DRVDM_OFFSET_(wQuality) == 932);
static_assert(DRVDM_OFFSET_(wSourceOption) == 934);
static_assert(DRVDM_OFFSET_(wColorMode) == 936);
static_assert(DRVDM_OFFSET_(reserved938) == 938);
static_assert(DRVDM_OFFSET_(dwPin) == 940);
static_assert(DRVDM_OFFSET_(szJobName) == 944);
static_assert(DRVDM_OFFSET_(szJobNameSaved) == 984);
static_assert(DRVDM_OFFSET_(dwJobFlags) == 1024);
static_assert(DRVDM_OFFSET_(wFineScreen) == 1028);
static_assert(DRVDM_OFFSET_(wBlackGen) == 1030);
static_assert(DRVDM_OFFSET_(dwOverlayId) == 1032);
static_assert(DRVDM_OFFSET_(wOverlayMode) == 1048);
static_assert(DRVDM_OFFSET_(wDezodi) == 1050);
static_assert(DRVDM_OFFSET_(wCollate) == 1052);
static_assert(DRVDM_OFFSET_(wColorProcess) == 1054);
static_assert(DRVDM_OFFSET_(wThinOut) == 1056);
static_assert(DRVDM_OFFSET_(wPortDirect) == 1058);
static_assert(DRVDM_OFFSET_(wOptions) == 1060);
static_assert(DRVDM_OFFSET_(wOptions2) == 1062);
static_assert(DRVDM_OFFSET_(wHiddenOption) == 1064);
static_assert(DRVDM_OFFSET_(wOverPrint) == 1066);
static_assert(DRVDM_OFFSET_(dwFinishing) == 1068);
static_assert(DRVDM_OFFSET_(wDataFileVersion) == 1072);
static_assert(sizeof(DRVEXTRA::wDataFileVersion) == MODEL_STAMP_WORDS * sizeof(WORD));
static_assert(DRVDM_OFFSET_(wCoverPrint) == 1084);
static_assert(DRVDM_OFFSET_(wCoverSource) == 1086);
static_assert(DRVDM_OFFSET_(wCoverMedia) == 1088);
static_assert(DRVDM_OFFSET_(wInterleave) == 1090);
static_assert(DRVDM_OFFSET_(wInterleaveSource) == 1092);
static_assert(DRVDM_OFFSET_(wMpfIsManual) == 1094);
static_assert(DRVDM_OFFSET_(wEnvDocContents) == 1096);
static_assert(DRVDM_OFFSET_(wEnvWarning) == 1098);
static_assert(DRVDM_OFFSET_(wEnvLimits) == 1100);
static_assert(DRVDM_OFFSET_(wPresetIndex) == 1112);
static_assert(DRVDM_OFFSET_(szPresetName) == 1114);
static_assert(DRVDM_OFFSET_(wPresetCount) == 1178);
static_assert(DRVDM_OFFSET_(wPinfof) == 1180);
static_assert(DRVDM_OFFSET_(wEnableEnv) == 1182);
static_assert(DRVDM_OFFSET_(bCcmNtTable) == 1184);
static_assert(DRVDM_OFFSET_(wCcmNtLength) == 1440);
static_assert(DRVDM_OFFSET_(bCcmNvTable) == 1442);
static_assert(DRVDM_OFFSET_(wCcmNvLength) == 1698);
static_assert(DRVDM_OFFSET_(wPaperCheck) == 1700);
static_assert(DRVDM_OFFSET_(reserved1702) == 1702);
static_assert(DRVDM_OFFSET_(dwNoticeOff) == 1704);
static_assert(DRVDM_OFFSET_(wCompress) == 1708);
static_assert(DRVDM_OFFSET_(wCompressLevel) == 1710);
static_assert(DRVDM_OFFSET_(wValidated) == 1712);
static_assert(DRVDM_OFFSET_(reserved1714) == 1714);
static_assert(DRVDM_OFFSET_(wWmkPosition) == 1716);
static_assert(DRVDM_OFFSET_(wWmkFrame) == 1718);
static_assert(DRVDM_OFFSET_(wCMYDensity) == 1720);
static_assert(DRVDM_OFFSET_(wLpPaperCut) == 1722);
static_assert(DRVDM_OFFSET_(wLpWidth) == 1724);
static_assert(DRVDM_OFFSET_(wLpLength) == 1726);
static_assert(DRVDM_OFFSET_(wLpPrtMode) == 1728);
static_assert(DRVDM_OFFSET_(wLpAdjMode) == 1730);
static_assert(DRVDM_OFFSET_(dwLpStart) == 1732);
static_assert(DRVDM_OFFSET_(dwLpCut) == 1736);
static_assert(DRVDM_OFFSET_(wLpMargin) == 1740);
static_assert(DRVDM_OFFSET_(bGProColorMode) == 1742);
static_assert(DRVDM_OFFSET_(bGProInRGBProf) == 1743);
static_assert(DRVDM_OFFSET_(bGProInCMYKProf) == 1744);
static_assert(DRVDM_OFFSET_(bGProOutProfile) == 1745);
static_assert(DRVDM_OFFSET_(bGProRndrIntent) == 1746);
static_assert(DRVDM_OFFSET_(bGProPrecision) == 1747);
static_assert(DRVDM_OFFSET_(bGProBlackMode) == 1748);
static_assert(DRVDM_OFFSET_(bGProTxeGraBlack) == 1749);
static_assert(DRVDM_OFFSET_(bPunchUnit) == 1750);
static_assert(DRVDM_OFFSET_(bStaplePos) == 1751);
static_assert(DRVDM_OFFSET_(bStaple) == 1752);
static_assert(DRVDM_OFFSET_(bPunch) == 1753);
static_assert(DRVDM_OFFSET_(szCustom1) == 1754);
static_assert(DRVDM_OFFSET_(szCustom2) == 2010);
static_assert(DRVDM_OFFSET_(szDeptPassword) == 2074);
static_assert(DRVDM_OFFSET_(szCustom3) == 2138);
static_assert(DRVDM_OFFSET_(wCustomCode) == 2394);
static_assert(DRVDM_OFFSET_(wAPQuality) == 2396);
static_assert(DRVDM_OFFSET_(reserved2398) == 2398);
static_assert(DRVDM_OFFSET_(wValCode) == 2400);
static_assert(DRVDM_OFFSET_(wAccessCodeOn) == 2402);
static_assert(DRVDM_OFFSET_(wValCodeCustom1) == 2404);
static_assert(DRVDM_OFFSET_(wValCodeCustom2) == 2406);
static_assert(DRVDM_OFFSET_(wValCodeCustom3) == 2408);
static_assert(DRVDM_OFFSET_(wValCodeDensity) == 2410);
static_assert(DRVDM_OFFSET_(wValCodeRegions) == 2412);
static_assert(DRVDM_OFFSET_(bAccessCode) == 2414);
static_assert(DRVDM_OFFSET_(reserved2434) == 2434);
static_assert(DRVDM_OFFSET_(wAccessPromptMode) == 2446);
static_assert(DRVDM_OFFSET_(wValCodeLite) == 2448);
static_assert(DRVDM_OFFSET_(wPrinterAccess) == 2450);
static_assert(DRVDM_OFFSET_(wValCodeType) == 2452);
static_assert(DRVDM_OFFSET_(wValCodeConfirmed) == 2454);
static_assert(DRVDM_OFFSET_(szAccessCode) == 2456);
static_assert(DRVDM_OFFSET_(wWmkJobInfo) == 2488);
static_assert(DRVDM_OFFSET_(wSecureMode) == 2490);
static_assert(DRVDM_OFFSET_(dwSecureOption1) == 2492);
static_assert(DRVDM_OFFSET_(dwSecureOption2) == 2496);
static_assert(DRVDM_OFFSET_(szCryptoPin) == 2500);
static_assert(DRVDM_OFFSET_(reserved2513) == 2513);
static_assert(DRVDM_OFFSET_(wSecureLimit60) == 2520);
static_assert(DRVDM_OFFSET_(wSecureLimit24) == 2522);
static_assert(DRVDM_OFFSET_(reserved2524) == 2524);
static_assert(DRVDM_OFFSET_(abCryptoPin) == 2528);
static_assert(DRVDM_OFFSET_(dwCryptoPinLen) == 2784);
static_assert(DRVDM_OFFSET_(wSuperColor) == 2788);
static_assert(DRVDM_OFFSET_(wAux2790) == 2790);
static_assert(DRVDM_OFFSET_(wColorDensity) == 2792);
static_assert(DRVDM_OFFSET_(reserved2794) == 2794);
static_assert(DRVDM_OFFSET_(dwDisableFontAlias) == 2796);
static_assert(DRVDM_OFFSET_(wAutoColorBkMode) == 2800);
static_assert(DRVDM_OFFSET_(wPatternSize) == 2802);
static_assert(DRVDM_OFFSET_(wMonoSetupDlg) == 2804);
static_assert(DRVDM_OFFSET_(wSavedColorMode) == 2806);
static_assert(DRVDM_OFFSET_(wSavedColorSubMode) == 2808);
static_assert(DRVDM_OFFSET_(wUserPaperMax) == 2810);
static_assert(DRVDM_OFFSET_(reserved2812) == 2812);
static_assert(DRVDM_OFFSET_(wUseLoginUser) == 2814);
static_assert(DRVDM_OFFSET_(szAuthUser) == 2816);
static_assert(DRVDM_OFFSET_(szAuthPassword) == 3328);
static_assert(DRVDM_OFFSET_(wAuthFixedUser) == 3840);
static_assert(DRVDM_OFFSET_(wAuthUseStored) == 3842);
static_assert(DRVDM_OFFSET_(wAuthLocalUser) == 3844);
static_assert(DRVDM_OFFSET_(szAppName) == 3846);
static_assert(DRVDM_OFFSET_(wNTrapp) == 3974);
static_assert(DRVDM_OFFSET_(wSlpPaperCut) == 3976);
static_assert(DRVDM_OFFSET_(wSlpPrtMode) == 3978);
static_assert(DRVDM_OFFSET_(wSlpAdjMode) == 3980);
static_assert(DRVDM_OFFSET_(reserved3982) == 3982);
static_assert(DRVDM_OFFSET_(dwSlpStart) == 3984);
static_assert(DRVDM_OFFSET_(dwSlpCut) == 3988);
static_assert(DRVDM_OFFSET_(wSlpMargin) == 3992);
static_assert(DRVDM_OFFSET_(reserved3994) == 3994);
static_assert(DRVDM_OFFSET_(dwLpStartUi) == 3996);
static_assert(DRVDM_OFFSET_(dwLpCutUi) == 4000);
static_assert(DRVDM_OFFSET_(wLpMarginConv) == 4004);
static_assert(DRVDM_OFFSET_(wLpWidthInch) == 4006);
static_assert(DRVDM_OFFSET_(wLpLengthInch) == 4008);
static_assert(DRVDM_OFFSET_(wSlpWidthInch) == 4010);
static_assert(DRVDM_OFFSET_(wSlpLengthInch) == 4012);
static_assert(DRVDM_OFFSET_(wLpCutFly) == 4014);
static_assert(DRVDM_OFFSET_(wSlpCutFly) == 4016);
static_assert(DRVDM_OFFSET_(wSlpPrtRgnOff) == 4018);
static_assert(DRVDM_OFFSET_(wFixWmk) == 4020);
static_assert(DRVDM_OFFSET_(reserved4022) == 4022);
static_assert(DRVDM_OFFSET_(dwUserAuth) == 4024);
static_assert(DRVDM_OFFSET_(szAccountText1) == 4028);
static_assert(DRVDM_OFFSET_(szAccountText2) == 4285);
static_assert(DRVDM_OFFSET_(szAccountText2) + DRV_ACCOUNT_TEXT2_BYTES == 4356);
static_assert(DRVDM_OFFSET_(szAccountText2) + DRV_ACCOUNT_TEXT2_DECLARED_BYTES == DRV_DEVMODE_SIZE);
static_assert(DRVDM_OFFSET_(wLpDispType) == 4356);
static_assert(DRVDM_OFFSET_(reserved4358) == 4358);
static_assert(DRVDM_OFFSET_(dwPreview) == 4360);
static_assert(DRVDM_OFFSET_(dwBlackPreservation) == 4364);
static_assert(DRVDM_OFFSET_(wTonerSaveLevel) == 4368);
static_assert(DRVDM_OFFSET_(wSizeChkMpt) == 4370);
static_assert(DRVDM_OFFSET_(dwInstallDuplex) == 4372);
static_assert(DRVDM_OFFSET_(dwICPrintName) == 4376);
#undef DRVDM_OFFSET_

#endif  // DEVMODE_H
