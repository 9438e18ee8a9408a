// The sphere rasteriser written plainly: every row from the top corner down, every
// pixel from the left end, one truncated 26.6 step at a time. Slow on far-off corners; the oracle.
#pragma once
#include <cstdint>
#include <utility>

#include "demo/sphere_mesh.h"
#include "demo/sphere_raster.h"
#include "demo/sphere_truncate.h"

namespace sphere_reference {

inline void span(const RasterTarget& t, int64_t y, RasterCorner l, RasterCorner r) {
  if (y < 0 || y > 199) return;
  if (l.x > r.x) std::swap(l, r);
  const int64_t w = r.x - l.x;
  const int64_t du = w ? (r.u - l.u) * 64 / w : 0;
  const int64_t dv = w ? (r.v - l.v) * 64 / w : 0;
  const int64_t dex = w ? (r.ex - l.ex) * 64 / w : 0;
  const int64_t dey = w ? (r.ey - l.ey) * 64 / w : 0;
  int64_t u = l.u * 64, v = l.v * 64, ex = l.ex * 64, ey = l.ey * 64;
  for (int64_t x = l.x; x <= r.x; ++x) {
    if (x >= 0 && x < 320) {
      const int texel = t.texture[((v >> 6) & 255) * 256 + ((u >> 6) & 255)];
      const int env = t.luma[((ey >> 6) & 255) * 256 + ((ex >> 6) & 255)];
      t.work[y * 320 + x] = t.lightShade[texel * 16 + env / 16];
    }
    u += du;
    v += dv;
    ex += dex;
    ey += dey;
  }
}

struct Walk {
  RasterCorner at;  // 26.6
  RasterCorner step;
  Walk(const RasterCorner& a, const RasterCorner& b) {
    const int64_t rows = b.y - a.y;
    at = {a.x * 64, a.y, a.u * 64, a.v * 64, a.ex * 64, a.ey * 64};
    auto s = [rows](int64_t from, int64_t to) { return rows ? (to - from) * 64 / rows : 0; };
    step = {s(a.x, b.x), 0, s(a.u, b.u), s(a.v, b.v), s(a.ex, b.ex), s(a.ey, b.ey)};
  }
  RasterCorner whole() const { return {at.x >> 6, 0, at.u >> 6, at.v >> 6, at.ex >> 6, at.ey >> 6}; }
  void advance() {
    at.x += step.x;
    at.u += step.u;
    at.v += step.v;
    at.ex += step.ex;
    at.ey += step.ey;
  }
};

inline void triangle(const RasterTarget& t, RasterCorner c0, RasterCorner c1, RasterCorner c2) {
  if (c0.y > c1.y) std::swap(c0, c1);
  if (c1.y > c2.y) std::swap(c1, c2);
  if (c0.y > c1.y) std::swap(c0, c1);
  Walk topMiddle(c0, c1), topBottom(c0, c2);
  for (int64_t y = c0.y; y < c1.y; ++y) {
    span(t, y, topMiddle.whole(), topBottom.whole());
    topMiddle.advance();
    topBottom.advance();
  }
  if (c2.y == c1.y) return;
  Walk middleBottom(c1, c2);
  for (int64_t y = c1.y; y <= c2.y; ++y) {
    span(t, y, middleBottom.whole(), topBottom.whole());
    middleBottom.advance();
    topBottom.advance();
  }
}

// The faces in order[], each corner projected on its own, culled and walked as above.
inline void draw(const SphereObject& object, const RasterTarget& t) {
  for (int i = 0; i < object.faceCount; ++i) {
    const SphereFace& face = object.faces[object.order[i]];
    const int light = sphere_trunc(face.nz * 127.0f + 128.0f, kSphereValueLimit);
    const int corners[3] = {face.a, face.b, face.c};
    const int us[3] = {face.ua, face.ub, face.uc};
    const int vs[3] = {face.va, face.vb, face.vc};
    RasterCorner k[3];
    bool inFront = false;
    int above = 0, below = 0, left = 0, right = 0;
    for (int j = 0; j < 3; ++j) {
      const SphereVertex& p = object.vertices[corners[j]];
      float z = p.rz + 550.0f;
      if (z == 0.0f) z = 0.0001f;
      inFront |= z > 0.0f;
      k[j].x = 160 + sphere_trunc(p.rx * 256.0f * (1.0f / z), kSphereScreenLimit);
      k[j].y = 100 + sphere_trunc(p.ry * 256.0f * (1.0f / z), kSphereScreenLimit);
      k[j].u = us[j];
      k[j].v = vs[j];
      k[j].ex = sphere_trunc(p.nx * 128.0f + 128.0f, kSphereValueLimit);
      k[j].ey = sphere_trunc(p.ny * 128.0f + 128.0f, kSphereValueLimit);
      above += k[j].y < 0;
      below += k[j].y >= 200;
      left += k[j].x < 0;
      right += k[j].x >= 320;
    }
    if (!inFront || above == 3 || below == 3 || left == 3 || right == 3 || light <= 100) continue;
    triangle(t, k[0], k[1], k[2]);
  }
}

}  // namespace sphere_reference
