// Start-up sequence, main loop, idle step and the kernel assertion.
#include "kernel/kernel.h"

#include <cstdio>

#include "kernel/host/arch.h"

namespace {

// One priority level; the run queue table itself lives with the run loop. No preset event
// nodes: the node pool grows from the heap.
constexpr kiv_kernel_cfg_t kernel_cfg{
    .kernel_priority = 0, .queues = nullptr, .evt_node_buffer = nullptr, .evt_node_count = 0, .queue_count = 1};

kiv_eda_t first_eda;
kiv_thread_cb_t first_cb;
void* first_stack = nullptr;
uint32_t first_stack_size = 0;
bool first_done = false;

void first_terminated(kiv_eda_t*) { first_done = true; }

void start_first_thread(void (*entry)(kiv_thread_cb_t*), uint32_t stack_size) {
  if (!first_stack || first_stack_size != stack_size) {
    kiv_arch_stack_free(first_stack, first_stack_size);
    first_stack = kiv_arch_stack_alloc(stack_size);
    first_stack_size = stack_size;
  }
  first_eda = kiv_eda_t{};
  first_eda.on_terminate = first_terminated;
  first_cb = kiv_thread_cb_t{};
  first_cb.entry = entry;
  first_cb.stack_size = stack_size;
  first_cb.stack = first_stack;
  first_done = false;
  if (first_stack) kiv_thread_start(&first_eda, &first_cb, 0);
}

void start(void (*first_entry)(kiv_thread_cb_t*), uint32_t stack_size) {
  kiv_arch_init();
  kiv_arch_time_init();
  kiv_arch_interrupt_disable();
  kiv_rtc_init(&kiv_rtc);
  kiv_timer_reset();
  kiv_evt_pool_init();
  kiv_arch_interrupt_enable();
  kiv_evtq_init_all();
  if (kiv_kernel_task_start(kernel_cfg.kernel_priority) == KIV_ERR_NONE) kiv_arch_timer_thread_start();
  start_first_thread(first_entry, stack_size);
}

}  // namespace

void kiv_kernel_start(void (*first_entry)(kiv_thread_cb_t*)) { start(first_entry, KIV_FIRST_THREAD_STACK); }

void kiv_kernel_idle() {
  kiv_arch_interrupt_disable();
  if (!kiv_evtq_has_ready(0)) kiv_arch_idle();
  kiv_arch_interrupt_enable();
}

void kiv_kernel_main_loop() {
  for (;;) {
    kiv_evtq_run(0);
    kiv_kernel_idle();
  }
}

void kiv_kernel_run(void (*first_entry)(kiv_thread_cb_t*), uint32_t stack_size) {
  start(first_entry, stack_size);
  for (;;) {
    kiv_evtq_run(0);
    if (first_done) break;
    kiv_kernel_idle();
  }
  kiv_kernel_drop_all();
  kiv_arch_release_kernel_thread();
}

void kiv_kernel_drop_all() {
  kiv_timer_drop_all();
  kiv_evtq_drop_all();
}

void kiv_kernel_panic(const char* file, int line, const char* what) {
  kiv_arch_interrupt_disable();
  std::fprintf(stderr, "kernel assertion: %s (%s:%d)\n", what, file, line);
  std::fflush(stderr);
  kiv_arch_halt();
}
