// Creating a Module from bytes in memory and freeing it again, plus the shared empty records.
// Freeing the playing module first waits for the segment being mixed and stops playback.
#include "music/module.h"

#include <cstdlib>

#include "music/output.h"
#include "music/playback.h"
#include "music/stream.h"
#include "music/xm_loader.h"
#include "platform/os.h"

namespace {
constexpr Instrument make_empty_instrument() {
  Instrument instrument{};
  for (Sample*& sample : instrument.samples) sample = &EmptySample;
  return instrument;
}
}  // namespace

Sample EmptySample{};
// Zero-filled but for its sample slots, which lead to EmptySample rather than to null.
Instrument EmptyInstrument = make_empty_instrument();

Module* module_create_from_memory(const void* data, uint32_t size) {
  if (!data || size == 0) return nullptr;
  MemoryStream stream{static_cast<int32_t>(size > 0x7FFFFFFFu ? 0x7FFFFFFFu : size), 0,
                      static_cast<const uint8_t*>(data)};
  stream_ops_install(&memory_stream_ops());
  Module* module = static_cast<Module*>(std::calloc(1, sizeof(Module)));
  if (!module) return nullptr;
  void* handle = stream_open(&stream);
  bool loaded = handle && xm_load(module, handle);
  stream_close(handle);
  if (!loaded) {
    module_free(module);
    return nullptr;
  }
  module->row = 0;
  module->order = 0;
  return module;
}

bool module_free(Module* module) {
  if (!module) return false;
  Playback& state = playback();
  if (state.module == module) {
    while (state.mixingSegment.load()) os_sleep_ms(1);
    player_stop(module);
  }
  if (module->instruments) {
    for (int i = 0; i < module->instrumentCount; ++i) {
      Instrument& instrument = module->instruments[i];
      for (int s = 0; s < instrument.sampleCount && s < 16; ++s) {
        Sample* sample = instrument.samples[s];
        if (sample && sample != &EmptySample) {
          std::free(sample->data);
          std::free(sample);
        }
      }
    }
    std::free(module->instruments);
  }
  if (module->patterns) {
    for (int p = 0; p < module->patternSlots; ++p) std::free(module->patterns[p].cells);
    std::free(module->patterns);
  }
  std::free(module);
  return true;
}
