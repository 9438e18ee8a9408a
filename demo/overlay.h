// The overlay: a text layer (or nothing), roughened with noise, whitening the frame.
// Subtle: only the low 8 bits of the intensity count; the whitening step (intensity x byte) >> 12
// is 0..15, and step 0 still goes through LightShadeTable (its nearest match, not always the pixel).
#pragma once
#include <cstdint>

#include "image/bitmap.h"

// layer, image and work are 320 x 200 (rows of 320); lightShade is LightShadeTable (4,096 bytes,
// index x 16 + step). Noise 0-3. A layer or frame of another size is left untouched, and an
// image of another size counts as none, so nothing is ever read or written past a buffer.
void overlay(Bitmap8& layer, const TextImage* image, int intensity, int noise, PalettedBitmap& work,
             const uint8_t* lightShade);
