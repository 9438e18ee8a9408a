// The pak writer: names checked and ordered exactly as the reader's binary search needs them
// (sub-directories first, then files, each by pak_stricmp), listings after the header, data after.
// Checksums cover the bytes as read back (decompressed, descrambled).
#include "pak_writer.h"

#include <algorithm>
#include <cstring>

#include "vfs/lzss.h"
#include "vfs/pak_format.h"
#include "vfs/scramble.h"
#include "vfs/vfs_path.h"

namespace {
constexpr uint32_t kAlign = 2048;

uint64_t round_up(uint64_t value, uint64_t step) { return (value + step - 1) / step * step; }

std::string stored_name(const PakNode& node) { return node.directory ? "/" + node.name : node.name; }

bool before(const PakNode& a, const PakNode& b) {
  if (a.directory != b.directory) return a.directory;
  return pak_stricmp(stored_name(a).c_str(), stored_name(b).c_str()) < 0;
}

bool prepare(std::vector<PakNode>* listing, const std::string& prefix, const PakOptions& options, std::string* error) {
  for (PakNode& node : *listing) {
    if (options.upper) {
      for (char& c : node.name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
    }
    std::string path = prefix + node.name;
    std::string probe = node.directory ? path + "/x" : path;
    if (!pak_plain_name(node.name) || !is_valid_path(VfsString(probe.c_str()), false)) {
      *error = "name cannot be read back from an archive or extracted: '" + pak_shown_name(path) + "'";
      return false;
    }
    if (stored_name(node).size() >= pak::kNameSize) {
      *error = "name longer than " + std::to_string(pak::kNameSize - 1) + " characters: '" + path + "'";
      return false;
    }
    if (node.directory && !prepare(&node.children, path + "/", options, error)) return false;
  }
  std::sort(listing->begin(), listing->end(), before);
  for (size_t i = 1; i < listing->size(); ++i) {
    const PakNode& a = (*listing)[i - 1];
    const PakNode& b = (*listing)[i];
    if (a.directory == b.directory && pak_stricmp(a.name.c_str(), b.name.c_str()) == 0) {
      *error = "two entries differ only in letter case: '" + prefix + a.name + "' and '" + prefix + b.name + "'";
      return false;
    }
  }
  // The stored names differ by the directory's '/', so the archive itself would be sound, but no
  // file system can extract a file and a directory of one name side by side.
  auto files = std::find_if(listing->begin(), listing->end(), [](const PakNode& node) { return !node.directory; });
  for (auto directory = listing->begin(); directory != files; ++directory) {
    auto clash = std::lower_bound(files, listing->end(), directory->name, [](const PakNode& node, const std::string& name) {
      return pak_stricmp(node.name.c_str(), name.c_str()) < 0;
    });
    if (clash != listing->end() && pak_stricmp(clash->name.c_str(), directory->name.c_str()) == 0) {
      *error = "a file and a directory have the same name: '" + prefix + clash->name + "' and '" + prefix + directory->name + "/'";
      return false;
    }
  }
  return true;
}

struct Layout {
  std::vector<uint8_t>* out;
  const PakOptions* options;
  uint64_t directory_end;  // where the next listing goes
  uint64_t data_end;       // where the next file's data goes
};

void put_u32(std::vector<uint8_t>* out, uint64_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t listing_bytes(const std::vector<PakNode>& listing) { return 4 + pak::kEntrySize * listing.size(); }

uint64_t directory_bytes(const std::vector<PakNode>& listing) {
  uint64_t total = listing_bytes(listing);
  for (const PakNode& node : listing) {
    if (node.directory) total += directory_bytes(node.children);
  }
  return total;
}

// Writes the listing at layout->directory_end, its sub-listings after it, and its files' data.
void write_listing(const std::vector<PakNode>& listing, Layout* layout) {
  std::vector<uint8_t>& out = *layout->out;
  uint64_t at = layout->directory_end;
  layout->directory_end += listing_bytes(listing);
  put_u32(&out, at, static_cast<uint32_t>(listing.size()));
  for (size_t i = 0; i < listing.size(); ++i) {
    const PakNode& node = listing[i];
    uint64_t entry = at + 4 + pak::kEntrySize * i;
    std::string name = stored_name(node);
    std::memcpy(&out[entry], name.data(), name.size());
    if (node.directory) {
      put_u32(&out, entry + pak::kEntryOffset, static_cast<uint32_t>(layout->directory_end));
      write_listing(node.children, layout);
      continue;
    }
    std::vector<uint8_t> stored = node.data;
    uint32_t packing = 0;
    if (layout->options->compress) {
      std::vector<uint8_t> packed = pak_compress(node.data);
      if (packed.size() < node.data.size()) {
        stored.swap(packed);
        packing = pak::kPackingLzss;
      }
    }
    if (layout->options->embedded_layout) layout->data_end = round_up(layout->data_end, kAlign);
    uint64_t offset = layout->data_end;
    layout->data_end += stored.size();
    if (out.size() < layout->data_end) out.resize(layout->data_end);
    if (layout->options->scramble) {
      ScrambleState state;
      scramble_reset(&state);
      scramble(stored.data(), static_cast<uint32_t>(stored.size()), &state);
    }
    if (!stored.empty()) std::memcpy(&out[offset], stored.data(), stored.size());
    put_u32(&out, entry + pak::kEntrySizeField, static_cast<uint32_t>(node.data.size()));
    put_u32(&out, entry + pak::kEntryPacking, packing);
    put_u32(&out, entry + pak::kEntryChecksum, pak_checksum(node.data.data(), node.data.size()));
    put_u32(&out, entry + pak::kEntryOffset, static_cast<uint32_t>(offset));
  }
}

uint64_t data_bytes(const std::vector<PakNode>& listing) {
  uint64_t total = 0;
  for (const PakNode& node : listing) total += node.directory ? data_bytes(node.children) : round_up(node.data.size() + 1, kAlign);
  return total;
}
}  // namespace

bool pak_plain_name(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c == ':' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string pak_shown_name(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (unsigned char c : name) {
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
    } else {
      shown += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return shown;
}

std::vector<uint8_t> pak_compress(const std::vector<uint8_t>& data) {
  MemoryByteStream source(data.data(), static_cast<uint32_t>(data.size()));
  LzssEncoder encoder(&source);
  std::vector<uint8_t> packed;
  uint8_t chunk[4096];
  while (uint32_t got = encoder.read(chunk, sizeof chunk)) packed.insert(packed.end(), chunk, chunk + got);
  return packed;
}

bool pak_build(std::vector<PakNode> root, const PakOptions& options, std::vector<uint8_t>* archive, std::string* error) {
  if (!prepare(&root, "", options, error)) return false;
  uint64_t block = pak::kRootListing + directory_bytes(root);
  // A generous bound on the whole archive: every offset and size field is 32 bits.
  if (block + data_bytes(root) + kAlign >= 0xFFFFFFFFull) {
    *error = "archive would exceed 4 GiB";
    return false;
  }
  uint64_t block_field = options.embedded_layout ? round_up(std::max<uint64_t>(block, kAlign), kAlign) : block;

  std::vector<uint8_t>& out = *archive;
  out.assign(block_field, 0);
  std::memcpy(out.data(), pak::kMagic, sizeof pak::kMagic);
  put_u32(&out, pak::kBlockSizeOffset, static_cast<uint32_t>(block_field));
  Layout layout{&out, &options, pak::kRootListing, block_field};
  write_listing(root, &layout);

  // The reader always takes the first 2048 bytes; the embedded layout ends on a 2048 boundary.
  uint64_t end = options.embedded_layout ? round_up(out.size(), kAlign) : std::max<uint64_t>(out.size(), kAlign);
  out.resize(end, 0);
  if (options.scramble) {
    // The block is the declared size, not just the listings: the embedded layout's zero padding
    // belongs to it and is scrambled in the same sequence. Padding after file data is in no
    // sequence and stays zero.
    ScrambleState state;
    scramble_reset(&state);
    scramble(out.data(), static_cast<uint32_t>(block_field), &state);
  }
  return true;
}
