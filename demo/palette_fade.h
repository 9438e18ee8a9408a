// Whole-screen fades done on the palette: entries first..last of current are written from source.
// Subtle: the level is clamped to 0..63, so full white and full brightness are never reached.
#pragma once
#include <cstdint>

// current = source * level / 64 per component.
void fade_to_black(int first, int last, const uint8_t* source, int level, uint8_t* current);
// current = s + (255 - s) * level / 64 per component s of source.
void fade_to_white(int first, int last, const uint8_t* source, int level, uint8_t* current);
