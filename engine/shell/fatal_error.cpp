// The shell's state and its one fatal-error path.
// Subtle: on the render thread the message is deferred and all release work is left to main.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/shell_state.h"

namespace {
ShellState g_shell;
// Set by the render thread itself: its handle is stored by the main thread only after the
// thread may already be running, so the handle cannot tell a fatal error where it came from.
thread_local bool t_onRenderThread = false;
}  // namespace

void shell_mark_render_thread() { t_onRenderThread = true; }

ShellState& shell_state() { return g_shell; }
DemoConfig* shell_config() { return &g_shell.config; }
FrameBuffer* shell_frame_buffer() { return &g_shell.frame; }
uint32_t shell_flags() { return g_shell.flags; }
void shell_reset_for_tests() { g_shell = ShellState{}; }

bool shell_module_exists() { return (g_shell.flags & (ModuleLoaded | MusicStarted)) != 0; }

void shell_release_music() {
  music_free();
  std::free(g_shell.moduleBytes);
  g_shell.moduleBytes = nullptr;
  g_shell.flags &= ~static_cast<uint32_t>(ModuleLoaded | MusicStarted);
}

void fatal_error(const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);  // longer messages are truncated
  va_end(args);

  if ((g_shell.flags & RenderRunning) && t_onRenderThread) {
    size_t length = std::strlen(message);
    g_shell.deferredError = static_cast<char*>(std::malloc(length + 1));
    if (g_shell.deferredError) std::memcpy(g_shell.deferredError, message, length + 1);
    g_shell.flags &= ~static_cast<uint32_t>(RenderRunning);
    os_post_close();
    os_thread_exit_current(1);
  }
  if (shell_module_exists()) shell_release_music();
  if (g_shell.flags & DisplayOpen) {
    display_close();
    g_shell.flags &= ~static_cast<uint32_t>(DisplayOpen);
  }
  os_error_box(g_shell.config.title, message);
  os_exit_process(1);
}
