// A minimal PNG writer for the picture preview: 8-bit RGB, stored (uncompressed) deflate blocks.
// Enough for any viewer; the preview is a development aid, never part of the archive.
#pragma once
#include <cstdint>
#include <vector>

std::vector<uint8_t> encode_png_rgb(const uint8_t* rgb, int width, int height);
