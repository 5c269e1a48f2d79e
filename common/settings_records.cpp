// Watermark, overlay and user-paper records of the settings INI, and the user-paper tables with
// their queries; see settings_records.h.
#include "settings_records.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <cwchar>

#include "devmode.h"
#include "model_queries.h"
#include "settings_names.h"
#include "wstrbuf.h"

#ifndef DRV_BUILD_UM
#include "settings_import.h"
#include "settings_ini.h"
#endif

HGLOBAL g_UserPaperTable = nullptr;
HGLOBAL g_LongPaperTable = nullptr;

namespace {

// Strings of the user-paper display names: the unit texts.
constexpr UINT kStringUnitMillimetre = 2902;
constexpr UINT kStringUnitInch = 2903;
// Characters of a name shown in a display name, and in the short-name query.
constexpr size_t kDisplayNameChars = 25;
constexpr size_t kUserShortNameChars = 12;
constexpr size_t kLongShortNameChars = 25;
// Length (0.1 mm) whose inch text is shown one hundredth lower.
constexpr WORD kLengthShownLower = 1820;
// Attempts to lock a table block before a query gives up.
constexpr int kLockAttempts = 10;

// ---- Text helpers ------------------------------------------------------------------------------

// Appends as much of src as fits into out (cch characters with the terminator).
void AppendCut(LPWSTR out, size_t cch, LPCWSTR src, size_t maxChars = static_cast<size_t>(-1))
{
    const size_t used = wcsnlen(out, cch);
    if (used + 1 >= cch || !src) return;
    size_t n = wcsnlen(src, maxChars);
    if (n > cch - 1 - used) n = cch - 1 - used;
    wmemcpy(out + used, src, n);
    out[used + n] = L'\0';
}

// Characters of a name held in a fixed field (terminated within it or filling it).
size_t NameLength(const WCHAR (&name)[USERPAPER_NAME_CCH])
{
    const size_t n = wcsnlen(name, USERPAPER_NAME_CCH);
    return n < USERPAPER_NAME_CCH ? n : USERPAPER_NAME_CCH - 1;
}

// ---- The table queries -------------------------------------------------------------------------

// What a query needs of a record, for both kinds.
struct PaperView {
    WORD id;
    WORD width;
    WORD length;
    WORD option;
    WORD unit;
    const WCHAR (*name)[USERPAPER_NAME_CCH];
    const void* raw;
    size_t rawBytes;
    const LONGPAPER* longPaper;  // NULL for a user paper
};

PaperView View(const USERPAPER& p)
{
    return {static_cast<WORD>(p.id), p.width, p.length, p.option, p.unit, &p.name, &p, sizeof p, nullptr};
}
PaperView View(const LONGPAPER& p)
{
    return {static_cast<WORD>(p.id), p.wWidth, p.wLength, p.wOption, p.wUnit, &p.name, &p, sizeof p, &p};
}

// A table block locked for one query; its record count is limited to what the block holds.
template <class Header, class Record>
class LockedTable {
public:
    explicit LockedTable(HGLOBAL block) : block_(block)
    {
        if (!block_) return;
        void* p = nullptr;
        for (int i = 0; i < kLockAttempts && !p; ++i) p = GlobalLock(block_);
        if (!p) return;
        locked_ = true;
        const SIZE_T size = GlobalSize(block_);
        if (size < sizeof(Header)) return;
        header_ = static_cast<Header*>(p);
        const SIZE_T room = (size - sizeof(Header)) / sizeof(Record);
        count_ = header_->wCount < room ? header_->wCount : static_cast<WORD>(room);
        records_ = reinterpret_cast<Record*>(static_cast<BYTE*>(p) + sizeof(Header));
    }
    ~LockedTable()
    {
        if (locked_) GlobalUnlock(block_);
    }
    LockedTable(const LockedTable&) = delete;
    LockedTable& operator=(const LockedTable&) = delete;

    bool ok() const { return header_ != nullptr; }
    WORD highestId() const { return header_->wHighestId; }
    WORD count() const { return count_; }
    const Record& operator[](size_t i) const { return records_[i]; }

private:
    HGLOBAL block_;
    bool locked_ = false;
    Header* header_ = nullptr;
    Record* records_ = nullptr;
    WORD count_ = 0;
};

// The display name of a user paper: "name width x length" and the unit text.
void UserPaperDisplayName(const PaperView& p, HMODULE strings, WCHAR (&out)[UPQ_DISPLAY_BYTES / sizeof(WCHAR)])
{
    WCHAR width[FIXEDTOWSTR_CCH], length[FIXEDTOWSTR_CCH];
    if (p.unit) {
        // Hundredths of an inch, rounded.
        FixedToWStr(width, (p.width * 1000u + 1270u) / 2540u, 2);
        DWORD l = (p.length * 1000u + 1270u) / 2540u;
        if (p.length == kLengthShownLower) --l;
        FixedToWStr(length, l, 2);
    } else {
        FixedToWStr(width, p.width, 1);
        FixedToWStr(length, p.length, 1);
    }
    WCHAR unit[64] = L"";
    if (LoadStringW(strings, p.unit ? kStringUnitInch : kStringUnitMillimetre, unit, 64) <= 0) unit[0] = L'\0';

    out[0] = L'\0';
    AppendCut(out, std::size(out), *p.name, std::min(NameLength(*p.name), kDisplayNameChars));
    AppendCut(out, std::size(out), L" ");
    AppendCut(out, std::size(out), width);
    AppendCut(out, std::size(out), L" x ");
    AppendCut(out, std::size(out), length);
    AppendCut(out, std::size(out), unit);
}

// The display name of a long paper: "name width x lengthin" in thousandths of an inch, or
// "name width x lengthmm" in millimetres.
void LongPaperDisplayName(const PaperView& p, WCHAR (&out)[UPQ_DISPLAY_BYTES / sizeof(WCHAR)])
{
    WCHAR width[FIXEDTOWSTR_CCH], length[FIXEDTOWSTR_CCH];
    if (p.unit) {
        SignedFixedToWStr(width, p.longPaper->wWidthInch, 3);
        SignedFixedToWStr(length, p.longPaper->wLengthInch, 3);
    } else {
        FixedToWStr(width, p.width, 1);
        FixedToWStr(length, p.length, 1);
    }
    out[0] = L'\0';
    AppendCut(out, std::size(out), *p.name, std::min(NameLength(*p.name), kDisplayNameChars));
    AppendCut(out, std::size(out), L" ");
    AppendCut(out, std::size(out), width);
    AppendCut(out, std::size(out), L" x ");
    AppendCut(out, std::size(out), length);
    AppendCut(out, std::size(out), p.unit ? L"in" : L"mm");
}

// Bytes one visited record adds to the output for the operation's low byte; 0 for operations
// that write nothing per record (and for long-paper items asked of user papers).
size_t ItemBytes(WORD low, bool longPaper)
{
    const size_t recordBytes = longPaper ? sizeof(LONGPAPER) : sizeof(USERPAPER);
    switch (low) {
    case UPQ_ID: return sizeof(WORD);
    case UPQ_DISPLAY: return UPQ_DISPLAY_BYTES;
    case UPQ_ID_DISPLAY: return sizeof(WORD) + UPQ_DISPLAY_BYTES;
    case UPQ_SIZE: return 2 * sizeof(WORD);
    case UPQ_ID_SIZE: return 3 * sizeof(WORD);
    case UPQ_RECORD: return recordBytes;
    case UPQ_ID_RECORD: return sizeof(WORD) + recordBytes;
    case UPQ_OPTION: return sizeof(WORD);
    case UPQ_ID_OPTION: return 2 * sizeof(WORD);
    case UPQ_SIZE_LONG: return 2 * sizeof(LONG);
    case UPQ_ID_SIZE_LONG: return 3 * sizeof(LONG);
    case UPQ_SHORT_NAME: return longPaper ? LPQ_SHORTNAME_BYTES : UPQ_SHORTNAME_BYTES;
    case UPQ_UNIT: return sizeof(WORD);
    default: break;
    }
    if (!longPaper) return 0;
    switch (low) {
    case LPQ_PRINT_MODE:
    case LPQ_ADJUST_MODE:
    case LPQ_MARGIN:
    case LPQ_MARGIN_INCH:
    case LPQ_WIDTH_INCH:
    case LPQ_LENGTH_INCH:
    case LPQ_CUT_FLY: return sizeof(WORD);
    case LPQ_PAPER_CUT:
    case LPQ_START:
    case LPQ_CUT:
    case LPQ_START_UI:
    case LPQ_CUT_UI: return sizeof(LONG);
    default: return 0;
    }
}

// Output cursor over the caller's buffer; the query has checked that every item fits.
class Writer {
public:
    explicit Writer(void* out) : p_(static_cast<BYTE*>(out)) {}
    void Word(WORD v) { Bytes(&v, sizeof v); }
    void Long(LONG v) { Bytes(&v, sizeof v); }
    void Bytes(const void* src, size_t n)
    {
        std::memcpy(p_, src, n);
        p_ += n;
    }
    // A text in a zero-filled slot of the given size, cut to maxChars characters.
    void Text(const WCHAR* src, size_t maxChars, size_t slotBytes)
    {
        std::memset(p_, 0, slotBytes);
        size_t n = wcsnlen(src, maxChars);
        if ((n + 1) * sizeof(WCHAR) > slotBytes) n = slotBytes / sizeof(WCHAR) - 1;
        std::memcpy(p_, src, n * sizeof(WCHAR));
        p_ += slotBytes;
    }

private:
    BYTE* p_;
};

void WriteItem(Writer& w, WORD low, const PaperView& p, HMODULE strings)
{
    const LONGPAPER* lp = p.longPaper;
    WCHAR display[UPQ_DISPLAY_BYTES / sizeof(WCHAR)];
    switch (low) {
    case UPQ_ID: w.Word(p.id); break;
    case UPQ_ID_DISPLAY: w.Word(p.id); [[fallthrough]];
    case UPQ_DISPLAY:
        if (lp) LongPaperDisplayName(p, display);
        else UserPaperDisplayName(p, strings, display);
        w.Text(display, std::size(display) - 1, UPQ_DISPLAY_BYTES);
        break;
    case UPQ_ID_SIZE: w.Word(p.id); [[fallthrough]];
    case UPQ_SIZE:
        w.Word(p.width);
        w.Word(p.length);
        break;
    case UPQ_ID_RECORD: w.Word(p.id); [[fallthrough]];
    case UPQ_RECORD: w.Bytes(p.raw, p.rawBytes); break;
    case UPQ_ID_OPTION: w.Word(p.id); [[fallthrough]];
    case UPQ_OPTION: w.Word(p.option); break;
    case UPQ_ID_SIZE_LONG: w.Long(p.id); [[fallthrough]];
    case UPQ_SIZE_LONG:
        w.Long(p.width);
        w.Long(p.length);
        break;
    case UPQ_SHORT_NAME:
        if (lp) w.Text(*p.name, kLongShortNameChars, LPQ_SHORTNAME_BYTES);
        else w.Text(*p.name, kUserShortNameChars, UPQ_SHORTNAME_BYTES);
        break;
    case UPQ_UNIT: w.Word(p.unit); break;
    default:
        if (!lp) break;
        switch (low) {
        case LPQ_PRINT_MODE: w.Word(lp->wPrintMode); break;
        case LPQ_ADJUST_MODE: w.Word(lp->wAdjustMode); break;
        case LPQ_PAPER_CUT: w.Long(lp->wPaperCut); break;
        case LPQ_START: w.Long(lp->dwStart); break;
        case LPQ_CUT: w.Long(lp->dwCut); break;
        case LPQ_MARGIN: w.Word(lp->wMargin); break;
        case LPQ_START_UI: w.Long(lp->dwStartUI); break;
        case LPQ_CUT_UI: w.Long(lp->dwCutUI); break;
        case LPQ_MARGIN_INCH: w.Word(lp->wMarginInch); break;
        case LPQ_WIDTH_INCH: w.Word(lp->wWidthInch); break;
        case LPQ_LENGTH_INCH: w.Word(lp->wLengthInch); break;
        case LPQ_CUT_FLY: w.Word(lp->wCutFly); break;
        default: break;
        }
        break;
    }
}

// Whether a record lies within the model's free-size limits (portrait block).
bool FitsLimits(const FREESIZELIMITS* limits, const PaperView& p)
{
    if (!limits) return false;
    const FREESIZEBOUNDS& b = limits->portrait;
    const WORD minLength = p.longPaper ? LONGPAPER_MIN_LENGTH : b.wMinLength;
    return p.width >= b.wMinWidth && p.width <= b.wMaxWidth && p.length <= b.wMaxLength && p.length >= minLength;
}

// The protocol shared by both queries.
template <class Header, class Record>
WORD EnumPapers(HGLOBAL block, const MODELINFO* info, WORD operation, void* out, size_t cbOut, WORD id,
                HMODULE strings)
{
    LockedTable<Header, Record> table(block);
    if (!table.ok()) return UPQ_FAILED;
    const WORD low = operation & 0xFF;
    const WORD count = table.count();
    const WORD firstId = count ? static_cast<WORD>(table[0].id) : 0;

    if (low == UPQ_HIGHEST_ID) return table.highestId();
    if (low == UPQ_COUNT_FIRST) {
        if (!out || cbOut < sizeof(WORD)) return UPQ_FAILED;
        Writer(out).Word(count);
        return firstId;
    }

    const FREESIZELIMITS* limits = info ? DrvGetCustomSizeLimits(info) : nullptr;
    auto passes = [&](const PaperView& p) {
        if (operation & UPQ_ALL) return true;
        return FitsLimits(limits, p) != ((operation & UPQ_NOT_FITTING) != 0);
    };

    // The records to visit, as a range of the table [first, last) and the filter.
    WORD result;
    WORD first = 0, last = count;
    if (id) {
        WORD i = 0;
        while (i < count && static_cast<WORD>(table[i].id) != id) ++i;
        if (i == count) return UPQ_FAILED;
        first = i;
        last = static_cast<WORD>(i + 1);
        result = last < count ? static_cast<WORD>(table[last].id) : 0;
        if (!FitsLimits(limits, View(table[i]))) result |= UPQ_OUTSIDE_LIMITS;
    } else {
        result = count;
    }
    WORD visited = 0;
    for (WORD i = first; i < last; ++i)
        if (passes(View(table[i]))) ++visited;

    constexpr bool longPaper = std::is_same_v<Record, LONGPAPER>;
    const size_t item = ItemBytes(low, longPaper);
    const size_t need = low == UPQ_COUNT_VISITED ? sizeof(WORD) : item * visited;
    if (need > cbOut || (need && !out)) return UPQ_FAILED;

    Writer w(out);
    if (low == UPQ_COUNT_VISITED) {
        w.Word(visited);
        return firstId;
    }
    if (item)
        for (WORD i = first; i < last; ++i) {
            const PaperView p = View(table[i]);
            if (passes(p)) WriteItem(w, low, p, strings);
        }
    return result;
}

}  // namespace

WORD EnumUserDefPapers(const MODELINFO* info, WORD operation, void* out, size_t cbOut, WORD id, HMODULE strings)
{
    return EnumPapers<USERPAPERTABLE, USERPAPER>(g_UserPaperTable, info, operation, out, cbOut, id, strings);
}

WORD EnumUserDefLongPapers(const MODELINFO* info, WORD operation, void* out, size_t cbOut, WORD id)
{
    return EnumPapers<LONGPAPERTABLE, LONGPAPER>(g_LongPaperTable, info, operation, out, cbOut, id, nullptr);
}

// ---- Watermarks ------------------------------------------------------------------------------------

WORD WatermarkLimitSize(LONG value)
{
    if (value < 2) return 1;
    if (value > 600) return 600;
    return static_cast<WORD>(value);
}

SHORT WatermarkLimitAngle(LONG value)
{
    if (value < -179) return -180;
    if (value > 180) return 180;
    return static_cast<SHORT>(value);
}

DWORD WatermarkLimitColor(LONG value)
{
    if (value <= 0) return 0;
    if (value > 0xFFFFFE) return 0xFFFFFF;
    return static_cast<DWORD>(value);
}

LONG WatermarkLimitOffset(LONG value)
{
    if (value < -999) return -1000;
    if (value > 999) return 1000;
    return value;
}

BOOL WatermarkFromDevmode(WATERMARKDEF* out, LPCWSTR key, const DRVEXTRA& extra)
{
    if (!out || !key) return FALSE;
    WATERMARKDEF w = *out;
    if (!WBufCopy(w.szKey, std::size(w.szKey), key)) return FALSE;
    w.wSize = WatermarkLimitSize(extra.wWmkSize);
    w.sAngle = WatermarkLimitAngle(extra.wWmkAngle);
    w.dwColor = WatermarkLimitColor(static_cast<LONG>(extra.dwWmkColor));
    w.lXOffset = WatermarkLimitOffset(extra.wWmkX);
    w.lYOffset = WatermarkLimitOffset(extra.wWmkY);
    w.lWeight = static_cast<LONG>(extra.dwWmkWeight);
    w.bItalic = static_cast<BYTE>(extra.bWmkItalic);
    w.bCharSet = static_cast<BYTE>(extra.bWmkCharSet);
    // The DEVMODE's texts are bounded by their fields; one that fills its field is cut there.
    static_assert(sizeof(DRVEXTRA::szWatermarkFont) / sizeof(WCHAR) < WATERMARK_FACE_CCH);
    static_assert(sizeof(DRVEXTRA::szWatermarkText) / sizeof(WCHAR) == WATERMARK_TEXT_CCH);
    w.szFace[0] = L'\0';
    AppendCut(w.szFace, std::size(w.szFace), extra.szWatermarkFont, std::size(extra.szWatermarkFont));
    w.szText[0] = L'\0';
    AppendCut(w.szText, std::size(w.szText), extra.szWatermarkText, std::size(extra.szWatermarkText));
    w.wPlacement = extra.wWmkPosition;
    w.wFrame = extra.wWmkFrame;
    *out = w;
    return TRUE;
}

// ---- Settings-INI readers ------------------------------------------------------------------------

#ifndef DRV_BUILD_UM

namespace {

// Settings-INI names (texts of the library's string table, ids in brackets).
constexpr WCHAR kSectionWatermark[] = L"Watermark";        // [2038]
constexpr WCHAR kSectionOverlay[] = L"Defined Overlay";    // [2044]
constexpr WCHAR kSectionLongPaper[] = STR_LONGPAPER_SECTION;
constexpr WCHAR kKeyNumDefine[] = STR_PAPER_NUMDEFINE;
constexpr WCHAR kKeyPaperEntry[] = STR_PAPER_PAPERENTRY;
constexpr WCHAR kKeyPaperPrefix[] = L"Paper";              // [2133] "Paper%d"
constexpr WCHAR kKeyUpdateNo[] = STR_PAPER_UPDATENO;

// Longest values read: a value that fills its buffer is longer and is refused.
constexpr size_t kWatermarkValueCch = 255 + 2;
constexpr size_t kOverlayValueCch = 511 + 2;
constexpr size_t kPaperValueCch = 511 + 2;
// A number or list field of a value.
constexpr size_t kFieldCch = COPYTOKEN_MAXCCH + 1;
// Most ids a table can hold (ids are positive 16-bit numbers).
constexpr UINT kMaxPaperRecords = 0x7FFF;

// Reads a settings value into buffer; 0 for a missing or empty value or one that does not fit.
DWORD ReadSettingsValue(LPCWSTR section, LPCWSTR key, LPWSTR buffer, DWORD cch)
{
    buffer[0] = L'\0';
    LPCWSTR ini = DrvGetSettingsIniPath();
    if (!ini || !*ini) return 0;
    const FileLock lock(ini);
    const DWORD n = GetPrivateProfileStringW(section, key, L"", buffer, cch, ini);
    if (n + 2 > cch) {
        buffer[0] = L'\0';
        return 0;
    }
    return n;
}

// Unsigned decimal digits at the start of text (none: 0), limited to 0xFFFF.
WORD ReadUnsignedWord(LPCWSTR text)
{
    DWORD v = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        v = v * 10 + static_cast<DWORD>(*text - L'0');
        if (v > 0xFFFF) return 0xFFFF;
    }
    return static_cast<WORD>(v);
}

// The name of a paper value: up to the first comma, at most 39 characters kept. Moves the cursor
// past the comma.
void ReadPaperName(LPCWSTR* cursor, WCHAR (&name)[USERPAPER_NAME_CCH])
{
    LPCWSTR p = *cursor;
    size_t n = 0;
    while (p[n] && p[n] != L',') ++n;
    const size_t kept = n < USERPAPER_NAME_CCH - 1 ? n : USERPAPER_NAME_CCH - 1;
    std::memset(name, 0, sizeof name);
    wmemcpy(name, p, kept);
    *cursor = p[n] ? p + n + 1 : p + n;
}

// Reads the next comma field of a paper value into field; FALSE when it is too long.
bool NextField(LPCWSTR* cursor, WCHAR (&field)[kFieldCch])
{
    return ReadSettingsToken(cursor, L',', field, kFieldCch) != FALSE;
}

// The key "Paper<id>".
void PaperKey(WORD id, WCHAR (&key)[32])
{
    WCHAR digits[INTTOWSTR_CCH];
    IntToWStr(id, digits);
    key[0] = L'\0';
    WBufCopy(key, std::size(key), kKeyPaperPrefix);
    WBufAppend(key, std::size(key), digits);
}

// Reads a value of the settings INI whole into a global block; NULL when memory fails.
LPWSTR ReadWholeValue(LPCWSTR section, LPCWSTR key, LPCWSTR ini)
{
    for (DWORD cch = 512; cch <= (1u << 22); cch *= 2) {
        auto* text = static_cast<LPWSTR>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cch * sizeof(WCHAR)));
        if (!text) return nullptr;
        const DWORD n = GetPrivateProfileStringW(section, key, L"", text, cch, ini);
        if (n + 2 < cch) return text;
        HeapFree(GetProcessHeap(), 0, text);
    }
    return nullptr;
}

}  // namespace

BOOL ReadSettingsToken(LPCWSTR* cursor, WCHAR delimiter, LPWSTR out, size_t cchOut)
{
    if (!cursor) return FALSE;
    LPCWSTR start = *cursor ? *cursor : L"";
    size_t n = 0;
    while (start[n] && start[n] != delimiter) ++n;
    if (out) {
        if (n >= cchOut) {
            if (cchOut) out[0] = L'\0';
            return FALSE;
        }
        wmemcpy(out, start, n);
        out[n] = L'\0';
    }
    *cursor = start[n] ? start + n + 1 : start + n;
    return TRUE;
}

BOOL ReadWatermarkEntry(WATERMARKDEF* out, LPCWSTR key)
{
    if (!out || !key) return FALSE;
    WATERMARKDEF w = *out;
    if (!WBufCopy(w.szKey, std::size(w.szKey), key)) return FALSE;

    WCHAR value[kWatermarkValueCch];
    if (!ReadSettingsValue(kSectionWatermark, key, value, kWatermarkValueCch)) return FALSE;

    LPCWSTR c = value;
    WCHAR f[kFieldCch];
    auto number = [&](LONG* v) {
        if (!ReadSettingsToken(&c, L',', f, kFieldCch)) return false;
        *v = WStrToInt(f);
        return true;
    };
    LONG size, angle, color, x, y, weight, italic, charSet, numberField, placement, frame, jobInfo;
    if (!number(&size) || !number(&angle) || !number(&color) || !number(&x) || !number(&y) ||
        !number(&weight) || !number(&italic) || !number(&charSet) ||
        !ReadSettingsToken(&c, L',', w.szFace, std::size(w.szFace)) ||  // 9 face
        !ReadSettingsToken(&c, L',', nullptr, 0) ||                     // 10 not used
        !ReadSettingsToken(&c, L',', w.szText, std::size(w.szText)) ||  // 11 text
        !ReadSettingsToken(&c, L',', nullptr, 0) ||                     // 12 not used
        !number(&numberField) || !number(&placement) || !number(&frame) || !number(&jobInfo))
        return FALSE;

    w.wSize = WatermarkLimitSize(size);
    w.sAngle = WatermarkLimitAngle(angle);
    w.dwColor = WatermarkLimitColor(color);
    w.lXOffset = WatermarkLimitOffset(x);
    w.lYOffset = WatermarkLimitOffset(y);
    w.lWeight = weight;
    w.bItalic = static_cast<BYTE>(italic);
    w.bCharSet = static_cast<BYTE>(charSet);
    w.dwNumber = static_cast<DWORD>(numberField);
    w.wPlacement = static_cast<WORD>(placement);
    w.wFrame = static_cast<WORD>(frame);
    w.wJobInfo = static_cast<WORD>(jobInfo);
    *out = w;
    return TRUE;
}

BOOL ReadOverlayEntry(OVERLAY_ENTRY* out, DWORD id)
{
    if (!out) return FALSE;
    WCHAR key[INTTOWSTR_CCH + 1];
    // The key is the id in unsigned decimal.
    {
        WCHAR digits[INTTOWSTR_CCH];
        int n = 0;
        DWORD v = id;
        do {
            digits[n++] = static_cast<WCHAR>(L'0' + v % 10);
            v /= 10;
        } while (v);
        for (int i = 0; i < n; ++i) key[i] = digits[n - 1 - i];
        key[n] = L'\0';
    }
    WCHAR value[kOverlayValueCch];
    if (!ReadSettingsValue(kSectionOverlay, key, value, kOverlayValueCch)) return FALSE;

    LPCWSTR c = value;
    WCHAR forms[kFieldCch], selection[kFieldCch], pages[kOverlayValueCch];
    if (!ReadSettingsToken(&c, L'!', nullptr, 0) ||  // name
        !ReadSettingsToken(&c, L'!', forms, kFieldCch) || !ReadSettingsToken(&c, L'!', selection, kFieldCch) ||
        !ReadSettingsToken(&c, L'!', pages, kOverlayValueCch))
        return FALSE;

    OVERLAY_ENTRY e{};
    e.dwId = id;
    LPCWSTR f = forms;
    for (SHORT& macro : e.sMacro) {
        WCHAR number[kFieldCch];
        ReadSettingsToken(&f, L',', number, kFieldCch);  // fits: forms is no longer
        macro = number[0] ? static_cast<SHORT>(WStrToInt(number)) : SHORT{-1};
    }
    e.sPageSelect = static_cast<SHORT>(WStrToInt(selection));
    BOOL ok = TRUE;
    if (e.sPageSelect == OVERLAY_LISTED_PAGES) {
        ok = ParsePageRange(pages, e.PageSet) == PAGERANGE_OK;
        e.PageSet[0] &= static_cast<BYTE>(~1u);  // there is no page 0
    }
    *out = e;
    return ok;
}

BOOL ParseUserPaperValue(LPCWSTR value, USERPAPER* out)
{
    if (!out || !value || !*value) return FALSE;
    USERPAPER p = *out;
    p.id = 0;
    LPCWSTR c = value;
    ReadPaperName(&c, p.name);
    WCHAR width[kFieldCch], length[kFieldCch], option[kFieldCch], unit[kFieldCch];
    if (!NextField(&c, width) || !NextField(&c, length) || !NextField(&c, option) || !NextField(&c, unit))
        return FALSE;
    p.width = ReadUnsignedWord(width);
    p.length = ReadUnsignedWord(length);
    p.option = ReadUnsignedWord(option);
    p.unit = unit[0] == L'1' ? 1 : 0;
    *out = p;
    return TRUE;
}

BOOL ParseLongPaperValue(LPCWSTR value, LONGPAPER* out)
{
    if (!out || !value || !*value) return FALSE;
    LONGPAPER p = *out;
    p.id = 0;
    LPCWSTR c = value;
    ReadPaperName(&c, p.name);
    WCHAR f[16][kFieldCch];
    for (auto& field : f)
        if (!NextField(&c, field)) return FALSE;
    p.wWidth = ReadUnsignedWord(f[0]);
    p.wLength = ReadUnsignedWord(f[1]);
    p.wOption = ReadUnsignedWord(f[2]);
    p.wUnit = ReadUnsignedWord(f[3]);
    p.wPrintMode = ReadUnsignedWord(f[4]);
    p.wAdjustMode = ReadUnsignedWord(f[5]);
    p.wPaperCut = ReadUnsignedWord(f[6]);
    p.dwStart = WStrToInt(f[7]);
    p.dwCut = WStrToInt(f[8]);
    p.wMargin = ReadUnsignedWord(f[9]);
    p.dwStartUI = WStrToInt(f[10]);
    p.dwCutUI = WStrToInt(f[11]);
    p.wMarginInch = ReadUnsignedWord(f[12]);
    p.wWidthInch = ReadUnsignedWord(f[13]);
    p.wLengthInch = ReadUnsignedWord(f[14]);
    p.wCutFly = f[15][0] == L'1' ? 1 : 0;
    *out = p;
    return TRUE;
}

void LoadUserDefLongList()
{
    if (g_LongPaperTable) return;
    LPCWSTR ini = DrvGetSettingsIniPath();
    if (!ini || !*ini) return;
    // The count, the list and the entries as one writer left them.
    const FileLock lock(ini);

    const INT defined = static_cast<INT>(GetPrivateProfileIntW(kSectionLongPaper, kKeyNumDefine, 0, ini));
    const UINT n = defined <= 0 ? 0 : (static_cast<UINT>(defined) > kMaxPaperRecords ? kMaxPaperRecords : static_cast<UINT>(defined));
    const WORD updateNo = static_cast<WORD>(GetPrivateProfileIntW(kSectionLongPaper, kKeyUpdateNo, 0, ini));

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, LongPaperTableBytes(n));
    if (!block) return;
    auto* table = static_cast<LONGPAPERTABLE*>(GlobalLock(block));
    if (!table) {
        GlobalFree(block);
        return;
    }
    table->wHighestId = LONGPAPER_FIRST_ID;
    LONGPAPER* records = LongPaperRecords(table);
    UINT stored = 0;

    LPWSTR list = n ? ReadWholeValue(kSectionLongPaper, kKeyPaperEntry, ini) : nullptr;
    if (list) {
        LPCWSTR c = list;
        for (UINT walked = 0; walked < n && *c; ++walked) {
            DWORD id = 0;
            bool tooLarge = false;
            for (; *c >= L'0' && *c <= L'9'; ++c) {
                id = id * 10 + static_cast<DWORD>(*c - L'0');
                if (id > 0xFFFF) tooLarge = true, id = 0xFFFF;
            }
            const bool more = *c == L',';
            // Only a positive 16-bit id can name a record; an entry without a well-formed value
            // is no paper and is not counted.
            if (!tooLarge && id > 0 && id <= 0x7FFF) {
                WCHAR key[32], value[kPaperValueCch];
                PaperKey(static_cast<WORD>(id), key);
                LONGPAPER p{};
                if (ReadSettingsValue(kSectionLongPaper, key, value, kPaperValueCch) && ParseLongPaperValue(value, &p)) {
                    p.id = static_cast<SHORT>(id);
                    records[stored++] = p;
                    if (id > table->wHighestId) table->wHighestId = static_cast<WORD>(id);
                }
            }
            if (!more) break;
            ++c;
        }
        HeapFree(GetProcessHeap(), 0, list);
    }
    table->wCount = static_cast<WORD>(stored);
    table->wUpdateNo = updateNo;
    GlobalUnlock(block);
    g_LongPaperTable = block;
}

#endif  // DRV_BUILD_UM
