/* Labels: sizes, wrapping, long modes and the recolouring markup. */
#include "tests/gui/gui_fixture.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

lv_coord_t text_w(const char * t, const lv_font_t * f = &font_ui_15)
{
    return _lv_txt_get_width(t, static_cast<uint32_t>(strlen(t)), f, 0, LV_TXT_FLAG_NONE);
}

}

TEST_F(GuiTest, ExpandLabelTakesTheSizeOfItsText)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_obj_set_width(label, 815);
    lv_label_set_text(label, "Upgrade\nConfiguration");
    EXPECT_EQ(lv_obj_get_width(label), text_w("Configuration"));
    EXPECT_EQ(lv_obj_get_height(label), 2 * 15);
    lv_label_set_text(label, "");
    EXPECT_EQ(lv_obj_get_height(label), 15);
    EXPECT_EQ(lv_obj_get_width(label), 0);
}

TEST_F(GuiTest, BreakModeWrapsAtWordsInsideTheWidth)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_long_mode(label, LV_LABEL_LONG_BREAK);
    lv_coord_t w = static_cast<lv_coord_t>(text_w("alpha beta") + 2);
    lv_obj_set_size(label, w, 140);
    lv_label_set_text(label, "alpha beta gamma");
    EXPECT_EQ(lv_obj_get_width(label), w);
    EXPECT_EQ(lv_obj_get_height(label), 2 * 15); /* "alpha beta " / "gamma" */
    lv_point_t p;
    lv_label_get_letter_pos(label, 11, &p); /* the "g" of gamma starts line 2 */
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 15);
    /* A word longer than the width is broken between letters, not dropped. */
    lv_label_set_text(label, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
    EXPECT_GE(lv_obj_get_height(label), 2 * 15);
}

TEST_F(GuiTest, CjkTextWrapsBetweenIdeographs)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_long_mode(label, LV_LABEL_LONG_BREAK);
    lv_coord_t w = static_cast<lv_coord_t>(text_w("升级成功") + 1);
    lv_obj_set_width(label, w);
    lv_label_set_text(label, "升级成功升级成功升级");
    EXPECT_EQ(lv_obj_get_height(label), 3 * 15);
}

TEST_F(GuiTest, RecolourMarkupIsHiddenAndMalformedMarkupShownLiterally)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_recolor(label, true);
    lv_label_set_text(label, "via #ff0000 Ethernet#");
    EXPECT_EQ(lv_obj_get_width(label), text_w("via Ethernet"));
    const char * malformed[] = {"#ff00 x#", "#gg0000 x#", "#ff0000x#", "50# off", "#"};
    for(const char * t : malformed) {
        lv_label_set_text(label, t);
        EXPECT_EQ(lv_obj_get_width(label), text_w(t)) << t;
    }
    /* Without recolouring the markup is plain text. */
    lv_label_set_recolor(label, false);
    lv_label_set_text(label, "#ff0000 a#");
    EXPECT_EQ(lv_obj_get_width(label), text_w("#ff0000 a#"));
}

TEST_F(GuiTest, RecolourSpanIsDrawnInItsColour)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_recolor(label, true);
    lv_label_set_text(label, "II#ff0000 II#II");
    lv_obj_set_pos(label, 10, 10);
    render();
    int iw = text_w("II");
    /* Anti-aliased pixels keep their hue: grey for black text on white, red-tinted for red. */
    int black = 0, red = 0, other = 0;
    for(int y = 10; y < 25; y++) {
        for(int x = 10; x < 10 + 3 * iw; x++) {
            uint16_t p = px(x, y);
            if(p == 0xFFFF) continue;
            int r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            bool grey = std::abs(2 * r - g) <= 2 && std::abs(r - b) <= 1;
            bool reddish = r == 31 && g < 60 && std::abs(g - 2 * b) <= 2;
            bool mid = x >= 10 + iw && x < 10 + 2 * iw;
            if(grey && !mid) black++;
            else if(reddish && mid) red++;
            else other++;
        }
    }
    EXPECT_GT(black, 10);
    EXPECT_GT(red, 10);
    EXPECT_EQ(other, 0);
}

TEST_F(GuiTest, DotModeEndsAnOverflowingTextInDots)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_long_mode(label, LV_LABEL_LONG_DOT);
    lv_obj_set_size(label, static_cast<lv_coord_t>(text_w("abcdef")), 15);
    lv_label_set_text(label, "abcdefghijkl");
    auto * ext = static_cast<lv_label_ext_t *>(label->ext_attr);
    EXPECT_EQ(ext->shown.substr(ext->shown.size() - 3), "...");
    EXPECT_LE(text_w(ext->shown.c_str()), text_w("abcdef"));
    EXPECT_STREQ(lv_label_get_text(label), "abcdefghijkl");
    /* A text that fits is unchanged: the step badge's number. */
    lv_obj_set_size(label, 42, 35);
    lv_label_set_text(label, "1");
    EXPECT_EQ(ext->shown, "1");
    EXPECT_EQ(lv_obj_get_width(label), 42);
}

TEST_F(GuiTest, InvalidUtf8AndUnknownLettersDoNotBreakLayout)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_text(label, "a\xE4\xB8 \xFF\xC3\x28z\xF0\x9F\x98\x80");
    render();
    EXPECT_GT(lv_obj_get_width(label), 0);
    EXPECT_EQ(_lv_txt_get_encoded_length("a\xE4\xB8"), 3u);
    lv_label_set_text_fmt(label, "%s Found", "Korvalen");
    EXPECT_STREQ(lv_label_get_text(label), "Korvalen Found");
}
