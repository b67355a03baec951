// The Windows crash report, run in a child process of this test program:
// the exception's line, a named stack, the exception code as exit code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/crash_report.h"
#include "tests/support/child_process.h"

// Outside any unnamed namespace, so the report can name them.
int* volatile crash_report_null_target = nullptr;

__attribute__((noinline)) void crash_report_store_through_null() { *crash_report_null_target = 1; }

// Entry point of the child processes; skipped in a normal run.
TEST(CrashReportChild, Crash) {
  const char* mode = std::getenv("BQ_CRASH_CHILD");
  if (mode == nullptr) GTEST_SKIP() << "only runs as a child of the crash report tests";
  install_crash_report();
  if (std::string(mode) == "worker") {
    std::thread worker(crash_report_store_through_null);
    worker.join();
  }
  crash_report_store_through_null();
}

namespace {

std::vector<std::string> crash_lines(const char* mode, int& exit_code) {
  ChildRun run = run_this_program({"--gtest_filter=CrashReportChild.Crash"}, {{"BQ_CRASH_CHILD", mode}}, true);
  exit_code = run.exit_code;
  std::istringstream stream(run.output.substr(std::min(run.output.find("FATAL"), run.output.size())));
  std::vector<std::string> lines;
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // this program's streams are text
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

TEST(CrashReport, AnAccessViolationIsNamedWithItsStackAndEndsWithItsCode) {
  for (const char* mode : {"main", "worker"}) {
    int exit_code = 0;
    std::vector<std::string> lines = crash_lines(mode, exit_code);
    EXPECT_EQ(static_cast<unsigned>(exit_code), 0xC0000005u) << mode;
    ASSERT_GE(lines.size(), 3u) << mode;
    EXPECT_EQ(lines[0], "FATAL: unhandled exception 0xC0000005");
    EXPECT_EQ(lines[1], "backtrace:");
    // The walk starts at the faulting function, named from the program's symbols.
    EXPECT_EQ(lines[2].rfind("  [ 0] crash_report_store_through_null + 0x", 0), 0u) << lines[2];
    EXPECT_LE(lines.size(), 2u + 32u);
  }
}
