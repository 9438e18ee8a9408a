// Placing phrases on a pattern's channels: "CHANNEL [+] [at=ROW] [cut] item item ...", where an
// item is "_N" (N empty rows) or "PHRASE[+T|-T][@inst][~V][*K][&]": transposed by T semitones, notes
// played on another instrument, volumes scaled to V/64 (notes without one get V), repeated K times,
// the first note tied to the one sounding (no instrument number, tone portamento FF).
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
