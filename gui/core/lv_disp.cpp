/* Display registration, screens and layers, and the list of areas to redraw. */
#include "gui/core/lv_disp.h"

#include "gui/core/lv_obj_private.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {
struct disp_state {
    std::vector<std::unique_ptr<lv_disp_t>> disps;
    lv_disp_t * def = nullptr;
};
disp_state & st()
{
    static disp_state s;
    return s;
}
}

/**********************
 *   STATIC FUNCTIONS
 **********************/
static lv_obj_t * layer_create(lv_disp_t * disp)
{
    lv_disp_t * old = st().def;
    st().def = disp;
    lv_obj_t * layer = lv_obj_create(nullptr, nullptr);
    st().def = old;
    lv_obj_clean_style_list(layer, LV_OBJ_PART_MAIN);
    lv_obj_set_click(layer, false);
    return layer;
}

/**********************
 *   GLOBAL FUNCTIONS
 **********************/
void lv_disp_drv_init(lv_disp_drv_t * driver)
{
    *driver = lv_disp_drv_t{};
    driver->hor_res = LV_HOR_RES_MAX;
    driver->ver_res = LV_VER_RES_MAX;
    driver->antialiasing = 1;
    driver->dpi = LV_DPI;
}

void lv_disp_buf_init(lv_disp_buf_t * disp_buf, void * buf1, void * buf2, uint32_t size_in_px_cnt)
{
    *disp_buf = lv_disp_buf_t{};
    disp_buf->buf1 = buf1;
    disp_buf->buf2 = buf2;
    disp_buf->buf_act = buf1;
    disp_buf->size = size_in_px_cnt;
}

lv_disp_t * lv_disp_drv_register(lv_disp_drv_t * driver)
{
    auto d = std::make_unique<lv_disp_t>();
    lv_disp_t * disp = d.get();
    disp->driver = *driver;
    disp->bg_color = LV_COLOR_WHITE;
    disp->bg_opa = LV_OPA_COVER;
    disp->last_activity_time = lv_tick_get();
    st().disps.push_back(std::move(d));
    if(st().def == nullptr) st().def = disp;
    disp->refr_task = lv_task_create(_lv_disp_refr_task, LV_DISP_DEF_REFR_PERIOD, LV_TASK_PRIO_MID, disp);
    disp->top_layer = layer_create(disp);
    disp->sys_layer = layer_create(disp);
    lv_disp_t * old = st().def;
    st().def = disp;
    disp->act_scr = lv_obj_create(nullptr, nullptr);
    st().def = old;
    lv_obj_invalidate(disp->act_scr);
    return disp;
}

void lv_disp_remove(lv_disp_t * disp)
{
    lv_task_del(disp->refr_task);
    while(!disp->screens.empty()) lv_obj_del(disp->screens.back());
    auto & v = st().disps;
    v.erase(std::remove_if(v.begin(), v.end(), [disp](const auto & p) { return p.get() == disp; }), v.end());
    if(st().def == disp) st().def = v.empty() ? nullptr : v.front().get();
}

void lv_disp_drv_update(lv_disp_t * disp, lv_disp_drv_t * new_drv)
{
    disp->driver = *new_drv;
    lv_obj_invalidate(disp->act_scr);
}

void lv_disp_flush_ready(lv_disp_drv_t * disp_drv)
{
    if(disp_drv->buffer == nullptr) return;
    disp_drv->buffer->flushing = 0;
    disp_drv->buffer->flushing_last = 0;
}

bool lv_disp_flush_is_last(lv_disp_drv_t * disp_drv)
{
    return disp_drv->buffer && disp_drv->buffer->flushing_last;
}

void lv_disp_set_default(lv_disp_t * disp)
{
    st().def = disp;
}

lv_disp_t * lv_disp_get_default(void)
{
    return st().def;
}

lv_disp_t * lv_disp_get_next(lv_disp_t * disp)
{
    auto & v = st().disps;
    if(disp == nullptr) return v.empty() ? nullptr : v.front().get();
    for(size_t i = 0; i + 1 < v.size(); i++) {
        if(v[i].get() == disp) return v[i + 1].get();
    }
    return nullptr;
}

lv_coord_t lv_disp_get_hor_res(lv_disp_t * disp)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    return disp ? disp->driver.hor_res : LV_HOR_RES_MAX;
}

lv_coord_t lv_disp_get_ver_res(lv_disp_t * disp)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    return disp ? disp->driver.ver_res : LV_VER_RES_MAX;
}

lv_disp_buf_t * lv_disp_get_buf(lv_disp_t * disp)
{
    return disp->driver.buffer;
}

lv_obj_t * lv_disp_get_scr_act(lv_disp_t * disp)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    return disp ? disp->act_scr : nullptr;
}

void lv_disp_load_scr(lv_obj_t * scr)
{
    lv_disp_t * d = lv_obj_get_disp(scr);
    if(d == nullptr || scr->parent != nullptr) return;
    d->act_scr = scr;
    lv_obj_invalidate(scr);
}

lv_obj_t * lv_disp_get_layer_top(lv_disp_t * disp)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    return disp ? disp->top_layer : nullptr;
}

lv_obj_t * lv_disp_get_layer_sys(lv_disp_t * disp)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    return disp ? disp->sys_layer : nullptr;
}

void lv_disp_set_bg_color(lv_disp_t * disp, lv_color_t color)
{
    disp->bg_color = color;
    lv_obj_invalidate(disp->act_scr);
}

void lv_disp_set_bg_opa(lv_disp_t * disp, lv_opa_t opa)
{
    disp->bg_opa = opa;
    lv_obj_invalidate(disp->act_scr);
}

uint32_t lv_disp_get_inactive_time(const lv_disp_t * disp)
{
    return lv_tick_elaps(disp->last_activity_time);
}

void lv_disp_trig_activity(lv_disp_t * disp)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    if(disp) disp->last_activity_time = lv_tick_get();
}

void _lv_disp_obj_deleted(lv_obj_t * obj)
{
    lv_disp_t * d = obj->disp;
    if(d == nullptr) return;
    d->screens.erase(std::remove(d->screens.begin(), d->screens.end(), obj), d->screens.end());
    if(d->act_scr == obj) d->act_scr = nullptr;
    if(d->top_layer == obj) d->top_layer = nullptr;
    if(d->sys_layer == obj) d->sys_layer = nullptr;
}

void _lv_disp_for_each_root(void (*cb)(lv_obj_t *, void *), void * user)
{
    for(auto & d : st().disps) {
        std::vector<lv_obj_t *> roots = d->screens;
        for(lv_obj_t * r : roots) cb(r, user);
    }
}

/**********************
 *   INVALIDATION
 **********************/
void _lv_inv_area(lv_disp_t * disp, const lv_area_t * area_p)
{
    if(disp == nullptr) disp = lv_disp_get_default();
    if(disp == nullptr) return;
    if(area_p == nullptr) {
        disp->inv_p = 0;
        return;
    }
    lv_area_t scr{0, 0, static_cast<lv_coord_t>(disp->driver.hor_res - 1),
                  static_cast<lv_coord_t>(disp->driver.ver_res - 1)};
    lv_area_t a;
    if(!_lv_area_intersect(&a, area_p, &scr)) return;
    for(uint32_t i = 0; i < disp->inv_p; i++) {
        if(_lv_area_is_in(&a, &disp->inv_areas[i])) return;
    }
    if(disp->inv_p < LV_INV_BUF_SIZE) {
        disp->inv_areas[disp->inv_p++] = a;
    } else {
        /* Too many small areas: redraw the whole screen. */
        disp->inv_p = 1;
        disp->inv_areas[0] = scr;
    }
}

void _lv_disp_core_reset(void)
{
    while(!st().disps.empty()) {
        lv_disp_t * d = st().disps.back().get();
        while(!d->screens.empty()) lv_obj_del(d->screens.back());
        st().disps.pop_back();
    }
    st().def = nullptr;
}
