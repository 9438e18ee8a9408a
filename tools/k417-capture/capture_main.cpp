// k417-capture: runs the real show headless and frame-exact. Frame k gets time k * 1000 / fps ms
// and the position of the segment a device would be playing after k / fps seconds, so every run
// gives the same bytes. Writes PNG frames, the WAV heard, a Y4M stream and (with ffmpeg) an MP4.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "capture_session.h"
#include "png_writer.h"
#include "shell/fnv1a.h"
#include "y4m_writer.h"

namespace {
struct Options {
  int fps = 60;
  int scale = 1;
  std::string pngDir;
  int pngEvery = 0;         // 0: no PNG frames; n: every n-th frame
  long firstFrame = 0;      // PNG range, inclusive
  long lastFrame = -1;      // -1: to the end
  long maxFrames = -1;      // stop after this many frames (-1: when the show ends)
  std::string wavPath, y4mPath, mp4Path;
  bool progress = true;
  bool checksums = false;   // print frame index, position and checksum per frame
};

void usage() {
  std::fprintf(stderr,
               "usage: k417-capture [options]\n"
               "  --fps N            frames per second (default 60)\n"
               "  --png DIR          write PNG frames into DIR (frame-000000.png ...)\n"
               "  --every N          only every N-th frame as PNG (default 1)\n"
               "  --range A-B        only frames A to B as PNG\n"
               "  --scale 1|2|4      enlarge PNG and video frames by pixel doubling\n"
               "  --wav FILE         the tune as heard, 44,100 Hz 16-bit stereo\n"
               "  --y4m FILE         the video as a YUV4MPEG2 stream\n"
               "  --mp4 FILE         video with sound through ffmpeg (must be installed)\n"
               "  --frames N         stop after N frames\n"
               "  --checksums        print one line per frame: index, position, time, checksum\n"
               "  --quiet            no progress bar\n");
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--quiet") o.progress = false;
    else if (a == "--checksums") o.checksums = true;
    else if (a == "--help" || a == "-h") return false;
    else if (!(v = value())) {
      std::fprintf(stderr, "k417-capture: %s needs a value\n", a.c_str());
      return false;
    } else if (a == "--fps") o.fps = std::atoi(v);
    else if (a == "--png") {
      o.pngDir = v;
      if (o.pngEvery == 0) o.pngEvery = 1;
    } else if (a == "--every") o.pngEvery = std::atoi(v);
    else if (a == "--range") {
      if (std::sscanf(v, "%ld-%ld", &o.firstFrame, &o.lastFrame) != 2) return false;
    } else if (a == "--scale") o.scale = std::atoi(v);
    else if (a == "--wav") o.wavPath = v;
    else if (a == "--y4m") o.y4mPath = v;
    else if (a == "--mp4") o.mp4Path = v;
    else if (a == "--frames") o.maxFrames = std::atol(v);
    else {
      std::fprintf(stderr, "k417-capture: unknown option %s\n", a.c_str());
      return false;
    }
  }
  if (o.fps < 1 || o.fps > 1000) {
    std::fprintf(stderr, "k417-capture: --fps must be 1..1000\n");
    return false;
  }
  if (o.scale != 1 && o.scale != 2 && o.scale != 4) {
    std::fprintf(stderr, "k417-capture: --scale must be 1, 2 or 4\n");
    return false;
  }
  if (!o.pngDir.empty() && o.pngEvery < 1) o.pngEvery = 1;
  return true;
}


void draw_progress(long frame, uint32_t position) {
  int order = position >> 8;
  int filled = order * 40 / 35;
  std::fprintf(stderr, "\r[%-40.*s] frame %ld order %2d row %3d", filled,
               "########################################", frame, order, position & 0xFF);
}

bool ffmpeg_available() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

// One word for sh whatever the path holds: single quotes, each quote inside spelled '\''.
std::string shell_word(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}
}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    usage();
    return 2;
  }
  if (!o.pngDir.empty() && mkdir(o.pngDir.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "k417-capture: cannot create %s: %s\n", o.pngDir.c_str(), std::strerror(errno));
    return 1;
  }
  std::string y4mPath = o.y4mPath;
  std::string wavPath = o.wavPath;
  bool mp4 = !o.mp4Path.empty();
  if (mp4) {
    if (!ffmpeg_available()) {
      std::fprintf(stderr, "k417-capture: --mp4 needs ffmpeg, which is not installed\n");
      return 1;
    }
    if (y4mPath.empty()) y4mPath = o.mp4Path + ".y4m";
    if (wavPath.empty()) wavPath = o.mp4Path + ".wav";
  }

  CaptureSession session;
  if (!session.start()) return 1;
  if (!wavPath.empty() && !session.open_wav(wavPath)) {
    std::fprintf(stderr, "k417-capture: cannot write %s\n", wavPath.c_str());
    return 1;
  }

  FILE* y4mFile = nullptr;
  Y4mWriter y4m;
  if (!y4mPath.empty()) {
    y4mFile = std::fopen(y4mPath.c_str(), "wb");
    if (!y4mFile || !y4m.open(y4mFile, session.width(), session.height(), o.fps, o.scale)) {
      std::fprintf(stderr, "k417-capture: cannot write %s\n", y4mPath.c_str());
      return 1;
    }
  }

  long frame = 0;
  bool ok = true;
  for (; o.maxFrames < 0 || frame < o.maxFrames; ++frame) {
    uint32_t position = 0;
    if (!session.frame(frame, o.fps, &position)) break;
    const uint32_t* pixels = session.pixels();
    if (o.checksums)
      std::printf("%ld %04X %u %08X\n", frame, position, session.time_ms(), fnv1a(pixels, session.pixel_count() * 4));
    bool inRange = frame >= o.firstFrame && (o.lastFrame < 0 || frame <= o.lastFrame);
    if (!o.pngDir.empty() && inRange && (frame - o.firstFrame) % o.pngEvery == 0) {
      char name[64];
      std::snprintf(name, sizeof name, "/frame-%06ld.png", frame);
      if (!write_file(o.pngDir + name, encode_png(pixels, session.width(), session.height(), o.scale))) {
        std::fprintf(stderr, "\nk417-capture: cannot write %s%s\n", o.pngDir.c_str(), name);
        ok = false;
        break;
      }
    }
    if (y4mFile && !y4m.write_frame(pixels)) {
      std::fprintf(stderr, "\nk417-capture: cannot write %s\n", y4mPath.c_str());
      ok = false;
      break;
    }
    if (o.progress && frame % 30 == 0) draw_progress(frame, position);
  }
  if (o.progress) std::fprintf(stderr, "\n%ld frames\n", frame);
  if (y4mFile && std::fclose(y4mFile) != 0) ok = false;
  if (!wavPath.empty() && !session.finish_wav(frame, o.fps) && ok) {
    std::fprintf(stderr, "k417-capture: cannot write %s\n", wavPath.c_str());
    ok = false;
  }
  session.finish();
  if (ok && mp4) {
    // -nostdin: ffmpeg would otherwise read the caller's standard input for its keyboard commands,
    // swallowing the rest of a list a script feeds to a loop around this tool.
    std::string command = "ffmpeg -nostdin -loglevel error -y -i " + shell_word(y4mPath) + " -i " +
                          shell_word(wavPath) + " -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
                          shell_word(o.mp4Path);
    ok = std::system(command.c_str()) == 0;
    if (!ok) std::fprintf(stderr, "k417-capture: ffmpeg failed\n");
    if (o.y4mPath.empty()) std::remove(y4mPath.c_str());
    if (o.wavPath.empty()) std::remove(wavPath.c_str());
  }
  return ok ? 0 : 1;
}
