/* Input devices (LVGL 7's lv_indev): pointer and keypad drivers polled by a read task every
 * LV_INDEV_DEF_READ_PERIOD ms. A pointer press on an object sends it PRESSED (and PRESSING,
 * LONG_PRESSED... while held); the release sends RELEASED handling, SHORT_CLICKED, CLICKED
 * and RELEASED. A keypad sends its keys to the focused object of its group; ENTER also
 * presses and clicks that object. Read callbacks return true when more data waits: they are
 * called again at once. Never blocks; objects deleted by event callbacks are handled. */
#pragma once

#include <cstdint>

#include "gui/core/lv_disp.h"
#include "gui/core/lv_group.h"
#include "gui/core/lv_obj.h"
#include "gui/misc/lv_task.h"

typedef uint8_t lv_indev_type_t;
enum {
    LV_INDEV_TYPE_NONE,
    LV_INDEV_TYPE_POINTER,
    LV_INDEV_TYPE_KEYPAD,
    LV_INDEV_TYPE_BUTTON,
    LV_INDEV_TYPE_ENCODER,
};

typedef uint8_t lv_indev_state_t;
enum { LV_INDEV_STATE_REL = 0, LV_INDEV_STATE_PR };

typedef struct {
    lv_point_t point;
    uint32_t key;
    uint32_t btn_id;
    int16_t enc_diff;
    lv_indev_state_t state;
} lv_indev_data_t;

typedef struct _lv_indev_drv_t {
    lv_indev_type_t type;
    bool (*read_cb)(struct _lv_indev_drv_t * indev_drv, lv_indev_data_t * data);
    void (*feedback_cb)(struct _lv_indev_drv_t *, uint8_t);
    void * user_data;
    lv_disp_t * disp;
    lv_task_t * read_task;
    uint8_t drag_limit;
    uint8_t drag_throw;
    uint8_t gesture_min_velocity;
    uint8_t gesture_limit;
    uint16_t long_press_time;
    uint16_t long_press_rep_time;
} lv_indev_drv_t;

/* Processing state of one device. */
typedef struct {
    lv_indev_state_t state;
    lv_point_t act_point;
    lv_obj_t * act_obj;      /* pointer: the pressed object */
    lv_obj_t * last_pressed; /* pointer: for click focus */
    uint32_t last_key;       /* keypad */
    lv_indev_state_t last_state;
    uint32_t pr_timestamp;
    uint32_t longpr_rep_timestamp;
    uint8_t long_pr_sent : 1;
    uint8_t reset_query : 1;
    uint8_t disabled : 1;
    uint8_t wait_until_release : 1;
} lv_indev_proc_t;

typedef struct _lv_indev_t {
    lv_indev_drv_t driver;
    lv_indev_proc_t proc;
    lv_obj_t * cursor;
    lv_group_t * group;
} lv_indev_t;

void lv_indev_drv_init(lv_indev_drv_t * driver);
/* Registers a copy of driver (on the default display when none is set). */
lv_indev_t * lv_indev_drv_register(lv_indev_drv_t * driver);
void lv_indev_drv_update(lv_indev_t * indev, lv_indev_drv_t * new_drv);
lv_indev_t * lv_indev_get_next(lv_indev_t * indev);
/* The device being processed (inside event callbacks), else NULL. */
lv_indev_t * lv_indev_get_act(void);
lv_indev_type_t lv_indev_get_type(const lv_indev_t * indev);
void lv_indev_reset(lv_indev_t * indev, lv_obj_t * obj);
void lv_indev_reset_long_press(lv_indev_t * indev);
void lv_indev_enable(lv_indev_t * indev, bool en);
void lv_indev_set_group(lv_indev_t * indev, lv_group_t * group);
void lv_indev_get_point(const lv_indev_t * indev, lv_point_t * point);
uint32_t lv_indev_get_key(const lv_indev_t * indev);
bool lv_indev_is_dragging(const lv_indev_t * indev);
void lv_indev_wait_release(lv_indev_t * indev);
lv_obj_t * lv_indev_get_obj_act(void);
/* The topmost clickable, enabled object under point on the display's screens and layers. */
lv_obj_t * lv_indev_search_obj(lv_obj_t * obj, lv_point_t * point);
/* Reads and processes all devices now (what the read task does). */
void _lv_indev_read_task(lv_task_t * task);

/* Internal: forget every input device (used by lv_deinit). */
void _lv_indev_core_reset(void);
