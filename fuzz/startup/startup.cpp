// Fuzzes the whole start-up over an archive: the bytes become the embedded archive, then the
// shell's own steps run on the null back-ends (mount, tune, display, tables, demo_init with its
// font and picture), the music starts on the stepped device and a few frames are drawn.
// Subtle: a fatal error is a designed outcome, not a finding. The null exit hook jumps back here
// instead of ending the process; the box must hold one of the start-up's own messages, and then
// everything is released as the ordinary shutdown would, so the leak check still holds per input.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "music/playback.h"
#include "platform/null_backend.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "shell/crt_rand.h"
#include "music/music_glue.h"
#include "shell/shell.h"
#include "shell/shell_state.h"
#include "shell/tables.h"

namespace {
std::jmp_buf g_fatalReturn;

[[noreturn]] void back_to_fuzzer(int code) { std::longjmp(g_fatalReturn, code + 1); }

// What a start-up over any archive may end with; anything else is a finding.
bool expected_fatal(const char* message) {
  static const char* const kMessages[] = {
      "File not found: 'fini.xm'",           "File not found: 'fontje.dat'",
      "File not found: '64.pcx'",            "Unable to load module 'fini.xm'!",
      "Error loading font 'fontje.dat'.\n",  "Error extracting texture '64.pcx'.\n",
  };
  for (const char* text : kMessages)
    if (std::strcmp(message, text) == 0) return true;
  return false;
}

constexpr uint64_t kSegmentBytes = 884 * 4;

// Moves the stepped device on and waits (bounded) until the output thread has rendered up to it.
void advance_music(int32_t segments) {
  Playback& state = playback();
  if (!state.thread) return;
  null_wave_advance(kSegmentBytes * static_cast<uint64_t>(segments));
  int32_t target = (state.playSegment.load() + segments) % state.segmentCount;
  for (int wait = 0; wait < 2000 && state.playSegment.load() != target; ++wait) os_sleep_ms(1);
  if (state.playSegment.load() != target) __builtin_trap();  // the output thread stopped following
}

// The render thread's work for a handful of frames: positions from the music as heard, then one
// frame in every block of the script, as a tune jumping about could lead to.
void draw_frames() {
  static const uint16_t kScenes[] = {0x0210, 0x0500, 0x0900, 0x0C00, 0x1000, 0x1310, 0x1420,
                                     0x1900, 0x1A10, 0x1D00, 0x1F00, 0x2100, 0x2230};
  FrameInfo info{0xFFFF, 0xFFFF, 0};
  auto frame = [&info](uint16_t position) {
    info.previousPosition = info.position;
    info.position = position;
    info.time += 17;
    if (!demo_frame(shell_frame_buffer(), &info)) return false;
    display_present(shell_frame_buffer()->pixels);
    return true;
  };
  music_start();
  for (int k = 0; k < 4; ++k) {
    if (!frame(static_cast<uint16_t>(music_position()))) return;
    advance_music(25);
  }
  for (uint16_t position : kScenes)
    if (!frame(position)) return;
}

// The shell's releases in its own order; each is harmless when its part never came up.
void release_everything() {
  if (shell_module_exists()) shell_release_music();
  demo_shutdown();
  free_tables();
  system_shutdown();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  null_os_set_exit_hook(back_to_fuzzer);
  null_wave_set_stepped(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 21)) return 0;
  static EmbeddedResource table[1];
  table[0] = EmbeddedResource{"FileSystem", 102, data, static_cast<uint32_t>(size)};
  resources_install(table, 1);
  shell_reset_for_tests();
  crt_srand(1);

  int jumped = setjmp(g_fatalReturn);
  if (jumped == 0) {
    DemoConfig* config = shell_config();
    shell_configure(config);
    if (!system_init(config)) fatal_error("Error initializing system!");
    build_tables();
    fill_frame_buffer();
    if (!demo_init(config)) fatal_error("Error initializing demo!");
    draw_frames();
  } else {
    // fatal_error has released the music and closed the display; it must have meant to exit 1.
    if (jumped - 1 != 1) __builtin_trap();
    if (!expected_fatal(null_os_last_error_box())) __builtin_trap();
    if (shell_flags() & (DisplayOpen | ModuleLoaded | MusicStarted)) __builtin_trap();
  }
  release_everything();
  resources_install(nullptr, 0);
  return 0;
}
