/* Rendering into the RGB565 frame buffer: fills, opacity, rounded corners, border sides,
 * clipping to parents and to the invalidated area, slicing into the draw buffer, text. */
#include "tests/gui/gui_fixture.h"

namespace {

constexpr uint16_t kWhite = 0xFFFF, kRed = 0xF800, kBlack = 0x0000;

class RenderTest : public GuiTest {
protected:
    void SetUp() override { start(40, 30, 40 * 10); }

    lv_obj_t * rect(lv_obj_t * parent, lv_coord_t x, lv_coord_t y, lv_coord_t w, lv_coord_t h, lv_color_t c)
    {
        lv_obj_t * o = lv_obj_create(parent, nullptr);
        lv_obj_reset_style_list(o, LV_OBJ_PART_MAIN);
        lv_obj_set_pos(o, x, y);
        lv_obj_set_size(o, w, h);
        lv_obj_set_style_local_bg_color(o, 0, LV_STATE_DEFAULT, c);
        lv_obj_set_style_local_bg_opa(o, 0, LV_STATE_DEFAULT, LV_OPA_COVER);
        return o;
    }
    bool inside(int x, int y, int x1, int y1, int w, int h) { return x >= x1 && x < x1 + w && y >= y1 && y < y1 + h; }
};

}

TEST_F(RenderTest, WholeScreenIsFlushedInSlicesOfTheBuffer)
{
    render();
    ASSERT_EQ(flushed.size(), 3u);
    for(int i = 0; i < 3; i++) {
        EXPECT_EQ(flushed[i].x1, 0);
        EXPECT_EQ(flushed[i].x2, 39);
        EXPECT_EQ(flushed[i].y1, 10 * i);
        EXPECT_EQ(flushed[i].y2, 10 * i + 9);
    }
    for(int y = 0; y < 30; y++)
        for(int x = 0; x < 40; x++) ASSERT_EQ(px(x, y), kWhite);
}

TEST_F(RenderTest, FilledRectangleCoversExactlyItsArea)
{
    rect(lv_scr_act(), 5, 6, 10, 8, LV_COLOR_RED);
    render();
    for(int y = 0; y < 30; y++)
        for(int x = 0; x < 40; x++) ASSERT_EQ(px(x, y), inside(x, y, 5, 6, 10, 8) ? kRed : kWhite) << x << "," << y;
}

TEST_F(RenderTest, HalfOpacityBlendsWithWhatIsBelow)
{
    lv_obj_t * o = rect(lv_scr_act(), 0, 0, 10, 10, LV_COLOR_BLACK);
    lv_obj_set_style_local_bg_opa(o, 0, LV_STATE_DEFAULT, LV_OPA_50);
    lv_obj_t * red = rect(lv_scr_act(), 20, 0, 10, 10, LV_COLOR_RED);
    lv_obj_t * over = rect(lv_scr_act(), 20, 0, 10, 10, LV_COLOR_BLACK);
    lv_obj_set_style_local_bg_opa(over, 0, LV_STATE_DEFAULT, LV_OPA_TRANSP);
    (void)red;
    render();
    EXPECT_EQ(px(5, 5), (16 << 11) | (32 << 5) | 16);
    EXPECT_EQ(px(25, 5), kRed); /* a transparent object changes nothing */
}

TEST_F(RenderTest, RoundedCornersAreAntiAliased)
{
    lv_obj_t * o = rect(lv_scr_act(), 10, 5, 20, 20, LV_COLOR_RED);
    lv_obj_set_style_local_radius(o, 0, LV_STATE_DEFAULT, 5);
    render();
    EXPECT_EQ(px(10, 5), kWhite);  /* corner pixel outside the arc */
    EXPECT_EQ(px(20, 5), kRed);    /* straight top edge */
    EXPECT_EQ(px(15, 15), kRed);
    uint16_t edge = px(11, 6);     /* on the arc: partly covered */
    EXPECT_NE(edge, kRed);
    EXPECT_NE(edge, kWhite);
    EXPECT_EQ(edge >> 11, 31);     /* red stays full, green and blue fall */
    EXPECT_LT((edge >> 5) & 0x3F, 63);
}

TEST_F(RenderTest, BorderIsDrawnOnlyOnItsSides)
{
    lv_obj_t * o = rect(lv_scr_act(), 10, 10, 10, 10, LV_COLOR_WHITE);
    lv_obj_set_style_local_border_width(o, 0, LV_STATE_DEFAULT, 2);
    lv_obj_set_style_local_border_color(o, 0, LV_STATE_DEFAULT, LV_COLOR_BLACK);
    lv_obj_set_style_local_border_side(o, 0, LV_STATE_DEFAULT, LV_BORDER_SIDE_LEFT);
    render();
    for(int y = 10; y < 20; y++) {
        EXPECT_EQ(px(10, y), kBlack);
        EXPECT_EQ(px(11, y), kBlack);
        EXPECT_EQ(px(12, y), kWhite);
        EXPECT_EQ(px(19, y), kWhite);
    }
    lv_obj_set_style_local_border_side(o, 0, LV_STATE_DEFAULT, LV_BORDER_SIDE_FULL);
    lv_obj_set_style_local_border_opa(o, 0, LV_STATE_DEFAULT, LV_OPA_50);
    render();
    EXPECT_EQ(px(19, 15), (16 << 11) | (32 << 5) | 16);
    EXPECT_EQ(px(15, 10), (16 << 11) | (32 << 5) | 16);
    EXPECT_EQ(px(15, 15), kWhite);
}

TEST_F(RenderTest, ChildrenAreClippedToTheirParentAndHiddenObjectsAreNotDrawn)
{
    lv_obj_t * p = rect(lv_scr_act(), 0, 0, 10, 10, LV_COLOR_WHITE);
    rect(p, 5, 5, 10, 10, LV_COLOR_RED);
    lv_obj_t * hidden = rect(lv_scr_act(), 30, 0, 5, 5, LV_COLOR_RED);
    lv_obj_set_hidden(hidden, true);
    render();
    EXPECT_EQ(px(7, 7), kRed);
    EXPECT_EQ(px(12, 7), kWhite);
    EXPECT_EQ(px(7, 12), kWhite);
    EXPECT_EQ(px(31, 1), kWhite);
}

TEST_F(RenderTest, OnlyTheInvalidatedAreaIsRedrawn)
{
    lv_obj_t * o = rect(lv_scr_act(), 5, 5, 6, 4, LV_COLOR_RED);
    render();
    std::fill(fb.begin(), fb.end(), 0x1234);
    flushed.clear();
    lv_obj_set_style_local_bg_color(o, 0, LV_STATE_DEFAULT, LV_COLOR_BLACK);
    render();
    ASSERT_FALSE(flushed.empty());
    for(const lv_area_t & a : flushed) {
        EXPECT_GE(a.x1, 5);
        EXPECT_LE(a.x2, 10);
        EXPECT_GE(a.y1, 5);
        EXPECT_LE(a.y2, 8);
    }
    for(int y = 0; y < 30; y++)
        for(int x = 0; x < 40; x++) ASSERT_EQ(px(x, y), inside(x, y, 5, 5, 6, 4) ? kBlack : 0x1234);
    flushed.clear();
    render();
    EXPECT_TRUE(flushed.empty()); /* nothing changed, nothing flushed */
}

TEST_F(RenderTest, TextIsDrawnInsideTheLabelInItsColour)
{
    lv_obj_t * label = lv_label_create(lv_scr_act(), nullptr);
    lv_label_set_text(label, "HI");
    lv_obj_set_pos(label, 3, 4);
    lv_obj_set_style_local_text_color(label, 0, LV_STATE_DEFAULT, LV_COLOR_RED);
    render();
    int full = 0, partial = 0;
    for(int y = 0; y < 30; y++) {
        for(int x = 0; x < 40; x++) {
            lv_point_t pt{static_cast<lv_coord_t>(x), static_cast<lv_coord_t>(y)};
            bool in = _lv_area_is_point_on(&label->coords, &pt);
            uint16_t p = px(x, y);
            if(!in) {
                ASSERT_EQ(p, kWhite) << x << "," << y;
                continue;
            }
            if(p == kRed) {
                full++;
            } else if(p != kWhite) {
                partial++;
                EXPECT_EQ(p >> 11, 31);
            }
        }
    }
    EXPECT_GT(full, 10);
    EXPECT_GT(partial, 0); /* anti-aliased edges */
}

namespace {
int g_waits = 0;
lv_disp_drv_t * g_pending = nullptr;
void slow_flush(lv_disp_drv_t * drv, const lv_area_t *, lv_color_t *)
{
    g_pending = drv; /* completes later, in the wait callback */
}
void wait_cb(lv_disp_drv_t * drv)
{
    g_waits++;
    if(g_pending == drv) {
        g_pending = nullptr;
        lv_disp_flush_ready(drv);
    }
}
}

TEST_F(RenderTest, OutstandingFlushIsAwaitedThroughTheWaitCallback)
{
    g_waits = 0;
    disp->driver.flush_cb = slow_flush;
    disp->driver.wait_cb = wait_cb;
    lv_obj_invalidate(lv_scr_act());
    render();
    EXPECT_EQ(g_waits, 2); /* before the second and third slices */
    EXPECT_NE(g_pending, nullptr);
}
