// The in-memory image stream: the only place image readers touch outside bytes.
// Short reads are the end-of-data signal; the cursor never passes the end of the block.
#include "image/image_stream.h"

#include <cstring>

uint32_t ImageStream::read(void* destination, uint32_t count) {
  uint32_t n = count < remaining_ ? count : remaining_;
  if (n == 0) return 0;
  std::memcpy(destination, cursor_, n);
  cursor_ += n;
  remaining_ -= n;
  return n;
}
