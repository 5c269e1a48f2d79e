// The rules a cached paper table and a cached model record must hold; see cache_rules.h.
#include "cache_rules.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

// ---- Helpers ---------------------------------------------------------------------------------

template <size_t N>
bool Terminated(const WCHAR (&text)[N])
{
    return wmemchr(text, L'\0', N) != nullptr;
}

bool AllZero(const void* data, size_t size)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    return std::all_of(bytes, bytes + size, [](BYTE b) { return b == 0; });
}

bool WithinPaper(LONG value, LONG limit) { return value >= 1 && value <= limit; }

// A size of a paper in 0.1 mm that the settings record can carry: both positive and plausible,
// or (where the size may be left to be worked out) both 0.
bool SizeOrNone(LONG width, LONG length)
{
    return (width == 0 && length == 0) || (WithinPaper(width, PAPER_MAX_MM10) && WithinPaper(length, PAPER_MAX_MM10));
}

// ---- Paper-table rows ------------------------------------------------------------------------

struct PaperRowRule {
    const char* name;
    bool (*holds)(const PAPERINFO&);
};

bool AreaOnAPaper(const PAPERAREA& a)
{
    return a.printableWidth <= PAPER_MAX_DOTS && a.printableLength <= PAPER_MAX_DOTS && a.offsetX <= PAPER_MAX_DOTS &&
           a.offsetY <= PAPER_MAX_DOTS;
}

// The rules of a row that is not blank.
constexpr PaperRowRule kPaperRowRules[] = {
    {"a paper row names a paper id", [](const PAPERINFO& r) { return r.paperId != 0; }},
    {"a paper name is terminated", [](const PAPERINFO& r) { return Terminated(r.name); }},
    {"a paper size in dots is positive and plausible",
     [](const PAPERINFO& r) { return WithinPaper(r.widthDots, PAPER_MAX_DOTS) && WithinPaper(r.lengthDots, PAPER_MAX_DOTS); }},
    {"a paper size in 0.1 mm is positive and plausible, or not given",
     [](const PAPERINFO& r) { return SizeOrNone(r.widthMm10, r.lengthMm10); }},
    {"printable areas and offsets lie within the largest paper",
     [](const PAPERINFO& r) { return AreaOnAPaper(r.portrait) && AreaOnAPaper(r.landscape); }},
    {"data counts fit the data bytes",
     [](const PAPERINFO& r) { return r.portrait.dataCount <= PAPER_DATA_BYTES && r.landscape.dataCount <= PAPER_DATA_BYTES; }},
};

// ---- Model record: the lists -----------------------------------------------------------------

// One list of MODELINFO: its entries, count and default index, how many entries it has room for
// and how many rows the table it indexes has.
struct ListShape {
    const DWORD* entries;
    WORD count;
    LONG defaultIndex;
    WORD capacity;
    DWORD tableRows;
};

using ListOf = ListShape (*)(const MODELINFO&);

constexpr ListOf kLists[] = {
    [](const MODELINFO& m) {
        return ListShape{m.adwPaperList, m.nPapers, m.iDefaultPaper, MODEL_PAPER_LIST_ROWS, PAPER_TABLE_ROWS};
    },
    [](const MODELINFO& m) {
        return ListShape{m.adwPaperListInch, m.nPapersInch, m.iDefaultPaperInch, MODEL_PAPER_LIST_ROWS, PAPER_TABLE_ROWS};
    },
    [](const MODELINFO& m) {
        return ListShape{m.adwPaperListMm, m.nPapersMm, m.iDefaultPaperMm, MODEL_PAPER_LIST_ROWS, PAPER_TABLE_ROWS};
    },
    [](const MODELINFO& m) {
        return ListShape{m.adwSourceList, m.nSources, m.iDefaultSource, MODEL_LIST_ROWS, SOURCE_TABLE_ROWS};
    },
    [](const MODELINFO& m) {
        return ListShape{m.adwMediaList, m.nMedia, m.iDefaultMedia, MODEL_LIST_ROWS, MEDIA_TABLE_ROWS};
    },
    [](const MODELINFO& m) {
        return ListShape{m.adwPaperTypeList, m.nPaperTypes, m.iDefaultPaperType, MODEL_LIST_ROWS, PAPERTYPE_TABLE_ROWS};
    },
};

template <class Pred>
bool EveryList(const MODELRECORD& r, Pred pred)
{
    return std::all_of(std::begin(kLists), std::end(kLists), [&](ListOf of) { return pred(of(r.ModelInfo)); });
}

// ---- Model record: the rest ------------------------------------------------------------------

constexpr size_t kInfoNameMaxCch = sizeof(MODELINFO::szModelName) / sizeof(WCHAR) - 1;

// The default settings carry the model's name as the caller gave it; MODELINFO keeps it cut to
// its field.
bool DefaultsNameTheModel(const MODELRECORD& r)
{
    const WCHAR* info = r.ModelInfo.szModelName;
    const WCHAR* defaults = r.ModelDefaults.szModelName;
    if (!Terminated(r.ModelDefaults.szModelName)) return false;
    const size_t n = wcsnlen(info, kInfoNameMaxCch + 1);
    if (n > kInfoNameMaxCch || wmemcmp(info, defaults, n) != 0) return false;
    return n == kInfoNameMaxCch || defaults[n] == L'\0';
}

bool PaperTypesAreBuiltIn(const MODELRECORD& r)
{
    if (r.nPaperTypeInfo > PAPERTYPE_TABLE_ROWS) return false;
    for (WORD i = 0; i < r.nPaperTypeInfo; ++i) {
        const PAPERTYPEINFO& t = r.PaperTypeInfo[i];
        const PAPERTYPEDEF& d = g_PaperTypeTable[i];
        if (t.wPaperTypeId != d.paperTypeId || t.wStringId != d.stringId || t.wThirdValue != d.value3 || t.wZero != 0)
            return false;
    }
    return true;
}

bool DitherIdsNameTables(const DWORD (&ids)[32])
{
    return std::all_of(std::begin(ids), std::end(ids), [](DWORD id) { return id <= DITHER_TABLE_COUNT; });
}

struct RecordRule {
    const char* name;
    bool (*holds)(const MODELRECORD&);
};

// Read down: the record, its MODELINFO, its defaults and the tables after them.
constexpr RecordRule kRecordRules[] = {
    {"the record is marked loaded", [](const MODELRECORD& r) { return r.dwLoaded == 1; }},
    {"the words after the stamps are zero", [](const MODELRECORD& r) { return AllZero(r.reserved12, sizeof r.reserved12); }},
    {"the model name is terminated and not empty",
     [](const MODELRECORD& r) { return Terminated(r.ModelInfo.szModelName) && r.ModelInfo.szModelName[0] != L'\0'; }},

    {"list counts fit their lists",
     [](const MODELRECORD& r) { return EveryList(r, [](const ListShape& l) { return l.count <= l.capacity; }); }},
    {"list entries are rows of their tables",
     [](const MODELRECORD& r) {
         return EveryList(r, [](const ListShape& l) {
             const DWORD* end = l.entries + std::min(l.count, l.capacity);
             return std::all_of(l.entries, end, [&l](DWORD row) { return row < l.tableRows; });
         });
     }},
    {"list defaults are entries of their lists",
     [](const MODELRECORD& r) {
         return EveryList(r, [](const ListShape& l) {
             return l.defaultIndex == 0 || (l.defaultIndex > 0 && l.defaultIndex < l.count);
         });
     }},
    {"capability flags are known flags",
     [](const MODELRECORD& r) { return (r.ModelInfo.dwCapFlags & ~MIF_KNOWN_FLAGS) == 0; }},
    {"dither table ids name a dither table or none",
     [](const MODELRECORD& r) {
         return DitherIdsNameTables(r.ModelInfo.adwMeshDitherTableId) &&
                DitherIdsNameTables(r.ModelInfo.adwLineDitherTableId);
     }},
    {"the finisher mask holds punch and tray positions only",
     [](const MODELRECORD& r) {
         return (r.ModelInfo.wFinisherType & ~(FINISHERTYPE_POSITIONS | FINISHERTYPE_INSTALLED)) == 0;
     }},
    {"resolution slots name rows of the resolution table or none",
     [](const MODELRECORD& r) {
         return std::all_of(std::begin(r.ModelInfo.QualityType), std::end(r.ModelInfo.QualityType),
                            [](WORD slot) { return slot < RESOLUTION_TABLE_ROWS || slot == QUALITYTYPE_EMPTY; });
     }},
    {"the in-tray mask holds tray positions only",
     [](const MODELRECORD& r) { return (r.ModelInfo.IntrayType & ~INTRAYTYPE_POSITIONS) == 0; }},
    {"the location code is known", [](const MODELRECORD& r) { return r.ModelInfo.Location <= LOCATION_LAST; }},

    {"the default settings name the model", DefaultsNameTheModel},
    {"the default paper has a plausible size, or there is none",
     [](const MODELRECORD& r) {
         const MODELDEFAULTS& d = r.ModelDefaults;
         if (d.dwDefaultPaper == 0) return d.wDefaultPaperWidth == 0 && d.wDefaultPaperLength == 0;
         return d.dwDefaultPaper > 0 && d.dwDefaultPaper <= 0xFFFF && WithinPaper(d.wDefaultPaperWidth, PAPER_MAX_MM10) &&
                WithinPaper(d.wDefaultPaperLength, PAPER_MAX_MM10);
     }},
    {"the long paper has a plausible size, or there is none",
     [](const MODELRECORD& r) { return SizeOrNone(r.ModelDefaults.wLongPaperWidth, r.ModelDefaults.wLongPaperLength); }},
    {"the job type is 0", [](const MODELRECORD& r) { return r.ModelDefaults.UDwJobType == 0; }},
    {"the spooled-EMF switch is 0 or 1",
     [](const MODELRECORD& r) { return r.ModelDefaults.UDSpoolEMF == 0 || r.ModelDefaults.UDSpoolEMF == 1; }},
    {"the compression numbers are bytes",
     [](const MODELRECORD& r) {
         return r.ModelDefaults.wCompressLow >= 0 && r.ModelDefaults.wCompressLow <= 0xFF &&
                r.ModelDefaults.wCompressHigh >= 0 && r.ModelDefaults.wCompressHigh <= 0xFF;
     }},
    {"default texts are terminated",
     [](const MODELRECORD& r) {
         const MODELDEFAULTS& d = r.ModelDefaults;
         return Terminated(d.szWatermarkName) && Terminated(d.UDszFont) && Terminated(d.UDValCode_Pass);
     }},
    {"reserved default words are zero",
     [](const MODELRECORD& r) {
         return AllZero(r.ModelDefaults.reserved628, sizeof r.ModelDefaults.reserved628) &&
                r.ModelDefaults.reserved2580 == 0;
     }},

    {"font substitutions fit their slots",
     [](const MODELRECORD& r) {
         return r.nFontSubst <= FONTSUBST_SLOTS &&
                std::all_of(std::begin(r.FontSubst), std::end(r.FontSubst), [](const FONTSUBST& s) {
                    return Terminated(s.szTrueTypeName) && Terminated(s.szDeviceName);
                });
     }},
    {"paper types are the built-in paper types", PaperTypesAreBuiltIn},
};

}  // namespace

const char* BrokenPaperRowRule(const PAPERINFO& row)
{
    if (AllZero(&row, sizeof row)) return nullptr;
    for (const PaperRowRule& rule : kPaperRowRules)
        if (!rule.holds(row)) return rule.name;
    return nullptr;
}

const char* BrokenPaperTableRule(const PAPERINFO (&table)[PAPER_TABLE_ROWS])
{
    for (const PAPERINFO& row : table)
        if (const char* broken = BrokenPaperRowRule(row)) return broken;
    return nullptr;
}

const char* BrokenModelRecordRule(const MODELRECORD& record)
{
    for (const RecordRule& rule : kRecordRules)
        if (!rule.holds(record)) return rule.name;
    return nullptr;
}
