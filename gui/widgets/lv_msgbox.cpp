/* Message boxes. */
#include "gui/widgets/lv_msgbox.h"

#include "gui/misc/lv_anim.h"
#include "gui/themes/lv_theme.h"
#include "gui/widgets/lv_btn.h"
#include "gui/widgets/lv_label.h"

#include <cstdarg>
#include <cstdio>
#include <string>

static lv_res_t lv_msgbox_signal(lv_obj_t * mbox, lv_signal_t sign, void * param);

/**********************
 *   STATIC FUNCTIONS
 **********************/
static lv_msgbox_ext_t * ext_of(const lv_obj_t * mbox)
{
    return static_cast<lv_msgbox_ext_t *>(mbox->ext_attr);
}

static lv_coord_t btn_height(const lv_obj_t * mbox)
{
    const lv_font_t * font = lv_obj_get_style_text_font(mbox, LV_MSGBOX_PART_BG);
    return static_cast<lv_coord_t>(font->line_height + 16);
}

/* Places the buttons in rows of equal widths; returns the height they take. */
static lv_coord_t layout_btns(lv_obj_t * mbox, lv_coord_t width)
{
    lv_msgbox_ext_t * ext = ext_of(mbox);
    if(ext->btns.empty()) return 0;
    lv_coord_t inner = lv_obj_get_style_pad_inner(ext->btnm, LV_OBJ_PART_MAIN);
    lv_coord_t bh = btn_height(mbox);
    std::vector<std::vector<lv_obj_t *>> rows(1);
    size_t b = 0;
    for(size_t i = 0; ext->btn_map[i][0] != '\0'; i++) {
        if(ext->btn_map[i][0] == '\n' && ext->btn_map[i][1] == '\0') rows.emplace_back();
        else rows.back().push_back(ext->btns[b++]);
    }
    lv_coord_t y = 0;
    for(auto & row : rows) {
        int32_t n = static_cast<int32_t>(row.size());
        if(n == 0) continue;
        int32_t w = (width - (n - 1) * inner) / n;
        for(int32_t k = 0; k < n; k++) {
            lv_obj_set_size(row[k], static_cast<lv_coord_t>(w), bh);
            lv_obj_set_pos(row[k], static_cast<lv_coord_t>(k * (w + inner)), y);
        }
        y = static_cast<lv_coord_t>(y + bh + inner);
    }
    return static_cast<lv_coord_t>(y - inner);
}

static void layout(lv_obj_t * mbox)
{
    lv_msgbox_ext_t * ext = ext_of(mbox);
    if(ext == nullptr || ext->label == nullptr || ext->in_layout) return;
    ext->in_layout = true;
    lv_coord_t pl = lv_obj_get_style_pad_left(mbox, 0), pr = lv_obj_get_style_pad_right(mbox, 0);
    lv_coord_t pt = lv_obj_get_style_pad_top(mbox, 0), pb = lv_obj_get_style_pad_bottom(mbox, 0);
    lv_coord_t inner = lv_obj_get_style_pad_inner(mbox, 0);
    lv_coord_t cw = static_cast<lv_coord_t>(lv_obj_get_width(mbox) - pl - pr);
    lv_obj_set_width(ext->label, cw);
    lv_obj_set_pos(ext->label, pl, pt);
    lv_coord_t h = static_cast<lv_coord_t>(pt + lv_obj_get_height(ext->label));
    lv_coord_t bh = layout_btns(mbox, cw);
    if(bh > 0) {
        lv_obj_set_size(ext->btnm, cw, bh);
        lv_obj_set_pos(ext->btnm, pl, static_cast<lv_coord_t>(h + inner));
        h = static_cast<lv_coord_t>(h + inner + bh);
    }
    lv_obj_set_hidden(ext->btnm, bh == 0);
    lv_obj_set_height(mbox, static_cast<lv_coord_t>(h + pb));
    ext->in_layout = false;
}

static lv_res_t btn_signal(lv_obj_t * btn, lv_signal_t sign, void * param)
{
    if(lv_btn_signal(btn, sign, param) != LV_RES_OK) return LV_RES_INV;
    if(sign != LV_SIGNAL_RELEASED) return LV_RES_OK;
    lv_obj_t * mbox = btn->parent->parent;
    lv_msgbox_ext_t * ext = ext_of(mbox);
    uint32_t id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(btn->user_data));
    ext->active_btn = static_cast<uint16_t>(id);
    return lv_event_send(mbox, LV_EVENT_VALUE_CHANGED, &id);
}

static void auto_close_ready(lv_anim_t * a)
{
    lv_obj_del(static_cast<lv_obj_t *>(a->var));
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
lv_obj_t * lv_msgbox_create(lv_obj_t * par, const lv_obj_t * copy)
{
    lv_obj_t * mbox = lv_obj_create(par, nullptr);
    if(mbox == nullptr) return nullptr;
    auto * ext = new lv_msgbox_ext_t{nullptr, nullptr, {}, nullptr, LV_BTNMATRIX_BTN_NONE, false};
    mbox->ext_attr = ext;
    mbox->signal_cb = lv_msgbox_signal;
    _lv_theme_apply(mbox, LV_THEME_MSGBOX);
    ext->btnm = lv_obj_create(mbox, nullptr);
    _lv_theme_apply(ext->btnm, LV_THEME_MSGBOX_BTNS);
    lv_obj_set_click(ext->btnm, false);
    ext->label = lv_label_create(mbox, nullptr);
    lv_label_set_long_mode(ext->label, LV_LABEL_LONG_BREAK);
    lv_label_set_align(ext->label, LV_LABEL_ALIGN_CENTER);
    lv_obj_set_width(mbox, static_cast<lv_coord_t>(lv_obj_get_width(par) / 2));
    lv_msgbox_set_text(mbox, copy ? lv_msgbox_get_text(copy) : "Message");
    if(copy && ext_of(copy)->btn_map) lv_msgbox_add_btns(mbox, ext_of(copy)->btn_map);
    return mbox;
}

void lv_msgbox_add_btns(lv_obj_t * mbox, const char * btn_map[])
{
    lv_msgbox_ext_t * ext = ext_of(mbox);
    lv_obj_clean(ext->btnm);
    ext->btns.clear();
    ext->btn_map = btn_map;
    uintptr_t id = 0;
    for(size_t i = 0; btn_map && btn_map[i][0] != '\0'; i++) {
        if(btn_map[i][0] == '\n' && btn_map[i][1] == '\0') continue;
        lv_obj_t * btn = lv_btn_create(ext->btnm, nullptr);
        _lv_theme_apply(btn, LV_THEME_MSGBOX_BTN);
        btn->signal_cb = btn_signal;
        btn->user_data = reinterpret_cast<void *>(id++);
        lv_obj_t * l = lv_label_create(btn, nullptr);
        lv_label_set_text(l, btn_map[i]);
        ext->btns.push_back(btn);
    }
    layout(mbox);
}

void lv_msgbox_set_text(lv_obj_t * mbox, const char * txt)
{
    lv_label_set_text(ext_of(mbox)->label, txt);
    layout(mbox);
}

void lv_msgbox_set_text_fmt(lv_obj_t * mbox, const char * fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    char buf[512];
    vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    lv_msgbox_set_text(mbox, buf);
}

void lv_msgbox_set_anim_time(lv_obj_t * mbox, uint16_t anim_time)
{
    (void)mbox;
    (void)anim_time;
}

void lv_msgbox_start_auto_close(lv_obj_t * mbox, uint16_t delay)
{
    lv_anim_t a;
    lv_anim_init(&a);
    lv_anim_set_var(&a, mbox);
    lv_anim_set_time(&a, 0);
    lv_anim_set_delay(&a, delay);
    lv_anim_set_ready_cb(&a, auto_close_ready);
    lv_anim_start(&a);
}

void lv_msgbox_stop_auto_close(lv_obj_t * mbox)
{
    lv_anim_del(mbox, nullptr);
}

const char * lv_msgbox_get_text(const lv_obj_t * mbox)
{
    return lv_label_get_text(ext_of(mbox)->label);
}

uint16_t lv_msgbox_get_active_btn(lv_obj_t * mbox)
{
    return ext_of(mbox)->active_btn;
}

const char * lv_msgbox_get_active_btn_text(lv_obj_t * mbox)
{
    lv_msgbox_ext_t * ext = ext_of(mbox);
    if(ext->active_btn >= ext->btns.size()) return nullptr;
    return lv_label_get_text(lv_obj_get_child(ext->btns[ext->active_btn], nullptr));
}

lv_obj_t * lv_msgbox_get_btnmatrix(lv_obj_t * mbox)
{
    return ext_of(mbox)->btnm;
}

static lv_res_t lv_msgbox_signal(lv_obj_t * mbox, lv_signal_t sign, void * param)
{
    if(lv_obj_signal(mbox, sign, param) != LV_RES_OK) return LV_RES_INV;
    lv_msgbox_ext_t * ext = ext_of(mbox);
    if(ext == nullptr) return LV_RES_OK;
    if(sign == LV_SIGNAL_CLEANUP) {
        delete ext;
        mbox->ext_attr = nullptr;
    } else if(sign == LV_SIGNAL_STYLE_CHG || sign == LV_SIGNAL_CHILD_CHG) {
        layout(mbox);
    } else if(sign == LV_SIGNAL_COORD_CHG) {
        const auto * old = static_cast<const lv_area_t *>(param);
        if(lv_area_get_width(old) != lv_obj_get_width(mbox)) layout(mbox);
    }
    return LV_RES_OK;
}
