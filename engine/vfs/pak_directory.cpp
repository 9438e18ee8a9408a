// Reading, checking and searching the pak directory block.
// Subtle: the binary search must see names exactly as the writer sorted them, so an unterminated
// name still compares by its 64 bytes; it only can never be found or listed.
#include "vfs/pak_directory.h"

#include <cstdlib>
#include <cstring>

#include "vfs/file_sys.h"
#include "vfs/pak_format.h"
#include "vfs/scramble.h"

PakDirectory::~PakDirectory() { std::free(block_); }

uint32_t PakDirectory::u32(uint32_t offset) const {
  const uint8_t* p = block_ + offset;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

namespace {
uint32_t read_fully(VFile* file, uint8_t* buffer, uint32_t count) {
  uint32_t total = 0;
  while (total < count) {
    uint32_t got = file->read(buffer + total, count - total);
    if (got == 0) break;
    total += got;
  }
  return total;
}

bool magic_matches(const uint8_t* block) { return std::memcmp(block, pak::kMagic, sizeof pak::kMagic) == 0; }
}  // namespace

bool PakDirectory::load(VFile* archive, bool* scrambled) {
  *scrambled = false;
  block_ = static_cast<uint8_t*>(std::malloc(pak::kFirstRead));
  if (!block_) return false;
  size_ = pak::kFirstRead;
  archive->seek(0);
  if (read_fully(archive, block_, pak::kFirstRead) != pak::kFirstRead) return false;

  ScrambleState state;
  if (!magic_matches(block_)) {
    scramble_reset(&state);
    descramble(block_, pak::kFirstRead, &state);
    *scrambled = true;
    if (!magic_matches(block_)) return false;
  }

  uint32_t declared = u32(pak::kBlockSizeOffset);
  if (declared > pak::kFirstRead) {
    // Refused before allocating: a block cannot be larger than the archive that holds it.
    uint64_t archive_size = archive->size();
    if (archive_size == kVfsNoSize || declared > archive_size) return false;
    uint8_t* larger = static_cast<uint8_t*>(std::realloc(block_, declared));
    if (!larger) return false;
    block_ = larger;
    size_ = declared;
    uint32_t rest = declared - pak::kFirstRead;
    if (read_fully(archive, block_ + pak::kFirstRead, rest) != rest) return false;
    if (*scrambled) descramble(block_ + pak::kFirstRead, rest, &state);
  }
  has_root_ = listing_at(pak::kRootListing, &root_);
  return has_root_;
}

bool PakDirectory::listing_at(uint32_t offset, PakListing* listing) const {
  if (!block_ || size_ < 4 || offset > size_ - 4) return false;
  uint32_t count = u32(offset);
  uint64_t end = static_cast<uint64_t>(offset) + 4 + static_cast<uint64_t>(count) * pak::kEntrySize;
  if (end > size_) return false;
  *listing = PakListing{offset, count};
  return true;
}

void PakDirectory::entry(const PakListing& listing, uint32_t index, PakEntry* entry) const {
  uint32_t at = listing.offset + 4 + index * pak::kEntrySize;
  const uint8_t* raw = block_ + at;
  std::memcpy(entry->name, raw, pak::kNameSize);
  entry->name[pak::kNameSize] = 0;
  entry->name_valid = std::memchr(raw, 0, pak::kNameSize) != nullptr;
  entry->size = u32(at + pak::kEntrySizeField);
  entry->packing = u32(at + pak::kEntryPacking);
  entry->checksum = u32(at + pak::kEntryChecksum);
  entry->offset = u32(at + pak::kEntryOffset);
}

bool PakDirectory::find(const PakListing& listing, const char* key, PakEntry* found) const {
  if (listing.count == 0) return false;
  bool key_is_directory = key[0] == '/';
  uint32_t lo = 0, hi = listing.count;
  PakEntry probe;
  while (hi != lo + 1) {
    uint32_t mid = lo + (hi - lo) / 2;
    entry(listing, mid, &probe);
    bool before = key_is_directory == probe.is_directory() ? pak_stricmp(key, probe.name) < 0
                                                           : key_is_directory;
    if (before) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  entry(listing, lo, found);
  return found->name_valid && pak_stricmp(found->name, key) == 0;
}

bool PakDirectory::descend(const char* path, PakListing* listing, const char** last) const {
  if (!has_root_) return false;
  PakListing current = root_;
  const char* rest = path;
  for (const char* slash; (slash = std::strchr(rest, '/')) != nullptr; rest = slash + 1) {
    size_t length = static_cast<size_t>(slash - rest);
    char key[pak::kNameSize + 1];
    if (length + 1 >= pak::kNameSize) return false;  // longer than any stored name
    key[0] = '/';
    std::memcpy(key + 1, rest, length);
    key[length + 1] = 0;
    PakEntry directory;
    if (!find(current, key, &directory)) return false;
    if (!listing_at(directory.offset, &current)) return false;
  }
  *listing = current;
  *last = rest;
  return true;
}

bool PakDirectory::lookup(const char* path, PakEntry* found) const {
  PakListing listing;
  const char* name;
  if (!descend(path, &listing, &name)) return false;
  if (name[0] == '/' || std::strlen(name) >= pak::kNameSize) return false;
  return find(listing, name, found);
}
