// The surfaces the engine draws a page on.
//
// Vector mode: a device surface without bits; every drawing call on it reaches the driver's
// hooks. Raster mode: a 24-bit bitmap of a band (or of the whole page or N-up sheet) in the
// driver's own memory, which the engine paints into and the band loop encodes.
#include <windows.h>
#include <winddi.h>

#include "exception_guard.h"
#include "pdev.h"

namespace {

// Hooks of each mode's surface.
constexpr FLONG VECTOR_SURFACE_HOOKS = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH |
                                       HOOK_FILLPATH | HOOK_STROKEANDFILLPATH | HOOK_COPYBITS | HOOK_STRETCHBLTROP;
constexpr FLONG RASTER_SURFACE_HOOKS =
    HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH | HOOK_COPYBITS;
static_assert(VECTOR_SURFACE_HOOKS == 0x24FB && RASTER_SURFACE_HOOKS == 0x43B);

constexpr LONG BYTES_PER_PIXEL = 3;
constexpr LONG MAX_BANDS = 8;
// A band this narrow or this low is not split further.
constexpr LONG MIN_BAND_WIDTH = 32;
constexpr LONG MIN_BAND_HEIGHT = 8;
constexpr ULONG WHITE = 0xFFFFFF;

bool WatermarkOn(const PDEV* pdev)
{
    return pdev->devmode.dmPrivate.wWatermarkFlags != 0;
}

LONG AtLeastOne(DWORD v)
{
    return v ? static_cast<LONG>(v) : 1;
}

void ClearClipState(PDEV* pdev)
{
    pdev->clipBounds = {0, 0, 4095, 4095};
}

HSURF EnableVectorSurface(PDEV* pdev)
{
    PAGEGEOMETRY& geo = pdev->geo;
    LONG width = geo.logicalWidth;
    LONG height = geo.logicalHeight;
    if (IsNupLayout(pdev)) {
        const LONG columns = AtLeastOne(pdev->devmode.dmPrivate.dwNupX);
        const LONG rows = AtLeastOne(pdev->devmode.dmPrivate.dwNupY);
        if (geo.landscape) {
            width = geo.printableHeight / rows;
            height = geo.printableWidth / columns;
        } else {
            width = geo.printableWidth / columns;
            height = geo.printableHeight / rows;
        }
    }
    if ((pdev->devmode.dmPrivate.wOptions & OPT_DRIVEREXPAND) && geo.zoom) {
        width = static_cast<LONG>(static_cast<LONGLONG>(width) * ZOOM_NONE / geo.zoom + 1);
        height = static_cast<LONG>(static_cast<LONGLONG>(height) * ZOOM_NONE / geo.zoom + 1);
    }
    ClearClipState(pdev);
    if (width <= 0 || height <= 0) return nullptr;
    const HSURF surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{width, height}, BMF_24BPP);
    if (!surface) return nullptr;
    EngAssociateSurface(surface, pdev->hdevEngine, VECTOR_SURFACE_HOOKS);
    geo.surfaceWidth = width;
    geo.surfaceHeight = height;
    pdev->hsurf = surface;
    return surface;
}

// Releases what EnableRasterSurface made, whatever step it reached.
void ReleaseRasterSurface(PDEV* pdev, bool keepBandMemory)
{
    if (pdev->bandSurface) {
        EngUnlockSurface(pdev->bandSurface);
        pdev->bandSurface = nullptr;
    }
    if (pdev->hsurf) {
        EngDeleteSurface(pdev->hsurf);
        pdev->hsurf = nullptr;
    }
    if (!keepBandMemory && pdev->band.memory) {
        GlobalFree(pdev->band.memory);
    }
    if (!keepBandMemory) pdev->band.memory = nullptr;
}

HSURF EnableRasterSurface(PDEV* pdev)
{
    PAGEGEOMETRY& geo = pdev->geo;
    BANDSTATE& band = pdev->band;
    const bool wholeSheet = IsNupLayout(pdev) || WatermarkOn(pdev);
    if (wholeSheet) band.count = 0;

    // The sheet bitmap: the logical page, or with N-up the cells of the sheet.
    LONG sheetWidth = geo.logicalWidth;
    LONG sheetHeight = geo.logicalHeight;
    if (IsNupLayout(pdev)) {
        const LONG columns = AtLeastOne(pdev->devmode.dmPrivate.dwNupX);
        const LONG rows = AtLeastOne(pdev->devmode.dmPrivate.dwNupY);
        const LONG across = geo.landscape ? rows : columns;
        const LONG down = geo.landscape ? columns : rows;
        sheetWidth = across * (geo.printableWidth / across);
        sheetHeight = down * (geo.printableHeight / down);
        geo.printableWidth = across * geo.logicalWidth;
        geo.printableHeight = down * geo.logicalHeight;
    }
    if (sheetWidth <= 0 || sheetHeight <= 0) return nullptr;
    band.sheetWidth = sheetWidth;
    band.sheetHeight = sheetHeight;

    // The band: the whole sheet first, split into more bands only while memory is short.
    const bool acrossBands = geo.landscape != 0;  // landscape arrangement bands along the width
    LONG count = band.count > 0 ? band.count : 0;
    LONG width = sheetWidth;
    LONG height = sheetHeight;
    BYTE* memory = nullptr;
    for (;;) {
        ++count;
        if (acrossBands)
            width = sheetWidth / count;
        else
            height = sheetHeight / count;
        const ULONGLONG bytes = static_cast<ULONGLONG>(width) * height * BYTES_PER_PIXEL;
        if ((pdev->jobStatus & JOBSTATUS_KEEP_BAND_MEMORY) && band.memory) {
            memory = band.memory;
            pdev->jobStatus &= ~JOBSTATUS_KEEP_BAND_MEMORY;
        } else if (bytes > 0 && bytes <= static_cast<SIZE_T>(-1)) {
            memory = static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(bytes)));
        }
        if (memory || width <= MIN_BAND_WIDTH || height <= MIN_BAND_HEIGHT || wholeSheet || count >= MAX_BANDS)
            break;
    }
    if (!memory) return nullptr;
    band.memory = memory;
    band.count = count;
    band.width = width;
    band.height = height;
    band.rowBytes = width * BYTES_PER_PIXEL;

    // The sheet origin: how far the band grid reaches past the page.
    if (acrossBands) {
        geo.sheetOrigin.x = count * width - sheetWidth;
        geo.sheetOrigin.y = 0;
    } else {
        geo.sheetOrigin.x = 0;
        geo.sheetOrigin.y = count * height - sheetHeight;
    }

    // The bitmap the engine draws on: one cell of the sheet with N-up (its bits start at the
    // cell's origin within the sheet), else the band.
    SIZEL size = {width, height};
    BYTE* bits = memory;
    if (IsNupLayout(pdev)) {
        size = {geo.logicalWidth, geo.logicalHeight};
        const POINTL origin = GetNupCellOrigin(pdev, 0);
        bits = memory + static_cast<LONGLONG>(origin.y) * band.rowBytes + static_cast<LONGLONG>(origin.x) * BYTES_PER_PIXEL;
    }
    pdev->hsurf = reinterpret_cast<HSURF>(EngCreateBitmap(size, band.rowBytes, BMF_24BPP, BMF_TOPDOWN, bits));
    if (pdev->hsurf) {
        EngAssociateSurface(pdev->hsurf, pdev->hdevEngine, RASTER_SURFACE_HOOKS);
        pdev->bandSurface = EngLockSurface(pdev->hsurf);
    }
    if (!pdev->bandSurface) {
        ReleaseRasterSurface(pdev, false);
        return nullptr;
    }
    pdev->bandSurface->dhpdev = reinterpret_cast<DHPDEV>(pdev);
    RECTL whole = {0, 0, size.cx, size.cy};
    if (!EngEraseSurface(pdev->bandSurface, &whole, WHITE)) {
        ReleaseRasterSurface(pdev, false);
        return nullptr;
    }
    if (!wholeSheet) {
        EngMarkBandingSurface(pdev->hsurf);
        pdev->jobStatus |= JOBSTATUS_BANDING;
    } else {
        band.sheetRowBytes = geo.printableHeight / 8;
    }
    geo.surfaceWidth = size.cx;
    geo.surfaceHeight = size.cy;
    return pdev->hsurf;
}

HSURF EnableSurfaceImpl(PDEV* pdev)
{
    if (!IsValidPDEV(pdev)) return nullptr;
    return IsRasterMode(pdev) ? EnableRasterSurface(pdev) : EnableVectorSurface(pdev);
}

void DisableSurfaceImpl(PDEV* pdev)
{
    if (!IsValidPDEV(pdev)) return;
    if (IsRasterMode(pdev)) {
        ReleaseRasterSurface(pdev, (pdev->jobStatus & JOBSTATUS_KEEP_BAND_MEMORY) != 0);
    } else if (pdev->hsurf) {
        EngDeleteSurface(pdev->hsurf);
        pdev->hsurf = nullptr;
    }
}

}  // namespace

HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev)
{
    return DrvGuardedCall(DdiGuard::DrvEnableSurface,
                          [&] { return EnableSurfaceImpl(reinterpret_cast<PDEV*>(dhpdev)); });
}

VOID APIENTRY DrvDisableSurface(DHPDEV dhpdev)
{
    DrvGuardedCall(DdiGuard::DrvDisableSurface, [&] { DisableSurfaceImpl(reinterpret_cast<PDEV*>(dhpdev)); });
}
