// LZSS over a 4096-byte ring: flag byte per eight items, literals or (position, length 3..18).
// Ring starts as spaces with the write position at 4078; there is no end marker, the reader
// decodes exactly as many bytes as it needs.
#pragma once
#include <cstdint>

#include "vfs/byte_stream.h"

namespace lzss {
constexpr uint32_t kRingSize = 4096;
constexpr uint32_t kMaxMatch = 18;              // longest match; the look-ahead
constexpr uint32_t kMinMatch = 3;               // shorter repeats are sent as literals
constexpr uint32_t kStart = kRingSize - kMaxMatch;  // 4078: first write position
constexpr uint32_t kNone = kRingSize;           // "no node" in the encoder's trees
}  // namespace lzss

class LzssCodec : public Codec {
 public:
  ByteStream* make_encoder(ByteStream* source) override;
  ByteStream* make_decoder(ByteStream* source) override;
  int32_t method() override { return 2; }
};

class LzssDecoder : public ByteStream {
 public:
  explicit LzssDecoder(ByteStream* source);
  uint32_t read(void* buffer, uint32_t count) override;

 private:
  bool pull(uint8_t* byte);

  ByteStream* source_;
  uint8_t ring_[lzss::kRingSize];
  uint32_t write_ = lzss::kStart;
  // Low byte: item flags; bits 8..15: items left in the group. Wider than the stream's 16 bits so
  // that a step can be shifted back when the source runs dry.
  uint32_t flags_ = 0;
  uint8_t pending_[lzss::kMaxMatch];  // tail of a match that did not fit the caller's buffer
  uint32_t pending_count_ = 0;
  uint32_t pending_index_ = 0;
  uint8_t half_match_ = 0;   // first byte of a match item whose second byte has not arrived yet
  bool has_half_match_ = false;
};

class LzssEncoder : public ByteStream {
 public:
  explicit LzssEncoder(ByteStream* source);
  uint32_t read(void* buffer, uint32_t count) override;

 private:
  void insert(uint32_t r);
  void erase(uint32_t p);
  uint32_t emit_group(uint8_t* out, uint32_t room);
  bool pull(uint8_t* byte) { return source_->read(byte, 1) == 1; }

  ByteStream* source_;
  uint8_t text_[lzss::kRingSize + lzss::kMaxMatch - 1];  // ring plus a copy of its first 17 bytes
  uint32_t match_position_ = 0;
  uint32_t match_length_ = 0;
  uint16_t left_[lzss::kRingSize + 1];
  uint16_t right_[lzss::kRingSize + 257];  // the 256 roots follow the ring positions
  uint16_t parent_[lzss::kRingSize + 1];
  uint8_t group_[17];      // flag byte and up to eight items of two bytes
  uint32_t group_index_ = 1;
  uint8_t group_mask_ = 1;
  uint32_t s_ = 0;                 // oldest ring position
  uint32_t r_ = lzss::kStart;      // current position
  uint32_t lookahead_ = 0;
  uint8_t pending_[2 * sizeof group_];  // group bytes that did not fit the caller's buffer
  uint32_t pending_count_ = 0;
  uint32_t pending_index_ = 0;
};
