// NativeFile: a VFile over an operating-system handle, with the open mode enforced here.
// Failed queries answer all ones; a file is never extended by seeking, only by writing.
#include "vfs/directory_file_sys.h"

uint32_t NativeFile::read(void* buffer, uint32_t count) {
  if (mode() == kOpenWrite) return 0;
  uint32_t done = 0;
  return os_file_read(handle_, buffer, count, &done) ? done : 0;
}

uint32_t NativeFile::write(const void* buffer, uint32_t count) {
  if (mode() == kOpenRead) return 0;
  uint32_t done = 0;
  return os_file_write(handle_, buffer, count, &done) ? done : 0;
}

uint64_t NativeFile::tell() {
  uint64_t position;
  return os_file_tell(handle_, &position) ? position : kVfsNoSize;
}

uint64_t NativeFile::size() {
  uint64_t bytes;
  return os_file_size(handle_, &bytes) ? bytes : kVfsNoSize;
}

bool NativeFile::seek(uint64_t position) {
  if (position > size()) return false;
  return os_file_seek(handle_, position);
}

bool NativeFile::truncate(uint64_t new_size) {
  if (mode() == kOpenRead) return false;
  uint64_t remembered = tell();
  bool done = seek(new_size) && os_file_set_end(handle_);
  uint64_t end = size();
  os_file_seek(handle_, remembered < end ? remembered : end);
  return done;
}
