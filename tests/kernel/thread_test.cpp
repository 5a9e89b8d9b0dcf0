// Threads on private stacks, on the real kernel.
#include <gtest/gtest.h>

#include <vector>

#include "tests/kernel/harness.h"

using kvtest::run_on_kernel;
using kvtest::yield_until;

namespace {

// A thread with its own stack whose body is a std::function.
struct TestThread;
struct OwnedCb {
  kiv_thread_cb_t cb{};
  TestThread* owner = nullptr;
};

struct TestThread {
  kiv_eda_t eda{};
  OwnedCb owned;
  kiv_thread_cb_t& cb = owned.cb;
  std::vector<char> stack;
  std::function<void()> body;
  int terminated = 0;

  TestThread(std::function<void()> fn, uint32_t stack_size = 64 * 1024) : stack(stack_size), body(std::move(fn)) {
    owned.owner = this;
    cb.entry = [](kiv_thread_cb_t* c) { reinterpret_cast<OwnedCb*>(c)->owner->body(); };
    cb.stack = stack.data();
    cb.stack_size = stack_size;
    eda.on_terminate = [](kiv_eda_t* e) { reinterpret_cast<TestThread*>(e)->terminated++; };
  }
  kiv_err_t start() { return kiv_thread_start(&eda, &cb, -1); }
  ~TestThread() { kvtest::finish_if_live(eda, terminated > 0); }
};

TEST(Thread, BodyThatReturnsAtOnceFinishesAfterOneDispatch) {
  run_on_kernel([] {
    int runs = 0;
    TestThread t([&] { runs++; });
    ASSERT_EQ(t.start(), KIV_ERR_NONE);
    ASSERT_TRUE(yield_until([&] { return t.terminated > 0; }));
    kiv_thread_yield();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(t.terminated, 1);
  });
}

TEST(Thread, TwoSleepingThreadsAlternate) {
  run_on_kernel([] {
    std::vector<int> order;
    std::vector<kiv_evt_t> results;
    auto loop = [&](int id) {
      return [&, id] {
        for (int i = 0; i < 3; ++i) {
          order.push_back(id);
          results.push_back(kiv_thread_sleep(kiv_systimer_ms_to_tick(10)));
        }
      };
    };
    TestThread a(loop(1));
    TestThread b(loop(2));
    a.start();
    b.start();
    while (!(a.terminated && b.terminated)) kiv_thread_sleep(kiv_systimer_ms_to_tick(5));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(results, std::vector<kiv_evt_t>(6, KIV_EVT_TIMER));
  });
}

TEST(Thread, WaitReturnsTheEventPostedToTheThread) {
  run_on_kernel([] {
    kiv_eda_post_evt(kiv_thread_get_cur(), KIV_EVT_USER + 3);
    EXPECT_EQ(kiv_thread_wait(), KIV_EVT_USER + 3);
  });
}

TEST(Thread, StackChecksRefuseBeforeAnythingIsPosted) {
  run_on_kernel([] {
    struct Case {
      uint32_t size;
      kiv_err_t expected;
    };
    for (Case c : {Case{4096, KIV_ERR_STACK_TOO_SMALL}, Case{12000, KIV_ERR_STACK_MISALIGNED}, Case{8192, KIV_ERR_NONE}}) {
      bool ran = false;
      TestThread t([&] { ran = true; }, c.size);
      EXPECT_EQ(t.start(), c.expected) << c.size;
      if (c.expected != KIV_ERR_NONE) {
        EXPECT_EQ(t.eda.evt_first, nullptr);
        EXPECT_FALSE(t.eda.state & KIV_EDA_IN_READY);
      } else {
        ASSERT_TRUE(yield_until([&] { return t.terminated > 0; }));
        EXPECT_TRUE(ran);
      }
    }
  });
}

void callee_returns_seven(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  int* seen = static_cast<int*>(kiv_eda_frame_param(area));
  *seen = *static_cast<int*>(area);  // the copied parameter
  kiv_eda_return(7);
}

TEST(Thread, SubCallBlocksAndReturnsTheCalleesValue) {
  run_on_kernel([] {
    int seen = 0;
    int arg = 11;
    EXPECT_EQ(kiv_eda_call_param(callee_returns_seven, &seen, sizeof(int), sizeof(int), &arg), KIV_EVT_RETURN);
    EXPECT_EQ(kiv_eda_get_return_value(), 7);
    EXPECT_EQ(seen, 11);
    // The thread is itself again afterwards: it can wait for its own events.
    kiv_eda_post_evt(kiv_thread_get_cur(), KIV_EVT_USER);
    EXPECT_EQ(kiv_thread_wait(), KIV_EVT_USER);
  });
}

TEST(Thread, DeepCallsOnAThreadKeepTheirState) {
  run_on_kernel([] {
    std::function<uint64_t(int)> fib = [&](int n) -> uint64_t {
      if (n % 5 == 0) kiv_thread_yield();  // switch away in the middle of the recursion
      return n < 2 ? static_cast<uint64_t>(n) : fib(n - 1) + fib(n - 2);
    };
    uint64_t result = 0;
    TestThread t([&] { result = fib(16); });
    t.start();
    ASSERT_TRUE(yield_until([&] { return t.terminated > 0; }));
    EXPECT_EQ(result, 987u);
  });
}

}  // namespace
