/* Labels. */
#include "gui/widgets/lv_label.h"

#include "gui/themes/lv_theme.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

/**********************
 *  STATIC PROTOTYPES
 **********************/
static lv_res_t lv_label_signal(lv_obj_t * label, lv_signal_t sign, void * param);
static lv_design_res_t lv_label_design(lv_obj_t * label, const lv_area_t * clip_area, lv_design_mode_t mode);

/**********************
 *   STATIC FUNCTIONS
 **********************/
static lv_label_ext_t * ext_of(const lv_obj_t * label)
{
    return static_cast<lv_label_ext_t *>(label->ext_attr);
}

/* What the layout of a label's text depends on. */
typedef struct {
    const lv_font_t * font;
    lv_coord_t letter_space;
    lv_coord_t line_space;
    lv_coord_t pad_l, pad_r, pad_t, pad_b;
    lv_txt_flag_t flag;
    lv_coord_t max_w; /* wrapping width */
} label_layout_t;

static label_layout_t layout_of(const lv_obj_t * label)
{
    const lv_label_ext_t * ext = ext_of(label);
    label_layout_t l;
    l.font = lv_obj_get_style_text_font(label, LV_LABEL_PART_MAIN);
    l.letter_space = lv_obj_get_style_text_letter_space(label, LV_LABEL_PART_MAIN);
    l.line_space = lv_obj_get_style_text_line_space(label, LV_LABEL_PART_MAIN);
    l.pad_l = lv_obj_get_style_pad_left(label, LV_LABEL_PART_MAIN);
    l.pad_r = lv_obj_get_style_pad_right(label, LV_LABEL_PART_MAIN);
    l.pad_t = lv_obj_get_style_pad_top(label, LV_LABEL_PART_MAIN);
    l.pad_b = lv_obj_get_style_pad_bottom(label, LV_LABEL_PART_MAIN);
    l.flag = ext->recolor ? LV_TXT_FLAG_RECOLOR : LV_TXT_FLAG_NONE;
    if(ext->long_mode == LV_LABEL_LONG_EXPAND) l.flag |= LV_TXT_FLAG_EXPAND;
    if(ext->align == LV_LABEL_ALIGN_CENTER) l.flag |= LV_TXT_FLAG_CENTER;
    if(ext->align == LV_LABEL_ALIGN_RIGHT) l.flag |= LV_TXT_FLAG_RIGHT;
    l.max_w = (l.flag & LV_TXT_FLAG_EXPAND) ? LV_COORD_MAX
                                            : static_cast<lv_coord_t>(lv_obj_get_width(label) - l.pad_l - l.pad_r);
    return l;
}

/* One laid-out line: byte range and whether a coloured span is open at its start. */
typedef struct {
    uint32_t start;
    uint32_t end;
    bool span;
} label_line_t;

static std::vector<label_line_t> split_lines(const char * txt, const label_layout_t & l)
{
    std::vector<label_line_t> lines;
    uint32_t pos = 0;
    bool span = false;
    while(txt[pos] != '\0') {
        uint32_t len = _lv_txt_get_next_line_ex(&txt[pos], l.font, l.letter_space, l.max_w, l.flag, span);
        if(len == 0) break;
        lines.push_back(label_line_t{pos, pos + len, span});
        span = _lv_txt_span_after(&txt[pos], len, l.flag, span);
        pos += len;
    }
    if(lines.empty() || txt[pos - 1] == '\n' || txt[pos - 1] == '\r') lines.push_back(label_line_t{pos, pos, span});
    return lines;
}

static std::string dot_text(const std::string & text, const label_layout_t & l, lv_coord_t avail_h)
{
    auto lines = split_lines(text.c_str(), l);
    int32_t step = l.font->line_height + l.line_space;
    int32_t fit = std::max<int32_t>(1, (avail_h + l.line_space) / step);
    if(static_cast<int32_t>(lines.size()) <= fit) return text;
    const label_line_t & last = lines[fit - 1];
    std::string line = text.substr(last.start, last.end - last.start);
    while(!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lv_coord_t dots_w = _lv_txt_get_width("...", 3, l.font, l.letter_space, LV_TXT_FLAG_NONE);
    while(!line.empty()) {
        lv_coord_t w = _lv_txt_prefix_width(line.c_str(), static_cast<uint32_t>(line.size()), l.font, l.letter_space,
                                            l.flag, last.span);
        if(w + dots_w <= l.max_w) break;
        uint32_t i = static_cast<uint32_t>(line.size());
        _lv_txt_encoded_prev(line.c_str(), &i);
        line.resize(i);
    }
    return text.substr(0, last.start) + line + std::string(LV_LABEL_DOT_NUM, '.');
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
lv_obj_t * lv_label_create(lv_obj_t * par, const lv_obj_t * copy)
{
    lv_obj_t * label = lv_obj_create(par, copy);
    if(label == nullptr) return nullptr;
    auto * ext = new lv_label_ext_t{};
    ext->long_mode = LV_LABEL_LONG_EXPAND;
    ext->align = LV_LABEL_ALIGN_LEFT;
    ext->recolor = false;
    label->ext_attr = ext;
    label->signal_cb = lv_label_signal;
    label->design_cb = lv_label_design;
    lv_obj_set_click(label, false);
    if(copy == nullptr) {
        _lv_theme_apply(label, LV_THEME_LABEL);
        lv_label_set_text(label, "Text");
    } else {
        *ext = *ext_of(copy);
        lv_label_refr_text(label);
    }
    return label;
}

void lv_label_set_text(lv_obj_t * label, const char * text)
{
    lv_label_ext_t * ext = ext_of(label);
    if(text != nullptr) ext->text = text;
    lv_label_refr_text(label);
}

void lv_label_set_text_fmt(lv_obj_t * label, const char * fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if(n > 0) vsnprintf(s.data(), s.size() + 1, fmt, args);
    va_end(args);
    lv_label_set_text(label, s.c_str());
}

void lv_label_set_text_static(lv_obj_t * label, const char * text)
{
    lv_label_set_text(label, text);
}

void lv_label_set_long_mode(lv_obj_t * label, lv_label_long_mode_t long_mode)
{
    ext_of(label)->long_mode = long_mode;
    lv_label_refr_text(label);
}

void lv_label_set_align(lv_obj_t * label, lv_label_align_t align)
{
    ext_of(label)->align = align;
    lv_label_refr_text(label);
}

void lv_label_set_recolor(lv_obj_t * label, bool en)
{
    ext_of(label)->recolor = en;
    lv_label_refr_text(label);
}

const char * lv_label_get_text(const lv_obj_t * label)
{
    return ext_of(label)->text.c_str();
}

lv_label_long_mode_t lv_label_get_long_mode(const lv_obj_t * label)
{
    return ext_of(label)->long_mode;
}

lv_label_align_t lv_label_get_align(const lv_obj_t * label)
{
    return ext_of(label)->align;
}

bool lv_label_get_recolor(const lv_obj_t * label)
{
    return ext_of(label)->recolor;
}

void lv_label_refr_text(lv_obj_t * label)
{
    lv_label_ext_t * ext = ext_of(label);
    label_layout_t l = layout_of(label);
    ext->shown = ext->text;
    lv_point_t size;
    if(ext->long_mode == LV_LABEL_LONG_EXPAND) {
        _lv_txt_get_size(&size, ext->text.c_str(), l.font, l.letter_space, l.line_space, LV_COORD_MAX, l.flag);
        lv_obj_set_size(label, static_cast<lv_coord_t>(size.x + l.pad_l + l.pad_r),
                        static_cast<lv_coord_t>(size.y + l.pad_t + l.pad_b));
    } else if(ext->long_mode == LV_LABEL_LONG_BREAK) {
        _lv_txt_get_size(&size, ext->text.c_str(), l.font, l.letter_space, l.line_space, l.max_w, l.flag);
        lv_obj_set_height(label, static_cast<lv_coord_t>(size.y + l.pad_t + l.pad_b));
    } else if(ext->long_mode == LV_LABEL_LONG_DOT) {
        ext->shown = dot_text(ext->text, l, static_cast<lv_coord_t>(lv_obj_get_height(label) - l.pad_t - l.pad_b));
    }
    lv_obj_invalidate(label);
}

void lv_label_ins_text(lv_obj_t * label, uint32_t pos, const char * txt)
{
    lv_label_ext_t * ext = ext_of(label);
    uint32_t n = _lv_txt_get_encoded_length(ext->text.c_str());
    if(pos == LV_LABEL_POS_LAST || pos > n) pos = n;
    ext->text.insert(_lv_txt_encoded_get_byte_id(ext->text.c_str(), pos), txt);
    lv_label_refr_text(label);
}

void lv_label_cut_text(lv_obj_t * label, uint32_t pos, uint32_t cnt)
{
    lv_label_ext_t * ext = ext_of(label);
    const char * t = ext->text.c_str();
    uint32_t b1 = _lv_txt_encoded_get_byte_id(t, pos);
    uint32_t b2 = b1 + _lv_txt_encoded_get_byte_id(t + b1, cnt);
    ext->text.erase(b1, b2 - b1);
    lv_label_refr_text(label);
}

/**********************
 *   LETTER POSITIONS
 **********************/
static lv_coord_t line_x_offset(const lv_obj_t * label, const label_layout_t & l, const char * txt,
                                const label_line_t & ln)
{
    lv_coord_t box_w = static_cast<lv_coord_t>(lv_obj_get_width(label) - l.pad_l - l.pad_r);
    lv_coord_t w = _lv_txt_get_width_ex(txt + ln.start, ln.end - ln.start, l.font, l.letter_space, l.flag, ln.span);
    if(l.flag & LV_TXT_FLAG_CENTER) return static_cast<lv_coord_t>((box_w - w) / 2);
    if(l.flag & LV_TXT_FLAG_RIGHT) return static_cast<lv_coord_t>(box_w - w);
    return 0;
}

void lv_label_get_letter_pos(const lv_obj_t * label, uint32_t char_id, lv_point_t * pos)
{
    const lv_label_ext_t * ext = ext_of(label);
    const char * txt = ext->shown.c_str();
    label_layout_t l = layout_of(label);
    auto lines = split_lines(txt, l);
    uint32_t byte = _lv_txt_encoded_get_byte_id(txt, char_id);
    size_t li = 0;
    while(li + 1 < lines.size() && byte >= lines[li].end) li++;
    const label_line_t & ln = lines[li];
    lv_coord_t x = _lv_txt_prefix_width(txt + ln.start, byte - ln.start, l.font, l.letter_space, l.flag, ln.span);
    pos->x = static_cast<lv_coord_t>(l.pad_l + line_x_offset(label, l, txt, ln) + x);
    pos->y = static_cast<lv_coord_t>(l.pad_t + li * (l.font->line_height + l.line_space));
}

uint32_t lv_label_get_letter_on(const lv_obj_t * label, lv_point_t * pos)
{
    const lv_label_ext_t * ext = ext_of(label);
    const char * txt = ext->shown.c_str();
    label_layout_t l = layout_of(label);
    auto lines = split_lines(txt, l);
    int32_t step = l.font->line_height + l.line_space;
    int32_t li = std::clamp<int32_t>((pos->y - l.pad_t) / std::max<int32_t>(step, 1), 0,
                                     static_cast<int32_t>(lines.size()) - 1);
    const label_line_t & ln = lines[li];
    int32_t x = pos->x - l.pad_l - line_x_offset(label, l, txt, ln);
    lv_txt_iter_t it;
    _lv_txt_iter_init(&it, txt + ln.start, 0, (l.flag & LV_TXT_FLAG_RECOLOR) != 0);
    it.in_span = ln.span;
    uint32_t start = 0;
    int32_t cur = 0;
    for(;;) {
        uint32_t c = _lv_txt_iter_next(&it, &start, ln.end - ln.start);
        if(c == 0 || c == '\n' || c == '\r') break;
        int32_t w = lv_font_get_glyph_width(l.font, c, 0) + l.letter_space;
        if(x < cur + w / 2) break;
        cur += w;
        start = it.pos;
    }
    return _lv_txt_encoded_get_char_id(txt, ln.start + start);
}

/**********************
 *   SIGNAL AND DESIGN
 **********************/
static lv_design_res_t lv_label_design(lv_obj_t * label, const lv_area_t * clip_area, lv_design_mode_t mode)
{
    if(mode != LV_DESIGN_DRAW_MAIN) return lv_obj_design(label, clip_area, mode);
    lv_obj_design(label, clip_area, mode);
    lv_label_ext_t * ext = ext_of(label);
    label_layout_t l = layout_of(label);
    lv_draw_label_dsc_t d;
    lv_obj_init_draw_label_dsc(label, LV_LABEL_PART_MAIN, &d);
    d.flag = l.flag;
    lv_area_t area = label->coords;
    area.x1 = static_cast<lv_coord_t>(area.x1 + l.pad_l);
    area.x2 = static_cast<lv_coord_t>(area.x2 - l.pad_r);
    area.y1 = static_cast<lv_coord_t>(area.y1 + l.pad_t);
    area.y2 = static_cast<lv_coord_t>(area.y2 - l.pad_b);
    lv_area_t clip;
    if(!_lv_area_intersect(&clip, clip_area, &label->coords)) return LV_DESIGN_RES_OK;
    lv_draw_label(&area, &clip, &d, ext->shown.c_str(), nullptr);
    return LV_DESIGN_RES_OK;
}

static lv_res_t lv_label_signal(lv_obj_t * label, lv_signal_t sign, void * param)
{
    lv_res_t res = lv_obj_signal(label, sign, param);
    if(res != LV_RES_OK) return res;
    lv_label_ext_t * ext = ext_of(label);
    if(sign == LV_SIGNAL_CLEANUP) {
        delete ext;
        label->ext_attr = nullptr;
    } else if(sign == LV_SIGNAL_STYLE_CHG) {
        lv_label_refr_text(label);
    } else if(sign == LV_SIGNAL_COORD_CHG) {
        const auto * old = static_cast<const lv_area_t *>(param);
        bool resized = lv_area_get_width(old) != lv_obj_get_width(label) ||
                       lv_area_get_height(old) != lv_obj_get_height(label);
        if(resized && ext->long_mode != LV_LABEL_LONG_EXPAND) lv_label_refr_text(label);
    }
    return LV_RES_OK;
}
