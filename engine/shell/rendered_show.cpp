// Start-up and shutdown of a show whose tune the caller renders.
// Subtle: the module name is hidden from system_init so that no output thread starts.
#include "shell/rendered_show.h"

#include <cstdint>
#include <cstdlib>

#include "music/module.h"
#include "music/render.h"
#include "shell/shell.h"
#include "shell/tables.h"
#include "vfs/mount.h"

void rendered_show_start(RenderedShow* show) {
  DemoConfig* config = shell_config();
  shell_configure(config);
  const char* moduleName = config->moduleName;
  config->moduleName = nullptr;
  if (!system_init(config)) fatal_error("Error initializing system!");
  build_tables();
  fill_frame_buffer();
  if (moduleName) {
    uint32_t size = 0;
    show->moduleBytes = load_file(moduleName, &size);
    show->module = show->moduleBytes ? module_create_from_memory(show->moduleBytes, size) : nullptr;
    if (!show->module || !render_open(show->module)) fatal_error("Unable to load module '%s'!", moduleName);
  }
  config->moduleName = moduleName;
  if (!demo_init(config)) fatal_error("Error initializing demo!");
}

void rendered_show_finish(RenderedShow* show) {
  demo_shutdown();
  if (show->module) {
    render_close();
    module_free(show->module);
    show->module = nullptr;
  }
  std::free(show->moduleBytes);
  show->moduleBytes = nullptr;
  free_tables();
  system_shutdown();
}
