// The peer rendering: libopenmpt, linear interpolation, default stereo separation and ramping,
// looping for ever like our player, rendered for the song's length and the step that wraps it.
// Subtle: played once, the peer would fade its last steps out; looping keeps the wrap comparable.
// The position is read after each step, i.e. the row of the last tick the step reached.
#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>

#include <cmath>

#include "render_trace.h"

RenderTrace render_peer(const std::vector<uint8_t>& file, bool keepAudio, int solo) {
  RenderTrace trace;
  int error = 0;
  const char* message = nullptr;
  openmpt_module_ext* ext = openmpt_module_ext_create_from_memory(file.data(), file.size(), nullptr, nullptr, nullptr,
                                                                  nullptr, &error, &message, nullptr);
  if (ext == nullptr) {
    trace.error = message ? message : "libopenmpt could not load the file";
    openmpt_free_string(message);
    return trace;
  }
  openmpt_free_string(message);
  openmpt_module* mod = openmpt_module_ext_get_module(ext);
  if (solo >= 0) {
    openmpt_module_ext_interface_interactive interactive{};
    if (openmpt_module_ext_get_interface(ext, LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE, &interactive, sizeof interactive)) {
      int32_t channels = openmpt_module_get_num_channels(mod);
      for (int32_t c = 0; c < channels; ++c) interactive.set_channel_mute_status(ext, c, c != solo);
    }
  }
  openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
  openmpt_module_set_repeat_count(mod, -1);
  double seconds = openmpt_module_get_duration_seconds(mod);
  size_t steps = static_cast<size_t>(std::ceil(seconds * TraceRate / StepFrames)) + 1;
  std::vector<float> buffer(2 * StepFrames);
  for (size_t step = 0; step < steps; ++step) {
    size_t frames = openmpt_module_read_interleaved_float_stereo(mod, TraceRate, StepFrames, buffer.data());
    if (frames < static_cast<size_t>(StepFrames)) break;
    double sum = 0;
    for (float v : buffer) sum += static_cast<double>(v) * v;
    trace.rms.push_back(std::sqrt(sum / buffer.size()));
    if (keepAudio) trace.audio.insert(trace.audio.end(), buffer.begin(), buffer.end());
    trace.positions.push_back(openmpt_module_get_current_order(mod) << 8 | openmpt_module_get_current_row(mod));
  }
  openmpt_module_ext_destroy(ext);
  return trace;
}
