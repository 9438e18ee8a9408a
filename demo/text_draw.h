// Drawing words of the stroke font into grey text layers: the box filter down to the glyph size
// and the merge that lightens (ink above 128) or darkens (ink below 128) what is there.
// Subtle: the advance is W for every character, drawn or not, except 'I' (W >> 2) and '9' (3W / 4).
#pragma once
#include <cstdint>

#include "demo/stroke_font.h"
#include "demo/stroke_font_coverage.h"
#include "image/bitmap.h"

constexpr int kTextStrength = 255;

// The merge of one filtered value w into pixel v: towards 255 by w / 128 when w >= 0, towards 0
// by -w / 128 otherwise (integer division, stored as a byte). w = 0 leaves v.
inline uint8_t merge_pixel(uint8_t v, int w) {
  if (w >= 0) return static_cast<uint8_t>((v * (128 - w) + 255 * w) / 128);
  return static_cast<uint8_t>(v * (w + 128) / 128);
}

// One glyph's coverage filtered to W x H and merged at (x, y); pixels off the image are skipped.
void merge_glyph(const GlyphCoverage& coverage, int x, int y, uint8_t ink, int W, int H, TextImage& image);

// The pen's advance after character c at glyph width W.
int glyph_advance(char c, int W);
// The sum of the advances of text.
int text_width(const char* text, int W);

// Draws text left to right from (x, y) with glyphs W x H, ink, and a brush of half-size bw, bh.
void draw_text(int x, int y, const char* text, TextImage& image, int W, int H, uint8_t ink, int bw, int bh,
               const StrokeFont& font);
// The same, reusing coverage tables across many calls.
void draw_text(int x, int y, const char* text, TextImage& image, int W, int H, uint8_t ink, int bw, int bh,
               GlyphCache& cache);
