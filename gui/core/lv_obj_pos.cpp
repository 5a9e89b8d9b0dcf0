/* Object geometry: positions, sizes, alignment, invalidation and hit testing. */
#include "gui/core/lv_disp.h"
#include "gui/core/lv_obj.h"
#include "gui/core/lv_obj_private.h"

/**********************
 *   STATIC FUNCTIONS
 **********************/
static void notify_coord_change(lv_obj_t * obj, const lv_area_t * old, bool size_changed)
{
    lv_area_t old_copy = *old;
    if(lv_signal_send(obj, LV_SIGNAL_COORD_CHG, &old_copy) != LV_RES_OK) return;
    if(obj->parent) lv_signal_send(obj->parent, LV_SIGNAL_CHILD_CHG, obj);
    if(!size_changed) return;
    for(size_t i = 0; i < obj->children.size(); i++) {
        lv_signal_send(obj->children[i], LV_SIGNAL_PARENT_SIZE_CHG, &old_copy);
    }
}

void _lv_obj_move_subtree(lv_obj_t * obj, lv_coord_t dx, lv_coord_t dy)
{
    lv_area_move(&obj->coords, dx, dy);
    for(lv_obj_t * c : obj->children) _lv_obj_move_subtree(c, dx, dy);
}

/**********************
 *   POSITION AND SIZE
 **********************/
void lv_obj_set_pos(lv_obj_t * obj, lv_coord_t x, lv_coord_t y)
{
    if(obj->parent == nullptr) return;
    lv_coord_t dx = static_cast<lv_coord_t>(obj->parent->coords.x1 + x - obj->coords.x1);
    lv_coord_t dy = static_cast<lv_coord_t>(obj->parent->coords.y1 + y - obj->coords.y1);
    if(dx == 0 && dy == 0) return;
    lv_area_t old = obj->coords;
    lv_obj_invalidate(obj);
    _lv_obj_move_subtree(obj, dx, dy);
    lv_obj_invalidate(obj);
    notify_coord_change(obj, &old, false);
}

void lv_obj_set_x(lv_obj_t * obj, lv_coord_t x)
{
    lv_obj_set_pos(obj, x, lv_obj_get_y(obj));
}

void lv_obj_set_y(lv_obj_t * obj, lv_coord_t y)
{
    lv_obj_set_pos(obj, lv_obj_get_x(obj), y);
}

void lv_obj_set_size(lv_obj_t * obj, lv_coord_t w, lv_coord_t h)
{
    if(lv_obj_get_width(obj) == w && lv_obj_get_height(obj) == h) return;
    lv_area_t old = obj->coords;
    lv_obj_invalidate(obj);
    obj->coords.x2 = static_cast<lv_coord_t>(obj->coords.x1 + w - 1);
    obj->coords.y2 = static_cast<lv_coord_t>(obj->coords.y1 + h - 1);
    lv_obj_invalidate(obj);
    notify_coord_change(obj, &old, true);
    if(_lv_obj_is_alive(obj) && obj->realign.auto_realign) lv_obj_realign(obj);
}

void lv_obj_set_width(lv_obj_t * obj, lv_coord_t w)
{
    lv_obj_set_size(obj, w, lv_obj_get_height(obj));
}

void lv_obj_set_height(lv_obj_t * obj, lv_coord_t h)
{
    lv_obj_set_size(obj, lv_obj_get_width(obj), h);
}

lv_coord_t lv_obj_get_x(const lv_obj_t * obj)
{
    return obj->parent ? static_cast<lv_coord_t>(obj->coords.x1 - obj->parent->coords.x1) : obj->coords.x1;
}

lv_coord_t lv_obj_get_y(const lv_obj_t * obj)
{
    return obj->parent ? static_cast<lv_coord_t>(obj->coords.y1 - obj->parent->coords.y1) : obj->coords.y1;
}

lv_coord_t lv_obj_get_width(const lv_obj_t * obj)
{
    return lv_area_get_width(&obj->coords);
}

lv_coord_t lv_obj_get_height(const lv_obj_t * obj)
{
    return lv_area_get_height(&obj->coords);
}

lv_coord_t lv_obj_get_width_fit(const lv_obj_t * obj)
{
    lv_coord_t l = lv_obj_get_style_pad_left(obj, LV_OBJ_PART_MAIN);
    lv_coord_t r = lv_obj_get_style_pad_right(obj, LV_OBJ_PART_MAIN);
    return static_cast<lv_coord_t>(lv_obj_get_width(obj) - l - r);
}

lv_coord_t lv_obj_get_height_fit(const lv_obj_t * obj)
{
    lv_coord_t t = lv_obj_get_style_pad_top(obj, LV_OBJ_PART_MAIN);
    lv_coord_t b = lv_obj_get_style_pad_bottom(obj, LV_OBJ_PART_MAIN);
    return static_cast<lv_coord_t>(lv_obj_get_height(obj) - t - b);
}

void lv_obj_get_coords(const lv_obj_t * obj, lv_area_t * cords_p)
{
    *cords_p = obj->coords;
}

/**********************
 *   ALIGNMENT
 **********************/
void _lv_obj_area_align(const lv_area_t * base, const lv_area_t * to_align, lv_align_t align, lv_point_t * res)
{
    int bw = lv_area_get_width(base), bh = lv_area_get_height(base);
    int w = lv_area_get_width(to_align), h = lv_area_get_height(to_align);
    int x = 0, y = 0;
    switch(align) {
        case LV_ALIGN_CENTER: x = bw / 2 - w / 2; y = bh / 2 - h / 2; break;
        case LV_ALIGN_IN_TOP_LEFT: break;
        case LV_ALIGN_IN_TOP_MID: x = bw / 2 - w / 2; break;
        case LV_ALIGN_IN_TOP_RIGHT: x = bw - w; break;
        case LV_ALIGN_IN_BOTTOM_LEFT: y = bh - h; break;
        case LV_ALIGN_IN_BOTTOM_MID: x = bw / 2 - w / 2; y = bh - h; break;
        case LV_ALIGN_IN_BOTTOM_RIGHT: x = bw - w; y = bh - h; break;
        case LV_ALIGN_IN_LEFT_MID: y = bh / 2 - h / 2; break;
        case LV_ALIGN_IN_RIGHT_MID: x = bw - w; y = bh / 2 - h / 2; break;
        case LV_ALIGN_OUT_TOP_LEFT: y = -h; break;
        case LV_ALIGN_OUT_TOP_MID: x = bw / 2 - w / 2; y = -h; break;
        case LV_ALIGN_OUT_TOP_RIGHT: x = bw - w; y = -h; break;
        case LV_ALIGN_OUT_BOTTOM_LEFT: y = bh; break;
        case LV_ALIGN_OUT_BOTTOM_MID: x = bw / 2 - w / 2; y = bh; break;
        case LV_ALIGN_OUT_BOTTOM_RIGHT: x = bw - w; y = bh; break;
        case LV_ALIGN_OUT_LEFT_TOP: x = -w; break;
        case LV_ALIGN_OUT_LEFT_MID: x = -w; y = bh / 2 - h / 2; break;
        case LV_ALIGN_OUT_LEFT_BOTTOM: x = -w; y = bh - h; break;
        case LV_ALIGN_OUT_RIGHT_TOP: x = bw; break;
        case LV_ALIGN_OUT_RIGHT_MID: x = bw; y = bh / 2 - h / 2; break;
        case LV_ALIGN_OUT_RIGHT_BOTTOM: x = bw; y = bh - h; break;
        default: break;
    }
    res->x = static_cast<lv_coord_t>(base->x1 + x);
    res->y = static_cast<lv_coord_t>(base->y1 + y);
}

/* Moves obj so that (x or y per flags) of its aligned area lands at the computed point. */
static void obj_align_core(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs,
                           lv_coord_t y_ofs, bool mid, bool do_x, bool do_y)
{
    if(obj->parent == nullptr) return;
    if(base == nullptr || !_lv_obj_is_alive(base)) base = obj->parent;
    lv_area_t to_align = obj->coords;
    if(mid) to_align.x2 = static_cast<lv_coord_t>(to_align.x1 - 1), to_align.y2 = static_cast<lv_coord_t>(to_align.y1 - 1);
    lv_point_t p;
    _lv_obj_area_align(&base->coords, &to_align, align, &p);
    int x = p.x + x_ofs - obj->parent->coords.x1;
    int y = p.y + y_ofs - obj->parent->coords.y1;
    if(mid) {
        x -= lv_obj_get_width(obj) / 2;
        y -= lv_obj_get_height(obj) / 2;
    }
    lv_obj_set_pos(obj, static_cast<lv_coord_t>(do_x ? x : lv_obj_get_x(obj)),
                   static_cast<lv_coord_t>(do_y ? y : lv_obj_get_y(obj)));
    obj->realign.base = base;
    obj->realign.align = align;
    obj->realign.xofs = x_ofs;
    obj->realign.yofs = y_ofs;
    obj->realign.mid_align = mid ? 1 : 0;
}

void lv_obj_align(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs, lv_coord_t y_ofs)
{
    obj_align_core(obj, base, align, x_ofs, y_ofs, false, true, true);
}

void lv_obj_align_x(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs)
{
    obj_align_core(obj, base, align, x_ofs, 0, false, true, false);
}

void lv_obj_align_y(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t y_ofs)
{
    obj_align_core(obj, base, align, 0, y_ofs, false, false, true);
}

void lv_obj_align_mid(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs, lv_coord_t y_ofs)
{
    obj_align_core(obj, base, align, x_ofs, y_ofs, true, true, true);
}

void lv_obj_realign(lv_obj_t * obj)
{
    const lv_realign_t r = obj->realign;
    obj_align_core(obj, r.base, r.align, r.xofs, r.yofs, r.mid_align, true, true);
}

void lv_obj_set_auto_realign(lv_obj_t * obj, bool en)
{
    obj->realign.auto_realign = en ? 1 : 0;
}

bool lv_obj_get_auto_realign(const lv_obj_t * obj)
{
    return obj->realign.auto_realign;
}

/**********************
 *   INVALIDATION
 **********************/
bool _lv_obj_is_visible_on_disp(const lv_obj_t * obj)
{
    const lv_obj_t * o = obj;
    for(; o->parent; o = o->parent) {
        if(o->hidden) return false;
    }
    lv_disp_t * d = o->disp;
    if(d == nullptr || o->hidden) return false;
    return o == d->act_scr || o == d->top_layer || o == d->sys_layer;
}

void lv_obj_invalidate_area(const lv_obj_t * obj, const lv_area_t * area)
{
    if(!_lv_obj_is_visible_on_disp(obj)) return;
    lv_area_t a;
    lv_area_t self = obj->coords;
    self.x1 = static_cast<lv_coord_t>(self.x1 - obj->ext_draw_pad);
    self.y1 = static_cast<lv_coord_t>(self.y1 - obj->ext_draw_pad);
    self.x2 = static_cast<lv_coord_t>(self.x2 + obj->ext_draw_pad);
    self.y2 = static_cast<lv_coord_t>(self.y2 + obj->ext_draw_pad);
    if(!_lv_area_intersect(&a, area, &self)) return;
    for(const lv_obj_t * p = obj->parent; p; p = p->parent) {
        if(!_lv_area_intersect(&a, &a, &p->coords)) return;
    }
    _lv_inv_area(lv_obj_get_disp(obj), &a);
}

void lv_obj_invalidate(const lv_obj_t * obj)
{
    lv_area_t a = obj->coords;
    a.x1 = static_cast<lv_coord_t>(a.x1 - obj->ext_draw_pad);
    a.y1 = static_cast<lv_coord_t>(a.y1 - obj->ext_draw_pad);
    a.x2 = static_cast<lv_coord_t>(a.x2 + obj->ext_draw_pad);
    a.y2 = static_cast<lv_coord_t>(a.y2 + obj->ext_draw_pad);
    lv_obj_invalidate_area(obj, &a);
}

/**********************
 *   HIT TEST
 **********************/
bool lv_obj_is_point_on_coords(lv_obj_t * obj, const lv_point_t * point)
{
    return _lv_area_is_point_on(&obj->coords, point);
}

bool lv_obj_hittest(lv_obj_t * obj, lv_point_t * point)
{
    lv_hit_test_info_t info{point, false};
    lv_signal_send(obj, LV_SIGNAL_HIT_TEST, &info);
    return info.result;
}
