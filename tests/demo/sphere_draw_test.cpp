// Drawing the sphere: culling by light and camera, corners at or behind the camera, whole frames.
// A guarded canvas catches any write outside the 320x200 frame.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "demo/object_effect.h"
#include "demo/sphere_draw.h"
#include "demo/sphere_raster_sse2.h"
#include "demo/sphere_mesh.h"
#include "shell/tables.h"
#include "sphere_canvas.h"
#include "sphere_reference.h"

namespace {

// A built sphere reduced to face 0, whose three corners the test places by hand.
struct OneFace {
  std::unique_ptr<SphereObject> object = std::make_unique<SphereObject>();
  OneFace() {
    fill_sine_tables();
    sphere_build(*object, SineTable, CosineTable);
    object->faceCount = 1;
    object->order[0] = 0;
    object->faces[0].nz = 1.0f;
    place(0, -40, -30, 0);
    place(1, 40, -30, 0);
    place(2, 0, 40, 0);
  }
  SphereVertex& corner(int i) {
    const SphereFace& f = object->faces[0];
    return object->vertices[i == 0 ? f.a : i == 1 ? f.b : f.c];
  }
  void place(int i, float x, float y, float z) {
    SphereVertex& v = corner(i);
    v.rx = x;
    v.ry = y;
    v.rz = z;
    v.nx = v.ny = 0.25f;
  }
  int draw(SphereCanvas& canvas) {
    canvas.clear();
    sphere_draw(*object, canvas.target());
    EXPECT_TRUE(canvas.guards_intact());
    return canvas.written();
  }
};

}  // namespace

TEST(SphereDraw, FacesTurnedAwayBeyondTheLightThresholdAreCulled) {
  SphereCanvas c;
  OneFace face;
  const int full = face.draw(c);
  EXPECT_GT(full, 500);  // 36 x 31 pixels, half of it
  // light = trunc(nz * 127 + 128) must exceed 100.
  face.object->faces[0].nz = -0.21f;  // 101.33 -> 101: drawn
  EXPECT_EQ(face.draw(c), full);
  face.object->faces[0].nz = -0.22f;  // 100.06 -> 100: culled
  EXPECT_EQ(face.draw(c), 0);
  face.object->faces[0].nz = -1.0f;
  EXPECT_EQ(face.draw(c), 0);
  face.object->faces[0].nz = 0.0f;  // a degenerate face has a zero normal and is drawn
  EXPECT_EQ(face.draw(c), full);

  // Every float normal around the threshold, where nz * 127 + 128 crosses 101, decides as the
  // truncated light does; so do the values no real normal takes.
  int drawn = 0, culled = 0;
  for (float nz = -0.21262f; nz < -0.21258f; nz = std::nextafter(nz, 0.0f)) {
    face.object->faces[0].nz = nz;
    const bool lit = static_cast<int>(nz * 127.0f + 128.0f) > 100;
    ASSERT_EQ(face.draw(c), lit ? full : 0) << nz;
    (lit ? drawn : culled) += 1;
  }
  EXPECT_GT(drawn, 1000);
  EXPECT_GT(culled, 1000);
  face.object->faces[0].nz = std::nanf("");
  EXPECT_EQ(face.draw(c), 0);
  face.object->faces[0].nz = INFINITY;
  EXPECT_EQ(face.draw(c), full);
  face.object->faces[0].nz = -INFINITY;
  EXPECT_EQ(face.draw(c), 0);
}

TEST(SphereDraw, ProjectionCentresTheObjectWithFocalLength256AtDistance550) {
  SphereCanvas c;
  OneFace face;
  // A square of half-width 55 at z = 0 spans 256 x 55 / 550 = 25.6 pixels each side of the centre.
  face.place(0, -55, -55, 0);
  face.place(1, 55, -55, 0);
  face.place(2, 55, 55, 0);
  face.draw(c);
  EXPECT_NE(c.at(160 + 24, 100 - 25), SphereCanvas::kBackground);
  EXPECT_EQ(c.at(160 + 26, 100 - 25), SphereCanvas::kBackground);
  EXPECT_EQ(c.at(160 + 24, 100 - 26), SphereCanvas::kBackground);
  EXPECT_NE(c.at(160 - 25, 100 - 25), SphereCanvas::kBackground);
  EXPECT_EQ(c.at(160 - 26, 100 - 25), SphereCanvas::kBackground);
  // Twice as far from the camera (z' = 1100) it halves.
  for (int i = 0; i < 3; ++i) face.corner(i).rz = 550.0f;
  face.draw(c);
  EXPECT_NE(c.at(160 + 12, 100 - 12), SphereCanvas::kBackground);
  EXPECT_EQ(c.at(160 + 14, 100 - 12), SphereCanvas::kBackground);
}

TEST(SphereDraw, CornersAtOrBehindTheCameraWriteOnlyInsideTheFrame) {
  SphereCanvas c;
  OneFace face;
  // One corner 50 units behind the camera: it projects mirrored, far off to the left.
  face.place(0, 100, 0, -600);
  EXPECT_GT(face.draw(c), 0);
  // Exactly at the camera (z' = 0 becomes 0.0001): hundreds of millions of pixels out.
  face.place(0, 100, -20, -550);
  EXPECT_GT(face.draw(c), 0);
  // A sliver from the screen to a corner just off the camera plane, beyond any 32-bit range.
  face.place(0, 3e6f, 2e6f, -549.99997f);
  EXPECT_GT(face.draw(c), 0);
  face.place(0, -1e30f, 1e30f, -500);
  EXPECT_GT(face.draw(c), 0);
  face.place(0, 1e30f, 1e30f, -549.99997f);
  face.place(1, -1e30f, 3e29f, -551);
  EXPECT_GT(face.draw(c), 0);
  // All three corners behind the camera: nothing, even though they project onto the screen.
  face.place(0, 40, 30, -600);
  face.place(1, -40, 30, -600);
  face.place(2, 0, -40, -600);
  EXPECT_EQ(face.draw(c), 0);
  // Wholly above or to the right of the screen: nothing.
  face.place(0, 0, -400, 0);
  face.place(1, 50, -500, 0);
  face.place(2, -50, -500, 0);
  EXPECT_EQ(face.draw(c), 0);
  face.place(0, 400, 0, 0);
  face.place(1, 500, 50, 0);
  face.place(2, 500, -50, 0);
  EXPECT_EQ(face.draw(c), 0);
}

TEST(SphereDraw, ObjectEffectDrawsACentredBallOnlyForItsModes) {
  fill_sine_tables();
  auto object = std::make_unique<SphereObject>();
  sphere_build(*object, SineTable, CosineTable);
  SphereCanvas c;
  auto run = [&](int mode, uint32_t t) {
    c.clear();
    object_effect(*object, mode, t, c.frame(), c.texture.data(), c.luma.data(), c.shade.data(), SineTable, CosineTable);
    EXPECT_TRUE(c.guards_intact()) << mode << " " << t;
  };
  // Mode 1 at time 0: radius 180 seen from 550 has a silhouette of 256 x 180 / sqrt(550^2 - 180^2) = 88.7.
  run(1, 0);
  for (int d : {-85, 0, 85}) {
    EXPECT_NE(c.at(160 + d, 100), SphereCanvas::kBackground) << d;
    EXPECT_NE(c.at(160, 100 + d), SphereCanvas::kBackground) << d;
  }
  for (int d : {-91, 91}) {
    EXPECT_EQ(c.at(160 + d, 100), SphereCanvas::kBackground) << d;
    EXPECT_EQ(c.at(160, 100 + d), SphereCanvas::kBackground) << d;
  }
  for (int mode : {2, 3, 4}) {
    run(mode, 4000000000u);  // times beyond 2^31 stay unsigned
    EXPECT_NE(c.at(160, 100), SphereCanvas::kBackground) << mode;
  }
  for (int mode : {0, 5, -1}) {
    run(mode, 1000);
    EXPECT_EQ(c.written(), 0) << mode;
  }
}

TEST(SphereDraw, ObjectFramesMatchThePlainProjectionAndScan) {
  fill_sine_tables();
  auto object = std::make_unique<SphereObject>();
  sphere_build(*object, SineTable, CosineTable);
  SphereCanvas fast, plain;
  for (int mode : {1, 2, 3, 4}) {
    for (uint32_t t = 0; t < 60000; t += 2997) {
      fast.clear();
      plain.clear();
      object_effect(*object, mode, t, fast.frame(), fast.texture.data(), fast.luma.data(), fast.shade.data(), SineTable,
                    CosineTable);
      sphere_reference::draw(*object, plain.target());
      ASSERT_EQ(fast.memory, plain.memory) << mode << " " << t;
    }
  }
}
