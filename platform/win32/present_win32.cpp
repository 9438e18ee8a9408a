// Presentation on Windows: DirectDraw full screen (flip chain in an exclusive mode) and a 32-bit
// DIB section stretched into the window by DrawDib. Subtle: every DirectDraw, GDI and DrawDib call
// goes through entry points loaded by name, and any of them may be missing or fail; the display
// then keeps to the back-end that still works instead of crashing.
#include <cstring>
#include <vector>

#include "present_copy.h"
#include "display_state.h"
#include "mode_choice.h"

namespace {
struct LibraryEntry {
  const char* name;
  void* slot;  // address of the typed function pointer that receives the entry point
};
struct LibraryTable {
  const char* library;
  const LibraryEntry* entries;  // ends with a null name
};

constexpr DWORD kFullscreenCooperation = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE;  // 0x13
constexpr DWORD kPrimaryFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;                                 // 0x21
constexpr DWORD kPrimaryCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;           // 0x218
constexpr DWORD kClearFlags = DDBLT_COLORFILL | DDBLT_WAIT;                                       // 0x01000400
constexpr DWORD kLockFlags = DDLOCK_WAIT | DDLOCK_WRITEONLY;                                      // 0x21

#if defined(__i386__)
// The records DirectDraw is handed keep their 32-bit sizes there; x86-64 has wider pointers.
static_assert(sizeof(DDSURFACEDESC) == 108, "DDSURFACEDESC is 108 bytes on i686");
static_assert(sizeof(DDBLTFX) == 100, "DDBLTFX is 100 bytes on i686");
#endif

void clear_surface(IDirectDrawSurface* surface) {
  DDBLTFX fx;
  std::memset(&fx, 0, sizeof fx);
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0;
  surface->Blt(nullptr, nullptr, nullptr, kClearFlags, &fx);
}

HRESULT WINAPI collect_mode(LPDDSURFACEDESC desc, LPVOID context) {
  auto* modes = static_cast<std::vector<DisplayModeOffer>*>(context);
  modes->push_back({desc->dwWidth, desc->dwHeight, desc->ddpfPixelFormat.dwRGBBitCount});
  return DDENUMRET_OK;
}

// The smallest 32-bit mode that holds the frame, else the smallest 16-bit one; 0 x 0 when none.
void choose_fullscreen_mode(DisplayState& d) {
  d.modeWidth = d.modeHeight = 0;
  d.modeBits = 32;
  if (!d.directDraw) return;
  std::vector<DisplayModeOffer> modes;
  d.directDraw->EnumDisplayModes(0, nullptr, &modes, collect_mode);
  DisplayModeChoice choice = choose_display_mode(modes.data(), modes.size(), static_cast<uint32_t>(d.frameWidth),
                                                 static_cast<uint32_t>(d.frameHeight));
  d.modeWidth = choice.width;
  d.modeHeight = choice.height;
  d.modeBits = choice.bits;
}

void delete_dib_section(DisplayState& d) {
  if (d.dibSection && d.api.deleteObject) d.api.deleteObject(d.dibSection);
  d.dibSection = nullptr;
  d.dibBits = nullptr;
}

// Bottom-up 32-bit DIB of the frame's size, zeroed (black).
void create_dib_section(DisplayState& d) {
  delete_dib_section(d);
  HDC dc = GetDC(d.window);
  BITMAPINFOHEADER& h = d.dibHeader;
  std::memset(&h, 0, sizeof h);
  h.biSize = sizeof h;  // 40
  h.biWidth = d.frameWidth;
  h.biHeight = d.frameHeight;  // positive: rows stored bottom-up
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  h.biXPelsPerMeter = 1;
  h.biYPelsPerMeter = 1;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader = h;
  void* bits = nullptr;
  if (d.api.createDIBSection) d.dibSection = d.api.createDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (d.dibSection && bits) {
    d.dibBits = bits;
    std::memset(bits, 0, static_cast<size_t>(d.frameWidth) * d.frameHeight * 4);
  } else {
    delete_dib_section(d);
  }
  if (dc) ReleaseDC(d.window, dc);
}

void release_flip_chain(DisplayState& d) {
  if (d.primary) d.primary->Release();  // the attached back buffer goes with it
  d.primary = nullptr;
  d.backBuffer = nullptr;
}

// Undoes a full-screen entry that stopped half-way, so the window can go on windowed.
bool abandon_fullscreen(DisplayState& d, bool modeChanged) {
  release_flip_chain(d);
  if (modeChanged) d.directDraw->RestoreDisplayMode();
  d.directDraw->SetCooperativeLevel(d.window, DDSCL_NORMAL);
  SetWindowPos(d.window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return false;
}
}  // namespace

void load_display_libraries(DisplayEntryPoints* api) {
  const LibraryEntry drawDib[] = {{"DrawDibOpen", &api->drawDibOpen},
                                         {"DrawDibDraw", &api->drawDibDraw},
                                         {"DrawDibClose", &api->drawDibClose},
                                         {nullptr, nullptr}};
  const LibraryEntry gdi[] = {{"CreateDIBSection", &api->createDIBSection},
                                     {"DeleteObject", &api->deleteObject},
                                     {"GetStockObject", &api->getStockObject},
                                     {nullptr, nullptr}};
  const LibraryEntry directDraw[] = {{"DirectDrawCreate", &api->directDrawCreate}, {nullptr, nullptr}};
  const LibraryTable table[] = {
      {"MSVFW32.DLL", drawDib}, {"GDI32.DLL", gdi}, {"DDRAW.DLL", directDraw}, {nullptr, nullptr}};
  // The libraries stay loaded for the life of the process. A missing library or entry leaves a null slot.
  for (const LibraryTable* library = table; library->library; ++library) {
    HMODULE module = LoadLibraryA(library->library);
    for (const LibraryEntry* entry = library->entries; entry->name; ++entry) {
      FARPROC address = module ? GetProcAddress(module, entry->name) : nullptr;
      std::memcpy(entry->slot, &address, sizeof address);
    }
  }
}

void open_backends(DisplayState& d) {
  load_display_libraries(&d.api);
  d.directDraw = nullptr;
  if (d.api.directDrawCreate && FAILED(d.api.directDrawCreate(nullptr, &d.directDraw, nullptr))) d.directDraw = nullptr;
  choose_fullscreen_mode(d);
  d.drawDib = d.api.drawDibOpen ? d.api.drawDibOpen() : nullptr;
  create_dib_section(d);
}

bool fullscreen_available(const DisplayState& d) { return d.directDraw && d.modeWidth != 0 && d.modeHeight != 0; }

bool windowed_available(const DisplayState& d) { return d.drawDib && d.api.drawDibDraw && d.dibBits; }

bool enter_fullscreen(DisplayState& d) {
  if (!fullscreen_available(d)) return false;
  SetCursor(nullptr);
  if (FAILED(d.directDraw->SetCooperativeLevel(d.window, kFullscreenCooperation))) return abandon_fullscreen(d, false);
  if (FAILED(d.directDraw->SetDisplayMode(d.modeWidth, d.modeHeight, d.modeBits))) return abandon_fullscreen(d, false);
  SetWindowLongA(d.window, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
  SetWindowPos(d.window, HWND_TOPMOST, 0, 0, static_cast<int>(d.modeWidth), static_cast<int>(d.modeHeight),
               SWP_SHOWWINDOW | SWP_FRAMECHANGED);

  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = kPrimaryFlags;
  desc.ddsCaps.dwCaps = kPrimaryCaps;
  desc.dwBackBufferCount = 1;
  if (FAILED(d.directDraw->CreateSurface(&desc, &d.primary, nullptr)) || !d.primary) {
    d.primary = nullptr;
    return abandon_fullscreen(d, true);
  }
  DDSCAPS caps;
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  if (FAILED(d.primary->GetAttachedSurface(&caps, &d.backBuffer)) || !d.backBuffer) {
    d.backBuffer = nullptr;
    return abandon_fullscreen(d, true);
  }
  clear_surface(d.primary);
  clear_surface(d.backBuffer);
  return true;
}

void leave_fullscreen(DisplayState& d) {
  if (d.mode != 1) return;
  release_flip_chain(d);
  if (!d.directDraw) return;
  d.directDraw->RestoreDisplayMode();
  d.directDraw->SetCooperativeLevel(d.window, DDSCL_NORMAL);
}

void paint_windowed(DisplayState& d, HDC dc) {
  if (!windowed_available(d)) return;  // the class brush has painted the client area black
  d.api.drawDibDraw(d.drawDib, dc, 0, 0, d.clientWidth, d.clientHeight, &d.dibHeader, d.dibBits, 0, 0, d.frameWidth,
                    d.frameHeight, 0);
}

void present_windowed(DisplayState& d, const uint32_t* pixels) {
  if (!d.dibBits) return;
  present_copy_bottom_up(static_cast<uint8_t*>(d.dibBits), pixels, static_cast<uint32_t>(d.frameWidth),
                         static_cast<uint32_t>(d.frameHeight));
  InvalidateRect(d.window, nullptr, FALSE);
}

void present_fullscreen(DisplayState& d, const uint32_t* pixels) {
  if (!d.active.load(std::memory_order_relaxed)) return;
  if (!d.primary || !d.backBuffer) return;
  if (d.primary->IsLost() != DD_OK || d.backBuffer->IsLost() != DD_OK) {
    d.primary->Restore();
    d.backBuffer->Restore();
    clear_surface(d.primary);
    clear_surface(d.backBuffer);
  }
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  if (FAILED(d.backBuffer->Lock(nullptr, &desc, kLockFlags, nullptr))) return;
  SurfaceDesc surface{static_cast<uint8_t*>(desc.lpSurface), desc.dwWidth, desc.dwHeight, desc.lPitch,
                      desc.ddpfPixelFormat.dwRGBBitCount, desc.ddpfPixelFormat.dwGBitMask};
  if (surface.pixels)
    present_copy(surface, pixels, static_cast<uint32_t>(d.frameWidth), static_cast<uint32_t>(d.frameHeight),
                 d.modeWidth, d.modeHeight);
  d.backBuffer->Unlock(nullptr);
  // A blit into the primary after the vertical blank instead of a flip: the same frame on Windows,
  // but wine's DirectDraw without 3D frees the memory behind a buffer's DC on every synchronised
  // flip and draws from that DC on the next one (a fault once the freed block is unmapped, seen
  // with the i686 build). A blit into the primary never swaps those buffers.
  d.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
  d.primary->Blt(nullptr, d.backBuffer, nullptr, DDBLT_WAIT, nullptr);
  ValidateRect(d.window, nullptr);
}

void close_backends(DisplayState& d) {
  if (d.directDraw) d.directDraw->Release();
  d.directDraw = nullptr;
  delete_dib_section(d);
  if (d.drawDib && d.api.drawDibClose) d.api.drawDibClose(d.drawDib);
  d.drawDib = nullptr;
}
