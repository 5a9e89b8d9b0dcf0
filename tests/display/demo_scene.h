// The demo GUI used by the real-window test and the display benchmark: GUI start as the
// program's lvgl command performs it (window display, draw buffer, driver, binding, input
// devices, keypad group, FreeType), a screen with a label, a checkable button, a text area,
// a bar and a message box at fixed places, and one turn of the GUI loop. Runs on a kernel
// thread; demo_gui_start blocks that thread until the window has painted once.
#pragma once

#include <cstdint>

#include "gui/lvgl.h"

namespace demo {

struct box {
  int x, y, w, h;
};
inline constexpr box BUTTON{40, 80, 200, 60};
inline constexpr box TEXTAREA{300, 80, 400, 50};
inline constexpr box BAR{40, 200, 600, 20};
inline constexpr uint32_t SCREEN_RGB = 0x6B9E94;
inline constexpr uint32_t BUTTON_RGB = 0x0000FF;
inline constexpr uint32_t BUTTON_CHECKED_RGB = 0x00FF00;
inline constexpr uint32_t TEXTAREA_RGB = 0xFFFFFF;

struct gui {
  lv_disp_t* disp;
  lv_indev_t* pointer;
  lv_indev_t* keypad;
  lv_group_t* group;
  lv_obj_t* button;
  lv_obj_t* textarea;
  lv_obj_t* bar;
  lv_obj_t* msgbox;
};

// Everything up to the first paint; `note` receives one line per GUI event ("button pressed",
// "button clicked", "text: ..."), on the GUI thread.
gui start(void (*note)(const char* line));
// One turn of the GUI loop: tick, task handler (no sleep).
void step();

}  // namespace demo
