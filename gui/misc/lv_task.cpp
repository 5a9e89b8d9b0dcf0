/* Tick and task scheduler. The task list is kept sorted by priority, highest first; among
 * equal priorities the newest task comes first. The handler runs, in each pass, the first due
 * task that has not run in this pass, and searches again from the top afterwards, so a task
 * that becomes due or is created during the pass (a higher priority one first) still runs in it. */
#include "gui/misc/lv_task.h"

#include <algorithm>
#include <vector>

/**********************
 *  STATIC VARIABLES
 **********************/
namespace {
struct task_state {
    uint32_t tick = 0;
    std::vector<lv_task_t *> tasks;
    uint32_t pass = 0;
    bool running = false;
    bool enabled = true;
    lv_task_t * exec_task = nullptr;
    bool exec_deleted = false;
};
task_state & st()
{
    static task_state s;
    return s;
}
}

/**********************
 *   TICK
 **********************/
void lv_tick_inc(uint32_t tick_period)
{
    st().tick += tick_period;
}

uint32_t lv_tick_get(void)
{
    return st().tick;
}

uint32_t lv_tick_elaps(uint32_t prev_tick)
{
    return lv_tick_get() - prev_tick;
}

/**********************
 *   STATIC FUNCTIONS
 **********************/
static bool task_is_due(const lv_task_t * t)
{
    return t->prio != LV_TASK_PRIO_OFF && lv_tick_elaps(t->last_run) >= t->period;
}

static void task_insert_sorted(lv_task_t * t)
{
    auto & v = st().tasks;
    auto pos = std::find_if(v.begin(), v.end(), [t](lv_task_t * o) { return o->prio <= t->prio; });
    v.insert(pos, t);
}

static void task_exec(lv_task_t * t)
{
    t->last_run = lv_tick_get();
    t->pass_id = st().pass;
    st().exec_task = t;
    st().exec_deleted = false;
    if(t->task_cb) t->task_cb(t);
    st().exec_task = nullptr;
    if(st().exec_deleted) return;
    if(t->repeat_count > 0) t->repeat_count--;
    if(t->repeat_count == 0) lv_task_del(t);
}

static lv_task_t * next_due_task(void)
{
    for(lv_task_t * t : st().tasks) {
        if(t->pass_id != st().pass && task_is_due(t)) return t;
    }
    return nullptr;
}

static uint32_t time_till_next(void)
{
    uint32_t best = UINT32_MAX;
    for(lv_task_t * t : st().tasks) {
        if(t->prio == LV_TASK_PRIO_OFF) continue;
        uint32_t el = lv_tick_elaps(t->last_run);
        uint32_t left = el >= t->period ? 0 : t->period - el;
        best = std::min(best, left);
    }
    return best;
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
uint32_t lv_task_handler(void)
{
    task_state & s = st();
    if(s.running || !s.enabled) return 1;
    s.running = true;
    s.pass++;
    if(s.pass == 0) s.pass = 1;
    while(lv_task_t * t = next_due_task()) task_exec(t);
    s.running = false;
    return time_till_next();
}

lv_task_t * lv_task_create_basic(void)
{
    return lv_task_create(nullptr, 500, LV_TASK_PRIO_MID, nullptr);
}

lv_task_t * lv_task_create(lv_task_cb_t task_xcb, uint32_t period, lv_task_prio_t prio, void * user_data)
{
    lv_task_t * t = new lv_task_t{};
    t->period = period;
    t->task_cb = task_xcb;
    t->prio = static_cast<uint8_t>(prio);
    t->repeat_count = -1;
    t->last_run = lv_tick_get();
    t->user_data = user_data;
    t->pass_id = 0;
    task_insert_sorted(t);
    return t;
}

void lv_task_del(lv_task_t * task)
{
    auto & v = st().tasks;
    auto it = std::find(v.begin(), v.end(), task);
    if(it == v.end()) return;
    v.erase(it);
    if(task == st().exec_task) st().exec_deleted = true;
    delete task;
}

void lv_task_set_cb(lv_task_t * task, lv_task_cb_t task_cb)
{
    task->task_cb = task_cb;
}

void lv_task_set_prio(lv_task_t * task, lv_task_prio_t prio)
{
    if(task->prio == prio) return;
    auto & v = st().tasks;
    v.erase(std::find(v.begin(), v.end(), task));
    task->prio = static_cast<uint8_t>(prio);
    task_insert_sorted(task);
}

void lv_task_set_period(lv_task_t * task, uint32_t period)
{
    task->period = period;
}

void lv_task_ready(lv_task_t * task)
{
    task->last_run = lv_tick_get() - task->period - 1;
}

void lv_task_set_repeat_count(lv_task_t * task, int32_t repeat_count)
{
    task->repeat_count = repeat_count;
}

void lv_task_reset(lv_task_t * task)
{
    task->last_run = lv_tick_get();
}

void lv_task_enable(bool en)
{
    st().enabled = en;
}

lv_task_t * lv_task_get_next(lv_task_t * task)
{
    auto & v = st().tasks;
    if(task == nullptr) return v.empty() ? nullptr : v.front();
    auto it = std::find(v.begin(), v.end(), task);
    if(it == v.end() || ++it == v.end()) return nullptr;
    return *it;
}

void _lv_task_core_reset(void)
{
    task_state & s = st();
    for(lv_task_t * t : s.tasks) delete t;
    s.tasks.clear();
    s.tick = 0;
    s.pass = 0;
    s.running = false;
    s.enabled = true;
}
