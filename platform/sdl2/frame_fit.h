// Where the frame goes on an SDL2 screen: centred at the largest whole scale in full screen (the
// equivalent of the centred, doubled DirectDraw mode) and the first window size of the display.
// Subtle: plain C++ without SDL, so both rules are tested natively.
#pragma once
#include <cstdint>

struct FrameRect {
  int32_t x, y, width, height;
};

// Largest whole factor that fits, centred (odd remainders round down). A screen smaller than the
// frame gets the frame shrunk to fit, keeping its shape.
inline FrameRect fit_frame_whole(int32_t outWidth, int32_t outHeight, int32_t frameWidth, int32_t frameHeight) {
  if (outWidth <= 0 || outHeight <= 0 || frameWidth <= 0 || frameHeight <= 0) return {0, 0, 0, 0};
  int32_t scale = outWidth / frameWidth < outHeight / frameHeight ? outWidth / frameWidth : outHeight / frameHeight;
  int32_t width, height;
  if (scale >= 1) {
    width = frameWidth * scale;
    height = frameHeight * scale;
  } else if (static_cast<int64_t>(outWidth) * frameHeight <= static_cast<int64_t>(outHeight) * frameWidth) {
    width = outWidth;
    height = static_cast<int32_t>(static_cast<int64_t>(frameHeight) * outWidth / frameWidth);
  } else {
    height = outHeight;
    width = static_cast<int32_t>(static_cast<int64_t>(frameWidth) * outHeight / frameHeight);
  }
  return {(outWidth - width) / 2, (outHeight - height) / 2, width, height};
}

// The window's first client size: the frame doubled when the usable desktop holds three frames
// in both directions (640 x 400 for 320 x 200 from 960 x 600 up), else the frame's own size.
inline void first_window_size(int32_t desktopWidth, int32_t desktopHeight, int32_t frameWidth, int32_t frameHeight,
                              int32_t* width, int32_t* height) {
  bool doubled = desktopWidth >= 3 * frameWidth && desktopHeight >= 3 * frameHeight;
  *width = doubled ? 2 * frameWidth : frameWidth;
  *height = doubled ? 2 * frameHeight : frameHeight;
}
