/* Styles of objects: style lists per part, local style properties, and resolution of a
 * property for an object's current state. Resolution: in each list the local style comes
 * first, then the added styles from the last added; an entry for exactly the object's state
 * wins at once, otherwise the entry with the most specific matching state (highest state
 * value) wins. Text properties not set anywhere on the object come from its parent.
 * Never blocks; changing styles invalidates the object for redrawing. */
#pragma once

#include "gui/core/lv_style.h"

struct _lv_obj_t;

#define LV_STYLE_PROP_ALL 0xFF

lv_style_list_t * lv_obj_get_style_list(const struct _lv_obj_t * obj, uint8_t part);
/* Adds style to the part (moved to the top if it was already there). The style must live as
 * long as the object: only its address is kept. */
void lv_obj_add_style(struct _lv_obj_t * obj, uint8_t part, lv_style_t * style);
void lv_obj_remove_style(struct _lv_obj_t * obj, uint8_t part, lv_style_t * style);
/* Removes the added styles and the local style of the part. */
void lv_obj_reset_style_list(struct _lv_obj_t * obj, uint8_t part);
void lv_obj_clean_style_list(struct _lv_obj_t * obj, uint8_t part);
/* Tells obj (and for inherited properties its descendants) that a style changed. */
void lv_obj_refresh_style(struct _lv_obj_t * obj, uint8_t part, lv_style_property_t prop);
void lv_obj_report_style_mod(lv_style_t * style);

lv_style_value_t _lv_obj_get_style_prop(const struct _lv_obj_t * obj, uint8_t part, lv_style_property_t prop);
void _lv_obj_set_style_local_prop(struct _lv_obj_t * obj, uint8_t part, lv_style_property_t prop, lv_state_t state,
                                  lv_style_value_t v);

#define _LV_OBJ_STYLE_ACCESSORS(name, prop, type, field)                                                   \
    static inline type lv_obj_get_style_##name(const struct _lv_obj_t * obj, uint8_t part)               \
    {                                                                                                     \
        return (type)(_lv_obj_get_style_prop(obj, part, prop).field);                                     \
    }                                                                                                     \
    static inline void lv_obj_set_style_local_##name(struct _lv_obj_t * obj, uint8_t part, lv_state_t state, \
                                                     type value)                                          \
    {                                                                                                     \
        lv_style_value_t v{};                                                                             \
        v.field = value;                                                                                  \
        _lv_obj_set_style_local_prop(obj, part, prop, state, v);                                          \
    }

_LV_OBJ_STYLE_ACCESSORS(radius, LV_STYLE_RADIUS, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(pad_top, LV_STYLE_PAD_TOP, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(pad_bottom, LV_STYLE_PAD_BOTTOM, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(pad_left, LV_STYLE_PAD_LEFT, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(pad_right, LV_STYLE_PAD_RIGHT, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(pad_inner, LV_STYLE_PAD_INNER, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(bg_color, LV_STYLE_BG_COLOR, lv_color_t, color)
_LV_OBJ_STYLE_ACCESSORS(bg_opa, LV_STYLE_BG_OPA, lv_opa_t, num)
_LV_OBJ_STYLE_ACCESSORS(border_width, LV_STYLE_BORDER_WIDTH, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(border_side, LV_STYLE_BORDER_SIDE, lv_border_side_t, num)
_LV_OBJ_STYLE_ACCESSORS(border_color, LV_STYLE_BORDER_COLOR, lv_color_t, color)
_LV_OBJ_STYLE_ACCESSORS(border_opa, LV_STYLE_BORDER_OPA, lv_opa_t, num)
_LV_OBJ_STYLE_ACCESSORS(text_letter_space, LV_STYLE_TEXT_LETTER_SPACE, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(text_line_space, LV_STYLE_TEXT_LINE_SPACE, lv_coord_t, num)
_LV_OBJ_STYLE_ACCESSORS(text_color, LV_STYLE_TEXT_COLOR, lv_color_t, color)
_LV_OBJ_STYLE_ACCESSORS(text_opa, LV_STYLE_TEXT_OPA, lv_opa_t, num)
_LV_OBJ_STYLE_ACCESSORS(text_font, LV_STYLE_TEXT_FONT, const lv_font_t *, ptr)

static inline void lv_obj_set_style_local_pad_all(struct _lv_obj_t * obj, uint8_t part, lv_state_t state,
                                                  lv_coord_t value)
{
    lv_obj_set_style_local_pad_top(obj, part, state, value);
    lv_obj_set_style_local_pad_bottom(obj, part, state, value);
    lv_obj_set_style_local_pad_left(obj, part, state, value);
    lv_obj_set_style_local_pad_right(obj, part, state, value);
}
