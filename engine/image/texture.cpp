// Loading the picture and building the 256x256 texture from it.
// The enlargement blends palette colours in exact quarter steps (sums of sixteenths are exact in
// single precision); neighbours wrap from the last picture column and row to the first. Two
// threads share the rows at start-up.
#include "image/texture.h"

#include <cstdlib>
#include <cstring>

#include "image/image_stream.h"
#include "image/pcx_reader.h"
#include "image/texture_search.h"
#include "platform/os.h"
#include "shell/shell.h"
#include "vfs/mount.h"

namespace {
constexpr int kSourceSize = 64;
constexpr int kSize = 256;
constexpr int kBorder = 246;  // rows and columns from here on are index 0

// Run-length data can expand at most 63 bytes for every 2 read; a header claiming more pixels than
// the file could hold is refused before anything is allocated for it.
bool plausible_size(uint64_t decodedBytes, uint32_t fileSize) {
  uint64_t data = fileSize > kPcxHeaderSize ? fileSize - kPcxHeaderSize : 0;
  return decodedBytes <= data * 32;
}

// One output row of the enlargement.
void enlarge_row(uint8_t* out, int y, const uint8_t* source, const uint8_t* palette, const PaletteSearch& search) {
  const int y0 = (y >> 2) & 63, y1 = ((y >> 2) + 1) & 63, fy = y & 3;
  const uint8_t* top = source + y0 * kSourceSize;
  const uint8_t* bottom = source + y1 * kSourceSize;
  for (int x = 0; x < kBorder; ++x) {
    const int x0 = (x >> 2) & 63, x1 = ((x >> 2) + 1) & 63, fx = x & 3;
    const uint8_t corner[4] = {top[x0], top[x1], bottom[x0], bottom[x1]};
    float channel[3];
    for (int c = 0; c < 3; ++c) {
      int left = (4 - fy) * palette[corner[0] * 3 + c] + fy * palette[corner[2] * 3 + c];
      int right = (4 - fy) * palette[corner[1] * 3 + c] + fy * palette[corner[3] * 3 + c];
      channel[c] = static_cast<float>((4 - fx) * left + fx * right) * 0.0625f;  // exact
    }
    out[x] = search.nearest(channel[0], channel[1], channel[2]);
  }
  std::memset(out + kBorder, 0, kSize - kBorder);
}

// A band of output rows; the enlargement runs two bands at once (rows are independent, so the
// split cannot change a single pixel).
struct RowBand {
  uint8_t* out;
  const uint8_t* source;
  const uint8_t* palette;
  const PaletteSearch* search;
  int first, last;
};

unsigned enlarge_band(void* argument) {
  const RowBand& band = *static_cast<const RowBand*>(argument);
  for (int y = band.first; y < band.last; ++y)
    enlarge_row(band.out + y * kSize, y, band.source, band.palette, *band.search);
  return 0;
}
}  // namespace

void enlarge_texture(uint8_t* out, const uint8_t* source, const uint8_t* palette) {
  HsvEntry table[256];
  for (int i = 0; i < 256; ++i) table[i] = rgb_to_hsv(palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]);
  const PaletteSearch search(table);
  RowBand upper{out, source, palette, &search, 0, kBorder / 2};
  RowBand lower{out, source, palette, &search, kBorder / 2, kBorder};
  OsThread* helper = os_thread_create(enlarge_band, &upper);
  if (!helper) enlarge_band(&upper);
  enlarge_band(&lower);
  if (helper) os_thread_join(helper);
  std::memset(out + kBorder * kSize, 0, (kSize - kBorder) * kSize);
}

bool load_texture_from_bytes(PalettedTexture& texture, const uint8_t* bytes, uint32_t size) {
  ImageStream stream(bytes, size);
  PcxReader reader(&stream);
  if (!reader.read_header() || !reader.supports_format(FormatIndexed)) return false;
  const int32_t width = reader.image_width(), height = reader.image_height();
  const uint64_t pixelCount = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  if (!plausible_size(pixelCount, size)) return false;

  auto* pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(pixelCount)));
  if (!pixels) return false;
  uint8_t palette[768];
  if (!reader.decode(pixels, FormatIndexed, width, palette)) {
    std::free(pixels);
    return false;
  }
  texture.pixels = pixels;
  texture.width = width;
  texture.height = height;
  std::memcpy(texture.palette, palette, sizeof palette);
  texture.maskX = 63;
  texture.maskY = 63;
  texture.shift = 6;
  return true;
}

void load_texture(PalettedTexture& texture, const char* name) {
  uint32_t size = 0;
  void* bytes = load_file(name, &size);
  if (!bytes) fatal_error("Error extracting texture '%s'.\n", name);
  bool loaded = load_texture_from_bytes(texture, static_cast<const uint8_t*>(bytes), size);
  std::free(bytes);
  if (!loaded) fatal_error("Error extracting texture '%s'.\n", name);
}

bool build_texture256_from_bytes(PalettedTexture& texture, const uint8_t* bytes, uint32_t size) {
  PalettedTexture source{};
  if (!load_texture_from_bytes(source, bytes, size)) return false;
  if (source.width != kSourceSize || source.height != kSourceSize) {
    destroy(source);
    return false;
  }
  auto* pixels = static_cast<uint8_t*>(std::malloc(kSize * kSize));
  if (!pixels) {
    destroy(source);
    return false;
  }
  enlarge_texture(pixels, source.pixels, source.palette);
  texture.pixels = pixels;
  texture.width = texture.height = kSize;
  std::memcpy(texture.palette, source.palette, sizeof texture.palette);
  texture.maskX = texture.maskY = kSize - 1;
  texture.shift = 8;
  destroy(source);
  return true;
}

void build_texture256(PalettedTexture& texture, const char* name) {
  uint32_t size = 0;
  void* bytes = load_file(name, &size);
  if (!bytes) fatal_error("Error extracting texture '%s'.\n", name);
  bool built = build_texture256_from_bytes(texture, static_cast<const uint8_t*>(bytes), size);
  std::free(bytes);
  if (!built) fatal_error("Error extracting texture '%s'.\n", name);
}
