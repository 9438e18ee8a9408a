// Full-screen pixel work over a plain surface description: centring (odd remainders round down),
// pixel doubling when the mode holds twice the frame, and 5-6-5 / 5-5-5 conversion at 16 bits.
#include "present_copy.h"

#include <cstddef>
#include <cstring>

uint16_t pixel_to_565(uint32_t p) {
  return static_cast<uint16_t>(((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F));
}

uint16_t pixel_to_555(uint32_t p) {
  return static_cast<uint16_t>(((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F));
}

bool present_is_doubled(uint32_t modeWidth, uint32_t modeHeight, uint32_t frameWidth, uint32_t frameHeight) {
  return modeWidth >= 2 * frameWidth && modeHeight >= 2 * frameHeight;
}

namespace {
void copy_32(const SurfaceDesc& s, const uint32_t* frame, uint32_t fw, uint32_t fh, bool doubled) {
  uint32_t ow = doubled ? fw * 2 : fw;
  uint32_t oh = doubled ? fh * 2 : fh;
  if (s.width < ow || s.height < oh) return;  // a surface smaller than the output gets nothing
  uint8_t* row = s.pixels + static_cast<ptrdiff_t>((s.height - oh) / 2) * s.pitch + ((s.width - ow) / 2) * 4;
  for (uint32_t y = 0; y < fh; ++y) {
    const uint32_t* source = frame + static_cast<size_t>(y) * fw;
    if (!doubled) {
      std::memcpy(row, source, fw * 4);
      row += s.pitch;
      continue;
    }
    auto* out = reinterpret_cast<uint32_t*>(row);
    for (uint32_t x = 0; x < ow; ++x) out[x] = source[x / 2];
    std::memcpy(row + s.pitch, row, ow * 4);
    row += 2 * static_cast<ptrdiff_t>(s.pitch);
  }
}

template <uint16_t (*Convert)(uint32_t)>
void copy_16(const SurfaceDesc& s, const uint32_t* frame, uint32_t fw, uint32_t fh) {
  if (s.width < fw || s.height < fh) return;
  for (uint32_t y = 0; y < fh; ++y) {
    auto* out = reinterpret_cast<uint16_t*>(s.pixels) +
                static_cast<ptrdiff_t>(((s.height - fh) / 2) + y) * (s.pitch / 2) + (s.width - fw) / 2;
    const uint32_t* source = frame + static_cast<size_t>(y) * fw;
    for (uint32_t x = 0; x < fw; ++x) out[x] = Convert(source[x]);
  }
}
}  // namespace

void present_copy(const SurfaceDesc& surface, const uint32_t* frame, uint32_t frameWidth, uint32_t frameHeight,
                  uint32_t modeWidth, uint32_t modeHeight) {
  if (surface.bitsPerPixel == 32) {
    copy_32(surface, frame, frameWidth, frameHeight, present_is_doubled(modeWidth, modeHeight, frameWidth, frameHeight));
  } else if (surface.bitsPerPixel == 16) {
    if ((surface.greenMask & ~0x1Fu) == 0x7E0)
      copy_16<pixel_to_565>(surface, frame, frameWidth, frameHeight);
    else
      copy_16<pixel_to_555>(surface, frame, frameWidth, frameHeight);
  }
}

void present_copy_bottom_up(uint8_t* dib, const uint32_t* frame, uint32_t width, uint32_t height) {
  for (uint32_t r = 0; r < height; ++r)
    std::memcpy(dib + static_cast<size_t>(height - 1 - r) * width * 4, frame + static_cast<size_t>(r) * width, width * 4);
}
