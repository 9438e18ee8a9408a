// libFuzzer target: LzssDecoder over arbitrary streams, read in pieces whose sizes come from the
// input, and the encoder round trip over the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "vfs/lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint32_t piece = 1 + data[0] % 37;
  MemoryByteStream source(data + 1, static_cast<uint32_t>(size - 1));
  LzssDecoder decoder(&source);
  static uint8_t out[64];
  uint64_t total = 0;
  // A stream of n bytes yields at most 18 * 8 bytes per 17: bounded, so this always ends.
  while (total < (size + 1) * 18) {
    uint32_t got = decoder.read(out, piece);
    if (got > piece) __builtin_trap();
    if (got == 0) break;
    total += got;
  }

  MemoryByteStream plain(data, static_cast<uint32_t>(size));
  LzssEncoder encoder(&plain);
  std::vector<uint8_t> packed;
  uint8_t chunk[97];
  while (uint32_t got = encoder.read(chunk, piece + 60)) packed.insert(packed.end(), chunk, chunk + got);
  MemoryByteStream stream(packed.data(), static_cast<uint32_t>(packed.size()));
  LzssDecoder back(&stream);
  std::vector<uint8_t> decoded(size);
  uint32_t done = 0;
  while (done < size) {
    uint32_t want = static_cast<uint32_t>(size - done) < piece ? static_cast<uint32_t>(size - done) : piece;
    uint32_t got = back.read(decoded.data() + done, want);
    if (got == 0) break;
    done += got;
  }
  if (done != size || std::memcmp(decoded.data(), data, size) != 0) __builtin_trap();
  return 0;
}
