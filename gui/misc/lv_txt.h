/* Text handling: UTF-8 decoding, recolouring markup, line breaking and text size.
 * Owns nothing; pure functions. Markup: "#RRGGBB " (six hex digits and a space) opens a
 * coloured span and the next "#" closes it; these bytes are never drawn. A "#" that does not
 * open a well-formed span (outside a span) is an ordinary letter. Invalid UTF-8 bytes are
 * taken one byte at a time as letters of that value, so no input can overrun a string. */
#pragma once

#include <cstdint>

#include "gui/font/lv_font.h"
#include "gui/misc/lv_area.h"
#include "gui/misc/lv_color.h"

typedef uint8_t lv_txt_flag_t;
enum {
    LV_TXT_FLAG_NONE = 0x00,
    LV_TXT_FLAG_RECOLOR = 0x01, /* interpret the colour markup */
    LV_TXT_FLAG_EXPAND = 0x02,  /* no wrapping: lines end only at line breaks */
    LV_TXT_FLAG_CENTER = 0x04,
    LV_TXT_FLAG_RIGHT = 0x08,
    LV_TXT_FLAG_FIT = 0x10,
};

#define LV_TXT_COLOR_CMD "#"
#define LV_TXT_ENC_UTF8 1

uint32_t _lv_txt_encoded_next(const char * txt, uint32_t * i);
uint32_t _lv_txt_encoded_prev(const char * txt, uint32_t * i);
uint32_t _lv_txt_get_encoded_length(const char * txt);
uint32_t _lv_txt_encoded_get_byte_id(const char * txt, uint32_t utf8_id);
uint32_t _lv_txt_encoded_get_char_id(const char * txt, uint32_t byte_id);
uint8_t _lv_txt_encoded_size(const char * txt);
/* Writes the UTF-8 form of letter (1..4 bytes) and a terminator into buf[5]; returns its length. */
uint8_t _lv_txt_encode(uint32_t letter, char * buf);

/* Walks the visible letters of a text, hiding the markup when recolour is on. */
typedef struct {
    const char * txt;
    uint32_t pos;      /* byte index of the next letter */
    bool recolor;      /* markup enabled */
    bool in_span;      /* inside a coloured span */
    lv_color_t color;  /* colour of the current span */
} lv_txt_iter_t;

void _lv_txt_iter_init(lv_txt_iter_t * it, const char * txt, uint32_t start, bool recolor);
/* Next visible letter (0 at the end, or at byte index end if end != UINT32_MAX); its byte
 * index goes to letter_start. */
uint32_t _lv_txt_iter_next(lv_txt_iter_t * it, uint32_t * letter_start, uint32_t end);

/* Byte length of the line starting at txt: up to and including its line break, or as many
 * words (or letters of a word too long for a line) as fit into max_width. */
uint32_t _lv_txt_get_next_line(const char * txt, const lv_font_t * font, lv_coord_t letter_space,
                               lv_coord_t max_width, lv_txt_flag_t flag);
/* Width of the first length bytes of a line, without its line break and trailing spaces. */
lv_coord_t _lv_txt_get_width(const char * txt, uint32_t length, const lv_font_t * font,
                             lv_coord_t letter_space, lv_txt_flag_t flag);
/* The same, for a line that starts inside a coloured span when in_span is set. */
uint32_t _lv_txt_get_next_line_ex(const char * txt, const lv_font_t * font, lv_coord_t letter_space,
                                  lv_coord_t max_width, lv_txt_flag_t flag, bool in_span);
lv_coord_t _lv_txt_get_width_ex(const char * txt, uint32_t length, const lv_font_t * font,
                                lv_coord_t letter_space, lv_txt_flag_t flag, bool in_span);
/* Pen advance over the first length bytes of a line (letters and letter spaces, nothing
 * trimmed): the x position of the letter at byte length. */
lv_coord_t _lv_txt_prefix_width(const char * txt, uint32_t length, const lv_font_t * font, lv_coord_t letter_space,
                                lv_txt_flag_t flag, bool in_span);
/* Whether a coloured span is open after the first length bytes. */
bool _lv_txt_span_after(const char * txt, uint32_t length, lv_txt_flag_t flag, bool in_span);
/* Size of a whole text; an empty text is one line high. */
void _lv_txt_get_size(lv_point_t * size_res, const char * text, const lv_font_t * font, lv_coord_t letter_space,
                      lv_coord_t line_space, lv_coord_t max_width, lv_txt_flag_t flag);
