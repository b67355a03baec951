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
