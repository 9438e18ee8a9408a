// The sphere's rasteriser: row coverage of both parts, clipping at every edge, far-off corners.
// Random triangles are compared byte for byte with the plain row-by-row reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "demo/sphere_divide.h"
#include "demo/sphere_raster.h"
#include "demo/sphere_raster_sse2.h"
#include "sphere_canvas.h"
#include "sphere_reference.h"

namespace {

RasterCorner corner(int64_t x, int64_t y = 0, int64_t u = 0, int64_t v = 0, int64_t ex = 0, int64_t ey = 0) {
  return {x, y, u, v, ex, ey};
}

}  // namespace

TEST(SphereRaster, HorizontalBottomEdgeDrawsNoLowerPartButAFlatTopKeepsItsLastRow) {
  SphereCanvas c;
  raster_triangle(c.target(), corner(30, 20), corner(10, 10), corner(50, 20));
  EXPECT_EQ(c.written_in_row(9), 0);
  for (int y = 10; y < 20; ++y) EXPECT_GT(c.written_in_row(y), 0) << y;
  EXPECT_EQ(c.written_in_row(20), 0) << "the bottom row belongs to the neighbouring face";

  c.clear();
  raster_triangle(c.target(), corner(50, 10), corner(30, 20), corner(10, 10));
  EXPECT_EQ(c.written_in_row(9), 0);
  EXPECT_EQ(c.written_in_row(10), 41);
  for (int y = 11; y <= 20; ++y) EXPECT_GT(c.written_in_row(y), 0) << y;
  EXPECT_EQ(c.written_in_row(21), 0);

  // Two faces sharing a horizontal edge: the upper stops above it, the lower starts on it.
  c.clear();
  raster_triangle(c.target(), corner(100, 50), corner(80, 80), corner(120, 80));
  raster_triangle(c.target(), corner(80, 80), corner(120, 80), corner(100, 110));
  for (int y = 50; y <= 110; ++y) EXPECT_GT(c.written_in_row(y), 0) << y;
  EXPECT_EQ(c.written_in_row(49), 0);
  EXPECT_EQ(c.written_in_row(111), 0);
  EXPECT_TRUE(c.guards_intact());

  // A triangle flat in y draws nothing at all.
  c.clear();
  raster_triangle(c.target(), corner(10, 60), corner(200, 60), corner(100, 60));
  EXPECT_EQ(c.written(), 0);
}

TEST(SphereRaster, SpansAreClippedAtAllFourEdgesWithUnchangedTexturing) {
  SphereCanvas c, r;
  const RasterCorner left = corner(-57, 0, 3, 500, -40, 300);
  const RasterCorner right = corner(411, 0, 700, -9, 260, 17);
  for (int64_t y : {-1, 0, 123, 199, 200}) {
    raster_span(c.target(), y, left, right);
    raster_span(r.target(), y, right, left);  // reversed ends give the same row
  }
  EXPECT_EQ(c.written_in_row(0), 320);
  EXPECT_EQ(c.written_in_row(123), 320);
  EXPECT_EQ(c.written_in_row(199), 320);
  EXPECT_EQ(c.written(), 3 * 320);
  EXPECT_TRUE(c.guards_intact());
  EXPECT_EQ(c.memory, r.memory);

  // The first visible pixel carries the attributes the walk from x = -57 reaches there.
  SphereCanvas plain;
  for (int64_t y : {0, 123, 199}) sphere_reference::span(plain.target(), y, left, right);
  EXPECT_EQ(c.memory, plain.memory);

  // Spans wholly off one side, or single pixels on the last column, row and beyond.
  c.clear();
  raster_span(c.target(), 10, corner(-30), corner(-1));
  raster_span(c.target(), 10, corner(320), corner(900));
  raster_span(c.target(), int64_t{1} << 40, corner(0), corner(319));
  raster_span(c.target(), -(int64_t{1} << 40), corner(0), corner(319));
  EXPECT_EQ(c.written(), 0);
  raster_span(c.target(), 199, corner(319), corner(319));
  raster_span(c.target(), 0, corner(0), corner(0));
  EXPECT_EQ(c.written(), 2);
  EXPECT_NE(c.at(319, 199), SphereCanvas::kBackground);
  EXPECT_NE(c.at(0, 0), SphereCanvas::kBackground);
  EXPECT_TRUE(c.guards_intact());
}

TEST(SphereRaster, SkippingOffScreenRowsAndPixelsMatchesThePlainReference) {
  std::mt19937 rng(417);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  SphereCanvas fast, plain;
  for (int n = 0; n < 400; ++n) {
    // A third small and on screen, a third straddling the edges, a third reaching far out.
    const int reach = n % 3 == 0 ? 0 : n % 3 == 1 ? 120 : 2500;
    RasterCorner k[3];
    for (RasterCorner& q : k) {
      q.x = pick(-reach, 319 + reach);
      q.y = pick(-reach, 199 + reach);
      q.u = pick(-600, 600);
      q.v = pick(-600, 600);
      q.ex = pick(-20, 280);
      q.ey = pick(-20, 280);
    }
    // Texture coordinates beyond +-2^20 take the 64-bit path over ordinary geometry.
    if (n % 4 == 3) k[n % 3].u = pick(-3000000, 3000000);
    if (n % 8 == 5) k[(n + 1) % 3].ey = pick(-3000000, 3000000);
    if (n % 7 == 0) k[1].y = k[2].y;  // horizontal bottom edges
    if (n % 11 == 0) k[0].y = k[1].y;  // horizontal top edges
    if (n % 13 == 0) k[2].x = k[0].x;  // vertical edges
    raster_triangle(fast.target(), k[0], k[1], k[2]);
    sphere_reference::triangle(plain.target(), k[0], k[1], k[2]);
    ASSERT_EQ(fast.memory, plain.memory) << "triangle " << n;
  }
  EXPECT_GT(fast.written(), 64000 / 2);
  EXPECT_TRUE(fast.guards_intact());

  // Corners just beyond 2^20 rows or columns, still cheap enough for the plain reference.
  const int64_t beyond = (int64_t{1} << 20) + 12345;
  const RasterCorner tall[][3] = {
      {corner(100, -beyond, 5, 9, 100, 30), corner(180, 150, 400, 2, 0, 250), corner(60, 120, 77, 300, 200, 8)},
      {corner(-30, 40, 5, 9, 100, 30), corner(250, beyond, 400, 2, 0, 250), corner(340, -20, 77, 300, 200, 8)},
      {corner(beyond, 90, 1, 2, 3, 4), corner(10, 70, 500, 20, 250, 60), corner(200, 95, 9, 400, 60, 250)},
      {corner(-beyond, 10, 1, 2, 3, 4), corner(300, 30, 500, 20, 250, 60), corner(250, 150, 9, 400, 60, 250)},
  };
  for (const auto& k : tall) {
    SCOPED_TRACE(&k - tall);
    fast.clear();
    plain.clear();
    raster_triangle(fast.target(), k[0], k[1], k[2]);
    sphere_reference::triangle(plain.target(), k[0], k[1], k[2]);
    EXPECT_GT(fast.written(), 100);
    EXPECT_EQ(fast.memory, plain.memory);
  }
}

TEST(SphereRaster, CornersFarOutsideTheScreenWriteOnlyInsideTheFrame) {
  const int64_t far = int64_t{1} << 40;
  SphereCanvas c;
  // Encloses the screen: every pixel is written exactly by the rows and spans that cross it.
  raster_triangle(c.target(), corner(-far, -10, 0, 0), corner(far, -10, 512, 0), corner(160, far, 0, 512, 256, 256));
  EXPECT_EQ(c.written(), 64000);
  EXPECT_TRUE(c.guards_intact());

  // Slivers crossing the screen from one far corner to another, in every direction.
  const int64_t xs[] = {-far, -far / 3, 0, 160, 319, far / 5, far};
  for (int64_t x0 : xs) {
    for (int64_t x1 : xs) {
      c.clear();
      raster_triangle(c.target(), corner(x0, -far), corner(x1, far), corner(x1 + 40, far / 2, 300, 300, 255, 255));
      raster_triangle(c.target(), corner(x0, 100), corner(x1, -far), corner(-x1, far));
      ASSERT_TRUE(c.guards_intact()) << x0 << " " << x1;
    }
  }
}

TEST(SphereRaster, RoundedUpReciprocalsDivideExactly) {
  for (int d = 1; d < kReciprocalCount; ++d) {
    // The smallest double (float) not below 1/d: r * d >= 1 and the next lower one falls short.
    const double r = kReciprocals[d];
    ASSERT_GE(std::fma(r, d, -1.0), 0.0) << d;
    ASSERT_LT(std::fma(std::nextafter(r, 0.0), d, -1.0), 0.0) << d;
    const float rf = kReciprocalsFloat[d];
    ASSERT_GE(static_cast<double>(rf) * d, 1.0) << d;  // exact: 24 + 9 bits
    ASSERT_LT(static_cast<double>(std::nextafter(rf, 0.0f)) * d, 1.0) << d;
  }
  EXPECT_EQ(kReciprocals[0], 0.0);
  EXPECT_EQ(kReciprocalsFloat[0], 0.0f);

  // Exact quotients and their neighbours are where a reciprocal rounded to nearest goes wrong.
  int checked = 0;
  for (int64_t d = 1; d < kReciprocalCount; ++d) {
    const double r = kReciprocals[d];
    const float rf = kReciprocalsFloat[d];
    // The first and the last 3,000 multiples below 2^21, the float table's limit.
    const int64_t top = ((int64_t{1} << 21) - 2) / d * d;
    for (int64_t i = 0; i < 6000; ++i) {
      const int64_t n = i < 3000 ? i * d : top - (i - 3000) * d;
      if (n < 0) continue;
      for (int64_t m : {n - 1, n, n + 1, -n - 1, -n, -n + 1}) {
        ASSERT_EQ(static_cast<int64_t>(static_cast<float>(m) * rf), m / d) << m << " / " << d;
        ASSERT_EQ(static_cast<int64_t>(static_cast<double>(m) * r), m / d) << m << " / " << d;
      }
      ++checked;
    }
    for (int64_t n = int64_t{1} << 40; n < (int64_t{1} << 40) + 1000 * d; n += d) {
      const int64_t k = n - n % d;
      for (int64_t m : {k - 1, k, k + 1, -k}) ASSERT_EQ(static_cast<int64_t>(static_cast<double>(m) * r), m / d) << m;
    }
  }
  EXPECT_GT(checked, 511 * 5000);
}

namespace {

// The list drawn farthest first over everything, and again nearest first into a coverage map.
void expect_coverage_matches_painting(const std::vector<std::array<RasterCorner, 3>>& faces) {
  SphereCanvas painted, covered;
  for (const auto& k : faces) raster_triangle(painted.target(), k[0], k[1], k[2]);
  auto coverage = std::make_unique<RasterCoverage>();
  RasterTarget target = covered.target();
  target.coverage = coverage.get();
  for (auto k = faces.rbegin(); k != faces.rend(); ++k) raster_triangle(target, (*k)[0], (*k)[1], (*k)[2]);
  ASSERT_EQ(covered.memory, painted.memory);
  EXPECT_TRUE(covered.guards_intact());
  // Exactly the pixels some face reaches are marked, and nothing past the frame.
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      const bool marked = (coverage->bits[y * kCoverageRowBytes + x / 8] >> (x % 8)) & 1;
      ASSERT_EQ(marked, painted.at(x, y) != SphereCanvas::kBackground) << x << " " << y;
    }
  }
  for (int i = 200 * kCoverageRowBytes; i < static_cast<int>(sizeof coverage->bits); ++i) {
    EXPECT_EQ(coverage->bits[i], 0);
  }
}

}  // namespace

TEST(SphereRaster, NearestFirstIntoACoverageMapLeavesWhatFarthestFirstPaintingLeaves) {
  // Two slivers in front of a wide face: the face's rows fall into three clear runs, and its
  // rows of more than 57 pixels take several windows of the map.
  expect_coverage_matches_painting({
      {corner(-20, 30, 0, 0, 10, 20), corner(330, 40, 700, 9, 250, 30), corner(150, 170, 40, 600, 60, 240)},
      {corner(100, 0, 5, 5, 5, 5), corner(104, 0, 90, 5, 5, 5), corner(102, 199, 5, 90, 5, 5)},
      {corner(200, 10, 5, 5, 5, 5), corner(230, 10, 90, 5, 5, 5), corner(215, 190, 5, 90, 5, 5)},
  });

  std::mt19937 rng(4170);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int scene = 0; scene < 30; ++scene) {
    std::vector<std::array<RasterCorner, 3>> faces;
    for (int n = 0; n < 60; ++n) {
      // Mostly small faces on screen, some straddling the edges, some reaching far out.
      const int reach = n % 5 == 4 ? 3000 : n % 5 == 3 ? 80 : 0;
      const int size = n % 5 == 0 ? 150 : 25;
      const int cx = pick(0, 319), cy = pick(0, 199);
      std::array<RasterCorner, 3> k;
      for (RasterCorner& q : k) {
        q = corner(pick(cx - size - reach, cx + size + reach), pick(cy - size - reach, cy + size + reach),
                   pick(-600, 600), pick(-600, 600), pick(-20, 280), pick(-20, 280));
      }
      if (n % 7 == 1) k[0].v = pick(-3000000, 3000000);  // wide attribute ranges
      if (n % 11 == 2) k[1].x = int64_t{1} << 30;        // beyond the SSE2 scan
      if (n % 13 == 3) k[2].u = pick(9000, 20000);       // beyond the float reciprocal
      faces.push_back(k);
    }
    SCOPED_TRACE(scene);
    expect_coverage_matches_painting(faces);
  }
}

TEST(SphereRaster, FacesWithinOneCoverageWindowMatchPaintingAtTheWindowsLimits) {
  // Faces whose boxes reach 55 to 66 pixels right of every alignment to 8, so some fit one
  // 63-pixel window from their column and some just miss it; along the left and right sides of
  // the frame and down to its last row; behind slivers that split their rows into several runs.
  std::mt19937 rng(6363);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int scene = 0; scene < 24; ++scene) {
    std::vector<std::array<RasterCorner, 3>> faces;
    for (int n = 0; n < 40; ++n) {
      const int width = 55 + n % 12;
      const int left = scene % 3 == 0 ? n % 8 : scene % 3 == 1 ? 319 - width + n % 3 - 1 : pick(0, 319 - width);
      const int top = n % 4 == 0 ? 199 - pick(0, 30) : pick(-10, 190);
      std::array<RasterCorner, 3> k = {
          corner(left, top, pick(0, 512), pick(0, 512), pick(0, 256), pick(0, 256)),
          corner(left + width, top + pick(0, 40), pick(0, 512), pick(0, 512), pick(0, 256), pick(0, 256)),
          corner(pick(left, left + width), top + pick(-40, 40), pick(0, 512), pick(0, 512), pick(0, 256), pick(0, 256)),
      };
      if (n % 5 == 1) k[1].y = k[0].y;  // a flat top
      if (n % 7 == 2) k[2].y = k[1].y;  // a flat bottom
      faces.push_back(k);
      if (n % 3 == 0) {
        // A sliver a pixel or two wide, nearer than the face before it.
        const int x = pick(left, left + width);
        faces.push_back({corner(x, top - 5, 1, 2, 3, 4), corner(x + n % 2, top - 5, 5, 6, 7, 8),
                         corner(x + 1, top + 60, 9, 10, 11, 12)});
      }
    }
    // The frame's last pixels, where a write past a run's end would leave the frame.
    faces.push_back({corner(300, 190, 0, 0, 0, 0), corner(319, 199, 32, 16, 200, 30), corner(290, 199, 0, 16, 9, 9)});
    faces.push_back({corner(310, 180, 0, 0, 0, 0), corner(318, 199, 32, 16, 200, 30), corner(312, 199, 0, 16, 9, 9)});
    SCOPED_TRACE(scene);
    expect_coverage_matches_painting(faces);
  }
}

TEST(SphereRaster, TheSse2EntrySortsCornersAsThePlainReferenceDoes) {
  // Corners that share a row: which one counts as top or middle changes the edges, and so the
  // pixels. Every order of the three corners must give what the plain reference gives for that order.
  const RasterCorner shapes[][3] = {
      {corner(40, 20, 0, 0, 10, 20), corner(90, 20, 60, 5, 200, 30), corner(70, 80, 9, 70, 40, 250)},    // flat top
      {corner(40, 90, 0, 0, 10, 20), corner(90, 90, 60, 5, 200, 30), corner(70, 30, 9, 70, 40, 250)},    // flat bottom
      {corner(150, 50, 3, 8, 0, 0), corner(150, 50, 40, 8, 90, 9), corner(190, 120, 20, 60, 250, 200)},  // a repeated corner
      {corner(200, 10, 0, 30, 5, 5), corner(260, 60, 31, 0, 60, 9), corner(230, 110, 7, 7, 7, 250)},     // all rows distinct
  };
  int differ = 0;
  for (const auto& k : shapes) {
    int order[3] = {0, 1, 2};
    do {
      SCOPED_TRACE(testing::Message() << (&k - shapes) << ": " << order[0] << order[1] << order[2]);
      const RasterCorner& a = k[order[0]];
      const RasterCorner& b = k[order[1]];
      const RasterCorner& c = k[order[2]];
      SphereCanvas sse2, plain;
      raster_triangle_sse2(sse2.target(), corner32(a), corner32(b), corner32(c));
      sphere_reference::triangle(plain.target(), a, b, c);
      EXPECT_GT(sse2.written(), 50);
      EXPECT_EQ(sse2.memory, plain.memory);
      // The orders do matter here: drawing the first order's corners gives other pixels.
      SphereCanvas first;
      sphere_reference::triangle(first.target(), k[0], k[1], k[2]);
      differ += first.memory != plain.memory;
    } while (std::next_permutation(order, order + 3));
  }
  EXPECT_GT(differ, 0);
}
