#include "app/platform/quiet_program.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "app/platform/spawn_posix.h"

namespace {

// The wait starts short, so that a quick program costs little, and backs off.
constexpr auto kFirstPoll = std::chrono::milliseconds(1);
constexpr auto kLongestPoll = std::chrono::milliseconds(20);

// True when the child has been reaped (or is no longer ours to reap).
bool reaped(pid_t pid) {
  int status = 0;
  pid_t got = waitpid(pid, &status, WNOHANG);
  if (got == pid) return true;
  return got < 0 && errno != EINTR;
}

}  // namespace

ProgramEnd run_quiet_program(const std::vector<std::string>& argv, int timeout_ms,
                             const std::atomic<bool>* cancel) {
  pid_t pid = spawn_helper(argv, -1);
  if (pid < 0) return ProgramEnd::not_started;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  auto poll = std::chrono::duration_cast<std::chrono::steady_clock::duration>(kFirstPoll);
  for (;;) {
    if (reaped(pid)) return ProgramEnd::ended;
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline || (cancel != nullptr && cancel->load())) break;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(poll, deadline - now));
    poll = std::min<std::chrono::steady_clock::duration>(poll * 2, kLongestPoll);
  }
  // Not reaped yet, so the pid and its group are still ours to signal.
  kill(-pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return ProgramEnd::stopped;
}
