// PCX reading: header rules, run-length decoding at line ends, padding, three planes, the palette,
// and the stream and list the reader is built on.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image_stream.h"
#include "image/int_list.h"
#include "image/pcx_reader.h"
#include "pcx_build.h"

namespace {
std::vector<uint8_t> palette_bytes() {
  std::vector<uint8_t> palette(768);
  for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i * 7);
  return palette;
}

void append(std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> more) { bytes.insert(bytes.end(), more); }

void append_palette(std::vector<uint8_t>& bytes) {
  bytes.push_back(12);
  std::vector<uint8_t> palette = palette_bytes();
  bytes.insert(bytes.end(), palette.begin(), palette.end());
}

bool header_accepted(const pcx::Header& h) {
  std::vector<uint8_t> bytes = pcx::header(h);
  ImageStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
  PcxReader reader(&stream);
  return reader.read_header();
}
}  // namespace

TEST(ImageStream, ShortReadsStopAtTheEnd) {
  const uint8_t block[5] = {1, 2, 3, 4, 5};
  ImageStream stream(block, 5);
  uint8_t out[8] = {};
  EXPECT_EQ(stream.read(out, 3), 3u);
  EXPECT_EQ(stream.read(out + 3, 8), 2u);
  EXPECT_EQ(stream.read(out, 1), 0u);
  EXPECT_EQ(0, std::memcmp(out, block, 5));
  EXPECT_EQ(out[5], 0);  // nothing beyond the block was copied
}

TEST(IntList, GrowsByDoublingFromSixteenAndCopiesExactly) {
  IntList list;
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(list.append(i));
  EXPECT_EQ(list.capacity(), 16u);
  ASSERT_TRUE(list.append(16));
  EXPECT_EQ(list.capacity(), 32u);
  EXPECT_EQ(list[16], 16);
  EXPECT_TRUE(list.contains(7));
  EXPECT_FALSE(list.contains(17));

  IntList copy;
  copy.append(99);
  ASSERT_TRUE(copy.assign(list));
  EXPECT_EQ(copy.count(), 17u);
  EXPECT_EQ(copy.capacity(), 17u);
  EXPECT_FALSE(copy.contains(99));
  EXPECT_EQ(copy[0], 0);
  EXPECT_EQ(copy[16], 16);
}

TEST(PcxHeader, EveryRequirementIsChecked) {
  EXPECT_TRUE(header_accepted({}));
  pcx::Header h;
  h.manufacturer = 11;
  EXPECT_FALSE(header_accepted(h));
  h = {};
  h.version = 6;
  EXPECT_FALSE(header_accepted(h));
  h.version = 0;
  EXPECT_TRUE(header_accepted(h));
  h = {};
  h.encoding = 0;
  EXPECT_FALSE(header_accepted(h));
  h = {};
  h.bitsPerPixel = 1;
  EXPECT_FALSE(header_accepted(h));
  h = {};
  h.planes = 2;
  EXPECT_FALSE(header_accepted(h));
  h.planes = 3;
  EXPECT_TRUE(header_accepted(h));
  h = {};
  h.bytesPerLine = 65;  // width + 1: a padded line
  EXPECT_TRUE(header_accepted(h));
  h.bytesPerLine = 66;
  EXPECT_FALSE(header_accepted(h));
  h.bytesPerLine = 63;
  EXPECT_FALSE(header_accepted(h));
  h = {};
  h.xMin = 10;  // maximum below minimum: no picture
  h.xMax = 5;
  h.bytesPerLine = 0;
  EXPECT_FALSE(header_accepted(h));

  std::vector<uint8_t> shortHeader = pcx::header({});
  shortHeader.pop_back();
  ImageStream stream(shortHeader.data(), 127);
  PcxReader reader(&stream);
  EXPECT_FALSE(reader.read_header());
  EXPECT_FALSE(reader.valid());
}

TEST(PcxHeader, SizeFromTheCornersAndOneFormatPerPlaneCount) {
  pcx::Header h;
  h.xMin = 100;
  h.xMax = 109;
  h.yMin = 7;
  h.yMax = 7;
  h.bytesPerLine = 10;
  std::vector<uint8_t> bytes = pcx::header(h);
  ImageStream stream(bytes.data(), 128);
  PcxReader reader(&stream);
  ASSERT_TRUE(reader.read_header());
  EXPECT_EQ(reader.image_width(), 10);
  EXPECT_EQ(reader.image_height(), 1);
  IntList formats;
  reader.formats(formats);
  ASSERT_EQ(formats.count(), 1u);
  EXPECT_EQ(formats[0], FormatIndexed);
  EXPECT_FALSE(reader.supports_format(FormatRgb));
}

TEST(PcxDecode, RunsAreCutAtTheLineEndAndZeroRunsStoreNothing) {
  pcx::Header h;
  h.xMax = 3;
  h.yMax = 2;
  h.bytesPerLine = 4;
  std::vector<uint8_t> bytes = pcx::header(h);
  append(bytes, {0xC6, 7});              // line 0: a run of 6 cut after 4
  append(bytes, {0xC0, 9, 1, 0xC2, 0xC5, 2});  // line 1: empty run, 1, two 0xC5 bytes, 2
  append(bytes, {0xC1, 0xC0, 3, 4, 5});  // line 2: a literal 0xC0 through a run of 1
  append_palette(bytes);
  ImageStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
  PcxReader reader(&stream);
  ASSERT_TRUE(reader.read_header());
  uint8_t pixels[12];
  uint8_t palette[768] = {};
  ASSERT_TRUE(reader.decode(pixels, FormatIndexed, 4, palette));
  const uint8_t expected[12] = {7, 7, 7, 7, 1, 0xC5, 0xC5, 2, 0xC0, 3, 4, 5};
  EXPECT_EQ(0, std::memcmp(pixels, expected, 12));
  EXPECT_EQ(0, std::memcmp(palette, palette_bytes().data(), 768));
  EXPECT_EQ(stream.remaining(), 0u);
}

TEST(PcxDecode, PaddingBytesAreDroppedAndPitchIsHonoured) {
  pcx::Header h;
  h.xMax = 2;
  h.yMax = 1;
  h.bytesPerLine = 4;  // width 3 + a padding byte
  std::vector<uint8_t> bytes = pcx::header(h);
  append(bytes, {1, 2, 3, 0xAA, 4, 5, 6, 0xBB});
  append_palette(bytes);
  ImageStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
  PcxReader reader(&stream);
  ASSERT_TRUE(reader.read_header());
  uint8_t pixels[10];
  std::memset(pixels, 0xEE, sizeof pixels);
  ASSERT_TRUE(reader.decode(pixels, FormatIndexed, 5, nullptr));
  const uint8_t expected[10] = {1, 2, 3, 0xEE, 0xEE, 4, 5, 6, 0xEE, 0xEE};
  EXPECT_EQ(0, std::memcmp(pixels, expected, 10));
  EXPECT_EQ(stream.remaining(), 769u);  // no palette pointer: the palette is not read
}

TEST(PcxDecode, ThreePlanesGiveRgbInPlaneOrderAndNoPalette) {
  pcx::Header h;
  h.planes = 3;
  h.xMax = 1;
  h.yMax = 1;
  h.bytesPerLine = 3;  // padded
  std::vector<uint8_t> bytes = pcx::header(h);
  append(bytes, {10, 11, 0, 20, 21, 0, 30, 31, 0});  // row 0: red, green, blue planes
  append(bytes, {0xC4, 5, 7, 0, 8, 9, 0});            // row 1: a run of 4 from red into green
  ImageStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
  PcxReader reader(&stream);
  ASSERT_TRUE(reader.read_header());
  IntList formats;
  reader.formats(formats);
  ASSERT_EQ(formats.count(), 1u);
  EXPECT_EQ(formats[0], FormatRgb);
  uint8_t pixels[12];
  EXPECT_FALSE(reader.decode(pixels, FormatIndexed, 6, nullptr));
  uint8_t palette[768] = {};
  ASSERT_TRUE(reader.decode(pixels, FormatRgb, 6, palette));
  // A run inside one scan line may cross from one plane to the next: only the line end cuts it.
  const uint8_t expected[12] = {10, 20, 30, 11, 21, 31, 5, 5, 8, 5, 7, 9};
  EXPECT_EQ(0, std::memcmp(pixels, expected, 12));
  EXPECT_EQ(palette[0], 0);
  EXPECT_EQ(stream.remaining(), 0u);
}

TEST(PcxDecode, TruncatedDataAndBadPalettesFail) {
  pcx::Header h;
  h.xMax = 3;
  h.yMax = 1;
  h.bytesPerLine = 4;
  uint8_t pixels[8];
  uint8_t palette[768];
  auto decodes = [&](const std::vector<uint8_t>& bytes) {
    ImageStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
    PcxReader reader(&stream);
    return reader.read_header() && reader.decode(pixels, FormatIndexed, 4, palette);
  };
  std::vector<uint8_t> good = pcx::header(h);
  append(good, {1, 2, 3, 4, 0xC4, 5});
  append_palette(good);
  EXPECT_TRUE(decodes(good));

  std::vector<uint8_t> cutInRun(good.begin(), good.begin() + 128 + 5);  // run byte without its value
  EXPECT_FALSE(decodes(cutInRun));
  std::vector<uint8_t> cutInLine(good.begin(), good.begin() + 128 + 3);
  EXPECT_FALSE(decodes(cutInLine));
  std::vector<uint8_t> noMarker = good;
  noMarker[128 + 6] = 13;
  EXPECT_FALSE(decodes(noMarker));
  std::vector<uint8_t> shortPalette(good.begin(), good.end() - 1);
  EXPECT_FALSE(decodes(shortPalette));
  std::vector<uint8_t> noPalette(good.begin(), good.begin() + 128 + 6);
  EXPECT_FALSE(decodes(noPalette));

  // decode before a valid header does nothing.
  ImageStream stream(good.data(), static_cast<uint32_t>(good.size()));
  PcxReader reader(&stream);
  EXPECT_FALSE(reader.decode(pixels, FormatIndexed, 4, palette));
}

TEST(PcxDecode, ProductionSizedPictureIsConsumedExactly) {
  std::vector<uint8_t> pixels(64 * 64);
  for (int i = 0; i < 64 * 64; ++i) pixels[i] = static_cast<uint8_t>((i / 64) * 3 + (i % 64) / 5);
  std::vector<uint8_t> palette = palette_bytes();
  std::vector<uint8_t> bytes = pcx::picture64(pixels.data(), palette.data());
  ImageStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()));
  PcxReader reader(&stream);
  ASSERT_TRUE(reader.read_header());
  EXPECT_EQ(reader.image_width(), 64);
  EXPECT_EQ(reader.image_height(), 64);
  EXPECT_EQ(reader.planes(), 1u);
  std::vector<uint8_t> out(64 * 64);
  uint8_t decodedPalette[768];
  ASSERT_TRUE(reader.decode(out.data(), FormatIndexed, 64, decodedPalette));
  EXPECT_EQ(out, pixels);
  EXPECT_EQ(0, std::memcmp(decodedPalette, palette.data(), 768));
  EXPECT_EQ(stream.remaining(), 0u);
  EXPECT_EQ(bytes[bytes.size() - 769], 12);
}
