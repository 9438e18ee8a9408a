// The three interfaces every file system of the layer implements: FileSys, VFile, DirIterator.
// Virtual operations keep their fixed slot order; files die only through close, iterators only
// through find_close of the file system that made them.
#pragma once
#include <cstdint>

#include "vfs/vfs_string.h"

enum OpenMode : int32_t { kOpenRead = 1, kOpenWrite = 2, kOpenReadWrite = 3 };

constexpr uint64_t kVfsNoSize = ~static_cast<uint64_t>(0);  // "all ones": missing file, failed query

class FileSys;

class VFile {
 public:
  VFile(const VfsString& name, int32_t mode, FileSys* owner) : name_(name), mode_(mode), owner_(owner) {}

  virtual uint32_t read(void* buffer, uint32_t count) = 0;
  virtual uint32_t write(const void* buffer, uint32_t count) = 0;
  virtual uint64_t tell() = 0;
  virtual bool seek(uint64_t position) = 0;  // absolute only
  virtual uint64_t size() = 0;
  virtual bool truncate(uint64_t size) = 0;
  virtual void close() { delete this; }

  const VfsString& name() const { return name_; }
  int32_t mode() const { return mode_; }
  FileSys* owner() const { return owner_; }

 protected:
  virtual ~VFile() = default;

 private:
  VfsString name_;  // the path exactly as given to open
  int32_t mode_;
  FileSys* owner_;  // not owned; outlives the file
};

class DirIterator {
 public:
  virtual VfsString name() = 0;  // path_directory(pattern) followed by the entry's own name
  virtual uint64_t size() = 0;
  virtual bool is_directory() = 0;
  virtual ~DirIterator() = default;
};

class FileSys {
 public:
  virtual VFile* open(const VfsString& path, int32_t mode) = 0;
  // Kept for its slot; every file system answers null and nothing calls it.
  virtual void* reserved(const VfsString& path, uint32_t argument) = 0;
  virtual uint64_t file_size(const VfsString& path) = 0;
  virtual bool exists(const VfsString& path) = 0;  // files only, never directories
  virtual bool remove(const VfsString& path) = 0;
  virtual DirIterator* find_first(const VfsString& pattern) = 0;
  virtual bool find_next(DirIterator* iterator) = 0;
  virtual void find_close(DirIterator* iterator) = 0;
  virtual ~FileSys() = default;
};
