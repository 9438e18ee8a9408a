// Turns the glyph text of assets/font into the 1,440-byte stroke-font file (36 records of 40 bytes).
// Every record must be present exactly once; a malformed line gives a message naming the line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kGlyphCount = 36;      // 'A'..'Z', then '0'..'9'
constexpr int kStrokesPerGlyph = 8;  // slots of 5 bytes: type, p1, p2, p3, p4
constexpr int kRecordBytes = kStrokesPerGlyph * 5;

// Record index of a glyph character, or -1 when the font has no such glyph.
int glyph_record(char c);

// Parses the whole source text. On success fills out with kGlyphCount * kRecordBytes bytes.
bool compile_font(const std::string& text, std::vector<uint8_t>& out, std::string& error);
