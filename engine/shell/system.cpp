// Bringing the engine up and down: archive, scratch pool, module, display and frame buffer.
// Subtle: a failed module load unmounts the archive before its fatal report.
#include <cstdlib>

#include "shell/scratch_pool.h"
#include "shell/shell_state.h"
#include "vfs/mount.h"

namespace {
ShellState& g_shell = shell_state();
}  // namespace

void fill_frame_buffer() {
  FrameBuffer& frame = g_shell.frame;
  const DemoConfig& config = g_shell.config;
  frame.width = config.width;
  frame.height = config.height;
  frame.pitch = static_cast<int32_t>((static_cast<uint32_t>(config.width) * static_cast<uint32_t>(config.bitsPerPixel)) >> 3);
  frame.aspect = config.aspect;
  frame.areaX = config.areaX;
  frame.areaY = config.areaY;
}

bool display_init(DemoConfig* config) {
  if (config->title) display_set_title(config->title);
  if (config->icon) display_set_icon(config->icon);
  DisplayRequest request{config->width, config->height, config->aspect, config->areaX, config->areaY, 1};
  if (!display_open(&request)) fatal_error("Error initializing display!");
  // Open from here on, so a later fatal error closes the full-screen window before its box.
  g_shell.flags |= DisplayOpen;
  display_set_fullscreen(true);
  size_t bytes = (static_cast<size_t>(static_cast<uint32_t>(config->width)) * static_cast<uint32_t>(config->height) *
                  static_cast<uint32_t>(config->bitsPerPixel)) >> 3;
  g_shell.frame.pixels = static_cast<uint32_t*>(std::calloc(bytes ? bytes : 1, 1));
  if (!g_shell.frame.pixels) fatal_error("Error initializing display!");
  display_present(g_shell.frame.pixels);
  return true;
}

bool system_init(DemoConfig* config) {
  if (!mount_archive(config->archiveName)) fatal_error("Error opening archive '%s'.", config->archiveName ? config->archiveName : "");
  if (config->scratchSize != 0 && !scratch_pool_create(config->scratchSize)) return false;
  if (config->moduleName) {
    uint32_t size = 0;
    g_shell.moduleBytes = load_file(config->moduleName, &size);
    if (!g_shell.moduleBytes) {
      unmount_archive();
      fatal_error("Unable to load module '%s'!", config->moduleName);
    }
    if (music_create(g_shell.moduleBytes, size) != 0) {
      std::free(g_shell.moduleBytes);
      g_shell.moduleBytes = nullptr;
      unmount_archive();
      fatal_error("Unable to load module '%s'!", config->moduleName);
    }
    g_shell.flags |= ModuleLoaded;
  }
  if (!(g_shell.flags & DisplayOpen)) display_init(config);
  return true;
}

void system_shutdown() {
  std::free(g_shell.frame.pixels);
  g_shell.frame.pixels = nullptr;
  display_close();
  g_shell.flags &= ~static_cast<uint32_t>(DisplayOpen);
  unmount_archive();
  if (g_shell.config.scratchSize != 0) scratch_pool_free();
  if (g_shell.deferredError) {
    os_error_box(g_shell.config.title, g_shell.deferredError);
    std::free(g_shell.deferredError);
    g_shell.deferredError = nullptr;
  }
}

