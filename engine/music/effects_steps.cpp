// The continuous effect steps shared by several commands: tone portamento, vibrato, tremolo,
// tremor, volume slides and the multi-retrig volume table.
// Subtle: vibrato and tremolo positions are int8 kept in -32..31 (64 positions a cycle); the
// tremolo offset is bounded so volume + offset stays inside 0..64.
#include <cmath>

#include "music/effects.h"
#include "music/periods.h"
#include "shell/det_math.h"

int32_t lfo_wave(int32_t waveform, int32_t p) {
  switch (waveform) {
    case 0: return static_cast<int32_t>(std::fabs(det_sin(p * 2 * 0.049087375)) * 256);
    case 1: return p >= 0 ? (p * 8) & 255 : 255 - ((p * 8) & 255);
    default: return 255;
  }
}

void tone_porta_step(Channel* c) {
  int32_t step = c->portaSpeed * 4;
  if (c->period < c->portaTarget) {
    c->period = c->period + step > c->portaTarget ? c->portaTarget : c->period + step;
  } else if (c->period > c->portaTarget) {
    c->period = c->period - step < c->portaTarget ? c->portaTarget : c->period - step;
  }
  c->updateFlags |= UpdateFrequency;
}

void vibrato_step(Channel* c) {
  int32_t p = c->vibratoPosition;
  int32_t a = lfo_wave(c->waveControl & 3, p);
  int32_t d = ((a * c->vibratoDepth) >> 5) & ~3;
  c->periodOffset = p >= 0 ? -d : d;
  c->updateFlags |= UpdateFrequency;
}

namespace {
// 8-bit position arithmetic: wraps to -32..31 after a step of at most 15.
int8_t advance_position(int8_t position, uint8_t speed) {
  int32_t p = static_cast<int8_t>(static_cast<uint8_t>(position + speed));
  if (p > 31) p -= 64;
  return static_cast<int8_t>(p);
}
}  // namespace

void advance_vibrato(Channel* c) { c->vibratoPosition = advance_position(c->vibratoPosition, c->vibratoSpeed); }

void tremolo_step(Channel* c) {
  int32_t p = c->tremoloPosition;
  int32_t waveform = (c->waveControl >> 4) & 3;
  int32_t a = lfo_wave(waveform == 3 ? 0 : waveform, p);
  int32_t d = (c->tremoloDepth * a) >> 6;
  if (p >= 0) {
    if (c->volume + d > 64) d = 64 - c->volume;
    c->volumeOffset = d;
  } else {
    if (c->volume - d < 0) d = c->volume;
    c->volumeOffset = -d;
  }
  c->tremoloPosition = advance_position(c->tremoloPosition, c->tremoloSpeed);
  c->updateFlags |= UpdateVolume;
}

void tremor_step(Channel* c) {
  if (c->tremorCount >= c->tremorOn) c->volumeOffset = -c->volume;
  c->tremorCount += 1;
  if (c->tremorCount == c->tremorOn + c->tremorOff) c->tremorCount = 0;
  c->updateFlags |= UpdateVolume;
}

void volume_slide(Channel* c, uint8_t memory) {
  int32_t up = memory >> 4, down = memory & 15;
  if (up != 0) {
    c->volume = c->volume + up > 64 ? 64 : c->volume + up;
  } else if (down != 0) {
    c->volume = c->volume - down < 0 ? 0 : c->volume - down;
  }
  c->updateFlags |= UpdateVolume;
}

void retrig_volume(Channel* c, uint8_t change) {
  static const int8_t Add[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
  if (change == 0) return;
  int32_t v = c->volume;
  switch (change) {
    case 6: v = v * 2 / 3; break;
    case 7: v >>= 1; break;
    case 14: v = v * 3 / 2; break;
    case 15: v *= 2; break;
    default: v += Add[change & 15]; break;
  }
  c->volume = v > 64 ? 64 : (v < 0 ? 0 : v);
  c->updateFlags |= UpdateVolume;
}
