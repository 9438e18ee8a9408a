// The three mounted objects (base file system, archive file, root pak file system), the archive
// search at start-up and the whole-file loader. Mounting again replaces the earlier mount whole,
// releasing it, instead of losing track of it.
#include "vfs/mount.h"

#include <cstdlib>
#include <new>

#include "shell/shell.h"
#include "vfs/directory_file_sys.h"
#include "vfs/pak_file_sys.h"
#include "vfs/resource_file_sys.h"
#include "vfs/vfs_path.h"

namespace {
struct Mounts {
  FileSys* base = nullptr;     // where the archive file was found
  VFile* archive = nullptr;    // opened on base
  PakFileSys* root = nullptr;  // over archive; every load_file path resolves here
};
Mounts g_mounts;
constexpr uint32_t kFirstBlock = 1u << 20;  // bytes load_file reserves before any have arrived

// The archive embedded in the executable: the first "FileSystem" resource.
bool open_embedded(FileSys** base, VFile** archive) {
  ResourceFileSys* resources = new (std::nothrow) ResourceFileSys;
  if (!resources) return false;
  *archive = resources->open(resources->first_resource_name(), kOpenRead);
  if (*archive) {
    *base = resources;
    return true;
  }
  delete resources;
  return false;
}

bool open_on_disk(const char* root, const char* name, FileSys** base, VFile** archive) {
  DirectoryFileSys* directory = new (std::nothrow) DirectoryFileSys(root);
  if (!directory) return false;
  *archive = directory->open(VfsString(name), kOpenRead);
  if (*archive) {
    *base = directory;
    return true;
  }
  delete directory;
  return false;
}
}  // namespace

bool mount_archive(const char* name) {
  FileSys* base = nullptr;
  VFile* archive = nullptr;
  bool found = open_embedded(&base, &archive);
  if (!found) {
    if (!name) return g_mounts.root != nullptr;
    char next_to_executable[kVfsMaxNativePath];
    found = open_on_disk("", name, &base, &archive) ||
            (executable_directory(next_to_executable) && open_on_disk(next_to_executable, name, &base, &archive));
    if (!found) fatal_error("Error opening archive '%s'.\n", name);
  }
  PakFileSys* root = new (std::nothrow) PakFileSys(archive);
  if (!root) {
    archive->close();
    delete base;
    return g_mounts.root != nullptr;
  }
  unmount_archive();
  g_mounts = Mounts{base, archive, root};
  return true;
}

void* load_file(const char* path, uint32_t* size_out) {
  VFile* file = g_mounts.root ? g_mounts.root->open(VfsString(path), kOpenRead) : nullptr;
  if (!file) fatal_error("File not found: '%s'", path);
  // The size is only what the archive claims. The buffer grows with the bytes that arrive, so a
  // damaged entry claiming gigabytes costs what it really holds; a sound entry is read in one go
  // when it fits the first block, and otherwise in doubling blocks up to its size.
  const uint32_t size = static_cast<uint32_t>(file->size());
  uint32_t capacity = size < kFirstBlock ? size : kFirstBlock;
  auto* buffer = static_cast<uint8_t*>(std::malloc(capacity ? capacity : 1));  // an empty file is no failure
  uint32_t count = buffer ? file->read(buffer, capacity) : 0;
  while (buffer && count == capacity && capacity < size) {
    uint32_t next = capacity > size / 2 ? size : capacity * 2;
    auto* grown = static_cast<uint8_t*>(std::realloc(buffer, next));
    if (!grown) std::free(buffer);
    buffer = grown;
    if (buffer) count += file->read(buffer + capacity, next - capacity);
    capacity = next;
  }
  file->close();
  if (buffer && size_out) *size_out = count;
  return buffer;
}

void unmount_archive() {
  delete g_mounts.root;
  g_mounts.root = nullptr;
  if (g_mounts.archive) {
    g_mounts.archive->close();
    g_mounts.archive = nullptr;
    delete g_mounts.base;
    g_mounts.base = nullptr;
  }
}
