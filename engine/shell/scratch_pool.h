// The optional scratch pool: one heap block whose size the production sets; none by default.
#pragma once
#include <cstdint>

bool scratch_pool_create(uint32_t size);  // fatal "Can't allocate scratch pool!" on failure
void scratch_pool_free();
uint32_t scratch_pool_size();
