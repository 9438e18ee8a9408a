// Nearest entry by the sum of four absolute differences, eight entries per step with SSE2.
// Each lane keeps its own smallest sum and the first index that reached it (strictly smaller
// replaces), so the final pick among lanes with the smallest sum, lowest index, is the plain scan's.
#include "demo/colour_tables_search.h"

#include <emmintrin.h>

uint8_t nearest_by_components(const PaletteComponents& palette, int16_t a, int16_t b, int16_t c, int16_t d) {
  const __m128i qa = _mm_set1_epi16(a), qb = _mm_set1_epi16(b), qc = _mm_set1_epi16(c), qd = _mm_set1_epi16(d);
  const __m128i eight = _mm_set1_epi16(8);
  __m128i index = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  __m128i best = _mm_set1_epi16(0x7FFF);
  __m128i bestIndex = _mm_setzero_si128();
  auto distance = [](__m128i x, __m128i q) { return _mm_max_epi16(_mm_sub_epi16(x, q), _mm_sub_epi16(q, x)); };
  for (int i = 0; i < 256; i += 8) {
    __m128i sum = distance(_mm_load_si128(reinterpret_cast<const __m128i*>(&palette.component[0][i])), qa);
    sum = _mm_add_epi16(sum, distance(_mm_load_si128(reinterpret_cast<const __m128i*>(&palette.component[1][i])), qb));
    sum = _mm_add_epi16(sum, distance(_mm_load_si128(reinterpret_cast<const __m128i*>(&palette.component[2][i])), qc));
    sum = _mm_add_epi16(sum, distance(_mm_load_si128(reinterpret_cast<const __m128i*>(&palette.component[3][i])), qd));
    __m128i smaller = _mm_cmplt_epi16(sum, best);
    best = _mm_min_epi16(sum, best);
    bestIndex = _mm_or_si128(_mm_and_si128(smaller, index), _mm_andnot_si128(smaller, bestIndex));
    index = _mm_add_epi16(index, eight);
  }
  alignas(16) int16_t lanes[8], lanesIndex[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), best);
  _mm_store_si128(reinterpret_cast<__m128i*>(lanesIndex), bestIndex);
  int pick = 0;
  for (int lane = 1; lane < 8; ++lane)
    if (lanes[lane] < lanes[pick] || (lanes[lane] == lanes[pick] && lanesIndex[lane] < lanesIndex[pick])) pick = lane;
  return static_cast<uint8_t>(lanesIndex[pick]);
}
