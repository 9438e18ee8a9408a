// The pak reader over hand-built archives: lookups, order, enumeration, reads, seeks, scrambled
// and compressed entries, and directory blocks that lie.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/crt_rand.h"
#include "vfs/lzss.h"
#include "vfs/pak_file_sys.h"
#include "vfs_test_support.h"

namespace {
std::string noise(size_t size) {
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(crt_rand());
  return out;
}

std::string lzss(const std::string& data) {
  MemoryByteStream source(data.data(), static_cast<uint32_t>(data.size()));
  LzssEncoder encoder(&source);
  std::string out;
  char piece[1000];
  while (uint32_t got = encoder.read(piece, sizeof piece)) out.append(piece, got);
  return out;
}

// Root: /DATA (holding A.TXT), /ZED (empty), then B.TXT (4,802 bytes), C.LZ (compressed), D.TXT.
struct NestedArchive {
  std::string b = noise(4802), a = "alpha file", c = std::string(3000, 'c') + noise(200) + std::string(3000, 'c');
  std::string d = "delta";
  std::vector<uint8_t> bytes;

  explicit NestedArchive(bool scrambled = false) {
    std::string c_stream = lzss(c);
    bytes = pak_header(2048);
    uint32_t data_listing = 16 + 4 + 5 * 80, zed_listing = data_listing + 4 + 80;
    uint32_t at_a = 2048, at_b = at_a + 100, at_c = at_b + 4802, at_d = at_c + static_cast<uint32_t>(c_stream.size());
    put_listing(&bytes, 16,
                {{"/DATA", 0, 0, data_listing}, {"/ZED", 0, 0, zed_listing}, {"B.TXT", 4802, 0, at_b},
                 {"C.LZ", static_cast<uint32_t>(c.size()), 2, at_c}, {"D.TXT", 5, 0, at_d}});
    put_listing(&bytes, data_listing, {{"A.TXT", static_cast<uint32_t>(a.size()), 0, at_a}});
    put_listing(&bytes, zed_listing, {});
    if (scrambled) scramble_range(&bytes, 0, 2048);
    put_bytes(&bytes, at_a, a);
    put_bytes(&bytes, at_b, b);
    put_bytes(&bytes, at_c, c_stream);
    put_bytes(&bytes, at_d, d);
    if (scrambled) {
      scramble_range(&bytes, at_a, a.size());
      scramble_range(&bytes, at_b, b.size());
      scramble_range(&bytes, at_c, c_stream.size());
      scramble_range(&bytes, at_d, d.size());
    }
  }
};

std::string read_path(FileSys* fs, const char* path, uint32_t piece = 4096) {
  VFile* file = fs->open(path, kOpenRead);
  if (!file) return "<missing>";
  std::string out = read_all(file, piece);
  file->close();
  return out;
}
}  // namespace

TEST(PakFileSys, FindsFilesWithoutRegardToCaseAndOneLeadingSlash) {
  NestedArchive archive;
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  ASSERT_TRUE(fs.has_root());
  EXPECT_FALSE(fs.scrambled());
  for (const char* path : {"b.txt", "B.TXT", "/b.Txt"}) EXPECT_TRUE(read_path(&fs, path) == archive.b) << path;
  for (const char* path : {"b.txt/", "\\b.txt", "//b.txt", "b*.txt", "", "e.txt"}) {
    EXPECT_EQ(fs.open(path, kOpenRead), nullptr) << path;
    EXPECT_EQ(fs.file_size(path), kVfsNoSize) << path;
    EXPECT_FALSE(fs.exists(path)) << path;
  }
  EXPECT_EQ(fs.file_size("D.TXT"), 5u);
  EXPECT_EQ(fs.open("b.txt", kOpenWrite), nullptr);
  EXPECT_EQ(fs.open("b.txt", kOpenReadWrite), nullptr);
  EXPECT_FALSE(fs.remove("b.txt"));
  EXPECT_EQ(fs.reserved("b.txt", 0), nullptr);
}

TEST(PakFileSys, NestedDirectoriesHoldFilesButAreNotFiles) {
  NestedArchive archive;
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  EXPECT_EQ(read_path(&fs, "data/a.txt"), archive.a);
  EXPECT_EQ(read_path(&fs, "/Data/A.Txt"), archive.a);
  EXPECT_FALSE(fs.exists("data"));
  EXPECT_FALSE(fs.exists("zed"));
  EXPECT_FALSE(fs.exists("b.txt/x"));      // a file in the middle of a path
  EXPECT_FALSE(fs.exists("data/b.txt"));   // a root file is not in the sub-directory
  EXPECT_FALSE(fs.exists("zed/a.txt"));    // an empty listing
  EXPECT_FALSE(fs.exists("nope/a.txt"));
}

TEST(PakFileSys, BinarySearchFollowsStricmpOrder) {
  // Sorted as _stricmp sorts: letters are lowered first, so "[", "^" and "_" come before "a".
  const char* names[] = {"[", "^", "_X", "a", "A_", "AB", "ac", "Z~"};
  std::vector<RawEntry> entries = {{"/A", 0, 0, 16}, {"/a_", 0, 0, 16}};  // directories first
  for (uint32_t i = 0; i < 8; ++i) entries.push_back({names[i], i + 1, 0, 2048});
  std::vector<uint8_t> bytes = pak_header(2048);
  put_listing(&bytes, 16, entries);
  MemoryFile file(bytes);
  PakFileSys fs(&file);
  for (uint32_t i = 0; i < 8; ++i) {
    std::string lower = names[i], upper = names[i];
    for (char& ch : lower) ch = static_cast<char>(std::tolower(ch));
    for (char& ch : upper) ch = static_cast<char>(std::toupper(ch));
    EXPECT_EQ(fs.file_size(names[i]), i + 1) << names[i];
    EXPECT_EQ(fs.file_size(lower.c_str()), i + 1) << lower;
    EXPECT_EQ(fs.file_size(upper.c_str()), i + 1) << upper;
  }
  for (const char* missing : {"]", "AA", "B", "a__", "{", "A_X"}) EXPECT_FALSE(fs.exists(missing)) << missing;
}

TEST(PakFileSys, EnumeratesWithTheArchiveWildcardRules) {
  NestedArchive archive;
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  using Names = std::vector<std::string>;
  EXPECT_EQ(enumerate(&fs, "*.*"), (Names{"DATA/", "ZED/", "B.TXT", "C.LZ", "D.TXT"}));
  EXPECT_EQ(enumerate(&fs, "/*.*"), (Names{"/DATA/", "/ZED/", "/B.TXT", "/C.LZ", "/D.TXT"}));
  EXPECT_EQ(enumerate(&fs, "."), (Names{"DATA/", "ZED/", "B.TXT", "C.LZ", "D.TXT"}));
  EXPECT_EQ(enumerate(&fs, "*.TXT"), (Names{"B.TXT", "D.TXT"}));
  EXPECT_EQ(enumerate(&fs, "*.txt"), Names{});  // matching sees stored bytes exactly
  EXPECT_EQ(enumerate(&fs, "*."), (Names{"DATA/", "ZED/"}));  // names without a dot
  EXPECT_EQ(enumerate(&fs, "D*"), Names{"D.TXT"});  // directories are stored as /DATA
  EXPECT_EQ(enumerate(&fs, "/?ZED"), Names{"/ZED/"});
  EXPECT_EQ(enumerate(&fs, "D.TXT*"), Names{});     // a star never starts at the end
  EXPECT_EQ(enumerate(&fs, "D.TX*"), Names{"D.TXT"});
  EXPECT_EQ(enumerate(&fs, "data/*"), Names{"data/A.TXT"});
  EXPECT_EQ(enumerate(&fs, "zed/*"), Names{});
  EXPECT_EQ(enumerate(&fs, "nope/*"), Names{});
  EXPECT_EQ(enumerate(&fs, "d*a/*"), Names{});      // wildcards before the last '/'

  DirIterator* it = fs.find_first("B.*");
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->size(), 4802u);
  EXPECT_FALSE(it->is_directory());
  EXPECT_FALSE(fs.find_next(it));
  EXPECT_FALSE(fs.find_next(it));  // stays at the end
  fs.find_close(it);
  fs.find_close(nullptr);
}

TEST(PakFile, ReadsStopAtTheEndAndSeeksStayInside) {
  NestedArchive archive;
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  VFile* b = fs.open("b.txt", kOpenRead);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->size(), 4802u);
  EXPECT_EQ(b->mode(), kOpenRead);
  EXPECT_EQ(b->name(), "b.txt");
  std::vector<char> buffer(10000);
  ASSERT_TRUE(b->seek(4000));
  EXPECT_EQ(b->read(buffer.data(), 10000), 802u);
  EXPECT_EQ(std::string(buffer.data(), 802), archive.b.substr(4000));
  EXPECT_EQ(b->read(buffer.data(), 10000), 0u);
  EXPECT_EQ(b->tell(), 4802u);
  EXPECT_TRUE(b->seek(4802));
  EXPECT_EQ(b->read(buffer.data(), 1), 0u);
  EXPECT_FALSE(b->seek(4803));
  EXPECT_TRUE(b->seek(10));
  EXPECT_EQ(b->read(buffer.data(), 3), 3u);
  EXPECT_EQ(std::string(buffer.data(), 3), archive.b.substr(10, 3));
  EXPECT_EQ(b->write("x", 1), 0u);
  EXPECT_FALSE(b->truncate(0));
  b->close();
}

TEST(PakFile, CompressedFilesReadForwardOnly) {
  NestedArchive archive;
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  VFile* c = fs.open("c.lz", kOpenRead);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->size(), archive.c.size());
  char buffer[100];
  EXPECT_TRUE(c->seek(0));   // the current position
  EXPECT_FALSE(c->seek(1));
  ASSERT_EQ(c->read(buffer, 100), 100u);
  EXPECT_TRUE(c->seek(100));
  EXPECT_FALSE(c->seek(0));
  std::string rest = read_all(c, 333);
  EXPECT_TRUE(std::string(buffer, 100) + rest == archive.c);
  c->close();
}

TEST(PakFile, FilesOnOneArchiveReadInterleaved) {
  NestedArchive archive;
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  VFile* b = fs.open("b.txt", kOpenRead);
  VFile* c = fs.open("C.LZ", kOpenRead);
  VFile* c2 = fs.open("C.LZ", kOpenRead);
  std::string got_b, got_c, got_c2;
  char piece[7];
  for (bool more = true; more;) {
    uint32_t n1 = b->read(piece, 7);
    got_b.append(piece, n1);
    uint32_t n2 = c->read(piece, 5);
    got_c.append(piece, n2);
    uint32_t n3 = c2->read(piece, 3);
    got_c2.append(piece, n3);
    more = n1 || n2 || n3;
  }
  EXPECT_TRUE(got_b == archive.b);
  EXPECT_TRUE(got_c == archive.c);
  EXPECT_TRUE(got_c2 == archive.c);
  b->close();
  c->close();
  c2->close();
}

TEST(PakFileSys, ScrambledArchivesReadTheSameInPiecesOfEverySize) {
  NestedArchive archive(true);
  const NestedArchive& plain = archive;  // its strings hold the bytes before scrambling
  ASSERT_NE(std::memcmp(archive.bytes.data(), "Orvane3.0", 10), 0);
  MemoryFile file(archive.bytes);
  PakFileSys fs(&file);
  ASSERT_TRUE(fs.has_root());
  EXPECT_TRUE(fs.scrambled());
  EXPECT_EQ(read_path(&fs, "data/a.txt"), plain.a);
  for (uint32_t piece = 1; piece <= 64; ++piece) {
    ASSERT_TRUE(read_path(&fs, "B.TXT", piece) == plain.b) << piece;
    ASSERT_TRUE(read_path(&fs, "C.LZ", piece) == plain.c) << piece;
  }
  EXPECT_TRUE(read_path(&fs, "B.TXT", 4801) == plain.b);
  VFile* b = fs.open("b.txt", kOpenRead);
  EXPECT_FALSE(b->seek(1));
  EXPECT_TRUE(b->seek(0));
  b->close();
}

TEST(PakFileSys, ListingsBeyondTheFirst2048Bytes) {
  // Block size 2600: the sub-directory's listing sits after the first read.
  std::vector<uint8_t> bytes = pak_header(2600);
  put_listing(&bytes, 16, {{"/SUB", 0, 0, 2400}, {"TOP", 3, 0, 2600}});
  put_listing(&bytes, 2400, {{"DEEP", 4, 0, 2603}});
  bytes.resize(2600);
  put_bytes(&bytes, 2600, "topdeep");
  for (bool scrambled : {false, true}) {
    std::vector<uint8_t> archive = bytes;
    if (scrambled) {
      scramble_range(&archive, 0, 2600);
      scramble_range(&archive, 2600, 3);
      scramble_range(&archive, 2603, 4);
    }
    MemoryFile file(archive);
    PakFileSys fs(&file);
    EXPECT_EQ(read_path(&fs, "sub/deep"), "deep") << scrambled;
    EXPECT_EQ(read_path(&fs, "top"), "top") << scrambled;
  }
}

TEST(PakFileSys, ArchivesWithoutARootListingFindNothing) {
  std::vector<uint8_t> good = pak_header(2048);
  put_listing(&good, 16, {{"X", 1, 0, 0}});

  std::vector<uint8_t> short_archive(good.begin(), good.begin() + 2047);
  std::vector<uint8_t> wrong_magic = good;
  wrong_magic[8] = '1';
  std::vector<uint8_t> huge_block = good;  // larger than the archive: refused before allocating
  put_u32(&huge_block, 12, 0xFFFFFFF0u);
  std::vector<uint8_t> cut_block = good;    // claims 4096 bytes, the archive has 3000
  put_u32(&cut_block, 12, 4096);
  cut_block.resize(3000);
  std::vector<uint8_t> huge_count = good;   // the root listing runs past the block
  put_u32(&huge_count, 16, 0x40000000u);
  std::vector<uint8_t> one_too_many = good;
  put_u32(&one_too_many, 16, (2048 - 20) / 80 + 1);

  for (const std::vector<uint8_t>* bytes : {&short_archive, &wrong_magic, &huge_block, &cut_block, &huge_count, &one_too_many}) {
    MemoryFile file(*bytes);
    PakFileSys fs(&file);
    EXPECT_FALSE(fs.has_root());
    EXPECT_FALSE(fs.exists("X"));
    EXPECT_EQ(fs.file_size("X"), kVfsNoSize);
    EXPECT_EQ(fs.open("X", kOpenRead), nullptr);
    EXPECT_EQ(fs.find_first("*.*"), nullptr);
  }
  MemoryFile file(good);
  PakFileSys fs(&file);
  EXPECT_TRUE(fs.exists("X"));  // the untouched archive does read
}

TEST(PakFileSys, EntriesThatLieAreNotFoundAndNeverReadOutside) {
  std::vector<uint8_t> bytes = pak_header(2048);
  std::string long_name(64, 'N');  // fills its 64 bytes: not terminated
  put_listing(&bytes, 16,
              {{"/ESCAPE", 0, 0, 2045},        // listing would start 3 bytes before the end
               {"/FAR", 0, 0, 0xFFFFFFF0u},    // far outside the block
               {"/SELF", 0, 0, 16},           // the root again: harmless
               {"/TIGHT", 0, 0, 2044},        // count field fits exactly, count 0
               {long_name, 5, 0, 2048},
               {"OK", 2, 0, 2048},
               {"PAST", 100, 0, 2050},         // data runs past the end of the archive
               {"ZFAR", 10, 0, 0x7FFFFFFFu}});  // data starts far beyond the archive
  put_u32(&bytes, 2044, 0);
  put_bytes(&bytes, 2048, "okpast");
  MemoryFile file(bytes);
  PakFileSys fs(&file);
  ASSERT_TRUE(fs.has_root());
  EXPECT_FALSE(fs.exists("escape/x"));
  EXPECT_EQ(fs.find_first("escape/*"), nullptr);
  EXPECT_FALSE(fs.exists("far/x"));
  EXPECT_EQ(fs.find_first("far/*"), nullptr);
  EXPECT_EQ(fs.find_first("tight/*"), nullptr);
  EXPECT_EQ(read_path(&fs, "self/self/ok"), "ok");
  EXPECT_FALSE(fs.exists(long_name.substr(0, 63).c_str()));
  EXPECT_EQ(read_path(&fs, "OK"), "ok");
  EXPECT_EQ(read_path(&fs, "PAST"), "past");  // a short read, not a fault
  EXPECT_EQ(read_path(&fs, "ZFAR"), "");
  std::vector<std::string> names = enumerate(&fs, "*.*");
  EXPECT_EQ(names, (std::vector<std::string>{"ESCAPE/", "FAR/", "SELF/", "TIGHT/", "OK", "PAST", "ZFAR"}));
}

TEST(PakFileSys, ClosesTheArchiveOnlyWhenItOwnsIt) {
  NestedArchive archive;
  struct Watched : MemoryFile {
    bool* closed;
    Watched(const std::vector<uint8_t>& bytes, bool* flag) : MemoryFile(bytes), closed(flag) {}
    void close() override {
      *closed = true;
      MemoryFile::close();
    }
  };
  bool closed = false;
  Watched* owned = new Watched(archive.bytes, &closed);
  delete new PakFileSys(owned, true);
  EXPECT_TRUE(closed);
  closed = false;
  Watched* borrowed = new Watched(archive.bytes, &closed);
  delete new PakFileSys(borrowed, false);
  EXPECT_FALSE(closed);
  borrowed->close();
}
