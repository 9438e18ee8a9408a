// A complete 36-glyph stroke font for tests and benchmarks, built in memory: the telling records
// ('A', 'B', 'I', 'O', '9') as the font file has them, plain strokes for the rest.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace text_sample {

struct S {
  uint8_t type, p1, p2, p3, p4;
};
inline S L(int x1, int y1, int x2, int y2) { return {1, uint8_t(x1), uint8_t(y1), uint8_t(x2), uint8_t(y2)}; }
// Arching vertically: ends (x1, y) and (x2, y), extreme y e.
inline S V(int x1, int y, int x2, int e) { return {2, uint8_t(x1), uint8_t(y), uint8_t(x2), uint8_t(e)}; }
// Arching horizontally: ends (x, y1) and (x, y2), extreme x e.
inline S Hz(int x, int y1, int y2, int e) { return {3, uint8_t(x), uint8_t(y1), uint8_t(y2), uint8_t(e)}; }

inline void put(std::vector<uint8_t>& font, int glyph, std::initializer_list<S> strokes) {
  int s = 0;
  for (const S& stroke : strokes) {
    uint8_t* p = &font[glyph * 40 + s++ * 5];
    p[0] = stroke.type;
    p[1] = stroke.p1;
    p[2] = stroke.p2;
    p[3] = stroke.p3;
    p[4] = stroke.p4;
  }
}

inline int slot(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' : c - '0' + 26; }

inline std::vector<uint8_t> font() {
  std::vector<uint8_t> f(1440, 0);
  put(f, slot('A'), {L(64, 8, 112, 120), L(16, 120, 64, 8), L(33, 80, 94, 80)});
  put(f, slot('B'), {L(16, 8, 16, 120), L(16, 8, 80, 8), L(16, 120, 80, 120), L(16, 64, 80, 64), Hz(80, 8, 64, 112),
                     Hz(80, 64, 120, 112)});
  put(f, slot('C'), {Hz(64, 8, 120, 16), L(64, 8, 112, 16), L(64, 120, 112, 112)});
  put(f, slot('D'), {L(16, 8, 16, 120), L(16, 8, 56, 8), L(16, 120, 56, 120), Hz(56, 8, 120, 112)});
  put(f, slot('E'), {L(16, 8, 16, 120), L(16, 8, 112, 8), L(16, 64, 88, 64), L(16, 120, 112, 120)});
  put(f, slot('F'), {L(16, 8, 16, 120), L(16, 8, 112, 8), L(16, 64, 88, 64)});
  put(f, slot('G'), {Hz(64, 8, 120, 16), L(64, 8, 112, 24), L(64, 120, 112, 104), L(112, 104, 112, 72), L(72, 72, 112, 72)});
  put(f, slot('H'), {L(16, 8, 16, 120), L(112, 8, 112, 120), L(16, 64, 112, 64)});
  put(f, slot('I'), {L(64, 8, 64, 120)});
  put(f, slot('J'), {L(96, 8, 96, 88), V(32, 88, 96, 120)});
  put(f, slot('K'), {L(16, 8, 16, 120), L(16, 72, 112, 8), L(48, 48, 112, 120)});
  put(f, slot('L'), {L(16, 8, 16, 120), L(16, 120, 112, 120)});
  put(f, slot('M'), {L(16, 120, 16, 8), L(16, 8, 64, 72), L(64, 72, 112, 8), L(112, 8, 112, 120)});
  put(f, slot('N'), {L(16, 120, 16, 8), L(16, 8, 112, 120), L(112, 120, 112, 8)});
  put(f, slot('O'), {V(16, 64, 112, 8), V(16, 64, 112, 120)});
  put(f, slot('P'), {L(16, 8, 16, 120), L(16, 8, 72, 8), L(16, 64, 72, 64), Hz(72, 8, 64, 112)});
  put(f, slot('Q'), {V(16, 64, 112, 8), V(16, 64, 112, 120), L(72, 88, 120, 120)});
  put(f, slot('R'), {L(16, 8, 16, 120), L(16, 8, 72, 8), L(16, 64, 72, 64), Hz(72, 8, 64, 112), L(56, 64, 112, 120)});
  put(f, slot('S'), {Hz(64, 8, 64, 16), Hz(64, 64, 120, 112), L(64, 8, 112, 8), L(16, 120, 64, 120)});
  put(f, slot('T'), {L(16, 8, 112, 8), L(64, 8, 64, 120)});
  put(f, slot('U'), {L(16, 8, 16, 72), L(112, 8, 112, 72), V(16, 72, 112, 120)});
  put(f, slot('V'), {L(16, 8, 64, 120), L(64, 120, 112, 8)});
  put(f, slot('W'), {L(8, 8, 36, 120), L(36, 120, 64, 40), L(64, 40, 92, 120), L(92, 120, 120, 8)});
  put(f, slot('X'), {L(16, 8, 112, 120), L(112, 8, 16, 120)});
  put(f, slot('Y'), {L(16, 8, 64, 64), L(112, 8, 64, 64), L(64, 64, 64, 120)});
  put(f, slot('Z'), {L(16, 8, 112, 8), L(112, 8, 16, 120), L(16, 120, 112, 120)});
  put(f, slot('0'), {V(16, 64, 112, 8), V(16, 64, 112, 120), L(32, 104, 96, 24)});
  put(f, slot('1'), {L(64, 8, 64, 120), L(40, 32, 64, 8), L(40, 120, 88, 120)});
  put(f, slot('2'), {V(16, 48, 112, 8), L(112, 48, 16, 120), L(16, 120, 112, 120)});
  put(f, slot('3'), {Hz(64, 8, 64, 112), Hz(64, 64, 120, 112), L(16, 8, 64, 8), L(16, 120, 64, 120)});
  put(f, slot('4'), {L(80, 8, 16, 88), L(16, 88, 112, 88), L(88, 48, 88, 120)});
  put(f, slot('5'), {L(24, 8, 104, 8), L(24, 8, 24, 56), L(24, 56, 64, 56), Hz(64, 56, 120, 112), L(16, 120, 64, 120)});
  put(f, slot('6'), {V(16, 88, 112, 56), V(16, 88, 112, 120), L(16, 88, 64, 8)});
  put(f, slot('7'), {L(16, 8, 112, 8), L(112, 8, 48, 120)});
  put(f, slot('8'), {V(24, 36, 104, 8), V(24, 36, 104, 64), V(16, 92, 112, 64), V(16, 92, 112, 120)});
  put(f, slot('9'), {L(28, 64, 100, 64)});
  return f;
}

}  // namespace text_sample
