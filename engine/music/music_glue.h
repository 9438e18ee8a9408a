// The shell's music: one current module at a time, made from the module bytes, started once on
// the render thread, asked for its position every frame and freed at shutdown.
#pragma once
#include <cstdint>

int music_create(const void* bytes, uint32_t size);  // 0, or 3 when the bytes are no module
void music_start();     // plays it; without a sound device silently on the clock, and says so
int music_position();   // order << 8 | row heard now; 0 without a module
void music_free();
