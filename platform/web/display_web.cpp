// The display on the web: the frame goes to the page's canvas at its own size, the page scales it
// by whole factors; the title and the icon become the page's title and favicon.
// Subtle: full screen needs the viewer's gesture, so the show's own requests (at start-up and on
// Alt+Enter) are not acted on; the page toggles full screen on a double click or F.
#include <cstdlib>
#include <cstring>

#include "platform/display.h"
#include "platform/resources.h"

extern "C" {
void k417_web_title(const char* title);
void k417_web_icon(const uint8_t* rgba, int side);
void k417_web_canvas_open(int width, int height);
void k417_web_canvas_present(const uint8_t* rgba, int width, int height);
void k417_web_canvas_close();
}

namespace {
struct WebIcon {
  const uint8_t* rgba;  // side x side pixels, R G B A bytes, rows top down (resource 101)
  int side;
};

struct WebDisplay {
  bool open = false;
  int width = 0, height = 0;
  uint8_t* rgba = nullptr;  // the canvas's byte order: R G B A
  WebIcon icon{};
};
WebDisplay g_display;
}  // namespace

void display_set_title(const char* title) {
  if (title) k417_web_title(title);
}

void display_set_icon(DisplayIcon icon) {
  if (!icon) return;
  const auto* found = static_cast<const WebIcon*>(icon);
  k417_web_icon(found->rgba, found->side);
}

bool display_open(const DisplayRequest* request) {
  WebDisplay& d = g_display;
  if (request->width <= 0 || request->height <= 0) return false;
  size_t bytes = static_cast<size_t>(request->width) * static_cast<size_t>(request->height) * 4;
  auto* rgba = static_cast<uint8_t*>(std::realloc(d.rgba, bytes));
  if (!rgba) return false;
  d.rgba = rgba;
  d.width = request->width;
  d.height = request->height;
  d.open = true;
  k417_web_canvas_open(d.width, d.height);
  return true;
}

DisplayWindow display_window() { return g_display.open ? &g_display : nullptr; }

void display_set_fullscreen(bool) {}
void display_switch_mode(bool) {}

void display_present(const uint32_t* pixels) {
  WebDisplay& d = g_display;
  if (!d.open || !pixels) return;
  size_t count = static_cast<size_t>(d.width) * static_cast<size_t>(d.height);
  uint8_t* out = d.rgba;
  for (size_t i = 0; i < count; ++i, out += 4) {
    uint32_t p = pixels[i];
    out[0] = static_cast<uint8_t>(p >> 16);
    out[1] = static_cast<uint8_t>(p >> 8);
    out[2] = static_cast<uint8_t>(p);
    out[3] = 0xFF;  // opaque: the canvas hands back exactly these bytes
  }
  k417_web_canvas_present(d.rgba, d.width, d.height);
}

void display_close() {
  WebDisplay& d = g_display;
  if (!d.open) return;
  d.open = false;
  k417_web_canvas_close();
}

// The icon the other platforms put on their window, linked in as resource 101 of type "Icon":
// square RGBA pixels. The resource's bytes live for the whole run, so the icon only points at them.
DisplayIcon display_load_app_icon() {
  ResourceView view{};
  if (!resource_load("Icon", 101, &view)) return nullptr;
  int side = 0;
  while (static_cast<uint64_t>(side + 1) * (side + 1) * 4 <= view.size) ++side;
  bool square = side > 0 && static_cast<uint64_t>(side) * side * 4 == view.size;
  g_display.icon = WebIcon{view.data, side};
  resource_release(&view);
  return square ? &g_display.icon : nullptr;
}
