// VfsString: malloc'd, zero-terminated, explicit length.
// Lengths are 32-bit; a text longer than that cannot reach the layer (paths are short).
#include "vfs/vfs_string.h"

#include <cstdlib>
#include <cstring>

VfsString::VfsString(const char* text) {
  if (text) assign(text, static_cast<uint32_t>(std::strlen(text)));
}

VfsString::VfsString(const char* text, uint32_t length) { assign(text, length); }

VfsString::VfsString(const VfsString& other) { assign(other.data_, other.length_); }

VfsString::VfsString(VfsString&& other) noexcept : data_(other.data_), length_(other.length_) {
  other.data_ = nullptr;
  other.length_ = 0;
}

VfsString& VfsString::operator=(const VfsString& other) {
  if (this != &other) {
    std::free(data_);
    data_ = nullptr;
    length_ = 0;
    assign(other.data_, other.length_);
  }
  return *this;
}

VfsString& VfsString::operator=(VfsString&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    length_ = other.length_;
    other.data_ = nullptr;
    other.length_ = 0;
  }
  return *this;
}

VfsString::~VfsString() { std::free(data_); }

void VfsString::assign(const char* text, uint32_t length) {
  if (!text || length == 0) return;
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
  if (!buffer) return;
  std::memcpy(buffer, text, length);
  buffer[length] = 0;
  data_ = buffer;
  length_ = length;
}

VfsString VfsString::joined(const char* a, uint32_t a_length, const char* b, uint32_t b_length) {
  VfsString result;
  uint64_t total = static_cast<uint64_t>(a_length) + b_length;
  if (total == 0 || total > 0xFFFFFFFEu) return result;
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(total) + 1));
  if (!buffer) return result;
  if (a_length) std::memcpy(buffer, a, a_length);
  if (b_length) std::memcpy(buffer + a_length, b, b_length);
  buffer[total] = 0;
  result.data_ = buffer;
  result.length_ = static_cast<uint32_t>(total);
  return result;
}

VfsString VfsString::operator+(const VfsString& other) const {
  return joined(data_, length_, other.data_, other.length_);
}

VfsString VfsString::operator+(const char* text) const {
  return joined(data_, length_, text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
}

VfsString VfsString::left(uint32_t count) const {
  return VfsString(data_, count < length_ ? count : length_);
}

VfsString VfsString::right(uint32_t count) const {
  if (count >= length_) return *this;
  return VfsString(data_ + (length_ - count), count);
}

VfsString VfsString::replaced(char from, char to) const {
  VfsString result(*this);
  for (uint32_t i = 0; i < result.length_; ++i) {
    if (result.data_[i] == from) result.data_[i] = to;
  }
  return result;
}

bool operator==(const VfsString& a, const char* b) { return std::strcmp(a.c_str(), b ? b : "") == 0; }
