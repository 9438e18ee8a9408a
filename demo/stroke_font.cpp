// Loading the stroke font and reading its glyph records into shifted strokes and stamp centres.
// Subtle: the two arc types differ on purpose in their angle factor, the vertical one a double
// (0.017453292522222223), the horizontal one the float 0.017453292f; the sines are double.
#include "demo/stroke_font.h"

#include <cstdlib>

#include "shell/det_math.h"
#include "shell/shell.h"
#include "vfs/mount.h"

bool font_valid(uint32_t size) { return size >= kFontBytes; }

StrokeFont accept_font(const char* name, void* bytes, uint32_t size) {
  if (!bytes || !font_valid(size)) {
    std::free(bytes);
    fatal_error("Error loading font '%s'.\n", name);
  }
  return StrokeFont{static_cast<const uint8_t*>(bytes), size};
}

StrokeFont load_font(const char* name) {
  uint32_t size = 0;
  void* bytes = load_file(name, &size);
  return accept_font(name, bytes, size);
}

void free_font(StrokeFont& font) {
  std::free(const_cast<uint8_t*>(font.bytes));
  font.bytes = nullptr;
  font.size = 0;
}

int glyph_index(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= '0' && c <= '9') return c - '0' + 26;
  return -1;
}

int glyph_strokes(const StrokeFont& font, int glyph, Stroke (&strokes)[kStrokesPerGlyph]) {
  if (!font.bytes || glyph < 0 || glyph >= kGlyphCount) return 0;
  uint32_t start = static_cast<uint32_t>(glyph) * kGlyphBytes;
  if (font.size < start + kGlyphBytes) return 0;
  const uint8_t* record = font.bytes + start;

  int count = 0;
  int leftmost = 64;
  for (int s = 0; s < kStrokesPerGlyph; ++s) {
    const uint8_t* b = record + s * kStrokeBytes;
    Stroke stroke{b[0], b[1], b[2], b[3], b[4]};
    if (stroke.type < 1 || stroke.type > 3) continue;
    int xa = stroke.p1;
    int xb = stroke.type == 3 ? stroke.p4 : stroke.p3;
    if (xa < leftmost) leftmost = xa;
    if (xb < leftmost) leftmost = xb;
    strokes[count++] = stroke;
  }

  // The glyph starts 8 units from the left of the scratch; y coordinates stay.
  int shift = leftmost - 8;
  for (int s = 0; s < count; ++s) {
    Stroke& stroke = strokes[s];
    stroke.p1 -= shift;
    if (stroke.type == 3)
      stroke.p4 -= shift;
    else
      stroke.p3 -= shift;
  }
  return count;
}

void arc_points(const Stroke& stroke, int (&xs)[181], int (&ys)[181]) {
  if (stroke.type == 2) {
    // Arching vertically: ends at (p1, p2) and (p3, p2), extreme y = p4 midway.
    int mid = (stroke.p1 + stroke.p3) / 2;
    for (int i = 0; i <= 180; ++i) {
      double t = i * 0.017453292522222223;
      xs[i] = mid + static_cast<int>(det_cos(t) * (mid - stroke.p1));
      ys[i] = stroke.p2 + static_cast<int>(det_sin(t) * (stroke.p4 - stroke.p2));
    }
    return;
  }
  // Arching horizontally: ends at (p1, p2) and (p1, p3), extreme x = p4 midway.
  int mid = (stroke.p2 + stroke.p3) / 2;
  for (int i = 0; i <= 180; ++i) {
    float t = static_cast<float>(i) * 0.017453292f;
    xs[i] = stroke.p1 + static_cast<int>(det_sin(t) * (stroke.p4 - stroke.p1));
    ys[i] = mid + static_cast<int>(det_cos(t) * (mid - stroke.p2));
  }
}
