// The program's life: configuration, the fixed start-up order, the render thread with its frame
// clock, the main loop and the fixed shutdown order. The production plugs in through demo_*.
#include "shell/shell.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/os.h"
#include "shell/shell_state.h"
#include "shell/command_line.h"
#include "shell/scratch_pool.h"
#include "shell/tables.h"
#include "vfs/mount.h"

namespace {
ShellState& g_shell = shell_state();
}  // namespace

void timer_start() {
  uint64_t now = 0;
  g_shell.clockStart = os_counter(&now) ? now : 0;
}

uint32_t timer_ms() {
  uint64_t frequency = 0, now = 0;
  if (!os_counter_frequency(&frequency) || !os_counter(&now) || frequency == 0) return 0;
  return static_cast<uint32_t>(((now - g_shell.clockStart) * 1000u) / frequency);
}

unsigned render_thread(void*) {
  shell_mark_render_thread();
  timer_start();
  music_start();
  g_shell.flags |= MusicStarted | RenderRunning;
  FrameInfo& info = g_shell.info;
  info.position = 0xFFFF;
  info.time = 0;
  while (!os_event_is_set(g_shell.stopEvent)) {
    info.previousPosition = info.position;
    info.position = static_cast<uint16_t>(music_position());
    info.time = timer_ms();
    if (!demo_frame(&g_shell.frame, &info)) break;
    display_present(g_shell.frame.pixels);
  }
  g_shell.flags &= ~static_cast<uint32_t>(RenderRunning);
  os_post_close();
  return 0;
}

void shell_configure(DemoConfig* config) {
  *config = DemoConfig{};
  config->width = 320;
  config->height = 200;
  config->bitsPerPixel = 32;
  config->aspect = 4.0f / 3.0f;  // bits 0x3FAAAAAB
  config->areaX = 1.0f;
  config->areaY = 1.0f;
  config->title = "Orvane Demo System";
  config->progress = draw_progress_bar;
  demo_configure(config);
}

int shell_main() {
  parse_command_line();
  DemoConfig& config = g_shell.config;
  shell_configure(&config);
  if (!system_init(&config)) fatal_error("Error initializing system!");
  build_tables();
  fill_frame_buffer();
  if (!demo_init(&config)) fatal_error("Error initializing demo!");

  g_shell.stopEvent = os_event_create();
  g_shell.renderThread = os_thread_create(render_thread, nullptr);
  os_thread_set_priority(g_shell.renderThread, OsThreadPriority::Normal);
  os_run_message_loop();

  os_event_set(g_shell.stopEvent);
  os_thread_join(g_shell.renderThread);
  g_shell.renderThread = nullptr;
  os_event_destroy(g_shell.stopEvent);
  g_shell.stopEvent = nullptr;

  if (shell_module_exists()) shell_release_music();
  demo_shutdown();
  free_tables();
  system_shutdown();
  free_command_line();
  return 0;
}
