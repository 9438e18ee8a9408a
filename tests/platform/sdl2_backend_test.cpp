// The SDL2 back-end on SDL's dummy drivers (1024 x 768 desktop): full screen centred at a whole
// scale, Alt+Enter to the first window and back to the saved one, the stretched window, frames
// handed over from another thread, frames dropped without focus, the close requests, the wave clock.
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/display.h"
#include "platform/os.h"
#include "platform/wave_device.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 200;

// A frame with a colour in each corner and a plain middle, so placement and scaling show.
std::vector<uint32_t> corner_frame(uint32_t middle) {
  std::vector<uint32_t> frame(kWidth * kHeight, middle);
  frame[0] = 0xFF0000;
  frame[kWidth - 1] = 0x00FF00;
  frame[(kHeight - 1) * kWidth] = 0x0000FF;
  frame[kHeight * kWidth - 1] = 0xFFFF00;
  return frame;
}

SDL_Window* window() { return static_cast<SDL_Window*>(display_window()); }

// What the screen shows at (x, y), 0x00RRGGBB.
uint32_t screen_pixel(int x, int y) {
  SDL_Renderer* renderer = SDL_GetRenderer(window());
  SDL_Rect one{x, y, 1, 1};
  uint32_t pixel = 0xDEADBEEF;
  EXPECT_EQ(SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4), 0) << SDL_GetError();
  return pixel & 0xFFFFFF;
}

void push_key(SDL_Keycode key, Uint16 modifiers) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.windowID = SDL_GetWindowID(window());
  event.key.keysym.sym = key;
  event.key.keysym.mod = modifiers;
  SDL_PushEvent(&event);
}

void push_window_event(Uint8 what) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = SDL_GetWindowID(window());
  event.window.event = what;
  SDL_PushEvent(&event);
}

bool is_fullscreen() { return (SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0; }

class Sdl2Display : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayRequest request{kWidth, kHeight, 4.0f / 3.0f, 1.0f, 1.0f, 1};
    display_set_title("K417 test");
    ASSERT_TRUE(display_open(&request)) << SDL_GetError();
    display_set_fullscreen(true);
    os_pump_messages();
  }
  void TearDown() override { display_close(); }
};
}  // namespace

TEST_F(Sdl2Display, FullScreenCentresTheFrameAtTheLargestWholeScale) {
  ASSERT_TRUE(is_fullscreen());
  std::vector<uint32_t> frame = corner_frame(0x808080);
  display_present(frame.data());
  // 1024 x 768 holds the frame three times: 960 x 600 at (32, 84).
  EXPECT_EQ(screen_pixel(31, 84), 0u);
  EXPECT_EQ(screen_pixel(32, 84), 0xFF0000u);
  EXPECT_EQ(screen_pixel(34, 86), 0xFF0000u);  // one source pixel is a 3 x 3 block
  EXPECT_EQ(screen_pixel(35, 84), 0x808080u);
  EXPECT_EQ(screen_pixel(991, 84), 0x00FF00u);
  EXPECT_EQ(screen_pixel(32, 683), 0x0000FFu);
  EXPECT_EQ(screen_pixel(991, 683), 0xFFFF00u);
  EXPECT_EQ(screen_pixel(992, 683), 0u);
  EXPECT_EQ(screen_pixel(991, 684), 0u);
}

TEST_F(Sdl2Display, AltEnterGivesTheFirstWindowThenFullScreenThenTheSavedWindow) {
  push_key(SDLK_RETURN, KMOD_LALT);
  EXPECT_FALSE(os_pump_messages());
  ASSERT_FALSE(is_fullscreen());
  int w = 0, h = 0;
  SDL_GetWindowSize(window(), &w, &h);
  EXPECT_EQ(w, 640);  // the desktop holds three frames: doubled
  EXPECT_EQ(h, 400);

  // A window resized by the user keeps the whole frame stretched to it.
  SDL_SetWindowSize(window(), 800, 500);
  os_pump_messages();
  std::vector<uint32_t> frame = corner_frame(0x404040);
  display_present(frame.data());
  EXPECT_EQ(screen_pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(screen_pixel(799, 0), 0x00FF00u);
  EXPECT_EQ(screen_pixel(0, 499), 0x0000FFu);
  EXPECT_EQ(screen_pixel(799, 499), 0xFFFF00u);
  EXPECT_EQ(screen_pixel(400, 250), 0x404040u);

  push_key(SDLK_KP_ENTER, KMOD_RALT);  // either Enter key
  os_pump_messages();
  EXPECT_TRUE(is_fullscreen());
  push_key(SDLK_RETURN, KMOD_LALT);
  os_pump_messages();
  ASSERT_FALSE(is_fullscreen());
  SDL_GetWindowSize(window(), &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 500);

  // Enter without Alt, and a repeated Alt+Enter, switch nothing.
  push_key(SDLK_RETURN, KMOD_NONE);
  SDL_Event repeat{};
  repeat.type = SDL_KEYDOWN;
  repeat.key.keysym.sym = SDLK_RETURN;
  repeat.key.keysym.mod = KMOD_LALT;
  repeat.key.repeat = 1;
  SDL_PushEvent(&repeat);
  os_pump_messages();
  EXPECT_FALSE(is_fullscreen());
}

TEST_F(Sdl2Display, EscapeAndClosingTheWindowAreCloseRequests) {
  EXPECT_FALSE(os_pump_messages());
  push_key(SDLK_ESCAPE, KMOD_NONE);
  EXPECT_TRUE(os_pump_messages());
  EXPECT_FALSE(os_pump_messages());  // one request, one quit
  push_window_event(SDL_WINDOWEVENT_CLOSE);
  EXPECT_TRUE(os_pump_messages());
  os_post_close();  // from any thread, as the render thread does
  EXPECT_TRUE(os_pump_messages());
}

TEST_F(Sdl2Display, AFrameFromTheRenderThreadIsShownByTheMainThread) {
  std::vector<uint32_t> frame = corner_frame(0x00C000);
  std::atomic<bool> done{false};
  std::thread render([&] {
    display_present(frame.data());
    done = true;
  });
  while (!done) os_pump_messages();
  render.join();
  os_pump_messages();
  EXPECT_EQ(screen_pixel(512, 384), 0x00C000u);
  EXPECT_EQ(screen_pixel(32, 84), 0xFF0000u);
}

TEST_F(Sdl2Display, FullScreenFramesAreDroppedWithoutFocus) {
  std::vector<uint32_t> grey(kWidth * kHeight, 0x808080);
  std::vector<uint32_t> red(kWidth * kHeight, 0xFF0000);
  display_present(grey.data());
  push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
  os_pump_messages();
  display_present(red.data());
  EXPECT_EQ(screen_pixel(512, 384), 0x808080u);
  push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
  os_pump_messages();
  display_present(red.data());
  EXPECT_EQ(screen_pixel(512, 384), 0xFF0000u);
}

TEST(Sdl2Wave, TheByteCountKeepsRisingPastTheEndOfTheLoop) {
  std::vector<int16_t> loop(2048 * 2, 0);  // 8 KiB: wraps many times a second
  ASSERT_TRUE(wave_device_open(44100)) << SDL_GetError();
  EXPECT_EQ(wave_device_bytes_played(), 0u);
  ASSERT_TRUE(wave_device_play_looping(loop.data(), static_cast<uint32_t>(loop.size() * 2)));
  uint64_t bytes = 0;
  for (int i = 0; i < 300 && bytes <= 4 * loop.size() * 2; ++i) {
    os_sleep_ms(10);
    bytes = wave_device_bytes_played();
  }
  EXPECT_GT(bytes, 4 * loop.size() * 2);
  wave_device_reset();
  wave_device_close();
  EXPECT_EQ(wave_device_bytes_played(), 0u);
}
