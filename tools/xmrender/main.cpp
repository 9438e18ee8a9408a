// xmrender: renders an XM file with the engine's player and mixer to a 44,100 Hz 16-bit stereo
// WAV, optionally with a per-segment timeline; --bench renders to memory and reports the speed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "song_render.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: xmrender IN.xm OUT.wav [--timeline FILE] [--seconds N] [--solo C,...] [--mute C,...]\n"
               "       xmrender IN.xm --bench [--seconds N]\n"
               "Stops at the song's first wrap to its restart position (or after 600 s) unless --seconds is given.\n"
               "Channels are numbered from 0.\n");
}

bool read_file(const char* path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes->insert(bytes->end(), buffer, buffer + got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

void put32(FILE* file, uint32_t value) {
  uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  std::fwrite(b, 1, 4, file);
}
void put16(FILE* file, uint16_t value) {
  uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
  std::fwrite(b, 1, 2, file);
}

// The 44-byte RIFF header for 16-bit stereo PCM at 44,100 Hz.
void write_wav_header(FILE* file, uint32_t dataBytes) {
  std::fwrite("RIFF", 1, 4, file);
  put32(file, 36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, file);
  put32(file, 16);
  put16(file, 1);
  put16(file, 2);
  put32(file, 44100);
  put32(file, 44100 * 4);
  put16(file, 4);
  put16(file, 16);
  std::fwrite("data", 1, 4, file);
  put32(file, dataBytes);
}

double cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  const char* input = nullptr;
  const char* output = nullptr;
  const char* timelinePath = nullptr;
  bool bench = false;
  uint32_t solo = 0, mute = 0;
  SongRenderOptions options;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (!std::strcmp(arg, "--bench")) {
      bench = true;
    } else if (!std::strcmp(arg, "--timeline") && hasValue) {
      timelinePath = argv[++i];
    } else if (!std::strcmp(arg, "--seconds") && hasValue) {
      options.seconds = std::atof(argv[++i]);
      if (options.seconds <= 0) {
        std::fprintf(stderr, "xmrender: --seconds needs a positive number\n");
        return 2;
      }
    } else if ((!std::strcmp(arg, "--solo") || !std::strcmp(arg, "--mute")) && hasValue) {
      uint32_t* mask = arg[2] == 's' ? &solo : &mute;
      if (!parse_channel_list(argv[++i], mask)) {
        std::fprintf(stderr, "xmrender: bad channel list '%s'\n", argv[i]);
        return 2;
      }
    } else if (arg[0] == '-' && arg[1] == '-') {
      usage();
      return 2;
    } else if (!input) {
      input = arg;
    } else if (!output) {
      output = arg;
    } else {
      usage();
      return 2;
    }
  }
  if (!input || (!output && !bench)) {
    usage();
    return 2;
  }
  options.mutedChannels = mute | (solo ? ~solo : 0);

  std::vector<uint8_t> bytes;
  if (!read_file(input, &bytes)) {
    std::fprintf(stderr, "xmrender: cannot read '%s'\n", input);
    return 1;
  }

  if (bench) {
    double start = cpu_seconds();
    SongRenderResult result = render_song(bytes, options, nullptr);
    double cpu = cpu_seconds() - start;
    if (!result.loaded) {
      std::fprintf(stderr, "xmrender: '%s' is not a module the player can load\n", input);
      return 1;
    }
    double audio = static_cast<double>(result.frames) / 44100.0;
    std::printf("audio %.3f s  cpu %.4f s  realtime %.0fx\n", audio, cpu, cpu > 0 ? audio / cpu : 0.0);
    return 0;
  }

  FILE* wav = std::fopen(output, "wb");
  if (!wav) {
    std::fprintf(stderr, "xmrender: cannot write '%s'\n", output);
    return 1;
  }
  FILE* timeline = nullptr;
  if (timelinePath && !(timeline = std::fopen(timelinePath, "w"))) {
    std::fprintf(stderr, "xmrender: cannot write '%s'\n", timelinePath);
    std::fclose(wav);
    return 1;
  }
  write_wav_header(wav, 0);
  SongRenderResult result = render_song(bytes, options, [&](const SongSegment& segment) {
    std::fwrite(segment.pcm, sizeof(int16_t), static_cast<size_t>(segment.frames) * 2, wav);
    if (timeline) std::fprintf(timeline, "%lld %d %d\n", static_cast<long long>(segment.index), segment.order, segment.row);
  });
  bool ok = result.loaded;
  if (ok) {
    std::fseek(wav, 0, SEEK_SET);
    write_wav_header(wav, static_cast<uint32_t>(result.frames * 4));
  }
  ok = (std::fclose(wav) == 0) && ok;
  if (timeline) ok = (std::fclose(timeline) == 0) && ok;
  if (!result.loaded) {
    std::fprintf(stderr, "xmrender: '%s' is not a module the player can load\n", input);
    std::remove(output);
    return 1;
  }
  if (!ok) {
    std::fprintf(stderr, "xmrender: writing failed\n");
    return 1;
  }
  std::fprintf(stderr, "xmrender: %.2f s%s\n", static_cast<double>(result.frames) / 44100.0,
               result.wrapped ? " (one pass)" : "");
  return 0;
}
