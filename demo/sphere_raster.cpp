// Triangle and span filling for the sphere: each pixel is a texel whitened through the luma map.
// Off-screen rows and pixels are skipped by multiplying the truncated step: the scan's exact sums.
#include "demo/sphere_raster.h"

#include <utility>

#include "demo/sphere_divide.h"
#include "demo/sphere_raster_sse2.h"
#include "demo/sphere_raster_shared.h"
#include "demo/sphere_truncate.h"

// The plain scan adds a truncated 26.6 step per row or pixel; n steps at once give the same
// value, so clipping before interpolation changes nothing on screen. Triangles whose values all
// lie within +-2^20 take the SSE2 scan; the rest (corners behind the camera, in practice) run here
// on 64-bit integers.
namespace {

using sphere_raster::kFixedShift;

// The five values an edge carries, in whole units or 26.6.
struct Values {
  int64_t x, u, v, ex, ey;
};

Values widen(const RasterCorner& c) {
  return {c.x * 64, c.u * 64, c.v * 64, c.ex * 64, c.ey * 64};
}

// ((end - start) << 6) / rows for each value; an edge without rows has no step.
Values edge_steps(const Values& from, const Values& to, int64_t rows) {
  if (rows <= 0) return {0, 0, 0, 0, 0};
  return {divide_truncating(to.x - from.x, rows), divide_truncating(to.u - from.u, rows),
          divide_truncating(to.v - from.v, rows), divide_truncating(to.ex - from.ex, rows),
          divide_truncating(to.ey - from.ey, rows)};
}

// An edge walked from its top row: 26.6 values at the current row and the per-row steps.
struct Edge {
  Values at;
  Values step;
  int64_t top;

  Edge(const Values& from, const Values& to, int64_t fromY, int64_t toY)
      : at(from), step(edge_steps(from, to, toY - fromY)), top(fromY) {}

  // Jumps to row y >= top: n steps at once equal n single steps; |n * step| <= |end - start|.
  void seek(int64_t y) {
    const int64_t n = y - top;
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
  uint32_t at(int64_t k, int64_t wholeStep) const {
    return value + (static_cast<uint32_t>(k * wholeStep) << 18);
  }
};

// One attribute of a span whose ends are the 26.6 edge values left and right: the span works
// on their whole parts (>> of a negative value is arithmetic on every supported compiler), and
// steps by ((right - left) << 6) / width.
struct SpanAttribute {
  SpanValue start;
  int64_t step;
  SpanAttribute(int64_t left, int64_t right, int64_t width) {
    left >>= kFixedShift;
    right >>= kFixedShift;
    step = divide_truncating((right - left) * 64, width);
    start = {static_cast<uint32_t>(left * 64) << 18, static_cast<uint32_t>(step) << 18};
  }
};

// One row between two edge positions (26.6), ends swapped when reversed, clipped to the frame.
void span(const RasterTarget& target, int64_t y, const Values& a, const Values& b) {
  // Which end is left flips from row to row near a shared corner.
  const bool reversed = (a.x >> kFixedShift) > (b.x >> kFixedShift);
  const Values* l = reversed ? &b : &a;
  const Values* r = reversed ? &a : &b;
  const int64_t xl = l->x >> kFixedShift;
  const int64_t xr = r->x >> kFixedShift;
  const int64_t first = xl < 0 ? 0 : xl;
  const int64_t last = xr > kSphereFrameWidth - 1 ? kSphereFrameWidth - 1 : xr;
  if (first > last) return;
  const int64_t width = xr - xl;  // 0 gives steps of 0
  const SpanAttribute u(l->u, r->u, width), v(l->v, r->v, width), ex(l->ex, r->ex, width),
      ey(l->ey, r->ey, width);

  uint8_t* out = target.work + static_cast<int>(y) * kSphereFrameWidth;
  const uint8_t* texture = target.texture;
  const uint8_t* luma = target.luma;
  const uint8_t* shade = target.lightShade;
  auto fill = [&](int32_t from, int32_t to) {
    const int64_t k = from - xl;
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
void fill_part(const RasterTarget& target, Edge first, Edge second, int64_t top, int64_t bottom) {
  if (top < 0) top = 0;
  if (bottom > kSphereFrameHeight - 1) bottom = kSphereFrameHeight - 1;
  if (top > bottom) return;
  first.seek(top);
  second.seek(top);
  for (int64_t y = top; y <= bottom; ++y) {
    span(target, y, first.at, second.at);
    first.advance();
    second.advance();
  }
}

// Corners sorted by y; the top-bottom edge carries on from the upper part into the lower one.
void triangle(const RasterTarget& target, const RasterCorner& top, const RasterCorner& middle,
              const RasterCorner& bottom) {
  const Values t = widen(top), m = widen(middle), b = widen(bottom);
  const int64_t y0 = top.y, y1 = middle.y, y2 = bottom.y;
  const Edge topBottom(t, b, y0, y2);
  if (y0 < y1) fill_part(target, Edge(t, m, y0, y1), topBottom, y0, y1 - 1);
  if (y2 != y1) fill_part(target, Edge(m, b, y1, y2), topBottom, y1, y2);
}

bool corner_within_sse2_limit(const RasterCorner& c) {
  using sphere_raster::within_sse2_limit;
  return within_sse2_limit(c.x) && within_sse2_limit(c.y) && within_sse2_limit(c.u) && within_sse2_limit(c.v) &&
         within_sse2_limit(c.ex) && within_sse2_limit(c.ey);
}

int64_t saturate(int64_t value, int64_t limit) { return value > limit ? limit : value < -limit ? -limit : value; }

RasterCorner saturate(const RasterCorner& c) {
  constexpr int64_t limit = kSphereScreenLimit;
  return {saturate(c.x, limit), saturate(c.y, limit),  saturate(c.u, limit),
          saturate(c.v, limit), saturate(c.ex, limit), saturate(c.ey, limit)};
}

}  // namespace

void raster_span(const RasterTarget& target, int64_t y, const RasterCorner& left, const RasterCorner& right) {
  if (y < 0 || y >= kSphereFrameHeight) return;
  span(target, y, widen(saturate(left)), widen(saturate(right)));
}

void raster_triangle(const RasterTarget& target, const RasterCorner& c0, const RasterCorner& c1,
                     const RasterCorner& c2) {
  const RasterCorner* top = &c0;
  const RasterCorner* middle = &c1;
  const RasterCorner* bottom = &c2;
  sphere_raster::sort_by_row(top, middle, bottom);
  // 2^20 x 64 leaves every sum and product of the scan inside 32 bits; 2^40 x 64 inside 64.
  if (corner_within_sse2_limit(*top) && corner_within_sse2_limit(*middle) && corner_within_sse2_limit(*bottom)) {
    raster_triangle_sse2(target, corner32(*top), corner32(*middle), corner32(*bottom));
  } else {
    triangle(target, saturate(*top), saturate(*middle), saturate(*bottom));
  }
}
