// The engine's objects and the one table of handles that names them.
//
// Every handle the engine gives out (surfaces and bitmaps, palettes, devices) is an index into
// this table with a generation number: a handle is accepted only when its slot holds a live
// object of the expected kind made in that generation, so a stale handle, a handle of another
// kind or any other value is refused without being dereferenced. All access to the table and to
// the objects in it is made under the engine lock.
#pragma once
#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace drveng {

enum class ObjectKind : uint8_t { Surface = 1, Palette, Device };

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

struct Device : EngineObject {
    Device() : EngineObject(ObjectKind::Device) {}
    DHPDEV dhpdev = nullptr;
    bool abort = false;
};

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

template <class Handle>
uintptr_t HandleValue(Handle h)
{
    return reinterpret_cast<uintptr_t>(h);
}

}  // namespace drveng
