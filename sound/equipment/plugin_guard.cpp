// MinGW has no __try, so the guard's frame handler is declared in assembly:
// tindrel_guarded_call(fn, arg) calls fn(arg) inside a scope whose filter
// (through the C runtime's __C_specific_handler) sees every exception the
// plug-in's own frames did not handle. The filter does not unwind (a
// foreign unwind through the plug-in's frames can hang): it resumes the
// thread at the guard's recovery label with the guard's stack, where the
// registers the caller relies on are restored from the guard's frame.
#include "sound/equipment/plugin_guard.h"

#include <windows.h>

#include <cstdint>

#if !defined(__x86_64__)
#error "the plug-in guard is written for x86-64"
#endif

extern "C" {
// 1 when fn returned, 0 when the filter brought the thread back.
int tindrel_guarded_call(void (*fn)(void *), void *arg);
extern char tindrel_guarded_call_recovered[];
LONG tindrel_guard_filter(EXCEPTION_POINTERS *exception, void *guardFrame);
}

LONG tindrel_guard_filter(EXCEPTION_POINTERS *exception, void *guardFrame)
{
    // The exception is ours now: the raising code is not resumed, so even a
    // non-continuable one may continue at the recovery label.
    exception->ExceptionRecord->ExceptionFlags &= ~static_cast<DWORD>(EXCEPTION_NONCONTINUABLE);
    CONTEXT *context = exception->ContextRecord;
    context->Rsp = reinterpret_cast<DWORD64>(guardFrame);
    context->Rip = reinterpret_cast<DWORD64>(tindrel_guarded_call_recovered);
    context->EFlags &= ~0x400u; // the direction flag, clear at every call
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Frame: 32 bytes of argument space, the control words at 32, xmm6-15 at
// 48..208, eight pushed registers above. The frame handler's scope covers
// the call; its filter is tindrel_guard_filter.
asm(R"(
    .text
    .p2align 4
    .globl tindrel_guarded_call
    .def tindrel_guarded_call; .scl 2; .type 32; .endef
    .seh_proc tindrel_guarded_call
tindrel_guarded_call:
    pushq %rbp
    .seh_pushreg %rbp
    pushq %rbx
    .seh_pushreg %rbx
    pushq %rsi
    .seh_pushreg %rsi
    pushq %rdi
    .seh_pushreg %rdi
    pushq %r12
    .seh_pushreg %r12
    pushq %r13
    .seh_pushreg %r13
    pushq %r14
    .seh_pushreg %r14
    pushq %r15
    .seh_pushreg %r15
    subq $216, %rsp
    .seh_stackalloc 216
    movdqa %xmm6, 48(%rsp)
    .seh_savexmm %xmm6, 48
    movdqa %xmm7, 64(%rsp)
    .seh_savexmm %xmm7, 64
    movdqa %xmm8, 80(%rsp)
    .seh_savexmm %xmm8, 80
    movdqa %xmm9, 96(%rsp)
    .seh_savexmm %xmm9, 96
    movdqa %xmm10, 112(%rsp)
    .seh_savexmm %xmm10, 112
    movdqa %xmm11, 128(%rsp)
    .seh_savexmm %xmm11, 128
    movdqa %xmm12, 144(%rsp)
    .seh_savexmm %xmm12, 144
    movdqa %xmm13, 160(%rsp)
    .seh_savexmm %xmm13, 160
    movdqa %xmm14, 176(%rsp)
    .seh_savexmm %xmm14, 176
    movdqa %xmm15, 192(%rsp)
    .seh_savexmm %xmm15, 192
    .seh_endprologue
    stmxcsr 32(%rsp)
    fnstcw 36(%rsp)
.Ltindrel_guard_begin:
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
.Ltindrel_guard_end:
    movl $1, %eax
    jmp .Ltindrel_guard_leave
    .globl tindrel_guarded_call_recovered
tindrel_guarded_call_recovered:
    ldmxcsr 32(%rsp)
    fninit
    fldcw 36(%rsp)
    xorl %eax, %eax
.Ltindrel_guard_leave:
    movdqa 48(%rsp), %xmm6
    movdqa 64(%rsp), %xmm7
    movdqa 80(%rsp), %xmm8
    movdqa 96(%rsp), %xmm9
    movdqa 112(%rsp), %xmm10
    movdqa 128(%rsp), %xmm11
    movdqa 144(%rsp), %xmm12
    movdqa 160(%rsp), %xmm13
    movdqa 176(%rsp), %xmm14
    movdqa 192(%rsp), %xmm15
    addq $216, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rdi
    popq %rsi
    popq %rbx
    popq %rbp
    ret
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva .Ltindrel_guard_begin, .Ltindrel_guard_end, tindrel_guard_filter, .Ltindrel_guard_end
    .text
    .seh_endproc
)");

namespace Quorvane {

namespace {

struct Catching {
    void (*fn)(void *);
    void *arg;
    bool threw;
};

// C++ exceptions of the GNU runtime are caught here, with a real unwind;
// everything else passes on to the guard's filter.
__attribute__((noinline)) void RunCatching(void *context)
{
    auto *run = static_cast<Catching *>(context);
    try {
        run->fn(run->arg);
    } catch (...) {
        run->threw = true;
    }
}

} // namespace

GuardedRun RunGuarded(void (*fn)(void *), void *arg)
{
    Catching run{fn, arg, false};
    if (!tindrel_guarded_call(&RunCatching, &run))
        return GuardedRun::Crashed;
    return run.threw ? GuardedRun::Threw : GuardedRun::Returned;
}

} // namespace Quorvane
