// Wave output through winmm: the wave mapper plays one header that loops for ever, and the bytes
// played come from waveOutGetPosition in TIME_BYTES. Subtle: winmm's count is 32-bit; it is
// widened here by noticing when it wraps, so the seam's 64-bit count keeps rising past 4 GiB.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "platform/wave_device.h"

namespace {
struct WinmmWave {
  HWAVEOUT device = nullptr;
  WAVEHDR header{};
  bool prepared = false;
  CRITICAL_SECTION lock{};  // guards the widening of the 32-bit count
  bool lockReady = false;
  uint32_t lastBytes = 0;
  uint64_t wraps = 0;
  int blockAlign = 4;
};
WinmmWave g_wave;

void release_header() {
  if (!g_wave.prepared) return;
  waveOutReset(g_wave.device);  // hands the looping header back
  waveOutUnprepareHeader(g_wave.device, &g_wave.header, sizeof g_wave.header);
  g_wave.prepared = false;
}
}  // namespace

bool wave_device_open(int rate) {
  if (g_wave.device) wave_device_close();
  WAVEFORMATEX format;
  std::memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
  format.cbSize = 0;
  if (waveOutOpen(&g_wave.device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    g_wave.device = nullptr;
    return false;
  }
  if (!g_wave.lockReady) {
    InitializeCriticalSection(&g_wave.lock);
    g_wave.lockReady = true;
  }
  g_wave.blockAlign = format.nBlockAlign;
  return true;
}

bool wave_device_play_looping(const void* buffer, uint32_t bytes) {
  if (!g_wave.device || !buffer || bytes == 0) return false;
  release_header();
  std::memset(&g_wave.header, 0, sizeof g_wave.header);
  g_wave.header.lpData = static_cast<LPSTR>(const_cast<void*>(buffer));
  g_wave.header.dwBufferLength = bytes;
  g_wave.header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  g_wave.header.dwLoops = 0xFFFFFFFF;
  if (waveOutPrepareHeader(g_wave.device, &g_wave.header, sizeof g_wave.header) != MMSYSERR_NOERROR) return false;
  g_wave.prepared = true;
  EnterCriticalSection(&g_wave.lock);
  g_wave.lastBytes = 0;
  g_wave.wraps = 0;
  LeaveCriticalSection(&g_wave.lock);
  if (waveOutWrite(g_wave.device, &g_wave.header, sizeof g_wave.header) != MMSYSERR_NOERROR) {
    release_header();
    return false;
  }
  return true;
}

uint64_t wave_device_bytes_played() {
  if (!g_wave.device || !g_wave.prepared) return 0;
  MMTIME time;
  std::memset(&time, 0, sizeof time);
  time.wType = TIME_BYTES;
  if (waveOutGetPosition(g_wave.device, &time, sizeof time) != MMSYSERR_NOERROR) return 0;
  uint32_t bytes;
  if (time.wType == TIME_BYTES)
    bytes = time.u.cb;
  else if (time.wType == TIME_SAMPLES)  // a driver that will not count bytes: frames of 4 bytes
    bytes = time.u.sample * static_cast<uint32_t>(g_wave.blockAlign);
  else
    return 0;
  EnterCriticalSection(&g_wave.lock);
  if (bytes < g_wave.lastBytes) ++g_wave.wraps;
  g_wave.lastBytes = bytes;
  uint64_t total = (g_wave.wraps << 32) | bytes;
  LeaveCriticalSection(&g_wave.lock);
  return total;
}

void wave_device_reset() {
  if (g_wave.device) release_header();
}

void wave_device_close() {
  if (!g_wave.device) return;
  release_header();
  waveOutClose(g_wave.device);
  g_wave.device = nullptr;
}
