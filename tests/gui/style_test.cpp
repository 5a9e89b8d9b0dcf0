/* Style resolution per state, precedence, local properties and inheritance. */
#include "tests/gui/gui_fixture.h"

namespace {

/* The configurator's button style. */
void make_button_style(lv_style_t * s)
{
    lv_style_init(s);
    lv_style_set_text_font(s, LV_STATE_DEFAULT, &font_ui_19);
    const lv_state_t states[] = {LV_STATE_DEFAULT, LV_STATE_PRESSED, LV_STATE_CHECKED, LV_STATE_DISABLED};
    for(lv_state_t st : states) lv_style_set_bg_color(s, st, lv_color_from_565(0x44FF));
    lv_style_set_bg_opa(s, LV_STATE_DEFAULT, 255);
    lv_style_set_bg_opa(s, LV_STATE_PRESSED, 127);
    lv_style_set_bg_opa(s, LV_STATE_CHECKED, 127);
    lv_style_set_bg_opa(s, LV_STATE_DISABLED, 127);
    lv_style_set_radius(s, LV_STATE_DEFAULT, 7);
    lv_style_set_border_width(s, LV_STATE_DEFAULT, 0);
}

struct state_case {
    lv_state_t state;
    lv_opa_t opa;
};

}

TEST_F(GuiTest, ButtonStyleResolvesPerState)
{
    static lv_style_t style;
    make_button_style(&style);
    lv_obj_t * btn = lv_btn_create(lv_scr_act(), nullptr);
    lv_obj_add_style(btn, LV_BTN_PART_MAIN, &style);
    const state_case cases[] = {
        {LV_STATE_DEFAULT, 255},
        {LV_STATE_PRESSED, 127},
        {LV_STATE_CHECKED, 127},
        {LV_STATE_DISABLED, 127},
        {LV_STATE_CHECKED | LV_STATE_PRESSED, 127},
        {LV_STATE_FOCUSED, 255}, /* no entry for focused: the default one applies */
    };
    for(const state_case & c : cases) {
        lv_obj_set_state(btn, c.state);
        EXPECT_EQ(lv_obj_get_style_bg_opa(btn, LV_BTN_PART_MAIN), c.opa) << "state " << int(c.state);
        EXPECT_EQ(lv_obj_get_style_bg_color(btn, LV_BTN_PART_MAIN).full, 0x44FF);
        EXPECT_EQ(lv_obj_get_style_radius(btn, LV_BTN_PART_MAIN), 7);
        EXPECT_EQ(lv_obj_get_style_border_width(btn, LV_BTN_PART_MAIN), 0);
    }
    EXPECT_EQ(lv_obj_get_style_text_font(btn, LV_BTN_PART_MAIN), &font_ui_19);
}

TEST_F(GuiTest, ColoursConvertTo565ByTruncation)
{
    EXPECT_EQ(lv_color_hex(0x6B9E94).full, 0x6CF2);
    EXPECT_EQ(lv_color_hex(0x429EFF).full, 0x44FF);
    EXPECT_EQ(LV_COLOR_MAKE(0xFF, 0x00, 0x00).full, 0xF800);
    EXPECT_EQ(LV_COLOR_WHITE.full, 0xFFFF);
    EXPECT_EQ(lv_color_mix(LV_COLOR_BLACK, LV_COLOR_WHITE, 255).full, 0x0000);
    EXPECT_EQ(lv_color_mix(LV_COLOR_BLACK, LV_COLOR_WHITE, 0).full, 0xFFFF);
    /* Half black over white: 31*128/255 ~ 16 of 31 red, 32 of 63 green. */
    EXPECT_EQ(lv_color_mix(LV_COLOR_BLACK, LV_COLOR_WHITE, 127).full, (16 << 11) | (32 << 5) | 16);
}

TEST_F(GuiTest, LocalPropertyBeatsAddedStylesAndLaterStylesBeatEarlierOnes)
{
    static lv_style_t a, b;
    lv_style_init(&a);
    lv_style_init(&b);
    lv_style_set_text_color(&a, LV_STATE_DEFAULT, LV_COLOR_BLUE);
    lv_style_set_text_color(&b, LV_STATE_DEFAULT, LV_COLOR_GREEN);
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_obj_add_style(label, LV_LABEL_PART_MAIN, &a);
    lv_obj_add_style(label, LV_LABEL_PART_MAIN, &b);
    EXPECT_EQ(lv_obj_get_style_text_color(label, LV_LABEL_PART_MAIN).full, LV_COLOR_GREEN.full);
    lv_obj_set_style_local_text_color(label, LV_LABEL_PART_MAIN, LV_STATE_DEFAULT, lv_color_from_565(0xF800));
    EXPECT_EQ(lv_obj_get_style_text_color(label, LV_LABEL_PART_MAIN).full, 0xF800);
    /* A style entry for exactly the object's state wins over a local default entry. */
    lv_style_set_text_color(&a, LV_STATE_PRESSED, LV_COLOR_YELLOW);
    lv_obj_add_state(label, LV_STATE_PRESSED);
    EXPECT_EQ(lv_obj_get_style_text_color(label, LV_LABEL_PART_MAIN).full, LV_COLOR_YELLOW.full);
    lv_obj_reset_style_list(label, LV_LABEL_PART_MAIN);
    EXPECT_EQ(lv_obj_get_style_text_color(label, LV_LABEL_PART_MAIN).full, LV_COLOR_BLACK.full);
}

TEST_F(GuiTest, TextPropertiesAreInheritedButBoxPropertiesAreNot)
{
    static lv_style_t s;
    lv_style_init(&s);
    lv_style_set_text_font(&s, LV_STATE_DEFAULT, &font_ui_19);
    lv_style_set_bg_opa(&s, LV_STATE_DEFAULT, 127);
    lv_obj_t * parent = lv_obj_create(lv_scr_act(), nullptr);
    lv_obj_add_style(parent, LV_OBJ_PART_MAIN, &s);
    lv_obj_t * label = lv_label_create(parent, nullptr);
    EXPECT_EQ(lv_obj_get_style_text_font(label, LV_LABEL_PART_MAIN), &font_ui_19);
    EXPECT_EQ(lv_obj_get_style_bg_opa(label, LV_LABEL_PART_MAIN), LV_OPA_TRANSP);
    /* Changing the parent's font re-lays the child label out. */
    lv_label_set_text(label, "Hg");
    EXPECT_EQ(lv_obj_get_height(label), 19);
    lv_style_set_text_font(&s, LV_STATE_DEFAULT, &font_ui_15);
    lv_obj_report_style_mod(&s);
    EXPECT_EQ(lv_obj_get_height(label), 15);
}

TEST_F(GuiTest, StyleSettersOverwriteTheSameStateAndIgnoreAFullStyle)
{
    lv_style_t s;
    lv_style_init(&s);
    lv_style_set_radius(&s, LV_STATE_DEFAULT, 1);
    lv_style_set_radius(&s, LV_STATE_DEFAULT, 2);
    EXPECT_EQ(s.count, 1);
    for(int i = 0; i < LV_STYLE_MAX_PROPS + 5; i++) lv_style_set_pad_top(&s, static_cast<lv_state_t>(i), 3);
    EXPECT_EQ(s.count, LV_STYLE_MAX_PROPS);
    lv_style_value_t v;
    EXPECT_EQ(_lv_style_get(&s, LV_STYLE_RADIUS, LV_STATE_DEFAULT, &v), 0);
    EXPECT_EQ(v.num, 2);
}
