// The show's script: scene choice at block edges, flashes, fades, the clear at the interlude,
// the greeting choice and the end of the show, checked through a recording SceneActions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/greetings.h"
#include "demo/timeline.h"

namespace {
struct Recorder : SceneActions {
  std::vector<std::string> log;
  int32_t nextRandom = 1000;
  void fade_to_black(int32_t level) override { log.push_back("black " + std::to_string(level)); }
  void fade_to_white(int32_t level) override { log.push_back("white " + std::to_string(level)); }
  void texture_effect(int32_t mode) override { log.push_back("texture " + std::to_string(mode)); }
  void object_effect(int32_t mode) override { log.push_back("object " + std::to_string(mode)); }
  void overlay(int32_t layer, int32_t intensity, int32_t noise) override {
    log.push_back("overlay " + std::to_string(layer) + " " + std::to_string(intensity) + " " + std::to_string(noise));
  }
  void inset(int32_t x, int32_t y, uint8_t border) override {
    log.push_back("inset " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(border));
  }
  void feedback() override { log.push_back("feedback"); }
  void clear_frames() override { log.push_back("clear"); }
  int32_t random() override { return nextRandom++; }
  bool has(const std::string& entry) const {
    for (const auto& e : log) if (e == entry) return true;
    return false;
  }
  std::string first_of(const std::string& prefix) const {
    for (const auto& e : log) if (e.rfind(prefix, 0) == 0) return e;
    return "";
  }
};

std::vector<std::string> frame(TimelineState& state, uint32_t p, uint32_t now = 0, bool* more = nullptr) {
  Recorder r;
  bool go = run_timeline(state, p, now, r);
  if (go) timeline_frame_done(state, p);
  if (more) *more = go;
  return r.log;
}

std::string texture_at(uint32_t p) {
  TimelineState state;
  Recorder r;
  run_timeline(state, p, 0, r);
  return r.first_of("texture");
}
}  // namespace

TEST(Timeline, SceneBlocksChangeExactlyAtTheirEdges) {
  EXPECT_EQ(texture_at(0x03FF), "texture 0");
  EXPECT_EQ(texture_at(0x0400), "texture 1");
  EXPECT_EQ(texture_at(0x07FF), "texture 1");
  EXPECT_EQ(texture_at(0x0800), "texture 7");
  EXPECT_EQ(texture_at(0x09FF), "texture 7");
  EXPECT_EQ(texture_at(0x0A00), "texture 2");
  EXPECT_EQ(texture_at(0x0DFF), "texture 2");
  EXPECT_EQ(texture_at(0x0E00), "texture 0");
  EXPECT_EQ(texture_at(0x13FF), "texture 0");
  EXPECT_EQ(texture_at(0x1400), "texture 3");
  EXPECT_EQ(texture_at(0x143F), "texture 3");
  EXPECT_EQ(texture_at(0x1440), "texture 4");
  EXPECT_EQ(texture_at(0x1500), "texture 6");
  EXPECT_EQ(texture_at(0x1540), "texture 7");
  EXPECT_EQ(texture_at(0x1600), "texture 4");
  EXPECT_EQ(texture_at(0x1640), "texture 6");
  EXPECT_EQ(texture_at(0x1700), "texture 3");
  EXPECT_EQ(texture_at(0x177F), "texture 7");
  EXPECT_EQ(texture_at(0x1780), "") << "rows 0x80 and above of the peak keep the frame";
  EXPECT_EQ(texture_at(0x17FF), "");
  EXPECT_EQ(texture_at(0x1800), "texture 10");
  EXPECT_EQ(texture_at(0x1BFF), "texture 10");
  EXPECT_EQ(texture_at(0x1C00), "texture 8");
  EXPECT_EQ(texture_at(0x1DFF), "texture 8");
  EXPECT_EQ(texture_at(0x1E00), "texture 1");
  EXPECT_EQ(texture_at(0x1FFF), "texture 1");
  EXPECT_EQ(texture_at(0x2000), "texture 2");
  EXPECT_EQ(texture_at(0x22FF), "texture 2") << "positions past the last order stay in the last block";
  EXPECT_EQ(texture_at(0xFFFF), "texture 2");
}

TEST(Timeline, StepsRunInTheirOrderWithinABlock) {
  TimelineState state;
  Recorder r;
  run_timeline(state, 0x1E40, 0, r);
  std::vector<std::string> expected = {"texture 1", "object 3", "overlay 5 235 1", "inset 220 130 0", "feedback"};
  EXPECT_EQ(r.log, expected);

  Recorder blobs;
  TimelineState s2;
  run_timeline(s2, 0x1C40, 0, blobs);
  std::vector<std::string> blobSteps = {"texture 8", "overlay -1 235 2", "object 3", "overlay -1 255 1", "feedback"};
  EXPECT_EQ(blobs.log, blobSteps) << "rand % 255 is drawn at the step that uses it";
}

TEST(Timeline, IntroFadesInAndFlashesTheTitleAndName) {
  TimelineState state;
  auto log = frame(state, 0x0000);
  EXPECT_EQ(log.front(), "black 0");
  log = frame(state, 0x007E);
  EXPECT_EQ(log.front(), "black 63");
  log = frame(state, 0x0100);
  EXPECT_EQ(log.front(), "texture 0") << "no palette step after order 0";
  // Order 2 row 0 starts a 255-level flash that decays one level per 20 ms.
  frame(state, 0x0200, 1000);
  log = frame(state, 0x0204, 1000 + 20 * 10);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "overlay 0 245 0") != log.end());
  log = frame(state, 0x0300, 5000);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "overlay 3 255 0") != log.end());
}

TEST(Timeline, WhiteFlashStartsOnlyOnRowsZeroToThreeAndDecaysEvery6ms) {
  TimelineState state;
  auto log = frame(state, 0x0400, 100);
  EXPECT_EQ(log.front(), "white 63");
  log = frame(state, 0x0403, 200);
  EXPECT_EQ(log.front(), "white 63") << "rows 0-3 restart the flash on every frame";
  log = frame(state, 0x0404, 200 + 6 * 5);
  EXPECT_EQ(log.front(), "white 58");
  log = frame(state, 0x041F, 200 + 6 * 63 + 5);
  EXPECT_EQ(log.front(), "white 0");
  log = frame(state, 0x0420, 900);
  EXPECT_NE(log.front().rfind("white", 0), 0u) << "after row 0x1F nothing rewrites the palette";

  // A window whose rows 0-3 were skipped starts no flash: the palette is written unchanged.
  TimelineState skipped;
  log = frame(skipped, 0x0605, 100);
  EXPECT_EQ(log.front(), "white 0");
}

TEST(Timeline, FadeInFromBlackAtOrderEight) {
  TimelineState state;
  auto log = frame(state, 0x0800, 1000);
  EXPECT_EQ(log.front(), "black 0");
  log = frame(state, 0x0810, 1000 + 6 * 20);
  EXPECT_EQ(log.front(), "black 20");
  log = frame(state, 0x0820, 5000);
  EXPECT_NE(log.front().rfind("black", 0), 0u);
  log = frame(state, 0x0910, 5000);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "overlay -1 64 3") != log.end()) << "dust at row x 4";
}

TEST(Timeline, InterludeClearsOnlyWhenReachedFromBelow) {
  TimelineState state;
  frame(state, 0x0DFF);
  auto log = frame(state, 0x0E00);
  EXPECT_EQ(log.front(), "clear");
  log = frame(state, 0x0E01);
  EXPECT_EQ(log.front(), "black 62");

  TimelineState backwards;
  frame(backwards, 0x1000);
  log = frame(backwards, 0x0E00);
  EXPECT_EQ(log.front(), "black 63") << "a seek backwards does not clear";

  TimelineState fresh;  // previous position starts at all ones
  EXPECT_EQ(frame(fresh, 0x0E00).front(), "black 63");

  TimelineState white;
  log = frame(white, 0x1340);
  EXPECT_EQ(log.front(), "white 32");
  log = frame(white, 0x1000);
  EXPECT_EQ(log.front(), "texture 0") << "orders 15-18 keep the palette";
}

TEST(Timeline, OrderThirteenFadesToBlackAndTheFinaleFadesOut) {
  TimelineState state;
  auto log = frame(state, 0x0D40);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "black 63") != log.end());
  log = frame(state, 0x0D7F);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "black 0") != log.end());
  log = frame(state, 0x0D90);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "black -17") != log.end()) << "clamped to 0 by the fade";

  log = frame(state, 0x2210);
  EXPECT_EQ(log.back(), "black 47");
  EXPECT_EQ(log[log.size() - 2], "feedback");
  log = frame(state, 0x2280);
  EXPECT_EQ(log.back(), "black 0");
  log = frame(state, 0x2100);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "overlay 0 255 1") != log.end());
  log = frame(state, 0x20FF);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "overlay -1 255 1") != log.end());
}

TEST(Timeline, GreetingsFollowTheRowsAndClamp) {
  EXPECT_EQ(greeting_index(0x1800), 0);
  EXPECT_EQ(greeting_index(0x180F), 0);
  EXPECT_EQ(greeting_index(0x1810), 1);
  EXPECT_EQ(greeting_index(0x1870), 7);
  EXPECT_EQ(greeting_index(0x1900), 8);
  EXPECT_EQ(greeting_index(0x1970), 15);
  EXPECT_EQ(greeting_index(0x19F0), 15) << "rows beyond 0x7F stay on the last greeting";
  TimelineState state;
  auto log = frame(state, 0x1935, 0);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "overlay 18 255 2") != log.end());  // GreetLayer0 + 11
  log = frame(state, 0x1A40, 0);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "object 1") != log.end());
  EXPECT_EQ(log.front(), "texture 10");
}

TEST(Timeline, ShowEndsOnlyAfterTheSecondHalfWhenTheTuneWraps) {
  TimelineState state;
  bool more = true;
  frame(state, 0x0F00, 0, &more);
  EXPECT_TRUE(more);
  frame(state, 0x0000, 0, &more);
  EXPECT_TRUE(more) << "before the second half a low position never ends the show";
  frame(state, 0x1000, 0, &more);
  EXPECT_TRUE(more);
  frame(state, 0x07FF, 0, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(state.previousPosition, 0x1000u) << "the ending frame is not output";

  TimelineState late;
  frame(late, 0x2000, 0, &more);
  EXPECT_TRUE(more);
  frame(late, 0x0800, 0, &more);
  EXPECT_TRUE(more) << "0x0800 and above never end the show";
  frame(late, 0x0000, 0, &more);
  EXPECT_FALSE(more);

  TimelineState past;
  frame(past, 0x2100, 0, &more);
  frame(past, 0x0000, 0, &more);
  EXPECT_TRUE(more) << "only positions from 0x1000 to 0x2000 arm the end";
}

TEST(Timeline, FlashLevelExpiresAndHandlesTheClockWrapping) {
  Flash flash{};
  EXPECT_EQ(flash_level(flash, 123), 0);
  start_flash(flash, 63, 6, 0xFFFFFFF0u);
  EXPECT_EQ(flash_level(flash, 0xFFFFFFF0u + 12), 61);
  EXPECT_EQ(flash_level(flash, 0x00000020u), 63 - (0x30 / 6)) << "unsigned elapsed time across the wrap";
  EXPECT_EQ(flash_level(flash, 0xFFFFFFF0u + 6 * 64), 0);
  EXPECT_EQ(flash.period, 0u) << "an expired flash becomes inactive";
  EXPECT_EQ(flash_level(flash, 0xFFFFFFF0u), 0);
}
