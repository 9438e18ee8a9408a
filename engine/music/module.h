// A loaded XM tune: order table, patterns of 5-byte cells, instruments with envelopes, samples
// decoded to 16-bit data, and the playback state the player advances.
// Sample data carries length + 8 values; data[loop end] is the interpolation guard.
#pragma once
#include <cstdint>

struct PatternCell {
  uint8_t note;        // 0 none, 1..96 C-0 upwards, 255 key off
  uint8_t instrument;  // 0 none, 1..128
  uint8_t volume;      // volume-column byte, 0 empty
  uint8_t effect;      // 0..35
  uint8_t param;
};

struct Pattern {
  int32_t rowCount;
  PatternCell* cells;  // rowCount x channelCount, row by row
};

struct EnvelopePoint {
  uint16_t x;  // tick
  uint16_t y;  // 0..64
};

struct Sample {
  int16_t* data;        // length + 8 values; null when length is 0
  uint32_t length;      // in samples
  uint32_t loopStart;
  uint32_t loopLength;
  uint8_t volume;       // 0..64
  int8_t finetune;      // 1/128 semitone
  int32_t panning;      // 0..255
  uint8_t bits;         // 16 after loading
  uint8_t loopType;     // 1 none, 2 forward, 4 ping-pong
  int8_t relativeNote;  // semitones
};

struct Instrument {
  int32_t sampleCount;  // 0..16
  Sample* samples[16];  // below sampleCount owned; the rest point to EmptySample
  uint8_t noteSample[96];
  EnvelopePoint volumeEnvelope[12];
  EnvelopePoint panningEnvelope[12];
  uint8_t volumePointCount, panningPointCount;
  uint8_t volumeSustain, volumeLoopStart, volumeLoopEnd;
  uint8_t panningSustain, panningLoopStart, panningLoopEnd;
  uint8_t volumeType, panningType;  // bit 0 on, bit 1 sustain, bit 2 loop
  uint8_t vibratoType, vibratoSweep, vibratoDepth, vibratoRate;
  uint16_t fadeout;  // twice the file's value
};

struct Module;
using TickHandler = void (*)(Module* module);

struct Module {
  Pattern* patterns;        // patternSlots records
  Instrument* instruments;  // instrumentCount records
  int32_t samplesLeftInTick, samplesPerTick;  // output frames
  int16_t songLength, restartPosition, channelCount;
  int32_t patternsReferenced;
  int32_t patternSlots;
  int16_t instrumentCount, flags, defaultSpeed, defaultBpm;  // flags bit 0: linear frequencies
  uint8_t orderTable[256];
  uint8_t initialGlobalVolume;  // 64
  // Playback state.
  int32_t globalVolume;      // 0..64
  uint8_t globalVolumeSlide;
  int32_t tick, speed, bpm, row, order, patternDelayTicks;
  int32_t nextRow, nextOrder;  // -1 = none
  TickHandler tickHandler;
};

extern Sample EmptySample;
extern Instrument EmptyInstrument;

Module* module_create_from_memory(const void* data, uint32_t size);
bool module_free(Module* module);
