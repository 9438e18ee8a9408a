// The mixer's voices: a pool of 64; voice i and i +- 32 pair up so a new note can start on one
// while the old one ramps down on the other. Positions are 32.32; gains 0..127.
#pragma once
#include <cstdint>

struct Sample;

struct Voice {
  int32_t index;
  int32_t volume;        // 0..127
  int32_t panning;       // 0..255; 255 is fully left
  uint32_t startOffset;  // where the next note starts (9xx)
  const Sample* sample;  // null when silent
  int32_t targetLeft, targetRight;  // 0..127
  uint32_t samplePosition;          // integer part
  uint32_t fraction;                // units of 2^-32
  uint32_t stepFraction, stepInteger;
  int32_t direction;                // 1 forward, 2 backward (ping-pong)
  int32_t lastTargetLeft, lastTargetRight;
  int32_t currentLeft, currentRight;  // gain x 256
  float rampStepLeft, rampStepRight;  // per frame, 1.0 = gain 255
  int32_t rampFramesLeft;
  // The period and offset the step was last worked out for (the player skips the exponential
  // when neither changed); valid only when stepKnown.
  int32_t stepPeriod, stepPeriodOffset;
  bool stepKnown;
};

constexpr int kVoiceCount = 64;
