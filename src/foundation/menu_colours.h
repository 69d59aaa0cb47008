// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// Colours as Windows holds them: 0x00BBGGRR.
using Rgb = uint32_t;
constexpr Rgb rgb(uint32_t r, uint32_t g, uint32_t b) {
  return r | g << 8 | b << 16;
}

// Hue in bits 0-7 (0-255 for 0-360 degrees), lightness in bits 8-15, saturation in bits 16-23.
using Hls = uint32_t;

Hls rgbToHls(Rgb colour);
Rgb hlsToRgb(Hls colour);

// The colour made lighter (positive) or darker (negative) and more or less saturated, by percent
// of the way to the end of each scale: every menu colour is a system colour tinted so.
Rgb tint(Rgb colour, int lightnessPercent, int saturationPercent);

}  // namespace ostrya
