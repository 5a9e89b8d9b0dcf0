/* Drawing of the base object, and draw descriptors filled from an object's styles. */
#include "gui/core/lv_obj.h"
#include "gui/draw/lv_draw.h"

void lv_obj_init_draw_rect_dsc(lv_obj_t * obj, uint8_t part, lv_draw_rect_dsc_t * d)
{
    lv_draw_rect_dsc_init(d);
    d->radius = lv_obj_get_style_radius(obj, part);
    d->bg_color = lv_obj_get_style_bg_color(obj, part);
    d->bg_opa = lv_obj_get_style_bg_opa(obj, part);
    d->border_width = lv_obj_get_style_border_width(obj, part);
    d->border_color = lv_obj_get_style_border_color(obj, part);
    d->border_opa = lv_obj_get_style_border_opa(obj, part);
    d->border_side = lv_obj_get_style_border_side(obj, part);
}

void lv_obj_init_draw_label_dsc(lv_obj_t * obj, uint8_t part, lv_draw_label_dsc_t * d)
{
    lv_draw_label_dsc_init(d);
    d->color = lv_obj_get_style_text_color(obj, part);
    d->opa = lv_obj_get_style_text_opa(obj, part);
    d->font = lv_obj_get_style_text_font(obj, part);
    d->letter_space = lv_obj_get_style_text_letter_space(obj, part);
    d->line_space = lv_obj_get_style_text_line_space(obj, part);
}

lv_design_res_t lv_obj_design(lv_obj_t * obj, const lv_area_t * clip_area, lv_design_mode_t mode)
{
    if(mode == LV_DESIGN_COVER_CHK) return LV_DESIGN_RES_NOT_COVER;
    if(mode == LV_DESIGN_DRAW_MAIN) {
        lv_draw_rect_dsc_t d;
        lv_obj_init_draw_rect_dsc(obj, LV_OBJ_PART_MAIN, &d);
        lv_draw_rect(&obj->coords, clip_area, &d);
    }
    return LV_DESIGN_RES_OK;
}
