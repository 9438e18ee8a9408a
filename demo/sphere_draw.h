// Painter's drawing of the sorted sphere: projection, culling and the rasteriser per face.
// Expects sphere_normals and sphere_sort to have run on the current rotated positions.
#pragma once
#include "demo/sphere_mesh.h"
#include "demo/sphere_raster.h"

// Screen centre (160, 100), focal length 256, camera 550 units in front of the object's centre.
// Projects every vertex once into object.screen, then draws the faces in order[].
void sphere_draw(SphereObject& object, const RasterTarget& target);
