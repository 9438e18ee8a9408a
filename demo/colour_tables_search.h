// The nearest-entry search shared by the colour cube and the shade tables: the smallest sum of
// four absolute differences over the 256 entries, lowest index on equal sums.
// Sums fit in 16 bits (the largest is 765), so eight entries are compared at once with SSE2.
#pragma once
#include <cstdint>

struct PaletteComponents {
  alignas(16) int16_t component[4][256];  // per entry; unused components are 0
};

uint8_t nearest_by_components(const PaletteComponents& palette, int16_t a, int16_t b, int16_t c, int16_t d);
