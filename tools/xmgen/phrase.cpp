// Phrases of the score: a run of step tokens turned into rows of cells, before placement.
// Subtle: a token fills `step` rows, its cell on the first; effect letters run 0-9 then A=10..Z=35.
#include "phrase.h"

#include <cctype>
#include <cstdlib>

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int effect_number(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

bool parse_volume(const std::string& t, size_t& i, PhraseCell& cell, std::string& error) {
  // t[i] is just past the 'v'.
  if (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
    int value = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) value = value * 10 + (t[i++] - '0');
    if (value > 64) {
      error = "volume above 64 in '" + t + "'";
      return false;
    }
    cell.volume = static_cast<uint8_t>(0x10 + value);
    cell.volumeIsSet = true;
    return true;
  }
  static const char kKinds[] = "-+duspvlrm";  // slide down/up, fine down/up, vib speed, pan, vibrato..
  static const uint8_t kBases[] = {0x60, 0x70, 0x80, 0x90, 0xA0, 0xC0, 0xB0, 0xD0, 0xE0, 0xF0};
  if (i + 1 < t.size()) {
    for (int k = 0; kKinds[k]; ++k) {
      if (t[i] != kKinds[k]) continue;
      int y = hex_digit(t[i + 1]);
      if (y < 0) break;
      cell.volume = static_cast<uint8_t>(kBases[k] + y);
      i += 2;
      return true;
    }
  }
  error = "bad volume column in '" + t + "'";
  return false;
}

}  // namespace

int note_number(const std::string& name) {
  static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return 0;
  int semitone = kSemitone[name[0] - 'A'];
  size_t i = 1;
  if (name[i] == '#') {
    ++semitone;
    ++i;
  } else if (name[i] == 'b') {
    --semitone;
    ++i;
  } else if (name[i] == '-') {
    ++i;
  }
  if (i + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
  int n = (name[i] - '0') * 12 + semitone + 1;
  return n >= 1 && n <= 96 ? n : 0;
}

bool parse_cell_token(const std::string& t, PhraseCell& cell, std::string& error) {
  cell = PhraseCell{};
  size_t i = 0;
  if (t.empty()) {
    error = "empty token";
    return false;
  }
  if (t[0] == '.' || t[0] == '-') {
    i = 1;
  } else if (t[0] == '^') {
    cell.note = 97;
    i = 1;
  } else if (t[0] >= 'A' && t[0] <= 'G') {
    size_t end = 1;
    if (end < t.size() && (t[end] == '#' || t[end] == 'b' || t[end] == '-')) ++end;
    if (end < t.size()) ++end;  // octave digit
    cell.note = static_cast<uint8_t>(note_number(t.substr(0, end)));
    if (cell.note == 0) {
      error = "bad note in '" + t + "'";
      return false;
    }
    i = end;
  } else if (t[0] != 'v' && t[0] != '[' && t[0] != '@') {
    error = "unknown token '" + t + "'";
    return false;
  }
  while (i < t.size()) {
    char c = t[i++];
    if (c == 'v') {
      if (!parse_volume(t, i, cell, error)) return false;
    } else if (c == '[') {
      if (i + 4 > t.size() || t[i + 3] != ']' || effect_number(t[i]) < 0 || hex_digit(t[i + 1]) < 0 || hex_digit(t[i + 2]) < 0) {
        error = "effects are written [XYY] in '" + t + "'";
        return false;
      }
      if (cell.hasEffect) {
        error = "two effects in '" + t + "'";
        return false;
      }
      cell.hasEffect = true;
      cell.effect = static_cast<uint8_t>(effect_number(t[i]));
      cell.param = static_cast<uint8_t>(hex_digit(t[i + 1]) * 16 + hex_digit(t[i + 2]));
      i += 4;
    } else if (c == '@') {
      size_t start = i;
      while (i < t.size() && (std::islower(static_cast<unsigned char>(t[i])) || std::isdigit(static_cast<unsigned char>(t[i])) || t[i] == '_')) ++i;
      cell.instrument = t.substr(start, i - start);
      if (cell.instrument.empty()) {
        error = "instrument name expected after '@' in '" + t + "'";
        return false;
      }
    } else if (c == '!') {
      cell.noInstrument = true;
    } else {
      error = "unexpected '" + std::string(1, c) + "' in '" + t + "'";
      return false;
    }
  }
  return true;
}

bool append_phrase_tokens(const std::vector<std::string>& tokens, Phrase& phrase, std::string& error) {
  // A stack of group starts (row indices); ")*N" repeats the rows since the matching "(".
  std::vector<size_t> groups;
  for (const std::string& raw : tokens) {
    std::string token = raw;
    int repeat = 1;
    size_t star = token.find('*');
    if (star != std::string::npos) {
      char* end = nullptr;
      long n = std::strtol(token.c_str() + star + 1, &end, 10);
      if (*end != '\0' || n < 1 || n > 256) {
        error = "bad repeat count in '" + raw + "'";
        return false;
      }
      repeat = static_cast<int>(n);
      token = token.substr(0, star);
    }
    if (token == "(") {
      if (repeat != 1) {
        error = "a repeat belongs after ')'";
        return false;
      }
      groups.push_back(phrase.rows.size());
      continue;
    }
    if (token == ")") {
      if (groups.empty()) {
        error = "')' without '('";
        return false;
      }
      size_t start = groups.back();
      groups.pop_back();
      std::vector<PhraseCell> body(phrase.rows.begin() + static_cast<long>(start), phrase.rows.end());
      for (int r = 1; r < repeat; ++r) phrase.rows.insert(phrase.rows.end(), body.begin(), body.end());
      continue;
    }
    PhraseCell cell;
    if (!parse_cell_token(token, cell, error)) return false;
    for (int r = 0; r < repeat; ++r) {
      phrase.rows.push_back(cell);
      for (int s = 1; s < phrase.step; ++s) phrase.rows.push_back(PhraseCell{});
    }
  }
  if (!groups.empty()) {
    error = "'(' without ')'";
    return false;
  }
  return true;
}
