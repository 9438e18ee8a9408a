// Builds XM files in memory, cell by cell, for the music tests: header, patterns, instruments,
// samples. Sample values are given as plain values; the builder writes them delta-coded as XM does.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

struct XmCell {
  uint8_t note = 0;  // 1..96, 97 key off (the file's coding)
  uint8_t instrument = 0;
  uint8_t volume = 0;
  uint8_t effect = 0;
  uint8_t param = 0;
};

struct XmPattern {
  int rows = 64;
  std::map<std::pair<int, int>, XmCell> cells;  // (row, channel); the rest are empty
  bool unpacked = false;    // every cell written as five plain bytes instead of a mask byte
  bool emptyPacked = false; // write a packed size of 0 and no cell bytes

  XmPattern& cell(int row, int channel, uint8_t note, uint8_t instrument = 0, uint8_t volume = 0,
                  uint8_t effect = 0, uint8_t param = 0);
  XmCell& at(int row, int channel);
};

struct XmEnvelope {
  std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, value 0..64)
  uint8_t type = 0;  // bit 0 on, bit 1 sustain, bit 2 loop
  uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
  int pointCountOverride = -1;  // write this count instead of points.size()
};

struct XmSample {
  std::vector<int> values;  // plain sample values: -128..127 for 8-bit, -32768..32767 for 16-bit
  bool sixteenBit = false;
  uint8_t loop = 0;         // type bits 0..1: 0 none, 1 forward, 2 ping-pong (3 is both bits)
  uint32_t loopStart = 0, loopLength = 0;  // in samples
  uint8_t volume = 64;
  int8_t finetune = 0;
  uint8_t panning = 128;
  int8_t relativeNote = 0;
  // Raw overrides for malformed files: -1 keeps the computed value (in bytes, as in the file).
  int64_t lengthBytesOverride = -1, loopStartBytesOverride = -1, loopLengthBytesOverride = -1;
  std::vector<uint8_t> rawData;  // when non-empty, written instead of the encoded values
};

struct XmInstrument {
  std::vector<XmSample> samples;
  std::array<uint8_t, 96> noteSample{};
  XmEnvelope volumeEnvelope, panningEnvelope;
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
  uint16_t fadeout = 0;  // the file's value; the loader doubles it
  int64_t headerSizeOverride = -1;  // default 263 with samples, 29 without
  int sampleCountOverride = -1;     // write this count instead of samples.size()

  XmSample& sample();  // adds a sample and gives it
};

class XmBuilder {
 public:
  XmBuilder& channels(int count);
  XmBuilder& speed(int ticks);
  XmBuilder& bpm(int beats);
  XmBuilder& linear(bool on);  // linear frequency table (flags bit 0); on by default
  XmBuilder& restart(int position);
  XmBuilder& orders(std::vector<uint8_t> table);  // song length = table size unless overridden
  XmBuilder& songLength(int length);               // written as is, whatever the table holds
  XmBuilder& headerSize(uint32_t size);            // default 276
  XmBuilder& storedPatternCount(int count);        // written instead of the number of patterns

  XmPattern& pattern(int rows = 64);  // appends pattern number patterns().size() - 1
  XmInstrument& instrument();         // appends instrument number instruments().size()
  std::vector<XmPattern>& patterns() { return patterns_; }
  std::vector<XmInstrument>& instruments() { return instruments_; }

  std::vector<uint8_t> build() const;

 private:
  int channels_ = 4, speed_ = 6, bpm_ = 125, restart_ = 0;
  bool linear_ = true;
  std::vector<uint8_t> orders_{0};
  int songLength_ = -1, storedPatterns_ = -1;
  uint32_t headerSize_ = 276;
  std::vector<XmPattern> patterns_;
  std::vector<XmInstrument> instruments_;
};

// A one-instrument test tone: an 8-bit or 16-bit sample with the given values and loop, every
// note mapped to it.
XmInstrument& add_simple_instrument(XmBuilder& builder, std::vector<int> values, bool sixteenBit = false,
                                    uint8_t loop = 0, uint32_t loopStart = 0, uint32_t loopLength = 0);

// A short two-pattern song that sounds: a looped 16-bit saw, a ping-pong 8-bit tone with a
// volume envelope, notes, key-offs and volume-column settings on 4 channels; restart at order 1.
std::vector<uint8_t> build_test_song(int speed, int bpm);
