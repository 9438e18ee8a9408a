// Files over the executable's "FileSystem" resources: read-only views of resource memory.
// A path is the decimal number of a resource (low 16 bits); there is no path syntax and no listing.
#pragma once
#include <cstdint>

#include "platform/resources.h"
#include "vfs/file_sys.h"

class ResourceFileSys : public FileSys {
 public:
  VFile* open(const VfsString& path, int32_t mode) override;  // the mode is ignored
  void* reserved(const VfsString& path, uint32_t argument) override { return nullptr; }
  uint64_t file_size(const VfsString& path) override;
  bool exists(const VfsString& path) override;
  bool remove(const VfsString& path) override { return false; }
  DirIterator* find_first(const VfsString& pattern) override { return nullptr; }
  bool find_next(DirIterator* iterator) override { return false; }
  void find_close(DirIterator* iterator) override {}

  // The first resource number of the type as decimal text; empty when there is none.
  VfsString first_resource_name() const;
};

class ResourceFile : public VFile {
 public:
  ResourceFile(const VfsString& name, FileSys* owner, const ResourceView& view)
      : VFile(name, kOpenRead, owner), view_(view) {}

  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override { return 0; }
  uint64_t tell() override { return position_; }
  bool seek(uint64_t position) override;
  uint64_t size() override { return view_.size; }
  bool truncate(uint64_t size) override { return false; }

 protected:
  ~ResourceFile() override;

 private:
  uint32_t position_ = 0;
  ResourceView view_;  // handle owned, bytes not
};

// The runtime's atoi truncated to 16 bits, without its overflow hazards: digits wrap modulo 2^32.
uint16_t resource_number(const char* text);
