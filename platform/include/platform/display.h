// The display: one window, windowed (stretched) or full screen (exclusive mode, centred, doubled).
// Plain functions over the one display instance; each platform back-end implements them.
#pragma once
#include <cstdint>

struct DisplayRequest {
  int32_t width;
  int32_t height;
  float aspect;     // carried for the content, not read by the display
  float areaX;
  float areaY;
  uint8_t fullscreen;
};

using DisplayIcon = void*;    // HICON on Windows; back-end specific elsewhere
using DisplayWindow = void*;  // HWND on Windows; back-end specific elsewhere

void display_set_title(const char* title);   // the text must outlive the window
void display_set_icon(DisplayIcon icon);
bool display_open(const DisplayRequest* request);
DisplayWindow display_window();
void display_set_fullscreen(bool want);
void display_switch_mode(bool fullscreen);
void display_present(const uint32_t* pixels);  // width x height 0x00RRGGBB pixels, rows top down
void display_close();

// The production's icon (resource 101), loaded the platform's way; null when there is none.
DisplayIcon display_load_app_icon();
