// Phrases of the score: notes (C#4, Bb2), . or - (nothing), ^ (key off) with suffixes @inst, vNN,
// v-x.. (volume column), [XYY] (effect), ! (no instrument), *N; "( ... )*N" repeats a group.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PhraseCell {
  uint8_t note = 0;          // 0 none, 1..96, 97 key off
  std::string instrument;    // explicit '@name', empty when not given
  bool noInstrument = false; // '!': leave the instrument column empty
  uint8_t volume = 0;        // volume-column byte, 0 empty
  bool volumeIsSet = false;  // a plain vNN (scaled by a placement's ~V)
  bool hasEffect = false;
  uint8_t effect = 0, param = 0;
};

struct Phrase {
  std::string name;
  int step = 2;             // rows per token
  std::string instrument;   // default instrument for notes
  std::vector<PhraseCell> rows;
};

// Parses one cell token (without *N); false with a message on a malformed token.
bool parse_cell_token(const std::string& token, PhraseCell& cell, std::string& error);
// Appends the rows of a whole token list (groups and repeats expanded) to the phrase.
bool append_phrase_tokens(const std::vector<std::string>& tokens, Phrase& phrase, std::string& error);
// Note number 1..96 of a name such as C-4, C4, C#4 or Db4; 0 when it is not a note.
int note_number(const std::string& name);
