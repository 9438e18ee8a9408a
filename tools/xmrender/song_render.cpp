// Renders a song through render_segment and watches every tick: the tick at which the player
// moves to an order entry at or before the current one ends one pass of the song (the wrap to
// the restart position, or a jump backwards). Muted channels have their voices' gains held at 0.
#include "song_render.h"

#include <cstdlib>
#include <cstring>

#include "music/module.h"
#include "music/playback.h"
#include "music/player.h"
#include "music/render.h"

namespace {

struct Watch {
  TickHandler player;
  uint32_t muted;
  int64_t framesBefore;  // frames of all ticks before the current one
  int64_t wrapFrame;     // frame at which the first wrapping tick starts, -1 before
};
Watch* g_watch = nullptr;  // the render in progress; the tick hook has no context argument

void watched_tick(Module* module) {
  Watch& watch = *g_watch;
  if (watch.wrapFrame < 0 && module->tick == 0 && module->nextOrder >= 0 && module->nextOrder <= module->order)
    watch.wrapFrame = watch.framesBefore;
  watch.player(module);
  if (watch.muted) {
    Playback& state = playback();
    for (int c = 0; c < kChannelCount; ++c) {
      if (!(watch.muted >> c & 1)) continue;
      for (int v : {c, c + kChannelCount}) {
        state.voices[v].volume = 0;
        state.voices[v].targetLeft = state.voices[v].targetRight = 0;
      }
    }
  }
  watch.framesBefore += module->samplesPerTick > 0 ? module->samplesPerTick : 0;
}

}  // namespace

SongRenderResult render_song(const std::vector<uint8_t>& bytes, const SongRenderOptions& options,
                             const std::function<void(const SongSegment&)>& sink) {
  SongRenderResult result;
  Module* module = module_create_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (!module) return result;
  result.loaded = true;
  if (!render_open(module)) {
    module_free(module);
    result.loaded = false;
    return result;
  }
  Watch watch{module->tickHandler, options.mutedChannels, 0, -1};
  g_watch = &watch;
  module->tickHandler = watched_tick;
  Playback& state = playback();
  const int32_t segmentFrames = state.segmentFrames;
  bool fixedLength = options.seconds > 0;
  int64_t limit = static_cast<int64_t>((fixedLength ? options.seconds : options.capSeconds) * state.rate);
  for (int64_t index = 0; result.frames < limit; ++index) {
    int32_t segment = state.writeSegment;
    render_segment();
    int32_t frames = segmentFrames;
    if (limit - result.frames < frames) frames = static_cast<int32_t>(limit - result.frames);
    if (!fixedLength && watch.wrapFrame >= 0) {
      int64_t left = watch.wrapFrame - result.frames;
      if (left < frames) frames = static_cast<int32_t>(left > 0 ? left : 0);
      result.wrapped = true;
    }
    if (frames > 0 && sink) {
      int32_t entry = position_ring_entry(state, segment);
      sink(SongSegment{index, entry >> 8, entry & 0xFF, render_segment_pcm(segment), frames});
    }
    result.frames += frames;
    if (result.wrapped) break;
  }
  g_watch = nullptr;
  render_close();
  module_free(module);
  return result;
}

bool parse_channel_list(const char* text, uint32_t* mask) {
  *mask = 0;
  while (*text) {
    char* end = nullptr;
    long channel = std::strtol(text, &end, 10);
    if (end == text || channel < 0 || channel >= 32) return false;
    *mask |= 1u << channel;
    text = end;
    if (*text == ',') ++text;
    else if (*text) return false;
  }
  return *mask != 0;
}
