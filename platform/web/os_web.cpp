// The web program's error box, notices, process exit and main-loop primitives; threads, clock and
// paths are POSIX. Messages go to the page (and to the console, like stderr elsewhere).
// Subtle: the browser owns the loop, so the message loop returns at once and a close request is
// only a flag the program's own driver and the loading pumps read.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "platform/os.h"

extern "C" {
void k417_web_message(int kind, const char* caption, const char* text);  // 0 notice, 1 error
void k417_web_stopped(int code);
}

namespace {
bool g_closeRequested = false;
}

void os_error_box(const char* caption, const char* message) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", message ? message : "");
  k417_web_message(1, caption ? caption : "", message ? message : "");
}

void os_notice(const char* message) {
  std::fprintf(stderr, "%s\n", message ? message : "");
  k417_web_message(0, "", message ? message : "");
}

void os_exit_process(int code) {
  std::fflush(nullptr);
  emscripten_cancel_main_loop();
  k417_web_stopped(code);
  // Unwinds out of whatever JavaScript called in; the page keeps what it shows.
  emscripten_force_exit(code);
  __builtin_unreachable();
}

void os_run_message_loop() {}

void os_post_close() { g_closeRequested = true; }

bool os_pump_messages() {
  bool quit = g_closeRequested;
  g_closeRequested = false;
  return quit;
}
