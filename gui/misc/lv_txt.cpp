/* UTF-8, colour markup, line breaking and measuring. */
#include "gui/misc/lv_txt.h"

#include <algorithm>
#include <cstring>

/**********************
 *   UTF-8
 **********************/
static bool is_cont(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

static uint8_t seq_len(unsigned char c)
{
    if(c < 0x80) return 1;
    if((c & 0xE0) == 0xC0) return 2;
    if((c & 0xF0) == 0xE0) return 3;
    if((c & 0xF8) == 0xF0) return 4;
    return 1;
}

uint8_t _lv_txt_encoded_size(const char * txt)
{
    auto c = static_cast<unsigned char>(txt[0]);
    uint8_t n = seq_len(c);
    for(uint8_t k = 1; k < n; k++) {
        if(!is_cont(static_cast<unsigned char>(txt[k]))) return 1;
    }
    return n;
}

uint32_t _lv_txt_encoded_next(const char * txt, uint32_t * i)
{
    uint32_t idx = i ? *i : 0;
    const auto * s = reinterpret_cast<const unsigned char *>(txt) + idx;
    if(s[0] == 0) return 0;
    uint8_t n = _lv_txt_encoded_size(reinterpret_cast<const char *>(s));
    uint32_t c = s[0];
    if(n == 2) c = ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
    if(n == 3) c = ((s[0] & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
    if(n == 4) c = ((s[0] & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
    if(i) *i = idx + n;
    return c;
}

uint32_t _lv_txt_encoded_prev(const char * txt, uint32_t * i)
{
    if(*i == 0) return 0;
    uint32_t start = *i - 1;
    uint32_t limit = *i >= 4 ? *i - 4 : 0;
    while(start > limit && is_cont(static_cast<unsigned char>(txt[start]))) start--;
    uint32_t probe = start;
    uint32_t c = _lv_txt_encoded_next(txt, &probe);
    if(probe != *i) {
        /* Not a well-formed sequence ending at i: step back one byte. */
        start = *i - 1;
        c = static_cast<unsigned char>(txt[start]);
    }
    *i = start;
    return c;
}

uint32_t _lv_txt_get_encoded_length(const char * txt)
{
    uint32_t n = 0, i = 0;
    while(txt[i] != '\0') {
        _lv_txt_encoded_next(txt, &i);
        n++;
    }
    return n;
}

uint32_t _lv_txt_encoded_get_byte_id(const char * txt, uint32_t utf8_id)
{
    uint32_t i = 0;
    for(uint32_t k = 0; k < utf8_id && txt[i] != '\0'; k++) _lv_txt_encoded_next(txt, &i);
    return i;
}

uint32_t _lv_txt_encoded_get_char_id(const char * txt, uint32_t byte_id)
{
    uint32_t i = 0, n = 0;
    while(i < byte_id && txt[i] != '\0') {
        _lv_txt_encoded_next(txt, &i);
        n++;
    }
    return n;
}

uint8_t _lv_txt_encode(uint32_t c, char * buf)
{
    uint8_t n;
    if(c < 0x80) {
        buf[0] = static_cast<char>(c);
        n = 1;
    } else if(c < 0x800) {
        buf[0] = static_cast<char>(0xC0 | (c >> 6));
        buf[1] = static_cast<char>(0x80 | (c & 0x3F));
        n = 2;
    } else if(c < 0x10000) {
        buf[0] = static_cast<char>(0xE0 | (c >> 12));
        buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (c & 0x3F));
        n = 3;
    } else {
        buf[0] = static_cast<char>(0xF0 | ((c >> 18) & 0x07));
        buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (c & 0x3F));
        n = 4;
    }
    buf[n] = '\0';
    return n;
}

/**********************
 *   MARKUP
 **********************/
static int hex_digit(char c)
{
    if(c >= '0' && c <= '9') return c - '0';
    if(c >= 'a' && c <= 'f') return c - 'a' + 10;
    if(c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* "#RRGGBB " at txt: the colour, or false when the markup is malformed. */
static bool parse_color_cmd(const char * txt, lv_color_t * color)
{
    uint32_t v = 0;
    for(int k = 1; k <= 6; k++) {
        int d = hex_digit(txt[k]);
        if(d < 0) return false;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    if(txt[7] != ' ') return false;
    *color = lv_color_hex(v);
    return true;
}

void _lv_txt_iter_init(lv_txt_iter_t * it, const char * txt, uint32_t start, bool recolor)
{
    it->txt = txt;
    it->pos = start;
    it->recolor = recolor;
    it->in_span = false;
    it->color = lv_color_t{};
}

/* Consumes markup at the current position; true if some was consumed. */
static bool iter_skip_markup(lv_txt_iter_t * it)
{
    const char * p = it->txt + it->pos;
    if(!it->recolor || *p != '#') return false;
    if(it->in_span) {
        it->in_span = false;
        it->pos++;
        return true;
    }
    if(!parse_color_cmd(p, &it->color)) return false;
    it->in_span = true;
    it->pos += 8;
    return true;
}

uint32_t _lv_txt_iter_next(lv_txt_iter_t * it, uint32_t * letter_start, uint32_t end)
{
    while(it->pos < end && iter_skip_markup(it)) {
    }
    if(it->pos >= end || it->txt[it->pos] == '\0') {
        if(letter_start) *letter_start = it->pos;
        return 0;
    }
    if(letter_start) *letter_start = it->pos;
    return _lv_txt_encoded_next(it->txt, &it->pos);
}

/**********************
 *   LINES
 **********************/
static bool is_break_char(uint32_t c)
{
    return c == ' ' || c == ',' || c == '.' || c == ';' || c == ':' || c == '-' || c == '_';
}

static bool is_wide(uint32_t c)
{
    return c >= 0x2E80;
}

static lv_coord_t letter_w(const lv_font_t * font, uint32_t c, lv_coord_t letter_space)
{
    return static_cast<lv_coord_t>(lv_font_get_glyph_width(font, c, 0) + letter_space);
}

uint32_t _lv_txt_get_next_line_ex(const char * txt, const lv_font_t * font, lv_coord_t letter_space,
                                  lv_coord_t max_width, lv_txt_flag_t flag, bool in_span)
{
    if(txt == nullptr || txt[0] == '\0') return 0;
    bool expand = (flag & LV_TXT_FLAG_EXPAND) != 0;
    lv_txt_iter_t it;
    _lv_txt_iter_init(&it, txt, 0, (flag & LV_TXT_FLAG_RECOLOR) != 0);
    it.in_span = in_span;
    int32_t width = 0;
    uint32_t last_break = 0, start = 0;
    bool any = false;
    for(;;) {
        uint32_t c = _lv_txt_iter_next(&it, &start, UINT32_MAX);
        if(c == 0) return it.pos;
        if(c == '\n') return it.pos;
        if(c == '\r') return txt[it.pos] == '\n' ? it.pos + 1 : it.pos;
        if(is_wide(c) && any) last_break = start;
        int32_t w = letter_w(font, c, letter_space);
        if(!expand && any && c != ' ' && width + w - letter_space > max_width) {
            return last_break > 0 ? last_break : start;
        }
        width += w;
        any = true;
        if(is_break_char(c) || is_wide(c)) last_break = it.pos;
    }
}

uint32_t _lv_txt_get_next_line(const char * txt, const lv_font_t * font, lv_coord_t letter_space,
                               lv_coord_t max_width, lv_txt_flag_t flag)
{
    return _lv_txt_get_next_line_ex(txt, font, letter_space, max_width, flag, false);
}

bool _lv_txt_span_after(const char * txt, uint32_t length, lv_txt_flag_t flag, bool in_span)
{
    lv_txt_iter_t it;
    _lv_txt_iter_init(&it, txt, 0, (flag & LV_TXT_FLAG_RECOLOR) != 0);
    it.in_span = in_span;
    while(_lv_txt_iter_next(&it, nullptr, length) != 0) {
    }
    return it.in_span;
}

lv_coord_t _lv_txt_get_width(const char * txt, uint32_t length, const lv_font_t * font,
                             lv_coord_t letter_space, lv_txt_flag_t flag)
{
    return _lv_txt_get_width_ex(txt, length, font, letter_space, flag, false);
}

lv_coord_t _lv_txt_get_width_ex(const char * txt, uint32_t length, const lv_font_t * font,
                                lv_coord_t letter_space, lv_txt_flag_t flag, bool in_span)
{
    if(txt == nullptr || length == 0) return 0;
    lv_txt_iter_t it;
    _lv_txt_iter_init(&it, txt, 0, (flag & LV_TXT_FLAG_RECOLOR) != 0);
    it.in_span = in_span;
    int32_t width = 0, trailing = 0;
    uint32_t start;
    for(;;) {
        uint32_t c = _lv_txt_iter_next(&it, &start, length);
        if(c == 0 || c == '\n' || c == '\r') break;
        int32_t w = letter_w(font, c, letter_space);
        width += w;
        trailing = (c == ' ') ? trailing + w : 0;
    }
    width -= trailing;
    if(width > 0) width -= letter_space;
    return static_cast<lv_coord_t>(std::max<int32_t>(width, 0));
}

void _lv_txt_get_size(lv_point_t * size_res, const char * text, const lv_font_t * font, lv_coord_t letter_space,
                      lv_coord_t line_space, lv_coord_t max_width, lv_txt_flag_t flag)
{
    lv_coord_t line_h = lv_font_get_line_height(font);
    size_res->x = 0;
    size_res->y = line_h;
    if(text == nullptr || text[0] == '\0') return;
    if(flag & LV_TXT_FLAG_EXPAND) max_width = LV_COORD_MAX;
    int32_t lines = 0, w_max = 0;
    uint32_t pos = 0;
    bool span = false;
    while(text[pos] != '\0') {
        uint32_t len = _lv_txt_get_next_line_ex(&text[pos], font, letter_space, max_width, flag, span);
        if(len == 0) break;
        w_max = std::max<int32_t>(w_max, _lv_txt_get_width_ex(&text[pos], len, font, letter_space, flag, span));
        span = _lv_txt_span_after(&text[pos], len, flag, span);
        pos += len;
        lines++;
    }
    /* A text ending in a line break has an empty last line. */
    if(text[pos - 1] == '\n' || text[pos - 1] == '\r') lines++;
    size_res->x = static_cast<lv_coord_t>(w_max);
    size_res->y = static_cast<lv_coord_t>(lines * line_h + (lines - 1) * line_space);
}

lv_coord_t _lv_txt_prefix_width(const char * txt, uint32_t length, const lv_font_t * font, lv_coord_t letter_space,
                                lv_txt_flag_t flag, bool in_span)
{
    lv_txt_iter_t it;
    _lv_txt_iter_init(&it, txt, 0, (flag & LV_TXT_FLAG_RECOLOR) != 0);
    it.in_span = in_span;
    int32_t width = 0;
    for(;;) {
        uint32_t c = _lv_txt_iter_next(&it, nullptr, length);
        if(c == 0 || c == '\n' || c == '\r') break;
        width += letter_w(font, c, letter_space);
    }
    return static_cast<lv_coord_t>(width);
}
