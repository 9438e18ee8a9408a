// Full-screen presentation's pixel work: centring, doubling, 16-bit layouts and row order.
#include <gtest/gtest.h>

#include <vector>

#include "win32/present_copy.h"

namespace {
std::vector<uint32_t> test_frame(uint32_t w, uint32_t h) {
  std::vector<uint32_t> frame(static_cast<size_t>(w) * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) frame[y * w + x] = 0x00010000u * (y & 0xFF) + x + 1;  // never 0
  return frame;
}
}  // namespace

TEST(PresentCopy, CentresWithoutDoublingIn320x240) {
  auto frame = test_frame(320, 200);
  std::vector<uint32_t> surface(320 * 240, 0);
  SurfaceDesc s{reinterpret_cast<uint8_t*>(surface.data()), 320, 240, 320 * 4, 32, 0};
  present_copy(s, frame.data(), 320, 200, 320, 240);
  for (int y = 0; y < 240; ++y) {
    bool inside = y >= 20 && y < 220;
    EXPECT_EQ(surface[y * 320 + 5] != 0, inside) << y;
  }
  EXPECT_EQ(surface[20 * 320 + 0], frame[0]);
  EXPECT_EQ(surface[219 * 320 + 319], frame[199 * 320 + 319]);
}

TEST(PresentCopy, DoublesIn640x480IntoTwoByTwoBlocks) {
  auto frame = test_frame(320, 200);
  std::vector<uint32_t> surface(640 * 480, 0);
  SurfaceDesc s{reinterpret_cast<uint8_t*>(surface.data()), 640, 480, 640 * 4, 32, 0};
  present_copy(s, frame.data(), 320, 200, 640, 480);
  for (int y = 0; y < 480; ++y) EXPECT_EQ(surface[y * 640 + 100] != 0, y >= 40 && y < 440) << y;
  for (int y = 0; y < 200; y += 37)
    for (int x = 0; x < 320; x += 41) {
      uint32_t p = frame[y * 320 + x];
      int oy = 40 + 2 * y, ox = 2 * x;
      EXPECT_EQ(surface[oy * 640 + ox], p);
      EXPECT_EQ(surface[oy * 640 + ox + 1], p);
      EXPECT_EQ(surface[(oy + 1) * 640 + ox], p);
      EXPECT_EQ(surface[(oy + 1) * 640 + ox + 1], p);
    }
}

TEST(PresentCopy, OddRemaindersRoundDownAndPitchIsHonoured) {
  auto frame = test_frame(4, 2);
  const int pitchPixels = 8;
  std::vector<uint32_t> surface(pitchPixels * 5, 0);
  SurfaceDesc s{reinterpret_cast<uint8_t*>(surface.data()), 7, 5, pitchPixels * 4, 32, 0};
  present_copy(s, frame.data(), 4, 2, 7, 5);
  // (7-4)/2 = 1 column, (5-2)/2 = 1 row
  EXPECT_EQ(surface[1 * pitchPixels + 1], frame[0]);
  EXPECT_EQ(surface[2 * pitchPixels + 4], frame[7]);
  EXPECT_EQ(surface[1 * pitchPixels + 0], 0u);
  EXPECT_EQ(surface[3 * pitchPixels + 1], 0u);
}

TEST(PresentCopy, SixteenBitLayoutsFollowTheGreenMaskAndNeverDouble) {
  EXPECT_EQ(pixel_to_565(0x00FFFFFF), 0xFFFF);
  EXPECT_EQ(pixel_to_555(0x00FFFFFF), 0x7FFF);
  EXPECT_EQ(pixel_to_565(0x00FF0000), 0xF800);
  EXPECT_EQ(pixel_to_565(0x0000FF00), 0x07E0);
  EXPECT_EQ(pixel_to_555(0x0000FF00), 0x03E0);
  EXPECT_EQ(pixel_to_555(0x000000FF), 0x001F);

  std::vector<uint32_t> frame(320 * 200, 0x00FFFFFF);
  std::vector<uint16_t> surface(640 * 480, 0);
  SurfaceDesc s565{reinterpret_cast<uint8_t*>(surface.data()), 640, 480, 640 * 2, 16, 0x07E0};
  present_copy(s565, frame.data(), 320, 200, 640, 480);
  int written = 0;
  for (uint16_t v : surface) written += v == 0xFFFF;
  EXPECT_EQ(written, 320 * 200) << "16-bit output is never doubled";
  EXPECT_EQ(surface[140 * 640 + 160], 0xFFFF);  // centred: (480-200)/2, (640-320)/2
  EXPECT_EQ(surface[139 * 640 + 160], 0);

  std::fill(surface.begin(), surface.end(), 0);
  SurfaceDesc s555{reinterpret_cast<uint8_t*>(surface.data()), 640, 480, 640 * 2, 16, 0x03E0};
  present_copy(s555, frame.data(), 320, 200, 640, 480);
  EXPECT_EQ(surface[140 * 640 + 160], 0x7FFF);
}

TEST(PresentCopy, OtherDepthsAndSmallSurfacesGetNothing) {
  auto frame = test_frame(320, 200);
  std::vector<uint32_t> surface(320 * 240, 0);
  SurfaceDesc s24{reinterpret_cast<uint8_t*>(surface.data()), 320, 240, 320 * 4, 24, 0};
  present_copy(s24, frame.data(), 320, 200, 320, 240);
  SurfaceDesc tiny{reinterpret_cast<uint8_t*>(surface.data()), 100, 100, 400, 32, 0};
  present_copy(tiny, frame.data(), 320, 200, 100, 100);
  for (uint32_t v : surface) ASSERT_EQ(v, 0u);
}

TEST(PresentCopy, BottomUpCopyStandsThePictureUpright) {
  auto frame = test_frame(3, 4);
  std::vector<uint32_t> dib(12, 0);
  present_copy_bottom_up(reinterpret_cast<uint8_t*>(dib.data()), frame.data(), 3, 4);
  for (int r = 0; r < 4; ++r)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dib[(3 - r) * 3 + x], frame[r * 3 + x]);
}
