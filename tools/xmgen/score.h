// The score language of the tune: header, instruments, phrases, patterns and the order list.
// The grammar is described at the top of assets/tune/song.txt and in docs/assets.md.
#pragma once
#include <string>
#include <vector>

#include "song.h"

struct ScoreText {
  std::string name;  // for messages
  std::string text;
};

// Compiles the score files, read in the order given, into a song with synthesised samples.
// False with "file:line: message" on the first error.
bool compile_score(const std::vector<ScoreText>& files, Song& song, std::string& error);
