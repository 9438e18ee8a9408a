// The show's script as a pure function of the music position: which effects run, in what order,
// with which flashes and fades. Effects are reached through SceneActions, so tests can record them.
// Subtle: random intensities are drawn when a step runs, before the overlay draws its own noise.
#pragma once
#include <cstdint>

// A decaying level for flashes, fade-ins and text fades; period 0 means inactive.
struct Flash {
  int32_t startLevel;
  uint32_t startTime;  // ms
  uint32_t period;     // ms per level step
};

void start_flash(Flash& flash, int32_t level, uint32_t period, uint32_t now);
int32_t flash_level(Flash& flash, uint32_t now);

// The prerendered text layers an overlay can show.
enum TextLayerId : int32_t {
  NoImage = -1,
  TitleLayer = 0,
  CreditLayer1,
  CreditLayer2,
  NameLayer,
  ScatterTwosLayer,
  ScatterNamesLayer,
  ScatterGroupLayer,
  GreetLayer0,  // GreetLayer0 + k for the sixteen greetings
};

class SceneActions {
 public:
  virtual void fade_to_black(int32_t level) = 0;
  virtual void fade_to_white(int32_t level) = 0;
  virtual void texture_effect(int32_t mode) = 0;
  virtual void object_effect(int32_t mode) = 0;
  virtual void overlay(int32_t layer, int32_t intensity, int32_t noise) = 0;
  virtual void inset(int32_t x, int32_t y, uint8_t border) = 0;
  virtual void feedback() = 0;
  virtual void clear_frames() = 0;  // WorkFrame and PreviousFrame to index 0
  virtual int32_t random() = 0;     // the runtime rand
 protected:
  ~SceneActions() = default;
};

struct TimelineState {
  Flash flash{0, 0, 0};
  uint32_t previousPosition = 0xFFFFFFFFu;  // of the last frame that was output
  bool startedSecondHalf = false;
};

// Runs the scene block that holds position (order << 8 | row) at time now (ms). Gives false
// when the show is over: the tune has wrapped after its second half, and nothing is output.
// On true the caller outputs the frame and records the position with timeline_frame_done.
bool run_timeline(TimelineState& state, uint32_t position, uint32_t now, SceneActions& actions);
void timeline_frame_done(TimelineState& state, uint32_t position);
