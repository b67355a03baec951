// Editing through the desktop face's menus, sidebar and paint hooks, driven by
// scripted keys and clicks on a private X server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "io/palette_file.h"
#include "tests/app/desktop_face_support.h"

using namespace desktop_test;

namespace {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool found() const { return right >= left; }
};

// The pressed-looking preset: the sidebar button drawn in the active-button blue.
Box current_preset(const Screenshot& shot) {
  Box box;
  for (int y = 30; y < shot.height / 2; ++y)
    for (int x = 0; x < 300; ++x) {
      const std::uint8_t* p = shot.at(x, y);
      if (p[0] < 40 && p[1] > 115 && p[1] < 155 && p[2] > 235)
        box.left = std::min(box.left, x), box.right = std::max(box.right, x),
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
    }
  return box;
}

// The preset buttons' runs along the row just inside their top edge, left to right.
std::vector<std::pair<int, int>> preset_buttons(const Screenshot& shot, int y) {
  std::vector<std::pair<int, int>> runs;
  int start = -1;
  for (int x = 0; x < 300; ++x) {
    const std::uint8_t* p = shot.at(x, y);
    bool button = p[2] > 70 && p[2] > p[0] + 30;
    if (button && start < 0) start = x;
    if (!button && start >= 0) {
      if (x - start > 6) runs.push_back({start, x - 1});
      start = -1;
    }
  }
  return runs;
}

int distinct_colours(const Screenshot& shot, const Placed& box) {
  std::set<int> colours;
  for (int y = 4; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* p = pixel_on_screen(shot, box, x, y);
      colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    }
  return static_cast<int>(colours.size());
}

double mean_brightness(const Screenshot& shot, int x0, int y0, int x1, int y1) {
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) sum += shot.at(x, y)[0] + shot.at(x, y)[1] + shot.at(x, y)[2];
  return sum / ((x1 - x0) * (y1 - y0) * 3.0);
}

int differing_pixels(const Screenshot& a, const Screenshot& b, int x0, int y0, int x1, int y1) {
  int count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!std::equal(a.at(x, y), a.at(x, y) + 3, b.at(x, y))) ++count;
  return count;
}

}  // namespace

class DesktopEditing : public DesktopFace {
 protected:
  Screenshot shot(Environment environment, const std::string& name) {
    std::string path = scratch_.file(name + ".bmp");
    environment.push_back({"KESTRANE_GUI_SHOT", path});
    ProgramRun ran = run(environment);
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    return read_bitmap(path);
  }
};

// A preset click sets the count, the result follows it, and Ctrl+Z takes it back.
TEST_F(DesktopEditing, PresetClickAndUndo) {
  Environment quantized = {{"KESTRANE_GUI_VIEW", "0"}, {"KESTRANE_GUI_DITHER", "0"}};
  Screenshot before = shot(quantized, "before");
  ASSERT_GT(before.width, 0);
  Box shown = current_preset(before);
  ASSERT_TRUE(shown.found());
  auto buttons = preset_buttons(before, shown.top + 2);
  ASSERT_EQ(buttons.size(), 8u);  // 2 4 8 16 32 64 128 256, the last one pressed
  EXPECT_NEAR(buttons[7].first, shown.left, 2);
  std::string click = std::to_string((buttons[2].first + buttons[2].second) / 2) + "," +
                      std::to_string((shown.top + shown.bottom) / 2);

  Environment clicked = quantized;
  clicked.push_back({"KESTRANE_GUI_CLICK", click});
  Screenshot eight = shot(clicked, "eight");
  Box pressed = current_preset(eight);
  EXPECT_NEAR(pressed.left, buttons[2].first, 2);
  EXPECT_LE(distinct_colours(eight, find_image(eight, 320)), 8);

  // Saved later in the same run, the result holds the eight colours.
  std::string saved = scratch_.file("eight.png");
  std::string script = scratch_.file("save.sh");
  std::ofstream(script) << "#!/bin/sh\necho '" << saved << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  Environment and_saved = clicked;
  and_saved.insert(and_saved.end(), {{"BRISEL_FILE_DIALOG", script}, {"KESTRANE_GUI_KEYS", "esc,esc,esc,ctrl+s"}});
  shot(and_saved, "saved");
  DecodedImage written;
  ASSERT_TRUE(load_image_file(saved, written).ok());
  std::set<std::uint32_t> colours;
  for (std::size_t i = 0; i < written.pixels.size(); i += 4)
    colours.insert(written.pixels[i] << 16 | written.pixels[i + 1] << 8 | written.pixels[i + 2]);
  EXPECT_EQ(colours.size(), 8u);

  clicked.push_back({"KESTRANE_GUI_KEYS", "esc,ctrl+z"});  // the undo comes one slot after the click
  Screenshot undone = shot(clicked, "undone");
  EXPECT_NEAR(current_preset(undone).left, shown.left, 2);
  EXPECT_GT(distinct_colours(undone, find_image(undone, 320)), 8);
}

// With dithering off its strength slider is drawn greyed out.
TEST_F(DesktopEditing, DitheringOffGreysOutStrength) {
  Screenshot on = shot({{"KESTRANE_GUI_DITHER", "1"}}, "on");
  Screenshot off = shot({{"KESTRANE_GUI_DITHER", "0"}}, "off");
  ASSERT_GT(on.width, 0);
  ASSERT_GT(off.width, 0);
  Box presets = current_preset(on);
  ASSERT_TRUE(presets.found());
  // Speed, Dithering, then Strength: three rows below the presets.
  int row = presets.bottom - presets.top + 5;
  int top = presets.top + 3 * row;
  double lit = mean_brightness(on, 16, top, 200, top + row - 4);
  double greyed = mean_brightness(off, 16, top, 200, top + row - 4);
  EXPECT_LT(greyed, lit * 0.8) << lit << " vs " << greyed;
}

// Alt+F opens File; Alt, then Right twice and Down opens View instead.
TEST_F(DesktopEditing, MenusOpenFromTheKeyboard) {
  Screenshot plain = shot({}, "plain");
  Screenshot file = shot({{"KESTRANE_GUI_KEYS", "alt+f"}}, "file");
  Screenshot view = shot({{"KESTRANE_GUI_KEYS", "alt,right,right,down"}}, "view");
  ASSERT_GT(plain.width, 0);
  ASSERT_GT(file.width, 0);
  ASSERT_GT(view.width, 0);
  // File's menu hangs from the window's left edge, View's from further right.
  EXPECT_GT(differing_pixels(plain, file, 4, 40, 60, 90), 500);
  EXPECT_EQ(differing_pixels(plain, view, 4, 40, 60, 90), 0);
  EXPECT_GT(differing_pixels(plain, view, 120, 40, 240, 90), 500);
}

// A tap starts at File whichever menu was used last, so the same keys after Help
// was opened and closed still reach View. Alt held while the wheel turns sizes
// the brush: no tap, so a letter after it opens nothing.
TEST_F(DesktopEditing, AltTapStartsAtFileAndAltWithTheWheelIsNoTap) {
  Screenshot plain = shot({}, "plain");
  Screenshot after_help = shot({{"KESTRANE_GUI_KEYS", "alt+h,esc,esc,alt,right,right,down"}}, "after_help");
  Screenshot wheeled = shot({{"KESTRANE_GUI_KEYS", "alt+wheelup,f"}}, "wheeled");
  ASSERT_GT(plain.width, 0);
  ASSERT_GT(after_help.width, 0);
  ASSERT_GT(wheeled.width, 0);
  EXPECT_EQ(differing_pixels(plain, after_help, 4, 40, 60, 90), 0);
  EXPECT_GT(differing_pixels(plain, after_help, 120, 40, 240, 90), 500);
  EXPECT_EQ(differing_pixels(plain, wheeled, 4, 40, 60, 90), 0);
}

namespace {

// Mostly a grey ramp, with a small patch of reds in the top right corner.
void write_grey_with_red_patch(const std::string& path) {
  std::vector<std::uint8_t> rgba(kWidth * kHeight * 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = rgba.data() + (y * kWidth + x) * 4;
      bool patch = x >= 48 && x < 60 && y >= 4 && y < 16;
      std::uint8_t grey = static_cast<std::uint8_t>(40 + x * 3);
      p[0] = patch ? static_cast<std::uint8_t>(150 + (x - 48) * 8) : grey;
      p[1] = patch ? static_cast<std::uint8_t>(20 + (y - 4) * 6) : grey;
      p[2] = patch ? 30 : grey;
      p[3] = 255;
    }
  write_test_png(path, rgba);
}

}  // namespace

// A focus dab on the red patch spends more of the palette there.
TEST_F(DesktopEditing, FocusStrokeMovesThePaletteToThePaintedColours) {
  std::string image = scratch_.file("patch.png");
  write_grey_with_red_patch(image);
  auto reds_in_saved_palette = [&](Environment environment, const std::string& name) {
    std::string out = scratch_.file(name + ".png");
    environment.insert(environment.end(), {{"KESTRANE_GUI_COLORS", "6"},
                                           {"KESTRANE_GUI_DITHER", "0"},
                                           {"KESTRANE_GUI_SAVE", out}});
    ProgramRun ran = run(environment, {image});
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    DecodedImage saved;
    EXPECT_TRUE(load_image_file(out, saved).ok());
    std::set<int> reds;
    for (std::size_t i = 0; i + 3 < saved.pixels.size(); i += 4) {
      const std::uint8_t* p = &saved.pixels[i];
      if (p[0] > p[1] + 60) reds.insert(p[0] << 16 | p[1] << 8 | p[2]);
    }
    return reds.size();
  };
  std::size_t plain = reds_in_saved_palette({}, "plain");
  std::size_t focused = reds_in_saved_palette({{"KESTRANE_GUI_FOCUS", "54,10,10,25"}}, "focused");
  EXPECT_GT(focused, plain) << plain << " " << focused;
}

// Ctrl+O and Ctrl+S ask the dialog program, which stands in for the person.
TEST_F(DesktopEditing, OpenAndSaveThroughTheDialogProgram) {
  std::string other = scratch_.file("other.png");
  write_grey_with_red_patch(other);
  std::string saved = scratch_.file("chosen.png");
  std::string script = scratch_.file("dialog.sh");
  {
    std::ofstream out(script);
    out << "#!/bin/sh\nif [ \"$1\" = open ]; then echo '" << other << "'; else echo '" << saved << "'; fi\n";
  }
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  Screenshot shown = shot({{"BRISEL_FILE_DIALOG", script},
                           {"KESTRANE_GUI_VIEW", "1"},
                           {"KESTRANE_GUI_KEYS", "ctrl+o,esc,esc,esc,ctrl+s"}},
                          "dialogs");
  ASSERT_GT(shown.width, 0);
  // The grey ramp is what the Original view shows now, and what was saved.
  DecodedImage written;
  ASSERT_TRUE(load_image_file(saved, written).ok());
  EXPECT_EQ(written.width, static_cast<std::uint32_t>(kWidth));
  const std::uint8_t* corner = &written.pixels[(kHeight - 1) * kWidth * 4];
  EXPECT_NEAR(corner[0], 40, 12);
  EXPECT_NEAR(corner[0], corner[2], 12);
}

// The history's self-test on a real photograph: sixteen checks, all passing.
TEST_F(DesktopEditing, SelfTestPassesOnACorpusImage) {
  std::string image = std::string(BQ_CORPUS_DIR) + "/GreenTraditional.jpg";
  if (!std::filesystem::exists(image)) GTEST_SKIP() << "no corpus";
  std::string report = scratch_.file("self-test.txt");
  ProgramRun ran = run({{"KESTRANE_GUI_SELFTEST", report}}, {image});
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  std::ifstream in(report);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 16u);
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("PASS ", 0), 0u) << line;
  EXPECT_EQ(lines.back(), "PASS clearing returns it to the rest value");
}

// Changing an entry of the shown palette fixes the palette with that colour in it.
TEST_F(DesktopEditing, EditedPaletteEntryIsSavedExactly) {
  std::string saved = scratch_.file("edited.png");
  ProgramRun ran = run({{"KESTRANE_GUI_SECTIONS", "palette"},
                        {"KESTRANE_GUI_COLORS", "8"},
                        {"KESTRANE_GUI_DITHER", "0"},
                        {"KESTRANE_GUI_PALEDIT", "3,255,0,255"},
                        {"KESTRANE_GUI_SAVE", saved}});
  ASSERT_EQ(ran.exit_code, 0) << ran.err;
  // The saved file's own palette (its PLTE) holds the eight entries, the edited one among them.
  std::uint8_t palette[256 * 4];
  std::string message;
  int count = 0;
  read_palette_file(saved, palette, 256, count, message);
  EXPECT_EQ(count, 8) << message;
  bool found = false;
  for (int i = 0; i < count; ++i)
    found |= palette[4 * i] == 255 && palette[4 * i + 1] == 0 && palette[4 * i + 2] == 255;
  EXPECT_TRUE(found) << "the edited entry is kept as given";
}
