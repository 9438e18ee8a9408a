// The foreground sphere object of the show: deform, rotate, light, sort and draw in one call.
// Modes 1, 2 and 4 spike the sphere with that spacing, mode 3 is the blob sphere; others draw nothing.
#pragma once
#include <cstdint>

#include "demo/sphere_mesh.h"

// The modes by the numbers the scene table uses; a spiked sphere's number is its spike spacing.
enum SphereMode : int {
  kSpikesEveryVertex = 1,
  kSpikesEverySecond = 2,
  kBlobSphere = 3,
  kSpikesEveryFourth = 4,
};

// work: 320x200 palette indices (rows of 320); texture and luma: 256x256; lightShade: 4,096
// entries (texel * 16 + step); sine and cosine: the 1,024-entry turn tables. Allocates nothing.
void object_effect(SphereObject& object, int mode, uint32_t timeMs, uint8_t* work, const uint8_t* texture,
                   const uint8_t* luma, const uint8_t* lightShade, const float* sine, const float* cosine);
