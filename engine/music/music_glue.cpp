// The shell's music glue over the module loader and the wave output.
// Subtle: a second create frees the first, so the glue never holds two modules.
#include "music/music_glue.h"

#include "music/module.h"
#include "music/output.h"
#include "platform/os.h"

namespace {
Module* current = nullptr;  // the one current module of the process
}  // namespace

int music_create(const void* bytes, uint32_t size) {
  if (current) music_free();  // a second create replaces the first instead of leaking it
  current = module_create_from_memory(bytes, size);
  return current ? 0 : 3;
}

void music_start() {
  if (!current || !player_start(current)) return;
  if (player_silent()) os_notice("No sound device could be opened: the show plays without sound.");
}

int music_position() { return current ? player_position(current) : 0; }

void music_free() {
  if (!current) return;
  module_free(current);
  current = nullptr;
}
