// The deterministic maths must stay within an ulp or two of the correctly rounded values that
// the C library gives, over the ranges the show and the player use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

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

namespace {
bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

// Two at a time must be the scalar functions bit for bit: across the reduction's quadrants and
// its cancelling points near multiples of pi/2, the arc tangent's five intervals and their edges,
// every quadrant of atan2, and the special cases mixed into pairs with ordinary arguments.
TEST(DetMath, PairedSineAndArcTangentEqualTheScalarOnesBitForBit) {
  std::vector<double> x, y;
  uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state >> 11) / 9007199254740992.0;  // [0, 1)
  };
  for (int i = 0; i < 200000; ++i) x.push_back((next() - 0.5) * 100.0);
  for (int k = -40; k <= 40; ++k) {
    for (double d : {0.0, 1e-12, -1e-12, 1e-9, 3e-16}) x.push_back(k * 1.5707963267948966 + d);
  }
  const double edges[] = {0.0, -0.0, 0.7853981633974483, -0.7853981633974483, 1e9, -1e9, 1e9 + 1, 1e300,
                          5e-324, -2.5e-308, HUGE_VAL, -HUGE_VAL, NAN, 7.0e-9, 1.0, 0.4375, 0.6875, 1.1875, 2.4375};
  for (double e : edges) {
    x.push_back(e);
    x.push_back(next());
    x.push_back(next());
    x.push_back(e);
  }
  std::vector<double> out(x.size());
  det_sin_n(x.data(), out.data(), static_cast<int>(x.size()));
  for (size_t i = 0; i < x.size(); ++i) {
    const double want = det_sin(x[i]);
    ASSERT_TRUE(same_bits(out[i], want) || (std::isnan(want) && std::isnan(out[i]))) << x[i];
  }

  // atan2: ratios across every interval edge, signs in all quadrants, zeros, infinities, NaN.
  x.clear();
  for (int i = 0; i < 200000; ++i) {
    const double scale = std::pow(10.0, next() * 24.0 - 12.0);
    y.push_back((next() - 0.5) * scale);
    x.push_back((next() - 0.5) * 10.0);
  }
  for (double ratio : {0.4375, 0.6875, 1.1875, 2.4375, 1e-8, 3.6893488147419103e19}) {
    for (double nudge : {1.0 - 1e-15, 1.0, 1.0 + 1e-15}) {
      for (double sx : {1.0, -1.0}) {
        for (double sy : {1.0, -1.0}) {
          y.push_back(sy * ratio * nudge * 3.0);
          x.push_back(sx * 3.0);
        }
      }
    }
  }
  for (double e : edges) {
    for (double f : {1.0, -2.0, e}) {
      y.push_back(e);
      x.push_back(f);
      y.push_back(f);
      x.push_back(e);
    }
  }
  out.assign(x.size(), 0.0);
  det_atan2_n(y.data(), x.data(), out.data(), static_cast<int>(x.size()));
  for (size_t i = 0; i < x.size(); ++i) {
    const double want = det_atan2(y[i], x[i]);
    ASSERT_TRUE(same_bits(out[i], want) || (std::isnan(want) && std::isnan(out[i]))) << y[i] << " " << x[i];
  }
}
