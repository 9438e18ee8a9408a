// fontgen GLYPHS.txt OUT.dat: writes the stroke-font file from its text source.
// Exit code 0 on success, 1 with a message on stderr otherwise; the output is written only when valid.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "font_source.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fontgen GLYPHS.txt OUT.dat\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fontgen: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<uint8_t> bytes;
  std::string error;
  if (!compile_font(text.str(), bytes, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "fontgen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
