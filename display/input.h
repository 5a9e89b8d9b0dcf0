// Input channel from the window to the GUI: touch and key events, and the list of listeners
// that receive them. The list holds the caller's records (never copied or freed). Adding,
// removing and posting mask interrupts while they walk the list; posting is done by the
// window's host thread inside the CPU lock, and listeners run there and must not block.
#pragma once

#include <cstdint>

#include "display/disp.h"

inline constexpr uint8_t INPUT_KIND_TOUCH = 4;
inline constexpr uint8_t INPUT_KIND_KEY = 5;

struct touch_event {
  disp_device* source;
  uint8_t id;       // always 0 for the window
  uint8_t pressed;  // 1 pressed, 0 released
  uint16_t x, y;    // client coordinates
  uint16_t width, height;
};

// key_code: bits 0..7 the key's HID usage, bit 8 the shift state, bit 9 press (1) or release
// (0), bits 10..17 the modifiers below.
inline constexpr uint32_t KEY_CODE_USAGE = 0xFF;
inline constexpr uint32_t KEY_CODE_SHIFT = 1u << 8;
inline constexpr uint32_t KEY_CODE_PRESS = 1u << 9;
inline constexpr uint32_t KEY_MOD_SHIFT = 1u << 10;
inline constexpr uint32_t KEY_MOD_CONTROL = 1u << 11;
inline constexpr uint32_t KEY_MOD_ALT = 1u << 12;
inline constexpr uint32_t KEY_MOD_LEFT_WIN = 1u << 13;
inline constexpr uint32_t KEY_MOD_RIGHT_WIN = 1u << 17;

struct key_event {
  disp_device* source;
  uint32_t key_code;
};

struct input_listener {
  input_listener* next;
  void (*callback)(uint8_t kind, const void* event);
  uint8_t mask;  // bit k set: receives kind k
};

// Puts `listener` at the head of the list (a listener already listed is not added twice).
void input_listener_add(input_listener* listener);
// Takes `listener` out of the list, if it is there.
void input_listener_remove(input_listener* listener);
// Calls, in list order, every listener whose mask has bit `kind` set.
void input_post(uint8_t kind, const void* event);
