// The overlay's noises, drawing rand exactly as the show always has.
// Subtle: the dense loops step a local copy of the rand state several values at a time with the
// generator's jump-ahead constants (the same values in the same order) and hand it back after.
#include "demo/noise.h"

#include "demo/overlay_line.h"
#include "shell/crt_rand.h"
#include "shell/det_math.h"

namespace {
// The values of several steps come from one state without waiting on each other.
constexpr CrtRandJump kStep[9] = {crt_rand_jump(0), crt_rand_jump(1), crt_rand_jump(2),
                                  crt_rand_jump(3), crt_rand_jump(4), crt_rand_jump(5),
                                  crt_rand_jump(6), crt_rand_jump(7), crt_rand_jump(8)};

inline uint32_t ahead(uint32_t state, int steps) { return state * kStep[steps].mul + kStep[steps].add; }
inline uint32_t output(uint32_t state) { return crt_rand_output(state); }

// r1 x 128 + r2 from the states of two successive draws.
inline uint32_t wide(uint32_t first, uint32_t second) { return (output(first) << 7) + output(second); }

// A local copy of the generator; give it back with crt_srand(state) when done.
struct RandStream {
  uint32_t state;

  int next() {
    state = ahead(state, 1);
    return static_cast<int>(output(state));
  }
  int below(int n) {
    uint32_t first = ahead(state, 1);
    state = ahead(state, 2);
    return static_cast<int>(wide(first, state) % static_cast<uint32_t>(n));
  }
  // One point of speckle or dust: a place below(n), then a value below(128). The value's r1 x 128
  // vanishes modulo 128, so it is the low 7 bits of its second draw; the first is still drawn.
  void point(uint32_t n, uint32_t& place, uint8_t& value) {
    uint32_t s = state;
    state = ahead(s, 4);
    place = wide(ahead(s, 1), ahead(s, 2)) % n;
    value = static_cast<uint8_t>(output(state) & 127);
  }
  // Two points at once from one state, for the dense loop.
  void two_points(uint32_t n, uint32_t& place1, uint8_t& value1, uint32_t& place2, uint8_t& value2) {
    uint32_t s = state;
    state = ahead(s, 8);
    place1 = wide(ahead(s, 1), ahead(s, 2)) % n;
    value1 = static_cast<uint8_t>(output(ahead(s, 4)) & 127);
    place2 = wide(ahead(s, 5), ahead(s, 6)) % n;
    value2 = static_cast<uint8_t>(output(state) & 127);
  }
};
}  // namespace

void noise_speckle(uint8_t* layer) {
  RandStream rand{crt_rand_state()};
  int rows = rand.next() % 20;
  for (int i = 0; i < rows; ++i) {
    int row = rand.below(kOverlayHeight);
    int points = rand.below(200);
    uint8_t* line = layer + row * kOverlayWidth;
    for (int p = 0; p < points; ++p) {
      uint32_t column;
      uint8_t value;
      rand.point(kOverlayWidth, column, value);
      line[column] = static_cast<uint8_t>(128 + value);
    }
  }
  crt_srand(rand.state);
}

void noise_dust(uint8_t* layer) {
  RandStream rand{crt_rand_state()};
  int points = rand.next() % 30000;
  int p = 0;
  for (; p + 2 <= points; p += 2) {
    uint32_t place1, place2;
    uint8_t value1, value2;
    rand.two_points(kOverlayPixels, place1, value1, place2, value2);
    layer[place1] = value1;  // in order: the second point wins when both land on one place
    layer[place2] = value2;
  }
  if (p < points) {
    uint32_t place;
    uint8_t value;
    rand.point(kOverlayPixels, place, value);
    layer[place] = value;
  }
  crt_srand(rand.state);
}

void noise_grid(uint8_t* layer) {
  int angle = crt_rand() % 30;
  int ink = crt_rand() % 255;
  draw_grid(layer, angle, static_cast<uint8_t>(ink));
}

void draw_grid(uint8_t* layer, int angle, uint8_t ink) {
  const float a = static_cast<float>(angle);
  const float s = static_cast<float>(det_sin(a));
  const float c = static_cast<float>(det_cos(a));
  const float spacing = 60.0f + 20.0f * s;
  const float half = 289.0f;
  for (int i = -4; i <= 4; ++i) {
    float o = static_cast<float>(i) * spacing;
    draw_clipped_line(layer, 160 + static_cast<int>(o * c + half * s), 100 + static_cast<int>(o * s - half * c),
                      160 + static_cast<int>(o * c - half * s), 100 + static_cast<int>(o * s + half * c), ink);
  }
  for (int i = -6; i <= 6; ++i) {
    float o = static_cast<float>(i) * spacing;
    draw_clipped_line(layer, 160 + static_cast<int>(-half * c - o * s), 100 + static_cast<int>(o * c - half * s),
                      160 + static_cast<int>(half * c - o * s), 100 + static_cast<int>(half * s + o * c), ink);
  }
}

void add_noise(uint8_t* layer, int noise) {
  switch (noise) {
    case 1: noise_speckle(layer); break;
    case 2: noise_grid(layer); break;
    case 3: noise_dust(layer); break;
    default: break;
  }
}
