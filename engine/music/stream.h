// The loader's byte source: a table of five stream operations and its one implementation, a
// bounds-checked stream over bytes in memory. Reads past the end copy nothing.
#pragma once
#include <cstdint>

struct MemoryStream {
  int32_t byteCount;
  int32_t readPosition;
  const uint8_t* data;  // the caller's bytes, not owned
};

struct StreamOps {
  void* (*open)(void* stream);
  void (*close)(void* handle);
  int32_t (*read)(void* destination, int32_t count, void* handle);  // bytes read
  void (*seek)(void* handle, int64_t offset, int whence);            // 0 set, 1 current, 2 end
  int32_t (*tell)(void* handle);
};

// Installs the process-wide table; a table with any operation missing (or null) clears all five.
void stream_ops_install(const StreamOps* ops);
bool stream_ops_installed();
const StreamOps& memory_stream_ops();

// Calls through the installed table; with no table installed they read nothing.
void* stream_open(void* stream);
void stream_close(void* handle);
int32_t stream_read(void* destination, int32_t count, void* handle);
void stream_seek(void* handle, int64_t offset, int whence);
int32_t stream_tell(void* handle);
