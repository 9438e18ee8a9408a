// Temporary stand-in until the file system lands: no archive can be mounted.
#include "vfs/mount.h"

#include "shell/shell.h"

bool mount_archive(const char* name) {
  if (!name) return false;
  fatal_error("Error opening archive '%s'.\n", name);
}
void* load_file(const char* path, uint32_t*) { fatal_error("File not found: '%s'", path); }
void unmount_archive() {}
