// Feedback blend, overlay blend and the output conversion.
// Subtle: table indices are made sixteen at a time in SSE2; only the table reads stay one by one.
#include "demo/compose.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
int smaller(int a, int b) { return a < b ? a : b; }

#if defined(__SSE2__)
// out[k] = table[index k] for the sixteen 16-bit indices in low (pixels 0-7) and high (8-15).
inline __attribute__((always_inline)) void gather16(const uint8_t* table, __m128i low, __m128i high, uint8_t* out) {
  out[0] = table[_mm_extract_epi16(low, 0)];
  out[1] = table[_mm_extract_epi16(low, 1)];
  out[2] = table[_mm_extract_epi16(low, 2)];
  out[3] = table[_mm_extract_epi16(low, 3)];
  out[4] = table[_mm_extract_epi16(low, 4)];
  out[5] = table[_mm_extract_epi16(low, 5)];
  out[6] = table[_mm_extract_epi16(low, 6)];
  out[7] = table[_mm_extract_epi16(low, 7)];
  out[8] = table[_mm_extract_epi16(high, 0)];
  out[9] = table[_mm_extract_epi16(high, 1)];
  out[10] = table[_mm_extract_epi16(high, 2)];
  out[11] = table[_mm_extract_epi16(high, 3)];
  out[12] = table[_mm_extract_epi16(high, 4)];
  out[13] = table[_mm_extract_epi16(high, 5)];
  out[14] = table[_mm_extract_epi16(high, 6)];
  out[15] = table[_mm_extract_epi16(high, 7)];
}

// Pixels 0 .. width - 1 - (width % 16) of a row; returns how many it did.
int feedback_row(uint8_t* out, const uint8_t* old, int width, const uint8_t* mix) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + x));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(old + x));
    // The bytes interleaved (previous, work) are the indices work << 8 | previous.
    gather16(mix, _mm_unpacklo_epi8(before, now), _mm_unpackhi_epi8(before, now), out + x);
  }
  return x;
}

// The colours whose step-0 whitening is not themselves, when there are at most four of them.
struct StepZeroMovers {
  bool few;
  __m128i colour[4];  // unused slots repeat the first mover (or hold none when there is none)
  int count;
};

StepZeroMovers step_zero_movers(const uint8_t* lightShade) {
  StepZeroMovers m{};
  int movers[4] = {};
  for (int c = 0; c < 256; ++c) {
    if (lightShade[c * 16] == c) continue;
    if (m.count == 4) return StepZeroMovers{};
    movers[m.count++] = c;
  }
  m.few = true;
  for (int i = 0; i < 4; ++i) m.colour[i] = _mm_set1_epi8(static_cast<char>(movers[i < m.count ? i : 0]));
  return m;
}

// True when one of the sixteen pixels has a colour that step 0 changes.
inline bool any_mover(const StepZeroMovers& m, __m128i pixels) {
  if (m.count == 0) return false;
  __m128i hit = _mm_cmpeq_epi8(pixels, m.colour[0]);
  hit = _mm_or_si128(hit, _mm_cmpeq_epi8(pixels, m.colour[1]));
  hit = _mm_or_si128(hit, _mm_cmpeq_epi8(pixels, m.colour[2]));
  hit = _mm_or_si128(hit, _mm_cmpeq_epi8(pixels, m.colour[3]));
  return _mm_movemask_epi8(hit) != 0;
}

// As feedback_row for the overlay. A run of sixteen whose layer bytes all give step 0 and whose
// pixels step 0 leaves as they are (the table maps nearly every colour at step 0 to itself) is
// left untouched: the lookups would write back the same bytes.
int overlay_row(uint8_t* out, const uint8_t* layer, int width, const uint8_t* lightShade, int intensity,
                const StepZeroMovers& movers) {
  const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(intensity));
  const __m128i zero = _mm_setzero_si128();
  // step = (intensity * v) >> 12 is 0 exactly for v below ceil(4096 / intensity).
  const int quiet = intensity == 0 ? 255 : (4096 + intensity - 1) / intensity - 1;  // largest v with step 0
  const __m128i quietMax = _mm_set1_epi8(static_cast<char>(quiet > 255 ? 255 : quiet));
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + x));
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(layer + x));
    if (movers.few && _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(bytes, quietMax), quietMax)) == 0xFFFF &&
        !any_mover(movers, pixels)) {
      continue;
    }
    // intensity * v <= 255 * 255 fits an unsigned 16-bit product.
    const __m128i stepLow = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(bytes, zero), factor), 12);
    const __m128i stepHigh = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(bytes, zero), factor), 12);
    const __m128i low = _mm_add_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(pixels, zero), 4), stepLow);
    const __m128i high = _mm_add_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(pixels, zero), 4), stepHigh);
    gather16(lightShade, low, high, out + x);
  }
  return x;
}
#endif
}  // namespace

void feedback_blend(PalettedBitmap& work, const PalettedBitmap& previous, const uint8_t* mix) {
  if (!work.pixels || !previous.pixels) return;
  const int width = smaller(work.width, previous.width), height = smaller(work.height, previous.height);
  for (int y = 0; y < height; ++y) {
    uint8_t* out = work.pixels + static_cast<ptrdiff_t>(y) * work.pitch;
    const uint8_t* old = previous.pixels + static_cast<ptrdiff_t>(y) * previous.pitch;
    int x = 0;
#if defined(__SSE2__)
    x = feedback_row(out, old, width, mix);
#endif
    for (; x < width; ++x) out[x] = mix[out[x] * 256 + old[x]];
  }
}

void overlay_blend(PalettedBitmap& work, const Bitmap8& overlay, const uint8_t* lightShade, int intensity) {
  if (!work.pixels || !overlay.pixels) return;
  if (intensity < 0) intensity = 0;
  if (intensity > 255) intensity = 255;
  uint8_t step[256];
  for (int v = 0; v < 256; ++v) step[v] = static_cast<uint8_t>((intensity * v) >> 12);
#if defined(__SSE2__)
  const StepZeroMovers movers = step_zero_movers(lightShade);
#endif
  const int width = smaller(work.width, overlay.width), height = smaller(work.height, overlay.height);
  for (int y = 0; y < height; ++y) {
    uint8_t* out = work.pixels + static_cast<ptrdiff_t>(y) * work.pitch;
    const uint8_t* layer = overlay.pixels + static_cast<ptrdiff_t>(y) * overlay.pitch;
    int x = 0;
#if defined(__SSE2__)
    x = overlay_row(out, layer, width, lightShade, intensity, movers);
#endif
    for (; x < width; ++x) out[x] = lightShade[out[x] * 16 + step[layer[x]]];
  }
}

void convert_to_frame(Bitmap32& frame, const PalettedBitmap& work) {
  if (!frame.pixels || !work.pixels) return;
  uint32_t colour[256];
  for (int i = 0; i < 256; ++i)
    colour[i] = static_cast<uint32_t>(work.palette[i * 3]) << 16 | static_cast<uint32_t>(work.palette[i * 3 + 1]) << 8 |
                work.palette[i * 3 + 2];
  const int width = smaller(work.width, frame.width), height = smaller(work.height, frame.height);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(frame.pixels) + static_cast<ptrdiff_t>(y) * frame.pitch);
    const uint8_t* in = work.pixels + static_cast<ptrdiff_t>(y) * work.pitch;
    int x = 0;
#if defined(__SSE2__)
    // Four colours to a register, one 16-byte store for four pixels.
    for (; x + 4 <= width; x += 4) {
      uint32_t four;
      std::memcpy(&four, in + x, 4);
      const __m128i c = _mm_setr_epi32(static_cast<int>(colour[four & 255]), static_cast<int>(colour[(four >> 8) & 255]),
                                       static_cast<int>(colour[(four >> 16) & 255]), static_cast<int>(colour[four >> 24]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), c);
    }
#endif
    for (; x < width; ++x) out[x] = colour[in[x]];
  }
}
