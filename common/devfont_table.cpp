// The device-font table of the printer's data file: loading, checking, fixing up and freeing.
#include "devfont_table.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "datafiles.h"

namespace {

// Frees a block of GlobalAlloc; NULL is allowed.
void FreeBlock(const void* block)
{
    if (block) GlobalFree(const_cast<void*>(block));
}

// A zero-filled fixed block of at least one byte (an empty table still gets a block).
void* AllocBlock(size_t bytes)
{
    return GlobalAlloc(GPTR, bytes ? bytes : 1);
}

// Reads the file record index of a table resource's rest. The caller has checked that it lies
// inside the rest; the resource may be unaligned, so the record is copied byte for byte.
DEVICEFONTRES RecordAt(const BYTE* rest, DWORD index)
{
    DEVICEFONTRES rec;
    std::memcpy(&rec, rest + static_cast<size_t>(index) * sizeof(DEVICEFONTRES), sizeof rec);
    return rec;
}

// A name must start at an even offset inside the rest and end with a terminator inside it.
bool NameInside(const BYTE* rest, DWORD restSize, DWORD offset)
{
    if (offset % 2 != 0 || offset >= restSize) return false;
    for (DWORD at = offset; restSize - at >= 2; at += 2) {
        if (rest[at] == 0 && rest[at + 1] == 0) return true;
    }
    return false;
}

// A width table (16-bit values) must start at an even offset with at least one value inside
// the rest.
bool WidthTableInside(DWORD restSize, DWORD offset)
{
    return offset % 2 == 0 && restSize >= 2 && offset <= restSize - 2;
}

// Checks a table resource as a whole: the header, the size word against the resource's size,
// the records against the rest, and every record's name and width table against the rest.
// A damaged record refuses the table even when the record would be dropped.
bool CheckTable(const BYTE* data, DWORD size, DEVFONTTABLEHDR* hdr)
{
    if (!data || size < sizeof(DEVFONTTABLEHDR)) return false;
    std::memcpy(hdr, data, sizeof *hdr);
    if (static_cast<uint64_t>(hdr->dwSize) + sizeof(DEVFONTTABLEHDR) != size) return false;
    if (hdr->dwCount > hdr->dwSize / sizeof(DEVICEFONTRES)) return false;
    const BYTE* rest = data + sizeof(DEVFONTTABLEHDR);
    for (DWORD i = 0; i < hdr->dwCount; ++i) {
        const DEVICEFONTRES rec = RecordAt(rest, i);
        if (!NameInside(rest, hdr->dwSize, rec.dwNameOffset)) return false;
        if (rec.dwHasWidthTable && !WidthTableInside(hdr->dwSize, rec.dwWidthTableOffset)) return false;
    }
    return true;
}

// The first of the model's substitutions whose device-font name equals name, ignoring case.
// An entry whose name lacks its terminator is passed over.
const FONTSUBST* FindSubstitution(const MODELRECORD* model, LPCWSTR name)
{
    if (!model) return nullptr;
    const WORD slots = model->nFontSubst < FONTSUBST_SLOTS ? model->nFontSubst : FONTSUBST_SLOTS;
    for (WORD i = 0; i < slots; ++i) {
        const FONTSUBST& entry = model->FontSubst[i];
        if (!std::wmemchr(entry.szDeviceName, L'\0', FONTSUBST_NAME_CCH)) continue;
        if (lstrcmpiW(entry.szDeviceName, name) == 0) return &entry;
    }
    return nullptr;
}

// Checks and copies a table resource into one block: the loaded records (the kept ones, in
// the order of the resource) followed by a copy of the rest, into which their names and width
// tables point. With dropJapanese the records of code page 932 are left out. Returns the
// records (the block) and their number, or NULL.
DEVICEFONTREC* CopyTable(const void* resource, DWORD size, bool dropJapanese, const MODELRECORD* model,
                         DWORD* countOut)
{
    *countOut = 0;
    const BYTE* data = static_cast<const BYTE*>(resource);
    DEVFONTTABLEHDR hdr;
    if (!CheckTable(data, size, &hdr)) return nullptr;
    const BYTE* rest = data + sizeof hdr;

    DWORD kept = 0;
    for (DWORD i = 0; i < hdr.dwCount; ++i) {
        if (!(dropJapanese && RecordAt(rest, i).wCodePage == DEVFONT_JAPANESE_CODEPAGE)) ++kept;
    }
    // kept <= dwSize / 52, so the records take no more than a few times the rest.
    const size_t recordBytes = static_cast<size_t>(kept) * sizeof(DEVICEFONTREC);
    if (recordBytes > SIZE_MAX - hdr.dwSize) return nullptr;
    BYTE* block = static_cast<BYTE*>(AllocBlock(recordBytes + hdr.dwSize));
    if (!block) return nullptr;
    // The copy starts at a multiple of the record size, so the names (even offsets) and width
    // tables in it are aligned for their 16-bit values.
    BYTE* copy = block + recordBytes;
    if (hdr.dwSize) std::memcpy(copy, rest, hdr.dwSize);

    auto* records = reinterpret_cast<DEVICEFONTREC*>(block);
    DWORD next = 0;
    for (DWORD i = 0; i < hdr.dwCount; ++i) {
        const DEVICEFONTRES rec = RecordAt(rest, i);
        if (dropJapanese && rec.wCodePage == DEVFONT_JAPANESE_CODEPAGE) continue;
        DEVICEFONTREC& out = records[next++];
        out.pszName = reinterpret_cast<LPCWSTR>(copy + rec.dwNameOffset);
        std::memcpy(out.reserved4, rec.reserved4, sizeof out.reserved4);
        out.wType = rec.wType;
        out.wFontResId = rec.wFontResId;
        out.wCodePage = rec.wCodePage;
        std::memcpy(out.reserved12, rec.reserved12, sizeof out.reserved12);
        out.wFlags = rec.wFlags;
        std::memcpy(out.reserved18, rec.reserved18, sizeof out.reserved18);
        out.pSubst = FindSubstitution(model, out.pszName);
        out.pFontData = nullptr;
        out.pWidthTable = rec.dwHasWidthTable ? reinterpret_cast<const WORD*>(copy + rec.dwWidthTableOffset) : nullptr;
        out.dwHasWidthTable = rec.dwHasWidthTable;
        std::memcpy(out.reserved36, rec.reserved36, sizeof out.reserved36);
    }
    *countOut = kept;
    return records;
}

#ifdef DRV_BUILD_UM
// Copies each record's own resource (when the data file has it with a nonzero size) into a
// block of its own. FALSE when a block cannot be allocated; the copies made so far stay in
// the table for FreeDeviceFontTable.
BOOL CopyFontData(DEVICEFONTTABLE* table, HMODULE library)
{
    table->pdwFontDataSize = static_cast<DWORD*>(AllocBlock(static_cast<size_t>(table->dwCount) * sizeof(DWORD)));
    if (!table->pdwFontDataSize) return FALSE;
    for (DWORD i = 0; i < table->dwCount; ++i) {
        DEVICEFONTREC& rec = table->pRecords[i];
        DWORD size = 0;
        const void* data = FindResourceData(library, MAKEINTRESOURCEW(rec.wFontResId),
                                            MAKEINTRESOURCEW(DEVFONT_DATA_TYPE), &size);
        if (!data || size == 0) continue;
        void* copy = AllocBlock(size);
        if (!copy) return FALSE;
        std::memcpy(copy, data, size);
        rec.pFontData = copy;
        table->pdwFontDataSize[i] = size;
    }
    return TRUE;
}
#endif

}  // namespace

const void* FindResourceData(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD* size)
{
    if (size) *size = 0;
    // Resource ids start at 1: MAKEINTRESOURCE(0) is NULL and names nothing.
    if (!module || !name || !type) return nullptr;
    HRSRC resource = FindResourceW(module, name, type);
    if (!resource) return nullptr;
    HGLOBAL handle = LoadResource(module, resource);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data) return nullptr;
    if (size) *size = SizeofResource(module, resource);
    return data;
}

DEVICEFONTTABLE* LoadDeviceFontTable(HANDLE printer, const MODELRECORD* model)
{
    auto* table = static_cast<DEVICEFONTTABLE*>(AllocBlock(sizeof(DEVICEFONTTABLE)));
    if (!table) return nullptr;
    WCHAR path[MAX_PATH];
    GetPrinterDataFilePath(printer, path, MAX_PATH);
    // The data file holds resources only: map it as data, run none of its code.
    HMODULE library = path[0] ? LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr;
    if (!library) {
        FreeBlock(table);
        return nullptr;
    }

    BOOL loaded = FALSE;
    DWORD size = 0;
    const void* data = FindResourceData(library, MAKEINTRESOURCEW(DEVFONT_TABLE_ID),
                                        MAKEINTRESOURCEW(DEVFONT_TABLE_TYPE), &size);
    if (data) {
        const bool dropJapanese = GetACP() != DEVFONT_JAPANESE_CODEPAGE;
        table->pRecords = CopyTable(data, size, dropJapanese, model, &table->dwCount);
        loaded = table->pRecords != nullptr;
    }
#ifdef DRV_BUILD_UM
    // The rendering library also needs each font's own data and the table of hidden fonts.
    if (loaded) loaded = CopyFontData(table, library);
    if (loaded) {
        data = FindResourceData(library, MAKEINTRESOURCEW(DEVFONT_HIDDEN_ID),
                                MAKEINTRESOURCEW(DEVFONT_HIDDEN_TYPE), &size);
        table->pAuxRecords = data ? CopyTable(data, size, false, model, &table->dwAuxCount) : nullptr;
        loaded = table->pAuxRecords != nullptr;
    }
#endif
    FreeLibrary(library);
    if (!loaded) {
        FreeDeviceFontTable(table);
        return nullptr;
    }
    return table;
}

void FreeDeviceFontTable(DEVICEFONTTABLE* table)
{
    if (!table) return;
#ifdef DRV_BUILD_UM
    if (table->pRecords) {
        for (DWORD i = 0; i < table->dwCount; ++i) FreeBlock(table->pRecords[i].pFontData);
    }
    FreeBlock(table->pdwFontDataSize);
    FreeBlock(table->pAuxRecords);
#endif
    FreeBlock(table->pRecords);
    FreeBlock(table);
}

DWORD GetDeviceFontCount(const DEVICEFONTTABLE* table)
{
    return table ? table->dwCount : 0;
}

DEVICEFONTREC* GetDeviceFontRecords(const DEVICEFONTTABLE* table)
{
    return table ? table->pRecords : nullptr;
}

#ifdef DRV_BUILD_UM
DWORD GetDeviceFontDataSize(const DEVICEFONTTABLE* table, DWORD index)
{
    if (!table || !table->pdwFontDataSize || index >= table->dwCount) return 0;
    return table->pdwFontDataSize[index];
}
#endif
