/* Style lists of objects and property resolution. */
#include "gui/core/lv_obj_style.h"

#include "gui/core/lv_obj.h"
#include "gui/core/lv_obj_private.h"

#include <algorithm>
#include <memory>

/**********************
 *   STATIC FUNCTIONS
 **********************/
static lv_style_value_t style_default(lv_style_property_t prop)
{
    lv_style_value_t v{};
    switch(prop) {
        case LV_STYLE_BG_COLOR: v.color = LV_COLOR_WHITE; break;
        case LV_STYLE_BORDER_COLOR:
        case LV_STYLE_TEXT_COLOR: v.color = LV_COLOR_BLACK; break;
        case LV_STYLE_BORDER_SIDE: v.num = LV_BORDER_SIDE_FULL; break;
        case LV_STYLE_BORDER_OPA:
        case LV_STYLE_TEXT_OPA: v.num = LV_OPA_COVER; break;
        case LV_STYLE_TEXT_FONT: v.ptr = LV_THEME_DEFAULT_FONT_NORMAL; break;
        default: v.num = 0; break;
    }
    return v;
}

/* Best entry of one list for the state: -1 none, else its weight; exact reports a full match. */
static int list_lookup(const lv_style_list_t & list, lv_style_property_t prop, lv_state_t state,
                       lv_style_value_t * out)
{
    int best = -1;
    lv_style_value_t tmp;
    if(list.local) {
        int w = _lv_style_get(list.local.get(), prop, state, &tmp);
        if(w == state) {
            *out = tmp;
            return w;
        }
        if(w > best) best = w, *out = tmp;
    }
    for(auto it = list.styles.rbegin(); it != list.styles.rend(); ++it) {
        int w = _lv_style_get(*it, prop, state, &tmp);
        if(w == state) {
            *out = tmp;
            return w;
        }
        if(w > best) best = w, *out = tmp;
    }
    return best;
}

static void refresh_children_style(lv_obj_t * obj)
{
    for(size_t i = 0; i < obj->children.size(); i++) {
        lv_obj_t * c = obj->children[i];
        lv_signal_send(c, LV_SIGNAL_STYLE_CHG, nullptr);
        lv_obj_invalidate(c);
        refresh_children_style(c);
    }
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
uint8_t _lv_obj_part_slot(uint8_t part)
{
    return part < _LV_OBJ_PART_SLOTS ? part : static_cast<uint8_t>(_LV_OBJ_PART_SLOTS - 1);
}

lv_style_list_t * lv_obj_get_style_list(const lv_obj_t * obj, uint8_t part)
{
    return const_cast<lv_style_list_t *>(&obj->style_list[_lv_obj_part_slot(part)]);
}

void lv_obj_add_style(lv_obj_t * obj, uint8_t part, lv_style_t * style)
{
    if(style == nullptr) return;
    auto & v = lv_obj_get_style_list(obj, part)->styles;
    v.erase(std::remove(v.begin(), v.end(), style), v.end());
    if(v.size() >= LV_STYLE_LIST_MAX) v.erase(v.begin());
    v.push_back(style);
    lv_obj_refresh_style(obj, part, LV_STYLE_PROP_ALL);
}

void lv_obj_remove_style(lv_obj_t * obj, uint8_t part, lv_style_t * style)
{
    auto & v = lv_obj_get_style_list(obj, part)->styles;
    v.erase(std::remove(v.begin(), v.end(), style), v.end());
    lv_obj_refresh_style(obj, part, LV_STYLE_PROP_ALL);
}

void lv_obj_clean_style_list(lv_obj_t * obj, uint8_t part)
{
    lv_style_list_t * l = lv_obj_get_style_list(obj, part);
    l->styles.clear();
    l->local.reset();
}

void lv_obj_reset_style_list(lv_obj_t * obj, uint8_t part)
{
    lv_obj_clean_style_list(obj, part);
    lv_obj_refresh_style(obj, part, LV_STYLE_PROP_ALL);
}

void lv_obj_refresh_style(lv_obj_t * obj, uint8_t part, lv_style_property_t prop)
{
    (void)part;
    lv_obj_invalidate(obj);
    if(lv_signal_send(obj, LV_SIGNAL_STYLE_CHG, nullptr) != LV_RES_OK) return;
    lv_obj_invalidate(obj);
    if(prop == LV_STYLE_PROP_ALL || (prop & LV_STYLE_INHERIT_MASK)) refresh_children_style(obj);
}

static void report_style_in_tree(lv_obj_t * obj, lv_style_t * style)
{
    for(auto & l : obj->style_list) {
        if(std::find(l.styles.begin(), l.styles.end(), style) != l.styles.end()) {
            lv_obj_refresh_style(obj, LV_OBJ_PART_MAIN, LV_STYLE_PROP_ALL);
            break;
        }
    }
    for(size_t i = 0; i < obj->children.size(); i++) report_style_in_tree(obj->children[i], style);
}

void lv_obj_report_style_mod(lv_style_t * style)
{
    _lv_disp_for_each_root([](lv_obj_t * root, void * s) { report_style_in_tree(root, static_cast<lv_style_t *>(s)); },
                           style);
}

lv_style_value_t _lv_obj_get_style_prop(const lv_obj_t * obj, uint8_t part, lv_style_property_t prop)
{
    lv_style_value_t v{};
    if(list_lookup(*lv_obj_get_style_list(obj, part), prop, obj->state, &v) >= 0) return v;
    if(!(prop & LV_STYLE_INHERIT_MASK)) return style_default(prop);
    /* Inherited: the object's main part, then its ancestors' main parts. */
    const lv_obj_t * o = part == LV_OBJ_PART_MAIN ? obj->parent : obj;
    for(; o != nullptr; o = o->parent) {
        if(list_lookup(*lv_obj_get_style_list(o, LV_OBJ_PART_MAIN), prop, o->state, &v) >= 0) return v;
    }
    return style_default(prop);
}

void _lv_obj_set_style_local_prop(lv_obj_t * obj, uint8_t part, lv_style_property_t prop, lv_state_t state,
                                  lv_style_value_t v)
{
    lv_style_list_t * l = lv_obj_get_style_list(obj, part);
    if(!l->local) {
        l->local = std::make_unique<lv_style_t>();
        lv_style_init(l->local.get());
    }
    _lv_style_set(l->local.get(), prop, state, v);
    lv_obj_refresh_style(obj, part, prop);
}

void lv_obj_refresh_ext_draw_pad(lv_obj_t * obj)
{
    /* Nothing this layer draws extends beyond an object's coordinates. */
    obj->ext_draw_pad = 0;
}
