// The XM loader: header, packed patterns, instruments, sample headers and delta-coded data.
// Well-formed files load exactly as FastTracker 2 stores them; malformed fields are mended so the
// player and mixer never index outside a record or buffer:
//   refused: channel count 0 or above 32, more than 256 stored patterns or instruments, more than
//            16 samples in an instrument, a pattern of more than 256 rows;
//   clamped: song length 0 -> 1 and above 256 -> 256; restart position at or beyond the song
//            length -> 0; default BPM 0 -> 125 and above 255 -> 255; a pattern of 0 rows -> 64
//            empty rows; envelope point counts above 12 -> 12; a sustain point at or beyond the
//            point count clears the sustain bit, a loop point there clears the loop bit; sample
//            data past the end of the file or beyond kMaxSampleLength is cut off (the rest of an
//            over-long sample is skipped); a loop starting at or beyond the (cut) end makes the
//            sample unlooped, a loop running past it is shortened to end there.
#include "music/xm_loader.h"

#include <cstdlib>
#include <cstring>

#include "music/module.h"
#include "music/player.h"
#include "music/stream.h"

namespace {

// Little-endian reads through the stream; bytes beyond the end read as 0.
struct Reader {
  void* handle;
  int64_t size;

  uint8_t u8() {
    uint8_t b[1] = {0};
    stream_read(b, 1, handle);
    return b[0];
  }
  uint16_t u16() {
    uint8_t b[2] = {0, 0};
    stream_read(b, 2, handle);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  uint32_t u32() {
    uint8_t b[4] = {0, 0, 0, 0};
    stream_read(b, 4, handle);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
  }
  void bytes(void* destination, int32_t count) { stream_read(destination, count, handle); }
  void seek(int64_t position) { stream_seek(handle, position, 0); }
  void skip(int64_t count) { stream_seek(handle, count, 1); }
  int64_t tell() { return stream_tell(handle); }
  int64_t remaining() { return size - tell(); }
};

constexpr int kMaxChannels = 32;
constexpr int kMaxRows = 256;
constexpr int kMaxPatterns = 256;
constexpr int kMaxInstruments = 256;
constexpr int kEnvelopePoints = 12;

void read_cell(Reader& in, PatternCell* cell) {
  uint8_t b = in.u8();
  if (b & 0x80) {
    if (b & 0x01) cell->note = in.u8();
    if (b & 0x02) cell->instrument = in.u8();
    if (b & 0x04) cell->volume = in.u8();
    if (b & 0x08) cell->effect = in.u8();
    if (b & 0x10) cell->param = in.u8();
  } else {
    if (b) cell->note = b;
    cell->instrument = in.u8();
    cell->volume = in.u8();
    cell->effect = in.u8();
    cell->param = in.u8();
  }
  if (cell->note == 97) cell->note = 255;
  if (cell->instrument > 128) cell->instrument = 0;
}

bool empty_pattern(Pattern* pattern, int32_t rows, int channels) {
  pattern->rowCount = rows;
  pattern->cells = static_cast<PatternCell*>(std::calloc(static_cast<size_t>(rows) * channels, sizeof(PatternCell)));
  return pattern->cells != nullptr || channels == 0;
}

bool read_patterns(Reader& in, Module* module, int storedPatterns) {
  int channels = module->channelCount;
  for (int p = 0; p < storedPatterns; ++p) {
    in.u32();  // header length: always taken as 9
    in.u8();   // packing type
    int32_t rows = in.u16();
    uint16_t packedSize = in.u16();
    if (rows > kMaxRows) return false;
    Pattern* pattern = &module->patterns[p];
    if (rows == 0) {
      if (!empty_pattern(pattern, 64, channels)) return false;
      continue;
    }
    if (!empty_pattern(pattern, rows, channels)) return false;
    if (packedSize == 0) continue;
    int32_t cellCount = rows * channels;
    // At the end of the file every further cell reads as empty, which the zeroed cells already are.
    for (int32_t c = 0; c < cellCount && in.remaining() > 0; ++c) read_cell(in, &pattern->cells[c]);
  }
  for (int p = storedPatterns; p < module->patternSlots; ++p)
    if (!empty_pattern(&module->patterns[p], 64, channels)) return false;
  return true;
}

void read_envelope(Reader& in, EnvelopePoint* points) {
  for (int i = 0; i < kEnvelopePoints; ++i) {
    points[i].x = in.u16();
    points[i].y = in.u16();
  }
}

// Point indices the player follows must name stored points.
void mend_envelope(uint8_t* count, uint8_t* type, uint8_t sustain, uint8_t loopStart, uint8_t loopEnd) {
  if (*count > kEnvelopePoints) *count = kEnvelopePoints;
  if (*count < 2) *type = 0;
  if (sustain >= *count) *type &= static_cast<uint8_t>(~2);
  if (loopStart >= *count || loopEnd >= *count) *type &= static_cast<uint8_t>(~4);
}

void read_instrument_header(Reader& in, Instrument* instrument) {
  in.u32();  // sample header size: 40 is assumed
  in.bytes(instrument->noteSample, 96);
  read_envelope(in, instrument->volumeEnvelope);
  read_envelope(in, instrument->panningEnvelope);
  instrument->volumePointCount = in.u8();
  instrument->panningPointCount = in.u8();
  instrument->volumeSustain = in.u8();
  instrument->volumeLoopStart = in.u8();
  instrument->volumeLoopEnd = in.u8();
  instrument->panningSustain = in.u8();
  instrument->panningLoopStart = in.u8();
  instrument->panningLoopEnd = in.u8();
  instrument->volumeType = in.u8();
  instrument->panningType = in.u8();
  instrument->vibratoType = in.u8();
  instrument->vibratoSweep = in.u8();
  instrument->vibratoDepth = in.u8();
  instrument->vibratoRate = in.u8();
  instrument->fadeout = static_cast<uint16_t>(in.u16() * 2);
  mend_envelope(&instrument->volumePointCount, &instrument->volumeType, instrument->volumeSustain,
                instrument->volumeLoopStart, instrument->volumeLoopEnd);
  mend_envelope(&instrument->panningPointCount, &instrument->panningType, instrument->panningSustain,
                instrument->panningLoopStart, instrument->panningLoopEnd);
}

void read_sample_header(Reader& in, Sample* sample) {
  sample->length = in.u32();
  sample->loopStart = in.u32();
  sample->loopLength = in.u32();
  sample->volume = in.u8();
  sample->finetune = static_cast<int8_t>(in.u8());
  uint8_t type = in.u8();
  sample->panning = in.u8();
  sample->relativeNote = static_cast<int8_t>(in.u8());
  in.u8();       // reserved
  in.skip(22);   // name
  sample->loopType = 1;
  if (type & 1) sample->loopType = 2;
  if (type & 2) sample->loopType = 4;
  sample->bits = (type & 0x10) ? 16 : 8;
  if (sample->loopType == 1) {
    sample->loopStart = 0;
    sample->loopLength = sample->length;
  }
  if (sample->bits == 16) {
    sample->length /= 2;
    sample->loopStart /= 2;
    sample->loopLength /= 2;
  }
  if (sample->loopLength == 0) {
    sample->loopStart = 0;
    sample->loopLength = sample->length;
    sample->loopType = 1;
  }
}

// Cuts the sample to the samples it can have and keeps its loop inside them.
void fit_sample(Sample* sample, uint32_t length) {
  sample->length = length;
  if (sample->loopType == 1) {
    sample->loopStart = 0;
    sample->loopLength = length;
    return;
  }
  if (sample->loopStart >= length) {
    sample->loopType = 1;
    sample->loopStart = 0;
    sample->loopLength = length;
  } else if (static_cast<uint64_t>(sample->loopStart) + sample->loopLength > length) {
    sample->loopLength = length - sample->loopStart;
  }
}

// Decodes one sample's bytes into its int16 buffer in place: 8-bit bytes are read into the upper
// half of the buffer and widened front to back, which never overwrites a byte not yet read.
void read_sample_data(Reader& in, Sample* sample, int64_t fileBytes) {
  if (sample->length == 0) {
    in.skip(fileBytes);
    return;
  }
  uint32_t length = sample->length;
  int16_t* data = sample->data;
  uint8_t* raw = reinterpret_cast<uint8_t*>(data);
  int64_t keptBytes;
  if (sample->bits == 8) {
    keptBytes = length;
    in.bytes(raw + length, static_cast<int32_t>(length));
    for (uint32_t i = 0; i < length; ++i) data[i] = static_cast<int16_t>(static_cast<uint16_t>(raw[length + i] << 8));
  } else {
    keptBytes = static_cast<int64_t>(length) * 2;
    in.bytes(raw, static_cast<int32_t>(keptBytes));
    for (uint32_t i = 0; i < length; ++i)
      data[i] = static_cast<int16_t>(static_cast<uint16_t>(raw[2 * i] | raw[2 * i + 1] << 8));
  }
  in.skip(fileBytes - keptBytes);
  sample->bits = 16;
  uint16_t sum = 0;
  for (uint32_t i = 0; i < length; ++i) {
    sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(data[i]));
    data[i] = static_cast<int16_t>(sum);
  }
  uint32_t loopEnd = sample->loopStart + sample->loopLength;
  if (sample->loopType == 2) data[loopEnd] = data[sample->loopStart];
  if (sample->loopType == 4) data[loopEnd] = data[loopEnd - 1];
}

bool read_instrument(Reader& in, Instrument* instrument) {
  int64_t start = in.tell();
  uint32_t headerSize = in.u32();
  in.skip(22 + 1);  // name, type
  uint16_t sampleCount = in.u16();
  if (sampleCount > 16) return false;
  if (sampleCount) read_instrument_header(in, instrument);
  in.seek(start + headerSize);
  for (int s = 0; s < 16; ++s) instrument->samples[s] = &EmptySample;
  if (sampleCount == 0) return true;

  int64_t fileBytes[16];
  for (int s = 0; s < sampleCount; ++s) {
    Sample* sample = static_cast<Sample*>(std::calloc(1, sizeof(Sample)));
    if (!sample) return false;
    instrument->samples[s] = sample;
    instrument->sampleCount = s + 1;
    read_sample_header(in, sample);
    fileBytes[s] = static_cast<int64_t>(sample->length) * (sample->bits / 8);
  }
  // Keep only what the file holds and the mixer can address.
  int64_t available = in.remaining();
  for (int s = 0; s < sampleCount; ++s) {
    Sample* sample = instrument->samples[s];
    int64_t bytesPerSample = sample->bits / 8;
    int64_t length = sample->length;
    if (length * bytesPerSample > available) length = available / bytesPerSample;
    if (length > kMaxSampleLength) length = kMaxSampleLength;
    available -= fileBytes[s] < available ? fileBytes[s] : available;
    fit_sample(sample, static_cast<uint32_t>(length));
    if (length > 0) {
      sample->data = static_cast<int16_t*>(std::calloc(static_cast<size_t>(length) + 8, sizeof(int16_t)));
      if (!sample->data) return false;
    }
  }
  for (int s = 0; s < sampleCount; ++s) read_sample_data(in, instrument->samples[s], fileBytes[s]);
  return true;
}

}  // namespace

bool xm_load(Module* module, void* stream) {
  Reader in{stream, 0};
  stream_seek(stream, 0, 2);
  in.size = stream_tell(stream);
  in.seek(0);
  char signature[17] = {};
  in.bytes(signature, 17);
  if (std::memcmp(signature, "Extended Module: ", 17) != 0) return false;

  module->tickHandler = process_tick;
  module->initialGlobalVolume = 64;
  in.seek(60);
  uint32_t headerSize = in.u32();
  uint16_t songLength = in.u16();
  uint16_t restart = in.u16();
  uint16_t channels = in.u16();
  uint16_t storedPatterns = in.u16();
  uint16_t instruments = in.u16();
  module->flags = static_cast<int16_t>(in.u16());
  module->defaultSpeed = static_cast<int16_t>(in.u16());
  uint16_t bpm = in.u16();
  in.bytes(module->orderTable, 256);
  in.seek(60 + static_cast<int64_t>(headerSize));

  if (channels == 0 || channels > kMaxChannels) return false;
  if (storedPatterns > kMaxPatterns || instruments > kMaxInstruments) return false;
  if (songLength == 0) songLength = 1;
  if (songLength > 256) songLength = 256;
  if (restart >= songLength) restart = 0;
  if (bpm == 0) bpm = 125;
  if (bpm > 255) bpm = 255;
  module->songLength = static_cast<int16_t>(songLength);
  module->restartPosition = static_cast<int16_t>(restart);
  module->channelCount = static_cast<int16_t>(channels);
  module->defaultBpm = static_cast<int16_t>(bpm);

  int32_t referenced = 0;
  for (int i = 0; i < songLength; ++i)
    if (module->orderTable[i] + 1 > referenced) referenced = module->orderTable[i] + 1;
  module->patternsReferenced = referenced;
  module->patternSlots = referenced > storedPatterns ? referenced : storedPatterns;
  module->patterns = static_cast<Pattern*>(std::calloc(static_cast<size_t>(module->patternSlots), sizeof(Pattern)));
  if (!module->patterns && module->patternSlots) return false;
  if (!read_patterns(in, module, storedPatterns)) return false;

  module->instruments = static_cast<Instrument*>(std::calloc(instruments ? instruments : 1, sizeof(Instrument)));
  if (!module->instruments) return false;
  // Every slot points somewhere before any can fail, so module_free sees consistent records.
  for (int i = 0; i < instruments; ++i)
    for (int s = 0; s < 16; ++s) module->instruments[i].samples[s] = &EmptySample;
  module->instrumentCount = static_cast<int16_t>(instruments);
  for (int i = 0; i < instruments; ++i)
    if (!read_instrument(in, &module->instruments[i])) return false;
  return true;
}
