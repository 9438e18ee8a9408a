// Choice of the full-screen display mode from the modes the driver lists: 32 bits first, then 16.
// Subtle: the smallest area that holds the frame wins and equal areas keep the first one listed;
// plain C++ with no Windows types, so the rule is tested natively.
#pragma once
#include <cstddef>
#include <cstdint>

struct DisplayModeOffer {
  uint32_t width;
  uint32_t height;
  uint32_t bits;
};

struct DisplayModeChoice {
  uint32_t width;   // 0 when nothing fits
  uint32_t height;
  uint32_t bits;    // 32, or 16 when no 32-bit mode holds the frame
  bool found;
};

inline DisplayModeChoice choose_display_mode(const DisplayModeOffer* modes, size_t count, uint32_t frameWidth,
                                             uint32_t frameHeight) {
  DisplayModeChoice choice{0, 0, 32, false};
  for (uint32_t bits : {32u, 16u}) {
    uint32_t bestArea = 0x7FFFFFFF;
    for (size_t i = 0; i < count; ++i) {
      const DisplayModeOffer& mode = modes[i];
      uint32_t area = mode.width * mode.height;
      if (mode.bits != bits || mode.width < frameWidth || mode.height < frameHeight || area >= bestArea) continue;
      bestArea = area;
      choice.width = mode.width;
      choice.height = mode.height;
    }
    choice.bits = bits;
    if (bestArea != 0x7FFFFFFF) {
      choice.found = true;
      return choice;
    }
  }
  return choice;
}
