// Host port: interrupt threads posting to the kernel, the real-time clock.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>

#include "tests/kernel/harness.h"

namespace {

// Several host threads post many events while the kernel idles between them. A lost wake-up
// would leave the kernel asleep with events pending, and this test would hang.
TEST(HostPort, EventsFromManyInterruptThreadsAreAllDispatched) {
  kvtest::run_on_kernel([] {
    constexpr int threads = 4, posts = 2000;
    static kiv_eda_t* target;
    static std::atomic<int> finished;
    target = kiv_thread_get_cur();
    finished = 0;
    static kiv_arch_thread_t irq[threads];
    for (auto& t : irq) {
      kiv_arch_thread_create(&t, "test_irq", [](kiv_arch_thread_t* self) {
        for (int i = 0; i < posts; ++i) {
          kiv_arch_irq_enter(self);
          while (kiv_eda_post(target, KIV_EVT_USER, nullptr, false) != KIV_ERR_NONE) {
          }
          kiv_arch_irq_leave(self);
        }
        finished++;
      });
    }
    int received = 0;
    while (received < threads * posts) {
      if (kiv_thread_wait() == KIV_EVT_USER) received++;
    }
    EXPECT_EQ(received, threads * posts);
    while (finished < threads) kiv_thread_sleep(kiv_systimer_ms_to_tick(1));
  });
}

TEST(HostPort, RealTimeClockNeedsInitAndMapsSundayToSeven) {
  kiv_rtc_t rtc{};
  kiv_rtc_tm_t tm{};
  EXPECT_EQ(kiv_rtc_get(&rtc, &tm), KIV_ERR_INVALID_STATE);
  ASSERT_TRUE(kiv_rtc_init(&rtc));
  EXPECT_EQ(kiv_rtc_get(&rtc, nullptr), KIV_ERR_NONE);
  ASSERT_EQ(kiv_rtc_get(&rtc, &tm), KIV_ERR_NONE);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(tm.year, local.tm_year + 1900);
  EXPECT_EQ(tm.weekday, local.tm_wday == 0 ? 7 : local.tm_wday);
  struct Case {
    int host_wday;
    uint8_t weekday;
  };
  for (Case c : {Case{0, 7}, Case{1, 1}, Case{6, 6}}) {
    std::tm t{};
    t.tm_wday = c.host_wday;
    t.tm_mday = 13;
    t.tm_mon = 11;
    t.tm_year = 126;
    EXPECT_EQ(kiv_arch_rtc_from_host(&t).weekday, c.weekday);
    EXPECT_EQ(kiv_arch_rtc_from_host(&t).month, 12);
    EXPECT_EQ(kiv_arch_rtc_from_host(&t).year, 2026);
  }
}

}  // namespace
