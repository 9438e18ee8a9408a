// Emscripten's SSE2 header, with the float-to-integer conversions the engine's inner loops use
// done in WebAssembly SIMD: Emscripten 3.1.6 converts these lane by lane through lrint.
// Subtle: x86 answers 0x80000000 for NaN and out-of-range lanes where WebAssembly saturates; the
// fix-up gives x86's answer, so every input converts as on the native builds.
#pragma once
#include_next <emmintrin.h>
#include <stdint.h>
#include <wasm_simd128.h>

// Lanes of a 32-bit mask: keep converted where ok, x86's "integer indefinite" elsewhere.
static __inline__ __m128i __attribute__((__always_inline__, __nodebug__))
k417_indefinite_where_not(v128_t converted, v128_t ok, v128_t indefinite) {
  return (__m128i)wasm_v128_bitselect(converted, indefinite, ok);
}

// Truncation of floats: in range when -2^31 <= x < 2^31 (both bounds are floats).
static __inline__ __m128i __attribute__((__always_inline__, __nodebug__)) k417_mm_cvttps_epi32(__m128 a) {
  v128_t x = (v128_t)a;
  v128_t ok = wasm_v128_and(wasm_f32x4_ge(x, wasm_f32x4_splat(-2147483648.0f)), wasm_f32x4_lt(x, wasm_f32x4_splat(2147483648.0f)));
  return k417_indefinite_where_not(wasm_i32x4_trunc_sat_f32x4(x), ok, wasm_i32x4_splat(INT32_MIN));
}

// Rounding of floats to nearest, ties to even (the default rounding mode the engine relies on).
static __inline__ __m128i __attribute__((__always_inline__, __nodebug__)) k417_mm_cvtps_epi32(__m128 a) {
  return k417_mm_cvttps_epi32((__m128)wasm_f32x4_nearest((v128_t)a));
}

// Truncation of two doubles into the low lanes, zeros above: in range when -2^31 - 1 < x < 2^31.
static __inline__ __m128i __attribute__((__always_inline__, __nodebug__)) k417_mm_cvttpd_epi32(__m128d a) {
  v128_t x = (v128_t)a;
  v128_t ok64 = wasm_v128_and(wasm_f64x2_gt(x, wasm_f64x2_splat(-2147483649.0)), wasm_f64x2_lt(x, wasm_f64x2_splat(2147483648.0)));
  v128_t ok = wasm_i32x4_shuffle(ok64, wasm_i32x4_splat(0), 0, 2, 4, 4);
  return k417_indefinite_where_not(wasm_i32x4_trunc_sat_f64x2_zero(x), ok, wasm_i32x4_make(INT32_MIN, INT32_MIN, 0, 0));
}

#define _mm_cvttps_epi32 k417_mm_cvttps_epi32
#define _mm_cvtps_epi32 k417_mm_cvtps_epi32
#define _mm_cvttpd_epi32 k417_mm_cvttpd_epi32
