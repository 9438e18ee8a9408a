// One rendering of a module cut into equal steps: the position and the loudness of every step.
// Both renderers (ours and the peer) fill the same record so the measures compare like with like.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int StepFrames = 884;  // one output segment, about 20 ms at 44,100 Hz
constexpr int TraceRate = 44100;

struct RenderTrace {
  std::vector<int32_t> positions;  // order << 8 | row after each step
  std::vector<double> rms;         // root mean square of both channels over each step, 0..1
  std::vector<float> audio;        // interleaved stereo, -1..1, only when asked for
  std::string error;               // empty when the rendering worked
};

// The peer: libopenmpt at linear interpolation, once through the song (it stops at the wrap).
// solo >= 0 mutes every channel but that one (to find which channel differs).
RenderTrace render_peer(const std::vector<uint8_t>& file, bool keepAudio, int solo);
// Ours: the engine's loader, player and mixer through render_segment, for the given steps.
RenderTrace render_ours(const std::vector<uint8_t>& file, size_t steps, bool keepAudio, int solo);
