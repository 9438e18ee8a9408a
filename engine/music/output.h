// Wave output: one looping two-second PCM buffer on the wave device, re-rendered segment by
// segment by a time-critical output thread, and the music position of the segment being heard.
#pragma once
#include <cstdint>

struct Module;

// False for null or without stream operations. Without a wave device it plays silently on the
// monotonic clock (player_silent), so positions move as they would with sound.
bool player_start(Module* module);
bool player_silent();               // the playing module has no device to be heard on
bool player_stop(Module* module);   // false for null; safe when stopped or just started
int player_order(Module* module);   // order byte of the heard segment's ring entry; 0 without a ring
int player_row(Module* module);
int player_position(Module* module);  // order << 8 | row from one consistent ring entry
unsigned output_thread(void* unused);
