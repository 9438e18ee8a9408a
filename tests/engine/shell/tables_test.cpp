// Engine tables: the quarter-turn values of the sine tables and the lighten table's rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shell/tables.h"

TEST(Tables, SineAndCosineHitTheirExactQuarterTurnValues) {
  ASSERT_EQ(build_tables(), 0);
  EXPECT_EQ(SineTable[0], 0.0f);
  EXPECT_EQ(CosineTable[0], 1.0f);
  EXPECT_EQ(SineTable[256], 1.0f);
  EXPECT_NEAR(CosineTable[256], 0.0f, 1e-6f);
  EXPECT_EQ(SineTable[768], -1.0f);
  EXPECT_NEAR(SineTable[512], 0.0f, 1e-6f);
  EXPECT_EQ(CosineTable[512], -1.0f);
  // Single-precision pi lies just above pi, so half a turn lands slightly past zero.
  EXPECT_LT(SineTable[512], 0.0f);
  for (int i = 0; i < 1024; ++i) {
    double angle = i * static_cast<double>(3.14159265358979f) / 512.0;
    EXPECT_EQ(SineTable[i], static_cast<float>(std::sin(angle))) << i;
    EXPECT_EQ(CosineTable[i], static_cast<float>(std::cos(angle))) << i;
  }
  free_tables();
}

TEST(Tables, RefillingGivesIdenticalContents) {
  build_tables();
  float sine[1024], cosine[1024];
  std::memcpy(sine, SineTable, sizeof sine);
  std::memcpy(cosine, CosineTable, sizeof cosine);
  fill_sine_tables();
  EXPECT_EQ(std::memcmp(sine, SineTable, sizeof sine), 0);
  EXPECT_EQ(std::memcmp(cosine, CosineTable, sizeof cosine), 0);
  free_tables();
}

TEST(Tables, LightenRowsFollowTheFormula) {
  ASSERT_EQ(build_tables(), 0);
  ASSERT_NE(LightenTable, nullptr);
  EXPECT_EQ(LightenTable[128 * 256 + 0], 128);
  EXPECT_EQ(LightenTable[128 * 256 + 128], 192);
  EXPECT_EQ(LightenTable[128 * 256 + 255], 255);
  for (int j = 0; j < 256; ++j) {
    EXPECT_EQ(LightenTable[j], j) << "row 0 is the identity";
    EXPECT_EQ(LightenTable[255 * 256 + j], 255) << "row 255 is all white";
  }
  for (int n = 0; n < 256; ++n)
    for (int j = 0; j < 256; ++j) ASSERT_EQ(LightenTable[n * 256 + j], j + (n * (256 - j)) / 256) << n << "," << j;
  free_tables();
  EXPECT_EQ(LightenTable, nullptr);
  free_tables();  // a second free is harmless
}
