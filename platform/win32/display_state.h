// The Win32 display's one state record, shared by the window code and the two presentation back-ends.
// Subtle: `active` is read by the render thread without the lock; everything else changes on the
// main thread, and the pieces the render thread uses change only under the re-entrant lock.
#pragma once
#include <windows.h>
#include <ddraw.h>
#include <vfw.h>

#include <atomic>
#include <cstdint>

// Run-time loaded entry points (DirectDraw, GDI and DrawDib are never imported statically).
using DrawDibOpenProc = HDRAWDIB(WINAPI*)();
using DrawDibDrawProc = BOOL(WINAPI*)(HDRAWDIB, HDC, int, int, int, int, LPBITMAPINFOHEADER, LPVOID, int, int, int,
                                      int, UINT);
using DrawDibCloseProc = BOOL(WINAPI*)(HDRAWDIB);
using CreateDIBSectionProc = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
using DeleteObjectProc = BOOL(WINAPI*)(HGDIOBJ);
using GetStockObjectProc = HGDIOBJ(WINAPI*)(int);
using DirectDrawCreateProc = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);

struct DisplayEntryPoints {
  DrawDibOpenProc drawDibOpen;
  DrawDibDrawProc drawDibDraw;
  DrawDibCloseProc drawDibClose;
  CreateDIBSectionProc createDIBSection;
  DeleteObjectProc deleteObject;
  GetStockObjectProc getStockObject;
  DirectDrawCreateProc directDrawCreate;
};

struct DisplayState {
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  int32_t framePitch = 0;    // bytes: width x 4
  int32_t clientWidth = 0;   // destination of the windowed blit; last size reported in windowed mode
  int32_t clientHeight = 0;
  int32_t windowX = 20;      // last client origin reported in windowed mode
  int32_t windowY = 20;
  std::atomic<bool> active{true};  // last WM_ACTIVATEAPP; full-screen frames are dropped while false
  const char* title = "Untitled";
  HICON icon = nullptr;
  int mode = 0;                    // 0 windowed, 1 full screen
  bool wantedFullscreen = false;
  CRITICAL_SECTION lock{};         // re-entrant: a switch sends messages that take it again
  bool lockReady = false;
  HWND window = nullptr;
  WNDPROC appProcedure = nullptr;
  WINDOWPLACEMENT savedPlacement{};
  bool placementSaved = false;

  // Back-end fields.
  DisplayEntryPoints api{};
  IDirectDraw* directDraw = nullptr;
  IDirectDrawSurface* primary = nullptr;
  IDirectDrawSurface* backBuffer = nullptr;
  uint32_t modeWidth = 0;          // chosen at opening; 0 when no mode holds the frame
  uint32_t modeHeight = 0;
  uint32_t modeBits = 32;
  BITMAPINFOHEADER dibHeader{};
  HBITMAP dibSection = nullptr;
  void* dibBits = nullptr;
  HDRAWDIB drawDib = nullptr;
};

// Presentation back-ends (present_win32.cpp). The window side (display_win32.cpp) calls these.
void load_display_libraries(DisplayEntryPoints* api);
void open_backends(DisplayState& d);            // DirectDraw object, mode choice, DrawDib, DIB section
bool fullscreen_available(const DisplayState& d);
bool windowed_available(const DisplayState& d);
bool enter_fullscreen(DisplayState& d);         // false: nothing of full screen is left behind
void leave_fullscreen(DisplayState& d);
void paint_windowed(DisplayState& d, HDC dc);   // the stretched blit of WM_PAINT
void present_windowed(DisplayState& d, const uint32_t* pixels);
void present_fullscreen(DisplayState& d, const uint32_t* pixels);
void close_backends(DisplayState& d);
