// Painter's order for the sphere: depth keys per face and a quicksort by key, farthest first.
// Middle-index pivot; equal keys end in no fixed order, so faces of equal depth may swap.
#include "demo/sphere_mesh.h"
#include "demo/sphere_truncate.h"

namespace {

// Hoare partitioning; recursion goes into the smaller side so the depth stays logarithmic.
void quicksort(int* keys, int* order, int lo, int hi) {
  while (lo < hi) {
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
      quicksort(keys, order, lo, j);
      lo = i;
    } else {
      quicksort(keys, order, i, hi);
      hi = j;
    }
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
  quicksort(object.keys, object.order, 0, object.faceCount - 1);
}
