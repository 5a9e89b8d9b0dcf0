/* Drawing primitives into the current RGB565 draw target: filled and rounded rectangles
 * with borders on chosen sides, and text with anti-aliased glyphs, each blended with its
 * opacity and clipped to a clip area and to the target. The target (a buffer covering an
 * absolute area, rows packed) is set by the refresher before drawing. Never blocks. */
#pragma once

#include "gui/core/lv_style.h"
#include "gui/font/lv_font.h"
#include "gui/misc/lv_area.h"
#include "gui/misc/lv_color.h"
#include "gui/misc/lv_txt.h"

typedef struct {
    lv_coord_t radius;
    lv_color_t bg_color;
    lv_opa_t bg_opa;
    lv_color_t border_color;
    lv_coord_t border_width;
    lv_border_side_t border_side;
    lv_opa_t border_opa;
} lv_draw_rect_dsc_t;

typedef uint8_t lv_label_align_t;
enum {
    LV_LABEL_ALIGN_LEFT,
    LV_LABEL_ALIGN_CENTER,
    LV_LABEL_ALIGN_RIGHT,
    LV_LABEL_ALIGN_AUTO,
};

typedef struct {
    lv_color_t color;
    const lv_font_t * font;
    lv_opa_t opa;
    lv_coord_t line_space;
    lv_coord_t letter_space;
    lv_coord_t ofs_x;
    lv_coord_t ofs_y;
    lv_txt_flag_t flag;
} lv_draw_label_dsc_t;

/* Where drawing goes: buf holds lv_area_get_width(area) * lv_area_get_height(area) pixels. */
void _lv_draw_set_target(lv_color_t * buf, const lv_area_t * area);

void lv_draw_rect_dsc_init(lv_draw_rect_dsc_t * dsc);
void lv_draw_rect(const lv_area_t * coords, const lv_area_t * clip, const lv_draw_rect_dsc_t * dsc);
void lv_draw_label_dsc_init(lv_draw_label_dsc_t * dsc);
/* Draws txt inside coords (lines wrapped at its width unless EXPAND), shifted by ofs. */
void lv_draw_label(const lv_area_t * coords, const lv_area_t * clip, const lv_draw_label_dsc_t * dsc,
                   const char * txt, void * hint);

/* Blends one colour into the target over an area (clipped), with one opacity. */
void _lv_blend_fill(const lv_area_t * clip, const lv_area_t * fill_area, lv_color_t color, lv_opa_t opa);
/* Blends one pixel (absolute coordinates) if it lies on the target and in the clip area. */
void _lv_blend_px(const lv_area_t * clip, lv_coord_t x, lv_coord_t y, lv_color_t color, lv_opa_t opa);

struct _lv_obj_t;
void lv_obj_init_draw_rect_dsc(struct _lv_obj_t * obj, uint8_t part, lv_draw_rect_dsc_t * draw_dsc);
void lv_obj_init_draw_label_dsc(struct _lv_obj_t * obj, uint8_t part, lv_draw_label_dsc_t * draw_dsc);
