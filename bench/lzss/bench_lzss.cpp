// LZSS throughput (MB/s of decoded bytes) and compression ratio on tune-like and text-like data.
// The ratio is reported as a counter: compressed bytes per 100 input bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "shell/crt_rand.h"
#include "vfs/lzss.h"

namespace {
// Shaped like an XM: a header, pattern rows that repeat with small changes (packed notes and
// empty cells), then 8-bit delta-coded samples of smooth waves with some noise.
std::vector<uint8_t> tune_like(size_t size) {
  std::vector<uint8_t> out;
  const char header[] = "Extended Module: fini                \x1a" "FastTracker v2.00   ";
  out.insert(out.end(), header, header + sizeof header - 1);
  while (out.size() < size / 2) {
    for (int row = 0; row < 64; ++row) {
      for (int channel = 0; channel < 8; ++channel) {
        if ((row + channel) % 4 == 0) {
          out.insert(out.end(), {0x83, static_cast<uint8_t>(49 + crt_rand() % 12), static_cast<uint8_t>(1 + channel % 3)});
        } else {
          out.push_back(0x80);
        }
      }
    }
  }
  int previous = 0;
  for (int i = 0; out.size() < size; ++i) {
    int wave = ((i / 8) % 64 < 32 ? (i % 256) : 255 - (i % 256)) - 128 + static_cast<int>(crt_rand() % 9) - 4;
    out.push_back(static_cast<uint8_t>(wave - previous));
    previous = wave;
  }
  out.resize(size);
  return out;
}

std::vector<uint8_t> text_like(size_t size) {
  static const char* words[] = {"the ", "demo ", "pattern ", "order ", "row ", "sample ", "volume ", "envelope ",
                                "greetings ", "to ", "all ", "sceners ", "and ", "friends ", "of ", "the\n"};
  std::vector<uint8_t> out;
  while (out.size() < size) {
    const char* w = words[crt_rand() % 16];
    out.insert(out.end(), w, w + std::strlen(w));
  }
  out.resize(size);
  return out;
}

std::vector<uint8_t> encode(const std::vector<uint8_t>& data) {
  MemoryByteStream source(data.data(), static_cast<uint32_t>(data.size()));
  LzssEncoder encoder(&source);
  std::vector<uint8_t> packed;
  uint8_t chunk[4096];
  while (uint32_t got = encoder.read(chunk, sizeof chunk)) packed.insert(packed.end(), chunk, chunk + got);
  return packed;
}

const std::vector<uint8_t>& data_for(int kind) {
  static const std::vector<uint8_t> tune = tune_like(256 * 1024);
  static const std::vector<uint8_t> text = text_like(256 * 1024);
  return kind == 0 ? tune : text;
}

void BM_LzssEncode(benchmark::State& state) {
  const std::vector<uint8_t>& data = data_for(static_cast<int>(state.range(0)));
  size_t packed = 0;
  for (auto _ : state) {
    std::vector<uint8_t> stream = encode(data);
    packed = stream.size();
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
  state.counters["ratio_pct"] = 100.0 * static_cast<double>(packed) / static_cast<double>(data.size());
}

void BM_LzssDecode(benchmark::State& state) {
  const std::vector<uint8_t>& data = data_for(static_cast<int>(state.range(0)));
  std::vector<uint8_t> stream = encode(data);
  std::vector<uint8_t> out(data.size());
  for (auto _ : state) {
    MemoryByteStream source(stream.data(), static_cast<uint32_t>(stream.size()));
    LzssDecoder decoder(&source);
    uint32_t got = decoder.read(out.data(), static_cast<uint32_t>(out.size()));
    if (got != out.size()) state.SkipWithError("short decode");
    benchmark::DoNotOptimize(out.data());
  }
  if (out != data) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
  state.counters["ratio_pct"] = 100.0 * static_cast<double>(stream.size()) / static_cast<double>(data.size());
}
}  // namespace

// Argument 0: tune-like data, 1: text-like data (256 KiB each).
BENCHMARK(BM_LzssEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzssDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
