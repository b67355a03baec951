// How the desktop face looks in its themes and languages, read off screenshots.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
  Screenshot dark = shot_with_settings("theme=0\n", {}, "dark");
  Screenshot light = shot_with_settings("theme=1\n", {}, "light");
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
