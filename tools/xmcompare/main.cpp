// xmcompare FILE...: renders every XM file with our player and with libopenmpt, 884-frame steps,
// and prints per module the (order, row) agreement and the loudness-envelope correlation.
// Exits 1 when a module misses 99.5 % / 0.9 or the corpus median misses 0.98; --detail shows where.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "measures.h"
#include "render_trace.h"

namespace {
struct Limits {
  double timeline = 0.995;
  double envelope = 0.9;
  double medianEnvelope = 0.98;
};

bool read_file(const char* path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::string base_name(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first differing steps, and the steps where the envelopes (each scaled to its mean) differ most.
void print_detail(const RenderTrace& ours, const RenderTrace& peer) {
  size_t n = std::min(ours.positions.size(), peer.positions.size());
  int shown = 0;
  for (size_t i = 0; i < n && shown < 12; ++i) {
    if (ours.positions[i] == peer.positions[i]) continue;
    std::printf("    step %5zu: ours %3d/%2d  peer %3d/%2d\n", i, ours.positions[i] >> 8, ours.positions[i] & 255,
                peer.positions[i] >> 8, peer.positions[i] & 255);
    ++shown;
  }
  double meanOurs = 0, meanPeer = 0;
  for (size_t i = 0; i < n; ++i) {
    meanOurs += ours.rms[i];
    meanPeer += peer.rms[i];
  }
  if (meanOurs <= 0 || meanPeer <= 0) return;
  std::vector<std::pair<double, size_t>> gaps;
  for (size_t i = 0; i < n; ++i) gaps.emplace_back(std::abs(ours.rms[i] / meanOurs - peer.rms[i] / meanPeer), i);
  std::sort(gaps.rbegin(), gaps.rend());
  for (size_t k = 0; k < gaps.size() && k < 6; ++k) {
    size_t i = gaps[k].second;
    std::printf("    envelope step %5zu (%3d/%2d): ours %.3f peer %.3f of their means; gain ratio %.3f\n", i,
                peer.positions[i] >> 8, peer.positions[i] & 255, ours.rms[i] * n / meanOurs,
                peer.rms[i] * n / meanPeer, meanOurs / meanPeer);
  }
}
void dump_audio(const std::string& path, const std::vector<float>& audio) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return;
  std::fwrite(audio.data(), sizeof(float), audio.size(), out);
  std::fclose(out);
}

// step, our order/row and loudness, the peer's: for plotting a module's two renderings; and both
// renderings as raw interleaved float32 stereo at 44,100 Hz (NAME.ours.f32, NAME.peer.f32).
void dump_csv(const std::string& path, const RenderTrace& ours, const RenderTrace& peer) {
  dump_audio(path + ".ours.f32", ours.audio);
  dump_audio(path + ".peer.f32", peer.audio);
  FILE* out = std::fopen((path + ".csv").c_str(), "w");
  if (!out) return;
  std::fprintf(out, "step,our_order,our_row,our_rms,peer_order,peer_row,peer_rms\n");
  for (size_t i = 0; i < ours.positions.size() && i < peer.positions.size(); ++i) {
    std::fprintf(out, "%zu,%d,%d,%.6f,%d,%d,%.6f\n", i, ours.positions[i] >> 8, ours.positions[i] & 255, ours.rms[i],
                 peer.positions[i] >> 8, peer.positions[i] & 255, peer.rms[i]);
  }
  std::fclose(out);
}
}  // namespace

int main(int argc, char** argv) {
  Limits limits;
  bool detail = false;
  const char* dumpDir = nullptr;
  int solo = -1;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--detail") == 0) {
      detail = true;
    } else if (std::strcmp(argv[i], "--solo") == 0 && i + 1 < argc) {
      solo = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc) {
      dumpDir = argv[++i];
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: xmcompare [--detail] [--dump DIR] [--solo CHANNEL] FILE.xm...\n");
    return 2;
  }
  std::vector<double> envelopes;
  int passed = 0, failed = 0;
  std::printf("%-36s %7s %10s %10s\n", "module", "steps", "timeline", "envelope");
  for (const std::string& path : files) {
    std::vector<uint8_t> bytes;
    if (!read_file(path.c_str(), &bytes)) {
      std::printf("%-36s cannot be read\n", base_name(path).c_str());
      ++failed;
      continue;
    }
    bool keepAudio = dumpDir != nullptr;
    RenderTrace peer = render_peer(bytes, keepAudio, solo);
    RenderTrace ours = peer.error.empty() ? render_ours(bytes, peer.positions.size(), keepAudio, solo) : RenderTrace{};
    if (!peer.error.empty() || !ours.error.empty() || ours.positions.size() != peer.positions.size()) {
      std::printf("%-36s error: %s%s\n", base_name(path).c_str(), peer.error.c_str(), ours.error.c_str());
      ++failed;
      continue;
    }
    double timeline = timeline_agreement(ours.positions, peer.positions);
    double envelope = correlation(ours.rms, peer.rms);
    envelopes.push_back(envelope);
    bool ok = timeline >= limits.timeline && envelope >= limits.envelope;
    std::printf("%-36s %7zu %9.2f%% %10.4f%s\n", base_name(path).c_str(), peer.positions.size(), timeline * 100,
                envelope, ok ? "" : "  FAIL");
    if (detail) print_detail(ours, peer);
    if (dumpDir) dump_csv(std::string(dumpDir) + "/" + base_name(path), ours, peer);
    ok ? ++passed : ++failed;
  }
  double mid = median(envelopes);
  bool medianOk = mid >= limits.medianEnvelope;
  std::printf("median envelope correlation %.4f%s\n", mid, medianOk ? "" : "  FAIL (below 0.98)");
  if (!medianOk) ++failed;
  std::printf("conformance: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
