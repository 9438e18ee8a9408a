// The data the build generated: the tune's form and toolkit, picture, font, icons, archive, its table.
// Subtle: the generators run a second time here and must give byte-identical files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "xm_file.h"
#include "k417_embedded.h"

namespace {

std::string build_dir() {
  const char* dir = std::getenv("K417_BINARY_DIR");
  return std::string(dir ? dir : ".");
}
std::string source_dir() {
  const char* dir = std::getenv("K417_SOURCE_DIR");
  return std::string(dir ? dir : ".");
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
std::vector<uint8_t> asset(const char* name) { return read_file(build_dir() + "/assets/" + name); }

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
int le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

uint32_t crc32_register(const uint8_t* data, size_t size) {  // without the final complement
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

class Tune : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bytes_ = asset("fini.xm");
    ok_ = read_xm(bytes_, xm_, error_);
  }
  static std::vector<uint8_t> bytes_;
  static XmFile xm_;
  static bool ok_;
  static std::string error_;
};
std::vector<uint8_t> Tune::bytes_;
XmFile Tune::xm_;
bool Tune::ok_;
std::string Tune::error_;

TEST_F(Tune, FormTheShowIsTimedBy) {
  ASSERT_TRUE(ok_) << error_;
  EXPECT_EQ(xm_.consumed, bytes_.size());
  EXPECT_EQ(xm_.songLength, 35);
  EXPECT_EQ(xm_.restart, 0);
  EXPECT_GE(xm_.channels, 8);
  EXPECT_LE(xm_.channels, 32);
  EXPECT_EQ(xm_.flags & 1, 1) << "linear frequency table";
  double seconds = 0;
  for (int order = 0; order < xm_.songLength; ++order) {
    int pattern = xm_.orders[order];
    ASSERT_LT(pattern, xm_.patternCount);
    bool shortOne = (order >= 14 && order <= 19) || order == 34;
    EXPECT_EQ(xm_.rows[pattern], shortOne ? 64 : 128) << "order " << order;
    seconds += xm_.rows[pattern] * xm_.speed * 2.5 / xm_.bpm;
  }
  EXPECT_GE(seconds, 180.0);
  EXPECT_LE(seconds, 270.0);
  // Nothing may bend the order: no position jump, pattern break, pattern loop or delay, and no
  // later tempo than the one the length above was computed from.
  for (int p = 0; p < xm_.patternCount; ++p)
    for (const XmCell& c : xm_.cells[p]) {
      EXPECT_NE(c.effect, 0x0B) << "pattern " << p;
      EXPECT_NE(c.effect, 0x0D) << "pattern " << p;
      if (c.effect == 0x0E) {
        EXPECT_NE(c.param >> 4, 0x6) << "pattern " << p;
        EXPECT_NE(c.param >> 4, 0xE) << "pattern " << p;
      }
      if (c.effect == 0x0F) {
        EXPECT_TRUE(c.param == xm_.speed || c.param == xm_.bpm) << "pattern " << p;
      }
    }
}

TEST_F(Tune, InstrumentsUseTheWholeToolkit) {
  ASSERT_TRUE(ok_) << error_;
  std::set<int> bits, loops;
  int volumeEnvelopes = 0, sustains = 0, panningEnvelopes = 0, vibratos = 0;
  for (const XmInstrument& ins : xm_.instruments) {
    ASSERT_EQ(ins.samples.size(), 1u);
    const XmSample& s = ins.samples[0];
    int width = (s.type & 16) ? 2 : 1;
    bits.insert(width * 8);
    loops.insert(s.type & 3);
    EXPECT_EQ(s.lengthBytes % width, 0u);
    EXPECT_LE(s.loopStartBytes + s.loopLengthBytes, s.lengthBytes);
    EXPECT_GT(s.values.size(), 0u);
    if (ins.volumeType & 1) ++volumeEnvelopes;
    if (ins.volumeType & 2) ++sustains;
    if (ins.panningType & 1) ++panningEnvelopes;
    if (ins.vibratoDepth) ++vibratos;
    if (ins.volumeType & 1) {
      EXPECT_GE(ins.volumePoints, 2);
      EXPECT_LE(ins.volumePoints, 12);
      if (ins.volumeType & 2) {
        EXPECT_LT(ins.volumeSustain, ins.volumePoints);
      }
    }
  }
  EXPECT_EQ(bits, (std::set<int>{8, 16}));
  EXPECT_EQ(loops, (std::set<int>{0, 1, 2}));  // none, forward, ping-pong
  EXPECT_GT(volumeEnvelopes, 3);
  EXPECT_GT(sustains, 2);
  EXPECT_GT(panningEnvelopes, 0);
  EXPECT_GT(vibratos, 0);
}

TEST_F(Tune, ScoreExercisesTheEffects) {
  ASSERT_TRUE(ok_) << error_;
  std::set<int> effects, extended, volumeColumn;
  for (int order = 0; order < xm_.songLength; ++order)
    for (const XmCell& c : xm_.cells[xm_.orders[order]]) {
      if (c.effect == 0 && c.param) effects.insert(0);
      if (c.effect) effects.insert(c.effect);
      if (c.effect == 0x0E) extended.insert(c.param >> 4);
      if (c.volume >= 0x60) volumeColumn.insert(c.volume >> 4);
    }
  // arpeggio, slides up/down, tone portamento, vibrato, panning, offset, volume slide, speed,
  // global volume and its slide, multi retrig, tremor
  for (int e : {0x0, 0x1, 0x2, 0x3, 0x4, 0x8, 0x9, 0xA, 0xF, 0x10, 0x11, 0x1B, 0x1D}) EXPECT_TRUE(effects.count(e)) << "effect " << e;
  for (int e : {0x9, 0xC, 0xD}) EXPECT_TRUE(extended.count(e)) << "extended E" << e;  // retrigger, cut, delay
  EXPECT_TRUE(volumeColumn.count(0xC)) << "volume-column panning";
  EXPECT_TRUE(volumeColumn.count(0x9)) << "volume-column fine slide";
}

TEST_F(Tune, SamplesStayInsideTheCombinedHeadroom) {
  ASSERT_TRUE(ok_) << error_;
  for (const XmInstrument& ins : xm_.instruments) {
    int peak = 0;
    for (int16_t v : ins.samples[0].values) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LE(peak, 32767 * 96 / 100);  // the generator normalises below full scale
    EXPECT_GT(peak, 32767 / 4);         // and nothing is left nearly silent
  }
  EXPECT_LT(bytes_.size(), 600u * 1024);
}

TEST(Picture, HeaderPaletteAndExactDecoding) {
  std::vector<uint8_t> pcx = asset("64.pcx");
  ASSERT_GT(pcx.size(), 128u + 769u);
  EXPECT_EQ(pcx[0], 10);
  EXPECT_EQ(pcx[1], 5);
  EXPECT_EQ(pcx[2], 1);
  EXPECT_EQ(pcx[3], 8);
  EXPECT_EQ(le16(pcx, 4), 0);
  EXPECT_EQ(le16(pcx, 6), 0);
  EXPECT_EQ(le16(pcx, 8), 63);
  EXPECT_EQ(le16(pcx, 10), 63);
  EXPECT_EQ(pcx[65], 1);
  EXPECT_EQ(le16(pcx, 66), 64);
  // Decoding 64 lines of 64 bytes ends exactly at the palette marker.
  size_t at = 128;
  for (int y = 0; y < 64; ++y) {
    int x = 0;
    while (x < 64) {
      ASSERT_LT(at, pcx.size());
      uint8_t b = pcx[at++];
      int run = b >= 0xC0 ? b - 0xC0 : 1;
      if (b >= 0xC0) at++;
      EXPECT_GT(run, 0);
      x += run;
      EXPECT_LE(x, 64) << "a run crosses line " << y;
    }
  }
  EXPECT_EQ(at + 769, pcx.size());
  EXPECT_EQ(pcx[at], 12);
  const uint8_t* palette = &pcx[at + 1];
  EXPECT_EQ(palette[0] + palette[1] + palette[2], 0) << "index 0 is black";
}

TEST(Font, SizeAndTellingRecords) {
  std::vector<uint8_t> font = asset("fontje.dat");
  ASSERT_EQ(font.size(), 1440u);
  const uint8_t a[15] = {1, 64, 8, 112, 120, 1, 16, 120, 64, 8, 1, 33, 80, 94, 80};
  const uint8_t nine[5] = {1, 28, 64, 100, 64};
  EXPECT_EQ(0, memcmp(&font[0], a, 15));
  EXPECT_EQ(0, memcmp(&font[35 * 40], nine, 5));
  for (int k = 15; k < 40; ++k) EXPECT_EQ(font[k], 0);
}

TEST(Icons, IconGroupAndWindowIcon) {
  std::vector<uint8_t> ico = asset("k417.ico");
  ASSERT_GT(ico.size(), 6u);
  EXPECT_EQ(le16(ico, 0), 0);
  EXPECT_EQ(le16(ico, 2), 1);
  int count = le16(ico, 4);
  ASSERT_GE(count, 2);
  for (int i = 0; i < count; ++i) {
    size_t entry = 6 + 16 * i;
    int size = ico[entry] ? ico[entry] : 256;
    uint32_t length = le32(ico, entry + 8), offset = le32(ico, entry + 12);
    ASSERT_LE(offset + length, ico.size());
    EXPECT_EQ(le32(ico, offset), 40u);                         // BITMAPINFOHEADER
    EXPECT_EQ(le32(ico, offset + 8), static_cast<uint32_t>(size * 2));
    EXPECT_EQ(le16(ico, offset + 14), 32);
    EXPECT_EQ(length, 40u + size * size * 4 + ((size + 31) / 32) * 4 * size);
  }
  std::vector<uint8_t> rgba = asset("k417-icon.rgba");
  ASSERT_EQ(rgba.size(), 64u * 64u * 4u);
  EXPECT_EQ(rgba[3], 0) << "the corners are transparent";
  EXPECT_EQ(rgba[(32 * 64 + 32) * 4 + 3], 255);
}

TEST(Archive, EmbeddedLayoutNamesAndChecksums) {
  std::vector<uint8_t> pak = asset("k417.pak");
  if (pak.empty()) GTEST_SKIP() << "no archive (the pak tool is not part of this build)";
  ASSERT_GE(pak.size(), 2048u);
  EXPECT_EQ(0, memcmp(pak.data(), "Orvane3.0\0\0\0", 12));
  EXPECT_EQ(le32(pak, 12), 2048u);
  ASSERT_EQ(le32(pak, 16), 3u);
  const char* names[3] = {"64.PCX", "FINI.XM", "FONTJE.DAT"};
  const char* files[3] = {"64.pcx", "fini.xm", "fontje.dat"};
  uint32_t expectedOffset = 2048;
  for (int i = 0; i < 3; ++i) {
    size_t entry = 20 + 80 * i;
    EXPECT_STREQ(reinterpret_cast<const char*>(&pak[entry]), names[i]);
    for (size_t k = entry + std::strlen(names[i]); k < entry + 64; ++k) EXPECT_EQ(pak[k], 0);
    std::vector<uint8_t> data = asset(files[i]);
    uint32_t size = le32(pak, entry + 64), offset = le32(pak, entry + 76);
    EXPECT_EQ(size, data.size());
    EXPECT_EQ(le32(pak, entry + 68), 0u) << "stored";
    EXPECT_EQ(offset, expectedOffset);
    EXPECT_EQ(offset % 2048, 0u);
    ASSERT_LE(offset + size, pak.size());
    EXPECT_EQ(0, memcmp(&pak[offset], data.data(), size)) << names[i];
    EXPECT_EQ(le32(pak, entry + 72), crc32_register(data.data(), data.size())) << names[i];
    EXPECT_EQ(~le32(pak, entry + 72), ~crc32_register(data.data(), data.size()));
    for (uint32_t k = offset + size; k < (offset + size + 2047) / 2048 * 2048; ++k) ASSERT_EQ(pak[k], 0) << names[i] << " padding";
    expectedOffset = (offset + size + 2047) / 2048 * 2048;
  }
  for (size_t k = 20 + 240; k < 2048; ++k) ASSERT_EQ(pak[k], 0) << "directory padding";
  EXPECT_EQ(pak.size(), expectedOffset);
  EXPECT_LT(pak.size(), 1024u * 1024u);
}

TEST(Archive, LinkedInTableServesTheArchiveAndTheIcon) {
  k417_install_embedded_resources();
  ResourceView view{};
  std::vector<uint8_t> pak = asset("k417.pak");
  if (!pak.empty()) {
    ASSERT_TRUE(resource_load("FileSystem", 102, &view));
    ASSERT_EQ(view.size, pak.size());
    EXPECT_EQ(0, memcmp(view.data, pak.data(), pak.size()));
    resource_release(&view);
  }
  std::vector<uint8_t> icon = asset("k417-icon.rgba");
  ASSERT_TRUE(resource_load("Icon", 101, &view));
  ASSERT_EQ(view.size, icon.size());
  EXPECT_EQ(0, memcmp(view.data, icon.data(), icon.size()));
  resource_release(&view);
  EXPECT_FALSE(resource_load("FileSystem", 101, &view));
  resources_install(nullptr, 0);
}

TEST(Generators, RunTwiceGiveTheSameBytes) {
  const std::string tmp = build_dir() + "/tests/assets/regenerated";
  ASSERT_EQ(std::system(("mkdir -p " + tmp).c_str()), 0);
  const std::string src = source_dir() + "/assets";
  std::string tune;
  for (const char* f : {"song", "instruments", "drums", "harmony", "melody", "sections"}) tune += " " + src + "/tune/" + f + ".txt";
  ASSERT_EQ(std::system((std::string(K417_XMGEN) + " " + tmp + "/fini.xm" + tune).c_str()), 0);
  ASSERT_EQ(std::system((std::string(K417_PCXGEN) + " " + src + "/picture/texture.txt " + tmp + "/64.pcx").c_str()), 0);
  ASSERT_EQ(std::system((std::string(K417_FONTGEN) + " " + src + "/font/glyphs.txt " + tmp + "/fontje.dat").c_str()), 0);
  ASSERT_EQ(std::system((std::string(K417_ICONGEN) + " " + tmp + "/64.pcx " + tmp + "/k417.ico " + tmp + "/k417-icon.rgba").c_str()), 0);
  for (const char* f : {"fini.xm", "64.pcx", "fontje.dat", "k417.ico", "k417-icon.rgba"}) {
    std::vector<uint8_t> again = read_file(tmp + "/" + f), built = asset(f);
    EXPECT_FALSE(built.empty()) << f;
    EXPECT_TRUE(again == built) << f << " differs between two runs";
  }
}

}  // namespace
