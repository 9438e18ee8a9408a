// The overlay's three steps: copy or clear the layer, add noise, blend it into the frame.
// Subtle: noise draws rand even when the layer ends up unseen (intensity 0), so the sequence of
// every later frame stays the same.
#include "demo/overlay.h"

#include "demo/compose.h"
#include "demo/noise.h"
#include "demo/overlay_line.h"

namespace {
bool is_screen(int32_t width, int32_t height, int32_t pitch) {
  return width == kOverlayWidth && height == kOverlayHeight && pitch == kOverlayWidth;
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
  // Only the low byte counts (the blend itself would clamp 256 and up to 255).
  overlay_blend(work, layer, lightShade, intensity & 0xFF);
}
