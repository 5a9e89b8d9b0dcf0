/* The draw target and pixel blending. */
#include "gui/draw/lv_draw.h"

namespace {
struct draw_target {
    lv_color_t * buf = nullptr;
    lv_area_t area{0, 0, -1, -1};
};
draw_target g_target;
}

void _lv_draw_set_target(lv_color_t * buf, const lv_area_t * area)
{
    g_target.buf = buf;
    g_target.area = *area;
}

static inline void blend_one(lv_color_t * px, lv_color_t color, lv_opa_t opa)
{
    if(opa >= LV_OPA_MAX) {
        *px = color;
    } else if(opa >= LV_OPA_MIN) {
        *px = lv_color_mix(color, *px, opa);
    }
}

void _lv_blend_px(const lv_area_t * clip, lv_coord_t x, lv_coord_t y, lv_color_t color, lv_opa_t opa)
{
    if(g_target.buf == nullptr) return;
    lv_point_t p{x, y};
    if(!_lv_area_is_point_on(clip, &p) || !_lv_area_is_point_on(&g_target.area, &p)) return;
    int32_t stride = lv_area_get_width(&g_target.area);
    lv_color_t * row = g_target.buf + (y - g_target.area.y1) * stride;
    blend_one(&row[x - g_target.area.x1], color, opa);
}

void _lv_blend_fill(const lv_area_t * clip, const lv_area_t * fill_area, lv_color_t color, lv_opa_t opa)
{
    if(g_target.buf == nullptr || opa < LV_OPA_MIN) return;
    lv_area_t a;
    if(!_lv_area_intersect(&a, clip, fill_area)) return;
    if(!_lv_area_intersect(&a, &a, &g_target.area)) return;
    int32_t stride = lv_area_get_width(&g_target.area);
    for(int32_t y = a.y1; y <= a.y2; y++) {
        lv_color_t * row = g_target.buf + (y - g_target.area.y1) * stride - g_target.area.x1;
        for(int32_t x = a.x1; x <= a.x2; x++) blend_one(&row[x], color, opa);
    }
}
