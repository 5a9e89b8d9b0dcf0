// Synchronisation objects: one record serves as counting semaphore, binary semaphore and mutex.
// Waiters are edas queued on the object; they receive KIV_EVT_SYNC (granted), KIV_EVT_TIMER
// (time-out) or KIV_EVT_SYNC_CANCEL. Kernel-thread only, except kiv_sync_increase_isr (host
// threads inside the CPU lock). kiv_thread_sync_pend blocks the calling thread.
#pragma once

#include <cstdint>

#include "kernel/eda.h"

inline constexpr uint16_t KIV_SYNC_HAS_OWNER = 0x8000;
inline constexpr uint16_t KIV_SYNC_MANUAL = 0x8000;

struct kiv_sync_t {
  uint16_t cur;  // bits 0..14 count, bit 15 KIV_SYNC_HAS_OWNER
  uint16_t max;  // bits 0..14 maximum, bit 15 KIV_SYNC_MANUAL
  kiv_queue_t wait;
  kiv_eda_t* owner;
};

enum kiv_sync_reason_t : int {
  KIV_SYNC_NORMAL = 0,
  KIV_SYNC_TIMEOUT = 1,
  KIV_SYNC_PENDING = 2,
  KIV_SYNC_GET = 3,
  KIV_SYNC_CANCEL = 4,
};

kiv_err_t kiv_sync_init(kiv_sync_t* sync, uint16_t cur, uint16_t max);
kiv_err_t kiv_sync_increase(kiv_sync_t* sync);
kiv_err_t kiv_sync_decrease(kiv_sync_t* sync, int64_t timeout);
kiv_sync_reason_t kiv_sync_wait_result(kiv_sync_t* sync, kiv_evt_t evt);
void kiv_sync_cancel(kiv_sync_t* sync);
kiv_err_t kiv_sync_increase_isr(kiv_sync_t* sync);
kiv_sync_reason_t kiv_thread_sync_pend(kiv_sync_t* sync, int64_t timeout);
