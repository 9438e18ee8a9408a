// The in-memory stream and the process-wide table of stream operations the loader reads through.
// Every position is kept inside 0..byteCount, so no read can leave the caller's bytes.
#include <cstring>

#include "music/stream.h"

namespace {

StreamOps installedOps{};  // the one table; all null until a module is created

void* memory_open(void* stream) {
  static_cast<MemoryStream*>(stream)->readPosition = 0;
  return stream;
}

void memory_close(void*) {}

int32_t memory_read(void* destination, int32_t count, void* handle) {
  MemoryStream* stream = static_cast<MemoryStream*>(handle);
  if (count <= 0) return 0;
  int64_t available = static_cast<int64_t>(stream->byteCount) - stream->readPosition;
  if (count > available) count = static_cast<int32_t>(available > 0 ? available : 0);
  if (count > 0) std::memcpy(destination, stream->data + stream->readPosition, static_cast<size_t>(count));
  stream->readPosition += count;
  return count;
}

void memory_seek(void* handle, int64_t offset, int whence) {
  MemoryStream* stream = static_cast<MemoryStream*>(handle);
  int64_t position = stream->readPosition;
  switch (whence) {
    case 0: position = offset; break;
    case 1: position += offset; break;
    case 2: position = static_cast<int64_t>(stream->byteCount) + offset; break;
    default: return;
  }
  // Above the end clamps to the end; below the start (a negative offset) clamps to the start.
  if (position > stream->byteCount) position = stream->byteCount;
  if (position < 0) position = 0;
  stream->readPosition = static_cast<int32_t>(position);
}

int32_t memory_tell(void* handle) { return static_cast<MemoryStream*>(handle)->readPosition; }

const StreamOps memoryOps{memory_open, memory_close, memory_read, memory_seek, memory_tell};

}  // namespace

void stream_ops_install(const StreamOps* ops) {
  if (ops && ops->open && ops->close && ops->read && ops->seek && ops->tell)
    installedOps = *ops;
  else
    installedOps = StreamOps{};
}

bool stream_ops_installed() { return installedOps.open != nullptr; }

const StreamOps& memory_stream_ops() { return memoryOps; }

void* stream_open(void* stream) { return installedOps.open ? installedOps.open(stream) : nullptr; }
void stream_close(void* handle) {
  if (installedOps.close) installedOps.close(handle);
}
int32_t stream_read(void* destination, int32_t count, void* handle) {
  return installedOps.read ? installedOps.read(destination, count, handle) : 0;
}
void stream_seek(void* handle, int64_t offset, int whence) {
  if (installedOps.seek) installedOps.seek(handle, offset, whence);
}
int32_t stream_tell(void* handle) { return installedOps.tell ? installedOps.tell(handle) : 0; }
