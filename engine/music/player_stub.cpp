// Temporary stand-in until the player lands: ticks only keep time.
#include "music/player.h"

#include "music/playback.h"

void process_tick(Module* module) {
  if (++module->tick >= module->speed + module->patternDelayTicks) {
    module->patternDelayTicks = 0;
    module->tick = 0;
  }
}
void process_row(Module*) {}
void process_effects(Module*) {}
void set_bpm(Module* module, int32_t bpm) {
  module->bpm = bpm;
  if (bpm > 0) module->samplesPerTick = 110250 / bpm;
}
int32_t amiga_period(int32_t, int32_t) { return 0; }
void trigger_instrument(Channel*, const Sample*) {}
void update_voice(Channel*, const Sample*, Module*) {}
