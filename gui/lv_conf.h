/* Build-time settings of the widget layer (the LVGL 7 configuration names we honour).
 * Owns no state. Values match the GUI's needs: 16-bit RGB565 colour, a 30 ms refresh
 * and input period, LVGL 7's default long-press and text-area timings. */
#pragma once

#define LV_COLOR_DEPTH 16
#define LV_HOR_RES_MAX 900
#define LV_VER_RES_MAX 560
#define LV_DPI 130

#define LV_DISP_DEF_REFR_PERIOD 30
#define LV_INDEV_DEF_READ_PERIOD 30
#define LV_INDEV_DEF_LONG_PRESS_TIME 400
#define LV_INDEV_DEF_LONG_PRESS_REP_TIME 100
#define LV_INV_BUF_SIZE 32

#define LV_TEXTAREA_DEF_CURSOR_BLINK_TIME 400
#define LV_TEXTAREA_DEF_PWD_SHOW_TIME 1500
#define LV_LABEL_DOT_NUM 3
#define LV_BAR_ANIM_TIME_DEFAULT 200
#define LV_STYLE_MAX_PROPS 32
#define LV_STYLE_LIST_MAX 8
