// Pixel containers shared by the shell and the production, and their few engine operations.
// Field orders matter: PalettedBitmap keeps its pitch after the palette, and PalettedTexture has
// its three addressing fields where the pitch would be.
#pragma once
#include <cstdint>

struct Bitmap32 {
  uint32_t* pixels;  // 0x00RRGGBB
  int32_t width;
  int32_t height;
  int32_t pitch;     // bytes
};

struct Bitmap8 {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
  int32_t pitch;
};

struct PalettedBitmap {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
  uint8_t palette[768];  // R, G, B per index, 0..255
  int32_t pitch;
};

struct TextImage {
  uint8_t* pixels;  // rows exactly width bytes
  int32_t width;
  int32_t height;
};

struct Texture8 {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
  uint32_t maskX;  // width - 1
  uint32_t maskY;  // height - 1
  uint32_t shift;  // log2 of the row length
};

struct PalettedTexture {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
  uint8_t palette[768];
  uint32_t maskX;
  uint32_t maskY;
  uint32_t shift;
};

// create: a new pixel block of width x height bytes (contents undefined). A failed allocation is
// reported through fatal_error rather than left as a null block with a size.
void create(Bitmap8& bitmap, int32_t width, int32_t height);
void create(PalettedBitmap& bitmap, int32_t width, int32_t height);
// create for text images: zero-filled, used by the text renderer.
void create(TextImage& image, int32_t width, int32_t height);

// destroy: frees the block and zeroes the size fields (palettes stay); destroying twice is harmless.
void destroy(Bitmap8& bitmap);
void destroy(PalettedBitmap& bitmap);
void destroy(TextImage& image);
void destroy(Texture8& texture);
void destroy(PalettedTexture& texture);

void clear(Bitmap32& bitmap, uint32_t value);
void clear(Bitmap8& bitmap, uint8_t value);
void clear(PalettedBitmap& bitmap, uint8_t value);

// copy: the destination's size governs; sources are tightly packed (rows width bytes apart).
void copy(Bitmap8& destination, const Bitmap8& source);
void copy(Bitmap8& destination, const TextImage& source);
void copy(PalettedBitmap& destination, const PalettedBitmap& source);
void copy(PalettedBitmap& destination, const TextImage& source);
void copy(PalettedBitmap& destination, const PalettedBitmap& source, bool withPalette);

// Clipped rectangle fill of [x, x+w) x [y, y+h).
void fill_rect(Bitmap32& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
