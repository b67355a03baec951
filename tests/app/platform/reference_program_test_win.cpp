// The comparison's ImageMagick adapter on Windows: it needs magick.exe, since
// the convert.exe that every Windows has is the disk converter.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell/reference_program.h"

namespace fs = std::filesystem;

TEST(WindowsReferenceProgram, ImageMagickCountsOnlyAsMagick) {
  fs::path folder = fs::temp_directory_path() / "brisel-reference-program-test";
  fs::create_directories(folder);
  std::ofstream(folder / "brisel-reference-imagemagick.exe") << "MZ";
  std::vector<std::string> asked;
  std::vector<std::string> tools;
  ToolOnPath on_path = [&](const std::string& tool) {
    asked.push_back(tool);
    return std::find(tools.begin(), tools.end(), tool) != tools.end();
  };
  tools = {"convert"};
  EXPECT_EQ(locate_reference_program(folder.string(), on_path), "");
  EXPECT_EQ(asked, std::vector<std::string>{"magick"});
  tools = {"magick"};
  EXPECT_EQ(fs::path(locate_reference_program(folder.string(), on_path)).filename(),
            "brisel-reference-imagemagick.exe");
  fs::remove_all(folder);
}
