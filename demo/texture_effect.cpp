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
  if (mode == kBackgroundBlack) {
    clear(work, 0);
    return;
  }
  if (mode < kCorridor || mode > kRipple || !texture.pixels || texture.width != 256 || texture.height != 256) return;

  const float t = static_cast<float>(timeMs);
  const GridView view{t * kSlowTurn, t * kFastTurn, t * kFastTurn, 0.0f, 0.0f, t};
  const float s = t * kBlobPhase;
  Renderer renderer = Renderer::Light;
  switch (mode) {
    case kCorridor: grid_corridor(grid, view); break;
    case kFloorCeiling: grid_floor_ceiling(grid, view); break;
    case kDarkCorridor: grid_corridor(grid, view); renderer = Renderer::Dark; break;
    case kDarkFloorCeiling: grid_floor_ceiling(grid, view); renderer = Renderer::Dark; break;
    case kTunnel: grid_tunnel(grid, view); break;
    case kDarkTunnel: grid_tunnel(grid, view); renderer = Renderer::Dark; break;
    case kPlainSphere: grid_sphere(grid, view.a1, view.a2, view.a3); renderer = Renderer::Plain; break;
    case kBlobField: grid_blob_field(grid, blobs, s); break;
    case kPlainBlobField: grid_blob_field(grid, blobs, s); renderer = Renderer::Plain; break;
    case kRipple: grid_ripple(grid, blobs, s); break;
  }
  switch (renderer) {
    case Renderer::Light: render_grid_shaded(grid, work.pixels, work.pitch, texture.pixels, lightShade); break;
    case Renderer::Dark: render_grid_shaded(grid, work.pixels, work.pitch, texture.pixels, darkShade); break;
    case Renderer::Plain: render_grid_plain(grid, work.pixels, work.pitch, texture.pixels); break;
  }
}
