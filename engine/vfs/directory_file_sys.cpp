// DirectoryFileSys: path checks, native paths, open with directory creation, removal with
// pruning and enumeration that hides "." and "..". The file system makes no other decisions:
// letter case and wildcard details are the platform's.
#include "vfs/directory_file_sys.h"

#include <cstring>
#include <new>

#include "platform/os.h"
#include "vfs/vfs_path.h"

namespace {
bool is_dot_entry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }
}  // namespace

DirectoryFileSys::DirectoryFileSys(const char* root) : root_(root) {
  if (root_.empty()) {
    char current[kVfsMaxNativePath];
    // A separator alone would be the top of the file system: a current directory that cannot be
    // read leaves the root empty instead, and usable() then refuses every path.
    if (!os_current_directory(current, sizeof current) || current[0] == 0) return;
    root_ = VfsString(current);
  }
  char separator[2] = {os_path_separator(), 0};
  if (root_[root_.length() - 1] != separator[0]) root_ = root_ + separator;
}

bool DirectoryFileSys::usable(const VfsString& path, bool wildcards) const {
  return !root_.empty() && is_valid_path(path, wildcards);
}

VfsString DirectoryFileSys::native_path(const VfsString& path) const {
  const char* text = path.c_str();
  while (*text == '/' || *text == '\\') ++text;
  return root_ + VfsString(text).replaced('/', os_path_separator());
}

bool DirectoryFileSys::create_directories(const VfsString& native) {
  char separator = os_path_separator();
  const char* text = native.c_str();
  for (uint32_t i = 0; i < native.length(); ++i) {
    if (text[i] != separator || i == 0) continue;
    VfsString prefix = native.left(i);
    if (separator == '\\' && prefix[prefix.length() - 1] == ':') continue;  // a drive, never created
    if (os_directory_exists(prefix.c_str())) continue;
    if (!os_directory_create(prefix.c_str())) return false;
  }
  return true;
}

VFile* DirectoryFileSys::open(const VfsString& path, int32_t mode) {
  if (!usable(path, false)) return nullptr;
  VfsString native = native_path(path);
  OsFile* handle;
  if (mode == kOpenRead) {
    handle = os_file_open_read(native.c_str());
  } else {
    bool read_too = mode == kOpenReadWrite;
    handle = os_file_open_always(native.c_str(), read_too);
    if (!handle) {
      if (!create_directories(native)) return nullptr;
      handle = os_file_open_always(native.c_str(), read_too);
    }
  }
  if (!handle) return nullptr;
  NativeFile* file = new (std::nothrow) NativeFile(path, mode, this, handle);
  if (!file) os_file_close(handle);
  return file;
}

void* DirectoryFileSys::reserved(const VfsString& path, uint32_t argument) {
  is_valid_path(path, false);  // checked as every path is; the answer is null regardless
  return nullptr;
}

uint64_t DirectoryFileSys::file_size(const VfsString& path) {
  if (!usable(path, false)) return 0;
  OsFindData data;
  OsFindSearch* search = os_find_first(native_path(path).c_str(), &data);
  if (!search) return 0;
  os_find_close(search);
  return data.size;
}

bool DirectoryFileSys::exists(const VfsString& path) {
  if (!usable(path, false)) return false;
  OsFindData data;
  OsFindSearch* search = os_find_first(native_path(path).c_str(), &data);
  if (!search) return false;
  os_find_close(search);
  return (data.attributes & kOsFileAttributeDirectory) == 0;
}

bool DirectoryFileSys::remove(const VfsString& path) {
  if (!usable(path, false)) return false;
  if (!os_file_delete(native_path(path).c_str())) return false;
  for (VfsString directory = path_directory(path); !directory.empty(); directory = path_directory(directory)) {
    directory = directory.left(directory.length() - 1);
    if (directory.empty() || !os_directory_remove(native_path(directory).c_str())) break;
  }
  return true;
}

DirIterator* DirectoryFileSys::find_first(const VfsString& pattern) {
  if (!usable(pattern, true)) return nullptr;
  NativeDirIterator* iterator = new (std::nothrow) NativeDirIterator(path_directory(pattern));
  if (!iterator) return nullptr;
  iterator->search_ = os_find_first(native_path(pattern).c_str(), &iterator->data_);
  if (!iterator->search_) {
    delete iterator;
    return nullptr;
  }
  if (is_dot_entry(iterator->data_.name) && !find_next(iterator)) {
    find_close(iterator);
    return nullptr;
  }
  return iterator;
}

bool DirectoryFileSys::find_next(DirIterator* base) {
  if (!base) return false;
  NativeDirIterator* iterator = static_cast<NativeDirIterator*>(base);  // made by find_first above
  while (os_find_next(iterator->search_, &iterator->data_)) {
    if (!is_dot_entry(iterator->data_.name)) return true;
  }
  return false;
}

void DirectoryFileSys::find_close(DirIterator* base) {
  if (!base) return;
  NativeDirIterator* iterator = static_cast<NativeDirIterator*>(base);
  os_find_close(iterator->search_);
  delete iterator;
}
