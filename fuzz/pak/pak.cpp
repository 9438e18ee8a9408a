// libFuzzer target: PakFileSys over arbitrary archive bytes. Opens, reads and enumerates
// everything the archive lists, descending into directories to a bounded depth.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "vfs/pak_file_sys.h"

namespace {
// The archive as a read-only VFile over the fuzzer's bytes.
class InputFile : public VFile {
 public:
  InputFile(const uint8_t* data, size_t size) : VFile("input", kOpenRead, nullptr), data_(data), size_(size) {}
  uint32_t read(void* buffer, uint32_t count) override {
    uint64_t left = size_ - position_;
    if (count > left) count = static_cast<uint32_t>(left);
    if (count) std::memcpy(buffer, data_ + position_, count);
    position_ += count;
    return count;
  }
  uint32_t write(const void*, uint32_t) override { return 0; }
  uint64_t tell() override { return position_; }
  bool seek(uint64_t position) override {
    if (position > size_) return false;
    position_ = position;
    return true;
  }
  uint64_t size() override { return size_; }
  bool truncate(uint64_t) override { return false; }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_ = 0;
};

constexpr uint32_t kMaxRead = 1 << 16;  // entries claim up to 4 GiB; reading that much proves nothing

void read_entry(PakFileSys* fs, const VfsString& path, uint64_t claimed) {
  VFile* file = fs->open(path, kOpenRead);
  if (!file) return;
  static uint8_t buffer[4096];
  uint32_t total = 0;
  uint32_t piece = 1 + static_cast<uint32_t>(claimed % 4096);
  while (total < kMaxRead) {
    uint32_t got = file->read(buffer, piece);
    if (got == 0) break;
    if (got > piece) __builtin_trap();
    total += got;
  }
  if (file->tell() != total) __builtin_trap();
  file->seek(file->size());
  file->close();
}

void visit(PakFileSys* fs, const VfsString& prefix, int depth) {
  DirIterator* it = fs->find_first(prefix + "*.*");
  int count = 0;
  for (bool more = it != nullptr; more && count < 256; more = fs->find_next(it), ++count) {
    VfsString path = it->name();
    if (it->is_directory()) {
      if (depth < 4) visit(fs, path + "/", depth + 1);
    } else {
      fs->exists(path);
      fs->file_size(path);
      read_entry(fs, path, it->size());
    }
  }
  fs->find_close(it);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputFile* archive = new InputFile(data, size);
  PakFileSys* fs = new PakFileSys(archive, true);
  visit(fs, VfsString(), 0);
  for (const char* path : {"64.PCX", "fini.xm", "a/b/c", "*.", "F*"}) {
    fs->exists(path);
    DirIterator* it = fs->find_first(path);
    while (it && fs->find_next(it)) {
    }
    fs->find_close(it);
  }
  delete fs;
  return 0;
}
