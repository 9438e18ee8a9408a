// Engine tables built once before the production starts: one turn of sine and cosine in 1,024
// steps, and the 64 KB lighten table (row n, column j: j + n*(256-j)/256).
#pragma once
#include <cstdint>

extern float SineTable[1024];
extern float CosineTable[1024];
extern uint8_t* LightenTable;

int build_tables();   // 0, or -1 when the lighten table cannot be allocated
void fill_sine_tables();
void free_tables();
