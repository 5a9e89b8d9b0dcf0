/* 16-bit RGB565 colours and opacities, as LVGL 7 with LV_COLOR_DEPTH 16 (native byte order).
 * Owns nothing; all functions are pure. Conversions from 24-bit colours truncate each
 * channel (8 -> 5/6/5 bits), so #6B9E94 becomes 0x6CF2 and #429EFF becomes 0x44FF. */
#pragma once

#include <cstdint>

typedef uint8_t lv_opa_t;
enum {
    LV_OPA_TRANSP = 0,
    LV_OPA_0 = 0,
    LV_OPA_10 = 25,
    LV_OPA_20 = 51,
    LV_OPA_30 = 76,
    LV_OPA_40 = 102,
    LV_OPA_50 = 127,
    LV_OPA_60 = 153,
    LV_OPA_70 = 178,
    LV_OPA_80 = 204,
    LV_OPA_90 = 229,
    LV_OPA_100 = 255,
    LV_OPA_COVER = 255,
};
/* Below MIN nothing is drawn; above MAX a colour is written without blending. */
#define LV_OPA_MIN 2
#define LV_OPA_MAX 253

typedef union {
    struct {
        uint16_t blue : 5;
        uint16_t green : 6;
        uint16_t red : 5;
    } ch;
    uint16_t full;
} lv_color16_t;
typedef lv_color16_t lv_color_t;

constexpr lv_color_t lv_color_make(uint8_t r8, uint8_t g8, uint8_t b8)
{
    lv_color_t c{};
    c.full = static_cast<uint16_t>(((r8 >> 3) << 11) | ((g8 >> 2) << 5) | (b8 >> 3));
    return c;
}
#define LV_COLOR_MAKE(r8, g8, b8) lv_color_make((r8), (g8), (b8))

constexpr lv_color_t lv_color_hex(uint32_t c)
{
    return lv_color_make(static_cast<uint8_t>((c >> 16) & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                         static_cast<uint8_t>(c & 0xFF));
}

constexpr lv_color_t lv_color_hex3(uint32_t c)
{
    return lv_color_make(static_cast<uint8_t>(((c >> 8) & 0xF) * 17), static_cast<uint8_t>(((c >> 4) & 0xF) * 17),
                         static_cast<uint8_t>((c & 0xF) * 17));
}

/* A colour from a raw RGB565 value, as the application writes 0xF800. */
constexpr lv_color_t lv_color_from_565(uint16_t v)
{
    lv_color_t c{};
    c.full = v;
    return c;
}

constexpr uint32_t lv_color_to32(lv_color_t c)
{
    uint32_t r = ((c.full >> 11) & 0x1F) * 255 / 31;
    uint32_t g = ((c.full >> 5) & 0x3F) * 255 / 63;
    uint32_t b = (c.full & 0x1F) * 255 / 31;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

/* Mix c1 over c2: mix 255 gives c1, 0 gives c2 (channels rounded). */
lv_color_t lv_color_mix(lv_color_t c1, lv_color_t c2, uint8_t mix);
uint8_t lv_color_brightness(lv_color_t color);

#define LV_COLOR_WHITE LV_COLOR_MAKE(0xFF, 0xFF, 0xFF)
#define LV_COLOR_SILVER LV_COLOR_MAKE(0xC0, 0xC0, 0xC0)
#define LV_COLOR_GRAY LV_COLOR_MAKE(0x80, 0x80, 0x80)
#define LV_COLOR_BLACK LV_COLOR_MAKE(0x00, 0x00, 0x00)
#define LV_COLOR_RED LV_COLOR_MAKE(0xFF, 0x00, 0x00)
#define LV_COLOR_MAROON LV_COLOR_MAKE(0x80, 0x00, 0x00)
#define LV_COLOR_YELLOW LV_COLOR_MAKE(0xFF, 0xFF, 0x00)
#define LV_COLOR_OLIVE LV_COLOR_MAKE(0x80, 0x80, 0x00)
#define LV_COLOR_LIME LV_COLOR_MAKE(0x00, 0xFF, 0x00)
#define LV_COLOR_GREEN LV_COLOR_MAKE(0x00, 0x80, 0x00)
#define LV_COLOR_CYAN LV_COLOR_MAKE(0x00, 0xFF, 0xFF)
#define LV_COLOR_AQUA LV_COLOR_CYAN
#define LV_COLOR_TEAL LV_COLOR_MAKE(0x00, 0x80, 0x80)
#define LV_COLOR_BLUE LV_COLOR_MAKE(0x00, 0x00, 0xFF)
#define LV_COLOR_NAVY LV_COLOR_MAKE(0x00, 0x00, 0x80)
#define LV_COLOR_MAGENTA LV_COLOR_MAKE(0xFF, 0x00, 0xFF)
#define LV_COLOR_PURPLE LV_COLOR_MAKE(0x80, 0x00, 0x80)
#define LV_COLOR_ORANGE LV_COLOR_MAKE(0xFF, 0xA5, 0x00)
