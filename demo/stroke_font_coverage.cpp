// Building a glyph's coverage table: stamps become 128-bit row masks, the masks a summed-area table.
// Subtle: only the filter window matters, so each stamp is clipped to rows and columns 0..127
// (the scratch's own 256 x 256 bound lies outside it); a brush with a negative half-size is empty.
#include "demo/stroke_font_coverage.h"

#include <cstdlib>
#include <cstring>

#include "shell/shell.h"

namespace {
// kPrefix[b][i]: set bits among bits 0..i of the byte b.
struct PrefixCounts {
  uint8_t counts[256][8];
  constexpr PrefixCounts() : counts{} {
    for (int b = 0; b < 256; ++b) {
      int running = 0;
      for (int i = 0; i < 8; ++i) {
        running += (b >> i) & 1;
        counts[b][i] = static_cast<uint8_t>(running);
      }
    }
  }
};
constexpr PrefixCounts kPrefix;

// Bits a..b (0 <= a <= b <= 63) of a word.
inline uint64_t bit_range(int a, int b) { return (~0ull >> (63 - b)) & (~0ull << a); }

struct RowMasks {
  uint64_t bits[kFilterWindow][2];

  void stamp(int cx, int cy, int bw, int bh) {
    int64_t left = static_cast<int64_t>(cx) - bw, right = static_cast<int64_t>(cx) + bw;
    int64_t top = static_cast<int64_t>(cy) - bh, bottom = static_cast<int64_t>(cy) + bh;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > kFilterWindow - 1) right = kFilterWindow - 1;
    if (bottom > kFilterWindow - 1) bottom = kFilterWindow - 1;
    if (left > right || top > bottom) return;
    int lo = static_cast<int>(left), hi = static_cast<int>(right);
    uint64_t low = lo <= 63 ? bit_range(lo, hi < 63 ? hi : 63) : 0;
    uint64_t high = hi >= 64 ? bit_range(lo > 64 ? lo - 64 : 0, hi - 64) : 0;
    for (int64_t y = top; y <= bottom; ++y) {
      bits[y][0] |= low;
      bits[y][1] |= high;
    }
  }
};
}  // namespace

void build_glyph_coverage(const StrokeFont& font, int glyph, int bw, int bh, GlyphCoverage& coverage) {
  RowMasks masks;
  std::memset(&masks, 0, sizeof masks);
  Stroke strokes[kStrokesPerGlyph];
  int count = glyph_strokes(font, glyph, strokes);
  for (int s = 0; s < count; ++s) walk_stroke(strokes[s], [&](int cx, int cy) { masks.stamp(cx, cy, bw, bh); });

  // Row y + 1 of the table = row y + the running count along row y, eight columns at a time.
  std::memset(coverage.sums, 0, sizeof(uint16_t) * kCoverageStride);
  for (int y = 0; y < kFilterWindow; ++y) {
    const uint16_t* above = coverage.sums + y * kCoverageStride + 1;
    uint16_t* row = coverage.sums + (y + 1) * kCoverageStride;
    row[0] = 0;
    ++row;
    uint16_t running = 0;
    for (int q = 0; q < kFilterWindow / 8; ++q) {
      const uint8_t* prefix = kPrefix.counts[(masks.bits[y][q >> 3] >> ((q & 7) * 8)) & 0xFF];
      for (int i = 0; i < 8; ++i) row[q * 8 + i] = static_cast<uint16_t>(above[q * 8 + i] + running + prefix[i]);
      running = static_cast<uint16_t>(running + prefix[7]);
    }
  }
  coverage.stamped = coverage.sums[kCoverageStride * kCoverageStride - 1];
}

GlyphCache::~GlyphCache() {
  for (int i = 0; i < used_; ++i) std::free(slots_[i].coverage);
}

const GlyphCoverage* GlyphCache::find(int glyph, int bw, int bh) {
  if (glyph < 0 || glyph >= kGlyphCount) return nullptr;
  for (int i = 0; i < used_; ++i) {
    const Slot& slot = slots_[i];
    if (slot.glyph == glyph && slot.bw == bw && slot.bh == bh) return slot.coverage->stamped ? slot.coverage : nullptr;
  }
  Slot* slot;
  if (used_ < kSlots) {
    slot = &slots_[used_++];
    slot->coverage = static_cast<GlyphCoverage*>(std::malloc(sizeof(GlyphCoverage)));
    if (!slot->coverage) {
      --used_;
      fatal_error("Out of memory rendering text.\n");
    }
  } else {
    slot = &slots_[nextEvicted_];
    nextEvicted_ = (nextEvicted_ + 1) % kSlots;
  }
  slot->glyph = glyph;
  slot->bw = bw;
  slot->bh = bh;
  build_glyph_coverage(font_, glyph, bw, bh, *slot->coverage);
  return slot->coverage->stamped ? slot->coverage : nullptr;
}
