// Fuzzes the stroke-font renderer with arbitrary font bytes of any length, text, sizes, inks,
// brushes and positions: no read outside the font or the layer, and the fast renderer must give
// exactly the pixels of the straightforward one.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "demo/stroke_font.h"
#include "demo/text_draw.h"
#include "tests/demo/text_reference.h"

namespace {
constexpr size_t kParameters = 8;
constexpr int kLayerWidth = 96;
constexpr int kLayerHeight = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kParameters) return 0;
  int W = data[0] % 170 - 8;
  int H = data[1] % 170 - 8;
  uint8_t ink = data[2];
  int bw = data[3] % 16 - 2;
  int bh = data[4] % 16 - 2;
  int x = static_cast<int8_t>(data[5]) * 2;
  int y = static_cast<int8_t>(data[6]) * 2;
  size_t textLength = data[7] % 7;
  data += kParameters;
  size -= kParameters;
  if (size < textLength) return 0;

  char text[8] = {};
  std::memcpy(text, data, textLength);
  data += textLength;
  size -= textLength;

  // The font in a block of exactly its size, so the sanitizer sees any read past it.
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  if (size) std::memcpy(bytes, data, size);
  StrokeFont font{bytes, static_cast<uint32_t>(size)};

  std::vector<uint8_t> fast(kLayerWidth * kLayerHeight), slow;
  for (size_t i = 0; i < fast.size(); ++i) fast[i] = static_cast<uint8_t>(i * 37);
  slow = fast;
  TextImage fastImage{fast.data(), kLayerWidth, kLayerHeight};
  TextImage slowImage{slow.data(), kLayerWidth, kLayerHeight};
  draw_text(x, y, text, fastImage, W, H, ink, bw, bh, font);
  text_reference::draw_text(x, y, text, slowImage, W, H, ink, bw, bh, bytes, static_cast<uint32_t>(size));
  if (fast != slow) __builtin_trap();
  if (text_width(text, W) < 0 && W > 0) __builtin_trap();

  std::free(bytes);
  return 0;
}
