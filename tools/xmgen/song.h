// The tune between the score text and the XM bytes: instruments, samples, patterns, orders.
// Subtle: cells keep raw XM values (note 97 = key off, the volume-column byte, effect 0..35).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Cell {
  uint8_t note = 0;        // 0 none, 1..96 C-0.., 97 key off
  uint8_t instrument = 0;  // 0 none, 1..128
  uint8_t volume = 0;      // XM volume-column byte, 0 empty
  uint8_t effect = 0;      // 0..35
  uint8_t param = 0;
  bool has_effect = false;  // effect 0 with param 0 is "no effect", but 000 may still be written
  bool empty() const { return note == 0 && instrument == 0 && volume == 0 && !has_effect; }
};

struct Pattern {
  std::string name;
  int rows = 64;
  std::vector<Cell> cells;  // rows x channels, row by row
};

struct EnvelopePoint {
  uint16_t x = 0;  // tick
  uint16_t y = 0;  // 0..64
};

struct Envelope {
  std::vector<EnvelopePoint> points;  // at most 12
  int sustain = -1;                   // point index, -1 none
  int loopStart = -1, loopEnd = -1;   // point indices, -1 none
};

enum class LoopKind { None, Forward, PingPong };

struct SampleData {
  std::vector<int16_t> frames;  // full 16-bit values; 8-bit samples keep only the high byte
  int bits = 16;
  LoopKind loop = LoopKind::None;
  uint32_t loopStart = 0, loopLength = 0;  // in frames
  int relativeNote = 0;
  int finetune = 0;  // -128..127
};

struct Instrument {
  std::string name;
  SampleData sample;
  int volume = 64;
  int panning = 128;
  Envelope volumeEnvelope, panningEnvelope;
  int fadeout = 0;
  int vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Song {
  std::string name;
  int speed = 6;
  int bpm = 125;
  int restart = 0;
  std::vector<std::string> channels;
  std::vector<Instrument> instruments;
  std::vector<Pattern> patterns;
  std::vector<int> orders;  // pattern numbers
};
