// The window display's device without a window: the frame-buffer copy, readiness tied to
// the latest refresh, and the events the window thread posts (driven here from a host thread
// standing in for "disp_windgi", inside the CPU lock as the real one).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "display/input.h"
#include "display/window.h"
#include "display/window_port.h"
#include "tests/kernel/harness.h"

namespace {

uint16_t fb_pixel(int x, int y) {
  disp_window_frame f = disp_window_frame_get();
  uint16_t v;
  std::memcpy(&v, f.pixels + y * f.stride + x * 2, 2);
  return v;
}

int refresh(const disp_rect& r, const std::vector<uint16_t>& px) {
  disp_device* dev = disp_window_device();
  return dev->ops->refresh(dev, &r, px.data());
}

TEST(WindowDevice, IsTheFixedSizeRgb565Display) {
  disp_window_reset_for_test();
  disp_device* dev = disp_window_device();
  EXPECT_EQ(dev->width, 900);
  EXPECT_EQ(dev->height, 560);
  EXPECT_EQ(dev->color_format, DISP_COLOR_RGB565);
  EXPECT_EQ(disp_window_frame_get().stride, 1800u);
}

TEST(WindowDevice, RefreshCopiesRowsTopFirstAndClipsToTheDisplay) {
  disp_window_reset_for_test();
  std::vector<uint16_t> row(900);
  for (int x = 0; x < 900; ++x) row[x] = static_cast<uint16_t>(x * 7 + 1);
  EXPECT_EQ(refresh({0, 0, 900, 1}, row), 0);
  EXPECT_EQ(fb_pixel(0, 0), 1);
  EXPECT_EQ(fb_pixel(899, 0), 899 * 7 + 1);
  EXPECT_EQ(fb_pixel(0, 1), 0);
  EXPECT_EQ(fb_pixel(0, 559), 0);

  // A 3 x 2 block: packed rows of the rectangle's width.
  refresh({10, 5, 3, 2}, {0xA1, 0xA2, 0xA3, 0xB1, 0xB2, 0xB3});
  EXPECT_EQ(fb_pixel(10, 5), 0xA1);
  EXPECT_EQ(fb_pixel(12, 5), 0xA3);
  EXPECT_EQ(fb_pixel(10, 6), 0xB1);
  EXPECT_EQ(fb_pixel(12, 6), 0xB3);
  EXPECT_EQ(fb_pixel(13, 5), 0);
  EXPECT_EQ(fb_pixel(9, 6), 0);

  // Partly outside: only the part on the display is written (ASan checks the rest).
  refresh({898, 558, 4, 3}, std::vector<uint16_t>(12, 0x5555));
  EXPECT_EQ(fb_pixel(899, 559), 0x5555);
  EXPECT_EQ(fb_pixel(897, 559), 0);

  disp_rect dirty{};
  uint32_t seq = 0;
  ASSERT_TRUE(disp_window_take_dirty(&dirty, &seq));
  EXPECT_EQ(seq, 3u);
  EXPECT_EQ(dirty.x, 0);
  EXPECT_EQ(dirty.y, 0);
  EXPECT_EQ(dirty.width, 900);
  EXPECT_EQ(dirty.height, 560);
  EXPECT_FALSE(disp_window_take_dirty(&dirty, &seq));
}

std::atomic<int> ready_calls{0};

// Runs `fn` on a host thread that stands in for the window thread, while the kernel idles.
void on_window_thread(const std::function<void(kiv_arch_thread_t*)>& fn) {
  std::atomic<bool> done{false};
  kiv_arch_thread_t thread{};
  std::thread t([&] {
    fn(&thread);
    done = true;
  });
  EXPECT_TRUE(kvtest::yield_until([&] { return done.load(); }));
  t.join();
}

TEST(WindowDevice, ReadyOnlyWhenThePaintShowedTheLatestRefresh) {
  disp_window_reset_for_test();
  kvtest::run_on_kernel([] {
    disp_device* dev = disp_window_device();
    dev->ready = [](disp_device*) { ready_calls++; };
    ready_calls = 0;
    disp_rect r{};
    uint32_t painted_seq = 0;
    refresh({0, 0, 2, 1}, {1, 2});
    disp_window_take_dirty(&r, &painted_seq);
    refresh({0, 1, 2, 1}, {3, 4});  // slips in while the window paints
    on_window_thread([&](kiv_arch_thread_t* t) { disp_window_on_painted(t, painted_seq); });
    EXPECT_EQ(ready_calls, 0);
    ASSERT_TRUE(disp_window_take_dirty(&r, &painted_seq));
    EXPECT_EQ(r.y, 1);
    on_window_thread([&](kiv_arch_thread_t* t) {
      disp_window_on_painted(t, painted_seq);
      disp_window_on_painted(t, painted_seq);  // a later exposure: nothing new to report
    });
    EXPECT_EQ(ready_calls, 1);
  });
  disp_window_reset_for_test();
}

std::vector<uint32_t> key_codes;
std::vector<touch_event> touches;

TEST(WindowDevice, PostsTouchAndKeyEventsWithoutRepeats) {
  disp_window_reset_for_test();
  key_codes.clear();
  touches.clear();
  input_listener listener{nullptr,
                          [](uint8_t kind, const void* ev) {
                            if (kind == INPUT_KIND_KEY) key_codes.push_back(static_cast<const key_event*>(ev)->key_code);
                            if (kind == INPUT_KIND_TOUCH) touches.push_back(*static_cast<const touch_event*>(ev));
                          },
                          (1u << INPUT_KIND_KEY) | (1u << INPUT_KIND_TOUCH)};
  input_listener_add(&listener);
  kvtest::run_on_kernel([] {
    on_window_thread([](kiv_arch_thread_t* t) {
      disp_window_on_button(t, true, 10, 20);
      disp_window_on_button(t, false, 30, 40);
      disp_window_on_key(t, 0x04, true, false);
      disp_window_on_key(t, 0x04, true, false);  // auto-repeat: dropped
      disp_window_on_key(t, 0x04, false, false);
      disp_window_on_key(t, 0xE1, true, false);
      disp_window_on_key(t, 0x1F, true, false);
    });
  });
  input_listener_remove(&listener);
  ASSERT_EQ(touches.size(), 2u);
  EXPECT_EQ(touches[0].source, disp_window_device());
  EXPECT_EQ(touches[0].id, 0);
  EXPECT_EQ(touches[0].pressed, 1);
  EXPECT_EQ(touches[0].x, 10);
  EXPECT_EQ(touches[0].y, 20);
  EXPECT_EQ(touches[0].width, 900);
  EXPECT_EQ(touches[0].height, 560);
  EXPECT_EQ(touches[1].pressed, 0);
  EXPECT_EQ(touches[1].x, 30);
  const std::vector<uint32_t> expected{0x04 | KEY_CODE_PRESS, 0x04,
                                       0x66 | KEY_CODE_SHIFT | KEY_CODE_PRESS | KEY_MOD_SHIFT,
                                       0x1F | KEY_CODE_SHIFT | KEY_CODE_PRESS | KEY_MOD_SHIFT};
  EXPECT_EQ(key_codes, expected);
  disp_window_reset_for_test();
}

}  // namespace
