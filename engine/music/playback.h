// The one playback context the output side renders: voices, channels, output rates and rings.
// Owned by the output side; the player and mixer touch it only on the rendering thread.
#pragma once
#include <atomic>
#include <cstdint>

#include "music/channel.h"
#include "music/module.h"
#include "music/voice.h"

struct OsThread;

constexpr int32_t kOutputRate = 44100;  // frames per second: the player times its ticks by it

struct PositionEntry {
  uint8_t order;
  uint8_t row;
};

struct Playback {
  int32_t rate;             // 44,100
  float rateReciprocal;
  int32_t segmentFrames;    // 884
  int32_t totalFrames;      // 88,400
  int32_t segmentCount;     // 100
  int32_t rampLength;       // 128 at 44,100 Hz
  float rampReciprocal;
  Voice voices[kVoiceCount];
  Channel channels[kChannelCount];
  Module* module;           // the playing module, null when stopped
  PositionEntry* positionRing;
  int32_t writeSegment;
  std::atomic<int32_t> playSegment;
  int16_t* pcm;             // totalFrames x 2
  float* mix;               // totalFrames x 2, 16-byte aligned inside mixBlock
  void* mixBlock;
  std::atomic<bool> stopRequested, mixingSegment, threadFinished;
  OsThread* thread;         // the output thread, null when none runs
  bool deviceOpen;          // the wave device is open
  bool silent;              // no device opened: the monotonic clock stands in for it
  uint64_t silentStart;     // the clock's count when the silent play began
};

Playback& playback();  // the one instance
