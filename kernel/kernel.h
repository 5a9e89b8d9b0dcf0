// Kernel start-up and main loop. kiv_kernel_start brings up the host port and the kernel,
// starts the kernel task (and its "timer" host thread) and the first thread; the caller's
// thread becomes the kernel thread. kiv_kernel_main_loop never returns: the process ends only
// through an explicit exit or restart.
#pragma once

#include <cstdint>

#include "kernel/eda.h"
#include "kernel/heap.h"
#include "kernel/panic.h"
#include "kernel/stream.h"
#include "kernel/sync.h"
#include "kernel/thread.h"
#include "kernel/timer.h"
#include "kernel/trace.h"

struct kiv_kernel_cfg_t {
  int kernel_priority;
  kiv_evtq_t* queues;
  void* evt_node_buffer;
  int evt_node_count;
  int queue_count;
};

// The first thread: its eda, control block and stack are static objects of the kernel.
// The stack is larger than the embedded 8 KiB: host library calls on a 64-bit host need more.
inline constexpr uint32_t KIV_FIRST_THREAD_STACK = 64 * 1024;

void kiv_kernel_start(void (*first_entry)(kiv_thread_cb_t* cb));
[[noreturn]] void kiv_kernel_main_loop();
void kiv_kernel_idle();

// Runs the kernel on the calling thread with `first_entry` as the first thread, and returns
// once that thread has ended and nothing is left to dispatch at once. Whatever other edas
// still hold (queued events, armed timers) is dropped. For tests and tools that embed the
// kernel; the program itself uses kiv_kernel_start + kiv_kernel_main_loop.
void kiv_kernel_run(void (*first_entry)(kiv_thread_cb_t* cb), uint32_t stack_size = KIV_FIRST_THREAD_STACK);

// Drops every eda still known to the kernel's run queue and timer list (used by kiv_kernel_run).
void kiv_kernel_drop_all();
