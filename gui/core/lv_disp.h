/* Displays (LVGL 7's lv_disp_drv_t / lv_disp_buf_t / lv_disp_t): a driver with one or two
 * draw buffers, a flush callback that receives rendered areas, an optional wait callback
 * called while a flush is outstanding, and the screens shown on it.
 * Owns the registered displays and their screens. Rendering runs in the display's refresh
 * task (every LV_DISP_DEF_REFR_PERIOD ms) or lv_refr_now; it waits for each outstanding
 * flush by calling wait_cb (or spinning without one) until lv_disp_flush_ready. */
#pragma once

#include <cstdint>
#include <vector>

#include "gui/core/lv_obj.h"
#include "gui/lv_conf.h"
#include "gui/misc/lv_area.h"
#include "gui/misc/lv_color.h"
#include "gui/misc/lv_task.h"

typedef struct {
    void * buf1;
    void * buf2;
    void * buf_act;
    uint32_t size; /* in pixels */
    lv_area_t area;
    volatile int flushing;
    volatile int flushing_last;
    volatile uint32_t last_area : 1;
    volatile uint32_t last_part : 1;
} lv_disp_buf_t;

typedef struct _disp_drv_t {
    lv_coord_t hor_res;
    lv_coord_t ver_res;
    lv_disp_buf_t * buffer;
    uint32_t antialiasing : 1;
    uint32_t rotated : 1;
    uint32_t dpi : 10;
    /* Sends the rendered area to the display; must call lv_disp_flush_ready when done. */
    void (*flush_cb)(struct _disp_drv_t * disp_drv, const lv_area_t * area, lv_color_t * color_p);
    void (*rounder_cb)(struct _disp_drv_t * disp_drv, lv_area_t * area);
    void (*monitor_cb)(struct _disp_drv_t * disp_drv, uint32_t time, uint32_t px);
    /* Called repeatedly while a flush is outstanding (may sleep or wait for an event). */
    void (*wait_cb)(struct _disp_drv_t * disp_drv);
    lv_color_t color_chroma_key;
    void * user_data;
} lv_disp_drv_t;

typedef struct _disp_t {
    lv_disp_drv_t driver;
    lv_task_t * refr_task;
    std::vector<lv_obj_t *> screens;
    lv_obj_t * act_scr;
    lv_obj_t * top_layer;
    lv_obj_t * sys_layer;
    lv_color_t bg_color;
    lv_opa_t bg_opa;
    lv_area_t inv_areas[LV_INV_BUF_SIZE];
    uint8_t inv_area_joined[LV_INV_BUF_SIZE];
    uint32_t inv_p;
    uint32_t last_activity_time;
} lv_disp_t;

void lv_disp_drv_init(lv_disp_drv_t * driver);
/* One buffer (buf2 NULL) or two, each of size_in_px_cnt pixels. */
void lv_disp_buf_init(lv_disp_buf_t * disp_buf, void * buf1, void * buf2, uint32_t size_in_px_cnt);
/* Registers a copy of driver; creates its first screen; the first display becomes default. */
lv_disp_t * lv_disp_drv_register(lv_disp_drv_t * driver);
void lv_disp_remove(lv_disp_t * disp);
void lv_disp_drv_update(lv_disp_t * disp, lv_disp_drv_t * new_drv);
/* Called by the flush callback (or later, from anywhere) when the flushed area is written. */
void lv_disp_flush_ready(lv_disp_drv_t * disp_drv);
bool lv_disp_flush_is_last(lv_disp_drv_t * disp_drv);
void lv_disp_set_default(lv_disp_t * disp);
lv_disp_t * lv_disp_get_default(void);
lv_disp_t * lv_disp_get_next(lv_disp_t * disp);
lv_coord_t lv_disp_get_hor_res(lv_disp_t * disp);
lv_coord_t lv_disp_get_ver_res(lv_disp_t * disp);
lv_disp_buf_t * lv_disp_get_buf(lv_disp_t * disp);
lv_obj_t * lv_disp_get_scr_act(lv_disp_t * disp);
void lv_disp_load_scr(lv_obj_t * scr);
lv_obj_t * lv_disp_get_layer_top(lv_disp_t * disp);
lv_obj_t * lv_disp_get_layer_sys(lv_disp_t * disp);
void lv_disp_set_bg_color(lv_disp_t * disp, lv_color_t color);
void lv_disp_set_bg_opa(lv_disp_t * disp, lv_opa_t opa);
uint32_t lv_disp_get_inactive_time(const lv_disp_t * disp);
void lv_disp_trig_activity(lv_disp_t * disp);

static inline lv_obj_t * lv_scr_act(void)
{
    return lv_disp_get_scr_act(lv_disp_get_default());
}
static inline lv_obj_t * lv_layer_top(void)
{
    return lv_disp_get_layer_top(lv_disp_get_default());
}
static inline lv_obj_t * lv_layer_sys(void)
{
    return lv_disp_get_layer_sys(lv_disp_get_default());
}
static inline void lv_scr_load(lv_obj_t * scr)
{
    lv_disp_load_scr(scr);
}

/* Marks an area of disp for redrawing; NULL forgets every marked area. */
void _lv_inv_area(lv_disp_t * disp, const lv_area_t * area_p);
/* Redraws the marked areas of disp (every display when NULL) at once. */
void lv_refr_now(lv_disp_t * disp);
/* The display being refreshed, else the default one. */
lv_disp_t * _lv_refr_get_disp_refreshing(void);
void _lv_disp_refr_task(lv_task_t * task);

/* Internal: forget every display (used by lv_deinit). */
void _lv_disp_core_reset(void);
