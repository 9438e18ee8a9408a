// k417_endurance: the whole show on the null back-ends, with the render thread and the output thread
// as in the program; every frame's music position is compared with the tune rendered offline.
// --stepped: the wave device moves only between frames, by a fixed irregular series of steps, and
// the output thread is waited for, so each frame's position must be exactly the music of its moment
// and the show must end by itself on the first frame at or past the tune's wrap. Without it the
// device follows the wall clock and only what load cannot break is asserted: positions move only
// forward through the tune and the show ends by itself at the wrap; the timing figures are printed.
// Subtle: frames are seen through the null display's present hook, on the render thread right after
// demo_frame, in the shell's frame record; the frame that ends the show is never presented and is
// read from that record once shell_main has returned.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "shell/shell_state.h"
#include "vfs/mount.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr uint64_t kSegmentBytes = 884 * 4;               // the device's segment: 884 stereo 16-bit frames
constexpr double kSegmentMs = 884.0 * 1000.0 / 44100.0;  // 20.045 ms
constexpr uint32_t kMaxStepFrames = 8 * 884;              // stepped frames last 0 to 8 segments
constexpr size_t kAfterWrap = 1500;                      // segments rendered past the wrap (30 s)
constexpr int kWindow = 50;                              // segments searched for the drift figure

struct Seen {
  uint16_t position;
  uint32_t time;   // ms since the render thread started (the wall clock in both modes)
  uint64_t bytes;  // the device's count when the frame read its position (stepped only)
};

// Written by the render thread inside the hook, read by main after shell_main has joined it.
struct Run {
  bool stepped = false;
  size_t wrap = 0;
  std::vector<Seen> seen;
  bool overflow = false;
  uint64_t bytes = 0;
  uint32_t stepState = 1;
  bool stalled = false;    // the output thread did not follow a step
  bool pastWrap = false;   // a frame at or past the wrap was presented: the show went on
};
Run g_run;

// The tune's position at the end of every segment from the start, as the output thread records
// them, up to the first time the order goes back (the wrap that ends the show) and kAfterWrap more.
bool offline_positions(std::vector<uint16_t>* positions, size_t* wrap) {
  if (!mount_archive(nullptr)) return false;
  uint32_t size = 0;
  void* bytes = load_file("fini.xm", &size);
  Module* module = bytes ? module_create_from_memory(bytes, size) : nullptr;
  bool ok = module && render_open(module);
  *wrap = 0;
  const size_t limit = static_cast<size_t>(900000 / kSegmentMs);  // fifteen minutes
  while (ok && positions->size() < limit && (*wrap == 0 || positions->size() < *wrap + kAfterWrap)) {
    int32_t segment = playback().writeSegment;
    render_segment();
    positions->push_back(static_cast<uint16_t>(position_ring_entry(playback(), segment)));
    size_t n = positions->size();
    if (*wrap == 0 && n > 1 && ((*positions)[n - 1] >> 8) < ((*positions)[n - 2] >> 8)) *wrap = n - 1;
  }
  if (module) {
    render_close();
    module_free(module);
  }
  std::free(bytes);
  unmount_archive();
  return ok && *wrap != 0;
}

// The next frame's length in device bytes, from no time at all (two frames in one moment) to a
// stall of eight segments: crt_rand's recurrence on a state of its own, so the series is fixed and
// the production's own random numbers are left alone.
uint64_t next_step() {
  g_run.stepState = g_run.stepState * 214013u + 2531011u;
  uint32_t frames = ((g_run.stepState >> 16) & 0x7FFF) % (kMaxStepFrames + 1);
  return static_cast<uint64_t>(frames) * 4;
}

// Waits until the output thread has rendered up to the device's count, so the next frame reads the
// music of that moment. A thread that runs ahead is not waited for: the frame's position shows it.
// The limit only keeps a stopped thread from hanging the run.
bool wait_for_output(uint64_t before, uint64_t bytes) {
  const Playback& state = playback();
  const int32_t count = state.segmentCount;
  const int32_t from = static_cast<int32_t>((before / kSegmentBytes) % static_cast<uint64_t>(count));
  const int32_t ahead = static_cast<int32_t>(bytes / kSegmentBytes - before / kSegmentBytes);  // below count
  const auto limit = Clock::now() + std::chrono::seconds(60);
  while ((state.playSegment.load() - from + count) % count < ahead) {
    if (Clock::now() > limit) return false;
    os_sleep_ms(1);
  }
  return true;
}

void on_present(const uint32_t*) {
  if (!(shell_flags() & RenderRunning)) return;  // display_init's black frame and the loading steps
  const FrameInfo& info = shell_state().info;
  if (g_run.seen.size() == g_run.seen.capacity()) {
    g_run.overflow = true;
    os_post_close();
    return;
  }
  g_run.seen.push_back(Seen{info.position, info.time, g_run.bytes});
  if (!g_run.stepped) return;
  if (g_run.bytes / kSegmentBytes >= g_run.wrap) {
    g_run.pastWrap = true;
    os_post_close();
    return;
  }
  uint64_t step = next_step();
  g_run.bytes += step;
  null_wave_advance(step);
  if (!wait_for_output(g_run.bytes - step, g_run.bytes)) {
    g_run.stalled = true;
    os_post_close();
  }
}

int g_failures = 0;
void fail(const char* what) {
  std::printf("FAIL: %s\n", what);
  ++g_failures;
}

// Stepped: every frame is the music of its moment, the frame that ends the show is the first at or
// past the wrap, and the frame before it is the last one before the wrap.
void check_stepped(const std::vector<uint16_t>& positions, const FrameInfo& last) {
  long mismatched = 0, worstStep = 0;
  for (size_t i = 0; i < g_run.seen.size(); ++i) {
    const Seen& s = g_run.seen[i];
    size_t k = s.bytes / kSegmentBytes;
    if (k >= positions.size() || positions[k] != s.position) {
      if (++mismatched <= 5)
        std::printf("  frame %zu in segment %zu: position %04X, the music there is %04X\n", i, k, s.position,
                    k < positions.size() ? positions[k] : 0);
    }
    if (i > 0) worstStep = std::max(worstStep, static_cast<long>(k - g_run.seen[i - 1].bytes / kSegmentBytes));
  }
  const size_t end = g_run.bytes / kSegmentBytes;
  const size_t before = g_run.seen.empty() ? 0 : g_run.seen.back().bytes / kSegmentBytes;
  std::printf("endurance (stepped): %zu frames presented, steps of up to %ld segments; the last in segment %zu, "
              "the show ended in segment %zu at position %04X (the tune wraps at segment %zu)\n",
              g_run.seen.size(), worstStep, before, end, last.position, g_run.wrap);
  if (g_run.stalled) fail("the output thread did not follow the device within a minute");
  if (mismatched) fail("frames whose position is not the music of their moment");
  if (g_run.pastWrap) fail("a frame at or past the wrap was presented: the show did not end there");
  if (end < g_run.wrap || before >= g_run.wrap) fail("the show did not end on the first frame past the wrap");
  if (end >= positions.size() || positions[end] != last.position)
    fail("the frame that ended the show did not see the music of its moment");
}

// The segment nearest to `expected` whose recorded position is `position`; -1 when none is near.
long nearest_segment(const std::vector<uint16_t>& positions, uint16_t position, long expected) {
  for (long d = 0; d <= kWindow; ++d) {
    for (long k : {expected - d, expected + d}) {
      if (k >= 0 && k < static_cast<long>(positions.size()) && positions[k] == position) return k;
    }
  }
  return -1;
}

// The first segment from `from` up to (not including) `to` whose recorded position is `position`.
long next_segment(const std::vector<uint16_t>& positions, uint16_t position, size_t from, size_t to) {
  for (size_t k = from; k < to && k < positions.size(); ++k)
    if (positions[k] == position) return static_cast<long>(k);
  return -1;
}

// Real time: the frames walk forward through the tune before its wrap and the frame that ends the
// show hears the tune after it. How closely they follow the clock depends on the machine's load,
// so those figures are printed, not judged.
void check_real_time(const std::vector<uint16_t>& positions, const FrameInfo& last, double wallSeconds) {
  const uint32_t t0 = g_run.seen.front().time;  // the device starts just before the first frame
  long unmatched = 0, worstDrift = 0, worstStep = 0, previous = 0;
  uint32_t worstGapMs = 0;
  for (size_t i = 0; i < g_run.seen.size(); ++i) {
    const Seen& s = g_run.seen[i];
    long k = next_segment(positions, s.position, static_cast<size_t>(previous), g_run.wrap);
    if (k < 0) {
      if (++unmatched <= 5)
        std::printf("  frame %zu at %u ms: position %04X is not in the tune between segment %ld and the wrap\n", i,
                    s.time, s.position, previous);
      continue;
    }
    long near = nearest_segment(positions, s.position, static_cast<long>((s.time - t0) / kSegmentMs));
    if (near >= 0) worstDrift = std::max(worstDrift, std::labs(near - static_cast<long>((s.time - t0) / kSegmentMs)));
    if (i > 0) {
      worstStep = std::max(worstStep, k - previous);
      worstGapMs = std::max(worstGapMs, s.time - g_run.seen[i - 1].time);
    }
    previous = k;
  }
  std::printf("endurance: %zu frames in %.1f s (%.0f a second); the show ended at %.2f s of music, position %04X "
              "(the tune wraps at %.2f s)\n",
              g_run.seen.size(), wallSeconds, static_cast<double>(g_run.seen.size()) / wallSeconds,
              (last.time - t0) / 1000.0, last.position, g_run.wrap * kSegmentMs / 1000.0);
  std::printf("endurance: figures, not judged: largest distance from the music %ld segments, largest step between "
              "frames %ld segments, longest time between frames %u ms\n",
              worstDrift, worstStep, worstGapMs);
  if (unmatched) fail("frames whose position goes back or is not the tune's before its wrap");
  if (next_segment(positions, last.position, g_run.wrap, positions.size()) < 0)
    fail("the frame that ended the show did not hear the tune after its wrap");
}
}  // namespace

int main(int argc, char** argv) {
  g_run.stepped = argc > 1 && std::strcmp(argv[1], "--stepped") == 0;
  k417_install_embedded_resources();
  std::vector<uint16_t> positions;
  if (!offline_positions(&positions, &g_run.wrap)) {
    std::fprintf(stderr, "endurance: the tune could not be rendered offline or never wraps\n");
    return 1;
  }
  const double wrapMs = static_cast<double>(g_run.wrap) * kSegmentMs;
  std::printf("endurance: the tune wraps after segment %zu (%.2f s); %s\n", g_run.wrap, wrapMs / 1000.0,
              g_run.stepped ? "the device steps between frames" : "the show runs that long in real time");
  std::fflush(stdout);

  g_run.seen.reserve(g_run.stepped ? g_run.wrap + 16 : 4u << 20);
  null_wave_set_stepped(g_run.stepped);
  null_display_set_present_hook(on_present);
  // Real time: a show that has not ended two minutes after the wrap is stopped and fails. Stepped,
  // the hook stops a show that goes past the wrap.
  std::atomic<bool> finished{false}, watchdogFired{false};
  std::thread watchdog;
  if (!g_run.stepped) {
    watchdog = std::thread([&] {
      auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(wrapMs) + 120000);
      while (!finished && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!finished) {
        watchdogFired = true;
        os_post_close();
      }
    });
  }
  auto start = Clock::now();
  int code = shell_main();
  double wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  finished = true;
  if (watchdog.joinable()) watchdog.join();
  null_display_set_present_hook(nullptr);

  const FrameInfo last = shell_state().info;  // the frame whose demo_frame ended the show
  if (code != 0) fail("the shell did not end with exit code 0");
  if (null_os_last_error_box()[0] != 0) fail("an error box was shown");
  if (watchdogFired) fail("the show did not end by itself within two minutes of the tune's wrap");
  if (g_run.overflow) fail("more frames than could be recorded");
  if (g_run.seen.size() < 2) {
    fail("fewer than two frames");
    return 1;
  }
  if (g_run.stepped) check_stepped(positions, last);
  else check_real_time(positions, last, wallSeconds);
  return g_failures ? 1 : 0;
}
