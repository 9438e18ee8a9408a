// The mixer with voices set by hand: gains and panning in exact numbers, ramps, interpolation,
// forward and ping-pong loops, the end of unlooped samples and EmptySample.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "music/mixer.h"
#include "music/mixer_kernels.h"
#include "music/module.h"
#include "music/voice.h"

namespace {

constexpr MixRamp Ramp{128, 1.0f / 128.0f};

// A sample with the loader's layout: length + 8 values and the guard at the loop end.
struct TestSample {
  std::vector<int16_t> data;
  Sample sample{};
  TestSample(std::vector<int16_t> values, uint8_t loopType = 1, uint32_t loopStart = 0, uint32_t loopLength = 0) {
    data = values;
    data.resize(values.size() + 8, 0);
    sample.data = data.data();
    sample.length = static_cast<uint32_t>(values.size());
    sample.loopType = loopType;
    sample.bits = 16;
    sample.loopStart = loopType == 1 ? 0 : loopStart;
    sample.loopLength = loopType == 1 ? sample.length : loopLength;
    uint32_t end = sample.loopStart + sample.loopLength;
    if (loopType == 2) data[end] = data[sample.loopStart];
    if (loopType == 4) data[end] = data[end - 1];
  }
};

// A sounding voice at constant gains (no ramp pending).
Voice steady_voice(const Sample* sample, int32_t left, int32_t right, uint32_t stepInteger, uint32_t stepFraction = 0) {
  Voice v{};
  v.sample = sample;
  v.direction = 1;
  v.stepInteger = stepInteger;
  v.stepFraction = stepFraction;
  v.targetLeft = v.lastTargetLeft = left;
  v.targetRight = v.lastTargetRight = right;
  v.currentLeft = left * 256;
  v.currentRight = right * 256;
  return v;
}

float added(double v, float gain) { return static_cast<float>(0.0 + v * static_cast<double>(gain)); }

TEST(Mixer, FullLeftPanningAddsTheExactGainToTheLeftOnly) {
  TestSample s(std::vector<int16_t>(64, 1000));
  // Volume 127 at panning 255: targetLeft 127, targetRight 0.
  Voice v = steady_voice(&s.sample, 127 * 255 / 255, 127 * 0 / 255, 1);
  std::vector<float> out(2 * 10, 0.0f);
  mix_voice(&v, Ramp, out.data(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(out[2 * i], added(1000.0, 127.0f / 255.0f)) << i;
    EXPECT_EQ(out[2 * i + 1], 0.0f) << i;
  }
  // An odd last frame uses the current gain, currentLeft / 256 x float32(1/255).
  Voice w = steady_voice(&s.sample, 127, 0, 1);
  std::vector<float> odd(2 * 3, 0.0f);
  mix_voice(&w, Ramp, odd.data(), 3);
  EXPECT_EQ(odd[0], added(1000.0, 127.0f / 255.0f));
  EXPECT_EQ(odd[4], added(1000.0, 32512.0f * (1.0f / 256.0f) * 0.003921569f));
  EXPECT_EQ(odd[5], 0.0f);
}

TEST(Mixer, AddsToTheBufferVoiceByVoiceAndIgnoresEmptyCounts) {
  TestSample s(std::vector<int16_t>(64, 510));
  Voice voices[2] = {steady_voice(&s.sample, 255, 0, 1), steady_voice(&s.sample, 0, 51, 1)};
  std::vector<float> out(4, 1.5f);
  mix_voice_set(voices, 2, Ramp, out.data(), 2);
  EXPECT_EQ(out[0], static_cast<float>(1.5 + 510.0 * static_cast<double>(255.0f / 255.0f)));
  EXPECT_EQ(out[1], static_cast<float>(1.5 + 510.0 * static_cast<double>(51.0f / 255.0f)));
  Voice before = voices[0];
  mix_voice_set(voices, 2, Ramp, out.data(), 0);
  mix_voice_set(voices, 2, Ramp, out.data(), -5);
  EXPECT_EQ(voices[0].samplePosition, before.samplePosition);
  EXPECT_EQ(out[0], static_cast<float>(1.5 + 510.0));
}

TEST(Mixer, InterpolatesLinearlyBetweenNeighbours) {
  TestSample s({0, 1000, -1000, 0, 0, 0, 0, 0, 0, 0});
  Voice v = steady_voice(&s.sample, 255, 255, 0, 0x40000000u);  // a quarter sample per frame
  std::vector<float> out(2 * 8, 0.0f);
  mix_voice(&v, Ramp, out.data(), 8);
  const float expected[] = {0, 250, 500, 750, 1000, 500, 0, -500};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[2 * i], expected[i]) << i;
  EXPECT_EQ(v.samplePosition, 2u);
  EXPECT_EQ(v.fraction, 0u);
}

TEST(Mixer, NewNoteRampsFromSilenceToItsTargetInRampLengthFrames) {
  TestSample s(std::vector<int16_t>(4096, 2000), 2, 0, 4096);
  Voice v{};
  v.sample = &s.sample;
  v.direction = 1;
  v.stepInteger = 1;
  v.targetLeft = 100;
  v.targetRight = 20;
  std::vector<float> out(2 * 300, 0.0f);
  // Split across calls so the ramp has to continue from the stored state.
  mix_voice(&v, Ramp, out.data(), 50);
  EXPECT_EQ(v.rampFramesLeft, 78);
  mix_voice(&v, Ramp, out.data() + 100, 250);
  EXPECT_EQ(v.rampFramesLeft, 0);
  EXPECT_EQ(v.currentLeft, 100 * 256);
  EXPECT_EQ(v.currentRight, 20 * 256);
  EXPECT_EQ(out[0], 0.0f);  // the first frame is mixed at gain 0
  for (int i = 1; i < 128; ++i) {
    EXPECT_GT(out[2 * i], out[2 * i - 2]) << i;
    EXPECT_LT(out[2 * i], 2000.0f * 100 / 255) << i;
  }
  // Linear: the midpoint carries half the gain.
  EXPECT_NEAR(out[2 * 64], 2000.0 * 100 / 255 * 64 / 128, 0.2);
  // From frame 128 on the gains are the constant targets.
  for (int i = 128; i < 300; ++i) {
    EXPECT_EQ(out[2 * i], added(2000.0, 100.0f / 255.0f)) << i;
    EXPECT_EQ(out[2 * i + 1], added(2000.0, 20.0f / 255.0f)) << i;
  }
}

TEST(Mixer, ChangedTargetsRampFromTheCurrentGainAndEndExactlyOnTheNewOne) {
  TestSample s(std::vector<int16_t>(4096, -3000), 2, 0, 4096);
  Voice v = steady_voice(&s.sample, 120, 120, 1);
  v.targetLeft = 10;  // right unchanged: only the left side ramps
  std::vector<float> out(2 * 200, 0.0f);
  mix_voice(&v, Ramp, out.data(), 200);
  EXPECT_EQ(v.lastTargetLeft, 10);
  EXPECT_EQ(v.rampStepRight, 0.0f);
  EXPECT_EQ(v.currentLeft, 10 * 256);
  EXPECT_EQ(out[1], added(-3000.0, 120.0f * 256.0f * (1.0f / 256.0f) * 0.003921569f));
  EXPECT_EQ(out[0], out[1]);  // the ramp starts at the old gain
  for (int i = 1; i < 128; ++i) EXPECT_GT(out[2 * i], out[2 * i - 2]) << i;  // -3000 x falling gain
  EXPECT_EQ(out[2 * 128], added(-3000.0, 10.0f / 255.0f));
  EXPECT_EQ(out[2 * 199 + 1], added(-3000.0, 120.0f / 255.0f));
}

TEST(Mixer, ForwardLoopWrapsSeveralLoopLengthsInOneFrame) {
  std::vector<int16_t> values;
  for (int i = 0; i < 8; ++i) values.push_back(static_cast<int16_t>(100 * (i + 1)));
  TestSample s(values, 2, 4, 4);  // loop over 4..7
  Voice v = steady_voice(&s.sample, 255, 0, 9);  // nine samples a frame: two loop lengths and more
  std::vector<float> out(2 * 6, 0.0f);
  mix_voice(&v, Ramp, out.data(), 6);
  // Positions 0, 9 -> 5, 14 -> 6, 15 -> 7, 16 -> 4, 13 -> 5.
  const float expected[] = {100, 600, 700, 800, 500, 600};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[2 * i], expected[i]) << i;
  EXPECT_EQ(v.samplePosition, 6u);
  EXPECT_NE(v.sample, nullptr);
}

TEST(Mixer, PingPongReversesAtBothEndsAndReadsOnlyTheLoopAndItsGuard) {
  // Values outside the loop are loud; inside they stay below 1000.
  std::vector<int16_t> values(40, 30000);
  for (int i = 10; i < 20; ++i) values[i] = static_cast<int16_t>(i * 10);
  TestSample s(values, 4, 10, 10);
  s.data[21] = 30000;  // beyond the guard
  Voice v = steady_voice(&s.sample, 255, 255, 0, 0xB0000000u);  // 0.6875 samples a frame
  v.samplePosition = 12;
  std::vector<float> out(2 * 400, 0.0f);
  bool sawBackward = false, sawForwardAgain = false;
  for (int block = 0; block < 40; ++block) {
    mix_voice(&v, Ramp, out.data() + 20 * block, 10);
    if (v.direction == 2) sawBackward = true;
    if (sawBackward && v.direction == 1) sawForwardAgain = true;
    ASSERT_GE(v.samplePosition, 10u);
    ASSERT_LE(v.samplePosition, 20u);
  }
  EXPECT_TRUE(sawBackward);
  EXPECT_TRUE(sawForwardAgain);
  for (int i = 0; i < 400; ++i) {
    EXPECT_GE(out[2 * i], 100.0f) << i;
    EXPECT_LE(out[2 * i], 190.0f) << i;
  }
  // A step larger than the loop reflects back and forth inside it.
  Voice fast = steady_voice(&s.sample, 255, 0, 23);
  fast.samplePosition = 15;
  std::vector<float> more(2 * 50, 0.0f);
  mix_voice(&fast, Ramp, more.data(), 50);
  for (int i = 0; i < 50; ++i) EXPECT_LE(more[2 * i], 190.0f) << i;
  EXPECT_GE(fast.samplePosition, 10u);
  EXPECT_LT(fast.samplePosition, 20u);
}

TEST(Mixer, PingPongLoopFromZeroLandingExactlyOnTheStart) {
  TestSample s({100, 200, 300, 400}, 4, 0, 4);
  Voice v = steady_voice(&s.sample, 255, 0, 1);
  std::vector<float> out(2 * 16, 0.0f);
  mix_voice(&v, Ramp, out.data(), 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_GE(out[2 * i], 100.0f) << i;
    EXPECT_LE(out[2 * i], 400.0f) << i;
  }
  EXPECT_LT(v.samplePosition, 4u);
}

// Every read of a ping-pong voice stays inside its loop and guard, over many turns in both
// directions: the loop holds zeros and every value around it is loud, so a single read outside
// shows in the output. Odd steps move a backward pass further than the step (bit 0 is cleared
// before a negated step is added), which once made the last frame of a pass read below the loop
// start: data[loopStart - 1], or far outside the sample for a loop from 0.
TEST(Mixer, PingPongReadsStayInsideTheLoopForEveryStepStartAndLength) {
  const uint64_t steps[] = {0x101ull,        0x100ull,           0x10001ull,         0x7FFFFFFFull,
                            0x80000001ull,   0xB0000000ull,      (1ull << 32) | 1,   (1ull << 32) | 0x2468ACE1u,
                            3ull << 32,      (5ull << 32) | 7,   (40000ull << 32) | 0x80000001ull};
  const uint32_t starts[] = {0, 1, 7};
  const uint32_t lengths[] = {1, 2, 3, 16, 32, 1000, 4097};
  const int32_t blocks[] = {1, 2, 7, 884, 1001, 33, 512};
  for (uint32_t loopStart : starts) {
    for (uint32_t loopLength : lengths) {
      std::vector<int16_t> values(loopStart + loopLength + 4, 32767);
      for (uint32_t i = loopStart; i < loopStart + loopLength; ++i) values[i] = 0;
      TestSample s(values, 4, loopStart, loopLength);
      for (size_t i = values.size(); i < s.data.size(); ++i) s.data[i] = 32767;
      const uint64_t first = uint64_t{loopStart} << 32, last = (uint64_t{loopStart} + loopLength) << 32;
      const uint64_t positions[] = {first, first + 1, first + 3, first + 0x80000001ull, last - 1, last - 2,
                                    (first + last) / 2 | 1};
      for (uint64_t step : steps) {
        for (uint64_t position : positions) {
          for (int32_t direction : {1, 2}) {
            Voice v = steady_voice(&s.sample, 255, 255, static_cast<uint32_t>(step >> 32),
                                   static_cast<uint32_t>(step));
            v.samplePosition = static_cast<uint32_t>(position >> 32);
            v.fraction = static_cast<uint32_t>(position);
            v.direction = direction;
            std::vector<float> out(2 * 1024);
            for (int turn = 0; turn < 6; ++turn) {
              for (int32_t frames : blocks) {
                std::fill(out.begin(), out.begin() + 2 * frames, 0.0f);
                mix_voice(&v, Ramp, out.data(), frames);
                ASSERT_EQ(v.sample, &s.sample);
                ASSERT_GE(v.samplePosition, loopStart);
                ASSERT_LT(v.samplePosition, loopStart + loopLength);
                for (int32_t i = 0; i < 2 * frames; ++i)
                  ASSERT_EQ(out[i], 0.0f) << "loop " << loopStart << "+" << loopLength << " step " << step
                                          << " from " << position << " direction " << direction << " frame "
                                          << i / 2;
              }
            }
          }
        }
      }
    }
  }
}

TEST(Mixer, UnloopedVoiceStopsExactlyAtItsEndAndStaysStopped) {
  std::vector<int16_t> values;
  for (int i = 0; i < 10; ++i) values.push_back(static_cast<int16_t>(i + 1));
  TestSample s(values);
  Voice v = steady_voice(&s.sample, 255, 0, 1);
  std::vector<float> out(2 * 20, 0.0f);
  mix_voice(&v, Ramp, out.data(), 20);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[2 * i], static_cast<float>(i + 1)) << i;
  for (int i = 10; i < 20; ++i) EXPECT_EQ(out[2 * i], 0.0f) << i;
  EXPECT_EQ(v.sample, nullptr);
  EXPECT_EQ(v.samplePosition, 0u);
  EXPECT_EQ(v.fraction, 0u);
  Voice pool[1] = {v};
  mix_voice_set(pool, 1, Ramp, out.data(), 20);
  EXPECT_EQ(out[20], 0.0f);
}

TEST(Mixer, EmptySampleStopsAtOnceWithoutReadingData) {
  ASSERT_EQ(EmptySample.data, nullptr);
  Voice v = steady_voice(&EmptySample, 127, 127, 1);
  v.currentLeft = v.currentRight = 0;  // a fresh trigger: a ramp is pending
  std::vector<float> out(2 * 8, 0.0f);
  mix_voice(&v, Ramp, out.data(), 8);
  EXPECT_EQ(v.sample, nullptr);
  for (float value : out) EXPECT_EQ(value, 0.0f);
}

TEST(Mixer, SilentVoicesAdvanceExactlyLikeAudibleOnes) {
  // Same voice twice, once at gain 0: positions, loop state and direction must agree, including
  // the cleared lowest position bit with an odd step.
  std::vector<int16_t> values(5000, 7);
  TestSample pingPong(values, 4, 1000, 3000);
  TestSample forward(values, 2, 100, 2900);
  for (const Sample* sample : {&pingPong.sample, &forward.sample}) {
    Voice loud = steady_voice(sample, 200, 100, 3, 0x12345679u);
    Voice quiet = steady_voice(sample, 0, 0, 3, 0x12345679u);
    loud.fraction = quiet.fraction = 0x00000001u;
    std::vector<float> out(2 * 4000, 0.0f);
    for (int block = 0; block < 7; ++block) {
      mix_voice(&loud, Ramp, out.data(), 1001 + block);
      mix_voice(&quiet, Ramp, out.data(), 1001 + block);
      ASSERT_EQ(loud.samplePosition, quiet.samplePosition) << block;
      ASSERT_EQ(loud.fraction, quiet.fraction) << block;
      ASSERT_EQ(loud.direction, quiet.direction) << block;
    }
  }
}

// Silent voices in short forward loops skip their passes; the positions must still be those of
// the pass-by-pass walk (a current gain of 1/256 keeps a voice on it while adding nothing
// audible) and of the plain per-frame rule, with loops shorter than one step, odd steps, starts
// before the loop or on its end, and blocks of every parity.
TEST(Mixer, SilentVoicesInShortForwardLoopsSkipToTheSamePositions) {
  const uint64_t steps[] = {0x5E000123ull, (1ull << 32) | 0x80000001ull, 3ull << 32, (7ull << 32) | 0x2468ACE1u,
                            0x0000A001ull};
  const uint32_t loops[][2] = {{0, 1}, {0, 2}, {5, 3}, {40, 17}, {0, 64}};
  const int32_t blocks[] = {1, 2, 7, 884, 1001, 33};
  std::vector<int16_t> values(128, 3);
  for (const auto& loop : loops) {
    TestSample s(values, 2, loop[0], loop[1]);
    const uint64_t end = uint64_t{loop[0]} + loop[1];
    for (uint64_t step : steps) {
      for (uint32_t start : {0u, loop[0], static_cast<uint32_t>(end)}) {
        Voice quiet = steady_voice(&s.sample, 0, 0, static_cast<uint32_t>(step >> 32), static_cast<uint32_t>(step));
        quiet.samplePosition = start;
        quiet.fraction = 0xFFFFFFFFu;
        quiet.lastTargetLeft = 9;  // as after a fade: the passes reset these
        quiet.rampStepLeft = 0.5f;
        Voice walked = quiet;
        walked.currentLeft = 1;
        uint64_t p = uint64_t{start} << 32 | quiet.fraction;
        std::vector<float> out(2 * 1001, 0.0f);
        for (int32_t frames : blocks) {
          mix_voice(&quiet, Ramp, out.data(), frames);
          mix_voice(&walked, Ramp, out.data(), frames);
          for (int32_t i = 0; i < frames; ++i) {
            p = (p & ~1ull) + step;
            uint64_t integer = p >> 32;
            if (integer >= end) p = (loop[0] + (integer - loop[0]) % loop[1]) << 32 | (p & 0xFFFFFFFFu);
          }
          ASSERT_EQ(quiet.sample, &s.sample);
          ASSERT_EQ(quiet.samplePosition, walked.samplePosition) << loop[1] << " step " << step << " start " << start;
          ASSERT_EQ(quiet.fraction, walked.fraction) << loop[1] << " step " << step << " start " << start;
          ASSERT_EQ(uint64_t{quiet.samplePosition} << 32 | quiet.fraction, p) << loop[1] << " step " << step;
          ASSERT_EQ(quiet.lastTargetLeft, walked.lastTargetLeft);
          ASSERT_EQ(quiet.rampStepLeft, walked.rampStepLeft);
        }
        for (float value : out) ASSERT_LT(value, 0.001f);
      }
    }
  }
  // A start past the loop's end (an offset into the tail) plays on to the sample's end first.
  TestSample tail(values, 2, 10, 20);
  Voice quiet = steady_voice(&tail.sample, 0, 0, 1);
  quiet.samplePosition = 60;
  Voice walked = quiet;
  walked.currentRight = 1;
  std::vector<float> out(2 * 200, 0.0f);
  for (int32_t frames : {50, 100, 200}) {
    mix_voice(&quiet, Ramp, out.data(), frames);
    mix_voice(&walked, Ramp, out.data(), frames);
    ASSERT_EQ(quiet.samplePosition, walked.samplePosition) << frames;
    ASSERT_EQ(quiet.fraction, walked.fraction) << frames;
  }
  // 68 frames reach the end (128 -> 28), the other 282 go round the loop.
  EXPECT_EQ(walked.samplePosition, 10u + (28u - 10u + 282u) % 20u);
}

// The packed loops (two and four frames an iteration) against the per-frame formula, bit for bit:
// every frame count from 0 to 40, forward and backward steps, odd and even step fractions.
TEST(MixerKernels, PackedLoopsGiveTheBitsOfThePerFrameFormula) {
  std::vector<int16_t> data(4096 + 8);
  uint32_t seed = 12345;
  for (int16_t& value : data) {
    seed = seed * 1103515245u + 12345u;
    value = static_cast<int16_t>(seed >> 16);
  }
  const uint64_t steps[] = {0x5E000123ull, 0x5E000122ull, (3ull << 32) | 0x80000001ull, 1ull << 32,
                            ~((1ull << 32) | 0x1234567ull) + 1};  // the last one backward
  for (uint64_t step : steps) {
    for (int32_t cnt = 0; cnt <= 40; ++cnt) {
      uint64_t start = (2000ull << 32) | 0x9ABCDEF1u;
      std::vector<float> got(2 * 41, 0.25f), want(2 * 41, 0.25f);
      const float gL = 0.7f, gR = 0.3f, cL = 0.69f, cR = 0.31f;
      uint64_t end = mix_constant(data.data(), start, step, got.data(), cnt, gL, gR, cL, cR);
      uint64_t p = start;
      for (int32_t i = 0; i < cnt; ++i) {
        uint32_t index = static_cast<uint32_t>(p >> 32);
        double w = static_cast<double>(static_cast<uint32_t>(p) / 2) * (1.0 / 2147483648.0);
        double v = data[index] + w * (static_cast<double>(data[index + 1]) - data[index]);
        bool oddLast = (cnt & 1) && i == cnt - 1;
        want[2 * i] = static_cast<float>(want[2 * i] + v * static_cast<double>(oddLast ? cL : gL));
        want[2 * i + 1] = static_cast<float>(want[2 * i + 1] + v * static_cast<double>(oddLast ? cR : gR));
        p = (p & ~1ull) + step;
      }
      ASSERT_EQ(end, p) << cnt;
      for (int i = 0; i < 2 * 41; ++i) ASSERT_EQ(got[i], want[i]) << "step " << step << " cnt " << cnt << " at " << i;

      float rampL = 0.1f, rampR = 0.9f;
      std::vector<float> ramped(2 * 41, 0.0f), expected(2 * 41, 0.0f);
      uint64_t rampEnd = mix_ramp(data.data(), start, step, ramped.data(), cnt, &rampL, &rampR, 0.01f, -0.02f);
      float eL = 0.1f, eR = 0.9f;
      p = start;
      for (int32_t i = 0; i < cnt; ++i) {
        uint32_t index = static_cast<uint32_t>(p >> 32);
        double w = static_cast<double>(static_cast<uint32_t>(p) / 2) * (1.0 / 2147483648.0);
        double v = data[index] + w * (static_cast<double>(data[index + 1]) - data[index]);
        expected[2 * i] = static_cast<float>(0.0 + v * static_cast<double>(eL));
        expected[2 * i + 1] = static_cast<float>(0.0 + v * static_cast<double>(eR));
        eL += 0.01f;
        eR += -0.02f;
        p = (p & ~1ull) + step;
      }
      ASSERT_EQ(rampEnd, p) << cnt;
      ASSERT_EQ(rampL, eL) << cnt;
      ASSERT_EQ(rampR, eR) << cnt;
      for (int i = 0; i < 2 * 41; ++i) ASSERT_EQ(ramped[i], expected[i]) << "ramp cnt " << cnt << " at " << i;
    }
  }
}

}  // namespace
