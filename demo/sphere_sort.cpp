// Painter's order for the sphere: depth keys per face and a quicksort by key, farthest first.
// Middle-index pivot; equal keys end in no fixed order, so faces of equal depth may swap.
#include <cstddef>
#include <cstdint>

#include "demo/sphere_mesh.h"
#include "demo/sphere_truncate.h"

namespace {

// Hoare partitioning; recursion goes into the smaller side so the depth stays logarithmic.
// finish(keys, order, lo, n) may take over a part of n keys; it returns false to decline.
template <typename Finish>
constexpr void quicksort(int* keys, int* order, int lo, int hi, Finish finish) {
  while (lo < hi) {
    if (finish(keys, order, lo, hi - lo + 1)) return;
    const int pivot = keys[lo + (hi - lo) / 2];
    int i = lo;
    int j = hi;
    while (i <= j) {
      while (keys[i] < pivot) ++i;
      while (keys[j] > pivot) --j;
      if (i <= j) {
        const int key = keys[i];
        keys[i] = keys[j];
        keys[j] = key;
        const int face = order[i];
        order[i] = order[j];
        order[j] = face;
        ++i;
        --j;
      }
    }
    if (j - lo < hi - i) {
      quicksort(keys, order, lo, j, finish);
      lo = i;
    } else {
      quicksort(keys, order, i, hi, finish);
      hi = j;
    }
  }
}

struct NoShortcut {
  constexpr bool operator()(int*, int*, int, int) const { return false; }
};

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
    quicksort(keys, order, 0, N - 1, NoShortcut{});
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

struct TableShortcut {
  bool operator()(int* keys, int* order, int lo, int n) const {
    switch (n) {
      case 2: sort_small(keys, order, lo, kSort2); return true;
      case 3: sort_small(keys, order, lo, kSort3); return true;
      case 4: sort_small(keys, order, lo, kSort4); return true;
      default: return false;
    }
  }
};

}  // namespace

void sphere_sort(SphereObject& object) {
  for (int f = 0; f < object.faceCount; ++f) {
    const SphereFace& face = object.faces[f];
    // Summed a, c, b: the order of the float additions is part of the result.
    const float sum = object.vertices[face.a].rz + object.vertices[face.c].rz + object.vertices[face.b].rz;
    object.keys[f] = -sphere_trunc(sum);
    object.order[f] = f;
  }
  quicksort(object.keys, object.order, 0, object.faceCount - 1, TableShortcut{});
}
