// Display driver interface: a fixed-size frame buffer with an operation that refreshes one
// rectangle and a ready callback that the driver calls when an initialisation or a refresh is
// visible. The device record is owned by its driver; the GUI binding and the ready callback
// belong to whoever binds a GUI to it. `init` and `refresh` never block and return 0; the ready
// callback runs later on the driver's host thread, inside the CPU lock.
#pragma once

#include <cstdint>

struct disp_device;

struct disp_rect {
  uint16_t x, y, width, height;
};

struct disp_ops {
  int (*init)(disp_device* dev);
  // `rect` null means the whole display; `pixels` are packed rows (width x bytes per pixel).
  int (*refresh)(disp_device* dev, const disp_rect* rect, const void* pixels);
};

struct disp_device {
  const disp_ops* ops;
  uint16_t width;
  uint16_t height;
  uint32_t color_format;
  void* gui_binding;
  void (*ready)(disp_device* dev);
};

// Colour-format codes: low byte names the format, bits 8..12 hold bits per pixel - 1 and
// bits 13..14 bytes per pixel - 1.
inline constexpr uint32_t DISP_COLOR_RGB565 = 0x2F02;
inline constexpr uint32_t DISP_COLOR_ARGB8888 = 0xFF04;
inline constexpr uint32_t DISP_COLOR_XRGB8888 = 0x7F07;

constexpr uint32_t disp_color_bits(uint32_t format) { return ((format >> 8) & 0x1F) + 1; }
constexpr uint32_t disp_color_bytes(uint32_t format) { return ((format >> 13) & 0x3) + 1; }
static_assert(disp_color_bits(DISP_COLOR_RGB565) == 16 && disp_color_bytes(DISP_COLOR_RGB565) == 2);
static_assert(disp_color_bits(DISP_COLOR_ARGB8888) == 32 && disp_color_bytes(DISP_COLOR_ARGB8888) == 4);
static_assert(disp_color_bits(DISP_COLOR_XRGB8888) == 32 && disp_color_bytes(DISP_COLOR_XRGB8888) == 4);
