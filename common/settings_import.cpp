// Shipped entries of InitDataFile3 copied into the settings INI, and the printer's default
// DEVMODEs stored again; see settings_import.h.
#include "settings_import.h"

#ifndef DRV_BUILD_UM

#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "datafile_parse.h"
#include "datafiles.h"
#include "settings_ini.h"
#include "settings_names.h"
#include "wstrbuf.h"

namespace {

// Settings-INI names (texts of the library's string table, ids in brackets).
constexpr WCHAR kSettingsNumDefine[] = STR_PAPER_NUMDEFINE;
constexpr WCHAR kSettingsPaperEntry[] = STR_PAPER_PAPERENTRY;
constexpr WCHAR kSettingsPaperKey[] = L"Paper%lu";      // [2107], [2133]
constexpr WCHAR kSettingsWatermark[] = L"Watermark";    // [2038]
constexpr WCHAR kSettingsWatermarkKey[] = L"W%07lu";
constexpr WCHAR kSettingsValCode[] = L"VALCODE";
constexpr WCHAR kSettingsValCodePath[] = L"PATH";
constexpr WCHAR kDefaultValCodePath[] = L"c:\\temp\\valcode.csv";

// Names in InitDataFile3.
constexpr WCHAR kShippedNumDefine[] = L"numDefine";
constexpr WCHAR kShippedPaperEntry[] = L"PaperEntry";
constexpr WCHAR kShippedPaperKey[] = L"Paper%lu";
constexpr WCHAR kShippedWatermarks[] = L"WatermarkList";
constexpr WCHAR kShippedWatermarkEntry[] = L"WatermarkEntry";
constexpr WCHAR kShippedWatermarkKey[] = L"WMK%lu";
constexpr WCHAR kShippedValCode[] = L"ValCode";
constexpr WCHAR kShippedValCodePath[] = L"Path";

// Room for any key formed from one of the formats above and a 32-bit number.
constexpr size_t kKeyCch = 32;
constexpr size_t kNone = SIZE_MAX;

// The driver DEVMODE: public part, private part, and the installer-duplex DWORD counted from the
// start of the private part (4372 in the current record). The private part keeps its layout
// behind a public part of any size.
constexpr WORD kDrvDevmodePublicBytes = 220;
constexpr WORD kDrvExtraBytes = 4160;
constexpr DWORD kDrvDevmodeInstallerDuplex = 4372;
constexpr DWORD kDrvExtraInstallerDuplex = kDrvDevmodeInstallerDuplex - kDrvDevmodePublicBytes;
static_assert(kDrvExtraInstallerDuplex + sizeof(DWORD) <= kDrvExtraBytes);
static_assert(offsetof(DEVMODEW, dmSize) == 68 && offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmDuplex) == 94);

WCHAR g_settingsIni[MAX_PATH] = L"";

bool AppendText(HeapText& text, LPCWSTR more)
{
    const size_t n = wcslen(more);
    if (!text.Reserve(text.Size() + n + 1)) return false;
    wmemcpy(text.Data() + text.Size(), more, n + 1);
    text.SetSize(text.Size() + n);
    return true;
}

void FormatKey(WCHAR (&key)[kKeyCch], LPCWSTR format, DWORD number)
{
    swprintf(key, kKeyCch, format, static_cast<unsigned long>(number));
}

// A count key of a profile file; a missing, negative or unreadable count is 0.
DWORD ReadCount(LPCWSTR section, LPCWSTR key, LPCWSTR file)
{
    const INT count = static_cast<INT>(GetPrivateProfileIntW(section, key, 0, file));
    return count > 0 ? static_cast<DWORD>(count) : 0;
}

// Appends the numbers of an entry list ("1,2,7,") in order, at most limit of them: each is read
// by ParseDecimalToken; the walk ends after a number that is not followed by ',' and at a token
// without digits. False when memory fails.
bool ListedNumbers(LPCWSTR list, DWORD limit, HeapArray<DWORD>& numbers)
{
    LPCWSTR cursor = list;
    for (DWORD i = 0; i < limit; ++i) {
        DWORD number = 0;
        const int digits = ParseDecimalToken(cursor, &number);
        if (digits == 0) return true;
        if (!numbers.Push(number)) return false;
        cursor += digits;
        if (*cursor != L',') return true;
        ++cursor;
    }
    return true;
}

// Keeps the first of each number, the rest in their order. False when memory fails.
bool KeepFirstOfEach(HeapArray<DWORD>& numbers)
{
    const size_t n = numbers.Size();
    HeapArray<size_t> order;
    if (!order.Reserve(n)) return false;
    for (size_t i = 0; i < n; ++i) order.Push(i);
    const DWORD* v = numbers.Data();
    std::sort(order.Data(), order.Data() + n, [v](size_t a, size_t b) { return v[a] != v[b] ? v[a] < v[b] : a < b; });
    HeapArray<BYTE> repeated;
    if (!repeated.Reserve(n)) return false;
    for (size_t k = 1; k < n; ++k)
        if (v[order.Data()[k]] == v[order.Data()[k - 1]]) repeated.Data()[order.Data()[k]] = 1;
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i)
        if (!repeated.Data()[i]) numbers.Data()[kept++] = v[i];
    numbers.SetSize(kept);
    return true;
}

// Orders keys that the profile functions take for the same key (they ignore case) together.
int CompareKeys(const WCHAR* a, size_t aCch, const WCHAR* b, size_t bCch)
{
    return CompareStringOrdinal(a, static_cast<int>(aCch), b, static_cast<int>(bCch), TRUE) - CSTR_EQUAL;
}

// One line of a section: its key and its value (NULL for a line without '='), each pointing into
// text that outlives the section.
struct SectionLine {
    const WCHAR* key;
    size_t keyCch;
    const WCHAR* value;
    size_t valueCch;
};

// The first count lines of an array ordered by key, so that a key is found in logarithmic time.
class KeyIndex {
public:
    bool Build(const HeapArray<SectionLine>& lines, size_t count)
    {
        lines_ = &lines;
        if (!order_.Reserve(count)) return false;
        for (size_t i = 0; i < count; ++i) order_.Push(i);
        const SectionLine* l = lines.Data();
        std::sort(order_.Data(), order_.Data() + count, [l](size_t a, size_t b) {
            const int c = CompareKeys(l[a].key, l[a].keyCch, l[b].key, l[b].keyCch);
            return c != 0 ? c < 0 : a < b;
        });
        return true;
    }

    // The first of the indexed lines with the key, or kNone.
    size_t Find(const WCHAR* key, size_t keyCch) const
    {
        const SectionLine* l = lines_->Data();
        const size_t* end = order_.Data() + order_.Size();
        const size_t* at = std::lower_bound(order_.Data(), end, key, [&](size_t i, const WCHAR* k) {
            return CompareKeys(l[i].key, l[i].keyCch, k, keyCch) < 0;
        });
        return at != end && CompareKeys(l[*at].key, l[*at].keyCch, key, keyCch) == 0 ? *at : kNone;
    }

private:
    const HeapArray<SectionLine>* lines_ = nullptr;
    HeapArray<size_t> order_;
};

// The lines of a section as the file holds them, found by key. A line added later is not found.
class SectionLines {
public:
    // Reads section of file; false when memory fails.
    bool Read(LPCWSTR section, LPCWSTR file)
    {
        if (!ReadProfileSection(section, file, text_)) return false;
        for (const WCHAR* line = text_.Data(); *line;) {
            const size_t n = wcslen(line);
            const WCHAR* equals = wmemchr(line, L'=', n);
            const size_t keyCch = equals ? static_cast<size_t>(equals - line) : n;
            if (!lines_.Push({line, keyCch, equals ? equals + 1 : nullptr, equals ? n - keyCch - 1 : 0})) return false;
            line += n + 1;
        }
        return index_.Build(lines_, lines_.Size());
    }

    // Gives the first line with key the value, or adds a line at the end.
    bool Set(const WCHAR* key, const WCHAR* value)
    {
        const size_t at = index_.Find(key, wcslen(key));
        if (at == kNone) return lines_.Push({key, wcslen(key), value, wcslen(value)});
        lines_.Data()[at].value = value;
        lines_.Data()[at].valueCch = wcslen(value);
        return true;
    }

    // The value of the first line with key (each value read ends its line, so it is
    // terminated); empty when there is none.
    const WCHAR* Value(const WCHAR* key) const
    {
        const size_t at = index_.Find(key, wcslen(key));
        return at != kNone && lines_.Data()[at].value ? lines_.Data()[at].value : L"";
    }

    const HeapArray<SectionLine>& Lines() const { return lines_; }
    const WCHAR* Text() const { return text_.Data(); }
    size_t TextCch() const { return text_.Size(); }

private:
    HeapText text_;
    HeapArray<SectionLine> lines_;
    KeyIndex index_;
};

// Lines as a section's text ("key=value", each terminated, then an empty line), the form the
// profile functions read and write; out.Size() counts all but the last terminator.
bool JoinLines(const SectionLine* lines, size_t count, HeapText& out)
{
    size_t cch = 1;
    for (size_t i = 0; i < count; ++i) cch += lines[i].keyCch + (lines[i].value ? 1 + lines[i].valueCch : 0) + 1;
    if (!out.Reserve(cch + 1)) return false;
    WCHAR* p = out.Data();
    for (size_t i = 0; i < count; ++i) {
        wmemcpy(p, lines[i].key, lines[i].keyCch);
        p += lines[i].keyCch;
        if (lines[i].value) {
            *p++ = L'=';
            wmemcpy(p, lines[i].value, lines[i].valueCch);
            p += lines[i].valueCch;
        }
        *p++ = L'\0';
    }
    *p = L'\0';
    out.SetSize(static_cast<size_t>(p - out.Data()));
    return true;
}

// Writes a section's new lines, unless they are the lines it holds.
bool StoreSection(ProfileEdit& edit, LPCWSTR section, const SectionLine* lines, size_t count, const SectionLines& now)
{
    HeapText text;
    return JoinLines(lines, count, text) && edit.SetSection(section, text.Data(), text.Size(), now.Text(), now.TextCch());
}

// Keys formed from one format and numbers, in a block that never moves, so that section lines
// can point at them.
class KeyBlock {
public:
    bool Make(LPCWSTR format, const DWORD* numbers, size_t count)
    {
        if (!keys_.Reserve(count * kKeyCch)) return false;
        for (size_t i = 0; i < count; ++i) {
            WCHAR key[kKeyCch];
            FormatKey(key, format, numbers[i]);
            wmemcpy(keys_.Data() + i * kKeyCch, key, kKeyCch);
        }
        return true;
    }
    const WCHAR* operator[](size_t i) const { return keys_.Data() + i * kKeyCch; }

private:
    HeapText keys_;
};

// Reads a shipped section of InitDataFile3: the numbers of its entry list (at most its count, in
// list order) and its lines. False when it lists nothing or memory fails.
bool ReadShipped(LPCWSTR section, LPCWSTR listKey, LPCWSTR file, SectionLines& shipped, HeapArray<DWORD>& numbers)
{
    const DWORD count = ReadCount(section, kShippedNumDefine, file);
    HeapText list;
    return count > 0 && ReadProfileWhole(section, listKey, file, list) && ListedNumbers(list.Data(), count, numbers) &&
           numbers.Size() > 0 && shipped.Read(section, file);
}

// The path of InitDataFile3 in the driver folder; false when the master data file names none.
bool InitDataFile3Path(WCHAR (&path)[MAX_PATH])
{
    return DrvGetInitDataFile3(path, TRUE, MAX_PATH) != 0;
}

bool HaveSettingsIni() { return g_settingsIni[0] != L'\0'; }

// Merges the shipped entries of section into the same section of the settings INI, as it is on
// disk under the settings INI's lock.
void ImportPaperSection(LPCWSTR section)
{
    if (!HaveSettingsIni()) return;
    WCHAR shippedFile[MAX_PATH];
    if (!InitDataFile3Path(shippedFile)) return;
    SectionLines shipped;
    HeapArray<DWORD> numbers;
    if (!ReadShipped(section, kShippedPaperEntry, shippedFile, shipped, numbers)) return;
    const size_t shippedListed = numbers.Size();

    ProfileEdit edit(g_settingsIni, ProfileEncoding::Unicode);
    if (!edit.Ok()) return;
    HeapText settingsList;
    SectionLines settings;
    if (!settings.Read(section, g_settingsIni) || !ReadProfileWhole(section, kSettingsPaperEntry, g_settingsIni, settingsList))
        return;
    // The shipped numbers, then the user's own, each once: the shipped ones stay a prefix.
    if (!ListedNumbers(settingsList.Data(), ReadCount(section, kSettingsNumDefine, g_settingsIni), numbers)) return;
    HeapArray<DWORD> shippedNumbers;
    if (!shippedNumbers.Reserve(shippedListed)) return;
    for (size_t i = 0; i < shippedListed; ++i) shippedNumbers.Push(numbers.Data()[i]);
    if (!KeepFirstOfEach(shippedNumbers) || !KeepFirstOfEach(numbers)) return;

    // Each shipped entry's value replaces the user's entry of its number.
    KeyBlock shippedKeys, settingsKeys;
    if (!shippedKeys.Make(kShippedPaperKey, shippedNumbers.Data(), shippedNumbers.Size()) ||
        !settingsKeys.Make(kSettingsPaperKey, shippedNumbers.Data(), shippedNumbers.Size()))
        return;
    HeapText list;
    if (!list.Reserve(1)) return;
    list.Data()[0] = L'\0';
    for (size_t i = 0; i < numbers.Size(); ++i) {
        WCHAR item[kKeyCch];
        FormatKey(item, L"%lu,", numbers.Data()[i]);
        if (!AppendText(list, item)) return;
    }
    WCHAR count[kKeyCch];
    FormatKey(count, L"%lu", static_cast<DWORD>(numbers.Size()));

    // The new values point into shipped, list and count, which outlive the store.
    for (size_t i = 0; i < shippedNumbers.Size(); ++i)
        if (!settings.Set(settingsKeys[i], shipped.Value(shippedKeys[i]))) return;
    if (!settings.Set(kSettingsPaperEntry, list.Data()) || !settings.Set(kSettingsNumDefine, count)) return;
    StoreSection(edit, section, settings.Lines().Data(), settings.Lines().Size(), settings);
}

// Puts the shipped watermarks first in the settings INI's watermark section, in list order (a
// number listed twice where it is listed last), then the user's entries in their order, as the
// section is on disk under the settings INI's lock.
void ImportWatermarks(LPCWSTR initDataFile3)
{
    SectionLines shipped;
    HeapArray<DWORD> numbers;
    if (!ReadShipped(kShippedWatermarks, kShippedWatermarkEntry, initDataFile3, shipped, numbers)) return;
    std::reverse(numbers.Data(), numbers.Data() + numbers.Size());
    if (!KeepFirstOfEach(numbers)) return;
    std::reverse(numbers.Data(), numbers.Data() + numbers.Size());
    KeyBlock shippedKeys, settingsKeys;
    if (!shippedKeys.Make(kShippedWatermarkKey, numbers.Data(), numbers.Size()) ||
        !settingsKeys.Make(kSettingsWatermarkKey, numbers.Data(), numbers.Size()))
        return;

    ProfileEdit edit(g_settingsIni, ProfileEncoding::Unicode);
    SectionLines settings;
    if (!edit.Ok() || !settings.Read(kSettingsWatermark, g_settingsIni)) return;
    HeapArray<SectionLine> lines;
    if (!lines.Reserve(numbers.Size() + settings.Lines().Size())) return;
    for (size_t i = 0; i < numbers.Size(); ++i) {
        const WCHAR* value = shipped.Value(shippedKeys[i]);
        lines.Push({settingsKeys[i], wcslen(settingsKeys[i]), value, wcslen(value)});
    }
    // Every other line follows in its order.
    KeyIndex shippedLines;
    if (!shippedLines.Build(lines, numbers.Size())) return;
    for (size_t i = 0; i < settings.Lines().Size(); ++i) {
        const SectionLine& line = settings.Lines().Data()[i];
        if (shippedLines.Find(line.key, line.keyCch) == kNone) lines.Push(line);
    }
    StoreSection(edit, kSettingsWatermark, lines.Data(), lines.Size(), settings);
}

// A DEVMODE of a spooler record or of our own block, with the block that holds it.
struct DevmodeAt {
    BYTE* devmode = nullptr;
    const BYTE* blockStart = nullptr;
    size_t blockBytes = 0;
};

// Whether the whole DEVMODE (header, public and private part) lies inside its block.
bool DevmodeInBlock(const DevmodeAt& at)
{
    if (!at.devmode || !at.blockStart) return false;
    const auto start = reinterpret_cast<uintptr_t>(at.blockStart);
    const auto dm = reinterpret_cast<uintptr_t>(at.devmode);
    if (dm < start || dm - start > at.blockBytes) return false;
    const size_t room = at.blockBytes - (dm - start);
    if (room < offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD)) return false;
    WORD size = 0, extra = 0;
    memcpy(&size, at.devmode + offsetof(DEVMODEW, dmSize), sizeof size);
    memcpy(&extra, at.devmode + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    return size <= room && extra <= room - size;
}

// Marks a DEVMODE that lies inside its block as long-edge duplex: dmDuplex, and the
// installer-duplex DWORD when the DEVMODE carries the driver's whole private part. Fields are
// written bytewise: the spooler packs the DEVMODE behind the record's strings without aligning it.
void MarkDuplex(const DevmodeAt& at)
{
    WORD size = 0, extra = 0;
    memcpy(&size, at.devmode + offsetof(DEVMODEW, dmSize), sizeof size);
    memcpy(&extra, at.devmode + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    if (size >= offsetof(DEVMODEW, dmDuplex) + sizeof(short)) {
        const short duplex = DMDUP_VERTICAL;
        memcpy(at.devmode + offsetof(DEVMODEW, dmDuplex), &duplex, sizeof duplex);
    }
    if (extra >= kDrvExtraBytes) {
        const DWORD installerDuplex = 1;
        memcpy(at.devmode + size + kDrvExtraInstallerDuplex, &installerDuplex, sizeof installerDuplex);
    }
}

// A printer record of one level in a zero-filled block sized by a first call; false when the
// size is 0 or the record cannot be read.
bool GetPrinterRecord(HANDLE printer, DWORD level, HeapArray<BYTE>& record)
{
    DWORD needed = 0;
    GetPrinterW(printer, level, nullptr, 0, &needed);
    if (needed == 0 || !record.Reserve(needed)) return false;
    record.SetSize(needed);
    return GetPrinterW(printer, level, record.Data(), needed, &needed) != FALSE;
}

}  // namespace

BOOL DrvSetSettingsIniPath(LPCWSTR path)
{
    if (WBufCopy(g_settingsIni, MAX_PATH, path ? path : L"")) return TRUE;
    g_settingsIni[0] = L'\0';
    return FALSE;
}

LPCWSTR DrvGetSettingsIniPath() { return g_settingsIni; }

void ImportUserDefPaperList() { ImportPaperSection(STR_USERPAPER_SECTION); }

void ImportUserDefLongList() { ImportPaperSection(STR_LONGPAPER_SECTION); }

void ImportWatermarkList(LPCWSTR initDataFile3)
{
    if (HaveSettingsIni() && initDataFile3 && initDataFile3[0]) ImportWatermarks(initDataFile3);
}

void ImportValCodePath()
{
    if (!HaveSettingsIni()) return;
    WCHAR shippedFile[MAX_PATH];
    if (!InitDataFile3Path(shippedFile) || GetFileAttributesW(shippedFile) == INVALID_FILE_ATTRIBUTES) return;
    HeapText path;
    if (!ReadProfileWhole(kShippedValCode, kShippedValCodePath, shippedFile, path)) return;
    ProfileEdit edit(g_settingsIni, ProfileEncoding::Unicode);
    edit.SetValue(kSettingsValCode, kSettingsValCodePath, path.Size() ? path.Data() : kDefaultValCodePath);
}

DWORD DrvSetPrinterDuplexDefault(HANDLE printer, LPCWSTR /*printerName*/, DWORD mode)
{
    HeapArray<BYTE> global, perUser, level2, driverDefault;
    if (!GetPrinterRecord(printer, 8, global) || !GetPrinterRecord(printer, 9, perUser)) return 0;
    auto* globalInfo = reinterpret_cast<PRINTER_INFO_8W*>(global.Data());
    auto* perUserInfo = reinterpret_cast<PRINTER_INFO_9W*>(perUser.Data());

    // A DEVMODE whose header claims more than its block holds would be read beyond the block
    // when it is stored: such a global DEVMODE is not stored at all (nor is the per-user one),
    // such a per-user DEVMODE is left as it is.
    const DevmodeAt perUserDevmode{reinterpret_cast<BYTE*>(perUserInfo->pDevMode), perUser.Data(), perUser.Size()};
    const bool storePerUser = perUserInfo->pDevMode && DevmodeInBlock(perUserDevmode);
    DevmodeAt globalDevmode{reinterpret_cast<BYTE*>(globalInfo->pDevMode), global.Data(), global.Size()};
    if (!globalInfo->pDevMode) {
        // The printer's own DEVMODE, else the driver's default.
        if (GetPrinterRecord(printer, 2, level2)) {
            auto* info = reinterpret_cast<PRINTER_INFO_2W*>(level2.Data());
            globalDevmode = {reinterpret_cast<BYTE*>(info->pDevMode), level2.Data(), level2.Size()};
            if (!info->pDevMode) {
                const LONG size = DocumentPropertiesW(nullptr, printer, info->pPrinterName, nullptr, nullptr, 0);
                if (size <= 0 || !driverDefault.Reserve(static_cast<size_t>(size))) return 0;
                driverDefault.SetSize(static_cast<size_t>(size));
                auto* devmode = reinterpret_cast<DEVMODEW*>(driverDefault.Data());
                if (DocumentPropertiesW(nullptr, printer, info->pPrinterName, devmode, nullptr, DM_OUT_BUFFER) != IDOK)
                    return 0;
                globalDevmode = {driverDefault.Data(), driverDefault.Data(), driverDefault.Size()};
            }
        }
    }
    if (!DevmodeInBlock(globalDevmode)) return 0;
    globalInfo->pDevMode = reinterpret_cast<DEVMODEW*>(globalDevmode.devmode);

    if (mode == PRINTER_DEFAULT_DUPLEX) {
        MarkDuplex(globalDevmode);
        if (storePerUser) MarkDuplex(perUserDevmode);
    }

    if (!SetPrinterW(printer, 8, global.Data(), 0)) return PRINTER_DEFAULT_STORE_REFUSED;
    if (storePerUser) SetPrinterW(printer, 9, perUser.Data(), 0);
    return 0;
}

#endif  // DRV_BUILD_UM
