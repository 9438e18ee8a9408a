// Where the SDL2 display puts the frame: full screen at the largest whole scale, centred with odd
// remainders rounded down; the first window doubled from a 960 x 600 desktop up.
#include <gtest/gtest.h>

#include "sdl2/frame_fit.h"

namespace {
void expect_rect(const FrameRect& r, int32_t x, int32_t y, int32_t w, int32_t h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.width, w);
  EXPECT_EQ(r.height, h);
}
}  // namespace

TEST(FrameFit, LargestWholeScaleCentred) {
  expect_rect(fit_frame_whole(1920, 1080, 320, 200), 160, 40, 1600, 1000);  // 6 across, 5 down: 5
  expect_rect(fit_frame_whole(1280, 1024, 320, 200), 0, 112, 1280, 800);
  expect_rect(fit_frame_whole(640, 480, 320, 200), 0, 40, 640, 400);       // the doubled DirectDraw picture
  expect_rect(fit_frame_whole(320, 240, 320, 200), 0, 20, 320, 200);
}

TEST(FrameFit, OddRemaindersRoundDown) {
  expect_rect(fit_frame_whole(641, 401, 320, 200), 0, 0, 640, 400);
  expect_rect(fit_frame_whole(963, 605, 320, 200), 1, 2, 960, 600);
}

TEST(FrameFit, ScreenSmallerThanTheFrameShrinksItKeepingItsShape) {
  expect_rect(fit_frame_whole(200, 200, 320, 200), 0, 37, 200, 125);
  expect_rect(fit_frame_whole(320, 100, 320, 200), 80, 0, 160, 100);
}

TEST(FrameFit, EmptySizesGiveAnEmptyRectangle) {
  expect_rect(fit_frame_whole(0, 768, 320, 200), 0, 0, 0, 0);
  expect_rect(fit_frame_whole(1024, 768, 0, 200), 0, 0, 0, 0);
}

TEST(FrameFit, FirstWindowDoubledOnlyWhenTheDesktopHoldsThreeFrames) {
  int32_t w = 0, h = 0;
  first_window_size(960, 600, 320, 200, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 400);
  first_window_size(959, 1200, 320, 200, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
  first_window_size(1920, 599, 320, 200, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
}
