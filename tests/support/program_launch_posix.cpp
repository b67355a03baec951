#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/program_launch.h"

ProgramProcess start_program(const ProgramLaunch& launch) {
  pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(launch.folder.c_str()) != 0) ::_exit(127);
    int out = ::open(launch.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(launch.stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (!launch.stdin_path.empty()) ::dup2(::open(launch.stdin_path.c_str(), O_RDONLY), 0);
    for (const auto& [name, value] : launch.environment) {
      if (value.empty()) ::unsetenv(name.c_str());
      else ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> argv{const_cast<char*>(launch.program.c_str())};
    for (const std::string& a : launch.arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(launch.program.c_str(), argv.data());
    ::_exit(127);
  }
  return child > 0 ? child : -1;
}

int finish_program(ProgramProcess process) {
  pid_t child = static_cast<pid_t>(process);
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}
