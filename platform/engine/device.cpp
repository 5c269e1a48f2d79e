// Engine devices, which the host makes for a driver's PDEV, and the job's abort state that
// EngCheckAbort reports for the surfaces associated with them.
#include "enghost.h"
#include "engine_fonts.h"

#include <algorithm>
#include <iterator>
#include <new>

using namespace drveng;

HDEV WINAPI HostEngCreateDevice(DHPDEV dhpdev)
{
    std::unique_ptr<Device> device(new (std::nothrow) Device);
    if (!device)
        return nullptr;
    device->dhpdev = dhpdev;
    EngineLock lock;
    return reinterpret_cast<HDEV>(InsertObject(std::move(device)));
}

BOOL WINAPI HostEngSetDevicePdev(HDEV hdev, DHPDEV dhpdev)
{
    EngineLock lock;
    Device* device = LookupDevice(HandleValue(hdev));
    if (!device)
        return FALSE;
    device->dhpdev = dhpdev;
    return TRUE;
}

BOOL WINAPI HostEngDeleteDevice(HDEV hdev)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = RemoveObject(HandleValue(hdev), ObjectKind::Device);
    return removed ? TRUE : FALSE;
}

BOOL WINAPI HostEngSetAbort(HDEV hdev, BOOL bAbort)
{
    EngineLock lock;
    Device* device = LookupDevice(HandleValue(hdev));
    if (!device)
        return FALSE;
    device->abort = bAbort != FALSE;
    return TRUE;
}

BOOL APIENTRY EngCheckAbort(SURFOBJ* pso)
{
    EngineLock lock;
    const Surface* surface = FindSurfaceObject(pso);
    if (!surface)
        return FALSE;
    const Device* device = LookupDevice(HandleValue(surface->hdev));
    return device && device->abort ? TRUE : FALSE;
}

BOOL WINAPI HostEngSetDeviceDriver(HDEV hdev, ULONG c, const DRVFN* pdrvfn)
{
    if (c && !pdrvfn)
        return FALSE;
    EngineLock lock;
    Device* device = LookupDevice(HandleValue(hdev));
    if (!device)
        return FALSE;
    std::fill(std::begin(device->hooks), std::end(device->hooks), nullptr);
    for (ULONG i = 0; i < c; ++i)
        if (pdrvfn[i].iFunc < INDEX_LAST)
            device->hooks[pdrvfn[i].iFunc] = pdrvfn[i].pfn;
    return TRUE;
}

BOOL WINAPI HostEngSetDeviceInfo(HDEV hdev, const GDIINFO* pgdi, const DEVINFO* pdi, const HSURF* phsurfPatterns)
{
    if (!pgdi || !pdi)
        return FALSE;
    std::unique_ptr<DeviceFonts> forgotten;
    EngineLock lock;
    Device* device = LookupDevice(HandleValue(hdev));
    if (!device)
        return FALSE;
    device->haveInfo = true;
    device->gdi = *pgdi;
    device->dev = *pdi;
    for (ULONG i = 0; i < HS_DDI_MAX; ++i)
        device->patterns[i] = phsurfPatterns ? phsurfPatterns[i] : nullptr;
    forgotten = std::move(device->fonts);
    return TRUE;
}
