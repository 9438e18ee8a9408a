// LZSS decoding with a pending buffer for a match tail that does not fit the caller's buffer.
// Subtle: a match may overlap the bytes it produces, so each byte is written into the ring before
// the next is fetched. A source that runs dry mid-item loses nothing: the item is resumed.
#include <cstring>

#include "vfs/lzss.h"

using namespace lzss;

LzssDecoder::LzssDecoder(ByteStream* source) : source_(source) {
  std::memset(ring_, ' ', kStart);
  std::memset(ring_ + kStart, 0, kRingSize - kStart);  // never read first by a sound stream
}

bool LzssDecoder::pull(uint8_t* byte) { return source_->read(byte, 1) == 1; }

uint32_t LzssDecoder::read(void* buffer, uint32_t count) {
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t delivered = pending_count_ - pending_index_;
  if (delivered > count) delivered = count;
  std::memcpy(out, pending_ + pending_index_, delivered);
  pending_index_ += delivered;
  if (delivered == count) return count;
  pending_count_ = pending_index_ = 0;

  while (delivered < count) {
    // Shifting back undoes the step: the next shift then lands on the same item again.
    flags_ >>= 1;
    if (!(flags_ & 0x100)) {
      uint8_t flag_byte;
      if (!pull(&flag_byte)) {
        flags_ <<= 1;
        break;
      }
      flags_ = flag_byte | 0xFF00u;
    }
    if (flags_ & 1) {
      uint8_t literal;
      if (!pull(&literal)) {
        flags_ <<= 1;
        break;
      }
      out[delivered++] = literal;
      ring_[write_] = literal;
      write_ = (write_ + 1) & (kRingSize - 1);
      continue;
    }
    uint8_t b0 = half_match_, b1;
    if (!has_half_match_ && !pull(&b0)) {
      flags_ <<= 1;
      break;
    }
    if (!pull(&b1)) {
      half_match_ = b0;
      has_half_match_ = true;
      flags_ <<= 1;
      break;
    }
    has_half_match_ = false;
    uint32_t position = b0 | ((b1 & 0xF0u) << 4);
    uint32_t length = (b1 & 0x0Fu) + kMinMatch;
    for (uint32_t i = 0; i < length; ++i) {
      uint8_t byte = ring_[(position + i) & (kRingSize - 1)];
      ring_[write_] = byte;
      write_ = (write_ + 1) & (kRingSize - 1);
      if (delivered < count) {
        out[delivered++] = byte;
      } else {
        pending_[pending_count_++] = byte;
      }
    }
  }
  return delivered;
}
