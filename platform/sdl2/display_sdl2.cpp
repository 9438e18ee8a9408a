// The SDL2 display: one window, desktop full screen (the frame centred at the largest whole scale,
// black around it) or a resizable window the frame is stretched into, Alt+Enter between them.
// Subtle: SDL video belongs to the main thread. The render thread copies its frame under the
// display lock and posts an event; in full screen it then waits until the main thread has shown it
// (the present waits for the refresh), in a window it never waits.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/display.h"
#include "frame_fit.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "sdl2_display.h"

namespace {
struct SdlDisplay {
  std::recursive_mutex lock;  // orders presentation, the hand-over and mode switches
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  int mode = 0;  // 0 windowed, 1 full screen
  bool wantedFullscreen = false;
  std::atomic<bool> active{true};
  const char* title = "Untitled";
  SDL_Surface* icon = nullptr;
  int32_t windowX = 20;  // the first window's place and client size
  int32_t windowY = 20;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  bool placementSaved = false;
  int savedX = 0, savedY = 0, savedWidth = 0, savedHeight = 0;
  SDL_threadID mainThread = 0;
  Uint32 presentEvent = 0;

  // Hand-over from the render thread: the latest frame, its serial and whether an event is queued.
  uint32_t* staging = nullptr;
  uint64_t queued = 0;
  bool eventPending = false;
  std::mutex shownLock;
  std::condition_variable shownChanged;
  uint64_t shown = 0;
  bool released = false;  // the main loop is over: nobody will show frames any more
};
SdlDisplay g_display;

constexpr unsigned kFullscreenWaitMs = 100;  // a frame not shown by then is given up on

void update_cursor(SdlDisplay& d) {
  SDL_ShowCursor(d.mode == 1 && d.active.load() ? SDL_DISABLE : SDL_ENABLE);
}

// Draws the texture on the main thread: centred at a whole scale in full screen, stretched in a window.
void draw(SdlDisplay& d) {
  if (!d.renderer) return;
  if (d.mode == 1 && !d.active.load()) return;
  int outWidth = 0, outHeight = 0;
  SDL_GetRendererOutputSize(d.renderer, &outWidth, &outHeight);
  SDL_Rect target{0, 0, outWidth, outHeight};
  if (d.mode == 1) {
    FrameRect fit = fit_frame_whole(outWidth, outHeight, d.frameWidth, d.frameHeight);
    target = SDL_Rect{fit.x, fit.y, fit.width, fit.height};
  }
  SDL_SetRenderDrawColor(d.renderer, 0, 0, 0, 255);
  SDL_RenderClear(d.renderer);
  SDL_RenderCopy(d.renderer, d.texture, nullptr, &target);
  SDL_RenderPresent(d.renderer);
}

// The frame the render thread handed over goes to the texture, then to the screen.
void show_handed_over(SdlDisplay& d) {
  uint64_t serial;
  {
    std::lock_guard<std::recursive_mutex> guard(d.lock);
    d.eventPending = false;
    serial = d.queued;
    if (d.texture && d.staging) SDL_UpdateTexture(d.texture, nullptr, d.staging, d.frameWidth * 4);
  }
  draw(d);
  std::lock_guard<std::mutex> guard(d.shownLock);
  d.shown = serial;
  d.shownChanged.notify_all();
}

void enter_windowed(SdlDisplay& d) {
  SDL_SetWindowFullscreen(d.window, 0);
  if (d.placementSaved) {
    SDL_SetWindowSize(d.window, d.savedWidth, d.savedHeight);
    SDL_SetWindowPosition(d.window, d.savedX, d.savedY);
    d.placementSaved = false;
  } else {
    SDL_SetWindowSize(d.window, d.clientWidth, d.clientHeight);
    SDL_SetWindowPosition(d.window, d.windowX, d.windowY);
  }
  update_cursor(d);
}

// The window's own display in desktop coordinates; display 0 when SDL cannot tell.
SDL_Rect display_rect(SDL_Window* window) {
  int index = window ? SDL_GetWindowDisplayIndex(window) : 0;
  SDL_Rect bounds{0, 0, 0, 0};
  if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &bounds) != 0) SDL_GetDisplayBounds(0, &bounds);
  return bounds;
}

// True when nothing has framed the window: no window manager runs (a bare X server, a kiosk
// session) or the one that runs draws no frame. False when SDL cannot tell.
bool unframed(SDL_Window* window) {
  int top = -1, left = -1, bottom = -1, right = -1;
  return SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 && top == 0 && left == 0 &&
         bottom == 0 && right == 0;
}

// Full screen at opening or on a switch; a failure leaves the program in the window.
// Desktop full screen is a request to the window manager. Without one nothing answers it, yet SDL
// reports the desktop's size from then on and the picture is laid out for a screen the window does
// not cover. So an unframed window is first placed over its display by the program itself, which
// needs no window manager. A framed one is left to its manager, which returns it to where it was;
// moving it ourselves would make that return land off by the frame.
void enter_mode(SdlDisplay& d, int mode) {
  d.mode = mode;
  if (mode == 1 && !(SDL_GetWindowFlags(d.window) & SDL_WINDOW_FULLSCREEN) && unframed(d.window)) {
    SDL_Rect bounds = display_rect(d.window);
    if (bounds.w > 0 && bounds.h > 0) {
      SDL_SetWindowPosition(d.window, bounds.x, bounds.y);
      SDL_SetWindowSize(d.window, bounds.w, bounds.h);
    }
  }
  if (mode == 1 && SDL_SetWindowFullscreen(d.window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) {
    update_cursor(d);
    return;
  }
  d.mode = 0;
  enter_windowed(d);
}

void toggle_fullscreen(SdlDisplay& d) {
  bool want = !d.wantedFullscreen;
  display_switch_mode(want);
  d.wantedFullscreen = want && d.mode == 1;  // a full screen that could not be entered is not wanted
}

void handle_window_event(SdlDisplay& d, const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_MOVED:
      if (d.mode == 0) {
        std::lock_guard<std::recursive_mutex> guard(d.lock);
        d.windowX = event.data1;
        d.windowY = event.data2;
      }
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (d.mode == 0) {
        std::lock_guard<std::recursive_mutex> guard(d.lock);
        d.clientWidth = event.data1;
        d.clientHeight = event.data2;
      }
      draw(d);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      draw(d);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      d.active = true;
      update_cursor(d);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      d.active = false;
      update_cursor(d);
      break;
    default:
      break;
  }
}

void release(SdlDisplay& d) {
  if (d.texture) SDL_DestroyTexture(d.texture);
  if (d.renderer) SDL_DestroyRenderer(d.renderer);
  if (d.window) SDL_DestroyWindow(d.window);
  d.texture = nullptr;
  d.renderer = nullptr;
  d.window = nullptr;
  std::free(d.staging);
  d.staging = nullptr;
  d.mode = 0;
  d.wantedFullscreen = false;
  d.placementSaved = false;
  d.eventPending = false;
  SDL_ShowCursor(SDL_ENABLE);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool create_window(SdlDisplay& d, const DisplayRequest& request) {
  d.frameWidth = request.width;
  d.frameHeight = request.height;
  if (d.frameWidth <= 0 || d.frameHeight <= 0) return false;
  d.staging = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(d.frameWidth) * d.frameHeight, 4));
  if (!d.staging) return false;
  SDL_Rect usable{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) SDL_GetDisplayBounds(0, &usable);
  first_window_size(usable.w, usable.h, d.frameWidth, d.frameHeight, &d.clientWidth, &d.clientHeight);

  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN;
  // A full-screen start is made over the display for the same reason as a switch (enter_mode);
  // the first window keeps its own place and size for the first Alt+Enter.
  SDL_Rect place{d.windowX, d.windowY, d.clientWidth, d.clientHeight};
  if (request.fullscreen) {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Rect bounds = display_rect(nullptr);
    if (bounds.w > 0 && bounds.h > 0) place = bounds;
  }
  d.window = SDL_CreateWindow(d.title, place.x, place.y, place.w, place.h, flags);
  if (!d.window) return false;
  if (d.icon) SDL_SetWindowIcon(d.window, d.icon);
  d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!d.renderer) d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
  if (!d.renderer) return false;
  d.texture = SDL_CreateTexture(d.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, d.frameWidth,
                                d.frameHeight);
  if (!d.texture) return false;
  SDL_UpdateTexture(d.texture, nullptr, d.staging, d.frameWidth * 4);
  SDL_ShowWindow(d.window);
  enter_mode(d, request.fullscreen ? 1 : 0);
  draw(d);
  return true;
}
}  // namespace

void display_set_title(const char* title) { g_display.title = title; }
void display_set_icon(DisplayIcon icon) { g_display.icon = static_cast<SDL_Surface*>(icon); }

bool display_open(const DisplayRequest* request) {
  SdlDisplay& d = g_display;
  if (d.window || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  d.mainThread = SDL_ThreadID();
  if (d.presentEvent == 0) d.presentEvent = SDL_RegisterEvents(1);
  {
    std::lock_guard<std::mutex> guard(d.shownLock);
    d.released = false;
  }
  if (d.presentEvent == static_cast<Uint32>(-1) || !create_window(d, *request)) {
    release(d);
    return false;
  }
  return true;
}

DisplayWindow display_window() { return g_display.window; }

void display_set_fullscreen(bool want) {
  SdlDisplay& d = g_display;
  if (want == d.wantedFullscreen) return;
  display_switch_mode(want);
  d.wantedFullscreen = want && d.mode == 1;
}

void display_switch_mode(bool fullscreen) {
  SdlDisplay& d = g_display;
  int target = fullscreen ? 1 : 0;
  if (!d.window || target == d.mode) return;
  {
    std::lock_guard<std::recursive_mutex> guard(d.lock);
    if (d.mode == 0) {
      SDL_GetWindowPosition(d.window, &d.savedX, &d.savedY);
      SDL_GetWindowSize(d.window, &d.savedWidth, &d.savedHeight);
      d.placementSaved = true;
    }
    enter_mode(d, target);
  }
  draw(d);
}

void display_present(const uint32_t* pixels) {
  SdlDisplay& d = g_display;
  if (!pixels) return;
  if (SDL_ThreadID() == d.mainThread) {  // loading: the main thread shows the frame itself
    {
      std::lock_guard<std::recursive_mutex> guard(d.lock);
      if (!d.texture || (d.mode == 1 && !d.active.load())) return;
      SDL_UpdateTexture(d.texture, nullptr, pixels, d.frameWidth * 4);
    }
    draw(d);
    return;
  }
  uint64_t serial;
  bool post, wait;
  {
    std::lock_guard<std::recursive_mutex> guard(d.lock);
    if (!d.staging || (d.mode == 1 && !d.active.load())) return;  // full screen without focus: dropped
    std::memcpy(d.staging, pixels, static_cast<size_t>(d.frameWidth) * d.frameHeight * 4);
    serial = ++d.queued;
    post = !d.eventPending;
    d.eventPending = true;
    wait = d.mode == 1;
  }
  if (post) {
    SDL_Event event{};
    event.type = d.presentEvent;
    SDL_PushEvent(&event);
  }
  if (!wait) return;
  std::unique_lock<std::mutex> guard(d.shownLock);
  d.shownChanged.wait_for(guard, std::chrono::milliseconds(kFullscreenWaitMs),
                          [&] { return d.shown >= serial || d.released; });
}

void display_close() {
  SdlDisplay& d = g_display;
  sdl2_display_release_waiters();
  if (!d.window && !d.renderer) return;
  std::lock_guard<std::recursive_mutex> guard(d.lock);
  release(d);
}

// The icon is the one the Windows program carries, linked in as resource 101 of type "Icon":
// square RGBA pixels (red, green, blue, alpha bytes), rows top down.
DisplayIcon display_load_app_icon() {
  ResourceView view{};
  if (!resource_load("Icon", 101, &view)) return nullptr;
  int side = 0;
  while (static_cast<uint64_t>(side + 1) * (side + 1) * 4 <= view.size) ++side;
  SDL_Surface* surface = nullptr;
  if (side > 0 && static_cast<uint64_t>(side) * side * 4 == view.size) {
    surface = SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface) {
      for (int y = 0; y < side; ++y)
        std::memcpy(static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch,
                    view.data + static_cast<size_t>(y) * side * 4, static_cast<size_t>(side) * 4);
    }
  }
  resource_release(&view);
  return surface;
}

bool sdl2_display_handle_event(const SDL_Event& event) {
  SdlDisplay& d = g_display;
  if (d.presentEvent != 0 && event.type == d.presentEvent) {
    show_handed_over(d);
    return false;
  }
  switch (event.type) {
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) return true;
      handle_window_event(d, event.window);
      return false;
    case SDL_KEYDOWN:
      if (event.key.keysym.sym == SDLK_ESCAPE) {
        os_post_close();
      } else if ((event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) &&
                 (event.key.keysym.mod & KMOD_ALT) && !event.key.repeat) {
        toggle_fullscreen(d);
      }
      return false;
    case SDL_QUIT:
      return true;
    default:
      return false;
  }
}

void sdl2_display_release_waiters() {
  SdlDisplay& d = g_display;
  std::lock_guard<std::mutex> guard(d.shownLock);
  d.released = true;
  d.shownChanged.notify_all();
}
