// The abstract image reader: a header step, then decoding into one of the formats it lists.
// The virtual operations keep a fixed order (header, width, height, formats, supports, decode,
// destructor); a reader borrows its stream and never rewinds it.
#pragma once
#include <cstdint>

#include "image/image_stream.h"
#include "image/int_list.h"

enum ImageFormat : int32_t {
  FormatRgb = 0,      // three bytes per pixel, in plane order
  FormatIndexed = 3,  // one palette index per pixel
};

class ImageReader {
 public:
  explicit ImageReader(ImageStream* stream) : stream_(stream) {}
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;

  virtual bool read_header() = 0;
  virtual int32_t image_width() { return width_; }
  virtual int32_t image_height() { return height_; }
  // out becomes a copy of the formats list.
  virtual void formats(IntList& out) { out.assign(formats_); }
  virtual bool supports_format(int32_t format) { return formats_.contains(format); }
  // destination rows are pitch bytes apart; palette (768 bytes) may be null.
  virtual bool decode(uint8_t* destination, int32_t format, int32_t pitch, uint8_t* palette) = 0;
  virtual ~ImageReader() = default;

  bool valid() const { return valid_; }

 protected:
  ImageStream* stream_;
  bool valid_ = false;  // set by a successful read_header
  int32_t width_ = 0;
  int32_t height_ = 0;
  IntList formats_;
};
