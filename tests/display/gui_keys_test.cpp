// The GUI port's key translation: key-event codes (usage + shift bit) to LVGL keys.
#include <gtest/gtest.h>

#include <string>

#include "display/gui_keys.h"
#include "gui/lvgl.h"

namespace {

// Every code of a run of consecutive usages translates to the matching character of `chars`.
void expect_run(uint32_t first, const std::string& chars) {
  for (size_t i = 0; i < chars.size(); ++i)
    EXPECT_EQ(gui_key_translate(first + static_cast<uint32_t>(i)), static_cast<uint8_t>(chars[i]))
        << "code 0x" << std::hex << first + i;
}

TEST(GuiKeys, CharacterRuns) {
  expect_run(0x04, "abcdefghijklmnopqrstuvwxyz");
  expect_run(0x1E, "1234567890");
  expect_run(0x2C, " -=[]\\");
  expect_run(0x33, ";'`,./");
  expect_run(0x54, "/*-+");
  expect_run(0x59, "1234567890.=");
  expect_run(0x104, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  expect_run(0x11E, "!@#$%^&*()");
  expect_run(0x12D, "_+{}|");
  expect_run(0x133, ":\"~<>?");
}

TEST(GuiKeys, ControlKeysAndKeysWithoutTranslation) {
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0x28, LV_KEY_ENTER}, {0x58, LV_KEY_ENTER}, {0x29, LV_KEY_ESC}, {0x2A, LV_KEY_BACKSPACE},
      {0x4A, LV_KEY_HOME}, {0x4C, LV_KEY_DEL}, {0x4D, LV_KEY_END}, {0x4F, LV_KEY_RIGHT}, {0x50, LV_KEY_LEFT},
      {0x51, LV_KEY_DOWN}, {0x52, LV_KEY_UP},
      // no translation: Tab, Caps Lock, F1, Page Up/Down, Insert, Print Screen, Scroll Lock,
      // Pause, Num Lock, the modifiers, shifted Enter, Space, Backspace and keypad keys
      {0x2B, 0}, {0x39, 0}, {0x3A, 0}, {0x4B, 0}, {0x4E, 0}, {0x49, 0}, {0x46, 0}, {0x47, 0}, {0x48, 0},
      {0x53, 0}, {0x65, 0}, {0x66, 0}, {0x67, 0}, {0x68, 0}, {0x6C, 0}, {0x128, 0}, {0x12C, 0}, {0x12A, 0},
      {0x159, 0}, {0x132, 0}, {0x00, 0}, {0x1FF, 0}};
  for (const auto& [code, key] : cases) EXPECT_EQ(gui_key_translate(code), key) << "code 0x" << std::hex << code;
}

TEST(GuiKeys, OnlyTheLowNineBitsCount) {
  EXPECT_EQ(gui_key_translate(0x1F | 0x100 | 0x200 | 0x400), '@');  // shift 2, pressed, Shift held
  EXPECT_EQ(gui_key_translate(0x04 | 0x200 | 0x800), 'a');
}

}  // namespace
