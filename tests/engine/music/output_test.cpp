// Wave output on the stepped null device: start and stop in every order, the position right
// after start, the heard PCM against an offline render across the buffer wrap, and the glue.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/music/xm_builder.h"
#include "music/module.h"
#include "music/output.h"
#include "music/playback.h"
#include "music/render.h"
#include "music/stream.h"
#include "platform/null_backend.h"
#include "music/music_glue.h"
#include "shell/shell.h"

namespace {

struct ModuleDeleter {
  void operator()(Module* module) const { module_free(module); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr load(const std::vector<uint8_t>& bytes) {
  return ModulePtr(module_create_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size())));
}

constexpr uint64_t SegmentBytes = 884 * 4;

class WaveOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    null_wave_set_stepped(true);
    null_wave_fail_open(false);
  }
  void TearDown() override {
    null_wave_set_stepped(false);
    null_wave_fail_open(false);
  }
  // Waits until the output thread has caught up with the device's heard segment.
  static bool caught_up(int32_t heard) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (playback().playSegment.load() != heard) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
};

TEST_F(WaveOutput, RefusesNullModulesAndMissingStreamOperations) {
  EXPECT_FALSE(player_start(nullptr));
  EXPECT_FALSE(player_stop(nullptr));
  EXPECT_EQ(player_position(nullptr), 0);
  ModulePtr m = load(build_test_song(3, 160));
  ASSERT_TRUE(m);

  stream_ops_install(nullptr);
  EXPECT_FALSE(player_start(m.get()));
  EXPECT_EQ(playback().thread, nullptr);
  stream_ops_install(&memory_stream_ops());

  EXPECT_TRUE(player_stop(m.get()));
}

// Without a sound device the show must not freeze at position 0: the music plays silently on the
// monotonic clock, the glue says so once, and a stop leaves nothing running. Only the direction
// of time is asserted (the clock is real): the position leaves 0 and never goes back.
TEST_F(WaveOutput, WithoutADeviceTheMusicMovesOnTheClockAndSaysSo) {
  std::vector<uint8_t> song = build_test_song(1, 125);  // a row every 882 frames
  null_wave_fail_open(true);
  ASSERT_EQ(music_create(song.data(), static_cast<uint32_t>(song.size())), 0);
  music_start();
  EXPECT_TRUE(player_silent());
  EXPECT_NE(playback().thread, nullptr);
  EXPECT_NE(std::string(null_os_last_notice()).find("without sound"), std::string::npos);
  int last = music_position();
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (music_position() < 3 && std::chrono::steady_clock::now() < limit) {
    int now = music_position();
    ASSERT_GE(now, last);
    last = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GE(music_position(), 3);
  music_free();
  EXPECT_FALSE(player_silent());
  EXPECT_EQ(playback().thread, nullptr);
}

TEST_F(WaveOutput, PositionRightAfterStartIsTheRowReachedAfterTwentyMilliseconds) {
  // Speed 1 at 125 BPM: 882 frames a row, so the first segment ends in row 1.
  ModulePtr fast = load(build_test_song(1, 125));
  ASSERT_TRUE(player_start(fast.get()));
  EXPECT_EQ(player_position(fast.get()), 1);
  EXPECT_EQ(player_row(fast.get()), 1);
  EXPECT_EQ(player_order(fast.get()), 0);
  EXPECT_TRUE(player_stop(fast.get()));
  // Speed 6: the first row lasts 5,292 frames; the position is still 0.
  ModulePtr slow = load(build_test_song(6, 125));
  ASSERT_TRUE(player_start(slow.get()));
  EXPECT_EQ(player_position(slow.get()), 0);
  EXPECT_TRUE(player_stop(slow.get()));
}

TEST_F(WaveOutput, HeardAudioEqualsTheOfflineRenderAcrossTheBufferWrap) {
  std::vector<uint8_t> song = build_test_song(3, 160);
  constexpr int Segments = 230;
  std::vector<int16_t> offline;
  std::vector<int> timeline;
  {
    ModulePtr m = load(song);
    ASSERT_TRUE(render_open(m.get()));
    for (int s = 0; s < Segments; ++s) {
      int32_t segment = playback().writeSegment;
      render_segment();
      const int16_t* pcm = render_segment_pcm(segment);
      offline.insert(offline.end(), pcm, pcm + 884 * 2);
      timeline.push_back(position_ring_entry(playback(), segment));
    }
    render_close();
  }

  ModulePtr m = load(song);
  ASSERT_TRUE(player_start(m.get()));
  Playback& state = playback();
  for (int i = 0; i < Segments; ++i) {
    int32_t heard = i % 100;
    ASSERT_TRUE(caught_up(heard)) << i;
    // The position is the ring entry of the heard segment.
    ASSERT_EQ(player_position(m.get()), timeline[i]) << i;
    const int16_t* playing = state.pcm + heard * 884 * 2;
    for (int v = 0; v < 884 * 2; v += 7) ASSERT_EQ(playing[v], offline[i * 884 * 2 + v]) << i << " " << v;
    // The device moves on by one segment, in two steps that do not fall on a segment edge.
    null_wave_advance(SegmentBytes / 2 + 4);
    null_wave_advance(SegmentBytes / 2 - 4);
  }
  EXPECT_TRUE(player_stop(m.get()));
  EXPECT_EQ(state.thread, nullptr);
  EXPECT_EQ(state.pcm, nullptr);
  EXPECT_EQ(state.positionRing, nullptr);
  EXPECT_EQ(player_position(m.get()), 0);
}

TEST_F(WaveOutput, DeviceJumpingSeveralSegmentsIsCaughtUpInOnePoll) {
  ModulePtr m = load(build_test_song(3, 160));
  ASSERT_TRUE(player_start(m.get()));
  null_wave_advance(SegmentBytes * 37 + 100);
  ASSERT_TRUE(caught_up(37));
  EXPECT_EQ(player_position(m.get()), 1 << 8);  // segment 37 ends in order 1, row 0 (16 rows of 2,067 frames)
  // Past the end of the buffer: the heard segment wraps to the start.
  null_wave_advance(SegmentBytes * 70);
  ASSERT_TRUE(caught_up(7));
  EXPECT_TRUE(player_stop(m.get()));
}

TEST_F(WaveOutput, StopTwiceStopRightAfterStartAndFreeWhilePlaying) {
  ModulePtr m = load(build_test_song(3, 160));
  EXPECT_TRUE(player_stop(m.get()));  // stopped already: only the indices reset
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(player_start(m.get()));
    EXPECT_TRUE(player_stop(m.get()));  // the thread may not have begun yet
    EXPECT_TRUE(player_stop(m.get()));
    EXPECT_EQ(playback().thread, nullptr);
    EXPECT_EQ(playback().writeSegment, 0);
    EXPECT_EQ(playback().playSegment.load(), 0);
  }
  // Starting again while playing restarts cleanly; freeing the playing module stops it.
  ASSERT_TRUE(player_start(m.get()));
  null_wave_advance(SegmentBytes * 3);
  ASSERT_TRUE(player_start(m.get()));
  Module* raw = m.release();
  EXPECT_TRUE(module_free(raw));
  EXPECT_EQ(playback().module, nullptr);
  EXPECT_EQ(playback().thread, nullptr);
  EXPECT_FALSE(module_free(nullptr));
}

TEST_F(WaveOutput, RealTimeDeviceKeepsRendering) {
  null_wave_set_stepped(false);
  ModulePtr m = load(build_test_song(3, 160));
  ASSERT_TRUE(player_start(m.get()));
  // 60 ms of real time moves the heard segment by about three.
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (playback().playSegment.load() < 3 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_GE(playback().playSegment.load(), 3);
  EXPECT_TRUE(player_stop(m.get()));
}

TEST_F(WaveOutput, StartPositionStopLoops) {
  // The ThreadSanitizer build runs this with the output thread rendering under it.
  std::vector<uint8_t> song = build_test_song(2, 200);
  ModulePtr m = load(song);
  for (int round = 0; round < 8; ++round) {
    ASSERT_TRUE(player_start(m.get()));
    for (int step = 0; step < 20; ++step) {
      null_wave_advance(SegmentBytes + 13);
      int position = player_position(m.get());
      EXPECT_GE(position, 0);
      EXPECT_LT(position, 3 << 8);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    EXPECT_TRUE(player_stop(m.get()));
  }
}

TEST(MusicGlue, CreateStartPositionFree) {
  null_wave_set_stepped(true);
  EXPECT_EQ(music_position(), 0);
  music_start();  // no module: nothing happens
  std::vector<uint8_t> bytes = XmBuilder().build();
  bytes[0] = 'x';
  EXPECT_EQ(music_create(bytes.data(), static_cast<uint32_t>(bytes.size())), 3);
  EXPECT_EQ(music_position(), 0);
  std::vector<uint8_t> song = build_test_song(1, 125);
  ASSERT_EQ(music_create(song.data(), static_cast<uint32_t>(song.size())), 0);
  song.assign(song.size(), 0);  // the module keeps nothing of the caller's bytes
  EXPECT_EQ(music_position(), 0);
  music_start();
  EXPECT_EQ(music_position(), 1);
  null_wave_advance(SegmentBytes * 5);
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (playback().playSegment.load() != 5 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(music_position(), 6);  // one row a segment at speed 1, 125 BPM (882 < 884 frames)
  music_free();
  EXPECT_EQ(music_position(), 0);
  EXPECT_EQ(playback().thread, nullptr);
  music_free();
  null_wave_set_stepped(false);
}

}  // namespace
