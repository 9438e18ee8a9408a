// The deformed sphere's mesh: vertex and face records, the UV-sphere build and the per-frame stages.
// Capacities are exact: 32x16 vertices plus the south pole, 960 faces, 32 faces per vertex list.
#pragma once
#include <cstdint>

#include "demo/sphere_raster.h"

constexpr int kSphereLongitudes = 32;
constexpr int kSphereLatitudes = 16;
constexpr int kSphereMaxVertices = 513;
constexpr int kSphereMaxFaces = 960;
constexpr int kSphereMaxVertexFaces = 32;
constexpr int kSphereSouthPole = kSphereLongitudes * kSphereLatitudes;  // vertex 512

struct SphereVertex {
  float x, y, z;       // base position, rewritten by each deformation
  float rx, ry, rz;    // rotated position
  float nx, ny, nz;    // vertex normal of the rotated mesh (0, 0, 0) without faces
};

// The faces that hold a vertex. Kept apart from SphereVertex so that the per-frame stages, which
// stream through positions and normals, read 36 bytes a vertex rather than 168.
struct SphereAdjacency {
  int faces[kSphereMaxVertexFaces];
  int faceCount;
};

struct SphereFace {
  int a, b, c;                 // vertex indices
  int ua, ub, uc, va, vb, vc;  // texels; the texture repeats every 256
  float nx, ny, nz;            // unit face normal (zero when degenerate)
};

// A vertex as the camera sees it this frame; shared by every face that holds the vertex.
struct SphereScreen {
  int64_t x, y;     // pixels; saturated at +-2^40 for corners at or behind the camera
  int ex, ey;       // environment coordinates from the vertex normal (0..256)
  uint8_t outcode;  // SphereOutcode bits
};

// Where a projected corner lies: a face whose three corners share one of the first five bits is
// skipped (no corner in front of the camera, or all beyond one side of the frame), and one that
// has kOutcodeBeyondSse2 at no corner may take the SSE2 scan.
enum SphereOutcode : uint8_t {
  kOutcodeBehind = 1,       // depth <= 0
  kOutcodeLeft = 2,         // x < 0
  kOutcodeRight = 4,        // x >= 320
  kOutcodeAbove = 8,        // y < 0
  kOutcodeBelow = 16,       // y >= 200
  kOutcodeBeyondSse2 = 32,  // x, y, ex or ey beyond +-2^20
};

struct SphereObject {
  SphereVertex vertices[kSphereMaxVertices];
  SphereAdjacency adjacency[kSphereMaxVertices];  // of vertices[i]
  SphereScreen screen[kSphereMaxVertices];
  SphereFace faces[kSphereMaxFaces];
  int order[kSphereMaxFaces];  // face indices, farthest first after sorting
  int keys[kSphereMaxFaces];   // -trunc(z_a + z_c + z_b), sorted alongside order[]
  RasterCoverage coverage;     // pixels drawn so far by sphere_draw, which goes nearest first
  int vertexCount;
  int faceCount;
};

// sine and cosine below are the 1,024-entry turn tables (one turn, angle & 1023).

// Radius 200, texture steps 32 and 16; then the adjacency lists. Run once at start-up.
void sphere_build(SphereObject& object, const float* sine, const float* cosine);

// Deformations: both write the base positions of all 513 vertices.
void sphere_spike(SphereObject& object, int spacing, uint32_t timeMs, const float* sine, const float* cosine);
void sphere_blob(SphereObject& object, uint32_t timeMs, const float* sine, const float* cosine);

// Rotation by one table angle about all three axes, base -> rotated positions.
void sphere_rotate(SphereObject& object, int angle, const float* sine, const float* cosine);

// Face normals, then vertex normals, from the rotated positions.
void sphere_normals(SphereObject& object);

// Keys and order[] afresh, then quicksort by key ascending (farthest faces first).
void sphere_sort(SphereObject& object);
