// Composing the frame in palette-index space and converting it to 32-bit pixels once at the end.
// Blends are byte lookups per pixel; they touch the area both bitmaps cover, row by row with pitch.
#pragma once
#include <cstdint>

#include "image/bitmap.h"

// work = mix[work * 256 + previous]: 40 % of this frame's colour, 60 % of the last one's.
void feedback_blend(PalettedBitmap& work, const PalettedBitmap& previous, const uint8_t* mix);

// work = lightShade[work * 16 + ((intensity * overlay) >> 12)], intensity clamped to 0..255; an
// intensity of 16 or less gives step 0 everywhere.
void overlay_blend(PalettedBitmap& work, const Bitmap8& overlay, const uint8_t* lightShade, int intensity);

// frame = 0x00RRGGBB of every work pixel through work's own palette.
void convert_to_frame(Bitmap32& frame, const PalettedBitmap& work);
