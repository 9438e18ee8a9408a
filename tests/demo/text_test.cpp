// The stroke font and its text layers: refusing short fonts, glyph geometry, the filter and the
// merge, the pen's advances, clipping, the scattered words' rand order and the greetings' area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "demo/greetings.h"
#include "demo/stroke_font.h"
#include "demo/text_draw.h"
#include "demo/text_images.h"
#include "demo/text_reference.h"
#include "demo/text_sample_font.h"
#include "shell/crt_rand.h"

namespace {
struct Layer {
  std::vector<uint8_t> pixels;
  TextImage image;
  Layer(int w, int h, uint8_t fill = 0) : pixels(static_cast<size_t>(w) * h, fill) { image = {pixels.data(), w, h}; }
  uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * image.width + x]; }
  int nonzero() const {
    int n = 0;
    for (uint8_t p : pixels) n += p != 0;
    return n;
  }
};

struct SampleFont {
  std::vector<uint8_t> bytes = text_sample::font();
  StrokeFont font() const { return StrokeFont{bytes.data(), static_cast<uint32_t>(bytes.size())}; }
};

// One glyph drawn 128 x 128 with a one-pixel brush: every box is one scratch pixel, so a stamped
// pixel shows as 251 (w = 126 on black) and the image is the stroke walk itself.
Layer walk_of(char c) {
  SampleFont sample;
  Layer layer(128, 128);
  draw_text(0, 0, std::string(1, c).c_str(), layer.image, 128, 128, 255, 0, 0, sample.font());
  return layer;
}

void expect_same(const Layer& a, const Layer& b, const char* what) {
  ASSERT_EQ(a.pixels.size(), b.pixels.size());
  for (size_t i = 0; i < a.pixels.size(); ++i)
    ASSERT_EQ(a.pixels[i], b.pixels[i]) << what << " at x " << i % a.image.width << " y " << i / a.image.width;
}
}  // namespace

TEST(StrokeFont, ShortFontsAreRefusedAndNeverReadPastTheirEnd) {
  EXPECT_FALSE(font_valid(1439));
  EXPECT_TRUE(font_valid(1440));
  EXPECT_EXIT(accept_font("short.dat", std::malloc(1439), 1439), testing::ExitedWithCode(1),
              "Error loading font 'short\\.dat'");
  EXPECT_EXIT(accept_font("none.dat", nullptr, 0), testing::ExitedWithCode(1), "Error loading font 'none\\.dat'");

  // 100 bytes hold 'A' and 'B' but only half of 'C': that glyph draws nothing, and the sanitizer
  // build would stop on any read past the block.
  SampleFont sample;
  auto* bytes = static_cast<uint8_t*>(std::malloc(100));
  std::memcpy(bytes, sample.bytes.data(), 100);
  StrokeFont shortFont{bytes, 100};
  Layer c(64, 64), a(64, 64), full(64, 64);
  draw_text(0, 0, "C", c.image, 40, 40, 255, 8, 4, shortFont);
  EXPECT_EQ(c.nonzero(), 0);
  draw_text(0, 0, "A", a.image, 40, 40, 255, 8, 4, shortFont);
  draw_text(0, 0, "A", full.image, 40, 40, 255, 8, 4, sample.font());
  EXPECT_GT(a.nonzero(), 0);
  expect_same(a, full, "A from a short font");
  std::free(bytes);
}

TEST(GlyphGeometry, LeftmostShiftLinesAndBothArcs) {
  // 'I' is one line at x 64: moved to x 8, rows 8..120.
  Layer i = walk_of('I');
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) ASSERT_EQ(i.at(x, y), (x == 8 && y >= 8 && y <= 120) ? 251 : 0) << x << "," << y;

  // 'A': the walk of (56,8)-(104,120) after the shift by 8 steps y first, then both.
  Layer a = walk_of('A');
  EXPECT_EQ(a.at(56, 8), 251);
  EXPECT_EQ(a.at(56, 9), 251);
  EXPECT_EQ(a.at(57, 9), 0);
  EXPECT_EQ(a.at(57, 10), 251);

  // 'O': two vertical arcs between x 8 and 104 about mid 56, extremes at y 8 and 120.
  Layer o = walk_of('O');
  for (auto [x, y] : {std::pair{8, 64}, {104, 64}, {56, 8}, {56, 120}}) EXPECT_EQ(o.at(x, y), 251) << x << "," << y;
  EXPECT_EQ(o.at(56, 64), 0);

  // 'B': horizontal arcs from x 72 towards x 104 at the middle of their ends (y 36 and 92). The
  // float angle of 90 degrees lies just past a right angle, so sin x 32 truncates to 31: the
  // bulge stops one short at x 103, where rounding would reach 104.
  Layer b = walk_of('B');
  EXPECT_EQ(b.at(103, 36), 251);
  EXPECT_EQ(b.at(103, 92), 251);
  EXPECT_EQ(b.at(104, 36), 0);
  EXPECT_EQ(b.at(104, 92), 0);

  // '9' is a single line whose leftmost x 28 moves to 8: 73 pixels on row 64.
  Layer nine = walk_of('9');
  EXPECT_EQ(nine.nonzero(), 73);
  EXPECT_EQ(nine.at(8, 64), 251);
}

TEST(GlyphFilter, MergeLightensDarkensOrLeaves) {
  EXPECT_EQ(merge_pixel(100, 0), 100);
  EXPECT_EQ(merge_pixel(100, 64), 177);  // (100 x 64 + 255 x 64) / 128
  EXPECT_EQ(merge_pixel(100, -64), 50);  // 100 x 64 / 128
  EXPECT_EQ(merge_pixel(0, 126), 251);
  EXPECT_EQ(merge_pixel(255, 126), 255);
  EXPECT_EQ(merge_pixel(200, -127), 1);

  SampleFont sample;
  // Ink below 128 darkens (term -127: 200 -> 1); ink 128 leaves every pixel.
  Layer dark(128, 128, 200), neutral(128, 128, 200);
  draw_text(0, 0, "I", dark.image, 128, 128, 0, 0, 0, sample.font());
  draw_text(0, 0, "I", neutral.image, 128, 128, 128, 8, 4, sample.font());
  EXPECT_EQ(dark.at(8, 50), 1);
  EXPECT_EQ(dark.at(9, 50), 200);
  EXPECT_EQ(neutral.pixels, std::vector<uint8_t>(128 * 128, 200));
}

TEST(DrawText, AdvancesSpacesAndNarrowLetters) {
  SampleFont sample;
  EXPECT_EQ(text_width(" .A", 30), 90);
  EXPECT_EQ(text_width("II", 40), 20);
  EXPECT_EQ(text_width("9", 40), 30);
  EXPECT_EQ(text_width("WINDMILLCOVE", 20), 10 * 20 + 2 * 5);

  Layer blank(200, 60);
  draw_text(10, 5, " .-a", blank.image, 30, 30, 255, 8, 4, sample.font());
  EXPECT_EQ(blank.nonzero(), 0);

  Layer spaced(200, 60), direct(200, 60);
  draw_text(10, 5, " I", spaced.image, 30, 30, 255, 8, 4, sample.font());
  draw_text(40, 5, "I", direct.image, 30, 30, 255, 8, 4, sample.font());
  EXPECT_GT(direct.nonzero(), 0);
  expect_same(spaced, direct, "space then I");

  // Two I's overlap: the second is drawn a quarter glyph on, still a full glyph wide.
  Layer pair(200, 60), twice(200, 60);
  draw_text(10, 5, "II", pair.image, 40, 40, 200, 8, 4, sample.font());
  draw_text(10, 5, "I", twice.image, 40, 40, 200, 8, 4, sample.font());
  draw_text(20, 5, "I", twice.image, 40, 40, 200, 8, 4, sample.font());
  expect_same(pair, twice, "II");
}

TEST(DrawText, GlyphsAreClippedPixelByPixelOnEveryEdge) {
  SampleFont sample;
  // Drawn across the right and bottom edges of a small layer, and across the left and top, the
  // glyphs must be exactly the matching window of the same drawing on a layer large enough.
  const int W = 40, H = 30;
  Layer big(200, 120);
  draw_text(80, 45, "BOX", big.image, W, H, 230, 8, 4, sample.font());
  for (auto [left, top] : {std::pair{0, 0}, {110, 70}}) {
    Layer small(100, 60);
    draw_text(80 - left, 45 - top, "BOX", small.image, W, H, 230, 8, 4, sample.font());
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 100; ++x) {
        int bx = x + left, by = y + top;
        uint8_t expected = bx < 200 && by < 120 ? big.at(bx, by) : 0;
        ASSERT_EQ(small.at(x, y), expected) << "window " << left << "," << top << " at " << x << "," << y;
      }
  }
}

TEST(DrawText, FastRendererMatchesTheStraightforwardOne) {
  SampleFont sample;
  std::mt19937 pick(417);
  const int brushes[][2] = {{8, 4}, {8, 2}, {2, 2}, {4, 4}, {0, 0}, {12, 9}, {-1, 3}};
  const int sizes[][2] = {{1, 1}, {7, 3}, {28, 14}, {38, 44}, {69, 69}, {128, 128}, {150, 200}, {13, 131}};
  for (int glyph = 0; glyph < 36; ++glyph) {
    char text[2] = {static_cast<char>(glyph < 26 ? 'A' + glyph : '0' + glyph - 26), 0};
    for (int trial = 0; trial < 6; ++trial) {
      const int* brush = brushes[pick() % 7];
      const int* size = sizes[pick() % 8];
      uint8_t ink = static_cast<uint8_t>(pick() % 256);
      int x = static_cast<int>(pick() % 120) - 40, y = static_cast<int>(pick() % 80) - 30;
      Layer fast(96, 72), slow(96, 72);
      for (size_t i = 0; i < fast.pixels.size(); ++i) fast.pixels[i] = slow.pixels[i] = static_cast<uint8_t>(pick());
      draw_text(x, y, text, fast.image, size[0], size[1], ink, brush[0], brush[1], sample.font());
      text_reference::draw_text(x, y, text, slow.image, size[0], size[1], ink, brush[0], brush[1],
                                sample.bytes.data(), 1440);
      ASSERT_EQ(fast.pixels, slow.pixels) << text << " W " << size[0] << " H " << size[1] << " ink " << int(ink)
                                          << " brush " << brush[0] << "," << brush[1] << " at " << x << "," << y;
    }
  }
}

TEST(TextImages, ScatteredWordsTakeFiveRandValuesEvenWhenEmpty) {
  SampleFont sample;
  GlyphCache cache(sample.font());
  // Seeds whose word comes out with H = 0, then with W = 0.
  for (int empty = 1; empty <= 2; ++empty) {
    uint32_t seed = 1;
    for (;; ++seed) {
      crt_srand(seed);
      int r[3] = {crt_rand(), crt_rand(), crt_rand()};
      if (r[empty] % 40 == 0 && r[3 - empty] % 40 != 0) break;
    }
    crt_srand(seed);
    for (int i = 0; i < 5; ++i) crt_rand();
    int sixth = crt_rand();

    Layer layer(320, 200);
    crt_srand(seed);
    scatter_words(layer.image, "K417", 1, 40, 4, 4, cache);
    EXPECT_EQ(layer.nonzero(), 0) << "seed " << seed;
    EXPECT_EQ(crt_rand(), sixth);
  }
}

TEST(TextImages, AllLayersMatchTheStraightforwardRenderer) {
  SampleFont sample;
  TextLayers layers;
  crt_srand(4170);
  render_text_images(layers, 320, 200, 0.9f, 0.9f, sample.font());

  auto reference = [&](int x, int y, const char* text, int W, int H, int ink, int bw, int bh) {
    Layer layer(320, 200);
    text_reference::draw_text(x, y, text, layer.image, W, H, static_cast<uint8_t>(ink), bw, bh, sample.bytes.data(),
                              1440);
    return layer;
  };
  auto expect_layer = [&](const TextImage& image, const Layer& expected, const char* what) {
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.height, 200);
    EXPECT_EQ(std::memcmp(image.pixels, expected.pixels.data(), 64000), 0) << what;
  };
  expect_layer(layers.TitleImage, reference(12, 90, "WINDMILLCOVE", 28, 14, 255, 8, 4), "title");
  expect_layer(layers.CreditImage1, reference(64, 90, CreditWord1, 28, 14, 225, 8, 4), "credit 1");
  expect_layer(layers.CreditImage2, reference(94, 90, CreditWord2, 28, 14, 225, 8, 4), "credit 2");
  expect_layer(layers.NameImage, reference(88, 80, "K417", 38, 44, 225, 8, 2), "name");

  // The scattered fields replayed from the same rand values: ink, H, W, y, x for each word.
  crt_srand(4170);
  auto scattered = [&](const char* text, int range, int brush) {
    Layer layer(320, 200);
    for (int i = 0; i < 51; ++i) {
      int ink = 128 + crt_rand() % 128;
      int H = crt_rand() % range;
      int W = crt_rand() % range;
      int y = crt_rand() % 200;
      int x = crt_rand() % 320;
      text_reference::draw_text(x, y, text, layer.image, W, H, static_cast<uint8_t>(ink), brush, brush,
                                sample.bytes.data(), 1440);
    }
    return layer;
  };
  expect_layer(layers.ScatterTwos, scattered("2", 70, 2), "twos");
  expect_layer(layers.ScatterNames, scattered("K417", 40, 4), "names");
  expect_layer(layers.ScatterGroup, scattered("WINDMILLCOVE", 40, 4), "group");

  // Each greeting lies inside the text area: from the origin (24, 14) to 8 and 4 short of the
  // area's far edges (288 and 180 from the origin's own margin).
  for (int i = 0; i < kGreetingCount; ++i) {
    const TextImage& g = layers.GreetImages[i];
    int drawn = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x)
        if (g.pixels[y * 320 + x]) {
          ++drawn;
          ASSERT_TRUE(x >= 24 && x < 24 + 288 - 16 && y >= 14 && y < 14 + 180 - 8) << GreetingTable[i] << " " << x << "," << y;
        }
    EXPECT_GT(drawn, 0) << GreetingTable[i];
  }
  destroy_text_images(layers);
  crt_srand(1);
}

TEST(Greetings, TableFitsTheAreaAndIndexIsClamped) {
  for (int i = 0; i < kGreetingCount; ++i) {
    const char* entry = GreetingTable[i];
    EXPECT_LE(text_width(entry, 20) + 16, 288) << entry;
    for (const char* c = entry; *c; ++c) EXPECT_GE(glyph_index(*c), 0) << entry;
  }
  TextOrigin origin = greeting_origin(320, 200, 0.9f, 0.9f);
  EXPECT_EQ(origin.x, 24);
  EXPECT_EQ(origin.y, 14);

  EXPECT_EQ(greeting_index(0x1800), 0);
  EXPECT_EQ(greeting_index(0x180F), 0);
  EXPECT_EQ(greeting_index(0x1810), 1);
  EXPECT_EQ(greeting_index(0x1900), 8);
  EXPECT_EQ(greeting_index(0x1970), 15);
  EXPECT_EQ(greeting_index(0x1980), 15);  // row 0x80 of order 25 would be 16
  EXPECT_EQ(greeting_index(0x19FF), 15);

  SampleFont sample;
  GlyphCache cache(sample.font());
  Layer layer(320, 200);
  EXPECT_EXIT(place_greeting(layer.image, "GOOGLETESTGOOGLETEST", 320, 200, 0.9f, 0.9f, cache),
              testing::ExitedWithCode(1), "does not fit");
}
