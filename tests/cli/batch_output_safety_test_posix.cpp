// Device outputs, which only POSIX systems make as files: written through, and
// a device's failure reported.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include "run_program.h"
#include "test_png.h"

TEST(BatchOutputSafety, DeviceOutputIsWrittenThroughAndItsFailureReported) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 4));
  // Our own device nodes when we may make them, so no system node is at stake.
  std::string null = scratch.file("null"), full = scratch.file("full");
  if (mknod(null.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) null = "/dev/null";
  if (mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) full = "/dev/full";
  ProgramRun run = scratch.run({"--nogui", "-q", "-f", "-o", null, "a.png"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  run = scratch.run({"--nogui", "-f", "-o", full, "a.png"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err.rfind(full + ": could not open output for writing", 0), 0u) << run.err;
  struct stat info {};
  for (const std::string& node : {null, full}) {
    ASSERT_EQ(stat(node.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << node;
  }
}
