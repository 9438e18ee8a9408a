// The pak tool: archives it builds read back through PakFileSys in every layout and option, and
// its commands keep existing archives safe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/vfs/vfs_test_support.h"
#include "pak_commands.h"
#include "pak_writer.h"
#include "shell/crt_rand.h"
#include "vfs/pak_file_sys.h"

namespace {
std::vector<uint8_t> bytes_of(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

PakNode file(const std::string& name, const std::vector<uint8_t>& data) {
  PakNode node;
  node.name = name;
  node.data = data;
  return node;
}

PakNode folder(const std::string& name, std::vector<PakNode> children) {
  PakNode node;
  node.name = name;
  node.directory = true;
  node.children = std::move(children);
  return node;
}

std::vector<uint8_t> tune_like(size_t size) {
  // Pattern data repeats with small changes, samples are noisy: roughly what an XM holds.
  std::vector<uint8_t> out;
  while (out.size() < size) {
    for (int row = 0; row < 64 && out.size() < size; ++row) {
      uint8_t note = static_cast<uint8_t>(row % 4 == 0 ? 0x80 | (crt_rand() % 96) : 0x80);
      out.insert(out.end(), {note, 1, 0, 0, 0});
    }
    for (int i = 0; i < 300 && out.size() < size; ++i) out.push_back(static_cast<uint8_t>(crt_rand() >> 7));
  }
  out.resize(size);
  return out;
}

std::vector<PakNode> sample_tree() {
  return {file("fini.xm", tune_like(34782)), file("64.pcx", tune_like(4802)), file("fontje.dat", bytes_of(std::string(1440, 'f'))),
          folder("data", {file("a.txt", bytes_of("alpha")), folder("deep", {file("z_1", bytes_of("zed"))}), file("b.txt", {})}),
          file("A_B", bytes_of("underscore sorts before letters")), file("ab", bytes_of("ab"))};
}

std::string read_path(FileSys* fs, const char* path, uint32_t piece = 4096) {
  VFile* f = fs->open(path, kOpenRead);
  if (!f) return "<missing>";
  std::string out = read_all(f, piece);
  f->close();
  return out;
}

std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
}  // namespace

TEST(PakChecksum, IsTheComplementOfTheStandardCrc32) {
  EXPECT_EQ(pak_checksum("123456789", 9), ~0xCBF43926u);
  EXPECT_EQ(pak_checksum("", 0), 0xFFFFFFFFu);
  uint32_t pieces = pak_checksum_update(pak_checksum("1234", 4), "56789", 5);
  EXPECT_EQ(pieces, ~0xCBF43926u);
}

TEST(PakBuild, EveryOptionReadsBackThroughTheReader) {
  std::vector<PakNode> tree = sample_tree();
  for (int mask = 0; mask < 16; ++mask) {
    PakOptions options;
    options.upper = mask & 1;
    options.compress = mask & 2;
    options.scramble = mask & 4;
    options.embedded_layout = mask & 8;
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(pak_build(tree, options, &archive, &error)) << error;
    MemoryFile bytes(archive);
    PakFileSys fs(&bytes);
    ASSERT_TRUE(fs.has_root()) << mask;
    EXPECT_EQ(fs.scrambled(), options.scramble);
    EXPECT_TRUE(read_path(&fs, "FINI.XM", 333) == text(tree[0].data)) << mask;
    EXPECT_TRUE(read_path(&fs, "64.pcx") == text(tree[1].data)) << mask;
    EXPECT_EQ(read_path(&fs, "fontje.dat"), text(tree[2].data)) << mask;
    EXPECT_EQ(read_path(&fs, "data/a.txt"), "alpha") << mask;
    EXPECT_EQ(read_path(&fs, "DATA/DEEP/Z_1"), "zed") << mask;
    EXPECT_EQ(read_path(&fs, "data/b.txt"), "") << mask;
    EXPECT_EQ(read_path(&fs, "a_b"), "underscore sorts before letters") << mask;
    EXPECT_EQ(read_path(&fs, "AB"), "ab") << mask;
    PakEntry entry;
    ASSERT_TRUE(fs.stat("fontje.dat", &entry));
    EXPECT_EQ(entry.checksum, pak_checksum(tree[2].data.data(), 1440));
    EXPECT_EQ(entry.packing != 0, options.compress) << "1,440 equal bytes compress well";
    std::vector<std::string> names = enumerate(&fs, "*.*");
    std::vector<std::string> expected = {"data/", "64.pcx", "A_B", "ab", "fini.xm", "fontje.dat"};
    if (options.upper) expected = {"DATA/", "64.PCX", "A_B", "AB", "FINI.XM", "FONTJE.DAT"};
    EXPECT_EQ(names, expected) << mask;
  }
}

TEST(PakBuild, EmbeddedLayoutAlignsEverythingTo2048) {
  std::vector<PakNode> tree = {file("64.pcx", tune_like(4802)), file("fini.xm", tune_like(34782)), file("fontje.dat", tune_like(1440))};
  PakOptions options;
  options.upper = true;
  options.embedded_layout = true;
  std::vector<uint8_t> archive;
  std::string error;
  ASSERT_TRUE(pak_build(tree, options, &archive, &error)) << error;
  EXPECT_EQ(archive.size(), 45056u);
  EXPECT_EQ(archive[12] | archive[13] << 8, 2048);
  MemoryFile bytes(archive);
  PakFileSys fs(&bytes);
  const char* names[] = {"64.PCX", "FINI.XM", "FONTJE.DAT"};
  const uint32_t offsets[] = {2048, 8192, 43008};
  for (int i = 0; i < 3; ++i) {
    PakEntry entry;
    ASSERT_TRUE(fs.stat(names[i], &entry));
    EXPECT_EQ(entry.offset, offsets[i]) << names[i];
    EXPECT_EQ(entry.packing, 0u);
  }
  // Zero padding after the listing and after each file.
  for (size_t i = 16 + 4 + 3 * 80; i < 2048; ++i) ASSERT_EQ(archive[i], 0) << i;
  for (size_t i = 2048 + 4802; i < 8192; ++i) ASSERT_EQ(archive[i], 0) << i;
  for (size_t i = 43008 + 1440; i < archive.size(); ++i) ASSERT_EQ(archive[i], 0) << i;
}

TEST(PakBuild, TinyArchivesStillFillTheFirstRead) {
  std::vector<uint8_t> archive;
  std::string error;
  ASSERT_TRUE(pak_build({file("x", bytes_of("1"))}, PakOptions{}, &archive, &error));
  EXPECT_EQ(archive.size(), 2048u);
  ASSERT_TRUE(pak_build({}, PakOptions{}, &archive, &error));
  MemoryFile bytes(archive);
  PakFileSys fs(&bytes);
  EXPECT_TRUE(fs.has_root());
  EXPECT_EQ(fs.find_first("*.*"), nullptr);
}

TEST(PakBuild, LargeDirectoriesSpillPastTheFirst2048Bytes) {
  std::vector<PakNode> many;
  for (int i = 0; i < 60; ++i) many.push_back(file("file" + std::to_string(i), bytes_of(std::to_string(i * i))));
  for (bool embedded : {false, true}) {
    for (bool scrambled : {false, true}) {
      PakOptions options;
      options.embedded_layout = embedded;
      options.scramble = scrambled;
      std::vector<uint8_t> archive;
      std::string error;
      ASSERT_TRUE(pak_build({folder("d", many)}, options, &archive, &error));
      MemoryFile bytes(archive);
      PakFileSys fs(&bytes);
      for (int i = 0; i < 60; ++i) {
        std::string path = "d/FILE" + std::to_string(i);
        ASSERT_EQ(read_path(&fs, path.c_str()), std::to_string(i * i)) << path;
      }
    }
  }
}

TEST(PakBuild, RefusesNamesTheReaderCouldNotFind) {
  std::vector<uint8_t> archive;
  std::string error;
  EXPECT_FALSE(pak_build({file("a.txt", {}), file("A.TXT", {})}, PakOptions{}, &archive, &error));
  EXPECT_NE(error.find("letter case"), std::string::npos) << error;
  // Distinct keys in the archive, but no directory on disk can hold both.
  EXPECT_FALSE(pak_build({file("same", {}), folder("SAME", {})}, PakOptions{}, &archive, &error));
  EXPECT_NE(error.find("a file and a directory"), std::string::npos) << error;
  EXPECT_FALSE(pak_build({folder("d", {file("x", {}), file("X", {})})}, PakOptions{}, &archive, &error));
  EXPECT_FALSE(pak_build({file(std::string(64, 'n'), {})}, PakOptions{}, &archive, &error));
  EXPECT_TRUE(pak_build({file(std::string(63, 'n'), {})}, PakOptions{}, &archive, &error));
  EXPECT_FALSE(pak_build({folder(std::string(63, 'n'), {})}, PakOptions{}, &archive, &error));  // '/' makes 64
  for (const char* bad : {"a..b", "back\\slash", "star*", "q?", "", "dot.", "C:drive", "tab\tname"}) {
    bool is_folder = std::string(bad) == "dot.";  // "dot./x" holds "./"
    PakNode node = is_folder ? folder(bad, {}) : file(bad, {});
    EXPECT_FALSE(pak_build({node}, PakOptions{}, &archive, &error)) << bad;
  }
}

namespace {
class PakCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    char scratch[] = "/tmp/pak-tool-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    root = scratch;
  }
  void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
  void put(const std::string& relative, const std::string& content) {
    std::system(("mkdir -p \"$(dirname '" + root + "/" + relative + "')\"").c_str());
    std::ofstream(root + "/" + relative, std::ios::binary) << content;
  }
  std::string get(const std::string& relative) {
    std::ifstream in(root + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string run_list(const std::string& archive, int* code) {
    FILE* out = std::tmpfile();
    FILE* errors = std::tmpfile();
    *code = pak_list(root + "/" + archive, out, errors);
    std::string text;
    for (FILE* f : {out, errors}) {
      std::rewind(f);
      char line[512];
      while (std::fgets(line, sizeof line, f)) text += line;
      std::fclose(f);
    }
    return text;
  }
  std::string root;
};
}  // namespace

TEST_F(PakCommands, CreateListExtractRoundTrip) {
  put("in/64.pcx", std::string(4802, 'p'));
  put("in/music/fini.xm", text(tune_like(20000)));
  put("in/music/empty/.keep", "");
  FILE* quiet = std::tmpfile();
  PakOptions options;
  options.compress = true;
  options.scramble = true;
  ASSERT_EQ(pak_create(root + "/out.pak", {root + "/in/64.pcx", root + "/in/music/"}, options, quiet), 0);
  int code;
  std::string listing = run_list("out.pak", &code);
  EXPECT_EQ(code, 0) << listing;
  EXPECT_NE(listing.find("(scrambled)"), std::string::npos) << listing;
  EXPECT_NE(listing.find("lzss"), std::string::npos) << listing;
  EXPECT_NE(listing.find("ok     music/fini.xm"), std::string::npos) << listing;
  EXPECT_NE(listing.find("music/empty/"), std::string::npos) << listing;
  ASSERT_EQ(pak_extract(root + "/out.pak", root + "/back", quiet), 0);
  EXPECT_EQ(get("back/64.pcx"), get("in/64.pcx"));
  EXPECT_EQ(get("back/music/fini.xm"), get("in/music/fini.xm"));
  EXPECT_EQ(get("back/music/empty/.keep"), "");
  std::fclose(quiet);
}

TEST_F(PakCommands, ListFlagsDamagedEntries) {
  put("a.txt", "checksummed bytes");
  FILE* quiet = std::tmpfile();
  ASSERT_EQ(pak_create(root + "/x.pak", {root + "/a.txt"}, PakOptions{}, quiet), 0);
  std::string archive = get("x.pak");
  archive[16 + 4 + 80] ^= 1;  // first data byte, right after the one-entry listing
  put("x.pak", archive);
  int code;
  std::string listing = run_list("x.pak", &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(listing.find("BAD    a.txt"), std::string::npos) << listing;
  put("not.pak", std::string(4096, 'x'));
  listing = run_list("not.pak", &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(listing.find("not a readable pak archive"), std::string::npos) << listing;
  std::fclose(quiet);
}

TEST_F(PakCommands, AFailedCreateLeavesTheOldArchiveAlone) {
  put("good.txt", "good");
  put("A.TXT", "one");
  put("a.txt", "two");
  FILE* quiet = std::tmpfile();
  ASSERT_EQ(pak_create(root + "/keep.pak", {root + "/good.txt"}, PakOptions{}, quiet), 0);
  std::string before = get("keep.pak");
  EXPECT_EQ(pak_create(root + "/keep.pak", {root + "/good.txt", root + "/missing"}, PakOptions{}, quiet), 1);
  EXPECT_EQ(pak_create(root + "/keep.pak", {root + "/A.TXT", root + "/a.txt"}, PakOptions{}, quiet), 1);
  EXPECT_EQ(get("keep.pak"), before);
  std::string error;
  EXPECT_FALSE(pak_write_file(root + "/no/such/dir/x.pak", {1, 2, 3}, &error));
  int code = std::system(("test $(ls -A '" + root + "' | wc -l) -eq 4").c_str());
  EXPECT_EQ(code, 0) << "a temporary file was left behind";
  std::fclose(quiet);
}
