/* Bars. */
#include "gui/widgets/lv_bar.h"

#include "gui/draw/lv_draw.h"
#include "gui/lv_conf.h"
#include "gui/themes/lv_theme.h"

#include <algorithm>

static lv_res_t lv_bar_signal(lv_obj_t * bar, lv_signal_t sign, void * param);
static lv_design_res_t lv_bar_design(lv_obj_t * bar, const lv_area_t * clip_area, lv_design_mode_t mode);

/**********************
 *   STATIC FUNCTIONS
 **********************/
static lv_bar_ext_t * ext_of(const lv_obj_t * bar)
{
    return static_cast<lv_bar_ext_t *>(bar->ext_attr);
}

static void anim_exec(void * var, lv_anim_value_t v)
{
    auto * bar = static_cast<lv_obj_t *>(var);
    ext_of(bar)->anim_value = v;
    lv_obj_invalidate(bar);
}

static void indic_area(const lv_obj_t * bar, lv_area_t * a)
{
    const lv_bar_ext_t * ext = ext_of(bar);
    *a = bar->coords;
    a->x1 = static_cast<lv_coord_t>(a->x1 + lv_obj_get_style_pad_left(bar, LV_BAR_PART_BG));
    a->x2 = static_cast<lv_coord_t>(a->x2 - lv_obj_get_style_pad_right(bar, LV_BAR_PART_BG));
    a->y1 = static_cast<lv_coord_t>(a->y1 + lv_obj_get_style_pad_top(bar, LV_BAR_PART_BG));
    a->y2 = static_cast<lv_coord_t>(a->y2 - lv_obj_get_style_pad_bottom(bar, LV_BAR_PART_BG));
    int32_t range = std::max(1, ext->max_value - ext->min_value);
    int32_t w = lv_area_get_width(a) * (ext->anim_value - ext->min_value) / range;
    a->x2 = static_cast<lv_coord_t>(a->x1 + w - 1);
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
lv_obj_t * lv_bar_create(lv_obj_t * par, const lv_obj_t * copy)
{
    lv_obj_t * bar = lv_obj_create(par, copy);
    if(bar == nullptr) return nullptr;
    auto * ext = new lv_bar_ext_t{0, 100, 0, 0, LV_BAR_ANIM_TIME_DEFAULT};
    if(copy) *ext = *ext_of(copy);
    bar->ext_attr = ext;
    bar->signal_cb = lv_bar_signal;
    bar->design_cb = lv_bar_design;
    lv_obj_set_click(bar, false);
    if(copy == nullptr) {
        _lv_theme_apply(bar, LV_THEME_BAR);
        lv_obj_set_size(bar, 200, 20);
    }
    return bar;
}

void lv_bar_set_value(lv_obj_t * bar, int16_t value, lv_anim_enable_t anim)
{
    lv_bar_ext_t * ext = ext_of(bar);
    value = std::clamp(value, ext->min_value, ext->max_value);
    if(ext->cur_value == value) return;
    ext->cur_value = value;
    if(anim == LV_ANIM_OFF || ext->anim_time == 0) {
        lv_anim_del(bar, anim_exec);
        ext->anim_value = value;
        lv_obj_invalidate(bar);
        return;
    }
    lv_anim_t a;
    lv_anim_init(&a);
    lv_anim_set_var(&a, bar);
    lv_anim_set_exec_cb(&a, anim_exec);
    lv_anim_set_values(&a, ext->anim_value, value);
    lv_anim_set_time(&a, ext->anim_time);
    lv_anim_start(&a);
}

void lv_bar_set_range(lv_obj_t * bar, int16_t min, int16_t max)
{
    lv_bar_ext_t * ext = ext_of(bar);
    if(max <= min) return;
    ext->min_value = min;
    ext->max_value = max;
    ext->cur_value = std::clamp(ext->cur_value, min, max);
    ext->anim_value = ext->cur_value;
    lv_obj_invalidate(bar);
}

void lv_bar_set_anim_time(lv_obj_t * bar, uint16_t anim_time)
{
    ext_of(bar)->anim_time = anim_time;
}

int16_t lv_bar_get_value(const lv_obj_t * bar)
{
    return ext_of(bar)->cur_value;
}

int16_t lv_bar_get_min_value(const lv_obj_t * bar)
{
    return ext_of(bar)->min_value;
}

int16_t lv_bar_get_max_value(const lv_obj_t * bar)
{
    return ext_of(bar)->max_value;
}

uint16_t lv_bar_get_anim_time(const lv_obj_t * bar)
{
    return ext_of(bar)->anim_time;
}

int16_t lv_bar_get_drawn_value(const lv_obj_t * bar)
{
    return ext_of(bar)->anim_value;
}

/**********************
 *   SIGNAL AND DESIGN
 **********************/
static lv_design_res_t lv_bar_design(lv_obj_t * bar, const lv_area_t * clip_area, lv_design_mode_t mode)
{
    if(mode != LV_DESIGN_DRAW_MAIN) return lv_obj_design(bar, clip_area, mode);
    lv_obj_design(bar, clip_area, mode);
    lv_area_t ia;
    indic_area(bar, &ia);
    if(ia.x2 < ia.x1) return LV_DESIGN_RES_OK;
    lv_draw_rect_dsc_t d;
    lv_obj_init_draw_rect_dsc(bar, LV_BAR_PART_INDIC, &d);
    lv_draw_rect(&ia, clip_area, &d);
    return LV_DESIGN_RES_OK;
}

static lv_res_t lv_bar_signal(lv_obj_t * bar, lv_signal_t sign, void * param)
{
    if(lv_obj_signal(bar, sign, param) != LV_RES_OK) return LV_RES_INV;
    if(sign == LV_SIGNAL_CLEANUP) {
        delete ext_of(bar);
        bar->ext_attr = nullptr;
    }
    return LV_RES_OK;
}
