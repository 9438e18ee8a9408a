// Path syntax shared by the path-based file systems, and where the executable lives.
// Paths use '/', are relative to the file system's root, and may hold wildcards only at the end.
#pragma once
#include <cstddef>

#include "vfs/vfs_string.h"

bool is_valid_path(const VfsString& path, bool allow_wildcards);
// Everything up to and including the last '/'; empty when there is none.
VfsString path_directory(const VfsString& path);
// The running executable's directory into buffer (260 bytes); false and "" when unknown.
bool executable_directory(char* buffer);
// The cut itself, for a full executable path using separator: the directory without a trailing
// separator, except that a path with a single separator keeps it (C:\prog.exe gives C:\).
bool directory_of_executable(const char* full_path, char separator, char* buffer, size_t size);

constexpr size_t kVfsMaxNativePath = 260;
