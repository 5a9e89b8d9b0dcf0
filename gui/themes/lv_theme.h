/* The built-in default theme: the styles every new widget starts with (white screen,
 * plain panels, blue buttons, framed text areas, grey bars, framed message boxes).
 * Owns its static styles, built by lv_init. Applying never blocks; the theme's styles go to
 * the front of the object's style lists, so styles the application adds take precedence. */
#pragma once

#include "gui/core/lv_obj.h"

typedef enum {
    LV_THEME_NONE,
    LV_THEME_SCR,
    LV_THEME_OBJ,
    LV_THEME_LABEL,
    LV_THEME_BTN,
    LV_THEME_TEXTAREA,
    LV_THEME_BAR,
    LV_THEME_MSGBOX,
    LV_THEME_MSGBOX_BTNS,
    LV_THEME_MSGBOX_BTN,
} lv_theme_style_t;

/* Primary colour of the default theme (buttons, bar indicator). */
#define LV_THEME_DEFAULT_COLOR_PRIMARY lv_color_hex(0x01a2b1)

void _lv_theme_init(void);
void _lv_theme_apply(lv_obj_t * obj, lv_theme_style_t name);
