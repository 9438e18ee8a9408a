// The picture "64.pcx" as data: 64 x 64 palette indices and a 256-colour palette, and the recipe
// read from assets/picture that makes them. Everything is computed on a torus so the tile repeats.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kPictureSize = 64;

struct RampKey {
  int position;  // 0..63 within the ramp
  uint8_t r, g, b;
};

struct WaveLayer {
  double amplitude;
  int kx, ky;  // whole periods across the tile, so the wave wraps
  double phase;
};

struct NoiseLayer {
  double amplitude;
  int cells;  // lattice cells across the tile
};

struct PictureRecipe {
  uint32_t seed = 1;
  int cellCount = 6;        // seeds of the tiled cell pattern
  double rimWidth = 4.0;    // pixels of lit rim along the cell borders
  double rimGain = 0.5;     // brightness added on a rim
  double cellGain = 0.5;    // brightness from a cell's centre (dark) to its border (light)
  double base = 0.2;        // brightness everywhere
  double low = 0.05, high = 0.95;  // final brightness range mapped onto ramp positions 1..63
  std::vector<WaveLayer> waves;
  std::vector<NoiseLayer> noises;
  std::vector<std::vector<RampKey>> ramps;  // four ramps of 64 entries: palette 0-63, 64-127, ...
};

struct Picture {
  uint8_t pixels[kPictureSize * kPictureSize];
  uint8_t palette[768];
};

// Reads the recipe text; false with a message naming the line on a bad one.
bool parse_recipe(const std::string& text, PictureRecipe& recipe, std::string& error);
// Builds the palette (four ramps, each dark to light, index 0 black) and the tile.
bool make_picture(const PictureRecipe& recipe, Picture& picture, std::string& error);
