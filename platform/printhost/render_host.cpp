// The engine's side of a rendering library's PDEVs and surfaces.
#include "render_host.h"

#include <winspool.h>

#include <vector>

#include "enghost.h"
#include "proc_address.h"

namespace {

constexpr ULONG ENGINE_DDI_VERSION = 0x20000;

using EnableDriverFn = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
using DisableDriverFn = VOID(APIENTRY*)();
using EnablePdevFn = DHPDEV(APIENTRY*)(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV, LPWSTR,
                                       HANDLE);
using CompletePdevFn = VOID(APIENTRY*)(DHPDEV, HDEV);
using ResetPdevFn = BOOL(APIENTRY*)(DHPDEV, DHPDEV);
using DisablePdevFn = VOID(APIENTRY*)(DHPDEV);
using EnableSurfaceFn = HSURF(APIENTRY*)(DHPDEV);
using DisableSurfaceFn = VOID(APIENTRY*)(DHPDEV);

std::wstring DriverPath(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed == 0) return {};
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return {};
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
    return info->pDriverPath ? info->pDriverPath : L"";
}

}  // namespace

bool HostRenderDriver::load(HANDLE printer, std::wstring* error)
{
    unload();
    const std::wstring path = DriverPath(printer);
    if (path.empty()) {
        if (error) *error = L"the printer's driver record names no rendering library";
        return false;
    }
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module_) {
        if (error) *error = L"cannot load " + path;
        return false;
    }
    auto enable = ProcAddress<EnableDriverFn>(module_, "DrvEnableDriver");
    data_ = {};
    if (!enable || !enable(ENGINE_DDI_VERSION, sizeof data_, &data_)) {
        if (error) *error = L"DrvEnableDriver failed for " + path;
        FreeLibrary(module_);
        module_ = nullptr;
        data_ = {};
        return false;
    }
    return true;
}

void HostRenderDriver::unload()
{
    if (!module_) return;
    if (auto disable = ProcAddress<DisableDriverFn>(module_, "DrvDisableDriver")) disable();
    FreeLibrary(module_);
    module_ = nullptr;
    data_ = {};
}

PFN HostRenderDriver::hook(ULONG index) const
{
    if (!module_ || !data_.pdrvfn) return nullptr;
    for (ULONG i = 0; i < data_.c; ++i)
        if (data_.pdrvfn[i].iFunc == index) return data_.pdrvfn[i].pfn;
    return nullptr;
}

bool HostEnablePdev(const HostRenderDriver& driver, HANDLE printer, const std::wstring& deviceName,
                    const DEVMODEW* devmode, HostPdev* out)
{
    *out = HostPdev{};
    auto enable = driver.hookAs<EnablePdevFn>(INDEX_DrvEnablePDEV);
    auto complete = driver.hookAs<CompletePdevFn>(INDEX_DrvCompletePDEV);
    if (!enable || !complete) return false;
    HDEV hdev = HostEngCreateDevice(nullptr);
    if (!hdev) return false;
    std::wstring name = deviceName;
    const DHPDEV dhpdev = enable(const_cast<DEVMODEW*>(devmode), nullptr, HS_DDI_MAX, out->patterns, sizeof out->gdiInfo,
                                 reinterpret_cast<ULONG*>(&out->gdiInfo), sizeof out->devInfo, &out->devInfo, hdev,
                                 name.data(), printer);
    if (!dhpdev) {
        HostEngDeleteDevice(hdev);
        return false;
    }
    HostEngSetDevicePdev(hdev, dhpdev);
    complete(dhpdev, hdev);
    out->dhpdev = dhpdev;
    out->hdev = hdev;
    return true;
}

bool HostEnableSurface(const HostRenderDriver& driver, HostPdev* pdev)
{
    auto enable = driver.hookAs<EnableSurfaceFn>(INDEX_DrvEnableSurface);
    if (!enable || !pdev->dhpdev) return false;
    pdev->surface = enable(pdev->dhpdev);
    return pdev->surface != nullptr;
}

void HostDisableSurface(const HostRenderDriver& driver, HostPdev* pdev)
{
    if (!pdev->surface) return;
    if (auto disable = driver.hookAs<DisableSurfaceFn>(INDEX_DrvDisableSurface)) disable(pdev->dhpdev);
    pdev->surface = nullptr;
}

void HostDisablePdev(const HostRenderDriver& driver, HostPdev* pdev)
{
    HostDisableSurface(driver, pdev);
    if (pdev->dhpdev) {
        if (auto disable = driver.hookAs<DisablePdevFn>(INDEX_DrvDisablePDEV)) disable(pdev->dhpdev);
    }
    if (pdev->hdev) HostEngDeleteDevice(pdev->hdev);
    *pdev = HostPdev{};
}

bool HostResetPdev(const HostRenderDriver& driver, HANDLE printer, const std::wstring& deviceName,
                   const DEVMODEW* devmode, HostPdev* pdev, bool withSurface)
{
    auto reset = driver.hookAs<ResetPdevFn>(INDEX_DrvResetPDEV);
    if (!reset) return false;
    HostPdev next;
    if (!HostEnablePdev(driver, printer, deviceName, devmode, &next)) return false;
    const bool ok = reset(pdev->dhpdev, next.dhpdev) != FALSE;
    HostDisablePdev(driver, pdev);
    if (!ok) {
        HostDisablePdev(driver, &next);
        return false;
    }
    *pdev = next;
    if (withSurface && !HostEnableSurface(driver, pdev)) return false;
    return true;
}
