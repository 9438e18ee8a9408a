// Effect and volume-column commands tick by tick: what each does at the first tick of its row,
// at the later ticks, with its memory, and where its limits hold.
#include <algorithm>
#include <vector>

#include "music/effects.h"
#include "music/periods.h"
#include "player_fixture.h"

namespace {
constexpr uint8_t C4 = 49, E4 = 53, B7 = 96;
}  // namespace

class EffectsTest : public PlayerTest {
 protected:
  // The values of one field after each of the next n ticks.
  template <typename Field>
  std::vector<int> track(int n, Field field) {
    std::vector<int> values;
    for (int i = 0; i < n; ++i) {
      ticks(1);
      values.push_back(field());
    }
    return values;
  }
  XmPattern& pattern() { return song_.patterns()[0]; }
  void play() { ASSERT_NE(load(song_), nullptr); }
  XmBuilder song_ = simple_song(6);
};

using V = std::vector<int>;

TEST_F(EffectsTest, ArpeggioCyclesBaseXAndYSemitonesInBothTables) {
  pattern().cell(0, 0, C4, 1, 0, 0x0, 0x37);
  play();
  EXPECT_EQ(track(6, [&] { return channel(0).periodOffset; }), (V{0, 192, 448, 0, 192, 448}));

  song_.linear(false);
  play();
  int up3 = amiga_period(51, 0) - amiga_period(48, 0);
  int up7 = amiga_period(55, 0) - amiga_period(48, 0);
  EXPECT_LT(up3, 0);
  EXPECT_EQ(track(3, [&] { return channel(0).periodOffset; }), (V{0, up3, up7}));
}

TEST_F(EffectsTest, PortamentoUpStopsAt56DownHasNoLimitBothRemember) {
  song_ = simple_song(3);
  pattern().cell(0, 0, C4, 1, 0, 0x1, 0x10).cell(1, 0, 0, 0, 0, 0x1, 0x00);
  pattern().cell(0, 1, C4, 1, 0, 0x2, 0x20).cell(1, 1, 0, 0, 0, 0x2, 0x00);
  pattern().cell(0, 2, B7, 1, 0, 0x1, 0xFF);
  play();
  EXPECT_EQ(track(3, [&] { return channel(0).period; }), (V{4608, 4544, 4480}));
  ticks(3);
  EXPECT_EQ(channel(0).period, 4608 - 256);
  EXPECT_EQ(channel(1).period, 4608 + 512);
  EXPECT_EQ(channel(2).period, 56);  // 1600 - 1020 = 580, then the floor
}

TEST_F(EffectsTest, VibratoFromEffectAndVolumeColumnFollowsTheSine) {
  pattern().cell(0, 0, C4, 1, 0, 0x4, 0x48);
  pattern().cell(0, 1, C4, 1, 0xA4).cell(1, 1, 0, 0, 0xB8);  // speed on row 0, depth on row 1
  play();
  EXPECT_EQ(track(4, [&] { return channel(0).periodOffset; }), (V{0, 0, -24, -44}));
  ticks(2);
  EXPECT_EQ(track(4, [&] { return channel(1).periodOffset; }), (V{0, 0, -24, -44}));
  EXPECT_EQ(lfo_wave(1, 4), 32);
  EXPECT_EQ(lfo_wave(1, -4), 31);
  EXPECT_EQ(lfo_wave(2, -20), 255);
}

TEST_F(EffectsTest, TonePortamentoWithVolumeSlideSlidesBoth) {
  pattern().cell(0, 0, C4, 1).cell(1, 0, E4, 0, 0, 0x3, 0x08).cell(2, 0, C4, 0, 0, 0x5, 0x02);
  play();
  ticks(12);
  EXPECT_EQ(channel(0).period, 4608 - 5 * 32);  // toward E-4 at 8 x 4 a tick
  EXPECT_EQ(channel(0).volume, 64);
  ticks(6);
  EXPECT_EQ(channel(0).period, 4608);  // back to C-4 with the remembered speed
  EXPECT_EQ(channel(0).volume, 64 - 10);
  EXPECT_EQ(voice_index(0), 0);
}

TEST_F(EffectsTest, TremoloStaysInsideTheVolumeRangeAndItsLastOffsetStays) {
  for (int row = 0; row < 8; ++row) pattern().cell(row, 0, row == 0 ? C4 : 0, row == 0 ? 1 : 0, 0, 0x7, 0x8F);
  pattern().at(0, 0).volume = 0x4C;  // volume 60
  pattern().cell(8, 0, 0, 0, 0, 0x8, 0x80);
  play();
  int lowest = 64, highest = 0, last = 0;
  for (int t = 0; t < 48; ++t) {
    ticks(1);
    int heard = channel(0).volume + channel(0).volumeOffset;
    ASSERT_GE(heard, 0);
    ASSERT_LE(heard, 64);
    lowest = std::min(lowest, heard);
    highest = std::max(highest, heard);
    last = channel(0).volumeOffset;
  }
  EXPECT_EQ(highest, 64);
  EXPECT_EQ(lowest, 60 - 59);  // the sine peaks at 255, not 256: 15 * 255 >> 6
  ASSERT_NE(last, 0);
  ticks(1);  // row 8: another effect
  EXPECT_EQ(channel(0).volume, 60 + last);
}

TEST_F(EffectsTest, TremorSoundsThreeTicksAndRestsTwoAcrossRows) {
  pattern().cell(0, 0, C4, 1, 0, 0x1D, 0x21).cell(1, 0, 0, 0, 0, 0x1D, 0x00);
  play();
  EXPECT_EQ(track(12, [&] { return voice(0).volume; }),
            (V{127, 127, 127, 0, 0, 127, 127, 127, 0, 0, 127, 127}));
}

TEST_F(EffectsTest, MultiRetrigRestartsEveryThirdTickWithTheVolumeTable) {
  pattern().cell(0, 0, C4, 1, 0, 0x1B, 0x13).cell(1, 0, 0, 0, 0, 0x1B, 0x13);
  play();
  EXPECT_EQ(track(12, [&] { return voice_index(0); }), (V{0, 0, 0, 32, 32, 32, 32, 32, 32, 0, 0, 0}));
  EXPECT_EQ(channel(0).volume, 62);

  const int expected[16] = {40, 39, 38, 36, 32, 24, 26, 20, 40, 41, 42, 44, 48, 56, 60, 64};
  for (int change = 0; change < 16; ++change) {
    Channel c{};
    c.volume = 40;
    retrig_volume(&c, static_cast<uint8_t>(change));
    EXPECT_EQ(c.volume, expected[change]) << change;
    EXPECT_EQ(c.updateFlags, change == 0 ? 0 : UpdateVolume) << change;
  }
  Channel low{};
  low.volume = 10;
  retrig_volume(&low, 5);
  EXPECT_EQ(low.volume, 0);
}

TEST_F(EffectsTest, VolumeColumnSlidesEveryTickFineOnlyOnTheFirst) {
  pattern().cell(0, 0, C4, 1, 0x65).cell(0, 1, C4, 1, 0x85).cell(0, 2, C4, 1, 0x28).cell(1, 2, 0, 0, 0x73);
  play();
  EXPECT_EQ(track(6, [&] { return channel(0).volume; }), (V{59, 54, 49, 44, 39, 34}));
  EXPECT_EQ(channel(1).volume, 59);
  EXPECT_EQ(channel(2).volume, 24);
  EXPECT_EQ(track(6, [&] { return channel(2).volume; }), (V{27, 30, 33, 36, 39, 42}));
}

TEST_F(EffectsTest, VolumeColumnPanningSlidesAreUnclampedUntilApplied) {
  pattern().cell(0, 0, C4, 1, 0, 0x8, 0x02).cell(1, 0, 0, 0, 0xD5).cell(2, 0, 0, 0, 0xEF);
  pattern().cell(0, 1, C4, 1, 0xC3);
  play();
  ticks(12);
  EXPECT_EQ(channel(0).panning, 2 - 30);
  EXPECT_EQ(voice(0).panning, 0);
  EXPECT_EQ(channel(1).panning, 48);
  ticks(6);
  EXPECT_EQ(channel(0).panning, 2 - 30 + 90);
  EXPECT_EQ(voice(0).panning, 62);
}

TEST_F(EffectsTest, NoteCutAndNoteDelayWithZeroAndLaterTicks) {
  pattern().cell(0, 0, C4, 1, 0, 0xE, 0xC2).cell(0, 1, C4, 1, 0, 0xE, 0xC0);
  pattern().cell(0, 2, C4, 1).cell(1, 2, E4, 0, 0, 0xE, 0xD2);
  pattern().cell(0, 3, C4, 1).cell(1, 3, E4, 0, 0, 0xE, 0xD0);
  play();
  EXPECT_EQ(track(3, [&] { return channel(0).volume; }), (V{64, 64, 0}));
  ticks(3);
  EXPECT_EQ(channel(1).volume, 64);  // EC0 cuts nothing
  EXPECT_EQ(track(6, [&] { return voice_index(2) * 10000 + channel(2).period; }),
            (V{24608, 24608, 344352, 344352, 344352, 344352}));
  ticks(6);
  EXPECT_EQ(voice_index(3), 3);  // ED0: the new note never starts
  EXPECT_EQ(channel(3).period, 4608);

  song_ = simple_song(6);
  pattern().cell(0, 0, C4, 1, 0, 0xE, 0xD0);
  play();
  ticks(6);
  EXPECT_EQ(voice(0).sample, nullptr);
}

TEST_F(EffectsTest, SampleOffsetStartsLateOrRestartsTheVoiceAtOrBeyondTheEnd) {
  song_ = XmBuilder();
  song_.channels(2).speed(2).orders({0});
  song_.pattern(64);
  add_simple_instrument(song_, std::vector<int>(1024, 10));
  pattern().cell(0, 0, C4, 1, 0, 0x9, 0x02).cell(1, 0, C4, 1, 0, 0x9, 0x04).cell(2, 0, E4, 1, 0, 0x9, 0x03);
  play();
  ticks(1);
  EXPECT_EQ(voice(0).samplePosition, 512u);
  ticks(1);
  voice(0).samplePosition = 300;  // as if the mixer had played on
  ticks(1);
  EXPECT_EQ(voice_index(0), 0);
  EXPECT_EQ(voice(32).sample, nullptr);
  EXPECT_EQ(voice(0).samplePosition, 0u);
  ticks(2);
  EXPECT_EQ(voice_index(0), 32);
  EXPECT_EQ(voice(32).samplePosition, 768u);
}

TEST_F(EffectsTest, GlobalVolumeSetAndSlideWithMemory) {
  pattern().cell(0, 0, 0, 0, 0, 0x10, 0x20).cell(1, 0, 0, 0, 0, 0x11, 0x20);
  pattern().cell(2, 0, 0, 0, 0, 0x11, 0x01).cell(3, 0, 0, 0, 0, 0x11, 0x00);
  pattern().cell(4, 0, 0, 0, 0, 0x10, 0x50);
  play();
  ticks(6);
  EXPECT_EQ(module_->globalVolume, 32);
  ticks(6);
  EXPECT_EQ(module_->globalVolume, 42);
  ticks(12);
  EXPECT_EQ(module_->globalVolume, 32);
  ticks(1);
  EXPECT_EQ(module_->globalVolume, 64);
}

TEST_F(EffectsTest, PanningSetSlideAndCoarsePanning) {
  pattern().cell(0, 0, C4, 1, 0, 0x8, 0xF8).cell(1, 0, 0, 0, 0, 0x19, 0x30).cell(2, 0, 0, 0, 0, 0x19, 0x0F);
  pattern().cell(3, 0, 0, 0, 0, 0x19, 0x00).cell(4, 0, 0, 0, 0, 0xE, 0x8F);
  play();
  ticks(1);
  EXPECT_EQ(voice(0).panning, 0xF8);
  ticks(11);
  EXPECT_EQ(channel(0).panning, 255);
  ticks(6);
  EXPECT_EQ(channel(0).panning, 255 - 75);
  ticks(6);
  EXPECT_EQ(channel(0).panning, 255 - 150);
  ticks(1);
  EXPECT_EQ(voice(0).panning, 240);
}

TEST_F(EffectsTest, SetVolumeKeyOffAndEnvelopePosition) {
  XmInstrument& in = song_.instruments()[0];
  in.volumeEnvelope.points = {{0, 64}, {10, 0}};
  in.volumeEnvelope.type = 1;
  pattern().cell(0, 0, C4, 1, 0, 0x15, 0x05).cell(1, 0, 0, 0, 0, 0x15, 0x20);
  pattern().cell(0, 1, C4, 1, 0, 0xC, 0x80).cell(1, 1, 0, 0, 0, 0x14, 0x00);
  play();
  ticks(1);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 32);
  EXPECT_EQ(voice(1).volume, 255);  // C80: louder than 64 on purpose
  ticks(1);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 25);
  ticks(5);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 0);
  EXPECT_EQ(channel(0).volumeEnvelopeDone, 1);
  EXPECT_EQ(channel(1).keyOff, 1);
  EXPECT_GT(voice(1).volume, 0);  // key-off with an envelope does not cut
}

TEST_F(EffectsTest, FineAndExtraFinePortamentoOnTheFirstTickOnly) {
  pattern().cell(0, 0, C4, 1, 0, 0xE, 0x12).cell(1, 0, 0, 0, 0, 0xE, 0x10).cell(2, 0, 0, 0, 0, 0xE, 0x23);
  pattern().cell(0, 1, C4, 1, 0, 0x21, 0x12).cell(1, 1, 0, 0, 0, 0x21, 0x10).cell(2, 1, 0, 0, 0, 0x21, 0x23);
  pattern().cell(3, 1, 0, 0, 0, 0x21, 0x35);
  play();
  EXPECT_EQ(track(6, [&] { return channel(0).period; }), (V{4600, 4600, 4600, 4600, 4600, 4600}));
  EXPECT_EQ(channel(1).period, 4606);
  ticks(12);
  EXPECT_EQ(channel(0).period, 4592 + 12);
  EXPECT_EQ(channel(1).period, 4604 + 3);
  ticks(6);
  EXPECT_EQ(channel(1).period, 4607);  // X3y does nothing
}

TEST_F(EffectsTest, WaveformsFinetuneRetriggerAndFineVolume) {
  pattern().cell(0, 0, C4, 1, 0x30, 0xE, 0xA4).cell(1, 0, 0, 0, 0, 0xE, 0xB0);
  pattern().cell(2, 0, 0, 0, 0, 0xE, 0xB3).cell(3, 0, 0, 0, 0, 0xE, 0xA0);
  pattern().cell(0, 1, C4, 1, 0, 0xE, 0x58).cell(1, 1, C4, 0, 0, 0xE, 0x92);
  pattern().cell(0, 2, C4, 1, 0, 0xE, 0x44).cell(1, 2, 0, 0, 0, 0x4, 0x48).cell(2, 2, C4, 1, 0, 0xE, 0x72);
  play();
  ticks(1);
  EXPECT_EQ(channel(0).volume, 36);
  EXPECT_EQ(channel(1).period, 4608);
  EXPECT_EQ(module_->instruments[0].samples[0]->finetune, 8);
  ticks(5);
  EXPECT_EQ(track(5, [&] { return voice_index(1); }), (V{33, 33, 1, 1, 33}));
  EXPECT_EQ(channel(1).period, 4604);  // the new finetune, from the next note on
  ticks(1);
  EXPECT_EQ(channel(0).volume, 32);
  EXPECT_EQ(channel(2).vibratoPosition, 20);
  ticks(1);
  EXPECT_EQ(channel(0).volume, 29);
  EXPECT_EQ(channel(2).vibratoPosition, 20);  // waveform 4 keeps the position at a new instrument
  EXPECT_EQ(channel(2).waveControl, 0x24);
  ticks(6);
  EXPECT_EQ(channel(0).volume, 32);
}
