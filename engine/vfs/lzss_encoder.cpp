// LZSS encoding with one binary search tree per first byte over the strings of the ring.
// Subtle: ties keep the string found first, a string equal in all 18 bytes replaces the older
// node, and the final group is always emitted, so an empty source gives the lone byte 0.
#include <cstring>

#include "vfs/lzss.h"

using namespace lzss;

namespace {
constexpr uint32_t kMask = kRingSize - 1;
}

LzssEncoder::LzssEncoder(ByteStream* source) : source_(source) {
  for (uint32_t i = kRingSize + 1; i <= kRingSize + 256; ++i) right_[i] = kNone;
  for (uint32_t i = 0; i < kRingSize; ++i) parent_[i] = kNone;
  left_[kNone] = right_[kNone] = parent_[kNone] = kNone;
  std::memset(text_, ' ', sizeof text_);
  group_[0] = 0;

  uint32_t count = 0;
  while (count < kMaxMatch && pull(&text_[r_ + count])) ++count;
  lookahead_ = count;
  if (lookahead_ == 0) return;
  for (uint32_t i = 1; i <= kMaxMatch; ++i) insert(r_ - i);
  insert(r_);
}

// Adds the string at r to its tree and records the longest match found on the way.
void LzssEncoder::insert(uint32_t r) {
  const uint8_t* key = &text_[r];
  uint32_t p = kRingSize + 1 + key[0];
  int compare = 1;
  left_[r] = right_[r] = kNone;
  match_length_ = 0;
  for (;;) {
    uint16_t* next = compare >= 0 ? &right_[p] : &left_[p];
    if (*next == kNone) {
      *next = static_cast<uint16_t>(r);
      parent_[r] = static_cast<uint16_t>(p);
      return;
    }
    p = *next;
    uint32_t i = 1;
    for (; i < kMaxMatch; ++i) {
      compare = key[i] - text_[p + i];
      if (compare != 0) break;
    }
    if (i > match_length_) {
      match_position_ = p;
      match_length_ = i;
      if (i >= kMaxMatch) break;
    }
  }
  // Same 18 bytes: the newer position takes the older one's place in the tree.
  parent_[r] = parent_[p];
  left_[r] = left_[p];
  right_[r] = right_[p];
  parent_[left_[p]] = static_cast<uint16_t>(r);
  parent_[right_[p]] = static_cast<uint16_t>(r);
  if (right_[parent_[p]] == p) {
    right_[parent_[p]] = static_cast<uint16_t>(r);
  } else {
    left_[parent_[p]] = static_cast<uint16_t>(r);
  }
  parent_[p] = kNone;
}

// Removes the string at p; a node with two children gives way to its in-order predecessor.
void LzssEncoder::erase(uint32_t p) {
  if (parent_[p] == kNone) return;
  uint32_t q;
  if (right_[p] == kNone) {
    q = left_[p];
  } else if (left_[p] == kNone) {
    q = right_[p];
  } else {
    q = left_[p];
    if (right_[q] != kNone) {
      while (right_[q] != kNone) q = right_[q];
      right_[parent_[q]] = left_[q];
      parent_[left_[q]] = parent_[q];
      left_[q] = left_[p];
      parent_[left_[p]] = static_cast<uint16_t>(q);
    }
    right_[q] = right_[p];
    parent_[right_[p]] = static_cast<uint16_t>(q);
  }
  parent_[q] = parent_[p];
  if (right_[parent_[p]] == p) {
    right_[parent_[p]] = static_cast<uint16_t>(q);
  } else {
    left_[parent_[p]] = static_cast<uint16_t>(q);
  }
  parent_[p] = kNone;
}

// Copies the assembled group to out (room bytes free there), keeps the rest as pending.
uint32_t LzssEncoder::emit_group(uint8_t* out, uint32_t room) {
  uint32_t direct = group_index_ < room ? group_index_ : room;
  std::memcpy(out, group_, direct);
  std::memcpy(pending_ + pending_count_, group_ + direct, group_index_ - direct);
  pending_count_ += group_index_ - direct;
  return direct;
}

uint32_t LzssEncoder::read(void* buffer, uint32_t count) {
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t delivered = pending_count_ - pending_index_;
  if (delivered > count) delivered = count;
  std::memcpy(out, pending_ + pending_index_, delivered);
  pending_index_ += delivered;
  if (pending_index_ < pending_count_) return delivered;
  pending_count_ = pending_index_ = 0;

  while (delivered < count && lookahead_ != 0) {
    if (match_length_ > lookahead_) match_length_ = lookahead_;
    if (match_length_ < kMinMatch) {
      match_length_ = 1;
      group_[0] |= group_mask_;
      group_[group_index_++] = text_[r_];
    } else {
      group_[group_index_++] = static_cast<uint8_t>(match_position_);
      group_[group_index_++] =
          static_cast<uint8_t>(((match_position_ >> 4) & 0xF0) | (match_length_ - kMinMatch));
    }
    group_mask_ = static_cast<uint8_t>(group_mask_ << 1);
    if (group_mask_ == 0) {
      delivered += emit_group(out + delivered, count - delivered);
      group_[0] = 0;
      group_index_ = 1;
      group_mask_ = 1;
    }

    uint32_t steps = match_length_;
    uint32_t i = 0;
    uint8_t byte;
    for (; i < steps && pull(&byte); ++i) {
      erase(s_);
      text_[s_] = byte;
      if (s_ < kMaxMatch - 1) text_[s_ + kRingSize] = byte;
      s_ = (s_ + 1) & kMask;
      r_ = (r_ + 1) & kMask;
      insert(r_);
    }
    for (; i < steps; ++i) {
      erase(s_);
      s_ = (s_ + 1) & kMask;
      r_ = (r_ + 1) & kMask;
      if (--lookahead_ != 0) insert(r_);
    }
  }

  if (lookahead_ == 0 && group_index_ != 0) {
    delivered += emit_group(out + delivered, count - delivered);
    group_index_ = 0;  // nothing follows the last group
  }
  return delivered;
}
