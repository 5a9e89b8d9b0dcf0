// The GUI port on the real kernel: binding states and flushes against a recording display
// whose "window thread" is a host thread, the pointer and keypad read callbacks (with the
// keypad's conflict rule and its trace lines), and key input reaching a text area.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>
#include <vector>

#include "display/gui_freetype.h"
#include "display/gui_port.h"
#include "tests/kernel/harness.h"

namespace {

struct RecordingDisplay {
  disp_device dev{};  // first member: the ops find the record from the device
  int inits = 0;
  std::vector<disp_rect> rects;
  std::vector<gui_binding_state> state_at_refresh;
  std::vector<uint16_t> first_pixels;
  lv_disp_drv_t* drv = nullptr;

  explicit RecordingDisplay(bool with_init) {
    static const disp_ops with{.init = [](disp_device* d) { reinterpret_cast<RecordingDisplay*>(d)->inits++; return 0; },
                               .refresh = refresh};
    static const disp_ops without{.init = nullptr, .refresh = refresh};
    dev = {with_init ? &with : &without, 900, 560, DISP_COLOR_RGB565, nullptr, nullptr};
  }
  static int refresh(disp_device* d, const disp_rect* r, const void* px) {
    auto* self = reinterpret_cast<RecordingDisplay*>(d);
    self->rects.push_back(*r);
    self->state_at_refresh.push_back(gui_binding_get(self->drv));
    self->first_pixels.push_back(*static_cast<const uint16_t*>(px));
    return 0;
  }
};

// lv_init, a display with the port's draw buffer, and a clean port; undone at the end.
struct GuiSetup {
  lv_disp_t* disp;
  GuiSetup() {
    gui_port_reset();
    lv_init();
    lv_disp_drv_t drv;
    lv_disp_drv_init(&drv);
    drv.hor_res = 900;
    drv.ver_res = 560;
    drv.buffer = gui_draw_buf_init();
    disp = lv_disp_drv_register(&drv);
  }
  ~GuiSetup() {
    lv_deinit();
    gui_port_reset();
  }
  lv_disp_drv_t* drv() { return &disp->driver; }
};

// Calls the device's ready callback from a host thread inside the CPU lock, as the window does.
void window_reports_ready(disp_device* dev) {
  std::atomic<bool> done{false};
  std::thread t([&] {
    kiv_arch_irq_enter(nullptr);
    dev->ready(dev);
    kiv_arch_irq_leave(nullptr);
    done = true;
  });
  EXPECT_TRUE(kvtest::yield_until([&] { return done.load(); }));
  t.join();
}

int ready_cb_calls = 0;
lv_disp_drv_t* ready_cb_drv = nullptr;
void count_ready(lv_disp_drv_t* drv) {
  ready_cb_calls++;
  ready_cb_drv = drv;
}

TEST(GuiPort, BindingWaitsForTheFirstPaintThenCallsTheReadyCallbackOnce) {
  kvtest::run_on_kernel([] {
    GuiSetup gui;
    RecordingDisplay d(true);
    d.drv = gui.drv();
    ready_cb_calls = 0;
    EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::unbound);
    gui_bind_display(&d.dev, gui.drv(), count_ready);
    EXPECT_EQ(d.inits, 1);
    EXPECT_EQ(d.dev.gui_binding, gui.drv());
    EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::waiting_first_paint);
    EXPECT_EQ(ready_cb_calls, 0);
    window_reports_ready(&d.dev);
    EXPECT_EQ(ready_cb_calls, 1);
    EXPECT_EQ(ready_cb_drv, gui.drv());
    EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::ready);
    EXPECT_EQ(gui.drv()->user_data, &d.dev);
  });
}

TEST(GuiPort, ADeviceWithoutInitIsReadyAtOnce) {
  kvtest::run_on_kernel([] {
    GuiSetup gui;
    RecordingDisplay d(false);
    ready_cb_calls = 0;
    gui_bind_display(&d.dev, gui.drv(), count_ready);
    EXPECT_EQ(ready_cb_calls, 1);
    EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::ready);
  });
}

// The whole screen goes out in ten slices of 56 rows; before each slice the GUI thread
// sleeps until the window has painted the previous one.
TEST(GuiPort, FullScreenFlushesInTenSlicesEachWaitingForItsPaint) {
  kvtest::run_on_kernel([] {
    GuiSetup gui;
    RecordingDisplay d(true);
    d.drv = gui.drv();
    gui_bind_display(&d.dev, gui.drv(), nullptr);
    window_reports_ready(&d.dev);
    lv_obj_set_style_local_bg_color(lv_scr_act(), LV_OBJ_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(0x6B9E94));

    // The window thread paints only once the GUI thread sleeps waiting: every completion
    // then goes through the all-ones marker and the wake-up event.
    std::atomic<bool> stop{false};
    std::atomic<int> paints{0};
    std::atomic<bool> window_done{false};
    std::thread window([&] {
      while (!stop) {
        kiv_arch_irq_enter(nullptr);
        if (gui_binding_get(d.drv) == gui_binding_state::waiting_flush) {
          d.dev.ready(&d.dev);
          paints++;
        }
        kiv_arch_irq_leave(nullptr);
        std::this_thread::yield();
      }
      window_done = true;
    });
    lv_obj_invalidate(lv_scr_act());
    lv_refr_now(gui.disp);
    // The last slice is still out: wait for it as the next refresh would.
    while (gui.drv()->buffer->flushing) gui.drv()->wait_cb(gui.drv());
    stop = true;
    // The window thread may be waiting for the CPU lock: let it in before joining.
    EXPECT_TRUE(kvtest::yield_until([&] { return window_done.load(); }));
    window.join();

    ASSERT_EQ(d.rects.size(), 10u);
    for (size_t i = 0; i < d.rects.size(); ++i) {
      EXPECT_EQ(d.rects[i].x, 0);
      EXPECT_EQ(d.rects[i].y, 56 * i);
      EXPECT_EQ(d.rects[i].width, 900);
      EXPECT_EQ(d.rects[i].height, 56);
      EXPECT_EQ(d.state_at_refresh[i], gui_binding_state::flushing);
      EXPECT_EQ(d.first_pixels[i], 0x6CF2);
    }
    EXPECT_EQ(paints, 10);
    EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::ready);
  });
}

TEST(GuiPort, AreasOffTheDisplayCompleteAtOnceWithoutRefresh) {
  kvtest::run_on_kernel([] {
    GuiSetup gui;
    RecordingDisplay d(true);
    d.drv = gui.drv();
    gui_bind_display(&d.dev, gui.drv(), nullptr);
    window_reports_ready(&d.dev);
    const lv_area_t outside[] = {{900, 0, 950, 10}, {0, 560, 10, 600}, {-20, 0, -1, 10}, {0, -30, 10, -2}};
    for (const lv_area_t& a : outside) {
      gui.drv()->buffer->flushing = 1;
      gui.drv()->flush_cb(gui.drv(), &a, static_cast<lv_color_t*>(gui.drv()->buffer->buf1));
      EXPECT_EQ(gui.drv()->buffer->flushing, 0);
      EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::ready);
    }
    EXPECT_TRUE(d.rects.empty());
  });
}

TEST(GuiPort, AFlushBeforeTheFirstPaintIsHandedOverAndCompletes) {
  kvtest::run_on_kernel([] {
    GuiSetup gui;
    RecordingDisplay d(true);
    d.drv = gui.drv();
    gui_bind_display(&d.dev, gui.drv(), count_ready);
    lv_area_t a{0, 0, 99, 9};
    gui.drv()->buffer->flushing = 1;
    gui.drv()->flush_cb(gui.drv(), &a, static_cast<lv_color_t*>(gui.drv()->buffer->buf1));
    EXPECT_EQ(gui.drv()->buffer->flushing, 0);
    ASSERT_EQ(d.rects.size(), 1u);
    EXPECT_EQ(d.rects[0].width, 100);
    EXPECT_EQ(d.rects[0].height, 10);
    EXPECT_EQ(gui_binding_get(gui.drv()), gui_binding_state::waiting_first_paint);
  });
}

// ---- input ---------------------------------------------------------------------------------

void key(uint32_t usage_and_shift, bool pressed) {
  key_event ev{nullptr, usage_and_shift | (pressed ? KEY_CODE_PRESS : 0u)};
  gui_input_listener(INPUT_KIND_KEY, &ev);
}

struct read_result {
  uint32_t key;
  lv_indev_state_t state;
  bool more;
  bool operator==(const read_result&) const = default;
};
std::ostream& operator<<(std::ostream& os, const read_result& r) {
  return os << "{key " << r.key << ", " << (r.state ? "PR" : "REL") << (r.more ? ", more}" : "}");
}

read_result read_keypad() {
  lv_indev_data_t data{};
  bool more = gui_keypad_read(nullptr, &data);
  return {data.key, data.state, more};
}

// The trace lines without their colour prefix and elapsed-time field.
std::vector<std::string> key_lines(const std::string& trace) {
  static const std::regex line("\\[(\\d+)\\] ([^\\r]*)\\r\\n");
  std::vector<std::string> out;
  for (std::sregex_iterator it(trace.begin(), trace.end(), line), end; it != end; ++it) out.push_back((*it)[2]);
  return out;
}

TEST(GuiKeypad, ASecondKeyWhileTheFirstIsHeldReleasesTheFirstThenPressesTheSecond) {
  kvtest::run_on_kernel([] {
    gui_port_reset();
    kvtest::TraceCapture trace;
    key(0x04, true);
    EXPECT_EQ(read_keypad(), (read_result{'a', LV_INDEV_STATE_PR, false}));
    key(0x05, true);
    EXPECT_EQ(read_keypad(), (read_result{'a', LV_INDEV_STATE_REL, true}));
    EXPECT_EQ(read_keypad(), (read_result{'b', LV_INDEV_STATE_PR, false}));
    EXPECT_EQ(read_keypad(), (read_result{'b', LV_INDEV_STATE_PR, false}));  // held: pressed on every read
    key(0x05, false);
    EXPECT_EQ(read_keypad(), (read_result{'b', LV_INDEV_STATE_REL, false}));
    EXPECT_EQ(read_keypad(), (read_result{'b', LV_INDEV_STATE_REL, false}));
    const std::vector<std::string> expected{
        "first send, key: 97, status: LV_INDEV_STATE_PR", "more send, key: 97, status: LV_INDEV_STATE_REL",
        "first send, key: 98, status: LV_INDEV_STATE_PR", "first send, key: 98, status: LV_INDEV_STATE_PR"};
    EXPECT_EQ(key_lines(trace.text()), expected) << trace.text();
    gui_port_reset();
  });
}

TEST(GuiKeypad, TraceLinesCarryTheMillisecondsSinceTheLastOne) {
  kvtest::run_on_kernel([] {
    gui_port_reset();
    key(0x04, true);
    read_keypad();
    kvtest::TraceCapture trace;
    kiv_thread_sleep(kiv_systimer_ms_to_tick(30));
    read_keypad();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(trace.text(), m, std::regex("\\[(\\d+)\\] first send, key: 97")));
    EXPECT_GE(std::stoll(m[1]), 30);
    EXPECT_LT(std::stoll(m[1]), 5000);
    gui_port_reset();
  });
}

TEST(GuiKeypad, ShiftedKeysAndUntranslatedKeys) {
  kvtest::run_on_kernel([] {
    gui_port_reset();
    key(0x1F | KEY_CODE_SHIFT, true);
    EXPECT_EQ(read_keypad().key, '@');
    key(0x1F | KEY_CODE_SHIFT, false);
    read_keypad();
    key(0x28 | KEY_CODE_SHIFT, true);
    EXPECT_EQ(read_keypad(), (read_result{0, LV_INDEV_STATE_PR, false}));
    gui_port_reset();
  });
}

TEST(GuiPointer, SeesThePressPositionAndTheReleasePositionOnly) {
  gui_port_reset();
  auto touch = [](uint8_t id, bool pressed, uint16_t x, uint16_t y) {
    touch_event ev{nullptr, id, static_cast<uint8_t>(pressed), x, y, 900, 560};
    gui_input_listener(INPUT_KIND_TOUCH, &ev);
  };
  auto read = [] {
    lv_indev_data_t data{};
    EXPECT_FALSE(gui_pointer_read(nullptr, &data));
    return std::tuple{data.state, data.point.x, data.point.y};
  };
  EXPECT_EQ(read(), std::tuple(LV_INDEV_STATE_REL, 0, 0));
  touch(0, true, 10, 20);
  EXPECT_EQ(read(), std::tuple(LV_INDEV_STATE_PR, 10, 20));
  touch(1, false, 500, 400);  // another touch point: not ours
  EXPECT_EQ(read(), std::tuple(LV_INDEV_STATE_PR, 10, 20));
  touch(0, false, 15, 25);
  EXPECT_EQ(read(), std::tuple(LV_INDEV_STATE_REL, 15, 25));
  gui_port_reset();
}

// Keys posted on the input channel reach the focused text area through the keypad device,
// overlapping presses included.
TEST(GuiKeypad, PostedKeysTypeIntoTheFocusedTextArea) {
  kvtest::run_on_kernel([] {
    GuiSetup gui;  // unbound: the display has no flush callback and renders into nothing
    lv_indev_drv_t kp;
    lv_indev_drv_init(&kp);
    kp.type = LV_INDEV_TYPE_KEYPAD;
    kp.read_cb = gui_keypad_read;
    lv_indev_t* keypad = lv_indev_drv_register(&kp);
    lv_group_t* group = lv_group_create();
    lv_indev_set_group(keypad, group);
    lv_obj_t* ta = lv_textarea_create(lv_scr_act(), nullptr);
    lv_textarea_set_text(ta, "");
    lv_group_add_obj(group, ta);
    input_listener_add(&gui_listener);
    auto post = [](uint32_t code, bool pressed) {
      key_event ev{nullptr, code | (pressed ? KEY_CODE_PRESS : 0u)};
      input_post(INPUT_KIND_KEY, &ev);
    };
    auto run = [] {
      for (int i = 0; i < 10; ++i) {
        lv_tick_inc(5);
        lv_task_handler();
      }
    };
    post(0x0E, true);  // k
    run();
    post(0x12, true);  // o, while k is still held
    run();
    post(0x0E, false);
    post(0x12, false);
    run();
    post(0x15 | KEY_CODE_SHIFT, true);  // R
    run();
    post(0x15 | KEY_CODE_SHIFT, false);
    run();
    input_listener_remove(&gui_listener);
    EXPECT_STREQ(lv_textarea_get_text(ta), "koR");
  });
}

TEST(GuiFreetype, InitialisesTheLibraryAndItsCaches) {
  std::string printed;
  static std::string* sink = &printed;
  gui_port_set_print([](const char* t) { *sink += t; });
  EXPECT_EQ(gui_freetype_init(4), 0);
  gui_freetype_state s = gui_freetype_get();
  EXPECT_NE(s.library, nullptr);
  EXPECT_NE(s.manager, nullptr);
  EXPECT_NE(s.cmap_cache, nullptr);
  EXPECT_NE(s.sbit_cache, nullptr);
  EXPECT_EQ(printed, "");
  gui_freetype_done();
  EXPECT_EQ(gui_freetype_get().library, nullptr);
  gui_port_set_print(nullptr);
}

}  // namespace
