// Reader for 8-bit run-length PCX pictures with one plane (palette indices, palette at the end)
// or three planes (RGB). Subtle: a run that crosses the end of a scan line is cut there, and a
// line's padding byte is dropped when the planes are rearranged.
#pragma once
#include <cstdint>

#include "image/image_reader.h"

constexpr uint32_t kPcxHeaderSize = 128;
constexpr uint8_t kPcxPaletteMarker = 12;

class PcxReader final : public ImageReader {
 public:
  explicit PcxReader(ImageStream* stream) : ImageReader(stream) {}

  bool read_header() override;
  bool decode(uint8_t* destination, int32_t format, int32_t pitch, uint8_t* palette) override;

  uint32_t planes() const { return planes_; }
  uint32_t bytes_per_line() const { return bytesPerLine_; }

 private:
  bool decode_line(uint8_t* line, uint32_t size);

  uint32_t planes_ = 0;        // 1 or 3
  uint32_t bytesPerLine_ = 0;  // per plane: width or width + 1
};
