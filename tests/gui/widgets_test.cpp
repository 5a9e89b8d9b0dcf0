/* Message boxes and bars. */
#include "tests/gui/gui_fixture.h"

namespace {

const char * g_btn_map[] = {"Confirmed", ""};
int g_value_changed = 0;
uint32_t g_btn_id = 99;
bool g_deleted = false;
lv_task_t * g_close_task = nullptr;

void close_task(lv_task_t * t)
{
    lv_msgbox_start_auto_close(static_cast<lv_obj_t *>(t->user_data), 0);
    g_close_task = nullptr;
}

void mbox_event(lv_obj_t *, lv_event_t e)
{
    if(e == LV_EVENT_DELETE) g_deleted = true;
    if(e != LV_EVENT_VALUE_CHANGED) return;
    g_value_changed++;
    g_btn_id = *static_cast<const uint32_t *>(lv_event_get_data());
    if(g_close_task) lv_task_ready(g_close_task);
}

/* The configurator's message box: an overlay, a 200 wide centred box, a 3 s close task. */
lv_obj_t * show_msgbox(const char * text)
{
    g_value_changed = 0;
    g_btn_id = 99;
    g_deleted = false;
    lv_obj_t * overlay = lv_obj_create(lv_scr_act(), nullptr);
    lv_obj_set_size(overlay, 900, 560);
    lv_obj_t * mbox = lv_msgbox_create(overlay, nullptr);
    lv_msgbox_set_text(mbox, text);
    lv_msgbox_add_btns(mbox, g_btn_map);
    lv_obj_set_width(mbox, 200);
    lv_obj_align(mbox, nullptr, LV_ALIGN_CENTER, 0, 0);
    lv_obj_set_event_cb(mbox, mbox_event);
    g_close_task = lv_task_create(close_task, 3000, LV_TASK_PRIO_MID, mbox);
    lv_task_set_repeat_count(g_close_task, 1);
    return mbox;
}

}

TEST_F(GuiTest, MessageBoxIsCentredAndSizedByItsContent)
{
    lv_obj_t * mbox = show_msgbox("Configuration saved successfully");
    EXPECT_EQ(lv_obj_get_width(mbox), 200);
    lv_coord_t h = lv_obj_get_height(mbox);
    EXPECT_GT(h, 2 * 15 + 30);
    EXPECT_EQ(mbox->coords.x1, 450 - 100);
    EXPECT_EQ(mbox->coords.y1, 280 - h / 2);
    EXPECT_STREQ(lv_msgbox_get_text(mbox), "Configuration saved successfully");
}

TEST_F(GuiTest, MessageBoxButtonClosesItAtOnce)
{
    lv_obj_t * mbox = show_msgbox("Upgrade success");
    lv_obj_t * btn = static_cast<lv_msgbox_ext_t *>(mbox->ext_attr)->btns.at(0);
    lv_coord_t x = static_cast<lv_coord_t>((btn->coords.x1 + btn->coords.x2) / 2);
    lv_coord_t y = static_cast<lv_coord_t>((btn->coords.y1 + btn->coords.y2) / 2);
    click(x, y);
    EXPECT_EQ(g_value_changed, 1);
    EXPECT_EQ(g_btn_id, 0u);
    EXPECT_TRUE(g_deleted);
}

TEST_F(GuiTest, MessageBoxClosesByItselfAfterThreeSeconds)
{
    show_msgbox("Upgrade success");
    run(2950);
    EXPECT_FALSE(g_deleted);
    run(100);
    EXPECT_TRUE(g_deleted);
    EXPECT_EQ(g_value_changed, 0);
}

TEST_F(GuiTest, AutoCloseWithADelayDeletesOnlyAfterIt)
{
    g_deleted = false;
    lv_obj_t * mbox = lv_msgbox_create(lv_scr_act(), nullptr);
    lv_obj_set_event_cb(mbox, mbox_event);
    lv_msgbox_start_auto_close(mbox, 500);
    run(450);
    EXPECT_FALSE(g_deleted);
    run(100);
    EXPECT_TRUE(g_deleted);
}

TEST_F(GuiTest, BarAnimatesToANewValue)
{
    lv_obj_t * bar = lv_bar_create(lv_scr_act(), nullptr);
    lv_obj_set_size(bar, 590, 17);
    lv_bar_set_anim_time(bar, 100);
    lv_bar_set_value(bar, 0, LV_ANIM_OFF);
    lv_bar_set_value(bar, 99, LV_ANIM_ON);
    EXPECT_EQ(lv_bar_get_value(bar), 99);
    EXPECT_EQ(lv_bar_get_drawn_value(bar), 0);
    run(60);
    int16_t mid = lv_bar_get_drawn_value(bar);
    EXPECT_GT(mid, 0);
    EXPECT_LT(mid, 99);
    run(100);
    EXPECT_EQ(lv_bar_get_drawn_value(bar), 99);
    lv_bar_set_value(bar, 250, LV_ANIM_OFF);
    EXPECT_EQ(lv_bar_get_value(bar), 100);
    EXPECT_EQ(lv_bar_get_drawn_value(bar), 100);
}

TEST_F(GuiTest, BarIndicatorFillsItsShareOfTheWidth)
{
    lv_obj_t * bar = lv_bar_create(lv_scr_act(), nullptr);
    lv_obj_set_size(bar, 100, 10);
    lv_obj_set_pos(bar, 0, 0);
    lv_obj_set_style_local_radius(bar, LV_BAR_PART_BG, LV_STATE_DEFAULT, 0);
    lv_obj_set_style_local_radius(bar, LV_BAR_PART_INDIC, LV_STATE_DEFAULT, 0);
    lv_obj_set_style_local_bg_color(bar, LV_BAR_PART_INDIC, LV_STATE_DEFAULT, LV_COLOR_RED);
    lv_bar_set_value(bar, 30, LV_ANIM_OFF);
    render();
    EXPECT_EQ(px(29, 5), 0xF800);
    EXPECT_NE(px(30, 5), 0xF800);
}
