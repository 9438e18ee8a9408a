// Grid backgrounds: the block renderers' fixed-point arithmetic on hand-made grids, the generators
// at known times and points, and the mode switch; fast paths against the plain reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "demo/grid_effects.h"
#include "demo/grid_render.h"
#include "demo/texture_effect.h"
#include "grid_reference.h"

namespace {
int point(int column, int row) { return row * kGridColumns + column; }

void fill(GridMap& grid, int plane, int32_t value) {
  for (int32_t& p : grid.plane[plane]) p = value;
}

// Texture whose texel tells its column (or row) back.
std::vector<uint8_t> column_texture() {
  std::vector<uint8_t> t(65536);
  for (int i = 0; i < 65536; ++i) t[i] = static_cast<uint8_t>(i & 255);
  return t;
}
std::vector<uint8_t> row_texture() {
  std::vector<uint8_t> t(65536);
  for (int i = 0; i < 65536; ++i) t[i] = static_cast<uint8_t>(i >> 8);
  return t;
}
// Shade table whose entry tells the step back: texel * 16 + step -> step.
std::vector<uint8_t> step_table() {
  std::vector<uint8_t> s(4096);
  for (int i = 0; i < 4096; ++i) s[i] = static_cast<uint8_t>(i & 15);
  return s;
}

struct Screen {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(64000, 0xEE);
  uint8_t at(int x, int y) const { return pixels[y * 320 + x]; }
};

float turn_slow(uint32_t t) { return static_cast<float>(t) * 0.00028571428f; }
float turn_fast(uint32_t t) { return static_cast<float>(t) * 0.00066666666f; }
}  // namespace

TEST(GridRenderer, RowsStartOnWholeTexelsAndStepInEighths) {
  GridMap grid{};
  const std::vector<uint8_t> columns = column_texture();
  Screen screen;
  // Block (0, 0): u goes 0 -> 4 across the top and 4 -> 12 across the bottom. In eighths, row r's
  // left edge is 4r and its right edge 32 + 8r; each is cut to a whole texel before stepping.
  grid.plane[PlaneU][point(0, 0)] = 0;
  grid.plane[PlaneU][point(1, 0)] = 4;
  grid.plane[PlaneU][point(0, 1)] = 4;
  grid.plane[PlaneU][point(1, 1)] = 12;
  render_grid_plain(grid, screen.pixels.data(), 320, columns.data());
  // Top row: half a texel per pixel.
  const uint8_t top[8] = {0, 0, 1, 1, 2, 2, 3, 3};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(screen.at(x, 0), top[x]) << x;
  // Row 3: left edge 12 eighths -> starts on texel 1; right edge 32 + 24 = 56 eighths -> texel 7;
  // six texels over eight pixels, in eighths: 8, 14, 20, 26, 32, 38, 44, 50.
  const uint8_t row3[8] = {1, 1, 2, 3, 4, 4, 5, 6};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(screen.at(x, 3), row3[x]) << x;
  // Row 7: left 28 eighths -> texel 3; right 32 + 56 = 88 -> texel 11: one texel per pixel.
  for (int x = 0; x < 8; ++x) EXPECT_EQ(screen.at(x, 7), 3 + x) << x;
}

TEST(GridRenderer, NegativeValuesTruncateTowardZeroAndWrap) {
  GridMap grid{};
  const std::vector<uint8_t> columns = column_texture(), rows = row_texture();
  Screen screen;
  // u = -1 down block (0, 0)'s left and right at the top, 0 at the bottom: row 0 is at -8 eighths,
  // texel -1, which is column 255; from row 1 on the edge is -7..-1 eighths, which truncates to 0.
  grid.plane[PlaneU][point(0, 0)] = -1;
  grid.plane[PlaneU][point(1, 0)] = -1;
  render_grid_plain(grid, screen.pixels.data(), 320, columns.data());
  for (int x = 0; x < 8; ++x) EXPECT_EQ(screen.at(x, 0), 255) << x;
  for (int y = 1; y < 8; ++y) EXPECT_EQ(screen.at(0, y), 0) << y;

  // v wraps the same way, and large values keep only their low bits.
  fill(grid, PlaneU, 0);
  fill(grid, PlaneV, 256 * 1000 + 17);
  grid.plane[PlaneV][point(5, 5)] = -3;
  render_grid_plain(grid, screen.pixels.data(), 320, rows.data());
  EXPECT_EQ(screen.at(100, 100), 17);
  EXPECT_EQ(screen.at(40, 40), 253);  // grid point (5, 5) is pixel (40, 40)
}

TEST(GridRenderer, DepthSelectsTheShadeStepAndIsMaskedOutsideItsRange) {
  GridMap grid{};
  const std::vector<uint8_t> columns = column_texture(), steps = step_table();
  Screen screen;
  fill(grid, PlaneDepth, 1023);
  grid.plane[PlaneDepth][point(0, 0)] = 64;  // step (64 * 8) >> 9 = 1 at the block's first pixel
  grid.plane[PlaneDepth][point(1, 0)] = 64;
  grid.plane[PlaneDepth][point(0, 1)] = 64;
  grid.plane[PlaneDepth][point(1, 1)] = 64;
  render_grid_shaded(grid, screen.pixels.data(), 320, columns.data(), steps.data());
  EXPECT_EQ(screen.at(3, 3), 1);
  EXPECT_EQ(screen.at(200, 100), 15);  // 1023 * 8 >> 9
  // Block (1, 0) runs from depth 64 on its left to 1023 on its right: in eighths 512 + 959k,
  // so the steps along its top row are 1, 2, 4, 6, 8, 10, 12, 14.
  const uint8_t expected[8] = {1, 2, 4, 6, 8, 10, 12, 14};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(screen.at(8 + x, 0), expected[x]) << x;

  // Depths outside 0..1023 (which no generator writes) stay inside the texel's shade row.
  fill(grid, PlaneDepth, 5000);        // 40000 >> 9 = 78 -> 78 & 15 = 14
  grid.plane[PlaneDepth][0] = -300;    // -2400 >> 9 = -5 -> 11
  render_grid_shaded(grid, screen.pixels.data(), 320, columns.data(), steps.data());
  EXPECT_EQ(screen.at(300, 150), 14);
  EXPECT_EQ(screen.at(0, 0), 11);
}

TEST(GridRenderer, MatchesThePlainRendererOnRandomGrids) {
  std::mt19937 random(5);
  std::vector<uint8_t> texture(65536), shade(4096);
  for (auto& t : texture) t = static_cast<uint8_t>(random());
  for (auto& s : shade) s = static_cast<uint8_t>(random());
  for (int round = 0; round < 12; ++round) {
    GridMap grid{};
    const int32_t spread = round < 4 ? 300 : (round < 8 ? 100000 : 1 << 26);
    for (int i = 0; i < kGridPoints; ++i) {
      grid.plane[PlaneU][i] = static_cast<int32_t>(random() % (2u * spread)) - spread;
      grid.plane[PlaneV][i] = static_cast<int32_t>(random() % (2u * spread)) - spread;
      grid.plane[PlaneDepth][i] = static_cast<int32_t>(random() % 1024);
    }
    if (round % 3 == 0)  // smooth depths: long runs of one step, as the generators give
      for (int i = 0; i < kGridPoints; ++i) grid.plane[PlaneDepth][i] = (i % 41) * 25;
    Screen fast, plain, fastShaded, plainShaded;
    render_grid_plain(grid, fast.pixels.data(), 320, texture.data());
    reference::render_grid(grid, plain.pixels.data(), texture.data(), nullptr);
    ASSERT_EQ(fast.pixels, plain.pixels) << round;
    render_grid_shaded(grid, fastShaded.pixels.data(), 320, texture.data(), shade.data());
    reference::render_grid(grid, plainShaded.pixels.data(), texture.data(), shade.data());
    ASSERT_EQ(fastShaded.pixels, plainShaded.pixels) << round;
  }
}

TEST(GridGenerators, TunnelAtTimeZero) {
  GridMap grid{};
  grid_tunnel(grid, GridView{0, 0, 0, 0, 0, 0});
  // Next to the centre ray: almost no sideways part, so the hit is 8,192 units away: depth clamps.
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 12)], 1023);
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 13)], 1023);
  EXPECT_EQ(grid.plane[PlaneU][point(20, 12)], -1638);  // trunc(-8192 * 0.2)
  EXPECT_EQ(grid.plane[PlaneV][point(20, 12)], 0);      // the hit lies straight along +y
  // Corner (-160, -100): the smaller root lies behind, at (217.1, 135.7, -173.7).
  EXPECT_EQ(grid.plane[PlaneDepth][point(0, 0)], 173);
  EXPECT_EQ(grid.plane[PlaneU][point(0, 0)], -34);
  EXPECT_EQ(grid.plane[PlaneV][point(0, 0)], 41);  // atan2(217.1, 135.7) = 1.0122 -> 41.2

  // From outside the tube, rays that never meet it keep last frame's values.
  GridMap outside{};
  fill(outside, PlaneU, 777);
  grid_tunnel(outside, GridView{0, 0, 0, 1000.0f, 0, 0});
  EXPECT_EQ(outside.plane[PlaneU][point(20, 3)], 777);  // no sideways x part: misses
  EXPECT_NE(outside.plane[PlaneU][point(0, 12)], 777);  // nearly along x: meets it
}

TEST(GridGenerators, CorridorAtTimeZero) {
  GridMap grid{};
  grid_corridor(grid, GridView{0, 0, 0, 0, 0, 0});
  // The vertical centre column meets the top and bottom walls at t = 100 / |Y3|: H.z = 12800 / |y|.
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 5)], 213);  // y = -60
  EXPECT_EQ(grid.plane[PlaneU][point(20, 5)], 85);
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 20)], 213);  // y = +60
  EXPECT_EQ(grid.plane[PlaneU][point(20, 0)], 51);        // y = -100: H.z = 128
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 12)], 1023);  // y = -4: H.z = 3200
  // X3 = 0 is taken as 0.001, so H.x is a hair right of 0: top wall v = 128, bottom v = 127.
  EXPECT_EQ(grid.plane[PlaneV][point(20, 5)], 128);
  EXPECT_EQ(grid.plane[PlaneV][point(20, 20)], 127);
  // Left column, y = -4: the side wall at x = -100, met at H.y = -2.5.
  EXPECT_EQ(grid.plane[PlaneV][point(0, 12)], 125);
  // Right column, y = -4: side wall at x = +100, v = trunc(128 - H.y) = 130.
  EXPECT_EQ(grid.plane[PlaneV][point(40, 12)], 130);
}

TEST(GridGenerators, FloorAndCeilingMirrorAboutTheCentre) {
  GridMap grid{};
  grid_floor_ceiling(grid, GridView{0, 0, 0, 0, 0, 0});
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 0)], 182);  // trunc(162.4) + 20
  for (int row = 0; row < kGridRows; ++row)
    for (int column = 0; column < kGridColumns; ++column) {
      ASSERT_GE(grid.plane[PlaneU][point(column, row)], 0);
      ASSERT_GE(grid.plane[PlaneV][point(column, row)], 0);
      ASSERT_EQ(grid.plane[PlaneV][point(column, row)], grid.plane[PlaneV][point(40 - column, row)]);
    }
  EXPECT_EQ(grid.plane[PlaneV][point(0, 5)], 266);  // H.x = 100 * -160 / 60
}

TEST(GridGenerators, SphereLeavesDepthAlone) {
  GridMap grid{};
  fill(grid, PlaneDepth, 555);
  grid_sphere(grid, 0, 0, 0);
  for (int32_t d : grid.plane[PlaneDepth]) ASSERT_EQ(d, 555);
  // Corner (-160, -100), 228 units from the eye: P = (160, 100, -128) * 256 / 228.
  EXPECT_EQ(grid.plane[PlaneU][point(0, 0)], 182);  // (sin(100 / 228) + 1) * 128
  EXPECT_EQ(grid.plane[PlaneV][point(0, 0)], 54);   // |atan2(-32768, 40960)| * 256 / pi
}

TEST(GridGenerators, RayCastersMatchThePlainComputation) {
  const uint32_t times[] = {0, 1, 16, 1234, 30000, 98765, 250000, 4000000000u};
  for (uint32_t time : times) {
    const float t = static_cast<float>(time), a1 = turn_slow(time), a2 = turn_fast(time);
    const GridView view{a1, a2, a2, 0.0f, 0.0f, t};
    GridMap fast{}, plain{};
    grid_tunnel(fast, view);
    reference::tunnel(plain, a1, a2, a2, 0.0f, 0.0f, t);
    ASSERT_EQ(0, std::memcmp(&fast, &plain, sizeof fast)) << "tunnel " << time;
    grid_corridor(fast, view);
    reference::corridor(plain, a1, a2, a2, 0.0f, 0.0f, t);
    ASSERT_EQ(0, std::memcmp(&fast, &plain, sizeof fast)) << "corridor " << time;
    grid_floor_ceiling(fast, view);
    reference::floor_ceiling(plain, a1, a2, a2, 0.0f, 0.0f, t);
    ASSERT_EQ(0, std::memcmp(&fast, &plain, sizeof fast)) << "floor " << time;
    grid_sphere(fast, a1, a2, a2);
    reference::sphere(plain, a1, a2, a2);
    ASSERT_EQ(0, std::memcmp(&fast, &plain, sizeof fast)) << "sphere " << time;
    // Off-centre origins exercise the linear term and the misses.
    const GridView offset{a1, a2, a2, 300.0f, -40.0f, t};
    grid_tunnel(fast, offset);
    reference::tunnel(plain, a1, a2, a2, 300.0f, -40.0f, t);
    ASSERT_EQ(0, std::memcmp(&fast, &plain, sizeof fast)) << "offset tunnel " << time;
  }
}

TEST(GridGenerators, BlobFieldIsTransposedAndRippleStaysShallow) {
  GridMap grid{};
  BlobTable blobs{};
  blobs.blob[1].spare = 9.5f;
  grid_blob_field(grid, blobs, 0.0f);
  EXPECT_EQ(blobs.blob[0].x, 160.0f);
  EXPECT_EQ(blobs.blob[0].y, 184.0f);
  EXPECT_EQ(blobs.blob[1].x, 244.0f);
  EXPECT_EQ(blobs.blob[1].y, 100.0f);
  EXPECT_EQ(blobs.blob[2].x, 244.0f);
  EXPECT_EQ(blobs.blob[2].y, 184.0f);
  EXPECT_EQ(blobs.blob[1].weight, -1.0f);
  EXPECT_EQ(blobs.blob[2].radius, 180.0f);
  EXPECT_EQ(blobs.blob[1].spare, 9.5f);
  // (8, 0) is out of every blob's reach: f = -0.6, u from the row, v from the column.
  EXPECT_EQ(grid.plane[PlaneU][point(1, 0)], -36);
  EXPECT_EQ(grid.plane[PlaneV][point(1, 0)], -28);
  EXPECT_EQ(grid.plane[PlaneDepth][point(1, 0)], 204);  // 0.4 * 512
  // (160, 96) is reached by all three: f = 0.5791 - 0.6111 + 0.2951 - 0.6 = -0.3369.
  EXPECT_EQ(grid.plane[PlaneU][point(20, 12)], 75);
  EXPECT_EQ(grid.plane[PlaneV][point(20, 12)], 139);
  EXPECT_EQ(grid.plane[PlaneDepth][point(20, 12)], 339);

  grid_ripple(grid, blobs, 0.0f);
  EXPECT_EQ(blobs.blob[0].y, 164.0f);  // amplitude 64
  EXPECT_EQ(blobs.blob[1].x, 224.0f);
  for (int32_t d : grid.plane[PlaneDepth]) {
    ASSERT_GE(d, 0);
    ASSERT_LE(d, 255);
  }
  // (0, 0) lies 229.1 from blob 0: l = sin(22.91) = -0.796.
  EXPECT_EQ(grid.plane[PlaneU][point(0, 0)], -31);
  EXPECT_EQ(grid.plane[PlaneV][point(0, 0)], -31);
  EXPECT_EQ(grid.plane[PlaneDepth][point(0, 0)], 26);
}

TEST(TextureEffect, ClearsOrFillsTheWholeFrame) {
  std::vector<uint8_t> pixels(65536);
  for (int i = 0; i < 65536; ++i) pixels[i] = static_cast<uint8_t>(i % 200);  // never 0xEE
  PalettedTexture texture{pixels.data(), 256, 256, {}, 255, 255, 8};
  std::vector<uint8_t> light(4096), dark(4096);
  for (int i = 0; i < 4096; ++i) {
    light[i] = static_cast<uint8_t>(i >> 4);
    dark[i] = static_cast<uint8_t>((i >> 4) / 2);
  }
  PalettedBitmap work{};
  create(work, 320, 200);
  GridMap grid{};
  BlobTable blobs{};
  for (int mode = 0; mode <= 10; ++mode) {
    clear(work, 0xEE);
    texture_effect(mode, 12345, grid, work, texture, light.data(), dark.data(), blobs);
    int untouched = 0;
    for (int i = 0; i < 64000; ++i) untouched += work.pixels[i] == 0xEE;
    EXPECT_EQ(untouched, 0) << "mode " << mode;
  }
  clear(work, 0xEE);
  texture_effect(11, 0, grid, work, texture, light.data(), dark.data(), blobs);
  EXPECT_EQ(work.pixels[0], 0xEE);  // no such mode: nothing drawn
  destroy(work);

  PalettedBitmap small{};
  create(small, 160, 100);
  clear(small, 0xEE);
  texture_effect(5, 0, grid, small, texture, light.data(), dark.data(), blobs);
  EXPECT_EQ(small.pixels[0], 0xEE);  // too small for the 320x200 layout: left alone
  destroy(small);
}
