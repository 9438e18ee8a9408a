// Checks a real wave device through the seam: a looping two-second tone plays for three seconds and
// the bytes played must follow the clock (176,400 a second at 44,100 Hz, about 50 segments of 884
// frames a second) and keep rising past the end of the buffer. Exit code 0 when they do.
// --seconds N measures for N seconds; --min-ratio R and --max-ratio R set the bounds. --max-ratio loosens the upper bound for sinks that play faster than real time (ALSA's null
// device under wine takes whatever it is given); the count must still never fall behind real time.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/os.h"
#include "platform/wave_device.h"

int main(int argc, char** argv) {
  double maxRatio = 1.15;
  double minRatio = 0.85;
  unsigned measureSeconds = 3;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--max-ratio") == 0) maxRatio = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--min-ratio") == 0) minRatio = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--seconds") == 0) measureSeconds = static_cast<unsigned>(std::atoi(argv[i + 1]));
  }
  const int rate = 44100;
  const uint32_t frames = 88400;  // the player's looping buffer: 100 segments of 884 frames
  std::vector<int16_t> pcm(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    // 441 Hz: a whole number of periods in the buffer, so the loop is seamless.
    auto value = static_cast<int16_t>(4000.0 * std::sin(2.0 * 3.14159265358979 * 441.0 * i / rate));
    pcm[2 * i] = pcm[2 * i + 1] = value;
  }
  if (!wave_device_open(rate)) {
    std::printf("no wave device opened\n");
    return 1;
  }
  if (!wave_device_play_looping(pcm.data(), frames * 4)) {
    std::printf("the device did not take the looping buffer\n");
    wave_device_close();
    return 1;
  }
  uint64_t frequency = 0, start = 0, now = 0;
  os_counter_frequency(&frequency);
  os_sleep_ms(300);  // let the device settle: some start late
  uint64_t firstBytes = wave_device_bytes_played();
  os_counter(&start);
  uint64_t last = firstBytes;
  bool monotonic = true;
  do {
    os_sleep_ms(5);
    uint64_t bytes = wave_device_bytes_played();
    if (bytes < last) monotonic = false;
    last = bytes;
    os_counter(&now);
  } while (now - start < measureSeconds * frequency);
  double seconds = static_cast<double>(now - start) / static_cast<double>(frequency);
  double perSecond = static_cast<double>(last - firstBytes) / seconds;
  double ratio = perSecond / (rate * 4.0);
  wave_device_reset();
  wave_device_close();

  bool ok = monotonic && ratio > minRatio && ratio < maxRatio && last > frames * 4u;
  std::printf("%s%llu bytes played in all, %.0f bytes a second (%.3f of real time), %.1f segments a second\n",
              monotonic ? "" : "the count went backwards; ", static_cast<unsigned long long>(last), perSecond, ratio,
              perSecond / (884.0 * 4.0));
  return ok ? 0 : 1;
}
