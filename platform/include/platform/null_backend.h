// Controls of the headless null back-end, for tests and the capture tool.
#pragma once
#include <cstdint>

// Null display: the last presented frame and how many frames were presented.
struct NullDisplayInfo {
  bool open;
  bool fullscreen;
  int width, height;
  uint64_t presents;
  uint32_t last_frame_checksum;  // FNV-1a over the last presented pixels
};
NullDisplayInfo null_display_info();
const uint32_t* null_display_last_frame();  // width x height pixels, or null before the first present

// Null display present hook: called on the presenting thread after each present has been kept,
// outside the display's lock, so it may wait for other threads (null: no hook).
using NullPresentHook = void (*)(const uint32_t* pixels);
void null_display_set_present_hook(NullPresentHook hook);

// Null wave device: real time (default) counts bytes by the monotonic clock; stepped counts only
// what the caller adds. null_wave_fail_open makes the next opens fail.
void null_wave_set_stepped(bool stepped);
void null_wave_advance(uint64_t bytes);
void null_wave_fail_open(bool fail);

// Null message loop: a scripted quit after a number of pump calls (0 = never); the error box
// text of the last os_error_box and of the last os_notice.
void null_os_quit_after_pumps(unsigned pumps);
const char* null_os_last_error_box();
const char* null_os_last_notice();

// Null process exit: with a hook set, os_exit_process calls it instead of ending the process. The
// hook must not return (a fuzzer jumps back to its own frame); null restores the plain exit.
using NullExitHook = void (*)(int code);
void null_os_set_exit_hook(NullExitHook hook);
