/* Buttons. */
#include "gui/widgets/lv_btn.h"

#include "gui/core/lv_group.h"
#include "gui/themes/lv_theme.h"

/**********************
 *   STATIC FUNCTIONS
 **********************/
static lv_btn_ext_t * ext_of(const lv_obj_t * btn)
{
    return static_cast<lv_btn_ext_t *>(btn->ext_attr);
}

/* Centres the visible children as a column separated by pad_inner. */
static void layout_center(lv_obj_t * btn)
{
    lv_btn_ext_t * ext = ext_of(btn);
    if(ext == nullptr || ext->layout != LV_LAYOUT_CENTER || ext->in_layout) return;
    ext->in_layout = true;
    lv_coord_t inner = lv_obj_get_style_pad_inner(btn, LV_BTN_PART_MAIN);
    int32_t total = 0, n = 0;
    for(lv_obj_t * c : btn->children) {
        if(c->hidden) continue;
        total += lv_obj_get_height(c) + (n > 0 ? inner : 0);
        n++;
    }
    int32_t y = (lv_obj_get_height(btn) - total) / 2;
    for(size_t i = 0; i < btn->children.size(); i++) {
        lv_obj_t * c = btn->children[i];
        if(c->hidden) continue;
        lv_coord_t x = static_cast<lv_coord_t>(lv_obj_get_width(btn) / 2 - lv_obj_get_width(c) / 2);
        lv_obj_set_pos(c, x, static_cast<lv_coord_t>(y));
        y += lv_obj_get_height(c) + inner;
    }
    ext->in_layout = false;
}

static lv_res_t set_checked(lv_obj_t * btn, bool checked)
{
    if(((btn->state & LV_STATE_CHECKED) != 0) == checked) return LV_RES_OK;
    if(checked) lv_obj_add_state(btn, LV_STATE_CHECKED);
    else lv_obj_clear_state(btn, LV_STATE_CHECKED);
    uint32_t v = checked ? 1 : 0;
    return lv_event_send(btn, LV_EVENT_VALUE_CHANGED, &v);
}

static void btn_control(lv_obj_t * btn, uint32_t key)
{
    if(!ext_of(btn)->checkable) return;
    if(key == LV_KEY_RIGHT || key == LV_KEY_UP) set_checked(btn, true);
    else if(key == LV_KEY_LEFT || key == LV_KEY_DOWN) set_checked(btn, false);
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
lv_res_t lv_btn_signal(lv_obj_t * btn, lv_signal_t sign, void * param)
{
    if(lv_obj_signal(btn, sign, param) != LV_RES_OK) return LV_RES_INV;
    lv_btn_ext_t * ext = ext_of(btn);
    switch(sign) {
        case LV_SIGNAL_CLEANUP:
            delete ext;
            btn->ext_attr = nullptr;
            break;
        case LV_SIGNAL_RELEASED:
            if(ext->checkable) return set_checked(btn, !(btn->state & LV_STATE_CHECKED));
            break;
        case LV_SIGNAL_CONTROL: btn_control(btn, *static_cast<uint32_t *>(param)); break;
        case LV_SIGNAL_CHILD_CHG:
        case LV_SIGNAL_STYLE_CHG: layout_center(btn); break;
        case LV_SIGNAL_COORD_CHG: {
            const auto * old = static_cast<const lv_area_t *>(param);
            if(lv_area_get_width(old) != lv_obj_get_width(btn) || lv_area_get_height(old) != lv_obj_get_height(btn)) {
                layout_center(btn);
            }
            break;
        }
        default: break;
    }
    return LV_RES_OK;
}

lv_obj_t * lv_btn_create(lv_obj_t * par, const lv_obj_t * copy)
{
    lv_obj_t * btn = lv_obj_create(par, copy);
    if(btn == nullptr) return nullptr;
    auto * ext = new lv_btn_ext_t{false, LV_LAYOUT_CENTER, false};
    if(copy) *ext = *ext_of(copy);
    btn->ext_attr = ext;
    btn->signal_cb = lv_btn_signal;
    lv_obj_set_click(btn, true);
    if(copy == nullptr) _lv_theme_apply(btn, LV_THEME_BTN);
    return btn;
}

void lv_btn_set_checkable(lv_obj_t * btn, bool tgl)
{
    ext_of(btn)->checkable = tgl;
}

void lv_btn_set_state(lv_obj_t * btn, lv_btn_state_t state)
{
    static constexpr lv_state_t map[_LV_BTN_STATE_LAST] = {
        LV_STATE_DEFAULT,
        LV_STATE_PRESSED,
        LV_STATE_DISABLED,
        LV_STATE_CHECKED,
        LV_STATE_CHECKED | LV_STATE_PRESSED,
        LV_STATE_CHECKED | LV_STATE_DISABLED,
    };
    if(state >= _LV_BTN_STATE_LAST) return;
    lv_obj_set_state(btn, map[state]);
}

void lv_btn_toggle(lv_obj_t * btn)
{
    if(btn->state & LV_STATE_CHECKED) lv_obj_clear_state(btn, LV_STATE_CHECKED);
    else lv_obj_add_state(btn, LV_STATE_CHECKED);
}

void lv_btn_set_layout(lv_obj_t * btn, lv_layout_t layout)
{
    ext_of(btn)->layout = layout;
    layout_center(btn);
}

lv_btn_state_t lv_btn_get_state(const lv_obj_t * btn)
{
    lv_state_t s = btn->state;
    bool checked = s & LV_STATE_CHECKED;
    if(s & LV_STATE_DISABLED) return checked ? LV_BTN_STATE_CHECKED_DISABLED : LV_BTN_STATE_DISABLED;
    if(s & LV_STATE_PRESSED) return checked ? LV_BTN_STATE_CHECKED_PRESSED : LV_BTN_STATE_PRESSED;
    return checked ? LV_BTN_STATE_CHECKED_RELEASED : LV_BTN_STATE_RELEASED;
}

bool lv_btn_get_checkable(const lv_obj_t * btn)
{
    return ext_of(btn)->checkable;
}

lv_layout_t lv_btn_get_layout(const lv_obj_t * btn)
{
    return ext_of(btn)->layout;
}
