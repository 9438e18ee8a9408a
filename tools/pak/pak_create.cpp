// pak create: gather inputs from disk, build in memory, replace the output in one rename.
// Subtle: a failure at any step leaves an existing archive untouched and no temporary behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "pak_commands.h"

namespace fs = std::filesystem;

namespace {
constexpr int kMaxDepth = 32;  // deeper trees are refused (and symbolic link loops end here)

bool read_whole(const fs::path& path, std::vector<uint8_t>* data, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read '" + path.string() + "'";
    return false;
  }
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "cannot read '" + path.string() + "'";
    return false;
  }
  return true;
}

bool gather_one(const fs::path& path, int depth, PakNode* node, std::string* error) {
  if (depth > kMaxDepth) {
    *error = "directories nested too deeply at '" + path.string() + "'";
    return false;
  }
  std::error_code code;
  fs::path name = path.filename();
  if (name.empty()) name = path.parent_path().filename();  // "dir/" names its directory
  node->name = name.string();
  if (fs::is_directory(path, code)) {
    node->directory = true;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(path, code), end; !code && it != end; it.increment(code)) children.push_back(it->path());
    if (code) {
      *error = "cannot list '" + path.string() + "': " + code.message();
      return false;
    }
    for (const fs::path& child : children) {
      PakNode entry;
      if (!gather_one(child, depth + 1, &entry, error)) return false;
      node->children.push_back(std::move(entry));
    }
    return true;
  }
  if (!fs::is_regular_file(path, code)) {
    *error = (fs::exists(path, code) ? "not a file or directory: '" : "no such file or directory: '") + path.string() + "'";
    return false;
  }
  return read_whole(path, &node->data, error);
}
}  // namespace

bool pak_gather(const std::vector<std::string>& inputs, std::vector<PakNode>* root, std::string* error) {
  for (const std::string& input : inputs) {
    PakNode node;
    if (!gather_one(fs::path(input), 0, &node, error)) return false;
    root->push_back(std::move(node));
  }
  return true;
}

bool pak_write_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  std::string temporary = path + ".tmp-XXXXXX";
  int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) {
    *error = "cannot create a temporary file beside '" + path + "': " + std::strerror(errno);
    return false;
  }
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t put = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    written += static_cast<size_t>(put);
  }
  mode_t mask = umask(0);  // mkstemp makes 0600; the archive gets what a new file would
  umask(mask);
  bool ok = written == bytes.size() && fchmod(descriptor, 0666 & ~mask) == 0 && fsync(descriptor) == 0;
  ok = close(descriptor) == 0 && ok;
  if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  *error = "cannot write '" + path + "': " + std::strerror(errno);
  std::remove(temporary.c_str());
  return false;
}

int pak_create(const std::string& out, const std::vector<std::string>& inputs, const PakOptions& options, FILE* report) {
  std::vector<PakNode> root;
  std::vector<uint8_t> archive;
  std::string error;
  if (!pak_gather(inputs, &root, &error) || !pak_build(std::move(root), options, &archive, &error) ||
      !pak_write_file(out, archive, &error)) {
    std::fprintf(report, "pak: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
