// Threads on private stacks.
#include "kernel/thread.h"

#include <cstring>

#include "kernel/panic.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KIV_UNPOISON_STACK(cb) ASAN_UNPOISON_MEMORY_REGION((cb)->stack, (cb)->stack_size)
#else
#define KIV_UNPOISON_STACK(cb) ((void)(cb))
#endif
#include "kernel/timer.h"

namespace {

constexpr uint64_t canary_word = 0x5AFEC0DE5AFEC0DEull;
constexpr int canary_words = 8;

kiv_thread_cb_t* running = nullptr;  // body currently executing, if any

void write_canary(kiv_thread_cb_t* cb) {
  auto* words = static_cast<uint64_t*>(cb->stack);
  for (int i = 0; i < canary_words; ++i) words[i] = canary_word;
}

void check_canary(kiv_thread_cb_t* cb) {
  const auto* words = static_cast<const uint64_t*>(cb->stack);
  for (int i = 0; i < canary_words; ++i)
    KIV_ASSERT(words[i] == canary_word, "thread stack overflow");
}

// Runs on the thread's own stack.
[[noreturn]] void body_start(void* arg) {
  kiv_arch_ctx_started();
  auto* cb = static_cast<kiv_thread_cb_t*>(arg);
  cb->entry(cb);
  kiv_thread_exit();
}

// Switches from the running body back to the dispatch that resumed it.
kiv_evt_t suspend_body(kiv_thread_cb_t* cb) {
  running = nullptr;
  kiv_arch_ctx_switch(&cb->thread_ctx, cb->kernel_ctx, nullptr, 0);
  running = cb;
  cb->thread_ctx = nullptr;
  return cb->resume_evt;
}

// The bottom frame's handler: starts or resumes the body, returns when it waits or ends.
void thread_entry_handler(void* area, kiv_evt_t evt) {
  auto* cb = static_cast<kiv_thread_cb_t*>(kiv_eda_frame_param(area));
  if (evt == KIV_EVT_INIT) {
    // A restart (exec) abandons whatever ran on this stack before: forget its poisoning.
    KIV_UNPOISON_STACK(cb);
    write_canary(cb);
    auto* top = static_cast<char*>(cb->stack) + (cb->stack_size & ~7u);
    cb->thread_ctx = kiv_arch_ctx_make(top, body_start, cb);
  }
  KIV_ASSERT(cb->thread_ctx, "thread resumed while not waiting");
  cb->resume_evt = evt;
  running = cb;
  kiv_arch_ctx_switch(&cb->kernel_ctx, cb->thread_ctx, cb->stack, cb->stack_size);
  running = nullptr;
  cb->kernel_ctx = nullptr;
  check_canary(cb);
}

kiv_thread_cb_t* running_or_panic() {
  KIV_ASSERT(running, "not on a thread");
  return running;
}

}  // namespace

kiv_err_t kiv_thread_start(kiv_eda_t* eda, kiv_thread_cb_t* cb, int priority) {
  if (cb->stack_size < KIV_THREAD_MIN_STACK) return KIV_ERR_STACK_TOO_SMALL;
  if (cb->stack_size % 4096 != 0) return KIV_ERR_STACK_MISALIGNED;
  cb->thread_ctx = nullptr;
  cb->kernel_ctx = nullptr;
  kiv_eda_cfg_t cfg{};
  cfg.handler.on_area = thread_entry_handler;
  cfg.on_terminate = eda->on_terminate;
  cfg.priority = priority;
  cfg.frame_flags = KIV_EDA_USE_FRAME | KIV_EDA_IS_THREAD;
  cfg.param_size = 0;
  cfg.param = cb;
  return kiv_eda_start_ex(eda, &cfg);
}

kiv_evt_t kiv_thread_wait() { return suspend_body(running_or_panic()); }

kiv_evt_t kiv_thread_yield() {
  kiv_eda_yield();
  return kiv_thread_wait();
}

kiv_evt_t kiv_thread_sleep(uint64_t ticks) {
  if (ticks) kiv_timer_arm_in(kiv_eda_get_cur(), ticks);
  return kiv_thread_wait();
}

kiv_eda_t* kiv_thread_get_cur() { return kiv_eda_get_cur(); }

kiv_thread_cb_t* kiv_thread_cur_cb() { return running; }

void kiv_thread_exit() {
  kiv_thread_cb_t* cb = running_or_panic();
  kiv_eda_return(0);  // the bottom frame returns: the eda finishes after this dispatch
  running = nullptr;
  kiv_arch_ctx_exit(cb->kernel_ctx, nullptr, 0);
}

int kiv_thread_call(kiv_eda_t* eda, kiv_frame_fn_t handler, void* param, uint16_t param_size, int copy_size,
                    const void* copy_from) {
  kiv_thread_cb_t* cb = running_or_panic();
  if (!kiv_eda_push_frame(eda, handler, param, param_size, copy_size, copy_from)) {
    eda->return_value = KIV_ERR_NOT_ENOUGH_RESOURCES;
    return KIV_EVT_RETURN;
  }
  kiv_eda_post_evt(eda, KIV_EVT_INIT);
  return suspend_body(cb);
}
