// The application shell's records and the four operations the production plugs in through.
// DemoConfig keeps its thirteen 32-bit slots in order; FrameBuffer starts with Bitmap32's layout.
#pragma once
#include <cstdint>

#include "platform/display.h"

struct FrameBuffer;
using ProgressCallback = void (*)(FrameBuffer* frame, float fraction);

struct DemoConfig {
  int32_t width;            // 320
  int32_t height;           // 200
  int32_t bitsPerPixel;     // 32; the display handles 32 only
  float aspect;             // 4/3, bits 0x3FAAAAAB
  float areaX;              // fraction of the frame, centred, for placing content
  float areaY;
  const char* archiveName;  // null: only the archive inside the executable
  const char* moduleName;   // null: no music
  const char* title;        // window title and caption of every error box
  DisplayIcon icon;
  uint8_t progressOverlay;  // nonzero: the default bar draws over the frame without clearing it
  uint32_t scratchSize;     // bytes of scratch pool; 0 = none
  ProgressCallback progress;
};

struct FrameBuffer {
  uint32_t* pixels;  // width x height, 0x00RRGGBB, rows top to bottom
  int32_t width;
  int32_t height;
  int32_t pitch;     // bytes per row
  float aspect;
  float areaX;
  float areaY;
};

struct FrameInfo {
  uint16_t position;          // order << 8 | row of the music heard; 0 without a module
  uint16_t previousPosition;  // 0xFFFF on the first frame
  uint32_t time;              // ms since the render thread started
};

enum ShellFlagBits : uint32_t {
  DisplayOpen = 0x01,
  ModuleLoaded = 0x02,
  MusicStarted = 0x08,
  RenderRunning = 0x10,
};

// The production (the demo script).
void demo_configure(DemoConfig* config);
bool demo_init(DemoConfig* config);
bool demo_frame(FrameBuffer* frame, FrameInfo* info);
void demo_shutdown();

// printf-style fatal report; never returns. On the render thread the message is deferred to the
// end of the ordinary shutdown; elsewhere music and display are released, the box shown, exit 1.
[[noreturn]] void fatal_error(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Loading progress (main thread, while demo_init runs).
void report_progress(float fraction);
void draw_progress_bar(FrameBuffer* frame, float fraction);
void pump_messages();

// Shell steps, exposed for the entry point and for tests.
int shell_main();
// The engine's defaults, then the production's demo_configure.
void shell_configure(DemoConfig* config);
bool system_init(DemoConfig* config);
void system_shutdown();
bool display_init(DemoConfig* config);
void fill_frame_buffer();
unsigned render_thread(void* unused);
void timer_start();
uint32_t timer_ms();

// The shell's one instance of each record.
DemoConfig* shell_config();
FrameBuffer* shell_frame_buffer();
uint32_t shell_flags();
void shell_reset_for_tests();
