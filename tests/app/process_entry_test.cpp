#include <gtest/gtest.h>

#include "tests/cli/expected_usage.h"
#include "tests/cli/run_program.h"

TEST(ProcessEntry, WithoutNoguiPrintsUsageAndFails) {
  ScratchFolder scratch;
  for (auto arguments : {std::vector<std::string>{}, std::vector<std::string>{"--help"},
                         std::vector<std::string>{"picture.png", "--no-gui"}}) {
    ProgramRun run = scratch.run(arguments);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string(kExpectedUsage));
  }
}

TEST(ProcessEntry, NoguiAnywhereInAnyCaseSelectsTheBatchFace) {
  ScratchFolder scratch;
  ProgramRun run = scratch.run({"-h", "--NoGui"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, std::string(kExpectedUsage));
  EXPECT_EQ(run.err, "");
}
