// The exact fast search. Why it matches the linear scan: let m be the smallest distance and F the
// smallest float above m. Any entry at F or more never replaces a best that came from an entry
// below F (that best, rounded, is at most F), and every entry below F replaces a best that came
// from one at F or more (rounded, at least F). So scanning only the entries below F, in index
// order, ends on the same entry. An entry's distance is at least its exact value term
// |dv| * 30, so entries whose value term reaches the float above a known distance are skipped.
#include "image/texture_search.h"

#include <cfloat>
#include <cmath>

namespace {
// The smallest float strictly above x, as a double.
double float_above(double x) {
  float f = static_cast<float>(x);
  if (static_cast<double>(f) <= x) f = std::nextafter(f, HUGE_VALF);
  return f;
}
}  // namespace

PaletteSearch::PaletteSearch(const HsvEntry* table) {
  for (int i = 0; i < 256; ++i) {
    table_[i] = table[i];
    byValue_[i] = static_cast<uint8_t>(i);
  }
  // Insertion sort by value, stable so equal values stay in index order.
  for (int i = 1; i < 256; ++i) {
    uint8_t index = byValue_[i];
    int j = i;
    for (; j > 0 && table_[byValue_[j - 1]].value > table_[index].value; --j) byValue_[j] = byValue_[j - 1];
    byValue_[j] = index;
  }
  for (int i = 0; i < 256; ++i) sortedValue_[i] = table_[byValue_[i]].value;
}

uint8_t PaletteSearch::nearest(float r, float g, float b, const uint8_t* hints, int hintCount) const {
  HsvEntry colour = rgb_to_hsv(r, g, b);
  const double h = colour.hue, s = colour.saturation, v = colour.value;

  double known = DBL_MAX;
  for (int i = 0; i < hintCount; ++i) {
    double d = hsv_distance(table_[hints[i]], h, s, v);
    if (d < known) known = d;
  }
  const double reach = float_above(known);

  // The entries whose value term stays below reach form one run of the value order around v.
  int first = 0, last = 256;
  {
    int lo = 0, hi = 256;
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (sortedValue_[mid] < v) lo = mid + 1; else hi = mid;
    }
    first = lo;
    while (first > 0 && (v - sortedValue_[first - 1]) * 30.0 < reach) --first;
    last = lo;
    while (last < 256 && (sortedValue_[last] - v) * 30.0 < reach) ++last;
  }

  double distance[256];
  double smallest = DBL_MAX;
  for (int k = first; k < last; ++k) {
    distance[k] = hsv_distance(table_[byValue_[k]], h, s, v);
    if (distance[k] < smallest) smallest = distance[k];
  }
  const double cut = float_above(smallest);

  // The contenders below cut, in index order (usually one or two).
  uint8_t contender[256];
  double contenderDistance[256];
  int count = 0;
  for (int k = first; k < last; ++k) {
    if (!(distance[k] < cut)) continue;
    int j = count++;
    for (; j > 0 && contender[j - 1] > byValue_[k]; --j) {
      contender[j] = contender[j - 1];
      contenderDistance[j] = contenderDistance[j - 1];
    }
    contender[j] = byValue_[k];
    contenderDistance[j] = distance[k];
  }

  float best = FLT_MAX;
  uint8_t result = 0;
  for (int j = 0; j < count; ++j) {
    if (contenderDistance[j] < best) {
      best = static_cast<float>(contenderDistance[j]);
      result = contender[j];
    }
  }
  return result;
}
