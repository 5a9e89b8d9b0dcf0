/* Text drawing: lines laid out as the label measures them, glyph bitmaps (1, 2, 4 or 8 bits
 * per pixel) blended as coverage, recoloured spans in their own colour. */
#include "gui/draw/lv_draw.h"

/**********************
 *   STATIC FUNCTIONS
 **********************/
static uint8_t glyph_px(const uint8_t * bmp, uint32_t idx, uint8_t bpp)
{
    uint32_t bit = idx * bpp;
    uint8_t byte = bmp[bit >> 3];
    uint8_t shift = static_cast<uint8_t>(8 - bpp - (bit & 7));
    uint32_t v = (byte >> shift) & ((1u << bpp) - 1);
    return static_cast<uint8_t>(v * 255 / ((1u << bpp) - 1));
}

static void draw_letter(lv_coord_t x, lv_coord_t y, const lv_area_t * clip, const lv_font_t * font,
                        uint32_t letter, lv_color_t color, lv_opa_t opa)
{
    lv_font_glyph_dsc_t g;
    if(!lv_font_get_glyph_dsc(font, &g, letter, 0) || g.box_w == 0 || g.box_h == 0) return;
    const uint8_t * bmp = lv_font_get_glyph_bitmap(font, letter);
    if(bmp == nullptr || g.bpp == 0 || g.bpp > 8) return;
    int32_t gx = x + g.ofs_x;
    int32_t gy = y + (font->line_height - font->base_line) - g.box_h - g.ofs_y;
    if(gx > clip->x2 || gy > clip->y2 || gx + g.box_w <= clip->x1 || gy + g.box_h <= clip->y1) return;
    for(uint32_t row = 0; row < g.box_h; row++) {
        for(uint32_t col = 0; col < g.box_w; col++) {
            uint8_t cov = glyph_px(bmp, row * g.box_w + col, g.bpp);
            if(cov == 0) continue;
            lv_opa_t o = opa == LV_OPA_COVER ? cov : static_cast<lv_opa_t>((cov * opa + 127) / 255);
            _lv_blend_px(clip, static_cast<lv_coord_t>(gx + col), static_cast<lv_coord_t>(gy + row), color, o);
        }
    }
}

static void draw_line(int32_t x, int32_t y, const lv_area_t * clip, const lv_draw_label_dsc_t * dsc,
                      const char * line, uint32_t len, bool in_span)
{
    lv_txt_iter_t it;
    _lv_txt_iter_init(&it, line, 0, (dsc->flag & LV_TXT_FLAG_RECOLOR) != 0);
    it.in_span = in_span;
    uint32_t start;
    for(;;) {
        uint32_t c = _lv_txt_iter_next(&it, &start, len);
        if(c == 0) break;
        if(c == '\n' || c == '\r') continue;
        lv_color_t color = it.in_span ? it.color : dsc->color;
        draw_letter(static_cast<lv_coord_t>(x), static_cast<lv_coord_t>(y), clip, dsc->font, c, color, dsc->opa);
        x += lv_font_get_glyph_width(dsc->font, c, 0) + dsc->letter_space;
    }
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void lv_draw_label_dsc_init(lv_draw_label_dsc_t * dsc)
{
    *dsc = lv_draw_label_dsc_t{};
    dsc->color = LV_COLOR_BLACK;
    dsc->font = LV_FONT_DEFAULT;
    dsc->opa = LV_OPA_COVER;
}

void lv_draw_label(const lv_area_t * coords, const lv_area_t * clip, const lv_draw_label_dsc_t * dsc,
                   const char * txt, void * hint)
{
    (void)hint;
    if(txt == nullptr || dsc->font == nullptr || dsc->opa < LV_OPA_MIN) return;
    lv_area_t area;
    if(!_lv_area_intersect(&area, coords, clip)) return;
    lv_coord_t max_w = lv_area_get_width(coords);
    if(dsc->flag & LV_TXT_FLAG_EXPAND) max_w = LV_COORD_MAX;
    int32_t y = coords->y1 + dsc->ofs_y;
    uint32_t pos = 0;
    bool span = false;
    lv_coord_t line_h = dsc->font->line_height;
    while(txt[pos] != '\0' && y <= area.y2) {
        uint32_t len = _lv_txt_get_next_line_ex(&txt[pos], dsc->font, dsc->letter_space, max_w, dsc->flag, span);
        if(len == 0) break;
        if(y + line_h > area.y1) {
            int32_t x = coords->x1 + dsc->ofs_x;
            lv_coord_t w = _lv_txt_get_width_ex(&txt[pos], len, dsc->font, dsc->letter_space, dsc->flag, span);
            int32_t box_w = lv_area_get_width(coords);
            if(dsc->flag & LV_TXT_FLAG_CENTER) x += (box_w - w) / 2;
            else if(dsc->flag & LV_TXT_FLAG_RIGHT) x += box_w - w;
            draw_line(x, y, &area, dsc, &txt[pos], len, span);
        }
        span = _lv_txt_span_after(&txt[pos], len, dsc->flag, span);
        pos += len;
        y += line_h + dsc->line_space;
    }
}
