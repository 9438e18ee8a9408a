// Face and vertex normals of the rotated sphere, in single precision.
// The mesh's winding makes face normals point inward; pole copies without faces get (0, 0, 0).
#include "demo/sphere_mesh.h"
#include "shell/det_math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The unit normal of one face, as the scalar formula: (B - A) x (C - A) over its length.
void face_normal(SphereFace& face, const SphereVertex* vertices) {
  const SphereVertex& a = vertices[face.a];
  const SphereVertex& b = vertices[face.b];
  const SphereVertex& c = vertices[face.c];
  const float e1x = b.rx - a.rx, e1y = b.ry - a.ry, e1z = b.rz - a.rz;
  const float e2x = c.rx - a.rx, e2y = c.ry - a.ry, e2z = c.rz - a.rz;
  float nx = e1y * e2z - e1z * e2y;
  float ny = e1z * e2x - e1x * e2z;
  float nz = e1x * e2y - e1y * e2x;
  const float length = det_sqrtf(nx * nx + ny * ny + nz * nz);
  if (length != 0.0f) {
    nx = nx / length;
    ny = ny / length;
    nz = nz / length;
  }
  face.nx = nx;
  face.ny = ny;
  face.nz = nz;
}

#if defined(__SSE2__)
// Four faces at once: the same single-precision operations in the same order, one face per lane
// (sqrtps and divps round exactly like their scalar forms, and nothing is fused).
struct Corners {
  __m128 x, y, z;
};

Corners gather(const SphereVertex* vertices, int i0, int i1, int i2, int i3) {
  __m128 p0 = _mm_loadu_ps(&vertices[i0].rx);  // rx, ry, rz, nx
  __m128 p1 = _mm_loadu_ps(&vertices[i1].rx);
  __m128 p2 = _mm_loadu_ps(&vertices[i2].rx);
  __m128 p3 = _mm_loadu_ps(&vertices[i3].rx);
  _MM_TRANSPOSE4_PS(p0, p1, p2, p3);
  return {p0, p1, p2};
}

void four_face_normals(SphereFace* f, const SphereVertex* vertices) {
  const Corners a = gather(vertices, f[0].a, f[1].a, f[2].a, f[3].a);
  const Corners b = gather(vertices, f[0].b, f[1].b, f[2].b, f[3].b);
  const Corners c = gather(vertices, f[0].c, f[1].c, f[2].c, f[3].c);
  const __m128 e1x = _mm_sub_ps(b.x, a.x), e1y = _mm_sub_ps(b.y, a.y), e1z = _mm_sub_ps(b.z, a.z);
  const __m128 e2x = _mm_sub_ps(c.x, a.x), e2y = _mm_sub_ps(c.y, a.y), e2z = _mm_sub_ps(c.z, a.z);
  __m128 nx = _mm_sub_ps(_mm_mul_ps(e1y, e2z), _mm_mul_ps(e1z, e2y));
  __m128 ny = _mm_sub_ps(_mm_mul_ps(e1z, e2x), _mm_mul_ps(e1x, e2z));
  __m128 nz = _mm_sub_ps(_mm_mul_ps(e1x, e2y), _mm_mul_ps(e1y, e2x));
  const __m128 length =
      _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, nx), _mm_mul_ps(ny, ny)), _mm_mul_ps(nz, nz)));
  // A zero length leaves its lane as it is (the division would give NaN there).
  const __m128 nonzero = _mm_cmpneq_ps(length, _mm_setzero_ps());
  nx = _mm_or_ps(_mm_and_ps(nonzero, _mm_div_ps(nx, length)), _mm_andnot_ps(nonzero, nx));
  ny = _mm_or_ps(_mm_and_ps(nonzero, _mm_div_ps(ny, length)), _mm_andnot_ps(nonzero, ny));
  nz = _mm_or_ps(_mm_and_ps(nonzero, _mm_div_ps(nz, length)), _mm_andnot_ps(nonzero, nz));
  alignas(16) float x[4], y[4], z[4];
  _mm_store_ps(x, nx);
  _mm_store_ps(y, ny);
  _mm_store_ps(z, nz);
  for (int k = 0; k < 4; ++k) {
    f[k].nx = x[k];
    f[k].ny = y[k];
    f[k].nz = z[k];
  }
}
#endif

}  // namespace

void sphere_normals(SphereObject& object) {
  int f = 0;
#if defined(__SSE2__)
  for (; f + 4 <= object.faceCount; f += 4) four_face_normals(object.faces + f, object.vertices);
#endif
  for (; f < object.faceCount; ++f) face_normal(object.faces[f], object.vertices);
  for (int i = 0; i < object.vertexCount; ++i) {
    SphereVertex& v = object.vertices[i];
    const SphereAdjacency& list = object.adjacency[i];
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    for (int j = 0; j < list.faceCount; ++j) {
      const SphereFace& face = object.faces[list.faces[j]];
      sx += face.nx;
      sy += face.ny;
      sz += face.nz;
    }
    const float scale = list.faceCount > 0 ? 1.0f / static_cast<float>(list.faceCount) : 0.0f;
    v.nx = sx * scale;
    v.ny = sy * scale;
    v.nz = sz * scale;
  }
}
