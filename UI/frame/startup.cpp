// Start-up and shutdown of the user-interface library, and the user-paper tables; see startup.h.
#include "startup.h"

#include <climits>
#include <cwchar>
#include <iterator>

#include "datafile_parse.h"
#include "datafiles.h"
#include "file_lock.h"
#include "doc_events.h"
#include "help_availability.h"
#include "model_queries.h"
#include "modeltable.h"
#include "proc_address.h"
#include "settings_import.h"
#include "startup_strings.h"
#include "wstrbuf.h"

HMODULE g_hStringRes = nullptr;
HMODULE g_hDialogRes = nullptr;
HMODULE g_hSupportRes = nullptr;
OSVERSIONINFOW g_OsVersion = {};
const LPCWSTR g_szSettingsIni = DrvGetSettingsIniPath();
static_assert(sizeof(OSVERSIONINFOW) == 276);

BOOL g_bThemeAvailable = FALSE;
decltype(&::TrackMouseEvent) g_pfnTrackMouseEvent = nullptr;
decltype(&::OpenThemeData) g_pfnOpenThemeData = nullptr;
decltype(&::CloseThemeData) g_pfnCloseThemeData = nullptr;
decltype(&::DrawThemeBackground) g_pfnDrawThemeBackground = nullptr;
decltype(&::GetThemeBackgroundContentRect) g_pfnGetThemeBackgroundContentRect = nullptr;
decltype(&::DrawThemeText) g_pfnDrawThemeText = nullptr;
decltype(&::DrawThemeEdge) g_pfnDrawThemeEdge = nullptr;

namespace {

// The libraries the entry points above come from, while they are held.
HMODULE g_hUser32Library = nullptr;
HMODULE g_hThemeLibrary = nullptr;

// The list of ids is read with room for 2048 characters; a paper's value with room for 512
// (a value that fills the room is longer and is not taken).
constexpr DWORD kPaperEntryCch = 2048;
constexpr DWORD kPaperValueCch = 512 + 1;
// Ids a record can carry (the record's id is a positive 16-bit number).
constexpr DWORD kMaxPaperId = 0x7FFF;
// Digits of the largest id; a longer number is no id (and must not wrap into one).
constexpr int kMaxPaperIdDigits = 5;
static_assert(USERPAPER_MAX_RECORDS * 2 >= kPaperEntryCch);
static_assert(UserPaperTableBytes(USERPAPER_MAX_RECORDS) < 0x10000 * sizeof(USERPAPER));

// Superseded table blocks that a reader still held locked when they were replaced; freed by a
// later reload once unlocked. Only touched under g_DllLock.
constexpr size_t kRetiredBlocks = 16;
HGLOBAL g_RetiredBlocks[kRetiredBlocks] = {};

// Empties the system's cache of the settings INI, so that what is read next is on disk.
void FlushSettingsIni()
{
    if (g_szSettingsIni[0]) WritePrivateProfileStringW(nullptr, nullptr, nullptr, g_szSettingsIni);
}

bool IsLocked(HGLOBAL block) { return (GlobalFlags(block) & GMEM_LOCKCOUNT) != 0; }

// Frees the retired blocks that nobody holds any more.
void FreeUnlockedRetiredBlocks()
{
    for (HGLOBAL& block : g_RetiredBlocks)
        if (block && !IsLocked(block)) {
            GlobalFree(block);
            block = nullptr;
        }
}

// Releases a table block that was just replaced: at once when no reader holds it, else later.
// When every retired place is taken the block is kept for good rather than freed under a reader.
void ReleaseSupersededBlock(HGLOBAL block)
{
    if (!block) return;
    FreeUnlockedRetiredBlocks();
    if (!IsLocked(block)) {
        GlobalFree(block);
        return;
    }
    for (HGLOBAL& place : g_RetiredBlocks)
        if (!place) {
            place = block;
            return;
        }
}

// UpdateNo of a section as the table keeps it. A value outside 16 bits can equal no table's.
bool ReadUpdateNo(LPCWSTR section, DWORD* value)
{
    const UINT v = GetPrivateProfileIntW(section, STR_PAPER_UPDATENO, 0, g_szSettingsIni);
    *value = v;
    return v <= 0xFFFF;
}

// Whether a table block was built from the UpdateNo value given.
template <class Table>
bool TableIsCurrent(HGLOBAL block, bool fits, DWORD updateNo)
{
    if (!block || !fits) return false;
    auto* table = static_cast<const Table*>(GlobalLock(block));
    if (!table) return false;
    const bool same = GlobalSize(block) >= sizeof(Table) && table->wUpdateNo == updateNo;
    GlobalUnlock(block);
    return same;
}

// The key of a paper's value, "Paper%d" with its id.
bool PaperKey(DWORD id, WCHAR (&key)[32])
{
    const int n = swprintf(key, std::size(key), STR_PAPER_KEY, static_cast<int>(id));
    return n > 0 && static_cast<size_t>(n) < std::size(key);
}

// Brings a user-paper table up to date with its section under g_DllLock: kept while the section's
// UpdateNo equals the table's, else built anew by load (which builds a missing table).
template <class Table>
void ReloadTable(LPCWSTR section, HGLOBAL& table, void (*load)())
{
    EnterCriticalSection(&g_DllLock);
    {
        // The change counter and the table are read from one state of the file.
        const FileLock lock(g_szSettingsIni);
        FlushSettingsIni();
        DWORD updateNo = 0;
        const bool fits = ReadUpdateNo(section, &updateNo);
        if (!TableIsCurrent<Table>(table, fits, updateNo)) {
            // The new block is built before the old one goes, so it is always a block of its own.
            const HGLOBAL old = table;
            table = nullptr;
            load();
            ReleaseSupersededBlock(old);
        }
    }
    LeaveCriticalSection(&g_DllLock);
}

}  // namespace

int ParseListSignedNumber(LPCWSTR text, LONG* out)
{
    LONG dummy;
    if (!out) out = &dummy;
    *out = 0;
    if (!text) return 0;
    const bool negative = text[0] == L'-';
    // The magnitude is held at the largest value the sign allows.
    const unsigned long long limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    unsigned long long magnitude = 0;
    int consumed = 0;
    for (; text[consumed]; ++consumed) {
        const WCHAR c = text[consumed];
        if (c == L'-') continue;
        if (c < L'0' || c > L'9') break;
        magnitude = magnitude * 10 + static_cast<unsigned>(c - L'0');
        if (magnitude > limit) magnitude = limit;
    }
    *out = negative ? static_cast<LONG>(-static_cast<long long>(magnitude)) : static_cast<LONG>(magnitude);
    return consumed;
}

void LoadUserDefPaperList()
{
    g_UserPaperTable = nullptr;
    // The count, the list and the entries as one writer left them.
    const FileLock lock(g_szSettingsIni);
    const UINT defined = g_szSettingsIni[0]
                             ? GetPrivateProfileIntW(STR_USERPAPER_SECTION, STR_PAPER_NUMDEFINE, 0, g_szSettingsIni)
                             : 0;
    // A negative count reads as none; a count larger than the list can carry is cut to it.
    const UINT n = static_cast<INT>(defined) <= 0 ? 0 : (defined > USERPAPER_MAX_RECORDS ? USERPAPER_MAX_RECORDS : defined);
    const WORD updateNo =
        g_szSettingsIni[0]
            ? static_cast<WORD>(GetPrivateProfileIntW(STR_USERPAPER_SECTION, STR_PAPER_UPDATENO, 0, g_szSettingsIni))
            : 0;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, UserPaperTableBytes(n));
    if (!block) return;
    auto* table = static_cast<USERPAPERTABLE*>(GlobalLock(block));
    if (!table) {
        GlobalFree(block);
        return;
    }
    table->wHighestId = USERPAPER_FIRST_ID;
    USERPAPER* records = UserPaperRecords(table);
    UINT stored = 0, counted = 0;

    WCHAR list[kPaperEntryCch] = L"";
    if (n) GetPrivateProfileStringW(STR_USERPAPER_SECTION, STR_PAPER_PAPERENTRY, L"", list, kPaperEntryCch, g_szSettingsIni);
    LPCWSTR c = list;
    for (UINT slot = 0; slot < n && *c; ++slot) {
        DWORD id = 0;
        const int digits = ParseDecimalToken(c, &id);
        c += digits;
        const bool followed = *c == L',';
        if (digits > 0 && digits <= kMaxPaperIdDigits && id > 0 && id <= kMaxPaperId) {
            WCHAR key[32], value[kPaperValueCch];
            USERPAPER paper = {};
            if (PaperKey(id, key)) {
                const DWORD len = GetPrivateProfileStringW(STR_USERPAPER_SECTION, key, L"", value, kPaperValueCch,
                                                           g_szSettingsIni);
                if (len > 0 && len + 2 < kPaperValueCch && ParseUserPaperValue(value, &paper)) {
                    paper.id = static_cast<SHORT>(id);
                    records[stored++] = paper;
                    if (id > table->wHighestId) table->wHighestId = static_cast<WORD>(id);
                    if (followed) ++counted;
                }
            }
        }
        if (!followed) break;
        ++c;
    }
    table->wCount = static_cast<WORD>(counted);
    table->wUpdateNo = updateNo;
    GlobalUnlock(block);
    g_UserPaperTable = block;
}

void ReloadUserDefPaperTable() { ReloadTable<USERPAPERTABLE>(STR_USERPAPER_SECTION, g_UserPaperTable, LoadUserDefPaperList); }

void ReloadUserDefLongTable() { ReloadTable<LONGPAPERTABLE>(STR_LONGPAPER_SECTION, g_LongPaperTable, LoadUserDefLongList); }

void LoadThemeEntryPoints()
{
    g_hUser32Library = LoadLibraryW(L"user32.dll");
    g_pfnTrackMouseEvent =
        g_hUser32Library ? ProcAddress<decltype(g_pfnTrackMouseEvent)>(g_hUser32Library, "TrackMouseEvent") : nullptr;

    g_hThemeLibrary = LoadLibraryW(L"UxTheme.dll");
    if (g_hThemeLibrary) {
        g_pfnOpenThemeData = ProcAddress<decltype(g_pfnOpenThemeData)>(g_hThemeLibrary, "OpenThemeData");
        g_pfnCloseThemeData = ProcAddress<decltype(g_pfnCloseThemeData)>(g_hThemeLibrary, "CloseThemeData");
        g_pfnDrawThemeBackground = ProcAddress<decltype(g_pfnDrawThemeBackground)>(g_hThemeLibrary, "DrawThemeBackground");
        g_pfnGetThemeBackgroundContentRect = ProcAddress<decltype(g_pfnGetThemeBackgroundContentRect)>(
            g_hThemeLibrary, "GetThemeBackgroundContentRect");
        g_pfnDrawThemeText = ProcAddress<decltype(g_pfnDrawThemeText)>(g_hThemeLibrary, "DrawThemeText");
        g_pfnDrawThemeEdge = ProcAddress<decltype(g_pfnDrawThemeEdge)>(g_hThemeLibrary, "DrawThemeEdge");
    }
    if (g_hThemeLibrary && g_pfnOpenThemeData && g_pfnCloseThemeData && g_pfnDrawThemeBackground &&
        g_pfnGetThemeBackgroundContentRect && g_pfnDrawThemeText && g_pfnDrawThemeEdge) {
        g_bThemeAvailable = TRUE;
        return;
    }
    // Without a complete theme library the controls draw plainly and track no hovering.
    g_bThemeAvailable = FALSE;
    FreeThemeEntryPoints();
}

void FreeThemeEntryPoints()
{
    if (g_hThemeLibrary) FreeLibrary(g_hThemeLibrary);
    if (g_hUser32Library) FreeLibrary(g_hUser32Library);
    g_hThemeLibrary = nullptr;
    g_hUser32Library = nullptr;
    g_bThemeAvailable = FALSE;
    g_pfnTrackMouseEvent = nullptr;
    g_pfnOpenThemeData = nullptr;
    g_pfnCloseThemeData = nullptr;
    g_pfnDrawThemeBackground = nullptr;
    g_pfnGetThemeBackgroundContentRect = nullptr;
    g_pfnDrawThemeText = nullptr;
    g_pfnDrawThemeEdge = nullptr;
}

void DrvProcessAttach(HINSTANCE instance)
{
    g_hInst = instance;
    g_hStringRes = instance;
    g_hDialogRes = instance;
    g_hSupportRes = nullptr;

    if (reinterpret_cast<ULONG_PTR>(instance) > 32) DrvLoadPaperNames(instance);

    g_OsVersion = {};
    g_OsVersion.dwOSVersionInfoSize = sizeof g_OsVersion;
    GetVersionExW(&g_OsVersion);

    // The settings INI in the machine-wide data folder. A path that does not fit is not cut
    // (it would name another file): the settings INI is then left unnamed.
    WCHAR path[MAX_PATH];
    if (!DrvGetDataFolder(path, MAX_PATH) || !WBufAppend(path, MAX_PATH, L"\\") ||
        !WBufAppend(path, MAX_PATH, STR_SETTINGS_INI_NAME))
        path[0] = L'\0';
    DrvSetSettingsIniPath(path);
    FlushSettingsIni();

    if (!g_UserPaperTable) LoadUserDefPaperList();
    LoadUserDefLongList();

    LoadThemeEntryPoints();
    InitWinHelpAvailability();
}

void DrvProcessDetach()
{
    DocEventContextCleanup();
    DrvFreeModelTable();
    FreeThemeEntryPoints();
}
