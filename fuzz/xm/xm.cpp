// Fuzzes module creation from arbitrary bytes and, for what loads, two seconds of offline
// rendering through the player and mixer: no input may read or write outside its buffers.
#include <cstddef>
#include <cstdint>

#include "music/module.h"
#include "music/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 22)) return 0;
  Module* module = module_create_from_memory(data, static_cast<uint32_t>(size));
  if (!module) return 0;
  if (render_open(module)) {
    for (int segment = 0; segment < 100; ++segment) render_segment();
    render_close();
  }
  module_free(module);
  return 0;
}
