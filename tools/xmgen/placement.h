// Placing phrases: "CHANNEL [+] [at=ROW] [cut] ITEM...", ITEM = _N or PHRASE[+T|-T][@inst][~V][*K][&]
// (transpose, instrument, volume scale V/64, repeat, tie the first note with a full-speed slide).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "phrase.h"
#include "song.h"

struct PlacementContext {
  const std::map<std::string, int>& instruments;  // name -> index (0-based)
  std::map<std::string, Phrase> phrases;
};

// Writes one channel line into the pattern. replaced[c] tells whether channel c has already been
// cleared of what the pattern inherited ("like"); a line without '+' clears it on first mention.
bool place_line(const PlacementContext& context, const Song& song, const std::vector<std::string>& words, Pattern& pattern,
                std::vector<bool>& replaced, std::string& error);
