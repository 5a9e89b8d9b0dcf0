/* The default theme's styles and where they go. */
#include "gui/themes/lv_theme.h"

#include "gui/core/lv_style.h"

/**********************
 *  STATIC VARIABLES
 **********************/
namespace {
struct theme_styles {
    lv_style_t scr, panel, btn, ta, ta_cursor, ta_placeholder, bar_bg, bar_indic, mbox, transp;
};
theme_styles g_th;

constexpr lv_color_t kBorder = lv_color_hex(0xd6dde3);
constexpr lv_color_t kText = lv_color_hex(0x000000);
constexpr lv_color_t kGrey = lv_color_hex(0xa0a0a0);
}

/* The text-area and bar parts are numbered by their widgets; repeated here to keep the theme
 * free of widget headers. */
enum { PART_MAIN = 0, PART_SECOND = 1, PART_THIRD = 2, PART_FOURTH = 3 };

/**********************
 *   STATIC FUNCTIONS
 **********************/
static void init_basic(void)
{
    lv_style_init(&g_th.scr);
    lv_style_set_bg_color(&g_th.scr, LV_STATE_DEFAULT, LV_COLOR_WHITE);
    lv_style_set_bg_opa(&g_th.scr, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_text_color(&g_th.scr, LV_STATE_DEFAULT, kText);

    lv_style_init(&g_th.panel);
    lv_style_set_bg_color(&g_th.panel, LV_STATE_DEFAULT, LV_COLOR_WHITE);
    lv_style_set_bg_opa(&g_th.panel, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_border_color(&g_th.panel, LV_STATE_DEFAULT, kBorder);
    lv_style_set_border_width(&g_th.panel, LV_STATE_DEFAULT, 1);
    lv_style_set_radius(&g_th.panel, LV_STATE_DEFAULT, 4);

    lv_style_init(&g_th.transp);
    lv_style_set_bg_opa(&g_th.transp, LV_STATE_DEFAULT, LV_OPA_TRANSP);
    lv_style_set_border_width(&g_th.transp, LV_STATE_DEFAULT, 0);
    lv_style_set_pad_inner(&g_th.transp, LV_STATE_DEFAULT, 10);
}

static void init_btn(void)
{
    lv_style_t * s = &g_th.btn;
    lv_style_init(s);
    lv_style_set_bg_color(s, LV_STATE_DEFAULT, LV_THEME_DEFAULT_COLOR_PRIMARY);
    lv_style_set_bg_color(s, LV_STATE_PRESSED, lv_color_hex(0x01818d));
    lv_style_set_bg_color(s, LV_STATE_CHECKED, lv_color_hex(0x016a74));
    lv_style_set_bg_color(s, LV_STATE_DISABLED, lv_color_hex(0xc0c0c0));
    lv_style_set_bg_opa(s, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_radius(s, LV_STATE_DEFAULT, 4);
    lv_style_set_text_color(s, LV_STATE_DEFAULT, LV_COLOR_WHITE);
    lv_style_set_text_color(s, LV_STATE_DISABLED, lv_color_hex(0x808080));
    lv_style_set_pad_all(s, LV_STATE_DEFAULT, 8);
    lv_style_set_pad_inner(s, LV_STATE_DEFAULT, 8);
}

static void init_ta(void)
{
    lv_style_t * s = &g_th.ta;
    lv_style_init(s);
    lv_style_set_bg_color(s, LV_STATE_DEFAULT, LV_COLOR_WHITE);
    lv_style_set_bg_opa(s, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_border_color(s, LV_STATE_DEFAULT, kBorder);
    lv_style_set_border_color(s, LV_STATE_FOCUSED, LV_THEME_DEFAULT_COLOR_PRIMARY);
    lv_style_set_border_width(s, LV_STATE_DEFAULT, 2);
    lv_style_set_radius(s, LV_STATE_DEFAULT, 4);
    lv_style_set_pad_all(s, LV_STATE_DEFAULT, 8);

    lv_style_init(&g_th.ta_cursor);
    lv_style_set_border_color(&g_th.ta_cursor, LV_STATE_DEFAULT, kText);
    lv_style_set_border_width(&g_th.ta_cursor, LV_STATE_DEFAULT, 2);
    lv_style_set_border_side(&g_th.ta_cursor, LV_STATE_DEFAULT, LV_BORDER_SIDE_LEFT);

    lv_style_init(&g_th.ta_placeholder);
    lv_style_set_text_color(&g_th.ta_placeholder, LV_STATE_DEFAULT, kGrey);
}

static void init_bar_mbox(void)
{
    lv_style_init(&g_th.bar_bg);
    lv_style_set_bg_color(&g_th.bar_bg, LV_STATE_DEFAULT, kBorder);
    lv_style_set_bg_opa(&g_th.bar_bg, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_radius(&g_th.bar_bg, LV_STATE_DEFAULT, LV_RADIUS_CIRCLE);

    lv_style_init(&g_th.bar_indic);
    lv_style_set_bg_color(&g_th.bar_indic, LV_STATE_DEFAULT, LV_THEME_DEFAULT_COLOR_PRIMARY);
    lv_style_set_bg_opa(&g_th.bar_indic, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_radius(&g_th.bar_indic, LV_STATE_DEFAULT, LV_RADIUS_CIRCLE);

    lv_style_init(&g_th.mbox);
    lv_style_set_bg_color(&g_th.mbox, LV_STATE_DEFAULT, LV_COLOR_WHITE);
    lv_style_set_bg_opa(&g_th.mbox, LV_STATE_DEFAULT, LV_OPA_COVER);
    lv_style_set_border_color(&g_th.mbox, LV_STATE_DEFAULT, kBorder);
    lv_style_set_border_width(&g_th.mbox, LV_STATE_DEFAULT, 1);
    lv_style_set_radius(&g_th.mbox, LV_STATE_DEFAULT, 4);
    lv_style_set_pad_all(&g_th.mbox, LV_STATE_DEFAULT, 16);
    lv_style_set_pad_inner(&g_th.mbox, LV_STATE_DEFAULT, 16);
}

static void add(lv_obj_t * obj, uint8_t part, lv_style_t * s)
{
    lv_style_list_t * l = lv_obj_get_style_list(obj, part);
    l->styles.insert(l->styles.begin(), s);
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void _lv_theme_init(void)
{
    init_basic();
    init_btn();
    init_ta();
    init_bar_mbox();
}

void _lv_theme_apply(lv_obj_t * obj, lv_theme_style_t name)
{
    for(uint8_t p = 0; p < _LV_OBJ_PART_SLOTS; p++) lv_obj_clean_style_list(obj, p);
    switch(name) {
        case LV_THEME_SCR: add(obj, PART_MAIN, &g_th.scr); break;
        case LV_THEME_OBJ: add(obj, PART_MAIN, &g_th.panel); break;
        case LV_THEME_BTN:
        case LV_THEME_MSGBOX_BTN: add(obj, PART_MAIN, &g_th.btn); break;
        case LV_THEME_TEXTAREA:
            add(obj, PART_MAIN, &g_th.ta);
            add(obj, PART_THIRD, &g_th.ta_cursor);
            add(obj, PART_FOURTH, &g_th.ta_placeholder);
            break;
        case LV_THEME_BAR:
            add(obj, PART_MAIN, &g_th.bar_bg);
            add(obj, PART_SECOND, &g_th.bar_indic);
            break;
        case LV_THEME_MSGBOX: add(obj, PART_MAIN, &g_th.mbox); break;
        case LV_THEME_MSGBOX_BTNS: add(obj, PART_MAIN, &g_th.transp); break;
        default: break;
    }
    lv_obj_refresh_style(obj, LV_OBJ_PART_MAIN, 0xFF);
}
