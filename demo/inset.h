// The inset: an 80 x 50 thumbnail of the frame (every fourth pixel of every fourth row) copied
// back into it with a one-pixel border. Subtle: the thumbnail is taken whole before it is
// written, since it lands on the area it samples.
#pragma once
#include <cstdint>

constexpr int kInsetWidth = 80;
constexpr int kInsetHeight = 50;

// work: 320 x 200 palette indices, rows of 320. The thumbnail goes to x..x+79, y..y+49 and the
// border (index border) to the rectangle one pixel around it; whatever falls off the frame is
// skipped.
void inset(uint8_t* workPixels, int x, int y, uint8_t border);
