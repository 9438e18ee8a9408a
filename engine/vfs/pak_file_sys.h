// The read-only file system over a pak archive read through any VFile.
// Stored, LZSS-compressed and scrambled entries; every read seeks first, so any number of files
// may be open on one archive and read in any interleaving.
#pragma once
#include <cstdint>

#include "vfs/byte_stream.h"
#include "vfs/file_sys.h"
#include "vfs/lzss.h"
#include "vfs/pak_directory.h"
#include "vfs/scramble.h"

class PakFileSys : public FileSys {
 public:
  // archive: open for reading at position 0. owns_archive: destruction also closes it (mounting
  // leaves it clear and closes the archive itself, after the file system).
  explicit PakFileSys(VFile* archive, bool owns_archive = false);
  ~PakFileSys() override;

  VFile* open(const VfsString& path, int32_t mode) override;
  void* reserved(const VfsString& path, uint32_t argument) override;
  uint64_t file_size(const VfsString& path) override;
  bool exists(const VfsString& path) override;
  bool remove(const VfsString& path) override { return false; }
  DirIterator* find_first(const VfsString& pattern) override;
  bool find_next(DirIterator* iterator) override;
  void find_close(DirIterator* iterator) override;

  bool has_root() const { return directory_.has_root(); }
  bool scrambled() const { return scrambled_; }
  // The raw entry of a file, for tools that list packing and checksums.
  bool stat(const VfsString& path, PakEntry* entry) const;

 private:
  bool find_file(const VfsString& path, PakEntry* entry) const;

  VFile* archive_;
  PakDirectory directory_;  // the directory block and its root listing
  bool scrambled_ = false;
  bool owns_archive_;
};

// Pulls an entry's LZSS stream from the archive file at its current position.
class ArchiveReader : public ByteStream {
 public:
  ArchiveReader(VFile* archive, ScrambleState* state) : archive_(archive), state_(state) {}
  uint32_t read(void* buffer, uint32_t count) override;
  int32_t kind() const { return 2; }  // kept from the stream family; nothing asks
  uint64_t consumed() const { return consumed_; }

 private:
  VFile* archive_;
  uint64_t consumed_ = 0;
  ScrambleState* state_;  // in the owning PakFile; null when the archive is plain
};

class PakFile : public VFile {
 public:
  PakFile(const VfsString& name, FileSys* owner, VFile* archive, const PakEntry& entry, bool scrambled);
  bool ready() const { return !compressed() || decoder_; }  // false when the decoder could not be made

  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override { return 0; }
  uint64_t tell() override { return position_; }
  bool seek(uint64_t position) override;
  uint64_t size() override { return size_; }
  bool truncate(uint64_t size) override { return false; }

 protected:
  ~PakFile() override;

 private:
  bool compressed() const { return packing_ != 0; }

  uint64_t data_offset_;
  uint64_t size_;
  VFile* archive_;  // not owned
  uint64_t position_ = 0;
  uint64_t packing_;
  bool scrambled_;
  ScrambleState state_;
  LzssCodec* codec_ = nullptr;
  ArchiveReader* reader_ = nullptr;
  ByteStream* decoder_ = nullptr;
};

class PakDirIterator : public DirIterator {
 public:
  PakDirIterator(const PakListing& listing, uint32_t index, const VfsString& prefix, const VfsString& pattern)
      : listing_(listing), index_(index), prefix_(prefix), pattern_(pattern) {}
  VfsString name() override;
  uint64_t size() override { return entry_.size; }
  bool is_directory() override { return entry_.is_directory(); }

 private:
  friend class PakFileSys;
  PakListing listing_;
  uint32_t index_;
  VfsString prefix_;   // path_directory of the pattern as given, leading '/' included
  VfsString pattern_;  // the pattern's last component
  PakEntry entry_{};   // the current entry
};
