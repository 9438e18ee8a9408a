// HSV conversion and the plain nearest-palette scan that defines the texture's colour matching.
// Single-precision steps as the texture has always been built; the scan's best is kept as a float.
#include <cfloat>

#include "image/texture.h"
#include "image/texture_search.h"

HsvEntry rgb_to_hsv(float r, float g, float b) {
  float max = r > g ? r : g;
  if (b > max) max = b;
  float min = r < g ? r : g;
  if (b < min) min = b;
  float delta = max - min;

  HsvEntry hsv{0.0f, 0.0f, max};
  hsv.saturation = max != 0.0f ? delta / max : 0.0f;
  if (hsv.saturation == 0.0f) return hsv;

  float inverse = 1.0f / delta;
  float rc = (max - r) * inverse;
  float gc = (max - g) * inverse;
  float bc = (max - b) * inverse;
  float hue;
  if (r == max)
    hue = bc - gc;
  else if (g == max)
    hue = (2.0f + rc) - bc;
  else
    hue = (4.0f + gc) - rc;
  hue = hue * 60.0f;
  if (hue < 0.0f) hue = hue + 360.0f;
  hsv.hue = hue;
  return hsv;
}

uint8_t nearest_palette_index(float r, float g, float b, const HsvEntry* table) {
  HsvEntry colour = rgb_to_hsv(r, g, b);
  float best = FLT_MAX;  // bits 0x7F7FFFFF
  uint8_t result = 0;
  for (int i = 0; i < 256; ++i) {
    double distance = hsv_distance(table[i], colour.hue, colour.saturation, colour.value);
    if (distance < best) {
      best = static_cast<float>(distance);
      result = static_cast<uint8_t>(i);
    }
  }
  return result;
}
