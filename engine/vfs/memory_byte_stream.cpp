// A byte source over memory: the encoder's input in the pak tool, tests and benchmarks.
// Reads past the end give 0 bytes, as every exhausted stream does.
#include <cstring>

#include "vfs/byte_stream.h"

uint32_t MemoryByteStream::read(void* buffer, uint32_t count) {
  uint32_t left = size_ - position_;
  if (count > left) count = left;
  if (count) std::memcpy(buffer, data_ + position_, count);
  position_ += count;
  return count;
}
