#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/batch.h"
#include "io/decoded_image.h"
#include "io/image_decode.h"
#include "expected_usage.h"
#include "run_program.h"
#include "test_png.h"

namespace {

const std::string kFsStrengthNotice =
    "--strength above 1.0 is not available for this dithering; using 1.0\n";

std::string loader_message(const std::string& path) {
  DecodedImage image;
  return io_message(load_image_file(path, image));
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace

TEST(BatchCommandLine, UsageAndArgumentErrorsAreExact) {
  ScratchFolder scratch;
  ProgramRun run = scratch.run({"--nogui"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string(kExpectedUsage));

  run = scratch.run({"--nogui", "-c", "8", "--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, std::string(kExpectedUsage));
  EXPECT_EQ(run.err, "");

  run = scratch.run({"--nogui", "--bogus", "--help"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "unknown option --bogus\n" + std::string(kExpectedUsage));

  run = scratch.run({"--NOGUI", "a.png", "--palette"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "--palette needs a value\n");

  run = scratch.run({"--nogui", "--dither", "ordered", "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "--dither takes none, fs, bayer, blue or plan\n");

  run = scratch.run({"--nogui", "-o", "out.png", "a.png", "b.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "-o takes one input; use --ext for several\n");
}

TEST(BatchCommandLine, WritesOnceAndRefusesToOverwriteWithoutForce) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("photo.png"), 8, 6));
  ProgramRun run = scratch.run({"--nogui", "photo.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  PngFacts written = inspect_png(scratch.file("photo-q.png"));
  ASSERT_TRUE(written.readable);
  EXPECT_EQ(written.color_type, 3);  // indexed
  EXPECT_EQ(written.width, 8u);
  EXPECT_EQ(written.height, 6u);
  std::string count = std::to_string(written.palette_size);
  std::string depth = std::to_string(written.bit_depth);
  EXPECT_EQ(run.out, "photo.png -> photo-q.png (" + count + " colours, " + depth + "-bit)\n");

  run = scratch.run({"--nogui", "photo.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "photo-q.png exists; not overwriting (use -f)\n");

  run = scratch.run({"--nogui", "-q", "-f", "photo.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

TEST(BatchCommandLine, OneMissingInputOfThreeFailsOnlyItself) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  ASSERT_TRUE(write_test_png(scratch.file("c.png"), 5, 3));
  ProgramRun run = scratch.run({"--nogui", "-q", "a.png", "missing.png", "c.png"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err, "missing.png: no such file\n");
  EXPECT_TRUE(exists(scratch.file("a-q.png")));
  EXPECT_TRUE(exists(scratch.file("c-q.png")));
  EXPECT_FALSE(exists(scratch.file("missing-q.png")));

  // Every input failing is a plain failure.
  run = scratch.run({"--nogui", "a.png", "c.png"});
  EXPECT_EQ(run.exit_code, 1);
}

TEST(BatchCommandLine, OutputNamesFollowTheInputAndTheSuffix) {
  ScratchFolder scratch;
  std::filesystem::create_directories(scratch.file("photos.old"));
  ASSERT_TRUE(write_test_png(scratch.file("photos.old/img"), 3, 3));
  ASSERT_TRUE(write_test_png(scratch.file("a.b.png"), 3, 3));
  ProgramRun run = scratch.run({"--nogui", "--ext", "-x.png", "photos.old/img", "a.b.png"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(exists(scratch.file("photos.old/img-x.png")));
  EXPECT_TRUE(exists(scratch.file("a.b-x.png")));

  run = scratch.run({"--nogui", "-q", "-o", "chosen name.png", "a.b.png"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(exists(scratch.file("chosen name.png")));
}

TEST(BatchCommandLine, SuffixThatMapsAnInputOntoItselfNeedsForce) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("x.png"), 6, 6));
  ProgramRun run = scratch.run({"--nogui", "--ext", ".png", "x.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "x.png exists; not overwriting (use -f)\n");
  EXPECT_EQ(inspect_png(scratch.file("x.png")).color_type, 6);

  run = scratch.run({"--nogui", "-q", "-f", "--ext", ".png", "x.png"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(inspect_png(scratch.file("x.png")).color_type, 3);
}

TEST(BatchCommandLine, AnyEntryAtTheOutputPathBlocksWithoutForce) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 2, 2));
  std::filesystem::create_directories(scratch.file("a-q.png"));
  // A link to nothing, where the system lets us make links.
  bool linked = make_symlink("nowhere", scratch.file("b-q.png"));
  ASSERT_TRUE(write_test_png(scratch.file("b.png"), 2, 2));
  ProgramRun run = scratch.run({"--nogui", "-q", "a.png", "b.png"});
  EXPECT_EQ(run.exit_code, linked ? 1 : 2);  // 2: some written
  EXPECT_EQ(run.err, linked ? "a-q.png exists; not overwriting (use -f)\n"
                              "b-q.png exists; not overwriting (use -f)\n"
                            : "a-q.png exists; not overwriting (use -f)\n");
}

TEST(BatchCommandLine, StrengthLimitAppliesToSavedSettingsUnlessDefaults) {
  ScratchFolder scratch;
  scratch.write_settings("[Brisel Quantizer]\ndither=3\ndither_strength=1.8\n");
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  ProgramRun run = scratch.run({"--nogui", "-q", "--dither", "fs", "a.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, kFsStrengthNotice);

  run = scratch.run({"--nogui", "-q", "-f", "--defaults", "--dither", "fs", "a.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");

  // The saved threshold dither keeps its strength.
  run = scratch.run({"--nogui", "-q", "-f", "a.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");

  run = scratch.run({"--nogui", "-q", "-f", "--defaults", "--strength", "1.5", "a.png"});
  EXPECT_EQ(run.err, kFsStrengthNotice);
}

TEST(BatchCommandLine, BadNumbersStopTheRunAndOutOfRangeOnesWarn) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  ProgramRun run = scratch.run({"--nogui", "-c", "-o", "x.png", "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "-c takes a number\n");
  EXPECT_FALSE(exists(scratch.file("x.png")));

  run = scratch.run({"--nogui", "-q", "--defaults", "--colors", "300", "a.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "--colors 300 is out of range; using 256\n");
}

TEST(BatchCommandLine, EmptyOrUnreadablePalettesStopTheRun) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  std::ofstream(scratch.file("empty.txt")) << "";

  ProgramRun run = scratch.run({"--nogui", "-f", "--palette", "empty.txt", "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "cannot read palette empty.txt: no colours\n");

  run = scratch.run({"--nogui", "-f", "--pins", "none.txt", "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err.rfind("cannot read palette none.txt: ", 0), 0u) << run.err;
}

TEST(BatchCommandLine, PaletteLinesThatAreNotColoursAreNamedOnce) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  std::ofstream(scratch.file("p.txt")) << "#FF0000\nblue\n0 0 255\n300 0 0\n";
  ProgramRun run = scratch.run({"--nogui", "-q", "--palette", "p.txt", "a.png"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "p.txt: skipped lines 2 and 4 that are not colours\n");
}

TEST(BatchCommandLine, MapsAreReadOnceAndMustMatchEachImage) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("big.png"), 5, 4));
  ASSERT_TRUE(write_test_png(scratch.file("small.png"), 3, 2));
  ASSERT_TRUE(write_test_png(scratch.file("map.png"), 5, 4));
  ProgramRun run = scratch.run({"--nogui", "-q", "--focus-map", "map.png", "--focus-weight", "9",
                                "small.png", "big.png"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err, "small.png: focus map is 5x4, image is 3x2\n");
  EXPECT_TRUE(exists(scratch.file("big-q.png")));
  EXPECT_FALSE(exists(scratch.file("small-q.png")));

  run = scratch.run({"--nogui", "-q", "-f", "--dither-map", "map.png", "small.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "small.png: dither map is 5x4, image is 3x2\n");

  std::string no_map = loader_message(scratch.file("nomap.png"));
  run = scratch.run({"--nogui", "-f", "--focus-map", "nomap.png", "big.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "cannot read focus map nomap.png: " + no_map + "\n");
  run = scratch.run({"--nogui", "-f", "--dither-map", "nomap.png", "big.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "cannot read dither map nomap.png: " + no_map + "\n");
}

// The palette comes back encoded for 1/2.2 whatever the source said, and the
// file has to declare that or viewers show shifted colours.
TEST(BatchCommandLine, OutputDeclaresThePaletteGamma) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("linear.png"), 4, 4, 100000));
  ProgramRun run = scratch.run({"--nogui", "-q", "linear.png"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(inspect_png(scratch.file("linear-q.png")).gamma_100000, 45455u);
}

TEST(BatchCommandLine, UnwritableOutputFailsWithTheWritersMessage) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  ProgramRun run = scratch.run({"--nogui", "-o", "no/such/folder/out.png", "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "no/such/folder/out.png: could not open output for writing: No such file or directory\n");
  EXPECT_FALSE(exists(scratch.file("no")));
}

TEST(BatchCommandLine, QualityBelowTheMinimumWritesNothingAndFailsTheInput) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 40, 30));
  ASSERT_TRUE(write_test_png(scratch.file("b.png"), 40, 30));
  // Two colours cannot reach 100 on a gradient.
  ProgramRun run = scratch.run({"--nogui", "--defaults", "-c", "2", "--quality", "100-100",
                                scratch.file("a.png")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind(scratch.file("a.png") + ": quality limit exceeded (best ", 0), 0u)
      << run.err;
  EXPECT_EQ(run.err.back(), '\n');
  EXPECT_FALSE(exists(scratch.file("a-q.png")));
  std::size_t entries = 0;  // no temporary file left behind either
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
    entries += entry.path().filename() != "config";
  EXPECT_EQ(entries, 2u);

  // Reachable: written, with no more colours than asked for.
  run = scratch.run({"--nogui", "--defaults", "--quality", "0-30", scratch.file("b.png")});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  PngFacts facts = inspect_png(scratch.file("b-q.png"));
  EXPECT_TRUE(facts.readable);
  EXPECT_LT(facts.palette_size, 256);
}
