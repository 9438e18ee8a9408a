// The shell's one instance, shared by its own files only (start-up, fatal error, progress).
// Subtle: flags is a plain word both threads touch; each writer sets or clears its own bits.
#pragma once
#include "music/music_glue.h"
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
bool shell_module_exists();       // a module is loaded or its music started (ModuleLoaded, MusicStarted)
void shell_release_music();       // music_free, the module bytes freed, both flags cleared
void shell_mark_render_thread();  // called first on the render thread
