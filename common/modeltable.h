// The process-wide model table and the two cache files that hand the parsed model data from the
// user-interface library to the rendering library.
#pragma once
#include <windows.h>

#include <cstddef>

#include "modelrecord.h"
#include "papertables.h"

// A caller's stamp buffer: the four data-file stamps (paper file, user file, DefaultFile,
// CustomFile) followed by two words the refresh sets to 0.
constexpr int MODEL_STAMP_WORDS = 6;
constexpr int DATAFILE_STAMPS = 4;

// The two cache files. Each is written whole by the user-interface library and ends in the CRC-32
// of every byte before it, so that a cache damaged on disk or cut short is told from one written
// whole; its first word is its size, so a cache of another layout is told apart by that alone.

// The common cache: paper table and dither tables, under the stamps of the two common files.
struct COMMONCACHE {
    DWORD size;  // always COMMON_CACHE_BYTES
    WORD stampPaperFile;
    WORD stampUserFile;
    PAPERINFO paperTable[PAPER_TABLE_ROWS];
    DITHERTABLE ditherTables[DITHER_TABLE_COUNT];
    DWORD checksum;  // CRC-32 of the bytes before it
};
constexpr DWORD COMMON_CACHE_BYTES = 13336;
static_assert(sizeof(COMMONCACHE) == COMMON_CACHE_BYTES);
static_assert(offsetof(COMMONCACHE, stampPaperFile) == 4);
static_assert(offsetof(COMMONCACHE, stampUserFile) == 6);
static_assert(offsetof(COMMONCACHE, paperTable) == 8);
static_assert(offsetof(COMMONCACHE, ditherTables) == 11784);
static_assert(offsetof(COMMONCACHE, checksum) == 13332);

// The model cache: one model record as held in the table.
struct MODELCACHE {
    DWORD size;  // always MODEL_CACHE_BYTES
    MODELRECORD record;
    DWORD checksum;  // CRC-32 of the bytes before it
};
constexpr DWORD MODEL_CACHE_BYTES = 17952;
static_assert(sizeof(MODELCACHE) == MODEL_CACHE_BYTES);
static_assert(offsetof(MODELCACHE, record) == 4);
static_assert(offsetof(MODELCACHE, record.awVersion) == 8);
static_assert(offsetof(MODELCACHE, checksum) == 17948);

// Set a cache's size word and its checksum over what it holds, as it is to be written.
void SealCache(COMMONCACHE* cache);
void SealCache(MODELCACHE* cache);

// Makes sure the model's record is in the table and loaded, and the common tables too: from the
// caches when they are intact (checksum), hold the rules of cache_rules.h and are current, else
// (user-interface library) built from the data files and cached. The rendering library takes an
// intact cache that holds the rules whatever its stamps and never builds: without a usable
// common cache its tables stay as they were (empty in a new process, so that no paper is found),
// and a model without a usable model cache is not found. With stamps (MODEL_STAMP_WORDS words),
// returns 1 when its first four words differed from the record's stamps, then copies them in and
// clears the last two; without, returns 0. force reloads the record and the common tables
// whatever their stamps.
BOOL DrvLoadModel(LPCWSTR modelName, WORD* stamps, BOOL force);
BOOL DrvRefreshModel(LPCWSTR modelName, WORD* stamps);

// The model's record or its default settings in the table, or NULL. Neither locks nor loads.
MODELRECORD* DrvFindModelRecord(LPCWSTR modelName);
MODELDEFAULTS* DrvFindModelDefaults(LPCWSTR modelName);

// 0 when a and b are equal after mapping 'a'..'z' to 'A'..'Z' (no other folding); -1 when one
// ends before the other; else the difference of the first mapped characters that differ.
int DrvCompareNameNoCase(LPCWSTR a, LPCWSTR b);

// The current stamps of the model's four data files ([VERSION] Ver, 0 when missing).
void ReadDataFileVersions(LPCWSTR modelName, WORD stamps[DATAFILE_STAMPS]);

// Paths of the caches in the machine-wide data folder. FALSE (out untouched) when the master
// data file does not name the file the cache is named after, or the path would not fit.
BOOL GetCommonCachePath(LPWSTR out, size_t cchOut = MAX_PATH);
BOOL GetModelCachePath(LPCWSTR modelName, LPWSTR out, size_t cchOut = MAX_PATH);

// Opens a cache file and reads size bytes into a new locked global block. Returns the open file
// when the file held that many bytes and its first word is that size; else INVALID_HANDLE_VALUE
// with *buffer NULL. CacheFileClose closes the file and frees the block.
HANDLE CacheFileRead(LPCWSTR path, DWORD size, void** buffer);
void CacheFileClose(HANDLE file, void* buffer);

// Frees the whole table (process detach, printer upgrade, driver disable). Pointers into it
// become invalid.
void DrvFreeModelTable();

// The number of records in the table (for diagnostics and tests).
int DrvModelTableCount();
