// Bad data on the way in ends the program with its one clear message and nothing else: every case
// runs the real shell and production in a child process over an archive built from the real
// assets with one part missing, cut short or malformed, and reads its exit code and both outputs.
// Subtle: the child runs in an empty directory so no k417.pak on disk is found by accident, and a
// control archive (every part intact) must get through the whole of loading, or the cases prove nothing.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/vfs/vfs_test_support.h"
#include "k417_embedded.h"
#include "platform/null_backend.h"
#include "platform/resources.h"
#include "shell/shell.h"
#include "vfs/mount.h"

namespace {
using Bytes = std::vector<uint8_t>;

struct Assets {
  Bytes tune, picture, font;
};

// The three files as the program carries them, read through the embedded archive once.
const Assets& real_assets() {
  static Assets assets = [] {
    k417_install_embedded_resources();
    Assets a;
    EXPECT_TRUE(mount_archive(nullptr));
    auto load = [](const char* name) {
      uint32_t size = 0;
      auto* bytes = static_cast<uint8_t*>(load_file(name, &size));
      Bytes out(bytes, bytes + size);
      std::free(bytes);
      return out;
    };
    a.tune = load("fini.xm");
    a.picture = load("64.pcx");
    a.font = load("fontje.dat");
    unmount_archive();
    resources_install(nullptr, 0);
    return a;
  }();
  return assets;
}

struct File {
  const char* name;  // upper case, as the archive tool writes them
  Bytes bytes;
};

// A plain archive with one root listing; names must come in the reader's sort order.
Bytes archive(const std::vector<File>& files) {
  Bytes out = pak_header(2048);
  std::vector<RawEntry> entries;
  uint32_t offset = 2048;
  for (const File& f : files) {
    entries.push_back(RawEntry{f.name, static_cast<uint32_t>(f.bytes.size()), 0, offset});
    offset += static_cast<uint32_t>(f.bytes.size());
  }
  put_listing(&out, 16, entries);
  for (const File& f : files) out.insert(out.end(), f.bytes.begin(), f.bytes.end());
  return out;
}

// The real archive's parts with any of them replaced; a null part is left out.
Bytes archive_with(const Bytes* tune, const Bytes* picture, const Bytes* font) {
  std::vector<File> files;
  if (picture) files.push_back({"64.PCX", *picture});
  if (tune) files.push_back({"FINI.XM", *tune});
  if (font) files.push_back({"FONTJE.DAT", *font});
  return archive(files);
}

Bytes cut(const Bytes& bytes, size_t length) { return Bytes(bytes.begin(), bytes.begin() + std::min(length, bytes.size())); }

struct Outcome {
  int code = -1;  // exit code, or -signal
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the program's start-up in a child. embedded: the archive as the executable's resource
// (null: none); on_disk: bytes written as k417.pak into the child's directory (null: none).
// quit_after_loading: the loading screen's ninth pump asks to quit, which ends a sound start-up
// with code 0 right after demo_init's last step. address_limit: the child's address space in bytes
// (0: unlimited), so that an allocation far beyond need fails as it would on a 32-bit system.
Outcome run_program(const Bytes* embedded, const Bytes* on_disk, bool quit_after_loading = false,
                    uint64_t address_limit = 0) {
  char dir[] = "/tmp/k417-bad-input.XXXXXX";
  if (!mkdtemp(dir)) return {};
  std::string base = dir;
  if (on_disk) {
    std::ofstream pak(base + "/k417.pak", std::ios::binary);
    pak.write(reinterpret_cast<const char*>(on_disk->data()), static_cast<std::streamsize>(on_disk->size()));
  }
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    if (chdir(dir) != 0 || !std::freopen("out.txt", "w", stdout) || !std::freopen("err.txt", "w", stderr)) _exit(99);
    alarm(120);  // a hang is a failure too
    if (address_limit) {
      rlimit limit{address_limit, address_limit};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(98);
    }
    static EmbeddedResource table[1];
    if (embedded) {
      table[0] = EmbeddedResource{"FileSystem", 102, embedded->data(), static_cast<uint32_t>(embedded->size())};
      resources_install(table, 1);
    } else {
      resources_install(nullptr, 0);
    }
    if (quit_after_loading) null_os_quit_after_pumps(9);
    int code = shell_main();
    std::fflush(nullptr);
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Outcome outcome;
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  outcome.out = slurp(base + "/out.txt");
  outcome.err = slurp(base + "/err.txt");
  std::remove((base + "/out.txt").c_str());
  std::remove((base + "/err.txt").c_str());
  std::remove((base + "/k417.pak").c_str());
  rmdir(dir);
  return outcome;
}

// The error box of the null back-end is one line on standard error: caption, colon, message.
void expect_fatal(const Outcome& got, const std::string& message) {
  EXPECT_EQ(got.code, 1);
  EXPECT_EQ(got.err, "K417 by Windmillcove: " + message + "\n");
  EXPECT_EQ(got.out, "");
}

void expect_fatal_embedded(const Bytes& pak, const std::string& message) {
  expect_fatal(run_program(&pak, nullptr), message);
}

class BadInput : public testing::Test {
 protected:
  const Assets& real = real_assets();
};

TEST_F(BadInput, ControlArchiveOfTheRealPartsLoadsCompletely) {
  ASSERT_FALSE(real.tune.empty());
  Bytes pak = archive_with(&real.tune, &real.picture, &real.font);
  Outcome got = run_program(&pak, nullptr, true);
  EXPECT_EQ(got.code, 0) << got.err;
  EXPECT_EQ(got.err, "");
  // The same from disk, with nothing embedded.
  got = run_program(nullptr, &pak, true);
  EXPECT_EQ(got.code, 0) << got.err;
  // A tune cut in its sample data still loads: what is missing reads as silence.
  Bytes half = cut(real.tune, real.tune.size() / 2);
  Bytes cutTune = archive_with(&half, &real.picture, &real.font);
  EXPECT_EQ(run_program(&cutTune, nullptr, true).code, 0);
}

// An entry's size is a claim: one claiming 4 GiB that holds only its real bytes loads those, in
// no more memory than they need (a 512 MiB address space is plenty for the whole start-up).
TEST_F(BadInput, EntryClaimingMoreThanTheArchiveHoldsLoadsWhatItHolds) {
  Bytes pak = archive_with(&real.tune, &real.picture, &real.font);
  put_u32(&pak, 16 + 4 + 2 * pak::kEntrySize + pak::kEntrySizeField, 0xFFFFFFFF);  // the font, stored last
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  const uint64_t limit = 0;  // the sanitizers reserve terabytes of shadow; only the plain build can limit
#else
  const uint64_t limit = 512ull << 20;
#endif
  Outcome got = run_program(&pak, nullptr, true, limit);
  EXPECT_EQ(got.code, 0) << got.err;
  EXPECT_EQ(got.err, "");
}

TEST_F(BadInput, MissingOrCorruptArchive) {
  expect_fatal(run_program(nullptr, nullptr), "Error opening archive 'k417.pak'.\n");
  // Damage the reader cannot tell from an archive without files: everything is missing.
  Bytes noise(6000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
  expect_fatal(run_program(nullptr, &noise), "File not found: 'fini.xm'");
  expect_fatal_embedded(noise, "File not found: 'fini.xm'");
  Bytes whole = archive_with(&real.tune, &real.picture, &real.font);
  expect_fatal_embedded(cut(whole, 1000), "File not found: 'fini.xm'");  // shorter than its header
  Bytes farListing = whole;
  put_u32(&farListing, 16, 0x7FFFFFFF);  // a listing count reaching far beyond the block
  expect_fatal_embedded(farListing, "File not found: 'fini.xm'");
  Bytes empty = archive({});
  expect_fatal_embedded(empty, "File not found: 'fini.xm'");
}

TEST_F(BadInput, MissingTruncatedOrMalformedTune) {
  expect_fatal_embedded(archive_with(nullptr, &real.picture, &real.font), "File not found: 'fini.xm'");
  const std::string refused = "Unable to load module 'fini.xm'!";
  Bytes tiny = cut(real.tune, 10);  // not even the signature
  expect_fatal_embedded(archive_with(&tiny, &real.picture, &real.font), refused);
  Bytes header = cut(real.tune, 64);  // the signature, no channel count
  expect_fatal_embedded(archive_with(&header, &real.picture, &real.font), refused);
  Bytes empty;
  expect_fatal_embedded(archive_with(&empty, &real.picture, &real.font), refused);
  Bytes signature = real.tune;
  signature[9] = 'm';
  expect_fatal_embedded(archive_with(&signature, &real.picture, &real.font), refused);
  Bytes channels = real.tune;
  channels[68] = 33;  // more channels than the player has
  channels[69] = 0;
  expect_fatal_embedded(archive_with(&channels, &real.picture, &real.font), refused);
}

TEST_F(BadInput, MissingTruncatedOrMalformedPicture) {
  expect_fatal_embedded(archive_with(&real.tune, nullptr, &real.font), "File not found: '64.pcx'");
  const std::string refused = "Error extracting texture '64.pcx'.\n";
  Bytes shortened = cut(real.picture, real.picture.size() - 769);  // the palette is gone
  expect_fatal_embedded(archive_with(&real.tune, &shortened, &real.font), refused);
  Bytes header = cut(real.picture, 100);
  expect_fatal_embedded(archive_with(&real.tune, &header, &real.font), refused);
  Bytes maker = real.picture;
  maker[0] = 11;  // not a PCX file
  expect_fatal_embedded(archive_with(&real.tune, &maker, &real.font), refused);
  Bytes small = real.picture;
  small[8] = 31;  // 32 x 64: the texture needs 64 x 64
  small[66] = 32;
  expect_fatal_embedded(archive_with(&real.tune, &small, &real.font), refused);
  Bytes marker = real.picture;
  marker[marker.size() - 769] ^= 0xFF;  // the byte before the palette must be 12
  expect_fatal_embedded(archive_with(&real.tune, &marker, &real.font), refused);
}

TEST_F(BadInput, MissingOrTruncatedFont) {
  expect_fatal_embedded(archive_with(&real.tune, &real.picture, nullptr), "File not found: 'fontje.dat'");
  const std::string refused = "Error loading font 'fontje.dat'.\n";
  Bytes shortened = cut(real.font, real.font.size() - 1);
  expect_fatal_embedded(archive_with(&real.tune, &real.picture, &shortened), refused);
  Bytes empty;
  expect_fatal_embedded(archive_with(&real.tune, &real.picture, &empty), refused);
  // The font comes first in loading: with both font and picture missing, the font is named.
  expect_fatal_embedded(archive_with(&real.tune, nullptr, nullptr), "File not found: 'fontje.dat'");
}
}  // namespace
