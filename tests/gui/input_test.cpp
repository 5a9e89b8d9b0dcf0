/* Pointer and keypad input: events, checkable buttons, disabled objects, click focus,
 * and objects deleted by their own event handlers. */
#include "tests/gui/gui_fixture.h"

#include <string>
#include <vector>

namespace {

std::vector<std::pair<lv_obj_t *, lv_event_t>> g_log;

void log_event(lv_obj_t * obj, lv_event_t e)
{
    if(e == LV_EVENT_PRESSING || e == LV_EVENT_DELETE) return;
    g_log.push_back({obj, e});
}

lv_obj_t * make_btn(lv_coord_t x, lv_coord_t y)
{
    lv_obj_t * btn = lv_btn_create(lv_scr_act(), nullptr);
    lv_obj_set_size(btn, 140, 35);
    lv_obj_set_pos(btn, x, y);
    lv_obj_t * l = lv_label_create(btn, nullptr);
    lv_label_set_text(l, "Upgrade");
    lv_obj_set_event_cb(btn, log_event);
    return btn;
}

std::vector<lv_event_t> events_of(lv_obj_t * obj)
{
    std::vector<lv_event_t> v;
    for(auto & e : g_log)
        if(e.first == obj) v.push_back(e.second);
    return v;
}

}

TEST_F(GuiTest, ClickOnAButtonLabelClicksTheButton)
{
    g_log.clear();
    lv_obj_t * btn = make_btn(100, 100);
    lv_obj_t * label = lv_obj_get_child(btn, nullptr);
    /* The label is centred by the button's layout. */
    EXPECT_EQ(lv_obj_get_x(label), 70 - lv_obj_get_width(label) / 2);
    click(170, 117);
    std::vector<lv_event_t> expect = {LV_EVENT_PRESSED, LV_EVENT_FOCUSED, LV_EVENT_SHORT_CLICKED, LV_EVENT_CLICKED,
                                      LV_EVENT_RELEASED};
    EXPECT_EQ(events_of(btn), expect);
    EXPECT_FALSE(lv_obj_get_state(btn, 0) & LV_STATE_PRESSED);
}

TEST_F(GuiTest, ButtonIsPressedWhileHeldAndLongPressIsReported)
{
    g_log.clear();
    lv_obj_t * btn = make_btn(0, 0);
    ptr_point = {10, 10};
    ptr_pressed = true;
    run(100);
    EXPECT_TRUE(lv_obj_get_state(btn, 0) & LV_STATE_PRESSED);
    EXPECT_EQ(lv_btn_get_state(btn), LV_BTN_STATE_PRESSED);
    run(500);
    ptr_pressed = false;
    run(60);
    auto ev = events_of(btn);
    EXPECT_NE(std::find(ev.begin(), ev.end(), LV_EVENT_LONG_PRESSED), ev.end());
    EXPECT_EQ(std::find(ev.begin(), ev.end(), LV_EVENT_SHORT_CLICKED), ev.end());
    EXPECT_EQ(ev.back(), LV_EVENT_RELEASED);
}

TEST_F(GuiTest, CheckableButtonTogglesOnEveryClick)
{
    g_log.clear();
    lv_obj_t * btn = make_btn(0, 0);
    lv_btn_set_checkable(btn, true);
    click(10, 10);
    EXPECT_EQ(lv_btn_get_state(btn), LV_BTN_STATE_CHECKED_RELEASED);
    click(10, 10);
    EXPECT_EQ(lv_btn_get_state(btn), LV_BTN_STATE_RELEASED);
    auto ev = events_of(btn);
    EXPECT_EQ(std::count(ev.begin(), ev.end(), LV_EVENT_VALUE_CHANGED), 2);
}

TEST_F(GuiTest, DisabledButtonGetsNoEventsUntilReleasedAgain)
{
    g_log.clear();
    lv_obj_t * btn = make_btn(0, 0);
    lv_btn_set_state(btn, LV_BTN_STATE_DISABLED);
    click(10, 10);
    EXPECT_TRUE(events_of(btn).empty());
    lv_btn_set_state(btn, LV_BTN_STATE_RELEASED);
    click(10, 10);
    auto ev = events_of(btn);
    EXPECT_NE(std::find(ev.begin(), ev.end(), LV_EVENT_CLICKED), ev.end());
}

namespace {
int g_rebuilds = 0;
void rebuild_screen(lv_obj_t * obj, lv_event_t e);
void build(lv_obj_t * scr)
{
    lv_obj_t * screen = lv_obj_create(scr, nullptr);
    lv_obj_set_size(screen, 900, 560);
    lv_obj_t * btn = lv_btn_create(screen, nullptr);
    lv_obj_set_size(btn, 84, 35);
    lv_obj_set_event_cb(btn, rebuild_screen);
}
/* As the language buttons do: delete the screen (the clicked button's parent) and rebuild. */
void rebuild_screen(lv_obj_t * obj, lv_event_t e)
{
    if(e != LV_EVENT_CLICKED) return;
    lv_obj_t * scr = lv_obj_get_parent(lv_obj_get_parent(obj));
    lv_obj_del(lv_obj_get_parent(obj));
    g_rebuilds++;
    build(scr);
}
}

TEST_F(GuiTest, DeletingTheClickedObjectsScreenInItsHandlerIsSafe)
{
    g_rebuilds = 0;
    build(lv_scr_act());
    for(int i = 0; i < 3; i++) click(10, 10);
    EXPECT_EQ(g_rebuilds, 3);
    EXPECT_EQ(lv_obj_count_children_recursive(lv_scr_act()), 2);
}

namespace {
/* The settings screen's text-area handler: join the group on focus, leave it on leave. */
void ta_focus_handler(lv_obj_t * ta, lv_event_t e)
{
    lv_group_t * g = GuiTest::current->group;
    if(e == LV_EVENT_FOCUSED) {
        lv_group_add_obj(g, ta);
        lv_textarea_set_cursor_hidden(ta, false);
    } else if(e == LV_EVENT_LEAVE) {
        lv_group_remove_obj(ta);
        lv_textarea_set_cursor_hidden(ta, true);
    }
}

lv_obj_t * settings_ta(lv_coord_t y)
{
    lv_obj_t * ta = lv_textarea_create(lv_scr_act(), nullptr);
    lv_textarea_set_text(ta, "");
    lv_textarea_set_one_line(ta, true);
    lv_textarea_set_cursor_hidden(ta, true);
    lv_obj_set_size(ta, 300, 35);
    lv_obj_set_pos(ta, 0, y);
    lv_obj_set_event_cb(ta, ta_focus_handler);
    return ta;
}
}

TEST_F(GuiTest, OnlyTheLastClickedTextAreaReceivesKeys)
{
    lv_obj_t * ssid = settings_ta(0);
    lv_obj_t * pwd = settings_ta(100);
    lv_obj_t * btn = make_btn(500, 0);
    click(10, 10);
    EXPECT_EQ(lv_group_get_focused(group), ssid);
    EXPECT_FALSE(lv_textarea_get_cursor_hidden(ssid));
    key('a');
    click(10, 110);
    EXPECT_EQ(lv_group_get_focused(group), pwd);
    EXPECT_TRUE(lv_textarea_get_cursor_hidden(ssid));
    EXPECT_EQ(lv_obj_get_group(ssid), nullptr);
    key('b');
    click(510, 10);
    EXPECT_EQ(lv_group_get_focused(group), nullptr);
    key('c');
    EXPECT_STREQ(lv_textarea_get_text(ssid), "a");
    EXPECT_STREQ(lv_textarea_get_text(pwd), "b");
    (void)btn;
}

TEST_F(GuiTest, EnterOnAFocusedButtonClicksIt)
{
    g_log.clear();
    lv_obj_t * btn = make_btn(0, 0);
    lv_group_add_obj(group, btn);
    g_log.clear();
    key(LV_KEY_ENTER);
    auto ev = events_of(btn);
    EXPECT_NE(std::find(ev.begin(), ev.end(), LV_EVENT_PRESSED), ev.end());
    EXPECT_NE(std::find(ev.begin(), ev.end(), LV_EVENT_CLICKED), ev.end());
    EXPECT_NE(std::find(ev.begin(), ev.end(), LV_EVENT_KEY), ev.end());
}

TEST_F(GuiTest, SecondKeyWhileFirstHeldReleasesTheFirst)
{
    lv_obj_t * ta = settings_ta(0);
    lv_group_add_obj(group, ta);
    /* "a" pressed, then "b" pressed without a release report in between. */
    keys.push_back({'a', true});
    keys.push_back({'b', true});
    keys.push_back({'b', false});
    run(70);
    EXPECT_STREQ(lv_textarea_get_text(ta), "ab");
}

TEST_F(GuiTest, HeldKeyRepeatsAfterTheLongPressTime)
{
    lv_obj_t * ta = settings_ta(0);
    lv_group_add_obj(group, ta);
    keys.push_back({'x', true});
    run(LV_INDEV_DEF_LONG_PRESS_TIME + 5 * LV_INDEV_DEF_LONG_PRESS_REP_TIME);
    keys.push_back({'x', false});
    run(40);
    size_t n = strlen(lv_textarea_get_text(ta));
    EXPECT_GE(n, 3u);
    EXPECT_LE(n, 10u);
}
