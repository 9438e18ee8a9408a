// The byte-wise stream cipher of scrambled pak archives.
// The state feeds on the scrambled bytes, so any split of a sequence into calls gives one result.
#pragma once
#include <cstdint>

struct ScrambleState {
  uint8_t table[256];
  uint8_t previous;  // A: the last scrambled byte seen
  uint8_t counter;   // B
};

void scramble_reset(ScrambleState* state);  // the key table, A = B = 0
void descramble(void* buffer, uint32_t length, ScrambleState* state);
void scramble(void* buffer, uint32_t length, ScrambleState* state);  // the inverse, for writers
