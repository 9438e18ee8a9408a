// Portable pixel work of full-screen presentation: centring, doubling, 16-bit conversion.
// The destination is a plain description of a locked surface, so all of it is tested natively.
#pragma once
#include <cstdint>

struct SurfaceDesc {
  uint8_t* pixels;      // first byte of the surface
  uint32_t width;       // dwWidth
  uint32_t height;      // dwHeight
  int32_t pitch;        // lPitch, bytes
  uint32_t bitsPerPixel;
  uint32_t greenMask;   // dwGBitMask; selects 5-6-5 or 5-5-5 at 16 bits
};

// True when a mode of modeWidth x modeHeight doubles a frame of frameWidth x frameHeight.
bool present_is_doubled(uint32_t modeWidth, uint32_t modeHeight, uint32_t frameWidth, uint32_t frameHeight);

// Copies a 32-bit frame into the surface: centred, doubled when the mode allows (32 bits only),
// converted at 16 bits, nothing at other depths. modeWidth/Height are those chosen at opening.
void present_copy(const SurfaceDesc& surface, const uint32_t* frame, uint32_t frameWidth,
                  uint32_t frameHeight, uint32_t modeWidth, uint32_t modeHeight);

// Bottom-up copy of a frame into a DIB-style buffer (row r goes to row height - 1 - r).
void present_copy_bottom_up(uint8_t* dib, const uint32_t* frame, uint32_t width, uint32_t height);

uint16_t pixel_to_565(uint32_t p);
uint16_t pixel_to_555(uint32_t p);
