// Writes the XM byte stream for XmBuilder: the 336-byte header, packed patterns, instruments with
// their 40-byte sample headers and delta-coded sample data. Cells with all five fields use the
// plain five-byte form; the others use a mask byte, as FastTracker 2 writes them.
#include "engine/music/xm_builder.h"

#include <cstring>

namespace {

void put8(std::vector<uint8_t>& out, uint32_t value) { out.push_back(static_cast<uint8_t>(value)); }
void put16(std::vector<uint8_t>& out, uint32_t value) {
  put8(out, value);
  put8(out, value >> 8);
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
  put16(out, value);
  put16(out, value >> 16);
}
void pad(std::vector<uint8_t>& out, size_t count) { out.insert(out.end(), count, 0); }

void put_cell(std::vector<uint8_t>& out, const XmCell& cell, bool unpacked) {
  bool all = cell.note && cell.instrument && cell.volume && cell.effect && cell.param;
  if (unpacked || all) {
    put8(out, cell.note);
    put8(out, cell.instrument);
    put8(out, cell.volume);
    put8(out, cell.effect);
    put8(out, cell.param);
    return;
  }
  uint8_t mask = 0x80;
  if (cell.note) mask |= 1;
  if (cell.instrument) mask |= 2;
  if (cell.volume) mask |= 4;
  if (cell.effect) mask |= 8;
  if (cell.param) mask |= 16;
  put8(out, mask);
  if (cell.note) put8(out, cell.note);
  if (cell.instrument) put8(out, cell.instrument);
  if (cell.volume) put8(out, cell.volume);
  if (cell.effect) put8(out, cell.effect);
  if (cell.param) put8(out, cell.param);
}

void put_pattern(std::vector<uint8_t>& out, const XmPattern& pattern, int channels) {
  std::vector<uint8_t> data;
  if (!pattern.emptyPacked) {
    for (int row = 0; row < pattern.rows; ++row)
      for (int channel = 0; channel < channels; ++channel) {
        auto found = pattern.cells.find({row, channel});
        put_cell(data, found == pattern.cells.end() ? XmCell{} : found->second, pattern.unpacked);
      }
  }
  put32(out, 9);
  put8(out, 0);
  put16(out, static_cast<uint32_t>(pattern.rows));
  put16(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

void put_envelope_points(std::vector<uint8_t>& out, const XmEnvelope& envelope) {
  for (size_t i = 0; i < 12; ++i) {
    if (i < envelope.points.size()) {
      put16(out, envelope.points[i].first);
      put16(out, envelope.points[i].second);
    } else {
      put32(out, 0);
    }
  }
}

uint8_t point_count(const XmEnvelope& envelope) {
  return static_cast<uint8_t>(envelope.pointCountOverride >= 0 ? envelope.pointCountOverride : envelope.points.size());
}

// The sample's bytes in the file: delta-coded 8-bit bytes or 16-bit little-endian words.
std::vector<uint8_t> encode_sample(const XmSample& sample) {
  if (!sample.rawData.empty()) return sample.rawData;
  std::vector<uint8_t> bytes;
  int previous = 0;
  for (int value : sample.values) {
    int delta = value - previous;
    previous = value;
    if (sample.sixteenBit)
      put16(bytes, static_cast<uint16_t>(delta));
    else
      put8(bytes, static_cast<uint8_t>(delta));
  }
  return bytes;
}

void put_instrument(std::vector<uint8_t>& out, const XmInstrument& instrument) {
  size_t start = out.size();
  int sampleCount = instrument.sampleCountOverride >= 0 ? instrument.sampleCountOverride
                                                        : static_cast<int>(instrument.samples.size());
  uint32_t headerSize = instrument.headerSizeOverride >= 0 ? static_cast<uint32_t>(instrument.headerSizeOverride)
                                                           : (sampleCount ? 263u : 29u);
  put32(out, headerSize);
  pad(out, 22);  // name
  put8(out, 0);  // type
  put16(out, static_cast<uint32_t>(sampleCount));
  if (sampleCount) {
    put32(out, 40);
    out.insert(out.end(), instrument.noteSample.begin(), instrument.noteSample.end());
    put_envelope_points(out, instrument.volumeEnvelope);
    put_envelope_points(out, instrument.panningEnvelope);
    put8(out, point_count(instrument.volumeEnvelope));
    put8(out, point_count(instrument.panningEnvelope));
    put8(out, instrument.volumeEnvelope.sustain);
    put8(out, instrument.volumeEnvelope.loopStart);
    put8(out, instrument.volumeEnvelope.loopEnd);
    put8(out, instrument.panningEnvelope.sustain);
    put8(out, instrument.panningEnvelope.loopStart);
    put8(out, instrument.panningEnvelope.loopEnd);
    put8(out, instrument.volumeEnvelope.type);
    put8(out, instrument.panningEnvelope.type);
    put8(out, instrument.vibratoType);
    put8(out, instrument.vibratoSweep);
    put8(out, instrument.vibratoDepth);
    put8(out, instrument.vibratoRate);
    put16(out, instrument.fadeout);
  }
  // Pad (or cut) the header to its declared size; the loader seeks there anyway.
  out.resize(start + headerSize, 0);

  std::vector<std::vector<uint8_t>> data;
  for (const XmSample& sample : instrument.samples) {
    data.push_back(encode_sample(sample));
    uint32_t scale = sample.sixteenBit ? 2 : 1;
    auto pick = [](int64_t override, uint32_t value) {
      return override >= 0 ? static_cast<uint32_t>(override) : value;
    };
    put32(out, pick(sample.lengthBytesOverride, static_cast<uint32_t>(sample.values.size()) * scale));
    put32(out, pick(sample.loopStartBytesOverride, sample.loopStart * scale));
    put32(out, pick(sample.loopLengthBytesOverride, sample.loopLength * scale));
    put8(out, sample.volume);
    put8(out, static_cast<uint8_t>(sample.finetune));
    put8(out, (sample.loop & 3) | (sample.sixteenBit ? 0x10 : 0));
    put8(out, sample.panning);
    put8(out, static_cast<uint8_t>(sample.relativeNote));
    put8(out, 0);
    pad(out, 22);
  }
  for (const auto& bytes : data) out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

XmPattern& XmPattern::cell(int row, int channel, uint8_t note, uint8_t instrument, uint8_t volume, uint8_t effect,
                           uint8_t param) {
  cells[{row, channel}] = XmCell{note, instrument, volume, effect, param};
  return *this;
}

XmCell& XmPattern::at(int row, int channel) { return cells[{row, channel}]; }

XmSample& XmInstrument::sample() {
  samples.emplace_back();
  return samples.back();
}

XmBuilder& XmBuilder::channels(int count) {
  channels_ = count;
  return *this;
}
XmBuilder& XmBuilder::speed(int ticks) {
  speed_ = ticks;
  return *this;
}
XmBuilder& XmBuilder::bpm(int beats) {
  bpm_ = beats;
  return *this;
}
XmBuilder& XmBuilder::linear(bool on) {
  linear_ = on;
  return *this;
}
XmBuilder& XmBuilder::restart(int position) {
  restart_ = position;
  return *this;
}
XmBuilder& XmBuilder::orders(std::vector<uint8_t> table) {
  orders_ = std::move(table);
  return *this;
}
XmBuilder& XmBuilder::songLength(int length) {
  songLength_ = length;
  return *this;
}
XmBuilder& XmBuilder::headerSize(uint32_t size) {
  headerSize_ = size;
  return *this;
}
XmBuilder& XmBuilder::storedPatternCount(int count) {
  storedPatterns_ = count;
  return *this;
}

XmPattern& XmBuilder::pattern(int rows) {
  patterns_.emplace_back();
  patterns_.back().rows = rows;
  return patterns_.back();
}

XmInstrument& XmBuilder::instrument() {
  instruments_.emplace_back();
  return instruments_.back();
}

std::vector<uint8_t> XmBuilder::build() const {
  std::vector<uint8_t> out;
  const char* signature = "Extended Module: ";
  out.insert(out.end(), signature, signature + 17);
  const char* name = "builder test module ";
  out.insert(out.end(), name, name + 20);
  put8(out, 0x1A);
  const char* tracker = "XmBuilder           ";
  out.insert(out.end(), tracker, tracker + 20);
  put16(out, 0x0104);
  put32(out, headerSize_);
  put16(out, static_cast<uint32_t>(songLength_ >= 0 ? songLength_ : static_cast<int>(orders_.size())));
  put16(out, static_cast<uint32_t>(restart_));
  put16(out, static_cast<uint32_t>(channels_));
  put16(out, static_cast<uint32_t>(storedPatterns_ >= 0 ? storedPatterns_ : static_cast<int>(patterns_.size())));
  put16(out, static_cast<uint32_t>(instruments_.size()));
  put16(out, linear_ ? 1 : 0);
  put16(out, static_cast<uint32_t>(speed_));
  put16(out, static_cast<uint32_t>(bpm_));
  for (size_t i = 0; i < 256; ++i) put8(out, i < orders_.size() ? orders_[i] : 0);
  // Pad to the declared size; an absurd size (a malformed-file test) is written but not padded.
  if (headerSize_ <= (1u << 20)) out.resize(60 + static_cast<size_t>(headerSize_), 0);
  for (const XmPattern& pattern : patterns_) put_pattern(out, pattern, channels_);
  for (const XmInstrument& instrument : instruments_) put_instrument(out, instrument);
  return out;
}

XmInstrument& add_simple_instrument(XmBuilder& builder, std::vector<int> values, bool sixteenBit, uint8_t loop,
                                    uint32_t loopStart, uint32_t loopLength) {
  XmInstrument& instrument = builder.instrument();
  XmSample& sample = instrument.sample();
  sample.values = std::move(values);
  sample.sixteenBit = sixteenBit;
  sample.loop = loop;
  sample.loopStart = loopStart;
  sample.loopLength = loopLength;
  return instrument;
}

std::vector<uint8_t> build_test_song(int speed, int bpm) {
  XmBuilder b;
  b.channels(4).speed(speed).bpm(bpm).orders({0, 1, 0}).restart(1);
  std::vector<int> saw;
  for (int i = 0; i < 256; ++i) saw.push_back((i - 128) * 200);
  XmInstrument& lead = add_simple_instrument(b, saw, true, 1, 0, 256);
  lead.sample().values = {};  // an empty second sample slot, mapped to the top notes
  for (int n = 84; n < 96; ++n) lead.noteSample[n] = 1;
  std::vector<int> tone;
  for (int i = 0; i < 64; ++i) tone.push_back(i < 32 ? i * 3 : (64 - i) * 3);
  XmInstrument& pad = add_simple_instrument(b, tone, false, 2, 16, 40);
  pad.samples[0].panning = 40;
  pad.volumeEnvelope.points = {{0, 0}, {8, 64}, {30, 20}};
  pad.volumeEnvelope.type = 3;
  pad.volumeEnvelope.sustain = 1;
  pad.fadeout = 800;
  XmPattern& first = b.pattern(16);
  first.cell(0, 0, 49, 1).cell(0, 1, 37, 2, 0x30).cell(2, 2, 61, 1, 0x20).cell(4, 0, 51, 1);
  first.cell(6, 1, 97).cell(8, 3, 44, 2, 0xC4).cell(10, 0, 56, 1, 0x38).cell(12, 2, 90, 1);
  first.cell(14, 3, 97);
  XmPattern& second = b.pattern(8);
  second.cell(0, 0, 42, 2).cell(1, 1, 54, 1, 0x50).cell(3, 2, 49, 1, 0x10).cell(5, 3, 61, 2);
  second.cell(7, 0, 97);
  return b.build();
}
