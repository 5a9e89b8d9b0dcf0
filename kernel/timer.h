// Kernel time (100 ns ticks since start-up) and one timer per eda, kept in one list sorted by
// due time and driven by the one-shot host timer through the kernel's own task.
// Kernel-thread only, except kiv_systimer_isr (host timer thread inside the CPU lock).
#pragma once

#include <cstdint>

#include "kernel/eda.h"
#include "kernel/host/arch.h"

inline constexpr uint64_t kiv_systimer_ms_to_tick(uint32_t ms) { return static_cast<uint64_t>(ms) * 10000u; }
inline constexpr uint64_t kiv_systimer_tick_to_ms(uint64_t tick) { return tick * 1000u / 10000000u; }

kiv_err_t kiv_eda_set_timer(uint64_t ticks);
kiv_err_t kiv_eda_cancel_timer();

void kiv_timer_arm(kiv_eda_t* eda, uint64_t due);
// Arms `eda`'s timer for now + `ticks`; an armed timer is moved rather than linked twice.
void kiv_timer_arm_in(kiv_eda_t* eda, uint64_t ticks);
void kiv_timer_disarm(kiv_eda_t* eda);
void kiv_systimer_isr();

// The kernel task: expires timers and performs releases requested from host threads.
kiv_eda_t* kiv_kernel_task();
void kiv_timer_reset();                          // start-up: empty list, nothing programmed
kiv_err_t kiv_kernel_task_start(int priority);
void kiv_timer_drop_all();                       // disarms every timer
