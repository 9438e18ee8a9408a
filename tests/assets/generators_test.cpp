// The generators' own rules: the font compiler, the picture, the PCX encoder, the score language
// (tokens, placement, inheritance, errors), the sample recipes and the XM writer's round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "font_source.h"
#include "pcx_image.h"
#include "pcx_writer.h"
#include "phrase.h"
#include "picture.h"
#include "score.h"
#include "synth.h"
#include "xm_file.h"
#include "xm_writer.h"

namespace {

std::string read_text(const std::string& relative) {
  const char* root = std::getenv("K417_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/" + relative, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const uint8_t* record(const std::vector<uint8_t>& font, char c) { return &font[glyph_record(c) * kRecordBytes]; }

// ----------------------------------------------------------------------------- font

TEST(FontSource, TellingRecordsAreExactAndTheRestFollowTheRules) {
  std::vector<uint8_t> font;
  std::string error;
  ASSERT_TRUE(compile_font(read_text("assets/font/glyphs.txt"), font, error)) << error;
  ASSERT_EQ(font.size(), 1440u);
  const uint8_t a[40] = {1, 64, 8, 112, 120, 1, 16, 120, 64, 8, 1, 33, 80, 94, 80};
  const uint8_t b[40] = {1, 16, 8, 16, 120, 1, 16, 8, 80, 8, 1, 16, 120, 80, 120, 1, 16, 64, 80, 64, 3, 80, 8, 64, 112, 3, 80, 64, 120, 112};
  const uint8_t i[40] = {1, 64, 8, 64, 120};
  const uint8_t o[40] = {2, 16, 64, 112, 8, 2, 16, 64, 112, 120};
  const uint8_t nine[40] = {1, 28, 64, 100, 64};
  EXPECT_EQ(0, memcmp(record(font, 'A'), a, 40));
  EXPECT_EQ(0, memcmp(record(font, 'B'), b, 40));
  EXPECT_EQ(0, memcmp(record(font, 'I'), i, 40));
  EXPECT_EQ(0, memcmp(record(font, 'O'), o, 40));
  EXPECT_EQ(0, memcmp(record(font, '9'), nine, 40));
  for (int g = 0; g < kGlyphCount; ++g) {
    int strokes = 0;
    for (int s = 0; s < kStrokesPerGlyph; ++s) {
      const uint8_t* k = &font[g * kRecordBytes + s * 5];
      if (k[0] == 0) {
        for (int j = 1; j < 5; ++j) EXPECT_EQ(k[j], 0) << "glyph " << g;
        continue;
      }
      ++strokes;
      EXPECT_LE(k[0], 3);
      for (int j = 1; j < 5; ++j) EXPECT_TRUE(k[j] >= 8 && k[j] <= 120) << "glyph " << g;
    }
    EXPECT_GT(strokes, 0) << "glyph " << g;
  }
}

TEST(FontSource, RejectsBrokenSourcesNamingTheLine) {
  std::string full = read_text("assets/font/glyphs.txt");
  std::vector<uint8_t> font;
  std::string error;
  auto without = [&](const std::string& line) {
    std::string s = full;
    s.erase(s.find(line), line.size());
    return s;
  };
  EXPECT_FALSE(compile_font(without("\nT  line 16 8 112 8 ; line 64 8 64 120"), font, error));
  EXPECT_NE(error.find("'T' is missing"), std::string::npos) << error;
  EXPECT_FALSE(compile_font(full + "A line 16 8 16 120\n", font, error));
  EXPECT_NE(error.find("twice"), std::string::npos) << error;
  EXPECT_FALSE(compile_font("Q line 16 8 16 121\n", font, error));
  EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
  std::string nine = "\n\nQ ";
  for (int k = 0; k < 9; ++k) nine += "line 16 8 16 120 ; ";
  EXPECT_FALSE(compile_font(nine, font, error));
  EXPECT_NE(error.find("line 3: more than 8"), std::string::npos) << error;
  EXPECT_FALSE(compile_font("Q curve 1 2 3 4\n", font, error));
  EXPECT_FALSE(compile_font("Q line 16 8 16\n", font, error));
  EXPECT_FALSE(compile_font("% line 16 8 16 20\n", font, error));
}

// ----------------------------------------------------------------------------- picture and PCX

TEST(Picture, PaletteIsFourRampsFromBlackAndTheTileHasNoSeam) {
  PictureRecipe recipe;
  std::string error;
  ASSERT_TRUE(parse_recipe(read_text("assets/picture/texture.txt"), recipe, error)) << error;
  static Picture picture;
  ASSERT_TRUE(make_picture(recipe, picture, error)) << error;
  auto brightness = [&](int index) { return picture.palette[index * 3] + picture.palette[index * 3 + 1] + picture.palette[index * 3 + 2]; };
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(brightness(r * 64), 0) << "ramp " << r;
    EXPECT_GT(brightness(r * 64 + 63), 600) << "ramp " << r;
    for (int p = 1; p < 64; ++p) EXPECT_GE(brightness(r * 64 + p), brightness(r * 64 + p - 1)) << "ramp " << r << " at " << p;
  }
  // The tile repeats: the step from the last column to the first is no larger than a typical step
  // between neighbours inside the picture (a non-periodic picture shows a seam there).
  auto lum = [&](int x, int y) { return brightness(picture.pixels[(y & 63) * 64 + (x & 63)]); };
  double inner = 0, seamX = 0, seamY = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 63; ++x) inner += std::abs(lum(x + 1, y) - lum(x, y));
  inner /= 64 * 63;
  for (int k = 0; k < 64; ++k) {
    seamX += std::abs(lum(0, k) - lum(63, k));
    seamY += std::abs(lum(k, 0) - lum(k, 63));
  }
  EXPECT_LT(seamX / 64, inner * 2);
  EXPECT_LT(seamY / 64, inner * 2);
  int used[4] = {0, 0, 0, 0};
  for (uint8_t p : picture.pixels) used[p / 64]++;
  for (int r = 0; r < 4; ++r) EXPECT_GT(used[r], 200) << "ramp " << r << " hardly used";
}

TEST(Picture, RecipeErrors) {
  PictureRecipe recipe;
  std::string error;
  EXPECT_FALSE(parse_recipe("colour 3\n", recipe, error));
  EXPECT_FALSE(parse_recipe("ramp 0 000000 63 ffffff\n", recipe, error));  // one ramp only
  EXPECT_NE(error.find("four ramps"), std::string::npos);
  PictureRecipe bad;
  EXPECT_FALSE(parse_recipe("ramp 0 000000 40 ffffff 30 000000\n", bad, error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
  PictureRecipe grey;
  ASSERT_TRUE(parse_recipe("ramp 0 101010 63 ffffff\nramp 0 000000 63 ffffff\nramp 0 000000 63 ffffff\nramp 0 000000 63 ffffff\n", grey, error));
  static Picture p;
  EXPECT_FALSE(make_picture(grey, p, error));  // index 0 must be black
}

TEST(PcxWriter, RunsStayInTheirLineAndHighValuesAreEscaped) {
  const int w = 70, h = 3;
  std::vector<uint8_t> pixels(w * h);
  for (int x = 0; x < w; ++x) {
    pixels[x] = 0xC5;                          // a run longer than 63 of a value needing a run byte
    pixels[w + x] = static_cast<uint8_t>(x);   // no runs; 0..69 never needs escaping
    pixels[2 * w + x] = x < 35 ? 0xC0 : 0x3F;  // 0xC0 singles would be taken for a count
  }
  pixels[2 * w + 34] = 0xFF;
  uint8_t palette[768];
  for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> file = encode_pcx(pixels.data(), w, h, palette);
  EXPECT_EQ(file[0], 10);
  EXPECT_EQ(file[1], 5);
  EXPECT_EQ(file[2], 1);
  EXPECT_EQ(file[3], 8);
  EXPECT_EQ(file[8] | (file[9] << 8), w - 1);
  EXPECT_EQ(file[10] | (file[11] << 8), h - 1);
  EXPECT_EQ(file[65], 1);
  EXPECT_EQ(file[66] | (file[67] << 8), w);
  ASSERT_EQ(file[file.size() - 769], 12);
  EXPECT_EQ(0, memcmp(&file[file.size() - 768], palette, 768));
  RgbaImage image;
  std::string error;
  ASSERT_TRUE(decode_pcx_rgba(file, image, error)) << error;
  for (int i = 0; i < w * h; ++i) {
    ASSERT_EQ(image.pixels[i * 4], palette[pixels[i] * 3]) << "pixel " << i;
    ASSERT_EQ(image.pixels[i * 4 + 2], palette[pixels[i] * 3 + 2]) << "pixel " << i;
  }
  file.resize(file.size() - 800);  // cut into the image data: a clean failure, no crash
  EXPECT_FALSE(decode_pcx_rgba(file, image, error));
}

// ----------------------------------------------------------------------------- score language

TEST(ScoreTokens, NotesVolumesEffectsAndErrors) {
  PhraseCell c;
  std::string error;
  ASSERT_TRUE(parse_cell_token("C#4v40[304]", c, error)) << error;
  EXPECT_EQ(c.note, 4 * 12 + 1 + 1);
  EXPECT_EQ(c.volume, 0x10 + 40);
  EXPECT_TRUE(c.volumeIsSet);
  EXPECT_EQ(c.effect, 3);
  EXPECT_EQ(c.param, 0x04);
  ASSERT_TRUE(parse_cell_token("Bb2@bass!", c, error));
  EXPECT_EQ(c.note, 2 * 12 + 10 + 1);
  EXPECT_EQ(c.instrument, "bass");
  EXPECT_TRUE(c.noInstrument);
  ASSERT_TRUE(parse_cell_token("^", c, error));
  EXPECT_EQ(c.note, 97);
  ASSERT_TRUE(parse_cell_token(".vu1[R91]", c, error));
  EXPECT_EQ(c.note, 0);
  EXPECT_EQ(c.volume, 0x91);
  EXPECT_FALSE(c.volumeIsSet);
  EXPECT_EQ(c.effect, 27);
  EXPECT_EQ(c.param, 0x91);
  ASSERT_TRUE(parse_cell_token("-vpC[ED1]", c, error));
  EXPECT_EQ(c.volume, 0xCC);
  EXPECT_EQ(c.effect, 14);
  EXPECT_EQ(c.param, 0xD1);
  EXPECT_EQ(note_number("B-7"), 96);
  EXPECT_EQ(note_number("C-0"), 1);
  EXPECT_EQ(note_number("Cb0"), 0);  // below the range
  for (const char* bad : {"H4", "C4[3G0]", "C4v65", "C4[304][401]", "C4x", "C", "C4[30]", "vq1"})
    EXPECT_FALSE(parse_cell_token(bad, c, error)) << bad;
}

TEST(ScoreTokens, StepsGroupsAndRepeats) {
  Phrase p;
  p.step = 2;
  std::string error;
  ASSERT_TRUE(append_phrase_tokens({"(", "C4", ".", ")*3", "D4*2"}, p, error)) << error;
  ASSERT_EQ(p.rows.size(), 16u);
  for (int r = 0; r < 12; ++r) EXPECT_EQ(p.rows[r].note, r % 4 == 0 ? 49 : 0) << r;
  EXPECT_EQ(p.rows[12].note, 51);
  EXPECT_EQ(p.rows[14].note, 51);
  Phrase q;
  EXPECT_FALSE(append_phrase_tokens({"(", "C4"}, q, error));
  EXPECT_FALSE(append_phrase_tokens({")"}, q, error));
  EXPECT_FALSE(append_phrase_tokens({"C4*0"}, q, error));
}

const char* kTinyHeader =
    "song \"t\"\nspeed 3\nbpm 125\nchannels a b\n"
    "instrument s\n synth tone shape=square period=32 harmonics=8\n venv 0:64 10:32 sustain=1\nend\n"
    "instrument t like s\n panning 10\nend\n";

bool compile(const std::string& text, Song& song, std::string& error) { return compile_score({{"t.txt", text}}, song, error); }

TEST(ScorePlacement, TransposeScaleTieInheritAndCut) {
  std::string text = std::string(kTinyHeader) +
                     "phrase p inst=s\n A4 B4v32 ^ C5[304]\nend\n"
                     "pattern one rows=16\n a p+2~32 p-12@t\n b at=14 cut p&\nend\n"
                     "pattern two like one\n a\n b + .dummy\nend\n";
  Song song;
  std::string error;
  // "dummy" is no phrase: the overlay line is reported with its file and line.
  EXPECT_FALSE(compile(text, song, error));
  EXPECT_EQ(error.rfind("t.txt:", 0), 0u) << error;
  text.replace(text.find(" b + .dummy"), 11, " b + _1 p");  // p again from row 1, over the tie at 14
  text += "order one two\n";
  ASSERT_TRUE(compile(text, song, error)) << error;
  ASSERT_EQ(song.patterns.size(), 2u);
  const Pattern& one = song.patterns[0];
  auto cell = [&](const Pattern& p, int row, int ch) { return p.cells[row * 2 + ch]; };
  // p+2~32: B4 with volume 32, then C#5 scaled 32*32/64 = 16, key off, D5 with its effect.
  EXPECT_EQ(cell(one, 0, 0).note, 58 + 2);
  EXPECT_EQ(cell(one, 0, 0).instrument, 1);
  EXPECT_EQ(cell(one, 0, 0).volume, 0x10 + 32);
  EXPECT_EQ(cell(one, 2, 0).volume, 0x10 + 16);
  EXPECT_EQ(cell(one, 4, 0).note, 97);
  EXPECT_EQ(cell(one, 4, 0).instrument, 0);
  EXPECT_EQ(cell(one, 6, 0).effect, 3);
  EXPECT_EQ(cell(one, 6, 0).param, 0x04);
  // p-12@t: an octave down on instrument t, volumes untouched.
  EXPECT_EQ(cell(one, 8, 0).note, 58 - 12);
  EXPECT_EQ(cell(one, 8, 0).instrument, 2);
  EXPECT_EQ(cell(one, 8, 0).volume, 0);
  EXPECT_EQ(cell(one, 10, 0).volume, 0x10 + 32);
  // b at=14 cut p&: the tied first note has no instrument and slides at full speed; the rest is cut.
  EXPECT_EQ(cell(one, 14, 1).note, 58);
  EXPECT_EQ(cell(one, 14, 1).instrument, 0);
  EXPECT_EQ(cell(one, 14, 1).effect, 3);
  EXPECT_EQ(cell(one, 14, 1).param, 0xFF);
  for (int r = 0; r < 14; ++r) EXPECT_TRUE(cell(one, r, 1).empty()) << r;
  // "two" inherits everything: channel a (named without items) is cleared, b is overlaid.
  const Pattern& two = song.patterns[1];
  for (int r = 0; r < 16; ++r) EXPECT_TRUE(cell(two, r, 0).empty()) << r;
  EXPECT_EQ(cell(two, 1, 1).note, 58);
  EXPECT_EQ(cell(two, 14, 1).effect, 3);
  EXPECT_EQ(song.orders, (std::vector<int>{0, 1}));
}

TEST(ScorePlacement, ErrorsAreReportedWithTheirLine) {
  struct Case {
    const char* body;
    const char* message;
  } cases[] = {
      {"phrase p inst=s\n C4*9\nend\npattern x rows=16\n a p\nend\n", "runs past"},
      {"phrase p inst=s\n C4\nend\npattern x rows=16\n a p\n a p\nend\n", "set twice"},
      {"phrase p\n C4\nend\npattern x rows=16\n a p\nend\n", "without an instrument"},
      {"phrase p inst=s\n C0\nend\npattern x rows=16\n a p-1\nend\n", "out of range"},
      {"phrase p inst=zz\n C4\nend\npattern x rows=16\n a p\nend\n", "no instrument 'zz'"},
      {"pattern x rows=16\n c _2\nend\n", "no channel 'c'"},
      {"phrase p inst=s\n C4\norder\n", "without 'end'"},
      {"order nothing\n", "no pattern 'nothing'"},
      {"instrument u\n synth tone colour=red\nend\n", "unknown setting 'colour'"},
      {"instrument u\n synth tone period=4\nend\n", "period=4"},
      {"instrument u\n volume 20\nend\n", "without a synth"},
      {"instrument u\n synth noise\n venv 0:64 0:32\nend\npattern z rows=4\nend\norder z\n", "ticks must increase"},
  };
  for (const Case& c : cases) {
    Song song;
    std::string error;
    std::string text = std::string(kTinyHeader) + c.body;
    if (text.find("order") == std::string::npos) text += "pattern z rows=4\nend\norder z\n";
    bool ok = compile(text, song, error);
    if (ok) {
      std::vector<uint8_t> bytes;
      ok = write_xm(song, bytes, error);
    }
    EXPECT_FALSE(ok) << c.body;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.body << " -> " << error;
  }
}

// ----------------------------------------------------------------------------- sample recipes

TEST(Synth, TonesAreSeamlessLoopsTunedToConcertPitch) {
  SampleData s;
  std::string error;
  ASSERT_TRUE(synthesize({"tone", {{"shape", "saw"}, {"period", "64"}, {"cycles", "3"}}}, s, error)) << error;
  ASSERT_EQ(s.frames.size(), 192u);
  EXPECT_EQ(s.loop, LoopKind::Forward);
  EXPECT_EQ(s.loopStart + s.loopLength, 192u);
  for (int n = 0; n < 128; ++n) ASSERT_NEAR(s.frames[n], s.frames[n + 64], 1) << n;
  // C-4 plays middle C: 8363 Hz * 2^((relnote + finetune/128)/12) / 64 frames within 2 cents.
  double semis = s.relativeNote + s.finetune / 128.0;
  double middleC = 8363.0 * std::pow(2.0, semis / 12.0) / 64.0;
  EXPECT_NEAR(1200.0 * std::log2(middleC / 261.6255653), 0.0, 2.0);
  int peak = 0;
  for (int16_t v : s.frames) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_NEAR(peak, 0.9 * 32767, 2);

  // Detuned voices straddle the pitch: the two strongest partials of a two-voice sine lie the
  // same number of bins either side of the nominal one, so neither voice plays in tune alone.
  SampleData pair;
  ASSERT_TRUE(synthesize({"tone", {{"shape", "sine"}, {"period", "64"}, {"cycles", "16"}, {"voices", "2"}}}, pair, error)) << error;
  ASSERT_EQ(pair.loopStart + pair.loopLength, pair.frames.size());
  const int length = static_cast<int>(pair.loopLength), nominal = length / 64;
  ASSERT_EQ(length % 64, 0);
  std::vector<std::pair<double, int>> bins;
  for (int k = nominal - 4; k <= nominal + 4; ++k) {
    double re = 0, im = 0;
    for (int n = 0; n < length; ++n) {
      re += pair.frames[n] * std::cos(2.0 * M_PI * k * n / length);
      im += pair.frames[n] * std::sin(2.0 * M_PI * k * n / length);
    }
    bins.push_back({re * re + im * im, k});
  }
  std::sort(bins.rbegin(), bins.rend());
  EXPECT_NE(bins[0].second, nominal);
  EXPECT_EQ(bins[0].second + bins[1].second, 2 * nominal) << bins[0].second << " and " << bins[1].second;
}

TEST(Synth, BellsLoopTheirTailAndNoiseHonoursBitsAndLoops) {
  SampleData bell;
  std::string error;
  ASSERT_TRUE(synthesize({"fm", {{"time", "0.1"}, {"cycles", "4"}}}, bell, error)) << error;
  EXPECT_GT(bell.loopStart, 0u);
  EXPECT_EQ(bell.loopLength, 256u);
  EXPECT_EQ(bell.loopStart + bell.loopLength, bell.frames.size());
  for (uint32_t n = bell.loopStart; n + 64 < bell.frames.size(); ++n) ASSERT_NEAR(bell.frames[n], bell.frames[n + 64], 1);

  SampleData wind;
  ASSERT_TRUE(synthesize({"noise", {{"relnote", "12"}, {"length", "0.1"}, {"loop", "pingpong"}}}, wind, error));
  EXPECT_EQ(wind.bits, 8);
  EXPECT_EQ(wind.loop, LoopKind::PingPong);
  EXPECT_EQ(wind.relativeNote, 12);
  EXPECT_EQ(wind.frames.size(), static_cast<size_t>(0.1 * 16726));
  for (int16_t v : wind.frames) ASSERT_EQ(v & 0xFF, 0);  // 8-bit data keeps only the high byte

  SampleData kick;
  ASSERT_TRUE(synthesize({"drum", {{"length", "0.2"}}}, kick, error));
  EXPECT_EQ(kick.loop, LoopKind::None);
  EXPECT_LT(std::abs(kick.frames.back()), 64);  // the end fades, no click when the voice stops
  EXPECT_FALSE(synthesize({"drum", {{"loop", "forward"}}}, kick, error));
  EXPECT_FALSE(synthesize({"harp", {}}, kick, error));
}

TEST(Synth, SemitoneRatios) {
  EXPECT_NEAR(semitones_of_ratio(2.0), 12.0, 1e-9);
  EXPECT_NEAR(semitones_of_ratio(0.5), -12.0, 1e-9);
  EXPECT_NEAR(semitones_of_ratio(1.5), 7.01955, 1e-4);
}

// ----------------------------------------------------------------------------- XM writer

TEST(XmWriter, RoundTripOfCellsEnvelopesAndDeltaCodedSamples) {
  Song song;
  song.name = "round trip";
  song.speed = 3;
  song.bpm = 125;
  song.channels = {"a", "b", "c"};
  Pattern p{"p", 2, std::vector<Cell>(6)};
  p.cells[0] = Cell{49, 1, 0x50, 0x0E, 0xD1, true};  // all five fields: written raw
  p.cells[1] = Cell{97, 0, 0, 0, 0, false};          // key off alone
  p.cells[2] = Cell{0, 0, 0, 0, 0x37, true};         // arpeggio: effect 0 with a parameter
  p.cells[4] = Cell{0, 2, 0xC4, 0, 0, false};
  song.patterns = {p};
  song.orders = {0, 0, 0};
  song.restart = 1;
  for (int bits : {8, 16}) {
    Instrument ins;
    ins.name = bits == 8 ? "eight" : "sixteen";
    ins.sample.bits = bits;
    ins.sample.frames = {0, 256, 512, 0, -32768 & ~0xFF, 32512, -256};
    if (bits == 16) ins.sample.frames.push_back(12345);
    ins.sample.loop = bits == 8 ? LoopKind::Forward : LoopKind::PingPong;
    ins.sample.loopStart = 2;
    ins.sample.loopLength = 3;
    ins.sample.relativeNote = -5;
    ins.sample.finetune = -20;
    ins.volumeEnvelope = {{{0, 0}, {10, 64}, {30, 20}}, 1, 0, 1};
    ins.vibratoType = 2;
    ins.vibratoDepth = 7;
    song.instruments.push_back(ins);
  }
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(write_xm(song, bytes, error)) << error;
  XmFile xm;
  ASSERT_TRUE(read_xm(bytes, xm, error)) << error;
  EXPECT_EQ(xm.consumed, bytes.size());
  EXPECT_EQ(xm.songLength, 3);
  EXPECT_EQ(xm.restart, 1);
  EXPECT_EQ(xm.channels, 3);
  EXPECT_EQ(xm.flags & 1, 1);
  ASSERT_EQ(xm.cells.size(), 1u);
  const std::vector<XmCell>& c = xm.cells[0];
  EXPECT_EQ(c[0].note, 49);
  EXPECT_EQ(c[0].param, 0xD1);
  EXPECT_EQ(c[1].note, 97);
  EXPECT_EQ(c[2].effect, 0);
  EXPECT_EQ(c[2].param, 0x37);
  EXPECT_EQ(c[4].instrument, 2);
  EXPECT_EQ(c[4].volume, 0xC4);
  EXPECT_EQ(c[5].note + c[5].instrument + c[5].volume + c[5].effect + c[5].param, 0);
  ASSERT_EQ(xm.instruments.size(), 2u);
  for (size_t k = 0; k < 2; ++k) {
    const XmSample& s = xm.instruments[k].samples.at(0);
    const SampleData& want = song.instruments[k].sample;
    EXPECT_EQ(s.values, want.frames);
    int width = want.bits / 8;
    EXPECT_EQ(s.loopStartBytes, 2u * width);
    EXPECT_EQ(s.loopLengthBytes, 3u * width);
    EXPECT_EQ(s.type, (k == 0 ? 1 : 2) | (k == 1 ? 16 : 0));
    EXPECT_EQ(s.relativeNote, -5);
    EXPECT_EQ(s.finetune, -20);
    EXPECT_EQ(xm.instruments[k].volumePoints, 3);
    EXPECT_EQ(xm.instruments[k].volumeType, 1 | 2 | 4);
    EXPECT_EQ(xm.instruments[k].volumeEnvelope[2], 10);
    EXPECT_EQ(xm.instruments[k].volumeEnvelope[3], 64);
    EXPECT_EQ(xm.instruments[k].vibratoType, 2);
    EXPECT_EQ(xm.instruments[k].vibratoDepth, 7);
  }
  song.channels.resize(33, "x");
  EXPECT_FALSE(write_xm(song, bytes, error));
}

}  // namespace
