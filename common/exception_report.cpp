// The event-log report of a caught exception.
#include "exception_report.h"

#include <psapi.h>

#include <algorithm>
#include <cwchar>

#include "drvglobals.h"
#include "module.h"

namespace {

// Appends to a text of at most limit characters; what does not fit is dropped.
class BoundedText {
public:
    BoundedText(LPWSTR text, size_t limit) : text_(text), limit_(limit) {}
    void put(LPCWSTR part, size_t n)
    {
        n = std::min(n, limit_ - used_);
        if (n) wmemcpy(text_ + used_, part, n);
        used_ += n;
    }
    void put(LPCWSTR part) { put(part, wcslen(part)); }
    size_t used() const { return used_; }

private:
    LPWSTR text_;
    size_t limit_;
    size_t used_ = 0;
};

// Upper-case hexadecimal with at least eight digits (at most 16); returns the length.
size_t HexText(ULONGLONG value, wchar_t (&out)[17])
{
    wchar_t digits[16];
    size_t n = 0;
    do {
        digits[n++] = L"0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value && n < 16);
    while (n < 8) digits[n++] = L'0';
    for (size_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    out[n] = L'\0';
    return n;
}

// Decimal with a leading minus sign when negative; returns the length.
size_t DecimalText(int value, wchar_t (&out)[12])
{
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(static_cast<long long>(value))
                                             : static_cast<unsigned long long>(value);
    wchar_t digits[11];
    size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude && n < 10);
    size_t len = 0;
    if (value < 0) out[len++] = L'-';
    while (n) out[len++] = digits[--n];
    out[len] = L'\0';
    return len;
}

// The full path of module into path (cch characters with the terminator, at most MAX_PATH);
// empty when it cannot be read. A path that does not fit is cut and terminated.
void ModulePath(HMODULE module, LPWSTR path, size_t cch)
{
    const DWORD room = static_cast<DWORD>(std::min<size_t>(cch, MAX_PATH));
    if (room == 0) return;
    DWORD n = GetModuleFileNameW(module, path, room);
    if (n >= room) n = room - 1;
    path[n] = L'\0';
}

// Writes the report under source: see exception_report.h.
BOOL ReportException(LPCWSTR source, WORD category, const EXCEPTION_RECORD* record, int reportId)
{
    HANDLE log = RegisterEventSourceW(nullptr, source);
    if (!log) return FALSE;

    // This library, unless a module of the process holds the address.
    ULONG_PTR base = reinterpret_cast<ULONG_PTR>(g_hInst);
    wchar_t path[MAX_PATH];
    ModulePath(g_hInst, path, MAX_PATH);
    if (record) FindModuleOfAddress(record->ExceptionAddress, &base, path, MAX_PATH);

    if (record && base && path[0]) {
        wchar_t text[EXCEPTION_REPORT_MAX_CHARS + 1];
        FormatExceptionReport(text, EXCEPTION_REPORT_MAX_CHARS + 1, record->ExceptionCode, path, base,
                              reinterpret_cast<ULONG_PTR>(record->ExceptionAddress), reportId);
        LPCWSTR strings[1] = {text};
        ReportEventW(log, EVENTLOG_ERROR_TYPE, category, record->ExceptionCode, nullptr, 1, 0, strings, nullptr);
    }
    return DeregisterEventSource(log);
}

}  // namespace

size_t FormatExceptionReport(LPWSTR text, size_t cch, DWORD code, LPCWSTR modulePath, ULONG_PTR base,
                             ULONG_PTR address, int reportId)
{
    if (!text || cch == 0) return 0;
    wchar_t hex[17], number[12];

    // Everything after the module path, so that the path alone can be shortened to make room.
    wchar_t tail[96];
    BoundedText after(tail, ARRAYSIZE(tail) - 1);
    after.put(L" / BASEADDR 0x");
    after.put(hex, HexText(base, hex));
    after.put(L" / EXCEPTIONADDR 0x");
    after.put(hex, HexText(address, hex));
    after.put(L" /ID ");
    after.put(number, DecimalText(reportId, number));

    BoundedText out(text, std::min(cch - 1, EXCEPTION_REPORT_MAX_CHARS));
    out.put(L"CODE 0x");
    out.put(hex, HexText(code, hex));
    out.put(L" / DLL ");
    const size_t pathLength = modulePath ? wcslen(modulePath) : 0;
    const size_t fixed = out.used() + after.used();
    const size_t limit = std::min(cch - 1, EXCEPTION_REPORT_MAX_CHARS);
    if (pathLength) out.put(modulePath, fixed < limit ? std::min(pathLength, limit - fixed) : 0);
    out.put(tail, after.used());
    text[out.used()] = L'\0';
    return out.used();
}

bool FindModuleOfAddress(const void* address, ULONG_PTR* base, LPWSTR path, size_t cch)
{
    if (!base || !path || cch == 0) return false;
    HANDLE process = GetCurrentProcess();

    // Room for 1024 modules on the stack; a process with more gets a buffer of the size the
    // system asks for (with room for modules loaded meanwhile), taken from neither the stack
    // nor the heap, which the exception may have left damaged.
    HMODULE local[1024];
    HMODULE* modules = local;
    DWORD capacity = sizeof(local);
    void* allocated = nullptr;
    size_t count = 0;
    for (int attempt = 0;; ++attempt) {
        DWORD needed = 0;
        if (!EnumProcessModules(process, modules, capacity, &needed)) {
            count = 0;
            break;
        }
        count = std::min(needed, capacity) / sizeof(HMODULE);
        if (needed <= capacity || attempt == 3) break;
        const DWORD spare = 64 * sizeof(HMODULE);
        if (needed > MAXDWORD - spare) break;
        void* larger = VirtualAlloc(nullptr, needed + spare, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!larger) break;  // the modules listed so far
        if (allocated) VirtualFree(allocated, 0, MEM_RELEASE);
        allocated = larger;
        modules = static_cast<HMODULE*>(larger);
        capacity = needed + spare;
    }

    const ULONG_PTR at = reinterpret_cast<ULONG_PTR>(address);
    bool found = false;
    for (size_t i = 0; i < count && !found; ++i) {
        MODULEINFO info{};
        if (!GetModuleInformation(process, modules[i], &info, sizeof(info))) continue;
        const ULONG_PTR start = reinterpret_cast<ULONG_PTR>(info.lpBaseOfDll);
        if (at < start || at - start >= info.SizeOfImage) continue;
        *base = start;
        ModulePath(modules[i], path, cch);
        found = true;
    }
    if (allocated) VirtualFree(allocated, 0, MEM_RELEASE);
    return found;
}

#ifdef DRV_BUILD_UM
BOOL ReportDdiException(WORD category, const EXCEPTION_RECORD* record, int reportId)
{
    return ReportException(DRV_UM_EVENT_SOURCE, category, record, reportId);
}
#else
void ReportExceptionEvent(WORD category, const EXCEPTION_RECORD* record, int reportId)
{
    ReportException(DRV_UI_EVENT_SOURCE, category, record, reportId);
}
#endif
