// The rasteriser's scan of triangles whose values all lie within +-2^20, in SSE2 registers: an
// edge's u, v, ex, ey in 32-bit lanes, a pixel's in 16-bit. It writes the same pixels as the plain
// scan in sphere_raster.cpp.
// Subtle: a pixel reads only bits 6..13 of each 26.6 value, so it keeps them mod 2^14, shifted by 2.
#include "demo/sphere_raster_sse2.h"

#include <emmintrin.h>

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "demo/sphere_divide.h"
#include "demo/sphere_raster_shared.h"

#define SPHERE_INLINE inline __attribute__((always_inline))

namespace {

// Span masks of the one-window rows: bit k set for k >= i (kFrom) or k <= i (kUpTo).
constexpr std::array<uint64_t, 64> make_masks(bool from) {
  std::array<uint64_t, 64> masks{};
  for (int i = 0; i < 64; ++i) masks[static_cast<std::size_t>(i)] = from ? ~uint64_t{0} << i : ~uint64_t{0} >> (63 - i);
  return masks;
}
constexpr std::array<uint64_t, 64> kFrom = make_masks(true);
constexpr std::array<uint64_t, 64> kUpTo = make_masks(false);

using sphere_raster::kFixedShift;

// n / d toward zero in each lane, for |n| < 2^31 and d >= 0 (0 for d = 0): a rounded-up
// reciprocal (sphere_divide.h) or, for large d, the double quotient (exact for |n| < 2^53).
SPHERE_INLINE __m128i divide_lanes(__m128i n, int32_t d) {
  const __m128d low = _mm_cvtepi32_pd(n);
  const __m128d high = _mm_cvtepi32_pd(_mm_shuffle_epi32(n, 0xEE));
  if (d < kReciprocalCount) {
    const __m128d r = _mm_set1_pd(kReciprocals[static_cast<std::size_t>(d)]);
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_mul_pd(low, r)), _mm_cvttpd_epi32(_mm_mul_pd(high, r)));
  }
  const __m128d divisor = _mm_set1_pd(static_cast<double>(d));
  return _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_div_pd(low, divisor)), _mm_cvttpd_epi32(_mm_div_pd(high, divisor)));
}

// The same for |n| < 2^21 through a float reciprocal, four lanes at once.
SPHERE_INLINE __m128i divide_lanes_small(__m128i n, int32_t d) {
  if (d < kReciprocalCount) {
    const __m128 r = _mm_set1_ps(kReciprocalsFloat[static_cast<std::size_t>(d)]);
    return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(n), r));
  }
  return divide_lanes(n, d);
}

// The low 32 bits of each lane times k.
__m128i multiply_lanes(__m128i a, int32_t k) {
  const __m128i factor = _mm_set1_epi32(k);
  const __m128i even = _mm_mul_epu32(a, factor);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), factor);
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
}

// An edge walked from its top row: x and the attributes in 26.6, and their steps per row.
struct Edge {
  int32_t x, dx;
  __m128i at, step;
  int32_t top;

  // Small: every difference lies below 2^21 (26.6), so rows below the table's end divide by a float
  // reciprocal, one product for all four attributes.
  template <bool Small = false>
  Edge(int32_t x0, __m128i at0, int32_t x1, __m128i at1, int32_t y0, int32_t y1, std::bool_constant<Small> = {})
      : x(x0), dx(0), at(at0), step(_mm_setzero_si128()), top(y0) {
    const int32_t rows = y1 - y0;
    if (rows <= 0) return;
    if (Small && rows < kReciprocalCount) {
      const float r = kReciprocalsFloat[static_cast<std::size_t>(rows)];
      dx = static_cast<int32_t>(static_cast<float>(x1 - x0) * r);
      step = _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(at1, at0)), _mm_set1_ps(r)));
    } else {
      dx = divide_truncating(x1 - x0, rows);
      step = divide_lanes(_mm_sub_epi32(at1, at0), rows);
    }
  }
  // Jumps to row y >= top: n steps at once equal n single steps; |n * step| <= |end - start|.
  void seek(int32_t y) {
    const int32_t n = y - top;
    if (n == 0) return;
    x += n * dx;
    at = _mm_add_epi32(at, multiply_lanes(step, n));
  }
  SPHERE_INLINE void advance() {
    x += dx;
    at = _mm_add_epi32(at, step);
  }
};

struct Frame {
  uint8_t* work;
  const uint8_t* texture;
  const uint8_t* luma;
  const uint8_t* shade;
  RasterCoverage* coverage;
  int32_t firstRow, lastRow;  // rows that may still show something (within 0..199)
};

// ((right - left) << 6) / width per attribute on the 26.6 ends' whole parts: the numerators, and,
// from the quotients, the span's 16-bit lanes: (whole << 8) and (step << 2), each modulo 2^16,
// start values low, steps high. A run starting k pixels right of the left end starts at
// start + k * step (modulo 2^16).
struct SpanLanes {
  __m128i leftWhole, numerator;
  SPHERE_INLINE SpanLanes(__m128i left, __m128i right)
      : leftWhole(_mm_srai_epi32(left, kFixedShift)),
        numerator(_mm_slli_epi32(_mm_sub_epi32(_mm_srai_epi32(right, kFixedShift), leftWhole), 6)) {}
  SPHERE_INLINE __m128i packed(__m128i steps) const {
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(leftWhole, 24), 16),
                           _mm_srai_epi32(_mm_slli_epi32(steps, 18), 16));
  }
};

// count >= 1 pixels from out on, counting up to zero for the loop's one test. value holds the
// attributes of the first pixel in its low four 16-bit lanes (8.6 fixed point shifted left by 2:
// the whole texel in the high byte), step their step.
SPHERE_INLINE void fill_pixels(const uint8_t* texture, const uint8_t* luma, const uint8_t* shade, uint8_t* out,
                               int32_t count, __m128i value, __m128i step) {
  uint8_t* const end = out + count;
  intptr_t k = -static_cast<intptr_t>(count);
  do {
    const __m128i whole = _mm_packus_epi16(_mm_srli_epi16(value, 8), value);
    const uint32_t indices = static_cast<uint32_t>(_mm_cvtsi128_si32(whole));
    const uint32_t texel = texture[indices & 0xFFFFu];
    const uint32_t env = luma[indices >> 16];
    end[k] = shade[texel * 16u + env / 16u];
    value = _mm_add_epi16(value, step);
  } while (++k != 0);
}

// Pixels from..to of a row (none when from > to).
SPHERE_INLINE void fill_run(const Frame& f, uint8_t* row, int32_t from, int32_t to, __m128i value, __m128i step) {
  if (from <= to) fill_pixels(f.texture, f.luma, f.shade, row + from, to - from + 1, value, step);
}

// One row between the edges a and b (a is the left end unless its x lies right of b's, or, with
// tie 1, unless it lies right of or on b's). Small: every attribute of the triangle spans less than
// 2^13 texels, so the steps fit a float reciprocal. Covered: only pixels clear in the coverage map
// are drawn. ClipX: the triangle reaches past the left or right side of the frame.
template <bool Small, bool Covered, bool ClipX>
SPHERE_INLINE void span(const Frame& f, int32_t y, const Edge& a, const Edge& b, int32_t tie) {
  const int32_t xa = a.x >> kFixedShift;
  const int32_t xb = b.x >> kFixedShift;
  int32_t xl = xa, xr = xb;
  __m128i left = a.at, right = b.at;
  if (__builtin_expect(xa + tie > xb, 0)) {
    xl = xb;
    xr = xa;
    left = b.at;
    right = a.at;
  }
  int32_t first = xl, last = xr;
  if (ClipX) {
    first = xl < 0 ? 0 : xl;
    last = xr > kSphereFrameWidth - 1 ? kSphereFrameWidth - 1 : xr;
    if (first > last) return;
  }
  bool oneRun = true;
  if (Covered) {
    if (__builtin_expect(last - first < sphere_raster::kWindowPixels, 1)) {
      // One window of coverage bits, and nearly always one clear run in it.
      uint8_t* p = sphere_raster::coverage_byte(*f.coverage, y, first);
      const uint64_t window = sphere_raster::load_window(p);
      const uint64_t mask = ~uint64_t{0} >> (63 - (last - first));
      const uint64_t open = mask & ~(window >> (first & 7));
      if (open == 0) return;
      const int32_t low = sphere_raster::lowest_bit(open);
      const uint64_t run = open >> low;
      oneRun = (run & (run + 1)) == 0;
      if (__builtin_expect(oneRun, 1)) {
        sphere_raster::store_window(p, window | mask << (first & 7));
        last = first + sphere_raster::highest_bit(open);
        first += low;
      }
    } else {
      oneRun = false;
    }
  }

  // Width 0 gives steps of 0.
  const SpanLanes lanes(left, right);
  const __m128i packed = lanes.packed(Small ? divide_lanes_small(lanes.numerator, xr - xl)
                                            : divide_lanes(lanes.numerator, xr - xl));
  const __m128i step = _mm_unpackhi_epi64(packed, packed);
  uint8_t* row = f.work + y * kSphereFrameWidth;
  auto fill = [&](int32_t from, int32_t to) {
    const __m128i skip = _mm_mullo_epi16(step, _mm_set1_epi16(static_cast<int16_t>(from - xl)));
    fill_run(f, row, from, to, _mm_add_epi16(packed, skip), step);
  };
  if (Covered && !oneRun) {
    sphere_raster::each_clear_run(*f.coverage, y, first, last, fill);
  } else {
    fill(first, last);
  }
}

// Rows top..bottom between two edges, clipped to the frame before any interpolation. The left
// edge of the first row goes first, so the per-row swap is rare; tie keeps the rule that on equal
// x the edge passed first (from the middle corner) is the left end.
template <bool Small, bool Covered, bool ClipX>
SPHERE_INLINE void fill_part(const Frame& f, Edge first, Edge second, int32_t top, int32_t bottom) {
  if (top < f.firstRow) top = f.firstRow;
  if (bottom > f.lastRow) bottom = f.lastRow;
  if (top > bottom) return;
  first.seek(top);
  second.seek(top);
  int32_t tie = 0;
  const int32_t x1 = first.x >> kFixedShift, x2 = second.x >> kFixedShift;
  if (x1 > x2 || (x1 == x2 && first.dx > second.dx)) {
    std::swap(first, second);
    tie = 1;
  }
  for (int32_t y = top; y <= bottom; ++y) {
    span<Small, Covered, ClipX>(f, y, first, second, tie);
    first.advance();
    second.advance();
  }
}

// Rows top..bottom of a small-attribute triangle that lies on screen within the 63 pixels from
// xbase (a multiple of 8) on: every row's coverage bits are one window at a fixed column, bit k
// being pixel xbase + k (bit 63 unused, so a run always ends inside the word), and every span is
// narrower than 64 pixels, so its divisor has a table entry. A row wholly covered costs a load
// and a test; the others mark their span, then fill its clear runs (nearly always one). Tie: on
// equal x the second edge is the left end (see fill_part).
template <int Tie>
SPHERE_INLINE void window_rows(const Frame& f, int32_t xbase, Edge first, Edge second, int32_t top, int32_t bottom) {
  // Locals, not f's fields: the byte stores below could alias those, these they cannot.
  const uint8_t* const texture = f.texture;
  const uint8_t* const luma = f.luma;
  const uint8_t* const shade = f.shade;
  uint8_t* coverage = sphere_raster::coverage_byte(*f.coverage, top, xbase);
  uint8_t* row = f.work + top * kSphereFrameWidth + xbase;
  first.x -= xbase * 64;
  second.x -= xbase * 64;
  for (int32_t rows = bottom - top; rows >= 0; --rows) {
    int32_t xl = first.x >> kFixedShift, xr = second.x >> kFixedShift;
    __m128i left = first.at, right = second.at;
    if (__builtin_expect(xl + Tie > xr, 0)) {
      std::swap(xl, xr);
      left = second.at;
      right = first.at;
    }
    const uint64_t window = sphere_raster::load_window(coverage);
    const uint64_t span = kFrom[static_cast<std::size_t>(xl)] & kUpTo[static_cast<std::size_t>(xr)];
    uint64_t open = span & ~window;
    if (open != 0) {
      sphere_raster::store_window(coverage, window | span);
      // The quotients as a product by the reciprocal (every width here has one); width 0 gives
      // steps of 0.
      const SpanLanes lanes(left, right);
      const __m128 reciprocal = _mm_set1_ps(kReciprocalsFloat[static_cast<std::size_t>(xr - xl)]);
      const __m128i packed = lanes.packed(_mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(lanes.numerator), reciprocal)));
      const __m128i step = _mm_unpackhi_epi64(packed, packed);
      do {
        // Adding the lowest open bit carries through the lowest run: what is left is the rest,
        // and the carry lands just past the run's end (bit 63 is never open, so it lands).
        const uint64_t next = open + (open & (~open + 1));
        const int32_t start = sphere_raster::lowest_bit(open);
        const int32_t end = sphere_raster::lowest_bit(next);
        const __m128i skip = _mm_mullo_epi16(step, _mm_set1_epi16(static_cast<int16_t>(start - xl)));
        fill_pixels(texture, luma, shade, row + start, end - start, _mm_add_epi16(packed, skip), step);
        open &= next;
      } while (open != 0);
    }
    coverage += kCoverageRowBytes;
    row += kSphereFrameWidth;
    first.advance();
    second.advance();
  }
}

SPHERE_INLINE void window_part(const Frame& f, int32_t xbase, Edge first, Edge second, int32_t top, int32_t bottom) {
  if (top < f.firstRow) top = f.firstRow;
  if (bottom > f.lastRow) bottom = f.lastRow;
  if (top > bottom) return;
  first.seek(top);
  second.seek(top);
  const int32_t x1 = first.x >> kFixedShift, x2 = second.x >> kFixedShift;
  if (x1 > x2 || (x1 == x2 && first.dx > second.dx)) {
    window_rows<1>(f, xbase, second, first, top, bottom);
  } else {
    window_rows<0>(f, xbase, first, second, top, bottom);
  }
}

// u, v, ex and ey in 26.6, read as one row of four lanes.
static_assert(offsetof(Corner32, ey) == offsetof(Corner32, u) + 3 * sizeof(int32_t), "u, v, ex, ey in a row");
SPHERE_INLINE __m128i attributes(const Corner32& c) {
  return _mm_slli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&c.u)), kFixedShift);
}

// The three edges of a triangle and its two parts; Part walks the rows of one part. Small: the
// edges' differences allow float reciprocals (see Edge).
template <bool Small = false, typename Part>
SPHERE_INLINE void edges(const Corner32& top, const Corner32& middle, const Corner32& bottom, Part part) {
  const int32_t y0 = top.y, y1 = middle.y, y2 = bottom.y;
  const int32_t x0 = top.x * 64, x1 = middle.x * 64, x2 = bottom.x * 64;
  const __m128i a0 = attributes(top), a1 = attributes(middle), a2 = attributes(bottom);
  const std::bool_constant<Small> small;
  const Edge topBottom(x0, a0, x2, a2, y0, y2, small);
  if (y0 < y1) part(Edge(x0, a0, x1, a1, y0, y1, small), topBottom, y0, y1 - 1);
  if (y2 != y1) part(Edge(x1, a1, x2, a2, y1, y2, small), topBottom, y1, y2);
}

template <bool Small, bool Covered, bool ClipX>
void triangle(const Frame& f, const Corner32& top, const Corner32& middle, const Corner32& bottom) {
  edges(top, middle, bottom, [&f](const Edge& a, const Edge& b, int32_t from, int32_t to) {
    fill_part<Small, Covered, ClipX>(f, a, b, from, to);
  });
}

// The x differences stay below 64 pixels and the attributes' below 2^13 texels: small edges.
void window_triangle(const Frame& f, int32_t xbase, const Corner32& top, const Corner32& middle,
                     const Corner32& bottom) {
  edges<true>(top, middle, bottom, [&f, xbase](const Edge& a, const Edge& b, int32_t from, int32_t to) {
    window_part(f, xbase, a, b, from, to);
  });
}

// Narrows rows y0..y1 to those from the first to the last that covered(y) says still have a clear
// pixel of the face's box; false when none has.
template <typename Covered>
SPHERE_INLINE bool trim_covered_rows(int32_t& y0, int32_t& y1, Covered covered) {
  while (y0 <= y1 && covered(y0)) ++y0;
  while (y1 > y0 && covered(y1)) --y1;
  return y0 <= y1;
}

int32_t min3(int32_t a, int32_t b, int32_t c) {
  const int32_t ab = a < b ? a : b;
  return ab < c ? ab : c;
}
int32_t max3(int32_t a, int32_t b, int32_t c) {
  const int32_t ab = a > b ? a : b;
  return ab > c ? ab : c;
}
// Per 32-bit lane, the larger or the smaller of a and b (SSE2 has no pmaxsd or pminsd).
SPHERE_INLINE __m128i max_lanes(__m128i a, __m128i b) {
  const __m128i greater = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(greater, a), _mm_andnot_si128(greater, b));
}
SPHERE_INLINE __m128i min_lanes(__m128i a, __m128i b) {
  const __m128i greater = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(greater, b), _mm_andnot_si128(greater, a));
}

// True when each of u, v, ex and ey spans less than kSmallAttributeRange over the three corners
// (all within +-2^20, so the differences fit 32 bits).
SPHERE_INLINE bool small_ranges(const Corner32& a, const Corner32& b, const Corner32& c) {
  const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&a.u));
  const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&b.u));
  const __m128i pc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&c.u));
  const __m128i range = _mm_sub_epi32(max_lanes(max_lanes(pa, pb), pc), min_lanes(min_lanes(pa, pb), pc));
  const __m128i small = _mm_cmplt_epi32(range, _mm_set1_epi32(static_cast<int32_t>(sphere_raster::kSmallAttributeRange)));
  return _mm_movemask_epi8(small) == 0xFFFF;
}

}  // namespace

void raster_triangle_sse2(const RasterTarget& target, const Corner32& c0, const Corner32& c1, const Corner32& c2) {
  const Corner32* t = &c0;
  const Corner32* m = &c1;
  const Corner32* b = &c2;
  sphere_raster::sort_by_row(t, m, b);
  const Corner32& top = *t;
  const Corner32& middle = *m;
  const Corner32& bottom = *b;
  Frame f{target.work, target.texture, target.luma, target.lightShade, target.coverage, 0, kSphereFrameHeight - 1};
  const int32_t left = min3(top.x, middle.x, bottom.x), right = max3(top.x, middle.x, bottom.x);
  const bool small = small_ranges(top, middle, bottom);
  const bool clipX = left < 0 || right > kSphereFrameWidth - 1;
  if (f.coverage && small && !clipX && right - (left & ~7) < 63) {
    // Rows of the face's box that nearer faces already cover wholly show nothing of it: scan only
    // the rows between the first and the last one that still has a clear pixel. The box's bits
    // are one window at a fixed column, as in window_rows.
    const int32_t xbase = left & ~7;
    const uint8_t* column = f.coverage->bits + (xbase >> 3);
    const uint64_t box = kFrom[static_cast<std::size_t>(left - xbase)] & kUpTo[static_cast<std::size_t>(right - xbase)];
    auto covered = [&](int32_t y) { return (box & ~sphere_raster::load_window(column + y * kCoverageRowBytes)) == 0; };
    int32_t y0 = top.y < 0 ? 0 : top.y;
    int32_t y1 = bottom.y > kSphereFrameHeight - 1 ? kSphereFrameHeight - 1 : bottom.y;
    if (!trim_covered_rows(y0, y1, covered)) return;
    f.firstRow = y0;
    f.lastRow = y1;
    window_triangle(f, xbase, top, middle, bottom);
    return;
  }
  if (f.coverage) {
    const int32_t x0 = left < 0 ? 0 : left;
    const int32_t x1 = right > kSphereFrameWidth - 1 ? kSphereFrameWidth - 1 : right;
    int32_t y0 = top.y < 0 ? 0 : top.y;
    int32_t y1 = bottom.y > kSphereFrameHeight - 1 ? kSphereFrameHeight - 1 : bottom.y;
    if (x0 > x1) return;
    if (x1 - x0 < sphere_raster::kWindowPixels) {
      // One window a row, at the same place in every row.
      const uint8_t* column = f.coverage->bits + (x0 >> 3);
      const int shift = x0 & 7;
      const uint64_t mask = ~uint64_t{0} >> (63 - (x1 - x0));
      auto covered = [&](int32_t y) {
        return (mask & ~(sphere_raster::load_window(column + y * kCoverageRowBytes) >> shift)) == 0;
      };
      if (!trim_covered_rows(y0, y1, covered)) return;
    } else {
      auto covered = [&](int32_t y) { return !sphere_raster::any_clear(*f.coverage, y, x0, x1); };
      if (!trim_covered_rows(y0, y1, covered)) return;
    }
    f.firstRow = y0;
    f.lastRow = y1;
  }
  if (small && f.coverage) {
    if (clipX) {
      triangle<true, true, true>(f, top, middle, bottom);
    } else {
      triangle<true, true, false>(f, top, middle, bottom);
    }
  } else if (f.coverage) {
    triangle<false, true, true>(f, top, middle, bottom);
  } else {
    triangle<false, false, true>(f, top, middle, bottom);
  }
}
