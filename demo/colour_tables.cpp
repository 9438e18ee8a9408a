// Building the colour tables and the grey texture from the show's palette.
// The cube works on the palette in 6-bit form; every division truncates separately, exactly as the
// metric is defined, and the searches keep the lowest index on equal distances. The cube's two
// halves are searched on two threads (each cell is independent, so the split changes nothing).
#include "demo/colour_tables.h"

#include <cstdlib>

#include "demo/colour_tables_search.h"
#include "platform/os.h"
#include "shell/det_math.h"
#include "shell/shell.h"

namespace {
struct Direction {
  int16_t r, g, b;
};

// A colour turned into a direction of length 32 (integer steps; a zero length counts as 1).
Direction normalise(int r, int g, int b) {
  int length = static_cast<int>(det_sqrt(static_cast<double>(r * r + g * g + b * b)));
  if (length == 0) length = 1;
  return {static_cast<int16_t>(r * 32 / length), static_cast<int16_t>(g * 32 / length),
          static_cast<int16_t>(b * 32 / length)};
}

// Targets the shade tables search for, one channel at a time.
int whiten(int v, int step) { return v + (255 - v) * (4 * step) / 64; }
int darken(int v, int step) { return v * (64 - 4 * step) / 64; }

template <typename Shade>
void build_shade_table(uint8_t* table, const uint8_t* palette, Shade shade) {
  PaletteComponents entries{};
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c) entries.component[c][i] = palette[i * 3 + c];
  for (int colour = 0; colour < 256; ++colour) {
    const uint8_t* rgb = palette + colour * 3;
    for (int step = 0; step < 16; ++step)
      table[colour * 16 + step] = nearest_by_components(entries, static_cast<int16_t>(shade(rgb[0], step)),
                                                        static_cast<int16_t>(shade(rgb[1], step)),
                                                        static_cast<int16_t>(shade(rgb[2], step)), 0);
  }
}
}  // namespace

void build_luma_map(Texture8& luma, const PalettedTexture& texture) {
  uint8_t grey[256];
  for (int i = 0; i < 256; ++i)
    grey[i] = static_cast<uint8_t>((texture.palette[i * 3] + texture.palette[i * 3 + 1] + texture.palette[i * 3 + 2]) / 3);
  const size_t count = static_cast<size_t>(texture.width > 0 ? texture.width : 0) *
                       static_cast<size_t>(texture.height > 0 ? texture.height : 0);
  luma.pixels = static_cast<uint8_t*>(std::malloc(count ? count : 1));
  if (!luma.pixels) fatal_error("Out of memory building the grey texture.");
  luma.width = texture.width;
  luma.height = texture.height;
  luma.maskX = texture.maskX;
  luma.maskY = texture.maskY;
  luma.shift = texture.shift;
  for (size_t i = 0; i < count; ++i) luma.pixels[i] = grey[texture.pixels[i]];
}

namespace {
// Half of the cube (a range of R5 planes); two run at once, each writing its own cells.
struct CubeBand {
  uint8_t* cube;
  const PaletteComponents* entries;
  int firstRed, lastRed;
};

unsigned build_cube_band(void* argument) {
  const CubeBand& band = *static_cast<const CubeBand*>(argument);
  for (int r = band.firstRed; r < band.lastRed; ++r)
    for (int g = 0; g < 32; ++g)
      for (int b = 0; b < 32; ++b) {
        Direction direction = normalise(r, g, b);
        band.cube[r * 1024 + g * 32 + b] = nearest_by_components(
            *band.entries, direction.r, direction.g, direction.b, static_cast<int16_t>(8 * ((r + g + b) / 3)));
      }
  return 0;
}
}  // namespace

void build_colour_cube(uint8_t* cube, const uint8_t* palette) {
  // Palette side: 6-bit direction and eight times the average of the halved 6-bit channels.
  PaletteComponents entries{};
  for (int i = 0; i < 256; ++i) {
    const int r = palette[i * 3] >> 2, g = palette[i * 3 + 1] >> 2, b = palette[i * 3 + 2] >> 2;
    Direction direction = normalise(r, g, b);
    entries.component[0][i] = direction.r;
    entries.component[1][i] = direction.g;
    entries.component[2][i] = direction.b;
    entries.component[3][i] = static_cast<int16_t>(8 * ((r / 2 + g / 2 + b / 2) / 3));
  }
  CubeBand low{cube, &entries, 0, 16}, high{cube, &entries, 16, 32};
  OsThread* helper = os_thread_create(build_cube_band, &low);
  if (!helper) build_cube_band(&low);
  build_cube_band(&high);
  if (helper) os_thread_join(helper);
}

void build_mix_table(uint8_t* mix, const uint8_t* cube, const uint8_t* palette, int newWeight, int oldWeight) {
  const int divisor = (newWeight + oldWeight) * 8;
  // Quotients of every weighted sum, counted up rather than divided: sum / divisor, 0..31.
  const int largest = (newWeight + oldWeight) * 255;
  auto* quotient = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(largest) + 1));
  if (!quotient) fatal_error("Out of memory building the mix table.");
  for (int sum = 0, q = 0, next = divisor; sum <= largest; ++sum) {
    if (sum == next) {
      ++q;
      next += divisor;
    }
    quotient[sum] = static_cast<uint8_t>(q);
  }
  for (int fresh = 0; fresh < 256; ++fresh) {
    const uint8_t* a = palette + fresh * 3;
    const int r = newWeight * a[0], g = newWeight * a[1], b = newWeight * a[2];
    for (int old = 0; old < 256; ++old) {
      const uint8_t* o = palette + old * 3;
      const int r5 = quotient[r + oldWeight * o[0]];
      const int g5 = quotient[g + oldWeight * o[1]];
      const int b5 = quotient[b + oldWeight * o[2]];
      mix[fresh * 256 + old] = cube[r5 * 1024 + g5 * 32 + b5];
    }
  }
  std::free(quotient);
}

void build_light_shade_table(uint8_t* table, const uint8_t* palette) { build_shade_table(table, palette, whiten); }
void build_dark_shade_table(uint8_t* table, const uint8_t* palette) { build_shade_table(table, palette, darken); }
