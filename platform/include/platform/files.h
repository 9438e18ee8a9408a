// Native files and directories seam: handles with 64-bit positions, open-always, directory search.
// Paths are native (the platform's separator). The search reports "." and ".." like Windows does.
#pragma once
#include <cstdint>

struct OsFile;
struct OsFindSearch;

// An existing file for reading, sharing read access; null when it does not exist or is a directory.
OsFile* os_file_open_read(const char* path);
// Opens for writing (and reading when read_too), creating the file when missing and keeping its
// contents when present; null on failure (for example a missing directory).
OsFile* os_file_open_always(const char* path, bool read_too);
// One platform read or write; false when the platform reports failure.
bool os_file_read(OsFile* file, void* buffer, uint32_t count, uint32_t* done);
bool os_file_write(OsFile* file, const void* buffer, uint32_t count, uint32_t* done);
bool os_file_seek(OsFile* file, uint64_t position);  // absolute
bool os_file_tell(OsFile* file, uint64_t* position);
bool os_file_size(OsFile* file, uint64_t* size);
bool os_file_set_end(OsFile* file);  // the file ends at the current position
void os_file_close(OsFile* file);

constexpr uint32_t kOsFileAttributeDirectory = 0x10;

struct OsFindData {
  uint32_t attributes;  // kOsFileAttributeDirectory for a directory
  uint64_t size;
  char name[260];       // the entry's own name, no directory
};

// Starts a search for a path whose last component may hold '*' and '?' (the platform's matching);
// null when nothing matches. A pattern without wildcards finds that one entry.
OsFindSearch* os_find_first(const char* pattern, OsFindData* data);
bool os_find_next(OsFindSearch* search, OsFindData* data);
void os_find_close(OsFindSearch* search);

bool os_directory_exists(const char* path);
bool os_directory_create(const char* path);
bool os_directory_remove(const char* path);  // only an empty directory
bool os_file_delete(const char* path);
