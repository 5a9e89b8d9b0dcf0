/* Basic geometry of the widget layer: coordinates, points, inclusive rectangles, results.
 * Owns nothing; every function is pure and never blocks. Areas are inclusive on both
 * corners (x2, y2 belong to the area); an area with x2 < x1 or y2 < y1 is empty. */
#pragma once

#include <cstdint>

typedef int16_t lv_coord_t;
typedef uint8_t lv_res_t;
enum { LV_RES_INV = 0, LV_RES_OK = 1 };

#define LV_COORD_MAX 16383
#define LV_COORD_MIN (-16384)

typedef struct {
    lv_coord_t x;
    lv_coord_t y;
} lv_point_t;

typedef struct {
    lv_coord_t x1;
    lv_coord_t y1;
    lv_coord_t x2;
    lv_coord_t y2;
} lv_area_t;

void lv_area_set(lv_area_t * area, lv_coord_t x1, lv_coord_t y1, lv_coord_t x2, lv_coord_t y2);
void lv_area_copy(lv_area_t * dest, const lv_area_t * src);
lv_coord_t lv_area_get_width(const lv_area_t * area);
lv_coord_t lv_area_get_height(const lv_area_t * area);
uint32_t lv_area_get_size(const lv_area_t * area);
void lv_area_set_width(lv_area_t * area, lv_coord_t w);
void lv_area_set_height(lv_area_t * area, lv_coord_t h);
void lv_area_set_pos(lv_area_t * area, lv_coord_t x, lv_coord_t y);
void lv_area_move(lv_area_t * area, lv_coord_t dx, lv_coord_t dy);

/* Intersection into res; false (res undefined) when the two do not overlap. */
bool _lv_area_intersect(lv_area_t * res, const lv_area_t * a1, const lv_area_t * a2);
/* Smallest area holding both. */
void _lv_area_join(lv_area_t * res, const lv_area_t * a1, const lv_area_t * a2);
bool _lv_area_is_point_on(const lv_area_t * area, const lv_point_t * p);
bool _lv_area_is_on(const lv_area_t * a1, const lv_area_t * a2);
/* True when ain_p lies completely inside aholder_p. */
bool _lv_area_is_in(const lv_area_t * ain_p, const lv_area_t * aholder_p);
