// Mounting the pak archive at start-up and loading whole files from it.
// Search order: the archive embedded in the executable, then name in the current directory,
// then name next to the executable.
#pragma once
#include <cstdint>

bool mount_archive(const char* name);    // fatal "Error opening archive '%s'.\n" when not found
void* load_file(const char* path, uint32_t* size_out);  // malloc'd; fatal "File not found: '%s'"
void unmount_archive();
