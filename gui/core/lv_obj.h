/* The object tree (LVGL 7's lv_obj): every widget is an lv_obj_t with a parent, children,
 * absolute coordinates, states, per-part style lists, event and signal callbacks.
 * Owns the objects: lv_obj_del frees an object and its whole subtree (children first), after
 * sending LV_EVENT_DELETE to each; deleting from inside an event callback is allowed.
 * All calls run on the GUI thread and never block. Positions are relative to the parent's
 * top-left corner; coords are absolute display coordinates, inclusive. */
#pragma once

#include <cstdint>
#include <vector>

#include "gui/core/lv_style.h"
#include "gui/misc/lv_area.h"

struct _lv_obj_t;
struct _disp_t;

typedef enum {
    LV_DESIGN_DRAW_MAIN,
    LV_DESIGN_DRAW_POST,
    LV_DESIGN_COVER_CHK,
} lv_design_mode_t;

typedef enum {
    LV_DESIGN_RES_OK,
    LV_DESIGN_RES_COVER,
    LV_DESIGN_RES_NOT_COVER,
    LV_DESIGN_RES_MASKED,
} lv_design_res_t;

typedef uint8_t lv_event_t;
enum {
    LV_EVENT_PRESSED,
    LV_EVENT_PRESSING,
    LV_EVENT_PRESS_LOST,
    LV_EVENT_SHORT_CLICKED,
    LV_EVENT_LONG_PRESSED,
    LV_EVENT_LONG_PRESSED_REPEAT,
    LV_EVENT_CLICKED,
    LV_EVENT_RELEASED,
    LV_EVENT_DRAG_BEGIN,
    LV_EVENT_DRAG_END,
    LV_EVENT_DRAG_THROW_BEGIN,
    LV_EVENT_GESTURE,
    LV_EVENT_KEY,
    LV_EVENT_FOCUSED,
    LV_EVENT_DEFOCUSED,
    LV_EVENT_LEAVE,
    LV_EVENT_VALUE_CHANGED,
    LV_EVENT_INSERT,
    LV_EVENT_REFRESH,
    LV_EVENT_APPLY,
    LV_EVENT_CANCEL,
    LV_EVENT_DELETE,
    _LV_EVENT_LAST,
};

typedef uint8_t lv_signal_t;
enum {
    LV_SIGNAL_CLEANUP,
    LV_SIGNAL_CHILD_CHG,
    LV_SIGNAL_COORD_CHG, /* param: the old coordinates */
    LV_SIGNAL_PARENT_SIZE_CHG,
    LV_SIGNAL_STYLE_CHG,
    LV_SIGNAL_REFR_EXT_DRAW_PAD,
    LV_SIGNAL_HIT_TEST,
    LV_SIGNAL_PRESSED,
    LV_SIGNAL_PRESSING,
    LV_SIGNAL_PRESS_LOST,
    LV_SIGNAL_RELEASED,
    LV_SIGNAL_LONG_PRESS,
    LV_SIGNAL_LONG_PRESS_REP,
    LV_SIGNAL_LEAVE,
    LV_SIGNAL_FOCUS,
    LV_SIGNAL_DEFOCUS,
    LV_SIGNAL_CONTROL, /* param: pointer to the uint32_t key */
    LV_SIGNAL_GET_EDITABLE,
};

typedef uint8_t lv_align_t;
enum {
    LV_ALIGN_CENTER = 0,
    LV_ALIGN_IN_TOP_LEFT,
    LV_ALIGN_IN_TOP_MID,
    LV_ALIGN_IN_TOP_RIGHT,
    LV_ALIGN_IN_BOTTOM_LEFT,
    LV_ALIGN_IN_BOTTOM_MID,
    LV_ALIGN_IN_BOTTOM_RIGHT,
    LV_ALIGN_IN_LEFT_MID,
    LV_ALIGN_IN_RIGHT_MID,
    LV_ALIGN_OUT_TOP_LEFT,
    LV_ALIGN_OUT_TOP_MID,
    LV_ALIGN_OUT_TOP_RIGHT,
    LV_ALIGN_OUT_BOTTOM_LEFT,
    LV_ALIGN_OUT_BOTTOM_MID,
    LV_ALIGN_OUT_BOTTOM_RIGHT,
    LV_ALIGN_OUT_LEFT_TOP,
    LV_ALIGN_OUT_LEFT_MID,
    LV_ALIGN_OUT_LEFT_BOTTOM,
    LV_ALIGN_OUT_RIGHT_TOP,
    LV_ALIGN_OUT_RIGHT_MID,
    LV_ALIGN_OUT_RIGHT_BOTTOM,
};

typedef uint8_t lv_obj_part_t;
enum {
    LV_OBJ_PART_MAIN = 0,
    _LV_OBJ_PART_SLOTS = 4, /* every widget part maps to one of these style-list slots */
    LV_OBJ_PART_ALL = 0xFF,
};

typedef void (*lv_event_cb_t)(struct _lv_obj_t * obj, lv_event_t event);
typedef lv_res_t (*lv_signal_cb_t)(struct _lv_obj_t * obj, lv_signal_t sign, void * param);
typedef lv_design_res_t (*lv_design_cb_t)(struct _lv_obj_t * obj, const lv_area_t * clip_area,
                                          lv_design_mode_t mode);

typedef struct {
    const struct _lv_obj_t * base;
    lv_coord_t xofs;
    lv_coord_t yofs;
    lv_align_t align;
    uint8_t auto_realign : 1;
    uint8_t mid_align : 1;
} lv_realign_t;

/* Parameter of LV_SIGNAL_HIT_TEST: the point and the answer. */
typedef struct {
    const lv_point_t * point;
    bool result;
} lv_hit_test_info_t;

typedef struct _lv_obj_t {
    struct _lv_obj_t * parent;
    std::vector<struct _lv_obj_t *> children; /* oldest (bottom-most) first */
    lv_area_t coords;
    lv_event_cb_t event_cb;
    lv_signal_cb_t signal_cb;
    lv_design_cb_t design_cb;
    void * ext_attr;
    lv_style_list_t style_list[_LV_OBJ_PART_SLOTS];
    lv_coord_t ext_draw_pad;
    uint8_t click : 1;
    uint8_t hidden : 1;
    uint8_t parent_event : 1;
    uint8_t top : 1;
    lv_state_t state;
    lv_realign_t realign;
    void * user_data;
    struct _disp_t * disp; /* the display of a screen; none for other objects */
    void * group_p;        /* the group the object belongs to, if any */
} lv_obj_t;

/**********************
 * Creation and deletion
 **********************/
/* A new object on parent (a new screen of the default display when parent is NULL),
 * copying size, styles and attributes of copy when given. */
lv_obj_t * lv_obj_create(lv_obj_t * parent, const lv_obj_t * copy);
lv_res_t lv_obj_del(lv_obj_t * obj);
/* Deletes obj on the next pass of the task handler. */
void lv_obj_del_async(lv_obj_t * obj);
/* Deletes every child of obj. */
void lv_obj_clean(lv_obj_t * obj);
void lv_obj_invalidate(const lv_obj_t * obj);
void lv_obj_invalidate_area(const lv_obj_t * obj, const lv_area_t * area);

/**********************
 * Tree
 **********************/
void lv_obj_set_parent(lv_obj_t * obj, lv_obj_t * parent);
void lv_obj_move_foreground(lv_obj_t * obj);
void lv_obj_move_background(lv_obj_t * obj);
lv_obj_t * lv_obj_get_screen(const lv_obj_t * obj);
struct _disp_t * lv_obj_get_disp(const lv_obj_t * obj);
lv_obj_t * lv_obj_get_parent(const lv_obj_t * obj);
/* Children from the newest: child NULL gives the newest, then each call the next older one. */
lv_obj_t * lv_obj_get_child(const lv_obj_t * obj, const lv_obj_t * child);
lv_obj_t * lv_obj_get_child_back(const lv_obj_t * obj, const lv_obj_t * child);
uint16_t lv_obj_count_children(const lv_obj_t * obj);
uint16_t lv_obj_count_children_recursive(const lv_obj_t * obj);

/**********************
 * Coordinates
 **********************/
void lv_obj_set_pos(lv_obj_t * obj, lv_coord_t x, lv_coord_t y);
void lv_obj_set_x(lv_obj_t * obj, lv_coord_t x);
void lv_obj_set_y(lv_obj_t * obj, lv_coord_t y);
void lv_obj_set_size(lv_obj_t * obj, lv_coord_t w, lv_coord_t h);
void lv_obj_set_width(lv_obj_t * obj, lv_coord_t w);
void lv_obj_set_height(lv_obj_t * obj, lv_coord_t h);
/* Aligns obj to base (its parent when NULL) and remembers the request for lv_obj_realign. */
void lv_obj_align(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs, lv_coord_t y_ofs);
void lv_obj_align_x(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs);
void lv_obj_align_y(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t y_ofs);
/* As lv_obj_align, but the object's centre is placed at the aligned point. */
void lv_obj_align_mid(lv_obj_t * obj, const lv_obj_t * base, lv_align_t align, lv_coord_t x_ofs, lv_coord_t y_ofs);
void lv_obj_realign(lv_obj_t * obj);
/* With auto-realign on, every size change of obj repeats its last alignment. */
void lv_obj_set_auto_realign(lv_obj_t * obj, bool en);
lv_coord_t lv_obj_get_x(const lv_obj_t * obj);
lv_coord_t lv_obj_get_y(const lv_obj_t * obj);
lv_coord_t lv_obj_get_width(const lv_obj_t * obj);
lv_coord_t lv_obj_get_height(const lv_obj_t * obj);
lv_coord_t lv_obj_get_width_fit(const lv_obj_t * obj);
lv_coord_t lv_obj_get_height_fit(const lv_obj_t * obj);
void lv_obj_get_coords(const lv_obj_t * obj, lv_area_t * cords_p);
bool lv_obj_get_auto_realign(const lv_obj_t * obj);
bool lv_obj_is_point_on_coords(lv_obj_t * obj, const lv_point_t * point);
bool lv_obj_hittest(lv_obj_t * obj, lv_point_t * point);

/**********************
 * Attributes
 **********************/
void lv_obj_set_hidden(lv_obj_t * obj, bool en);
bool lv_obj_get_hidden(const lv_obj_t * obj);
void lv_obj_set_click(lv_obj_t * obj, bool en);
bool lv_obj_get_click(const lv_obj_t * obj);
void lv_obj_set_top(lv_obj_t * obj, bool en);
void lv_obj_set_parent_event(lv_obj_t * obj, bool en);
void lv_obj_set_event_cb(lv_obj_t * obj, lv_event_cb_t event_cb);
lv_event_cb_t lv_obj_get_event_cb(const lv_obj_t * obj);
void lv_obj_set_signal_cb(lv_obj_t * obj, lv_signal_cb_t signal_cb);
void lv_obj_set_design_cb(lv_obj_t * obj, lv_design_cb_t design_cb);
void * lv_obj_get_ext_attr(const lv_obj_t * obj);
void lv_obj_set_user_data(lv_obj_t * obj, void * data);
void * lv_obj_get_user_data(const lv_obj_t * obj);
void lv_obj_refresh_ext_draw_pad(lv_obj_t * obj);

/**********************
 * States
 **********************/
void lv_obj_set_state(lv_obj_t * obj, lv_state_t state);
void lv_obj_add_state(lv_obj_t * obj, lv_state_t state);
void lv_obj_clear_state(lv_obj_t * obj, lv_state_t state);
lv_state_t lv_obj_get_state(const lv_obj_t * obj, uint8_t part);

/**********************
 * Events and signals
 **********************/
/* Calls obj's event callback (and, with parent_event, its parent's); LV_RES_INV when
 * obj was deleted by a callback. */
lv_res_t lv_event_send(lv_obj_t * obj, lv_event_t event, const void * data);
lv_res_t lv_event_send_func(lv_event_cb_t event_xcb, lv_obj_t * obj, lv_event_t event, const void * data);
/* The data given with the event being handled. */
const void * lv_event_get_data(void);
lv_res_t lv_signal_send(lv_obj_t * obj, lv_signal_t signal, void * param);
/* The base object's signal handler: widgets call it first for signals they do not consume. */
lv_res_t lv_obj_signal(lv_obj_t * obj, lv_signal_t sign, void * param);
/* The base object's drawing: background and border of the main part. */
lv_design_res_t lv_obj_design(lv_obj_t * obj, const lv_area_t * clip_area, lv_design_mode_t mode);

/* Internal: whether obj is in the tree of some display. */
bool _lv_obj_is_alive(const lv_obj_t * obj);
void _lv_obj_area_align(const lv_area_t * base, const lv_area_t * to_align, lv_align_t align, lv_point_t * res);
#include "gui/core/lv_obj_style.h"
