/* Object tree: creation, deletion, attributes, states, events and signals. */
#include "gui/core/lv_obj.h"

#include "gui/core/lv_disp.h"
#include "gui/core/lv_obj_private.h"
#include "gui/misc/lv_anim.h"
#include "gui/themes/lv_theme.h"

#include <algorithm>
#include <unordered_set>

/**********************
 *  STATIC VARIABLES
 **********************/
namespace {
/* One record per event being delivered, so that a deletion inside a callback is noticed. */
struct event_frame {
    lv_obj_t * obj;
    bool deleted;
    const void * data;
    event_frame * prev;
};
event_frame * g_event_top = nullptr;

std::unordered_set<const lv_obj_t *> & live_objs()
{
    static std::unordered_set<const lv_obj_t *> s;
    return s;
}
}

#define LV_OBJ_DEF_WIDTH 100
#define LV_OBJ_DEF_HEIGHT 50

/**********************
 *   CREATION
 **********************/
static void obj_init_fields(lv_obj_t * obj, lv_obj_t * parent)
{
    obj->parent = parent;
    obj->event_cb = nullptr;
    obj->signal_cb = lv_obj_signal;
    obj->design_cb = lv_obj_design;
    obj->ext_attr = nullptr;
    obj->ext_draw_pad = 0;
    obj->click = 1;
    obj->hidden = 0;
    obj->parent_event = 0;
    obj->top = 0;
    obj->state = LV_STATE_DEFAULT;
    obj->realign = lv_realign_t{nullptr, 0, 0, LV_ALIGN_CENTER, 0, 0};
    obj->user_data = nullptr;
    obj->disp = nullptr;
    obj->group_p = nullptr;
}

static lv_obj_t * screen_create(void)
{
    lv_disp_t * disp = lv_disp_get_default();
    if(disp == nullptr) return nullptr;
    lv_obj_t * obj = new lv_obj_t{};
    obj_init_fields(obj, nullptr);
    obj->disp = disp;
    lv_area_set(&obj->coords, 0, 0, static_cast<lv_coord_t>(lv_disp_get_hor_res(disp) - 1),
                static_cast<lv_coord_t>(lv_disp_get_ver_res(disp) - 1));
    disp->screens.push_back(obj);
    live_objs().insert(obj);
    _lv_theme_apply(obj, LV_THEME_SCR);
    return obj;
}

static void obj_copy_attrs(lv_obj_t * obj, const lv_obj_t * copy)
{
    lv_area_copy(&obj->coords, &copy->coords);
    obj->event_cb = copy->event_cb;
    obj->click = copy->click;
    obj->hidden = copy->hidden;
    obj->parent_event = copy->parent_event;
    obj->top = copy->top;
    obj->state = copy->state;
    obj->realign = copy->realign;
    obj->user_data = copy->user_data;
    for(int p = 0; p < _LV_OBJ_PART_SLOTS; p++) {
        obj->style_list[p].styles = copy->style_list[p].styles;
        if(copy->style_list[p].local) obj->style_list[p].local = std::make_unique<lv_style_t>(*copy->style_list[p].local);
    }
    if(copy->parent != nullptr && obj->parent != nullptr) {
        lv_obj_set_pos(obj, lv_obj_get_x(copy), lv_obj_get_y(copy));
    }
}

lv_obj_t * lv_obj_create(lv_obj_t * parent, const lv_obj_t * copy)
{
    if(parent == nullptr) return screen_create();
    lv_obj_t * obj = new lv_obj_t{};
    obj_init_fields(obj, parent);
    lv_area_set(&obj->coords, parent->coords.x1, parent->coords.y1,
                static_cast<lv_coord_t>(parent->coords.x1 + LV_OBJ_DEF_WIDTH - 1),
                static_cast<lv_coord_t>(parent->coords.y1 + LV_OBJ_DEF_HEIGHT - 1));
    parent->children.push_back(obj);
    live_objs().insert(obj);
    _lv_theme_apply(obj, LV_THEME_OBJ);
    if(copy != nullptr) obj_copy_attrs(obj, copy);
    lv_signal_send(parent, LV_SIGNAL_CHILD_CHG, obj);
    lv_obj_invalidate(obj);
    return obj;
}

/**********************
 *   DELETION
 **********************/
static void obj_del_core(lv_obj_t * obj)
{
    /* Children first, newest first, as they were stacked. */
    while(!obj->children.empty()) obj_del_core(obj->children.back());
    lv_event_send(obj, LV_EVENT_DELETE, nullptr);
    lv_anim_del(obj, nullptr);
    _lv_group_obj_deleted(obj);
    _lv_indev_obj_deleted(obj);
    for(event_frame * f = g_event_top; f; f = f->prev) {
        if(f->obj == obj) f->deleted = true;
    }
    if(obj->signal_cb) obj->signal_cb(obj, LV_SIGNAL_CLEANUP, nullptr);
    if(obj->parent) {
        auto & sib = obj->parent->children;
        sib.erase(std::find(sib.begin(), sib.end(), obj));
    } else {
        _lv_disp_obj_deleted(obj);
    }
    live_objs().erase(obj);
    delete obj;
}

lv_res_t lv_obj_del(lv_obj_t * obj)
{
    if(obj == nullptr || !_lv_obj_is_alive(obj)) return LV_RES_INV;
    lv_obj_invalidate(obj);
    lv_obj_t * parent = obj->parent;
    obj_del_core(obj);
    if(parent && _lv_obj_is_alive(parent)) lv_signal_send(parent, LV_SIGNAL_CHILD_CHG, nullptr);
    return LV_RES_INV;
}

static void del_async_cb(lv_task_t * t)
{
    lv_obj_del(static_cast<lv_obj_t *>(t->user_data));
}

void lv_obj_del_async(lv_obj_t * obj)
{
    lv_task_t * t = lv_task_create(del_async_cb, 0, LV_TASK_PRIO_HIGHEST, obj);
    lv_task_set_repeat_count(t, 1);
}

void lv_obj_clean(lv_obj_t * obj)
{
    if(obj == nullptr) return;
    while(!obj->children.empty()) lv_obj_del(obj->children.back());
}

bool _lv_obj_is_alive(const lv_obj_t * obj)
{
    return obj != nullptr && live_objs().count(obj) != 0;
}

/**********************
 *   TREE
 **********************/
void lv_obj_set_parent(lv_obj_t * obj, lv_obj_t * parent)
{
    if(obj->parent == nullptr || parent == nullptr || obj->parent == parent) return;
    lv_obj_invalidate(obj);
    lv_coord_t x = lv_obj_get_x(obj), y = lv_obj_get_y(obj);
    lv_obj_t * old = obj->parent;
    old->children.erase(std::find(old->children.begin(), old->children.end(), obj));
    parent->children.push_back(obj);
    obj->parent = parent;
    _lv_obj_move_subtree(obj, static_cast<lv_coord_t>(parent->coords.x1 + x - obj->coords.x1),
                         static_cast<lv_coord_t>(parent->coords.y1 + y - obj->coords.y1));
    lv_signal_send(old, LV_SIGNAL_CHILD_CHG, nullptr);
    lv_signal_send(parent, LV_SIGNAL_CHILD_CHG, obj);
    lv_obj_invalidate(obj);
}

void lv_obj_move_foreground(lv_obj_t * obj)
{
    if(obj->parent == nullptr) return;
    auto & v = obj->parent->children;
    v.erase(std::find(v.begin(), v.end(), obj));
    v.push_back(obj);
    lv_obj_invalidate(obj);
}

void lv_obj_move_background(lv_obj_t * obj)
{
    if(obj->parent == nullptr) return;
    auto & v = obj->parent->children;
    v.erase(std::find(v.begin(), v.end(), obj));
    v.insert(v.begin(), obj);
    lv_obj_invalidate(obj);
}

lv_obj_t * lv_obj_get_screen(const lv_obj_t * obj)
{
    while(obj->parent) obj = obj->parent;
    return const_cast<lv_obj_t *>(obj);
}

lv_disp_t * lv_obj_get_disp(const lv_obj_t * obj)
{
    return lv_obj_get_screen(obj)->disp;
}

lv_obj_t * lv_obj_get_parent(const lv_obj_t * obj)
{
    return obj->parent;
}

lv_obj_t * lv_obj_get_child(const lv_obj_t * obj, const lv_obj_t * child)
{
    const auto & v = obj->children;
    if(v.empty()) return nullptr;
    if(child == nullptr) return v.back();
    auto it = std::find(v.begin(), v.end(), child);
    if(it == v.end() || it == v.begin()) return nullptr;
    return *(it - 1);
}

lv_obj_t * lv_obj_get_child_back(const lv_obj_t * obj, const lv_obj_t * child)
{
    const auto & v = obj->children;
    if(v.empty()) return nullptr;
    if(child == nullptr) return v.front();
    auto it = std::find(v.begin(), v.end(), child);
    if(it == v.end() || it + 1 == v.end()) return nullptr;
    return *(it + 1);
}

uint16_t lv_obj_count_children(const lv_obj_t * obj)
{
    return static_cast<uint16_t>(obj->children.size());
}

uint16_t lv_obj_count_children_recursive(const lv_obj_t * obj)
{
    uint16_t n = 0;
    for(const lv_obj_t * c : obj->children) n = static_cast<uint16_t>(n + 1 + lv_obj_count_children_recursive(c));
    return n;
}

/**********************
 *   ATTRIBUTES
 **********************/
void lv_obj_set_hidden(lv_obj_t * obj, bool en)
{
    if(obj->hidden == en) return;
    if(!obj->hidden) lv_obj_invalidate(obj);
    obj->hidden = en ? 1 : 0;
    if(!obj->hidden) lv_obj_invalidate(obj);
    if(obj->parent) lv_signal_send(obj->parent, LV_SIGNAL_CHILD_CHG, obj);
}

bool lv_obj_get_hidden(const lv_obj_t * obj)
{
    return obj->hidden;
}

void lv_obj_set_click(lv_obj_t * obj, bool en)
{
    obj->click = en ? 1 : 0;
}

bool lv_obj_get_click(const lv_obj_t * obj)
{
    return obj->click;
}

void lv_obj_set_top(lv_obj_t * obj, bool en)
{
    obj->top = en ? 1 : 0;
}

void lv_obj_set_parent_event(lv_obj_t * obj, bool en)
{
    obj->parent_event = en ? 1 : 0;
}

void lv_obj_set_event_cb(lv_obj_t * obj, lv_event_cb_t event_cb)
{
    obj->event_cb = event_cb;
}

lv_event_cb_t lv_obj_get_event_cb(const lv_obj_t * obj)
{
    return obj->event_cb;
}

void lv_obj_set_signal_cb(lv_obj_t * obj, lv_signal_cb_t signal_cb)
{
    obj->signal_cb = signal_cb;
}

void lv_obj_set_design_cb(lv_obj_t * obj, lv_design_cb_t design_cb)
{
    obj->design_cb = design_cb;
}

void * lv_obj_get_ext_attr(const lv_obj_t * obj)
{
    return obj->ext_attr;
}

void lv_obj_set_user_data(lv_obj_t * obj, void * data)
{
    obj->user_data = data;
}

void * lv_obj_get_user_data(const lv_obj_t * obj)
{
    return obj->user_data;
}

/**********************
 *   STATES
 **********************/
void lv_obj_set_state(lv_obj_t * obj, lv_state_t state)
{
    if(obj->state == state) return;
    obj->state = state;
    lv_signal_send(obj, LV_SIGNAL_STYLE_CHG, nullptr);
    lv_obj_invalidate(obj);
}

void lv_obj_add_state(lv_obj_t * obj, lv_state_t state)
{
    lv_obj_set_state(obj, static_cast<lv_state_t>(obj->state | state));
}

void lv_obj_clear_state(lv_obj_t * obj, lv_state_t state)
{
    lv_obj_set_state(obj, static_cast<lv_state_t>(obj->state & ~state));
}

lv_state_t lv_obj_get_state(const lv_obj_t * obj, uint8_t part)
{
    (void)part;
    return obj->state;
}

/**********************
 *   EVENTS AND SIGNALS
 **********************/
lv_res_t lv_event_send(lv_obj_t * obj, lv_event_t event, const void * data)
{
    if(obj == nullptr) return LV_RES_OK;
    lv_res_t res = lv_event_send_func(obj->event_cb, obj, event, data);
    if(res != LV_RES_OK) return res;
    if(obj->parent_event && obj->parent) return lv_event_send(obj->parent, event, data);
    return LV_RES_OK;
}

lv_res_t lv_event_send_func(lv_event_cb_t event_xcb, lv_obj_t * obj, lv_event_t event, const void * data)
{
    event_frame frame{obj, false, data, g_event_top};
    g_event_top = &frame;
    if(event_xcb) event_xcb(obj, event);
    g_event_top = frame.prev;
    return frame.deleted ? LV_RES_INV : LV_RES_OK;
}

const void * lv_event_get_data(void)
{
    return g_event_top ? g_event_top->data : nullptr;
}

lv_res_t lv_signal_send(lv_obj_t * obj, lv_signal_t signal, void * param)
{
    if(obj == nullptr || obj->signal_cb == nullptr) return LV_RES_OK;
    event_frame frame{obj, false, nullptr, g_event_top};
    g_event_top = &frame;
    obj->signal_cb(obj, signal, param);
    g_event_top = frame.prev;
    return frame.deleted ? LV_RES_INV : LV_RES_OK;
}

lv_res_t lv_obj_signal(lv_obj_t * obj, lv_signal_t sign, void * param)
{
    switch(sign) {
        case LV_SIGNAL_PRESSED: lv_obj_add_state(obj, LV_STATE_PRESSED); break;
        case LV_SIGNAL_RELEASED:
        case LV_SIGNAL_PRESS_LOST: lv_obj_clear_state(obj, LV_STATE_PRESSED); break;
        case LV_SIGNAL_FOCUS: lv_obj_add_state(obj, LV_STATE_FOCUSED); break;
        case LV_SIGNAL_DEFOCUS: lv_obj_clear_state(obj, LV_STATE_FOCUSED | LV_STATE_EDITED); break;
        case LV_SIGNAL_STYLE_CHG: lv_obj_refresh_ext_draw_pad(obj); break;
        case LV_SIGNAL_HIT_TEST: {
            auto * info = static_cast<lv_hit_test_info_t *>(param);
            info->result = _lv_area_is_point_on(&obj->coords, info->point);
            break;
        }
        default: break;
    }
    return LV_RES_OK;
}
