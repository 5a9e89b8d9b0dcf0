/* Screen refresh: joins the marked areas, renders each in slices that fit the draw buffer,
 * and hands every slice to the driver's flush callback. With one buffer, rendering a slice
 * first waits until the previous flush is reported ready. */
#include "gui/core/lv_disp.h"
#include "gui/draw/lv_draw.h"

#include <algorithm>

namespace {
lv_disp_t * g_refreshing = nullptr;
}

/**********************
 *   STATIC FUNCTIONS
 **********************/
static void join_areas(lv_disp_t * disp)
{
    uint8_t * joined = disp->inv_area_joined;
    std::fill(joined, joined + LV_INV_BUF_SIZE, 0);
    bool changed = true;
    while(changed) {
        changed = false;
        for(uint32_t i = 0; i < disp->inv_p; i++) {
            if(joined[i]) continue;
            for(uint32_t j = 0; j < disp->inv_p; j++) {
                if(i == j || joined[j] || !_lv_area_is_on(&disp->inv_areas[i], &disp->inv_areas[j])) continue;
                lv_area_t u;
                _lv_area_join(&u, &disp->inv_areas[i], &disp->inv_areas[j]);
                if(lv_area_get_size(&u) > lv_area_get_size(&disp->inv_areas[i]) + lv_area_get_size(&disp->inv_areas[j])) continue;
                disp->inv_areas[i] = u;
                joined[j] = 1;
                changed = true;
            }
        }
    }
}

static void wait_flush(lv_disp_t * disp)
{
    lv_disp_buf_t * buf = disp->driver.buffer;
    while(buf->flushing) {
        if(disp->driver.wait_cb) disp->driver.wait_cb(&disp->driver);
    }
}

static void draw_obj(lv_obj_t * obj, const lv_area_t * clip)
{
    if(obj->hidden) return;
    lv_area_t own;
    if(!_lv_area_intersect(&own, clip, &obj->coords)) return;
    if(obj->design_cb) obj->design_cb(obj, &own, LV_DESIGN_DRAW_MAIN);
    /* Children are clipped to their parent. */
    for(size_t i = 0; i < obj->children.size(); i++) draw_obj(obj->children[i], &own);
    if(obj->design_cb) obj->design_cb(obj, &own, LV_DESIGN_DRAW_POST);
}

static void render_slice(lv_disp_t * disp, const lv_area_t * slice)
{
    lv_disp_buf_t * buf = disp->driver.buffer;
    auto * px = static_cast<lv_color_t *>(buf->buf_act);
    _lv_draw_set_target(px, slice);
    _lv_blend_fill(slice, slice, disp->bg_color, disp->bg_opa);
    if(disp->act_scr) draw_obj(disp->act_scr, slice);
    if(disp->top_layer) draw_obj(disp->top_layer, slice);
    if(disp->sys_layer) draw_obj(disp->sys_layer, slice);
    lv_color_t * none = nullptr;
    lv_area_t empty{0, 0, -1, -1};
    _lv_draw_set_target(none, &empty);
}

static void flush_slice(lv_disp_t * disp, const lv_area_t * slice, bool last)
{
    lv_disp_buf_t * buf = disp->driver.buffer;
    buf->flushing = 1;
    buf->flushing_last = last ? 1 : 0;
    if(disp->driver.flush_cb) {
        disp->driver.flush_cb(&disp->driver, slice, static_cast<lv_color_t *>(buf->buf_act));
    } else {
        buf->flushing = 0;
    }
    if(buf->buf1 && buf->buf2) buf->buf_act = (buf->buf_act == buf->buf1) ? buf->buf2 : buf->buf1;
}

static uint32_t refresh_area(lv_disp_t * disp, const lv_area_t * area, bool last_area)
{
    lv_disp_buf_t * buf = disp->driver.buffer;
    int32_t w = lv_area_get_width(area);
    int32_t rows = std::max<int32_t>(1, static_cast<int32_t>(buf->size) / w);
    if(static_cast<uint32_t>(w) > buf->size) return 0; /* a buffer must hold one line */
    for(int32_t y = area->y1; y <= area->y2; y += rows) {
        lv_area_t slice{area->x1, static_cast<lv_coord_t>(y), area->x2,
                        static_cast<lv_coord_t>(std::min<int32_t>(area->y2, y + rows - 1))};
        if(disp->driver.rounder_cb) disp->driver.rounder_cb(&disp->driver, &slice);
        wait_flush(disp);
        render_slice(disp, &slice);
        flush_slice(disp, &slice, last_area && slice.y2 >= area->y2);
    }
    return lv_area_get_size(area);
}

static void refresh_disp(lv_disp_t * disp)
{
    if(disp->inv_p == 0 || disp->driver.buffer == nullptr || disp->driver.buffer->buf1 == nullptr) return;
    g_refreshing = disp;
    join_areas(disp);
    uint32_t last = 0;
    for(uint32_t i = 0; i < disp->inv_p; i++) {
        if(!disp->inv_area_joined[i]) last = i;
    }
    /* Areas marked while rendering (by draw code) go to the next refresh. */
    lv_area_t areas[LV_INV_BUF_SIZE];
    uint8_t joined[LV_INV_BUF_SIZE];
    uint32_t n = disp->inv_p;
    std::copy(disp->inv_areas, disp->inv_areas + n, areas);
    std::copy(disp->inv_area_joined, disp->inv_area_joined + n, joined);
    disp->inv_p = 0;
    uint32_t px = 0;
    for(uint32_t i = 0; i < n; i++) {
        if(!joined[i]) px += refresh_area(disp, &areas[i], i == last);
    }
    if(disp->driver.monitor_cb) disp->driver.monitor_cb(&disp->driver, 0, px);
    g_refreshing = nullptr;
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void _lv_disp_refr_task(lv_task_t * task)
{
    refresh_disp(static_cast<lv_disp_t *>(task->user_data));
}

void lv_refr_now(lv_disp_t * disp)
{
    if(disp) {
        refresh_disp(disp);
        return;
    }
    for(lv_disp_t * d = lv_disp_get_next(nullptr); d; d = lv_disp_get_next(d)) refresh_disp(d);
}

lv_disp_t * _lv_refr_get_disp_refreshing(void)
{
    return g_refreshing ? g_refreshing : lv_disp_get_default();
}
