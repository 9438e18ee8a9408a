// The effect and volume-column commands: what each does at the first tick of its row and at the
// later ticks, the parameter memories, and the vibrato, tremolo, tremor and portamento steps.
#pragma once
#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

// The effect numbers of the XM effect column (0..35; letters from G on continue after F), and
// the extended E commands by their first parameter digit.
enum Effect : uint8_t {
  FxArpeggio = 0, FxPortaUp = 1, FxPortaDown = 2, FxTonePorta = 3, FxVibrato = 4,
  FxTonePortaSlide = 5, FxVibratoSlide = 6, FxTremolo = 7, FxPanning = 8, FxSampleOffset = 9,
  FxVolumeSlide = 10, FxPositionJump = 11, FxSetVolume = 12, FxPatternBreak = 13,
  FxExtended = 14, FxSpeed = 15, FxGlobalVolume = 16, FxGlobalSlide = 17, FxKeyOff = 20,
  FxEnvelopePosition = 21, FxPanningSlide = 25, FxMultiRetrig = 27, FxTremor = 29,
  FxExtraFine = 33,
};

enum Extended : uint8_t {
  ExFinePortaUp = 1, ExFinePortaDown = 2, ExVibratoWave = 4, ExFinetune = 5, ExPatternLoop = 6,
  ExTremoloWave = 7, ExPanning = 8, ExRetrigger = 9, ExFineVolumeUp = 10, ExFineVolumeDown = 11,
  ExNoteCut = 12, ExNoteDelay = 13, ExPatternDelay = 14,
};

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
