// The full-screen background of a frame: mode 0 clears WorkFrame, modes 1-10 run one grid
// generator and one renderer. The time (ms, unsigned) animates the angles and the blob phase.
#pragma once
#include <cstdint>

#include "demo/grid_map.h"
#include "image/bitmap.h"

// The modes by the numbers the scene table uses: which grid and which renderer (the light shade
// table unless named otherwise).
enum BackgroundMode : int {
  kBackgroundBlack = 0,
  kCorridor = 1,
  kFloorCeiling = 2,
  kDarkCorridor = 3,
  kDarkFloorCeiling = 4,
  kTunnel = 5,
  kDarkTunnel = 6,
  kPlainSphere = 7,  // unshaded
  kBlobField = 8,
  kPlainBlobField = 9,  // unshaded
  kRipple = 10,
};

// work must be at least 320x200 and texture 256x256; otherwise nothing is drawn. lightShade and
// darkShade are the 4,096-entry shade tables; grid and blobs persist from frame to frame.
void texture_effect(int mode, uint32_t timeMs, GridMap& grid, PalettedBitmap& work, const PalettedTexture& texture,
                    const uint8_t* lightShade, const uint8_t* darkShade, BlobTable& blobs);
