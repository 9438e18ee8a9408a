// The narrow-triangle walk, built for SSE2 and, in x86-64 GCC builds, again for AVX2; one entry.
// Subtle: the walk's one source is included twice, after every header, each time in its own namespace.
#include "demo/sphere_raster_narrow.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <smmintrin.h>  // SSE4.1 intrinsics, for the AVX2 build only

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "demo/sphere_divide.h"
#include "demo/sphere_raster_parts.h"

#define SPHERE_INLINE inline __attribute__((always_inline))

// Span masks of the one-window walk: bit k set for k >= i (kFrom) or k <= i (kUpTo).
constexpr std::array<uint64_t, 64> make_masks(bool from) {
  std::array<uint64_t, 64> masks{};
  for (int i = 0; i < 64; ++i) masks[static_cast<std::size_t>(i)] = from ? ~uint64_t{0} << i : ~uint64_t{0} >> (63 - i);
  return masks;
}
constexpr std::array<uint64_t, 64> kFrom = make_masks(true);
constexpr std::array<uint64_t, 64> kUpTo = make_masks(false);

#define SPHERE_WALK_SSE41 0
namespace walk_sse2 {
#include "demo/sphere_raster_narrow_walk.inc"
}  // namespace walk_sse2

// The same walk in AVX2 encodings: three-operand instructions save most register copies, BMI
// gives tzcnt and flag-free shifts. The same integer and float operations in the same order, so
// the same pixels; chosen at run time where the processor has them. GCC x86-64 builds only: the
// 32-bit Windows build keeps to SSE2.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define SPHERE_NARROW_AVX2 1
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,lzcnt")
#undef SPHERE_WALK_SSE41
#define SPHERE_WALK_SSE41 1
namespace walk_avx2 {
#include "demo/sphere_raster_narrow_walk.inc"
}  // namespace walk_avx2
#pragma GCC pop_options

namespace {
bool processor_has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("lzcnt");
}
// Asked once, when the program starts: a fact about the processor, never changed after.
const bool kProcessorHasAvx2 = processor_has_avx2();
}  // namespace
#endif

namespace {
bool walk_is_avx2(NarrowWalk walk) {
#if defined(SPHERE_NARROW_AVX2)
  return walk == NarrowWalk::kWidest && kProcessorHasAvx2;
#else
  return false;
#endif
}
}  // namespace

const char* narrow_walk_name(NarrowWalk walk) { return walk_is_avx2(walk) ? "avx2" : "sse2"; }

bool raster_triangle_narrow(const RasterTarget& target, const NarrowCorner& c0, const NarrowCorner& c1,
                            const NarrowCorner& c2) {
#if defined(SPHERE_NARROW_AVX2)
  if (walk_is_avx2(target.narrowWalk)) return walk_avx2::draw(target, c0, c1, c2);
#endif
  return walk_sse2::draw(target, c0, c1, c2);
}

#else

const char* narrow_walk_name(NarrowWalk) { return "none"; }

bool raster_triangle_narrow(const RasterTarget&, const NarrowCorner&, const NarrowCorner&, const NarrowCorner&) {
  return false;
}

#endif
