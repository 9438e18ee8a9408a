// A stand-in for the show's picture: a palette of four smooth colour ramps and a 64x64 picture of
// soft bands over it, the kind of content the texture and colour tables are built from.
#pragma once
#include <cstdint>
#include <vector>

namespace sample {

struct Picture {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(64 * 64);
  std::vector<uint8_t> palette = std::vector<uint8_t>(768);
};

inline Picture ramp_picture() {
  Picture p;
  const int tint[4][3] = {{255, 160, 60}, {80, 140, 255}, {200, 255, 200}, {255, 255, 255}};
  for (int i = 0; i < 256; ++i) {
    int band = i / 64, level = (i % 64) * 4 + 3;
    for (int c = 0; c < 3; ++c) p.palette[i * 3 + c] = static_cast<uint8_t>(level * tint[band][c] / 255);
  }
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      int band = ((x / 16) + (y / 16)) & 3;
      int level = (x * 3 + y * 5 + (x * y) / 16) & 63;
      p.pixels[y * 64 + x] = static_cast<uint8_t>(band * 64 + level);
    }
  return p;
}

}  // namespace sample
