// The resource file system over an installed table, as the embedded archive is read off Windows.
// Each test uninstalls its table, since the table is the seam's one global.
#include <gtest/gtest.h>

#include <vector>

#include "platform/resources.h"
#include "vfs/resource_file_sys.h"

namespace {
struct InstalledTable {
  explicit InstalledTable(const std::vector<EmbeddedResource>& table) : entries(table) {
    resources_install(entries.data(), entries.size());
  }
  ~InstalledTable() { resources_install(nullptr, 0); }
  std::vector<EmbeddedResource> entries;
};

std::vector<uint8_t> pattern_bytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}
}  // namespace

TEST(ResourceFileSys, NumbersFromTextAsAtoiReadsThem) {
  EXPECT_EQ(resource_number("102"), 102);
  EXPECT_EQ(resource_number("0102"), 102);
  EXPECT_EQ(resource_number("102abc"), 102);
  EXPECT_EQ(resource_number("65638"), 102);  // truncated to 16 bits
  EXPECT_EQ(resource_number("  7"), 7);
  EXPECT_EQ(resource_number("abc"), 0);
  EXPECT_EQ(resource_number("-1"), 0xFFFF);
  EXPECT_EQ(resource_number("99999999999999999999"), resource_number("99999999999999999999"));  // no trap
}

TEST(ResourceFileSys, OpensTheResourceReadOnlyWhateverTheMode) {
  std::vector<uint8_t> archive = pattern_bytes(45056);
  InstalledTable table({{"FILESYSTEM", 102, archive.data(), 45056}});  // type names ignore case
  ResourceFileSys fs;
  for (const char* name : {"102", "0102", "102abc", "65638"}) {
    VFile* file = fs.open(name, kOpenReadWrite);
    ASSERT_NE(file, nullptr) << name;
    EXPECT_EQ(file->mode(), kOpenRead);
    EXPECT_EQ(file->name(), name);
    EXPECT_EQ(file->size(), 45056u);
    file->close();
  }
  EXPECT_EQ(fs.file_size("102"), 45056u);
  EXPECT_EQ(fs.file_size("7"), kVfsNoSize);
  EXPECT_TRUE(fs.exists("102"));
  EXPECT_FALSE(fs.exists("7"));
  EXPECT_FALSE(fs.exists("abc"));
  EXPECT_EQ(fs.open("7", kOpenRead), nullptr);
  EXPECT_FALSE(fs.remove("102"));
  EXPECT_EQ(fs.find_first("*"), nullptr);
  EXPECT_FALSE(fs.find_next(nullptr));
  EXPECT_EQ(fs.reserved("102", 0), nullptr);
}

TEST(ResourceFileSys, ReadsAndSeeksWithinTheResource) {
  std::vector<uint8_t> archive = pattern_bytes(45056);
  InstalledTable table({{"FileSystem", 102, archive.data(), 45056}});
  ResourceFileSys fs;
  VFile* file = fs.open("102", kOpenRead);
  VFile* second = fs.open("102", kOpenRead);  // each file has its own position
  ASSERT_NE(file, nullptr);
  std::vector<uint8_t> buffer(50000);
  EXPECT_EQ(file->read(buffer.data(), 50000), 45056u);
  EXPECT_TRUE(std::equal(archive.begin(), archive.end(), buffer.begin()));
  EXPECT_EQ(file->read(buffer.data(), 50000), 0u);
  EXPECT_EQ(file->tell(), 45056u);
  EXPECT_EQ(second->read(buffer.data(), 4), 4u);
  EXPECT_EQ(buffer[3], archive[3]);
  EXPECT_TRUE(file->seek(45056));
  EXPECT_FALSE(file->seek(45057));
  EXPECT_FALSE(file->seek(0x100000000ull));  // a high half counts as beyond
  EXPECT_TRUE(file->seek(1000));
  EXPECT_EQ(file->read(buffer.data(), 2), 2u);
  EXPECT_EQ(buffer[0], archive[1000]);
  EXPECT_EQ(file->write(buffer.data(), 2), 0u);
  EXPECT_FALSE(file->truncate(0));
  file->close();
  second->close();
}

TEST(ResourceFileSys, FirstResourceNameIsTheFirstNumberOfTheType) {
  uint8_t byte = 0;
  ResourceFileSys fs;
  {
    InstalledTable table({{"Icon", 101, &byte, 1}, {"FileSystem", 102, &byte, 1}});
    EXPECT_EQ(fs.first_resource_name(), "102");
  }
  {
    // A second resource of the type stops the visit; the first number still counts.
    InstalledTable table({{"FileSystem", 300, &byte, 1}, {"FileSystem", 102, &byte, 1}});
    EXPECT_EQ(fs.first_resource_name(), "300");
  }
  {
    InstalledTable table({{"Icon", 101, &byte, 1}});
    EXPECT_EQ(fs.first_resource_name(), "");
  }
  EXPECT_EQ(fs.first_resource_name(), "");
}
