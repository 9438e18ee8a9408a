// pak list and pak extract: every entry of every listing visited, each file read back through the
// engine's own PakFileSys, so what the tool reports is what the program will see. Subtle: a
// checksum may cover the bytes as stored or as decoded, and anything skipped makes the command fail.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "pak_commands.h"
#include "vfs/directory_file_sys.h"
#include "vfs/pak_file_sys.h"
#include "vfs/pak_format.h"

namespace {
constexpr int kMaxDepth = 32;  // a crafted archive may hold a directory that lists itself

// The archive file as a VFile over stdio. It also checksums what is read from it while tapped:
// the reader pulls an entry's bytes in order from its offset, so the tap sees them as stored,
// before descrambling and decoding, and for a compressed entry exactly as far as decoding needs.
class StdioFile : public VFile {
 public:
  StdioFile(const char* path, FILE* file, uint64_t size) : VFile(VfsString(path), kOpenRead, nullptr), file_(file), size_(size) {}
  uint32_t read(void* buffer, uint32_t count) override {
    uint32_t got = static_cast<uint32_t>(std::fread(buffer, 1, count, file_));
    if (tapping_) {
      tap_ = pak_checksum_update(tap_, buffer, got);
      tap_next_ += got;
    }
    return got;
  }
  uint32_t write(const void*, uint32_t) override { return 0; }
  uint64_t tell() override {
    off_t at = ftello(file_);
    return at < 0 ? kVfsNoSize : static_cast<uint64_t>(at);
  }
  bool seek(uint64_t position) override {
    if (position > size_ || fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) return false;
    if (tapping_ && position != tap_next_) tap_whole_ = false;  // no longer one run of bytes
    return true;
  }
  uint64_t size() override { return size_; }
  bool truncate(uint64_t) override { return false; }

  void start_tap(uint64_t offset) {
    tapping_ = tap_whole_ = true;
    tap_next_ = offset;
    tap_ = 0xFFFFFFFFu;
  }
  // False when the bytes read since start_tap were not one run from its offset.
  bool stop_tap(uint32_t* checksum) {
    tapping_ = false;
    *checksum = tap_;
    return tap_whole_;
  }

 protected:
  ~StdioFile() override { std::fclose(file_); }

 private:
  FILE* file_;
  uint64_t size_;
  bool tapping_ = false;
  bool tap_whole_ = false;
  uint64_t tap_next_ = 0;
  uint32_t tap_ = 0;
};

StdioFile* open_archive(const std::string& path, FILE* report) {
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

// The archive twice over: its directory block to enumerate every entry, including those the
// program could never reach, and the file system that reads files as the program does.
struct Archive {
  Archive(StdioFile* archive_file, FILE* errors) : file(archive_file), files(archive_file, true), report(errors) {}
  StdioFile* file;  // closed by files
  PakFileSys files;
  PakDirectory directory;
  FILE* report;
  std::set<uint32_t> listings;  // non-empty listings visited so far
};

// Reads one file entry through the file system, as the program would find it by its path.
bool read_entry(Archive* archive, const std::string& path, const PakEntry& entry, Visitor* visitor) {
  VfsString name(path.c_str());
  PakEntry found;
  // The binary search must land on this very entry: a listing out of order or a duplicate name
  // would otherwise hide it, or give its name another entry's bytes.
  bool reachable = archive->files.stat(name, &found) && std::strcmp(found.name, entry.name) == 0 &&
                   found.offset == entry.offset && found.size == entry.size && found.packing == entry.packing;
  VFile* file = reachable ? archive->files.open(name, kOpenRead) : nullptr;
  if (!file) {
    std::fprintf(archive->report, "pak: cannot open entry '%s'\n", pak_shown_name(path).c_str());
    return false;
  }
  // Grown as bytes arrive, so a size field of 4 GiB over a short archive costs nothing.
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  archive->file->start_tap(entry.offset);
  while (bytes.size() < entry.size) {
    uint32_t piece = file->read(chunk, static_cast<uint32_t>(std::min<uint64_t>(sizeof chunk, entry.size - bytes.size())));
    if (piece == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + piece);
  }
  uint32_t stored_checksum;
  bool stored_whole = archive->file->stop_tap(&stored_checksum);
  file->close();
  bool complete = bytes.size() == entry.size;
  bool matches = complete && (pak_checksum(bytes.data(), bytes.size()) == entry.checksum ||
                              (stored_whole && stored_checksum == entry.checksum));
  visitor->file(name, entry, bytes, complete, matches);
  return matches;
}

// Visits every entry of the listing; false when any entry was refused, skipped or not read back
// whole and intact.
bool walk(Archive* archive, const PakListing& listing, const std::string& prefix, int depth, Visitor* visitor) {
  FILE* report = archive->report;
  bool ok = true;
  for (uint32_t index = 0; index < listing.count; ++index) {
    PakEntry entry;
    archive->directory.entry(listing, index, &entry);
    std::string bare = entry.is_directory() ? entry.name + 1 : entry.name;
    std::string path = prefix + bare;
    std::string shown = pak_shown_name(entry.is_directory() ? path + "/" : path);
    if (!entry.name_valid) {
      std::fprintf(report, "pak: skipping entry '%s': its name is not terminated\n", shown.c_str());
      ok = false;
      continue;
    }
    if (!pak_plain_name(bare)) {
      std::fprintf(report, "pak: refusing entry '%s': not a plain file or directory name\n", shown.c_str());
      ok = false;
      continue;
    }
    if (!entry.is_directory()) {
      ok = read_entry(archive, path, entry, visitor) && ok;
      continue;
    }
    visitor->directory(VfsString(path.c_str()));
    PakListing inner;
    if (depth >= kMaxDepth) {
      std::fprintf(report, "pak: directories nested too deeply at '%s'\n", shown.c_str());
      ok = false;
    } else if (!archive->directory.listing_at(entry.offset, &inner)) {
      std::fprintf(report, "pak: the listing of '%s' lies outside the directory block\n", shown.c_str());
      ok = false;
    } else if (inner.count != 0 && !archive->listings.insert(inner.offset).second) {
      // Directories sharing a listing could fan out to an endless walk.
      std::fprintf(report, "pak: the listing of '%s' belongs to another directory too\n", shown.c_str());
      ok = false;
    } else {
      ok = walk(archive, inner, path + "/", depth + 1, visitor) && ok;
    }
  }
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

// Null (with a message) unless the archive has a root listing.
std::unique_ptr<Archive> open_pak(const std::string& path, FILE* report) {
  StdioFile* file = open_archive(path, report);
  if (!file) return nullptr;
  auto archive = std::make_unique<Archive>(file, report);
  bool scrambled;
  if (!archive->files.has_root() || !archive->directory.load(file, &scrambled)) {
    std::fprintf(report, "pak: '%s' is not a readable pak archive\n", path.c_str());
    return nullptr;
  }
  return archive;
}
}  // namespace

int pak_list(const std::string& path, FILE* out, FILE* report) {
  std::unique_ptr<Archive> archive = open_pak(path, report);
  if (!archive) return 1;
  std::fprintf(out, "%s%s\n", path.c_str(), archive->files.scrambled() ? " (scrambled)" : "");
  std::fprintf(out, "%10s  %-6s  %-8s  %-5s  %s\n", "size", "pack", "checksum", "check", "name");
  Lister lister(out);
  bool ok = walk(archive.get(), archive->directory.root(), "", 0, &lister);
  return ok ? 0 : 1;
}

int pak_extract(const std::string& path, const std::string& directory, FILE* report) {
  std::unique_ptr<Archive> archive = open_pak(path, report);
  if (!archive) return 1;
  std::error_code code;
  std::filesystem::create_directories(directory, code);
  Extractor extractor(directory, report);
  bool ok = walk(archive.get(), archive->directory.root(), "", 0, &extractor);
  return ok && !extractor.failed ? 0 : 1;
}
