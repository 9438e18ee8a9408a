// Loading progress: the default bar, presenting it and keeping the window responsive.
// Subtle: 0.03 is the single-precision 0.029999999, so a 200-line frame gets a 5-line bar.
#include <cmath>

#include "image/bitmap.h"
#include "platform/os.h"
#include "shell/shell.h"

void draw_progress_bar(FrameBuffer* frame, float fraction) {
  Bitmap32 bitmap{frame->pixels, frame->width, frame->height, frame->pitch};
  if (!shell_config()->progressOverlay) clear(bitmap, 0);
  const float barFactor = 0.03f;
  // Both products are exact in double (24-bit float times an integer below 2^24).
  auto barHeight = static_cast<uint32_t>(static_cast<double>(static_cast<uint32_t>(frame->height)) * barFactor);
  auto barWidth = static_cast<uint32_t>(static_cast<double>(static_cast<uint32_t>(frame->width)) * fraction);
  uint32_t top = (static_cast<uint32_t>(frame->height) - barHeight) >> 1;
  fill_rect(bitmap, 0, static_cast<int32_t>(top), static_cast<int32_t>(barWidth), static_cast<int32_t>(barHeight),
            0xFFFFFFFFu);
}

void pump_messages() {
  if (os_pump_messages()) {
    system_shutdown();
    os_exit_process(0);
  }
}

void report_progress(float fraction) {
  if (!(shell_flags() & DisplayOpen)) {
    display_init(shell_config());
    fill_frame_buffer();
  }
  if (!(fraction > 0.0f)) fraction = std::isnan(fraction) ? 1.0f : 0.0f;
  else if (fraction >= 1.0f) fraction = 1.0f;
  if (shell_config()->progress) shell_config()->progress(shell_frame_buffer(), fraction);
  display_present(shell_frame_buffer()->pixels);
  pump_messages();
}
