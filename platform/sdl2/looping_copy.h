// The SDL2 wave device's copy out of the looping PCM buffer: the audio callback asks for any
// number of bytes and the play cursor wraps at the buffer's end, as winmm's looping header does.
// Subtle: plain C++ without SDL, so the wrap is tested natively.
#pragma once
#include <cstdint>
#include <cstring>

// Copies count bytes from the loop at *cursor into out, wrapping; advances *cursor. An empty loop
// gives silence (zero bytes).
inline void copy_from_loop(uint8_t* out, uint32_t count, const uint8_t* loop, uint32_t loopBytes, uint32_t* cursor) {
  if (!loop || loopBytes == 0) {
    std::memset(out, 0, count);
    return;
  }
  if (*cursor >= loopBytes) *cursor = 0;
  while (count > 0) {
    uint32_t run = loopBytes - *cursor;
    if (run > count) run = count;
    std::memcpy(out, loop + *cursor, run);
    out += run;
    count -= run;
    *cursor += run;
    if (*cursor == loopBytes) *cursor = 0;
  }
}
