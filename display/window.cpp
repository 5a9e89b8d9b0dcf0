// The window display's device: frame buffer, refresh, readiness and the window's input.
// Readiness is tied to a sequence number rather than a bare flag: a paint reports the display
// ready only when it showed the latest refresh, so "ready" always means "what was refreshed is
// on screen" even when a refresh slips in while the window thread is painting.
#include "display/window.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "display/input.h"
#include "display/keymap.h"
#include "display/window_port.h"
#include "kernel/trace.h"

namespace {

int window_init(disp_device* dev);
int window_refresh(disp_device* dev, const disp_rect* rect, const void* pixels);

constexpr disp_ops window_ops{.init = window_init, .refresh = window_refresh};

struct window_state {
  disp_device dev{&window_ops, DISP_WINDOW_WIDTH, DISP_WINDOW_HEIGHT, DISP_COLOR_RGB565, nullptr, nullptr};
  kiv_arch_thread_t thread{};
  bool started = false;
  std::vector<uint8_t> fb = std::vector<uint8_t>(size_t{DISP_WINDOW_WIDTH} * DISP_WINDOW_HEIGHT * 4);
  std::mutex dirty_lock;      // guards dirty; never held while waiting for the CPU lock
  disp_rect dirty{};          // width 0: nothing dirty
  std::atomic<uint32_t> seq{0};
  std::atomic<bool> painted{false};
  disp_key_state keys;        // window thread only
};

window_state& win() {
  static window_state w;
  return w;
}

uint32_t stride_of(const disp_device& dev) { return dev.width * disp_color_bytes(dev.color_format); }

disp_rect join(const disp_rect& a, const disp_rect& b) {
  if (a.width == 0) return b;
  int x1 = std::min(a.x, b.x), y1 = std::min(a.y, b.y);
  int x2 = std::max(a.x + a.width, b.x + b.width), y2 = std::max(a.y + a.height, b.y + b.height);
  return {static_cast<uint16_t>(x1), static_cast<uint16_t>(y1), static_cast<uint16_t>(x2 - x1),
          static_cast<uint16_t>(y2 - y1)};
}

int window_init(disp_device* dev) {
  window_state& w = win();
  if (w.started) {
    if (dev->ready) dev->ready(dev);
    return 0;
  }
  w.started = true;
  w.painted.store(false, std::memory_order_release);
  disp_host_start(&w.thread);
  return 0;
}

// Copies the part of `rect` that lies on the display; pixels are packed rows of rect->width.
int window_refresh(disp_device* dev, const disp_rect* rect, const void* pixels) {
  window_state& w = win();
  disp_rect r = rect ? *rect : disp_rect{0, 0, dev->width, dev->height};
  uint32_t bpp = disp_color_bytes(dev->color_format);
  int width = std::min<int>(r.width, dev->width - std::min<int>(r.x, dev->width));
  int height = std::min<int>(r.height, dev->height - std::min<int>(r.y, dev->height));
  if (width <= 0 || height <= 0 || pixels == nullptr) return 0;
  const auto* src = static_cast<const uint8_t*>(pixels);
  uint32_t stride = stride_of(*dev);
  for (int row = 0; row < height; ++row) {
    std::memcpy(&w.fb[(r.y + row) * stride + r.x * bpp], src + static_cast<size_t>(row) * r.width * bpp,
                static_cast<size_t>(width) * bpp);
  }
  {
    std::lock_guard<std::mutex> guard(w.dirty_lock);
    w.dirty = join(w.dirty, {r.x, r.y, static_cast<uint16_t>(width), static_cast<uint16_t>(height)});
    w.seq.fetch_add(1, std::memory_order_acq_rel);
    w.painted.store(false, std::memory_order_release);
  }
  disp_host_wake();
  return 0;
}

}  // namespace

disp_device* disp_window_device() { return &win().dev; }

disp_window_frame disp_window_frame_get() {
  window_state& w = win();
  return {w.fb.data(), stride_of(w.dev), w.dev.width, w.dev.height, w.dev.color_format};
}

bool disp_window_take_dirty(disp_rect* rect, uint32_t* seq) {
  window_state& w = win();
  std::lock_guard<std::mutex> guard(w.dirty_lock);
  *seq = w.seq.load(std::memory_order_acquire);
  *rect = w.dirty;
  w.dirty = {};
  return rect->width != 0;
}

uint32_t disp_window_seq() { return win().seq.load(std::memory_order_acquire); }

void disp_window_on_painted(kiv_arch_thread_t* thread, uint32_t seq) {
  window_state& w = win();
  kiv_arch_irq_enter(thread);
  // Refreshes run on the kernel thread, which holds the CPU lock: seq cannot move under us.
  if (seq == w.seq.load(std::memory_order_acquire) && !w.painted.load(std::memory_order_acquire)) {
    w.painted.store(true, std::memory_order_release);
    if (w.dev.ready) w.dev.ready(&w.dev);
  }
  kiv_arch_irq_leave(thread);
}

void disp_window_on_button(kiv_arch_thread_t* thread, bool pressed, int x, int y) {
  window_state& w = win();
  touch_event ev{&w.dev, 0, static_cast<uint8_t>(pressed ? 1 : 0), static_cast<uint16_t>(x), static_cast<uint16_t>(y),
                 w.dev.width, w.dev.height};
  kiv_arch_irq_enter(thread);
  input_post(INPUT_KIND_TOUCH, &ev);
  kiv_arch_irq_leave(thread);
}

void disp_window_on_key(kiv_arch_thread_t* thread, uint16_t host_usage, bool pressed, bool caps_lock) {
  window_state& w = win();
  if (pressed) {
    if (!disp_key_press(&w.keys, host_usage)) return;
  } else {
    disp_key_release(&w.keys, host_usage);
  }
  key_event ev{&w.dev, disp_key_code(w.keys, host_usage, pressed, caps_lock)};
  kiv_arch_irq_enter(thread);
  input_post(INPUT_KIND_KEY, &ev);
  kiv_arch_irq_leave(thread);
}

void disp_window_on_close() { kiv_arch_exit(0); }

void disp_window_on_failure(kiv_arch_thread_t* thread, const char* what, const char* detail) {
  kiv_arch_irq_enter(thread);
  kiv_trace(KIV_TRACE_ERROR, "disp_windgi: no window: %s (%s); the GUI waits for a display that never comes\r\n",
            what, detail);
  kiv_arch_irq_leave(thread);
}

void disp_window_reset_for_test() {
  window_state& w = win();
  w.dev = disp_device{&window_ops, DISP_WINDOW_WIDTH, DISP_WINDOW_HEIGHT, DISP_COLOR_RGB565, nullptr, nullptr};
  w.started = false;
  std::fill(w.fb.begin(), w.fb.end(), 0);
  std::lock_guard<std::mutex> guard(w.dirty_lock);
  w.dirty = {};
  w.seq.store(0);
  w.painted.store(false);
  w.keys = {};
}
