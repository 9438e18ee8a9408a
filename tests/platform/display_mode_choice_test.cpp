// The full-screen mode choice of the Windows display: 32 bits before 16, the smallest area that
// holds the frame, the first of equal areas, and nothing at all when no mode is large enough.
#include <gtest/gtest.h>

#include "win32/mode_choice.h"

namespace {
DisplayModeChoice choose(std::initializer_list<DisplayModeOffer> modes) {
  return choose_display_mode(modes.begin(), modes.size(), 320, 200);
}
}  // namespace

TEST(DisplayModeChoice, SmallestThirtyTwoBitModeThatHoldsTheFrameWins) {
  DisplayModeChoice c = choose({{640, 480, 32}, {320, 240, 32}, {320, 200, 16}, {800, 600, 32}, {1024, 768, 16}});
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.width, 320u);
  EXPECT_EQ(c.height, 240u);
  EXPECT_EQ(c.bits, 32u);
}

TEST(DisplayModeChoice, ModesSmallerThanTheFrameInEitherDirectionAreSkipped) {
  DisplayModeChoice c = choose({{320, 180, 32}, {300, 400, 32}, {640, 480, 32}, {320, 200, 8}});
  EXPECT_EQ(c.width, 640u);
  EXPECT_EQ(c.height, 480u);
  // A mode of exactly the frame's size holds it.
  c = choose({{640, 480, 32}, {320, 200, 32}});
  EXPECT_EQ(c.width, 320u);
  EXPECT_EQ(c.height, 200u);
}

TEST(DisplayModeChoice, EqualAreasKeepTheFirstListed) {
  DisplayModeChoice c = choose({{800, 600, 32}, {600, 800, 32}});
  EXPECT_EQ(c.width, 800u);
  c = choose({{600, 800, 32}, {800, 600, 32}});
  EXPECT_EQ(c.width, 600u);
  EXPECT_EQ(c.height, 800u);
}

TEST(DisplayModeChoice, SixteenBitsOnlyWhenNoThirtyTwoBitModeHoldsTheFrame) {
  DisplayModeChoice c = choose({{1024, 768, 16}, {320, 180, 32}, {640, 480, 16}, {1280, 1024, 24}});
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.bits, 16u);
  EXPECT_EQ(c.width, 640u);
  EXPECT_EQ(c.height, 480u);
}

TEST(DisplayModeChoice, NoFittingModeLeavesTheSizeAtZero) {
  DisplayModeChoice c = choose({{320, 180, 32}, {256, 256, 16}, {1024, 768, 8}});
  EXPECT_FALSE(c.found);
  EXPECT_EQ(c.width, 0u);
  EXPECT_EQ(c.height, 0u);
  EXPECT_FALSE(choose_display_mode(nullptr, 0, 320, 200).found);
}
