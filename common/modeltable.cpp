// The model table, its refresh and the cache files.
#include "modeltable.h"

#include <cstring>
#include <cwchar>

#include "cache_rules.h"
#include "crc32.h"
#include "datafiles.h"
#include "drvglobals.h"
#include "ini_memo.h"
#include "wstrbuf.h"

#ifndef DRV_BUILD_UM
#include "capfile.h"
#include "datafile_lists.h"
#include "modeldefaults_reader.h"
#include "modelinfo_reader.h"
#include "settings_import.h"
#endif

namespace {

// The table lives in memory only. Each record is a block of its own that never moves once made,
// so pointers into a record stay valid while the table grows; only the array of record pointers
// is reallocated.
struct MODELTABLE {
    DWORD commonLoaded;      // the common tables were loaded in this process
    WORD commonStamps[2];    // stamps of the two common files as last rebuilt
    SHORT count;             // records in use
    SHORT capacity;          // slots of the record array
    MODELRECORD** records;
};

MODELTABLE* g_ModelTable = nullptr;

constexpr size_t kNameCch = sizeof(MODELINFO::szModelName) / sizeof(WCHAR);

WCHAR Upper(WCHAR c) { return (c >= L'a' && c <= L'z') ? static_cast<WCHAR>(c - L'a' + L'A') : c; }

// Whether a name stored in a record field of cch characters is the asked name. A field holds
// cch-1 characters at the most (the readers cut longer names), so a longer asked name matches the
// field when its first cch-1 characters do. A field without a terminator is compared only within
// its bounds.
bool NameMatches(const WCHAR* stored, size_t cch, LPCWSTR asked)
{
    for (size_t i = 0; i + 1 < cch; ++i) {
        if (Upper(stored[i]) != Upper(asked[i])) return false;
        if (stored[i] == L'\0') return true;
    }
    return true;
}

bool IsUnnamed(const MODELRECORD* record) { return record->ModelInfo.szModelName[0] == L'\0'; }

MODELRECORD* FindRecord(LPCWSTR modelName)
{
    if (!modelName || !*modelName || !g_ModelTable) return nullptr;
    for (SHORT i = 0; i < g_ModelTable->count; ++i) {
        MODELRECORD* record = g_ModelTable->records[i];
        if (!IsUnnamed(record) && NameMatches(record->ModelInfo.szModelName, kNameCch, modelName)) return record;
    }
    return nullptr;
}

// A record for a model that is not in the table: an empty record left over from a model whose
// cache could not be read, else a new zeroed record at the end.
MODELRECORD* TakeEmptyRecord()
{
    if (!g_ModelTable) {
        g_ModelTable = static_cast<MODELTABLE*>(GlobalAlloc(GPTR, sizeof(MODELTABLE)));
        if (!g_ModelTable) return nullptr;
    }
    for (SHORT i = 0; i < g_ModelTable->count; ++i) {
        MODELRECORD* record = g_ModelTable->records[i];
        if (!record->dwLoaded && IsUnnamed(record)) return record;
    }
    if (g_ModelTable->count == 0x7FFF) return nullptr;
    if (g_ModelTable->count == g_ModelTable->capacity) {
        const SHORT capacity = static_cast<SHORT>(g_ModelTable->capacity < 0x4000 ? g_ModelTable->capacity * 2 + 4 : 0x7FFF);
        auto** grown = static_cast<MODELRECORD**>(GlobalAlloc(GPTR, sizeof(MODELRECORD*) * capacity));
        if (!grown) return nullptr;
        if (g_ModelTable->records) {
            memcpy(grown, g_ModelTable->records, sizeof(MODELRECORD*) * g_ModelTable->count);
            GlobalFree(g_ModelTable->records);
        }
        g_ModelTable->records = grown;
        g_ModelTable->capacity = capacity;
    }
    auto* record = static_cast<MODELRECORD*>(GlobalAlloc(GPTR, sizeof(MODELRECORD)));
    if (!record) return nullptr;
    g_ModelTable->records[g_ModelTable->count++] = record;
    return record;
}

// The stem of a data file named in the master data file: its file name without the folder part,
// cut at its first '.'. A relative sub-folder of the value is left out, so that the cache lies
// in the data folder itself.
bool CacheStem(LPCWSTR value, LPWSTR stem, size_t cch)
{
    LPCWSTR name = value;
    for (LPCWSTR p = value; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    size_t n = 0;
    while (name[n] && name[n] != L'.') ++n;
    if (n == 0 || n >= cch) return false;
    wmemcpy(stem, name, n);
    stem[n] = L'\0';
    return true;
}

// <data folder>\<parts...>.cah
bool CachePath(LPCWSTR stem, LPCWSTR suffix, LPWSTR out, size_t cch)
{
    WCHAR path[MAX_PATH];
    if (!DrvGetCommonDataFolder(path, MAX_PATH)) return false;
    const size_t len = wcslen(path);
    if ((len == 0 || path[len - 1] != L'\\') && !WBufAppend(path, MAX_PATH, L"\\")) return false;
    if (!WBufAppend(path, MAX_PATH, stem) || (suffix && !WBufAppend(path, MAX_PATH, suffix)) ||
        !WBufAppend(path, MAX_PATH, L".cah"))
        return false;
    return WBufCopy(out, cch, path);
}

// A model name as part of a file name: characters a file name cannot hold become '_'.
void FileNamePart(LPCWSTR name, LPWSTR out, size_t cch)
{
    size_t n = 0;
    for (; name[n] && n + 1 < cch; ++n) {
        const WCHAR c = name[n];
        out[n] = (c < 0x20 || wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
    }
    out[n] = L'\0';
}

bool StampsEqual(const WORD* a, const WORD* b, int count)
{
    for (int i = 0; i < count; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// The number of rows a paper table holds: up to its last row with a paper id or a name.
WORD RowsInPaperTable(const PAPERINFO* table)
{
    WORD rows = 0;
    for (WORD i = 0; i < PAPER_TABLE_ROWS; ++i)
        if (table[i].paperId != 0 || table[i].name[0] != L'\0') rows = static_cast<WORD>(i + 1);
    return rows;
}

template <class Cache>
DWORD ChecksumOf(const Cache& cache)
{
    return Crc32(&cache, offsetof(Cache, checksum));
}

// Whether a cache read from its file may be used: written whole (its checksum), every value within
// the rules, and, for the user-interface library, built from the data files as they are now. The
// rendering library takes a cache as the user-interface library wrote it, whatever its stamps.
bool CommonCacheUsable(const COMMONCACHE& cache, [[maybe_unused]] const WORD* current)
{
    if (cache.checksum != ChecksumOf(cache) || BrokenPaperTableRule(cache.paperTable)) return false;
#ifdef DRV_BUILD_UM
    return true;
#else
    return cache.stampPaperFile == current[0] && cache.stampUserFile == current[1];
#endif
}

bool ModelCacheUsable(const MODELCACHE& cache, LPCWSTR modelName, [[maybe_unused]] const WORD* current)
{
    const MODELRECORD& record = cache.record;
    if (cache.checksum != ChecksumOf(cache) || BrokenModelRecordRule(record)) return false;
    // A cache that holds another model's record is stale, whatever its stamps.
    if (!NameMatches(record.ModelInfo.szModelName, kNameCch, modelName)) return false;
#ifdef DRV_BUILD_UM
    return true;
#else
    return StampsEqual(record.awVersion, current, DATAFILE_STAMPS);
#endif
}

void TakeCommonCache(const COMMONCACHE* cache)
{
    memcpy(g_PaperTable, cache->paperTable, sizeof g_PaperTable);
    g_PaperTableCount = RowsInPaperTable(g_PaperTable);
    memcpy(g_DitherTables, cache->ditherTables, sizeof g_DitherTables);
    g_ModelTable->commonLoaded = 1;
}

#ifndef DRV_BUILD_UM

// Writes a cache whole: into a file of its own beside the cache, which then replaces the cache,
// so that a reader never sees a half-written file. A failed write leaves the old cache.
void WriteCacheFile(LPCWSTR path, const void* data, DWORD size)
{
    WCHAR temp[MAX_PATH + 32];
    if (!WBufCopy(temp, ARRAYSIZE(temp), path)) return;
    WCHAR suffix[32];
    wsprintfW(suffix, L".%lu.tmp", GetCurrentThreadId());
    if (!WBufAppend(temp, ARRAYSIZE(temp), suffix)) return;

    HANDLE file = CreateFileW(temp, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    CloseHandle(file);
    if (!ok || !MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING)) DeleteFileW(temp);
}

void BuildCommonTables()
{
    WCHAR path[MAX_PATH];
    if (DrvGetInitDataFile1(path, TRUE))
        for (WORD id = 1; id <= DITHER_TABLE_COUNT; ++id)
            LoadDitherTable(&g_DitherTables[id - 1], sizeof(DITHERTABLE), id, path);
    g_PaperTableCount = DrvGetInitDataFile2(path, TRUE) ? ReadAllPaperTable(g_PaperTable, path) : 0;
    // A row the data file gives without a plausible size would reach every job that uses it; it
    // is blanked where it stands (no paper), so that the rows after it keep their numbers and the
    // cache holds only what its readers take.
    for (PAPERINFO& row : g_PaperTable)
        if (BrokenPaperRowRule(row)) row = PAPERINFO{};
    ImportUserDefPaperList();
    ImportUserDefLongList();
}

void WriteCommonCache()
{
    WCHAR path[MAX_PATH];
    if (!GetCommonCachePath(path)) return;
    auto* cache = static_cast<COMMONCACHE*>(GlobalAlloc(GPTR, sizeof(COMMONCACHE)));
    if (!cache) return;
    cache->stampPaperFile = g_ModelTable->commonStamps[0];
    cache->stampUserFile = g_ModelTable->commonStamps[1];
    memcpy(cache->paperTable, g_PaperTable, sizeof cache->paperTable);
    memcpy(cache->ditherTables, g_DitherTables, sizeof cache->ditherTables);
    SealCache(cache);
    WriteCacheFile(path, cache, sizeof(COMMONCACHE));
    GlobalFree(cache);
}

void BuildModelRecord(LPCWSTR modelName, MODELRECORD* record)
{
    WCHAR defaultFile[MAX_PATH], customFile[MAX_PATH];
    if (!DrvGetDefaultFile(modelName, defaultFile, TRUE)) defaultFile[0] = L'\0';
    if (!DrvGetCustomFile(modelName, customFile, TRUE)) customFile[0] = L'\0';

    ReadModelInfo(&record->ModelInfo, modelName, defaultFile, customFile);
    // The default settings: the DefaultFile over the built-in image, then the CustomFile over that.
    const DWORD compression = GetCompressionCaps(modelName);
    ReadModelDefaults(record, modelName, defaultFile, &g_BuiltInModelDefaults, MODELDEFAULTS_PASS_DEFAULTFILE,
                      compression, ImportWatermarkList);
    ReadModelDefaults(record, modelName, customFile, &record->ModelDefaults, MODELDEFAULTS_PASS_CUSTOMFILE,
                      compression, ImportWatermarkList);
    ReadFontSubstTable(record->FontSubst, &record->nFontSubst, defaultFile);
    ReadUserFreeSize(record->FreeSizeLimits, defaultFile, customFile);
    ReadPaperSourceType(record->adwPaperSourceMask, defaultFile, customFile);
    record->nPaperTypeInfo = ReadAllMediatype(record->PaperTypeInfo, defaultFile, customFile);
    if (record->ModelInfo.dwCapFlags & MIF_VALCODE) ImportValCodePath();
}

void WriteModelCache(LPCWSTR modelName, const MODELRECORD* record)
{
    WCHAR path[MAX_PATH];
    if (!GetModelCachePath(modelName, path)) return;
    auto* cache = static_cast<MODELCACHE*>(GlobalAlloc(GPTR, sizeof(MODELCACHE)));
    if (!cache) return;
    memcpy(&cache->record, record, sizeof(MODELRECORD));
    SealCache(cache);
    WriteCacheFile(path, cache, sizeof(MODELCACHE));
    GlobalFree(cache);
}

// A rebuilt record starts from cleared fields, so that entries deleted from a data file do not
// survive; only the preset images, which the readers do not own, are kept.
void ClearForRebuild(MODELRECORD* record)
{
    constexpr size_t presets = offsetof(MODELRECORD, PresetInfo);
    memset(record, 0, presets);
}

#endif

void LoadCommonTables(const WORD* current)
{
    WCHAR path[MAX_PATH];
    void* buffer = nullptr;
    HANDLE file = GetCommonCachePath(path) ? CacheFileRead(path, COMMON_CACHE_BYTES, &buffer) : INVALID_HANDLE_VALUE;
    [[maybe_unused]] bool taken = false;
    if (file != INVALID_HANDLE_VALUE) {
        const auto* cache = static_cast<const COMMONCACHE*>(buffer);
        if (CommonCacheUsable(*cache, current)) {
            TakeCommonCache(cache);
            taken = true;
        }
        CacheFileClose(file, buffer);
    }
#ifndef DRV_BUILD_UM
    if (taken) return;
    g_ModelTable->commonStamps[0] = current[0];
    g_ModelTable->commonStamps[1] = current[1];
    BuildCommonTables();
    WriteCommonCache();
    g_ModelTable->commonLoaded = 1;
#endif
}

void LoadModelRecord(LPCWSTR modelName, MODELRECORD* record, const WORD* current)
{
    WCHAR path[MAX_PATH];
    void* buffer = nullptr;
    HANDLE file = GetModelCachePath(modelName, path) ? CacheFileRead(path, MODEL_CACHE_BYTES, &buffer)
                                                     : INVALID_HANDLE_VALUE;
    [[maybe_unused]] bool taken = false;
    if (file != INVALID_HANDLE_VALUE) {
        const auto* cache = static_cast<const MODELCACHE*>(buffer);
        if (ModelCacheUsable(*cache, modelName, current)) {
            memcpy(record, &cache->record, sizeof(MODELRECORD));
            record->dwLoaded = 1;
            taken = true;
        }
        CacheFileClose(file, buffer);
    }
#ifndef DRV_BUILD_UM
    if (taken) return;
    ClearForRebuild(record);
    memcpy(record->awVersion, current, sizeof(record->awVersion));
    BuildModelRecord(modelName, record);
    // Marked loaded before it is written, so that the cache holds the record exactly as the table.
    record->dwLoaded = 1;
    WriteModelCache(modelName, record);
#endif
}

}  // namespace

int DrvCompareNameNoCase(LPCWSTR a, LPCWSTR b)
{
    for (;; ++a, ++b) {
        if (*a == L'\0' || *b == L'\0') return (*a == *b) ? 0 : -1;
        const int diff = static_cast<int>(Upper(*a)) - static_cast<int>(Upper(*b));
        if (diff) return diff;
    }
}

void ReadDataFileVersions(LPCWSTR modelName, WORD stamps[DATAFILE_STAMPS])
{
    WCHAR path[MAX_PATH];
    DWORD (*const files[DATAFILE_STAMPS])(LPCWSTR, LPWSTR) = {
        [](LPCWSTR, LPWSTR out) { return DrvGetInitDataFile2(out, TRUE); },
        [](LPCWSTR, LPWSTR out) { return DrvGetInitDataFile3(out, TRUE); },
        [](LPCWSTR model, LPWSTR out) { return DrvGetDefaultFile(model, out, TRUE); },
        [](LPCWSTR model, LPWSTR out) { return DrvGetCustomFile(model, out, TRUE); },
    };
    for (int i = 0; i < DATAFILE_STAMPS; ++i) {
        // A file the master data file does not name has no stamp: 0, as a file without one.
        const bool named = (i < 2 || modelName) && files[i](modelName, path) != 0;
        stamps[i] = named ? static_cast<WORD>(DrvReadIniInt(L"VERSION", L"Ver", 0, path)) : 0;
    }
}

BOOL GetCommonCachePath(LPWSTR out, size_t cchOut)
{
    WCHAR value[MAX_PATH], stem[MAX_PATH];
    if (!DrvGetDataFileValuePath(L"Common", L"InitDataFile1", value, FALSE) || !CacheStem(value, stem, MAX_PATH))
        return FALSE;
    return CachePath(stem, nullptr, out, cchOut);
}

BOOL GetModelCachePath(LPCWSTR modelName, LPWSTR out, size_t cchOut)
{
    // Each model has a cache of its own, even where models share a DefaultFile: the stem of the
    // DefaultFile followed by the model name.
    WCHAR value[MAX_PATH], stem[MAX_PATH], name[kNameCch + 1] = L"_";
    if (!modelName || !*modelName || !DrvGetDefaultFile(modelName, value, FALSE) || !CacheStem(value, stem, MAX_PATH))
        return FALSE;
    FileNamePart(modelName, name + 1, kNameCch);
    return CachePath(stem, name, out, cchOut);
}

void SealCache(COMMONCACHE* cache)
{
    cache->size = COMMON_CACHE_BYTES;
    cache->checksum = ChecksumOf(*cache);
}

void SealCache(MODELCACHE* cache)
{
    cache->size = MODEL_CACHE_BYTES;
    cache->checksum = ChecksumOf(*cache);
}

HANDLE CacheFileRead(LPCWSTR path, DWORD size, void** buffer)
{
    *buffer = nullptr;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    HGLOBAL block = GlobalAlloc(GHND, size);
    void* data = block ? GlobalLock(block) : nullptr;
    DWORD got = 0;
    if (data && size >= sizeof(DWORD) && ReadFile(file, data, size, &got, nullptr) && got == size &&
        *static_cast<const DWORD*>(data) == size) {
        *buffer = data;
        return file;
    }
    if (data) GlobalUnlock(block);
    if (block) GlobalFree(block);
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

void CacheFileClose(HANDLE file, void* buffer)
{
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (buffer) {
        HGLOBAL block = GlobalHandle(buffer);
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

BOOL DrvLoadModel(LPCWSTR modelName, WORD* stamps, BOOL force)
{
    if (!modelName || !*modelName) return 0;
    EnterCriticalSection(&g_DllLock);
    MODELRECORD* record = FindRecord(modelName);
    if (!record) record = TakeEmptyRecord();
    BOOL changed = 0;
    if (record) {
        WORD current[DATAFILE_STAMPS];
        ReadDataFileVersions(modelName, current);
        if (!g_ModelTable->commonLoaded || record->awVersion[0] != current[0] || record->awVersion[1] != current[1] ||
            force)
            LoadCommonTables(current);
        if (!record->dwLoaded || record->awVersion[2] != current[2] || record->awVersion[3] != current[3] || force)
            LoadModelRecord(modelName, record, current);
        if (stamps) {
            changed = StampsEqual(stamps, record->awVersion, DATAFILE_STAMPS) ? 0 : 1;
            memcpy(stamps, record->awVersion, sizeof(record->awVersion));
            stamps[4] = stamps[5] = 0;
        }
    }
    LeaveCriticalSection(&g_DllLock);
    return changed;
}

BOOL DrvRefreshModel(LPCWSTR modelName, WORD* stamps)
{
    return DrvLoadModel(modelName, stamps, 0);
}

MODELRECORD* DrvFindModelRecord(LPCWSTR modelName)
{
    return FindRecord(modelName);
}

MODELDEFAULTS* DrvFindModelDefaults(LPCWSTR modelName)
{
    if (!modelName || !*modelName || !g_ModelTable) return nullptr;
    constexpr size_t cch = sizeof(MODELDEFAULTS::szModelName) / sizeof(WCHAR);
    for (SHORT i = 0; i < g_ModelTable->count; ++i) {
        MODELDEFAULTS* defaults = &g_ModelTable->records[i]->ModelDefaults;
        if (defaults->szModelName[0] && NameMatches(defaults->szModelName, cch, modelName)) return defaults;
    }
    return nullptr;
}

void DrvFreeModelTable()
{
    EnterCriticalSection(&g_DllLock);
    if (g_ModelTable) {
        for (SHORT i = 0; i < g_ModelTable->count; ++i) GlobalFree(g_ModelTable->records[i]);
        if (g_ModelTable->records) GlobalFree(g_ModelTable->records);
        GlobalFree(g_ModelTable);
        g_ModelTable = nullptr;
    }
    LeaveCriticalSection(&g_DllLock);
}

int DrvModelTableCount()
{
    return g_ModelTable ? g_ModelTable->count : 0;
}
