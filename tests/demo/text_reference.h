// The straightforward text renderer, written apart from the production one: a 256 x 256 scratch
// at 128 per glyph, every brush pixel stamped, every box summed term by term. Tests, the
// benchmark and the font fuzzer hold the fast renderer to it, pixel for pixel.
#pragma once
#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "shell/det_math.h"

namespace text_reference {

struct Scratch {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(256 * 256, 128);
  int bw, bh;
  uint8_t ink;

  void stamp(int cx, int cy) {
    for (int y = cy - bh; y <= cy + bh; ++y)
      for (int x = cx - bw; x <= cx + bw; ++x)
        if (x >= 0 && x < 256 && y >= 0 && y < 256) pixels[y * 256 + x] = ink;
  }

  void line(int x1, int y1, int x2, int y2) {
    int dx = x2 - x1, dy = y2 - y1;
    int sx = dx > 0 ? 1 : (dx < 0 ? -1 : 0), sy = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    int e = ay >= ax ? ay : ax;
    int minor = ay >= ax ? ax : ay;
    int error = e / 2, x = x1, y = y1;
    for (int n = 0; n <= e; ++n) {
      stamp(x, y);
      error += minor;
      if (error >= e) {
        error -= e;
        x += sx;
        y += sy;
      } else if (ay >= ax) {
        y += sy;
      } else {
        x += sx;
      }
    }
  }
};

inline void draw_glyph(int x, int y, uint8_t ink, int glyph, TextImage& image, int bw, int bh, int W, int H,
                       const uint8_t* font, uint32_t size) {
  Scratch scratch;
  scratch.bw = bw;
  scratch.bh = bh;
  scratch.ink = ink;
  if (font && glyph >= 0 && glyph < 36 && static_cast<uint64_t>(glyph) * 40 + 40 <= size) {
    const uint8_t* record = font + glyph * 40;
    int leftmost = 64;
    for (int s = 0; s < 8; ++s) {
      const uint8_t* p = record + s * 5;
      if (p[0] == 1 || p[0] == 2) {
        if (p[1] < leftmost) leftmost = p[1];
        if (p[3] < leftmost) leftmost = p[3];
      } else if (p[0] == 3) {
        if (p[1] < leftmost) leftmost = p[1];
        if (p[4] < leftmost) leftmost = p[4];
      }
    }
    int shift = leftmost - 8;
    for (int s = 0; s < 8; ++s) {
      const uint8_t* p = record + s * 5;
      if (p[0] == 1) {
        scratch.line(p[1] - shift, p[2], p[3] - shift, p[4]);
      } else if (p[0] == 2) {
        int a = p[1] - shift, b = p[3] - shift, mid = (a + b) / 2;
        for (int i = 0; i <= 180; ++i) {
          double t = i * 0.017453292522222223;
          scratch.stamp(mid + static_cast<int>(det_cos(t) * (mid - a)), p[2] + static_cast<int>(det_sin(t) * (p[4] - p[2])));
        }
      } else if (p[0] == 3) {
        int a = p[1] - shift, b = p[4] - shift, mid = (p[2] + p[3]) / 2;
        for (int i = 0; i <= 180; ++i) {
          float t = static_cast<float>(i) * 0.017453292f;
          scratch.stamp(a + static_cast<int>(det_sin(t) * (b - a)), mid + static_cast<int>(det_cos(t) * (mid - p[2])));
        }
      }
    }
  }
  if (W <= 0 || H <= 0) return;
  for (int j = 0; j < H; ++j) {
    for (int k = 0; k < W; ++k) {
      int r0 = static_cast<int>(int64_t{j} * 128 / H), r1 = static_cast<int>(int64_t{j + 1} * 128 / H);
      int c0 = static_cast<int>(int64_t{k} * 128 / W), c1 = static_cast<int>(int64_t{k + 1} * 128 / W);
      int sum = 0, samples = 0;
      for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) {
          sum += (scratch.pixels[r * 256 + c] - 128) * 255 / 256;
          ++samples;
        }
      int w = samples ? sum / samples : 0;
      int64_t px = int64_t{x} + k, py = int64_t{y} + j;
      if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
      uint8_t& v = image.pixels[py * image.width + px];
      v = static_cast<uint8_t>(w >= 0 ? (v * (128 - w) + 255 * w) / 128 : v * (w + 128) / 128);
    }
  }
}

inline void draw_text(int x, int y, const char* text, TextImage& image, int W, int H, uint8_t ink, int bw, int bh,
                      const uint8_t* font, uint32_t size) {
  int64_t pen = x;
  for (const char* c = text; *c; ++c) {
    int glyph = *c >= 'A' && *c <= 'Z' ? *c - 'A' : (*c >= '0' && *c <= '9' ? *c - '0' + 26 : -1);
    if (glyph >= 0) draw_glyph(static_cast<int>(pen), y, ink, glyph, image, bw, bh, W, H, font, size);
    pen += *c == 'I' ? (W >> 2) : (*c == '9' ? 3 * W / 4 : W);
  }
}

}  // namespace text_reference
