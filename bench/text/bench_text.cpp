// Start-up cost of every text layer (fast renderer against the straightforward one, checked
// identical before timing) and the per-frame cost of an overlay with each kind of noise.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "demo/greetings.h"
#include "demo/noise.h"
#include "demo/overlay.h"
#include "demo/text_draw.h"
#include "demo/text_images.h"
#include "demo/text_reference.h"
#include "demo/text_sample_font.h"
#include "shell/crt_rand.h"

namespace {
// The production's fontje.dat when the build has drawn it (or K417_FONT names one), else the
// sample font of the tests.
std::vector<uint8_t> read_font(const char** source) {
  const char* path = std::getenv("K417_FONT");
  if (!path) path = K417_ASSET_DIR "/fontje.dat";
  if (FILE* file = std::fopen(path, "rb")) {
    std::vector<uint8_t> bytes(1440);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got == bytes.size()) {
      *source = path;
      return bytes;
    }
  }
  *source = "the tests' sample font";
  return text_sample::font();
}

const char* g_fontSource = "";
const std::vector<uint8_t>& sample_font() {
  static const std::vector<uint8_t> bytes = read_font(&g_fontSource);
  return bytes;
}
StrokeFont font() { return StrokeFont{sample_font().data(), static_cast<uint32_t>(sample_font().size())}; }

// Every layer of the show drawn the straightforward way, in the same order with the same rand.
struct ReferenceLayers {
  std::vector<std::vector<uint8_t>> layers;

  TextImage add() {
    layers.emplace_back(64000, 0);
    return TextImage{layers.back().data(), 320, 200};
  }
  void text(int x, int y, const char* s, int W, int H, int ink, int bw, int bh) {
    TextImage image = add();
    text_reference::draw_text(x, y, s, image, W, H, static_cast<uint8_t>(ink), bw, bh, sample_font().data(), 1440);
  }
  void scatter(const char* s, int range, int brush) {
    TextImage image = add();
    for (int i = 0; i < 51; ++i) {
      int ink = 128 + crt_rand() % 128;
      int H = crt_rand() % range;
      int W = crt_rand() % range;
      int y = crt_rand() % 200;
      int x = crt_rand() % 320;
      text_reference::draw_text(x, y, s, image, W, H, static_cast<uint8_t>(ink), brush, brush, sample_font().data(),
                                1440);
    }
  }
  void greeting(const char* s) {
    TextImage image = add();
    int W, H, rx, ry;
    do {
      W = 20 + crt_rand() % 20;
      int tw = text_width(s, W);
      H = 20 + crt_rand() % 20;
      ry = static_cast<int>(200.0f * 0.9f - static_cast<float>(H + 8));
      rx = static_cast<int>(320.0f * 0.9f - static_cast<float>(tw + 16));
    } while (rx < 0 || ry < 0);
    int x = 24 + (rx ? crt_rand() % rx : 0);
    int y = 14 + (ry ? crt_rand() % ry : 0);
    text_reference::draw_text(x, y, s, image, W, H, 255, 8, 4, sample_font().data(), 1440);
  }
  void render() {
    layers.clear();
    layers.reserve(23);
    text(12, 90, TitleWord, 28, 14, 255, 8, 4);
    text(64, 90, CreditWord1, 28, 14, 225, 8, 4);
    text(94, 90, CreditWord2, 28, 14, 225, 8, 4);
    text(88, 80, NameWord, 38, 44, 225, 8, 2);
    scatter("2", 70, 2);
    scatter(NameWord, 40, 4);
    scatter(TitleWord, 40, 4);
    for (const char* g : GreetingTable) greeting(g);
  }
};

bool layers_identical() {
  TextLayers fast;
  crt_srand(1);
  render_text_images(fast, 320, 200, 0.9f, 0.9f, font());
  ReferenceLayers slow;
  crt_srand(1);
  slow.render();
  const TextImage* images[23] = {&fast.TitleImage,  &fast.CreditImage1, &fast.CreditImage2, &fast.NameImage,
                                 &fast.ScatterTwos, &fast.ScatterNames, &fast.ScatterGroup};
  for (int i = 0; i < 16; ++i) images[7 + i] = &fast.GreetImages[i];
  bool same = true;
  for (int i = 0; i < 23; ++i) same = same && std::memcmp(images[i]->pixels, slow.layers[i].data(), 64000) == 0;
  destroy_text_images(fast);
  return same;
}

void BM_TextLayers(benchmark::State& state) {
  for (auto _ : state) {
    TextLayers layers;
    crt_srand(1);
    render_text_images(layers, 320, 200, 0.9f, 0.9f, font());
    benchmark::DoNotOptimize(layers.GreetImages[15].pixels);
    destroy_text_images(layers);
  }
}
BENCHMARK(BM_TextLayers)->Unit(benchmark::kMillisecond);

void BM_TextLayersStraightforward(benchmark::State& state) {
  ReferenceLayers layers;
  for (auto _ : state) {
    crt_srand(1);
    layers.render();
    benchmark::DoNotOptimize(layers.layers.back().data());
  }
}
BENCHMARK(BM_TextLayersStraightforward)->Unit(benchmark::kMillisecond)->Iterations(3);

struct OverlayScene {
  std::vector<uint8_t> layerPixels = std::vector<uint8_t>(64000);
  std::vector<uint8_t> workPixels = std::vector<uint8_t>(64000);
  std::vector<uint8_t> lightShade = std::vector<uint8_t>(4096);
  Bitmap8 layer{layerPixels.data(), 320, 200, 320};
  PalettedBitmap work{};
  TextLayers text{};

  OverlayScene() {
    work.pixels = workPixels.data();
    work.width = 320;
    work.height = 200;
    work.pitch = 320;
    for (int i = 0; i < 64000; ++i) workPixels[i] = static_cast<uint8_t>(i * 31 + i / 320);
    for (int i = 0; i < 4096; ++i) lightShade[i] = static_cast<uint8_t>((i >> 4) + (i & 15) * 3);
    crt_srand(1);
    render_text_images(text, 320, 200, 0.9f, 0.9f, font());
  }
  ~OverlayScene() { destroy_text_images(text); }
};

// Noise 0-3 with the scattered names layer, rand running on from frame to frame as in the show.
void BM_Overlay(benchmark::State& state) {
  OverlayScene scene;
  int noise = static_cast<int>(state.range(0));
  crt_srand(1);
  for (auto _ : state) {
    overlay(scene.layer, &scene.text.ScatterNames, 200, noise, scene.work, scene.lightShade.data());
    benchmark::DoNotOptimize(scene.workPixels.data());
  }
}
BENCHMARK(BM_Overlay)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The noise alone, without the copy and the blend.
void BM_Noise(benchmark::State& state) {
  std::vector<uint8_t> layer(64000, 0);
  int noise = static_cast<int>(state.range(0));
  crt_srand(1);
  for (auto _ : state) {
    add_noise(layer.data(), noise);
    benchmark::DoNotOptimize(layer.data());
  }
}
BENCHMARK(BM_Noise)->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

// The heaviest frame: dust of 29,9xx points (a rand state chosen for it).
void BM_OverlayDustWorst(benchmark::State& state) {
  OverlayScene scene;
  uint32_t seed = 1;
  for (;; ++seed) {
    crt_srand(seed);
    if (crt_rand() % 30000 >= 29900) break;
  }
  for (auto _ : state) {
    crt_srand(seed);
    overlay(scene.layer, nullptr, 255, 3, scene.work, scene.lightShade.data());
    benchmark::DoNotOptimize(scene.workPixels.data());
  }
}
BENCHMARK(BM_OverlayDustWorst)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
  bool same = layers_identical();
  std::printf("font: %s\n", g_fontSource);
  std::printf("all 23 text layers identical to the straightforward renderer: %s\n", same ? "yes" : "NO");
  if (!same) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
