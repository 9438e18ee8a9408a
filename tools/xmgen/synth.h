// Sample recipes of the generator: a kind (tone, fm, drum, noise) and key=value settings.
// Subtle: all maths goes through the deterministic helpers, so the bytes never depend on libm.
#pragma once
#include <map>
#include <string>

#include "song.h"

struct SynthRecipe {
  std::string kind;                           // tone, fm, drum, noise
  std::map<std::string, std::string> values;  // key=value settings as written
};

// Fills sample (frames, bits, loop, relative note and finetune). False with a message on an
// unknown kind, an unknown key or a value out of range.
bool synthesize(const SynthRecipe& recipe, SampleData& sample, std::string& error);

// 12 * log2(x): semitones of a frequency ratio, by Newton steps on det_exp2.
double semitones_of_ratio(double ratio);
