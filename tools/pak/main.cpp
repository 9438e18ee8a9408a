// The pak command line: create, list and extract pak archives.
// Options come before the output name; anything unknown is a usage error (exit code 2).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pak_commands.h"

namespace {
int usage() {
  std::fprintf(stderr,
               "usage: pak create [--upper] [--compress] [--scramble] [--embedded-layout] OUT.pak INPUT...\n"
               "       pak list ARCHIVE\n"
               "       pak extract ARCHIVE [DIR]\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "create") {
    PakOptions options;
    size_t i = 0;
    for (; i < args.size() && args[i].compare(0, 2, "--") == 0; ++i) {
      if (args[i] == "--upper") {
        options.upper = true;
      } else if (args[i] == "--compress") {
        options.compress = true;
      } else if (args[i] == "--scramble") {
        options.scramble = true;
      } else if (args[i] == "--embedded-layout") {
        options.embedded_layout = true;
      } else {
        std::fprintf(stderr, "pak: unknown option '%s'\n", args[i].c_str());
        return usage();
      }
    }
    if (args.size() - i < 2) return usage();
    std::vector<std::string> inputs(args.begin() + static_cast<long>(i) + 1, args.end());
    return pak_create(args[i], inputs, options, stderr);
  }
  if (command == "list" && args.size() == 1) return pak_list(args[0], stdout, stderr);
  if (command == "extract" && (args.size() == 1 || args.size() == 2)) {
    return pak_extract(args[0], args.size() == 2 ? args[1] : ".", stderr);
  }
  return usage();
}
