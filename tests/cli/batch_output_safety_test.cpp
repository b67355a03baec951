// What the batch run may touch: outputs of one run never collide, devices are
// written through, oversized images are refused unread, settings are only read.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "run_program.h"
#include "test_png.h"

TEST(BatchOutputSafety, TwoInputsOfOneOutputWriteOnlyTheFirst) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("coffee.gif"), 6, 4));
  ASSERT_TRUE(write_test_png(scratch.file("coffee.bmp"), 3, 2));
  for (const char* force : {"-f", "-q"}) {
    std::filesystem::remove(scratch.file("coffee-q.png"));
    ProgramRun run = scratch.run({"--nogui", "-q", force, "coffee.gif", "coffee.bmp"});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.err, "coffee.bmp: coffee-q.png is already written from coffee.gif\n");
    EXPECT_EQ(inspect_png(scratch.file("coffee-q.png")).width, 6u);
  }
}

TEST(BatchOutputSafety, ImageTooLargeForMemoryIsRefusedBeforeDecoding) {
  ScratchFolder scratch;
  // Only the header: a decoder would fail on the missing pixels with another message.
  const unsigned char header[] = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                  0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 6, 0, 0, 0, 0, 0, 0, 0};
  std::ofstream(scratch.file("huge.png"), std::ios::binary)
      .write(reinterpret_cast<const char*>(header), sizeof header);
  ProgramRun run = scratch.run({"--nogui", "huge.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "huge.png: not enough memory\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.file("huge-q.png")));
}

TEST(BatchOutputSafety, HelpAndDefaultsLeaveTheSettingsFolderUnmade) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 3, 3));
  EXPECT_EQ(scratch.run({"--nogui", "--help"}).exit_code, 0);
  EXPECT_EQ(scratch.run({"--nogui", "-q", "--defaults", "a.png"}).exit_code, 0);
  EXPECT_EQ(scratch.run({"--nogui", "-q", "-f", "a.png"}).exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(scratch.config_home() + "/Brisel Quantizer"));
}
