// Host port: emulates one interrupt-driven processor on POSIX threads.
// Owns the CPU lock, the kernel thread's wake event, the tick source and one-shot timer, host
// threads and events, the host heap, the real-time clock, restart and the context switch.
// `kiv_arch_irq_enter` may block (it waits for the CPU lock); everything else returns promptly
// except the waits that say so. Failing host calls are not reported unless a result says so.
// This is the only part of the kernel that includes host headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/types.h"

// ---- interrupt emulation -------------------------------------------------------------------
void kiv_arch_init();                   // caller becomes the kernel thread and holds the CPU lock
void kiv_arch_release_kernel_thread();  // the kernel thread leaves the CPU lock for good (test harness)
bool kiv_arch_interrupt_disable();      // returns the previous enable state
void kiv_arch_interrupt_restore(bool state);
inline void kiv_arch_interrupt_enable() { kiv_arch_interrupt_restore(true); }
bool kiv_arch_interrupts_enabled();

struct kiv_arch_thread_t;
void kiv_arch_irq_enter(kiv_arch_thread_t* thread);
void kiv_arch_irq_leave(kiv_arch_thread_t* thread);
void kiv_arch_idle();                   // kernel thread only
[[noreturn]] void kiv_arch_halt();      // kernel assertion: stays here for good, using no CPU

// ---- host threads and events ---------------------------------------------------------------
struct kiv_arch_thread_t {
  char name[32];
  void (*entry)(kiv_arch_thread_t*);
  uintptr_t handle;
  uintptr_t id;
};
void kiv_arch_thread_create(kiv_arch_thread_t* thread, const char* name, void (*entry)(kiv_arch_thread_t*));

struct kiv_arch_event_t {
  void* handle;  // host auto-reset event
  bool valid;
};
void kiv_arch_event_init(kiv_arch_event_t* event);
void kiv_arch_event_set(kiv_arch_event_t* event);
void kiv_arch_event_wait(kiv_arch_event_t* event);
void kiv_arch_event_fini(kiv_arch_event_t* event);
void kiv_arch_sleep(uint32_t ms);

// ---- time ----------------------------------------------------------------------------------
void kiv_arch_time_init();              // tick 0 is now
uint64_t kiv_systimer_get_tick();       // 100 ns ticks since kiv_arch_time_init
bool kiv_arch_timer_set(uint64_t due);  // program the one-shot host timer for tick `due`
bool kiv_arch_timer_is_due(uint64_t due);
void kiv_arch_timer_stop();
void kiv_arch_timer_thread_start();     // starts the "timer" host thread (once per process)

// ---- real-time clock -----------------------------------------------------------------------
struct kiv_rtc_t {
  bool enabled;
};
struct kiv_rtc_tm_t {
  uint8_t sec, min, hour, day, weekday, month;  // weekday 1 = Monday .. 7 = Sunday
  uint16_t year;
};
extern kiv_rtc_t kiv_rtc;
bool kiv_rtc_init(kiv_rtc_t* rtc);
kiv_err_t kiv_rtc_get(kiv_rtc_t* rtc, kiv_rtc_tm_t* tm);
// Converts a host `struct tm` (passed as a pointer to keep host headers out) to the RTC record.
kiv_rtc_tm_t kiv_arch_rtc_from_host(const void* host_tm);
int64_t kiv_arch_wall_time_us();        // host wall-clock time, microseconds since 1970
int32_t kiv_arch_utc_offset_s();        // local time minus UTC now, in seconds

// ---- process -------------------------------------------------------------------------------
void kiv_arch_set_args(int argc, char** argv);  // the arguments a restart passes again
void kiv_arch_at_exit(void (*hook)());          // run before the process ends or restarts
[[noreturn]] void kiv_arch_reset();             // start the own executable again, then exit 0
[[noreturn]] void kiv_arch_exit(int code);

// ---- host heap (8-byte alignment) ----------------------------------------------------------
void* kiv_arch_heap_alloc(std::size_t size);
void* kiv_arch_heap_realloc(void* block, std::size_t size);
void kiv_arch_heap_free(void* block);
std::size_t kiv_arch_heap_size(void* block);

// ---- stacks and context switch -------------------------------------------------------------
// A stack region with an inaccessible guard page below it; null when it cannot be had.
void* kiv_arch_stack_alloc(std::size_t size);
void kiv_arch_stack_free(void* stack, std::size_t size);

// Saved execution context: the stack pointer of a suspended call chain.
using kiv_arch_ctx_t = void*;
// Prepares a context that, when switched to, calls entry(arg) on the stack whose top is `top`.
// `entry` must never return.
kiv_arch_ctx_t kiv_arch_ctx_make(void* top, void (*entry)(void*), void* arg);
// Saves the current context into *save and resumes `load`. `load_bottom`/`load_size` describe
// the stack being resumed (for AddressSanitizer); pass null/0 for the kernel's own stack.
void kiv_arch_ctx_switch(kiv_arch_ctx_t* save, kiv_arch_ctx_t load, const void* load_bottom,
                         std::size_t load_size);
// Leaves the current stack for good and resumes `load`.
[[noreturn]] void kiv_arch_ctx_exit(kiv_arch_ctx_t load, const void* load_bottom, std::size_t load_size);
// To be called first on a fresh context, before anything else runs on it.
void kiv_arch_ctx_started();
