// The integer Bresenham walk shared by the font's strokes, the noise grid and the inset border,
// and the clipped line into a 320x200 byte buffer. Subtle: the error starts at e / 2 and a point
// off the buffer is skipped while the walk goes on, so a clipped line keeps the full line's pixels.
#pragma once
#include <cstdint>

constexpr int kOverlayWidth = 320;
constexpr int kOverlayHeight = 200;
constexpr int kOverlayPixels = kOverlayWidth * kOverlayHeight;

// Calls plot(x, y) for the e + 1 points from (x1, y1) towards (x2, y2), e = max(|dx|, |dy|),
// y major when |dy| >= |dx|. Coordinates are bounded by the callers (bytes, or a few hundred).
template <typename Plot>
inline void walk_line(int x1, int y1, int x2, int y2, Plot&& plot) {
  int dx = x2 - x1;
  int dy = y2 - y1;
  int sx = (dx > 0) - (dx < 0);
  int sy = (dy > 0) - (dy < 0);
  int adx = dx < 0 ? -dx : dx;
  int ady = dy < 0 ? -dy : dy;
  bool yMajor = ady >= adx;
  int e = yMajor ? ady : adx;
  int minor = yMajor ? adx : ady;
  int error = e / 2;
  int x = x1;
  int y = y1;
  for (int n = 0; n <= e; ++n) {
    plot(x, y);
    error += minor;
    if (error >= e) {
      error -= e;
      x += sx;
      y += sy;
    } else if (yMajor) {
      y += sy;
    } else {
      x += sx;
    }
  }
}

// A line into a 320x200 buffer (rows of 320); points outside the buffer are not written.
void draw_clipped_line(uint8_t* buffer, int x1, int y1, int x2, int y2, uint8_t value);
