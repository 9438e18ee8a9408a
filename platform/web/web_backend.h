// What the web program's own driver uses of the web back-end beyond the seams: the Web Audio feed
// (the browser gives no thread to loop a device buffer on, so segments are handed over as made).
// Subtle: frames heard never run ahead of what was queued, so a starved page pauses the music.
#pragma once
#include <cstdint>

// Appends stereo frames (left, right, ...) to what plays after everything queued before.
void web_audio_queue(const int16_t* frames, int32_t count);
// Stereo frames the device has played since the last restart (the music the viewer hears).
uint64_t web_audio_frames_heard();
// Drops what is queued and counts from zero again; silence until the next queue.
void web_audio_restart();
