/* Colour blending in RGB565. */
#include "gui/misc/lv_color.h"

static uint16_t mix_channel(uint16_t a, uint16_t b, uint8_t mix)
{
    return static_cast<uint16_t>((a * mix + b * (255 - mix) + 127) / 255);
}

lv_color_t lv_color_mix(lv_color_t c1, lv_color_t c2, uint8_t mix)
{
    uint16_t r = mix_channel((c1.full >> 11) & 0x1F, (c2.full >> 11) & 0x1F, mix);
    uint16_t g = mix_channel((c1.full >> 5) & 0x3F, (c2.full >> 5) & 0x3F, mix);
    uint16_t b = mix_channel(c1.full & 0x1F, c2.full & 0x1F, mix);
    return lv_color_from_565(static_cast<uint16_t>((r << 11) | (g << 5) | b));
}

uint8_t lv_color_brightness(lv_color_t color)
{
    uint32_t c32 = lv_color_to32(color);
    uint32_t r = (c32 >> 16) & 0xFF, g = (c32 >> 8) & 0xFF, b = c32 & 0xFF;
    return static_cast<uint8_t>((r * 2 + g * 5 + b) >> 3);
}
