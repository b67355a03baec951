#pragma once
// Running the desktop face on a private X server with its scripted hooks, and
// reading back what it showed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "io/image_decode.h"
#include "io/png_write.h"
#include "tests/app/platform/virtual_display.h"
#include "tests/cli/run_program.h"

namespace desktop_test {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

using Environment = std::vector<std::pair<std::string, std::string>>;

// kWidth x kHeight RGBA pixels as a PNG.
inline void write_test_png(const std::string& path, const std::vector<std::uint8_t>& rgba) {
  std::vector<const std::uint8_t*> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) rows[y] = rgba.data() + y * kWidth * 4;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(write_rgba_png(file, kWidth, kHeight, 0.45455, rows.data()).ok());
  std::fclose(file);
}

// A bright gradient with thousands of colours, so no channel reaches the dark
// interface behind it; its left half fully transparent when asked.
inline void write_gradient_png(const std::string& path, bool transparent_left_half = false) {
  std::vector<std::uint8_t> rgba(kWidth * kHeight * 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = rgba.data() + (y * kWidth + x) * 4;
      p[0] = static_cast<std::uint8_t>(90 + x * 2.5);
      p[1] = static_cast<std::uint8_t>(90 + y * 3);
      p[2] = static_cast<std::uint8_t>(230 - x - y);
      p[3] = transparent_left_half && x < kWidth / 2 ? 0 : 255;
    }
  write_test_png(path, rgba);
}

struct Screenshot {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top row first
  const std::uint8_t* at(int x, int y) const { return rgb.data() + (std::size_t(y) * width + x) * 3; }
};

// Reads a 24-bit bottom-up bitmap.
inline Screenshot read_bitmap(const std::string& path) {
  Screenshot shot;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return shot;
  auto u32 = [&](int at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
  shot.width = u32(18);
  shot.height = u32(22);
  int stride = (shot.width * 3 + 3) / 4 * 4;
  if (bytes.size() < 54 + std::size_t(stride) * shot.height) return Screenshot{};
  shot.rgb.resize(std::size_t(shot.width) * shot.height * 3);
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      const std::uint8_t* bgr = bytes.data() + 54 + std::size_t(shot.height - 1 - y) * stride + x * 3;
      std::uint8_t* out = shot.rgb.data() + (std::size_t(y) * shot.width + x) * 3;
      out[0] = bgr[2], out[1] = bgr[1], out[2] = bgr[0];
    }
  return shot;
}

// Where the image landed: the box of bright pixels right of the sidebar.
struct Placed {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  double scale() const { return double(right - left + 1) / kWidth; }
};
inline Placed find_image(const Screenshot& shot, int from_x) {
  Placed box;
  for (int y = 30; y < shot.height - 40; ++y)
    for (int x = from_x; x < shot.width; ++x) {
      const std::uint8_t* p = shot.at(x, y);
      if (std::min({p[0], p[1], p[2]}) >= 85) {
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
      }
    }
  return box;
}

// The screen colour at the centre of image pixel (x, y) of a pane `panes_before` panes along.
inline const std::uint8_t* pixel_on_screen(const Screenshot& shot, const Placed& box, int x, int y) {
  double s = box.scale();
  return shot.at(box.left + static_cast<int>((x + 0.5) * s), box.top + static_cast<int>((y + 0.5) * s));
}

class DesktopFace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.launched()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(display_.ready()) << "Xvfb did not come up";
    write_gradient_png(source_);
  }

  ProgramRun run(Environment environment, std::vector<std::string> arguments = {}) {
    return scratch_.finish(start(std::move(environment), std::move(arguments)));
  }

  // Starts the desktop face as run() does, without waiting for it to end.
  pid_t start(Environment environment, std::vector<std::string> arguments = {}) {
    environment.push_back({"DISPLAY", display_.name()});
    // The desktop libraries (session bus, GL driver) keep memory to the end of the
    // process in ways leak checking cannot attribute; the unit tests keep checking ours.
    environment.push_back({"LSAN_OPTIONS", "detect_leaks=0"});
    if (arguments.empty()) arguments.push_back(source_);
    return scratch_.start(arguments, environment);
  }

  // A screenshot of `view` with 8 colours and no dithering.
  Screenshot shot_of(int view, Environment more = {}) {
    std::string path = scratch_.file("view" + std::to_string(view) + ".bmp");
    Environment environment = {{"KESTRANE_GUI_SHOT", path},
                               {"KESTRANE_GUI_VIEW", std::to_string(view)},
                               {"KESTRANE_GUI_COLORS", "8"},
                               {"KESTRANE_GUI_DITHER", "0"}};
    environment.insert(environment.end(), more.begin(), more.end());
    ProgramRun ran = run(environment);
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    return read_bitmap(path);
  }

  // What the batch face makes of the same picture, decoded to RGBA.
  DecodedImage batch_result() {
    ProgramRun ran = scratch_.run({"--nogui", "-c", "8", "--dither", "none", "-f", "-o",
                                   scratch_.file("batch.png"), source_});
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    DecodedImage image;
    EXPECT_TRUE(load_image_file(scratch_.file("batch.png"), image).ok());
    return image;
  }

  DecodedImage source_image() {
    DecodedImage image;
    EXPECT_TRUE(load_image_file(source_, image).ok());
    return image;
  }

  VirtualDisplay display_;
  ScratchFolder scratch_;
  std::string source_ = scratch_.file("gradient.png");
};

inline bool same_rgb(const std::uint8_t* screen, const std::uint8_t* rgba) {
  return screen[0] == rgba[0] && screen[1] == rgba[1] && screen[2] == rgba[2];
}

// Counts image pixels whose screen colour is not the expected one.
template <class Expected>
int mismatches(const Screenshot& shot, const Placed& box, Expected expected, int x_from = 0,
               int x_to = kWidth) {
  int wrong = 0;
  for (int y = 4; y < kHeight; ++y)  // the top rows carry the pane labels
    for (int x = x_from; x < x_to; ++x)
      if (!same_rgb(pixel_on_screen(shot, box, x, y), expected(x, y))) ++wrong;
  return wrong;
}

}  // namespace desktop_test
