// The classic C runtime linear congruential generator, kept bit-exact on every platform.
#include "shell/crt_rand.h"

namespace {
uint32_t g_state = 1;
}

int crt_rand() {
  g_state = g_state * 214013u + 2531011u;
  return static_cast<int>((g_state >> 16) & 0x7FFF);
}

void crt_srand(uint32_t seed) { g_state = seed; }

uint32_t crt_rand_state() { return g_state; }
