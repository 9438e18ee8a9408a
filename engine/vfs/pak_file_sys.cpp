// PakFileSys: lookups, sizes and enumeration over the checked directory block.
// A file system whose archive had no acceptable root listing answers every lookup as missing.
#include "vfs/pak_file_sys.h"

#include <new>

#include "vfs/vfs_path.h"
#include "vfs/wildcard.h"

namespace {
// One leading '/' means the same as none.
const char* without_leading_slash(const VfsString& path) {
  const char* text = path.c_str();
  return text[0] == '/' ? text + 1 : text;
}
}  // namespace

PakFileSys::PakFileSys(VFile* archive, bool owns_archive) : archive_(archive), owns_archive_(owns_archive) {
  if (archive_) directory_.load(archive_, &scrambled_);
}

PakFileSys::~PakFileSys() {
  if (owns_archive_ && archive_) archive_->close();
}

bool PakFileSys::find_file(const VfsString& path, PakEntry* entry) const {
  if (!is_valid_path(path, false)) return false;
  return directory_.lookup(without_leading_slash(path), entry);
}

bool PakFileSys::stat(const VfsString& path, PakEntry* entry) const { return find_file(path, entry); }

VFile* PakFileSys::open(const VfsString& path, int32_t mode) {
  if (mode != kOpenRead) return nullptr;
  PakEntry entry;
  if (!find_file(path, &entry)) return nullptr;
  PakFile* file = new (std::nothrow) PakFile(path, this, archive_, entry, scrambled_);
  if (file && !file->ready()) {
    file->close();
    return nullptr;
  }
  return file;
}

void* PakFileSys::reserved(const VfsString& path, uint32_t argument) {
  is_valid_path(path, false);  // checked as every path is; the answer is null regardless
  return nullptr;
}

uint64_t PakFileSys::file_size(const VfsString& path) {
  PakEntry entry;
  return find_file(path, &entry) ? entry.size : kVfsNoSize;
}

bool PakFileSys::exists(const VfsString& path) {
  PakEntry entry;
  return find_file(path, &entry);
}

DirIterator* PakFileSys::find_first(const VfsString& pattern) {
  if (!is_valid_path(pattern, true)) return nullptr;
  PakListing listing;
  const char* last;
  if (!directory_.descend(without_leading_slash(pattern), &listing, &last)) return nullptr;
  PakEntry entry;
  for (uint32_t index = 0; index < listing.count; ++index) {
    directory_.entry(listing, index, &entry);
    if (!entry.name_valid || !wildcard_match(entry.name, last)) continue;
    PakDirIterator* iterator = new (std::nothrow) PakDirIterator(listing, index, path_directory(pattern), VfsString(last));
    if (iterator) iterator->entry_ = entry;
    return iterator;
  }
  return nullptr;
}

bool PakFileSys::find_next(DirIterator* base) {
  if (!base) return false;
  PakDirIterator* iterator = static_cast<PakDirIterator*>(base);  // made by find_first above
  if (iterator->index_ >= iterator->listing_.count) return false;
  while (++iterator->index_ < iterator->listing_.count) {
    directory_.entry(iterator->listing_, iterator->index_, &iterator->entry_);
    if (iterator->entry_.name_valid && wildcard_match(iterator->entry_.name, iterator->pattern_.c_str())) return true;
  }
  return false;
}

void PakFileSys::find_close(DirIterator* iterator) { delete iterator; }

VfsString PakDirIterator::name() {
  const char* stored = entry_.name;
  return prefix_ + (stored[0] == '/' ? stored + 1 : stored);
}
