/* Linear animations stepped by one task. An animation removed while the task iterates
 * (by an exec or ready callback) is only marked, and swept after the step. */
#include "gui/misc/lv_anim.h"

#include "gui/lv_conf.h"
#include "gui/misc/lv_task.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {
struct anim_entry {
    lv_anim_t a;
    bool deleted;
};
struct anim_state {
    std::vector<std::unique_ptr<anim_entry>> list;
    lv_task_t * task = nullptr;
    uint32_t last_step = 0;
};
anim_state & st()
{
    static anim_state s;
    return s;
}
}

/**********************
 *   STATIC FUNCTIONS
 **********************/
static int32_t anim_value(const lv_anim_t * a)
{
    if(a->time == 0) return a->end;
    int64_t t = std::min<int64_t>(a->act_time, a->time);
    return static_cast<int32_t>(a->start + (static_cast<int64_t>(a->end) - a->start) * t / a->time);
}

static void anim_step_one(anim_entry * e, uint32_t elapsed)
{
    lv_anim_t * a = &e->a;
    a->act_time += static_cast<int32_t>(elapsed);
    if(a->act_time < 0) return;
    if(a->exec_cb) a->exec_cb(a->var, static_cast<lv_anim_value_t>(anim_value(a)));
    if(e->deleted || a->act_time < static_cast<int32_t>(a->time)) return;
    e->deleted = true;
    lv_anim_t copy = *a;
    if(copy.ready_cb) copy.ready_cb(&copy);
}

static void anim_sweep(void)
{
    auto & v = st().list;
    v.erase(std::remove_if(v.begin(), v.end(), [](const auto & e) { return e->deleted; }), v.end());
}

static void anim_task(lv_task_t *)
{
    uint32_t elapsed = lv_tick_elaps(st().last_step);
    st().last_step = lv_tick_get();
    /* Index loop: callbacks may append new animations, which wait for the next step. */
    size_t n = st().list.size();
    for(size_t i = 0; i < n && i < st().list.size(); i++) {
        anim_entry * e = st().list[i].get();
        if(!e->deleted) anim_step_one(e, elapsed);
    }
    anim_sweep();
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void lv_anim_init(lv_anim_t * a)
{
    *a = lv_anim_t{};
    a->time = 500;
    a->end = 100;
}

void lv_anim_set_var(lv_anim_t * a, void * var)
{
    a->var = var;
}

void lv_anim_set_exec_cb(lv_anim_t * a, lv_anim_exec_xcb_t exec_cb)
{
    a->exec_cb = exec_cb;
}

void lv_anim_set_time(lv_anim_t * a, uint32_t duration)
{
    a->time = duration;
}

void lv_anim_set_delay(lv_anim_t * a, uint32_t delay)
{
    a->act_time = -static_cast<int32_t>(delay);
}

void lv_anim_set_values(lv_anim_t * a, lv_anim_value_t start, lv_anim_value_t end)
{
    a->start = start;
    a->end = end;
}

void lv_anim_set_ready_cb(lv_anim_t * a, lv_anim_ready_cb_t ready_cb)
{
    a->ready_cb = ready_cb;
}

void lv_anim_start(lv_anim_t * a)
{
    lv_anim_del(a->var, a->exec_cb);
    anim_state & s = st();
    if(s.task == nullptr) {
        s.task = lv_task_create(anim_task, LV_DISP_DEF_REFR_PERIOD, LV_TASK_PRIO_HIGH, nullptr);
        s.last_step = lv_tick_get();
    }
    if(s.list.empty()) s.last_step = lv_tick_get();
    s.list.push_back(std::make_unique<anim_entry>(anim_entry{*a, false}));
}

bool lv_anim_del(void * var, lv_anim_exec_xcb_t exec_cb)
{
    bool del = false;
    for(auto & e : st().list) {
        if(e->deleted || e->a.var != var) continue;
        if(exec_cb != nullptr && e->a.exec_cb != exec_cb) continue;
        e->deleted = true;
        del = true;
    }
    return del;
}

lv_anim_t * lv_anim_get(void * var, lv_anim_exec_xcb_t exec_cb)
{
    for(auto & e : st().list) {
        if(!e->deleted && e->a.var == var && (exec_cb == nullptr || e->a.exec_cb == exec_cb)) return &e->a;
    }
    return nullptr;
}

uint16_t lv_anim_count_running(void)
{
    return static_cast<uint16_t>(std::count_if(st().list.begin(), st().list.end(),
                                               [](const auto & e) { return !e->deleted; }));
}

void _lv_anim_core_reset(void)
{
    st().list.clear();
    st().task = nullptr; /* the task itself is freed by the task core reset */
}
