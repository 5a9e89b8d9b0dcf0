/* Object tree geometry: alignment as the screens use it, auto-realign, deletion. */
#include "tests/gui/gui_fixture.h"

namespace {

lv_obj_t * box(lv_obj_t * parent, lv_coord_t w, lv_coord_t h)
{
    lv_obj_t * o = lv_obj_create(parent, nullptr);
    lv_obj_set_size(o, w, h);
    return o;
}

struct align_case {
    lv_align_t align;
    lv_coord_t x, y; /* expected absolute top-left of a 20 x 10 object */
};

/* Base: 100 x 50 at (200, 100); offset (3, 4) added to every case. */
constexpr align_case kAlignCases[] = {
    {LV_ALIGN_CENTER, 243, 124},           {LV_ALIGN_IN_TOP_LEFT, 203, 104},
    {LV_ALIGN_IN_TOP_MID, 243, 104},       {LV_ALIGN_IN_TOP_RIGHT, 283, 104},
    {LV_ALIGN_IN_BOTTOM_LEFT, 203, 144},   {LV_ALIGN_IN_BOTTOM_MID, 243, 144},
    {LV_ALIGN_IN_BOTTOM_RIGHT, 283, 144},  {LV_ALIGN_IN_LEFT_MID, 203, 124},
    {LV_ALIGN_IN_RIGHT_MID, 283, 124},     {LV_ALIGN_OUT_TOP_LEFT, 203, 94},
    {LV_ALIGN_OUT_TOP_MID, 243, 94},       {LV_ALIGN_OUT_TOP_RIGHT, 283, 94},
    {LV_ALIGN_OUT_BOTTOM_LEFT, 203, 154},  {LV_ALIGN_OUT_BOTTOM_MID, 243, 154},
    {LV_ALIGN_OUT_BOTTOM_RIGHT, 283, 154}, {LV_ALIGN_OUT_LEFT_TOP, 183, 104},
    {LV_ALIGN_OUT_LEFT_MID, 183, 124},     {LV_ALIGN_OUT_LEFT_BOTTOM, 183, 144},
    {LV_ALIGN_OUT_RIGHT_TOP, 303, 104},    {LV_ALIGN_OUT_RIGHT_MID, 303, 124},
    {LV_ALIGN_OUT_RIGHT_BOTTOM, 303, 144},
};

}

TEST_F(GuiTest, EveryAlignmentPlacesTheObjectRelativeToItsBase)
{
    lv_obj_t * base = box(lv_scr_act(), 100, 50);
    lv_obj_set_pos(base, 200, 100);
    for(const align_case & c : kAlignCases) {
        lv_obj_t * o = box(lv_scr_act(), 20, 10);
        lv_obj_align(o, base, c.align, 3, 4);
        EXPECT_EQ(o->coords.x1, c.x) << "align " << int(c.align);
        EXPECT_EQ(o->coords.y1, c.y) << "align " << int(c.align);
        EXPECT_EQ(lv_obj_get_width(o), 20);
    }
}

/* The upgrade screen's chain of fixed-size objects, built the way the screen builds it. */
TEST_F(GuiTest, UpgradeScreenChainLandsOnExactCoordinates)
{
    lv_obj_t * scr = box(lv_scr_act(), 900, 560);
    lv_obj_t * badge1 = box(scr, 42, 35);
    lv_obj_align(badge1, nullptr, LV_ALIGN_IN_TOP_LEFT, 84, 210);
    lv_obj_t * choose = lv_btn_create(scr, nullptr);
    lv_obj_set_size(choose, 590, 35);
    lv_obj_align(choose, badge1, LV_ALIGN_OUT_RIGHT_TOP, 20, 0);
    lv_obj_t * badge2 = box(scr, 42, 35);
    lv_obj_align(badge2, badge1, LV_ALIGN_OUT_BOTTOM_LEFT, 0, 35);
    lv_obj_t * upgrade = lv_btn_create(scr, nullptr);
    lv_obj_set_size(upgrade, 590, 35);
    lv_obj_align(upgrade, badge2, LV_ALIGN_OUT_RIGHT_TOP, 20, 0);
    lv_obj_t * bar = lv_bar_create(scr, nullptr);
    lv_obj_set_size(bar, 590, 17);
    lv_obj_align(bar, upgrade, LV_ALIGN_OUT_BOTTOM_MID, 0, 17);
    lv_obj_t * back = lv_btn_create(scr, nullptr);
    lv_obj_set_size(back, 196, 35);
    lv_obj_align(back, badge2, LV_ALIGN_OUT_BOTTOM_LEFT, 0, 87);

    const struct {
        lv_obj_t * o;
        lv_coord_t x, y;
    } expect[] = {{badge1, 84, 210}, {choose, 146, 210}, {badge2, 84, 280},
                  {upgrade, 146, 280}, {bar, 146, 332}, {back, 84, 402}};
    for(const auto & e : expect) {
        EXPECT_EQ(lv_obj_get_x(e.o), e.x);
        EXPECT_EQ(lv_obj_get_y(e.o), e.y);
    }
}

TEST_F(GuiTest, MainScreenButtonsAlignUnderTheHintLabel)
{
    lv_obj_t * scr = box(lv_scr_act(), 900, 560);
    lv_obj_t * hint = lv_label_create(scr, nullptr);
    lv_label_set_text(hint, "Hold Korvalen pairing button");
    lv_obj_align(hint, nullptr, LV_ALIGN_IN_TOP_MID, 0, 70);
    lv_coord_t hw = lv_obj_get_width(hint);
    ASSERT_GT(hw, 100);
    lv_coord_t hx = static_cast<lv_coord_t>(900 / 2 - hw / 2);
    EXPECT_EQ(lv_obj_get_x(hint), hx);
    lv_obj_t * cfg = lv_btn_create(scr, nullptr);
    lv_obj_set_size(cfg, 140, 35);
    lv_obj_align(cfg, hint, LV_ALIGN_OUT_BOTTOM_MID, -112, 70);
    lv_obj_t * en = lv_btn_create(scr, nullptr);
    lv_obj_set_size(en, 84, 35);
    lv_obj_align(en, hint, LV_ALIGN_OUT_BOTTOM_MID, 42, 210);
    lv_coord_t bottom = static_cast<lv_coord_t>(70 + lv_obj_get_height(hint));
    EXPECT_EQ(lv_obj_get_x(cfg), hx + hw / 2 - 70 - 112);
    EXPECT_EQ(lv_obj_get_y(cfg), bottom + 70);
    EXPECT_EQ(lv_obj_get_x(en), hx + hw / 2 - 42 + 42);
    EXPECT_EQ(lv_obj_get_y(en), bottom + 210);
}

TEST_F(GuiTest, AutoRealignKeepsAGrowingLabelCentred)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_text(label, "ab");
    lv_obj_set_auto_realign(label, true);
    lv_obj_align(label, nullptr, LV_ALIGN_IN_TOP_MID, 0, 35);
    lv_label_set_text(label, "a much longer status text");
    lv_coord_t w = lv_obj_get_width(label);
    EXPECT_EQ(lv_obj_get_x(label), 900 / 2 - w / 2);
    EXPECT_EQ(lv_obj_get_y(label), 35);
    /* Without auto-realign the left edge stays. */
    lv_obj_set_auto_realign(label, false);
    lv_coord_t x = lv_obj_get_x(label);
    lv_label_set_text(label, "x");
    EXPECT_EQ(lv_obj_get_x(label), x);
}

TEST_F(GuiTest, MovingAParentMovesItsChildren)
{
    lv_obj_t * p = box(lv_scr_act(), 200, 100);
    lv_obj_t * c = box(p, 10, 10);
    lv_obj_set_pos(c, 5, 6);
    lv_obj_set_pos(p, 100, 50);
    EXPECT_EQ(c->coords.x1, 105);
    EXPECT_EQ(c->coords.y1, 56);
    EXPECT_EQ(lv_obj_get_x(c), 5);
}

namespace {
int g_deleted = 0;
void count_delete(lv_obj_t *, lv_event_t e)
{
    if(e == LV_EVENT_DELETE) g_deleted++;
}
}

TEST_F(GuiTest, DeletingAnObjectDeletesItsSubtreeAndCleanKeepsTheParent)
{
    g_deleted = 0;
    lv_obj_t * p = box(lv_scr_act(), 200, 100);
    lv_obj_set_event_cb(p, count_delete);
    for(int i = 0; i < 3; i++) {
        lv_obj_t * c = lv_btn_create(p, nullptr);
        lv_obj_set_event_cb(c, count_delete);
        lv_obj_t * l = lv_label_create(c, nullptr);
        lv_obj_set_event_cb(l, count_delete);
    }
    EXPECT_EQ(lv_obj_count_children_recursive(p), 6);
    lv_obj_clean(p);
    EXPECT_EQ(g_deleted, 6);
    EXPECT_EQ(lv_obj_count_children(p), 0);
    lv_obj_t * newest = box(p, 1, 1);
    lv_obj_t * oldest = lv_obj_get_child_back(p, nullptr);
    EXPECT_EQ(newest, oldest);
    lv_obj_del(p);
    EXPECT_EQ(g_deleted, 7);
    EXPECT_EQ(lv_obj_count_children(lv_scr_act()), 0);
}

TEST_F(GuiTest, ChildrenAreReturnedNewestFirst)
{
    lv_obj_t * a = box(lv_scr_act(), 1, 1);
    lv_obj_t * b = box(lv_scr_act(), 1, 1);
    EXPECT_EQ(lv_obj_get_child(lv_scr_act(), nullptr), b);
    EXPECT_EQ(lv_obj_get_child(lv_scr_act(), b), a);
    EXPECT_EQ(lv_obj_get_child(lv_scr_act(), a), nullptr);
    EXPECT_EQ(lv_obj_get_parent(a), lv_scr_act());
    EXPECT_EQ(lv_obj_get_screen(a), lv_scr_act());
}

TEST_F(GuiTest, NewScreenLoadedBecomesActive)
{
    lv_obj_t * old = lv_scr_act();
    lv_obj_t * scr = lv_obj_create(nullptr, nullptr);
    EXPECT_EQ(lv_obj_get_width(scr), 900);
    EXPECT_EQ(lv_obj_get_height(scr), 560);
    lv_scr_load(scr);
    EXPECT_EQ(lv_scr_act(), scr);
    lv_obj_del(old);
    EXPECT_EQ(lv_scr_act(), scr);
}
