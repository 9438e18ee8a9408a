// Note periods and voice frequencies: the linear table (64 units a semitone, C-4 = 4608 at
// 8363 Hz) and the Amiga table (13.375 * 2^((132 - note) / 12), 14,317,056 / period Hz).
// Subtle: the constants are the float32 values the tune was tuned against; notes are clamped to
// 0..119 and the linear exponent to a positive period so no formula leaves its range.
#include "music/periods.h"

#include "music/player.h"
#include "shell/det_math.h"

namespace {
constexpr float kTwelfthF = 1.0f / 12.0f;     // 0.083333336
constexpr float kPer768F = 1.0f / 768.0f;     // 0.0013020834
constexpr int32_t kAmigaClock = 14317056;     // not 8363 * 1712: kept as tuned

int32_t clamp_note(int32_t note) {
  return note < 0 ? 0 : (note > kHighestNote ? kHighestNote : note);
}

// P(m) for m in -1..120; P(0) = 27392, P(48) = 1712.
int32_t amiga_base(int32_t m) {
  float exponent = static_cast<float>(132 - m) * kTwelfthF;
  return static_cast<int32_t>(13.375 * det_exp2(static_cast<double>(exponent)));
}
}  // namespace

int32_t real_note(int32_t cellNote, int32_t relativeNote) {
  return clamp_note(cellNote - 1 + relativeNote);
}

int32_t amiga_period(int32_t note, int32_t finetune) {
  int32_t n = clamp_note(note);
  int32_t base = amiga_base(n);
  if (finetune < 0 && n != 0) {
    int32_t magnitude = -finetune;
    return base - magnitude * (base - amiga_base(n - 1)) / 128;
  }
  return base - finetune * (base - amiga_base(n + 1)) / 128;
}

int32_t note_period(const Module* module, int32_t realNote, int32_t finetune) {
  int32_t n = clamp_note(realNote);
  if (linear_table(module)) return 7680 - n * 64 - finetune / 2;
  return amiga_period(n, finetune);
}

int32_t clamp_period(int64_t period) {
  if (period > kPeriodLimit) return kPeriodLimit;
  if (period < -kPeriodLimit) return -kPeriodLimit;
  return static_cast<int32_t>(period);
}

int32_t period_frequency(const Module* module, int32_t period, int32_t periodOffset) {
  if (linear_table(module)) {
    // The exponent is kept at or below that of period 1 (about 535 kHz) and far above silence.
    int64_t argument = 4608 - static_cast<int64_t>(period) + periodOffset;
    if (argument > 4607) argument = 4607;
    if (argument < -768 * 40) argument = -768 * 40;
    float exponent = static_cast<float>(argument) * kPer768F;
    return static_cast<int32_t>(8363.0 * det_exp2(static_cast<double>(exponent)));
  }
  int64_t sum = static_cast<int64_t>(period) + periodOffset;
  if (sum == 0) return 0;
  int64_t frequency = kAmigaClock / sum;  // negative sums end at the 100 Hz floor
  return static_cast<int32_t>(frequency);
}
