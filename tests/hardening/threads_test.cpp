// The real program's threads on the null back-ends: the shell with the production and the real
// archive through start-up, many frames with the tune playing in real time on the output thread,
// a switch to a window and back while frames are presented, Escape (a posted close) and the
// whole shutdown. Meant above all for the ThreadSanitizer build, which checks every access here.
// Subtle: the user's side runs on a thread of its own and only reads what the back-end locks
// (the display's counters); the frame record is read after shell_main has joined the render thread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "k417_embedded.h"
#include "platform/null_backend.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "shell/shell.h"
#include "shell/shell_state.h"

namespace {
using Clock = std::chrono::steady_clock;

// Waits until the display has shown at least `presents` frames; false after a generous time-out.
bool wait_presents(uint64_t presents) {
  auto limit = Clock::now() + std::chrono::seconds(300);
  while (null_display_info().presents < presents) {
    if (Clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

struct UserReport {
  bool framesBeforeSwitch = false, windowed = false, framesInWindow = false, fullscreenAgain = false,
       framesAfter = false;
};

// What a viewer does: watches, presses Alt+Enter twice with frames in between, then Escape.
// The first ten presents are display_init's black frame and the nine loading steps.
void viewer(UserReport* report) {
  wait_presents(11);
  auto firstFrame = Clock::now();
  report->framesBeforeSwitch = wait_presents(120);
  display_set_fullscreen(false);
  report->windowed = !null_display_info().fullscreen;
  report->framesInWindow = wait_presents(null_display_info().presents + 60);
  display_set_fullscreen(true);
  report->fullscreenAgain = null_display_info().fullscreen;
  report->framesAfter = wait_presents(null_display_info().presents + 60);
  // At least two seconds of frames and music, so the position has surely moved on.
  std::this_thread::sleep_until(firstFrame + std::chrono::seconds(2));
  os_post_close();
}

TEST(RealProgramThreads, StartFramesModeSwitchEscapeAndShutdown) {
  shell_reset_for_tests();
  null_wave_set_stepped(false);
  k417_install_embedded_resources();
  UserReport report;
  std::thread user(viewer, &report);
  int code = shell_main();
  user.join();
  resources_install(nullptr, 0);

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(report.framesBeforeSwitch);
  EXPECT_TRUE(report.windowed);
  EXPECT_TRUE(report.framesInWindow);
  EXPECT_TRUE(report.fullscreenAgain);
  EXPECT_TRUE(report.framesAfter);
  const FrameInfo& last = shell_state().info;
  EXPECT_GE(last.time, 2000u);
  EXPECT_GT(last.position, 0) << "the music must have moved on in two seconds of real time";
  EXPECT_EQ(shell_flags() & (DisplayOpen | ModuleLoaded | MusicStarted | RenderRunning), 0u);
  EXPECT_FALSE(null_display_info().open);
  EXPECT_EQ(null_os_last_error_box(), std::string());
}
}  // namespace
