// Entry point of the sphere object: picks the deformation and its angles from the mode and time.
// Angles are table indices; the spike and rotation phases are integer divisions of the time.
#include "demo/object_effect.h"

#include "demo/sphere_draw.h"

void object_effect(SphereObject& object, int mode, uint32_t timeMs, uint8_t* work, const uint8_t* texture,
                   const uint8_t* luma, const uint8_t* lightShade, const float* sine, const float* cosine) {
  switch (mode) {
    case kSpikesEveryVertex:
    case kSpikesEverySecond:
    case kSpikesEveryFourth:
      sphere_spike(object, mode, timeMs, sine, cosine);  // the mode is the spacing
      sphere_rotate(object, static_cast<int>((timeMs >> 3) & 1023u), sine, cosine);
      break;
    case kBlobSphere:
      sphere_blob(object, timeMs, sine, cosine);
      sphere_rotate(object, static_cast<int>((timeMs / 7) & 1023u), sine, cosine);
      break;
    default:
      return;
  }
  sphere_normals(object);
  sphere_sort(object);
  sphere_draw(object, RasterTarget{work, texture, luma, lightShade});
}
