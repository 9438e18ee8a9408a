// The mixer's inner loops: cnt frames of one voice at constant or ramping gains, by linear
// interpolation in double precision with every output value rounded to float32 once. The packed
// SSE2 and AVX2 variants perform the same IEEE operations in the same order as the scalar code.
#include "music/mixer_kernels.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <immintrin.h>
#endif

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

// The position after n frames of (clear bit 0, add step), in closed form for silent voices.
}  // namespace

uint64_t advance_position(uint64_t position, uint64_t step, int32_t n) {
  if (n <= 0) return position;
  uint64_t first = (position & ~uint64_t{1}) + step;
  return first + static_cast<uint64_t>(n - 1) * (step & ~uint64_t{1});
}

namespace {

#if defined(__SSE2__) || defined(_M_X64)
// Two frames an iteration as packed doubles: the same IEEE operations as the scalar code below,
// in the same order, so both give identical bits.
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
// Four frames an iteration on processors with AVX2 (chosen per pass, see mix_constant). Plain
// AVX arithmetic without fused multiply-add: every value is rounded exactly as in the SSE2 loop.
__attribute__((target("avx2"))) uint64_t mix_constant_quads(const int16_t* data, uint64_t position, uint64_t step,
                                                            float* out, int32_t quads, float gL, float gR) {
  const __m256d gains = _mm256_set_pd(static_cast<double>(gR), static_cast<double>(gL), static_cast<double>(gR),
                                      static_cast<double>(gL));
  const __m256d scale = _mm256_set1_pd(1.0 / 2147483648.0);
  for (int32_t i = 0; i < quads; ++i) {
    uint64_t p0 = position;
    uint64_t p1 = (p0 & ~uint64_t{1}) + step;
    uint64_t p2 = (p1 & ~uint64_t{1}) + step;
    uint64_t p3 = (p2 & ~uint64_t{1}) + step;
    position = (p3 & ~uint64_t{1}) + step;
    uint32_t i0 = static_cast<uint32_t>(p0 >> 32), i1 = static_cast<uint32_t>(p1 >> 32);
    uint32_t i2 = static_cast<uint32_t>(p2 >> 32), i3 = static_cast<uint32_t>(p3 >> 32);
    __m128i s0 = _mm_set_epi32(data[i3], data[i2], data[i1], data[i0]);
    __m128i s1 = _mm_set_epi32(data[i3 + 1], data[i2 + 1], data[i1 + 1], data[i0 + 1]);
    __m128i f = _mm_set_epi32(static_cast<int32_t>(static_cast<uint32_t>(p3) >> 1),
                              static_cast<int32_t>(static_cast<uint32_t>(p2) >> 1),
                              static_cast<int32_t>(static_cast<uint32_t>(p1) >> 1),
                              static_cast<int32_t>(static_cast<uint32_t>(p0) >> 1));
    __m256d w = _mm256_mul_pd(_mm256_cvtepi32_pd(f), scale);
    __m256d v = _mm256_add_pd(_mm256_cvtepi32_pd(s0), _mm256_mul_pd(w, _mm256_cvtepi32_pd(_mm_sub_epi32(s1, s0))));
    __m256d v01 = _mm256_permute4x64_pd(v, 0x50);  // v0 v0 v1 v1
    __m256d v23 = _mm256_permute4x64_pd(v, 0xFA);  // v2 v2 v3 v3
    __m256d o01 = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(out)), _mm256_mul_pd(v01, gains));
    __m256d o23 = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(out + 4)), _mm256_mul_pd(v23, gains));
    _mm_storeu_ps(out, _mm256_cvtpd_ps(o01));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(o23));
    out += 8;
  }
  return position;
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
#else
uint64_t mix_constant_pairs(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t pairs,
                            float gL, float gR) {
  for (int32_t i = 0; i < pairs; ++i) {
    double v0 = sample_at(data, position);
    position = (position & ~uint64_t{1}) + step;
    double v1 = sample_at(data, position);
    position = (position & ~uint64_t{1}) + step;
    add(out + 0, v0, gL);
    add(out + 1, v0, gR);
    add(out + 2, v1, gL);
    add(out + 3, v1, gR);
    out += 4;
  }
  return position;
}

uint64_t mix_ramp_frames(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float* cL,
                         float* cR, float incL, float incR) {
  float left = *cL, right = *cR;
  for (int32_t i = 0; i < cnt; ++i) {
    double v = sample_at(data, position);
    position = (position & ~uint64_t{1}) + step;
    add(out + 0, v, left);
    add(out + 1, v, right);
    left += incL;
    right += incR;
    out += 2;
  }
  *cL = left;
  *cR = right;
  return position;
}
#endif

}  // namespace

uint64_t mix_constant(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t cnt, float gL,
                      float gR, float cL, float cR) {
  if (gL == 0.0f && gR == 0.0f && ((cnt & 1) == 0 || (cL == 0.0f && cR == 0.0f)))
    return advance_position(position, step, cnt);
  int32_t pairs = cnt >> 1;
#if defined(ORVANE_MIXER_AVX2)
  if (pairs >= 2 && __builtin_cpu_supports("avx2")) {
    int32_t quads = pairs >> 1;
    position = mix_constant_quads(data, position, step, out, quads, gL, gR);
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
  return mix_ramp_frames(data, position, step, out, cnt, cL, cR, incL, incR);
}

