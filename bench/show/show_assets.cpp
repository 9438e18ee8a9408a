// Brings the engine up the way the shell does before demo_init, then builds the show's data with the
// same calls demo_init makes. Subtle: rand runs on as in the show, so text layouts are the show's own.
#include "show_assets.h"

#include <cstdlib>
#include <cstring>

#include "demo/sphere_mesh.h"
#include "image/texture.h"
#include "shell/crt_rand.h"
#include "shell/tables.h"

void k417_install_embedded_resources();

DemoConfig* show_engine() {
  static DemoConfig* config = [] {
    k417_install_embedded_resources();
    DemoConfig* c = shell_config();
    shell_configure(c);
    c->moduleName = nullptr;  // frames get their positions from the benchmarks
    if (!system_init(c)) fatal_error("Error initializing system!");
    build_tables();
    fill_frame_buffer();
    return c;
  }();
  return config;
}

const ShowAssets& show_assets() {
  static const ShowAssets* assets = [] {
    DemoConfig* config = show_engine();
    auto* a = new ShowAssets{};
    load_texture(a->picture, "64.pcx");
    crt_rand();
    fill_sine_tables();
    build_texture256(a->texture, "64.pcx");
    build_luma_map(a->luma, a->texture);
    a->tables = static_cast<ColourTables*>(std::malloc(sizeof(ColourTables)));
    build_colour_cube(a->tables->cube, a->texture.palette);
    build_mix_table(a->tables->mix, a->tables->cube, a->texture.palette, 40, 60);
    build_dark_shade_table(a->tables->darkShade, a->texture.palette);
    build_light_shade_table(a->tables->lightShade, a->texture.palette);
    a->font = load_font("fontje.dat");
    render_text_images(a->text, config->width, config->height, config->areaX, config->areaY, a->font);
    a->sphere = static_cast<SphereObject*>(std::calloc(1, sizeof(SphereObject)));
    sphere_build(*a->sphere, SineTable, CosineTable);
    return a;
  }();
  return *assets;
}

ShowFrame::ShowFrame() {
  const ShowAssets& a = show_assets();
  create(work, 320, 200);
  create(previous, 320, 200);
  create(layer, 320, 200);
  // A textured frame and a different one before it, so every blend sees the show's colours.
  for (int i = 0; i < 64000; ++i) {
    work.pixels[i] = a.texture.pixels[(i / 320) * 256 + i % 256];
    previous.pixels[i] = a.texture.pixels[(i * 7) & 0xFFFF];
  }
  std::memcpy(work.palette, a.texture.palette, 768);
  std::memcpy(previous.palette, a.texture.palette, 768);
  clear(layer, 0);
}

ShowFrame::~ShowFrame() {
  destroy(work);
  destroy(previous);
  destroy(layer);
}
