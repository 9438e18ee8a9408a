// Headless display: keeps the last presented frame and a checksum, so tests can look at it; a
// present hook lets a test act between frames (the endurance run steps the music there).
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/display.h"
#include "platform/null_backend.h"

namespace {
struct NullDisplay {
  std::recursive_mutex lock;
  NullDisplayInfo info{};
  uint32_t* frame = nullptr;
  const char* title = "Untitled";
  DisplayIcon icon = nullptr;
  bool wantFullscreen = false;
};
NullDisplay g_display;
std::atomic<NullPresentHook> g_presentHook{nullptr};

uint32_t fnv1a(const uint32_t* pixels, size_t count) {
  uint32_t hash = 2166136261u;
  auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
  for (size_t i = 0; i < count * 4; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}
}  // namespace

void display_set_title(const char* title) { g_display.title = title; }
void display_set_icon(DisplayIcon icon) { g_display.icon = icon; }

bool display_open(const DisplayRequest* request) {
  std::lock_guard<std::recursive_mutex> guard(g_display.lock);
  g_display.info = NullDisplayInfo{};
  g_display.info.open = true;
  g_display.info.fullscreen = request->fullscreen != 0;
  g_display.info.width = request->width;
  g_display.info.height = request->height;
  std::free(g_display.frame);
  g_display.frame = nullptr;
  return true;
}

DisplayWindow display_window() { return g_display.info.open ? &g_display : nullptr; }

void display_switch_mode(bool fullscreen) {
  std::lock_guard<std::recursive_mutex> guard(g_display.lock);
  g_display.info.fullscreen = fullscreen;
}

void display_set_fullscreen(bool want) {
  if (want != g_display.wantFullscreen) {
    display_switch_mode(want);
    g_display.wantFullscreen = want;
  }
}

void display_present(const uint32_t* pixels) {
  {
    std::lock_guard<std::recursive_mutex> guard(g_display.lock);
    if (!g_display.info.open || !pixels) return;
    size_t count = static_cast<size_t>(g_display.info.width) * static_cast<size_t>(g_display.info.height);
    if (!g_display.frame) g_display.frame = static_cast<uint32_t*>(std::malloc(count * 4));
    if (!g_display.frame) return;
    std::memcpy(g_display.frame, pixels, count * 4);
    g_display.info.presents++;
    g_display.info.last_frame_checksum = fnv1a(pixels, count);
  }
  if (NullPresentHook hook = g_presentHook.load()) hook(pixels);
}

void display_close() {
  std::lock_guard<std::recursive_mutex> guard(g_display.lock);
  g_display.info.open = false;
  g_display.wantFullscreen = false;
}

DisplayIcon display_load_app_icon() { return nullptr; }

NullDisplayInfo null_display_info() {
  std::lock_guard<std::recursive_mutex> guard(g_display.lock);
  return g_display.info;
}

const uint32_t* null_display_last_frame() { return g_display.frame; }

void null_display_set_present_hook(NullPresentHook hook) { g_presentHook = hook; }
