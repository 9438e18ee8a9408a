// Start-up cost of the texture and of each colour table, fast build against the plain one, and the
// per-frame cost of every background mode and blend at 320x200 on one core.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "demo/colour_tables.h"
#include "demo/colour_tables_reference.h"
#include "demo/grid_reference.h"
#include "demo/compose.h"
#include "demo/grid_effects.h"
#include "demo/grid_render.h"
#include "demo/texture_effect.h"
#include "engine/image/pcx_build.h"
#include "engine/image/texture_reference.h"
#include "engine/image/texture_sample.h"
#include "image/texture.h"

namespace {
const sample::Picture& picture() {
  static const sample::Picture p = sample::ramp_picture();
  return p;
}

void BM_Texture(benchmark::State& state) {
  std::vector<uint8_t> out(65536);
  for (auto _ : state) enlarge_texture(out.data(), picture().pixels.data(), picture().palette.data());
}
void BM_TexturePlain(benchmark::State& state) {
  std::vector<uint8_t> out(65536);
  for (auto _ : state) reference::enlarge(out.data(), picture().pixels.data(), picture().palette.data());
}
void BM_ColourCube(benchmark::State& state) {
  std::vector<uint8_t> cube(kColourCubeSize);
  for (auto _ : state) build_colour_cube(cube.data(), picture().palette.data());
}
void BM_ColourCubePlain(benchmark::State& state) {
  std::vector<uint8_t> cube(kColourCubeSize);
  for (auto _ : state) reference::colour_cube(cube.data(), picture().palette.data());
}
void BM_MixTable(benchmark::State& state) {
  std::vector<uint8_t> cube(kColourCubeSize), mix(kMixTableSize);
  build_colour_cube(cube.data(), picture().palette.data());
  for (auto _ : state) build_mix_table(mix.data(), cube.data(), picture().palette.data());
}
void BM_LightShade(benchmark::State& state) {
  std::vector<uint8_t> table(kShadeTableSize);
  for (auto _ : state) build_light_shade_table(table.data(), picture().palette.data());
}
void BM_LightShadePlain(benchmark::State& state) {
  std::vector<uint8_t> table(kShadeTableSize);
  for (auto _ : state) reference::light_shade(table.data(), picture().palette.data());
}
void BM_DarkShade(benchmark::State& state) {
  std::vector<uint8_t> table(kShadeTableSize);
  for (auto _ : state) build_dark_shade_table(table.data(), picture().palette.data());
}
void BM_DarkShadePlain(benchmark::State& state) {
  std::vector<uint8_t> table(kShadeTableSize);
  for (auto _ : state) reference::dark_shade(table.data(), picture().palette.data());
}
void BM_LumaMap(benchmark::State& state) {
  PalettedTexture texture{};
  std::vector<uint8_t> bytes = pcx::picture64(picture().pixels.data(), picture().palette.data());
  build_texture256_from_bytes(texture, bytes.data(), static_cast<uint32_t>(bytes.size()));
  for (auto _ : state) {
    Texture8 luma{};
    build_luma_map(luma, texture);
    destroy(luma);
  }
  destroy(texture);
}

// Everything start-up builds from the picture, in the script's order, from the file's bytes.
void BM_AllStartup(benchmark::State& state) {
  std::vector<uint8_t> bytes = pcx::picture64(picture().pixels.data(), picture().palette.data());
  auto* tables = static_cast<ColourTables*>(std::malloc(sizeof(ColourTables)));
  for (auto _ : state) {
    PalettedTexture texture{};
    Texture8 luma{};
    build_texture256_from_bytes(texture, bytes.data(), static_cast<uint32_t>(bytes.size()));
    build_luma_map(luma, texture);
    build_colour_cube(tables->cube, texture.palette);
    build_mix_table(tables->mix, tables->cube, texture.palette);
    build_dark_shade_table(tables->darkShade, texture.palette);
    build_light_shade_table(tables->lightShade, texture.palette);
    benchmark::DoNotOptimize(tables->mix[12345]);
    destroy(luma);
    destroy(texture);
  }
  std::free(tables);
}

// One frame of a background mode; the time moves on 20 ms a frame so every frame differs.
struct FrameSetup {
  PalettedTexture texture{};
  std::vector<uint8_t> light = std::vector<uint8_t>(kShadeTableSize), dark = std::vector<uint8_t>(kShadeTableSize);
  PalettedBitmap work{}, previous{};
  Bitmap8 overlay{};
  std::vector<uint8_t> cube = std::vector<uint8_t>(kColourCubeSize), mix = std::vector<uint8_t>(kMixTableSize);
  FrameSetup() {
    std::vector<uint8_t> bytes = pcx::picture64(picture().pixels.data(), picture().palette.data());
    build_texture256_from_bytes(texture, bytes.data(), static_cast<uint32_t>(bytes.size()));
    build_light_shade_table(light.data(), texture.palette);
    build_dark_shade_table(dark.data(), texture.palette);
    build_colour_cube(cube.data(), texture.palette);
    build_mix_table(mix.data(), cube.data(), texture.palette);
    create(work, 320, 200);
    create(previous, 320, 200);
    create(overlay, 320, 200);
    clear(work, 0);
    clear(previous, 3);
    for (int i = 0; i < 64000; ++i) overlay.pixels[i] = static_cast<uint8_t>(i * 7);
  }
  ~FrameSetup() {
    destroy(texture);
    destroy(work);
    destroy(previous);
    destroy(overlay);
  }
};

void BM_TextureMode(benchmark::State& state) {
  FrameSetup f;
  GridMap grid{};
  BlobTable blobs{};
  uint32_t time = 30000;
  for (auto _ : state) {
    texture_effect(static_cast<int>(state.range(0)), time, grid, f.work, f.texture, f.light.data(), f.dark.data(), blobs);
    benchmark::DoNotOptimize(f.work.pixels[32100]);
    time += 20;
  }
}

// The two halves of a mode: the grid renderers alone, and each generator alone.
// The grid left by the mode given as the argument (tunnel 5, blob field 8, ripple 10).
void BM_RenderShaded(benchmark::State& state) {
  FrameSetup f;
  GridMap grid{};
  BlobTable blobs{};
  texture_effect(static_cast<int>(state.range(0)), 30000, grid, f.work, f.texture, f.light.data(), f.dark.data(), blobs);
  for (auto _ : state) {
    render_grid_shaded(grid, f.work.pixels, f.work.pitch, f.texture.pixels, f.light.data());
    benchmark::DoNotOptimize(f.work.pixels[32100]);
  }
}
void BM_RenderPlain(benchmark::State& state) {
  FrameSetup f;
  GridMap grid{};
  BlobTable blobs{};
  texture_effect(5, 30000, grid, f.work, f.texture, f.light.data(), f.dark.data(), blobs);
  for (auto _ : state) {
    render_grid_plain(grid, f.work.pixels, f.work.pitch, f.texture.pixels);
    benchmark::DoNotOptimize(f.work.pixels[32100]);
  }
}
// The renderers written plainly, for comparison.
void BM_RenderShadedReference(benchmark::State& state) {
  FrameSetup f;
  GridMap grid{};
  BlobTable blobs{};
  texture_effect(5, 30000, grid, f.work, f.texture, f.light.data(), f.dark.data(), blobs);
  for (auto _ : state) {
    reference::render_grid(grid, f.work.pixels, f.texture.pixels, f.light.data());
    benchmark::DoNotOptimize(f.work.pixels[32100]);
  }
}
void BM_RenderPlainReference(benchmark::State& state) {
  FrameSetup f;
  GridMap grid{};
  BlobTable blobs{};
  texture_effect(5, 30000, grid, f.work, f.texture, f.light.data(), f.dark.data(), blobs);
  for (auto _ : state) {
    reference::render_grid(grid, f.work.pixels, f.texture.pixels, nullptr);
    benchmark::DoNotOptimize(f.work.pixels[32100]);
  }
}
void BM_Generator(benchmark::State& state) {
  GridMap grid{};
  BlobTable blobs{};
  float t = 30000.0f;
  const GridView view{t * 0.00028571428f, t * 0.00066666666f, t * 0.00066666666f, 0.0f, 0.0f, t};
  for (auto _ : state) {
    switch (state.range(0)) {
      case 0: grid_corridor(grid, view); break;
      case 1: grid_floor_ceiling(grid, view); break;
      case 2: grid_tunnel(grid, view); break;
      case 3: grid_sphere(grid, view.a1, view.a2, view.a3); break;
      case 4: grid_blob_field(grid, blobs, t * 0.011111111f); break;
      case 5: grid_ripple(grid, blobs, t * 0.011111111f); break;
    }
    benchmark::DoNotOptimize(grid.plane[0][500]);
  }
}

void BM_FeedbackBlend(benchmark::State& state) {
  FrameSetup f;
  for (auto _ : state) {
    feedback_blend(f.work, f.previous, f.mix.data());
    benchmark::DoNotOptimize(f.work.pixels[32100]);
  }
}
void BM_OverlayBlend(benchmark::State& state) {
  FrameSetup f;
  for (auto _ : state) {
    overlay_blend(f.work, f.overlay, f.light.data(), 200);
    benchmark::DoNotOptimize(f.work.pixels[32100]);
  }
}
void BM_ConvertToFrame(benchmark::State& state) {
  FrameSetup f;
  std::vector<uint32_t> frame(64000);
  Bitmap32 out{frame.data(), 320, 200, 1280};
  for (auto _ : state) {
    convert_to_frame(out, f.work);
    benchmark::DoNotOptimize(frame[32100]);
  }
}
}  // namespace

BENCHMARK(BM_Texture)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_TexturePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LumaMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourCube)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ColourCubePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DarkShade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DarkShadePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightShade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightShadePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllStartup)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_TextureMode)->DenseRange(0, 10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderShaded)->Arg(5)->Arg(8)->Arg(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderShadedReference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderPlainReference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Generator)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FeedbackBlend)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OverlayBlend)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertToFrame)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
