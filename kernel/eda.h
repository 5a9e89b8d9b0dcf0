// Event-driven tasks (edas): per-eda event queues served round-robin by the run queue on the
// kernel thread, sub-call frames, and the start/finish life cycle.
// Handlers run to completion and never block. Operations on "the current eda" are for handlers
// only (outside one they hit the kernel assertion); posting is also allowed from host threads
// holding the CPU lock. Errors are kiv_err_t results.
#pragma once

#include <cstdint>

#include "kernel/types.h"

struct kiv_eda_t;
struct kiv_eda_frame_t;

// Plain handler: receives the eda.
using kiv_eda_handler_t = void (*)(kiv_eda_t* eda, kiv_evt_t evt);
// Frame handler with a parameter: receives the frame's parameter area; the `param` pointer is
// the word just below it (kiv_eda_frame_param).
using kiv_area_handler_t = void (*)(void* area, kiv_evt_t evt);

// Slot 2 of an eda and the `next` of a frame: a plain handler or a frame.
union kiv_eda_slot_t {
  kiv_eda_handler_t handler;
  kiv_eda_frame_t* frame;
};

// A frame handler of either kind; the frame's parameter decides which is called.
union kiv_frame_fn_t {
  kiv_eda_handler_t on_eda;
  kiv_area_handler_t on_area;
};

struct kiv_evt_node_t {
  kiv_evt_node_t* next;
  kiv_evt_t evt;
  void* msg;
};

// eda state bits
inline constexpr uint8_t KIV_EDA_IN_READY = 0x01;
inline constexpr uint8_t KIV_EDA_TO_TERMINATE = 0x04;
inline constexpr uint8_t KIV_EDA_LIMITED = 0x08;
inline constexpr uint8_t KIV_EDA_SYNC_GOT = 0x10;
inline constexpr uint8_t KIV_EDA_TIMER_ARMED = 0x20;
// frame flag bits; bits 3..7 hold the frame state
inline constexpr uint8_t KIV_EDA_USE_FRAME = 0x01;
inline constexpr uint8_t KIV_EDA_IS_THREAD = 0x02;

struct kiv_eda_t {
  void (*on_terminate)(kiv_eda_t* eda);
  kiv_eda_slot_t slot;  // handler in plain mode, top frame in frame mode
  int return_value;
  kiv_list_node_t pending_node;
  kiv_list_node_t ready_node;
  kiv_evt_node_t* evt_first;
  kiv_evt_node_t* evt_last;
  uint8_t cur_priority;
  uint8_t base_priority;
  uint8_t evt_incoming;
  uint8_t state;
  uint8_t frame_flags;
  kiv_list_node_t timer_node;
  uint64_t due;
};

struct kiv_eda_frame_t {
  kiv_eda_slot_t next;
  kiv_frame_fn_t handler;
  uint8_t saved_flags;
  uint8_t spare;
  uint16_t param_size;
  void* param;  // stored immediately before the parameter area
};
static_assert(sizeof(kiv_eda_frame_t) % 8 == 0, "the parameter area follows the frame head");

struct kiv_evtq_t {
  kiv_queue_t ready;
  kiv_eda_t* cur_eda;
  int cur_evt;  // -1: none
  void* cur_msg;
};

struct kiv_eda_cfg_t {
  kiv_frame_fn_t handler;
  void (*on_terminate)(kiv_eda_t* eda);
  int priority;  // -1: that of the current run queue
  uint8_t frame_flags;
  uint16_t param_size;
  void* param;
};

kiv_err_t kiv_eda_start(kiv_eda_t* eda, int priority, uint8_t frame_flags);
kiv_err_t kiv_eda_start_ex(kiv_eda_t* eda, const kiv_eda_cfg_t* cfg);
kiv_err_t kiv_eda_fini(kiv_eda_t* eda);
kiv_eda_t* kiv_eda_get_cur();
kiv_err_t kiv_eda_post_evt(kiv_eda_t* eda, kiv_evt_t evt);
kiv_err_t kiv_eda_post_msg(kiv_eda_t* eda, void* msg);
void* kiv_eda_get_cur_msg();
void kiv_eda_yield();

// Sub-call of `handler` from the current eda. A plain eda gets 0 (KIV_EVT_RETURN follows) or
// KIV_ERR_NOT_ENOUGH_RESOURCES; a thread blocks and gets KIV_EVT_RETURN (with the return value
// KIV_ERR_NOT_ENOUGH_RESOURCES when no frame could be had).
int kiv_eda_call_param(kiv_area_handler_t handler, void* param, uint16_t param_size, int copy_size,
                       const void* copy_from);
// Sub-call of a plain handler, without parameter.
int kiv_eda_call(kiv_eda_handler_t handler);
int kiv_eda_return(int value);
int kiv_eda_get_return_value();
kiv_err_t kiv_eda_set_frame_param(void* param);
int kiv_eda_get_frame_state();
void kiv_eda_set_frame_state(int state);
void* kiv_eda_get_frame_param_area(kiv_eda_t* eda);
void kiv_eda_purge_evt(kiv_evt_t evt);

// The `param` word stored just below a frame's parameter area.
inline void* kiv_eda_frame_param(void* area) { return static_cast<void**>(area)[-1]; }

// ---- kernel internals shared with the timer, sync and thread modules ---------------------------
kiv_err_t kiv_eda_post(kiv_eda_t* eda, kiv_evt_t evt, void* msg, bool force);
void kiv_eda_mark_incoming(kiv_eda_t* eda);
kiv_evtq_t* kiv_evtq_current();
kiv_eda_frame_t* kiv_eda_push_frame(kiv_eda_t* eda, kiv_frame_fn_t handler, void* param, uint16_t param_size,
                                    int copy_size, const void* copy_from);
void kiv_evtq_init_all();
void kiv_evtq_run(int priority);
bool kiv_evtq_has_ready(int priority);
void kiv_evt_pool_init();
// Returns every queued event of `eda` to the pool and unlinks it from its run queue.
void kiv_eda_discard(kiv_eda_t* eda);
// Discards every ready eda's queued events (used when an embedded kernel run ends).
void kiv_evtq_drop_all();
