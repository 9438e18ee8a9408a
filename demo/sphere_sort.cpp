// Painter's order for the sphere: depth keys per face and a quicksort by key, farthest first.
// Middle-index pivot; equal keys end in no fixed order, so faces of equal depth may swap.
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/sphere_mesh.h"
#include "demo/sphere_truncate.h"

namespace {

constexpr void swap_faces(int* keys, int* order, int i, int j) {
  const int key = keys[i];
  keys[i] = keys[j];
  keys[j] = key;
  const int face = order[i];
  order[i] = order[j];
  order[j] = face;
}

// Hoare partitioning of keys[lo..hi] around pivot: i and j end where the scans cross.
constexpr void hoare_partition(int* keys, int* order, int lo, int hi, int pivot, int& i, int& j) {
  i = lo;
  j = hi;
  while (i <= j) {
    while (keys[i] < pivot) ++i;
    while (keys[j] > pivot) --j;
    if (i <= j) {
      swap_faces(keys, order, i, j);
      ++i;
      --j;
    }
  }
}

// The stops of the two scans over n <= 64 keys as bit masks: bit p of atLeast when keys[p] is at or
// above the pivot (where a left scan stops), of atMost when at or below it (a right scan); bits
// from n on stay clear. The swap loop takes the lowest left stop and the highest right stop and
// drops each once used.
struct Stops {
  uint64_t atLeast = 0, atMost = 0;
  int n = 0;
  int lowest() const { return atLeast ? __builtin_ctzll(atLeast) : n; }
  int highest() const { return atMost ? 63 - __builtin_clzll(atMost) : -1; }
  void drop_lowest() { atLeast &= atLeast - 1; }
  void drop(int j) { atMost &= ~(uint64_t{1} << j); }
};

#if defined(__SSE2__)
// Four keys per comparison, movemask gathering their sign bits. Whole groups of four only, so
// nothing past keys[n - 1] is read; the last few keys take the scalar loop.
Stops find_stops(const int* keys, int n, int pivot) {
  const __m128i p = _mm_set1_epi32(pivot);
  uint64_t below = 0, above = 0;
  int g = 0;
  for (; g + 4 <= n; g += 4) {
    const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + g));
    below |= static_cast<uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(k, p)))) << g;
    above |= static_cast<uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(k, p)))) << g;
  }
  for (; g < n; ++g) {
    below |= static_cast<uint64_t>(keys[g] < pivot) << g;
    above |= static_cast<uint64_t>(keys[g] > pivot) << g;
  }
  const uint64_t used = ~uint64_t{0} >> (64 - n);
  return {~below & used, ~above & used, n};
}
#else
Stops find_stops(const int* keys, int n, int pivot) {
  Stops stops;
  stops.n = n;
  for (int g = 0; g < n; ++g) {
    stops.atLeast |= static_cast<uint64_t>(keys[g] >= pivot) << g;
    stops.atMost |= static_cast<uint64_t>(keys[g] <= pivot) << g;
  }
  return stops;
}
#endif

// The same partitioning of n keys from lo on, without a branch per key. Between the scans every
// key is still the original one, and what a scan meets beyond them a swap has put there, so the
// k-th left scan stops at the k-th original key >= pivot from the left (or at the last right stop,
// if that comes first) and the k-th right scan at the k-th original key <= pivot from the right
// (or the last left stop). Both sets are bit masks made first; the pairs are then swapped until
// they cross, and i and j end where the scans would leave them. Parts of up to 64 keys only: larger
// ones keep the plain scans, as their masks would not fit a register and the loop over words costs
// more than the scans' mispredictions save.
void mask_partition(int* keys, int* order, int lo, int n, int pivot, int& iOut, int& jOut) {
  Stops stops = find_stops(keys + lo, n, pivot);
  int lastI = -1, lastJ = n;  // positions of the last swap, relative to lo
  for (;;) {
    if (lastI + 1 > lastJ - 1) {  // the loop ends before scanning again
      iOut = lo + lastI + 1;
      jOut = lo + lastJ - 1;
      return;
    }
    const int left = stops.lowest();
    const int right = stops.highest();
    const int i = left < lastJ ? left : lastJ;
    const int j = right > lastI ? right : lastI;
    if (i > j) {
      iOut = lo + i;
      jOut = lo + j;
      return;
    }
    swap_faces(keys, order, lo + i, lo + j);
    lastI = i;
    lastJ = j;
    stops.drop_lowest();
    stops.drop(j);
  }
}

constexpr int kMaskKeys = 64;

template <int N>
struct SmallSort;
template <int N>
void sort_small(int* keys, int* order, int lo, const SmallSort<N>& table);
bool sort_small_part(int* keys, int* order, int lo, int n);

// Recursion goes into the smaller side so the depth stays logarithmic. With Shortcuts, parts of
// 2..4 keys take their result from tables and parts up to 64 keys partition by bit masks; both give
// exactly what the plain partitioning gives (the tables are made from it).
template <bool Shortcuts>
constexpr void quicksort(int* keys, int* order, int lo, int hi) {
  while (lo < hi) {
    const int n = hi - lo + 1;
    const int pivot = keys[lo + (hi - lo) / 2];
    int i = 0, j = 0;
    if constexpr (Shortcuts) {
      if (sort_small_part(keys, order, lo, n)) return;
      if (n <= kMaskKeys) {
        mask_partition(keys, order, lo, n, pivot, i, j);
      } else {
        hoare_partition(keys, order, lo, hi, pivot, i, j);
      }
    } else {
      hoare_partition(keys, order, lo, hi, pivot, i, j);
    }
    if (j - lo < hi - i) {
      quicksort<Shortcuts>(keys, order, lo, j);
      lo = i;
    } else {
      quicksort<Shortcuts>(keys, order, i, hi);
      hi = j;
    }
  }
}

// The sort only compares keys, so what it does to n keys depends on nothing but how they
// compare: on the rank of each (how many keys are smaller), which a table can follow instead of
// the partitioning's hard-to-predict branches. For 2..4 keys the tables hold the plain sort's own
// result for every pattern of ranks, worked out at compile time.
template <int N>
constexpr int rank_code(const int* keys) {
  int code = 0;
  for (int a = 0; a < N; ++a) {
    int rank = 0;
    for (int b = 0; b < N; ++b) rank += keys[b] < keys[a];
    code = code * N + rank;
  }
  return code;
}

constexpr int power(int base, int exponent) { return exponent == 0 ? 1 : base * power(base, exponent - 1); }

template <int N>
struct SmallSort {
  uint8_t from[power(N, N)][N];  // position each place takes its key from, by rank code
};

template <int N>
constexpr SmallSort<N> make_small_sort() {
  SmallSort<N> table{};
  for (int pattern = 0; pattern < power(N, N); ++pattern) {
    int keys[N] = {}, order[N] = {};
    for (int a = 0, rest = pattern; a < N; ++a, rest /= N) {
      keys[a] = rest % N;  // every way n keys can compare shows up among the keys 0..n-1
      order[a] = a;
    }
    const int code = rank_code<N>(keys);
    quicksort<false>(keys, order, 0, N - 1);
    for (int a = 0; a < N; ++a) table.from[code][a] = static_cast<uint8_t>(order[a]);
  }
  return table;
}

constexpr SmallSort<2> kSort2 = make_small_sort<2>();
constexpr SmallSort<3> kSort3 = make_small_sort<3>();
constexpr SmallSort<4> kSort4 = make_small_sort<4>();

template <int N>
void sort_small(int* keys, int* order, int lo, const SmallSort<N>& table) {
  int k[N], o[N];
  for (int a = 0; a < N; ++a) {
    k[a] = keys[lo + a];
    o[a] = order[lo + a];
  }
  const uint8_t* from = table.from[rank_code<N>(k)];
  for (int a = 0; a < N; ++a) {
    keys[lo + a] = k[from[a]];
    order[lo + a] = o[from[a]];
  }
}

bool sort_small_part(int* keys, int* order, int lo, int n) {
  switch (n) {
    case 2: sort_small(keys, order, lo, kSort2); return true;
    case 3: sort_small(keys, order, lo, kSort3); return true;
    case 4: sort_small(keys, order, lo, kSort4); return true;
    default: return false;
  }
}

}  // namespace

void sphere_sort(SphereObject& object) {
  for (int f = 0; f < object.faceCount; ++f) {
    const SphereFace& face = object.faces[f];
    // Summed a, c, b: the order of the float additions is part of the result.
    const float sum = object.vertices[face.a].rz + object.vertices[face.c].rz + object.vertices[face.b].rz;
    object.keys[f] = -sphere_trunc(sum);
    object.order[f] = f;
  }
  quicksort<true>(object.keys, object.order, 0, object.faceCount - 1);
}
