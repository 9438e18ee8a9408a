// The project's rand must match the classic C runtime sequence from seed 1.
#include <gtest/gtest.h>

#include "shell/crt_rand.h"

TEST(CrtRand, ClassicSequenceFromSeedOne) {
  crt_srand(1);
  // The first values every MSVC runtime program sees.
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int value : expected) EXPECT_EQ(crt_rand(), value);
  crt_srand(1);
  EXPECT_EQ(crt_rand(), 41);
}

TEST(CrtRand, StaysInRange) {
  crt_srand(12345);
  for (int i = 0; i < 100000; ++i) {
    int value = crt_rand();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
  crt_srand(1);
}
