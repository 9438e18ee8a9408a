// Feedback blend, overlay blend and the output conversion.
// The conversion builds the 256 output colours first, so each pixel is one lookup.
#include "demo/compose.h"

#include <cstddef>

namespace {
int smaller(int a, int b) { return a < b ? a : b; }
}  // namespace

void feedback_blend(PalettedBitmap& work, const PalettedBitmap& previous, const uint8_t* mix) {
  if (!work.pixels || !previous.pixels) return;
  const int width = smaller(work.width, previous.width), height = smaller(work.height, previous.height);
  for (int y = 0; y < height; ++y) {
    uint8_t* out = work.pixels + static_cast<ptrdiff_t>(y) * work.pitch;
    const uint8_t* old = previous.pixels + static_cast<ptrdiff_t>(y) * previous.pitch;
    for (int x = 0; x < width; ++x) out[x] = mix[out[x] * 256 + old[x]];
  }
}

void overlay_blend(PalettedBitmap& work, const Bitmap8& overlay, const uint8_t* lightShade, int intensity) {
  if (!work.pixels || !overlay.pixels) return;
  if (intensity < 0) intensity = 0;
  if (intensity > 255) intensity = 255;
  uint8_t step[256];
  for (int v = 0; v < 256; ++v) step[v] = static_cast<uint8_t>((intensity * v) >> 12);
  const int width = smaller(work.width, overlay.width), height = smaller(work.height, overlay.height);
  for (int y = 0; y < height; ++y) {
    uint8_t* out = work.pixels + static_cast<ptrdiff_t>(y) * work.pitch;
    const uint8_t* layer = overlay.pixels + static_cast<ptrdiff_t>(y) * overlay.pitch;
    for (int x = 0; x < width; ++x) out[x] = lightShade[out[x] * 16 + step[layer[x]]];
  }
}

void convert_to_frame(Bitmap32& frame, const PalettedBitmap& work) {
  if (!frame.pixels || !work.pixels) return;
  uint32_t colour[256];
  for (int i = 0; i < 256; ++i)
    colour[i] = static_cast<uint32_t>(work.palette[i * 3]) << 16 | static_cast<uint32_t>(work.palette[i * 3 + 1]) << 8 |
                work.palette[i * 3 + 2];
  const int width = smaller(work.width, frame.width), height = smaller(work.height, frame.height);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(frame.pixels) + static_cast<ptrdiff_t>(y) * frame.pitch);
    const uint8_t* in = work.pixels + static_cast<ptrdiff_t>(y) * work.pitch;
    for (int x = 0; x < width; ++x) out[x] = colour[in[x]];
  }
}
