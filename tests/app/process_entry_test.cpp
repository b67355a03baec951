#include <gtest/gtest.h>

#include "tests/cli/expected_usage.h"
#include "tests/cli/run_program.h"

// Without --nogui the desktop face starts; with no display to show it on, it
// says so and fails instead of hanging.
TEST(ProcessEntry, WithoutNoguiOpensTheWindowOrSaysWhyNot) {
  ScratchFolder scratch;
  for (auto arguments : {std::vector<std::string>{}, std::vector<std::string>{"picture.png", "--no-gui"}}) {
    ProgramRun run = scratch.run(arguments, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Could not open a window: ", 0), 0u) << run.err;
  }
}

TEST(ProcessEntry, NoguiAnywhereInAnyCaseSelectsTheBatchFace) {
  ScratchFolder scratch;
  ProgramRun run = scratch.run({"-h", "--NoGui"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, std::string(kExpectedUsage));
  EXPECT_EQ(run.err, "");
}
