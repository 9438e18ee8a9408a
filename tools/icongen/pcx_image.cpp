// Reads the one-plane 8-bit PCX the picture generator writes, with every read bounds-checked.
// Subtle: a run never continues into the next scan line; the palette is the last 769 bytes.
#include "pcx_image.h"

#include <cstddef>

namespace {
class Reader {
 public:
  Reader(const std::vector<uint8_t>& bytes, size_t start, size_t end) : bytes_(bytes), pos_(start), end_(end) {}
  bool byte(uint8_t& out) {
    if (pos_ >= end_) return false;
    out = bytes_[pos_++];
    return true;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_, end_;
};

int le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
}  // namespace

bool decode_pcx_rgba(const std::vector<uint8_t>& file, RgbaImage& image, std::string& error) {
  if (file.size() < 128 + 769) {
    error = "file too short for a PCX with a palette";
    return false;
  }
  if (file[0] != 10 || file[2] != 1 || file[3] != 8 || file[65] != 1) {
    error = "not a run-length, 8-bit, one-plane PCX";
    return false;
  }
  const int width = le16(file, 8) - le16(file, 4) + 1;
  const int height = le16(file, 10) - le16(file, 6) + 1;
  const int pitch = le16(file, 66);
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || pitch < width) {
    error = "bad PCX dimensions";
    return false;
  }
  const size_t paletteAt = file.size() - 769;
  if (file[paletteAt] != 12) {
    error = "PCX without the 256-colour palette marker";
    return false;
  }
  Reader in(file, 128, paletteAt);
  std::vector<uint8_t> line(static_cast<size_t>(pitch));
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (x < pitch) {
      uint8_t b, value;
      if (!in.byte(b)) {
        error = "PCX data ends early";
        return false;
      }
      int run = 1;
      value = b;
      if (b >= 0xC0) {
        run = b - 0xC0;
        if (!in.byte(value)) {
          error = "PCX data ends early";
          return false;
        }
      }
      for (; run > 0 && x < pitch; --run) line[x++] = value;
    }
    for (int i = 0; i < width; ++i) {
      const uint8_t* rgb = &file[paletteAt + 1 + line[i] * 3];
      uint8_t* out = &image.pixels[(static_cast<size_t>(y) * width + i) * 4];
      out[0] = rgb[0];
      out[1] = rgb[1];
      out[2] = rgb[2];
      out[3] = 255;
    }
  }
  return true;
}
