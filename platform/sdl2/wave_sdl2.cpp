// The SDL2 wave device: an audio callback copies from the looping PCM buffer at a play cursor and
// adds what it copied to an atomic byte count, the same contract as winmm's looping header.
// Subtle: the count handed out lags what was copied by one device buffer, the part SDL holds
// before it is heard, so the music position follows the sound, not the copy.
#include <SDL.h>

#include <atomic>

#include "looping_copy.h"
#include "platform/wave_device.h"

namespace {
struct SdlWave {
  SDL_AudioDeviceID device = 0;
  uint32_t deviceBufferBytes = 0;
  // Read by the callback under SDL's device lock; changed with the device locked.
  const uint8_t* loop = nullptr;
  uint32_t loopBytes = 0;
  uint32_t cursor = 0;
  std::atomic<uint64_t> copied{0};
};
SdlWave g_wave;

void SDLCALL fill(void* context, Uint8* stream, int length) {
  auto* wave = static_cast<SdlWave*>(context);
  if (length <= 0) return;
  copy_from_loop(stream, static_cast<uint32_t>(length), wave->loop, wave->loopBytes, &wave->cursor);
  if (wave->loop) wave->copied.fetch_add(static_cast<uint64_t>(length), std::memory_order_relaxed);
}
}  // namespace

bool wave_device_open(int rate) {
  if (g_wave.device) wave_device_close();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = 1024;
  wanted.callback = fill;
  wanted.userdata = &g_wave;
  SDL_AudioSpec obtained{};
  g_wave.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);  // no changes: SDL converts
  if (g_wave.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  g_wave.deviceBufferBytes = obtained.size;
  return true;
}

bool wave_device_play_looping(const void* buffer, uint32_t bytes) {
  if (!g_wave.device || !buffer || bytes == 0) return false;
  SDL_LockAudioDevice(g_wave.device);
  g_wave.loop = static_cast<const uint8_t*>(buffer);
  g_wave.loopBytes = bytes;
  g_wave.cursor = 0;
  g_wave.copied = 0;
  SDL_UnlockAudioDevice(g_wave.device);
  SDL_PauseAudioDevice(g_wave.device, 0);
  return true;
}

uint64_t wave_device_bytes_played() {
  uint64_t copied = g_wave.copied.load(std::memory_order_relaxed);
  return copied > g_wave.deviceBufferBytes ? copied - g_wave.deviceBufferBytes : 0;
}

void wave_device_reset() {
  if (!g_wave.device) return;
  SDL_PauseAudioDevice(g_wave.device, 1);
  SDL_LockAudioDevice(g_wave.device);  // the callback is not running once this returns
  g_wave.loop = nullptr;
  g_wave.loopBytes = 0;
  g_wave.cursor = 0;
  SDL_UnlockAudioDevice(g_wave.device);
}

void wave_device_close() {
  if (!g_wave.device) return;
  wave_device_reset();
  SDL_CloseAudioDevice(g_wave.device);
  g_wave.device = 0;
  g_wave.copied = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
