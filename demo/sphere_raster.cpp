// Triangle and span filling for the sphere: each pixel is a texel whitened through the luma map.
// Off-screen rows and pixels are skipped by multiplying the truncated step: the walk's exact sums.
#include "demo/sphere_raster.h"

#include <utility>

#include "demo/sphere_divide.h"
#include "demo/sphere_raster_narrow.h"
#include "demo/sphere_raster_parts.h"

// The plain walk adds a truncated 26.6 step per row or pixel; n steps at once give the same
// value, so clipping before interpolation changes nothing on screen. Narrow triangles (every value
// within +-2^20) take the SSE2 walk where there is one; the rest, and every triangle on other
// processors, run here on 64-bit (or 32-bit) integers: one template for both.
namespace {

using sphere_raster::kFixedShift;
using sphere_raster::kNarrowLimit;
constexpr int64_t kWideLimit = int64_t{1} << 40;

// n / d truncated toward zero, for d >= 0 and |n| < 2^50 (0 for d = 0): a rounded-up reciprocal
// from the table for small d (see sphere_divide.h); else the double quotient, whose rounding
// moves a non-integer n / d by at most |n / d| * 2^-53 < 1/d, never past the next integer.
template <typename Int>
Int divide(Int n, Int d) {
  if (d < kReciprocalCount) {
    return static_cast<Int>(static_cast<double>(n) * kReciprocals[static_cast<std::size_t>(d)]);
  }
  return static_cast<Int>(static_cast<double>(n) / static_cast<double>(d));
}

// The five values an edge carries, in whole units or 26.6.
template <typename Int>
struct Values {
  Int x, u, v, ex, ey;
};

template <typename Int>
Values<Int> widen(const RasterCorner& c) {
  return {static_cast<Int>(c.x * 64), static_cast<Int>(c.u * 64), static_cast<Int>(c.v * 64),
          static_cast<Int>(c.ex * 64), static_cast<Int>(c.ey * 64)};
}

// ((end - start) << 6) / rows for each value; an edge without rows has no step.
template <typename Int>
Values<Int> edge_steps(const Values<Int>& from, const Values<Int>& to, Int rows) {
  if (rows <= 0) return {0, 0, 0, 0, 0};
  return {divide<Int>(to.x - from.x, rows), divide<Int>(to.u - from.u, rows), divide<Int>(to.v - from.v, rows),
          divide<Int>(to.ex - from.ex, rows), divide<Int>(to.ey - from.ey, rows)};
}

// An edge walked from its top row: 26.6 values at the current row and the per-row steps.
template <typename Int>
struct Edge {
  Values<Int> at;
  Values<Int> step;
  Int top;

  Edge(const Values<Int>& from, const Values<Int>& to, Int fromY, Int toY)
      : at(from), step(edge_steps(from, to, static_cast<Int>(toY - fromY))), top(fromY) {}

  // Jumps to row y >= top: n steps at once equal n single steps; |n * step| <= |end - start|.
  void seek(Int y) {
    const Int n = y - top;
    at.x += n * step.x;
    at.u += n * step.u;
    at.v += n * step.v;
    at.ex += n * step.ex;
    at.ey += n * step.ey;
  }
  void advance() {
    at.x += step.x;
    at.u += step.u;
    at.v += step.v;
    at.ex += step.ex;
    at.ey += step.ey;
  }
};

// Per-pixel attribute in 26.6, kept shifted left by 18 bits. Only bits 6..13 are ever read;
// they survive arithmetic modulo 2^32 and, shifted, are the top byte: one shift to extract.
struct SpanValue {
  uint32_t value;  // at the span's left end
  uint32_t step;
  // The value k pixels right of the left end; |k * step| <= |right - left| (k <= width).
  template <typename Int>
  uint32_t at(Int k, Int wholeStep) const {
    return value + (static_cast<uint32_t>(k * wholeStep) << 18);
  }
};

// One attribute of a span whose ends are the 26.6 edge values left and right: the span works
// on their whole parts (>> of a negative value is arithmetic on every supported compiler), and
// steps by ((right - left) << 6) / width.
template <typename Int>
struct SpanAttribute {
  SpanValue start;
  Int step;
  SpanAttribute(Int left, Int right, Int width) {
    left >>= kFixedShift;
    right >>= kFixedShift;
    step = divide<Int>((right - left) * 64, width);
    start = {static_cast<uint32_t>(left * 64) << 18, static_cast<uint32_t>(step) << 18};
  }
};

// One row between two edge positions (26.6), ends swapped when reversed, clipped to the frame.
template <typename Int>
void span(const RasterTarget& target, Int y, const Values<Int>& a, const Values<Int>& b) {
  // Which end is left flips from row to row near a shared corner.
  const bool reversed = (a.x >> kFixedShift) > (b.x >> kFixedShift);
  const Values<Int>* l = reversed ? &b : &a;
  const Values<Int>* r = reversed ? &a : &b;
  const Int xl = l->x >> kFixedShift;
  const Int xr = r->x >> kFixedShift;
  const Int first = xl < 0 ? 0 : xl;
  const Int last = xr > kSphereFrameWidth - 1 ? kSphereFrameWidth - 1 : xr;
  if (first > last) return;
  const Int width = xr - xl;  // 0 gives steps of 0
  const SpanAttribute<Int> u(l->u, r->u, width), v(l->v, r->v, width), ex(l->ex, r->ex, width),
      ey(l->ey, r->ey, width);

  uint8_t* out = target.work + static_cast<int>(y) * kSphereFrameWidth;
  const uint8_t* texture = target.texture;
  const uint8_t* luma = target.luma;
  const uint8_t* shade = target.lightShade;
  auto fill = [&](int32_t from, int32_t to) {
    const Int k = static_cast<Int>(from) - xl;
    uint32_t uu = u.start.at(k, u.step), vv = v.start.at(k, v.step);
    uint32_t exx = ex.start.at(k, ex.step), eyy = ey.start.at(k, ey.step);
    for (int32_t x = from; x <= to; ++x) {
      const uint32_t texel = texture[((vv >> 16) & 0xFF00u) | (uu >> 24)];
      const uint32_t env = luma[((eyy >> 16) & 0xFF00u) | (exx >> 24)];
      out[x] = shade[texel * 16u + env / 16u];
      uu += u.start.step;
      vv += v.start.step;
      exx += ex.start.step;
      eyy += ey.start.step;
    }
  };
  if (target.coverage) {
    sphere_raster::each_clear_run(*target.coverage, static_cast<int32_t>(y), static_cast<int32_t>(first),
                                  static_cast<int32_t>(last), fill);
  } else {
    fill(static_cast<int32_t>(first), static_cast<int32_t>(last));
  }
}

// Rows top..bottom between two edges, clipped to the frame before any interpolation.
template <typename Int>
void fill_part(const RasterTarget& target, Edge<Int> first, Edge<Int> second, Int top, Int bottom) {
  if (top < 0) top = 0;
  if (bottom > kSphereFrameHeight - 1) bottom = kSphereFrameHeight - 1;
  if (top > bottom) return;
  first.seek(top);
  second.seek(top);
  for (Int y = top; y <= bottom; ++y) {
    span<Int>(target, y, first.at, second.at);
    first.advance();
    second.advance();
  }
}

// Corners sorted by y; the top-bottom edge carries on from the upper part into the lower one.
template <typename Int>
void triangle(const RasterTarget& target, const RasterCorner& top, const RasterCorner& middle,
              const RasterCorner& bottom) {
  const Values<Int> t = widen<Int>(top), m = widen<Int>(middle), b = widen<Int>(bottom);
  const Int y0 = static_cast<Int>(top.y), y1 = static_cast<Int>(middle.y), y2 = static_cast<Int>(bottom.y);
  const Edge<Int> topBottom(t, b, y0, y2);
  if (y0 < y1) fill_part<Int>(target, Edge<Int>(t, m, y0, y1), topBottom, y0, y1 - 1);
  if (y2 != y1) fill_part<Int>(target, Edge<Int>(m, b, y1, y2), topBottom, y1, y2);
}

bool narrow_enough(const RasterCorner& c) {
  using sphere_raster::in_narrow_range;
  return in_narrow_range(c.x) && in_narrow_range(c.y) && in_narrow_range(c.u) && in_narrow_range(c.v) &&
         in_narrow_range(c.ex) && in_narrow_range(c.ey);
}

int64_t saturate(int64_t value, int64_t limit) { return value > limit ? limit : value < -limit ? -limit : value; }

RasterCorner saturate(const RasterCorner& c) {
  return {saturate(c.x, kWideLimit), saturate(c.y, kWideLimit), saturate(c.u, kWideLimit),
          saturate(c.v, kWideLimit), saturate(c.ex, kWideLimit), saturate(c.ey, kWideLimit)};
}

}  // namespace

void raster_span(const RasterTarget& target, int64_t y, const RasterCorner& left, const RasterCorner& right) {
  if (y < 0 || y >= kSphereFrameHeight) return;
  span<int64_t>(target, y, widen<int64_t>(saturate(left)), widen<int64_t>(saturate(right)));
}

void raster_triangle(const RasterTarget& target, const RasterCorner& c0, const RasterCorner& c1,
                     const RasterCorner& c2) {
  const RasterCorner* top = &c0;
  const RasterCorner* middle = &c1;
  const RasterCorner* bottom = &c2;
  sphere_raster::sort_by_row(top, middle, bottom);
  // 2^20 x 64 leaves every sum and product of the walk inside 32 bits; 2^40 x 64 inside 64.
  if (narrow_enough(*top) && narrow_enough(*middle) && narrow_enough(*bottom)) {
    if (!raster_triangle_narrow(target, narrow_corner(*top), narrow_corner(*middle), narrow_corner(*bottom))) {
      triangle<int32_t>(target, *top, *middle, *bottom);
    }
  } else {
    triangle<int64_t>(target, saturate(*top), saturate(*middle), saturate(*bottom));
  }
}
