// ResourceFileSys over the embedded-resource seam, which Windows answers from the resource
// section and other platforms from a table linked into the program. Nothing is copied.
#include "vfs/resource_file_sys.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {
const char kResourceType[] = "FileSystem";

bool remember_first(uint16_t number, void* context) {
  char* text = static_cast<char*>(context);
  if (text[0]) return false;  // a second resource: stop, the first one counts
  std::snprintf(text, 16, "%d", static_cast<int>(number));
  return true;
}
}  // namespace

uint16_t resource_number(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<uint32_t>(*text - '0');
  if (negative) value = 0u - value;
  return static_cast<uint16_t>(value);
}

VFile* ResourceFileSys::open(const VfsString& path, int32_t mode) {
  ResourceView view{};
  if (!resource_load(kResourceType, resource_number(path.c_str()), &view)) return nullptr;
  if (!view.data) {
    resource_release(&view);
    return nullptr;
  }
  ResourceFile* file = new (std::nothrow) ResourceFile(path, this, view);
  if (!file) resource_release(&view);
  return file;
}

uint64_t ResourceFileSys::file_size(const VfsString& path) {
  uint32_t size;
  return resource_size(kResourceType, resource_number(path.c_str()), &size) ? size : kVfsNoSize;
}

bool ResourceFileSys::exists(const VfsString& path) {
  uint32_t size;
  return resource_size(kResourceType, resource_number(path.c_str()), &size);
}

VfsString ResourceFileSys::first_resource_name() const {
  char text[16] = "";
  // Whether a visit stopped at the second resource counts as failure differs between platforms;
  // the first number found is the answer either way.
  resource_enumerate(kResourceType, remember_first, text);
  return VfsString(text);
}

ResourceFile::~ResourceFile() { resource_release(&view_); }

uint32_t ResourceFile::read(void* buffer, uint32_t count) {
  uint32_t left = view_.size - position_;
  if (count > left) count = left;
  if (count) std::memcpy(buffer, view_.data + position_, count);
  position_ += count;
  return count;
}

bool ResourceFile::seek(uint64_t position) {
  if (position > view_.size) return false;
  position_ = static_cast<uint32_t>(position);
  return true;
}
