// Threads: edas whose handler runs a body on a private stack. A blocking call in the body
// switches back to the kernel and resumes when the next event reaches the eda; the event code
// is the call's result. Bodies run one at a time on the kernel thread and must never block on
// host primitives. The creator owns the control block and the stack until on_terminate.
// A canary at the low end of every stack is checked at each switch back to the kernel; a
// damaged canary (stack overflow) stops the kernel with a message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/eda.h"
#include "kernel/host/arch.h"

struct kiv_thread_cb_t {
  void (*entry)(kiv_thread_cb_t* cb);
  uint32_t stack_size;  // at least 8192, a multiple of 4096
  void* stack;          // lowest address of the stack region
  kiv_arch_ctx_t thread_ctx;  // the body's saved context while it waits
  kiv_arch_ctx_t kernel_ctx;  // the dispatch's saved context while the body runs
  kiv_evt_t resume_evt;       // the event handed to the body when it resumes
};

inline constexpr uint32_t KIV_THREAD_MIN_STACK = 8192;

kiv_err_t kiv_thread_start(kiv_eda_t* eda, kiv_thread_cb_t* cb, int priority);
kiv_evt_t kiv_thread_wait();
kiv_evt_t kiv_thread_yield();
kiv_evt_t kiv_thread_sleep(uint64_t ticks);
kiv_eda_t* kiv_thread_get_cur();
// Control block of the thread whose body is running, or null.
kiv_thread_cb_t* kiv_thread_cur_cb();
// Ends the running body at once, as if its entry had returned.
[[noreturn]] void kiv_thread_exit();

// Thread form of a sub-call (chosen by kiv_eda_call_param when the current eda is a thread).
int kiv_thread_call(kiv_eda_t* eda, kiv_frame_fn_t handler, void* param, uint16_t param_size, int copy_size,
                    const void* copy_from);
