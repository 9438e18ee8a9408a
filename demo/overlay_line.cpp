// The clipped line of the noise grid and the inset border.
// Subtle: clipping is per point, never by shortening the line, so the walk's pixels never move.
// The walk is entered at its first on-screen step in closed form: after n steps the major axis
// has moved n and the minor axis floor((e / 2 + n x minor) / e), the error being the remainder.
#include "demo/overlay_line.h"

#include <cstdint>

void draw_clipped_line(uint8_t* buffer, int x1, int y1, int x2, int y2, uint8_t value) {
  int dx = x2 - x1;
  int dy = y2 - y1;
  int sx = (dx > 0) - (dx < 0);
  int sy = (dy > 0) - (dy < 0);
  int adx = dx < 0 ? -dx : dx;
  int ady = dy < 0 ? -dy : dy;
  bool yMajor = ady >= adx;
  int e = yMajor ? ady : adx;
  if (e == 0) {
    if (x1 >= 0 && x1 < kOverlayWidth && y1 >= 0 && y1 < kOverlayHeight) buffer[y1 * kOverlayWidth + x1] = value;
    return;
  }
  int minor = yMajor ? adx : ady;
  int majorStart = yMajor ? y1 : x1, majorStep = yMajor ? sy : sx, majorLimit = yMajor ? kOverlayHeight : kOverlayWidth;
  int minorStart = yMajor ? x1 : y1, minorStep = yMajor ? sx : sy, minorLimit = yMajor ? kOverlayWidth : kOverlayHeight;

  // Steps n = 0..e whose major coordinate majorStart + majorStep x n lies on the buffer.
  int64_t first = 0, last = e;
  if (majorStep > 0) {
    if (-static_cast<int64_t>(majorStart) > first) first = -static_cast<int64_t>(majorStart);
    if (static_cast<int64_t>(majorLimit) - 1 - majorStart < last) last = static_cast<int64_t>(majorLimit) - 1 - majorStart;
  } else {
    if (static_cast<int64_t>(majorStart) - (majorLimit - 1) > first) first = static_cast<int64_t>(majorStart) - (majorLimit - 1);
    if (majorStart < last) last = majorStart;
  }
  if (first > last) return;

  int64_t total = e / 2 + first * minor;
  int error = static_cast<int>(total % e);
  int minorPos = minorStart + minorStep * static_cast<int>(total / e);
  int majorPos = majorStart + majorStep * static_cast<int>(first);
  for (int64_t n = first; n <= last; ++n) {
    if (minorPos >= 0 && minorPos < minorLimit) {
      int x = yMajor ? minorPos : majorPos;
      int y = yMajor ? majorPos : minorPos;
      buffer[y * kOverlayWidth + x] = value;
    }
    majorPos += majorStep;
    error += minor;
    if (error >= e) {
      error -= e;
      minorPos += minorStep;
    }
  }
}
