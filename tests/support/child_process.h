#pragma once
// Runs the current test program again in a child process, for settings that
// a process reads once (thread count, instruction-set level). One
// implementation file per platform.
#include <map>
#include <string>
#include <vector>

struct ChildRun {
  std::string output;  // standard output, and standard error when asked for
  int exit_code = -1;  // -1 when the child could not be started or did not end normally
};

// `environment` is added to the child's (an empty value unsets the variable,
// since Windows cannot hold an empty one); `arguments` follow the program name.
ChildRun run_this_program(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment,
                          bool with_standard_error);
