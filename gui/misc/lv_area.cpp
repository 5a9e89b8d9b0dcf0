/* Geometry helpers on inclusive rectangles. */
#include "gui/misc/lv_area.h"

#include <algorithm>

void lv_area_set(lv_area_t * area, lv_coord_t x1, lv_coord_t y1, lv_coord_t x2, lv_coord_t y2)
{
    area->x1 = x1;
    area->y1 = y1;
    area->x2 = x2;
    area->y2 = y2;
}

void lv_area_copy(lv_area_t * dest, const lv_area_t * src)
{
    *dest = *src;
}

lv_coord_t lv_area_get_width(const lv_area_t * area)
{
    return static_cast<lv_coord_t>(area->x2 - area->x1 + 1);
}

lv_coord_t lv_area_get_height(const lv_area_t * area)
{
    return static_cast<lv_coord_t>(area->y2 - area->y1 + 1);
}

uint32_t lv_area_get_size(const lv_area_t * area)
{
    int w = lv_area_get_width(area);
    int h = lv_area_get_height(area);
    if(w <= 0 || h <= 0) return 0;
    return static_cast<uint32_t>(w) * static_cast<uint32_t>(h);
}

void lv_area_set_width(lv_area_t * area, lv_coord_t w)
{
    area->x2 = static_cast<lv_coord_t>(area->x1 + w - 1);
}

void lv_area_set_height(lv_area_t * area, lv_coord_t h)
{
    area->y2 = static_cast<lv_coord_t>(area->y1 + h - 1);
}

void lv_area_set_pos(lv_area_t * area, lv_coord_t x, lv_coord_t y)
{
    lv_coord_t w = lv_area_get_width(area);
    lv_coord_t h = lv_area_get_height(area);
    area->x1 = x;
    area->y1 = y;
    lv_area_set_width(area, w);
    lv_area_set_height(area, h);
}

void lv_area_move(lv_area_t * area, lv_coord_t dx, lv_coord_t dy)
{
    area->x1 = static_cast<lv_coord_t>(area->x1 + dx);
    area->x2 = static_cast<lv_coord_t>(area->x2 + dx);
    area->y1 = static_cast<lv_coord_t>(area->y1 + dy);
    area->y2 = static_cast<lv_coord_t>(area->y2 + dy);
}

bool _lv_area_intersect(lv_area_t * res, const lv_area_t * a1, const lv_area_t * a2)
{
    res->x1 = std::max(a1->x1, a2->x1);
    res->y1 = std::max(a1->y1, a2->y1);
    res->x2 = std::min(a1->x2, a2->x2);
    res->y2 = std::min(a1->y2, a2->y2);
    return res->x1 <= res->x2 && res->y1 <= res->y2;
}

void _lv_area_join(lv_area_t * res, const lv_area_t * a1, const lv_area_t * a2)
{
    res->x1 = std::min(a1->x1, a2->x1);
    res->y1 = std::min(a1->y1, a2->y1);
    res->x2 = std::max(a1->x2, a2->x2);
    res->y2 = std::max(a1->y2, a2->y2);
}

bool _lv_area_is_point_on(const lv_area_t * area, const lv_point_t * p)
{
    return p->x >= area->x1 && p->x <= area->x2 && p->y >= area->y1 && p->y <= area->y2;
}

bool _lv_area_is_on(const lv_area_t * a1, const lv_area_t * a2)
{
    return a1->x1 <= a2->x2 && a1->x2 >= a2->x1 && a1->y1 <= a2->y2 && a1->y2 >= a2->y1;
}

bool _lv_area_is_in(const lv_area_t * ain_p, const lv_area_t * aholder_p)
{
    return ain_p->x1 >= aholder_p->x1 && ain_p->y1 >= aholder_p->y1 && ain_p->x2 <= aholder_p->x2 &&
           ain_p->y2 <= aholder_p->y2;
}
