// The desktop face driven by its scripted hooks on a private X server: what
// the screen shows, what it saves and what its test logs say.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/app/desktop_face_support.h"

using namespace desktop_test;


// Each single-image view shows exactly its own picture, enlarged pixel for pixel.
TEST_F(DesktopFace, ViewsShowTheSourceTheResultAndTheirDifference) {
  DecodedImage source = source_image();
  DecodedImage result = batch_result();
  auto source_at = [&](int x, int y) { return source.pixels.data() + (y * kWidth + x) * 4; };
  auto result_at = [&](int x, int y) { return result.pixels.data() + (y * kWidth + x) * 4; };

  Screenshot original = shot_of(1);
  ASSERT_GT(original.width, 0);
  Placed box = find_image(original, 320);
  ASSERT_GT(box.scale(), 4.0);
  EXPECT_NEAR(double(box.bottom - box.top + 1) / kHeight, box.scale(), 0.1);
  EXPECT_EQ(mismatches(original, box, source_at), 0);

  // The quantized view holds the batch face's colours and nothing else.
  Screenshot quantized = shot_of(0);
  EXPECT_EQ(mismatches(quantized, box, result_at), 0);
  std::map<std::uint32_t, int> colours;
  for (int y = box.top; y <= box.bottom; ++y)
    for (int x = box.left; x <= box.right; ++x) {
      const std::uint8_t* p = quantized.at(x, y);
      ++colours[p[0] << 16 | p[1] << 8 | p[2]];
    }
  EXPECT_LE(colours.size(), 8u);

  Screenshot difference = shot_of(4);
  std::vector<std::uint8_t> expected(4);
  auto difference_at = [&](int x, int y) {
    for (int c = 0; c < 3; ++c)
      expected[c] = static_cast<std::uint8_t>(std::min(255, 8 * std::abs(source_at(x, y)[c] - result_at(x, y)[c])));
    return expected.data();
  };
  EXPECT_EQ(mismatches(difference, box, difference_at), 0);

  // Without a reference the reference views fall back to ours.
  EXPECT_EQ(mismatches(shot_of(5), box, result_at), 0);

  // The split shows the source left of the divider and ours right of it.
  Screenshot split = shot_of(3, {{"KESTRANE_GUI_SPLITPOS", "0.5"}});
  EXPECT_EQ(mismatches(split, box, source_at, 0, 30), 0);
  EXPECT_EQ(mismatches(split, box, result_at, 34, kWidth), 0);
  Screenshot swapped = shot_of(3, {{"KESTRANE_GUI_SPLIT", "ours,original"}, {"KESTRANE_GUI_SPLITPOS", "0.25"}});
  EXPECT_EQ(mismatches(swapped, box, result_at, 0, 14), 0);
  EXPECT_EQ(mismatches(swapped, box, source_at, 18, kWidth), 0);
}

// Two panes fit side by side, each its own picture.
TEST_F(DesktopFace, SideBySideFitsTwoPanes) {
  DecodedImage source = source_image();
  DecodedImage result = batch_result();
  Screenshot shot = shot_of(2);
  ASSERT_GT(shot.width, 0);
  Placed both = find_image(shot, 320);
  Placed first = both;
  double pane_w = (both.right - both.left + 1 - 8.0) / 2;  // two panes, one item spacing apart
  first.right = first.left + static_cast<int>(std::lround(pane_w)) - 1;
  Placed second = first;
  second.left = both.right - (first.right - first.left);
  second.right = both.right;
  EXPECT_EQ(mismatches(shot, first, [&](int x, int y) { return source.pixels.data() + (y * kWidth + x) * 4; }), 0);
  EXPECT_EQ(mismatches(shot, second, [&](int x, int y) { return result.pixels.data() + (y * kWidth + x) * 4; }), 0);
}

// The saved result is the batch face's file byte for byte, and a scripted run
// leaves the settings file alone.
TEST_F(DesktopFace, SaveHookWritesWhatTheBatchFaceWrites) {
  std::string saved = scratch_.file("saved.png");
  ProgramRun ran = run({{"KESTRANE_GUI_SAVE", saved}, {"KESTRANE_GUI_COLORS", "8"}, {"KESTRANE_GUI_DITHER", "0"}});
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  batch_result();
  EXPECT_EQ(ScratchFolder::read_all(saved), ScratchFolder::read_all(scratch_.file("batch.png")));
  EXPECT_FALSE(std::filesystem::exists(scratch_.settings_file()));
}

// A palette file of one colour gives a one-colour picture in both faces, the same bytes.
TEST_F(DesktopFace, BothFacesKeepAOneColourPalette) {
  std::string palette = scratch_.file("one.txt");
  std::ofstream(palette) << "#3366cc\n";
  std::string saved = scratch_.file("saved-one.png");
  ProgramRun ran = run({{"KESTRANE_GUI_SAVE", saved}, {"KESTRANE_GUI_PALFILE", palette}, {"KESTRANE_GUI_DITHER", "0"}});
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  ProgramRun batch = scratch_.run({"--nogui", "--palette", palette, "--dither", "none", "-f", "-o",
                                   scratch_.file("batch-one.png"), source_});
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  DecodedImage image;
  ASSERT_TRUE(load_image_file(saved, image).ok());
  for (std::size_t i = 0; i < image.pixels.size(); i += 4)
    ASSERT_EQ(image.pixels[i] << 16 | image.pixels[i + 1] << 8 | image.pixels[i + 2], 0x3366cc) << i / 4;
  EXPECT_EQ(ScratchFolder::read_all(saved), ScratchFolder::read_all(scratch_.file("batch-one.png")));
}

TEST_F(DesktopFace, ScriptedRunsEndWithTheirOwnExitCodes) {
  // The image named on the command line cannot be read.
  ProgramRun missing = run({{"KESTRANE_GUI_SAVE", scratch_.file("never.png")}}, {scratch_.file("missing.png")});
  EXPECT_EQ(missing.exit_code, 2) << missing.err;
  // Nothing to save ever arrives: the wait gives up after 600 frames.
  ProgramRun waited = run({{"KESTRANE_GUI_SAVE", scratch_.file("never.png")}}, {""});
  EXPECT_EQ(waited.exit_code, 3) << waited.err;
  EXPECT_FALSE(std::filesystem::exists(scratch_.file("never.png")));
}

// Three notches in from 100% give 1.15 cubed, and the image point under the
// cursor never moves while zooming in and out.
TEST_F(DesktopFace, WheelZoomKeepsThePointUnderTheCursor) {
  std::string log_path = scratch_.file("wheel.log");
  ProgramRun ran = run({{"KESTRANE_GUI_WHEELTEST", log_path}, {"KESTRANE_GUI_ZOOM", "1"}});
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  std::istringstream log(ScratchFolder::read_all(log_path));
  std::string line;
  std::map<int, double> scale_at;
  double first_x = NAN, first_y = NAN;
  int lines = 0;
  while (std::getline(log, line)) {
    int frame;
    double scale, pan_x, pan_y, under_x, under_y;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d scale %lf pan %lf %lf under %lf %lf", &frame, &scale, &pan_x,
                          &pan_y, &under_x, &under_y), 6) << line;
    scale_at[frame] = scale;
    if (std::isnan(first_x)) first_x = under_x, first_y = under_y;
    EXPECT_NEAR(under_x, first_x, 0.011) << line;
    EXPECT_NEAR(under_y, first_y, 0.011) << line;
    ++lines;
  }
  EXPECT_GE(lines, 85);
  EXPECT_DOUBLE_EQ(scale_at[12], 1.0);    // the first notch turns during frame 12
  EXPECT_DOUBLE_EQ(scale_at[19], 1.5209);  // after frames 12, 15 and 18
  EXPECT_DOUBLE_EQ(scale_at[85], 1.0);    // ten notches in, ten out
}

// Dragging the splitter 80 pixels right widens the sidebar by 80.
TEST_F(DesktopFace, SplitterDragWidensTheSidebar) {
  std::string log_path = scratch_.file("splitter.log");
  ProgramRun ran = run({{"KESTRANE_GUI_SPLITTEST", log_path}});
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  std::istringstream log(ScratchFolder::read_all(log_path));
  std::string line;
  std::map<int, std::pair<int, double>> active_width;
  while (std::getline(log, line)) {
    int frame, down, active;
    double mouse, width, drawn, image, ui;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d mouse %lf down %d active %d sidebar_w %lf drawn %lf image %lf ui %lf",
                          &frame, &mouse, &down, &active, &width, &drawn, &image, &ui), 8) << line;
    active_width[frame] = {active, width};
  }
  ASSERT_EQ(active_width.size(), 50u);
  EXPECT_EQ(active_width[10], std::make_pair(0, 300.0));
  EXPECT_EQ(active_width[30].first, 1);
  EXPECT_EQ(active_width[49], std::make_pair(0, 380.0));
}
