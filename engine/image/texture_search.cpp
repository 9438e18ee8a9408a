// The exact fast search. Why it matches the linear scan: let m be the smallest distance and F the
// smallest float above m. Any entry at F or more never replaces a best that came from an entry
// below F (that best, rounded, is at most F), and every entry below F replaces a best that came
// from one at F or more (rounded, at least F). So scanning only the entries below F, in index
// order, ends on the same entry. An entry's distance is at least its exact value term |dv| * 30,
// so a walk outward from the colour's value, nearest values first, can stop on each side as soon
// as that term reaches the float above the smallest distance found so far.
#include "image/texture_search.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {
// The smallest float strictly above x (finite, not negative), as a double.
double float_above(double x) {
  float f = static_cast<float>(x);
  if (static_cast<double>(f) <= x) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    ++bits;  // the next float up; infinity stays out of reach of every distance
    std::memcpy(&f, &bits, sizeof f);
  }
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

uint8_t PaletteSearch::nearest(float r, float g, float b) const {
  HsvEntry colour = rgb_to_hsv(r, g, b);
  const double h = colour.hue, s = colour.saturation, v = colour.value;

  // Every entry that can matter has its value term below the float above the smallest distance
  // found so far, which only shrinks as the walk goes on.
  double smallest = DBL_MAX;
  double reach = HUGE_VAL;

  // Walk out from v through the value order, nearer value term first, until both sides reach.
  int right = 0, top = 256;
  while (right < top) {
    int mid = (right + top) / 2;
    if (sortedValue_[mid] < v) right = mid + 1; else top = mid;
  }
  int left = right - 1;
  uint8_t seen[256];
  double distance[256];
  int count = 0;
  for (;;) {
    const double rightTerm = right < 256 ? (sortedValue_[right] - v) * 30.0 : HUGE_VAL;
    const double leftTerm = left >= 0 ? (v - sortedValue_[left]) * 30.0 : HUGE_VAL;
    int k;
    if (rightTerm <= leftTerm) {
      if (!(rightTerm < reach)) break;
      k = right++;
    } else {
      if (!(leftTerm < reach)) break;
      k = left--;
    }
    const double d = hsv_distance(table_[byValue_[k]], h, s, v);
    seen[count] = byValue_[k];
    distance[count++] = d;
    if (d < smallest) {
      smallest = d;
      reach = float_above(smallest);
    }
  }
  const double cut = reach;

  // The contenders below cut, in index order (usually one or two), scanned as the plain scan would.
  uint8_t contender[256];
  double contenderDistance[256];
  int contenders = 0;
  for (int n = 0; n < count; ++n) {
    if (!(distance[n] < cut)) continue;
    int j = contenders++;
    for (; j > 0 && contender[j - 1] > seen[n]; --j) {
      contender[j] = contender[j - 1];
      contenderDistance[j] = contenderDistance[j - 1];
    }
    contender[j] = seen[n];
    contenderDistance[j] = distance[n];
  }

  float best = FLT_MAX;
  uint8_t result = 0;
  for (int j = 0; j < contenders; ++j) {
    if (contenderDistance[j] < best) {
      best = static_cast<float>(contenderDistance[j]);
      result = contender[j];
    }
  }
  return result;
}
