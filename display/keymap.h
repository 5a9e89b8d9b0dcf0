// Keyboard of the window: maps the host's physical keys, given as standard USB HID usages
// (0x04 'A' .. 0xE7 right GUI), to the usages the window's key events carry, and keeps the
// set of keys that are down so that auto-repeat is dropped and the modifier bits can be read.
// Pure functions and a plain record; used on the window thread only. Keys that the event
// table does not list map to usage 0 but are still tracked, so their repeats are dropped too.
#pragma once

#include <bitset>
#include <cstdint>

// Usage carried by key events for a host key; 0 when the key is not in the table.
uint8_t disp_key_usage(uint16_t host_usage);

struct disp_key_state {
  // One bit per key; the left and right Shift, Control and Alt keys share one bit each.
  std::bitset<512> down;
};

// Records a press; false when the key is already down (an auto-repeat, to be ignored).
bool disp_key_press(disp_key_state* state, uint16_t host_usage);
void disp_key_release(disp_key_state* state, uint16_t host_usage);
// The key_code of a key event for `host_usage`, built after the press or release has been
// recorded. `caps_lock` is the host's Caps Lock toggle; it inverts the shift bit of letters.
uint32_t disp_key_code(const disp_key_state& state, uint16_t host_usage, bool pressed, bool caps_lock);
