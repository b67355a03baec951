#include "app/platform/output_program.h"

#include "app/platform/spawn_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {
constexpr std::size_t kLongestLine = 64 * 1024;
}  // namespace

OutputProgram::~OutputProgram() {
  stop();
  if (pid_ > 0) finish();
}

bool OutputProgram::start(const std::vector<std::string>& argv) {
  if (argv.empty() || pid_ > 0) return false;
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return false;
  pid_t pid = spawn_helper(argv, pipe_ends[1]);
  close(pipe_ends[1]);
  if (pid < 0) {
    close(pipe_ends[0]);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  pid_ = pid;
  output_ = pipe_ends[0];
  return true;
}

std::optional<std::string> OutputProgram::finish() {
  if (pid_ <= 0) return std::nullopt;
  std::string output;
  char buffer[4096];
  for (;;) {
    ssize_t got = read(output_, buffer, sizeof buffer);
    if (got > 0)
      output.append(buffer, static_cast<std::size_t>(got));
    else if (got == 0 || errno != EINTR)
      break;
  }
  close(output_);
  output_ = -1;
  // Waits without reaping, so the pid stays ours until the lock is held.
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  std::lock_guard<std::mutex> lock(mutex_);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

std::optional<std::string> OutputProgram::next_line() {
  if (output_ < 0) return std::nullopt;
  for (;;) {
    std::size_t end = unread_.find('\n');
    if (end != std::string::npos) {
      std::string line = unread_.substr(0, end);
      unread_.erase(0, end + 1);
      return line;
    }
    char buffer[1024];
    ssize_t got = read(output_, buffer, sizeof buffer);
    if (got > 0) {
      // A line without end is dropped, not kept growing.
      if (unread_.size() > kLongestLine) unread_.clear();
      unread_.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      return std::nullopt;
    }
  }
}

void OutputProgram::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pid_ > 0) kill(-pid_, SIGTERM);
}

bool program_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr || name.empty()) return false;
  std::string folders = path;
  std::size_t begin = 0;
  while (begin <= folders.size()) {
    std::size_t end = folders.find(':', begin);
    if (end == std::string::npos) end = folders.size();
    std::string folder = end > begin ? folders.substr(begin, end - begin) : std::string(".");
    std::string candidate = folder + "/" + name;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return true;
    begin = end + 1;
  }
  return false;
}
