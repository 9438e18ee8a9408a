// Exact fast nearest-colour search over a palette's HSV table, for the texture enlargement.
// It gives the very entry the plain linear scan gives (including its single-precision best and
// lowest-index ties) while computing distances only for entries close enough in value.
#pragma once
#include <cstdint>

#include "image/texture.h"

// The distance of the plain scan, with its exact rounding steps.
inline double hsv_distance(const HsvEntry& entry, double h, double s, double v);

class PaletteSearch {
 public:
  explicit PaletteSearch(const HsvEntry* table);

  uint8_t nearest(float r, float g, float b) const;

 private:
  HsvEntry table_[256];
  uint8_t byValue_[256];     // palette indices ordered by value (ties by index)
  double sortedValue_[256];  // their values
};

inline double hsv_distance(const HsvEntry& entry, double h, double s, double v) {
  auto magnitude = [](double x) { return x < 0 ? -x : x; };
  float hueTerm = static_cast<float>(magnitude(static_cast<double>(entry.hue) - h) * 1.5);
  float firstTwo = static_cast<float>(static_cast<double>(hueTerm) + magnitude(static_cast<double>(entry.saturation) - s) * 54.5);
  return static_cast<double>(firstTwo) + magnitude(static_cast<double>(entry.value) - v) * 30.0;
}
