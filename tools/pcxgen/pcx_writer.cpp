// Encodes a one-plane 8-bit picture as a version 5 PCX with its 256-colour palette.
// Subtle: a lone byte of 0xC0 or more is written as a run of one, or it would read as a count.
#include "pcx_writer.h"

#include <cstddef>

namespace {
void put16(std::vector<uint8_t>& out, size_t at, int value) {
  out[at] = static_cast<uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}
}  // namespace

std::vector<uint8_t> encode_pcx(const uint8_t* pixels, int width, int height, const uint8_t* palette) {
  std::vector<uint8_t> out(128, 0);
  out[0] = 10;  // manufacturer
  out[1] = 5;   // version: 256-colour palette at the end
  out[2] = 1;   // run-length encoding
  out[3] = 8;   // bits per pixel per plane
  put16(out, 8, width - 1);
  put16(out, 10, height - 1);
  put16(out, 12, 72);
  put16(out, 14, 72);
  out[65] = 1;  // planes
  put16(out, 66, width);  // bytes per line (even for our widths)
  put16(out, 68, 1);      // palette is colour
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + y * width;
    int x = 0;
    while (x < width) {
      int run = 1;
      while (x + run < width && run < 63 && row[x + run] == row[x]) ++run;
      if (run > 1 || row[x] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
      out.push_back(row[x]);
      x += run;
    }
  }
  out.push_back(12);
  out.insert(out.end(), palette, palette + 768);
  return out;
}
