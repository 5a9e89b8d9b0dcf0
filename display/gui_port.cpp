// Display binding, flush and wait callbacks, input slots and the keypad's conflict rule.
//
// The driver's user data tells the state of the binding: before the first paint it holds the
// caller's ready callback; afterwards the device while no flush is outstanding, null while one
// is, and the all-ones marker while the GUI thread sleeps waiting for it. The window thread
// (inside the CPU lock) and the GUI thread (a kernel thread) both change it with interrupts
// masked, so the flush-done handler knows whether it must wake the GUI thread.
#include "display/gui_port.h"

#include "kernel/eda.h"
#include "kernel/host/arch.h"
#include "kernel/thread.h"
#include "kernel/timer.h"
#include "kernel/trace.h"

#include "display/gui_keys.h"

namespace {

void* const WAITING_MARKER = reinterpret_cast<void*>(~uintptr_t{0});

struct keypad_state {
  uint16_t last_key;
  bool last_pressed;
  bool pending;
  uint64_t last_log_ms;
};

struct port_state {
  disp_device* device;
  bool ready;  // the display has painted once
  kiv_eda_t* flushing_thread;
  touch_event pointer_slot;
  key_event keypad_slot;
  keypad_state keypad;
  uint64_t tick_ms;  // kernel time already handed to lv_tick_inc
  gui_print_hook_t print;
};

port_state port{};
lv_color_t draw_pixels[GUI_DRAW_BUF_PIXELS];
lv_disp_buf_t draw_buf;

lv_disp_drv_t* driver_of(disp_device* dev) { return static_cast<lv_disp_drv_t*>(dev->gui_binding); }

void flush_done(disp_device* dev) {
  lv_disp_drv_t* drv = driver_of(dev);
  lv_disp_flush_ready(drv);
  bool irq = kiv_arch_interrupt_disable();
  void* old = drv->user_data;
  drv->user_data = dev;
  kiv_arch_interrupt_restore(irq);
  if (old == WAITING_MARKER && port.flushing_thread) kiv_eda_post_evt(port.flushing_thread, KIV_EVT_USER);
}

void init_done(disp_device* dev) {
  lv_disp_drv_t* drv = driver_of(dev);
  auto ready = reinterpret_cast<gui_ready_cb_t>(drv->user_data);
  drv->user_data = dev;
  port.ready = true;
  dev->ready = flush_done;
  if (ready) ready(drv);
}

void flush_cb(lv_disp_drv_t* drv, const lv_area_t* area, lv_color_t* pixels) {
  lv_coord_t hor = drv->rotated ? drv->ver_res : drv->hor_res;
  lv_coord_t ver = drv->rotated ? drv->hor_res : drv->ver_res;
  if (area->x2 < 0 || area->y2 < 0 || area->x1 >= hor || area->y1 >= ver) {
    lv_disp_flush_ready(drv);
    return;
  }
  disp_rect rect{static_cast<uint16_t>(area->x1), static_cast<uint16_t>(area->y1),
                 static_cast<uint16_t>(area->x2 - area->x1 + 1), static_cast<uint16_t>(area->y2 - area->y1 + 1)};
  if (!port.ready) {
    // Before the first paint no flush-done can come: hand the pixels over (the first paint
    // shows them) and let LVGL go on at once.
    port.device->ops->refresh(port.device, &rect, pixels);
    lv_disp_flush_ready(drv);
    return;
  }
  port.flushing_thread = kiv_eda_get_cur();
  auto* dev = static_cast<disp_device*>(drv->user_data);
  drv->user_data = nullptr;
  dev->ops->refresh(dev, &rect, pixels);
}

void wait_cb(lv_disp_drv_t* drv) {
  bool irq = kiv_arch_interrupt_disable();
  if (drv->user_data != nullptr) {
    kiv_arch_interrupt_restore(irq);
    return;
  }
  drv->user_data = WAITING_MARKER;
  kiv_arch_interrupt_restore(irq);
  kiv_thread_wait();
}

void trace_print(const char* text) { kiv_trace(KIV_TRACE_ERROR, "%s", text); }

}  // namespace

input_listener gui_listener{nullptr, gui_input_listener, (1u << INPUT_KIND_TOUCH) | (1u << INPUT_KIND_KEY)};

lv_disp_buf_t* gui_draw_buf_init() {
  lv_disp_buf_init(&draw_buf, draw_pixels, nullptr, GUI_DRAW_BUF_PIXELS);
  return &draw_buf;
}

void gui_bind_display(disp_device* dev, lv_disp_drv_t* drv, gui_ready_cb_t ready) {
  drv->flush_cb = flush_cb;
  drv->wait_cb = wait_cb;
  drv->user_data = reinterpret_cast<void*>(ready);
  port.device = dev;
  port.ready = false;
  dev->gui_binding = drv;
  dev->ready = init_done;
  if (dev->ops && dev->ops->init) {
    dev->ops->init(dev);
  } else {
    init_done(dev);
  }
}

gui_binding_state gui_binding_get(const lv_disp_drv_t* drv) {
  if (port.device == nullptr || port.device->gui_binding != drv) return gui_binding_state::unbound;
  if (!port.ready) return gui_binding_state::waiting_first_paint;
  if (drv->user_data == WAITING_MARKER) return gui_binding_state::waiting_flush;
  return drv->user_data ? gui_binding_state::ready : gui_binding_state::flushing;
}

void gui_input_listener(uint8_t kind, const void* event) {
  if (kind == INPUT_KIND_KEY) {
    port.keypad_slot = *static_cast<const key_event*>(event);
  } else if (kind == INPUT_KIND_TOUCH) {
    const auto* touch = static_cast<const touch_event*>(event);
    if (touch->id == 0) port.pointer_slot = *touch;
  }
}

bool gui_pointer_read(lv_indev_drv_t*, lv_indev_data_t* data) {
  data->state = port.pointer_slot.pressed ? LV_INDEV_STATE_PR : LV_INDEV_STATE_REL;
  data->point.x = static_cast<lv_coord_t>(port.pointer_slot.x);
  data->point.y = static_cast<lv_coord_t>(port.pointer_slot.y);
  return false;
}

// A second key pressed while the first is held is delivered as the first one's release, then
// (on the immediate re-read) the second one's press: LVGL sees one key at a time.
bool gui_keypad_read(lv_indev_drv_t*, lv_indev_data_t* data) {
  keypad_state& k = port.keypad;
  bool pressed;
  if (k.pending) {
    data->key = k.last_key;
    pressed = k.last_pressed;
    k.pending = false;
  } else {
    uint32_t code = port.keypad_slot.key_code;
    uint16_t key = gui_key_translate(code & 0x1FF);
    bool p = (code & KEY_CODE_PRESS) != 0;
    bool conflict = k.last_pressed && key != k.last_key;
    data->key = conflict ? k.last_key : key;
    pressed = conflict ? false : p;
    k.pending = conflict;
    k.last_key = key;
    k.last_pressed = p;
    if (!conflict && !p) {
      data->state = LV_INDEV_STATE_REL;
      return false;
    }
  }
  data->state = pressed ? LV_INDEV_STATE_PR : LV_INDEV_STATE_REL;
  if (!pressed && !k.pending) return false;
  uint64_t now = kiv_systimer_tick_to_ms(kiv_systimer_get_tick());
  kiv_trace(KIV_TRACE_INFO, "[%lld] %s, key: %d, status: %s\r\n", static_cast<long long>(now - k.last_log_ms),
            k.pending ? "more send" : "first send", static_cast<int>(data->key),
            pressed ? "LV_INDEV_STATE_PR" : "LV_INDEV_STATE_REL");
  k.last_log_ms = now;
  return k.pending;
}

void gui_tick_sync() {
  uint64_t now = kiv_systimer_tick_to_ms(kiv_systimer_get_tick());
  if (now > port.tick_ms) {
    lv_tick_inc(static_cast<uint32_t>(now - port.tick_ms));
    port.tick_ms = now;
  }
}

void gui_port_set_print(gui_print_hook_t hook) { port.print = hook; }

void gui_port_print(const char* text) { (port.print ? port.print : trace_print)(text); }

void gui_port_reset() {
  gui_print_hook_t print = port.print;
  port = {};
  port.print = print;
  port.tick_ms = kiv_systimer_tick_to_ms(kiv_systimer_get_tick());
}
