// The two block renderers, one template each for plain and shaded. Running values wrap as
// unsigned numbers: only bits 3..10 of u and v and bits 9..12 of the depth are ever read, and those
// bits come out the same whether a sum wraps or not. The depth step is masked to 0..15, so a grid
// with depths beyond 0..1023 still stays inside its row of the shade table.
#include "demo/grid_render.h"

#include <cstddef>

#include <emmintrin.h>

namespace {
constexpr int kBlockColumns = kGridColumns - 1;  // 40
constexpr int kBlockRows = kGridRows - 1;        // 25

// Eight pixel rows at a time. For one grid column and plane, the edge of pixel row r is
// q_r = trunc((8 * top + r * (bottom - top)) / 8), and pixel k of a block row is
// 8 * q_left + k * (q_right - q_left). Each edge is shared by the two blocks beside it. Only the low
// 16 bits of a running value are ever read, so the pixels run in 16-bit lanes, one lane per row;
// the edges are taken exactly in 32 bits first, as the truncation needs the full value's sign.

__m128i divide_by_8(__m128i x) {  // toward zero
  return _mm_srai_epi32(_mm_add_epi32(x, _mm_srli_epi32(_mm_srai_epi32(x, 31), 29)), 3);
}

__m128i low_halves(__m128i lo, __m128i hi) {  // low 16 bits of eight int32 lanes, in order
  lo = _mm_srai_epi32(_mm_slli_epi32(lo, 16), 16);
  hi = _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16);
  return _mm_packs_epi32(lo, hi);
}

inline __attribute__((always_inline)) __m128i edge_rows(int32_t top, int32_t bottom) {
  const __m128i delta = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(bottom) - static_cast<uint32_t>(top)));
  const __m128i ramp = _mm_add_epi32(_mm_add_epi32(_mm_slli_si128(delta, 4), _mm_slli_si128(delta, 8)),
                                     _mm_slli_si128(delta, 12));  // 0, d, 2d, 3d
  const __m128i upper = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(top) * 8u)), ramp);
  const __m128i lower = _mm_add_epi32(upper, _mm_slli_epi32(delta, 2));
  return low_halves(divide_by_8(upper), divide_by_8(lower));
}

// True when every depth lies in 0..1023: then every running depth stays in 0..8184, exact in 16
// bits, and moves one way along a pixel row, so a row whose first and last steps agree has one step.
bool depths_in_range(const GridMap& grid) {
  bool inside = true;
  for (int i = 0; i < kGridPoints; ++i) inside &= static_cast<uint32_t>(grid.plane[PlaneDepth][i]) <= 1023u;
  return inside;
}

// byStep[step * 256 + texel] = shade[texel * 16 + step]: sixteen 16x16 byte transposes.
void turn_shade_table(const uint8_t* shade, uint8_t* byStep) {
  for (int base = 0; base < 256; base += 16) {
    __m128i a[16], b[16], c[16], d[16];
    for (int i = 0; i < 16; ++i) a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shade + (base + i) * 16));
    for (int i = 0; i < 16; i += 2) {  // rows i, i+1 interleaved: columns 0-7, then 8-15
      b[i] = _mm_unpacklo_epi8(a[i], a[i + 1]);
      b[i + 1] = _mm_unpackhi_epi8(a[i], a[i + 1]);
    }
    for (int i = 0; i < 16; i += 4) {  // rows i..i+3: columns 0-3, 4-7, 8-11, 12-15
      c[i] = _mm_unpacklo_epi16(b[i], b[i + 2]);
      c[i + 1] = _mm_unpackhi_epi16(b[i], b[i + 2]);
      c[i + 2] = _mm_unpacklo_epi16(b[i + 1], b[i + 3]);
      c[i + 3] = _mm_unpackhi_epi16(b[i + 1], b[i + 3]);
    }
    for (int h = 0; h < 16; h += 8)  // rows h..h+7: column pairs 0-1, 2-3, ..., 14-15
      for (int j = 0; j < 4; ++j) {
        d[h + 2 * j] = _mm_unpacklo_epi32(c[h + j], c[h + 4 + j]);
        d[h + 2 * j + 1] = _mm_unpackhi_epi32(c[h + j], c[h + 4 + j]);
      }
    for (int j = 0; j < 8; ++j) {  // whole columns 2j and 2j+1
      _mm_store_si128(reinterpret_cast<__m128i*>(byStep + (2 * j) * 256 + base), _mm_unpacklo_epi64(d[j], d[8 + j]));
      _mm_store_si128(reinterpret_cast<__m128i*>(byStep + (2 * j + 1) * 256 + base), _mm_unpackhi_epi64(d[j], d[8 + j]));
    }
  }
}

template <bool Shaded>
void render_blocks(const GridMap& grid, uint8_t* out, int32_t pitch, const uint8_t* texture, const uint8_t* shade) {
  const __m128i highByte = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
  const __m128i stepBits = _mm_set1_epi16(0x0F00);
  const bool monotoneDepth = Shaded && depths_in_range(grid);
  // The shade table turned around: step * 256 + texel, so a row with one step reads one 256-byte run.
  alignas(16) uint8_t byStep[Shaded ? 4096 : 16];
  if (Shaded) turn_shade_table(shade, byStep);

  __m128i edgeU[kGridColumns], edgeV[kGridColumns], edgeD[kGridColumns];
  alignas(16) uint16_t texel[64], step[64];  // column-major: column k, row r at k * 8 + r; step * 256

  for (int br = 0; br < kBlockRows; ++br) {
    const int top = br * kGridColumns, bottom = top + kGridColumns;
    for (int c = 0; c < kGridColumns; ++c) {
      edgeU[c] = edge_rows(grid.plane[PlaneU][top + c], grid.plane[PlaneU][bottom + c]);
      edgeV[c] = edge_rows(grid.plane[PlaneV][top + c], grid.plane[PlaneV][bottom + c]);
      if (Shaded) edgeD[c] = edge_rows(grid.plane[PlaneDepth][top + c], grid.plane[PlaneDepth][bottom + c]);
    }
    for (int bc = 0; bc < kBlockColumns; ++bc) {
      // u and v run shifted left by 5, which puts their texel bits (3..10) in the high byte.
      __m128i u = _mm_slli_epi16(edgeU[bc], 8), du = _mm_slli_epi16(_mm_sub_epi16(edgeU[bc + 1], edgeU[bc]), 5);
      __m128i v = _mm_slli_epi16(edgeV[bc], 8), dv = _mm_slli_epi16(_mm_sub_epi16(edgeV[bc + 1], edgeV[bc]), 5);
      __m128i d = _mm_setzero_si128(), dd = _mm_setzero_si128();
      if (Shaded) {
        d = _mm_slli_epi16(edgeD[bc], 3);
        dd = _mm_sub_epi16(edgeD[bc + 1], edgeD[bc]);
      }
      uint8_t* block = out + static_cast<ptrdiff_t>(8 * br) * pitch + 8 * bc;
      if constexpr (!Shaded) {
        // Plain: each lane's index goes straight from the register to its texel, row by row.
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
          const __m128i index = _mm_or_si128(_mm_and_si128(v, highByte), _mm_srli_epi16(u, 8));
          u = _mm_add_epi16(u, du);
          v = _mm_add_epi16(v, dv);
          uint8_t* column = block + k;
          column[0] = texture[_mm_extract_epi16(index, 0)];
          column[pitch] = texture[_mm_extract_epi16(index, 1)];
          column[2 * pitch] = texture[_mm_extract_epi16(index, 2)];
          column[3 * pitch] = texture[_mm_extract_epi16(index, 3)];
          column[4 * pitch] = texture[_mm_extract_epi16(index, 4)];
          column[5 * pitch] = texture[_mm_extract_epi16(index, 5)];
          column[6 * pitch] = texture[_mm_extract_epi16(index, 6)];
          column[7 * pitch] = texture[_mm_extract_epi16(index, 7)];
        }
        continue;
      }
      // Shaded: indices and steps go through memory so that a row with one step reads one run.
#pragma GCC unroll 8
      for (int k = 0; k < 8; ++k) {
        const __m128i index = _mm_or_si128(_mm_and_si128(v, highByte), _mm_srli_epi16(u, 8));
        _mm_store_si128(reinterpret_cast<__m128i*>(texel + k * 8), index);
        u = _mm_add_epi16(u, du);
        v = _mm_add_epi16(v, dv);
        _mm_store_si128(reinterpret_cast<__m128i*>(step + k * 8), _mm_and_si128(_mm_srli_epi16(d, 1), stepBits));
        d = _mm_add_epi16(d, dd);  // steps stored as ((d >> 9) & 15) * 256
      }
      int oneStep = 0;  // two mask bits per row whose eight pixels share one depth step
      if (monotoneDepth)
        oneStep = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(step)),
                                                    _mm_load_si128(reinterpret_cast<const __m128i*>(step + 56))));
#pragma GCC unroll 8
      for (int r = 0; r < 8; ++r) {
        uint8_t* row = block + static_cast<ptrdiff_t>(r) * pitch;
        const uint16_t* index = texel + r;
        if (oneStep & (1 << (2 * r))) {
          const uint8_t* run = byStep + step[r];
#pragma GCC unroll 8
          for (int k = 0; k < 8; ++k) row[k] = run[texture[index[k * 8]]];
        } else {
          const uint16_t* steps = step + r;
#pragma GCC unroll 8
          for (int k = 0; k < 8; ++k) row[k] = byStep[steps[k * 8] + texture[index[k * 8]]];
        }
      }
    }
  }
}
}  // namespace

void render_grid_shaded(const GridMap& grid, uint8_t* out, int32_t pitch, const uint8_t* texture,
                        const uint8_t* shade) {
  render_blocks<true>(grid, out, pitch, texture, shade);
}

void render_grid_plain(const GridMap& grid, uint8_t* out, int32_t pitch, const uint8_t* texture) {
  render_blocks<false>(grid, out, pitch, texture, nullptr);
}
