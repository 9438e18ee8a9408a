// The generators of the grid-mapped backgrounds: each fills GridMap's three planes for one frame.
// The ray-cast ones look from origin (ox, oy, oz) along rays turned by a1, a2, a3 (radians).
#pragma once
#include "demo/grid_map.h"

struct GridView {
  float a1, a2, a3;
  float ox, oy, oz;
};

// Cylinder of radius 256 around the z axis; a ray that misses keeps the point's old values.
void grid_tunnel(GridMap& grid, const GridView& view);
// Walls at x = +-100 and y = +-100; a point whose wall coordinate is exactly 0 takes v from the
// point before it.
void grid_corridor(GridMap& grid, const GridView& view);
// Planes y = +-100, the picture mirrored about the centre line.
void grid_floor_ceiling(GridMap& grid, const GridView& view);
// Sphere of radius 256 around the viewer (no origin); depth is not written.
void grid_sphere(GridMap& grid, float a1, float a2, float a3);

// The three blobs on their Lissajous paths at phase s, with the given amplitude (84 for the
// field, 64 for the ripple); radius 180, weights +1, -1, +1.
void place_blobs(BlobTable& blobs, float s, float amplitude);
// The blob field at phase s (places the blobs first); drawn transposed.
void grid_blob_field(GridMap& grid, BlobTable& blobs, float s);
// Rings around blob 0 at phase s (places the blobs with amplitude 64 first); depth 0..255.
void grid_ripple(GridMap& grid, BlobTable& blobs, float s);
