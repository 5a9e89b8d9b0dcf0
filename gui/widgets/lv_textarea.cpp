/* Text areas: editing, filters, password mode, cursor and one-line scrolling. */
#include "gui/widgets/lv_textarea.h"

#include "gui/core/lv_group.h"
#include "gui/core/lv_indev.h"
#include "gui/draw/lv_draw.h"
#include "gui/themes/lv_theme.h"

#include <algorithm>

/**********************
 *  STATIC VARIABLES
 **********************/
namespace {
lv_design_cb_t g_label_design = nullptr; /* the label's own drawing, wrapped for clipping */
const char * g_insert_replace = nullptr; /* set by lv_textarea_set_insert_replace */
constexpr const char * kBullet = "\xE2\x80\xA2";
}

static lv_res_t lv_textarea_signal(lv_obj_t * ta, lv_signal_t sign, void * param);
static lv_design_res_t lv_textarea_design(lv_obj_t * ta, const lv_area_t * clip_area, lv_design_mode_t mode);
static void refresh(lv_obj_t * ta);

/**********************
 *   HELPERS
 **********************/
static lv_textarea_ext_t * ext_of(const lv_obj_t * ta)
{
    return static_cast<lv_textarea_ext_t *>(ta->ext_attr);
}

static uint32_t letter_count(const lv_textarea_ext_t * ext)
{
    return _lv_txt_get_encoded_length(ext->text.c_str());
}

static lv_area_t content_area(const lv_obj_t * ta)
{
    lv_area_t a = ta->coords;
    a.x1 = static_cast<lv_coord_t>(a.x1 + lv_obj_get_style_pad_left(ta, LV_TEXTAREA_PART_BG));
    a.x2 = static_cast<lv_coord_t>(a.x2 - lv_obj_get_style_pad_right(ta, LV_TEXTAREA_PART_BG));
    a.y1 = static_cast<lv_coord_t>(a.y1 + lv_obj_get_style_pad_top(ta, LV_TEXTAREA_PART_BG));
    a.y2 = static_cast<lv_coord_t>(a.y2 - lv_obj_get_style_pad_bottom(ta, LV_TEXTAREA_PART_BG));
    return a;
}

static bool char_accepted(const lv_textarea_ext_t * ext, uint32_t c)
{
    if(ext->one_line && (c == '\n' || c == '\r')) return false;
    if(ext->max_length > 0 && letter_count(ext) >= ext->max_length) return false;
    if(!ext->has_accepted) return true;
    uint32_t i = 0;
    while(ext->accepted[i] != '\0') {
        if(_lv_txt_encoded_next(ext->accepted.c_str(), &i) == c) return true;
    }
    return false;
}

static const char * bullet_for(const lv_obj_t * ta)
{
    lv_font_glyph_dsc_t g;
    const lv_font_t * f = lv_obj_get_style_text_font(ta, LV_TEXTAREA_PART_BG);
    return lv_font_get_glyph_dsc(f, &g, 0x2022, 0) ? kBullet : "*";
}

/* The label's text: the real text, or bullets with the revealed letters in clear. */
static std::string shown_text(const lv_obj_t * ta)
{
    const lv_textarea_ext_t * ext = ext_of(ta);
    if(!ext->pwd_mode) return ext->text;
    std::string out;
    const char * bullet = bullet_for(ta);
    uint32_t i = 0, idx = 0;
    while(ext->text[i] != '\0') {
        uint32_t start = i;
        _lv_txt_encoded_next(ext->text.c_str(), &i);
        if(idx >= ext->reveal_start && idx < ext->reveal_end) out.append(ext->text, start, i - start);
        else out += bullet;
        idx++;
    }
    return out;
}

/**********************
 *   TASKS
 **********************/
static void pwd_hide_cb(lv_task_t * t)
{
    auto * ta = static_cast<lv_obj_t *>(t->user_data);
    lv_textarea_ext_t * ext = ext_of(ta);
    ext->pwd_task = nullptr; /* the task has a repeat count of 1 */
    ext->reveal_start = ext->reveal_end = 0;
    refresh(ta);
}

static void pwd_reveal(lv_obj_t * ta, uint32_t start, uint32_t end)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    ext->reveal_start = start;
    ext->reveal_end = end;
    if(ext->pwd_task) lv_task_del(ext->pwd_task);
    ext->pwd_task = lv_task_create(pwd_hide_cb, ext->pwd_show_time, LV_TASK_PRIO_LOW, ta);
    lv_task_set_repeat_count(ext->pwd_task, 1);
}

static void blink_cb(lv_task_t * t)
{
    auto * ta = static_cast<lv_obj_t *>(t->user_data);
    lv_textarea_ext_t * ext = ext_of(ta);
    ext->cursor_show = !ext->cursor_show;
    if(!ext->cursor_hidden) lv_obj_invalidate(ta);
}

static void blink_restart(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    ext->cursor_show = true;
    if(ext->blink_task) lv_task_reset(ext->blink_task);
    lv_obj_invalidate(ta);
}

/**********************
 *   LAYOUT
 **********************/
static void cursor_area(const lv_obj_t * ta, lv_area_t * area)
{
    const lv_textarea_ext_t * ext = ext_of(ta);
    lv_point_t p;
    lv_label_get_letter_pos(ext->label, ext->cursor_pos, &p);
    const lv_font_t * font = lv_obj_get_style_text_font(ext->label, LV_LABEL_PART_MAIN);
    const char * shown = lv_label_get_text(ext->label);
    uint32_t b = _lv_txt_encoded_get_byte_id(shown, ext->cursor_pos);
    uint32_t c = shown[b] == '\0' || shown[b] == '\n' ? ' ' : _lv_txt_encoded_next(shown, &b);
    lv_coord_t w = static_cast<lv_coord_t>(std::max<int>(2, lv_font_get_glyph_width(font, c, 0)));
    area->x1 = static_cast<lv_coord_t>(ext->label->coords.x1 + p.x);
    area->y1 = static_cast<lv_coord_t>(ext->label->coords.y1 + p.y);
    area->x2 = static_cast<lv_coord_t>(area->x1 + w - 1);
    area->y2 = static_cast<lv_coord_t>(area->y1 + font->line_height - 1);
}

/* Places the label: one-line text scrolls so that the cursor stays inside the content area. */
static void place_label(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext == nullptr || ext->label == nullptr) return;
    lv_area_t ca = content_area(ta);
    lv_coord_t cw = lv_area_get_width(&ca);
    lv_coord_t x0 = static_cast<lv_coord_t>(ca.x1 - ta->coords.x1);
    lv_coord_t y0 = static_cast<lv_coord_t>(ca.y1 - ta->coords.y1);
    if(!ext->one_line) {
        lv_obj_set_width(ext->label, cw);
        lv_obj_set_pos(ext->label, x0, y0);
        return;
    }
    lv_coord_t lw = lv_obj_get_width(ext->label);
    lv_point_t p;
    lv_label_get_letter_pos(ext->label, ext->cursor_pos, &p);
    if(lw <= cw) {
        ext->scroll_x = 0;
        lv_label_align_t al = lv_label_get_align(ext->label);
        if(al == LV_LABEL_ALIGN_CENTER) x0 = static_cast<lv_coord_t>(x0 + (cw - lw) / 2);
        else if(al == LV_LABEL_ALIGN_RIGHT) x0 = static_cast<lv_coord_t>(x0 + cw - lw);
    } else {
        lv_coord_t margin = 4;
        if(p.x - ext->scroll_x < 0) ext->scroll_x = p.x;
        if(p.x - ext->scroll_x > cw - margin) ext->scroll_x = static_cast<lv_coord_t>(p.x - cw + margin);
        ext->scroll_x = std::clamp<lv_coord_t>(ext->scroll_x, 0, static_cast<lv_coord_t>(lw - cw + margin));
    }
    lv_obj_set_pos(ext->label, static_cast<lv_coord_t>(x0 - ext->scroll_x), y0);
}

static void refresh(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext == nullptr || ext->label == nullptr) return;
    lv_label_set_text(ext->label, shown_text(ta).c_str());
    place_label(ta);
    lv_obj_invalidate(ta);
}

static lv_design_res_t label_design(lv_obj_t * label, const lv_area_t * clip_area, lv_design_mode_t mode)
{
    lv_area_t ca = content_area(label->parent);
    lv_area_t clip;
    if(!_lv_area_intersect(&clip, clip_area, &ca)) return LV_DESIGN_RES_OK;
    return g_label_design(label, &clip, mode);
}

/**********************
 *   EDITING
 **********************/
/* Inserts the accepted letters of txt at the cursor; returns whether anything was inserted. */
static bool insert_filtered(lv_obj_t * ta, const char * txt)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    uint32_t i = 0, first = ext->cursor_pos, n = 0;
    while(txt[i] != '\0') {
        uint32_t start = i;
        uint32_t c = _lv_txt_encoded_next(txt, &i);
        if(!char_accepted(ext, c)) continue;
        uint32_t at = _lv_txt_encoded_get_byte_id(ext->text.c_str(), ext->cursor_pos);
        ext->text.insert(at, txt + start, i - start);
        ext->cursor_pos++;
        n++;
    }
    if(n == 0) return false;
    if(ext->pwd_mode) pwd_reveal(ta, first, first + n);
    return true;
}

void lv_textarea_add_text(lv_obj_t * ta, const char * txt)
{
    if(txt == nullptr) return;
    g_insert_replace = nullptr;
    if(lv_event_send(ta, LV_EVENT_INSERT, txt) != LV_RES_OK) return;
    if(g_insert_replace) {
        txt = g_insert_replace;
        g_insert_replace = nullptr;
        if(txt[0] == '\0') return;
    }
    std::string copy(txt); /* the replacement may be freed by the next event */
    if(!insert_filtered(ta, copy.c_str())) return;
    refresh(ta);
    blink_restart(ta);
    lv_event_send(ta, LV_EVENT_VALUE_CHANGED, nullptr);
}

void lv_textarea_add_char(lv_obj_t * ta, uint32_t c)
{
    char buf[5];
    _lv_txt_encode(c, buf);
    lv_textarea_add_text(ta, buf);
}

void lv_textarea_del_char(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->cursor_pos == 0) return;
    const char * t = ext->text.c_str();
    uint32_t b2 = _lv_txt_encoded_get_byte_id(t, ext->cursor_pos);
    uint32_t b1 = b2;
    _lv_txt_encoded_prev(t, &b1);
    ext->text.erase(b1, b2 - b1);
    ext->cursor_pos--;
    ext->reveal_start = ext->reveal_end = 0;
    refresh(ta);
    blink_restart(ta);
    lv_event_send(ta, LV_EVENT_VALUE_CHANGED, nullptr);
}

void lv_textarea_del_char_forward(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->cursor_pos >= letter_count(ext)) return;
    ext->cursor_pos++;
    lv_textarea_del_char(ta);
}

void lv_textarea_set_text(lv_obj_t * ta, const char * txt)
{
    if(txt == nullptr) return;
    lv_textarea_ext_t * ext = ext_of(ta);
    std::string copy(txt);
    ext->text.clear();
    ext->cursor_pos = 0;
    insert_filtered(ta, copy.c_str());
    refresh(ta);
    blink_restart(ta);
    lv_event_send(ta, LV_EVENT_VALUE_CHANGED, nullptr);
}

void lv_textarea_set_insert_replace(lv_obj_t * ta, const char * txt)
{
    (void)ta;
    g_insert_replace = txt;
}

/**********************
 *   CURSOR
 **********************/
void lv_textarea_set_cursor_pos(lv_obj_t * ta, int32_t pos)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    int32_t len = static_cast<int32_t>(letter_count(ext));
    if(pos == LV_TEXTAREA_CURSOR_LAST || pos > len) pos = len;
    if(pos < 0) pos = std::max<int32_t>(0, len + pos + 1);
    ext->cursor_pos = static_cast<uint32_t>(pos);
    place_label(ta);
    blink_restart(ta);
}

void lv_textarea_cursor_right(lv_obj_t * ta)
{
    lv_textarea_set_cursor_pos(ta, static_cast<int32_t>(ext_of(ta)->cursor_pos + 1));
}

void lv_textarea_cursor_left(lv_obj_t * ta)
{
    uint32_t p = ext_of(ta)->cursor_pos;
    if(p > 0) lv_textarea_set_cursor_pos(ta, static_cast<int32_t>(p - 1));
}

static void cursor_vertical(lv_obj_t * ta, int dir)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->one_line) return;
    lv_point_t p;
    lv_label_get_letter_pos(ext->label, ext->cursor_pos, &p);
    const lv_font_t * font = lv_obj_get_style_text_font(ext->label, LV_LABEL_PART_MAIN);
    lv_coord_t step = static_cast<lv_coord_t>(font->line_height + lv_obj_get_style_text_line_space(ext->label, 0));
    if(dir < 0 && p.y < step) return;
    p.y = static_cast<lv_coord_t>(p.y + dir * step);
    lv_textarea_set_cursor_pos(ta, static_cast<int32_t>(lv_label_get_letter_on(ext->label, &p)));
}

void lv_textarea_cursor_down(lv_obj_t * ta)
{
    cursor_vertical(ta, 1);
}

void lv_textarea_cursor_up(lv_obj_t * ta)
{
    cursor_vertical(ta, -1);
}

/**********************
 *   CREATION
 **********************/
lv_obj_t * lv_textarea_create(lv_obj_t * par, const lv_obj_t * copy)
{
    lv_obj_t * ta = lv_obj_create(par, copy);
    if(ta == nullptr) return nullptr;
    auto * ext = new lv_textarea_ext_t{};
    ext->pwd_show_time = LV_TEXTAREA_DEF_PWD_SHOW_TIME;
    ext->blink_time = LV_TEXTAREA_DEF_CURSOR_BLINK_TIME;
    ext->click_pos = true;
    ext->cursor_show = true;
    ta->ext_attr = ext;
    ta->signal_cb = lv_textarea_signal;
    ta->design_cb = lv_textarea_design;
    _lv_theme_apply(ta, LV_THEME_TEXTAREA);
    lv_obj_set_size(ta, 200, 100);
    ext->label = lv_label_create(ta, nullptr);
    if(g_label_design == nullptr) g_label_design = ext->label->design_cb;
    ext->label->design_cb = label_design;
    lv_label_set_long_mode(ext->label, LV_LABEL_LONG_BREAK);
    ext->blink_task = lv_task_create(blink_cb, ext->blink_time, LV_TASK_PRIO_LOW, ta);
    if(copy != nullptr) {
        const lv_textarea_ext_t * src = ext_of(copy);
        ext->placeholder = src->placeholder;
        ext->accepted = src->accepted;
        ext->has_accepted = src->has_accepted;
        ext->max_length = src->max_length;
        ext->pwd_mode = src->pwd_mode;
        ext->one_line = src->one_line;
        ext->cursor_hidden = src->cursor_hidden;
        if(ext->one_line) lv_label_set_long_mode(ext->label, LV_LABEL_LONG_EXPAND);
        ext->text = src->text;
    } else {
        ext->text = "Text area";
    }
    lv_textarea_set_cursor_pos(ta, LV_TEXTAREA_CURSOR_LAST);
    refresh(ta);
    return ta;
}

/**********************
 *   SETTERS AND GETTERS
 **********************/
void lv_textarea_set_placeholder_text(lv_obj_t * ta, const char * txt)
{
    ext_of(ta)->placeholder = txt ? txt : "";
    lv_obj_invalidate(ta);
}

void lv_textarea_set_cursor_hidden(lv_obj_t * ta, bool hide)
{
    ext_of(ta)->cursor_hidden = hide;
    blink_restart(ta);
}

void lv_textarea_set_cursor_click_pos(lv_obj_t * ta, bool en)
{
    ext_of(ta)->click_pos = en;
}

void lv_textarea_set_pwd_mode(lv_obj_t * ta, bool en)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->pwd_mode == en) return;
    ext->pwd_mode = en;
    ext->reveal_start = ext->reveal_end = 0;
    refresh(ta);
}

void lv_textarea_set_one_line(lv_obj_t * ta, bool en)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->one_line == en) return;
    ext->one_line = en;
    ext->scroll_x = 0;
    lv_label_set_long_mode(ext->label, en ? LV_LABEL_LONG_EXPAND : LV_LABEL_LONG_BREAK);
    if(en) {
        const lv_font_t * font = lv_obj_get_style_text_font(ta, LV_TEXTAREA_PART_BG);
        lv_coord_t h = static_cast<lv_coord_t>(font->line_height + lv_obj_get_style_pad_top(ta, 0) +
                                               lv_obj_get_style_pad_bottom(ta, 0));
        lv_obj_set_height(ta, h);
    }
    refresh(ta);
}

void lv_textarea_set_text_align(lv_obj_t * ta, lv_label_align_t align)
{
    lv_label_set_align(ext_of(ta)->label, align);
    place_label(ta);
}

void lv_textarea_set_accepted_chars(lv_obj_t * ta, const char * list)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    ext->has_accepted = list != nullptr;
    ext->accepted = list ? list : "";
}

void lv_textarea_set_max_length(lv_obj_t * ta, uint32_t num)
{
    ext_of(ta)->max_length = num;
}

void lv_textarea_set_text_sel(lv_obj_t * ta, bool en)
{
    (void)ta;
    (void)en;
}

void lv_textarea_set_pwd_show_time(lv_obj_t * ta, uint16_t time)
{
    ext_of(ta)->pwd_show_time = time;
}

void lv_textarea_set_cursor_blink_time(lv_obj_t * ta, uint16_t time)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    ext->blink_time = time;
    if(time == 0) {
        lv_task_set_prio(ext->blink_task, LV_TASK_PRIO_OFF);
        ext->cursor_show = true;
    } else {
        lv_task_set_period(ext->blink_task, time);
        lv_task_set_prio(ext->blink_task, LV_TASK_PRIO_LOW);
    }
}

const char * lv_textarea_get_text(const lv_obj_t * ta)
{
    return ext_of(ta)->text.c_str();
}

const char * lv_textarea_get_placeholder_text(lv_obj_t * ta)
{
    return ext_of(ta)->placeholder.c_str();
}

lv_obj_t * lv_textarea_get_label(const lv_obj_t * ta)
{
    return ext_of(ta)->label;
}

uint32_t lv_textarea_get_cursor_pos(const lv_obj_t * ta)
{
    return ext_of(ta)->cursor_pos;
}

bool lv_textarea_get_cursor_hidden(const lv_obj_t * ta)
{
    return ext_of(ta)->cursor_hidden;
}

bool lv_textarea_get_pwd_mode(const lv_obj_t * ta)
{
    return ext_of(ta)->pwd_mode;
}

bool lv_textarea_get_one_line(const lv_obj_t * ta)
{
    return ext_of(ta)->one_line;
}

const char * lv_textarea_get_accepted_chars(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    return ext->has_accepted ? ext->accepted.c_str() : nullptr;
}

uint32_t lv_textarea_get_max_length(lv_obj_t * ta)
{
    return ext_of(ta)->max_length;
}

uint16_t lv_textarea_get_pwd_show_time(lv_obj_t * ta)
{
    return ext_of(ta)->pwd_show_time;
}

uint16_t lv_textarea_get_cursor_blink_time(lv_obj_t * ta)
{
    return ext_of(ta)->blink_time;
}

void lv_textarea_clear_selection(lv_obj_t * ta)
{
    (void)ta;
}

/**********************
 *   SIGNAL AND DESIGN
 **********************/
static void ta_control(lv_obj_t * ta, uint32_t c)
{
    switch(c) {
        case LV_KEY_RIGHT: lv_textarea_cursor_right(ta); break;
        case LV_KEY_LEFT: lv_textarea_cursor_left(ta); break;
        case LV_KEY_UP: lv_textarea_cursor_up(ta); break;
        case LV_KEY_DOWN: lv_textarea_cursor_down(ta); break;
        case LV_KEY_BACKSPACE: lv_textarea_del_char(ta); break;
        case LV_KEY_DEL: lv_textarea_del_char_forward(ta); break;
        case LV_KEY_HOME: lv_textarea_set_cursor_pos(ta, 0); break;
        case LV_KEY_END: lv_textarea_set_cursor_pos(ta, LV_TEXTAREA_CURSOR_LAST); break;
        case LV_KEY_ENTER: lv_textarea_add_char(ta, '\n'); break;
        default:
            /* Other control codes (escape, tab...) are not text. */
            if(c >= 0x20 && c != 0x7F) lv_textarea_add_char(ta, c);
            break;
    }
}

static void ta_click_pos(lv_obj_t * ta, lv_indev_t * indev)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(!ext->click_pos || indev == nullptr || lv_indev_get_type(indev) != LV_INDEV_TYPE_POINTER) return;
    lv_point_t p;
    lv_indev_get_point(indev, &p);
    lv_point_t rel{static_cast<lv_coord_t>(p.x - ext->label->coords.x1),
                   static_cast<lv_coord_t>(p.y - ext->label->coords.y1)};
    lv_textarea_set_cursor_pos(ta, static_cast<int32_t>(lv_label_get_letter_on(ext->label, &rel)));
}

static void ta_cleanup(lv_obj_t * ta)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->pwd_task) lv_task_del(ext->pwd_task);
    if(ext->blink_task) lv_task_del(ext->blink_task);
    delete ext;
    ta->ext_attr = nullptr;
}

static lv_res_t lv_textarea_signal(lv_obj_t * ta, lv_signal_t sign, void * param)
{
    if(lv_obj_signal(ta, sign, param) != LV_RES_OK) return LV_RES_INV;
    if(ext_of(ta) == nullptr) return LV_RES_OK;
    switch(sign) {
        case LV_SIGNAL_CLEANUP: ta_cleanup(ta); break;
        case LV_SIGNAL_CONTROL: ta_control(ta, *static_cast<uint32_t *>(param)); break;
        case LV_SIGNAL_PRESSED: ta_click_pos(ta, static_cast<lv_indev_t *>(param)); break;
        case LV_SIGNAL_STYLE_CHG: refresh(ta); break;
        case LV_SIGNAL_COORD_CHG: {
            const auto * old = static_cast<const lv_area_t *>(param);
            if(lv_area_get_width(old) != lv_obj_get_width(ta) || lv_area_get_height(old) != lv_obj_get_height(ta)) {
                place_label(ta);
            }
            break;
        }
        case LV_SIGNAL_GET_EDITABLE: *static_cast<bool *>(param) = true; break;
        default: break;
    }
    return LV_RES_OK;
}

static void draw_placeholder(lv_obj_t * ta, const lv_area_t * clip)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(!ext->text.empty() || ext->placeholder.empty()) return;
    lv_draw_label_dsc_t d;
    lv_obj_init_draw_label_dsc(ta, LV_TEXTAREA_PART_PLACEHOLDER, &d);
    if(ext->one_line) d.flag |= LV_TXT_FLAG_EXPAND;
    lv_label_align_t al = lv_label_get_align(ext->label);
    if(al == LV_LABEL_ALIGN_CENTER) d.flag |= LV_TXT_FLAG_CENTER;
    if(al == LV_LABEL_ALIGN_RIGHT) d.flag |= LV_TXT_FLAG_RIGHT;
    lv_area_t ca = content_area(ta);
    lv_area_t c;
    if(_lv_area_intersect(&c, clip, &ca)) lv_draw_label(&ca, &c, &d, ext->placeholder.c_str(), nullptr);
}

static void draw_cursor(lv_obj_t * ta, const lv_area_t * clip)
{
    lv_textarea_ext_t * ext = ext_of(ta);
    if(ext->cursor_hidden || !ext->cursor_show) return;
    lv_area_t cur, c, ca = content_area(ta);
    cursor_area(ta, &cur);
    if(!_lv_area_intersect(&c, clip, &ca)) return;
    lv_draw_rect_dsc_t d;
    lv_obj_init_draw_rect_dsc(ta, LV_TEXTAREA_PART_CURSOR, &d);
    lv_draw_rect(&cur, &c, &d);
}

static lv_design_res_t lv_textarea_design(lv_obj_t * ta, const lv_area_t * clip_area, lv_design_mode_t mode)
{
    if(mode == LV_DESIGN_COVER_CHK) return LV_DESIGN_RES_NOT_COVER;
    if(mode == LV_DESIGN_DRAW_MAIN) {
        lv_obj_design(ta, clip_area, mode);
        draw_placeholder(ta, clip_area);
    } else if(mode == LV_DESIGN_DRAW_POST) {
        draw_cursor(ta, clip_area);
    }
    return LV_DESIGN_RES_OK;
}
