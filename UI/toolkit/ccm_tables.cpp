// The colour-matching tables of the DEVMODE: loading them from the model's table files or the
// CCM info file, and their check byte.
#include "ccm_tables.h"

#include <cstring>

#include "capfile.h"
#include "datafiles.h"
#include "devmode.h"
#include "textutil.h"
#include "wstrbuf.h"

namespace {

// A value of the CCM info file is read into a buffer of this many characters.
constexpr DWORD kCcmValueCch = 1024;

// A table's data bytes with room for the check byte.
using TableBuffer = BYTE[CCM_TABLE_BYTES + 1];

// Stores n data bytes into a table field, followed by their check byte when they leave room.
void StoreTable(TableBuffer data, size_t n, BYTE (&table)[CCM_TABLE_BYTES], WORD& length)
{
    CcmAppendChecksum(data, n);
    memcpy(table, data, n < CCM_TABLE_BYTES ? n + 1 : CCM_TABLE_BYTES);
    length = static_cast<WORD>(n);
}

// The model name of the record, terminated even when the record's field is not.
void ModelNameOf(const DRVEXTRA* extra, WCHAR (&name)[DRV_MODELNAME_CCH])
{
    memcpy(name, extra->szModelName, sizeof(name));
    name[DRV_MODELNAME_CCH - 1] = L'\0';
}

// Reads at most CCM_TABLE_BYTES bytes of the file folder + name into data. Returns the count, or
// 0 when there is no name, the path does not fit or the file cannot be opened or read.
size_t ReadTableFile(LPCWSTR folder, LPCWSTR name, TableBuffer data)
{
    if (!name[0]) return 0;
    WCHAR path[MAX_PATH];
    if (!WBufCopy(path, MAX_PATH, folder) || !WBufAppend(path, MAX_PATH, name)) return 0;
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    size_t total = 0;
    while (total < CCM_TABLE_BYTES) {
        DWORD got = 0;
        if (!ReadFile(file, data + total, static_cast<DWORD>(CCM_TABLE_BYTES - total), &got, nullptr)) {
            total = 0;  // a read error loads no table rather than part of one
            break;
        }
        if (got == 0) break;
        total += got;
    }
    CloseHandle(file);
    return total;
}

int HexDigitValue(WCHAR c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// Reads key prefix + id from section of file and decodes its digit pairs into data. Returns the
// number of bytes, or 0 when the value is empty, is not whole pairs of hexadecimal digits, or
// encodes more bytes than a table holds.
size_t ReadTableValue(LPCWSTR file, LPCWSTR section, LPCWSTR prefix, WORD id, TableBuffer data)
{
    if (!file[0] || !section) return 0;
    WCHAR digits[INTTOWSTR_CCH];
    IntToWStr(id, digits);
    WCHAR key[32];
    if (!WBufCopy(key, 32, prefix) || !WBufAppend(key, 32, digits)) return 0;

    WCHAR value[kCcmValueCch];
    const DWORD cch = GetPrivateProfileStringW(section, key, L"", value, kCcmValueCch, file);
    // A value that fills the buffer may have been cut: half a table is never used.
    if (cch == 0 || cch >= kCcmValueCch - 1) return 0;
    // A value encoding more bytes than the table field holds is refused whole rather than cut
    // to the first CCM_TABLE_BYTES bytes: a cut table is not the one the value describes.
    if (cch % 2 != 0 || cch / 2 > CCM_TABLE_BYTES) return 0;
    for (DWORD i = 0; i < cch; i += 2) {
        const int high = HexDigitValue(value[i]);
        const int low = HexDigitValue(value[i + 1]);
        if (high < 0 || low < 0) return 0;
        data[i / 2] = static_cast<BYTE>(high << 4 | low);
    }
    return cch / 2;
}

}  // namespace

void CcmAppendChecksum(BYTE* buffer, size_t n)
{
    if (!buffer) return;
    BYTE sum = 0;
    for (size_t i = 0; i < n; ++i) sum = static_cast<BYTE>(sum + buffer[i]);
    buffer[n] = static_cast<BYTE>(0x55 - sum);
}

BOOL CcmLoadTablesFromFiles(DRVEXTRA* extra)
{
    if (!extra) return FALSE;
    WCHAR model[DRV_MODELNAME_CCH];
    ModelNameOf(extra, model);
    WCHAR ntName[MAX_PATH] = L"", nvName[MAX_PATH] = L"";
    ReadColorMatchingTable(model, extra->wColorAdjustOpt, ntName, nvName, MAX_PATH);

    WCHAR folder[MAX_PATH];
    if (DrvGetDriverFolder(folder, MAX_PATH) == 0) folder[0] = L'\0';

    TableBuffer data;
    size_t n = folder[0] ? ReadTableFile(folder, ntName, data) : 0;
    if (n) StoreTable(data, n, extra->bCcmNtTable, extra->wCcmNtLength);
    else extra->wCcmNtLength = 0;
    n = folder[0] ? ReadTableFile(folder, nvName, data) : 0;
    if (n) StoreTable(data, n, extra->bCcmNvTable, extra->wCcmNvLength);
    else extra->wCcmNvLength = 0;
    return extra->wCcmNtLength != 0 && extra->wCcmNvLength != 0;
}

BOOL CcmLoadTablesFromIni(DRVEXTRA* extra)
{
    if (!extra) return FALSE;
    WCHAR model[DRV_MODELNAME_CCH];
    ModelNameOf(extra, model);
    WCHAR file[MAX_PATH];
    GetCcmInfoFilePathByRegistry(model, file, TRUE, MAX_PATH);
    // Only the two sections exist; another number names neither and reads as a missing value.
    const LPCWSTR section = extra->wCcmSection == 0 ? L"Color" : extra->wCcmSection == 1 ? L"Gamma" : nullptr;

    TableBuffer data;
    size_t n = ReadTableValue(file, section, L"CCMNT", extra->wCcmSettingId, data);
    if (n == 0) {
        extra->wCcmNtLength = 0;
        return FALSE;
    }
    StoreTable(data, n, extra->bCcmNtTable, extra->wCcmNtLength);
    n = ReadTableValue(file, section, L"CCMNV", extra->wCcmSettingId, data);
    if (n == 0) {
        extra->wCcmNvLength = 0;
        return FALSE;
    }
    StoreTable(data, n, extra->bCcmNvTable, extra->wCcmNvLength);
    return TRUE;
}

BOOL CcmLoadTables(DRVDEVMODE* dm)
{
    if (!dm) return FALSE;
    DRVEXTRA& extra = dm->dmPrivate;
    if (extra.wColor != 0 && extra.wColorMode == 1) {
        if (extra.wColorAdjust == 1) return CcmLoadTablesFromFiles(&extra);
        if (extra.wColorAdjust == 3) return CcmLoadTablesFromIni(&extra);
    }
    extra.wCcmNtLength = 0;
    extra.wCcmNvLength = 0;
    return TRUE;
}
