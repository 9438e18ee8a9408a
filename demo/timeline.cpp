// The scene table of K417: position ranges to scenes, flashes and fades, in the show's order.
// Subtle: palette steps run before the effects, and a flash only starts on rows 0-3 of its window.
#include "demo/timeline.h"

#include "demo/greetings.h"

namespace {
uint32_t order_of(uint32_t p) { return p >> 8; }
uint32_t row_of(uint32_t p) { return p & 0xFF; }

// White flash at x: restarted on every frame of rows 0-3, then decaying one level per 6 ms;
// while in the first 32 rows the palette is whitened by the current level.
void whiten_flash(TimelineState& s, uint32_t x, uint32_t p, uint32_t now, SceneActions& a) {
  if (p >= x && p <= x + 3) start_flash(s.flash, 63, 6, now);
  if (p >= x && p < x + 0x20) a.fade_to_white(flash_level(s.flash, now));
}

int32_t random_intensity(SceneActions& a) { return a.random() % 255; }

void intro(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  if (p < 0x100) a.fade_to_black(static_cast<int32_t>(p >> 1));
  uint32_t row = row_of(p);
  if (order_of(p) >= 1 && row <= 3) start_flash(s.flash, 255, 20, now);
  a.texture_effect(0);
  a.object_effect(4);
  if (order_of(p) == 2) a.overlay(TitleLayer, flash_level(s.flash, now), 0);
  if (order_of(p) == 3) a.overlay(NameLayer, flash_level(s.flash, now), 0);
}

void credits(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  whiten_flash(s, 0x400, p, now, a);
  whiten_flash(s, 0x600, p, now, a);
  a.texture_effect(1);
  if (p >= 0x600) a.object_effect(4);
  if (p <= 0x4FF) a.overlay(CreditLayer1, 255, 1);
  if (p >= 0x500 && p <= 0x5FF) a.overlay(CreditLayer2, 255, 1);
  if (p >= 0x600) a.overlay(ScatterNamesLayer, random_intensity(a), 1);
}

void sphere_dust(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  if (p <= 0x803) start_flash(s.flash, 63, 6, now);
  if (p < 0x820) a.fade_to_black(63 - flash_level(s.flash, now));
  a.texture_effect(7);
  a.object_effect(3);
  if (p >= 0x900) a.overlay(NoImage, static_cast<int32_t>((row_of(p) * 4) % 256), 3);
}

void floors(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  whiten_flash(s, 0xA00, p, now, a);
  if (p >= 0xC00) whiten_flash(s, 0xC00, p, now, a);
  a.texture_effect(2);
  if (p >= 0xC00) a.object_effect(2);
  if (p >= 0xD40) a.fade_to_black(static_cast<int32_t>(0xD7F - p));
  a.overlay(ScatterGroupLayer, random_intensity(a), 1);
}

void interlude(TimelineState& s, uint32_t p, uint32_t, SceneActions& a) {
  if (s.previousPosition < 0xE00) a.clear_frames();
  if (p < 0xEFF) a.fade_to_black(63 - static_cast<int32_t>(p & 0xFF));
  if (p >= 0x1300 && p < 0x13FF) a.fade_to_white(static_cast<int32_t>((p >> 1) & 0x7F));
  a.texture_effect(0);
  a.object_effect(4);
  a.overlay(NameLayer, 255, 0);
}

void peak(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  static const uint32_t flashes[] = {0x1400, 0x1440, 0x1500, 0x1540, 0x1600, 0x1640, 0x1700, 0x1740};
  for (uint32_t x : flashes) whiten_flash(s, x, p, now, a);
  // One background per 64-row window; rows 0x80 and above keep the frame as it is.
  static const int32_t modes[] = {3, 4, 6, 7, 4, 6, 3, 7};
  uint32_t row = row_of(p);
  if (row < 0x80) a.texture_effect(modes[(order_of(p) - 0x14) * 2 + row / 0x40]);
  a.overlay(p < 0x1600 ? ScatterNamesLayer : ScatterGroupLayer, random_intensity(a), 1);
}

void greetings(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  whiten_flash(s, 0x1800, p, now, a);
  whiten_flash(s, 0x1A00, p, now, a);
  a.texture_effect(10);
  if (p <= 0x19FF) {
    a.overlay(GreetLayer0 + greeting_index(p), 255, 2);
    a.overlay(NoImage, random_intensity(a), 1);
  }
  if (p >= 0x1A00) {
    a.overlay(ScatterTwosLayer, random_intensity(a), 2);
    a.object_effect(1);
  }
}

void blobs(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  whiten_flash(s, 0x1C00, p, now, a);
  a.texture_effect(8);
  a.overlay(NoImage, random_intensity(a), 2);
  a.object_effect(3);
  a.overlay(NoImage, 255, 1);
}

void corridor_inset(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  whiten_flash(s, 0x1E00, p, now, a);
  a.texture_effect(1);
  a.object_effect(3);
  a.overlay(ScatterNamesLayer, random_intensity(a), 1);
  a.inset(220, 130, 0);
}

void finale(TimelineState& s, uint32_t p, uint32_t now, SceneActions& a) {
  whiten_flash(s, 0x2000, p, now, a);
  a.texture_effect(2);
  a.object_effect(4);
  a.overlay(p >= 0x2100 ? TitleLayer : NoImage, 255, 1);
}
}  // namespace

void start_flash(Flash& flash, int32_t level, uint32_t period, uint32_t now) {
  flash.startLevel = level;
  flash.startTime = now;
  flash.period = period;
}

int32_t flash_level(Flash& flash, uint32_t now) {
  if (flash.period == 0) return 0;
  // Unsigned elapsed time and division, as the clock wraps; then back to a signed level.
  int64_t level = static_cast<int64_t>(flash.startLevel) - static_cast<int64_t>((now - flash.startTime) / flash.period);
  if (level < 0) {
    flash.period = 0;
    return 0;
  }
  return static_cast<int32_t>(level);
}

bool run_timeline(TimelineState& state, uint32_t p, uint32_t now, SceneActions& a) {
  if (p < 0x0400) intro(state, p, now, a);
  else if (p < 0x0800) credits(state, p, now, a);
  else if (p < 0x0A00) sphere_dust(state, p, now, a);
  else if (p < 0x0E00) floors(state, p, now, a);
  else if (p < 0x1400) interlude(state, p, now, a);
  else if (p < 0x1800) peak(state, p, now, a);
  else if (p < 0x1C00) greetings(state, p, now, a);
  else if (p < 0x1E00) blobs(state, p, now, a);
  else if (p < 0x2000) corridor_inset(state, p, now, a);
  else finale(state, p, now, a);

  a.feedback();
  // The finale fades out over its last order, after the feedback.
  if (p >= 0x2200) a.fade_to_black(63 - static_cast<int32_t>(p - 0x2200 < 63 ? p - 0x2200 : 63));

  if (p >= 0x1000 && p <= 0x2000) state.startedSecondHalf = true;
  return !(state.startedSecondHalf && p < 0x0800);
}

void timeline_frame_done(TimelineState& state, uint32_t position) { state.previousPosition = position; }
