// Bitmap records: fill_rect clipping on every side, clears, copies and double destroy.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/bitmap.h"

namespace {
struct Canvas {
  std::vector<uint32_t> pixels;
  Bitmap32 bitmap;
  Canvas(int w, int h) : pixels(static_cast<size_t>(w) * h, 0) { bitmap = {pixels.data(), w, h, w * 4}; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * bitmap.width + x]; }
  int count(uint32_t colour) const {
    int n = 0;
    for (uint32_t p : pixels) n += p == colour;
    return n;
  }
};
}  // namespace

TEST(FillRect, ProgressBarRowsAreExact) {
  Canvas c(320, 200);
  fill_rect(c.bitmap, 0, 97, 320, 5, 0xFFFFFFFF);
  for (int y = 0; y < 200; ++y)
    EXPECT_EQ(c.at(0, y) == 0xFFFFFFFF && c.at(319, y) == 0xFFFFFFFF, y >= 97 && y <= 101) << y;
  EXPECT_EQ(c.count(0xFFFFFFFF), 320 * 5);
}

TEST(FillRect, ClipsOnAllFourSides) {
  Canvas left(320, 200);
  fill_rect(left.bitmap, -10, 0, 20, 1, 7);
  EXPECT_EQ(left.count(7), 10);
  EXPECT_EQ(left.at(9, 0), 7u);
  EXPECT_EQ(left.at(10, 0), 0u);

  Canvas right(320, 200);
  fill_rect(right.bitmap, 315, 0, 20, 1, 7);
  EXPECT_EQ(right.count(7), 5);
  EXPECT_EQ(right.at(315, 0), 7u);
  EXPECT_EQ(right.at(319, 0), 7u);

  Canvas top(320, 200);
  fill_rect(top.bitmap, 0, -3, 1, 5, 7);
  EXPECT_EQ(top.count(7), 2);
  EXPECT_EQ(top.at(0, 1), 7u);

  Canvas bottom(320, 200);
  fill_rect(bottom.bitmap, 0, 198, 1, 10, 7);
  EXPECT_EQ(bottom.count(7), 2);
  EXPECT_EQ(bottom.at(0, 199), 7u);

  Canvas all(8, 8);
  fill_rect(all.bitmap, -100, -100, 1000, 1000, 7);
  EXPECT_EQ(all.count(7), 64);
}

TEST(FillRect, EmptyAndOutsideRectanglesDrawNothing) {
  Canvas c(320, 200);
  fill_rect(c.bitmap, 0, -5, 10, 5, 7);     // y + h <= 0
  fill_rect(c.bitmap, -5, 0, 5, 10, 7);     // x + w <= 0
  fill_rect(c.bitmap, 10, 10, 0, 10, 7);    // w == 0
  fill_rect(c.bitmap, 10, 10, 10, -1, 7);   // h < 0
  fill_rect(c.bitmap, 320, 0, 10, 10, 7);   // x >= width
  fill_rect(c.bitmap, 0, 200, 10, 10, 7);   // y >= height
  fill_rect(c.bitmap, 2147483600, 0, 2147483600, 1, 7);  // edges that would overflow 32 bits
  fill_rect(c.bitmap, -2147483647, 0, 2147483647, 1, 7);
  EXPECT_EQ(c.count(7), 0);
}

TEST(FillRect, HonoursPitch) {
  std::vector<uint32_t> pixels(4 * 3, 0);
  Bitmap32 b{pixels.data(), 2, 3, 16};  // two pixels shown per four-pixel row
  fill_rect(b, 0, 0, 5, 5, 9);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(pixels[y * 4 + 0], 9u);
    EXPECT_EQ(pixels[y * 4 + 1], 9u);
    EXPECT_EQ(pixels[y * 4 + 2], 0u);
  }
}

TEST(Bitmaps, ClearCoversTheAreaOnlyAndLeavesEmptyBitmapsAlone) {
  Bitmap8 b{};
  create(b, 5, 3);
  clear(b, 0xAB);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(b.pixels[i], 0xAB);
  Bitmap8 empty{nullptr, 0, 0, 0};
  clear(empty, 1);  // no fault
  destroy(b);

  std::vector<uint32_t> pixels(6, 5);
  Bitmap32 wide{pixels.data(), 2, 2, 12};
  clear(wide, 0x00FF00FF);
  EXPECT_EQ(pixels[0], 0x00FF00FFu);
  EXPECT_EQ(pixels[1], 0x00FF00FFu);
  EXPECT_EQ(pixels[2], 5u);  // outside the width
  EXPECT_EQ(pixels[3], 0x00FF00FFu);
}

TEST(Bitmaps, CopyTakesDestinationSizeAndOptionallyThePalette) {
  PalettedBitmap a{}, b{};
  create(a, 4, 2);
  create(b, 4, 2);
  for (int i = 0; i < 8; ++i) a.pixels[i] = static_cast<uint8_t>(i + 1);
  std::memset(a.palette, 0x11, 768);
  std::memset(b.palette, 0x22, 768);
  copy(b, a, false);
  EXPECT_EQ(std::memcmp(a.pixels, b.pixels, 8), 0);
  EXPECT_EQ(b.palette[0], 0x22);
  EXPECT_EQ(b.palette[767], 0x22);
  copy(b, a, true);
  EXPECT_EQ(b.palette[0], 0x11);
  EXPECT_EQ(b.palette[767], 0x11);

  TextImage text{};
  create(text, 4, 2);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(text.pixels[i], 0) << "text images start zero-filled";
  text.pixels[5] = 200;
  Bitmap8 layer{};
  create(layer, 4, 2);
  copy(layer, text);
  EXPECT_EQ(layer.pixels[5], 200);
  EXPECT_EQ(layer.pixels[4], 0);
  destroy(layer);
  destroy(text);
  destroy(a);
  destroy(b);
}

TEST(Bitmaps, DestroyTwiceIsHarmlessAndZeroesEveryField) {
  PalettedBitmap p{};
  create(p, 3, 3);
  p.palette[10] = 77;
  destroy(p);
  destroy(p);
  EXPECT_EQ(p.pixels, nullptr);
  EXPECT_EQ(p.width, 0);
  EXPECT_EQ(p.height, 0);
  EXPECT_EQ(p.pitch, 0);
  EXPECT_EQ(p.palette[10], 77) << "the palette is left as it is";

  PalettedTexture t{};
  t.width = t.height = 4;
  t.maskX = t.maskY = 3;
  t.shift = 2;
  destroy(t);
  destroy(t);
  EXPECT_EQ(t.maskX, 0u);
  EXPECT_EQ(t.maskY, 0u);
  EXPECT_EQ(t.shift, 0u);

  Texture8 g{};
  g.width = 2;
  destroy(g);
  destroy(g);
  EXPECT_EQ(g.width, 0);
}
