// The show driven frame by frame without threads or devices: the engine is brought up as the
// shell does it, the tune is rendered segment after segment, and each frame gets the position of
// the segment a device would be playing at its time.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/rendered_show.h"

class CaptureSession {
 public:
  bool start();  // false (with a message) when the engine or the production cannot start
  // Runs demo_frame for frame k at fps; false when the show has ended.
  bool frame(long k, int fps, uint32_t* position);
  const uint32_t* pixels() const;
  int width() const;
  int height() const;
  size_t pixel_count() const;
  uint32_t time_ms() const { return time_; }
  // Streams the audio heard into a WAV file as segments are rendered; finish_wav cuts it to
  // the first frames frames (k / fps seconds) and completes the header.
  bool open_wav(const std::string& path);
  bool finish_wav(long frames, int fps);
  void finish();

 private:
  void render_until(size_t segments);
  RenderedShow show_;
  FILE* wav_ = nullptr;               // the audio so far, when a WAV is asked for
  uint64_t wavFrames_ = 0;
  bool wavOk_ = true;
  std::vector<uint16_t> positions_;   // position recorded for each rendered segment
  uint16_t lastPosition_ = 0xFFFF;
  uint32_t time_ = 0;
  bool started_ = false;
};
