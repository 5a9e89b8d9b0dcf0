/* Input devices: registration, reading, pointer and keypad processing. */
#include "gui/core/lv_indev.h"

#include "gui/core/lv_obj_private.h"
#include "gui/lv_conf.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {
struct indev_state {
    std::vector<std::unique_ptr<lv_indev_t>> list;
    lv_indev_t * act = nullptr;
};
indev_state & st()
{
    static indev_state s;
    return s;
}
}

/**********************
 *   HELPERS
 **********************/
/* Sends a signal and an event; false when processing must stop (object gone, device reset). */
static bool send_both(lv_indev_t * indev, lv_obj_t * obj, lv_signal_t sig, lv_event_t ev)
{
    if(lv_signal_send(obj, sig, indev) != LV_RES_OK || indev->proc.reset_query) return false;
    if(lv_event_send(obj, ev, nullptr) != LV_RES_OK || indev->proc.reset_query) return false;
    return true;
}

static bool send_event(lv_indev_t * indev, lv_obj_t * obj, lv_event_t ev)
{
    return lv_event_send(obj, ev, nullptr) == LV_RES_OK && !indev->proc.reset_query;
}

static lv_obj_t * search_display(lv_disp_t * disp, lv_point_t * p)
{
    lv_obj_t * found = nullptr;
    if(disp->sys_layer) found = lv_indev_search_obj(disp->sys_layer, p);
    if(!found && disp->top_layer) found = lv_indev_search_obj(disp->top_layer, p);
    if(!found && disp->act_scr) found = lv_indev_search_obj(disp->act_scr, p);
    return found;
}

/**********************
 *   POINTER
 **********************/
static void click_focus(lv_indev_t * indev, lv_obj_t * obj)
{
    lv_obj_t * prev = indev->proc.last_pressed;
    if(prev == obj) return;
    lv_group_t * g_act = lv_obj_get_group(obj);
    lv_group_t * g_prev = prev ? lv_obj_get_group(prev) : nullptr;
    if(prev && g_prev && g_prev != g_act) {
        if(!send_both(indev, prev, LV_SIGNAL_LEAVE, LV_EVENT_LEAVE)) return;
    } else if(prev && !g_prev) {
        if(!send_both(indev, prev, LV_SIGNAL_DEFOCUS, LV_EVENT_DEFOCUSED)) return;
    }
    if(!_lv_obj_is_alive(obj)) return;
    if(lv_obj_get_group(obj)) {
        lv_group_focus_obj(obj);
    } else if(!send_both(indev, obj, LV_SIGNAL_FOCUS, LV_EVENT_FOCUSED)) {
        return;
    }
    if(_lv_obj_is_alive(obj) && !indev->proc.reset_query) indev->proc.last_pressed = obj;
}

static void pointer_new_obj(lv_indev_t * indev, lv_obj_t * found)
{
    lv_indev_proc_t & p = indev->proc;
    if(p.act_obj) {
        lv_obj_t * lost = p.act_obj;
        p.act_obj = nullptr;
        if(!send_both(indev, lost, LV_SIGNAL_PRESS_LOST, LV_EVENT_PRESS_LOST)) return;
    }
    p.act_obj = found;
    p.pr_timestamp = lv_tick_get();
    p.long_pr_sent = 0;
    if(found == nullptr) return;
    if(!send_both(indev, found, LV_SIGNAL_PRESSED, LV_EVENT_PRESSED)) return;
    click_focus(indev, found);
}

static void pointer_hold(lv_indev_t * indev)
{
    lv_indev_proc_t & p = indev->proc;
    lv_obj_t * obj = p.act_obj;
    if(!send_both(indev, obj, LV_SIGNAL_PRESSING, LV_EVENT_PRESSING)) return;
    if(!p.long_pr_sent && lv_tick_elaps(p.pr_timestamp) > indev->driver.long_press_time) {
        p.long_pr_sent = 1;
        p.longpr_rep_timestamp = lv_tick_get();
        send_both(indev, obj, LV_SIGNAL_LONG_PRESS, LV_EVENT_LONG_PRESSED);
    } else if(p.long_pr_sent && lv_tick_elaps(p.longpr_rep_timestamp) > indev->driver.long_press_rep_time) {
        p.longpr_rep_timestamp = lv_tick_get();
        send_both(indev, obj, LV_SIGNAL_LONG_PRESS_REP, LV_EVENT_LONG_PRESSED_REPEAT);
    }
}

static void pointer_press(lv_indev_t * indev)
{
    lv_indev_proc_t & p = indev->proc;
    if(p.wait_until_release) return;
    lv_disp_t * disp = indev->driver.disp ? indev->driver.disp : lv_disp_get_default();
    if(disp == nullptr) return;
    lv_obj_t * found = search_display(disp, &p.act_point);
    lv_disp_trig_activity(disp);
    if(found != p.act_obj) pointer_new_obj(indev, found);
    else if(p.act_obj) pointer_hold(indev);
}

static void pointer_release(lv_indev_t * indev)
{
    lv_indev_proc_t & p = indev->proc;
    p.wait_until_release = 0;
    lv_obj_t * obj = p.act_obj;
    if(obj == nullptr) return;
    if(lv_signal_send(obj, LV_SIGNAL_RELEASED, indev) != LV_RES_OK || p.reset_query) return;
    if(!p.long_pr_sent && !send_event(indev, obj, LV_EVENT_SHORT_CLICKED)) return;
    if(!send_event(indev, obj, LV_EVENT_CLICKED)) return;
    if(!send_event(indev, obj, LV_EVENT_RELEASED)) return;
    p.act_obj = nullptr;
    p.pr_timestamp = 0;
}

static void pointer_proc(lv_indev_t * indev, const lv_indev_data_t * data)
{
    indev->proc.act_point = data->point;
    if(data->state == LV_INDEV_STATE_PR) pointer_press(indev);
    else pointer_release(indev);
}

/**********************
 *   KEYPAD
 **********************/
static lv_obj_t * keypad_target(lv_indev_t * indev)
{
    lv_obj_t * obj = lv_group_get_focused(indev->group);
    if(obj == nullptr || (obj->state & LV_STATE_DISABLED)) return nullptr;
    return obj;
}

static void key_press(lv_indev_t * indev, uint32_t key)
{
    lv_indev_proc_t & p = indev->proc;
    p.pr_timestamp = lv_tick_get();
    p.long_pr_sent = 0;
    lv_group_t * g = indev->group;
    if(key == LV_KEY_NEXT) return lv_group_focus_next(g);
    if(key == LV_KEY_PREV) return lv_group_focus_prev(g);
    lv_obj_t * obj = keypad_target(indev);
    if(obj == nullptr || key == 0) return;
    if(lv_group_send_data(g, key) != LV_RES_OK || p.reset_query) return;
    if(key == LV_KEY_ENTER) send_both(indev, obj, LV_SIGNAL_PRESSED, LV_EVENT_PRESSED);
    else if(key == LV_KEY_ESC) send_event(indev, obj, LV_EVENT_CANCEL);
}

static void key_hold(lv_indev_t * indev, uint32_t key)
{
    lv_indev_proc_t & p = indev->proc;
    lv_obj_t * obj = keypad_target(indev);
    if(obj == nullptr || key == 0) return;
    bool first = !p.long_pr_sent && lv_tick_elaps(p.pr_timestamp) > indev->driver.long_press_time;
    bool rep = p.long_pr_sent && lv_tick_elaps(p.longpr_rep_timestamp) > indev->driver.long_press_rep_time;
    if(!first && !rep) return;
    p.long_pr_sent = 1;
    p.longpr_rep_timestamp = lv_tick_get();
    if(key == LV_KEY_ENTER) {
        if(first) send_both(indev, obj, LV_SIGNAL_LONG_PRESS, LV_EVENT_LONG_PRESSED);
        else send_both(indev, obj, LV_SIGNAL_LONG_PRESS_REP, LV_EVENT_LONG_PRESSED_REPEAT);
    } else if(key == LV_KEY_NEXT || key == LV_KEY_PREV) {
        key == LV_KEY_NEXT ? lv_group_focus_next(indev->group) : lv_group_focus_prev(indev->group);
    } else {
        lv_group_send_data(indev->group, key);
    }
}

static void key_release(lv_indev_t * indev, uint32_t key)
{
    lv_indev_proc_t & p = indev->proc;
    lv_obj_t * obj = keypad_target(indev);
    if(obj == nullptr || key != LV_KEY_ENTER) return;
    if(lv_signal_send(obj, LV_SIGNAL_RELEASED, indev) != LV_RES_OK || p.reset_query) return;
    if(!p.long_pr_sent && !send_event(indev, obj, LV_EVENT_SHORT_CLICKED)) return;
    if(!send_event(indev, obj, LV_EVENT_CLICKED)) return;
    send_event(indev, obj, LV_EVENT_RELEASED);
}

static void keypad_proc(lv_indev_t * indev, const lv_indev_data_t * data)
{
    lv_indev_proc_t & p = indev->proc;
    if(indev->group == nullptr) return;
    uint32_t last = p.last_key;
    lv_indev_state_t last_state = p.last_state;
    p.last_key = data->key;
    p.last_state = data->state;
    if(data->state == LV_INDEV_STATE_PR) {
        if(last_state == LV_INDEV_STATE_PR && last == data->key) return key_hold(indev, data->key);
        if(last_state == LV_INDEV_STATE_PR) key_release(indev, last);
        if(!p.reset_query) key_press(indev, data->key);
    } else if(last_state == LV_INDEV_STATE_PR) {
        key_release(indev, data->key);
    }
}

/**********************
 *   READING
 **********************/
void _lv_indev_read_task(lv_task_t * task)
{
    auto * indev = static_cast<lv_indev_t *>(task->user_data);
    if(indev->proc.disabled || indev->driver.read_cb == nullptr) return;
    lv_indev_t * outer = st().act;
    st().act = indev;
    bool more;
    do {
        lv_indev_data_t data{};
        data.point = indev->proc.act_point;
        data.key = indev->proc.last_key;
        more = indev->driver.read_cb(&indev->driver, &data);
        indev->proc.reset_query = 0;
        indev->proc.state = data.state;
        if(indev->driver.type == LV_INDEV_TYPE_POINTER) pointer_proc(indev, &data);
        else if(indev->driver.type == LV_INDEV_TYPE_KEYPAD) keypad_proc(indev, &data);
    } while(more && !indev->proc.disabled);
    st().act = outer;
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void lv_indev_drv_init(lv_indev_drv_t * driver)
{
    *driver = lv_indev_drv_t{};
    driver->type = LV_INDEV_TYPE_NONE;
    driver->drag_limit = 10;
    driver->drag_throw = 10;
    driver->long_press_time = LV_INDEV_DEF_LONG_PRESS_TIME;
    driver->long_press_rep_time = LV_INDEV_DEF_LONG_PRESS_REP_TIME;
}

lv_indev_t * lv_indev_drv_register(lv_indev_drv_t * driver)
{
    if(driver->disp == nullptr) driver->disp = lv_disp_get_default();
    if(driver->disp == nullptr) return nullptr;
    auto indev = std::make_unique<lv_indev_t>();
    lv_indev_t * p = indev.get();
    p->driver = *driver;
    p->proc = lv_indev_proc_t{};
    p->cursor = nullptr;
    p->group = nullptr;
    p->driver.read_task = lv_task_create(_lv_indev_read_task, LV_INDEV_DEF_READ_PERIOD, LV_TASK_PRIO_HIGH, p);
    st().list.push_back(std::move(indev));
    return p;
}

void lv_indev_drv_update(lv_indev_t * indev, lv_indev_drv_t * new_drv)
{
    lv_task_t * t = indev->driver.read_task;
    indev->driver = *new_drv;
    indev->driver.read_task = t;
}

lv_indev_t * lv_indev_get_next(lv_indev_t * indev)
{
    auto & v = st().list;
    if(indev == nullptr) return v.empty() ? nullptr : v.front().get();
    for(size_t i = 0; i + 1 < v.size(); i++) {
        if(v[i].get() == indev) return v[i + 1].get();
    }
    return nullptr;
}

lv_indev_t * lv_indev_get_act(void)
{
    return st().act;
}

lv_indev_type_t lv_indev_get_type(const lv_indev_t * indev)
{
    if(indev == nullptr) return LV_INDEV_TYPE_NONE;
    return indev->driver.type;
}

void lv_indev_reset(lv_indev_t * indev, lv_obj_t * obj)
{
    for(auto & i : st().list) {
        if(indev && i.get() != indev) continue;
        lv_indev_proc_t & p = i->proc;
        if(obj == nullptr || p.act_obj == obj) p.act_obj = nullptr, p.reset_query = 1;
        if(obj == nullptr || p.last_pressed == obj) p.last_pressed = nullptr;
    }
}

void lv_indev_reset_long_press(lv_indev_t * indev)
{
    indev->proc.long_pr_sent = 0;
    indev->proc.pr_timestamp = lv_tick_get();
    indev->proc.longpr_rep_timestamp = lv_tick_get();
}

void lv_indev_enable(lv_indev_t * indev, bool en)
{
    indev->proc.disabled = en ? 0 : 1;
}

void lv_indev_set_group(lv_indev_t * indev, lv_group_t * group)
{
    if(indev->driver.type == LV_INDEV_TYPE_KEYPAD || indev->driver.type == LV_INDEV_TYPE_ENCODER) {
        indev->group = group;
    }
}

void lv_indev_get_point(const lv_indev_t * indev, lv_point_t * point)
{
    *point = indev->proc.act_point;
}

uint32_t lv_indev_get_key(const lv_indev_t * indev)
{
    return indev->proc.last_key;
}

bool lv_indev_is_dragging(const lv_indev_t * indev)
{
    (void)indev;
    return false;
}

void lv_indev_wait_release(lv_indev_t * indev)
{
    indev->proc.wait_until_release = 1;
    if(indev->proc.act_obj) indev->proc.act_obj = nullptr, indev->proc.reset_query = 1;
}

lv_obj_t * lv_indev_get_obj_act(void)
{
    return st().act ? st().act->proc.act_obj : nullptr;
}

lv_obj_t * lv_indev_search_obj(lv_obj_t * obj, lv_point_t * point)
{
    if(obj->hidden || !lv_obj_hittest(obj, point)) return nullptr;
    for(auto it = obj->children.rbegin(); it != obj->children.rend(); ++it) {
        lv_obj_t * found = lv_indev_search_obj(*it, point);
        if(found) return found;
    }
    if(obj->click && !(obj->state & LV_STATE_DISABLED)) return obj;
    return nullptr;
}

void _lv_indev_obj_deleted(lv_obj_t * obj)
{
    for(auto & i : st().list) {
        lv_indev_proc_t & p = i->proc;
        if(p.act_obj == obj) p.act_obj = nullptr, p.reset_query = 1;
        if(p.last_pressed == obj) p.last_pressed = nullptr;
    }
}

void _lv_indev_group_deleted(lv_group_t * group)
{
    for(auto & i : st().list) {
        if(i->group == group) i->group = nullptr;
    }
}

void _lv_indev_core_reset(void)
{
    st().list.clear();
    st().act = nullptr;
}
