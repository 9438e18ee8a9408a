// The production's words: the two further credit words and the sixteen greetings, and which
// greeting the greeting scene shows at a music position.
// Subtle: every entry fits the text area at the smallest glyph width (20), or its placement
// could never succeed; positions past row 0x7F of order 25 stay on the last greeting.
#pragma once
#include <cstdint>

constexpr int kGreetingCount = 16;

extern const char* const TitleWord;    // "WINDMILLCOVE"
extern const char* const NameWord;     // "K417"
extern const char* const CreditWord1;  // drawn at x 64
extern const char* const CreditWord2;  // drawn at x 94
extern const char* const GreetingTable[kGreetingCount];

// k = ((P >> 4) & 15) + ((P - 0x1800) >> 8) x 8 for P of the greeting block, clamped to 0..15.
int greeting_index(uint32_t position);
