// CRC-32 as zip and PNG use it (reflected polynomial 0xEDB88320, initial value and final XOR
// 0xFFFFFFFF), the checksum the cache files carry.
#pragma once
#include <windows.h>

#include <cstddef>

// The CRC-32 of size bytes at data (0 for no bytes).
DWORD Crc32(const void* data, size_t size);
