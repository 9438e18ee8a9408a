// Draws the sphere's faces, culled by light (> 100), by the camera and by the screen, in painter's order.
// Walked nearest first over a coverage map (the same pixels); corners behind the camera saturate.
#include "demo/sphere_draw.h"

#include <cstring>

#include "demo/sphere_raster_narrow.h"
#include "demo/sphere_raster_parts.h"
#include "demo/sphere_truncate.h"

namespace {

constexpr float kCameraDistance = 550.0f;
constexpr float kFocalLength = 256.0f;
constexpr int kCentreX = 160;
constexpr int kCentreY = 100;
constexpr int kLightThreshold = 100;  // normal z >= -27/127: the far half goes, with a margin

using sphere_raster::in_narrow_range;

// Each corner's projection depends on its vertex alone, so it is made once per vertex.
void project(SphereObject& object) {
  for (int i = 0; i < object.vertexCount; ++i) {
    const SphereVertex& vertex = object.vertices[i];
    SphereScreen& s = object.screen[i];
    float depth = vertex.rz + kCameraDistance;
    if (depth == 0.0f) depth = 0.0001f;
    const float inverse = 1.0f / depth;
    s.depth = depth;
    s.x = kCentreX + sphere_trunc_wide(vertex.rx * kFocalLength * inverse);
    s.y = kCentreY + sphere_trunc_wide(vertex.ry * kFocalLength * inverse);
    s.ex = sphere_trunc(vertex.nx * 128.0f + 128.0f);
    s.ey = sphere_trunc(vertex.ny * 128.0f + 128.0f);
    s.narrow = in_narrow_range(s.x) && in_narrow_range(s.y) && in_narrow_range(s.ex) && in_narrow_range(s.ey);
  }
}

RasterCorner corner(const SphereScreen& s, int u, int v) { return {s.x, s.y, u, v, s.ex, s.ey}; }
NarrowCorner narrow_corner(const SphereScreen& s, int u, int v) {
  return {static_cast<int32_t>(s.x), static_cast<int32_t>(s.y), u, v, s.ex, s.ey};
}

bool all_below(int64_t a, int64_t b, int64_t c, int64_t limit) { return a < limit && b < limit && c < limit; }
bool all_from(int64_t a, int64_t b, int64_t c, int64_t limit) { return a >= limit && b >= limit && c >= limit; }

}  // namespace

void sphere_draw(SphereObject& object, const RasterTarget& frame) {
  project(object);
  std::memset(&object.coverage, 0, sizeof object.coverage);
  RasterTarget target = frame;
  target.coverage = &object.coverage;
  for (int i = object.faceCount - 1; i >= 0; --i) {
    const SphereFace& face = object.faces[object.order[i]];
    // Cheapest test first; the set of faces drawn does not depend on the order of the tests.
    const int light = sphere_trunc(face.nz * 127.0f + 128.0f);
    if (light <= kLightThreshold) continue;
    const SphereScreen& a = object.screen[face.a];
    const SphereScreen& b = object.screen[face.b];
    const SphereScreen& c = object.screen[face.c];
    if (!(a.depth > 0.0f || b.depth > 0.0f || c.depth > 0.0f)) continue;
    if (all_below(a.y, b.y, c.y, 0) || all_from(a.y, b.y, c.y, kSphereFrameHeight)) continue;
    if (all_below(a.x, b.x, c.x, 0) || all_from(a.x, b.x, c.x, kSphereFrameWidth)) continue;
    // Texture coordinates come from the build (0..512); any face could hold others.
    const bool narrow = a.narrow && b.narrow && c.narrow && in_narrow_range(face.ua) && in_narrow_range(face.ub) &&
                        in_narrow_range(face.uc) && in_narrow_range(face.va) && in_narrow_range(face.vb) &&
                        in_narrow_range(face.vc);
    if (narrow && raster_triangle_narrow(target, narrow_corner(a, face.ua, face.va), narrow_corner(b, face.ub, face.vb),
                                         narrow_corner(c, face.uc, face.vc))) {
      continue;
    }
    raster_triangle(target, corner(a, face.ua, face.va), corner(b, face.ub, face.vb), corner(c, face.uc, face.vc));
  }
}
