/* Task scheduling driven by the tick: periods, priorities, repeat counts, ready, deletion. */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/lvgl.h"

namespace {

std::vector<std::string> g_runs;

void record(lv_task_t * t)
{
    g_runs.push_back(static_cast<const char *>(t->user_data));
}

class TaskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lv_init();
        g_runs.clear();
    }
    void TearDown() override { lv_deinit(); }
    void advance(uint32_t ms)
    {
        for(uint32_t i = 0; i < ms; i++) {
            lv_tick_inc(1);
            lv_task_handler();
        }
    }
};

}

TEST_F(TaskTest, TaskRunsOncePerPeriod)
{
    lv_task_create(record, 100, LV_TASK_PRIO_MID, const_cast<char *>("a"));
    advance(99);
    EXPECT_TRUE(g_runs.empty());
    advance(1);
    EXPECT_EQ(g_runs.size(), 1u);
    advance(1000);
    EXPECT_EQ(g_runs.size(), 11u);
}

TEST_F(TaskTest, HigherPriorityRunsFirstAndOffNeverRuns)
{
    lv_task_create(record, 10, LV_TASK_PRIO_LOW, const_cast<char *>("low"));
    lv_task_create(record, 10, LV_TASK_PRIO_HIGH, const_cast<char *>("high"));
    lv_task_create(record, 10, LV_TASK_PRIO_OFF, const_cast<char *>("off"));
    lv_task_create(record, 10, LV_TASK_PRIO_MID, const_cast<char *>("mid"));
    lv_tick_inc(10);
    lv_task_handler();
    std::vector<std::string> expect = {"high", "mid", "low"};
    EXPECT_EQ(g_runs, expect);
}

TEST_F(TaskTest, RepeatCountDeletesTheTaskAfterItsRuns)
{
    lv_task_t * t = lv_task_create(record, 10, LV_TASK_PRIO_MID, const_cast<char *>("r"));
    lv_task_set_repeat_count(t, 3);
    advance(100);
    EXPECT_EQ(g_runs.size(), 3u);
    EXPECT_EQ(lv_task_get_next(nullptr), nullptr);
}

TEST_F(TaskTest, ReadyTaskRunsOnTheNextPass)
{
    lv_task_t * t = lv_task_create(record, 3000, LV_TASK_PRIO_MID, const_cast<char *>("box"));
    lv_task_set_repeat_count(t, 1);
    advance(10);
    EXPECT_TRUE(g_runs.empty());
    lv_task_ready(t);
    lv_task_handler();
    EXPECT_EQ(g_runs.size(), 1u);
    advance(5000);
    EXPECT_EQ(g_runs.size(), 1u);
}

TEST_F(TaskTest, PeriodZeroWithRepeatOneRunsExactlyOnce)
{
    lv_task_t * t = lv_task_create(record, 0, LV_TASK_PRIO_MID, const_cast<char *>("load"));
    lv_task_set_repeat_count(t, 1);
    lv_task_handler();
    lv_task_handler();
    advance(100);
    EXPECT_EQ(g_runs.size(), 1u);
}

namespace {
int g_polls = 0;
/* As the dongle poll does: stop itself by setting its repeat count to 0 on success. */
void poll(lv_task_t * t)
{
    if(++g_polls == 3) lv_task_set_repeat_count(t, 0);
}
void del_self(lv_task_t * t)
{
    g_polls++;
    lv_task_del(t);
}
}

TEST_F(TaskTest, RepeatCountZeroSetInsideTheTaskEndsIt)
{
    g_polls = 0;
    lv_task_create(poll, 1000, LV_TASK_PRIO_MID, nullptr);
    advance(10000);
    EXPECT_EQ(g_polls, 3);
}

TEST_F(TaskTest, TaskMayDeleteItselfAndOthersMayBeDeleted)
{
    g_polls = 0;
    lv_task_create(del_self, 5, LV_TASK_PRIO_MID, nullptr);
    lv_task_t * other = lv_task_create(record, 5, LV_TASK_PRIO_MID, const_cast<char *>("o"));
    lv_task_del(other);
    advance(50);
    EXPECT_EQ(g_polls, 1);
    EXPECT_TRUE(g_runs.empty());
}

TEST_F(TaskTest, HandlerReportsTimeUntilTheNextTask)
{
    lv_task_create(record, 40, LV_TASK_PRIO_MID, const_cast<char *>("a"));
    lv_tick_inc(15);
    EXPECT_EQ(lv_task_handler(), 25u);
    EXPECT_EQ(lv_tick_elaps(5), 10u);
}
