// A test production for the platform back-ends: moving colour bars and a music-position strip,
// drawn through the real shell, so the window, full screen, keys, sound and error paths can be
// checked end to end before (and apart from) the real show.
// Options: --module NAME (play a tune from the archive), --frames N (end the show after N frames),
// --log FILE (a line a second and one at shutdown), --fail-in-frame N (a fatal error on the render thread).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/display.h"
#include "image/bitmap.h"
#include "platform/os.h"
#include "shell/command_line.h"
#include "shell/shell.h"

namespace {
struct Testcard {
  const char* moduleName = nullptr;
  unsigned frameLimit = 0;  // 0: until Escape or the window closes
  unsigned failFrame = 0;   // 0: never
  FILE* log = nullptr;
  unsigned frames = 0;
  uint32_t nextLogTime = 0;
  uint16_t firstPosition = 0;
  uint16_t lastPosition = 0;
};
Testcard g_card;

// Eight bars: white, yellow, cyan, green, magenta, red, blue, grey (no black, so a black screen is a fault).
constexpr uint32_t kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x808080};

void log_line(const char* format, unsigned a, unsigned b, unsigned c) {
  if (!g_card.log) return;
  std::fprintf(g_card.log, format, a, b, c);
  std::fflush(g_card.log);
}

void read_options() {
  for (int i = 1; i + 1 < command_line_count(); ++i) {
    const char* option = command_line_argument(i);
    const char* value = command_line_argument(i + 1);
    if (std::strcmp(option, "--module") == 0) {
      g_card.moduleName = value;
    } else if (std::strcmp(option, "--frames") == 0) {
      g_card.frameLimit = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    } else if (std::strcmp(option, "--fail-in-frame") == 0) {
      g_card.failFrame = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    } else if (std::strcmp(option, "--log") == 0 && !g_card.log) {
      g_card.log = std::fopen(value, "w");
    } else {
      continue;
    }
    ++i;
  }
}
}  // namespace

void demo_configure(DemoConfig* config) {
  read_options();
  config->title = "K417 testcard";
  config->archiveName = "k417.pak";
  config->moduleName = g_card.moduleName;
  config->icon = display_load_app_icon();
}

bool demo_init(DemoConfig*) {
  // A few loading steps, so the progress bar and the message pump during loading are exercised.
  for (int step = 1; step <= 4; ++step) {
    os_sleep_ms(60);
    report_progress(step * 0.25f);
  }
  log_line("init %u %u %u\n", 0, 0, 0);
  return true;
}

bool demo_frame(FrameBuffer* frame, FrameInfo* info) {
  if (g_card.frameLimit != 0 && g_card.frames >= g_card.frameLimit) return false;
  ++g_card.frames;
  if (g_card.failFrame != 0 && g_card.frames == g_card.failFrame)
    fatal_error("Testcard failure in frame %u.", g_card.frames);
  if (g_card.frames == 1) g_card.firstPosition = info->position;
  g_card.lastPosition = info->position;

  Bitmap32 bitmap{frame->pixels, frame->width, frame->height, frame->pitch};
  const int32_t barWidth = frame->width / 8 > 0 ? frame->width / 8 : 1;
  const int32_t shift = static_cast<int32_t>((info->time / 10) % static_cast<uint32_t>(frame->width));
  const int32_t barsHeight = frame->height * 3 / 4;
  for (int32_t x = 0; x < frame->width; ++x) {
    uint32_t colour = kBars[((x + shift) / barWidth) % 8];
    fill_rect(bitmap, x, 0, 1, barsHeight, colour);
  }
  // The strip below: the row of the music (0..255) as a white bar on dark blue, the order as ticks.
  fill_rect(bitmap, 0, barsHeight, frame->width, frame->height - barsHeight, 0x000040);
  const int32_t row = info->position & 0xFF;
  const int32_t order = info->position >> 8;
  fill_rect(bitmap, 0, barsHeight + 4, row * frame->width / 256, 8, 0xFFFFFF);
  for (int32_t i = 0; i < order && i * 6 < frame->width; ++i) fill_rect(bitmap, i * 6, barsHeight + 16, 4, 8, 0xFFFF00);

  if (info->time >= g_card.nextLogTime) {
    log_line("time %u position %u frames %u\n", info->time, info->position, g_card.frames);
    g_card.nextLogTime = info->time + 1000;
  }
  return true;
}

void demo_shutdown() {
  log_line("shutdown frames %u first %u last %u\n", g_card.frames, g_card.firstPosition, g_card.lastPosition);
  if (g_card.log) std::fclose(g_card.log);
  g_card.log = nullptr;
}
