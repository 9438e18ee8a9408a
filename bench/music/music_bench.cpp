// Realtime factor (seconds of audio per CPU second) of rendering whole modules once through:
// the engine as xmrender renders, libopenmpt with a 2-tap (linear) filter, libxmp with linear
// interpolation, each loading the module from memory every iteration. Prints the ratios last.
#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "song_render.h"

namespace {

struct Song {
  std::string name;
  std::vector<uint8_t> bytes;
};

std::vector<Song> find_songs() {
  std::vector<std::string> paths;
  if (std::filesystem::exists(K417_TUNE_PATH)) paths.push_back(K417_TUNE_PATH);
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator("/usr/share/games", error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::string path = it->path().string();
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower.size() > 3 && lower.compare(lower.size() - 3, 3, ".xm") == 0) paths.push_back(path);
  }
  std::sort(paths.begin() + (paths.empty() || paths[0] != K417_TUNE_PATH ? 0 : 1), paths.end());
  std::vector<Song> songs;
  for (const std::string& path : paths) {
    std::ifstream file(path, std::ios::binary);
    songs.push_back({std::filesystem::path(path).filename().string(),
                     std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {})});
  }
  return songs;
}

void set_rate(benchmark::State& state, double audioSeconds) {
  state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void orvane(benchmark::State& state, const Song* song) {
  double seconds = 0;
  for (auto _ : state) {
    SongRenderResult result = render_song(song->bytes, SongRenderOptions{}, nullptr);
    if (!result.loaded) state.SkipWithError("not loaded");
    seconds = static_cast<double>(result.frames) / 44100.0;
  }
  set_rate(state, seconds);
}

void openmpt(benchmark::State& state, const Song* song) {
  std::vector<int16_t> buffer(2 * 4096);
  double seconds = 0;
  for (auto _ : state) {
    openmpt_module* module = openmpt_module_create_from_memory2(song->bytes.data(), song->bytes.size(), nullptr,
                                                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module) {
      state.SkipWithError("not loaded");
      break;
    }
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    size_t frames = 0, got;
    while ((got = openmpt_module_read_interleaved_stereo(module, 44100, 4096, buffer.data())) > 0) frames += got;
    openmpt_module_destroy(module);
    seconds = static_cast<double>(frames) / 44100.0;
  }
  set_rate(state, seconds);
}

void xmp(benchmark::State& state, const Song* song) {
  xmp_context context = xmp_create_context();
  double seconds = 0;
  for (auto _ : state) {
    if (xmp_load_module_from_memory(context, song->bytes.data(), static_cast<long>(song->bytes.size())) != 0) {
      state.SkipWithError("not loaded");
      break;
    }
    xmp_start_player(context, 44100, 0);
    xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
    xmp_frame_info info;
    int64_t bytes = 0;
    while (xmp_play_frame(context) == 0) {
      xmp_get_frame_info(context, &info);
      if (info.loop_count > 0) break;
      bytes += info.buffer_size;
    }
    xmp_end_player(context);
    xmp_release_module(context);
    seconds = static_cast<double>(bytes) / (4 * 44100.0);
  }
  xmp_free_context(context);
  set_rate(state, seconds);
}

// Keeps every run's realtime factor so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      auto found = run.counters.find("realtime");
      if (found == run.counters.end()) continue;
      std::string name = run.benchmark_name();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      if (run.run_type == Run::RT_Aggregate) name = name.substr(0, name.size() - run.aggregate_name.size() - 1);
      size_t slash = name.find('/');
      std::string player = name.substr(0, slash), song = name.substr(slash + 1);
      song = song.substr(0, song.find('/'));
      rates_[song][player] = found->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-34s %10s %10s %10s %9s %9s\n", "module", "orvane", "openmpt", "xmp", "/openmpt", "/xmp");
    for (auto& [song, rates] : rates_) {
      double own = rates["orvane"], mpt = rates["openmpt"], x = rates["xmp"];
      std::printf("%-34s %9.0fx %9.0fx %9.0fx %9.2f %9.2f\n", song.c_str(), own, mpt, x, mpt > 0 ? own / mpt : 0.0,
                  x > 0 ? own / x : 0.0);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  static std::vector<Song> songs = find_songs();
  for (const Song& song : songs) {
    benchmark::RegisterBenchmark(("orvane/" + song.name).c_str(), orvane, &song)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("openmpt/" + song.name).c_str(), openmpt, &song)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("xmp/" + song.name).c_str(), xmp, &song)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
