// The application's screens. Until the configurator's own screens are built, the first
// screen is a small demo: a label, a checkable button, a one-line text area in the keypad
// group, a bar and a message box. GUI thread only.
#pragma once

#include "gui/lvgl.h"

void app_ui_init(int gamepad_count, lv_group_t* keypad_group);

// Where the demo's pieces are (the window tests look for them there).
struct app_ui_box {
  int x, y, w, h;
};
inline constexpr app_ui_box APP_UI_BUTTON{60, 120, 220, 64};
inline constexpr app_ui_box APP_UI_TEXTAREA{340, 120, 420, 50};
inline constexpr app_ui_box APP_UI_BAR{60, 240, 700, 24};
inline constexpr uint32_t APP_UI_SCREEN_RGB = 0x20303C;
inline constexpr uint32_t APP_UI_BUTTON_RGB = 0x1E64C8;
inline constexpr uint32_t APP_UI_BUTTON_CHECKED_RGB = 0x28B450;
inline constexpr uint32_t APP_UI_TEXTAREA_RGB = 0xFFFFFF;
