// Note periods and voice frequencies for the linear and the Amiga table.
// Kept on purpose: the linear table adds periodOffset to the exponent (a positive offset raises the
// pitch), the Amiga table to the period (it lowers it): vibrato and arpeggio bend opposite ways in
// the two tables, which is how the player has always played both (and what the conformance
// figures were measured with). Out-of-range inputs are clamped.
#pragma once
#include <cstdint>

#include "music/module.h"

constexpr int32_t kHighestNote = 119;  // highest realNote whose period stays positive in both tables
constexpr int32_t kPeriodLimit = 1 << 30;  // |period| guard: far beyond audible, never overflows

inline bool linear_table(const Module* module) { return (module->flags & 1) != 0; }

// The channel's realNote from the cell's note (1-based) and the sample's relative note, 0..119.
int32_t real_note(int32_t cellNote, int32_t relativeNote);
// The period of realNote with finetune (1/128 semitone) in the module's table.
int32_t note_period(const Module* module, int32_t realNote, int32_t finetune);
// Keeps a period that effects slide inside +-kPeriodLimit.
int32_t clamp_period(int64_t period);
// Hz for period + periodOffset, before the 100 Hz floor; 0 when the Amiga period sum is 0.
int32_t period_frequency(const Module* module, int32_t period, int32_t periodOffset);
