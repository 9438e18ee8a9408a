// The mixer's passes: per voice the distance to the next loop boundary, the gain ramp set-up,
// the frames (mixer_kernels.cpp), then the loop or the end of the sample. Kept on purpose: the
// odd last frame of the constant path uses the current gains; a ramp that ends early starts a
// new pass; a ping-pong position is reflected until it lies inside the loop.
#include "music/mixer.h"

#include <cmath>
#include <cstdint>

#include "music/mixer_kernels.h"

#include "music/module.h"
#include "music/playback.h"
#include "music/voice.h"

namespace {

constexpr float kInverseGain = 0.003921569f;  // float32 1/255
constexpr uint64_t kZeroStepDivisor = uint64_t{0x17C6F8C} << 8;  // 256 Hz at 44,100 Hz, 32.32

inline uint64_t position_of(const Voice& v) { return uint64_t{v.samplePosition} << 32 | v.fraction; }
inline void store_position(Voice& v, uint64_t position) {
  v.samplePosition = static_cast<uint32_t>(position >> 32);
  v.fraction = static_cast<uint32_t>(position);
}

// Frames until the next boundary is reached by the nominal step, or -1 when it lies beyond this
// pass's reach. The division uses the full 32.32 step, so the last frame before the boundary never
// reads past data[boundary].
int64_t nominal_frames_to_boundary(const Voice& v, const Sample& s, uint64_t position, uint64_t step,
                                   int32_t reach) {
  uint64_t distance;
  if (v.direction == 1) {
    uint64_t boundary = uint64_t{s.loopStart} + s.loopLength;
    if (v.samplePosition > boundary) boundary = s.length;
    boundary <<= 32;
    distance = position >= boundary ? 0 : boundary - position;
  } else {
    uint64_t start = uint64_t{s.loopStart} << 32;
    distance = position <= start ? 0 : position - start;
  }
  if ((distance >> 32) >= (uint64_t{1} << 24)) return -1;
  uint64_t divisor = (step >> 8) == 0 ? kZeroStepDivisor : step;
  if (distance <= divisor) return distance == 0 ? 0 : 1;
  // Most passes end before the boundary: a multiplication tells, without any division.
  uint64_t covered;
  if (!__builtin_mul_overflow(static_cast<uint64_t>(reach), divisor, &covered) && covered < distance) return -1;
  // ceil(distance / divisor): a double estimate, corrected to the exact integer (no 64-bit division).
  uint64_t k = static_cast<uint64_t>(static_cast<double>(distance) / static_cast<double>(divisor));
  while (k * divisor < distance) ++k;
  while (k > 1 && (k - 1) * divisor >= distance) --k;
  return static_cast<int64_t>(k);
}

// Moving backward the kernels add the negated step to a position whose bit 0 was cleared: with an
// odd step every frame after the first moves one unit further than the step, so the nominal count
// can leave the last frame of a pass reading below the loop start (below sample 0 for a loop
// from 0). These give the real positions: true when frame `frame` (0-based) still reads at or
// above `start`, and the number of frames that do.
bool backward_frame_inside(uint64_t position, uint64_t step, uint64_t start, uint64_t frame) {
  if (frame == 0) return position >= start;
  uint64_t first = position & ~uint64_t{1};
  if (first < start || first - start < step) return false;
  uint64_t stride = step + (step & 1), travelled;
  return !__builtin_mul_overflow(frame - 1, stride, &travelled) && travelled <= first - step - start;
}

uint64_t backward_frames_inside(uint64_t position, uint64_t step, uint64_t start) {
  if (position < start) return 0;
  uint64_t first = position & ~uint64_t{1};
  if (first < start || first - start < step) return 1;
  uint64_t stride = step + (step & 1);
  if (stride == 0) return UINT64_MAX;  // a zero step never leaves
  return 2 + (first - step - start) / stride;
}

// Frames until the pass reaches its boundary, or -1 when it lies beyond this pass's reach. The
// nominal count holds unless a backward pass would read below the loop start before it: then the
// pass ends with the last frame that reads inside, its position already past the start.
int64_t frames_to_boundary(const Voice& v, const Sample& s, uint64_t position, uint64_t step, int32_t reach) {
  int64_t k = nominal_frames_to_boundary(v, s, position, step, reach);
  if (v.direction == 1) return k;
  uint64_t start = uint64_t{s.loopStart} << 32;
  uint64_t last = k < 0 ? static_cast<uint64_t>(reach) : static_cast<uint64_t>(k);
  if (last == 0 || backward_frame_inside(position, step, start, last - 1)) return k;
  return static_cast<int64_t>(backward_frames_inside(position, step, start));
}

// Reflects a ping-pong position into [start, end) and sets the direction of the last reflection.
void ping_pong(Voice& v, const Sample& s, uint64_t position) {
  int64_t start = static_cast<int64_t>(uint64_t{s.loopStart} << 32);
  int64_t end = static_cast<int64_t>((uint64_t{s.loopStart} + s.loopLength) << 32);
  int64_t p = static_cast<int64_t>(position);
  // A position that fell a few 2^-32 short of the boundary (bit clearing) turns next pass.
  if (v.direction == 1 && p < end) return;
  if (v.direction != 1 && p > start) return;
  int64_t period = 2 * (end - start);
  if (v.direction == 1) {
    p = 2 * end - 1 - p;
    v.direction = 2;
  } else {
    p = 2 * start - 1 - p;
    v.direction = 1;
  }
  for (;;) {
    // Two reflections in a row move the position by one period; skip whole periods at once.
    if (p >= end + period) p -= (p - end) / period * period;
    if (p < start - period) p += (start - 1 - p) / period * period;
    if (p >= end) {
      p = 2 * end - 1 - p;
      v.direction = 2;
    } else if (p < start) {
      p = 2 * start - 1 - p;
      v.direction = 1;
    } else {
      break;
    }
  }
  store_position(v, static_cast<uint64_t>(p));
}

// Boundary handling; false when the voice stopped.
bool at_boundary(Voice& v, const Sample& s, uint64_t position) {
  // A loop of length 0 cannot come from the loader; such a voice ends like an unlooped one.
  if (s.loopType == 2 && s.loopLength > 0) {
    uint32_t end = s.loopStart + s.loopLength;
    uint32_t integer = static_cast<uint32_t>(position >> 32);
    if (integer >= end) {
      integer -= s.loopLength;  // usually one loop length; the remainder only for fast steps
      if (integer >= end) integer = s.loopStart + (integer - s.loopStart) % s.loopLength;
    }
    v.samplePosition = integer;
    v.fraction = static_cast<uint32_t>(position);
    return true;
  }
  if (s.loopType == 4 && s.loopLength > 0) {
    store_position(v, position);
    ping_pong(v, s, position);
    return true;
  }
  v.sample = nullptr;
  v.samplePosition = 0;
  v.fraction = 0;
  return false;
}

// A voice that would add only zeros: no ramp pending, target and current gains all 0 (a current
// gain below 1/256 would still sound on an odd last frame).
inline bool is_silent(const Voice& v) {
  return (v.targetLeft | v.targetRight | v.currentLeft | v.currentRight) == 0 && v.rampFramesLeft <= 0;
}

// A silent voice inside a forward loop, frames ahead at once. Every pass boundary only subtracts
// whole loop lengths, which leaves bit 0 and the steps alone, so the passes end where the
// unwrapped position, brought back into the loop, lies. False when the voice is not in that state
// (a position past the loop end, a loop beyond 2^24 samples, a position that would not fit).
bool skip_silent_loop(Voice& v, const Sample& s, int32_t frames) {
  if (s.loopType != 2 || s.loopLength == 0 || v.direction != 1) return false;
  uint64_t end = uint64_t{s.loopStart} + s.loopLength;
  if (end >= (uint64_t{1} << 24) || v.samplePosition > end) return false;
  uint64_t step = uint64_t{v.stepInteger} << 32 | v.stepFraction;
  uint64_t first, span, position;  // advance_position, with every overflow refused
  if (__builtin_add_overflow(position_of(v) & ~uint64_t{1}, step, &first) ||
      __builtin_mul_overflow(static_cast<uint64_t>(frames - 1), step & ~uint64_t{1}, &span) ||
      __builtin_add_overflow(first, span, &position))
    return false;
  uint64_t integer = position >> 32;
  if (integer >= end) integer = s.loopStart + (integer - s.loopStart) % s.loopLength;
  v.samplePosition = static_cast<uint32_t>(integer);
  v.fraction = static_cast<uint32_t>(position);
  // What the passes would have left behind.
  v.lastTargetLeft = v.lastTargetRight = 0;
  v.rampStepLeft = v.rampStepRight = 0.0f;
  return true;
}

}  // namespace

void mix_voice(Voice* voice, MixRamp ramp, float* destination, int32_t frames) {
  Voice& v = *voice;
  int32_t cursor = 0;
  while (cursor < frames && v.sample) {
    const Sample& s = *v.sample;
    if (is_silent(v) && skip_silent_loop(v, s, frames - cursor)) return;
    int32_t cnt = frames - cursor;
    uint64_t position = position_of(v);
    uint64_t step = uint64_t{v.stepInteger} << 32 | v.stepFraction;
    bool boundary = false;
    int64_t k = frames_to_boundary(v, s, position, step, cnt);
    if (k >= 0 && k <= cnt) {
      cnt = static_cast<int32_t>(k);
      boundary = true;
    }

    int32_t rampCount = 0;
    float incL = 0.0f, incR = 0.0f;
    if (v.rampFramesLeft > 0 && v.targetLeft == v.lastTargetLeft && v.targetRight == v.lastTargetRight) {
      rampCount = v.rampFramesLeft;
      incL = v.rampStepLeft;
      incR = v.rampStepRight;
    } else {
      v.lastTargetLeft = v.targetLeft;
      v.lastTargetRight = v.targetRight;
      int32_t diffL = v.targetLeft - (v.currentLeft >> 8);
      int32_t diffR = v.targetRight - (v.currentRight >> 8);
      if (diffL != 0) {
        incL = static_cast<float>(diffL) * kInverseGain * ramp.reciprocal;
        rampCount = ramp.length;
      }
      if (diffR != 0) {
        incR = static_cast<float>(diffR) * kInverseGain * ramp.reciprocal;
        rampCount = ramp.length;
      }
      v.rampStepLeft = incL;
      v.rampStepRight = incR;
    }
    bool rampCut = false;
    if (rampCount > 0) {
      v.rampFramesLeft = rampCount;
      if (cnt > rampCount) {
        cnt = rampCount;
        rampCut = true;
        boundary = false;
      }
    }

    float gL = static_cast<float>(v.targetLeft) / 255.0f;
    float gR = static_cast<float>(v.targetRight) / 255.0f;
    float cL = static_cast<float>(v.currentLeft) * (1.0f / 256.0f) * kInverseGain;
    float cR = static_cast<float>(v.currentRight) * (1.0f / 256.0f) * kInverseGain;
    if (v.direction != 1) step = ~step + 1;

    float* out = destination + 2 * static_cast<int64_t>(cursor);
    if (rampCount > 0) {
      position = mix_ramp(s.data, position, step, out, cnt, &cL, &cR, incL, incR);
      v.currentLeft = static_cast<int32_t>(std::lrint(cL * 255.0f * 256.0f));
      v.currentRight = static_cast<int32_t>(std::lrint(cR * 255.0f * 256.0f));
      rampCount -= cnt;
      v.rampFramesLeft = rampCount;
      if (rampCount == 0) {
        v.rampStepLeft = v.rampStepRight = 0.0f;
        v.currentLeft = v.targetLeft * 256;
        v.currentRight = v.targetRight * 256;
      }
    } else {
      position = mix_constant(s.data, position, step, out, cnt, gL, gR, cL, cR);
    }
    cursor += cnt;
    if (boundary) {
      if (!at_boundary(v, s, position)) return;
      continue;
    }
    store_position(v, position);
    if (!rampCut) return;
  }
}

void mix_voice_set(Voice* voices, int32_t count, MixRamp ramp, float* destination, int32_t frames) {
  if (frames <= 0 || !destination) return;
  for (int32_t i = 0; i < count; ++i)
    if (voices[i].sample) mix_voice(&voices[i], ramp, destination, frames);
}

void mix_voices(float* destination, int32_t frames) {
  Playback& state = playback();
  mix_voice_set(state.voices, kVoiceCount, MixRamp{state.rampLength, state.rampReciprocal}, destination, frames);
}
