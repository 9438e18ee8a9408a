// Every per-frame stage of the show at 320x200 on its real data: the backgrounds, the object, the
// overlays, the inset, the feedback blend, the copy and the conversion. Animated stages step through
// the same 10 s of the show (16 ms a frame) again and again, so their figure is that stretch's mean.
// Before timing, each stage's pixels are checked against the straightforward computation.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "demo/compose.h"
#include "demo/grid_map.h"
#include "demo/grid_reference.h"  // tests/demo
#include "demo/inset.h"
#include "demo/object_effect.h"
#include "demo/overlay.h"
#include "demo/palette_fade.h"
#include "demo/sphere_reference.h"  // tests/demo
#include "demo/texture_effect.h"
#include "shell/crt_rand.h"
#include "shell/tables.h"
#include "show_assets.h"

namespace {

// Frame k of the repeated stretch: 10 s from 10 s into the show, 60 frames a second.
uint32_t frame_time(uint32_t k) { return 10000 + (k % 625) * 16; }

// Which shade table each background mode renders through (nullptr: plain texels).
const uint8_t* mode_shade(int mode, const ShowAssets& a) {
  switch (mode) {
    case 3: case 4: case 6: return a.tables->darkShade;
    case 7: case 9: return nullptr;
    default: return a.tables->lightShade;
  }
}

void BM_TextureMode(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  const int mode = static_cast<int>(state.range(0));
  ShowFrame f;
  GridMap grid{};
  BlobTable blobs{};
  std::vector<uint8_t> plain(64000);
  for (uint32_t t = 0; t < 100 * 160; t += 160) {
    texture_effect(mode, t, grid, f.work, a.texture, a.tables->lightShade, a.tables->darkShade, blobs);
    if (mode == 0) continue;
    reference::render_grid(grid, plain.data(), a.texture.pixels, mode_shade(mode, a));
    if (plain != f.work_bytes()) return state.SkipWithError("pixels differ from the plain renderer");
  }
  uint32_t k = 0;
  for (auto _ : state) {
    texture_effect(mode, frame_time(k++), grid, f.work, a.texture, a.tables->lightShade, a.tables->darkShade, blobs);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TextureMode)->DenseRange(0, 10)->Unit(benchmark::kMicrosecond);

void BM_ObjectMode(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  const int mode = static_cast<int>(state.range(0));
  ShowFrame f;
  SphereObject& object = *a.sphere;
  std::vector<uint8_t> plain(64000);
  for (uint32_t t = 0; t < 100 * 160; t += 160) {
    std::memset(f.work.pixels, 0, 64000);
    plain.assign(64000, 0);
    object_effect(object, mode, t, f.work.pixels, a.texture.pixels, a.luma.pixels, a.tables->lightShade, SineTable,
                  CosineTable);
    sphere_reference::draw(object, RasterTarget{plain.data(), a.texture.pixels, a.luma.pixels, a.tables->lightShade});
    if (plain != f.work_bytes()) return state.SkipWithError("pixels differ from the plain walk");
  }
  uint32_t k = 0;
  for (auto _ : state) {
    object_effect(object, mode, frame_time(k++), f.work.pixels, a.texture.pixels, a.luma.pixels, a.tables->lightShade,
                  SineTable, CosineTable);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ObjectMode)->DenseRange(1, 4)->Unit(benchmark::kMicrosecond);

// Overlays as the show lays them: noise 0 over the name, 1 over the scattered names, 2 over a
// greeting, 3 with no image; intensity 255 so that every byte of the layer counts.
const TextImage* overlay_image(int noise, const ShowAssets& a) {
  switch (noise) {
    case 0: return &a.text.NameImage;
    case 1: return &a.text.ScatterNames;
    case 2: return &a.text.GreetImages[3];
    default: return nullptr;
  }
}

void BM_Overlay(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  const int noise = static_cast<int>(state.range(0));
  ShowFrame f;
  const std::vector<uint8_t> before = f.work_bytes();
  for (int intensity : {255, 200, 16, 0}) {
    std::memcpy(f.work.pixels, before.data(), 64000);
    overlay(f.layer, overlay_image(noise, a), intensity, noise, f.work, a.tables->lightShade);
    for (int i = 0; i < 64000; ++i) {
      const int step = (intensity * f.layer.pixels[i]) >> 12;
      if (f.work.pixels[i] != a.tables->lightShade[before[i] * 16 + step]) return state.SkipWithError("blend differs");
    }
  }
  for (auto _ : state) {
    overlay(f.layer, overlay_image(noise, a), 255, noise, f.work, a.tables->lightShade);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Overlay)->ArgName("noise")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_Inset(benchmark::State& state) {
  ShowFrame f;
  const std::vector<uint8_t> before = f.work_bytes();
  inset(f.work.pixels, 220, 130, 0);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 80; ++x) {
      if (f.work.pixels[(130 + y) * 320 + 220 + x] != before[(4 * y) * 320 + 4 * x]) return state.SkipWithError("inset differs");
    }
  }
  for (int x = 219; x <= 300; ++x) {
    if (f.work.pixels[129 * 320 + x] != 0 || f.work.pixels[180 * 320 + x] != 0) return state.SkipWithError("border differs");
  }
  for (auto _ : state) {
    inset(f.work.pixels, 220, 130, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Inset)->Unit(benchmark::kMicrosecond);

void BM_Feedback(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  ShowFrame f;
  const std::vector<uint8_t> before = f.work_bytes();
  feedback_blend(f.work, f.previous, a.tables->mix);
  for (int i = 0; i < 64000; ++i) {
    if (f.work.pixels[i] != a.tables->mix[before[i] * 256 + f.previous.pixels[i]]) return state.SkipWithError("feedback differs");
  }
  for (auto _ : state) {
    feedback_blend(f.work, f.previous, a.tables->mix);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Feedback)->Unit(benchmark::kMicrosecond);

void BM_CopyToPrevious(benchmark::State& state) {
  ShowFrame f;
  for (auto _ : state) {
    copy(f.previous, f.work, true);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyToPrevious)->Unit(benchmark::kMicrosecond);

void BM_Conversion(benchmark::State& state) {
  ShowFrame f;
  std::vector<uint32_t> pixels(64000);
  Bitmap32 out{pixels.data(), 320, 200, 320 * 4};
  convert_to_frame(out, f.work);
  for (int i = 0; i < 64000; ++i) {
    const uint8_t* rgb = f.work.palette + f.work.pixels[i] * 3;
    if (pixels[i] != (uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2])) return state.SkipWithError("pixel differs");
  }
  for (auto _ : state) {
    convert_to_frame(out, f.work);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Conversion)->Unit(benchmark::kMicrosecond);

void BM_PaletteFade(benchmark::State& state) {
  const ShowAssets& a = show_assets();
  uint8_t current[768];
  int level = 0;
  for (auto _ : state) {
    fade_to_white(0, 255, a.texture.palette, level, current);
    benchmark::DoNotOptimize(current);
    level = (level + 1) & 63;
  }
}
BENCHMARK(BM_PaletteFade)->Unit(benchmark::kMicrosecond);

}  // namespace
