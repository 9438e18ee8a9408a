// Bitmap records: create, destroy, clear, copy and the clipped rectangle fill.
// Every loop runs per row with the record's own pitch; sources of copies are tightly packed.
#include "image/bitmap.h"

#include <cstdlib>
#include <cstddef>
#include <cstring>

#include "shell/shell.h"

namespace {
uint8_t* allocate_pixels(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height);
  auto* pixels = static_cast<uint8_t*>(std::malloc(bytes));
  if (!pixels) fatal_error("Out of memory allocating a %dx%d bitmap.", width, height);
  return pixels;
}

template <typename Record>
void create_bytes(Record& bitmap, int32_t width, int32_t height) {
  bitmap.pixels = allocate_pixels(width, height);
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pitch = width;
}

void clear_rows(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch, uint8_t value) {
  if (!pixels || width <= 0 || height <= 0) return;
  for (int32_t y = 0; y < height; ++y) std::memset(pixels + static_cast<ptrdiff_t>(y) * pitch, value, width);
}

void copy_rows(uint8_t* destination, int32_t width, int32_t height, int32_t pitch, const uint8_t* source,
               int32_t sourceWidth) {
  if (!destination || !source || width <= 0 || height <= 0) return;
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(destination + static_cast<ptrdiff_t>(y) * pitch, source + static_cast<ptrdiff_t>(y) * sourceWidth,
                width);
}
}  // namespace

void create(Bitmap8& bitmap, int32_t width, int32_t height) { create_bytes(bitmap, width, height); }
void create(PalettedBitmap& bitmap, int32_t width, int32_t height) { create_bytes(bitmap, width, height); }

void create(TextImage& image, int32_t width, int32_t height) {
  image.pixels = allocate_pixels(width, height);
  image.width = width;
  image.height = height;
  if (image.pixels) std::memset(image.pixels, 0, static_cast<size_t>(width) * static_cast<size_t>(height));
}

void destroy(Bitmap8& bitmap) {
  std::free(bitmap.pixels);
  bitmap.pixels = nullptr;
  bitmap.width = bitmap.height = bitmap.pitch = 0;
}

void destroy(PalettedBitmap& bitmap) {
  std::free(bitmap.pixels);
  bitmap.pixels = nullptr;
  bitmap.width = bitmap.height = bitmap.pitch = 0;
}

void destroy(TextImage& image) {
  std::free(image.pixels);
  image.pixels = nullptr;
  image.width = image.height = 0;
}

void destroy(Texture8& texture) {
  std::free(texture.pixels);
  texture.pixels = nullptr;
  texture.width = texture.height = 0;
  texture.maskX = texture.maskY = texture.shift = 0;
}

void destroy(PalettedTexture& texture) {
  std::free(texture.pixels);
  texture.pixels = nullptr;
  texture.width = texture.height = 0;
  texture.maskX = texture.maskY = texture.shift = 0;
}

void clear(Bitmap32& bitmap, uint32_t value) {
  if (!bitmap.pixels || bitmap.width <= 0 || bitmap.height <= 0) return;
  auto* row = reinterpret_cast<uint8_t*>(bitmap.pixels);
  for (int32_t y = 0; y < bitmap.height; ++y, row += bitmap.pitch) {
    auto* pixel = reinterpret_cast<uint32_t*>(row);
    for (int32_t x = 0; x < bitmap.width; ++x) pixel[x] = value;
  }
}

void clear(Bitmap8& bitmap, uint8_t value) {
  clear_rows(bitmap.pixels, bitmap.width, bitmap.height, bitmap.pitch, value);
}

void clear(PalettedBitmap& bitmap, uint8_t value) {
  clear_rows(bitmap.pixels, bitmap.width, bitmap.height, bitmap.pitch, value);
}

void copy(Bitmap8& destination, const Bitmap8& source) {
  copy_rows(destination.pixels, destination.width, destination.height, destination.pitch, source.pixels,
            source.width);
}

void copy(Bitmap8& destination, const TextImage& source) {
  copy_rows(destination.pixels, destination.width, destination.height, destination.pitch, source.pixels,
            source.width);
}

void copy(PalettedBitmap& destination, const PalettedBitmap& source) {
  copy_rows(destination.pixels, destination.width, destination.height, destination.pitch, source.pixels,
            source.width);
}

void copy(PalettedBitmap& destination, const TextImage& source) {
  copy_rows(destination.pixels, destination.width, destination.height, destination.pitch, source.pixels,
            source.width);
}

void copy(PalettedBitmap& destination, const PalettedBitmap& source, bool withPalette) {
  copy(destination, source);
  if (withPalette) std::memcpy(destination.palette, source.palette, sizeof destination.palette);
}

void fill_rect(Bitmap32& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  if (x >= bitmap.width || y >= bitmap.height) return;
  // 64-bit edges: x + w cannot overflow for any int32 inputs.
  int64_t left = x > 0 ? x : 0;
  int64_t top = y > 0 ? y : 0;
  int64_t right = static_cast<int64_t>(x) + w < bitmap.width ? static_cast<int64_t>(x) + w : bitmap.width;
  int64_t bottom = static_cast<int64_t>(y) + h < bitmap.height ? static_cast<int64_t>(y) + h : bitmap.height;
  if (right <= left || bottom <= top) return;
  auto* row = reinterpret_cast<uint8_t*>(bitmap.pixels) + top * bitmap.pitch;
  for (int64_t r = top; r < bottom; ++r, row += bitmap.pitch) {
    auto* pixel = reinterpret_cast<uint32_t*>(row);
    for (int64_t c = left; c < right; ++c) pixel[c] = colour;
  }
}
