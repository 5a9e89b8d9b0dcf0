/* Message boxes (LVGL 7's lv_msgbox): a framed box with a centred, wrapped text and a row of
 * buttons from a button map (captions ended by an empty string; "\n" starts a new row).
 * The width is the application's; the height follows the content. Clicking a button sends
 * LV_EVENT_VALUE_CHANGED to the box with a pointer to the button's uint32_t index. Auto-close
 * deletes the box after a delay. The box keeps the map's address: it must outlive the box. */
#pragma once

#include <cstdint>
#include <vector>

#include "gui/core/lv_obj.h"

enum {
    LV_MSGBOX_PART_BG = LV_OBJ_PART_MAIN,
    LV_MSGBOX_PART_BTN_BG = 1,
    LV_MSGBOX_PART_BTN = 2,
};

#define LV_BTNMATRIX_BTN_NONE 0xFFFF

typedef struct {
    lv_obj_t * label;
    lv_obj_t * btnm; /* container of the buttons */
    std::vector<lv_obj_t *> btns;
    const char ** btn_map;
    uint16_t active_btn;
    bool in_layout;
} lv_msgbox_ext_t;

lv_obj_t * lv_msgbox_create(lv_obj_t * par, const lv_obj_t * copy);
void lv_msgbox_add_btns(lv_obj_t * mbox, const char * btn_mapaction[]);
void lv_msgbox_set_text(lv_obj_t * mbox, const char * txt);
void lv_msgbox_set_text_fmt(lv_obj_t * mbox, const char * fmt, ...) __attribute__((format(printf, 2, 3)));
void lv_msgbox_set_anim_time(lv_obj_t * mbox, uint16_t anim_time);
/* Deletes the box after delay ms (0: on the next animation step). */
void lv_msgbox_start_auto_close(lv_obj_t * mbox, uint16_t delay);
void lv_msgbox_stop_auto_close(lv_obj_t * mbox);
const char * lv_msgbox_get_text(const lv_obj_t * mbox);
/* Index of the last clicked button, LV_BTNMATRIX_BTN_NONE if none. */
uint16_t lv_msgbox_get_active_btn(lv_obj_t * mbox);
const char * lv_msgbox_get_active_btn_text(lv_obj_t * mbox);
lv_obj_t * lv_msgbox_get_btnmatrix(lv_obj_t * mbox);
