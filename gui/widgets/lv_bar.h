/* Bars (LVGL 7's lv_bar): a background (part BG) and an indicator (part INDIC) whose length
 * shows a value within a range (0..100 by default). A value set with LV_ANIM_ON moves the
 * indicator there over the bar's animation time. Never blocks. */
#pragma once

#include <cstdint>

#include "gui/core/lv_obj.h"
#include "gui/misc/lv_anim.h"

enum {
    LV_BAR_PART_BG = LV_OBJ_PART_MAIN,
    LV_BAR_PART_INDIC = 1,
};

typedef struct {
    int16_t min_value;
    int16_t max_value;
    int16_t cur_value;   /* the value set */
    int16_t anim_value;  /* the value drawn */
    uint16_t anim_time;
} lv_bar_ext_t;

lv_obj_t * lv_bar_create(lv_obj_t * par, const lv_obj_t * copy);
/* The value is clamped to the range. */
void lv_bar_set_value(lv_obj_t * bar, int16_t value, lv_anim_enable_t anim);
void lv_bar_set_range(lv_obj_t * bar, int16_t min, int16_t max);
void lv_bar_set_anim_time(lv_obj_t * bar, uint16_t anim_time);
int16_t lv_bar_get_value(const lv_obj_t * bar);
int16_t lv_bar_get_min_value(const lv_obj_t * bar);
int16_t lv_bar_get_max_value(const lv_obj_t * bar);
uint16_t lv_bar_get_anim_time(const lv_obj_t * bar);
/* The value the indicator shows now (differs from the value while animating). */
int16_t lv_bar_get_drawn_value(const lv_obj_t * bar);
