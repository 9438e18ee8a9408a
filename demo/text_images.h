// The show's prerendered text layers, drawn once at start-up from the stroke font.
// Subtle: the layers are built in a fixed order and take their rand values in a fixed order
// (five per scattered word, the greeting placement loop), so the layout is the same every run.
#pragma once
#include <cstdint>

#include "demo/greetings.h"
#include "demo/stroke_font.h"
#include "demo/stroke_font_coverage.h"
#include "image/bitmap.h"

struct TextLayers {
  TextImage TitleImage;
  TextImage CreditImage1;
  TextImage CreditImage2;
  TextImage NameImage;
  TextImage ScatterTwos;
  TextImage ScatterNames;
  TextImage ScatterGroup;
  TextImage GreetImages[kGreetingCount];
};

constexpr int kScatterWords = 51;

// Creates every layer at width x height (zeroed) and draws it, in table order.
void render_text_images(TextLayers& layers, int width, int height, float areaX, float areaY, const StrokeFont& font);
// Destroys the layers in the reverse order of their creation: greetings first, the title last.
void destroy_text_images(TextLayers& layers);

// words copies of text, each from five rand values: ink 128 + r1 % 128, H = r2 % range,
// W = r3 % range, y = r4 % 200, x = r5 % 320.
void scatter_words(TextImage& image, const char* text, int words, int range, int bw, int bh, GlyphCache& cache);

// The greetings' top-left corner: 8 - trunc(-0.5 (1 - areaX) width), likewise 4 and y.
struct TextOrigin {
  int x, y;
};
TextOrigin greeting_origin(int width, int height, float areaX, float areaY);

// Draws one greeting at a random size and place inside the text area. Ends the program when the
// entry cannot fit even at the smallest size, where the placement loop would never finish.
void place_greeting(TextImage& image, const char* text, int width, int height, float areaX, float areaY,
                    GlyphCache& cache);
