// Placing phrases on a pattern's channels: transposed, re-voiced, scaled, repeated, tied, shifted.
// Subtle: lines on one channel overlay and may not set one field twice; overruns need "cut".
#include "placement.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Item {
  const Phrase* phrase = nullptr;  // null: a gap of `gap` rows
  int gap = 0;
  int transpose = 0;
  std::string instrument;
  int volumeScale = -1;  // -1: leave volumes alone
  int repeat = 1;
  bool tie = false;  // '&': the first note keeps the sounding voice and slides to its pitch
};

bool read_number(const std::string& s, size_t& i, int& value) {
  size_t start = i;
  value = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) value = value * 10 + (s[i++] - '0');
  return i > start && value < 100000;
}

bool parse_item(const PlacementContext& context, const std::string& word, Item& item, std::string& error) {
  size_t i = 0;
  if (word[0] == '_') {
    i = 1;
    if (!read_number(word, i, item.gap) || i != word.size()) {
      error = "a gap is written _ROWS: '" + word + "'";
      return false;
    }
    return true;
  }
  while (i < word.size() && (std::islower(static_cast<unsigned char>(word[i])) || std::isdigit(static_cast<unsigned char>(word[i])) || word[i] == '_')) ++i;
  auto it = context.phrases.find(word.substr(0, i));
  if (it == context.phrases.end()) {
    error = "no phrase '" + word.substr(0, i) + "'";
    return false;
  }
  item.phrase = &it->second;
  while (i < word.size()) {
    char c = word[i++];
    int n = 0;
    if (c == '+' || c == '-') {
      if (!read_number(word, i, n)) break;
      item.transpose = c == '+' ? n : -n;
    } else if (c == '~') {
      if (!read_number(word, i, n) || n > 64) break;
      item.volumeScale = n;
    } else if (c == '*') {
      if (!read_number(word, i, n) || n < 1) break;
      item.repeat = n;
    } else if (c == '&') {
      item.tie = true;
    } else if (c == '@') {
      size_t start = i;
      while (i < word.size() && (std::islower(static_cast<unsigned char>(word[i])) || std::isdigit(static_cast<unsigned char>(word[i])) || word[i] == '_')) ++i;
      item.instrument = word.substr(start, i - start);
      if (item.instrument.empty()) break;
    } else {
      i = 0;
      break;
    }
    if (i == word.size()) return true;
  }
  if (i == word.size()) return true;
  error = "bad placement '" + word + "'";
  return false;
}

bool make_cell(const PlacementContext& context, const Item& item, const PhraseCell& in, Cell& out, std::string& error) {
  out = Cell{};
  out.note = in.note;
  if (in.note >= 1 && in.note <= 96) {
    int note = in.note + item.transpose;
    if (note < 1 || note > 96) {
      error = "phrase '" + item.phrase->name + "' transposed out of range";
      return false;
    }
    out.note = static_cast<uint8_t>(note);
  }
  std::string name = in.instrument;
  if (name.empty() && out.note >= 1 && out.note <= 96 && !in.noInstrument)
    name = item.instrument.empty() ? item.phrase->instrument : item.instrument;
  if (!name.empty()) {
    auto it = context.instruments.find(name);
    if (it == context.instruments.end()) {
      error = "no instrument '" + name + "' (phrase '" + item.phrase->name + "')";
      return false;
    }
    out.instrument = static_cast<uint8_t>(it->second + 1);
  } else if (out.note >= 1 && out.note <= 96 && !in.noInstrument) {
    error = "phrase '" + item.phrase->name + "' has a note without an instrument";
    return false;
  }
  out.volume = in.volume;
  if (item.volumeScale >= 0) {
    if (in.volumeIsSet) out.volume = static_cast<uint8_t>(0x10 + ((in.volume - 0x10) * item.volumeScale + 32) / 64);
    else if (in.volume == 0 && out.note >= 1 && out.note <= 96) out.volume = static_cast<uint8_t>(0x10 + item.volumeScale);
  }
  out.has_effect = in.hasEffect;
  out.effect = in.effect;
  out.param = in.param;
  return true;
}

bool merge(Cell& into, const Cell& from) {
  if ((into.note && from.note) || (into.instrument && from.instrument) || (into.volume && from.volume) || (into.has_effect && from.has_effect))
    return false;
  if (from.note) into.note = from.note;
  if (from.instrument) into.instrument = from.instrument;
  if (from.volume) into.volume = from.volume;
  if (from.has_effect) {
    into.has_effect = true;
    into.effect = from.effect;
    into.param = from.param;
  }
  return true;
}

}  // namespace

bool place_line(const PlacementContext& context, const Song& song, const std::vector<std::string>& words, Pattern& pattern,
                std::vector<bool>& replaced, std::string& error) {
  int channel = -1;
  for (size_t c = 0; c < song.channels.size(); ++c)
    if (song.channels[c] == words[0]) channel = static_cast<int>(c);
  if (channel < 0) {
    error = "no channel '" + words[0] + "'";
    return false;
  }
  const size_t width = song.channels.size();
  size_t k = 1;
  bool overlay = false, cut = false;
  int row = 0;
  for (; k < words.size(); ++k) {
    if (words[k] == "+") overlay = true;
    else if (words[k] == "cut") cut = true;
    else if (words[k].compare(0, 3, "at=") == 0) {
      size_t i = 3;
      if (!read_number(words[k], i, row) || i != words[k].size() || row >= pattern.rows) {
        error = "bad '" + words[k] + "'";
        return false;
      }
    } else break;
  }
  if (!overlay && !replaced[channel]) {
    for (int r = 0; r < pattern.rows; ++r) pattern.cells[r * width + channel] = Cell{};
  }
  replaced[channel] = true;
  for (; k < words.size(); ++k) {
    Item item;
    if (!parse_item(context, words[k], item, error)) return false;
    if (!item.phrase) {
      row += item.gap;
      continue;
    }
    bool tiePending = item.tie;
    for (int rep = 0; rep < item.repeat; ++rep) {
      for (PhraseCell pc : item.phrase->rows) {
        if (tiePending && pc.note >= 1 && pc.note <= 96) {
          tiePending = false;
          pc.noInstrument = true;
          pc.instrument.clear();
          if (!pc.hasEffect) {
            pc.hasEffect = true;
            pc.effect = 3;  // tone portamento at full speed: reaches the note within a tick
            pc.param = 0xFF;
          }
        }
        if (row >= pattern.rows) {
          if (cut) return true;
          error = "channel '" + words[0] + "' runs past row " + std::to_string(pattern.rows) + " of pattern '" + pattern.name + "'";
          return false;
        }
        Cell cell;
        if (!make_cell(context, item, pc, cell, error)) return false;
        if (!merge(pattern.cells[row * width + channel], cell)) {
          error = "channel '" + words[0] + "' row " + std::to_string(row) + " of pattern '" + pattern.name + "' is set twice";
          return false;
        }
        ++row;
      }
    }
  }
  if (row > pattern.rows && !cut) {
    error = "channel '" + words[0] + "' runs past the end of pattern '" + pattern.name + "'";
    return false;
  }
  return true;
}
