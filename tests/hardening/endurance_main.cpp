// k417_endurance: the whole show in real time on the null back-ends, with the render thread and
// the output thread as in the program and the null wave device following the wall clock. Every
// frame's music position is recorded and compared with the tune rendered offline: each must be
// the position of the music at that frame's time, no step between frames may skip more than a few
// segments, and the show must end by itself where the tune wraps.
// Subtle: demo_frame is reached through the linker's --wrap of its mangled name, so the shell and
// the production run unchanged; the offline reference uses the device's 884-frame segments.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "k417_embedded.h"
#include "music/module.h"
#include "music/playback.h"
#include "music/render.h"
#include "platform/null_backend.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "shell/shell.h"
#include "vfs/mount.h"

// The linker wraps the mangled name of bool demo_frame(FrameBuffer*, FrameInfo*).
extern "C" bool __real__Z10demo_frameP11FrameBufferP9FrameInfo(FrameBuffer* frame, FrameInfo* info);

namespace {
constexpr double kSegmentMs = 884.0 * 1000.0 / 44100.0;  // 20.045 ms
constexpr int kMaxDrift = 3;   // segments between a frame's position and the music at its time
constexpr int kMaxStep = 4;    // segments of music between two frames in a row
constexpr int kWindow = 50;    // segments searched around the expected one

struct Seen {
  uint16_t position;
  uint32_t time;  // ms since the render thread started
};
std::vector<Seen> g_seen;
std::atomic<bool> g_ended{false};  // demo_frame returned false: the show ended by itself
std::atomic<bool> g_overflow{false};

// The tune's position at the end of every segment from the start, as the output thread records
// them, until the first time the order goes back (the wrap that ends the show).
bool offline_positions(std::vector<uint16_t>* positions, size_t* wrap) {
  if (!mount_archive(nullptr)) return false;
  uint32_t size = 0;
  void* bytes = load_file("fini.xm", &size);
  Module* module = bytes ? module_create_from_memory(bytes, size) : nullptr;
  bool ok = module && render_open(module);
  *wrap = 0;
  const size_t limit = static_cast<size_t>(900000 / kSegmentMs);  // fifteen minutes
  while (ok && positions->size() < limit) {
    int32_t segment = playback().writeSegment;
    render_segment();
    positions->push_back(static_cast<uint16_t>(position_ring_entry(playback(), segment)));
    size_t n = positions->size();
    if (n > 1 && ((*positions)[n - 1] >> 8) < ((*positions)[n - 2] >> 8)) {
      *wrap = n - 1;
      break;
    }
  }
  if (module) {
    render_close();
    module_free(module);
  }
  std::free(bytes);
  unmount_archive();
  return ok && *wrap != 0;
}

// The segment nearest to `expected` whose recorded position is `position`; -1 when none is near.
long match_segment(const std::vector<uint16_t>& positions, uint16_t position, long expected) {
  for (long d = 0; d <= kWindow; ++d) {
    for (long k : {expected - d, expected + d}) {
      if (k >= 0 && k < static_cast<long>(positions.size()) && positions[k] == position) return k;
    }
  }
  return -1;
}
}  // namespace

extern "C" bool __wrap__Z10demo_frameP11FrameBufferP9FrameInfo(FrameBuffer* frame, FrameInfo* info) {
  if (g_seen.size() < g_seen.capacity()) g_seen.push_back(Seen{info->position, info->time});
  else g_overflow = true;
  bool more = __real__Z10demo_frameP11FrameBufferP9FrameInfo(frame, info);
  if (!more) g_ended = true;
  return more;
}

int main() {
  k417_install_embedded_resources();
  std::vector<uint16_t> positions;
  size_t wrap = 0;
  if (!offline_positions(&positions, &wrap)) {
    std::fprintf(stderr, "endurance: the tune could not be rendered offline or never wraps\n");
    return 1;
  }
  const double wrapMs = static_cast<double>(wrap) * kSegmentMs;
  std::printf("endurance: the tune wraps after segment %zu (%.2f s); the show runs that long in real time\n", wrap,
              wrapMs / 1000.0);
  std::fflush(stdout);

  g_seen.reserve(4u << 20);
  null_wave_set_stepped(false);
  std::atomic<bool> finished{false}, watchdogFired{false};
  std::thread watchdog([&] {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(wrapMs) + 60000);
    while (!finished && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!finished) {
      watchdogFired = true;
      os_post_close();
    }
  });
  auto start = std::chrono::steady_clock::now();
  int code = shell_main();
  double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  finished = true;
  watchdog.join();

  int failures = 0;
  auto fail = [&failures](const char* what) {
    std::printf("FAIL: %s\n", what);
    ++failures;
  };
  if (code != 0) fail("the shell did not end with exit code 0");
  if (watchdogFired) fail("the show did not end by itself within a minute of the tune's wrap");
  if (!g_ended) fail("the show did not end through demo_frame");
  if (g_overflow) fail("more frames than could be recorded");
  if (g_seen.size() < 2) {
    fail("fewer than two frames");
    return 1;
  }

  // The device starts inside music_start, just before the first frame: the first frame's time is
  // the music's zero.
  const uint32_t t0 = g_seen.front().time;
  long worstDrift = 0, worstStep = 0, unmatched = 0, backwards = 0;
  uint32_t worstGapMs = 0;
  long previous = -1;
  for (size_t i = 0; i < g_seen.size(); ++i) {
    const Seen& s = g_seen[i];
    long expected = static_cast<long>((s.time - t0) / kSegmentMs);
    long k = match_segment(positions, s.position, expected);
    if (k < 0) {
      if (++unmatched <= 5)
        std::printf("  frame %zu at %u ms: position %04X is not the music of segment %ld\n", i, s.time, s.position,
                    expected);
      previous = -1;
      continue;
    }
    worstDrift = std::max(worstDrift, std::labs(k - expected));
    if (previous >= 0) {
      worstStep = std::max(worstStep, k - previous);
      if (k < previous - kMaxDrift) ++backwards;
    }
    if (i > 0) worstGapMs = std::max(worstGapMs, s.time - g_seen[i - 1].time);
    previous = k;
  }
  const Seen& last = g_seen.back();
  const double musicSeconds = (last.time - t0) / 1000.0;
  std::printf("endurance: %zu frames in %.1f s (%.0f a second); the last at %.2f s of music, position %04X\n",
              g_seen.size(), wallSeconds, static_cast<double>(g_seen.size()) / wallSeconds, musicSeconds,
              last.position);
  std::printf("endurance: largest distance from the music %ld segments, largest step between frames %ld segments, "
              "longest time between frames %u ms\n",
              worstDrift, worstStep, worstGapMs);
  if (unmatched) fail("frames whose position is not the music near their time");
  if (worstDrift > kMaxDrift) fail("a frame's position strays more than a few segments from the music");
  if (worstStep > kMaxStep) fail("a step between two frames skips more than a few segments of music");
  if (backwards) fail("the position went backwards");
  if (std::abs(musicSeconds * 1000.0 - wrapMs) > kMaxDrift * kSegmentMs) fail("the show did not end where the tune wraps");
  return failures ? 1 : 0;
}
