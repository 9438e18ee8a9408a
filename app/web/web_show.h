// The show in a page, without threads: the engine brought up as the capture tool does it, the
// tune rendered in the device's 884-frame segments just ahead of what Web Audio has played, and
// each frame given the position of the segment being heard.
// Subtle: segment n starts at frame n * 884 of the tune in both modes, so a frame at the same
// heard frame count gets the same position live, offline and in the capture tool.
#pragma once
#include <cstdint>

#include "shell/fnv1a.h"
#include "shell/rendered_show.h"

class WebShow {
 public:
  bool start();   // engine, tune and production up (fatal errors end the program with a message)
  void finish();  // everything released; start may follow (the show from its beginning again)

  // Offline, as the capture tool numbers frames: frame k gets time k * 1000 / fps ms and the
  // position heard after k / fps seconds. No sound is queued and nothing is drawn to the page
  // until present. False when the show has ended.
  bool offline_frame(long k, int fps);
  void present() const;  // the last frame made, to the page

  // Live: the segments rendered so far are queued and the device's count restarts from zero.
  void begin_live(double nowMs);
  // Queues segments up to the lead past what is heard and draws the frame heard now (presented).
  bool live_frame(double nowMs);
  // The player continues at the start of an order from the next row (tests and skipping ahead).
  void seek(int order);

  uint16_t position() const { return lastPosition_; }
  uint64_t heard_frames() const { return heard_; }
  uint32_t frame_checksum() const;        // FNV-1a over the frame's bytes, as the capture tool prints
  uint32_t pcm_checksum() const { return pcmHash_; }  // FNV-1a over every PCM byte rendered
  uint64_t pcm_frames() const;
  bool started() const { return started_; }

 private:
  static constexpr int kRing = 128;          // positions kept; far more than the lead
  static constexpr int kLeadSegments = 10;   // 200 ms queued ahead of what is heard
  void render_until(uint64_t segments);
  bool frame_at(uint64_t heardFrames, uint32_t timeMs);

  RenderedShow show_;
  uint16_t positions_[kRing] = {};  // position after rendering segment n, at n % kRing
  uint64_t segments_ = 0;           // rendered since start
  uint64_t heard_ = 0;
  uint32_t pcmHash_ = kFnv1aBasis;
  uint16_t lastPosition_ = 0xFFFF;
  uint32_t time_ = 0;
  double liveStartMs_ = 0;
  bool live_ = false;
  bool started_ = false;
};
