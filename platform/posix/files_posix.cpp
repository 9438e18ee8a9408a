// POSIX native files and directory search behind platform/files.h.
// Subtle: the search matches like Windows' FindFirstFile does ('*' and '?', "*.*" for every name,
// "." and ".." reported when they match) but letter case counts, as on this platform's file systems.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/files.h"

struct OsFile {
  int descriptor;
};

struct OsFindSearch {
  DIR* directory;          // null for a search without wildcards (one entry, already given)
  std::string folder;      // with its trailing '/'
  std::string pattern;     // the last component
};

namespace {
// '*' any run (also empty), '?' one character; no other special characters.
bool matches(const char* name, const char* pattern) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = ++pattern;
      resume = name;
    } else if (*pattern && (*pattern == '?' || *pattern == *name)) {
      ++name;
      ++pattern;
    } else if (star) {
      pattern = star;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

bool describe(const std::string& path, const char* name, OsFindData* data) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 && lstat(path.c_str(), &info) != 0) return false;
  data->attributes = S_ISDIR(info.st_mode) ? kOsFileAttributeDirectory : 0;
  data->size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
  std::snprintf(data->name, sizeof data->name, "%s", name);
  return std::strlen(name) < sizeof data->name;
}

OsFile* wrap(int descriptor) {
  if (descriptor < 0) return nullptr;
  OsFile* file = new (std::nothrow) OsFile{descriptor};
  if (!file) close(descriptor);
  return file;
}
}  // namespace

OsFile* os_file_open_read(const char* path) {
  int descriptor = open(path, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat info;
  if (fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(descriptor);
    return nullptr;
  }
  return wrap(descriptor);
}

OsFile* os_file_open_always(const char* path, bool read_too) {
  return wrap(open(path, (read_too ? O_RDWR : O_WRONLY) | O_CREAT | O_CLOEXEC, 0666));
}

bool os_file_read(OsFile* file, void* buffer, uint32_t count, uint32_t* done) {
  ssize_t got;
  do got = read(file->descriptor, buffer, count);
  while (got < 0 && errno == EINTR);
  *done = got > 0 ? static_cast<uint32_t>(got) : 0;
  return got >= 0;
}

bool os_file_write(OsFile* file, const void* buffer, uint32_t count, uint32_t* done) {
  ssize_t put;
  do put = write(file->descriptor, buffer, count);
  while (put < 0 && errno == EINTR);
  *done = put > 0 ? static_cast<uint32_t>(put) : 0;
  return put >= 0;
}

bool os_file_seek(OsFile* file, uint64_t position) {
  if (position > static_cast<uint64_t>(INT64_MAX)) return false;
  return lseek(file->descriptor, static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool os_file_tell(OsFile* file, uint64_t* position) {
  off_t at = lseek(file->descriptor, 0, SEEK_CUR);
  if (at < 0) return false;
  *position = static_cast<uint64_t>(at);
  return true;
}

bool os_file_size(OsFile* file, uint64_t* size) {
  struct stat info;
  if (fstat(file->descriptor, &info) != 0) return false;
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool os_file_set_end(OsFile* file) {
  off_t at = lseek(file->descriptor, 0, SEEK_CUR);
  return at >= 0 && ftruncate(file->descriptor, at) == 0;
}

void os_file_close(OsFile* file) {
  if (!file) return;
  close(file->descriptor);
  delete file;
}

OsFindSearch* os_find_first(const char* pattern, OsFindData* data) {
  std::string full(pattern);
  size_t slash = full.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
  std::string last = slash == std::string::npos ? full : full.substr(slash + 1);
  if (last.empty()) return nullptr;
  if (last == "*.*") last = "*";  // FindFirstFile's rule: names without a dot match it too

  OsFindSearch* search = new (std::nothrow) OsFindSearch{nullptr, folder, last};
  if (!search) return nullptr;
  if (last.find_first_of("*?") == std::string::npos) {
    // One named entry, as the platform search finds it ("." and ".." included).
    if (describe(full, last.c_str(), data)) return search;
    delete search;
    return nullptr;
  }
  search->directory = opendir(folder.empty() ? "." : folder.c_str());
  if (!search->directory || !os_find_next(search, data)) {
    os_find_close(search);
    return nullptr;
  }
  return search;
}

bool os_find_next(OsFindSearch* search, OsFindData* data) {
  if (!search->directory) return false;
  while (dirent* entry = readdir(search->directory)) {
    if (!matches(entry->d_name, search->pattern.c_str())) continue;
    if (describe(search->folder + entry->d_name, entry->d_name, data)) return true;
  }
  return false;
}

void os_find_close(OsFindSearch* search) {
  if (!search) return;
  if (search->directory) closedir(search->directory);
  delete search;
}

bool os_directory_exists(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool os_directory_create(const char* path) { return mkdir(path, 0777) == 0; }
bool os_directory_remove(const char* path) { return rmdir(path) == 0; }
bool os_file_delete(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return unlink(path) == 0;
}
