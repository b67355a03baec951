// How the desktop face looks in its themes and languages, read off screenshots.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/app/desktop_face_support.h"

using namespace desktop_test;

class DesktopLook : public DesktopFace {
 protected:
  Screenshot shot_with_settings(const std::string& settings, Environment environment, const std::string& name) {
    std::filesystem::create_directories(std::filesystem::path(scratch_.settings_file()).parent_path());
    std::ofstream(scratch_.settings_file()) << "[Brisel Quantizer]\n" << settings;
    std::string path = scratch_.file(name + ".bmp");
    environment.push_back({"KESTRANE_GUI_SHOT", path});
    ProgramRun ran = run(environment);
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    return read_bitmap(path);
  }
};

namespace {
int brightness(const Screenshot& shot, int x, int y) {
  const std::uint8_t* p = shot.at(x, y);
  return (p[0] + p[1] + p[2]) / 3;
}
}  // namespace

// The light theme paints the window light where the dark one paints it dark,
// behind the sidebar and the status line alike.
TEST_F(DesktopLook, LightAndDarkThemes) {
  // Every section folded, so the lower sidebar is bare window whatever the
  // sections come to hold.
  const std::string folded =
      "sec_quantizer=0\nsec_view=0\nsec_compare=0\nsec_focus=0\nsec_dithermap=0\n"
      "sec_pins=0\nsec_result=0\nsec_palette=0\n";
  Screenshot dark = shot_with_settings(folded + "theme=0\n", {}, "dark");
  Screenshot light = shot_with_settings(folded + "theme=1\n", {}, "light");
  ASSERT_GT(dark.width, 0);
  ASSERT_GT(light.width, 0);
  ASSERT_EQ(light.width, dark.width);
  int bottom_of_sidebar = dark.height - 60;
  EXPECT_LT(brightness(dark, 100, bottom_of_sidebar), 60);
  EXPECT_GT(brightness(light, 100, bottom_of_sidebar), 215);
  int status_line = dark.height - 4;
  EXPECT_LT(brightness(dark, dark.width / 2, status_line), 60);
  EXPECT_GT(brightness(light, light.width / 2, status_line), 215);
}

namespace {

// The menu bar's first label, as blocks of `width` columns from its first ink.
std::vector<std::vector<int>> label_blocks(const Screenshot& shot, int width, int count) {
  int first = -1;
  for (int x = 0; x < 200 && first < 0; ++x)
    for (int y = 2; y < 20; ++y)
      if (brightness(shot, x, y) > 150) {
        first = x;
        break;
      }
  std::vector<std::vector<int>> blocks;
  if (first < 0) return blocks;
  for (int b = 0; b < count; ++b) {
    std::vector<int> block;
    for (int y = 2; y < 20; ++y)
      for (int x = first + b * width; x < first + (b + 1) * width; ++x) block.push_back(brightness(shot, x, y) > 150);
    blocks.push_back(block);
  }
  return blocks;
}

int differing(const std::vector<int>& a, const std::vector<int>& b) {
  int count = 0;
  for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

}  // namespace

// In Japanese the menus are written in Japanese glyphs: "ファイル" shows four
// different characters, not four copies of a missing-glyph box.
TEST_F(DesktopLook, JapaneseMenusShowJapaneseGlyphs) {
  if (!std::filesystem::exists("/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"))
    GTEST_SKIP() << "fonts-noto-cjk is not installed";
  Screenshot japanese = shot_with_settings("", {{"KESTRANE_GUI_LANG", "ja"}}, "ja");
  Screenshot english = shot_with_settings("", {{"KESTRANE_GUI_LANG", "en"}}, "en");
  ASSERT_GT(japanese.width, 0);
  ASSERT_GT(english.width, 0);
  const int glyph = 16;  // full-width characters at the Japanese size
  auto characters = label_blocks(japanese, glyph, 4);
  ASSERT_EQ(characters.size(), 4u);
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) EXPECT_GT(differing(characters[a], characters[b]), 10) << a << " vs " << b;
  auto latin = label_blocks(english, glyph, 1);
  ASSERT_EQ(latin.size(), 1u);
  EXPECT_GT(differing(characters[0], latin[0]), 10);
}

namespace {

// The grey levels seen over the image's transparent half.
std::set<int> greys_over_transparent_half(const Screenshot& shot, const Placed& box) {
  std::set<int> greys;
  for (int y = 4; y < kHeight; ++y)
    for (int x = 0; x < kWidth / 2 - 2; ++x) {  // clear of the split divider
      const std::uint8_t* p = pixel_on_screen(shot, box, x, y);
      greys.insert(p[0] == p[1] && p[1] == p[2] ? p[0] : -1);
    }
  return greys;
}

}  // namespace

// Transparent pixels show checks in the picture views, unless the View option
// is off; the Difference view keeps its own black.
TEST_F(DesktopLook, TransparencyShowsAsChecks) {
  Placed box = find_image(shot_with_settings("", {{"KESTRANE_GUI_VIEW", "1"}}, "opaque"), 320);
  ASSERT_GT(box.right, box.left);
  write_gradient_png(source_, true);
  const std::set<int> checks = {102, 153};
  for (const char* view : {"0", "1", "3"}) {
    Screenshot shot = shot_with_settings("", {{"KESTRANE_GUI_VIEW", view}}, std::string("checks") + view);
    ASSERT_GT(shot.width, 0);
    EXPECT_EQ(greys_over_transparent_half(shot, box), checks) << "view " << view;
  }
  Screenshot off = shot_with_settings("checkerboard=0\n", {{"KESTRANE_GUI_VIEW", "1"}}, "off");
  Screenshot difference = shot_with_settings("", {{"KESTRANE_GUI_VIEW", "4"}}, "difference");
  for (const Screenshot* shot : {&off, &difference}) {
    ASSERT_GT(shot->width, 0);
    std::set<int> greys = greys_over_transparent_half(*shot, box);
    EXPECT_EQ(greys.count(102) + greys.count(153), 0u);
  }
}
