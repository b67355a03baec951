// The batch face run the way Unix pipelines and hostile files run it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "tests/tiff_claiming_gigabytes.h"
#include "test_png.h"

namespace {

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
}

// 35 bytes: a 20000 x 20000 screen holding one 1 x 1 frame.
const std::vector<std::uint8_t> kHugeScreenGif = {
    'G', 'I', 'F', '8', '9', 'a', 0x20, 0x4e, 0x20, 0x4e, 0x80, 0, 0, 0, 0, 0, 255, 255,
    255, 0x2c, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3b};

}  // namespace

TEST(BatchUnixConventions, PipesDoubleDashVersionAndOtherSuffixes) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  ProgramRun run = scratch.run({"--nogui", "--version"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind("brisel_quantizer (Brisel Quantizer) ", 0), 0u);

  // Standard input to standard output: the PNG alone on stdout, the line on stderr.
  scratch.feed_stdin(scratch.file("a.png"));
  run = scratch.run({"--nogui", "-c", "4", "-", "-o", "-"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "- -> - (4 colours, 2-bit)\n");
  std::ofstream(scratch.file("piped.png"), std::ios::binary) << run.out;
  PngFacts facts = inspect_png(scratch.file("piped.png"));
  EXPECT_TRUE(facts.readable);
  EXPECT_EQ(facts.width, 4u);
  run = scratch.run({"--nogui", "-"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "reading standard input (-) needs -o FILE, or -o - for standard output\n");

  std::filesystem::copy_file(scratch.file("a.png"), scratch.file("-dash.png"));
  run = scratch.run({"--nogui", "-q", "--", "-dash.png"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(inspect_png(scratch.file("-dash-q.png")).readable);

  run = scratch.run({"--nogui", "-q", "-o", "b.JPG", "a.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "-o b.JPG: the output is written as PNG whatever its name says\n");
  EXPECT_TRUE(inspect_png(scratch.file("b.JPG")).readable);
}

TEST(BatchHostileRuns, OutputsAndMapsAreJudgedBeforeAnythingIsDecoded) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  write_file(scratch.file("screen.gif"), kHugeScreenGif);
  // A map that fits no input is never decoded (this one would take gigabytes).
  ProgramRun run = scratch.run({"--nogui", "--dither-map", "screen.gif", "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "a.png: dither map is 20000x20000, image is 4x3\n");

  // An image too large for memory is refused from its header, in the usual words.
  write_file(scratch.file("bomb.tif"), tiff_claiming_gigabytes());
  run = scratch.run({"--nogui", "bomb.tif"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "bomb.tif: not enough memory\n");

  // The output's problems come first, whatever the input would have cost.
  std::string long_name(300, 'n');
  for (const auto& [output, reason] :
       {std::pair<std::string, std::string>{"missing/x.png", "No such file or directory"},
        {long_name + ".png", "File name too long"},
        {".", "Is a directory"}}) {
    run = scratch.run({"--nogui", "-f", "-o", output, "bomb.tif"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.err, output + ": could not open output for writing: " + reason + "\n");
  }
  // A palette's path is named once.
  run = scratch.run({"--nogui", "--palette", "a.png", "a.png"});
  EXPECT_EQ(run.err, "cannot read palette a.png: no PLTE chunk: not a palette PNG\n");
  // Nothing was left behind by any of these runs.
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"a.png", "bomb.tif", "config", "screen.gif"}));
}
