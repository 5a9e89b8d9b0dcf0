/* Labels (LVGL 7's lv_label): a text drawn with the main part's style, optionally with
 * recolouring markup. Long modes: EXPAND (the size follows the text, lines break only at
 * line breaks), BREAK (width kept, lines wrapped, height follows), DOT (size kept, an
 * overflowing text ends in "..."), CROP and the scroll modes (size kept, text clipped).
 * Owns a copy of its text. Never blocks; malformed markup is drawn as ordinary text. */
#pragma once

#include <cstdint>
#include <string>

#include "gui/core/lv_obj.h"
#include "gui/draw/lv_draw.h"

typedef uint8_t lv_label_long_mode_t;
enum {
    LV_LABEL_LONG_EXPAND,
    LV_LABEL_LONG_BREAK,
    LV_LABEL_LONG_DOT,
    LV_LABEL_LONG_SROLL,
    LV_LABEL_LONG_SROLL_CIRC,
    LV_LABEL_LONG_CROP,
};

enum { LV_LABEL_PART_MAIN = LV_OBJ_PART_MAIN };

#define LV_LABEL_POS_LAST 0xFFFF

typedef struct {
    std::string text;
    std::string shown; /* text as drawn (with the dots in DOT mode) */
    lv_label_long_mode_t long_mode;
    lv_label_align_t align;
    bool recolor;
} lv_label_ext_t;

lv_obj_t * lv_label_create(lv_obj_t * par, const lv_obj_t * copy);
/* NULL refreshes the label with its current text. */
void lv_label_set_text(lv_obj_t * label, const char * text);
void lv_label_set_text_fmt(lv_obj_t * label, const char * fmt, ...) __attribute__((format(printf, 2, 3)));
void lv_label_set_text_static(lv_obj_t * label, const char * text);
void lv_label_set_long_mode(lv_obj_t * label, lv_label_long_mode_t long_mode);
void lv_label_set_align(lv_obj_t * label, lv_label_align_t align);
void lv_label_set_recolor(lv_obj_t * label, bool en);
const char * lv_label_get_text(const lv_obj_t * label);
lv_label_long_mode_t lv_label_get_long_mode(const lv_obj_t * label);
lv_label_align_t lv_label_get_align(const lv_obj_t * label);
bool lv_label_get_recolor(const lv_obj_t * label);
/* Position of the letter with index char_id, relative to the label's top-left corner. */
void lv_label_get_letter_pos(const lv_obj_t * label, uint32_t char_id, lv_point_t * pos);
/* Index of the letter at pos (relative to the label). */
uint32_t lv_label_get_letter_on(const lv_obj_t * label, lv_point_t * pos);
void lv_label_ins_text(lv_obj_t * label, uint32_t pos, const char * txt);
void lv_label_cut_text(lv_obj_t * label, uint32_t pos, uint32_t cnt);
/* Re-lays the text out (size in EXPAND and BREAK modes, dots in DOT mode). */
void lv_label_refr_text(lv_obj_t * label);
