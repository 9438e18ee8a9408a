// Mode table of the backgrounds: which generator, which parameters, which renderer.
// The time factors are single-precision constants: 1/3500, 1/1500 and 1/90.
#include "demo/texture_effect.h"

#include "demo/grid_effects.h"
#include "demo/grid_render.h"

namespace {
constexpr float kSlowTurn = 0.00028571428f;  // 1/3500
constexpr float kFastTurn = 0.00066666666f;  // 1/1500
constexpr float kBlobPhase = 0.011111111f;   // 1/90

enum class Renderer { Light, Dark, Plain };
}  // namespace

void texture_effect(int mode, uint32_t timeMs, GridMap& grid, PalettedBitmap& work, const PalettedTexture& texture,
                    const uint8_t* lightShade, const uint8_t* darkShade, BlobTable& blobs) {
  if (!work.pixels || work.width < 320 || work.height < 200) return;
  if (mode == 0) {
    clear(work, 0);
    return;
  }
  if (mode < 1 || mode > 10 || !texture.pixels || texture.width != 256 || texture.height != 256) return;

  const float t = static_cast<float>(timeMs);
  const GridView view{t * kSlowTurn, t * kFastTurn, t * kFastTurn, 0.0f, 0.0f, t};
  const float s = t * kBlobPhase;
  Renderer renderer = Renderer::Light;
  switch (mode) {
    case 1: grid_corridor(grid, view); break;
    case 2: grid_floor_ceiling(grid, view); break;
    case 3: grid_corridor(grid, view); renderer = Renderer::Dark; break;
    case 4: grid_floor_ceiling(grid, view); renderer = Renderer::Dark; break;
    case 5: grid_tunnel(grid, view); break;
    case 6: grid_tunnel(grid, view); renderer = Renderer::Dark; break;
    case 7: grid_sphere(grid, view.a1, view.a2, view.a3); renderer = Renderer::Plain; break;
    case 8: grid_blob_field(grid, blobs, s); break;
    case 9: grid_blob_field(grid, blobs, s); renderer = Renderer::Plain; break;
    case 10: grid_ripple(grid, blobs, s); break;
  }
  switch (renderer) {
    case Renderer::Light: render_grid_shaded(grid, work.pixels, work.pitch, texture.pixels, lightShade); break;
    case Renderer::Dark: render_grid_shaded(grid, work.pixels, work.pitch, texture.pixels, darkShade); break;
    case Renderer::Plain: render_grid_plain(grid, work.pixels, work.pitch, texture.pixels); break;
  }
}
