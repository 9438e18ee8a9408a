// Exact truncating division: by a small divisor one multiplication by a tabled reciprocal.
// Subtle: reciprocals are rounded up, not to nearest, or 3 * (1/3) could truncate to 0.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Divisors 0 .. kReciprocalCount - 1 have a table entry (0 gives 0, so a quotient by 0 is 0);
// larger ones take a real division.
constexpr int kReciprocalCount = 512;

// The smallest floating-point number with `bits` mantissa bits (53 double, 24 float) not below
// 1/d, for 1 <= d < 2^10: with 2^k <= d < 2^(k+1) its mantissa is ceil(2^(bits+k) / d), in
// [2^(bits-1), 2^bits], and the scale is a power of two, so both steps of the conversion are exact.
// Then 1/d <= r < (1/d)(1 + 2^(1-bits)).
template <typename Real>
constexpr Real reciprocal_up(uint32_t d, int bits) {
  int k = 0;
  while ((d >> (k + 1)) != 0) ++k;
  const uint64_t scale = uint64_t{1} << (bits + k);
  const uint64_t mantissa = (scale + d - 1) / d;
  return static_cast<Real>(mantissa) / static_cast<Real>(scale);
}

template <typename Real>
constexpr std::array<Real, kReciprocalCount> make_reciprocals(int bits) {
  std::array<Real, kReciprocalCount> table{};
  for (int d = 1; d < kReciprocalCount; ++d) {
    table[static_cast<std::size_t>(d)] = reciprocal_up<Real>(static_cast<uint32_t>(d), bits);
  }
  return table;
}

// trunc(n / d) == trunc(round(n * r)) for integers |n| < 2^(bits-3) and 1 <= d < 2^(bits-3)
// (2^50 in double, 2^21 in float), r as above, every operation rounded to nearest. For n >= 0 (the
// negative side mirrors it: rounding and truncation are symmetric) let q = floor(n / d). Then
// n * r >= n / d >= q and q is representable, so the rounded product is >= q. And n / d <= q + 1
// - 1/d, so n * r < q + 1 - (1 - n * 2^(1-bits)) / d <= q + 1 - 0.75 / d, which lies more than half
// a unit in the last place (at most (q + 1) * 2^-bits <= (n + d) / d * 2^-bits < 0.25 / d) below
// q + 1: the rounded product stays below q + 1 and truncates to q.
inline constexpr std::array<double, kReciprocalCount> kReciprocals = make_reciprocals<double>(53);
inline constexpr std::array<float, kReciprocalCount> kReciprocalsFloat = make_reciprocals<float>(24);

// n / d truncated toward zero, for d >= 0 and |n| < 2^50 (0 for d = 0): the reciprocal for small d,
// else the double quotient, whose rounding moves a non-integer n / d by at most |n / d| * 2^-53
// < 1/d, never past the next integer.
template <typename Int>
Int divide_truncating(Int n, Int d) {
  if (d < kReciprocalCount) {
    return static_cast<Int>(static_cast<double>(n) * kReciprocals[static_cast<std::size_t>(d)]);
  }
  return static_cast<Int>(static_cast<double>(n) / static_cast<double>(d));
}
