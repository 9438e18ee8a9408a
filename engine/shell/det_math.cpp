// Deterministic maths: sin, cos, atan2 and exp2 written out in plain double arithmetic, so every
// platform and C library gives the same bits (the C libraries differ in their last bits).
// Subtle: accuracy is within about one ulp of the true value; what matters is that it never varies.
#include "shell/det_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
// The polynomial kernels and argument reductions follow fdlibm (Sun's freely licensed libm).
// One table per polynomial, read by the scalar code and the paired SSE2 code alike.
constexpr double kSin[] = {-1.66666666666666324348e-01, 8.33333333332248946124e-03, -1.98412698298579493134e-04,
                           2.75573137070700676789e-06,  -2.50507602534068634195e-08, 1.58969099521155010221e-10};
constexpr double kCos[] = {4.16666666666666019037e-02,  -1.38888888888741095749e-03, 2.48015872894767294178e-05,
                           -2.75573143513906633035e-07, 2.08757232129817482790e-09,  -1.13596475577881948265e-11};
constexpr double kAtan[] = {3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
                            -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
                            6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
                            -3.65315727442169155270e-02, 1.62858201153657823623e-02};
constexpr double kExp[] = {1.66666666666666019037e-01, -2.77777777770155933842e-03, 6.61375632143793436117e-05,
                           -1.65339022054652515390e-06, 4.13813679705723846039e-08};
// atan at the centres of its four reduction intervals (0.5, 1, 1.5, infinity), high and low parts.
constexpr double kAtanHigh[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01, 9.82793723247329054082e-01,
                                1.57079632679489655800e+00};
constexpr double kAtanLow[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17, 1.39033110312309984516e-17,
                               6.12323399573676603587e-17};
// 2/pi, and pi/2 in three parts, each with its tail (Cody and Waite).
constexpr double kTwoOverPi = 6.36619772367581382433e-01;
constexpr double kHalfPi1 = 1.57079632673412561417e+00, kHalfPi1Tail = 6.07710050650619224932e-11;
constexpr double kHalfPi2 = 6.07710050630396597660e-11, kHalfPi2Tail = 2.02226624879595063154e-21;
constexpr double kHalfPi3 = 2.02226624871116645580e-21, kHalfPi3Tail = 8.47842766036889956997e-32;
constexpr double kQuarterPi = 0.7853981633974483;
constexpr double kPi = 3.1415926535897931160e+00, kPiLow = 1.2246467991473531772e-16;
constexpr double kAtanTiny = 1.0e-8;               // below it atan(x) is x
constexpr double kAtanHuge = 3.6893488147419103e19;  // 2^65: from it on atan is pi/2 to the last bit

int exponent_of(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<int>((bits >> 52) & 0x7FF);
}

// Polynomials on [-pi/4, pi/4]; x + y is the reduced argument with y its tail.
double kernel_sin(double x, double y, bool hasTail) {
  double z = x * x;
  double v = z * x;
  double r = kSin[1] + z * (kSin[2] + z * (kSin[3] + z * (kSin[4] + z * kSin[5])));
  if (!hasTail) return x + v * (kSin[0] + z * r);
  return x - ((z * (0.5 * y - v * r) - y) - v * kSin[0]);
}

double kernel_cos(double x, double y) {
  double z = x * x;
  double w = z * z;
  double r = z * (kCos[0] + z * (kCos[1] + z * kCos[2])) + w * w * (kCos[3] + z * (kCos[4] + z * kCos[5]));
  double hz = 0.5 * z;
  w = 1.0 - hz;
  return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// x = n * pi/2 + (y0 + y1) with |y0 + y1| <= pi/4, pi/2 taken in three parts (Cody and Waite).
int reduce_half_pi(double x, double* y0, double* y1) {
  double scaled = x * kTwoOverPi;
  double fn = static_cast<double>(static_cast<int64_t>(scaled + (scaled >= 0 ? 0.5 : -0.5)));
  double r = x - fn * kHalfPi1;
  double w = fn * kHalfPi1Tail;
  *y0 = r - w;
  int j = exponent_of(x);
  if (j - exponent_of(*y0) > 16) {  // cancellation: take the next part of pi/2
    double t = r;
    w = fn * kHalfPi2;
    r = t - w;
    w = fn * kHalfPi2Tail - ((t - r) - w);
    *y0 = r - w;
    if (j - exponent_of(*y0) > 49) {
      t = r;
      w = fn * kHalfPi3;
      r = t - w;
      w = fn * kHalfPi3Tail - ((t - r) - w);
      *y0 = r - w;
    }
  }
  *y1 = (r - *y0) - w;
  return static_cast<int>(static_cast<int64_t>(fn) & 3);
}

constexpr double kLargeArgument = 1e9;  // beyond this the three-part reduction loses its bits

double reduce_large(double x) {
  // Huge angles never occur in the show; keep them finite and deterministic.
  return std::fmod(x, 6.283185307179586);
}
}  // namespace

double det_sin(double x) {
  if (!std::isfinite(x)) return x - x;  // NaN
  if (std::fabs(x) > kLargeArgument) x = reduce_large(x);
  if (std::fabs(x) <= kQuarterPi) return kernel_sin(x, 0.0, false);
  double y0, y1;
  switch (reduce_half_pi(x, &y0, &y1)) {
    case 0: return kernel_sin(y0, y1, true);
    case 1: return kernel_cos(y0, y1);
    case 2: return -kernel_sin(y0, y1, true);
    default: return -kernel_cos(y0, y1);
  }
}

double det_cos(double x) {
  if (!std::isfinite(x)) return x - x;
  if (std::fabs(x) > kLargeArgument) x = reduce_large(x);
  if (std::fabs(x) <= kQuarterPi) return kernel_cos(x, 0.0);
  double y0, y1;
  switch (reduce_half_pi(x, &y0, &y1)) {
    case 0: return kernel_cos(y0, y1);
    case 1: return -kernel_sin(y0, y1, true);
    case 2: return -kernel_cos(y0, y1);
    default: return kernel_sin(y0, y1, true);
  }
}

namespace {
// atan on [0, inf): reduced to one of four intervals around 0.5, 1, 1.5 and infinity.
double atan_positive(double x) {
  if (x >= kAtanHuge) return kAtanHigh[3] + kAtanLow[3];
  int id;
  if (x < 0.4375) {
    if (x < kAtanTiny) return x;
    id = -1;
  } else if (x < 1.1875) {
    if (x < 0.6875) {
      id = 0;
      x = (2.0 * x - 1.0) / (2.0 + x);
    } else {
      id = 1;
      x = (x - 1.0) / (x + 1.0);
    }
  } else if (x < 2.4375) {
    id = 2;
    x = (x - 1.5) / (1.0 + 1.5 * x);
  } else {
    id = 3;
    x = -1.0 / x;
  }
  double z = x * x;
  double w = z * z;
  double s1 = z * (kAtan[0] + w * (kAtan[2] + w * (kAtan[4] + w * (kAtan[6] + w * (kAtan[8] + w * kAtan[10])))));
  double s2 = w * (kAtan[1] + w * (kAtan[3] + w * (kAtan[5] + w * (kAtan[7] + w * kAtan[9]))));
  if (id < 0) return x - x * (s1 + s2);
  return kAtanHigh[id] - ((x * (s1 + s2) - kAtanLow[id]) - x);
}
}  // namespace

double det_atan2(double y, double x) {
  const double pi = kPi;
  if (std::isnan(x) || std::isnan(y)) return x + y;
  if (y == 0.0) {
    if (std::signbit(x)) return std::signbit(y) ? -pi : pi;
    return y;  // +-0
  }
  if (x == 0.0) return y > 0 ? pi / 2 : -pi / 2;
  if (std::isinf(x) && std::isinf(y)) {
    double quarter = x > 0 ? pi / 4 : 3 * pi / 4;
    return y > 0 ? quarter : -quarter;
  }
  if (std::isinf(x)) {
    if (x > 0) return std::copysign(0.0, y);
    return y > 0 ? pi : -pi;
  }
  if (std::isinf(y)) return y > 0 ? pi / 2 : -pi / 2;
  double a = std::fabs(y / x);
  double z = std::isinf(a) ? pi / 2 : atan_positive(a);
  if (x > 0) return y > 0 ? z : -z;
  double r = pi - (z - kPiLow);
  return y > 0 ? r : -r;
}

double det_exp2(double x) {
  if (std::isnan(x)) return x;
  if (x > 1024.0) return HUGE_VAL;
  if (x < -1075.0) return 0.0;
  const double ln2hi = 6.93147180369123816490e-01, ln2lo = 1.90821492927058770002e-10;
  double k = static_cast<double>(static_cast<int64_t>(x + (x >= 0 ? 0.5 : -0.5)));
  double f = x - k;  // exact: |f| <= 0.5
  // r = f * ln2 as hi + lo; ln2hi has its low bits clear, so f * ln2hi loses little.
  double hi = f * ln2hi;
  double lo = -(f * ln2lo);
  double r = hi - lo;
  double t = r * r;
  double c = r - t * (kExp[0] + t * (kExp[1] + t * (kExp[2] + t * (kExp[3] + t * kExp[4]))));
  double e = 1.0 - ((lo - (r * c) / (2.0 - c)) - hi);
  return std::ldexp(e, static_cast<int>(k));
}

// Two arguments at a time: every lane runs the very operations of the scalar code in the same
// order (nothing fused, no reassociation), and where the scalar code branches, both sides are
// worked out and each lane keeps its own. A pair that meets any special case (non-finite, huge,
// a reduction needing more parts of pi/2, tiny or huge quotients, zeros) goes the scalar way.
#if defined(__SSE2__)
#include <emmintrin.h>

namespace {
inline __m128d splat(double v) { return _mm_set1_pd(v); }
inline __m128d select(__m128d mask, __m128d yes, __m128d no) {
  return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}
inline __m128d negate(__m128d v) { return _mm_xor_pd(v, splat(-0.0)); }

// The exponent fields of both lanes, as 64-bit integers.
inline __m128i exponents(__m128d v) {
  return _mm_and_si128(_mm_srli_epi64(_mm_castpd_si128(v), 52), _mm_set1_epi64x(0x7FF));
}

// kernel_sin with a tail and kernel_cos, lane by lane.
inline __m128d kernel_sin_tail_pair(__m128d x, __m128d y) {
  const __m128d z = _mm_mul_pd(x, x);
  const __m128d v = _mm_mul_pd(z, x);
  __m128d r = _mm_add_pd(splat(kSin[4]), _mm_mul_pd(z, splat(kSin[5])));
  r = _mm_add_pd(splat(kSin[3]), _mm_mul_pd(z, r));
  r = _mm_add_pd(splat(kSin[2]), _mm_mul_pd(z, r));
  r = _mm_add_pd(splat(kSin[1]), _mm_mul_pd(z, r));
  // x - ((z * (0.5 * y - v * r) - y) - v * S1)
  const __m128d inner = _mm_sub_pd(_mm_mul_pd(splat(0.5), y), _mm_mul_pd(v, r));
  return _mm_sub_pd(x, _mm_sub_pd(_mm_sub_pd(_mm_mul_pd(z, inner), y),
                                  _mm_mul_pd(v, splat(kSin[0]))));
}

inline __m128d kernel_sin_plain_pair(__m128d x) {
  const __m128d z = _mm_mul_pd(x, x);
  const __m128d v = _mm_mul_pd(z, x);
  __m128d r = _mm_add_pd(splat(kSin[4]), _mm_mul_pd(z, splat(kSin[5])));
  r = _mm_add_pd(splat(kSin[3]), _mm_mul_pd(z, r));
  r = _mm_add_pd(splat(kSin[2]), _mm_mul_pd(z, r));
  r = _mm_add_pd(splat(kSin[1]), _mm_mul_pd(z, r));
  // x + v * (S1 + z * r)
  return _mm_add_pd(x, _mm_mul_pd(v, _mm_add_pd(splat(kSin[0]), _mm_mul_pd(z, r))));
}

inline __m128d kernel_cos_pair(__m128d x, __m128d y) {
  const __m128d z = _mm_mul_pd(x, x);
  __m128d w = _mm_mul_pd(z, z);
  const __m128d low = _mm_mul_pd(
      z, _mm_add_pd(splat(kCos[0]), _mm_mul_pd(z, _mm_add_pd(splat(kCos[1]), _mm_mul_pd(z, splat(kCos[2]))))));
  const __m128d high = _mm_mul_pd(
      _mm_mul_pd(w, w),
      _mm_add_pd(splat(kCos[3]), _mm_mul_pd(z, _mm_add_pd(splat(kCos[4]), _mm_mul_pd(z, splat(kCos[5]))))));
  const __m128d r = _mm_add_pd(low, high);
  const __m128d hz = _mm_mul_pd(splat(0.5), z);
  w = _mm_sub_pd(splat(1.0), hz);
  // w + (((1 - w) - hz) + (z * r - x * y))
  return _mm_add_pd(w, _mm_add_pd(_mm_sub_pd(_mm_sub_pd(splat(1.0), w), hz),
                                  _mm_sub_pd(_mm_mul_pd(z, r), _mm_mul_pd(x, y))));
}

// det_sin of both lanes; false (nothing written) when a lane needs the scalar code.
inline __attribute__((always_inline)) bool sin_pair(__m128d x, __m128d& out) {
  const __m128d magnitude = _mm_andnot_pd(splat(-0.0), x);
  // Finite and at most 1e9 (NaN fails the comparison too).
  if (_mm_movemask_pd(_mm_cmple_pd(magnitude, splat(kLargeArgument))) != 3) return false;
  const __m128d small = _mm_cmple_pd(magnitude, splat(kQuarterPi));
  // reduce_half_pi, first part: |scaled| < 2^31, so rounding through 32-bit integers is exact.
  const __m128d scaled = _mm_mul_pd(x, splat(kTwoOverPi));
  const __m128d half = select(_mm_cmpge_pd(scaled, _mm_setzero_pd()), splat(0.5), splat(-0.5));
  const __m128i whole = _mm_cvttpd_epi32(_mm_add_pd(scaled, half));
  const __m128d fn = _mm_cvtepi32_pd(whole);
  const __m128d r = _mm_sub_pd(x, _mm_mul_pd(fn, splat(kHalfPi1)));
  const __m128d w = _mm_mul_pd(fn, splat(kHalfPi1Tail));
  const __m128d y0 = _mm_sub_pd(r, w);
  // More parts of pi/2 are needed where the first part cancels: exponent drop beyond 16.
  const __m128i drop = _mm_sub_epi64(exponents(x), exponents(y0));
  alignas(16) int64_t drops[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(drops), drop);
  const int smallMask = _mm_movemask_pd(small);
  if (((smallMask & 1) == 0 && drops[0] > 16) || ((smallMask & 2) == 0 && drops[1] > 16)) return false;
  const __m128d y1 = _mm_sub_pd(_mm_sub_pd(r, y0), w);
  const __m128d s = kernel_sin_tail_pair(y0, y1);
  const __m128d c = kernel_cos_pair(y0, y1);
  // Quadrant n & 3: sin, cos, -sin, -cos. Each lane's n goes to both halves of its 64-bit lane.
  const __m128i quadrant = _mm_shuffle_epi32(_mm_and_si128(whole, _mm_set1_epi32(3)), 0x50);
  const __m128d oddLanes = _mm_castsi128_pd(_mm_cmpeq_epi32(_mm_and_si128(quadrant, _mm_set1_epi32(1)), _mm_set1_epi32(1)));
  const __m128d upperLanes = _mm_castsi128_pd(_mm_cmpeq_epi32(_mm_and_si128(quadrant, _mm_set1_epi32(2)), _mm_set1_epi32(2)));
  __m128d reduced = select(oddLanes, c, s);
  reduced = select(upperLanes, negate(reduced), reduced);
  out = select(small, kernel_sin_plain_pair(x), reduced);
  return true;
}

// atan_positive of both lanes for 1e-8 <= x < 2^65 (the caller has checked).
inline __attribute__((always_inline)) __m128d atan_positive_pair(__m128d x) {
  const __m128d below1 = _mm_cmplt_pd(x, splat(0.4375));
  const __m128d below2 = _mm_cmplt_pd(x, splat(0.6875));
  const __m128d below3 = _mm_cmplt_pd(x, splat(1.1875));
  const __m128d below4 = _mm_cmplt_pd(x, splat(2.4375));
  // Numerator and denominator of the reduced argument per interval (x / 1 where none).
  __m128d num = negate(splat(1.0)), den = x;                                            // id 3: -1 / x
  num = select(below4, _mm_sub_pd(x, splat(1.5)), num);                                  // id 2
  den = select(below4, _mm_add_pd(splat(1.0), _mm_mul_pd(splat(1.5), x)), den);
  num = select(below3, _mm_sub_pd(x, splat(1.0)), num);                                  // id 1
  den = select(below3, _mm_add_pd(x, splat(1.0)), den);
  num = select(below2, _mm_sub_pd(_mm_mul_pd(splat(2.0), x), splat(1.0)), num);          // id 0
  den = select(below2, _mm_add_pd(splat(2.0), x), den);
  num = select(below1, x, num);                                                          // id -1
  den = select(below1, splat(1.0), den);
  const __m128d t = _mm_div_pd(num, den);
  __m128d hi = splat(kAtanHigh[3]), lo = splat(kAtanLow[3]);
  hi = select(below4, splat(kAtanHigh[2]), hi);
  lo = select(below4, splat(kAtanLow[2]), lo);
  hi = select(below3, splat(kAtanHigh[1]), hi);
  lo = select(below3, splat(kAtanLow[1]), lo);
  hi = select(below2, splat(kAtanHigh[0]), hi);
  lo = select(below2, splat(kAtanLow[0]), lo);
  const __m128d z = _mm_mul_pd(t, t);
  const __m128d w = _mm_mul_pd(z, z);
  __m128d s1 = _mm_add_pd(splat(kAtan[8]), _mm_mul_pd(w, splat(kAtan[10])));
  s1 = _mm_add_pd(splat(kAtan[6]), _mm_mul_pd(w, s1));
  s1 = _mm_add_pd(splat(kAtan[4]), _mm_mul_pd(w, s1));
  s1 = _mm_add_pd(splat(kAtan[2]), _mm_mul_pd(w, s1));
  s1 = _mm_mul_pd(z, _mm_add_pd(splat(kAtan[0]), _mm_mul_pd(w, s1)));
  __m128d s2 = _mm_add_pd(splat(kAtan[7]), _mm_mul_pd(w, splat(kAtan[9])));
  s2 = _mm_add_pd(splat(kAtan[5]), _mm_mul_pd(w, s2));
  s2 = _mm_add_pd(splat(kAtan[3]), _mm_mul_pd(w, s2));
  s2 = _mm_mul_pd(w, _mm_add_pd(splat(kAtan[1]), _mm_mul_pd(w, s2)));
  const __m128d sum = _mm_add_pd(s1, s2);
  const __m128d plain = _mm_sub_pd(t, _mm_mul_pd(t, sum));                          // x - x * (s1 + s2)
  const __m128d shifted = _mm_sub_pd(hi, _mm_sub_pd(_mm_sub_pd(_mm_mul_pd(t, sum), lo), t));
  return select(below1, plain, shifted);
}

// det_atan2 of both lanes; false when a lane needs the scalar code.
inline __attribute__((always_inline)) bool atan2_pair(__m128d y, __m128d x, __m128d& out) {
  const __m128d zero = _mm_setzero_pd();
  // Both nonzero and finite (NaN fails every comparison below).
  const __m128d finite = splat(1.7976931348623157e308);
  const __m128d ay = _mm_andnot_pd(splat(-0.0), y), ax = _mm_andnot_pd(splat(-0.0), x);
  const __m128d ordinary = _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(ay, zero), _mm_cmple_pd(ay, finite)),
                                      _mm_and_pd(_mm_cmpgt_pd(ax, zero), _mm_cmple_pd(ax, finite)));
  if (_mm_movemask_pd(ordinary) != 3) return false;
  const __m128d a = _mm_andnot_pd(splat(-0.0), _mm_div_pd(y, x));
  // atan_positive's own special ranges: below 1e-8 and from 2^65 on (infinity included).
  const __m128d inRange = _mm_and_pd(_mm_cmpge_pd(a, splat(kAtanTiny)), _mm_cmplt_pd(a, splat(kAtanHuge)));
  if (_mm_movemask_pd(inRange) != 3) return false;
  const __m128d z = atan_positive_pair(a);
  const __m128d yPositive = _mm_cmpgt_pd(y, zero);
  const __m128d right = select(yPositive, z, negate(z));
  const __m128d r = _mm_sub_pd(splat(kPi), _mm_sub_pd(z, splat(kPiLow)));
  const __m128d left = select(yPositive, r, negate(r));
  out = select(_mm_cmpgt_pd(x, zero), right, left);
  return true;
}

// Two pairs an iteration, so that the long dependent chains of the polynomials interleave; each
// gives back how many values it did (whole groups of four).
int sin_batches(const double* x, double* out, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128d first, second;
    const bool firstDone = sin_pair(_mm_loadu_pd(x + i), first);
    const bool secondDone = sin_pair(_mm_loadu_pd(x + i + 2), second);
    if (firstDone) _mm_storeu_pd(out + i, first);
    if (secondDone) _mm_storeu_pd(out + i + 2, second);
    for (int k = firstDone ? 2 : 0; k < (secondDone ? 2 : 4); ++k) out[i + k] = det_sin(x[i + k]);
  }
  return i;
}

int atan2_batches(const double* y, const double* x, double* out, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128d first, second;
    const bool firstDone = atan2_pair(_mm_loadu_pd(y + i), _mm_loadu_pd(x + i), first);
    const bool secondDone = atan2_pair(_mm_loadu_pd(y + i + 2), _mm_loadu_pd(x + i + 2), second);
    if (firstDone) _mm_storeu_pd(out + i, first);
    if (secondDone) _mm_storeu_pd(out + i + 2, second);
    for (int k = firstDone ? 2 : 0; k < (secondDone ? 2 : 4); ++k) out[i + k] = det_atan2(y[i + k], x[i + k]);
  }
  return i;
}
}  // namespace
#else
namespace {
int sin_batches(const double*, double*, int) { return 0; }
int atan2_batches(const double*, const double*, double*, int) { return 0; }
}  // namespace
#endif

void det_sin_n(const double* x, double* out, int n) {
  for (int i = sin_batches(x, out, n); i < n; ++i) out[i] = det_sin(x[i]);
}

void det_atan2_n(const double* y, const double* x, double* out, int n) {
  for (int i = atan2_batches(y, x, out, n); i < n; ++i) out[i] = det_atan2(y[i], x[i]);
}
