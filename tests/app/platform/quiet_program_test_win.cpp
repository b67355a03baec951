// The reference run's helper on Windows: started without a window, waited for,
// stopped with what it started when out of time or cancelled.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/platform/quiet_program.h"
#include "tests/support/test_environment.h"

// Entry point of the helper runs; skipped in a normal run.
TEST(QuietProgramChild, Run) {
  const char* mode = std::getenv("BQ_QUIET_CHILD");
  if (mode == nullptr) GTEST_SKIP() << "only runs as a helper of the quiet program tests";
  if (std::string(mode) == "sleep") Sleep(60000);
}

namespace {

std::string this_program() {
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

// Runs this program as a helper in `mode` and measures the run.
ProgramEnd run_helper(const char* mode, int timeout_ms, const std::atomic<bool>* cancel,
                      std::chrono::steady_clock::duration& took) {
  set_variable("BQ_QUIET_CHILD", mode);
  auto start = std::chrono::steady_clock::now();
  ProgramEnd end = run_quiet_program({this_program(), "--gtest_filter=QuietProgramChild.Run"}, timeout_ms, cancel);
  took = std::chrono::steady_clock::now() - start;
  unset_variable("BQ_QUIET_CHILD");
  return end;
}

}  // namespace

TEST(QuietProgram, EndsStopsOrNeverStarts) {
  std::chrono::steady_clock::duration took{};
  EXPECT_EQ(run_helper("exit", 30000, nullptr, took), ProgramEnd::ended);
  EXPECT_EQ(run_helper("sleep", 500, nullptr, took), ProgramEnd::stopped);
  EXPECT_LT(took, std::chrono::seconds(10));
  std::atomic<bool> cancel{true};
  EXPECT_EQ(run_helper("sleep", 30000, &cancel, took), ProgramEnd::stopped);
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(run_quiet_program({"C:\\no\\such\\program.exe"}, 1000), ProgramEnd::not_started);
}
