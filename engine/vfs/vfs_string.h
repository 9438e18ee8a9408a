// The owned string that carries paths through the file-system layer.
// Copies allocate their own buffer; a failed allocation leaves the empty string, never a null text.
#pragma once
#include <cstdint>

class VfsString {
 public:
  VfsString() = default;
  VfsString(const char* text);  // NOLINT: paths are written as literals at the call sites
  VfsString(const char* text, uint32_t length);
  VfsString(const VfsString& other);
  VfsString(VfsString&& other) noexcept;
  VfsString& operator=(const VfsString& other);
  VfsString& operator=(VfsString&& other) noexcept;
  ~VfsString();

  const char* c_str() const { return data_ ? data_ : ""; }
  uint32_t length() const { return length_; }
  bool empty() const { return length_ == 0; }
  char operator[](uint32_t index) const { return data_[index]; }

  VfsString operator+(const VfsString& other) const;
  VfsString operator+(const char* text) const;
  VfsString left(uint32_t count) const;   // the first count characters, count clamped to the length
  VfsString right(uint32_t count) const;  // the last count characters, the whole string when longer
  VfsString replaced(char from, char to) const;

 private:
  void assign(const char* text, uint32_t length);
  static VfsString joined(const char* a, uint32_t a_length, const char* b, uint32_t b_length);

  char* data_ = nullptr;  // length_ + 1 bytes from malloc, zero-terminated; null for the empty string
  uint32_t length_ = 0;
};

bool operator==(const VfsString& a, const char* b);
