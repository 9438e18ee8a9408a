// Rendering all text layers: fixed words, scattered fields and the randomly placed greetings.
// Subtle: the rand values are taken one statement at a time, in the stated order; the area sums
// are single precision and truncate toward zero, so a width a fraction short still counts as 0.
#include "demo/text_images.h"

#include "demo/text_draw.h"
#include "shell/crt_rand.h"
#include "shell/shell.h"

namespace {
int random_below(int n) { return n == 0 ? 0 : crt_rand() % n; }

// trunc(size x fraction - (used)) in single precision.
int room(int size, float fraction, int used) {
  return static_cast<int>(static_cast<float>(size) * fraction - static_cast<float>(used));
}
}  // namespace

void scatter_words(TextImage& image, const char* text, int words, int range, int bw, int bh, GlyphCache& cache) {
  for (int i = 0; i < words; ++i) {
    int ink = 128 + crt_rand() % 128;
    int H = crt_rand() % (range > 0 ? range : 1);
    int W = crt_rand() % (range > 0 ? range : 1);
    int y = crt_rand() % 200;
    int x = crt_rand() % 320;
    draw_text(x, y, text, image, W, H, static_cast<uint8_t>(ink), bw, bh, cache);
  }
}

TextOrigin greeting_origin(int width, int height, float areaX, float areaY) {
  int x = 8 - static_cast<int>(-0.5f * (1.0f - areaX) * static_cast<float>(width));
  int y = 4 - static_cast<int>(-0.5f * (1.0f - areaY) * static_cast<float>(height));
  return TextOrigin{x, y};
}

void place_greeting(TextImage& image, const char* text, int width, int height, float areaX, float areaY,
                    GlyphCache& cache) {
  // Advances never shrink as W grows, so W = H = 20 is the easiest fit.
  if (room(width, areaX, text_width(text, 20) + 16) < 0 || room(height, areaY, 20 + 8) < 0)
    fatal_error("Greeting '%s' does not fit the text area.\n", text);

  int W, H, rx, ry;
  do {
    W = 20 + crt_rand() % 20;
    int tw = text_width(text, W);
    H = 20 + crt_rand() % 20;
    ry = room(height, areaY, H + 8);
    rx = room(width, areaX, tw + 16);
  } while (rx < 0 || ry < 0);

  TextOrigin origin = greeting_origin(width, height, areaX, areaY);
  int x = origin.x + random_below(rx);
  int y = origin.y + random_below(ry);
  draw_text(x, y, text, image, W, H, 255, 8, 4, cache);
}

void render_text_images(TextLayers& layers, int width, int height, float areaX, float areaY, const StrokeFont& font) {
  GlyphCache cache(font);
  create(layers.TitleImage, width, height);
  draw_text(12, 90, TitleWord, layers.TitleImage, 28, 14, 255, 8, 4, cache);
  create(layers.CreditImage1, width, height);
  draw_text(64, 90, CreditWord1, layers.CreditImage1, 28, 14, 225, 8, 4, cache);
  create(layers.CreditImage2, width, height);
  draw_text(94, 90, CreditWord2, layers.CreditImage2, 28, 14, 225, 8, 4, cache);
  create(layers.NameImage, width, height);
  draw_text(88, 80, NameWord, layers.NameImage, 38, 44, 225, 8, 2, cache);

  create(layers.ScatterTwos, width, height);
  scatter_words(layers.ScatterTwos, "2", kScatterWords, 70, 2, 2, cache);
  create(layers.ScatterNames, width, height);
  scatter_words(layers.ScatterNames, NameWord, kScatterWords, 40, 4, 4, cache);
  create(layers.ScatterGroup, width, height);
  scatter_words(layers.ScatterGroup, TitleWord, kScatterWords, 40, 4, 4, cache);

  for (int i = 0; i < kGreetingCount; ++i) {
    create(layers.GreetImages[i], width, height);
    place_greeting(layers.GreetImages[i], GreetingTable[i], width, height, areaX, areaY, cache);
  }
}

void destroy_text_images(TextLayers& layers) {
  for (int i = kGreetingCount - 1; i >= 0; --i) destroy(layers.GreetImages[i]);
  destroy(layers.ScatterGroup);
  destroy(layers.ScatterNames);
  destroy(layers.ScatterTwos);
  destroy(layers.NameImage);
  destroy(layers.CreditImage2);
  destroy(layers.CreditImage1);
  destroy(layers.TitleImage);
}
