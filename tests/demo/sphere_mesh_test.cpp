// The sphere mesh: topology of the build, radii of the deformations, rotation, normals, sorting.
// Built with the engine's turn tables; positions are checked through their radii.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "demo/sphere_mesh.h"
#include "shell/tables.h"

namespace {

struct Sphere {
  std::unique_ptr<SphereObject> object = std::make_unique<SphereObject>();
  Sphere() {
    fill_sine_tables();
    sphere_build(*object, SineTable, CosineTable);
  }
  SphereObject& operator*() { return *object; }
  SphereObject* operator->() { return object.get(); }
};

float radius(const SphereVertex& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
float rotated_radius(const SphereVertex& v) { return std::sqrt(v.rx * v.rx + v.ry * v.ry + v.rz * v.rz); }

int faces_holding(const SphereObject& o, int vertex) {
  int n = 0;
  for (int f = 0; f < o.faceCount; ++f) {
    const SphereFace& face = o.faces[f];
    n += (face.a == vertex) + (face.b == vertex) + (face.c == vertex);
  }
  return n;
}

// Corners a, b, c and texture coordinates (u, v) of a, b, c.
std::vector<int> face_record(const SphereFace& f) { return {f.a, f.b, f.c, f.ua, f.va, f.ub, f.vb, f.uc, f.vc}; }

}  // namespace

TEST(SphereMesh, BuildFillsTheCapacitiesAndListsPoleFacesOnlyOnTheUsedCopies) {
  Sphere s;
  EXPECT_EQ(s->vertexCount, 513);
  EXPECT_EQ(s->faceCount, 960);
  EXPECT_EQ(faces_holding(*s, 0), 32);
  EXPECT_EQ(s->adjacency[0].faceCount, 32);
  EXPECT_EQ(faces_holding(*s, 512), 32);
  EXPECT_EQ(s->adjacency[512].faceCount, 32);
  for (int k = 1; k < 32; ++k) {
    EXPECT_EQ(faces_holding(*s, k * 16), 0) << "north-pole copy of longitude " << k;
    EXPECT_EQ(s->adjacency[k * 16].faceCount, 0) << k;
  }
  // Every adjacency list holds exactly the faces that name the vertex, in face order.
  for (int i = 0; i < 513; ++i) {
    const SphereVertex& v = s->vertices[i];
    const SphereAdjacency& list = s->adjacency[i];
    ASSERT_EQ(list.faceCount, faces_holding(*s, i)) << i;
    for (int j = 0; j < list.faceCount; ++j) {
      const SphereFace& face = s->faces[list.faces[j]];
      EXPECT_TRUE(face.a == i || face.b == i || face.c == i) << i;
      if (j > 0) {
        EXPECT_LT(list.faces[j - 1], list.faces[j]) << i;
      }
    }
    EXPECT_NEAR(radius(v), 200.0f, 1e-3f) << i;
  }
  EXPECT_EQ(s->vertices[512].y, -200.0f);
}

TEST(SphereMesh, FaceFamiliesCarryTheirTextureCoordinates) {
  Sphere s;
  // First family: latitude 1, longitude 0; the last longitude wraps; the last latitude meets the pole.
  EXPECT_EQ(face_record(s->faces[0]), (std::vector<int>{17, 2, 1, 32, 16, 64, 0, 32, 0}));
  EXPECT_EQ(face_record(s->faces[31]), (std::vector<int>{1, 31 * 16 + 2, 31 * 16 + 1, 32, 512, 64, 496, 32, 496}));
  EXPECT_EQ(face_record(s->faces[14 * 32]), (std::vector<int>{31, 512, 15, 480, 16, 512, 0, 480, 0}));
  // Second family: ring 0 fans around the first north-pole copy; ring 3 has no pole.
  EXPECT_EQ(face_record(s->faces[480 + 5]), (std::vector<int>{81, 0, 97, 32, 80, 0, 96, 32, 96}));
  EXPECT_EQ(face_record(s->faces[480 + 3 * 32 + 7]), (std::vector<int>{116, 131, 132, 128, 112, 96, 128, 128, 128}));
}

TEST(SphereMesh, FaceNormalsAreUnitAndPointIntoTheSphereAndUnusedPolesStayZero) {
  Sphere s;
  sphere_spike(*s, 1, 0, SineTable, CosineTable);
  sphere_rotate(*s, 77, SineTable, CosineTable);
  sphere_normals(*s);
  for (int f = 0; f < 960; ++f) {
    const SphereFace& face = s->faces[f];
    const SphereVertex* c[3] = {&s->vertices[face.a], &s->vertices[face.b], &s->vertices[face.c]};
    float cx = 0, cy = 0, cz = 0;
    for (const SphereVertex* v : c) {
      cx += v->rx;
      cy += v->ry;
      cz += v->rz;
    }
    EXPECT_NEAR(face.nx * face.nx + face.ny * face.ny + face.nz * face.nz, 1.0f, 1e-5f) << f;
    EXPECT_LT(face.nx * cx + face.ny * cy + face.nz * cz, 0.0f) << f;
  }
  for (int k = 1; k < 32; ++k) {
    const SphereVertex& v = s->vertices[k * 16];
    EXPECT_EQ(v.nx, 0.0f);
    EXPECT_EQ(v.ny, 0.0f);
    EXPECT_EQ(v.nz, 0.0f);
  }
  // Vertex normals average their faces: on a round ball they point inward along the radius.
  for (int i : {0, 17, 200, 511, 512}) {
    const SphereVertex& v = s->vertices[i];
    const float along = (v.nx * v.rx + v.ny * v.ry + v.nz * v.rz) / rotated_radius(v);
    EXPECT_LT(along, -0.95f) << i;
  }
}

// The normals four faces at a time must be the scalar formula to the last bit, degenerate faces
// (all corners in one place: length 0, the cross product kept) included.
TEST(SphereMesh, FaceNormalsEqualTheScalarFormulaBitForBit) {
  Sphere s;
  for (uint32_t t : {0u, 4321u, 77777u}) {
    sphere_blob(*s, t, SineTable, CosineTable);
    sphere_rotate(*s, static_cast<int>(t % 1024), SineTable, CosineTable);
    for (int i = 0; i < 513; i += 37) s->vertices[i].rz += 1.0e-3f * static_cast<float>(i);  // uneven bits
    s->vertices[300].rx = s->vertices[300].ry = s->vertices[300].rz = 0.0f;
    sphere_normals(*s);
    for (int f = 0; f < 960; ++f) {
      const SphereFace& face = s->faces[f];
      const SphereVertex& a = s->vertices[face.a];
      const SphereVertex& b = s->vertices[face.b];
      const SphereVertex& c = s->vertices[face.c];
      const float e1x = b.rx - a.rx, e1y = b.ry - a.ry, e1z = b.rz - a.rz;
      const float e2x = c.rx - a.rx, e2y = c.ry - a.ry, e2z = c.rz - a.rz;
      float nx = e1y * e2z - e1z * e2y, ny = e1z * e2x - e1x * e2z, nz = e1x * e2y - e1y * e2x;
      const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
      if (length != 0.0f) {
        nx = nx / length;
        ny = ny / length;
        nz = nz / length;
      }
      ASSERT_EQ(std::memcmp(&face.nx, &nx, 4), 0) << t << " " << f;
      ASSERT_EQ(std::memcmp(&face.ny, &ny, 4), 0) << t << " " << f;
      ASSERT_EQ(std::memcmp(&face.nz, &nz, 4), 0) << t << " " << f;
    }
  }
  // A face whose corners coincide keeps its zero normal.
  for (int i = 0; i < 513; ++i) s->vertices[i].rx = s->vertices[i].ry = s->vertices[i].rz = 1.5f;
  sphere_normals(*s);
  for (int f = 0; f < 960; ++f) {
    ASSERT_EQ(s->faces[f].nx, 0.0f);
    ASSERT_EQ(s->faces[f].nz, 0.0f);
  }
}

TEST(SphereMesh, AtPhaseZeroTheSpikesVanish) {
  Sphere s;
  // Below 30 ms the spike phase is 0 (integer division) and both spike terms are 0.
  sphere_spike(*s, 1, 29, SineTable, CosineTable);
  for (int i = 0; i < 513; ++i) EXPECT_NEAR(radius(s->vertices[i]), 180.0f, 1e-3f) << i;
  for (int spacing : {2, 4}) {
    sphere_spike(*s, spacing, 0, SineTable, CosineTable);
    for (int k = 0; k < 32; ++k) {
      for (int m = 0; m < 16; ++m) {
        const bool onGrid = k % spacing == 0 && m % spacing == 0;
        EXPECT_NEAR(radius(s->vertices[k * 16 + m]), onGrid ? 180.0f : 80.0f, 1e-3f) << spacing << " " << k << " " << m;
      }
    }
    // The south pole takes the radius of longitude 31, latitude 15, which is off every grid.
    EXPECT_EQ(s->vertices[512].y, -80.0f);
  }
  // At 1920 ms the phase is 64: sin[12 x 64] = -1 and sin[17 x 64 & 1023] = sin[64] = 0.3826834.
  // Longitude 4 (sin[256] = 1) at latitude 0 (cos[0] = 1): r = -60 + 180 - 11.4805 = 108.5195.
  sphere_spike(*s, 1, 1920, SineTable, CosineTable);
  EXPECT_NEAR(s->vertices[4 * 16].y, 108.5195f, 1e-3f);
}

TEST(SphereMesh, BlobRadiiFollowTheFieldOfThreeSources) {
  Sphere s;
  // At time 0 the sources sit at (128, 192), (192, 128) and (192, 192).
  sphere_blob(*s, 0, SineTable, CosineTable);
  // Vertex (16, 8) samples (128, 128): 64 from the first two sources, out of reach of the third.
  const float fall = 1.0f - 4096.0f / 6400.0f;
  EXPECT_NEAR(radius(s->vertices[16 * 16 + 8]), (2 * fall * fall - 0.6f) * 40.0f + 150.0f, 1e-3f);
  // Vertex (24, 12) samples (192, 192): centre of the third source, 64 from the other two.
  EXPECT_NEAR(radius(s->vertices[24 * 16 + 12]), (1.0f + 2 * fall * fall - 0.6f) * 40.0f + 150.0f, 1e-3f);
  // Far from every source the field is -0.6.
  EXPECT_NEAR(radius(s->vertices[0 * 16 + 1]), 126.0f, 1e-3f);
  // The south pole takes the radius of (31, 15), which samples (248, 240): 56 and 48 from the third.
  const float edge = 1.0f - 5440.0f / 6400.0f;
  EXPECT_NEAR(s->vertices[512].y, -((edge * edge - 0.6f) * 40.0f + 150.0f), 1e-3f);
}

TEST(SphereMesh, RotationTurnsAllThreeAxesByTheTableAngle) {
  Sphere s;
  SphereVertex& v = s->vertices[3];
  v.x = 10.0f;
  v.y = 20.0f;
  v.z = 30.0f;
  sphere_rotate(*s, 0, SineTable, CosineTable);
  EXPECT_EQ(v.rx, 10.0f);
  EXPECT_EQ(v.ry, 20.0f);
  EXPECT_EQ(v.rz, 30.0f);
  // A quarter turn: X1 = -z, Z1 = x, Y2 = z, so (x, y, z) -> (y, x, -z).
  sphere_rotate(*s, 256 + 1024, SineTable, CosineTable);
  EXPECT_NEAR(v.rx, 20.0f, 1e-4f);
  EXPECT_NEAR(v.ry, 10.0f, 1e-4f);
  EXPECT_NEAR(v.rz, -30.0f, 1e-4f);
  sphere_rotate(*s, 123, SineTable, CosineTable);
  EXPECT_NEAR(rotated_radius(v), std::sqrt(1400.0f), 1e-3f);
}

TEST(SphereMesh, SortPutsTheFarthestFacesFirstForAnyKeyPattern) {
  Sphere s;
  // Depth patterns that trip up partition schemes: all equal, rising, falling, sawtooth, spiked.
  auto patterns = std::vector<float (*)(int)>{
      [](int) { return 5.0f; },
      [](int i) { return static_cast<float>(i); },
      [](int i) { return static_cast<float>(-i); },
      [](int i) { return static_cast<float>(i % 7) - 3.5f; },
      [](int i) { return i % 97 == 0 ? 1000.0f : 0.25f * static_cast<float>(i % 5); },
  };
  for (size_t p = 0; p < patterns.size(); ++p) {
    for (int i = 0; i < 513; ++i) s->vertices[i].rz = patterns[p](i);
    sphere_sort(*s);
    std::vector<int> seen(960, 0);
    for (int i = 0; i < 960; ++i) {
      const int f = s->order[i];
      ASSERT_GE(f, 0);
      ASSERT_LT(f, 960);
      ++seen[f];
      const SphereFace& face = s->faces[f];
      const float sum = s->vertices[face.a].rz + s->vertices[face.c].rz + s->vertices[face.b].rz;
      EXPECT_EQ(s->keys[i], -static_cast<int>(sum)) << p << " " << i;
      if (i > 0) {
        EXPECT_LE(s->keys[i - 1], s->keys[i]) << p << " " << i;
      }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 960) << p;
  }
}

namespace {
// The painter's quicksort written plainly (middle pivot, Hoare scans, smaller side first): where
// keys are equal, the show's pixels depend on exactly this order.
void plain_quicksort(int* keys, int* order, int lo, int hi) {
  while (lo < hi) {
    const int pivot = keys[lo + (hi - lo) / 2];
    int i = lo, j = hi;
    while (i <= j) {
      while (keys[i] < pivot) ++i;
      while (keys[j] > pivot) --j;
      if (i <= j) {
        std::swap(keys[i], keys[j]);
        std::swap(order[i], order[j]);
        ++i;
        --j;
      }
    }
    if (j - lo < hi - i) {
      plain_quicksort(keys, order, lo, j);
      lo = i;
    } else {
      plain_quicksort(keys, order, i, hi);
      hi = j;
    }
  }
}
}  // namespace

TEST(SphereMesh, SortLeavesEqualKeysInThePlainQuicksortsOrder) {
  Sphere s;
  std::mt19937 rng(960);
  for (int round = 0; round < 200; ++round) {
    // From all keys equal to all distinct, through many small groups of equal keys.
    const int spread = round < 10 ? 1 : round < 100 ? 2 + round % 40 : 3000;
    for (int i = 0; i < 513; ++i) {
      s->vertices[i].rz = static_cast<float>(std::uniform_int_distribution<int>(0, spread)(rng));
    }
    sphere_sort(*s);
    int keys[960], order[960];
    for (int f = 0; f < 960; ++f) {
      const SphereFace& face = s->faces[f];
      keys[f] = -static_cast<int>(s->vertices[face.a].rz + s->vertices[face.c].rz + s->vertices[face.b].rz);
      order[f] = f;
    }
    plain_quicksort(keys, order, 0, 959);
    for (int i = 0; i < 960; ++i) {
      ASSERT_EQ(s->order[i], order[i]) << round << " " << i;
      ASSERT_EQ(s->keys[i], keys[i]) << round << " " << i;
    }
  }
}

