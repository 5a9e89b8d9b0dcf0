/* Rectangles: background with anti-aliased rounded corners, then the border as the band
 * between the outer shape and the inner shape (shrunk on the bordered sides). */
#include "gui/draw/lv_draw.h"

#include <algorithm>
#include <cmath>

/**********************
 *   STATIC FUNCTIONS
 **********************/
typedef struct {
    lv_area_t a;
    int32_t r;
} rrect_t;

static rrect_t rrect_make(const lv_area_t * a, int32_t r)
{
    int32_t w = lv_area_get_width(a), h = lv_area_get_height(a);
    r = std::max<int32_t>(0, std::min({r, w / 2, h / 2}));
    return rrect_t{*a, r};
}

/* Coverage (0..255) of pixel (x, y) by the rounded rectangle. */
static uint8_t rrect_cov(const rrect_t & rr, int32_t x, int32_t y)
{
    const lv_area_t & a = rr.a;
    if(x < a.x1 || x > a.x2 || y < a.y1 || y > a.y2) return 0;
    if(rr.r == 0) return 255;
    float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
    float r = static_cast<float>(rr.r);
    float left = static_cast<float>(a.x1) + r, right = static_cast<float>(a.x2 + 1) - r;
    float top = static_cast<float>(a.y1) + r, bottom = static_cast<float>(a.y2 + 1) - r;
    float cx = fx < left ? left : (fx > right ? right : fx);
    float cy = fy < top ? top : (fy > bottom ? bottom : fy);
    if(cx == fx || cy == fy) return 255;
    float d = std::sqrt((fx - cx) * (fx - cx) + (fy - cy) * (fy - cy));
    float cov = std::clamp(r - d + 0.5f, 0.0f, 1.0f);
    return static_cast<uint8_t>(std::lround(cov * 255.0f));
}

static lv_opa_t scale_opa(lv_opa_t opa, uint8_t cov)
{
    if(cov == 255) return opa;
    return static_cast<lv_opa_t>((opa * cov + 127) / 255);
}

static void draw_bg(const lv_area_t * coords, const lv_area_t * clip, const lv_draw_rect_dsc_t * dsc)
{
    rrect_t rr = rrect_make(coords, dsc->radius);
    lv_area_t a;
    if(!_lv_area_intersect(&a, coords, clip)) return;
    for(int32_t y = a.y1; y <= a.y2; y++) {
        bool corner_row = y < coords->y1 + rr.r || y > coords->y2 - rr.r;
        int32_t mid_x1 = corner_row ? coords->x1 + rr.r : coords->x1;
        int32_t mid_x2 = corner_row ? coords->x2 - rr.r : coords->x2;
        lv_area_t span{static_cast<lv_coord_t>(mid_x1), static_cast<lv_coord_t>(y), static_cast<lv_coord_t>(mid_x2),
                       static_cast<lv_coord_t>(y)};
        _lv_blend_fill(&a, &span, dsc->bg_color, dsc->bg_opa);
        if(!corner_row) continue;
        for(int32_t x = a.x1; x <= a.x2; x++) {
            if(x >= mid_x1 && x <= mid_x2) continue;
            uint8_t cov = rrect_cov(rr, x, y);
            if(cov) _lv_blend_px(&a, static_cast<lv_coord_t>(x), static_cast<lv_coord_t>(y), dsc->bg_color,
                                 scale_opa(dsc->bg_opa, cov));
        }
    }
}

static rrect_t border_inner(const lv_area_t * coords, const lv_draw_rect_dsc_t * dsc, int32_t r_out)
{
    lv_area_t in = *coords;
    auto bw = dsc->border_width;
    if(dsc->border_side & LV_BORDER_SIDE_LEFT) in.x1 = static_cast<lv_coord_t>(in.x1 + bw);
    if(dsc->border_side & LV_BORDER_SIDE_RIGHT) in.x2 = static_cast<lv_coord_t>(in.x2 - bw);
    if(dsc->border_side & LV_BORDER_SIDE_TOP) in.y1 = static_cast<lv_coord_t>(in.y1 + bw);
    if(dsc->border_side & LV_BORDER_SIDE_BOTTOM) in.y2 = static_cast<lv_coord_t>(in.y2 - bw);
    return rrect_make(&in, std::max<int32_t>(0, r_out - bw));
}

static void border_px(const lv_area_t * a, const rrect_t & out, const rrect_t & in, int32_t x, int32_t y,
                      const lv_draw_rect_dsc_t * dsc)
{
    uint8_t co = rrect_cov(out, x, y);
    if(co == 0) return;
    uint8_t ci = (in.a.x1 <= in.a.x2 && in.a.y1 <= in.a.y2) ? rrect_cov(in, x, y) : 0;
    uint8_t cov = static_cast<uint8_t>(co * (255 - ci) / 255);
    if(cov) _lv_blend_px(a, static_cast<lv_coord_t>(x), static_cast<lv_coord_t>(y), dsc->border_color,
                         scale_opa(dsc->border_opa, cov));
}

static void draw_border(const lv_area_t * coords, const lv_area_t * clip, const lv_draw_rect_dsc_t * dsc)
{
    rrect_t out = rrect_make(coords, dsc->radius);
    rrect_t in = border_inner(coords, dsc, out.r);
    lv_area_t a;
    if(!_lv_area_intersect(&a, coords, clip)) return;
    for(int32_t y = a.y1; y <= a.y2; y++) {
        /* Rows that cross the straight part of the inner shape only need its two side bands. */
        bool straight = y >= in.a.y1 + in.r && y <= in.a.y2 - in.r && in.a.x1 <= in.a.x2;
        int32_t skip_x1 = straight ? in.a.x1 + in.r : INT32_MAX;
        int32_t skip_x2 = straight ? in.a.x2 - in.r : INT32_MIN;
        for(int32_t x = a.x1; x <= a.x2; x++) {
            if(x >= skip_x1 && x <= skip_x2) {
                x = skip_x2;
                continue;
            }
            border_px(&a, out, in, x, y, dsc);
        }
    }
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void lv_draw_rect_dsc_init(lv_draw_rect_dsc_t * dsc)
{
    *dsc = lv_draw_rect_dsc_t{};
    dsc->bg_color = LV_COLOR_WHITE;
    dsc->bg_opa = LV_OPA_COVER;
    dsc->border_color = LV_COLOR_BLACK;
    dsc->border_side = LV_BORDER_SIDE_FULL;
    dsc->border_opa = LV_OPA_COVER;
}

void lv_draw_rect(const lv_area_t * coords, const lv_area_t * clip, const lv_draw_rect_dsc_t * dsc)
{
    if(lv_area_get_width(coords) <= 0 || lv_area_get_height(coords) <= 0) return;
    if(dsc->bg_opa >= LV_OPA_MIN) draw_bg(coords, clip, dsc);
    if(dsc->border_width > 0 && dsc->border_opa >= LV_OPA_MIN && (dsc->border_side & LV_BORDER_SIDE_FULL)) {
        draw_border(coords, clip, dsc);
    }
}
