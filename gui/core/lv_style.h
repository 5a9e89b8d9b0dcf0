/* Styles (LVGL 7's lv_style_t): per-state property values, and style lists of objects.
 * A style owns a fixed table of up to LV_STYLE_MAX_PROPS (property, state, value) entries;
 * a setter for an existing (property, state) pair overwrites it, and a setter on a full style
 * is ignored. Pure data: nothing here blocks. Resolution against an object's state lives in
 * lv_obj_style. */
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/font/lv_font.h"
#include "gui/lv_conf.h"
#include "gui/misc/lv_area.h"
#include "gui/misc/lv_color.h"

/* Object states; a style entry for a set of states applies when the object has all of them. */
typedef uint8_t lv_state_t;
enum {
    LV_STATE_DEFAULT = 0x00,
    LV_STATE_CHECKED = 0x01,
    LV_STATE_FOCUSED = 0x02,
    LV_STATE_EDITED = 0x04,
    LV_STATE_HOVERED = 0x08,
    LV_STATE_PRESSED = 0x10,
    LV_STATE_DISABLED = 0x20,
};

typedef uint8_t lv_border_side_t;
enum {
    LV_BORDER_SIDE_NONE = 0x00,
    LV_BORDER_SIDE_BOTTOM = 0x01,
    LV_BORDER_SIDE_TOP = 0x02,
    LV_BORDER_SIDE_LEFT = 0x04,
    LV_BORDER_SIDE_RIGHT = 0x08,
    LV_BORDER_SIDE_FULL = 0x0F,
    LV_BORDER_SIDE_INTERNAL = 0x10,
};

#define LV_RADIUS_CIRCLE 0x7FFF
/* Properties with this bit are inherited from the parent when no style of the object sets them. */
#define LV_STYLE_INHERIT_MASK 0x8000

typedef uint16_t lv_style_property_t;
enum : uint16_t {
    LV_STYLE_RADIUS = 0x01,
    LV_STYLE_PAD_TOP = 0x10,
    LV_STYLE_PAD_BOTTOM = 0x11,
    LV_STYLE_PAD_LEFT = 0x12,
    LV_STYLE_PAD_RIGHT = 0x13,
    LV_STYLE_PAD_INNER = 0x14,
    LV_STYLE_BG_COLOR = 0x29,
    LV_STYLE_BG_OPA = 0x2C,
    LV_STYLE_BORDER_WIDTH = 0x30,
    LV_STYLE_BORDER_SIDE = 0x31,
    LV_STYLE_BORDER_COLOR = 0x39,
    LV_STYLE_BORDER_OPA = 0x3C,
    LV_STYLE_TEXT_LETTER_SPACE = 0x8080,
    LV_STYLE_TEXT_LINE_SPACE = 0x8081,
    LV_STYLE_TEXT_COLOR = 0x8089,
    LV_STYLE_TEXT_OPA = 0x808C,
    LV_STYLE_TEXT_FONT = 0x808E,
};

typedef union {
    int32_t num;
    lv_color_t color;
    const void * ptr;
} lv_style_value_t;

typedef struct {
    lv_style_property_t prop;
    lv_state_t state;
    lv_style_value_t value;
} lv_style_entry_t;

typedef struct {
    lv_style_entry_t props[LV_STYLE_MAX_PROPS];
    uint8_t count;
} lv_style_t;

void lv_style_init(lv_style_t * style);
void lv_style_copy(lv_style_t * dest, const lv_style_t * src);
/* Removes every property. */
void lv_style_reset(lv_style_t * style);
bool lv_style_remove_prop(lv_style_t * style, lv_style_property_t prop);

/* Internal: set an entry; look one up. The lookup returns the weight of the best entry for
 * the state (the value of its state bits, all of which the object must have), -1 if none. */
void _lv_style_set(lv_style_t * style, lv_style_property_t prop, lv_state_t state, lv_style_value_t v);
int _lv_style_get(const lv_style_t * style, lv_style_property_t prop, lv_state_t state, lv_style_value_t * v);

/* The style list of one part of an object: the added styles (the last added wins) and a
 * local style owned by the object, which beats them all. */
typedef struct {
    std::vector<lv_style_t *> styles;
    std::unique_ptr<lv_style_t> local;
} lv_style_list_t;

#define _LV_STYLE_SETTERS(name, prop, type, field)                                                         \
    static inline void lv_style_set_##name(lv_style_t * style, lv_state_t state, type value)             \
    {                                                                                                     \
        lv_style_value_t v{};                                                                             \
        v.field = value;                                                                                  \
        _lv_style_set(style, prop, state, v);                                                             \
    }

_LV_STYLE_SETTERS(radius, LV_STYLE_RADIUS, lv_coord_t, num)
_LV_STYLE_SETTERS(pad_top, LV_STYLE_PAD_TOP, lv_coord_t, num)
_LV_STYLE_SETTERS(pad_bottom, LV_STYLE_PAD_BOTTOM, lv_coord_t, num)
_LV_STYLE_SETTERS(pad_left, LV_STYLE_PAD_LEFT, lv_coord_t, num)
_LV_STYLE_SETTERS(pad_right, LV_STYLE_PAD_RIGHT, lv_coord_t, num)
_LV_STYLE_SETTERS(pad_inner, LV_STYLE_PAD_INNER, lv_coord_t, num)
_LV_STYLE_SETTERS(bg_color, LV_STYLE_BG_COLOR, lv_color_t, color)
_LV_STYLE_SETTERS(bg_opa, LV_STYLE_BG_OPA, lv_opa_t, num)
_LV_STYLE_SETTERS(border_width, LV_STYLE_BORDER_WIDTH, lv_coord_t, num)
_LV_STYLE_SETTERS(border_side, LV_STYLE_BORDER_SIDE, lv_border_side_t, num)
_LV_STYLE_SETTERS(border_color, LV_STYLE_BORDER_COLOR, lv_color_t, color)
_LV_STYLE_SETTERS(border_opa, LV_STYLE_BORDER_OPA, lv_opa_t, num)
_LV_STYLE_SETTERS(text_letter_space, LV_STYLE_TEXT_LETTER_SPACE, lv_coord_t, num)
_LV_STYLE_SETTERS(text_line_space, LV_STYLE_TEXT_LINE_SPACE, lv_coord_t, num)
_LV_STYLE_SETTERS(text_color, LV_STYLE_TEXT_COLOR, lv_color_t, color)
_LV_STYLE_SETTERS(text_opa, LV_STYLE_TEXT_OPA, lv_opa_t, num)
_LV_STYLE_SETTERS(text_font, LV_STYLE_TEXT_FONT, const lv_font_t *, ptr)

static inline void lv_style_set_pad_all(lv_style_t * style, lv_state_t state, lv_coord_t value)
{
    lv_style_set_pad_top(style, state, value);
    lv_style_set_pad_bottom(style, state, value);
    lv_style_set_pad_left(style, state, value);
    lv_style_set_pad_right(style, state, value);
}
