// Builds the UV sphere once: vertices per longitude and latitude, two face families, adjacency.
// Only longitude 0's north-pole copy is used by faces; the other 31 are moved but never drawn.
#include "demo/sphere_mesh.h"

namespace {

constexpr float kBuildRadius = 200.0f;
constexpr int kTextureStepU = 32;  // texels per latitude
constexpr int kTextureStepV = 16;  // texels per longitude
constexpr int kAngleStep = 1024 / kSphereLongitudes;  // 32 table steps, both angles

// Vertex of longitude k (wrapping) and latitude m; latitude 16 is the south pole.
int vertex_index(int k, int m) {
  if (m == kSphereLatitudes) return kSphereSouthPole;
  return (k % kSphereLongitudes) * kSphereLatitudes + m;
}

void add_face(SphereObject& object, int a, int b, int c, int ua, int va, int ub, int vb, int uc, int vc) {
  if (object.faceCount >= kSphereMaxFaces) return;
  SphereFace& face = object.faces[object.faceCount++];
  face.a = a;
  face.b = b;
  face.c = c;
  face.ua = ua;
  face.va = va;
  face.ub = ub;
  face.vb = vb;
  face.uc = uc;
  face.vc = vc;
  face.nx = face.ny = face.nz = 0.0f;
}

void add_vertex(SphereObject& object, float x, float y, float z) {
  if (object.vertexCount >= kSphereMaxVertices) return;
  SphereVertex& vertex = object.vertices[object.vertexCount++];
  vertex.x = vertex.rx = x;
  vertex.y = vertex.ry = y;
  vertex.z = vertex.rz = z;
  vertex.nx = vertex.ny = vertex.nz = 0.0f;
  object.adjacency[object.vertexCount - 1].faceCount = 0;
}

void append_face(SphereAdjacency& list, int face) {
  if (list.faceCount < kSphereMaxVertexFaces) list.faces[list.faceCount++] = face;
}

}  // namespace

void sphere_build(SphereObject& object, const float* sine, const float* cosine) {
  object.vertexCount = 0;
  object.faceCount = 0;
  const float r = kBuildRadius;
  for (int k = 0; k < kSphereLongitudes; ++k) {
    const int p = kAngleStep * k;
    for (int m = 0; m < kSphereLatitudes; ++m) {
      const int q = kAngleStep * m;
      add_vertex(object, r * sine[q] * sine[p], r * cosine[q], r * sine[q] * cosine[p]);
    }
  }
  add_vertex(object, 0.0f, -r, 0.0f);

  const int su = kTextureStepU;
  const int sv = kTextureStepV;
  for (int m = 1; m < kSphereLatitudes; ++m) {
    for (int k = 0; k < kSphereLongitudes; ++k) {
      add_face(object, vertex_index(k + 1, m), vertex_index(k, m + 1), vertex_index(k, m),
               m * su, (k + 1) * sv, (m + 1) * su, k * sv, m * su, k * sv);
    }
  }
  for (int i = 0; i < kSphereLatitudes - 1; ++i) {
    for (int k = 0; k < kSphereLongitudes; ++k) {
      // The top ring's fan closes on the first north-pole copy rather than its own.
      const int b = i == 0 ? 0 : vertex_index(k + 1, i);
      add_face(object, vertex_index(k, i + 1), b, vertex_index(k + 1, i + 1),
               (i + 1) * su, k * sv, i * su, (k + 1) * sv, (i + 1) * su, (k + 1) * sv);
    }
  }

  for (int f = 0; f < object.faceCount; ++f) {
    const SphereFace& face = object.faces[f];
    append_face(object.adjacency[face.a], f);
    append_face(object.adjacency[face.b], f);
    append_face(object.adjacency[face.c], f);
  }
}
