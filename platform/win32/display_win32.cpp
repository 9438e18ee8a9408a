// The Win32 display: the one window, its class procedure, the shell's key procedure and the switch
// between windowed and full-screen mode. Subtle: the mode is set before a mode is entered, so the
// WM_MOVE/WM_SIZE that entering full screen causes are ignored and the last windowed size survives;
// a full screen that cannot be entered leaves the program running in a window, and a window that
// nothing could paint is never entered.
#include <cstring>

#include "platform/display.h"
#include "display_state.h"

namespace {
DisplayState g_display;

// The system's standard application icon, loaded before the entry point runs.
struct DefaultIcon {
  DefaultIcon() { g_display.icon = LoadIconA(nullptr, IDI_APPLICATION); }
} g_defaultIcon;

constexpr LONG kOverlappedBits = 0x00CF0000;  // WS_OVERLAPPEDWINDOW
constexpr LONG kKeepBits = 0x7F30FFFF;        // everything but WS_POPUP and the overlapped bits
constexpr char kClassName[] = "ORVGFX";

class DisplayLock {
 public:
  explicit DisplayLock(DisplayState& d) : d_(d) { EnterCriticalSection(&d_.lock); }
  ~DisplayLock() { LeaveCriticalSection(&d_.lock); }
  DisplayLock(const DisplayLock&) = delete;
  DisplayLock& operator=(const DisplayLock&) = delete;

 private:
  DisplayState& d_;
};

void show_cursor() {
  while (ShowCursor(TRUE) < 0) {
  }
}

void hide_cursor() {
  while (ShowCursor(FALSE) >= 0) {
  }
}

void enter_windowed(DisplayState& d) {
  LONG style = GetWindowLongA(d.window, GWL_STYLE);
  LONG newStyle = (style & kKeepBits) | kOverlappedBits;
  UINT flags = 0;
  if (newStyle != style) {
    SetWindowLongA(d.window, GWL_STYLE, newStyle);
    flags = SWP_FRAMECHANGED;
    if (d.icon) {
      SendMessageA(d.window, WM_SETICON, ICON_SMALL, 0);
      SendMessageA(d.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(d.icon));
    }
  }
  if (d.placementSaved) {
    SetWindowPlacement(d.window, &d.savedPlacement);
    d.placementSaved = false;
    SetWindowPos(d.window, nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE);
  } else {
    RECT rect{d.windowX, d.windowY, d.windowX + d.clientWidth, d.windowY + d.clientHeight};
    AdjustWindowRect(&rect, static_cast<DWORD>(newStyle), FALSE);
    SetWindowPos(d.window, HWND_TOP, d.windowX, d.windowY, rect.right - rect.left, rect.bottom - rect.top, flags);
    ShowWindow(d.window, SW_SHOWNORMAL);
  }
  show_cursor();
}

// Full screen at opening or on a switch; a failure falls back to the window.
void enter_mode(DisplayState& d, int mode) {
  d.mode = mode;
  if (mode == 1 && enter_fullscreen(d)) return;
  d.mode = 0;
  enter_windowed(d);
}

LRESULT pass_on(DisplayState& d, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(d.appProcedure ? d.appProcedure : DefWindowProcA, window, message, wParam, lParam);
}

LRESULT CALLBACK display_window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DisplayState& d = g_display;
  switch (message) {
    case WM_MOVE:
      if (d.mode == 0) {
        DisplayLock lock(d);
        // Both coordinates signed: a window left of or above the primary screen has negative ones.
        d.windowX = static_cast<int16_t>(lParam & 0xFFFF);
        d.windowY = static_cast<int16_t>((lParam >> 16) & 0xFFFF);
      }
      return 0;
    case WM_SIZE:
      if (d.mode == 0) {
        DisplayLock lock(d);
        d.clientWidth = static_cast<int32_t>(lParam & 0xFFFF);
        d.clientHeight = static_cast<int32_t>((lParam >> 16) & 0xFFFF);
      }
      return 0;
    case WM_PAINT: {
      DisplayLock lock(d);
      if (GetUpdateRect(window, nullptr, FALSE)) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (d.mode == 0) paint_windowed(d, dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_CLOSE:
      PostQuitMessage(0);  // the window is destroyed by display_close, not here
      return 0;
    case WM_ERASEBKGND:
      if (d.mode == 1) return 0;
      break;
    case WM_ACTIVATEAPP:
      d.active.store(wParam != 0, std::memory_order_relaxed);
      if (d.mode == 1 && wParam != 0)
        hide_cursor();
      else
        show_cursor();
      break;
    case WM_SETCURSOR:
      if (d.mode == 1) {
        SetCursor(nullptr);
        return 0;
      }
      break;
    default:
      break;
  }
  return pass_on(d, window, message, wParam, lParam);
}

// Alt+Enter: either Enter key with the Alt context bit, recognised by its scan code.
bool is_alt_enter(LPARAM lParam) {
  return (lParam & (1 << 29)) != 0 && MapVirtualKeyA(static_cast<UINT>((lParam >> 16) & 0x7F), 1) == VK_RETURN;
}

LRESULT CALLBACK shell_window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else if (message == WM_SYSCHAR && is_alt_enter(lParam)) {
    DisplayState& d = g_display;
    // The other mode than the one showing: after a full screen that failed at opening, the first
    // Alt+Enter tries it again. A switch refused or failed leaves wanted what is shown.
    display_switch_mode(d.mode == 0);
    d.wantedFullscreen = d.mode == 1;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void display_set_app_procedure(WNDPROC procedure) { g_display.appProcedure = procedure ? procedure : DefWindowProcA; }

HWND create_display_window(DisplayState& d, int32_t width, int32_t height, bool fullscreen) {
  d.frameWidth = width;
  d.frameHeight = height;
  d.framePitch = (width * 32) / 8;
  if (!d.lockReady) {
    InitializeCriticalSection(&d.lock);
    d.lockReady = true;
  }
  d.dibSection = nullptr;
  d.dibBits = nullptr;
  d.directDraw = nullptr;
  open_backends(d);
  if (!d.appProcedure) d.appProcedure = DefWindowProcA;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = display_window_procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = d.icon;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = d.api.getStockObject ? static_cast<HBRUSH>(d.api.getStockObject(BLACK_BRUSH)) : nullptr;
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);  // fails harmlessly when a second opening finds it registered

  d.clientWidth = width;
  d.clientHeight = height;
  if (GetSystemMetrics(SM_CXFULLSCREEN) >= 3 * width && GetSystemMetrics(SM_CYFULLSCREEN) >= 3 * height) {
    d.clientWidth *= 2;
    d.clientHeight *= 2;
  }
  DWORD style = fullscreen ? WS_POPUP : WS_OVERLAPPEDWINDOW;
  d.window = CreateWindowExA(0, kClassName, d.title, style, d.windowX, d.windowY, d.clientWidth, d.clientHeight,
                             nullptr, nullptr, instance, nullptr);
  if (!d.window) return nullptr;
  enter_mode(d, fullscreen ? 1 : 0);
  return d.window;
}

void release_display(DisplayState& d) {
  leave_fullscreen(d);
  close_backends(d);
  if (d.window) DestroyWindow(d.window);
  d.window = nullptr;
  if (d.lockReady) DeleteCriticalSection(&d.lock);
  d.lockReady = false;
  d.mode = 0;
  d.wantedFullscreen = false;
  d.placementSaved = false;
}
}  // namespace

void display_set_title(const char* title) { g_display.title = title; }
void display_set_icon(DisplayIcon icon) { g_display.icon = static_cast<HICON>(icon); }

bool display_open(const DisplayRequest* request) {
  DisplayState& d = g_display;
  // A window nothing can paint shows no frame: a full screen that fell back to it fails here too.
  if (!create_display_window(d, request->width, request->height, request->fullscreen != 0) ||
      (d.mode == 0 && !windowed_available(d))) {
    release_display(d);
    return false;
  }
  // The opening was the attempt at the mode asked for: display_set_fullscreen with the same wish
  // must not repeat a full screen (and its mode change) that has just failed.
  d.wantedFullscreen = request->fullscreen != 0;
  display_set_app_procedure(shell_window_procedure);
  return true;
}

DisplayWindow display_window() { return g_display.window; }

void display_set_fullscreen(bool want) {
  DisplayState& d = g_display;
  if (want == d.wantedFullscreen) return;
  display_switch_mode(want);
  d.wantedFullscreen = want && d.mode == 1;
}

void display_switch_mode(bool fullscreen) {
  DisplayState& d = g_display;
  int target = fullscreen ? 1 : 0;
  if (target == d.mode || !d.window) return;
  if (target == 1 && !fullscreen_available(d)) return;
  if (target == 0 && !windowed_available(d)) return;  // without DrawDib the window would stay black
  DisplayLock lock(d);
  if (d.mode == 0) {
    d.savedPlacement.length = sizeof d.savedPlacement;  // 44
    if (GetWindowPlacement(d.window, &d.savedPlacement)) d.placementSaved = true;
  }
  leave_fullscreen(d);
  enter_mode(d, target);
}

void display_present(const uint32_t* pixels) {
  DisplayState& d = g_display;
  if (!d.lockReady || !d.window || !pixels) return;
  DisplayLock lock(d);
  if (d.mode == 0)
    present_windowed(d, pixels);
  else
    present_fullscreen(d, pixels);
}

void display_close() {
  DisplayState& d = g_display;
  if (!d.window && !d.lockReady) return;
  release_display(d);
}

DisplayIcon display_load_app_icon() { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)); }
