// Semaphores and mutexes for edas and threads.
#include "kernel/sync.h"

#include "kernel/thread.h"
#include "kernel/timer.h"

namespace {
constexpr uint16_t count_mask = 0x7FFF;

uint16_t count(const kiv_sync_t* s) { return s->cur & count_mask; }
bool has_owner(const kiv_sync_t* s) { return s->cur & KIV_SYNC_HAS_OWNER; }
bool manual(const kiv_sync_t* s) { return s->max & KIV_SYNC_MANUAL; }
void add_count(kiv_sync_t* s, int delta) {
  s->cur = static_cast<uint16_t>((s->cur & KIV_SYNC_HAS_OWNER) | ((count(s) + delta) & count_mask));
}
kiv_eda_t* eda_of_pending(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_eda_t, pending_node); }
void clear_state(kiv_eda_t* e, uint8_t bits) { e->state &= static_cast<uint8_t>(~bits); }
}  // namespace

kiv_err_t kiv_sync_init(kiv_sync_t* sync, uint16_t cur, uint16_t max) {
  sync->cur = cur;
  sync->max = max;
  sync->wait = {};
  if (cur & KIV_SYNC_HAS_OWNER) sync->owner = nullptr;
  return KIV_ERR_NONE;
}

kiv_err_t kiv_sync_increase(kiv_sync_t* sync) {
  if (count(sync) >= (sync->max & count_mask)) return KIV_ERR_OVERRUN;
  add_count(sync, 1);
  if (has_owner(sync)) sync->owner = nullptr;
  while (count(sync) != 0) {
    kiv_eda_t* waiter = eda_of_pending(sync->wait.take_first());
    if (!waiter) break;
    waiter->state |= KIV_EDA_SYNC_GOT;
    if (!manual(sync)) add_count(sync, -1);
    if (has_owner(sync)) sync->owner = waiter;
    kiv_eda_post(waiter, KIV_EVT_SYNC, nullptr, true);
  }
  return KIV_ERR_NONE;
}

kiv_err_t kiv_sync_decrease(kiv_sync_t* sync, int64_t timeout) {
  kiv_eda_t* e = kiv_eda_get_cur();
  if (count(sync) != 0 && sync->wait.empty()) {
    if (!manual(sync)) add_count(sync, -1);
    if (has_owner(sync)) sync->owner = e;
    return KIV_ERR_NONE;
  }
  if (timeout == 0) return KIV_ERR_NOT_READY;
  e->pending_node = {};
  if (has_owner(sync)) {
    kiv_list_node_t* pos = sync->wait.first;
    while (pos && eda_of_pending(pos)->cur_priority <= e->cur_priority) pos = pos->next;
    sync->wait.insert_before(pos, &e->pending_node);
  } else {
    sync->wait.append(&e->pending_node);
  }
  if (timeout > 0) {
    e->state |= KIV_EDA_LIMITED;
    kiv_timer_arm_in(e, static_cast<uint64_t>(timeout));
  }
  return KIV_ERR_NOT_READY;
}

kiv_sync_reason_t kiv_sync_wait_result(kiv_sync_t* sync, kiv_evt_t evt) {
  kiv_eda_t* e = kiv_eda_get_cur();
  if (evt == KIV_EVT_TIMER) {
    if (e->state & KIV_EDA_SYNC_GOT) return KIV_SYNC_PENDING;
    if (sync->wait.holds(&e->pending_node)) sync->wait.remove(&e->pending_node);
    clear_state(e, KIV_EDA_LIMITED);
    return KIV_SYNC_TIMEOUT;
  }
  kiv_timer_disarm(e);
  kiv_sync_reason_t reason = KIV_SYNC_NORMAL;
  if (evt == KIV_EVT_SYNC_CANCEL) reason = KIV_SYNC_CANCEL;
  if (evt == KIV_EVT_SYNC) reason = KIV_SYNC_GET;
  if (reason != KIV_SYNC_NORMAL) clear_state(e, KIV_EDA_SYNC_GOT);
  clear_state(e, KIV_EDA_LIMITED);
  return reason;
}

void kiv_sync_cancel(kiv_sync_t* sync) {
  while (kiv_eda_t* waiter = eda_of_pending(sync->wait.take_first())) {
    waiter->state |= KIV_EDA_SYNC_GOT;
    kiv_eda_post(waiter, KIV_EVT_SYNC_CANCEL, nullptr, true);
  }
}

kiv_err_t kiv_sync_increase_isr(kiv_sync_t* sync) { return kiv_eda_post_msg(kiv_kernel_task(), sync); }

kiv_sync_reason_t kiv_thread_sync_pend(kiv_sync_t* sync, int64_t timeout) {
  if (kiv_sync_decrease(sync, timeout) == KIV_ERR_NONE) return KIV_SYNC_GET;
  if (timeout == 0) return KIV_SYNC_TIMEOUT;
  kiv_sync_reason_t reason;
  do {
    reason = kiv_sync_wait_result(sync, kiv_thread_wait());
  } while (reason == KIV_SYNC_PENDING);
  return reason;
}
