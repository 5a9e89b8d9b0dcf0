// Event-driven tasks on the real kernel: dispatch order, yields, finish, sub-calls.
#include <gtest/gtest.h>

#include <vector>

#include "tests/kernel/harness.h"

using kvtest::run_on_kernel;
using kvtest::yield_until;

namespace {

// A task that records what it receives, then runs an optional reaction.
struct Recorder : kvtest::Task {
  std::vector<kiv_evt_t> events;
  std::function<void(Recorder&, kiv_evt_t)> react;
  std::vector<std::pair<Recorder*, kiv_evt_t>>* log = nullptr;

  Recorder() : Task([this](Task&, kiv_evt_t evt) {
    events.push_back(evt);
    if (log) log->push_back({this, evt});
    if (react) react(*this, evt);
  }) {}
};

TEST(Eda, EdasWithSeveralEventsAreServedAlternately) {
  run_on_kernel([] {
    std::vector<std::pair<Recorder*, kiv_evt_t>> log;
    Recorder a, b;
    a.log = b.log = &log;
    a.start();
    b.start();
    kiv_eda_post_evt(&a.eda, KIV_EVT_USER);
    kiv_eda_post_evt(&a.eda, KIV_EVT_USER + 1);
    kiv_eda_post_evt(&b.eda, KIV_EVT_USER);
    ASSERT_TRUE(yield_until([&] { return a.idle() && b.idle(); }));
    std::vector<std::pair<Recorder*, kiv_evt_t>> expected{
        {&a, KIV_EVT_INIT}, {&b, KIV_EVT_INIT}, {&a, KIV_EVT_USER}, {&b, KIV_EVT_USER}, {&a, KIV_EVT_USER + 1}};
    EXPECT_EQ(log, expected);
    kiv_eda_fini(&a.eda);
    kiv_eda_fini(&b.eda);
  });
}

TEST(Eda, TwoYieldsGiveOneExtraDispatchAndAYieldAfterATimerIsDropped) {
  run_on_kernel([] {
    Recorder a;
    a.react = [](Recorder& self, kiv_evt_t evt) {
      if (evt == KIV_EVT_INIT) {
        kiv_eda_yield();
        kiv_eda_yield();
      } else if (evt == KIV_EVT_YIELD && self.events.size() == 2) {
        kiv_eda_set_timer(kiv_systimer_ms_to_tick(1));
        kiv_eda_yield();  // a timer event is already on its way
      }
    };
    a.start();
    ASSERT_TRUE(yield_until([&] { return a.events.size() >= 3 && a.idle(); }));
    EXPECT_EQ(a.events, (std::vector<kiv_evt_t>{KIV_EVT_INIT, KIV_EVT_YIELD, KIV_EVT_TIMER}));
    kiv_eda_fini(&a.eda);
  });
}

TEST(Eda, SelfPostIsServedAfterEveryOtherReadyEda) {
  run_on_kernel([] {
    std::vector<std::pair<Recorder*, kiv_evt_t>> log;
    Recorder a, b, c;
    a.log = b.log = c.log = &log;
    a.react = [](Recorder& self, kiv_evt_t evt) {
      if (evt == KIV_EVT_INIT) kiv_eda_post_evt(&self.eda, KIV_EVT_USER);
    };
    a.start();
    b.start();
    c.start();
    ASSERT_TRUE(yield_until([&] { return a.idle() && b.idle() && c.idle(); }));
    std::vector<std::pair<Recorder*, kiv_evt_t>> expected{
        {&a, KIV_EVT_INIT}, {&b, KIV_EVT_INIT}, {&c, KIV_EVT_INIT}, {&a, KIV_EVT_USER}};
    EXPECT_EQ(log, expected);
    for (Recorder* r : {&a, &b, &c}) kiv_eda_fini(&r->eda);
  });
}

TEST(Eda, FinishFromOwnHandlerDiscardsPendingEventsAndTerminatesOnce) {
  run_on_kernel([] {
    Recorder a;
    a.react = [](Recorder& self, kiv_evt_t evt) {
      if (evt != KIV_EVT_USER) return;
      kiv_eda_post_evt(&self.eda, KIV_EVT_USER + 1);
      kiv_eda_post_evt(&self.eda, KIV_EVT_USER + 2);
      kiv_eda_fini(nullptr);
    };
    a.start();
    kiv_eda_post_evt(&a.eda, KIV_EVT_USER);
    ASSERT_TRUE(yield_until([&] { return a.terminated > 0; }));
    for (int i = 0; i < 5; ++i) kiv_thread_yield();
    EXPECT_EQ(a.events, (std::vector<kiv_evt_t>{KIV_EVT_INIT, KIV_EVT_USER}));
    EXPECT_EQ(a.terminated, 1);
    EXPECT_EQ(a.eda.evt_first, nullptr);
    EXPECT_TRUE(a.idle());
  });
}

// The callee of a sub-call: returns 5 as soon as it starts.
void returns_five(kiv_eda_t*, kiv_evt_t evt) {
  if (evt == KIV_EVT_INIT) kiv_eda_return(5);
}

struct Caller {
  kiv_eda_t eda{};
  int state_before = -1, state_after = -1, returned = -1, call_result = -1;
  bool done = false;
};
Caller* the_caller = nullptr;

TEST(Eda, SubCallDeliversReturnValueAndRestoresFrameState) {
  run_on_kernel([] {
    Caller caller;
    the_caller = &caller;
    caller.eda.slot.handler = [](kiv_eda_t*, kiv_evt_t evt) {
      Caller& c = *the_caller;
      if (evt == KIV_EVT_INIT) {
        ASSERT_EQ(kiv_eda_set_frame_param(&c), KIV_ERR_NONE);  // converts to frame mode
        kiv_eda_set_frame_state(7);
        c.state_before = kiv_eda_get_frame_state();
        c.call_result = kiv_eda_call(returns_five);
      } else if (evt == KIV_EVT_RETURN) {
        c.returned = kiv_eda_get_return_value();
        c.state_after = kiv_eda_get_frame_state();
        c.done = true;
        kiv_eda_fini(nullptr);
      }
    };
    caller.eda.on_terminate = nullptr;
    kiv_eda_start(&caller.eda, -1, 0);
    ASSERT_TRUE(yield_until([&] { return caller.done; }));
    EXPECT_EQ(caller.call_result, KIV_ERR_NONE);
    EXPECT_EQ(caller.returned, 5);
    EXPECT_EQ(caller.state_before, 7);
    EXPECT_EQ(caller.state_after, 7);
  });
}

TEST(Eda, ReturnFromTheOnlyFrameFinishesTheEda) {
  run_on_kernel([] {
    static int result = -99;
    static int terminated = 0;
    static int param_seen = 0;
    int param = 42;
    kiv_eda_t eda{};
    kiv_eda_cfg_t cfg{};
    cfg.handler.on_area = [](void* area, kiv_evt_t evt) {
      if (evt != KIV_EVT_INIT) return;
      param_seen = *static_cast<int*>(kiv_eda_frame_param(area));
      result = kiv_eda_return(3);
    };
    cfg.on_terminate = [](kiv_eda_t*) { terminated++; };
    cfg.priority = -1;
    cfg.param = &param;
    terminated = 0;
    ASSERT_EQ(kiv_eda_start_ex(&eda, &cfg), KIV_ERR_NONE);
    ASSERT_TRUE(yield_until([&] { return terminated > 0; }));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(param_seen, 42);
    EXPECT_EQ(eda.return_value, 3);
  });
}

TEST(Eda, PostRefusedWhileALimitedEdaHasAnEventQueued) {
  run_on_kernel([] {
    Recorder a;
    a.start();  // INIT queued: IN_READY
    a.eda.state |= KIV_EDA_LIMITED;
    EXPECT_EQ(kiv_eda_post_evt(&a.eda, KIV_EVT_USER), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(kiv_eda_post(&a.eda, KIV_EVT_SYNC, nullptr, true), KIV_ERR_NONE);
    a.eda.state &= static_cast<uint8_t>(~KIV_EDA_LIMITED);
    ASSERT_TRUE(yield_until([&] { return a.idle(); }));
    EXPECT_EQ(a.events, (std::vector<kiv_evt_t>{KIV_EVT_INIT, KIV_EVT_SYNC}));
    kiv_eda_fini(&a.eda);
  });
}

}  // namespace
