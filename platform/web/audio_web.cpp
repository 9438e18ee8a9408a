// The Web Audio feed's C side: thin calls into the JavaScript half (library_web.js), which owns
// the AudioContext, its worklet node and the count of frames played.
// Subtle: the count comes back as a double, exact for every frame count below 2^53.
#include "web_backend.h"

extern "C" {
void k417_web_audio_queue(const int16_t* frames, int32_t count);
double k417_web_audio_heard();
void k417_web_audio_restart();
}

void web_audio_queue(const int16_t* frames, int32_t count) {
  if (frames && count > 0) k417_web_audio_queue(frames, count);
}

uint64_t web_audio_frames_heard() {
  double heard = k417_web_audio_heard();
  return heard > 0 ? static_cast<uint64_t>(heard) : 0;
}

void web_audio_restart() { k417_web_audio_restart(); }
