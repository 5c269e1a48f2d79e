// Colour-matching tables carried inside the driver DEVMODE (bCcmNtTable/wCcmNtLength and
// bCcmNvTable/wCcmNvLength), so that the rendering library can send them to the printer without
// reading any file.
//
// A table holds at most CCM_TABLE_BYTES data bytes. When it holds fewer, the byte after the data
// is its check byte (CcmAppendChecksum); the length words count the data bytes only, and 0 means
// no table.
#ifndef CCM_TABLES_H
#define CCM_TABLES_H

#include <windows.h>

#include <cstddef>

struct DRVDEVMODE;
struct DRVEXTRA;

// Data bytes of a table field.
constexpr size_t CCM_TABLE_BYTES = 256;

// Fills the tables for the record's colour settings: with colour output and a colour mode set,
// from the model's table files (wColorAdjust 1) or the CCM info file (wColorAdjust 3); in every
// other case both lengths become 0 and the result is TRUE.
BOOL CcmLoadTables(DRVDEVMODE* dm);

// Reads the NT and NV table files that the model's [COLORMATCHING] keys name for the colour-
// matching choice wColorAdjustOpt, from the driver folder: at most CCM_TABLE_BYTES bytes each.
// A file that cannot be opened or read gives its table the length 0. TRUE when both tables were
// loaded.
BOOL CcmLoadTablesFromFiles(DRVEXTRA* extra);

// Reads the tables from the model's CCM info file: section "Color" (wCcmSection 0) or "Gamma"
// (1), keys "CCMNT<id>" and "CCMNV<id>" with id wCcmSettingId in decimal, each value one pair of
// hexadecimal digits a byte. A missing or undecodable NT value sets wCcmNtLength to 0 and leaves
// the NV table as it is; a missing or undecodable NV value then sets wCcmNvLength to 0. TRUE when
// both tables were loaded.
BOOL CcmLoadTablesFromIni(DRVEXTRA* extra);

// Writes the check byte of the n data bytes at buffer[n]: 0x55 minus their sum, modulo 256, so
// that the n + 1 bytes sum to 0x55. buffer holds at least n + 1 bytes.
void CcmAppendChecksum(BYTE* buffer, size_t n);

#endif  // CCM_TABLES_H
