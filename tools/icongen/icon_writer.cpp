// Makes the program's icons from the picture: several sizes with rounded, anti-aliased corners.
// Subtle: icon bitmaps are bottom-up, twice their height (colour rows, then a 32-bit padded AND mask).
#include "icon_writer.h"

#include <algorithm>

namespace {
void put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, static_cast<int>(v & 0xFFFF));
  put16(out, static_cast<int>(v >> 16));
}

// Coverage (0..1) of pixel (x, y) by a square of side n with corners rounded to radius r,
// sampled 4 x 4 inside the pixel.
double corner_coverage(int x, int y, int n, double r) {
  int inside = 0;
  for (int sy = 0; sy < 4; ++sy)
    for (int sx = 0; sx < 4; ++sx) {
      double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
      double cx = px < r ? r : px > n - r ? n - r : px;
      double cy = py < r ? r : py > n - r ? n - r : py;
      double dx = px - cx, dy = py - cy;
      if (dx * dx + dy * dy <= r * r) ++inside;
    }
  return inside / 16.0;
}
}  // namespace

RgbaImage make_icon_image(const RgbaImage& source, int size) {
  RgbaImage out;
  out.width = out.height = size;
  out.pixels.assign(static_cast<size_t>(size) * size * 4, 0);
  const double sx = static_cast<double>(source.width) / size, sy = static_cast<double>(source.height) / size;
  const double radius = size / 6.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      // Area average over the source rectangle [x*sx, (x+1)*sx) x [y*sy, (y+1)*sy).
      double sum[3] = {0, 0, 0}, weight = 0;
      int x0 = static_cast<int>(x * sx), x1 = static_cast<int>((x + 1) * sx - 1e-9);
      int y0 = static_cast<int>(y * sy), y1 = static_cast<int>((y + 1) * sy - 1e-9);
      for (int j = y0; j <= y1 && j < source.height; ++j)
        for (int i = x0; i <= x1 && i < source.width; ++i) {
          double wx = std::min<double>(i + 1, (x + 1) * sx) - std::max<double>(i, x * sx);
          double wy = std::min<double>(j + 1, (y + 1) * sy) - std::max<double>(j, y * sy);
          double w = wx * wy;
          const uint8_t* p = &source.pixels[(static_cast<size_t>(j) * source.width + i) * 4];
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * w;
          weight += w;
        }
      uint8_t* q = &out.pixels[(static_cast<size_t>(y) * size + x) * 4];
      for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(sum[c] / weight + 0.5);
      q[3] = static_cast<uint8_t>(corner_coverage(x, y, size, radius) * 255.0 + 0.5);
    }
  return out;
}

std::vector<uint8_t> encode_ico(const std::vector<RgbaImage>& images) {
  std::vector<std::vector<uint8_t>> bodies;
  for (const RgbaImage& img : images) {
    std::vector<uint8_t> b;
    const int n = img.width;
    const int maskPitch = ((n + 31) / 32) * 4;
    put32(b, 40);
    put32(b, static_cast<uint32_t>(n));
    put32(b, static_cast<uint32_t>(n * 2));
    put16(b, 1);
    put16(b, 32);
    put32(b, 0);
    put32(b, static_cast<uint32_t>(n * n * 4 + maskPitch * n));
    for (int i = 0; i < 4; ++i) put32(b, 0);
    for (int y = n - 1; y >= 0; --y)
      for (int x = 0; x < n; ++x) {
        const uint8_t* p = &img.pixels[(static_cast<size_t>(y) * n + x) * 4];
        b.push_back(p[2]);
        b.push_back(p[1]);
        b.push_back(p[0]);
        b.push_back(p[3]);
      }
    for (int y = n - 1; y >= 0; --y) {
      std::vector<uint8_t> row(static_cast<size_t>(maskPitch), 0);
      for (int x = 0; x < n; ++x)
        if (img.pixels[(static_cast<size_t>(y) * n + x) * 4 + 3] == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      b.insert(b.end(), row.begin(), row.end());
    }
    bodies.push_back(b);
  }
  std::vector<uint8_t> out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<int>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    int n = images[i].width;
    out.push_back(static_cast<uint8_t>(n >= 256 ? 0 : n));
    out.push_back(static_cast<uint8_t>(n >= 256 ? 0 : n));
    out.push_back(0);
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<uint32_t>(bodies[i].size()));
    put32(out, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const auto& b : bodies) out.insert(out.end(), b.begin(), b.end());
  return out;
}
