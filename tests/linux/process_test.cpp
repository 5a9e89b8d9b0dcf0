// Processes and POSIX threads of the environment on the real kernel.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "linux/process.h"
#include "tests/kernel/harness.h"

namespace {

using kvtest::yield_until;

// Runs `body` as the main of a first process (pid 0) and returns when that process is gone.
void run_in_process(std::function<void()> body) {
  kvtest::run_on_kernel([&body] {
    kiv_linux_process_reset_counters();
    static bool done;
    static std::function<void()>* run;
    done = false;
    run = &body;
    kiv_linux_process_t* p = kiv_linux_process_alloc(0);
    ASSERT_NE(p, nullptr);
    p->main = [](int, char**) {
      (*run)();
      done = true;
      return 0;
    };
    kiv_linux_process_start(p);
    ASSERT_TRUE(yield_until([] { return done && !kiv_linux_process_find(0); }));
  });
}

// Starts a child of the current process whose main is `body`.
kiv_linux_process_t* start_child(int (*main)(int, char**), const char* name = "child") {
  kiv_linux_process_t* child = kiv_linux_process_alloc(0);
  if (!child) return nullptr;
  child->argc = 1;
  child->argv[0] = const_cast<char*>(name);
  child->main = main;
  child->shell = kiv_linux_get_cur_process()->shell;
  kiv_linux_process_adopt(child);
  kiv_linux_process_start(child);
  return child;
}

TEST(Process, ExitStatusIsTheResultShiftedLeftByEight) {
  run_in_process([] {
    struct Case {
      int (*main)(int, char**);
      int status;
    };
    for (Case c : {Case{[](int, char**) { return 3; }, 768}, Case{[](int, char**) { return -1; }, -256},
                   Case{[](int, char**) -> int { posix::exit(5); }, 5 << 8}}) {
      kiv_linux_process_t* child = start_child(c.main);
      ASSERT_NE(child, nullptr);
      int pid = child->pid;
      int status = 0;
      EXPECT_EQ(posix::waitpid(pid, &status, 0), pid);
      EXPECT_EQ(status, c.status);
      EXPECT_EQ(posix::waitpid(pid, &status, 0), -1);  // already collected
    }
  });
}

TEST(Process, PidsAreConsecutiveAndWaitpidRejectsBadArguments) {
  run_in_process([] {
    kiv_linux_process_t* a = start_child([](int, char**) { return 0; });
    kiv_linux_process_t* b = start_child([](int, char**) { return 0; });
    int pa = a->pid, pb = b->pid;
    EXPECT_EQ(pb, pa + 1);
    EXPECT_EQ(posix::waitpid(pa, nullptr, 1), -1);
    EXPECT_EQ(posix::waitpid(0, nullptr, 0), -1);
    EXPECT_EQ(posix::waitpid(9999, nullptr, 0), -1);
    // A child that has already ended is collected at once.
    ASSERT_TRUE(yield_until([&] { return !(b->status & 1); }));
    int status = -1;
    EXPECT_EQ(posix::waitpid(pb, &status, 0), pb);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(posix::waitpid(pa, nullptr, 0), pa);
  });
}

TEST(Process, EverythingAProcessLeavesBehindIsFreedAtItsEnd) {
  run_in_process([] {
    kiv_linux_process_t* child = start_child([](int, char**) {
      for (int i = 0; i < 100; ++i) kiv_linux_malloc_p(nullptr, 64 + i);
      kiv_linux_process_t* self = kiv_linux_get_cur_process();
      self->cwd = kiv_linux_strdup_p(self, "/tmp/");
      self->environ = static_cast<char**>(kiv_linux_calloc_p(self, 2, sizeof(char*)));
      self->environ[0] = kiv_linux_strdup_p(self, "A=1");
      return self->heap_count == 103 ? 0 : 1;
    });
    ASSERT_TRUE(yield_until([&] { return !(child->status & 1); }));
    EXPECT_EQ(child->heap_count, 0);
    EXPECT_EQ(child->heap_used, 0);
    EXPECT_EQ(child->environ, nullptr);
    int status = -1;
    posix::waitpid(child->pid, &status, 0);
    EXPECT_EQ(status, 0);
  });
}

TEST(Process, ExitWaitsForJoinableThreadsAndChildrenWithWarnings) {
  kvtest::TraceCapture trace;
  run_in_process([] {
    static std::vector<std::string> order;
    order.clear();
    kiv_linux_process_t* child = start_child([](int, char**) {
      posix::pthread_create(nullptr, nullptr, [](void*) -> void* {
        kiv_thread_sleep(kiv_systimer_ms_to_tick(5));
        order.push_back("joinable thread ended");
        return nullptr;
      }, nullptr);
      posix::pthread_attr_t detached = posix::pthread_attr_default;
      detached.detachstate = posix::KIV_PTHREAD_CREATE_DETACHED;
      posix::pthread_create(nullptr, &detached, [](void*) -> void* {
        kiv_thread_sleep(kiv_systimer_ms_to_tick(50));
        order.push_back("detached thread ended");
        return nullptr;
      }, nullptr);
      start_child([](int, char**) {
        kiv_thread_sleep(kiv_systimer_ms_to_tick(5));
        order.push_back("grandchild ended");
        return 0;
      });
      return 0;
    });
    int status = -1;
    posix::waitpid(child->pid, &status, 0);
    order.push_back("child collected");
    EXPECT_EQ(order, (std::vector<std::string>{"joinable thread ended", "grandchild ended", "child collected"}));
    ASSERT_TRUE(yield_until([] { return order.size() == 4; }));
  });
  EXPECT_NE(trace.text().find("linux: undetached thread"), std::string::npos) << trace.text();
  EXPECT_NE(trace.text().find("linux: undetached process 2, need waitpid before exit\n"), std::string::npos);
  EXPECT_EQ(trace.text().find("undetached thread", trace.text().find("undetached thread") + 1), std::string::npos)
      << "the detached thread is not waited for";
}

TEST(Pthread, JoinReturnsTheResultAndAnEndedThreadDoesNotBlock) {
  run_in_process([] {
    posix::pthread_t slow = -1, quick = -1;
    ASSERT_EQ(posix::pthread_create(&slow, nullptr, [](void* arg) -> void* {
      kiv_thread_sleep(kiv_systimer_ms_to_tick(2));
      return arg;
    }, reinterpret_cast<void*>(0x1234567890)), 0);
    ASSERT_EQ(posix::pthread_create(&quick, nullptr, [](void*) -> void* { posix::pthread_exit(reinterpret_cast<void*>(7)); },
                                    nullptr), 0);
    ASSERT_TRUE(yield_until([&] { return kiv_linux_thread_find(quick)->op == nullptr; }));
    void* result = nullptr;
    EXPECT_EQ(posix::pthread_join(quick, &result), 0);
    EXPECT_EQ(result, reinterpret_cast<void*>(7));
    EXPECT_EQ(posix::pthread_join(slow, &result), 0);
    EXPECT_EQ(result, reinterpret_cast<void*>(0x1234567890));  // a full 64-bit result
    EXPECT_EQ(posix::pthread_join(slow, &result), -1);
  });
}

TEST(Pthread, RecursiveMutexNeedsAsManyUnlocksAsLocks) {
  run_in_process([] {
    static posix::pthread_mutex_t mutex;
    static int other_got_it;
    other_got_it = 0;
    posix::pthread_mutexattr_t recursive = posix::KIV_PTHREAD_MUTEX_RECURSIVE;
    posix::pthread_mutex_init(&mutex, &recursive);
    posix::pthread_mutex_lock(&mutex);
    posix::pthread_mutex_lock(&mutex);
    posix::pthread_t other;
    posix::pthread_create(&other, nullptr, [](void*) -> void* {
      posix::pthread_mutex_lock(&mutex);
      other_got_it = 1;
      posix::pthread_mutex_unlock(&mutex);
      return nullptr;
    }, nullptr);
    kiv_thread_sleep(kiv_systimer_ms_to_tick(2));
    posix::pthread_mutex_unlock(&mutex);
    kiv_thread_sleep(kiv_systimer_ms_to_tick(2));
    EXPECT_EQ(other_got_it, 0);
    posix::pthread_mutex_unlock(&mutex);
    posix::pthread_join(other, nullptr);
    EXPECT_EQ(other_got_it, 1);
  });
}

TEST(Pthread, PlainMutexLockedTwiceBlocksTheSameThread) {
  run_in_process([] {
    static posix::pthread_mutex_t mutex;
    static int stage;
    stage = 0;
    posix::pthread_mutex_init(&mutex, nullptr);
    posix::pthread_t t;
    posix::pthread_create(&t, nullptr, [](void*) -> void* {
      posix::pthread_mutex_lock(&mutex);
      stage = 1;
      posix::pthread_mutex_lock(&mutex);  // blocks until destroy cancels the wait
      stage = 2;
      return nullptr;
    }, nullptr);
    ASSERT_TRUE(yield_until([] { return stage == 1; }));
    kiv_thread_sleep(kiv_systimer_ms_to_tick(2));
    EXPECT_EQ(stage, 1);
    posix::pthread_mutex_destroy(&mutex);
    posix::pthread_join(t, nullptr);
    EXPECT_EQ(stage, 2);
  });
}

TEST(ProcessHeap, ReallocAndStrayFrees) {
  run_in_process([] {
    kiv_linux_process_t* self = kiv_linux_get_cur_process();
    int before = self->heap_count;
    void* block = kiv_linux_realloc_p(nullptr, nullptr, 10);
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "123456789", 10);
    block = kiv_linux_realloc_p(nullptr, block, 100);
    EXPECT_STREQ(static_cast<char*>(block), "123456789");
    EXPECT_EQ(self->heap_count, before + 1);
    EXPECT_EQ(kiv_linux_realloc_p(nullptr, block, 0), nullptr);
    EXPECT_EQ(self->heap_count, before);
    void* foreign = kiv_linux_malloc_p(&kiv_linux_root, 8);
    kiv_linux_free_p(self, foreign);  // not this process's block: refused, nothing corrupted
    EXPECT_EQ(self->heap_count, before);
    kiv_linux_free_p(&kiv_linux_root, foreign);
  });
}

}  // namespace
