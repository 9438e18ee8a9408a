// Palette fades toward black and toward white, per component with integer division.
// Entries outside 0..255 are never written; last < first writes nothing.
#include "demo/palette_fade.h"

namespace {
int clamp_level(int level) { return level > 63 ? 63 : (level < 0 ? 0 : level); }

template <typename Fade>
void fade(int first, int last, const uint8_t* source, uint8_t* current, Fade component) {
  if (first < 0) first = 0;
  if (last > 255) last = 255;
  for (int i = first * 3; i < (last + 1) * 3; ++i) current[i] = static_cast<uint8_t>(component(source[i]));
}
}  // namespace

void fade_to_black(int first, int last, const uint8_t* source, int level, uint8_t* current) {
  level = clamp_level(level);
  fade(first, last, source, current, [level](int s) { return s * level / 64; });
}

void fade_to_white(int first, int last, const uint8_t* source, int level, uint8_t* current) {
  level = clamp_level(level);
  fade(first, last, source, current, [level](int s) { return s + (255 - s) * level / 64; });
}
