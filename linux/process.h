// Processes and POSIX threads of the environment, all on kernel threads: the process record,
// the root record, pids and tids, the per-process heap (whatever a process leaves is freed at
// its end), exit/waitpid, pthreads and mutexes, and the one-shot waiter behind every blocking
// call. Everything runs on environment threads inside kernel dispatches; calls that wait
// (waitpid, pthread_join, mutex lock, trigger wait) block only the calling thread.
// Errors: null or -1 with the thread's errno, as each call says.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/kernel.h"
#include "linux/libc/allocator.h"
#include "linux/libc/errno_codes.h"

struct kiv_linux_process_t;
struct kiv_linux_thread_t;

inline constexpr int KIV_LINUX_MAX_ARGS = 32;
inline constexpr int KIV_LINUX_HEAP_SLOTS = 32768;
inline constexpr int KIV_LINUX_MAX_FDS = 256;
inline constexpr int KIV_LINUX_DYNLIB_SLOTS = 16;
inline constexpr uint32_t KIV_LINUX_DEFAULT_STACK = 0x20000;
inline constexpr kiv_evt_t KIV_LINUX_EVT_EXITED = KIV_EVT_USER;

// Terminal settings, one per console descriptor 0..2 of a process.
struct kiv_linux_termios_t {
  uint32_t c_iflag, c_oflag, c_cflag, c_lflag;
  uint8_t c_cc[32];
  uint32_t c_ispeed, c_ospeed;
};
kiv_linux_termios_t kiv_linux_termios_default();

struct kiv_linux_heap_slot_t {
  void* block;
  int size;
};

struct kiv_linux_dynlib_slot_t {
  void* data;
  void (*destructor)(void* data);
};

struct kiv_linux_process_t {
  int argc;
  char* argv[KIV_LINUX_MAX_ARGS];
  uint8_t argv_owned;
  int (*main)(int argc, char** argv);
  char** environ;
  int status;  // bit 0 while running, then exit code << 8
  kiv_linux_process_t* shell;
  int pid;
  int ppid;
  kiv_linux_termios_t termios[3];
  int heap_used;
  int heap_count;
  uint32_t heap_bitmap[KIV_LINUX_HEAP_SLOTS / 32];
  kiv_linux_heap_slot_t heap_table[KIV_LINUX_HEAP_SLOTS];
  char* cwd;
  kiv_list_node_t process_node;
  kiv_queue_t threads;
  kiv_queue_t fds;
  kiv_linux_thread_t* exit_waiter;
  uint32_t fd_bitmap[KIV_LINUX_MAX_FDS / 32];
  int priority;
  kiv_linux_thread_t* exiting_thread;
  kiv_linux_process_t* parent;
  kiv_queue_t children;
  kiv_list_node_t child_node;
  kiv_linux_dynlib_slot_t dynlib[KIV_LINUX_DYNLIB_SLOTS];
  // Detached threads still running: they are cut loose (process null) when the process ends,
  // so none of them is left pointing at a freed record.
  kiv_queue_t detached;
};

struct kiv_linux_thread_op_t {
  uint32_t private_size;
  void (*entry)(kiv_thread_cb_t* cb);
  void (*on_terminate)(kiv_eda_t* eda);
};

struct kiv_linux_thread_t {
  kiv_eda_t eda;
  kiv_thread_cb_t cb;
  const kiv_linux_thread_op_t* op;  // null once terminated
  int err;
  intptr_t retval;  // wide enough for a pthread result pointer on a 64-bit host
  int tid;
  kiv_linux_thread_t* joiner;
  kiv_linux_process_t* process;
  kiv_list_node_t thread_node;  // in the process's `threads`, or `detached` when `detached`
  bool detached;
  // the class's private area follows, then (unless the creator gave one) the stack
};

// The waiter behind every blocking call: a binary semaphore plus the process that waits.
struct kiv_linux_trigger_t {
  kiv_sync_t sync;
  kiv_linux_process_t* owner;
};

extern kiv_linux_process_t kiv_linux_root;
extern const kiv_linux_thread_op_t kiv_linux_main_thread_op;
extern const kiv_linux_thread_op_t kiv_linux_pthread_op;

// ---- process level -----------------------------------------------------------------------------
kiv_linux_thread_t* kiv_linux_get_cur_thread();
kiv_linux_process_t* kiv_linux_get_cur_process();
void kiv_linux_process_reset_counters();  // start-up: pids and tids from 0
void kiv_linux_root_reset();              // an empty root record (for an environment started again)
kiv_linux_process_t* kiv_linux_process_alloc(uint32_t stack_size);
kiv_err_t kiv_linux_process_start(kiv_linux_process_t* process);
void kiv_linux_process_destroy(kiv_linux_process_t* process);
void kiv_linux_process_cleanup(kiv_linux_process_t* process);
void kiv_linux_process_detach(kiv_linux_process_t* process);
// Links `child` under the current process (used when children are created).
void kiv_linux_process_adopt(kiv_linux_process_t* child);
kiv_linux_process_t* kiv_linux_process_find(int pid);

// System-wide library slots handed out so far (bit n: slot n).
uint16_t kiv_linux_dynlib_slots_used();
void kiv_linux_dynlib_mark_used(int slot);

// ---- thread level ------------------------------------------------------------------------------
kiv_linux_thread_t* kiv_linux_thread_create(kiv_linux_process_t* process, const kiv_linux_thread_op_t* op,
                                            uint32_t stack_size, void* stack);
kiv_err_t kiv_linux_thread_start(kiv_linux_thread_t* thread, int priority);
kiv_linux_thread_t* kiv_linux_thread_find(int tid);
void kiv_linux_thread_unlink(kiv_linux_thread_t* thread);
// Takes a thread out of `threads` for good: nobody joins it, its record frees itself.
void kiv_linux_thread_detach(kiv_linux_thread_t* thread);
void* kiv_linux_thread_private(kiv_linux_thread_t* thread);
void kiv_linux_thread_on_terminate(kiv_eda_t* eda);

// ---- process heap -------------------------------------------------------------------------------
void* kiv_linux_malloc_p(kiv_linux_process_t* process, int size);
void* kiv_linux_calloc_p(kiv_linux_process_t* process, int count, int size);
void* kiv_linux_realloc_p(kiv_linux_process_t* process, void* block, int size);
void kiv_linux_free_p(kiv_linux_process_t* process, void* block);
char* kiv_linux_strdup_p(kiv_linux_process_t* process, const char* text);
// The heap of `process` (null: whichever process is current when it is used) as an allocator.
posix::allocator kiv_linux_heap_allocator(kiv_linux_process_t* process);

// ---- waiter -------------------------------------------------------------------------------------
void kiv_linux_trigger_init(kiv_linux_trigger_t* trigger);
int kiv_linux_trigger_wait(kiv_linux_trigger_t* trigger, int64_t timeout);
void kiv_linux_trigger_signal(kiv_linux_trigger_t* trigger);

// ---- the POSIX-named calls of the environment ----------------------------------------------------
namespace posix {

using pthread_t = int;
inline constexpr int KIV_PTHREAD_CREATE_DETACHED = 1;
inline constexpr int KIV_PTHREAD_MUTEX_RECURSIVE = 4;

struct pthread_attr_t {
  int detachstate;   // 1: detached
  int inheritsched;  // non-zero: the process's priority
  int priority;      // used when inheritsched is 0
  void* stackaddr;   // null: allocate
  uint32_t stacksize;  // 0: default
};
inline constexpr pthread_attr_t pthread_attr_default{0, 1, 0, nullptr, 0};

struct pthread_mutex_t {
  kiv_sync_t sync;
  int type;
  int count;
};
using pthread_mutexattr_t = int;

int& errno_ref();  // the current thread's errno
[[noreturn]] void exit(int code);
int waitpid(int pid, int* status, int options);
int pthread_create(pthread_t* tid, const pthread_attr_t* attr, void* (*routine)(void*), void* arg);
int pthread_join(pthread_t tid, void** result);
int pthread_detach(pthread_t tid);
[[noreturn]] void pthread_exit(void* value);
int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attr);
int pthread_mutex_lock(pthread_mutex_t* mutex);
int pthread_mutex_unlock(pthread_mutex_t* mutex);
int pthread_mutex_destroy(pthread_mutex_t* mutex);

}  // namespace posix
