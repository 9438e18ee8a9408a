// Our rendering: module_create_from_memory, then render_segment segment after segment without a
// wave device, reading each segment's PCM and its position ring entry.
// Subtle: the loudness is taken from the 16-bit output, so clipping counts as it would be heard.
#include <cmath>

#include "music/module.h"
#include "music/playback.h"
#include "music/player.h"
#include "music/render.h"
#include "render_trace.h"

namespace {
int soloChannel = -1;  // the tool's one setting for the tick hook below

// The player's tick, then every voice not owned by the solo channel (i and i + 32) silenced.
void solo_tick(Module* module) {
  process_tick(module);
  for (Voice& v : playback().voices) {
    if (v.index % 32 == soloChannel) continue;
    v.volume = v.targetLeft = v.targetRight = 0;
  }
}
}  // namespace

RenderTrace render_ours(const std::vector<uint8_t>& file, size_t steps, bool keepAudio, int solo) {
  RenderTrace trace;
  Module* module = module_create_from_memory(file.data(), static_cast<uint32_t>(file.size()));
  if (module == nullptr) {
    trace.error = "our loader refused the file";
    return trace;
  }
  if (!render_open(module)) {
    trace.error = "render_open failed";
    module_free(module);
    return trace;
  }
  Playback& state = playback();
  soloChannel = solo;
  if (solo >= 0) module->tickHandler = solo_tick;
  if (state.segmentFrames != StepFrames) {
    trace.error = "unexpected segment length";
    steps = 0;
  }
  for (size_t i = 0; i < steps; ++i) {
    int32_t segment = state.writeSegment;
    render_segment();
    const int16_t* pcm = render_segment_pcm(segment);
    double sum = 0;
    for (int k = 0; k < 2 * StepFrames; ++k) {
      sum += static_cast<double>(pcm[k]) * pcm[k];
      if (keepAudio) trace.audio.push_back(pcm[k] / 32768.0f);
    }
    trace.rms.push_back(std::sqrt(sum / (2 * StepFrames)) / 32768.0);
    trace.positions.push_back(position_ring_entry(state, segment));
  }
  render_close();
  module_free(module);
  return trace;
}
