// Drawing a driver hands back to the engine: blts, stretches, paths, region fills and text,
// rendered with GDI on the memory behind an engine bitmap, or punted through a temporary bitmap
// when the surface is the device's own.
#include "canvas.h"
#include "engine_fonts.h"
#include "enghost.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>

using namespace drveng;

namespace {

using CopyBitsFn = BOOL(APIENTRY*)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*);

// ---- Raster operations -----------------------------------------------------------------------

bool UsesSource(ULONG rop3) { return ((rop3 >> 2) ^ rop3) & 0x33; }
bool UsesPattern(ULONG rop3) { return ((rop3 >> 4) ^ rop3) & 0x0F; }
bool UsesDest(ULONG rop3) { return ((rop3 >> 1) ^ rop3) & 0x55; }

// The GDI raster operation code of a ROP3 (GDI reads its index byte).
DWORD GdiRop(ULONG rop3) { return (rop3 & 0xFF) << 16; }

// A mix's foreground or background part as a ROP2 (1 to 16).
int MixRop2(ULONG part)
{
    const ULONG r = part & 0xF;
    return r == 0 ? R2_WHITE : static_cast<int>(r);
}

// The ROP3 that draws a ROP2 with the brush as pattern.
ULONG Rop2ToRop3(int rop2)
{
    static const BYTE table[17] = {0, 0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                   0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    return table[rop2 >= 1 && rop2 <= 16 ? rop2 : R2_COPYPEN];
}

bool MixReadsDest(MIX mix)
{
    return UsesDest(Rop2ToRop3(MixRop2(mix))) || UsesDest(Rop2ToRop3(MixRop2(mix >> 8)));
}

// ---- Rectangles --------------------------------------------------------------------------------

bool Empty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }

RECTL Cut(const RECTL& a, const RECTL& b)
{
    return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

RECTL Ordered(const RECTL& r)
{
    return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

RECTL Union(const RECTL& a, const RECTL& b)
{
    if (Empty(a))
        return b;
    if (Empty(b))
        return a;
    return RECTL{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// ---- GDI objects --------------------------------------------------------------------------------

// A GDI object deleted when it goes, and selected into a DC for a while.
class Gdi {
public:
    explicit Gdi(HGDIOBJ object = nullptr) : object_(object) {}
    ~Gdi() { reset(); }
    Gdi(const Gdi&) = delete;
    Gdi& operator=(const Gdi&) = delete;
    void reset(HGDIOBJ object = nullptr)
    {
        if (object_)
            DeleteObject(object_);
        object_ = object;
    }
    HGDIOBJ get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    HGDIOBJ object_;
};

class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected()
    {
        if (old_)
            SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

class MemoryDc {
public:
    MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
    ~MemoryDc()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// A DIB in the canvas's format with its memory.
struct Image {
    Gdi bitmap;
    uint8_t* bits = nullptr;
    ptrdiff_t delta = 0;
    LONG width = 0, height = 0;

    bool Make(const Canvas& canvas, LONG w, LONG h)
    {
        width = w;
        height = h;
        bitmap.reset(canvas.MakeDib(w, h, &bits, &delta));
        return static_cast<bool>(bitmap);
    }
};

// The GDI brush of an engine brush on this canvas (the hatch's background colour goes to the DC).
HBRUSH MakeBrush(const Canvas& canvas, const BrushPaint& paint)
{
    switch (paint.kind) {
    case HOSTENG_BRUSH_SOLID:
        return CreateSolidBrush(canvas.Colour(paint.solid));
    case HOSTENG_BRUSH_HATCH:
        return CreateHatchBrush(static_cast<int>(paint.hatch), canvas.Colour(paint.fore));
    case HOSTENG_BRUSH_PATTERN: {
        // A packed DIB of 32-bit pixels of the canvas's colours.
        std::vector<BYTE> packed(sizeof(BITMAPINFOHEADER) + paint.pixels.size() * 4);
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
        header->biSize = sizeof *header;
        header->biWidth = paint.width;
        header->biHeight = -paint.height;
        header->biPlanes = 1;
        header->biBitCount = 32;
        header->biCompression = BI_RGB;
        auto* out = reinterpret_cast<DWORD*>(packed.data() + sizeof *header);
        for (size_t i = 0; i < paint.pixels.size(); ++i) {
            const COLORREF c = canvas.Colour(paint.pixels[i]);
            out[i] = (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
        }
        return CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS);
    }
    default:
        return nullptr;
    }
}

// Puts the brush on the DC with its origin (surface coordinates) and the hatch's background.
void PrepareBrush(const Canvas& canvas, HDC dc, const BrushPaint& paint, const POINTL* origin, POINT base)
{
    const POINTL org = origin ? *origin : POINTL{0, 0};
    SetBrushOrgEx(dc, org.x - base.x, org.y - base.y, nullptr);
    if (paint.kind == HOSTENG_BRUSH_HATCH)
        SetBkColor(dc, canvas.Colour(paint.back));
}

// Sets the ROP2 and background mode of a mix: a background that leaves the page alone is
// transparent.
void PrepareMix(HDC dc, MIX mix)
{
    const int fore = MixRop2(mix), back = MixRop2(mix >> 8);
    SetROP2(dc, fore);
    SetBkMode(dc, back == R2_NOP && fore != R2_NOP ? TRANSPARENT : OPAQUE);
}

// ---- Surfaces -------------------------------------------------------------------------------

// Reads pixels of an engine bitmap, translated: a w x h block from (x, y); pixels outside the
// bitmap are left as they are in out.
bool ReadPixels(SURFOBJ* pso, LONG x, LONG y, LONG w, LONG h, const Translation& t, std::vector<ULONG>* out)
{
    Surface* surface = PinSurfaceObject(pso);
    if (!surface || surface->device) {
        if (surface)
            UnpinSurface(surface, false);
        return false;
    }
    GdiFlush();
    const ULONG bpp = BitsPerPixel(surface->format);
    for (LONG j = 0; j < h; ++j) {
        const LONG sy = y + j;
        if (sy < 0 || sy >= surface->size.cy)
            continue;
        for (LONG i = 0; i < w; ++i) {
            const LONG sx = x + i;
            if (sx < 0 || sx >= surface->size.cx)
                continue;
            (*out)[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
                t(ReadPixel(surface->scan0, surface->delta, bpp, sx, sy));
        }
    }
    UnpinSurface(surface, false);
    return true;
}

// The device surfaces the engine is reading or punting on in this thread: a driver that hands
// the same work back while being called for it is refused instead of being called again.
thread_local std::vector<const SURFOBJ*> t_busy;

class Busy {
public:
    explicit Busy(const SURFOBJ* pso) : pso_(pso) { t_busy.push_back(pso); }
    ~Busy() { t_busy.erase(std::find(t_busy.begin(), t_busy.end(), pso_)); }
    static bool On(const SURFOBJ* pso) { return std::find(t_busy.begin(), t_busy.end(), pso) != t_busy.end(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    const SURFOBJ* pso_;
};

CopyBitsFn DeviceCopyBits(const SURFOBJ* pso)
{
    EngineLock lock;
    const Surface* surface = FindSurfaceObject(pso);
    if (!surface || !surface->device)
        return nullptr;
    return HookAs<CopyBitsFn>(DeviceHook(surface, INDEX_DrvCopyBits, nullptr));
}

// An engine bitmap of 24 bits for a temporary picture, not to be cached by a driver.
struct TempBitmap {
    HSURF handle = nullptr;
    SURFOBJ* so = nullptr;
    ~TempBitmap()
    {
        if (so)
            EngUnlockSurface(so);
        if (handle)
            EngDeleteSurface(handle);
    }
    bool Make(LONG w, LONG h)
    {
        handle = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, h}, 0, BMF_24BPP, BMF_TOPDOWN | BMF_DONTCACHE, nullptr));
        so = handle ? EngLockSurface(handle) : nullptr;
        return so != nullptr;
    }
};

// Reads a rectangle of a device surface through its driver into a 24-bit bitmap; white where the
// driver cannot give it. false when the driver itself asks for it (it has no bits to give).
bool ReadDevice(SURFOBJ* device, const RECTL& r, TempBitmap* out)
{
    const LONG w = r.right - r.left, h = r.bottom - r.top;
    if (Busy::On(device) || !out->Make(w, h))
        return false;
    RECTL whole{0, 0, w, h};
    CopyBitsFn copy = DeviceCopyBits(device);
    POINTL from{r.left, r.top};
    bool read = false;
    if (copy) {
        Busy busy(device);
        read = copy(out->so, device, nullptr, nullptr, &whole, &from) != FALSE;
    }
    return read || EngEraseSurface(out->so, &whole, 0xFFFFFF);
}

// ---- Drawing on a surface ------------------------------------------------------------------------

using Paint = std::function<bool(Canvas&, const RECTL& area)>;

bool PaintOn(const Target& target, const RECTL& area, const std::vector<RECTL>& rects, bool clipped, const Paint& paint)
{
    Canvas canvas;
    if (!canvas.Open(target, area) || !canvas.SelectClip(rects, clipped, area))
        return false;
    const bool ok = paint(canvas, area);
    canvas.Close();
    return ok;
}

Target TargetOf(const SURFOBJ* so, const RECTL& extent)
{
    Target t;
    t.scan0 = static_cast<uint8_t*>(so->pvScan0);
    t.delta = so->lDelta;
    t.format = so->iBitmapFormat;
    t.extent = extent;
    HOSTENG_SURFACEINFO info = {};
    if (HostEngQuerySurface(so->hsurf, &info))
        t.dib = info.hDib;
    return t;
}

// Draws on the device surface through a temporary bitmap: drawn twice, over the page as read back
// (or white) and over its inverse, so that the pixels the drawing reached are known; those alone
// go back to the driver with DrvCopyBits.
bool Punt(SURFOBJ* device, const RECTL& area, const std::vector<RECTL>& rects, bool clipped, bool readsDest,
          const Paint& paint)
{
    CopyBitsFn copy = DeviceCopyBits(device);
    if (!copy || Busy::On(device))
        return false;
    const LONG w = area.right - area.left, h = area.bottom - area.top;
    TempBitmap first, second;
    RECTL whole{0, 0, w, h};
    if (readsDest) {
        if (!ReadDevice(device, area, &first))
            return false;
    } else if (!first.Make(w, h) || !EngEraseSurface(first.so, &whole, 0xFFFFFF)) {
        return false;
    }
    if (!second.Make(w, h))
        return false;
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    std::vector<uint8_t> before(rowBytes * static_cast<size_t>(h));
    for (LONG y = 0; y < h; ++y) {
        const auto* from = static_cast<const uint8_t*>(first.so->pvScan0) + y * first.so->lDelta;
        auto* to = static_cast<uint8_t*>(second.so->pvScan0) + y * second.so->lDelta;
        std::memcpy(before.data() + static_cast<size_t>(y) * rowBytes, from, rowBytes);
        for (size_t i = 0; i < rowBytes; ++i)
            to[i] = static_cast<uint8_t>(~from[i]);
    }
    if (!PaintOn(TargetOf(first.so, area), area, rects, clipped, paint) ||
        !PaintOn(TargetOf(second.so, area), area, rects, clipped, paint))
        return false;

    // The pixels that are not both as they were.
    std::vector<RECT> runs;
    for (LONG y = 0; y < h; ++y) {
        const auto* a = static_cast<const uint8_t*>(first.so->pvScan0) + y * first.so->lDelta;
        const auto* b = static_cast<const uint8_t*>(second.so->pvScan0) + y * second.so->lDelta;
        const uint8_t* was = before.data() + static_cast<size_t>(y) * rowBytes;
        LONG start = -1;
        for (LONG x = 0; x <= w; ++x) {
            bool touched = false;
            if (x < w)
                for (int k = 0; k < 3 && !touched; ++k) {
                    const size_t i = static_cast<size_t>(x) * 3 + static_cast<size_t>(k);
                    touched = a[i] != was[i] || b[i] != static_cast<uint8_t>(~was[i]);
                }
            if (touched && start < 0)
                start = x;
            if (!touched && start >= 0) {
                runs.push_back(RECT{area.left + start, area.top + y, area.left + x, area.top + y + 1});
                start = -1;
            }
        }
    }
    if (runs.empty())
        return true;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : runs) {
        HRGN piece = CreateRectRgnIndirect(&r);
        CombineRgn(region, region, piece, RGN_OR);
        DeleteObject(piece);
    }
    CLIPOBJ* clip = HostEngCreateClip(region, &area);
    DeleteObject(region);
    if (!clip)
        return false;
    RECTL target = area;
    POINTL from{0, 0};
    BOOL ok = FALSE;
    {
        Busy busy(device);
        ok = copy(device, first.so, clip, nullptr, &target, &from);
    }
    HostEngDeleteClip(clip);
    return ok != FALSE;
}

// Runs a drawing whose pixels lie within bounds on a surface, clipped by pco.
bool Draw(SURFOBJ* pso, CLIPOBJ* pco, const RECTL& bounds, bool readsDest, const Paint& paint)
{
    if (!pso)
        return false;
    std::vector<RECTL> rects;
    bool clipped = false;
    if (!ClipArea(pco, &rects, &clipped))
        return false;
    RECTL area = Cut(bounds, RECTL{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy});
    if (clipped) {
        RECTL reach = {};
        for (const RECTL& r : rects)
            reach = Union(reach, r);
        area = Cut(area, reach);
    }
    if (Empty(area))
        return true;

    Surface* surface = PinSurfaceObject(pso);
    if (!surface)
        return false;
    if (surface->device) {
        UnpinSurface(surface, false);
        return Punt(pso, area, rects, clipped, readsDest, paint);
    }
    Target target;
    target.scan0 = surface->scan0;
    target.delta = surface->delta;
    target.format = surface->format;
    target.extent = RECTL{0, 0, surface->size.cx, surface->size.cy};
    target.dib = surface->dib;
    const bool ok = PaintOn(target, area, rects, clipped, paint);
    UnpinSurface(surface, true);
    return ok;
}

// ---- Blts ---------------------------------------------------------------------------------------

// A 1-bit mask for a block: one entry a pixel, 1 where the foreground raster operation applies.
using Mask = std::vector<uint8_t>;

// The mask of a brush (the hatch lines, or a pattern's own mask) laid from the brush origin over
// the block at (x, y).
bool BrushMask(const BrushPaint& paint, const POINTL* origin, LONG x, LONG y, LONG w, LONG h, Mask* out)
{
    const POINTL org = origin ? *origin : POINTL{0, 0};
    const auto wrap = [](LONG v, LONG n) { return ((v % n) + n) % n; };
    out->assign(static_cast<size_t>(w) * static_cast<size_t>(h), 1);
    if (paint.kind == HOSTENG_BRUSH_HATCH) {
        // The hatch as GDI draws it: 1 on the lines of a white-on-black hatch.
        MemoryDc dc;
        void* bits = nullptr;
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } info = {};
        info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 8, -8, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
        info.colors[1] = RGBQUAD{255, 255, 255, 0};
        Gdi dib(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
        Gdi brush(CreateHatchBrush(static_cast<int>(paint.hatch), RGB(255, 255, 255)));
        if (!dib || !brush || !bits)
            return false;
        {
            Selected b(dc.get(), dib.get()), p(dc.get(), brush.get());
            SetBkColor(dc.get(), RGB(0, 0, 0));
            PatBlt(dc.get(), 0, 0, 8, 8, PATCOPY);
            GdiFlush();
        }
        for (LONG j = 0; j < h; ++j)
            for (LONG i = 0; i < w; ++i)
                (*out)[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
                    static_cast<uint8_t>(ReadPixel(static_cast<const uint8_t*>(bits), 4, 1, wrap(x + i - org.x, 8), wrap(y + j - org.y, 8)));
        return true;
    }
    if (paint.kind == HOSTENG_BRUSH_PATTERN && !paint.mask.empty() && paint.width > 0 && paint.height > 0)
        for (LONG j = 0; j < h; ++j)
            for (LONG i = 0; i < w; ++i)
                (*out)[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
                    paint.mask[static_cast<size_t>(wrap(y + j - org.y, paint.height)) * static_cast<size_t>(paint.width) +
                               static_cast<size_t>(wrap(x + i - org.x, paint.width))];
    return true;
}

struct BltSource {
    bool present = false;
    LONG width = 0, height = 0;          // covers the destination rectangle
    std::vector<ULONG> pixels;           // in the destination's colour indices
};

// Applies a ROP4 over dst (surface coordinates, within the area) with an aligned source block
// and mask (each covering dstFull, whose top-left is their origin).
bool Blt(Canvas& canvas, const RECTL& area, const RECTL& dstFull, const BltSource& source, const Mask* mask,
         const BrushPaint& brushPaint, const POINTL* brushOrg, ULONG rop4)
{
    const RECTL dst = Cut(dstFull, area);
    if (Empty(dst))
        return true;
    const LONG w = dst.right - dst.left, h = dst.bottom - dst.top;
    const LONG ox = dst.left - dstFull.left, oy = dst.top - dstFull.top;
    const ULONG fore = rop4 & 0xFF, back = (rop4 >> 8) & 0xFF;
    const bool masked = fore != back;
    HDC dc = canvas.dc();

    MemoryDc srcDc;
    Image src;
    if (source.present) {
        if (!src.Make(canvas, w, h))
            return false;
        for (LONG j = 0; j < h; ++j)
            for (LONG i = 0; i < w; ++i)
                WritePixel(src.bits, src.delta, canvas.bpp(), i, j,
                           source.pixels[static_cast<size_t>(oy + j) * static_cast<size_t>(source.width) + static_cast<size_t>(ox + i)]);
    }
    Selected srcSelected(srcDc.get(), src.bitmap.get());
    Gdi brush(MakeBrush(canvas, brushPaint));

    // One ROP3 over a DC: the canvas (drawn in surface coordinates) or a block whose pixel (0, 0)
    // is the surface point at.
    const POINT base = canvas.base();
    const auto apply = [&](HDC target, const POINT* at, ULONG rop3) {
        Selected b(target, brush.get());
        const POINTL org = brushOrg ? *brushOrg : POINTL{0, 0};
        const POINT device = at ? *at : base;
        SetBrushOrgEx(target, org.x - device.x, org.y - device.y, nullptr);
        if (brushPaint.kind == HOSTENG_BRUSH_HATCH) {
            SetBkColor(target, canvas.Colour(brushPaint.back));
            SetBkMode(target, OPAQUE);
        }
        const LONG x = at ? 0 : dst.left, y = at ? 0 : dst.top;
        return BitBlt(target, x, y, w, h, UsesSource(rop3) ? srcDc.get() : nullptr, 0, 0, GdiRop(rop3)) != FALSE;
    };
    if (!masked)
        return apply(dc, nullptr, fore);

    // Both operations on copies of the destination, then each pixel from the one its mask picks.
    Image fg, bg;
    MemoryDc fgDc, bgDc;
    if (!fg.Make(canvas, w, h) || !bg.Make(canvas, w, h))
        return false;
    Selected fgSelected(fgDc.get(), fg.bitmap.get()), bgSelected(bgDc.get(), bg.bitmap.get());
    const POINT at{dst.left, dst.top};
    if (!BitBlt(fgDc.get(), 0, 0, w, h, dc, dst.left, dst.top, SRCCOPY) ||
        !BitBlt(bgDc.get(), 0, 0, w, h, dc, dst.left, dst.top, SRCCOPY) || !apply(fgDc.get(), &at, fore) ||
        !apply(bgDc.get(), &at, back))
        return false;
    GdiFlush();
    const ULONG bpp = canvas.bpp();
    const size_t maskWidth = static_cast<size_t>(dstFull.right - dstFull.left);
    for (LONG j = 0; j < h; ++j)
        for (LONG i = 0; i < w; ++i) {
            const bool foreground = !mask || (*mask)[static_cast<size_t>(oy + j) * maskWidth + static_cast<size_t>(ox + i)];
            if (!foreground)
                WritePixel(fg.bits, fg.delta, bpp, i, j, ReadPixel(bg.bits, bg.delta, bpp, i, j));
        }
    return BitBlt(dc, dst.left, dst.top, w, h, fgDc.get(), 0, 0, SRCCOPY) != FALSE;
}

// Reads the mask surface's bits for a block at (x, y) of it; outside the mask counts as 0.
bool ReadMask(SURFOBJ* psoMask, LONG x, LONG y, LONG w, LONG h, Mask* out)
{
    std::vector<ULONG> bits(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    if (!ReadPixels(psoMask, x, y, w, h, Translation{}, &bits))
        return false;
    out->resize(bits.size());
    for (size_t i = 0; i < bits.size(); ++i)
        (*out)[i] = bits[i] != 0;
    return true;
}

// The source pixels for a destination block, read from an engine bitmap or, for the device's own
// surface, through its driver.
bool ReadSource(SURFOBJ* psoSrc, XLATEOBJ* pxlo, LONG x, LONG y, LONG w, LONG h, BltSource* out)
{
    Translation t;
    if (!TranslationOf(pxlo, &t))
        return false;
    out->present = true;
    out->width = w;
    out->height = h;
    out->pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    if (psoSrc->iType == STYPE_DEVICE) {
        TempBitmap copy;
        const RECTL r = Cut(RECTL{x, y, x + w, y + h}, RECTL{0, 0, psoSrc->sizlBitmap.cx, psoSrc->sizlBitmap.cy});
        if (Empty(r))
            return true;
        if (!ReadDevice(psoSrc, r, &copy))
            return false;
        std::vector<ULONG> block(static_cast<size_t>(r.right - r.left) * static_cast<size_t>(r.bottom - r.top));
        if (!ReadPixels(copy.so, 0, 0, r.right - r.left, r.bottom - r.top, t, &block))
            return false;
        for (LONG j = r.top; j < r.bottom; ++j)
            for (LONG i = r.left; i < r.right; ++i)
                out->pixels[static_cast<size_t>(j - y) * static_cast<size_t>(w) + static_cast<size_t>(i - x)] =
                    block[static_cast<size_t>(j - r.top) * static_cast<size_t>(r.right - r.left) + static_cast<size_t>(i - r.left)];
        return true;
    }
    return ReadPixels(psoSrc, x, y, w, h, t, &out->pixels);
}

// The destination rectangle cut to where the source (from pptlSrc) lies on its surface.
RECTL WithinSource(const RECTL& dst, const SURFOBJ* psoSrc, const POINTL& src)
{
    RECTL r = dst;
    const LONG dx = src.x - dst.left, dy = src.y - dst.top;
    r.left = std::max(r.left, -dx);
    r.top = std::max(r.top, -dy);
    r.right = std::min(r.right, psoSrc->sizlBitmap.cx - dx);
    r.bottom = std::min(r.bottom, psoSrc->sizlBitmap.cy - dy);
    return r;
}

// ---- Paths --------------------------------------------------------------------------------------

LONG Pixel(FIX v) { return static_cast<LONG>(std::floor((v + 8) / 16.0)); }

struct Figures {
    std::vector<POINT> points;
    std::vector<BYTE> types;
    RECTL bounds = {};
};

bool FiguresOf(PATHOBJ* ppo, Figures* out)
{
    std::vector<POINTFIX> fix;
    if (!PathFigures(ppo, &fix, &out->types))
        return false;
    out->points.resize(fix.size());
    for (size_t i = 0; i < fix.size(); ++i) {
        out->points[i] = POINT{Pixel(fix[i].x), Pixel(fix[i].y)};
        const RECTL p{out->points[i].x, out->points[i].y, out->points[i].x + 1, out->points[i].y + 1};
        out->bounds = i == 0 ? p : Union(out->bounds, p);
    }
    return true;
}

RECTL Grown(const RECTL& r, LONG by) { return RECTL{r.left - by, r.top - by, r.right + by, r.bottom + by}; }

bool DrawFigures(HDC dc, const Figures& f)
{
    if (!BeginPath(dc))
        return false;
    if (!f.points.empty())
        PolyDraw(dc, f.points.data(), f.types.data(), static_cast<int>(f.points.size()));
    return EndPath(dc) != FALSE;
}

float FloatOf(FLOATL value)
{
    float f = 0;
    static_assert(sizeof f == sizeof value);
    std::memcpy(&f, &value, sizeof f);
    return f;
}

// Pixels a style unit of a cosmetic line covers on the device of the surface.
double StyleUnit(const SURFOBJ* pso)
{
    EngineLock lock;
    const Surface* surface = FindSurfaceObject(pso);
    const Device* device = surface ? LookupDevice(HandleValue(surface->hdev)) : nullptr;
    if (!device || !device->haveInfo || device->gdi.xStyleStep == 0)
        return 1;
    return static_cast<double>(device->gdi.denStyleStep) / device->gdi.xStyleStep;
}

// The GDI pen of line attributes with the brush's colour or pattern; a geometric pen's width and
// style lengths are in world units, which the world transform takes to the page.
HPEN MakePen(const Canvas& canvas, const LINEATTRS& la, const BrushPaint& paint, double styleUnit)
{
    LOGBRUSH lb = {};
    lb.lbStyle = BS_SOLID;
    lb.lbColor = canvas.Colour(paint.kind == HOSTENG_BRUSH_HATCH ? paint.fore : paint.solid);
    std::vector<BYTE> packed;
    if (la.fl & LA_GEOMETRIC) {
        if (paint.kind == HOSTENG_BRUSH_HATCH) {
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = paint.hatch;
        }
    } else if (paint.kind != HOSTENG_BRUSH_SOLID) {
        return nullptr;  // cosmetic lines are of one colour
    }
    std::vector<DWORD> styles;
    const bool geometric = (la.fl & LA_GEOMETRIC) != 0;
    for (ULONG i = 0; la.pstyle && i < la.cstyle; ++i) {
        const double v = geometric ? FloatOf(la.pstyle[i].e) : la.pstyle[i].l * styleUnit;
        styles.push_back(static_cast<DWORD>(std::max(1L, std::lround(v))));
    }
    DWORD style = geometric ? PS_GEOMETRIC : PS_COSMETIC;
    if (la.fl & LA_ALTERNATE)
        style |= PS_ALTERNATE;
    else if (!styles.empty())
        style |= PS_USERSTYLE;
    else
        style |= PS_SOLID;
    DWORD width = 1;
    if (geometric) {
        style |= la.iEndCap == ENDCAP_ROUND ? PS_ENDCAP_ROUND : la.iEndCap == ENDCAP_SQUARE ? PS_ENDCAP_SQUARE : PS_ENDCAP_FLAT;
        style |= la.iJoin == JOIN_ROUND ? PS_JOIN_ROUND : la.iJoin == JOIN_BEVEL ? PS_JOIN_BEVEL : PS_JOIN_MITER;
        width = static_cast<DWORD>(std::max(1L, std::lround(FloatOf(la.elWidth.e))));
    }
    return ExtCreatePen(style, width, &lb, static_cast<DWORD>(styles.size()), styles.empty() ? nullptr : styles.data());
}

// Sets the transform of a geometric line on the DC and turns the figures' page points into its
// world points.
bool WorldForPen(HDC dc, XFORMOBJ* pxo, const LINEATTRS& la, POINT base, Figures* f)
{
    if (!(la.fl & LA_GEOMETRIC) || !pxo)
        return true;
    XFORM m = {};
    if (!XformMatrix(pxo, &m))
        return false;
    m.eDx = m.eDy = 0;
    const double det = static_cast<double>(m.eM11) * m.eM22 - static_cast<double>(m.eM12) * m.eM21;
    if (det == 0)
        return false;
    if (m.eM11 == 1 && m.eM12 == 0 && m.eM21 == 0 && m.eM22 == 1)
        return true;
    // World to DC: the line's transform, then the canvas's offset.
    XFORM world = m;
    world.eDx = static_cast<FLOAT>(-base.x);
    world.eDy = static_cast<FLOAT>(-base.y);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    if (!SetWorldTransform(dc, &world))
        return false;
    for (POINT& p : f->points) {
        const double x = p.x, y = p.y;
        p.x = static_cast<LONG>(std::lround((x * m.eM22 - y * m.eM21) / det));
        p.y = static_cast<LONG>(std::lround((y * m.eM11 - x * m.eM12) / det));
    }
    return true;
}

LONG PenReach(const LINEATTRS* la)
{
    if (!la || !(la->fl & LA_GEOMETRIC))
        return 2;
    const double width = FloatOf(la->elWidth.e);
    const double miter = std::max(1.0f, FloatOf(la->eMiterLimit));
    return static_cast<LONG>(std::ceil(width * std::max(miter, 2.0))) + 2;
}

// Pen reach in page pixels through the line's transform.
LONG PenReachOnPage(const LINEATTRS* la, XFORMOBJ* pxo)
{
    LONG reach = PenReach(la);
    XFORM m = {};
    if (la && (la->fl & LA_GEOMETRIC) && pxo && XformMatrix(pxo, &m)) {
        const double scale = std::max({std::fabs(m.eM11), std::fabs(m.eM12), std::fabs(m.eM21), std::fabs(m.eM22), 1.0f});
        reach = static_cast<LONG>(std::ceil(reach * scale * 2));
    }
    return reach;
}

enum class PathOp { Stroke, Fill, StrokeAndFill };

BOOL DrawPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke, LINEATTRS* pla,
              BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mix, FLONG flOptions, PathOp op)
{
    Figures figures;
    BrushPaint stroke, fill;
    if (!pso || !FiguresOf(ppo, &figures))
        return FALSE;
    if (op != PathOp::Fill && (!pla || !BrushPaintOf(pboStroke, &stroke) || !stroke.kind))
        return FALSE;
    if (op != PathOp::Stroke && (!BrushPaintOf(pboFill, &fill) || !fill.kind))
        return FALSE;
    if (figures.points.empty())
        return TRUE;
    const double styleUnit = op == PathOp::Fill ? 1 : StyleUnit(pso);
    const LONG reach = op == PathOp::Fill ? 1 : PenReachOnPage(pla, pxo);
    const Paint paint = [&](Canvas& canvas, const RECTL&) {
        HDC dc = canvas.dc();
        Figures f = figures;
        Gdi pen(op != PathOp::Fill ? MakePen(canvas, *pla, stroke, styleUnit) : nullptr);
        Gdi brush(op != PathOp::Stroke ? MakeBrush(canvas, fill) : nullptr);
        if ((op != PathOp::Fill && !pen) || (op != PathOp::Stroke && !brush))
            return false;
        PrepareBrush(canvas, dc, op == PathOp::Stroke ? stroke : fill, pptlBrushOrg, canvas.base());
        PrepareMix(dc, mix);
        SetPolyFillMode(dc, (flOptions & FP_WINDINGMODE) ? WINDING : ALTERNATE);
        if (pla && (pla->fl & LA_GEOMETRIC))
            SetMiterLimit(dc, std::max(1.0f, FloatOf(pla->eMiterLimit)), nullptr);
        if (op != PathOp::Fill && !WorldForPen(dc, pxo, *pla, canvas.base(), &f))
            return false;
        Selected p(dc, pen ? pen.get() : GetStockObject(NULL_PEN));
        Selected b(dc, brush ? brush.get() : GetStockObject(NULL_BRUSH));
        if (!DrawFigures(dc, f))
            return false;
        switch (op) {
        case PathOp::Stroke: return StrokePath(dc) != FALSE;
        case PathOp::Fill: return FillPath(dc) != FALSE;
        default: return StrokeAndFillPath(dc) != FALSE;
        }
    };
    return Draw(pso, pco, Grown(figures.bounds, reach), MixReadsDest(mix), paint);
}

// Reads a stretch's source rectangle (ordered, mirrored as asked) translated to the destination.
bool StretchSource(SURFOBJ* psoSrc, XLATEOBJ* pxlo, const RECTL& src, bool mirrorX, bool mirrorY, BltSource* out)
{
    const LONG w = src.right - src.left, h = src.bottom - src.top;
    BltSource raw;
    if (!ReadSource(psoSrc, pxlo, src.left, src.top, w, h, &raw))
        return false;
    *out = raw;
    for (LONG j = 0; j < h; ++j)
        for (LONG i = 0; i < w; ++i)
            out->pixels[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
                raw.pixels[static_cast<size_t>(mirrorY ? h - 1 - j : j) * static_cast<size_t>(w) +
                           static_cast<size_t>(mirrorX ? w - 1 - i : i)];
    return true;
}

// Stretches an image over the destination rectangle dstFull and keeps the block of it that lies
// in part (within dstFull): GDI places each pixel of the block as in the whole stretch.
bool StretchInto(const Canvas& canvas, const BltSource& image, const RECTL& dstFull, const RECTL& part, ULONG mode,
                 const POINTL* halftoneOrg, BltSource* out)
{
    const LONG w = part.right - part.left, h = part.bottom - part.top;
    Image from, to;
    MemoryDc fromDc, toDc;
    if (!from.Make(canvas, image.width, image.height) || !to.Make(canvas, w, h))
        return false;
    for (LONG j = 0; j < image.height; ++j)
        for (LONG i = 0; i < image.width; ++i)
            WritePixel(from.bits, from.delta, canvas.bpp(), i, j,
                       image.pixels[static_cast<size_t>(j) * static_cast<size_t>(image.width) + static_cast<size_t>(i)]);
    {
        Selected f(fromDc.get(), from.bitmap.get()), t(toDc.get(), to.bitmap.get());
        SetStretchBltMode(toDc.get(), mode >= BLACKONWHITE && mode <= HALFTONE ? static_cast<int>(mode) : COLORONCOLOR);
        if (halftoneOrg)
            SetBrushOrgEx(toDc.get(), halftoneOrg->x - part.left, halftoneOrg->y - part.top, nullptr);
        if (!StretchBlt(toDc.get(), dstFull.left - part.left, dstFull.top - part.top, dstFull.right - dstFull.left,
                        dstFull.bottom - dstFull.top, fromDc.get(), 0, 0, image.width, image.height, SRCCOPY))
            return false;
        GdiFlush();
    }
    out->present = true;
    out->width = w;
    out->height = h;
    out->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (LONG j = 0; j < h; ++j)
        for (LONG i = 0; i < w; ++i)
            out->pixels[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
                ReadPixel(to.bits, to.delta, canvas.bpp(), i, j);
    return true;
}

}  // namespace

BOOL APIENTRY EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4)
{
    if (!psoTrg || !prclTrg)
        return FALSE;
    const ULONG fore = rop4 & 0xFF, back = (rop4 >> 8) & 0xFF;
    const bool needsSource = UsesSource(fore) || UsesSource(back);
    const bool needsPattern = UsesPattern(fore) || UsesPattern(back);
    if ((needsSource && (!psoSrc || !pptlSrc)) || (fore != back && psoMask && !pptlMask))
        return FALSE;
    BrushPaint paint;
    if (needsPattern && (!BrushPaintOf(pbo, &paint) || !paint.kind))
        return FALSE;
    RECTL dst = Ordered(*prclTrg);
    if (needsSource)
        dst = WithinSource(dst, psoSrc, POINTL{pptlSrc->x + dst.left - prclTrg->left, pptlSrc->y + dst.top - prclTrg->top});
    if (Empty(dst))
        return TRUE;
    const LONG w = dst.right - dst.left, h = dst.bottom - dst.top;
    const LONG sx = needsSource ? pptlSrc->x + (dst.left - std::min(prclTrg->left, prclTrg->right)) : 0;
    const LONG sy = needsSource ? pptlSrc->y + (dst.top - std::min(prclTrg->top, prclTrg->bottom)) : 0;

    BltSource source;
    if (needsSource && !ReadSource(psoSrc, pxlo, sx, sy, w, h, &source))
        return FALSE;
    Mask mask;
    const Mask* maskUsed = nullptr;
    if (fore != back) {
        const bool read = psoMask ? ReadMask(psoMask, pptlMask->x + (dst.left - std::min(prclTrg->left, prclTrg->right)),
                                             pptlMask->y + (dst.top - std::min(prclTrg->top, prclTrg->bottom)), w, h, &mask)
                                  : BrushMask(paint, pptlBrush, dst.left, dst.top, w, h, &mask);
        if (!read)
            return FALSE;
        maskUsed = &mask;
    }
    const bool readsDest = UsesDest(fore) || UsesDest(back);
    return Draw(psoTrg, pco, dst, readsDest, [&](Canvas& canvas, const RECTL& area) {
        return Blt(canvas, area, dst, source, maskUsed, paint, pptlBrush, rop4);
    });
}

BOOL APIENTRY EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL* pptlSrc)
{
    return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr, nullptr, 0xCCCC);
}

BOOL APIENTRY EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                               COLORADJUSTMENT* /*pca*/, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                               POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4)
{
    if (!psoDest || !psoSrc || !prclDest || !prclSrc || (psoMask && !pptlMask))
        return FALSE;
    const ULONG fore = rop4 & 0xFF, back = (rop4 >> 8) & 0xFF;
    BrushPaint paint;
    if ((UsesPattern(fore) || UsesPattern(back)) && (!BrushPaintOf(pbo, &paint) || !paint.kind))
        return FALSE;
    const RECTL dst = Ordered(*prclDest);
    const RECTL src = Ordered(*prclSrc);
    if (Empty(dst) || Empty(src))
        return TRUE;
    const bool mirrorX = (prclDest->left > prclDest->right) != (prclSrc->left > prclSrc->right);
    const bool mirrorY = (prclDest->top > prclDest->bottom) != (prclSrc->top > prclSrc->bottom);
    BltSource image;
    if (!StretchSource(psoSrc, pxlo, src, mirrorX, mirrorY, &image))
        return FALSE;
    BltSource maskImage;
    if (psoMask) {
        const LONG mx = pptlMask->x, my = pptlMask->y;
        Mask bits;
        if (!ReadMask(psoMask, mx, my, src.right - src.left, src.bottom - src.top, &bits))
            return FALSE;
        maskImage.present = true;
        maskImage.width = src.right - src.left;
        maskImage.height = src.bottom - src.top;
        maskImage.pixels.assign(bits.size(), 0);
        for (LONG j = 0; j < maskImage.height; ++j)
            for (LONG i = 0; i < maskImage.width; ++i)
                maskImage.pixels[static_cast<size_t>(j) * static_cast<size_t>(maskImage.width) + static_cast<size_t>(i)] =
                    bits[static_cast<size_t>(mirrorY ? maskImage.height - 1 - j : j) * static_cast<size_t>(maskImage.width) +
                         static_cast<size_t>(mirrorX ? maskImage.width - 1 - i : i)];
    }
    // With a mask, the source lands where the stretched mask is set and the page stays elsewhere.
    const ULONG rop = psoMask ? 0xAA00 | fore : rop4;
    const bool readsDest = UsesDest(rop & 0xFF) || UsesDest((rop >> 8) & 0xFF);
    return Draw(psoDest, pco, dst, readsDest, [&](Canvas& canvas, const RECTL& area) {
        // Only the part of the stretch that can be seen is made.
        const RECTL part = Cut(dst, area);
        if (Empty(part))
            return true;
        BltSource stretched;
        if (!StretchInto(canvas, image, dst, part, iMode, pptlHTOrg, &stretched))
            return false;
        Mask mask;
        if (psoMask) {
            // The mask stretched like the source: its bits as the two darkest and lightest indices.
            BltSource levels = maskImage, stretchedMask;
            const ULONG on = canvas.bpp() <= 8 ? (1u << canvas.bpp()) - 1 : 0xFFFFFF;
            for (ULONG& v : levels.pixels)
                v = v ? (canvas.bpp() == 16 ? 0x7FFFu : on) : 0u;
            if (!StretchInto(canvas, levels, dst, part, COLORONCOLOR, nullptr, &stretchedMask))
                return false;
            mask.resize(stretchedMask.pixels.size());
            for (size_t i = 0; i < mask.size(); ++i)
                mask[i] = stretchedMask.pixels[i] != 0;
        }
        return Blt(canvas, area, part, stretched, psoMask ? &mask : nullptr, paint, pbo ? pptlHTOrg : nullptr,
                   psoMask ? rop : rop4);
    });
}

BOOL APIENTRY EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                            ULONG iMode)
{
    return EngStretchBltROP(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode,
                            nullptr, 0xCCCC);
}

BOOL APIENTRY EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                            LINEATTRS* plineattrs, MIX mix)
{
    return DrawPath(pso, ppo, pco, pxo, pbo, plineattrs, nullptr, pptlBrushOrg, mix, 0, PathOp::Stroke);
}

BOOL APIENTRY EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                          FLONG flOptions)
{
    return DrawPath(pso, ppo, pco, nullptr, nullptr, nullptr, pbo, pptlBrushOrg, mix, flOptions, PathOp::Fill);
}

BOOL APIENTRY EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                   LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                   FLONG flOptions)
{
    return DrawPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill, flOptions,
                    PathOp::StrokeAndFill);
}

BOOL APIENTRY EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix)
{
    BrushPaint paint;
    if (!pso || !BrushPaintOf(pbo, &paint) || !paint.kind)
        return FALSE;
    const RECTL whole{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    return Draw(pso, pco, whole, MixReadsDest(mix), [&](Canvas& canvas, const RECTL& area) {
        HDC dc = canvas.dc();
        Gdi brush(MakeBrush(canvas, paint));
        if (!brush)
            return false;
        PrepareBrush(canvas, dc, paint, pptlBrushOrg, canvas.base());
        PrepareMix(dc, mix);
        // The area (the clip already holds the region).
        Gdi region(CreateRectRgn(area.left, area.top, area.right, area.bottom));
        Selected b(dc, brush.get());
        return region && PaintRgn(dc, static_cast<HRGN>(region.get())) != FALSE;
    });
}

BOOL APIENTRY EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* /*pfo*/, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                         BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix)
{
    Font* font = nullptr;
    std::vector<GLYPHPOS> glyphs;
    BrushPaint fore, opaque;
    if (!pso || !StringGlyphs(pstro, &font, &glyphs) || !BrushPaintOf(pboFore, &fore) || !fore.kind)
        return FALSE;
    if (prclOpaque && (!BrushPaintOf(pboOpaque, &opaque) || !opaque.kind))
        return FALSE;

    // The glyphs' bits and where they land.
    struct Placed {
        const GLYPHBITS* bits;
        POINTL at;
    };
    std::vector<Placed> placed;
    RECTL bounds = prclOpaque ? Ordered(*prclOpaque) : RECTL{};
    for (const GLYPHPOS& g : glyphs) {
        const GlyphEntry* entry = GlyphOf(font, g.hg, true);
        if (!entry)
            return FALSE;
        const GLYPHBITS* gb = entry->data.gdf.pgb;
        if (!gb)
            return FALSE;  // a device font that gives no bitmaps cannot be drawn here
        const POINTL at{g.ptl.x + gb->ptlOrigin.x, g.ptl.y + gb->ptlOrigin.y};
        placed.push_back(Placed{gb, at});
        bounds = Union(bounds, RECTL{at.x, at.y, at.x + gb->sizlBitmap.cx, at.y + gb->sizlBitmap.cy});
    }
    std::vector<RECTL> extra;
    for (const RECTL* r = prclExtra; r && (r->left | r->top | r->right | r->bottom); ++r) {
        extra.push_back(Ordered(*r));
        bounds = Union(bounds, extra.back());
    }
    const ULONG rop3 = Rop2ToRop3(MixRop2(mix));
    const bool readsDest = UsesDest(rop3) || MixReadsDest(mix);
    return Draw(pso, pco, bounds, readsDest, [&](Canvas& canvas, const RECTL& area) {
        if (prclOpaque && !Blt(canvas, area, Ordered(*prclOpaque), BltSource{}, nullptr, opaque, pptlOrg, 0xF0F0))
            return false;
        RECTL inked = {};
        for (const Placed& p : placed)
            inked = Union(inked, RECTL{p.at.x, p.at.y, p.at.x + p.bits->sizlBitmap.cx, p.at.y + p.bits->sizlBitmap.cy});
        inked = Cut(inked, area);
        if (!Empty(inked)) {
            const LONG w = inked.right - inked.left, h = inked.bottom - inked.top;
            Mask mask(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
            for (const Placed& p : placed) {
                const LONG rowBytes = (p.bits->sizlBitmap.cx + 7) / 8;
                for (LONG y = 0; y < p.bits->sizlBitmap.cy; ++y) {
                    const LONG my = p.at.y + y - inked.top;
                    if (my < 0 || my >= h)
                        continue;
                    for (LONG x = 0; x < p.bits->sizlBitmap.cx; ++x) {
                        const LONG mx = p.at.x + x - inked.left;
                        if (mx >= 0 && mx < w && ((p.bits->aj[y * rowBytes + x / 8] >> (7 - (x & 7))) & 1))
                            mask[static_cast<size_t>(my) * static_cast<size_t>(w) + static_cast<size_t>(mx)] = 1;
                    }
                }
            }
            if (!Blt(canvas, area, inked, BltSource{}, &mask, fore, pptlOrg, 0xAA00 | rop3))
                return false;
        }
        for (const RECTL& r : extra)
            if (!Blt(canvas, area, r, BltSource{}, nullptr, fore, pptlOrg, (rop3 << 8) | rop3))
                return false;
        return true;
    });
}
