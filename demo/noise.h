// The three noises an overlay can add to its layer: speckle rows, a rotated grid and dust.
// Subtle: random below(n) here is (r1 x 128 + r2) mod n from two rand values, r1 first, for a
// range wider than one rand; the layer is the 320 x 200 overlay layer, rows of 320.
#pragma once
#include <cstdint>

// Noise 1: n = rand % 20 rows at random below(200), each with random below(200) points of value
// 128 + random below(128) at column random below(320).
void noise_speckle(uint8_t* layer);
// Noise 2: angle = rand % 30 radians, ink = rand % 255, then the grid.
void noise_grid(uint8_t* layer);
// Noise 3: n = rand % 30000 points at random below(64000) with value random below(128).
void noise_dust(uint8_t* layer);
// Noise 0 adds nothing; other values than 0-3 add nothing either.
void add_noise(uint8_t* layer, int noise);

// The rotated grid: spacing 60 + 20 sin a, 9 lines across one direction and 13 across the
// other, each 2 x 289 long about the centre (160, 100), single precision.
void draw_grid(uint8_t* layer, int angle, uint8_t ink);
