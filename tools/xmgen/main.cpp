// xmgen OUT.xm SCORE.txt...: compiles the tune's score files (in the order given) into an XM file.
// With --summary it also prints the order list, row counts, playing time and sample sizes.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "score.h"
#include "xm_writer.h"

namespace {
void print_summary(const Song& song, size_t bytes) {
  double seconds = 0;
  for (int p : song.orders) seconds += song.patterns[p].rows * song.speed * 2.5 / song.bpm;
  std::printf("%zu orders, %zu patterns, %zu channels, %zu instruments, %zu bytes, %d:%04.1f\n", song.orders.size(),
              song.patterns.size(), song.channels.size(), song.instruments.size(), bytes, static_cast<int>(seconds) / 60,
              seconds - 60 * (static_cast<int>(seconds) / 60));
  for (size_t i = 0; i < song.orders.size(); ++i)
    std::printf("  order %2zu: %-12s %3d rows\n", i, song.patterns[song.orders[i]].name.c_str(), song.patterns[song.orders[i]].rows);
  for (const Instrument& ins : song.instruments)
    std::printf("  %-12s %6zu frames, %2d bits, relnote %3d, finetune %4d\n", ins.name.c_str(), ins.sample.frames.size(),
                ins.sample.bits, ins.sample.relativeNote, ins.sample.finetune);
}
}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  bool summary = false;
  if (argc > 1 && std::strcmp(argv[1], "--summary") == 0) {
    summary = true;
    first = 2;
  }
  if (argc - first < 2) {
    std::fprintf(stderr, "usage: xmgen [--summary] OUT.xm SCORE.txt...\n");
    return 1;
  }
  std::vector<ScoreText> files;
  for (int i = first + 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "xmgen: cannot read %s\n", argv[i]);
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string name = argv[i];
    size_t slash = name.find_last_of('/');
    files.push_back({slash == std::string::npos ? name : name.substr(slash + 1), text.str()});
  }
  Song song;
  std::string error;
  std::vector<uint8_t> bytes;
  if (!compile_score(files, song, error) || !write_xm(song, bytes, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::ofstream out(argv[first], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "xmgen: cannot write %s\n", argv[first]);
    return 1;
  }
  if (summary) print_summary(song, bytes.size());
  return 0;
}
