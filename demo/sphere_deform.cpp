// Per-frame positions of the sphere: the spiked and blob deformations, then the rotation.
// Per-vertex angles are table indices (& 1023); floats are evaluated in the order written.
#include <cstdint>

#include "demo/sphere_mesh.h"
#include "shell/det_math.h"

namespace {

constexpr int kAngleStep = 1024 / kSphereLongitudes;  // 32 table steps per longitude or latitude

// One field source; the record keeps the blob field's shape (the spare float is never read).
struct BlobSource {
  float x, y, spare, radius, weight;
};

void place(SphereVertex& vertex, float r, int k, int m, const float* sine, const float* cosine) {
  const int p = kAngleStep * k;
  const int q = kAngleStep * m;
  vertex.x = r * sine[q] * sine[p];
  vertex.y = r * cosine[q];
  vertex.z = r * sine[q] * cosine[p];
}

void place_south_pole(SphereObject& object, float r) {
  SphereVertex& pole = object.vertices[kSphereSouthPole];
  pole.x = 0.0f;
  pole.y = -r;
  pole.z = 0.0f;
}

// Centre 128, amplitude 64, radius 80, weight +1 for all three sources.
void place_sources(BlobSource* sources, float phase) {
  auto wave = [](double s) { return static_cast<float>(128.0 + 64.0 * s); };
  sources[0].x = wave(det_sin(phase * 0.09090909f));
  sources[0].y = wave(det_cos(phase * 0.083333336f));
  sources[1].x = wave(det_cos(phase * 0.125f));
  sources[1].y = wave(det_sin(phase * 0.07692308f));
  sources[2].x = wave(det_cos(phase * 0.11111111f));
  sources[2].y = wave(det_cos(phase * 0.14285715f));
  for (int i = 0; i < 3; ++i) {
    sources[i].spare = 0.0f;
    sources[i].radius = 80.0f;
    sources[i].weight = 1.0f;
  }
}

// Sum of weight * (1 - d^2/r^2)^2 over the sources that reach (x, y), minus 0.6.
float field(const BlobSource* sources, float x, float y) {
  float sum = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const float dx = x - sources[i].x;
    const float dy = y - sources[i].y;
    const float d2 = dx * dx + dy * dy;
    const float r2 = sources[i].radius * sources[i].radius;
    if (d2 < r2) {
      const float fall = 1.0f - d2 / r2;
      sum += sources[i].weight * fall * fall;
    }
  }
  return sum - 0.6f;
}

}  // namespace

void sphere_spike(SphereObject& object, int spacing, uint32_t timeMs, const float* sine, const float* cosine) {
  if (spacing < 1) spacing = 1;
  // Unsigned wrap keeps the low ten bits exact, and only those address the table.
  const uint32_t phase = timeMs / 30;
  const float grow = sine[(12u * phase) & 1023u];
  const float swell = sine[(17u * phase) & 1023u];
  const float offset = 0.0f;
  float r = 80.0f;
  for (int k = 0; k < kSphereLongitudes; ++k) {
    for (int m = 0; m < kSphereLatitudes; ++m) {
      r = 80.0f;
      if (k % spacing == 0 && m % spacing == 0) {
        r = grow * sine[(64 * k) & 1023] * (offset + 60.0f) + 180.0f - swell * cosine[(64 * m) & 1023] * 30.0f;
      }
      place(object.vertices[k * kSphereLatitudes + m], r, k, m, sine, cosine);
    }
  }
  place_south_pole(object, r);  // quirk kept: the radius of the last vertex (k 31, m 15)
}

void sphere_blob(SphereObject& object, uint32_t timeMs, const float* sine, const float* cosine) {
  BlobSource sources[3];
  place_sources(sources, static_cast<float>(timeMs) * 0.016666668f);
  float r = 0.0f;
  for (int k = 0; k < kSphereLongitudes; ++k) {
    for (int m = 0; m < kSphereLatitudes; ++m) {
      r = field(sources, static_cast<float>(8 * k), static_cast<float>(16 * m)) * 40.0f + 150.0f;
      place(object.vertices[k * kSphereLatitudes + m], r, k, m, sine, cosine);
    }
  }
  place_south_pole(object, r);
}

void sphere_rotate(SphereObject& object, int angle, const float* sine, const float* cosine) {
  const float sg = sine[angle & 1023];
  const float cg = cosine[angle & 1023];
  for (int i = 0; i < object.vertexCount; ++i) {
    SphereVertex& v = object.vertices[i];
    const float x1 = v.x * cg - v.z * sg;
    const float z1 = v.z * cg + v.x * sg;
    const float y2 = v.y * cg - x1 * sg;
    v.rx = x1 * cg + v.y * sg;
    v.ry = y2 * cg + z1 * sg;
    v.rz = z1 * cg - y2 * sg;
  }
}
