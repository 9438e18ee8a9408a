// Minimal PNG output for captured frames: 8-bit RGB, zlib stream of stored blocks (no compressor
// needed); optional pixel doubling by an integer scale.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes width x height 0x00RRGGBB pixels, each scaled to scale x scale.
std::vector<uint8_t> encode_png(const uint32_t* pixels, int width, int height, int scale);
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);
uint32_t crc32_update(uint32_t crc, const uint8_t* data, size_t size);
