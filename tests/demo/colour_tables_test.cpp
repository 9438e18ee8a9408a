// Colour tables: the cube's metric on hand-made palettes, the mix table's diagonal, the shade
// tables' end steps, the grey texture, and every fast build against the plain reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "colour_tables_reference.h"
#include "demo/colour_tables.h"
#include "engine/image/texture_sample.h"

namespace {
std::vector<uint8_t> random_palette(uint32_t seed, int distinct) {
  std::mt19937 random(seed);
  std::vector<uint8_t> colours(3 * distinct), palette(768);
  for (auto& c : colours) c = static_cast<uint8_t>(random());
  for (int i = 0; i < 256; ++i) {
    int pick = static_cast<int>(random() % static_cast<uint32_t>(distinct));
    for (int c = 0; c < 3; ++c) palette[i * 3 + c] = colours[pick * 3 + c];
  }
  return palette;
}

void set(std::vector<uint8_t>& palette, int index, int r, int g, int b) {
  palette[index * 3] = static_cast<uint8_t>(r);
  palette[index * 3 + 1] = static_cast<uint8_t>(g);
  palette[index * 3 + 2] = static_cast<uint8_t>(b);
}

int cube_index(int r5, int g5, int b5) { return r5 * 1024 + g5 * 32 + b5; }
}  // namespace

TEST(ColourCube, BlackPrefersBlackEntriesAndTheLowestIndex) {
  std::vector<uint8_t> palette(768, 255);  // all white
  set(palette, 40, 8, 8, 8);              // near-black grey: direction (18, 18, 18)
  set(palette, 70, 0, 0, 0);
  set(palette, 90, 0, 0, 0);
  std::vector<uint8_t> cube(kColourCubeSize);
  build_colour_cube(cube.data(), palette.data());
  EXPECT_EQ(cube[0], 70);
  // A 5-bit colour whose direction is a pure red and whose brightness is small.
  set(palette, 100, 64, 0, 0);
  set(palette, 101, 64, 64, 0);
  build_colour_cube(cube.data(), palette.data());
  EXPECT_EQ(cube[cube_index(4, 0, 0)], 100);
  EXPECT_EQ(cube[cube_index(4, 4, 0)], 101);
}

TEST(ColourCube, DirectionWeighsAgainstEightTimesBrightness) {
  std::vector<uint8_t> palette(768, 0);
  for (int i = 0; i < 256; ++i) set(palette, i, 255, 255, 255);
  set(palette, 1, 252, 0, 0);   // bright red: direction (32, 0, 0), brightness (31 + 0 + 0) / 3 = 10
  set(palette, 2, 64, 64, 64);  // dim grey: direction (18, 18, 18), brightness (8 + 8 + 8) / 3 = 8
  std::vector<uint8_t> cube(kColourCubeSize);
  build_colour_cube(cube.data(), palette.data());
  // (12, 0, 0): direction (32, 0, 0), brightness 4. Red: 0 + 8 * |10 - 4| = 48; grey: 50 + 8 * 4 = 82;
  // white (direction 18s, brightness (31 * 3) / 3 = 31): 50 + 8 * 27 = 266.
  EXPECT_EQ(cube[cube_index(12, 0, 0)], 1);
  // (3, 0, 0): red 0 + 8 * 9 = 72, grey 50 + 8 * 7 = 106: still red, though far darker.
  EXPECT_EQ(cube[cube_index(3, 0, 0)], 1);
  // (8, 8, 6): direction (21, 21, 16), brightness 7. Grey: 8 + 8 = 16; red: 11 + 21 + 16 + 24 = 72.
  EXPECT_EQ(cube[cube_index(8, 8, 6)], 2);
}

TEST(MixTable, DiagonalIsTheCubeMatchOfTheTruncatedColour) {
  std::vector<uint8_t> palette = random_palette(3, 256);
  set(palette, 5, 200, 100, 50);
  set(palette, 6, 203, 103, 55);  // same 5-bit colour as entry 5
  std::vector<uint8_t> cube(kColourCubeSize), mix(kMixTableSize);
  build_colour_cube(cube.data(), palette.data());
  build_mix_table(mix.data(), cube.data(), palette.data());
  int notItself = 0;
  for (int i = 0; i < 256; ++i) {
    const uint8_t* c = &palette[i * 3];
    ASSERT_EQ(mix[i * 256 + i], cube[cube_index(c[0] >> 3, c[1] >> 3, c[2] >> 3)]) << i;
    notItself += mix[i * 256 + i] != i;
  }
  EXPECT_EQ(mix[5 * 256 + 5], mix[6 * 256 + 6]);
  EXPECT_GT(notItself, 0);  // the cube's metric rarely returns a colour to its own index

  // Off the diagonal: 40 % of new, 60 % of old, each channel divided down to 5 bits.
  set(palette, 10, 255, 0, 0);
  set(palette, 11, 0, 0, 255);
  build_mix_table(mix.data(), cube.data(), palette.data());
  // r5 = 40 * 255 / 800 = 12, b5 = 60 * 255 / 800 = 19.
  EXPECT_EQ(mix[10 * 256 + 11], cube[cube_index(12, 0, 19)]);
  EXPECT_EQ(mix[11 * 256 + 10], cube[cube_index(19, 0, 12)]);
}

TEST(ShadeTables, StepZeroIsTheColourAndStepFifteenTheFarEnd) {
  std::vector<uint8_t> palette(768, 0);
  for (int i = 0; i < 256; ++i) set(palette, i, i, i, i);  // a grey ramp
  set(palette, 200, 100, 100, 100);                        // repeats entry 100 at a higher index
  std::vector<uint8_t> light(kShadeTableSize), dark(kShadeTableSize);
  build_light_shade_table(light.data(), palette.data());
  build_dark_shade_table(dark.data(), palette.data());
  EXPECT_EQ(light[50 * 16], 50);
  EXPECT_EQ(dark[50 * 16], 50);
  EXPECT_EQ(light[200 * 16], 100);  // the same colour at a lower index wins
  EXPECT_EQ(light[0 * 16 + 15], 239);  // 0 + 255 * 60 / 64
  EXPECT_EQ(light[128 * 16 + 15], 247);  // 128 + 127 * 60 / 64 = 247
  EXPECT_EQ(dark[128 * 16 + 15], 8);   // 128 * 4 / 64
  EXPECT_EQ(dark[255 * 16 + 8], 127);  // 255 * 32 / 64 = 127 (entry 127)
}

TEST(LumaMap, GreyOfEachTexelAndTheTextureAddressing) {
  std::vector<uint8_t> pixels(256 * 256);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13);
  PalettedTexture texture{pixels.data(), 256, 256, {}, 255, 255, 8};
  for (int i = 0; i < 256; ++i) {
    texture.palette[i * 3] = static_cast<uint8_t>(i);
    texture.palette[i * 3 + 1] = static_cast<uint8_t>(255 - i);
    texture.palette[i * 3 + 2] = static_cast<uint8_t>(i / 2);
  }
  Texture8 luma{};
  build_luma_map(luma, texture);
  ASSERT_NE(luma.pixels, nullptr);
  EXPECT_EQ(luma.width, 256);
  EXPECT_EQ(luma.height, 256);
  EXPECT_EQ(luma.maskX, 255u);
  EXPECT_EQ(luma.maskY, 255u);
  EXPECT_EQ(luma.shift, 8u);
  for (size_t i = 0; i < pixels.size(); i += 97) {
    int c = pixels[i];
    ASSERT_EQ(luma.pixels[i], (c + (255 - c) + c / 2) / 3) << i;
  }
  destroy(luma);
}

TEST(ColourTables, FastBuildsMatchThePlainScans) {
  std::vector<std::vector<uint8_t>> palettes = {sample::ramp_picture().palette, random_palette(11, 256),
                                                random_palette(12, 7), std::vector<uint8_t>(768, 0)};
  for (size_t p = 0; p < palettes.size(); ++p) {
    const uint8_t* palette = palettes[p].data();
    std::vector<uint8_t> fast(kColourCubeSize), plain(kColourCubeSize);
    build_colour_cube(fast.data(), palette);
    reference::colour_cube(plain.data(), palette);
    EXPECT_EQ(fast, plain) << "cube, palette " << p;

    std::vector<uint8_t> fastMix(kMixTableSize), plainMix(kMixTableSize);
    for (int weights : {40, 1, 77}) {
      build_mix_table(fastMix.data(), plain.data(), palette, weights, 100 - weights);
      reference::mix_table(plainMix.data(), plain.data(), palette, weights, 100 - weights);
      EXPECT_EQ(fastMix, plainMix) << "mix " << weights << ", palette " << p;
    }

    std::vector<uint8_t> fastShade(kShadeTableSize), plainShade(kShadeTableSize);
    build_light_shade_table(fastShade.data(), palette);
    reference::light_shade(plainShade.data(), palette);
    EXPECT_EQ(fastShade, plainShade) << "light, palette " << p;
    build_dark_shade_table(fastShade.data(), palette);
    reference::dark_shade(plainShade.data(), palette);
    EXPECT_EQ(fastShade, plainShade) << "dark, palette " << p;
  }
}
