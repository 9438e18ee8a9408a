// Instrument envelopes (volume and panning), fadeout and auto-vibrato, stepped once per tick.
// Envelope values are 16.16 fixed point; outputs 0..64 (panning: 32 = centre).
#pragma once
#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

// One envelope of an instrument together with the channel's state for it.
struct EnvelopeView {
  const EnvelopePoint* points;
  int32_t count;  // at most 12
  uint8_t type;   // bit 0 on, bit 1 sustain, bit 2 loop
  uint8_t sustain, loopStart, loopEnd;
  int32_t* tick;
  int32_t* point;
  int32_t* value;   // 16.16
  int32_t* output;  // value >> 16
  int32_t* delta;   // 16.16 per tick
  uint8_t* done;
  uint8_t flag;     // UpdateVolume or UpdatePanning
};

EnvelopeView volume_envelope(Channel* channel, const Instrument* instrument);
EnvelopeView panning_envelope(Channel* channel, const Instrument* instrument);

// Advances the envelope by one tick: straight lines between points, hold at the sustain point
// until key-off, jump from the loop end to the loop start, stay at the last point.
void envelope_step(Channel* channel, const EnvelopeView& envelope);
// Lxx: moves the volume envelope to the given tick.
void set_envelope_position(Channel* channel, const Instrument* instrument, int32_t tick);
// Lowers fadeVolume by the instrument's fadeout after key-off (not below 0).
void fadeout_step(Channel* channel, const Instrument* instrument);
// Adds the instrument's auto-vibrato for this tick to periodOffset and advances it.
void auto_vibrato_step(Channel* channel, const Instrument* instrument);
