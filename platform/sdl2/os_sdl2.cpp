// The SDL2 program's main loop, close request and error box (threads, clock and paths are POSIX).
// Subtle: a close request is a flag plus an event that wakes the loop, so it also works before the
// display exists or after it is gone; the error box is printed first and shown where there is a screen.
#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "platform/os.h"
#include "sdl2_display.h"

namespace {
std::atomic<bool> g_closeRequested{false};
std::atomic<Uint32> g_closeEvent{0};  // registered on the main thread once the events subsystem is up

bool events_ready() { return SDL_WasInit(SDL_INIT_EVENTS) != 0; }

void register_close_event() {
  if (g_closeEvent.load() == 0) g_closeEvent = SDL_RegisterEvents(1);
}

// One event through the display; true when the window is closed (the quit that ends the loop).
// The close event only wakes the loop: the flag is the request, so an event left in the queue
// after its request was taken (SDL delivers events pushed while polling on the next poll) is inert.
bool dispatch(const SDL_Event& event) {
  if (g_closeEvent.load() != 0 && event.type == g_closeEvent.load()) return false;
  return sdl2_display_handle_event(event);
}

bool take_close_request() { return g_closeRequested.exchange(false); }
}  // namespace

void os_error_box(const char* caption, const char* message) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", message ? message : "");
  std::fflush(stderr);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption ? caption : "", message ? message : "", nullptr);
}

void os_notice(const char* message) {
  std::fprintf(stderr, "%s\n", message ? message : "");
  std::fflush(stderr);
}

void os_exit_process(int code) {
  std::fflush(nullptr);
  _exit(code);
}

void os_run_message_loop() {
  for (;;) {
    if (take_close_request()) break;
    if (!events_ready()) {
      os_sleep_ms(10);
      continue;
    }
    register_close_event();
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, 100) && dispatch(event)) break;
  }
  sdl2_display_release_waiters();
}

void os_post_close() {
  g_closeRequested = true;
  Uint32 type = g_closeEvent.load();
  if (events_ready() && type != 0 && type != static_cast<Uint32>(-1)) {
    SDL_Event event{};
    event.type = type;
    SDL_PushEvent(&event);
  }
}

bool os_pump_messages() {
  if (!events_ready()) return take_close_request();
  register_close_event();
  SDL_Event event;
  bool quit = false;
  while (!quit && SDL_PollEvent(&event)) quit = dispatch(event);
  return take_close_request() || quit;
}
