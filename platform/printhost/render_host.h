// The graphics engine's part in driving a printer's rendering library: loading it, taking its
// hook table, and the life of its PDEVs and surfaces as device contexts are created, reset and
// deleted.
#pragma once
#include <windows.h>
#include <winddi.h>

#include <string>

// A printer's rendering library, loaded and enabled.
class HostRenderDriver {
public:
    HostRenderDriver() = default;
    ~HostRenderDriver() { unload(); }
    HostRenderDriver(const HostRenderDriver&) = delete;
    HostRenderDriver& operator=(const HostRenderDriver&) = delete;

    // Loads the rendering library named by the printer's driver record (level 2, pDriverPath)
    // and enables it (DrvEnableDriver with this engine's DDI version). On failure returns false
    // and says why in error.
    bool load(HANDLE printer, std::wstring* error);
    // DrvDisableDriver, then the library is unloaded. Nothing when not loaded.
    void unload();

    HMODULE module() const { return module_; }
    const DRVENABLEDATA& enableData() const { return data_; }
    // The driver's hook for a DDI index, or NULL when its table has none.
    PFN hook(ULONG index) const;
    template <class Fn> Fn hookAs(ULONG index) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(hook(index)));
    }

private:
    HMODULE module_ = nullptr;
    DRVENABLEDATA data_ = {};
};

// A PDEV of the driver with what the engine keeps of it.
struct HostPdev {
    DHPDEV dhpdev = nullptr;
    HDEV hdev = nullptr;      // the engine device the PDEV's surfaces are associated with
    HSURF surface = nullptr;  // from DrvEnableSurface, while enabled
    GDIINFO gdiInfo = {};
    DEVINFO devInfo = {};
    HSURF patterns[HS_DDI_MAX] = {};
};

// Enables a PDEV as the engine does for a new device context: an engine device, DrvEnablePDEV
// with the DEVMODE (NULL for none), the printer's name and handle, then DrvCompletePDEV. Buffer
// sizes are those of GDIINFO and DEVINFO. false (nothing left behind) when the driver refuses.
bool HostEnablePdev(const HostRenderDriver& driver, HANDLE printer, const std::wstring& deviceName,
                    const DEVMODEW* devmode, HostPdev* out);
// DrvEnableSurface; false when it returns NULL.
bool HostEnableSurface(const HostRenderDriver& driver, HostPdev* pdev);
// DrvDisableSurface when a surface is enabled.
void HostDisableSurface(const HostRenderDriver& driver, HostPdev* pdev);
// DrvDisablePDEV (after its surface) and the engine device.
void HostDisablePdev(const HostRenderDriver& driver, HostPdev* pdev);
// Resets a device context as the engine does: a new PDEV for the DEVMODE, DrvResetPDEV from the
// old to the new one, the old surface and PDEV disabled, then the new surface enabled. On success
// *pdev is the new PDEV with its surface; on failure the old one is left as it was (when the new
// PDEV could not be made) or disabled with the new one (when DrvResetPDEV failed). withSurface
// false leaves the surfaces alone.
bool HostResetPdev(const HostRenderDriver& driver, HANDLE printer, const std::wstring& deviceName,
                   const DEVMODEW* devmode, HostPdev* pdev, bool withSurface = true);
