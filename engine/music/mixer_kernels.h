// Inner loops of the mixer over one voice's frames; positions are 32.32, steps negated for
// backward play. Kept on purpose: before every step the lowest bit of the position is cleared
// (every playback and test figure was taken with it; the backward pass count allows for it).
#pragma once
#include <cstdint>

// The position after n frames, in closed form: p1 = (p0 & ~1) + step, then + (step & ~1) each.
uint64_t advance_position(uint64_t position, uint64_t step, int32_t n);

// cnt frames at constant gains gL, gR (two or four at a time); an odd last frame uses cL, cR.
// Voices that would add only zeros just advance.
uint64_t mix_constant(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float gL,
                      float gR, float cL, float cR);
// cnt frames with gains cL, cR growing by incL, incR after each frame; gives back the gains.
uint64_t mix_ramp(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float* cL,
                  float* cR, float incL, float incR);
