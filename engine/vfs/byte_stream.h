// Sequential byte sources and the compression methods that wrap them.
// A stream never owns its source; the caller destroys a stream before the source it reads.
#pragma once
#include <cstdint>

class ByteStream {
 public:
  // Fewer bytes than asked only when the source is exhausted or fails.
  virtual uint32_t read(void* buffer, uint32_t count) = 0;
  // Kept for its slot: no stream of the layer can seek, so every one answers false.
  virtual bool seekable() { return false; }
  virtual ~ByteStream() = default;
};

class Codec {
 public:
  virtual ByteStream* make_encoder(ByteStream* source) = 0;  // null when allocation fails
  virtual ByteStream* make_decoder(ByteStream* source) = 0;
  virtual int32_t method() = 0;
  virtual ~Codec() = default;
};

// A source over bytes in memory; the bytes must outlive the stream.
class MemoryByteStream : public ByteStream {
 public:
  MemoryByteStream(const void* data, uint32_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint32_t read(void* buffer, uint32_t count) override;

 private:
  const uint8_t* data_;
  uint32_t size_;
  uint32_t position_ = 0;
};
