// CRC-32, computed a byte at a time from a table made at compile time.
#include "crc32.h"

#include <array>

namespace {

constexpr DWORD kPolynomial = 0xEDB88320u;

constexpr std::array<DWORD, 256> MakeTable()
{
    std::array<DWORD, 256> table{};
    for (DWORD n = 0; n < 256; ++n) {
        DWORD c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<DWORD, 256> kTable = MakeTable();

}  // namespace

DWORD Crc32(const void* data, size_t size)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    DWORD crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = kTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}
