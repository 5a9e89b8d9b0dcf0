/* Tick counter and cooperative tasks (LVGL 7's lv_tick and lv_task).
 * Owns the list of tasks. Nothing blocks: lv_task_handler runs every due task once, highest
 * priority first, on the caller's thread; time advances only through lv_tick_inc. A task with
 * a positive repeat count is deleted after that many runs; -1 repeats for ever. */
#pragma once

#include <cstdint>

void lv_tick_inc(uint32_t tick_period);
uint32_t lv_tick_get(void);
uint32_t lv_tick_elaps(uint32_t prev_tick);

typedef enum {
    LV_TASK_PRIO_OFF = 0,
    LV_TASK_PRIO_LOWEST,
    LV_TASK_PRIO_LOW,
    LV_TASK_PRIO_MID,
    LV_TASK_PRIO_HIGH,
    LV_TASK_PRIO_HIGHEST,
    _LV_TASK_PRIO_NUM,
} lv_task_prio_t;

struct _lv_task_t;
typedef void (*lv_task_cb_t)(struct _lv_task_t *);

typedef struct _lv_task_t {
    uint32_t period;
    uint32_t last_run;
    lv_task_cb_t task_cb;
    void * user_data;
    int32_t repeat_count;
    uint8_t prio;
    /* Handler bookkeeping: the pass in which the task last ran. */
    uint32_t pass_id;
} lv_task_t;

/* Runs the due tasks; returns the milliseconds until the next task is due. */
uint32_t lv_task_handler(void);
lv_task_t * lv_task_create_basic(void);
lv_task_t * lv_task_create(lv_task_cb_t task_xcb, uint32_t period, lv_task_prio_t prio, void * user_data);
void lv_task_del(lv_task_t * task);
void lv_task_set_cb(lv_task_t * task, lv_task_cb_t task_cb);
void lv_task_set_prio(lv_task_t * task, lv_task_prio_t prio);
void lv_task_set_period(lv_task_t * task, uint32_t period);
/* Makes the task run on the next pass of the handler, whatever its period. */
void lv_task_ready(lv_task_t * task);
void lv_task_set_repeat_count(lv_task_t * task, int32_t repeat_count);
/* Restarts the task's period from now. */
void lv_task_reset(lv_task_t * task);
void lv_task_enable(bool en);
/* Walks the tasks in run order: NULL gives the first. */
lv_task_t * lv_task_get_next(lv_task_t * task);

/* Internal: forget every task and reset the tick (used by lv_deinit). */
void _lv_task_core_reset(void);
