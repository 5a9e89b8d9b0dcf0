// The translation table, built at compile time: one entry per 9-bit code.
#include "display/gui_keys.h"

#include <array>

#include "gui/lvgl.h"

namespace {

constexpr uint16_t SHIFT = 0x100;

constexpr void put_run(std::array<uint16_t, 512>& t, uint16_t first_code, const char* chars) {
  for (uint16_t i = 0; chars[i]; ++i) t[first_code + i] = static_cast<uint8_t>(chars[i]);
}

constexpr std::array<uint16_t, 512> make_table() {
  std::array<uint16_t, 512> t{};
  put_run(t, 0x04, "abcdefghijklmnopqrstuvwxyz");
  put_run(t, 0x1E, "1234567890");
  t[0x28] = t[0x58] = LV_KEY_ENTER;
  t[0x29] = LV_KEY_ESC;
  t[0x2A] = LV_KEY_BACKSPACE;
  t[0x2C] = ' ';
  put_run(t, 0x2D, "-=[]\\");
  put_run(t, 0x33, ";'`,./");
  t[0x4A] = LV_KEY_HOME;
  t[0x4C] = LV_KEY_DEL;
  t[0x4D] = LV_KEY_END;
  t[0x4F] = LV_KEY_RIGHT;
  t[0x50] = LV_KEY_LEFT;
  t[0x51] = LV_KEY_DOWN;
  t[0x52] = LV_KEY_UP;
  put_run(t, 0x54, "/*-+");
  put_run(t, 0x59, "1234567890.=");
  put_run(t, SHIFT | 0x04, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  put_run(t, SHIFT | 0x1E, "!@#$%^&*()");
  put_run(t, SHIFT | 0x2D, "_+{}|");
  put_run(t, SHIFT | 0x33, ":\"~<>?");
  return t;
}

constexpr std::array<uint16_t, 512> key_table = make_table();
static_assert(key_table[0x62] == '0' && key_table[0x63] == '.' && key_table[0x64] == '=');
static_assert(key_table[SHIFT | 0x28] == 0 && key_table[0x2B] == 0);

}  // namespace

uint16_t gui_key_translate(uint32_t code) { return key_table[code & 0x1FF]; }
