// The mixer's inner loops: cnt frames of one voice at constant or ramping gains, by linear
// interpolation in double precision with every output value rounded to float32 once. The packed
// SSE2 and AVX2 loops perform the same IEEE operations in the same order as the one-frame
// formula (sample_at, then add), which the odd last frame uses as it is.
#include "music/mixer_kernels.h"

#include <cstring>
#include <immintrin.h>

namespace {

// One interpolated value at a 32.32 position; data[index + 1] is valid up to the guard value.
inline double sample_at(const int16_t* data, uint64_t position) {
  uint32_t index = static_cast<uint32_t>(position >> 32);
  double w = static_cast<double>(static_cast<uint32_t>(position) >> 1) * (1.0 / 2147483648.0);
  double s0 = data[index];
  double s1 = data[index + 1];
  return s0 + w * (s1 - s0);
}

inline void add(float* out, double v, float gain) {
  *out = static_cast<float>(static_cast<double>(*out) + v * static_cast<double>(gain));
}

}  // namespace

// The position after n frames of (clear bit 0, add step), in closed form for silent voices.
uint64_t advance_position(uint64_t position, uint64_t step, int32_t n) {
  if (n <= 0) return position;
  uint64_t first = (position & ~uint64_t{1}) + step;
  return first + static_cast<uint64_t>(n - 1) * (step & ~uint64_t{1});
}

namespace {

// Two frames an iteration as packed doubles: the same IEEE operations as sample_at and add, in
// the same order, so both give identical bits.
uint64_t mix_constant_pairs(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t pairs,
                            float gL, float gR) {
  const __m128d gains = _mm_set_pd(static_cast<double>(gR), static_cast<double>(gL));
  const __m128d scale = _mm_set1_pd(1.0 / 2147483648.0);
  for (int32_t i = 0; i < pairs; ++i) {
    uint32_t i0 = static_cast<uint32_t>(position >> 32);
    int32_t w0 = static_cast<int32_t>(static_cast<uint32_t>(position) >> 1);
    position = (position & ~uint64_t{1}) + step;
    uint32_t i1 = static_cast<uint32_t>(position >> 32);
    int32_t w1 = static_cast<int32_t>(static_cast<uint32_t>(position) >> 1);
    position = (position & ~uint64_t{1}) + step;
    __m128d s0 = _mm_cvtepi32_pd(_mm_set_epi32(0, 0, data[i1], data[i0]));
    __m128d s1 = _mm_cvtepi32_pd(_mm_set_epi32(0, 0, data[i1 + 1], data[i0 + 1]));
    __m128d w = _mm_mul_pd(_mm_cvtepi32_pd(_mm_set_epi32(0, 0, w1, w0)), scale);
    __m128d v = _mm_add_pd(s0, _mm_mul_pd(w, _mm_sub_pd(s1, s0)));
    __m128 o = _mm_loadu_ps(out);
    __m128d o0 = _mm_add_pd(_mm_cvtps_pd(o), _mm_mul_pd(_mm_unpacklo_pd(v, v), gains));
    __m128d o1 = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(o, o)), _mm_mul_pd(_mm_unpackhi_pd(v, v), gains));
    _mm_storeu_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(o0), _mm_cvtpd_ps(o1)));
    out += 4;
  }
  return position;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORVANE_MIXER_AVX2 1
// Four frames an iteration on processors with AVX2 (chosen per pass, see mix_constant and
// mix_ramp). Plain AVX arithmetic without fused multiply-add, so every value is rounded as in the
// one-frame formula. After the first frame the positions form an arithmetic progression (bit 0 is
// cleared before each step, so p(n+1) = p(n) + (step & ~1) for n >= 1): the weights come from
// four 64-bit lanes advanced by one add, (fraction / 2) x 2^-31 built exactly by placing the 31
// bits in the mantissa of 2^21 and subtracting 2^21. Each frame's two neighbours are read as one
// 32-bit word. The lanes hold frames 0, 2 | 1, 3: duplicating within each 128-bit half then gives
// the values in the order of the output pairs, which are converted straight from and to memory.
// Ramping gains grow by one float add per frame, in frame order, as in the one-frame loop.
template <bool Ramping>
__attribute__((target("avx2"))) uint64_t mix_quads(const int16_t* data, uint64_t position, uint64_t step, float* out,
                                                   int32_t quads, float* gL, float* gR, float incL, float incR) {
  if (quads <= 0) return position;
  __m128 gains = _mm_set_ps(0.0f, 0.0f, *gR, *gL);
  const __m128 increments = _mm_set_ps(0.0f, 0.0f, incR, incL);
  const __m256d fixedGains = _mm256_cvtps_pd(_mm_movelh_ps(gains, gains));
  const __m256i low31 = _mm256_set1_epi64x(0x7FFFFFFF);
  const __m256i exponent = _mm256_set1_epi64x(0x4140000000000000);
  const __m256d offset = _mm256_set1_pd(2097152.0);
  const uint64_t stride = step & ~uint64_t{1};
  uint64_t p0 = position;
  uint64_t p1 = (p0 & ~uint64_t{1}) + step;
  // lanes: frames 0, 2, 1, 3 of the first quad; later quads: +4*stride (frame 0 is off the progression)
  __m256i lanes = _mm256_set_epi64x((int64_t)(p1 + 2 * stride), (int64_t)p1, (int64_t)(p1 + stride), (int64_t)p0);
  const __m256i advance4 = _mm256_set1_epi64x((int64_t)(4 * stride));
  uint64_t q = p1 + 3 * stride;  // frame 4
  uint32_t i0 = (uint32_t)(p0 >> 32), i1 = (uint32_t)(p1 >> 32), i2 = (uint32_t)((p1 + stride) >> 32),
           i3 = (uint32_t)((p1 + 2 * stride) >> 32);
  for (int32_t k = 0; k < quads; ++k) {
    int32_t a, b, c, d;
    std::memcpy(&a, data + i0, 4);
    std::memcpy(&b, data + i1, 4);
    std::memcpy(&c, data + i2, 4);
    std::memcpy(&d, data + i3, 4);
    __m128i x = _mm_set_epi32(d, b, c, a);
    __m128i s0 = _mm_srai_epi32(_mm_slli_epi32(x, 16), 16);
    __m128i s1 = _mm_srai_epi32(x, 16);
    __m256d w = _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(_mm256_and_si256(_mm256_srli_epi64(lanes, 1), low31), exponent)), offset);
    __m256d v = _mm256_add_pd(_mm256_cvtepi32_pd(s0), _mm256_mul_pd(w, _mm256_cvtepi32_pd(_mm_sub_epi32(s1, s0))));
    lanes = _mm256_add_epi64(lanes, advance4);
    i0 = (uint32_t)(q >> 32); q += stride;
    i1 = (uint32_t)(q >> 32); q += stride;
    i2 = (uint32_t)(q >> 32); q += stride;
    i3 = (uint32_t)(q >> 32); q += stride;
    __m256d gains01 = fixedGains, gains23 = fixedGains;
    if constexpr (Ramping) {
      __m128 g1 = _mm_add_ps(gains, increments);
      __m128 g2 = _mm_add_ps(g1, increments);
      __m128 g3 = _mm_add_ps(g2, increments);
      gains01 = _mm256_cvtps_pd(_mm_movelh_ps(gains, g1));
      gains23 = _mm256_cvtps_pd(_mm_movelh_ps(g2, g3));
      gains = _mm_add_ps(g3, increments);
    }
    __m256d A = _mm256_cvtps_pd(_mm_loadu_ps(out));      // L0 R0 L1 R1
    __m256d B = _mm256_cvtps_pd(_mm_loadu_ps(out + 4));  // L2 R2 L3 R3
    A = _mm256_add_pd(A, _mm256_mul_pd(_mm256_unpacklo_pd(v, v), gains01));
    B = _mm256_add_pd(B, _mm256_mul_pd(_mm256_unpackhi_pd(v, v), gains23));
    _mm_storeu_ps(out, _mm256_cvtpd_ps(A));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(B));
    out += 8;
  }
  if constexpr (Ramping) {
    *gL = _mm_cvtss_f32(gains);
    *gR = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
  }
  return p1 + (4 * (uint64_t)quads - 1) * stride;
}
#endif

uint64_t mix_ramp_frames(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float* cL,
                         float* cR, float incL, float incR) {
  __m128 gains = _mm_set_ps(0.0f, 0.0f, *cR, *cL);
  const __m128 increments = _mm_set_ps(0.0f, 0.0f, incR, incL);
  for (int32_t i = 0; i < cnt; ++i) {
    __m128d v = _mm_set1_pd(sample_at(data, position));
    position = (position & ~uint64_t{1}) + step;
    __m128d o = _mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(out))));
    o = _mm_add_pd(o, _mm_mul_pd(v, _mm_cvtps_pd(gains)));
    _mm_store_sd(reinterpret_cast<double*>(out), _mm_castps_pd(_mm_cvtpd_ps(o)));
    gains = _mm_add_ps(gains, increments);
    out += 2;
  }
  *cL = _mm_cvtss_f32(gains);
  *cR = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
  return position;
}

}  // namespace

uint64_t mix_constant(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float gL,
                      float gR, float cL, float cR) {
  if (gL == 0.0f && gR == 0.0f && ((cnt & 1) == 0 || (cL == 0.0f && cR == 0.0f)))
    return advance_position(position, step, cnt);
  int32_t pairs = cnt >> 1;
#if defined(ORVANE_MIXER_AVX2)
  if (pairs >= 2 && __builtin_cpu_supports("avx2")) {
    int32_t quads = pairs >> 1;
    position = mix_quads<false>(data, position, step, out, quads, &gL, &gR, 0.0f, 0.0f);
    out += 8 * static_cast<int64_t>(quads);
    cnt -= 4 * quads;
    pairs = cnt >> 1;
  }
#endif
  position = mix_constant_pairs(data, position, step, out, pairs, gL, gR);
  if (cnt & 1) {
    out += 4 * static_cast<int64_t>(pairs);
    double v = sample_at(data, position);
    position = (position & ~uint64_t{1}) + step;
    add(out + 0, v, cL);
    add(out + 1, v, cR);
  }
  return position;
}

uint64_t mix_ramp(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float* cL,
                  float* cR, float incL, float incR) {
  if (*cL == 0.0f && *cR == 0.0f && incL == 0.0f && incR == 0.0f) return advance_position(position, step, cnt);
#if defined(ORVANE_MIXER_AVX2)
  if (cnt >= 4 && __builtin_cpu_supports("avx2")) {
    int32_t quads = cnt >> 2;
    position = mix_quads<true>(data, position, step, out, quads, cL, cR, incL, incR);
    out += 8 * static_cast<int64_t>(quads);
    cnt -= 4 * quads;
  }
#endif
  return mix_ramp_frames(data, position, step, out, cnt, cL, cR, incL, incR);
}

