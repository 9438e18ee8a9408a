// The show's 256x256 texture, made from a 64x64 PCX: each picture pixel is enlarged four times in
// both directions by bilinear blending of palette colours, and every blended colour is mapped back
// to the nearest palette entry by a weighted distance in hue, saturation and value.
#pragma once
#include <cstdint>

#include "image/bitmap.h"

struct HsvEntry {
  float hue;         // degrees, 0 to below 360
  float saturation;  // 0..1
  float value;       // 0..255
};

// Single precision throughout; grey gives hue 0 and saturation 0.
HsvEntry rgb_to_hsv(float r, float g, float b);

// The entry of table (256 entries) at the smallest distance
//   |dh| * 1.5 + |ds| * 54.5 + |dv| * 30,
// hue differences taken plainly (no wrap at 360). The hue term and the running sum of the first two
// terms are rounded to single precision; the value term and the final sum stay in double precision
// and are compared against a best distance stored in single precision. Lowest index on ties.
uint8_t nearest_palette_index(float r, float g, float b, const HsvEntry* table);

// Reads a one-plane 8-bit PCX into texture (pixels allocated, palette filled; maskX, maskY and
// shift describe a 64x64 texture whatever the size). False on any fault in the picture: bad header,
// three planes, truncated data, missing palette marker or palette. Nothing is kept on failure.
bool load_texture_from_bytes(PalettedTexture& texture, const uint8_t* bytes, uint32_t size);

// The same through the file system; a missing or faulty picture ends the program with
// "Error extracting texture '<name>'."
void load_texture(PalettedTexture& texture, const char* name);

// The 256x256 texture from the bytes of a 64x64 one-plane PCX; false (texture untouched) when the
// picture is anything else.
bool build_texture256_from_bytes(PalettedTexture& texture, const uint8_t* bytes, uint32_t size);

// The same through the file system, fatal like load_texture.
void build_texture256(PalettedTexture& texture, const char* name);

// The enlargement alone: source is 64x64 indices in rows of 64, palette 768 bytes, out 65,536
// indices. The last 10 rows and columns of out are index 0.
void enlarge_texture(uint8_t* out, const uint8_t* source, const uint8_t* palette);
