// void tqTestCallThroughTrampoline(const CallFrame* frame, CallRecord* record)
//
// Calls frame->entry with frame->slots copied onto a fresh stack whose pointer
// at the call is congruent to -misalignment modulo 16 (a Windows host gives
// only 4-byte alignment), with marker values in the callee-saved ebx, esi and
// edi. Records the stack pointer before and after, eax/edx, the callee-saved
// registers, MXCSR and the x87 control and status words around the call, and
// pops a floating result from st(0) as an 80-bit value. Offsets match the C++
// records in invoke.h.
#if defined(_WIN32)
#define TRAMPOLINE _tqTestCallThroughTrampoline
#else
#define TRAMPOLINE tqTestCallThroughTrampoline
#endif
        .text
        .globl  TRAMPOLINE
#if !defined(_WIN32)
        .type   TRAMPOLINE, @function
#endif
TRAMPOLINE:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        subl    $8, %esp
        movl    8(%ebp), %esi           # frame
        movl    12(%ebp), %edi          # record
        movl    0(%esi), %eax
        movl    %eax, -16(%ebp)         # entry
        movl    16(%esi), %eax
        movl    %eax, -20(%ebp)         # popsFloatResult
        stmxcsr 28(%edi)
        fnstcw  36(%edi)
        fnstsw  40(%edi)
        movl    8(%esi), %ecx           # slotCount
        leal    0(,%ecx,4), %eax
        movl    %esp, %edx
        subl    %eax, %edx
        subl    $64, %edx
        andl    $-16, %edx
        subl    12(%esi), %edx          # the caller's misalignment
        movl    4(%esi), %ebx           # slots
        xorl    %eax, %eax
1:      cmpl    %ecx, %eax
        jae     2f
        movl    (%ebx,%eax,4), %esi
        movl    %esi, (%edx,%eax,4)
        incl    %eax
        jmp     1b
2:      movl    %edx, %esp
        movl    %esp, 0(%edi)           # espBefore
        movl    -16(%ebp), %eax
        movl    $0x0B0B0B0B, %ebx
        movl    $0x05050505, %esi
        movl    $0x0D0D0D0D, %edi
        call    *%eax
        movl    12(%ebp), %ecx          # ebp is callee-saved: record again
        movl    %esp, 4(%ecx)
        movl    %eax, 8(%ecx)
        movl    %edx, 12(%ecx)
        movl    %ebx, 16(%ecx)
        movl    %esi, 20(%ecx)
        movl    %edi, 24(%ecx)
        stmxcsr 32(%ecx)
        fnstcw  38(%ecx)
        fnstsw  42(%ecx)
        cmpl    $0, -20(%ebp)
        je      3f
        fstpt   48(%ecx)
3:      fnstsw  44(%ecx)
        leal    -12(%ebp), %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
#if !defined(_WIN32)
        .size   TRAMPOLINE, .-TRAMPOLINE
        .section .note.GNU-stack,"",@progbits
#endif
