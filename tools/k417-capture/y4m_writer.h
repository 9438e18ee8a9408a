// YUV4MPEG2 video output (4:2:0, BT.601 studio range), the format ffmpeg and players read directly.
#pragma once
#include <cstdint>
#include <cstdio>

class Y4mWriter {
 public:
  // Writes the stream header; false when the file cannot be written.
  bool open(FILE* file, int width, int height, int fps, int scale);
  bool write_frame(const uint32_t* pixels);  // width x height 0x00RRGGBB, scaled as opened

 private:
  FILE* file_ = nullptr;
  int width_ = 0, height_ = 0, scale_ = 1;
};
