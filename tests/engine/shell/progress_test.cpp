// Loading progress: the bar's geometry with the single-precision factors, the clamps, the overlay
// flag, a null callback, and a quit during loading ending the program with code 0.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/null_backend.h"
#include "shell/shell.h"

namespace {
struct Frame {
  std::vector<uint32_t> pixels;
  FrameBuffer fb{};
  Frame(int w, int h) : pixels(static_cast<size_t>(w) * h, 0x123456) {
    fb = {pixels.data(), w, h, w * 4, 4.0f / 3.0f, 1.0f, 1.0f};
  }
  int white_rows(int* first) const {
    int rows = 0;
    *first = -1;
    for (int y = 0; y < fb.height; ++y)
      if (pixels[static_cast<size_t>(y) * fb.width] == 0xFFFFFFFF) {
        if (*first < 0) *first = y;
        ++rows;
      }
    return rows;
  }
  int bar_width(int row) const {
    int w = 0;
    while (w < fb.width && pixels[static_cast<size_t>(row) * fb.width + w] == 0xFFFFFFFF) ++w;
    return w;
  }
};
}  // namespace

TEST(ProgressBar, FiveRowsAt97ForA200LineFrame) {
  shell_reset_for_tests();
  Frame f(320, 200);
  draw_progress_bar(&f.fb, 1.0f);
  int first;
  EXPECT_EQ(f.white_rows(&first), 5) << "200 x 0.029999999 truncates to 5, not 6";
  EXPECT_EQ(first, 97);
  EXPECT_EQ(f.pixels[96 * 320], 0u) << "the rest is cleared to black";
  EXPECT_EQ(f.pixels[102 * 320], 0u);

  Frame tall(320, 240);
  draw_progress_bar(&tall.fb, 1.0f);
  EXPECT_EQ(tall.white_rows(&first), 7);
  Frame big(640, 480);
  draw_progress_bar(&big.fb, 1.0f);
  EXPECT_EQ(big.white_rows(&first), 14);
}

TEST(ProgressBar, WidthsOfTheProductionsFractions) {
  shell_reset_for_tests();
  const float fractions[] = {0.1f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f};
  const int widths[] = {32, 96, 128, 160, 192, 223, 256, 287, 320};
  for (int i = 0; i < 9; ++i) {
    Frame f(320, 200);
    draw_progress_bar(&f.fb, fractions[i]);
    EXPECT_EQ(f.bar_width(97), widths[i]) << fractions[i];
  }
}

TEST(ProgressBar, OverlayFlagDrawsOverTheFrame) {
  shell_reset_for_tests();
  shell_config()->progressOverlay = 1;
  Frame f(320, 200);
  draw_progress_bar(&f.fb, 0.5f);
  EXPECT_EQ(f.pixels[0], 0x123456u);
  EXPECT_EQ(f.pixels[97 * 320 + 159], 0xFFFFFFFFu);
  EXPECT_EQ(f.pixels[97 * 320 + 160], 0x123456u);
  shell_reset_for_tests();
}

TEST(ReportProgress, ClampsOpensTheDisplayAndPresents) {
  shell_reset_for_tests();
  DemoConfig* config = shell_config();
  config->width = 320;
  config->height = 200;
  config->bitsPerPixel = 32;
  config->title = "Test";
  config->progress = draw_progress_bar;
  uint64_t before = null_display_info().presents;
  report_progress(-0.5f);
  ASSERT_TRUE(shell_flags() & DisplayOpen);
  const uint32_t* shown = null_display_last_frame();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown[97 * 320], 0u) << "no bar below 0";
  report_progress(NAN);
  shown = null_display_last_frame();
  EXPECT_EQ(shown[97 * 320 + 319], 0xFFFFFFFFu) << "not-a-number draws the full bar";
  report_progress(2.0f);
  EXPECT_EQ(null_display_last_frame()[101 * 320 + 319], 0xFFFFFFFFu);
  // A null callback still presents the frame unchanged.
  config->progress = nullptr;
  shell_frame_buffer()->pixels[0] = 0xABCDEF;
  report_progress(0.3f);
  EXPECT_EQ(null_display_last_frame()[0], 0xABCDEFu);
  EXPECT_GE(null_display_info().presents, before + 4 + 1) << "display_init's black frame plus four reports";
}

TEST(ReportProgressDeathTest, QuitDuringLoadingEndsWithCodeZero) {
  EXPECT_EXIT(
      {
        shell_reset_for_tests();
        DemoConfig* config = shell_config();
        config->width = 320;
        config->height = 200;
        config->bitsPerPixel = 32;
        config->progress = draw_progress_bar;
        null_os_quit_after_pumps(1);
        report_progress(0.1f);
        std::exit(7);  // not reached
      },
      testing::ExitedWithCode(0), "");
}
