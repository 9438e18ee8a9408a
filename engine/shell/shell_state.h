// The shell's one instance, shared by its own files only (start-up, fatal error, progress).
#pragma once
#include "platform/os.h"
#include "shell/shell.h"

struct ShellState {
  DemoConfig config;
  FrameBuffer frame;
  FrameInfo info;
  volatile uint32_t flags;  // a plain word read and written by the main and render threads
  void* moduleBytes;
  OsEvent* stopEvent;
  OsThread* renderThread;
  char* deferredError;
  uint64_t clockStart;
};

ShellState& shell_state();
bool shell_module_exists();   // (flags & 0x0A) != 0
void shell_release_music();
void shell_mark_render_thread();  // called first on the render thread   // music_free, module bytes freed, 0x02 and 0x08 cleared
