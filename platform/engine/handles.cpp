// The engine's table of handles and its lock.
#include "engine_objects.h"

#include <deque>
#include <new>
#include <unordered_map>
#include <utility>

namespace drveng {
namespace {

// A handle is (generation << 16) | slot number, with slot numbers from 1 to 0xFFFF and
// generations from 1 to 0x7FFF: no handle is below 0x10000 and every handle fits in 31 bits on
// both architectures.
constexpr size_t kMaxSlots = 0xFFFF;
constexpr uint16_t kMaxGeneration = 0x7FFF;
// Freed slots are taken again only once this many slots exist, oldest first, so that the handle
// of a deleted object stays stale for long even when objects come and go one at a time.
constexpr size_t kSlotsBeforeReuse = 1024;

struct Slot {
    uint16_t generation = 1;
    std::unique_ptr<EngineObject> object;
};

struct Table {
    std::vector<Slot> slots;
    std::deque<size_t> freeSlots;  // indexes of empty slots, oldest first
    std::unordered_map<const void*, std::unique_ptr<EngineObject>> addressed;
};

SRWLOCK g_lock = SRWLOCK_INIT;

Table& TheTable()
{
    // Never destroyed: objects the driver leaves at process exit go with the process.
    static Table* const table = new Table;
    return *table;
}

Slot* FindSlot(uintptr_t handle, ObjectKind kind)
{
    if (handle >> 31)
        return nullptr;
    const size_t number = handle & 0xFFFF;
    const uintptr_t generation = handle >> 16;
    if (number == 0 || generation == 0)
        return nullptr;
    Table& table = TheTable();
    if (number > table.slots.size())
        return nullptr;
    Slot& slot = table.slots[number - 1];
    if (slot.generation != generation || !slot.object || slot.object->kind != kind)
        return nullptr;
    return &slot;
}

}  // namespace

EngineLock::EngineLock() { AcquireSRWLockExclusive(&g_lock); }
EngineLock::~EngineLock() { ReleaseSRWLockExclusive(&g_lock); }

uintptr_t InsertObject(std::unique_ptr<EngineObject> object)
{
    Table& table = TheTable();
    size_t index = 0;
    try {
        if (!table.freeSlots.empty() &&
            (table.slots.size() >= kSlotsBeforeReuse || table.slots.size() >= kMaxSlots)) {
            index = table.freeSlots.front();
            table.freeSlots.pop_front();
        } else if (table.slots.size() < kMaxSlots) {
            table.slots.emplace_back();
            index = table.slots.size() - 1;
        } else {
            return 0;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    Slot& slot = table.slots[index];
    const uintptr_t handle = (static_cast<uintptr_t>(slot.generation) << 16) | (index + 1);
    object->handle = handle;
    slot.object = std::move(object);
    return handle;
}

EngineObject* LookupObject(uintptr_t handle, ObjectKind kind)
{
    Slot* slot = FindSlot(handle, kind);
    return slot ? slot->object.get() : nullptr;
}

std::unique_ptr<EngineObject> RemoveObject(uintptr_t handle, ObjectKind kind)
{
    Slot* slot = FindSlot(handle, kind);
    if (!slot)
        return nullptr;
    Table& table = TheTable();
    std::unique_ptr<EngineObject> object = std::move(slot->object);
    slot->generation = slot->generation == kMaxGeneration ? 1 : slot->generation + 1;
    try {
        table.freeSlots.push_back(static_cast<size_t>(slot - table.slots.data()));
    } catch (const std::bad_alloc&) {
        // The slot stays empty and unused; its handles remain refused.
    }
    return object;
}

Surface* LookupSurface(uintptr_t handle)
{
    auto* surface = static_cast<Surface*>(LookupObject(handle, ObjectKind::Surface));
    return surface && !surface->deleted ? surface : nullptr;
}

Surface* FindSurfaceObject(const SURFOBJ* pso)
{
    if (!pso)
        return nullptr;
    // Compared by address only: a pointer that is not one of ours is never read.
    for (Slot& slot : TheTable().slots) {
        if (slot.object && slot.object->kind == ObjectKind::Surface) {
            auto* surface = static_cast<Surface*>(slot.object.get());
            if (&surface->so == pso)
                return surface;
        }
    }
    return nullptr;
}

bool AdoptAddressed(std::unique_ptr<EngineObject>& object, const void* address)
{
    try {
        auto [at, added] = TheTable().addressed.emplace(address, nullptr);
        if (!added)
            return false;
        at->second = std::move(object);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

EngineObject* FindAddressed(const void* address, ObjectKind kind)
{
    if (!address)
        return nullptr;
    auto& addressed = TheTable().addressed;
    const auto found = addressed.find(address);
    return found != addressed.end() && found->second->kind == kind ? found->second.get() : nullptr;
}

std::unique_ptr<EngineObject> ReleaseAddressed(const void* address, ObjectKind kind)
{
    auto& addressed = TheTable().addressed;
    const auto found = addressed.find(address);
    if (!address || found == addressed.end() || found->second->kind != kind)
        return nullptr;
    std::unique_ptr<EngineObject> object = std::move(found->second);
    addressed.erase(found);
    return object;
}

ULONG NextUniq()
{
    static LONG last = 0;
    ULONG value = 0;
    do {
        value = static_cast<ULONG>(InterlockedIncrement(&last));
    } while (value == 0);
    return value;
}

PFN DeviceHook(const Surface* surface, ULONG index, DHPDEV* dhpdev)
{
    if (!surface || index >= INDEX_LAST)
        return nullptr;
    const Device* device = LookupDevice(HandleValue(surface->hdev));
    if (!device || !device->hooks[index])
        return nullptr;
    if (dhpdev)
        *dhpdev = device->dhpdev;
    return device->hooks[index];
}

Device* LookupDevice(uintptr_t handle)
{
    return static_cast<Device*>(LookupObject(handle, ObjectKind::Device));
}

Palette* LookupPalette(uintptr_t handle)
{
    return static_cast<Palette*>(LookupObject(handle, ObjectKind::Palette));
}

}  // namespace drveng
