// The player: advances the song one tick at a time and turns channel state into voice settings.
// Runs only on the rendering thread, inside render_segment.
#pragma once
#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

struct Sample;

void process_tick(Module* module);     // the module's tickHandler
void process_row(Module* module);      // first tick of a row, all channels
void process_effects(Module* module);  // later ticks of a row, all channels
void set_bpm(Module* module, int32_t bpm);
int32_t amiga_period(int32_t note, int32_t finetune);
void trigger_instrument(Channel* channel, const Sample* sample);
void update_voice(Channel* channel, const Sample* sample, Module* module);

// Orders the song plays: songLength bounded to the 256-entry order table.
int32_t song_length(const Module* module);
// Rows of the pattern at an order entry; 64 for a pattern the file does not store.
int32_t order_rows(const Module* module, int32_t order);
