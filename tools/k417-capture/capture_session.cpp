// Headless, frame-exact run of the show. The tune is rendered in the device's 884-frame segments
// from the start, so segment n is the one a device plays from frame n * 884: the heard position.
// Subtle: the module is made by rendered_show_start rather than by the shell, so no output thread
// ever starts.
#include "capture_session.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "music/playback.h"
#include "music/render.h"
#include "shell/rendered_show.h"
#include "shell/shell.h"

void k417_install_embedded_resources();

namespace {
constexpr int kRate = 44100;

void put16(FILE* f, uint16_t v) { std::fwrite(&v, 2, 1, f); }  // little-endian hosts only
void put32(FILE* f, uint32_t v) { std::fwrite(&v, 4, 1, f); }
}  // namespace

bool CaptureSession::start() {
  k417_install_embedded_resources();
  rendered_show_start(&show_);
  started_ = true;
  return true;
}

void CaptureSession::render_until(size_t segments) {
  Playback& state = playback();
  while (positions_.size() < segments) {
    int32_t segment = state.writeSegment;
    render_segment();
    if (wav_) {
      const int16_t* pcm = render_segment_pcm(segment);
      wavOk_ = wavOk_ && std::fwrite(pcm, 4, static_cast<size_t>(state.segmentFrames), wav_) ==
                             static_cast<size_t>(state.segmentFrames);
      wavFrames_ += static_cast<uint64_t>(state.segmentFrames);
    }
    positions_.push_back(static_cast<uint16_t>(position_ring_entry(state, segment)));
  }
}

bool CaptureSession::frame(long k, int fps, uint32_t* position) {
  uint64_t frames = static_cast<uint64_t>(k) * kRate / static_cast<uint64_t>(fps);
  time_ = static_cast<uint32_t>(static_cast<uint64_t>(k) * 1000u / static_cast<uint64_t>(fps));
  uint16_t now = 0;
  if (show_.module) {
    size_t segment = static_cast<size_t>(frames / static_cast<uint64_t>(playback().segmentFrames));
    render_until(segment + 1);
    now = positions_[segment];
  }
  FrameInfo info{now, lastPosition_, time_};
  lastPosition_ = now;
  *position = now;
  return demo_frame(shell_frame_buffer(), &info);
}

const uint32_t* CaptureSession::pixels() const { return shell_frame_buffer()->pixels; }
int CaptureSession::width() const { return shell_frame_buffer()->width; }
int CaptureSession::height() const { return shell_frame_buffer()->height; }
size_t CaptureSession::pixel_count() const {
  return static_cast<size_t>(width()) * static_cast<size_t>(height());
}

namespace {
bool write_wav_header(FILE* f, uint32_t dataBytes) {
  if (std::fseek(f, 0, SEEK_SET) != 0) return false;
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);
  put16(f, 2);
  put32(f, kRate);
  put32(f, kRate * 4);
  put16(f, 4);
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, dataBytes);
  return !std::ferror(f);
}
}  // namespace

bool CaptureSession::open_wav(const std::string& path) {
  wav_ = std::fopen(path.c_str(), "w+b");
  if (!wav_) return false;
  // Segments rendered before the file was opened are rendered again from a fresh start.
  wavOk_ = write_wav_header(wav_, 0) && positions_.empty();
  return wavOk_;
}

bool CaptureSession::finish_wav(long frameCount, int fps) {
  if (!wav_) return false;
  uint64_t frames = static_cast<uint64_t>(frameCount) * kRate / static_cast<uint64_t>(fps);
  if (show_.module) render_until(static_cast<size_t>(frames / static_cast<uint64_t>(playback().segmentFrames)) + 1);
  // Without a module the tune is silence of the same length.
  static const int16_t silence[2 * 1024] = {};
  while (wavFrames_ < frames && !show_.module) {
    uint64_t n = frames - wavFrames_ < 1024 ? frames - wavFrames_ : 1024;
    wavOk_ = wavOk_ && std::fwrite(silence, 4, static_cast<size_t>(n), wav_) == n;
    wavFrames_ += n;
  }
  bool ok = wavOk_ && write_wav_header(wav_, static_cast<uint32_t>(frames * 4));
  // The file holds whole segments; the part past the last frame is cut off.
  ok = ok && std::fflush(wav_) == 0 && ftruncate(fileno(wav_), static_cast<off_t>(44 + frames * 4)) == 0;
  ok = std::fclose(wav_) == 0 && ok;
  wav_ = nullptr;
  return ok;
}

void CaptureSession::finish() {
  if (!started_) return;
  rendered_show_finish(&show_);
  started_ = false;
}
