// The texture built the plain way, one linear palette scan per pixel, kept as the yardstick the
// fast build must match bit for bit (tests) and beat (benchmark).
// Written from the rules directly, not from the engine's code: only HsvEntry is shared.
#pragma once
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "image/texture.h"

namespace reference {

inline HsvEntry rgb_to_hsv(float r, float g, float b) {
  float max = std::fmax(std::fmax(r, g), b);
  float min = std::fmin(std::fmin(r, g), b);
  float delta = max - min;
  float saturation = max != 0.0f ? delta / max : 0.0f;
  if (saturation == 0.0f) return {0.0f, 0.0f, max};
  float inverse = 1.0f / delta;
  float rc = (max - r) * inverse, gc = (max - g) * inverse, bc = (max - b) * inverse;
  float hue = r == max ? bc - gc : (g == max ? 2.0f + rc - bc : 4.0f + gc - rc);
  hue *= 60.0f;
  if (hue < 0.0f) hue += 360.0f;
  return {hue, saturation, max};
}

inline uint8_t nearest(float r, float g, float b, const HsvEntry* table) {
  HsvEntry c = rgb_to_hsv(r, g, b);
  float best = FLT_MAX;
  int result = 0;
  for (int i = 0; i < 256; ++i) {
    float hueTerm = static_cast<float>(std::fabs(double{table[i].hue} - c.hue) * 1.5);
    float firstTwo = static_cast<float>(double{hueTerm} + std::fabs(double{table[i].saturation} - c.saturation) * 54.5);
    double distance = double{firstTwo} + std::fabs(double{table[i].value} - c.value) * 30.0;
    if (distance < best) {
      best = static_cast<float>(distance);
      result = i;
    }
  }
  return static_cast<uint8_t>(result);
}

// source: 64x64 indices; out: 65,536 indices.
inline void enlarge(uint8_t* out, const uint8_t* source, const uint8_t* palette) {
  HsvEntry table[256];
  for (int i = 0; i < 256; ++i) table[i] = rgb_to_hsv(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      int x0 = (x >> 2) & 63, x1 = ((x >> 2) + 1) & 63, fx = x & 3;
      int y0 = (y >> 2) & 63, y1 = ((y >> 2) + 1) & 63, fy = y & 3;
      const uint8_t* tl = palette + 3 * source[y0 * 64 + x0];
      const uint8_t* tr = palette + 3 * source[y0 * 64 + x1];
      const uint8_t* bl = palette + 3 * source[y1 * 64 + x0];
      const uint8_t* br = palette + 3 * source[y1 * 64 + x1];
      float rgb[3];
      for (int c = 0; c < 3; ++c) {
        float left = float((4 - fy) * tl[c] + fy * bl[c]), right = float((4 - fy) * tr[c] + fy * br[c]);
        rgb[c] = 0.25f * (0.25f * float(4 - fx) * left + 0.25f * float(fx) * right);
      }
      uint8_t index = nearest(rgb[0], rgb[1], rgb[2], table);
      out[y * 256 + x] = (x > 245 || y > 245) ? 0 : index;
    }
}

}  // namespace reference
