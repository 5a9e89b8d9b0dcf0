// Host key to key-event usage. The window reports keys as a USB keyboard would, but with the
// framework's own codes for the modifiers: 0x66 for either Shift, 0x65 for either Control,
// 0x67 for either Alt, 0x68 and 0x6C for the left and right Windows keys. Keys a PC keyboard
// driver has no virtual key for (F13 and up, the Menu key, the non-US keys, keypad "=") give 0.
#include "display/keymap.h"

#include <array>

#include "display/input.h"

namespace {

constexpr uint16_t HOST_LEFT_CONTROL = 0xE0;
constexpr uint16_t HOST_LEFT_SHIFT = 0xE1;
constexpr uint16_t HOST_LEFT_ALT = 0xE2;
constexpr uint16_t HOST_LEFT_GUI = 0xE3;
constexpr uint16_t HOST_RIGHT_CONTROL = 0xE4;
constexpr uint16_t HOST_RIGHT_SHIFT = 0xE5;
constexpr uint16_t HOST_RIGHT_ALT = 0xE6;
constexpr uint16_t HOST_RIGHT_GUI = 0xE7;

constexpr std::array<uint8_t, 256> make_usage_table() {
  std::array<uint8_t, 256> t{};
  for (int u = 0x04; u <= 0x27; ++u) t[u] = static_cast<uint8_t>(u);  // letters and digits
  for (int u : {0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39})
    t[u] = static_cast<uint8_t>(u);
  for (int u = 0x3A; u <= 0x45; ++u) t[u] = static_cast<uint8_t>(u);  // F1 .. F12
  for (int u = 0x46; u <= 0x57; ++u) t[u] = static_cast<uint8_t>(u);  // Print Screen .. keypad +
  t[0x58] = 0x28;                                                      // keypad Enter is Enter
  for (int u = 0x59; u <= 0x63; ++u) t[u] = static_cast<uint8_t>(u);  // keypad 1 .. keypad .
  t[HOST_LEFT_CONTROL] = t[HOST_RIGHT_CONTROL] = 0x65;
  t[HOST_LEFT_SHIFT] = t[HOST_RIGHT_SHIFT] = 0x66;
  t[HOST_LEFT_ALT] = t[HOST_RIGHT_ALT] = 0x67;
  t[HOST_LEFT_GUI] = 0x68;
  t[HOST_RIGHT_GUI] = 0x6C;
  return t;
}
constexpr std::array<uint8_t, 256> usage_table = make_usage_table();

// The bit that records a key: right-hand Shift, Control and Alt share the left-hand bit.
uint16_t key_slot(uint16_t host_usage) {
  switch (host_usage) {
    case HOST_RIGHT_CONTROL: return HOST_LEFT_CONTROL;
    case HOST_RIGHT_SHIFT: return HOST_LEFT_SHIFT;
    case HOST_RIGHT_ALT: return HOST_LEFT_ALT;
    default: return host_usage;
  }
}

bool is_down(const disp_key_state& state, uint16_t host_usage) { return state.down.test(host_usage); }

}  // namespace

uint8_t disp_key_usage(uint16_t host_usage) { return host_usage < usage_table.size() ? usage_table[host_usage] : 0; }

bool disp_key_press(disp_key_state* state, uint16_t host_usage) {
  uint16_t slot = key_slot(host_usage);
  if (slot >= state->down.size() || state->down.test(slot)) return false;
  state->down.set(slot);
  return true;
}

void disp_key_release(disp_key_state* state, uint16_t host_usage) {
  uint16_t slot = key_slot(host_usage);
  if (slot < state->down.size()) state->down.reset(slot);
}

uint32_t disp_key_code(const disp_key_state& state, uint16_t host_usage, bool pressed, bool caps_lock) {
  uint8_t usage = disp_key_usage(host_usage);
  bool shift = is_down(state, HOST_LEFT_SHIFT);
  if (usage >= 0x04 && usage <= 0x1D && caps_lock) shift = !shift;
  uint32_t code = usage;
  if (shift) code |= KEY_CODE_SHIFT;
  if (pressed) code |= KEY_CODE_PRESS;
  if (is_down(state, HOST_LEFT_SHIFT)) code |= KEY_MOD_SHIFT;
  if (is_down(state, HOST_LEFT_CONTROL)) code |= KEY_MOD_CONTROL;
  if (is_down(state, HOST_LEFT_ALT)) code |= KEY_MOD_ALT;
  if (is_down(state, HOST_LEFT_GUI)) code |= KEY_MOD_LEFT_WIN;
  if (is_down(state, HOST_RIGHT_GUI)) code |= KEY_MOD_RIGHT_WIN;
  return code;
}
