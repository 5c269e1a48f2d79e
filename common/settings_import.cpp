// Shipped entries of InitDataFile3 copied into the settings INI, and the printer's default
// DEVMODEs stored again; see settings_import.h.
#include "settings_import.h"

#ifndef DRV_BUILD_UM

#include <winspool.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "datafile_parse.h"
#include "datafiles.h"
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

// A growing block on the process heap, zero-filled, freed with the object. No exceptions: a
// failed allocation is reported and leaves the contents as they were.
template <class T>
class HeapArray {
public:
    HeapArray() = default;
    ~HeapArray()
    {
        if (data_) HeapFree(GetProcessHeap(), 0, data_);
    }
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;

    // Makes room for at least count elements.
    bool Reserve(size_t count)
    {
        if (count <= capacity_) return true;
        if (count > SIZE_MAX / sizeof(T)) return false;
        void* grown = data_ ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, data_, count * sizeof(T))
                            : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(T));
        if (!grown) return false;
        data_ = static_cast<T*>(grown);
        capacity_ = count;
        return true;
    }
    bool Push(T value)
    {
        if (size_ == capacity_ && !Reserve(capacity_ ? capacity_ * 2 : 16)) return false;
        data_[size_++] = value;
        return true;
    }
    bool Contains(T value) const
    {
        for (size_t i = 0; i < size_; ++i)
            if (data_[i] == value) return true;
        return false;
    }
    T* Data() { return data_; }
    const T* Data() const { return data_; }
    size_t Size() const { return size_; }
    size_t Capacity() const { return capacity_; }
    void SetSize(size_t size) { size_ = size < capacity_ ? size : capacity_; }

private:
    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

using HeapText = HeapArray<WCHAR>;

// Longest profile text read, in characters: far beyond any entry list or value of these files,
// a bound only against a file that keeps growing while it is read.
constexpr size_t kProfileTextMaxCch = size_t{1} << 22;

// Reads a value of a profile file whole, however long (with key NULL: the names of all keys of
// the section, each terminated, the list ending in an empty name). A missing key or file reads
// as the empty text. Returns false when memory fails.
bool ReadProfileWhole(LPCWSTR section, LPCWSTR key, LPCWSTR file, HeapText& text)
{
    for (size_t cch = 256;; cch *= 2) {
        if (!text.Reserve(cch)) return false;
        const DWORD n = GetPrivateProfileStringW(section, key, L"", text.Data(), static_cast<DWORD>(cch), file);
        // A cut value reads as cch - 1 characters, a cut key list as cch - 2: only a shorter
        // result is known to be whole.
        if (n + 2 < cch) {
            text.Data()[n] = L'\0';
            text.Data()[n + 1] = L'\0';
            text.SetSize(n);
            return true;
        }
        if (cch >= kProfileTextMaxCch) return false;
    }
}

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

// Walks the numbers of an entry list ("1,2,7,") in order, at most limit of them: each is read by
// ParseDecimalToken; the walk ends after a number that is not followed by ',' and at a token
// without digits.
template <class Visit>
void ForEachListedNumber(LPCWSTR list, DWORD limit, Visit visit)
{
    LPCWSTR cursor = list;
    for (DWORD i = 0; i < limit; ++i) {
        DWORD number = 0;
        const int digits = ParseDecimalToken(cursor, &number);
        if (digits == 0) return;
        if (!visit(number)) return;
        cursor += digits;
        if (*cursor != L',') return;
        ++cursor;
    }
}

// The path of InitDataFile3 in the driver folder; false when the master data file names none.
bool InitDataFile3Path(WCHAR (&path)[MAX_PATH])
{
    return DrvGetInitDataFile3(path, TRUE, MAX_PATH) != 0;
}

bool HaveSettingsIni() { return g_settingsIni[0] != L'\0'; }

// Merges the shipped entries of section into the same section of the settings INI.
void ImportPaperSection(LPCWSTR section)
{
    if (!HaveSettingsIni()) return;
    WCHAR shippedFile[MAX_PATH];
    if (!InitDataFile3Path(shippedFile)) return;
    const DWORD shippedCount = ReadCount(section, kShippedNumDefine, shippedFile);
    if (shippedCount == 0) return;

    HeapText shippedList, settingsList, value;
    if (!ReadProfileWhole(section, kShippedPaperEntry, shippedFile, shippedList)) return;

    // Copy each listed entry; a number listed twice is copied and listed once.
    HeapArray<DWORD> merged;
    bool failed = false;
    ForEachListedNumber(shippedList.Data(), shippedCount, [&](DWORD number) {
        WCHAR key[kKeyCch];
        FormatKey(key, kShippedPaperKey, number);
        if (!ReadProfileWhole(section, key, shippedFile, value)) {
            failed = true;
            return false;
        }
        FormatKey(key, kSettingsPaperKey, number);
        WritePrivateProfileStringW(section, key, value.Data(), g_settingsIni);
        if (!merged.Contains(number) && !merged.Push(number)) {
            failed = true;
            return false;
        }
        return true;
    });
    if (failed || merged.Size() == 0) return;

    // The user's own entries follow, in their order.
    const DWORD settingsCount = ReadCount(section, kSettingsNumDefine, g_settingsIni);
    if (!ReadProfileWhole(section, kSettingsPaperEntry, g_settingsIni, settingsList)) return;
    ForEachListedNumber(settingsList.Data(), settingsCount, [&](DWORD number) {
        if (!merged.Contains(number) && !merged.Push(number)) {
            failed = true;
            return false;
        }
        return true;
    });
    if (failed) return;

    HeapText list;
    if (!list.Reserve(1)) return;
    list.Data()[0] = L'\0';
    for (size_t i = 0; i < merged.Size(); ++i) {
        WCHAR item[kKeyCch];
        FormatKey(item, L"%lu,", merged.Data()[i]);
        if (!AppendText(list, item)) return;
    }
    WCHAR count[kKeyCch];
    FormatKey(count, L"%lu", static_cast<DWORD>(merged.Size()));
    WritePrivateProfileStringW(section, kSettingsPaperEntry, list.Data(), g_settingsIni);
    WritePrivateProfileStringW(section, kSettingsNumDefine, count, g_settingsIni);
}

// Deletes key of section and writes it again with value, so that it stands last in the section.
void RewriteLast(LPCWSTR section, LPCWSTR key, LPCWSTR value)
{
    WritePrivateProfileStringW(section, key, nullptr, g_settingsIni);
    WritePrivateProfileStringW(section, key, value, g_settingsIni);
}

bool SameKey(LPCWSTR a, LPCWSTR b) { return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL; }

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
    if (!HaveSettingsIni() || !initDataFile3 || !initDataFile3[0]) return;
    const DWORD shippedCount = ReadCount(kShippedWatermarks, kShippedNumDefine, initDataFile3);
    if (shippedCount == 0) return;
    HeapText shippedList, value;
    if (!ReadProfileWhole(kShippedWatermarks, kShippedWatermarkEntry, initDataFile3, shippedList)) return;

    // The shipped entries, each moved to the end of the section in list order.
    HeapArray<DWORD> shipped;
    bool failed = false;
    ForEachListedNumber(shippedList.Data(), shippedCount, [&](DWORD number) {
        WCHAR key[kKeyCch];
        FormatKey(key, kShippedWatermarkKey, number);
        if (!ReadProfileWhole(kShippedWatermarks, key, initDataFile3, value)) {
            failed = true;
            return false;
        }
        FormatKey(key, kSettingsWatermarkKey, number);
        RewriteLast(kSettingsWatermark, key, value.Data());
        if (!shipped.Contains(number) && !shipped.Push(number)) {
            failed = true;
            return false;
        }
        return true;
    });
    if (failed || shipped.Size() == 0) return;

    // Then every other entry, in its order, behind them.
    HeapText keys;
    if (!ReadProfileWhole(kSettingsWatermark, nullptr, g_settingsIni, keys)) return;
    for (LPCWSTR key = keys.Data(); *key; key += wcslen(key) + 1) {
        bool isShipped = false;
        for (size_t i = 0; i < shipped.Size() && !isShipped; ++i) {
            WCHAR shippedKey[kKeyCch];
            FormatKey(shippedKey, kSettingsWatermarkKey, shipped.Data()[i]);
            isShipped = SameKey(key, shippedKey);
        }
        if (isShipped) continue;
        if (!ReadProfileWhole(kSettingsWatermark, key, g_settingsIni, value)) continue;
        RewriteLast(kSettingsWatermark, key, value.Data());
    }
}

void ImportValCodePath()
{
    if (!HaveSettingsIni()) return;
    WCHAR shippedFile[MAX_PATH];
    if (!InitDataFile3Path(shippedFile) || GetFileAttributesW(shippedFile) == INVALID_FILE_ATTRIBUTES) return;
    HeapText path;
    if (!ReadProfileWhole(kShippedValCode, kShippedValCodePath, shippedFile, path)) return;
    WritePrivateProfileStringW(kSettingsValCode, kSettingsValCodePath,
                               path.Size() ? path.Data() : kDefaultValCodePath, g_settingsIni);
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
