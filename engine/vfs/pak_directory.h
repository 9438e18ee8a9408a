// The pak directory block in memory and the only code that reads it: every listing, entry and
// name is checked to lie wholly inside the block; anything else is treated as not there.
#pragma once
#include <cstdint>

class VFile;

struct PakListing {
  uint32_t offset;  // of its count field, from the start of the block (= of the archive)
  uint32_t count;   // entries, all of them inside the block
};

struct PakEntry {
  char name[65];    // the stored name, zero-terminated here even when it was not in the block
  bool name_valid;  // the stored name ends within its 64 bytes
  uint32_t size;
  uint32_t packing;
  uint32_t checksum;
  uint32_t offset;
  bool is_directory() const { return name[0] == '/'; }
};

class PakDirectory {
 public:
  PakDirectory() = default;
  PakDirectory(const PakDirectory&) = delete;
  PakDirectory& operator=(const PakDirectory&) = delete;
  ~PakDirectory();

  // Reads the block from the archive's current position (0). False leaves no root listing: the
  // archive is shorter than 2048 bytes, its magic is wrong plain and descrambled, its block size
  // exceeds the archive, or the block does not arrive whole.
  bool load(VFile* archive, bool* scrambled);

  bool has_root() const { return has_root_; }
  const PakListing& root() const { return root_; }
  bool listing_at(uint32_t offset, PakListing* listing) const;
  void entry(const PakListing& listing, uint32_t index, PakEntry* entry) const;  // index < count
  // Binary search of one listing for a stored name ('/' first for directories); a match needs a
  // valid name.
  bool find(const PakListing& listing, const char* key, PakEntry* entry) const;
  // Walks the directory components of path (no leading '/'); gives the listing that holds the
  // last component and where that component starts in path.
  bool descend(const char* path, PakListing* listing, const char** last) const;
  bool lookup(const char* path, PakEntry* entry) const;  // files only

  uint32_t block_size() const { return size_; }

 private:
  uint32_t u32(uint32_t offset) const;  // offset + 4 <= size_ checked by the caller

  uint8_t* block_ = nullptr;  // malloc'd, size_ bytes
  uint32_t size_ = 0;
  PakListing root_{};
  bool has_root_ = false;
};
