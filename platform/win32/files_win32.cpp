// Windows native files and directory search behind platform/files.h (kernel32).
// Subtle: SetFilePointer and GetFileSize return all ones both as a value and as an error; only
// GetLastError tells them apart, so it is cleared before each call.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/files.h"

struct OsFile {
  HANDLE handle;
};

struct OsFindSearch {
  HANDLE handle;
};

namespace {
OsFile* wrap(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  OsFile* file = new (std::nothrow) OsFile{handle};
  if (!file) CloseHandle(handle);
  return file;
}

void copy_find_data(const WIN32_FIND_DATAA& found, OsFindData* data) {
  data->attributes = found.dwFileAttributes;
  data->size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  std::snprintf(data->name, sizeof data->name, "%s", found.cFileName);
}

bool move_to(HANDLE handle, uint64_t position, DWORD method, uint64_t* where) {
  LONG high = static_cast<LONG>(position >> 32);
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(handle, static_cast<LONG>(position & 0xFFFFFFFFu), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
  if (where) *where = (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
  return true;
}
}  // namespace

OsFile* os_file_open_read(const char* path) {
  return wrap(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

OsFile* os_file_open_always(const char* path, bool read_too) {
  DWORD access = read_too ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_WRITE;
  return wrap(CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool os_file_read(OsFile* file, void* buffer, uint32_t count, uint32_t* done) {
  DWORD got = 0;
  BOOL ok = ReadFile(file->handle, buffer, count, &got, nullptr);
  *done = ok ? got : 0;
  return ok != FALSE;
}

bool os_file_write(OsFile* file, const void* buffer, uint32_t count, uint32_t* done) {
  DWORD put = 0;
  BOOL ok = WriteFile(file->handle, buffer, count, &put, nullptr);
  *done = ok ? put : 0;
  return ok != FALSE;
}

bool os_file_seek(OsFile* file, uint64_t position) { return move_to(file->handle, position, FILE_BEGIN, nullptr); }

bool os_file_tell(OsFile* file, uint64_t* position) { return move_to(file->handle, 0, FILE_CURRENT, position); }

bool os_file_size(OsFile* file, uint64_t* size) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(file->handle, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = (static_cast<uint64_t>(high) << 32) | low;
  return true;
}

bool os_file_set_end(OsFile* file) { return SetEndOfFile(file->handle) != FALSE; }

void os_file_close(OsFile* file) {
  if (!file) return;
  CloseHandle(file->handle);
  delete file;
}

OsFindSearch* os_find_first(const char* pattern, OsFindData* data) {
  WIN32_FIND_DATAA found;
  HANDLE handle = FindFirstFileA(pattern, &found);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  OsFindSearch* search = new (std::nothrow) OsFindSearch{handle};
  if (!search) {
    FindClose(handle);
    return nullptr;
  }
  copy_find_data(found, data);
  return search;
}

bool os_find_next(OsFindSearch* search, OsFindData* data) {
  WIN32_FIND_DATAA found;
  if (!FindNextFileA(search->handle, &found)) return false;
  copy_find_data(found, data);
  return true;
}

void os_find_close(OsFindSearch* search) {
  if (!search) return;
  FindClose(search->handle);
  delete search;
}

bool os_directory_exists(const char* path) {
  WIN32_FIND_DATAA found;
  HANDLE handle = FindFirstFileA(path, &found);
  if (handle != INVALID_HANDLE_VALUE) {
    FindClose(handle);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  // The search finds nothing for a drive's root; its attributes still say what it is.
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool os_directory_create(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }
bool os_directory_remove(const char* path) { return RemoveDirectoryA(path) != FALSE; }
bool os_file_delete(const char* path) { return DeleteFileA(path) != FALSE; }
