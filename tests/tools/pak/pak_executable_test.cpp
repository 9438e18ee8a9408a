// The pak executable itself on archives it did not write: every archive here is laid out byte by
// byte, checksummed and scrambled by this file's own code, never by the tool's writer.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

uint32_t standard_crc32(const Bytes& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}
// What an entry carries: the CRC register without its final complement.
uint32_t entry_checksum(const Bytes& bytes) { return ~standard_crc32(bytes); }

// The cipher's state, with the key table generated from the formula the tool's table was made by.
struct Cipher {
  uint8_t table[256];
  uint8_t previous = 0;
  uint8_t counter = 0;
  Cipher() {
    uint32_t x = 0x4B417;
    for (uint8_t& t : table) {
      x = x * 1103515245u + 12345u;
      t = static_cast<uint8_t>(x >> 16);
    }
  }
  // k = T[A] ^ T[B]; then T[A + B] and A take the scrambled byte, and B counts.
  uint8_t key() const { return table[previous] ^ table[counter]; }
  void feed(uint8_t scrambled_byte) {
    table[static_cast<uint8_t>(previous + counter)] = scrambled_byte;
    ++counter;
    previous = scrambled_byte;
  }
  void scramble(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      p[i] = static_cast<uint8_t>(p[i] ^ key());
      feed(p[i]);
    }
  }
  void descramble(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      uint8_t c = p[i];
      p[i] = static_cast<uint8_t>(c ^ key());
      feed(c);
    }
  }
};

Bytes scrambled(Bytes bytes) {
  Cipher().scramble(bytes.data(), bytes.size());
  return bytes;
}

void put_u32(Bytes* out, size_t at, uint32_t value) {
  if (out->size() < at + 4) out->resize(at + 4);
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t get_u32(const Bytes& in, size_t at) {
  return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | static_cast<uint32_t>(in[at + 3]) << 24;
}

// Header at 0, listings placed by the caller; an entry is 64 name bytes and four 32-bit fields.
struct Archive {
  Bytes bytes = Bytes(2048, 0);
  explicit Archive(uint32_t block_size) {
    std::memcpy(bytes.data(), "Orvane3.0", 10);
    put_u32(&bytes, 12, block_size);
  }
  void listing(size_t at, uint32_t count) { put_u32(&bytes, at, count); }
  void entry(size_t at, const std::string& name, uint32_t size, uint32_t packing, uint32_t checksum, uint32_t offset) {
    std::memcpy(&bytes[at], name.data(), name.size());
    put_u32(&bytes, at + 64, size);
    put_u32(&bytes, at + 68, packing);
    put_u32(&bytes, at + 72, checksum);
    put_u32(&bytes, at + 76, offset);
  }
  void data(size_t at, const Bytes& stored) {
    if (bytes.size() < at + stored.size()) bytes.resize(at + stored.size());
    std::copy(stored.begin(), stored.end(), bytes.begin() + static_cast<long>(at));
  }
};

// Three literals "abc", then a match of 9 at ring position 4078 (where the first literal went)
// that overlaps its own output. Flag bits, lowest first: 1 1 1 0.
const Bytes kLzssStream = {0x07, 'a', 'b', 'c', 0xEE, 0xF6};
const Bytes kLzssDecoded = bytes_of("abcabcabcabc");

class PakExecutable : public ::testing::Test {
 protected:
  void SetUp() override {
    char scratch[] = "/tmp/pak-exe-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    root = scratch;
  }
  void TearDown() override { fs::remove_all(root); }

  struct Result {
    int code;
    std::string out, err;
  };
  Result pak(const std::string& arguments) {
    std::string out = root + "/stdout.txt", err = root + "/stderr.txt";
    std::string command = std::string("'") + PAK_EXECUTABLE + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    int status = std::system(command.c_str());
    Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
    return result;
  }
  std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void write(const std::string& relative, const Bytes& bytes) {
    fs::create_directories(fs::path(root + "/" + relative).parent_path());
    std::ofstream(root + "/" + relative, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  std::set<std::string> names_in(const std::string& relative) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(root + "/" + relative)) names.insert(item.path().filename().string());
    return names;
  }
  std::string root;
};
}  // namespace

TEST(PakScrambleVector, HandScrambledBytesMatchTheRule) {
  // The first key byte is T[0] ^ T[0] = 0, so 'O' passes through; after that the table feeds on
  // the scrambled bytes themselves.
  const Bytes magic = {0x4F, 0xC9, 0xD4, 0x51, 0x4D, 0xD5, 0x8C, 0xCF, 0x05, 0xA9};
  const Bytes zeros = {0x00, 0xAD, 0x0E, 0x78, 0xF1, 0xDF, 0xCC, 0x81};
  EXPECT_EQ(scrambled(Bytes{'O', 'r', 'v', 'a', 'n', 'e', '3', '.', '0', 0}), magic);
  EXPECT_EQ(scrambled(Bytes(8, 0)), zeros);
  Bytes back = magic;
  Cipher().descramble(back.data(), back.size());
  EXPECT_EQ(back, bytes_of(std::string("Orvane3.0", 10)));
}

// Names that are not one plain component: nothing may appear outside the target, the bad entry is
// named on stderr, both commands fail, and the archive's good entry still comes out.
TEST_F(PakExecutable, EntriesWithUnsafeNamesAreRefusedByName) {
  struct Case {
    std::string stored;  // a leading '/' makes it a directory holding f.txt
    std::string shown;   // how stderr names it
  };
  const Case cases[] = {
      {"/../escaped", "'../escaped/'"}, {"/..", "'../'"}, {"/.", "'./'"},   {"..", "'..'"},
      {".", "'.'"},                     {"", "''"},       {"/", "'/'"},     {"//abs", "'/abs/'"},
      {"a/../../x", "'a/../../x'"},     {"C:x", "'C:x'"}, {"/C:", "'C:/'"}, {"..\\up", "'..\\up'"},
      {"bell\a", "'bell\\x07'"},        {"/tab\tdir", "'tab\\x09dir/'"},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    std::string here = "case" + std::to_string(number++);
    // Root listing at 16 (the bad entry, then ok.txt: every bad name sorts first); the
    // directory's own listing at 180.
    Archive archive(264);
    archive.listing(16, 2);
    bool directory = !c.stored.empty() && c.stored[0] == '/';
    archive.entry(20, c.stored, directory ? 0 : 5, 0, directory ? 0 : entry_checksum(bytes_of("under")), directory ? 180 : 2052);
    archive.entry(100, "ok.txt", 4, 0, entry_checksum(bytes_of("fine")), 2048);
    archive.listing(180, 1);
    archive.entry(184, "f.txt", 5, 0, entry_checksum(bytes_of("under")), 2052);
    archive.data(2048, bytes_of("fineunder"));
    write(here + "/a.pak", archive.bytes);

    Result list = pak("list '" + root + "/" + here + "/a.pak'");
    EXPECT_EQ(list.code, 1);
    EXPECT_NE(list.err.find(c.shown), std::string::npos) << list.err;
    EXPECT_NE(list.out.find("ok.txt"), std::string::npos) << list.out;

    Result extract = pak("extract '" + root + "/" + here + "/a.pak' '" + root + "/" + here + "/out'");
    EXPECT_EQ(extract.code, 1);
    EXPECT_NE(extract.err.find(c.shown), std::string::npos) << extract.err;
    EXPECT_EQ(names_in(here), (std::set<std::string>{"a.pak", "out"}));
    EXPECT_EQ(names_in(here + "/out"), std::set<std::string>{"ok.txt"});
    EXPECT_EQ(read(root + "/" + here + "/out/ok.txt"), "fine");
  }
}

// A compressed or scrambled entry's checksum may cover the bytes as stored or as decoded.
TEST_F(PakExecutable, ChecksumsOverStoredOrDecodedBytesBothPass) {
  const Bytes raw = bytes_of("plain text");
  for (bool scramble : {false, true}) {
    SCOPED_TRACE(scramble ? "scrambled" : "plain");
    Bytes lz = scramble ? scrambled(kLzssStream) : kLzssStream;
    Bytes stored_raw = scramble ? scrambled(raw) : raw;
    // Root listing of four files, sorted: lz.dec, lz.sto, raw.dec, raw.sto; data from 2048.
    Archive archive(2048);
    archive.listing(16, 4);
    archive.entry(20, "lz.dec", 12, 2, entry_checksum(kLzssDecoded), 2048);
    archive.entry(100, "lz.sto", 12, 2, entry_checksum(lz), 2048);
    archive.entry(180, "raw.dec", 10, 0, entry_checksum(raw), 2060);
    archive.entry(260, "raw.sto", 10, 0, entry_checksum(stored_raw), 2060);
    if (scramble) Cipher().scramble(archive.bytes.data(), 2048);
    archive.data(2048, lz);
    archive.data(2060, stored_raw);
    write("a.pak", archive.bytes);

    Result list = pak("list '" + root + "/a.pak'");
    EXPECT_EQ(list.code, 0) << list.out << list.err;
    EXPECT_EQ(list.out.find("BAD"), std::string::npos) << list.out;
    Result extract = pak("extract '" + root + "/a.pak' '" + root + "/out'");
    EXPECT_EQ(extract.code, 0) << extract.err;
    EXPECT_EQ(read(root + "/out/lz.dec"), "abcabcabcabc");
    EXPECT_EQ(read(root + "/out/lz.sto"), "abcabcabcabc");
    EXPECT_EQ(read(root + "/out/raw.sto"), "plain text");

    // Neither form: a mismatch, still extracted as read.
    Archive bad(2048);
    bad.listing(16, 1);
    bad.entry(20, "lz.sto", 12, 2, entry_checksum(lz) ^ 1, 2048);
    if (scramble) Cipher().scramble(bad.bytes.data(), 2048);
    bad.data(2048, lz);
    write("bad.pak", bad.bytes);
    list = pak("list '" + root + "/bad.pak'");
    EXPECT_EQ(list.code, 1);
    EXPECT_NE(list.out.find("BAD    lz.sto"), std::string::npos) << list.out;
    extract = pak("extract '" + root + "/bad.pak' '" + root + "/bad'");
    EXPECT_EQ(extract.code, 1);
    EXPECT_NE(extract.err.find("'lz.sto' fails its checksum"), std::string::npos) << extract.err;
    EXPECT_EQ(read(root + "/bad/lz.sto"), "abcabcabcabc");
  }
}

TEST_F(PakExecutable, CreateRefusesAFileAndADirectoryOfOneName) {
  write("in/same", bytes_of("file"));
  write("dirs/same/x", bytes_of("x"));
  write("dirs/SAME/x", bytes_of("x"));
  for (const char* directory : {"dirs/same", "dirs/SAME"}) {
    Result create = pak("create '" + root + "/new.pak' '" + root + "/in/same' '" + root + "/" + directory + "'");
    EXPECT_EQ(create.code, 1) << directory;
    EXPECT_NE(create.err.find("a file and a directory"), std::string::npos) << create.err;
    EXPECT_FALSE(fs::exists(root + "/new.pak")) << directory;
  }
  ASSERT_EQ(pak("create '" + root + "/old.pak' '" + root + "/in/same'").code, 0);
  std::string before = read(root + "/old.pak");
  EXPECT_EQ(pak("create '" + root + "/old.pak' '" + root + "/in/same' '" + root + "/dirs/same'").code, 1);
  EXPECT_EQ(read(root + "/old.pak"), before);
}

// The embedded layout's directory block is 2048 bytes, zero padding included, and a scrambled
// archive scrambles all of it as one sequence; each file's data is its own sequence, and the
// padding after it belongs to neither.
TEST_F(PakExecutable, ScrambledEmbeddedLayoutScramblesTheWholeDirectoryBlock) {
  const Bytes hello = bytes_of("hello, archive");
  write("in/hello.txt", hello);
  Result create = pak("create --scramble --embedded-layout '" + root + "/e.pak' '" + root + "/in/hello.txt'");
  ASSERT_EQ(create.code, 0) << create.err;
  std::string file = read(root + "/e.pak");
  Bytes archive(file.begin(), file.end());
  ASSERT_EQ(archive.size(), 4096u);

  Cipher block;
  block.descramble(archive.data(), 2048);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(archive.data()), 10), std::string("Orvane3.0", 10));
  EXPECT_EQ(get_u32(archive, 12), 2048u);
  EXPECT_EQ(get_u32(archive, 16), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&archive[20])), "hello.txt");
  EXPECT_EQ(get_u32(archive, 20 + 64), hello.size());
  EXPECT_EQ(get_u32(archive, 20 + 68), 0u);
  EXPECT_EQ(get_u32(archive, 20 + 72), entry_checksum(hello));
  EXPECT_EQ(get_u32(archive, 20 + 76), 2048u);
  for (size_t i = 20 + 80; i < 2048; ++i) ASSERT_EQ(archive[i], 0) << "directory padding at " << i;
  Cipher data;
  data.descramble(&archive[2048], hello.size());
  EXPECT_EQ(Bytes(archive.begin() + 2048, archive.begin() + 2048 + static_cast<long>(hello.size())), hello);
  for (size_t i = 2048 + hello.size(); i < archive.size(); ++i) ASSERT_EQ(archive[i], 0) << "data padding at " << i;

  Result list = pak("list '" + root + "/e.pak'");
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("ok     hello.txt"), std::string::npos) << list.out;
  EXPECT_EQ(pak("extract '" + root + "/e.pak' '" + root + "/out'").code, 0);
  EXPECT_EQ(read(root + "/out/hello.txt"), "hello, archive");
}
