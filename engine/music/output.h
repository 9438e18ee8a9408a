// Wave output: one looping two-second PCM buffer on the wave device, re-rendered segment by
// segment by a time-critical output thread, and the music position of the segment being heard.
#pragma once
#include <cstdint>

struct Module;

bool player_start(Module* module);  // false for null, without stream operations, or no device
bool player_stop(Module* module);   // false for null; safe when stopped or just started
int player_order(Module* module);   // order byte of the heard segment's ring entry; 0 without a ring
int player_row(Module* module);
int player_position(Module* module);  // order << 8 | row from one consistent ring entry
unsigned output_thread(void* unused);
