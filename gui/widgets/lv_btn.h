/* Buttons (LVGL 7's lv_btn): a clickable object that shows its pressed, checked and disabled
 * states through its styles, and keeps its children centred (layout CENTER). A checkable
 * button toggles LV_STATE_CHECKED on each release and sends LV_EVENT_VALUE_CHANGED.
 * A disabled button receives no input. Never blocks. */
#pragma once

#include <cstdint>

#include "gui/core/lv_obj.h"

typedef uint8_t lv_btn_state_t;
enum {
    LV_BTN_STATE_RELEASED,
    LV_BTN_STATE_PRESSED,
    LV_BTN_STATE_DISABLED,
    LV_BTN_STATE_CHECKED_RELEASED,
    LV_BTN_STATE_CHECKED_PRESSED,
    LV_BTN_STATE_CHECKED_DISABLED,
    _LV_BTN_STATE_LAST,
};

typedef uint8_t lv_layout_t;
enum {
    LV_LAYOUT_OFF = 0,
    LV_LAYOUT_CENTER,
};

enum { LV_BTN_PART_MAIN = LV_OBJ_PART_MAIN };

typedef struct {
    bool checkable;
    lv_layout_t layout;
    bool in_layout;
} lv_btn_ext_t;

lv_obj_t * lv_btn_create(lv_obj_t * par, const lv_obj_t * copy);
void lv_btn_set_checkable(lv_obj_t * btn, bool tgl);
/* Sets the object's states exactly (RELEASED clears pressed, checked and disabled). */
void lv_btn_set_state(lv_obj_t * btn, lv_btn_state_t state);
void lv_btn_toggle(lv_obj_t * btn);
void lv_btn_set_layout(lv_obj_t * btn, lv_layout_t layout);
lv_btn_state_t lv_btn_get_state(const lv_obj_t * btn);
bool lv_btn_get_checkable(const lv_obj_t * btn);
lv_layout_t lv_btn_get_layout(const lv_obj_t * btn);

/* The button's signal handler, for widgets built from buttons. */
lv_res_t lv_btn_signal(lv_obj_t * btn, lv_signal_t sign, void * param);
