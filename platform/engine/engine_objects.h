// The engine's objects, the one table of handles that names them and the register of the objects
// a driver reaches by address.
//
// Every handle the engine gives out (surfaces and bitmaps, palettes, devices) is an index into
// this table with a generation number: a handle is accepted only when its slot holds a live
// object of the expected kind made in that generation, so a stale handle, a handle of another
// kind or any other value is refused without being dereferenced. The drawing objects (CLIPOBJ,
// PATHOBJ, BRUSHOBJ, XLATEOBJ, XFORMOBJ, FONTOBJ, STROBJ) reach the driver as pointers to their
// public part; the register maps such an address to the engine's object, so a pointer that is
// not one of ours is recognised without being read. All access to the table, the register and
// the objects in them is made under the engine lock.
#pragma once
#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace drveng {

enum class ObjectKind : uint8_t { Surface = 1, Palette, Device, Clip, Path, Brush, Xlate, Xform, Font, String };

struct EngineObject {
    explicit EngineObject(ObjectKind k) : kind(k) {}
    virtual ~EngineObject() = default;
    EngineObject(const EngineObject&) = delete;
    EngineObject& operator=(const EngineObject&) = delete;
    const ObjectKind kind;
    uintptr_t handle = 0;  // set when the object enters the table
};

// A surface: a bitmap whose bits the engine or the driver holds, or a device surface without bits.
struct Surface : EngineObject {
    Surface() : EngineObject(ObjectKind::Surface) {}
    ~Surface() override;

    SURFOBJ so = {};  // handed to the driver; the driver may write it (dhpdev), so the engine
                      // keeps its own copy of everything it relies on below

    bool device = false;       // STYPE_DEVICE: no bits
    SIZEL size = {};
    ULONG format = 0;          // BMF_*
    uint8_t* scan0 = nullptr;  // first (top) scan line
    ptrdiff_t delta = 0;       // bytes from one scan line to the one below
    HBITMAP dib = nullptr;     // engine-allocated bits: the DIB section that holds them

    HDEV hdev = nullptr;
    FLONG hooks = 0;
    bool banding = false;
    ULONG locks = 0;       // EngLockSurface calls not yet matched by EngUnlockSurface
    ULONG pins = 0;        // engine operations working on the bits outside the engine lock
    bool deleted = false;  // EngDeleteSurface came while locked or pinned: freed when neither
};

struct Palette : EngineObject {
    Palette() : EngineObject(ObjectKind::Palette) {}
    ULONG mode = 0;
    std::vector<ULONG> colors;
    FLONG red = 0, green = 0, blue = 0;
};

struct DeviceFonts;

struct Device : EngineObject {
    Device();
    ~Device() override;
    DHPDEV dhpdev = nullptr;
    bool abort = false;
    PFN hooks[INDEX_LAST] = {};  // the driver's functions by DDI index, once the host gave them
    bool haveInfo = false;       // gdi and dev below were given by the host
    GDIINFO gdi = {};
    DEVINFO dev = {};
    HSURF patterns[HS_DDI_MAX] = {};
    std::unique_ptr<DeviceFonts> fonts;  // the driver's device fonts, read at first use
};

// The colours of a palette: what a pixel value of it means.
struct ColourSpace {
    ULONG mode = PAL_RGB;        // PAL_INDEXED, PAL_BITFIELDS, PAL_RGB or PAL_BGR
    std::vector<ULONG> colors;   // PAL_INDEXED: 0x00BBGGRR each
    FLONG red = 0, green = 0, blue = 0;
    bool operator==(const ColourSpace& o) const
    {
        return mode == o.mode && colors == o.colors && red == o.red && green == o.green && blue == o.blue;
    }
};

// The colour (0x00BBGGRR) of a pixel value, and the pixel value of a colour (the nearest entry of
// an indexed palette, the lowest index of equals).
COLORREF DecodeColour(const ColourSpace& space, ULONG value);
ULONG EncodeColour(const ColourSpace& space, COLORREF colour);

// A translation of pixel values, taken from an XLATEOBJ (or none: values kept).
struct Translation {
    bool trivial = true;
    bool mono = false;        // value == back gives 1, others 0
    ULONG back = 0;
    std::vector<ULONG> table; // by source index, when the source is indexed
    ColourSpace src, dst;
    ULONG operator()(ULONG value) const
    {
        if (trivial)
            return value;
        if (mono)
            return value == back ? 1u : 0u;
        if (value < table.size())
            return table[value];
        return EncodeColour(dst, DecodeColour(src, value));
    }
};

// The translation of an XLATEOBJ of the engine; a NULL or unknown object translates nothing.
// false only when memory runs out.
bool TranslationOf(XLATEOBJ* pxlo, Translation* out);

// The translation of an engine XLATEOBJ, or nullptr; requires the engine lock.
const Translation* TranslationLocked(XLATEOBJ* pxlo);

// Makes an engine XLATEOBJ of a prepared translation; NULL when memory runs out.
XLATEOBJ* AdoptTranslation(Translation t, ULONG srcType, ULONG dstType);

// The rectangles a CLIPOBJ lets drawing reach: *clipped false when it clips nothing (NULL,
// DC_TRIVIAL), else the region's rectangles within rclBounds (a clip the driver made itself:
// rclBounds). false only when memory runs out.
bool ClipArea(const CLIPOBJ* pco, std::vector<RECTL>* rects, bool* clipped);

// The points and GetPath point types of an engine path; false for an unknown path.
bool PathFigures(const PATHOBJ* ppo, std::vector<POINTFIX>* points, std::vector<BYTE>* types);

// The matrix of an XFORMOBJ (NULL: the identity); false for an unknown object.
bool XformMatrix(XFORMOBJ* pxo, XFORM* m);

// What a brush paints, with a pattern's pixels already in the colour indices of its target.
struct BrushPaint {
    ULONG kind = 0;             // HOSTENG_BRUSH_*; 0: no brush
    ULONG solid = 0;            // SOLID
    ULONG hatch = 0;            // HATCH, with its line and background colours
    ULONG fore = 0, back = 0;
    LONG width = 0, height = 0; // PATTERN, pixels row by row from the top
    std::vector<ULONG> pixels;
    std::vector<uint8_t> mask;  // PATTERN with a mask: one entry a pixel, 1 for the foreground
};

// What a BRUSHOBJ paints: an engine brush as made; a brush the driver made itself by its
// iSolidColor (kind 0 when that is 0xFFFFFFFF). false only when memory runs out.
bool BrushPaintOf(BRUSHOBJ* pbo, BrushPaint* out);

// Pins the live engine surface of a SURFOBJ so that its bits stay while they are used outside the
// engine lock; nullptr for a SURFOBJ that is not a live surface of the engine. UnpinSurface ends
// the use, giving the surface a new iUniq when its bits changed.
Surface* PinSurfaceObject(const SURFOBJ* pso);
void UnpinSurface(Surface* surface, bool changed);

// A DIB section for engine bits, so that GDI can draw on them. Indexed formats get a grey ramp as
// colour table (black at index 0, white at the last index): every index has a colour of its own,
// so GDI maps each colour back to its index.
HBITMAP CreateSurfaceDib(LONG width, LONG height, ULONG bpp, bool topDown, void** bits);

// Bits a pixel of a BMF_* format (0 for an unknown format).
ULONG BitsPerPixel(ULONG format);

// The pixel value at x, y of scan lines from scan0, delta bytes apart (1 and 4 bit pixels packed
// from the high bits, wider ones little-endian), and its writer.
inline ULONG ReadPixel(const uint8_t* scan0, ptrdiff_t delta, ULONG bpp, LONG x, LONG y)
{
    const uint8_t* row = scan0 + static_cast<ptrdiff_t>(y) * delta;
    switch (bpp) {
    case 1: return (row[x / 8] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0xFu;
    case 8: return row[x];
    case 16: return row[2 * x] | (static_cast<ULONG>(row[2 * x + 1]) << 8);
    case 24: return row[3 * x] | (static_cast<ULONG>(row[3 * x + 1]) << 8) | (static_cast<ULONG>(row[3 * x + 2]) << 16);
    default:
        return row[4 * x] | (static_cast<ULONG>(row[4 * x + 1]) << 8) | (static_cast<ULONG>(row[4 * x + 2]) << 16) |
               (static_cast<ULONG>(row[4 * x + 3]) << 24);
    }
}

inline void WritePixel(uint8_t* scan0, ptrdiff_t delta, ULONG bpp, LONG x, LONG y, ULONG value)
{
    uint8_t* row = scan0 + static_cast<ptrdiff_t>(y) * delta;
    switch (bpp) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x / 8] = static_cast<uint8_t>((value & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit));
        return;
    }
    case 4: {
        const unsigned shift = (x & 1) ? 0 : 4;
        row[x / 2] = static_cast<uint8_t>((row[x / 2] & ~(0xFu << shift)) | ((value & 0xFu) << shift));
        return;
    }
    default: {
        const ULONG bytes = bpp / 8;
        for (ULONG i = 0; i < bytes; ++i)
            row[static_cast<size_t>(x) * bytes + i] = static_cast<uint8_t>(value >> (8 * i));
        return;
    }
    }
}

// Holds the engine lock for its lifetime.
class EngineLock {
public:
    EngineLock();
    ~EngineLock();
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;
};

// The functions below require the engine lock.

// Puts an object into the table and returns its handle; 0 when the table is full.
uintptr_t InsertObject(std::unique_ptr<EngineObject> object);
// The live object of that kind named by the handle, or nullptr.
EngineObject* LookupObject(uintptr_t handle, ObjectKind kind);
// Takes the object out of the table (its handle becomes stale); nullptr for an invalid handle.
// Callers destroy the object after releasing the lock.
std::unique_ptr<EngineObject> RemoveObject(uintptr_t handle, ObjectKind kind);
// Typed look-ups.
Surface* LookupSurface(uintptr_t handle);                 // not deleted
Surface* FindSurfaceObject(const SURFOBJ* pso);           // any surface whose SURFOBJ this is
Device* LookupDevice(uintptr_t handle);
Palette* LookupPalette(uintptr_t handle);

// The objects a driver reaches by the address of their public part. Adopt takes the object, or
// fails (false, the object left with the caller, to be destroyed after the lock is released) when
// memory runs out.
bool AdoptAddressed(std::unique_ptr<EngineObject>& object, const void* address);
EngineObject* FindAddressed(const void* address, ObjectKind kind);
// Takes the object out of the register; the caller destroys it after releasing the lock.
std::unique_ptr<EngineObject> ReleaseAddressed(const void* address, ObjectKind kind);

template <class T>
bool Adopt(std::unique_ptr<T>& object, const void* address)
{
    std::unique_ptr<EngineObject> base(object.release());
    if (AdoptAddressed(base, address))
        return true;
    object.reset(static_cast<T*>(base.release()));
    return false;
}

template <class T>
T* FindAddressedAs(const void* address, ObjectKind kind)
{
    return static_cast<T*>(FindAddressed(address, kind));
}

// A new value for the iUniq of a surface or object: never 0, never the same twice in a process
// (until 2^32 values have been handed out).
ULONG NextUniq();

// The driver function of a DDI index for the device a surface is associated with, with that
// device's PDEV; nullptr when the surface has none or the driver did not give that function.
PFN DeviceHook(const Surface* surface, ULONG index, DHPDEV* dhpdev);

template <class Fn>
Fn HookAs(PFN pfn)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(pfn));
}

template <class Handle>
uintptr_t HandleValue(Handle h)
{
    return reinterpret_cast<uintptr_t>(h);
}

}  // namespace drveng
