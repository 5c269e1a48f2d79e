// The checksum of the cache files: CRC-32 as zip and PNG compute it.
#include <gtest/gtest.h>

#include <string>

#include "crc32.h"

namespace {

TEST(Crc32, KnownChecksums)
{
    const struct {
        std::string bytes;
        DWORD crc;
    } cases[] = {
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string(4, '\0'), 0x2144DF1Cu},
        {std::string(1, '\xFF'), 0xFF000000u},
    };
    for (const auto& c : cases) EXPECT_EQ(Crc32(c.bytes.data(), c.bytes.size()), c.crc) << c.bytes;
}

}  // namespace
