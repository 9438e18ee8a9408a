// A read-write file system over a directory tree of the operating system.
// The root always ends with the platform's separator; an empty root means the current directory,
// and when that cannot be read the root stays empty and every path is missing.
#pragma once
#include <cstdint>

#include "platform/files.h"
#include "vfs/file_sys.h"

class DirectoryFileSys : public FileSys {
 public:
  explicit DirectoryFileSys(const char* root);

  VFile* open(const VfsString& path, int32_t mode) override;
  void* reserved(const VfsString& path, uint32_t argument) override;
  uint64_t file_size(const VfsString& path) override;  // 0 for a bad path or a missing file
  bool exists(const VfsString& path) override;
  bool remove(const VfsString& path) override;  // also prunes the directories it leaves empty
  DirIterator* find_first(const VfsString& pattern) override;
  bool find_next(DirIterator* iterator) override;
  void find_close(DirIterator* iterator) override;

  const VfsString& root() const { return root_; }
  // The root, then path without its leading separators, with '/' turned into the platform's.
  VfsString native_path(const VfsString& path) const;

 private:
  bool create_directories(const VfsString& native);
  bool usable(const VfsString& path, bool wildcards) const;  // a root and a valid path

  VfsString root_;
};

class NativeFile : public VFile {
 public:
  NativeFile(const VfsString& name, int32_t mode, FileSys* owner, OsFile* handle)
      : VFile(name, mode, owner), handle_(handle) {}

  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override;
  uint64_t tell() override;
  bool seek(uint64_t position) override;  // never beyond the end: seeking cannot extend a file
  uint64_t size() override;
  bool truncate(uint64_t size) override;  // shortens only; the position is clamped to the new end

 protected:
  ~NativeFile() override { os_file_close(handle_); }

 private:
  OsFile* handle_;  // owned
};

class NativeDirIterator : public DirIterator {
 public:
  explicit NativeDirIterator(const VfsString& prefix) : prefix_(prefix) {}
  VfsString name() override { return prefix_ + data_.name; }
  uint64_t size() override { return data_.size; }
  bool is_directory() override { return (data_.attributes & kOsFileAttributeDirectory) != 0; }

 private:
  friend class DirectoryFileSys;
  OsFindData data_{};
  OsFindSearch* search_ = nullptr;
  VfsString prefix_;  // path_directory of the pattern as given
};
