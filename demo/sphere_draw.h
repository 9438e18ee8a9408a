// Painter's drawing of the sorted sphere: projection, culling and the rasteriser per face.
// Expects sphere_normals and sphere_sort to have run on the current rotated positions.
#pragma once
#include "demo/sphere_mesh.h"
#include "demo/sphere_raster.h"

// Screen centre (160, 100), focal length 256, camera 550 units in front of the object's centre.
// Projects every vertex once into object.screen, then draws the faces of order[] so that each
// pixel shows the last face in order[] that covers it: walked backwards, nearest first, with each
// face filling only pixels that no nearer face took (object.coverage), hidden pixels cost nothing.
void sphere_draw(SphereObject& object, const RasterTarget& target);
