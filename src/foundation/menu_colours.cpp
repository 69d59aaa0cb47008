// portable: no platform headers.
#include "foundation/menu_colours.h"

#include <algorithm>

namespace ostrya {
namespace {

uint32_t red(Rgb c) {
  return c & 0xFF;
}
uint32_t green(Rgb c) {
  return (c >> 8) & 0xFF;
}
uint32_t blue(Rgb c) {
  return (c >> 16) & 0xFF;
}

// One channel from the hue angle, between the two lightness bounds.
double channel(double m1, double m2, double h) {
  if (h < 0) h += 360;
  if (h > 360) h -= 360;
  if (h < 60) return m1 + (m2 - m1) * h / 60;
  if (h < 180) return m2;
  if (h < 240) return m1 + (m2 - m1) * (240 - h) / 60;
  return m1;
}

// Moves a 0-255 value towards 255 (positive percent) or 0 (negative), in integers.
uint32_t shift(uint32_t value, int percent) {
  const int v = static_cast<int>(value);
  const int shifted = percent > 0 ? v + (255 - v) * percent / 100 : v * (percent + 100) / 100;
  return static_cast<uint32_t>(std::clamp(shifted, 0, 255));
}

}  // namespace

Hls rgbToHls(Rgb colour) {
  const double r = red(colour), g = green(colour), b = blue(colour);
  const double max = std::max({r, g, b});
  const double min = std::min({r, g, b});
  const double l = (max + min) / 510;
  double h = 0, s = 0;
  if (max != min) {
    const double diff = max - min;
    s = l <= 0.5 ? diff / (max + min) : diff / (510 - max - min);
    const double rc = (max - r) / diff, gc = (max - g) / diff, bc = (max - b) / diff;
    if (b == max)
      h = (4 + gc - rc) * 60;
    else if (g == max)
      h = (2 + rc - bc) * 60;
    else
      h = (6 + bc - gc) * 60;
    if (h > 360) h -= 360;
  }
  const auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
  return byte(h * 255 / 360) | byte(l * 255) << 8 | byte(s * 255) << 16;
}

Rgb hlsToRgb(Hls colour) {
  const uint32_t hue = colour & 0xFF, lightness = (colour >> 8) & 0xFF;
  const double s = ((colour >> 16) & 0xFF) / 255.0;
  if (s == 0) return rgb(lightness, lightness, lightness);
  const double l = lightness / 255.0;
  const double m2 = l > 0.5 ? l + s - l * s : l + l * s;
  const double m1 = 2 * l - m2;
  const double h = hue * 360.0 / 255;
  const auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(v * 255, 0.0, 255.0)); };
  return rgb(byte(channel(m1, m2, h + 120)), byte(channel(m1, m2, h)),
             byte(channel(m1, m2, h - 120)));
}

Rgb tint(Rgb colour, int lightnessPercent, int saturationPercent) {
  const Hls hls = rgbToHls(colour);
  const uint32_t lightness = shift((hls >> 8) & 0xFF, lightnessPercent);
  const uint32_t saturation = shift((hls >> 16) & 0xFF, saturationPercent);
  return hlsToRgb((hls & 0xFF) | lightness << 8 | saturation << 16);
}

}  // namespace ostrya
