// The engine's road for a printer device context.
#include "dc_road.h"

#include <winspool.h>
#include <winddi.h>
#include <winddiui.h>

#include <algorithm>
#include <cwctype>
#include <map>

#include "host_error.h"
#include "proc_address.h"

namespace {

using ExtEscapeFn = int(WINAPI*)(HDC, int, int, LPCSTR, int, LPSTR);
using DrvEscapeFn = ULONG(APIENTRY*)(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID);

// What the printer's driver record names.
struct DriverRecord {
    std::wstring name, renderer, config;
};

bool ReadDriverRecord(HANDLE printer, DriverRecord* out)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
    out->name = info->pName ? info->pName : L"";
    out->renderer = info->pDriverPath ? info->pDriverPath : L"";
    out->config = info->pConfigFile ? info->pConfigFile : L"";
    return true;
}

// The bytes of a DEVMODE as it declares them.
std::vector<BYTE> DevmodeBytes(const DEVMODEW* dm)
{
    if (!dm) return {};
    const auto* bytes = reinterpret_cast<const BYTE*>(dm);
    return std::vector<BYTE>(bytes, bytes + dm->dmSize + dm->dmDriverExtra);
}

// ---- Shared state of the road ----------------------------------------------------------------

// Points the import table entries of a module for one function somewhere else, and back.
class ImportSlots {
public:
    ImportSlots(HMODULE module, const char* dll, const char* function)
    {
        auto* base = reinterpret_cast<BYTE*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (dir.VirtualAddress == 0 || dir.Size == 0) return;
        for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dll) != 0) continue;
            if (!desc->OriginalFirstThunk) continue;  // the names are needed to find the entry
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
            auto* slots = reinterpret_cast<void**>(base + desc->FirstThunk);
            for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
                if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                    base + static_cast<DWORD>(names[i].u1.AddressOfData));
                if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0) slots_.push_back(&slots[i]);
            }
        }
        if (!slots_.empty()) original_ = *slots_.front();
    }

    void* original() const { return original_; }
    void point(void* target) const
    {
        for (void** slot : slots_) Store(slot, target);
    }
    void restore() const { point(original_); }

private:
    static void Store(void** slot, void* value)
    {
        DWORD old = 0;
        if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) return;
        *slot = value;
        VirtualProtect(slot, sizeof(void*), old, &old);
    }

    std::vector<void**> slots_;
    void* original_ = nullptr;
};

// A user-interface library whose ExtEscape import leads to the host, with the number of live DCs
// that use it.
struct PatchedModule {
    HMODULE module;
    std::unique_ptr<ImportSlots> slots;
    int users;
};

struct RoadState {
    SRWLOCK lock = SRWLOCK_INIT;
    std::map<HDC, HostDc*> dcs;
    std::vector<PatchedModule> patched;
    // Loaded rendering libraries by their lower-cased path.
    std::map<std::wstring, std::weak_ptr<HostRenderDriver>> drivers;
    ExtEscapeFn realExtEscape = nullptr;
    ULONG_PTR nextHandle = 0;
};

RoadState& State()
{
    static RoadState state;
    return state;
}

class Exclusive {
public:
    Exclusive() { AcquireSRWLockExclusive(&State().lock); }
    ~Exclusive() { ReleaseSRWLockExclusive(&State().lock); }
    Exclusive(const Exclusive&) = delete;
    Exclusive& operator=(const Exclusive&) = delete;
};

// The host's DC handles: a tag in the high bits and a counter below, skipping NULL and any value
// that is still live.
HDC NewHandle()
{
    RoadState& s = State();
    for (;;) {
        s.nextHandle = (s.nextHandle + 1) & 0xFFFFF;
        if (s.nextHandle == 0) continue;
        const HDC hdc = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x48D00000) | (s.nextHandle << 2));
        if (!s.dcs.count(hdc)) return hdc;
    }
}

// An escape on one of the host's DCs goes to the rendering library's DrvEscape with the PDEV's
// surface: the enabled surface, locked for the call, or before that a surface object that names
// only the PDEV and its engine device. Without a DrvEscape hook the answer is 0 (the document has
// not started). Any other DC is gdi32's.
int WINAPI HostExtEscape(HDC hdc, int escape, int cbIn, LPCSTR in, int cbOut, LPSTR out)
{
    std::shared_ptr<HostRenderDriver> driver;
    HostPdev pdev;
    ExtEscapeFn real = nullptr;
    {
        AcquireSRWLockShared(&State().lock);
        const auto found = State().dcs.find(hdc);
        if (found != State().dcs.end()) {
            driver = found->second->driver;
            pdev = found->second->pdev;
        }
        real = State().realExtEscape;
        ReleaseSRWLockShared(&State().lock);
    }
    if (!driver) {
        if (!real) real = ProcAddress<ExtEscapeFn>(GetModuleHandleW(L"gdi32.dll"), "ExtEscape");
        return real ? real(hdc, escape, cbIn, in, cbOut, out) : 0;
    }
    auto drvEscape = driver->hookAs<DrvEscapeFn>(INDEX_DrvEscape);
    if (!drvEscape || !pdev.dhpdev) return 0;
    SURFOBJ* locked = pdev.surface ? EngLockSurface(pdev.surface) : nullptr;
    SURFOBJ bare = {};
    bare.dhpdev = pdev.dhpdev;
    bare.hdev = pdev.hdev;
    const ULONG result = drvEscape(locked ? locked : &bare, static_cast<ULONG>(escape), static_cast<ULONG>(cbIn),
                                   const_cast<char*>(in), static_cast<ULONG>(cbOut), out);
    if (locked) EngUnlockSurface(locked);
    return static_cast<int>(result);
}

// Leads the module's ExtEscape import to the host (once per module, counted).
void PatchModule(HMODULE module)
{
    Exclusive lock;
    RoadState& s = State();
    for (PatchedModule& p : s.patched)
        if (p.module == module) {
            ++p.users;
            return;
        }
    auto slots = std::make_unique<ImportSlots>(module, "gdi32.dll", "ExtEscape");
    if (slots->original() && !s.realExtEscape) s.realExtEscape = reinterpret_cast<ExtEscapeFn>(slots->original());
    slots->point(reinterpret_cast<void*>(&HostExtEscape));
    s.patched.push_back({module, std::move(slots), 1});
}

// The module's last DC is gone: its import is put back before the library may unload.
void UnpatchModule(HMODULE module)
{
    Exclusive lock;
    RoadState& s = State();
    for (auto p = s.patched.begin(); p != s.patched.end(); ++p)
        if (p->module == module) {
            if (--p->users == 0) {
                p->slots->restore();
                s.patched.erase(p);
            }
            return;
        }
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// The rendering library of the printer, loaded and enabled once for all the DCs that use it.
std::shared_ptr<HostRenderDriver> SharedRenderDriver(HANDLE printer, const std::wstring& path, std::wstring* error)
{
    const std::wstring key = Lower(path);
    {
        Exclusive lock;
        if (auto live = State().drivers[key].lock()) return live;
    }
    auto driver = std::make_shared<HostRenderDriver>();
    if (!driver->load(printer, error)) return nullptr;
    Exclusive lock;
    // Another thread may have loaded it meanwhile: its copy wins, this one is dropped (outside the
    // lock, by the caller's reference going away).
    if (auto live = State().drivers[key].lock()) return live;
    State().drivers[key] = driver;
    return driver;
}

void Register(HostDc* dc)
{
    Exclusive lock;
    dc->hdc = NewHandle();
    State().dcs[dc->hdc] = dc;
}

void Unregister(HostDc* dc)
{
    Exclusive lock;
    State().dcs.erase(dc->hdc);
    dc->hdc = nullptr;
}

// Releases whatever a DC holds (after its PDEV), leaving the record empty.
void Release(HostDc* dc)
{
    if (dc->driver && dc->pdev.dhpdev) HostDisablePdev(*dc->driver, &dc->pdev);
    dc->pdev = HostPdev{};
    dc->driver.reset();
    if (dc->uiModule) {
        if (dc->docEvent) UnpatchModule(dc->uiModule);
        FreeLibrary(dc->uiModule);
    }
    dc->uiModule = nullptr;
    dc->docEvent = nullptr;
    if (dc->printer) ClosePrinter(dc->printer);
    dc->printer = nullptr;
    dc->printerName.clear();
    dc->devmode.clear();
}

}  // namespace

HostDc::~HostDc()
{
    if (hdc) HostDeleteDc(this, nullptr);
    else Release(this);
}

bool HostCreateDc(const std::wstring& printerName, const DEVMODEW* devmode, HostDc* dc, std::wstring* error)
{
    if (dc->hdc || dc->printer) return HostFail(error, L"the DC record is in use");
    std::wstring name = printerName;
    if (!OpenPrinterW(name.data(), &dc->printer, nullptr)) {
        const DWORD code = GetLastError();
        dc->printer = nullptr;
        return HostFail(error, HostErrorText(L"OpenPrinterW " + printerName + L" failed", code));
    }
    dc->printerName = printerName;

    DriverRecord record;
    if (!ReadDriverRecord(dc->printer, &record) || record.config.empty()) {
        Release(dc);
        return HostFail(error, L"the driver record of " + printerName + L" names no user-interface library");
    }
    dc->uiModule = LoadLibraryExW(record.config.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!dc->uiModule) {
        const DWORD code = GetLastError();
        Release(dc);
        return HostFail(error, HostErrorText(L"cannot load " + record.config, code));
    }
    dc->docEvent = ProcAddress<HostDocEventFn>(dc->uiModule, "DrvDocumentEvent");
    if (!dc->docEvent) {
        Release(dc);
        return HostFail(error, record.config + L" exports no DrvDocumentEvent");
    }
    PatchModule(dc->uiModule);

    // The library builds the DEVMODE of the DC from the application's; it hands back a pointer to
    // its own copy, which lives until the DC is deleted.
    DOCEVENT_CREATEDCPRE pre = {record.name.data(), name.data(), const_cast<DEVMODEW*>(devmode), FALSE};
    DEVMODEW* built = nullptr;
    const int preResult =
        dc->docEvent(dc->printer, nullptr, DOCUMENTEVENT_CREATEDCPRE, sizeof pre, &pre, sizeof built, &built);
    if (preResult <= 0) {
        Release(dc);
        return HostFail(error, L"DOCUMENTEVENT_CREATEDCPRE refused the DC (result " + std::to_wstring(preResult) + L")");
    }
    DEVMODEW* used = built ? built : const_cast<DEVMODEW*>(devmode);

    std::wstring why;
    dc->driver = SharedRenderDriver(dc->printer, record.renderer, &why);
    if (dc->driver && !HostEnablePdev(*dc->driver, dc->printer, printerName, used, &dc->pdev))
        why = L"the rendering library refused the PDEV";
    if (!dc->driver || !dc->pdev.dhpdev) {
        // The creation ends here: the library still hears the end of it, without a DC, so that
        // it lets go of what it prepared for one.
        dc->docEvent(dc->printer, nullptr, DOCUMENTEVENT_CREATEDCPOST, sizeof built, &built, 0, nullptr);
        Release(dc);
        return HostFail(error, why);
    }
    dc->devmode = DevmodeBytes(used);

    Register(dc);
    dc->docEvent(dc->printer, dc->hdc, DOCUMENTEVENT_CREATEDCPOST, sizeof used, &used, 0, nullptr);
    return true;
}

bool HostResetDc(HostDc* dc, const DEVMODEW* devmode, std::wstring* error)
{
    if (!dc->hdc) return HostFail(error, L"the DC is not live");
    if (!dc->pdev.dhpdev) return HostFail(error, L"the DC lost its PDEV in an earlier reset");
    DEVMODEW* given = const_cast<DEVMODEW*>(devmode);
    DEVMODEW* built = nullptr;
    const int preResult =
        dc->docEvent(dc->printer, dc->hdc, DOCUMENTEVENT_RESETDCPRE, sizeof given, &given, sizeof built, &built);
    if (preResult <= 0)
        return HostFail(error, L"DOCUMENTEVENT_RESETDCPRE refused the reset (result " + std::to_wstring(preResult) + L")");
    DEVMODEW* used = built ? built : given;
    std::vector<BYTE> usedBytes = DevmodeBytes(used);

    std::wstring why;
    const DHPDEV old = dc->pdev.dhpdev;
    const bool withSurface = dc->pdev.surface != nullptr;
    if (!HostResetPdev(*dc->driver, dc->printer, dc->printerName, used, &dc->pdev, withSurface)) {
        why = !dc->pdev.dhpdev         ? L"DrvResetPDEV failed: the DC has no PDEV"
              : dc->pdev.dhpdev == old ? L"the rendering library refused the new PDEV"
                                       : L"the new PDEV has no surface";
    }
    const bool replaced = dc->pdev.dhpdev && dc->pdev.dhpdev != old;
    if (replaced) dc->devmode = std::move(usedBytes);

    // The library hears which DEVMODE is in force now: the new one, or the old one when the PDEV
    // was not replaced.
    DEVMODEW* inForce = replaced ? used
                        : dc->devmode.empty() ? nullptr
                                              : reinterpret_cast<DEVMODEW*>(dc->devmode.data());
    const int postResult =
        dc->docEvent(dc->printer, dc->hdc, DOCUMENTEVENT_RESETDCPOST, sizeof inForce, &inForce, 0, nullptr);
    if (!why.empty()) return HostFail(error, why);
    if (postResult == DOCUMENTEVENT_FAILURE) return HostFail(error, L"DOCUMENTEVENT_RESETDCPOST failed");
    return true;
}

bool HostDeleteDc(HostDc* dc, std::wstring* error)
{
    if (!dc->hdc) return HostFail(error, L"the DC is not live");
    dc->docEvent(dc->printer, dc->hdc, DOCUMENTEVENT_DELETEDC, 0, nullptr, 0, nullptr);
    Unregister(dc);
    Release(dc);
    return true;
}

int HostEscape(HostDc* dc, int escape, int cbIn, const void* in, int cbOut, void* out)
{
    if (!dc || !dc->hdc) return 0;
    DOCEVENT_ESCAPE record = {escape, cbIn, const_cast<void*>(in)};
    if (dc->docEvent)
        dc->docEvent(dc->printer, dc->hdc, DOCUMENTEVENT_ESCAPE, sizeof record, &record, 0, nullptr);
    return HostExtEscape(dc->hdc, escape, cbIn, static_cast<LPCSTR>(in), cbOut, static_cast<LPSTR>(out));
}
