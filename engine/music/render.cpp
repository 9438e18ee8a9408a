// Renders 20-millisecond segments of the playing module into the looping PCM buffer and records
// the order and row reached in the position ring. Ticks fall on exact frame boundaries; a tick
// started in one segment continues into the next through the module's samplesLeftInTick.
#include "music/render.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "music/mixer.h"
#include "music/module.h"
#include "music/playback.h"
#include "music/player.h"

namespace {
constexpr int32_t kBufferMilliseconds = 1000;  // the buffer holds twice this

// Ring entries are read by the thread that asks for the position while the renderer writes
// others; byte-sized atomic accesses keep that defined.
void store_entry(PositionEntry* entry, int32_t order, int32_t row) {
  __atomic_store_n(&entry->order, static_cast<uint8_t>(order), __ATOMIC_SEQ_CST);
  __atomic_store_n(&entry->row, static_cast<uint8_t>(row), __ATOMIC_SEQ_CST);
}
}  // namespace

void playback_set_rates(Playback& state) {
  state.rate = kOutputRate;
  state.rateReciprocal = 1.0f / static_cast<float>(state.rate);
  state.segmentFrames = ((state.rate * 20 / 1000) + 3) & ~3;
  state.totalFrames = (kBufferMilliseconds / 20) * state.segmentFrames * 2;
  state.segmentCount = state.totalFrames / state.segmentFrames;
  state.rampLength = state.rate * 128 / kOutputRate;
  state.rampReciprocal = 1.0f / static_cast<float>(state.rampLength);
}

bool playback_reset(Playback& state, Module* module) {
  playback_set_rates(state);
  for (int i = 0; i < kVoiceCount; ++i) {
    state.voices[i] = Voice{};
    state.voices[i].index = i;
    state.voices[i].stepInteger = 1;
  }
  module->speed = module->defaultSpeed;
  module->globalVolume = module->initialGlobalVolume;
  module->nextOrder = module->nextRow = -1;
  module->samplesLeftInTick = 0;
  module->tick = 0;
  module->patternDelayTicks = 0;
  set_bpm(module, module->defaultBpm);
  int channels = module->channelCount < kChannelCount ? module->channelCount : kChannelCount;
  for (int i = 0; i < channels; ++i) {
    state.channels[i] = Channel{};
    state.channels[i].voice = &state.voices[i];
  }
  state.module = module;
  state.positionRing = static_cast<PositionEntry*>(std::calloc(static_cast<size_t>(state.segmentCount), sizeof(PositionEntry)));
  state.writeSegment = 0;
  state.playSegment = 0;
  return state.positionRing != nullptr;
}

bool playback_allocate_buffers(Playback& state) {
  size_t values = static_cast<size_t>(state.totalFrames) * 2;
  state.pcm = static_cast<int16_t*>(std::calloc(values, sizeof(int16_t)));
  state.mixBlock = std::calloc(static_cast<size_t>(state.totalFrames) * 8 + 256, 1);
  if (!state.pcm || !state.mixBlock) return false;
  uintptr_t address = reinterpret_cast<uintptr_t>(state.mixBlock);
  state.mix = reinterpret_cast<float*>((address + 15) & ~uintptr_t{15});
  return true;
}

void playback_free_buffers(Playback& state) {
  std::free(state.mixBlock);
  state.mixBlock = nullptr;
  state.mix = nullptr;
  std::free(state.pcm);
  state.pcm = nullptr;
  state.module = nullptr;
  std::free(state.positionRing);
  state.positionRing = nullptr;
}

bool render_open(Module* module) {
  Playback& state = playback();
  if (!module || state.thread || state.deviceOpen) return false;
  playback_free_buffers(state);
  if (!playback_reset(state, module) || !playback_allocate_buffers(state)) {
    render_close();
    return false;
  }
  return true;
}

void render_close() {
  Playback& state = playback();
  if (state.thread || state.deviceOpen) return;  // a device player is stopped by player_stop
  playback_free_buffers(state);
  state.writeSegment = 0;
  state.playSegment = 0;
}

void render_segment() {
  Playback& state = playback();
  Module* module = state.module;
  int32_t frames = state.segmentFrames;
  int32_t base = state.writeSegment * frames;
  float* mix = state.mix + 2 * static_cast<size_t>(base);
  std::memset(mix, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
  int32_t done = 0;
  int32_t left = module->samplesLeftInTick;
  while (done < frames) {
    if (left <= 0) {
      if (module->tickHandler) module->tickHandler(module);
      left = module->samplesPerTick;
      if (left <= 0) left = frames - done;  // a broken tempo still lets the segment end
    }
    int32_t n = left < frames - done ? left : frames - done;
    mix_voices(mix + 2 * static_cast<size_t>(done), n);
    done += n;
    left -= n;
  }
  store_entry(&state.positionRing[state.writeSegment], module->order, module->row);
  module->samplesLeftInTick = left;
  convert_to_pcm16(state.pcm + 2 * static_cast<size_t>(base), mix, frames);
  state.writeSegment = (state.writeSegment + 1) % state.segmentCount;
}

const int16_t* render_segment_pcm(int32_t segment) {
  Playback& state = playback();
  return state.pcm + 2 * static_cast<size_t>(segment) * state.segmentFrames;
}

int32_t position_ring_entry(const Playback& state, int32_t segment) {
  if (!state.positionRing || segment < 0 || segment >= state.segmentCount) return 0;
  const PositionEntry* entry = &state.positionRing[segment];
  int32_t order = __atomic_load_n(&entry->order, __ATOMIC_SEQ_CST);
  int32_t row = __atomic_load_n(&entry->row, __ATOMIC_SEQ_CST);
  return order << 8 | row;
}

void convert_to_pcm16(int16_t* destination, const float* source, int32_t frames) {
  if (frames <= 0 || !destination || !source) return;
  int32_t count = frames * 2;
  int32_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  // cvtps2dq rounds with the default mode (to nearest, ties to even); clamping first keeps it exact.
  const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
  for (; i + 8 <= count; i += 8) {
    __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i), low), high);
    __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i + 4), low), high);
    __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
  }
#endif
  for (; i < count; ++i) {
    float value = source[i];
    if (value < -32768.0f) value = -32768.0f;
    if (value > 32767.0f) value = 32767.0f;
    destination[i] = static_cast<int16_t>(std::nearbyint(value));
  }
}
