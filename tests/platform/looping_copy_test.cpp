// The SDL2 wave device's copy from the looping buffer: the cursor wraps at the end exactly like a
// looping winmm header, for requests shorter than, equal to and longer than the loop.
#include <gtest/gtest.h>

#include <vector>

#include "sdl2/looping_copy.h"

namespace {
const uint8_t kLoop[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
}

TEST(LoopingCopy, WrapsAtTheEndOfTheLoop) {
  std::vector<uint8_t> out(8, 0xEE);
  uint32_t cursor = 7;
  copy_from_loop(out.data(), 8, kLoop, 10, &cursor);
  EXPECT_EQ(out, (std::vector<uint8_t>{7, 8, 9, 0, 1, 2, 3, 4}));
  EXPECT_EQ(cursor, 5u);
}

TEST(LoopingCopy, EndingExactlyAtTheEndPutsTheCursorBackToTheStart) {
  std::vector<uint8_t> out(3);
  uint32_t cursor = 7;
  copy_from_loop(out.data(), 3, kLoop, 10, &cursor);
  EXPECT_EQ(out, (std::vector<uint8_t>{7, 8, 9}));
  EXPECT_EQ(cursor, 0u);
}

TEST(LoopingCopy, RequestsLongerThanTheLoopGoRoundSeveralTimes) {
  std::vector<uint8_t> out(25);
  uint32_t cursor = 0;
  copy_from_loop(out.data(), 25, kLoop, 10, &cursor);
  for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], i % 10) << "byte " << i;
  EXPECT_EQ(cursor, 5u);
  // Successive small requests give the same stream as one large one.
  std::vector<uint8_t> pieces;
  cursor = 0;
  for (int i = 0; i < 5; ++i) {
    uint8_t chunk[5];
    copy_from_loop(chunk, 5, kLoop, 10, &cursor);
    pieces.insert(pieces.end(), chunk, chunk + 5);
  }
  EXPECT_EQ(pieces, out);
}

TEST(LoopingCopy, NoLoopGivesSilenceAndLeavesTheCursor) {
  std::vector<uint8_t> out(6, 0xEE);
  uint32_t cursor = 3;
  copy_from_loop(out.data(), 6, nullptr, 0, &cursor);
  EXPECT_EQ(out, std::vector<uint8_t>(6, 0));
  EXPECT_EQ(cursor, 3u);
}

TEST(LoopingCopy, ACursorPastTheEndStartsAgainAtZero) {
  std::vector<uint8_t> out(2);
  uint32_t cursor = 40;  // the loop was replaced by a shorter one
  copy_from_loop(out.data(), 2, kLoop, 10, &cursor);
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(cursor, 2u);
}
