// Event-driven tasks: posting, the run queue, sub-call frames, start and finish.
#include "kernel/eda.h"

#include <cstring>

#include "kernel/heap.h"
#include "kernel/host/arch.h"
#include "kernel/panic.h"
#include "kernel/thread.h"
#include "kernel/timer.h"

namespace {

constexpr int queue_count = 1;
kiv_evtq_t queues[queue_count];
kiv_evtq_t* cur_queue = nullptr;
kiv_pool_t evt_node_pool;
bool evt_node_pool_ready = false;

kiv_eda_t* eda_of_ready(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_eda_t, ready_node); }

kiv_evtq_t& queue_of(kiv_eda_t* eda) { return queues[eda->cur_priority]; }

kiv_eda_t* current_eda_or_panic() {
  KIV_ASSERT(cur_queue && cur_queue->cur_eda, "no current task");
  return cur_queue->cur_eda;
}

kiv_evt_node_t* take_first_event(kiv_eda_t* eda) {
  kiv_evt_node_t* node = eda->evt_first;
  if (node) {
    eda->evt_first = node->next;
    if (!eda->evt_first) eda->evt_last = nullptr;
  }
  return node;
}

void free_pending_events(kiv_eda_t* eda) {
  bool state = kiv_arch_interrupt_disable();
  kiv_evt_node_t* node = eda->evt_first;
  eda->evt_first = eda->evt_last = nullptr;
  kiv_arch_interrupt_restore(state);
  while (node) {
    kiv_evt_node_t* next = node->next;
    kiv_pool_free(&evt_node_pool, node);
    node = next;
  }
}

void pop_frame(kiv_eda_t* eda) {
  kiv_eda_frame_t* frame = eda->slot.frame;
  eda->slot = frame->next;
  eda->frame_flags = frame->saved_flags;
  kiv_heap_free(frame);
}

bool frame_takes_area(const kiv_eda_frame_t* frame) { return frame->param || frame->param_size; }

void dispatch(kiv_eda_t* eda, kiv_evt_t evt) {
  if (!(eda->frame_flags & KIV_EDA_USE_FRAME)) {
    eda->slot.handler(eda, evt);
    return;
  }
  kiv_eda_frame_t* frame = eda->slot.frame;
  if (frame_takes_area(frame))
    frame->handler.on_area(frame + 1, evt);
  else
    frame->handler.on_eda(eda, evt);
}

// Steps 3 to 5 of finishing: unlink from the ready list, drop events, tell the owner.
void complete_finish(kiv_eda_t* eda) {
  bool state = kiv_arch_interrupt_disable();
  if (eda->state & KIV_EDA_IN_READY) {
    queue_of(eda).ready.remove(&eda->ready_node);
    eda->state &= static_cast<uint8_t>(~KIV_EDA_IN_READY);
  }
  kiv_arch_interrupt_restore(state);
  free_pending_events(eda);
  if (eda->on_terminate) eda->on_terminate(eda);
}

void serve_one(kiv_evtq_t* q, kiv_eda_t* e) {
  q->cur_eda = e;
  kiv_evt_node_t* node = take_first_event(e);
  kiv_arch_interrupt_enable();
  q->cur_evt = node ? node->evt : -1;
  q->cur_msg = node ? node->msg : nullptr;
  if (node) kiv_pool_free(&evt_node_pool, node);
  if (node && !(e->state & KIV_EDA_TO_TERMINATE)) {
    bool state = kiv_arch_interrupt_disable();
    e->evt_incoming = 0;
    kiv_arch_interrupt_restore(state);
    dispatch(e, static_cast<kiv_evt_t>(q->cur_evt));
  }
  q->cur_evt = -1;
  q->cur_msg = nullptr;
}

}  // namespace

// ---- posting ---------------------------------------------------------------------------------

void kiv_evt_pool_init() {
  if (evt_node_pool_ready) return;  // blocks are never given back; keep them across restarts
  kiv_pool_cfg_t cfg{.name = "kiv_evt_node_pool", .spare = nullptr, .ops = nullptr, .on_new = nullptr};
  kiv_pool_init(&evt_node_pool, sizeof(kiv_evt_node_t), 4, &cfg);
  evt_node_pool_ready = true;
}

kiv_err_t kiv_eda_post(kiv_eda_t* eda, kiv_evt_t evt, void* msg, bool force) {
  auto* node = static_cast<kiv_evt_node_t*>(kiv_pool_alloc(&evt_node_pool));
  if (!node) return KIV_ERR_NOT_ENOUGH_RESOURCES;
  node->next = nullptr;
  node->evt = evt;
  node->msg = msg;
  bool state = kiv_arch_interrupt_disable();
  constexpr uint8_t one_event_only = KIV_EDA_IN_READY | KIV_EDA_LIMITED;
  if (!force && (eda->state & one_event_only) == one_event_only) {
    kiv_arch_interrupt_restore(state);
    kiv_pool_free(&evt_node_pool, node);
    return KIV_ERR_INVALID_STATE;
  }
  if (eda->evt_last) eda->evt_last->next = node; else eda->evt_first = node;
  eda->evt_last = node;
  if (!(eda->state & KIV_EDA_IN_READY)) {
    eda->state |= KIV_EDA_IN_READY;
    queue_of(eda).ready.append(&eda->ready_node);
  }
  kiv_arch_interrupt_restore(state);
  return KIV_ERR_NONE;
}

void kiv_eda_mark_incoming(kiv_eda_t* eda) {
  bool state = kiv_arch_interrupt_disable();
  eda->evt_incoming = 1;
  kiv_arch_interrupt_restore(state);
}

kiv_err_t kiv_eda_post_evt(kiv_eda_t* eda, kiv_evt_t evt) {
  bool state = kiv_arch_interrupt_disable();
  if (evt == KIV_EVT_YIELD && eda->evt_incoming) {
    kiv_arch_interrupt_restore(state);
    return KIV_ERR_NONE;
  }
  eda->evt_incoming = 1;
  kiv_arch_interrupt_restore(state);
  return kiv_eda_post(eda, evt, nullptr, false);
}

kiv_err_t kiv_eda_post_msg(kiv_eda_t* eda, void* msg) { return kiv_eda_post(eda, KIV_EVT_MESSAGE, msg, false); }

void* kiv_eda_get_cur_msg() { return cur_queue ? cur_queue->cur_msg : nullptr; }

kiv_eda_t* kiv_eda_get_cur() { return current_eda_or_panic(); }

void kiv_eda_yield() { kiv_eda_post_evt(current_eda_or_panic(), KIV_EVT_YIELD); }

kiv_evtq_t* kiv_evtq_current() { return cur_queue; }

// ---- start and finish ------------------------------------------------------------------------

kiv_err_t kiv_eda_start(kiv_eda_t* eda, int priority, uint8_t frame_flags) {
  if (priority < 0) {
    KIV_ASSERT(cur_queue, "no current run queue");
    priority = static_cast<int>(cur_queue - queues);
  }
  KIV_ASSERT(priority < queue_count, "priority out of range");
  eda->base_priority = eda->cur_priority = static_cast<uint8_t>(priority);
  eda->pending_node = {};
  eda->ready_node = {};
  eda->timer_node = {};
  eda->state = 0;
  eda->evt_first = eda->evt_last = nullptr;
  eda->frame_flags = frame_flags;
  eda->evt_incoming = 1;
  return kiv_eda_post(eda, KIV_EVT_INIT, nullptr, false);
}

kiv_err_t kiv_eda_start_ex(kiv_eda_t* eda, const kiv_eda_cfg_t* cfg) {
  eda->on_terminate = cfg->on_terminate;
  uint8_t flags = cfg->frame_flags;
  if (cfg->param) flags |= KIV_EDA_USE_FRAME;
  if (!(flags & KIV_EDA_USE_FRAME)) {
    eda->slot.handler = cfg->handler.on_eda;
    return kiv_eda_start(eda, cfg->priority, flags);
  }
  auto* frame = static_cast<kiv_eda_frame_t*>(kiv_heap_calloc(1, static_cast<int>(sizeof(kiv_eda_frame_t) + ((cfg->param_size + 3u) & ~3u))));
  if (!frame) return KIV_ERR_NOT_ENOUGH_RESOURCES;
  frame->next.frame = nullptr;
  frame->handler = cfg->handler;
  frame->saved_flags = flags;
  frame->param_size = cfg->param_size;
  frame->param = cfg->param;
  eda->slot.frame = frame;
  kiv_err_t err = kiv_eda_start(eda, cfg->priority, flags);
  if (err != KIV_ERR_NONE) {
    eda->slot.frame = nullptr;
    kiv_heap_free(frame);
  }
  return err;
}

kiv_err_t kiv_eda_fini(kiv_eda_t* eda) {
  if (!eda) eda = current_eda_or_panic();
  kiv_timer_disarm(eda);
  while (eda->frame_flags & KIV_EDA_USE_FRAME) {
    if (!eda->slot.frame) {  // a bottom frame that returned: nothing left to pop
      eda->frame_flags &= static_cast<uint8_t>(~KIV_EDA_USE_FRAME);
      break;
    }
    pop_frame(eda);
  }
  bool state = kiv_arch_interrupt_disable();
  if (queue_of(eda).cur_eda == eda) {
    eda->state |= KIV_EDA_TO_TERMINATE;
    kiv_arch_interrupt_restore(state);
    return KIV_ERR_NONE;
  }
  kiv_arch_interrupt_restore(state);
  complete_finish(eda);
  return KIV_ERR_NONE;
}

void kiv_eda_discard(kiv_eda_t* eda) {
  kiv_timer_disarm(eda);
  if (eda->state & KIV_EDA_IN_READY) queue_of(eda).ready.remove(&eda->ready_node);
  eda->state = 0;
  free_pending_events(eda);
}

// ---- frames ----------------------------------------------------------------------------------

kiv_eda_frame_t* kiv_eda_push_frame(kiv_eda_t* eda, kiv_frame_fn_t handler, void* param, uint16_t param_size,
                                    int copy_size, const void* copy_from) {
  int area = static_cast<int>((param_size + 3u) & ~3u);
  auto* frame = static_cast<kiv_eda_frame_t*>(kiv_heap_calloc(1, static_cast<int>(sizeof(kiv_eda_frame_t)) + area));
  if (!frame) return nullptr;
  frame->next = eda->slot;
  frame->handler = handler;
  frame->saved_flags = eda->frame_flags;
  frame->param_size = param_size;
  frame->param = param;
  eda->slot.frame = frame;
  eda->frame_flags = KIV_EDA_USE_FRAME;
  if (copy_from && copy_size > 0) {
    int n = copy_size < param_size ? copy_size : param_size;
    std::memcpy(frame + 1, copy_from, static_cast<std::size_t>(n));
  }
  return frame;
}

namespace {
int call_frame(kiv_frame_fn_t handler, void* param, uint16_t param_size, int copy_size, const void* copy_from) {
  kiv_eda_t* eda = current_eda_or_panic();
  if (eda->frame_flags & KIV_EDA_IS_THREAD)
    return kiv_thread_call(eda, handler, param, param_size, copy_size, copy_from);
  if (!kiv_eda_push_frame(eda, handler, param, param_size, copy_size, copy_from))
    return KIV_ERR_NOT_ENOUGH_RESOURCES;
  kiv_eda_post_evt(eda, KIV_EVT_INIT);
  return KIV_ERR_NONE;
}
}  // namespace

int kiv_eda_call_param(kiv_area_handler_t handler, void* param, uint16_t param_size, int copy_size,
                       const void* copy_from) {
  KIV_ASSERT(param || param_size, "a parameter handler needs a parameter");
  kiv_frame_fn_t fn;
  fn.on_area = handler;
  return call_frame(fn, param, param_size, copy_size, copy_from);
}

int kiv_eda_call(kiv_eda_handler_t handler) {
  kiv_frame_fn_t fn;
  fn.on_eda = handler;
  return call_frame(fn, nullptr, 0, 0, nullptr);
}

int kiv_eda_return(int value) {
  kiv_eda_t* eda = current_eda_or_panic();
  eda->return_value = value;
  if (!(eda->frame_flags & KIV_EDA_USE_FRAME)) {
    kiv_eda_fini(eda);
    return 1;
  }
  pop_frame(eda);
  if ((eda->frame_flags & KIV_EDA_USE_FRAME) && !eda->slot.frame) {
    kiv_eda_fini(eda);
    return 1;
  }
  kiv_eda_post_evt(eda, KIV_EVT_RETURN);
  return 0;
}

int kiv_eda_get_return_value() { return current_eda_or_panic()->return_value; }

kiv_err_t kiv_eda_set_frame_param(void* param) {
  kiv_eda_t* eda = current_eda_or_panic();
  if (!(eda->frame_flags & KIV_EDA_USE_FRAME)) {
    kiv_frame_fn_t fn;
    fn.on_eda = eda->slot.handler;
    uint8_t flags = eda->frame_flags;
    if (!kiv_eda_push_frame(eda, fn, nullptr, 0, 0, nullptr)) return KIV_ERR_NOT_ENOUGH_RESOURCES;
    eda->frame_flags = static_cast<uint8_t>(flags | KIV_EDA_USE_FRAME);
  }
  eda->slot.frame->param = param;
  return KIV_ERR_NONE;
}

int kiv_eda_get_frame_state() { return current_eda_or_panic()->frame_flags >> 3; }

void kiv_eda_set_frame_state(int state) {
  kiv_eda_t* eda = current_eda_or_panic();
  eda->frame_flags = static_cast<uint8_t>((eda->frame_flags & 0x07) | ((state & 0x1F) << 3));
}

void* kiv_eda_get_frame_param_area(kiv_eda_t* eda) {
  if (!(eda->frame_flags & KIV_EDA_USE_FRAME) || !eda->slot.frame || !eda->slot.frame->param_size) return nullptr;
  return eda->slot.frame + 1;
}

void kiv_eda_purge_evt(kiv_evt_t evt) {
  kiv_eda_t* eda = current_eda_or_panic();
  bool state = kiv_arch_interrupt_disable();
  kiv_evt_node_t** link = &eda->evt_first;
  kiv_evt_node_t* last = nullptr;
  kiv_evt_node_t* dropped = nullptr;
  while (kiv_evt_node_t* node = *link) {
    if (evt == 0 || node->evt == evt) {
      *link = node->next;
      node->next = dropped;
      dropped = node;
    } else {
      last = node;
      link = &node->next;
    }
  }
  eda->evt_last = last;
  kiv_arch_interrupt_restore(state);
  while (dropped) {
    kiv_evt_node_t* next = dropped->next;
    kiv_pool_free(&evt_node_pool, dropped);
    dropped = next;
  }
}

// ---- run queues ------------------------------------------------------------------------------

void kiv_evtq_init_all() {
  for (auto& q : queues) q = kiv_evtq_t{.ready = {}, .cur_eda = nullptr, .cur_evt = -1, .cur_msg = nullptr};
  cur_queue = nullptr;
}

bool kiv_evtq_has_ready(int priority) { return !queues[priority].ready.empty(); }

void kiv_evtq_run(int priority) {
  kiv_evtq_t* previous = cur_queue;
  kiv_evtq_t* q = &queues[priority];
  cur_queue = q;
  while (!q->ready.empty()) {
    kiv_arch_interrupt_disable();
    kiv_eda_t* e = eda_of_ready(q->ready.first);
    while (e) {
      serve_one(q, e);
      kiv_arch_interrupt_disable();
      kiv_eda_t* successor = eda_of_ready(e->ready_node.next);
      q->ready.remove(&e->ready_node);
      if (e->evt_first && !(e->state & KIV_EDA_TO_TERMINATE))
        q->ready.append(&e->ready_node);
      else
        e->state &= static_cast<uint8_t>(~KIV_EDA_IN_READY);
      q->cur_eda = nullptr;
      if (e->state & KIV_EDA_TO_TERMINATE) {
        kiv_arch_interrupt_enable();
        e->state &= static_cast<uint8_t>(~KIV_EDA_TO_TERMINATE);
        complete_finish(e);
        kiv_arch_interrupt_disable();
        successor = nullptr;  // on_terminate may have finished or freed it: start over at the head
      }
      e = successor;
    }
    kiv_arch_interrupt_enable();
  }
  cur_queue = previous;
}

void kiv_evtq_drop_all() {
  for (auto& q : queues) {
    while (kiv_eda_t* e = eda_of_ready(q.ready.first)) kiv_eda_discard(e);
  }
}
