// Which pixels of a glyph's 128 x 128 filter window the brush stamps, as a summed-area table,
// and a small cache of them keyed by glyph and brush.
// Subtle: the scratch only ever holds 128 and the ink, so a box's filtered value depends only on
// how many of its pixels were stamped; counting them is exact, and the stamps do not depend on
// the glyph size or the ink, so one table serves every word drawn with the same brush.
#pragma once
#include <cstdint>

#include "demo/stroke_font.h"

constexpr int kFilterWindow = 128;               // the box filter reads the scratch's top-left 128 x 128
constexpr int kCoverageStride = kFilterWindow + 1;

struct GlyphCoverage {
  // sums[y * 129 + x]: stamped pixels among columns 0..x-1 of rows 0..y-1 (at most 16,384).
  uint16_t sums[kCoverageStride * kCoverageStride];
  int stamped;  // total, 0 for an empty glyph

  // Stamped pixels in rows r0..r1-1, columns c0..c1-1.
  int count(int r0, int r1, int c0, int c1) const {
    return sums[r1 * kCoverageStride + c1] - sums[r0 * kCoverageStride + c1] - sums[r1 * kCoverageStride + c0] +
           sums[r0 * kCoverageStride + c0];
  }
};

// Stamps glyph (0..35) with a brush of half-width bw and half-height bh and sums the window.
void build_glyph_coverage(const StrokeFont& font, int glyph, int bw, int bh, GlyphCoverage& coverage);

// Coverage tables built on first use; owned by whoever renders a batch of text.
class GlyphCache {
 public:
  explicit GlyphCache(const StrokeFont& font) : font_(font) {}
  ~GlyphCache();
  GlyphCache(const GlyphCache&) = delete;
  GlyphCache& operator=(const GlyphCache&) = delete;

  // Null for a character without a glyph and for a glyph that stamps nothing in the window.
  const GlyphCoverage* find(int glyph, int bw, int bh);

 private:
  static constexpr int kSlots = 64;
  struct Slot {
    int glyph, bw, bh;
    GlyphCoverage* coverage;
  };
  const StrokeFont& font_;
  Slot slots_[kSlots] = {};
  int used_ = 0;
  int nextEvicted_ = 0;
};
