// Test canvas for the sphere: a 320x200 frame between two guard frames, and hashed lookup tables
// whose output never equals the background, so every written pixel and every stray write shows.
#pragma once
#include <cstdint>
#include <vector>

#include "demo/sphere_raster.h"

struct SphereCanvas {
  static constexpr uint8_t kBackground = 0;
  std::vector<uint8_t> memory = std::vector<uint8_t>(3 * 64000, kBackground);
  std::vector<uint8_t> texture = std::vector<uint8_t>(65536);
  std::vector<uint8_t> luma = std::vector<uint8_t>(65536);
  std::vector<uint8_t> shade = std::vector<uint8_t>(4096);

  SphereCanvas() {
    for (uint32_t i = 0; i < 65536; ++i) {
      texture[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
      luma[i] = static_cast<uint8_t>((i * 40503u + 12345u) >> 8);
    }
    for (uint32_t i = 0; i < 4096; ++i) shade[i] = static_cast<uint8_t>(1 + (i * 2246822519u >> 24) % 255);
  }
  uint8_t* frame() { return memory.data() + 64000; }
  uint8_t at(int x, int y) { return frame()[y * 320 + x]; }
  RasterTarget target() { return {frame(), texture.data(), luma.data(), shade.data()}; }
  void clear() { std::fill(memory.begin(), memory.end(), kBackground); }
  // True when nothing outside the frame was touched.
  bool guards_intact() const {
    for (int i = 0; i < 64000; ++i) {
      if (memory[i] != kBackground || memory[128000 + i] != kBackground) return false;
    }
    return true;
  }
  int written() {
    int n = 0;
    for (int i = 0; i < 64000; ++i) n += frame()[i] != kBackground;
    return n;
  }
  int written_in_row(int y) {
    int n = 0;
    for (int x = 0; x < 320; ++x) n += at(x, y) != kBackground;
    return n;
  }
};
