// Key translation of the GUI port: from a key event's low 9 bits (HID usage and shift bit) to
// an LVGL key or character. A constant table; pure and callable anywhere. Codes the table does
// not list (Tab, Caps Lock, function keys, modifiers, most shifted keys) translate to 0.
#pragma once

#include <cstdint>

uint16_t gui_key_translate(uint32_t code);
