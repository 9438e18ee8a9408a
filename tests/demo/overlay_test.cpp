// Overlays, noise and the inset: the rand order of each noise (against plain rand calls), the
// grid's lattice, the whitening steps through LightShadeTable, and the inset's sampling and border.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "demo/inset.h"
#include "demo/noise.h"
#include "demo/overlay.h"
#include "demo/overlay_line.h"
#include "shell/crt_rand.h"

namespace {
// The first seed from 1 whose first rand values satisfy want.
template <typename Want>
uint32_t seed_where(Want want) {
  for (uint32_t seed = 1;; ++seed) {
    crt_srand(seed);
    int r1 = crt_rand();
    int r2 = crt_rand();
    if (want(r1, r2)) return seed;
  }
}

int plain_below(int n) {
  int r1 = crt_rand();
  int r2 = crt_rand();
  return (r1 * 128 + r2) % n;
}

// The noises written with one rand call at a time, as the show describes them.
void plain_speckle(uint8_t* layer) {
  int n = crt_rand() % 20;
  for (int i = 0; i < n; ++i) {
    int row = plain_below(200);
    int k = plain_below(200);
    for (int p = 0; p < k; ++p) {
      int column = plain_below(320);
      int value = 128 + plain_below(128);
      layer[row * 320 + column] = static_cast<uint8_t>(value);
    }
  }
}

void plain_dust(uint8_t* layer) {
  int n = crt_rand() % 30000;
  for (int i = 0; i < n; ++i) {
    int position = plain_below(64000);
    int value = plain_below(128);
    layer[position] = static_cast<uint8_t>(value);
  }
}

// A shade table whose step 0 is the colour itself and whose step k adds k.
std::vector<uint8_t> counting_shades() {
  std::vector<uint8_t> table(4096);
  for (int c = 0; c < 256; ++c)
    for (int k = 0; k < 16; ++k) table[c * 16 + k] = static_cast<uint8_t>(c + k);
  return table;
}

struct Screen {
  std::vector<uint8_t> layerPixels = std::vector<uint8_t>(64000, 0);
  std::vector<uint8_t> imagePixels = std::vector<uint8_t>(64000, 0);
  Bitmap8 layer{layerPixels.data(), 320, 200, 320};
  TextImage image{imagePixels.data(), 320, 200};
  PalettedBitmap work{};
  std::vector<uint8_t> workPixels = std::vector<uint8_t>(64000, 0);
  Screen() {
    work.pixels = workPixels.data();
    work.width = 320;
    work.height = 200;
    work.pitch = 320;
    for (int i = 0; i < 64000; ++i) workPixels[i] = static_cast<uint8_t>(i * 7 + i / 320);
  }
};
}  // namespace

TEST(Noise, SpeckleAndDustDrawRandInTheStatedOrder) {
  for (uint32_t seed : {1u, 2u, 417u, 123456u, 0xDEADBEEFu}) {
    std::vector<uint8_t> fast(64000, 0), plain(64000, 0);
    crt_srand(seed);
    noise_speckle(fast.data());
    uint32_t fastState = crt_rand_state();
    crt_srand(seed);
    plain_speckle(plain.data());
    EXPECT_EQ(fast, plain) << "speckle, seed " << seed;
    EXPECT_EQ(fastState, crt_rand_state()) << "speckle, seed " << seed;

    crt_srand(seed);
    noise_dust(fast.data());
    fastState = crt_rand_state();
    crt_srand(seed);
    plain_dust(plain.data());
    EXPECT_EQ(fast, plain) << "dust, seed " << seed;
    EXPECT_EQ(fastState, crt_rand_state()) << "dust, seed " << seed;
  }
  crt_srand(1);
}

TEST(Noise, SpeckleOfNoRowsLeavesTheImageAndDustStaysBelow128) {
  Screen s;
  for (int i = 0; i < 64000; ++i) s.imagePixels[i] = static_cast<uint8_t>(i % 97);
  std::vector<uint8_t> lst = counting_shades();

  // n = rand % 20 = 0: the layer is exactly the image, and only that one rand value was taken.
  uint32_t seed = seed_where([](int r1, int) { return r1 % 20 == 0; });
  crt_srand(seed);
  crt_rand();
  int second = crt_rand();
  crt_srand(seed);
  overlay(s.layer, &s.image, 255, 1, s.work, lst.data());
  EXPECT_EQ(s.layerPixels, s.imagePixels);
  EXPECT_EQ(crt_rand(), second);

  // Dust writes values below 128 only (whitening step 7 at most).
  std::vector<uint8_t> layer(64000, 255);
  crt_srand(seed_where([](int r1, int) { return r1 % 30000 > 1000; }));
  noise_dust(layer.data());
  int written = 0;
  for (uint8_t v : layer)
    if (v != 255) {
      EXPECT_LT(v, 128);
      ++written;
    }
  EXPECT_GT(written, 500);
  crt_srand(1);
}

TEST(Noise, GridAtAngleZeroIsALatticeSixtyApart) {
  std::vector<uint8_t> layer(64000, 0);
  draw_grid(layer.data(), 0, 77);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      bool vertical = x == 40 || x == 100 || x == 160 || x == 220 || x == 280;  // of x = 160 + 60i, i = -4..4
      bool horizontal = y == 40 || y == 100 || y == 160;                        // of y = 100 + 60i, i = -6..6
      ASSERT_EQ(layer[y * 320 + x], (vertical || horizontal) ? 77 : 0) << x << "," << y;
    }

  // Noise 2 takes the angle from the first rand value and the ink from the second.
  uint32_t seed = seed_where([](int r1, int r2) { return r1 % 30 == 0 && r2 % 255 != 0; });
  crt_srand(seed);
  crt_rand();
  int ink = crt_rand() % 255;
  std::vector<uint8_t> noise(64000, 0), expected(64000, 0);
  crt_srand(seed);
  noise_grid(noise.data());
  draw_grid(expected.data(), 0, static_cast<uint8_t>(ink));
  EXPECT_EQ(noise, expected);

  crt_srand(1);
}

TEST(Overlay, WhiteningStepsAndTheIntensitysLowByte) {
  std::vector<uint8_t> lst = counting_shades();
  {
    // No image, no noise: every pixel goes through step 0, whatever the intensity.
    Screen s;
    std::fill(s.layerPixels.begin(), s.layerPixels.end(), 99);
    std::vector<uint8_t> before = s.workPixels;
    for (int intensity : {0, 1, 128, 255, 1000}) overlay(s.layer, nullptr, intensity, 0, s.work, lst.data());
    EXPECT_EQ(s.workPixels, before);
    EXPECT_EQ(s.layerPixels, std::vector<uint8_t>(64000, 0));
  }
  {
    Screen s;
    std::fill(s.imagePixels.begin(), s.imagePixels.end(), 255);
    std::vector<uint8_t> before = s.workPixels;
    overlay(s.layer, &s.image, 0x100, 0, s.work, lst.data());  // low byte 0
    EXPECT_EQ(s.workPixels, before);
    overlay(s.layer, &s.image, 16, 0, s.work, lst.data());     // 16 x 255 >> 12 = 0
    EXPECT_EQ(s.workPixels, before);
    overlay(s.layer, &s.image, 17, 0, s.work, lst.data());     // step 1
    for (int i = 0; i < 64000; ++i) ASSERT_EQ(s.workPixels[i], static_cast<uint8_t>(before[i] + 1));
    overlay(s.layer, &s.image, 0x1FF, 0, s.work, lst.data());  // low byte 255: step 15
    for (int i = 0; i < 64000; ++i) ASSERT_EQ(s.workPixels[i], static_cast<uint8_t>(before[i] + 16));
  }
  {
    // A layer of another size is left alone rather than written past.
    Screen s;
    std::vector<uint8_t> small(100 * 100, 5);
    Bitmap8 wrong{small.data(), 100, 100, 100};
    std::vector<uint8_t> before = s.workPixels;
    overlay(wrong, &s.image, 255, 3, s.work, lst.data());
    EXPECT_EQ(s.workPixels, before);
    EXPECT_EQ(small, std::vector<uint8_t>(100 * 100, 5));
  }
}

TEST(Inset, ThumbnailSamplesTheOriginalFrameInsideABorder) {
  std::vector<uint8_t> frame(64000);
  auto original = [](int x, int y) { return static_cast<uint8_t>(x * 7 + y * 13 + 1); };
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) frame[y * 320 + x] = original(x, y);

  inset(frame.data(), 220, 130, 0);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      uint8_t expected = original(x, y);
      bool onBorder = ((y == 129 || y == 180) && x >= 219 && x <= 300) || ((x == 219 || x == 300) && y >= 129 && y <= 180);
      if (onBorder)
        expected = 0;
      else if (x >= 220 && x < 300 && y >= 130 && y < 180)
        expected = original(4 * (x - 220), 4 * (y - 130));  // sampled before the copy overwrote it
      ASSERT_EQ(frame[y * 320 + x], expected) << x << "," << y;
    }

  // Near the corner the border and thumbnail are clipped, and nothing wraps into other rows.
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) frame[y * 320 + x] = original(x, y);
  inset(frame.data(), 260, 170, 9);
  EXPECT_EQ(frame[169 * 320 + 259], 9);
  EXPECT_EQ(frame[169 * 320 + 319], 9);
  EXPECT_EQ(frame[199 * 320 + 259], 9);
  EXPECT_EQ(frame[199 * 320 + 319], original(4 * 59, 4 * 29));
  EXPECT_EQ(frame[170 * 320 + 0], original(0, 170));
  inset(frame.data(), -100000, 100000, 9);  // wholly off the frame: nothing drawn
}

TEST(OverlayLine, PointsOffTheBufferAreSkippedWithoutWrapping) {
  std::vector<uint8_t> buffer(64000, 0);
  draw_clipped_line(buffer.data(), 316, 10, 324, 10, 3);
  draw_clipped_line(buffer.data(), -4, 20, 3, 20, 4);
  draw_clipped_line(buffer.data(), 50, -10, 50, 205, 5);
  int count = 0;
  for (uint8_t v : buffer) count += v != 0;
  EXPECT_EQ(count, 4 + 4 + 200);
  EXPECT_EQ(buffer[11 * 320 + 0], 0);     // no wrap into the next row
  EXPECT_EQ(buffer[19 * 320 + 319], 0);   // nor into the previous one

  // The clipped line enters the walk part way; it must light exactly the on-screen points of the
  // whole walk, for lines in every direction, inside, across and wholly off the buffer.
  std::mt19937 pick(60);
  for (int trial = 0; trial < 3000; ++trial) {
    int span = trial < 1500 ? 700 : 40;  // long lines, then short ones near the edges
    int x1 = static_cast<int>(pick() % 900) - 290, y1 = static_cast<int>(pick() % 800) - 300;
    int x2 = x1 + static_cast<int>(pick() % (2 * span + 1)) - span, y2 = y1 + static_cast<int>(pick() % (2 * span + 1)) - span;
    if (trial % 7 == 0) y2 = y1;
    if (trial % 11 == 0) x2 = x1;
    std::vector<uint8_t> clipped(64000, 0), whole(64000, 0);
    draw_clipped_line(clipped.data(), x1, y1, x2, y2, 1);
    walk_line(x1, y1, x2, y2, [&](int x, int y) {
      if (x >= 0 && x < 320 && y >= 0 && y < 200) whole[y * 320 + x] = 1;
    });
    ASSERT_EQ(clipped, whole) << x1 << "," << y1 << " to " << x2 << "," << y2;
  }
}
