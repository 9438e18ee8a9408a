// PCX header checks, run-length decoding per scan line, plane rearrangement and the palette.
// Every byte comes through the stream: a short read is the end of the data and fails the decode.
#include "image/pcx_reader.h"

#include <cstddef>
#include <cstdlib>

namespace {
// Offsets into the 128-byte header; all other fields are ignored.
constexpr int kManufacturer = 0, kVersion = 1, kEncoding = 2, kBitsPerPixel = 3;
constexpr int kXMin = 4, kYMin = 6, kXMax = 8, kYMax = 10;
constexpr int kPlanes = 65, kBytesPerLine = 66;

uint32_t le16(const uint8_t* header, int offset) {
  return static_cast<uint32_t>(header[offset]) | static_cast<uint32_t>(header[offset + 1]) << 8;
}
}  // namespace

bool PcxReader::read_header() {
  uint8_t header[kPcxHeaderSize];
  if (stream_->read(header, kPcxHeaderSize) < kPcxHeaderSize) return false;
  if (header[kManufacturer] != 10 || header[kVersion] > 5 || header[kEncoding] != 1 ||
      header[kBitsPerPixel] != 8)
    return false;
  uint32_t planes = header[kPlanes];
  if (planes != 1 && planes != 3) return false;
  int32_t width = static_cast<int32_t>(le16(header, kXMax)) - static_cast<int32_t>(le16(header, kXMin)) + 1;
  int32_t height = static_cast<int32_t>(le16(header, kYMax)) - static_cast<int32_t>(le16(header, kYMin)) + 1;
  // A minimum beyond its maximum would give an empty or negative size; no picture has one.
  if (width < 1 || height < 1) return false;
  uint32_t bytesPerLine = le16(header, kBytesPerLine);
  if (bytesPerLine != static_cast<uint32_t>(width) && bytesPerLine != static_cast<uint32_t>(width) + 1) return false;

  width_ = width;
  height_ = height;
  planes_ = planes;
  bytesPerLine_ = bytesPerLine;
  if (!formats_.append(planes == 1 ? FormatIndexed : FormatRgb)) return false;
  valid_ = true;
  return true;
}

// Fills one scan line (all planes). Runs are cut at the end of the line; a run of 0 stores nothing.
bool PcxReader::decode_line(uint8_t* line, uint32_t size) {
  uint32_t filled = 0;
  while (filled < size) {
    uint8_t b;
    if (stream_->read(&b, 1) == 0) return false;
    if (b < 0xC0) {
      line[filled++] = b;
      continue;
    }
    uint32_t run = b - 0xC0u;
    uint8_t value;
    if (stream_->read(&value, 1) == 0) return false;
    for (; run > 0 && filled < size; --run) line[filled++] = value;
  }
  return true;
}

bool PcxReader::decode(uint8_t* destination, int32_t format, int32_t pitch, uint8_t* palette) {
  if (!valid_ || !supports_format(format)) return false;
  uint32_t lineSize = planes_ * bytesPerLine_;
  auto* line = static_cast<uint8_t*>(std::malloc(lineSize));
  if (!line) return false;

  int32_t width = image_width();
  int32_t height = image_height();
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = destination + static_cast<ptrdiff_t>(y) * pitch;
    if (!decode_line(line, lineSize)) {
      std::free(line);
      return false;
    }
    for (uint32_t p = 0; p < planes_; ++p) {
      const uint8_t* plane = line + p * bytesPerLine_;
      for (int32_t x = 0; x < width; ++x) row[static_cast<uint32_t>(x) * planes_ + p] = plane[x];
    }
  }
  std::free(line);

  if (planes_ == 1 && palette) {
    uint8_t marker;
    if (stream_->read(&marker, 1) == 0 || marker != kPcxPaletteMarker) return false;
    if (stream_->read(palette, 768) < 768) return false;
  }
  return true;
}
