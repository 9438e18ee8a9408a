// Path syntax, path_directory, the executable-directory cut and VfsString's pieces.
// The Windows cut is tested on literal paths; this process's own directory only for its shape.
#include <gtest/gtest.h>

#include <cstring>

#include "vfs/vfs_path.h"
#include "vfs/vfs_string.h"

TEST(VfsPath, AcceptsPlainAndRootedPaths) {
  for (const char* path : {"a/b.txt", "/a/b.txt", "64.PCX", ".", "a.b/c.d", "a/.b"}) {
    EXPECT_TRUE(is_valid_path(path, false)) << path;
  }
}

TEST(VfsPath, RefusesEmptyBackslashTrailingSlashDoubleSlashDotsAndWildcards) {
  for (const char* path : {"", "a\\b", "\\a", "a/", "/", "a//b", "//a", "a/../b", "..", "a..b", "./a", "a./b",
                           "a/*.pcx", "?", "x*"}) {
    EXPECT_FALSE(is_valid_path(path, false)) << path;
  }
}

TEST(VfsPath, WildcardsOnlyInTheLastComponent) {
  EXPECT_TRUE(is_valid_path("dir/*.pcx", true));
  EXPECT_TRUE(is_valid_path("*.*", true));
  EXPECT_TRUE(is_valid_path("/a/b/F?NI.*", true));
  EXPECT_FALSE(is_valid_path("d*r/x", true));
  EXPECT_FALSE(is_valid_path("a/?/x", true));
  EXPECT_FALSE(is_valid_path("a/../*", true));  // the other rules still apply
}

TEST(VfsPath, DirectoryIsThePrefixThroughTheLastSlash) {
  EXPECT_EQ(path_directory("a/b/c"), "a/b/");
  EXPECT_EQ(path_directory("/c"), "/");
  EXPECT_EQ(path_directory("c"), "");
  EXPECT_EQ(path_directory("a/b/"), "a/b/");
}

TEST(VfsPath, ExecutableDirectoryKeepsALoneSeparator) {
  char buffer[260];
  ASSERT_TRUE(directory_of_executable("C:\\prog.exe", '\\', buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "C:\\");
  ASSERT_TRUE(directory_of_executable("C:\\games\\demo\\prog.exe", '\\', buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "C:\\games\\demo");
  ASSERT_TRUE(directory_of_executable("/prog", '/', buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "/");
  EXPECT_FALSE(directory_of_executable("prog.exe", '\\', buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "");
  std::string long_path = "C:\\" + std::string(300, 'x');
  EXPECT_FALSE(directory_of_executable(long_path.c_str(), '\\', buffer, sizeof buffer));
}

TEST(VfsPath, ExecutableDirectoryOfThisProcessHoldsItsBinary) {
  char buffer[260];
  ASSERT_TRUE(executable_directory(buffer));
  EXPECT_EQ(buffer[0], '/');
  EXPECT_NE(buffer[std::strlen(buffer) - 1], '/');
}

TEST(VfsString, ConcatenatesAndCutsWithClamping) {
  VfsString a("data/");
  VfsString b = a + VfsString("64.pcx");
  EXPECT_EQ(b, "data/64.pcx");
  EXPECT_EQ(b.length(), 11u);
  EXPECT_EQ(a + "x", "data/x");
  EXPECT_EQ(b.left(4), "data");
  EXPECT_EQ(b.left(100), "data/64.pcx");
  EXPECT_EQ(b.right(3), "pcx");
  EXPECT_EQ(b.right(11), "data/64.pcx");
  EXPECT_EQ(b.left(0), "");
  EXPECT_EQ(VfsString() + VfsString(), "");
  EXPECT_STREQ(VfsString(nullptr).c_str(), "");
  EXPECT_EQ(VfsString("a/b/c").replaced('/', '\\'), "a\\b\\c");
}
