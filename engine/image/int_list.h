// A growable list of 32-bit integers on malloc'd storage (an image reader's output formats).
// Growth doubles the capacity with a floor of 16; assignment gives the target exactly count slots.
#pragma once
#include <cstdint>

class IntList {
 public:
  IntList() = default;
  ~IntList();
  IntList(const IntList&) = delete;
  IntList& operator=(const IntList&) = delete;

  // false when memory runs out; the list is unchanged then.
  bool append(int32_t value);
  // Frees this list's block and copies other into a block of exactly other.count() items.
  bool assign(const IntList& other);
  void clear();

  bool contains(int32_t value) const;
  uint32_t count() const { return count_; }
  uint32_t capacity() const { return capacity_; }
  int32_t operator[](uint32_t index) const { return data_[index]; }

 private:
  int32_t* data_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
};
