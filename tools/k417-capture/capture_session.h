// The show driven frame by frame without threads or devices: the engine is brought up as the
// shell does it, the tune is rendered segment after segment, and each frame gets the position of
// the segment a device would be playing at its time.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Module;

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
  // The audio heard during the first frames frames (k / fps seconds), as a WAV file.
  bool write_wav(const std::string& path, long frames, int fps);
  void finish();

 private:
  void render_until(size_t segments);
  Module* module_ = nullptr;
  void* moduleBytes_ = nullptr;
  std::vector<int16_t> pcm_;          // every rendered segment, in order
  std::vector<uint16_t> positions_;   // position recorded for each rendered segment
  uint16_t lastPosition_ = 0xFFFF;
  uint32_t time_ = 0;
  bool started_ = false;
};
