// PCX files made in memory for the reader, texture and fuzz-seed tests.
// Encoding is plain run-length with runs of up to 63; callers may append raw bytes of their own.
#pragma once
#include <cstdint>
#include <vector>

namespace pcx {

struct Header {
  uint8_t manufacturer = 10, version = 5, encoding = 1, bitsPerPixel = 8, planes = 1;
  uint16_t xMin = 0, yMin = 0, xMax = 63, yMax = 63, bytesPerLine = 64;
};

inline std::vector<uint8_t> header(const Header& h) {
  std::vector<uint8_t> bytes(128, 0);
  bytes[0] = h.manufacturer;
  bytes[1] = h.version;
  bytes[2] = h.encoding;
  bytes[3] = h.bitsPerPixel;
  auto put16 = [&](int at, uint16_t v) {
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put16(4, h.xMin);
  put16(6, h.yMin);
  put16(8, h.xMax);
  put16(10, h.yMax);
  bytes[65] = h.planes;
  put16(66, h.bytesPerLine);
  return bytes;
}

// Run-length encodes one scan line (runs never cross it), as a PCX writer does.
inline void encode_line(std::vector<uint8_t>& out, const uint8_t* line, int size) {
  for (int i = 0; i < size;) {
    int run = 1;
    while (i + run < size && run < 63 && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= 0xC0) {
      out.push_back(static_cast<uint8_t>(0xC0 + run));
      out.push_back(line[i]);
    } else {
      out.push_back(line[i]);
    }
    i += run;
  }
}

// A complete one-plane 64x64 picture: header, encoded lines, marker 12 and the palette.
inline std::vector<uint8_t> picture64(const uint8_t* pixels, const uint8_t* palette) {
  std::vector<uint8_t> bytes = header(Header{});
  for (int y = 0; y < 64; ++y) encode_line(bytes, pixels + y * 64, 64);
  bytes.push_back(12);
  bytes.insert(bytes.end(), palette, palette + 768);
  return bytes;
}

}  // namespace pcx
