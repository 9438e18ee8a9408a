// IntList storage: doubling growth (at least 16 slots) and exact-size copies.
// A failed allocation leaves the list as it was, so callers can report it and go on.
#include "image/int_list.h"

#include <cstdlib>
#include <cstring>

IntList::~IntList() { std::free(data_); }

bool IntList::append(int32_t value) {
  if (count_ == capacity_) {
    uint32_t grown = capacity_ * 2;
    if (grown < 16) grown = 16;
    auto* block = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * grown));
    if (!block) return false;
    if (count_) std::memcpy(block, data_, sizeof(int32_t) * count_);
    std::free(data_);
    data_ = block;
    capacity_ = grown;
  }
  data_[count_++] = value;
  return true;
}

bool IntList::assign(const IntList& other) {
  if (&other == this) return true;
  std::free(data_);
  data_ = nullptr;
  count_ = capacity_ = 0;
  if (other.count_ == 0) return true;
  data_ = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * other.count_));
  if (!data_) return false;
  std::memcpy(data_, other.data_, sizeof(int32_t) * other.count_);
  count_ = capacity_ = other.count_;
  return true;
}

void IntList::clear() {
  std::free(data_);
  data_ = nullptr;
  count_ = capacity_ = 0;
}

bool IntList::contains(int32_t value) const {
  for (uint32_t i = 0; i < count_; ++i)
    if (data_[i] == value) return true;
  return false;
}
