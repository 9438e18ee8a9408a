// Writes a Song as FastTracker 2 XM bytes (version 1.04 layout, linear frequency table).
// Subtle: cells use the usual mask packing; sample data is stored as running differences.
#include "xm_writer.h"

#include <cstring>

namespace {

class Out {
 public:
  explicit Out(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  void u8(int v) { bytes_.push_back(static_cast<uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void u32(uint32_t v) {
    u16(static_cast<int>(v & 0xFFFF));
    u16(static_cast<int>(v >> 16));
  }
  void text(const std::string& s, size_t width, char pad) {
    for (size_t i = 0; i < width; ++i) u8(i < s.size() ? s[i] : pad);
  }
  void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  size_t size() const { return bytes_.size(); }
  void patch16(size_t at, int v) {
    bytes_[at] = static_cast<uint8_t>(v & 0xFF);
    bytes_[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }

 private:
  std::vector<uint8_t>& bytes_;
};

void write_cell(Out& out, const Cell& c) {
  bool fields[5] = {c.note != 0, c.instrument != 0, c.volume != 0, c.has_effect && c.effect != 0, c.has_effect && c.param != 0};
  uint8_t values[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
  if (fields[0] && fields[1] && fields[2] && fields[3] && fields[4]) {
    for (uint8_t v : values) out.u8(v);
    return;
  }
  int mask = 0x80;
  for (int i = 0; i < 5; ++i)
    if (fields[i]) mask |= 1 << i;
  out.u8(mask);
  for (int i = 0; i < 5; ++i)
    if (fields[i]) out.u8(values[i]);
}

bool check_envelope(const Envelope& e, const std::string& what, std::string& error) {
  if (e.points.size() > 12) {
    error = what + ": more than 12 envelope points";
    return false;
  }
  int n = static_cast<int>(e.points.size());
  if (e.sustain >= n || e.loopStart >= n || e.loopEnd >= n || e.loopStart > e.loopEnd) {
    error = what + ": sustain or loop point outside the envelope";
    return false;
  }
  for (int i = 1; i < n; ++i)
    if (e.points[i].x <= e.points[i - 1].x) {
      error = what + ": envelope ticks must increase";
      return false;
    }
  return true;
}

void write_envelope_points(Out& out, const Envelope& e) {
  for (size_t i = 0; i < 12; ++i) {
    EnvelopePoint p = i < e.points.size() ? e.points[i] : EnvelopePoint{};
    out.u16(p.x);
    out.u16(p.y);
  }
}

int envelope_type(const Envelope& e) {
  if (e.points.size() < 2) return 0;
  return 1 | (e.sustain >= 0 ? 2 : 0) | (e.loopStart >= 0 ? 4 : 0);
}

void write_instrument(Out& out, const Instrument& ins) {
  const SampleData& s = ins.sample;
  const uint32_t bytesPerFrame = s.bits == 16 ? 2 : 1;
  out.u32(263);  // instrument header size, FastTracker 2's value
  out.text(ins.name, 22, '\0');
  out.u8(0);
  out.u16(1);    // one sample
  out.u32(40);   // sample header size
  out.zeros(96); // every note maps to sample 0
  write_envelope_points(out, ins.volumeEnvelope);
  write_envelope_points(out, ins.panningEnvelope);
  out.u8(static_cast<int>(ins.volumeEnvelope.points.size()));
  out.u8(static_cast<int>(ins.panningEnvelope.points.size()));
  const Envelope* envs[2] = {&ins.volumeEnvelope, &ins.panningEnvelope};
  for (const Envelope* e : envs) {
    out.u8(e->sustain < 0 ? 0 : e->sustain);
    out.u8(e->loopStart < 0 ? 0 : e->loopStart);
    out.u8(e->loopEnd < 0 ? 0 : e->loopEnd);
  }
  out.u8(envelope_type(ins.volumeEnvelope));
  out.u8(envelope_type(ins.panningEnvelope));
  out.u8(ins.vibratoType);
  out.u8(ins.vibratoSweep);
  out.u8(ins.vibratoDepth);
  out.u8(ins.vibratoRate);
  out.u16(ins.fadeout);
  out.zeros(263 - 241);  // reserved up to the header size

  int type = (s.loop == LoopKind::Forward ? 1 : s.loop == LoopKind::PingPong ? 2 : 0) | (s.bits == 16 ? 16 : 0);
  out.u32(static_cast<uint32_t>(s.frames.size()) * bytesPerFrame);
  out.u32(s.loop == LoopKind::None ? 0 : s.loopStart * bytesPerFrame);
  out.u32(s.loop == LoopKind::None ? 0 : s.loopLength * bytesPerFrame);
  out.u8(ins.volume);
  out.u8(s.finetune & 0xFF);
  out.u8(type);
  out.u8(ins.panning);
  out.u8(s.relativeNote & 0xFF);
  out.u8(0);
  out.text(ins.name, 22, '\0');

  int previous = 0;
  for (int16_t frame : s.frames) {
    int value = s.bits == 16 ? frame : (frame >> 8);
    int delta = value - previous;
    previous = value;
    if (s.bits == 16) out.u16(delta & 0xFFFF);
    else out.u8(delta & 0xFF);
  }
}

}  // namespace

bool write_xm(const Song& song, std::vector<uint8_t>& bytes, std::string& error) {
  const int channels = static_cast<int>(song.channels.size());
  if (channels < 1 || channels > 32) {
    error = "a tune has 1 to 32 channels";
    return false;
  }
  if (song.orders.empty() || song.orders.size() > 256 || song.patterns.size() > 256 || song.instruments.size() > 128) {
    error = "order list, pattern or instrument count out of range";
    return false;
  }
  if (song.restart < 0 || song.restart >= static_cast<int>(song.orders.size())) {
    error = "restart position beyond the order list";
    return false;
  }
  for (const Instrument& ins : song.instruments) {
    if (!check_envelope(ins.volumeEnvelope, ins.name, error) || !check_envelope(ins.panningEnvelope, ins.name, error)) return false;
    const SampleData& s = ins.sample;
    if (s.loop != LoopKind::None && (s.loopLength == 0 || s.loopStart + s.loopLength > s.frames.size())) {
      error = ins.name + ": loop outside the sample";
      return false;
    }
  }
  bytes.clear();
  Out out(bytes);
  out.text("Extended Module: ", 17, ' ');
  out.text(song.name, 20, ' ');
  out.u8(0x1A);
  out.text("xmgen", 20, ' ');
  out.u16(0x0104);
  out.u32(276);  // header size from this field: 20 bytes of fields and the 256-byte order table
  out.u16(static_cast<int>(song.orders.size()));
  out.u16(song.restart);
  out.u16(channels);
  out.u16(static_cast<int>(song.patterns.size()));
  out.u16(static_cast<int>(song.instruments.size()));
  out.u16(1);  // linear frequency table
  out.u16(song.speed);
  out.u16(song.bpm);
  for (int i = 0; i < 256; ++i) out.u8(i < static_cast<int>(song.orders.size()) ? song.orders[i] : 0);

  for (const Pattern& p : song.patterns) {
    if (p.rows < 1 || p.rows > 256 || p.cells.size() != static_cast<size_t>(p.rows) * channels) {
      error = "pattern " + p.name + " has a bad size";
      return false;
    }
    out.u32(9);
    out.u8(0);
    out.u16(p.rows);
    size_t sizeAt = out.size();
    out.u16(0);
    size_t start = out.size();
    for (const Cell& c : p.cells) write_cell(out, c);
    size_t packed = out.size() - start;
    if (packed > 0xFFFF) {
      error = "pattern " + p.name + " packs to more than 65535 bytes";
      return false;
    }
    out.patch16(sizeAt, static_cast<int>(packed));
  }
  for (const Instrument& ins : song.instruments) write_instrument(out, ins);
  return true;
}
