/* Focus groups. */
#include "gui/core/lv_group.h"

#include "gui/core/lv_obj_private.h"

#include <algorithm>
#include <memory>

namespace {
std::vector<std::unique_ptr<lv_group_t>> & groups()
{
    static std::vector<std::unique_ptr<lv_group_t>> g;
    return g;
}
}

/**********************
 *   STATIC FUNCTIONS
 **********************/
static void defocus(lv_group_t * g)
{
    lv_obj_t * old = g->obj_focus;
    if(old == nullptr) return;
    g->obj_focus = nullptr;
    if(lv_signal_send(old, LV_SIGNAL_DEFOCUS, nullptr) != LV_RES_OK) return;
    lv_event_send(old, LV_EVENT_DEFOCUSED, nullptr);
}

static void focus(lv_group_t * g, lv_obj_t * obj)
{
    if(g->obj_focus == obj) return;
    defocus(g);
    /* A callback may have removed obj from the group meanwhile. */
    if(obj == nullptr || obj->group_p != g) return;
    g->obj_focus = obj;
    if(lv_signal_send(obj, LV_SIGNAL_FOCUS, nullptr) != LV_RES_OK) return;
    if(lv_event_send(obj, LV_EVENT_FOCUSED, nullptr) != LV_RES_OK) return;
    if(g->focus_cb) g->focus_cb(g);
}

static void focus_step(lv_group_t * g, int dir)
{
    if(g->frozen || g->objs.empty()) return;
    auto & v = g->objs;
    int n = static_cast<int>(v.size());
    auto it = std::find(v.begin(), v.end(), g->obj_focus);
    int start = it == v.end() ? (dir > 0 ? -1 : n) : static_cast<int>(it - v.begin());
    for(int k = 1; k <= n; k++) {
        int i = start + dir * k;
        if(i < 0 || i >= n) {
            if(!g->wrap && it != v.end()) return;
            i = ((i % n) + n) % n;
        }
        if(!v[i]->hidden) {
            focus(g, v[i]);
            return;
        }
    }
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
lv_group_t * lv_group_create(void)
{
    auto g = std::make_unique<lv_group_t>();
    g->obj_focus = nullptr;
    g->focus_cb = nullptr;
    g->user_data = nullptr;
    g->frozen = 0;
    g->editing = 0;
    g->wrap = 1;
    groups().push_back(std::move(g));
    return groups().back().get();
}

void lv_group_del(lv_group_t * group)
{
    if(group->obj_focus) lv_obj_clear_state(group->obj_focus, LV_STATE_FOCUSED);
    for(lv_obj_t * o : group->objs) o->group_p = nullptr;
    _lv_indev_group_deleted(group);
    auto & v = groups();
    v.erase(std::remove_if(v.begin(), v.end(), [group](const auto & p) { return p.get() == group; }), v.end());
}

void lv_group_add_obj(lv_group_t * group, lv_obj_t * obj)
{
    if(group == nullptr || obj == nullptr || obj->group_p == group) return;
    if(obj->group_p) lv_group_remove_obj(obj);
    group->objs.push_back(obj);
    obj->group_p = group;
    if(group->objs.size() == 1) focus(group, obj);
}

void lv_group_remove_obj(lv_obj_t * obj)
{
    auto * g = static_cast<lv_group_t *>(obj->group_p);
    if(g == nullptr) return;
    bool was_focused = g->obj_focus == obj;
    g->objs.erase(std::find(g->objs.begin(), g->objs.end(), obj));
    obj->group_p = nullptr;
    if(!was_focused) return;
    defocus(g);
    if(!g->objs.empty() && g->obj_focus == nullptr) focus(g, g->objs.front());
}

void lv_group_remove_all_objs(lv_group_t * group)
{
    defocus(group);
    for(lv_obj_t * o : group->objs) o->group_p = nullptr;
    group->objs.clear();
}

void lv_group_focus_obj(lv_obj_t * obj)
{
    auto * g = static_cast<lv_group_t *>(obj ? obj->group_p : nullptr);
    if(g == nullptr || g->frozen) return;
    focus(g, obj);
}

void lv_group_focus_next(lv_group_t * group)
{
    focus_step(group, 1);
}

void lv_group_focus_prev(lv_group_t * group)
{
    focus_step(group, -1);
}

void lv_group_focus_freeze(lv_group_t * group, bool en)
{
    group->frozen = en ? 1 : 0;
}

lv_res_t lv_group_send_data(lv_group_t * group, uint32_t c)
{
    lv_obj_t * act = group ? group->obj_focus : nullptr;
    if(act == nullptr) return LV_RES_OK;
    if(lv_obj_get_state(act, LV_OBJ_PART_MAIN) & LV_STATE_DISABLED) return LV_RES_OK;
    if(lv_signal_send(act, LV_SIGNAL_CONTROL, &c) != LV_RES_OK) return LV_RES_INV;
    return lv_event_send(act, LV_EVENT_KEY, &c);
}

void lv_group_set_focus_cb(lv_group_t * group, lv_group_focus_cb_t focus_cb)
{
    group->focus_cb = focus_cb;
}

void lv_group_set_editing(lv_group_t * group, bool edit)
{
    group->editing = edit ? 1 : 0;
    if(group->obj_focus) {
        if(edit) lv_obj_add_state(group->obj_focus, LV_STATE_EDITED);
        else lv_obj_clear_state(group->obj_focus, LV_STATE_EDITED);
    }
}

void lv_group_set_wrap(lv_group_t * group, bool en)
{
    group->wrap = en ? 1 : 0;
}

lv_obj_t * lv_group_get_focused(const lv_group_t * group)
{
    return group ? group->obj_focus : nullptr;
}

bool lv_group_get_editing(const lv_group_t * group)
{
    return group && group->editing;
}

lv_group_t * lv_obj_get_group(const lv_obj_t * obj)
{
    return static_cast<lv_group_t *>(obj->group_p);
}

bool lv_obj_is_focused(const lv_obj_t * obj)
{
    const lv_group_t * g = lv_obj_get_group(obj);
    return g && g->obj_focus == obj;
}

void _lv_group_obj_deleted(lv_obj_t * obj)
{
    auto * g = static_cast<lv_group_t *>(obj->group_p);
    if(g == nullptr) return;
    g->objs.erase(std::find(g->objs.begin(), g->objs.end(), obj));
    obj->group_p = nullptr;
    if(g->obj_focus == obj) {
        /* The object is going away: no events to it, but the group focuses the next one. */
        g->obj_focus = nullptr;
        if(!g->objs.empty()) focus(g, g->objs.front());
    }
}

void _lv_group_core_reset(void)
{
    groups().clear();
}
