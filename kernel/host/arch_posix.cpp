// Host port on POSIX threads: the CPU lock, the kernel thread's idle/wake protocol, host
// threads, auto-reset events, the monotonic tick and the "timer" thread, the real-time clock,
// restart, the host heap and guarded stacks.
#include <malloc.h>
#include <pthread.h>
#include <linux/close_range.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kernel/host/arch.h"

void kiv_systimer_isr();  // kernel/timer.cpp: called by the timer thread inside the CPU lock

namespace {

// ---- auto-reset event: mutex + condition + flag ----------------------------------------------
struct AutoEvent {
  pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t cond;
  bool signalled = false;

  AutoEvent() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&cond, &attr);
    pthread_condattr_destroy(&attr);
  }
  void set() {
    pthread_mutex_lock(&lock);
    signalled = true;
    pthread_cond_signal(&cond);
    pthread_mutex_unlock(&lock);
  }
  void wait() {
    pthread_mutex_lock(&lock);
    while (!signalled) pthread_cond_wait(&cond, &lock);
    signalled = false;
    pthread_mutex_unlock(&lock);
  }
};

// ---- CPU state -------------------------------------------------------------------------------
struct CpuState {
  pthread_mutex_t state_lock = PTHREAD_MUTEX_INITIALIZER;
  pthread_mutex_t cpu_lock = PTHREAD_MUTEX_INITIALIZER;
  int cpu_users = 0;
  bool idle_request = false;
  bool irq_enabled = true;
  AutoEvent* wake = nullptr;
};
CpuState cpu;

// ---- time ------------------------------------------------------------------------------------
uint64_t monotonic_ticks() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 10000000u + static_cast<uint64_t>(ts.tv_nsec) / 100u;
}

// The one-shot host timer: a due time the "timer" thread sleeps towards. Arming signals it.
struct HostTimer {
  pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t cond;
  bool armed = false;
  uint64_t due_host = 0;  // absolute monotonic ticks
  HostTimer() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&cond, &attr);
    pthread_condattr_destroy(&attr);
  }
};
HostTimer host_timer;
std::atomic<uint64_t> time_base{0};
kiv_arch_thread_t timer_thread;
bool timer_thread_started = false;

timespec to_timespec(uint64_t host_ticks) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(host_ticks / 10000000u);
  ts.tv_nsec = static_cast<long>((host_ticks % 10000000u) * 100u);
  return ts;
}

void timer_thread_entry(kiv_arch_thread_t* self) {
  for (;;) {
    pthread_mutex_lock(&host_timer.lock);
    while (!host_timer.armed) pthread_cond_wait(&host_timer.cond, &host_timer.lock);
    while (host_timer.armed && monotonic_ticks() < host_timer.due_host) {
      timespec ts = to_timespec(host_timer.due_host);
      pthread_cond_timedwait(&host_timer.cond, &host_timer.lock, &ts);
    }
    bool fired = host_timer.armed;
    host_timer.armed = false;  // one shot: wait for the next arming
    pthread_mutex_unlock(&host_timer.lock);
    if (!fired) continue;
    kiv_arch_irq_enter(self);
    kiv_systimer_isr();
    kiv_arch_irq_leave(self);
  }
}

// ---- process ---------------------------------------------------------------------------------
std::vector<char*> saved_args;
std::vector<void (*)()> exit_hooks;

void run_exit_hooks() {
  for (auto it = exit_hooks.rbegin(); it != exit_hooks.rend(); ++it) (*it)();
}

void* thread_trampoline(void* arg) {
  auto* t = static_cast<kiv_arch_thread_t*>(arg);
  t->entry(t);
  return nullptr;
}

long page_size() {
  static const long size = sysconf(_SC_PAGESIZE);
  return size;
}

}  // namespace

// ---- interrupt emulation ---------------------------------------------------------------------
void kiv_arch_init() {
  if (!cpu.wake) cpu.wake = new AutoEvent;
  cpu.irq_enabled = true;
  kiv_arch_irq_enter(nullptr);
}

// The kernel thread gives up the CPU lock; because it says it goes idle, no wake is signalled.
void kiv_arch_release_kernel_thread() {
  pthread_mutex_lock(&cpu.state_lock);
  cpu.idle_request = true;
  pthread_mutex_unlock(&cpu.state_lock);
  kiv_arch_irq_leave(nullptr);
}

bool kiv_arch_interrupt_disable() {
  bool previous = cpu.irq_enabled;
  cpu.irq_enabled = false;
  return previous;
}

void kiv_arch_interrupt_restore(bool state) { cpu.irq_enabled = state; }
bool kiv_arch_interrupts_enabled() { return cpu.irq_enabled; }

void kiv_arch_irq_enter(kiv_arch_thread_t*) {
  pthread_mutex_lock(&cpu.state_lock);
  ++cpu.cpu_users;
  pthread_mutex_unlock(&cpu.state_lock);
  pthread_mutex_lock(&cpu.cpu_lock);
}

void kiv_arch_irq_leave(kiv_arch_thread_t*) {
  pthread_mutex_lock(&cpu.state_lock);
  int users = cpu.cpu_users--;
  bool idle_request = cpu.idle_request;
  cpu.idle_request = false;
  pthread_mutex_unlock(&cpu.state_lock);
  pthread_mutex_unlock(&cpu.cpu_lock);
  // The last interrupt to leave while the kernel thread idles wakes it.
  if (users == 1 && !idle_request) cpu.wake->set();
}

void kiv_arch_idle() {
  kiv_arch_release_kernel_thread();
  cpu.wake->wait();
  kiv_arch_irq_enter(nullptr);
}

void kiv_arch_halt() {
  for (;;) pause();
}

// ---- host threads and events -----------------------------------------------------------------
void kiv_arch_thread_create(kiv_arch_thread_t* thread, const char* name, void (*entry)(kiv_arch_thread_t*)) {
  std::snprintf(thread->name, sizeof thread->name, "%s", name);
  thread->entry = entry;
  pthread_t handle;
  if (pthread_create(&handle, nullptr, thread_trampoline, thread) != 0) return;
  pthread_detach(handle);
  char short_name[16];
  std::snprintf(short_name, sizeof short_name, "%s", name);
  pthread_setname_np(handle, short_name);
  thread->handle = static_cast<uintptr_t>(handle);
  thread->id = static_cast<uintptr_t>(handle);
}

void kiv_arch_event_init(kiv_arch_event_t* event) {
  event->handle = new AutoEvent;
  event->valid = true;
}
void kiv_arch_event_set(kiv_arch_event_t* event) { static_cast<AutoEvent*>(event->handle)->set(); }
void kiv_arch_event_wait(kiv_arch_event_t* event) { static_cast<AutoEvent*>(event->handle)->wait(); }
void kiv_arch_event_fini(kiv_arch_event_t* event) {
  delete static_cast<AutoEvent*>(event->handle);
  event->handle = nullptr;
  event->valid = false;
}

void kiv_arch_sleep(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// ---- time ------------------------------------------------------------------------------------
void kiv_arch_time_init() { time_base = monotonic_ticks(); }

uint64_t kiv_systimer_get_tick() { return monotonic_ticks() - time_base; }

bool kiv_arch_timer_set(uint64_t due) {
  pthread_mutex_lock(&host_timer.lock);
  host_timer.due_host = due + time_base;
  host_timer.armed = true;
  pthread_cond_signal(&host_timer.cond);
  pthread_mutex_unlock(&host_timer.lock);
  return true;
}

bool kiv_arch_timer_is_due(uint64_t due) { return kiv_systimer_get_tick() >= due; }

void kiv_arch_timer_stop() {}

void kiv_arch_timer_thread_start() {
  if (timer_thread_started) return;
  timer_thread_started = true;
  kiv_arch_thread_create(&timer_thread, "timer", timer_thread_entry);
}

// ---- real-time clock -------------------------------------------------------------------------
kiv_rtc_t kiv_rtc{};

bool kiv_rtc_init(kiv_rtc_t* rtc) {
  rtc->enabled = false;
  rtc->enabled = true;
  return true;
}

kiv_err_t kiv_rtc_get(kiv_rtc_t* rtc, kiv_rtc_tm_t* tm) {
  if (!rtc->enabled) return KIV_ERR_INVALID_STATE;
  if (!tm) return KIV_ERR_NONE;
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  *tm = kiv_arch_rtc_from_host(&local);
  return KIV_ERR_NONE;
}

kiv_rtc_tm_t kiv_arch_rtc_from_host(const void* host_tm) {
  const auto& t = *static_cast<const struct tm*>(host_tm);
  kiv_rtc_tm_t r;
  r.sec = static_cast<uint8_t>(t.tm_sec);
  r.min = static_cast<uint8_t>(t.tm_min);
  r.hour = static_cast<uint8_t>(t.tm_hour);
  r.day = static_cast<uint8_t>(t.tm_mday);
  r.weekday = static_cast<uint8_t>(t.tm_wday == 0 ? 7 : t.tm_wday);  // host Sunday is 0
  r.month = static_cast<uint8_t>(t.tm_mon + 1);
  r.year = static_cast<uint16_t>(t.tm_year + 1900);
  return r;
}

int64_t kiv_arch_wall_time_us() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

int32_t kiv_arch_utc_offset_s() {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  return static_cast<int32_t>(local.tm_gmtoff);
}

// ---- process ---------------------------------------------------------------------------------
void kiv_arch_set_args(int argc, char** argv) {
  saved_args.assign(argv, argv + argc);
  saved_args.push_back(nullptr);
}

void kiv_arch_at_exit(void (*hook)()) { exit_hooks.push_back(hook); }

void kiv_arch_reset() {
  run_exit_hooks();
  if (saved_args.empty()) {
    static char name[] = "korvalen";
    saved_args = {name, nullptr};
  }
  // Replace this process image; descriptors other than the standard three are not inherited.
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  execv("/proc/self/exe", saved_args.data());
  _exit(0);
}

void kiv_arch_exit(int code) {
  run_exit_hooks();
  std::fflush(nullptr);
  _exit(code);
}

// ---- host heap -------------------------------------------------------------------------------
void* kiv_arch_heap_alloc(std::size_t size) { return std::malloc(size ? size : 1); }
void* kiv_arch_heap_realloc(void* block, std::size_t size) { return std::realloc(block, size); }
void kiv_arch_heap_free(void* block) { std::free(block); }
std::size_t kiv_arch_heap_size(void* block) { return block ? malloc_usable_size(block) : 0; }

// ---- stacks ----------------------------------------------------------------------------------
void* kiv_arch_stack_alloc(std::size_t size) {
  std::size_t page = static_cast<std::size_t>(page_size());
  std::size_t rounded = (size + page - 1) / page * page;
  void* region = mmap(nullptr, rounded + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) return nullptr;
  mprotect(region, page, PROT_NONE);  // guard page below the stack
  return static_cast<char*>(region) + page;
}

void kiv_arch_stack_free(void* stack, std::size_t size) {
  if (!stack) return;
  std::size_t page = static_cast<std::size_t>(page_size());
  std::size_t rounded = (size + page - 1) / page * page;
  munmap(static_cast<char*>(stack) - page, rounded + page);
}
