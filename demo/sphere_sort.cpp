// Painter's order for the sphere: depth keys per face and a quicksort by key, farthest first.
// Middle-index pivot; equal keys end in no fixed order, so faces of equal depth may swap.
#include <cstddef>
#include <cstdint>
#include <emmintrin.h>

#include "demo/sphere_mesh.h"
#include "demo/sphere_truncate.h"

namespace {

constexpr void swap_faces(int* keys, int* order, std::ptrdiff_t i, std::ptrdiff_t j) {
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

// The stops of the two scans as bit masks, 64 keys to a word: bit p of atLeast when keys[p] is at
// or above the pivot (where a left scan stops), of atMost when at or below it (a right scan); bits
// from n on stay clear. n >= 4 (parts of 2..4 keys never get here).
// Four keys per comparison, movemask gathering their sign bits; a word's sixteen groups in a loop
// of fixed length wherever the word is whole. The last n % 4 keys are the top ones of the group of
// the last four keys, which overlaps the group before it: nothing past keys[n - 1] is read.
void find_stops(const int* keys, int n, int pivot, uint64_t* atLeast, uint64_t* atMost) {
  const __m128i p = _mm_set1_epi32(pivot);
  auto stops = [&p](const int* four, uint64_t& least, uint64_t& most) {
    const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(four));
    least = static_cast<uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(k, p))) ^ 15);
    most = static_cast<uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(k, p))) ^ 15);
  };
  const int groups = n / 4;
  const int words = (n + 63) / 64;
  for (int w = 0; w < words; ++w) {
    const int inWord = groups - 16 * w < 16 ? groups - 16 * w : 16;
    uint64_t least = 0, most = 0;
    for (int g = 0; g < inWord; ++g) {
      uint64_t l, m;
      stops(keys + 64 * w + 4 * g, l, m);
      least |= l << (4 * g);
      most |= m << (4 * g);
    }
    atLeast[w] = least;
    atMost[w] = most;
  }
  const int rest = n % 4;
  uint64_t l, m;
  stops(keys + n - 4, l, m);
  // Those keys share key n - 1's word (with n % 4 == 0 nothing is added to it).
  atLeast[(n - 1) / 64] |= (l >> (4 - rest)) << ((n - rest) % 64);
  atMost[(n - 1) / 64] |= (m >> (4 - rest)) << ((n - rest) % 64);
}

// Parts hold at most one key a face.
constexpr int kStopWords = (kSphereMaxFaces + 63) / 64;

struct Crossing {
  int i, j;  // where the scans end, relative to the part's first key
};

// Hoare's partitioning of n keys (5 <= n <= kSphereMaxFaces) around pivot, without a branch per
// key. Between the scans every key is still the original one, and what a scan meets beyond them a
// swap has put there, so the k-th left scan stops at the k-th original key >= pivot from the left
// (or at the last right stop, if that comes first) and the k-th right scan at the k-th original key
// <= pivot from the right (or at the last left stop). Both sets are bit masks made first; the pairs
// are then swapped until they cross, the left stops taken from the lowest word up and the right
// ones from the highest down, and i and j end where the scans would leave them. Out of line, and
// with pointer-sized positions, the loop keeps its values in registers.
__attribute__((noinline)) Crossing mask_partition(int* keys, int* order, int n, int pivot) {
  // A spare word above the left stops and one below the right ones each hold a stop beyond the
  // keys (at 64 x words >= n, and at -1), so neither scan runs out of stops: meeting one of these
  // ends the loop just as running out would, since i and j only count through min(i, lastJ) and
  // max(j, lastI).
  uint64_t atLeast[kStopWords + 1], rightWords[kStopWords + 1];
  uint64_t* const atMost = rightWords + 1;
  const int words = (n + 63) / 64;
  find_stops(keys, n, pivot, atLeast, atMost);
  atLeast[words] = 1;
  rightWords[0] = uint64_t{1} << 63;
  const uint64_t* leftWord = atLeast;
  const uint64_t* rightWord = atMost + words - 1;
  std::ptrdiff_t leftBase = 0, rightBase = 64 * (words - 1);
  uint64_t left = *leftWord, right = *rightWord;
  std::ptrdiff_t lastI = -1, lastJ = n;  // positions of the last swap
  while (lastJ - lastI >= 2) {  // else the loop ends before scanning again
    while (left == 0) {
      left = *++leftWord;
      leftBase += 64;
    }
    while (right == 0) {
      right = *--rightWord;
      rightBase -= 64;
    }
    const int rightBit = 63 - __builtin_clzll(right);
    const std::ptrdiff_t leftStop = leftBase + __builtin_ctzll(left);
    const std::ptrdiff_t rightStop = rightBase + rightBit;
    const std::ptrdiff_t i = leftStop < lastJ ? leftStop : lastJ;
    const std::ptrdiff_t j = rightStop > lastI ? rightStop : lastI;
    if (i > j) return {static_cast<int>(i), static_cast<int>(j)};
    // Here i and j are the two stops themselves: each is dropped once used.
    swap_faces(keys, order, i, j);
    lastI = i;
    lastJ = j;
    left &= left - 1;
    right ^= uint64_t{1} << rightBit;
  }
  return {static_cast<int>(lastI + 1), static_cast<int>(lastJ - 1)};
}

template <int N>
struct SmallSort;
template <int N>
void sort_small(int* keys, int* order, int lo, const SmallSort<N>& table);
bool sort_small_part(int* keys, int* order, int lo, int n);

// Recursion goes into the smaller side so the depth stays logarithmic. With Shortcuts, parts of
// 2..4 keys take their result from tables and larger ones partition by bit masks; both give
// exactly what the plain partitioning gives (the tables are made from it).
template <bool Shortcuts>
constexpr void quicksort(int* keys, int* order, int lo, int hi) {
  while (lo < hi) {
    const int n = hi - lo + 1;
    const int pivot = keys[lo + (hi - lo) / 2];
    int i = 0, j = 0;
    if constexpr (Shortcuts) {
      if (sort_small_part(keys, order, lo, n)) return;
      const Crossing crossing = mask_partition(keys + lo, order + lo, n, pivot);
      i = lo + crossing.i;
      j = lo + crossing.j;
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
    object.keys[f] = -sphere_trunc(sum, kSphereValueLimit);
    object.order[f] = f;
  }
  quicksort<true>(object.keys, object.order, 0, object.faceCount - 1);
}
