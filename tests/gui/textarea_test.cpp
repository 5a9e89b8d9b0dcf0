/* Text areas: filters, limits, password mode, placeholder, keypad editing. */
#include "tests/gui/gui_fixture.h"

#include <string>

namespace {

constexpr const char * kBase64 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789=+/";

lv_obj_t * make_ta(lv_obj_t * parent)
{
    lv_obj_t * ta = lv_textarea_create(parent, nullptr);
    lv_textarea_set_text(ta, "");
    lv_textarea_set_one_line(ta, true);
    lv_obj_set_size(ta, 590, 35);
    return ta;
}

int g_changes = 0;
void count_changes(lv_obj_t *, lv_event_t e)
{
    if(e == LV_EVENT_VALUE_CHANGED) g_changes++;
}

}

struct filter_case {
    const char * accepted;
    uint32_t max;
    const char * input;
    const char * expect;
};

TEST_F(GuiTest, SetTextAppliesAcceptedCharactersAndLimit)
{
    std::string long_id(200, 'A');
    const filter_case cases[] = {
        {kBase64, 127, "QUJD+/==", "QUJD+/=="},
        {kBase64, 127, "QU JD$\"x\\y", "QUJDxy"},
        {kBase64, 127, long_id.c_str(), nullptr}, /* 127 A's */
        {"0123456789", 8, "1234567890", "12345678"},
        {"0123456789", 8, "12ab34", "1234"},
        {nullptr, 0, "any \"$\\ text", "any \"$\\ text"},
        {nullptr, 0, "line\nbreak", "linebreak"}, /* one-line: the break is dropped */
        {nullptr, 3, "中文字符", "中文字"},
    };
    for(const filter_case & c : cases) {
        lv_obj_t * ta = make_ta(lv_scr_act());
        lv_textarea_set_accepted_chars(ta, c.accepted);
        lv_textarea_set_max_length(ta, c.max);
        lv_textarea_set_text(ta, c.input);
        std::string expect = c.expect ? c.expect : std::string(127, 'A');
        EXPECT_EQ(lv_textarea_get_text(ta), expect) << c.input;
        EXPECT_EQ(lv_textarea_get_cursor_pos(ta), _lv_txt_get_encoded_length(expect.c_str()));
    }
}

TEST_F(GuiTest, AddCharRefusesBeyondTheLimitAndReportsChanges)
{
    g_changes = 0;
    lv_obj_t * ta = make_ta(lv_scr_act());
    lv_obj_set_event_cb(ta, count_changes);
    lv_textarea_set_accepted_chars(ta, "0123456789");
    lv_textarea_set_max_length(ta, 8);
    for(char c : std::string("12345678x9")) lv_textarea_add_char(ta, static_cast<uint8_t>(c));
    EXPECT_STREQ(lv_textarea_get_text(ta), "12345678");
    EXPECT_EQ(g_changes, 8);
}

TEST_F(GuiTest, PasswordModeShowsBulletsAfterTheShowTime)
{
    lv_obj_t * ta = make_ta(lv_scr_act());
    lv_textarea_set_pwd_mode(ta, true);
    lv_textarea_set_text(ta, "secret");
    lv_obj_t * label = lv_textarea_get_label(ta);
    /* The fonts have no bullet, so the stars stand in. */
    EXPECT_STREQ(lv_label_get_text(label), "secret");
    run(LV_TEXTAREA_DEF_PWD_SHOW_TIME + 50);
    EXPECT_STREQ(lv_label_get_text(label), "******");
    lv_textarea_add_char(ta, 'x');
    EXPECT_STREQ(lv_label_get_text(label), "******x");
    run(LV_TEXTAREA_DEF_PWD_SHOW_TIME + 50);
    EXPECT_STREQ(lv_label_get_text(label), "*******");
    EXPECT_STREQ(lv_textarea_get_text(ta), "secretx");
    lv_textarea_set_pwd_mode(ta, false);
    EXPECT_STREQ(lv_label_get_text(label), "secretx");
}

TEST_F(GuiTest, OneLineModeSizesTheAreaToOneLine)
{
    static lv_style_t s;
    lv_style_init(&s);
    lv_style_set_text_font(&s, LV_STATE_DEFAULT, &font_ui_19);
    lv_style_set_pad_top(&s, LV_STATE_DEFAULT, 10);
    lv_style_set_pad_bottom(&s, LV_STATE_DEFAULT, 10);
    lv_obj_t * ta = lv_textarea_create(lv_scr_act(), nullptr);
    lv_obj_add_style(ta, LV_TEXTAREA_PART_BG, &s);
    lv_textarea_set_one_line(ta, true);
    EXPECT_EQ(lv_obj_get_height(ta), 19 + 20);
    lv_obj_t * label = lv_textarea_get_label(ta);
    EXPECT_EQ(lv_obj_get_y(label), 10);
}

TEST_F(GuiTest, KeypadKeysEditTheFocusedTextArea)
{
    lv_obj_t * ta = make_ta(lv_scr_act());
    lv_textarea_set_text(ta, "abc");
    lv_group_add_obj(group, ta);
    ASSERT_EQ(lv_group_get_focused(group), ta);
    struct step {
        uint32_t key;
        const char * text;
        uint32_t cursor;
    } steps[] = {
        {LV_KEY_LEFT, "abc", 2},      {'X', "abXc", 3},     {LV_KEY_HOME, "abXc", 0}, {LV_KEY_DEL, "bXc", 0},
        {LV_KEY_BACKSPACE, "bXc", 0}, {LV_KEY_END, "bXc", 3}, {LV_KEY_BACKSPACE, "bX", 2},
        {LV_KEY_RIGHT, "bX", 2},      {LV_KEY_ENTER, "bX", 2}, {LV_KEY_ESC, "bX", 2},  {'@', "bX@", 3},
    };
    for(const step & s : steps) {
        key(s.key);
        EXPECT_STREQ(lv_textarea_get_text(ta), s.text) << "key " << s.key;
        EXPECT_EQ(lv_textarea_get_cursor_pos(ta), s.cursor) << "key " << s.key;
    }
}

TEST_F(GuiTest, PlaceholderIsDrawnOnlyWhileTheTextIsEmpty)
{
    lv_obj_t * ta = make_ta(lv_scr_act());
    lv_textarea_set_cursor_hidden(ta, true);
    lv_textarea_set_placeholder_text(ta, "WIFI account");
    lv_obj_set_style_local_text_color(ta, LV_TEXTAREA_PART_PLACEHOLDER, LV_STATE_DEFAULT, LV_COLOR_RED);
    auto count_red = [&] {
        render();
        int n = 0;
        for(int y = 0; y < 35; y++)
            for(int x = 0; x < 590; x++) {
                uint16_t c = px(x, y);  // strongly red: full red, little green and blue
                n += (c >> 11) == 31 && ((c >> 5) & 63) < 40 && (c & 31) < 20;
            }
        return n;
    };
    EXPECT_GT(count_red(), 20);
    lv_textarea_set_text(ta, "x");
    EXPECT_EQ(count_red(), 0);
    EXPECT_STREQ(lv_textarea_get_placeholder_text(ta), "WIFI account");
}

TEST_F(GuiTest, LongOneLineTextScrollsToKeepTheCursorVisible)
{
    lv_obj_t * ta = make_ta(lv_scr_act());
    lv_obj_set_width(ta, 100);
    lv_textarea_set_text(ta, "a fairly long network name that does not fit");
    lv_obj_t * label = lv_textarea_get_label(ta);
    lv_point_t p;
    lv_label_get_letter_pos(label, lv_textarea_get_cursor_pos(ta), &p);
    lv_coord_t cursor_x = static_cast<lv_coord_t>(label->coords.x1 + p.x);
    EXPECT_GE(cursor_x, ta->coords.x1);
    EXPECT_LE(cursor_x, ta->coords.x2);
    lv_textarea_set_cursor_pos(ta, 0);
    EXPECT_EQ(label->coords.x1, ta->coords.x1 + lv_obj_get_style_pad_left(ta, 0));
}
