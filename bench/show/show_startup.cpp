// Start-up on the real data: each step of demo_init alone (checked once against the straightforward
// computation where the tests keep one) and the whole of demo_init, which the show runs once.
// Wall time, with the CPU time of the whole process beside it: the texture and cube builds use threads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "demo/colour_tables.h"
#include "demo/colour_tables_reference.h"  // tests/demo
#include "demo/sphere_mesh.h"
#include "demo/text_images.h"
#include "engine/image/texture_reference.h"  // tests/engine/image
#include "image/texture.h"
#include "shell/tables.h"
#include "show_assets.h"

namespace {

bool same(const uint8_t* a, const uint8_t* b, size_t n) { return std::memcmp(a, b, n) == 0; }

void BM_StartupTexture(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  std::vector<uint8_t> plain(65536);
  reference::enlarge(plain.data(), a.picture.pixels, a.picture.palette);
  if (!same(plain.data(), a.texture.pixels, plain.size())) return state.SkipWithError("texture differs from the plain one");
  for (auto _ : state) {
    PalettedTexture texture{};
    build_texture256(texture, "64.pcx");  // read from the archive, decoded and enlarged
    benchmark::DoNotOptimize(texture.pixels);
    destroy(texture);
  }
}
BENCHMARK(BM_StartupTexture)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_StartupLumaMap(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  for (int i = 0; i < 65536; ++i) {
    const uint8_t* rgb = a.texture.palette + a.texture.pixels[i] * 3;
    if (a.luma.pixels[i] != (rgb[0] + rgb[1] + rgb[2]) / 3) return state.SkipWithError("luma map differs");
  }
  for (auto _ : state) {
    Texture8 luma{};
    build_luma_map(luma, a.texture);
    benchmark::DoNotOptimize(luma.pixels);
    destroy(luma);
  }
}
BENCHMARK(BM_StartupLumaMap)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_StartupColourCube(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  std::vector<uint8_t> plain(kColourCubeSize), cube(kColourCubeSize);
  reference::colour_cube(plain.data(), a.texture.palette);
  if (!same(plain.data(), a.tables->cube, plain.size())) return state.SkipWithError("cube differs from the plain one");
  for (auto _ : state) build_colour_cube(cube.data(), a.texture.palette);
}
BENCHMARK(BM_StartupColourCube)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_StartupMixTable(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  std::vector<uint8_t> plain(kMixTableSize), mix(kMixTableSize);
  reference::mix_table(plain.data(), a.tables->cube, a.texture.palette, 40, 60);
  if (!same(plain.data(), a.tables->mix, plain.size())) return state.SkipWithError("mix table differs");
  for (auto _ : state) build_mix_table(mix.data(), a.tables->cube, a.texture.palette, 40, 60);
}
BENCHMARK(BM_StartupMixTable)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_StartupDarkShade(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  std::vector<uint8_t> plain(kShadeTableSize), table(kShadeTableSize);
  reference::dark_shade(plain.data(), a.texture.palette);
  if (!same(plain.data(), a.tables->darkShade, plain.size())) return state.SkipWithError("dark shades differ");
  for (auto _ : state) build_dark_shade_table(table.data(), a.texture.palette);
}
BENCHMARK(BM_StartupDarkShade)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_StartupLightShade(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  std::vector<uint8_t> plain(kShadeTableSize), table(kShadeTableSize);
  reference::light_shade(plain.data(), a.texture.palette);
  if (!same(plain.data(), a.tables->lightShade, plain.size())) return state.SkipWithError("light shades differ");
  for (auto _ : state) build_light_shade_table(table.data(), a.texture.palette);
}
BENCHMARK(BM_StartupLightShade)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Every text layer from the real font (bench_text checks the renderer against the plain one).
void BM_StartupTextLayers(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  const DemoConfig* config = show_engine();
  for (auto _ : state) {
    TextLayers layers{};
    render_text_images(layers, config->width, config->height, config->areaX, config->areaY, a.font);
    benchmark::DoNotOptimize(layers.TitleImage.pixels);
    destroy_text_images(layers);
  }
}
BENCHMARK(BM_StartupTextLayers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_StartupSphereGeometry(benchmark::State& state) {
  show_assets();
  auto object = std::make_unique<SphereObject>();
  for (auto _ : state) {
    sphere_build(*object, SineTable, CosineTable);
    benchmark::DoNotOptimize(object->faces);
  }
}
BENCHMARK(BM_StartupSphereGeometry)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The whole of demo_init as the shell calls it, progress reports included; the release after each
// run is not timed.
void BM_StartupDemoInit(benchmark::State& state) {
  DemoConfig* config = show_engine();
  for (auto _ : state) {
    if (!demo_init(config)) return state.SkipWithError("demo_init failed");
    state.PauseTiming();
    demo_shutdown();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartupDemoInit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
