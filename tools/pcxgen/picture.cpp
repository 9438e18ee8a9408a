// The picture: a tiled cell pattern with lit rims, waves and lattice noise over four colour ramps.
// Subtle: every term is periodic in 64 pixels (torus distances, whole periods), so the tile repeats.
#include "picture.h"

#include <algorithm>
#include <sstream>

#include "shell/det_math.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A small deterministic generator for the recipe's random choices (not the show's rand).
struct Lcg {
  uint32_t state;
  double next() {  // 0 <= value < 1
    state = state * 1664525u + 1013904223u;
    return (state >> 8) * (1.0 / 16777216.0);
  }
};

double torus_delta(double a, double b) {
  double d = a - b;
  if (d < 0) d = -d;
  return std::min(d, kPictureSize - d);
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

struct Lattice {
  int cells;
  std::vector<double> values;
  double at(double x, double y) const {
    double fx = x * cells / kPictureSize, fy = y * cells / kPictureSize;
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = smooth(fx - ix), ty = smooth(fy - iy);
    auto v = [&](int i, int j) { return values[(j % cells) * cells + (i % cells)]; };
    double top = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * tx;
    double bottom = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
  }
};

bool parse_hex_colour(const std::string& word, RampKey& key) {
  if (word.size() != 6) return false;
  unsigned value = 0;
  for (char c : word) {
    int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  key.r = static_cast<uint8_t>(value >> 16);
  key.g = static_cast<uint8_t>(value >> 8);
  key.b = static_cast<uint8_t>(value);
  return true;
}

bool parse_ramp(std::istringstream& in, std::vector<RampKey>& ramp, std::string& why) {
  int position;
  std::string colour;
  while (in >> position >> colour) {
    RampKey key{position, 0, 0, 0};
    if (position < 0 || position > 63 || !parse_hex_colour(colour, key)) {
      why = "ramp keys are a position 0..63 and a colour RRGGBB";
      return false;
    }
    if (!ramp.empty() && position <= ramp.back().position) {
      why = "ramp positions must increase";
      return false;
    }
    ramp.push_back(key);
  }
  if (ramp.size() < 2 || ramp.front().position != 0 || ramp.back().position != 63) {
    why = "a ramp runs from position 0 to position 63";
    return false;
  }
  return true;
}

void fill_ramp(const std::vector<RampKey>& keys, uint8_t* out) {
  for (size_t k = 0; k + 1 < keys.size(); ++k) {
    const RampKey& a = keys[k];
    const RampKey& b = keys[k + 1];
    int span = b.position - a.position;
    for (int p = a.position; p <= b.position; ++p) {
      int t = p - a.position;
      uint8_t* rgb = out + p * 3;
      rgb[0] = static_cast<uint8_t>((a.r * (span - t) + b.r * t + span / 2) / span);
      rgb[1] = static_cast<uint8_t>((a.g * (span - t) + b.g * t + span / 2) / span);
      rgb[2] = static_cast<uint8_t>((a.b * (span - t) + b.b * t + span / 2) / span);
    }
  }
}

}  // namespace

bool parse_recipe(const std::string& text, PictureRecipe& recipe, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream in(line);
    std::string key;
    if (!(in >> key)) continue;
    std::string why;
    bool ok = true;
    if (key == "seed") ok = static_cast<bool>(in >> recipe.seed);
    else if (key == "cells") ok = static_cast<bool>(in >> recipe.cellCount) && recipe.cellCount >= 1 && recipe.cellCount <= 64;
    else if (key == "rim") ok = static_cast<bool>(in >> recipe.rimWidth >> recipe.rimGain) && recipe.rimWidth > 0;
    else if (key == "cell") ok = static_cast<bool>(in >> recipe.cellGain);
    else if (key == "base") ok = static_cast<bool>(in >> recipe.base);
    else if (key == "range") ok = static_cast<bool>(in >> recipe.low >> recipe.high) && recipe.high > recipe.low;
    else if (key == "wave") {
      WaveLayer w{};
      ok = static_cast<bool>(in >> w.amplitude >> w.kx >> w.ky >> w.phase);
      recipe.waves.push_back(w);
    } else if (key == "noise") {
      NoiseLayer n{};
      ok = static_cast<bool>(in >> n.amplitude >> n.cells) && n.cells >= 1 && n.cells <= kPictureSize;
      recipe.noises.push_back(n);
    } else if (key == "ramp") {
      recipe.ramps.emplace_back();
      ok = parse_ramp(in, recipe.ramps.back(), why);
    } else {
      why = "unknown key '" + key + "'";
      ok = false;
    }
    if (!ok) {
      error = "line " + std::to_string(number) + ": " + (why.empty() ? "bad values for '" + key + "'" : why);
      return false;
    }
  }
  if (recipe.ramps.size() != 4) {
    error = "the palette needs exactly four ramps";
    return false;
  }
  return true;
}

bool make_picture(const PictureRecipe& recipe, Picture& picture, std::string& error) {
  for (int r = 0; r < 4; ++r) {
    const RampKey& first = recipe.ramps[r].front();
    if (first.r != 0 || first.g != 0 || first.b != 0) {
      error = "every ramp starts at black";
      return false;
    }
    fill_ramp(recipe.ramps[r], picture.palette + r * 64 * 3);
  }

  Lcg rng{recipe.seed};
  std::vector<double> seedX(recipe.cellCount), seedY(recipe.cellCount);
  for (int i = 0; i < recipe.cellCount; ++i) {
    seedX[i] = rng.next() * kPictureSize;
    seedY[i] = rng.next() * kPictureSize;
  }
  std::vector<Lattice> lattices;
  for (const NoiseLayer& n : recipe.noises) {
    Lattice l{n.cells, std::vector<double>(static_cast<size_t>(n.cells) * n.cells)};
    for (double& v : l.values) v = rng.next() * 2.0 - 1.0;
    lattices.push_back(l);
  }

  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      double px = x + 0.5, py = y + 0.5;
      double f1 = 1e9, f2 = 1e9;
      int nearest = 0;
      for (int i = 0; i < recipe.cellCount; ++i) {
        double dx = torus_delta(px, seedX[i]), dy = torus_delta(py, seedY[i]);
        double d = det_sqrt(dx * dx + dy * dy);
        if (d < f1) {
          f2 = f1;
          f1 = d;
          nearest = i;
        } else if (d < f2) {
          f2 = d;
        }
      }
      double border = recipe.cellCount > 1 ? 2.0 * f1 / (f1 + f2) : 0.0;  // 0 at the centre, 1 on the border
      double rim = recipe.cellCount > 1 ? std::max(0.0, 1.0 - (f2 - f1) / recipe.rimWidth) : 0.0;
      double b = recipe.base + recipe.cellGain * border + recipe.rimGain * rim;
      for (const WaveLayer& w : recipe.waves)
        b += w.amplitude * det_sin(kTwoPi * (w.kx * px + w.ky * py) / kPictureSize + w.phase);
      for (size_t i = 0; i < lattices.size(); ++i) b += recipe.noises[i].amplitude * lattices[i].at(px, py);
      double t = (b - recipe.low) / (recipe.high - recipe.low);
      t = std::min(1.0, std::max(0.0, t));
      int position = 1 + static_cast<int>(t * 62.0 + 0.5);
      picture.pixels[y * kPictureSize + x] = static_cast<uint8_t>((nearest % 4) * 64 + position);
    }
  }
  return true;
}
