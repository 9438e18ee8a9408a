// Mounting: the search order (embedded resource, current directory, next to the executable),
// load_file and its fatal messages, and remounting without leaks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/resources.h"
#include "vfs/mount.h"
#include "vfs/vfs_path.h"
#include "vfs_test_support.h"

namespace {
// An archive holding WHERE (its origin as text) and 64.PCX (4,802 bytes), plus SHORT, whose data
// runs past the end of the archive.
std::vector<uint8_t> origin_archive(const std::string& where) {
  std::vector<uint8_t> bytes = pak_header(2048);
  put_listing(&bytes, 16, {{"64.PCX", 4802, 0, 2048}, {"SHORT", 100, 0, 2048 + 4802}, {"WHERE", static_cast<uint32_t>(where.size()), 0, 2048 + 4802 + 10}});
  put_bytes(&bytes, 2048, std::string(4802, 'p'));
  put_bytes(&bytes, 2048 + 4802, std::string(10, 's') + where);
  return bytes;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string load_text(const char* path) {
  uint32_t size = 0;
  char* bytes = static_cast<char*>(load_file(path, &size));
  std::string text(bytes, size);
  std::free(bytes);
  return text;
}

class Mounting : public ::testing::Test {
 protected:
  void SetUp() override {
    char here[4096], exe[260];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previous = here;
    char scratch[] = "/tmp/vfs-mount-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    directory = scratch;
    ASSERT_EQ(chdir(directory.c_str()), 0);
    ASSERT_TRUE(executable_directory(exe));
    name = "mount-test-" + std::to_string(getpid()) + ".pak";
    beside_executable = std::string(exe) + "/" + name;
  }
  void TearDown() override {
    unmount_archive();
    resources_install(nullptr, 0);
    std::remove(beside_executable.c_str());
    ASSERT_EQ(chdir(previous.c_str()), 0);
    std::system(("rm -rf '" + directory + "'").c_str());
  }
  std::string previous, directory, name, beside_executable;
};
}  // namespace

TEST_F(Mounting, TheEmbeddedArchiveComesFirstAndIgnoresTheName) {
  std::vector<uint8_t> embedded = origin_archive("embedded");
  EmbeddedResource table[] = {{"FileSystem", 102, embedded.data(), static_cast<uint32_t>(embedded.size())}};
  resources_install(table, 1);
  write_file(name, origin_archive("cwd"));
  ASSERT_TRUE(mount_archive(name.c_str()));
  EXPECT_EQ(load_text("WHERE"), "embedded");
  unmount_archive();
  ASSERT_TRUE(mount_archive(nullptr));
  EXPECT_EQ(load_text("where"), "embedded");
}

TEST_F(Mounting, TheCurrentDirectoryComesBeforeTheExecutablesOne) {
  write_file(name, origin_archive("cwd"));
  write_file(beside_executable, origin_archive("exe"));
  ASSERT_TRUE(mount_archive(name.c_str()));
  EXPECT_EQ(load_text("WHERE"), "cwd");
  unmount_archive();
  std::remove(name.c_str());
  ASSERT_TRUE(mount_archive(name.c_str()));
  EXPECT_EQ(load_text("WHERE"), "exe");
}

TEST_F(Mounting, WithoutANameOnlyTheEmbeddedArchiveCounts) {
  write_file("k417.pak", origin_archive("cwd"));
  EXPECT_FALSE(mount_archive(nullptr));
  ASSERT_TRUE(mount_archive("k417.pak"));
  EXPECT_TRUE(mount_archive(nullptr));  // an existing mount is kept and reported
  EXPECT_EQ(load_text("WHERE"), "cwd");
  ASSERT_TRUE(mount_archive("k417.pak"));  // mounting again replaces the mount without leaking it
  EXPECT_EQ(load_text("WHERE"), "cwd");
}

TEST_F(Mounting, MissingArchivesAreFatal) {
  EXPECT_EXIT(mount_archive("nothere.pak"), ::testing::ExitedWithCode(1), "Error opening archive 'nothere\\.pak'\\.");
  write_file("k417.pak", origin_archive("cwd"));
  // The path check refuses backslashes, so this name is never found on disk.
  EXPECT_EXIT(mount_archive(".\\k417.pak"), ::testing::ExitedWithCode(1), "Error opening archive '\\.\\\\k417\\.pak'\\.");
}

TEST_F(Mounting, LoadFileReadsWholeFilesByAnyCase) {
  write_file(name, origin_archive("cwd"));
  ASSERT_TRUE(mount_archive(name.c_str()));
  for (const char* path : {"64.pcx", "/64.PCX"}) {
    uint32_t size = 0;
    void* bytes = load_file(path, &size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 4802u);
    EXPECT_EQ(static_cast<char*>(bytes)[4801], 'p');
    std::free(bytes);
  }
  void* bytes = load_file("where", nullptr);  // no count asked for
  EXPECT_EQ(std::string(static_cast<char*>(bytes), 3), "cwd");
  std::free(bytes);
}

TEST_F(Mounting, AShortReadGivesTheFullBufferAndTheSmallerCount) {
  std::vector<uint8_t> archive = origin_archive("cwd");
  archive.resize(2048 + 4802 + 40);  // SHORT claims 100 bytes, 40 remain
  write_file(name, archive);
  ASSERT_TRUE(mount_archive(name.c_str()));
  uint32_t size = 12345;
  void* bytes = load_file("short", &size);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(size, 40u);
  std::free(bytes);
}

TEST_F(Mounting, LoadFileOfABadOrMissingPathIsFatal) {
  EXPECT_EXIT(load_file("64.pcx", nullptr), ::testing::ExitedWithCode(1), "File not found: '64\\.pcx'");  // nothing mounted
  write_file(name, origin_archive("cwd"));
  ASSERT_TRUE(mount_archive(name.c_str()));
  for (const char* path : {"", "a\\64.pcx", "64.pcx/", "../64.pcx", "*.pcx", "65.pcx"}) {
    std::string escaped;
    for (char c : std::string(path)) escaped += std::string(std::strchr(".*\\/", c) ? "\\" : "") + c;
    EXPECT_EXIT(load_file(path, nullptr), ::testing::ExitedWithCode(1), "File not found: '" + escaped + "'") << path;
  }
}
