// Cost of one sphere object frame per mode at 320x200 on one core, time advancing 20 ms a frame.
// Before timing, every mode's frames are checked against the plain row-by-row rasteriser.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "demo/object_effect.h"
#include "demo/sphere_draw.h"
#include "demo/sphere_mesh.h"
#include "demo/sphere_reference.h"  // tests/demo: the plain rasteriser
#include "shell/tables.h"

namespace {

struct Scene {
  std::unique_ptr<SphereObject> object = std::make_unique<SphereObject>();
  std::vector<uint8_t> work = std::vector<uint8_t>(64000);
  std::vector<uint8_t> texture = std::vector<uint8_t>(65536);
  std::vector<uint8_t> luma = std::vector<uint8_t>(65536);
  std::vector<uint8_t> shade = std::vector<uint8_t>(4096);
  Scene() {
    fill_sine_tables();
    sphere_build(*object, SineTable, CosineTable);
    for (uint32_t i = 0; i < 65536; ++i) {
      texture[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
      luma[i] = static_cast<uint8_t>((i * 40503u + 12345u) >> 8);
    }
    for (uint32_t i = 0; i < 4096; ++i) shade[i] = static_cast<uint8_t>(i * 2246822519u >> 24);
  }
  void frame(int mode, uint32_t t) {
    object_effect(*object, mode, t, work.data(), texture.data(), luma.data(), shade.data(), SineTable, CosineTable);
  }
};

// True when 100 frames of the mode equal those of the plain projection and row-by-row scan.
bool matches_plain_scan(Scene& scene, int mode) {
  std::vector<uint8_t> plain(64000);
  const RasterTarget target{plain.data(), scene.texture.data(), scene.luma.data(), scene.shade.data()};
  for (uint32_t t = 0; t < 100 * 20; t += 20) {
    std::memset(scene.work.data(), 0, scene.work.size());
    std::memset(plain.data(), 0, plain.size());
    scene.frame(mode, t * 13);
    sphere_reference::draw(*scene.object, target);
    if (plain != scene.work) return false;
  }
  return true;
}

void BM_ObjectEffect(benchmark::State& state) {
  Scene scene;
  const int mode = static_cast<int>(state.range(0));
  if (!matches_plain_scan(scene, mode)) {
    state.SkipWithError("pixels differ from the plain rasteriser");
    return;
  }
  uint32_t t = 0;
  for (auto _ : state) {
    scene.frame(mode, t);
    benchmark::DoNotOptimize(scene.work.data());
    benchmark::ClobberMemory();
    t += 20;
  }
}
BENCHMARK(BM_ObjectEffect)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond);

// The stages of mode 2 (the most pixels) on one fixed frame.
void BM_Stage(benchmark::State& state) {
  Scene scene;
  SphereObject& o = *scene.object;
  const uint32_t t = 12340;
  scene.frame(2, t);
  const RasterTarget target{scene.work.data(), scene.texture.data(), scene.luma.data(), scene.shade.data()};
  for (auto _ : state) {
    switch (state.range(0)) {
      case 0:
        sphere_spike(o, 2, t, SineTable, CosineTable);
        sphere_rotate(o, static_cast<int>((t >> 3) & 1023), SineTable, CosineTable);
        break;
      case 1:
        sphere_normals(o);
        break;
      case 2:
        sphere_sort(o);
        break;
      default:
        sphere_draw(o, target);
        break;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Stage)->ArgName("deform_normals_sort_draw")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
