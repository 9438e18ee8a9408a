// The XM loader on modules built in memory: header fields, pattern packing, instruments, sample
// decoding and loop normalisation, and the malformed fields it must refuse or clamp.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/music/xm_builder.h"
#include "music/module.h"
#include "music/player.h"
#include "music/stream.h"

namespace {

struct ModuleDeleter {
  void operator()(Module* module) const { module_free(module); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr load(const std::vector<uint8_t>& bytes) {
  return ModulePtr(module_create_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size())));
}

const PatternCell& cell(const Module& m, int pattern, int row, int channel) {
  return m.patterns[pattern].cells[row * m.channelCount + channel];
}

TEST(XmLoader, HeaderFieldsAndInitialState) {
  XmBuilder b;
  b.channels(6).speed(3).bpm(160).linear(false).restart(1).orders({0, 1, 0});
  b.pattern(16);
  b.pattern(32);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->songLength, 3);
  EXPECT_EQ(m->restartPosition, 1);
  EXPECT_EQ(m->channelCount, 6);
  EXPECT_EQ(m->defaultSpeed, 3);
  EXPECT_EQ(m->defaultBpm, 160);
  EXPECT_EQ(m->flags & 1, 0);
  EXPECT_EQ(m->initialGlobalVolume, 64);
  EXPECT_EQ(m->tickHandler, &process_tick);
  EXPECT_EQ(m->patternsReferenced, 2);
  EXPECT_EQ(m->patternSlots, 2);
  EXPECT_EQ(m->patterns[0].rowCount, 16);
  EXPECT_EQ(m->patterns[1].rowCount, 32);
  EXPECT_EQ(m->row, 0);
  EXPECT_EQ(m->order, 0);
  EXPECT_EQ(m->instrumentCount, 0);
}

TEST(XmLoader, RefusesWhatIsNotAnXmOrCannotPlay) {
  EXPECT_EQ(module_create_from_memory(nullptr, 10), nullptr);
  uint8_t one = 0;
  EXPECT_EQ(module_create_from_memory(&one, 0), nullptr);

  std::vector<uint8_t> bytes = XmBuilder().build();
  bytes[16] = 'X';  // "Extended Module:X"
  EXPECT_FALSE(load(bytes));
  // The signature alone: the zero channel count that follows is refused.
  std::vector<uint8_t> signature(bytes.begin(), bytes.begin() + 17);
  signature[16] = ' ';
  EXPECT_FALSE(load(signature));

  EXPECT_FALSE(load(XmBuilder().channels(0).build()));
  EXPECT_FALSE(load(XmBuilder().channels(33).build()));
  EXPECT_TRUE(load(XmBuilder().channels(32).build()));

  XmBuilder tooManySamples;
  XmInstrument& instrument = add_simple_instrument(tooManySamples, {1, 2});
  instrument.sampleCountOverride = 17;
  EXPECT_FALSE(load(tooManySamples.build()));

  XmBuilder tallPattern;
  tallPattern.pattern(257);
  EXPECT_FALSE(load(tallPattern.build()));
  XmBuilder tallest;
  tallest.pattern(256);
  EXPECT_TRUE(load(tallest.build()));
}

TEST(XmLoader, ClampsSongLengthRestartAndBpm) {
  {
    XmBuilder b;
    b.orders({2}).songLength(0).restart(0);
    ModulePtr m = load(b.build());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->songLength, 1);
    // Order entry 0 names pattern 2, which the file does not store: three empty slots.
    EXPECT_EQ(m->patternSlots, 3);
    EXPECT_EQ(m->patterns[2].rowCount, 64);
  }
  {
    XmBuilder b;
    b.orders({0, 0}).songLength(300).restart(2).bpm(0);
    ModulePtr m = load(b.build());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->songLength, 256);
    EXPECT_EQ(m->restartPosition, 2);  // inside the clamped length: kept
    EXPECT_EQ(m->defaultBpm, 125);
  }
  {
    XmBuilder b;
    b.orders({0, 0, 0}).restart(3).bpm(400);
    ModulePtr m = load(b.build());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->restartPosition, 0);
    EXPECT_EQ(m->defaultBpm, 255);
  }
}

TEST(XmLoader, PatternsBeyondTheStoredOnesAreEmpty64RowPatterns) {
  XmBuilder b;
  b.channels(2).orders({0, 3, 1});
  b.pattern(8).cell(0, 1, 49, 1, 0x40, 0x0F, 0x03);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->patternsReferenced, 4);
  EXPECT_EQ(m->patternSlots, 4);
  EXPECT_EQ(m->patterns[0].rowCount, 8);
  for (int p = 1; p < 4; ++p) {
    ASSERT_EQ(m->patterns[p].rowCount, 64);
    for (int i = 0; i < 64 * 2; ++i) EXPECT_EQ(m->patterns[p].cells[i].note, 0);
  }
  // More stored patterns than referenced: every stored one is kept.
  XmBuilder more;
  more.orders({0});
  more.pattern(4);
  more.pattern(5);
  ModulePtr n = load(more.build());
  ASSERT_TRUE(n);
  EXPECT_EQ(n->patternsReferenced, 1);
  EXPECT_EQ(n->patternSlots, 2);
  EXPECT_EQ(n->patterns[1].rowCount, 5);
}

TEST(XmLoader, CellPackingKeyOffAndInstrumentRange) {
  XmBuilder b;
  b.channels(3).orders({0, 1});
  XmPattern& packed = b.pattern(4);
  packed.cell(0, 0, 49, 1, 0x30, 0x0C, 0x20);  // all five fields: plain form
  packed.cell(0, 1, 97);                       // key off
  packed.cell(1, 2, 0, 129);                   // instrument above 128
  packed.cell(2, 0, 0, 128);                   // 128 stays
  packed.cell(3, 1, 0, 0, 0, 0x0F, 0);         // effect without parameter
  XmPattern& plain = b.pattern(2);
  plain.unpacked = true;
  plain.cell(0, 0, 97, 130, 0x10, 0x01, 0x02);
  plain.cell(1, 2, 0, 5, 0, 0, 0x7F);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  const PatternCell& full = cell(*m, 0, 0, 0);
  EXPECT_EQ(full.note, 49);
  EXPECT_EQ(full.instrument, 1);
  EXPECT_EQ(full.volume, 0x30);
  EXPECT_EQ(full.effect, 0x0C);
  EXPECT_EQ(full.param, 0x20);
  EXPECT_EQ(cell(*m, 0, 0, 1).note, 255);
  EXPECT_EQ(cell(*m, 0, 1, 2).instrument, 0);
  EXPECT_EQ(cell(*m, 0, 2, 0).instrument, 128);
  EXPECT_EQ(cell(*m, 0, 3, 1).effect, 0x0F);
  EXPECT_EQ(cell(*m, 0, 3, 1).param, 0);
  EXPECT_EQ(cell(*m, 0, 3, 2).note, 0);
  EXPECT_EQ(cell(*m, 1, 0, 0).note, 255);
  EXPECT_EQ(cell(*m, 1, 0, 0).instrument, 0);
  EXPECT_EQ(cell(*m, 1, 0, 0).param, 0x02);
  EXPECT_EQ(cell(*m, 1, 1, 2).instrument, 5);
  EXPECT_EQ(cell(*m, 1, 1, 2).param, 0x7F);
}

TEST(XmLoader, PackedSizeZeroConsumesNothingAndZeroRowsBecome64) {
  XmBuilder b;
  b.channels(2).orders({0, 1, 2});
  XmPattern& first = b.pattern(4);
  first.emptyPacked = true;
  first.cell(0, 0, 49);  // not written
  b.pattern(0);
  b.pattern(3).cell(2, 1, 13, 2);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->patterns[0].rowCount, 4);
  EXPECT_EQ(cell(*m, 0, 0, 0).note, 0);
  EXPECT_EQ(m->patterns[1].rowCount, 64);
  // The next pattern is read from where the empty ones ended.
  EXPECT_EQ(m->patterns[2].rowCount, 3);
  EXPECT_EQ(cell(*m, 2, 2, 1).note, 13);
  EXPECT_EQ(cell(*m, 2, 2, 1).instrument, 2);
}

TEST(XmLoader, InstrumentHeaderEnvelopesAndVibrato) {
  XmBuilder b;
  b.orders({0});
  b.pattern(1);
  XmInstrument& in = add_simple_instrument(b, {0, 10, 20});
  in.noteSample.fill(0);
  in.volumeEnvelope.points = {{0, 64}, {10, 32}, {20, 0}};
  in.volumeEnvelope.type = 7;
  in.volumeEnvelope.sustain = 1;
  in.volumeEnvelope.loopStart = 0;
  in.volumeEnvelope.loopEnd = 2;
  in.panningEnvelope.points = {{0, 32}};
  in.panningEnvelope.type = 1;  // one point: switched off
  in.vibratoType = 2;
  in.vibratoSweep = 3;
  in.vibratoDepth = 4;
  in.vibratoRate = 5;
  in.fadeout = 0x8001;  // doubled with 16-bit wrap-around
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  ASSERT_EQ(m->instrumentCount, 1);
  const Instrument& i = m->instruments[0];
  EXPECT_EQ(i.sampleCount, 1);
  EXPECT_EQ(i.volumePointCount, 3);
  EXPECT_EQ(i.volumeEnvelope[1].x, 10);
  EXPECT_EQ(i.volumeEnvelope[1].y, 32);
  EXPECT_EQ(i.volumeType, 7);
  EXPECT_EQ(i.volumeSustain, 1);
  EXPECT_EQ(i.volumeLoopEnd, 2);
  EXPECT_EQ(i.panningType, 0);
  EXPECT_EQ(i.vibratoType, 2);
  EXPECT_EQ(i.vibratoSweep, 3);
  EXPECT_EQ(i.vibratoDepth, 4);
  EXPECT_EQ(i.vibratoRate, 5);
  EXPECT_EQ(i.fadeout, 2);
  for (int s = 1; s < 16; ++s) EXPECT_EQ(i.samples[s], &EmptySample);
}

TEST(XmLoader, EnvelopeIndicesBeyondThePointsAreMended) {
  XmBuilder b;
  b.orders({0});
  b.pattern(1);
  XmInstrument& in = add_simple_instrument(b, {0});
  in.volumeEnvelope.points = {{0, 64}, {4, 0}};
  in.volumeEnvelope.pointCountOverride = 200;
  in.volumeEnvelope.type = 7;
  in.volumeEnvelope.sustain = 11;   // inside the clamped 12
  in.volumeEnvelope.loopStart = 12; // beyond: loop bit cleared
  in.volumeEnvelope.loopEnd = 3;
  in.panningEnvelope.points = {{0, 0}, {1, 64}, {2, 32}};
  in.panningEnvelope.type = 7;
  in.panningEnvelope.sustain = 3;   // at the count: sustain bit cleared
  in.panningEnvelope.loopStart = 0;
  in.panningEnvelope.loopEnd = 2;
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  const Instrument& i = m->instruments[0];
  EXPECT_EQ(i.volumePointCount, 12);
  EXPECT_EQ(i.volumeType, 3);
  EXPECT_EQ(i.panningPointCount, 3);
  EXPECT_EQ(i.panningType, 5);
}

TEST(XmLoader, InstrumentWithoutSamplesConsumesExactlyItsHeader) {
  XmBuilder b;
  b.orders({0});
  b.pattern(1);
  XmInstrument& empty = b.instrument();
  empty.headerSizeOverride = 40;  // 11 bytes beyond the fields read
  add_simple_instrument(b, {5, 6, 7});
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  ASSERT_EQ(m->instrumentCount, 2);
  EXPECT_EQ(m->instruments[0].sampleCount, 0);
  for (int s = 0; s < 16; ++s) EXPECT_EQ(m->instruments[0].samples[s], &EmptySample);
  ASSERT_EQ(m->instruments[1].sampleCount, 1);
  const Sample* s = m->instruments[1].samples[0];
  ASSERT_EQ(s->length, 3u);
  EXPECT_EQ(s->data[0], 5 * 256);
  EXPECT_EQ(s->data[2], 7 * 256);
}

TEST(XmLoader, SampleDecodingDeltasAndGuards) {
  XmBuilder b;
  b.orders({0});
  b.pattern(1);
  XmInstrument& in = b.instrument();
  XmSample& eight = in.sample();
  eight.rawData = {1, 1, 0xFE};  // deltas 1, 1, -2
  eight.lengthBytesOverride = 3;
  XmSample& sixteen = in.sample();
  sixteen.sixteenBit = true;
  sixteen.values = {1000, -1000, 32767, -32768, 5};
  sixteen.loop = 1;
  sixteen.loopStart = 1;
  sixteen.loopLength = 3;
  XmSample& pingPong = in.sample();
  pingPong.values = {10, 20, 30, 40};
  pingPong.loop = 3;  // both bits: ping-pong
  pingPong.loopStart = 1;
  pingPong.loopLength = 2;
  XmSample& empty = in.sample();  // length 0: no buffer, no bytes
  XmSample& after = in.sample();
  after.values = {-128, 127};
  after.panning = 200;
  after.volume = 48;
  after.finetune = -16;
  after.relativeNote = -12;
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  const Instrument& i = m->instruments[0];
  ASSERT_EQ(i.sampleCount, 5);

  const Sample* s = i.samples[0];
  ASSERT_EQ(s->length, 3u);
  EXPECT_EQ(s->data[0], 256);
  EXPECT_EQ(s->data[1], 512);
  EXPECT_EQ(s->data[2], 0);
  EXPECT_EQ(s->data[3], 0);  // unlooped: the zero after the end stays
  EXPECT_EQ(s->bits, 16);
  EXPECT_EQ(s->loopType, 1);
  EXPECT_EQ(s->loopStart, 0u);
  EXPECT_EQ(s->loopLength, 3u);

  s = i.samples[1];
  ASSERT_EQ(s->length, 5u);
  EXPECT_EQ(s->loopType, 2);
  EXPECT_EQ(s->loopStart, 1u);
  EXPECT_EQ(s->loopLength, 3u);
  const int16_t expected16[] = {1000, -1000, 32767, -32768};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(s->data[k], expected16[k]);
  // The forward guard data[loopStart + loopLength] = data[loopStart] replaces the fifth value,
  // which lies beyond the loop and is never played.
  EXPECT_EQ(s->data[4], -1000);

  s = i.samples[2];
  EXPECT_EQ(s->loopType, 4);
  EXPECT_EQ(s->data[3], 30 * 256);  // ping-pong guard repeats the last sample of the loop

  s = i.samples[3];
  EXPECT_EQ(s->length, 0u);
  EXPECT_EQ(s->data, nullptr);

  s = i.samples[4];
  ASSERT_EQ(s->length, 2u);
  EXPECT_EQ(s->data[0], -128 * 256);
  EXPECT_EQ(s->data[1], 127 * 256);
  EXPECT_EQ(s->panning, 200);
  EXPECT_EQ(s->volume, 48);
  EXPECT_EQ(s->finetune, -16);
  EXPECT_EQ(s->relativeNote, -12);
  (void)empty;
}

TEST(XmLoader, LoopNormalisationAndMendedLoops) {
  XmBuilder b;
  b.orders({0});
  b.pattern(1);
  XmInstrument& in = b.instrument();
  auto add = [&](uint8_t loop, uint32_t start, uint32_t length) -> XmSample& {
    XmSample& s = in.sample();
    s.values = std::vector<int>(10, 1);
    s.loop = loop;
    s.loopStart = start;
    s.loopLength = length;
    return s;
  };
  add(1, 4, 0);     // loop length 0: unlooped over the whole sample
  add(1, 6, 100);   // runs past the end: shortened to end at 10
  add(2, 10, 5);    // starts at the end: unlooped
  add(0, 3, 4);     // no loop bits: loop fields replaced
  XmSample& odd = add(1, 0, 0);
  odd.sixteenBit = true;  // 20 bytes; loop fields given in bytes are halved
  odd.loopStartBytesOverride = 5;
  odd.loopLengthBytesOverride = 9;
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  const Instrument& i = m->instruments[0];
  auto check = [&](int index, int type, uint32_t start, uint32_t length) {
    const Sample* s = i.samples[index];
    EXPECT_EQ(s->loopType, type) << index;
    EXPECT_EQ(s->loopStart, start) << index;
    EXPECT_EQ(s->loopLength, length) << index;
    EXPECT_LE(s->loopStart + s->loopLength, s->length) << index;
  };
  check(0, 1, 0, 10);
  check(1, 2, 6, 4);
  check(2, 1, 0, 10);
  check(3, 1, 0, 10);
  check(4, 2, 2, 4);
}

TEST(XmLoader, TruncatedFilesLoadWithoutReadingPastTheEnd) {
  XmBuilder b;
  b.channels(4).orders({0, 1});
  XmPattern& p = b.pattern(64);
  for (int r = 0; r < 64; ++r) p.cell(r, r % 4, 49, 1, 0x40, 1, 2);
  b.pattern(64).cell(5, 0, 50, 1);
  XmInstrument& in = add_simple_instrument(b, std::vector<int>(1000, 3), true, 1, 100, 800);
  in.sample().values = std::vector<int>(500, -7);
  std::vector<uint8_t> whole = b.build();
  ModulePtr full = load(whole);
  ASSERT_TRUE(full);
  ASSERT_EQ(full->instruments[0].samples[0]->length, 1000u);

  // Cut inside the first sample's data: it keeps what the file holds, the loop is cut with it,
  // the second sample is empty.
  size_t cut = whole.size() - 500 - 1200;
  std::vector<uint8_t> truncated(whole.begin(), whole.begin() + static_cast<long>(cut));
  ModulePtr m = load(truncated);
  ASSERT_TRUE(m);
  const Sample* s = m->instruments[0].samples[0];
  EXPECT_EQ(s->length, 400u);
  EXPECT_EQ(s->loopType, 2);
  EXPECT_EQ(s->loopStart, 100u);
  EXPECT_EQ(s->loopLength, 300u);
  EXPECT_EQ(s->data[399], 3);
  EXPECT_EQ(m->instruments[0].samples[1]->length, 0u);
  EXPECT_EQ(m->instruments[0].samples[1]->data, nullptr);

  // Every shorter prefix loads or is refused, never more (the sanitizers watch the reads).
  for (size_t size = 17; size < whole.size(); size += 97) {
    std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<long>(size));
    ModulePtr any = load(prefix);
    if (any) {
      EXPECT_EQ(any->channelCount, 4);
    }
  }
}

TEST(XmLoader, HeaderSizeMovesThePatternStart) {
  XmBuilder b;
  b.channels(1).orders({0}).headerSize(300);  // 24 bytes of padding before the patterns
  b.pattern(2).cell(1, 0, 20, 3);
  ModulePtr m = load(b.build());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->patterns[0].rowCount, 2);
  EXPECT_EQ(cell(*m, 0, 1, 0).note, 20);
  // A header size pointing far beyond the file: every pattern reads as missing data.
  XmBuilder far;
  far.channels(1).orders({0}).headerSize(0xFFFFFFF0u);
  far.pattern(2);
  ModulePtr n = load(far.build());
  ASSERT_TRUE(n);
  EXPECT_EQ(n->patterns[0].rowCount, 64);  // a zero row count read past the end: 64 empty rows
}

TEST(MemoryStream, ReadsSeeksAndTellsInsideTheBytes) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  MemoryStream stream{5, 3, bytes};
  stream_ops_install(&memory_stream_ops());
  ASSERT_TRUE(stream_ops_installed());
  void* h = stream_open(&stream);
  EXPECT_EQ(stream_tell(h), 0);
  uint8_t out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(stream_read(out, 3, h), 3);
  EXPECT_EQ(out[2], 3);
  EXPECT_EQ(stream_read(out, 8, h), 2);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(out[1], 5);
  EXPECT_EQ(out[2], 3);  // untouched
  EXPECT_EQ(stream_read(out, 1, h), 0);
  stream_seek(h, -2, 2);
  EXPECT_EQ(stream_tell(h), 3);
  stream_seek(h, 10, 1);
  EXPECT_EQ(stream_tell(h), 5);
  stream_seek(h, -100, 1);
  EXPECT_EQ(stream_tell(h), 0);
  stream_seek(h, 4, 7);  // unknown whence: unchanged
  EXPECT_EQ(stream_tell(h), 0);
  stream_close(h);

  StreamOps partial = memory_stream_ops();
  partial.tell = nullptr;
  stream_ops_install(&partial);
  EXPECT_FALSE(stream_ops_installed());
  EXPECT_EQ(stream_open(&stream), nullptr);
  stream_ops_install(&memory_stream_ops());
}

}  // namespace
