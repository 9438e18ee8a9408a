// Silent wave device. Real time: the byte count follows the monotonic clock (176,400 bytes a
// second at 44,100 Hz). Stepped: the count moves only when the caller advances it, so tests and
// the capture tool see exact positions.
#include <atomic>

#include "platform/null_backend.h"
#include "platform/os.h"
#include "platform/wave_device.h"

namespace {
struct NullWave {
  std::atomic<bool> open{false};
  std::atomic<bool> playing{false};
  std::atomic<bool> stepped{false};
  std::atomic<bool> failOpen{false};
  std::atomic<uint64_t> steppedBytes{0};
  uint64_t startCounter = 0;
  int rate = 44100;
};
NullWave g_wave;
}  // namespace

bool wave_device_open(int rate) {
  if (g_wave.failOpen.load()) return false;
  g_wave.rate = rate;
  g_wave.open = true;
  return true;
}

bool wave_device_play_looping(const void*, uint32_t) {
  if (!g_wave.open) return false;
  g_wave.steppedBytes = 0;
  os_counter(&g_wave.startCounter);
  g_wave.playing = true;
  return true;
}

uint64_t wave_device_bytes_played() {
  if (!g_wave.playing) return 0;
  if (g_wave.stepped) return g_wave.steppedBytes.load();
  uint64_t now = 0, frequency = 1;
  if (!os_counter(&now) || !os_counter_frequency(&frequency)) return 0;
  uint64_t elapsed = now - g_wave.startCounter;
  // frames = elapsed * rate / frequency, without overflowing for long runs
  uint64_t frames = (elapsed / frequency) * g_wave.rate + (elapsed % frequency) * g_wave.rate / frequency;
  return frames * 4;
}

void wave_device_reset() { g_wave.playing = false; }
void wave_device_close() {
  g_wave.playing = false;
  g_wave.open = false;
}

void null_wave_set_stepped(bool stepped) { g_wave.stepped = stepped; }
void null_wave_advance(uint64_t bytes) { g_wave.steppedBytes += bytes; }
void null_wave_fail_open(bool fail) { g_wave.failOpen = fail; }
