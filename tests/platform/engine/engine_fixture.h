// Helpers of the engine's object and drawing tests: engine bitmaps and reference DIBs, regions, and
// an engine device whose driver functions the test gives.
#pragma once
#include <windows.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <vector>

#include "enghost.h"

namespace engine_test {

inline ULONG FormatBits(ULONG format)
{
    switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    default: return 32;
    }
}

// An engine bitmap with its bits in the engine's DIB section, locked while it lives.
class EngBitmap {
public:
    EngBitmap(LONG width, LONG height, ULONG format, FLONG fl = BMF_TOPDOWN)
        : handle_(reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{width, height}, 0, format, fl, nullptr))),
          so_(handle_ ? EngLockSurface(handle_) : nullptr)
    {
    }
    // An engine bitmap over memory the test holds (rows lWidth bytes apart).
    EngBitmap(LONG width, LONG height, ULONG format, LONG lWidth, void* bits)
        : handle_(reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{width, height}, lWidth, format, BMF_TOPDOWN, bits))),
          so_(handle_ ? EngLockSurface(handle_) : nullptr)
    {
    }
    ~EngBitmap()
    {
        if (so_)
            EngUnlockSurface(so_);
        if (handle_)
            EngDeleteSurface(handle_);
    }
    EngBitmap(const EngBitmap&) = delete;
    EngBitmap& operator=(const EngBitmap&) = delete;

    HSURF handle() const { return handle_; }
    SURFOBJ* so() const { return so_; }
    ULONG Pixel(LONG x, LONG y) const
    {
        GdiFlush();
        const auto* row = static_cast<const uint8_t*>(so_->pvScan0) + static_cast<ptrdiff_t>(y) * so_->lDelta;
        const ULONG bpp = FormatBits(so_->iBitmapFormat);
        switch (bpp) {
        case 1: return (row[x / 8] >> (7 - (x & 7))) & 1u;
        case 4: return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0xFu;
        default: {
            ULONG v = 0;
            for (ULONG i = 0; i < bpp / 8; ++i)
                v |= static_cast<ULONG>(row[static_cast<size_t>(x) * (bpp / 8) + i]) << (8 * i);
            return v;
        }
        }
    }
    void Set(LONG x, LONG y, ULONG value)
    {
        GdiFlush();
        auto* row = static_cast<uint8_t*>(so_->pvScan0) + static_cast<ptrdiff_t>(y) * so_->lDelta;
        const ULONG bpp = FormatBits(so_->iBitmapFormat);
        if (bpp == 1) {
            const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
            row[x / 8] = static_cast<uint8_t>((value & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit));
        } else if (bpp == 4) {
            const unsigned shift = (x & 1) ? 0 : 4;
            row[x / 2] = static_cast<uint8_t>((row[x / 2] & ~(0xFu << shift)) | ((value & 0xFu) << shift));
        } else {
            for (ULONG i = 0; i < bpp / 8; ++i)
                row[static_cast<size_t>(x) * (bpp / 8) + i] = static_cast<uint8_t>(value >> (8 * i));
        }
        HostEngSurfaceChanged(handle_);
    }

private:
    HSURF handle_;
    SURFOBJ* so_;
};

// A logical font of a face in device pixels, drawn without anti-aliasing.
inline LOGFONTW Logical(const wchar_t* face, LONG height, LONG escapement = 0, LONG weight = FW_NORMAL)
{
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfEscapement = lf.lfOrientation = escapement;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

inline HRGN RegionOf(std::initializer_list<RECT> rects)
{
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN piece = CreateRectRgnIndirect(&r);
        CombineRgn(region, region, piece, RGN_OR);
        DeleteObject(piece);
    }
    return region;
}

// An engine device whose PDEV is a value of the test and whose driver functions the test gives.
class EngDevice {
public:
    explicit EngDevice(std::vector<DRVFN> functions = {}) : hdev_(HostEngCreateDevice(reinterpret_cast<DHPDEV>(&pdev_)))
    {
        if (hdev_)
            HostEngSetDeviceDriver(hdev_, static_cast<ULONG>(functions.size()), functions.data());
    }
    ~EngDevice()
    {
        if (hdev_)
            HostEngDeleteDevice(hdev_);
    }
    EngDevice(const EngDevice&) = delete;
    EngDevice& operator=(const EngDevice&) = delete;

    HDEV hdev() const { return hdev_; }
    DHPDEV dhpdev() const { return reinterpret_cast<DHPDEV>(const_cast<int*>(&pdev_)); }

private:
    int pdev_ = 0;
    HDEV hdev_;
};

template <class Fn>
DRVFN Function(ULONG index, Fn fn)
{
    return DRVFN{index, reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(fn))};
}

}  // namespace engine_test
