// The SSE2 float-to-integer conversions as the web build compiles them, against the processor's
// own: built natively and with Emscripten, both print every result and the check compares them.
// Subtle: the inputs sweep the edges where x86 and WebAssembly differ (NaN, +-2^31, ties).
#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {
uint32_t g_state = 12345;
uint32_t next() { return g_state = g_state * 1664525u + 1013904223u; }

void print(const char* what, __m128i v) {
  int32_t lanes[4];
  std::memcpy(lanes, &v, sizeof lanes);
  std::printf("%s %08x %08x %08x %08x\n", what, static_cast<uint32_t>(lanes[0]), static_cast<uint32_t>(lanes[1]),
              static_cast<uint32_t>(lanes[2]), static_cast<uint32_t>(lanes[3]));
}
}  // namespace

int main() {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999997, 1.0, -1.0, 1.9999999,
                                2147483520.0, 2147483647.0, 2147483647.5, 2147483648.0, 2147483649.0,
                                -2147483648.0, -2147483648.5, -2147483648.9, -2147483649.0, -2147483904.0,
                                4294967296.0, -4294967296.0, 1e20, -1e20, inf, -inf, nan, -nan, 8388608.5,
                                12582911.5, 1e-40, -1e-40};
  // Random bit patterns, and every other one an integer scaled near the range's ends; each draw
  // is its own statement, as compilers order the arguments of one call differently.
  for (int i = 0; i < 4000; ++i) {
    uint64_t high = next();
    uint64_t low = next();
    uint64_t bits = high << 32 | low;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    double whole = static_cast<double>(static_cast<int32_t>(high));
    values.push_back(i % 2 ? d : std::ldexp(whole, static_cast<int>(low % 12) - 4));
  }
  for (size_t i = 0; i + 4 <= values.size(); i += 2) {
    const double* v = &values[i];
    __m128 f = _mm_set_ps(static_cast<float>(v[3]), static_cast<float>(v[2]), static_cast<float>(v[1]), static_cast<float>(v[0]));
    print("cvttps", _mm_cvttps_epi32(f));
    print("cvtps ", _mm_cvtps_epi32(f));
    print("cvttpd", _mm_cvttpd_epi32(_mm_set_pd(v[1], v[0])));
  }
  return 0;
}
