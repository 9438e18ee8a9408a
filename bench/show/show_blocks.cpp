// demo_frame as the render thread calls it, at a representative position of every scene block of
// the show, 60 frames a second through the same 10 s again and again (the figure is their mean).
// Each block starts from a fresh demo_init, so no block sees the state another one left behind.
#include <benchmark/benchmark.h>

#include "show_assets.h"

namespace {

struct Block {
  const char* name;
  uint16_t position;  // order << 8 | row
};

// Row 0x40 of an order where everything of the block runs, away from its flashes; the peak at the
// start of its tunnel window (flash included), the greetings once with each half.
const Block kBlocks[] = {
    {"intro_title", 0x0240},      {"credits_scatter", 0x0640}, {"sphere_dust", 0x0940},
    {"floors_spikes", 0x0C40},    {"interlude", 0x1040},       {"peak_tunnel_flash", 0x1510},
    {"greetings", 0x1840},        {"greetings_ball", 0x1A40},  {"blobs", 0x1C40},
    {"corridor_inset", 0x1E40},   {"finale_title", 0x2140},
};

bool g_initialised = false;

void BM_DemoFrame(benchmark::State& state) {
  const Block& block = kBlocks[state.range(0)];
  state.SetLabel(block.name);
  DemoConfig* config = show_engine();
  if (g_initialised) demo_shutdown();
  g_initialised = demo_init(config);
  if (!g_initialised) return state.SkipWithError("demo_init failed");
  FrameBuffer* frame = shell_frame_buffer();
  FrameInfo info{block.position, block.position, 10000};
  uint32_t k = 0;
  for (auto _ : state) {
    info.time = 10000 + (k++ % 625) * 16;
    if (!demo_frame(frame, &info)) return state.SkipWithError("the show ended");
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DemoFrame)->DenseRange(0, static_cast<int>(sizeof kBlocks / sizeof kBlocks[0]) - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
