// LZSS streams: hand-made decoder inputs, the encoder's exact bytes, and round trips.
// Streams are read in awkward piece sizes on purpose: pending bytes are where decoders go wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/crt_rand.h"
#include "vfs/lzss.h"
#include "vfs_test_support.h"

namespace {
std::vector<uint8_t> bytes_of(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

std::string decode(const std::vector<uint8_t>& stream, uint32_t count, uint32_t piece = 1 << 20) {
  MemoryByteStream source(stream.data(), static_cast<uint32_t>(stream.size()));
  LzssDecoder decoder(&source);
  std::string out(count, '\0');
  uint32_t done = 0;
  while (done < count) {
    uint32_t ask = std::min(piece, count - done);
    uint32_t got = decoder.read(&out[done], ask);
    if (got == 0) break;
    done += got;
  }
  out.resize(done);
  return out;
}

std::vector<uint8_t> encode(const std::vector<uint8_t>& data, uint32_t piece = 1 << 20) {
  MemoryByteStream source(data.data(), static_cast<uint32_t>(data.size()));
  LzssEncoder encoder(&source);
  std::vector<uint8_t> out;
  std::vector<uint8_t> buffer(piece);
  while (uint32_t got = encoder.read(buffer.data(), piece)) out.insert(out.end(), buffer.begin(), buffer.begin() + got);
  return out;
}

std::vector<uint8_t> text_like(size_t size) {
  static const char* words[] = {"the ", "pattern ", "order ", "row ", "sample ", "volume ", "envelope ", "note\n"};
  std::vector<uint8_t> out;
  while (out.size() < size) {
    const char* w = words[crt_rand() % 8];
    out.insert(out.end(), w, w + std::strlen(w));
  }
  out.resize(size);
  return out;
}
}  // namespace

TEST(LzssDecoder, LiteralsOnly) {
  EXPECT_EQ(decode(bytes_of({0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}), 8), "ABCDEFGH");
}

TEST(LzssDecoder, MatchOverlapsTheBytesItProduces) {
  // A literal at 4078, then a match of 3 from 4078 while writing 4079..4081.
  EXPECT_EQ(decode(bytes_of({0x01, 'A', 0xEE, 0xF0}), 4), "AAAA");
}

TEST(LzssDecoder, UnwrittenRingReadsAsSpaces) {
  EXPECT_EQ(decode(bytes_of({0x00, 0x00, 0x02}), 5), "     ");            // position 0, length 5
  EXPECT_EQ(decode(bytes_of({0x00, 0xED, 0xFF}), 18), std::string(18, ' '));  // up to 4077, length 18
}

TEST(LzssDecoder, MatchTailWaitsInThePendingBuffer) {
  // "ABC" then a match of 18 from 4078: ABCABC...; read with n = 5 and then in small pieces.
  std::vector<uint8_t> stream = bytes_of({0x07, 'A', 'B', 'C', 0xEE, 0xFF});
  MemoryByteStream source(stream.data(), static_cast<uint32_t>(stream.size()));
  LzssDecoder decoder(&source);
  char out[32] = {};
  ASSERT_EQ(decoder.read(out, 5), 5u);  // three literals, two bytes of the match
  EXPECT_EQ(std::string(out, 5), "ABCAB");
  ASSERT_EQ(decoder.read(out, 4), 4u);  // from the pending buffer only
  EXPECT_EQ(std::string(out, 4), "CABC");
  ASSERT_EQ(decoder.read(out, 32), 12u);  // the remaining 12; then the source is dry
  EXPECT_EQ(std::string(out, 12), "ABCABCABCABC");
  EXPECT_EQ(decoder.read(out, 32), 0u);
}

TEST(LzssDecoder, AGroupOfMixedItems) {
  // Flags 0b0000'0101: literal X, match (4078, 3), literal Y, then the stream ends.
  EXPECT_EQ(decode(bytes_of({0x05, 'X', 0xEE, 0xF0, 'Y'}), 10), "XXXXY");
}

TEST(LzssDecoder, ResumesAnItemWhenTheSourceComesBack) {
  std::vector<uint8_t> data = text_like(20000);
  std::vector<uint8_t> stream = encode(data);
  // One byte per read and every third read delivers nothing: items are cut at every point.
  TrickleStream source(stream, 1, 3);
  LzssDecoder decoder(&source);
  std::vector<uint8_t> out(data.size());
  size_t done = 0;
  for (int idle = 0; done < out.size() && idle < 10;) {
    uint32_t got = decoder.read(out.data() + done, static_cast<uint32_t>(std::min<size_t>(7, out.size() - done)));
    done += got;
    idle = got ? 0 : idle + 1;
  }
  ASSERT_EQ(done, data.size());
  EXPECT_EQ(out, data);
}

TEST(LzssEncoder, EmptySourceGivesTheLoneByteZero) { EXPECT_EQ(encode({}), bytes_of({0x00})); }

TEST(LzssEncoder, EightUnmatchedBytesThenALoneFlagByte) {
  EXPECT_EQ(encode(bytes_of({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'})),
            bytes_of({0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x00}));
}

TEST(LzssEncoder, RepeatsBecomeOneOverlappingMatch) {
  // A literal A at 4078, then the longest match the look-ahead allows (3 more A's: length 3).
  EXPECT_EQ(encode(bytes_of({'A', 'A', 'A', 'A'})), bytes_of({0x01, 'A', 0xEE, 0xF0}));
  // Leading spaces match the prepared ring: one item covers 18 of them.
  std::vector<uint8_t> spaces(18, ' ');
  std::vector<uint8_t> stream = encode(spaces);
  ASSERT_EQ(stream.size(), 3u);
  EXPECT_EQ(stream[0], 0x00);
  EXPECT_EQ(stream[2] & 0x0F, 15);  // length 18
  EXPECT_EQ(decode(stream, 18), std::string(18, ' '));
}

TEST(LzssCodec, RoundTripsRandomRepetitiveAndTextData) {
  std::vector<std::vector<uint8_t>> inputs;
  std::vector<uint8_t> noise(70000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(crt_rand());
  inputs.push_back(noise);
  inputs.push_back(std::vector<uint8_t>(50000, 0x00));
  std::vector<uint8_t> runs;
  for (int i = 0; i < 40000; ++i) runs.push_back(static_cast<uint8_t>((i / 37) % 5));
  inputs.push_back(runs);
  inputs.push_back(text_like(100000));
  for (size_t size : {1u, 2u, 3u, 17u, 18u, 19u, 4095u, 4096u, 4097u}) inputs.push_back(text_like(size));

  for (const std::vector<uint8_t>& data : inputs) {
    for (uint32_t piece : {1u, 5u, 17u, 4096u}) {
      std::vector<uint8_t> stream = encode(data, piece);
      ASSERT_EQ(stream, encode(data)) << "encoder output depends on the read size " << piece;
      std::string back = decode(stream, static_cast<uint32_t>(data.size()), piece == 4096 ? 1 << 20 : piece + 2);
      ASSERT_EQ(back, std::string(data.begin(), data.end())) << "size " << data.size() << " piece " << piece;
    }
  }
}

TEST(LzssCodec, CompressesWhatRepeats) {
  std::vector<uint8_t> text = text_like(100000);
  EXPECT_LT(encode(text).size(), text.size() / 2);
  std::vector<uint8_t> zeros(100000, 0);
  // At best 18 bytes per two-byte item and a flag byte per eight items: 17 bytes per 144.
  EXPECT_LE(encode(zeros).size(), zeros.size() * 17 / 144 + 8);
}
