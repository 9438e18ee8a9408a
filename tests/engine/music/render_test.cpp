// Offline segment rendering: the segment arithmetic, tick placement across segments, the
// position ring, the float to PCM conversion and a whole song rendered through the player.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/music/xm_builder.h"
#include "music/module.h"
#include "music/playback.h"
#include "music/render.h"

namespace {

struct ModuleDeleter {
  void operator()(Module* module) const { module_free(module); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr load(const std::vector<uint8_t>& bytes) {
  return ModulePtr(module_create_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size())));
}

// Keeps time like the player does, without touching channels: a row every `speed` ticks.
int g_ticks = 0;
void counting_ticks(Module* m) {
  ++g_ticks;
  if (m->tick == 0) {
    if (m->nextRow >= 0) m->row = m->nextRow;
    m->nextRow = m->row + 1;
  }
  if (++m->tick >= m->speed) m->tick = 0;
}

struct Offline {
  explicit Offline(Module* module) { opened = render_open(module); }
  ~Offline() { render_close(); }
  bool opened;
};

TEST(Render, SegmentArithmeticAt44100) {
  Playback& state = playback();
  playback_set_rates(state);
  EXPECT_EQ(state.rate, 44100);
  EXPECT_EQ(state.segmentFrames, 884);
  EXPECT_EQ(state.totalFrames, 88400);
  EXPECT_EQ(state.segmentCount, 100);
  EXPECT_EQ(state.rampLength, 128);
  EXPECT_EQ(state.rampReciprocal, 1.0f / 128.0f);
}

TEST(Render, ConvertsWithTiesToEvenAndClamps) {
  const float in[] = {0.5f,     1.5f,     2.5f,     -0.5f,   -1.5f,    -2.5f,    0.49999997f, 3.7f,
                      -3.7f,    40000.0f, -40000.f, 32767.5f, -32768.5f, 32766.5f, 1e30f,       -1e30f,
                      12345.5f, -0.0f};
  const int16_t expected[] = {0, 2, 2, 0, -2, -2, 0, 4, -4, 32767, -32768, 32767, -32768, 32766, 32767, -32768,
                              12346, 0};
  constexpr int count = sizeof(in) / sizeof(in[0]);
  int16_t out[count + 2];
  std::memset(out, 0x55, sizeof(out));
  convert_to_pcm16(out, in, count / 2);
  for (int i = 0; i < count; ++i) EXPECT_EQ(out[i], expected[i]) << i;
  EXPECT_EQ(out[count], 0x5555);  // nothing beyond 2 x frames
  // Odd offsets exercise the tail after the blocks of eight.
  convert_to_pcm16(out, in + 2, 3);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i + 2]) << i;
  out[0] = 77;
  convert_to_pcm16(out, in, 0);
  convert_to_pcm16(out, in, -3);
  convert_to_pcm16(nullptr, in, 4);
  convert_to_pcm16(out, nullptr, 4);
  EXPECT_EQ(out[0], 77);
}

TEST(Render, RingRecordsTheRowOfTheLastTickStartedInEachSegment) {
  // Speed 3 at 160 BPM: 689 frames a tick, 2,067 a row.
  XmBuilder b;
  b.channels(1).speed(3).bpm(160).orders({0});
  b.pattern(64);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  m->tickHandler = counting_ticks;
  g_ticks = 0;
  Offline offline(m.get());
  ASSERT_TRUE(offline.opened);
  Playback& state = playback();
  EXPECT_EQ(m->samplesPerTick, 689);
  const int rows[] = {0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 5};
  for (int s = 0; s < 12; ++s) {
    render_segment();
    EXPECT_EQ(position_ring_entry(state, s), rows[s]) << s;
    // Ticks start at multiples of 689 before the segment's end; a tick starting exactly at the
    // end belongs to the next segment.
    int end = 884 * (s + 1);
    int started = (end + 688) / 689;
    EXPECT_EQ(g_ticks, started) << s;
    EXPECT_EQ(m->samplesLeftInTick, started * 689 - end) << s;
  }
  EXPECT_EQ(state.writeSegment, 12);
}

int g_tempoTicks = 0;
void tempo_change(Module* m) {
  // The second tick switches to 100 frames a tick: it already lasts 100 frames.
  if (++g_tempoTicks == 2) m->samplesPerTick = 100;
  if (g_tempoTicks == 3) m->order = 7;
}

TEST(Render, TempoChangesApplyToTheTickJustStartedAndTheRingWraps) {
  XmBuilder b;
  b.channels(1).bpm(125).orders({0});
  b.pattern(1);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  m->tickHandler = tempo_change;
  g_tempoTicks = 0;
  Offline offline(m.get());
  ASSERT_TRUE(offline.opened);
  render_segment();
  // 882 frames for the first tick, then ticks of 100 frames from frame 882 on: the second at 882,
  // the third at 982 (in the next segment).
  EXPECT_EQ(g_tempoTicks, 2);
  EXPECT_EQ(m->samplesLeftInTick, 98);
  render_segment();
  EXPECT_EQ(position_ring_entry(playback(), 1), 7 << 8);
  for (int s = 2; s < 100; ++s) render_segment();
  EXPECT_EQ(playback().writeSegment, 0);
}

TEST(Render, SegmentsCarryTheMixedVoicesAsPcm) {
  XmBuilder b;
  b.channels(1).orders({0});
  b.pattern(1);
  add_simple_instrument(b, std::vector<int>(2000, 0), true, 1, 0, 2000);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  m->tickHandler = counting_ticks;
  Offline offline(m.get());
  ASSERT_TRUE(offline.opened);
  Playback& state = playback();
  for (const Voice& v : state.voices) ASSERT_EQ(v.stepInteger, 1u);
  // A constant 16-bit sample of 1200 (its first delta), fully left at constant gain.
  Sample* sample = m->instruments[0].samples[0];
  for (uint32_t i = 0; i < sample->length; ++i) sample->data[i] = 1200;
  sample->data[sample->length] = 1200;
  Voice& v = state.voices[3];
  v.sample = sample;
  v.direction = 1;
  v.targetLeft = v.lastTargetLeft = 255;
  v.currentLeft = 255 * 256;
  render_segment();
  render_segment();
  const int16_t* pcm = render_segment_pcm(1);
  for (int f = 0; f < 884; ++f) {
    ASSERT_EQ(pcm[2 * f], 1200) << f;
    ASSERT_EQ(pcm[2 * f + 1], 0) << f;
  }
  EXPECT_EQ(v.samplePosition, 2 * 884 % 2000u);
}

// The song rendered through the real player: it sounds, the ring follows the pattern rows, and
// a second render of the same bytes gives the same PCM.
std::vector<int16_t> render_song(const std::vector<uint8_t>& bytes, int segments, std::vector<int>* ring) {
  ModulePtr m = load(bytes);
  EXPECT_TRUE(m);
  if (!m) return {};
  Offline offline(m.get());
  EXPECT_TRUE(offline.opened);
  std::vector<int16_t> pcm;
  for (int s = 0; s < segments; ++s) {
    int32_t segment = playback().writeSegment;
    render_segment();
    const int16_t* data = render_segment_pcm(segment);
    pcm.insert(pcm.end(), data, data + 2 * 884);
    if (ring) ring->push_back(position_ring_entry(playback(), segment));
  }
  return pcm;
}

TEST(Render, WholeSongThroughThePlayerIsAudibleAndRepeatable) {
  std::vector<uint8_t> song = build_test_song(3, 160);
  std::vector<int> ring;
  std::vector<int16_t> first = render_song(song, 250, &ring);
  std::vector<int16_t> second = render_song(song, 250, nullptr);
  ASSERT_EQ(first.size(), 250u * 884 * 2);
  EXPECT_EQ(first, second);
  int loud = 0;
  for (int16_t value : first) loud += value > 1000 || value < -1000;
  EXPECT_GT(loud, 10000);
  const int rows[] = {0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 5};
  for (int s = 0; s < 12; ++s) EXPECT_EQ(ring[s], rows[s]) << s;
  // Order 0 has 16 rows of 2,067 frames: order 1 starts at frame 33,072, in segment 37.
  EXPECT_EQ(ring[36] >> 8, 0);
  EXPECT_EQ(ring[37], 1 << 8);
}

}  // namespace
