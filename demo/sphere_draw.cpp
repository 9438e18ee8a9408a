// Draws the sphere's faces, culled by light (> 100), by the camera and by the screen, in painter's order.
// Walked nearest first over a coverage map (the same pixels); corners behind the camera saturate.
#include "demo/sphere_draw.h"

#include <cstddef>
#include <cstring>

#include "demo/sphere_raster_sse2.h"
#include "demo/sphere_raster_shared.h"
#include "demo/sphere_truncate.h"

namespace {

constexpr float kCameraDistance = 550.0f;
constexpr float kFocalLength = 256.0f;
constexpr int kCentreX = 160;
constexpr int kCentreY = 100;
constexpr int kLightThreshold = 100;  // normal z >= -27/127: the far half goes, with a margin

using sphere_raster::within_sse2_limit;

// Each corner's projection depends on its vertex alone, so it is made once per vertex.
void project(SphereObject& object) {
  for (int i = 0; i < object.vertexCount; ++i) {
    const SphereVertex& vertex = object.vertices[i];
    SphereScreen& s = object.screen[i];
    float depth = vertex.rz + kCameraDistance;
    if (depth == 0.0f) depth = 0.0001f;
    const float inverse = 1.0f / depth;
    s.x = kCentreX + sphere_trunc(vertex.rx * kFocalLength * inverse, kSphereScreenLimit);
    s.y = kCentreY + sphere_trunc(vertex.ry * kFocalLength * inverse, kSphereScreenLimit);
    s.ex = sphere_trunc(vertex.nx * 128.0f + 128.0f, kSphereValueLimit);
    s.ey = sphere_trunc(vertex.ny * 128.0f + 128.0f, kSphereValueLimit);
    const bool small = within_sse2_limit(s.x) && within_sse2_limit(s.y) && within_sse2_limit(s.ex) && within_sse2_limit(s.ey);
    s.outcode = static_cast<uint8_t>((depth > 0.0f ? 0 : kOutcodeBehind) | (s.x < 0 ? kOutcodeLeft : 0) |
                                     (s.x >= kSphereFrameWidth ? kOutcodeRight : 0) | (s.y < 0 ? kOutcodeAbove : 0) |
                                     (s.y >= kSphereFrameHeight ? kOutcodeBelow : 0) | (small ? 0 : kOutcodeBeyondSse2));
  }
}

// The six texture coordinates of a face all within +-2^20 (the build gives 0..512; a face
// could hold others).
bool texels_within_sse2_limit(const SphereFace& face) {
  static_assert(offsetof(SphereFace, vc) == offsetof(SphereFace, ua) + 5 * sizeof(int), "ua..vc in a row");
  const int* t = &face.ua;
  bool within = true;
  for (int i = 0; i < 6; ++i) within &= within_sse2_limit(t[i]);
  return within;
}

Corner32 corner32(const SphereScreen& s, int u, int v) {
  return {static_cast<int32_t>(s.x), static_cast<int32_t>(s.y), u, v, s.ex, s.ey};
}

RasterCorner corner(const SphereScreen& s, int u, int v) { return {s.x, s.y, u, v, s.ex, s.ey}; }

// Faces beyond the SSE2 scan's limit (corners behind the camera, in practice): the plain scan,
// out of line so that the loop does not set up its corners for every face.
__attribute__((noinline)) void draw_plain(const RasterTarget& target, const SphereScreen& a, const SphereScreen& b,
                                          const SphereScreen& c, const SphereFace& face) {
  raster_triangle(target, corner(a, face.ua, face.va), corner(b, face.ub, face.vb), corner(c, face.uc, face.vc));
}

}  // namespace

void sphere_draw(SphereObject& object, const RasterTarget& frame) {
  project(object);
  std::memset(&object.coverage, 0, sizeof object.coverage);
  RasterTarget target = frame;
  target.coverage = &object.coverage;
  for (int i = object.faceCount - 1; i >= 0; --i) {
    const SphereFace& face = object.faces[object.order[i]];
    // Cheapest test first; the set of faces drawn does not depend on the order of the tests.
    // light = trunc(nz * 127 + 128) > 100 exactly when nz * 127 + 128 >= 101 (NaN fails both).
    if (!(face.nz * 127.0f + 128.0f >= static_cast<float>(kLightThreshold + 1))) continue;
    const SphereScreen& a = object.screen[face.a];
    const SphereScreen& b = object.screen[face.b];
    const SphereScreen& c = object.screen[face.c];
    if ((a.outcode & b.outcode & c.outcode & ~kOutcodeBeyondSse2) != 0) continue;
    if (((a.outcode | b.outcode | c.outcode) & kOutcodeBeyondSse2) == 0 && texels_within_sse2_limit(face)) {
      raster_triangle_sse2(target, corner32(a, face.ua, face.va), corner32(b, face.ub, face.vb),
                           corner32(c, face.uc, face.vc));
    } else {
      draw_plain(target, a, b, c, face);
    }
  }
}
