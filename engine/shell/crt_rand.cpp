// The classic C runtime linear congruential generator, kept bit-exact on every platform.
#include "shell/crt_rand.h"

namespace {
uint32_t g_state = 1;
constexpr CrtRandJump kStep = crt_rand_jump(1);
}  // namespace

int crt_rand() {
  g_state = g_state * kStep.mul + kStep.add;
  return static_cast<int>(crt_rand_output(g_state));
}

void crt_srand(uint32_t seed) { g_state = seed; }

uint32_t crt_rand_state() { return g_state; }
