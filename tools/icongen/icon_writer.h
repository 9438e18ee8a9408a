// Makes the program's icons from the picture: square images at several sizes with rounded,
// anti-aliased corners, as a Windows icon file and as raw RGBA for the native window.
#pragma once
#include <cstdint>
#include <vector>

#include "pcx_image.h"

// Area-average resampling to size x size, then the rounded-corner alpha.
RgbaImage make_icon_image(const RgbaImage& source, int size);
// A .ico file holding the images (32-bit BGRA bitmaps with their AND masks), largest last.
std::vector<uint8_t> encode_ico(const std::vector<RgbaImage>& images);
