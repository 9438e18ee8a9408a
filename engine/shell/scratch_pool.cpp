// The scratch pool: one block and its size; this production never asks for one.
#include "shell/scratch_pool.h"

#include <cstdlib>

#include "shell/shell.h"

namespace {
struct ScratchPool {
  void* block = nullptr;
  uint32_t size = 0;
  uint32_t used = 0;
};
ScratchPool g_pool;
}  // namespace

bool scratch_pool_create(uint32_t size) {
  g_pool.block = std::malloc(size);
  if (!g_pool.block) fatal_error("Can't allocate scratch pool!");
  g_pool.size = size;
  g_pool.used = 0;
  return true;
}

void scratch_pool_free() {
  std::free(g_pool.block);
  g_pool = ScratchPool{};
}

uint32_t scratch_pool_size() { return g_pool.size; }
