// Helpers of the engine tests: the bitmap formats and a reader of pixels through a SURFOBJ.
#pragma once
#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>

#include "enghost.h"

struct EngFormat {
    ULONG format;
    ULONG bpp;
    const char* name;
};

inline constexpr EngFormat kEngFormats[] = {
    {BMF_1BPP, 1, "1bpp"},   {BMF_4BPP, 4, "4bpp"},   {BMF_8BPP, 8, "8bpp"},
    {BMF_16BPP, 16, "16bpp"}, {BMF_24BPP, 24, "24bpp"}, {BMF_32BPP, 32, "32bpp"},
};

// Bytes of one scan line's pixels, without padding.
inline size_t RowBytes(LONG width, ULONG bpp) { return (static_cast<size_t>(width) * bpp + 7) / 8; }

// The pixel (colour index) at x, y of a scan line layout: scan0 is the top line, delta the step
// to the line below. 1 and 4 bpp pixels are packed from the high bits; wider ones little-endian.
inline ULONG PixelAt(const void* scan0, ptrdiff_t delta, ULONG bpp, LONG x, LONG y)
{
    const uint8_t* row = static_cast<const uint8_t*>(scan0) + static_cast<ptrdiff_t>(y) * delta;
    switch (bpp) {
    case 1: return (row[x / 8] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0xFu;
    default: {
        ULONG value = 0;
        const size_t bytes = bpp / 8;
        for (size_t i = 0; i < bytes; ++i)
            value |= static_cast<ULONG>(row[static_cast<size_t>(x) * bytes + i]) << (8 * i);
        return value;
    }
    }
}

inline ULONG PixelAt(const SURFOBJ* so, ULONG bpp, LONG x, LONG y)
{
    return PixelAt(so->pvScan0, so->lDelta, bpp, x, y);
}

// The colour index bits a format keeps (the low bpp bits).
inline ULONG PixelMask(ULONG bpp) { return bpp >= 32 ? 0xFFFFFFFFu : (1u << bpp) - 1; }

inline HSURF AsSurface(HBITMAP bitmap) { return reinterpret_cast<HSURF>(bitmap); }
