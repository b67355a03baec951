#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tools/reference/tool_process.h"

namespace {

std::vector<char*> argv_of(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

bool tool_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = (end > start ? folders.substr(start, end - start) : ".") + "/" + name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

bool tool_output(const std::vector<std::string>& argv, std::string& output) {
  int ends[2];
  if (::pipe(ends) != 0) return false;
  pid_t child = ::fork();
  if (child == 0) {
    int nothing = ::open("/dev/null", O_RDWR);
    ::dup2(nothing, 0);
    ::dup2(ends[1], 1);
    ::dup2(nothing, 2);
    ::close(ends[0]);
    ::execvp(argv[0].c_str(), argv_of(argv).data());
    ::_exit(127);
  }
  ::close(ends[1]);
  char block[4096];
  for (ssize_t got; (got = ::read(ends[0], block, sizeof block)) > 0;) output.append(block, static_cast<std::size_t>(got));
  ::close(ends[0]);
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int run_tool(const std::vector<std::string>& argv) {
  // The tool takes the adapter's place, as exec does in a shell script.
  ::execvp(argv[0].c_str(), argv_of(argv).data());
  return 127;
}
