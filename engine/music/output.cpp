// Starting and stopping the wave output, the output thread and the heard position.
// The thread re-renders every segment the device has moved past; playSegment advances once per
// rendered segment, so the ring entry being written is always the one just behind it.
#include "music/output.h"

#include "music/module.h"
#include "music/playback.h"
#include "music/render.h"
#include "music/stream.h"
#include "platform/os.h"
#include "platform/wave_device.h"

namespace {
// Frames heard so far: the device's count, or while playing silently what a device would have
// played since the start by the monotonic clock, so the show keeps its pace without sound.
uint64_t heard_frames(const Playback& state) {
  if (!state.silent) return wave_device_bytes_played() / 4;
  uint64_t now = 0, frequency = 0;
  if (!os_counter(&now) || !os_counter_frequency(&frequency) || frequency == 0) return 0;
  uint64_t elapsed = now - state.silentStart;
  uint64_t rate = static_cast<uint64_t>(state.rate);
  return (elapsed / frequency) * rate + (elapsed % frequency) * rate / frequency;
}
}  // namespace

unsigned output_thread(void*) {
  Playback& state = playback();
  state.threadFinished = false;
  while (!state.stopRequested.load()) {
    uint64_t frames = heard_frames(state);
    int32_t heard = static_cast<int32_t>(frames % static_cast<uint64_t>(state.totalFrames)) / state.segmentFrames;
    while (state.writeSegment != heard) {
      state.mixingSegment = true;
      state.playSegment = (state.playSegment.load() + 1) % state.segmentCount;
      render_segment();
      state.mixingSegment = false;
    }
    os_sleep_ms(5);
  }
  state.threadFinished = true;
  return 0;
}

bool player_start(Module* module) {
  if (!module) return false;
  player_stop(module);
  if (!stream_ops_installed()) return false;
  Playback& state = playback();
  if (!playback_reset(state, module)) return false;
  // Without a device the show still has to move: the music is rendered as usual (the positions
  // come from the same ring) and heard by nobody, at the pace of the monotonic clock.
  state.deviceOpen = wave_device_open(state.rate);
  state.silent = !state.deviceOpen;
  if (!playback_allocate_buffers(state)) {
    player_stop(module);
    return false;
  }
  do {
    render_segment();
  } while (state.writeSegment != 0);
  if (state.silent) {
    if (!os_counter(&state.silentStart)) state.silentStart = 0;
  } else if (!wave_device_play_looping(state.pcm, static_cast<uint32_t>(state.totalFrames) * 4)) {
    player_stop(module);
    return false;
  }
  state.stopRequested = false;
  // Cleared here rather than only by the thread, so a stop that follows before the thread has
  // begun still waits for it.
  state.threadFinished = false;
  state.thread = os_thread_create(output_thread, nullptr);
  if (!state.thread) {
    state.threadFinished = true;
    player_stop(module);
    return false;
  }
  os_thread_set_priority(state.thread, OsThreadPriority::TimeCritical);
  return true;
}

bool player_silent() { return playback().silent; }

bool player_stop(Module* module) {
  if (!module) return false;
  Playback& state = playback();
  state.stopRequested = true;
  while (state.mixingSegment.load()) os_sleep_ms(1);
  if (state.thread) {
    while (!state.threadFinished.load()) os_sleep_ms(10);
    os_thread_join(state.thread);
    state.thread = nullptr;
  }
  if (state.pcm && state.deviceOpen) wave_device_reset();
  playback_free_buffers(state);
  if (state.deviceOpen) {
    wave_device_close();
    state.deviceOpen = false;
  }
  state.silent = false;
  state.writeSegment = 0;
  state.playSegment = 0;
  return true;
}

int player_position(Module* module) {
  if (!module) return 0;
  const Playback& state = playback();
  if (!state.positionRing) return 0;
  // The renderer rewrites an entry only after playSegment has moved past it; if playSegment is
  // unchanged around the read, the entry read is whole.
  for (;;) {
    int32_t segment = state.playSegment.load();
    int32_t entry = position_ring_entry(state, segment);
    if (state.playSegment.load() == segment) return entry;
  }
}

int player_order(Module* module) { return player_position(module) >> 8; }
int player_row(Module* module) { return player_position(module) & 0xFF; }
