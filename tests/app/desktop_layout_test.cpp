// Where the desktop face puts things: the image pane beside the sidebar whatever
// the palette editor did, and the window where it was left.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "io/settings.h"
#include "tests/app/desktop_face_support.h"

using namespace desktop_test;

class DesktopLayout : public DesktopFace {
 protected:
  Placed image_with(const std::string& settings, Environment environment, const std::string& name) {
    scratch_.write_settings("[Brisel Quantizer]\nsec_palette=1\n" + settings);
    std::string path = scratch_.file(name + ".bmp");
    environment.push_back({"KESTRANE_GUI_SHOT", path});
    ProgramRun ran = run(environment);
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    Screenshot shot = read_bitmap(path);
    EXPECT_GT(shot.width, 0) << name;
    return shot.width > 0 ? find_image(shot, 320) : Placed{};
  }
};

// The entry editor's saved position belongs to the editor alone: neither a start
// with it saved nor opening and closing the editor then moves the image pane there.
TEST_F(DesktopLayout, PaletteEditorLeavesTheImagePaneInPlace) {
  Placed plain = image_with("", {}, "plain");
  ASSERT_GT(plain.right, plain.left);
  EXPECT_LT(plain.top, 100);
  Placed reopened = image_with("paledit_x=72\npaledit_y=370\n",
                               {{"KESTRANE_GUI_PALOPEN", "2"}, {"KESTRANE_GUI_KEYS", "esc,esc,esc,esc"}}, "reopened");
  EXPECT_EQ(reopened.left, plain.left);
  EXPECT_EQ(reopened.top, plain.top);
  EXPECT_EQ(reopened.right, plain.right);
}

namespace {

// The output of a shell command run against `display`.
std::string command_output(const std::string& display, const std::string& command) {
  std::string line = "DISPLAY=" + display + " " + command + " 2>/dev/null";
  std::string output;
  if (std::FILE* pipe = popen(line.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

bool eventually(const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 300; ++attempt) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace

// Start, close through the window manager, start again: the window comes back
// where it was, not lower by its title bar each time.
TEST_F(DesktopLayout, WindowReturnsWhereItWasUnderADecoratingWindowManager) {
  if (std::system("command -v openbox > /dev/null && command -v wmctrl > /dev/null") != 0)
    GTEST_SKIP() << "openbox or wmctrl is not installed";
  pid_t manager = fork();
  if (manager == 0) {
    setenv("DISPLAY", display_.name().c_str(), 1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(manager, 0);
  ASSERT_TRUE(eventually([&] { return !command_output(display_.name(), "wmctrl -m").empty(); }))
      << "openbox did not come up";
  std::vector<std::pair<int, int>> positions;
  for (int round = 0; round < 3; ++round) {
    pid_t face = start({});
    bool shown = eventually([&] {
      return command_output(display_.name(), "wmctrl -l").find("Brisel Quantizer") != std::string::npos;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the frame settles
    command_output(display_.name(), "wmctrl -c 'Brisel Quantizer'");
    ProgramRun ran = scratch_.finish(face);
    ASSERT_TRUE(shown) << ran.err;
    ASSERT_EQ(ran.exit_code, 0) << ran.err;
    positions.push_back({settings_read_int(scratch_.settings_file(), "window_x", -1),
                         settings_read_int(scratch_.settings_file(), "window_y", -1)});
  }
  kill(manager, SIGTERM);
  waitpid(manager, nullptr, 0);
  EXPECT_EQ(positions[0], std::make_pair(80, 60));
  EXPECT_EQ(positions[1], positions[0]);
  EXPECT_EQ(positions[2], positions[0]);
}

// At the default sidebar width every row of every section fits, in English and
// in Japanese, with the rows that only some states show (a loaded palette, the
// comparison, the longest dithering choice) showing.
TEST_F(DesktopLayout, EverySectionFitsTheDefaultSidebar) {
  std::string palette = scratch_.file("three.txt");
  std::ofstream(palette) << "#102030\n#405060\n#a0b0c0\n";
  std::string program = scratch_.file("a-rather-long-folder-name/brisel-reference-imagemagick");
  for (const char* language : {"en", "ja"}) {
    if (std::string(language) == "ja" &&
        !std::filesystem::exists("/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"))
      continue;  // without the font the Japanese text is not what users see
    std::string log = scratch_.file(std::string("fit-") + language + ".log");
    ProgramRun ran = run({{"KESTRANE_GUI_FITTEST", log},
                          {"KESTRANE_GUI_LANG", language},
                          {"KESTRANE_GUI_SECTIONS", "all"},
                          {"KESTRANE_GUI_DITHER", "4"},
                          {"KESTRANE_GUI_PALFILE", palette},
                          {"KESTRANE_GUI_COMPARE", program}});
    ASSERT_EQ(ran.exit_code, 0) << ran.err;
    double overflow = -1;
    ASSERT_EQ(std::sscanf(ScratchFolder::read_all(log).c_str(), "overflow %lf", &overflow), 1) << language;
    EXPECT_EQ(overflow, 0.0) << language;
  }
}
