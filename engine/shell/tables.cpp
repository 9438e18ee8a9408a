// Sine, cosine and lighten tables. The angle i * pi / 512 uses single-precision pi (0x40490FDB);
// formed in double it is exact (24-bit pi times a 10-bit index), so no extended type is needed.
#include "shell/tables.h"

#include <cstdlib>

#include "shell/det_math.h"

float SineTable[1024];
float CosineTable[1024];
uint8_t* LightenTable = nullptr;

void fill_sine_tables() {
  const float pi = 3.14159265358979f;  // rounds to 0x40490FDB
  for (int i = 0; i < 1024; ++i) {
    double angle = static_cast<double>(i) * static_cast<double>(pi) / 512.0;
    SineTable[i] = static_cast<float>(det_sin(angle));
    CosineTable[i] = static_cast<float>(det_cos(angle));
  }
}

int build_tables() {
  fill_sine_tables();
  std::free(LightenTable);
  LightenTable = static_cast<uint8_t*>(std::malloc(65536));
  if (!LightenTable) return -1;
  for (int n = 0; n < 256; ++n) {
    int accumulator = 256 * n;
    for (int j = 0; j < 256; ++j) {
      LightenTable[n * 256 + j] = static_cast<uint8_t>(j + accumulator / 256);
      accumulator -= n;
    }
  }
  return 0;
}

void free_tables() {
  std::free(LightenTable);
  LightenTable = nullptr;
}
