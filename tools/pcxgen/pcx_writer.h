// Encodes a one-plane 8-bit picture as a version 5 PCX: 128-byte header, run-length scan lines,
// the byte 12 and the 768-byte palette. Runs never cross a scan line.
#pragma once
#include <cstdint>
#include <vector>

std::vector<uint8_t> encode_pcx(const uint8_t* pixels, int width, int height, const uint8_t* palette);
