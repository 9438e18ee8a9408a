// The credit words and the greeting table: the open-source projects this program stands on.
// Subtle: upper-case letters and digits only; anything else would be drawn as a blank.
#include "demo/greetings.h"

const char* const TitleWord = "WINDMILLCOVE";
const char* const NameWord = "K417";
const char* const CreditWord1 = "VECTORS";
const char* const CreditWord2 = "MUSIC";

const char* const GreetingTable[kGreetingCount] = {
    "SDL2",  "WINE", "DEBIAN", "MINGW",      "CMAKE",  "GCC",     "CLANG",  "LLVM",
    "NINJA", "GIT",  "LINUX",  "GOOGLETEST", "LIBXMP", "OPENMPT", "FFMPEG", "GNU",
};

int greeting_index(uint32_t position) {
  if (position < 0x1800) return 0;
  uint32_t k = ((position >> 4) & 15) + ((position - 0x1800) >> 8) * 8;
  return k > 15 ? 15 : static_cast<int>(k);
}
