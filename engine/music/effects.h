// The effect and volume-column commands: what each does at the first tick of its row and at the
// later ticks, the parameter memories, and the vibrato, tremolo, tremor and portamento steps.
#pragma once
#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

// What the effect commands of one channel see of the row being played.
struct RowContext {
  Module* module;
  const PatternCell* cell;
  const Instrument* instrument;  // resolved this tick
  Sample* sample;                // resolved this tick (EmptySample when none)
  int32_t savedPeriod, savedVolume, savedPanning;  // before the cell was read (EDy)
  bool* rowHasJump;              // a lower channel of this row had a position jump (Bxx)
};

// First tick of the row (process_row): the volume column runs before key-off, envelopes and
// fadeout; the effect after them.
void volume_column_row(Channel* channel, const RowContext& row);
void effect_row(Channel* channel, const RowContext& row);
// Later ticks (process_effects): the volume column, then the effect.
void volume_column_tick(Channel* channel, const RowContext& row);
void effect_tick(Channel* channel, const RowContext& row);

void tone_porta_step(Channel* channel);
void vibrato_step(Channel* channel);
void advance_vibrato(Channel* channel);
void tremolo_step(Channel* channel);
void tremor_step(Channel* channel);
void volume_slide(Channel* channel, uint8_t memory);
// Multi-retrig volume change for retrigVolume 0..15; sets the volume flag except for 0.
void retrig_volume(Channel* channel, uint8_t change);
// Vibrato and tremolo waveforms at position p (-32..31): 0..255.
int32_t lfo_wave(int32_t waveform, int32_t p);
