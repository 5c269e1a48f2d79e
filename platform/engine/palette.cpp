// Engine palettes: indexed (a copy of the driver's colours), bit fields, and direct RGB or BGR.
#include "enghost.h"
#include "engine_objects.h"

#include <algorithm>
#include <new>

using namespace drveng;

namespace {

// No indexed format has more entries than a 16-bit index can reach.
constexpr ULONG kMaxIndexedColors = 0x10000;

// A mask of one run of set bits: adding its lowest bit carries through the whole run.
bool IsContiguousMask(FLONG mask)
{
    const ULONG m = static_cast<ULONG>(mask);
    if (m == 0)
        return false;
    const ULONG lowest = m & (~m + 1u);
    return ((m + lowest) & m) == 0;
}

}  // namespace

HPALETTE APIENTRY EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                   FLONG flGreen, FLONG flBlue)
{
    std::unique_ptr<Palette> palette(new (std::nothrow) Palette);
    if (!palette)
        return nullptr;
    palette->mode = iMode;
    switch (iMode) {
    case PAL_INDEXED:
        if (cColors == 0 || cColors > kMaxIndexedColors || !pulColors)
            return nullptr;
        try {
            palette->colors.assign(pulColors, pulColors + cColors);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        break;
    case PAL_BITFIELDS:
        // Each mask one run of bits, no two overlapping.
        if (!IsContiguousMask(flRed) || !IsContiguousMask(flGreen) || !IsContiguousMask(flBlue) ||
            (flRed & flGreen) || (flRed & flBlue) || (flGreen & flBlue))
            return nullptr;
        palette->red = flRed;
        palette->green = flGreen;
        palette->blue = flBlue;
        break;
    case PAL_RGB:
    case PAL_BGR:
        break;
    default:
        return nullptr;
    }
    EngineLock lock;
    return reinterpret_cast<HPALETTE>(InsertObject(std::move(palette)));
}

BOOL APIENTRY EngDeletePalette(HPALETTE hpal)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = RemoveObject(HandleValue(hpal), ObjectKind::Palette);
    if (!removed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI HostEngQueryPalette(HPALETTE hpal, HOSTENG_PALETTEINFO* info, ULONG* pulColors,
                                ULONG cColorsMax)
{
    EngineLock lock;
    const Palette* palette = LookupPalette(HandleValue(hpal));
    if (!palette || !info || (cColorsMax && !pulColors))
        return FALSE;
    info->iMode = palette->mode;
    info->cColors = static_cast<ULONG>(palette->colors.size());
    info->flRed = palette->red;
    info->flGreen = palette->green;
    info->flBlue = palette->blue;
    const size_t copied = std::min<size_t>(cColorsMax, palette->colors.size());
    std::copy_n(palette->colors.begin(), copied, pulColors);
    return TRUE;
}
