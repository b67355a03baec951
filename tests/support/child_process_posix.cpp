#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/child_process.h"

ChildRun run_this_program(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment,
                          bool with_standard_error) {
  ChildRun run;
  char self[4096];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  int pipe_ends[2];
  if (length <= 0 || pipe(pipe_ends) != 0) return run;
  self[length] = '\0';
  pid_t child = fork();
  if (child == 0) {
    for (const auto& [name, value] : environment) {
      if (value.empty()) unsetenv(name.c_str());
      else setenv(name.c_str(), value.c_str(), 1);
    }
    dup2(pipe_ends[1], STDOUT_FILENO);
    if (with_standard_error) dup2(pipe_ends[1], STDERR_FILENO);
    else freopen("/dev/null", "w", stderr);
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    std::vector<char*> argv{self};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(self, argv.data());
    _exit(127);
  }
  close(pipe_ends[1]);
  char block[4096];
  ssize_t got;
  while ((got = read(pipe_ends[0], block, sizeof block)) > 0) run.output.append(block, got);
  close(pipe_ends[0]);
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    run.exit_code = WEXITSTATUS(status);
  return run;
}
