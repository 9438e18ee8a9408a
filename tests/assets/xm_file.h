// A small, bounds-checked XM reader for the asset tests: header, order list, unpacked patterns
// and delta-decoded samples, so the tests can check what the generator wrote.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct XmCell {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmSample {
  uint32_t lengthBytes = 0, loopStartBytes = 0, loopLengthBytes = 0;
  uint8_t volume = 0, type = 0, panning = 0;
  int8_t finetune = 0, relativeNote = 0;
  std::vector<int16_t> values;  // decoded, 8-bit data scaled by 256
};

struct XmInstrument {
  std::vector<uint16_t> volumeEnvelope, panningEnvelope;  // x, y pairs
  uint8_t volumePoints = 0, panningPoints = 0, volumeType = 0, panningType = 0;
  uint8_t volumeSustain = 0, volumeLoopStart = 0, volumeLoopEnd = 0;
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
  uint16_t fadeout = 0;
  std::vector<XmSample> samples;
};

struct XmFile {
  int songLength = 0, restart = 0, channels = 0, patternCount = 0, instrumentCount = 0, flags = 0, speed = 0, bpm = 0;
  std::vector<uint8_t> orders;
  std::vector<int> rows;                     // per pattern
  std::vector<std::vector<XmCell>> cells;    // per pattern, rows x channels
  std::vector<XmInstrument> instruments;
  size_t consumed = 0;                       // bytes read; equals the file size for a clean file
};

// False with a message when the bytes are not a well-formed XM (or run past the end).
bool read_xm(const std::vector<uint8_t>& bytes, XmFile& xm, std::string& error);
