// The event-log report of an exception caught by a guarded entry point (exception_guard.h).
//
// One error event under the library's own event source ("VRDA_UM" for the rendering library,
// "VRDA_UI" for the user-interface library): category = the entry point's category, event id =
// the exception code, no user, no binary data, and one insertion string naming the exception,
// the module that holds its address, that module's base address and the entry point's id:
//
//     CODE 0x%08X / DLL %s / BASEADDR 0x%08X / EXCEPTIONADDR 0x%08X /ID %d
//
// The module is the first module of the process whose image contains the exception address;
// when none does (or the modules cannot be listed), the report names this library.
#pragma once
#include <windows.h>

#include <cstddef>

// The longest insertion string, without its terminator.
constexpr size_t EXCEPTION_REPORT_MAX_CHARS = 387;

// Writes the insertion string into text (cch characters with the terminator; nothing past them)
// and returns its length. Numbers are written the same in every locale; an address is written
// with at least eight hexadecimal digits and never cut (a 64-bit address takes all its digits).
// The text never exceeds EXCEPTION_REPORT_MAX_CHARS characters or cch - 1: only the module path
// is shortened to fit, unless the rest alone does not fit, which then is cut at its end.
size_t FormatExceptionReport(LPWSTR text, size_t cch, DWORD code, LPCWSTR modulePath, ULONG_PTR base,
                             ULONG_PTR address, int reportId);

// Finds the module of the process whose image holds address: its base and its full path (cch
// characters with the terminator, at most MAX_PATH). Returns false, leaving both untouched, when
// the modules cannot be listed or none holds the address.
bool FindModuleOfAddress(const void* address, ULONG_PTR* base, LPWSTR path, size_t cch);

#ifdef DRV_BUILD_UM
// Writes the report under "<code>_UM". Returns the result of DeregisterEventSource, or FALSE when
// the event source could not be registered (then nothing is reported).
BOOL ReportDdiException(WORD category, const EXCEPTION_RECORD* record, int reportId);
#else
// Writes the report under "<code>_UI"; no event source, no report.
void ReportExceptionEvent(WORD category, const EXCEPTION_RECORD* record, int reportId);
#endif
