// Headless main loop, error box and process exit: the loop waits for a close request; the box
// prints and is remembered so tests can read it. A scripted quit lets tests end loading after some
// pumps; an exit hook lets a fuzzer take back control where the process would end.
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/null_backend.h"
#include "platform/os.h"

namespace {
struct NullLoop {
  std::mutex lock;
  std::condition_variable wake;
  bool closeRequested = false;
  unsigned quitAfterPumps = 0;
  unsigned pumps = 0;
  std::string lastErrorBox;
  std::string lastNotice;
};
NullLoop g_loop;
NullExitHook g_exitHook = nullptr;
}  // namespace

void os_exit_process(int code) {
  if (g_exitHook) g_exitHook(code);  // does not return; ending the process stays the fallback
  std::fflush(nullptr);
  _exit(code);
}

void null_os_set_exit_hook(NullExitHook hook) { g_exitHook = hook; }

void os_error_box(const char* caption, const char* message) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", message ? message : "");
  std::fflush(stderr);
  std::lock_guard<std::mutex> guard(g_loop.lock);
  g_loop.lastErrorBox = message ? message : "";
}

void os_notice(const char* message) {
  std::fprintf(stderr, "%s\n", message ? message : "");
  std::fflush(stderr);
  std::lock_guard<std::mutex> guard(g_loop.lock);
  g_loop.lastNotice = message ? message : "";
}

void os_run_message_loop() {
  std::unique_lock<std::mutex> guard(g_loop.lock);
  g_loop.wake.wait(guard, [] { return g_loop.closeRequested; });
  g_loop.closeRequested = false;
}

void os_post_close() {
  std::lock_guard<std::mutex> guard(g_loop.lock);
  g_loop.closeRequested = true;
  g_loop.wake.notify_all();
}

bool os_pump_messages() {
  std::lock_guard<std::mutex> guard(g_loop.lock);
  ++g_loop.pumps;
  bool quit = g_loop.closeRequested || (g_loop.quitAfterPumps != 0 && g_loop.pumps >= g_loop.quitAfterPumps);
  g_loop.closeRequested = false;
  return quit;
}

void null_os_quit_after_pumps(unsigned pumps) {
  std::lock_guard<std::mutex> guard(g_loop.lock);
  g_loop.quitAfterPumps = pumps;
  g_loop.pumps = 0;
}

const char* null_os_last_error_box() { return g_loop.lastErrorBox.c_str(); }
const char* null_os_last_notice() { return g_loop.lastNotice.c_str(); }
