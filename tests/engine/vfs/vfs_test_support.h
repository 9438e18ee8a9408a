// Test doubles for the file-system tests: a VFile over bytes in memory, hand-built pak archives
// and byte sources that deliver in small pieces or pause.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "vfs/byte_stream.h"
#include "vfs/file_sys.h"
#include "vfs/pak_format.h"
#include "vfs/scramble.h"

// A read-only VFile over a vector; the vector must outlive it.
class MemoryFile : public VFile {
 public:
  explicit MemoryFile(const std::vector<uint8_t>& bytes) : VFile("memory", kOpenRead, nullptr), bytes_(bytes) {}
  uint32_t read(void* buffer, uint32_t count) override {
    uint64_t left = bytes_.size() - position_;
    if (count > left) count = static_cast<uint32_t>(left);
    if (count) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  uint32_t write(const void*, uint32_t) override { return 0; }
  uint64_t tell() override { return position_; }
  bool seek(uint64_t position) override {
    if (position > bytes_.size()) return false;
    position_ = position;
    return true;
  }
  uint64_t size() override { return bytes_.size(); }
  bool truncate(uint64_t) override { return false; }

 private:
  const std::vector<uint8_t>& bytes_;
  uint64_t position_ = 0;
};

// Delivers at most `piece` bytes per read; with pause_every, every n-th read delivers nothing once.
class TrickleStream : public ByteStream {
 public:
  TrickleStream(const std::vector<uint8_t>& bytes, uint32_t piece, uint32_t pause_every = 0)
      : bytes_(bytes), piece_(piece), pause_every_(pause_every) {}
  uint32_t read(void* buffer, uint32_t count) override {
    if (pause_every_ && ++calls_ % pause_every_ == 0) return 0;
    uint32_t left = static_cast<uint32_t>(bytes_.size() - position_);
    if (count > piece_) count = piece_;
    if (count > left) count = left;
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  bool exhausted() const { return position_ == bytes_.size(); }

 private:
  const std::vector<uint8_t>& bytes_;
  uint32_t piece_;
  uint32_t pause_every_;
  uint32_t calls_ = 0;
  size_t position_ = 0;
};

inline void put_u32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  if (bytes->size() < at + 4) bytes->resize(at + 4);
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// One raw entry as it goes into a listing (names are written as given, no sorting).
struct RawEntry {
  std::string name;
  uint32_t size;
  uint32_t packing;
  uint32_t offset;
  uint32_t checksum = 0;
};

// Writes a listing at `at`; returns the offset just after it.
inline size_t put_listing(std::vector<uint8_t>* bytes, size_t at, const std::vector<RawEntry>& entries) {
  put_u32(bytes, at, static_cast<uint32_t>(entries.size()));
  size_t end = at + 4 + pak::kEntrySize * entries.size();
  if (bytes->size() < end) bytes->resize(end);
  for (size_t i = 0; i < entries.size(); ++i) {
    size_t entry = at + 4 + pak::kEntrySize * i;
    std::memset(&(*bytes)[entry], 0, pak::kNameSize);
    std::memcpy(&(*bytes)[entry], entries[i].name.data(), std::min<size_t>(entries[i].name.size(), pak::kNameSize));
    put_u32(bytes, entry + pak::kEntrySizeField, entries[i].size);
    put_u32(bytes, entry + pak::kEntryPacking, entries[i].packing);
    put_u32(bytes, entry + pak::kEntryChecksum, entries[i].checksum);
    put_u32(bytes, entry + pak::kEntryOffset, entries[i].offset);
  }
  return end;
}

// Header with the magic and a block size; the archive is at least 2048 bytes.
inline std::vector<uint8_t> pak_header(uint32_t block_size) {
  std::vector<uint8_t> bytes(2048, 0);
  std::memcpy(bytes.data(), "Orvane3.0", 10);
  put_u32(&bytes, 12, block_size);
  return bytes;
}

inline void put_bytes(std::vector<uint8_t>* bytes, size_t at, const std::string& data) {
  if (bytes->size() < at + data.size()) bytes->resize(at + data.size());
  std::memcpy(bytes->data() + at, data.data(), data.size());
}

inline void scramble_range(std::vector<uint8_t>* bytes, size_t at, size_t length) {
  ScrambleState state;
  scramble_reset(&state);
  scramble(bytes->data() + at, static_cast<uint32_t>(length), &state);
}

// Reads a whole VFile in pieces of `piece` bytes.
inline std::string read_all(VFile* file, uint32_t piece = 4096) {
  std::string out;
  std::vector<char> buffer(piece);
  while (uint32_t got = file->read(buffer.data(), piece)) out.append(buffer.data(), got);
  return out;
}

// Names of every entry a pattern enumerates, directories marked with a trailing '/'.
inline std::vector<std::string> enumerate(FileSys* fs, const char* pattern) {
  std::vector<std::string> names;
  DirIterator* it = fs->find_first(pattern);
  for (bool more = it != nullptr; more; more = fs->find_next(it)) {
    names.push_back(std::string(it->name().c_str()) + (it->is_directory() ? "/" : ""));
  }
  if (it) fs->find_close(it);
  return names;
}
