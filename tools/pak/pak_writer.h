// Building pak archives in memory: the tree of entries and the layout options of the pak tool.
// The writer sorts, checks and lays out; it never touches the disk.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PakNode {
  std::string name;           // one path component, no '/'
  bool directory = false;
  std::vector<uint8_t> data;  // a file's bytes
  std::vector<PakNode> children;
};

struct PakOptions {
  bool upper = false;            // names in upper case
  bool compress = false;         // LZSS per entry where that makes it smaller
  bool scramble = false;         // the whole archive through the scramble cipher
  bool embedded_layout = false;  // block padded to 2048, data at multiples of 2048, zero padding
};

// A name that extracts as exactly one entry inside the target directory on any system: not
// empty, "." or "..", and without '/', '\\', ':' (drive letters, Windows streams) or control bytes.
bool pak_plain_name(const std::string& name);
// The name for a message: control and non-ASCII bytes as \xNN, so a crafted name cannot move the
// terminal's cursor or hide what follows it.
std::string pak_shown_name(const std::string& name);

// Lays out the archive; false with a message for names the reader could not find or that could
// not be extracted (too long, not a plain path component, duplicates without regard to case, a
// file and a directory of one name) or an archive beyond 4 GiB.
bool pak_build(std::vector<PakNode> root, const PakOptions& options, std::vector<uint8_t>* archive, std::string* error);

// LZSS stream of data, as compressed entries hold it.
std::vector<uint8_t> pak_compress(const std::vector<uint8_t>& data);
