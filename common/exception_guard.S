// The frame of the structured-exception guard (exception_guard.h).
//
//   int DrvGuardFrame(void (*body)(void*), void* context, EXCEPTION_RECORD* caught)
//
// Calls body(context) in a frame that has a structured-exception handler of its own. The system
// offers an exception to the handlers of the frames from the innermost outwards, so the guard's
// handler sees only what every frame inside the body declined. It then copies the exception
// record into *caught, unwinds the frames of the body and resumes this frame, which returns 1.
// When the body returns, so does the frame, with 0.

#if defined(__x86_64__)

// x64: the frame's unwind information names DrvGuardFrameHandler (exception_guard.cpp) as its
// exception handler. The handler finds the two values it needs above the home area of the
// callee, at the frame's established stack pointer + 32 (where to copy the record) and + 40
// (where to resume), and unwinds to the resume point with RtlUnwindEx, which leaves the stack
// pointer of this frame and the non-volatile registers as they were when the body was called.

        .text
        .p2align 4
        .globl  DrvGuardFrame
        .def    DrvGuardFrame; .scl 2; .type 32; .endef
        .seh_proc DrvGuardFrame
DrvGuardFrame:
        subq    $56, %rsp                   // home area, two slots, 16-byte alignment at the call
        .seh_stackalloc 56
        .seh_handler DrvGuardFrameHandler, @except
        .seh_endprologue
        movq    %r8, 32(%rsp)               // caught
        leaq    .Lx64_resume(%rip), %rax
        movq    %rax, 40(%rsp)              // resume point
        movq    %rcx, %rax
        movq    %rdx, %rcx
        callq   *%rax
        nop                                 // the return address must not begin an epilogue
        xorl    %eax, %eax
        addq    $56, %rsp
        ret
.Lx64_resume:
        movl    $1, %eax
        addq    $56, %rsp
        ret
        .seh_endproc

#elif defined(__i386__)

// x86: the frame links an exception registration record into the thread's chain (FS:[0]) for
// the duration of the call. The record lies 24 bytes below the frame pointer, after the saved
// EBP, EBX, ESI and EDI:
//
//   record + 0   the previous head of the chain
//   record + 4   _DrvGuardFrameHandler
//   record + 8   caught

        .text
        .p2align 4
        .globl  _DrvGuardFrame
        .def    _DrvGuardFrame; .scl 2; .type 32; .endef
_DrvGuardFrame:
        .cfi_startproc
        pushl   %ebp
        .cfi_def_cfa_offset 8
        .cfi_offset %ebp, -8
        movl    %esp, %ebp
        .cfi_def_cfa_register %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        .cfi_offset %ebx, -12
        .cfi_offset %esi, -16
        .cfi_offset %edi, -20
        pushl   16(%ebp)                    // caught
        pushl   $_DrvGuardFrameHandler
        pushl   %fs:0
        movl    %esp, %fs:0                 // the record heads the chain
        andl    $-16, %esp
        subl    $12, %esp
        pushl   12(%ebp)                    // context
        call    *8(%ebp)
        xorl    %eax, %eax
.Lx86_leave:
        leal    -24(%ebp), %esp             // the record
        movl    (%esp), %ecx
        movl    %ecx, %fs:0                 // unlinked
        addl    $12, %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
        .cfi_endproc

// EXCEPTION_DISPOSITION __cdecl handler(EXCEPTION_RECORD* record, void* registration,
//                                        CONTEXT* context, void* dispatcher)
// During an unwind it lets the unwind pass. Otherwise it copies the record, calls RtlUnwind to
// run the handlers of the records below its own (each with the unwinding flag) and to take them
// off the chain, and resumes the frame on its own stack. Not every version of RtlUnwind keeps the
// non-volatile registers, so everything after it is read from the stack.
        .p2align 4
        .def    _DrvGuardFrameHandler; .scl 3; .type 32; .endef
_DrvGuardFrameHandler:
        movl    4(%esp), %eax               // record
        testl   $6, 4(%eax)                 // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
        jz      1f
        movl    $1, %eax                    // ExceptionContinueSearch
        ret
1:      movl    8(%esp), %edx               // registration
        pushl   %eax                        // source
        pushl   8(%edx)                     // destination: caught
        call    _DrvGuardCopyRecord
        addl    $8, %esp
        pushl   $0                          // return value
        pushl   8(%esp)                     // record
        pushl   $.Lx86_unwound              // target
        pushl   20(%esp)                    // registration: unwind up to it
        call    *__imp__RtlUnwind@16
.Lx86_unwound:
        movl    8(%esp), %esp               // the frame's stack, at its record
        leal    24(%esp), %ebp
        movl    $1, %eax
        jmp     .Lx86_leave

#else
#error "The guard's frame is written for x64 and x86."
#endif
