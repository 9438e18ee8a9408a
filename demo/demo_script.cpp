// K417 itself: the production's configuration, its start-up (tables, texture, text, geometry with
// progress), one frame per call driven by the music position, and the release of everything.
// Subtle: the order of demo_init's steps fixes the rand sequence the text layout draws from.
#include <cstdlib>
#include <cstring>

#include "demo/colour_tables.h"
#include "demo/compose.h"
#include "demo/grid_map.h"
#include "demo/inset.h"
#include "demo/object_effect.h"
#include "demo/overlay.h"
#include "demo/palette_fade.h"
#include "demo/sphere_mesh.h"
#include "demo/stroke_font.h"
#include "demo/text_images.h"
#include "demo/texture_effect.h"
#include "demo/timeline.h"
#include "image/bitmap.h"
#include "image/texture.h"
#include "shell/crt_rand.h"
#include "shell/shell.h"
#include "shell/tables.h"

namespace {
// Everything the production owns from demo_init to demo_shutdown.
struct Production {
  PalettedBitmap WorkFrame;
  PalettedBitmap PreviousFrame;
  Bitmap8 OverlayLayer;
  PalettedTexture Texture;
  Texture8 LumaMap;
  uint8_t SourcePalette[768];
  uint8_t CurrentPalette[768];
  ColourTables* Tables;  // ColourCube, MixTable and the two shade tables
  TextLayers Text;
  StrokeFont Font;
  GridMap Grid;
  BlobTable Blobs;
  SphereObject* Sphere;
  TimelineState Timeline;
};
Production g_demo;

const TextImage* layer_image(int32_t layer) {
  TextLayers& t = g_demo.Text;
  switch (layer) {
    case TitleLayer: return &t.TitleImage;
    case CreditLayer1: return &t.CreditImage1;
    case CreditLayer2: return &t.CreditImage2;
    case NameLayer: return &t.NameImage;
    case ScatterTwosLayer: return &t.ScatterTwos;
    case ScatterNamesLayer: return &t.ScatterNames;
    case ScatterGroupLayer: return &t.ScatterGroup;
    default:
      if (layer >= GreetLayer0 && layer < GreetLayer0 + kGreetingCount) return &t.GreetImages[layer - GreetLayer0];
      return nullptr;
  }
}

// The timeline's steps carried out on the production's bitmaps and tables at one frame's time.
class FrameActions final : public SceneActions {
 public:
  explicit FrameActions(uint32_t now) : now_(now) {}
  void fade_to_black(int32_t level) override {
    ::fade_to_black(0, 255, g_demo.SourcePalette, level, g_demo.CurrentPalette);
  }
  void fade_to_white(int32_t level) override {
    ::fade_to_white(0, 255, g_demo.SourcePalette, level, g_demo.CurrentPalette);
  }
  void texture_effect(int32_t mode) override {
    ::texture_effect(mode, now_, g_demo.Grid, g_demo.WorkFrame, g_demo.Texture, g_demo.Tables->lightShade,
                     g_demo.Tables->darkShade, g_demo.Blobs);
  }
  void object_effect(int32_t mode) override {
    ::object_effect(*g_demo.Sphere, mode, now_, g_demo.WorkFrame.pixels, g_demo.Texture.pixels,
                    g_demo.LumaMap.pixels, g_demo.Tables->lightShade, SineTable, CosineTable);
  }
  void overlay(int32_t layer, int32_t intensity, int32_t noise) override {
    ::overlay(g_demo.OverlayLayer, layer_image(layer), intensity, noise, g_demo.WorkFrame, g_demo.Tables->lightShade);
  }
  void inset(int32_t x, int32_t y, uint8_t border) override { ::inset(g_demo.WorkFrame.pixels, x, y, border); }
  void feedback() override { feedback_blend(g_demo.WorkFrame, g_demo.PreviousFrame, g_demo.Tables->mix); }
  void clear_frames() override {
    clear(g_demo.WorkFrame, 0);
    clear(g_demo.PreviousFrame, 0);
  }
  int32_t random() override { return crt_rand(); }

 private:
  uint32_t now_;
};
}  // namespace

void demo_configure(DemoConfig* config) {
  config->width = 320;
  config->height = 200;
  config->areaX = 0.9f;
  config->areaY = 0.9f;
  config->archiveName = "k417.pak";
  config->moduleName = "fini.xm";
  config->title = "K417 by Windmillcove";
  config->icon = display_load_app_icon();
}

bool demo_init(DemoConfig* config) {
  // Every effect writes exactly 320 x 200 pixels in rows of 320; refuse any other layout.
  if (config->width != 320 || config->height != 200) return false;
  Production& d = g_demo;
  d = Production{};
  d.Font = load_font("fontje.dat");
  create(d.OverlayLayer, config->width, config->height);
  create(d.WorkFrame, config->width, config->height);
  create(d.PreviousFrame, config->width, config->height);
  clear(d.PreviousFrame, 0);
  for (int i = 0; i < 256; ++i) std::memset(d.CurrentPalette + 3 * i, i / 4, 3);
  report_progress(0.1f);

  crt_rand();  // one draw, discarded: the layout below follows it
  fill_sine_tables();
  build_texture256(d.Texture, "64.pcx");
  std::memcpy(d.SourcePalette, d.Texture.palette, sizeof d.SourcePalette);
  report_progress(0.3f);
  build_luma_map(d.LumaMap, d.Texture);
  report_progress(0.4f);
  d.Tables = static_cast<ColourTables*>(std::malloc(sizeof(ColourTables)));
  if (!d.Tables) fatal_error("Out of memory building the colour tables.");
  build_colour_cube(d.Tables->cube, d.SourcePalette);
  report_progress(0.5f);
  build_mix_table(d.Tables->mix, d.Tables->cube, d.SourcePalette, 40, 60);
  report_progress(0.6f);
  build_dark_shade_table(d.Tables->darkShade, d.SourcePalette);
  report_progress(0.7f);
  build_light_shade_table(d.Tables->lightShade, d.SourcePalette);
  report_progress(0.8f);
  render_text_images(d.Text, config->width, config->height, config->areaX, config->areaY, d.Font);
  report_progress(0.9f);
  d.Sphere = static_cast<SphereObject*>(std::calloc(1, sizeof(SphereObject)));
  if (!d.Sphere) fatal_error("Out of memory building the sphere.");
  sphere_build(*d.Sphere, SineTable, CosineTable);
  report_progress(1.0f);
  return true;
}

bool demo_frame(FrameBuffer* frame, FrameInfo* info) {
  Production& d = g_demo;
  uint32_t position = info->position;
  FrameActions actions(info->time);
  if (!run_timeline(d.Timeline, position, info->time, actions)) return false;
  copy(d.PreviousFrame, d.WorkFrame, true);
  std::memcpy(d.WorkFrame.palette, d.CurrentPalette, sizeof d.CurrentPalette);
  Bitmap32 out{frame->pixels, frame->width, frame->height, frame->pitch};
  convert_to_frame(out, d.WorkFrame);
  timeline_frame_done(d.Timeline, position);
  return true;
}

void demo_shutdown() {
  Production& d = g_demo;
  destroy_text_images(d.Text);
  free_font(d.Font);
  destroy(d.OverlayLayer);
  destroy(d.WorkFrame);
  destroy(d.LumaMap);
  destroy(d.PreviousFrame);
  destroy(d.Texture);
  std::free(d.Tables);
  d.Tables = nullptr;
  std::free(d.Sphere);
  d.Sphere = nullptr;
}
