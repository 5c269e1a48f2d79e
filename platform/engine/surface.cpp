// Surfaces: engine bitmaps (bits in a DIB section of the engine's, or the driver's own memory),
// device surfaces without bits, their association with an engine device, locking, erasing and
// deletion.
#include "enghost.h"
#include "engine_objects.h"

#include <algorithm>
#include <cstring>
#include <new>

using namespace drveng;

Surface::~Surface()
{
    if (dib)
        DeleteObject(dib);
}

ULONG drveng::BitsPerPixel(ULONG format)
{
    switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
    }
}

HBITMAP drveng::CreateSurfaceDib(LONG width, LONG height, ULONG bpp, bool topDown, void** bits)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = topDown ? -height : height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bpp);
    info.header.biCompression = BI_RGB;
    if (bpp <= 8) {
        const unsigned entries = 1u << bpp;
        info.header.biClrUsed = entries;
        for (unsigned i = 0; i < entries; ++i) {
            const BYTE level = static_cast<BYTE>(i * 255 / (entries - 1));
            info.colors[i] = RGBQUAD{level, level, level, 0};
        }
    }
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits,
                            nullptr, 0);
}

namespace {

uintptr_t InsertSurface(std::unique_ptr<Surface> surface)
{
    Surface* raw = surface.get();
    EngineLock lock;
    const uintptr_t handle = InsertObject(std::move(surface));
    if (handle)
        raw->so.hsurf = reinterpret_cast<HSURF>(handle);
    return handle;
}

// Frees a surface that was deleted while locked or pinned once nothing holds it any more.
// Requires the engine lock; the caller destroys the returned object after releasing it.
std::unique_ptr<EngineObject> TakeIfReleased(Surface* surface)
{
    if (surface->deleted && surface->locks == 0 && surface->pins == 0)
        return RemoveObject(surface->handle, ObjectKind::Surface);
    return nullptr;
}

// Sets every pixel of the (already clipped, not empty) rectangle to the colour index.
void FillPixels(uint8_t* scan0, ptrdiff_t delta, ULONG bpp, const RECTL& r, ULONG color)
{
    if (bpp < 8) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            uint8_t* row = scan0 + static_cast<ptrdiff_t>(y) * delta;
            for (LONG x = r.left; x < r.right; ++x) {
                if (bpp == 1) {
                    const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
                    row[x / 8] = (color & 1) ? (row[x / 8] | mask) : (row[x / 8] & ~mask);
                } else {
                    const unsigned shift = (x & 1) ? 0 : 4;
                    row[x / 2] = static_cast<uint8_t>((row[x / 2] & ~(0xFu << shift)) |
                                                      ((color & 0xFu) << shift));
                }
            }
        }
        return;
    }
    // Whole bytes: build the first row's span, copy it to the others.
    const size_t pixelBytes = bpp / 8;
    const size_t offset = static_cast<size_t>(r.left) * pixelBytes;
    const size_t spanBytes = static_cast<size_t>(r.right - r.left) * pixelBytes;
    uint8_t* first = scan0 + static_cast<ptrdiff_t>(r.top) * delta + offset;
    uint8_t pixel[4];
    for (size_t i = 0; i < 4; ++i)
        pixel[i] = static_cast<uint8_t>(color >> (8 * i));
    if (pixelBytes == 1) {
        std::memset(first, pixel[0], spanBytes);
    } else {
        for (size_t at = 0; at < spanBytes; at += pixelBytes)
            std::memcpy(first + at, pixel, pixelBytes);
    }
    for (LONG y = r.top + 1; y < r.bottom; ++y)
        std::memcpy(scan0 + static_cast<ptrdiff_t>(y) * delta + offset, first, spanBytes);
}

}  // namespace

HBITMAP APIENTRY EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits)
{
    const ULONG bpp = BitsPerPixel(iFormat);
    if (bpp == 0 || sizl.cx <= 0 || sizl.cy <= 0)
        return nullptr;
    const uint64_t rowBytes = (static_cast<uint64_t>(sizl.cx) * bpp + 7) / 8;
    const uint64_t height = static_cast<uint64_t>(sizl.cy);
    const bool topDown = (fl & BMF_TOPDOWN) != 0;

    uint64_t stride = 0;
    if (pvBits) {
        // The driver's memory: lWidth bytes a scan line, at least one scan line's pixels.
        if (lWidth <= 0 || static_cast<uint64_t>(lWidth) < rowBytes)
            return nullptr;
        stride = static_cast<uint64_t>(lWidth);
        if (stride * height > 0xFFFFFFFFu)  // cjBits is a ULONG
            return nullptr;
    } else {
        // The engine's memory: DWORD-aligned scan lines, as in every DIB; lWidth is not used.
        stride = (static_cast<uint64_t>(sizl.cx) * bpp + 31) / 32 * 4;
        if (stride * height > 0x7FFFFFFFu)
            return nullptr;
    }
    const size_t size = static_cast<size_t>(stride * height);

    std::unique_ptr<Surface> surface(new (std::nothrow) Surface);
    if (!surface)
        return nullptr;
    uint8_t* bits = static_cast<uint8_t*>(pvBits);
    if (!bits) {
        void* dibBits = nullptr;
        surface->dib = CreateSurfaceDib(sizl.cx, sizl.cy, bpp, topDown, &dibBits);
        if (!surface->dib || !dibBits)
            return nullptr;
        bits = static_cast<uint8_t*>(dibBits);
        std::memset(bits, 0, size);
    }
    surface->size = sizl;
    surface->format = iFormat;
    surface->scan0 = topDown ? bits : bits + static_cast<size_t>((height - 1) * stride);
    surface->delta = topDown ? static_cast<ptrdiff_t>(stride) : -static_cast<ptrdiff_t>(stride);

    SURFOBJ& so = surface->so;
    so.sizlBitmap = sizl;
    so.cjBits = static_cast<ULONG>(size);
    so.pvBits = bits;
    so.pvScan0 = surface->scan0;
    so.lDelta = static_cast<LONG>(surface->delta);
    so.iBitmapFormat = iFormat;
    so.iType = STYPE_BITMAP;
    so.fjBitmap = static_cast<USHORT>((topDown ? BMF_TOPDOWN : 0) | (fl & BMF_DONTCACHE));
    so.iUniq = NextUniq();
    return reinterpret_cast<HBITMAP>(InsertSurface(std::move(surface)));
}

HSURF APIENTRY EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat)
{
    if (BitsPerPixel(iFormatCompat) == 0 || sizl.cx <= 0 || sizl.cy <= 0)
        return nullptr;
    std::unique_ptr<Surface> surface(new (std::nothrow) Surface);
    if (!surface)
        return nullptr;
    surface->device = true;
    surface->size = sizl;
    surface->format = iFormatCompat;
    SURFOBJ& so = surface->so;
    so.dhsurf = dhsurf;
    so.sizlBitmap = sizl;
    so.iBitmapFormat = iFormatCompat;
    so.iType = STYPE_DEVICE;
    so.iUniq = NextUniq();
    return reinterpret_cast<HSURF>(InsertSurface(std::move(surface)));
}

BOOL APIENTRY EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks)
{
    EngineLock lock;
    Surface* surface = LookupSurface(HandleValue(hsurf));
    Device* device = LookupDevice(HandleValue(hdev));
    if (!surface || !device)
        return FALSE;
    surface->hdev = hdev;
    surface->hooks = flHooks;
    surface->so.hdev = hdev;
    surface->so.dhpdev = device->dhpdev;
    return TRUE;
}

SURFOBJ* APIENTRY EngLockSurface(HSURF hsurf)
{
    EngineLock lock;
    Surface* surface = LookupSurface(HandleValue(hsurf));
    if (!surface || surface->locks == 0xFFFFFFFFu)
        return nullptr;
    ++surface->locks;
    return &surface->so;
}

VOID APIENTRY EngUnlockSurface(SURFOBJ* pso)
{
    std::unique_ptr<EngineObject> released;
    EngineLock lock;
    Surface* surface = FindSurfaceObject(pso);
    if (!surface || surface->locks == 0)
        return;
    --surface->locks;
    released = TakeIfReleased(surface);
}

BOOL APIENTRY EngDeleteSurface(HSURF hsurf)
{
    std::unique_ptr<EngineObject> released;
    EngineLock lock;
    Surface* surface = LookupSurface(HandleValue(hsurf));
    if (!surface) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A surface still locked stays in memory (its SURFOBJ valid) until its last unlock, but its
    // handle is refused from now on.
    surface->deleted = true;
    released = TakeIfReleased(surface);
    return TRUE;
}

BOOL APIENTRY EngMarkBandingSurface(HSURF hsurf)
{
    EngineLock lock;
    Surface* surface = LookupSurface(HandleValue(hsurf));
    if (!surface)
        return FALSE;
    surface->banding = true;
    return TRUE;
}

BOOL APIENTRY EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor)
{
    if (!prcl)
        return FALSE;
    const RECTL asked = *prcl;

    Surface* surface = nullptr;
    RECTL r = {};
    {
        EngineLock lock;
        surface = FindSurfaceObject(pso);
        if (!surface || surface->deleted || surface->device)
            return FALSE;
        r.left = std::max<LONG>(asked.left, 0);
        r.top = std::max<LONG>(asked.top, 0);
        r.right = std::min<LONG>(asked.right, surface->size.cx);
        r.bottom = std::min<LONG>(asked.bottom, surface->size.cy);
        if (r.left >= r.right || r.top >= r.bottom)
            return TRUE;
        ++surface->pins;  // the bits stay while the lock is released for the fill
    }
    GdiFlush();  // drawing GDI may still hold back on the DIB section lands first
    FillPixels(surface->scan0, surface->delta, BitsPerPixel(surface->format), r, iColor);

    std::unique_ptr<EngineObject> released;
    EngineLock lock;
    surface->so.iUniq = NextUniq();
    --surface->pins;
    released = TakeIfReleased(surface);
    return TRUE;
}

BOOL WINAPI HostEngQuerySurface(HSURF hsurf, HOSTENG_SURFACEINFO* info)
{
    EngineLock lock;
    Surface* surface = LookupSurface(HandleValue(hsurf));
    if (!surface || !info)
        return FALSE;
    info->hdev = surface->hdev;
    info->flHooks = surface->hooks;
    info->bBanding = surface->banding;
    info->cLocks = surface->locks;
    info->hDib = surface->dib;
    return TRUE;
}

BOOL WINAPI HostEngSurfaceChanged(HSURF hsurf)
{
    EngineLock lock;
    Surface* surface = LookupSurface(HandleValue(hsurf));
    if (!surface)
        return FALSE;
    surface->so.iUniq = NextUniq();
    return TRUE;
}

Surface* drveng::PinSurfaceObject(const SURFOBJ* pso)
{
    EngineLock lock;
    Surface* surface = FindSurfaceObject(pso);
    if (!surface || surface->deleted || surface->pins == 0xFFFFFFFFu)
        return nullptr;
    ++surface->pins;
    return surface;
}

void drveng::UnpinSurface(Surface* surface, bool changed)
{
    std::unique_ptr<EngineObject> released;
    EngineLock lock;
    if (changed)
        surface->so.iUniq = NextUniq();
    --surface->pins;
    released = TakeIfReleased(surface);
}
