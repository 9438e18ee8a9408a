// The box filter and merge of glyphs into text layers, and the pen's advances.
// Subtle: every filter term (s - 128) x 255 / 256 truncates toward zero on its own, so a box with
// n stamped pixels out of count sums to n x T exactly, T being the one term of the ink; boxes that
// fall wholly between source rows or columns (W or H above 128) are empty and merge nothing.
#include "demo/text_draw.h"

#include <climits>

namespace {
constexpr int kColumnChunk = 256;

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// trunc(stamped x term / samples) for 0 < stamped <= samples <= 16,384 and |term| <= 127. The
// quotient's magnitude is at most 127, so single precision lands within 127 x 2^-24 of it, closer
// than 1 / samples, the least distance from a non-integer quotient to an integer: truncating the
// float gives the integer quotient exactly, without an integer division per pixel.
inline int filtered(int stamped, int samples, int term) {
  if (stamped == samples) return term;
  return static_cast<int>(static_cast<float>(stamped * term) / static_cast<float>(samples));
}
}  // namespace

void merge_glyph(const GlyphCoverage& coverage, int x, int y, uint8_t ink, int W, int H, TextImage& image) {
  if (W <= 0 || H <= 0 || !image.pixels) return;
  const int term = (static_cast<int>(ink) - 128) * kTextStrength / 256;
  if (term == 0) return;

  // Only the rows and columns that land on the image; the others would be skipped anyway.
  int64_t jBegin = clamp64(-static_cast<int64_t>(y), 0, H), jEnd = clamp64(static_cast<int64_t>(image.height) - y, 0, H);
  int64_t kBegin = clamp64(-static_cast<int64_t>(x), 0, W), kEnd = clamp64(static_cast<int64_t>(image.width) - x, 0, W);

  int columnStart[kColumnChunk + 1];
  int stampedLeft[kColumnChunk + 1];
  for (int64_t kChunk = kBegin; kChunk < kEnd; kChunk += kColumnChunk) {
    int columns = static_cast<int>(kEnd - kChunk < kColumnChunk ? kEnd - kChunk : kColumnChunk);
    for (int c = 0; c <= columns; ++c) columnStart[c] = static_cast<int>((kChunk + c) * kFilterWindow / W);

    for (int64_t j = jBegin; j < jEnd; ++j) {
      int r0 = static_cast<int>(j * kFilterWindow / H);
      int r1 = static_cast<int>((j + 1) * kFilterWindow / H);
      if (r0 == r1) continue;
      // Stamped pixels of the band r0..r1-1 left of each column boundary; a box is a difference.
      const uint16_t* top = coverage.sums + r0 * kCoverageStride;
      const uint16_t* bottom = coverage.sums + r1 * kCoverageStride;
      for (int c = 0; c <= columns; ++c) stampedLeft[c] = bottom[columnStart[c]] - top[columnStart[c]];
      if (stampedLeft[columns] == stampedLeft[0]) continue;

      uint8_t* row = image.pixels + (y + j) * image.width + (x + kChunk);
      for (int c = 0; c < columns; ++c) {
        int stamped = stampedLeft[c + 1] - stampedLeft[c];
        if (stamped == 0) continue;
        int samples = (r1 - r0) * (columnStart[c + 1] - columnStart[c]);
        row[c] = merge_pixel(row[c], filtered(stamped, samples, term));
      }
    }
  }
}

int glyph_advance(char c, int W) {
  if (c == 'I') return W >> 2;
  if (c == '9') return static_cast<int>(3ll * W / 4);
  return W;
}

int text_width(const char* text, int W) {
  int64_t width = 0;
  for (const char* c = text; *c; ++c) width += glyph_advance(*c, W);
  return static_cast<int>(clamp64(width, INT_MIN, INT_MAX));
}

void draw_text(int x, int y, const char* text, TextImage& image, int W, int H, uint8_t ink, int bw, int bh,
               GlyphCache& cache) {
  int64_t pen = x;
  for (const char* c = text; *c; ++c) {
    const GlyphCoverage* coverage = W > 0 && H > 0 ? cache.find(glyph_index(*c), bw, bh) : nullptr;
    if (coverage && pen >= INT_MIN && pen <= INT_MAX) merge_glyph(*coverage, static_cast<int>(pen), y, ink, W, H, image);
    pen += glyph_advance(*c, W);
  }
}

void draw_text(int x, int y, const char* text, TextImage& image, int W, int H, uint8_t ink, int bw, int bh,
               const StrokeFont& font) {
  GlyphCache cache(font);
  draw_text(x, y, text, image, W, H, ink, bw, bh, cache);
}
