// The colour tables built the plain way, each entry by a linear scan of the palette, kept as the
// yardstick the fast builds must match bit for bit (tests) and beat (benchmark).
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace reference {

inline void normalise(int& r, int& g, int& b) {
  int d = static_cast<int>(std::sqrt(static_cast<double>(r * r + g * g + b * b)));
  if (d == 0) d = 1;
  r = r * 32 / d;
  g = g * 32 / d;
  b = b * 32 / d;
}

inline void colour_cube(uint8_t* cube, const uint8_t* palette) {
  int p6[256][3], pn[256][3];
  for (int l = 0; l < 256; ++l) {
    for (int c = 0; c < 3; ++c) p6[l][c] = pn[l][c] = palette[l * 3 + c] >> 2;
    normalise(pn[l][0], pn[l][1], pn[l][2]);
  }
  int out = 0;
  for (int r5 = 0; r5 < 32; ++r5)
    for (int g5 = 0; g5 < 32; ++g5)
      for (int b5 = 0; b5 < 32; ++b5) {
        int nr = r5, ng = g5, nb = b5;
        normalise(nr, ng, nb);
        int best = 0x7FFFFFFF, found = 0;
        for (int l = 0; l < 256; ++l) {
          int distance = std::abs(nr - pn[l][0]) + std::abs(ng - pn[l][1]) + std::abs(nb - pn[l][2]) +
                         8 * std::abs((p6[l][0] / 2 + p6[l][1] / 2 + p6[l][2] / 2) / 3 - (r5 + g5 + b5) / 3);
          if (distance < best) {
            best = distance;
            found = l;
          }
        }
        cube[out++] = static_cast<uint8_t>(found);
      }
}

inline void mix_table(uint8_t* mix, const uint8_t* cube, const uint8_t* palette, int wNew, int wOld) {
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      int c5[3];
      for (int c = 0; c < 3; ++c) c5[c] = (wNew * palette[a * 3 + c] + wOld * palette[b * 3 + c]) / ((wNew + wOld) * 8);
      mix[a * 256 + b] = cube[c5[0] * 1024 + c5[1] * 32 + c5[2]];
    }
}

inline uint8_t nearest_rgb(const uint8_t* palette, int r, int g, int b) {
  int best = 0x7FFFFFFF, found = 0;
  for (int l = 0; l < 256; ++l) {
    int distance = std::abs(r - palette[l * 3]) + std::abs(g - palette[l * 3 + 1]) + std::abs(b - palette[l * 3 + 2]);
    if (distance < best) {
      best = distance;
      found = l;
    }
  }
  return static_cast<uint8_t>(found);
}

inline void light_shade(uint8_t* table, const uint8_t* palette) {
  for (int c = 0; c < 256; ++c)
    for (int k = 0; k < 16; ++k) {
      const uint8_t* v = palette + c * 3;
      int s = 4 * k;
      table[c * 16 + k] = nearest_rgb(palette, v[0] + (255 - v[0]) * s / 64, v[1] + (255 - v[1]) * s / 64,
                                      v[2] + (255 - v[2]) * s / 64);
    }
}

inline void dark_shade(uint8_t* table, const uint8_t* palette) {
  for (int c = 0; c < 256; ++c)
    for (int k = 0; k < 16; ++k) {
      const uint8_t* v = palette + c * 3;
      int keep = 64 - 4 * k;
      table[c * 16 + k] = nearest_rgb(palette, v[0] * keep / 64, v[1] * keep / 64, v[2] * keep / 64);
    }
}

}  // namespace reference
