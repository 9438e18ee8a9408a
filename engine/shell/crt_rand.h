// The project's rand: the classic C runtime generator, so every platform draws the same numbers.
// state = state * 214013 + 2531011; result (state >> 16) & 0x7FFF; seed 1. Never reseeded by the show.
#pragma once
#include <cstdint>

// The generator's step and output. k steps at once are again one multiply and one add
// (crt_rand_jump), so hot loops can work out several values from one state without waiting.
struct CrtRandJump {
  uint32_t mul, add;
};
constexpr CrtRandJump crt_rand_jump(int steps) {
  CrtRandJump j{1u, 0u};
  for (int i = 0; i < steps; ++i) j = CrtRandJump{j.mul * 214013u, j.add * 214013u + 2531011u};
  return j;
}
constexpr uint32_t crt_rand_output(uint32_t state) { return (state >> 16) & 0x7FFF; }

int crt_rand();                 // 0..32767
void crt_srand(uint32_t seed);  // for tests and tools; the show keeps the default seed
// The generator's state: hot loops step a local copy and hand it back with crt_srand, which
// keeps the one shared sequence.
uint32_t crt_rand_state();
