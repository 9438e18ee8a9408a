// The inset thumbnail and its border lines.
// Subtle: x and y are clamped to a range wide enough that a clamped inset lies as wholly off the
// frame as the original one would, so far-off positions draw exactly the same (nothing) quickly.
#include "demo/inset.h"

#include "demo/overlay_line.h"

namespace {
int clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

void inset(uint8_t* workPixels, int x, int y, uint8_t border) {
  x = clamp(x, -kInsetWidth - 20, kOverlayWidth + 20);
  y = clamp(y, -kInsetHeight - 20, kOverlayHeight + 20);

  uint8_t thumbnail[kInsetHeight][kInsetWidth];
  for (int j = 0; j < kInsetHeight; ++j)
    for (int i = 0; i < kInsetWidth; ++i) thumbnail[j][i] = workPixels[(4 * j) * kOverlayWidth + 4 * i];

  for (int j = 0; j < kInsetHeight; ++j) {
    int row = y + j;
    if (row < 0 || row >= kOverlayHeight) continue;
    for (int i = 0; i < kInsetWidth; ++i) {
      int column = x + i;
      if (column >= 0 && column < kOverlayWidth) workPixels[row * kOverlayWidth + column] = thumbnail[j][i];
    }
  }

  draw_clipped_line(workPixels, x - 1, y - 1, x + kInsetWidth, y - 1, border);
  draw_clipped_line(workPixels, x - 1, y + kInsetHeight, x + kInsetWidth, y + kInsetHeight, border);
  draw_clipped_line(workPixels, x - 1, y - 1, x - 1, y + kInsetHeight, border);
  draw_clipped_line(workPixels, x + kInsetWidth, y - 1, x + kInsetWidth, y + kInsetHeight, border);
}
