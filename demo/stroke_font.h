// The stroke font "fontje.dat": 36 glyph records of 8 strokes ('A'..'Z', then '0'..'9'), and the
// walk that turns one glyph into brush-stamp centres in its 128 x 128 design box.
// Subtle: glyphs are moved left so their leftmost x sits at 8, and a record lying beyond the
// loaded bytes counts as empty, so no font, however short, is ever read past its end.
#pragma once
#include <cstdint>

constexpr int kGlyphCount = 36;
constexpr int kStrokesPerGlyph = 8;
constexpr int kStrokeBytes = 5;   // type, p1, p2, p3, p4
constexpr int kGlyphBytes = kStrokesPerGlyph * kStrokeBytes;  // 40
constexpr uint32_t kFontBytes = kGlyphCount * kGlyphBytes;    // 1,440

struct StrokeFont {
  const uint8_t* bytes;
  uint32_t size;
};

// True when a font of this many bytes holds all 36 records.
bool font_valid(uint32_t size);

// Loads the font whole through the file system. A missing file is fatal there; a file shorter
// than 36 records ends the program with "Error loading font '<name>'.".
StrokeFont load_font(const char* name);
// The same refusal for bytes already in memory (takes ownership of the malloc'd block).
StrokeFont accept_font(const char* name, void* bytes, uint32_t size);
void free_font(StrokeFont& font);

// 'A'..'Z' give 0..25, '0'..'9' give 26..35; any other character gives -1 (drawn as nothing).
int glyph_index(char c);

// One stroke after the leftmost-x shift: the x coordinates (p1 and p3 of lines and vertical
// arcs, p1 and p4 of horizontal arcs) are already reduced by the shift.
struct Stroke {
  int type;
  int p1, p2, p3, p4;
};

// The glyph's strokes in record order, shifted; types other than 1-3 are dropped. Returns the
// count (0 for a glyph outside the font's bytes).
int glyph_strokes(const StrokeFont& font, int glyph, Stroke (&strokes)[kStrokesPerGlyph]);

// Calls stamp(cx, cy) for every brush centre of one stroke in drawing order: e + 1 points of a
// line, 181 points of an arc.
template <typename Stamp>
void walk_stroke(const Stroke& stroke, Stamp&& stamp);

// The 181 centres of an arc, i = 0..180 degrees, computed once per stroke.
void arc_points(const Stroke& stroke, int (&xs)[181], int (&ys)[181]);

#include "demo/overlay_line.h"

template <typename Stamp>
void walk_stroke(const Stroke& stroke, Stamp&& stamp) {
  if (stroke.type == 1) {
    walk_line(stroke.p1, stroke.p2, stroke.p3, stroke.p4, stamp);
    return;
  }
  int xs[181];
  int ys[181];
  arc_points(stroke, xs, ys);
  for (int i = 0; i <= 180; ++i) stamp(xs[i], ys[i]);
}
