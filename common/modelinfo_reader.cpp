// Readers that fill MODELINFO from a model's data files; see modelinfo_reader.h.
#include "modelinfo_reader.h"

#ifndef DRV_BUILD_UM

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "datafile_lists.h"
#include "datafile_parse.h"
#include "localeinfo.h"
#include "papertables.h"
#include "region.h"
#include "textutil.h"

namespace {

using ValueBuffer = WCHAR[MODELINFO_VALUE_CCH];

constexpr WCHAR kPrinterInfo[] = L"PRINTERINFO";
constexpr WCHAR kDither[] = L"DITHER";

// The Japanese system: language and code page of the system's user-interface files.
constexpr WORD kJapaneseLanguage = 1041;
constexpr WORD kJapaneseCodePage = 932;

struct FlagKey {
    DWORD bit;
    LPCWSTR key;
};

// The Yes/No keys of [PRINTERINFO] in the order they are read. Their built-in values are the
// bits of MIF_DEFAULT_FLAGS.
constexpr FlagKey kFlagKeys[] = {
    {MIF_TRUE1200, L"True1200"},
    {MIF_RESIDENTFONT, L"ResidentFont"},
    {MIF_JAPAN, L"Japan"},
    {MIF_A3PRINTER, L"A3Printer"},
    {MIF_NOWATERMARK, L"NoWatermark"},
    {MIF_DUPLEX, L"Duplex"},
    {MIF_DIRECTRASTER, L"DirectRaster"},
    {MIF_HEISEFONT, L"HeiseFont"},
    {MIF_ENVROTATE, L"EnvRotate"},
    {MIF_COLLATE, L"Collate"},
    {MIF_FONTSUBSTITUTION, L"FontSubstitution"},
    {MIF_DUPLEXOPTION, L"DuplexOption"},
    {MIF_FAST600, L"Fast600"},
    {MIF_ONLYFAST600, L"OnlyFast600"},
    {MIF_MONOCHROME, L"Monochrome"},
    {MIF_REVERSEPORTRAIT, L"ReversePortrait"},
    {MIF_MKK, L"MKK"},
    {MIF_GL2, L"GL2"},
    {MIF_MTP_SHORTFEED, L"MTP_ShortFeed"},
    {MIF_FINISHER, L"Finisher"},
    {MIF_WIDEUSERDEFINEPAPER, L"WideUserDefinePaper"},
    {MIF_MPT_DUPLEX, L"MPT_Duplex"},
    {MIF_ENVMODE, L"EnvMode"},
    {MIF_SHORTMENU, L"ShortMenu"},
    {MIF_VALCODE, L"ValCode"},
};

// Built-in texts of the text keys.
constexpr WCHAR kDefaultDitherEntries[] = L"3,3,2,3,3,2,3,3,2,3,3,2,3,3,2";
constexpr WCHAR kDefaultAvailableMemory[] = L"3696";
constexpr WCHAR kDefaultPpm[] = L"30";
constexpr WCHAR kDefaultModelId[] = L"1";
constexpr WCHAR kDefaultFinisherType[] = L"PUNCH.2____ + TRAY.___45";
constexpr WCHAR kDefaultQualityType[] = L"3,2,1,0";
constexpr WCHAR kDefaultMeasure[] = L"0";
constexpr WCHAR kDefaultIntrayType[] = L"TRAY.________";
constexpr WCHAR kDefaultLocation[] = L"COM";
constexpr WCHAR kDefaultUiResHighOnly[] = L"0";

// The inch and metric lists have the shape of the active list (rows, count, default index and
// the reserved word after it), so either is copied over it whole.
constexpr size_t kPaperListBlock = offsetof(MODELINFO, reserved406) - offsetof(MODELINFO, adwPaperList);
static_assert(offsetof(MODELINFO, reserved674) - offsetof(MODELINFO, adwPaperListInch) == kPaperListBlock);
static_assert(offsetof(MODELINFO, reserved942) - offsetof(MODELINFO, adwPaperListMm) == kPaperListBlock);
static_assert(offsetof(MODELINFO, nPapersInch) - offsetof(MODELINFO, adwPaperListInch) ==
              offsetof(MODELINFO, nPapers) - offsetof(MODELINFO, adwPaperList));
static_assert(offsetof(MODELINFO, iDefaultPaperMm) - offsetof(MODELINFO, adwPaperListMm) ==
              offsetof(MODELINFO, iDefaultPaper) - offsetof(MODELINFO, adwPaperList));

// Location texts, in the order of their codes 0..LOCATION_LAST.
constexpr LPCWSTR kLocations[] = {L"COM", L"JPN", L"ENU", L"ENG", L"AOS"};
static_assert(ARRAYSIZE(kLocations) == LOCATION_LAST + 1);

bool HasFile(LPCWSTR path) { return path && path[0] != L'\0'; }

// Copies text into value (cch characters), cut to fit. Returns its length.
DWORD CopyValue(LPWSTR value, DWORD cch, LPCWSTR text)
{
    const size_t n = wcsnlen(text, cch - 1);
    wmemcpy(value, text, n);
    value[n] = L'\0';
    return static_cast<DWORD>(n);
}

// Reads key of section from file into value (cch characters); a file that is not named gives
// the empty text. Returns the length of the value.
DWORD ReadText(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPWSTR value, DWORD cch)
{
    value[0] = L'\0';
    if (!HasFile(file)) return 0;
    return GetPrivateProfileStringW(section, key, L"", value, cch, file);
}

// The text of key from customFile, else defaultFile, else builtIn.
void ReadModelText(LPCWSTR section, LPCWSTR key, LPCWSTR builtIn, LPCWSTR defaultFile,
                   LPCWSTR customFile, ValueBuffer& value)
{
    if (ReadText(customFile, section, key, value, MODELINFO_VALUE_CCH)) return;
    if (ReadText(defaultFile, section, key, value, MODELINFO_VALUE_CCH)) return;
    CopyValue(value, MODELINFO_VALUE_CCH, builtIn);
}

// An integer key of [PRINTERINFO]: read from defaultFile with builtIn as its default, then from
// customFile with that result as its default.
LONG ReadModelInt(LPCWSTR key, LONG builtIn, LPCWSTR defaultFile, LPCWSTR customFile)
{
    LONG result = builtIn;
    if (HasFile(defaultFile))
        result = static_cast<LONG>(GetPrivateProfileIntW(kPrinterInfo, key, result, defaultFile));
    if (HasFile(customFile))
        result = static_cast<LONG>(GetPrivateProfileIntW(kPrinterInfo, key, result, customFile));
    return result;
}

// A default index that is not an index of its list (count entries) becomes 0, so that no user of
// the list reads beyond its entries.
LONG CheckedDefault(LONG index, WORD count) { return index >= 0 && index < count ? index : 0; }

bool IsJapaneseSystem()
{
    WORD language = 0, codePage = 0;
    return DrvGetSystemLanguage(&language, &codePage) && language == kJapaneseLanguage &&
           codePage == kJapaneseCodePage;
}

// The dither entries of key: entry i takes the i-th number of the value as its code, and for
// codes 1..3 the dither table of that id. Entries the value does not reach keep their values.
void ReadDitherEntries(LPCWSTR key, BYTE (&codes)[32], DWORD (&tableIds)[32], LPCWSTR defaultFile,
                       LPCWSTR customFile)
{
    ValueBuffer value;
    ReadModelText(kDither, key, kDefaultDitherEntries, defaultFile, customFile, value);
    LPWSTR cursor = value;
    for (size_t i = 0; i < 32; ++i) {
        const DWORD code = DataFileParseHexOrDec(&cursor, L',');
        codes[i] = static_cast<BYTE>(code);
        if (code >= 1 && code <= DITHER_TABLE_COUNT) tableIds[i] = code;
        if (*cursor == L'\0') break;
        ++cursor;
    }
}

// The four resolution slots, qualities -4..-1 in this order. A slot that the value leaves out or
// that names no row of the resolution table is empty.
void ReadQualitySlots(WORD (&slots)[4], LPCWSTR defaultFile, LPCWSTR customFile)
{
    ValueBuffer value;
    ReadModelText(kPrinterInfo, L"QualityType", kDefaultQualityType, defaultFile, customFile, value);
    LPWSTR cursor = value;
    size_t i = 0;
    for (; i < 4; ++i) {
        const LONG row = DataFileParseNumber(&cursor, L',');
        slots[i] = row >= 0 && row < RESOLUTION_TABLE_ROWS ? static_cast<WORD>(row) : QUALITYTYPE_EMPTY;
        if (*cursor == L'\0') {
            ++i;
            break;
        }
        ++cursor;
    }
    for (; i < 4; ++i) slots[i] = QUALITYTYPE_EMPTY;
}

WORD LocationCode(LPCWSTR text)
{
    for (WORD code = 0; code < ARRAYSIZE(kLocations); ++code)
        if (wcscmp(text, kLocations[code]) == 0) return code;
    return 0;
}

}  // namespace

DWORD ReadPrinterInfoFlags(LPWSTR scratch, DWORD cchScratch, LPCWSTR defaultFile, LPCWSTR customFile)
{
    ValueBuffer own;
    if (!scratch || cchScratch == 0) {
        scratch = own;
        cchScratch = MODELINFO_VALUE_CCH;
    }
    const bool japaneseSystem = IsJapaneseSystem();
    DWORD flags = 0;
    for (const FlagKey& flag : kFlagKeys) {
        if (flag.bit == MIF_HEISEFONT && !japaneseSystem) continue;
        if (!ReadText(customFile, kPrinterInfo, flag.key, scratch, cchScratch))
            ReadText(defaultFile, kPrinterInfo, flag.key, scratch, cchScratch);
        LPWSTR cursor = scratch;
        switch (DataFileParseYesNo(&cursor)) {
        case DATAFILE_YES:
            flags |= flag.bit;
            break;
        case DATAFILE_NO:
            break;
        default:
            flags |= MIF_DEFAULT_FLAGS & flag.bit;
            break;
        }
    }
    return flags;
}

void ReadModelInfo(MODELINFO* info, LPCWSTR modelName, LPCWSTR defaultFile, LPCWSTR customFile)
{
    if (!info) return;
    MODELINFO& mi = *info;

    // Reserved ranges hold zeros in the record and its cache file.
    memset(mi.reserved130, 0, sizeof mi.reserved130);
    memset(mi.reserved398, 0, sizeof mi.reserved398);
    memset(mi.reserved404, 0, sizeof mi.reserved404);
    memset(mi.reserved406, 0, sizeof mi.reserved406);
    memset(mi.reserved666, 0, sizeof mi.reserved666);
    memset(mi.reserved672, 0, sizeof mi.reserved672);
    memset(mi.reserved674, 0, sizeof mi.reserved674);
    memset(mi.reserved934, 0, sizeof mi.reserved934);
    memset(mi.reserved940, 0, sizeof mi.reserved940);
    memset(mi.reserved942, 0, sizeof mi.reserved942);
    memset(mi.reserved944, 0, sizeof mi.reserved944);
    memset(mi.reserved1078, 0, sizeof mi.reserved1078);
    memset(mi.reserved1084, 0, sizeof mi.reserved1084);
    memset(mi.reserved1218, 0, sizeof mi.reserved1218);
    memset(mi.reserved1224, 0, sizeof mi.reserved1224);
    memset(mi.reserved1358, 0, sizeof mi.reserved1358);
    memset(mi.reserved1364, 0, sizeof mi.reserved1364);
    memset(mi.reserved1712, 0, sizeof mi.reserved1712);
    memset(mi.reserved1718, 0, sizeof mi.reserved1718);

    mi.InfoType = static_cast<WORD>(ReadModelInt(L"InfoType", 0, defaultFile, customFile));

    // The name is the key of the model table: cut to the field, the rest of the field zeroed.
    memset(mi.szModelName, 0, sizeof mi.szModelName);
    if (modelName) wmemcpy(mi.szModelName, modelName, wcsnlen(modelName, MODELINFO_NAME_MAXCCH));

    ValueBuffer scratch;
    mi.dwCapFlags = ReadPrinterInfoFlags(scratch, MODELINFO_VALUE_CCH, defaultFile, customFile);

    mi.iLogoBmpID = ReadModelInt(L"iLogoBmpID", 1, defaultFile, customFile);
    const LONG paperOrder = ReadModelInt(L"PaperOrder", 1, defaultFile, customFile);
    mi.nPapers = ReadPaperSizeList(mi.adwPaperList, defaultFile, customFile);
    mi.iDefaultPaper = CheckedDefault(paperOrder, mi.nPapers);

    const LONG inchOrder = ReadModelInt(L"PaperOrder_inch", 0, defaultFile, customFile);
    mi.nPapersInch = ReadPaperSizeInchList(mi.adwPaperListInch, defaultFile, customFile);
    mi.iDefaultPaperInch = CheckedDefault(inchOrder, mi.nPapersInch);
    const LONG mmOrder = ReadModelInt(L"PaperOrder_mm", 0, defaultFile, customFile);
    mi.nPapersMm = ReadPaperSizeMmList(mi.adwPaperListMm, defaultFile, customFile);
    mi.iDefaultPaperMm = CheckedDefault(mmOrder, mi.nPapersMm);

    const LONG sourceOrder = ReadModelInt(L"SourceOrder", 0, defaultFile, customFile);
    mi.nSources = ReadSourceList(mi.adwSourceList, defaultFile, customFile);
    mi.iDefaultSource = CheckedDefault(sourceOrder, mi.nSources);
    const LONG mediaOrder = ReadModelInt(L"PaperTypeOrder", 0, defaultFile, customFile);
    mi.nMedia = ReadPaperTypeList(mi.adwMediaList, defaultFile, customFile);
    mi.iDefaultMedia = CheckedDefault(mediaOrder, mi.nMedia);
    const LONG paperTypeOrder = ReadModelInt(L"MediatypeOrder", 0, defaultFile, customFile);
    mi.nPaperTypes = ReadMediaTypeList(mi.adwPaperTypeList, defaultFile, customFile);
    mi.iDefaultPaperType = CheckedDefault(paperTypeOrder, mi.nPaperTypes);

    ReadDitherEntries(L"UDlpgrayEntryMesh", mi.abMeshDitherCode, mi.adwMeshDitherTableId,
                      defaultFile, customFile);
    ReadDitherEntries(L"UDlpgrayEntryLine", mi.abLineDitherCode, mi.adwLineDitherTableId,
                      defaultFile, customFile);

    ValueBuffer value;
    ReadModelText(kPrinterInfo, L"dwDefAvlMemory", kDefaultAvailableMemory, defaultFile, customFile, value);
    LPWSTR cursor = value;
    mi.dwDefAvlMemory = static_cast<DWORD>(DataFileParseNumber(&cursor, L','));
    ReadModelText(kPrinterInfo, L"wPPM", kDefaultPpm, defaultFile, customFile, value);
    mi.wPPM = static_cast<WORD>(WStrToInt(value));
    ReadModelText(kPrinterInfo, L"wModelID", kDefaultModelId, defaultFile, customFile, value);
    mi.wModelID = static_cast<WORD>(WStrToInt(value));
    ReadModelText(kPrinterInfo, L"wFinisherType", kDefaultFinisherType, defaultFile, customFile, value);
    cursor = value;
    mi.wFinisherType = static_cast<WORD>(DataFileParsePunchMask(&cursor));
    ReadQualitySlots(mi.QualityType, defaultFile, customFile);
    ReadModelText(kPrinterInfo, L"Measure", kDefaultMeasure, defaultFile, customFile, value);
    mi.Measure = static_cast<WORD>(WStrToInt(value));
    ReadModelText(kPrinterInfo, L"IntrayType", kDefaultIntrayType, defaultFile, customFile, value);
    cursor = value;
    mi.IntrayType = DataFileParseTrayMask(&cursor);
    ReadModelText(kPrinterInfo, L"Location", kDefaultLocation, defaultFile, customFile, value);
    mi.Location = LocationCode(value);
    ReadModelText(kPrinterInfo, L"UiResHighOnly", kDefaultUiResHighOnly, defaultFile, customFile, value);
    mi.UiResHighOnly = static_cast<WORD>(WStrToInt(value));

    // The active paper list: Japan models keep PaperSize; the others take the list of the
    // user's region, with its count, default index and the reserved word after it.
    if (!(mi.dwCapFlags & MIF_JAPAN)) {
        const BYTE* from = DrvIsLetterRegion() ? reinterpret_cast<const BYTE*>(mi.adwPaperListInch)
                                               : reinterpret_cast<const BYTE*>(mi.adwPaperListMm);
        memcpy(mi.adwPaperList, from, kPaperListBlock);
    }
}

#endif  // DRV_BUILD_UM
