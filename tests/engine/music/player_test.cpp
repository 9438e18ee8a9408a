// The player tick by tick: row timing, the order table and jumps, notes on voices and their
// partners, key-off, fadeout, envelopes, auto-vibrato and the period tables.
#include <cmath>
#include <utility>
#include <vector>

#include "music/envelope.h"
#include "music/periods.h"
#include "player_fixture.h"

namespace {
using Rows = std::vector<std::pair<int, int>>;

constexpr uint8_t C4 = 49;  // cell note of C-4, realNote 48
constexpr uint8_t E4 = 53;
constexpr uint8_t KeyOff = 97;

// Orders 0..n-1 each naming its own pattern of the given row count, speed 1 (a row per tick).
XmBuilder chain(int orders, int rows, int restart = 0) {
  XmBuilder b;
  std::vector<uint8_t> table;
  for (int i = 0; i < orders; ++i) {
    table.push_back(static_cast<uint8_t>(i));
    b.pattern(rows);
  }
  b.channels(2).speed(1).orders(table).restart(restart);
  add_simple_instrument(b, std::vector<int>(64, 10), false, 1, 0, 64);
  return b;
}

Rows sequence(std::initializer_list<std::pair<int, int>> list) { return Rows(list); }
}  // namespace

TEST_F(PlayerTest, RowLastsSpeedTicksAndPatternDelayAddsWholeRows) {
  XmBuilder b = simple_song(3);
  b.patterns()[0].cell(1, 0, 0, 0, 0, 0xE, 0xE2);
  b.patterns()[0].cell(1, 1, C4, 1, 0, 0xA, 0x01);  // counts the effect ticks of row 1
  ASSERT_NE(load(b), nullptr);
  EXPECT_EQ(rows_played(3), sequence({{0, 0}}));
  EXPECT_EQ(rows_played(9), sequence({{0, 1}}));  // 3 + 2 x 3 ticks
  EXPECT_EQ(channel(1).volume, 64 - 8);           // effect ticks 1..8 ran
  EXPECT_EQ(rows_played(3), sequence({{0, 2}}));  // the delay held for one row only
}

TEST_F(PlayerTest, NaturalEndContinuesAtRestartPositionBreakOnLastOrderAtOrderZero) {
  ASSERT_NE(load(chain(3, 4, 1)), nullptr);
  Rows rows = rows_played(14);
  EXPECT_EQ(rows[11], std::make_pair(2, 3));
  EXPECT_EQ(rows[12], std::make_pair(1, 0));
  EXPECT_EQ(rows[13], std::make_pair(1, 1));

  XmBuilder b = chain(3, 8, 1);
  b.patterns()[2].cell(3, 1, 0, 0, 0, 0xD, 0x05);
  ASSERT_NE(load(b), nullptr);
  rows = rows_played(21);
  EXPECT_EQ(rows[19], std::make_pair(2, 3));
  EXPECT_EQ(rows[20], std::make_pair(0, 5));
}

TEST_F(PlayerTest, JumpAndBreakInOneRowCombineByChannelOrder) {
  XmBuilder b = chain(4, 16);
  b.patterns()[0].cell(2, 0, 0, 0, 0, 0xB, 0x03).cell(2, 1, 0, 0, 0, 0xD, 0x10);
  ASSERT_NE(load(b), nullptr);
  EXPECT_EQ(rows_played(4)[3], std::make_pair(3, 10));  // B first: B's order, D's row

  XmBuilder c = chain(4, 16);
  c.patterns()[0].cell(2, 0, 0, 0, 0, 0xD, 0x10).cell(2, 1, 0, 0, 0, 0xB, 0x03);
  ASSERT_NE(load(c), nullptr);
  EXPECT_EQ(rows_played(4)[3], std::make_pair(3, 0));  // D first: B's row 0 wins

  XmBuilder d = chain(2, 16);
  d.patterns()[0].cell(0, 0, 0, 0, 0, 0xB, 0x07);  // beyond the song: order 0
  ASSERT_NE(load(d), nullptr);
  EXPECT_EQ(rows_played(2)[1], std::make_pair(0, 0));
}

TEST_F(PlayerTest, BreakRowIsDecimalAndRowsThePatternLacksPlayRowZero) {
  XmBuilder b = chain(4, 64);
  b.patterns()[0].cell(0, 0, 0, 0, 0, 0xD, 0x32);
  b.patterns()[1].cell(32, 0, 0, 0, 0, 0xD, 0x64);  // 64 > 63: row 0
  ASSERT_NE(load(b), nullptr);
  EXPECT_EQ(rows_played(3), sequence({{0, 0}, {1, 32}, {2, 0}}));

  XmBuilder c = chain(2, 16);
  c.patterns()[0].cell(0, 0, 0, 0, 0, 0xD, 0x20);  // row 20 of a 16-row pattern
  ASSERT_NE(load(c), nullptr);
  EXPECT_EQ(rows_played(2), sequence({{0, 0}, {1, 0}}));
}

TEST_F(PlayerTest, PatternLoopPlaysRowsEightToFifteenThreeTimes) {
  XmBuilder b = chain(1, 64);
  b.patterns()[0].cell(8, 0, 0, 0, 0, 0xE, 0x60).cell(15, 0, 0, 0, 0, 0xE, 0x62);
  ASSERT_NE(load(b), nullptr);
  Rows expected;
  for (int r = 0; r < 16; ++r) expected.emplace_back(0, r);
  for (int pass = 0; pass < 2; ++pass)
    for (int r = 8; r < 16; ++r) expected.emplace_back(0, r);
  expected.emplace_back(0, 16);
  expected.emplace_back(0, 17);
  EXPECT_EQ(rows_played(static_cast<int>(expected.size())), expected);
}

TEST_F(PlayerTest, SpeedZeroMakesEveryTickARowTickAndBpmSetsTickLength) {
  XmBuilder b = simple_song(6);
  b.patterns()[0].cell(0, 0, 0, 0, 0, 0xF, 0x00).cell(1, 0, 0, 0, 0, 0xF, 0x20);
  ASSERT_NE(load(b), nullptr);
  EXPECT_EQ(module_->samplesPerTick, 882);
  EXPECT_EQ(rows_played(3), sequence({{0, 0}, {0, 1}, {0, 2}}));
  EXPECT_EQ(module_->bpm, 32);
  EXPECT_EQ(module_->samplesPerTick, 3445);
  for (int bpm = 1; bpm <= 255; ++bpm) {
    set_bpm(module_, bpm);
    ASSERT_EQ(module_->samplesPerTick, 110250 / bpm) << bpm;
  }
}

TEST_F(PlayerTest, NewNoteMovesToThePartnerVoiceAndBackWhileTheOldOneFades) {
  XmBuilder b = simple_song(2);
  b.patterns()[0].cell(0, 1, C4, 1).cell(1, 1, E4).cell(2, 1, C4);
  ASSERT_NE(load(b), nullptr);
  ticks(1);
  EXPECT_EQ(voice_index(1), 1);  // nothing sounded: the note starts on the channel's voice
  EXPECT_EQ(voice(1).targetLeft, 127 * 128 / 255);
  EXPECT_EQ(voice(1).targetRight, 127 * 127 / 255);
  ticks(2);
  EXPECT_EQ(voice_index(1), 33);
  EXPECT_EQ(voice(33).index, 33);
  EXPECT_NE(voice(33).sample, nullptr);
  EXPECT_EQ(voice(33).currentLeft, 0);  // fades in from silence
  EXPECT_NE(voice(1).sample, nullptr);  // the old note goes on, ramping to 0
  EXPECT_EQ(voice(1).targetLeft, 0);
  EXPECT_EQ(voice(1).targetRight, 0);
  EXPECT_EQ(voice(1).volume, 0);
  ticks(2);
  EXPECT_EQ(voice_index(1), 1);
  EXPECT_EQ(voice(33).targetLeft, 0);
  EXPECT_GT(voice(1).targetLeft, 0);
}

TEST_F(PlayerTest, TonePortamentoKeepsTheSampleVolumeColumnPortamentoJumpsThePeriod) {
  XmBuilder b = simple_song(6);
  b.patterns()[0].cell(0, 0, C4, 1).cell(1, 0, E4, 0, 0, 0x3, 0x10);
  b.patterns()[0].cell(0, 1, C4, 1).cell(1, 1, E4, 0, 0xF1);
  ASSERT_NE(load(b), nullptr);
  ticks(7);
  EXPECT_EQ(channel(0).period, 4608);
  EXPECT_EQ(channel(0).portaTarget, 4352);
  EXPECT_EQ(channel(1).period, 4352);  // jumped at once
  EXPECT_EQ(channel(1).portaTarget, 4352);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(voice_index(c), c);  // no new note started
    EXPECT_EQ(voice(c + 32).sample, nullptr);
  }
  ticks(1);
  EXPECT_EQ(channel(0).period, 4608 - 64);
  ticks(4);
  EXPECT_EQ(channel(0).period, 4352);  // not beyond the target
}

TEST_F(PlayerTest, KeyOffCutsWithoutVolumeEnvelope) {
  XmBuilder b = simple_song(3);
  b.patterns()[0].cell(0, 0, C4, 1).cell(1, 0, KeyOff);
  ASSERT_NE(load(b), nullptr);
  ticks(3);
  EXPECT_GT(voice(0).volume, 0);
  ticks(1);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 0);
  EXPECT_EQ(voice(0).volume, 0);
  EXPECT_EQ(voice(0).targetLeft, 0);
  EXPECT_EQ(voice(0).targetRight, 0);
}

TEST_F(PlayerTest, KeyOffReleasesSustainAndFadesOutInCeilTicks) {
  XmBuilder b = simple_song(6);
  XmInstrument& in = b.instruments()[0];
  in.volumeEnvelope.points = {{0, 64}, {2, 48}, {100, 0}};
  in.volumeEnvelope.type = 1 | 2;
  in.volumeEnvelope.sustain = 1;
  in.fadeout = 3000;  // 6000 a tick: 65536 / 6000 -> 11 ticks
  b.patterns()[0].cell(0, 0, C4, 1).cell(1, 0, KeyOff);
  ASSERT_NE(load(b), nullptr);
  ticks(1);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 64);
  ticks(1);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 56);
  ticks(4);
  EXPECT_EQ(channel(0).volumeEnvelopeOutput, 48);  // held at the sustain point
  EXPECT_EQ(channel(0).fadeVolume, 65536);
  ticks(1);  // key-off
  EXPECT_EQ(channel(0).fadeVolume, 65536 - 6000);
  EXPECT_GT(voice(0).volume, 0);  // an envelope means no cut
  ticks(1);
  EXPECT_LT(channel(0).volumeEnvelopeOutput, 48);  // released
  ticks(8);
  EXPECT_EQ(channel(0).fadeVolume, 65536 - 10 * 6000);
  ticks(1);
  EXPECT_EQ(channel(0).fadeVolume, 0);
  EXPECT_EQ(voice(0).volume, 0);
}

TEST_F(PlayerTest, EnvelopeLoopsAndEndsAtTheLastPoint) {
  Instrument in{};
  in.volumeEnvelope[0] = {0, 0};
  in.volumeEnvelope[1] = {4, 64};
  in.volumeEnvelope[2] = {8, 32};
  in.volumePointCount = 3;
  in.volumeType = 1 | 4;
  in.volumeLoopStart = 1;
  in.volumeLoopEnd = 2;
  Channel c{};
  std::vector<int> outputs;
  for (int t = 0; t < 13; ++t) {
    envelope_step(&c, volume_envelope(&c, &in));
    outputs.push_back(c.volumeEnvelopeOutput);
  }
  EXPECT_EQ(outputs, (std::vector<int>{0, 16, 32, 48, 64, 56, 48, 40, 64, 56, 48, 40, 64}));

  in.volumeType = 1;
  c = Channel{};
  for (int t = 0; t < 9; ++t) envelope_step(&c, volume_envelope(&c, &in));
  EXPECT_EQ(c.volumeEnvelopeOutput, 32);
  EXPECT_EQ(c.volumeEnvelopeDone, 1);

  // Damaged counts, loop points and steep slopes stay inside the records and int32.
  in.volumePointCount = 200;
  in.volumeLoopStart = 40;
  in.volumeLoopEnd = 1;
  in.volumeEnvelope[3] = {9, 65535};
  in.volumeEnvelope[4] = {1, 0};
  c = Channel{};
  for (int t = 0; t < 600; ++t) envelope_step(&c, volume_envelope(&c, &in));
  EXPECT_LE(c.volumeEnvelopePoint, 12);
}

TEST_F(PlayerTest, AutoVibratoWithoutSweepAppliesFullDepthAtOnce) {
  XmBuilder b = simple_song(6);
  XmInstrument& in = b.instruments()[0];
  in.vibratoType = 1;  // square: +64 in the first half
  in.vibratoDepth = 8;
  in.vibratoRate = 4;
  b.patterns()[0].cell(0, 0, C4, 1);
  ASSERT_NE(load(b), nullptr);
  ticks(1);
  EXPECT_EQ(channel(0).periodOffset, 8);  // 64 * 8 >> 6

  b.instruments()[0].vibratoSweep = 4;
  ASSERT_NE(load(b), nullptr);
  ticks(1);
  EXPECT_EQ(channel(0).periodOffset, 0);
  ticks(1);
  EXPECT_EQ(channel(0).periodOffset, 2);  // a quarter of the depth

  b.instruments()[0].vibratoSweep = 0;
  b.instruments()[0].vibratoType = 7;  // no such waveform: no offset
  ASSERT_NE(load(b), nullptr);
  ticks(3);
  EXPECT_EQ(channel(0).periodOffset, 0);
}

TEST_F(PlayerTest, LinearAndAmigaPeriodsAndSteps) {
  XmBuilder b = simple_song(6);
  b.patterns()[0].cell(0, 0, C4, 1);
  ASSERT_NE(load(b), nullptr);
  ticks(1);
  EXPECT_EQ(channel(0).realNote, 48);
  EXPECT_EQ(channel(0).period, 4608);
  EXPECT_EQ(voice(0).stepInteger, 0u);
  EXPECT_EQ(voice(0).stepFraction, 814485521u);

  XmBuilder a = simple_song(6);
  a.linear(false);
  a.patterns()[0].cell(0, 0, 1, 1).cell(0, 1, C4, 1);
  ASSERT_NE(load(a), nullptr);
  ticks(1);
  EXPECT_EQ(channel(0).period, 27392);
  EXPECT_EQ(voice(0).stepFraction, static_cast<uint32_t>((uint64_t{522} << 32) / 44100));
  EXPECT_EQ(channel(1).period, 1712);
  EXPECT_EQ(amiga_period(0, 0), 27392);
  EXPECT_GT(amiga_period(48, -64), 1712);
  EXPECT_LT(amiga_period(48, 64), 1712);
  EXPECT_GT(amiga_period(48, 64), amiga_period(49, 0));
}

// The player skips the frequency when a voice's period and offset are unchanged; the step must
// still follow every change: vibrato, portamento, arpeggio, a note moving to the partner voice
// and back, with both period tables.
TEST_F(PlayerTest, VoiceStepsFollowEveryPeriodChange) {
  for (bool linear : {true, false}) {
    XmBuilder b = simple_song(3);
    b.linear(linear);
    b.patterns()[0]
        .cell(0, 0, C4, 1, 0, 0x4, 0x48)   // vibrato
        .cell(1, 0, 0, 0, 0, 0x4, 0x00)
        .cell(2, 0, 0, 0, 0, 0x1, 0x10)    // portamento up
        .cell(3, 0, 0, 0, 0, 0x0, 0x47)    // arpeggio
        .cell(4, 0, E4, 1)                 // to the partner voice
        .cell(5, 0, C4, 1, 0, 0x2, 0x08)   // and back, portamento down
        .cell(6, 0, 0, 0, 0, 0x3, 0x20)    // tone portamento towards C-4
        .cell(7, 0, E4, 0, 0, 0x3, 0x20);
    ASSERT_NE(load(b), nullptr);
    int changes = 0;
    uint64_t last = 0;
    for (int tick = 0; tick < 8 * 3 + 2; ++tick) {
      ticks(1);
      const Channel& c = channel(0);
      const Voice& v = *c.voice;
      int32_t f = period_frequency(module_, c.period, c.periodOffset);
      if (f < 100) f = 100;
      uint64_t want = (uint64_t{static_cast<uint32_t>(f) / kOutputRate} << 32) |
                      ((static_cast<uint64_t>(static_cast<uint32_t>(f) % kOutputRate) << 32) / kOutputRate);
      uint64_t got = uint64_t{v.stepInteger} << 32 | v.stepFraction;
      ASSERT_EQ(got, want) << (linear ? "linear" : "amiga") << " tick " << tick;
      if (got != last) ++changes;
      last = got;
    }
    EXPECT_GT(changes, 12) << (linear ? "linear" : "amiga");
  }
}

TEST_F(PlayerTest, NotesOutsideTheTablesAreClamped) {
  XmBuilder b = simple_song(6);
  b.instruments()[0].samples[0].relativeNote = -24;
  XmInstrument& high = b.instrument();
  high.sample().values = std::vector<int>(32, 5);
  high.samples[0].relativeNote = 60;
  b.patterns()[0].cell(0, 0, 1, 1).cell(0, 1, 96, 2).cell(0, 2, 200, 2).cell(0, 3, 254, 2);
  b.linear(true);
  ASSERT_NE(load(b), nullptr);
  ticks(1);
  EXPECT_EQ(channel(0).realNote, 0);
  EXPECT_EQ(channel(0).period, 7680);
  EXPECT_EQ(channel(1).realNote, kHighestNote);
  EXPECT_EQ(channel(1).period, 7680 - kHighestNote * 64);
  EXPECT_EQ(channel(2).note, 95);
  EXPECT_EQ(channel(3).realNote, kHighestNote);
  for (int c = 0; c < 4; ++c) EXPECT_GT(channel(c).period, 0) << c;
  EXPECT_GE(amiga_period(-5, -128), amiga_period(0, 0));
  EXPECT_GT(amiga_period(250, 127), 0);
}

TEST_F(PlayerTest, NoteWithoutAnyInstrumentIsSilent) {
  XmBuilder b = simple_song(6);
  b.patterns()[0].cell(0, 0, C4);
  ASSERT_NE(load(b), nullptr);
  ticks(6);
  EXPECT_EQ(channel(0).fadeVolume, 0);
  EXPECT_EQ(voice(0).volume, 0);
}

TEST_F(PlayerTest, DamagedSongsKeepToTheirRecords) {
  XmBuilder b;
  b.channels(4).speed(2).orders({0, 1}).restart(7);  // restart beyond the song: order 0
  b.pattern(8);
  b.pattern(1);
  XmPattern& p0 = b.patterns()[0];
  XmPattern& p1 = b.patterns()[1];
  XmInstrument& in = add_simple_instrument(b, std::vector<int>(16, 100), false, 2, 4, 8);
  in.volumeEnvelope.points = {{0, 64}, {3, 10}, {3, 64}};
  in.volumeEnvelope.type = 7;
  in.volumeEnvelope.sustain = 40;
  in.volumeEnvelope.loopStart = 30;
  in.volumeEnvelope.loopEnd = 2;
  in.vibratoType = 200;
  in.vibratoDepth = 15;
  // Notes above 127 only fit the mask form of a cell, so one field of those cells stays 0.
  p0.cell(0, 0, 200, 1, 0, 0x2, 0xFF).cell(1, 0, 0, 0, 0xDF).cell(0, 1, 254, 5, 0, 0xE, 0x1F).cell(0, 2, 1, 1, 0, 0x21, 0x1F);
  p0.cell(0, 3, 96, 1, 0, 0xC, 0xFF).cell(3, 3, 0, 0, 0, 0x15, 0xFF).cell(5, 3, 0, 0, 0, 0xD, 0x99);
  p0.cell(5, 1, 0, 0, 0xEF, 0xE, 0x60);  // loop start at row 5 ...
  p1.cell(0, 1, 0, 0, 0, 0xE, 0x6F);     // ... looped to from a one-row pattern: its row 0
  ASSERT_NE(load(b), nullptr);
  for (int t = 0; t < 5000; ++t) {
    ticks(1);
    ASSERT_LT(module_->order, 2) << t;
    ASSERT_LT(module_->row, module_->order == 0 ? 8 : 1) << t;
    for (int c = 0; c < 4; ++c) ASSERT_LE(voice_index(c) % 32, 3);
  }
}
