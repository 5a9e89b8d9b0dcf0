/* Focus groups (LVGL 7's lv_group): an ordered set of objects, one of them focused, which
 * receives the keys of the keypad input devices attached to the group.
 * Owns the groups, not the objects (a deleted object leaves its group). Focusing sends
 * LV_EVENT_DEFOCUSED to the old and LV_EVENT_FOCUSED to the new object and sets their
 * LV_STATE_FOCUSED. Calls never block. */
#pragma once

#include <cstdint>
#include <vector>

#include "gui/core/lv_obj.h"

enum {
    LV_KEY_UP = 17,
    LV_KEY_DOWN = 18,
    LV_KEY_RIGHT = 19,
    LV_KEY_LEFT = 20,
    LV_KEY_ESC = 27,
    LV_KEY_DEL = 127,
    LV_KEY_BACKSPACE = 8,
    LV_KEY_ENTER = 10,
    LV_KEY_NEXT = 9,
    LV_KEY_PREV = 11,
    LV_KEY_HOME = 2,
    LV_KEY_END = 3,
};

struct _lv_group_t;
typedef void (*lv_group_focus_cb_t)(struct _lv_group_t *);

typedef struct _lv_group_t {
    std::vector<lv_obj_t *> objs;
    lv_obj_t * obj_focus;
    lv_group_focus_cb_t focus_cb;
    void * user_data;
    uint8_t frozen : 1;
    uint8_t editing : 1;
    uint8_t wrap : 1;
} lv_group_t;

lv_group_t * lv_group_create(void);
void lv_group_del(lv_group_t * group);
/* Adds obj (once; an object is in at most one group); the first object added is focused. */
void lv_group_add_obj(lv_group_t * group, lv_obj_t * obj);
/* Removes obj; when it was focused it is defocused and the next object, if any, focused. */
void lv_group_remove_obj(lv_obj_t * obj);
void lv_group_remove_all_objs(lv_group_t * group);
void lv_group_focus_obj(lv_obj_t * obj);
void lv_group_focus_next(lv_group_t * group);
void lv_group_focus_prev(lv_group_t * group);
void lv_group_focus_freeze(lv_group_t * group, bool en);
/* Sends a key or character to the focused object (LV_SIGNAL_CONTROL, then LV_EVENT_KEY). */
lv_res_t lv_group_send_data(lv_group_t * group, uint32_t c);
void lv_group_set_focus_cb(lv_group_t * group, lv_group_focus_cb_t focus_cb);
void lv_group_set_editing(lv_group_t * group, bool edit);
void lv_group_set_wrap(lv_group_t * group, bool en);
lv_obj_t * lv_group_get_focused(const lv_group_t * group);
bool lv_group_get_editing(const lv_group_t * group);
lv_group_t * lv_obj_get_group(const lv_obj_t * obj);
bool lv_obj_is_focused(const lv_obj_t * obj);

/* Internal: forget every group (used by lv_deinit). */
void _lv_group_core_reset(void);
