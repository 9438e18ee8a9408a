// Reads the one-plane 8-bit PCX the picture generator writes, with every read bounds-checked,
// and gives its pixels as 8-bit RGBA.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width x height x 4, rows top to bottom, R G B A
};

// False with a message for anything but a valid 8-bit, one-plane, run-length PCX with a palette.
bool decode_pcx_rgba(const std::vector<uint8_t>& file, RgbaImage& image, std::string& error);
