// The overlay's three steps: copy or clear the layer, add noise, blend it into the frame.
// Subtle: noise draws rand even when the layer ends up unseen (intensity 0), so the sequence of
// every later frame stays the same.
#include "demo/overlay.h"

#include "demo/noise.h"
#include "demo/overlay_line.h"

namespace {
bool is_screen(int32_t width, int32_t height, int32_t pitch) {
  return width == kOverlayWidth && height == kOverlayHeight && pitch == kOverlayWidth;
}

// WorkFrame = LightShadeTable[work x 16 + ((intensity x overlay) >> 12)] for every pixel.
void blend_overlay(uint8_t* work, const uint8_t* layer, const uint8_t* lightShade, int intensity) {
  uint8_t step[256];
  for (int v = 0; v < 256; ++v) step[v] = static_cast<uint8_t>((intensity * v) >> 12);
  for (int i = 0; i < kOverlayPixels; ++i) work[i] = lightShade[(work[i] << 4) | step[layer[i]]];
}
}  // namespace

void overlay(Bitmap8& layer, const TextImage* image, int intensity, int noise, PalettedBitmap& work,
             const uint8_t* lightShade) {
  if (!layer.pixels || !work.pixels || !lightShade) return;
  if (!is_screen(layer.width, layer.height, layer.pitch) || !is_screen(work.width, work.height, work.pitch)) return;

  if (image && image->pixels && image->width == kOverlayWidth && image->height >= kOverlayHeight)
    copy(layer, *image);
  else
    clear(layer, 0);
  add_noise(layer.pixels, noise);
  blend_overlay(work.pixels, layer.pixels, lightShade, intensity & 0xFF);
}
