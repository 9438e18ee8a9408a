// The show's own data for the benchmarks: the engine brought up as the capture tool does it, and the
// picture, tables, text layers and mesh built from the embedded archive with the production's calls.
#pragma once
#include <cstdint>
#include <vector>

#include "demo/colour_tables.h"
#include "demo/sphere_mesh.h"
#include "demo/stroke_font.h"
#include "demo/text_images.h"
#include "image/bitmap.h"
#include "shell/shell.h"

struct ShowAssets {
  PalettedTexture picture;  // 64.pcx as read, 64x64
  PalettedTexture texture;  // the 256x256 texture of the show
  Texture8 luma;
  ColourTables* tables;
  StrokeFont font;
  TextLayers text;
  SphereObject* sphere;
};

// The engine once, as the shell starts it before demo_init (null display, no music device).
DemoConfig* show_engine();
// Everything demo_init builds, built once by the same functions; never released.
const ShowAssets& show_assets();

// The three 320x200 bitmaps a frame is composed in, filled with a frame of the show's colours.
struct ShowFrame {
  PalettedBitmap work{};
  PalettedBitmap previous{};
  Bitmap8 layer{};
  ShowFrame();
  ~ShowFrame();
  ShowFrame(const ShowFrame&) = delete;
  ShowFrame& operator=(const ShowFrame&) = delete;
  std::vector<uint8_t> work_bytes() const { return {work.pixels, work.pixels + 64000}; }
};
