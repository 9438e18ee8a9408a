// HSV conversion, the nearest-colour rule, the enlarged texture and its refusal of bad pictures;
// the fast build is checked bit for bit against the plain reference on several palettes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "image/texture.h"
#include "image/texture_search.h"
#include "pcx_build.h"
#include "texture_reference.h"
#include "texture_sample.h"

namespace {
using sample::Picture;
using sample::ramp_picture;

Picture random_picture(uint32_t seed, int distinctColours) {
  std::mt19937 random(seed);
  Picture p;
  for (int i = 0; i < 256; ++i) {
    int source = static_cast<int>(random() % static_cast<uint32_t>(distinctColours));
    for (int c = 0; c < 3; ++c) p.palette[i * 3 + c] = static_cast<uint8_t>((source * 2654435761u >> (c * 8)) & 255);
  }
  for (auto& px : p.pixels) px = static_cast<uint8_t>(random());
  return p;
}

std::vector<HsvEntry> hsv_table(const std::vector<uint8_t>& palette) {
  std::vector<HsvEntry> table(256);
  for (int i = 0; i < 256; ++i) table[i] = rgb_to_hsv(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
  return table;
}

void expect_same_as_reference(const Picture& p) {
  std::vector<uint8_t> fast(65536, 0xEE), plain(65536, 0xDD);
  enlarge_texture(fast.data(), p.pixels.data(), p.palette.data());
  reference::enlarge(plain.data(), p.pixels.data(), p.palette.data());
  int differences = 0;
  for (int i = 0; i < 65536; ++i) differences += fast[i] != plain[i];
  EXPECT_EQ(differences, 0);
}
}  // namespace

TEST(RgbToHsv, GreyAndPrimaries) {
  HsvEntry grey = rgb_to_hsv(77, 77, 77);
  EXPECT_EQ(grey.hue, 0.0f);
  EXPECT_EQ(grey.saturation, 0.0f);
  EXPECT_EQ(grey.value, 77.0f);
  HsvEntry black = rgb_to_hsv(0, 0, 0);
  EXPECT_EQ(black.saturation, 0.0f);
  EXPECT_EQ(black.value, 0.0f);

  EXPECT_EQ(rgb_to_hsv(255, 0, 0).hue, 0.0f);
  EXPECT_EQ(rgb_to_hsv(0, 255, 0).hue, 120.0f);
  EXPECT_EQ(rgb_to_hsv(0, 0, 255).hue, 240.0f);
  EXPECT_EQ(rgb_to_hsv(255, 0, 255).hue, 300.0f);  // negative before the wrap
  EXPECT_EQ(rgb_to_hsv(255, 255, 0).hue, 60.0f);
  HsvEntry dull = rgb_to_hsv(100, 50, 50);
  EXPECT_EQ(dull.saturation, 0.5f);
  EXPECT_EQ(dull.value, 100.0f);
}

TEST(NearestPaletteIndex, LowestIndexOnTiesAndNoHueWrap) {
  std::vector<uint8_t> palette(768, 0);
  // Entries 3 and 9 hold the same red; the rest is black.
  palette[3 * 3] = palette[9 * 3] = 200;
  std::vector<HsvEntry> table = hsv_table(palette);
  EXPECT_EQ(nearest_palette_index(190, 5, 5, table.data()), 3);

  // Hue 350 is plainly 10 from hue 340 and 345 from hue 5: no wrap at 360.
  std::vector<HsvEntry> hues(256, HsvEntry{180.0f, 0.0f, 0.0f});
  hues[20] = {5.0f, 1.0f, 255.0f};
  hues[30] = {340.0f, 1.0f, 255.0f};
  const float r = 255, g = 0, b = 42.5f;  // hue 350
  ASSERT_FLOAT_EQ(rgb_to_hsv(r, g, b).hue, 350.0f);
  EXPECT_EQ(nearest_palette_index(r, g, b, hues.data()), 30);

  // Value weighs 30 per step, saturation 54.5 for the whole range: a grey of the same value wins
  // over a fully saturated colour of nearly that value.
  std::vector<uint8_t> mix(768, 0);
  mix[1 * 3] = 120;                                     // red, value 120
  mix[2 * 3] = mix[2 * 3 + 1] = mix[2 * 3 + 2] = 100;  // grey 100
  std::vector<HsvEntry> mixed = hsv_table(mix);
  EXPECT_EQ(nearest_palette_index(101, 101, 101, mixed.data()), 2);
}

TEST(NearestPaletteIndex, TheBestIsKeptInSinglePrecision) {
  // Against black: entry 0 is at 384 + 8.4375 / 32768 (a float of 384 + 8 / 32768 once stored),
  // entry 1 a shade nearer at 384 + 8.375 / 32768. Entry 1 is not below the stored best, so the
  // scan stays on entry 0 although entry 1 is nearer in double precision.
  std::vector<HsvEntry> table(256, HsvEntry{300.0f, 1.0f, 255.0f});
  table[0] = {256.0f, 0.0f, 9.0f / 1048576.0f};
  table[1] = {256.0f - 1.0f / 65536.0f, 0.0f, 10.0f / 1048576.0f};
  EXPECT_EQ(nearest_palette_index(0, 0, 0, table.data()), 0);
  PaletteSearch search(table.data());
  EXPECT_EQ(search.nearest(0, 0, 0), 0);
}

TEST(PaletteSearch, AgreesWithThePlainScan) {
  std::mt19937 random(7);
  for (int round = 0; round < 6; ++round) {
    Picture p = random_picture(100 + round, round < 3 ? 256 : 12);  // few colours: many ties
    std::vector<HsvEntry> table = hsv_table(p.palette);
    PaletteSearch search(table.data());
    for (int i = 0; i < 4000; ++i) {
      float rgb[3];
      for (float& c : rgb) c = static_cast<float>(random() % 4081) / 16.0f;
      if (i % 4 == 0) rgb[1] = rgb[2] = rgb[0];
      uint8_t expected = reference::nearest(rgb[0], rgb[1], rgb[2], table.data());
      ASSERT_EQ(nearest_palette_index(rgb[0], rgb[1], rgb[2], table.data()), expected);
      ASSERT_EQ(search.nearest(rgb[0], rgb[1], rgb[2]), expected) << rgb[0] << " " << rgb[1] << " " << rgb[2];
    }
  }
}

TEST(Texture256, FastBuildMatchesThePlainBuild) {
  expect_same_as_reference(ramp_picture());
  expect_same_as_reference(random_picture(1, 256));
  expect_same_as_reference(random_picture(2, 5));  // heavy duplicates: ties everywhere
  Picture grey;
  for (int i = 0; i < 768; ++i) grey.palette[i] = static_cast<uint8_t>(i / 3);
  for (int i = 0; i < 4096; ++i) grey.pixels[i] = static_cast<uint8_t>((i * 37) ^ (i >> 6));
  expect_same_as_reference(grey);
}

TEST(Texture256, GridPixelsBlendsAndTheZeroBorder) {
  Picture p = ramp_picture();
  // Put two colours side by side whose exact midpoint is itself in the palette (index 200).
  p.palette[10 * 3] = 40, p.palette[10 * 3 + 1] = 80, p.palette[10 * 3 + 2] = 120;
  p.palette[11 * 3] = 80, p.palette[11 * 3 + 1] = 120, p.palette[11 * 3 + 2] = 200;
  p.palette[200 * 3] = 60, p.palette[200 * 3 + 1] = 100, p.palette[200 * 3 + 2] = 160;
  p.pixels[5 * 64 + 7] = 10;
  p.pixels[5 * 64 + 8] = 11;
  std::vector<uint8_t> bytes = pcx::picture64(p.pixels.data(), p.palette.data());
  PalettedTexture texture{};
  ASSERT_TRUE(build_texture256_from_bytes(texture, bytes.data(), static_cast<uint32_t>(bytes.size())));
  EXPECT_EQ(texture.width, 256);
  EXPECT_EQ(texture.height, 256);
  EXPECT_EQ(texture.maskX, 255u);
  EXPECT_EQ(texture.maskY, 255u);
  EXPECT_EQ(texture.shift, 8u);
  EXPECT_EQ(0, std::memcmp(texture.palette, p.palette.data(), 768));

  std::vector<HsvEntry> table = hsv_table(p.palette);
  for (int m = 0; m < 61; ++m)
    for (int k = 0; k < 61; ++k) {
      const uint8_t* rgb = &p.palette[p.pixels[m * 64 + k] * 3];
      ASSERT_EQ(texture.pixels[(4 * m) * 256 + 4 * k], nearest_palette_index(rgb[0], rgb[1], rgb[2], table.data()));
    }
  EXPECT_EQ(texture.pixels[20 * 256 + 28], 10);
  EXPECT_EQ(texture.pixels[20 * 256 + 30], 200);  // half way from picture column 7 to 8
  EXPECT_EQ(texture.pixels[20 * 256 + 32], 11);

  int border = 0;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      if (x > 245 || y > 245) border += texture.pixels[y * 256 + x] != 0;
  EXPECT_EQ(border, 0);
  EXPECT_NE(texture.pixels[245 * 256 + 245], 0);  // the ramp has no index 0 near there
  destroy(texture);
}

TEST(Texture256, RefusesEveryOtherPicture) {
  Picture p = ramp_picture();
  std::vector<uint8_t> good = pcx::picture64(p.pixels.data(), p.palette.data());
  auto builds = [](const std::vector<uint8_t>& bytes) {
    PalettedTexture texture{};
    bool built = build_texture256_from_bytes(texture, bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(built, texture.pixels != nullptr);
    destroy(texture);
    return built;
  };
  ASSERT_TRUE(builds(good));
  EXPECT_FALSE(builds(std::vector<uint8_t>(good.begin(), good.end() - 1)));     // palette short
  EXPECT_FALSE(builds(std::vector<uint8_t>(good.begin(), good.begin() + 900)));  // data cut
  EXPECT_FALSE(builds(std::vector<uint8_t>(good.begin(), good.begin() + 100)));  // header cut
  EXPECT_FALSE(builds({}));

  pcx::Header small;
  small.xMax = small.yMax = 31;
  small.bytesPerLine = 32;
  std::vector<uint8_t> smaller = pcx::header(small);
  for (int y = 0; y < 32; ++y) pcx::encode_line(smaller, p.pixels.data() + y * 64, 32);
  smaller.push_back(12);
  smaller.insert(smaller.end(), p.palette.begin(), p.palette.end());
  EXPECT_FALSE(builds(smaller));
  // ... though as a plain picture it loads, with the fixed 64x64 addressing.
  PalettedTexture loaded{};
  ASSERT_TRUE(load_texture_from_bytes(loaded, smaller.data(), static_cast<uint32_t>(smaller.size())));
  EXPECT_EQ(loaded.width, 32);
  EXPECT_EQ(loaded.maskX, 63u);
  EXPECT_EQ(loaded.shift, 6u);
  EXPECT_EQ(loaded.pixels[31 * 32 + 31], p.pixels[31 * 64 + 31]);
  destroy(loaded);

  pcx::Header planes3;
  planes3.planes = 3;
  std::vector<uint8_t> rgb = pcx::header(planes3);
  rgb.resize(rgb.size() + 3 * 64 * 64, 1);
  EXPECT_FALSE(builds(rgb));

  // A header claiming far more pixels than the file could hold is refused before allocating.
  pcx::Header huge;
  huge.xMax = huge.yMax = 65534;
  huge.bytesPerLine = 65535;
  std::vector<uint8_t> claim = pcx::header(huge);
  claim.resize(claim.size() + 64, 0xC1);
  PalettedTexture none{};
  EXPECT_FALSE(load_texture_from_bytes(none, claim.data(), static_cast<uint32_t>(claim.size())));
  EXPECT_EQ(none.pixels, nullptr);
}
