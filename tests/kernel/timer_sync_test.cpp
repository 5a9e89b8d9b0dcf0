// Timers and synchronisation objects on the real kernel and its host timer thread.
#include <gtest/gtest.h>

#include <vector>

#include "tests/kernel/harness.h"

using kvtest::run_on_kernel;
using kvtest::yield_until;

namespace {

using kvtest::Task;

TEST(Timer, TimersExpireInDueOrder) {
  run_on_kernel([] {
    std::vector<int> order;
    std::vector<std::unique_ptr<Task>> tasks;
    for (int ms : {30, 10, 20}) {
      tasks.push_back(std::make_unique<Task>([ms, &order](Task&, kiv_evt_t evt) {
        if (evt == KIV_EVT_INIT) kiv_eda_set_timer(kiv_systimer_ms_to_tick(static_cast<uint32_t>(ms)));
        if (evt == KIV_EVT_TIMER) {
          order.push_back(ms);
          kiv_eda_fini(nullptr);
        }
      }));
      tasks.back()->start();
    }
    while (order.size() < 3) kiv_thread_sleep(kiv_systimer_ms_to_tick(5));
    EXPECT_EQ(order, (std::vector<int>{10, 20, 30}));
  });
}

TEST(Timer, EqualDueTimesExpireLastArmedFirst) {
  run_on_kernel([] {
    std::vector<int> order;
    Task first([&](Task&, kiv_evt_t evt) {
      if (evt == KIV_EVT_TIMER) order.push_back(1);
    });
    Task second([&](Task&, kiv_evt_t evt) {
      if (evt == KIV_EVT_TIMER) order.push_back(2);
    });
    first.start();
    second.start();
    ASSERT_TRUE(yield_until([&] { return !(second.eda.state & KIV_EDA_IN_READY); }));
    uint64_t due = kiv_systimer_get_tick() + kiv_systimer_ms_to_tick(5);
    kiv_timer_arm(&first.eda, due);
    kiv_timer_arm(&second.eda, due);
    while (order.size() < 2) kiv_thread_sleep(kiv_systimer_ms_to_tick(2));
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    kiv_eda_fini(&first.eda);
    kiv_eda_fini(&second.eda);
  });
}

TEST(Timer, CancelAfterExpiryWasPostedDropsTheQueuedEvent) {
  run_on_kernel([] {
    int timer_events = 0;
    Task t([&](Task&, kiv_evt_t evt) {
      if (evt == KIV_EVT_TIMER) timer_events++;
      if (evt == KIV_EVT_USER) kiv_eda_cancel_timer();
    });
    t.start();
    ASSERT_TRUE(yield_until([&] { return !(t.eda.state & KIV_EDA_IN_READY); }));
    // The expiry is posted while this thread sleeps; the user event queued before it cancels.
    kiv_eda_post_evt(&t.eda, KIV_EVT_USER);
    kiv_timer_arm(&t.eda, kiv_systimer_get_tick());
    kiv_thread_sleep(kiv_systimer_ms_to_tick(5));
    kiv_thread_sleep(kiv_systimer_ms_to_tick(5));
    EXPECT_EQ(timer_events, 0);
    kiv_eda_fini(&t.eda);
  });
}

TEST(Timer, ZeroDurationIsRefusedAndNothingComes) {
  run_on_kernel([] {
    kiv_err_t result = KIV_ERR_NONE;
    int timer_events = 0;
    Task t([&](Task&, kiv_evt_t evt) {
      if (evt == KIV_EVT_INIT) result = kiv_eda_set_timer(0);
      if (evt == KIV_EVT_TIMER) timer_events++;
    });
    t.start();
    kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
    EXPECT_EQ(result, KIV_ERR_INVALID_PARAMETER);
    EXPECT_EQ(timer_events, 0);
    EXPECT_FALSE(t.eda.state & KIV_EDA_TIMER_ARMED);
    kiv_eda_fini(&t.eda);
  });
}

TEST(Timer, TickConversions) {
  EXPECT_EQ(kiv_systimer_tick_to_ms(25000000), 2500u);
  EXPECT_EQ(kiv_systimer_ms_to_tick(3), 30000u);
  EXPECT_EQ(kiv_systimer_tick_to_ms(9999), 0u);
}

TEST(Timer, HostTimerFiringTwiceBeforeTheKernelTaskRunsPostsOneEvent) {
  run_on_kernel([] {
    kiv_eda_t* kt = kiv_kernel_task();
    ASSERT_TRUE(yield_until([&] { return !(kt->state & KIV_EDA_IN_READY); }));
    kiv_systimer_isr();
    kiv_systimer_isr();
    int queued = 0;
    for (kiv_evt_node_t* n = kt->evt_first; n; n = n->next) queued++;
    EXPECT_EQ(queued, 1);
    kiv_thread_yield();
    EXPECT_EQ(kt->evt_first, nullptr);
  });
}

// ---- synchronisation ----------------------------------------------------------------------------

TEST(Sync, MutexGrantsWaitersInOrderAndRefusesUnlockWhenFree) {
  run_on_kernel([] {
    kiv_sync_t mutex;
    kiv_sync_init(&mutex, 0x8001, 1);
    std::vector<char> granted;
    auto waiter = [&](char name) {
      return [&, name](Task& self, kiv_evt_t evt) {
        if (evt == KIV_EVT_INIT && kiv_sync_decrease(&mutex, -1) == KIV_ERR_NONE) granted.push_back(name);
        if (evt == KIV_EVT_SYNC && kiv_sync_wait_result(&mutex, evt) == KIV_SYNC_GET) {
          granted.push_back(name);
          EXPECT_EQ(mutex.owner, &self.eda);
        }
        if (evt == KIV_EVT_USER) kiv_sync_increase(&mutex);
      };
    };
    Task a(waiter('A')), b(waiter('B')), c(waiter('C'));
    a.start();
    b.start();
    c.start();
    ASSERT_TRUE(yield_until([&] { return granted.size() == 1; }));
    kiv_eda_post_evt(&a.eda, KIV_EVT_USER);
    ASSERT_TRUE(yield_until([&] { return granted.size() == 2; }));
    kiv_eda_post_evt(&b.eda, KIV_EVT_USER);
    ASSERT_TRUE(yield_until([&] { return granted.size() == 3; }));
    EXPECT_EQ(granted, (std::vector<char>{'A', 'B', 'C'}));
    EXPECT_EQ(kiv_sync_increase(&mutex), KIV_ERR_NONE);
    EXPECT_EQ(mutex.owner, nullptr);
    EXPECT_EQ(kiv_sync_increase(&mutex), KIV_ERR_OVERRUN);
    for (Task* t : {&a, &b, &c}) kiv_eda_fini(&t->eda);
  });
}

TEST(Sync, CountingSemaphoreKeepsReleasesWithoutWaiters) {
  run_on_kernel([] {
    kiv_sync_t sem;
    kiv_sync_init(&sem, 0, 0x7FFF);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(kiv_sync_increase(&sem), KIV_ERR_NONE);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(kiv_thread_sync_pend(&sem, 0), KIV_SYNC_GET);
    EXPECT_EQ(kiv_sync_decrease(&sem, 0), KIV_ERR_NOT_READY);
    EXPECT_TRUE(sem.wait.empty());
    EXPECT_EQ(kiv_thread_sync_pend(&sem, 0), KIV_SYNC_TIMEOUT);
  });
}

TEST(Sync, TimedWaitWithoutReleaseTimesOutAndLeavesTheQueue) {
  run_on_kernel([] {
    kiv_sync_t sem;
    kiv_sync_init(&sem, 0, 1);
    uint64_t start = kiv_systimer_get_tick();
    EXPECT_EQ(kiv_thread_sync_pend(&sem, static_cast<int64_t>(kiv_systimer_ms_to_tick(10))), KIV_SYNC_TIMEOUT);
    EXPECT_GE(kiv_systimer_get_tick() - start, kiv_systimer_ms_to_tick(10));
    EXPECT_TRUE(sem.wait.empty());
    EXPECT_FALSE(kiv_eda_get_cur()->state & (KIV_EDA_LIMITED | KIV_EDA_TIMER_ARMED));
  });
}

// Grant and time-out in the same host-timer period. Either the grant is queued first (the
// expiry post is refused by the one-event rule) or the expiry is queued first (the waiter sees
// KIV_SYNC_PENDING, then the grant). Both must end in KIV_SYNC_GET.
TEST(Sync, GrantRacingTheTimeoutIsAGrant) {
  for (bool grant_first : {true, false}) {
    SCOPED_TRACE(grant_first ? "grant queued first" : "expiry queued first");
    run_on_kernel([grant_first] {
      kiv_sync_t sem;
      kiv_sync_init(&sem, 0, 1);
      std::vector<kiv_sync_reason_t> outcomes;
      std::vector<kiv_evt_t> events;
      Task waiter([&](Task&, kiv_evt_t evt) {
        if (evt == KIV_EVT_INIT) {
          kiv_sync_decrease(&sem, static_cast<int64_t>(kiv_systimer_ms_to_tick(1)));
          return;
        }
        events.push_back(evt);
        outcomes.push_back(kiv_sync_wait_result(&sem, evt));
      });
      Task granter([&](Task&, kiv_evt_t evt) {
        if (evt == KIV_EVT_USER) kiv_sync_increase(&sem);
      });
      waiter.start();
      granter.start();
      ASSERT_TRUE(yield_until([&] { return !sem.wait.empty() && !(granter.eda.state & KIV_EDA_IN_READY); }));
      kiv_arch_sleep(3);  // the time-out passes while this thread holds the CPU
      if (grant_first) kiv_sync_increase(&sem);
      kiv_systimer_isr();  // as the host timer thread would
      if (!grant_first) kiv_eda_post_evt(&granter.eda, KIV_EVT_USER);
      ASSERT_TRUE(yield_until([&] { return !outcomes.empty() && outcomes.back() != KIV_SYNC_PENDING; }));
      if (grant_first) {
        EXPECT_EQ(events, (std::vector<kiv_evt_t>{KIV_EVT_SYNC}));
        EXPECT_EQ(outcomes, (std::vector<kiv_sync_reason_t>{KIV_SYNC_GET}));
      } else {
        EXPECT_EQ(events, (std::vector<kiv_evt_t>{KIV_EVT_TIMER, KIV_EVT_SYNC}));
        EXPECT_EQ(outcomes, (std::vector<kiv_sync_reason_t>{KIV_SYNC_PENDING, KIV_SYNC_GET}));
      }
      kiv_eda_fini(&waiter.eda);
      kiv_eda_fini(&granter.eda);
    });
  }
}

TEST(Sync, CancelWakesWaitersAndLaterTimedWaitsStillTimeOut) {
  run_on_kernel([] {
    kiv_sync_t sem, other;
    kiv_sync_init(&sem, 0, 1);
    kiv_sync_init(&other, 0, 1);
    kiv_sync_reason_t outcome = KIV_SYNC_NORMAL;
    Task waiter([&](Task&, kiv_evt_t evt) {
      if (evt == KIV_EVT_INIT) kiv_sync_decrease(&sem, static_cast<int64_t>(kiv_systimer_ms_to_tick(1000)));
      else if (evt == KIV_EVT_SYNC_CANCEL) outcome = kiv_sync_wait_result(&sem, evt);
    });
    waiter.start();
    ASSERT_TRUE(yield_until([&] { return !sem.wait.empty(); }));
    kiv_sync_cancel(&sem);
    ASSERT_TRUE(yield_until([&] { return outcome != KIV_SYNC_NORMAL; }));
    EXPECT_EQ(outcome, KIV_SYNC_CANCEL);
    EXPECT_FALSE(waiter.eda.state & (KIV_EDA_TIMER_ARMED | KIV_EDA_SYNC_GOT | KIV_EDA_LIMITED));
    EXPECT_EQ(kiv_thread_sync_pend(&other, static_cast<int64_t>(kiv_systimer_ms_to_tick(5))), KIV_SYNC_TIMEOUT);
    kiv_eda_fini(&waiter.eda);
  });
}

TEST(Sync, ReleaseFromAHostThreadGoesThroughTheKernelTask) {
  run_on_kernel([] {
    static kiv_sync_t sem;
    kiv_sync_init(&sem, 0, 1);
    static kiv_arch_thread_t irq;
    kiv_arch_thread_create(&irq, "test_irq", [](kiv_arch_thread_t* self) {
      kiv_arch_irq_enter(self);
      kiv_sync_increase_isr(&sem);
      kiv_arch_irq_leave(self);
    });
    EXPECT_EQ(kiv_thread_sync_pend(&sem, static_cast<int64_t>(kiv_systimer_ms_to_tick(10000))), KIV_SYNC_GET);
  });
}

}  // namespace
