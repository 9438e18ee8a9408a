// Path checks in the order the layer has always made them, and the executable's directory.
// "." alone is a valid path; "a./b" is not (it holds "./").
#include "vfs/vfs_path.h"

#include <cstring>

#include "platform/os.h"

bool is_valid_path(const VfsString& path, bool allow_wildcards) {
  const char* text = path.c_str();
  uint32_t length = path.length();
  if (length == 0) return false;
  if (std::strchr(text, '\\')) return false;
  if (text[length - 1] == '/') return false;
  if (std::strstr(text, "//")) return false;
  if (std::strstr(text, "..")) return false;
  if (std::strstr(text, "./")) return false;
  if (!allow_wildcards) return std::strpbrk(text, "*?") == nullptr;
  const char* last_slash = std::strrchr(text, '/');
  if (!last_slash) return true;
  for (const char* c = text; c < last_slash; ++c) {
    if (*c == '*' || *c == '?') return false;
  }
  return true;
}

VfsString path_directory(const VfsString& path) {
  const char* text = path.c_str();
  const char* last_slash = std::strrchr(text, '/');
  if (!last_slash) return VfsString();
  return path.left(static_cast<uint32_t>(last_slash - text) + 1);
}

bool directory_of_executable(const char* full_path, char separator, char* buffer, size_t size) {
  if (size == 0) return false;
  buffer[0] = 0;
  size_t length = std::strlen(full_path);
  if (length >= size) return false;
  const char* first = std::strchr(full_path, separator);
  const char* last = std::strrchr(full_path, separator);
  if (!first) return false;
  // Cut at the last separator, but keep a lone one: the directory is then the drive's root.
  size_t keep = last > first ? static_cast<size_t>(last - full_path) : static_cast<size_t>(last - full_path) + 1;
  std::memcpy(buffer, full_path, keep);
  buffer[keep] = 0;
  return true;
}

bool executable_directory(char* buffer) {
  char full[kVfsMaxNativePath];
  buffer[0] = 0;
  if (!os_executable_path(full, sizeof full)) return false;
  return directory_of_executable(full, os_path_separator(), buffer, kVfsMaxNativePath);
}
