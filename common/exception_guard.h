// The structured-exception guard around the entry points and hooks of both libraries.
//
// A guarded entry point runs its body through DrvGuardedCall. When any exception leaves the
// body (an access violation, an illegal instruction such as the trap of undefined behaviour, an
// integer division by zero, a code raised with RaiseException, a C++ exception), the guard gets
// a copy of the exception record and control back; DrvGuardedCall writes the event-log report
// (exception_report.h) and returns the entry point's failure value. One line per entry point:
//
//     BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, ...)
//     {
//         return DrvGuardedCall(DdiGuard::DrvTextOut, [&] { return TextOutImpl(pso, pstro, ...); });
//     }
//
// The guard is a frame with a structured-exception handler of its own (exception_guard.S): the
// system offers an exception to the frames from the innermost outwards, so the guard takes only
// what the body leaves unhandled. An exception that a handler inside the body takes (a C++
// try/catch, a nested guard, system code that checks its arguments under its own handler) never
// reaches it. Guards nest, and a guard keeps its state on its caller's stack only, so any number
// of threads may be inside guards at once.
//
// What becomes of the body's frames:
// - A structured exception unwinds them without running the destructors of their C++ objects:
//   the C++ run-time of this compiler runs its cleanups for C++ exceptions only. Memory those
//   objects own is lost and a lock they hold stays held, so an entry point that must release a
//   lock after a fault takes it outside the guard.
// - A C++ exception is caught by the guard's own catch (...) around the body: the C++ run-time
//   unwinds the body as usual and every destructor runs. It is recorded with the code
//   DRV_STATUS_CXX_EXCEPTION, the address of the guard's code that caught it and no parameters.
// - After a stack overflow the guard lays the guard page at the end of the thread's stack again,
//   so that a later overflow is caught too instead of ending the process.
#pragma once
#include <windows.h>

#include <type_traits>

#include "exception_report.h"

// The code with which the compiler's C++ run-time raises a C++ exception as a structured
// exception ("GCC" with the customer bit); the guard records every C++ exception under it.
constexpr DWORD DRV_STATUS_CXX_EXCEPTION = 0x20474343;

extern "C" {
// The guard's frame (exception_guard.S): calls body(context); returns 0 when it returns, 1 when an
// exception left it, with the record copied into *caught.
int DrvGuardFrame(void (*body)(void*), void* context, EXCEPTION_RECORD* caught);
// Copies record into caught: code, flags, address and at most EXCEPTION_MAXIMUM_PARAMETERS
// parameters. The nested record is not kept (it lies in the frames the guard unwinds).
void DrvGuardCopyRecord(EXCEPTION_RECORD* caught, const EXCEPTION_RECORD* record);
}

namespace drv_guard_detail {

// Fills caught for a C++ exception that left a body; where is the guard's code that caught it.
void RecordCxxException(EXCEPTION_RECORD* caught, const void* where);
// Puts the thread back in order after a caught exception, on the guard's own stack: after a
// stack overflow the guard page at the end of the stack is laid again, so that a later overflow
// is caught as well instead of ending the process.
void AfterException(const EXCEPTION_RECORD& caught);

template <class Body> struct Call {
    Body* body;
    EXCEPTION_RECORD* caught;
    bool threw;
};

// Runs in the guard's frame. A C++ exception ends here, where the C++ run-time finishes it: left
// to the unwind of the guard's handler, the cleanups of the body's frames would resume an
// exception that has nowhere to go.
template <class Body> void Run(void* context) noexcept
{
    auto* call = static_cast<Call<Body>*>(context);
    try {
        (*call->body)();
    } catch (...) {
        call->threw = true;
        RecordCxxException(call->caught, reinterpret_cast<const void*>(&Run<Body>));
    }
}

template <class Result> Result FailureAs(LONG_PTR failure)
{
    if constexpr (std::is_pointer_v<Result>)
        return reinterpret_cast<Result>(failure);
    else
        return static_cast<Result>(failure);
}

}  // namespace drv_guard_detail

// Runs body() inside the guard. Returns true when the body ran to its end; false when an exception
// left it, with a copy of its record in caught.
template <class Body> bool DrvRunGuarded(EXCEPTION_RECORD& caught, Body&& body)
{
    using B = std::remove_reference_t<Body>;
    drv_guard_detail::Call<B> call{&body, &caught, false};
    if (DrvGuardFrame(&drv_guard_detail::Run<B>, &call, &caught) == 0) return !call.threw;
    drv_guard_detail::AfterException(caught);
    return false;
}

// A guarded hook or entry point: the event category and the id of its report, and its result
// after an exception (entry points without a result ignore it).
struct GUARDED_ENTRY {
    WORD category;
    int reportId;
    LONG_PTR failure;
};

// Writes the report of a caught exception under this library's event source.
inline void DrvReportGuardedException(const GUARDED_ENTRY& entry, const EXCEPTION_RECORD& record)
{
#ifdef DRV_BUILD_UM
    ReportDdiException(entry.category, &record, entry.reportId);
#else
    ReportExceptionEvent(entry.category, &record, entry.reportId);
#endif
}

// Runs body() inside the guard and returns its result; after an exception writes the report of
// entry and returns entry's failure value.
template <class Body> auto DrvGuardedCall(const GUARDED_ENTRY& entry, Body&& body) -> decltype(body())
{
    using Result = decltype(body());
    static_assert(std::is_void_v<Result> || std::is_scalar_v<Result>, "entry points return numbers, handles or pointers");
    EXCEPTION_RECORD caught;
    if constexpr (std::is_void_v<Result>) {
        if (!DrvRunGuarded(caught, body)) DrvReportGuardedException(entry, caught);
    } else {
        Result result{};
        if (DrvRunGuarded(caught, [&] { result = body(); })) return result;
        DrvReportGuardedException(entry, caught);
        return drv_guard_detail::FailureAs<Result>(entry.failure);
    }
}

// The rendering library's guarded DDI hooks. The category of a hook is its DDI index + 1.
constexpr GUARDED_ENTRY DdiGuardEntry(int ddiIndex, int reportId, LONG_PTR failure)
{
    return {static_cast<WORD>(ddiIndex + 1), reportId, failure};
}

namespace DdiGuard {
inline constexpr GUARDED_ENTRY DrvEnablePDEV = DdiGuardEntry(0, 101, 0);         // NULL
inline constexpr GUARDED_ENTRY DrvDisablePDEV = DdiGuardEntry(2, 102, 0);        // no result
inline constexpr GUARDED_ENTRY DrvResetPDEV = DdiGuardEntry(7, 103, FALSE);
inline constexpr GUARDED_ENTRY DrvEnableSurface = DdiGuardEntry(3, 104, 0);      // NULL
inline constexpr GUARDED_ENTRY DrvDisableSurface = DdiGuardEntry(4, 105, 0);     // no result
inline constexpr GUARDED_ENTRY DrvStartDoc = DdiGuardEntry(35, 106, FALSE);
inline constexpr GUARDED_ENTRY DrvEndDoc = DdiGuardEntry(34, 107, FALSE);
inline constexpr GUARDED_ENTRY DrvStartPage = DdiGuardEntry(33, 108, FALSE);
inline constexpr GUARDED_ENTRY DrvSendPage = DdiGuardEntry(32, 109, FALSE);
inline constexpr GUARDED_ENTRY DrvBitBlt = DdiGuardEntry(18, 110, FALSE);
inline constexpr GUARDED_ENTRY DrvCopyBits = DdiGuardEntry(19, 111, FALSE);
inline constexpr GUARDED_ENTRY DrvStretchBlt = DdiGuardEntry(20, 112, FALSE);
inline constexpr GUARDED_ENTRY DrvStretchBltROP = DdiGuardEntry(69, 113, FALSE);
inline constexpr GUARDED_ENTRY DrvTextOut = DdiGuardEntry(23, 114, FALSE);
inline constexpr GUARDED_ENTRY DrvStrokePath = DdiGuardEntry(14, 115, FALSE);
inline constexpr GUARDED_ENTRY DrvFillPath = DdiGuardEntry(15, 116, FALSE);
inline constexpr GUARDED_ENTRY DrvStrokeAndFillPath = DdiGuardEntry(16, 117, FALSE);
inline constexpr GUARDED_ENTRY DrvPaint = DdiGuardEntry(17, 118, FALSE);
inline constexpr GUARDED_ENTRY DrvEscape = DdiGuardEntry(24, 119, 0);
inline constexpr GUARDED_ENTRY DrvRealizeBrush = DdiGuardEntry(12, 120, FALSE);
}  // namespace DdiGuard

// The user-interface library's guarded entry points; each returns -1 after an exception.
namespace UiGuard {
inline constexpr GUARDED_ENTRY DrvDocumentEvent = {1006, 1, -1};
inline constexpr GUARDED_ENTRY DrvDocumentPropertySheets = {1002, 2, -1};
inline constexpr GUARDED_ENTRY DrvDeviceCapabilities = {1019, 3, -1};
}  // namespace UiGuard
