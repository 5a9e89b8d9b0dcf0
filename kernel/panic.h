// Kernel assertion: a programming error (such as a task-context call with no current task)
// masks interrupts, prints where it fired on the host's standard error, and halts the kernel
// thread for good while it holds the CPU lock. Never returns.
#pragma once

[[noreturn]] void kiv_kernel_panic(const char* file, int line, const char* what);

#define KIV_ASSERT(cond, what) \
  do {                         \
    if (!(cond)) kiv_kernel_panic(__FILE__, __LINE__, what); \
  } while (0)
