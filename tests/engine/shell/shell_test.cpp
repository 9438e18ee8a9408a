// The shell's whole life with the null back-ends and a small production of the test's own:
// start-up order, frames and positions, the three ways a show ends, and fatal errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/music/xm_builder.h"
#include "engine/vfs/vfs_test_support.h"
#include "platform/null_backend.h"
#include "platform/os.h"
#include "platform/resources.h"
#include "shell/shell.h"

namespace {
// What the production does in this test, chosen per case.
struct Script {
  const char* moduleName = nullptr;
  int framesBeforeEnd = 3;       // demo_frame returns false on this call (0 = first)
  bool fatalInFrame = false;
  bool reportProgress = false;
  std::vector<FrameInfo> frames;
  bool shutdownCalled = false;
  bool advanceDevice = false;
  int32_t width = 0;             // the frame size asked for; 0 keeps the engine's
  int32_t height = 0;
};
Script g_script;

std::vector<uint8_t> g_archive;
EmbeddedResource g_resources[1];

void install_archive(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
  g_archive = pak_header(2048);
  std::vector<RawEntry> entries;
  uint32_t offset = 2048;
  for (const auto& f : files) {
    entries.push_back(RawEntry{f.first, static_cast<uint32_t>(f.second.size()), 0, offset});
    offset += static_cast<uint32_t>(f.second.size());
  }
  put_listing(&g_archive, 16, entries);
  for (const auto& f : files) g_archive.insert(g_archive.end(), f.second.begin(), f.second.end());
  g_resources[0] = {"FileSystem", 102, g_archive.data(), static_cast<uint32_t>(g_archive.size())};
  resources_install(g_resources, 1);
}
}  // namespace

void demo_configure(DemoConfig* config) {
  config->archiveName = "missing.pak";
  config->moduleName = g_script.moduleName;
  config->title = "Shell Test";
  if (g_script.width) {
    config->width = g_script.width;
    config->height = g_script.height;
  }
}

bool demo_init(DemoConfig*) {
  if (g_script.reportProgress) report_progress(0.5f);
  return true;
}

bool demo_frame(FrameBuffer* frame, FrameInfo* info) {
  g_script.frames.push_back(*info);
  if (g_script.fatalInFrame) fatal_error("Boom at %d", 42);
  if (static_cast<int>(g_script.frames.size()) > g_script.framesBeforeEnd) return false;
  frame->pixels[0] = 0x00FF00;
  if (g_script.advanceDevice) {
    null_wave_advance(884 * 4 * 2);
    os_sleep_ms(8);
  }
  return true;
}

void demo_shutdown() {
  g_script.shutdownCalled = true;
  std::fprintf(stderr, "production released\n");
}

class ShellTest : public testing::Test {
 protected:
  void SetUp() override {
    shell_reset_for_tests();
    g_script = Script{};
    install_archive({{"README.TXT", std::vector<uint8_t>{'h', 'i'}}});
  }
  void TearDown() override { resources_install(nullptr, 0); }
};

TEST_F(ShellTest, WithoutAModuleEveryFrameSeesPositionZero) {
  g_script.framesBeforeEnd = 5;
  EXPECT_EQ(shell_main(), 0);
  ASSERT_EQ(g_script.frames.size(), 6u);
  EXPECT_EQ(g_script.frames[0].previousPosition, 0xFFFF);
  EXPECT_LT(g_script.frames[0].time, 1000u);
  for (size_t i = 0; i < g_script.frames.size(); ++i) EXPECT_EQ(g_script.frames[i].position, 0) << i;
  EXPECT_EQ(g_script.frames[1].previousPosition, 0);
  EXPECT_TRUE(g_script.shutdownCalled);
  EXPECT_EQ(shell_flags() & (ModuleLoaded | MusicStarted | RenderRunning | DisplayOpen), 0u);
  NullDisplayInfo display = null_display_info();
  EXPECT_FALSE(display.open);
  EXPECT_EQ(null_display_last_frame()[0], 0x00FF00u);
}

TEST_F(ShellTest, ShowEndingOnItsFirstFramePresentsOnlyTheBlackFrame) {
  g_script.framesBeforeEnd = 0;
  EXPECT_EQ(shell_main(), 0);
  EXPECT_EQ(g_script.frames.size(), 1u);
  NullDisplayInfo display = null_display_info();
  EXPECT_EQ(display.presents, 1u) << "only display_init's black frame";
  EXPECT_EQ(null_display_last_frame()[0], 0u);
}

TEST_F(ShellTest, ModulePositionAdvancesWithTheDevice) {
  XmBuilder song;
  song.channels(2).speed(3).bpm(125).orders({0});
  song.pattern(64);
  add_simple_instrument(song, {0, 1000, 2000, 1000});
  std::vector<uint8_t> xm = song.build();
  install_archive({{"SONG.XM", xm}});
  g_script.moduleName = "song.xm";
  g_script.framesBeforeEnd = 40;
  g_script.advanceDevice = true;
  null_wave_set_stepped(true);
  EXPECT_EQ(shell_main(), 0);
  null_wave_set_stepped(false);
  int last = 0;
  bool moved = false;
  for (const FrameInfo& f : g_script.frames) {
    moved |= f.position != 0;
    EXPECT_GE(f.position, last) << "one pass of one order: the row only grows";
    last = f.position;
  }
  EXPECT_TRUE(moved);
  EXPECT_EQ(shell_flags() & (ModuleLoaded | MusicStarted), 0u);
}

TEST_F(ShellTest, MissingModuleIsFatalWithItsName) {
  g_script.moduleName = "nothing.xm";
  EXPECT_EXIT(shell_main(), testing::ExitedWithCode(1), "File not found: 'nothing.xm'");
}

TEST_F(ShellTest, ModuleThatCannotBeMadeIsFatal) {
  install_archive({{"BAD.XM", std::vector<uint8_t>(100, 'x')}});
  g_script.moduleName = "bad.xm";
  EXPECT_EXIT(shell_main(), testing::ExitedWithCode(1), "Shell Test: Unable to load module 'bad.xm'!");
}

TEST_F(ShellTest, MissingArchiveIsFatal) {
  resources_install(nullptr, 0);
  EXPECT_EXIT(shell_main(), testing::ExitedWithCode(1), "Error opening archive 'missing.pak'.");
}

// Said by the exit hook, after the box: the display fatal_error found open is closed by then.
[[noreturn]] void report_display_at_exit(int code) {
  std::fprintf(stderr, "display %s at exit\n", null_display_info().open ? "open" : "closed");
  std::fflush(stderr);
  std::_Exit(code);
}

// A full-screen window left open would hide the box behind it, so the display is closed first,
// as for every other fatal error.
TEST_F(ShellTest, FrameBufferThatCannotBeAllocatedClosesTheDisplayBeforeItsBox) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' allocators stop the process on a request this size";
#endif
  g_script.width = g_script.height = 1 << 24;  // a petabyte of pixels: more than any address space
  null_os_set_exit_hook(report_display_at_exit);
  EXPECT_EXIT(shell_main(), testing::ExitedWithCode(1), "Shell Test: Error initializing display!\ndisplay closed at exit");
  null_os_set_exit_hook(nullptr);
}

TEST_F(ShellTest, FatalErrorInAFrameIsShownAfterTheWholeShutdownWithCodeZero) {
  g_script.fatalInFrame = true;
  EXPECT_EXIT(
      {
        int code = shell_main();
        std::fflush(nullptr);
        std::_Exit(code);
      },
      testing::ExitedWithCode(0), "production released\nShell Test: Boom at 42");
}

TEST_F(ShellTest, QuitWhileLoadingEndsWithCodeZeroWithoutReleasingTheProduction) {
  g_script.reportProgress = true;
  null_os_quit_after_pumps(1);
  EXPECT_EXIT(
      {
        shell_main();
        std::_Exit(5);
      },
      testing::ExitedWithCode(0), "");
  null_os_quit_after_pumps(0);
}

TEST(FatalError, LongMessagesAreTruncatedNotOverrun) {
  shell_reset_for_tests();
  std::string huge(5000, 'z');
  EXPECT_EXIT(fatal_error("%s", huge.c_str()), testing::ExitedWithCode(1), std::string(1023, 'z') + "\n");
}
