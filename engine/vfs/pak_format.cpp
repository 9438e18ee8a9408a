// Name order and checksum of pak entries.
// The checksum is the CRC register left uncomplemented: the standard CRC-32's complement.
#include "vfs/pak_format.h"

namespace {
uint8_t lower(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + ('a' - 'A')) : c; }
}  // namespace

int pak_stricmp(const char* a, const char* b) {
  const uint8_t* x = reinterpret_cast<const uint8_t*>(a);
  const uint8_t* y = reinterpret_cast<const uint8_t*>(b);
  for (;; ++x, ++y) {
    int difference = lower(*x) - lower(*y);
    if (difference != 0 || *x == 0) return difference;
  }
}

uint32_t pak_checksum_update(uint32_t register_value, const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) {
    register_value ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) register_value = (register_value >> 1) ^ (0xEDB88320u & (0u - (register_value & 1u)));
  }
  return register_value;
}
