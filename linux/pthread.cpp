// POSIX threads, mutexes and the one-shot waiter.
#include <cstring>

#include "linux/process.h"

namespace {

struct start_block {
  void* arg;
  void* (*routine)(void*);
};

void pthread_entry(kiv_thread_cb_t* cb) {
  kiv_linux_thread_t* t = KIV_CONTAINER_OF(cb, kiv_linux_thread_t, cb);
  auto* start = static_cast<start_block*>(kiv_linux_thread_private(t));
  t->retval = reinterpret_cast<intptr_t>(start->routine(start->arg));
}

kiv_linux_thread_t* current_or_panic() {
  kiv_linux_thread_t* t = kiv_linux_get_cur_thread();
  KIV_ASSERT(t, "not on a thread of the environment");
  return t;
}

}  // namespace

const kiv_linux_thread_op_t kiv_linux_pthread_op{
    .private_size = sizeof(start_block), .entry = pthread_entry, .on_terminate = kiv_linux_thread_on_terminate};

int posix::pthread_create(pthread_t* tid, const pthread_attr_t* attr, void* (*routine)(void*), void* arg) {
  const pthread_attr_t& a = attr ? *attr : pthread_attr_default;
  kiv_linux_thread_t* t = kiv_linux_thread_create(nullptr, &kiv_linux_pthread_op, a.stacksize, a.stackaddr);
  if (!t) return -1;
  *static_cast<start_block*>(kiv_linux_thread_private(t)) = {arg, routine};
  if (tid) *tid = t->tid;
  if (a.detachstate == KIV_PTHREAD_CREATE_DETACHED) kiv_linux_thread_detach(t);
  kiv_linux_thread_start(t, a.inheritsched ? -1 : a.priority);
  return 0;
}

int posix::pthread_join(pthread_t tid, void** result) {
  kiv_linux_thread_t* t = kiv_linux_thread_find(tid);
  if (!t) return -1;
  if (t->op) {
    kiv_linux_thread_t* self = current_or_panic();
    t->joiner = self;
    while (kiv_thread_wait() != KIV_LINUX_EVT_EXITED) {
    }
  }
  if (result) *result = reinterpret_cast<void*>(t->retval);
  kiv_linux_thread_unlink(t);
  kiv_heap_free(t);
  return 0;
}

int posix::pthread_detach(pthread_t tid) {
  if (kiv_linux_thread_t* t = kiv_linux_thread_find(tid)) kiv_linux_thread_detach(t);
  return 0;
}

void posix::pthread_exit(void* value) {
  current_or_panic()->retval = reinterpret_cast<intptr_t>(value);
  kiv_thread_exit();
}

int posix::pthread_mutex_init(pthread_mutex_t* m, const pthread_mutexattr_t* attr) {
  m->type = attr ? *attr : 0;
  kiv_sync_init(&m->sync, 0x8001, 1);
  m->count = 0;
  return 0;
}

int posix::pthread_mutex_lock(pthread_mutex_t* m) {
  kiv_eda_t* self = kiv_eda_get_cur();
  if ((m->type & KIV_PTHREAD_MUTEX_RECURSIVE) && m->sync.owner == self) {
    m->count++;
    return 0;
  }
  kiv_thread_sync_pend(&m->sync, -1);
  m->count = 1;
  return 0;
}

int posix::pthread_mutex_unlock(pthread_mutex_t* m) {
  if (--m->count == 0) kiv_sync_increase(&m->sync);
  return 0;
}

int posix::pthread_mutex_destroy(pthread_mutex_t* m) {
  kiv_sync_cancel(&m->sync);
  return 0;
}

void kiv_linux_trigger_init(kiv_linux_trigger_t* trigger) {
  kiv_sync_init(&trigger->sync, 0, 1);
  trigger->owner = nullptr;
}

int kiv_linux_trigger_wait(kiv_linux_trigger_t* trigger, int64_t timeout) {
  trigger->owner = kiv_linux_get_cur_process();
  kiv_sync_reason_t r = kiv_thread_sync_pend(&trigger->sync, timeout);
  if (r == KIV_SYNC_TIMEOUT && !trigger->owner) {
    // A signal raced the time-out: its release is still on the way through the kernel task
    // and would land on this waiter after it is gone. Take it, and count the wait as woken.
    kiv_thread_sync_pend(&trigger->sync, -1);
    return 0;
  }
  trigger->owner = nullptr;
  return r == KIV_SYNC_TIMEOUT ? 1 : 0;
}

void kiv_linux_trigger_signal(kiv_linux_trigger_t* trigger) {
  if (!trigger->owner) return;
  trigger->owner = nullptr;
  kiv_sync_increase_isr(&trigger->sync);
}
