// The deterministic maths must stay within an ulp or two of the correctly rounded values that
// the C library gives, over the ranges the show and the player use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "shell/det_math.h"

namespace {
int64_t ulps_apart(double a, double b) {
  if (a == b) return 0;
  int64_t ia, ib;
  std::memcpy(&ia, &a, 8);
  std::memcpy(&ib, &b, 8);
  if (ia < 0) ia = INT64_MIN - ia;
  if (ib < 0) ib = INT64_MIN - ib;
  return ia > ib ? ia - ib : ib - ia;
}

// A fixed spread of arguments: small, around multiples of pi/2, and the show's large angles.
template <typename F>
void sweep(double from, double to, int steps, F check) {
  for (int i = 0; i <= steps; ++i) check(from + (to - from) * i / steps);
}
}  // namespace

TEST(DetMath, SineAndCosineMatchTheCLibraryWithinAnUlp) {
  int64_t worst = 0;
  auto check = [&](double x) {
    worst = std::max(worst, ulps_apart(det_sin(x), std::sin(x)));
    worst = std::max(worst, ulps_apart(det_cos(x), std::cos(x)));
  };
  sweep(-10.0, 10.0, 200001, check);
  sweep(-5000.0, 5000.0, 200001, check);
  for (int k = -2000; k <= 2000; ++k) check(k * 1.5707963267948966);  // near the zeros
  EXPECT_LE(worst, 1);
  EXPECT_EQ(det_sin(0.0), 0.0);
  EXPECT_EQ(det_cos(0.0), 1.0);
  EXPECT_TRUE(std::isnan(det_sin(NAN)));
  EXPECT_TRUE(std::isnan(det_cos(INFINITY)));
}

TEST(DetMath, Atan2MatchesInEveryQuadrantAndAtTheEdges) {
  int64_t worst = 0;
  for (int i = -300; i <= 300; ++i)
    for (int j = -300; j <= 300; ++j) {
      double y = i * 0.731, x = j * 1.137;
      if (x == 0 && y == 0) continue;
      worst = std::max(worst, ulps_apart(det_atan2(y, x), std::atan2(y, x)));
    }
  EXPECT_LE(worst, 1);
  EXPECT_EQ(det_atan2(0.0, 1.0), 0.0);
  EXPECT_EQ(det_atan2(0.0, -1.0), std::atan2(0.0, -1.0));
  EXPECT_EQ(det_atan2(1.0, 0.0), std::atan2(1.0, 0.0));
  EXPECT_EQ(det_atan2(-1.0, 0.0), std::atan2(-1.0, 0.0));
  EXPECT_EQ(det_atan2(1e-300, 1e300), std::atan2(1e-300, 1e300));
  EXPECT_EQ(det_atan2(1e300, 1e-300), std::atan2(1e300, 1e-300));
}

TEST(DetMath, Exp2MatchesAndIsExactOnIntegers) {
  int64_t worst = 0;
  sweep(-40.0, 40.0, 400001, [&](double x) { worst = std::max(worst, ulps_apart(det_exp2(x), std::exp2(x))); });
  EXPECT_LE(worst, 1);
  for (int k = -60; k <= 60; ++k) EXPECT_EQ(det_exp2(k), std::ldexp(1.0, k)) << k;
  EXPECT_EQ(det_exp2(2000.0), HUGE_VAL);
  EXPECT_EQ(det_exp2(-2000.0), 0.0);
}
