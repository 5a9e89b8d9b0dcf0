/* Text areas (LVGL 7's lv_textarea): editable text with a cursor, shown by a child label.
 * Inserted text passes the filters letter by letter: a letter outside the accepted
 * characters, a letter beyond the maximum length, or a line break in one-line mode is
 * dropped (the rest is kept). Password mode shows bullets ("*" when the font lacks "•"),
 * revealing newly inserted letters for the password show time. Sends LV_EVENT_INSERT before
 * and LV_EVENT_VALUE_CHANGED after every change. Owns its texts. Never blocks. */
#pragma once

#include <cstdint>
#include <string>

#include "gui/core/lv_obj.h"
#include "gui/misc/lv_task.h"
#include "gui/widgets/lv_label.h"

enum {
    LV_TEXTAREA_PART_BG = LV_OBJ_PART_MAIN,
    LV_TEXTAREA_PART_SCROLLBAR = 1,
    LV_TEXTAREA_PART_CURSOR = 2,
    LV_TEXTAREA_PART_PLACEHOLDER = 3,
};

#define LV_TEXTAREA_CURSOR_LAST (0x7FFF)

typedef struct {
    lv_obj_t * label;
    std::string text;        /* the real text (the label shows bullets in password mode) */
    std::string placeholder;
    std::string accepted;
    bool has_accepted;
    uint32_t max_length;     /* 0: no limit */
    bool pwd_mode;
    uint16_t pwd_show_time;
    uint32_t reveal_start, reveal_end; /* letters shown in clear in password mode */
    lv_task_t * pwd_task;
    bool one_line;
    uint32_t cursor_pos;     /* letter index: 0 before the first letter */
    bool cursor_hidden;
    bool cursor_show;        /* blink phase */
    bool click_pos;
    uint16_t blink_time;
    lv_task_t * blink_task;
    lv_coord_t scroll_x;
} lv_textarea_ext_t;

lv_obj_t * lv_textarea_create(lv_obj_t * par, const lv_obj_t * copy);
void lv_textarea_add_char(lv_obj_t * ta, uint32_t c);
void lv_textarea_add_text(lv_obj_t * ta, const char * txt);
/* Deletes the letter before / after the cursor. */
void lv_textarea_del_char(lv_obj_t * ta);
void lv_textarea_del_char_forward(lv_obj_t * ta);
void lv_textarea_set_text(lv_obj_t * ta, const char * txt);
void lv_textarea_set_placeholder_text(lv_obj_t * ta, const char * txt);
/* Letter index; negative counts from the end; LV_TEXTAREA_CURSOR_LAST is after the last. */
void lv_textarea_set_cursor_pos(lv_obj_t * ta, int32_t pos);
void lv_textarea_set_cursor_hidden(lv_obj_t * ta, bool hide);
void lv_textarea_set_cursor_click_pos(lv_obj_t * ta, bool en);
void lv_textarea_set_pwd_mode(lv_obj_t * ta, bool en);
/* One line: line breaks are refused and the height becomes one line plus the paddings. */
void lv_textarea_set_one_line(lv_obj_t * ta, bool en);
void lv_textarea_set_text_align(lv_obj_t * ta, lv_label_align_t align);
/* NULL accepts every character. */
void lv_textarea_set_accepted_chars(lv_obj_t * ta, const char * list);
void lv_textarea_set_max_length(lv_obj_t * ta, uint32_t num);
/* Inside an LV_EVENT_INSERT callback: insert txt instead ("" cancels the insertion). */
void lv_textarea_set_insert_replace(lv_obj_t * ta, const char * txt);
void lv_textarea_set_text_sel(lv_obj_t * ta, bool en);
void lv_textarea_set_pwd_show_time(lv_obj_t * ta, uint16_t time);
void lv_textarea_set_cursor_blink_time(lv_obj_t * ta, uint16_t time);
const char * lv_textarea_get_text(const lv_obj_t * ta);
const char * lv_textarea_get_placeholder_text(lv_obj_t * ta);
lv_obj_t * lv_textarea_get_label(const lv_obj_t * ta);
uint32_t lv_textarea_get_cursor_pos(const lv_obj_t * ta);
bool lv_textarea_get_cursor_hidden(const lv_obj_t * ta);
bool lv_textarea_get_pwd_mode(const lv_obj_t * ta);
bool lv_textarea_get_one_line(const lv_obj_t * ta);
const char * lv_textarea_get_accepted_chars(lv_obj_t * ta);
uint32_t lv_textarea_get_max_length(lv_obj_t * ta);
uint16_t lv_textarea_get_pwd_show_time(lv_obj_t * ta);
uint16_t lv_textarea_get_cursor_blink_time(lv_obj_t * ta);
void lv_textarea_clear_selection(lv_obj_t * ta);
void lv_textarea_cursor_right(lv_obj_t * ta);
void lv_textarea_cursor_left(lv_obj_t * ta);
void lv_textarea_cursor_down(lv_obj_t * ta);
void lv_textarea_cursor_up(lv_obj_t * ta);
