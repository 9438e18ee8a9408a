// Filling the screen from GridMap: each 8x8 block interpolates its four corner points linearly in
// fixed point with 3 fractional bits and looks the texture up (optionally through a shade table).
// Subtle: every pixel row restarts on a whole texel (its start is truncated toward zero).
#pragma once
#include <cstdint>

#include "demo/grid_map.h"

// out: 320x200 palette indices, rows pitch bytes apart; texture: 256x256 indices (rows of 256);
// shade: 4,096 entries, texel * 16 + depth step. All 64,000 pixels are written.
void render_grid_shaded(const GridMap& grid, uint8_t* out, int32_t pitch, const uint8_t* texture,
                        const uint8_t* shade);
void render_grid_plain(const GridMap& grid, uint8_t* out, int32_t pitch, const uint8_t* texture);
