/* Animations (LVGL 7's lv_anim): a value moved linearly from start to end over a time,
 * optionally after a delay, by an exec callback; a ready callback runs when it ends.
 * Owns the running animations (copies of the descriptors given to lv_anim_start). Driven by
 * an internal task every LV_DISP_DEF_REFR_PERIOD ms; never blocks. */
#pragma once

#include <cstdint>

typedef int16_t lv_anim_value_t;
typedef enum { LV_ANIM_OFF, LV_ANIM_ON } lv_anim_enable_t;

struct _lv_anim_t;
typedef void (*lv_anim_exec_xcb_t)(void *, lv_anim_value_t);
typedef void (*lv_anim_ready_cb_t)(struct _lv_anim_t *);

typedef struct _lv_anim_t {
    void * var;
    lv_anim_exec_xcb_t exec_cb;
    lv_anim_ready_cb_t ready_cb;
    int32_t start;
    int32_t end;
    uint32_t time;
    int32_t act_time; /* negative while the delay runs */
    void * user_data;
} lv_anim_t;

void lv_anim_init(lv_anim_t * a);
void lv_anim_set_var(lv_anim_t * a, void * var);
void lv_anim_set_exec_cb(lv_anim_t * a, lv_anim_exec_xcb_t exec_cb);
void lv_anim_set_time(lv_anim_t * a, uint32_t duration);
void lv_anim_set_delay(lv_anim_t * a, uint32_t delay);
void lv_anim_set_values(lv_anim_t * a, lv_anim_value_t start, lv_anim_value_t end);
void lv_anim_set_ready_cb(lv_anim_t * a, lv_anim_ready_cb_t ready_cb);
/* Starts a copy of a; an animation of the same variable and exec callback is replaced. */
void lv_anim_start(lv_anim_t * a);
/* Deletes the animations of var (and exec_cb, or any when NULL); true if one was deleted. */
bool lv_anim_del(void * var, lv_anim_exec_xcb_t exec_cb);
lv_anim_t * lv_anim_get(void * var, lv_anim_exec_xcb_t exec_cb);
uint16_t lv_anim_count_running(void);

/* Internal: drop every animation (used by lv_deinit). */
void _lv_anim_core_reset(void);
