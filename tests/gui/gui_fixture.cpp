#include "tests/gui/gui_fixture.h"

#include <cstring>

GuiTest * GuiTest::current = nullptr;

static void flush_cb(lv_disp_drv_t * drv, const lv_area_t * area, lv_color_t * color_p)
{
    GuiTest * t = GuiTest::current;
    int w = lv_area_get_width(area);
    for(int y = area->y1; y <= area->y2; y++) {
        for(int x = area->x1; x <= area->x2; x++) {
            t->fb[static_cast<size_t>(y) * drv->hor_res + x] = color_p[(y - area->y1) * w + (x - area->x1)].full;
        }
    }
    t->flushed.push_back(*area);
    lv_disp_flush_ready(drv);
}

static bool pointer_read(lv_indev_drv_t *, lv_indev_data_t * data)
{
    data->point = GuiTest::current->ptr_point;
    data->state = GuiTest::current->ptr_pressed ? LV_INDEV_STATE_PR : LV_INDEV_STATE_REL;
    return false;
}

static bool keypad_read(lv_indev_drv_t *, lv_indev_data_t * data)
{
    GuiTest * t = GuiTest::current;
    if(!t->keys.empty()) {
        t->last_key = t->keys.front().first;
        t->last_key_pressed = t->keys.front().second;
        t->keys.pop_front();
    }
    data->key = t->last_key;
    data->state = t->last_key_pressed ? LV_INDEV_STATE_PR : LV_INDEV_STATE_REL;
    return !t->keys.empty();
}

void GuiTest::start(lv_coord_t w, lv_coord_t h, uint32_t buf_px)
{
    current = this;
    lv_init();
    draw_buf.assign(buf_px, lv_color_t{});
    fb.assign(static_cast<size_t>(w) * h, 0xDEAD);
    lv_disp_buf_init(&disp_buf, draw_buf.data(), nullptr, buf_px);
    lv_disp_drv_init(&disp_drv);
    disp_drv.hor_res = w;
    disp_drv.ver_res = h;
    disp_drv.buffer = &disp_buf;
    disp_drv.flush_cb = flush_cb;
    disp = lv_disp_drv_register(&disp_drv);
    lv_indev_drv_t ptr;
    lv_indev_drv_init(&ptr);
    ptr.type = LV_INDEV_TYPE_POINTER;
    ptr.read_cb = pointer_read;
    pointer = lv_indev_drv_register(&ptr);
    lv_indev_drv_t kp;
    lv_indev_drv_init(&kp);
    kp.type = LV_INDEV_TYPE_KEYPAD;
    kp.read_cb = keypad_read;
    keypad = lv_indev_drv_register(&kp);
    group = lv_group_create();
    lv_indev_set_group(keypad, group);
}

void GuiTest::run(uint32_t ms)
{
    for(uint32_t t = 0; t < ms; t += 5) {
        lv_tick_inc(5);
        lv_task_handler();
    }
}

void GuiTest::click(lv_coord_t x, lv_coord_t y, uint32_t hold_ms)
{
    ptr_point = {x, y};
    ptr_pressed = true;
    run(hold_ms);
    ptr_pressed = false;
    run(60);
}

void GuiTest::key(uint32_t k)
{
    keys.push_back({k, true});
    keys.push_back({k, false});
    run(70);
}
