// Colour arithmetic in palette-index space: the tables the show builds once from its palette.
// Subtle: the cube's metric weighs colour direction against eight times the brightness difference
// (it is not a Euclidean nearest colour), and every search keeps the lowest index on equal distances.
#pragma once
#include <cstdint>

#include "image/bitmap.h"

constexpr int kColourCubeSize = 32768;  // index R5 * 1024 + G5 * 32 + B5, each 0..31
constexpr int kMixTableSize = 65536;    // index new * 256 + old
constexpr int kShadeTableSize = 4096;   // index texel * 16 + step, step 0..15

// The four index tables, 108 KB together; the script owns one on the heap.
struct ColourTables {
  uint8_t cube[kColourCubeSize];         // ColourCube: nearest index of a 15-bit colour
  uint8_t mix[kMixTableSize];            // MixTable: 40 % new + 60 % old colour
  uint8_t lightShade[kShadeTableSize];   // LightShadeTable: colour whitened by 4 * step / 64
  uint8_t darkShade[kShadeTableSize];    // DarkShadeTable: colour scaled by (64 - 4 * step) / 64
};

// Palettes are 768 bytes, R, G, B per index, 0..255.

// LumaMap: grey (R + G + B) / 3 of every texel; allocates luma's pixels, copies size and masks.
void build_luma_map(Texture8& luma, const PalettedTexture& texture);

void build_colour_cube(uint8_t* cube, const uint8_t* palette);

// Each channel (newWeight * new + oldWeight * old) / ((newWeight + oldWeight) * 8), 0..31, looked
// up in the cube. The show uses 40 and 60; weights are positive.
void build_mix_table(uint8_t* mix, const uint8_t* cube, const uint8_t* palette, int newWeight = 40,
                     int oldWeight = 60);

void build_light_shade_table(uint8_t* table, const uint8_t* palette);
void build_dark_shade_table(uint8_t* table, const uint8_t* palette);
