#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/crash_report.h"

// Outside any unnamed namespace so that the report can name them; the
// sanitizers must not catch these faults before the report does.
int* volatile crash_report_null_target = nullptr;
volatile int crash_report_zero = 0;

__attribute__((noinline, no_sanitize("address", "undefined"))) void crash_report_store_through_null() {
  *crash_report_null_target = 1;
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int crash_report_divide(int numerator,
                                                                                       int denominator) {
  return numerator / denominator;
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int crash_report_recurse(int depth) {
  if (depth == 0) {
    *crash_report_null_target = 1;
    return 0;
  }
  int (*volatile next)(int) = crash_report_recurse;  // no loop made of it: every level keeps a frame
  return next(depth - 1) + 1;
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int crash_report_overflow(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  int (*volatile next)(int) = crash_report_overflow;
  return next(depth + 1) + frame[0];
}

void crash_report_divide_by_zero() {
  volatile int quotient = crash_report_divide(1, crash_report_zero);
  (void)quotient;
}

namespace {

struct CrashOutcome {
  int signal_number = 0;  // the signal that ended the child, 0 if it exited
  std::vector<std::string> lines;
};

// Runs `crash` in a child after installing the report.
CrashOutcome crash_child(void (*crash)()) {
  int pipe_ends[2];
  CrashOutcome outcome;
  if (pipe(pipe_ends) != 0) return outcome;
  pid_t child = fork();
  if (child == 0) {
    dup2(pipe_ends[1], STDERR_FILENO);
    close(pipe_ends[0]);
    install_crash_report();
    crash();
    _exit(0);
  }
  close(pipe_ends[1]);
  std::string err;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_ends[0], buffer, sizeof buffer)) > 0) err.append(buffer, n);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) outcome.signal_number = WTERMSIG(status);
  std::istringstream stream(err);
  for (std::string line; std::getline(stream, line);) outcome.lines.push_back(line);
  return outcome;
}

// The frame lines after "backtrace:", checked for their two shapes and their numbering.
std::vector<std::string> frame_lines(const CrashOutcome& outcome) {
  static const std::regex kFrame(R"(  \[ ?(\d+)\] (.+ \+ 0x[0-9a-f]+|0x[0-9a-f]{16}))");
  std::vector<std::string> frames(outcome.lines.begin() + std::min<std::size_t>(3, outcome.lines.size()),
                                  outcome.lines.end());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(frames[i], match, kFrame)) << frames[i];
    if (!match.empty()) {
      EXPECT_EQ(std::stoul(match[1]), i);
    }
  }
  return frames;
}

}  // namespace

TEST(CrashReport, NamesTheFaultAndItsSignalThenDiesOfIt) {
  struct Case {
    void (*crash)();
    int signal_number;
    const char* code;
    const char* name;
  } cases[] = {
      {crash_report_store_through_null, SIGSEGV, "0xC0000005", "SIGSEGV"},
      {[] { raise(SIGBUS); }, SIGBUS, "0xC0000005", "SIGBUS"},
      {[] { __builtin_trap(); }, SIGILL, "0xC000001D", "SIGILL"},
      {crash_report_divide_by_zero, SIGFPE, "0xC0000094", "SIGFPE"},
      {[] { raise(SIGFPE); }, SIGFPE, "0xC0000090", "SIGFPE"},  // not a division
      {[] { std::abort(); }, SIGABRT, "0x40000015", "SIGABRT"},
  };
  for (const Case& c : cases) {
    CrashOutcome outcome = crash_child(c.crash);
    EXPECT_EQ(outcome.signal_number, c.signal_number) << c.name;
    ASSERT_GE(outcome.lines.size(), 4u) << c.name;
    EXPECT_EQ(outcome.lines[0], std::string("FATAL: unhandled exception ") + c.code);
    EXPECT_EQ(outcome.lines[1], std::string("signal: ") + c.name);
    EXPECT_EQ(outcome.lines[2], "backtrace:");
    frame_lines(outcome);
  }
  // A real fault's trace starts at the faulting function, demangled.
  CrashOutcome divided = crash_child(crash_report_divide_by_zero);
  ASSERT_GE(divided.lines.size(), 4u);
  EXPECT_EQ(divided.lines[3].rfind("  [ 0] crash_report_divide(int, int) + 0x", 0), 0u) << divided.lines[3];
}

TEST(CrashReport, AFaultInAWorkerThreadIsReportedWithAtMost32Frames) {
  CrashOutcome outcome = crash_child([] {
    std::thread worker([] { crash_report_recurse(40); });
    worker.join();
  });
  EXPECT_EQ(outcome.signal_number, SIGSEGV);
  ASSERT_GE(outcome.lines.size(), 3u);
  EXPECT_EQ(outcome.lines[0], "FATAL: unhandled exception 0xC0000005");
  std::vector<std::string> frames = frame_lines(outcome);
  ASSERT_EQ(frames.size(), 32u);
  for (const std::string& frame : frames)
    EXPECT_NE(frame.find("crash_report_recurse(int) + 0x"), std::string::npos) << frame;
}

// A thread that runs out of stack reports on the stack of its own it was given.
TEST(CrashReport, AStackOverflowInAThreadIsReported) {
  CrashOutcome outcome = crash_child([] {
    std::thread worker([] {
      install_thread_crash_stack();
      crash_report_overflow(0);
    });
    worker.join();
  });
  EXPECT_EQ(outcome.signal_number, SIGSEGV);
  ASSERT_GE(outcome.lines.size(), 2u);
  EXPECT_EQ(outcome.lines[0], "FATAL: unhandled exception 0xC0000005");
  EXPECT_EQ(outcome.lines[1], "signal: SIGSEGV");
}
