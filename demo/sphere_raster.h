// The sphere's triangle rasteriser: 26.6 fixed-point edges and textured, environment-lit spans.
// Corners may lie anywhere (behind-camera projections): only rows and pixels in the frame are visited.
#pragma once
#include <cstdint>

constexpr int kSphereFrameWidth = 320;
constexpr int kSphereFrameHeight = 200;

constexpr int kCoverageRowBytes = kSphereFrameWidth / 8;

// One bit per frame pixel, set once the pixel is drawn: bit x & 7 of byte y * 40 + (x >> 3).
// Drawing nearest faces first into a coverage map, each filling only what is still clear, leaves
// every pixel with the colour that drawing farthest first over everything would leave there.
// Eight spare bytes at the end let any pixel's bits be read as one 64-bit word.
struct RasterCoverage {
  uint8_t bits[kSphereFrameHeight * kCoverageRowBytes + 8];
};

struct RasterTarget {
  uint8_t* work;              // 320x200 palette indices, rows of 320
  const uint8_t* texture;     // 256x256 texels
  const uint8_t* luma;        // 256x256 grey levels of the texture
  const uint8_t* lightShade;  // 4,096 entries: texel * 16 + step
  RasterCoverage* coverage = nullptr;  // null: every pixel is written; else only clear ones, marked
};

// A corner in whole pixels and texels; the rasteriser widens everything to 26.6 itself.
struct RasterCorner {
  int64_t x, y;    // screen position, any value (saturated at +-2^40 inside)
  int64_t u, v;    // texture coordinates, texels (wrap every 256)
  int64_t ex, ey;  // environment coordinates into the luma map (wrap every 256)
};

// Rows y0 <= y < y1 between top-middle and top-bottom, then, unless the bottom edge is
// horizontal, rows y1 <= y <= y2 between middle-bottom and the rest of top-bottom.
void raster_triangle(const RasterTarget& target, const RasterCorner& c0, const RasterCorner& c1,
                     const RasterCorner& c2);

// Row y from left.x to right.x inclusive (ends swapped when reversed), clipped to the frame.
// Only x, u, v, ex and ey of the two ends are read; y is the row.
void raster_span(const RasterTarget& target, int64_t y, const RasterCorner& left, const RasterCorner& right);
