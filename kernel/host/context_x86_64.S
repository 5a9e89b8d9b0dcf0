/* Context switch for x86-64 System V: saves the callee-saved registers, MXCSR and the x87
   control word on the current stack, stores the stack pointer, and resumes another stack.
   void kiv_arch_ctx_swap(void **save_sp, void *load_sp); */
    .text
    .globl kiv_arch_ctx_swap
    .type kiv_arch_ctx_swap, @function
kiv_arch_ctx_swap:
    .cfi_startproc
    pushq %rbp
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    subq $8, %rsp
    stmxcsr (%rsp)
    fnstcw 4(%rsp)
    movq %rsp, (%rdi)
    movq %rsi, %rsp
    ldmxcsr (%rsp)
    fldcw 4(%rsp)
    addq $8, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    popq %rbp
    ret
    .cfi_endproc
    .size kiv_arch_ctx_swap, .-kiv_arch_ctx_swap

/* First code of a fresh context: r12 holds the entry, r13 its argument. The entry never
   returns; a return would be a fault, so trap. */
    .globl kiv_arch_ctx_trampoline
    .type kiv_arch_ctx_trampoline, @function
kiv_arch_ctx_trampoline:
    .cfi_startproc
    .cfi_undefined rip
    movq %r13, %rdi
    callq *%r12
    ud2
    .cfi_endproc
    .size kiv_arch_ctx_trampoline, .-kiv_arch_ctx_trampoline

    .section .note.GNU-stack,"",@progbits
