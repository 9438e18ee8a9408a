// pcxgen RECIPE.txt OUT.pcx [--png PREVIEW.png]: makes the show's picture from its recipe.
// The preview shows the tile enlarged four times and repeated 2 x 2, so seams would be visible.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "pcx_writer.h"
#include "picture.h"
#include "png_writer.h"

namespace {
bool write_file(const char* path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "pcxgen: cannot write %s\n", path);
  return static_cast<bool>(out);
}
}  // namespace

int main(int argc, char** argv) {
  const char* png = nullptr;
  if (argc == 5 && std::strcmp(argv[3], "--png") == 0) png = argv[4];
  if (argc != 3 && !png) {
    std::fprintf(stderr, "usage: pcxgen RECIPE.txt OUT.pcx [--png PREVIEW.png]\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "pcxgen: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  PictureRecipe recipe;
  static Picture picture;
  std::string error;
  if (!parse_recipe(text.str(), recipe, error) || !make_picture(recipe, picture, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (!write_file(argv[2], encode_pcx(picture.pixels, kPictureSize, kPictureSize, picture.palette))) return 1;
  if (png) {
    const int scale = 4, tiles = 2, side = kPictureSize * scale * tiles;
    std::vector<uint8_t> rgb(static_cast<size_t>(side) * side * 3);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        int index = picture.pixels[((y / scale) % kPictureSize) * kPictureSize + (x / scale) % kPictureSize];
        std::memcpy(&rgb[(static_cast<size_t>(y) * side + x) * 3], &picture.palette[index * 3], 3);
      }
    if (!write_file(png, encode_png_rgb(rgb.data(), side, side))) return 1;
  }
  return 0;
}
