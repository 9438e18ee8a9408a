// The web show's frames and segments: start-up in the shell's order with the module made for us,
// segments rendered on demand (offline) or a lead ahead of the audio count (live).
// Subtle: crt_rand is reseeded at each start, so a show played again draws what the first did.
#include "web_show.h"

#include "k417_embedded.h"
#include "music/module.h"
#include "music/playback.h"
#include "music/render.h"
#include "shell/crt_rand.h"
#include "shell/fnv1a.h"
#include "shell/rendered_show.h"
#include "shell/shell.h"
#include "web_backend.h"

namespace {
constexpr uint64_t kRate = 44100;
}  // namespace

bool WebShow::start() {
  crt_srand(1);
  rendered_show_start(&show_);
  segments_ = 0;
  heard_ = 0;
  pcmHash_ = kFnv1aBasis;
  lastPosition_ = 0xFFFF;
  time_ = 0;
  live_ = false;
  started_ = true;
  return true;
}

void WebShow::finish() {
  if (!started_) return;
  if (live_) web_audio_restart();
  live_ = false;
  rendered_show_finish(&show_);
  started_ = false;
}

void WebShow::render_until(uint64_t segments) {
  if (!show_.module) return;
  Playback& state = playback();
  while (segments_ < segments) {
    int32_t segment = state.writeSegment;
    render_segment();
    const int16_t* pcm = render_segment_pcm(segment);
    pcmHash_ = fnv1a(pcm, static_cast<size_t>(state.segmentFrames) * 4, pcmHash_);
    if (live_) web_audio_queue(pcm, state.segmentFrames);
    positions_[segments_ % kRing] = static_cast<uint16_t>(position_ring_entry(state, segment));
    ++segments_;
  }
}

bool WebShow::frame_at(uint64_t heardFrames, uint32_t timeMs) {
  uint16_t now = 0;
  if (show_.module) {
    uint64_t segment = heardFrames / static_cast<uint64_t>(playback().segmentFrames);
    render_until(segment + 1);
    now = positions_[segment % kRing];
  }
  heard_ = heardFrames;
  time_ = timeMs;
  FrameInfo info{now, lastPosition_, timeMs};
  lastPosition_ = now;
  return demo_frame(shell_frame_buffer(), &info);
}

void WebShow::present() const { display_present(shell_frame_buffer()->pixels); }

bool WebShow::offline_frame(long k, int fps) {
  uint64_t frames = static_cast<uint64_t>(k) * kRate / static_cast<uint64_t>(fps);
  auto ms = static_cast<uint32_t>(static_cast<uint64_t>(k) * 1000u / static_cast<uint64_t>(fps));
  return frame_at(frames, ms);
}

void WebShow::begin_live(double nowMs) {
  web_audio_restart();
  live_ = true;
  liveStartMs_ = nowMs - time_;  // the clock goes on from the last frame's time
  // What was rendered for the frames before the start is still in the engine's PCM ring.
  Playback& state = playback();
  if (show_.module && segments_ <= static_cast<uint64_t>(state.segmentCount)) {
    for (uint64_t s = 0; s < segments_; ++s) web_audio_queue(render_segment_pcm(static_cast<int32_t>(s)), state.segmentFrames);
  }
}

bool WebShow::live_frame(double nowMs) {
  uint64_t heard = web_audio_frames_heard();
  if (show_.module) render_until(heard / static_cast<uint64_t>(playback().segmentFrames) + 1 + kLeadSegments);
  double elapsed = nowMs - liveStartMs_;
  if (!frame_at(heard, elapsed > 0 ? static_cast<uint32_t>(elapsed) : 0)) return false;
  present();
  return true;
}

void WebShow::seek(int order) {
  if (!show_.module || order < 0 || order >= show_.module->songLength) return;
  show_.module->nextOrder = order;
  show_.module->nextRow = 0;
}

uint64_t WebShow::pcm_frames() const { return segments_ * static_cast<uint64_t>(playback().segmentFrames); }

uint32_t WebShow::frame_checksum() const {
  const FrameBuffer* frame = shell_frame_buffer();
  if (!frame->pixels) return 0;
  return fnv1a(frame->pixels, static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 4);
}
