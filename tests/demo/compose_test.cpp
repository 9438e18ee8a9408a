// Palette fades and the frame blends: clamped levels, entry ranges, the table lookups per pixel and
// the final conversion to 0x00RRGGBB.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "demo/compose.h"
#include "demo/palette_fade.h"

namespace {
std::vector<uint8_t> source_palette() {
  std::vector<uint8_t> p(768);
  for (int i = 0; i < 768; ++i) p[i] = static_cast<uint8_t>(255 - i % 256);
  return p;
}

struct Frame {
  PalettedBitmap bitmap{};
  Frame(int w, int h, uint8_t value) {
    create(bitmap, w, h);
    clear(bitmap, value);
  }
  ~Frame() { destroy(bitmap); }
};
}  // namespace

TEST(PaletteFade, LevelsAreClampedAndOnlyTheRangeIsWritten) {
  const std::vector<uint8_t> source = source_palette();
  std::vector<uint8_t> current(768, 7);

  fade_to_black(0, 255, source.data(), 64, current.data());
  for (int i = 0; i < 768; ++i) ASSERT_EQ(current[i], source[i] * 63 / 64) << i;
  fade_to_black(0, 255, source.data(), -1, current.data());
  for (int i = 0; i < 768; ++i) ASSERT_EQ(current[i], 0) << i;

  fade_to_white(0, 255, source.data(), 1000, current.data());
  for (int i = 0; i < 768; ++i) ASSERT_EQ(current[i], source[i] + (255 - source[i]) * 63 / 64) << i;
  fade_to_white(0, 255, source.data(), -5, current.data());
  EXPECT_EQ(current, source);

  std::vector<uint8_t> part(768, 7);
  fade_to_black(10, 11, source.data(), 32, part.data());
  EXPECT_EQ(part[29], 7);
  EXPECT_EQ(part[30], source[30] / 2);
  EXPECT_EQ(part[35], source[35] / 2);
  EXPECT_EQ(part[36], 7);
  fade_to_white(20, 19, source.data(), 32, part.data());  // last before first: nothing
  EXPECT_EQ(part[60], 7);
  fade_to_white(250, 300, source.data(), 32, part.data());  // clipped at entry 255
  EXPECT_EQ(part[767], source[767] + (255 - source[767]) / 2);
}

TEST(FrameBlend, FeedbackLooksUpNewTimesTwoFiftySixPlusOld) {
  std::vector<uint8_t> mix(65536);
  for (int i = 0; i < 65536; ++i) mix[i] = static_cast<uint8_t>((i >> 8) ^ (i * 3));
  Frame work(320, 200, 0), previous(320, 200, 0);
  for (int i = 0; i < 64000; ++i) {
    work.bitmap.pixels[i] = static_cast<uint8_t>(i);
    previous.bitmap.pixels[i] = static_cast<uint8_t>(i / 7);
  }
  feedback_blend(work.bitmap, previous.bitmap, mix.data());
  for (int i = 0; i < 64000; i += 61) ASSERT_EQ(work.bitmap.pixels[i], mix[(i & 255) * 256 + ((i / 7) & 255)]) << i;
}

TEST(FrameBlend, OverlayStepIsIntensityTimesOverlayOver4096) {
  std::vector<uint8_t> light(4096);
  for (int i = 0; i < 4096; ++i) light[i] = static_cast<uint8_t>((i >> 4) + 16 * (i & 15));
  Frame work(320, 200, 0);
  Bitmap8 overlay{};
  create(overlay, 320, 200);
  for (int i = 0; i < 64000; ++i) {
    work.bitmap.pixels[i] = static_cast<uint8_t>(i % 251);
    overlay.pixels[i] = static_cast<uint8_t>(i);
  }
  std::vector<uint8_t> before(work.bitmap.pixels, work.bitmap.pixels + 64000);

  overlay_blend(work.bitmap, overlay, light.data(), 16);  // (16 * 255) >> 12 = 0 everywhere
  for (int i = 0; i < 64000; ++i) ASSERT_EQ(work.bitmap.pixels[i], light[before[i] * 16]) << i;

  for (int i = 0; i < 64000; ++i) work.bitmap.pixels[i] = before[i];
  overlay_blend(work.bitmap, overlay, light.data(), 255);
  EXPECT_EQ(work.bitmap.pixels[255], light[before[255] * 16 + 15]);  // overlay 255: step 15
  EXPECT_EQ(work.bitmap.pixels[128], light[before[128] * 16 + 7]);   // 255 * 128 >> 12 = 7
  EXPECT_EQ(work.bitmap.pixels[16], light[before[16] * 16 + 0]);     // 255 * 16 >> 12 = 0
  EXPECT_EQ(work.bitmap.pixels[17], light[before[17] * 16 + 1]);     // 255 * 17 >> 12 = 1

  for (int i = 0; i < 64000; ++i) work.bitmap.pixels[i] = before[i];
  overlay_blend(work.bitmap, overlay, light.data(), 4000);  // taken as 255: never past step 15
  EXPECT_EQ(work.bitmap.pixels[255], light[before[255] * 16 + 15]);
  destroy(overlay);
}

// Layers mostly zero with scattered bytes, over frames holding the colours that step 0 changes;
// every intensity, tables with few and with many such colours, odd widths and pitches.
TEST(FrameBlend, OverlayAndFeedbackMatchTheFormulaOnSparseLayersAndOddSizes) {
  std::vector<uint8_t> fewMovers(4096), manyMovers(4096), mix(65536);
  for (int i = 0; i < 4096; ++i) {
    const int c = i >> 4, step = i & 15;
    fewMovers[i] = static_cast<uint8_t>(step == 0 ? (c == 9 || c == 200 || c == 77 ? c + 1 : c) : (c * 7 + step) & 255);
    manyMovers[i] = static_cast<uint8_t>(step == 0 ? (c % 50 == 0 ? c ^ 1 : c) : (c * 5 + step) & 255);
  }
  for (int i = 0; i < 65536; ++i) mix[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  for (int width : {320, 37, 16, 15}) {
    const int height = 9;
    Frame work(width, height, 0), previous(width, height, 0);
    Bitmap8 layer{};
    create(layer, width + 3, height);  // a wider layer: only the common part is blended
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int i = y * width + x;
        // Colours that step 0 changes only in the first columns and in columns 64-69.
        int colour = (i * 31) & 255;
        if (colour == 9 || colour == 200 || colour == 77) ++colour;
        frame[i] = static_cast<uint8_t>(x < 6 ? 200 : x >= 64 && x < 70 ? 9 : colour);
        previous.bitmap.pixels[y * previous.bitmap.pitch + x] = static_cast<uint8_t>(i * 17);
      }
    }
    for (const std::vector<uint8_t>* light : {&fewMovers, &manyMovers}) {
      for (int intensity = 0; intensity <= 255; intensity += 3) {
        // Runs of zeros, runs of the largest byte that still gives step 0 with one byte that just
        // does not, and a few bytes of every size.
        const int quiet = intensity == 0 ? 255 : std::min(255, (4095 / intensity));
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width + 3; ++x) {
            const int i = y * (width + 3) + x;
            const int band = x % 40;
            layer.pixels[i] = static_cast<uint8_t>(band < 16   ? 0
                                                   : band < 35 ? (band == 20 + y ? std::min(255, quiet + 1) : quiet)
                                                               : (i * 37) & 255);
          }
        }
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x) work.bitmap.pixels[y * work.bitmap.pitch + x] = frame[y * width + x];
        overlay_blend(work.bitmap, layer, light->data(), intensity);
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            const int step = (intensity * layer.pixels[y * (width + 3) + x]) >> 12;
            ASSERT_EQ(work.bitmap.pixels[y * work.bitmap.pitch + x], (*light)[frame[y * width + x] * 16 + step])
                << width << " " << intensity << " " << x << " " << y;
          }
        }
      }
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) work.bitmap.pixels[y * work.bitmap.pitch + x] = frame[y * width + x];
    feedback_blend(work.bitmap, previous.bitmap, mix.data());
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(work.bitmap.pixels[y * work.bitmap.pitch + x],
                  mix[frame[y * width + x] * 256 + previous.bitmap.pixels[y * previous.bitmap.pitch + x]]);
      }
    }
    destroy(layer);
  }
}

TEST(FrameOutput, EachPixelBecomesItsPaletteColour) {
  Frame work(4, 2, 0);
  for (int i = 0; i < 256; ++i) {
    work.bitmap.palette[i * 3] = static_cast<uint8_t>(i);
    work.bitmap.palette[i * 3 + 1] = static_cast<uint8_t>(i ^ 0x55);
    work.bitmap.palette[i * 3 + 2] = static_cast<uint8_t>(255 - i);
  }
  const uint8_t indices[8] = {0, 1, 2, 255, 128, 64, 32, 16};
  for (int i = 0; i < 8; ++i) work.bitmap.pixels[i] = indices[i];
  std::vector<uint32_t> pixels(2 * 6, 0xDEADBEEF);  // rows of 6: the pitch is wider than the frame
  Bitmap32 frame{pixels.data(), 4, 2, 24};
  convert_to_frame(frame, work.bitmap);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      uint32_t c = indices[y * 4 + x];
      EXPECT_EQ(pixels[y * 6 + x], c << 16 | (c ^ 0x55) << 8 | (255 - c)) << x << "," << y;
    }
  EXPECT_EQ(pixels[4], 0xDEADBEEFu);
  EXPECT_EQ(pixels[11], 0xDEADBEEFu);

  // Widths that are no multiple of four, and a frame narrower than the work bitmap.
  Frame wide(11, 3, 0);
  std::memcpy(wide.bitmap.palette, work.bitmap.palette, 768);
  for (int i = 0; i < 33; ++i) wide.bitmap.pixels[i] = static_cast<uint8_t>(i * 37);
  for (int width : {11, 7, 1}) {
    std::vector<uint32_t> out(3 * 12, 0xDEADBEEF);
    Bitmap32 narrow{out.data(), width, 3, 48};
    convert_to_frame(narrow, wide.bitmap);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 12; ++x) {
        const uint32_t c = static_cast<uint8_t>((y * 11 + x) * 37);
        EXPECT_EQ(out[y * 12 + x], x < width ? c << 16 | (c ^ 0x55) << 8 | (255 - c) : 0xDEADBEEFu) << width << " " << x;
      }
    }
  }
}
