// The directory file system on a scratch directory: modes, open-always, directory creation,
// seeks, truncation, removal with pruning and enumeration.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "vfs/directory_file_sys.h"
#include "vfs_test_support.h"

namespace {
class ScratchDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/vfs-dirfs-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root = name;
  }
  void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
  bool is_directory(const std::string& relative) {
    struct stat info;
    return stat((root + "/" + relative).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
  bool is_present(const std::string& relative) { return access((root + "/" + relative).c_str(), F_OK) == 0; }
  void put(const std::string& relative, const std::string& text) { std::ofstream(root + "/" + relative, std::ios::binary) << text; }
  std::string root;
};

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}
}  // namespace

TEST_F(ScratchDirectory, RootEndsWithOneSeparatorAndEmptyMeansCurrent) {
  EXPECT_EQ(DirectoryFileSys(root.c_str()).root(), (root + "/").c_str());
  EXPECT_EQ(DirectoryFileSys((root + "/").c_str()).root(), (root + "/").c_str());
  char current[4096];
  ASSERT_NE(getcwd(current, sizeof current), nullptr);
  EXPECT_EQ(DirectoryFileSys("").root(), (std::string(current) + "/").c_str());
  EXPECT_EQ(DirectoryFileSys("/base").native_path("/data/64.pcx"), "/base/data/64.pcx");
}

// A current directory that cannot be read (here: removed while it was current) leaves no root, and
// every path is missing rather than found from the top of the file system.
TEST_F(ScratchDirectory, UnreadableCurrentDirectoryFindsNothing) {
  put("one.txt", "1");
  const std::string fromTop = root.substr(1) + "/one.txt";
  const std::string gone = root + "/gone";
  int previous = open(".", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(previous, 0);
  ASSERT_EQ(mkdir(gone.c_str(), 0777), 0);
  ASSERT_EQ(chdir(gone.c_str()), 0);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  DirectoryFileSys fs("");
  EXPECT_EQ(fs.open(fromTop.c_str(), kOpenRead), nullptr);
  EXPECT_EQ(fs.open((root.substr(1) + "/made.txt").c_str(), kOpenWrite), nullptr);
  EXPECT_FALSE(fs.exists(fromTop.c_str()));
  EXPECT_EQ(fs.file_size(fromTop.c_str()), 0u);
  EXPECT_EQ(fs.find_first((root.substr(1) + "/*").c_str()), nullptr);
  EXPECT_FALSE(fs.remove(fromTop.c_str()));
  EXPECT_EQ(fchdir(previous), 0);
  close(previous);
  EXPECT_TRUE(is_present("one.txt"));
  EXPECT_FALSE(is_present("made.txt"));
}

TEST_F(ScratchDirectory, ReadingAMissingFileCreatesNothing) {
  DirectoryFileSys fs(root.c_str());
  EXPECT_EQ(fs.open("k417.pak", kOpenRead), nullptr);
  EXPECT_EQ(fs.open("out/k417.pak", kOpenRead), nullptr);
  EXPECT_FALSE(is_present("k417.pak"));
  EXPECT_FALSE(is_present("out"));
}

TEST_F(ScratchDirectory, WritingCreatesMissingDirectoriesAndKeepsContents) {
  DirectoryFileSys fs(root.c_str());
  VFile* file = fs.open("out/sub/log.txt", kOpenWrite);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(is_directory("out/sub"));
  EXPECT_EQ(file->write("0123456789", 10), 10u);
  char byte;
  EXPECT_EQ(file->read(&byte, 1), 0u);  // write only
  file->close();

  // Open-always keeps the contents and starts at 0: a shorter write overwrites only its bytes.
  file = fs.open("out/sub/log.txt", kOpenReadWrite);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->size(), 10u);
  EXPECT_EQ(file->write("ab", 2), 2u);
  EXPECT_TRUE(file->seek(0));
  EXPECT_EQ(read_all(file), "ab23456789");
  file->close();

  file = fs.open("/out/sub/log.txt", kOpenRead);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->write("x", 1), 0u);
  EXPECT_FALSE(file->truncate(0));
  EXPECT_EQ(file->name(), "/out/sub/log.txt");
  file->close();
  EXPECT_EQ(fs.file_size("out/sub/log.txt"), 10u);
  EXPECT_TRUE(fs.exists("out/sub/log.txt"));
}

TEST_F(ScratchDirectory, SeeksStayInsideAndTruncationOnlyShortens) {
  DirectoryFileSys fs(root.c_str());
  put("f.bin", std::string(100, 'x'));
  VFile* file = fs.open("f.bin", kOpenReadWrite);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->seek(100));
  EXPECT_FALSE(file->seek(101));
  EXPECT_EQ(file->tell(), 100u);
  EXPECT_FALSE(file->truncate(150));  // a larger size fails and changes nothing
  EXPECT_EQ(file->size(), 100u);
  EXPECT_TRUE(file->seek(50));
  EXPECT_TRUE(file->truncate(10));
  EXPECT_EQ(file->size(), 10u);
  EXPECT_EQ(file->tell(), 10u);  // clamped to the new end
  EXPECT_TRUE(file->seek(5));
  EXPECT_TRUE(file->truncate(8));
  EXPECT_EQ(file->tell(), 5u);   // kept when still inside
  EXPECT_EQ(file->size(), 8u);
  file->close();
}

TEST_F(ScratchDirectory, RemovingPrunesDirectoriesLeftEmpty) {
  DirectoryFileSys fs(root.c_str());
  VFile* file = fs.open("a/b/c.txt", kOpenWrite);
  ASSERT_NE(file, nullptr);
  file->close();
  put("a/keep.txt", "k");
  EXPECT_TRUE(fs.remove("a/b/c.txt"));
  EXPECT_FALSE(is_present("a/b"));
  EXPECT_TRUE(is_directory("a"));  // not empty: pruning stops there
  EXPECT_TRUE(fs.remove("/a/keep.txt"));
  EXPECT_FALSE(is_present("a"));
  EXPECT_TRUE(is_directory(""));   // the root itself is never pruned
  EXPECT_FALSE(fs.remove("a/keep.txt"));
}

TEST_F(ScratchDirectory, BadPathsAndDirectoriesAreRefused) {
  DirectoryFileSys fs(root.c_str());
  put("b", "outside");
  ASSERT_EQ(mkdir((root + "/dir").c_str(), 0777), 0);
  for (const char* path : {"dir/../b", "dir\\b", "dir/", "", "*"}) {
    EXPECT_EQ(fs.open(path, kOpenRead), nullptr) << path;
    EXPECT_EQ(fs.open(path, kOpenWrite), nullptr) << path;
    EXPECT_EQ(fs.file_size(path), 0u) << path;
    EXPECT_FALSE(fs.exists(path)) << path;
    EXPECT_FALSE(fs.remove(path)) << path;
  }
  EXPECT_FALSE(fs.exists("dir"));
  EXPECT_EQ(fs.open("dir", kOpenRead), nullptr);
  EXPECT_FALSE(fs.remove("dir"));
  EXPECT_EQ(fs.file_size("missing"), 0u);
  EXPECT_EQ(fs.reserved("b", 1), nullptr);
}

TEST_F(ScratchDirectory, EnumerationHidesDotEntries) {
  DirectoryFileSys fs(root.c_str());
  EXPECT_EQ(fs.find_first("*"), nullptr);  // only "." and ".." there
  EXPECT_EQ(fs.find_first("*.*"), nullptr);
  put("one.pcx", "1");
  put("two.txt", "22");
  put("README", "5");
  ASSERT_EQ(mkdir((root + "/data").c_str(), 0777), 0);
  put("data/64.pcx", "333");
  put("data/x.xm", "4444");
  using Names = std::vector<std::string>;
  EXPECT_EQ(sorted(enumerate(&fs, "*")), (Names{"README", "data/", "one.pcx", "two.txt"}));
  // As on Windows, "*.*" is every name, with a dot or without.
  EXPECT_EQ(sorted(enumerate(&fs, "*.*")), (Names{"README", "data/", "one.pcx", "two.txt"}));
  EXPECT_EQ(sorted(enumerate(&fs, "data/*.*")), (Names{"data/64.pcx", "data/x.xm"}));
  EXPECT_EQ(enumerate(&fs, "*.pcx"), Names{"one.pcx"});
  EXPECT_EQ(enumerate(&fs, "data/*.pcx"), Names{"data/64.pcx"});
  EXPECT_EQ(enumerate(&fs, "/data/?4.pcx"), Names{"/data/64.pcx"});
  EXPECT_EQ(enumerate(&fs, "data/x.xm"), Names{"data/x.xm"});
  EXPECT_EQ(enumerate(&fs, "."), Names{});
  EXPECT_EQ(fs.find_first("d*a/*"), nullptr);
  DirIterator* it = fs.find_first("data/x.*");
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->size(), 4u);
  EXPECT_FALSE(it->is_directory());
  fs.find_close(it);
}
