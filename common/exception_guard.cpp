// The structured-exception guard: the parts of it written in C++ (the frame is in
// exception_guard.S).
#include "exception_guard.h"

#include <malloc.h>

extern "C" void DrvGuardCopyRecord(EXCEPTION_RECORD* caught, const EXCEPTION_RECORD* record)
{
    EXCEPTION_RECORD copy{};
    copy.ExceptionCode = record->ExceptionCode;
    copy.ExceptionFlags = record->ExceptionFlags;
    copy.ExceptionAddress = record->ExceptionAddress;
    copy.NumberParameters = record->NumberParameters < EXCEPTION_MAXIMUM_PARAMETERS ? record->NumberParameters
                                                                                    : EXCEPTION_MAXIMUM_PARAMETERS;
    for (DWORD i = 0; i < copy.NumberParameters; ++i) copy.ExceptionInformation[i] = record->ExceptionInformation[i];
    *caught = copy;
}

#if defined(__x86_64__)
// The exception handler of the guard's frame, called by the dispatcher for an exception that no
// frame inside the body has handled (the frame registers it for dispatch only, not for unwinds).
// frame is the frame's established stack pointer: + 32 holds where to copy the record, + 40 the
// resume point. RtlUnwindEx runs the unwind handlers of the frames inside the body and continues
// at the resume point with the frame's own stack pointer and registers; it does not return.
extern "C" EXCEPTION_DISPOSITION DrvGuardFrameHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                      DISPATCHER_CONTEXT* dispatch)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    const ULONG_PTR* slots = reinterpret_cast<const ULONG_PTR*>(static_cast<const BYTE*>(frame) + 32);
    DrvGuardCopyRecord(reinterpret_cast<EXCEPTION_RECORD*>(slots[0]), record);
    RtlUnwindEx(frame, reinterpret_cast<void*>(slots[1]), record, reinterpret_cast<void*>(1), dispatch->ContextRecord,
                dispatch->HistoryTable);
    return ExceptionContinueSearch;
}
#endif

namespace drv_guard_detail {

void RecordCxxException(EXCEPTION_RECORD* caught, const void* where)
{
    EXCEPTION_RECORD record{};
    record.ExceptionCode = DRV_STATUS_CXX_EXCEPTION;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = const_cast<void*>(where);
    *caught = record;
}

void AfterException(const EXCEPTION_RECORD& caught)
{
    if (caught.ExceptionCode == EXCEPTION_STACK_OVERFLOW) _resetstkoflw();
}

}  // namespace drv_guard_detail
