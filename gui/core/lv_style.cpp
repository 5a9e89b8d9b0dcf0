/* Style tables. */
#include "gui/core/lv_style.h"

void lv_style_init(lv_style_t * style)
{
    style->count = 0;
}

void lv_style_copy(lv_style_t * dest, const lv_style_t * src)
{
    *dest = *src;
}

void lv_style_reset(lv_style_t * style)
{
    style->count = 0;
}

bool lv_style_remove_prop(lv_style_t * style, lv_style_property_t prop)
{
    bool removed = false;
    uint8_t w = 0;
    for(uint8_t r = 0; r < style->count; r++) {
        if(style->props[r].prop == prop) {
            removed = true;
            continue;
        }
        style->props[w++] = style->props[r];
    }
    style->count = w;
    return removed;
}

void _lv_style_set(lv_style_t * style, lv_style_property_t prop, lv_state_t state, lv_style_value_t v)
{
    for(uint8_t i = 0; i < style->count; i++) {
        lv_style_entry_t & e = style->props[i];
        if(e.prop == prop && e.state == state) {
            e.value = v;
            return;
        }
    }
    if(style->count >= LV_STYLE_MAX_PROPS) return;
    style->props[style->count++] = lv_style_entry_t{prop, state, v};
}

int _lv_style_get(const lv_style_t * style, lv_style_property_t prop, lv_state_t state, lv_style_value_t * v)
{
    int best = -1;
    for(uint8_t i = 0; i < style->count; i++) {
        const lv_style_entry_t & e = style->props[i];
        if(e.prop != prop || (e.state & ~state) != 0) continue;
        if(static_cast<int>(e.state) > best) {
            best = e.state;
            *v = e.value;
        }
    }
    return best;
}
