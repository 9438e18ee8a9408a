// icongen PICTURE.pcx OUT.ico OUT.rgba: the Windows icon group (16, 32, 48 and 64 pixels) and the
// native window's icon (64 x 64, 4 bytes a pixel R G B A, rows top to bottom, no header).
#include <cstdio>
#include <fstream>
#include <iterator>

#include "icon_writer.h"

namespace {
bool write_file(const char* path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "icongen: cannot write %s\n", path);
  return static_cast<bool>(out);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: icongen PICTURE.pcx OUT.ico OUT.rgba\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RgbaImage picture;
  std::string error;
  if (!in.good() && file.empty()) error = "cannot read the picture";
  if (!error.empty() || !decode_pcx_rgba(file, picture, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::vector<RgbaImage> sizes;
  for (int n : {16, 32, 48, 64}) sizes.push_back(make_icon_image(picture, n));
  if (!write_file(argv[2], encode_ico(sizes))) return 1;
  return write_file(argv[3], sizes.back().pixels) ? 0 : 1;
}
