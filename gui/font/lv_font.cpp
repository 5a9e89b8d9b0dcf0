/* Glyph lookup in generated fonts: binary search of the sorted code point list. */
#include "gui/font/lv_font.h"

#include <algorithm>

static int fmt_txt_find(const lv_font_fmt_txt_dsc_t * d, uint32_t letter)
{
    const uint32_t * end = d->unicode_list + d->glyph_cnt;
    const uint32_t * it = std::lower_bound(d->unicode_list, end, letter);
    if(it == end || *it != letter) return -1;
    return static_cast<int>(it - d->unicode_list);
}

bool lv_font_get_glyph_dsc_fmt_txt(const lv_font_t * font, lv_font_glyph_dsc_t * dsc_out, uint32_t letter,
                                   uint32_t letter_next)
{
    (void)letter_next;
    const auto * d = static_cast<const lv_font_fmt_txt_dsc_t *>(font->dsc);
    int idx = fmt_txt_find(d, letter);
    if(idx < 0) return false;
    const lv_font_fmt_txt_glyph_dsc_t & g = d->glyph_dsc[idx];
    dsc_out->adv_w = static_cast<uint16_t>((g.adv_w + 8) >> 4);
    dsc_out->box_w = g.box_w;
    dsc_out->box_h = g.box_h;
    dsc_out->ofs_x = g.ofs_x;
    dsc_out->ofs_y = g.ofs_y;
    dsc_out->bpp = d->bpp;
    return true;
}

const uint8_t * lv_font_get_bitmap_fmt_txt(const lv_font_t * font, uint32_t letter)
{
    const auto * d = static_cast<const lv_font_fmt_txt_dsc_t *>(font->dsc);
    int idx = fmt_txt_find(d, letter);
    if(idx < 0) return nullptr;
    return d->glyph_bitmap + d->glyph_dsc[idx].bitmap_index;
}

bool lv_font_get_glyph_dsc(const lv_font_t * font, lv_font_glyph_dsc_t * dsc_out, uint32_t letter,
                           uint32_t letter_next)
{
    if(font == nullptr || font->get_glyph_dsc == nullptr) return false;
    return font->get_glyph_dsc(font, dsc_out, letter, letter_next);
}

const uint8_t * lv_font_get_glyph_bitmap(const lv_font_t * font, uint32_t letter)
{
    if(font == nullptr || font->get_glyph_bitmap == nullptr) return nullptr;
    return font->get_glyph_bitmap(font, letter);
}

uint16_t lv_font_get_glyph_width(const lv_font_t * font, uint32_t letter, uint32_t letter_next)
{
    lv_font_glyph_dsc_t g;
    if(!lv_font_get_glyph_dsc(font, &g, letter, letter_next)) return 0;
    return g.adv_w;
}

lv_coord_t lv_font_get_line_height(const lv_font_t * font)
{
    return font ? font->line_height : 0;
}
