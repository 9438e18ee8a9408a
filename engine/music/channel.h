// The player's channels: 32 records, channel i starting on voice i.
// Fields in the order the player's steps describe them, so each step's reads sit together.
#pragma once
#include <cstdint>

struct Voice;

enum ChannelUpdate : uint8_t {
  UpdateFrequency = 0x01,
  UpdateVolume = 0x02,
  UpdatePanning = 0x04,
  UpdateTrigger = 0x08,
  UpdateRestart = 0x20,
};

struct Channel {
  uint8_t note;          // 0..95
  uint8_t updateFlags;   // ChannelUpdate bits for update_voice this tick
  Voice* voice;
  int32_t period;
  int32_t volume;        // 0..64 (Cxx may set more)
  int32_t panning;       // normally 0..255
  int32_t volumeOffset;  // tremolo / tremor this tick
  int32_t periodOffset;  // vibrato / arpeggio / auto-vibrato this tick
  int32_t volumeEnvelopeTick, volumeEnvelopePoint, volumeEnvelopeValue, volumeEnvelopeOutput, volumeEnvelopeDelta;
  uint8_t volumeEnvelopeDone;
  int32_t panningEnvelopeTick, panningEnvelopePoint, panningEnvelopeValue, panningEnvelopeOutput, panningEnvelopeDelta;
  uint8_t panningEnvelopeDone;
  int32_t fadeVolume;    // 65536 at a new instrument
  int32_t autoVibratoPosition, autoVibratoSweep;
  uint8_t keyOff;
  uint8_t instrument;    // 0-based
  uint8_t realNote;
  int32_t notePeriod;
  uint8_t lastEffect;
  int32_t offsetMemory;
  uint8_t portaDownMemory, portaUpMemory, extraFineDownMemory, extraFineUpMemory;
  uint8_t volumeSlideMemory, panningSlideMemory, retrigVolume, retrigInterval;
  int32_t portaTarget;
  uint8_t portaSpeed;
  int8_t vibratoPosition;
  uint8_t vibratoSpeed, vibratoDepth;
  int8_t tremoloPosition;
  uint8_t tremoloSpeed, tremoloDepth;
  uint8_t tremorCount, tremorOn, tremorOff;
  int32_t loopStartRow, loopCount;
  uint8_t waveControl;   // low nibble vibrato waveform, high nibble tremolo
  uint8_t fineVolumeMemory, finePortaUpMemory, finePortaDownMemory;
};

constexpr int kChannelCount = 32;
