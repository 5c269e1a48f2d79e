// Brush objects: solid colours, hatches and patterns, and their realisation by the driver of the
// surface they are drawn on (DrvRealizeBrush, called back when the driver asks for it).
#include "enghost.h"
#include "engine_objects.h"

#include <cstring>
#include <new>

using namespace drveng;

namespace {

using RealizeBrushFn = BOOL(APIENTRY*)(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG);

struct Brush : EngineObject {
    Brush() : EngineObject(ObjectKind::Brush) {}
    ~Brush() override;
    BRUSHOBJ bo = {};
    ULONG type = 0;
    ULONG hatch = 0, fore = 0, back = 0;
    HSURF pattern = nullptr;     // the brush's own copy of the pattern, or its hatch bitmap
    HSURF mask = nullptr;
    XLATEOBJ* xlate = nullptr;   // the brush's own translation
    SURFOBJ* target = nullptr;
    std::vector<void*> blocks;   // realisation blocks from BRUSHOBJ_pvAllocRbrush
    bool tried = false;          // DrvRealizeBrush was called
};

Brush::~Brush()
{
    // Runs outside the engine lock (objects are destroyed after it is released).
    for (void* block : blocks)
        EngFreeMem(block);
    if (pattern)
        EngDeleteSurface(pattern);
    if (mask)
        EngDeleteSurface(mask);
    if (xlate)
        HostEngDeleteXlate(xlate);
}

// GDI's own hatch of a style as eight rows of eight bits, 1 for the lines, from its top-left.
bool GdiHatchRows(ULONG style, uint8_t rows[8])
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = 8;
    info.header.biHeight = -8;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateHatchBrush(static_cast<int>(style), RGB(255, 255, 255));
    bool ok = dib && dc && brush && bits;
    if (ok) {
        HGDIOBJ oldBitmap = SelectObject(dc, dib);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        SetBkColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, OPAQUE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        ok = PatBlt(dc, 0, 0, 8, 8, PATCOPY) != FALSE;
        GdiFlush();
        for (int y = 0; y < 8; ++y)
            rows[y] = static_cast<const uint8_t*>(bits)[y * 4];
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldBitmap);
    }
    if (brush)
        DeleteObject(brush);
    if (dc)
        DeleteDC(dc);
    if (dib)
        DeleteObject(dib);
    return ok;
}

// An engine bitmap of the same size and format as the surface, top-down, holding its pixels.
HSURF CopySurface(HSURF source)
{
    SURFOBJ* from = EngLockSurface(source);
    if (!from)
        return nullptr;
    HSURF copy = nullptr;
    if (from->iType == STYPE_BITMAP && from->pvScan0) {
        copy = reinterpret_cast<HSURF>(
            EngCreateBitmap(from->sizlBitmap, 0, from->iBitmapFormat, BMF_TOPDOWN, nullptr));
        if (SURFOBJ* to = copy ? EngLockSurface(copy) : nullptr) {
            const size_t rowBytes = (static_cast<size_t>(from->sizlBitmap.cx) * BitsPerPixel(from->iBitmapFormat) + 7) / 8;
            for (LONG y = 0; y < from->sizlBitmap.cy; ++y)
                std::memcpy(static_cast<uint8_t*>(to->pvScan0) + static_cast<ptrdiff_t>(y) * to->lDelta,
                            static_cast<const uint8_t*>(from->pvScan0) + static_cast<ptrdiff_t>(y) * from->lDelta,
                            rowBytes);
            EngUnlockSurface(to);
        }
    }
    EngUnlockSurface(from);
    return copy;
}

HSURF HatchSurface(ULONG style)
{
    uint8_t rows[8];
    if (!GdiHatchRows(style, rows))
        return nullptr;
    HSURF surface = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{8, 8}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
    if (SURFOBJ* so = surface ? EngLockSurface(surface) : nullptr) {
        for (int y = 0; y < 8; ++y)
            static_cast<uint8_t*>(so->pvScan0)[y * so->lDelta] = rows[y];
        EngUnlockSurface(so);
    }
    return surface;
}

// Deletes what a brush under construction holds, outside the lock.
void Discard(std::unique_ptr<Brush> brush) { brush.reset(); }

}  // namespace

BRUSHOBJ* WINAPI HostEngCreateBrush(const HOSTENG_BRUSH* pbrush, SURFOBJ* psoTarget)
{
    if (!pbrush)
        return nullptr;
    std::unique_ptr<Brush> brush(new (std::nothrow) Brush);
    if (!brush)
        return nullptr;
    brush->type = pbrush->iType;
    brush->target = psoTarget;
    brush->bo.iSolidColor = 0xFFFFFFFF;
    switch (pbrush->iType) {
    case HOSTENG_BRUSH_SOLID:
        brush->bo.iSolidColor = pbrush->iSolidColor;
        break;
    case HOSTENG_BRUSH_HATCH: {
        if (pbrush->iHatch >= HS_DDI_MAX)
            return nullptr;
        brush->hatch = pbrush->iHatch;
        brush->fore = pbrush->iForeColor;
        brush->back = pbrush->iBackColor;
        brush->pattern = HatchSurface(pbrush->iHatch);
        Translation t;
        t.trivial = false;
        try {
            t.table = {pbrush->iBackColor, pbrush->iForeColor};
            t.src.mode = PAL_INDEXED;
            t.src.colors = {0x000000, 0xFFFFFF};
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        brush->xlate = AdoptTranslation(std::move(t), PAL_INDEXED, PAL_RGB);
        if (!brush->pattern || !brush->xlate) {
            Discard(std::move(brush));
            return nullptr;
        }
        break;
    }
    case HOSTENG_BRUSH_PATTERN: {
        brush->pattern = CopySurface(pbrush->hsurfPattern);
        if (pbrush->hsurfMask)
            brush->mask = CopySurface(pbrush->hsurfMask);
        Translation t;
        bool ok = brush->pattern && (!pbrush->hsurfMask || brush->mask) && TranslationOf(pbrush->pxlo, &t);
        if (ok && pbrush->pxlo) {
            const ULONG srcType = t.src.mode, dstType = t.dst.mode;
            brush->xlate = AdoptTranslation(std::move(t), srcType, dstType);
            ok = brush->xlate != nullptr;
        }
        if (!ok) {
            Discard(std::move(brush));
            return nullptr;
        }
        break;
    }
    default:
        return nullptr;
    }
    EngineLock lock;
    BRUSHOBJ* out = &brush->bo;
    return Adopt(brush, out) ? out : nullptr;
}

VOID WINAPI HostEngDeleteBrush(BRUSHOBJ* pbo)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = ReleaseAddressed(pbo, ObjectKind::Brush);
}

PVOID APIENTRY BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj)
{
    {
        EngineLock lock;
        if (!FindAddressedAs<Brush>(pbo, ObjectKind::Brush))
            return nullptr;
    }
    void* block = EngAllocMem(FL_ZERO_MEMORY, cj, 0);
    if (!block)
        return nullptr;
    EngineLock lock;
    Brush* brush = FindAddressedAs<Brush>(pbo, ObjectKind::Brush);
    try {
        if (brush) {
            brush->blocks.push_back(block);
            return block;
        }
    } catch (const std::bad_alloc&) {
    }
    EngFreeMem(block);
    return nullptr;
}

PVOID APIENTRY BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo)
{
    RealizeBrushFn realize = nullptr;
    SURFOBJ* target = nullptr;
    HSURF pattern = nullptr, mask = nullptr;
    XLATEOBJ* xlate = nullptr;
    ULONG hatch = HS_DDI_MAX;
    {
        EngineLock lock;
        Brush* brush = FindAddressedAs<Brush>(pbo, ObjectKind::Brush);
        if (!brush)
            return nullptr;
        if (pbo->pvRbrush || brush->type == HOSTENG_BRUSH_SOLID || brush->tried)
            return pbo->pvRbrush;
        brush->tried = true;
        const Surface* surface = FindSurfaceObject(brush->target);
        DHPDEV dhpdev = nullptr;
        realize = HookAs<RealizeBrushFn>(DeviceHook(surface, INDEX_DrvRealizeBrush, &dhpdev));
        if (!realize)
            return nullptr;
        target = brush->target;
        pattern = brush->pattern;
        mask = brush->mask;
        xlate = brush->xlate;
        if (brush->type == HOSTENG_BRUSH_HATCH) {
            hatch = brush->hatch;
            const Device* device = LookupDevice(HandleValue(surface->hdev));
            if (device && device->patterns[hatch] && LookupSurface(HandleValue(device->patterns[hatch])))
                pattern = device->patterns[hatch];
            mask = pattern;  // the lines are the foreground
        }
    }
    // The driver is called without the engine lock: it calls the engine back.
    SURFOBJ* patternObject = EngLockSurface(pattern);
    SURFOBJ* maskObject = mask ? EngLockSurface(mask) : nullptr;
    const BOOL realized = patternObject ? realize(pbo, target, patternObject, maskObject, xlate, hatch) : FALSE;
    if (maskObject)
        EngUnlockSurface(maskObject);
    if (patternObject)
        EngUnlockSurface(patternObject);

    EngineLock lock;
    Brush* brush = FindAddressedAs<Brush>(pbo, ObjectKind::Brush);
    if (!brush)
        return nullptr;
    if (!realized) {
        pbo->pvRbrush = nullptr;
        return nullptr;
    }
    if (!pbo->pvRbrush && !brush->blocks.empty())
        pbo->pvRbrush = brush->blocks.back();
    return pbo->pvRbrush;
}

namespace drveng {

bool BrushPaintOf(BRUSHOBJ* pbo, BrushPaint* out)
{
    *out = BrushPaint{};
    if (!pbo)
        return true;
    EngineLock lock;
    const Brush* brush = FindAddressedAs<Brush>(pbo, ObjectKind::Brush);
    if (!brush) {
        if (pbo->iSolidColor != 0xFFFFFFFF) {
            out->kind = HOSTENG_BRUSH_SOLID;
            out->solid = pbo->iSolidColor;
        }
        return true;
    }
    out->kind = brush->type;
    out->solid = pbo->iSolidColor;
    out->hatch = brush->hatch;
    out->fore = brush->fore;
    out->back = brush->back;
    if (brush->type != HOSTENG_BRUSH_PATTERN)
        return true;
    const Surface* pattern = LookupSurface(HandleValue(brush->pattern));
    if (!pattern)
        return false;
    const Translation* t = brush->xlate ? TranslationLocked(brush->xlate) : nullptr;
    try {
        out->width = pattern->size.cx;
        out->height = pattern->size.cy;
        out->pixels.resize(static_cast<size_t>(out->width) * static_cast<size_t>(out->height));
        const ULONG bpp = BitsPerPixel(pattern->format);
        for (LONG y = 0; y < out->height; ++y)
            for (LONG x = 0; x < out->width; ++x)
            {
                const ULONG value = ReadPixel(pattern->scan0, pattern->delta, bpp, x, y);
                out->pixels[static_cast<size_t>(y) * static_cast<size_t>(out->width) + static_cast<size_t>(x)] =
                    t ? (*t)(value) : value;
            }
        if (const Surface* mask = brush->mask ? LookupSurface(HandleValue(brush->mask)) : nullptr) {
            out->mask.resize(out->pixels.size());
            const ULONG maskBpp = BitsPerPixel(mask->format);
            for (LONG y = 0; y < out->height; ++y)
                for (LONG x = 0; x < out->width; ++x)
                    out->mask[static_cast<size_t>(y) * static_cast<size_t>(out->width) + static_cast<size_t>(x)] =
                        y < mask->size.cy && x < mask->size.cx && ReadPixel(mask->scan0, mask->delta, maskBpp, x, y) != 0;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace drveng
