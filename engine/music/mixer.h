// The software mixer: adds the 64 voices of the pool to a stereo float buffer, resampling by
// linear interpolation at 32.32 positions, with loops and linear gain ramps.
#pragma once
#include <cstdint>

struct Voice;

// Ramp length in frames and its float32 reciprocal (128 and 1/128 at 44,100 Hz).
struct MixRamp {
  int32_t length;
  float reciprocal;
};

// Adds frames of every voice of the pool, in voice order, to the interleaved float pairs at
// destination. Nothing happens for frames <= 0.
void mix_voices(float* destination, int32_t frames);
// The same over an explicit set of voices (tests, tools).
void mix_voice_set(Voice* voices, int32_t count, MixRamp ramp, float* destination, int32_t frames);
// One voice; stops it (sample = null) at the end of an unlooped sample or on EmptySample.
void mix_voice(Voice* voice, MixRamp ramp, float* destination, int32_t frames);
