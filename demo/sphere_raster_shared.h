// What the rasteriser's two scans share: the 26.6 format, the range limits, coverage-map runs.
// Subtle: coverage bits are read 64 at a time from any pixel's byte on (little-endian words).
#pragma once
#include <cstdint>
#include <cstring>

#include "demo/sphere_raster.h"

namespace sphere_raster {

constexpr int kFixedShift = 6;  // 26.6: six fractional bits
// Triangles whose values all lie within +-2^20 run on 32-bit integers: 2^20 x 64 leaves every
// sum and product of the scan inside 32 bits. Attribute spans below 2^13 texels keep every span's
// numerator below 2^19, within reach of a float reciprocal.
constexpr int64_t kSse2Limit = int64_t{1} << 20;
constexpr int64_t kSmallAttributeRange = int64_t{1} << 13;
// True when a value lies strictly within +-kSse2Limit, as every value of the SSE2 scan must.
inline bool within_sse2_limit(int64_t value) { return value > -kSse2Limit && value < kSse2Limit; }

// A window of coverage bits starts at a byte, so it holds at least 57 pixels from its first one.
constexpr int32_t kWindowPixels = 57;

// The corners ordered top to bottom by three compare-and-swaps: corners with equal y keep their
// order, which decides the edge the scan takes on a flat top or bottom (both scans must agree).
// Swapped through masks, not branches: the corners come in no particular order, and a branch
// here would often go the wrong way.
template <typename Corner>
inline void sort_by_row(const Corner*& top, const Corner*& middle, const Corner*& bottom) {
  auto compare_swap = [](const Corner*& a, const Corner*& b) {
    const uintptr_t pa = reinterpret_cast<uintptr_t>(a), pb = reinterpret_cast<uintptr_t>(b);
    const uintptr_t flip = (pa ^ pb) & (uintptr_t{0} - static_cast<uintptr_t>(a->y > b->y));
    a = reinterpret_cast<const Corner*>(pa ^ flip);
    b = reinterpret_cast<const Corner*>(pb ^ flip);
  };
  compare_swap(top, middle);
  compare_swap(middle, bottom);
  compare_swap(top, middle);
}

inline int lowest_bit(uint64_t bits) { return __builtin_ctzll(bits); }  // bits != 0
inline int highest_bit(uint64_t bits) { return 63 - __builtin_clzll(bits); }  // bits != 0

// The coverage byte that holds pixel x of row y; a window is the 64-bit word read from there.
inline uint8_t* coverage_byte(RasterCoverage& coverage, int32_t y, int32_t x) {
  return coverage.bits + y * kCoverageRowBytes + (x >> 3);
}
inline uint64_t load_window(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}
inline void store_window(uint8_t* p, uint64_t word) { std::memcpy(p, &word, sizeof word); }

// True when some pixel of first..last (0 <= first <= last < 320) of row y is still clear.
inline bool any_clear(const RasterCoverage& coverage, int32_t y, int32_t first, int32_t last) {
  for (int32_t x = first; x <= last; x += kWindowPixels) {
    const int32_t end = last - x < kWindowPixels ? last : x + kWindowPixels - 1;
    const uint64_t mask = ~uint64_t{0} >> (63 - (end - x));
    if ((mask & ~(load_window(coverage.bits + y * kCoverageRowBytes + (x >> 3)) >> (x & 7))) != 0) return true;
  }
  return false;
}

// Calls fill(a, b) for each run a..b of pixels in first..last (0 <= first <= last < 320) of row y
// that the coverage map leaves clear, and marks the whole of first..last covered.
template <typename Fill>
inline __attribute__((always_inline)) void each_clear_run(RasterCoverage& coverage, int32_t y, int32_t first,
                                                          int32_t last, Fill fill) {
  for (int32_t x = first; x <= last; x += kWindowPixels) {
    const int32_t end = last - x < kWindowPixels ? last : x + kWindowPixels - 1;
    uint8_t* p = coverage_byte(coverage, y, x);
    const uint64_t window = load_window(p);
    const uint64_t mask = ~uint64_t{0} >> (63 - (end - x));  // bits 0 .. end - x
    uint64_t open = mask & ~(window >> (x & 7));
    store_window(p, window | mask << (x & 7));
    while (open != 0) {
      const int32_t start = lowest_bit(open);
      const uint64_t run = open >> start;
      const int32_t length = lowest_bit(~run);  // run has at most 57 bits: ~run is not 0
      fill(x + start, x + start + length - 1);
      open &= ~(((uint64_t{1} << length) - 1) << start);
    }
  }
}

}  // namespace sphere_raster
