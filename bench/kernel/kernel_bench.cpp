// Kernel figures: event throughput, thread round trip against a bare context switch, timer
// costs, and the processor time of an idle kernel. Prints one line per figure.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "kernel/kernel.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpu_seconds() {
  rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// ---- events: an eda that posts itself the next event from each dispatch -------------------
constexpr int event_count = 2000000;
int events_left = 0;
kiv_eda_t echo_eda;

void bench_events() {
  events_left = event_count;
  echo_eda = kiv_eda_t{};
  echo_eda.slot.handler = [](kiv_eda_t* self, kiv_evt_t) {
    if (--events_left > 0) kiv_eda_post_evt(self, KIV_EVT_USER); else kiv_eda_fini(nullptr);
  };
  auto start = Clock::now();
  kiv_eda_start(&echo_eda, -1, 0);
  while (events_left > 0) kiv_thread_sleep(kiv_systimer_ms_to_tick(1));
  double s = seconds_since(start);
  std::printf("events posted and dispatched: %.1f M/s (%.0f ns each)\n", event_count / s / 1e6, s / event_count * 1e9);
}

// ---- thread round trip: ping-pong between this thread and a partner thread ----------------
constexpr int round_trips = 500000;
kiv_eda_t partner_eda;
kiv_thread_cb_t partner_cb;
std::vector<char> partner_stack(64 * 1024);
kiv_eda_t* main_eda = nullptr;

double bench_thread_round_trip() {
  main_eda = kiv_thread_get_cur();
  partner_eda = kiv_eda_t{};
  partner_cb = kiv_thread_cb_t{};
  partner_cb.stack = partner_stack.data();
  partner_cb.stack_size = static_cast<uint32_t>(partner_stack.size());
  partner_cb.entry = [](kiv_thread_cb_t*) {
    for (int i = 0; i < round_trips; ++i) {
      kiv_thread_wait();
      kiv_eda_post_evt(main_eda, KIV_EVT_USER);
    }
  };
  kiv_thread_start(&partner_eda, &partner_cb, -1);
  kiv_thread_yield();  // let the partner reach its first wait
  auto start = Clock::now();
  for (int i = 0; i < round_trips; ++i) {
    kiv_eda_post_evt(&partner_eda, KIV_EVT_USER);
    kiv_thread_wait();
  }
  double ns = seconds_since(start) / round_trips * 1e9;
  std::printf("thread round trip (post, switch, post back): %.1f ns\n", ns);
  return ns;
}

// ---- bare context switch: there and back between two stacks, no kernel -------------------
kiv_arch_ctx_t bare_main, bare_other;
std::vector<char> bare_stack(64 * 1024);

double bench_bare_switch() {
  constexpr int switches = 2000000;
  bare_other = kiv_arch_ctx_make(bare_stack.data() + bare_stack.size(), [](void*) {
    kiv_arch_ctx_started();
    for (;;) kiv_arch_ctx_switch(&bare_other, bare_main, nullptr, 0);
  }, nullptr);
  auto start = Clock::now();
  for (int i = 0; i < switches; ++i)
    kiv_arch_ctx_switch(&bare_main, bare_other, bare_stack.data(), bare_stack.size());
  double ns = seconds_since(start) / switches * 1e9;
  std::printf("bare context switch there and back: %.1f ns\n", ns);
  return ns;
}

// ---- timers ----------------------------------------------------------------------------------
void bench_timers() {
  constexpr int arms = 1000000;
  kiv_eda_t* self = kiv_thread_get_cur();
  auto start = Clock::now();
  for (int i = 0; i < arms; ++i) {
    kiv_eda_set_timer(kiv_systimer_ms_to_tick(1000));
    kiv_eda_cancel_timer();
  }
  std::printf("timer arm + cancel: %.1f ns\n", seconds_since(start) / arms * 1e9);
  constexpr int expiries = 2000;
  start = Clock::now();
  for (int i = 0; i < expiries; ++i) kiv_thread_sleep(1);  // due at once: host timer thread round trip
  std::printf("timer arm to expiry delivered (host timer thread wake-up): %.1f us\n",
              seconds_since(start) / expiries * 1e6);
  (void)self;
}

// ---- idle ------------------------------------------------------------------------------------
void bench_idle() {
  double cpu_before = cpu_seconds();
  kiv_thread_sleep(kiv_systimer_ms_to_tick(2000));
  std::printf("idle kernel, processor time over 2 s: %.2f ms (goal < 10 ms)\n", (cpu_seconds() - cpu_before) * 1e3);
}

}  // namespace

int main() {
  kiv_kernel_run([](kiv_thread_cb_t*) {
    bench_events();
    double bare = bench_bare_switch();
    double trip = bench_thread_round_trip();
    std::printf("thread round trip / bare switch: %.2fx (goal <= 3x)\n", trip / bare);
    bench_timers();
    bench_idle();
  });
  return 0;
}
