/* Test fixture for the widget layer: a display that renders into an RGB565 frame buffer,
 * a pointer and a keypad input device fed by the test, and a clock the test advances.
 * Every test starts from lv_init and ends with lv_deinit, so no state leaks between tests. */
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "gui/lvgl.h"

class GuiTest : public ::testing::Test {
public:
    static GuiTest * current;

    lv_disp_drv_t disp_drv{};
    lv_disp_buf_t disp_buf{};
    std::vector<lv_color_t> draw_buf;
    std::vector<uint16_t> fb; /* the "display": hor_res * ver_res pixels */
    std::vector<lv_area_t> flushed;
    lv_disp_t * disp = nullptr;
    lv_indev_t * pointer = nullptr;
    lv_indev_t * keypad = nullptr;
    lv_group_t * group = nullptr;

    /* Pointer input. */
    lv_point_t ptr_point{0, 0};
    bool ptr_pressed = false;
    /* Keypad input: queued (key, pressed) reports, the last one repeated. */
    std::deque<std::pair<uint32_t, bool>> keys;
    uint32_t last_key = 0;
    bool last_key_pressed = false;

    void SetUp() override { start(900, 560, 900 * 56); }
    void TearDown() override
    {
        lv_deinit();
        current = nullptr;
    }

    void start(lv_coord_t w, lv_coord_t h, uint32_t buf_px);
    /* Advances the clock by ms in 5 ms steps, running the task handler after each. */
    void run(uint32_t ms);
    /* Renders what is pending now. */
    void render() { lv_refr_now(disp); }
    uint16_t px(int x, int y) const { return fb[static_cast<size_t>(y) * disp_drv.hor_res + x]; }
    /* Press at (x, y), hold for hold_ms, release (each edge seen by one read). */
    void click(lv_coord_t x, lv_coord_t y, uint32_t hold_ms = 60);
    void key(uint32_t k);
};
