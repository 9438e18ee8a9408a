// RGB to 4:2:0 YCbCr in integer arithmetic (BT.601, studio range), chroma averaged over 2x2.
// Subtle: scaled output repeats pixels before subsampling, so doubled frames stay sharp in luma.
#include "y4m_writer.h"

#include <vector>

namespace {
uint8_t clamp_byte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
}  // namespace

bool Y4mWriter::open(FILE* file, int width, int height, int fps, int scale) {
  file_ = file;
  width_ = width;
  height_ = height;
  scale_ = scale;
  return std::fprintf(file, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", width * scale, height * scale, fps) > 0;
}

bool Y4mWriter::write_frame(const uint32_t* pixels) {
  int w = width_ * scale_, h = height_ * scale_;
  std::vector<uint8_t> y(static_cast<size_t>(w) * h), u(static_cast<size_t>(w / 2) * (h / 2)), v(u.size());
  auto rgb = [&](int x, int yy, int& r, int& g, int& b) {
    uint32_t p = pixels[static_cast<size_t>(yy / scale_) * width_ + x / scale_];
    r = (p >> 16) & 0xFF;
    g = (p >> 8) & 0xFF;
    b = p & 0xFF;
  };
  for (int yy = 0; yy < h; ++yy)
    for (int x = 0; x < w; ++x) {
      int r, g, b;
      rgb(x, yy, r, g, b);
      y[static_cast<size_t>(yy) * w + x] = clamp_byte(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    }
  for (int yy = 0; yy < h / 2; ++yy)
    for (int x = 0; x < w / 2; ++x) {
      int sr = 0, sg = 0, sb = 0;
      for (int d = 0; d < 4; ++d) {
        int r, g, b;
        rgb(2 * x + (d & 1), 2 * yy + (d >> 1), r, g, b);
        sr += r;
        sg += g;
        sb += b;
      }
      int r = sr / 4, g = sg / 4, b = sb / 4;
      u[static_cast<size_t>(yy) * (w / 2) + x] = clamp_byte(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
      v[static_cast<size_t>(yy) * (w / 2) + x] = clamp_byte(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
  bool ok = std::fputs("FRAME\n", file_) >= 0;
  ok = ok && std::fwrite(y.data(), 1, y.size(), file_) == y.size();
  ok = ok && std::fwrite(u.data(), 1, u.size(), file_) == u.size();
  ok = ok && std::fwrite(v.data(), 1, v.size(), file_) == v.size();
  return ok;
}
