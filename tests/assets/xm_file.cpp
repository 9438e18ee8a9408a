// A small, bounds-checked XM reader for the asset tests. Subtle: unlike a player, it fails on any
// read past the end, so a generator that miscounts a size is caught here.
#include "xm_file.h"

#include <cstring>

namespace {
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  void seek(size_t p) {
    if (p > b_.size()) ok_ = false;
    else pos_ = p;
  }
  uint8_t u8() {
    if (pos_ >= b_.size()) {
      ok_ = false;
      return 0;
    }
    return b_[pos_++];
  }
  uint16_t u16() {
    uint16_t lo = u8();
    return static_cast<uint16_t>(lo | (u8() << 8));
  }
  uint32_t u32() {
    uint32_t lo = u16();
    return lo | (static_cast<uint32_t>(u16()) << 16);
  }

 private:
  const std::vector<uint8_t>& b_;
  size_t pos_ = 0;
  bool ok_ = true;
};
}  // namespace

bool read_xm(const std::vector<uint8_t>& bytes, XmFile& xm, std::string& error) {
  xm = XmFile{};
  if (bytes.size() < 336 || std::memcmp(bytes.data(), "Extended Module: ", 17) != 0) {
    error = "no XM signature";
    return false;
  }
  Reader in(bytes);
  in.seek(60);
  uint32_t headerSize = in.u32();
  xm.songLength = in.u16();
  xm.restart = in.u16();
  xm.channels = in.u16();
  xm.patternCount = in.u16();
  xm.instrumentCount = in.u16();
  xm.flags = in.u16();
  xm.speed = in.u16();
  xm.bpm = in.u16();
  for (int i = 0; i < 256; ++i) xm.orders.push_back(in.u8());
  xm.orders.resize(xm.songLength > 256 ? 256 : xm.songLength);
  in.seek(60 + headerSize);
  for (int p = 0; p < xm.patternCount && in.ok(); ++p) {
    uint32_t headerLength = in.u32();
    in.u8();
    int rows = in.u16();
    uint16_t packed = in.u16();
    in.seek(in.pos() - 9 + headerLength);
    size_t start = in.pos();
    std::vector<XmCell> cells(static_cast<size_t>(rows) * xm.channels);
    if (packed)
      for (XmCell& c : cells) {
        uint8_t b = in.u8();
        if (b & 0x80) {
          if (b & 1) c.note = in.u8();
          if (b & 2) c.instrument = in.u8();
          if (b & 4) c.volume = in.u8();
          if (b & 8) c.effect = in.u8();
          if (b & 16) c.param = in.u8();
        } else {
          c.note = b;
          c.instrument = in.u8();
          c.volume = in.u8();
          c.effect = in.u8();
          c.param = in.u8();
        }
      }
    if (in.ok() && in.pos() - start != packed) {
      error = "pattern " + std::to_string(p) + ": packed size does not match its data";
      return false;
    }
    xm.rows.push_back(rows);
    xm.cells.push_back(cells);
  }
  for (int i = 0; i < xm.instrumentCount && in.ok(); ++i) {
    XmInstrument ins;
    size_t start = in.pos();
    uint32_t size = in.u32();
    in.seek(start + 27);
    int sampleCount = in.u16();
    if (sampleCount > 16) {
      error = "more than 16 samples";
      return false;
    }
    if (sampleCount) {
      in.u32();
      in.seek(in.pos() + 96);
      for (int k = 0; k < 24; ++k) ins.volumeEnvelope.push_back(in.u16());
      for (int k = 0; k < 24; ++k) ins.panningEnvelope.push_back(in.u16());
      ins.volumePoints = in.u8();
      ins.panningPoints = in.u8();
      ins.volumeSustain = in.u8();
      ins.volumeLoopStart = in.u8();
      ins.volumeLoopEnd = in.u8();
      in.seek(in.pos() + 3);
      ins.volumeType = in.u8();
      ins.panningType = in.u8();
      ins.vibratoType = in.u8();
      ins.vibratoSweep = in.u8();
      ins.vibratoDepth = in.u8();
      ins.vibratoRate = in.u8();
      ins.fadeout = in.u16();
    }
    in.seek(start + size);
    for (int s = 0; s < sampleCount; ++s) {
      XmSample smp;
      size_t at = in.pos();
      smp.lengthBytes = in.u32();
      smp.loopStartBytes = in.u32();
      smp.loopLengthBytes = in.u32();
      smp.volume = in.u8();
      smp.finetune = static_cast<int8_t>(in.u8());
      smp.type = in.u8();
      smp.panning = in.u8();
      smp.relativeNote = static_cast<int8_t>(in.u8());
      in.seek(at + 40);
      ins.samples.push_back(smp);
    }
    for (XmSample& smp : ins.samples) {
      bool wide = smp.type & 16;
      if (smp.lengthBytes > bytes.size()) {
        error = "sample longer than the file";
        return false;
      }
      int16_t sum = 0;
      for (uint32_t k = 0; k < smp.lengthBytes / (wide ? 2 : 1); ++k) {
        int16_t delta = wide ? static_cast<int16_t>(in.u16()) : static_cast<int16_t>(static_cast<int8_t>(in.u8()) * 256);
        sum = static_cast<int16_t>(sum + delta);
        smp.values.push_back(sum);
      }
    }
    xm.instruments.push_back(ins);
  }
  if (!in.ok()) {
    error = "the file ends inside a record";
    return false;
  }
  xm.consumed = in.pos();
  return true;
}
