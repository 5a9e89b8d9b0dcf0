// Eda timers and the kernel task.
#include "kernel/timer.h"

#include "kernel/panic.h"
#include "kernel/sync.h"

namespace {

kiv_queue_t timer_list;
uint64_t programmed_due = 0;
bool timer_evt_pending = false;
kiv_eda_t kernel_task;

kiv_eda_t* eda_of_timer(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_eda_t, timer_node); }

void post_kernel_timer_event() {
  timer_evt_pending = true;
  kiv_eda_mark_incoming(&kernel_task);
  if (kiv_eda_post(&kernel_task, KIV_EVT_TIMER, nullptr, false) != KIV_ERR_NONE) timer_evt_pending = false;
}

void program_head() {
  uint64_t head_due = eda_of_timer(timer_list.first)->due;
  programmed_due = head_due;
  if (!kiv_arch_timer_set(head_due) && !timer_evt_pending) post_kernel_timer_event();
}

void expire_due_timers() {
  while (!timer_list.empty() && kiv_arch_timer_is_due(eda_of_timer(timer_list.first)->due)) {
    kiv_eda_t* eda = eda_of_timer(timer_list.take_first());
    eda->state &= static_cast<uint8_t>(~KIV_EDA_TIMER_ARMED);
    kiv_eda_mark_incoming(eda);
    kiv_eda_post(eda, KIV_EVT_TIMER, nullptr, false);  // refused only for a limited eda: dropped
  }
  timer_evt_pending = false;
  if (!timer_list.empty())
    program_head();
  else
    kiv_arch_timer_stop();
}

void kernel_task_handler(kiv_eda_t*, kiv_evt_t evt) {
  if (evt == KIV_EVT_TIMER)
    expire_due_timers();
  else if (evt == KIV_EVT_MESSAGE)
    kiv_sync_increase(static_cast<kiv_sync_t*>(kiv_eda_get_cur_msg()));
}

}  // namespace

void kiv_timer_arm(kiv_eda_t* eda, uint64_t due) {
  eda->due = due;
  kiv_list_node_t* pos = timer_list.first;
  while (pos && eda_of_timer(pos)->due < due) pos = pos->next;
  timer_list.insert_before(pos, &eda->timer_node);
  eda->state |= KIV_EDA_TIMER_ARMED;
  kiv_eda_mark_incoming(eda);
  if (eda_of_timer(timer_list.first)->due != programmed_due) program_head();
}

void kiv_timer_disarm(kiv_eda_t* eda) {
  if (!(eda->state & KIV_EDA_TIMER_ARMED)) return;
  timer_list.remove(&eda->timer_node);
  eda->state &= static_cast<uint8_t>(~KIV_EDA_TIMER_ARMED);
}

kiv_err_t kiv_eda_set_timer(uint64_t ticks) {
  kiv_eda_t* eda = kiv_eda_get_cur();
  if (ticks == 0) return KIV_ERR_INVALID_PARAMETER;
  kiv_timer_arm_in(eda, ticks);
  return KIV_ERR_NONE;
}

void kiv_timer_arm_in(kiv_eda_t* eda, uint64_t ticks) {
  kiv_timer_disarm(eda);
  kiv_timer_arm(eda, kiv_systimer_get_tick() + ticks);
}

kiv_err_t kiv_eda_cancel_timer() {
  kiv_timer_disarm(kiv_eda_get_cur());
  kiv_eda_purge_evt(KIV_EVT_TIMER);
  return KIV_ERR_NONE;
}

void kiv_systimer_isr() {
  if (timer_evt_pending) return;
  post_kernel_timer_event();
}

kiv_eda_t* kiv_kernel_task() { return &kernel_task; }

void kiv_timer_reset() {
  timer_list = {};
  programmed_due = 0;
  timer_evt_pending = false;
}

kiv_err_t kiv_kernel_task_start(int priority) {
  // An embedded kernel that is started again may find an expiry the timer thread posted after
  // the previous run ended: give its node back before the record is reused.
  kernel_task.state = 0;
  kiv_eda_discard(&kernel_task);
  kernel_task = kiv_eda_t{};
  kernel_task.slot.handler = kernel_task_handler;
  return kiv_eda_start(&kernel_task, priority, 0);
}

void kiv_timer_drop_all() {
  while (kiv_eda_t* eda = eda_of_timer(timer_list.take_first()))
    eda->state &= static_cast<uint8_t>(~KIV_EDA_TIMER_ARMED);
}
