// pak list and pak extract: every entry read back through the engine's own PakFileSys, so what
// the tool reports is what the program will see; checksums are verified on the decoded bytes.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "pak_commands.h"
#include "vfs/directory_file_sys.h"
#include "vfs/pak_file_sys.h"
#include "vfs/pak_format.h"

namespace {
constexpr int kMaxDepth = 32;  // a crafted archive may hold a directory that lists itself

// The archive file as a VFile over stdio.
class StdioFile : public VFile {
 public:
  StdioFile(const char* path, FILE* file, uint64_t size) : VFile(VfsString(path), kOpenRead, nullptr), file_(file), size_(size) {}
  uint32_t read(void* buffer, uint32_t count) override { return static_cast<uint32_t>(std::fread(buffer, 1, count, file_)); }
  uint32_t write(const void*, uint32_t) override { return 0; }
  uint64_t tell() override {
    off_t at = ftello(file_);
    return at < 0 ? kVfsNoSize : static_cast<uint64_t>(at);
  }
  bool seek(uint64_t position) override {
    return position <= size_ && fseeko(file_, static_cast<off_t>(position), SEEK_SET) == 0;
  }
  uint64_t size() override { return size_; }
  bool truncate(uint64_t) override { return false; }

 protected:
  ~StdioFile() override { std::fclose(file_); }

 private:
  FILE* file_;
  uint64_t size_;
};

VFile* open_archive(const std::string& path, FILE* report) {
  FILE* file = std::fopen(path.c_str(), "rb");
  struct stat info;
  if (!file || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    if (file) std::fclose(file);
    std::fprintf(report, "pak: cannot open '%s'\n", path.c_str());
    return nullptr;
  }
  return new StdioFile(path.c_str(), file, static_cast<uint64_t>(info.st_size));
}

struct Visitor {
  virtual void directory(const VfsString& path) = 0;
  // The entry, the bytes as read back and whether they are complete and match the checksum.
  virtual void file(const VfsString& path, const PakEntry& entry, const std::vector<uint8_t>& bytes, bool complete, bool matches) = 0;
  virtual ~Visitor() = default;
};

// Visits every entry under prefix; false when an entry could not be read back whole and intact.
bool walk(PakFileSys* archive, const VfsString& prefix, int depth, Visitor* visitor, FILE* report) {
  bool ok = true;
  DirIterator* it = archive->find_first(prefix + "*.*");
  for (bool more = it != nullptr; more; more = archive->find_next(it)) {
    VfsString path = it->name();
    if (it->is_directory()) {
      visitor->directory(path);
      if (depth >= kMaxDepth) {
        std::fprintf(report, "pak: directories nested too deeply at '%s'\n", path.c_str());
        ok = false;
      } else {
        ok = walk(archive, path + "/", depth + 1, visitor, report) && ok;
      }
      continue;
    }
    PakEntry entry;
    VFile* file = archive->stat(path, &entry) ? archive->open(path, kOpenRead) : nullptr;
    if (!file) {
      std::fprintf(report, "pak: cannot open entry '%s'\n", path.c_str());
      ok = false;
      continue;
    }
    std::vector<uint8_t> bytes(entry.size);
    uint32_t got = 0;
    while (got < entry.size) {
      uint32_t piece = file->read(bytes.data() + got, entry.size - got);
      if (piece == 0) break;
      got += piece;
    }
    file->close();
    bool complete = got == entry.size;
    bool matches = complete && pak_checksum(bytes.data(), bytes.size()) == entry.checksum;
    bytes.resize(got);
    visitor->file(path, entry, bytes, complete, matches);
    ok = ok && matches;
  }
  archive->find_close(it);
  return ok;
}

struct Lister : Visitor {
  FILE* out;
  explicit Lister(FILE* report) : out(report) {}
  void directory(const VfsString& path) override { std::fprintf(out, "%10s  %-6s  %-8s  %-5s  %s/\n", "-", "dir", "-", "-", path.c_str()); }
  void file(const VfsString& path, const PakEntry& entry, const std::vector<uint8_t>&, bool complete, bool matches) override {
    const char* status = !complete ? "short" : matches ? "ok" : "BAD";
    std::fprintf(out, "%10u  %-6s  %08X  %-5s  %s\n", entry.size, entry.packing ? "lzss" : "stored", entry.checksum, status, path.c_str());
  }
};

struct Extractor : Visitor {
  DirectoryFileSys target;
  std::string root;
  FILE* out;
  bool failed = false;
  Extractor(const std::string& directory, FILE* report) : target(directory.c_str()), root(directory), out(report) {}
  void directory(const VfsString& path) override {
    std::error_code code;
    std::filesystem::create_directories(std::filesystem::path(target.native_path(path).c_str()), code);
    if (code) {
      std::fprintf(out, "pak: cannot create directory '%s'\n", path.c_str());
      failed = true;
    }
  }
  void file(const VfsString& path, const PakEntry&, const std::vector<uint8_t>& bytes, bool complete, bool matches) override {
    if (!matches) std::fprintf(out, "pak: '%s' %s; extracted as read\n", path.c_str(), complete ? "fails its checksum" : "is cut short");
    VFile* file = target.open(path, kOpenWrite);
    uint32_t written = 0;
    while (file && written < bytes.size()) {
      uint32_t piece = file->write(bytes.data() + written, static_cast<uint32_t>(bytes.size() - written));
      if (piece == 0) break;
      written += piece;
    }
    bool ok = file && written == bytes.size() && file->truncate(written);
    if (file) file->close();
    if (!ok) {
      std::fprintf(out, "pak: cannot write '%s'\n", path.c_str());
      failed = true;
    }
  }
};

PakFileSys* open_pak(const std::string& path, FILE* report) {
  VFile* archive = open_archive(path, report);
  if (!archive) return nullptr;
  PakFileSys* pak = new PakFileSys(archive, true);
  if (!pak->has_root()) {
    std::fprintf(report, "pak: '%s' is not a readable pak archive\n", path.c_str());
    delete pak;
    return nullptr;
  }
  return pak;
}
}  // namespace

int pak_list(const std::string& archive, FILE* out, FILE* report) {
  PakFileSys* pak = open_pak(archive, report);
  if (!pak) return 1;
  std::fprintf(out, "%s%s\n", archive.c_str(), pak->scrambled() ? " (scrambled)" : "");
  std::fprintf(out, "%10s  %-6s  %-8s  %-5s  %s\n", "size", "pack", "checksum", "check", "name");
  Lister lister(out);
  bool ok = walk(pak, VfsString(), 0, &lister, report);
  delete pak;
  return ok ? 0 : 1;
}

int pak_extract(const std::string& archive, const std::string& directory, FILE* report) {
  PakFileSys* pak = open_pak(archive, report);
  if (!pak) return 1;
  std::error_code code;
  std::filesystem::create_directories(directory, code);
  Extractor extractor(directory, report);
  bool ok = walk(pak, VfsString(), 0, &extractor, report);
  delete pak;
  return ok && !extractor.failed ? 0 : 1;
}
