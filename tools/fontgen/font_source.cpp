// Turns the glyph text of assets/font into the 1,440-byte stroke-font file (36 records of 40 bytes).
// Coordinates are held to the drawing area 8..120 so that no stroke touches the design box edge.
#include "font_source.h"

#include <sstream>

namespace {

constexpr int kMinCoordinate = 8;
constexpr int kMaxCoordinate = 120;

struct StrokeKind {
  const char* word;
  uint8_t type;
};
constexpr StrokeKind kKinds[] = {{"line", 1}, {"varc", 2}, {"harc", 3}};

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return std::string();
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

bool parse_stroke(const std::string& text, uint8_t* slot, std::string& why) {
  std::istringstream in(text);
  std::string word;
  in >> word;
  const StrokeKind* kind = nullptr;
  for (const StrokeKind& k : kKinds)
    if (word == k.word) kind = &k;
  if (!kind) {
    why = "unknown stroke '" + word + "'";
    return false;
  }
  slot[0] = kind->type;
  for (int i = 0; i < 4; ++i) {
    long value;
    if (!(in >> value)) {
      why = "stroke '" + word + "' needs four numbers";
      return false;
    }
    if (value < kMinCoordinate || value > kMaxCoordinate) {
      why = "coordinate " + std::to_string(value) + " outside 8..120";
      return false;
    }
    slot[1 + i] = static_cast<uint8_t>(value);
  }
  std::string extra;
  if (in >> extra) {
    why = "unexpected '" + extra + "' after stroke";
    return false;
  }
  return true;
}

}  // namespace

int glyph_record(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= '0' && c <= '9') return 26 + (c - '0');
  return -1;
}

bool compile_font(const std::string& text, std::vector<uint8_t>& out, std::string& error) {
  out.assign(kGlyphCount * kRecordBytes, 0);
  std::vector<bool> seen(kGlyphCount, false);
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    std::string body = trim(line.substr(0, line.find('#')));
    if (body.empty()) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (body.size() < 2 || (body[1] != ' ' && body[1] != '\t')) {
      error = where + "expected a glyph character followed by strokes";
      return false;
    }
    int record = glyph_record(body[0]);
    if (record < 0) {
      error = where + "the font has no glyph '" + body.substr(0, 1) + "'";
      return false;
    }
    if (seen[record]) {
      error = where + "glyph '" + body.substr(0, 1) + "' given twice";
      return false;
    }
    seen[record] = true;
    std::istringstream strokes(body.substr(1));
    std::string stroke;
    int count = 0;
    while (std::getline(strokes, stroke, ';')) {
      stroke = trim(stroke);
      if (stroke.empty()) continue;
      if (count == kStrokesPerGlyph) {
        error = where + "more than 8 strokes";
        return false;
      }
      std::string why;
      if (!parse_stroke(stroke, &out[record * kRecordBytes + count * 5], why)) {
        error = where + why;
        return false;
      }
      ++count;
    }
    if (count == 0) {
      error = where + "glyph without strokes";
      return false;
    }
  }
  for (int i = 0; i < kGlyphCount; ++i) {
    if (!seen[i]) {
      char c = i < 26 ? static_cast<char>('A' + i) : static_cast<char>('0' + i - 26);
      error = std::string("glyph '") + c + "' is missing";
      return false;
    }
  }
  return true;
}
