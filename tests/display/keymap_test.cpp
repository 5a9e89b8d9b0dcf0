// The window's keyboard: host keys to event usages, auto-repeat, shift, Caps Lock, modifiers.
#include <gtest/gtest.h>

#include "display/input.h"
#include "display/keymap.h"

namespace {

struct usage_case {
  uint16_t host;
  uint8_t usage;
};

TEST(Keymap, HostKeysMapToTheEventUsages) {
  const usage_case cases[] = {
      {0x04, 0x04}, {0x1D, 0x1D}, {0x1E, 0x1E}, {0x27, 0x27}, {0x28, 0x28}, {0x2B, 0x2B}, {0x2C, 0x2C},
      {0x38, 0x38}, {0x39, 0x39}, {0x3A, 0x3A}, {0x45, 0x45}, {0x46, 0x46}, {0x48, 0x48}, {0x4C, 0x4C},
      {0x52, 0x52}, {0x53, 0x53}, {0x54, 0x54}, {0x57, 0x57}, {0x59, 0x59}, {0x62, 0x62}, {0x63, 0x63},
      // keypad Enter is the Enter key's usage
      {0x58, 0x28},
      // modifiers use the framework's own codes, left and right alike except the Windows keys
      {0xE0, 0x65}, {0xE4, 0x65}, {0xE1, 0x66}, {0xE5, 0x66}, {0xE2, 0x67}, {0xE6, 0x67}, {0xE3, 0x68},
      {0xE7, 0x6C},
      // keys with no entry: non-US keys, F13 and F24, Menu, keypad "=", media keys
      {0x32, 0}, {0x64, 0}, {0x68, 0}, {0x73, 0}, {0x65, 0}, {0x67, 0}, {0x00, 0}, {0x102, 0}};
  for (const auto& c : cases) EXPECT_EQ(disp_key_usage(c.host), c.usage) << "host usage " << std::hex << c.host;
}

TEST(Keymap, AHeldKeyIsPressedOnceAndReleasedOnce) {
  disp_key_state keys;
  EXPECT_TRUE(disp_key_press(&keys, 0x04));
  EXPECT_FALSE(disp_key_press(&keys, 0x04));  // auto-repeat
  disp_key_release(&keys, 0x04);
  EXPECT_TRUE(disp_key_press(&keys, 0x04));
}

TEST(Keymap, BothShiftKeysShareOneState) {
  disp_key_state keys;
  EXPECT_TRUE(disp_key_press(&keys, 0xE1));
  EXPECT_FALSE(disp_key_press(&keys, 0xE5));
  disp_key_release(&keys, 0xE5);
  EXPECT_EQ(disp_key_code(keys, 0x1F, true, false) & KEY_MOD_SHIFT, 0u);
}

struct code_case {
  const char* what;
  std::vector<uint16_t> held;
  uint16_t key;
  bool pressed;
  bool caps;
  uint32_t code;
};

TEST(Keymap, KeyCodesCarryShiftCapsLockAndModifiers) {
  const uint32_t P = KEY_CODE_PRESS, S = KEY_CODE_SHIFT;
  const code_case cases[] = {
      {"a", {}, 0x04, true, false, 0x04 | P},
      {"a released", {}, 0x04, false, false, 0x04},
      {"a with Caps Lock", {}, 0x04, true, true, 0x04 | S | P},
      {"a with Caps Lock and Shift", {0xE1}, 0x04, true, true, 0x04 | P | KEY_MOD_SHIFT},
      {"2 with Shift", {0xE5}, 0x1F, true, false, 0x1F | S | P | KEY_MOD_SHIFT},
      {"2 with Caps Lock", {}, 0x1F, true, true, 0x1F | P},
      {"Shift itself", {0xE1}, 0xE1, true, false, 0x66 | S | P | KEY_MOD_SHIFT},
      {"right Control", {0xE4}, 0x06, true, false, 0x06 | P | KEY_MOD_CONTROL},
      {"left Alt", {0xE2}, 0x06, true, false, 0x06 | P | KEY_MOD_ALT},
      {"left Windows", {0xE3}, 0x06, false, false, 0x06 | KEY_MOD_LEFT_WIN},
      {"right Windows", {0xE7}, 0x06, true, false, 0x06 | P | KEY_MOD_RIGHT_WIN},
      {"F13", {}, 0x68, true, false, P},
  };
  for (const auto& c : cases) {
    disp_key_state keys;
    for (uint16_t h : c.held) disp_key_press(&keys, h);
    EXPECT_EQ(disp_key_code(keys, c.key, c.pressed, c.caps), c.code) << c.what;
  }
}

}  // namespace
