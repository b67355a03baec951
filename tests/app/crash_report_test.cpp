#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "app/crash_report.h"

namespace {

struct CrashOutcome {
  int signal_number = 0;  // the signal that ended the child, 0 if it exited
  std::string err;
};

// Crashes a child with `signal_number` after installing the report.
CrashOutcome crash_child_with(int signal_number) {
  int pipe_ends[2];
  CrashOutcome outcome;
  if (pipe(pipe_ends) != 0) return outcome;
  pid_t child = fork();
  if (child == 0) {
    dup2(pipe_ends[1], STDERR_FILENO);
    close(pipe_ends[0]);
    install_crash_report();
    raise(signal_number);
    _exit(0);
  }
  close(pipe_ends[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_ends[0], buffer, sizeof buffer)) > 0) outcome.err.append(buffer, n);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) outcome.signal_number = WTERMSIG(status);
  return outcome;
}

}  // namespace

TEST(CrashReport, NamesTheFaultThenDiesOfTheSameSignal) {
  struct Case {
    int signal_number;
    const char* line;
  } cases[] = {
      {SIGSEGV, "FATAL: unhandled exception 0xC0000005\n"},
      {SIGBUS, "FATAL: unhandled exception 0xC0000005\n"},
      {SIGILL, "FATAL: unhandled exception 0xC000001D\n"},
      {SIGFPE, "FATAL: unhandled exception 0xC0000094\n"},
      {SIGABRT, "FATAL: unhandled exception 0x40000015\n"},
  };
  for (const Case& c : cases) {
    CrashOutcome outcome = crash_child_with(c.signal_number);
    EXPECT_EQ(outcome.signal_number, c.signal_number);
    EXPECT_EQ(outcome.err.rfind(c.line, 0), 0u) << outcome.err;
    // The backtrace follows the first line.
    EXPECT_GT(outcome.err.size(), std::string(c.line).size()) << c.signal_number;
  }
}
