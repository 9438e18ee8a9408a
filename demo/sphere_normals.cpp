// Face and vertex normals of the rotated sphere, in single precision.
// The mesh's winding makes face normals point inward; pole copies without faces get (0, 0, 0).
#include "demo/sphere_mesh.h"
#include "shell/det_math.h"

void sphere_normals(SphereObject& object) {
  for (int f = 0; f < object.faceCount; ++f) {
    SphereFace& face = object.faces[f];
    const SphereVertex& a = object.vertices[face.a];
    const SphereVertex& b = object.vertices[face.b];
    const SphereVertex& c = object.vertices[face.c];
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
  for (int i = 0; i < object.vertexCount; ++i) {
    SphereVertex& v = object.vertices[i];
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    for (int j = 0; j < v.faceCount; ++j) {
      const SphereFace& face = object.faces[v.faces[j]];
      sx += face.nx;
      sy += face.ny;
      sz += face.nz;
    }
    const float scale = v.faceCount > 0 ? 1.0f / static_cast<float>(v.faceCount) : 0.0f;
    v.nx = sx * scale;
    v.ny = sy * scale;
    v.nz = sz * scale;
  }
}
