// A read-only byte stream over a block in memory, the source every image reader pulls from.
// It never owns the block; a read past the end copies what is left and reports the short count.
#pragma once
#include <cstdint>

class ImageStream {
 public:
  ImageStream(const void* bytes, uint32_t size)
      : remaining_(bytes ? size : 0), cursor_(static_cast<const uint8_t*>(bytes)) {}

  // Copies min(count, remaining) bytes and returns that number; 0 at the end.
  virtual uint32_t read(void* destination, uint32_t count);

  uint32_t remaining() const { return remaining_; }

 private:
  uint32_t remaining_;
  const uint8_t* cursor_;  // next byte
};
