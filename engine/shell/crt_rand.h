// The project's rand: the classic C runtime generator, so every platform draws the same numbers.
// state = state * 214013 + 2531011; result (state >> 16) & 0x7FFF; seed 1. Never reseeded by the show.
#pragma once
#include <cstdint>

int crt_rand();                 // 0..32767
void crt_srand(uint32_t seed);  // for tests and tools; the show keeps the default seed
// The generator's state: hot loops step a local copy and hand it back with crt_srand, which
// keeps the one shared sequence.
uint32_t crt_rand_state();
